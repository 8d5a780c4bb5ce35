#include "render/compositor.h"

#include "raster/pixel_tables.h"
#include "raster/super_bit_buffer.h"
#include "render/compositor_kernels.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cstring>
#include <exception>
#include <thread>
#include <utility>

namespace ts {

namespace {

using kernels::kSlack;

// Byte b (0 blue, 1 green, 2 red) of a colour value 0x00BBGGRR.
inline uint8_t ColorByte(uint32_t color, int b) {
    return static_cast<uint8_t>(color >> (16 - 8 * b));
}

inline uint8_t Blend(uint8_t alpha, uint8_t top, uint8_t under) {
    return static_cast<uint8_t>(
        std::min(255, Mul8(alpha, top) + Mul8(static_cast<uint8_t>(255 - alpha), under)));
}

enum ScratchRow : size_t {
    kPlaneRows,
    kTileRows,
    kAmountRow,
    kAppearanceRow,
    kBlueRow,
    kGreenRow,
    kRedRow,
    kColourRows,
    kLevelRow,
    kLightIndexRow,
    kMaskRow,
    kLineColorRow,
    kScratchRows
};

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

uint8_t* Compositor::Scratch(size_t index, size_t bytes) {
    std::vector<uint8_t>& row = m_scratch[index];
    if (row.size() < bytes + kSlack) {
        row.resize(bytes + kSlack);
    }
    return row.data();
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

void Compositor::DrawImage(Row& row, const LayerObject& layer, const RowSpan& s) {
    const Image24& picture = layer.image->pixels;
    if (s.layerRow >= picture.Height()) {
        return;
    }
    const int32_t to = std::min(s.to, s.offsetX + picture.Width());
    if (s.from >= to) {
        return;
    }
    const auto at = static_cast<size_t>(s.from - m_first);
    uint8_t* dest[3] = {row.plane[0] + at, row.plane[1] + at, row.plane[2] + at};
    kernels::Deinterleave(picture.Pixel(s.from - s.offsetX, s.layerRow), static_cast<size_t>(to - s.from),
                          dest);
}

// Plain pencil over row positions at .. at + n - 1, in pieces that each read one stretch of the tiled
// deviation: the first from the tile position of `at`, the others from the tile's start.
void Compositor::BlendPencil(Row& row, const uint8_t* amount, const kernels::Colours& colours, size_t at,
                             size_t n, bool dimmed, kernels::Marks marks) {
    const kernels::Deviations& deviation = Deviation(row);
    size_t t = row.tileStart + at;
    while (t >= row.tileLength) {
        t -= row.tileLength;
    }
    for (size_t i = 0; i < n; t = 0) {
        const size_t length = std::min(n - i, row.tileLength - t);
        kernels::Colours c = colours;
        kernels::Deviations d;
        uint8_t* out[3];
        for (size_t b = 0; b < 3; ++b) {
            c.plane[b] += c.uniform[b] ? 0 : i;
            d.up[b] = deviation.up[b] + t;
            d.down[b] = deviation.down[b] + t;
            out[b] = row.plane[b] + at + i;
        }
        kernels::BlendPencil(amount + i, c, d, out, length, dimmed,
                             {marks.words, marks.x0 + static_cast<int32_t>(i)});
        i += length;
    }
}

// The colour C of each painted pixel of a span at row position `at`, for any appearance: plain pencil
// (type 0) takes the reduced deviation, the blends and textured types the full one.
void Compositor::MixedColors(Row& row, const ObjectColor& color, const uint8_t* amount,
                             const uint8_t* appearance, const kernels::Colours& channels, size_t at, size_t n,
                             uint8_t* const colour[3]) {
    const kernels::Deviations* deviation = row.tile[0] ? &Deviation(row) : nullptr;
    const bool opacity = switches.showOpacity;
    for (size_t i = 0; i < n; ++i) {
        if (amount[i] == 0) {
            continue;
        }
        const CColorAppearance* entry = color.appearances.Slot(appearance[i]);
        const int32_t type = entry ? entry->reference : 0;
        const uint8_t share = entry ? entry->p1 : 255;
        const size_t t = (row.tileStart + at + i) % std::max<size_t>(row.tileLength, 1);
        for (int b = 0; b < 3; ++b) {
            const uint8_t p = PaperByte(row, b, at + i);
            const int32_t full = deviation ? p - m_average[b] : 0;
            const int32_t d = type != 0 ? full : deviation ? deviation->up[b][t] - deviation->down[b][t] : 0;
            const uint8_t pencil = ClampAdd(channels.plane[b][channels.uniform[b] ? 0 : i], d);
            uint8_t c = p;
            if (type == 0 || type > 11) {
                c = pencil;
            } else if (type == 1) {
                c = opacity ? 0 : p;
            } else if (type >= 3 && type <= 8) {
                c = Blend(share, pencil, p);
            }
            colour[b][i] = c;
        }
    }
}

namespace {

void MarkPlainPencil(const ObjectColor& color, const uint8_t* amount, const uint8_t* appearance, size_t n,
                     uint32_t* words, int32_t x0) {
    for (size_t i = 0; i < n; ++i) {
        const CColorAppearance* entry = color.appearances.Slot(appearance[i]);
        if (amount[i] != 0 && (!entry || entry->reference == 0)) {
            const int32_t x = x0 + static_cast<int32_t>(i);
            words[x >> 5] |= uint32_t{1} << (x & 31);
        }
    }
}

} // namespace

// Painted colour over the row. Only the stretch between the first and the last painted pixel of the
// layer row is decoded, and of the colour channels only those that vary there; a stretch of plain
// pencil blends without looking at appearances per pixel.
void Compositor::DrawColor(Row& row, const LayerObject& layer, const RowSpan& s, FastBitonalMask* painted) {
    const ObjectColor& color = *layer.color;
    const int32_t to = std::min(s.to, s.offsetX + color.Width());
    if (s.from >= to) {
        return;
    }
    const auto lx = static_cast<size_t>(s.from - s.offsetX);
    const auto span = static_cast<size_t>(to - s.from);
    uint8_t* amount = Scratch(kAmountRow, span);
    const rowcodec::SpanInfo found = color.amount->ReadContent(s.layerRow, lx, lx + span, amount, 0);
    const size_t begin = found.first;
    const size_t end = found.last;
    if (begin == end) {
        return;
    }
    const size_t n = end - begin;
    const uint8_t* a = amount + begin;
    const int32_t x0 = s.from + static_cast<int32_t>(begin);
    const auto at = static_cast<size_t>(x0 - m_first);
    // A channel of one value over the whole layer row is known from its codes without decoding.
    alignas(16) uint8_t uniformBytes[3][16];
    const RLBuffer* planes[3] = {color.blue.get(), color.green.get(), color.red.get()};
    kernels::Colours channels;
    for (int b = 0; b < 3; ++b) {
        uint8_t value = 0;
        if (planes[b]->RowIsOneValue(s.layerRow, value)) {
            std::memset(uniformBytes[b], value, sizeof(uniformBytes[b]));
            channels.plane[b] = uniformBytes[b];
            channels.uniform[b] = true;
        } else {
            uint8_t* bytes = Scratch(kBlueRow + static_cast<size_t>(b), n);
            planes[b]->ReadSpan(s.layerRow, lx + begin, lx + end, bytes, 0);
            channels.plane[b] = bytes;
        }
    }
    uint8_t* appearance = Scratch(kAppearanceRow, n);
    rowcodec::SpanInfo kinds;
    kinds.uniform = color.appearance->RowIsOneValue(s.layerRow, kinds.value);
    if (!kinds.uniform) {
        kinds = color.appearance->ReadSpan(s.layerRow, lx + begin, lx + end, appearance, 0);
    }
    const CColorAppearance* uniform = kinds.uniform ? color.appearances.Slot(kinds.value) : nullptr;
    if (kinds.uniform && (!uniform || uniform->reference == 0)) {
        const kernels::Marks marks{painted ? painted->Row(row.y) : nullptr, x0};
        if (row.tile[0]) {
            BlendPencil(row, a, channels, at, n, layer.dimmed, marks);
        } else {
            uint8_t* out[3] = {row.plane[0] + at, row.plane[1] + at, row.plane[2] + at};
            kernels::BlendColour(a, channels, out, n, layer.dimmed, marks);
        }
    } else {
        if (kinds.uniform) {
            std::memset(appearance, kinds.value, n);
        }
        uint8_t* colours = Scratch(kColourRows, 3 * (n + kSlack));
        uint8_t* colour[3] = {colours, colours + n + kSlack, colours + 2 * (n + kSlack)};
        MixedColors(row, color, a, appearance, channels, at, n, colour);
        if (painted) {
            MarkPlainPencil(color, a, appearance, n, painted->Row(row.y), x0);
        }
        kernels::Colours mixed;
        std::copy(colour, colour + 3, mixed.plane);
        uint8_t* out[3] = {row.plane[0] + at, row.plane[1] + at, row.plane[2] + at};
        kernels::BlendColour(a, mixed, out, n, layer.dimmed);
    }
    if (row.lines && row.lines->any) {
        for (size_t i = 0; i < n; ++i) {
            if (a[i] != 0 && (row.lines->present[(at + i) >> 5] >> ((at + i) & 31) & 1u)) {
                UnderPixelManager::SetMask(LineElement(row, at + i), 0); // the colour now lies over the line
            }
        }
    }
}

// Lighting over the row; only the stretch whose levels are not neutral is read and worked.
void Compositor::DrawLighting(Row& row, const LayerObject& layer, const RowSpan& s) {
    const ObjectShadow& shadow = *layer.shadow;
    const int32_t to = std::min(s.to, s.offsetX + shadow.lighting->Width());
    if (s.from >= to) {
        return;
    }
    const auto lx = static_cast<size_t>(s.from - s.offsetX);
    const auto span = static_cast<size_t>(to - s.from);
    uint8_t* levels = Scratch(kLevelRow, span);
    const rowcodec::SpanInfo found = shadow.lighting->ReadContent(s.layerRow, lx, lx + span, levels, 128);
    if (found.first == found.last) {
        return;
    }
    uint8_t* lights = Scratch(kLightIndexRow, found.last - found.first);
    const size_t lightsTo = std::min(lx + found.last, static_cast<size_t>(shadow.appearanceIndex->Width()));
    std::memset(lights, 0, found.last - found.first);
    if (lx + found.first < lightsTo) {
        shadow.appearanceIndex->ReadSpan(s.layerRow, lx + found.first, lightsTo, lights, 0);
    }
    for (size_t i = found.first; i < found.last; ++i) {
        const int32_t x = s.from + static_cast<int32_t>(i);
        int32_t h = levels[i];
        const uint8_t l = lights[i - found.first];
        if (h != 128 && h >= 3 && h <= 244 && m_grain) {
            h = m_grain->TestBit(x & (kGrainSize - 1), row.y & (kGrainSize - 1)) ? h - 1 : h + 10;
        }
        if (layer.dimmed) {
            h = 128 + ((h - 128) >> 2);
        }
        if (h == 128) {
            continue;
        }
        // Light colour and shade colour of the pixel's light: the entry's colour and its reference.
        const ShadowAppearance* light = shadow.appearances.Slot(l);
        const uint32_t tint = h > 128 ? (light ? static_cast<uint32_t>(light->color) : 0x00FFFFFFu)
                                      : (light ? static_cast<uint32_t>(light->reference) : 0u);
        // A level of 0 would give 256: the opacity is capped at full.
        const auto o = static_cast<uint8_t>(std::min(255, h > 128 ? 2 * (h - 128) : 2 * (128 - h)));
        const uint32_t ramp = layer.lightingRamp[static_cast<size_t>(std::clamp(h, 0, 255))];
        int32_t alphaLevel = static_cast<int32_t>(ramp >> 24);
        switch (l & 7) {
        case 1:
            alphaLevel = 0;
            break;
        case 2:
            alphaLevel /= 2;
            break;
        case 3:
            alphaLevel += alphaLevel / 2;
            break;
        case 4:
            alphaLevel *= 2;
            break;
        default:
            break;
        }
        const auto alpha = static_cast<uint8_t>(std::min(alphaLevel, 255));
        const uint8_t w[3] = {static_cast<uint8_t>(ramp), static_cast<uint8_t>(ramp >> 8),
                              static_cast<uint8_t>(ramp >> 16)};
        auto lightUp = [&](uint8_t& px, int b) {
            px = Blend(o, ColorByte(tint, b), px);
            px = Blend(alpha, w[b], px);
        };
        const auto at = static_cast<size_t>(x - m_first);
        for (int b = 0; b < 3; ++b) {
            lightUp(row.plane[b][at], b);
        }
        if (row.lines && row.lines->any && (row.lines->present[at >> 5] >> (at & 31) & 1u)) {
            uint8_t* e = LineElement(row, at) + UnderPixelManager::kUnder;
            for (int b = 0; b < 3; ++b) {
                lightUp(e[b], b);
            }
        }
    }
}

// The element of row position at, made present (its bytes as they were) when it was not.
uint8_t* Compositor::LineElement(Row& row, size_t at) {
    LinePixels& lines = *row.lines;
    if (!lines.any) {
        const size_t words = static_cast<size_t>(m_count) / 32 + 1;
        lines.present.assign(words, 0);
        lines.elements.resize(static_cast<size_t>(m_count) * UnderPixelManager::kElementSize);
        lines.any = true;
    }
    lines.present[at >> 5] |= uint32_t{1} << (at & 31);
    return lines.elements.data() + at * UnderPixelManager::kElementSize;
}

// Line coverage over the row; only the stretch holding coverage is read.
void Compositor::DrawLines(Row& row, const LayerObject& layer, const RowSpan& s) {
    const ObjectLineArt& lines = *layer.lineArt;
    const SuperBitBuffer& coverage = *lines.lineBuffer;
    const int32_t to = std::min(s.to, s.offsetX + coverage.Width());
    if (s.from >= to) {
        return;
    }
    const auto lx = static_cast<size_t>(s.from - s.offsetX);
    const auto span = static_cast<size_t>(to - s.from);
    uint8_t* masks = Scratch(kMaskRow, 2 * span);
    const rowcodec::SpanInfo found = coverage.ReadContent(s.layerRow, 2 * lx, 2 * (lx + span), masks, 0);
    if (found.first == found.last) {
        return;
    }
    const size_t begin = found.first / 2;
    const size_t end = (found.last + 1) / 2;
    masks[2 * begin] = found.first % 2 ? 0 : masks[2 * begin]; // background bytes were not written
    masks[2 * end - 1] = found.last % 2 ? 0 : masks[2 * end - 1];
    uint8_t* colors = Scratch(kLineColorRow, end - begin);
    std::memset(colors, 0, end - begin);
    if (lines.refreshAppearance) {
        const size_t colorsTo = std::min(lx + end, static_cast<size_t>(lines.refreshAppearance->Width()));
        if (lx + begin < colorsTo) {
            lines.refreshAppearance->ReadSpan(s.layerRow, lx + begin, colorsTo, colors, 0);
        }
    }
    for (size_t i = begin; i < end; ++i) {
        const auto mask = static_cast<uint16_t>(masks[2 * i] | masks[2 * i + 1] << 8);
        if (mask == 0) {
            continue;
        }
        const LineColor* color = lines.colorList ? lines.colorList->Slot(colors[i - begin]) : nullptr;
        const uint32_t value = color ? static_cast<uint32_t>(color->color) : 0u;
        const uint8_t opacity = color ? color->opacity : 255;
        const uint8_t alpha = Mul8(coverage.MaskAlpha(mask), opacity);
        const uint8_t line[3] = {ColorByte(value, 0), ColorByte(value, 1), ColorByte(value, 2)};
        const auto at = static_cast<size_t>(s.from + static_cast<int32_t>(i) - m_first);
        const uint8_t px[3] = {row.plane[0][at], row.plane[1][at], row.plane[2][at]};
        if (row.lines) {
            uint8_t* e = LineElement(row, at);
            std::memcpy(e + UnderPixelManager::kUnder, px, 3);
            std::memcpy(e + UnderPixelManager::kLine, line, 3);
            UnderPixelManager::SetMask(e, mask);
        }
        for (int b = 0; b < 3; ++b) {
            row.plane[b][at] = Blend(alpha, line[b], px[b]);
        }
    }
}

// Average sampling, the finished row into its destination, and its line pixels into the store (which
// loses the row's old elements in the composited columns).
void Compositor::FinishRow(Row& row, uint8_t* dest, UnderPixelManager* under, AverageSampler* sampler) {
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
    if (!under) {
        return;
    }
    std::unique_lock<std::mutex> lock;
    if (m_finishLock) {
        lock = std::unique_lock<std::mutex>(*m_finishLock);
    }
    under->LoadRow(row.y);
    under->ClearColumns(m_first, m_count);
    if (row.lines && row.lines->any) {
        const LinePixels& lines = *row.lines;
        for (size_t w = 0; w < lines.present.size(); ++w) {
            for (uint32_t bits = lines.present[w]; bits; bits &= bits - 1) {
                const size_t at = w * 32 + static_cast<size_t>(std::countr_zero(bits));
                const uint8_t* e = lines.elements.data() + at * UnderPixelManager::kElementSize;
                under->Set(m_first + static_cast<int32_t>(at), e + UnderPixelManager::kUnder,
                           e + UnderPixelManager::kLine, UnderPixelManager::Mask(e));
            }
        }
    }
    under->StoreRow(row.y);
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
    for (Row& row : m_rows) {
        span.layerRow = row.y - layer.offsetY;
        if (span.layerRow < 0 || span.layerRow >= height) {
            continue;
        }
        if (layer.image) {
            DrawImage(row, layer, span);
        }
        if (span.layerRow < colorHeight) {
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

// The painted colour a layer gives the band's rows, asked into the cache ahead of its use in three
// steps, each needing what the one before brought in: two layers ahead, what each row's codes tell at
// a glance and where the amounts lie; one layer ahead, the amount codes and where the channels that
// vary lie; for this layer, those channels' codes. A deep stack of short rows would otherwise wait on
// every one of them in turn.
void Compositor::PrefetchColor(const LayerObject& layer, int32_t y, int32_t rows, int ahead) const {
    constexpr size_t kAmountBytes = 16 * 1024;
    constexpr size_t kChannelBytes = 1024;
    if (!layer.color || !layer.color->amount) {
        return;
    }
    const int32_t first = y - layer.offsetY;
    const int32_t last = first + rows;
    const ObjectColor& color = *layer.color;
    const RLBuffer& amount = *color.amount;
    const std::array<const RLBuffer*, 4> channels{color.appearance.get(), color.blue.get(), color.green.get(),
                                                  color.red.get()};
    auto varies = [&](const RLBuffer& channel) {
        const int32_t row = std::clamp(first, 0, channel.Height() - 1);
        return channel.Height() > 0 && channel.RowSummary(row) == CCompressedBuffer::kMixedRow;
    };
    switch (ahead) {
    case 2:
        amount.PrefetchRowPlaces(first, last);
        for (const RLBuffer* channel : channels) {
            channel->PrefetchRowSummaries(first, last);
        }
        break;
    case 1:
        amount.PrefetchRowCodes(first, last, kAmountBytes);
        for (const RLBuffer* channel : channels) {
            if (varies(*channel)) {
                channel->PrefetchRowPlaces(first, last);
            }
        }
        break;
    default:
        for (const RLBuffer* channel : channels) {
            if (varies(*channel)) {
                channel->PrefetchRowCodes(first, last, kChannelBytes);
            }
        }
        break;
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
            const LayerObject& layer = *m_stack.Layer(i);
            PrefetchColor(layer, y, rows, 0);
            DrawLayer(layer, painted);
        }
    }
    for (size_t r = 0; r < band; ++r) {
        FinishRow(m_rows[r], dest + r * destStride, under, sampler);
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
    // Bands small enough that their rows stay in the cache while every layer is drawn over them. Eight
    // rows of a narrow area, with the board deviation under them, stay in the first-level cache; more
    // rows save a little work a layer but miss there several times as often (measured on deep stacks).
    constexpr int32_t kBandBytes = 192 * 1024;
    constexpr int32_t kMaxBandRows = 8;
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
    const int32_t bands = (rows + band - 1) / band;
    for (int32_t k = next ? next->fetch_add(1) : 0; k < bands; k = next ? next->fetch_add(1) : k + 1) {
        const int32_t done = k * band;
        CompositeBand(y + done, std::min(band, rows - done), dest + static_cast<size_t>(done) * destStride,
                      destStride, painted, under, sampler);
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
