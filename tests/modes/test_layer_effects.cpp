#include "modes/painting_test_support.h"
#include "raster/color_spaces.h"

#include <random>

namespace ts::testing {
namespace {

constexpr int32_t kW = 60;
constexpr int32_t kH = 40;

class LayerEffectTest : public PaintingTest {
protected:
    // A painted layer: a left block of one colour, a right block of another, a strip of no paint, and
    // lighting with shades, lights and neutral pixels.
    LayerObject& Painted() {
        LayerObject& layer = PaintLayer(kW, kH, 30, 20);
        ObjectColor& c = *layer.color;
        FillColor(c, 0, 30, HsbToRgb(Hsb{220, 180, 110}), 200);
        FillColor(c, 30, 55, 0x5090D0, 120);
        c.amount->FillRect(55, 0, kW, kH, 0);
        layer.shadow = std::make_unique<ObjectShadow>();
        layer.shadow->Create(kW, kH);
        layer.shadow->lighting->FillRect(0, 0, 20, kH, 60);
        layer.shadow->lighting->FillRect(20, 0, 40, kH, 200);
        return layer;
    }
    static void FillColor(ObjectColor& c, int32_t left, int32_t right, uint32_t color, uint8_t amount) {
        c.red->FillRect(left, 0, right, kH, static_cast<uint8_t>(ColorRed(color)));
        c.green->FillRect(left, 0, right, kH, static_cast<uint8_t>(ColorGreen(color)));
        c.blue->FillRect(left, 0, right, kH, static_cast<uint8_t>(ColorBlue(color)));
        c.amount->FillRect(left, 0, right, kH, amount);
    }
    static uint8_t At(RLBuffer& b, int32_t x, int32_t y) {
        std::vector<uint8_t> row(static_cast<size_t>(b.Width()));
        b.ReadRow(y, row.data());
        return row[static_cast<size_t>(x)];
    }
    static uint32_t ColorAt(ObjectColor& c, int32_t x, int32_t y) {
        return MakeColor(At(*c.red, x, y), At(*c.green, x, y), At(*c.blue, x, y));
    }
    static uint32_t ColorSum(ObjectColor& c) {
        return c.red->Checksum() ^ (c.green->Checksum() * 3) ^ (c.blue->Checksum() * 7) ^
               (c.amount->Checksum() * 11);
    }
    SliderCtrl& Slider(Env& mode, int32_t id) { return *dynamic_cast<SliderCtrl*>(mode.Panel().Find(id)); }
};

TEST(LightingLevelsCurve, StartValuesKeepEveryLevelAndNeutralAlwaysStays) {
    for (int32_t v = 0; v < 256; ++v) {
        EXPECT_EQ(LightingLevels::Level(v, 75, 50, 50, 50), v) << v;
    }
    for (int32_t s : {0, 150}) {
        EXPECT_EQ(LightingLevels::Level(128, s, 100, 0, 100), 128);
    }
}

TEST(LightingLevelsCurve, SlidersMoveLevelsTheWayTheyAreNamed) {
    // A shift past the top saturates instead of collapsing to black.
    EXPECT_EQ(LightingLevels::Level(200, 150, 50, 50, 50), 255);
    EXPECT_EQ(LightingLevels::Level(20, 0, 50, 50, 50), 0);
    // Shadow lifts the darks: 60 + 68 * 100 / 128.
    EXPECT_EQ(LightingLevels::Level(60, 75, 100, 50, 50), 113);
    EXPECT_EQ(LightingLevels::Level(200, 75, 100, 50, 50), 200);
    // Highlight lifts the lights and leaves the darks.
    EXPECT_GT(LightingLevels::Level(200, 75, 50, 50, 100), 200);
    EXPECT_EQ(LightingLevels::Level(60, 75, 50, 50, 100), 60);
    // Mid tone bends both halves, most in the middle.
    EXPECT_GT(LightingLevels::Level(100, 75, 50, 100, 50), 100);
    EXPECT_LT(LightingLevels::Level(100, 75, 50, 0, 50), 100);
}

TEST_F(LayerEffectTest, LevelsApplyOnReleaseAndResetOrUndoGiveTheLayerBack) {
    LayerObject& layer = Painted();
    RLBuffer& lighting = *layer.shadow->lighting;
    const uint32_t before = lighting.Checksum();
    const int32_t undoBefore = workspace->undoStore.UndoCount();
    Gesture("command Lighting Levels");
    EXPECT_EQ(env().Current(), &workspace->lightingLevels);
    EXPECT_EQ(workspace->statusPrompt.Current(), "Adjust lighting levels.");

    // A drag moves the readout only; the release applies once, a row per meter step.
    const int32_t starts = ui.Meter().Starts();
    Slider(workspace->lightingLevels, LightingLevels::kShadow).UserTrack(80);
    Slider(workspace->lightingLevels, LightingLevels::kShadow).UserTrack(100);
    EXPECT_EQ(lighting.Checksum(), before);
    EXPECT_EQ(ui.Meter().Starts(), starts);
    Slider(workspace->lightingLevels, LightingLevels::kShadow).UserSetPos(100);
    EXPECT_EQ(ui.Meter().Starts(), starts + 1);
    EXPECT_EQ(ui.Meter().Done(), kH);
    EXPECT_FALSE(ui.Meter().Running());
    EXPECT_EQ(ui.WaitCursorShows(), 1); // under the wait cursor, gone again afterwards
    EXPECT_FALSE(ui.WaitCursorShown());
    EXPECT_EQ(At(lighting, 5, 5), 113);
    EXPECT_EQ(At(lighting, 25, 5), 200);
    EXPECT_EQ(At(lighting, 50, 5), 128);
    EXPECT_TRUE(Reasons(""));

    // Settings build on the saved levels, not on the last result.
    Gesture("panel Shift 150");
    EXPECT_EQ(At(lighting, 25, 5), 255);
    Gesture("panel Reset");
    EXPECT_EQ(lighting.Checksum(), before);
    Gesture("panel 102 0\npanel Shift 20");
    EXPECT_NE(lighting.Checksum(), before);

    // Leaving keeps the result; one Undo returns to the layer as it was on entering.
    env().ReturnToSelect();
    EXPECT_NE(lighting.Checksum(), before);
    EXPECT_EQ(workspace->undoStore.UndoCount(), undoBefore + 1);
    workspace->undoStore.Undo();
    EXPECT_EQ(current().shadow->lighting->Checksum(), before);
}

TEST_F(LayerEffectTest, AnEffectOnALayerWithoutItsChannelsSaysSoAndChangesNothing) {
    PaintLayer(kW, kH);
    const int32_t undoBefore = workspace->undoStore.UndoCount();
    Gesture("command Lighting Levels\npanel Shift 120");
    EXPECT_EQ(workspace->statusPrompt.Current(), LightingLevels::kNoLighting);
    EXPECT_EQ(workspace->undoStore.UndoCount(), undoBefore);
    EXPECT_EQ(ui.Meter().Starts(), 0);
}

TEST_F(LayerEffectTest, ColorAdjustTurnsHueWrapsAndLeavesUnpaintedPixels) {
    LayerObject& layer = Painted();
    ObjectColor& c = *layer.color;
    const uint32_t saved = ColorAt(c, 5, 5);
    const Hsb was = RgbToHsb(saved);
    ASSERT_GT(was.h, 190); // a blue whose hue wraps past 240
    const uint32_t unpainted = ColorAt(c, 57, 5);
    Gesture("command Color Adust\npanel Hue 100");
    EXPECT_EQ(workspace->statusPrompt.Current(), ColorAdjust::kPrompt);
    EXPECT_EQ(ColorAt(c, 5, 5), HsbToRgb(Hsb{was.h + 50 - 240, was.s, was.b}));
    EXPECT_EQ(ColorAt(c, 57, 5), unpainted);
    EXPECT_EQ(At(*c.amount, 57, 5), 0);
    EXPECT_EQ(At(*c.amount, 5, 5), 200);
    Gesture("panel Opacity 100");
    EXPECT_EQ(At(*c.amount, 5, 5), 255);
    EXPECT_EQ(At(*c.amount, 40, 5), 255);
    EXPECT_EQ(At(*c.amount, 57, 5), 0);
    Gesture("panel Opacity 0");
    EXPECT_EQ(At(*c.amount, 40, 5), 0);
}

TEST_F(LayerEffectTest, ColorAdjustBackAtTheMiddleIsByteIdentical) {
    LayerObject& layer = Painted();
    const uint32_t before = ColorSum(*layer.color);
    Gesture("command Color Adust\npanel Hue 80\npanel Saturation 30\npanel Brightness 70");
    EXPECT_NE(ColorSum(*layer.color), before);
    Gesture("panel Hue 50\npanel Saturation 50\npanel Brightness 50");
    EXPECT_EQ(ColorSum(*layer.color), before);
    Gesture("panel Opacity 90\npanel Reset");
    EXPECT_EQ(ColorSum(*layer.color), before);
}

TEST_F(LayerEffectTest, ColorAdjustTurnsEachPixelOfAMottledLayerByItsOwnColour) {
    // Runs of one to nine pixels of a few colours, unpainted stretches among them, amounts varying
    // within a run of one colour.
    LayerObject& layer = PaintLayer(kW, kH, 30, 20);
    ObjectColor& c = *layer.color;
    const uint32_t colors[] = {0x2040C0, 0xC04020, 0x30A050, 0x808080, 0x2040C1};
    std::mt19937 rng(3);
    std::vector<uint8_t> b(kW), g(kW), r(kW), a(kW);
    for (int32_t y = 0; y < kH; ++y) {
        for (int32_t x = 0; x < kW;) {
            const uint32_t color = colors[rng() % std::size(colors)];
            for (int32_t n = 1 + static_cast<int32_t>(rng() % 9); n > 0 && x < kW; --n, ++x) {
                const auto i = static_cast<size_t>(x);
                b[i] = static_cast<uint8_t>(ColorBlue(color));
                g[i] = static_cast<uint8_t>(ColorGreen(color));
                r[i] = static_cast<uint8_t>(ColorRed(color));
                a[i] = rng() % 4 == 0 ? 0 : static_cast<uint8_t>(100 + rng() % 156);
            }
        }
        c.blue->PutRow(y, b.data());
        c.green->PutRow(y, g.data());
        c.red->PutRow(y, r.data());
        c.amount->PutRow(y, a.data());
    }
    const std::unique_ptr<LayerObject> saved = Copy(layer);
    Gesture("command Color Adust\npanel Hue 70\npanel Saturation 60\npanel Brightness 40\npanel Opacity 55");
    ObjectColor& was = *saved->color;
    for (int32_t y = 0; y < kH; y += 7) {
        for (int32_t x = 0; x < kW; ++x) {
            const uint32_t color = ColorAt(was, x, y);
            const uint8_t amount = At(*was.amount, x, y);
            if (amount == 0) {
                EXPECT_EQ(ColorAt(c, x, y), color);
                EXPECT_EQ(At(*c.amount, x, y), 0);
                continue;
            }
            const Hsb hsb = RgbToHsb(color);
            const int32_t hue = hsb.h + 20 > 240 ? hsb.h + 20 - 240 : hsb.h + 20;
            const Hsb now{hue, std::clamp(hsb.s + 20, 0, 240), std::clamp(hsb.b - 10, 0, 240)};
            EXPECT_EQ(ColorAt(c, x, y), HsbToRgb(now)) << x << " " << y;
            EXPECT_EQ(At(*c.amount, x, y), std::min(amount + 25, 255));
        }
    }
}

TEST_F(LayerEffectTest, ColorAdjustMaskWeighsTheChangeByItsLighting) {
    // The mask covers the painted layer's left 20 columns with level 0; its other pixels are neutral.
    LayerObject& mask = PaintLayer(40, kH, 30, 20);
    mask.name = ColorAdjust::kMaskName;
    mask.shadow = std::make_unique<ObjectShadow>();
    mask.shadow->Create(40, kH);
    mask.shadow->lighting->FillRect(0, 0, 20, kH, 0);
    LayerObject& layer = Painted();
    ObjectColor& c = *layer.color;
    const uint32_t saved = ColorAt(c, 25, 5);
    Gesture("command Color Adust\npanel Hue 80");
    const uint32_t turned = ColorAt(c, 5, 5);
    ASSERT_NE(turned, saved);
    Gesture("panel \"Use Mask\"");
    EXPECT_EQ(ColorAt(c, 5, 5), turned);     // level 0: the new colour
    EXPECT_EQ(ColorAt(c, 25, 5), saved);     // level 128: the saved colour
    EXPECT_EQ(ColorAt(c, 45, 5), 0x5090D0u); // beyond the mask layer: kept
}

TEST_F(LayerEffectTest, GradientLayerIsMadeOnceAtTheBottomAndRunsFromTopToBottomValue) {
    PaintLayer(kW, kH, 30, 20);
    Painted();
    const int32_t count = stack().Count();
    Gesture("command Lighting Gradient\npanel Angle 0");
    ASSERT_EQ(stack().Count(), count + 1);
    LayerObject& gradient = *stack().Layer(2);
    EXPECT_EQ(gradient.name, "Gradient Light");
    EXPECT_EQ(stack().Current(), 2);
    EXPECT_FALSE(gradient.color->HasPaint());
    RLBuffer& levels = *gradient.shadow->lighting;
    const int32_t h = stack().DrawingHeight();
    ASSERT_EQ(levels.Height(), h);
    EXPECT_EQ(At(levels, 0, 0), 224);
    EXPECT_EQ(At(levels, levels.Width() - 1, 0), 224);
    // The last row lies 1/h short of the bottom value: 224 - 80 (h - 1) / h truncates to 144.
    EXPECT_EQ(At(levels, 7, h - 1), 144);
    EXPECT_EQ(At(levels, 7, h / 2), 184);
    EXPECT_EQ(ui.Meter().Done(), h);

    // A second application reuses the layer; at 90 the top value lies along the left edge.
    Gesture("panel 103 90");
    EXPECT_EQ(stack().Count(), count + 1);
    EXPECT_EQ(At(levels, 0, 5), 224);
    EXPECT_EQ(At(levels, 0, h - 1), 224);
    EXPECT_LE(At(levels, levels.Width() - 1, 5), 145);
    Gesture("panel \"Top Value\" 0\npanel \"Bottom Value\" 0");
    EXPECT_EQ(levels.Checksum(), [&] {
        RLBuffer flat;
        flat.Create(levels.Width(), levels.Height(), 1, 0, 2.0f);
        return flat.Checksum();
    }());

    // One Undo takes the visit's new layer away.
    env().ReturnToSelect();
    workspace->undoStore.Undo();
    EXPECT_EQ(stack().Count(), count);
    for (int32_t i = 2; i < stack().Count(); ++i) {
        EXPECT_NE(stack().Layer(i)->name, "Gradient Light");
    }
}

TEST_F(LayerEffectTest, GradientWithoutInsertAtBottomStaysOnTop) {
    Painted();
    Gesture("command Lighting Gradient\npanel \"Insert At Bottom\"");
    EXPECT_EQ(stack().Layer(stack().Count() - 1)->name, "Gradient Light");
    EXPECT_EQ(GradientManager::LevelAt(5.0, 3.0, 3.0, 224, 144), 224); // a flat extent takes the top value
}

TEST_F(LayerEffectTest, MarkerStrokesAreRepeatableAndResetGivesTheLayerBack) {
    LayerObject& layer = Painted();
    ObjectColor& c = *layer.color;
    const uint32_t before = ColorSum(c);
    const uint32_t unpainted = ColorAt(c, 57, 5);
    Gesture("command Marker Strokes");
    EXPECT_EQ(workspace->statusPrompt.Current(), MarkerEffect::kPrompt);
    Gesture("panel \"Amount \" 80");
    const uint32_t marked = ColorSum(c);
    EXPECT_NE(marked, before);
    EXPECT_EQ(ColorAt(c, 57, 5), unpainted);
    Gesture("panel Spacing 20\npanel Spacing 12");
    EXPECT_EQ(ColorSum(c), marked);
    Gesture("panel Reset");
    EXPECT_EQ(ColorSum(c), before);
}

TEST_F(LayerEffectTest, MarkerStrokesLeaveGapsOrOverlapsAsTheSlidersSay) {
    LayerObject& layer = Painted();
    ObjectColor& c = *layer.color;
    MarkerEffect& marker = workspace->markerEffect;
    Gesture(
        "command Marker Strokes\npanel Variation 0\npanel Wander 0\npanel Overlap 0\npanel \"Angle   \" 90");
    // Strokes run down the drawing, 12 pixels apart and 80 % of that wide: full ink on a stroke's
    // centre, none halfway between two, and the same all along a stroke.
    EXPECT_EQ(marker.InkAt(6, 3), 256);
    EXPECT_EQ(marker.InkAt(6, 300), 256);
    EXPECT_EQ(marker.InkAt(0, 3), 0);
    int32_t most = 0;
    Gesture("panel Overlap 100");
    for (int32_t x = 0; x < 24; ++x) {
        most = std::max(most, marker.InkAt(x, 3));
    }
    EXPECT_GT(most, 256);

    // On white: paint thins between the strokes and nowhere else.
    Gesture("panel Overlap 0\npanel \"On White\"\npanel \"Amount \" 100");
    const int32_t between = 12 * 4 - layer.offsetX; // a layer column halfway between two strokes
    const int32_t centre = between + 6;
    EXPECT_LT(At(*c.amount, between, 5), 200);
    EXPECT_EQ(At(*c.amount, centre, 5), 200);
    EXPECT_EQ(At(*c.amount, 57, 5), 0);
}

} // namespace
} // namespace ts::testing
