#pragma once

#include "document/undo_store.h"
#include "interact/controls.h"
#include "interact/env.h"
#include "interact/environment_manager.h"
#include "interact/status_prompt.h"
#include "interact/view_geometry.h"
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
#include <vector>

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
    // Panel buttons: the board dropper and the wand tools, and the switch of the texture display.
    static constexpr int32_t kDropperButton = 104;
    static constexpr int32_t kWandButton = 105;
    static constexpr int32_t kTextureDisplayBox = 106;
    // A colour within this distance (per byte) of a protected colour is protected too: the board's
    // grain and the pencil's spread keep a colour from being one value.
    static constexpr int32_t kProtectTolerance = 16;

    static constexpr const char* kDropperPrompt = "Dropper: Drag on image to select board color.";
    static constexpr const char* kWandPrompt = "Wand: Protect colors.";
    static constexpr const char* kTextureDisplayPrompt = "Change texture display";
    static constexpr const char* kRefreshReason = "R_PaperManager";
    static constexpr const char* kTextureRefreshReason = "R_OnViewtexture";

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
    // "Change texture display": switches "Texture 1:1".
    void OnAlternateView() override;

    // The view and tools the mode's pointer gestures need (the workspace hands them in).
    void SetView(const ViewGeometry* geometry, StatusPrompt* prompt) {
        m_geometry = geometry;
        m_prompt = prompt;
    }
    void SetTools(ToolView* view, ScreenTool* dropper, ScreenTool* wand) {
        m_toolView = view;
        m_dropper = dropper;
        m_wand = wand;
    }
    // The dropper: a press and drag over the drawing collect the colours under the pointer (protected
    // colours left out); the release makes their average the board colour.
    bool OnSamplePress(uint32_t flags, int32_t x, int32_t y) override;
    bool OnPaintDrag(uint32_t flags, int32_t x, int32_t y) override;
    bool OnPaintRelease(uint32_t flags, int32_t x, int32_t y) override;
    // The wand: a click protects the colour under the pointer from the dropper (a second click on a
    // protected colour frees it). Protections last while the mode is current.
    bool OnPaintPress(uint32_t flags, int32_t x, int32_t y) override;
    const std::vector<uint32_t>& ProtectedColors() const { return m_protected; }

private:
    static constexpr int32_t kNoneIndex = 26;
    void CreatePanel() override;
    // Shows the chosen values in the panel's lists.
    void ShowChoices();
    ComboBox* Combo(int32_t id) const;
    // The texture's picture, evened out and tinted; null (with the file message) when it cannot be read.
    std::unique_ptr<BMap> LoadPaper(int32_t textureIndex, uint32_t color);
    bool ChangePaper(int32_t textureIndex, uint32_t color, bool undoable);
    // The drawing's composited colour under a view point; false off the drawing.
    bool ColorAt(int32_t x, int32_t y, uint32_t& color);
    // The protected colour near this one, or end.
    std::vector<uint32_t>::iterator FindProtected(uint32_t color);
    void DropAt(int32_t x, int32_t y);
    void SelectTool(ScreenTool* tool);

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
    const ViewGeometry* m_geometry = nullptr;
    StatusPrompt* m_prompt = nullptr;
    ToolView* m_toolView = nullptr;
    ScreenTool* m_dropper = nullptr;
    ScreenTool* m_wand = nullptr;
    std::vector<uint32_t> m_protected;
    bool m_dropping = false;
    uint64_t m_dropSums[3] = {0, 0, 0}; // red, green, blue
    uint64_t m_dropCount = 0;
};

} // namespace ts
