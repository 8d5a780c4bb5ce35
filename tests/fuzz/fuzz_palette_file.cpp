// Feeds arbitrary bytes as the contents of a palette file.
//
// Whatever the bytes, validation and reading agree, an accepted file gives at most 512 colours within
// 0x00FFFFFF whose names hold no CR, and writing the palette back gives a valid file that reads as
// the same palette. The strip's condensed variant of it stays within the list.

#include "palette/palette_builders.h"
#include "palette/palette_file.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

void Require(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

bool SameEntries(const ts::PaletteColorList& a, const ts::PaletteColorList& b) {
    if (a.Count() != b.Count()) {
        return false;
    }
    for (int32_t i = 0; i < a.Count(); ++i) {
        if (a.Entry(i).color != b.Entry(i).color || a.Entry(i).name != b.Entry(i).name) {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const bool valid = ts::ValidatePaletteFile(bytes);
    const auto list = ts::ParsePaletteFile(bytes, "Fuzz");
    Require(valid == list.has_value());
    if (!list) {
        return 0;
    }
    Require(list->Count() >= 1 && list->Count() <= ts::PaletteColorList::kMaxColors);
    for (const ts::PaletteEntry& e : list->Entries()) {
        Require(e.color <= 0x00FFFFFFu && e.name.find('\r') == std::string::npos);
    }
    const std::string written = ts::FormatPaletteFile(*list);
    const auto again = ts::ParsePaletteFile(written, "Fuzz");
    Require(again.has_value() && SameEntries(*list, *again));
    Require(ts::FormatPaletteFile(*again) == written);

    const int32_t swatches = static_cast<int32_t>(size % 64);
    const ts::PaletteColorList condensed = ts::CondensePalette(*list, swatches);
    Require(condensed.Count() <= swatches && condensed.Count() <= list->Count());
    for (const ts::PaletteEntry& e : condensed.Entries()) {
        Require(list->Contains(e.color));
    }
    return 0;
}
