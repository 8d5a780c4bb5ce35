#include "palette/palette_color_list.h"

#include "palette/color_keys.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace ts {

PaletteEntry MakeEntry(uint32_t color, int32_t sourceIndex, int32_t count, std::string name) {
    PaletteEntry e;
    e.color = color & 0x00FFFFFFu;
    e.sourceIndex = sourceIndex;
    e.count = count;
    e.sortKey = LuminanceOf(e.color);
    e.name = std::move(name);
    return e;
}

int32_t ChannelDistance(uint32_t a, uint32_t b) {
    return std::abs(static_cast<int32_t>(RedOf(a)) - static_cast<int32_t>(RedOf(b))) +
           std::abs(static_cast<int32_t>(GreenOf(a)) - static_cast<int32_t>(GreenOf(b))) +
           std::abs(static_cast<int32_t>(BlueOf(a)) - static_cast<int32_t>(BlueOf(b)));
}

bool PaletteColorList::Append(PaletteEntry entry) {
    if (Full()) {
        return false;
    }
    entry.color &= 0x00FFFFFFu;
    m_entries.push_back(std::move(entry));
    return true;
}

PaletteColorList::AddResult PaletteColorList::Add(const PaletteEntry& entry) {
    const int32_t existing = FindLast(entry.color);
    if (existing >= 0) {
        PaletteEntry& old = Entry(existing);
        if (entry.name.empty() || entry.name == old.name) {
            return AddResult::kAlreadyThere;
        }
        if (old.name.empty()) {
            old = entry;
            old.color &= 0x00FFFFFFu;
            return AddResult::kNamedExisting;
        }
    }
    return Append(entry) ? AddResult::kAdded : AddResult::kFull;
}

int32_t PaletteColorList::FindLast(uint32_t color) const {
    color &= 0x00FFFFFFu;
    for (int32_t i = Count() - 1; i >= 0; --i) {
        if (Entry(i).color == color) {
            return i;
        }
    }
    return -1;
}

bool PaletteColorList::RemoveLast(uint32_t color) {
    const int32_t at = FindLast(color);
    if (at < 0 || Count() <= 1) {
        return false;
    }
    m_entries.erase(m_entries.begin() + at);
    return true;
}

void PaletteColorList::Erase(int32_t index) {
    if (index >= 0 && index < Count()) {
        m_entries.erase(m_entries.begin() + index);
    }
}

int32_t PaletteColorList::Nearest(uint32_t color) const {
    int32_t best = -1;
    int32_t bestDistance = kFarAway;
    for (int32_t i = 0; i < Count(); ++i) {
        const int32_t d = ChannelDistance(Entry(i).color, color);
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

int32_t PaletteColorList::MarkedIndex() const {
    for (int32_t i = 0; i < Count(); ++i) {
        if (Entry(i).selected) {
            return i;
        }
    }
    return -1;
}

void PaletteColorList::ClearMarks() {
    for (PaletteEntry& e : m_entries) {
        e.selected = false;
    }
}

namespace {

float SortKeyOf(const PaletteEntry& e, PaletteSortKind kind) {
    switch (kind) {
    case PaletteSortKind::kHueAngle:
        return HueAngleOf(e.color);
    case PaletteSortKind::kChroma:
        return ChromaOf(e.color);
    case PaletteSortKind::kCountChroma:
        return ChromaOf(static_cast<uint32_t>(e.count) & 0x00FFFFFFu);
    case PaletteSortKind::kLuminance:
    default:
        return LuminanceOf(e.color);
    }
}

} // namespace

void PaletteColorList::Sort(PaletteSortKind kind, bool descendingOrder) {
    std::vector<float> keys;
    keys.reserve(m_entries.size());
    for (const PaletteEntry& e : m_entries) {
        keys.push_back(SortKeyOf(e, kind));
    }
    // Exchange passes until one exchanges nothing: stable, and a list holds at most 512 entries.
    for (bool exchanged = true; exchanged;) {
        exchanged = false;
        for (size_t i = 1; i < m_entries.size(); ++i) {
            const bool outOfOrder = descendingOrder ? keys[i - 1] < keys[i] : keys[i - 1] > keys[i];
            if (outOfOrder) {
                std::swap(keys[i - 1], keys[i]);
                std::swap(m_entries[i - 1], m_entries[i]);
                exchanged = true;
            }
        }
    }
    sortKind = kind;
    descending = descendingOrder;
}

void PaletteColorList::Reverse() {
    std::reverse(m_entries.begin(), m_entries.end());
    descending = !descending;
}

} // namespace ts
