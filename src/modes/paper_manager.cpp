#include "modes/paper_manager.h"

#include "model/board_textures.h"
#include "platform/profile_settings.h"
#include "render/paper.h"

#include <memory>

namespace ts {

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
}

bool PaperManager::OnPanelCommand(int32_t id) {
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
