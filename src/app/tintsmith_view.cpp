#include "app/tintsmith_view.h"

#include "interact/virtual_keys.h"

#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QWheelEvent>

namespace ts {

namespace {

// Mouse-state bits of the core: left 1, right 2, Shift 4, Ctrl 8, middle 0x10.
constexpr uint32_t kLeftButtonFlag = 1;
constexpr uint32_t kRightButtonFlag = 2;
constexpr uint32_t kMiddleButtonFlag = 0x10;

} // namespace

CTintsmithView::CTintsmithView(Workspace& workspace, QWidget* parent)
    : QWidget(parent), m_workspace(workspace) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    m_workspace.refreshManager.SetTarget(this);
    m_workspace.viewWindow.SetTarget(this);
}

CTintsmithView::~CTintsmithView() {
    m_workspace.refreshManager.SetTarget(nullptr);
    m_workspace.viewWindow.SetTarget(nullptr);
}

uint32_t CTintsmithView::Flags(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
    uint32_t flags = 0;
    flags |= (modifiers & Qt::ShiftModifier) ? keys::kShiftFlag : 0;
    flags |= (modifiers & Qt::ControlModifier) ? keys::kCtrlFlag : 0;
    flags |= (buttons & Qt::LeftButton) ? kLeftButtonFlag : 0;
    flags |= (buttons & Qt::RightButton) ? kRightButtonFlag : 0;
    flags |= (buttons & Qt::MiddleButton) ? kMiddleButtonFlag : 0;
    return flags;
}

bool CTintsmithView::KeyCode(int key, uint32_t& vk) {
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9)) {
        vk = static_cast<uint32_t>(key); // Qt's codes of letters and digits are their upper-case ASCII
        return true;
    }
    switch (key) {
    case Qt::Key_Backspace:
        vk = keys::kBack;
        return true;
    case Qt::Key_Tab:
        vk = keys::kTab;
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        vk = keys::kReturn;
        return true;
    case Qt::Key_Escape:
        vk = keys::kEscape;
        return true;
    case Qt::Key_Space:
        vk = keys::kSpace;
        return true;
    case Qt::Key_PageUp:
        vk = keys::kPageUp;
        return true;
    case Qt::Key_PageDown:
        vk = keys::kPageDown;
        return true;
    case Qt::Key_Left:
        vk = keys::kLeft;
        return true;
    case Qt::Key_Up:
        vk = keys::kUp;
        return true;
    case Qt::Key_Right:
        vk = keys::kRight;
        return true;
    case Qt::Key_Down:
        vk = keys::kDown;
        return true;
    case Qt::Key_Delete:
        vk = keys::kDelete;
        return true;
    default:
        return false;
    }
}

void CTintsmithView::Changed() {
    if (changed) {
        changed();
    }
}

void CTintsmithView::InvalidateWindow(const Rect& r) {
    if (!r.IsEmpty()) {
        m_lastInvalid = r;
    }
    // The paint handler refreshes and then draws everything it was asked to: an invalidation from
    // inside it must not ask for yet another paint.
    if (m_painting) {
        return;
    }
    if (r.IsEmpty()) {
        update();
    } else {
        update(QRect(r.left, r.top, r.Width(), r.Height()));
    }
}

void CTintsmithView::UpdateWindow() {
    if (!m_painting) {
        repaint();
    }
}

void CTintsmithView::DrawOverlays() {
    if (!m_lastInvalid.IsEmpty()) {
        m_workspace.viewInput.DrawOverlays(m_lastInvalid);
    }
}

void CTintsmithView::RepaintWindow(const Rect& r) {
    if (!m_painting && !r.IsEmpty()) {
        update(QRect(r.left, r.top, r.Width(), r.Height()));
    }
}

void CTintsmithView::SetCursor(int32_t id) {
    switch (id) {
    case cursors::kSizeNWSE:
        setCursor(Qt::SizeFDiagCursor);
        break;
    case cursors::kSizeNESW:
        setCursor(Qt::SizeBDiagCursor);
        break;
    case cursors::kSizeWE:
        setCursor(Qt::SizeHorCursor);
        break;
    case cursors::kSizeNS:
        setCursor(Qt::SizeVerCursor);
        break;
    case cursors::kSizeAll:
        setCursor(Qt::SizeAllCursor);
        break;
    case cursors::kHand:
        setCursor(Qt::OpenHandCursor);
        break;
    case cursors::kZoom:
    case cursors::kOrigin:
    case cursors::kLine:
    case cursors::kLineEdit:
    case cursors::kLineGridSnap:
        setCursor(Qt::CrossCursor);
        break;
    default:
        setCursor(Qt::ArrowCursor);
        break;
    }
}

void CTintsmithView::resizeEvent(QResizeEvent* event) {
    m_workspace.viewManager.ResizeClient(event->size().width(), event->size().height());
    m_workspace.viewGeometry.Clamp();
    QWidget::resizeEvent(event);
}

void CTintsmithView::paintEvent(QPaintEvent* event) {
    m_painting = true;
    if (m_workspace.imageStack.Count() > 0) {
        if (size() != m_paintedSize) {
            m_paintedSize = size();
            m_workspace.refreshManager.MarkStackFootprint();
        }
        m_workspace.refreshManager.Refresh("R_OnDraw");
    }
    const Image24& display = m_workspace.viewManager.Display();
    QPainter painter(this);
    if (display.Width() == width() && display.Height() == height()) {
        const QImage image(display.Row(0), display.Width(), display.Height(), display.Stride(),
                           QImage::Format_BGR888);
        painter.drawImage(event->rect(), image, event->rect());
    } else {
        painter.fillRect(event->rect(), palette().window());
    }
    m_painting = false;
}

void CTintsmithView::mousePressEvent(QMouseEvent* event) {
    setFocus();
    const uint32_t flags = Flags(event->modifiers(), event->buttons());
    const auto x = static_cast<int32_t>(event->position().x());
    const auto y = static_cast<int32_t>(event->position().y());
    ViewInput& input = m_workspace.viewInput;
    if (event->button() == Qt::LeftButton) {
        input.OnLButtonDown(flags, x, y);
        m_workspace.refresh.Refresh("OnLButtonDown");
    } else if (event->button() == Qt::RightButton) {
        input.OnRButtonDown(flags, x, y);
    } else if (event->button() == Qt::MiddleButton) {
        input.OnMButtonDown(flags, x, y);
    }
    Changed();
}

void CTintsmithView::mouseReleaseEvent(QMouseEvent* event) {
    const uint32_t flags = Flags(event->modifiers(), event->buttons());
    const auto x = static_cast<int32_t>(event->position().x());
    const auto y = static_cast<int32_t>(event->position().y());
    ViewInput& input = m_workspace.viewInput;
    if (event->button() == Qt::LeftButton) {
        input.OnLButtonUp(flags, x, y);
    } else if (event->button() == Qt::RightButton) {
        input.OnRButtonUp(flags, x, y);
    } else if (event->button() == Qt::MiddleButton) {
        input.OnMButtonUp(flags, x, y);
    }
    Changed();
}

void CTintsmithView::mouseDoubleClickEvent(QMouseEvent* event) {
    const uint32_t flags = Flags(event->modifiers(), event->buttons());
    const auto x = static_cast<int32_t>(event->position().x());
    const auto y = static_cast<int32_t>(event->position().y());
    ViewInput& input = m_workspace.viewInput;
    if (event->button() == Qt::LeftButton) {
        input.OnLButtonDblClk(flags, x, y);
    } else if (event->button() == Qt::RightButton) {
        input.OnRButtonDblClk(flags, x, y);
    } else if (event->button() == Qt::MiddleButton) {
        input.OnMButtonDblClk(flags, x, y);
    }
    Changed();
}

void CTintsmithView::mouseMoveEvent(QMouseEvent* event) {
    m_workspace.viewInput.OnMouseMove(Flags(event->modifiers(), event->buttons()),
                                      static_cast<int32_t>(event->position().x()),
                                      static_cast<int32_t>(event->position().y()));
}

void CTintsmithView::wheelEvent(QWheelEvent* event) {
    const int delta = event->angleDelta().y();
    if (delta == 0) {
        return;
    }
    m_workspace.viewInput.OnMouseWheel(delta, Flags(event->modifiers(), event->buttons()),
                                       static_cast<int32_t>(event->position().x()),
                                       static_cast<int32_t>(event->position().y()));
    Changed();
}

void CTintsmithView::leaveEvent(QEvent* event) {
    m_workspace.viewInput.OnMouseLeave();
    QWidget::leaveEvent(event);
}

void CTintsmithView::keyPressEvent(QKeyEvent* event) {
    uint32_t vk = 0;
    if (!KeyCode(event->key(), vk) ||
        !m_workspace.viewInput.OnKeyDown(vk, event->isAutoRepeat() ? 1 : 0,
                                         Flags(event->modifiers(), Qt::NoButton))) {
        QWidget::keyPressEvent(event);
    }
    Changed();
}

void CTintsmithView::keyReleaseEvent(QKeyEvent* event) {
    uint32_t vk = 0;
    if (!KeyCode(event->key(), vk) ||
        !m_workspace.viewInput.OnKeyUp(vk, 0, Flags(event->modifiers(), Qt::NoButton))) {
        QWidget::keyReleaseEvent(event);
    }
}

} // namespace ts
