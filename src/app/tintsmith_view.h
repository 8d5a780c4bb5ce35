#pragma once

#include "interact/view_window.h"
#include "render/refresh_manager.h"
#include "workspace/workspace.h"

#include <QCursor>
#include <QPainter>
#include <QString>
#include <QWidget>

#include <functional>
#include <map>

namespace ts {

// The drawing view: it shows the display double buffer and hands mouse, wheel and keys to the core.
class CTintsmithView final : public QWidget, public RefreshTarget, public ViewWindow {
public:
    CTintsmithView(Workspace& workspace, QWidget* parent);
    ~CTintsmithView() override;

    // RefreshTarget: what the refresh manager asks of the window.
    void InvalidateWindow(const Rect& clientRect) override;
    void UpdateWindow() override;
    void DrawOverlays() override;
    void RedrawPalette() override;
    void CompositingPending() override { m_finishCompositing = true; }

    // ViewWindow: what the tools ask of the window.
    void SetCursor(int32_t cursorId) override;
    void CaptureMouse() override { grabMouse(); }
    void ReleaseMouse() override { releaseMouse(); }
    void FocusFrame() override { setFocus(); }
    void RepaintWindow(const Rect& clientRect) override;

    // A Qt key as the core's key code (Windows virtual-key codes of a US keyboard); false for keys the
    // core does not know. A symbol Qt names by its shifted character ('!', ':') is its key's code.
    static bool KeyCode(int qtKey, uint32_t& vk);
    // A Qt key event as the core's key code, with the key-flag bits the code leaves out: Shift for a
    // shifted symbol (Qt may report '!' without the Shift modifier), Caps Lock for a letter whose case
    // (the event's text) is not the one Shift gives.
    static bool KeyCode(int qtKey, Qt::KeyboardModifiers modifiers, const QString& text, uint32_t& vk,
                        uint32_t& flags);
    static uint32_t Flags(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);

    // Called after every input: the frame updates its indicators.
    std::function<void()> changed;
    // Called after every paint (the scroll bars follow a pan or a zoom).
    std::function<void()> painted;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void Changed();
    // The palette strip over the bottom of the display: its own buttons in the selected colour, then
    // the shown palette's swatches.
    void PaintPaletteStrip(QPainter& painter, const QRect& updateRect);
    void ShowPaletteMenu(int32_t x, int32_t y);
    // The name and description of the swatch under a point, for its tooltip.
    QString PaletteTip(int32_t x, int32_t y) const;

    Workspace& m_workspace;
    QSize m_paintedSize;
    Rect m_lastInvalid;
    std::map<int32_t, QCursor> m_ownCursors; // made on first use
    bool m_painting = false;
    // The view buffer has parts outside the window still to composite: done once the window is shown.
    bool m_finishCompositing = false;
};

} // namespace ts
