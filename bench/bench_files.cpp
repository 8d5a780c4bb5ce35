// Drawing file benchmarks on a 3600 x 2700 drawing with 12 painted layers, each against its baseline in
// the same run: zlib's compress2 at the default level for the stream, libpng's default settings for the
// flattened PNG, and libpng decoding the file's whole image for loading the drawing and for opening it
// through the workspace up to the first viewport shown. Painting on the opened drawing is measured by
// the growth of the resident set against the file's compressed drawing stream.

#include "bench_drawing.h"
#include "files/drawing_png.h"
#include "files/drawing_reader.h"
#include "files/drawing_stream.h"
#include "files/drawing_writer.h"
#include "files/flatten.h"
#include "files/stream_block.h"
#include "model/board_textures.h"
#include "model/image_stack_manager.h"
#include "platform/headless_image_codec.h"
#include "platform/headless_user_interface.h"
#include "platform/memory_settings_store.h"
#include "raster/super_bit_buffer.h"
#include "render/brush_ts.h"
#include "render/compositor.h"
#include "render/dynamic_buffer_set.h"
#include "workspace/workspace.h"

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <png.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
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

// A board picture as the board textures are: a near-white surface whose grain of a few pixels is
// smooth value noise (octaves of 2 to 16 pixels, a few levels deep), tiling.
void AddBoard(ImageStackManager& stack) {
    constexpr int32_t kSize = 512;
    std::mt19937 rng(5);
    std::vector<double> grain(static_cast<size_t>(kSize) * kSize, 0.0);
    for (int32_t cell = 2; cell <= 16; cell *= 2) {
        const int32_t n = kSize / cell;
        std::vector<double> knots(static_cast<size_t>(n) * n);
        for (double& k : knots) {
            k = static_cast<double>(rng() % 1000) / 1000.0 - 0.5;
        }
        const double amplitude = 2.0 + cell / 4.0;
        for (int32_t y = 0; y < kSize; ++y) {
            for (int32_t x = 0; x < kSize; ++x) {
                const double fx = static_cast<double>(x) / cell;
                const double fy = static_cast<double>(y) / cell;
                const int32_t x0 = static_cast<int32_t>(fx) % n;
                const int32_t y0 = static_cast<int32_t>(fy) % n;
                const double tx = fx - std::floor(fx);
                const double ty = fy - std::floor(fy);
                auto k = [&](int32_t i, int32_t j) { return knots[static_cast<size_t>(j % n) * n + i % n]; };
                const double top = k(x0, y0) * (1 - tx) + k(x0 + 1, y0) * tx;
                const double bottom = k(x0, y0 + 1) * (1 - tx) + k(x0 + 1, y0 + 1) * tx;
                grain[static_cast<size_t>(y) * kSize + x] += amplitude * (top * (1 - ty) + bottom * ty);
            }
        }
    }
    const int32_t tone[3] = {228, 235, 238}; // blue, green, red of a warm white
    for (const char* name : {ts::kBackdropName, ts::kPaperName}) {
        LayerObject* layer = stack.CreateLayer(name);
        layer->image = std::make_unique<ts::BMap>();
        layer->image->pixels.Create(kSize, kSize);
        for (int32_t y = 0; y < kSize; ++y) {
            uint8_t* row = layer->image->pixels.Row(y);
            for (int32_t x = 0; x < kSize; ++x) {
                const double g = grain[static_cast<size_t>(y) * kSize + x];
                for (int32_t c = 0; c < 3; ++c) {
                    row[x * 3 + c] =
                        static_cast<uint8_t>(std::clamp(tone[c] + static_cast<int32_t>(g), 0, 255));
                }
            }
        }
    }
}

// A drawing layer of half the drawing's size with pencil hatching over a blob of it.
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
    Fixture() {
        stack.SetDrawingSize(kWidth, kHeight);
        AddBoard(stack);
        for (int32_t i = 0; i < kLayers; ++i) {
            AddPaintedLayer(stack, i);
        }
        ts::ByteWriter writer;
        ts::WriteDrawingStream(stack, ts::StreamWriteOptions{}, writer);
        stream = writer.Take();
        ts::Compositor compositor(stack);
        ts::RenderFlattened(compositor, stack, picture);
        path = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") +
               "/tintsmith-bench-files.ts.png";
        ts::WriteDrawingFile(path, stack, ts::StreamWriteOptions{}, picture);
    }
    ~Fixture() { std::remove(path.c_str()); }

    ImageStackManager stack;
    std::vector<uint8_t> stream;
    ts::Image24 picture;
    std::string path;
};

Fixture& TheFixture() {
    static Fixture fixture;
    return fixture;
}

void BM_CompressStream(benchmark::State& state) {
    Fixture& f = TheFixture();
    std::vector<uint8_t> block;
    for (auto _ : state) {
        std::vector<uint8_t> stream = f.stream;
        ts::CompressStreamBlock(stream, block);
        benchmark::DoNotOptimize(block.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(f.stream.size()));
    state.counters["compressed_bytes"] = static_cast<double>(block.size() - ts::kBlockHeaderBytes);
}
BENCHMARK(BM_CompressStream)->Unit(benchmark::kMillisecond);

// zlib's compress2 at the default level, into a buffer of the size the writer gives it.
void BM_Compress2Default(benchmark::State& state) {
    Fixture& f = TheFixture();
    std::vector<uint8_t> out(f.stream.size() + f.stream.size() / 8 + 12);
    uLongf length = 0;
    for (auto _ : state) {
        std::vector<uint8_t> stream = f.stream;
        stream.insert(stream.end(), 2, 0);
        length = static_cast<uLongf>(out.size());
        compress2(out.data(), &length, stream.data(), static_cast<uLong>(stream.size()),
                  Z_DEFAULT_COMPRESSION);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(f.stream.size()));
    state.counters["compressed_bytes"] = static_cast<double>(length);
}
BENCHMARK(BM_Compress2Default)->Unit(benchmark::kMillisecond);

// A memory stream for the PNG writers; the file's size is where it ends.
struct MemoryFile {
    MemoryFile() : file(open_memstream(&data, &size)) {}
    ~MemoryFile() {
        if (file) {
            std::fclose(file);
        }
        std::free(data);
    }
    char* data = nullptr;
    size_t size = 0;
    std::FILE* file;
};

void BM_WriteFlattenedPng(benchmark::State& state) {
    Fixture& f = TheFixture();
    size_t bytes = 0;
    for (auto _ : state) {
        MemoryFile out;
        ts::WriteDrawingPng(out.file, f.picture, nullptr);
        std::fflush(out.file);
        bytes = out.size;
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kWidth * kHeight * 3);
    state.counters["file_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_WriteFlattenedPng)->Unit(benchmark::kMillisecond);

// The same picture through libpng with its default compression and filters.
void BM_LibpngDefaultWrite(benchmark::State& state) {
    Fixture& f = TheFixture();
    std::vector<png_bytep> rows(kHeight);
    for (int32_t y = 0; y < kHeight; ++y) {
        rows[static_cast<size_t>(y)] = f.picture.Row(y);
    }
    size_t bytes = 0;
    for (auto _ : state) {
        MemoryFile out;
        png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        if (setjmp(png_jmpbuf(png))) {
            png_destroy_write_struct(&png, &info);
            state.SkipWithError("libpng failed");
            break;
        }
        png_init_io(png, out.file);
        png_set_IHDR(png, info, kWidth, kHeight, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        png_set_bgr(png);
        png_write_image(png, rows.data());
        png_write_end(png, info);
        png_destroy_write_struct(&png, &info);
        std::fflush(out.file);
        bytes = out.size;
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kWidth * kHeight * 3);
    state.counters["file_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_LibpngDefaultWrite)->Unit(benchmark::kMillisecond);

// Opening the drawing file: its chunk read, decompressed and every layer built and checked.
void BM_LoadDrawing(benchmark::State& state) {
    Fixture& f = TheFixture();
    ts::HeadlessUserInterface ui;
    for (auto _ : state) {
        ts::LoadedDrawing loaded;
        if (!ts::ReadDrawingPng(ui, f.path, false, loaded)) {
            state.SkipWithError("the drawing did not load");
            break;
        }
        benchmark::DoNotOptimize(loaded.layers.data());
    }
}
BENCHMARK(BM_LoadDrawing)->Unit(benchmark::kMillisecond);

// The same file's whole image decoded by libpng.
void BM_LibpngDecodeImage(benchmark::State& state) {
    Fixture& f = TheFixture();
    ts::Image24 image;
    image.Create(kWidth, kHeight);
    std::vector<png_bytep> rows(kHeight);
    for (int32_t y = 0; y < kHeight; ++y) {
        rows[static_cast<size_t>(y)] = image.Row(y);
    }
    for (auto _ : state) {
        std::FILE* file = std::fopen(f.path.c_str(), "rb");
        png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        if (setjmp(png_jmpbuf(png))) {
            png_destroy_read_struct(&png, &info, nullptr);
            std::fclose(file);
            state.SkipWithError("libpng failed");
            break;
        }
        png_init_io(png, file);
        png_read_info(png, info);
        png_set_bgr(png);
        png_read_image(png, rows.data());
        png_read_end(png, nullptr);
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(file);
        benchmark::DoNotOptimize(image.Pixels().data());
    }
}
BENCHMARK(BM_LibpngDecodeImage)->Unit(benchmark::kMillisecond);

// ---- What the user waits for and what painting costs in memory ----

constexpr int32_t kClientWidth = 1600;
constexpr int32_t kClientHeight = 1000;

// The program's workspace over the headless platform as the program starts: its client 1600 x 1000
// pixels, a new drawing of the default page shown whole (the fixture's board picture is the board).
struct OpenWorkspace {
    OpenWorkspace() {
        const char* tmp = std::getenv("TMPDIR");
        userData = std::string(tmp ? tmp : "/tmp") + "/tintsmith-bench-user-" + std::to_string(getpid());
        setenv("XDG_DATA_HOME", userData.c_str(), 1);
        const Fixture& f = TheFixture();
        codec.Put(std::string("/prog/") + ts::kBoardFolder + ts::kBoardTextures[0].file,
                  f.stack.Layer(ImageStackManager::kPaperIndex)->image->pixels);
        workspace = std::make_unique<ts::Workspace>(ui, settings, codec, "/prog/");
        workspace->viewManager.ResizeClient(kClientWidth, kClientHeight);
    }
    ~OpenWorkspace() {
        workspace.reset();
        std::error_code error;
        std::filesystem::remove_all(userData, error);
    }
    // The program as it shows its first drawing.
    bool Start() {
        if (!workspace->layerOperations.NewDrawing()) {
            return false;
        }
        workspace->FitDrawingInView(kClientWidth, kClientHeight);
        workspace->refresh.Refresh("Start");
        return true;
    }
    bool Open(const std::string& path) { return workspace->drawingDocument.OpenDrawing(path, false); }

    std::string userData;
    ts::HeadlessUserInterface ui;
    ts::MemorySettingsStore settings;
    ts::HeadlessImageCodec codec;
    std::unique_ptr<ts::Workspace> workspace;
};

// File > Open of the drawing in the program just started, once the file is chosen: the file read and
// checked, the drawing in place of the new one, the part of it the window shows composited (with the
// rows the drawing's average is sampled from) and the 1600 x 1000 client rebuilt at the zoom the
// program started with, ready to be copied to the window. The rest of the view buffer, composited once
// the window has shown it, is not timed: rest_ms reports it.
void BM_OpenToFirstViewport(benchmark::State& state) {
    Fixture& f = TheFixture();
    OpenWorkspace open;
    double rest = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (!open.Start()) {
            state.SkipWithError("the program did not start");
            break;
        }
        state.ResumeTiming();
        if (!open.Open(f.path)) {
            state.SkipWithError("the drawing did not open");
            break;
        }
        benchmark::DoNotOptimize(open.workspace->viewManager.Display().Pixels().data());
        // What the program composites once the viewport is shown, not part of the wait.
        state.PauseTiming();
        const auto start = std::chrono::steady_clock::now();
        open.workspace->refreshManager.FinishCompositing();
        rest += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        state.ResumeTiming();
    }
    state.counters["zoom"] = open.workspace->viewManager.Zoom();
    state.counters["rest_ms"] =
        rest / static_cast<double>(std::max<benchmark::IterationCount>(1, state.iterations()));
}
BENCHMARK(BM_OpenToFirstViewport)->Unit(benchmark::kMillisecond)->UseRealTime();

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

constexpr int32_t kPaintRadius = 32;
constexpr int32_t kPaintDabs = 200;
constexpr int32_t kDabsPerEvent = 4;

// Peak memory while painting: the drawing opened as above, then one stroke of 200 dabs of radius 32 on
// its top layer through the workspace's stroke engine as the painting modes drive it (the rows of a
// mouse event's four dabs stored together, then the refresh that recomposites the rectangle and
// rebuilds its client rows), the dabs half a radius apart along a loop across the layer. Measured:
// the high-water mark of the resident set (VmHWM), reset through /proc/self/clear_refs just before the
// stroke (after freed memory was handed back to the system), less the resident set at that moment,
// against the size of the drawing's compressed stream in the file. The stroke's undo records are not
// part of it. The time is the stroke's.
void BM_PaintingPeakMemory(benchmark::State& state) {
    Fixture& f = TheFixture();
    std::vector<uint8_t> chunk;
    if (std::FILE* file = std::fopen(f.path.c_str(), "rb")) {
        ts::ReadDrawingChunk(file, chunk);
        std::fclose(file);
    }
    OpenWorkspace open;
    if (chunk.empty() || !open.Start() || !open.Open(f.path)) {
        state.SkipWithError("the drawing did not open");
        return;
    }
    ts::Workspace& w = *open.workspace;
    w.refreshManager.FinishCompositing();
    double peakRatio = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        LayerObject& layer = *w.imageStack.CurrentLayer();
        const int32_t width = w.imageStack.LayerWidth(layer);
        const int32_t height = w.imageStack.LayerHeight(layer);
        w.brush.SetSize(2 * kPaintRadius + 1);
        ts::StrokeTool tool;
        tool.color = 0x00305070;
        tool.strength = 200;
        w.strokeEngine.SetBrush(w.brush);
        w.strokeEngine.SetTool(tool);
        w.strokeEngine.SetDeferredCommits(true);
        malloc_trim(0);
        std::ofstream("/proc/self/clear_refs") << "5";
        const long before = StatusKilobytes("VmRSS:");
        state.ResumeTiming();
        if (!w.strokeEngine.BeginStroke(layer, ts::kStrokeColor, 30, kPaintRadius)) {
            state.SkipWithError("the stroke did not start");
            break;
        }
        const double loopX = width / 2.0 - kPaintRadius - 8;
        const double loopY = height / 2.0 - kPaintRadius - 8;
        double t = 0;
        ts::Rect changed;
        for (int32_t i = 0; i < kPaintDabs; ++i) {
            const double x = width / 2.0 + loopX * std::cos(t) * (0.6 + 0.4 * std::sin(3 * t));
            const double y = height / 2.0 + loopY * std::sin(t) * (0.6 + 0.4 * std::cos(2 * t));
            t += kPaintRadius / 2.0 / std::min(loopX, loopY);
            w.strokeEngine.MoveBrush(static_cast<int32_t>(std::lround(x * 4)),
                                     static_cast<int32_t>(std::lround(y * 4)));
            changed = ts::Union(changed, w.strokeEngine.Dab());
            if ((i + 1) % kDabsPerEvent == 0) {
                w.strokeEngine.CommitRows();
                w.refresh.MarkViewContents(ts::Translated(changed, layer.offsetX, layer.offsetY));
                w.refresh.Refresh("Brush");
                changed = ts::Rect{};
            }
        }
        w.strokeEngine.EndStroke();
        const long peak = StatusKilobytes("VmHWM:");
        peakRatio = std::max(peakRatio,
                             static_cast<double>(peak - before) * 1024.0 / static_cast<double>(chunk.size()));
    }
    state.counters["peak_vs_stream"] = peakRatio;
    state.counters["stream_bytes"] = static_cast<double>(chunk.size());
}
BENCHMARK(BM_PaintingPeakMemory)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
