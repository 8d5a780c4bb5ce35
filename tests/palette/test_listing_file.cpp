#include "palette/color_keys.h"
#include "palette/listing_file.h"

#include <gtest/gtest.h>

namespace ts {
namespace {

const std::string kHeader =
    "MFG: Acme\nBRANDNAME: Acme Art\nTYPE: Colored Pencil\nSUBTYPE: Wax Based\nSETPARTNUMBER: AC-12\n"
    "MENUNAME: Acme 12\n";

TEST(ListingFile, NameNeedsFiveCharactersAndExactlyTlsFromTheFirstDot) {
    for (const char* name : {"pencils.TLS", "pencils.tls", "Boards.Tls", "x.tLs"}) {
        EXPECT_TRUE(IsListingFileName(name)) << name;
    }
    for (const char* name : {"pencils.tls.bak", "a.tl", ".tls", "pencils", "pen.cils.tls", "pencils.tlsx",
                             "pencils.tl", "pencils.txt", ""}) {
        EXPECT_FALSE(IsListingFileName(name)) << name;
    }
}

TEST(ListingFile, RefusesAWrongEmptyOrMisorderedHeaderAndAListingWithoutTools) {
    const std::string tool = "TOOL:Red,1,255,0,0\n";
    const std::vector<std::string> refused = {
        "",
        kHeader,                          // no tool line
        kHeader + "tool:Red,1,255,0,0\n", // first line not a tool line
        "MFG: Acme\nBRANDNAME: Acme\nTYPE: Colored Pencil\nSUBTYPE:\nSETPARTNUMBER: A\nMENUNAME: M\n" + tool,
        "MFG: Acme\nBRANDNAME: Acme\nTYPE: Colored Pencil\nSUBTYPE:   \nSETPARTNUMBER: A\nMENUNAME: M\n" +
            tool,
        "MFG: Acme\nTYPE: Colored Pencil\nSUBTYPE: Wax\nSETPARTNUMBER: A\nMENUNAME: M\n" + tool,
        "BRANDNAME: Acme\nMFG: Acme\nTYPE: Colored Pencil\nSUBTYPE: Wax\nSETPARTNUMBER: A\nMENUNAME: M\n" +
            tool,
        "mfg: Acme\nBRANDNAME: Acme\nTYPE: Colored Pencil\nSUBTYPE: Wax\nSETPARTNUMBER: A\nMENUNAME: M\n" +
            tool,
        "MFG : Acme\nBRANDNAME: Acme\nTYPE: Colored Pencil\nSUBTYPE: Wax\nSETPARTNUMBER: A\nMENUNAME: M\n" +
            tool,
        "\nMFG: Acme\nBRANDNAME: Acme\nTYPE: Colored Pencil\nSUBTYPE: Wax\nSETPARTNUMBER: A\nMENUNAME: M\n" +
            tool,
        "MFG Acme\nBRANDNAME: Acme\nTYPE: Colored Pencil\nSUBTYPE: Wax\nSETPARTNUMBER: A\nMENUNAME: M\n" +
            tool,
        "MFG: Acme\nBRANDNAME: Acme\nTYPE: Colored Pencil\nSUBTYPE: Wax\nSETPARTNUMBER: A\nMENUNAME:", // cut
                                                                                                       // off
    };
    for (const std::string& text : refused) {
        EXPECT_FALSE(ParseListing(text)) << text;
    }
    EXPECT_TRUE(ParseListing(kHeader + tool));
}

TEST(ListingFile, SkipsOnlySpacesAfterTheColonAndKeepsACarriageReturnInValues) {
    const auto listing =
        ParseListing("MFG:Acme \r\nBRANDNAME: Acme\r\nTYPE:   Substrate\r\nSUBTYPE:\r\n"
                     "SETPARTNUMBER: \tA\r\nMENUNAME: PrismaColor 120\r\nTOOL:Red,1,255,0,8\r\n");
    ASSERT_TRUE(listing);
    EXPECT_EQ(listing->maker, "Acme \r");
    EXPECT_EQ(listing->setPartNumber, "\tA\r");
    EXPECT_EQ(listing->type, "Substrate\r");
    EXPECT_EQ(listing->subType, "\r"); // a lone CR is a value, not an empty one
    EXPECT_EQ(listing->menuName, "PrismaColor 120\r");
    ASSERT_EQ(listing->tools.size(), 1u);
    EXPECT_EQ(listing->tools[0].listedColor, MakeColor(255, 0, 8));
}

TEST(ListingFile, ToolLinesKeepSpacesInNamesAndReadChannelsAsAtoiClamped) {
    const auto listing = ParseListing(kHeader + "TOOL: Gray,BB 4080,168, 12x,-5\n"
                                                "TOOL:Hot:Pink,,300,99999999999999999999,256\n"
                                                "TOOL:Odd,9,+7,abc,1,2,3\n"
                                                "TOOL:Last,10,1,2,3");
    ASSERT_TRUE(listing);
    ASSERT_EQ(listing->tools.size(), 4u);
    EXPECT_EQ(listing->tools[0].name, " Gray");
    EXPECT_EQ(listing->tools[0].code, "BB 4080");
    EXPECT_EQ(listing->tools[0].listedColor, MakeColor(168, 12, 0));
    // Out-of-range channels are clamped, never carried into the neighbouring channel.
    EXPECT_EQ(listing->tools[1].name, "Hot:Pink");
    EXPECT_EQ(listing->tools[1].code, "");
    EXPECT_EQ(listing->tools[1].listedColor, MakeColor(255, 255, 255));
    // The last field runs to the line end; atoi stops at its first comma.
    EXPECT_EQ(listing->tools[2].listedColor, MakeColor(7, 0, 1));
    EXPECT_EQ(listing->tools[3].listedColor, MakeColor(1, 2, 3)); // last line without a line feed
}

TEST(ListingFile, ToolLinesEndAtTheFirstLineThatIsNotOne) {
    for (const char* stop : {"TOOL:Short,1,2,3\n", "\n", "TOOL :Red,1,255,0,0\n", "Tool:Red,1,255,0,0\n",
                             "TOOLRed,1,255,0,0\n", "MFG: Acme\n"}) {
        const auto listing =
            ParseListing(kHeader + "TOOL:A,1,10,20,30\nTOOL:B,2,40,50,60\n" + stop + "TOOL:C,3,70,80,90\n");
        ASSERT_TRUE(listing) << stop;
        ASSERT_EQ(listing->tools.size(), 2u) << stop;
        EXPECT_EQ(listing->tools[1].name, "B");
    }
}

TEST(ListingFile, CutsTextsToTheirLimits) {
    const std::string longText(100, 'x');
    const auto listing =
        ParseListing("MFG: " + longText + "\nBRANDNAME: b\nTYPE: t\nSUBTYPE: s\nSETPARTNUMBER: p\n" +
                     "MENUNAME: " + longText + "\nTOOL:" + longText + "," + longText + ",1,2,3\n");
    ASSERT_TRUE(listing);
    EXPECT_EQ(listing->maker, std::string(63, 'x'));
    EXPECT_EQ(listing->menuName, std::string(63, 'x'));
    EXPECT_EQ(listing->tools[0].name, std::string(31, 'x'));
    EXPECT_EQ(listing->tools[0].code, std::string(31, 'x'));
}

} // namespace
} // namespace ts
