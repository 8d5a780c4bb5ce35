#include "render/paper.h"
#include "render_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>

namespace ts {
namespace {

using testing::Bgr;
using testing::kBoardAverage;
using testing::Over;
using testing::Px;

constexpr uint32_t kPencil = 0x00FA5A28; // blue 250, green 90, red 40: clamps both ways on the board
constexpr uint32_t kShade = 0x00405060;
constexpr uint32_t kLineColor = 0x00123456;

using Compositing = testing::CompositorFixture;

struct ColorCase {
    const char* name;
    int32_t type;
    uint8_t share;
    int32_t paintedAmount;
    bool showOpacity;
    bool dimmed;

    // C of one byte of pencil colour over board byte p.
    uint8_t Color(uint8_t channel, uint8_t p, uint8_t average) const {
        const int32_t d = p - average;
        if (type == 0) {
            return ClampAdd(channel, ReduceDeviation(d, paintedAmount));
        }
        if (type == 1) {
            return showOpacity ? 0 : p;
        }
        if (type >= 3 && type <= 8) {
            return static_cast<uint8_t>(Mul8(static_cast<uint8_t>(255 - share), p) +
                                        Mul8(share, ClampAdd(channel, d)));
        }
        return type > 11 ? ClampAdd(channel, d) : p;
    }
};

TEST_F(Compositing, EachAppearanceTypeBlendsItsColourOverTheBoard) {
    const ColorCase cases[] = {
        {"pencil, all grain", 0, 255, 0, false, false},
        {"pencil, three quarters", 0, 255, 1, false, false},
        {"pencil, half", 0, 255, 2, false, false},
        {"pencil, a quarter", 0, 255, 3, false, false},
        {"pencil, no grain", 0, 255, 4, false, false},
        {"pencil, dimmed", 0, 255, 2, false, true},
        {"opaque paper", 1, 0, 2, false, false},
        {"opaque paper, Show Opacity", 1, 0, 2, true, false},
        {"paper", 2, 0, 2, false, false},
        {"blend 3", 3, 192, 4, false, false},
        {"blend 5, all grain", 5, 64, 0, false, false},
        {"blend 8, dimmed", 8, 128, 2, false, true},
        {"blend 9", 9, 192, 2, false, false},
        {"blend 11", 11, 64, 2, false, false},
        {"textured, no texture", 12, 0, 4, false, false},
        {"textured 40", 40, 200, 4, false, false},
    };
    LayerObject& layer = AddLayer();
    const uint8_t amounts[4] = {0, 200, 255, 3}; // per layer row
    for (int32_t y = 1; y < 4; ++y) {
        for (int32_t x = 0; x < 8; ++x) {
            testing::Paint(layer, x, y, kPencil, amounts[y], 7);
        }
    }
    for (const ColorCase& c : cases) {
        SCOPED_TRACE(c.name);
        layer.color->appearances.Set(7, CColorAppearance{c.type, c.share});
        layer.dimmed = c.dimmed;
        compositor.paper.paintedAmount = c.paintedAmount;
        compositor.switches.showOpacity = c.showOpacity;
        for (int32_t y = 0; y < 4; ++y) {
            Composite(y);
            std::vector<Px> expected = BoardRow(y);
            for (int32_t x = 0; x < 8 && y > 0; ++x) {
                const Px p = Board(x, y);
                Px color;
                for (size_t b = 0; b < 3; ++b) {
                    color[b] = c.Color(Bgr(kPencil)[b], p[b], kBoardAverage[b]);
                }
                expected[static_cast<size_t>(x)] = Over(c.dimmed ? amounts[y] / 4 : amounts[y], color, p);
            }
            ExpectRow(y, expected);
            for (int32_t x = 0; x < testing::kDrawingWidth; ++x) {
                EXPECT_EQ(painted.TestBit(x, y), c.type == 0 && y > 0 && x < 8) << "mask " << x << ", " << y;
            }
        }
    }
}

// A new layer's appearances by what they mean, worked out by hand: pencil (blue 250, green 90, red 40)
// over board pixel (1, 1) = (102, 158, 182), whose deviation from the average is (2, 8, -18), at full
// amount and "Painted Amount" -50%. The blends take the full deviation: pencil (252, 98, 22).
TEST_F(Compositing, DefaultAppearancesShowPencilAndBoardInTheirShares) {
    const Px board{102, 158, 182};
    const Px mostlyPaper{139, 143, 142}; // a quarter pencil: 191/255 board + 64/255 pencil
    const Px half{177, 128, 102};
    const Px mostlyPencil{215, 113, 62}; // three quarters pencil
    const Px expected[12] = {
        {251, 94, 31}, // pencil with half the grain
        board,         // opaque paper
        board,         // paper
        mostlyPaper,   // 3: strong opaque paper over pencil
        half,          // 4
        mostlyPencil,  // 5: strong pencil over opaque paper
        mostlyPencil,  // 6: strong pencil over paper
        half,          // 7
        mostlyPaper,   // 8: weak pencil over paper
        board,         // 9 to 11: the two papers
        board,         board,
    };
    LayerObject& layer = AddLayer();
    compositor.paper.paintedAmount = 2;
    for (uint8_t type = 0; type < 12; ++type) {
        testing::Paint(layer, 1, 1, kPencil, 255, type);
        Composite(1);
        EXPECT_EQ(At(1), expected[type]) << "appearance " << int{type};
    }
    // What the user sees: strong pencil over paper is nearer the pencil than the board.
    auto distance = [](const Px& a, const Px& b) {
        int d = 0;
        for (size_t i = 0; i < 3; ++i) {
            d += std::abs(a[i] - b[i]);
        }
        return d;
    };
    const Px pencil{252, 98, 22};
    EXPECT_LT(distance(mostlyPencil, pencil), distance(mostlyPencil, board));
    EXPECT_GT(distance(mostlyPaper, pencil), distance(mostlyPaper, board));
}

TEST_F(Compositing, ShowThroughFourGivesTheChannelColourAndZeroTheFullDeviation) {
    testing::Paint(AddLayer(), 1, 1, kPencil);
    compositor.paper.paintedAmount = 4;
    Composite(1);
    EXPECT_EQ(At(1), (Px{250, 90, 40}));
    compositor.paper.paintedAmount = 0;
    Composite(1);
    EXPECT_EQ(At(1), (Px{252, 98, 22})) << "board (1, 1) is (102, 158, 182): deviation (2, 8, -18)";
}

TEST_F(Compositing, TextureOneToOneShowsFlatPaperWithoutDeviation) {
    LayerObject& layer = AddLayer();
    testing::Paint(layer, 1, 1, kPencil, 255, 0);
    testing::Paint(layer, 2, 1, kPencil, 255, 2); // paper
    testing::Paint(layer, 3, 1, kPencil, 255, 5); // strong pencil over opaque paper
    compositor.paper.textureOneToOne = true;
    compositor.paper.paintedAmount = 0;
    Composite(1);
    EXPECT_EQ(At(0), kBoardAverage);
    EXPECT_EQ(At(1), Bgr(kPencil)) << "no deviation is added at full resolution";
    // The paper appearances show the paper as it is shown here: flat, in its average colour.
    EXPECT_EQ(At(2), kBoardAverage);
    // 63/255 of the average (100, 150, 200) and 192/255 of the pencil (250, 90, 40).
    EXPECT_EQ(At(3), (Px{213, 105, 79}));
}

TEST_F(Compositing, OnlyWithoutABoardPictureIsThePaperWhite) {
    Image24& board = stack.Layer(ImageStackManager::kPaperIndex)->image->pixels;
    EXPECT_EQ(compositor.PaperAverage(), 0x006496C8u);
    for (const auto& [x, y] : {std::pair{0, 0}, std::pair{4, 0}, std::pair{0, 4}, std::pair{4, 4}}) {
        board.SetColor(x, y, 0x00FF00FF); // no sampled pixel has three non-zero bytes
    }
    compositor.PaperChanged();
    EXPECT_EQ(compositor.PaperAverage(), 0u) << "a board that averages to 0 is not taken for white";
    {
        // Pencil on it carries the board's deviation from black: board (1, 1) = (102, 158, 182).
        LayerObject& layer = AddLayer();
        testing::Paint(layer, 1, 1, 0x00000000, 255, 0);
        compositor.paper.paintedAmount = 0;
        Composite(1);
        EXPECT_EQ(At(1), (Px{102, 158, 182}));
    }

    stack.Layer(ImageStackManager::kPaperIndex)->image.reset();
    LayerObject& layer = AddLayer();
    testing::Paint(layer, 1, 0, kPencil, 255, 0);
    testing::Paint(layer, 2, 0, kPencil, 255, 2);
    compositor.paper.paintedAmount = 0;
    Composite(0);
    EXPECT_EQ(At(0), (Px{255, 255, 255}));
    EXPECT_EQ(At(1), Bgr(kPencil));
    EXPECT_EQ(At(2), (Px{255, 255, 255}));
}

uint32_t LightColor(int l) {
    return 0x00F0E0D0u + static_cast<uint32_t>(l);
}
uint32_t ShadeColor(int l) {
    return 0x00102030u + 0x00010101u * static_cast<uint32_t>(l);
}

// The colour of a level-table entry 0xAARRGGBB.
Px W(uint32_t ramp) {
    return {static_cast<uint8_t>(ramp), static_cast<uint8_t>(ramp >> 8), static_cast<uint8_t>(ramp >> 16)};
}

TEST_F(Compositing, LightingBlendsLightOrShadeThenTheLevelTable) {
    LayerObject& layer = AddLayer();
    for (uint32_t h = 0; h < 256; ++h) {
        layer.lightingRamp[h] = (90 + h / 2) << 24 | h << 16 | (255 - h) << 8 | (h / 2 + 60);
    }
    // Pixel x uses lights[x]; 9 has strength code 1. Code 1 at level 0 gives exactly the shade colour.
    const uint8_t lights[6] = {0, 1, 2, 3, 4, 9};
    for (const uint8_t l : lights) {
        layer.shadow->appearances.Set(
            l, ShadowAppearance{static_cast<int32_t>(ShadeColor(l)), static_cast<int32_t>(LightColor(l))});
    }
    for (const bool dimmed : {false, true}) {
        layer.dimmed = dimmed;
        for (const int32_t level : {0, 1, 60, 127, 128, 129, 131, 200, 255}) {
            SCOPED_TRACE("level " + std::to_string(level) + (dimmed ? " dimmed" : ""));
            for (int32_t x = 0; x < 6; ++x) {
                Light(layer, x, 1, static_cast<uint8_t>(level), lights[x]);
            }
            Composite(1);
            std::vector<Px> expected = BoardRow(1);
            const int32_t h = dimmed ? 128 + ((level - 128) >> 2) : level;
            for (int32_t x = 0; x < 6 && h != 128; ++x) {
                const uint8_t l = lights[x];
                const int32_t o = std::min(255, h >= 128 ? 2 * (h - 128) : 2 * (128 - h));
                const Px lit = Over(o, Bgr(h > 128 ? LightColor(l) : ShadeColor(l)), Board(x, 1));
                const uint32_t ramp = layer.lightingRamp[static_cast<size_t>(h)];
                const int32_t a = static_cast<int32_t>(ramp >> 24);
                const int32_t alphas[5] = {a, 0, a / 2, std::min(255, a + a / 2), std::min(255, a * 2)};
                expected[static_cast<size_t>(x)] = Over(alphas[l & 7], W(ramp), lit);
            }
            ExpectRow(1, expected);
        }
    }
}

TEST_F(Compositing, PencilShadowGrainMovesMidLevels) {
    // Grain picture 2 x 3, dark (first byte below 128) at (0, 0) and (1, 1).
    Image24 grain;
    grain.Create(2, 3);
    grain.Pixel(0, 0)[0] = 10;
    grain.Pixel(1, 0)[0] = 200;
    grain.Pixel(0, 1)[0] = 128;
    grain.Pixel(1, 1)[0] = 127;
    grain.Pixel(0, 2)[0] = grain.Pixel(1, 2)[0] = 255;
    std::unique_ptr<FastBitonalMask> mask = Compositor::BuildGrainMask(grain);
    ASSERT_TRUE(mask);
    EXPECT_TRUE(mask->TestBit(4094, 3) && mask->TestBit(4095, 4)) << "tiled over 4096 x 4096";
    EXPECT_FALSE(mask->TestBit(0, 1) || mask->TestBit(4095, 4095));
    compositor.SetGrainMask(std::move(mask));

    LayerObject& layer = AddLayer();
    layer.shadow->appearances.Set(1, ShadowAppearance{0x00102030, 0x00F0E0D0}); // code 1: no table
    // Row 0 has grain bits at even columns. Level, and level after the grain.
    const int32_t levels[8][2] = {{2, 2},     {2, 2},     {3, 2},     {3, 13},
                                  {129, 128}, {118, 128}, {244, 243}, {245, 245}};
    for (int32_t x = 0; x < 8; ++x) {
        Light(layer, x, 0, static_cast<uint8_t>(levels[x][0]), 1);
    }
    Composite(0);
    for (int32_t x = 0; x < 8; ++x) {
        const int32_t h = levels[x][1];
        const int32_t o = h > 128 ? 2 * (h - 128) : 2 * (128 - h);
        EXPECT_EQ(At(x), Over(o, Bgr(h > 128 ? 0x00F0E0D0u : 0x00102030u), Board(x, 0)))
            << "level " << levels[x][0] << " at column " << x;
    }
}

TEST_F(Compositing, SwitchesAndLayerBitsChooseWhatIsDrawn) {
    LayerObject& layer = AddLayer();
    AddLayer();
    testing::Paint(layer, 1, 1, kPencil);
    layer.shadow->appearances.Set(1, ShadowAppearance{static_cast<int32_t>(kShade), 0x00FFFFFF});
    Light(layer, 3, 1, 0, 1);
    layer.lineArt->colorList->Set(0, LineColor{static_cast<int32_t>(kLineColor), 255});
    Line(layer, 5, 1, 0xFFFF);
    compositor.paper.paintedAmount = 4;
    const ViewSwitches all{};
    ViewSwitches noColor, noLighting, noLines, selected;
    noColor.showColor = noLighting.showLighting = noLines.showLines = false;
    selected.showSelectedOnly = true;
    const struct {
        const char* name;
        ViewSwitches switches;
        uint32_t bits;
        bool hidden;
        int32_t current; // 2 this layer, 3 an empty one above
        bool color, lighting, lines;
    } cases[] = {
        {"everything", all, 7, false, 3, true, true, true},
        {"Show Color Areas off", noColor, 7, false, 3, false, true, true},
        {"Show Lighting off", noLighting, 7, false, 3, true, false, true},
        {"Show Lines off", noLines, 7, false, 3, true, true, false},
        {"no surface bit", all, kShowLines | kShowLighting, false, 3, false, true, true},
        {"no lighting bit", all, kShowSurface | kShowLines, false, 3, true, false, true},
        {"no lines bit", all, kShowSurface | kShowLighting, false, 3, true, true, false},
        {"hidden", all, 7, true, 2, false, false, false},
        {"another layer selected alone", selected, 7, false, 3, false, false, false},
        {"this layer selected alone", selected, 7, false, 2, true, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        compositor.switches = c.switches;
        layer.visibility = c.bits;
        layer.hidden = c.hidden;
        stack.SetCurrent(c.current);
        Composite(1);
        EXPECT_EQ(At(1), c.color ? Bgr(kPencil) : Board(1, 1));
        EXPECT_EQ(At(3), c.lighting ? Bgr(kShade) : Board(3, 1));
        EXPECT_EQ(At(5), c.lines ? Bgr(kLineColor) : Board(5, 1));
    }
}

TEST_F(Compositing, LayersDrawAtTheirOffsets) {
    LayerObject& layer = AddLayer(5, 2);
    testing::Paint(layer, 0, 0, kPencil);
    testing::Paint(layer, 7, 3, kPencil);
    compositor.paper.paintedAmount = 4;
    auto check = [&](std::vector<std::pair<int32_t, int32_t>> at) {
        for (int32_t y = 0; y < testing::kDrawingHeight; ++y) {
            Composite(y);
            std::vector<Px> expected = BoardRow(y);
            for (const auto& [x, py] : at) {
                if (py == y) {
                    expected[static_cast<size_t>(x)] = Bgr(kPencil);
                }
            }
            ExpectRow(y, expected);
        }
    };
    check({{5, 2}, {12, 5}});
    layer.offsetX = -3;
    layer.offsetY = -1;
    check({{4, 2}});
}

TEST_F(Compositing, PartOfARowMatchesTheWholeRow) {
    LayerObject& layer = AddLayer(3, 1);
    layer.shadow->appearances.Set(2, ShadowAppearance{static_cast<int32_t>(kShade), 0x00E0F0FF});
    layer.lineArt->colorList->Set(0, LineColor{static_cast<int32_t>(kLineColor), 200});
    for (int32_t x = 0; x < 8; ++x) {
        testing::Paint(layer, x, 1, kPencil, static_cast<uint8_t>(30 * x), static_cast<uint8_t>(x % 4));
        Light(layer, x, 1, static_cast<uint8_t>(40 + 25 * x), 2);
    }
    Line(layer, 4, 1, 0x00FF);
    Line(layer, 6, 1, 0x1234);
    Composite(2);
    const std::vector<uint8_t> whole = row;
    for (const auto& [first, count] : {std::pair{5, 7}, std::pair{0, 4}, std::pair{9, 7}, std::pair{8, 1}}) {
        std::vector<uint8_t> part(static_cast<size_t>(count) * 3);
        compositor.CompositeRow(2, first, count, part.data(), &painted, &under, nullptr);
        EXPECT_TRUE(std::equal(part.begin(), part.end(), whole.begin() + first * 3)) << "from " << first;
    }
    under.LoadRow(2);
    EXPECT_TRUE(under.Has(7) && under.Has(9)) << "line pixels outside the part stay in the store";
}

TEST_F(Compositing, AverageSamplesEveryFourthPixelOfEveryFourthRow) {
    compositor.paper.paintedAmount = 4;
    testing::Paint(AddLayer(), 4, 0, 0x00003C32); // a zero blue byte: not sampled
    AverageSampler sampler;
    for (int32_t y = 0; y < testing::kDrawingHeight; ++y) {
        Composite(y, &sampler);
    }
    uint64_t sum[3] = {0, 0, 0};
    const uint64_t count = 7;
    for (const int32_t y : {0, 4}) {
        for (const int32_t x : {0, 4, 8, 12}) {
            for (size_t b = 0; b < 3 && (x != 4 || y != 0); ++b) {
                sum[b] += Board(x, y)[b];
            }
        }
    }
    EXPECT_EQ(sampler.count, count);
    EXPECT_TRUE(sampler.sum[0] == sum[0] && sampler.sum[1] == sum[1] && sampler.sum[2] == sum[2]);
    const auto byte = [&](size_t b) { return static_cast<uint32_t>(sum[b] / count); };
    EXPECT_EQ(sampler.Average(0), byte(2) | byte(1) << 8 | byte(0) << 16);
    EXPECT_EQ(AverageSampler{}.Average(0x00ABCDEF), 0x00ABCDEFu);
}

TEST_F(Compositing, UnderPixelStoreFollowsLinesColourAndLight) {
    LayerObject& lines = AddLayer();
    lines.lineArt->colorList->Set(0, LineColor{0x000000FF, 255});
    Line(lines, 2, 1, 0x0F0F);
    const Px red = {0, 0, 255};
    auto expectElement = [&](const Px& underColor, uint16_t mask) {
        under.LoadRow(1);
        ASSERT_TRUE(under.Has(2));
        EXPECT_FALSE(under.Has(1) || under.Has(3));
        const uint8_t* e = under.Element(2);
        EXPECT_EQ((Px{e[0], e[1], e[2]}), underColor);
        EXPECT_EQ((Px{e[3], e[4], e[5]}), red);
        EXPECT_EQ(UnderPixelManager::Mask(e), mask);
    };
    Composite(1);
    EXPECT_EQ(At(2), Over(128, red, Board(2, 1))) << "8 of 16 sub-pixels: alpha 128";
    expectElement(Board(2, 1), 0x0F0F);

    LayerObject& light = AddLayer(); // lights the colour under the line as well
    light.shadow->appearances.Set(1, ShadowAppearance{static_cast<int32_t>(kShade), 0x00FFFFFF});
    Light(light, 2, 1, 0, 1);
    Composite(1);
    expectElement(Bgr(kShade), 0x0F0F);

    testing::Paint(AddLayer(), 2, 1, kPencil); // colour above covers the line
    Composite(1);
    expectElement(Bgr(kShade), 0);

    stack.Layer(3)->hidden = stack.Layer(4)->hidden = true;
    Line(lines, 2, 1, 0);
    Composite(1);
    under.LoadRow(1);
    EXPECT_FALSE(under.Has(2)) << "recompositing without the line removes its element";
}

// The compositor leaves a row of the under-pixel store alone when it already holds the band's elements;
// the comparison must see every column of the span and nothing outside it.
TEST(UnderPixelStore, HoldsComparesTheSpanOfALoadedUnchangedRowOnly) {
    UnderPixelManager store;
    ASSERT_TRUE(store.Create(100, 3));
    const uint8_t under[3] = {1, 2, 3};
    const uint8_t line[3] = {4, 5, 6};
    store.LoadRow(1);
    store.Set(3, under, line, 0x00F0); // left of the span
    store.Set(37, under, line, 0x0F00);
    store.Set(69, under, line, 0xF000); // the span's last column, alone in its word
    store.Set(70, under, line, 0x000F); // right of the span
    ASSERT_TRUE(store.StoreRow(1));

    // As the compositor passes them: words of 32 columns from the span's first, 8 bytes a column.
    const int32_t first = 5;
    const int32_t count = 65;
    std::vector<uint32_t> present(3, 0);
    std::vector<uint8_t> elements(static_cast<size_t>(count) * UnderPixelManager::kElementSize, 0xEE);
    auto put = [&](int32_t x, uint16_t mask) {
        const int32_t at = x - first;
        present[static_cast<size_t>(at >> 5)] |= 1u << (at & 31);
        uint8_t* e = elements.data() + static_cast<size_t>(at) * UnderPixelManager::kElementSize;
        std::copy(under, under + 3, e + UnderPixelManager::kUnder);
        std::copy(line, line + 3, e + UnderPixelManager::kLine);
        UnderPixelManager::SetMask(e, mask);
    };
    put(37, 0x0F00);
    put(69, 0xF000);
    EXPECT_TRUE(store.Holds(1, first, count, present.data(), elements.data()));
    EXPECT_FALSE(store.Holds(2, first, count, present.data(), elements.data()))
        << "another row is not loaded";
    EXPECT_FALSE(store.Holds(1, 40, 61, present.data(), elements.data())) << "a span past the row's end";

    put(69, 0xF001);
    EXPECT_FALSE(store.Holds(1, first, count, present.data(), elements.data())) << "a mask that changed";
    EXPECT_TRUE(store.Holds(1, first, count - 1, present.data(), elements.data()))
        << "the changed column is outside a span one shorter (its bit is ignored)";
    put(69, 0xF000);
    put(6, 0x0001);
    EXPECT_FALSE(store.Holds(1, first, count, present.data(), elements.data())) << "an element added";
    present[0] &= ~(1u << (6 - first));
    present[1] &= ~(1u << (37 - first - 32));
    EXPECT_FALSE(store.Holds(1, first, count, present.data(), elements.data())) << "an element removed";

    EXPECT_TRUE(store.Holds(1, 8, 29, nullptr, nullptr)) << "no element wanted where the row has none";
    EXPECT_FALSE(store.Holds(1, 8, 30, nullptr, nullptr)) << "column 37 holds one";
    store.Element(50);
    EXPECT_FALSE(store.Holds(1, 8, 29, nullptr, nullptr)) << "the working row may have changed";
}

} // namespace
} // namespace ts
