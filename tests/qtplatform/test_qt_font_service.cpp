// The installed fonts through Qt (DejaVu Sans from fonts-dejavu-core), and lettering drawn with them.

#include "modes/painting_test_support.h"
#include "qtplatform/qt_font_service.h"
#include "render/line_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace ts {
namespace {

constexpr const char* kDejaVu = "DejaVu Sans";

// Twice the area a contour encloses, positive when it runs clockwise on the screen (y down).
double SignedArea(const GlyphContour& c) {
    double sum = 0.0;
    for (size_t i = 0; i < c.size(); ++i) {
        const GlyphPoint& a = c[i];
        const GlyphPoint& b = c[(i + 1) % c.size()];
        sum += a.x * b.y - b.x * a.y;
    }
    return sum;
}

TEST(QtFontService, OutlinesTheRegularStyleOfAnInstalledFamily) {
    QtFontService fonts;
    const std::vector<std::string> families = fonts.Families();
    ASSERT_NE(std::find(families.begin(), families.end(), kDejaVu), families.end());
    FontMetrics metrics;
    ASSERT_TRUE(fonts.OpenRegular(kDejaVu, 200.0, metrics));
    // DejaVu Sans stands about 1.16 em high, three quarters of it above the baseline.
    EXPECT_GT(metrics.Height(), 200.0);
    EXPECT_LT(metrics.Height(), 260.0);
    EXPECT_GT(metrics.ascent, 3 * metrics.descent);
    GlyphOutline h;
    ASSERT_TRUE(fonts.Glyph(U'H', h));
    EXPECT_GT(h.advance, 100.0);
    EXPECT_LT(h.advance, 200.0);
    ASSERT_FALSE(h.contours.empty());
    // Outlines hang from the baseline: the capital's top lies near the ascent above it.
    double top = 0.0;
    for (const GlyphContour& c : h.contours) {
        for (const GlyphPoint& p : c) {
            top = std::min(top, p.y);
        }
    }
    EXPECT_LT(top, -0.6 * metrics.ascent);
    // An o is a ring: its hole runs against its outside.
    GlyphOutline o;
    ASSERT_TRUE(fonts.Glyph(U'o', o));
    ASSERT_EQ(o.contours.size(), 2u);
    EXPECT_LT(SignedArea(o.contours[0]) * SignedArea(o.contours[1]), 0.0);
    GlyphOutline blank;
    ASSERT_TRUE(fonts.Glyph(U' ', blank));
    EXPECT_TRUE(blank.contours.empty());
    EXPECT_GT(blank.advance, 0.0);

    EXPECT_FALSE(fonts.OpenRegular("No Such Family Anywhere", 200.0, metrics));
    EXPECT_FALSE(fonts.Glyph(U'H', h)) << "no font is open after a failed open";
}

class DejaVuLettering : public testing::PaintingTest {
protected:
    DejaVuLettering() {
        workspace->SetFontService(fonts);
        Gesture(std::string("tool TextTool\npanel Font \"") + kDejaVu + "\"\n");
    }
    TextManager& text() { return workspace->textManager; }
    LayerObject* Caption() {
        for (int32_t i = stack().Count() - 1; i >= ImageStackManager::kFirstDrawingLayer; --i) {
            if (stack().Layer(i)->name == TextManager::kLayerName) {
                return stack().Layer(i);
            }
        }
        return nullptr;
    }
    // A text typed with the manager itself at a size and spacing (in em), outside the panel's choices.
    std::unique_ptr<LayerObject> Typed(const std::u32string& s, double size, double spacing) {
        text().SetFamily(kDejaVu);
        EXPECT_TRUE(
            text().RenderText(IntPoint{30, 30}, TextManager::kResolution, size, spacing, false, 0xFF));
        for (const char32_t c : s) {
            EXPECT_TRUE(text().AddCharacter(c));
        }
        const LayerObject* layer = Caption();
        EXPECT_NE(layer, nullptr);
        return layer ? Copy(*layer) : nullptr;
    }
    // One past the rightmost column with line coverage.
    static int32_t InkRight(const LayerObject& layer) {
        int32_t right = 0;
        for (int32_t y = 0; y < layer.lineArt->lineBuffer->Height(); ++y) {
            for (int32_t x = 0; x < layer.lineArt->lineBuffer->Width(); ++x) {
                if (testing::Covered(layer, x, y)) {
                    right = std::max(right, x + 1);
                }
            }
        }
        return right;
    }

    QtFontService fonts;
};

TEST_F(DejaVuLettering, TypedLettersAreLinePixelsInTheChosenColour) {
    Gesture("color 0x0000FF\npress 40 40\nrelease 40 40\ntype Hi\n");
    const LayerObject* layer = Caption();
    ASSERT_NE(layer, nullptr);
    int32_t covered = 0;
    for (int32_t y = 0; y < layer->lineArt->lineBuffer->Height(); ++y) {
        for (int32_t x = 0; x < layer->lineArt->lineBuffer->Width(); ++x) {
            if (testing::Covered(*layer, x, y)) {
                ++covered;
                const LineColor* c = layer->lineArt->colorList->Slot(testing::RenderedColor(*layer, x, y));
                ASSERT_NE(c, nullptr);
                ASSERT_EQ(static_cast<uint32_t>(c->color), 0x0000FFu);
            }
        }
    }
    // An H and an i at 12 points (50 pixels to the em) are hundreds of pixels of stroke.
    EXPECT_GT(covered, 400);
    // The H's left stem on the drawing is red pencil: a 12-point capital is about 36 pixels high, its stem
    // 5 wide, starting some 5 pixels in.
    const Image24 picture = Picture();
    int32_t red = 0;
    for (int32_t y = 45; y < 75; ++y) {
        for (int32_t x = 40; x < 55; ++x) {
            const uint8_t* p = picture.Pixel(x, y);
            red += p[2] > p[0] + 100;
        }
    }
    EXPECT_GT(red, 60);
}

TEST_F(DejaVuLettering, SizesBeyondTheRangeDrawAtItsEnds) {
    const auto one = Typed(U"Hg", 1.0, 0.0);
    const auto zero = Typed(U"Hg", 0.0, 0.0);
    ASSERT_TRUE(one && zero);
    EXPECT_TRUE(zero->frame->SameContents(*one->frame));
    EXPECT_TRUE(zero->lineArt->SameContents(*one->lineArt));
    const auto largest = Typed(U"Hg", 72.0, 0.0);
    const auto beyond = Typed(U"Hg", 100.0, 0.0);
    ASSERT_TRUE(largest && beyond);
    EXPECT_TRUE(beyond->frame->SameContents(*largest->frame));
    EXPECT_TRUE(beyond->lineArt->SameContents(*largest->lineArt));
    EXPECT_GT(largest->frame->drawingBuffer->Height(), 60 * one->frame->drawingBuffer->Height());
}

TEST_F(DejaVuLettering, LetterSpacingWidensEachGapByItsShareOfTheEm) {
    Gesture("press 30 30\nrelease 30 30\ntype HHHH\n");
    ASSERT_NE(Caption(), nullptr);
    const auto plain = Copy(*Caption());
    Gesture("panel \"Letter Spacing\" 0\npanel Update\n");
    EXPECT_TRUE(Caption()->lineArt->SameContents(*plain->lineArt));
    Gesture("panel \"Letter Spacing\" 1\npanel Update\n");
    EXPECT_TRUE(Caption()->lineArt->SameContents(*plain->lineArt));
    // 11: a tenth of the 50-pixel em in each of the three gaps.
    Gesture("panel \"Letter Spacing\" 11\npanel Update\n");
    EXPECT_NEAR(InkRight(*Caption()) - InkRight(*plain), 3 * 5, 1);
}

} // namespace
} // namespace ts
