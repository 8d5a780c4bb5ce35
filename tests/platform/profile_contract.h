#pragma once

// Behaviour of the profile manager that every settings store must give. A test program instantiates
// the suite with a maker type: default-constructible, with SettingsStore& Store().

#include "platform/profile_manager.h"
#include "platform/settings_store.h"

#include <gtest/gtest.h>

#include <string>

namespace ts {

template <typename Maker> class ProfileContract : public ::testing::Test {
protected:
    SettingsStore& Store() { return m_maker.Store(); }
    Maker m_maker;
};

TYPED_TEST_SUITE_P(ProfileContract);

TYPED_TEST_P(ProfileContract, IntegerReadSeedsWhenMissingSentinelOrUnreadable) {
    ProfileManager profile(this->Store(), "/opt/tintsmith/");
    EXPECT_EQ(profile.Get(settings::kJpegQuality), 80);
    int32_t stored = 0;
    ASSERT_TRUE(this->Store().ReadInt("Settings", "JpegQuality", stored));
    EXPECT_EQ(stored, 80);

    profile.Set(settings::kJpegQuality, 35);
    EXPECT_EQ(profile.Get(settings::kJpegQuality), 35);

    // A stored 9999 counts as missing and is replaced.
    this->Store().WriteInt("Settings", "JpegQuality", 9999);
    EXPECT_EQ(profile.Get(settings::kJpegQuality), 80);
    ASSERT_TRUE(this->Store().ReadInt("Settings", "JpegQuality", stored));
    EXPECT_EQ(stored, 80);

    // So do text that is not a number and a number beyond 32 bits.
    this->Store().WriteString("Settings", "Resolution", "high");
    EXPECT_EQ(profile.Get(settings::kResolution), 400);
    this->Store().WriteString("Settings", "Resolution", "4294967296");
    EXPECT_EQ(profile.Get(settings::kResolution), 400);

    // Negative and zero values are ordinary values.
    profile.SetInt("Postcards", "Address Index", -3);
    EXPECT_EQ(profile.Get(settings::kAddressIndex), -3);
    profile.Set(settings::kPaperTextureIndex, 0);
    EXPECT_EQ(profile.GetInt("Settings", "PaperTextureIndex", 7), 0);
}

TYPED_TEST_P(ProfileContract, StringReadSeedsWhenMissingOrTheTextMissing) {
    ProfileManager profile(this->Store(), "/opt/tintsmith/");
    EXPECT_EQ(profile.Get(settings::kPaperWidth), "36.0");
    std::string stored;
    ASSERT_TRUE(this->Store().ReadString("Settings", "PaperWidth", stored));
    EXPECT_EQ(stored, "36.0");

    this->Store().WriteString("Settings", "PaperWidth", "Missing");
    EXPECT_EQ(profile.Get(settings::kPaperWidth), "36.0");
    ASSERT_TRUE(this->Store().ReadString("Settings", "PaperWidth", stored));
    EXPECT_EQ(stored, "36.0");

    // Only the exact text counts; an empty value is a value.
    this->Store().WriteString("Settings", "PaperWidth", "missing");
    EXPECT_EQ(profile.Get(settings::kPaperWidth), "missing");
    this->Store().WriteString("Settings", "PaperWidth", "");
    EXPECT_EQ(profile.Get(settings::kPaperWidth), "");
}

TYPED_TEST_P(ProfileContract, TextWithSpacesCommasAndAccentsRoundTrips) {
    ProfileManager profile(this->Store(), "/opt/tintsmith/");
    const std::string path = "/home/anne/Zeichnungen/Küche, Entwurf #2/;x=1 \"q\"";
    profile.SetObjectWritePath(path);
    EXPECT_EQ(profile.ObjectWritePath(), path);
    profile.SetLayouts("  leading and trailing  ");
    std::string stored;
    ASSERT_TRUE(this->Store().ReadString("Layouts", "Layouts", stored));
    EXPECT_EQ(stored, "  leading and trailing  ");
}

TYPED_TEST_P(ProfileContract, RecentListsSurviveAWriteAndRead) {
    {
        ProfileManager profile(this->Store(), "/opt/tintsmith/");
        ASSERT_TRUE(profile.LoadRecentLists());
        RecentFileList& drawings = profile.Recent(RecentList::Drawings);
        drawings.Add("/home/anne/a.ts.png");
        drawings.Add("/home/anne/b.ts.png");
        profile.SaveRecent(RecentList::Drawings);
    }
    ProfileManager again(this->Store(), "/opt/tintsmith/");
    ASSERT_TRUE(again.LoadRecentLists());
    const RecentFileList& drawings = again.Recent(RecentList::Drawings);
    EXPECT_EQ(drawings.Entry(0), "/home/anne/b.ts.png");
    EXPECT_EQ(drawings.Entry(1), "/home/anne/a.ts.png");
    EXPECT_EQ(drawings.Entry(2), "");
    EXPECT_FALSE(this->Store().Has("RecentDrawingPaths", "file3"));
    EXPECT_EQ(again.Recent(RecentList::Palettes).Entry(3), "/opt/tintsmith/Palettes/Bavinger.pal");
    EXPECT_TRUE(this->Store().Has("Layouts", "Layouts"));

    this->Store().Remove("RecentDrawingPaths", "file1");
    EXPECT_FALSE(this->Store().Has("RecentDrawingPaths", "file1"));
    EXPECT_TRUE(this->Store().Has("RecentDrawingPaths", "file2"));
}

REGISTER_TYPED_TEST_SUITE_P(ProfileContract, IntegerReadSeedsWhenMissingSentinelOrUnreadable,
                            StringReadSeedsWhenMissingOrTheTextMissing,
                            TextWithSpacesCommasAndAccentsRoundTrips, RecentListsSurviveAWriteAndRead);

} // namespace ts
