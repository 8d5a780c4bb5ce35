#include "perspective/layer_transform.h"

#include "document/layer_geometry.h"
#include "model/part_buffers.h"
#include "raster/super_bit_buffer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

namespace ts {

namespace {

constexpr double kRadiansPerDegree = 0.0174532925;

int32_t FloorHalf(int32_t v) {
    return v >= 0 ? v / 2 : -((-v + 1) / 2);
}

} // namespace

MeshSourceMap::MeshSourceMap(const MorphMesh& mesh, double sourceWidth, double sourceHeight)
    : m_mesh(mesh), m_forward(mesh.Corners()), m_width(sourceWidth), m_height(sourceHeight) {}

void MeshSourceMap::Row(int32_t y, int32_t left, int32_t right, double* sx, double* sy) const {
    int32_t x0 = 0;
    int32_t x1 = 0;
    m_mesh.Span(y, x0, x1);
    x0 = std::max(x0, left);
    x1 = std::min(x1, right);
    for (int32_t x = left; x < right; ++x) {
        sx[x - left] = -1;
    }
    if (x0 < x1) {
        m_mesh.LookupRow(y, x0, x1, sx + (x0 - left), sy + (x0 - left));
    }
}

bool MeshSourceMap::Point(double x, double y, double& sx, double& sy) const {
    return m_mesh.Lookup(x, y, sx, sy);
}

PointTS MeshSourceMap::Forward(double sx, double sy) const {
    return m_forward.Map(sx / m_width, sy / m_height);
}

void ShiftSourceMap::Row(int32_t y, int32_t left, int32_t right, double* sx, double* sy) const {
    const int32_t row = y - m_offsetY;
    for (int32_t x = left; x < right; ++x) {
        const int32_t col = x - m_offsetX;
        const bool inside = row >= 0 && row < m_height && col >= 0 && col < m_width;
        sx[x - left] = inside ? col + 0.5 : -1;
        sy[x - left] = row + 0.5;
    }
}

bool ShiftSourceMap::Point(double x, double y, double& sx, double& sy) const {
    sx = x - m_offsetX;
    sy = y - m_offsetY;
    return sx >= 0 && sy >= 0 && sx < m_width && sy < m_height;
}

TurnSourceMap::TurnSourceMap(const Rect& layerRect, int32_t width, int32_t height, double degrees)
    : m_width(width), m_height(height) {
    // The same angle, size and centre as RLBuffer::Rotate with its negate flag set.
    const double rad = -std::fmod(degrees, 360.0) * kRadiansPerDegree;
    m_cos = std::cos(rad);
    m_sin = std::sin(rad);
    double maxX = 0;
    double maxY = 0;
    for (const double cx : {-width / 2.0, width / 2.0}) {
        for (const double cy : {-height / 2.0, height / 2.0}) {
            maxX = std::max(maxX, std::fabs(cx * m_cos - cy * m_sin));
            maxY = std::max(maxY, std::fabs(cx * m_sin + cy * m_cos));
        }
    }
    m_halfW = static_cast<int32_t>(std::ceil(maxX));
    m_halfH = static_cast<int32_t>(std::ceil(maxY));
    const int32_t left = layerRect.left + FloorHalf(width - 2 * m_halfW);
    const int32_t top = layerRect.top + FloorHalf(height - 2 * m_halfH);
    m_destination = Rect{left, top, left + std::max(1, 2 * m_halfW), top + std::max(1, 2 * m_halfH)};
}

bool TurnSourceMap::Point(double x, double y, double& sx, double& sy) const {
    const double tx = x - m_destination.left - m_halfW;
    const double ty = y - m_destination.top - m_halfH;
    sx = tx * m_cos + ty * m_sin + m_width / 2.0;
    sy = -tx * m_sin + ty * m_cos + m_height / 2.0;
    return sx >= 0 && sy >= 0 && sx < m_width && sy < m_height;
}

void TurnSourceMap::Row(int32_t y, int32_t left, int32_t right, double* sx, double* sy) const {
    for (int32_t x = left; x < right; ++x) {
        double px = 0;
        double py = 0;
        const bool inside = Point(x + 0.5, y + 0.5, px, py);
        sx[x - left] = inside ? px : -1;
        sy[x - left] = py;
    }
}

PointTS TurnSourceMap::Forward(double sx, double sy) const {
    const double dx = sx - m_width / 2.0;
    const double dy = sy - m_height / 2.0;
    return PointTS(m_destination.left + m_halfW + dx * m_cos - dy * m_sin,
                   m_destination.top + m_halfH + dx * m_sin + dy * m_cos);
}

namespace {

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
    std::vector<int32_t> index;
};

class Remapper {
public:
    Remapper(const LayerObject& layer, ProgressMeter* progress)
        : m_layerWidth(std::max(1, layer.PartWidth())), m_layerHeight(std::max(1, layer.PartHeight())),
          m_progress(progress) {}

    template <class Buffer = RLBuffer>
    std::unique_ptr<Buffer> Bytes(const RLBuffer& src, const SourceMap& map, uint8_t fill) {
        const SourceIndex* table = Table(map, src.Width(), src.Height());
        std::vector<uint8_t> pixels;
        if (!table || !Decode(src, pixels)) {
            return nullptr;
        }
        auto out = parts::NewBuffer<Buffer>(table->outWidth, table->outHeight, src.BytesPerPixel(), fill);
        if (!out) {
            return nullptr;
        }
        const auto bpp = static_cast<size_t>(src.BytesPerPixel());
        const size_t width = static_cast<size_t>(table->outWidth);
        for (int32_t y = 0; y < table->outHeight; ++y) {
            uint8_t* row = out->WorkingRow();
            std::memset(row, fill, width * bpp);
            const int32_t* at = table->index.data() + static_cast<size_t>(y) * width;
            if (bpp == 1) {
                for (size_t x = 0; x < width; ++x) {
                    if (at[x] >= 0) {
                        row[x] = pixels[static_cast<size_t>(at[x])];
                    }
                }
            } else {
                for (size_t x = 0; x < width; ++x) {
                    if (at[x] >= 0) {
                        std::memcpy(row + x * bpp, pixels.data() + static_cast<size_t>(at[x]) * bpp, bpp);
                    }
                }
            }
            if (!out->PutRow(y)) {
                return nullptr;
            }
        }
        Step();
        return out;
    }

    // A coverage mask resampled per sub-pixel. With lineSources set, destination pixels that got
    // coverage from another source pixel than the one under their centre are pointed at that pixel in
    // the table, so the line's indices follow its coverage.
    std::unique_ptr<SuperBitBuffer> Mask(const SuperBitBuffer& src, const SourceMap& map, bool lineSources) {
        if (map.Shifts()) {
            return Bytes<SuperBitBuffer>(src, map, 0);
        }
        SourceIndex* table = Table(map, src.Width(), src.Height());
        const Rect d = map.Destination();
        std::vector<uint8_t> pixels;
        std::vector<uint8_t> near;
        if (!table || !Decode(src, pixels)) {
            return nullptr;
        }
        const int32_t sw = src.Width();
        const int32_t sh = src.Height();
        // Sub-pixels and what they cover lie within 0.7 of a destination pixel of its centre.
        const auto reach = static_cast<int32_t>(std::ceil(map.Stretch() * 0.75)) + 1;
        if (!Near(pixels, sw, sh, reach, near)) {
            return nullptr;
        }
        auto out = parts::NewBuffer<SuperBitBuffer>(table->outWidth, table->outHeight, 2, 0);
        if (!out) {
            return nullptr;
        }
        const double scaleX = static_cast<double>(sw) / m_layerWidth;
        const double scaleY = static_cast<double>(sh) / m_layerHeight;
        const size_t width = static_cast<size_t>(table->outWidth);
        for (int32_t y = 0; y < table->outHeight; ++y) {
            uint8_t* row = out->WorkingRow();
            std::memset(row, 0, width * 2);
            int32_t* at = table->index.data() + static_cast<size_t>(y) * width;
            for (size_t x = 0; x < width; ++x) {
                if (at[x] < 0 || !near[static_cast<size_t>(at[x])]) {
                    continue;
                }
                // Where the pixel's centre and its neighbours across and down come from: a sub-pixel
                // covers the parallelogram of a quarter of those steps, sampled a quarter source pixel
                // apart, so a line thinner than a sub-pixel after shrinking still leaves one.
                const double cx = d.left + (x + 0.5) * table->pageX;
                const double cy = d.top + (y + 0.5) * table->pageY;
                double ox = 0, oy = 0, ax = 0, ay = 0, bx = 0, by = 0;
                if (!map.Point(cx, cy, ox, oy) || !map.Point(cx + table->pageX, cy, ax, ay) ||
                    !map.Point(cx, cy + table->pageY, bx, by)) {
                    continue;
                }
                const double ux = (ax - ox) * scaleX / 4, uy = (ay - oy) * scaleY / 4;
                const double vx = (bx - ox) * scaleX / 4, vy = (by - oy) * scaleY / 4;
                const int32_t nu =
                    std::clamp(static_cast<int32_t>(std::ceil(std::hypot(ux, uy) * 4 - 1e-6)), 1, 8);
                const int32_t nv =
                    std::clamp(static_cast<int32_t>(std::ceil(std::hypot(vx, vy) * 4 - 1e-6)), 1, 8);
                uint16_t mask = 0;
                int32_t from = -1;
                auto covered = [&](double fx, double fy) {
                    if (!(fx >= 0 && fy >= 0 && fx < sw && fy < sh)) {
                        return false;
                    }
                    const auto px = static_cast<int32_t>(fx);
                    const auto py = static_cast<int32_t>(fy);
                    const int subX = std::min(3, static_cast<int>((fx - px) * 4));
                    const int subY = std::min(3, static_cast<int>((fy - py) * 4));
                    const size_t source =
                        static_cast<size_t>(py) * static_cast<size_t>(sw) + static_cast<size_t>(px);
                    const auto bits = static_cast<uint16_t>(pixels[source * 2] | pixels[source * 2 + 1] << 8);
                    if (!(bits & (1u << SuperBitBuffer::SubPixelBit(subX, subY)))) {
                        return false;
                    }
                    if (from < 0) {
                        from = static_cast<int32_t>(source);
                    }
                    return true;
                };
                for (int j = 0; j < 4; ++j) {
                    for (int i = 0; i < 4; ++i) {
                        double fx = 0;
                        double fy = 0;
                        if (!map.Point(d.left + (static_cast<double>(x) + (i + 0.5) / 4) * table->pageX,
                                       d.top + (y + (j + 0.5) / 4) * table->pageY, fx, fy)) {
                            continue;
                        }
                        fx *= scaleX;
                        fy *= scaleY;
                        bool hit = false;
                        for (int32_t b = 0; b < nv && !hit; ++b) {
                            const double t = (b + 0.5) / nv - 0.5;
                            for (int32_t a = 0; a < nu && !hit; ++a) {
                                const double sU = (a + 0.5) / nu - 0.5;
                                hit = covered(fx + ux * sU + vx * t, fy + uy * sU + vy * t);
                            }
                        }
                        if (hit) {
                            mask = static_cast<uint16_t>(mask | 1u << SuperBitBuffer::SubPixelBit(i, j));
                        }
                    }
                }
                row[x * 2] = static_cast<uint8_t>(mask);
                row[x * 2 + 1] = static_cast<uint8_t>(mask >> 8);
                const auto centre = static_cast<size_t>(at[x]);
                if (lineSources && from >= 0 && pixels[centre * 2] == 0 && pixels[centre * 2 + 1] == 0) {
                    at[x] = from;
                }
            }
            if (!out->PutRow(y)) {
                return nullptr;
            }
        }
        Step();
        return out;
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
            const int32_t* at = table->index.data() + static_cast<size_t>(y) * width;
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

    static bool Decode(const RLBuffer& src, std::vector<uint8_t>& pixels) {
        const size_t rowLength = src.RawRowLength();
        try {
            pixels.resize(rowLength * static_cast<size_t>(src.Height()));
        } catch (const std::bad_alloc&) {
            return false;
        }
        for (int32_t y = 0; y < src.Height(); ++y) {
            src.ReadRow(y, pixels.data() + rowLength * static_cast<size_t>(y));
        }
        return true;
    }

    // near[p]: some pixel within reach of p (a square) carries coverage.
    static bool Near(const std::vector<uint8_t>& masks, int32_t w, int32_t h, int32_t reach,
                     std::vector<uint8_t>& near) {
        std::vector<uint8_t> across;
        try {
            across.assign(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
            near.assign(across.size(), 0);
        } catch (const std::bad_alloc&) {
            return false;
        }
        // Sliding counts of covered pixels, first along rows, then down columns.
        for (int32_t y = 0; y < h; ++y) {
            const uint8_t* m = masks.data() + static_cast<size_t>(y) * static_cast<size_t>(w) * 2;
            uint8_t* a = across.data() + static_cast<size_t>(y) * static_cast<size_t>(w);
            int32_t count = 0;
            auto set = [&](int32_t x) { return x >= 0 && x < w && (m[x * 2] | m[x * 2 + 1]) != 0; };
            for (int32_t x = -reach; x < w + reach; ++x) {
                count += set(x + reach) ? 1 : 0;
                count -= set(x - reach - 1) ? 1 : 0;
                if (x >= 0 && x < w) {
                    a[x] = count > 0;
                }
            }
        }
        for (int32_t x = 0; x < w; ++x) {
            int32_t count = 0;
            auto set = [&](int32_t y) {
                return y >= 0 && y < h && across[static_cast<size_t>(y) * w + x] != 0;
            };
            for (int32_t y = -reach; y < h + reach; ++y) {
                count += set(y + reach) ? 1 : 0;
                count -= set(y - reach - 1) ? 1 : 0;
                if (y >= 0 && y < h) {
                    near[static_cast<size_t>(y) * w + x] = count > 0;
                }
            }
        }
        return true;
    }

    SourceIndex* Table(const SourceMap& map, int32_t partWidth, int32_t partHeight) {
        for (SourceIndex& t : m_tables) {
            if (t.map == &map && t.partWidth == partWidth && t.partHeight == partHeight) {
                return &t;
            }
        }
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
            const auto width = static_cast<size_t>(t.outWidth);
            t.index.assign(width * static_cast<size_t>(t.outHeight), -1);
            std::vector<double> sx(width);
            std::vector<double> sy(width);
            const double scaleX = static_cast<double>(partWidth) / m_layerWidth;
            const double scaleY = static_cast<double>(partHeight) / m_layerHeight;
            for (int32_t y = 0; y < t.outHeight; ++y) {
                if (whole) {
                    map.Row(d.top + y, d.left, d.right, sx.data(), sy.data());
                } else {
                    // A part of its own size asks for every pixel centre on its own.
                    for (size_t x = 0; x < width; ++x) {
                        const bool inside = map.Point(d.left + (x + 0.5) * t.pageX,
                                                      d.top + (y + 0.5) * t.pageY, sx[x], sy[x]) &&
                                            sx[x] >= 0 && sy[x] >= 0 && sx[x] < m_layerWidth &&
                                            sy[x] < m_layerHeight;
                        if (!inside) {
                            sx[x] = -1;
                        }
                    }
                }
                int32_t* at = t.index.data() + static_cast<size_t>(y) * width;
                for (size_t x = 0; x < width; ++x) {
                    if (sx[x] < 0) {
                        continue;
                    }
                    const auto px =
                        std::clamp(static_cast<int32_t>(std::floor(sx[x] * scaleX)), 0, partWidth - 1);
                    const auto py =
                        std::clamp(static_cast<int32_t>(std::floor(sy[x] * scaleY)), 0, partHeight - 1);
                    at[x] = py * partWidth + px;
                }
            }
            m_tables.push_back(std::move(t));
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
        return &m_tables.back();
    }

    int32_t m_layerWidth;
    int32_t m_layerHeight;
    ProgressMeter* m_progress;
    std::vector<SourceIndex> m_tables;
};

} // namespace

bool RemapLayer(LayerObject& layer, const SourceMap& map, const SourceMap& keep, uint32_t components,
                ProgressMeter* progress, const double* turnDegrees) {
    const Rect d = map.Destination();
    if (d.IsEmpty() || !(keep.Destination() == d)) {
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
    // Order matters: the line indices come after the coverage, which points them at their lines.
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
    if (ok && layer.frame && layer.frame->drawingBuffer) {
        parts.drawing = remap.Mask(*layer.frame->drawingBuffer, mapOf(kMorphLines), false);
        ok = parts.drawing != nullptr;
    }
    if (layer.lineArt) {
        ObjectLineArt& l = *layer.lineArt;
        if (ok && l.lineBuffer) {
            parts.coverage = remap.Mask(*l.lineBuffer, mapOf(kMorphLines), true);
            ok = parts.coverage != nullptr;
        }
        // The indices follow the coverage pixel by pixel, so they are gathered, never turned.
        auto index = [&](const std::unique_ptr<RLBuffer>& slot, std::unique_ptr<RLBuffer>& out) {
            if (ok && slot) {
                out = remap.Bytes(*slot, mapOf(kMorphLines), 0);
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
        double Stretch() const override { return m_inner.Stretch(); }

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
