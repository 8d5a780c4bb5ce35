// Whole-layer effects on a 3600 x 2700 layer painted like the stroke benchmarks' drawing, each against
// the plain decode and encode of the same channels' rows in the same run (what any rewrite of the layer
// must at least do).

#include "platform/headless_image_codec.h"
#include "platform/headless_user_interface.h"
#include "platform/memory_settings_store.h"
#include "workspace/workspace.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

namespace {

constexpr int32_t kW = 3600;
constexpr int32_t kH = 2700;

// A headless workspace with one painted and lit layer, current; refreshes are only recorded.
struct Bench {
    ts::HeadlessUserInterface ui;
    ts::MemorySettingsStore settings;
    ts::HeadlessImageCodec codec;
    std::unique_ptr<ts::Workspace> w;

    Bench() {
        w = std::make_unique<ts::Workspace>(ui, settings, codec, "./",
                                            std::make_unique<ts::RecordingRefresh>());
        ts::ImageStackManager& stack = w->imageStack;
        stack.SetDrawingSize(kW, kH);
        stack.CreateLayer(ts::kBackdropName);
        stack.CreateLayer(ts::kPaperName);
        ts::LayerObject& layer = *stack.CreateLayer(ts::kBlankLayerName);
        painted = layer.id;
        layer.color = std::make_unique<ts::ObjectColor>();
        layer.color->Create(kW, kH, 0x00FFFFFF, 255);
        layer.shadow = std::make_unique<ts::ObjectShadow>();
        layer.shadow->Create(kW, kH);
        // Pencil over about a third of every row, in one stretch placed anew on each row; the same
        // stretch lit or shaded.
        std::mt19937 rng(40);
        std::vector<uint8_t> amount(kW);
        std::vector<uint8_t> level(kW);
        std::vector<uint8_t> channel(kW);
        for (int32_t y = 0; y < kH; ++y) {
            std::fill(amount.begin(), amount.end(), 0);
            std::fill(level.begin(), level.end(), 128);
            const int32_t from = static_cast<int32_t>(rng() % kW);
            for (int32_t x = from; x < std::min(kW, from + kW / 3); ++x) {
                amount[static_cast<size_t>(x)] = static_cast<uint8_t>(96 + rng() % 160);
                level[static_cast<size_t>(x)] = static_cast<uint8_t>(40 + (x / 64) % 8 * 24);
            }
            layer.color->amount->PutRow(y, amount.data());
            layer.shadow->lighting->PutRow(y, level.data());
            for (int c = 1; c <= 3; ++c) {
                std::fill(channel.begin(), channel.end(), static_cast<uint8_t>(40 * c + 20));
                layer.color->Channel(c)->PutRow(y, channel.data());
            }
        }
    }
    // The gradient's layer may go below it: found by its id.
    ts::LayerObject& Layer() { return *w->imageStack.Layer(w->imageStack.IndexOfId(painted)); }
    uint32_t painted = 0;
};

Bench& Shared() {
    static Bench bench;
    return bench;
}

// Decode and encode every row of the channels, in place.
void RoundTrip(benchmark::State& state, const std::vector<ts::RLBuffer*>& channels) {
    std::vector<uint8_t> row(channels[0]->RawRowLength());
    for (auto _ : state) {
        for (int32_t y = 0; y < channels[0]->Height(); ++y) {
            for (ts::RLBuffer* c : channels) {
                c->ReadRow(y, row.data());
                c->PutRow(y, row.data());
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * kW * kH);
}

void BM_RoundTripLighting(benchmark::State& state) {
    RoundTrip(state, {Shared().Layer().shadow->lighting.get()});
}

void BM_RoundTripColor(benchmark::State& state) {
    ts::ObjectColor& c = *Shared().Layer().color;
    RoundTrip(state, {c.blue.get(), c.green.get(), c.red.get(), c.amount.get()});
}

// Enters the effect's mode and applies once per iteration (from the saved copy), the slider at the value
// and one below it by turns.
void Effect(benchmark::State& state, ts::Env& mode, int32_t slider, int32_t value) {
    Bench& b = Shared();
    b.w->imageStack.SetCurrent(b.w->imageStack.IndexOfId(b.painted));
    b.w->environmentManager.EnterMode(&mode, "", "");
    auto* control = dynamic_cast<ts::SliderCtrl*>(mode.Panel().Find(slider));
    if (control) {
        control->SetPos(value);
    }
    auto& effect = dynamic_cast<ts::LayerEffect&>(mode);
    int32_t step = 0;
    for (auto _ : state) {
        // Each application with another setting, as a slider's releases bring: every row changes.
        if (control) {
            control->SetPos(value - (step++ & 1));
        }
        effect.Apply();
    }
    if (control) {
        effect.Reset();
    }
    b.w->environmentManager.ReturnToSelect();
    state.SetItemsProcessed(state.iterations() * kW * kH);
}

void BM_LightingLevels(benchmark::State& state) {
    Effect(state, Shared().w->lightingLevels, ts::LightingLevels::kShadow, 90);
}

void BM_ColorAdjust(benchmark::State& state) {
    Effect(state, Shared().w->colorAdjust, ts::ColorAdjust::kHue, 80);
}

void BM_MarkerStrokes(benchmark::State& state) {
    Effect(state, Shared().w->markerEffect, ts::MarkerEffect::kAmount, 60);
}

void BM_LightingGradient(benchmark::State& state) {
    Effect(state, Shared().w->gradientManager, 0, 0);
}

// Casts the painted layer's shadow at its largest blur: the offset shadow mode current, the shadow's
// layer just under the painted one.
ts::OffsetShadowManager& CastShadow() {
    Bench& b = Shared();
    b.w->imageStack.SetCurrent(b.w->imageStack.IndexOfId(b.painted));
    b.w->toolSlot.SetTool(b.w->offsetShadowTool);
    ts::OffsetShadowManager& mode = b.w->offsetShadowManager;
    dynamic_cast<ts::SliderCtrl*>(mode.Panel().Find(ts::OffsetShadowManager::kBlur))
        ->SetPos(ts::ShadowSettings::kMaxBlur);
    mode.Cast(ts::IntPoint{24, 18});
    return mode;
}

void DropShadow() {
    Bench& b = Shared();
    b.w->environmentManager.ReturnToSelect();
    b.w->undoStore.Undo(); // the shadow's layer goes again
}

// The offset shadow made anew once per iteration (as a slider's release does), into the layer under it.
void BM_OffsetShadow(benchmark::State& state) {
    ts::OffsetShadowManager& mode = CastShadow();
    for (auto _ : state) {
        mode.Remake();
    }
    DropShadow();
    state.SetItemsProcessed(state.iterations() * kW * kH);
}

// Decoding and encoding the rows of the channels the offset shadow writes: its own layer's.
void BM_RoundTripShadow(benchmark::State& state) {
    CastShadow();
    Bench& b = Shared();
    ts::ObjectColor& c = *b.w->imageStack.Layer(b.w->imageStack.IndexOfId(b.painted) - 1)->color;
    RoundTrip(state, {c.blue.get(), c.green.get(), c.red.get(), c.amount.get()});
    DropShadow();
}

} // namespace

BENCHMARK(BM_RoundTripLighting)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RoundTripColor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LightingLevels)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ColorAdjust)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MarkerStrokes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LightingGradient)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OffsetShadow)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RoundTripShadow)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
