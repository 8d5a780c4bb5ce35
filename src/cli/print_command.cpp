// tintsmith-cli print: a drawing printed into a PDF file, banded as on a printer.

#include "cli/cli_commands.h"

#include "model/page.h"
#include "platform/headless_image_codec.h"
#include "platform/headless_user_interface.h"
#include "platform/memory_settings_store.h"
#include "workspace/workspace.h"

#if defined(TINTSMITH_CLI_QT)
#include "qtplatform/qt_printer.h"
#endif

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace ts::cli {

namespace {

constexpr const char* kUsageText =
    "usage: tintsmith-cli print FILE OUT.pdf [--fit] [--page WxH] [--margin M]\n"
    "       (paper and margin in inches; the paper is the page's own size unless given)\n";

bool ParseInches(const std::string& text, double& value) {
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end != text.c_str() && *end == '\0' && value > 0 && value < 1000;
}

bool ParsePaper(const std::string& text, double& width, double& height) {
    const size_t x = text.find_first_of("xX");
    return x != std::string::npos && ParseInches(text.substr(0, x), width) &&
           ParseInches(text.substr(x + 1), height);
}

} // namespace

int PrintCommand(const Environment& env, const std::vector<std::string>& args) {
    if (args.size() < 2) {
        std::fputs(kUsageText, stderr);
        return kUsage;
    }
    bool fit = false;
    double paperWidth = 0;
    double paperHeight = 0;
    std::string margin = "0";
    for (size_t i = 2; i < args.size(); ++i) {
        if (args[i] == "--fit") {
            fit = true;
        } else if (args[i] == "--page" && i + 1 < args.size() &&
                   ParsePaper(args[i + 1], paperWidth, paperHeight)) {
            ++i;
        } else if (args[i] == "--margin" && i + 1 < args.size()) {
            double inches = 0;
            if (args[i + 1] != "0" && !ParseInches(args[i + 1], inches)) {
                std::fputs(kUsageText, stderr);
                return kUsage;
            }
            margin = args[++i];
        } else {
            std::fputs(kUsageText, stderr);
            return kUsage;
        }
    }
#if defined(TINTSMITH_CLI_QT)
    HeadlessUserInterface ui;
    MemorySettingsStore settings;
    HeadlessImageCodec noCodec;
    ImageCodec& codec = env.codec ? *env.codec : noCodec;
    auto workspace = std::make_unique<Workspace>(ui, settings, codec, env.programFolder,
                                                 std::make_unique<RecordingRefresh>());
    Workspace& w = *workspace;
    w.profile.SetProgramFolderReadOnly(env.installed);
    w.LoadGrain();
    ui.ClearMessages();
    auto report = [&] {
        for (const auto& m : ui.Messages()) {
            std::fprintf(stderr, "tintsmith-cli: %s\n", m.text.c_str());
        }
    };
    if (!w.drawingDocument.OpenDrawing(args[0], false)) {
        report();
        return kRefused;
    }
    constexpr int32_t dpi = Page::kDotsPerInch;
    if (paperWidth <= 0) {
        // The page's own size: the drawing prints at full size on it.
        paperWidth = double(w.imageStack.DrawingWidth()) * Page::kPagePixelsPerDrawingPixel / dpi;
        paperHeight = double(w.imageStack.DrawingHeight()) * Page::kPagePixelsPerDrawingPixel / dpi;
    }
    // A PDF sheet is printable to its edges.
    PrinterDescription sheet;
    sheet.dpiX = sheet.dpiY = dpi;
    sheet.physicalWidth = sheet.printableWidth = static_cast<int32_t>(paperWidth * dpi + 0.5);
    sheet.physicalHeight = sheet.printableHeight = static_cast<int32_t>(paperHeight * dpi + 0.5);
    sheet.offsetX = sheet.offsetY = 0;
    bool tooLarge = false;
    MarginDots(margin, sheet, sheet.printableWidth, sheet.printableHeight, tooLarge);
    if (fit && tooLarge) {
        std::fprintf(stderr, "tintsmith-cli: %s\n", print_text::kMarginTooLarge);
        return kRefused;
    }
    QtPrinter printer;
    printer.PrintToFile(args[1]);
    printer.SetFilePaper(paperWidth, paperHeight, dpi);
    w.printManager.SetPrinter(&printer);
    w.printManager.SetMarginText(margin);
    const bool printed = w.printManager.Print(fit);
    report();
    if (!printed) {
        if (ui.Messages().empty()) {
            std::fprintf(stderr, "tintsmith-cli: %s could not be printed\n", args[1].c_str());
        }
        return kRefused;
    }
    return kDone;
#else
    (void)env;
    (void)fit;
    std::fputs("tintsmith-cli: this build prints without Qt's printing support\n", stderr);
    return kRefused;
#endif
}

} // namespace ts::cli
