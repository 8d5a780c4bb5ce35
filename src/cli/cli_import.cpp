// tintsmith-cli import: a CAD picture made into a drawing's "CAD Layer", without a window.
#include "cli/cli_commands.h"

#include "platform/headless_image_codec.h"
#include "platform/headless_user_interface.h"
#include "platform/memory_settings_store.h"
#include "workspace/workspace.h"

#include <cstdio>
#include <memory>

namespace ts::cli {

int ImportCommand(const Environment& env, const std::vector<std::string>& args) {
    if (args.size() != 2 && !(args.size() == 4 && args[2] == "--into")) {
        std::fputs("usage: tintsmith-cli import IN.png OUT.ts.png [--into DRAWING.ts.png]\n", stderr);
        return kUsage;
    }
    HeadlessUserInterface ui;
    MemorySettingsStore settings;
    HeadlessImageCodec noCodec;
    ImageCodec& codec = env.codec ? *env.codec : noCodec;
    auto workspace = std::make_unique<Workspace>(ui, settings, codec, env.programFolder);
    workspace->profile.SetProgramFolderReadOnly(env.installed);
    auto refuse = [&ui] {
        for (const auto& m : ui.Messages()) {
            std::fprintf(stderr, "tintsmith-cli: %s\n", m.text.c_str());
        }
        return kRefused;
    };
    if (args.size() == 4) {
        if (!workspace->drawingDocument.OpenDrawing(args[3], false)) {
            return refuse();
        }
    } else {
        workspace->LoadGrain();
        if (!workspace->layerOperations.NewDrawing()) {
            std::fprintf(stderr, "tintsmith-cli: the board textures could not be loaded from %s\n",
                         env.programFolder.c_str());
            return kRefused;
        }
        ui.ClearMessages();
    }
    if (!workspace->cadImport.Import(args[0])) {
        return refuse();
    }
    const SaveResult result = workspace->drawingDocument.SaveDrawingTo(args[1]);
    if (!result.Saved()) {
        ShowFileError(ui, result.error ? FileErrorCauseFromErrno(result.error) : FileErrorCause::Generic,
                      args[1]);
        return refuse();
    }
    return kDone;
}

} // namespace ts::cli
