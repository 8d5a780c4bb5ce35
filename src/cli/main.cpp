// tintsmith-cli: a headless batch tool over the workspace.
#include "platform/headless_user_interface.h"
#include "platform/memory_settings_store.h"
#include "workspace/workspace.h"

#if defined(TINTSMITH_CLI_QT)
#include "qtplatform/qt_image_codec.h"
#include "qtplatform/qt_runtime.h"
#include "qtplatform/qt_settings_store.h"
#endif

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

void PrintUsage() {
    std::puts("Usage: tintsmith-cli [--version] [--help]\n"
              "       tintsmith-cli new-drawing OUT.png   composite a new drawing and write it as a picture");
}

#if defined(TINTSMITH_CLI_QT)
// The folder of the executable, ending with '/': the program folder with the data files.
std::string ProgramFolder(const char* argv0) {
    std::error_code error;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        exe = std::filesystem::absolute(argv0, error);
    }
    return exe.parent_path().string() + "/";
}

void PrintMessages(const ts::HeadlessUserInterface& ui) {
    for (const auto& m : ui.Messages()) {
        std::fprintf(stderr, "tintsmith-cli: %s\n", m.text.c_str());
    }
}

int NewDrawing(const char* argv0, const std::string& out) {
    ts::HeadlessUserInterface ui;
    ts::QtSettingsStore settings;
    ts::QtImageCodec codec;
    ts::Workspace workspace(ui, settings, codec, ProgramFolder(argv0));
    workspace.LoadGrain();
    if (!workspace.layerOperations.NewDrawing()) {
        PrintMessages(ui);
        std::fprintf(stderr, "tintsmith-cli: the board textures could not be loaded from %s\n",
                     workspace.profile.ProgramFolder().c_str());
        return 1;
    }
    workspace.refreshManager.Refresh("R_OnDraw");
    if (!codec.Save(out, workspace.viewManager.ViewBuffer(), ts::ImageFormat::Png)) {
        std::fprintf(stderr, "tintsmith-cli: cannot write %s\n", out.c_str());
        return 1;
    }
    PrintMessages(ui);
    return 0;
}
#endif

} // namespace

int main(int argc, char** argv) {
#if defined(TINTSMITH_CLI_QT)
    ts::QtRuntime qt(argc, argv);
#endif
    if (argc >= 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("Tintsmith %s\n", TINTSMITH_VERSION);
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "--help") == 0) {
        PrintUsage();
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "new-drawing") == 0) {
#if defined(TINTSMITH_CLI_QT)
        return NewDrawing(argv[0], argv[2]);
#else
        std::fputs("tintsmith-cli: this build cannot read or write pictures\n", stderr);
        return 2;
#endif
    }
    if (argc >= 2) {
        std::fprintf(stderr, "tintsmith-cli: unknown argument '%s'\n", argv[1]);
        PrintUsage();
        return 2;
    }
    PrintUsage();
    return 0;
}
