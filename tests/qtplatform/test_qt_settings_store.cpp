#include "platform/profile_manager.h"
#include "qtplatform/qt_settings_store.h"

#include "platform/profile_contract.h"
#include "platform/temp_folder.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <fstream>
#include <memory>
#include <sstream>

namespace ts {
namespace {

struct QtStoreMaker {
    SettingsStore& Store() { return *store; }
    TempFolder folder;
    std::unique_ptr<QtSettingsStore> store =
        std::make_unique<QtSettingsStore>(folder.Path() + "settings.ini");
};
INSTANTIATE_TYPED_TEST_SUITE_P(QtStore, ProfileContract, QtStoreMaker);

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

TEST(QtSettingsStore, WritesSectionsAsIniGroupsAndNamesAsKeys) {
    TempFolder folder;
    const std::string ini = folder.Path() + "settings.ini";
    {
        QtSettingsStore store(ini);
        ProfileManager profile(store, "/opt/tintsmith/");
        EXPECT_EQ(profile.Get(settings::kJpegQuality), 80);
        EXPECT_EQ(profile.Get(settings::kPaperHeight), "24.0");
        EXPECT_EQ(profile.ObjectWritePath(), "/opt/tintsmith/Objects");
        ASSERT_TRUE(profile.LoadRecentLists());
        store.Sync();
        EXPECT_EQ(store.FileName(), ini);
    }
    const std::string text = ReadFile(ini);
    EXPECT_NE(text.find("[Settings]\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nJpegQuality=80\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nPaperHeight=24.0\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[Objects]\nObject%20Write%20Path=/opt/tintsmith/Objects\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("[RecentPalettePaths]\nfile1=/opt/tintsmith/Palettes/Rosewood.pal\n"),
              std::string::npos)
        << text;
}

TEST(QtSettingsStore, ValuesPersistAndTheEnvironmentCanNameTheFile) {
    TempFolder folder;
    const std::string ini = folder.Path() + "from-env.ini";
    ASSERT_EQ(setenv("TINTSMITH_SETTINGS", ini.c_str(), 1), 0);
    {
        QtSettingsStore store;
        EXPECT_EQ(store.FileName(), ini);
        store.WriteInt("Postcards", "Address Index", 12);
        store.WriteString("UserDocPath", "UserMyDocs", "/home/anne/Documents");
    }
    unsetenv("TINTSMITH_SETTINGS");
    QtSettingsStore reopened(ini);
    ProfileManager profile(reopened, "/opt/tintsmith/");
    EXPECT_EQ(profile.Get(settings::kAddressIndex), 12);
    EXPECT_EQ(profile.DrawingsFolder(), "/home/anne/Documents/Tintsmith/Drawings/");

    QtSettingsStore standard;
    EXPECT_NE(standard.FileName().find("Huecraft Software/Tintsmith.ini"), std::string::npos)
        << standard.FileName();
}

TEST(QtSettingsStore, HandEditedValuesFollowTheReadOrSeedRules) {
    TempFolder folder;
    const std::string ini = folder.Path() + "edited.ini";
    std::ofstream(ini)
        << "[Settings]\nJpegQuality=9999\nResolution=fine\nLineWidth= 6 \nPaperWidth=Missing\n";
    QtSettingsStore store(ini);
    ProfileManager profile(store, "/opt/tintsmith/");
    EXPECT_EQ(profile.Get(settings::kJpegQuality), 80);
    EXPECT_EQ(profile.Get(settings::kResolution), 400);
    EXPECT_EQ(profile.Get(settings::kLineWidth), 6);
    EXPECT_EQ(profile.Get(settings::kPaperWidth), "36.0");
    store.Sync();
    const std::string text = ReadFile(ini);
    EXPECT_NE(text.find("JpegQuality=80\n"), std::string::npos) << text;
    EXPECT_NE(text.find("PaperWidth=36.0\n"), std::string::npos) << text;
}

} // namespace
} // namespace ts
