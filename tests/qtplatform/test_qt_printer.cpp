// Qt's printing into PDF files: every band lands where it was sent with its own pixels, and the back of a
// postcard carries its address as text.

#include "platform/headless_user_interface.h"
#include "platform/memory_settings_store.h"
#include "platform/temp_folder.h"
#include "print/postcards.h"
#include "qtplatform/qt_printer.h"

#include <gtest/gtest.h>

#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

namespace ts {
namespace {

std::string Shell(const std::string& command) {
    std::string out;
    if (std::FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            out.append(buffer, n);
        }
        pclose(pipe);
    }
    return out;
}

TEST(QtPrinter, EachBandOfAPdfKeepsItsOwnPixelsAndPlace) {
    TempFolder folder;
    const std::string pdf = folder.Path() + "bands.pdf";
    QtPrinter printer;
    printer.PrintToFile(pdf);
    printer.SetFilePaper(1, 1, 100); // 100 x 100 dots
    ASSERT_TRUE(printer.SetupWithDialog());
    const PrinterDescription d = printer.Description();
    EXPECT_TRUE(d.toFile);
    EXPECT_EQ(d.printableWidth, 100);
    EXPECT_EQ(d.offsetX, 0);
    ASSERT_TRUE(printer.StartDoc("bands"));
    // One buffer refilled for every band, as the print job does: blue, green, then red rows of 20.
    std::vector<uint8_t> band(100 * 3 * 20);
    const uint8_t colours[3][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}}; // blue, green, red bytes
    for (int i = 0; i < 3; ++i) {
        for (size_t p = 0; p < band.size(); p += 3) {
            std::copy(colours[i], colours[i] + 3, band.begin() + static_cast<std::ptrdiff_t>(p));
        }
        ASSERT_TRUE(printer.SendBand(0, 10 + 25 * i, 100, 20, band.data(), 300));
    }
    ASSERT_TRUE(printer.EndDoc());
    Shell("pdftoppm -r 100 -singlefile -png " + pdf + " " + folder.Path() + "bands");
    const QImage page(QString::fromStdString(folder.Path() + "bands.png"));
    ASSERT_EQ(page.width(), 100);
    auto near = [](QRgb a, int r, int g, int b) {
        return std::abs(qRed(a) - r) < 40 && std::abs(qGreen(a) - g) < 40 && std::abs(qBlue(a) - b) < 40;
    };
    EXPECT_TRUE(near(page.pixel(50, 20), 0, 0, 255)) << std::hex << page.pixel(50, 20);
    EXPECT_TRUE(near(page.pixel(50, 45), 0, 255, 0)) << std::hex << page.pixel(50, 45);
    EXPECT_TRUE(near(page.pixel(50, 70), 255, 0, 0)) << std::hex << page.pixel(50, 70);
    EXPECT_TRUE(near(page.pixel(50, 5), 255, 255, 255));
    EXPECT_TRUE(near(page.pixel(50, 32), 255, 255, 255));
}

TEST(QtPrinter, AbortedPdfLeavesNoFile) {
    TempFolder folder;
    const std::string pdf = folder.Path() + "aborted.pdf";
    QtPrinter printer;
    printer.PrintToFile(pdf);
    ASSERT_TRUE(printer.SetupWithDialog());
    ASSERT_TRUE(printer.StartDoc("aborted"));
    printer.AbortDoc();
    EXPECT_FALSE(std::ifstream(pdf).good());
}

TEST(QtPrinter, PostcardBackPdfCarriesTheAddressLines) {
    TempFolder folder;
    const std::string list = folder.Path() + "list.txt";
    std::ofstream(list, std::ios::binary) << "Ann Lee\t1 Elm St\tSpringfield\tIL\t62701\r\n";
    MemorySettingsStore store;
    ProfileManager profile(store, folder.Path());
    HeadlessUserInterface ui;
    const std::string pdf = folder.Path() + "back.pdf";
    QtPrinter printer;
    printer.PrintToFile(pdf);
    ASSERT_TRUE(PrintPostcardBack(printer, ui, profile, list));
    std::istringstream text(Shell("pdftotext -layout " + pdf + " -"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);) {
        const size_t first = line.find_first_not_of(" \f");
        if (first != std::string::npos) {
            lines.push_back(line.substr(first));
        }
    }
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "Ann Lee");
    EXPECT_EQ(lines[1], "1 Elm St");
    // The text layout reads the two blanks' gap as one or two.
    EXPECT_TRUE(lines[2] == "Springfield, IL  62701" || lines[2] == "Springfield, IL 62701") << lines[2];
    EXPECT_NE(Shell("pdfinfo " + pdf).find("432 x 306 pts"), std::string::npos); // 6 x 4.25 in
}

} // namespace
} // namespace ts
