#include "modes/shadow_maker.h"

#include "raster/box_blur.h"
#include "raster/byte_bit_counter.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <new>

namespace ts {

namespace {

// The three passes of the box blur.
constexpr int32_t kPasses = 3;

// Line coverage as the compositor counts it at full strength: 16 per covered sub-pixel, 255 for all 16.
uint8_t LineAlpha(uint16_t mask) {
    const int bits = CountMaskBits(mask);
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

bool ShadowMaker::Allocate(size_t width, int32_t blur) {
    // Each pass down the columns keeps the rows its box still reaches, and one more.
    const size_t ringRows = 2 * static_cast<size_t>(blur) + 2;
    try {
        for (std::vector<uint8_t>& ring : m_rings) {
            ring.resize(ringRows * width);
        }
        for (std::vector<uint16_t>& sums : m_sums) {
            sums.assign(width, 0);
        }
        m_zeros.assign(width, 0);
        m_shadeRow.resize(width);
    } catch (const std::bad_alloc&) {
        for (std::vector<uint8_t>& ring : m_rings) {
            ring = {};
        }
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
    const int32_t height = whole.Height();
    if (!Allocate(width, blur)) {
        return nullptr;
    }
    if (meter) {
        meter->Start(height);
    }
    // The passes down the columns mix no columns: only the shown ones are worked on.
    const auto from = static_cast<size_t>(shown.left - whole.left);
    const auto n = static_cast<size_t>(shown.Width());
    const auto at = static_cast<size_t>(shown.left - area.left);
    const auto scale = static_cast<uint16_t>((std::clamp(settings.opacity, 0, 100) * 256 + 50) / 100);
    m_outRow.assign(static_cast<size_t>(area.Width()), 0);
    // Row j of the shade: into the amount where it is shown.
    const auto emit = [&](int32_t j, const uint8_t* shade) {
        const int32_t y = whole.top + j;
        if (y >= shown.top && y < shown.bottom) {
            boxblur::ScaleRow(shade + from, m_outRow.data() + at, n, scale);
            out->amount->PutRow(y - area.top, m_outRow.data());
        }
    };
    // The rows go through as a stream: the coverage of row t, softened along the row, enters the first
    // pass down the columns, whose row t - r enters the second, whose row t - 2r the third, whose row
    // t - 3r is the shade. Each pass keeps the last 2r + 2 rows it made in a ring, for the next pass to
    // take them out of its box again.
    const auto reach = static_cast<int32_t>(kPasses * blur);
    const auto ringRows = 2 * blur + 2;
    const auto ringRow = [&](int32_t pass, int32_t j) -> uint8_t* {
        return m_rings[static_cast<size_t>(pass)].data() + static_cast<size_t>(j % ringRows) * width;
    };
    const auto madeRow = [&](int32_t pass, int32_t j) -> const uint8_t* {
        return j < 0 || j >= height ? m_zeros.data() : ringRow(pass, j);
    };
    const boxblur::Divider divide(std::max(blur, 1));
    for (int32_t t = 0; t < height + reach; ++t) {
        if (t < height) {
            uint8_t* row = ringRow(0, t);
            std::memset(row, 0, width);
            const int32_t y = content.top + t - reach;
            if (y >= content.top && y < content.bottom) {
                size_t first = 0;
                size_t last = 0;
                Coverage(source, content, settings, y, row + reach, first, last);
                size_t lo = static_cast<size_t>(reach) + first;
                size_t hi = static_cast<size_t>(reach) + last;
                for (int32_t pass = 0; pass < kPasses && blur > 0; ++pass) {
                    boxblur::RowPass(row, width, lo, hi, blur, m_rowSums);
                }
            }
            if (blur == 0) {
                emit(t, row);
            }
            if (meter) {
                meter->Step();
            }
        }
        for (int32_t pass = 1; pass <= kPasses && blur > 0; ++pass) {
            // The row of the pass before that comes into this pass's box now, and the one leaving it.
            const int32_t entering = t - (pass - 1) * blur;
            const int32_t j = entering - blur;
            if (entering < 0 || j >= height) {
                continue;
            }
            uint8_t* made = j >= 0 ? (pass == kPasses ? m_shadeRow.data() : ringRow(pass, j)) : nullptr;
            boxblur::ColumnStep(m_sums[static_cast<size_t>(pass - 1)].data() + from,
                                madeRow(pass - 1, entering) + from, madeRow(pass - 1, j - blur - 1) + from,
                                made ? made + from : nullptr, n, divide);
            if (made && pass == kPasses) {
                emit(j, made);
            }
        }
    }
    if (meter) {
        meter->Finish();
    }
    return out;
}

} // namespace ts
