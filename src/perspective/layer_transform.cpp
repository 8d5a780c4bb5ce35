#include "perspective/layer_transform.h"

#include "document/layer_geometry.h"
#include "model/part_buffers.h"
#include "perspective/resampling.h"
#include "raster/super_bit_buffer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <deque>
#include <new>
#include <utility>
#include <vector>

namespace ts {

namespace {

bool g_shortcuts = true;

using resample::ContentBlocks;
using resample::FloorOf;

// For every destination pixel the index of its source pixel in a part of the given size, or -1.
// A part keeps its share of the layer: one as large as the layer comes out as large as the new
// rectangle, a smaller one (a picture or an auxiliary buffer of its own size) in proportion.
struct SourceIndex {
    const SourceMap* map = nullptr;
    int32_t partWidth = 0;
    int32_t partHeight = 0;
    int32_t outWidth = 0;
    int32_t outHeight = 0;
    double pageX = 1; // page pixels per new part pixel
    double pageY = 1;
    std::unique_ptr<int32_t[]> index; // every row written by FillTableRow
    bool complete = false;            // every row given its sources
    // Per run of kRun destination pixels of a row, the rectangle of the source pixels its index
    // points at (left, top, right, bottom, inclusive; left > right: none), so that a run over empty
    // source is passed over whole.
    static constexpr int32_t kRun = 64;
    int32_t runsPerRow = 0;
    std::vector<std::array<int32_t, 4>> runs;
    std::vector<uint8_t> runWhole; // per run: every pixel of it has a source

    std::array<int32_t, 4>& RunOf(int32_t y, size_t x) {
        return runs[static_cast<size_t>(y) * static_cast<size_t>(runsPerRow) + x / kRun];
    }
    const std::array<int32_t, 4>& RunOf(int32_t y, size_t x) const {
        return runs[static_cast<size_t>(y) * static_cast<size_t>(runsPerRow) + x / kRun];
    }
    // Line pixels whose coverage came from another source pixel than the one under their centre:
    // (destination position in index, that source pixel), in row order. The line's indices follow.
    std::vector<std::pair<size_t, int32_t>> lineRedirects;
};

class Remapper {
public:
    Remapper(const LayerObject& layer, ProgressMeter* progress)
        : m_layerWidth(std::max(1, layer.PartWidth())), m_layerHeight(std::max(1, layer.PartHeight())),
          m_progress(progress) {}

    template <class Buffer = RLBuffer>
    // A part gathered pixel by pixel; with followLines, line pixels take theirs from where their
    // coverage came from.
    std::unique_ptr<Buffer> Bytes(const RLBuffer& src, const SourceMap& map, uint8_t fill,
                                  bool followLines = false) {
        const SourceIndex* table = Table(map, src.Width(), src.Height());
        // Decoded into the same memory part after part.
        std::vector<uint8_t>& pixels = m_decoded;
        const auto bpp = static_cast<size_t>(src.BytesPerPixel());
        ContentBlocks content;
        if (!table || !content.Start(src.Width(), src.Height(), bpp, fill) ||
            !Decode(src, pixels, &content)) {
            return nullptr;
        }
        auto out = parts::NewBuffer<Buffer>(table->outWidth, table->outHeight, src.BytesPerPixel(), fill);
        if (!out) {
            return nullptr;
        }
        const size_t width = static_cast<size_t>(table->outWidth);
        auto redirect = table->lineRedirects.begin();
        for (int32_t y = 0; y < table->outHeight; ++y) {
            uint8_t* row = out->WorkingRow();
            std::memset(row, fill, width * bpp);
            const int32_t* at = table->index.get() + static_cast<size_t>(y) * width;
            for (size_t x0 = 0; x0 < width; x0 += SourceIndex::kRun) {
                // A run whose source is all fill stays as it is.
                const std::array<int32_t, 4>& box = table->RunOf(y, x0);
                if (box[0] > box[2]) {
                    continue;
                }
                uint8_t value = fill;
                const ContentBlocks::Holds holds = content.Look(box, value);
                if (holds == ContentBlocks::Holds::kFill) {
                    continue;
                }
                const size_t x1 = std::min(width, x0 + SourceIndex::kRun);
                if (holds == ContentBlocks::Holds::kOne) {
                    // One value under the whole run: no pixel needs looking up.
                    if (table->runWhole[static_cast<size_t>(y) * static_cast<size_t>(table->runsPerRow) +
                                        x0 / SourceIndex::kRun]) {
                        std::memset(row + x0, value, x1 - x0);
                        continue;
                    }
                    for (size_t x = x0; x < x1; ++x) {
                        row[x] = at[x] >= 0 ? value : fill;
                    }
                } else if (bpp == 1) {
                    for (size_t x = x0; x < x1; ++x) {
                        if (at[x] >= 0) {
                            row[x] = pixels[static_cast<size_t>(at[x])];
                        }
                    }
                } else {
                    for (size_t x = x0; x < x1; ++x) {
                        if (at[x] >= 0) {
                            std::memcpy(row + x * bpp, pixels.data() + static_cast<size_t>(at[x]) * bpp, bpp);
                        }
                    }
                }
            }
            const size_t rowEnd = static_cast<size_t>(y + 1) * width;
            for (; followLines && redirect != table->lineRedirects.end() && redirect->first < rowEnd;
                 ++redirect) {
                const size_t x = redirect->first - static_cast<size_t>(y) * width;
                std::memcpy(row + x * bpp, pixels.data() + static_cast<size_t>(redirect->second) * bpp, bpp);
            }
            if (!out->PutRow(y)) {
                return nullptr;
            }
        }
        Step();
        return out;
    }

    // A coverage mask resampled per sub-pixel. With lineSources set, destination pixels that got
    // coverage from another source pixel than the one under their centre are listed in the table with
    // that pixel, so the line's indices follow its coverage.
    std::unique_ptr<SuperBitBuffer> Mask(const SuperBitBuffer& src, const SourceMap& map, bool lineSources) {
        MaskJob job{&src, lineSources, nullptr};
        return Masks({&job}, map) ? std::move(job.out) : nullptr;
    }

    struct MaskJob {
        const SuperBitBuffer* src = nullptr;
        bool lineSources = false;
        std::unique_ptr<SuperBitBuffer> out;
    };

    // Several masks of one size resampled in one pass, in the order given (as Mask would one after
    // the other): the source position and steps of a destination pixel are worked out once for all.
    bool Masks(const std::vector<MaskJob*>& jobs, const SourceMap& map) {
        if (jobs.empty()) {
            return true;
        }
        const int32_t sw = jobs[0]->src->Width();
        const int32_t sh = jobs[0]->src->Height();
        if (map.Shifts()) {
            for (MaskJob* job : jobs) {
                job->out = Bytes<SuperBitBuffer>(*job->src, map, 0);
                if (!job->out) {
                    return false;
                }
            }
            return true;
        }
        // Without a table yet, the pass fills one from the source positions it works out anyway.
        SourceIndex* table = FindTable(map, sw, sh);
        const bool filling = table == nullptr;
        if (filling) {
            table = NewTable(map, sw, sh);
        }
        if (!table) {
            return false;
        }
        // Each source decoded, with a bit a pixel of where it covers anything and where all of it:
        // most destination pixels are settled by those bits under their box alone.
        // Their sub-pixels go into the planes of one set of tiles, two masks at a time.
        if (jobs.size() > 2) {
            const std::vector<MaskJob*> first(jobs.begin(), jobs.begin() + 2);
            const std::vector<MaskJob*> rest(jobs.begin() + 2, jobs.end());
            return Masks(first, map) && Masks(rest, map);
        }
        struct Source {
            resample::CoverageBits bits;
        };
        std::vector<Source> sources(jobs.size());
        resample::SubPixelTiles tiles;
        if (!tiles.Start(sw, sh)) {
            return false;
        }
        for (size_t k = 0; k < jobs.size(); ++k) {
            const SuperBitBuffer& src = *jobs[k]->src;
            Source& s = sources[k];
            if (src.Width() != sw || src.Height() != sh ||
                !s.bits.Make(src, tiles, static_cast<int32_t>(k))) {
                return false;
            }
            jobs[k]->out = parts::NewBuffer<SuperBitBuffer>(table->outWidth, table->outHeight, 2, 0);
            if (!jobs[k]->out) {
                return false;
            }
        }
        const double scaleX = static_cast<double>(sw) / m_layerWidth;
        const double scaleY = static_cast<double>(sh) / m_layerHeight;
        const auto width = static_cast<size_t>(table->outWidth);
        // A destination pixel's box reaches at most this far from the source pixel under its centre
        // while the steps stay within the map's bound; rows whose steps do, pass over the pixels
        // whose centre pixel has no coverage within that reach.
        const SourceMap::StepBound steps = map.Steps();
        // A box reaches half the steps across and down from its centre; a step across is 1 where a
        // pixel has no neighbour, one down 0.
        const double stepBound = steps.bound * std::max(table->pageX, table->pageY);
        const double reachBy = 0.5 * (std::max(stepBound, 1.0) + stepBound) * std::max(scaleX, scaleY) + 0.01;
        const bool useNear = g_shortcuts && steps.bound > 0 && reachBy < 8;
        resample::NearCoverage near;
        const int32_t reach = useNear ? static_cast<int32_t>(std::ceil(reachBy)) : 0;
        if (useNear) {
            std::vector<const resample::CoverageBits*> masks;
            for (const Source& s : sources) {
                masks.push_back(&s.bits);
            }
            if (!near.Make(masks, sw, sh, reach)) {
                return false;
            }
        }
        // The largest step found across each loaded row and down to the row after it.
        double acrossSteps[3] = {0, 0, 0};
        double downSteps[3] = {0, 0, 0};
        // The source positions of the centres of three rows: above, this one and below, in part pixels.
        std::vector<double> rows[3][2];
        try {
            for (auto& r : rows) {
                r[0].resize(width);
                r[1].resize(width);
            }
        } catch (const std::bad_alloc&) {
            return false;
        }
        const bool checkSteps = useNear && !steps.guaranteed;
        auto load = [&](int32_t y, std::vector<double>* r, std::vector<double>* previous, int32_t slot) {
            if (y < 0 || y >= table->outHeight) {
                std::fill(r[0].begin(), r[0].end(), -1.0);
                acrossSteps[slot] = 0;
                downSteps[(slot + 2) % 3] = 0;
                return;
            }
            CentreRow(map, *table, y, r[0].data(), r[1].data());
            if (filling) {
                FillTableRow(*table, y, r[0].data(), r[1].data());
            }
            if (checkSteps) {
                acrossSteps[slot] = resample::AcrossSteps(r[0].data(), r[1].data(), width);
                downSteps[(slot + 2) % 3] = previous
                                                ? resample::DownSteps(previous[0].data(), previous[1].data(),
                                                                      r[0].data(), r[1].data(), width)
                                                : 0;
            }
        };
        // The rows being made (zero but where the last row wrote), and the pixels of a row to look at.
        std::vector<std::vector<uint8_t>> outRows;
        std::vector<uint32_t> candidates;
        size_t firstWritten = 1;
        size_t lastWritten = 0;
        try {
            outRows.assign(jobs.size(), std::vector<uint8_t>(width * 2, 0));
            candidates.resize(width);
        } catch (const std::bad_alloc&) {
            return false;
        }
        std::vector<double>* above = rows[0];
        std::vector<double>* here = rows[1];
        std::vector<double>* below = rows[2];
        load(-1, above, nullptr, 0);
        load(0, here, above, 1);
        for (int32_t y = 0; y < table->outHeight; ++y) {
            const int32_t slot = (y + 1) % 3; // of row y; y + 1 goes in the next
            load(y + 1, below, here, (slot + 1) % 3);
            // Only the pixels the row before could have written need clearing.
            if (lastWritten >= firstWritten) {
                for (std::vector<uint8_t>& r : outRows) {
                    std::memset(r.data() + firstWritten * 2, 0, (lastWritten - firstWritten + 1) * 2);
                }
            }
            const int32_t* at = table->index.get() + static_cast<size_t>(y) * width;
            const double* sx = here[0].data();
            const double* sy = here[1].data();
            const bool passOver =
                useNear && (steps.guaranteed || std::max({acrossSteps[slot], downSteps[slot],
                                                          downSteps[(slot + 2) % 3]}) <= stepBound);
            // Runs whose source pixels lie out of reach of any tile with coverage are passed over whole.
            size_t count = 0;
            for (size_t r0 = 0; r0 < width; r0 += SourceIndex::kRun) {
                const std::array<int32_t, 4>& box = table->RunOf(y, r0);
                if (box[0] > box[2] || (passOver && !tiles.AnyIn(box[0] - reach, box[1] - reach,
                                                                 box[2] + reach, box[3] + reach))) {
                    continue;
                }
                count += resample::Candidates(at, sx, r0, std::min(width, r0 + SourceIndex::kRun),
                                              passOver ? &near : nullptr, candidates.data() + count);
            }
            firstWritten = count > 0 ? candidates[0] : 1;
            lastWritten = count > 0 ? candidates[count - 1] : 0;
            for (size_t c = 0; c < count; ++c) {
                const size_t x = candidates[c];
                // The source steps of one destination pixel across (u) and down (v), from the
                // neighbouring centres; within a pixel the map is as good as linear.
                double ux = 1, uy = 0, vx = 0, vy = 1;
                if (x + 1 < width && sx[x + 1] >= 0) {
                    ux = sx[x + 1] - sx[x];
                    uy = sy[x + 1] - sy[x];
                } else if (x > 0 && sx[x - 1] >= 0) {
                    ux = sx[x] - sx[x - 1];
                    uy = sy[x] - sy[x - 1];
                }
                if (below[0][x] >= 0) {
                    vx = below[0][x] - sx[x];
                    vy = below[1][x] - sy[x];
                } else if (above[0][x] >= 0) {
                    vx = sx[x] - above[0][x];
                    vy = sy[x] - above[1][x];
                }
                ux *= scaleX;
                vx *= scaleX;
                uy *= scaleY;
                vy *= scaleY;
                const double ox = sx[x] * scaleX;
                const double oy = sy[x] * scaleY;
                // The source pixels the destination pixel covers: nothing there, or all of it
                // covered, settles the pixel at once.
                const double ex = 0.5 * (std::fabs(ux) + std::fabs(vx)) + 0.01;
                const double ey = 0.5 * (std::fabs(uy) + std::fabs(vy)) + 0.01;
                const int32_t x0 = std::max(0, FloorOf(ox - ex));
                const int32_t x1 = std::min(sw - 1, FloorOf(ox + ex));
                const int32_t y0 = std::max(0, FloorOf(oy - ey));
                const int32_t y1 = std::min(sh - 1, FloorOf(oy + ey));
                if (x0 > x1 || y0 > y1) {
                    continue;
                }
                // What each mask holds under the box, and whether the line's indices must follow it.
                resample::CoverageBits::Look looks[2];
                bool wantsFrom[2] = {false, false};
                bool anyFrom = false;
                for (size_t k = 0; k < jobs.size(); ++k) {
                    looks[k] = sources[k].bits.At(x0, y0, x1, y1);
                    // The pixel under the centre, as the table has it.
                    wantsFrom[k] = looks[k].any && jobs[k]->lineSources &&
                                   !sources[k].bits.Any(std::clamp(FloorOf(ox), 0, sw - 1),
                                                        std::clamp(FloorOf(oy), 0, sh - 1));
                    anyFrom = anyFrom || wantsFrom[k];
                }
                // Where the sub-pixels look (single or windowed), worked out and looked at once for
                // both masks.
                resample::SubPixelLooks placed;
                uint32_t found[2] = {0, 0};
                int32_t from[2][2] = {{-1, -1}, {-1, -1}};
                bool sampled[2] = {false, false};
                for (size_t k = 0; k < jobs.size(); ++k) {
                    const resample::CoverageBits::Look& look = looks[k];
                    if (!look.any) {
                        continue;
                    }
                    uint16_t mask = 0xFFFF;
                    int32_t source = y0 * sw + x0;
                    if (!look.full) {
                        const bool single = !look.partial && std::max({std::fabs(ux), std::fabs(uy),
                                                                       std::fabs(vx), std::fabs(vy)}) < 4;
                        if (!sampled[single]) {
                            resample::PlaceLooks(ox, oy, ux, uy, vx, vy, single, placed);
                            found[single] =
                                resample::SampleMasks(tiles, sw, placed, anyFrom ? from[single] : nullptr);
                            sampled[single] = true;
                        }
                        mask = static_cast<uint16_t>(found[single] >> (16 * k));
                        source = from[single][k];
                    }
                    uint8_t* row = outRows[k].data();
                    row[x * 2] = static_cast<uint8_t>(mask);
                    row[x * 2 + 1] = static_cast<uint8_t>(mask >> 8);
                    if (wantsFrom[k] && mask != 0 && source >= 0) {
                        try {
                            table->lineRedirects.emplace_back(static_cast<size_t>(y) * width + x, source);
                        } catch (const std::bad_alloc&) {
                            return false;
                        }
                    }
                }
            }
            for (size_t k = 0; k < jobs.size(); ++k) {
                if (!jobs[k]->out->PutRow(y, outRows[k].data())) {
                    return false;
                }
            }
            std::swap(above, here);
            std::swap(here, below);
        }
        table->complete = true;
        for (size_t k = 0; k < jobs.size(); ++k) {
            Step();
        }
        return true;
    }

    std::unique_ptr<BMap> Image(const BMap& src, const SourceMap& map) {
        const SourceIndex* table = Table(map, src.Width(), src.Height());
        std::unique_ptr<BMap> out;
        try {
            out = std::make_unique<BMap>();
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
        if (!table || !out->pixels.Create(table->outWidth, table->outHeight)) {
            return nullptr;
        }
        const size_t width = static_cast<size_t>(table->outWidth);
        const size_t sw = static_cast<size_t>(src.Width());
        for (int32_t y = 0; y < table->outHeight; ++y) {
            const int32_t* at = table->index.get() + static_cast<size_t>(y) * width;
            uint8_t* row = out->pixels.Pixel(0, y);
            std::memset(row, 255, width * 3);
            for (size_t x = 0; x < width; ++x) {
                if (at[x] >= 0) {
                    const auto s = static_cast<size_t>(at[x]);
                    std::memcpy(row + x * 3,
                                src.pixels.Pixel(static_cast<int32_t>(s % sw), static_cast<int32_t>(s / sw)),
                                3);
                }
            }
        }
        Step();
        return out;
    }

private:
    static int32_t Share(int32_t size, int32_t oldLayer, int32_t newLayer) {
        return std::max<int32_t>(1, static_cast<int32_t>(int64_t{size} * newLayer / oldLayer));
    }

    void Step() {
        if (m_progress) {
            m_progress->Step();
        }
    }

    // The part decoded whole; with content given, each row is looked over while it is at hand.
    static bool Decode(const RLBuffer& src, std::vector<uint8_t>& pixels, ContentBlocks* content) {
        const size_t rowLength = src.RawRowLength();
        try {
            pixels.resize(rowLength * static_cast<size_t>(src.Height()));
        } catch (const std::bad_alloc&) {
            return false;
        }
        for (int32_t y = 0; y < src.Height(); ++y) {
            uint8_t* row = pixels.data() + rowLength * static_cast<size_t>(y);
            src.ReadRow(y, row);
            if (content) {
                content->Row(y, row);
            }
        }
        return true;
    }

    // The source positions (layer pixels) of the centres of a row of a new part; -1 in sx for none.
    void CentreRow(const SourceMap& map, const SourceIndex& t, int32_t y, double* sx, double* sy) const {
        const Rect d = map.Destination();
        if (t.outWidth == d.Width() && t.outHeight == d.Height()) {
            map.Row(d.top + y, d.left, d.right, sx, sy);
            return;
        }
        // A part of its own size asks for every pixel centre on its own.
        for (int32_t x = 0; x < t.outWidth; ++x) {
            const bool inside =
                map.Point(d.left + (x + 0.5) * t.pageX, d.top + (y + 0.5) * t.pageY, sx[x], sy[x]) &&
                sx[x] >= 0 && sy[x] >= 0 && sx[x] < m_layerWidth && sy[x] < m_layerHeight;
            if (!inside) {
                sx[x] = -1;
            }
        }
    }

    // The table of a map and part size, made whole when there is none yet.
    SourceIndex* Table(const SourceMap& map, int32_t partWidth, int32_t partHeight) {
        if (SourceIndex* t = FindTable(map, partWidth, partHeight)) {
            return t;
        }
        SourceIndex* t = NewTable(map, partWidth, partHeight);
        if (!t) {
            return nullptr;
        }
        try {
            const auto width = static_cast<size_t>(t->outWidth);
            std::vector<double> sx(width);
            std::vector<double> sy(width);
            for (int32_t y = 0; y < t->outHeight; ++y) {
                CentreRow(map, *t, y, sx.data(), sy.data());
                FillTableRow(*t, y, sx.data(), sy.data());
            }
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
        t->complete = true;
        return t;
    }

    SourceIndex* FindTable(const SourceMap& map, int32_t partWidth, int32_t partHeight) {
        for (SourceIndex& t : m_tables) {
            if (t.complete && t.map == &map && t.partWidth == partWidth && t.partHeight == partHeight) {
                return &t;
            }
        }
        return nullptr;
    }

    // A table with every destination pixel still without a source; FillTableRow gives rows theirs.
    SourceIndex* NewTable(const SourceMap& map, int32_t partWidth, int32_t partHeight) {
        const Rect d = map.Destination();
        const bool whole = partWidth == m_layerWidth && partHeight == m_layerHeight;
        try {
            SourceIndex t;
            t.map = &map;
            t.partWidth = partWidth;
            t.partHeight = partHeight;
            t.outWidth = whole ? d.Width() : Share(partWidth, m_layerWidth, d.Width());
            t.outHeight = whole ? d.Height() : Share(partHeight, m_layerHeight, d.Height());
            t.pageX = static_cast<double>(d.Width()) / t.outWidth;
            t.pageY = static_cast<double>(d.Height()) / t.outHeight;
            t.index.reset(new (std::nothrow)
                              int32_t[static_cast<size_t>(t.outWidth) * static_cast<size_t>(t.outHeight)]);
            if (!t.index) {
                return nullptr;
            }
            t.runsPerRow = (t.outWidth + SourceIndex::kRun - 1) / SourceIndex::kRun;
            t.runs.assign(static_cast<size_t>(t.runsPerRow) * static_cast<size_t>(t.outHeight),
                          std::array<int32_t, 4>{partWidth, partHeight, -1, -1});
            t.runWhole.assign(t.runs.size(), 0);
            m_tables.push_back(std::move(t));
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
        return &m_tables.back();
    }

    // Row y of the table from the source positions of its centres (CentreRow).
    // Kept out of line: inside the masks' pass it would crowd their registers.
    __attribute__((noinline)) void FillTableRow(SourceIndex& t, int32_t y, const double* sx,
                                                const double* sy) const {
        const auto width = static_cast<size_t>(t.outWidth);
        const double scaleX = static_cast<double>(t.partWidth) / m_layerWidth;
        const double scaleY = static_cast<double>(t.partHeight) / m_layerHeight;
        int32_t* at = t.index.get() + static_cast<size_t>(y) * width;
        for (size_t x0 = 0; x0 < width; x0 += SourceIndex::kRun) {
            const size_t n = std::min(width - x0, size_t{SourceIndex::kRun});
            const bool whole = resample::IndexRun(sx + x0, sy + x0, n, scaleX, scaleY, t.partWidth,
                                                  t.partHeight, at + x0, t.RunOf(y, x0), t.map->Even());
            t.runWhole[static_cast<size_t>(y) * static_cast<size_t>(t.runsPerRow) + x0 / SourceIndex::kRun] =
                whole;
        }
    }

    int32_t m_layerWidth;
    int32_t m_layerHeight;
    ProgressMeter* m_progress;
    std::deque<SourceIndex> m_tables; // a deque: handed-out tables stay where they are
    std::vector<uint8_t> m_decoded;
};

} // namespace

void SetTransformShortcuts(bool on) {
    g_shortcuts = on;
}

bool TransformFits(const Rect& destination) {
    constexpr int64_t kMaxPixels = int64_t{1} << 28;
    return !destination.IsEmpty() && RLBuffer::SizeIsValid(destination.Width(), destination.Height(), 2) &&
           int64_t{destination.Width()} * destination.Height() <= kMaxPixels;
}

bool RemapLayer(LayerObject& layer, const SourceMap& map, const SourceMap& keep, uint32_t components,
                ProgressMeter* progress, const double* turnDegrees) {
    const Rect d = map.Destination();
    // Refused before anything is allocated: a rectangle no part could be made at.
    if (d.IsEmpty() || !(keep.Destination() == d) || !TransformFits(d)) {
        return false;
    }
    if (progress) {
        progress->Start(16);
    }
    Remapper remap(layer, progress);
    auto mapOf = [&](uint32_t component) -> const SourceMap& {
        return (components & component) ? map : keep;
    };
    auto bytes = [&](const RLBuffer& b, uint32_t component, uint8_t fill) -> std::unique_ptr<RLBuffer> {
        if (turnDegrees && (components & component) && b.BytesPerPixel() == 1) {
            auto turned = b.Rotate(*turnDegrees, true, false, fill);
            if (turned && turned->Width() == d.Width() && turned->Height() == d.Height()) {
                return turned;
            }
        }
        return remap.Bytes(b, mapOf(component), fill);
    };
    geometry::TransformedParts parts;
    bool ok = true;
    // Order matters: the line indices come after the coverage, which points them at their lines. The
    // masks go first: their pass makes the table of sources the other parts then share.
    // The occupancy and the coverage go together when they are of one size.
    const SuperBitBuffer* drawing = layer.frame ? layer.frame->drawingBuffer.get() : nullptr;
    const SuperBitBuffer* coverage = layer.lineArt ? layer.lineArt->lineBuffer.get() : nullptr;
    if (ok && drawing && coverage && drawing->Width() == coverage->Width() &&
        drawing->Height() == coverage->Height()) {
        Remapper::MaskJob drawingJob{drawing, false, nullptr};
        Remapper::MaskJob coverageJob{coverage, true, nullptr};
        ok = remap.Masks({&drawingJob, &coverageJob}, mapOf(kMorphLines));
        parts.drawing = std::move(drawingJob.out);
        parts.coverage = std::move(coverageJob.out);
        drawing = nullptr;
        coverage = nullptr;
    }
    if (ok && drawing) {
        parts.drawing = remap.Mask(*drawing, mapOf(kMorphLines), false);
        ok = parts.drawing != nullptr;
    }
    if (layer.color) {
        const uint8_t fills[ObjectColor::kChannels] = {0, 255, 255, 255, 0};
        for (int i = 0; i < ObjectColor::kChannels && ok; ++i) {
            if (const RLBuffer* c = layer.color->Channel(i)) {
                parts.color[i] = bytes(*c, kMorphSurface, fills[i]);
                ok = parts.color[i] != nullptr;
            }
        }
    }
    auto make = [&](const std::unique_ptr<RLBuffer>& slot, std::unique_ptr<RLBuffer>& out, uint32_t component,
                    uint8_t fill) {
        if (ok && slot) {
            out = bytes(*slot, component, fill);
            ok = out != nullptr;
        }
    };
    if (layer.shadow) {
        make(layer.shadow->appearanceIndex, parts.shadowIndex, kMorphLighting, 0);
        make(layer.shadow->lighting, parts.lighting, kMorphLighting, ObjectShadow::kNeutral);
    }
    make(layer.auxBuffer, parts.aux, kMorphSurface, 0);
    if (ok && layer.image) {
        parts.image = remap.Image(*layer.image, mapOf(kMorphSurface));
        ok = parts.image != nullptr;
    }
    if (layer.lineArt) {
        ObjectLineArt& l = *layer.lineArt;
        if (ok && coverage) {
            parts.coverage = remap.Mask(*coverage, mapOf(kMorphLines), true);
            ok = parts.coverage != nullptr;
        }
        // The indices follow the coverage pixel by pixel, so they are gathered, never turned.
        auto index = [&](const std::unique_ptr<RLBuffer>& slot, std::unique_ptr<RLBuffer>& out) {
            if (ok && slot) {
                out = remap.Bytes(*slot, mapOf(kMorphLines), 0, true);
                ok = out != nullptr;
            }
        };
        index(l.lineAppearanceIndex, parts.lineIndex);
        index(l.colorAppearanceIndex, parts.colorIndex);
        index(l.refreshAppearance, parts.refresh);
        index(l.refreshWidth, parts.widths);
    }
    if (progress) {
        progress->Finish();
    }
    if (!ok) {
        return false;
    }
    const SourceMap& frameMap = mapOf(kMorphLines);
    if (layer.frame) {
        for (Wireframe::Corner& c : layer.frame->corners) {
            const PointTS p = frameMap.Forward(c.x, c.y);
            c = Wireframe::Corner{static_cast<int32_t>(std::lround(p.x)) - d.left,
                                  static_cast<int32_t>(std::lround(p.y)) - d.top};
        }
    }
    geometry::InstallParts(layer, parts);
    layer.offsetX = d.left;
    layer.offsetY = d.top;
    layer.bounds = d;
    return true;
}

bool MorphLayer(LayerObject& layer, const std::array<PointTS, 4>& corners, uint32_t components,
                ProgressMeter* progress) {
    const int32_t w = layer.PartWidth();
    const int32_t h = layer.PartHeight();
    MorphMesh mesh;
    if (w <= 0 || h <= 0 || !mesh.Build(corners, w, h)) {
        return false;
    }
    // A component left out stays where it is: the layer grows to hold it.
    const bool surface = layer.color || layer.image || layer.auxBuffer;
    const bool lighting = layer.shadow != nullptr;
    const bool lines = layer.lineArt || layer.frame;
    const bool keepsSome = (surface && !(components & kMorphSurface)) ||
                           (lighting && !(components & kMorphLighting)) ||
                           (lines && !(components & kMorphLines));
    const Rect old{layer.offsetX, layer.offsetY, layer.offsetX + w, layer.offsetY + h};
    const Rect dest = keepsSome ? Union(mesh.Bounds(), old) : mesh.Bounds();
    // The mesh is laid over the quadrilateral's own rectangle; a larger layer reads it through a map
    // of the same mesh over the larger rectangle.
    class Grown final : public SourceMap {
    public:
        Grown(const MeshSourceMap& inner, const Rect& dest) : m_inner(inner), m_dest(dest) {}
        Rect Destination() const override { return m_dest; }
        void Row(int32_t y, int32_t left, int32_t right, double* sx, double* sy) const override {
            const Rect q = m_inner.Destination();
            for (int32_t x = left; x < right; ++x) {
                sx[x - left] = -1;
            }
            if (y < q.top || y >= q.bottom) {
                return;
            }
            const int32_t a = std::max(left, q.left);
            const int32_t b = std::min(right, q.right);
            if (a < b) {
                m_inner.Row(y, a, b, sx + (a - left), sy + (a - left));
            }
        }
        bool Point(double x, double y, double& sx, double& sy) const override {
            return m_inner.Point(x, y, sx, sy);
        }
        PointTS Forward(double sx, double sy) const override { return m_inner.Forward(sx, sy); }
        StepBound Steps() const override { return m_inner.Steps(); }

    private:
        const MeshSourceMap& m_inner;
        Rect m_dest;
    };
    const MeshSourceMap onto(mesh, w, h);
    const Grown grown(onto, dest);
    const ShiftSourceMap keep(dest, layer.offsetX, layer.offsetY, w, h);
    return RemapLayer(layer, grown, keep, components, progress);
}

bool TurnLayerBy(LayerObject& layer, double degrees, ProgressMeter* progress) {
    const int32_t w = layer.PartWidth();
    const int32_t h = layer.PartHeight();
    if (w <= 0 || h <= 0 || !std::isfinite(degrees)) {
        return false;
    }
    const Rect old{layer.offsetX, layer.offsetY, layer.offsetX + w, layer.offsetY + h};
    const TurnSourceMap turn(old, w, h, degrees);
    return RemapLayer(layer, turn, turn, kMorphLines | kMorphLighting | kMorphSurface, progress, &degrees);
}

} // namespace ts
