#pragma once

#include "workspace/workspace.h"

#include <cstdint>
#include <string>

namespace ts {

// Runs a gesture script on a workspace without a window, as a user's hand would on the view. One
// command a line, '#' starts a comment; coordinates are drawing pixels:
//   command NAME_OR_ID       a menu or panel command, by id, by its text or by "Menu/Text"
//   tool NAME                selects a tool by class name (SurfacePaintTool, ShadowEraser, ...)
//   panel ID                 clicks the control ID of the current mode's panel
//   color 0xBBGGRR           makes the colour the palette's current colour
//   size N                   the current tool's brush size
//   layer INDEX              makes the layer at that stack index current (2 is the first drawing layer)
//   press X Y [shift] [ctrl], move X Y, release X Y
//   key VK                   a key press: a virtual-key code or one character
//   zoom Z                   the view's zoom factor (1, 2, 4 ... or -2, -3 ...)
class GestureScript {
public:
    explicit GestureScript(Workspace& workspace) : m_w(workspace) {}

    // Shows the whole drawing from its corner at 100 % (shrunk when it is too large for that), so that
    // every drawing pixel has a view point.
    bool PrepareView();
    // Runs every line; at the first bad one, false with "line N: what is wrong" in error.
    bool Run(const std::string& text, std::string& error);
    // One line (number for the message); false with the message in error.
    bool RunLine(const std::string& line, int32_t number, std::string& error);

private:
    bool SetZoom(int32_t zoom, std::string& error);
    IntPoint ViewPoint(int32_t x, int32_t y) const;
    bool RunCommandNamed(const std::string& name, std::string& error);

    Workspace& m_w;
    uint32_t m_buttons = 0; // the mouse buttons held, as the key-state word carries them
};

} // namespace ts
