// Scanning through libsane with its "test" backend, set up by a configuration folder of the test's own:
// sizes, the grey, one-bit, 16-bit and three-pass pictures, unknown heights, and failing or cancelled
// reads through the scan commands.

#include "document/drawing_test_support.h"
#include "platform/temp_folder.h"
#include "qtplatform/sane_scanner.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace ts {
namespace {

// A SANE configuration that offers only the test backend, with these lines for its devices. libsane
// reads its configuration folder once a process, so every test rewrites the same folder.
class SaneTestBackend {
public:
    explicit SaneTestBackend(const std::string& options) {
        static TempFolder folder;
        std::ofstream(folder.Path() + "dll.conf") << "test\n";
        std::ofstream(folder.Path() + "test.conf") << "number_of_devices 1\n" << options;
        setenv("SANE_CONFIG_DIR", folder.Path().c_str(), 1);
    }
};

ScanResult Scan(const std::string& options, ScanMode mode, int32_t resolution = 100, int32_t depth = 8) {
    SaneTestBackend backend(options);
    SaneScanner scanner;
    ScanRequest request;
    request.mode = mode;
    request.resolution = resolution;
    request.depth = depth;
    return scanner.Acquire(request, nullptr);
}

TEST(SaneScanner, ListsTheTestDevicesAndScansColourAtTheResolutionAsked) {
    SaneTestBackend backend("test-picture \"Color pattern\"\n");
    SaneScanner scanner;
    ASSERT_EQ(scanner.Sources(), std::vector<std::string>{"test:0"});
    EXPECT_FALSE(scanner.SelectSource("test:7"));
    EXPECT_TRUE(scanner.SelectSource("test:0"));
    CountingProgressMeter meter;
    ScanRequest request;
    request.resolution = 0; // counts as 300
    const ScanResult result = scanner.Acquire(request, &meter);
    ASSERT_EQ(result.outcome, ScanOutcome::kScanned);
    EXPECT_EQ(result.resolution, 300);
    // The backend's glass is 80 x 100 mm.
    EXPECT_NEAR(result.image.Width(), 80 / 25.4 * 300, 2);
    EXPECT_NEAR(result.image.Height(), 100 / 25.4 * 300, 2);
    EXPECT_EQ(meter.Done(), result.image.Height());
    // A colour pattern has colour in it.
    bool coloured = false;
    for (int32_t x = 0; x < result.image.Width() && !coloured; ++x) {
        const uint8_t* p = result.image.Pixel(x, result.image.Height() / 3);
        coloured = p[0] != p[1] || p[1] != p[2];
    }
    EXPECT_TRUE(coloured);
}

TEST(SaneScanner, GreyOneBitSixteenBitAndThreePassScansGiveTheSamePictures) {
    const std::string grid = "test-picture \"Grid\"\n";
    const ScanResult grey = Scan(grid, ScanMode::kGray);
    ASSERT_EQ(grey.outcome, ScanOutcome::kScanned);
    // At 16 bits the pattern's grey ramp climbs by 256 a pixel from 196: read in the host's byte order
    // its top bytes climb 0, 1, 2 ...; read the other way round they would all be 196.
    const std::string pattern = "test-picture \"Color pattern\"\n";
    const ScanResult deep = Scan(pattern, ScanMode::kGray, 100, 16);
    ASSERT_EQ(deep.outcome, ScanOutcome::kScanned);
    ASSERT_EQ(deep.image.Width(), 314);
    EXPECT_EQ(deep.image.Pixel(4, 200)[0], 0);
    EXPECT_EQ(deep.image.Pixel(39, 200)[0], 35);
    const ScanResult bits = Scan(grid, ScanMode::kLineart);
    ASSERT_EQ(bits.outcome, ScanOutcome::kScanned);
    EXPECT_TRUE(bits.image.SamePixels(grey.image)) << "the grid is black and white: one bit shows it all";
    int64_t black = 0;
    for (int32_t y = 0; y < grey.image.Height(); ++y) {
        for (int32_t x = 0; x < grey.image.Width(); ++x) {
            black += grey.image.ColorAt(x, y) == 0 ? 1 : 0;
        }
    }
    EXPECT_GT(black, 0);
    EXPECT_LT(black, int64_t{grey.image.Width()} * grey.image.Height());

    const ScanResult single = Scan(pattern, ScanMode::kColor);
    const ScanResult three = Scan(pattern + "three-pass true\n", ScanMode::kColor);
    ASSERT_EQ(three.outcome, ScanOutcome::kScanned);
    EXPECT_TRUE(three.image.SamePixels(single.image));
    // A hand scanner does not know the height beforehand.
    const ScanResult hand = Scan("hand-scanner true\n", ScanMode::kGray);
    ASSERT_EQ(hand.outcome, ScanOutcome::kScanned);
    EXPECT_GT(hand.image.Height(), 0);
}

// A read that fails or is cancelled at once ends the scan while the backend's reader thread may still
// be setting up; closing the device then must not hang the program (a hang shows as the test's timeout).
TEST(SaneScanner, ScansEndedByTheirFirstReadCloseCleanlyTimeAfterTime) {
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(Scan("read-status-code \"SANE_STATUS_CANCELLED\"\n", ScanMode::kColor).outcome,
                  ScanOutcome::kCancelled);
        EXPECT_EQ(Scan("read-status-code \"SANE_STATUS_JAMMED\"\n", ScanMode::kGray).outcome,
                  ScanOutcome::kFailed);
    }
    EXPECT_EQ(Scan("test-picture \"Grid\"\n", ScanMode::kGray).outcome, ScanOutcome::kScanned);
}

class SaneCommands : public testing::DrawingTest {
protected:
    void Use(const std::string& options) {
        backend = std::make_unique<SaneTestBackend>(options);
        scanner = std::make_unique<SaneScanner>(&ui);
        workspace->scanner = scanner.get();
        NewDrawing("4", "3");
    }
    std::unique_ptr<SaneTestBackend> backend;
    std::unique_ptr<SaneScanner> scanner;
};

TEST_F(SaneCommands, AColourScanBecomesALayerOfTheScannedSize) {
    Use("test-picture \"Color pattern\"\n");
    ASSERT_TRUE(workspace->RunCommand(cmd::kImportPhoto + cmd::kAcquire300Color));
    ASSERT_TRUE(current().image) << ui.LastMessageText();
    EXPECT_NEAR(current().image->Width(), 945, 2);
    EXPECT_NEAR(current().image->Height(), 1181, 2);
}

TEST_F(SaneCommands, AFailingReadSaysUnableToScanAndAddsNoLayer) {
    Use("read-status-code \"SANE_STATUS_IO_ERROR\"\n");
    const int32_t layers = stack().Count();
    ASSERT_TRUE(workspace->RunCommand(cmd::kImportPhoto + cmd::kAcquire300Color));
    EXPECT_EQ(ui.LastMessageText(), "Unable to scan.");
    EXPECT_EQ(stack().Count(), layers);
}

TEST_F(SaneCommands, ACancelledRoviDivodScanRenamesNothing) {
    Use("read-status-code \"SANE_STATUS_CANCELLED\"\n");
    ASSERT_TRUE(workspace->roviDivod.Create(Rect{20, 15, 290, 215}));
    const int32_t layers = stack().Count();
    ASSERT_TRUE(workspace->RunCommand(cmd::kRoviDivodScanBack));
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(stack().Count(), layers);
    EXPECT_EQ(current().name, kRoviDivodName);
}

} // namespace
} // namespace ts
