#include "cli/cli_commands.h"

#include "cli/line_summary.h"

#include "files/drawing_reader.h"
#include "files/drawing_writer.h"
#include "files/flatten.h"
#include "files/tsl_file.h"
#include "measure/layer_scale.h"
#include "platform/headless_image_codec.h"
#include "platform/headless_user_interface.h"
#include "platform/memory_settings_store.h"
#include "platform/profile_settings.h"
#include "workspace/workspace.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace ts::cli {

namespace {

void PrintMessages(const HeadlessUserInterface& ui) {
    for (const auto& m : ui.Messages()) {
        std::fprintf(stderr, "tintsmith-cli: %s\n", m.text.c_str());
    }
}

int Usage(const char* text) {
    std::fprintf(stderr, "usage: tintsmith-cli %s\n", text);
    return kUsage;
}

// A headless workspace over default settings, with the build's codec (or none).
struct Session {
    explicit Session(const Environment& env)
        : codec(env.codec ? env.codec : &noCodec),
          workspace(std::make_unique<Workspace>(ui, settings, *codec, env.programFolder)) {
        workspace->profile.SetProgramFolderReadOnly(env.installed);
    }

    HeadlessUserInterface ui;
    MemorySettingsStore settings;
    HeadlessImageCodec noCodec;
    ImageCodec* codec;
    std::unique_ptr<Workspace> workspace;
};

bool ParseInt(const std::string& text, long& value) {
    if (text.empty()) {
        return false;
    }
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 0);
    return end && *end == '\0';
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// The parts a layer holds, by the names the info command prints.
std::vector<const char*> Parts(const LayerObject& layer) {
    std::vector<const char*> parts;
    if (layer.image) {
        parts.push_back("image");
    }
    if (layer.color) {
        parts.push_back("colour");
    }
    if (layer.shadow) {
        parts.push_back("shadows");
    }
    if (layer.lineArt) {
        parts.push_back("lines");
    }
    if (layer.frame) {
        parts.push_back("frame");
    }
    if (!layer.extraData.empty()) {
        parts.push_back("extra");
    }
    return parts;
}

bool WritePicture(Session& session, const std::string& path, const Image24& picture) {
    const std::string ext = Lower(CTslFile::Extension(path));
    if (ext == ".png") {
        const SaveResult result = WritePicturePng(path, picture);
        if (!result.Saved()) {
            ShowFileError(session.ui,
                          result.error ? FileErrorCauseFromErrno(result.error) : FileErrorCause::Generic,
                          path);
        }
        return result.Saved();
    }
    if (session.codec == &session.noCodec) {
        session.ui.ShowMessage("this build writes only .png pictures");
        return false;
    }
    const ImageFormat format = ext == ".bmp"   ? ImageFormat::Bmp
                               : ext == ".jpg" ? ImageFormat::Jpeg
                                               : ImageFormat::Tiff;
    std::string error;
    if (!session.codec->Save(path, picture, format, 80, &error)) {
        session.ui.ShowMessage(path + "\n" + error);
        return false;
    }
    return true;
}

} // namespace

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20) {
            char code[8];
            std::snprintf(code, sizeof code, "\\u%04x", c);
            out += code;
        } else if (c < 0x80) {
            out += ch;
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out + "\"";
}

int NewCommand(const Environment& env, const std::vector<std::string>& args) {
    const char* usage = "new OUT.ts.png [--paper-texture N] [--paper-color 0xBBGGRR]";
    if (args.empty() || args.size() % 2 == 0) {
        return Usage(usage);
    }
    Session session(env);
    for (size_t i = 1; i < args.size(); i += 2) {
        long value = 0;
        if (!ParseInt(args[i + 1], value)) {
            return Usage(usage);
        }
        if (args[i] == "--paper-texture" && value >= 0 && value <= 26) {
            session.settings.WriteInt(settings::kPaperTextureIndex.section, settings::kPaperTextureIndex.name,
                                      static_cast<int32_t>(value));
        } else if (args[i] == "--paper-color" && value >= 0 && value <= 0xFFFFFF) {
            session.settings.WriteInt(settings::kPaperColor.section, settings::kPaperColor.name,
                                      static_cast<int32_t>(value));
        } else {
            return Usage(usage);
        }
    }
    if (!env.codec) {
        std::fputs("tintsmith-cli: this build cannot read the board textures\n", stderr);
        return kRefused;
    }
    Workspace& w = *session.workspace;
    w.LoadGrain();
    if (!w.layerOperations.NewDrawing()) {
        PrintMessages(session.ui);
        std::fprintf(stderr, "tintsmith-cli: the board textures could not be loaded from %s\n",
                     w.profile.ProgramFolder().c_str());
        return kRefused;
    }
    session.ui.ClearMessages();
    const SaveResult result = w.drawingDocument.SaveDrawingTo(args[0]);
    if (!result.Saved()) {
        ShowFileError(session.ui,
                      result.error ? FileErrorCauseFromErrno(result.error) : FileErrorCause::Generic,
                      args[0]);
        PrintMessages(session.ui);
        return kRefused;
    }
    return kDone;
}

int InfoCommand(const Environment& env, const std::vector<std::string>& args) {
    if (args.empty() || args.size() > 2 || (args.size() == 2 && args[1] != "--json")) {
        return Usage("info FILE [--json]");
    }
    (void)env;
    HeadlessUserInterface ui;
    LoadedDrawing loaded;
    if (!ReadDrawingFile(ui, args[0], false, loaded)) {
        PrintMessages(ui);
        return kRefused;
    }
    const bool json = args.size() == 2;
    ImageStackManager decoder;
    if (json) {
        std::printf("{\"version\": %d, \"layers\": [", loaded.version);
    } else {
        std::printf("version %d\n", loaded.version);
    }
    for (size_t i = 0; i < loaded.layers.size(); ++i) {
        LayerObject& layer = *loaded.layers[i].layer;
        decoder.UnpackProperties(layer, static_cast<int32_t>(i));
        const Rect& b = layer.bounds;
        const std::vector<const char*> parts = Parts(layer);
        if (json) {
            std::printf("%s{\"index\":%zu,\"name\":%s,\"caption\":%s,\"id\":%u,\"width\":%d,\"height\":%d,"
                        "\"offsetX\":%d,\"offsetY\":%d,\"bounds\":[%d,%d,%d,%d],\"parts\":[",
                        i ? ", " : "", i, JsonString(layer.name).c_str(), JsonString(layer.caption).c_str(),
                        layer.id, loaded.layers[i].storedWidth, loaded.layers[i].storedHeight, layer.offsetX,
                        layer.offsetY, b.left, b.top, b.right, b.bottom);
            for (size_t p = 0; p < parts.size(); ++p) {
                std::printf("%s\"%s\"", p ? "," : "", parts[p]);
            }
            // The layer's real-world scale factor and calibration (fine units per metre); 0 = none.
            std::printf("],\"scale\":%.9g,\"calibration\":%.9g", LayerScaleFactor(layer),
                        LayerCalibration(layer));
            const std::string lines = LineSummaryJson(layer);
            std::printf("%s%s}", lines.empty() ? "" : ",\"lines\":", lines.c_str());
        } else {
            std::printf("layer %zu name %s caption %s id %u size %dx%d offset %d,%d bounds %d,%d,%d,%d parts",
                        i, JsonString(layer.name).c_str(), JsonString(layer.caption).c_str(), layer.id,
                        loaded.layers[i].storedWidth, loaded.layers[i].storedHeight, layer.offsetX,
                        layer.offsetY, b.left, b.top, b.right, b.bottom);
            for (const char* part : parts) {
                std::printf(" %s", part);
            }
            std::printf("\n");
        }
    }
    if (json) {
        std::printf("]}\n");
    }
    return kDone;
}

int CheckCommand(const Environment& /*env*/, const std::vector<std::string>& args) {
    if (args.size() != 1) {
        return Usage("check FILE");
    }
    HeadlessUserInterface ui;
    LoadedDrawing loaded;
    if (!ReadDrawingFile(ui, args[0], false, loaded)) {
        PrintMessages(ui);
        return kRefused;
    }
    return kDone;
}

int RenderCommand(const Environment& env, const std::vector<std::string>& args) {
    const char* usage = "render FILE OUT.(png|jpg|bmp|tif) [--half]";
    if (args.size() < 2 || args.size() > 3 || (args.size() == 3 && args[2] != "--half")) {
        return Usage(usage);
    }
    const std::string ext = Lower(CTslFile::Extension(args[1]));
    if (ext != ".png" && ext != ".jpg" && ext != ".bmp" && ext != ".tif") {
        return Usage(usage);
    }
    Session session(env);
    Workspace& w = *session.workspace;
    // Shading is drawn with the pencil-shadow grain, as the program shows it; without the grain
    // picture the shading is drawn flat and the tool says so.
    if (!w.LoadGrain()) {
        PrintMessages(session.ui);
    }
    session.ui.ClearMessages();
    if (!w.drawingDocument.OpenDrawing(args[0], false)) {
        PrintMessages(session.ui);
        return kRefused;
    }
    Image24 picture;
    const bool rendered = args.size() == 3 ? RenderHalfSize(w.compositor, w.imageStack, picture)
                                           : RenderFlattened(w.compositor, w.imageStack, picture);
    if (!rendered) {
        std::fputs("tintsmith-cli: not enough memory for the picture\n", stderr);
        return kRefused;
    }
    if (!WritePicture(session, args[1], picture)) {
        PrintMessages(session.ui);
        return kRefused;
    }
    return kDone;
}

int ConvertCommand(const Environment& env, const std::vector<std::string>& args) {
    if (args.size() != 2) {
        return Usage("convert IN.tsl OUT.ts.png");
    }
    Session session(env);
    Workspace& w = *session.workspace;
    if (!w.drawingDocument.OpenDrawing(args[0], false)) {
        PrintMessages(session.ui);
        return kRefused;
    }
    const SaveResult result = w.drawingDocument.SaveDrawingTo(args[1]);
    if (!result.Saved()) {
        ShowFileError(session.ui,
                      result.error ? FileErrorCauseFromErrno(result.error) : FileErrorCause::Generic,
                      args[1]);
        PrintMessages(session.ui);
        return kRefused;
    }
    return kDone;
}

} // namespace ts::cli
