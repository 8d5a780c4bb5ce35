// The gesture script's panel, pointer and answering verbs, on a mode and a tool of the test's own.

#include "document/drawing_test_support.h"
#include "interact/virtual_keys.h"
#include "workspace/gesture_script.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ts {
namespace {

// A mode whose panel holds one control of every kind, and two buttons of the same caption.
class PanelMode final : public EnvEffect {
public:
    bool Activate() override {
        ShowPanel();
        return true;
    }
    bool OnPanelCommand(int32_t id) override {
        commands.push_back(id);
        return true;
    }
    void CreatePanel() override {
        ControlPanel& panel = MutablePanel();
        panel.Add<CHuecraftButton>(nullptr, Rect{}, "Reset &Scale", 201, this);
        replace = &panel.Add<CheckBox>(nullptr, Rect{}, "Replace", 202, this);
        style = &panel.Add<ComboBox>(nullptr, Rect{}, "Style", 203, this);
        for (const char* item : {"Solid", "Dotted", "Dotted Dense", "Dashed"}) {
            style->AddString(item);
        }
        freehand = &panel.Add<SliderCtrl>(nullptr, Rect{}, "Freehand", 204, this);
        freehand->SetRange(0, 7);
        size = &panel.Add<CPopupSlider>(nullptr, Rect{}, "Size", 205, this);
        size->SetRange(1, 31);
        count = &panel.Add<EditBox>(nullptr, Rect{}, "Count", 206, this);
        count->SetAllowedCharacters(EditBox::kIntegerCharacters);
        panel.Add<CHuecraftButton>(nullptr, Rect{}, "All", 207, this);
        panel.Add<CHuecraftButton>(nullptr, Rect{}, "All", 208, this);
    }

    std::vector<int32_t> commands;
    CheckBox* replace = nullptr;
    ComboBox* style = nullptr;
    SliderCtrl* freehand = nullptr;
    CPopupSlider* size = nullptr;
    EditBox* count = nullptr;
};

// A tool that records what the view hands it: "event flags" strings and the keys.
class RecordingTool final : public ScreenTool {
public:
    explicit RecordingTool(ToolContext& context) : ScreenTool(context, 0) {}
    bool OnMouseMove(uint32_t flags, int32_t x, int32_t y) override {
        Note("move", flags);
        return ScreenTool::OnMouseMove(flags, x, y);
    }
    bool OnLButtonDown(uint32_t flags, int32_t x, int32_t y) override {
        Note("down", flags);
        return ScreenTool::OnLButtonDown(flags, x, y);
    }
    bool OnLButtonUp(uint32_t flags, int32_t x, int32_t y) override {
        Note("up", flags);
        return ScreenTool::OnLButtonUp(flags, x, y);
    }
    bool OnDoubleClick(uint32_t flags, int32_t, int32_t) override {
        Note("double", flags);
        return true;
    }
    bool OnKeyDown(uint32_t key, uint32_t, uint32_t flags) override {
        keys.push_back(key | (flags & keys::kShiftFlag) << 8);
        return true;
    }
    void Note(const char* what, uint32_t flags) {
        events.push_back(what + std::string(" ") + std::to_string(flags));
    }

    std::vector<std::string> events;
    std::vector<uint32_t> keys;
};

class GestureScriptVerbs : public testing::DrawingTest {
protected:
    GestureScriptVerbs() : script(*workspace), tool(workspace->toolContext) {
        NewDrawing("4", "3");
        EXPECT_TRUE(script.PrepareView());
    }
    void Run(const std::string& text) {
        std::string error;
        EXPECT_TRUE(script.Run(text, error)) << text << ": " << error;
    }
    std::string Error(const std::string& text) {
        std::string error;
        EXPECT_FALSE(script.Run(text, error)) << text;
        return error;
    }

    GestureScript script;
    PanelMode mode;
    RecordingTool tool;
};

TEST_F(GestureScriptVerbs, PanelFindsControlsByIdOrCaptionAndGivesThemTheirValues) {
    workspace->environmentManager.EnterMode(&mode, "Test", "");
    Run("panel \"Reset Scale\"\n"
        "panel replace   # a comment\n"
        "panel 203 Dotted Dense\n"
        "panel Freehand 5\n"
        "panel Size \"12\"\n"
        "panel Count 1x2\n"
        "panel 208\n");
    EXPECT_EQ(mode.commands, (std::vector<int32_t>{201, 202, 203, 204, 205, 206, 208}));
    EXPECT_TRUE(mode.replace->GetCheck());
    EXPECT_EQ(mode.style->GetSelectedText(), "Dotted Dense");
    EXPECT_EQ(mode.freehand->GetPos(), 5);
    EXPECT_EQ(mode.size->GetValue(), 12);
    EXPECT_EQ(mode.count->GetText(), "12") << "the edit box keeps only what it accepts";

    Run("panel Style \"dashed\"\npanel 204 99\n");
    EXPECT_EQ(mode.style->GetSelectedText(), "Dashed");
    EXPECT_EQ(mode.freehand->GetPos(), 7) << "a slider stops at its end";

    EXPECT_EQ(Error("panel All\n"), "line 1: two controls are captioned 'All': give the id");
    EXPECT_EQ(Error("panel Reset Scale\n"), "line 1: the current mode has no control Reset");
    EXPECT_EQ(Error("panel \"Reset Scale\n"), "line 1: panel needs a control id or caption");
    EXPECT_EQ(Error("panel 203 Wavy\n"), "line 1: control 203 has no item 'Wavy'");
    EXPECT_EQ(Error("panel 203\n"), "line 1: control 203 needs a value");
    EXPECT_EQ(Error("panel Freehand lots\n"), "line 1: control Freehand needs a whole number, not 'lots'");
    EXPECT_EQ(Error("panel Replace on\n"), "line 1: control Replace takes no value");
    EXPECT_EQ(Error("panel\n"), "line 1: panel needs a control id or caption");
}

TEST_F(GestureScriptVerbs, DoubleClicksAndModifiersReachTheToolAsTheWindowSendsThem) {
    workspace->toolSlot.SetTool(tool);
    Run("press 10 10 shift\nmove 20 20 ctrl\nrelease 20 20 shift ctrl\n");
    EXPECT_EQ(tool.events, (std::vector<std::string>{"move 4", "down 5", "move 9", "up 12"}));
    tool.events.clear();
    Run("dblclick 30 30 ctrl\n");
    EXPECT_EQ(tool.events, (std::vector<std::string>{"move 8", "down 9", "up 8", "double 9", "up 8"}));
    EXPECT_EQ(Error("dblclick 30\n"), "line 1: dblclick needs a point X Y in drawing pixels");
    EXPECT_EQ(Error("move 1 1 alt\n"), "line 1: unknown word 'alt'");
}

TEST_F(GestureScriptVerbs, AnswersWaitForTheQuestionsAndTakeTheLineAsItStands) {
    Run("text   two  blanks # and no comment\n"
        "answer No\n"
        "file  /tmp/a plan.ts.png \n"
        "answer yes\n");
    std::string text;
    ASSERT_TRUE(ui.EnterText("Name", "", "", text));
    EXPECT_EQ(text, "  two  blanks # and no comment");
    EXPECT_FALSE(ui.AskYesNo("Combine with next layer down?"));
    EXPECT_TRUE(ui.AskYesNo("Really?"));
    std::string path;
    ASSERT_TRUE(ui.ChooseOpenFile("Open", "", "", path));
    EXPECT_EQ(path, "/tmp/a plan.ts.png");
    EXPECT_EQ(Error("answer maybe\n"), "line 1: answer needs yes or no");
    // The text entry of a command.
    Run("text Hall # 2\ncommand Layer/Name\n");
    EXPECT_EQ(current().name, "Hall # 2");
    EXPECT_EQ(Error("file\n"), "line 1: file needs a path");

    // Typed text goes to the view key by key, capitals with Shift.
    workspace->toolSlot.SetTool(tool);
    Run("type Ab 1.\n");
    const uint32_t shift = keys::kShiftFlag << 8;
    EXPECT_EQ(tool.keys, (std::vector<uint32_t>{'A' | shift, 'B', ' ', '1', 0xBE}));
    EXPECT_EQ(Error("type caf\xc3\xa9\n"), "line 1: no key types '\xc3'");
}

} // namespace
} // namespace ts
