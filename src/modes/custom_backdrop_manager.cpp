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

} // namespace

CCustomBackdropManager::CCustomBackdropManager(ViewManager& view, RefreshRequests& refresh, ImageCodec& codec,
                                               ProfileManager& profile, UserInterface& ui)
    : m_view(view), m_refresh(refresh), m_codec(codec), m_profile(profile), m_ui(ui) {}

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
    Show();
    return true;
}

void CCustomBackdropManager::Show() {
    m_view.SetCustomBackdrop(m_texture, m_color);
    m_refresh.MarkViewportSize();
    m_refresh.Refresh("R_CustomBackdrop");
}

} // namespace ts
