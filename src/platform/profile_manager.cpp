#include "platform/profile_manager.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace ts {

namespace {

namespace fs = std::filesystem;

constexpr const char* kRecentPathsSection = "RecentPaths";
constexpr const char* kFolderNames[kRecentFolderCount] = {"OpenDrawings", "SaveDrawings", "Objects",
                                                          "Palettes",     "Textures",     "Images"};

// The palettes a short recent palette list is topped up with, in this order.
constexpr const char* kDefaultPalettes[] = {"Rosewood.pal", "BlueBungalow.pal", "Sculpture.pal",
                                            "Bavinger.pal"};

// The history file is a folder path; anything longer is not one.
constexpr size_t kMaxHistoryBytes = 4096;

// The file title of a path: its last component.
std::string FileTitle(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool ListHasTitle(const RecentFileList& list, const std::string& title) {
    for (int32_t i = 0; i < list.Size(); ++i) {
        if (!list.Entry(i).empty() && FileTitle(list.Entry(i)) == title) {
            return true;
        }
    }
    return false;
}

// Whether anything (a folder, a file, a dangling link) has this name; a trailing '/' is ignored.
bool NameTaken(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    std::error_code error;
    return fs::symlink_status(path, error).type() != fs::file_type::not_found && !error;
}

bool IsWritableFolder(const std::string& path) {
    std::error_code error;
    return fs::is_directory(path, error) && access(path.c_str(), W_OK | X_OK) == 0;
}

} // namespace

ProfileManager::ProfileManager(SettingsStore& store, std::string programFolder)
    : m_store(store),
      m_programFolder(std::move(programFolder)), m_lists{RecentFileList("RecentDrawingPaths", 10),
                                                         RecentFileList("RecentObjectPaths", 4),
                                                         RecentFileList("RecentImagePaths", 4),
                                                         RecentFileList("RecentPalettePaths", 4),
                                                         RecentFileList("RecentTexturePaths", 4)} {
    for (size_t i = 0; i < m_folders.size(); ++i) {
        m_folders[i] = m_programFolder + kFolderNames[i];
    }
}

int32_t ProfileManager::GetInt(const std::string& section, const std::string& name, int32_t defaultValue) {
    int32_t value = 0;
    if (m_store.ReadInt(section, name, value) && value != kMissingInt) {
        return value;
    }
    m_store.WriteInt(section, name, defaultValue);
    return defaultValue;
}

std::string ProfileManager::GetString(const std::string& section, const std::string& name,
                                      const std::string& defaultValue) {
    std::string value;
    if (m_store.ReadString(section, name, value) && value != kMissingText) {
        return value;
    }
    m_store.WriteString(section, name, defaultValue);
    return defaultValue;
}

void ProfileManager::SetInt(const std::string& section, const std::string& name, int32_t value) {
    m_store.WriteInt(section, name, value);
}

void ProfileManager::SetString(const std::string& section, const std::string& name,
                               const std::string& value) {
    m_store.WriteString(section, name, value);
}

const char* ProfileManager::FolderName(RecentFolder folder) {
    return kFolderNames[Index(folder)];
}

void ProfileManager::LoadFolders() {
    for (size_t i = 0; i < m_folders.size(); ++i) {
        m_folders[i] = GetString(kRecentPathsSection, kFolderNames[i], m_programFolder + kFolderNames[i]);
    }
}

void ProfileManager::SetFolder(RecentFolder folder, const std::string& path) {
    std::string& current = m_folders[Index(folder)];
    if (current != path) {
        current = path;
        SetString(kRecentPathsSection, FolderName(folder), path);
    }
}

std::string ProfileManager::ExistingFolder(const std::string& folder, const char* name) const {
    std::error_code error;
    if (!folder.empty() && fs::is_directory(folder, error)) {
        return folder;
    }
    std::string made = WritableFolder(name);
    fs::create_directories(made, error);
    if (!fs::is_directory(made, error)) {
        made = m_programFolder;
    }
    while (made.size() > 1 && made.back() == '/') {
        made.pop_back();
    }
    return made;
}

std::string ProfileManager::DialogFolder(RecentFolder folder) const {
    return ExistingFolder(Folder(folder), FolderName(folder));
}

std::string ProfileManager::ObjectWriteFolder() {
    return ExistingFolder(ObjectWritePath(), "Objects");
}

std::string ProfileManager::ObjectWritePath() {
    return GetString("Objects", "Object Write Path", m_programFolder + "Objects");
}

void ProfileManager::SetObjectWritePath(const std::string& path) {
    SetString("Objects", "Object Write Path", path);
}

std::string ProfileManager::UserDocPath() {
    return GetString("UserDocPath", "UserMyDocs", m_programFolder);
}

std::string ProfileManager::DrawingsFolder() {
    std::string documents = UserDocPath();
    if (documents == m_programFolder) {
        return m_programFolderReadOnly ? WritableFolder("Drawings/") : m_programFolder + "Drawings/";
    }
    while (!documents.empty() && documents.back() == '/') {
        documents.pop_back();
    }
    return documents + "/Tintsmith/Drawings/";
}

// While the fourth palette entry is empty, the first default palette whose file title is not yet
// listed is added (at the front, as any recent entry is). The loop ends after at most four additions
// because each adds a title that was missing.
bool ProfileManager::LoadRecentLists() {
    for (RecentFileList& list : m_lists) {
        list.Read(m_store);
    }
    RecentFileList& palettes = Recent(RecentList::Palettes);
    while (palettes.Entry(3).empty()) {
        const char* missing = nullptr;
        for (const char* name : kDefaultPalettes) {
            if (!ListHasTitle(palettes, name)) {
                missing = name;
                break;
            }
        }
        if (missing == nullptr) {
            break;
        }
        // The defaults fill the list's empty entries in their own order, after the user's palettes.
        palettes.Append(m_programFolder + "Palettes/" + missing);
    }
    palettes.Write(m_store);
    m_layouts = GetString("Layouts", "Layouts", "");
    return true;
}

void ProfileManager::SetLayouts(const std::string& layouts) {
    m_layouts = layouts;
    SetString("Layouts", "Layouts", layouts);
}

std::string ProfileManager::LastImageFolder() const {
    std::ifstream file(HistoryFilePath(), std::ios::binary);
    if (!file) {
        return "";
    }
    std::string folder(kMaxHistoryBytes + 1, '\0');
    file.read(folder.data(), static_cast<std::streamsize>(folder.size()));
    folder.resize(static_cast<size_t>(file.gcount()));
    // A line end added by hand is forgiven; NULs or a relative path are not a folder we wrote.
    while (!folder.empty() && (folder.back() == '\n' || folder.back() == '\r')) {
        folder.pop_back();
    }
    if (folder.empty() || folder.size() > kMaxHistoryBytes || folder.front() != '/' ||
        folder.find('\0') != std::string::npos) {
        return "";
    }
    std::error_code error;
    return fs::is_directory(folder, error) ? folder : "";
}

void ProfileManager::SetLastImageFolder(const std::string& folder) const {
    const std::string path = HistoryFilePath();
    std::error_code error;
    fs::create_directories(fs::path(path).parent_path(), error);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(folder.data(), static_cast<std::streamsize>(folder.size()));
}

std::string ProfileManager::WritableFolder(const std::string& relative) const {
    std::string rel = relative;
    if (!rel.empty() && rel.back() != '/') {
        rel += '/';
    }
    const std::string local = m_programFolder + rel;
    if (!m_programFolderReadOnly &&
        (IsWritableFolder(local) || (!NameTaken(local) && IsWritableFolder(m_programFolder)))) {
        return local;
    }
    const std::string user = UserDataFolder();
    return user.empty() ? local : user + rel;
}

ProfileManager::Location ProfileManager::LocateProgramFolder(const std::string& executableFolder) {
    // <prefix>/bin/ gives <prefix>/share/tintsmith/; a build folder's bin/ has no share/ beside it.
    fs::path executable(executableFolder);
    if (!executable.has_filename()) {
        executable = executable.parent_path();
    }
    const fs::path installed = executable.parent_path() / "share" / "tintsmith";
    std::error_code error;
    if (fs::is_directory(installed, error)) {
        return {installed.lexically_normal().string() + "/", true};
    }
    std::string folder = executableFolder;
    if (folder.empty() || folder.back() != '/') {
        folder += '/';
    }
    return {folder, false};
}

std::string ProfileManager::UserDataFolder() {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome != nullptr && dataHome[0] == '/') {
        std::string folder = dataHome;
        while (folder.size() > 1 && folder.back() == '/') {
            folder.pop_back();
        }
        return (folder == "/" ? "" : folder) + "/Tintsmith/";
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0') {
        return std::string(home) + "/.local/share/Tintsmith/";
    }
    return "";
}

} // namespace ts
