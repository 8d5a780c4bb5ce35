// The print mode: when it may be entered, what leaving it keeps, the margin check and printing from a
// script into a file.

#include "modes/painting_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace ts::testing {
namespace {

class PrintManagerTest : public PaintingTest {
protected:
    PrintManagerTest() {
        // A letter sheet at 150 dots an inch with 0.25 in unprintable all round: 8 x 10.5 in printable.
        PrinterDescription d;
        d.dpiX = d.dpiY = 150;
        d.physicalWidth = 1275;
        d.physicalHeight = 1650;
        d.offsetX = d.offsetY = 37;
        d.printableWidth = 1200;
        d.printableHeight = 1575;
        workspace->headlessPrinter.SetDescription(d);
    }
    PrintManager& print() { return workspace->printManager; }
    EditBox& Margin() { return *dynamic_cast<EditBox*>(print().Panel().Find(PrintManager::kMarginEdit)); }
    CHuecraftButton& Button(int32_t id) { return *dynamic_cast<CHuecraftButton*>(print().Panel().Find(id)); }
};

TEST_F(PrintManagerTest, EnteredFromTheSelectModeWithALayerOfTheDrawingsOwn) {
    ASSERT_EQ(env().Current(), &workspace->selectManager);
    EXPECT_TRUE(workspace->commands.Enabled(cmd::kPrintManager));
    ASSERT_TRUE(workspace->RunCommand(cmd::kPrintManager));
    EXPECT_EQ(env().Current(), &print());
    EXPECT_EQ(print().GetModeId(), 27);
    EXPECT_EQ(workspace->statusPrompt.Current(), "If the preview looks okay, press Print.");
    // Not again from inside, nor from a painting mode.
    EXPECT_FALSE(workspace->commands.Enabled(cmd::kPrintManager));
    env().ReturnToSelect();
    Gesture("tool SurfacePaintTool");
    EXPECT_FALSE(workspace->commands.Enabled(cmd::kPrintManager));
    env().ReturnToSelect();
    // Without a drawing layer there is nothing to print.
    while (stack().Count() > ImageStackManager::kFirstDrawingLayer) {
        ops().DeleteLayer(stack().Count() - 1, true);
    }
    EXPECT_FALSE(workspace->commands.Enabled(cmd::kPrintManager));
}

TEST_F(PrintManagerTest, LeavingKeepsTheUndoHistoryAndTheSelectedLayer) {
    LayerObject& painted = PaintLayer();
    Paint(painted, 3, 3, 0x000000FF);
    ASSERT_TRUE(ops().NewBlankLayer(BlankLayerSize::kSmall));
    ops().Select(2);
    const int32_t undoable = undo().UndoCount();
    const int32_t layers = stack().Count();
    ASSERT_GT(undoable, 0);
    ASSERT_TRUE(workspace->RunCommand(cmd::kPrintManager));
    // The copy is written on entering and read back on leaving.
    EXPECT_TRUE(std::filesystem::exists(workspace->drawingDocument.TemporaryPath("temp.ts.png")));
    env().ReturnToSelect();
    EXPECT_EQ(undo().UndoCount(), undoable);
    EXPECT_EQ(stack().Count(), layers);
    EXPECT_EQ(stack().Current(), 2);
    EXPECT_EQ(ColorAt(*stack().Layer(3), 3, 3), 0x000000FFu);
}

TEST_F(PrintManagerTest, MarginOverAQuarterOfThePrintableSideIsRefusedAndReset) {
    ASSERT_TRUE(workspace->RunCommand(cmd::kPrintManager));
    Margin().UserEdit("2"); // 300 dots: a quarter of 1200
    Button(PrintManager::kPrintFitButton).UserClick();
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(print().LastResult(), PrintResult::kPrinted);
    EXPECT_EQ(Margin().GetText(), "2");

    Margin().UserEdit("2.01");
    Button(PrintManager::kPrintFitButton).UserClick();
    EXPECT_EQ(ui.LastMessageText(), "Margin is too large.");
    EXPECT_EQ(Margin().GetText(), "0");
    // It printed without a margin: the 600 x 450 drawing, turned upright, at 2 dots a pixel.
    EXPECT_EQ(print().LastResult(), PrintResult::kPrinted);
    EXPECT_EQ(print().Job().FactorX(), 2);
    EXPECT_EQ(print().Job().OffsetX(), (1200 - 900) / 2);
    EXPECT_EQ(workspace->headlessPrinter.Dialogs(), 2);
    EXPECT_EQ(ui.WaitCursorDepth(), 0);
    // The printer set up is the one the settings describe from now on ("Printable Area" follows it).
    EXPECT_EQ(workspace->profile.Get(settings::kPrinterResolutionX), 150);
    EXPECT_EQ(workspace->profile.Get(settings::kPrintableWidth), 1200);
    EXPECT_EQ(workspace->profile.Get(settings::kSubstrateHeight), 1650);
}

TEST_F(PrintManagerTest, ScriptPrintsIntoAFileOnThePagesOwnSheetWithoutTheDialog) {
    Gesture("printer " + m_userData.Path() + "/out.pdf\ncommand Print Manager\npanel Print\n");
    HeadlessPrinter& printer = workspace->headlessPrinter;
    EXPECT_EQ(printer.Dialogs(), 0);
    EXPECT_TRUE(printer.Description().toFile);
    // 8 x 6 in at 300 dots an inch, the drawing at full size: 4 dots a pixel filling it.
    ASSERT_EQ(printer.Page().Width(), 2400);
    ASSERT_EQ(printer.Page().Height(), 1800);
    EXPECT_EQ(print().Job().OffsetX(), 0);
    EXPECT_EQ(print().Job().OffsetY(), 0);
    const Image24 picture = Picture();
    EXPECT_EQ(printer.Page().ColorAt(4 * 123 + 1, 4 * 77 + 3), picture.ColorAt(123, 77));
    // A file is no printer: the stored one stays.
    EXPECT_EQ(workspace->profile.Get(settings::kPrinterResolutionX), 600);
}

} // namespace
} // namespace ts::testing
