#pragma once

#include "files/drawing_stream.h"
#include "platform/image24.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace ts {

// The program's drawing-file handler: takes file names apart, opens files, and reads the legacy
// ".tsl" files, which hold either a drawing stream written straight to the file (no PNG, no
// compression) or a single picture (the splash backdrops).
class CTslFile {
public:
    enum class Kind { kLegacy, kDrawingPng, kOther };

    // A dot and the text after the last dot of the file-name part; empty when the name has no dot.
    static std::string Extension(const std::string& path);
    // ".tsl", ".TSL" and ".Tsl" are legacy drawings; ".png", ".PNG" and ".Png" drawing PNGs; any other
    // spelling is neither.
    static Kind KindOf(const std::string& path);
    // The name with the drawing extension: ".ts.png" appended to a name without a dot; with one dot,
    // what follows it becomes "ts.png"; with more, what follows the second-to-last dot does.
    static std::string ForceExtension(const std::string& name);
    // The file-name part of a path (the text after the last '/').
    static std::string FileName(const std::string& path);
    // The folder part of a path, ending with '/'; empty for a bare name.
    static std::string Folder(const std::string& path);
    // The folder part as the file dialogs keep it: without the trailing '/'.
    static std::string DialogFolder(const std::string& path);

    // Opens a file for reading; null with errno's value in error when it cannot be.
    static std::FILE* OpenForReading(const std::string& path, int& error);
    // The whole file, at most maxBytes long (a longer file is refused with EFBIG).
    static bool ReadWhole(const std::string& path, std::vector<uint8_t>& bytes, int& error,
                          uint64_t maxBytes = uint64_t{1} << 30);

    // A picture ".tsl": an ignored value, a value that must be 0, five ignored values, a value that
    // must not be 0, then an image record. False (image unchanged) for anything else.
    static bool ReadImageTsl(const std::string& path, Image24& image);
    static bool ParseImageTsl(const uint8_t* bytes, size_t size, Image24& image);
};

} // namespace ts
