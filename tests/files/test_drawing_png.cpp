#include "files/drawing_png.h"
#include "platform/temp_folder.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <string>
#include <vector>

namespace ts {
namespace {

// The standard output of a command, and whether it ran to a zero exit.
bool RunCommand(const std::string& command, std::string& output) {
    output.clear();
    std::FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) {
        return false;
    }
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        output.append(buffer, n);
    }
    return pclose(pipe) == 0;
}

bool Have(const std::string& probe) {
    std::string ignored;
    return RunCommand(probe, ignored);
}

Image24 Picture(int32_t width, int32_t height) {
    Image24 image;
    image.Create(width, height);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width * 3; ++x) {
            image.Row(y)[x] = static_cast<uint8_t>(x * 5 + y * 3);
        }
    }
    return image;
}

class DrawingPng : public ::testing::Test {
protected:
    std::string Write(const char* name, const Image24& image, const std::vector<uint8_t>* chunk) {
        const std::string path = folder.Path() + name;
        std::FILE* file = std::fopen(path.c_str(), "wb");
        EXPECT_NE(file, nullptr);
        EXPECT_TRUE(WriteDrawingPng(file, image, chunk));
        std::fclose(file);
        return path;
    }

    ChunkStatus ReadChunk(const std::string& path, std::vector<uint8_t>& chunk) {
        std::FILE* file = std::fopen(path.c_str(), "rb");
        const ChunkStatus status = ReadDrawingChunk(file, chunk);
        std::fclose(file);
        return status;
    }

    std::vector<uint8_t> Bytes(const std::string& path) {
        std::vector<uint8_t> bytes;
        std::FILE* file = std::fopen(path.c_str(), "rb");
        int c = 0;
        while ((c = std::fgetc(file)) != EOF) {
            bytes.push_back(static_cast<uint8_t>(c));
        }
        std::fclose(file);
        return bytes;
    }

    std::string Put(const char* name, const std::vector<uint8_t>& bytes) {
        const std::string path = folder.Path() + name;
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (!bytes.empty()) {
            std::fwrite(bytes.data(), 1, bytes.size(), file);
        }
        std::fclose(file);
        return path;
    }

    TempFolder folder;
    const std::vector<uint8_t> sample = std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
};

TEST_F(DrawingPng, TheChunkComesBackAndPrecedesTheImageData) {
    const std::string path = Write("a.ts.png", Picture(37, 5), &sample);
    std::vector<uint8_t> read;
    ASSERT_EQ(ReadChunk(path, read), ChunkStatus::kFound);
    EXPECT_EQ(read, sample);

    if (!Have("pngcheck -h")) {
        GTEST_SKIP() << "pngcheck is not installed";
    }
    std::string report;
    ASSERT_TRUE(RunCommand("pngcheck -v " + path, report)) << report;
    const size_t ihdr = report.find("chunk IHDR");
    const size_t phys = report.find("chunk pHYs");
    const size_t tsap = report.find("chunk tsAP");
    const size_t idat = report.find("chunk IDAT");
    const size_t iend = report.find("chunk IEND");
    ASSERT_NE(tsap, std::string::npos) << report;
    EXPECT_TRUE(ihdr < phys && phys < tsap && tsap < idat && idat < iend) << report;
    EXPECT_NE(report.find("37 x 5 image, 24-bit RGB, non-interlaced"), std::string::npos) << report;
    EXPECT_NE(report.find("11802x11802 pixels/meter (300 dpi)"), std::string::npos) << report;
}

TEST_F(DrawingPng, RowsHandedOverAsBlueGreenRedAreStoredAsRedGreenBlue) {
    const Image24 image = Picture(6, 3);
    const std::string path = Write("b.png", image, nullptr);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    png_image decoded{};
    decoded.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_stdio(&decoded, file));
    decoded.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(decoded));
    ASSERT_TRUE(png_image_finish_read(&decoded, nullptr, rgb.data(), 0, nullptr));
    std::fclose(file);
    for (int32_t y = 0; y < 3; ++y) {
        for (int32_t x = 0; x < 6; ++x) {
            const uint8_t* bgr = image.Pixel(x, y);
            const uint8_t* out = rgb.data() + (y * 6 + x) * 3;
            ASSERT_EQ(out[0], bgr[2]);
            ASSERT_EQ(out[1], bgr[1]);
            ASSERT_EQ(out[2], bgr[0]);
        }
    }
    std::vector<uint8_t> none;
    EXPECT_EQ(ReadChunk(path, none), ChunkStatus::kNoChunk) << "a picture without the drawing chunk";
}

TEST_F(DrawingPng, AnyPngViewerOpensTheFileAtItsSize) {
    // The Python that has Pillow: the one on the path, or the system's.
    std::string python;
    for (const char* candidate : {"python3", "/usr/bin/python3"}) {
        if (Have(std::string(candidate) + " -c 'import PIL'")) {
            python = candidate;
            break;
        }
    }
    if (python.empty()) {
        GTEST_SKIP() << "Pillow is not installed";
    }
    const std::string path = Write("c.ts.png", Picture(41, 17), &sample);
    std::string output;
    ASSERT_TRUE(RunCommand(python + " -c \"from PIL import Image; i = Image.open('" + path +
                               "'); i.load(); print(i.size, i.mode, i.info.get('dpi'))\"",
                           output))
        << output;
    EXPECT_EQ(output.substr(0, 15), "(41, 17) RGB (2") << output;
}

TEST_F(DrawingPng, FilesThatAreNotWholePngsAreTold) {
    std::vector<uint8_t> read;
    EXPECT_EQ(ReadChunk(Put("text.png", {'h', 'e', 'l', 'l', 'o', '!', '!', '!', '!'}), read),
              ChunkStatus::kNotPng);
    EXPECT_EQ(ReadChunk(Put("empty.png", {}), read), ChunkStatus::kNotPng);

    const std::vector<uint8_t> whole = Bytes(Write("d.ts.png", Picture(9, 9), &sample));
    // Cut inside the chunk, and the rest of the signature damaged.
    std::vector<uint8_t> cut(whole.begin(), whole.begin() + 50);
    EXPECT_EQ(ReadChunk(Put("cut.png", cut), read), ChunkStatus::kPngError);
    EXPECT_TRUE(read.empty());
    std::vector<uint8_t> damaged = whole;
    damaged[5] = 'x';
    EXPECT_EQ(ReadChunk(Put("damaged.png", damaged), read), ChunkStatus::kPngError);
    // A chunk claiming more bytes than the file holds is never allocated for.
    std::vector<uint8_t> claims = whole;
    const size_t at = 8 + 25 + 21; // after IHDR and pHYs: the tsAP chunk's length
    claims[at] = 0x7F;
    EXPECT_NE(ReadChunk(Put("claims.png", claims), read), ChunkStatus::kFound);
}

} // namespace
} // namespace ts
