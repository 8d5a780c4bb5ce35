// Image import of a named kind and extraction: the commands of the control bar's Sketch Frame
// drop-down that bring a picture in and take lines, lighting and colour from it.

#include "workspace/workspace.h"

namespace ts {

namespace {

constexpr const char* kScreenCaptureName = "Screen Capture";
constexpr const char* kNoCapture = "Unable to capture the screen.";

} // namespace

bool Workspace::ImportImageOfKind(int32_t kind, bool fromScreen) {
    bool imported = false;
    if (fromScreen) {
        Image24 grab;
        if (!captureScreen || !captureScreen(grab) || grab.Empty()) {
            ui.ShowMessage(kNoCapture);
            return false;
        }
        imported = importImage.ImportPicture(std::move(grab), kScreenCaptureName, kind);
    } else {
        imported = importImage.ChooseAndImport(kind);
    }
    // A drawing file merges as layers: only a picture goes on to the extraction.
    const LayerObject* layer = CurrentDrawingLayer(imageStack);
    if (!imported || (kind != 1 && kind != 2) || !layer || !layer->image) {
        return imported;
    }
    extract.PrepareForImport(kind);
    environmentManager.EnterMode(&extract, Extract::kTitle, Extract::kImportPrompt);
    extract.RunExtraction();
    ui.ShowMessage(kind == 1 ? Extract::kLinesExplained : Extract::kLineArtExplained, "",
                   MessageIcon::Information);
    return true;
}

void Workspace::BuildImport() {
    auto drawing = [this] { return imageStack.Count() >= ImageStackManager::kFirstDrawingLayer; };
    auto layer = [this] { return CurrentDrawingLayer(imageStack) != nullptr; };
    // Their menu paths name them (in scripts too); the control bar's drop-down shows them, not the menu bar.
    auto add = [this](const std::string& menu, int32_t id, const char* text, const char* prompt,
                      int32_t tooltip, std::function<void()> run, std::function<bool()> enabled) {
        Command c;
        c.id = id;
        c.menu = menu;
        c.text = text;
        c.prompt = prompt;
        c.tooltip = tooltip;
        c.run = std::move(run);
        c.enabled = std::move(enabled);
        return &commands.Add(std::move(c));
    };
    struct Kind {
        const char* menu;
        int32_t base;
        int32_t kind;
        int32_t fileTip;
        int32_t screenTip;
    };
    for (const Kind& k : {Kind{"Sketch Frame/Import An Image/Photo", cmd::kImportPhoto, 0, 326, 327},
                          Kind{"Sketch Frame/Import An Image/Lines", cmd::kImportLines, 1, 328, 329},
                          Kind{"Sketch Frame/Import An Image/Type", cmd::kImportType, 2, 332, 333}}) {
        const int32_t kind = k.kind;
        add(
            k.menu, k.base + cmd::kFromImageFile, "From Image File", "Import an image from a picture file",
            k.fileTip, [this, kind] { ImportImageOfKind(kind, false); }, drawing)
            ->returnsToSelect = true;
        add(
            k.menu, k.base + cmd::kFromScreenCapture, "From Screen Capture", "Import a capture of the screen",
            k.screenTip, [this, kind] { ImportImageOfKind(kind, true); }, drawing)
            ->returnsToSelect = true;
    }
    add(
        "Sketch Frame", cmd::kExtract, Extract::kTitle,
        "Take lines, lighting and colour from the layer's picture", 0,
        [this] { environmentManager.EnterMode(&extract, Extract::kTitle, Extract::kPrompt); }, layer);
    add(
        "Sketch Frame/Extract Basic Colors", cmd::kExtractLighting, "Lighting",
        "Extract the lighting of the layer's picture", 0, [this] { extract.ExtractBasicColors(false); },
        layer);
    add(
        "Sketch Frame/Extract Basic Colors", cmd::kExtractLightingAndColor, "Lighting and Color",
        "Extract the lighting and the colour of the layer's picture", 0,
        [this] { extract.ExtractBasicColors(true); }, layer);
}

} // namespace ts
