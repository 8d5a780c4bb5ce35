// tintsmith-cli import: a CAD picture saved as a drawing's "CAD Layer", and its refusals.
#include "cli/cli_run.h"
#include "platform/temp_folder.h"

#include <gtest/gtest.h>

#include <png.h>

#include <fstream>
#include <string>
#include <vector>

namespace ts {
namespace {

using testing::RunCli;

bool WritePlan(const std::string& path, uint32_t width, uint32_t height) {
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3, 255);
    for (uint32_t x = 0; x < width; ++x) {
        rgb[(static_cast<size_t>(height / 2) * width + x) * 3] = 0;
        rgb[(static_cast<size_t>(height / 2) * width + x) * 3 + 1] = 0;
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = width;
    image.height = height;
    image.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr) != 0;
}

// A command line built without image codecs cannot make the board a new drawing lies on.
bool WithoutBoards(const std::string& out) {
    return out.find("board textures could not be loaded") != std::string::npos;
}

TEST(CliImport, APlanBecomesTheCadLayerOfANewOrAGivenDrawing) {
    TempFolder folder;
    const std::string plan = folder.Path() + "plan.png";
    ASSERT_TRUE(WritePlan(plan, 800, 600));
    const std::string out = folder.Path() + "out.ts.png";
    const auto made = RunCli("import " + plan + " " + out);
    if (WithoutBoards(made.out)) {
        GTEST_SKIP() << "this build has no image codecs";
    }
    ASSERT_EQ(made.exitCode, 0) << made.out;
    const auto info = RunCli("info " + out + " --json");
    ASSERT_EQ(info.exitCode, 0) << info.out;
    EXPECT_NE(info.out.find("\"name\":\"CAD Layer\""), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("\"width\":200,\"height\":150"), std::string::npos) << info.out;
    EXPECT_EQ(info.out.find("Blank Layer"), std::string::npos) << info.out;
    // Into the drawing just made: a second CAD layer on top of the first.
    const std::string twice = folder.Path() + "twice.ts.png";
    const auto into = RunCli("import " + plan + " " + twice + " --into " + out);
    ASSERT_EQ(into.exitCode, 0) << into.out;
    const auto second = RunCli("info " + twice + " --json");
    EXPECT_NE(second.out.find("\"name\":\"CAD Layer\""), second.out.rfind("\"name\":\"CAD Layer\""))
        << second.out;
}

TEST(CliImport, RefusalsPrintTheMessageAndWriteNothing) {
    TempFolder folder;
    const std::string out = folder.Path() + "out.ts.png";
    std::ofstream(folder.Path() + "broken.png") << "not a picture";
    const struct {
        std::string in;
        const char* message;
    } cases[] = {
        {folder.Path() + "plan.jpg", "File doesn't have a .png extension."},
        {folder.Path() + "plan.ts.png", "Use Open for files of type .ts.png."},
        {folder.Path() + "broken.png", "Error: This File Could Not Be Loaded"},
    };
    for (const auto& c : cases) {
        const auto run = RunCli("import " + c.in + " " + out);
        if (WithoutBoards(run.out)) {
            GTEST_SKIP() << "this build has no image codecs";
        }
        EXPECT_EQ(run.exitCode, 1) << c.in;
        EXPECT_NE(run.out.find(c.message), std::string::npos) << run.out;
        EXPECT_FALSE(std::ifstream(out).good()) << c.in;
    }
    EXPECT_EQ(RunCli("import only-one.png").exitCode, 2);
}

} // namespace
} // namespace ts
