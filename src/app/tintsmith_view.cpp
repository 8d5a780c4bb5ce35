#include "app/tintsmith_view.h"

#include "app/view_cursors.h"
#include "interact/virtual_keys.h"

#include <QImage>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QTimer>
#include <QToolTip>
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
    m_workspace.paletteMenuRequested = [this](int32_t x, int32_t y) { ShowPaletteMenu(x, y); };
}

CTintsmithView::~CTintsmithView() {
    m_workspace.refreshManager.SetTarget(nullptr);
    m_workspace.viewWindow.SetTarget(nullptr);
    m_workspace.paletteMenuRequested = nullptr;
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

namespace {

// The symbol keys of a US keyboard: Qt names the character typed, the core the key that types it (with
// Shift for the upper symbol).
struct SymbolKey {
    int qtKey;
    uint32_t vk;
    bool shifted;
};
constexpr SymbolKey kSymbolKeys[] = {
    {Qt::Key_Semicolon, keys::kOemSemicolon, false},
    {Qt::Key_Colon, keys::kOemSemicolon, true},
    {Qt::Key_Equal, keys::kOemPlus, false},
    {Qt::Key_Plus, keys::kOemPlus, true},
    {Qt::Key_Comma, keys::kOemComma, false},
    {Qt::Key_Less, keys::kOemComma, true},
    {Qt::Key_Minus, keys::kOemMinus, false},
    {Qt::Key_Underscore, keys::kOemMinus, true},
    {Qt::Key_Period, keys::kOemPeriod, false},
    {Qt::Key_Greater, keys::kOemPeriod, true},
    {Qt::Key_Slash, keys::kOemSlash, false},
    {Qt::Key_Question, keys::kOemSlash, true},
    {Qt::Key_QuoteLeft, keys::kOemGrave, false},
    {Qt::Key_AsciiTilde, keys::kOemGrave, true},
    {Qt::Key_BracketLeft, keys::kOemOpenBracket, false},
    {Qt::Key_BraceLeft, keys::kOemOpenBracket, true},
    {Qt::Key_Backslash, keys::kOemBackslash, false},
    {Qt::Key_Bar, keys::kOemBackslash, true},
    {Qt::Key_BracketRight, keys::kOemCloseBracket, false},
    {Qt::Key_BraceRight, keys::kOemCloseBracket, true},
    {Qt::Key_Apostrophe, keys::kOemQuote, false},
    {Qt::Key_QuoteDbl, keys::kOemQuote, true},
    {Qt::Key_ParenRight, '0', true},
    {Qt::Key_Exclam, '1', true},
    {Qt::Key_At, '2', true},
    {Qt::Key_NumberSign, '3', true},
    {Qt::Key_Dollar, '4', true},
    {Qt::Key_Percent, '5', true},
    {Qt::Key_AsciiCircum, '6', true},
    {Qt::Key_Ampersand, '7', true},
    {Qt::Key_Asterisk, '8', true},
    {Qt::Key_ParenLeft, '9', true},
};

} // namespace

bool CTintsmithView::KeyCode(int key, Qt::KeyboardModifiers modifiers, const QString& text, uint32_t& vk,
                             uint32_t& flags) {
    flags = 0;
    for (const SymbolKey& s : kSymbolKeys) {
        if (key == s.qtKey) {
            vk = s.vk;
            flags = s.shifted ? keys::kShiftFlag : 0;
            return true;
        }
    }
    if (!KeyCode(key, vk)) {
        return false;
    }
    // Qt keeps no Caps Lock state: a letter typed in the case Shift would not give shows it.
    if (key >= Qt::Key_A && key <= Qt::Key_Z && text.size() == 1 && text.front().isLetter()) {
        const bool shift = (modifiers & Qt::ShiftModifier) != 0;
        if (text.front().isUpper() != shift) {
            flags |= keys::kCapsLockFlag;
        }
    }
    return true;
}

bool CTintsmithView::KeyCode(int key, uint32_t& vk) {
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9)) {
        vk = static_cast<uint32_t>(key); // Qt's codes of letters and digits are their upper-case ASCII
        return true;
    }
    for (const SymbolKey& s : kSymbolKeys) {
        if (key == s.qtKey) {
            vk = s.vk;
            return true;
        }
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

void CTintsmithView::RedrawPalette() {
    const Rect& area = m_workspace.paletteManager.Strip().Area();
    if (!m_painting && !area.IsEmpty()) {
        update(QRect(area.left, area.top, area.Width(), area.Height()));
    }
}

namespace {

QColor ToQColor(uint32_t color) {
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}

QRect ToQRect(const Rect& r) {
    return QRect(r.left, r.top, r.Width(), r.Height());
}

// Black on light colours, white on dark ones.
QColor Contrasting(uint32_t color) {
    const int y = 3 * static_cast<int>(color & 0xFF) + 6 * static_cast<int>((color >> 8) & 0xFF) +
                  static_cast<int>((color >> 16) & 0xFF);
    return y > 1275 ? Qt::black : Qt::white;
}

} // namespace

void CTintsmithView::PaintPaletteStrip(QPainter& painter, const QRect& updateRect) {
    const PaletteManager& palettes = m_workspace.paletteManager;
    const PaletteStrip& strip = palettes.Strip();
    const QRect area = ToQRect(strip.Area());
    if (area.isEmpty() || !area.intersects(updateRect)) {
        return;
    }
    painter.save();
    painter.fillRect(area, ToQColor(PaletteStrip::kBackground));
    const uint32_t current = palettes.GetCurrentColor();
    static constexpr const char* kOwnGlyphs[PaletteStrip::kOwnButtons] = {"«", "‹", "", "›", "»"};
    QFont font = painter.font();
    font.setPixelSize(std::max(9, strip.SwatchSize() * 3 / 4));
    font.setBold(true);
    painter.setFont(font);
    for (int32_t b = 0; b < strip.ButtonCount(); ++b) {
        const QRect r = ToQRect(strip.ButtonRect(b));
        if (b < PaletteStrip::kOwnButtons) {
            painter.fillRect(r, ToQColor(current));
            painter.setPen(Contrasting(current));
            const char* glyph = kOwnGlyphs[b];
            const QString text = b == PaletteStrip::kToggleCondensed ? (palettes.Condensed() ? "F" : "C")
                                                                     : QString::fromUtf8(glyph);
            painter.drawText(r, Qt::AlignCenter, text);
            painter.setPen(QColor(64, 64, 64));
            painter.drawRect(r.adjusted(0, 0, -1, -1));
            continue;
        }
        const PaletteEntry* entry = palettes.EntryAtButton(b);
        if (!entry) {
            continue;
        }
        painter.fillRect(r, ToQColor(entry->color));
        painter.setPen(QColor(96, 96, 96));
        painter.drawRect(r.adjusted(0, 0, -1, -1));
        if (entry->color == current || entry->selected) {
            // The selected colour: a white ring inside a black one.
            painter.setPen(Qt::black);
            painter.drawRect(r.adjusted(0, 0, -1, -1));
            painter.setPen(Qt::white);
            painter.drawRect(r.adjusted(1, 1, -2, -2));
        }
    }
    // The own buttons stand apart from the colours.
    if (strip.ButtonCount() > PaletteStrip::kOwnButtons) {
        const QRect own = ToQRect(strip.ButtonRect(PaletteStrip::kOwnButtons - 1));
        painter.setPen(QColor(64, 64, 64));
        painter.drawLine(own.right() + 1, area.top() + 1, own.right() + 1, area.bottom() - 1);
    }
    painter.restore();
}

QString CTintsmithView::PaletteTip(int32_t x, int32_t y) const {
    const PaletteManager& palettes = m_workspace.paletteManager;
    const int32_t button = palettes.Strip().HitButton(x, y);
    if (button < 0) {
        return {};
    }
    static constexpr const char* kOwnTips[PaletteStrip::kOwnButtons] = {
        "Back one page", "Back one colour", "Condensed or full palette", "Forward one colour",
        "Forward one page"};
    if (button < PaletteStrip::kOwnButtons) {
        return QString::fromUtf8(kOwnTips[button]);
    }
    const PaletteEntry* entry = palettes.EntryAtButton(button);
    if (!entry) {
        return {};
    }
    const std::string description = PaletteManager::ColorDescription(entry->color);
    return QString::fromStdString(entry->name.empty() ? description : entry->name + "\n" + description);
}

void CTintsmithView::ShowPaletteMenu(int32_t x, int32_t y) {
    QMenu menu(this);
    const CommandTable& table = m_workspace.commands;
    for (const int32_t id : cmd::kPaletteStripMenu) {
        if (id == 0) {
            menu.addSeparator();
            continue;
        }
        const Command* c = table.Find(id);
        if (!c) {
            continue;
        }
        QAction* action = menu.addAction(QString::fromStdString(table.Text(id)));
        action->setStatusTip(QString::fromStdString(c->prompt));
        action->setEnabled(table.Enabled(id));
        if (c->checked) {
            action->setCheckable(true);
            action->setChecked(table.Checked(id));
        }
        connect(action, &QAction::triggered, this, [this, id] {
            m_workspace.RunCommand(id);
            Changed();
        });
    }
    menu.exec(mapToGlobal(QPoint(x, y)));
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
    case cursors::kIBeam:
        setCursor(Qt::IBeamCursor);
        break;
    default:
        if (auto own = m_ownCursors.find(id); own != m_ownCursors.end()) {
            setCursor(own->second);
        } else if (const std::optional<QCursor> made = ProgramCursor(id)) {
            setCursor(m_ownCursors.emplace(id, *made).first->second);
        } else {
            setCursor(Qt::ArrowCursor);
        }
        break;
    }
}

void CTintsmithView::resizeEvent(QResizeEvent* event) {
    m_workspace.viewManager.ResizeClient(event->size().width(), event->size().height());
    m_workspace.LayoutPalette(event->size().width(), event->size().height());
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
    PaintPaletteStrip(painter, event->rect());
    m_painting = false;
    if (m_finishCompositing) {
        m_finishCompositing = false;
        QTimer::singleShot(0, this, [this] { m_workspace.refreshManager.FinishCompositing(); });
    }
    if (painted) {
        painted();
    }
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
    const auto px = static_cast<int32_t>(event->position().x());
    const auto py = static_cast<int32_t>(event->position().y());
    if (m_workspace.viewGeometry.OverPalette(px, py) && event->buttons() == Qt::NoButton) {
        const QString tip = PaletteTip(px, py);
        if (tip.isEmpty()) {
            QToolTip::hideText();
        } else {
            QToolTip::showText(event->globalPosition().toPoint(), tip, this);
        }
    }
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
    uint32_t keyFlags = 0;
    // Alt+Backspace is one of the frame's accelerators, never a key of the current mode.
    const bool frameKey = event->key() == Qt::Key_Backspace && (event->modifiers() & Qt::AltModifier);
    if (frameKey || !KeyCode(event->key(), event->modifiers(), event->text(), vk, keyFlags) ||
        !m_workspace.viewInput.OnKeyDown(vk, event->isAutoRepeat() ? 1 : 0,
                                         Flags(event->modifiers(), Qt::NoButton) | keyFlags)) {
        QWidget::keyPressEvent(event);
    }
    Changed();
}

void CTintsmithView::keyReleaseEvent(QKeyEvent* event) {
    uint32_t vk = 0;
    uint32_t keyFlags = 0;
    if (!KeyCode(event->key(), event->modifiers(), event->text(), vk, keyFlags) ||
        !m_workspace.viewInput.OnKeyUp(vk, 0, Flags(event->modifiers(), Qt::NoButton) | keyFlags)) {
        QWidget::keyReleaseEvent(event);
    }
}

} // namespace ts
