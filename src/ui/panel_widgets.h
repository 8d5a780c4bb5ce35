#pragma once

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QWidget>

#include <functional>

class QFrame;

namespace ts {

// The control bar's own widgets: drawn by hand in one flat style (raised when normal, sunk and darker
// when pressed, greyed when disabled), captions in a font that shrinks to fit the control's rectangle,
// labels before the control. One class per control model; user changes are passed on through plain
// callbacks, changes made in code come in through the setters without calling back.

// The font of a panel control whose caption must fit the given width.
QFont FittedFont(const QFont& base, const QString& text, int width);

// A push button; shown pressed while it is down or its model holds it pressed.
class PanelButton : public QAbstractButton {
public:
    explicit PanelButton(const QString& caption, QWidget* parent);
    void SetHeldDown(bool held);
    bool HeldDown() const { return m_held; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_held = false;
};

// A check box: the box, then its caption.
class PanelCheckBox : public QAbstractButton {
public:
    explicit PanelCheckBox(const QString& caption, QWidget* parent);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A track bar with its label before it. Dragging, clicking on the track, the arrow keys, Page Up,
// Page Down, Home and End move it. A drag calls `tracked` while the thumb follows the pointer and
// `moved` with the final position when the button is released; clicks and keys call `moved` alone.
// Without `tracked`, every change calls `moved`.
class PanelSlider : public QWidget {
public:
    PanelSlider(const QString& label, QWidget* parent);
    void SetLabel(const QString& label);
    void SetRange(int low, int high);
    void SetValue(int value);
    int Value() const { return m_value; }
    int Low() const { return m_low; }
    int High() const { return m_high; }
    // The track's extent in widget pixels.
    QRect Track() const;
    std::function<void(int)> moved;
    std::function<void(int)> tracked;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    int LabelWidth() const;
    int ValueAt(int x) const;
    void UserSet(int value);
    void Track(int value);

    QString m_label;
    bool m_dragging = false;
    int m_low = 0;
    int m_high = 100;
    int m_value = 0;
};

// A button that shows its caption and value and opens a slider under itself while clicked.
class PanelPopupSlider : public PanelButton {
public:
    PanelPopupSlider(const QString& caption, QWidget* parent);
    void SetCaption(const QString& caption);
    void SetRange(int low, int high);
    void SetValue(int value);
    int Value() const { return m_value; }
    // The pop-up while it is open, else null.
    PanelSlider* OpenSlider() const;
    void OpenPopup();
    std::function<void(int)> moved;

private:
    void Relabel();

    QString m_caption;
    int m_low = 0;
    int m_high = 100;
    int m_value = 0;
    QFrame* m_popup = nullptr;
    PanelSlider* m_slider = nullptr;
};

// A control (an edit box, a drop-down list) with its label before it; the label takes what it needs
// of the rectangle, at most two fifths, and the control the rest.
class PanelLabelled : public QWidget {
public:
    PanelLabelled(const QString& label, QWidget* parent);
    void SetLabel(const QString& label);
    // Places the control this widget labels (a child of it).
    void SetInner(QWidget* inner);
    QWidget* Inner() const { return m_inner; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int LabelWidth() const;
    void Place();

    QString m_label;
    QWidget* m_inner = nullptr;
};

} // namespace ts
