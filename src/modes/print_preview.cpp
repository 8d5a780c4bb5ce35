#include "modes/print_manager.h"

#include <algorithm>

namespace ts {

namespace {

constexpr int32_t kMargin = 10;       // client pixels from the corner
constexpr int32_t kLargestSide = 240; // of the sheet, client pixels
constexpr uint8_t kFrame = 64;
constexpr uint8_t kPrintable = 160;

void Put(Image24& display, const Rect& clip, int32_t x, int32_t y, const uint8_t* bgr) {
    if (x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom) {
        std::copy(bgr, bgr + 3, display.Pixel(x, y));
    }
}

} // namespace

Rect PrintPreview::Bounds() const {
    const PrinterDescription& s = m_plan.sheet;
    const int32_t side = std::max(1, std::max(s.physicalWidth, s.physicalHeight));
    const int32_t w = std::max(2, static_cast<int32_t>(int64_t{s.physicalWidth} * kLargestSide / side));
    const int32_t h = std::max(2, static_cast<int32_t>(int64_t{s.physicalHeight} * kLargestSide / side));
    return Rect{kMargin, kMargin, kMargin + w + 2, kMargin + h + 2};
}

void PrintPreview::Draw(Image24& display, const Rect& clip) const {
    const PrinterDescription& s = m_plan.sheet;
    const Rect box = Bounds();
    const double scale = double(box.Width() - 2) / std::max(1, s.physicalWidth); // client pixels a dot
    const uint8_t white[3] = {255, 255, 255};
    const uint8_t frame[3] = {kFrame, kFrame, kFrame};
    const uint8_t printable[3] = {kPrintable, kPrintable, kPrintable};
    for (int32_t y = box.top; y < box.bottom; ++y) {
        for (int32_t x = box.left; x < box.right; ++x) {
            const bool edge = y == box.top || y == box.bottom - 1 || x == box.left || x == box.right - 1;
            Put(display, clip, x, y, edge ? frame : white);
        }
    }
    const int32_t left = box.left + 1;
    const int32_t top = box.top + 1;
    // The drawing where the job puts it: the same factors, turn and centring.
    const PrintJobSettings& job = m_plan.job;
    const int32_t fx = FactorForScale(job.scaleX);
    const int32_t fy = FactorForScale(job.scaleY);
    const int32_t r = 1 << std::clamp(job.reduction, 0, 5);
    const int32_t dw = std::max(1, (m_stack.DrawingWidth() + r - 1) / r);
    const int32_t dh = std::max(1, (m_stack.DrawingHeight() + r - 1) / r);
    const int32_t pw = (job.turned ? dh : dw) * fx;
    const int32_t ph = (job.turned ? dw : dh) * fy;
    const int32_t cx = s.borderless ? 0 : s.offsetX - (s.physicalWidth - s.printableWidth - s.offsetX);
    const int32_t cy = s.borderless ? 0 : s.offsetY - (s.physicalHeight - s.printableHeight - s.offsetY);
    const double x0 = s.offsetX + (s.printableWidth - pw) / 2 - cx / 2;
    const double y0 = s.offsetY + (s.printableHeight - ph) / 2 - cy / 2;
    const Image24& view = m_view.ViewBuffer();
    const bool picture =
        view.Width() == m_stack.DrawingWidth() && view.Height() == m_stack.DrawingHeight() && !view.Empty();
    const uint8_t grey[3] = {128, 128, 128};
    const int32_t ax = static_cast<int32_t>(x0 * scale);
    const int32_t ay = static_cast<int32_t>(y0 * scale);
    const int32_t bx = static_cast<int32_t>((x0 + pw) * scale);
    const int32_t by = static_cast<int32_t>((y0 + ph) * scale);
    for (int32_t y = std::max(0, ay); y < std::min(box.Height() - 2, by); ++y) {
        for (int32_t x = std::max(0, ax); x < std::min(box.Width() - 2, bx); ++x) {
            const uint8_t* src = grey;
            if (picture) {
                // The printed point back to the drawing, undoing the turn.
                const double u = (x + 0.5 - ax) / std::max(1, bx - ax);
                const double v = (y + 0.5 - ay) / std::max(1, by - ay);
                const double du = job.turned ? 1.0 - v : u;
                const double dv = job.turned ? u : v;
                const auto px = std::clamp(static_cast<int32_t>(du * view.Width()), 0, view.Width() - 1);
                const auto py = std::clamp(static_cast<int32_t>(dv * view.Height()), 0, view.Height() - 1);
                src = view.Pixel(px, py);
            }
            Put(display, clip, left + x, top + y, src);
        }
    }
    // The printable rectangle's outline over it.
    const auto px0 = left + static_cast<int32_t>(s.offsetX * scale);
    const auto py0 = top + static_cast<int32_t>(s.offsetY * scale);
    const auto px1 = left + static_cast<int32_t>((s.offsetX + s.printableWidth) * scale) - 1;
    const auto py1 = top + static_cast<int32_t>((s.offsetY + s.printableHeight) * scale) - 1;
    for (int32_t x = px0; x <= px1; ++x) {
        Put(display, clip, x, py0, printable);
        Put(display, clip, x, py1, printable);
    }
    for (int32_t y = py0; y <= py1; ++y) {
        Put(display, clip, px0, y, printable);
        Put(display, clip, px1, y, printable);
    }
}

} // namespace ts
