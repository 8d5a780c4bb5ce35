#include "platform/headless_user_interface.h"
#include "platform/user_interface.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <cerrno>

namespace ts {
namespace {

TEST(FileErrorText, NamesTheFileThenTheTextOfTheCause) {
    EXPECT_EQ(FileErrorText(0, "/d/a.pal"), "/d/a.pal\nNo error occurred.");
    EXPECT_EQ(FileErrorText(11, "/d/a.pal"),
              "/d/a.pal\nSHARE.EXE was not loaded, or a shared region was locked.");
    EXPECT_EQ(FileErrorText(FileErrorCause::EndOfFile, "/d/a.pal"), "/d/a.pal\n");
    EXPECT_EQ(FileErrorText(-1, "x"), "x\n");

    HeadlessUserInterface ui;
    ShowFileError(ui, FileErrorCauseFromErrno(ENOENT), "/d/gone.pal");
    ShowFileError(ui, FileErrorCauseFromErrno(ENOSPC), "/d/big.ts.png");
    ASSERT_EQ(ui.Messages().size(), 2u);
    EXPECT_EQ(ui.Messages()[0].text, "/d/gone.pal\nThe file could not be located.");
    EXPECT_EQ(ui.Messages()[0].caption, "Tintsmith Error");
    EXPECT_EQ(ui.Messages()[1].text, "/d/big.ts.png\nThe disk is full.");

    EXPECT_EQ(ZlibErrorText(Z_DATA_ERROR), "Z_DATA_ERROR.");
    EXPECT_EQ(ZlibErrorText(Z_VERSION_ERROR), "Z_VERSION_ERROR.");
    EXPECT_EQ(ZlibErrorText(Z_OK), "");
}

TEST(ParseFileFilters, SplitsDescriptionsAndPatterns) {
    const std::vector<FileFilter> filters = ParseFileFilters(
        "Tintsmith file: (*.ts.png)|*.ts.png|Image File (*.jpg;*.png;*.bmp)|*.jpg; *.png;*.bmp||");
    ASSERT_EQ(filters.size(), 2u);
    EXPECT_EQ(filters[0].description, "Tintsmith file: (*.ts.png)");
    EXPECT_EQ(filters[0].patterns, std::vector<std::string>{"*.ts.png"});
    EXPECT_EQ(filters[1].patterns, (std::vector<std::string>{"*.jpg", "*.png", "*.bmp"}));
    EXPECT_TRUE(ParseFileFilters("").empty());
    EXPECT_TRUE(ParseFileFilters("Dangling description").empty());
    EXPECT_EQ(ParseFileFilters("A|*.a|B|").size(), 1u);
}

TEST(HeadlessUserInterface, OkBoxesLeaveQueuedAnswersForTheQuestions) {
    HeadlessUserInterface ui;
    ui.QueueAnswer(Answer::No);
    ui.QueueAnswer(Answer::Cancel);
    ui.ShowMessage("Can't go further back. ");
    EXPECT_FALSE(ui.AskYesNo("Delete the layer?"));
    EXPECT_EQ(ui.AskYesNoCancel("Save changes?"), Answer::Cancel);
    // Queue empty: questions are answered Yes, or as the test sets.
    EXPECT_TRUE(ui.AskYesNo("Again?"));
    ui.SetDefaultAnswer(Answer::Cancel);
    EXPECT_FALSE(ui.AskYesNo("Again?"));
    EXPECT_EQ(ui.MessageBox("Go on?", "", MessageIcon::None, MessageButtons::OkCancel), Answer::Cancel);

    ASSERT_EQ(ui.Messages().size(), 6u);
    EXPECT_EQ(ui.Messages()[0].text, "Can't go further back. ");
    EXPECT_EQ(ui.Messages()[0].caption, "");
    EXPECT_EQ(ui.Messages()[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(ui.Messages()[1].icon, MessageIcon::Question);
    EXPECT_EQ(ui.Messages()[1].answer, Answer::No);
    EXPECT_EQ(ui.LastMessageText(), "Go on?");

    // An answer the box does not offer is read as its counterpart.
    ui.QueueAnswer(Answer::Yes);
    ui.QueueAnswer(Answer::Ok);
    EXPECT_EQ(ui.MessageBox("?", "", MessageIcon::None, MessageButtons::OkCancel), Answer::Ok);
    EXPECT_EQ(ui.AskYesNoCancel("?"), Answer::Yes);
    EXPECT_EQ(ui.PendingAnswers(), 0u);
}

TEST(HeadlessUserInterface, DialogsAnswerFromTheirQueuesAndCancelWhenEmpty) {
    HeadlessUserInterface ui;
    ui.QueueText("Kitchen");
    ui.QueueTextCancel();
    std::string text = "unchanged";
    EXPECT_TRUE(ui.EnterText("Layer name", "", "Blank Layer", text));
    EXPECT_EQ(text, "Kitchen");
    EXPECT_FALSE(ui.EnterText("Layer name", "", "Blank Layer", text));
    EXPECT_FALSE(ui.EnterText("Layer name", "", "Blank Layer", text));
    EXPECT_EQ(text, "Kitchen");

    ui.QueueFile("/d/in.png");
    ui.QueueFileCancel();
    std::string path;
    EXPECT_TRUE(ui.ChooseOpenFile("Select Image File", "/d", "PNG (*.png)|*.png||", path));
    EXPECT_EQ(path, "/d/in.png");
    EXPECT_FALSE(ui.ChooseSaveFile("Save Drawing", "/d", "Untitled-1.ts.png", "", path));
    EXPECT_FALSE(ui.ChooseSaveFile("Save Drawing", "/d", "Untitled-1.ts.png", "", path));
    ASSERT_EQ(ui.FileDialogs().size(), 3u);
    EXPECT_EQ(ui.FileDialogs()[1].request.fileName, "Untitled-1.ts.png");
}

TEST(HeadlessUserInterface, WaitCursorNestsAndIgnoresUnmatchedEnds) {
    HeadlessUserInterface ui;
    ui.EndWaitCursor();
    EXPECT_EQ(ui.WaitCursorDepth(), 0);
    {
        WaitCursor outer(ui);
        ui.BeginWaitCursor();
        EXPECT_TRUE(ui.WaitCursorShown());
        ui.EndWaitCursor();
        EXPECT_TRUE(ui.WaitCursorShown());
    }
    EXPECT_FALSE(ui.WaitCursorShown());
    EXPECT_EQ(ui.WaitCursorShows(), 1);
    EXPECT_EQ(ui.WaitCursorDepth(), 0);
}

} // namespace
} // namespace ts
