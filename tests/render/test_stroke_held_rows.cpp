// With deferred commits a stroke keeps its changed rows in the engine's windows between mouse events.
// The compositor's reads of the layer (ReadContent, ReadSpan, RowIsOneValue) must see exactly what
// they would see had the rows been stored, without storing them; any other use of the buffers (a save,
// a copy for undo, a whole-row read) has the rows stored first and the stroke goes on from there. At the
// end the layer holds the very bytes of a stroke whose rows are stored after every dab.

#include "model/layer_object.h"
#include "model/layer_test_support.h"
#include "raster/byte_stream.h"
#include "render/compositor.h"
#include "render/dynamic_buffer_set.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace ts {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr int32_t kWidth = 517; // rows end in a tail
constexpr int32_t kHeight = 70;

// Hatching with grain on white, flat patches of colour and a few odd appearances.
std::unique_ptr<LayerObject> Hatched() {
    auto layer = std::make_unique<LayerObject>();
    layer->color = std::make_unique<ObjectColor>();
    EXPECT_TRUE(layer->color->Create(kWidth, kHeight, 0x00FFFFFF, 0));
    Bytes amount(kWidth);
    Bytes appearance(kWidth);
    Bytes channel(kWidth);
    for (int32_t y = 0; y < kHeight; ++y) {
        for (int32_t x = 0; x < kWidth; ++x) {
            const bool painted = x > 60 && x < 420 && (x + y) % 13 < 9;
            amount[static_cast<size_t>(x)] = painted ? static_cast<uint8_t>(140 + (x * 5 + y * 3) % 9) : 0;
            appearance[static_cast<size_t>(x)] = painted && (x / 20 + y / 20) % 3 == 0 ? 4 : 0;
        }
        layer->color->amount->PutRow(y, amount.data());
        layer->color->appearance->PutRow(y, appearance.data());
        for (int c = 1; c <= 3; ++c) {
            for (int32_t x = 0; x < kWidth; ++x) {
                channel[static_cast<size_t>(x)] =
                    amount[static_cast<size_t>(x)] ? static_cast<uint8_t>(40 * c + x / 64 * 7) : 255;
            }
            layer->color->Channel(c)->PutRow(y, channel.data());
        }
    }
    return layer;
}

// A drawing of one hatched layer over the board, its layer taken out for painting.
struct Drawing {
    ImageStackManager stack;
    Compositor compositor{stack};
    LayerObject* layer = nullptr;

    Drawing() {
        testing::AddBackdropAndPaper(stack, kWidth, kHeight);
        layer = &testing::AddDrawingLayer(stack, kWidth, kHeight);
        const auto hatched = Hatched();
        for (int c = 0; c < ObjectColor::kChannels; ++c) {
            EXPECT_TRUE(layer->color->Channel(c)->CopyFrom(*hatched->color->Channel(c)));
        }
    }
    Bytes Picture() {
        Bytes pixels(static_cast<size_t>(3 * kWidth * kHeight));
        compositor.CompositeRows(0, kHeight, 0, kWidth, pixels.data(), 3 * kWidth, nullptr, nullptr, nullptr);
        return pixels;
    }
};

// Two engines lay the same dabs: one holds its rows between commits, the other stores them at once.
struct Pair {
    std::unique_ptr<LayerObject> heldLayer = Hatched();
    std::unique_ptr<LayerObject> plainLayer = Hatched();
    LayerObject* held = heldLayer.get();
    LayerObject* plain = plainLayer.get();
    BrushTS brush;
    DynamicBufferSet heldEngine;
    DynamicBufferSet plainEngine;

    Pair(int32_t type, int32_t size, LayerObject* heldOn = nullptr, LayerObject* plainOn = nullptr) {
        held = heldOn ? heldOn : held;
        plain = plainOn ? plainOn : plain;
        brush.SetSize(size);
        StrokeTool tool;
        tool.color = 0x00305070;
        tool.strength = 170;
        for (DynamicBufferSet* engine : {&heldEngine, &plainEngine}) {
            engine->SetBrush(brush);
            engine->SetTool(tool);
        }
        heldEngine.SetDeferredCommits(true);
        EXPECT_TRUE(heldEngine.BeginStroke(*held, type, 30, size / 2));
        EXPECT_TRUE(plainEngine.BeginStroke(*plain, type, 30, size / 2));
    }
    // One mouse event: three dabs along a loop that runs past the layer's left and right ends.
    void Event(int i) {
        for (int k = 0; k < 3; ++k) {
            const double t = (3 * i + k) / 40.0;
            const auto qx = static_cast<int32_t>(std::lround(4 * (kWidth / 2.0 + 290 * std::sin(t))));
            const auto qy = static_cast<int32_t>(std::lround(4 * (kHeight / 2.0 + 30 * std::cos(2.3 * t))));
            for (DynamicBufferSet* engine : {&heldEngine, &plainEngine}) {
                engine->MoveBrush(qx, qy);
                engine->Dab();
            }
        }
        heldEngine.CommitRows();
        plainEngine.CommitRows();
    }
};

Bytes Codes(const RLBuffer& buffer, int32_t y) {
    return Bytes(buffer.RowEncoding(y), buffer.RowEncoding(y) + buffer.RowEncodedLength(y));
}

void ExpectSameCodes(LayerObject& a, LayerObject& b) {
    for (int c = 0; c < ObjectColor::kChannels; ++c) {
        for (int32_t y = 0; y < kHeight; ++y) {
            ASSERT_EQ(Codes(*a.color->Channel(c), y), Codes(*b.color->Channel(c), y))
                << "channel " << c << ", row " << y;
        }
    }
}

// The compositor's reads of every row of a channel over a few spans, against the stored layer's.
void ExpectSameReads(const RLBuffer& held, const RLBuffer& plain, int event) {
    const size_t raw = plain.RawRowLength();
    const size_t spans[][2] = {{0, raw}, {100, 260}, {250, 251}, {raw - 37, raw}, {0, 3}};
    Bytes a(raw);
    Bytes b(raw);
    for (int32_t y = 0; y < kHeight; ++y) {
        for (const auto& span : spans) {
            const size_t from = span[0];
            const size_t to = span[1];
            for (const uint8_t background : {uint8_t{0}, uint8_t{255}}) {
                const auto ca = held.ReadContent(y, from, to, a.data(), background);
                const auto cb = plain.ReadContent(y, from, to, b.data(), background);
                ASSERT_EQ(ca.first, cb.first) << "event " << event << ", row " << y << ", from " << from;
                ASSERT_EQ(ca.last, cb.last) << "event " << event << ", row " << y << ", from " << from;
                ASSERT_TRUE(std::equal(a.begin() + static_cast<ptrdiff_t>(ca.first),
                                       a.begin() + static_cast<ptrdiff_t>(ca.last),
                                       b.begin() + static_cast<ptrdiff_t>(cb.first)))
                    << "event " << event << ", row " << y << ", from " << from;
                for (const bool contentOnly : {false, true}) {
                    const auto sa = held.ReadSpan(y, from, to, a.data(), background, contentOnly);
                    const auto sb = plain.ReadSpan(y, from, to, b.data(), background, contentOnly);
                    ASSERT_EQ(sa.uniform, sb.uniform) << "event " << event << ", row " << y;
                    ASSERT_TRUE(!sa.uniform || sa.value == sb.value) << "event " << event << ", row " << y;
                    ASSERT_EQ(sa.first, sb.first) << "event " << event << ", row " << y;
                    ASSERT_EQ(sa.last, sb.last) << "event " << event << ", row " << y;
                    const size_t lo = contentOnly ? sa.first : 0;
                    const size_t hi = contentOnly ? sa.last : to - from;
                    ASSERT_TRUE(std::equal(a.begin() + static_cast<ptrdiff_t>(lo),
                                           a.begin() + static_cast<ptrdiff_t>(hi),
                                           b.begin() + static_cast<ptrdiff_t>(lo)))
                        << "event " << event << ", row " << y << ", from " << from;
                }
            }
        }
        // A held row may only be called one value when the stored one is, with its value.
        uint8_t va = 0;
        uint8_t vb = 0;
        if (held.RowIsOneValue(y, va)) {
            ASSERT_TRUE(plain.RowIsOneValue(y, vb)) << "event " << event << ", row " << y;
            ASSERT_EQ(va, vb) << "event " << event << ", row " << y;
        }
    }
}

TEST(StrokeHeldRows, CompositingReadsSeeTheHeldRowsWithoutStoringThem) {
    for (const int32_t type : {kStrokeColor, kStrokeEraseColor}) {
        for (const int32_t size : {1, 9, 33}) {
            Pair p(type, size);
            bool sawHeld = false;
            for (int event = 0; event < 40; ++event) {
                p.Event(event);
                if (event % 3 != 2) {
                    continue;
                }
                for (int c = 0; c < ObjectColor::kChannels; ++c) {
                    ExpectSameReads(*p.held->color->Channel(c), *p.plain->color->Channel(c), event);
                    if (HasFatalFailure()) {
                        return;
                    }
                }
                // The reads stored nothing: the buffers still hand their rows to the windows.
                sawHeld = sawHeld || p.held->color->amount->RowsHeld() != nullptr;
            }
            EXPECT_TRUE(sawHeld) << "type " << type << ", size " << size;
            p.heldEngine.EndStroke();
            p.plainEngine.EndStroke();
            EXPECT_EQ(p.held->color->amount->RowsHeld(), nullptr);
            ExpectSameCodes(*p.held, *p.plain);
        }
    }
}

TEST(StrokeHeldRows, TheCompositorShowsEveryEventAsIfItsRowsWereStored) {
    Drawing heldDrawing;
    Drawing plainDrawing;
    Pair p(kStrokeColor, 21, heldDrawing.layer, plainDrawing.layer);
    for (int event = 0; event < 30; ++event) {
        p.Event(event);
        ASSERT_EQ(heldDrawing.Picture(), plainDrawing.Picture()) << "event " << event;
    }
    EXPECT_NE(p.held->color->blue->RowsHeld(), nullptr);
    p.heldEngine.EndStroke();
    p.plainEngine.EndStroke();
    ExpectSameCodes(*p.held, *p.plain);
}

TEST(StrokeHeldRows, OtherUsesStoreTheHeldRowsFirstAndTheStrokeGoesOn) {
    Pair p(kStrokeColor, 15);
    for (int event = 0; event < 45; ++event) {
        p.Event(event);
        ObjectColor& held = *p.held->color;
        ObjectColor& plain = *p.plain->color;
        switch (event % 5) {
        case 0: {
            // A save in the middle of the stroke writes the new pixels.
            ByteWriter a;
            ByteWriter b;
            ASSERT_TRUE(held.amount->WriteBlock(a));
            ASSERT_TRUE(plain.amount->WriteBlock(b));
            ASSERT_EQ(a.Data(), b.Data()) << "event " << event;
            break;
        }
        case 1: {
            // So does a copy, as the undo records take.
            RLBuffer copy;
            ASSERT_TRUE(copy.CopyFrom(*held.blue));
            ASSERT_TRUE(copy.SameContents(*plain.blue)) << "event " << event;
            break;
        }
        case 2: {
            // And a whole-row read.
            Bytes a(kWidth);
            Bytes b(kWidth);
            for (int32_t y = 0; y < kHeight; ++y) {
                held.green->GetRow(y, a.data());
                plain.green->GetRow(y, b.data());
                ASSERT_EQ(a, b) << "event " << event << ", row " << y;
            }
            break;
        }
        default:
            break;
        }
    }
    p.heldEngine.EndStroke();
    p.plainEngine.EndStroke();
    ExpectSameCodes(*p.held, *p.plain);
}

} // namespace
} // namespace ts
