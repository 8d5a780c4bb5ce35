#include "modes/paper_manager.h"

#include "model/board_textures.h"
#include "platform/profile_settings.h"
#include "raster/color_spaces.h"
#include "render/paper.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace ts {

namespace {

constexpr Rect kBackgroundRect{20, 37, 100, 57};
constexpr Rect kTextureRect{112, 37, 275, 57};
constexpr Rect kBackgroundAmountRect{300, 37, 493, 57};
constexpr Rect kPaintedAmountRect{510, 37, 675, 57};
constexpr Rect kDropperRect{690, 37, 750, 57};
constexpr Rect kWandRect{765, 37, 815, 57};
constexpr Rect kTextureDisplayRect{830, 37, 930, 57};

} // namespace

PaperManager::PaperManager(ImageStackManager& stack, Compositor& compositor, RefreshRequests& refresh,
                           UndoStore& undo, ImageCodec& codec, ProfileManager& profile, UserInterface& ui)
    : m_stack(stack), m_compositor(compositor), m_refresh(refresh), m_undo(undo), m_codec(codec),
      m_profile(profile), m_ui(ui),
      m_color(static_cast<uint32_t>(profile.Get(settings::kPaperColor)) & 0x00FFFFFF),
      m_chosenColor(m_color) {
    m_chosenTexture = std::clamp(profile.Get(settings::kPaperTextureIndex), 0, kNoneIndex);
}

int32_t PaperManager::TextureIndex() const {
    const LayerObject* paper = m_stack.Layer(ImageStackManager::kPaperIndex);
    return paper ? paper->paperTextureIndex : m_chosenTexture;
}

void PaperManager::PaperInstalled(uint32_t color) {
    m_color = color & 0x00FFFFFF;
    m_chosenColor = m_color;
    m_chosenTexture = TextureIndex();
    ShowChoices();
}

void PaperManager::ChooseTexture(int32_t index) {
    m_chosenTexture = std::clamp(index, 0, kNoneIndex);
    ShowChoices();
}

void PaperManager::ChooseBackgroundAmount(int32_t index) {
    m_chosenBackground = std::clamp(index, 0, 4);
    ShowChoices();
}

void PaperManager::ChoosePaintedAmount(int32_t index) {
    m_chosenPainted = std::clamp(index, 0, 4);
    ShowChoices();
}

ComboBox* PaperManager::Combo(int32_t id) const {
    return dynamic_cast<ComboBox*>(Panel().Find(id));
}

void PaperManager::CreatePanel() {
    ControlPanel& panel = MutablePanel();
    // Without an owner the button's command goes to the control bar, as a menu command.
    panel.Add<CHuecraftButton>(PanelParent(), kBackgroundRect, "Background", kBackgroundCommand, nullptr);
    ComboBox& texture = panel.Add<ComboBox>(PanelParent(), kTextureRect, "Texture", kPaperCommand, this);
    for (const BoardTexture& t : kBoardTextures) {
        texture.AddString(t.name);
    }
    ComboBox& background = panel.Add<ComboBox>(PanelParent(), kBackgroundAmountRect, "Background Amount",
                                               kBackgroundAmountCommand, this);
    ComboBox& painted =
        panel.Add<ComboBox>(PanelParent(), kPaintedAmountRect, "Painted Amount", kPaintedAmountCommand, this);
    for (const char* item : kAmountItems) {
        background.AddString(item);
        painted.AddString(item);
    }
    panel.Add<CHuecraftButton>(PanelParent(), kDropperRect, "Dropper", kDropperButton, this);
    panel.Add<CHuecraftButton>(PanelParent(), kWandRect, "Wand", kWandButton, this);
    panel.Add<CheckBox>(PanelParent(), kTextureDisplayRect, "Texture 1:1", kTextureDisplayBox, this)
        .SetCheck(m_compositor.paper.textureOneToOne);
}

void PaperManager::ShowChoices() {
    if (!PanelCreated()) {
        return;
    }
    Combo(kPaperCommand)->SetCurSel(m_chosenTexture);
    Combo(kBackgroundAmountCommand)->SetCurSel(m_chosenBackground);
    Combo(kPaintedAmountCommand)->SetCurSel(m_chosenPainted);
}

bool PaperManager::Activate() {
    ShowPanel();
    m_chosenTexture = TextureIndex();
    ShowChoices();
    return true;
}

bool PaperManager::Deactivate(int32_t /*how*/) {
    HidePanel();
    m_dropping = false;
    m_protected.clear();
    return true;
}

void PaperManager::OnPaletteColorChanged() {
    if (m_paletteColor) {
        ChooseColor(m_paletteColor());
        OnPanelCommand(kPaperCommand);
    }
}

bool PaperManager::OnPanelCommand(int32_t id) {
    if (PanelCreated()) {
        m_chosenTexture = std::clamp(Combo(kPaperCommand)->GetCurSel(), 0, kNoneIndex);
        m_chosenBackground = std::clamp(Combo(kBackgroundAmountCommand)->GetCurSel(), 0, 4);
        m_chosenPainted = std::clamp(Combo(kPaintedAmountCommand)->GetCurSel(), 0, 4);
    }
    switch (id) {
    case kDropperButton:
        SelectTool(m_dropper);
        return true;
    case kWandButton:
        SelectTool(m_wand);
        return true;
    case kTextureDisplayBox:
        OnAlternateView();
        return true;
    case kPaperCommand:
        if (m_chosenTexture == TextureIndex() && m_chosenColor == m_color) {
            return true;
        }
        return ChangePaper(m_chosenTexture, m_chosenColor, true);
    case kBackgroundAmountCommand:
    case kPaintedAmountCommand:
        m_compositor.paper.backgroundAmount = m_chosenBackground;
        m_compositor.paper.paintedAmount = m_chosenPainted;
        m_refresh.MarkStackFootprint();
        m_refresh.Refresh(kRefreshReason);
        return true;
    default:
        return false;
    }
}

std::unique_ptr<BMap> PaperManager::LoadPaper(int32_t textureIndex, uint32_t color) {
    const std::string path = m_profile.ProgramFolder() + kBoardFolder + BoardTextureAt(textureIndex).file;
    auto picture = std::make_unique<BMap>();
    if (!m_codec.Load(path, picture->pixels) || picture->pixels.Width() <= 0) {
        ShowFileError(m_ui, FileErrorCause::FileNotFound, path);
        return nullptr;
    }
    FlattenTexture(picture->pixels);
    TintTexture(picture->pixels, color & 0x00FFFFFF);
    return picture;
}

bool PaperManager::ChangePaper(int32_t textureIndex, uint32_t color, bool undoable) {
    LayerObject* paper = m_stack.Layer(ImageStackManager::kPaperIndex);
    if (!paper) {
        return false;
    }
    auto picture = LoadPaper(textureIndex, color);
    if (!picture) {
        return false;
    }
    if (undoable) {
        m_undo.SnapshotPaper();
    }
    paper->image = std::move(picture);
    paper->paperTextureIndex = std::clamp(textureIndex, 0, kNoneIndex);
    m_color = color & 0x00FFFFFF;
    m_chosenColor = m_color;
    m_chosenTexture = paper->paperTextureIndex;
    ShowChoices();
    // New drawings start on the board last chosen.
    m_profile.Set(settings::kPaperColor, static_cast<int32_t>(m_color));
    m_profile.Set(settings::kPaperTextureIndex, paper->paperTextureIndex);
    m_compositor.PaperChanged();
    m_refresh.MarkStackFootprint();
    m_refresh.Refresh(kRefreshReason);
    return true;
}

bool PaperManager::BuildPaper(int32_t textureIndex, uint32_t color) {
    return ChangePaper(textureIndex, color, false);
}

void PaperManager::SetTextureOneToOne(bool on) {
    if (m_compositor.paper.textureOneToOne == on) {
        return;
    }
    m_compositor.paper.textureOneToOne = on;
    if (PanelCreated()) {
        if (auto* box = dynamic_cast<CheckBox*>(Panel().Find(kTextureDisplayBox))) {
            box->SetCheck(on);
        }
    }
    m_refresh.MarkStackFootprint();
    m_refresh.Refresh(kTextureRefreshReason);
}

void PaperManager::OnAlternateView() {
    SetTextureOneToOne(!m_compositor.paper.textureOneToOne);
    if (m_prompt) {
        m_prompt->SetTemporaryPrompt(kTextureDisplayPrompt);
    }
}

void PaperManager::SelectTool(ScreenTool* tool) {
    if (m_toolView && tool) {
        m_toolView->SetTool(*tool);
    }
}

bool PaperManager::ColorAt(int32_t x, int32_t y, uint32_t& color) {
    if (!m_geometry) {
        return false;
    }
    const IntPoint p = m_geometry->ToDrawing(x, y);
    if (p.x < 0 || p.y < 0 || p.x >= m_stack.DrawingWidth() || p.y >= m_stack.DrawingHeight()) {
        return false;
    }
    uint8_t bgr[3] = {0, 0, 0};
    m_compositor.CompositeRow(p.y, p.x, 1, bgr, nullptr, nullptr, nullptr);
    color = MakeColor(bgr[2], bgr[1], bgr[0]);
    return true;
}

std::vector<uint32_t>::iterator PaperManager::FindProtected(uint32_t color) {
    return std::find_if(m_protected.begin(), m_protected.end(), [color](uint32_t p) {
        for (int shift = 0; shift < 24; shift += 8) {
            const int32_t a = static_cast<int32_t>(color >> shift & 0xFF);
            const int32_t b = static_cast<int32_t>(p >> shift & 0xFF);
            if (std::abs(a - b) > kProtectTolerance) {
                return false;
            }
        }
        return true;
    });
}

void PaperManager::DropAt(int32_t x, int32_t y) {
    uint32_t color = 0;
    if (!ColorAt(x, y, color) || FindProtected(color) != m_protected.end()) {
        return;
    }
    m_dropSums[0] += ColorRed(color);
    m_dropSums[1] += ColorGreen(color);
    m_dropSums[2] += ColorBlue(color);
    ++m_dropCount;
}

bool PaperManager::OnSamplePress(uint32_t /*flags*/, int32_t x, int32_t y) {
    m_dropping = true;
    m_dropSums[0] = m_dropSums[1] = m_dropSums[2] = 0;
    m_dropCount = 0;
    DropAt(x, y);
    return true; // the drag and the release follow
}

bool PaperManager::OnPaintDrag(uint32_t /*flags*/, int32_t x, int32_t y) {
    if (m_dropping) {
        DropAt(x, y);
    }
    return true;
}

bool PaperManager::OnPaintRelease(uint32_t /*flags*/, int32_t /*x*/, int32_t /*y*/) {
    if (!m_dropping) {
        return true;
    }
    m_dropping = false;
    if (m_dropCount == 0) {
        return true; // only protected colours or nothing of the drawing under the drag
    }
    const auto average = [this](int i) { return static_cast<uint8_t>(m_dropSums[i] / m_dropCount); };
    const uint32_t color = MakeColor(average(0), average(1), average(2));
    ChooseColor(color);
    return ChangePaper(TextureIndex(), color, true);
}

bool PaperManager::OnPaintPress(uint32_t /*flags*/, int32_t x, int32_t y) {
    uint32_t color = 0;
    if (!ColorAt(x, y, color)) {
        return false;
    }
    const auto found = FindProtected(color);
    if (found != m_protected.end()) {
        m_protected.erase(found);
    } else {
        m_protected.push_back(color);
    }
    return false; // a click, not a stroke
}

} // namespace ts
