#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace ts {

// One grid laid over the view: one-pixel lines every `spacing` drawing pixels through the grid origin,
// across and down, in a colour (0x00BBGGRR) mixed with what lies under by `intensity` (255 covers).
struct GridLines {
    bool shown = false;
    double spacing = 0.0;
    uint32_t color = 0;
    int32_t intensity = 255;
    bool operator==(const GridLines&) const = default;
};

// The grids of the view: drawn in order, each over what the ones before drew. They exist on the
// screen only (the view buffer, exports and prints never hold them).
struct ViewGrid {
    // Lines closer than this on the screen are left out: a zoomed-out view is not washed over.
    static constexpr double kMinimumGap = 4.0;

    std::array<GridLines, 3> grids{};
    double originX = 0.0; // drawing pixels
    double originY = 0.0;

    bool AnyShown() const;
    bool operator==(const ViewGrid&) const = default;
};

// Where the grids' lines fall in a client area, worked out again whenever the grids or the view changed. The
// view shows drawing pixel (viewX, viewY) at its client top-left corner at zoom z (z >= 1 magnifies,
// z <= -2 shrinks -z times); a line at drawing coordinate g lies on client column (or row)
// floor((g - viewX) × scale), the scale being z or 1 / -z. A grid pixel becomes
// mul(intensity, colour) + mul(255 - intensity, pixel), mul(a, b) = a × b / 255 rounded.
class GridPlan {
public:
    void Prepare(const ViewGrid& grid, int32_t zoom, int32_t viewX, int32_t viewY, int32_t clientWidth,
                 int32_t clientHeight);
    // Draws the lines of client row cy between client columns from and to - 1 into dest (3 bytes a
    // pixel, blue-green-red, dest holding column from). With source, the pixels under the lines are
    // read there (a copy of what dest holds): reading back bytes just copied stalls.
    void DrawRow(int32_t cy, int32_t from, int32_t to, uint8_t* dest, const uint8_t* source = nullptr) const;
    // Whether the first grid drawn has a line across client row cy: DrawRow with a source then writes
    // every pixel of the row from the source, so the row need not be copied into dest first.
    bool CoversRow(int32_t cy) const;

private:
    // Bytes of a run of 32 pixels: the colour's pattern repeats every 3 bytes, and a block is three
    // whole 32-byte vectors.
    static constexpr size_t kBlock = 96;
    struct Planned {
        std::array<uint8_t, 3 * 256> mixed; // per channel (blue, green, red): the pixel value mixed
        std::array<uint16_t, kBlock> part;  // mul(intensity, colour) for the bytes of a block
        uint16_t rest = 0;                  // 255 - intensity
        std::vector<int32_t> columns;       // ascending client columns of the lines down
        std::vector<uint8_t> lineRows;      // per client row: 1 where a line runs across
    };
    // A whole row under a line across: the same mix as the table, in arithmetic the compiler turns into
    // vector instructions.
    static void MixRun(const Planned& p, const uint8_t* under, uint8_t* out, size_t bytes);
    static void MixPixel(const Planned& p, const uint8_t* under, uint8_t* out) {
        out[0] = p.mixed[under[0]];
        out[1] = p.mixed[256 + under[1]];
        out[2] = p.mixed[512 + under[2]];
    }
    // One grid's lines of row cy over dest, the pixels under them read from source (or dest).
    static void DrawGrid(const Planned& p, int32_t cy, int32_t from, int32_t to, uint8_t* dest,
                         const uint8_t* source);
    std::vector<Planned> m_grids;
    // What m_grids were worked out for: a rebuild of the same view with the same grids keeps them.
    struct Key {
        ViewGrid grid;
        std::array<int32_t, 5> view{}; // zoom, viewX, viewY, client width and height
        bool operator==(const Key&) const = default;
    };
    Key m_key;
    bool m_planned = false;
};

} // namespace ts
