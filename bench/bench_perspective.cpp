// Laying a 2700 x 1800 layer (strokes, lighting and lines) onto a trapezoid, and turning it by 30
// degrees, each against the plain decode and encode of the same parts' rows in the same run (what any
// remaking of the layer must at least do).

#include "bench_drawing.h"
#include "model/layer_object.h"
#include "perspective/layer_transform.h"
#include "raster/super_bit_buffer.h"
#include "render/line_renderer.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

constexpr int32_t kW = 2700;
constexpr int32_t kH = 1800;

// A facade drawn the way a user draws one: pencil strokes on white board, the strokes lit and shaded,
// and its storeys and windows drawn as lines by the line renderer (occupancy, style, width and colour
// bytes, coverage).
std::unique_ptr<ts::LayerObject> MakeFacade() {
    auto layer = std::make_unique<ts::LayerObject>();
    auto occupancy = std::make_unique<ts::SuperBitBuffer>();
    occupancy->Create(kW, kH, 2, 0, 2.0f);
    layer->frame = std::make_unique<ts::Wireframe>(std::move(occupancy));
    layer->color = std::make_unique<ts::ObjectColor>();
    layer->color->Create(kW, kH, 0x00FFFFFF, 255);
    benchdrawing::PaintStrokesOnWhite(*layer->color, kW, kH, 0, kW / 3);
    layer->shadow = std::make_unique<ts::ObjectShadow>();
    layer->shadow->Create(kW, kH);
    layer->bounds = ts::Rect{0, 0, kW, kH};
    // Lighting in bands over the painted pixels only; neutral elsewhere.
    std::vector<uint8_t> amount(kW), level(kW);
    for (int32_t y = 0; y < kH; ++y) {
        layer->color->amount->ReadRow(y, amount.data());
        for (int32_t x = 0; x < kW; ++x) {
            const auto at = static_cast<size_t>(x);
            level[at] = amount[at] == 0 ? ts::ObjectShadow::kNeutral
                                        : static_cast<uint8_t>(40 + (x / 64 + y / 48) % 8 * 24);
        }
        layer->shadow->lighting->PutRow(y, level.data());
    }
    ts::EnsureLineArt(*layer);
    layer->lineArt->colorList->FindOrAdd(ts::LineColor{0x00202020, 255});
    layer->lineArt->colorList->FindOrAdd(ts::LineColor{0x00A03010, 255});
    ts::DotDashGapMask dashes;
    ts::LineRenderer renderer(*layer);
    // Storey lines every 150 pixels, width 3; windows of 100 x 90 every 180 pixels, width 1 or 2.
    std::vector<ts::FineSegment> storeys;
    for (int32_t y = 75; y < kH; y += 150) {
        storeys.push_back({4 * 20, 4 * y + 2, 4 * (kW - 20), 4 * y + 2});
    }
    renderer.SetSettings(ts::LineSettings{3, ts::kLineSolid, 0, 0});
    renderer.DrawSegments(storeys, dashes);
    std::vector<ts::FineSegment> windows;
    for (int32_t y = 105; y + 90 < kH; y += 150) {
        for (int32_t x = 60; x + 100 < kW; x += 180) {
            const int32_t l = 4 * x + 2, t = 4 * y + 2, r = 4 * (x + 100) + 2, b = 4 * (y + 90) + 2;
            windows.push_back({l, t, r, t});
            windows.push_back({r, t, r, b});
            windows.push_back({r, b, l, b});
            windows.push_back({l, b, l, t});
        }
    }
    renderer.SetSettings(ts::LineSettings{2, ts::kLineSolid, 1, 1});
    renderer.DrawSegments(windows, dashes);
    return layer;
}

const ts::LayerObject& Facade() {
    static const std::unique_ptr<ts::LayerObject> facade = MakeFacade();
    return *facade;
}

// Every pixel part of the layer.
std::vector<ts::RLBuffer*> Parts(ts::LayerObject& layer) {
    std::vector<ts::RLBuffer*> parts;
    for (int i = 0; i < ts::ObjectColor::kChannels; ++i) {
        if (ts::RLBuffer* c = layer.color->Channel(i)) {
            parts.push_back(c);
        }
    }
    ts::ObjectLineArt& l = *layer.lineArt;
    for (ts::RLBuffer* b : {static_cast<ts::RLBuffer*>(layer.frame->drawingBuffer.get()),
                            static_cast<ts::RLBuffer*>(layer.shadow->appearanceIndex.get()),
                            static_cast<ts::RLBuffer*>(layer.shadow->lighting.get()),
                            static_cast<ts::RLBuffer*>(l.lineBuffer.get()),
                            static_cast<ts::RLBuffer*>(l.lineAppearanceIndex.get()),
                            static_cast<ts::RLBuffer*>(l.colorAppearanceIndex.get()),
                            static_cast<ts::RLBuffer*>(l.refreshAppearance.get()),
                            static_cast<ts::RLBuffer*>(l.refreshWidth.get())}) {
        if (b) {
            parts.push_back(b);
        }
    }
    return parts;
}

void BM_RoundTripLayer(benchmark::State& state) {
    ts::LayerObject layer;
    layer.CopyFrom(Facade(), true);
    const std::vector<ts::RLBuffer*> parts = Parts(layer);
    std::vector<uint8_t> row(size_t{kW} * 4);
    for (auto _ : state) {
        for (int32_t y = 0; y < kH; ++y) {
            for (ts::RLBuffer* b : parts) {
                b->ReadRow(y, row.data());
                b->PutRow(y, row.data());
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * kW * kH);
}

// Each iteration transforms a fresh copy (the copy is not timed).
template <class Transform> void OnCopies(benchmark::State& state, Transform transform) {
    for (auto _ : state) {
        state.PauseTiming();
        ts::LayerObject layer;
        layer.CopyFrom(Facade(), true);
        state.ResumeTiming();
        if (!transform(layer)) {
            state.SkipWithError("the transform failed");
            break;
        }
        state.PauseTiming();
        // The transformed layer is released untimed.
        layer.color.reset();
        layer.shadow.reset();
        layer.lineArt.reset();
        layer.frame.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kW * kH);
}

void BM_CreatePerspective(benchmark::State& state) {
    // A wall going off to the right: the far side half as tall.
    const std::array<ts::PointTS, 4> wall{ts::PointTS(0, 0), ts::PointTS(2400, 450), ts::PointTS(2400, 1350),
                                          ts::PointTS(0, 1800)};
    OnCopies(state, [&](ts::LayerObject& layer) {
        return ts::MorphLayer(layer, wall, ts::kMorphLines | ts::kMorphLighting | ts::kMorphSurface, nullptr);
    });
}

void BM_Rotate30(benchmark::State& state) {
    OnCopies(state, [](ts::LayerObject& layer) { return ts::TurnLayerBy(layer, 30, nullptr); });
}

} // namespace

BENCHMARK(BM_RoundTripLayer)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CreatePerspective)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rotate30)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
