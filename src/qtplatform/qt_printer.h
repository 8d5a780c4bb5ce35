#pragma once

#include "platform/printer.h"

#include <memory>
#include <string>

class QWidget;
class QPrinter;
class QPainter;

namespace ts {

// Printing through Qt: a CUPS printer chosen in Qt's print dialog or the default one, or a PDF file.
// Each band is drawn with one QPainter::drawImage of a QImage made afresh around the band's rows: the
// PDF engine keeps the images it embedded by their cache key, so one image refilled behind its back
// would print its first band again.
class QtPrinter final : public Printer {
public:
    QtPrinter();
    ~QtPrinter() override;

    void SetParent(QWidget* parent) { m_parent = parent; }
    // The printer the next setup takes instead of the default one (empty: the default).
    void SetPrinterName(const std::string& name) { m_printerName = name; }

    bool SetupWithDialog() override;
    bool SetupDefault(PaperOrientation orientation) override;
    PrinterDescription Description() const override;
    bool StartDoc(const std::string& title) override;
    bool SendBand(int32_t x, int32_t y, int32_t width, int32_t height, const uint8_t* rows,
                  size_t stride) override;
    bool EndDoc() override;
    void AbortDoc() override;
    bool DrawText(int32_t x, int32_t y, const std::string& text, const std::string& family,
                  int32_t points) override;

private:
    void SetupFile();

    QWidget* m_parent = nullptr;
    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<QPainter> m_painter;
    std::string m_printerName;
};

} // namespace ts
