#include "ui/mode_panel.h"

#include "interact/env.h"
#include "ui/panel_widgets.h"

#include <QBitmap>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QRegularExpression>
#include <QSignalBlocker>

#include <algorithm>

namespace ts {

namespace {

// The dialog bar's rectangles start below its caption row: panels are placed 30 pixels higher.
constexpr int kTopOffset = 30;

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace

ModePanel::ModePanel(EnvironmentManager& environment, QWidget* parent)
    : QWidget(parent), m_environment(environment) {
    setMinimumSize(700, 40);
    m_environment.SetControlBar(this);
    m_environment.AddObserver(this);
    if (Env* current = m_environment.Current()) {
        Rebuild(*current);
    }
}

ModePanel::~ModePanel() {
    // An edit box that has the focus reports "editing finished" as it goes, which happens after this
    // panel's own members are gone: no box may call back into it any more.
    for (QLineEdit* edit : findChildren<QLineEdit*>()) {
        QObject::disconnect(edit, nullptr, this, nullptr);
    }
    for (const auto& [control, widget] : m_widgets) {
        const_cast<CControl*>(control)->SetView(nullptr);
    }
    m_environment.SetControlBar(nullptr);
}

void ModePanel::OnControlCommand(int32_t id, CControl& from) {
    QWidget* widget = WidgetOf(from);
    if (id != EditBox::kTabCommand || !widget) {
        return;
    }
    QWidget* next = widget->findChild<QLineEdit*>();
    do {
        next = next ? next->nextInFocusChain() : nullptr;
    } while (next && next != widget &&
             !(next->isEnabled() && next->isVisible() && next->focusPolicy() & Qt::TabFocus));
    if (next) {
        next->setFocus(Qt::TabFocusReason);
    }
}

void ModePanel::FocusControl(const CControl& control) {
    QWidget* widget = WidgetOf(control);
    QLineEdit* edit = widget ? widget->findChild<QLineEdit*>() : nullptr;
    if (edit) {
        edit->setFocus(Qt::TabFocusReason);
        edit->selectAll();
    } else if (widget) {
        widget->setFocus(Qt::TabFocusReason);
    }
}

bool ModePanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab && key->modifiers() == Qt::NoModifier) {
            for (const auto& [control, widget] : m_widgets) {
                if (control->Kind() == ControlKind::kEditBox &&
                    widget == static_cast<QWidget*>(watched)->parentWidget()) {
                    static_cast<EditBox*>(const_cast<CControl*>(control))->UserChar('\t');
                    return true;
                }
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ModePanel::ModeEntered(Env& mode) {
    Rebuild(mode);
}

QWidget* ModePanel::WidgetOf(const CControl& control) const {
    const auto it = m_widgets.find(&control);
    return it == m_widgets.end() ? nullptr : it->second;
}

void ModePanel::Rebuild(const Env& mode) {
    for (const auto& [control, widget] : m_widgets) {
        const_cast<CControl*>(control)->SetView(nullptr);
        widget->deleteLater();
    }
    m_widgets.clear();
    // A panel wider than the usual area (the lighting colour's reaches past 900) widens it.
    int right = 700;
    int bottom = 40; // a panel of two rows is taller
    for (const auto& control : mode.Panel().Controls()) {
        right = std::max(right, control->Rectangle().right + 8);
        bottom = std::max(bottom, control->Rectangle().bottom - kTopOffset + 2);
    }
    setMinimumWidth(right);
    setMinimumHeight(bottom);
    updateGeometry();
    for (const auto& control : mode.Panel().Controls()) {
        QWidget* widget = MakeWidget(*control);
        const Rect& r = control->Rectangle();
        widget->setGeometry(r.left, std::max(0, r.top - kTopOffset), r.Width(), std::max(20, r.Height()));
        control->SetView(this);
        m_widgets[control.get()] = widget;
        Sync(*control, widget);
    }
}

QWidget* ModePanel::MakeWidget(CControl& control) {
    auto notify = [this] {
        if (changed) {
            changed();
        }
    };
    switch (control.Kind()) {
    case ControlKind::kButton: {
        if (QWidget* picture = MakePicture(static_cast<CHuecraftButton&>(control))) {
            return picture;
        }
        auto* b = new PanelButton(Q(control.Caption()), this);
        auto& model = static_cast<CHuecraftButton&>(control);
        connect(b, &QAbstractButton::clicked, this, [&model, notify] {
            model.UserClick();
            notify();
        });
        return b;
    }
    case ControlKind::kPopupSlider: {
        auto* s = new PanelPopupSlider(Q(control.Caption()), this);
        auto& model = static_cast<CPopupSlider&>(control);
        s->moved = [&model, notify](int v) {
            model.UserSetValue(v);
            notify();
        };
        return s;
    }
    case ControlKind::kSlider: {
        auto* s = new PanelSlider(Q(control.Caption()), this);
        auto& model = static_cast<SliderCtrl&>(control);
        s->moved = [&model, notify](int v) {
            model.UserSetPos(v);
            notify();
        };
        s->tracked = [&model, notify](int v) {
            model.UserTrack(v);
            notify();
        };
        return s;
    }
    case ControlKind::kCheckBox: {
        auto* c = new PanelCheckBox(Q(control.Caption()), this);
        auto& model = static_cast<CheckBox&>(control);
        connect(c, &QAbstractButton::clicked, this, [&model, notify] {
            model.UserClick();
            notify();
        });
        return c;
    }
    case ControlKind::kComboBox: {
        auto* box = new PanelLabelled(Q(control.Caption()), this);
        auto* c = new QComboBox(box);
        box->SetInner(c);
        auto& model = static_cast<ComboBox&>(control);
        connect(c, &QComboBox::activated, this, [&model, notify](int index) {
            model.UserSelect(index);
            notify();
        });
        return box;
    }
    case ControlKind::kEditBox: {
        auto* box = new PanelLabelled(Q(control.Caption()), this);
        auto* e = new QLineEdit(box);
        box->SetInner(e);
        auto& model = static_cast<EditBox&>(control);
        connect(e, &QLineEdit::textEdited, this, [&model, e](const QString& text) {
            // Characters the box does not take are dropped as they are typed.
            QString kept;
            const std::string& allowed = model.AllowedCharacters();
            for (const QChar ch : text) {
                if (allowed.empty() || allowed.find(static_cast<char>(ch.unicode())) != std::string::npos) {
                    kept += ch;
                }
            }
            if (kept != text) {
                QSignalBlocker block(e);
                e->setText(kept);
            }
            model.UserEdit(kept.toStdString());
        });
        connect(e, &QLineEdit::editingFinished, this, notify);
        e->installEventFilter(this);
        return box;
    }
    }
    return new QWidget(this);
}

QWidget* ModePanel::MakePicture(const CHuecraftButton& button) {
    if (!button.Caption().empty() || button.NormalPicture().empty()) {
        return nullptr;
    }
    // A help picture: shown, scaled into its rectangle, with the parts its mask leaves white cut away.
    const QString path = Q(programFolder + button.NormalPicture());
    QPixmap picture(path);
    if (picture.isNull()) {
        return nullptr;
    }
    QString maskPath = path;
    maskPath.replace(QRegularExpression("\\.bmp$"), "Mask.bmp");
    const QImage mask(maskPath);
    if (maskPath != path && !mask.isNull() && mask.size() == picture.size()) {
        picture.setMask(QBitmap::fromImage(mask.convertToFormat(QImage::Format_Mono)));
    }
    const Rect& r = button.Rectangle();
    auto* label = new QLabel(this);
    label->setPixmap(picture.scaled(r.Width(), r.Height(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    label->setAlignment(Qt::AlignCenter);
    return label;
}

void ModePanel::ControlChanged(CControl& control) {
    if (QWidget* widget = WidgetOf(control)) {
        Sync(control, widget);
    }
}

void ModePanel::Sync(CControl& control, QWidget* widget) {
    QSignalBlocker block(widget);
    widget->setVisible(control.IsVisible());
    widget->setEnabled(control.IsEnabled());
    switch (control.Kind()) {
    case ControlKind::kButton: {
        if (auto* b = dynamic_cast<PanelButton*>(widget)) {
            b->setText(Q(control.Caption()));
            b->SetHeldDown(static_cast<CHuecraftButton&>(control).GetState() == CHuecraftButton::kPressed);
        }
        break;
    }
    case ControlKind::kPopupSlider: {
        auto& model = static_cast<CPopupSlider&>(control);
        auto* s = static_cast<PanelPopupSlider*>(widget);
        s->SetCaption(Q(control.Caption()));
        s->SetRange(model.Low(), model.High());
        s->SetValue(model.GetValue());
        s->SetHeldDown(model.GetState() == CHuecraftButton::kPressed);
        break;
    }
    case ControlKind::kSlider: {
        auto& model = static_cast<SliderCtrl&>(control);
        auto* s = static_cast<PanelSlider*>(widget);
        s->SetLabel(Q(control.Caption()));
        s->SetRange(model.Low(), model.High());
        s->SetValue(model.GetPos());
        break;
    }
    case ControlKind::kCheckBox: {
        auto* c = static_cast<PanelCheckBox*>(widget);
        c->setChecked(static_cast<CheckBox&>(control).GetCheck());
        c->setText(Q(control.Caption()));
        break;
    }
    case ControlKind::kComboBox: {
        auto& model = static_cast<ComboBox&>(control);
        auto* box = static_cast<PanelLabelled*>(widget);
        box->SetLabel(Q(control.Caption()));
        auto* c = static_cast<QComboBox*>(box->Inner());
        QSignalBlocker blockList(c);
        c->clear();
        for (const std::string& item : model.Items()) {
            c->addItem(Q(item));
        }
        c->setCurrentIndex(model.GetCurSel());
        break;
    }
    case ControlKind::kEditBox: {
        auto* box = static_cast<PanelLabelled*>(widget);
        box->SetLabel(Q(control.Caption()));
        auto* e = static_cast<QLineEdit*>(box->Inner());
        QSignalBlocker blockEdit(e);
        e->setText(Q(static_cast<EditBox&>(control).GetText()));
        break;
    }
    }
}

} // namespace ts
