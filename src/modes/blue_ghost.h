#pragma once

#include "import/rovidivod.h"
#include "interact/controls.h"
#include "interact/env.h"
#include "interact/screen_tool.h"
#include "interact/select_manager.h"
#include "modes/print_manager.h"

#include <cstdint>
#include <functional>

namespace ts {

class BlueGhost;

// The RoviDivod's hand on the drawing: in the RoviDivod mode it drags out the area of interest after
// "Create", and as "Align" it drags the current layer into register (see BlueGhost).
class AlignmentTool final : public ScreenTool {
public:
    AlignmentTool(ToolContext& context, BlueGhost& ghost) : ScreenTool(context, 0), m_ghost(ghost) {}

    bool OnLButtonDown(uint32_t flags, int32_t x, int32_t y) override;
    bool OnMouseMove(uint32_t flags, int32_t x, int32_t y) override;
    bool OnLButtonUp(uint32_t flags, int32_t x, int32_t y) override;

private:
    BlueGhost& m_ghost;
};

// The RoviDivod mode: "Create" (then drag the area of interest), "Print" (the traced-layer print; only
// while a "RoviDivod" layer exists) and "Reset".
//
// Align, the way back when the automatic scanback cannot find its marks: with the alignment tool the
// user presses on a registration mark of the current layer (the scan, or lines extracted from it) and
// drags; the layer follows the pointer. On release, when a RoviDivod footprint is known and one of its
// marks lies within a quarter inch of where the picked point was let go, the layer is moved the last
// bit so that the picked point sits exactly on that mark; otherwise it stays where it was let go. The
// move is one undo step. Turn and scale are left as they are.
class BlueGhost final : public EnvEffect {
public:
    static constexpr const char* kTitle = "RoviDivod";
    static constexpr const char* kPrompt = "Select the area of interest.";
    static constexpr const char* kAlignPrompt = "Drag a mark of the layer onto its place.";
    static constexpr int32_t kLabel = 101;
    static constexpr int32_t kCreateButton = 102;
    static constexpr int32_t kPrintButton = 103;
    static constexpr int32_t kResetButton = 104;

    BlueGhost(RoviDivod& rovi, PrintManager& print, SelectManager& select, ImageStackManager& stack,
              RefreshRequests& refresh, StatusPrompt& prompt, ToolView& tools);
    void SetTool(AlignmentTool* alignment) { m_alignmentTool = alignment; }

    bool Activate() override;
    bool Deactivate(int32_t how) override;
    bool Commit(int32_t) override { return true; }
    bool OnPanelCommand(int32_t id) override;
    bool EnablesViewCommands() override { return true; }

    // "Create": the next drag of the alignment tool is the area of interest.
    void BeginCreate();
    // "Align": the alignment tool drags the current layer.
    void BeginAlign();
    // "Print" follows whether a RoviDivod layer exists.
    void UpdateButtons();

    // The alignment tool's gesture, in drawing pixels.
    void OnPress(IntPoint drawing);
    void OnDrag(IntPoint drawing);
    void OnRelease(IntPoint drawing);

    bool Aligning() const { return m_state == State::kAlign; }
    bool PickingArea() const { return m_state == State::kArea; }

private:
    enum class State { kIdle, kArea, kAlign };
    void CreatePanel() override;

    RoviDivod& m_rovi;
    PrintManager& m_print;
    SelectManager& m_select;
    ImageStackManager& m_stack;
    RefreshRequests& m_refresh;
    StatusPrompt& m_prompt;
    ToolView& m_tools;
    AlignmentTool* m_alignmentTool = nullptr;
    State m_state = State::kIdle;
    bool m_pressed = false;
    IntPoint m_press;
    int32_t m_startX = 0; // the layer's offsets at the press
    int32_t m_startY = 0;
};

} // namespace ts
