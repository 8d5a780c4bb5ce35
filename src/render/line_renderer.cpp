#include "render/line_renderer.h"

#include "model/part_buffers.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <utility>

namespace ts {

namespace {

// Whether a buffer is there with the given size and bytes per pixel.
bool Fits(const RLBuffer* buffer, int32_t width, int32_t height, int32_t bytesPerPixel) {
    return buffer && buffer->IsCreated() && buffer->Width() == width && buffer->Height() == height &&
           buffer->BytesPerPixel() == bytesPerPixel;
}

template <class Buffer>
bool EnsureBuffer(std::unique_ptr<Buffer>& buffer, int32_t width, int32_t height, int32_t bytesPerPixel) {
    if (Fits(buffer.get(), width, height, bytesPerPixel)) {
        return true;
    }
    auto made = parts::NewBuffer<Buffer>(width, height, bytesPerPixel, 0);
    if (!made) {
        return false;
    }
    buffer = std::move(made);
    return true;
}

// One decoded row of a buffer, written back when it changed.
struct WorkRow {
    explicit WorkRow(RLBuffer* b) : buffer(b) {}
    RLBuffer* buffer = nullptr;
    std::vector<uint8_t> bytes;
    bool dirty = false;

    void Load(int32_t y) {
        buffer->ReadRow(y, bytes.data());
        dirty = false;
    }
    void Store(int32_t y) {
        if (dirty) {
            buffer->PutRow(y, bytes.data());
        }
        dirty = false;
    }
};

} // namespace

LineAppearance MakeLineAppearance(int32_t width, int32_t style, int32_t freehand) {
    LineAppearance a;
    a.p1 = static_cast<uint8_t>(std::clamp(width, 1, kMaxLineWidth));
    a.p4 = static_cast<uint8_t>(std::clamp(style, 0, kLineStyleCount - 1));
    a.p5 = static_cast<uint8_t>(std::clamp(freehand, 0, kMaxFreehand));
    return a;
}

bool IsLineLayer(const LayerObject& layer) {
    return layer.frame && layer.frame->drawingBuffer && layer.frame->drawingBuffer->IsCreated() &&
           layer.frame->drawingBuffer->BytesPerPixel() == 2;
}

bool EnsureLineArt(LayerObject& layer) {
    if (!IsLineLayer(layer)) {
        return false;
    }
    const int32_t w = layer.frame->drawingBuffer->Width();
    const int32_t h = layer.frame->drawingBuffer->Height();
    if (!layer.lineArt) {
        auto lines = std::make_unique<ObjectLineArt>();
        if (!lines->Create(w, h)) {
            return false;
        }
        layer.lineArt = std::move(lines);
        return true;
    }
    ObjectLineArt& l = *layer.lineArt;
    if (!EnsureBuffer(l.lineBuffer, w, h, 2) || !EnsureBuffer(l.lineAppearanceIndex, w, h, 1) ||
        !EnsureBuffer(l.colorAppearanceIndex, w, h, 1) || !EnsureBuffer(l.refreshAppearance, w, h, 1) ||
        !EnsureBuffer(l.refreshWidth, w, h, 1)) {
        return false;
    }
    try {
        if (!l.appearanceList) {
            l.appearanceList = std::make_unique<LineAppearanceList>();
            l.appearanceList->InitDefaults();
        }
        if (!l.colorList) {
            l.colorList = std::make_unique<LineColorList>();
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

LineRenderer::LineRenderer(LayerObject& layer) : m_layer(layer) {
    if (!IsLineLayer(layer) || !layer.lineArt) {
        return;
    }
    m_width = layer.frame->drawingBuffer->Width();
    m_height = layer.frame->drawingBuffer->Height();
    const ObjectLineArt& l = *layer.lineArt;
    m_valid = Fits(l.lineBuffer.get(), m_width, m_height, 2) &&
              Fits(l.refreshAppearance.get(), m_width, m_height, 1);
    m_writable = m_valid && Fits(l.lineAppearanceIndex.get(), m_width, m_height, 1) &&
                 Fits(l.colorAppearanceIndex.get(), m_width, m_height, 1) &&
                 Fits(l.refreshWidth.get(), m_width, m_height, 1);
}

Rect LineRenderer::RasterizeSegment(int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                                    FastBitonalMask* newLines) {
    if (!m_writable) {
        return Rect{};
    }
    if (y1 > y2) {
        std::swap(x1, x2);
        std::swap(y1, y2);
    }
    const int64_t dx = static_cast<int64_t>(x2) - x1;
    const int64_t dy = static_cast<int64_t>(y2) - y1;
    const int64_t n = std::max(std::llabs(dx), std::llabs(dy));
    if (n == 0) {
        return Rect{};
    }
    // 16.16 steps: the major axis moves a whole fine unit, the minor one (difference << 16) / n, in 64
    // bits, since the difference of a long line times 0x10000 does not fit 32.
    const bool yMajor = std::llabs(dy) >= std::llabs(dx);
    const int64_t minorStart = yMajor ? x1 : y1;
    const int64_t minorStep = ((yMajor ? dx : dy) * 0x10000) / n;
    const int64_t majorStep = yMajor ? 1 : (dx < 0 ? -1 : 1);

    ObjectLineArt& l = *m_layer.lineArt;
    WorkRow occ(m_layer.frame->drawingBuffer.get());
    WorkRow style(l.lineAppearanceIndex.get());
    WorkRow width(l.refreshWidth.get());
    WorkRow color(l.colorAppearanceIndex.get());
    WorkRow* rows[] = {&occ, &style, &width, &color};
    try {
        for (WorkRow* r : rows) {
            r->bytes.resize(r->buffer->RawRowLength());
        }
    } catch (const std::bad_alloc&) {
        return Rect{};
    }
    const bool solid = m_settings.style <= kLineSolid || m_settings.style >= kLineStyleCount;
    const auto styleByte = static_cast<uint8_t>(solid ? 0 : m_settings.style);
    const uint8_t widthByte = LineWidthByte(m_settings.width, m_settings.freehand);
    const bool maskFits =
        newLines && !solid && newLines->Width() >= m_width && newLines->Height() >= m_height;

    // Only the steps whose major coordinate lies on the layer can touch it: a segment reaching far past
    // the layer is not walked there.
    const int64_t majorStart = yMajor ? y1 : x1;
    const int64_t majorEnd = 4 * static_cast<int64_t>(yMajor ? m_height : m_width); // fine units
    const int64_t first =
        majorStep > 0 ? std::max<int64_t>(0, -majorStart) : std::max<int64_t>(0, majorStart - (majorEnd - 1));
    const int64_t last = majorStep > 0 ? std::min(n, majorEnd - 1 - majorStart) : std::min(n, majorStart);

    Rect touched{};
    int32_t loaded = -1;
    int64_t minor = (minorStart << 16) + 0x8000 + first * minorStep;
    int64_t major = majorStart + first * majorStep;
    for (int64_t i = first; i <= last; ++i, major += majorStep, minor += minorStep) {
        const int64_t fx = yMajor ? minor >> 16 : major;
        const int64_t fy = yMajor ? major : minor >> 16;
        const int64_t px = fx >> 2;
        const int64_t py = fy >> 2;
        if (px < 0 || py < 0 || px >= m_width || py >= m_height) {
            continue;
        }
        const auto x = static_cast<int32_t>(px);
        const auto y = static_cast<int32_t>(py);
        if (y != loaded) {
            for (WorkRow* r : rows) {
                if (loaded >= 0) {
                    r->Store(loaded);
                }
                r->Load(y);
            }
            loaded = y;
        }
        const int bit = SuperBitBuffer::SubPixelBit(static_cast<int>(fx & 3), static_cast<int>(fy & 3));
        occ.bytes[2 * static_cast<size_t>(x) + static_cast<size_t>(bit >> 3)] |=
            static_cast<uint8_t>(1u << (bit & 7));
        style.bytes[static_cast<size_t>(x)] = styleByte;
        width.bytes[static_cast<size_t>(x)] = widthByte;
        color.bytes[static_cast<size_t>(x)] = m_settings.colorIndex;
        for (WorkRow* r : rows) {
            r->dirty = true;
        }
        if (maskFits) {
            newLines->SetBit(x, y);
        }
        touched = Union(touched, Rect{x, y, x + 1, y + 1});
    }
    if (loaded >= 0) {
        for (WorkRow* r : rows) {
            r->Store(loaded);
        }
    }
    return touched;
}

Rect LineRenderer::ApplyStyle(int32_t style, const FastBitonalMask* mask, const DotDashGapMask* gaps,
                              const Rect& area) {
    if (!m_writable) {
        return Rect{};
    }
    const Rect box = Intersection(area, LayerRectangle());
    if (box.IsEmpty()) {
        return Rect{};
    }
    if (style < 0 || style >= kLineStyleCount) {
        style = kLineSolid;
    }
    if (mask && (mask->Width() < m_width || mask->Height() < m_height)) {
        return Rect{}; // a mask that does not cover the layer marks nothing
    }
    const bool dashed = style != kLineSolid && gaps && gaps->Width() == m_width && gaps->Height() == m_height;
    RLBuffer& occupancy = *m_layer.frame->drawingBuffer;
    WorkRow bytes(m_layer.lineArt->lineAppearanceIndex.get());
    std::vector<uint8_t> occ;
    try {
        bytes.bytes.resize(static_cast<size_t>(m_width));
        occ.resize(2 * static_cast<size_t>(box.Width()));
    } catch (const std::bad_alloc&) {
        return Rect{};
    }
    Rect changed{};
    for (int32_t y = box.top; y < box.bottom; ++y) {
        const rowcodec::SpanInfo info = occupancy.ReadSpan(y, 2 * static_cast<size_t>(box.left),
                                                           2 * static_cast<size_t>(box.right), occ.data(), 0);
        if (info.first == info.last) {
            continue;
        }
        bytes.Load(y);
        for (size_t i = info.first / 2; i < (info.last + 1) / 2; ++i) {
            const int32_t x = box.left + static_cast<int32_t>(i);
            if ((occ[2 * i] | occ[2 * i + 1]) == 0 || (mask && !mask->TestBit(x, y))) {
                continue;
            }
            const auto v = static_cast<uint8_t>(style | (dashed && gaps->IsGap(x, y) ? kLineGapBit : 0));
            uint8_t& b = bytes.bytes[static_cast<size_t>(x)];
            if (b != v) {
                b = v;
                bytes.dirty = true;
                changed = Union(changed, Rect{x, y, x + 1, y + 1});
            }
        }
        bytes.Store(y);
    }
    return changed;
}

Rect LineRenderer::DrawSegments(const std::vector<FineSegment>& segments, DotDashGapMask& dashes,
                                ProgressMeter* progress) {
    if (!m_writable) {
        return Rect{};
    }
    const bool solid = m_settings.style <= kLineSolid || m_settings.style >= kLineStyleCount;
    FastBitonalMask newLines;
    if (!solid && !newLines.Resize(m_width, m_height)) {
        return Rect{};
    }
    Rect touched{};
    for (const FineSegment& s : segments) {
        touched = Union(touched, RasterizeSegment(s.x1, s.y1, s.x2, s.y2, solid ? nullptr : &newLines));
    }
    if (touched.IsEmpty()) {
        return Rect{};
    }
    if (!solid) {
        const RLBuffer& occupancy = *m_layer.frame->drawingBuffer;
        if (dashes.ApplyDashes(occupancy, m_layer.lineArt->refreshWidth.get(), m_settings.style,
                               m_settings.width, &newLines, touched)) {
            ApplyStyle(m_settings.style, &newLines, &dashes, touched);
        }
    }
    return RedrawLines(touched, progress);
}

void QueueLineRefresh(RefreshRequests& refresh, const LayerObject& layer, const Rect& layerRect,
                      const char* reason) {
    if (!layerRect.IsEmpty()) {
        refresh.MarkViewContents(Translated(layerRect, layer.offsetX, layer.offsetY));
    }
    refresh.Refresh(reason);
}

} // namespace ts
