// The sketch frame: the default frame drawn on a 3600 x 2700 drawing (grid families projected, cut to
// the cone of vision, rasterised and redrawn) against the line renderer drawing as many segments of the
// same weights as finished lines, in the same run. Reported, not held to a goal.

#include "perspective/frame_drawing.h"
#include "perspective/frame_geometry.h"
#include "raster/super_bit_buffer.h"
#include "render/line_renderer.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <random>
#include <vector>

namespace {

constexpr int32_t kW = 3600;
constexpr int32_t kH = 2700;

// A line layer of the drawing's size with nothing drawn.
std::unique_ptr<ts::LayerObject> EmptyLineLayer() {
    auto layer = std::make_unique<ts::LayerObject>();
    auto buffer = std::make_unique<ts::SuperBitBuffer>();
    buffer->Create(kW, kH, 2, 0, 4.0f);
    layer->frame = std::make_unique<ts::Wireframe>(std::move(buffer));
    ts::EnsureLineArt(*layer);
    return layer;
}

// How many segments the default frame draws (the same for every run).
int32_t DefaultFrameSegments() {
    static const int32_t segments = [] {
        auto layer = EmptyLineLayer();
        const ts::FrameGeometry geometry{ts::FrameParameters{}};
        ts::FrameDrawing drawing;
        ts::DrawFrameLines(*layer, geometry, *geometry.Lines(), nullptr, drawing);
        return drawing.segments;
    }();
    return segments;
}

void BM_SketchFrameDefault(benchmark::State& state) {
    const ts::FrameGeometry geometry{ts::FrameParameters{}};
    int32_t segments = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto layer = EmptyLineLayer();
        state.ResumeTiming();
        const auto lines = geometry.Lines();
        ts::FrameDrawing drawing;
        ts::DrawFrameLines(*layer, geometry, *lines, nullptr, drawing);
        segments = drawing.segments;
        benchmark::DoNotOptimize(drawing.drawn);
    }
    state.counters["segments"] = segments;
}
BENCHMARK(BM_SketchFrameDefault)->Unit(benchmark::kMillisecond)->UseRealTime();

// As many segments, one finished line each, at the frame's minor weight with every fifth at the major,
// spread over the drawing at the lengths of a grid's lines.
void BM_LineRendererSegments(benchmark::State& state) {
    const int32_t count = DefaultFrameSegments();
    std::mt19937 rng(7);
    std::vector<ts::FineSegment> segments;
    for (int32_t i = 0; i < count; ++i) {
        const int32_t x = static_cast<int32_t>(rng() % (kW * 4));
        const int32_t y = static_cast<int32_t>(rng() % (kH * 4));
        const int32_t dx = static_cast<int32_t>(rng() % 4000) - 2000;
        const int32_t dy = static_cast<int32_t>(rng() % 1200) - 600;
        segments.push_back(ts::FineSegment{x, y, x + dx, y + dy});
    }
    for (auto _ : state) {
        state.PauseTiming();
        auto layer = EmptyLineLayer();
        ts::DotDashGapMask dashes;
        state.ResumeTiming();
        ts::LineRenderer renderer(*layer);
        for (size_t i = 0; i < segments.size(); ++i) {
            ts::LineSettings settings;
            settings.width = i % 5 == 0 ? 9 : 3;
            renderer.SetSettings(settings);
            benchmark::DoNotOptimize(renderer.DrawSegments({segments[i]}, dashes));
        }
    }
    state.counters["segments"] = count;
}
BENCHMARK(BM_LineRendererSegments)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
