// tintsmith-cli replay: a gesture script run on a drawing, the result saved as a drawing file.

#include "cli/cli_commands.h"

#include "platform/headless_image_codec.h"
#include "platform/headless_user_interface.h"
#include "platform/memory_settings_store.h"
#include "workspace/gesture_script.h"
#include "workspace/workspace.h"

#if defined(TINTSMITH_CLI_QT)
#include "qtplatform/qt_font_service.h"
#include "qtplatform/qt_printer.h"
#endif

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>

namespace ts::cli {

namespace {

constexpr std::streamsize kMaxScriptBytes = 16 << 20;

void PrintAll(const HeadlessUserInterface& ui) {
    for (const auto& m : ui.Messages()) {
        std::fprintf(stderr, "tintsmith-cli: %s\n", m.text.c_str());
    }
}

} // namespace

int ReplayCommand(const Environment& env, const std::vector<std::string>& args) {
    if (args.size() != 3) {
        std::fputs("usage: tintsmith-cli replay DRAWING SCRIPT OUT.ts.png\n", stderr);
        return kUsage;
    }
    std::ifstream file(args[1], std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "tintsmith-cli: the script %s cannot be read\n", args[1].c_str());
        return kRefused;
    }
    std::ostringstream text;
    text << file.rdbuf();
    if (text.str().size() > static_cast<size_t>(kMaxScriptBytes)) {
        std::fprintf(stderr, "tintsmith-cli: the script %s is too long\n", args[1].c_str());
        return kRefused;
    }

    HeadlessUserInterface ui;
    MemorySettingsStore settings;
    HeadlessImageCodec noCodec;
    ImageCodec& codec = env.codec ? *env.codec : noCodec;
    // Nothing is shown: the refresh requests are recorded, not drawn.
    auto workspace = std::make_unique<Workspace>(ui, settings, codec, env.programFolder,
                                                 std::make_unique<RecordingRefresh>());
    Workspace& w = *workspace;
    w.profile.SetProgramFolderReadOnly(env.installed);
    w.LoadGrain();
    ui.ClearMessages();
    if (!w.drawingDocument.OpenDrawing(args[0], false)) {
        PrintAll(ui);
        return kRefused;
    }
#if defined(TINTSMITH_CLI_QT)
    // "printer OUT.pdf" sends the script's prints into a PDF file.
    QtPrinter printer;
    w.printManager.SetPrinter(&printer);
    // Lettering in the installed fonts.
    QtFontService fonts;
    w.SetFontService(fonts);
#endif
    GestureScript script(w);
    std::string error;
    const bool ran = script.Run(text.str(), error);
    // What the program told the user on the way (a warning, "No shadows found.") is passed on.
    PrintAll(ui);
    ui.ClearMessages();
    if (!ran) {
        std::fprintf(stderr, "tintsmith-cli: %s: %s\n", args[1].c_str(), error.c_str());
        return kRefused;
    }
    const SaveResult result = w.drawingDocument.SaveDrawingTo(args[2]);
    if (!result.Saved()) {
        ShowFileError(ui, result.error ? FileErrorCauseFromErrno(result.error) : FileErrorCause::Generic,
                      args[2]);
        PrintAll(ui);
        return kRefused;
    }
    return kDone;
}

} // namespace ts::cli
