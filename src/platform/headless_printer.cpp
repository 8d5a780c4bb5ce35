#include "platform/printer.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace ts {

bool HeadlessPrinter::SetupWithDialog() {
    if (!m_file.empty()) {
        // A file takes the place of the dialog: its sheet, printable to the edges.
        PrinterDescription& d = m_description;
        d.dpiX = d.dpiY = m_fileDpi;
        d.physicalWidth = d.printableWidth = static_cast<int32_t>(m_fileWidth * m_fileDpi + 0.5);
        d.physicalHeight = d.printableHeight = static_cast<int32_t>(m_fileHeight * m_fileDpi + 0.5);
        d.offsetX = d.offsetY = 0;
        d.toFile = true;
        return true;
    }
    ++m_dialogs;
    return m_available;
}

bool HeadlessPrinter::SetupDefault(PaperOrientation orientation) {
    if (!m_available) {
        return false;
    }
    // The default printer turns its sheet to the orientation asked for.
    const bool landscape = m_description.physicalWidth > m_description.physicalHeight;
    if (landscape != (orientation == PaperOrientation::kLandscape)) {
        PrinterDescription& d = m_description;
        std::swap(d.dpiX, d.dpiY);
        std::swap(d.printableWidth, d.printableHeight);
        std::swap(d.physicalWidth, d.physicalHeight);
        std::swap(d.offsetX, d.offsetY);
    }
    m_orientation = orientation;
    return true;
}

bool HeadlessPrinter::StartDoc(const std::string& /*title*/) {
    m_bands.clear();
    m_texts.clear();
    m_page.Clear();
    if (!m_building.Create(std::max(1, m_description.printableWidth),
                           std::max(1, m_description.printableHeight))) {
        return false;
    }
    std::fill(m_building.Pixels().begin(), m_building.Pixels().end(), uint8_t{255});
    m_started = true;
    return true;
}

bool HeadlessPrinter::SendBand(int32_t x, int32_t y, int32_t width, int32_t height, const uint8_t* rows,
                               size_t stride) {
    if (!m_started || width < 1 || height < 1) {
        return false;
    }
    m_bands.push_back(Band{x, y, width, height});
    // What falls outside the printable area is lost, as on paper.
    const int32_t left = std::max(0, x);
    const int32_t right = std::min(m_building.Width(), x + width);
    for (int32_t r = 0; r < height && left < right; ++r) {
        const int32_t py = y + r;
        if (py < 0 || py >= m_building.Height()) {
            continue;
        }
        std::memcpy(m_building.Pixel(left, py), rows + static_cast<size_t>(r) * stride + size_t(left - x) * 3,
                    static_cast<size_t>(right - left) * 3);
    }
    return true;
}

bool HeadlessPrinter::EndDoc() {
    if (!m_started) {
        return false;
    }
    m_started = false;
    m_page = std::move(m_building);
    m_building.Clear();
    return true;
}

bool HeadlessPrinter::DrawText(int32_t x, int32_t y, const std::string& text, const std::string& family,
                               int32_t points) {
    if (!m_started) {
        return false;
    }
    m_texts.push_back(Text{x, y, text, family, points});
    return true;
}

void HeadlessPrinter::AbortDoc() {
    ++m_aborts;
    m_started = false;
    m_building.Clear();
}

} // namespace ts
