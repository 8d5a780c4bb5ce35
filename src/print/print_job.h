#pragma once

#include "model/image_stack_manager.h"
#include "platform/printer.h"
#include "platform/user_interface.h"
#include "render/compositor.h"
#include "render/under_pixel_manager.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace ts {

// What the job is asked to print.
struct PrintJobSettings {
    // The print-scale settings across and down (see FactorForScale).
    int32_t scaleX = 1;
    int32_t scaleY = 1;
    // Halvings of the drawing (0 .. 5) when even one dot a drawing pixel is too large.
    int32_t reduction = 0;
    // The drawing turns a quarter counter-clockwise on the sheet (its top along the sheet's left edge).
    bool turned = false;
    // Printed rows of the drawing (after any reduction) a band holds.
    int32_t bandRows = 32;
    // The bands are also written to this 24-bit BMP file; empty for none.
    std::string fileCopy;
    // The print is landscape: the lighting direction for printing is 315 degrees, else 45.
    bool landscape = false;
};

enum class PrintResult {
    kPrinted,
    kNotRaster,
    kLargeLandscape,
    kNoMemory,
    kStartFailed,
    kSendFailed,
    kCancelled
};

// Prints the drawing band by band onto a set-up printer: each band's rows of the layer stack are
// composited at full resolution and magnified by the print factors, lines at their sub-pixel coverage
// as the magnified view shows them, and the drawing is centred on the sheet. Esc between bands aborts
// the document. Only a few dozen drawing rows are ever held, whatever the size of the page.
class PrintJob {
public:
    PrintJob(Compositor& compositor, const ImageStackManager& stack, UserInterface& ui);

    PrintResult Print(Printer& printer, const PrintJobSettings& settings);

    // The state of the last job, for the preview and tests.
    int32_t FactorX() const { return m_factorX; }
    int32_t FactorY() const { return m_factorY; }
    int32_t ShiftX() const { return m_shiftX; }
    int32_t ShiftY() const { return m_shiftY; }
    int32_t OffsetX() const { return m_offsetX; }
    int32_t OffsetY() const { return m_offsetY; }
    int32_t LightingDirection() const { return m_lightingDirection; }
    int32_t BandsSent() const { return m_bandsSent; }
    // The largest band buffer held, in bytes.
    size_t BandBytes() const { return m_bandBytes; }

    // The 54-byte header of a top-down 24-bit BMP of width x height pixels at 10000 pixels a metre.
    static std::vector<uint8_t> BmpHeader(int32_t width, int32_t height);

private:
    // A printed pixel of the drawing: its composited colour and, where lines cover it, the colours on
    // and under the line and the 4 x 4 coverage in the drawing's own orientation.
    struct Cell {
        uint8_t color[3];
        uint8_t under[3];
        uint8_t line[3];
        uint16_t mask;
    };
    bool BuildCells(int32_t g0, int32_t g1, int32_t j0, int32_t j1);
    void EmitBand(int32_t g0, int32_t g1, int32_t j0, int32_t j1);
    void BuildCoverageTable();
    bool OpenFileCopy(const std::string& path, int32_t width, int32_t height);
    void CopyRows(int32_t y, int32_t rows);
    void CloseFileCopy();

    Compositor& m_compositor;
    const ImageStackManager& m_stack;
    UserInterface& m_ui;
    PrintJobSettings m_settings;

    int32_t m_factorX = 4;
    int32_t m_factorY = 4;
    int32_t m_shiftX = 2;
    int32_t m_shiftY = 2;
    int32_t m_offsetX = 0;
    int32_t m_offsetY = 0;
    int32_t m_lightingDirection = 45;
    int32_t m_bandsSent = 0;
    size_t m_bandBytes = 0;

    int32_t m_drawingWidth = 0; // reduced drawing, in its own orientation
    int32_t m_drawingHeight = 0;
    int32_t m_printedWidth = 0; // reduced drawing as printed (turned when asked)
    int32_t m_printedHeight = 0;
    int32_t m_bandWidth = 0;
    int32_t m_printableWidth = 0;
    int32_t m_printableHeight = 0;
    std::vector<Cell> m_cells;
    std::vector<uint8_t> m_strip;
    std::vector<uint8_t> m_band;
    std::vector<uint16_t> m_coverage;           // factorY x factorX sub-pixel masks in printed orientation
    std::unique_ptr<UnderPixelManager> m_under; // while a job runs with lines to magnify
    std::FILE* m_copy = nullptr;
    int32_t m_copyRow = 0;
};

} // namespace ts
