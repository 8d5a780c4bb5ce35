// Laying a 2700 x 1800 layer (paint, lighting and lines) onto a trapezoid, and turning it by 30
// degrees, each against the plain decode and encode of the same parts' rows in the same run (what any
// remaking of the layer must at least do).

#include "model/layer_object.h"
#include "perspective/layer_transform.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

namespace {

constexpr int32_t kW = 2700;
constexpr int32_t kH = 1800;

// A facade: pencil over a third of each row, lighting in bands, and a grid of lines every 60 pixels
// with their indices.
std::unique_ptr<ts::LayerObject> MakeFacade() {
    auto layer = std::make_unique<ts::LayerObject>();
    layer->color = std::make_unique<ts::ObjectColor>();
    layer->color->Create(kW, kH, 0x00FFFFFF, 255);
    layer->shadow = std::make_unique<ts::ObjectShadow>();
    layer->shadow->Create(kW, kH);
    layer->lineArt = std::make_unique<ts::ObjectLineArt>();
    layer->lineArt->Create(kW, kH);
    layer->bounds = ts::Rect{0, 0, kW, kH};
    std::mt19937 rng(8);
    std::vector<uint8_t> amount(kW), level(kW), channel(kW), index(kW), masks(size_t{kW} * 2);
    for (int32_t y = 0; y < kH; ++y) {
        std::fill(amount.begin(), amount.end(), 0);
        std::fill(level.begin(), level.end(), 128);
        const int32_t from = static_cast<int32_t>(rng() % kW);
        for (int32_t x = from; x < std::min(kW, from + kW / 3); ++x) {
            amount[static_cast<size_t>(x)] = static_cast<uint8_t>(96 + rng() % 160);
            level[static_cast<size_t>(x)] = static_cast<uint8_t>(40 + (x / 64) % 8 * 24);
        }
        layer->color->amount->PutRow(y, amount.data());
        layer->shadow->lighting->PutRow(y, level.data());
        for (int c = 1; c <= 3; ++c) {
            std::fill(channel.begin(), channel.end(), static_cast<uint8_t>(40 * c + 20));
            layer->color->Channel(c)->PutRow(y, channel.data());
        }
        std::fill(masks.begin(), masks.end(), 0);
        std::fill(index.begin(), index.end(), 0);
        for (int32_t x = 0; x < kW; ++x) {
            const bool line = y % 60 < 2 || x % 60 < 2;
            if (line) {
                masks[static_cast<size_t>(x) * 2] = 0xFF;
                masks[static_cast<size_t>(x) * 2 + 1] = 0xFF;
                index[static_cast<size_t>(x)] = 1;
            }
        }
        layer->lineArt->lineBuffer->PutRow(y, masks.data());
        layer->lineArt->lineAppearanceIndex->PutRow(y, index.data());
        layer->lineArt->colorAppearanceIndex->PutRow(y, index.data());
    }
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
    for (ts::RLBuffer* b : {static_cast<ts::RLBuffer*>(layer.shadow->appearanceIndex.get()),
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
