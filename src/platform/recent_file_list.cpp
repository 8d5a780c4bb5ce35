#include "platform/recent_file_list.h"

#include <algorithm>
#include <cstddef>

namespace ts {

namespace {

bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Length in UTF-8 characters.
size_t Chars(const std::string& text) {
    return static_cast<size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return !IsContinuationByte(c); }));
}

// The first n UTF-8 characters of text.
std::string FirstChars(const std::string& text, size_t n) {
    size_t bytes = 0;
    for (size_t seen = 0; bytes < text.size(); ++bytes) {
        if (!IsContinuationByte(text[bytes]) && seen++ == n) {
            break;
        }
    }
    return text.substr(0, bytes);
}

} // namespace

RecentFileList::RecentFileList(std::string section, int32_t size, std::string entryPrefix)
    : m_section(std::move(section)), m_prefix(std::move(entryPrefix)),
      m_entries(static_cast<size_t>(std::max(size, 1))) {}

const std::string& RecentFileList::Entry(int32_t i) const {
    static const std::string empty;
    return i >= 0 && i < Size() ? m_entries[static_cast<size_t>(i)] : empty;
}

int32_t RecentFileList::Find(const std::string& path) const {
    if (path.empty()) {
        return -1;
    }
    const auto it = std::find(m_entries.begin(), m_entries.end(), path);
    return it == m_entries.end() ? -1 : static_cast<int32_t>(it - m_entries.begin());
}

void RecentFileList::Add(const std::string& path) {
    if (path.empty()) {
        return;
    }
    const int32_t found = Find(path);
    const size_t from = found >= 0 ? static_cast<size_t>(found) : m_entries.size() - 1;
    std::rotate(m_entries.begin(), m_entries.begin() + static_cast<ptrdiff_t>(from),
                m_entries.begin() + static_cast<ptrdiff_t>(from) + 1);
    m_entries.front() = path;
}

void RecentFileList::Append(const std::string& path) {
    if (path.empty() || Find(path) >= 0) {
        return;
    }
    const auto empty = std::find(m_entries.begin(), m_entries.end(), std::string());
    if (empty != m_entries.end()) {
        *empty = path;
    }
}

void RecentFileList::Remove(int32_t i) {
    if (i < 0 || i >= Size()) {
        return;
    }
    m_entries.erase(m_entries.begin() + i);
    m_entries.emplace_back();
}

void RecentFileList::Clear() {
    std::fill(m_entries.begin(), m_entries.end(), std::string());
}

std::string RecentFileList::Abbreviate(const std::string& path, size_t width) {
    width = std::max<size_t>(width, 4);
    if (Chars(path) <= width) {
        return path;
    }
    const size_t lastSlash = path.rfind('/');
    const std::string name = lastSlash == std::string::npos ? path : path.substr(lastSlash + 1);
    if (lastSlash != std::string::npos) {
        // The head ends with the slash after the first folder; "..." replaces whole folders after it,
        // dropped from the left until the rest fits.
        const size_t headEnd = path.find('/', path[0] == '/' ? 1 : 0);
        if (headEnd < lastSlash) {
            const std::string head = path.substr(0, headEnd + 1) + ".../";
            const std::string middle = path.substr(headEnd + 1, lastSlash - headEnd);
            for (size_t pos = middle.find('/') + 1; pos <= middle.size(); pos = middle.find('/', pos) + 1) {
                std::string candidate = head + middle.substr(pos) + name;
                if (Chars(candidate) <= width) {
                    return candidate;
                }
                if (pos == middle.size()) {
                    break;
                }
            }
        }
        if (Chars(name) + 4 <= width) {
            return ".../" + name;
        }
    }
    if (Chars(name) <= width) {
        return name;
    }
    return FirstChars(name, width - 3) + "...";
}

void RecentFileList::Read(SettingsStore& store) {
    for (int32_t i = 0; i < Size(); ++i) {
        std::string value;
        m_entries[static_cast<size_t>(i)] = store.ReadString(m_section, EntryName(i), value) ? value : "";
    }
}

void RecentFileList::Write(SettingsStore& store) const {
    for (int32_t i = 0; i < Size(); ++i) {
        const std::string& entry = m_entries[static_cast<size_t>(i)];
        if (entry.empty()) {
            store.Remove(m_section, EntryName(i));
        } else {
            store.WriteString(m_section, EntryName(i), entry);
        }
    }
}

} // namespace ts
