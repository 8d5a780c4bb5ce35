#include "modes/shadow_maker.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <new>

namespace ts {

namespace {

// The three passes of the box blur.
constexpr int32_t kPasses = 3;

// Rounded division of box sums by the box width d: ((sum + d / 2) x round(65536 / d)) >> 16. For the
// widths used (d <= 81) the quotient never exceeds 255.
struct BoxDivider {
    explicit BoxDivider(int32_t radius)
        : half(static_cast<uint32_t>(radius)),
          factor((65536u + static_cast<uint32_t>(radius)) / static_cast<uint32_t>(2 * radius + 1)) {}
    uint8_t operator()(uint32_t sum) const { return static_cast<uint8_t>(((sum + half) * factor) >> 16); }
    uint32_t half;
    uint32_t factor;
};

// Line coverage as the compositor counts it at full strength: 16 per covered sub-pixel, 255 for all 16.
uint8_t LineAlpha(uint16_t mask) {
    const int bits = std::popcount(mask);
    return static_cast<uint8_t>(bits >= 16 ? 255 : 16 * bits);
}

// The first and last + 1 pixel of a stored row that differ from zero, for pixels of bpp bytes.
bool RowContent(const RLBuffer& buffer, int32_t row, int32_t bpp, int32_t& first, int32_t& last) {
    uint8_t value = 0;
    if (buffer.RowIsOneValue(row, value) && value == 0) {
        return false;
    }
    const rowcodec::SpanInfo info = buffer.ReadSpan(row, 0, buffer.RawRowLength(), nullptr, 0);
    if (info.first == info.last) {
        return false;
    }
    first = static_cast<int32_t>(info.first) / bpp;
    last = (static_cast<int32_t>(info.last) + bpp - 1) / bpp;
    return true;
}

const RLBuffer* SurfaceOf(const LayerObject& layer, bool surface) {
    return surface && layer.color && layer.color->amount && layer.color->amount->IsCreated()
               ? layer.color->amount.get()
               : nullptr;
}

const RLBuffer* LinesOf(const LayerObject& layer, bool lines) {
    return lines && layer.lineArt && layer.lineArt->lineBuffer && layer.lineArt->lineBuffer->IsCreated()
               ? layer.lineArt->lineBuffer.get()
               : nullptr;
}

// One box pass of the radius along row[0 .. width), which is zero outside [lo, hi); the range grows
// by the radius. pad holds the row's stretch with the radius of zeros on either side.
void BoxRow(uint8_t* row, size_t width, size_t& lo, size_t& hi, int32_t radius, uint8_t* pad) {
    const auto r = static_cast<size_t>(radius);
    const size_t from = lo > r ? lo - r : 0;
    const size_t to = std::min(width, hi + r);
    // pad[i] is the row's value at from - r + i.
    const size_t n = to - from;
    const size_t at = lo - from + r;
    std::memset(pad, 0, at);
    std::memcpy(pad + at, row + lo, hi - lo);
    std::memset(pad + at + (hi - lo), 0, n + 2 * r - at - (hi - lo));
    const BoxDivider divide(radius);
    uint32_t sum = 0;
    for (size_t k = 0; k < 2 * r; ++k) {
        sum += pad[k];
    }
    for (size_t i = 0; i < n; ++i) {
        sum += pad[i + 2 * r];
        row[from + i] = divide(sum);
        sum -= pad[i];
    }
    lo = from;
    hi = to;
}

// One box pass of the radius down the columns of a width x height plane, from in to out. Rows beyond
// the plane's ends count as zeros.
void BoxColumns(const uint8_t* in, uint8_t* out, size_t width, size_t height, int32_t radius, uint16_t* sums,
                const uint8_t* zeros) {
    const auto r = static_cast<size_t>(radius);
    const BoxDivider divide(radius);
    std::fill(sums, sums + width, uint16_t{0});
    for (size_t k = 0; k < std::min(r, height); ++k) {
        const uint8_t* row = in + k * width;
        for (size_t x = 0; x < width; ++x) {
            sums[x] = static_cast<uint16_t>(sums[x] + row[x]);
        }
    }
    for (size_t y = 0; y < height; ++y) {
        // The box of row y: rows y - r .. y + r; the row entering it and the one leaving it after.
        const uint8_t* enter = y + r < height ? in + (y + r) * width : zeros;
        const uint8_t* leave = y >= r + 1 ? in + (y - r - 1) * width : zeros;
        uint8_t* dest = out + y * width;
        for (size_t x = 0; x < width; ++x) {
            const auto sum = static_cast<uint16_t>(sums[x] + enter[x] - leave[x]);
            sums[x] = sum;
            dest[x] = divide(sum);
        }
    }
}

} // namespace

Rect ShadowMaker::ContentBounds(const LayerObject& layer, bool lines, bool surface) {
    Rect box;
    const std::pair<const RLBuffer*, int32_t> parts[] = {{SurfaceOf(layer, surface), 1},
                                                         {LinesOf(layer, lines), 2}};
    for (const auto& [buffer, bpp] : parts) {
        if (!buffer) {
            continue;
        }
        for (int32_t y = 0; y < buffer->Height(); ++y) {
            int32_t first = 0;
            int32_t last = 0;
            if (RowContent(*buffer, y, bpp, first, last)) {
                box = Union(box, Rect{first, y, last, y + 1});
            }
        }
    }
    return box;
}

Rect ShadowMaker::ShadowRect(const Rect& content, const LayerObject& layer, IntPoint offset, int32_t blur) {
    if (content.IsEmpty()) {
        return Rect{};
    }
    const int32_t reach = kPasses * std::clamp(blur, 0, ShadowSettings::kMaxBlur);
    return Grown(Translated(content, layer.offsetX + offset.x, layer.offsetY + offset.y), reach);
}

bool ShadowMaker::Allocate(size_t width, size_t height, int32_t blur) {
    try {
        m_plane.resize(width * height);
        m_other.resize(blur > 0 ? width * height : 0);
        m_sums.resize(width);
        m_row.resize(width + 2 * static_cast<size_t>(blur) + 1);
        m_zeros.assign(width, 0);
    } catch (const std::bad_alloc&) {
        m_plane = {};
        m_other = {};
        return false;
    }
    return true;
}

void ShadowMaker::Coverage(const LayerObject& source, const Rect& content, const ShadowSettings& settings,
                           int32_t y, uint8_t* dest, size_t& first, size_t& last) {
    first = last = 0;
    const RLBuffer* surface = SurfaceOf(source, settings.surface);
    if (surface && y < surface->Height() && content.left < surface->Width()) {
        const auto to = static_cast<size_t>(std::min(content.right, surface->Width()));
        const rowcodec::SpanInfo info =
            surface->ReadSpan(y, static_cast<size_t>(content.left), to, dest, 0, true);
        first = info.first;
        last = info.last;
    }
    const RLBuffer* lines = LinesOf(source, settings.lines);
    if (!lines || y >= lines->Height() || content.left >= lines->Width()) {
        return;
    }
    const auto to = static_cast<size_t>(std::min(content.right, lines->Width()));
    const auto from = static_cast<size_t>(content.left);
    m_lineRow.resize(2 * (to - from));
    const rowcodec::SpanInfo info = lines->ReadSpan(y, 2 * from, 2 * to, m_lineRow.data(), 0, true);
    if (info.first == info.last) {
        return;
    }
    const size_t lo = info.first / 2;
    const size_t hi = (info.last + 1) / 2;
    for (size_t x = lo; x < hi; ++x) {
        const auto mask = static_cast<uint16_t>(m_lineRow[2 * x] | m_lineRow[2 * x + 1] << 8);
        dest[x] = std::max(dest[x], LineAlpha(mask));
    }
    first = first == last ? lo : std::min(first, lo);
    last = std::max(last, hi);
}

std::unique_ptr<ObjectColor> ShadowMaker::Make(const LayerObject& source, const Rect& content,
                                               IntPoint offset, const ShadowSettings& settings,
                                               const Rect& area, ProgressMeter* meter) {
    const int32_t blur = std::clamp(settings.blur, 0, ShadowSettings::kMaxBlur);
    const Rect whole = ShadowRect(content, source, offset, blur);
    const Rect shown = Intersection(whole, area);
    if (shown.IsEmpty() || area.IsEmpty()) {
        return nullptr;
    }
    auto out = std::make_unique<ObjectColor>();
    if (!out->Create(area.Width(), area.Height(), settings.color, 255)) {
        return nullptr;
    }
    const auto width = static_cast<size_t>(whole.Width());
    const auto height = static_cast<size_t>(whole.Height());
    if (!Allocate(width, height, blur)) {
        return nullptr;
    }
    if (meter) {
        meter->Start(content.Height() + area.Height());
    }
    // The caster's coverage, softened along each row as it comes.
    const auto reach = static_cast<size_t>(kPasses * blur);
    std::fill(m_plane.begin(), m_plane.end(), uint8_t{0});
    for (int32_t y = content.top; y < content.bottom; ++y) {
        uint8_t* row = m_plane.data() + (reach + static_cast<size_t>(y - content.top)) * width;
        size_t first = 0;
        size_t last = 0;
        Coverage(source, content, settings, y, row + reach, first, last);
        if (first != last && blur > 0) {
            size_t lo = reach + first;
            size_t hi = reach + last;
            for (int32_t pass = 0; pass < kPasses; ++pass) {
                BoxRow(row, width, lo, hi, blur, m_row.data());
            }
        }
        if (meter) {
            meter->Step();
        }
    }
    // Then down the columns: plane -> other -> plane -> other.
    const uint8_t* shade = m_plane.data();
    if (blur > 0) {
        BoxColumns(m_plane.data(), m_other.data(), width, height, blur, m_sums.data(), m_zeros.data());
        BoxColumns(m_other.data(), m_plane.data(), width, height, blur, m_sums.data(), m_zeros.data());
        BoxColumns(m_plane.data(), m_other.data(), width, height, blur, m_sums.data(), m_zeros.data());
        shade = m_other.data();
    }
    // The amount: the shade scaled by the opacity, rounded.
    std::array<uint8_t, 256> scale{};
    const int32_t opacity = std::clamp(settings.opacity, 0, 100);
    for (int32_t v = 0; v < 256; ++v) {
        scale[static_cast<size_t>(v)] = static_cast<uint8_t>((v * opacity + 50) / 100);
    }
    m_outRow.assign(static_cast<size_t>(area.Width()), 0);
    const auto at = static_cast<size_t>(shown.left - area.left);
    const auto from = static_cast<size_t>(shown.left - whole.left);
    const auto n = static_cast<size_t>(shown.Width());
    for (int32_t y = area.top; y < area.bottom; ++y) {
        if (y >= shown.top && y < shown.bottom) {
            const uint8_t* in = shade + static_cast<size_t>(y - whole.top) * width + from;
            uint8_t* dest = m_outRow.data() + at;
            for (size_t x = 0; x < n; ++x) {
                dest[x] = scale[in[x]];
            }
            out->amount->PutRow(y - area.top, m_outRow.data());
        }
        if (meter) {
            meter->Step();
        }
    }
    if (meter) {
        meter->Finish();
    }
    return out;
}

} // namespace ts
