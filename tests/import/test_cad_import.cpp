// A CAD picture becomes a "CAD Layer": pixels classified by brightness, every PNG kind read alike,
// the page following the layer, and files that cannot be read leaving the drawing alone.

#include "document/drawing_test_support.h"
#include "import/cad_import.h"
#include "import/png_test_files.h"
#include "render/line_renderer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace ts {
namespace {

using testing::WritePng;
using testing::WriteRgb;

uint8_t Byte(const RLBuffer& buffer, int32_t x, int32_t y) {
    std::vector<uint8_t> row(static_cast<size_t>(buffer.Width() * buffer.BytesPerPixel()));
    buffer.ReadRow(y, row.data());
    return row[static_cast<size_t>(x * buffer.BytesPerPixel())];
}

uint16_t Mask(const RLBuffer& buffer, int32_t x, int32_t y) {
    std::vector<uint8_t> row(static_cast<size_t>(buffer.Width()) * 2);
    buffer.ReadRow(y, row.data());
    return static_cast<uint16_t>(row[static_cast<size_t>(2 * x)] | row[static_cast<size_t>(2 * x + 1)] << 8);
}

// A white sheet with a dark frame line and a few coloured strokes: a typical CAD print.
std::vector<uint8_t> Plan(uint32_t width, uint32_t height) {
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3, 255);
    auto put = [&](uint32_t x, uint32_t y, uint8_t r, uint8_t g, uint8_t b) {
        uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
        p[0] = r;
        p[1] = g;
        p[2] = b;
    };
    for (uint32_t x = 0; x < width; ++x) {
        put(x, 1, 0, 0, 0);
        put(x, height / 2, 200, 30, 30);
    }
    for (uint32_t y = 0; y < height; ++y) {
        put(width / 3, y, 20, 20, 160);
    }
    for (uint32_t y = 4; y < height; y += 4) {
        put((y * 7) % width, y, 240, 248, 230); // pale, but still background
    }
    return rgb;
}

bool SameParts(const CadLayerParts& a, const CadLayerParts& b) {
    return a.occupancy->SameContents(*b.occupancy) && a.color->SameContents(*b.color) &&
           a.colorIndex->SameContents(*b.colorIndex) && a.colors.Equals(b.colors) &&
           a.useCounts == b.useCounts;
}

class CadPictures : public ::testing::Test {
protected:
    std::string Path(const char* name) { return folder.Path() + name; }
    TempFolder folder;
};

TEST_F(CadPictures, BrightnessBelowTheThresholdMakesLinePixelsAtFullResolution) {
    // (250, 250, 250) is background; (249, 250, 250) is a line pixel (brightness 249).
    std::vector<uint8_t> rgb(8 * 8 * 3, 255);
    auto at = [&](int x, int y) { return &rgb[static_cast<size_t>((y * 8 + x) * 3)]; };
    at(0, 0)[0] = at(0, 0)[1] = at(0, 0)[2] = 250;
    at(5, 2)[0] = 249;
    at(5, 2)[1] = at(5, 2)[2] = 250;
    at(4, 4)[0] = 0; // a red line pixel at the sample point of layer pixel (1, 1)
    at(4, 4)[1] = at(4, 4)[2] = 0;
    ASSERT_TRUE(WriteRgb(Path("a.png"), 8, 8, rgb));
    CadLayerParts parts;
    ASSERT_EQ(DecodeCadPng(Path("a.png"), kCadThreshold, parts), PngReadResult::kRead);
    ASSERT_EQ(parts.occupancy->Width(), 2);
    EXPECT_EQ(Mask(*parts.occupancy, 0, 0), 0) << "(250, 250, 250) is background";
    EXPECT_EQ(Mask(*parts.occupancy, 1, 0), 1u << SuperBitBuffer::SubPixelBit(1, 2));
    EXPECT_EQ(Mask(*parts.occupancy, 1, 1), 1u << SuperBitBuffer::SubPixelBit(0, 0));
    EXPECT_EQ(parts.linePixels, 2);
    // The grey background is painted opaquely; pure white leaves the layer clear.
    EXPECT_EQ(Byte(*parts.color->red, 0, 0), 250);
    EXPECT_EQ(Byte(*parts.color->amount, 0, 0), 255);
    EXPECT_EQ(Byte(*parts.color->amount, 1, 0), 0);
    EXPECT_EQ(Byte(*parts.color->amount, 1, 1), 0) << "a line pixel at the sample point leaves no paint";
    // Both line colours are in the list, each with its pixel counted.
    ASSERT_NE(parts.colors.Slot(0), nullptr);
    EXPECT_EQ(parts.colors.Slot(0)->color, 0x00FAFAF9);
    EXPECT_EQ(parts.colors.Slot(1)->color, 0);
    EXPECT_EQ(Byte(*parts.colorIndex, 1, 1), 1);
    EXPECT_EQ(parts.useCounts[0], 1u);
    EXPECT_EQ(parts.useCounts[1], 1u);
}

TEST_F(CadPictures, PaletteGreyWideAndTransparentFilesReadAsTheirRgbTwin) {
    const uint32_t w = 30;
    const uint32_t h = 22;
    // Grey levels only, so that one picture can be written in every colour type.
    std::vector<uint8_t> grey(w * h);
    for (uint32_t i = 0; i < grey.size(); ++i) {
        grey[i] = static_cast<uint8_t>((i * 37) % 7 == 0 ? (i * 11) % 250 : 255 - (i % 3));
    }
    std::vector<uint8_t> rgb;
    std::vector<uint8_t> rgba;
    std::vector<uint16_t> wide;
    std::vector<uint8_t> transparent; // RGBA of black, alpha making the same grey over white
    std::vector<uint8_t> palette;
    std::vector<uint8_t> indices;
    for (uint8_t g : grey) {
        rgb.insert(rgb.end(), {g, g, g});
        rgba.insert(rgba.end(), {g, g, g, 255});
        wide.insert(wide.end(), {static_cast<uint16_t>(g * 257), static_cast<uint16_t>(g * 257),
                                 static_cast<uint16_t>(g * 257)});
        transparent.insert(transparent.end(), {0, 0, 0, static_cast<uint8_t>(255 - g)});
    }
    for (int v = 0; v < 256; ++v) {
        palette.insert(palette.end(),
                       {static_cast<uint8_t>(v), static_cast<uint8_t>(v), static_cast<uint8_t>(v)});
    }
    ASSERT_TRUE(WriteRgb(Path("rgb.png"), w, h, rgb));
    ASSERT_TRUE(WritePng(Path("grey.png"), w, h, PNG_FORMAT_GRAY, grey.data()));
    ASSERT_TRUE(WritePng(Path("alpha.png"), w, h, PNG_FORMAT_RGBA, rgba.data()));
    ASSERT_TRUE(WritePng(Path("black.png"), w, h, PNG_FORMAT_RGBA, transparent.data()));
    ASSERT_TRUE(WritePng(Path("wide.png"), w, h, PNG_FORMAT_LINEAR_RGB, wide.data()));
    ASSERT_TRUE(WritePng(Path("palette.png"), w, h, PNG_FORMAT_RGB_COLORMAP, grey.data(), palette));
    CadLayerParts twin;
    ASSERT_EQ(DecodeCadPng(Path("rgb.png"), kCadThreshold, twin), PngReadResult::kRead);
    EXPECT_GT(twin.linePixels, 0);
    for (const char* name : {"grey.png", "alpha.png", "black.png", "wide.png", "palette.png"}) {
        CadLayerParts parts;
        ASSERT_EQ(DecodeCadPng(Path(name), kCadThreshold, parts), PngReadResult::kRead) << name;
        EXPECT_TRUE(SameParts(parts, twin)) << name;
    }
}

TEST_F(CadPictures, TheTwoHundredFiftySixthColourSharesSlotZero) {
    const uint32_t w = 260;
    std::vector<uint8_t> rgb;
    for (uint32_t x = 0; x < w; ++x) {
        rgb.insert(rgb.end(), {static_cast<uint8_t>(x % 200), static_cast<uint8_t>(x / 200), 7});
    }
    ASSERT_TRUE(WriteRgb(Path("many.png"), w, 1, rgb));
    CadLayerParts parts;
    ASSERT_EQ(DecodeCadPng(Path("many.png"), kCadThreshold, parts), PngReadResult::kRead);
    EXPECT_EQ(parts.colors.Count(), 255);
    EXPECT_EQ(parts.colors.Slot(254)->color, (254 % 200) | (254 / 200) << 8 | 7 << 16);
    EXPECT_EQ(parts.useCounts[0], 1u + (w - 255)) << "the first colour and every later newcomer";
    EXPECT_EQ(parts.useCounts[254], 1u);
    EXPECT_EQ(Byte(*parts.colorIndex, 64, 0), 0) << "image pixel 256 starts a cell in slot 0";
}

TEST_F(CadPictures, DamagedAndUnreadableFilesAreReportedAsSuch) {
    ASSERT_TRUE(WriteRgb(Path("plan.png"), 64, 64, Plan(64, 64)));
    std::ifstream in(Path("plan.png"), std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    CadLayerParts parts;
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    EXPECT_EQ(DecodeCadPng(data, bytes.size() / 2, kCadThreshold, parts), PngReadResult::kDamaged);
    EXPECT_EQ(DecodeCadPng(data + 1, bytes.size() - 1, kCadThreshold, parts), PngReadResult::kNotPng);
    EXPECT_EQ(DecodeCadPng(Path("none.png"), kCadThreshold, parts), PngReadResult::kCannotOpen);
    bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x5A); // a CRC no longer matches
    EXPECT_EQ(DecodeCadPng(data, bytes.size(), kCadThreshold, parts), PngReadResult::kDamaged);
}

// The whole import in a workspace.
class CadImport : public testing::DrawingTest {
protected:
    CadImport() { NewDrawing("4", "3"); } // a landscape page of 300 x 225 drawing pixels
    std::string Path(const char* name) { return folder.Path() + name; }
    bool Run(const std::string& path) {
        ui.QueueFile(path);
        return workspace->RunCommand(cmd::kImportCadLines) && stack().CurrentLayer()->name == kCadLayerName;
    }
    TempFolder folder;
};

TEST_F(CadImport, APagedSizedPictureReplacesTheBlankLayerAndUndoTakesItAway) {
    ASSERT_TRUE(WriteRgb(Path("plan.png"), 1200, 900, Plan(1200, 900)));
    undo().Reset(false);
    ASSERT_TRUE(Run(Path("plan.png")));
    EXPECT_TRUE(ui.Messages().empty());
    ASSERT_EQ(stack().Count(), 3) << "the empty Blank Layer goes";
    EXPECT_EQ(current().PartWidth(), 300);
    EXPECT_EQ(stack().DrawingWidth(), 300);
    ASSERT_NE(undo().NewestUndo(), nullptr);
    EXPECT_EQ(undo().NewestUndo()->kind, UndoRedo::kLayerAdded);
    // The lines are drawn at the thin-line width, in their own colours.
    ASSERT_TRUE(current().lineArt);
    EXPECT_TRUE(current().lineArt->HasLines());
    EXPECT_EQ(LineWidthOf(Byte(*current().lineArt->refreshWidth, 75, 0)), 3);
    EXPECT_EQ(current().lineArt->colorList->Slot(0)->color, 0x00A01414) << "the blue line comes first";
    EXPECT_EQ(current().lineArt->colorList->Slot(1)->color, 0);
    EXPECT_NE(Mask(*current().lineArt->lineBuffer, 100, 112), 0) << "the blue line at x = 400 / 4";
    EXPECT_EQ(refresh().reasons.back(), "Import CAD Lines");
    workspace->RunCommand(cmd::kUndo);
    EXPECT_EQ(stack().Count(), 2);
}

TEST_F(CadImport, APortraitSheetTurnsAndThePageFollowsItWithAWholeDrawingUndo) {
    const uint32_t w = 400;
    const uint32_t h = 880;
    std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3, 255);
    rgb[0] = rgb[1] = rgb[2] = 0; // a mark at the top-left corner
    ASSERT_TRUE(WriteRgb(Path("tall.png"), w, h, rgb));
    undo().Reset(false);
    ASSERT_TRUE(Run(Path("tall.png")));
    EXPECT_EQ(current().PartWidth(), 220);
    EXPECT_EQ(current().PartHeight(), 100);
    EXPECT_EQ(stack().DrawingWidth(), 220);
    EXPECT_EQ(stack().DrawingHeight(), 100);
    EXPECT_EQ(ops().CurrentPage().width, 880);
    EXPECT_EQ(ops().CurrentPage().height, 400);
    // A quarter turn counter-clockwise: the top-left corner comes out at the bottom-left.
    EXPECT_NE(Mask(*current().frame->drawingBuffer, 0, 99), 0);
    ASSERT_NE(undo().NewestUndo(), nullptr);
    EXPECT_EQ(undo().NewestUndo()->kind, UndoRedo::kDrawing);
    workspace->RunCommand(cmd::kUndo);
    EXPECT_EQ(stack().DrawingWidth(), 300);
    EXPECT_EQ(stack().DrawingHeight(), 225);
    EXPECT_EQ(ops().CurrentPage().width, 1200) << "the page comes back with the drawing";
    EXPECT_EQ(ops().CurrentPage().height, 900);
    ASSERT_EQ(stack().Count(), 3);
    EXPECT_EQ(layer(2).name, kBlankLayerName);
}

TEST_F(CadImport, RefusedAndUnreadableFilesShowTheirMessageAndChangeNothing) {
    AddLayer(20, 20, 0, 0, "Mine");
    const std::vector<uint32_t> ids = Ids();
    undo().Reset(false);
    ASSERT_TRUE(WriteRgb(Path("plan.png"), 64, 64, Plan(64, 64)));
    std::ifstream in(Path("plan.png"), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::ofstream(Path("cut.png"), std::ios::binary) << bytes.substr(0, bytes.size() / 2);
    std::ofstream(Path("text.png"), std::ios::binary) << "not a picture";
    std::vector<uint8_t> wideRow(140000 * 3, 0);
    ASSERT_TRUE(WriteRgb(Path("wide.png"), 140000, 1, wideRow)); // wider than a layer row can be
    const struct {
        const char* name;
        const char* message;
    } cases[] = {
        {"plan.jpg", kNoPngExtension},   {"plan.pNG", kNoPngExtension}, {"plan.ts.png", kUseOpenForDrawings},
        {"cut.png", kFileNotLoaded},     {"text.png", kFileNotLoaded},  {"wide.png", kFileNotLoaded},
        {"missing.png", kFileNotLoaded},
    };
    for (const auto& c : cases) {
        ui.ClearMessages();
        EXPECT_FALSE(Run(Path(c.name))) << c.name;
        EXPECT_EQ(ui.LastMessageText(), c.message) << c.name;
        EXPECT_EQ(Ids(), ids) << c.name;
        EXPECT_EQ(undo().UndoCount(), 0) << c.name;
        EXPECT_EQ(stack().DrawingWidth(), 300) << c.name;
    }
    EXPECT_TRUE(CadLineImport::HasPngExtension("a.Png"));
}

} // namespace
} // namespace ts
