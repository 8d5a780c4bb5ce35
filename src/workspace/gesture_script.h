#pragma once

#include "workspace/workspace.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ts {

// Runs a gesture script on a workspace without a window, as a user's hand would on the view. One
// command a line, '#' starts a comment; coordinates are drawing pixels:
//   command NAME_OR_ID       a menu or panel command, by id, by its text or by "Menu/Text"
//   tool NAME                selects a tool by class name (SurfacePaintTool, ShadowEraser, ...)
//   panel ID_OR_CAPTION [VALUE]
//                            a control of the current mode's panel, by id or by caption (in double
//                            quotes when it has blanks; the id where two share one). Without a value a
//                            button or check box is clicked; with one a slider or pop-up slider moves
//                            to it, a combo box selects the item of that text, an edit box takes it
//   color 0xBBGGRR           makes the colour the palette's current colour
//   size N                   the current tool's brush size
//   layer INDEX              makes the layer at that stack index current (2 is the first drawing layer)
//   press X Y, move X Y, release X Y, dblclick X Y
//                            the left button; each takes the modifiers shift and ctrl after the point.
//                            A double click is what the window reports of one: press, release, double
//                            click, release
//   key VK                   a key press: a virtual-key code or one character
//   zoom Z                   the view's zoom factor (1, 2, 4 ... or -2, -3 ...)
// These answer what the program asks next, in order, and take the rest of the line as it stands
// ('#' included); they need the headless user interface:
//   type TEXT                the keys of the characters typed into the view
//   text STRING              the next text, distance or angle entry
//   answer yes|no            the next question
//   file PATH                the next file dialog
//   scan PATH|cancel|fail    the next scan: the picture of that file, cancelled, or failed (the
//                            headless scanner only)
//   preferences cancel | NAME=VALUE ...
//                            the next preferences dialog: cancelled, or OK with these values changed
//                            (settings names: Resolution=300 PaperWidth=24 ThumbSize=2 ...)
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
    // The verbs that read the rest of the line as it stands; false with error set when it failed.
    bool RunAnswerLine(const std::string& verb, const std::string& rest, std::string& error);
    bool RunPanel(const std::string& arguments, std::string& error);
    bool QueueScan(const std::string& rest, std::string& error);
    bool QueuePreferences(const std::vector<std::string>& words, std::string& error);
    bool TypeText(const std::string& text, std::string& error);
    bool RunPointer(const std::string& verb, const std::vector<std::string>& words, std::string& error);

    Workspace& m_w;
    uint32_t m_buttons = 0; // the mouse buttons held, as the key-state word carries them
};

} // namespace ts
