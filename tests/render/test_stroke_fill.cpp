// The stroke engine fills the pixels a dab newly covers fully many at a time and applies its rules
// pixel by pixel only where the coverage stays partial. Whatever the brush size, tool, strength or
// layer width, and wherever the brush runs past the layer's edges, every dab must change the same
// bytes and report the same changed rectangle as the rules applied one pixel at a time to plainly
// decoded rows with a plain coverage record.

#include "model/layer_object.h"
#include "raster/color_spaces.h"
#include "raster/pixel_tables.h"
#include "render/dynamic_buffer_set.h"
#include "render/stroke_rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace ts {
namespace {

using Bytes = std::vector<uint8_t>;

// Byte planes of a layer, in the order the reference keeps them.
enum Plane { kB, kG, kR, kAmount, kLook, kLevel, kIndex, kPlanes };

RLBuffer* PlaneOf(LayerObject& layer, int plane) {
    ObjectColor& c = *layer.color;
    RLBuffer* planes[kPlanes] = {c.blue.get(),
                                 c.green.get(),
                                 c.red.get(),
                                 c.amount.get(),
                                 c.appearance.get(),
                                 layer.shadow->lighting.get(),
                                 layer.shadow->appearanceIndex.get()};
    return planes[plane];
}

// Hatching with grain in a band, flat patches, odd appearances, and lighting that varies across the
// layer with some pixels already neutral.
std::unique_ptr<LayerObject> Hatched(int32_t width, int32_t height) {
    auto layer = std::make_unique<LayerObject>();
    layer->color = std::make_unique<ObjectColor>();
    EXPECT_TRUE(layer->color->Create(width, height, 0x00FFFFFF, 0));
    layer->shadow = std::make_unique<ObjectShadow>();
    EXPECT_TRUE(layer->shadow->Create(width, height));
    Bytes row(static_cast<size_t>(width));
    for (int32_t y = 0; y < height; ++y) {
        for (int plane = 0; plane < kPlanes; ++plane) {
            for (int32_t x = 0; x < width; ++x) {
                const bool painted = x > width / 7 && x < width * 6 / 7 && (x + 2 * y) % 13 < 9;
                uint8_t v = 0;
                switch (plane) {
                case kAmount:
                    v = painted ? static_cast<uint8_t>((x + y) % 5 == 0 ? 255 : 120 + (x * 5 + y * 3) % 40)
                                : 0;
                    break;
                case kLook:
                    v = painted && (x / 20 + y / 20) % 3 == 0 ? 4 : (painted && x % 17 == 0 ? 1 : 0);
                    break;
                case kLevel:
                    v = (x / 9 + y / 7) % 4 == 0 ? ObjectShadow::kNeutral
                                                 : static_cast<uint8_t>(60 + (x + y) % 90);
                    break;
                case kIndex:
                    v = static_cast<uint8_t>((x / 9 + y / 7) % 4 == 0 ? 0 : 2);
                    break;
                default:
                    v = painted ? static_cast<uint8_t>(40 + 50 * plane + x / 32 * 3) : 255;
                }
                row[static_cast<size_t>(x)] = v;
            }
            PlaneOf(*layer, plane)->PutRow(y, row.data());
        }
    }
    return layer;
}

// What the strokes paint with.
struct Tool {
    int32_t type;
    StrokeTool settings;
    const char* name;
};

// The rules one pixel at a time on the layer's planes decoded whole, with a plain coverage record.
class PlainStrokes {
public:
    PlainStrokes(LayerObject& layer, const BrushTS& brush, const Tool& tool)
        : m_brush(brush), m_tool(tool), m_width(layer.color->Width()), m_height(layer.color->Height()) {
        for (int plane = 0; plane < kPlanes; ++plane) {
            RLBuffer& buffer = *PlaneOf(layer, plane);
            m_planes[plane].resize(static_cast<size_t>(m_width) * static_cast<size_t>(m_height));
            for (int32_t y = 0; y < m_height; ++y) {
                buffer.ReadRow(y, &At(plane, 0, y));
            }
        }
    }

    void BeginStroke() { m_coverage.assign(static_cast<size_t>(m_width) * static_cast<size_t>(m_height), 0); }

    // The changed pixels' rectangle.
    Rect Dab(int32_t qx, int32_t qy) {
        const int32_t side = m_brush.Side();
        const int32_t left = (qx >> 2) - side / 2;
        const int32_t top = (qy >> 2) - side / 2;
        const uint16_t* mask = m_brush.Mask(BrushTS::PhaseOf(qx, qy));
        Rect changed{};
        for (int32_t r = 0; r < side; ++r) {
            for (int32_t c = 0; c < side; ++c) {
                const int32_t x = left + c;
                const int32_t y = top + r;
                const uint16_t m = mask[r * side + c];
                if (x < 0 || y < 0 || x >= m_width || y >= m_height || m == 0) {
                    continue;
                }
                uint16_t& coverage = m_coverage[static_cast<size_t>(y * m_width + x)];
                if ((m & ~coverage) == 0) {
                    continue;
                }
                const uint16_t old = coverage;
                coverage = static_cast<uint16_t>(coverage | m);
                uint8_t before[kPlanes];
                for (int plane = 0; plane < kPlanes; ++plane) {
                    before[plane] = At(plane, x, y);
                }
                Apply(x, y, old, coverage);
                for (int plane = 0; plane < kPlanes; ++plane) {
                    if (At(plane, x, y) != before[plane]) {
                        changed = Union(changed, Rect{x, y, x + 1, y + 1});
                        break;
                    }
                }
            }
        }
        return changed;
    }

    uint8_t& At(int plane, int32_t x, int32_t y) {
        return m_planes[plane]
                       [static_cast<size_t>(y) * static_cast<size_t>(m_width) + static_cast<size_t>(x)];
    }

private:
    static uint8_t Alpha(uint16_t mask) { return stroke::CoverageAlpha(std::popcount(mask)); }

    void Apply(int32_t x, int32_t y, uint16_t old, uint16_t all) {
        const StrokeTool& t = m_tool.settings;
        const uint8_t alpha = Alpha(all);
        stroke::ColorPixel p{At(kB, x, y), At(kG, x, y), At(kR, x, y), At(kAmount, x, y), At(kLook, x, y)};
        uint8_t& level = At(kLevel, x, y);
        uint8_t& index = At(kIndex, x, y);
        switch (m_tool.type) {
        case kStrokeColor:
        case kStrokeSurfaceEraser: {
            const bool board = m_tool.type == kStrokeSurfaceEraser;
            const uint8_t strength = board ? 255 : t.strength;
            const bool own = board || t.sampleOwnColor;
            const uint8_t s = all == 0xFFFF ? strength : Mul8(strength, alpha);
            const uint32_t paint = own ? MakeColor(p.red, p.green, p.blue) : t.color;
            if (stroke::PaintColor(p, paint, s, board ? 1 : t.appearance) && t.resetLighting && !board) {
                level = ObjectShadow::kNeutral;
            }
            break;
        }
        case kStrokeEraseColorAndLighting:
            stroke::EraseColor(p, alpha);
            level = stroke::EraseLighting(level, alpha);
            index = level == ObjectShadow::kNeutral ? 0 : index;
            break;
        case kStrokeLighting:
            level = t.lightRelative ? stroke::RelativeLighting(level, t.lightTarget, Alpha(old), alpha)
                                    : stroke::SetLighting(level, t.lightTarget, alpha);
            index = t.lightIndex;
            break;
        default:
            ADD_FAILURE() << "no reference for type " << m_tool.type;
        }
        At(kB, x, y) = p.blue;
        At(kG, x, y) = p.green;
        At(kR, x, y) = p.red;
        At(kAmount, x, y) = p.amount;
        At(kLook, x, y) = p.appearance;
    }

    const BrushTS& m_brush;
    Tool m_tool;
    int32_t m_width;
    int32_t m_height;
    Bytes m_planes[kPlanes];
    std::vector<uint16_t> m_coverage;
};

// A wandering loop that runs past all four edges, dabs a third of the brush apart (at least a pixel)
// at odd quarter-pixel positions, with a jump across the layer.
std::vector<std::pair<int32_t, int32_t>> Loop(int32_t width, int32_t height, int32_t size) {
    std::vector<std::pair<int32_t, int32_t>> points;
    const double step = std::max(1.0, size / 3.0);
    const double rx = width * 0.56;
    const double ry = height * 0.6;
    int32_t i = 0;
    for (double t = 0; t < 6.283; t += step / std::max(rx, ry), ++i) {
        const double x = width / 2.0 + rx * std::cos(t) * (0.8 + 0.2 * std::sin(5 * t));
        const double y = height / 2.0 + ry * std::sin(t) * (0.7 + 0.3 * std::cos(3 * t));
        points.emplace_back(static_cast<int32_t>(std::lround(4 * x)) + i % 3,
                            static_cast<int32_t>(std::lround(4 * y)) + i % 4);
        if (i == 40) {
            points.emplace_back(4 * (width - 1) + 3, 4 * (height / 3) + 1);
        }
    }
    return points;
}

TEST(StrokeFill, EveryDabChangesWhatTheRulesPixelByPixelChange) {
    auto tool = [](int32_t type, uint8_t strength, const char* name) {
        Tool t{type, {}, name};
        t.settings.color = 0x00306090;
        t.settings.strength = strength;
        t.settings.appearance = 2;
        return t;
    };
    std::vector<Tool> tools = {tool(kStrokeColor, 255, "full strength"),
                               tool(kStrokeColor, 170, "strength 170"),
                               tool(kStrokeColor, 255, "full strength, lighting reset"),
                               tool(kStrokeColor, 255, "own colour"),
                               tool(kStrokeSurfaceEraser, 255, "board eraser at full strength"),
                               tool(kStrokeEraseColorAndLighting, 255, "eraser"),
                               tool(kStrokeLighting, 255, "lighting"),
                               tool(kStrokeLighting, 255, "relative lighting")};
    tools[2].settings.resetLighting = true;
    tools[3].settings.sampleOwnColor = true;
    tools[6].settings.lightTarget = 200;
    tools[6].settings.lightIndex = 3;
    tools[7].settings.lightTarget = 40;
    tools[7].settings.lightRelative = true;

    struct Layer {
        int32_t width;
        int32_t height;
    };
    // Widths that end in tails of 1 to 15 pixels past the blocks and span one to three coverage tiles.
    const Layer layers[] = {{37, 29}, {131, 70}, {203, 90}};
    const int32_t sizes[] = {1, 3, 5, 8, 17, 33, 65};
    for (const Layer& l : layers) {
        for (int32_t size : sizes) {
            if (size > l.width) {
                continue;
            }
            for (const Tool& t : tools) {
                auto layer = Hatched(l.width, l.height);
                BrushTS brush;
                brush.SetSize(size);
                DynamicBufferSet engine;
                engine.SetBrush(brush);
                engine.SetTool(t.settings);
                engine.SetDeferredCommits(true);
                PlainStrokes plain(*layer, brush, t);
                const auto points = Loop(l.width, l.height, size);
                const std::string what = std::string(t.name) + ", size " + std::to_string(size) + ", layer " +
                                         std::to_string(l.width) + " x " + std::to_string(l.height);
                // Twice: the second stroke goes over its own paint, where fills find bytes that already
                // hold the tool's and must not report them as changed.
                for (int pass = 0; pass < 2; ++pass) {
                    ASSERT_TRUE(engine.BeginStroke(*layer, t.type, 8, size / 2)) << what;
                    plain.BeginStroke();
                    for (size_t i = 0; i < points.size(); ++i) {
                        engine.MoveBrush(points[i].first, points[i].second);
                        const Rect got = engine.Dab();
                        const Rect expected = plain.Dab(points[i].first, points[i].second);
                        ASSERT_EQ(got.IsEmpty(), expected.IsEmpty()) << what << ", dab " << i;
                        if (!expected.IsEmpty()) {
                            ASSERT_EQ(got.left, expected.left) << what << ", dab " << i;
                            ASSERT_EQ(got.top, expected.top) << what << ", dab " << i;
                            ASSERT_EQ(got.right, expected.right) << what << ", dab " << i;
                            ASSERT_EQ(got.bottom, expected.bottom) << what << ", dab " << i;
                        }
                        if (i % 3 == 2) {
                            engine.CommitRows();
                        }
                    }
                    engine.EndStroke();
                    Bytes row(static_cast<size_t>(l.width));
                    for (int plane = 0; plane < kPlanes; ++plane) {
                        for (int32_t y = 0; y < l.height; ++y) {
                            PlaneOf(*layer, plane)->ReadRow(y, row.data());
                            for (int32_t x = 0; x < l.width; ++x) {
                                ASSERT_EQ(row[static_cast<size_t>(x)], plain.At(plane, x, y))
                                    << what << ", pass " << pass << ", plane " << plane << " at " << x << ", "
                                    << y;
                            }
                        }
                    }
                }
            }
        }
    }
}

} // namespace
} // namespace ts
