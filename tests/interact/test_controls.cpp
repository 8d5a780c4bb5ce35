// The panel control models: who hears of a change, and the edit box's character filter.

#include "interact/controls.h"
#include "interact/env.h"

#include <gtest/gtest.h>

#include <vector>

namespace ts {
namespace {

class RecordingMode final : public EnvEffect {
public:
    bool OnPanelCommand(int32_t id) override {
        ids.push_back(id);
        return true;
    }
    std::vector<int32_t> ids;
};

class RecordingBar final : public ControlParent {
public:
    void OnControlCommand(int32_t id, CControl& /*from*/) override { ids.push_back(id); }
    std::vector<int32_t> ids;
};

class Controls : public ::testing::Test {
protected:
    template <class C> C& Add(int32_t id, Env* owner) {
        return panel.Add<C>(&bar, Rect{0, 0, 100, 20}, "Caption", id, owner);
    }
    RecordingMode mode;
    RecordingBar bar;
    ControlPanel panel;
};

TEST_F(Controls, UserChangesNotifyTheOwnerOnceAndProgrammaticChangesNoOne) {
    auto& check = Add<CheckBox>(1, &mode);
    auto& combo = Add<ComboBox>(2, &mode);
    auto& slider = Add<SliderCtrl>(3, &mode);
    auto& popup = Add<CPopupSlider>(4, &mode);
    check.SetCheck(true);
    combo.AddString("12.5 mm");
    combo.AddString("3");
    combo.SetCurSel(1);
    slider.SetRange(0, 10);
    slider.SetPos(20);
    popup.SetValue(7);
    EXPECT_TRUE(mode.ids.empty());
    EXPECT_EQ(slider.GetPos(), 10) << "clamped to the range";

    check.UserClick();
    combo.UserSelect(0);
    combo.UserSelect(5);   // no such item: nothing happens
    slider.UserSetPos(10); // unchanged: no notice
    slider.UserSetPos(4);
    popup.UserSetValue(8);
    EXPECT_EQ(mode.ids, (std::vector<int32_t>{1, 2, 3, 4}));
    EXPECT_FALSE(check.GetCheck());
    EXPECT_EQ(combo.GetSelectedText(), "12.5 mm");
    EXPECT_DOUBLE_EQ(combo.GetSelectedNumber(), 12.5);
    combo.SetCurSel(9);
    EXPECT_EQ(combo.GetCurSel(), -1);
    EXPECT_EQ(combo.GetSelectedText(), "");

    check.Disable();
    check.UserClick();
    EXPECT_EQ(mode.ids.size(), 4u) << "a disabled control takes no clicks";
}

// A mode that notes whether each slider notice was a tracking move.
class TrackingMode final : public EnvEffect {
public:
    bool OnPanelCommand(int32_t id) override {
        tracking.push_back(slider && slider->IsTracking());
        positions.push_back(slider ? slider->GetPos() : -1);
        return id != 0;
    }
    SliderCtrl* slider = nullptr;
    std::vector<bool> tracking;
    std::vector<int32_t> positions;
};

TEST_F(Controls, SliderTellsTrackingFromTheFinalPosition) {
    TrackingMode owner;
    auto& slider = Add<SliderCtrl>(5, &owner);
    owner.slider = &slider;
    slider.SetRange(0, 100);
    slider.SetPos(50);
    slider.UserTrack(60);
    slider.UserTrack(60); // unchanged: no notice
    slider.UserTrack(70);
    EXPECT_EQ(slider.GetPos(), 70); // the readout follows the drag
    // Released where tracking left it: still the final position, once.
    slider.UserSetPos(70);
    slider.UserSetPos(70);
    // A key step or a track click without a drag.
    slider.UserSetPos(71);
    EXPECT_EQ(owner.tracking, (std::vector<bool>{true, true, false, false}));
    EXPECT_EQ(owner.positions, (std::vector<int32_t>{60, 70, 70, 71}));
    EXPECT_FALSE(slider.IsTracking());
}

TEST_F(Controls, AControlWithoutOwnerSendsItsCommandToTheBar) {
    auto& button = Add<CHuecraftButton>(33524, nullptr);
    button.UserClick();
    EXPECT_EQ(bar.ids, (std::vector<int32_t>{33524}));
    EXPECT_EQ(panel.Find(33524), &button);
    EXPECT_EQ(panel.Find(1), nullptr);
}

TEST_F(Controls, EditBoxFiltersTypedCharactersAndPassesTabToThePanel) {
    auto& edit = Add<EditBox>(7, &mode);
    edit.SetAllowedCharacters(EditBox::kDecimalCharacters);
    edit.SetText("1");
    EXPECT_TRUE(mode.ids.empty()) << "setting the text is not an edit";

    EXPECT_FALSE(edit.UserChar('a'));
    EXPECT_EQ(edit.GetText(), "1");
    EXPECT_TRUE(edit.UserChar('.'));
    EXPECT_TRUE(edit.UserChar('5'));
    EXPECT_EQ(edit.GetText(), "1.5");
    EXPECT_TRUE(edit.UserChar('\b'));
    EXPECT_EQ(edit.GetText(), "1.");
    EXPECT_EQ(mode.ids.size(), 3u) << "one notice per change";

    EXPECT_FALSE(edit.UserChar('\t'));
    EXPECT_EQ(bar.ids, (std::vector<int32_t>{EditBox::kTabCommand}));
    EXPECT_EQ(edit.GetText(), "1.");

    // A pasted text keeps only what the filter allows; the same text again is no change.
    edit.UserEdit("2x.7");
    EXPECT_EQ(edit.GetText(), "2.7");
    edit.UserEdit("2.7");
    EXPECT_EQ(mode.ids.size(), 4u);

    edit.SetAllowedCharacters("");
    EXPECT_TRUE(edit.UserChar('m')) << "an empty allowed set takes anything";
    // Numbers read as the units manager writes them, without calling the mode.
    const size_t notices = mode.ids.size();
    edit.SetNumber(3.14159265);
    EXPECT_EQ(edit.GetText(), " 3.1416");
    edit.SetNumber(12);
    EXPECT_EQ(edit.GetText(), " 12.000");
    EXPECT_EQ(mode.ids.size(), notices);
}

} // namespace
} // namespace ts
