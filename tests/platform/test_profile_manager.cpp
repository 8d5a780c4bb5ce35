#include "platform/memory_settings_store.h"
#include "platform/profile_manager.h"

#include "platform/profile_contract.h"
#include "platform/temp_folder.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace ts {
namespace {

struct MemoryStoreMaker {
    SettingsStore& Store() { return store; }
    MemorySettingsStore store;
};
INSTANTIATE_TYPED_TEST_SUITE_P(MemoryStore, ProfileContract, MemoryStoreMaker);

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

TEST(ProfileManager, ThumbSizeKeepsWhicheverDefaultSeededFirst) {
    MemorySettingsStore store;
    ProfileManager profile(store, "/opt/tintsmith/");
    EXPECT_EQ(profile.Get(settings::kThumbSizeForPreferences), 0);
    EXPECT_EQ(profile.Get(settings::kThumbSize), 0);
    EXPECT_EQ(RenderWindowSizeFor(0).width, 640);
    EXPECT_EQ(RenderWindowSizeFor(1).height, 600);
}

TEST(ProfileManager, FoldersDefaultToTheProgramFolderAndTheirNameAndAreStoredWhenChanged) {
    MemorySettingsStore store;
    ProfileManager profile(store, "/opt/tintsmith/");
    store.WriteString("RecentPaths", "Images", "/home/anne/Pictures");
    profile.LoadFolders();
    EXPECT_EQ(profile.Folder(RecentFolder::OpenDrawings), "/opt/tintsmith/OpenDrawings");
    EXPECT_EQ(profile.Folder(RecentFolder::Textures), "/opt/tintsmith/Textures");
    EXPECT_EQ(profile.Folder(RecentFolder::Images), "/home/anne/Pictures");
    std::string stored;
    ASSERT_TRUE(store.ReadString("RecentPaths", "SaveDrawings", stored));
    EXPECT_EQ(stored, "/opt/tintsmith/SaveDrawings");

    const int32_t writes = store.Writes();
    profile.SetFolder(RecentFolder::Images, "/home/anne/Pictures");
    EXPECT_EQ(store.Writes(), writes);
    profile.SetFolder(RecentFolder::Images, "/srv/scans");
    ASSERT_TRUE(store.ReadString("RecentPaths", "Images", stored));
    EXPECT_EQ(stored, "/srv/scans");
    EXPECT_EQ(profile.Folder(RecentFolder::Images), "/srv/scans");
}

TEST(ProfileManager, OtherSectionsAndTheDrawingsFolder) {
    MemorySettingsStore store;
    ProfileManager profile(store, "/opt/tintsmith/");
    EXPECT_EQ(profile.ObjectWritePath(), "/opt/tintsmith/Objects");
    EXPECT_EQ(profile.Get(settings::kAddressIndex), 0);
    EXPECT_TRUE(store.Has("Postcards", "Address Index"));
    EXPECT_EQ(profile.UserDocPath(), "/opt/tintsmith/");
    EXPECT_EQ(profile.DrawingsFolder(), "/opt/tintsmith/Drawings/");
    store.WriteString("UserDocPath", "UserMyDocs", "/home/anne/Documents/");
    EXPECT_EQ(profile.DrawingsFolder(), "/home/anne/Documents/Tintsmith/Drawings/");
}

TEST(ProfileManager, EmptyPaletteListIsToppedUpWithTheDefaultPalettes) {
    MemorySettingsStore store;
    ProfileManager profile(store, "/opt/tintsmith/");
    ASSERT_TRUE(profile.LoadRecentLists());
    // The list becomes Rosewood, BlueBungalow, Sculpture, Bavinger.
    const RecentFileList& palettes = profile.Recent(RecentList::Palettes);
    EXPECT_EQ(palettes.Entry(0), "/opt/tintsmith/Palettes/Rosewood.pal");
    EXPECT_EQ(palettes.Entry(1), "/opt/tintsmith/Palettes/BlueBungalow.pal");
    EXPECT_EQ(palettes.Entry(2), "/opt/tintsmith/Palettes/Sculpture.pal");
    EXPECT_EQ(palettes.Entry(3), "/opt/tintsmith/Palettes/Bavinger.pal");
    std::string stored;
    ASSERT_TRUE(store.ReadString("RecentPalettePaths", "file4", stored));
    EXPECT_EQ(stored, "/opt/tintsmith/Palettes/Bavinger.pal");
    EXPECT_EQ(profile.Recent(RecentList::Drawings).Size(), 10);
    EXPECT_EQ(profile.Layouts(), "");
    EXPECT_TRUE(store.Has("Layouts", "Layouts"));
}

TEST(ProfileManager, PaletteTopUpSkipsListedTitlesAndStopsWhenTheFourthEntryIsFilled) {
    MemorySettingsStore store;
    store.WriteString("RecentPalettePaths", "file1", "/home/anne/pal/Sculpture.pal");
    store.WriteString("RecentPalettePaths", "file2", "/home/anne/pal/Mine.pal");
    ProfileManager profile(store, "/opt/tintsmith/");
    ASSERT_TRUE(profile.LoadRecentLists());
    const RecentFileList& palettes = profile.Recent(RecentList::Palettes);
    // The user's palettes stay first; the missing defaults fill the empty entries.
    EXPECT_EQ(palettes.Entry(0), "/home/anne/pal/Sculpture.pal");
    EXPECT_EQ(palettes.Entry(1), "/home/anne/pal/Mine.pal");
    EXPECT_EQ(palettes.Entry(2), "/opt/tintsmith/Palettes/Rosewood.pal");
    EXPECT_EQ(palettes.Entry(3), "/opt/tintsmith/Palettes/BlueBungalow.pal");

    // A full list is left alone.
    MemorySettingsStore full;
    for (int i = 1; i <= 4; ++i) {
        full.WriteString("RecentPalettePaths", "file" + std::to_string(i),
                         "/p/" + std::to_string(i) + ".pal");
    }
    ProfileManager fullProfile(full, "/opt/tintsmith/");
    ASSERT_TRUE(fullProfile.LoadRecentLists());
    EXPECT_EQ(fullProfile.Recent(RecentList::Palettes).Entry(0), "/p/1.pal");
    EXPECT_EQ(fullProfile.Recent(RecentList::Palettes).Entry(3), "/p/4.pal");
}

TEST(ProfileManager, LastImageFolderRoundTripsThroughTheHistoryFile) {
    TempFolder program;
    ASSERT_FALSE(program.Path().empty());
    MemorySettingsStore store;
    ProfileManager profile(store, program.Path());
    EXPECT_EQ(profile.LastImageFolder(), "");

    const std::string images = program.Path() + "My Images";
    std::filesystem::create_directory(images);
    profile.SetLastImageFolder(images);
    EXPECT_EQ(profile.HistoryFilePath(), program.Path() + "History/LoadLayerLastDir.txt");
    EXPECT_EQ(ReadFile(profile.HistoryFilePath()), images);
    EXPECT_EQ(profile.LastImageFolder(), images);

    // A folder that has gone, a relative path or an overlong file give no folder.
    profile.SetLastImageFolder(program.Path() + "gone");
    EXPECT_EQ(profile.LastImageFolder(), "");
    profile.SetLastImageFolder("History");
    EXPECT_EQ(profile.LastImageFolder(), "");
    profile.SetLastImageFolder(images + std::string(5000, '/'));
    EXPECT_EQ(profile.LastImageFolder(), "");
    // A line end added by hand is forgiven.
    std::ofstream(profile.HistoryFilePath(), std::ios::binary) << images << "\r\n";
    EXPECT_EQ(profile.LastImageFolder(), images);
}

TEST(ProfileManager, WritableFoldersFallBackToTheUserDataFolder) {
    TempFolder home;
    ASSERT_FALSE(home.Path().empty());
    ASSERT_EQ(setenv("XDG_DATA_HOME", (home.Path() + "data").c_str(), 1), 0);
    MemorySettingsStore store;

    // An installed copy: a program folder nobody may write to (it does not exist here, which also
    // holds when the tests run as root).
    ProfileManager installed(store, home.Path() + "missing/program/");
    EXPECT_EQ(installed.WritableFolder("Temp"), home.Path() + "data/Tintsmith/Temp/");
    installed.SetLastImageFolder(home.Path());
    EXPECT_EQ(ReadFile(home.Path() + "data/Tintsmith/History/LoadLayerLastDir.txt"), home.Path());
    EXPECT_EQ(installed.LastImageFolder(), home.Path());

    ProfileManager local(store, home.Path());
    EXPECT_EQ(local.WritableFolder("History/"), home.Path() + "History/");
    // A file in the way of the folder sends it to the user's folder too.
    std::ofstream(home.Path() + "Temp") << "x";
    EXPECT_EQ(local.WritableFolder("Temp/"), home.Path() + "data/Tintsmith/Temp/");

    // A relative XDG_DATA_HOME is ignored, as the XDG rules say.
    ASSERT_EQ(setenv("XDG_DATA_HOME", "relative/data", 1), 0);
    if (const char* userHome = getenv("HOME"); userHome != nullptr && userHome[0] != '\0') {
        EXPECT_EQ(ProfileManager::UserDataFolder(), std::string(userHome) + "/.local/share/Tintsmith/");
    }
    unsetenv("XDG_DATA_HOME");
}

TEST(ProfileManager, AnInstalledProgramFindsItsDataBesideBinAndABuildInItsOwnFolder) {
    TempFolder prefix;
    ASSERT_FALSE(prefix.Path().empty());
    std::filesystem::create_directories(prefix.Path() + "bin");
    // A build: nothing beside bin/, the executable's folder holds the data.
    ProfileManager::Location build = ProfileManager::LocateProgramFolder(prefix.Path() + "bin/");
    EXPECT_EQ(build.folder, prefix.Path() + "bin/");
    EXPECT_FALSE(build.installed);
    EXPECT_EQ(ProfileManager::LocateProgramFolder(prefix.Path() + "bin").folder, prefix.Path() + "bin/");

    std::filesystem::create_directories(prefix.Path() + "share/tintsmith");
    for (const std::string& bin : {prefix.Path() + "bin/", prefix.Path() + "bin"}) {
        const ProfileManager::Location installed = ProfileManager::LocateProgramFolder(bin);
        EXPECT_EQ(installed.folder, prefix.Path() + "share/tintsmith/");
        EXPECT_TRUE(installed.installed);
    }
}

TEST(ProfileManager, AReadOnlyProgramFolderIsNeverWrittenEvenWhenItCouldBe) {
    TempFolder home;
    ASSERT_FALSE(home.Path().empty());
    ASSERT_EQ(setenv("XDG_DATA_HOME", (home.Path() + "data").c_str(), 1), 0);
    const std::string program = home.Path() + "share/tintsmith/";
    std::filesystem::create_directories(program + "Palettes");
    MemorySettingsStore store;
    ProfileManager profile(store, program);
    profile.SetProgramFolderReadOnly(true);
    profile.LoadFolders();

    const std::string user = home.Path() + "data/Tintsmith/";
    EXPECT_EQ(profile.WritableFolder("Palettes/"), user + "Palettes/");
    EXPECT_EQ(profile.WritableFolder("Temp"), user + "Temp/");
    EXPECT_EQ(profile.DrawingsFolder(), user + "Drawings/");
    // The dialogs' default folders are made on first use, in the user's folder.
    EXPECT_EQ(profile.DialogFolder(RecentFolder::SaveDrawings), user + "SaveDrawings");
    EXPECT_TRUE(std::filesystem::is_directory(user + "SaveDrawings"));
    EXPECT_EQ(profile.ObjectWriteFolder(), user + "Objects");
    profile.SetLastImageFolder(home.Path());
    EXPECT_EQ(profile.HistoryFilePath(), user + "History/LoadLayerLastDir.txt");

    // Nothing appeared in the program folder.
    std::vector<std::string> inside;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(program)) {
        inside.push_back(entry.path().string());
    }
    EXPECT_EQ(inside, std::vector<std::string>{program + "Palettes"});
    unsetenv("XDG_DATA_HOME");
}

} // namespace
} // namespace ts
