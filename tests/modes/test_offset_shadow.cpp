#include "modes/painting_test_support.h"
#include "raster/box_blur.h"
#include "raster/color_spaces.h"

#include <algorithm>
#include <bit>
#include <random>

namespace ts::testing {
namespace {

// A caster of 120 x 80 at (40, 30) with a block of full paint at layer pixels (20, 10) .. (80, 60).
class OffsetShadowTest : public PaintingTest {
protected:
    static constexpr Rect kBlock{20, 10, 80, 60};

    LayerObject& Caster() {
        LayerObject& layer = PaintLayer();
        layer.color->amount->FillRect(kBlock.left, kBlock.top, kBlock.right, kBlock.bottom, 255);
        return layer;
    }
    // The block in drawing pixels, moved by the offset and grown by the reach.
    static Rect Expected(IntPoint offset, int32_t reach) {
        return Grown(Translated(kBlock, 40 + offset.x, 30 + offset.y), reach);
    }
    // Two clicks at drawing pixels a and b with a move between them.
    void TwoClicks(IntPoint a, IntPoint b) {
        Gesture("press " + Point(a) + "\nrelease " + Point(a) + "\nmove " + Point(b) + "\npress " + Point(b) +
                "\nrelease " + Point(b));
    }
    static std::string Point(IntPoint p) { return std::to_string(p.x) + " " + std::to_string(p.y); }
    OffsetShadowManager& mode() { return workspace->offsetShadowManager; }
    SliderCtrl& Slider(int32_t id) { return *dynamic_cast<SliderCtrl*>(mode().Panel().Find(id)); }
    // The layer under the current one, or null.
    LayerObject* Below() {
        const int32_t below = stack().Current() - 1;
        return below >= ImageStackManager::kFirstDrawingLayer ? stack().Layer(below) : nullptr;
    }
    static uint64_t AmountSum(const RLBuffer& amount) {
        uint64_t sum = 0;
        for (int32_t y = 0; y < amount.Height(); ++y) {
            for (const uint8_t v : ReadPixelRow(amount, y)) {
                sum += v;
            }
        }
        return sum;
    }
};

TEST_F(OffsetShadowTest, TwoClicksCastASoftShadowUnderTheLayerThatOneUndoTakesAway) {
    LayerObject& caster = Caster();
    const uint32_t casterId = caster.id;
    const std::vector<uint32_t> idsBefore = Ids();
    const int32_t undoBefore = undo().UndoCount();
    Gesture("command OffsetShadow");
    EXPECT_EQ(workspace->toolSlot.CurrentTool(), &workspace->offsetShadowTool);
    EXPECT_EQ(env().Current(), &mode());
    EXPECT_EQ(workspace->statusPrompt.Current(), OffsetShadowManager::kPrompt);

    Gesture("press 100 100\nrelease 100 100");
    EXPECT_EQ(workspace->statusPrompt.Current(), OffsetShadowManager::kSecondPointPrompt);
    EXPECT_TRUE(workspace->rubberLine.IsActive());
    EXPECT_EQ(stack().Count(), static_cast<int32_t>(idsBefore.size())); // nothing until the second click
    Gesture("move 105 108\npress 112 95\nrelease 112 95");
    EXPECT_FALSE(workspace->rubberLine.IsActive());
    EXPECT_EQ(workspace->statusPrompt.Current(), OffsetShadowManager::kPrompt);

    // A layer of its own just under the caster, which stays current.
    ASSERT_EQ(stack().Count(), static_cast<int32_t>(idsBefore.size()) + 1);
    EXPECT_EQ(current().id, casterId);
    LayerObject* shadow = Below();
    ASSERT_NE(shadow, nullptr);
    EXPECT_EQ(shadow->name, OffsetShadowManager::kLayerName);
    // The content moved by the click vector, grown by the blur's reach.
    const int32_t blur = OffsetShadowManager::kBlurStart;
    const Rect expected = Expected({12, -5}, 3 * blur);
    EXPECT_EQ(shadow->bounds, expected);
    EXPECT_EQ((Rect{shadow->offsetX, shadow->offsetY, shadow->offsetX + shadow->color->Width(),
                    shadow->offsetY + shadow->color->Height()}),
              expected);
    // In the palette colour, at half strength in the middle, softened towards its edges.
    const uint32_t color = workspace->paletteManager.GetCurrentColor();
    const int32_t midX = expected.Width() / 2;
    const int32_t midY = expected.Height() / 2;
    EXPECT_EQ(ByteAt(*shadow->color->red, midX, midY), ColorRed(color));
    EXPECT_EQ(ByteAt(*shadow->color->blue, midX, midY), ColorBlue(color));
    EXPECT_EQ(ByteAt(*shadow->color->amount, midX, midY), 128);
    const uint8_t inner = ByteAt(*shadow->color->amount, 3 * blur + 2, midY);
    const uint8_t outer = ByteAt(*shadow->color->amount, 3 * blur - 2, midY);
    EXPECT_GT(inner, outer);
    EXPECT_GT(outer, 0);
    EXPECT_LT(inner, 128);
    EXPECT_EQ(ByteAt(*shadow->color->amount, 0, 0), 0);
    EXPECT_TRUE(Reasons(""));

    // One Undo takes the shadow away.
    EXPECT_EQ(undo().UndoCount(), undoBefore + 1);
    env().ReturnToSelect();
    undo().Undo();
    EXPECT_EQ(Ids(), idsBefore);
}

TEST_F(OffsetShadowTest, SlidersRemakeTheShadowFromTheSameOffsetAtTheirFinalPosition) {
    Caster();
    Gesture("command OffsetShadow");
    TwoClicks({200, 200}, {190, 220});
    ASSERT_NE(Below(), nullptr);
    const uint32_t shadowId = Below()->id;
    const int32_t undoAfterCast = undo().UndoCount();
    const int32_t starts = ui.Meter().Starts();

    // Tracking leaves the shadow; the release makes it anew, in the same layer.
    Slider(OffsetShadowManager::kBlur).UserTrack(0);
    EXPECT_EQ(ui.Meter().Starts(), starts);
    Slider(OffsetShadowManager::kBlur).UserSetPos(0);
    EXPECT_EQ(ui.Meter().Starts(), starts + 1);
    EXPECT_EQ(Below()->id, shadowId);
    EXPECT_EQ(Below()->bounds, Expected({-10, 20}, 0));
    // Unblurred, the shadow is the block itself at the opacity.
    EXPECT_EQ(ByteAt(*Below()->color->amount, 0, 0), 128);
    EXPECT_EQ(AmountSum(*Below()->color->amount), uint64_t{128} * 60 * 50);

    // Softening spreads the same shade: the sum stays within rounding.
    Gesture("panel Opacity 100\npanel Blur 10");
    EXPECT_EQ(Below()->bounds, Expected({-10, 20}, 30));
    const double full = 255.0 * 60 * 50;
    EXPECT_NEAR(static_cast<double>(AmountSum(*Below()->color->amount)), full, full * 0.02);
    EXPECT_EQ(undo().UndoCount(), undoAfterCast); // one record for the visit
}

TEST_F(OffsetShadowTest, NoStrengthOrNothingChosenCastsNothing) {
    LayerObject& caster = Caster();
    const int32_t count = stack().Count();
    const int32_t undoBefore = undo().UndoCount();
    Gesture("command OffsetShadow\npanel Opacity 0");
    const Image24 before = Picture();
    TwoClicks({100, 100}, {120, 120});
    EXPECT_EQ(stack().Count(), count);
    EXPECT_EQ(undo().UndoCount(), undoBefore);
    EXPECT_TRUE(Picture().Pixels() == before.Pixels());

    // With neither part chosen, the prompt says why.
    Gesture("panel Lines\npanel \"Surface Color\"\npanel Opacity 50");
    TwoClicks({100, 100}, {120, 120});
    EXPECT_EQ(stack().Count(), count);
    EXPECT_EQ(workspace->statusPrompt.Current(), OffsetShadowManager::kNothingToCast);

    // Lines alone cast from the line art only: a wall of full coverage casts a full line.
    DrawWall(caster, 90, 5, 25);
    Gesture("panel Lines\npanel Blur 0\npanel Opacity 100");
    TwoClicks({100, 100}, {103, 102});
    ASSERT_EQ(stack().Count(), count + 1);
    const LayerObject& shadow = *Below();
    EXPECT_EQ(shadow.bounds, (Rect{40 + 93, 30 + 7, 40 + 94, 30 + 27}));
    EXPECT_EQ(ByteAt(*shadow.color->amount, 0, 10), 255);
}

TEST_F(OffsetShadowTest, AVisitReusesTheShadowUnderTheCasterAndEscDropsAClick) {
    Caster();
    Gesture("command OffsetShadow");
    TwoClicks({100, 100}, {110, 110});
    env().ReturnToSelect();
    const int32_t count = stack().Count();
    const std::unique_ptr<LayerObject> first = Copy(*Below());

    Gesture("command OffsetShadow\npress 100 100\nrelease 100 100\nkey 27");
    EXPECT_FALSE(workspace->rubberLine.IsActive());
    EXPECT_EQ(workspace->statusPrompt.Current(), OffsetShadowManager::kPrompt);
    TwoClicks({100, 100}, {80, 90});
    EXPECT_EQ(stack().Count(), count);
    EXPECT_EQ(Below()->id, first->id);
    EXPECT_EQ(Below()->bounds, Expected({-20, -10}, 3 * OffsetShadowManager::kBlurStart));
    // Undo gives the earlier shadow back.
    env().ReturnToSelect();
    undo().Undo();
    ASSERT_EQ(stack().Count(), count);
    EXPECT_TRUE(stack().Layer(stack().IndexOfId(first->id))->SameAs(*first));
}

// Three plain box means along each row, then down each column, then the opacity: the shade as the
// maker's streaming passes should make it.
std::vector<std::vector<uint8_t>> PlainShade(std::vector<std::vector<uint8_t>> plane, int32_t r,
                                             int32_t opacity) {
    const boxblur::Divider divide(r);
    const auto box = [&](std::vector<uint8_t> in) {
        const auto n = static_cast<int32_t>(in.size());
        std::vector<uint8_t> out(in.size());
        for (int32_t x = 0; x < n; ++x) {
            uint32_t sum = 0;
            for (int32_t k = std::max(0, x - r); k <= std::min(n - 1, x + r); ++k) {
                sum += in[static_cast<size_t>(k)];
            }
            out[static_cast<size_t>(x)] = divide(static_cast<uint16_t>(sum));
        }
        return out;
    };
    for (auto& row : plane) {
        row = box(box(box(row)));
    }
    const auto scale = static_cast<uint32_t>((opacity * 256 + 50) / 100);
    for (size_t x = 0; x < plane[0].size(); ++x) {
        std::vector<uint8_t> column;
        for (const auto& row : plane) {
            column.push_back(row[x]);
        }
        column = box(box(box(column)));
        for (size_t y = 0; y < plane.size(); ++y) {
            plane[y][x] = static_cast<uint8_t>((column[y] * scale + 128) >> 8);
        }
    }
    return plane;
}

TEST(ShadowMakerTest, TheStreamedShadowIsTheBoxBlurOfTheCastersCoverage) {
    // Mottled paint, and a line crossing it and running on beyond it.
    LayerObject layer;
    layer.offsetX = 7;
    layer.offsetY = 5;
    layer.color = std::make_unique<ObjectColor>();
    ASSERT_TRUE(layer.color->Create(50, 40, 0, 255));
    layer.lineArt = std::make_unique<ObjectLineArt>();
    ASSERT_TRUE(layer.lineArt->Create(50, 40));
    std::mt19937 rng(5);
    for (int32_t y = 8; y < 30; ++y) {
        for (int32_t x = 10 + y % 5; x < 35; ++x) {
            SetByte(*layer.color->amount, x, y, static_cast<uint8_t>(rng()));
        }
        SetMask(*layer.lineArt->lineBuffer, 20, y, y % 3 == 0 ? 0xFFFF : 0x0F0F);
    }
    for (int32_t x = 5; x < 45; ++x) {
        SetMask(*layer.lineArt->lineBuffer, x, 33, 0x00FF);
    }
    ShadowSettings s;
    s.blur = 3;
    s.opacity = 70;
    const Rect content = ShadowMaker::ContentBounds(layer, true, true);
    ASSERT_EQ(content, (Rect{5, 8, 45, 34}));
    const IntPoint offset{4, -3};
    const Rect whole = ShadowMaker::ShadowRect(content, layer, offset, s.blur);
    // The caster's coverage over the whole shadow rectangle: the stronger of paint and lines.
    std::vector<std::vector<uint8_t>> plane(static_cast<size_t>(whole.Height()),
                                            std::vector<uint8_t>(static_cast<size_t>(whole.Width()), 0));
    for (int32_t y = content.top; y < content.bottom; ++y) {
        for (int32_t x = content.left; x < content.right; ++x) {
            const int bits = std::popcount(MaskAt(*layer.lineArt->lineBuffer, x, y));
            const auto lines = static_cast<uint8_t>(bits == 16 ? 255 : 16 * bits);
            plane[static_cast<size_t>(y - content.top + 9)][static_cast<size_t>(x - content.left + 9)] =
                std::max(ByteAt(*layer.color->amount, x, y), lines);
        }
    }
    const std::vector<std::vector<uint8_t>> expected = PlainShade(plane, s.blur, s.opacity);
    // Shown in part: cut on the left and at the bottom.
    const Rect area{whole.left + 6, whole.top, whole.right + 3, whole.bottom - 4};
    ShadowMaker maker;
    for (int pass = 0; pass < 2; ++pass) { // made twice: nothing left over from the first time counts
        const std::unique_ptr<ObjectColor> made = maker.Make(layer, content, offset, s, area);
        ASSERT_TRUE(made);
        for (int32_t y = area.top; y < area.bottom; ++y) {
            for (int32_t x = area.left; x < area.right; ++x) {
                const uint8_t want =
                    x < whole.right
                        ? expected[static_cast<size_t>(y - whole.top)][static_cast<size_t>(x - whole.left)]
                        : 0;
                ASSERT_EQ(ByteAt(*made->amount, x - area.left, y - area.top), want) << x << " " << y;
            }
        }
    }
}

TEST(ShadowMakerTest, ClipsToTheAreaAndMakesNothingWithoutContent) {
    LayerObject layer;
    layer.color = std::make_unique<ObjectColor>();
    ASSERT_TRUE(layer.color->Create(50, 40, 0, 255));
    ShadowMaker maker;
    ShadowSettings s;
    s.surface = true;
    s.lines = true;
    EXPECT_TRUE(ShadowMaker::ContentBounds(layer, true, true).IsEmpty());
    layer.color->amount->FillRect(10, 5, 20, 15, 200);
    const Rect content = ShadowMaker::ContentBounds(layer, true, true);
    EXPECT_EQ(content, (Rect{10, 5, 20, 15}));
    EXPECT_TRUE(ShadowMaker::ContentBounds(layer, true, false).IsEmpty());

    // Half the shadow beyond the area's left edge: the part inside is as it would be unclipped.
    s.blur = 2;
    s.opacity = 100;
    const Rect whole = ShadowMaker::ShadowRect(content, layer, {-5, 0}, s.blur);
    EXPECT_EQ(whole, (Rect{-1, -1, 21, 21}));
    const std::unique_ptr<ObjectColor> full = maker.Make(layer, content, {-5, 0}, s, whole);
    const Rect area{10, -1, 21, 21};
    const std::unique_ptr<ObjectColor> part = maker.Make(layer, content, {-5, 0}, s, area);
    ASSERT_TRUE(full && part);
    for (int32_t y = 0; y < area.Height(); ++y) {
        const std::vector<uint8_t> a = ReadPixelRow(*full->amount, y);
        const std::vector<uint8_t> b = ReadPixelRow(*part->amount, y);
        EXPECT_TRUE(std::equal(b.begin(), b.end(), a.begin() + (area.left - whole.left))) << y;
    }
    EXPECT_EQ(maker.Make(layer, content, {-5, 0}, s, Rect{100, 100, 120, 120}), nullptr);
    EXPECT_EQ(maker.Make(layer, Rect{}, {0, 0}, s, whole), nullptr);
}

} // namespace
} // namespace ts::testing
