#pragma once

#include "platform/profile_settings.h"
#include "platform/recent_file_list.h"
#include "platform/settings_store.h"

#include <array>
#include <cstdint>
#include <string>

namespace ts {

// The start folders of the file dialogs, kept in section "RecentPaths" under these names.
enum class RecentFolder { OpenDrawings, SaveDrawings, Objects, Palettes, Textures, Images };
inline constexpr int32_t kRecentFolderCount = 6;

// The recent-path lists and their sections: "RecentDrawingPaths" (10 entries), "RecentObjectPaths",
// "RecentImagePaths", "RecentPalettePaths" and "RecentTexturePaths" (4 each).
enum class RecentList { Drawings, Objects, Images, Palettes, Textures };
inline constexpr int32_t kRecentListCount = 5;

// The program's settings over a settings store, with the read-or-seed rule: reading an integer that
// is missing, unreadable or the sentinel 9999 (a string: missing or the text "Missing") writes the
// caller's default and returns it, so after the first run every value in use exists in the store.
// Store failures are never reported.
//
// The program folder ends with '/'; relative data paths are joined to it by plain concatenation.
//
// Run from a build, the program folder is the executable's folder. Installed, the executable lives in
// <prefix>/bin/ and the program folder is <prefix>/share/tintsmith/, which is read-only: whatever the
// program writes then goes below the user's data folder, even where the prefix could be written to.
class ProfileManager {
public:
    static constexpr int32_t kMissingInt = 9999;
    static constexpr const char* kMissingText = "Missing";

    ProfileManager(SettingsStore& store, std::string programFolder);
    ProfileManager(const ProfileManager&) = delete;
    ProfileManager& operator=(const ProfileManager&) = delete;

    // The folder with the program's data for an executable in executableFolder (ending with '/'):
    // <prefix>/share/tintsmith/ beside an installed <prefix>/bin/, otherwise the executable's own folder.
    struct Location {
        std::string folder;     // ends with '/'
        bool installed = false; // the folder is read-only for the program
    };
    static Location LocateProgramFolder(const std::string& executableFolder);

    SettingsStore& Store() { return m_store; }
    const std::string& ProgramFolder() const { return m_programFolder; }
    // An installed program folder is never written to; WritableFolder then always gives the user's.
    void SetProgramFolderReadOnly(bool readOnly) { m_programFolderReadOnly = readOnly; }
    bool ProgramFolderReadOnly() const { return m_programFolderReadOnly; }

    int32_t GetInt(const std::string& section, const std::string& name, int32_t defaultValue);
    std::string GetString(const std::string& section, const std::string& name,
                          const std::string& defaultValue);
    void SetInt(const std::string& section, const std::string& name, int32_t value);
    void SetString(const std::string& section, const std::string& name, const std::string& value);

    int32_t Get(const IntSetting& s) { return GetInt(s.section, s.name, s.defaultValue); }
    std::string Get(const TextSetting& s) { return GetString(s.section, s.name, s.defaultValue); }
    void Set(const IntSetting& s, int32_t value) { SetInt(s.section, s.name, value); }
    void Set(const TextSetting& s, const std::string& value) { SetString(s.section, s.name, value); }

    // Reads the six "RecentPaths" values; each defaults to the program folder followed by its name
    // ("<folder>OpenDrawings"). Until then Folder() gives those defaults.
    void LoadFolders();
    const std::string& Folder(RecentFolder folder) const { return m_folders[Index(folder)]; }
    // The folder a file dialog starts in, always one that exists: the stored folder while it is one,
    // otherwise the value's default folder, made on first use in the program folder or, where that is
    // not writable, below the user's data folder (see WritableFolder).
    std::string DialogFolder(RecentFolder folder) const;
    // Stores a dialog's start folder when it differs from the one in the table.
    void SetFolder(RecentFolder folder, const std::string& path);
    static const char* FolderName(RecentFolder folder);

    // Section "Objects", value "Object Write Path": the start folder of "Save Layer As".
    std::string ObjectWritePath();
    void SetObjectWritePath(const std::string& path);
    // The start folder of "Save Layer As" as DialogFolder gives it: the stored one, or "Objects".
    std::string ObjectWriteFolder();
    // Section "UserDocPath", value "UserMyDocs": the user's documents folder; the program folder
    // while it holds the default.
    std::string UserDocPath();
    // Where proposed names of new drawings go: the documents folder's "Tintsmith/Drawings/", or the
    // program folder's "Drawings/" (the user's, when the program folder is read-only) while the
    // documents folder is the default.
    std::string DrawingsFolder();

    // Reads the five recent lists, tops up the palette list with the default palettes (see the .cpp)
    // and writes it back, then reads the page layout state (section "Layouts", value "Layouts").
    bool LoadRecentLists();
    RecentFileList& Recent(RecentList list) { return m_lists[Index(list)]; }
    const RecentFileList& Recent(RecentList list) const { return m_lists[Index(list)]; }
    // Writes one list back to the store.
    void SaveRecent(RecentList list) { Recent(list).Write(m_store); }
    const std::string& Layouts() const { return m_layouts; }
    void SetLayouts(const std::string& layouts);

    // The folder last used by the image import's file dialog, from "History/LoadLayerLastDir.txt";
    // empty when the file is missing or unreadable or does not name an existing folder.
    std::string LastImageFolder() const;
    // Writes folder to that file as plain bytes without a line end, creating the folder and the file
    // when missing. Failures are silent.
    void SetLastImageFolder(const std::string& folder) const;
    std::string HistoryFilePath() const { return WritableFolder("History/") + "LoadLayerLastDir.txt"; }

    // Where a writable data folder ("Temp/", "History/", "Palettes/") lives: in the program folder
    // when that folder (or, while it does not exist, the program folder) is writable and the program
    // folder is not read-only, otherwise below $XDG_DATA_HOME/Tintsmith/ (~/.local/share/Tintsmith/
    // when that is unset). Ends with '/'.
    std::string WritableFolder(const std::string& relative) const;
    // $XDG_DATA_HOME/Tintsmith/ or ~/.local/share/Tintsmith/; empty when neither can be found.
    static std::string UserDataFolder();

private:
    template <typename E> static size_t Index(E e) { return static_cast<size_t>(e); }
    // folder when it is an existing folder, otherwise the writable folder of that name, made when
    // missing; the program folder when even that cannot be made. Without a trailing '/'.
    std::string ExistingFolder(const std::string& folder, const char* name) const;

    SettingsStore& m_store;
    std::string m_programFolder;
    bool m_programFolderReadOnly = false;
    std::array<std::string, kRecentFolderCount> m_folders;
    std::array<RecentFileList, kRecentListCount> m_lists;
    std::string m_layouts;
};

} // namespace ts
