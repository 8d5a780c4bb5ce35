// Compositing and view benchmarks. Each measures against a baseline in the same run: pixman's
// solid-over-mask blend for the painted-colour blend (and, reported, for the whole composited row),
// memcpy for the recomposite and the viewport.

#include "bench_drawing.h"
#include "model/image_stack_manager.h"
#include "raster/super_bit_buffer.h"
#include "render/compositor.h"
#include "render/compositor_kernels.h"
#include "render/view_manager.h"

#include <benchmark/benchmark.h>
#include <pixman.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

namespace {

using ts::ImageStackManager;
using ts::LayerObject;

// A paper picture of grain around a light board colour.
void AddPaper(ImageStackManager& stack, uint32_t seed) {
    stack.CreateLayer(ts::kBackdropName);
    LayerObject* paper = stack.CreateLayer(ts::kPaperName);
    paper->image = std::make_unique<ts::BMap>();
    paper->image->pixels.Create(256, 256);
    std::mt19937 rng(seed);
    for (auto& b : paper->image->pixels.Pixels()) {
        b = static_cast<uint8_t>(220 + rng() % 24);
    }
}

// A drawing layer with pencil strokes on white, as the files benchmark paints them.
void AddPaintedLayer(ImageStackManager& stack, int32_t width, int32_t height, uint32_t seed) {
    auto buffer = std::make_unique<ts::SuperBitBuffer>();
    buffer->Create(width, height, 2, 0, 2.0f);
    stack.CreateDrawingLayer(std::move(buffer), ts::kBlankLayerName);
    benchdrawing::PaintStrokesOnWhite(*stack.CurrentLayer()->color, width, height,
                                      static_cast<int32_t>(seed));
}

// The amount rows of such a layer, one after another.
std::vector<uint8_t> PaintedAmounts(int32_t width, int32_t height, uint32_t seed) {
    ImageStackManager stack;
    stack.SetDrawingSize(width, height);
    AddPaintedLayer(stack, width, height, seed);
    std::vector<uint8_t> amounts(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int32_t y = 0; y < height; ++y) {
        stack.CurrentLayer()->color->amount->ReadRow(y, amounts.data() + static_cast<size_t>(y) * width);
    }
    return amounts;
}

void SetBytes(benchmark::State& state, int64_t bytesPerIteration) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * bytesPerIteration);
}

constexpr int32_t kRowPixels = 2048;
// Eight rows through the middle of the layer's blob, about two thirds of each painted.
constexpr int32_t kBlendRows = 64;
constexpr int32_t kBlendFirst = 28;

// One painted layer row composited over the paper: the whole row as the compositor makes it (the
// board tiled under it, the layer's codes decoded, the blend, the pixels interleaved).
void BM_CompositePaintedRow(benchmark::State& state) {
    ImageStackManager stack;
    stack.SetDrawingSize(kRowPixels, kBlendRows);
    AddPaper(stack, 1);
    AddPaintedLayer(stack, kRowPixels, kBlendRows, 7);
    ts::Compositor compositor(stack);
    std::vector<uint8_t> row(static_cast<size_t>(kRowPixels) * 3);
    int32_t y = kBlendFirst;
    for (auto _ : state) {
        compositor.CompositeRow(y, 0, kRowPixels, row.data(), nullptr, nullptr, nullptr);
        benchmark::DoNotOptimize(row.data());
        y = kBlendFirst + (y + 1 - kBlendFirst) % 8;
    }
    SetBytes(state, kRowPixels);
}
BENCHMARK(BM_CompositePaintedRow);

// The blend alone on the same rows already decoded, as the pixman baseline gets them: the layer's
// amounts and colour channels, the paper's grain as a deviation per pixel and plane, and three planes
// of the row under the paint.
void BM_BlendPaintedRow(benchmark::State& state) {
    constexpr size_t kRows = 8;
    constexpr size_t kStride = kRowPixels + ts::kernels::kSlack;
    ImageStackManager stack;
    stack.SetDrawingSize(kRowPixels, kBlendRows);
    AddPaper(stack, 1);
    AddPaintedLayer(stack, kRowPixels, kBlendRows, 7);
    const ts::ObjectColor& color = *stack.CurrentLayer()->color;
    const ts::Image24& board = stack.Layer(ImageStackManager::kPaperIndex)->image->pixels;
    std::vector<uint8_t> amount(kRows * kStride);
    std::vector<uint8_t> channels(kRows * 3 * kStride);
    std::vector<uint8_t> deviation(kRows * 6 * kStride);
    std::vector<uint8_t> planes(kRows * 3 * kStride, 0xE0);
    for (size_t r = 0; r < kRows; ++r) {
        const int32_t y = kBlendFirst + static_cast<int32_t>(r);
        color.amount->ReadRow(y, amount.data() + r * kStride);
        const ts::RLBuffer* channel[3] = {color.blue.get(), color.green.get(), color.red.get()};
        for (size_t b = 0; b < 3; ++b) {
            channel[b]->ReadRow(y, channels.data() + (r * 3 + b) * kStride);
            uint8_t* up = deviation.data() + (r * 6 + 2 * b) * kStride;
            uint8_t* down = up + kStride;
            for (int32_t x = 0; x < kRowPixels; ++x) {
                const int32_t d = board.Pixel(x % board.Width(), y % board.Height())[b] - 231;
                up[x] = static_cast<uint8_t>(std::max(d, 0));
                down[x] = static_cast<uint8_t>(std::max(-d, 0));
            }
        }
    }
    size_t r = 0;
    for (auto _ : state) {
        ts::kernels::Colours colours;
        ts::kernels::Deviations d;
        uint8_t* out[3];
        for (size_t b = 0; b < 3; ++b) {
            colours.plane[b] = channels.data() + (r * 3 + b) * kStride;
            d.up[b] = deviation.data() + (r * 6 + 2 * b) * kStride;
            d.down[b] = d.up[b] + kStride;
            out[b] = planes.data() + (r * 3 + b) * kStride;
        }
        ts::kernels::BlendPencil(amount.data() + r * kStride, colours, d, out, kRowPixels, false);
        benchmark::DoNotOptimize(planes.data());
        r = (r + 1) % kRows;
    }
    SetBytes(state, kRowPixels);
}
BENCHMARK(BM_BlendPaintedRow);

// The same pixels through pixman: a solid colour over the layer's amounts as an 8-bit mask onto
// 32-bit pixels, row by row as the compositor goes (the mask row is the destination row's: the rows
// above the blob are empty, which pixman skips).
void BM_PixmanOverSolidMask(benchmark::State& state) {
    std::vector<uint32_t> dest(static_cast<size_t>(kRowPixels) * kBlendRows, 0xFFE0E0E0u);
    std::vector<uint8_t> mask = PaintedAmounts(kRowPixels, kBlendRows, 7);
    pixman_image_t* d =
        pixman_image_create_bits(PIXMAN_a8r8g8b8, kRowPixels, kBlendRows, dest.data(), kRowPixels * 4);
    pixman_image_t* m = pixman_image_create_bits(PIXMAN_a8, kRowPixels, kBlendRows,
                                                 reinterpret_cast<uint32_t*>(mask.data()), kRowPixels);
    const pixman_color_t c{0x8000, 0x4000, 0x2000, 0xFFFF};
    pixman_image_t* solid = pixman_image_create_solid_fill(&c);
    int32_t y = kBlendFirst;
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_OVER, solid, m, d, 0, 0, 0, y, 0, y, kRowPixels, 1);
        benchmark::DoNotOptimize(dest.data());
        y = kBlendFirst + (y + 1 - kBlendFirst) % 8;
    }
    pixman_image_unref(solid);
    pixman_image_unref(m);
    pixman_image_unref(d);
    SetBytes(state, kRowPixels);
}
BENCHMARK(BM_PixmanOverSolidMask);

void BM_Memcpy(benchmark::State& state) {
    const auto bytes = static_cast<size_t>(state.range(0));
    std::vector<uint8_t> a(bytes, 1);
    std::vector<uint8_t> b(bytes);
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), bytes);
        benchmark::DoNotOptimize(b.data());
        benchmark::ClobberMemory();
    }
    SetBytes(state, static_cast<int64_t>(bytes));
}
// Large copies stream from memory, as a full recomposite does; the others copy as many bytes as the
// viewport rebuilds below write (z >= 1) or read (z = -2 and -16).
BENCHMARK(BM_Memcpy)->Arg(64 << 20)->Arg(4800000)->Arg(19200000)->Arg(480000000);

// A whole 3600 x 2700 drawing with 12 painted layers recomposited. Reported as the bytes that must
// at least move: the compressed rows read plus the view buffer written.
void BM_RecompositeDrawing(benchmark::State& state) {
    constexpr int32_t kW = 3600;
    constexpr int32_t kH = 2700;
    ImageStackManager stack;
    stack.SetDrawingSize(kW, kH);
    AddPaper(stack, 2);
    for (uint32_t i = 0; i < 12; ++i) {
        AddPaintedLayer(stack, kW, kH, 11 + i);
    }
    ts::Compositor compositor(stack);
    ts::ViewManager view(compositor);
    view.ResizeDrawing(kW, kH);
    int64_t compressed = 0;
    for (int32_t i = 2; i < stack.Count(); ++i) {
        for (int c = 0; c < ts::ObjectColor::kChannels; ++c) {
            compressed += stack.Layer(i)->color->Channel(c)->UsedBytes();
        }
    }
    for (auto _ : state) {
        view.Recomposite(stack.DrawingRect());
        benchmark::DoNotOptimize(view.ViewBuffer().Pixels().data());
    }
    SetBytes(state, compressed + static_cast<int64_t>(kW) * kH * 3);
}
// Large areas are composited on two threads: measured on the clock, not the calling thread's time.
BENCHMARK(BM_RecompositeDrawing)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// A 256 x 256 area through 250 layers; argument 0 keeps the work on one thread.
void BM_Recomposite250Layers(benchmark::State& state) {
    constexpr int32_t kSide = 256;
    ImageStackManager stack;
    stack.SetDrawingSize(kSide, kSide);
    AddPaper(stack, 3);
    for (uint32_t i = 0; i < 250; ++i) {
        AddPaintedLayer(stack, kSide, kSide, 100 + i);
    }
    ts::Compositor compositor(stack);
    compositor.SetParallel(state.range(0) != 0);
    ts::ViewManager view(compositor);
    view.ResizeDrawing(kSide, kSide);
    for (auto _ : state) {
        view.Recomposite(stack.DrawingRect());
        benchmark::DoNotOptimize(view.ViewBuffer().Pixels().data());
    }
}
BENCHMARK(BM_Recomposite250Layers)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

// A 1600 x 1000 client area over a view buffer of noise, at a zoom; a shrinking zoom gets a drawing
// large enough to fill the client.
struct ClientAtZoom {
    static constexpr int32_t kClientW = 1600;
    static constexpr int32_t kClientH = 1000;

    explicit ClientAtZoom(int32_t zoom) : scale(zoom < 0 ? -zoom : 1), compositor(stack), view(compositor) {
        const int32_t drawW = std::max(kClientW * scale, 2000);
        const int32_t drawH = std::max(kClientH * scale, 1200);
        stack.SetDrawingSize(drawW, drawH);
        view.ResizeDrawing(drawW, drawH);
        view.ResizeClient(kClientW, kClientH);
        view.SetZoom(zoom);
        std::vector<uint8_t>& pixels = view.ViewBuffer().Pixels();
        for (size_t i = 0; i < pixels.size(); ++i) {
            pixels[i] = static_cast<uint8_t>(i * 2654435761u >> 24);
        }
    }

    void Rebuild() {
        view.RebuildClient(ts::Rect{0, 0, kClientW, kClientH});
        benchmark::DoNotOptimize(view.Display().Pixels().data());
    }

    int32_t scale;
    ImageStackManager stack;
    ts::Compositor compositor;
    ts::ViewManager view;
};

// Rebuilding the client area from the view buffer at a zoom. Bytes: at z >= 1 the client bytes
// written; at z < 0 the view-buffer bytes read.
void BM_RebuildViewport(benchmark::State& state) {
    const auto zoom = static_cast<int32_t>(state.range(0));
    ClientAtZoom client(zoom);
    for (auto _ : state) {
        client.Rebuild();
    }
    // Shrinking reads at most 10 x 10 pixels of each block.
    const int64_t k = std::min(client.scale, 10);
    const int64_t bytes =
        int64_t{ClientAtZoom::kClientW} * ClientAtZoom::kClientH * 3 * (zoom < 0 ? k * k : 1);
    SetBytes(state, bytes);
}
BENCHMARK(BM_RebuildViewport)->Arg(1)->Arg(4)->Arg(-2)->Arg(-16)->Unit(benchmark::kMillisecond);

// The same rebuild with a half-inch grid shown (second argument 1) and without it (0), in the same
// run: every stroke's refresh pays what the grid costs.
void BM_RebuildViewportGrid(benchmark::State& state) {
    ClientAtZoom client(static_cast<int32_t>(state.range(0)));
    // Half an inch on the page: 150 fine units, 37.5 drawing pixels.
    client.view.Grid().grids[0] = ts::GridLines{state.range(1) != 0, 37.5, 0x00C08040, 127};
    client.view.Grid().originX = 11.0;
    client.view.Grid().originY = 7.0;
    for (auto _ : state) {
        client.Rebuild();
    }
}
BENCHMARK(BM_RebuildViewportGrid)
    ->Args({1, 1})
    ->Args({1, 0})
    ->Args({4, 1})
    ->Args({4, 0})
    ->Args({-4, 1})
    ->Args({-4, 0})
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
