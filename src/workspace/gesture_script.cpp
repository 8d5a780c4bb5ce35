#include "workspace/gesture_script.h"

#include "interact/virtual_keys.h"
#include "platform/headless_user_interface.h"
#include "render/viewport.h"
#include "workspace/control_bar_menus.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <sstream>
#include <utility>
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

// The key a character is typed with (Windows virtual-key codes of a US keyboard), with Shift for a
// capital and for the symbols on the upper half of the digit and punctuation keys; 0 for a character
// no single key types.
uint32_t KeyOf(char c, uint32_t& flags) {
    flags = 0;
    if (c >= 'a' && c <= 'z') {
        return keys::Letter(static_cast<char>(c - 'a' + 'A'));
    }
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ') {
        flags = c >= 'A' && c <= 'Z' ? keys::kShiftFlag : 0;
        return static_cast<uint32_t>(c);
    }
    static constexpr std::pair<char, uint32_t> kPunctuation[] = {
        {';', 0xBA}, {'=', 0xBB}, {',', 0xBC},  {'-', 0xBD}, {'.', 0xBE},  {'/', 0xBF},
        {'`', 0xC0}, {'[', 0xDB}, {'\\', 0xDC}, {']', 0xDD}, {'\'', 0xDE}, {'\t', keys::kTab}};
    for (const auto& [character, key] : kPunctuation) {
        if (c == character) {
            return key;
        }
    }
    // With Shift: the digits' symbols for 0 to 9, then the punctuation keys' in the order above.
    static constexpr char kShiftedDigits[] = ")!@#$%^&*(";
    static constexpr std::pair<char, uint32_t> kShiftedPunctuation[] = {
        {':', 0xBA}, {'+', 0xBB}, {'<', 0xBC}, {'_', 0xBD}, {'>', 0xBE}, {'?', 0xBF},
        {'~', 0xC0}, {'{', 0xDB}, {'|', 0xDC}, {'}', 0xDD}, {'"', 0xDE}};
    for (int digit = 0; digit < 10; ++digit) {
        if (c == kShiftedDigits[digit]) {
            flags = keys::kShiftFlag;
            return static_cast<uint32_t>('0' + digit);
        }
    }
    for (const auto& [character, key] : kShiftedPunctuation) {
        if (c == character) {
            flags = keys::kShiftFlag;
            return key;
        }
    }
    return 0;
}

// A panel control's id, or a caption in double quotes, then the value (quoted or the rest as it is).
bool SplitPanelArguments(const std::string& text, std::string& control, bool& quoted, std::string& value) {
    size_t at = text.find_first_not_of(" \t");
    if (at == std::string::npos) {
        return false;
    }
    quoted = text[at] == '"';
    size_t end = 0;
    if (quoted) {
        end = text.find('"', at + 1);
        if (end == std::string::npos) {
            return false;
        }
        control = text.substr(at + 1, end - at - 1);
        ++end;
    } else {
        end = std::min(text.find_first_of(" \t", at), text.size());
        control = text.substr(at, end - at);
    }
    const size_t from = text.find_first_not_of(" \t", end);
    const size_t to = text.find_last_not_of(" \t");
    value = from == std::string::npos ? std::string() : text.substr(from, to - from + 1);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value = value.substr(1, value.size() - 2);
    }
    return true;
}

std::string Trimmed(const std::string& text) {
    const size_t from = text.find_first_not_of(" \t");
    if (from == std::string::npos) {
        return std::string();
    }
    return text.substr(from, text.find_last_not_of(" \t") - from + 1);
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
        // A drop-down's item by its path: "Sketch Frame/Import An Image/Lines/From Image File".
        const std::string wanted = Comparable(name);
        for (const DropDownButton& button : ControlBarDropDowns()) {
            for (const DropDownItem& item : button.items) {
                const std::string path = button.title + "/" +
                                         (item.submenu.empty() ? "" : item.submenu + "/") +
                                         item.text.substr(0, item.text.find('\t'));
                if (!found && Comparable(path) == wanted) {
                    found = m_w.commands.Find(item.id);
                }
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
    const std::string prefix = "line " + std::to_string(number) + ": ";
    // The verbs whose text is the rest of the line as it stands, '#' and blanks included.
    const size_t verbAt = rawLine.find_first_not_of(" \t");
    if (verbAt != std::string::npos) {
        const size_t verbEnd = std::min(rawLine.find_first_of(" \t", verbAt), rawLine.size());
        const std::string rawVerb = Lower(rawLine.substr(verbAt, verbEnd - verbAt));
        if (rawVerb == "type" || rawVerb == "text" || rawVerb == "answer" || rawVerb == "file" ||
            rawVerb == "printer" || rawVerb == "scan") {
            const std::string rest = verbEnd < rawLine.size() ? rawLine.substr(verbEnd + 1) : std::string();
            std::string why;
            if (!RunAnswerLine(rawVerb, rest, why)) {
                error = prefix + why;
                return false;
            }
            return true;
        }
    }
    std::string line = rawLine.substr(0, rawLine.find('#'));
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;) {
        words.push_back(word);
    }
    if (words.empty()) {
        return true;
    }
    auto fail = [&](const std::string& what) {
        error = prefix + what;
        return false;
    };
    const std::string verb = Lower(words[0]);
    const size_t args = words.size() - 1;
    auto number64 = [&](size_t i, int64_t low, int64_t high, int64_t& v) {
        return ParseNumber(words[i], low, high, v);
    };

    if (verb == "preferences") {
        return QueuePreferences(words, error) || fail(error);
    }
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
        const size_t at = line.find_first_not_of(" \t");
        const size_t after = std::min(line.find_first_of(" \t", at), line.size());
        std::string why;
        return RunPanel(line.substr(after), why) || fail(why);
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
    if (verb == "press" || verb == "move" || verb == "release" || verb == "dblclick") {
        std::string why;
        return RunPointer(verb, words, why) || fail(why);
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

bool GestureScript::RunPointer(const std::string& verb, const std::vector<std::string>& words,
                               std::string& error) {
    int64_t x = 0;
    int64_t y = 0;
    if (words.size() < 3 || !ParseNumber(words[1], -kMaxCoordinate, kMaxCoordinate, x) ||
        !ParseNumber(words[2], -kMaxCoordinate, kMaxCoordinate, y)) {
        error = verb + " needs a point X Y in drawing pixels";
        return false;
    }
    uint32_t flags = 0;
    for (size_t i = 3; i < words.size(); ++i) {
        const std::string modifier = Lower(words[i]);
        if (modifier == "shift") {
            flags |= keys::kShiftFlag;
        } else if (modifier == "ctrl") {
            flags |= keys::kCtrlFlag;
        } else {
            error = "unknown word '" + words[i] + "'";
            return false;
        }
    }
    const IntPoint p = ViewPoint(static_cast<int32_t>(x), static_cast<int32_t>(y));
    ViewInput& input = m_w.viewInput;
    if (verb == "press" || verb == "dblclick") {
        m_buttons = kLeftButtonFlag;
        input.OnMouseMove(flags, p.x, p.y);
        input.OnLButtonDown(flags | m_buttons, p.x, p.y);
        if (verb == "dblclick") {
            input.OnLButtonUp(flags, p.x, p.y);
            input.OnLButtonDblClk(flags | m_buttons, p.x, p.y);
            m_buttons = 0;
            input.OnLButtonUp(flags, p.x, p.y);
        }
    } else if (verb == "move") {
        input.OnMouseMove(flags | m_buttons, p.x, p.y);
    } else {
        m_buttons = 0;
        input.OnLButtonUp(flags, p.x, p.y);
    }
    return true;
}

bool GestureScript::RunPanel(const std::string& arguments, std::string& error) {
    std::string name;
    std::string value;
    bool quoted = false;
    if (!SplitPanelArguments(arguments, name, quoted, value)) {
        error = "panel needs a control id or caption";
        return false;
    }
    Env* mode = m_w.environmentManager.Current();
    if (!mode) {
        error = "no mode is current";
        return false;
    }
    CControl* control = nullptr;
    int64_t id = 0;
    if (!quoted && ParseNumber(name, 0, INT32_MAX, id)) {
        control = mode->Panel().Find(static_cast<int32_t>(id));
    }
    if (!control) {
        // By caption: as the control shows it, without the mnemonic, in any case.
        int found = 0;
        for (const auto& c : mode->Panel().Controls()) {
            if (!c->Caption().empty() && Comparable(c->Caption()) == Comparable(name)) {
                control = found++ == 0 ? c.get() : control;
            }
        }
        if (found > 1) {
            error = "two controls are captioned '" + name + "': give the id";
            return false;
        }
    }
    if (!control) {
        error = "the current mode has no control " + name;
        return false;
    }
    if (value.empty()) {
        if (auto* box = dynamic_cast<CheckBox*>(control)) {
            box->UserClick();
        } else if (auto* button = dynamic_cast<CHuecraftButton*>(control)) {
            button->UserClick();
        } else {
            error = "control " + name + " needs a value";
            return false;
        }
        return true;
    }
    int64_t number = 0;
    const bool numeric = ParseNumber(value, INT32_MIN, INT32_MAX, number);
    if (auto* slider = dynamic_cast<SliderCtrl*>(control); slider && numeric) {
        slider->UserSetPos(static_cast<int32_t>(number));
    } else if (auto* popup = dynamic_cast<CPopupSlider*>(control); popup && numeric) {
        popup->UserSetValue(static_cast<int32_t>(number));
    } else if (auto* edit = dynamic_cast<EditBox*>(control)) {
        edit->UserEdit(value);
    } else if (auto* combo = dynamic_cast<ComboBox*>(control)) {
        const auto& items = combo->Items();
        auto it = std::find(items.begin(), items.end(), value);
        if (it == items.end()) {
            it = std::find_if(items.begin(), items.end(),
                              [&](const std::string& item) { return Comparable(item) == Comparable(value); });
        }
        if (it == items.end()) {
            error = "control " + name + " has no item '" + value + "'";
            return false;
        }
        combo->UserSelect(static_cast<int32_t>(it - items.begin()));
    } else if (dynamic_cast<SliderCtrl*>(control) || dynamic_cast<CPopupSlider*>(control)) {
        error = "control " + name + " needs a whole number, not '" + value + "'";
        return false;
    } else {
        error = "control " + name + " takes no value";
        return false;
    }
    return true;
}

bool GestureScript::TypeText(const std::string& text, std::string& error) {
    for (const char c : text) {
        uint32_t flags = 0;
        const uint32_t key = KeyOf(c, flags);
        if (key == 0) {
            error = std::string("no key types '") + c + "'";
            return false;
        }
        m_w.viewInput.OnKeyDown(key, 1, flags);
        m_w.viewInput.OnKeyUp(key, 1, flags);
    }
    return true;
}

bool GestureScript::RunAnswerLine(const std::string& verb, const std::string& rest, std::string& error) {
    if (verb == "type") {
        return TypeText(rest, error);
    }
    if (verb == "printer") {
        // The next print goes into this PDF file, without the print dialog.
        std::string path = Trimmed(rest);
        if (path.size() >= 2 && path.front() == '"' && path.back() == '"') {
            path = path.substr(1, path.size() - 2);
        }
        Printer* printer = m_w.printManager.GetPrinter();
        if (path.empty() || !printer) {
            error = "printer needs a path";
            return false;
        }
        printer->PrintToFile(path);
        return true;
    }
    if (verb == "scan") {
        return QueueScan(rest, error);
    }
    auto* ui = dynamic_cast<HeadlessUserInterface*>(&m_w.ui);
    if (!ui) {
        error = verb + " needs the headless user interface";
        return false;
    }
    if (verb == "text") {
        ui->QueueText(rest);
        return true;
    }
    const std::string word = Trimmed(rest);
    if (verb == "answer") {
        const std::string answer = Lower(word);
        if (answer != "yes" && answer != "no") {
            error = "answer needs yes or no";
            return false;
        }
        ui->QueueAnswer(answer == "yes" ? Answer::Yes : Answer::No);
        return true;
    }
    std::string path = word;
    if (path.size() >= 2 && path.front() == '"' && path.back() == '"') {
        path = path.substr(1, path.size() - 2);
    }
    if (path.empty()) {
        error = "file needs a path";
        return false;
    }
    ui->QueueFile(path);
    return true;
}

bool GestureScript::QueueScan(const std::string& rest, std::string& error) {
    if (m_w.scanner != &m_w.headlessScanner) {
        error = "scan needs the headless scanner";
        return false;
    }
    std::string what = Trimmed(rest);
    if (what.size() >= 2 && what.front() == '"' && what.back() == '"') {
        what = what.substr(1, what.size() - 2);
    }
    if (Lower(what) == "cancel") {
        m_w.headlessScanner.QueueCancel();
        return true;
    }
    if (Lower(what) == "fail") {
        m_w.headlessScanner.QueueFailure();
        return true;
    }
    Image24 image;
    if (what.empty() || !m_w.codec.Load(what, image)) {
        error = "scan needs a picture, cancel or fail; '" + what + "' cannot be read";
        return false;
    }
    m_w.headlessScanner.QueueImage(std::move(image));
    return true;
}

bool GestureScript::QueuePreferences(const std::vector<std::string>& words, std::string& error) {
    auto* ui = dynamic_cast<HeadlessUserInterface*>(&m_w.ui);
    if (!ui) {
        error = "preferences needs the headless user interface";
        return false;
    }
    if (words.size() == 2 && Lower(words[1]) == "cancel") {
        ui->QueuePreferencesCancel();
        return true;
    }
    HeadlessUserInterface::PreferenceChanges changes;
    PreferenceValues check;
    for (size_t i = 1; i < words.size(); ++i) {
        const size_t equals = words[i].find('=');
        const std::string name = words[i].substr(0, equals);
        const std::string value = equals == std::string::npos ? std::string() : words[i].substr(equals + 1);
        if (equals == std::string::npos || !PreferenceValues::IsName(name) || !check.Set(name, value)) {
            error = "preferences takes cancel or NAME=VALUE pairs, not '" + words[i] + "'";
            return false;
        }
        changes.emplace_back(name, value);
    }
    ui->QueuePreferences(std::move(changes));
    return true;
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
