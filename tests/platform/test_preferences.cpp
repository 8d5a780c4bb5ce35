// The values of the preferences dialog: what an empty store shows, what is stored, what is refused.

#include "platform/memory_settings_store.h"
#include "platform/preferences.h"

#include <gtest/gtest.h>

#include <string>

namespace ts {
namespace {

class Preferences : public ::testing::Test {
protected:
    MemorySettingsStore store;
    ProfileManager profile{store, "/prog/"};

    std::string Text(const char* name) {
        std::string out;
        store.ReadString("Settings", name, out);
        return out;
    }
};

TEST_F(Preferences, AnEmptyStoreShowsTheScanPaperOf36By24InchesAt400DpiAndThinLines3) {
    const PreferenceValues v = PreferenceValues::Load(profile);
    EXPECT_EQ(v.paperWidth, "36.0");
    EXPECT_EQ(v.paperHeight, "24.0");
    EXPECT_EQ(v.resolution, "400");
    EXPECT_EQ(v.thinLineIndex, 3);
    EXPECT_EQ(v.scaleWidth, "36.0");
    EXPECT_EQ(v.scaleHeight, "24.0");
    EXPECT_EQ(v.nudgeStrength, "1");
    EXPECT_FALSE(v.enableMetric);
    EXPECT_EQ(v.paperTextureIndex, 0);
    // The light grey paper: the same level in each channel.
    EXPECT_EQ(v.red, "235");
    EXPECT_EQ(v.green, "235");
    EXPECT_EQ(v.blue, "235");
    EXPECT_EQ(v.Problem(), "");
    // Read first by the dialog, the thumbnail size is the smallest, and it is seeded so.
    EXPECT_EQ(v.thumbSize, 0);
    EXPECT_EQ(profile.Get(settings::kThumbSize), 0);
}

TEST_F(Preferences, SavedValuesReadBackAndTheColourKeepsRedInTheLowByte) {
    PreferenceValues v = PreferenceValues::Load(profile);
    v.red = "200";
    v.green = "100";
    v.blue = "50";
    v.paperTextureIndex = 26;
    v.resolution = "300";
    v.paperWidth = " 17";
    v.paperHeight = "11.5";
    v.scaleWidth = "48";
    v.scaleHeight = "36";
    v.thumbSize = 3;
    v.nudgeStrength = "5";
    v.enableMetric = true;
    v.thinLineIndex = 31;
    ASSERT_EQ(v.Problem(), "");
    v.Save(profile);

    int32_t color = 0;
    ASSERT_TRUE(store.ReadInt("Settings", "PaperColor", color));
    EXPECT_EQ(color, 50 << 16 | 100 << 8 | 200);
    EXPECT_EQ(Text("PaperWidth"), "17");
    const PreferenceValues back = PreferenceValues::Load(profile);
    EXPECT_EQ(back.red, "200");
    EXPECT_EQ(back.blue, "50");
    EXPECT_EQ(back.paperTextureIndex, 26);
    EXPECT_EQ(back.resolution, "300");
    EXPECT_EQ(back.paperHeight, "11.5");
    EXPECT_EQ(back.scaleWidth, "48");
    EXPECT_EQ(back.thumbSize, 3);
    EXPECT_EQ(back.nudgeStrength, "5");
    EXPECT_TRUE(back.enableMetric);
    EXPECT_EQ(back.thinLineIndex, 31);
}

TEST_F(Preferences, ValuesThatCannotBeStoredAreNamed) {
    const PreferenceValues good = PreferenceValues::Load(profile);
    auto problem = [&](auto change) {
        PreferenceValues v = good;
        change(v);
        return v.Problem();
    };
    // Paper sides: empty, a lone point, zero, two points, beyond a page a drawing file can hold.
    for (const char* side : {"", ".", "0", "0.0", "1.2.3", "401", "abc"}) {
        EXPECT_NE(problem([&](PreferenceValues& v) { v.paperWidth = side; }), "") << side;
        EXPECT_NE(problem([&](PreferenceValues& v) { v.scaleHeight = side; }), "") << side;
    }
    EXPECT_EQ(problem([](PreferenceValues& v) { v.scaleWidth = "0.5"; }), "");
    EXPECT_EQ(problem([](PreferenceValues& v) { v.paperWidth = "400"; }), "");
    // The store reads 9999 as a missing value: storing it would quietly bring back the default.
    EXPECT_NE(problem([](PreferenceValues& v) { v.nudgeStrength = "9999"; }), "");
    EXPECT_NE(problem([](PreferenceValues& v) { v.resolution = "9999"; }), "");
    EXPECT_NE(problem([](PreferenceValues& v) { v.resolution = "0"; }), "");
    EXPECT_NE(problem([](PreferenceValues& v) { v.resolution = "-5"; }), "");
    EXPECT_NE(problem([](PreferenceValues& v) { v.nudgeStrength = "0"; }), "");
    EXPECT_NE(problem([](PreferenceValues& v) { v.green = "256"; }), "");
    EXPECT_NE(problem([](PreferenceValues& v) { v.blue = ""; }), "");
    EXPECT_NE(problem([](PreferenceValues& v) { v.thinLineIndex = 0; }), "");
    EXPECT_NE(problem([](PreferenceValues& v) { v.thumbSize = 4; }), "");
    EXPECT_NE(problem([](PreferenceValues& v) { v.paperTextureIndex = 27; }), "");
    EXPECT_NE(problem([](PreferenceValues& v) { v.paperTextureIndex = -1; }), "");
    EXPECT_EQ(problem([](PreferenceValues& v) { v.resolution = "4800"; }), "");
}

TEST_F(Preferences, ValuesSetByNameAreTakenAsTheControlsWouldTakeThem) {
    PreferenceValues v;
    // An edit keeps only the characters it accepts, as typing would.
    EXPECT_TRUE(v.Set("Resolution", "-3.5x0"));
    EXPECT_EQ(v.resolution, "350");
    EXPECT_TRUE(v.Set("PaperWidth", "24.5 in"));
    EXPECT_EQ(v.paperWidth, "24.5");
    EXPECT_TRUE(v.Set("PaperColor", "0x0000FF"));
    EXPECT_EQ(v.red, "255");
    EXPECT_EQ(v.green, "0");
    EXPECT_TRUE(v.Set("EnableMetric", "1"));
    EXPECT_TRUE(v.enableMetric);
    EXPECT_TRUE(v.Set("ThumbSize", "2"));
    EXPECT_EQ(v.thumbSize, 2);
    // Lists take only their own items, and unknown names nothing.
    EXPECT_FALSE(v.Set("ThinLineIndex", "32"));
    EXPECT_FALSE(v.Set("ThumbSize", "4"));
    EXPECT_FALSE(v.Set("PaperColor", "0x1000000"));
    EXPECT_FALSE(v.Set("JpegQuality", "80"));
    EXPECT_EQ(v.thumbSize, 2);
}

TEST_F(Preferences, StoredChoicesOutsideTheirListsShowAsTheProgramUsesThem) {
    store.WriteInt("Settings", "ThumbSize", 7);
    store.WriteInt("Settings", "ThinLineIndex", 50);
    store.WriteInt("Settings", "PaperTextureIndex", -4);
    const PreferenceValues v = PreferenceValues::Load(profile);
    // The renderers take any other size as 800 x 600.
    EXPECT_EQ(v.thumbSize, 1);
    EXPECT_EQ(v.thinLineIndex, 31);
    EXPECT_EQ(v.paperTextureIndex, 0);
    EXPECT_EQ(v.Problem(), "");
}

} // namespace
} // namespace ts
