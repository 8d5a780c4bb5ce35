#pragma once

#include "palette/color_picker_model.h"

#include <QDialog>
#include <QImage>
#include <QPoint>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>

class QLineEdit;
class QPainter;
class QPushButton;

namespace ts {

// The cross-hair shown on the field and on the strip: four black arms from 10 to 5 pixels off the
// centre, leaving the middle free. Copy mode draws them black; the not-xor mix inverts what they cover
// instead, for where black would vanish.
class CHSMarker {
public:
    enum class Mix { kCopy, kNotXor };

    void MoveTo(QPoint centre) { m_centre = centre; }
    void SetMix(Mix mix) { m_mix = mix; }
    // The not-xor mix needs a raster target (an image), where it is exact.
    void Draw(QPainter& painter) const;

private:
    QPoint m_centre;
    Mix m_mix = Mix::kCopy;
};

// Base of the two picking surfaces: a press captures the mouse, every move while pressed picks again,
// and the release picks once more and lets the dialog know the drag ended.
class CPickPanel : public QWidget {
public:
    CPickPanel(ColorPickerModel& model, QWidget* parent) : QWidget(parent), m_model(model) {}

    // Told after every pick; released is true for the button-up that ends a drag.
    std::function<void(bool released)> picked;
    bool IsDragging() const { return m_dragging; }

protected:
    virtual void Pick(QPoint at) = 0;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

    ColorPickerModel& m_model;
    CHSMarker m_marker;

private:
    bool m_dragging = false;
};

// The hue/saturation field: hue 0..240 left to right, saturation 240 at the top to 0 at the bottom, at
// lightness 120, in cells of 2 x 2 pixels.
class CHSPanel final : public CPickPanel {
public:
    CHSPanel(ColorPickerModel& model, QWidget* parent);
    // The field's picture, made once.
    static const QImage& FieldImage();

protected:
    void Pick(QPoint at) override;
    void paintEvent(QPaintEvent* event) override;
};

// The brightness strip: the current hue and saturation from brightness 240 at the top down to 0, in
// row pairs.
class CBrightPanel final : public CPickPanel {
public:
    CBrightPanel(ColorPickerModel& model, QWidget* parent);
    // The strip with its marker, as it is painted.
    QImage Render();

protected:
    void Pick(QPoint at) override;
    void paintEvent(QPaintEvent* event) override;
};

// The chosen colour, shown as a framed swatch.
class CColorChip final : public QWidget {
public:
    CColorChip(const ColorPickerModel& model, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const ColorPickerModel& m_model;
};

// The modal colour picker: the field, the strip, the chip and six number fields (R, G, B 0..255 and
// H, S, B 0..240) showing one colour; OK hands the colour back. The fields carry the template's
// identifiers as their object names ("1583" is red).
class CColorPicker final : public QDialog {
public:
    explicit CColorPicker(uint32_t color, QWidget* parent = nullptr);

    uint32_t Color() const { return m_model.Color(); }
    const ColorPickerModel& Model() const { return m_model; }
    QLineEdit* FieldEdit(ColorPickerModel::Field field) const;
    CHSPanel* HSPanel() const { return m_field; }
    CBrightPanel* BrightPanel() const { return m_strip; }
    CColorChip* Chip() const { return m_chip; }
    QPushButton* OkButton() const { return m_ok; }
    QPushButton* CancelButton() const { return m_cancel; }

    // Opens the picker on color; true with the chosen colour in color on OK. The application installs
    // this as the user interface's way to ask for a colour.
    static bool Choose(QWidget* parent, uint32_t& color);

private:
    static constexpr int kFieldCount = 6;

    void MakeFields();
    void Typed(ColorPickerModel::Field field, const QString& text);
    // Shows the model everywhere; the field being typed into is left alone.
    void ShowModel(int skipField = -1);

    ColorPickerModel m_model;
    CHSPanel* m_field = nullptr;
    CBrightPanel* m_strip = nullptr;
    CColorChip* m_chip = nullptr;
    std::array<QLineEdit*, kFieldCount> m_edits{};
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace ts
