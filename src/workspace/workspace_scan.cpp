// Scanning: the scanner's source, the acquisitions of the Import An Image drop-down, the RoviDivod's
// commands and the select bar's "Align".

#include "workspace/workspace.h"

#include <utility>

namespace ts {

namespace {

inline constexpr const char* kUnableToScan = "Unable to scan.";
inline constexpr const char* kScannedImageName = "Scanned Image";

// The command with the id as the control bar lists it; made here, without a menu, when nothing else
// made it first.
Command& Ensure(CommandTable& table, int32_t id, const char* text, int32_t tooltip) {
    if (Command* c = table.Find(id)) {
        return *c;
    }
    Command c;
    c.id = id;
    c.text = text;
    c.prompt = text;
    c.tooltip = tooltip;
    return table.Add(std::move(c));
}

// Scans with the request into result. False when there is no scanner or the scan failed (the user is
// told "Unable to scan.") or was cancelled (nothing said).
bool Acquired(Scanner* scanner, UserInterface& ui, const ScanRequest& request, ScanResult& result) {
    if (!scanner) {
        ui.ShowMessage(kUnableToScan);
        return false;
    }
    result = scanner->Acquire(request, &ui.Progress());
    if (result.outcome == ScanOutcome::kCancelled) {
        return false;
    }
    if (result.outcome != ScanOutcome::kScanned || result.image.Empty()) {
        ui.ShowMessage(kUnableToScan);
        return false;
    }
    return true;
}

} // namespace

bool Workspace::AcquireScan(const ScanRequest& request, int32_t kind) {
    ScanResult result;
    if (!Acquired(scanner, ui, request, result)) {
        return false;
    }
    return importImage.ImportPicture(std::move(result.image), kScannedImageName, kind);
}

bool Workspace::ScanRoviDivod() {
    ScanRequest request;
    request.resolution = 300;
    request.mode = ScanMode::kColor;
    ScanResult result;
    if (!Acquired(scanner, ui, request, result)) {
        return false;
    }
    const int32_t resolution = result.resolution > 0 ? result.resolution : ScanRequest::kDefaultResolution;
    if (!importImage.ImportPicture(std::move(result.image), kScannedRoviDivodName, 0)) {
        return false;
    }
    return roviDivod.ScanBack(false, resolution);
}

void Workspace::BuildScanning() {
    blueGhost.SetTool(&alignmentTool);
    struct Acquisition {
        int32_t item;
        const char* text;
        int32_t tooltip[3]; // photo, lines, type
    };
    static constexpr Acquisition kAcquisitions[] = {
        {cmd::kAcquire300Color, "Acquire 300 dpi Color", {59, 337, 0}},
        {cmd::kAcquire600Bw, "Acquire 600 dpi BW", {0, 330, 334}},
        {cmd::kAcquireCustom, "Acquire Custom", {325, 331, 335}},
    };
    const int32_t bases[3] = {cmd::kImportPhoto, cmd::kImportLines, cmd::kImportType};
    for (int32_t kind = 0; kind < 3; ++kind) {
        for (const Acquisition& a : kAcquisitions) {
            const char* text = kind == 0 && a.item == cmd::kAcquireCustom ? "AcquireCustom" : a.text;
            Command& c = Ensure(commands, bases[kind] + a.item, text, a.tooltip[kind]);
            c.returnsToSelect = true;
            c.run = [this, kind, item = a.item] {
                ScanRequest request;
                if (item == cmd::kAcquire600Bw) {
                    request.resolution = 600;
                    request.mode = ScanMode::kLineart;
                } else if (item == cmd::kAcquireCustom && (!scanner || !scanner->ChooseCustom(request))) {
                    return;
                }
                AcquireScan(request, kind);
            };
        }
    }
    Ensure(commands, cmd::kSelectSource, "Select Source", 58).run = [this] {
        if (!scanner || !scanner->ChooseSource()) {
            if (!scanner || scanner->Sources().empty()) {
                ui.ShowMessage(kUnableToScan);
            }
        }
    };

    Ensure(commands, cmd::kRoviDivodSetup, "Setup", 0).run = [this] {
        environmentManager.EnterMode(&blueGhost, BlueGhost::kTitle, BlueGhost::kPrompt);
    };
    Command& scanBack = Ensure(commands, cmd::kRoviDivodScanBack, "Scan Back", 0);
    scanBack.returnsToSelect = true;
    scanBack.run = [this] { ScanRoviDivod(); };
    Command& reposition = Ensure(commands, cmd::kRoviDivodReposition, "Reposition", 0);
    reposition.returnsToSelect = true;
    reposition.run = [this] { roviDivod.ScanBack(true); };
    reposition.enabled = [this] {
        const LayerObject* top = imageStack.Layer(imageStack.Count() - 1);
        return imageStack.Count() > ImageStackManager::kFirstDrawingLayer && top &&
               top->name == kScannedRoviDivodName;
    };
    Ensure(commands, cmd::kAlign, "Align", 0).run = [this] {
        environmentManager.EnterMode(&blueGhost, BlueGhost::kTitle, BlueGhost::kAlignPrompt);
        blueGhost.BeginAlign();
    };
}

} // namespace ts
