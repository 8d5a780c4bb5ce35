#pragma once

#include "palette/palette_color_list.h"
#include "platform/user_interface.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ts {

// A palette file is 8-bit text without a header: the colour count as eight lowercase hexadecimal
// digits and CR LF, then one line per colour: the colour value 0x00BBGGRR as eight lowercase digits,
// a space, the name (anything but CR; may be empty) and CR LF. A file declares 1 to 2048 colours;
// a palette keeps at most the first 512 of them.
constexpr int32_t kMaxPaletteFileColors = 2048;
// A declared file of 2048 colours with long names stays well below this; anything larger is not one.
constexpr size_t kMaxPaletteFileBytes = size_t{16} << 20;

inline constexpr const char* kPaletteCorruptMessage = "Palette File has become corrupt.";

// Whether bytes form a valid palette file: a count of 1..2048 and that many colour lines, every
// digit in 0-9 or a-f, every value at most 0x00FFFFFF, every line ended by CR LF. A body shorter than
// its count is invalid; what follows the declared lines is not read.
bool ValidatePaletteFile(std::string_view bytes);

// The colours of a valid palette file, the first kMaxColors of them; nothing when it is invalid. The
// list is given the name; the entries' sort keys are their luminance.
std::optional<PaletteColorList> ParsePaletteFile(std::string_view bytes, const std::string& name = {});

// The bytes of a palette file holding the list. A CR inside a name would end its line early, so it is
// left out.
std::string FormatPaletteFile(const PaletteColorList& list);

// The name of a palette read from a file: the file's name (without its folder) up to its first '.'.
std::string PaletteNameOf(const std::string& path);
// Whether a path names a palette file: its extension (after the last '.') is "pal" in any case.
bool HasPaletteExtension(const std::string& path);

// Reads a whole file; false when it cannot be opened or read, or is larger than kMaxPaletteFileBytes.
bool ReadPaletteBytes(const std::string& path, std::string& bytes);
// Reads and validates a palette file; nothing when it cannot be read or is invalid.
std::optional<PaletteColorList> ReadPaletteFile(const std::string& path);
// Writes the list as a palette file through a temporary file beside it, so a failed write leaves an
// existing file as it was. False when it could not be written.
bool WritePaletteFile(const std::string& path, const PaletteColorList& list);

// The start-up check of a palettes folder: every file of non-zero length ending in ".pal" or ".PAL" is
// validated. The program's own scratch palettes ("VizodiriZeriviri.pal", "...2.pal", "...3.pal") are
// removed at once when invalid; for any other invalid file the user is asked whether to remove it.
// Returns the number of files removed.
int32_t CheckPaletteFolder(const std::string& folder, UserInterface& ui);

} // namespace ts
