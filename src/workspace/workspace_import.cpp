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
    if (imported && (fromScreen || KindOfIncomingFile(importImage.Path()) != IncomingFile::kDrawing)) {
        ExtractAfterImport(kind);
    }
    return imported;
}

// The kind of an image is the one its command names: the Import An Image items for a photo (0), lines
// (1) and type (2), the scans of those items likewise. A picture brought in any other way (a drop, the
// command line, Load Layer) is a photo: nothing in a picture tells a line drawing from lettering surely
// enough to send the user into the extraction unasked.
bool Workspace::ExtractAfterImport(int32_t kind) {
    const LayerObject* layer = CurrentDrawingLayer(imageStack);
    if ((kind != 1 && kind != 2) || !layer || !layer->image) {
        return false;
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
    // The control bar's drop-down shows them (no menu of the menu bar): scripts name them by its paths.
    auto add = [this](int32_t id, const char* text, const char* prompt, int32_t tooltip,
                      std::function<void()> run, std::function<bool()> enabled) {
        Command c;
        c.id = id;
        c.text = text;
        c.prompt = prompt;
        c.tooltip = tooltip;
        c.run = std::move(run);
        c.enabled = std::move(enabled);
        return &commands.Add(std::move(c));
    };
    struct Kind {
        int32_t base;
        int32_t kind;
        int32_t fileTip;
        int32_t screenTip;
    };
    for (const Kind& k : {Kind{cmd::kImportPhoto, 0, 326, 327}, Kind{cmd::kImportLines, 1, 328, 329},
                          Kind{cmd::kImportType, 2, 332, 333}}) {
        const int32_t kind = k.kind;
        add(
            k.base + cmd::kFromImageFile, "From Image File", "Import an image from a picture file", k.fileTip,
            [this, kind] { ImportImageOfKind(kind, false); }, drawing)
            ->returnsToSelect = true;
        add(
            k.base + cmd::kFromScreenCapture, "From Screen Capture", "Import a capture of the screen",
            k.screenTip, [this, kind] { ImportImageOfKind(kind, true); }, drawing)
            ->returnsToSelect = true;
    }
    add(
        cmd::kExtract, Extract::kTitle, "Take lines, lighting and colour from the layer's picture", 0,
        [this] { environmentManager.EnterMode(&extract, Extract::kTitle, Extract::kPrompt); }, layer);
    add(
        cmd::kExtractLighting, "Lighting", "Extract the lighting of the layer's picture", 0,
        [this] { extract.ExtractBasicColors(false); }, layer);
    add(
        cmd::kExtractLightingAndColor, "Lighting and Color",
        "Extract the lighting and the colour of the layer's picture", 0,
        [this] { extract.ExtractBasicColors(true); }, layer);
}

} // namespace ts
