#pragma once

#include "interact/controls.h"
#include "interact/env.h"
#include "platform/image_codec.h"
#include "platform/profile_manager.h"
#include "platform/user_interface.h"
#include "render/refresh_requests.h"
#include "render/view_manager.h"

#include <array>
#include <cstdint>
#include <functional>

namespace ts {

// The custom backdrop mode: a texture and a colour for the area around the drawing.
class CCustomBackdropManager final : public EnvEffect {
public:
    static constexpr const char* kTitle = "Custom Backdrop";
    static constexpr const char* kPrompt = "Select backdrop color and texture.";
    static constexpr int32_t kTextureCommand = 101;
    static constexpr int32_t kColorCommand = 102;
    static constexpr std::array<const char*, 6> kTextureItems{"Standard",   "None",    "Coarse Weave",
                                                              "Fine Weave", "Flannel", "Herringbone"};

    CCustomBackdropManager(ViewManager& view, RefreshRequests& refresh, ImageCodec& codec,
                           ProfileManager& profile, UserInterface& ui);

    int32_t TextureItem() const { return m_item; }
    void ChooseTexture(int32_t item);
    // The "Complement" check box: command 102 takes the complement of the palette colour.
    bool complement = false;

    // Command 101 loads the chosen texture; command 102 takes the palette's current colour. Both switch
    // the backdrop to the custom texture and colour.
    bool OnPanelCommand(int32_t id, uint32_t paletteColor);
    // A panel control changed: the "Texture" list (101) or the "Complement" box (102), with the
    // palette's current colour.
    bool OnPanelCommand(int32_t id) override;
    bool Activate() override;
    bool Deactivate(int32_t how) override;
    // The backdrop takes the palette's new colour.
    void OnPaletteColorChanged() override;
    void SetPaletteColorSource(std::function<uint32_t()> source) { m_paletteColor = std::move(source); }
    // Loads the backdrop texture of the previous choice again (its plain variant); entering the mode
    // does so when the backdrop was switched away from the custom texture since.
    bool RestoreTexture();

private:
    void CreatePanel() override;
    uint32_t PaletteColor() const { return m_paletteColor ? m_paletteColor() : 0x00FFFFFF; }
    bool LoadTexture(int32_t item, bool restoring);
    void Show();

    ViewManager& m_view;
    RefreshRequests& m_refresh;
    ImageCodec& m_codec;
    ProfileManager& m_profile;
    UserInterface& m_ui;
    int32_t m_item = 0;
    int32_t m_chosenItem = 0;
    bool m_loaded = false; // a texture has been loaded
    uint32_t m_color = 0x00FFFFFF;
    Image24 m_texture;
    std::function<uint32_t()> m_paletteColor;
};

} // namespace ts
