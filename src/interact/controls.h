#pragma once

#include "raster/rect.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace ts {

class Env;
class CControl;

// The window a control lives in (the control bar): it receives the command of a control that has no
// owner, and the edit boxes' Tab command, which moves the focus along its tab order.
class ControlParent {
public:
    virtual ~ControlParent() = default;
    virtual void OnControlCommand(int32_t id, CControl& from) = 0;
};

// The widget that shows a control model; told whenever the model changed (value, caption, enabled,
// visible, items) so that it can draw it again.
class ControlView {
public:
    virtual ~ControlView() = default;
    virtual void ControlChanged(CControl& control) = 0;
};

enum class ControlKind { kButton, kPopupSlider, kCheckBox, kComboBox, kEditBox, kSlider };

// A panel control: identifier, owner (the mode told of the user's changes), caption, rectangle in the
// control bar, enabled and visible flags. The widget side changes the model through the User...
// operations, which notify the owner's OnPanelCommand; the plain setters are programmatic and notify
// no one.
class CControl {
public:
    virtual ~CControl() = default;
    CControl() = default;
    CControl(const CControl&) = delete;
    CControl& operator=(const CControl&) = delete;

    virtual ControlKind Kind() const = 0;

    void Create(ControlParent* parent, const Rect& rect, std::string caption, int32_t id, bool visible);
    void Enable(bool enable = true);
    void Disable() { Enable(false); }
    void Show(bool show);
    void SetOwner(Env* owner) { m_owner = owner; }
    void SetView(ControlView* view) { m_view = view; }
    void SetCaption(std::string caption);

    int32_t GetId() const { return m_id; }
    Env* Owner() const { return m_owner; }
    const std::string& Caption() const { return m_caption; }
    const Rect& Rectangle() const { return m_rect; }
    bool IsEnabled() const { return m_enabled; }
    bool IsVisible() const { return m_visible; }

protected:
    // The user changed the control: its owner hears of it, or, without one, its parent.
    void Notify();
    void Changed();
    ControlParent* Parent() const { return m_parent; }

private:
    ControlParent* m_parent = nullptr;
    Env* m_owner = nullptr;
    ControlView* m_view = nullptr;
    std::string m_caption;
    Rect m_rect;
    int32_t m_id = 0;
    bool m_enabled = true;
    bool m_visible = false;
};

// An owner-drawn push button with a caption or pictures; state 1 is normal, 3 shown pressed.
class CHuecraftButton : public CControl {
public:
    static constexpr int32_t kNormal = 1;
    static constexpr int32_t kPressed = 3;

    ControlKind Kind() const override { return ControlKind::kButton; }
    void SetState(int32_t state);
    int32_t GetState() const { return m_state; }
    // Resource names of the normal and pressed pictures; empty for a caption button.
    void SetPictures(std::string normal, std::string pressed);
    const std::string& NormalPicture() const { return m_normalPicture; }
    const std::string& PressedPicture() const { return m_pressedPicture; }
    // A click of an enabled button.
    void UserClick();

private:
    int32_t m_state = kNormal;
    std::string m_normalPicture;
    std::string m_pressedPicture;
};

// A button that opens a slider in a pop-up window; the slider's value belongs to the button.
class CPopupSlider : public CHuecraftButton {
public:
    ControlKind Kind() const override { return ControlKind::kPopupSlider; }
    void SetRange(int32_t low, int32_t high);
    void SetValue(int32_t value);
    int32_t GetValue() const { return m_value; }
    int32_t Low() const { return m_low; }
    int32_t High() const { return m_high; }
    void UserSetValue(int32_t value);

private:
    int32_t m_low = 0;
    int32_t m_high = 100;
    int32_t m_value = 0;
};

class CheckBox : public CControl {
public:
    ControlKind Kind() const override { return ControlKind::kCheckBox; }
    void SetCheck(bool checked);
    bool GetCheck() const { return m_checked; }
    void UserClick();

private:
    bool m_checked = false;
};

class ComboBox : public CControl {
public:
    ControlKind Kind() const override { return ControlKind::kComboBox; }
    void AddString(std::string item);
    void ResetContent();
    // Selects an item (-1 for none); an index outside the list selects none.
    void SetCurSel(int32_t index);
    int32_t GetCurSel() const { return m_selected; }
    // The selected item's text, empty with none; and its number (as atof reads it, 0 with none).
    std::string GetSelectedText() const;
    double GetSelectedNumber() const;
    const std::vector<std::string>& Items() const { return m_items; }
    void UserSelect(int32_t index);

private:
    std::vector<std::string> m_items;
    int32_t m_selected = -1;
};

// A labelled edit box. Its inner edit filters typed characters: Backspace, LF, FF and CR are handled
// as usual, Tab asks the parent to move the focus on (command 115), and any other character is taken
// only when the allowed set is empty or holds it.
class EditBox : public CControl {
public:
    static constexpr int32_t kTabCommand = 115;
    static constexpr const char* kIntegerCharacters = "0123456789";
    static constexpr const char* kDecimalCharacters = "0123456789.";

    ControlKind Kind() const override { return ControlKind::kEditBox; }
    void SetAllowedCharacters(std::string allowed) { m_allowed = std::move(allowed); }
    const std::string& AllowedCharacters() const { return m_allowed; }
    bool Accepts(char c) const;

    void SetText(std::string text);
    // Five significant digits in the units manager's number format (" 12.000", " 25.4").
    void SetNumber(double value);
    const std::string& GetText() const { return m_text; }

    // A character typed at the end of the text; true when it changed the text.
    bool UserChar(char c);
    // The widget's text after the user edited it; characters the filter refuses are dropped. One
    // notification per change; an unchanged text notifies no one.
    void UserEdit(const std::string& text);

private:
    std::string m_allowed;
    std::string m_text;
};

// A labelled track bar. The user moves it in two ways: tracking (the thumb follows a drag) and the
// final position (the button released, a click on the track, a key step). Both notify the owner;
// while a tracking move is being told IsTracking() is true, so that an owner whose work is costly can
// wait for the final position and let tracking move only the readout.
class SliderCtrl : public CControl {
public:
    ControlKind Kind() const override { return ControlKind::kSlider; }
    void SetRange(int32_t low, int32_t high);
    void SetPos(int32_t position);
    int32_t GetPos() const { return m_position; }
    int32_t Low() const { return m_low; }
    int32_t High() const { return m_high; }
    // The final position; told even when tracking already brought the thumb there.
    void UserSetPos(int32_t position);
    // A tracking move; unchanged positions tell no one.
    void UserTrack(int32_t position);
    bool IsTracking() const { return m_tracking; }

private:
    int32_t m_low = 0;
    int32_t m_high = 100;
    int32_t m_position = 0;
    bool m_tracking = false;
    bool m_finalPending = false; // tracking moved it since the last final position
};

// The controls of one mode's panel, in creation order.
class ControlPanel {
public:
    template <class Control>
    Control& Add(ControlParent* parent, const Rect& rect, std::string caption, int32_t id, Env* owner,
                 bool visible = true) {
        auto control = std::make_unique<Control>();
        Control& c = *control;
        c.Create(parent, rect, std::move(caption), id, visible);
        c.SetOwner(owner);
        m_controls.push_back(std::move(control));
        return c;
    }
    void ShowAll(bool show);
    // The control with this identifier, or null.
    CControl* Find(int32_t id) const;
    const std::vector<std::unique_ptr<CControl>>& Controls() const { return m_controls; }
    bool IsEmpty() const { return m_controls.empty(); }

private:
    std::vector<std::unique_ptr<CControl>> m_controls;
};

} // namespace ts
