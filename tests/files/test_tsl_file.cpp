#include "files/tsl_file.h"
#include "raster/byte_stream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ts {
namespace {

TEST(TslFile, ForcingTheExtensionKeepsTheNameBeforeTheLastOrSecondToLastDot) {
    EXPECT_EQ(CTslFile::ForceExtension("plan"), "plan.ts.png");
    EXPECT_EQ(CTslFile::ForceExtension("plan.png"), "plan.ts.png");
    EXPECT_EQ(CTslFile::ForceExtension("plan.ts.png"), "plan.ts.png");
    EXPECT_EQ(CTslFile::ForceExtension("plan.old.png"), "plan.ts.png");
    EXPECT_EQ(CTslFile::ForceExtension("a.b.c.png"), "a.b.ts.png");
    EXPECT_EQ(CTslFile::ForceExtension("plan."), "plan.ts.png");
    // Dots of the folders do not count.
    EXPECT_EQ(CTslFile::ForceExtension("/home/v1.2/plan"), "/home/v1.2/plan.ts.png");
    EXPECT_EQ(CTslFile::ForceExtension("/home/v1.2/plan.png"), "/home/v1.2/plan.ts.png");
}

TEST(TslFile, ExtensionsAreComparedInThreeSpellingsOnly) {
    using Kind = CTslFile::Kind;
    EXPECT_EQ(CTslFile::KindOf("/d/plan.tsl"), Kind::kLegacy);
    EXPECT_EQ(CTslFile::KindOf("/d/plan.TSL"), Kind::kLegacy);
    EXPECT_EQ(CTslFile::KindOf("/d/plan.Tsl"), Kind::kLegacy);
    EXPECT_EQ(CTslFile::KindOf("/d/plan.tSl"), Kind::kOther);
    EXPECT_EQ(CTslFile::KindOf("/d/plan.ts.png"), Kind::kDrawingPng);
    EXPECT_EQ(CTslFile::KindOf("/d/plan.PNG"), Kind::kDrawingPng);
    EXPECT_EQ(CTslFile::KindOf("/d/plan.Png"), Kind::kDrawingPng);
    EXPECT_EQ(CTslFile::KindOf("/d/plan.pNg"), Kind::kOther);
    EXPECT_EQ(CTslFile::KindOf("/d.png/plan"), Kind::kOther);
    EXPECT_EQ(CTslFile::Extension("/d/plan.old.jpg"), ".jpg");
    EXPECT_EQ(CTslFile::Extension("/d/plan"), "");
}

std::vector<uint8_t> ImageTsl(int32_t second, int32_t eighth, int32_t width, int32_t height, int32_t count,
                              size_t pixelBytes) {
    ByteWriter out;
    for (int32_t v : {5, second, 1, 2, 3, 4, 5, eighth, width, height, 0, 0, 4, count}) {
        out.PutI32(v);
    }
    for (size_t i = 0; i < pixelBytes; ++i) {
        out.PutBytes(&i, 1);
    }
    return out.Take();
}

TEST(TslFile, APictureFileFillsA24BitImageWhateverItsBytesPerPixel) {
    Image24 image;
    // 3 x 2 pixels: a stride of 12 bytes.
    std::vector<uint8_t> bytes = ImageTsl(0, 1, 3, 2, 24, 24);
    ASSERT_TRUE(CTslFile::ParseImageTsl(bytes.data(), bytes.size(), image));
    EXPECT_EQ(image.Width(), 3);
    EXPECT_EQ(image.Height(), 2);
    EXPECT_EQ(image.Row(1)[0], 12);
    EXPECT_EQ(image.Row(0)[9], 0) << "padding stays zero";
    // Fewer bytes than the image holds fill its first rows.
    bytes = ImageTsl(0, 1, 3, 2, 5, 5);
    ASSERT_TRUE(CTslFile::ParseImageTsl(bytes.data(), bytes.size(), image));
    EXPECT_EQ(image.Row(0)[4], 4);
    EXPECT_EQ(image.Row(1)[0], 0);
}

TEST(TslFile, PictureFilesThatBreakTheirHeaderOrSizesYieldNoImage) {
    Image24 image;
    image.Create(1, 1);
    for (const std::vector<uint8_t>& bad :
         {ImageTsl(1, 1, 3, 2, 24, 24),       // second value not 0
          ImageTsl(0, 0, 3, 2, 24, 24),       // eighth value 0
          ImageTsl(0, 1, 3, 2, 25, 25),       // more bytes than the image holds
          ImageTsl(0, 1, 3, 2, 24, 23),       // fewer bytes in the file than claimed
          ImageTsl(0, 1, 0, 2, 0, 0),         // no width
          ImageTsl(0, 1, 3, -2, 0, 0),        // negative height
          ImageTsl(0, 1, 40000, 40000, 0, 0), // a picture of gigabytes from a few bytes
          ImageTsl(0, 1, 0x7FFFFFF0, 0x71717171, 0, 0)}) {
        EXPECT_FALSE(CTslFile::ParseImageTsl(bad.data(), bad.size(), image));
        EXPECT_EQ(image.Width(), 1);
    }
    EXPECT_FALSE(CTslFile::ReadImageTsl("/no/such/SplashS.tsl", image));
}

} // namespace
} // namespace ts
