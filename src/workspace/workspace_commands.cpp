// The command table: every menu command and panel button, in menu order, with its handler.

#include "workspace/workspace.h"

namespace ts {

namespace {

struct Item {
    int32_t id;
    const char* menu;
    const char* text;
    const char* prompt;
    const char* accelerator;
    int32_t tooltip;
};

// The menus in order. Prompts in quotes of the design are kept; the rest say what the item does.
constexpr Item kItems[] = {
    {cmd::kNew, "File", "&New Drawing", "Create a new drawing", "Ctrl+N", 47},
    {cmd::kOpen, "File", "Open", "Open a drawing (.ts.png, .png or .tsl)", "Ctrl+O", 48},
    {cmd::kRestore, "File", "Restore", "Reload the temporary copy of the drawing", "", 365},
    {cmd::kSave, "File", "&Save", "Save the active drawing", "Ctrl+S", 49},
    {cmd::kSaveAs, "File", "Save As", "Save a copy of the drawing, using a new name.", "", 50},
    {cmd::kSaveTempCopy, "File", "Save Temp Copy", "Write a temporary copy of the drawing", "", 366},
    {cmd::kImportCadLines, "File", "Import CAD Lines", "Import a line image as a CAD layer", "", 367},
    {cmd::kExportImage, "File", "Export to Image", "Create an image file from the drawing.", "", 51},
    {cmd::kLoadLayerFile, "File", "Load Layer", "Add the layers of a layer file to the drawing", "", 336},
    {cmd::kSaveLayerAs, "File", "Save Layer As", "Save only the selected layer into a separate ts.png file",
     "", 0},
    {cmd::kPrintManager, "File", "Print Manager", "Print the drawing", "Ctrl+P", 52},
    {cmd::kPostcardFront, "File/Postcards", "Print Postcard Front",
     "Print the drawing on the front of a postcard.", "", 0},
    {cmd::kPostcardBack, "File/Postcards", "Print Postcard Back", "Print the back of the postcard.", "", 0},
    {cmd::kPostcardAddress, "File/Postcards", "Set Postcard Address", "Set Next address for printing.", "",
     0},
    {cmd::kPostcardNextAddress, "File/Postcards", "Display Next Address", "Show the next address to print.",
     "", 0},
    {cmd::kPostcardResetIndex, "File/Postcards", "Reset Address Index", "Start again at the first address.",
     "", 0},
    {cmd::kPreferences, "File", "Preferences...", "Change default settings.", "", 53},
    {cmd::kRecentFile1 + 0, "File", "Recent File1", "Open this drawing", "", 0},
    {cmd::kRecentFile1 + 1, "File", "Recent File2", "Open this drawing", "", 0},
    {cmd::kRecentFile1 + 2, "File", "Recent File3", "Open this drawing", "", 0},
    {cmd::kRecentFile1 + 3, "File", "Recent File4", "Open this drawing", "", 0},
    {cmd::kRecentFile1 + 4, "File", "Recent File5", "Open this drawing", "", 0},
    {cmd::kRecentFile1 + 5, "File", "Recent File6", "Open this drawing", "", 0},
    {cmd::kRecentFile1 + 6, "File", "Recent File7", "Open this drawing", "", 0},
    {cmd::kRecentFile1 + 7, "File", "Recent File8", "Open this drawing", "", 0},
    {cmd::kRecentFile1 + 8, "File", "Recent File9", "Open this drawing", "", 0},
    {cmd::kRecentFile1 + 9, "File", "Recent File10", "Open this drawing", "", 0},
    {cmd::kExit, "File", "E&xit", "Quit the application", "", 54},

    {cmd::kDimUnselected, "View", "Dim UnSelected Layers", "Dim every layer but the selected one", "D", 0},
    {cmd::kShowSelectedOnly, "View", "Show Selected Layer Only", "Hide every layer but the selected one", "O",
     0},
    {cmd::kTextureOneToOne, "View", "Texture 1:1", "Show the board's grain at screen scale", "T", 0},
    {cmd::kShowLines, "View", "Show Lines", "Show or hide the lines", "L", 0},
    {cmd::kShowLighting, "View", "Show Lighting", "Show or hide the lighting", "I", 0},
    {cmd::kShowColorAreas, "View", "Show Color Areas", "Show or hide the coloured areas", "C", 0},
    {cmd::kShowOpacity, "View", "Show Opacity", "Show opaque paper in black", "Q", 314},
    {cmd::kBackdropAverage, "View/Backdrop", "Average Color",
     "Surround the drawing with the board's average colour", "", 0},
    {cmd::kBackdropBackground, "View/Backdrop", "Background", "Select backdrop color and texture.", "", 0},
    {cmd::kBackdropSystem, "View/Backdrop", "System", "Surround the drawing with the desktop's colour", "",
     0},
    {cmd::kBackdropWhite, "View/Backdrop", "White", "Surround the drawing with white", "", 0},
    {cmd::kUnitInches + 0, "View/Units", "Inches", "Display distances in inches.", "", 0},
    {cmd::kUnitInches + 1, "View/Units", "Feet", "Display distances in feet.", "", 0},
    {cmd::kUnitInches + 2, "View/Units", "Millimeters", "Display distances in millimeters.", "", 0},
    {cmd::kUnitInches + 3, "View/Units", "Centimeters", "Display distances in centimeters.", "", 0},
    {cmd::kUnitInches + 4, "View/Units", "Meters", "Display distances in meters.", "", 0},
    {cmd::kUnitInches + 5, "View/Units", "Pixels", "Display distances in pixels.", "", 0},
    {cmd::kGridSetup, "View", "Grid Setup", "Configure the grid.", "", 0},
    {cmd::kGridOrigin, "View/Grid Origin", "Set Origin", "Set the position of the grid origin.", "", 0},
    {cmd::kGridPreviousOrigin, "View/Grid Origin", "Previous Origin", "Set grid origin at previous position.",
     "", 0},
    {cmd::kGridResetOrigin, "View/Grid Origin", "Upper Left Corner",
     "Set grid origin at the upper left corner of the design.", "", 0},
    {cmd::kMeasure, "View", "Measure", "Measure distances on the layer.", "M", 220},

    {cmd::kPaletteLoad, "Palette", "Load", "Load a palette file", "", 0},
    {cmd::kPaletteSave, "Palette", "Save", "Save the palette to a file", "", 0},
    {cmd::kPaletteRecent, "Palette", "Recent", "Show the recently used colours", "F2", 0},
    {cmd::kPaletteDrawing, "Palette", "Drawing", "Show the colours of the drawing", "F3", 0},
    // The menu reads F4 for the pencils; the key F4 itself shows the first loaded palette when there is one.
    {cmd::kPalettePencils, "Palette", "Pencils\tF4", "Show the pencils", "F9", 0},
    {cmd::kPaletteHue, "Palette", "Hue", "Show colours by hue", "F5", 0},
    {cmd::kPaletteSaturation, "Palette", "Saturation", "Show colours by saturation", "F6", 0},
    {cmd::kPaletteBrightness, "Palette", "Brightness", "Show colours by brightness", "F7", 0},
    {cmd::kAddColor, "Palette", "Add Color", "Add the current colour to the palette", "", 0},
    {cmd::kRemoveColor, "Palette", "Remove Color", "Remove the current colour from the palette", "", 0},
    {cmd::kNameColor, "Palette", "Name Color", "Name the current colour", "", 0},
    {cmd::kFindColor, "Palette", "Find Color", "Find a colour by name", "", 0},
    {cmd::kAverageDrawingColor, "Palette", "Average Drawing Color", "Take the drawing's average colour", "",
     318},
    {cmd::kRecentPalette1 + 0, "Palette", "Recent Palette1", "Load this palette", "", 0},
    {cmd::kRecentPalette1 + 1, "Palette", "Recent Palette2", "Load this palette", "", 0},
    {cmd::kRecentPalette1 + 2, "Palette", "Recent Palette3", "Load this palette", "", 0},
    {cmd::kRecentPalette1 + 3, "Palette", "Recent Palette4", "Load this palette", "", 0},
    {cmd::kPaletteSlot1 + 0, "Palette", " \tF10", "Show the palette loaded last", "F10", 0},
    {cmd::kPaletteSlot1 + 1, "Palette", " \tF11", "Show the palette loaded before it", "F11", 0},
    {cmd::kPaletteSlot1 + 2, "Palette", " \tF12", "Show the palette loaded before that", "F12", 0},

    {cmd::kPageBackground, "Page", "Background", "Choose the board texture and colour", "", 0},
    {cmd::kRotate90Ccw, "Page/Rotate", "90 CCW", "Turn the drawing a quarter turn counter-clockwise", "", 0},
    {cmd::kRotate90Cw, "Page/Rotate", "90 CW", "Turn the drawing a quarter turn clockwise", "", 0},
    {cmd::kRotate180, "Page/Rotate", "180", "Turn the drawing half a turn", "", 0},
    {cmd::kPageSize, "Page", "Size", "Crop or expand the drawing", "", 0},
    {cmd::kPageLayout, "Page", "Layout", "Check Page Size.", "", 0},

    {cmd::kBrushOnMerge, "Layer", "Brush-on Merge", "Brush the layer below into the selected layer", "", 258},
    {cmd::kCenterHorizontally, "Layer/Center", "Horizontally", "Center the layer horizontally", "", 0},
    {cmd::kCenterVertically, "Layer/Center", "Vertically", "Center the layer vertically", "", 0},
    {cmd::kCenterBoth, "Layer/Center", "Both", "Center the layer", "", 0},
    {cmd::kClone, "Layer", "Clone", "Copy the selected layer", "", 0},
    {cmd::kColorAdjust, "Layer", "Color Adust", "Adjust the colours of the layer", "", 316},
    {cmd::kCropFullPage, "Layer/Crop", "To Full Page", "Crop the layer to the page", "", 0},
    {cmd::kCropPrintable, "Layer/Crop", "To Printable Area", "Crop the layer to the printable area", "", 0},
    {cmd::kDelete, "Layer", "Delete", "Delete the selected layer", "Del", 0},
    {cmd::kExpandFullPage, "Layer/Expand", "To Full Page", "Expand the layer to the page", "", 0},
    {cmd::kFitFullPage, "Layer/Fit", "To Full Page", "Fit the layer to the page", "", 0},
    {cmd::kFitPrintable, "Layer/Fit", "To Printable Area", "Fit the layer to the printable area", "", 0},
    {cmd::kFlipHorizontally, "Layer/Flip", "Horizontally", "The left side will become the right side.", "",
     0},
    {cmd::kFlipVertically, "Layer/Flip", "Vertically", "The top will become the bottom.", "", 0},
    {cmd::kLift, "Layer", "Lift", "Lift colour off the layer", "", 311},
    {cmd::kLightingColor, "Layer", "Lighting Color", "Colour the lighting of the layer", "", 218},
    {cmd::kLightingGradient, "Layer", "Lighting Gradient", "Light the layer with a gradient", "", 358},
    {cmd::kLightingLevels, "Layer", "Lighting Levels", "Adjust the lighting levels of the layer", "", 317},
    {cmd::kLayerLoad, "Layer", "Load", "Load a layer from a file", "", 0},
    {cmd::kMarkerStrokes, "Layer", "Marker Strokes", "Give the colour marker strokes", "", 357},
    {cmd::kMask, "Layer", "Mask", "Mask the layer", "", 310},
    {cmd::kMerge, "Layer", "Merge", "Merge the selected layer with its partner", "", 0},
    {cmd::kMinimize, "Layer", "Minimize", "Shrink the layer to its contents", "", 315},
    {cmd::kName, "Layer", "Name", "Name the selected layer", "", 221},
    {cmd::kNewBlankSmall, "Layer/New Blank", "Small", "Add a blank layer of half the drawing's size", "",
     222},
    {cmd::kNewBlankPrintable, "Layer/New Blank", "Printable Area",
     "Add a blank layer over the printable area", "", 223},
    {cmd::kNewBlankFullPage, "Layer/New Blank", "Full Page", "Add a blank layer over the whole page", "",
     224},
    {cmd::kOffsetShadow, "Layer", "OffsetShadow", "Cast an offset shadow of the layer", "", 219},
    {cmd::kOrderUpOne, "Layer/Order", "Up One", "Move the layer up one place", "Ctrl+PgUp", 0},
    {cmd::kOrderDownOne, "Layer/Order", "Down One", "Move the layer down one place", "Ctrl+PgDown", 0},
    {cmd::kOrderToFront, "Layer/Order", "To Front", "Move the layer to the top", "Ctrl+Shift+PgUp", 0},
    {cmd::kOrderToRear, "Layer/Order", "To Rear", "Move the layer to the bottom", "Ctrl+Shift+PgDown", 0},
    {cmd::kLayerSave, "Layer", "Save", "Save the selected layer", "", 0},
    {cmd::kSelectUp, "Layer/Select", "Select Layer One Up", "Select the layer above", "PgUp", 0},
    {cmd::kSelectDown, "Layer/Select", "Select Layer One Down", "Select the layer below", "PgDown", 0},
    {cmd::kSelectBottom, "Layer/Select", "Select Bottom Layer", "Select the bottom layer", "Shift+PgDown", 0},
    {cmd::kSelectTop, "Layer/Select", "Select Top Layer", "Select the top layer", "Shift+PgUp", 0},

    {cmd::kAbout, "Help", "&About Tintsmith 2006...", "Show the program's version", "", 0},
    {cmd::kKeyConcepts, "Help", "4 Key Concepts", "Open the tutorial in the browser", "", 0},
    {cmd::kHelp, "Help", "Online Help", "Open the help", "F1", 0},
    {cmd::kShowTooltips, "Help", "Show Tooltips", "Switch the tooltips on or off", "", 320},
    {cmd::kHelperPrompts, "Help", "Helper Prompts", "Switch the helper prompts on or off", "", 321},

    {cmd::kBackdropSelectedBoard, "", "Selected Board", "Surround the drawing with the selected board", "",
     0},
    {cmd::kMargins, "", "Margins", "Set the margin of a fitted print", "", 0},
    {cmd::kUndo, "", "Undo", "Undo the last change", "Ctrl+Z", 55},
    {cmd::kRedo, "", "Redo", "Redo the change undone last", "Ctrl+Y", 57},
};

// The commands that open a dialog or change the drawing as a whole: the current mode is left for the
// select mode before they run. The view switches, the palettes, the layer selection and Save keep the
// mode (Page Up in the colour mode stays there; a palette is chosen while painting).
constexpr int32_t kLeaveModeFirst[] = {
    cmd::kNew,
    cmd::kOpen,
    cmd::kRestore,
    cmd::kSaveAs,
    cmd::kImportCadLines,
    cmd::kExportImage,
    cmd::kLoadLayerFile,
    cmd::kSaveLayerAs,
    cmd::kPreferences,
    cmd::kRotate90Ccw,
    cmd::kRotate90Cw,
    cmd::kRotate180,
    cmd::kPageSize,
    cmd::kCenterHorizontally,
    cmd::kCenterVertically,
    cmd::kCenterBoth,
    cmd::kClone,
    cmd::kCropFullPage,
    cmd::kCropPrintable,
    cmd::kDelete,
    cmd::kExpandFullPage,
    cmd::kFitFullPage,
    cmd::kFitPrintable,
    cmd::kFlipHorizontally,
    cmd::kFlipVertically,
    cmd::kLayerLoad,
    cmd::kMerge,
    cmd::kMinimize,
    cmd::kName,
    cmd::kNewBlankSmall,
    cmd::kNewBlankPrintable,
    cmd::kNewBlankFullPage,
    cmd::kOrderUpOne,
    cmd::kOrderDownOne,
    cmd::kOrderToFront,
    cmd::kOrderToRear,
    cmd::kLayerSave,
};

// The keys of the View menu's switches run their menu commands.
class KeyCommandRunner final : public KeyCommands {
public:
    explicit KeyCommandRunner(Workspace& w) : m_w(w) {}
    void RunKeyCommand(Action action) override {
        switch (action) {
        case kKeyShowColorAreas:
            m_w.RunCommand(cmd::kShowColorAreas);
            break;
        case kKeyShowLighting:
            m_w.RunCommand(cmd::kShowLighting);
            break;
        case kKeyShowLines:
            m_w.RunCommand(cmd::kShowLines);
            break;
        case kKeyShowSelectedOnly:
            m_w.RunCommand(cmd::kShowSelectedOnly);
            break;
        case kKeyTextureOneToOne:
            m_w.RunCommand(cmd::kTextureOneToOne);
            break;
        case kKeyShowOpacity:
            m_w.RunCommand(cmd::kShowOpacity);
            break;
        case kKeyMeasureToggleP:
            m_w.measure.TogglePolar();
            break;
        case kKeyMeasureToggleR:
            m_w.measure.ToggleRelative();
            break;
        case kKeyMeasureToggleS:
            m_w.measure.ToggleSnap();
            break;
        }
    }

private:
    Workspace& m_w;
};

} // namespace

void Workspace::BuildCommands() {
    m_keyCommands = std::make_unique<KeyCommandRunner>(*this);
    viewInput.SetKeyCommands(m_keyCommands.get());
    for (const Item& item : kItems) {
        Command c;
        c.id = item.id;
        c.menu = item.menu;
        c.text = item.text;
        c.prompt = item.prompt;
        c.accelerator = item.accelerator;
        c.tooltip = item.tooltip;
        commands.Add(std::move(c));
    }
    for (const int32_t id : kLeaveModeFirst) {
        commands.Find(id)->returnsToSelect = true;
    }
    for (int32_t i = 0; i < 10; ++i) {
        commands.Find(cmd::kRecentFile1 + i)->dynamicText = [this, i] {
            return RecentMenuText(profile.Recent(RecentList::Drawings), i);
        };
    }
    auto on = [this](int32_t id, std::function<void()> run, std::function<bool()> enabled = nullptr,
                     std::function<bool()> checked = nullptr) {
        Command* c = commands.Find(id);
        if (!c) {
            return;
        }
        c->run = std::move(run);
        c->enabled = std::move(enabled);
        c->checked = std::move(checked);
    };
    auto hasLayer = [this] { return imageStack.CurrentLayer() != nullptr && imageStack.Current() >= 2; };
    auto drawing = [this] { return imageStack.Count() >= 2; };
    auto layerCommand = [&](int32_t id, std::function<void()> run) { on(id, std::move(run), hasLayer); };

    on(cmd::kNew, [this] { NewDrawingAfterAsking(); });
    for (int32_t i = 0; i < 10; ++i) {
        on(
            cmd::kRecentFile1 + i, [this, i] { OpenRecentDrawing(i); },
            [this, i] { return !profile.Recent(RecentList::Drawings).Entry(i).empty(); });
    }
    on(cmd::kOpen, [this] { drawingDocument.Open(); });
    on(
        cmd::kSave,
        [this] {
            // A quick save keeps the name: nothing else tells the workspace the work is stored.
            if (drawingDocument.Save()) {
                MarkSaved();
            }
        },
        [this] { return drawingDocument.SaveEnabled(); });
    on(
        cmd::kSaveAs, [this] { drawingDocument.SaveAs(); }, drawing);
    on(
        cmd::kSaveTempCopy, [this] { drawingDocument.SaveTempCopy(); }, drawing);
    on(
        cmd::kRestore, [this] { drawingDocument.Restore(); },
        [this] { return drawingDocument.TemporaryCopyPresent(); });
    on(
        cmd::kExportImage, [this] { drawingDocument.ExportDesign(); }, drawing);
    on(
        cmd::kLoadLayerFile, [this] { drawingDocument.LoadLayer(); }, drawing);
    on(
        cmd::kLayerLoad, [this] { drawingDocument.LoadLayer(); }, drawing);
    on(
        cmd::kImportCadLines, [this] { cadImport.ChooseAndImport(); }, drawing);
    cadImport.drawingResized = [this](int32_t width, int32_t height) {
        viewManager.ResizeDrawing(width, height);
        refreshManager.MarkViewBufferSize();
        refreshManager.MarkViewportSize();
    };
    layerCommand(cmd::kSaveLayerAs, [this] { drawingDocument.SaveLayerAs(); });
    layerCommand(cmd::kLayerSave, [this] { drawingDocument.SaveLayerAs(); });

    on(
        cmd::kDimUnselected, [this] { ToggleDimUnselected(); }, drawing,
        [this] { return AnyUnselectedDimmed(); });
    on(
        cmd::kShowSelectedOnly, [this] { ToggleShowSelectedOnly(); }, drawing,
        [this] { return compositor.switches.showSelectedOnly; });
    on(
        cmd::kTextureOneToOne, [this] { paperManager.SetTextureOneToOne(!compositor.paper.textureOneToOne); },
        drawing, [this] { return compositor.paper.textureOneToOne; });
    on(
        cmd::kShowLines, [this] { ToggleShow(compositor.switches.showLines, kShowLines); }, drawing,
        [this] { return compositor.switches.showLines; });
    on(
        cmd::kShowLighting, [this] { ToggleShow(compositor.switches.showLighting, kShowLighting); }, drawing,
        [this] { return compositor.switches.showLighting; });
    on(
        cmd::kShowColorAreas, [this] { ToggleShow(compositor.switches.showColor, kShowSurface); }, drawing,
        [this] { return compositor.switches.showColor; });
    on(
        cmd::kShowOpacity,
        [this] {
            compositor.switches.showOpacity = !compositor.switches.showOpacity;
            refresh.MarkStackFootprint();
            refresh.Refresh("R_ShowOpacity");
        },
        drawing, [this] { return compositor.switches.showOpacity; });
    for (const BackdropCommand& b : kBackdropCommands) {
        const int32_t id = b.command;
        on(
            id, [this, id] { RunBackdropCommand(id); }, nullptr,
            [this, kind = b.kind] { return viewManager.BackdropState().kind == kind; });
    }

    on(
        cmd::kRotate90Ccw, [this] { layerOperations.DesignRotate(90); }, drawing);
    on(
        cmd::kRotate90Cw, [this] { layerOperations.DesignRotate(270); }, drawing);
    on(
        cmd::kRotate180, [this] { layerOperations.DesignRotate(180); }, drawing);

    layerCommand(cmd::kCenterHorizontally, [this] { layerOperations.Center(CenterAxis::kHorizontal); });
    layerCommand(cmd::kCenterVertically, [this] { layerOperations.Center(CenterAxis::kVertical); });
    layerCommand(cmd::kCenterBoth, [this] { layerOperations.Center(CenterAxis::kBoth); });
    layerCommand(cmd::kClone, [this] { layerOperations.Clone(); });
    layerCommand(cmd::kDelete, [this] { layerOperations.DeleteCurrent(); });
    layerCommand(cmd::kFlipHorizontally, [this] { layerOperations.FlipHorizontal(); });
    layerCommand(cmd::kFlipVertically, [this] { layerOperations.FlipVertical(); });
    layerCommand(cmd::kMerge, [this] { layerOperations.Merge(); });
    layerCommand(cmd::kMinimize, [this] { layerOperations.Minimize(); });
    layerCommand(cmd::kName, [this] { layerOperations.Name(); });
    on(
        cmd::kNewBlankSmall, [this] { layerOperations.NewBlankLayer(BlankLayerSize::kSmall); }, drawing);
    on(
        cmd::kNewBlankPrintable, [this] { layerOperations.NewBlankLayer(BlankLayerSize::kPrintableArea); },
        drawing);
    on(
        cmd::kNewBlankFullPage, [this] { layerOperations.NewBlankLayer(BlankLayerSize::kFullPage); },
        drawing);
    layerCommand(cmd::kOrderUpOne, [this] { layerOperations.UpOne(); });
    layerCommand(cmd::kOrderDownOne, [this] { layerOperations.DownOne(); });
    layerCommand(cmd::kOrderToFront, [this] { layerOperations.ToFront(); });
    layerCommand(cmd::kOrderToRear, [this] { layerOperations.ToRear(); });
    on(
        cmd::kSelectUp, [this] { layerOperations.SelectUp(); }, drawing);
    on(
        cmd::kSelectDown, [this] { layerOperations.SelectDown(); }, drawing);
    on(
        cmd::kSelectBottom, [this] { layerOperations.SelectBottom(); }, drawing);
    on(
        cmd::kSelectTop, [this] { layerOperations.SelectTop(); }, drawing);

    on(
        cmd::kUndo,
        [this] {
            if (environmentManager.LeaveBeforeUndo()) {
                environmentManager.ReturnToSelect();
            }
            undoStore.Undo();
        },
        [this] { return undoStore.UndoCount() > 0; });
    on(
        cmd::kRedo,
        [this] {
            if (environmentManager.LeaveBeforeRedo()) {
                environmentManager.ReturnToSelect();
            }
            undoStore.Redo();
        },
        [this] { return undoStore.RedoCount() > 0; });
    for (int32_t code = UnitsManager::kInches; code <= UnitsManager::kPixels; ++code) {
        on(
            cmd::kUnitInches + code, [this, code] { unitsManager.SetUnit(code); },
            [this] { return unitsManager.UnitsMenuEnabled(); },
            [this, code] { return unitsManager.IsUnit(code); });
    }
    on(cmd::kPageBackground,
       [this] { environmentManager.EnterMode(&paperManager, PaperManager::kTitle, PaperManager::kPrompt); });
    on(cmd::kBackdropBackground, [this] {
        environmentManager.EnterMode(&customBackdropManager, CCustomBackdropManager::kTitle,
                                     CCustomBackdropManager::kPrompt);
    });
}

bool Workspace::AnyUnselectedDimmed() const {
    for (int32_t i = ImageStackManager::kFirstDrawingLayer; i < imageStack.Count(); ++i) {
        if (i != imageStack.Current() && imageStack.Layer(i)->dimmed) {
            return true;
        }
    }
    return false;
}

void Workspace::ToggleDimUnselected() {
    const bool dim = !AnyUnselectedDimmed();
    for (int32_t i = ImageStackManager::kFirstDrawingLayer; i < imageStack.Count(); ++i) {
        if (i != imageStack.Current()) {
            imageStack.Layer(i)->dimmed = dim;
        }
    }
    refresh.MarkStackFootprint();
    refresh.Refresh("R_DimUnselectedLayers");
}

void Workspace::ToggleShowSelectedOnly() {
    // The compositor draws only the current layer while the switch is on, so the view follows the
    // selection; the layers' own hidden bits stay the user's.
    compositor.switches.showSelectedOnly = !compositor.switches.showSelectedOnly;
    refresh.MarkStackFootprint();
    refresh.Refresh("R_ShowSelectedLayerOnly");
}

void Workspace::ToggleShow(bool& shown, uint32_t bit) {
    shown = !shown;
    const char* reason = "R_SetSurfaceVisibility";
    if (bit == kShowLines) {
        imageStack.SetLinesVisible(shown);
        reason = "R_SetLineVisibility";
    } else if (bit == kShowLighting) {
        imageStack.SetLightingVisible(shown);
        reason = "R_SetLightingVisibility";
    } else {
        imageStack.SetSurfaceVisible(shown);
    }
    refresh.MarkStackFootprint();
    refresh.Refresh(reason);
}

bool Workspace::RunCommand(int32_t id) {
    if (!commands.Enabled(id)) {
        return false;
    }
    // A command may read any part of the view buffer (the backdrop kinds, the print preview).
    refreshManager.FinishCompositing();
    // The current mode finishes what it holds before any command acts; the commands that open a
    // dialog or change the whole drawing leave it for the select mode.
    if (commands.Find(id)->commitsFirst) {
        environmentManager.Commit(0);
    }
    if (commands.Find(id)->returnsToSelect) {
        environmentManager.ReturnToSelect();
    }
    return commands.Run(id);
}

} // namespace ts
