#pragma once

#include "document/undo_store.h"
#include "interact/controls.h"
#include "interact/env.h"
#include "model/image_stack_manager.h"
#include "platform/image_codec.h"
#include "platform/profile_manager.h"
#include "platform/user_interface.h"
#include "render/compositor.h"
#include "render/refresh_requests.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace ts {

// The paper mode: the board texture and colour of the drawing, and how strongly the board's grain shows
// on unpainted pixels and through the paint.
class PaperManager final : public EnvEffect {
public:
    static constexpr const char* kTitle = "Board Selection";
    static constexpr const char* kPrompt = "Select paper from palette, adjust show-thru.";
    // The panel's "Background" button runs the frame's command that opens the custom backdrop mode.
    static constexpr int32_t kBackgroundCommand = 33524;
    static constexpr std::array<const char*, 5> kAmountItems{"-0%", "-25%", "-50%", "-75%", "-100%"};

    // Panel commands: the texture or the board colour changed; the two amount boxes.
    static constexpr int32_t kPaperCommand = 101;
    static constexpr int32_t kBackgroundAmountCommand = 102;
    static constexpr int32_t kPaintedAmountCommand = 103;

    static constexpr const char* kDropperPrompt = "Dropper: Drag on image to select board color.";
    static constexpr const char* kWandPrompt = "Wand: Protect colors.";
    static constexpr const char* kTextureDisplayPrompt = "Change texture display";
    static constexpr const char* kRefreshReason = "R_PaperManager";

    PaperManager(ImageStackManager& stack, Compositor& compositor, RefreshRequests& refresh, UndoStore& undo,
                 ImageCodec& codec, ProfileManager& profile, UserInterface& ui);

    // The board of the open drawing: texture index (0..26) and colour (0x00BBGGRR).
    int32_t TextureIndex() const;
    uint32_t BoardColor() const { return m_color; }
    // The texture and colour the panel shows; command 101 builds the board from them.
    void ChooseTexture(int32_t index);
    void ChooseColor(uint32_t color) { m_chosenColor = color & 0x00FFFFFF; }
    void ChooseBackgroundAmount(int32_t index);
    void ChoosePaintedAmount(int32_t index);

    // Runs a panel command with the chosen values (those the panel shows, once it exists). Board
    // changes can be undone.
    bool OnPanelCommand(int32_t id) override;

    // The mode: its panel is the "Background" button, the "Texture" list and the two amount lists.
    bool Activate() override;
    bool Deactivate(int32_t how) override;
    // The palette's new colour becomes the board colour.
    void OnPaletteColorChanged() override;
    void SetPaletteColorSource(std::function<uint32_t()> source) { m_paletteColor = std::move(source); }

    // Builds the board picture from a texture and a colour, without an undo record (undo itself uses it):
    // loaded, evened out, tinted and installed as the paper layer's picture; the drawing is
    // recomposited. A texture that cannot be loaded leaves the board as it was.
    bool BuildPaper(int32_t textureIndex, uint32_t color);
    // The board a new drawing got: its colour is remembered for the panel.
    void PaperInstalled(uint32_t color);

    // The View menu's "Texture 1:1": the grain at screen scale instead of in the view buffer.
    void SetTextureOneToOne(bool on);

private:
    static constexpr int32_t kNoneIndex = 26;
    void CreatePanel() override;
    // Shows the chosen values in the panel's lists.
    void ShowChoices();
    ComboBox* Combo(int32_t id) const;
    // The texture's picture, evened out and tinted; null (with the file message) when it cannot be read.
    std::unique_ptr<BMap> LoadPaper(int32_t textureIndex, uint32_t color);
    bool ChangePaper(int32_t textureIndex, uint32_t color, bool undoable);

    ImageStackManager& m_stack;
    Compositor& m_compositor;
    RefreshRequests& m_refresh;
    UndoStore& m_undo;
    ImageCodec& m_codec;
    ProfileManager& m_profile;
    UserInterface& m_ui;
    uint32_t m_color;
    int32_t m_chosenTexture = 0;
    uint32_t m_chosenColor;
    int32_t m_chosenBackground = 0;
    int32_t m_chosenPainted = 2;
    std::function<uint32_t()> m_paletteColor;
};

} // namespace ts
