#include "ui/color_picker.h"

#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>

namespace ts {

namespace {

using Field = ColorPickerModel::Field;

constexpr std::array<Field, 6> kFields{Field::kRed, Field::kGreen,      Field::kBlue,
                                       Field::kHue, Field::kSaturation, Field::kBrightness};
constexpr std::array<const char*, 6> kLabels{"Red:", "Green:", "Blue:", "Hue:", "Sat:", "Bright:"};

// Beside the strip: the RGB fields above the chip, the HSB fields below it, OK and Cancel at the foot.
constexpr int kLabelLeft = 562;
constexpr int kEditLeft = 620;
constexpr int kEditWidth = 50;
constexpr int kRowHeight = 24;
constexpr int kRowStep = 32;
constexpr int kRgbTop = 40;
constexpr int kHsbTop = 280;
constexpr int kDialogWidth = 690;
constexpr int kDialogHeight = 500;

QRgb ToQRgb(uint32_t color) {
    return qRgb(static_cast<int>(ColorRed(color)), static_cast<int>(ColorGreen(color)),
                static_cast<int>(ColorBlue(color)));
}

QRect ToQRect(const Rect& r) {
    return QRect(r.left, r.top, r.Width(), r.Height());
}

} // namespace

void CHSMarker::Draw(QPainter& painter) const {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(Qt::black, 0));
    if (m_mix == Mix::kNotXor) {
        painter.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
    }
    // As a pen drawn from 10 towards 4 pixels off the centre: the end point is left out.
    const int x = m_centre.x();
    const int y = m_centre.y();
    painter.drawLine(x - 10, y, x - 5, y);
    painter.drawLine(x + 5, y, x + 10, y);
    painter.drawLine(x, y - 10, x, y - 5);
    painter.drawLine(x, y + 5, x, y + 10);
    painter.restore();
}

void CPickPanel::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    // Qt keeps sending moves to a widget while its button is held, wherever the pointer goes.
    m_dragging = true;
    Pick(event->position().toPoint());
    update();
    if (picked) {
        picked(false);
    }
}

void CPickPanel::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragging || !(event->buttons() & Qt::LeftButton)) {
        return;
    }
    Pick(event->position().toPoint());
    update();
    if (picked) {
        picked(false);
    }
}

void CPickPanel::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_dragging || event->button() != Qt::LeftButton) {
        return;
    }
    m_dragging = false;
    Pick(event->position().toPoint());
    update();
    if (picked) {
        picked(true);
    }
}

CHSPanel::CHSPanel(ColorPickerModel& model, QWidget* parent) : CPickPanel(model, parent) {
    setFixedSize(ColorPickerModel::kFieldRect.Width(), ColorPickerModel::kFieldRect.Height());
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::CrossCursor);
}

const QImage& CHSPanel::FieldImage() {
    static const QImage image = [] {
        const int w = ColorPickerModel::kFieldRect.Width();
        const int h = ColorPickerModel::kFieldRect.Height();
        QImage field(w, h, QImage::Format_RGB32);
        for (int y = 0; y < h; y += 2) {
            auto* upper = reinterpret_cast<QRgb*>(field.scanLine(y));
            auto* lower = reinterpret_cast<QRgb*>(field.scanLine(y + 1));
            for (int x = 0; x < w; x += 2) {
                const QRgb c = ToQRgb(ColorPickerModel::FieldColorAt(x, y));
                upper[x] = upper[x + 1] = lower[x] = lower[x + 1] = c;
            }
        }
        return field;
    }();
    return image;
}

void CHSPanel::Pick(QPoint at) {
    m_model.PickHueSaturation(at.x(), at.y());
}

void CHSPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, FieldImage());
    m_marker.MoveTo(QPoint(m_model.FieldMarkerX(), m_model.FieldMarkerY()));
    m_marker.SetMix(CHSMarker::Mix::kCopy);
    m_marker.Draw(painter);
}

CBrightPanel::CBrightPanel(ColorPickerModel& model, QWidget* parent) : CPickPanel(model, parent) {
    setFixedSize(ColorPickerModel::kStripRect.Width(), ColorPickerModel::kStripRect.Height());
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::CrossCursor);
}

void CBrightPanel::Pick(QPoint at) {
    m_model.PickBrightness(at.y());
}

QImage CBrightPanel::Render() {
    const int w = ColorPickerModel::kStripRect.Width();
    const int h = ColorPickerModel::kStripRect.Height();
    QImage strip(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; y += 2) {
        const QRgb c = ToQRgb(m_model.StripColorAt(y));
        for (int row = y; row < y + 2 && row < h; ++row) {
            auto* line = reinterpret_cast<QRgb*>(strip.scanLine(row));
            std::fill(line, line + w, c);
        }
    }
    m_marker.MoveTo(QPoint(ColorPickerModel::kStripMarkerX, m_model.StripMarkerY()));
    m_marker.SetMix(m_model.StripMarkerInverts() ? CHSMarker::Mix::kNotXor : CHSMarker::Mix::kCopy);
    QPainter painter(&strip);
    m_marker.Draw(painter);
    return strip;
}

void CBrightPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, Render());
}

CColorChip::CColorChip(const ColorPickerModel& model, QWidget* parent) : QWidget(parent), m_model(model) {
    setFixedSize(ColorPickerModel::kChipRect.Width(), ColorPickerModel::kChipRect.Height());
}

void CColorChip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(ToQRgb(m_model.Color())));
    painter.setPen(QPen(Qt::black, 0));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

CColorPicker::CColorPicker(uint32_t color, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Color Picker"));
    setModal(true);
    setFixedSize(kDialogWidth, kDialogHeight);
    m_model.SetColor(color);

    m_field = new CHSPanel(m_model, this);
    m_field->move(ToQRect(ColorPickerModel::kFieldRect).topLeft());
    m_strip = new CBrightPanel(m_model, this);
    m_strip->move(ToQRect(ColorPickerModel::kStripRect).topLeft());
    m_chip = new CColorChip(m_model, this);
    m_chip->move(ToQRect(ColorPickerModel::kChipRect).topLeft());
    // A new hue or saturation recolours the strip; the dialog's numbers follow every pick.
    m_field->picked = [this](bool) {
        m_strip->update();
        ShowModel();
    };
    m_strip->picked = [this](bool) {
        m_field->update();
        ShowModel();
    };

    MakeFields();

    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setGeometry(kLabelLeft, kDialogHeight - 80, 110, 26);
    m_ok->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setGeometry(kLabelLeft, kDialogHeight - 44, 110, 26);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    ShowModel();
}

void CColorPicker::MakeFields() {
    // Digits, with a minus sign in front so that a value below the range can be typed and corrected.
    auto* validator = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?[0-9]*")), this);
    for (int i = 0; i < kFieldCount; ++i) {
        const Field field = kFields[static_cast<size_t>(i)];
        const int top = (i < 3 ? kRgbTop : kHsbTop) + (i % 3) * kRowStep;
        auto* label = new QLabel(QString::fromLatin1(kLabels[static_cast<size_t>(i)]), this);
        label->setGeometry(kLabelLeft, top, kEditLeft - kLabelLeft - 4, kRowHeight);
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::number(ColorPickerModel::IdOf(field)));
        edit->setGeometry(kEditLeft, top, kEditWidth, kRowHeight);
        edit->setValidator(validator);
        edit->setMaxLength(9);
        label->setBuddy(edit);
        connect(edit, &QLineEdit::textEdited, this,
                [this, field](const QString& text) { Typed(field, text); });
        // Leaving a field that was left empty shows its value again.
        connect(edit, &QLineEdit::editingFinished, this, [this] { ShowModel(); });
        m_edits[static_cast<size_t>(i)] = edit;
    }
}

QLineEdit* CColorPicker::FieldEdit(Field field) const {
    return m_edits[static_cast<size_t>(field)];
}

void CColorPicker::Typed(Field field, const QString& text) {
    int32_t kept = 0;
    if (!m_model.TypeText(field, text.toStdString(), kept)) {
        return;
    }
    // A value outside the range is replaced in the field itself.
    bool ok = false;
    if (text.toLongLong(&ok) != kept || !ok) {
        QLineEdit* edit = FieldEdit(field);
        QSignalBlocker block(edit);
        edit->setText(QString::number(kept));
    }
    ShowModel(static_cast<int>(field));
}

void CColorPicker::ShowModel(int skipField) {
    for (int i = 0; i < kFieldCount; ++i) {
        if (i == skipField) {
            continue;
        }
        QLineEdit* edit = m_edits[static_cast<size_t>(i)];
        const QString text = QString::number(m_model.Value(kFields[static_cast<size_t>(i)]));
        if (edit->text() != text) {
            QSignalBlocker block(edit);
            edit->setText(text);
        }
    }
    m_field->update();
    m_strip->update();
    m_chip->update();
}

bool CColorPicker::Choose(QWidget* parent, uint32_t& color) {
    CColorPicker picker(color, parent);
    if (picker.exec() != QDialog::Accepted) {
        return false;
    }
    color = picker.Color();
    return true;
}

} // namespace ts
