#pragma once

#include <cstdio>
#include <string>

namespace ts {

// Writes a file so that it either appears complete or not at all: the bytes go to a new file beside the
// target, which replaces the target only when everything was written and flushed. Until Commit, an
// earlier file of the target's name stays as it was; abandoning (or destroying the object) removes the
// new file.
class ReplacingFile {
public:
    ReplacingFile() = default;
    ~ReplacingFile() { Abandon(); }
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Creates the new file in the target's folder. False with errno's value in Error() when it cannot be
    // made (no folder, no permission).
    bool Open(const std::string& target);
    std::FILE* File() const { return m_file; }
    // Flushes, closes and renames the new file over the target, keeping the target's permissions when it
    // existed. False (the target untouched, the new file removed) on any failure.
    bool Commit();
    void Abandon();
    int Error() const { return m_error; }

private:
    std::string m_target;
    std::string m_temporary;
    std::FILE* m_file = nullptr;
    int m_error = 0;
};

} // namespace ts
