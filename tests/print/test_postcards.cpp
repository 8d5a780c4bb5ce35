// Postcards: reading the address list and printing the back of a card on the headless printer.

#include "platform/headless_user_interface.h"
#include "platform/memory_settings_store.h"
#include "platform/temp_folder.h"
#include "print/address_list.h"
#include "print/postcards.h"

#include <gtest/gtest.h>

#include <fstream>

namespace ts {
namespace {

class PostcardTest : public ::testing::Test {
protected:
    PostcardTest() {
        PrinterDescription d;
        d.dpiX = d.dpiY = 300;
        d.physicalWidth = d.printableWidth = 1800;
        d.physicalHeight = d.printableHeight = 1275;
        d.offsetX = d.offsetY = 0;
        printer.SetDescription(d);
    }
    std::string List(const std::string& bytes) {
        const std::string path = folder.Path() + "addresses.txt";
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    int32_t StoredIndex() {
        int32_t index = -1;
        store.ReadInt("Postcards", "Address Index", index);
        return index;
    }
    std::vector<std::string> PrintedLines() {
        std::vector<std::string> lines;
        for (const auto& t : printer.Texts()) {
            lines.push_back(t.text);
        }
        return lines;
    }

    TempFolder folder;
    HeadlessUserInterface ui;
    MemorySettingsStore store;
    ProfileManager profile{store, "/prog/"};
    HeadlessPrinter printer;
};

TEST_F(PostcardTest, BackCarriesNameStreetAndCityLineOfTheNextAddress) {
    const std::string path = List("Ann Lee\t1 Elm St\tSpringfield\tIL\t62701\r\n"
                                  "\"Bo\" Chen\t22 Oak Ave\tAustin\tTX\t73301\r\n");
    ASSERT_TRUE(PrintPostcardBack(printer, ui, profile, path));
    EXPECT_EQ(PrintedLines(), (std::vector<std::string>{"Ann Lee", "1 Elm St", "Springfield, IL  62701"}));
    ASSERT_EQ(printer.Texts().size(), 3u);
    // 600 dpi positions on a 300 dpi device: halved; the lines 110 apart there, 55 here.
    EXPECT_EQ(printer.Texts()[0].x, postcards::kAddressX / 2);
    EXPECT_EQ(printer.Texts()[1].y - printer.Texts()[0].y, 55);
    EXPECT_EQ(printer.Texts()[2].y - printer.Texts()[0].y, 110);
    EXPECT_EQ(printer.Texts()[0].family, "Verdana");
    EXPECT_EQ(printer.Texts()[0].points, 11);
    EXPECT_EQ(StoredIndex(), 1);

    // The index persists: the next card takes the next line, quotes dropped.
    ASSERT_TRUE(PrintPostcardBack(printer, ui, profile, path));
    EXPECT_EQ(PrintedLines(), (std::vector<std::string>{"Bo Chen", "22 Oak Ave", "Austin, TX  73301"}));
    EXPECT_EQ(StoredIndex(), 2);

    // Past the last line nothing prints and the index stays.
    const size_t bands = printer.Texts().size();
    EXPECT_FALSE(PrintPostcardBack(printer, ui, profile, path));
    EXPECT_EQ(printer.Texts().size(), bands);
    EXPECT_EQ(StoredIndex(), 2);
}

TEST_F(PostcardTest, OverlongLinesAndMissingListsPrintNothing) {
    const std::string path = List(std::string(300, 'x') + "\tStreet\tCity\tST\t1\r\nA\tB\tC\tD\tE\r\n");
    EXPECT_FALSE(PrintPostcardBack(printer, ui, profile, path));
    EXPECT_FALSE(printer.Started());
    EXPECT_TRUE(printer.Texts().empty());
    EXPECT_EQ(printer.Dialogs(), 0);
    EXPECT_FALSE(PrintPostcardBack(printer, ui, profile, folder.Path() + "none.txt"));
    EXPECT_EQ(profile.Get(settings::kAddressIndex), 0);
    // The line after the long one is read normally once the index points at it.
    profile.Set(settings::kAddressIndex, 1);
    EXPECT_TRUE(PrintPostcardBack(printer, ui, profile, path));
    EXPECT_EQ(PrintedLines(), (std::vector<std::string>{"A", "B", "C, D  E"}));
}

TEST(AddressList, LinesMustEndInCarriageReturnLineFeedToBeSkipped) {
    TempFolder folder;
    const std::string path = folder.Path() + "a.txt";
    std::ofstream(path, std::ios::binary) << "one\ntwo\r\nthree";
    AddressList list;
    std::string text;
    // A bare LF does not end a line when skipping: only one line (up to CR LF) can be skipped.
    ASSERT_TRUE(list.OpenAt(path, 1));
    EXPECT_TRUE(list.ReadText(1, text));
    EXPECT_EQ(text, "three"); // a last line without its line end still counts
    EXPECT_FALSE(list.OpenAt(path, 2));
    ASSERT_TRUE(list.OpenAt(path, 0));
    EXPECT_TRUE(list.ReadText(2, text));
    EXPECT_EQ(text, "one, two"); // LF ends a field, CR LF another
    EXPECT_FALSE(list.ReadText(1, text) && list.ReadText(1, text));
}

} // namespace
} // namespace ts
