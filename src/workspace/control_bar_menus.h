#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ts {

// The control bar's two drop-down buttons, "Sketch Frame" and "RoviDivod": the commands they list, in
// order, under the submenu path each item names ("" for the button's own menu, "Import An Image/Lines"
// for a nested one). The text and tooltip number are the item's own: the same command (Select Source)
// is listed under every kind of image. A command the table does not hold (yet) shows disabled.
struct DropDownItem {
    std::string submenu;
    int32_t id = 0;
    std::string text;
    int32_t tooltip = 0; // number in "tooltips.txt"; 0 for none
};

struct DropDownButton {
    std::string title;
    std::vector<DropDownItem> items;
};

const std::vector<DropDownButton>& ControlBarDropDowns();
// Whether a drop-down lists the command (the menu bar then leaves it out).
bool IsDropDownCommand(int32_t id);

} // namespace ts
