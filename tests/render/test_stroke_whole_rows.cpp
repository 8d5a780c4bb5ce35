// The stroke engine keeps only the columns its dabs reach in its windows, decodes them as the dabs first
// reach them and stores only the columns they changed. The plain way decodes every row a dab touches
// whole, applies the colour rule and stores the row whole. Both must leave the same pixels in every
// channel and the same stored bytes, at the layer's edges, with widths that end in a tail, with one-pixel
// brushes and with strokes that go over their own paint again.

#include "model/layer_object.h"
#include "raster/color_spaces.h"
#include "raster/pixel_tables.h"
#include "render/dynamic_buffer_set.h"
#include "render/stroke_rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace ts {
namespace {

using Bytes = std::vector<uint8_t>;

// White board with hatching in a band: grain in the amount, flat patches of colour, odd appearances.
std::unique_ptr<LayerObject> Hatched(int32_t width, int32_t height) {
    auto layer = std::make_unique<LayerObject>();
    layer->color = std::make_unique<ObjectColor>();
    EXPECT_TRUE(layer->color->Create(width, height, 0x00FFFFFF, 0));
    Bytes amount(static_cast<size_t>(width));
    Bytes appearance(static_cast<size_t>(width));
    Bytes channel[3];
    for (auto& c : channel) {
        c.resize(static_cast<size_t>(width));
    }
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const auto i = static_cast<size_t>(x);
            const bool painted = x > width / 6 && x < width * 5 / 6 && (x + y) % 13 < 9;
            amount[i] = painted ? static_cast<uint8_t>(140 + (x * 5 + y * 3) % 9) : 0;
            appearance[i] = painted && (x / 20 + y / 20) % 3 == 0 ? 4 : 0;
            for (int c = 0; c < 3; ++c) {
                channel[c][i] = painted ? static_cast<uint8_t>(50 + 40 * c + x / 64 * 7) : 255;
            }
        }
        layer->color->amount->PutRow(y, amount.data());
        layer->color->appearance->PutRow(y, appearance.data());
        layer->color->blue->PutRow(y, channel[0].data());
        layer->color->green->PutRow(y, channel[1].data());
        layer->color->red->PutRow(y, channel[2].data());
    }
    return layer;
}

// The colour painting rule on whole decoded rows, stored back whole after every dab.
class WholeRowPainter {
public:
    WholeRowPainter(LayerObject& layer, const BrushTS& brush, const StrokeTool& tool)
        : m_color(*layer.color), m_brush(brush), m_tool(tool), m_width(layer.color->Width()),
          m_height(layer.color->Height()) {}

    void BeginStroke() { m_coverage.assign(static_cast<size_t>(m_width) * static_cast<size_t>(m_height), 0); }
    void SetTool(const StrokeTool& tool) { m_tool = tool; }

    void Dab(int32_t qx, int32_t qy) {
        const int32_t side = m_brush.Side();
        const int32_t left = (qx >> 2) - side / 2;
        const int32_t top = (qy >> 2) - side / 2;
        const int32_t phase = BrushTS::PhaseOf(qx, qy);
        const uint16_t* mask = m_brush.Mask(phase);
        const std::vector<uint16_t>& spans = m_brush.RowSpans(phase);
        RLBuffer* buffers[5] = {m_color.blue.get(), m_color.green.get(), m_color.red.get(),
                                m_color.amount.get(), m_color.appearance.get()};
        Bytes rows[5];
        for (int32_t r = 0; r < side; ++r) {
            const int32_t y = top + r;
            const int32_t c0 = std::max<int32_t>(spans[static_cast<size_t>(2 * r)], -left);
            const int32_t c1 = std::min<int32_t>(spans[static_cast<size_t>(2 * r + 1)], m_width - left);
            if (y < 0 || y >= m_height || c0 >= c1) {
                continue;
            }
            for (int k = 0; k < 5; ++k) {
                rows[k].resize(static_cast<size_t>(m_width));
                buffers[k]->ReadRow(y, rows[k].data());
            }
            for (int32_t c = c0; c < c1; ++c) {
                const int32_t x = left + c;
                const uint16_t m = mask[r * side + c];
                uint16_t& coverage = m_coverage[static_cast<size_t>(y * m_width + x)];
                if ((m & ~coverage) == 0) {
                    continue;
                }
                coverage = static_cast<uint16_t>(coverage | m);
                Paint(rows, static_cast<size_t>(x), coverage);
            }
            for (int k = 0; k < 5; ++k) {
                buffers[k]->PutRow(y, rows[k].data());
            }
        }
    }

private:
    void Paint(Bytes* rows, size_t x, uint16_t all) const {
        const auto red = static_cast<uint8_t>(ColorRed(m_tool.color));
        const auto green = static_cast<uint8_t>(ColorGreen(m_tool.color));
        const auto blue = static_cast<uint8_t>(ColorBlue(m_tool.color));
        const int32_t lightness = stroke::Lightness(red, green, blue);
        constexpr uint16_t kFull = 0xFFFF;
        if (all == kFull && m_tool.strength == 255) {
            rows[0][x] = blue;
            rows[1][x] = green;
            rows[2][x] = red;
            rows[3][x] = 255;
            rows[4][x] = m_tool.appearance;
            return;
        }
        const int32_t bits = __builtin_popcount(all);
        const uint8_t s = all == kFull ? m_tool.strength : Mul8(m_tool.strength, stroke::CoverageAlpha(bits));
        stroke::ColorPixel p{rows[0][x], rows[1][x], rows[2][x], rows[3][x], rows[4][x]};
        if (p.amount == 255 && s != 255) {
            const uint32_t mixed =
                stroke::MixColor(MakeColor(p.red, p.green, p.blue), m_tool.color, s, lightness);
            rows[0][x] = static_cast<uint8_t>(ColorBlue(mixed));
            rows[1][x] = static_cast<uint8_t>(ColorGreen(mixed));
            rows[2][x] = static_cast<uint8_t>(ColorRed(mixed));
            rows[4][x] = stroke::AppearanceMix(m_tool.appearance, p.appearance, s);
            return;
        }
        stroke::PaintColor(p, m_tool.color, s, m_tool.appearance, lightness);
        rows[0][x] = p.blue;
        rows[1][x] = p.green;
        rows[2][x] = p.red;
        rows[3][x] = p.amount;
        rows[4][x] = p.appearance;
    }

    ObjectColor& m_color;
    const BrushTS& m_brush;
    StrokeTool m_tool;
    int32_t m_width;
    int32_t m_height;
    std::vector<uint16_t> m_coverage;
};

struct Point {
    int32_t qx;
    int32_t qy;
};

// A loop that runs past all four edges of the layer, with dabs a quarter of the brush apart (at least a
// pixel) at odd quarter-pixel positions, and a jump across.
std::vector<Point> Loop(int32_t width, int32_t height, int32_t size) {
    std::vector<Point> points;
    const double step = std::max(1.0, size / 4.0);
    const double rx = width * 0.55;
    const double ry = height * 0.58;
    for (double t = 0; t < 6.283; t += step / std::max(rx, ry)) {
        const double x = width / 2.0 + rx * std::cos(t) * (0.8 + 0.2 * std::sin(3 * t));
        const double y = height / 2.0 + ry * std::sin(t);
        points.push_back(
            {static_cast<int32_t>(std::lround(4 * x)) + 1, static_cast<int32_t>(std::lround(4 * y))});
        if (points.size() == 90) {
            points.push_back({4 * (width - 2) + 3, 4 * 2 + 2});
        }
    }
    return points;
}

void ExpectSameLayers(LayerObject& a, LayerObject& b, const char* what) {
    for (int c = 0; c < ObjectColor::kChannels; ++c) {
        RLBuffer& x = *a.color->Channel(c);
        RLBuffer& y = *b.color->Channel(c);
        Bytes rowX(x.RawRowLength());
        Bytes rowY(y.RawRowLength());
        for (int32_t row = 0; row < x.Height(); ++row) {
            x.ReadRow(row, rowX.data());
            y.ReadRow(row, rowY.data());
            ASSERT_EQ(rowX, rowY) << what << ", channel " << c << ", row " << row;
            ASSERT_EQ(Bytes(x.RowEncoding(row), x.RowEncoding(row) + x.RowEncodedLength(row)),
                      Bytes(y.RowEncoding(row), y.RowEncoding(row) + y.RowEncodedLength(row)))
                << what << ", channel " << c << ", stored row " << row;
        }
    }
}

TEST(StrokeWholeRows, TheEngineLeavesThePixelsAndBytesOfWholeRowPainting) {
    struct Case {
        int32_t width;
        int32_t height;
        int32_t size;
        uint8_t strength;
    };
    // Widths with tails of 1 to 3 bytes, a one-pixel brush, an even size, full and partial strength, and
    // a brush whose rows and columns each reach over several tiles of the stroke's coverage.
    for (const Case& k : {Case{301, 40, 1, 200}, Case{130, 50, 3, 255}, Case{518, 70, 8, 160},
                          Case{1030, 64, 15, 255}, Case{259, 45, 21, 120}, Case{290, 100, 75, 255}}) {
        auto engineLayer = Hatched(k.width, k.height);
        auto plainLayer = Hatched(k.width, k.height);
        BrushTS brush;
        brush.SetSize(k.size);
        StrokeTool tool;
        tool.color = 0x00406080;
        tool.strength = k.strength;
        tool.appearance = 1;
        DynamicBufferSet engine;
        engine.SetBrush(brush);
        engine.SetTool(tool);
        engine.SetDeferredCommits(true);
        WholeRowPainter plain(*plainLayer, brush, tool);
        const std::vector<Point> points = Loop(k.width, k.height, k.size);
        // The same stroke three times: the later ones repaint their own paint, where stored rows change
        // their bytes but keep their runs.
        for (int stroke = 0; stroke < 3; ++stroke) {
            ASSERT_TRUE(engine.BeginStroke(*engineLayer, kStrokeColor, 30, k.size / 2));
            plain.BeginStroke();
            int32_t laid = 0;
            for (const Point& p : points) {
                engine.MoveBrush(p.qx, p.qy);
                engine.Dab();
                plain.Dab(p.qx, p.qy);
                if (++laid % 4 == 0) {
                    engine.CommitRows();
                }
            }
            engine.EndStroke();
            const std::string what = "size " + std::to_string(k.size) + ", width " + std::to_string(k.width) +
                                     ", stroke " + std::to_string(stroke);
            ExpectSameLayers(*engineLayer, *plainLayer, what.c_str());
        }
    }
}

// The painting modes change the tool between mouse events: every dab is painted with the tool it is
// laid with, colour and strength alike, and the stroke still counts only the sub-pixels it adds. Going
// back to the board's white brings bytes back to what they were before the stroke after they had been
// stored otherwise, whether rows are stored after every dab or held between events.
TEST(StrokeWholeRows, AToolChangedWithinAStrokePaintsFromTheNextDab) {
    for (const bool deferred : {true, false}) {
        auto engineLayer = Hatched(403, 60);
        auto plainLayer = Hatched(403, 60);
        BrushTS brush;
        brush.SetSize(11);
        StrokeTool tool;
        tool.appearance = 2;
        DynamicBufferSet engine;
        engine.SetBrush(brush);
        engine.SetDeferredCommits(deferred);
        WholeRowPainter plain(*plainLayer, brush, tool);
        const std::vector<Point> points = Loop(403, 60, 11);
        const uint32_t colors[] = {0x00406080, 0x00FFFFFF, 0x00F0E0D0, 0x00FFFFFF, 0x00102030};
        const uint8_t strengths[] = {255, 90, 90, 255, 200, 255};
        for (int stroke = 0; stroke < 2; ++stroke) {
            ASSERT_TRUE(engine.BeginStroke(*engineLayer, kStrokeColor, 30, 5));
            plain.BeginStroke();
            for (size_t i = 0; i < points.size(); ++i) {
                if (i % 3 == 0) {
                    tool.color = colors[(i / 3) % 5];
                    tool.strength = strengths[(i / 3 + static_cast<size_t>(stroke)) % 6];
                    engine.SetTool(tool);
                    plain.SetTool(tool);
                }
                engine.MoveBrush(points[i].qx, points[i].qy);
                engine.Dab();
                plain.Dab(points[i].qx, points[i].qy);
                if (i % 4 == 3) {
                    engine.CommitRows();
                }
            }
            engine.EndStroke();
            const std::string what = std::string(deferred ? "held rows" : "rows stored at once") +
                                     (stroke == 0 ? ", first stroke" : ", second stroke");
            ExpectSameLayers(*engineLayer, *plainLayer, what.c_str());
        }
    }
}

} // namespace
} // namespace ts
