#include "modes/painting_tools.h"

namespace ts {

BrushTool::BrushTool(ToolContext& context, const Setup& setup)
    : ScreenTool(context, setup.commandId, setup.toolKind, setup.brush), m_setup(setup) {}

void BrushTool::Activate() {
    ScreenTool::Activate();
    m_strokeOpen = false;
    BuildBrush(GetBrushSize());
    if (m_setup.mode) {
        m_context.environment.EnterMode(m_setup.mode, m_setup.title, m_setup.prompt);
    }
    SendNotice();
}

void BrushTool::SetCursor() {
    m_context.window.SetCursor(cursors::kArrow);
}

// The mode that hears the brush: the tool's own, else the current one.
bool BrushTool::Send(EnvHandler handler, uint32_t flags, int32_t x, int32_t y) {
    Env* to = m_setup.target ? m_setup.target : m_context.environment.Current();
    return to && (to->*handler)(flags, x, y);
}

bool BrushTool::Press(uint32_t flags, int32_t x, int32_t y) {
    switch (m_setup.route) {
    case BrushRoute::kPaint:
        return Send(&Env::OnPaintPress, flags, x, y);
    case BrushRoute::kErase:
        return Send(&Env::OnErasePress, flags, x, y);
    case BrushRoute::kSample:
    case BrushRoute::kSampleThenPaint:
        return Send(&Env::OnSamplePress, flags, x, y);
    case BrushRoute::kToolThenPaint:
        return Send(&Env::OnToolPress, flags, x, y);
    }
    return false;
}

void BrushTool::Drag(uint32_t flags, int32_t x, int32_t y) {
    if (m_setup.route != BrushRoute::kSample) {
        Send(m_setup.route == BrushRoute::kErase ? &Env::OnEraseDrag : &Env::OnPaintDrag, flags, x, y);
    }
}

void BrushTool::Release(uint32_t flags, int32_t x, int32_t y) {
    if (m_setup.route != BrushRoute::kSample) {
        Send(m_setup.route == BrushRoute::kErase ? &Env::OnEraseRelease : &Env::OnPaintRelease, flags, x, y);
    }
}

bool BrushTool::OnLButtonDown(uint32_t flags, int32_t x, int32_t y) {
    m_strokeOpen = false;
    if (ScreenTool::OnLButtonDown(flags, x, y)) {
        return true; // a pan or the palette took the press
    }
    if (!IsButtonDown()) {
        return false;
    }
    // The measuring snap may have moved the point.
    const IntPoint at = IsSnapped() ? GetCurrentViewPoint() : IntPoint{x, y};
    m_strokeOpen = Press(flags, at.x, at.y);
    return true;
}

bool BrushTool::OnMouseMove(uint32_t flags, int32_t x, int32_t y) {
    if (ScreenTool::OnMouseMove(flags, x, y)) {
        return true;
    }
    if (IsButtonDown() && m_strokeOpen) {
        const IntPoint at = IsSnapped() ? GetCurrentViewPoint() : IntPoint{x, y};
        Drag(flags, at.x, at.y);
    }
    return true;
}

bool BrushTool::OnLButtonUp(uint32_t flags, int32_t x, int32_t y) {
    const bool open = m_strokeOpen;
    m_strokeOpen = false;
    const bool consumed = ScreenTool::OnLButtonUp(flags, x, y);
    if (open) {
        const IntPoint at = IsSnapped() ? GetCurrentViewPoint() : IntPoint{x, y};
        Release(flags, at.x, at.y);
    }
    return consumed || open;
}

namespace {

BrushTool::Setup Make(int32_t id, int32_t kind, BrushRoute route, const char* title = "",
                      const char* prompt = "", bool reselect = false) {
    BrushTool::Setup s;
    s.commandId = id;
    s.toolKind = kind;
    s.route = route;
    s.title = title;
    s.prompt = prompt;
    s.reselect = reselect;
    return s;
}

} // namespace

SurfacePaintTool::SurfacePaintTool(ToolContext& context)
    : BrushTool(context, Make(kCommandId, 4012, BrushRoute::kPaint, "Color", "Paint on color.")) {}

SurfaceHueTool::SurfaceHueTool(ToolContext& context)
    : BrushTool(context, Make(kCommandId, 0, BrushRoute::kPaint, "Color", "Paint on color.")) {}

SurfaceSaturationTool::SurfaceSaturationTool(ToolContext& context)
    : BrushTool(context, Make(kCommandId, 0, BrushRoute::kPaint, "Color", "Paint on color.")) {}

SurfaceValueTool::SurfaceValueTool(ToolContext& context)
    : BrushTool(context, Make(kCommandId, 0, BrushRoute::kPaint, "Color", "Paint on color.")) {}

SurfaceEraserTool::SurfaceEraserTool(ToolContext& context)
    : BrushTool(context, Make(0, 0, BrushRoute::kErase)) {}

SurfaceSampleTool::SurfaceSampleTool(ToolContext& context)
    : BrushTool(context, Make(0, 0, BrushRoute::kSample)) {}

BoardDropperTool::BoardDropperTool(ToolContext& context)
    : BrushTool(context, [] {
          BrushTool::Setup s = Make(0, 0, BrushRoute::kSampleThenPaint, "Board Selection",
                                    "Dropper: Drag on image to select board color.", true);
          s.brush = false;
          return s;
      }()) {}

BoardWandTool::BoardWandTool(ToolContext& context)
    : BrushTool(context, [] {
          BrushTool::Setup s = Make(0, 0, BrushRoute::kPaint, "Board Selection", "Wand: Protect colors.");
          s.brush = false;
          return s;
      }()) {}

BoardEraser::BoardEraser(ToolContext& context)
    : BrushTool(context, Make(kCommandId, 4039, BrushRoute::kErase, "Surface", "Erase Board ShowThru.")) {}

ShadowPaintTool::ShadowPaintTool(ToolContext& context)
    : BrushTool(context, Make(kCommandId, 4046, BrushRoute::kPaint, "Lighting", "Paint On Lighting.")) {}

ShadowBlendTool::ShadowBlendTool(ToolContext& context)
    : BrushTool(context, Make(kCommandId, 0, BrushRoute::kPaint, "Lighting", "Paint On Lighting.")) {}

ShadowSampleTool::ShadowSampleTool(ToolContext& context)
    : BrushTool(context, Make(kCommandId, 4046, BrushRoute::kSampleThenPaint)) {}

ShadowEraser::ShadowEraser(ToolContext& context)
    : BrushTool(context, Make(kCommandId, 4048, BrushRoute::kErase, "Shadows", "Erase Shadows")) {}

EraserTool::EraserTool(ToolContext& context, int32_t commandId)
    : BrushTool(context, Make(commandId, 0, BrushRoute::kErase, "Eraser",
                              "Use the Eraser to remove unwanted portions of the sketch.", true)) {}

} // namespace ts
