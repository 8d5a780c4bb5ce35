// The compositor's drawing of each layer's parts over a row: picture, painted colour, lighting and
// line art.

#include "render/compositor.h"

#include "raster/pixel_tables.h"
#include "raster/row_runs.h"
#include "raster/super_bit_buffer.h"
#include "render/compositor_kernels.h"
#include "render/compositor_rows.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ts {

using namespace compositing;

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
// deviation.
void Compositor::BlendPencil(Row& row, const uint8_t* amount, const kernels::Colours& colours, size_t at,
                             size_t n, bool dimmed, kernels::Marks marks) {
    const kernels::Deviations& deviation = Deviation(row);
    const size_t start = (row.tileStart + at) % row.tileLength;
    if (start + n <= row.tileLength) {
        // Within one stretch of the tile, as most pieces are: one blend.
        const kernels::Deviations d{
            {deviation.up[0] + start, deviation.up[1] + start, deviation.up[2] + start},
            {deviation.down[0] + start, deviation.down[1] + start, deviation.down[2] + start}};
        uint8_t* const out[3] = {row.plane[0] + at, row.plane[1] + at, row.plane[2] + at};
        kernels::BlendPencil(amount, colours, d, out, n, dimmed, marks);
        return;
    }
    EachTilePiece(row, at, n, [&](size_t i, size_t t, size_t length) {
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
    });
}

namespace {

// The first position from i on (i < n) whose byte differs from byte i, or n.
size_t RunEnd(const uint8_t* bytes, size_t i, size_t n) {
    const uint8_t value = bytes[i++];
#if defined(__SSE2__)
    const __m128i v = _mm_set1_epi8(static_cast<char>(value));
    for (; i + 16 <= n; i += 16) {
        const auto same = static_cast<uint32_t>(_mm_movemask_epi8(
            _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i)), v)));
        if (same != 0xFFFF) {
            return i + static_cast<size_t>(std::countr_one(same));
        }
    }
#endif
    if constexpr (std::endian::native == std::endian::little) {
        const uint64_t pattern = uint64_t{0x0101010101010101} * value;
        for (; i + 8 <= n; i += 8) {
            uint64_t word = 0;
            std::memcpy(&word, bytes + i, 8);
            if (const uint64_t differ = word ^ pattern) {
                return i + static_cast<size_t>(std::countr_zero(differ)) / 8;
            }
        }
    }
    while (i < n && bytes[i] == value) {
        ++i;
    }
    return i;
}

// Bytes from .. to - 1 of a layer row, as ReadSpan gives them: the content between the first and the
// last byte that differ from the background decoded, the rest filled with the background.
void ReadBytes(const RLBuffer& buffer, int32_t row, size_t from, size_t to, uint8_t* dest,
               uint8_t background) {
    const rowcodec::SpanInfo found = buffer.ReadContent(row, from, to, dest, background);
    // Usually the content fills the span: no call for nothing.
    if (found.first != 0) {
        std::memset(dest, background, found.first);
    }
    if (found.last != to - from) {
        std::memset(dest + found.last, background, to - from - found.last);
    }
}

// Bytes from .. to - 1 of a layer row as runs (see rowcodec::SpanRuns); 0 when the span is to be
// decoded instead.
size_t ReadRuns(const RLBuffer& buffer, int32_t row, size_t from, size_t to, rowcodec::ByteRun* runs,
                size_t maxRuns) {
    // A buffer with rows held by a running stroke is read through ReadContent, which serves them: its
    // codes would have to be stored first, on this thread, while others read.
    if (!buffer.IsCreated() || row < 0 || row >= buffer.Height() || buffer.RowsHeld()) {
        return 0;
    }
    return rowcodec::SpanRuns(buffer.RowEncoding(row), buffer.Capacity() - buffer.RowOffset(row),
                              buffer.RawRowLength(), from, to, runs, maxRuns);
}

// The colour channels of a layer row over bytes from .. to - 1 (see rowcodec::SpanValues), for buffers
// read as ReadRuns reads them; nothing found when one of them is not read that way.
rowcodec::SpanValueInfo ReadValues(const RLBuffer* const buffers[3], int32_t row, size_t from, size_t to,
                                   uint8_t values[3], uint8_t* const bytes[3]) {
    const uint8_t* encoded[3];
    size_t available[3];
    for (size_t k = 0; k < 3; ++k) {
        const RLBuffer& buffer = *buffers[k];
        if (!buffer.IsCreated() || row < 0 || row >= buffer.Height() || buffer.RowsHeld() ||
            buffer.RawRowLength() != buffers[0]->RawRowLength()) {
            return {};
        }
        encoded[k] = buffer.RowEncoding(row);
        available[k] = buffer.Capacity() - buffer.RowOffset(row);
    }
    return rowcodec::SpanValues(encoded, available, buffers[0]->RawRowLength(), from, to, values, bytes);
}

} // namespace

// The kind of an appearance not yet known for the layer being drawn.
const Compositor::Kind& Compositor::LearnKind(const ObjectColor& color, uint8_t index) {
    Kind& kind = m_kinds[index];
    const CColorAppearance* entry = color.appearances.Slot(index);
    const int32_t type = entry ? entry->reference : 0;
    kind.plain = type == 0;
    kind.share = entry ? entry->p1 : 255;
    using kernels::Mix;
    if (type == 0 || type > 11) {
        kind.mix = Mix::kPencil;
    } else if (type == 1) {
        kind.mix = switches.showOpacity ? Mix::kBlack : Mix::kPaper;
    } else {
        kind.mix = type >= 3 && type <= 8 ? Mix::kBlend : Mix::kPaper;
    }
    kind.generation = m_kindGeneration;
    return kind;
}

void Compositor::NewLayerKinds() {
    if (++m_kindGeneration == 0) {
        for (Kind& kind : m_kinds) {
            kind.generation = 0;
        }
        m_kindGeneration = 1;
    }
}

// Painted pixels of one appearance other than plain pencil over row positions at .. at + n - 1: their
// colours from the pencil colour and the paper under them (its full deviation, not the reduced one of
// plain pencil), then blended by their amounts. Textured types (above 11) take the pencil colour with
// the paper's grain; opaque paper shows the paper, or black while the opacity is shown; the blends mix
// pencil and paper by the appearance's share; the other types show the paper.
void Compositor::BlendMixed(Row& row, const Kind& kind, const uint8_t* amount,
                            const kernels::Colours& channels, size_t at, size_t n, bool dimmed) {
    uint8_t* colours = Scratch(kColourRows, 3 * (n + kSlack));
    uint8_t* colour[3] = {colours, colours + n + kSlack, colours + 2 * (n + kSlack)};
    alignas(16) uint8_t flat[3][16];
    for (int b = 0; b < 3; ++b) {
        std::memset(flat[b], m_average[b], sizeof(flat[b]));
    }
    EachTilePiece(row, at, n, [&](size_t i, size_t t, size_t length) {
        kernels::Colours pencil = channels;
        kernels::Colours board;
        uint8_t* out[3];
        for (size_t b = 0; b < 3; ++b) {
            pencil.plane[b] += channels.uniform[b] ? 0 : i;
            board.plane[b] = row.tile[0] ? row.tile[b] + t : flat[b];
            board.uniform[b] = !row.tile[0];
            out[b] = colour[b] + i;
        }
        kernels::MixColours(kind.mix, kind.share, pencil, board, m_average, out, length);
    });
    kernels::Colours mixed;
    std::copy(colour, colour + 3, mixed.plane);
    uint8_t* out[3] = {row.plane[0] + at, row.plane[1] + at, row.plane[2] + at};
    kernels::BlendColour(amount, mixed, out, n, dimmed);
}

// Painted colour over the row (a row with something painted). Only the stretch between the first and
// the last painted pixel of the layer row is read. The three colour channels are read from their codes
// together, each as one value where it has one over the whole stretch (a pencil stroke's colour is one
// value under it), else as bytes; appearances as runs of one value where they have few. The stretch
// is blended in pieces over which the appearance's kind stays the same; adjoining runs of plain pencil
// blend together.
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
    // A channel of one value over the stretch blends as that value; one of a few runs is filled out
    // from them, one of many decoded. The stretch is then blended in pieces of one appearance kind
    // only, so that a change of colour costs no call of the blend.
    const size_t maxRuns = std::min(kMaxChannelRuns, 2 + n / 8);
    const RLBuffer* planes[3] = {color.blue.get(), color.green.get(), color.red.get()};
    kernels::Colours colours;
    alignas(16) uint8_t flat[3][16];
    // Most channels are one value under the paint, and the three have codes of one shape: they are
    // read together, a channel of more values spelled out in the same walk.
    uint8_t values[3] = {};
    uint8_t* bytes[3];
    for (size_t b = 0; b < 3; ++b) {
        bytes[b] = Scratch(kBlueRow + b, n);
    }
    const rowcodec::SpanValueInfo found3 =
        ReadValues(planes, s.layerRow, lx + begin, lx + end, values, bytes);
    for (size_t b = 0; b < 3; ++b) {
        if (found3.one >> b & 1u) {
            std::memset(flat[b], values[b], sizeof(flat[b]));
            colours.plane[b] = flat[b];
            colours.uniform[b] = true;
            continue;
        }
        colours.plane[b] = bytes[b];
        if (found3.spelled >> b & 1u) {
            continue;
        }
        rowcodec::ByteRun* runs = m_runs[b].data();
        const size_t count = ReadRuns(*planes[b], s.layerRow, lx + begin, lx + end, runs, maxRuns);
        if (count == 0) {
            // White outside the strokes, as a layer is made.
            ReadBytes(*planes[b], s.layerRow, lx + begin, lx + end, bytes[b], 255);
        }
        for (size_t r = 0; r < count; ++r) {
            std::memset(bytes[b] + runs[r].from, runs[r].value, runs[r].to - runs[r].from);
        }
    }
    const ChannelRuns kinds = AppearanceRuns(color, s.layerRow, lx + begin, lx + end);
    uint32_t* const words = painted ? painted->Row(row.y) : nullptr;
    for (size_t k = 0; k < kinds.count; ++k) {
        const size_t i = kinds.runs[k].from;
        const size_t length = kinds.runs[k].to - i;
        kernels::Colours part = colours;
        for (size_t b = 0; b < 3; ++b) {
            part.plane[b] += part.uniform[b] ? 0 : i;
        }
        const Kind& kind = KindOf(color, kinds.runs[k].value);
        if (kind.plain) {
            const kernels::Marks marks{words, x0 + static_cast<int32_t>(i)};
            if (row.tile[0]) {
                BlendPencil(row, a + i, part, at + i, length, layer.dimmed, marks);
            } else {
                uint8_t* out[3] = {row.plane[0] + at + i, row.plane[1] + at + i, row.plane[2] + at + i};
                kernels::BlendColour(a + i, part, out, length, layer.dimmed, marks);
            }
        } else {
            BlendMixed(row, kind, a + i, part, at + i, length, layer.dimmed);
        }
    }
    if (row.lines && row.lines->any) {
        for (size_t i = 0; i < n; ++i) {
            if (a[i] != 0 && (row.lines->present[(at + i) >> 5] >> ((at + i) & 31) & 1u)) {
                UnderPixelManager::SetMask(LineElement(row, at + i), 0); // the colour now lies over the line
            }
        }
    }
}

// The appearances of layer row positions from .. to - 1 as runs, adjoining runs of plain pencil joined
// into one (of the first one's value): from the codes when they have few runs, else decoded.
Compositor::ChannelRuns Compositor::AppearanceRuns(const ObjectColor& color, int32_t layerRow, size_t from,
                                                   size_t to) {
    const size_t n = to - from;
    ChannelRuns kinds;
    kinds.runs = m_runs[3].data();
    // A row of one appearance throughout, as most are, is known from its summary.
    uint8_t only = 0;
    if (color.appearance->RowIsOneValue(layerRow, only)) {
        kinds.runs[0] = rowcodec::ByteRun{0, static_cast<uint32_t>(n), only};
        kinds.count = 1;
        return kinds;
    }
    kinds.count = ReadRuns(*color.appearance, layerRow, from, to, kinds.runs, kMaxChannelRuns);
    if (kinds.count == 0) {
        uint8_t* appearance = Scratch(kAppearanceRow, n);
        ReadBytes(*color.appearance, layerRow, from, to, appearance, 0);
        m_appearanceRuns.clear();
        for (size_t i = 0; i < n;) {
            const size_t j = RunEnd(appearance, i, n);
            m_appearanceRuns.push_back(
                rowcodec::ByteRun{static_cast<uint32_t>(i), static_cast<uint32_t>(j), appearance[i]});
            i = j;
        }
        kinds.runs = m_appearanceRuns.data();
        kinds.count = m_appearanceRuns.size();
    }
    size_t joined = 0;
    bool plain = false;
    for (size_t r = 0; r < kinds.count; ++r) {
        const rowcodec::ByteRun run = kinds.runs[r];
        const bool runPlain = KindOf(color, run.value).plain;
        if (joined != 0 && plain && runPlain) {
            kinds.runs[joined - 1].to = run.to;
            continue;
        }
        kinds.runs[joined++] = run;
        plain = runPlain;
    }
    kinds.count = joined;
    return kinds;
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

} // namespace ts
