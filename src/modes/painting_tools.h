#pragma once

#include "interact/environment_manager.h"
#include "interact/screen_tool.h"

#include <cstdint>
#include <string>

namespace ts {

// Where a brush tool sends its gestures: the painting, erasing or sampling handlers of a mode.
enum class BrushRoute {
    kPaint,           // OnPaintPress, OnPaintDrag, OnPaintRelease
    kErase,           // OnErasePress, OnEraseDrag, OnEraseRelease
    kSample,          // OnSamplePress only
    kSampleThenPaint, // OnSamplePress, then OnPaintDrag and OnPaintRelease
    kToolThenPaint,   // OnToolPress, then OnPaintDrag and OnPaintRelease
};

// A tool that paints with the round brush: it shows the brush outline, may enter its mode when it is
// selected, and passes press, drag and release on to its mode (or to the current mode when it has
// none of its own). A drag is passed on only while the press opened a stroke.
class BrushTool : public ScreenTool {
public:
    struct Setup {
        int32_t commandId = 0;
        int32_t toolKind = 0;
        BrushRoute route = BrushRoute::kPaint;
        Env* mode = nullptr;   // entered on selection when set
        Env* target = nullptr; // receives the gestures; null: the current mode
        const char* title = "";
        const char* prompt = "";
        bool reselect = false; // selecting it again re-runs its activation
        bool brush = true;     // shows the brush outline
    };

    BrushTool(ToolContext& context, const Setup& setup);

    bool AllowReselect() override { return m_setup.reselect; }
    void Activate() override;
    bool OnLButtonDown(uint32_t flags, int32_t x, int32_t y) override;
    bool OnMouseMove(uint32_t flags, int32_t x, int32_t y) override;
    bool OnLButtonUp(uint32_t flags, int32_t x, int32_t y) override;
    void SetCursor() override;

    bool StrokeOpen() const { return m_strokeOpen; }
    // The modes are made after the tools; they are handed in once they exist.
    void SetModes(Env* mode, Env* target) {
        m_setup.mode = mode;
        m_setup.target = target;
    }

protected:
    // The notice the tool sends to the current mode right after it was selected.
    virtual void SendNotice() {}

private:
    using EnvHandler = bool (Env::*)(uint32_t, int32_t, int32_t);
    bool Send(EnvHandler handler, uint32_t flags, int32_t x, int32_t y);
    bool Press(uint32_t flags, int32_t x, int32_t y);
    void Drag(uint32_t flags, int32_t x, int32_t y);
    void Release(uint32_t flags, int32_t x, int32_t y);

    Setup m_setup;
    bool m_strokeOpen = false;
};

// The tools of the painting modes. The ids are the tool row's buttons.
class SurfacePaintTool final : public BrushTool {
public:
    static constexpr int32_t kCommandId = 32934;
    explicit SurfacePaintTool(ToolContext& context);
    bool IsSurfacePaint() const override { return true; }
};

class SurfaceHueTool final : public BrushTool {
public:
    static constexpr int32_t kCommandId = 32950;
    explicit SurfaceHueTool(ToolContext& context);
};

class SurfaceSaturationTool final : public BrushTool {
public:
    static constexpr int32_t kCommandId = 32951;
    explicit SurfaceSaturationTool(ToolContext& context);

protected:
    void SendNotice() override { m_context.environment.OnToolSelected(); }
};

class SurfaceValueTool final : public BrushTool {
public:
    static constexpr int32_t kCommandId = 32954;
    explicit SurfaceValueTool(ToolContext& context);

protected:
    void SendNotice() override { m_context.environment.OnToolSelected(); }
};

// Erases colour under the brush (the surface mode's "Erase").
class SurfaceEraserTool final : public BrushTool {
public:
    explicit SurfaceEraserTool(ToolContext& context);
};

// Picks the colour under the brush into the palette (the surface mode's "Sample").
class SurfaceSampleTool final : public BrushTool {
public:
    explicit SurfaceSampleTool(ToolContext& context);
};

// Erases the board's show-through: paints opaque paper where it is dragged.
class BoardEraser final : public BrushTool {
public:
    static constexpr int32_t kCommandId = 32961;
    explicit BoardEraser(ToolContext& context);
    bool IsBoardEraser() const override { return true; }
};

// The paper mode's dropper: dragged over the drawing, it picks the board colour from what it crosses.
class BoardDropperTool final : public BrushTool {
public:
    explicit BoardDropperTool(ToolContext& context);
};

// The paper mode's wand: a click protects the colour under it from the dropper.
class BoardWandTool final : public BrushTool {
public:
    explicit BoardWandTool(ToolContext& context);
};

class ShadowPaintTool final : public BrushTool {
public:
    static constexpr int32_t kCommandId = 32941;
    explicit ShadowPaintTool(ToolContext& context);

protected:
    void SendNotice() override { m_context.environment.OnToolSelected(); }
};

class ShadowBlendTool final : public BrushTool {
public:
    static constexpr int32_t kCommandId = 32941;
    explicit ShadowBlendTool(ToolContext& context);
};

class ShadowSampleTool final : public BrushTool {
public:
    static constexpr int32_t kCommandId = 32941;
    explicit ShadowSampleTool(ToolContext& context);
};

class ShadowEraser final : public BrushTool {
public:
    static constexpr int32_t kCommandId = 32939;
    explicit ShadowEraser(ToolContext& context);

protected:
    void SendNotice() override { m_context.environment.OnShadowEraserSelected(); }
};

// The eraser of the eraser mode: lines, colour and lighting as the mode's boxes say.
class EraserTool final : public BrushTool {
public:
    explicit EraserTool(ToolContext& context, int32_t commandId);
};

} // namespace ts
