#pragma once

#include "interact/env.h"
#include "interact/rubber_line.h"
#include "interact/screen_tool.h"
#include "modes/brush_stroke.h"
#include "modes/shadow_maker.h"

#include <cstdint>

namespace ts {

// The offset shadow mode: two clicks give the offset of a soft drop shadow of the current layer's lines
// and/or surface colour, cast in the palette colour. The shadow is paint of a layer of its own, "Offset
// Shadow", just under the layer that casts it, so the caster's own paint is never darkened and the
// shadow shows only where the caster lets it through. The layer is as large as the caster's content
// moved by the offset and grown by the blur's reach (clipped to the drawing).
//
// "Blur" (0..40, 6 to start) is the softness in drawing pixels, "Opacity" (0..100 %, 50 to start) the
// share of the caster's coverage the shade keeps; "Lines" and "Surface Color" (both on to start) choose
// what casts it. A slider at its final position or a box clicked makes the shadow anew from the same
// offset. The shadow layer under the caster is reused (an earlier one too); a visit takes one undo
// record of it before its first change (the addition of a new layer, else a copy of the old one), so
// one Undo takes the visit's shadow away. With "Opacity" at 0 no shadow is made where there was none.
class OffsetShadowManager final : public EnvTool {
public:
    static constexpr const char* kTitle = "Offset Shadow";
    static constexpr const char* kPrompt = "Click 2 points to define shadow offset";
    static constexpr const char* kSecondPointPrompt = "Click the second point to offset the shadow.";
    static constexpr const char* kNothingToCast = "This layer has no lines or color to cast a shadow.";
    static constexpr const char* kOutsideDrawing = "The shadow would fall outside the drawing.";
    static constexpr const char* kLayerName = "Offset Shadow";

    static constexpr int32_t kBlur = 101;
    static constexpr int32_t kOpacity = 102;
    static constexpr int32_t kLines = 103;
    static constexpr int32_t kSurfaceColor = 104;
    static constexpr int32_t kBlurStart = 6;
    static constexpr int32_t kOpacityStart = 50;

    OffsetShadowManager(PaintingContext& context, RubberLine& rubber)
        : EnvTool(kOffsetShadowId), m_c(context), m_rubber(rubber) {}

    bool Activate() override;
    bool Deactivate(int32_t how) override;
    bool OnPanelCommand(int32_t id) override;
    // The second click: the offset is the vector from the first click to it.
    bool OnRubberLineEnded() override;

    // Casts the current layer's shadow at an offset in drawing pixels; false (with a prompt) when
    // nothing was cast.
    bool Cast(IntPoint offset);
    // Makes the last cast anew with the present controls; false when there was none this visit.
    bool Remake();
    // The offset of the visit's last cast, and whether there was one.
    bool HasOffset() const { return m_hasOffset; }
    IntPoint Offset() const { return m_offset; }
    ShadowSettings Settings() const;
    // The layer that holds the shadow of a caster (just under it), or null.
    const LayerObject* ShadowLayerOf(const LayerObject& caster) const;
    ShadowMaker& Maker() { return m_maker; }

private:
    void CreatePanel() override;
    // The shadow layer under the caster at index, made or recorded for undo as the visit needs;
    // null when it cannot be made. The caster's index may move up by one.
    LayerObject* PrepareShadowLayer(int32_t& casterIndex);

    PaintingContext& m_c;
    RubberLine& m_rubber;
    ShadowMaker m_maker;
    IntPoint m_offset;
    bool m_hasOffset = false;
    uint32_t m_recordedShadow = 0; // the shadow layer this visit has its undo record of
};

// The offset shadow tool: the first click starts the rubber line, the second ends it there and the
// offset shadow mode casts the shadow. Esc drops a line begun.
class OffsetShadowTool final : public ScreenTool {
public:
    static constexpr int32_t kCommandId = 33085;
    static constexpr int32_t kKind = 4018;

    OffsetShadowTool(ToolContext& context, RubberLine& rubber)
        : ScreenTool(context, kCommandId, kKind), m_rubber(rubber) {}

    void SetMode(OffsetShadowManager* mode) { m_mode = mode; }
    void Activate() override;
    void Deactivate() override;
    void SetCursor() override;
    bool OnLButtonDown(uint32_t flags, int32_t x, int32_t y) override;
    bool OnMouseMove(uint32_t flags, int32_t x, int32_t y) override;
    bool OnKeyDown(uint32_t key, uint32_t repeat, uint32_t flags) override;

private:
    OffsetShadowManager* m_mode = nullptr;
    RubberLine& m_rubber;
};

} // namespace ts
