#include "modes/custom_backdrop_manager.h"

#include "model/board_textures.h"

#include <string>

namespace ts {

namespace {

// The files of the six textures: as chosen on the panel, and as restored.
constexpr std::array<const char*, 6> kChosenFiles{"PaperStandard1.jpg", "PaperNone.jpg",
                                                  "PaperCoarse1.jpg",   "PaperFine1.bmp",
                                                  "PaperFlannel1.jpg",  "PaperHerringbone1.jpg"};
constexpr std::array<const char*, 6> kRestoredFiles{"PaperStandard.jpg", "PaperNone.jpg",
                                                    "PaperCoarse.jpg",   "PaperFine.bmp",
                                                    "PaperFlannel.jpg",  "PaperHerringbone.jpg"};

constexpr Rect kTextureRect{112, 37, 275, 57};
constexpr Rect kComplementRect{300, 37, 420, 57};

} // namespace

CCustomBackdropManager::CCustomBackdropManager(ViewManager& view, RefreshRequests& refresh, ImageCodec& codec,
                                               ProfileManager& profile, UserInterface& ui)
    : EnvEffect(kCustomBackdropId), m_view(view), m_refresh(refresh), m_codec(codec), m_profile(profile),
      m_ui(ui) {}

void CCustomBackdropManager::CreatePanel() {
    ComboBox& texture =
        MutablePanel().Add<ComboBox>(PanelParent(), kTextureRect, "Texture", kTextureCommand, this);
    for (const char* item : kTextureItems) {
        texture.AddString(item);
    }
    texture.SetCurSel(m_chosenItem);
    MutablePanel()
        .Add<CheckBox>(PanelParent(), kComplementRect, "Complement", kColorCommand, this)
        .SetCheck(complement);
}

void CCustomBackdropManager::ChooseTexture(int32_t item) {
    m_chosenItem = item;
    if (auto* texture = dynamic_cast<ComboBox*>(Panel().Find(kTextureCommand))) {
        texture->SetCurSel(item);
    }
}

bool CCustomBackdropManager::Activate() {
    ShowPanel();
    // Back in the mode after the backdrop was switched to another kind: the texture chosen last time
    // returns, in its plain variant.
    if (m_loaded && m_view.BackdropState().kind != Backdrop::kCustomTexture) {
        RestoreTexture();
    }
    return true;
}

bool CCustomBackdropManager::Deactivate(int32_t /*how*/) {
    HidePanel();
    return true;
}

void CCustomBackdropManager::OnPaletteColorChanged() {
    OnPanelCommand(kColorCommand, PaletteColor());
}

bool CCustomBackdropManager::OnPanelCommand(int32_t id) {
    if (const auto* texture = dynamic_cast<const ComboBox*>(Panel().Find(kTextureCommand))) {
        m_chosenItem = texture->GetCurSel();
    }
    if (const auto* box = dynamic_cast<const CheckBox*>(Panel().Find(kColorCommand))) {
        complement = box->GetCheck();
    }
    return OnPanelCommand(id, PaletteColor());
}

bool CCustomBackdropManager::OnPanelCommand(int32_t id, uint32_t paletteColor) {
    if (id == kTextureCommand) {
        return LoadTexture(m_chosenItem, false);
    }
    if (id == kColorCommand) {
        m_color = (complement ? ~paletteColor : paletteColor) & 0x00FFFFFF;
        Show();
        return true;
    }
    return false;
}

bool CCustomBackdropManager::RestoreTexture() {
    return LoadTexture(m_item, true);
}

bool CCustomBackdropManager::LoadTexture(int32_t item, bool restoring) {
    if (item < 0 || item >= static_cast<int32_t>(kChosenFiles.size())) {
        return false;
    }
    const auto index = static_cast<size_t>(item);
    const std::string path =
        m_profile.ProgramFolder() + kBoardFolder + (restoring ? kRestoredFiles[index] : kChosenFiles[index]);
    Image24 texture;
    if (!m_codec.Load(path, texture) || texture.Width() <= 0) {
        ShowFileError(m_ui, FileErrorCause::FileNotFound, path);
        return false;
    }
    m_texture = std::move(texture);
    m_item = item;
    m_loaded = true;
    Show();
    return true;
}

void CCustomBackdropManager::Show() {
    m_view.SetCustomBackdrop(m_texture, m_color);
    m_refresh.MarkViewportSize();
    m_refresh.Refresh("R_CustomBackdrop");
}

} // namespace ts
