#pragma once

#include "platform/settings_store.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ts {

// A most-recently-used list of file or folder paths, kept in one settings section as the values
// "file1" (most recent) to "fileN". Empty entries are not stored.
class RecentFileList {
public:
    static constexpr size_t kDisplayWidth = 40;

    RecentFileList(std::string section, int32_t size, std::string entryPrefix = "file");

    const std::string& Section() const { return m_section; }
    int32_t Size() const { return static_cast<int32_t>(m_entries.size()); }
    // Entry i (0 = most recent); empty when unused or out of range.
    const std::string& Entry(int32_t i) const;
    // Index of the entry equal to path (compared exactly, as paths are), or -1.
    int32_t Find(const std::string& path) const;

    // Puts path first. An equal entry moves to the front; otherwise the others move down one and the
    // last falls off. An empty path is ignored.
    void Add(const std::string& path);
    // Puts path into the first empty entry, after the ones in use; nothing when the list is full, the
    // path is empty or already listed.
    void Append(const std::string& path);
    // Removes entry i; the later ones move up and the last becomes empty.
    void Remove(int32_t i);
    void Clear();

    // Entry i as a menu shows it: at most kDisplayWidth characters (see Abbreviate).
    std::string DisplayName(int32_t i) const { return Abbreviate(Entry(i), kDisplayWidth); }

    // Shortens a path to at most width characters (UTF-8 characters, not bytes), keeping its start up
    // to the first folder and its file name, and putting "..." for the folders that do not fit:
    // "/home/.../Drawings/house.ts.png". When even "/home/.../" and the name are too long it gives
    // ".../name", then the name alone, then the start of the name followed by "...".
    static std::string Abbreviate(const std::string& path, size_t width);

    // Reads every entry (a missing value reads as empty) and writes them back.
    void Read(SettingsStore& store);
    void Write(SettingsStore& store) const;

private:
    std::string EntryName(int32_t i) const { return m_prefix + std::to_string(i + 1); }

    std::string m_section;
    std::string m_prefix;
    std::vector<std::string> m_entries;
};

} // namespace ts
