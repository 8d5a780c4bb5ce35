#include "workspace/control_bar_menus.h"

#include "workspace/command_table.h"

#include <algorithm>

namespace ts {

namespace {

// One kind of image's import items; the tooltip numbers in the order From Image File, From Screen
// Capture, Select Source, Acquire 300 dpi Color, Acquire 600 dpi BW, Acquire Custom.
void AddImportKind(std::vector<DropDownItem>& items, const std::string& kind, int32_t base,
                   const char* customText, const int32_t (&tips)[6]) {
    const std::string path = "Import An Image/" + kind;
    items.push_back({path, base + cmd::kFromImageFile, "From Image File", tips[0]});
    items.push_back({path, base + cmd::kFromScreenCapture, "From Screen Capture", tips[1]});
    items.push_back({path, cmd::kSelectSource, "Select Source", tips[2]});
    items.push_back({path, base + cmd::kAcquire300Color, "Acquire 300 dpi Color", tips[3]});
    items.push_back({path, base + cmd::kAcquire600Bw, "Acquire 600 dpi BW", tips[4]});
    items.push_back({path, base + cmd::kAcquireCustom, customText, tips[5]});
}

std::vector<DropDownButton> Build() {
    DropDownButton sketch{"Sketch Frame", {}};
    std::vector<DropDownItem>& s = sketch.items;
    s.push_back({"", cmd::kExtract, "Extract", 0});
    s.push_back({"", cmd::kFlora, "Flora", 263});
    s.push_back({"", cmd::kShowSketchFrame, "Show SketchFrame\tS", 0});
    AddImportKind(s, "Photo", cmd::kImportPhoto, "AcquireCustom", {326, 327, 58, 59, 0, 325});
    AddImportKind(s, "Lines", cmd::kImportLines, "Acquire Custom", {328, 329, 58, 337, 330, 331});
    AddImportKind(s, "Type", cmd::kImportType, "Acquire Custom", {332, 333, 58, 0, 334, 335});
    s.push_back({"", cmd::kMeasure, "Measure\tM", 220});
    s.push_back({"", cmd::kMargins, "Margins", 0});
    s.push_back({"Extract Basic Colors", cmd::kExtractLighting, "Lighting", 0});
    s.push_back({"Extract Basic Colors", cmd::kExtractLightingAndColor, "Lighting and Color", 0});
    DropDownButton rovi{"RoviDivod", {}};
    rovi.items.push_back({"", cmd::kRoviDivodSetup, "Setup", 0});
    rovi.items.push_back({"", cmd::kRoviDivodScanBack, "Scan Back", 0});
    rovi.items.push_back({"", cmd::kRoviDivodReposition, "Reposition", 0});
    return {sketch, rovi};
}

} // namespace

const std::vector<DropDownButton>& ControlBarDropDowns() {
    static const std::vector<DropDownButton> buttons = Build();
    return buttons;
}

bool IsDropDownCommand(int32_t id) {
    for (const DropDownButton& button : ControlBarDropDowns()) {
        if (std::any_of(button.items.begin(), button.items.end(),
                        [id](const DropDownItem& item) { return item.id == id; })) {
            return true;
        }
    }
    return false;
}

} // namespace ts
