#include "render/compositor.h"

#include "raster/pixel_tables.h"
#include "raster/super_bit_buffer.h"
#include "render/compositor_kernels.h"
#include "render/compositor_rows.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cstring>
#include <exception>
#include <thread>
#include <utility>

namespace ts {

using namespace compositing;

namespace {

// dest[i] = tile[(start + i) % period] for i < n: one period, then doubling copies of what is there.
template <class T> void TileRow(T* dest, size_t n, const T* tile, size_t period, size_t start) {
    const size_t head = std::min(n, period - start);
    std::memcpy(dest, tile + start, head * sizeof(T));
    std::memcpy(dest + head, tile, std::min(n - head, start) * sizeof(T));
    for (size_t done = std::min(n, period); done < n; done += std::min(done, n - done)) {
        std::memcpy(dest + done, dest, std::min(done, n - done) * sizeof(T));
    }
}

// The deviation ReduceDeviation(p[i] - average, index) as its positive part up[i] and negative part
// down[i], with the reduction chosen once for the whole run.
void ReduceDeviations(const uint8_t* p, size_t n, int32_t average, int32_t index, uint8_t* up,
                      uint8_t* down) {
    const auto a = static_cast<int16_t>(average);
    auto each = [&](auto reduce) {
        for (size_t i = 0; i < n; ++i) {
            const auto d = static_cast<int16_t>(reduce(static_cast<int16_t>(p[i] - a)));
            up[i] = static_cast<uint8_t>(std::max<int16_t>(d, 0));
            down[i] = static_cast<uint8_t>(std::max<int16_t>(static_cast<int16_t>(-d), 0));
        }
    };
    switch (index) {
    case 0:
        each([](int16_t v) { return v; });
        break;
    case 1:
        each([](int16_t v) { return v - (v >> 2); });
        break;
    case 2:
        each([](int16_t v) { return v - (v >> 1); });
        break;
    case 3:
        each([](int16_t v) { return v - ((v >> 2) + (v >> 1)); });
        break;
    default:
        std::fill(up, up + n, uint8_t{0});
        std::fill(down, down + n, uint8_t{0});
        break;
    }
}

} // namespace

uint32_t AverageSampler::Average(uint32_t fallback) const {
    if (count == 0) {
        return fallback;
    }
    return static_cast<uint32_t>(sum[2] / count) | static_cast<uint32_t>(sum[1] / count) << 8 |
           static_cast<uint32_t>(sum[0] / count) << 16;
}

Compositor::Compositor(ImageStackManager& stack) : m_stack(stack), m_scratch(kScratchRows) {}

std::unique_ptr<FastBitonalMask> Compositor::BuildGrainMask(const Image24& picture) {
    if (picture.Width() <= 0 || picture.Height() <= 0) {
        return nullptr;
    }
    auto mask = std::make_unique<FastBitonalMask>();
    if (!mask->Resize(kGrainSize, kGrainSize)) {
        return nullptr;
    }
    for (int32_t y = 0; y < kGrainSize; ++y) {
        const uint8_t* row = picture.Row(y % picture.Height());
        for (int32_t x = 0; x < kGrainSize; ++x) {
            if (row[static_cast<size_t>(x % picture.Width()) * 3] < 128) {
                mask->SetBit(x, y);
            }
        }
    }
    return mask;
}

uint32_t Compositor::PaperAverage() const {
    const LayerObject* paperLayer = m_stack.Layer(ImageStackManager::kPaperIndex);
    const BMap* picture = paperLayer ? paperLayer->image.get() : nullptr;
    if (!m_paperAverageValid || picture != m_paperAverageOf) {
        // White only without a paper picture; a board whose sampled pixels all hold a zero byte (black
        // or a pure colour) averages to 0, black, as the compositor and the grain read it.
        const Image24* pixels = PaperPicture();
        m_paperAverage = pixels ? AverageColor(*pixels) : 0x00FFFFFF;
        m_paperAverageOf = picture;
        m_paperAverageValid = true;
    }
    return m_paperAverage;
}

const Image24* Compositor::PaperPicture() const {
    const LayerObject* paperLayer = m_stack.Layer(ImageStackManager::kPaperIndex);
    if (!paperLayer || !paperLayer->image || paperLayer->image->Width() <= 0) {
        return nullptr;
    }
    return &paperLayer->image->pixels;
}

// One row of the band: the paper under it, tiled from the drawing's origin, or its average colour when
// the grain is shown at screen scale (white without a board). The row starts as the paper.
void Compositor::PrepareRow(Row& row) {
    const auto count = static_cast<size_t>(m_count);
    if (!m_textured) {
        for (int b = 0; b < 3; ++b) {
            std::memset(row.plane[b], m_average[b], count);
        }
        return;
    }
    const Image24& board = *PaperPicture();
    const auto period = static_cast<size_t>(board.Width());
    const auto first = static_cast<int64_t>(m_first);
    const auto length = static_cast<int64_t>(row.tileLength);
    row.tileStart = static_cast<size_t>((first % length + length) % length);
    row.boardRow = row.y % board.Height();
    bool makeTile = true;
    if (m_boardKept) {
        uint8_t* kept = BoardRowBytes(row.boardRow);
        const size_t stride = row.tileLength + kSlack;
        for (size_t b = 0; b < 3; ++b) {
            row.tile[b] = kept + b * stride;
        }
        uint8_t& state = m_boardRows.state[static_cast<size_t>(row.boardRow)];
        makeTile = state == kNotMade;
        state = std::max(state, kTileMade);
    }
    if (makeTile) {
        kernels::Deinterleave(board.Row(row.boardRow), period, row.tile);
        for (int b = 0; b < 3; ++b) {
            TileRow(row.tile[b] + period, row.tileLength - period, row.tile[b], period, 0);
        }
    }
    for (int b = 0; b < 3; ++b) {
        TileRow(row.plane[b], count, row.tile[b], row.tileLength, row.tileStart);
    }
}

// The board's deviation from its average reduced by the painted amount, over the row's tile: what
// plain pencil adds to its colour. Made once a row (or once a board row, while they are kept), for
// the first layer that needs it.
const kernels::Deviations& Compositor::MakeDeviation(Row& row) {
    const size_t stride = row.tileLength + kSlack;
    uint8_t* base = m_deviation.data() + row.index * 6 * stride;
    bool made = false;
    if (m_boardKept) {
        base = BoardRowBytes(row.boardRow) + 3 * stride;
        uint8_t& state = m_boardRows.state[static_cast<size_t>(row.boardRow)];
        made = state == kDeviationMade;
        state = kDeviationMade;
    }
    for (size_t b = 0; b < 3; ++b) {
        uint8_t* up = base + 2 * b * stride;
        uint8_t* down = up + stride;
        if (!made) {
            ReduceDeviations(row.tile[b], row.tileLength, m_average[b], paper.paintedAmount, up, down);
        }
        row.deviation.up[b] = up;
        row.deviation.down[b] = down;
    }
    return row.deviation;
}

size_t Compositor::TileLength(const Image24* board) {
    // The board row is repeated to at least 512 pixels, so that pencil blends in long pieces.
    constexpr size_t kMinTile = 512;
    const size_t period = board ? static_cast<size_t>(board->Width()) : 0;
    return board && period ? period * ((std::max(period, kMinTile) + period - 1) / period) : 0;
}

bool Compositor::UseBoardRows(const Image24& board, size_t tileLength) {
    BoardRows& kept = m_boardRows;
    if (board.Height() <= 0 || board.Height() > BoardRows::kMaxRows || tileLength == 0) {
        return false;
    }
    if (kept.pixels != board.Row(0) || kept.width != board.Width() || kept.height != board.Height() ||
        kept.generation != m_paperGeneration || kept.paintedAmount != paper.paintedAmount ||
        !std::equal(std::begin(m_average), std::end(m_average), std::begin(kept.average)) ||
        kept.tileLength != tileLength) {
        kept.pixels = board.Row(0);
        kept.width = board.Width();
        kept.height = board.Height();
        kept.generation = m_paperGeneration;
        kept.paintedAmount = paper.paintedAmount;
        std::copy(std::begin(m_average), std::end(m_average), std::begin(kept.average));
        kept.tileLength = tileLength;
        kept.bytes.resize(static_cast<size_t>(board.Height()) * 9 * (tileLength + kSlack));
        kept.state.assign(static_cast<size_t>(board.Height()), kNotMade);
    }
    return true;
}

uint8_t* Compositor::BoardRowBytes(int32_t boardRow) {
    return m_boardRows.bytes.data() + static_cast<size_t>(boardRow) * 9 * (m_boardRows.tileLength + kSlack);
}

uint8_t Compositor::PaperByte(const Row& row, int b, size_t at) const {
    return row.tile[0] ? row.tile[b][(row.tileStart + at) % row.tileLength] : m_average[b];
}

// Average sampling and the finished row into its destination.
void Compositor::FinishRow(Row& row, uint8_t* dest, AverageSampler* sampler) {
    if (sampler && row.y % 4 == 0) {
        for (int32_t x = (m_first + 3) & ~3; x < m_first + m_count; x += 4) {
            const auto at = static_cast<size_t>(x - m_first);
            const uint8_t p[3] = {row.plane[0][at], row.plane[1][at], row.plane[2][at]};
            if (p[0] && p[1] && p[2]) {
                sampler->sum[0] += p[0];
                sampler->sum[1] += p[1];
                sampler->sum[2] += p[2];
                ++sampler->count;
            }
        }
    }
    kernels::Interleave(row.plane, static_cast<size_t>(m_count), dest, m_stream);
}

// The band's line pixels into the under-pixel store, which loses its rows' old elements in the
// composited columns; under the lock of the pass, taken once for the band.
void Compositor::StoreLines(UnderPixelManager& under) {
    std::unique_lock<std::mutex> lock;
    if (m_finishLock) {
        lock = std::unique_lock<std::mutex>(*m_finishLock);
    }
    for (const Row& row : m_rows) {
        under.LoadRow(row.y);
        const bool any = row.lines && row.lines->any;
        if (under.Holds(row.y, m_first, m_count, any ? row.lines->present.data() : nullptr,
                        any ? row.lines->elements.data() : nullptr)) {
            continue; // stored as it would be stored again
        }
        under.ClearColumns(m_first, m_count);
        if (any) {
            const LinePixels& lines = *row.lines;
            for (size_t w = 0; w < lines.present.size(); ++w) {
                for (uint32_t bits = lines.present[w]; bits; bits &= bits - 1) {
                    const size_t at = w * 32 + static_cast<size_t>(std::countr_zero(bits));
                    const uint8_t* e = lines.elements.data() + at * UnderPixelManager::kElementSize;
                    under.Set(m_first + static_cast<int32_t>(at), e + UnderPixelManager::kUnder,
                              e + UnderPixelManager::kLine, UnderPixelManager::Mask(e));
                }
            }
        }
        under.StoreRow(row.y);
    }
}

void Compositor::DrawLayer(const LayerObject& layer, FastBitonalMask* painted) {
    const bool color = switches.showColor && layer.ShowsSurface() && layer.color && layer.color->amount;
    const bool lighting = switches.showLighting && layer.ShowsLighting() && layer.shadow &&
                          layer.shadow->lighting && layer.shadow->appearanceIndex;
    const bool lines = switches.showLines && layer.ShowsLines() && layer.lineArt && layer.lineArt->lineBuffer;
    // The columns of the band the layer covers, the same for every row.
    RowSpan span;
    span.offsetX = layer.offsetX;
    span.from = std::max(m_first, layer.offsetX);
    span.to = std::min(m_first + m_count, layer.offsetX + m_stack.LayerWidth(layer));
    if (span.from >= span.to) {
        return;
    }
    const int32_t height = m_stack.LayerHeight(layer);
    const int32_t colorHeight = color ? layer.color->Height() : 0;
    const int32_t lightingHeight = lighting ? layer.shadow->lighting->Height() : 0;
    const int32_t linesHeight = lines ? layer.lineArt->lineBuffer->Height() : 0;
    if (color) {
        NewLayerKinds();
    }
    for (Row& row : m_rows) {
        span.layerRow = row.y - layer.offsetY;
        if (span.layerRow < 0 || span.layerRow >= height) {
            continue;
        }
        if (layer.image) {
            DrawImage(row, layer, span);
        }
        // A row with nothing painted is known from its summary, without a call.
        uint8_t only = 0;
        if (span.layerRow < colorHeight &&
            !(layer.color->amount->RowIsOneValue(span.layerRow, only) && only == 0)) {
            DrawColor(row, layer, span, painted);
        }
        if (span.layerRow < lightingHeight) {
            DrawLighting(row, layer, span);
        }
        if (span.layerRow < linesHeight) {
            DrawLines(row, layer, span);
        }
    }
}

// The painted colour a layer gives the band's rows, asked into the cache ahead of its use in two
// steps, the second needing what the first brought in: two layers ahead, where every channel's rows
// lie (and whether the amounts' rows hold anything and the appearances' rows are one value); one
// layer ahead, the codes themselves, of the first rows only: the rows' codes follow one another, and
// the processor's own prefetch carries on from there, while asking for every line of a tall band
// holds up the asking. A deep stack of short rows would otherwise wait on every one of them in turn.
void Compositor::PrefetchColor(const LayerObject& layer, int32_t y, int32_t rows, int ahead) const {
    constexpr size_t kAmountBytes = 16 * 1024;
    constexpr size_t kChannelBytes = 1024;
    constexpr int32_t kCodeRows = 8;
    if (!layer.color || !layer.color->amount) {
        return;
    }
    const int32_t first = y - layer.offsetY;
    const int32_t last = first + rows;
    const ObjectColor& color = *layer.color;
    const RLBuffer& amount = *color.amount;
    const std::array<const RLBuffer*, 4> channels{color.appearance.get(), color.blue.get(), color.green.get(),
                                                  color.red.get()};
    if (ahead == 2) {
        amount.PrefetchRowPlaces(first, last);
        amount.PrefetchRowSummaries(first, last);
        color.appearance->PrefetchRowSummaries(first, last);
        for (const RLBuffer* channel : channels) {
            channel->PrefetchRowPlaces(first, last);
        }
    } else {
        amount.PrefetchRowCodes(first, std::min(last, first + kCodeRows), kAmountBytes);
        for (const RLBuffer* channel : channels) {
            channel->PrefetchRowCodes(first, std::min(last, first + kCodeRows), kChannelBytes);
        }
    }
}

void Compositor::CompositeBand(int32_t y, int32_t rows, uint8_t* dest, size_t destStride,
                               FastBitonalMask* painted, UnderPixelManager* under, AverageSampler* sampler) {
    const auto count = static_cast<size_t>(m_count);
    const size_t stride = count + kSlack;
    const auto band = static_cast<size_t>(rows);
    const Image24* board = m_textured ? PaperPicture() : nullptr;
    const size_t tileLength = TileLength(board);
    const size_t tileStride = tileLength + kSlack;
    uint8_t* planes = Scratch(kPlaneRows, band * 3 * stride);
    uint8_t* tiles = m_boardKept ? nullptr : Scratch(kTileRows, band * 3 * tileStride);
    if (!m_boardKept && m_deviation.size() < band * 6 * tileStride) {
        m_deviation.resize(band * 6 * tileStride);
    }
    m_rows.resize(band);
    m_lines.resize(m_trackLines ? band : 0);
    for (size_t r = 0; r < band; ++r) {
        Row& row = m_rows[r];
        row = Row{};
        row.y = y + static_cast<int32_t>(r);
        row.index = r;
        row.tileLength = tileLength;
        for (size_t b = 0; b < 3; ++b) {
            row.plane[b] = planes + (r * 3 + b) * stride;
            row.tile[b] = board && tiles ? tiles + (r * 3 + b) * tileStride : nullptr;
        }
        if (m_trackLines) {
            row.lines = &m_lines[r];
            row.lines->any = false;
        }
        PrepareRow(row);
        if (painted) {
            kernels::ClearBits(painted->Row(row.y), m_first, m_first + m_count);
        }
    }
    const int32_t current = m_stack.Current();
    auto shown = [&](int32_t i) {
        return i < m_stack.Count() && !m_stack.Layer(i)->hidden &&
               (!switches.showSelectedOnly || i == current);
    };
    for (int32_t i = ImageStackManager::kFirstDrawingLayer; i < m_stack.Count(); ++i) {
        if (i == ImageStackManager::kFirstDrawingLayer) {
            for (const auto& [layer, ahead] : {std::pair{i, 2}, std::pair{i, 1}, std::pair{i + 1, 2}}) {
                if (shown(layer)) {
                    PrefetchColor(*m_stack.Layer(layer), y, rows, ahead);
                }
            }
        }
        for (int32_t ahead : {2, 1}) {
            if (shown(i + ahead)) {
                PrefetchColor(*m_stack.Layer(i + ahead), y, rows, ahead);
            }
        }
        if (shown(i)) {
            DrawLayer(*m_stack.Layer(i), painted);
        }
    }
    for (size_t r = 0; r < band; ++r) {
        FinishRow(m_rows[r], dest + r * destStride, sampler);
    }
    if (under) {
        StoreLines(*under);
    }
}

void Compositor::CompositeRows(int32_t y, int32_t rows, int32_t first, int32_t count, uint8_t* dest,
                               size_t destStride, FastBitonalMask* painted, UnderPixelManager* under,
                               AverageSampler* sampler) {
    if (count <= 0 || rows <= 0) {
        return;
    }
    m_first = first;
    m_count = count;
    m_textured = !paper.textureOneToOne && PaperPicture() != nullptr;
    m_trackLines = under != nullptr;
    // An area much larger than the cache is written around it.
    constexpr size_t kStreamBytes = size_t{16} << 20;
    m_stream = static_cast<size_t>(rows) * static_cast<size_t>(count) * 3 >= kStreamBytes;
    const uint32_t average = PaperAverage();
    for (int b = 0; b < 3; ++b) {
        m_average[b] = ColorByte(average, b);
    }
    const Image24* board = m_textured ? PaperPicture() : nullptr;
    m_boardKept = board && UseBoardRows(*board, TileLength(board));
    // Bands small enough that their rows stay in the cache while every layer is drawn over them, and
    // tall enough that what every layer costs a band (finding its rows, asking them into the cache)
    // is shared by many rows: on deep stacks of narrow areas that outweighs the rows and the board
    // deviation under them leaving the first-level cache (measured).
    constexpr int32_t kBandBytes = 192 * 1024;
    constexpr int32_t kMaxBandRows = 32;
    const int32_t band = std::clamp(kBandBytes / (3 * count), 1, kMaxBandRows);
    if (!WorthSplitting(rows, count, band)) {
        CompositeBands(y, rows, band, dest, destStride, painted, under, sampler);
        return;
    }
    // Both threads take the next band not yet taken, so that neither waits on the other when one is
    // slowed. Rows are independent but for the under-pixel store, which takes them one at a time, and
    // the sampler's sums, kept apart.
    Compositor& partner = Partner();
    std::atomic<int32_t> next{0};
    std::mutex finish;
    m_finishLock = &finish;
    partner.m_finishLock = &finish;
    AverageSampler partnerSums;
    std::exception_ptr failure;
    std::thread second([&] {
        try {
            partner.CompositeBands(y, rows, band, dest, destStride, painted, under,
                                   sampler ? &partnerSums : nullptr, &next);
        } catch (...) {
            failure = std::current_exception();
        }
    });
    try {
        CompositeBands(y, rows, band, dest, destStride, painted, under, sampler, &next);
    } catch (...) {
        second.join();
        m_finishLock = nullptr;
        throw;
    }
    second.join();
    m_finishLock = nullptr;
    if (failure) {
        std::rethrow_exception(failure);
    }
    if (sampler) {
        for (int b = 0; b < 3; ++b) {
            sampler->sum[b] += partnerSums.sum[b];
        }
        sampler->count += partnerSums.count;
    }
}

void Compositor::CompositeBands(int32_t y, int32_t rows, int32_t band, uint8_t* dest, size_t destStride,
                                FastBitonalMask* painted, UnderPixelManager* under, AverageSampler* sampler,
                                std::atomic<int32_t>* next) {
    if (!next) {
        for (int32_t done = 0; done < rows; done += band) {
            CompositeBand(y + done, std::min(band, rows - done),
                          dest + static_cast<size_t>(done) * destStride, destStride, painted, under, sampler);
        }
        return;
    }
    // Shared rows are taken in bands that shrink towards the end, down to a few rows, so that neither
    // thread is left with a whole band to finish while the other has nothing.
    constexpr int32_t kLastBandRows = 2;
    int32_t done = next->load(std::memory_order_relaxed);
    for (;;) {
        int32_t take = 0;
        do {
            if (done >= rows) {
                return;
            }
            const int32_t left = rows - done;
            take = std::min(left, std::clamp(left / 4, std::min(kLastBandRows, band), band));
        } while (!next->compare_exchange_weak(done, done + take, std::memory_order_relaxed));
        CompositeBand(y + done, take, dest + static_cast<size_t>(done) * destStride, destStride, painted,
                      under, sampler);
        done = next->load(std::memory_order_relaxed);
    }
}

bool Compositor::WorthSplitting(int32_t rows, int32_t count, int32_t band) const {
    // Starting a thread costs tens of microseconds: areas below about a million layer pixels, such as
    // the rectangle under a brush, stay on this one.
    constexpr int64_t kMinWork = int64_t{1} << 20;
    static const bool twoCores = std::thread::hardware_concurrency() > 1;
    if (!m_parallel || !twoCores || rows < 2 * band) {
        return false;
    }
    int64_t layers = 1;
    for (int32_t i = ImageStackManager::kFirstDrawingLayer; i < m_stack.Count(); ++i) {
        layers += m_stack.Layer(i)->hidden ? 0 : 1;
    }
    return int64_t{rows} * count * layers >= kMinWork;
}

Compositor& Compositor::Partner() {
    if (!m_partner) {
        m_partner = std::make_unique<Compositor>(m_stack);
        m_partner->m_parallel = false;
    }
    Compositor& p = *m_partner;
    p.switches = switches;
    p.paper = paper;
    p.m_grain = m_grain;
    p.m_paperAverage = m_paperAverage;
    p.m_paperAverageOf = m_paperAverageOf;
    p.m_paperAverageValid = m_paperAverageValid;
    p.m_first = m_first;
    p.m_count = m_count;
    p.m_textured = m_textured;
    p.m_trackLines = m_trackLines;
    p.m_stream = m_stream;
    std::copy(std::begin(m_average), std::end(m_average), std::begin(p.m_average));
    // The partner keeps board rows of its own.
    p.m_paperGeneration = m_paperGeneration;
    const Image24* board = m_textured ? PaperPicture() : nullptr;
    p.m_boardKept = board && p.UseBoardRows(*board, TileLength(board));
    return p;
}

void Compositor::CompositeRow(int32_t y, int32_t first, int32_t count, uint8_t* dest,
                              FastBitonalMask* painted, UnderPixelManager* under, AverageSampler* sampler) {
    CompositeRows(y, 1, first, count, dest, 0, painted, under, sampler);
}

} // namespace ts
