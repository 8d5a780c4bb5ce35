#include "ui/panel_widgets.h"

#include <QFontMetrics>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace ts {

namespace {

// The style's few colours.
const QColor kFace(0xF4, 0xF4, 0xF2);
const QColor kFaceLow(0xE2, 0xE2, 0xDE);
const QColor kPressed(0xC8, 0xCF, 0xD8);
const QColor kPressedLow(0xB4, 0xBE, 0xCA);
const QColor kEdge(0x8E, 0x8E, 0x8A);
const QColor kEdgePressed(0x4A, 0x5E, 0x78);
const QColor kText(0x20, 0x20, 0x20);
const QColor kDisabledText(0xA0, 0xA0, 0xA0);
const QColor kTrack(0xB8, 0xB8, 0xB4);
const QColor kAccent(0x3C, 0x6E, 0xA8);

constexpr int kSmallestPoint = 6;
constexpr int kLabelGap = 4;

// A face from top to bottom: raised (light to darker) or pressed (darker throughout).
void PaintFace(QPainter& p, const QRectF& r, bool pressed, bool enabled) {
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setColorAt(0, pressed ? kPressedLow : kFace);
    fill.setColorAt(1, pressed ? kPressed : kFaceLow);
    QPainterPath shape;
    shape.addRoundedRect(r, 3, 3);
    p.fillPath(shape, enabled ? QBrush(fill) : QBrush(kFace));
    p.setPen(QPen(pressed ? kEdgePressed : (enabled ? kEdge : kDisabledText), 1));
    p.drawPath(shape);
}

QRectF Inner(const QRect& r) {
    return QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5);
}

int TextWidth(const QFont& font, const QString& text) {
    return QFontMetrics(font).horizontalAdvance(text);
}

// A label in the given width: in a smaller font when it does not fit, cut short when even the
// smallest does not.
void DrawLabel(QPainter& p, const QFont& base, const QString& label, const QRect& area, bool enabled) {
    const QFont font = FittedFont(base, label, area.width());
    p.setFont(font);
    p.setPen(enabled ? kText : kDisabledText);
    const QString shown = QFontMetrics(font).elidedText(label, Qt::ElideRight, area.width());
    p.drawText(area, Qt::AlignVCenter | Qt::AlignLeft, shown);
}

} // namespace

QFont FittedFont(const QFont& base, const QString& text, int width) {
    QFont font = base;
    int points = font.pointSize() > 0 ? font.pointSize() : 9;
    font.setPointSize(points);
    while (points > kSmallestPoint && TextWidth(font, text) > width) {
        font.setPointSize(--points);
    }
    return font;
}

// --- PanelButton

PanelButton::PanelButton(const QString& caption, QWidget* parent) : QAbstractButton(parent) {
    setText(caption);
    setFocusPolicy(Qt::TabFocus);
}

void PanelButton::SetHeldDown(bool held) {
    if (m_held != held) {
        m_held = held;
        update();
    }
}

QSize PanelButton::sizeHint() const {
    return {TextWidth(font(), text()) + 12, 20};
}

void PanelButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool pressed = isDown() || m_held;
    PaintFace(p, Inner(rect()), pressed, isEnabled());
    const QRect textArea = rect().adjusted(3, 0, -3, 0).translated(pressed ? 1 : 0, pressed ? 1 : 0);
    p.setFont(FittedFont(font(), text(), textArea.width()));
    p.setPen(isEnabled() ? kText : kDisabledText);
    p.drawText(textArea, Qt::AlignCenter, text());
    if (hasFocus()) {
        p.setPen(QPen(kAccent, 1, Qt::DotLine));
        p.drawRoundedRect(Inner(rect()).adjusted(2, 2, -2, -2), 2, 2);
    }
}

// --- PanelCheckBox

PanelCheckBox::PanelCheckBox(const QString& caption, QWidget* parent) : QAbstractButton(parent) {
    setText(caption);
    setCheckable(true);
    setFocusPolicy(Qt::TabFocus);
}

QSize PanelCheckBox::sizeHint() const {
    return {TextWidth(font(), text()) + 20, 20};
}

void PanelCheckBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const int side = std::min(13, height() - 2);
    const QRectF box(0.5, (height() - side) / 2.0 + 0.5, side - 1, side - 1);
    PaintFace(p, box.toAlignedRect(), isDown(), isEnabled());
    if (isChecked()) {
        p.setPen(QPen(isEnabled() ? kAccent : kDisabledText, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        const QPointF a(box.left() + side * 0.22, box.top() + side * 0.52);
        const QPointF b(box.left() + side * 0.42, box.top() + side * 0.74);
        const QPointF c(box.left() + side * 0.80, box.top() + side * 0.26);
        p.drawPolyline(QPolygonF({a, b, c}));
    }
    DrawLabel(p, font(), text(), rect().adjusted(side + kLabelGap, 0, 0, 0), isEnabled());
}

// --- PanelSlider

PanelSlider::PanelSlider(const QString& label, QWidget* parent) : QWidget(parent), m_label(label) {
    setFocusPolicy(Qt::StrongFocus);
}

void PanelSlider::SetLabel(const QString& label) {
    m_label = label;
    update();
}

void PanelSlider::SetRange(int low, int high) {
    m_low = std::min(low, high);
    m_high = std::max(low, high);
    m_value = std::clamp(m_value, m_low, m_high);
    update();
}

void PanelSlider::SetValue(int value) {
    m_value = std::clamp(value, m_low, m_high);
    update();
}

QSize PanelSlider::sizeHint() const {
    return {LabelWidth() + 120, 20};
}

int PanelSlider::LabelWidth() const {
    if (m_label.isEmpty()) {
        return 0;
    }
    // The label takes what it needs, but never more than two fifths of the control.
    return std::min(TextWidth(font(), m_label) + kLabelGap + 2, width() * 2 / 5);
}

QRect PanelSlider::Track() const {
    constexpr int kThumb = 5; // half the thumb's width: the track's ends leave room for it
    const int left = LabelWidth() + kThumb;
    return QRect(left, height() / 2 - 2, std::max(1, width() - left - kThumb), 4);
}

int PanelSlider::ValueAt(int x) const {
    const QRect t = Track();
    const double f = std::clamp(static_cast<double>(x - t.left()) / std::max(1, t.width() - 1), 0.0, 1.0);
    return m_low + static_cast<int>(f * (m_high - m_low) + 0.5);
}

void PanelSlider::UserSet(int value) {
    value = std::clamp(value, m_low, m_high);
    if (value == m_value) {
        return;
    }
    m_value = value;
    update();
    if (moved) {
        moved(m_value);
    }
}

void PanelSlider::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const int labelWidth = LabelWidth();
    if (labelWidth > 0) {
        DrawLabel(p, font(), m_label, QRect(0, 0, labelWidth - kLabelGap, height()), isEnabled());
    }
    const QRect t = Track();
    p.setPen(Qt::NoPen);
    p.setBrush(kTrack);
    p.drawRoundedRect(t, 2, 2);
    const double f = m_high > m_low ? static_cast<double>(m_value - m_low) / (m_high - m_low) : 0.0;
    const double x = t.left() + f * (t.width() - 1);
    p.setBrush(isEnabled() ? kAccent : kDisabledText);
    p.drawRoundedRect(QRectF(t.left(), t.top(), x - t.left() + 1, t.height()), 2, 2);
    const QRectF thumb(x - 4.5, 2.5, 9, height() - 5);
    PaintFace(p, thumb.toAlignedRect(), false, isEnabled());
    if (hasFocus()) {
        p.setPen(QPen(kAccent, 1));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(thumb.adjusted(-1, -1, 1, 1), 3, 3);
    }
}

void PanelSlider::Track(int value) {
    if (!tracked) {
        UserSet(value);
        return;
    }
    value = std::clamp(value, m_low, m_high);
    if (value != m_value) {
        m_value = value;
        update();
        tracked(m_value);
    }
}

void PanelSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && event->position().x() >= LabelWidth()) {
        m_dragging = true;
        Track(ValueAt(static_cast<int>(event->position().x())));
    }
}

void PanelSlider::mouseMoveEvent(QMouseEvent* event) {
    if ((m_dragging || !tracked) && (event->buttons() & Qt::LeftButton)) {
        Track(ValueAt(static_cast<int>(event->position().x())));
    }
}

void PanelSlider::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_dragging) {
        m_dragging = false;
        // The final position: the owner hears it even when tracking already showed it.
        if (tracked && moved) {
            moved(m_value);
        }
    }
}

void PanelSlider::keyPressEvent(QKeyEvent* event) {
    const int page = std::max(1, (m_high - m_low) / 10);
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Down:
        UserSet(m_value - 1);
        break;
    case Qt::Key_Right:
    case Qt::Key_Up:
        UserSet(m_value + 1);
        break;
    case Qt::Key_PageDown:
        UserSet(m_value - page);
        break;
    case Qt::Key_PageUp:
        UserSet(m_value + page);
        break;
    case Qt::Key_Home:
        UserSet(m_low);
        break;
    case Qt::Key_End:
        UserSet(m_high);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

// --- PanelPopupSlider

PanelPopupSlider::PanelPopupSlider(const QString& caption, QWidget* parent)
    : PanelButton(caption, parent), m_caption(caption) {
    connect(this, &QAbstractButton::clicked, this, [this] { OpenPopup(); });
    Relabel();
}

void PanelPopupSlider::SetCaption(const QString& caption) {
    m_caption = caption;
    Relabel();
}

void PanelPopupSlider::SetRange(int low, int high) {
    m_low = std::min(low, high);
    m_high = std::max(low, high);
    m_value = std::clamp(m_value, m_low, m_high);
    if (m_slider) {
        m_slider->SetRange(m_low, m_high);
    }
    Relabel();
}

void PanelPopupSlider::SetValue(int value) {
    m_value = std::clamp(value, m_low, m_high);
    if (m_slider) {
        m_slider->SetValue(m_value);
    }
    Relabel();
}

void PanelPopupSlider::Relabel() {
    setText(m_caption.isEmpty() ? QString::number(m_value) : m_caption + ": " + QString::number(m_value));
}

PanelSlider* PanelPopupSlider::OpenSlider() const {
    return m_popup && m_popup->isVisible() ? m_slider : nullptr;
}

void PanelPopupSlider::OpenPopup() {
    if (!m_popup) {
        m_popup = new QFrame(this, Qt::Popup);
        m_popup->setFrameShape(QFrame::Box);
        auto* layout = new QHBoxLayout(m_popup);
        layout->setContentsMargins(6, 4, 6, 4);
        m_slider = new PanelSlider(QString(), m_popup);
        layout->addWidget(m_slider);
        m_slider->moved = [this](int value) {
            m_value = value;
            Relabel();
            if (moved) {
                moved(value);
            }
        };
    }
    m_slider->SetRange(m_low, m_high);
    m_slider->SetValue(m_value);
    m_popup->resize(std::max(width(), 180), 28);
    m_popup->move(mapToGlobal(QPoint(0, height())));
    m_popup->show();
    m_slider->setFocus();
}

// --- PanelLabelled

PanelLabelled::PanelLabelled(const QString& label, QWidget* parent) : QWidget(parent), m_label(label) {}

void PanelLabelled::SetLabel(const QString& label) {
    if (label != m_label) {
        m_label = label;
        Place();
        update();
    }
}

void PanelLabelled::SetInner(QWidget* inner) {
    m_inner = inner;
    setFocusProxy(inner);
    Place();
}

int PanelLabelled::LabelWidth() const {
    // The control keeps room for a short value and its arrow; the label takes what it needs of the
    // rest. A rectangle too narrow for both shows the control alone, its label as the tooltip.
    constexpr int kControl = 64;
    const int wanted = m_label.isEmpty() ? 0 : TextWidth(font(), m_label) + kLabelGap + 2;
    const int room = width() - kControl;
    if (wanted == 0 || room < std::min(wanted, 3 * kControl / 2) * 2 / 3) {
        return 0;
    }
    return std::min(wanted, room);
}

void PanelLabelled::Place() {
    setToolTip(LabelWidth() == 0 ? m_label : QString());
    if (m_inner) {
        const int left = LabelWidth();
        m_inner->setGeometry(left, 0, std::max(1, width() - left), height());
    }
}

void PanelLabelled::resizeEvent(QResizeEvent*) {
    Place();
}

void PanelLabelled::paintEvent(QPaintEvent*) {
    const int labelWidth = LabelWidth();
    if (labelWidth == 0) {
        return;
    }
    QPainter p(this);
    DrawLabel(p, font(), m_label, QRect(0, 0, labelWidth - kLabelGap, height()), isEnabled());
}

} // namespace ts
