#include "palette/color_picker_model.h"
#include "platform/headless_user_interface.h"

#include <gtest/gtest.h>

namespace ts {
namespace {

using Field = ColorPickerModel::Field;

void ExpectRgb(const ColorPickerModel& m, int32_t r, int32_t g, int32_t b) {
    EXPECT_EQ(m.Value(Field::kRed), r);
    EXPECT_EQ(m.Value(Field::kGreen), g);
    EXPECT_EQ(m.Value(Field::kBlue), b);
}

TEST(ColorPickerModel, SettingAColourFillsBothSides) {
    ColorPickerModel m;
    m.SetColor(MakeColor(255, 0, 0));
    ExpectRgb(m, 255, 0, 0);
    EXPECT_EQ(m.GetHsb(), (Hsb{0, 240, 120}));

    m.SetColor(0xFF808080); // the top byte is no part of the colour
    ExpectRgb(m, 128, 128, 128);
    EXPECT_EQ(m.GetHsb(), (Hsb{160, 0, 120}));
    EXPECT_EQ(m.Color(), 0x00808080u);
}

TEST(ColorPickerModel, FieldPicksHueAndSaturationAndStripPicksBrightness) {
    ColorPickerModel m;
    m.SetColor(MakeColor(255, 0, 0));
    m.PickHueSaturation(100, 40);
    EXPECT_EQ(m.GetHsb(), (Hsb{50, 220, 120}));
    EXPECT_EQ(m.Color(), HsbToRgb(Hsb{50, 220, 120}));
    EXPECT_EQ(m.FieldMarkerX(), 100);
    EXPECT_EQ(m.FieldMarkerY(), 40);
    // Both pixels of a cell pick the same step.
    m.PickHueSaturation(101, 41);
    EXPECT_EQ(m.GetHsb(), (Hsb{50, 220, 120}));

    m.PickBrightness(200);
    EXPECT_EQ(m.GetHsb(), (Hsb{50, 220, 140}));
    EXPECT_EQ(m.Color(), HsbToRgb(Hsb{50, 220, 140}));
    EXPECT_EQ(m.StripMarkerY(), 200);
    // The field keeps the brightness the strip set.
    m.PickHueSaturation(0, 0);
    EXPECT_EQ(m.GetHsb(), (Hsb{0, 240, 140}));
}

TEST(ColorPickerModel, PicksOutsideTheFieldAndStripTakeTheNearestEdge) {
    ColorPickerModel m;
    m.SetColor(MakeColor(40, 90, 160));
    const int32_t b = m.GetHsb().b;
    m.PickHueSaturation(-30, -7);
    EXPECT_EQ(m.GetHsb(), (Hsb{0, 240, b}));
    m.PickHueSaturation(1000, 2000);
    EXPECT_EQ(m.GetHsb(), (Hsb{240, 0, b}));
    m.PickHueSaturation(-1, 481);
    EXPECT_EQ(m.GetHsb(), (Hsb{0, 0, b}));

    m.PickBrightness(-50);
    EXPECT_EQ(m.GetHsb().b, 240);
    EXPECT_EQ(m.Color(), 0x00FFFFFFu);
    m.PickBrightness(5000);
    EXPECT_EQ(m.GetHsb().b, 0);
    EXPECT_EQ(m.Color(), 0u);
    EXPECT_EQ(m.StripMarkerY(), 480);
}

TEST(ColorPickerModel, TypedValuesAreBroughtIntoTheFieldsRange) {
    ColorPickerModel m;
    m.SetColor(MakeColor(10, 20, 30));
    EXPECT_EQ(m.Type(Field::kRed, 300), 255);
    ExpectRgb(m, 255, 20, 30);
    EXPECT_EQ(m.GetHsb(), RgbToHsb(MakeColor(255, 20, 30)));
    EXPECT_EQ(m.Type(Field::kGreen, -5), 0);
    ExpectRgb(m, 255, 0, 30);
    EXPECT_EQ(m.Type(Field::kHue, 241), 240);
    EXPECT_EQ(m.Type(Field::kSaturation, 255), 240);
    EXPECT_EQ(m.Type(Field::kBrightness, 240), 240);

    int32_t kept = -1;
    ASSERT_TRUE(m.TypeText(Field::kBlue, "300", kept));
    EXPECT_EQ(kept, 255);
    ASSERT_TRUE(m.TypeText(Field::kBlue, "-12", kept));
    EXPECT_EQ(kept, 0);
    // Far more digits than any number holds: the top of the range, not an overflow.
    ASSERT_TRUE(m.TypeText(Field::kRed, "99999999999999999999999", kept));
    EXPECT_EQ(kept, 255);
    ASSERT_TRUE(m.TypeText(Field::kRed, "-99999999999999999999999", kept));
    EXPECT_EQ(kept, 0);
    ASSERT_TRUE(m.TypeText(Field::kRed, "007", kept));
    EXPECT_EQ(kept, 7);

    // Texts that are no number change nothing.
    const uint32_t before = m.Color();
    kept = -1;
    for (const char* text : {"", "-", "12a", "1 2", "+5", "--3"}) {
        EXPECT_FALSE(m.TypeText(Field::kRed, text, kept)) << text;
    }
    EXPECT_EQ(kept, -1);
    EXPECT_EQ(m.Color(), before);
}

TEST(ColorPickerModel, TypedRgbConvertsButTypedHsbIsKeptAsTyped) {
    ColorPickerModel m;
    m.SetColor(0);
    m.Type(Field::kRed, 255);
    EXPECT_EQ(m.GetHsb(), (Hsb{0, 240, 120}));

    m.Type(Field::kHue, 80);
    ExpectRgb(m, 0, 255, 0);
    // Black would convert back to the grey hue; the typed hue and saturation stay.
    m.Type(Field::kBrightness, 0);
    ExpectRgb(m, 0, 0, 0);
    EXPECT_EQ(m.GetHsb(), (Hsb{80, 240, 0}));
    m.Type(Field::kBrightness, 120);
    ExpectRgb(m, 0, 255, 0);

    m.Type(Field::kSaturation, 0);
    EXPECT_EQ(m.GetHsb(), (Hsb{80, 0, 120}));
    ExpectRgb(m, 127, 127, 127);
}

TEST(ColorPickerModel, FieldAndStripColoursFollowTheirSteps) {
    // Hue runs left to right at full saturation along the top, saturation falls downwards.
    EXPECT_EQ(ColorPickerModel::FieldColorAt(0, 0), MakeColor(255, 0, 0));
    EXPECT_EQ(ColorPickerModel::FieldColorAt(160, 0), MakeColor(0, 255, 0));
    EXPECT_EQ(ColorPickerModel::FieldColorAt(321, 1), MakeColor(0, 0, 255));
    EXPECT_EQ(ColorPickerModel::FieldColorAt(100, 40), HsbToRgb(Hsb{50, 220, 120}));
    EXPECT_EQ(ColorPickerModel::FieldColorAt(478, 478), HsbToRgb(Hsb{239, 1, 120}));

    ColorPickerModel m;
    m.SetColor(MakeColor(255, 0, 0));
    EXPECT_EQ(m.StripColorAt(0), 0x00FFFFFFu);
    EXPECT_EQ(m.StripColorAt(240), MakeColor(255, 0, 0));
    EXPECT_EQ(m.StripColorAt(241), MakeColor(255, 0, 0));
    EXPECT_EQ(m.StripColorAt(478), HsbToRgb(Hsb{0, 240, 1}));
    // The strip follows the field's hue and saturation.
    m.PickHueSaturation(160, 0);
    EXPECT_EQ(m.StripColorAt(240), MakeColor(0, 255, 0));
}

TEST(ColorPickerModel, StripMarkerInvertsOnlyOnTheDarkPart) {
    ColorPickerModel m;
    m.PickBrightness(300); // brightness 90
    EXPECT_EQ(m.StripMarkerY(), 300);
    EXPECT_FALSE(m.StripMarkerInverts());
    m.PickBrightness(302);
    EXPECT_TRUE(m.StripMarkerInverts());
    m.PickBrightness(0);
    EXPECT_FALSE(m.StripMarkerInverts());
}

TEST(HeadlessUserInterface, ColourPickersAnswerFromTheirQueueAndCancelWhenEmpty) {
    HeadlessUserInterface ui;
    ui.QueueColor(0xFF102030);
    ui.QueueColorCancel();
    uint32_t color = 0x00ABCDEF;
    EXPECT_TRUE(ui.ChooseColor(color));
    EXPECT_EQ(color, 0x00102030u);
    EXPECT_FALSE(ui.ChooseColor(color));
    EXPECT_FALSE(ui.ChooseColor(color));
    EXPECT_EQ(color, 0x00102030u);
    EXPECT_EQ(ui.ColorPickers(), (std::vector<uint32_t>{0x00ABCDEF, 0x00102030, 0x00102030}));
    EXPECT_EQ(ui.PendingColors(), 0u);
}

} // namespace
} // namespace ts
