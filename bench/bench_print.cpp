// Printing benchmark: a 3600 x 2700 drawing of 12 painted layers printed in bands to a PDF of its
// 14400 x 10800 page at 300 dots an inch, against writing its flattened PNG in the same run; and the
// print's peak memory growth against the full page bitmap (14400 x 10800 x 3 bytes).

#include "bench_drawing.h"
#include "files/drawing_png.h"
#include "files/flatten.h"
#include "model/image_stack_manager.h"
#include "platform/headless_user_interface.h"
#include "print/print_job.h"
#include "qtplatform/qt_printer.h"
#include "raster/super_bit_buffer.h"
#include "render/compositor.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using ts::ImageStackManager;
using ts::LayerObject;

constexpr int32_t kWidth = 3600;
constexpr int32_t kHeight = 2700;
constexpr int32_t kLayers = 12;
constexpr double kPageBytes = 14400.0 * 10800.0 * 3.0;

// A warm white board with a grain of a few pixels.
void AddBoard(ImageStackManager& stack) {
    constexpr int32_t kSize = 512;
    std::mt19937 rng(5);
    for (const char* name : {ts::kBackdropName, ts::kPaperName}) {
        LayerObject* layer = stack.CreateLayer(name);
        layer->image = std::make_unique<ts::BMap>();
        layer->image->pixels.Create(kSize, kSize);
        for (int32_t y = 0; y < kSize; ++y) {
            uint8_t* row = layer->image->pixels.Row(y);
            for (int32_t x = 0; x < kSize; ++x) {
                const int32_t g = static_cast<int32_t>(rng() % 9) - 4 + ((x / 3 + y / 2) % 5);
                row[x * 3] = static_cast<uint8_t>(228 + g);
                row[x * 3 + 1] = static_cast<uint8_t>(235 + g);
                row[x * 3 + 2] = static_cast<uint8_t>(238 + std::min(g, 17));
            }
        }
    }
}

// A layer of half the drawing's size with pencil hatching over a blob of it, on white, as the files
// benchmark paints its drawing.
void AddPaintedLayer(ImageStackManager& stack, int32_t index) {
    const int32_t w = kWidth / 2;
    const int32_t h = kHeight / 2;
    auto buffer = std::make_unique<ts::SuperBitBuffer>();
    buffer->Create(w, h, 2, 0, 2.0f);
    stack.CreateDrawingLayer(std::move(buffer), ts::kBlankLayerName);
    LayerObject& layer = *stack.CurrentLayer();
    layer.offsetX = (index * 157) % (kWidth - w);
    layer.offsetY = (index * 211) % (kHeight - h);
    layer.bounds = ts::Rect{layer.offsetX, layer.offsetY, layer.offsetX + w, layer.offsetY + h};
    benchdrawing::PaintStrokesOnWhite(*layer.color, w, h, index);
}

struct Fixture {
    Fixture() : compositor(stack) {
        stack.SetDrawingSize(kWidth, kHeight);
        AddBoard(stack);
        for (int32_t i = 0; i < kLayers; ++i) {
            AddPaintedLayer(stack, i);
        }
    }
    ImageStackManager stack;
    ts::Compositor compositor;
};

Fixture& TheFixture() {
    static Fixture fixture;
    return fixture;
}

// Kilobytes of a line of /proc/self/status ("VmHWM:", "VmRSS:").
long StatusKilobytes(const char* key) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(key, 0) == 0) {
            return std::atol(line.c_str() + std::char_traits<char>::length(key));
        }
    }
    return 0;
}

// Resets the high-water mark of the resident set to what is resident now.
void ResetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

void BM_PrintPagePdf(benchmark::State& state) {
    Fixture& f = TheFixture();
    ts::HeadlessUserInterface ui;
    const std::string path = "/tmp/tintsmith-bench-print-" + std::to_string(getpid()) + ".pdf";
    double peakRatio = 0.0;
    for (auto _ : state) {
        ts::QtPrinter printer;
        printer.PrintToFile(path);
        printer.SetFilePaper(48, 36, 300);
        printer.SetupWithDialog();
        ts::PrintJob job(f.compositor, f.stack, ui);
        ResetPeak();
        const long before = StatusKilobytes("VmRSS:");
        const ts::PrintResult result = job.Print(printer, ts::PrintJobSettings{});
        const long peak = StatusKilobytes("VmHWM:");
        if (result != ts::PrintResult::kPrinted) {
            state.SkipWithError("the page was not printed");
            break;
        }
        peakRatio = std::max(peakRatio, (peak - before) * 1024.0 / kPageBytes);
    }
    std::remove(path.c_str());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kPageBytes));
    state.counters["peak_vs_page"] = peakRatio;
}
BENCHMARK(BM_PrintPagePdf)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// The baseline: the flattened drawing written as a PNG, as saving does.
void BM_WriteFlattenedPng(benchmark::State& state) {
    Fixture& f = TheFixture();
    for (auto _ : state) {
        ts::Image24 picture;
        ts::RenderFlattened(f.compositor, f.stack, picture);
        char* data = nullptr;
        size_t size = 0;
        std::FILE* out = open_memstream(&data, &size);
        ts::WriteDrawingPng(out, picture, nullptr);
        std::fclose(out);
        std::free(data);
        benchmark::DoNotOptimize(size);
    }
}
BENCHMARK(BM_WriteFlattenedPng)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
