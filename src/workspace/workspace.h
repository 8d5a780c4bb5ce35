#pragma once

#include "document/drawing_document.h"
#include "document/layer_operations.h"
#include "document/undo_store.h"
#include "import/cad_import.h"
#include "import/import_image_processor.h"
#include "interact/environment_manager.h"
#include "interact/overlays.h"
#include "interact/rubber_line.h"
#include "interact/screen_tool.h"
#include "interact/select_manager.h"
#include "interact/select_tool.h"
#include "interact/selection.h"
#include "interact/status_prompt.h"
#include "interact/view_geometry.h"
#include "interact/view_input.h"
#include "interact/view_window.h"
#include "interact/zoom_manager.h"
#include "measure/units_manager.h"
#include "model/image_stack_manager.h"
#include "modes/blue_ghost.h"
#include "modes/crop_manager.h"
#include "modes/custom_backdrop_manager.h"
#include "modes/dropper_manager.h"
#include "modes/eraser_manager.h"
#include "modes/extract.h"
#include "modes/gradient_manager.h"
#include "modes/layer_effects.h"
#include "modes/lift_manager.h"
#include "modes/lighting_set.h"
#include "modes/line_manager.h"
#include "modes/line_tools.h"
#include "modes/marker_effect.h"
#include "modes/measure.h"
#include "modes/merge_brush.h"
#include "modes/offset_shadow_manager.h"
#include "modes/page_manager.h"
#include "modes/painting_tools.h"
#include "modes/paper_manager.h"
#include "modes/postcard_addresses.h"
#include "modes/print_manager.h"
#include "modes/scale_grid.h"
#include "modes/selection_morph.h"
#include "modes/shadow_manager.h"
#include "modes/sketch_frame.h"
#include "modes/surface_manager.h"
#include "modes/text_tool_manager.h"
#include "palette/palette_manager.h"
#include "palette/pencil_manager.h"
#include "palette/tool_listings.h"
#include "platform/headless_font_service.h"
#include "platform/image_codec.h"
#include "platform/profile_manager.h"
#include "platform/scanner.h"
#include "platform/settings_store.h"
#include "platform/user_interface.h"
#include "render/brush_ts.h"
#include "render/compositor.h"
#include "render/dynamic_buffer_set.h"
#include "render/refresh_manager.h"
#include "render/view_manager.h"
#include "workspace/command_table.h"

#include <functional>
#include <memory>
#include <string>

namespace ts {

// Owns every process-wide object of the program: the layer stack, the view pipeline, the undo store,
// the settings, the layer commands and, as they arrive, the modes and the tools. The application makes
// exactly one; every test makes its own. The platform services are handed in and outlive it.
class Workspace {
public:
    // The program folder ends with '/'; data files are found below it. Tests may hand in their own
    // recorder of refresh requests in place of the view's refresh manager.
    Workspace(UserInterface& ui, SettingsStore& settings, ImageCodec& codec, std::string programFolder,
              std::unique_ptr<RefreshRequests> refreshOverride = nullptr);
    ~Workspace();
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    // Reads the pencil-shadow grain; shows the program's message when it is missing.
    bool LoadGrain();
    // A Backdrop menu command (the kinds of the menu); false for an id that is not one.
    bool RunBackdropCommand(int32_t command);
    // The zoom that shows the whole drawing in a client area of this size, centred.
    void FitDrawingInView(int32_t clientWidth, int32_t clientHeight);
    // Before the drawing is replaced (New, Open, a dropped file, Exit): when it holds unsaved work, asks
    // "Do you wish to save the current drawing?" and saves on Yes. False when the user cancelled or
    // the save failed: the drawing must then stay.
    bool AskToSaveFirst();
    bool HasUnsavedChanges() const { return undoStore.Changes() != m_savedChanges; }
    void MarkSaved() { m_savedChanges = undoStore.Changes(); }
    // "Recent File1" .. "Recent File10": asks first, then opens the drawing at that place of the list.
    bool OpenRecentDrawing(int32_t place);
    // "&New Drawing": asks first, then makes the new drawing, untitled.
    bool NewDrawingAfterAsking();
    // Told the window title whenever the drawing's file name changes.
    std::function<void(const std::string&)> titleChanged;
    // Runs a command as a menu click does; false when it is unknown or disabled.
    bool RunCommand(int32_t id);
    // The palettes at start-up: the Palettes folder is checked, the commercial boards read and the
    // first palette shown.
    void StartPalettes();
    // Lays the palette strip out along the bottom of a client area of this size.
    void LayoutPalette(int32_t clientWidth, int32_t clientHeight);
    // Told when a right click on the palette strip asks for the strip's menu (client point).
    std::function<void(int32_t, int32_t)> paletteMenuRequested;

    UserInterface& ui;
    ImageCodec& codec;
    ProfileManager profile;
    ImageStackManager imageStack;
    Compositor compositor;
    ViewManager viewManager;
    RefreshManager refreshManager;

private:
    std::unique_ptr<RefreshRequests> m_refreshOverride;

public:
    // Where the drawing operations send their refresh requests: the refresh manager, or the override.
    RefreshRequests& refresh;
    UndoStore undoStore;
    LayerOperations layerOperations;
    DrawingDocument drawingDocument;
    PaperManager paperManager;
    CCustomBackdropManager customBackdropManager;
    CommandTable commands;
    ToolListings toolListings;
    PencilManager pencilManager;
    PaletteManager paletteManager;
    PaletteManager& Palettes() { return paletteManager; }
    // The unit distances are shown in; a change is passed on to the current mode.
    UnitsManager unitsManager;
    // "Import CAD Lines" and the launch with a plain PNG.
    CadLineImport cadImport{imageStack, layerOperations, undoStore, refresh, ui, profile};
    // Pictures and drawings brought in as layers.
    ImportImageProcessor importImage{imageStack, undoStore, refresh, ui, codec, profile, drawingDocument};

    // Interaction: the status bar texts, the view window's services, the modes' switch, the tools and
    // the view's input routing. The application points viewWindow at its view and feeds viewInput.
    StatusPrompt statusPrompt;
    StatusIndicators statusIndicators;
    ViewWindowRelay viewWindow;
    ViewGeometry viewGeometry;
    OverlayPainter overlayPainter;
    BrushOutline brushOutline;
    EnvironmentManager environmentManager;
    ToolSlot toolSlot;
    PanManager panManager;
    ZoomManager zoomManager;
    ToolContext toolContext;
    SelectionDetector selectionDetector;
    SelectManager selectManager;
    IdleManager idleManager;
    EscapeManager escapeManager;
    SelectTool selectTool;
    ZoomTool zoomTool;
    ViewInput viewInput;
    // The feedback line of the line, ray and offset-shadow tools, drawn over the other overlays.
    RubberLine rubberLine{toolContext, overlayPainter, refresh};

    // Painting: the stroke engine with the shared brush footprint, the painting modes and their tools
    // (wired together by BuildPainting).
    DynamicBufferSet strokeEngine;
    BrushTS brush;
    PaintingContext paintingContext{imageStack,     refresh,         undoStore,    ui,
                                    paletteManager, layerOperations, viewGeometry, toolSlot,
                                    strokeEngine,   brush,           statusPrompt};
    SurfaceManager surfaceManager{paintingContext, compositor.switches};
    EraserManager eraserManager{paintingContext};
    ShadowManager shadowManager{paintingContext};
    LightingSet lightingSet{paintingContext, shadowManager};
    // The whole-layer effects of the Layer menu.
    LightingLevels lightingLevels{paintingContext};
    ColorAdjust colorAdjust{paintingContext};
    GradientManager gradientManager{paintingContext};
    MarkerEffect markerEffect{paintingContext};
    SurfacePaintTool surfacePaintTool{toolContext};
    SurfaceHueTool surfaceHueTool{toolContext};
    SurfaceSaturationTool surfaceSaturationTool{toolContext};
    SurfaceValueTool surfaceValueTool{toolContext};
    SurfaceEraserTool surfaceEraserTool{toolContext};
    SurfaceSampleTool surfaceSampleTool{toolContext};
    BoardEraser boardEraser{toolContext};
    BoardDropperTool boardDropper{toolContext};
    BoardWandTool boardWand{toolContext};
    ShadowPaintTool shadowPaintTool{toolContext};
    ShadowBlendTool shadowBlendTool{toolContext};
    ShadowSampleTool shadowSampleTool{toolContext};
    ShadowEraser shadowEraser{toolContext};
    EraserTool eraserTool{toolContext, cmd::kEraserTool};
    // The grid over the drawing: its set-up mode and the tool that clicks its origin.
    ScaleGrid scaleGrid{viewManager, imageStack, refresh, profile, toolSlot};
    OriginTool originTool{toolContext, scaleGrid};
    // Page > Layout: the size of the page the drawing lies on.
    PageManager pageManager{layerOperations, imageStack, profile, ui};
    // File > Preferences...: the dialog over the stored preferences; OK stores every value and the
    // layers made afterwards take the new paper and resolution. False when cancelled or refused.
    bool EditPreferences();
    // Lines: the line mode, the overlay of the segments of the line being drawn, and the line tools.
    SegmentOverlay segmentOverlay{imageStack, viewGeometry};
    LineManager lineManager{paintingContext, environmentManager, compositor.switches,
                            rubberLine,      overlayPainter,     segmentOverlay};
    PointTool pointTool{toolContext, rubberLine};
    RayTool rayTool{toolContext, rubberLine};
    OffsetLineTool offsetLineTool{toolContext};
    OffsetRayTool offsetRayTool{toolContext};
    LinePartialSegmentEraserTool partialSegmentEraser{toolContext};
    LineEraserTool lineEraserTool{toolContext};
    LineDropperTool lineDropperTool{toolContext};
    ColoredPencilTool coloredPencilTool{toolContext};
    // Measuring: the mode that calibrates and measures, its tool, and the snap every tool asks.
    Measure measure{
        MeasureContext{imageStack, ui, statusPrompt, profile, unitsManager, toolSlot, scaleGrid, rubberLine}};
    ScalingTool scalingTool{toolContext, measure};
    // Printing: the print mode over the printer the platform hands in (the headless one until then).
    HeadlessPrinter headlessPrinter;
    PrintManager printManager{imageStack, compositor,      viewManager, ui,
                              profile,    drawingDocument, refresh,     overlayPainter};
    PostCardAddresses postcardAddresses{ui, profile, profile.ProgramFolder()};
    // The offset shadow: its mode and the two-click tool that gives the offset.
    OffsetShadowManager offsetShadowManager{paintingContext, rubberLine};
    OffsetShadowTool offsetShadowTool{toolContext, rubberLine};
    // The sketch frame: the mode that draws a perspective room grid on a layer of its own, and its tool.
    SketchFrame sketchFrame{paintingContext, profile};
    SketchFrameTool sketchFrameTool{toolContext, sketchFrame};
    // Between layers: the merge brush, the lift and the dropper, with their tools.
    MaskManager maskManager{paintingContext};
    LiftManager liftManager{paintingContext};
    DropperManager dropperManager{paintingContext, environmentManager, lineManager, surfaceManager,
                                  shadowManager};
    MaskTool maskTool{toolContext, cmd::kBrushOnMerge};
    LiftTool liftTool{toolContext, cmd::kLift};
    DropperTool dropperTool{toolContext, cmd::kDropperTool};
    // "Mask": the layer "Mask" (made when there is none) becomes current in the lighting mode.
    bool PaintMaskLayer();
    // Page > Size: the crop/expand mode and its hand; the Layer menu's Crop, Expand and Fit.
    LayerCropper layerCropper{imageStack, undoStore, layerOperations, refresh, ui};
    CCropManager cropManager{imageStack, layerCropper,   unitsManager, refresh,
                             toolSlot,   overlayPainter, viewGeometry};
    CropTool cropTool{toolContext, cropManager};
    // The selection transform: the morph mode with its quadrilateral, and its tool.
    SelectionMorph selectionMorph{imageStack, undoStore, refresh, ui, overlayPainter, viewGeometry};
    MorphTool morphTool{toolContext, selectionMorph, cmd::kMorphTool};
    // The painting tools by class name, as scripts name them; null for an unknown name.
    ScreenTool* PaintingToolNamed(const std::string& name);
    // Lettering: the text engine over the platform's fonts (box glyphs until the platform hands in its
    // own), the lettering-tool mode with its tool, and the mode that edits lettering.
    HeadlessFontService headlessFonts;
    TextManager textManager{imageStack, undoStore, refresh, ui};
    TextToolManager textToolManager{paintingContext, textManager, compositor.switches};
    TextEntryManager textEntryManager;
    TextTool textTool{toolContext, cmd::kTextTool};
    // The fonts the lettering is drawn with; the service outlives the workspace.
    void SetFontService(FontService& fonts) { textManager.SetFontService(&fonts); }
    // Extraction: the mode, the imports of an image of a kind (0 photo, 1 lines, 2 type) from a file or
    // a capture of the screen, and the capture the platform provides (false: none made).
    Extract extract{paintingContext, profile};
    bool ImportImageOfKind(int32_t kind, bool fromScreen);
    // After a picture of lines (1) or type (2) became the current layer: the Extract mode, one
    // extraction, and the explanation. False for a photo or when the current layer holds no picture.
    bool ExtractAfterImport(int32_t kind);
    std::function<bool(Image24&)> captureScreen;
    // Scanning: the scanner the platform hands in (the headless one until then), the RoviDivod, its
    // mode and the tool that drags its area and aligns a scan by hand.
    HeadlessScanner headlessScanner;
    Scanner* scanner = &headlessScanner;
    RoviDivod roviDivod{imageStack, undoStore, refresh, ui, profile, compositor};
    BlueGhost blueGhost{roviDivod, printManager, selectManager, imageStack, refresh, statusPrompt, toolSlot};
    AlignmentTool alignmentTool{toolContext, blueGhost};
    // A scan imported as a layer of the kind (0 picture, 1 lines, 2 type); false when it was cancelled,
    // failed ("Unable to scan.") or could not be imported, and then nothing changed.
    bool AcquireScan(const ScanRequest& request, int32_t kind);
    // The RoviDivod scan: 300 dpi colour, one page, named "Scanned RoviDivod", then the scanback.
    bool ScanRoviDivod();

private:
    void BuildCommands();
    // The palette commands, the palette's links to the view, the modes and the strip's input.
    void ConnectPalettes();
    void BuildPainting();
    void BuildGrid();
    void BuildPageAndPreferences();
    // A new layer's scale settings: the stored paper sizes and resolution.
    void ReadLayerDefaults();
    void BuildLines();
    void BuildMeasure();
    void BuildPrinting();
    void BuildLettering();
    void BuildOffsetShadow();
    void BuildImport();
    void BuildSketchFrame();
    void BuildScanning();
    void BuildTransfer();
    ScreenTool* TransferToolNamed(const std::string& name);
    void BuildCrop();
    void BuildMorph();
    bool AnyUnselectedDimmed() const;
    void ToggleDimUnselected();
    void ToggleShowSelectedOnly();
    void ToggleShow(bool& shown, uint32_t bit);

    class Hooks;
    class UndoLinks;
    class FileHooks;
    class ModeLinks;
    std::unique_ptr<Hooks> m_hooks;
    std::unique_ptr<UndoLinks> m_undoLinks;
    std::unique_ptr<FileHooks> m_fileHooks;
    std::unique_ptr<ModeLinks> m_modeLinks;
    std::unique_ptr<KeyCommands> m_keyCommands;
    class PaletteLinks;
    std::shared_ptr<PaletteLinks> m_paletteLinks; // shared: defined with the palette wiring
    uint64_t m_savedChanges = 0;
};

} // namespace ts
