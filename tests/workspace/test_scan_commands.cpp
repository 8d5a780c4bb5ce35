// Scanning from the control bar's drop-downs and the RoviDivod's mode: what a scan adds, what a
// cancelled or failed one leaves alone, the scan verb of scripts, and Align.

#include "document/drawing_test_support.h"
#include "workspace/gesture_script.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace ts {
namespace {

class ScanCommands : public testing::DrawingTest {
protected:
    ScanCommands() {
        NewDrawing("4", "3");
        settings.WriteInt("Settings", "Resolution", 300);
    }
    HeadlessScanner& scanner() { return workspace->headlessScanner; }
    static Image24 Picture(int32_t w, int32_t h, uint32_t color = 0x00FFFFFF) {
        Image24 image;
        image.Create(w, h);
        for (int32_t y = 0; y < h; ++y) {
            for (int32_t x = 0; x < w; ++x) {
                image.SetColor(x, y, color);
            }
        }
        return image;
    }
    bool Script(const std::string& text) {
        GestureScript script(*workspace);
        std::string error;
        const bool ok = script.Run(text, error);
        EXPECT_TRUE(ok) << error;
        return ok;
    }
    std::vector<std::string> Names() {
        std::vector<std::string> names;
        for (int32_t i = 0; i < stack().Count(); ++i) {
            names.push_back(stack().Layer(i)->name);
        }
        return names;
    }
};

TEST_F(ScanCommands, EachAcquisitionAsksForItsSettingsAndImportsTheScanAsItsKind) {
    scanner().QueueImage(Picture(120, 90, 0x00336699));
    ASSERT_TRUE(workspace->RunCommand(cmd::kImportPhoto + cmd::kAcquire300Color));
    ASSERT_EQ(scanner().Requests().size(), 1u);
    EXPECT_EQ(scanner().Requests()[0].resolution, 300);
    EXPECT_EQ(scanner().Requests()[0].mode, ScanMode::kColor);
    EXPECT_EQ(current().name, "Scanned Image");
    ASSERT_TRUE(current().image);
    EXPECT_EQ(current().image->Width(), 120);
    EXPECT_EQ(current().image->pixels.ColorAt(5, 5), 0x00336699u);
    EXPECT_EQ(workspace->importImage.ImageType(), 0);

    scanner().QueueImage(Picture(60, 60));
    ASSERT_TRUE(workspace->RunCommand(cmd::kImportLines + cmd::kAcquire600Bw));
    EXPECT_EQ(scanner().Requests().back().resolution, 600);
    EXPECT_EQ(scanner().Requests().back().mode, ScanMode::kLineart);
    EXPECT_EQ(workspace->importImage.ImageType(), 1);

    // The custom dialog's settings; a resolution of 0 scans at 300.
    ScanRequest custom;
    custom.resolution = 0;
    custom.mode = ScanMode::kGray;
    custom.width = 50;
    custom.height = 40;
    scanner().QueueCustom(custom);
    scanner().QueueImage(Picture(30, 20));
    ASSERT_TRUE(workspace->RunCommand(cmd::kImportType + cmd::kAcquireCustom));
    EXPECT_EQ(scanner().Requests().back().mode, ScanMode::kGray);
    EXPECT_EQ(scanner().Requests().back().EffectiveResolution(), 300);
    EXPECT_EQ(workspace->importImage.ImageType(), 2);
    // Cancelling the dialog scans nothing.
    const size_t asked = scanner().Requests().size();
    ASSERT_TRUE(workspace->RunCommand(cmd::kImportPhoto + cmd::kAcquireCustom));
    EXPECT_EQ(scanner().Requests().size(), asked);
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(workspace->commands.Find(cmd::kImportPhoto + cmd::kAcquireCustom)->text, "AcquireCustom");
    EXPECT_EQ(workspace->commands.Find(cmd::kImportLines + cmd::kAcquire300Color)->tooltip, 337);
}

TEST_F(ScanCommands, ACancelledOrFailedScanAddsAndRenamesNothing) {
    ASSERT_TRUE(workspace->roviDivod.Create(Rect{20, 15, 290, 215}));
    const std::vector<std::string> names = Names();
    const uint64_t changes = undo().Changes();
    scanner().QueueCancel();
    ASSERT_TRUE(workspace->RunCommand(cmd::kRoviDivodScanBack));
    EXPECT_TRUE(ui.Messages().empty()) << "a cancel is the user's own choice";
    scanner().QueueFailure();
    ASSERT_TRUE(workspace->RunCommand(cmd::kRoviDivodScanBack));
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"Unable to scan."});
    // No device at all: the queue is empty.
    ASSERT_TRUE(workspace->RunCommand(cmd::kImportPhoto + cmd::kAcquire300Color));
    EXPECT_EQ(ui.MessageTexts().size(), 2u);
    EXPECT_EQ(Names(), names);
    EXPECT_EQ(undo().Changes(), changes);
    EXPECT_FALSE(workspace->roviDivod.Footprint().IsEmpty());
}

TEST_F(ScanCommands, SelectSourceKeepsTheChoiceAndWithoutDevicesCannotScan) {
    scanner().SetSources({"test:0", "test:1"});
    scanner().QueueSourceChoice("test:1");
    ASSERT_TRUE(workspace->RunCommand(cmd::kSelectSource));
    EXPECT_EQ(scanner().Source(), "test:1");
    scanner().QueueSourceChoice(""); // cancelled
    ASSERT_TRUE(workspace->RunCommand(cmd::kSelectSource));
    EXPECT_EQ(scanner().Source(), "test:1");
    EXPECT_TRUE(ui.Messages().empty());
    scanner().SetSources({});
    ASSERT_TRUE(workspace->RunCommand(cmd::kSelectSource));
    EXPECT_EQ(ui.LastMessageText(), "Unable to scan.");
}

TEST_F(ScanCommands, TheRoviDivodModeCreatesByDragPrintsOnlyWithItsLayerAndResets) {
    ASSERT_TRUE(workspace->RunCommand(cmd::kRoviDivodSetup));
    BlueGhost& ghost = workspace->blueGhost;
    ASSERT_EQ(workspace->environmentManager.Current(), &ghost);
    EXPECT_EQ(ghost.GetModeId(), 53);
    EXPECT_FALSE(ghost.Panel().Find(BlueGhost::kPrintButton)->IsEnabled());
    EXPECT_EQ(ghost.Panel().Find(BlueGhost::kCreateButton)->Rectangle().left, 100);
    ASSERT_TRUE(Script("panel Create\npress 20 15\nmove 150 100\nrelease 290 215\n"));
    EXPECT_EQ(workspace->roviDivod.Footprint(), (Rect{20, 15, 290, 215}));
    EXPECT_EQ(current().name, kRoviDivodName);
    EXPECT_TRUE(ghost.Panel().Find(BlueGhost::kPrintButton)->IsEnabled());
    EXPECT_FALSE(ghost.PickingArea()) << "the drag is done";
    // Print: the default printer, no dialog, its paper the page's 4 x 3 in at the "Resolution" setting.
    PrinterDescription sheet;
    sheet.dpiX = sheet.dpiY = 300;
    sheet.physicalWidth = sheet.printableWidth = 1200;
    sheet.physicalHeight = sheet.printableHeight = 900;
    sheet.offsetX = sheet.offsetY = 0;
    workspace->headlessPrinter.SetDescription(sheet);
    ASSERT_TRUE(Script("panel Print\n"));
    EXPECT_EQ(workspace->headlessPrinter.Dialogs(), 0);
    ASSERT_EQ(workspace->headlessPrinter.Page().Width(), 1200);
    EXPECT_EQ(workspace->headlessPrinter.Page().ColorAt(4 * 20 + 4 * 12, 4 * 15 + 4 * 12), 0u) << "a mark";
    ASSERT_TRUE(Script("panel Reset\n"));
    EXPECT_TRUE(workspace->roviDivod.Footprint().IsEmpty());
    EXPECT_FALSE(workspace->roviDivod.HasLayer());
    EXPECT_FALSE(ghost.Panel().Find(BlueGhost::kPrintButton)->IsEnabled());
}

TEST_F(ScanCommands, ScriptsQueueScansAndAlignSnapsAPickedMarkOntoItsPlace) {
    ASSERT_TRUE(workspace->roviDivod.Create(Rect{20, 15, 290, 215}));
    // A blank sheet: no marks, so the scanback asks for Align; the scan stays on top.
    TempFolder folder;
    codec.Put(folder.Path() + "blank.png", Picture(200, 150));
    ASSERT_TRUE(Script("scan " + folder.Path() + "blank.png\ncommand 33856\n"));
    EXPECT_EQ(ui.MessageTexts(),
              (std::vector<std::string>{"Didn't find 10 marks for realignment.",
                                        "Couldn't automatically reposition the RoviDivod. Use Align."}));
    ASSERT_EQ(current().name, kScannedRoviDivodName);
    EXPECT_TRUE(workspace->commands.Enabled(cmd::kRoviDivodReposition));
    // Align: the scan's point (60, 60) dragged to near the first mark lands exactly on it.
    const auto first = marks::Layout(270, 200, 75.0)[0];
    const int32_t mx = 20 + static_cast<int32_t>(std::lround(first.x));
    const int32_t my = 15 + static_cast<int32_t>(std::lround(first.y));
    const int32_t x0 = current().offsetX;
    const int32_t y0 = current().offsetY;
    ASSERT_TRUE(workspace->RunCommand(cmd::kAlign));
    ASSERT_TRUE(Script("press 60 60\nmove 40 40\nrelease " + std::to_string(mx + 3) + " " +
                       std::to_string(my - 2) + "\n"));
    EXPECT_EQ(current().offsetX, x0 + mx - 60);
    EXPECT_EQ(current().offsetY, y0 + my - 60);
    undo().Undo();
    EXPECT_EQ(current().offsetX, x0) << "one undo step";
    // Bad scan lines are refused.
    GestureScript script(*workspace);
    std::string error;
    EXPECT_FALSE(script.RunLine("scan " + folder.Path() + "none.png", 1, error));
    EXPECT_NE(error.find("cannot be read"), std::string::npos);
    EXPECT_TRUE(script.RunLine("scan fail", 2, error));
    EXPECT_TRUE(script.RunLine("scan cancel", 3, error));
    EXPECT_EQ(scanner().Pending(), 2u);
}

} // namespace
} // namespace ts
