#include "workspace/workspace.h"

#include "files/tsl_file.h"
#include "platform/profile_settings.h"
#include "render/paper.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <iterator>
#include <optional>
#include <utility>
#include <vector>

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

    void ForgetFileName() override { m_w.drawingDocument.ForgetFileName(); }

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

    // Whole-drawing records hold the drawing file's compressed stream.
    bool SaveDrawing(std::vector<uint8_t>& block) override {
        return m_w.drawingDocument.SnapshotBlock(block);
    }
    // The page comes back with the drawing's size (an import may have fitted it to a layer); the
    // margins stay.
    bool LoadDrawing(const std::vector<uint8_t>& block) override {
        if (!m_w.drawingDocument.RestoreBlock(block)) {
            return false;
        }
        Page page = m_w.layerOperations.CurrentPage();
        const int32_t w = m_w.imageStack.DrawingWidth();
        const int32_t h = m_w.imageStack.DrawingHeight();
        if (w > 0 && h > 0 && (page.DrawingWidth() != w || page.DrawingHeight() != h)) {
            const int32_t marginX = page.width - page.printableWidth;
            const int32_t marginY = page.height - page.printableHeight;
            page.width = w * Page::kPagePixelsPerDrawingPixel;
            page.height = h * Page::kPagePixelsPerDrawingPixel;
            page.printableWidth = page.width - marginX > 4 ? page.width - marginX : page.width;
            page.printableHeight = page.height - marginY > 4 ? page.height - marginY : page.height;
            m_w.layerOperations.SetPage(page);
        }
        return true;
    }

private:
    Workspace& m_w;
};

// Connects the drawing files to the view: its size, the backdrop kept with a drawing, and the board.
class Workspace::FileHooks final : public DrawingDocumentHooks {
public:
    explicit FileHooks(Workspace& w) : m_w(w) {}

    void DrawingResized(int32_t width, int32_t height) override {
        m_w.viewManager.ResizeDrawing(width, height);
        m_w.refreshManager.MarkViewBufferSize();
        m_w.refreshManager.MarkViewportSize();
    }

    // The backdrop's kind and colour travel in the backdrop layer's offsets.
    std::optional<std::array<int32_t, 2>> BackdropSelection() override {
        const Backdrop& b = m_w.viewManager.BackdropState();
        return std::array<int32_t, 2>{b.kind, static_cast<int32_t>(b.color)};
    }

    // The custom texture travels as the backdrop layer's image (the splash pictures are program data).
    const Image24* BackdropPicture() override {
        const Image24& texture = m_w.viewManager.CustomBackdropTexture();
        return m_w.viewManager.BackdropState().kind == Backdrop::kCustomTexture && !texture.Empty() ? &texture
                                                                                                    : nullptr;
    }

    std::optional<std::array<int32_t, 3>> PaperAdjustments() override {
        const PaperSettings& paper = m_w.compositor.paper;
        return std::array<int32_t, 3>{PaperAmountStored(paper.backgroundAmount),
                                      PaperAmountStored(paper.paintedAmount), 0};
    }

    // Kinds that need no picture come back from their kind and colour, the custom texture from the
    // backdrop layer's image and the splash pictures from the program folder. Other values (an older
    // file's offsets) leave the backdrop as it is.
    void RestoreBackdrop(LayerObject& backdrop, int32_t kind, int32_t color) override {
        static constexpr int32_t kKinds[] = {
            Backdrop::kGreyAverage,       Backdrop::kAverage,    Backdrop::kWhite,
            Backdrop::kSelectedBoard,     Backdrop::kSystem,     Backdrop::kGreyAverageTextured,
            Backdrop::kAverageRecomputed, Backdrop::kCustomColor};
        if (kind >= Backdrop::kSplashSmall && kind <= Backdrop::kSplashLarge) {
            // The splash pictures of the program folder; a drawing that names a missing one keeps
            // the backdrop it had.
            static constexpr const char* kSplash[] = {"SplashS.tsl", "SplashM.tsl", "SplashL.tsl"};
            Image24 picture;
            if (CTslFile::ReadImageTsl(m_w.profile.ProgramFolder() + kSplash[kind - Backdrop::kSplashSmall],
                                       picture)) {
                m_w.viewManager.SetSplash(std::move(picture));
                m_w.viewManager.SetBackdropKind(kind);
                m_w.refreshManager.MarkViewportSize();
            }
            return;
        }
        if (kind == Backdrop::kCustomTexture) {
            if (backdrop.image && !backdrop.image->pixels.Empty()) {
                m_w.viewManager.SetCustomBackdrop(backdrop.image->pixels, static_cast<uint32_t>(color));
                m_w.refreshManager.MarkViewportSize();
            }
            return;
        }
        if (std::find(std::begin(kKinds), std::end(kKinds), kind) == std::end(kKinds)) {
            return;
        }
        if (kind == Backdrop::kCustomColor) {
            m_w.viewManager.SetCustomBackdropColor(static_cast<uint32_t>(color));
        }
        m_w.viewManager.SetBackdropKind(kind);
        m_w.refreshManager.MarkViewportSize();
    }

    // A drawing was saved or opened under a name: the window shows it and the drawing counts as saved.
    void TitleChanged(const std::string& title) override {
        m_w.MarkSaved();
        if (m_w.titleChanged) {
            m_w.titleChanged(title);
        }
    }

    std::optional<bool> HasUnsavedChanges() override { return m_w.HasUnsavedChanges(); }

    // The loaded board's picture was tinted to its colour: its average is the board colour.
    void PaperLoaded(LayerObject& paper) override {
        m_w.compositor.PaperChanged();
        if (paper.image) {
            m_w.paperManager.PaperInstalled(paper.image->AverageColor());
        }
        // The show-through settings saved with the drawing; a file without them keeps the present ones.
        if (const int32_t background = PaperAmountRead(paper.paperAdjust[0]); background >= 0) {
            m_w.compositor.paper.backgroundAmount = background;
            m_w.paperManager.ChooseBackgroundAmount(background);
        }
        if (const int32_t painted = PaperAmountRead(paper.paperAdjust[1]); painted >= 0) {
            m_w.compositor.paper.paintedAmount = painted;
            m_w.paperManager.ChoosePaintedAmount(painted);
        }
    }

private:
    Workspace& m_w;
};

// Follows the switch of modes: the board's grain is shown at screen scale ("Texture 1:1") only while
// the paper or the select mode is current.
class Workspace::ModeLinks final : public EnvironmentObserver {
public:
    explicit ModeLinks(Workspace& w) : m_w(w) {}

    void ModeEntered(Env& mode) override {
        // Going back to the select mode drops a line being drawn.
        if (&mode == &m_w.selectManager && m_w.rubberLine.IsActive()) {
            m_w.rubberLine.Abort();
        }
        const bool grain = &mode == &m_w.selectManager || &mode == &m_w.paperManager;
        if (grain != m_w.viewManager.ScreenGrain()) {
            m_w.viewManager.SetScreenGrain(grain);
            if (m_w.compositor.paper.textureOneToOne) {
                m_w.refresh.MarkViewportSize();
            }
        }
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
      drawingDocument(imageStack, layerOperations, refresh, ui, codec, profile, compositor),
      paperManager(imageStack, compositor, refresh, undoStore, codec, profile, ui),
      customBackdropManager(viewManager, refresh, codec, profile, ui), pencilManager(toolListings, ui),
      paletteManager(toolListings, pencilManager, profile, ui), statusPrompt(ui),
      statusIndicators(ui, imageStack), viewGeometry(viewManager, imageStack),
      overlayPainter(viewManager, viewWindow), brushOutline(overlayPainter, viewGeometry),
      environmentManager(statusPrompt, viewWindow, refresh), toolSlot(brushOutline),
      panManager(viewGeometry, refresh),
      zoomManager(viewGeometry, refresh, toolSlot, overlayPainter, statusIndicators),
      toolContext{viewGeometry, viewWindow,  statusPrompt, environmentManager, toolSlot,
                  panManager,   zoomManager, brushOutline, imageStack},
      selectionDetector(imageStack, compositor.switches),
      selectManager(imageStack, undoStore, layerOperations, refresh, profile, ui, viewWindow, overlayPainter,
                    viewGeometry),
      idleManager(refresh, [this] { viewInput.ResetDragState(); }),
      selectTool(toolContext, selectManager, selectionDetector), zoomTool(toolContext),
      viewInput(toolSlot, environmentManager, zoomManager, panManager, overlayPainter, brushOutline,
                viewGeometry, viewWindow, refresh),
      m_hooks(std::make_unique<Hooks>(*this)), m_undoLinks(std::make_unique<UndoLinks>(*this)),
      m_fileHooks(std::make_unique<FileHooks>(*this)), m_modeLinks(std::make_unique<ModeLinks>(*this)) {
    drawingDocument.SetHooks(m_fileHooks.get());
    layerOperations.SetHooks(m_hooks.get());
    undoStore.SetHooks(m_undoLinks.get());
    unitsManager.unitsChanged = [this] { environmentManager.OnUnitsChanged(); };
    BuildCommands();
    BuildPainting();
    BuildGrid();
    BuildPageAndPreferences();
    BuildLines();
    BuildMeasure();
    BuildPrinting();
    BuildLettering();
    BuildOffsetShadow();
    BuildImport();
    BuildSketchFrame();
    BuildScanning();
    BuildTransfer();
    BuildCrop();
    BuildMorph();
    ConnectPalettes();
    ReadLayerDefaults();
    // Interaction: the overlays in drawing order over the selection frame, the way back to the select
    // mode, and the tool and mode the program starts with.
    overlayPainter.Add(zoomManager);
    overlayPainter.Add(brushOutline);
    overlayPainter.Add(segmentOverlay);
    overlayPainter.Add(rubberLine);
    environmentManager.Connect(toolSlot, selectTool, selectManager, idleManager);
    environmentManager.AddObserver(m_modeLinks.get());
    toolSlot.SetQuickSwitchKeepers(&selectTool, &scalingTool);
    viewInput.SetSelectTool(&selectTool);
    imageStack.SetListener(&statusIndicators);
    toolSlot.SetTool(selectTool);
}

Workspace::~Workspace() = default;

void Workspace::ReadLayerDefaults() {
    LayerDefaults defaults;
    defaults.scale[kTargetPaperWidth] = Inches(profile, settings::kTargetPaperWidth);
    defaults.scale[kTargetPaperHeight] = Inches(profile, settings::kTargetPaperHeight);
    defaults.scale[kPaperWidth] = Inches(profile, settings::kPaperWidth);
    defaults.scale[kPaperHeight] = Inches(profile, settings::kPaperHeight);
    defaults.scale[kResolution] = profile.Get(settings::kResolution);
    imageStack.SetLayerDefaults(defaults);
}

bool Workspace::LoadGrain() {
    Image24 picture;
    if (!codec.Load(profile.ProgramFolder() + "Textures/ED/PencilShadow.png", picture)) {
        ui.ShowMessage("Textures\\ED\\PencilShadow.png is missing");
        return false;
    }
    compositor.SetGrainMask(Compositor::BuildGrainMask(picture));
    return compositor.GrainMask() != nullptr;
}

void Workspace::FitDrawingInView(int32_t clientWidth, int32_t clientHeight) {
    // The drawing fits above the palette strip.
    paletteManager.LayoutStrip(clientWidth, clientHeight);
    const Rect& strip = paletteManager.Strip().Area();
    if (!strip.IsEmpty() && strip.top > 0 && strip.top < clientHeight) {
        clientHeight = strip.top;
    }
    const int32_t w = imageStack.DrawingWidth();
    const int32_t h = imageStack.DrawingHeight();
    int32_t s = 1;
    while (s < 64 && (w > clientWidth * s || h > clientHeight * s || !IsValidZoom(s == 1 ? 1 : -s))) {
        ++s;
    }
    viewManager.SetZoom(s == 1 ? 1 : -s);
    viewManager.SetOrigin(std::min(0, (w - clientWidth * s) / 2), std::min(0, (h - clientHeight * s) / 2));
    viewGeometry.Clamp();
    statusIndicators.UpdateZoom(viewManager.Zoom());
    refresh.MarkViewportSize();
}

bool Workspace::AskToSaveFirst() {
    if (!HasUnsavedChanges()) {
        return true;
    }
    switch (ui.AskYesNoCancel("Do you wish to save the current drawing?")) {
    case Answer::No:
        return true;
    case Answer::Cancel:
        return false;
    default:
        return drawingDocument.SaveEnabled() ? drawingDocument.Save() : drawingDocument.SaveAs();
    }
}

bool Workspace::OpenRecentDrawing(int32_t place) {
    const std::string path = profile.Recent(RecentList::Drawings).Entry(place);
    if (path.empty() || !AskToSaveFirst()) {
        return false;
    }
    WaitCursor wait(ui);
    if (!drawingDocument.OpenDrawing(path, false)) {
        return false;
    }
    MarkSaved();
    return true;
}

bool Workspace::NewDrawingAfterAsking() {
    if (!AskToSaveFirst() || !layerOperations.NewDrawing()) {
        return false;
    }
    drawingDocument.ForgetFileName();
    MarkSaved();
    return true;
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
