#include "modes/text_tool_manager.h"

#include "interact/virtual_keys.h"

#include <algorithm>
#include <cstdlib>

namespace ts {

namespace {

constexpr Rect kTitleRect{10, 37, 72, 57};
constexpr Rect kFontRect{77, 37, 315, 57};
constexpr Rect kSizeRect{319, 37, 404, 57};
constexpr Rect kSpacingRect{435, 37, 580, 57};
constexpr Rect kUpdateRect{610, 37, 680, 57};

// The US layout's punctuation keys: the character unshifted and with Shift.
struct PunctuationKey {
    uint32_t key;
    char32_t plain;
    char32_t shifted;
};
constexpr PunctuationKey kPunctuation[] = {
    {keys::kOemSemicolon, U';', U':'},  {keys::kOemPlus, U'=', U'+'},
    {keys::kOemComma, U',', U'<'},      {keys::kOemMinus, U'-', U'_'},
    {keys::kOemPeriod, U'.', U'>'},     {keys::kOemSlash, U'/', U'?'},
    {keys::kOemGrave, U'`', U'~'},      {keys::kOemOpenBracket, U'[', U'{'},
    {keys::kOemBackslash, U'\\', U'|'}, {keys::kOemCloseBracket, U']', U'}'},
    {keys::kOemQuote, U'\'', U'"'},
};

// The symbols of the digit keys 0 to 9 with Shift.
constexpr char32_t kShiftedDigits[] = U")!@#$%^&*(";

} // namespace

TextToolManager::TextToolManager(PaintingContext& context, TextManager& text, ViewSwitches& switches)
    : EnvTool(0), m_c(context), m_text(text), m_switches(switches) {}

void TextToolManager::CreatePanel() {
    ControlPanel& panel = MutablePanel();
    ControlParent* parent = PanelParent();
    panel.Add<CHuecraftButton>(parent, kTitleRect, "Caption", kCaptionTitle, this);
    ComboBox& font = panel.Add<ComboBox>(parent, kFontRect, "Font", kFontCombo, this);
    const std::vector<std::string>& families = m_text.FontFamilies();
    for (const std::string& family : families) {
        font.AddString(family);
    }
    int32_t chosen = 0;
    for (const char* wanted : {kPreferredFamily, kFallbackFamily}) {
        const auto it = std::find(families.begin(), families.end(), wanted);
        if (it != families.end()) {
            chosen = static_cast<int32_t>(it - families.begin());
            break;
        }
    }
    font.SetCurSel(families.empty() ? -1 : chosen);
    ComboBox& size = panel.Add<ComboBox>(parent, kSizeRect, "Size", kSizeCombo, this);
    for (const char* s : kSizes) {
        size.AddString(s);
        if (std::string(s) == kDefaultSize) {
            size.SetCurSel(static_cast<int32_t>(size.Items().size()) - 1);
        }
    }
    EditBox& spacing = panel.Add<EditBox>(parent, kSpacingRect, "Letter Spacing", kSpacingBox, this);
    spacing.SetAllowedCharacters(EditBox::kIntegerCharacters);
    spacing.SetText("0");
    panel.Add<CHuecraftButton>(parent, kUpdateRect, "Update", kUpdate, this);
}

bool TextToolManager::Activate() {
    m_active = true;
    m_color = m_c.palettes.GetCurrentColor() & 0x00FFFFFF;
    // The lettering is line art: it must be seen while it is typed.
    if (!m_switches.showLines) {
        m_switches.showLines = true;
        m_c.stack.SetLinesVisible(true);
        m_c.refresh.MarkStackFootprint();
        m_c.refresh.Refresh("R_SetLineVisibility");
    }
    ShowPanel();
    return true;
}

bool TextToolManager::Deactivate(int32_t /*how*/) {
    m_text.FinishText();
    m_typing = false;
    m_active = false;
    HidePanel();
    return true;
}

std::string TextToolManager::SelectedFamily() const {
    const auto* font = dynamic_cast<const ComboBox*>(Panel().Find(kFontCombo));
    return font ? font->GetSelectedText() : std::string(kFallbackFamily);
}

double TextToolManager::SelectedSize() const {
    const auto* size = dynamic_cast<const ComboBox*>(Panel().Find(kSizeCombo));
    return size ? size->GetSelectedNumber() : std::atof(kDefaultSize);
}

double TextToolManager::SelectedSpacing() const {
    const auto* spacing = dynamic_cast<const EditBox*>(Panel().Find(kSpacingBox));
    const double value = spacing ? std::atof(spacing->GetText().c_str()) : 0.0;
    // The panel's 1 is no extra spacing, each step above a hundredth of the em.
    return std::max(0.0, value - 1.0) * 0.01;
}

bool TextToolManager::Apply(bool update) {
    m_text.SetFamily(SelectedFamily());
    return m_text.RenderText(m_position, TextManager::kResolution, SelectedSize(), SelectedSpacing(), update,
                             m_color);
}

bool TextToolManager::OnPanelCommand(int32_t id) {
    switch (id) {
    case kUpdate:
        if (m_typing && m_text.Started()) {
            Apply(true);
        }
        return true;
    case kCaptionTitle:
    case kFontCombo:
    case kSizeCombo:
    case kSpacingBox:
        return true; // read when the text is rendered
    default:
        return false;
    }
}

bool TextToolManager::OnToolPress(uint32_t /*flags*/, int32_t x, int32_t y) {
    const ScreenTool* tool = m_c.tools.CurrentTool();
    m_position = tool ? tool->GetPressDrawingPoint() : m_c.geometry.ToDrawing(x, y);
    m_typing = true;
    Apply(false);
    return true;
}

char32_t TextToolManager::TypedCharacter(uint32_t key, uint32_t flags) {
    const bool shift = (flags & keys::kShiftFlag) != 0;
    if (key >= keys::Letter('A') && key <= keys::Letter('Z')) {
        const bool upper = shift || (flags & keys::kCapsLockFlag) != 0;
        return static_cast<char32_t>(upper ? key : key - keys::Letter('A') + U'a');
    }
    if (key >= '0' && key <= '9') {
        return shift ? kShiftedDigits[key - '0'] : static_cast<char32_t>(key);
    }
    if (key == keys::kSpace) {
        return U' ';
    }
    // The modifier keys themselves (Shift, Ctrl, Caps Lock, their left and right codes) type nothing:
    // keys are matched whole, never by their low bits alone.
    for (const PunctuationKey& p : kPunctuation) {
        if (key == p.key) {
            return shift ? p.shifted : p.plain;
        }
    }
    return 0;
}

bool TextToolManager::OnKeyDown(uint32_t key, uint32_t /*repeat*/, uint32_t flags) {
    if (!m_typing) {
        return false;
    }
    if (key == keys::kBack) {
        // The last character goes; the key itself is left to the frame.
        if (!m_text.Text().empty()) {
            m_text.SetFamily(SelectedFamily());
            m_text.SetColor(m_color);
            m_text.RemoveLastCharacter();
        }
        return false;
    }
    const char32_t c = TypedCharacter(key, flags);
    if (c == 0) {
        return false;
    }
    m_text.SetFamily(SelectedFamily());
    m_text.SetColor(m_color);
    m_text.AddCharacter(c);
    return true;
}

void TextToolManager::OnPaletteColorChanged() {
    m_color = m_c.palettes.GetCurrentColor() & 0x00FFFFFF;
}

void TextTool::Activate() {
    ScreenTool::Activate();
    if (m_mode) {
        m_context.environment.EnterMode(m_mode, TextToolManager::kTitle, TextToolManager::kPrompt);
    }
}

bool TextTool::OnLButtonDown(uint32_t flags, int32_t x, int32_t y) {
    if (ScreenTool::OnLButtonDown(flags, x, y)) {
        return true; // the palette's or a pan's
    }
    if (m_mode && m_context.environment.Current() == m_mode) {
        m_mode->OnToolPress(flags, x, y);
    }
    return true;
}

void TextTool::SetCursor() {
    m_context.window.SetCursor(cursors::kIBeam);
}

} // namespace ts
