#pragma once

#include "interact/env.h"
#include "modes/brush_stroke.h"
#include "modes/painting_tools.h"
#include "modes/shadow_manager.h"
#include "modes/surface_manager.h"

#include <cstdint>

namespace ts {

// The dropper ("Dropper"): a click picks the layer under the brush and what it shows there, by one of
// three options. "Lines": the visible layer with most line coverage under the brush becomes current
// and its line colour the palette's, as the line mode's "Sample" does. "Color": the visible layer with
// most paint under the brush becomes current and the colour there (weighed by amount) the palette's.
// "Lighting": the lighting mode's pick of the shaded layer, its level and light. Entering the mode
// chooses the option from the mode the user came from.
class DropperManager final : public EnvTool {
public:
    static constexpr const char* kTitle = "Dropper";
    static constexpr const char* kPrompt = "Use the Dropper to retrieve color from your sketch.";
    static constexpr const char* kNoLineHere = "No line under the dropper.";
    static constexpr const char* kNoColorHere = "No color under the dropper.";

    static constexpr int32_t kLines = 101;
    static constexpr int32_t kColor = 102;
    static constexpr int32_t kLighting = 103;

    DropperManager(PaintingContext& context, EnvironmentManager& environment, Env& lineMode,
                   SurfaceManager& surface, ShadowManager& shadows)
        : EnvTool(0), m_c(context), m_environment(environment), m_lineMode(lineMode), m_surface(surface),
          m_shadows(shadows) {}

    bool Activate() override;
    bool Deactivate(int32_t how) override;
    bool OnPanelCommand(int32_t id) override;
    bool OnSamplePress(uint32_t flags, int32_t x, int32_t y) override;

    // The option on: kLines, kColor or kLighting.
    int32_t Option() const { return m_option; }
    void SetOption(int32_t option);

    // The visible drawing layer with most pixels of a part under the brush at a view point (ties go to
    // the upper layer), or -1. lines: line coverage, else paint.
    int32_t LayerUnderBrush(int32_t x, int32_t y, bool lines) const;

private:
    void CreatePanel() override;

    PaintingContext& m_c;
    EnvironmentManager& m_environment;
    Env& m_lineMode;
    SurfaceManager& m_surface;
    ShadowManager& m_shadows;
    int32_t m_option = kColor;
};

// The dropper's tool: enters the dropper; a click picks.
class DropperTool final : public BrushTool {
public:
    DropperTool(ToolContext& context, int32_t commandId);

protected:
    void SendNotice() override { m_context.environment.OnMaskToolSelected(); }
};

} // namespace ts
