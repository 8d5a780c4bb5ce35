#include "qtplatform/qt_image_codec.h"

#include "platform/temp_folder.h"

#include <QColor>
#include <QImage>

#include <gtest/gtest.h>

#include <zlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace ts {
namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// An odd-sized image (rows carry padding) with every pixel different.
Image24 TestImage(int32_t width = 7, int32_t height = 5) {
    Image24 image;
    EXPECT_TRUE(image.Create(width, height));
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            uint8_t* p = image.Pixel(x, y);
            p[0] = static_cast<uint8_t>(x * 36);
            p[1] = static_cast<uint8_t>(y * 60 + 3);
            p[2] = static_cast<uint8_t>(255 - x * 20 - y * 9);
        }
    }
    return image;
}

std::string Chunk(const std::string& type, const std::string& data) {
    std::string chunk;
    for (int shift = 24; shift >= 0; shift -= 8) {
        chunk += static_cast<char>(data.size() >> shift);
    }
    chunk += type + data;
    const std::string crcData = type + data;
    const uLong crc =
        crc32(0, reinterpret_cast<const Bytef*>(crcData.data()), static_cast<uInt>(crcData.size()));
    for (int shift = 24; shift >= 0; shift -= 8) {
        chunk += static_cast<char>(crc >> shift);
    }
    return chunk;
}

// A PNG that claims the given size but carries almost no data.
std::string PngClaiming(uint32_t width, uint32_t height) {
    std::string ihdr;
    for (uint32_t v : {width, height}) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            ihdr += static_cast<char>(v >> shift);
        }
    }
    ihdr += std::string("\x08\x02\x00\x00\x00", 5);
    return std::string("\x89PNG\r\n\x1a\n", 8) + Chunk("IHDR", ihdr) +
           Chunk("IDAT", std::string("\x78\x9c", 2)) + Chunk("IEND", "");
}

class QtImageCodecTest : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return m_folder.Path() + name; }

    TempFolder m_folder;
    QtImageCodec m_codec;
};

TEST_F(QtImageCodecTest, PngBmpAndTiffRoundTripExactlyWhateverTheName) {
    const Image24 image = TestImage();
    const struct {
        ImageFormat format;
        const char* name;
        std::string signature;
    } cases[] = {{ImageFormat::Png, "a.png", std::string("\x89PNG", 4)},
                 {ImageFormat::Bmp, "a.bmp", "BM"},
                 {ImageFormat::Tiff, "a.tif", "II*"},
                 {ImageFormat::Png, "really-a-png.jpg", std::string("\x89PNG", 4)}};
    for (const auto& c : cases) {
        std::string error;
        ASSERT_TRUE(m_codec.Save(Path(c.name), image, c.format, 80, &error)) << c.name << ": " << error;
        EXPECT_EQ(ReadFile(Path(c.name)).substr(0, c.signature.size()), c.signature) << c.name;
        Image24 loaded;
        ASSERT_TRUE(m_codec.Load(Path(c.name), loaded, &error)) << c.name << ": " << error;
        EXPECT_TRUE(loaded.SamePixels(image)) << c.name;
    }
}

TEST_F(QtImageCodecTest, JpegIsCloseAndFollowsTheQuality) {
    Image24 image;
    ASSERT_TRUE(image.Create(64, 48));
    for (int32_t y = 0; y < 48; ++y) {
        for (int32_t x = 0; x < 64; ++x) {
            image.SetColor(x, y,
                           static_cast<uint32_t>(x * 4) | static_cast<uint32_t>(y * 5) << 8 | 0x800000u);
        }
    }
    ASSERT_TRUE(m_codec.Save(Path("fine.jpg"), image, ImageFormat::Jpeg, 95));
    ASSERT_TRUE(m_codec.Save(Path("coarse.jpg"), image, ImageFormat::Jpeg, 5));
    EXPECT_EQ(ReadFile(Path("fine.jpg")).substr(0, 3), "\xff\xd8\xff");
    EXPECT_LT(ReadFile(Path("coarse.jpg")).size(), ReadFile(Path("fine.jpg")).size());

    Image24 loaded;
    ASSERT_TRUE(m_codec.Load(Path("fine.jpg"), loaded));
    ASSERT_EQ(loaded.Width(), 64);
    ASSERT_EQ(loaded.Height(), 48);
    int worst = 0;
    for (int32_t y = 0; y < 48; ++y) {
        for (int32_t x = 0; x < 64 * 3; ++x) {
            worst = std::max(worst, std::abs(loaded.Row(y)[x] - image.Row(y)[x]));
        }
    }
    EXPECT_LT(worst, 16);
}

TEST_F(QtImageCodecTest, PaletteAndAlphaImagesArriveAsColour) {
    QImage indexed(3, 2, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(255, 0, 0), qRgb(0, 128, 0), qRgb(10, 20, 30)});
    indexed.fill(1);
    indexed.setPixel(2, 1, 2);
    ASSERT_TRUE(indexed.save(QString::fromStdString(Path("palette.png"))));
    EXPECT_EQ(ReadFile(Path("palette.png"))[25], 3) << "not a palette PNG";
    Image24 loaded;
    ASSERT_TRUE(m_codec.Load(Path("palette.png"), loaded));
    EXPECT_EQ(loaded.ColorAt(0, 0), 0x008000u);
    EXPECT_EQ(loaded.ColorAt(2, 1), 0x1E140Au);

    // Transparent parts lie over white: black lines on a clear ground stay readable.
    QImage alpha(4, 1, QImage::Format_ARGB32);
    alpha.setPixel(0, 0, qRgba(0, 0, 0, 0));
    alpha.setPixel(1, 0, qRgba(0, 0, 0, 255));
    alpha.setPixel(2, 0, qRgba(200, 10, 0, 255));
    alpha.setPixel(3, 0, qRgba(0, 0, 255, 128));
    ASSERT_TRUE(alpha.save(QString::fromStdString(Path("alpha.png"))));
    EXPECT_EQ(ReadFile(Path("alpha.png"))[25], 6) << "not an RGBA PNG";
    ASSERT_TRUE(m_codec.Load(Path("alpha.png"), loaded));
    EXPECT_EQ(loaded.ColorAt(0, 0), 0xFFFFFFu);
    EXPECT_EQ(loaded.ColorAt(1, 0), 0x000000u);
    EXPECT_EQ(loaded.ColorAt(2, 0), 0x000AC8u);
    const uint8_t* half = loaded.Pixel(3, 0);
    EXPECT_EQ(half[0], 255);
    EXPECT_NEAR(half[1], 127, 1);
    EXPECT_NEAR(half[2], 127, 1);
}

TEST_F(QtImageCodecTest, RefusesMissingDamagedForeignAndOversizedFiles) {
    Image24 loaded;
    ASSERT_TRUE(loaded.Create(1, 1));
    std::string error;
    EXPECT_FALSE(m_codec.Load(Path("none.png"), loaded, &error));
    EXPECT_EQ(error, "The file could not be located.");

    ASSERT_TRUE(m_codec.Save(Path("whole.png"), TestImage(40, 30), ImageFormat::Png));
    const std::string png = ReadFile(Path("whole.png"));
    WriteFile(Path("cut.png"), png.substr(0, png.size() / 2));
    error.clear();
    EXPECT_FALSE(m_codec.Load(Path("cut.png"), loaded, &error));
    EXPECT_FALSE(error.empty());

    WriteFile(Path("notes.png"), "Kitchen elevation, scale 1:50\n");
    EXPECT_FALSE(m_codec.Load(Path("notes.png"), loaded, &error));
    EXPECT_EQ(error, "The file is not a PNG, JPEG, BMP, GIF or TIFF image.");
    WriteFile(Path("empty.png"), "");
    EXPECT_FALSE(m_codec.Load(Path("empty.png"), loaded, &error));

    WriteFile(Path("huge.png"), PngClaiming(20000, 20000));
    EXPECT_FALSE(m_codec.Load(Path("huge.png"), loaded, &error));
    EXPECT_EQ(error, "The image is too large (20000 x 20000 pixels).");
    WriteFile(Path("bogus.png"), PngClaiming(0x7FFFFFFF, 0x7FFFFFFF));
    EXPECT_FALSE(m_codec.Load(Path("bogus.png"), loaded, &error));

    // Nothing above touched the image that was passed in.
    EXPECT_EQ(loaded.Width(), 1);
}

TEST_F(QtImageCodecTest, SavingRefusesAnEmptyImageAndAMissingFolder) {
    std::string error;
    EXPECT_FALSE(m_codec.Save(Path("empty.png"), Image24(), ImageFormat::Png, 80, &error));
    EXPECT_FALSE(std::filesystem::exists(Path("empty.png")));
    EXPECT_FALSE(m_codec.Save(Path("no/such/folder/a.bmp"), TestImage(), ImageFormat::Bmp, 80, &error));
    EXPECT_FALSE(error.empty());
}

// Random bytes, and damaged copies of real files of every format, never crash the reader; random
// bytes are never an image.
TEST_F(QtImageCodecTest, RandomAndDamagedBytesAreRefusedSafely) {
    std::mt19937 random(20240611);
    Image24 loaded;
    for (int i = 0; i < 200; ++i) {
        std::string bytes(random() % 3000, '\0');
        for (char& c : bytes) {
            c = static_cast<char>(random());
        }
        WriteFile(Path("random.bin"), bytes);
        EXPECT_FALSE(m_codec.Load(Path("random.bin"), loaded)) << "input " << i;
    }

    const Image24 image = TestImage(23, 17);
    std::vector<std::string> originals;
    for (ImageFormat format : {ImageFormat::Png, ImageFormat::Jpeg, ImageFormat::Bmp, ImageFormat::Tiff}) {
        ASSERT_TRUE(m_codec.Save(Path("original"), image, format));
        originals.push_back(ReadFile(Path("original")));
    }
    for (const std::string& original : originals) {
        for (int i = 0; i < 60; ++i) {
            std::string bytes = original;
            const int flips = 1 + static_cast<int>(random() % 8);
            for (int f = 0; f < flips; ++f) {
                bytes[random() % bytes.size()] = static_cast<char>(random());
            }
            if (i % 4 == 0) {
                bytes.resize(random() % bytes.size());
            }
            WriteFile(Path("damaged.bin"), bytes);
            if (m_codec.Load(Path("damaged.bin"), loaded)) {
                EXPECT_GT(loaded.Width(), 0);
                EXPECT_EQ(loaded.Pixels().size(), static_cast<size_t>(loaded.Stride() * loaded.Height()));
            }
        }
    }
}

} // namespace
} // namespace ts
