#include "modes/paper_manager.h"

#include "model/board_textures.h"
#include "platform/profile_settings.h"
#include "render/paper.h"

#include <memory>

namespace ts {

namespace {

constexpr Rect kBackgroundRect{20, 37, 100, 57};
constexpr Rect kTextureRect{112, 37, 275, 57};
constexpr Rect kBackgroundAmountRect{300, 37, 493, 57};
constexpr Rect kPaintedAmountRect{510, 37, 675, 57};

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
    m_refresh.MarkStackFootprint();
    m_refresh.Refresh(kRefreshReason);
}

} // namespace ts
