// Palette files: the exact format, what makes a file invalid, and the start-up check of the folder.
#include "palette/palette_file.h"
#include "platform/headless_user_interface.h"
#include "platform/temp_folder.h"

#include "palette/listing_text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace ts {
namespace {

std::string Count(uint32_t n) {
    char text[16];
    std::snprintf(text, sizeof text, "%08x\r\n", n);
    return text;
}

// n colour lines "00xxxxxx cN".
std::string Lines(uint32_t n) {
    std::string out;
    for (uint32_t i = 0; i < n; ++i) {
        char text[32];
        std::snprintf(text, sizeof text, "%08x c%u\r\n", i & 0xFFFFFFu, i);
        out += text;
    }
    return out;
}

TEST(PaletteFile, OneBlueColourReadsAndWritesBackByteForByte) {
    const std::string bytes = "00000001\r\n00ff0000 Blue\r\n";
    const auto list = ParsePaletteFile(bytes, "Sky");
    ASSERT_TRUE(list);
    ASSERT_EQ(list->Count(), 1);
    EXPECT_EQ(list->Entry(0).color, 0x00FF0000u); // pure blue: blue is the third byte
    EXPECT_EQ(list->Entry(0).name, "Blue");
    EXPECT_EQ(list->name, "Sky");
    EXPECT_EQ(FormatPaletteFile(*list), bytes);
}

TEST(PaletteFile, OnlyTheSeparatorSpaceIsCutFromAName) {
    const auto list = ParsePaletteFile("00000003\r\n000000ff  Red\r\n0000ff00\r\n00000000 \r\n");
    ASSERT_TRUE(list);
    EXPECT_EQ(list->Entry(0).name, " Red");
    EXPECT_EQ(list->Entry(1).name, "");
    EXPECT_EQ(list->Entry(2).name, "");
    // Written back every colour gets its separator.
    EXPECT_EQ(FormatPaletteFile(*list), "00000003\r\n000000ff  Red\r\n0000ff00 \r\n00000000 \r\n");
}

TEST(PaletteFile, CountsOutsideOneTo2048AndForeignDigitsAreInvalid) {
    EXPECT_FALSE(ValidatePaletteFile(Count(0)));
    EXPECT_FALSE(ValidatePaletteFile(Count(0x801) + Lines(0x801)));
    EXPECT_TRUE(ValidatePaletteFile(Count(0x800) + Lines(0x800)));
    EXPECT_FALSE(ValidatePaletteFile("00000001\r\n00FF0000 Blue\r\n")) << "upper-case digits";
    EXPECT_FALSE(ValidatePaletteFile("0000000A\r\n" + Lines(10)));
    EXPECT_FALSE(ValidatePaletteFile("00000001\r\n01000000 Too big\r\n"));
    EXPECT_FALSE(ValidatePaletteFile("00000001\r\n00ff0000 Blue\n")) << "no CR";
    EXPECT_FALSE(ValidatePaletteFile("00000001\r\n00ff0000 Blue\r")) << "the LF cut off";
    EXPECT_FALSE(ValidatePaletteFile("00000001\n00ff0000 Blue\r\n"));
    EXPECT_FALSE(ValidatePaletteFile(""));
}

TEST(PaletteFile, ABodyShorterThanItsCountIsRefusedWithoutReadingPastIt) {
    // The bytes live in a buffer of their own length: a read past it would be caught by the sanitizers.
    const std::string whole = Count(3) + Lines(2);
    const std::string_view exact(whole.data(), whole.size());
    EXPECT_FALSE(ValidatePaletteFile(exact));
    EXPECT_FALSE(ParsePaletteFile(exact));
    const std::string cut = Count(2) + Lines(2).substr(0, 14); // stops inside the second line
    EXPECT_FALSE(ParsePaletteFile(cut));
}

TEST(PaletteFile, AFileOfMoreThan512ColoursKeepsTheFirst512) {
    const auto list = ParsePaletteFile(Count(600) + Lines(600));
    ASSERT_TRUE(list);
    EXPECT_EQ(list->Count(), PaletteColorList::kMaxColors);
    EXPECT_EQ(list->Entry(511).name, "c511");
    EXPECT_EQ(FormatPaletteFile(*list).substr(0, 10), Count(512));
}

TEST(PaletteFile, NamesComeFromTheFileNameAndExtensionsAreCheckedInAnyCase) {
    EXPECT_EQ(PaletteNameOf("/home/ann/my.palettes/Rose.wood.pal"), "Rose");
    EXPECT_EQ(PaletteNameOf("Blue.pal"), "Blue");
    EXPECT_TRUE(HasPaletteExtension("/a.pal"));
    EXPECT_TRUE(HasPaletteExtension("/x/B.PAL"));
    EXPECT_FALSE(HasPaletteExtension("/x.pal/b"));
    EXPECT_FALSE(HasPaletteExtension("/x/b.pals"));
}

TEST(PaletteFile, WritingKeepsNamesOnTheirLineAndLeavesNoScratchFile) {
    TempFolder folder;
    PaletteColorList list;
    list.Append(MakeEntry(0x00123456, 0, 0, "Line\rbreak"));
    const std::string path = folder.Path() + "Out.pal";
    ASSERT_TRUE(WritePaletteFile(path, list));
    const auto back = ReadPaletteFile(path);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Entry(0).name, "Linebreak");
    EXPECT_EQ(back->name, "Out");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1);
    EXPECT_FALSE(WritePaletteFile(folder.Path() + "missing/Out.pal", list));
}

TEST(PaletteFile, TheStartUpCheckRemovesScratchFilesAndAsksAboutOthers) {
    TempFolder folder;
    const std::string& dir = folder.Path();
    WriteTextFile(dir + "Good.pal", "00000001\r\n00ff0000 Blue\r\n");
    WriteTextFile(dir + "VizodiriZeriviri2.pal", "broken");
    WriteTextFile(dir + "Kept.PAL", "broken");
    WriteTextFile(dir + "Gone.pal", "broken");
    WriteTextFile(dir + "Empty.pal", "");
    WriteTextFile(dir + "notes.txt", "broken");
    std::filesystem::permissions(dir + "VizodiriZeriviri2.pal", std::filesystem::perms::owner_read);
    HeadlessUserInterface ui;
    ui.QueueAnswer(Answer::Yes); // Gone.pal (name order)
    ui.QueueAnswer(Answer::No);  // Kept.PAL
    EXPECT_EQ(CheckPaletteFolder(dir, ui), 2);
    EXPECT_EQ(ui.MessageTexts(), (std::vector<std::string>{"A palette file has become corrupt. Remove it?",
                                                           "A palette file has become corrupt. Remove it?"}));
    for (const char* name : {"Good.pal", "Kept.PAL", "Empty.pal", "notes.txt"}) {
        EXPECT_TRUE(std::filesystem::exists(dir + name)) << name;
    }
    EXPECT_FALSE(std::filesystem::exists(dir + "Gone.pal"));
    EXPECT_FALSE(std::filesystem::exists(dir + "VizodiriZeriviri2.pal"));
}

TEST(PaletteFile, TheProgramsOwnPalettesPassTheReader) {
    const std::filesystem::path data = std::filesystem::path(TINTSMITH_SOURCE_DIR) / "data";
    for (const char* name : {"Palettes/Rosewood.pal", "Palettes/BlueBungalow.pal", "Palettes/Sculpture.pal",
                             "Palettes/Bavinger.pal", "Tools/CommercialBoards.pal"}) {
        const auto list = ReadPaletteFile((data / name).string());
        ASSERT_TRUE(list) << name;
        EXPECT_GT(list->Count(), 0) << name;
        std::string bytes;
        ASSERT_TRUE(ReadPaletteBytes((data / name).string(), bytes));
        EXPECT_EQ(FormatPaletteFile(*list), bytes) << name << " is written back as it was";
    }
}

} // namespace
} // namespace ts
