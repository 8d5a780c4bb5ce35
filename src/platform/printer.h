#pragma once

#include "platform/image24.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ts {

enum class PaperOrientation { kPortrait, kLandscape };

// What a printer reports once it is set up: resolutions in dots per inch, the printable area and the
// whole sheet in dots, and where the printable area starts on the sheet.
struct PrinterDescription {
    int32_t dpiX = 600;
    int32_t dpiY = 600;
    int32_t printableWidth = 4800;
    int32_t printableHeight = 6282;
    int32_t physicalWidth = 5100;
    int32_t physicalHeight = 6600;
    int32_t offsetX = 150;
    int32_t offsetY = 42;
    // Only a raster device takes bands.
    bool raster = true;
    // The user asked for the full sheet: the corrections of centring are then 0.
    bool borderless = false;
    // A file rather than a sheet of paper (no roll to guard).
    bool toFile = false;

    double PaperWidthInches() const { return dpiX > 0 ? double(physicalWidth) / dpiX : 0.0; }
    double PaperHeightInches() const { return dpiY > 0 ? double(physicalHeight) / dpiY : 0.0; }
};

// A printer device: set up (the print dialog, or the default printer with an orientation), then a
// document of one page sent as bands of 24-bit rows. Positions are in dots from the printable area's
// top-left corner.
class Printer {
public:
    virtual ~Printer() = default;

    // The print dialog; false when the user cancelled it or there is no printer.
    virtual bool SetupWithDialog() = 0;
    // The default printer with the given orientation, no dialog; false when there is none.
    virtual bool SetupDefault(PaperOrientation orientation) = 0;
    // The set-up device; meaningful after a successful setup.
    virtual PrinterDescription Description() const = 0;

    virtual bool StartDoc(const std::string& title) = 0;
    // Rows of width x height pixels (blue, green, red; rows stride bytes apart) placed at (x, y).
    virtual bool SendBand(int32_t x, int32_t y, int32_t width, int32_t height, const uint8_t* rows,
                          size_t stride) = 0;
    virtual bool EndDoc() = 0;
    // Drops the document started: nothing of it is printed.
    virtual void AbortDoc() = 0;
    // A line of text, black on white, its top-left at (x, y), in a font family (or the nearest the
    // system has) of the given points.
    virtual bool DrawText(int32_t /*x*/, int32_t /*y*/, const std::string& /*text*/,
                          const std::string& /*family*/, int32_t /*points*/) {
        return false;
    }

    // The next setup prints into this PDF file without a dialog (empty: back to the printers).
    virtual void PrintToFile(const std::string& path) { m_file = path; }
    const std::string& PrintFile() const { return m_file; }
    // The sheet of PDF files, in inches, and their dots per inch. A sheet given here stays; without one
    // the print takes the page's own size (SetDefaultFilePaper).
    void SetFilePaper(double widthInches, double heightInches, int32_t dotsPerInch) {
        if (widthInches > 0 && heightInches > 0 && dotsPerInch > 0) {
            m_fileWidth = widthInches;
            m_fileHeight = heightInches;
            m_fileDpi = dotsPerInch;
            m_filePaperGiven = true;
        }
    }
    void SetDefaultFilePaper(double widthInches, double heightInches, int32_t dotsPerInch) {
        if (!m_filePaperGiven && widthInches > 0 && heightInches > 0 && dotsPerInch > 0) {
            m_fileWidth = widthInches;
            m_fileHeight = heightInches;
            m_fileDpi = dotsPerInch;
        }
    }

protected:
    std::string m_file;
    double m_fileWidth = 8.5;
    double m_fileHeight = 11.0;
    int32_t m_fileDpi = 300;
    bool m_filePaperGiven = false;
};

// The printer of tests and of builds without Qt: it is set up with a description given beforehand and
// puts the bands together into a picture of the printable area, white where nothing was sent.
class HeadlessPrinter final : public Printer {
public:
    struct Band {
        int32_t x, y, width, height;
    };
    struct Text {
        int32_t x, y;
        std::string text, family;
        int32_t points;
    };

    void SetDescription(const PrinterDescription& d) { m_description = d; }
    // Whether setup succeeds (false: the dialog is cancelled, or there is no default printer).
    void SetAvailable(bool available) { m_available = available; }

    bool SetupWithDialog() override;
    bool SetupDefault(PaperOrientation orientation) override;
    PrinterDescription Description() const override { return m_description; }
    bool StartDoc(const std::string& title) override;
    bool SendBand(int32_t x, int32_t y, int32_t width, int32_t height, const uint8_t* rows,
                  size_t stride) override;
    bool EndDoc() override;
    void AbortDoc() override;
    bool DrawText(int32_t x, int32_t y, const std::string& text, const std::string& family,
                  int32_t points) override;

    // The texts of the last document.
    const std::vector<Text>& Texts() const { return m_texts; }
    // The printed page; empty until a document ended.
    const Image24& Page() const { return m_page; }
    const std::vector<Band>& Bands() const { return m_bands; }
    int32_t Dialogs() const { return m_dialogs; }
    int32_t Aborts() const { return m_aborts; }
    bool Started() const { return m_started; }
    PaperOrientation Orientation() const { return m_orientation; }

private:
    PrinterDescription m_description;
    bool m_available = true;
    bool m_started = false;
    Image24 m_building;
    Image24 m_page;
    std::vector<Band> m_bands;
    std::vector<Text> m_texts;
    int32_t m_dialogs = 0;
    int32_t m_aborts = 0;
    PaperOrientation m_orientation = PaperOrientation::kPortrait;
};

} // namespace ts
