// The stroke engine's windows hold only the columns around the brush and store only the columns a dab
// changed. Whatever the layer's width, wherever the brush goes (past the layer's ends, far across it and
// back) and whenever rows are stored, a stroke must change the same pixels, and every stored row must be
// the writer's own encoding of its pixels.

#include "model/layer_object.h"
#include "raster/row_codec.h"
#include "render/dynamic_buffer_set.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace ts {
namespace {

using Bytes = std::vector<uint8_t>;

// Pencil strokes on white: hatching with grain inside a band of rows, repeated every `period` columns
// from column `shift` on, so that layers of different widths can carry the same picture.
std::unique_ptr<LayerObject> HatchedLayer(int32_t width, int32_t height, int32_t period, int32_t shift) {
    auto layer = std::make_unique<LayerObject>();
    layer->color = std::make_unique<ObjectColor>();
    EXPECT_TRUE(layer->color->Create(width, height, 0x00FFFFFF, 0));
    Bytes amount(static_cast<size_t>(width));
    Bytes appearance(static_cast<size_t>(width));
    Bytes channel(static_cast<size_t>(width));
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const int32_t px = ((x - shift) % period + period) % period;
            const bool painted = px > period / 5 && px < period * 4 / 5 && (px + y) % 11 < 7;
            amount[static_cast<size_t>(x)] = painted ? static_cast<uint8_t>(150 + (px * 7 + y) % 8) : 0;
            appearance[static_cast<size_t>(x)] = painted && (px / 16 + y / 16) % 3 == 0 ? 4 : 0;
        }
        layer->color->amount->PutRow(y, amount.data());
        layer->color->appearance->PutRow(y, appearance.data());
        for (int c = 1; c <= 3; ++c) {
            for (int32_t x = 0; x < width; ++x) {
                const int32_t px = ((x - shift) % period + period) % period;
                channel[static_cast<size_t>(x)] =
                    amount[static_cast<size_t>(x)] ? static_cast<uint8_t>(40 * c + px / 50) : 255;
            }
            layer->color->Channel(c)->PutRow(y, channel.data());
        }
    }
    return layer;
}

Bytes RowOf(RLBuffer& buffer, int32_t y) {
    Bytes row(buffer.RawRowLength());
    buffer.ReadRow(y, row.data());
    return row;
}

// Every row of every colour channel is stored as the writer encodes its pixels.
void ExpectWritersEncoding(LayerObject& layer) {
    for (int c = 0; c < ObjectColor::kChannels; ++c) {
        RLBuffer& buffer = *layer.color->Channel(c);
        for (int32_t y = 0; y < buffer.Height(); ++y) {
            const Bytes row = RowOf(buffer, y);
            Bytes encoded(rowcodec::WorstCaseRoom(row.size()));
            encoded.resize(
                rowcodec::Encode(row.data(), row.size(), encoded.data(), encoded.data() + encoded.size()));
            ASSERT_EQ(Bytes(buffer.RowEncoding(y), buffer.RowEncoding(y) + buffer.RowEncodedLength(y)),
                      encoded)
                << "channel " << c << ", row " << y;
        }
    }
}

struct Dab {
    int32_t qx;
    int32_t qy;
};

// A stroke that wanders over columns x0 .. x0 + span (reach > 0.5 takes it past them), doubles back
// and jumps far across.
std::vector<Dab> Wandering(int32_t x0, int32_t span, int32_t height, double reach = 0.5) {
    std::vector<Dab> dabs;
    for (int i = 0; i < 240; ++i) {
        const double t = i / 240.0 * 6.283;
        const double x = x0 + span * (0.5 + reach * std::sin(2 * t));
        const double y = height * (0.5 + 0.45 * std::cos(3 * t));
        dabs.push_back({static_cast<int32_t>(std::lround(4 * x)), static_cast<int32_t>(std::lround(4 * y))});
        if (i % 60 == 59) {
            dabs.push_back({4 * (x0 + span - 3), 4 * 5 + 1}); // a jump to the far corner and back
        }
    }
    return dabs;
}

void Paint(LayerObject& layer, const std::vector<Dab>& dabs, int32_t size, int32_t xShift, bool deferred,
           int32_t type = kStrokeColor) {
    BrushTS brush;
    brush.SetSize(size);
    DynamicBufferSet engine;
    StrokeTool tool;
    tool.color = 0x00305070;
    tool.strength = 180;
    engine.SetBrush(brush);
    engine.SetTool(tool);
    engine.SetDeferredCommits(deferred);
    ASSERT_TRUE(engine.BeginStroke(layer, type, 30, size / 2));
    int n = 0;
    for (const Dab& d : dabs) {
        engine.MoveBrush(d.qx + 4 * xShift, d.qy);
        engine.Dab();
        if (deferred && ++n % 3 == 0) {
            engine.CommitRows();
        }
    }
    engine.EndStroke();
}

TEST(StrokeSpans, AStrokePaintsTheSameOnAWideLayerAsOnANarrowOne) {
    // The narrow layer is 300 wide; the wide one holds the same picture at columns 2100 .. 2399 and
    // more of it all around. A stroke inside the narrow layer, laid on both, changes the same pixels.
    constexpr int32_t kHeight = 120;
    for (const int32_t size : {3, 9, 41}) {
        auto narrow = HatchedLayer(300, kHeight, 300, 0);
        auto wide = HatchedLayer(4803, kHeight, 300, 0);
        const std::vector<Dab> dabs = Wandering(size, 300 - 2 * size, kHeight);
        Paint(*narrow, dabs, size, 0, false);
        Paint(*wide, dabs, size, 2100, false);
        for (int c = 0; c < ObjectColor::kChannels; ++c) {
            for (int32_t y = 0; y < kHeight; ++y) {
                const Bytes n = RowOf(*narrow->color->Channel(c), y);
                const Bytes w = RowOf(*wide->color->Channel(c), y);
                ASSERT_TRUE(std::equal(n.begin(), n.end(), w.begin() + 2100))
                    << "size " << size << ", channel " << c << ", row " << y;
            }
        }
        // Outside the stroke the wide layer is as it was.
        auto untouched = HatchedLayer(4803, kHeight, 300, 0);
        for (int32_t y = 0; y < kHeight; ++y) {
            const Bytes w = RowOf(*wide->color->amount, y);
            const Bytes u = RowOf(*untouched->color->amount, y);
            ASSERT_TRUE(std::equal(w.begin(), w.begin() + 2100, u.begin())) << "row " << y;
            ASSERT_TRUE(std::equal(w.begin() + 2400, w.end(), u.begin() + 2400)) << "row " << y;
        }
        ExpectWritersEncoding(*wide);
    }
}

TEST(StrokeSpans, RowsStoredLateOrAtOnceAreTheSameAndTheWritersOwn) {
    // A layer whose rows end in a tail (1030 bytes), a stroke that runs past both ends of the layer and
    // jumps across it; its rows stored after every dab, or a few dabs later, or as they leave the
    // windows, give the same layer, encoded as the writer encodes it.
    for (const int32_t type : {kStrokeColor, kStrokeEraseColor}) {
        auto atOnce = HatchedLayer(1030, 90, 257, 11);
        auto late = HatchedLayer(1030, 90, 257, 11);
        const std::vector<Dab> dabs = Wandering(-20, 1070, 90, 0.55);
        Paint(*atOnce, dabs, 15, 0, false, type);
        Paint(*late, dabs, 15, 0, true, type);
        for (int c = 0; c < ObjectColor::kChannels; ++c) {
            for (int32_t y = 0; y < 90; ++y) {
                ASSERT_EQ(RowOf(*atOnce->color->Channel(c), y), RowOf(*late->color->Channel(c), y))
                    << "type " << type << ", channel " << c << ", row " << y;
            }
        }
        ExpectWritersEncoding(*atOnce);
        ExpectWritersEncoding(*late);
        // The stroke did paint, at both ends of the rows.
        auto untouched = HatchedLayer(1030, 90, 257, 11);
        int32_t leftEnds = 0;
        int32_t rightEnds = 0;
        for (int32_t y = 0; y < 90; ++y) {
            const Bytes a = RowOf(*atOnce->color->amount, y);
            const Bytes u = RowOf(*untouched->color->amount, y);
            leftEnds += std::equal(a.begin(), a.begin() + 8, u.begin()) ? 0 : 1;
            rightEnds += std::equal(a.end() - 8, a.end(), u.end() - 8) ? 0 : 1;
        }
        if (type == kStrokeColor) {
            EXPECT_GT(leftEnds, 5);
            EXPECT_GT(rightEnds, 5);
        }
    }
}

} // namespace
} // namespace ts
