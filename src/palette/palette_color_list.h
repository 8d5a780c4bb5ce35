#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ts {

// One colour of a palette.
struct PaletteEntry {
    uint32_t color = 0;      // 0x00BBGGRR
    int32_t sourceIndex = 0; // the pencil or board it came from, or its place in a calculated ramp
    int32_t count = 0;       // pixels of its histogram cell; the pencil's place for the Pencils palette
    float sortKey = 0.0f;    // luminance Y, 0..1
    bool selected = false;   // the entry that stands for the selected colour (drawn highlighted)
    std::string name;        // empty for unnamed colours
};

// How a list is ordered: by luminance, hue angle, chroma, or the chroma of the count field read as a
// colour.
enum class PaletteSortKind : int32_t { kLuminance = 0, kHueAngle = 1, kChroma = 2, kCountChroma = 3 };

// The colours of one palette: at most kMaxColors entries, in display order.
class PaletteColorList {
public:
    static constexpr int32_t kMaxColors = 512;
    // Distances of the nearest-entry search start above the largest possible sum of differences.
    static constexpr int32_t kFarAway = 1000000;

    enum class AddResult { kAdded, kNamedExisting, kAlreadyThere, kFull };

    int32_t Count() const { return static_cast<int32_t>(m_entries.size()); }
    bool Empty() const { return m_entries.empty(); }
    bool Full() const { return Count() >= kMaxColors; }
    const std::vector<PaletteEntry>& Entries() const { return m_entries; }
    const PaletteEntry& Entry(int32_t i) const { return m_entries[static_cast<size_t>(i)]; }
    PaletteEntry& Entry(int32_t i) { return m_entries[static_cast<size_t>(i)]; }

    // Appends without the adding rules; false when the list is full.
    bool Append(PaletteEntry entry);
    // The adding rules: an entry of a colour already listed only gives that entry its name when it had
    // none, and is added as a second entry only when both carry different names; an unnamed entry of a
    // listed colour adds nothing. A full list takes nothing (kFull: the caller tells the user).
    AddResult Add(const PaletteEntry& entry);
    // The index of the last entry of this colour, or -1.
    int32_t FindLast(uint32_t color) const;
    bool Contains(uint32_t color) const { return FindLast(color) >= 0; }
    // Deletes the last entry of this colour, later ones moving down; a list of one entry keeps it.
    // False when nothing was deleted.
    bool RemoveLast(uint32_t color);
    // Deletes the entry at an index (no rule); nothing outside the list.
    void Erase(int32_t index);
    // The entry with the smallest sum of channel differences to the colour (the first of equals);
    // -1 for an empty list.
    int32_t Nearest(uint32_t color) const;
    // The index of the entry marked selected, or -1.
    int32_t MarkedIndex() const;
    void ClearMarks();

    // Exchange sort by a key, repeated until a pass exchanges nothing (so equal keys keep their
    // order); the kind and direction are remembered.
    void Sort(PaletteSortKind kind, bool descending);
    // The list end for end; the direction flips.
    void Reverse();
    void Clear() { m_entries.clear(); }

    PaletteSortKind sortKind = PaletteSortKind::kLuminance;
    bool descending = false;
    std::string name; // a file's palette: the file's name up to its first '.'

private:
    std::vector<PaletteEntry> m_entries;
};

// One displayed palette: its colours, the entry shown in the first colour swatch, and for palettes
// taken from pixels the histogram's count-weighted mean colour.
struct Palette {
    int32_t scrollOffset = 0;
    PaletteColorList list;
    uint32_t averageColor = 0;
};

// An entry for a colour: its sort key is its luminance.
PaletteEntry MakeEntry(uint32_t color, int32_t sourceIndex = 0, int32_t count = 0, std::string name = {});

// The sum of the absolute differences of two colours' channels.
int32_t ChannelDistance(uint32_t a, uint32_t b);

} // namespace ts
