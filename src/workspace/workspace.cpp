#include "workspace/workspace.h"

#include "platform/profile_settings.h"
#include "render/paper.h"

#include <cstdlib>
#include <utility>

namespace ts {

namespace {

double Inches(ProfileManager& profile, const TextSetting& setting) {
    const double v = std::atof(profile.Get(setting).c_str());
    return v > 0 ? v : std::atof(setting.defaultValue);
}

} // namespace

// Connects the layer commands to the view: the paper picture is evened out and tinted, and the view
// follows the drawing's size.
class Workspace::Hooks final : public LayerOperationHooks {
public:
    explicit Hooks(Workspace& w) : m_w(w) {}

    void PreparePaper(LayerObject& paper, int32_t /*textureIndex*/, uint32_t color) override {
        if (paper.image) {
            FlattenTexture(paper.image->pixels);
            TintTexture(paper.image->pixels, color);
        }
        m_w.compositor.PaperChanged();
        m_w.paperManager.PaperInstalled(color);
    }

    void DrawingResized(int32_t width, int32_t height) override {
        m_w.viewManager.ResizeDrawing(width, height);
        m_w.refreshManager.MarkViewBufferSize();
        m_w.refreshManager.MarkViewportSize();
    }

private:
    Workspace& m_w;
};

// What the undo store asks of the rest of the program.
class Workspace::UndoLinks final : public UndoHooks {
public:
    explicit UndoLinks(Workspace& w) : m_w(w) {}

    bool GetPaper(int32_t& textureIndex, uint32_t& color) override {
        if (!m_w.imageStack.Layer(ImageStackManager::kPaperIndex)) {
            return false;
        }
        textureIndex = m_w.paperManager.TextureIndex();
        color = m_w.paperManager.BoardColor();
        return true;
    }

    void SetPaper(int32_t textureIndex, uint32_t color) override {
        m_w.paperManager.BuildPaper(textureIndex, color);
    }

private:
    Workspace& m_w;
};

Workspace::Workspace(UserInterface& userInterface, SettingsStore& settings, ImageCodec& imageCodec,
                     std::string programFolder, std::unique_ptr<RefreshRequests> refreshOverride)
    : ui(userInterface), codec(imageCodec), profile(settings, std::move(programFolder)),
      compositor(imageStack), viewManager(compositor), refreshManager(viewManager, ui),
      m_refreshOverride(std::move(refreshOverride)),
      refresh(m_refreshOverride ? *m_refreshOverride : static_cast<RefreshRequests&>(refreshManager)),
      undoStore(imageStack, ui, refresh), layerOperations(imageStack, undoStore, refresh, ui, codec, profile),
      paperManager(imageStack, compositor, refresh, undoStore, codec, profile, ui),
      customBackdropManager(viewManager, refresh, codec, profile, ui),
      m_hooks(std::make_unique<Hooks>(*this)), m_undoLinks(std::make_unique<UndoLinks>(*this)) {
    layerOperations.SetHooks(m_hooks.get());
    undoStore.SetHooks(m_undoLinks.get());
    // A new layer's scale settings come from the profile.
    LayerDefaults defaults;
    defaults.scale[kTargetPaperWidth] = Inches(profile, settings::kTargetPaperWidth);
    defaults.scale[kTargetPaperHeight] = Inches(profile, settings::kTargetPaperHeight);
    defaults.scale[kPaperWidth] = Inches(profile, settings::kPaperWidth);
    defaults.scale[kPaperHeight] = Inches(profile, settings::kPaperHeight);
    defaults.scale[kResolution] = profile.Get(settings::kResolution);
    imageStack.SetLayerDefaults(defaults);
}

Workspace::~Workspace() = default;

bool Workspace::LoadGrain() {
    Image24 picture;
    if (!codec.Load(profile.ProgramFolder() + "Textures/ED/PencilShadow.png", picture)) {
        ui.ShowMessage("Textures\\ED\\PencilShadow.png is missing");
        return false;
    }
    compositor.SetGrainMask(Compositor::BuildGrainMask(picture));
    return compositor.GrainMask() != nullptr;
}

bool Workspace::RunBackdropCommand(int32_t command) {
    for (const BackdropCommand& c : kBackdropCommands) {
        if (c.command == command) {
            viewManager.SetBackdropKind(c.kind);
            refresh.MarkViewportSize();
            refresh.Refresh(c.reason);
            return true;
        }
    }
    return false;
}

} // namespace ts
