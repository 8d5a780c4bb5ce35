// Palette lists and the calculated palettes: the adding rules, the nearest entry, the ramps, the
// histogram's thinning, the board order, the condensed variant and the strip's layout.
#include "palette/color_keys.h"
#include "palette/palette_builders.h"
#include "palette/palette_strip.h"
#include "platform/headless_user_interface.h"
#include "raster/color_spaces.h"

#include "palette/listing_text.h"

#include <gtest/gtest.h>

#include <set>

namespace ts {
namespace {

TEST(PaletteColorList, AddingFollowsTheNamingRules) {
    PaletteColorList list;
    EXPECT_EQ(list.Add(MakeEntry(0x0000FF)), PaletteColorList::AddResult::kAdded);
    EXPECT_EQ(list.Add(MakeEntry(0x0000FF)), PaletteColorList::AddResult::kAlreadyThere);
    EXPECT_EQ(list.Add(MakeEntry(0x0000FF, 0, 0, "Red")), PaletteColorList::AddResult::kNamedExisting);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Entry(0).name, "Red");
    EXPECT_EQ(list.Add(MakeEntry(0x0000FF, 0, 0, "Red")), PaletteColorList::AddResult::kAlreadyThere);
    EXPECT_EQ(list.Add(MakeEntry(0x0000FF, 0, 0, "Scarlet")), PaletteColorList::AddResult::kAdded);
    EXPECT_EQ(list.Count(), 2);
}

TEST(PaletteColorList, A513thColourIsRefusedAndNothingChanges) {
    PaletteColorList list;
    for (uint32_t i = 0; i < 512; ++i) {
        ASSERT_EQ(list.Add(MakeEntry(i)), PaletteColorList::AddResult::kAdded);
    }
    EXPECT_EQ(list.Add(MakeEntry(0x00ABCDEF)), PaletteColorList::AddResult::kFull);
    EXPECT_EQ(list.Count(), 512);
    EXPECT_FALSE(list.Contains(0x00ABCDEF));
}

TEST(PaletteColorList, RemovingTakesTheLastOfAColourButNeverTheOnlyEntry) {
    PaletteColorList list;
    list.Append(MakeEntry(0x10, 0, 0, "a"));
    list.Append(MakeEntry(0x20));
    list.Append(MakeEntry(0x10, 0, 0, "b"));
    EXPECT_TRUE(list.RemoveLast(0x10));
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Entry(0).name, "a");
    EXPECT_FALSE(list.RemoveLast(0x99));
    EXPECT_TRUE(list.RemoveLast(0x20));
    EXPECT_FALSE(list.RemoveLast(0x10));
    EXPECT_EQ(list.Count(), 1);
}

TEST(PaletteColorList, NearestEntryGivesTheTrueIndexPast255) {
    PaletteColorList list;
    for (uint32_t i = 0; i < 512; ++i) {
        list.Append(MakeEntry(MakeColor(i / 2, 0, 0) | (i % 2 ? 0x00FF0000 : 0)));
    }
    EXPECT_EQ(list.Nearest(MakeColor(200, 0, 0)), 400);
    EXPECT_EQ(list.Nearest(MakeColor(200, 0, 250)), 401);
    EXPECT_EQ(PaletteColorList().Nearest(0), -1);
}

TEST(PaletteColorList, SortingIsStableAndReversingFlipsTheDirection) {
    PaletteColorList list;
    list.Append(MakeEntry(0x000000, 0, 0, "black"));
    list.Append(MakeEntry(0xFFFFFF, 0, 0, "white"));
    list.Append(MakeEntry(0x808080, 0, 0, "grey1"));
    list.Append(MakeEntry(0x808080, 0, 0, "grey2"));
    list.Sort(PaletteSortKind::kLuminance, true);
    std::vector<std::string> names;
    for (const PaletteEntry& e : list.Entries()) {
        names.push_back(e.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"white", "grey1", "grey2", "black"}));
    EXPECT_TRUE(list.descending);
    list.Reverse();
    EXPECT_FALSE(list.descending);
    EXPECT_EQ(list.Entry(0).name, "black");
}

TEST(HsbRamps, GreyAndRedSitWhereTheScaleSays) {
    EXPECT_EQ(RgbToHsb(0x00808080), (Hsb{160, 0, 120}));
    EXPECT_EQ(RgbToHsb(0x000000FF), (Hsb{0, 240, 120}));
    const PaletteColorList hue = BuildHsbRamp(0x000000FF, HsbComponent::kHue);
    ASSERT_EQ(hue.Count(), 241);
    EXPECT_EQ(hue.MarkedIndex(), 0);
    EXPECT_EQ(hue.Entry(0).color, 0x000000FFu);
    EXPECT_EQ(hue.Entry(80).color, 0x0000FF00u);
    EXPECT_EQ(hue.Entry(160).sourceIndex, 160);
    const PaletteColorList saturation = BuildHsbRamp(0x000000FF, HsbComponent::kSaturation);
    EXPECT_EQ(saturation.MarkedIndex(), 240);
    EXPECT_EQ(saturation.Entry(0).color, 0x007F7F7Fu) << "grey of brightness 120";
}

TEST(HsbRamps, TheBrightnessRampRunsLightestFirstAndMarksTheColour) {
    const PaletteColorList ramp = BuildHsbRamp(0x000000FF, HsbComponent::kBrightness);
    ASSERT_EQ(ramp.Count(), 241);
    EXPECT_EQ(ramp.Entry(0).color, 0x00FFFFFFu);
    EXPECT_EQ(ramp.Entry(240).color, 0u);
    for (int32_t i = 1; i < ramp.Count(); ++i) {
        EXPECT_GE(ramp.Entry(i - 1).sortKey, ramp.Entry(i).sortKey);
    }
    const int32_t marked = ramp.MarkedIndex();
    ASSERT_GE(marked, 0);
    EXPECT_EQ(ramp.Entry(marked).color, 0x000000FFu);
    EXPECT_EQ(ramp.Entry(marked).sourceIndex, 120);
}

Image24 Gradient(int32_t width, int32_t height) {
    Image24 picture;
    picture.Create(width, height);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            picture.SetColor(x, y, MakeColor((x * 7) & 255, (y * 5) & 255, ((x + y) * 3) & 255));
        }
    }
    return picture;
}

TEST(HistogramPalette, ThinsToAtMost512CellsLightestFirst) {
    const Image24 picture = Gradient(256, 256);
    PaletteColorList list;
    uint32_t average = 0;
    ASSERT_TRUE(BuildHistogramPalette(picture, list, average));
    EXPECT_GT(list.Count(), 100);
    EXPECT_LE(list.Count(), 512);
    std::set<uint32_t> colours;
    for (int32_t i = 0; i < list.Count(); ++i) {
        const uint32_t c = list.Entry(i).color;
        EXPECT_EQ(c & 0x070707u, 0u) << "cells start at multiples of 8";
        EXPECT_GT(list.Entry(i).count, 0);
        EXPECT_TRUE(colours.insert(c).second);
        if (i > 0) {
            EXPECT_GE(list.Entry(i - 1).sortKey, list.Entry(i).sortKey);
        }
    }
    EXPECT_NE(average, 0u);
}

TEST(HistogramPalette, FewCellsStayAndDarkPixelsAreSkipped) {
    Image24 picture;
    picture.Create(4, 4);
    picture.SetColor(0, 0, MakeColor(200, 100, 50));
    picture.SetColor(1, 0, MakeColor(200, 100, 50));
    picture.SetColor(0, 1, MakeColor(10, 10, 10)); // an odd row is not sampled
    PaletteColorList list;
    uint32_t average = 0;
    ASSERT_TRUE(BuildHistogramPalette(picture, list, average));
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Entry(0).color, MakeColor(200, 96, 48));
    EXPECT_EQ(list.Entry(0).count, 2);
    EXPECT_EQ(average, MakeColor(200, 96, 48));
    Image24 dark;
    dark.Create(4, 4);
    EXPECT_FALSE(BuildHistogramPalette(dark, list, average));
}

TEST(HistogramPalette, OneHeavyCellAmongManyStillEndsQuickly) {
    // Counts far above what the threshold passes reach one by one.
    Image24 picture = Gradient(512, 512);
    for (int32_t y = 0; y < 512; y += 2) {
        for (int32_t x = 0; x < 256; ++x) {
            picture.SetColor(x, y, 0x00C0C0C0);
        }
    }
    PaletteColorList list;
    uint32_t average = 0;
    ASSERT_TRUE(BuildHistogramPalette(picture, list, average, 4));
    EXPECT_LE(list.Count(), 4);
    EXPECT_TRUE(list.Contains(0x00C0C0C0));
}

TEST(BoardPalette, BoardsComeNearestToTheDrawingsColourFirst) {
    HeadlessUserInterface ui;
    ToolListings listings;
    const std::string boards =
        ListingText("Boards", "Substrate",
                    {ToolLine("Red", "1", 200, 0, 0), ToolLine("Grey", "2", 128, 128, 128),
                     ToolLine("Blue", "3", 0, 0, 200), ToolLine("Grey2", "4", 128, 128, 128)});
    listings.LoadFromContents({boards}, ui);
    const PaletteColorList list = BuildBoardPalette(listings, MakeColor(0, 0, 180));
    std::vector<std::string> names;
    for (const PaletteEntry& e : list.Entries()) {
        names.push_back(e.name);
    }
    // The built-in white surface is a board too, and the farthest here.
    EXPECT_EQ(names, (std::vector<std::string>{"Blue", "Grey", "Grey2", "Red", " VERY WHITE"}));
    EXPECT_EQ(list.Entry(0).color, MakeColor(0, 0, 200)) << "the listed colour";
}

TEST(LightingPalette, RunsFromShadeToLightAroundTheHeldPaperColour) {
    const PaletteColorList list = BuildLightingPalette(0x00FFFFFF, nullptr);
    ASSERT_EQ(list.Count(), 256);
    EXPECT_EQ(list.MarkedIndex(), 127);
    EXPECT_EQ(list.Entry(128).color, HsbToRgb(Hsb{160, 0, 200})) << "white is held at brightness 200";
    EXPECT_EQ(list.Entry(0).color, 0u);
    EXPECT_EQ(list.Entry(255).color, 0x00FFFFFFu);
    EXPECT_LT(list.Entry(64).sortKey, list.Entry(192).sortKey);
}

PaletteColorList Numbered(int32_t n) {
    PaletteColorList list;
    for (int32_t i = 0; i < n; ++i) {
        list.Append(MakeEntry(static_cast<uint32_t>(i) * 0x000101u, i));
    }
    return list;
}

TEST(CondensedPalette, PicksEvenlyAndCopesWithTinyCounts) {
    const PaletteColorList full = Numbered(100);
    const PaletteColorList c = CondensePalette(full, 8);
    ASSERT_EQ(c.Count(), 8);
    for (int32_t j = 0; j < 8; ++j) {
        EXPECT_EQ(c.Entry(j).sourceIndex, static_cast<int32_t>((j * ((100 << 16) / 8)) >> 16));
    }
    EXPECT_EQ(CondensePalette(full, 0).Count(), 0);
    EXPECT_EQ(CondensePalette(Numbered(5), 8).Count(), 5);
    EXPECT_EQ(CondensePalette(PaletteColorList(), 8).Count(), 0);
}

TEST(CondensedPalette, TheMarkedColourKeepsItsSwatch) {
    PaletteColorList full = Numbered(100);
    full.Entry(37).selected = true;
    const PaletteColorList c = CondensePalette(full, 10);
    ASSERT_EQ(c.Count(), 10);
    const int32_t at = c.MarkedIndex();
    ASSERT_GE(at, 0);
    EXPECT_EQ(c.Entry(at).sourceIndex, 37);
    for (int32_t j = 1; j < c.Count(); ++j) {
        EXPECT_LE(c.Entry(j - 1).sourceIndex, c.Entry(j).sourceIndex);
    }
    // Marked first: no swatches before it, no division by zero.
    PaletteColorList first = Numbered(100);
    first.Entry(0).selected = true;
    const PaletteColorList c0 = CondensePalette(first, 10);
    EXPECT_EQ(c0.Entry(0).sourceIndex, 0);
    EXPECT_EQ(c0.Count(), 10);
}

TEST(PaletteStrip, LaysTheRowOutCentredAlongTheBottom) {
    PaletteStrip strip;
    strip.Layout(800, 600, 300);
    EXPECT_EQ(strip.Area(), (Rect{0, 576, 800, 600}));
    EXPECT_EQ(strip.ButtonCount(), (800 - 8) / 16);
    EXPECT_EQ(strip.FittingSwatches(), strip.ButtonCount() - 5);
    strip.Layout(800, 600, 10);
    EXPECT_EQ(strip.ButtonCount(), 15);
    EXPECT_EQ(strip.ButtonRect(0), (Rect{280, 580, 296, 596}));
    EXPECT_EQ(strip.FittingSwatches(), 44) << "the condensed size does not depend on the palette";
    strip.Layout(4000, 600, 1000);
    EXPECT_EQ(strip.ButtonCount(), 68);
    EXPECT_FALSE(strip.SetSwatchSize(18));
    EXPECT_TRUE(strip.SetSwatchSize(32));
    strip.Layout(100, 600, 1000);
    EXPECT_EQ(strip.ButtonCount(), 2);
    EXPECT_EQ(strip.ColorSwatches(), 0);
}

TEST(PaletteStrip, HitsButtonsAndMapsThemToEntries) {
    PaletteStrip strip;
    strip.Layout(800, 600, 300);
    const Rect first = strip.ButtonRect(0);
    EXPECT_EQ(strip.HitButton(first.left, first.top), 0);
    EXPECT_EQ(strip.HitButton(first.left + 16 * 7 + 15, first.top + 15), 7);
    EXPECT_EQ(strip.HitButton(first.left - 1, first.top), -1);
    EXPECT_EQ(strip.HitButton(first.left, first.top - 1), -1);
    EXPECT_EQ(strip.HitButton(first.left + 16 * strip.ButtonCount(), first.top), -1);
    EXPECT_EQ(strip.EntryAt(4, 0, 300), -1);
    EXPECT_EQ(strip.EntryAt(5, 0, 300), 0);
    EXPECT_EQ(strip.EntryAt(7, 20, 300), 22);
    EXPECT_EQ(strip.EntryAt(7, 299, 300), -1);
    EXPECT_EQ(strip.ClampScroll(-4, 300), 0);
    EXPECT_EQ(strip.ClampScroll(1000, 300), 300 - strip.ColorSwatches());
    EXPECT_EQ(strip.ClampScroll(3, 10), 0);
}

} // namespace
} // namespace ts
