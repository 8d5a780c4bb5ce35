#include "workspace/gesture_script.h"

#include "interact/virtual_keys.h"
#include "render/viewport.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <sstream>
#include <vector>

namespace ts {

namespace {

constexpr uint32_t kLeftButtonFlag = 1;
constexpr int64_t kMaxClientSide = 8192;
constexpr int64_t kMaxClientPixels = int64_t{32} << 20;
constexpr int64_t kMaxCoordinate = 1000000;

bool ParseNumber(const std::string& text, int64_t low, int64_t high, int64_t& value) {
    if (text.empty() || text.size() > 20) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text.c_str(), &end, 0);
    if (errno != 0 || !end || *end != '\0' || v < low || v > high) {
        return false;
    }
    value = v;
    return true;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::string WithoutMnemonic(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c != '&') {
            out += c;
        }
    }
    return out;
}

// A command text as a script line can spell it: without the mnemonic, lower case, one blank between
// words ("Undo the last  brush stroke" has two).
std::string Comparable(const std::string& text) {
    std::string out;
    for (const char c : Lower(WithoutMnemonic(text))) {
        if (c != ' ' || (!out.empty() && out.back() != ' ')) {
            out += c;
        }
    }
    return out;
}

} // namespace

bool GestureScript::SetZoom(int32_t zoom, std::string& error) {
    if (!IsValidZoom(zoom)) {
        error = "zoom " + std::to_string(zoom) + " is not a zoom of the view";
        return false;
    }
    const int64_t w = m_w.imageStack.DrawingWidth();
    const int64_t h = m_w.imageStack.DrawingHeight();
    const int64_t cw = zoom >= 1 ? w * zoom : (w + -zoom - 1) / -zoom;
    const int64_t ch = zoom >= 1 ? h * zoom : (h + -zoom - 1) / -zoom;
    if (cw < 1 || ch < 1 || cw > kMaxClientSide || ch > kMaxClientSide || cw * ch > kMaxClientPixels) {
        error = "zoom " + std::to_string(zoom) + " makes the view too large for this drawing";
        return false;
    }
    // The client area shows the whole drawing from its corner, so every drawing pixel has a view point.
    if (!m_w.viewManager.ResizeClient(static_cast<int32_t>(cw), static_cast<int32_t>(ch)) ||
        !m_w.viewManager.SetZoom(zoom)) {
        error = "the view cannot be made at zoom " + std::to_string(zoom);
        return false;
    }
    m_w.viewManager.SetOrigin(0, 0);
    m_w.statusIndicators.UpdateZoom(zoom);
    m_w.refresh.MarkViewportSize();
    return true;
}

bool GestureScript::PrepareView() {
    // 100 % when the drawing fits the largest view, else the least shrinking that makes it fit.
    std::string error;
    for (int32_t zoom : {1, -2, -3, -4, -6, -8, -12, -16}) {
        if (IsValidZoom(zoom) && SetZoom(zoom, error)) {
            return true;
        }
    }
    return false;
}

IntPoint GestureScript::ViewPoint(int32_t x, int32_t y) const {
    // The middle of the drawing pixel.
    return m_w.viewGeometry.FineToView(4 * x + 2, 4 * y + 2);
}

bool GestureScript::RunCommandNamed(const std::string& name, std::string& error) {
    int64_t id = 0;
    const Command* found = nullptr;
    if (ParseNumber(name, 0, INT32_MAX, id)) {
        found = m_w.commands.Find(static_cast<int32_t>(id));
    } else {
        const std::string wanted = Comparable(name);
        for (const Command& c : m_w.commands.Commands()) {
            const std::string text = Comparable(c.text);
            if (text == wanted || (!c.menu.empty() && Comparable(c.menu) + "/" + text == wanted)) {
                found = &c;
                break;
            }
        }
    }
    if (!found) {
        error = "no command '" + name + "'";
        return false;
    }
    if (!m_w.RunCommand(found->id)) {
        error = "the command '" + WithoutMnemonic(found->text) + "' is not available now";
        return false;
    }
    return true;
}

bool GestureScript::RunLine(const std::string& rawLine, int32_t number, std::string& error) {
    std::string line = rawLine.substr(0, rawLine.find('#'));
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;) {
        words.push_back(word);
    }
    if (words.empty()) {
        return true;
    }
    const std::string prefix = "line " + std::to_string(number) + ": ";
    auto fail = [&](const std::string& what) {
        error = prefix + what;
        return false;
    };
    const std::string verb = Lower(words[0]);
    const size_t args = words.size() - 1;
    auto number64 = [&](size_t i, int64_t low, int64_t high, int64_t& v) {
        return ParseNumber(words[i], low, high, v);
    };

    if (verb == "command") {
        if (args < 1) {
            return fail("command needs a name or an id");
        }
        std::string name = words[1];
        for (size_t i = 2; i < words.size(); ++i) {
            name += " " + words[i];
        }
        std::string why;
        return RunCommandNamed(name, why) || fail(why);
    }
    if (verb == "tool") {
        if (args != 1) {
            return fail("tool needs one tool name");
        }
        ScreenTool* tool = m_w.PaintingToolNamed(words[1]);
        if (!tool) {
            return fail("no tool '" + words[1] + "'");
        }
        m_w.toolSlot.SetTool(*tool);
        return true;
    }
    if (verb == "panel") {
        int64_t id = 0;
        if (args != 1 || !number64(1, 0, INT32_MAX, id)) {
            return fail("panel needs a control id");
        }
        Env* mode = m_w.environmentManager.Current();
        CControl* control = mode ? mode->Panel().Find(static_cast<int32_t>(id)) : nullptr;
        if (!control) {
            return fail("the current mode has no control " + words[1]);
        }
        if (auto* box = dynamic_cast<CheckBox*>(control)) {
            box->UserClick();
        } else if (auto* button = dynamic_cast<CHuecraftButton*>(control)) {
            button->UserClick();
        } else {
            return fail("control " + words[1] + " is not a button or a check box");
        }
        return true;
    }
    if (verb == "color") {
        int64_t color = 0;
        if (args != 1 || !number64(1, 0, 0xFFFFFF, color)) {
            return fail("color needs a colour 0xBBGGRR");
        }
        m_w.Palettes().SelectColor(static_cast<uint32_t>(color));
        return true;
    }
    if (verb == "size") {
        int64_t size = 0;
        if (args != 1 || !number64(1, 1, 2000, size)) {
            return fail("size needs a brush size from 1 to 2000");
        }
        ScreenTool* tool = m_w.toolSlot.CurrentTool();
        if (!tool || !tool->UsesBrush()) {
            return fail("the current tool has no brush");
        }
        tool->SetBrushSize(static_cast<int32_t>(size));
        return true;
    }
    if (verb == "layer") {
        int64_t index = 0;
        if (args != 1 ||
            !number64(1, ImageStackManager::kFirstDrawingLayer, m_w.imageStack.Count() - 1, index)) {
            return fail("layer needs the stack index of a drawing layer (2 to " +
                        std::to_string(m_w.imageStack.Count() - 1) + ")");
        }
        m_w.imageStack.SetCurrent(static_cast<int32_t>(index));
        m_w.imageStack.NotifyIndicator();
        return true;
    }
    if (verb == "press" || verb == "move" || verb == "release") {
        int64_t x = 0;
        int64_t y = 0;
        if (args < 2 || !number64(1, -kMaxCoordinate, kMaxCoordinate, x) ||
            !number64(2, -kMaxCoordinate, kMaxCoordinate, y)) {
            return fail(verb + " needs a point X Y in drawing pixels");
        }
        uint32_t flags = 0;
        for (size_t i = 3; i < words.size(); ++i) {
            const std::string modifier = Lower(words[i]);
            if (verb == "press" && modifier == "shift") {
                flags |= keys::kShiftFlag;
            } else if (verb == "press" && modifier == "ctrl") {
                flags |= keys::kCtrlFlag;
            } else {
                return fail("unknown word '" + words[i] + "'");
            }
        }
        const IntPoint p = ViewPoint(static_cast<int32_t>(x), static_cast<int32_t>(y));
        if (verb == "press") {
            m_buttons = kLeftButtonFlag;
            m_w.viewInput.OnMouseMove(flags, p.x, p.y);
            m_w.viewInput.OnLButtonDown(flags | m_buttons, p.x, p.y);
        } else if (verb == "move") {
            m_w.viewInput.OnMouseMove(m_buttons, p.x, p.y);
        } else {
            m_buttons = 0;
            m_w.viewInput.OnLButtonUp(0, p.x, p.y);
        }
        return true;
    }
    if (verb == "key") {
        int64_t key = 0;
        if (args != 1) {
            return fail("key needs a virtual-key code or a character");
        }
        if (words[1].size() == 1) {
            key = std::toupper(static_cast<unsigned char>(words[1][0]));
        } else if (!number64(1, 1, 0xFE, key)) {
            return fail("key needs a virtual-key code or a character");
        }
        m_w.viewInput.OnKeyDown(static_cast<uint32_t>(key), 1, 0);
        m_w.viewInput.OnKeyUp(static_cast<uint32_t>(key), 1, 0);
        return true;
    }
    if (verb == "zoom") {
        int64_t zoom = 0;
        if (args != 1 || !number64(1, -64, 64, zoom)) {
            return fail("zoom needs a zoom factor");
        }
        std::string why;
        return SetZoom(static_cast<int32_t>(zoom), why) || fail(why);
    }
    return fail("unknown command '" + words[0] + "'");
}

bool GestureScript::Run(const std::string& text, std::string& error) {
    if (!PrepareView()) {
        error = "the drawing is too large to be shown";
        return false;
    }
    std::istringstream in(text);
    int32_t number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!RunLine(line, number, error)) {
            return false;
        }
    }
    return true;
}

} // namespace ts
