// The palette manager: selecting colours, the kinds and their titles, loaded slots, the Palette menu's
// editing commands and the strip's mouse handling.
#include "palette/palette_file.h"
#include "palette/palette_manager.h"
#include "platform/headless_user_interface.h"
#include "platform/memory_settings_store.h"
#include "platform/temp_folder.h"
#include "raster/color_spaces.h"

#include "palette/listing_text.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>

namespace ts {
namespace {

namespace pk = palette_kind;

class RecordingHost final : public PaletteHost {
public:
    void RedrawPalette(const std::string& reason) override { reasons.push_back(reason); }
    void PaletteColorChanged() override { ++colorChanges; }
    void PaletteMenuRequested(int32_t x, int32_t y) override { menus.push_back({x, y}); }
    const Image24* DrawingPicture() override { return picture.Empty() ? nullptr : &picture; }

    std::vector<std::string> reasons;
    std::vector<std::pair<int32_t, int32_t>> menus;
    int colorChanges = 0;
    Image24 picture;
};

class PaletteManagerTest : public testing::Test {
protected:
    PaletteManagerTest() {
        std::filesystem::create_directories(folder.Path() + "Palettes");
        palettes.SetHost(&host);
        palettes.LayoutStrip(800, 600);
    }

    std::string Write(const std::string& name, const std::string& bytes) {
        const std::string path = folder.Path() + "Palettes/" + name;
        WriteTextFile(path, bytes);
        return path;
    }
    std::string WriteColours(const std::string& name,
                             const std::vector<std::pair<uint32_t, std::string>>& colours) {
        PaletteColorList list;
        for (const auto& [color, text] : colours) {
            list.Append(MakeEntry(color, 0, 0, text));
        }
        return Write(name, FormatPaletteFile(list));
    }

    TempFolder folder;
    HeadlessUserInterface ui;
    MemorySettingsStore settings;
    ProfileManager profile{settings, folder.Path()};
    ToolListings listings;
    PencilManager pencils{listings, ui};
    RecordingHost host;
    PaletteManager palettes{listings, pencils, profile, ui};
};

TEST_F(PaletteManagerTest, SelectingAColourDescribesItRemembersItAndTellsTheModes) {
    EXPECT_EQ(palettes.RecentColors(), nullptr);
    palettes.SelectColor(0x000000FF);
    EXPECT_EQ(palettes.GetCurrentColor(), 0x000000FFu);
    EXPECT_EQ(ui.StatusPane(PaletteManager::kColorPane), "Color RGB:255, 0, 0, HSB:0, 240, 120");
    ASSERT_NE(palettes.RecentColors(), nullptr);
    EXPECT_EQ(palettes.RecentColors()->Count(), 1);
    EXPECT_EQ(host.colorChanges, 1);
    EXPECT_EQ(host.reasons, (std::vector<std::string>{"R_Changepalette"})) << "one redraw for the selection";
    palettes.SelectColor(0x000000FF);
    EXPECT_EQ(palettes.RecentColors()->Count(), 1);
    host.reasons.clear();
    palettes.AddRecentColor(MakeEntry(0x00808080));
    EXPECT_EQ(host.reasons, (std::vector<std::string>{"AddRecentColor"}));
}

TEST_F(PaletteManagerTest, AColourFromElsewhereMarksTheNearestEntryAndScrollsToIt) {
    std::vector<std::pair<uint32_t, std::string>> colours;
    for (uint32_t i = 0; i < 200; ++i) {
        colours.push_back({MakeColor(i, 0, 0), ""});
    }
    palettes.LoadIntoSlot(WriteColours("Reds.pal", colours));
    palettes.SelectColor(MakeColor(150, 3, 0));
    const Palette* shown = palettes.Shown();
    EXPECT_EQ(shown->list.MarkedIndex(), 150);
    EXPECT_LE(shown->scrollOffset, 150);
    EXPECT_GT(shown->scrollOffset + palettes.Strip().ColorSwatches(), 150);
    palettes.SetCondensed(true);
    palettes.SelectColor(MakeColor(20, 0, 0));
    const PaletteColorList& condensed = palettes.Shown()->list;
    ASSERT_GE(condensed.MarkedIndex(), 0);
    EXPECT_EQ(condensed.Entry(condensed.MarkedIndex()).color, MakeColor(20, 0, 0));
}

TEST_F(PaletteManagerTest, RecentColoursForgetTheOldestWhenFull) {
    for (uint32_t i = 0; i < 513; ++i) {
        palettes.SelectColor(i);
    }
    EXPECT_EQ(palettes.RecentColors()->Count(), 512);
    EXPECT_FALSE(palettes.RecentColors()->Contains(0));
    EXPECT_TRUE(palettes.RecentColors()->Contains(512));
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(PaletteManagerTest, TitlesNameTheKindAndTheCondensedVariant) {
    ASSERT_TRUE(palettes.ShowPalette(pk::kBrightness));
    EXPECT_EQ(ui.StatusPane(PaletteManager::kTitlePane), "          Palette: Brightness");
    palettes.SetCondensed(true);
    EXPECT_EQ(palettes.CurrentKind(), pk::kBrightness + 1);
    EXPECT_EQ(ui.StatusPane(PaletteManager::kTitlePane), "Condensed Palette: Brightness");
    EXPECT_EQ(palettes.Shown()->list.Count(), palettes.Strip().FittingSwatches());
    ASSERT_TRUE(palettes.LoadIntoSlot(WriteColours("Blue.pal", {{0x00FF0000, "Blue"}})));
    EXPECT_EQ(ui.StatusPane(PaletteManager::kTitlePane), "Condensed Palette: Blue");
    palettes.SetCondensed(false);
    EXPECT_EQ(palettes.Title(), "Palette: Blue");
    EXPECT_FALSE(palettes.ShowPalette(pk::kDrawing)) << "no drawing: not shown";
    EXPECT_EQ(palettes.CurrentBaseKind(), pk::kSlot1);
    EXPECT_FALSE(palettes.ShowPalette(5));
}

TEST_F(PaletteManagerTest, LoadingMovesTheSlotsDownAndNamesTheirCommands) {
    EXPECT_EQ(palettes.SlotMenuText(0), " \tF10");
    palettes.LoadIntoSlot(WriteColours("One.pal", {{1, ""}}));
    palettes.LoadIntoSlot(WriteColours("Two.pal", {{2, ""}}));
    EXPECT_EQ(palettes.SlotMenuText(0), "Two\tF10");
    EXPECT_EQ(palettes.SlotMenuText(1), "One\tF11");
    EXPECT_EQ(palettes.SlotMenuText(2), " \tF12");
    palettes.LoadIntoSlot(WriteColours("Three.pal", {{3, ""}}));
    palettes.LoadIntoSlot(WriteColours("Four.pal", {{4, ""}}));
    EXPECT_EQ(palettes.Slot(2)->name, "Two");
    EXPECT_EQ(palettes.CurrentBaseKind(), pk::kSlot1);
    EXPECT_EQ(palettes.Shown()->list.Entry(0).color, 4u);
    ui.ClearMessages();
    EXPECT_FALSE(palettes.LoadIntoSlot(Write("Bad.pal", "00000002\r\n00000001 a\r\n")));
    EXPECT_EQ(ui.LastMessageText(), "Palette File has become corrupt.");
    EXPECT_EQ(palettes.Slot(0)->name, "Four");
}

TEST_F(PaletteManagerTest, TheLoadDialogChecksTheExtensionAndTakesShortPaths) {
    ui.QueueFileCancel();
    EXPECT_FALSE(palettes.LoadPalette());
    ui.QueueFile(folder.Path() + "Palettes/x.txt");
    EXPECT_FALSE(palettes.LoadPalette());
    EXPECT_EQ(ui.LastMessageText(), "File must have .pal extension");
    ASSERT_EQ(ui.FileDialogs().size(), 2u);
    EXPECT_EQ(ui.FileDialogs()[0].request.title, "Load Palette");
    EXPECT_EQ(ui.FileDialogs()[0].request.filters, "Palette File (*.pal)|*.pal||");
    EXPECT_EQ(ui.FileDialogs()[0].request.folder, folder.Path() + "Palettes");
    // A path of fewer than ten characters is a real file here.
    std::filesystem::current_path(folder.Path());
    WriteColours("P.pal", {{5, "Five"}});
    ui.QueueFile("Palettes/P.pal"); // relative: shorter than ten characters in full would be too
    ASSERT_TRUE(palettes.LoadPalette());
    EXPECT_EQ(palettes.Slot(0)->name, "P");
    EXPECT_EQ(profile.Recent(RecentList::Palettes).Entry(0), "Palettes/P.pal");
}

// Installed, the program's palettes are read-only: a corrupt one is never offered for removal, saved
// palettes go to the user's data folder, and loading starts among them once there are any.
TEST_F(PaletteManagerTest, AnInstalledProgramKeepsItsPalettesAndTheUsersApart) {
    TempFolder data;
    ASSERT_FALSE(data.Path().empty());
    ASSERT_EQ(setenv("XDG_DATA_HOME", data.Path().c_str(), 1), 0);
    profile.SetProgramFolderReadOnly(true);
    const std::string installedCorrupt = Write("Broken.pal", "not a palette");
    const std::string user = data.Path() + "Tintsmith/Palettes/";
    std::filesystem::create_directories(user);
    WriteTextFile(user + "Mine Broken.pal", "not a palette either");
    ui.SetDefaultAnswer(Answer::Yes);
    palettes.CheckPalettes();
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_TRUE(std::filesystem::exists(installedCorrupt));
    EXPECT_FALSE(std::filesystem::exists(user + "Mine Broken.pal"));

    // No palette of the user's yet: loading starts among the program's.
    ui.QueueFileCancel();
    EXPECT_FALSE(palettes.LoadPalette());
    EXPECT_EQ(ui.FileDialogs().back().request.folder, folder.Path() + "Palettes");
    palettes.LoadIntoSlot(WriteColours("Blue.pal", {{0x00FF0000, "Blue"}}));
    ui.QueueFile(user + "Saved.pal");
    ASSERT_TRUE(palettes.SavePalette());
    EXPECT_EQ(ui.FileDialogs().back().request.folder, user);
    ui.QueueFileCancel();
    EXPECT_FALSE(palettes.LoadPalette());
    EXPECT_EQ(ui.FileDialogs().back().request.folder, user);
    unsetenv("XDG_DATA_HOME");
}

TEST_F(PaletteManagerTest, SavingWritesTheShownFullPaletteUnlessItIsCalculated) {
    palettes.ShowPalette(pk::kHue);
    EXPECT_FALSE(palettes.CanSave());
    const std::string source = WriteColours("Blue.pal", {{0x00FF0000, "Blue"}});
    palettes.LoadIntoSlot(source);
    ASSERT_TRUE(palettes.CanSave());
    palettes.SetCondensed(true);
    const std::string copy = folder.Path() + "Copy.pal";
    ui.QueueFile(copy);
    ASSERT_TRUE(palettes.SavePalette());
    std::string a;
    std::string b;
    ReadPaletteBytes(source, a);
    ReadPaletteBytes(copy, b);
    EXPECT_EQ(a, b);
    EXPECT_EQ(ui.FileDialogs().back().request.title, "Save Palette");
}

TEST_F(PaletteManagerTest, AddAndRemoveKeepTheirRulesPerKind) {
    palettes.ShowPalette(pk::kBrightness);
    palettes.AddColor();
    EXPECT_EQ(ui.LastMessageText(), "Colors cannot be added to calculated palettes.");
    palettes.RemoveColor();
    EXPECT_EQ(ui.LastMessageText(), "Colors cannot be deleted from calculated palettes.");

    palettes.LoadIntoSlot(WriteColours("Only.pal", {{0x00112233, "Only"}}));
    palettes.SelectColor(0x00112233);
    palettes.RemoveColor();
    EXPECT_EQ(palettes.Slot(0)->Count(), 1) << "the only colour stays";
    palettes.SelectColor(0x00445566);
    palettes.AddColor();
    EXPECT_EQ(palettes.Slot(0)->Count(), 2);
    EXPECT_EQ(palettes.Shown()->list.Count(), 2) << "the shown palette follows";
    palettes.AddColor();
    EXPECT_EQ(palettes.Slot(0)->Count(), 2) << "a colour already there is not added again";
    palettes.RemoveColor();
    EXPECT_FALSE(palettes.Slot(0)->Contains(0x00445566));
}

TEST_F(PaletteManagerTest, AddingTo512ColoursShowsTheMaximumMessage) {
    std::vector<std::pair<uint32_t, std::string>> colours;
    for (uint32_t i = 0; i < 512; ++i) {
        colours.push_back({i, ""});
    }
    palettes.LoadIntoSlot(WriteColours("Full.pal", colours));
    palettes.SelectColor(0x00ABCDEF);
    ui.ClearMessages();
    palettes.AddColor();
    EXPECT_EQ(ui.LastMessageText(), "Palette already has the maximum number of colors in it. Delete a color "
                                    "and then add in the new one.");
    EXPECT_EQ(palettes.Slot(0)->Count(), 512);
}

TEST_F(PaletteManagerTest, NamingNeedsTheColourInTheShownPaletteAndReachesTheFullList) {
    palettes.LoadIntoSlot(WriteColours("Many.pal", {{1, ""}, {2, ""}, {3, ""}}));
    palettes.SelectColor(9);
    palettes.NameColor();
    EXPECT_EQ(ui.LastMessageText(), "To name it, the selected color must be from the current palette.");
    palettes.SelectColor(2);
    palettes.SetCondensed(true);
    ui.QueueText("Two");
    palettes.NameColor();
    EXPECT_EQ(palettes.Shown()->list.Entry(1).name, "Two");
    EXPECT_EQ(palettes.ShownFull()->list.Entry(1).name, "Two");
    EXPECT_EQ(palettes.Slot(0)->Entry(1).name, "Two") << "saved with the palette";
    ui.QueueTextCancel();
    palettes.NameColor();
    EXPECT_EQ(palettes.Slot(0)->Entry(1).name, "Two");
}

TEST_F(PaletteManagerTest, FindColorSearchesTheSlotsThenTheRecentColours) {
    palettes.LoadIntoSlot(WriteColours("A.pal", {{1, "  Moss"}, {2, "Moss"}, {3, "moss"}}));
    palettes.SelectEntry(MakeEntry(7, 0, 0, "Fern"));
    palettes.ShowPalette(pk::kHue);
    ui.QueueText("Fern");
    palettes.FindColor();
    EXPECT_EQ(palettes.GetCurrentColor(), 7u);
    EXPECT_EQ(palettes.CurrentBaseKind(), pk::kRecent);
    ui.QueueText("Moss");
    palettes.FindColor();
    EXPECT_EQ(palettes.GetCurrentColor(), 2u) << "leading spaces do not count; the last match wins";
    EXPECT_EQ(palettes.CurrentBaseKind(), pk::kSlot1);
    ui.QueueText("Lichen");
    palettes.FindColor();
    ASSERT_FALSE(ui.Messages().empty());
    EXPECT_EQ(ui.Messages().back().text, "No match was found.");
    EXPECT_EQ(ui.Messages().back().icon, MessageIcon::Information);
}

TEST_F(PaletteManagerTest, SortingAndReversingFollowTheDirection) {
    palettes.LoadIntoSlot(WriteColours("S.pal", {{0x00FFFFFF, "w"}, {0, "k"}, {0x00808080, "g"}}));
    palettes.SortShown(PaletteSortKind::kLuminance, true);
    EXPECT_EQ(palettes.Slot(0)->Entry(0).name, "w");
    palettes.ReverseShownIf(false); // ascending only: nothing
    EXPECT_EQ(palettes.Shown()->list.Entry(0).name, "w");
    palettes.ReverseShownIf(true);
    EXPECT_EQ(palettes.Shown()->list.Entry(0).name, "k");
    EXPECT_EQ(palettes.Slot(0)->Entry(0).name, "k");
}

TEST_F(PaletteManagerTest, TheStripSelectsScrollsAndAsksForItsMenu) {
    palettes.SelectColor(0x000000FF);
    palettes.ShowPalette(pk::kHue);
    const PaletteStrip& strip = palettes.Strip();
    const Rect swatch = strip.ButtonRect(7);
    const int32_t scroll = palettes.Shown()->scrollOffset;
    ASSERT_TRUE(palettes.ClickAt(swatch.left + 1, swatch.top + 1));
    EXPECT_EQ(palettes.GetCurrentColor(), palettes.Shown()->list.Entry(scroll + 2).color);

    const Rect forward = strip.ButtonRect(PaletteStrip::kStepForward);
    palettes.ClickAt(forward.left, forward.top);
    EXPECT_EQ(palettes.Shown()->scrollOffset, scroll + 1);
    palettes.ScrollBy(-1000);
    EXPECT_EQ(palettes.Shown()->scrollOffset, 0);

    palettes.BeginRightDrag(400, swatch.top);
    EXPECT_TRUE(palettes.DragTo(400 - 3 * strip.SwatchSize(), swatch.top));
    EXPECT_TRUE(palettes.EndRightDrag(400 - 3 * strip.SwatchSize(), swatch.top));
    EXPECT_EQ(palettes.Shown()->scrollOffset, 3);
    EXPECT_TRUE(host.menus.empty());
    palettes.BeginRightDrag(400, swatch.top);
    EXPECT_TRUE(palettes.EndRightDrag(402, swatch.top));
    EXPECT_EQ(host.menus.size(), 1u);
    EXPECT_FALSE(palettes.EndRightDrag(402, swatch.top)) << "no drag left to finish";
    EXPECT_FALSE(palettes.ClickAt(0, 0));
}

TEST_F(PaletteManagerTest, TheDrawingPaletteComesFromTheHostsPicture) {
    host.picture.Create(16, 16);
    for (int32_t x = 0; x < 16; ++x) {
        host.picture.SetColor(x, 0, x < 8 ? 0x00404040u : 0x00C08040u);
    }
    ASSERT_TRUE(palettes.ShowPalette(pk::kDrawing));
    EXPECT_EQ(palettes.Shown()->list.Count(), 2);
    EXPECT_EQ(palettes.Shown()->list.Entry(0).color, 0x00C08040u) << "lightest first";
    EXPECT_EQ(palettes.Title(), "          Palette: Drawing");
}

TEST_F(PaletteManagerTest, TheStartUpCheckReadsTheCommercialBoards) {
    std::filesystem::create_directories(folder.Path() + "Tools");
    WriteTextFile(folder.Path() + "Tools/CommercialBoards.pal", "00000001\r\n00f8fafa Arctic White\r\n");
    palettes.CheckPalettes();
    ASSERT_NE(palettes.CommercialBoards(), nullptr);
    EXPECT_EQ(palettes.CommercialBoards()->Entry(0).name, "Arctic White");
}

} // namespace
} // namespace ts
