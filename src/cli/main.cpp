// tintsmith-cli: a headless batch tool over the workspace.
#include "cli/cli_commands.h"
#include "platform/profile_manager.h"

#if defined(TINTSMITH_CLI_QT)
#include "qtplatform/qt_image_codec.h"
#include "qtplatform/qt_runtime.h"
#endif

#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace {

void PrintUsage() {
    std::puts("Usage: tintsmith-cli --version | --help\n"
              "       tintsmith-cli new OUT.ts.png [--paper-texture N] [--paper-color 0xBBGGRR]\n"
              "       tintsmith-cli info FILE [--json]\n"
              "       tintsmith-cli check FILE\n"
              "       tintsmith-cli render FILE OUT.(png|jpg|bmp|tif) [--half]\n"
              "       tintsmith-cli convert IN.tsl OUT.ts.png\n"
              "       tintsmith-cli import IN.png OUT.ts.png [--into DRAWING.ts.png]\n"
              "       tintsmith-cli palette FILE.pal\n"
              "       tintsmith-cli replay DRAWING SCRIPT OUT.ts.png\n"
              "       tintsmith-cli print FILE OUT.pdf [--fit] [--page WxH] [--margin M]\n"
              "Exit codes: 0 done, 1 refused input (the message on standard error), 2 usage.");
}

// The program folder with the data files: the executable's folder in a build, <prefix>/share/tintsmith/
// when installed.
ts::ProfileManager::Location ProgramFolder(const char* argv0) {
    std::error_code error;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        exe = std::filesystem::absolute(argv0, error);
    }
    return ts::ProfileManager::LocateProgramFolder(exe.parent_path().string() + "/");
}

int Run(int argc, char** argv, ts::ImageCodec* codec) {
    if (argc < 2) {
        PrintUsage();
        return ts::cli::kUsage;
    }
    const std::string command = argv[1];
    if (command == "--version") {
        std::printf("Tintsmith %s\n", TINTSMITH_VERSION);
        return ts::cli::kDone;
    }
    if (command == "--help") {
        PrintUsage();
        return ts::cli::kDone;
    }
    const ts::ProfileManager::Location location = ProgramFolder(argv[0]);
    const ts::cli::Environment env{location.folder, codec, location.installed};
    const std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "new") {
        return ts::cli::NewCommand(env, args);
    }
    if (command == "info") {
        return ts::cli::InfoCommand(env, args);
    }
    if (command == "check") {
        return ts::cli::CheckCommand(env, args);
    }
    if (command == "render") {
        return ts::cli::RenderCommand(env, args);
    }
    if (command == "convert") {
        return ts::cli::ConvertCommand(env, args);
    }
    if (command == "import") {
        return ts::cli::ImportCommand(env, args);
    }
    if (command == "palette") {
        return ts::cli::PaletteCommand(env, args);
    }
    if (command == "replay") {
        return ts::cli::ReplayCommand(env, args);
    }
    if (command == "print") {
        return ts::cli::PrintCommand(env, args);
    }
    std::fprintf(stderr, "tintsmith-cli: unknown argument '%s'\n", argv[1]);
    PrintUsage();
    return ts::cli::kUsage;
}

} // namespace

int main(int argc, char** argv) {
    try {
#if defined(TINTSMITH_CLI_QT)
        const bool paints =
            argc >= 2 && (std::strcmp(argv[1], "print") == 0 || std::strcmp(argv[1], "replay") == 0);
        ts::QtRuntime qt(argc, argv, paints);
        ts::QtImageCodec codec;
        return Run(argc, argv, &codec);
#else
        return Run(argc, argv, nullptr);
#endif
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tintsmith-cli: %s\n", e.what());
        return ts::cli::kRefused;
    }
}
