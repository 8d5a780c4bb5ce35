#include "modes/page_manager.h"

#include "model/page.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace ts {

namespace {

// Each edit keeps 64 pixels for itself; its label takes the rest of its rectangle.
constexpr Rect kLayoutRect{20, 37, 100, 57};
constexpr Rect kInchesWidthRect{110, 37, 250, 57};
constexpr Rect kInchesHeightRect{252, 37, 335, 57};
constexpr Rect kPixelsWidthRect{347, 37, 487, 57};
constexpr Rect kPixelsHeightRect{489, 37, 572, 57};
constexpr Rect kDotsPerInchRect{584, 37, 684, 57};
constexpr Rect kUpdateRect{696, 37, 756, 57};
constexpr Rect kResetRect{764, 37, 824, 57};

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A whole number of at most nine digits (no sign, no blanks inside); false for anything else.
bool ReadWhole(const std::string& text, int32_t& out) {
    const std::string t = Trim(text);
    if (t.empty() || t.size() > 9 || t.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    out = static_cast<int32_t>(std::strtol(t.c_str(), nullptr, 10));
    return true;
}

// A positive decimal number of digits and at most one point.
bool ReadInches(const std::string& text, double& out) {
    const std::string t = Trim(text);
    if (t.empty() || t.size() > 12 || t.find_first_not_of("0123456789.") != std::string::npos ||
        std::count(t.begin(), t.end(), '.') > 1 || t.find_first_of("0123456789") == std::string::npos) {
        return false;
    }
    out = std::strtod(t.c_str(), nullptr);
    return out > 0;
}

bool ValidDotsPerInch(int32_t dpi) {
    return dpi >= 1 && dpi <= PageManager::kMaxDotsPerInch;
}

} // namespace

PageManager::PageManager(LayerOperations& operations, ImageStackManager& stack, ProfileManager& profile,
                         UserInterface& ui)
    : EnvEffect(kPageSizeId), m_operations(operations), m_stack(stack), m_profile(profile), m_ui(ui) {}

std::string PageManager::FormatInches(double inches) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.3f", inches);
    std::string text = buffer;
    text.erase(text.find_last_not_of('0') + 1);
    if (!text.empty() && text.back() == '.') {
        text.pop_back();
    }
    return text;
}

// "Layouts" holds "width height dpi" of the last page laid out; a value that does not read so is
// ignored and the bar keeps its start values.
void PageManager::ReadLayouts() {
    m_layoutsRead = true;
    std::istringstream in(m_profile.Layouts());
    int64_t width = 0;
    int64_t height = 0;
    int64_t dpi = 0;
    if (in >> width >> height >> dpi && width > 0 && height > 0 &&
        ValidDotsPerInch(static_cast<int32_t>(dpi))) {
        m_dotsPerInch = static_cast<int32_t>(dpi);
    }
}

void PageManager::CreatePanel() {
    if (!m_layoutsRead) {
        ReadLayouts();
    }
    ControlPanel& panel = MutablePanel();
    // The mode's title button: it names the bar and does nothing of its own.
    panel.Add<CHuecraftButton>(PanelParent(), kLayoutRect, "Page Layout", kLayoutButton, nullptr);
    const struct {
        Rect rect;
        const char* caption;
        int32_t id;
        const char* allowed;
    } edits[] = {
        {kInchesWidthRect, "W x H Inches", kInchesWidth, EditBox::kDecimalCharacters},
        {kInchesHeightRect, "x", kInchesHeight, EditBox::kDecimalCharacters},
        {kPixelsWidthRect, "W x H Pixels", kPixelsWidth, EditBox::kIntegerCharacters},
        {kPixelsHeightRect, "x", kPixelsHeight, EditBox::kIntegerCharacters},
        {kDotsPerInchRect, "DPI", kDotsPerInch, EditBox::kIntegerCharacters},
    };
    for (const auto& e : edits) {
        panel.Add<EditBox>(PanelParent(), e.rect, e.caption, e.id, this).SetAllowedCharacters(e.allowed);
    }
    panel.Add<CHuecraftButton>(PanelParent(), kUpdateRect, "Update", kUpdateButton, this);
    panel.Add<CHuecraftButton>(PanelParent(), kResetRect, "Reset", kResetButton, this);
    SetText(kPixelsWidth, std::to_string(kStartWidth));
    SetText(kPixelsHeight, std::to_string(kStartHeight));
    SetText(kDotsPerInch, std::to_string(m_dotsPerInch));
    PixelsToInches(kPixelsWidth, kInchesWidth);
    PixelsToInches(kPixelsHeight, kInchesHeight);
}

bool PageManager::Activate() {
    ShowPanel();
    Reset();
    return true;
}

bool PageManager::Deactivate(int32_t /*how*/) {
    HidePanel();
    return true;
}

EditBox* PageManager::Edit(int32_t id) const {
    return dynamic_cast<EditBox*>(Panel().Find(id));
}

void PageManager::SetText(int32_t id, const std::string& text) {
    if (EditBox* edit = Edit(id)) {
        edit->SetText(text);
    }
}

int32_t PageManager::PageWidth() const {
    const Page& page = m_operations.CurrentPage();
    return page.DrawingWidth() == m_stack.DrawingWidth()
               ? page.width
               : m_stack.DrawingWidth() * Page::kPagePixelsPerDrawingPixel;
}

int32_t PageManager::PageHeight() const {
    const Page& page = m_operations.CurrentPage();
    return page.DrawingHeight() == m_stack.DrawingHeight()
               ? page.height
               : m_stack.DrawingHeight() * Page::kPagePixelsPerDrawingPixel;
}

void PageManager::Reset() {
    if (Edit(kPixelsWidth) == nullptr) {
        return;
    }
    SetText(kPixelsWidth, std::to_string(PageWidth()));
    SetText(kPixelsHeight, std::to_string(PageHeight()));
    SetText(kDotsPerInch, std::to_string(m_dotsPerInch));
    PixelsToInches(kPixelsWidth, kInchesWidth);
    PixelsToInches(kPixelsHeight, kInchesHeight);
}

void PageManager::PixelsToInches(int32_t pixelsId, int32_t inchesId) {
    int32_t pixels = 0;
    if (const EditBox* edit = Edit(pixelsId); edit && ReadWhole(edit->GetText(), pixels)) {
        SetText(inchesId, FormatInches(static_cast<double>(pixels) / m_dotsPerInch));
    }
}

void PageManager::InchesToPixels(int32_t inchesId, int32_t pixelsId) {
    double inches = 0;
    if (const EditBox* edit = Edit(inchesId); edit && ReadInches(edit->GetText(), inches)) {
        const double pixels = std::round(inches * m_dotsPerInch);
        if (pixels <= 999999999.0) {
            SetText(pixelsId, std::to_string(static_cast<int64_t>(pixels)));
        }
    }
}

bool PageManager::OnPanelCommand(int32_t id) {
    switch (id) {
    case kPixelsWidth:
        PixelsToInches(kPixelsWidth, kInchesWidth);
        return true;
    case kPixelsHeight:
        PixelsToInches(kPixelsHeight, kInchesHeight);
        return true;
    case kInchesWidth:
        InchesToPixels(kInchesWidth, kPixelsWidth);
        return true;
    case kInchesHeight:
        InchesToPixels(kInchesHeight, kPixelsHeight);
        return true;
    case kDotsPerInch: {
        int32_t dpi = 0;
        if (const EditBox* edit = Edit(kDotsPerInch);
            edit && ReadWhole(edit->GetText(), dpi) && ValidDotsPerInch(dpi)) {
            m_dotsPerInch = dpi;
            PixelsToInches(kPixelsWidth, kInchesWidth);
            PixelsToInches(kPixelsHeight, kInchesHeight);
        }
        return true;
    }
    case kUpdateButton:
        Update();
        return true;
    case kResetButton:
        Reset();
        return true;
    default:
        return false;
    }
}

bool PageManager::Update() {
    const EditBox* widthEdit = Edit(kPixelsWidth);
    const EditBox* heightEdit = Edit(kPixelsHeight);
    int32_t width = 0;
    int32_t height = 0;
    if (!widthEdit || !heightEdit || !ReadWhole(widthEdit->GetText(), width) ||
        !ReadWhole(heightEdit->GetText(), height) || !m_operations.ResizePage(width, height)) {
        m_ui.ShowMessage(kRefused);
        return false;
    }
    m_profile.SetLayouts(std::to_string(width) + " " + std::to_string(height) + " " +
                         std::to_string(m_dotsPerInch));
    Reset();
    return true;
}

} // namespace ts
