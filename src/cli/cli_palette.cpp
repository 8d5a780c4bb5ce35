// tintsmith-cli palette: what a palette file holds, as the program reads it.

#include "cli/cli_commands.h"
#include "palette/color_keys.h"
#include "palette/palette_file.h"
#include "platform/user_interface.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace ts::cli {

int PaletteCommand(const Environment& /*env*/, const std::vector<std::string>& args) {
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: tintsmith-cli palette FILE.pal\n");
        return kUsage;
    }
    const std::string& path = args[0];
    std::string bytes;
    if (!ReadPaletteBytes(path, bytes)) {
        std::error_code error;
        if (!std::filesystem::exists(path, error)) {
            std::fprintf(stderr, "tintsmith-cli: %s\n",
                         FileErrorText(FileErrorCause::FileNotFound, path).c_str());
            return kRefused;
        }
    }
    const std::optional<PaletteColorList> list = ParsePaletteFile(bytes, PaletteNameOf(path));
    if (!list) {
        std::fprintf(stderr, "tintsmith-cli: %s\n", kPaletteCorruptMessage);
        return kRefused;
    }
    std::printf("%s\n", list->name.c_str());
    for (const PaletteEntry& e : list->Entries()) {
        std::printf("%02x%02x%02x%s%s\n", RedOf(e.color), GreenOf(e.color), BlueOf(e.color),
                    e.name.empty() ? "" : " ", e.name.c_str());
    }
    return kDone;
}

} // namespace ts::cli
