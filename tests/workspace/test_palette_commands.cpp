// The Palette menu and the palette strip inside the workspace: enable and check states, the menu texts
// that follow the loaded palettes, the strip's clicks through the view's input, and the selected colour
// reaching the current mode.
#include "document/drawing_test_support.h"
#include "palette/palette_file.h"
#include "platform/temp_folder.h"

#include <gtest/gtest.h>

#include <fstream>

namespace ts {
namespace {

namespace pk = palette_kind;

class ColourTakingMode final : public Env {
public:
    void OnPaletteColorChanged() override { ++changes; }
    int changes = 0;
};

class PaletteCommands : public testing::DrawingTest {
protected:
    PaletteCommands() { NewDrawing("1", "1"); }
    CommandTable& table() { return workspace->commands; }
    PaletteManager& palettes() { return workspace->Palettes(); }

    std::string WritePalette(const std::string& name, uint32_t color, const std::string& colorName) {
        PaletteColorList list;
        list.Append(MakeEntry(color, 0, 0, colorName));
        const std::string path = folder.Path() + name;
        EXPECT_TRUE(WritePaletteFile(path, list));
        return path;
    }

    TempFolder folder;
};

TEST_F(PaletteCommands, ShowCommandsAreCheckedForTheShownKindAndRecentWaitsForAColour) {
    EXPECT_FALSE(table().Enabled(cmd::kPaletteRecent));
    ASSERT_TRUE(workspace->RunCommand(cmd::kPaletteHue));
    EXPECT_TRUE(table().Checked(cmd::kPaletteHue));
    EXPECT_FALSE(table().Checked(cmd::kPaletteBrightness));
    EXPECT_FALSE(table().Enabled(cmd::kPaletteSave)) << "a calculated palette";
    palettes().SelectColor(0x00336699);
    EXPECT_TRUE(workspace->RunCommand(cmd::kPaletteRecent));
    EXPECT_EQ(palettes().CurrentBaseKind(), pk::kRecent);
    EXPECT_TRUE(table().Enabled(cmd::kPaletteSave));
    EXPECT_FALSE(table().Enabled(cmd::kPaletteSlotOrPencils)) << "no commercial boards were read";
    EXPECT_EQ(refresh().reasons.back(), "R_Changepalette");
}

TEST_F(PaletteCommands, SlotAndRecentPaletteItemsReadTheirPalettes) {
    EXPECT_EQ(table().Text(cmd::kPaletteSlot1), " \tF10");
    EXPECT_FALSE(table().Enabled(cmd::kPaletteSlot1));
    EXPECT_EQ(table().Text(cmd::kRecentPalette1), "") << "an unused place is hidden";
    ui.QueueFile(WritePalette("Moss.pal", 0x00228822, "Moss"));
    ASSERT_TRUE(workspace->RunCommand(cmd::kPaletteLoad));
    EXPECT_EQ(table().Text(cmd::kPaletteSlot1), "Moss\tF10");
    // Recent entries read as the recent drawings: their paths, at most 40 characters wide.
    const std::string mossEntry = "&1 " + RecentFileList::Abbreviate(folder.Path() + "Moss.pal", 40);
    EXPECT_EQ(table().Text(cmd::kRecentPalette1), mossEntry);
    ui.QueueFile(WritePalette("Sand.pal", 0x0088AACC, "Sand"));
    workspace->RunCommand(cmd::kPaletteLoad);
    EXPECT_EQ(table().Text(cmd::kPaletteSlot1 + 1), "Moss\tF11");
    ASSERT_TRUE(workspace->RunCommand(cmd::kPaletteSlot1 + 1));
    EXPECT_EQ(palettes().CurrentBaseKind(), pk::kSlot2);
    // The second recent palette loads again and moves to the top of the list.
    ASSERT_TRUE(workspace->RunCommand(cmd::kRecentPalette1 + 1));
    EXPECT_EQ(table().Text(cmd::kRecentPalette1), mossEntry);
    EXPECT_EQ(palettes().Slot(0)->name, "Moss");
    std::string stored;
    EXPECT_TRUE(settings.ReadString("RecentPalettePaths", "file1", stored));
    EXPECT_EQ(stored, folder.Path() + "Moss.pal");
}

TEST_F(PaletteCommands, SelectingAColourReachesTheCurrentMode) {
    ColourTakingMode mode;
    workspace->environmentManager.EnterMode(&mode, "Test", "");
    palettes().SelectColor(0x00102030);
    EXPECT_EQ(mode.changes, 1);
    EXPECT_EQ(palettes().GetCurrentColor(), 0x00102030u);
}

TEST_F(PaletteCommands, TheStripTakesClicksAndWheelStepsFromTheView) {
    workspace->viewManager.ResizeClient(800, 600);
    workspace->LayoutPalette(800, 600);
    EXPECT_EQ(workspace->viewGeometry.PaletteArea(), palettes().Strip().Area());
    EXPECT_LE(workspace->viewGeometry.ViewArea().bottom, palettes().Strip().Area().top);
    palettes().SelectColor(0x000000FF);
    ASSERT_TRUE(palettes().ShowPalette(pk::kHue));
    const Rect swatch = palettes().Strip().ButtonRect(9);
    const uint32_t expected = palettes().EntryAtButton(9)->color;
    workspace->viewInput.OnLButtonDown(0, swatch.left + 2, swatch.top + 2);
    workspace->viewInput.OnLButtonUp(0, swatch.left + 2, swatch.top + 2);
    EXPECT_EQ(palettes().GetCurrentColor(), expected);
    const int32_t scroll = palettes().Shown()->scrollOffset;
    workspace->viewInput.OnMouseWheel(-120, 0, swatch.left, swatch.top);
    EXPECT_EQ(palettes().Shown()->scrollOffset, scroll + 1);
    EXPECT_EQ(workspace->viewManager.Zoom(), 1) << "the wheel over the strip does not zoom";
    int menus = 0;
    workspace->paletteMenuRequested = [&](int32_t, int32_t) { ++menus; };
    workspace->viewInput.OnRButtonDown(2, swatch.left, swatch.top);
    workspace->viewInput.OnRButtonUp(0, swatch.left, swatch.top);
    EXPECT_EQ(menus, 1);
    // A right drag whose release went elsewhere stops taking the moves.
    workspace->viewInput.OnRButtonDown(2, swatch.left, swatch.top);
    workspace->viewInput.OnMouseMove(2, swatch.left - 40, swatch.top);
    EXPECT_TRUE(palettes().RightDragging());
    workspace->viewInput.OnMouseMove(0, 300, 200);
    EXPECT_FALSE(palettes().RightDragging());
}

TEST_F(PaletteCommands, StripMenuCommandsSortResizeAndCondense) {
    workspace->viewManager.ResizeClient(800, 600);
    workspace->LayoutPalette(800, 600);
    palettes().ShowPalette(pk::kHue);
    ASSERT_TRUE(workspace->RunCommand(cmd::kSwatchSize16 + 3));
    EXPECT_EQ(palettes().Strip().SwatchSize(), 32);
    EXPECT_TRUE(table().Checked(cmd::kSwatchSize16 + 3));
    EXPECT_EQ(refresh().reasons.back(), "R_ChangepaletteButtonSize");
    workspace->RunCommand(cmd::kPaletteCondensed);
    EXPECT_TRUE(palettes().Condensed());
    EXPECT_EQ(palettes().Shown()->list.Count(), palettes().Strip().FittingSwatches());
    workspace->RunCommand(cmd::kPaletteSortLuminance);
    const PaletteColorList& full = palettes().ShownFull()->list;
    EXPECT_GE(full.Entry(0).sortKey, full.Entry(full.Count() - 1).sortKey);
    workspace->RunCommand(cmd::kPaletteLowFirst);
    EXPECT_LE(full.Entry(0).sortKey, full.Entry(full.Count() - 1).sortKey);
}

TEST_F(PaletteCommands, AverageDrawingColorTakesTheSampledViewBuffer) {
    Image24& view = workspace->viewManager.ViewBuffer();
    ASSERT_FALSE(view.Empty());
    for (int32_t y = 0; y < view.Height(); ++y) {
        for (int32_t x = 0; x < view.Width(); ++x) {
            view.SetColor(x, y, (x % 8) < 4 ? 0x00204060u : 0x00000000u);
        }
    }
    ASSERT_TRUE(workspace->RunCommand(cmd::kAverageDrawingColor));
    EXPECT_EQ(palettes().GetCurrentColor(), 0x00204060u) << "black pixels are not sampled";
}

TEST_F(PaletteCommands, ChoosingTheBoardShowsTheBoards) {
    const std::string boards = "MFG: A\nBRANDNAME: A\nTYPE: Substrate\nSUBTYPE: S\nSETPARTNUMBER: 1\n"
                               "MENUNAME: Mats\nTOOL:Cream,1,240,230,200\n";
    workspace->toolListings.LoadFromContents({boards}, ui);
    ASSERT_TRUE(workspace->RunCommand(cmd::kPageBackground));
    EXPECT_EQ(palettes().CurrentBaseKind(), pk::kBoard);
    EXPECT_EQ(palettes().Title(), "          Palette: Board");
}

TEST_F(PaletteCommands, TheFirstFitKeepsTheDrawingAboveTheStrip) {
    NewDrawing("8", "6");                  // far larger than the view: the fit reduces it
    workspace->FitDrawingInView(900, 460); // the 450 rows would just fit the whole height
    const Rect strip = palettes().Strip().Area();
    ASSERT_FALSE(strip.IsEmpty());
    const Rect drawing =
        workspace->viewManager.ClientRectOf(Rect{0, 0, stack().DrawingWidth(), stack().DrawingHeight()});
    EXPECT_LE(drawing.bottom, strip.top);
    EXPECT_LE(drawing.right, 900);
}

} // namespace
} // namespace ts
