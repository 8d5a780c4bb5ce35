#include "model/image_stack_manager.h"
#include "model/layer_test_support.h"

#include <gtest/gtest.h>

#include <memory>

namespace ts {
namespace {

using testing::AddBackdropAndPaper;
using testing::AddDrawingLayer;
using testing::Paint;
using testing::SetMask;

class CountingListener final : public StackListener {
public:
    void LayerIndicatorChanged() override { ++indicatorChanges; }
    void DrawingLayerCreated(LayerObject& layer) override { created.push_back(layer.id); }
    int indicatorChanges = 0;
    std::vector<uint32_t> created;
};

TEST(ImageStackManager, IdsStartAtOneAndContinueAcrossClears) {
    ImageStackManager stack;
    AddBackdropAndPaper(stack, 100, 80);
    AddDrawingLayer(stack, 50, 40);
    EXPECT_EQ(stack.Layer(0)->id, 1u);
    EXPECT_EQ(stack.Layer(2)->id, 3u);
    stack.ReleaseAll();
    EXPECT_EQ(stack.Count(), 0);
    EXPECT_EQ(stack.Layer(0), nullptr);
    EXPECT_EQ(stack.CreateLayer(kBackdropName)->id, 4u) << "ids are unique for the whole run";
}

TEST(ImageStackManager, CreatedLayerIsCurrentOnTopAndListenersHear) {
    ImageStackManager stack;
    CountingListener listener;
    stack.SetListener(&listener);
    LayerDefaults defaults;
    defaults.scale[kResolution] = 300.0;
    stack.SetLayerDefaults(defaults);
    AddBackdropAndPaper(stack, 100, 80);
    EXPECT_EQ(stack.Current(), 1);
    LayerObject& layer = AddDrawingLayer(stack, 50, 40);
    EXPECT_EQ(stack.Count(), 3);
    EXPECT_EQ(stack.Current(), 2);
    EXPECT_EQ(layer.name, kBlankLayerName);
    EXPECT_EQ(layer.scale[kResolution], 300.0);
    EXPECT_EQ(listener.created, std::vector<uint32_t>{layer.id});
    EXPECT_GE(listener.indicatorChanges, 3);
    // A new layer's settings.
    EXPECT_EQ(layer.strength, 5);
    EXPECT_EQ(layer.transitionWidth, 30);
    EXPECT_EQ(layer.scalarInt, -1);
    EXPECT_EQ(layer.scalarFloat, 5.0f);
    EXPECT_EQ(layer.visibility, 7u);
    EXPECT_EQ(layer.highlightColor, HsvToColor(22, 120, 120));
    EXPECT_EQ(layer.shadeColor, HsvToColor(142, 120, 120));
}

TEST(ImageStackManager, DrawingLayerTakesThePaperColourAndIsSizedToItsBuffer) {
    ImageStackManager stack;
    AddBackdropAndPaper(stack, 100, 80);
    LayerObject& plain = AddDrawingLayer(stack, 30, 20);
    EXPECT_EQ(testing::ColorAt(plain, 7, 7), 0x00FFFFFFu) << "white without a paper picture";
    EXPECT_FALSE(plain.color->HasPaint());
    EXPECT_EQ(plain.color->opacity, 255);
    EXPECT_EQ(stack.LayerWidth(plain), 30);
    EXPECT_EQ(stack.LayerHeight(plain), 20);

    auto picture = std::make_unique<BMap>();
    picture->pixels.Create(16, 16);
    for (int32_t y = 0; y < 16; ++y) {
        for (int32_t x = 0; x < 16; ++x) {
            picture->pixels.SetColor(x, y, 0x00C0B0A0);
        }
    }
    stack.Layer(1)->image = std::move(picture);
    LayerObject& tinted = AddDrawingLayer(stack, 30, 20);
    EXPECT_EQ(testing::ColorAt(tinted, 29, 19), 0x00C0B0A0u);

    // Sizes fall back from the colour channels to the picture, the drawing buffer and the drawing.
    EXPECT_EQ(stack.LayerWidth(*stack.Layer(1)), 16);
    EXPECT_EQ(stack.LayerWidth(*stack.Layer(0)), 100);
    EXPECT_EQ(stack.LayerHeight(*stack.Layer(0)), 80);
    tinted.color.reset();
    EXPECT_EQ(stack.LayerWidth(tinted), 30) << "the drawing buffer's size";
}

TEST(ImageStackManager, RefusesA257thLayerAndKeepsTheStack) {
    ImageStackManager stack;
    AddBackdropAndPaper(stack, 40, 30);
    for (int32_t i = 2; i < ImageStackManager::kMaxLayers; ++i) {
        ASSERT_NE(stack.CreateLayer("Layer"), nullptr) << i;
    }
    stack.SetCurrent(100);
    const uint32_t topId = stack.Layer(255)->id;
    EXPECT_EQ(stack.CreateLayer("Layer"), nullptr);
    auto buffer = std::make_unique<SuperBitBuffer>();
    ASSERT_TRUE(buffer->Create(10, 10, 2, 0, 2.0f));
    EXPECT_FALSE(stack.CreateDrawingLayer(std::move(buffer), kBlankLayerName));
    EXPECT_EQ(stack.Count(), 256);
    EXPECT_EQ(stack.Current(), 100);
    EXPECT_EQ(stack.Layer(255)->id, topId);
    EXPECT_EQ(stack.Layer(256), nullptr);
    // The failed creations used no id.
    stack.ReleaseAll();
    EXPECT_EQ(stack.CreateLayer("Layer")->id, topId + 1);
}

TEST(ImageStackManager, EmptyDrawingIsOneUntouchedBlankLayer) {
    ImageStackManager stack;
    EXPECT_FALSE(stack.IsEmptyDrawing()) << "no layers at all";
    AddBackdropAndPaper(stack, 100, 80);
    EXPECT_FALSE(stack.IsEmptyDrawing());
    LayerObject& blank = AddDrawingLayer(stack, 50, 40);
    EXPECT_TRUE(stack.IsEmptyDrawing());

    Paint(blank, 3, 4, 0x0000FF, 1);
    EXPECT_FALSE(stack.IsEmptyDrawing()) << "paint";
    Paint(blank, 3, 4, 0x0000FF, 0);
    EXPECT_TRUE(stack.IsEmptyDrawing());

    SetMask(*blank.frame->drawingBuffer, 10, 10, 0x0001);
    EXPECT_FALSE(stack.IsEmptyDrawing()) << "a line";
    SetMask(*blank.frame->drawingBuffer, 10, 10, 0);

    blank.lineArt = std::make_unique<ObjectLineArt>();
    ASSERT_TRUE(blank.lineArt->Create(50, 40));
    EXPECT_TRUE(stack.IsEmptyDrawing());
    SetMask(*blank.lineArt->lineBuffer, 1, 1, 0x8000);
    EXPECT_FALSE(stack.IsEmptyDrawing()) << "rendered line coverage";
    blank.lineArt.reset();

    blank.name = "My Layer";
    EXPECT_FALSE(stack.IsEmptyDrawing());
    blank.name = kBlankLayerName;
    AddDrawingLayer(stack, 50, 40);
    EXPECT_FALSE(stack.IsEmptyDrawing()) << "two drawing layers";
}

TEST(ImageStackManager, MainLayerPrefersTheTopCadLayerThenTheLargestArea) {
    ImageStackManager stack;
    EXPECT_EQ(stack.MainLayer(), 2);
    AddBackdropAndPaper(stack, 400, 300);
    EXPECT_EQ(stack.MainLayer(), 2);
    AddDrawingLayer(stack, 100, 100);                       // 2
    AddDrawingLayer(stack, 200, 50);                        // 3: same area
    AddDrawingLayer(stack, 300, 300, 0, 0, kRoviDivodName); // 4: largest, but no drawing layer
    AddDrawingLayer(stack, 10, 10);                         // 5
    EXPECT_EQ(stack.MainLayer(), 3) << "on equal areas the higher index wins";
    stack.Layer(2)->bounds = Rect{0, 0, 101, 100};
    EXPECT_EQ(stack.MainLayer(), 2);
    stack.Layer(5)->name = kCadLayerName;
    EXPECT_EQ(stack.MainLayer(), 5);
    stack.Layer(3)->name = kCadLayerName;
    EXPECT_EQ(stack.MainLayer(), 5) << "the highest CAD layer";

    ImageStackManager only;
    AddBackdropAndPaper(only, 400, 300);
    AddDrawingLayer(only, 10, 10, 0, 0, kSketchFrameName);
    AddDrawingLayer(only, 10, 10, 0, 0, kRoviDivodName);
    EXPECT_EQ(only.MainLayer(), 2) << "no layer qualifies";
}

TEST(ImageStackManager, DrawingLayersAreToldByName) {
    ImageStackManager stack;
    AddBackdropAndPaper(stack, 100, 80);
    AddDrawingLayer(stack, 10, 10, 0, 0, kSketchFrameName);
    AddDrawingLayer(stack, 10, 10, 0, 0, "roviDivod");
    AddDrawingLayer(stack, 10, 10, 0, 0, kRoviDivodName);
    AddDrawingLayer(stack, 10, 10, 0, 0, kScannedRoviDivodName);
    EXPECT_FALSE(stack.IsDrawingLayer(0));
    EXPECT_FALSE(stack.IsDrawingLayer(1));
    EXPECT_FALSE(stack.IsDrawingLayer(2));
    EXPECT_TRUE(stack.IsDrawingLayer(3)) << "names compare case-sensitively";
    EXPECT_FALSE(stack.IsDrawingLayer(4));
    EXPECT_TRUE(stack.IsDrawingLayer(5));
    EXPECT_FALSE(stack.IsDrawingLayer(6));
    EXPECT_FALSE(stack.IsDrawingLayer(-1));
    EXPECT_EQ(stack.CountDrawingLayers(), 2);
}

TEST(ImageStackManager, VisibleBoundsAndVisibilityBitsCoverTheDrawingLayersOnly) {
    ImageStackManager stack;
    AddBackdropAndPaper(stack, 400, 300);
    EXPECT_TRUE(stack.VisibleBounds().IsEmpty());
    AddDrawingLayer(stack, 50, 40, 10, 20);
    AddDrawingLayer(stack, 50, 40, 100, 5);
    AddDrawingLayer(stack, 50, 40, 300, 250).visibleInStack = false;
    EXPECT_EQ(stack.VisibleBounds(), (Rect{10, 5, 150, 60}));

    stack.SetLinesVisible(false);
    stack.SetLightingVisible(false);
    stack.SetLightingVisible(true);
    EXPECT_EQ(stack.Layer(0)->visibility, 7u);
    EXPECT_EQ(stack.Layer(1)->visibility, 7u);
    for (int32_t i = 2; i < 5; ++i) {
        EXPECT_EQ(stack.Layer(i)->visibility, kShowSurface | kShowLighting) << i;
        EXPECT_FALSE(stack.Layer(i)->ShowsLines());
    }
}

TEST(ImageStackManager, MemoryTextCountsEveryLayerAndTheViewBuffer) {
    ImageStackManager stack;
    AddBackdropAndPaper(stack, 100, 80);
    EXPECT_EQ(stack.MemoryText(4096), "Mem: 4K");
    LayerObject& layer = AddDrawingLayer(stack, 300, 200);
    const size_t layerBytes = layer.MemoryFootprint();
    EXPECT_GT(layerBytes, 0u);
    stack.Layer(0)->extraData.assign(3000, 1);
    EXPECT_EQ(stack.MemoryFootprint(100), layerBytes + 3100);
    EXPECT_EQ(stack.MemoryText(0), "Mem: " + std::to_string((layerBytes + 3000) >> 10) + "K");
}

TEST(LayerObject, CopiesAreDeepAndEqualUntilChanged) {
    ImageStackManager stack;
    AddBackdropAndPaper(stack, 100, 80);
    LayerObject& layer = AddDrawingLayer(stack, 40, 30, 5, 6);
    layer.caption = "north";
    layer.transform = {1.0, 2.0, 3.0};
    layer.dimmed = true;
    Paint(layer, 2, 3, 0x123456);
    LayerObject copy;
    ASSERT_TRUE(copy.CopyFrom(layer, false));
    EXPECT_EQ(copy.id, 0u) << "a clone takes its own identity";
    EXPECT_TRUE(copy.SameAs(layer));
    EXPECT_EQ(copy.transform, layer.transform);
    EXPECT_TRUE(copy.dimmed);

    Paint(layer, 2, 3, 0x123457);
    EXPECT_FALSE(copy.SameAs(layer)) << "the copy has its own pixels";
    EXPECT_EQ(testing::ColorAt(copy, 2, 3), 0x123456u);
    LayerObject again;
    ASSERT_TRUE(again.CopyFrom(layer, true));
    EXPECT_EQ(again.id, layer.id);
    SetMask(*layer.frame->drawingBuffer, 1, 1, 0x10);
    EXPECT_FALSE(again.SameAs(layer));
}

TEST(LayerObject, LightingRampFadesFromNeutralToStrengthCeiling) {
    LayerObject layer;
    const uint32_t highlight = layer.highlightColor;
    EXPECT_EQ(layer.lightingRamp[128] >> 24, 0u) << "neutral is transparent";
    // 0xAARRGGBB from the 0x00BBGGRR colours.
    const uint32_t rgb = (highlight & 0xFF) << 16 | (highlight & 0xFF00) | (highlight >> 16 & 0xFF);
    EXPECT_EQ(layer.lightingRamp[255] & 0xFFFFFF, rgb);
    EXPECT_EQ(layer.lightingRamp[255] >> 24, 80u) << "strength 5: 16 x 5";
    EXPECT_EQ(layer.lightingRamp[128 + 15] >> 24, 40u) << "half way through the transition";
    EXPECT_EQ(layer.lightingRamp[128 - 30] >> 24, 80u);
    layer.strength = 100;
    layer.transitionWidth = 0;
    layer.RebuildRamp();
    EXPECT_EQ(layer.lightingRamp[0] >> 24, 255u);
    EXPECT_EQ(layer.lightingRamp[129] >> 24, 255u);
}

TEST(ObjectLineArt, IntensityRampScalesInFixedPoint) {
    ObjectLineArt lines;
    EXPECT_EQ(lines.intensityRamp[0], 0);
    EXPECT_EQ(lines.intensityRamp[1], 16);
    EXPECT_EQ(lines.intensityRamp[15], 240);
    EXPECT_EQ(lines.intensityRamp[16], 255);
    lines.SetIntensity(128); // factor floor(128 x 65536 / 255) = 32896
    EXPECT_EQ(lines.intensityRamp[1], 8);
    EXPECT_EQ(lines.intensityRamp[15], 120);
    EXPECT_EQ(lines.intensityRamp[16], 127);
}

} // namespace
} // namespace ts
