// CAD import of a 7200 x 4800 print (made in the run: 1-3 pixel black and coloured lines and a hatched
// area on white, written with libpng's defaults) against libpng decoding the same file row by row.

#include "document/layer_operations.h"
#include "import/cad_import.h"
#include "import/scanback.h"
#include "model/image_stack_manager.h"
#include "platform/headless_image_codec.h"
#include "platform/headless_user_interface.h"
#include "platform/memory_settings_store.h"
#include "workspace/workspace.h"

#include <benchmark/benchmark.h>
#include <png.h>

#include <algorithm>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kWidth = 7200;
constexpr uint32_t kHeight = 4800;

// One row of the print: a wall grid of black lines 1-3 pixels thick, red and blue dimension lines, and
// a hatched room (diagonals every 12 pixels) in the middle.
void PrintRow(uint32_t y, std::vector<uint8_t>& rgb) {
    std::fill(rgb.begin(), rgb.end(), 255);
    auto put = [&](uint32_t x, uint8_t r, uint8_t g, uint8_t b) {
        rgb[x * 3] = r;
        rgb[x * 3 + 1] = g;
        rgb[x * 3 + 2] = b;
    };
    const uint32_t thickness = 1 + (y / 600) % 3;
    const bool wallRow = y % 300 < thickness;
    const bool redRow = y % 450 == 17;
    for (uint32_t x = 0; x < kWidth; ++x) {
        if (wallRow || x % 300 < 1 + (x / 600) % 3) {
            put(x, 0, 0, 0);
        } else if (redRow) {
            put(x, 210, 30, 30);
        } else if (x % 520 == 40) {
            put(x, 30, 60, 200);
        } else if (x > 2400 && x < 4800 && y > 1600 && y < 3200 && (x + y) % 12 == 0) {
            put(x, 90, 90, 90);
        }
    }
}

std::string WritePrint() {
    const char* tmp = std::getenv("TMPDIR");
    const std::string path = std::string(tmp ? tmp : "/tmp") + "/tintsmith_bench_cad_print.png";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        return "";
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<uint8_t> row(kWidth * 3);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return "";
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, kWidth, kHeight, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (uint32_t y = 0; y < kHeight; ++y) {
        PrintRow(y, row);
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return path;
}

const std::string& ThePrint() {
    static const std::string path = WritePrint();
    return path;
}

// libpng decoding the print row by row into one row buffer: the least any import must do.
void BM_LibpngDecodeRows(benchmark::State& state) {
    const std::string& path = ThePrint();
    std::vector<uint8_t> row(kWidth * 3);
    for (auto _ : state) {
        std::FILE* file = std::fopen(path.c_str(), "rb");
        png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        if (!file || setjmp(png_jmpbuf(png))) {
            png_destroy_read_struct(&png, &info, nullptr);
            if (file) {
                std::fclose(file);
            }
            state.SkipWithError("libpng failed");
            break;
        }
        png_init_io(png, file);
        png_read_info(png, info);
        for (uint32_t y = 0; y < kHeight; ++y) {
            png_read_row(png, row.data(), nullptr);
        }
        png_read_end(png, nullptr);
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(file);
        benchmark::DoNotOptimize(row.data());
    }
}
BENCHMARK(BM_LibpngDecodeRows)->Unit(benchmark::kMillisecond);

// The print made into the CAD layer's parts: occupancy, background colour, line colours.
void BM_CadImportToLayer(benchmark::State& state) {
    const std::string& path = ThePrint();
    for (auto _ : state) {
        ts::CadLayerParts parts;
        if (ts::DecodeCadPng(path, ts::kCadThreshold, parts) != ts::PngReadResult::kRead) {
            state.SkipWithError("the print did not import");
            break;
        }
        benchmark::DoNotOptimize(parts.linePixels);
    }
}
BENCHMARK(BM_CadImportToLayer)->Unit(benchmark::kMillisecond);

// The whole import into a drawing of the print's size: the layer added, its lines rebuilt at the thin
// line width, the undo record taken.
void BM_CadImportWithLines(benchmark::State& state) {
    const std::string& path = ThePrint();
    ts::HeadlessUserInterface ui;
    ts::MemorySettingsStore settings;
    ts::HeadlessImageCodec codec;
    ts::Workspace w(ui, settings, codec, "/nowhere/");
    w.imageStack.CreateLayer(ts::kBackdropName);
    w.imageStack.CreateLayer(ts::kPaperName);
    ts::Page page;
    page.width = page.printableWidth = static_cast<int32_t>(kWidth);
    page.height = page.printableHeight = static_cast<int32_t>(kHeight);
    w.layerOperations.SetPage(page);
    w.imageStack.SetDrawingSize(page.DrawingWidth(), page.DrawingHeight());
    for (auto _ : state) {
        if (!w.cadImport.Import(path)) {
            state.SkipWithError("the print did not import");
            break;
        }
        state.PauseTiming();
        w.imageStack.RemoveLayer(w.imageStack.Count() - 1);
        w.imageStack.SetCurrent(ts::ImageStackManager::kPaperIndex);
        w.undoStore.Reset(false);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_CadImportWithLines)->Unit(benchmark::kMillisecond);

// A RoviDivod sheet of 24 x 36 in scanned at 300 dpi (7200 x 10800): its footprint is the whole page
// printed at 300 dpi (1800 x 2700 drawing pixels, 75 an inch), with the ten marks and a grid of pencil
// strokes 3 pixels wide, as the scanner delivers it.
constexpr int32_t kSheetWidth = 7200;
constexpr int32_t kSheetHeight = 10800;

const ts::Image24& TheSheet() {
    static const ts::Image24 sheet = [] {
        ts::Image24 page;
        page.Create(kSheetWidth / 4, kSheetHeight / 4);
        std::fill(page.Pixels().begin(), page.Pixels().end(), uint8_t{255});
        ts::marks::Draw(page, ts::Rect{0, 0, page.Width(), page.Height()}, 75.0);
        ts::Image24 image;
        image.Create(kSheetWidth, kSheetHeight);
        for (int32_t y = 0; y < kSheetHeight; ++y) {
            uint8_t* out = image.Row(y);
            const bool strokeRow = y % 400 >= 200 && y % 400 < 203;
            for (int32_t x = 0; x < kSheetWidth; ++x, out += 3) {
                const uint8_t* in = page.Pixel(x / 4, y / 4);
                const bool stroke = (strokeRow || (x % 500 >= 250 && x % 500 < 253)) && in[0] == 255;
                out[0] = stroke ? 60 : in[0];
                out[1] = stroke ? 60 : in[1];
                out[2] = stroke ? 60 : in[2];
            }
        }
        return image;
    }();
    return sheet;
}

std::string WriteSheet() {
    const ts::Image24& sheet = TheSheet();
    const char* tmp = std::getenv("TMPDIR");
    const std::string path = std::string(tmp ? tmp : "/tmp") + "/tintsmith_bench_rovidivod_sheet.png";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        return "";
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return "";
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, kSheetWidth, kSheetHeight, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_bgr(png);
    for (int32_t y = 0; y < kSheetHeight; ++y) {
        png_write_row(png, sheet.Row(y));
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return path;
}

// libpng decoding the scanned sheet row by row: what reading the scan from a file costs at the least.
void BM_LibpngDecodeSheet(benchmark::State& state) {
    static const std::string path = WriteSheet();
    std::vector<uint8_t> row(size_t(kSheetWidth) * 3);
    for (auto _ : state) {
        std::FILE* file = std::fopen(path.c_str(), "rb");
        png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        if (!file || setjmp(png_jmpbuf(png))) {
            png_destroy_read_struct(&png, &info, nullptr);
            if (file) {
                std::fclose(file);
            }
            state.SkipWithError("libpng failed");
            break;
        }
        png_init_io(png, file);
        png_read_info(png, info);
        for (int32_t y = 0; y < kSheetHeight; ++y) {
            png_read_row(png, row.data(), nullptr);
        }
        png_read_end(png, nullptr);
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(file);
        benchmark::DoNotOptimize(row.data());
    }
}
BENCHMARK(BM_LibpngDecodeSheet)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// The scanback's realignment and extraction of that sheet: marks found and fitted, the footprint
// straightened, thinned and made into the Sketch Lines' occupancy.
void BM_ScanbackSheet(benchmark::State& state) {
    const ts::Image24& sheet = TheSheet();
    for (auto _ : state) {
        ts::RealignedLines lines;
        if (ts::RealignAndExtract(sheet, 300.0, ts::Rect{0, 0, kSheetWidth / 4, kSheetHeight / 4}, 75.0, 0,
                                  ts::kScanbackPasses, nullptr, lines) != ts::RealignResult::kDone) {
            state.SkipWithError("the sheet's marks were not found");
            break;
        }
        benchmark::DoNotOptimize(lines.occupancy.get());
    }
}
BENCHMARK(BM_ScanbackSheet)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
