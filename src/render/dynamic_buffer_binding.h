#pragma once

// What the stroke engine's set-up of a stroke and its dabs share: the buffer slots, the stroke's
// coverage record and the binding of the layer's buffers.

#include "render/dynamic_buffer_set.h"
#include "render/stroke_rules.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace ts {

namespace strokeslots {

// Byte-per-pixel slots.
enum ByteSlot : int32_t {
    kBlue = 0,
    kGreen,
    kRed,
    kAmount,
    kAppearance,
    kLighting,
    kLightIndex,
    kLineAppearanceIndex,
    kLineColorIndex,
    kByteSlots = 32,
};

// Coverage slots.
enum CoverSlot : int32_t {
    kLineCoverage = 0,
    kReference,
    kCoverSlots = 16,
};

// Row flags: bit s for a byte slot s whose window row differs from the stored row.
constexpr uint32_t kLayerDirty = 0xFFFFFFFFu;

constexpr uint32_t SlotBit(int32_t slot) {
    return 1u << slot;
}

constexpr uint16_t kFull = 0xFFFF;

inline bool IsColorType(int32_t t) {
    return t == kStrokeColor || t == kStrokeEraseColor || t == kStrokeBlend || t == kStrokeHue ||
           t == kStrokeSaturation || t == kStrokeValue || t == kStrokeSurfaceEraser;
}

// Types whose rule erases colour, lighting or both (the eraser's combinations with lines included; the
// line part of those is not applied yet).
inline bool ErasesColor(int32_t t) {
    return t == kStrokeEraseColor || t == kStrokeEraseColorAndLighting ||
           t == kStrokeEraseLinesColorLighting || t == kStrokeEraseLinesColor;
}
inline bool ErasesLighting(int32_t t) {
    return t == kStrokeEraseLighting || t == kStrokeEraseColorAndLighting ||
           t == kStrokeEraseLinesColorLighting || t == kStrokeEraseLinesLighting;
}

// The mixes of one tool colour over the colours a stroke meets, by (colour, strength): painting over a
// flat or already painted area meets the same few colours again and again.
class MixCache {
public:
    uint32_t Mix(uint32_t old, uint8_t s, uint32_t tool, int32_t toolLightness) {
        const uint32_t key = old | static_cast<uint32_t>(s) << 24;
        uint64_t& entry = m_entries[(key * 0x9E3779B1u) >> (32 - kBits)];
        if ((entry & kValid) != 0 && static_cast<uint32_t>(entry >> 32) == key) {
            return static_cast<uint32_t>(entry) & 0xFFFFFF;
        }
        const uint32_t mixed = stroke::MixColor(old, tool, s, toolLightness);
        entry = static_cast<uint64_t>(key) << 32 | kValid | mixed;
        return mixed;
    }

    void Clear() { m_entries.fill(0); }

private:
    static constexpr int kBits = 10;
    static constexpr uint64_t kValid = 0x80000000u;
    std::array<uint64_t, size_t{1} << kBits> m_entries{};
};

} // namespace strokeslots

using namespace strokeslots;

// The stroke's coverage record: for every layer pixel the 4 x 4 sub-pixels covered so far in the
// stroke, all zero at its start. Only the part under the stroke ever holds anything, so it is kept as
// tiles of plain 16-bit masks taken on first touch, 128 columns by 32 rows: wide, so that a footprint
// row rarely spans two of them. The tiles stay with the engine from stroke to stroke, so a stroke
// allocates only where it covers more ground than any before it.
class DynamicBufferSet::CoverageStore {
public:
    static constexpr int32_t kTileShift = 7; // columns
    static constexpr int32_t kTile = 1 << kTileShift;
    static constexpr int32_t kTileRowShift = 5;
    static constexpr int32_t kTileRows = 1 << kTileRowShift;

    bool Reset(int32_t width, int32_t height) {
        m_used = 0;
        m_tilesX = (width + kTile - 1) >> kTileShift;
        try {
            m_map.assign(static_cast<size_t>(m_tilesX) *
                             static_cast<size_t>((height + kTileRows - 1) >> kTileRowShift),
                         nullptr);
        } catch (const std::bad_alloc&) {
            return false;
        }
        return true;
    }
    // Row y of the tile holding column tx x 128 onwards, as masks of columns tx x 128 ..; null when out
    // of memory.
    uint16_t* Row(int32_t y, int32_t tx) {
        uint16_t*& tile = m_map[static_cast<size_t>((y >> kTileRowShift) * m_tilesX + tx)];
        if (!tile && !(tile = Take())) {
            return nullptr;
        }
        return tile + static_cast<ptrdiff_t>(y & (kTileRows - 1)) * kTile;
    }

private:
    uint16_t* Take() {
        if (m_used == m_pool.size()) {
            try {
                m_pool.push_back(std::make_unique<uint16_t[]>(kTile * kTileRows));
            } catch (const std::bad_alloc&) {
                return nullptr;
            }
        }
        uint16_t* tile = m_pool[m_used++].get();
        std::memset(tile, 0, sizeof(uint16_t) * kTile * kTileRows);
        return tile;
    }

    int32_t m_tilesX = 0;
    std::vector<uint16_t*> m_map;
    std::vector<std::unique_ptr<uint16_t[]>> m_pool;
    size_t m_used = 0;
};

// The row windows hold only the columns a stroke can reach, not whole layer rows: window column 0 is
// layer column spanLeft. A row leaves a window through RLBuffer::PutSpan, which re-encodes only the
// columns the dabs changed and keeps the stored codes around them (or writes the new bytes straight into
// the codes when they can stay); it enters the window undecoded, and the dabs decode the columns they
// reach as they first reach them (a little more, so that the next dabs along the row find theirs). So
// what a dab costs follows the pixels it covers, not the layer's width nor the window's.
// With deferred commits the changed rows stay in the windows from one mouse event to the next, so that a
// row the brush crosses many times is stored once: the windowed buffers are hooked to the engine (see
// HeldRows), the compositor's reads take the held bytes over the stored codes, and anything else that
// uses a buffer has its rows stored first. The stored rows thus stay the one truth for files, undo
// records and every other reader; only the refresh looks into the windows.
struct DynamicBufferSet::Binding {
    std::array<RLBuffer*, kByteSlots> bytes{};
    std::array<RLBuffer*, kCoverSlots> coverage{};
    std::vector<RLBuffer*> windowed;                 // layer buffers the rule works on, through windows
    std::vector<uint32_t> windowedBits;              // the slot bit of each
    std::vector<int32_t> windowSlots;                // and its slot
    std::vector<ImageBuffer*> windows;               // their open windows (empty while closed)
    std::vector<std::unique_ptr<ImageBuffer>> owned; // the windows, one per windowed buffer
    std::array<ImageBuffer*, kByteSlots> slotWindow{};
    int32_t width = 0;
    int32_t height = 0;
    int32_t windowRows = 0;
    int32_t first = 0;     // buffer row of window row 0
    int32_t spanLeft = 0;  // layer column of window column 0
    int32_t spanRight = 0; // one past the last layer column held
    bool loaded = false;
    bool windowsFailed = false;
    // What the stroke knows of each layer row, in one record.
    struct RowState {
        uint32_t flags = 0; // the slots whose window row differs from the stored row
        // The columns changed since the row was last stored (dirtyFrom >= dirtyTo: none).
        int32_t dirtyFrom = 0;
        int32_t dirtyTo = 0;
        // While the row is in the windows, the columns decoded into them (heldFrom >= heldTo: none
        // yet); the same for every window.
        int32_t heldFrom = 0;
        int32_t heldTo = 0;
    };
    std::vector<RowState> rows;               // per layer row
    std::vector<uint32_t> leaving;            // flags of the rows a scroll lets go
    std::unique_ptr<MixCache> mixes;          // colour painting's mixes for the tool colour mixesTool
    std::unique_ptr<TransferSource> transfer; // type 24 as the merge brush: its colour and lighting
    uint32_t mixesTool = 0;
    // Colour painting's strength at k covered sub-pixels, for the strength strengthFor (-1: none yet).
    uint8_t strengthOf[17] = {};
    int32_t strengthFor = -1;
    // Running sums of the blend types: three colour bytes (or the level) and the lightness.
    double sums[4] = {0, 0, 0, 0};
    uint64_t count = 0;

    // Window row y of a slot, indexed by layer column (valid from spanLeft to spanRight).
    uint8_t* Row(int32_t slot, int32_t y) { return RowOf(*slotWindow[static_cast<size_t>(slot)], y); }
    uint8_t* RowOf(ImageBuffer& window, int32_t y) { return window.Pixels(y - first) - spanLeft; }
    // Each window row holds two rows side by side: the row the dabs work on, and in the second half
    // the bytes as they are stored, for the columns held. A store writes only the bytes that differ
    // from them, and none for a row whose changes came back to what is stored.
    static int32_t Columns(const ImageBuffer& window) { return window.ContentWidth() / 2; }
    uint8_t* StoredOf(ImageBuffer& window, int32_t y) { return RowOf(window, y) + Columns(window); }
    bool Holds(int32_t slot) const { return slotWindow[static_cast<size_t>(slot)] != nullptr; }
};

} // namespace ts
