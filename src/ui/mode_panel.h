#pragma once

#include "interact/controls.h"
#include "interact/environment_manager.h"

#include <QWidget>

#include <functional>
#include <map>
#include <string>

namespace ts {

// The control bar's panel area: one widget per control model of the current mode's panel, placed at
// the model's rectangle. User changes go to the model, which tells its mode; changes made in code come
// back through the model's view.
class ModePanel final : public QWidget, public ControlParent, public ControlView, public EnvironmentObserver {
public:
    ModePanel(EnvironmentManager& environment, QWidget* parent);
    ~ModePanel() override;

    // Called after a control changed the drawing, so the frame updates its indicators.
    std::function<void()> changed;

    // ControlParent: a command of a control without an owner; an edit box's Tab moves the focus on
    // along the widgets' chain, as Qt would.
    void OnControlCommand(int32_t id, CControl& from) override;
    // Gives the keyboard to a control's widget, its whole text selected (the Tab order of a panel that
    // keeps its own).
    void FocusControl(const CControl& control);
    // ControlView: a model changed in code.
    void ControlChanged(CControl& control) override;
    // EnvironmentObserver: a new mode shows its panel.
    void ModeEntered(Env& mode) override;

    QSize sizeHint() const override { return {700, 64}; }
    // Where the panels' pictures are found (the program folder, ending in '/').
    std::string programFolder;
    // The widget that shows a control model, or null.
    QWidget* WidgetOf(const CControl& control) const;

protected:
    // Tab in an edit box goes to its model, which asks its parent where the focus goes next.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Rebuild(const Env& mode);
    QWidget* MakeWidget(CControl& control);
    // A button of a picture and no caption is shown as the picture; null for other buttons or when the
    // picture cannot be read.
    QWidget* MakePicture(const CHuecraftButton& button);
    void Sync(CControl& control, QWidget* widget);

    EnvironmentManager& m_environment;
    std::map<const CControl*, QWidget*> m_widgets;
};

} // namespace ts
