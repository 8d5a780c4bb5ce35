#include "palette/color_keys.h"
#include "palette/tool_listings.h"
#include "platform/headless_user_interface.h"

#include "palette/listing_text.h"
#include "platform/temp_folder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

namespace ts {
namespace {

std::vector<std::string_view> Views(const std::vector<std::string>& texts) {
    return {texts.begin(), texts.end()};
}

class ToolListingsTest : public testing::Test {
protected:
    // Loads the given listing texts, in this order.
    int32_t Load(const std::vector<std::string>& texts) {
        return listings.LoadFromContents(Views(texts), ui);
    }
    const Tool& ToolNamed(std::string_view name) const {
        for (const Tool& tool : listings.Tools()) {
            if (tool.name == name) {
                return tool;
            }
        }
        ADD_FAILURE() << "no tool " << name;
        return listings.Tools()[0];
    }

    HeadlessUserInterface ui;
    ToolListings listings;
};

TEST_F(ToolListingsTest, WithoutListingsHoldsOnlyTheBuiltInEntries) {
    TempFolder temp;
    ASSERT_FALSE(temp.Path().empty());
    int32_t calls = 0;
    listings.SetChangedListener([&] { ++calls; });
    EXPECT_EQ(listings.Load(temp.Path(), ui), 0); // no Tools folder at all
    EXPECT_EQ(calls, 1);

    ASSERT_EQ(listings.Types().size(), 1u);
    EXPECT_EQ(listings.Types()[0].name, "Substrate");
    EXPECT_TRUE(listings.Types()[0].enabled);

    ASSERT_EQ(listings.Sets().size(), 1u);
    const ToolSet& set = listings.Sets()[0];
    EXPECT_EQ(set.menuName, "Generic White Surface");
    EXPECT_EQ(set.setPartNumber, "None");
    EXPECT_EQ(set.maker, "Crescent");
    EXPECT_EQ(set.type, "Substrate");
    EXPECT_EQ(set.subType, "Standard");
    EXPECT_EQ(set.firstTool, 0);
    EXPECT_EQ(set.toolCount, 0);
    EXPECT_EQ(set.typeIndex, 0);
    EXPECT_TRUE(set.enabled);

    ASSERT_EQ(listings.Tools().size(), 1u);
    const Tool& white = listings.Tools()[0];
    EXPECT_EQ(white.listedColor, 0x00FFFFFFu);
    EXPECT_EQ(white.color, 0x00FFFFFFu);
    EXPECT_EQ(white.setIndex, 0);
    EXPECT_EQ(white.name, " VERY WHITE");
    EXPECT_EQ(white.code, "918 A");
    EXPECT_TRUE(white.enabled);
    EXPECT_FALSE(white.board);
    EXPECT_FALSE(white.hidden);
    EXPECT_EQ(white.hueAngle, 0.0f);
    EXPECT_EQ(white.chroma, 0.0f);
    EXPECT_EQ(white.luminance, 1.0f);

    // The built-in surface is the one board.
    ASSERT_EQ(listings.Boards().size(), 1u);
    EXPECT_EQ(listings.Boards()[0].toolIndex, 0);
    EXPECT_EQ(listings.Boards()[0].listedColor, 0x00FFFFFFu);
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(ToolListingsTest, LoadsListingFilesInNameOrderAndSkipsInvalidOnesWholly) {
    TempFolder temp;
    ASSERT_FALSE(temp.Path().empty());
    const std::string tools = temp.Path() + "Tools/";
    std::filesystem::create_directory(tools);
    WriteTextFile(tools + "b.tls", ListingText("Second", "Marker", {ToolLine("B1", "1", 10, 20, 30)}));
    WriteTextFile(tools + "A.TLS",
                  ListingText("First", "Colored Pencil",
                              {ToolLine("A1", "1", 100, 0, 0), ToolLine("A2", "2", 0, 100, 0)}));
    WriteTextFile(tools + "c.tls", ListingText("Third", "Colored Pencil", {ToolLine("C1", "1", 0, 0, 100)}));
    // Not listings, or not valid ones: none of their tools or types may appear.
    WriteTextFile(tools + "c.tls.bak", ListingText("Backup", "Paint", {ToolLine("X", "1", 1, 1, 1)}));
    WriteTextFile(tools + "d.tls", "MFG: Acme\nBRANDNAME: Acme\nTYPE: Chalk\nSUBTYPE:\nSETPARTNUMBER: A\n"
                                   "MENUNAME: Empty subtype\nTOOL:Y,1,2,3,4\n");
    WriteTextFile(tools + "e.tls", ListingText("Huge", "Chalk", {ToolLine("Z", "1", 1, 1, 1)}) +
                                       std::string(kMaxListingBytes, '\n'));
    std::filesystem::create_directory(tools + "f.tls");
    int32_t setsWhenTold = 0;
    listings.SetChangedListener([&] { setsWhenTold = static_cast<int32_t>(listings.Sets().size()); });

    EXPECT_EQ(listings.Load(temp.Path(), ui), 3);
    EXPECT_EQ(setsWhenTold, 4);

    ASSERT_EQ(listings.Sets().size(), 4u);
    EXPECT_EQ(listings.Sets()[1].menuName, "First");
    EXPECT_EQ(listings.Sets()[2].menuName, "Second");
    EXPECT_EQ(listings.Sets()[3].menuName, "Third");
    EXPECT_EQ(listings.Sets()[1].firstTool, 1);
    EXPECT_EQ(listings.Sets()[1].toolCount, 2);
    EXPECT_EQ(listings.Sets()[2].firstTool, 3);
    EXPECT_EQ(listings.Sets()[3].firstTool, 4);
    EXPECT_EQ(listings.Sets()[3].toolCount, 1);
    for (size_t i = 1; i < 4; ++i) {
        EXPECT_FALSE(listings.Sets()[i].enabled);
    }

    // One type per distinct name; only "Colored Pencil" (and the built-in "Substrate") start enabled.
    ASSERT_EQ(listings.Types().size(), 3u);
    EXPECT_EQ(listings.Types()[1].name, "Colored Pencil");
    EXPECT_TRUE(listings.Types()[1].enabled);
    EXPECT_EQ(listings.Types()[2].name, "Marker");
    EXPECT_FALSE(listings.Types()[2].enabled);
    EXPECT_EQ(listings.Sets()[1].typeIndex, 1);
    EXPECT_EQ(listings.Sets()[2].typeIndex, 2);
    EXPECT_EQ(listings.Sets()[3].typeIndex, 1);

    ASSERT_EQ(listings.Tools().size(), 5u);
    const std::vector<std::string> names = {" VERY WHITE", "A1", "A2", "B1", "C1"};
    const std::vector<int32_t> setIndices = {0, 1, 1, 2, 3};
    for (size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(listings.Tools()[i].name, names[i]);
        EXPECT_EQ(listings.Tools()[i].setIndex, setIndices[i]);
        EXPECT_TRUE(listings.Tools()[i].enabled);
        EXPECT_FALSE(listings.Tools()[i].hidden);
    }

    // A second load starts again from the built-in entries.
    std::filesystem::remove(tools + "A.TLS");
    EXPECT_EQ(listings.Load(temp.Path(), ui), 2);
    EXPECT_EQ(listings.Sets().size(), 3u);
    EXPECT_EQ(listings.Tools().size(), 3u);
}

TEST_F(ToolListingsTest, TheUsersOwnListingsJoinTheProgramsAndReplaceOnesOfTheSameName) {
    TempFolder program;
    TempFolder user;
    ASSERT_FALSE(program.Path().empty());
    ASSERT_FALSE(user.Path().empty());
    std::filesystem::create_directory(program.Path() + "Tools");
    std::filesystem::create_directory(user.Path() + "Tools");
    WriteTextFile(program.Path() + "Tools/a.tls",
                  ListingText("Installed A", "Colored Pencil", {ToolLine("A1", "1", 100, 0, 0)}));
    WriteTextFile(program.Path() + "Tools/c.tls",
                  ListingText("Installed C", "Colored Pencil", {ToolLine("C1", "1", 0, 0, 100)}));
    WriteTextFile(user.Path() + "Tools/b.tls",
                  ListingText("Mine", "Colored Pencil", {ToolLine("B1", "1", 0, 100, 0)}));
    WriteTextFile(user.Path() + "Tools/c.tls",
                  ListingText("My C", "Colored Pencil", {ToolLine("C2", "1", 50, 50, 50)}));

    EXPECT_EQ(listings.Load(program.Path(), ui, user.Path()), 3);
    ASSERT_EQ(listings.Sets().size(), 4u);
    EXPECT_EQ(listings.Sets()[1].menuName, "Installed A");
    EXPECT_EQ(listings.Sets()[2].menuName, "Mine");
    EXPECT_EQ(listings.Sets()[3].menuName, "My C");

    // A user folder without listings, or none at all, leaves the program's.
    EXPECT_EQ(listings.Load(program.Path(), ui, program.Path() + "nowhere"), 2);
    EXPECT_EQ(listings.Sets()[2].menuName, "Installed C");
}

TEST_F(ToolListingsTest, RoundsColoursToMultiplesOfEightAndKeepsTheListedColour) {
    Load({ListingText(
        "Grid", "Colored Pencil",
        {ToolLine("A", "1", 252, 3, 4), ToolLine("B", "2", 251, 247, 243), ToolLine("C", "3", 255, 0, 8)})});
    ASSERT_EQ(listings.Tools().size(), 4u);
    EXPECT_EQ(listings.Tools()[1].listedColor, MakeColor(252, 3, 4));
    EXPECT_EQ(listings.Tools()[1].color, MakeColor(248, 0, 8));
    EXPECT_EQ(listings.Tools()[2].color, MakeColor(248, 248, 240));
    EXPECT_EQ(listings.Tools()[3].color, MakeColor(248, 0, 8));
    // The keys come from the rounded colour.
    EXPECT_FLOAT_EQ(listings.Tools()[3].luminance, LuminanceOf(MakeColor(248, 0, 8)));
    EXPECT_FLOAT_EQ(listings.Tools()[3].hueAngle, HueAngleOf(MakeColor(248, 0, 8)));
}

TEST_F(ToolListingsTest, EnablesTheDefaultPencilSetByItsExactMenuName) {
    Load({ListingText("PrismaColor 120", "Colored Pencil", {ToolLine("Red", "1", 200, 0, 0)}),
          ListingText("PrismaColor 12", "Colored Pencil", {ToolLine("Red", "1", 200, 0, 0)}),
          "MFG: P\r\nBRANDNAME: P\r\nTYPE: Colored Pencil\r\nSUBTYPE: W\r\nSETPARTNUMBER: P\r\n"
          "MENUNAME: PrismaColor 120\r\nTOOL:Red,1,200,0,0\r\n"});
    ASSERT_EQ(listings.Sets().size(), 4u);
    EXPECT_TRUE(listings.Sets()[1].enabled);
    EXPECT_FALSE(listings.Sets()[2].enabled);
    EXPECT_FALSE(listings.Sets()[3].enabled); // its menu name ends with the CR it was written with
    // So is its type name: a CR/LF listing makes a type of its own.
    EXPECT_EQ(listings.Types().size(), 3u);
}

TEST_F(ToolListingsTest, MarksSubstrateToolsAsBoardsAndKeepsOnlyGrayOfTheMatBoards) {
    Load({ListingText("BainBridge Mat Board", "Substrate",
                      {ToolLine("Arctic White", "BB4010", 250, 250, 248),
                       ToolLine(" Gray", "BB4080", 168, 168, 166), ToolLine("Gray", "BB4081", 160, 160, 160),
                       ToolLine("Navy", "BB4090", 40, 40, 120)}),
          ListingText("Crescent Boards", "Substrate",
                      {ToolLine("Green", "C1", 0, 248, 0), ToolLine("Blue", "C2", 128, 128, 248)}),
          ListingText("PrismaColor 120", "Colored Pencil", {ToolLine("Red", "1", 200, 0, 0)})});

    EXPECT_FALSE(listings.Tools()[0].board);
    for (const char* board : {"Arctic White", " Gray", "Gray", "Navy", "Green", "Blue"}) {
        EXPECT_TRUE(ToolNamed(board).board) << board;
    }
    EXPECT_FALSE(ToolNamed("Red").board);

    EXPECT_TRUE(ToolNamed(" Gray").enabled);
    for (const char* off : {"Arctic White", "Gray", "Navy"}) {
        EXPECT_FALSE(ToolNamed(off).enabled) << off;
    }
    EXPECT_TRUE(ToolNamed("Green").enabled);
    EXPECT_TRUE(ToolNamed("Red").enabled);

    // The board list: the enabled substrate tools in tool order, the built-in surface first.
    const std::vector<BoardSort>& boards = listings.Boards();
    ASSERT_EQ(boards.size(), 4u);
    EXPECT_EQ(boards[0].toolIndex, 0);
    EXPECT_EQ(boards[1].toolIndex, 2);
    EXPECT_EQ(boards[1].listedColor, MakeColor(168, 168, 166));
    EXPECT_EQ(boards[2].toolIndex, 5);
    EXPECT_EQ(boards[2].listedColor, MakeColor(0, 248, 0));
    EXPECT_EQ(boards[2].hueDegrees, 111);
    EXPECT_EQ(boards[3].toolIndex, 6);
    EXPECT_EQ(boards[3].hueDegrees, 240);
    for (const BoardSort& board : boards) {
        EXPECT_EQ(board.unused, 0.0f);
    }
    EXPECT_EQ(boards[0].hueDegrees, 0);
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(ToolListingsTest, DarkStretchMakesTheDarkestToolBlackAndSpreadsTheOtherDarkTools) {
    Load({ListingText("Darks", "Colored Pencil",
                      {ToolLine("Black", "935", 0, 0, 0), ToolLine("Charcoal", "936", 40, 40, 40),
                       ToolLine("Light", "937", 200, 200, 200)})});
    EXPECT_EQ(ToolNamed("Black").color, MakeColor(0, 0, 0));
    EXPECT_EQ(ToolNamed("Black").luminance, 0.0f);
    // m = 0: f = 40/255 = 0.157; 40 * f = 6.27 -> 6, on the grid 8. The keys follow the new colour.
    const Tool& charcoal = ToolNamed("Charcoal");
    EXPECT_EQ(charcoal.listedColor, MakeColor(40, 40, 40));
    EXPECT_EQ(charcoal.color, MakeColor(8, 8, 8));
    EXPECT_FLOAT_EQ(charcoal.luminance, 8.0f / 255.0f);
    EXPECT_EQ(ToolNamed("Light").color, MakeColor(200, 200, 200));

    // Without a black tool the darkest one becomes black: rounded to 24 and 40, m = 24/255, so
    // Charcoal's f = 0.1185 and 40 * f = 4.74 -> 4 -> 8; 64 has luminance 0.25 and is left alone.
    Load({ListingText("Darks", "Colored Pencil",
                      {ToolLine("Navy", "1", 20, 20, 20), ToolLine("Charcoal", "2", 40, 40, 40),
                       ToolLine("Slate", "3", 60, 60, 60)})});
    EXPECT_EQ(ToolNamed("Navy").color, MakeColor(0, 0, 0));
    EXPECT_EQ(ToolNamed("Charcoal").color, MakeColor(8, 8, 8));
    EXPECT_EQ(ToolNamed("Slate").color, MakeColor(64, 64, 64));
}

TEST_F(ToolListingsTest, FullTablesTakeNoFurtherEntries) {
    // Sets: 511 listings fit beside the built-in set.
    std::vector<std::string> many;
    for (int32_t i = 0; i < 520; ++i) {
        many.push_back(
            ListingText("Set " + std::to_string(i), "Colored Pencil", {ToolLine("T", "1", 9, 9, 9)}));
    }
    EXPECT_EQ(Load(many), 511);
    EXPECT_EQ(listings.Sets().size(), 512u);
    EXPECT_EQ(listings.Sets().back().menuName, "Set 510");
    EXPECT_EQ(listings.Tools().size(), 512u);

    // Tools: the third listing gets the 47 slots left, the fourth none and is not added.
    std::vector<std::string> toolLines(1000, ToolLine("T", "1", 9, 9, 9));
    EXPECT_EQ(
        Load({ListingText("S1", "Colored Pencil", toolLines), ListingText("S2", "Colored Pencil", toolLines),
              ListingText("S3", "Colored Pencil", toolLines),
              ListingText("S4", "Colored Pencil", toolLines)}),
        3);
    EXPECT_EQ(listings.Tools().size(), 2048u);
    ASSERT_EQ(listings.Sets().size(), 4u);
    EXPECT_EQ(listings.Sets()[3].firstTool, 2001);
    EXPECT_EQ(listings.Sets()[3].toolCount, 47);

    // Types: 63 fit beside "Substrate"; a set of a type that finds no slot is not added.
    many.clear();
    for (int32_t i = 0; i < 70; ++i) {
        many.push_back(ListingText("Set " + std::to_string(i), "Type " + std::to_string(i),
                                   {ToolLine("T", "1", 9, 9, 9)}));
    }
    many.push_back(ListingText("Late", "Type 5", {ToolLine("T", "1", 9, 9, 9)}));
    EXPECT_EQ(Load(many), 64);
    EXPECT_EQ(listings.Types().size(), 64u);
    EXPECT_EQ(listings.Sets().size(), 65u);
    EXPECT_EQ(listings.Sets().back().menuName, "Late");
    EXPECT_EQ(listings.Sets().back().typeIndex, 6);
}

TEST_F(ToolListingsTest, TypeNamesLongerThanTheirLimitAreFoundAgain) {
    const std::string longType = "Professional Artist Grade Colored Pencil";
    Load({ListingText("One", longType, {ToolLine("A", "1", 9, 9, 9)}),
          ListingText("Two", longType, {ToolLine("B", "1", 9, 9, 9)})});
    ASSERT_EQ(listings.Types().size(), 2u);
    EXPECT_EQ(listings.Types()[1].name, longType.substr(0, 31));
    EXPECT_EQ(listings.Sets()[1].type, longType);
    EXPECT_EQ(listings.Sets()[2].typeIndex, 1);
}

TEST(ColorKeys, MatchTheLuminanceHueAndChromaFormulas) {
    EXPECT_FLOAT_EQ(LuminanceOf(MakeColor(255, 0, 0)), 0.3f);
    EXPECT_FLOAT_EQ(LuminanceOf(MakeColor(0, 255, 0)), 0.6f);
    EXPECT_FLOAT_EQ(LuminanceOf(MakeColor(255, 255, 255)), 1.0f);
    // Red sits at the start of the hue circle, green a third of the way round, blue at about 240 degrees.
    const float red = HueAngleOf(MakeColor(255, 0, 0));
    EXPECT_TRUE(red < 1e-5f || red > 6.2831f) << red;
    EXPECT_EQ(HueDegrees(HueAngleOf(MakeColor(0, 248, 0))), 111);
    EXPECT_EQ(HueDegrees(HueAngleOf(MakeColor(0, 0, 248))), 240);
    EXPECT_FLOAT_EQ(ChromaOf(MakeColor(0, 0, 255)), std::hypot(0.9f, -0.1f));
    // Every grey: no chroma and one hue, so greys sort together.
    for (uint32_t v = 0; v < 256; v += 17) {
        EXPECT_EQ(ChromaOf(MakeColor(v, v, v)), 0.0f);
        EXPECT_EQ(HueAngleOf(MakeColor(v, v, v)), HueAngleOf(0));
    }
}

} // namespace
} // namespace ts
