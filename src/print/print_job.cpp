#include "print/print_job.h"

#include "print/print_fit.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <new>

namespace ts {

namespace {

constexpr int32_t kRowsPerProgressStep = 64;
constexpr int32_t kPixelsPerMetre = 10000;
constexpr uint8_t kWhite = 255;

// Prints every part at full grain, whatever the View menu shows; put back afterwards.
class AllPartsShown {
public:
    explicit AllPartsShown(Compositor& compositor)
        : m_compositor(compositor), m_switches(compositor.switches), m_paper(compositor.paper) {
        m_compositor.switches = ViewSwitches{};
        m_compositor.paper.textureOneToOne = false;
    }
    ~AllPartsShown() {
        m_compositor.switches = m_switches;
        m_compositor.paper = m_paper;
    }
    AllPartsShown(const AllPartsShown&) = delete;
    AllPartsShown& operator=(const AllPartsShown&) = delete;

private:
    Compositor& m_compositor;
    ViewSwitches m_switches;
    PaperSettings m_paper;
};

int32_t FloorDiv(int32_t a, int32_t b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

int32_t CeilDiv(int32_t a, int32_t b) {
    return a <= 0 ? -((-a) / b) : (a + b - 1) / b;
}

// The bit of sub-pixel (gx, gy) of the 4 x 4 coverage grid.
int32_t CoverageBit(int32_t gx, int32_t gy) {
    return 8 * (gx / 2) + 2 * gy + (1 - gx % 2);
}

// The grid cells a sub-pixel k of n along one side of a drawing pixel falls on.
void GridRange(int32_t k, int32_t n, int32_t& first, int32_t& last) {
    first = k * 4 / n;
    last = std::max(first, ((k + 1) * 4 + n - 1) / n - 1);
}

void PutLe(std::vector<uint8_t>& out, size_t at, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out[at + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
    }
}

} // namespace

PrintJob::PrintJob(Compositor& compositor, const ImageStackManager& stack, UserInterface& ui)
    : m_compositor(compositor), m_stack(stack), m_ui(ui) {}

std::vector<uint8_t> PrintJob::BmpHeader(int32_t width, int32_t height) {
    const uint32_t rowBytes = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
    const uint32_t imageBytes = rowBytes * static_cast<uint32_t>(height);
    std::vector<uint8_t> h(54, 0);
    h[0] = 'B';
    h[1] = 'M';
    PutLe(h, 2, imageBytes + 54, 4);
    PutLe(h, 10, 54, 4);
    PutLe(h, 14, 40, 4);
    PutLe(h, 18, static_cast<uint32_t>(width), 4);
    PutLe(h, 22, static_cast<uint32_t>(-height), 4); // top-down
    PutLe(h, 26, 1, 2);
    PutLe(h, 28, 24, 2);
    PutLe(h, 34, imageBytes, 4);
    PutLe(h, 38, kPixelsPerMetre, 4);
    PutLe(h, 42, kPixelsPerMetre, 4);
    return h;
}

PrintResult PrintJob::Print(Printer& printer, const PrintJobSettings& settings) {
    m_settings = settings;
    m_bandsSent = 0;
    m_bandBytes = 0;
    const PrinterDescription d = printer.Description();
    if (!d.raster) {
        return PrintResult::kNotRaster;
    }
    m_ui.SetStatusPane(0, print_text::kPrinting);
    // Centring on the sheet rather than on the printable area: half the difference of the margins.
    int32_t correctionX = 0;
    int32_t correctionY = 0;
    if (!d.borderless) {
        correctionX = d.offsetX - (d.physicalWidth - d.printableWidth - d.offsetX);
        correctionY = d.offsetY - (d.physicalHeight - d.printableHeight - d.offsetY);
    }
    if (IsLargeLandscape(d)) {
        m_ui.ShowMessage(print_text::kLargeLandscapeJob);
        return PrintResult::kLargeLandscape;
    }
    WaitCursor wait(m_ui);
    m_factorX = FactorForScale(settings.scaleX);
    m_factorY = FactorForScale(settings.scaleY);
    m_shiftX = ShiftForFactor(m_factorX);
    m_shiftY = ShiftForFactor(m_factorY);

    const int32_t reduction = std::clamp(settings.reduction, 0, 5);
    const int32_t r = 1 << reduction;
    m_drawingWidth = std::max(1, CeilDiv(m_stack.DrawingWidth(), r));
    m_drawingHeight = std::max(1, CeilDiv(m_stack.DrawingHeight(), r));
    m_printedWidth = settings.turned ? m_drawingHeight : m_drawingWidth;
    m_printedHeight = settings.turned ? m_drawingWidth : m_drawingHeight;
    m_printableWidth = std::max(1, d.printableWidth);
    m_printableHeight = std::max(1, d.printableHeight);
    m_bandWidth = CeilDiv(m_printableWidth, m_factorX) * m_factorX;
    const int32_t bandRows = std::max(1, settings.bandRows);
    try {
        m_band.assign(static_cast<size_t>(m_bandWidth) * 3 * static_cast<size_t>(bandRows * m_factorY), 0);
        m_cells.assign(static_cast<size_t>(bandRows) * static_cast<size_t>(m_printedWidth), Cell{});
    } catch (const std::exception&) {
        printer.AbortDoc();
        return PrintResult::kNoMemory;
    }
    m_bandBytes = m_band.size();
    const bool lines = reduction == 0 && (m_factorX > 1 || m_factorY > 1);
    m_under.reset();
    if (lines) {
        m_under = std::make_unique<UnderPixelManager>();
        if (!m_under->Create(m_stack.DrawingWidth(), m_stack.DrawingHeight())) {
            m_under.reset();
            printer.AbortDoc();
            return PrintResult::kNoMemory;
        }
    }
    BuildCoverageTable();

    m_offsetX = (m_printableWidth - m_printedWidth * m_factorX) / 2 - correctionX / 2;
    m_offsetY = FloorDiv((m_printableHeight - m_printedHeight * m_factorY) / 2 - correctionY / 2, m_factorY) *
                m_factorY;
    m_lightingDirection = settings.landscape ? 315 : 45;

    ProgressMeter& progress = m_ui.Progress();
    progress.Start(m_stack.DrawingHeight() / kRowsPerProgressStep + 1);
    auto release = [&] {
        CloseFileCopy();
        progress.Finish();
        m_band = std::vector<uint8_t>();
        m_cells = std::vector<Cell>();
        m_strip = std::vector<uint8_t>();
        m_under.reset();
    };
    if (!printer.StartDoc("Tintsmith")) {
        printer.AbortDoc();
        release();
        return PrintResult::kStartFailed;
    }
    if (!settings.fileCopy.empty()) {
        OpenFileCopy(settings.fileCopy, m_printableWidth, m_printableHeight);
    }

    AllPartsShown shown(m_compositor);
    const int32_t gStart = std::max(0, FloorDiv(-m_offsetY, m_factorY));
    const int32_t gEnd = std::min(m_printedHeight, CeilDiv(m_printableHeight - m_offsetY, m_factorY));
    const int32_t jStart = std::max(0, FloorDiv(-m_offsetX, m_factorX));
    const int32_t jEnd = std::min(m_printedWidth, CeilDiv(m_bandWidth - m_offsetX, m_factorX));
    int32_t stepsDone = 0;
    for (int32_t g0 = gStart; g0 < gEnd && jStart < jEnd; g0 += bandRows) {
        const int32_t g1 = std::min(gEnd, g0 + bandRows);
        if (!BuildCells(g0, g1, jStart, jEnd)) {
            printer.AbortDoc();
            release();
            return PrintResult::kNoMemory;
        }
        EmitBand(g0, g1, jStart, jEnd);
        const int32_t y = m_offsetY + g0 * m_factorY;
        const int32_t rows = (g1 - g0) * m_factorY;
        if (!printer.SendBand(0, y, m_bandWidth, rows, m_band.data(), static_cast<size_t>(m_bandWidth) * 3)) {
            printer.AbortDoc();
            release();
            return PrintResult::kSendFailed;
        }
        ++m_bandsSent;
        CopyRows(y, rows);
        const int32_t steps = g1 * r / kRowsPerProgressStep;
        for (; stepsDone < steps; ++stepsDone) {
            progress.Step();
        }
        if (m_ui.EscapePressed()) {
            m_ui.SetStatusPane(0, print_text::kCancelling);
            printer.AbortDoc();
            release();
            return PrintResult::kCancelled;
        }
    }
    CopyRows(m_printableHeight, 0);
    const bool ended = printer.EndDoc();
    release();
    return ended ? PrintResult::kPrinted : PrintResult::kSendFailed;
}

void PrintJob::BuildCoverageTable() {
    const int32_t fx = m_factorX;
    const int32_t fy = m_factorY;
    m_coverage.assign(static_cast<size_t>(fx * fy), 0);
    for (int32_t rp = 0; rp < fy; ++rp) {
        for (int32_t sp = 0; sp < fx; ++sp) {
            // The sub-pixel in the drawing's own orientation.
            int32_t x0, x1, y0, y1;
            if (m_settings.turned) {
                GridRange(fy - 1 - rp, fy, x0, x1);
                GridRange(sp, fx, y0, y1);
            } else {
                GridRange(sp, fx, x0, x1);
                GridRange(rp, fy, y0, y1);
            }
            uint16_t mask = 0;
            for (int32_t gx = x0; gx <= x1; ++gx) {
                for (int32_t gy = y0; gy <= y1; ++gy) {
                    mask = static_cast<uint16_t>(mask | (1u << CoverageBit(gx, gy)));
                }
            }
            m_coverage[static_cast<size_t>(rp * fx + sp)] = mask;
        }
    }
}

bool PrintJob::BuildCells(int32_t g0, int32_t g1, int32_t j0, int32_t j1) {
    const int32_t r = 1 << std::clamp(m_settings.reduction, 0, 5);
    const bool turned = m_settings.turned;
    // The reduced drawing's rectangle the printed rows and columns show.
    const int32_t xr0 = turned ? m_drawingWidth - g1 : j0;
    const int32_t xr1 = turned ? m_drawingWidth - g0 : j1;
    const int32_t yr0 = turned ? j0 : g0;
    const int32_t yr1 = turned ? j1 : g1;
    const int32_t xa = xr0 * r;
    const int32_t xb = std::min(m_stack.DrawingWidth(), xr1 * r);
    const int32_t ya = yr0 * r;
    const int32_t yb = std::min(m_stack.DrawingHeight(), yr1 * r);
    if (xa >= xb || ya >= yb) {
        return true;
    }
    const int32_t cols = xb - xa;
    const int32_t rows = yb - ya;
    const size_t stride = static_cast<size_t>(cols) * 3;
    try {
        m_strip.resize(stride * static_cast<size_t>(rows));
    } catch (const std::exception&) {
        return false;
    }
    UnderPixelManager* lines = m_under.get();
    m_compositor.CompositeRows(ya, rows, xa, cols, m_strip.data(), stride, nullptr, lines, nullptr);
    const size_t cellRow = static_cast<size_t>(m_printedWidth);
    auto cellAt = [&](int32_t xr, int32_t yr) -> Cell& {
        const int32_t g = turned ? m_drawingWidth - 1 - xr : yr;
        const int32_t j = turned ? yr : xr;
        return m_cells[static_cast<size_t>(g - g0) * cellRow + static_cast<size_t>(j)];
    };
    if (r == 1) {
        for (int32_t y = ya; y < yb; ++y) {
            const uint8_t* src = m_strip.data() + static_cast<size_t>(y - ya) * stride;
            if (lines) {
                lines->LoadRow(y);
            }
            const UnderPixelManager* under = lines;
            for (int32_t x = xa; x < xb; ++x) {
                Cell& c = cellAt(x, y);
                std::memcpy(c.color, src + static_cast<size_t>(x - xa) * 3, 3);
                c.mask = 0;
                if (under && under->Has(x)) {
                    const uint8_t* e = under->Element(x);
                    c.mask = UnderPixelManager::Mask(e);
                    std::memcpy(c.under, e + UnderPixelManager::kUnder, 3);
                    std::memcpy(c.line, e + UnderPixelManager::kLine, 3);
                }
            }
        }
        return true;
    }
    // Each printed pixel is the average of its block; blocks at the right and bottom edges may be short.
    for (int32_t yr = yr0; yr < yr1; ++yr) {
        const int32_t by0 = yr * r - ya;
        const int32_t by1 = std::min(yb, (yr + 1) * r) - ya;
        for (int32_t xr = xr0; xr < xr1; ++xr) {
            const int32_t bx0 = xr * r - xa;
            const int32_t bx1 = std::min(xb, (xr + 1) * r) - xa;
            uint32_t sum[3] = {0, 0, 0};
            for (int32_t by = by0; by < by1; ++by) {
                const uint8_t* p = m_strip.data() + static_cast<size_t>(by) * stride;
                for (int32_t bx = bx0; bx < bx1; ++bx) {
                    sum[0] += p[bx * 3];
                    sum[1] += p[bx * 3 + 1];
                    sum[2] += p[bx * 3 + 2];
                }
            }
            const auto n = static_cast<uint32_t>(std::max(1, (by1 - by0) * (bx1 - bx0)));
            Cell& c = cellAt(xr, yr);
            for (int b = 0; b < 3; ++b) {
                c.color[b] = static_cast<uint8_t>(sum[b] / n);
            }
            c.mask = 0;
        }
    }
    return true;
}

void PrintJob::EmitBand(int32_t g0, int32_t g1, int32_t j0, int32_t j1) {
    const int32_t fx = m_factorX;
    const int32_t fy = m_factorY;
    const size_t rowBytes = static_cast<size_t>(m_bandWidth) * 3;
    std::fill(m_band.begin(), m_band.begin() + static_cast<std::ptrdiff_t>(rowBytes * size_t((g1 - g0) * fy)),
              kWhite);
    const bool subPixels = fx > 1 || fy > 1;
    for (int32_t g = g0; g < g1; ++g) {
        const Cell* cells =
            m_cells.data() + static_cast<size_t>(g - g0) * static_cast<size_t>(m_printedWidth);
        for (int32_t rp = 0; rp < fy; ++rp) {
            uint8_t* out = m_band.data() + static_cast<size_t>((g - g0) * fy + rp) * rowBytes;
            const uint16_t* coverage = m_coverage.data() + static_cast<size_t>(rp * fx);
            for (int32_t j = j0; j < j1; ++j) {
                const Cell& c = cells[j];
                const int32_t px0 = m_offsetX + j * fx;
                const int32_t from = std::max(0, -px0);
                const int32_t to = std::min(fx, m_bandWidth - px0);
                for (int32_t sp = from; sp < to; ++sp) {
                    const uint8_t* src = c.color;
                    if (subPixels && c.mask != 0) {
                        src = (c.mask & coverage[sp]) != 0 ? c.line : c.under;
                    }
                    std::memcpy(out + static_cast<size_t>(px0 + sp) * 3, src, 3);
                }
            }
        }
    }
}

bool PrintJob::OpenFileCopy(const std::string& path, int32_t width, int32_t height) {
    m_copy = std::fopen(path.c_str(), "wb");
    m_copyRow = 0;
    if (!m_copy) {
        return false;
    }
    const std::vector<uint8_t> header = BmpHeader(width, height);
    if (std::fwrite(header.data(), 1, header.size(), m_copy) != header.size()) {
        CloseFileCopy();
        return false;
    }
    return true;
}

// Writes the printable area's rows up to y + rows: white up to y, then the band's rows.
void PrintJob::CopyRows(int32_t y, int32_t rows) {
    if (!m_copy) {
        return;
    }
    const size_t rowBytes = (static_cast<size_t>(m_printableWidth) * 3 + 3) & ~size_t{3};
    std::vector<uint8_t> row(rowBytes, 0);
    const int32_t end = std::min(m_printableHeight, y + rows);
    for (; m_copyRow < end; ++m_copyRow) {
        std::fill(row.begin(), row.begin() + m_printableWidth * 3, kWhite);
        if (m_copyRow >= y) {
            std::memcpy(row.data(),
                        m_band.data() + static_cast<size_t>(m_copyRow - y) * size_t(m_bandWidth) * 3,
                        static_cast<size_t>(m_printableWidth) * 3);
        }
        if (std::fwrite(row.data(), 1, rowBytes, m_copy) != rowBytes) {
            CloseFileCopy();
            return;
        }
    }
}

void PrintJob::CloseFileCopy() {
    if (m_copy) {
        std::fclose(m_copy);
        m_copy = nullptr;
    }
}

} // namespace ts
