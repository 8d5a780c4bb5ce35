#include "qtplatform/qt_printer.h"

#include <QApplication>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>

namespace ts {

namespace {

// PDFs and printers chosen in the dialog print at this resolution unless told otherwise: enough for
// pencil grain, and a page of the default drawing stays a reasonable size.
constexpr int32_t kDialogResolution = 300;

} // namespace

QtPrinter::QtPrinter() = default;
QtPrinter::~QtPrinter() {
    if (m_painter && m_painter->isActive()) {
        m_painter->end();
    }
}

void QtPrinter::SetupFile() {
    m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    m_printer->setOutputFormat(QPrinter::PdfFormat);
    m_printer->setOutputFileName(QString::fromStdString(m_file));
    m_printer->setResolution(m_fileDpi);
    const bool landscape = m_fileWidth > m_fileHeight;
    // The page size is given upright; the orientation turns it.
    const QPageSize size(QSizeF(std::min(m_fileWidth, m_fileHeight), std::max(m_fileWidth, m_fileHeight)),
                         QPageSize::Inch, QString(), QPageSize::ExactMatch);
    m_printer->setPageLayout(QPageLayout(size, landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                                         QMarginsF(0, 0, 0, 0), QPageLayout::Inch));
    m_printer->setFullPage(true);
}

bool QtPrinter::SetupWithDialog() {
    if (!m_file.empty()) {
        SetupFile();
        return true;
    }
    // The dialog is a widget: a program without widgets (the command-line tool) has none to show.
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        return false;
    }
    m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    m_printer->setResolution(kDialogResolution);
    QPrintDialog dialog(m_printer.get(), m_parent);
    dialog.setWindowTitle(QStringLiteral("Print"));
    if (dialog.exec() != QDialog::Accepted) {
        m_printer.reset();
        return false;
    }
    if (m_printer->outputFormat() == QPrinter::PdfFormat) {
        m_printer->setResolution(kDialogResolution);
    }
    return m_printer->isValid();
}

bool QtPrinter::SetupDefault(PaperOrientation orientation) {
    if (!m_file.empty()) {
        SetupFile();
        return true;
    }
    const QPrinterInfo info = m_printerName.empty()
                                  ? QPrinterInfo::defaultPrinter()
                                  : QPrinterInfo::printerInfo(QString::fromStdString(m_printerName));
    if (info.isNull()) {
        return false;
    }
    m_printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    m_printer->setPageOrientation(orientation == PaperOrientation::kLandscape ? QPageLayout::Landscape
                                                                              : QPageLayout::Portrait);
    return m_printer->isValid();
}

PrinterDescription QtPrinter::Description() const {
    PrinterDescription d;
    if (!m_printer) {
        d.raster = false;
        return d;
    }
    const int dpi = m_printer->resolution();
    const QPageLayout layout = m_printer->pageLayout();
    const QRect full = layout.fullRectPixels(dpi);
    const QRect paint = m_printer->fullPage() ? full : layout.paintRectPixels(dpi);
    d.dpiX = d.dpiY = dpi;
    d.physicalWidth = full.width();
    d.physicalHeight = full.height();
    d.printableWidth = paint.width();
    d.printableHeight = paint.height();
    d.offsetX = paint.left() - full.left();
    d.offsetY = paint.top() - full.top();
    d.borderless = m_printer->fullPage();
    d.toFile = m_printer->outputFormat() == QPrinter::PdfFormat;
    d.raster = true;
    return d;
}

bool QtPrinter::StartDoc(const std::string& title) {
    if (!m_printer) {
        return false;
    }
    m_printer->setDocName(QString::fromStdString(title));
    m_painter = std::make_unique<QPainter>();
    return m_painter->begin(m_printer.get());
}

bool QtPrinter::SendBand(int32_t x, int32_t y, int32_t width, int32_t height, const uint8_t* rows,
                         size_t stride) {
    if (!m_painter || !m_painter->isActive() || width < 1 || height < 1) {
        return false;
    }
    // A new image around the same buffer each time: a new cache key for the PDF engine.
    const QImage band(rows, width, height, static_cast<qsizetype>(stride), QImage::Format_BGR888);
    m_painter->drawImage(QPoint(x, y), band);
    return true;
}

bool QtPrinter::EndDoc() {
    if (!m_painter) {
        return false;
    }
    const bool ended = m_painter->end();
    m_painter.reset();
    return ended;
}

bool QtPrinter::DrawText(int32_t x, int32_t y, const std::string& text, const std::string& family,
                         int32_t points) {
    if (!m_painter || !m_painter->isActive()) {
        return false;
    }
    // The family asked for when the system has it, else a sans serif it has (DejaVu Sans on Debian).
    QString name = QString::fromStdString(family);
    if (!QFontDatabase::hasFamily(name)) {
        name = QFontDatabase::hasFamily(QStringLiteral("DejaVu Sans"))
                   ? QStringLiteral("DejaVu Sans")
                   : QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    }
    QFont font(name);
    font.setPointSize(points);
    // Letters as typed (no "fi" ligatures), so that the text of the PDF reads as the address does.
    font.setStyleStrategy(QFont::PreferNoShaping);
    m_painter->save();
    m_painter->setFont(font);
    m_painter->setBackgroundMode(Qt::OpaqueMode);
    m_painter->setBackground(Qt::white);
    m_painter->setPen(Qt::black);
    const QFontMetrics metrics(font, m_printer.get());
    m_painter->drawText(QPoint(x, y + metrics.ascent()), QString::fromStdString(text));
    m_painter->restore();
    return true;
}

void QtPrinter::AbortDoc() {
    if (!m_printer) {
        return;
    }
    const bool toFile = m_printer->outputFormat() == QPrinter::PdfFormat;
    const QString file = m_printer->outputFileName();
    if (m_painter && m_painter->isActive()) {
        m_printer->abort();
        m_painter->end();
    }
    m_painter.reset();
    // What a PDF holds of an aborted job is not a document.
    if (toFile && !file.isEmpty()) {
        QFile::remove(file);
    }
}

} // namespace ts
