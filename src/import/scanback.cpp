#include "import/scanback.h"

#include "model/part_buffers.h"
#include "platform/scanner.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace ts {

bool ThresholdLines(const Image24& picture, int32_t threshold, LineMask& mask) {
    const int32_t t = threshold == 0 ? kDefaultLineThreshold : threshold;
    if (!mask.Create(picture.Width(), picture.Height())) {
        return false;
    }
    for (int32_t y = 0; y < picture.Height(); ++y) {
        const uint8_t* p = picture.Row(y);
        uint8_t* out = mask.Row(y);
        for (int32_t x = 0; x < picture.Width(); ++x, p += 3) {
            out[x] = ScanBrightness(p[2], p[1], p[0]) <= t ? 1 : 0;
        }
    }
    return true;
}

std::unique_ptr<SuperBitBuffer> OccupancyFromMask(const LineMask& mask, int32_t width, int32_t height) {
    auto buffer = parts::NewBuffer<SuperBitBuffer>(width, height, 2, 0);
    if (!buffer || mask.width <= 0 || mask.height <= 0) {
        return nullptr;
    }
    // Mask pixels per quarter-pixel cell, across and down.
    const double kx = double(mask.width) / (4.0 * width);
    const double ky = double(mask.height) / (4.0 * height);
    std::vector<uint8_t> row(static_cast<size_t>(width) * 2);
    for (int32_t y = 0; y < height; ++y) {
        std::fill(row.begin(), row.end(), 0);
        bool any = false;
        for (int32_t j = 0; j < 4; ++j) {
            const int32_t v = 4 * y + j;
            const int32_t m0 = std::min(mask.height - 1, static_cast<int32_t>(v * ky));
            const int32_t m1 =
                std::max(m0, std::min(mask.height - 1, static_cast<int32_t>(std::ceil((v + 1) * ky)) - 1));
            for (int32_t my = m0; my <= m1; ++my) {
                const uint8_t* line = mask.Row(my);
                for (int32_t mx = 0; mx < mask.width; ++mx) {
                    if (line[mx] == 0) {
                        continue;
                    }
                    // The cells this mask pixel falls in across.
                    const int32_t u0 = std::min(4 * width - 1, static_cast<int32_t>(mx / kx));
                    const int32_t u1 = std::max(
                        u0, std::min(4 * width - 1, static_cast<int32_t>(std::ceil((mx + 1) / kx)) - 1));
                    for (int32_t u = u0; u <= u1; ++u) {
                        const size_t at = static_cast<size_t>(u / 4) * 2;
                        uint16_t bits = static_cast<uint16_t>(row[at] | row[at + 1] << 8);
                        bits = static_cast<uint16_t>(bits | 1u << SuperBitBuffer::SubPixelBit(u % 4, j));
                        row[at] = static_cast<uint8_t>(bits);
                        row[at + 1] = static_cast<uint8_t>(bits >> 8);
                        any = true;
                    }
                }
            }
        }
        if (any && !buffer->PutRow(y, row.data())) {
            return nullptr;
        }
    }
    return buffer;
}

namespace {

void Step(ProgressMeter* progress, int32_t n = 1) {
    for (int32_t i = 0; progress && i < n; ++i) {
        progress->Step();
    }
}

} // namespace

RealignResult RealignAndExtract(const Image24& scan, double scanPixelsPerInch, const Rect& footprint,
                                double footprintPixelsPerInch, int32_t threshold, int32_t passes,
                                ProgressMeter* progress, RealignedLines& out,
                                const std::function<void(const std::string&)>& status) {
    if (footprint.Width() <= 0 || footprint.Height() <= 0 || scan.Empty()) {
        return RealignResult::kNoMarks;
    }
    LineMask mask;
    if (!ThresholdLines(scan, threshold, mask)) {
        return RealignResult::kNoMemory;
    }
    Step(progress, 4);
    const auto layout = marks::Layout(footprint.Width(), footprint.Height(), footprintPixelsPerInch);
    out.registration = marks::Fit(marks::Find(mask, scanPixelsPerInch), layout, scanPixelsPerInch);
    Step(progress, 10);
    if (!out.registration.found) {
        return RealignResult::kNoMarks;
    }
    const marks::Registration& reg = out.registration;
    // Marks that fit but say the sheet came back at half or twice its size are not this sheet's.
    const double expected = scanPixelsPerInch / footprintPixelsPerInch;
    for (const double scale : {reg.scaleX, reg.scaleY}) {
        if (!(scale > expected / 2 && scale < expected * 2)) {
            out.registration.found = false;
            return RealignResult::kNoMarks;
        }
    }
    out.resolutionX = reg.scaleX * footprint.Width();
    out.resolutionY = reg.scaleY * footprint.Height();
    // The footprint's part of the scan, turned straight at the scan's own resolution: straight pixel
    // (u, v) is footprint point (u / scaleX, v / scaleY).
    LineMask straight;
    const auto sw = static_cast<int32_t>(std::lround(out.resolutionX));
    const auto sh = static_cast<int32_t>(std::lround(out.resolutionY));
    if (!straight.Create(std::max(1, sw), std::max(1, sh))) {
        return RealignResult::kNoMemory;
    }
    // A step across the straight picture is a step of (cos, sin) on the scan, a step down (-sin, cos).
    const double c = std::cos(reg.angle);
    const double s = std::sin(reg.angle);
    for (int32_t v = 0; v < straight.height; ++v) {
        const marks::Point start = reg.ToScan(marks::Point{0.5 / reg.scaleX, (v + 0.5) / reg.scaleY});
        uint8_t* row = straight.Row(v);
        for (int32_t u = 0; u < straight.width; ++u) {
            const auto x = static_cast<int32_t>(std::floor(start.x + u * c));
            const auto y = static_cast<int32_t>(std::floor(start.y + u * s));
            row[u] = mask.IsLine(x, y) ? 1 : 0;
        }
    }
    mask = LineMask{};
    // The marks are no sketch: their discs (and a rim for the blur of print and scan) are cleared.
    const double radius = marks::kRadiusInches * scanPixelsPerInch * 1.35;
    for (const marks::Point& p : layout) {
        const double cx = p.x * reg.scaleX;
        const double cy = p.y * reg.scaleY;
        for (int32_t y = std::max(0, int32_t(cy - radius));
             y <= std::min(straight.height - 1, int32_t(cy + radius)); ++y) {
            for (int32_t x = std::max(0, int32_t(cx - radius));
                 x <= std::min(straight.width - 1, int32_t(cx + radius)); ++x) {
                if (std::hypot(x + 0.5 - cx, y + 0.5 - cy) <= radius) {
                    straight.At(x, y) = 0;
                }
            }
        }
    }
    Step(progress, 4);
    if (status) {
        status("Processing the image...");
    }
    ThinZhangSuen(straight, passes, progress);
    if (status) {
        status("Done.");
    }
    out.occupancy = OccupancyFromMask(straight, footprint.Width(), footprint.Height());
    return out.occupancy ? RealignResult::kDone : RealignResult::kNoMemory;
}

} // namespace ts
