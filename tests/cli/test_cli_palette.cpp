// tintsmith-cli palette: lists a palette file as the program reads it, or refuses a corrupt one.
#include "cli/cli_run.h"
#include "platform/temp_folder.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace ts {
namespace {

using PaletteRun = testing::CliRun;

// Standard output, or standard error alone with stdout dropped.
PaletteRun PaletteCli(const std::string& path, bool errors) {
    return testing::RunCli("palette '" + path + "'", errors ? " 2>&1 >/dev/null" : " 2>/dev/null");
}

std::string Put(const TempFolder& folder, const char* name, const std::string& bytes) {
    const std::string path = folder.Path() + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

TEST(CliPalette, ListsTheNameAndEveryColourAsRgb) {
    TempFolder folder;
    const std::string path = Put(folder, "Sky.blue.pal", "00000002\r\n00ff0000 Blue\r\n000080ff\r\n");
    const PaletteRun run = PaletteCli(path, false);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "Sky\n0000ff Blue\nff8000\n");
}

TEST(CliPalette, RefusesACorruptFileWithTheProgramsMessage) {
    TempFolder folder;
    for (const char* bytes : {"00000001\r\n00FF0000 Blue\r\n", "00000002\r\n00ff0000 Blue\r\n", ""}) {
        const PaletteRun run = PaletteCli(Put(folder, "Bad.pal", bytes), true);
        EXPECT_EQ(run.exitCode, 1) << bytes;
        EXPECT_NE(run.out.find("Palette File has become corrupt."), std::string::npos) << run.out;
    }
    const PaletteRun missing = PaletteCli(folder.Path() + "none.pal", true);
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.out.find("The file could not be located."), std::string::npos) << missing.out;
}

} // namespace
} // namespace ts
