// Pencil stroke benchmarks. Dabs are measured against libmypaint drawing the same hard, opaque, round
// dabs at the same positions on its fixed tiled surface in the same run; one mouse move of a stroke on a
// large drawing (the dabs, the recomposite under the brush and the viewport rows that show it) is
// measured as a 95th percentile and against a plain recomposite of the same rectangles.

#include "bench_drawing.h"
#include "model/image_stack_manager.h"
#include "raster/super_bit_buffer.h"
#include "render/brush_ts.h"
#include "render/compositor.h"
#include "render/dynamic_buffer_set.h"
#include "render/view_manager.h"

#include <benchmark/benchmark.h>

extern "C" {
#include <mypaint-fixed-tiled-surface.h>
#include <mypaint-surface.h>
}

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

namespace {

using ts::ImageStackManager;
using ts::LayerObject;
using ts::Rect;

constexpr int32_t kSurfaceSide = 1024;
constexpr int32_t kDabsPerStroke = 256;
constexpr int32_t kDabsPerEvent = 4; // dabs laid for one mouse event before the refresh

struct DabPoint {
    float x = 0; // pixels
    float y = 0;
};

// A stroke of dabs spaced at half the radius (at least a pixel) along a wandering loop inside the
// surface, the same for both engines.
std::vector<DabPoint> StrokePath(int32_t radius) {
    std::vector<DabPoint> path;
    const double spacing = std::max(1.0, radius / 2.0);
    const double loop = kSurfaceSide / 2.0 - radius - 8;
    double t = 0;
    for (int32_t i = 0; i < kDabsPerStroke; ++i) {
        const double x = kSurfaceSide / 2.0 + loop * std::cos(t) * (0.6 + 0.4 * std::sin(3 * t));
        const double y = kSurfaceSide / 2.0 + loop * std::sin(t) * (0.6 + 0.4 * std::cos(2 * t));
        path.push_back(DabPoint{static_cast<float>(x), static_cast<float>(y)});
        t += spacing / loop;
    }
    return path;
}

// A layer with colour channels and pencil strokes on white, the hatching repeated every 1024 pixels
// across it.
std::unique_ptr<LayerObject> PaintedLayer(int32_t width, int32_t height) {
    auto layer = std::make_unique<LayerObject>();
    layer->color = std::make_unique<ts::ObjectColor>();
    layer->color->Create(width, height, 0x00FFFFFF, 0);
    benchdrawing::PaintStrokesOnWhite(*layer->color, width, height, 3, kSurfaceSide);
    return layer;
}

// The stroke's dabs through the engine as the painting modes lay them: the dabs of one mouse event
// (four here) keep their rows in the windows, and the rows they changed are stored before the refresh
// that follows. xOffset moves the stroke right across the layer.
void LayStrokes(benchmark::State& state, LayerObject& layer, int32_t radius, int32_t xOffset) {
    const std::vector<DabPoint> path = StrokePath(radius);
    ts::BrushTS brush;
    brush.SetSize(2 * radius + 1);
    ts::DynamicBufferSet engine;
    ts::StrokeTool tool;
    tool.color = 0x00204080;
    engine.SetTool(tool);
    engine.SetBrush(brush);
    engine.SetDeferredCommits(true);
    for (auto _ : state) {
        engine.BeginStroke(layer, ts::kStrokeColor, 30, radius);
        int32_t laid = 0;
        for (const DabPoint& p : path) {
            engine.MoveBrush(static_cast<int32_t>(std::lround((p.x + static_cast<float>(xOffset)) * 4)),
                             static_cast<int32_t>(std::lround(p.y * 4)));
            benchmark::DoNotOptimize(engine.Dab());
            if (++laid % kDabsPerEvent == 0) {
                engine.CommitRows();
            }
        }
        engine.EndStroke();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kDabsPerStroke);
}

void BM_StrokeDabs(benchmark::State& state) {
    auto layer = PaintedLayer(kSurfaceSide, kSurfaceSide);
    LayStrokes(state, *layer, static_cast<int32_t>(state.range(0)), 0);
}
BENCHMARK(BM_StrokeDabs)
    ->Arg(2)
    ->Arg(8)
    ->Arg(16)
    ->Arg(32)
    ->Arg(64)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

void BM_MyPaintDabs(benchmark::State& state) {
    const auto radius = static_cast<int32_t>(state.range(0));
    const std::vector<DabPoint> path = StrokePath(radius);
    MyPaintFixedTiledSurface* fixed = mypaint_fixed_tiled_surface_new(kSurfaceSide, kSurfaceSide);
    MyPaintSurface* surface = mypaint_fixed_tiled_surface_interface(fixed);
    for (auto _ : state) {
        // As a painting program drives it: one atomic change per mouse event.
        for (size_t i = 0; i < path.size(); i += kDabsPerEvent) {
            mypaint_surface_begin_atomic(surface);
            for (size_t j = i; j < std::min(path.size(), i + kDabsPerEvent); ++j) {
                const DabPoint& p = path[j];
                benchmark::DoNotOptimize(
                    mypaint_surface_draw_dab(surface, p.x, p.y, static_cast<float>(radius), 0.5f, 0.25f,
                                             0.125f, 1.0f, 1.0f, 1.0f, 1.0f, 0.0f, 0.0f, 0.0f));
            }
            MyPaintRectangle roi;
            mypaint_surface_end_atomic(surface, &roi);
            benchmark::DoNotOptimize(roi);
        }
    }
    mypaint_surface_unref(surface);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kDabsPerStroke);
}
// The same radius-8 stroke on a layer 1024 pixels high and as wide as the argument, over the same
// hatching: on the wide layer the stroke lies in the middle, 5120 pixels in. What a dab costs must not
// depend on how wide the layer is.
void BM_StrokeDabsOnLayer(benchmark::State& state) {
    const auto width = static_cast<int32_t>(state.range(0));
    auto layer = PaintedLayer(width, kSurfaceSide);
    LayStrokes(state, *layer, 8, width > kSurfaceSide ? 5 * kSurfaceSide : 0);
}
BENCHMARK(BM_StrokeDabsOnLayer)->Arg(1024)->Arg(10800)->Unit(benchmark::kMicrosecond)->UseRealTime();

BENCHMARK(BM_MyPaintDabs)
    ->Arg(2)
    ->Arg(8)
    ->Arg(16)
    ->Arg(32)
    ->Arg(64)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

// ---- One mouse move on a large drawing ----

constexpr int32_t kDrawingW = 3600;
constexpr int32_t kDrawingH = 2700;
constexpr int32_t kClientW = 1600;
constexpr int32_t kClientH = 1000;
constexpr int32_t kBrushSize = 51;
constexpr int32_t kDabsPerMove = 4;
constexpr double kMoveLength = 8.0; // pixels between mouse events

// A drawing layer with pencil strokes on white, as the files benchmark paints them.
void AddPaintedLayer(ImageStackManager& stack, uint32_t seed) {
    auto buffer = std::make_unique<ts::SuperBitBuffer>();
    buffer->Create(kDrawingW, kDrawingH, 2, 0, 2.0f);
    stack.CreateDrawingLayer(std::move(buffer), ts::kBlankLayerName);
    benchdrawing::PaintStrokesOnWhite(*stack.CurrentLayer()->color, kDrawingW, kDrawingH,
                                      static_cast<int32_t>(seed));
}

// The drawing, built once for every run: a paper picture and 12 painted layers, the view at 1:1.
struct Drawing {
    ImageStackManager stack;
    std::unique_ptr<ts::Compositor> compositor;
    std::unique_ptr<ts::ViewManager> view;

    Drawing() {
        stack.SetDrawingSize(kDrawingW, kDrawingH);
        stack.CreateLayer(ts::kBackdropName);
        LayerObject* paper = stack.CreateLayer(ts::kPaperName);
        paper->image = std::make_unique<ts::BMap>();
        paper->image->pixels.Create(256, 256);
        std::mt19937 rng(5);
        for (auto& b : paper->image->pixels.Pixels()) {
            b = static_cast<uint8_t>(220 + rng() % 24);
        }
        for (uint32_t i = 0; i < 12; ++i) {
            AddPaintedLayer(stack, 40 + i);
        }
        stack.SetCurrent(8); // a layer in the middle of the stack
        compositor = std::make_unique<ts::Compositor>(stack);
        view = std::make_unique<ts::ViewManager>(*compositor);
        view->ResizeDrawing(kDrawingW, kDrawingH);
        view->ResizeClient(kClientW, kClientH);
        view->SetZoom(1);
        view->SetOrigin(1000, 800);
        view->Recomposite(stack.DrawingRect());
        view->RebuildClient(Rect{0, 0, kClientW, kClientH});
    }
};

Drawing& SharedDrawing() {
    static Drawing drawing;
    return drawing;
}

// The brush's way: round and round a loop inside the visible part of the drawing, in quarter pixels.
struct MousePath {
    double t = 0;
    void Next(int32_t& qx, int32_t& qy) {
        constexpr double kLoop = 400;
        t += kMoveLength / kDabsPerMove / kLoop;
        qx = static_cast<int32_t>(
            std::lround(4 * (1800 + kLoop * std::cos(t) * (0.7 + 0.3 * std::sin(5 * t)))));
        qy = static_cast<int32_t>(std::lround(4 * (1300 + kLoop * std::sin(t))));
    }
};

double Percentile95(std::vector<double>& times) {
    if (times.empty()) {
        return 0;
    }
    std::sort(times.begin(), times.end());
    return times[std::min(times.size() - 1, static_cast<size_t>(0.95 * static_cast<double>(times.size())))];
}

// The rectangle under the brush at a quarter-pixel position, in drawing pixels.
Rect UnderBrush(int32_t qx, int32_t qy) {
    const int32_t half = kBrushSize / 2 + 1;
    return Rect{(qx >> 2) - half, (qy >> 2) - half, (qx >> 2) + half + 1, (qy >> 2) + half + 1};
}

constexpr int64_t kMovesPerStroke = 200;

// One mouse move: the dabs from the last position to the new one with their rows stored, the rectangle
// under the brush recomposited and its viewport rows rebuilt. A stroke lasts 200 moves; pressing and
// releasing the button are not timed.
void BM_MouseMove(benchmark::State& state) {
    Drawing& d = SharedDrawing();
    LayerObject& layer = *d.stack.CurrentLayer();
    ts::BrushTS brush;
    brush.SetSize(kBrushSize);
    ts::DynamicBufferSet engine;
    ts::StrokeTool tool;
    tool.color = 0x00305070;
    tool.strength = 200;
    engine.SetTool(tool);
    engine.SetBrush(brush);
    // The rows of a move's dabs are stored before its refresh, as the painting modes use the engine.
    engine.SetDeferredCommits(true);
    MousePath path;
    std::vector<double> times;
    for (auto _ : state) {
        if (times.size() % kMovesPerStroke == 0) {
            state.PauseTiming();
            engine.EndStroke();
            engine.BeginStroke(layer, ts::kStrokeColor, 30, kBrushSize / 2);
            state.ResumeTiming();
        }
        const auto start = std::chrono::steady_clock::now();
        Rect area{};
        for (int32_t i = 0; i < kDabsPerMove; ++i) {
            int32_t qx = 0;
            int32_t qy = 0;
            path.Next(qx, qy);
            engine.MoveBrush(qx - 4 * layer.offsetX, qy - 4 * layer.offsetY);
            engine.Dab();
            area = ts::Union(area, UnderBrush(qx, qy));
        }
        engine.CommitRows();
        d.view->Recomposite(area);
        d.view->RebuildClient(d.view->ClientRectOf(area));
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    engine.EndStroke();
    state.counters["p95_ms"] = Percentile95(times);
}
BENCHMARK(BM_MouseMove)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same rectangles recomposited and shown, without painting: what the refresh alone costs.
void BM_RecompositeUnderBrush(benchmark::State& state) {
    Drawing& d = SharedDrawing();
    MousePath path;
    std::vector<double> times;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        Rect area{};
        for (int32_t i = 0; i < kDabsPerMove; ++i) {
            int32_t qx = 0;
            int32_t qy = 0;
            path.Next(qx, qy);
            area = ts::Union(area, UnderBrush(qx, qy));
        }
        d.view->Recomposite(area);
        d.view->RebuildClient(d.view->ClientRectOf(area));
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    state.counters["p95_ms"] = Percentile95(times);
}
BENCHMARK(BM_RecompositeUnderBrush)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
