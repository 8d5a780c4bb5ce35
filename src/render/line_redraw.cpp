// The redraw pass of the line renderer: the freehand wobble and the pass itself.

#include "raster/pixel_tables.h"
#include "raster/super_bit_buffer.h"
#include "render/line_renderer.h"
#include "render/line_stamps.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

namespace ts {

namespace {

using linestamps::FloorDiv4;
using linestamps::kMarginLeft;
using linestamps::kMarginRight;
using linestamps::kRingRows;
using linestamps::Ring;
using linestamps::Stamp;
using linestamps::StampJob;
// The freehand table: for amount a and a byte r, the displacement 3a quarter pixels long in the
// direction r x 2 pi / 256. The bytes come from a smooth random field, so the direction turns slowly
// along a line and neighbouring stamps stay close enough to overlap.
struct WobbleTable {
    std::array<std::array<int8_t, 256>, kMaxFreehand + 1> dx{};
    std::array<std::array<int8_t, 256>, kMaxFreehand + 1> dy{};

    WobbleTable() {
        constexpr double kPi = 3.14159265358979323846;
        for (int32_t a = 1; a <= kMaxFreehand; ++a) {
            for (int32_t r = 0; r < 256; ++r) {
                const double angle = 2.0 * kPi * r / 256.0;
                dx[static_cast<size_t>(a)][static_cast<size_t>(r)] =
                    static_cast<int8_t>(std::lround(3.0 * a * std::cos(angle)));
                dy[static_cast<size_t>(a)][static_cast<size_t>(r)] =
                    static_cast<int8_t>(std::lround(3.0 * a * std::sin(angle)));
            }
        }
    }
};

const WobbleTable& Wobbles() {
    static const WobbleTable table;
    return table;
}

// The random grid: one random byte every kGrid pixels (repeating every 128 grid points), bilinearly
// interpolated in between.
constexpr int32_t kGridShift = 6;
constexpr int32_t kGrid = 1 << kGridShift;

uint8_t GridByte(int32_t gx, int32_t gy) {
    return RandomByte(static_cast<size_t>((gy & 127) << 7 | (gx & 127)));
}

uint8_t FieldByte(int32_t x, int32_t y) {
    const int32_t gx = x >> kGridShift;
    const int32_t gy = y >> kGridShift;
    const int32_t fx = x & (kGrid - 1);
    const int32_t fy = y & (kGrid - 1);
    const int32_t top = GridByte(gx, gy) * (kGrid - fx) + GridByte(gx + 1, gy) * fx;
    const int32_t bottom = GridByte(gx, gy + 1) * (kGrid - fx) + GridByte(gx + 1, gy + 1) * fx;
    return static_cast<uint8_t>((top * (kGrid - fy) + bottom * fy) >> (2 * kGridShift));
}

// FieldByte along one row, the grid's bytes of a cell looked up once: the interpolation across the
// cell's columns of its left and right edges' values down the rows is the same sum.
class FieldRow {
public:
    explicit FieldRow(int32_t y) : m_gy(y >> kGridShift), m_fy(y & (kGrid - 1)) {}
    uint8_t At(int32_t x) {
        const int32_t gx = x >> kGridShift;
        if (gx != m_gx) {
            m_gx = gx;
            m_left = GridByte(gx, m_gy) * (kGrid - m_fy) + GridByte(gx, m_gy + 1) * m_fy;
            m_right = GridByte(gx + 1, m_gy) * (kGrid - m_fy) + GridByte(gx + 1, m_gy + 1) * m_fy;
        }
        const int32_t fx = x & (kGrid - 1);
        return static_cast<uint8_t>((m_left * (kGrid - fx) + m_right * fx) >> (2 * kGridShift));
    }

private:
    int32_t m_gy;
    int32_t m_fy;
    int32_t m_gx = std::numeric_limits<int32_t>::min();
    int32_t m_left = 0;
    int32_t m_right = 0;
};

// The cell nearest to the mean of a pixel's occupied cells, for every occupancy mask: x in the low
// nibble, y in the high one.
class CentreCells {
public:
    CentreCells() : m_cells(65536) {
        for (uint32_t mask = 1; mask < 65536; ++mask) {
            int32_t sumX = 0;
            int32_t sumY = 0;
            int32_t n = 0;
            for (int32_t sy = 0; sy < 4; ++sy) {
                for (int32_t sx = 0; sx < 4; ++sx) {
                    if ((mask >> SuperBitBuffer::SubPixelBit(sx, sy)) & 1u) {
                        sumX += sx;
                        sumY += sy;
                        ++n;
                    }
                }
            }
            m_cells[mask] = static_cast<uint8_t>((2 * sumX + n) / (2 * n) | ((2 * sumY + n) / (2 * n)) << 4);
        }
    }
    uint8_t operator[](uint16_t mask) const { return m_cells[mask]; }
    const uint8_t* Data() const { return m_cells.data(); }

private:
    std::vector<uint8_t> m_cells;
};

const CentreCells& Centres() {
    static const CentreCells centres;
    return centres;
}

bool Fits(const RLBuffer* b, int32_t w, int32_t h) {
    return b && b->IsCreated() && b->Width() == w && b->Height() == h && b->BytesPerPixel() == 1;
}

// Whether n masks equal the two-byte, low-first masks stored at bytes, and writing them there.
bool SameAsStored(const uint16_t* masks, size_t n, const uint8_t* bytes) {
    if constexpr (std::endian::native == std::endian::little) {
        return std::memcmp(masks, bytes, 2 * n) == 0;
    }
    for (size_t i = 0; i < n; ++i) {
        if (bytes[2 * i] != static_cast<uint8_t>(masks[i]) || bytes[2 * i + 1] != (masks[i] >> 8)) {
            return false;
        }
    }
    return true;
}

void StoreMasks(const uint16_t* masks, size_t n, uint8_t* bytes) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(bytes, masks, 2 * n);
        return;
    }
    for (size_t i = 0; i < n; ++i) {
        bytes[2 * i] = static_cast<uint8_t>(masks[i]);
        bytes[2 * i + 1] = static_cast<uint8_t>(masks[i] >> 8);
    }
}

} // namespace

namespace linestamps {

void Wobble(int32_t amount, int32_t x, int32_t y, int32_t& dx, int32_t& dy) {
    if (amount <= 0 || amount > kMaxFreehand) {
        dx = dy = 0;
        return;
    }
    const uint8_t r = FieldByte(x, y);
    dx = Wobbles().dx[static_cast<size_t>(amount)][r];
    dy = Wobbles().dy[static_cast<size_t>(amount)][r];
}

} // namespace linestamps

namespace {

// Whether every line pixel of the source rectangle has the same colour index (gaps counted too), and
// which. Stops at the second colour.
bool OneColour(const RLBuffer& occupancy, const RLBuffer* colors, const Rect& src, uint8_t* occ, uint8_t* row,
               uint8_t& value) {
    value = 0;
    if (!colors) {
        return true; // every line draws with colour 0
    }
    bool found = false;
    for (int32_t sy = src.top; sy < src.bottom; ++sy) {
        uint8_t one = 0;
        if (occupancy.RowIsOneValue(sy, one) && one == 0) {
            continue;
        }
        const rowcodec::SpanInfo info = occupancy.ReadSpan(sy, 2 * static_cast<size_t>(src.left),
                                                           2 * static_cast<size_t>(src.right), occ, 0);
        if (info.first == info.last) {
            continue;
        }
        const size_t first = info.first / 2;
        const size_t last = (info.last + 1) / 2;
        const rowcodec::SpanInfo colours = colors->ReadSpan(sy, static_cast<size_t>(src.left) + first,
                                                            static_cast<size_t>(src.left) + last, row, 0);
        if (colours.uniform && (!found || colours.value == value)) {
            found = true;
            value = colours.value;
            continue;
        }
        for (size_t i = first; i < last; ++i) {
            if ((occ[2 * i] | occ[2 * i + 1]) == 0) {
                continue;
            }
            if (found && row[i - first] != value) {
                return false;
            }
            found = true;
            value = row[i - first];
        }
    }
    return true;
}

// Whether bytes from .. to - 1 of a stored row are all 0; scratch holds to - from bytes.
bool StoredZeros(const RLBuffer& buffer, int32_t y, size_t from, size_t to, uint8_t* scratch) {
    uint8_t one = 0;
    if (buffer.RowIsOneValue(y, one)) {
        return one == 0;
    }
    const rowcodec::SpanInfo info = buffer.ReadContent(y, from, to, scratch, 0);
    return info.first == info.last;
}

uint64_t Load64(const uint8_t* p) {
    uint64_t v = 0;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// The first byte of n that differs between a and b, and one past the last; first == last when none.
void Differing(const uint8_t* a, const uint8_t* b, size_t n, size_t& first, size_t& last) {
    first = 0;
    while (first + 8 <= n && Load64(a + first) == Load64(b + first)) {
        first += 8;
    }
    while (first < n && a[first] == b[first]) {
        ++first;
    }
    last = n;
    while (last >= first + 8 && Load64(a + last - 8) == Load64(b + last - 8)) {
        last -= 8;
    }
    while (last > first && a[last - 1] == b[last - 1]) {
        --last;
    }
}

// Reads bytes from .. to - 1 of a row: the whole row at once when they are all of it.
void ReadBytes(const RLBuffer& buffer, int32_t y, size_t from, size_t to, uint8_t* bytes) {
    if (from == 0 && to == buffer.RawRowLength()) {
        buffer.ReadRow(y, bytes);
    } else {
        buffer.ReadSpan(y, from, to, bytes, 0);
    }
}

// Stores bytes from .. to - 1 of a row: the whole row at once when they are all of it.
void PutBytes(RLBuffer& buffer, int32_t y, size_t from, size_t to, const uint8_t* bytes) {
    if (from == 0 && to == buffer.RawRowLength()) {
        buffer.PutRow(y, bytes);
    } else {
        buffer.PutSpan(y, from, to, bytes);
    }
}

// The first and one past the last non-zero byte of n; first == last when there is none.
void NonZero(const uint8_t* bytes, size_t n, size_t& first, size_t& last) {
    first = 0;
    while (first + 8 <= n && Load64(bytes + first) == 0) {
        first += 8;
    }
    while (first < n && bytes[first] == 0) {
        ++first;
    }
    last = n;
    while (last >= first + 8 && Load64(bytes + last - 8) == 0) {
        last -= 8;
    }
    while (last > first && bytes[last - 1] == 0) {
        --last;
    }
}

} // namespace

struct LineRenderer::Restyle {
    int32_t style = kLineSolid;
    DotDashGapMask* dashes = nullptr; // codes the gaps a row at a time; null: no gaps
    RLBuffer* styles = nullptr;

    // Codes row y's dashes and gives its line pixels the style, with the gap bit where the dashes leave
    // a gap. pixels lists the row's n line pixels (OccupiedPixels), widths holds its width bytes; row
    // receives its whole style row as stored.
    void Row(int32_t y, const uint8_t* widths, const uint32_t* pixels, size_t n, uint8_t* row) {
        if (dashes) {
            dashes->CodeRow(y, widths, pixels, n, nullptr);
        }
        if (n == 0) {
            return;
        }
        styles->ReadRow(y, row);
        bool changed = false;
        for (size_t j = 0; j < n; ++j) {
            const uint32_t i = pixels[j];
            const bool gap = dashes && dashes->GapInLastRow(static_cast<int32_t>(i));
            const auto v = static_cast<uint8_t>(style | (gap ? kLineGapBit : 0));
            changed = changed || row[i] != v;
            row[i] = v;
        }
        if (changed) {
            styles->PutRow(y, row);
        }
    }
};

Rect LineRenderer::RestyleLayer(int32_t style, DotDashGapMask& dashes, RefreshRequests* refresh,
                                ProgressMeter* progress) {
    if (!m_writable) {
        return Rect{};
    }
    if (style < 0 || style >= kLineStyleCount) {
        style = kLineSolid;
    }
    // One pass: each row's dashes are coded, its style bytes written and its lines stamped in turn.
    const Rect all = LayerRectangle();
    const bool dashed = style >= kLineDotted && style <= kLineDashedLong &&
                        dashes.BeginRows(m_width, m_height, style, 0, all);
    Restyle restyle{style, dashed ? &dashes : nullptr, m_layer.lineArt->lineAppearanceIndex.get()};
    const Rect redrawn = Redraw(all, progress, &restyle);
    if (refresh) {
        QueueLineRefresh(*refresh, m_layer, redrawn, kLinePaintWidthManager);
    }
    return redrawn;
}

Rect LineRenderer::RedrawLines(const Rect& area, ProgressMeter* progress) {
    return Redraw(area, progress, nullptr);
}

Rect LineRenderer::Redraw(const Rect& area, ProgressMeter* progress, Restyle* restyle) {
    if (!m_valid) {
        return Rect{};
    }
    const Rect out = Intersection(Grown(area, kLineReach), LayerRectangle());
    if (out.IsEmpty()) {
        return Rect{};
    }
    const Rect src = Intersection(Grown(out, kLineReach), LayerRectangle());
    const RLBuffer& occupancy = *m_layer.frame->drawingBuffer;
    ObjectLineArt& l = *m_layer.lineArt;
    const RLBuffer* styles =
        Fits(l.lineAppearanceIndex.get(), m_width, m_height) ? l.lineAppearanceIndex.get() : nullptr;
    const RLBuffer* widths = Fits(l.refreshWidth.get(), m_width, m_height) ? l.refreshWidth.get() : nullptr;
    const RLBuffer* colors =
        Fits(l.colorAppearanceIndex.get(), m_width, m_height) ? l.colorAppearanceIndex.get() : nullptr;
    RLBuffer& coverage = *l.lineBuffer;
    RLBuffer& rendered = *l.refreshAppearance;
    const Stamp* stampTable = linestamps::StampTable();
    const uint8_t* centreCells = Centres().Data();
    const WobbleTable& wobbles = Wobbles();

    const auto ow = static_cast<size_t>(out.Width());
    const auto sw = static_cast<size_t>(src.Width());
    // Source rows are whole layer rows (a restyle's always are): they are decoded whole, unless a part
    // has rows held newer elsewhere, which only a span read sees.
    const auto held = [](const RLBuffer* b) { return b && b->RowsHeld(); };
    const bool wholeRows = src.left == 0 && src.right == m_width && !held(&occupancy) && !held(styles) &&
                           !held(widths) && !held(colors);
    Ring ring;
    ring.rowLength = ow + kMarginLeft + kMarginRight;
    std::vector<uint16_t> cover;
    std::vector<uint32_t> nearest;
    std::vector<uint8_t> color;
    std::vector<uint8_t> occ, styleRow, widthRow, colorRow, storedCover, newCover, storedColor;
    std::vector<StampJob> jobs;
    std::vector<uint32_t> pixels; // the line pixels of a source row
    try {
        jobs.resize(sw);
        pixels.resize(sw);
        const size_t cells = kRingRows * ring.rowLength;
        cover.resize(cells);
        nearest.resize(cells, linestamps::kNever);
        color.resize(cells);
        occ.resize(2 * sw);
        styleRow.resize(sw);
        widthRow.resize(sw);
        colorRow.resize(sw);
        storedCover.resize(2 * ow);
        newCover.resize(2 * ow);
        storedColor.resize(ow);
    } catch (const std::bad_alloc&) {
        return Rect{};
    }
    ring.cover = cover.data();
    ring.nearest = nearest.data();
    ring.color = color.data();
    // Lines of one colour need no distances: a pixel takes the colour wherever a stamp covers a cell.
    uint8_t lineColour = 0;
    const bool oneColour =
        linestamps::FastPaths() && OneColour(occupancy, colors, src, occ.data(), colorRow.data(), lineColour);
    if (progress) {
        progress->Start(out.Height());
    }

    // A finished row goes back to the parts where it differs from what they hold: each coverage mask as
    // two bytes, low byte first, and the colour index only where a stamp covered a cell (0 elsewhere).
    // The first and last bytes that differ make the box of changed pixels. A ring row no stamp reached
    // is empty: the stored row need only be found empty.
    Rect changed{};
    const auto noteChanged = [&](int32_t y, size_t first, size_t last) {
        changed = Union(changed, Rect{out.left + static_cast<int32_t>(first), y,
                                      out.left + static_cast<int32_t>(last), y + 1});
    };
    const auto coverFrom = 2 * static_cast<size_t>(out.left);
    const auto coverTo = 2 * static_cast<size_t>(out.right);
    const auto colorFrom = static_cast<size_t>(out.left);
    const auto colorTo = static_cast<size_t>(out.right);
    const auto finish = [&](int32_t y) {
        const size_t at = ring.Row(y) + kMarginLeft;
        const bool stamped = ring.stamped[static_cast<size_t>(y & (kRingRows - 1))];
        if (stamped || !StoredZeros(coverage, y, coverFrom, coverTo, storedCover.data())) {
            ReadBytes(coverage, y, coverFrom, coverTo, storedCover.data());
            if (!SameAsStored(ring.cover + at, ow, storedCover.data())) {
                StoreMasks(ring.cover + at, ow, newCover.data());
                size_t first = 0;
                size_t last = 0;
                Differing(newCover.data(), storedCover.data(), 2 * ow, first, last);
                first /= 2;
                last = (last + 1) / 2;
                PutBytes(coverage, y, coverFrom, coverTo, newCover.data());
                noteChanged(y, first, last);
            }
        }
        // With one colour the colours follow from the cells; with colour 0, or no cells, they are all 0.
        const bool zeros = oneColour ? !stamped || lineColour == 0 : !stamped;
        if (zeros && StoredZeros(rendered, y, colorFrom, colorTo, storedColor.data())) {
            if (progress) {
                progress->Step();
            }
            return;
        }
        if (oneColour) {
            for (size_t i = 0; i < ow; ++i) {
                ring.color[at + i] = ring.cover[at + i] != 0 ? lineColour : uint8_t{0};
            }
        }
        ReadBytes(rendered, y, colorFrom, colorTo, storedColor.data());
        if (std::memcmp(storedColor.data(), ring.color + at, ow) != 0) {
            size_t first = 0;
            size_t last = 0;
            Differing(ring.color + at, storedColor.data(), ow, first, last);
            PutBytes(rendered, y, colorFrom, colorTo, ring.color + at);
            noteChanged(y, first, last);
        }
        if (progress) {
            progress->Step();
        }
    };

    int32_t cleared = out.top;  // rows before this one have their ring row cleared
    int32_t finished = out.top; // and before this one are final and stored
    for (int32_t sy = src.top; sy < src.bottom; ++sy) {
        for (const int32_t reached = std::min(out.bottom, sy + kLineReach + 1); cleared < reached;
             ++cleared) {
            ring.Clear(cleared, oneColour);
        }
        // The output rows this source row's stamps may touch: all of them are in the ring.
        const int32_t rowsFrom = std::max(out.top, sy - kLineReach);
        const int32_t rowsTo = cleared;
        // The pixels first .. last - 1 of the source row (from src.left) are the only ones with lines.
        size_t first = 0;
        size_t last = 0;
        uint8_t one = 0;
        if (!occupancy.RowIsOneValue(sy, one) || one != 0) {
            if (wholeRows) {
                occupancy.ReadRow(sy, occ.data());
                NonZero(occ.data(), 2 * sw, first, last);
            } else {
                const rowcodec::SpanInfo info = occupancy.ReadSpan(
                    sy, 2 * static_cast<size_t>(src.left), 2 * static_cast<size_t>(src.right), occ.data(), 0);
                first = info.first;
                last = info.last;
            }
            if (first != last) {
                first /= 2;
                last = (last + 1) / 2;
            }
        }
        // A part's bytes of those pixels; most of a whole row is decoded whole, which is quicker.
        const auto read = [&](const RLBuffer* b, std::vector<uint8_t>& row) {
            if (!b) {
                std::fill(row.begin() + static_cast<ptrdiff_t>(first),
                          row.begin() + static_cast<ptrdiff_t>(last), uint8_t{0});
            } else if (wholeRows && 2 * (last - first) >= sw) {
                b->ReadRow(sy, row.data());
            } else {
                b->ReadSpan(sy, static_cast<size_t>(src.left) + first, static_cast<size_t>(src.left) + last,
                            row.data() + first, 0);
            }
        };
        const bool lines = first != last && rowsFrom < rowsTo;
        const size_t listed =
            first != last && (lines || restyle) ? OccupiedPixels(occ.data(), first, last, pixels.data()) : 0;
        if (restyle) {
            if (listed != 0) {
                read(widths, widthRow);
            }
            restyle->Row(sy, widthRow.data(), pixels.data(), listed, styleRow.data());
        }
        int32_t touchedFrom = std::numeric_limits<int32_t>::max(); // the ring rows this row's stamps reach
        int32_t touchedTo = std::numeric_limits<int32_t>::min();
        if (lines) {
            if (!restyle) {
                read(styles, styleRow);
                read(widths, widthRow);
            }
            if (!oneColour) {
                read(colors, colorRow); // with one colour the cells alone are stamped
            }
            FieldRow field(sy);
            size_t count = 0;
            for (size_t j = 0; j < listed; ++j) {
                const size_t i = pixels[j];
                const auto mask = static_cast<uint16_t>(occ[2 * i] | occ[2 * i + 1] << 8);
                if ((styleRow[i] & kLineGapBit) != 0) {
                    continue; // no line, or a gap of its dash pattern
                }
                const int32_t sx = src.left + static_cast<int32_t>(i);
                const uint8_t centre = centreCells[mask];
                int32_t qx = 4 * sx + (centre & 15);
                int32_t qy = 4 * sy + (centre >> 4);
                const int32_t amount = LineFreehandOf(widthRow[i]);
                if (amount != 0) {
                    const uint8_t r = field.At(sx);
                    qx += wobbles.dx[static_cast<size_t>(amount)][r];
                    qy += wobbles.dy[static_cast<size_t>(amount)][r];
                }
                const Stamp& s = stampTable[LineWidthOf(widthRow[i]) * 16 + (qy & 3) * 4 + (qx & 3)];
                const int32_t left = FloorDiv4(qx) - s.origin;
                const int32_t top = FloorDiv4(qy) - s.origin;
                const int32_t r0 = std::max(s.rowFirst, rowsFrom - top);
                const int32_t r1 = std::min(s.rowLast, rowsTo - top);
                if (r0 >= r1 || left >= out.right || left + s.side <= out.left) {
                    continue; // the stamp misses the output
                }
                jobs[count++] = StampJob{&s,
                                         top,
                                         r0,
                                         r1,
                                         static_cast<size_t>(left - out.left + kMarginLeft),
                                         oneColour ? lineColour : colorRow[i]};
                touchedFrom = std::min(touchedFrom, top + r0);
                touchedTo = std::max(touchedTo, top + r1);
            }
            linestamps::StampJobs(jobs.data(), count, ring, oneColour);
            for (int32_t y = touchedFrom; y < touchedTo; ++y) {
                ring.stamped[static_cast<size_t>(y & (kRingRows - 1))] = true;
            }
        }
        for (; finished < out.bottom && finished <= sy - kLineReach; ++finished) {
            finish(finished);
        }
    }
    for (; cleared < out.bottom; ++cleared) {
        ring.Clear(cleared, oneColour);
    }
    for (; finished < out.bottom; ++finished) {
        finish(finished);
    }
    if (progress) {
        progress->Finish();
    }
    // What may look different: the rectangle asked for (its bytes may have changed) and every pixel
    // around it whose coverage or colour did.
    return Union(Intersection(area, LayerRectangle()), changed);
}

} // namespace ts
