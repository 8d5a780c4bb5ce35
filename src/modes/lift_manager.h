#pragma once

#include "interact/env.h"
#include "modes/brush_stroke.h"
#include "modes/painting_tools.h"
#include "raster/fast_bitonal_mask.h"

#include <cstdint>
#include <memory>

namespace ts {

// The lift ("Lift"): moves what the brush covers of the current layer (its lines, lighting and colour,
// as the boxes say) into a layer of its own, "Lifted", made just above it at the same place. A pixel
// moves whole and once: its centre under the brush takes it, and a mask of the moved pixels keeps a
// later stroke from moving it again. Without "Erase" the pixels are copied and the layer keeps them.
//
// Leaving the mode cuts "Lifted" down to what it holds; when it holds nothing it is deleted again
// ("Deleted empty lifted layer."). One Undo takes the lifted layer away; with "Erase" the layer's state
// before the first erasing stroke is another step before that.
class LiftManager final : public EnvTool {
public:
    static constexpr const char* kTitle = "Lift";
    static constexpr const char* kPrompt = "Paint area to lift.";
    static constexpr const char* kLiftedName = "Lifted";
    static constexpr const char* kOutside = "The lift was outside the selected layer.";
    static constexpr const char* kDeletedEmpty = "Deleted empty lifted layer.";

    static constexpr int32_t kLiftButton = 100;
    static constexpr int32_t kLines = 101;
    static constexpr int32_t kLighting = 102;
    static constexpr int32_t kColor = 103;
    static constexpr int32_t kErase = 104;

    explicit LiftManager(PaintingContext& context) : EnvTool(0), m_c(context), m_stroke(context) {}

    bool Activate() override;
    bool Deactivate(int32_t how) override;
    bool OnPanelCommand(int32_t id) override;
    bool OnToolPress(uint32_t flags, int32_t x, int32_t y) override;
    bool OnPaintDrag(uint32_t flags, int32_t x, int32_t y) override;
    bool OnPaintRelease(uint32_t flags, int32_t x, int32_t y) override;

    void SetBoxes(bool lines, bool lighting, bool color, bool erase);
    bool EraseOn() const { return m_erase; }
    // The lifted layer of this visit, or null.
    LayerObject* Lifted();
    // The pixels moved so far (null while there is no lifted layer).
    const FastBitonalMask* Moved() const { return m_moved.get(); }

private:
    void CreatePanel() override;
    void ShowBoxes();
    // Makes "Lifted" for the layer: its size and place, copies of its tables and lighting settings, just
    // above it; the layer stays current. False when it cannot be made.
    bool MakeLifted(LayerObject& source);
    // Gives the lifted layer the source's present tables, so that moved indices mean the same there.
    void CopyTables(const LayerObject& source, LayerObject& lifted);
    // Cuts the lifted layer down to its content, or deletes it when it holds nothing.
    void FinishLifted();

    PaintingContext& m_c;
    BrushStroke m_stroke;
    std::unique_ptr<FastBitonalMask> m_moved;
    uint32_t m_sourceId = 0;
    uint32_t m_liftedId = 0;
    bool m_sourceSaved = false; // the layer's undo record was taken before its first erasing stroke
    bool m_lines = true;
    bool m_lighting = true;
    bool m_color = true;
    bool m_erase = true;
};

// The lift's tool: enters the lift and passes its strokes on.
class LiftTool final : public BrushTool {
public:
    LiftTool(ToolContext& context, int32_t commandId);

protected:
    void SendNotice() override { m_context.environment.OnLiftToolSelected(); }
};

// The layer pixels that hold anything: paint, lighting other than neutral, lines; empty when none.
Rect LayerContent(const LayerObject& layer);

} // namespace ts
