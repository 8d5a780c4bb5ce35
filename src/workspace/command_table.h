#pragma once

#include "platform/recent_file_list.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace ts {

// Every command id of the program in one place. The Backdrop, palette and tool commands keep their
// historic ids; the File commands use the framework's; the others are numbered here, clear of those.
namespace cmd {
inline constexpr int32_t kNew = 57600;
inline constexpr int32_t kOpen = 57601;
inline constexpr int32_t kSave = 57603;
inline constexpr int32_t kSaveAs = 57604;
inline constexpr int32_t kRecentFile1 = 57616; // .. kRecentFile1 + 9
inline constexpr int32_t kExit = 57665;
inline constexpr int32_t kAbout = 57664;
inline constexpr int32_t kHelp = 57670;

inline constexpr int32_t kRestore = 33100;
inline constexpr int32_t kSaveTempCopy = 33101;
inline constexpr int32_t kImportCadLines = 33517;
inline constexpr int32_t kExportImage = 33103;
inline constexpr int32_t kLoadLayerFile = 33104;
inline constexpr int32_t kSaveLayerAs = 33105;
inline constexpr int32_t kPrintManager = 33106;
// Printing: the print mode's margin edit, and the postcard commands with their historic ids.
inline constexpr int32_t kMargins = 33108;
inline constexpr int32_t kPostcardBack = 33292;
inline constexpr int32_t kPostcardFront = 33293;
inline constexpr int32_t kPostcardAddress = 33299;
inline constexpr int32_t kPostcardNextAddress = 33765;
inline constexpr int32_t kPostcardResetIndex = 33766;
inline constexpr int32_t kPreferences = 33107;

inline constexpr int32_t kDimUnselected = 33120;
inline constexpr int32_t kShowSelectedOnly = 33121;
inline constexpr int32_t kTextureOneToOne = 33122;
inline constexpr int32_t kShowLines = 33123;
inline constexpr int32_t kShowLighting = 33124;
inline constexpr int32_t kShowColorAreas = 33125;
inline constexpr int32_t kShowOpacity = 33126;
// View > Units: distances in inches, feet, millimetres, centimetres, metres, pixels (unit codes 0-5).
inline constexpr int32_t kUnitInches = 33740; // .. + 5
// View: the grid set-up mode and the three grid origin commands.
inline constexpr int32_t kGridSetup = 33750;
inline constexpr int32_t kGridOrigin = 33751;
inline constexpr int32_t kGridPreviousOrigin = 33752;
inline constexpr int32_t kGridResetOrigin = 33753;
// View: the measure mode (also the key M).
inline constexpr int32_t kMeasure = 33754;
inline constexpr int32_t kBackdropAverage = 32990;
inline constexpr int32_t kBackdropBackground = 33524;
inline constexpr int32_t kBackdropSystem = 32985;
inline constexpr int32_t kBackdropWhite = 32872;
inline constexpr int32_t kBackdropSelectedBoard = 32869;

// The palette commands keep their historic ids.
inline constexpr int32_t kPaletteLoad = 33221;
inline constexpr int32_t kPaletteSave = 33222;
inline constexpr int32_t kPaletteRecent = 33154;
inline constexpr int32_t kPaletteDrawing = 33151;
inline constexpr int32_t kPalettePencils = 32993;
inline constexpr int32_t kPaletteHue = 33165;
inline constexpr int32_t kPaletteSaturation = 33166;
inline constexpr int32_t kPaletteBrightness = 33168;
inline constexpr int32_t kAddColor = 33227;
inline constexpr int32_t kRemoveColor = 33228;
inline constexpr int32_t kNameColor = 33226;
inline constexpr int32_t kFindColor = 33229;
inline constexpr int32_t kAverageDrawingColor = 33439;
inline constexpr int32_t kRecentPalette1 = 33262; // .. + 3
// The palette strip: the loaded slots (F10-F12), the keys F4 and F8, and the strip's own menu.
inline constexpr int32_t kPaletteSlot1 = 33223; // .. + 2
inline constexpr int32_t kPaletteSlotOrPencils = 32992;
inline constexpr int32_t kPaletteParticles = 33170;
inline constexpr int32_t kPaletteLowFirst = 33045;
inline constexpr int32_t kPaletteHighFirst = 33046;
inline constexpr int32_t kPaletteSortLuminance = 33054;
inline constexpr int32_t kPaletteSortHue = 33048;
inline constexpr int32_t kPaletteSortChroma = 33047;
inline constexpr int32_t kSwatchSize16 = 33050; // .. + 3: 16, 20, 24, 32 pixels
inline constexpr int32_t kPaletteCondensed = 33049;
inline constexpr int32_t kPaletteBoard = 33415;
inline constexpr int32_t kPaletteLighting = 33416;
// The strip's menu in order; 0 stands for a separator.
inline constexpr int32_t kPaletteStripMenu[] = {kPaletteCondensed,     0,
                                                kPaletteBoard,         kPaletteParticles,
                                                kPaletteLighting,      0,
                                                kPaletteLowFirst,      kPaletteHighFirst,
                                                kPaletteSortLuminance, kPaletteSortHue,
                                                kPaletteSortChroma,    0,
                                                kSwatchSize16,         kSwatchSize16 + 1,
                                                kSwatchSize16 + 2,     kSwatchSize16 + 3};

inline constexpr int32_t kPageBackground = 33180;
inline constexpr int32_t kRotate90Ccw = 33181;
inline constexpr int32_t kRotate90Cw = 33182;
inline constexpr int32_t kRotate180 = 33183;
inline constexpr int32_t kPageSize = 33184;
inline constexpr int32_t kPageLayout = 33185;

inline constexpr int32_t kBrushOnMerge = 33600;
inline constexpr int32_t kCenterHorizontally = 33601;
inline constexpr int32_t kCenterVertically = 33602;
inline constexpr int32_t kCenterBoth = 33603;
inline constexpr int32_t kClone = 33604;
inline constexpr int32_t kColorAdjust = 33605;
inline constexpr int32_t kCropFullPage = 33606;
inline constexpr int32_t kCropPrintable = 33607;
inline constexpr int32_t kDelete = 33608;
inline constexpr int32_t kExpandFullPage = 33609;
inline constexpr int32_t kFitFullPage = 33610;
inline constexpr int32_t kFitPrintable = 33611;
inline constexpr int32_t kFlipHorizontally = 33612;
inline constexpr int32_t kFlipVertically = 33613;
inline constexpr int32_t kLift = 33614;
inline constexpr int32_t kLightingColor = 33615;
inline constexpr int32_t kLightingGradient = 33616;
inline constexpr int32_t kLightingLevels = 33617;
inline constexpr int32_t kLayerLoad = 33618;
inline constexpr int32_t kMarkerStrokes = 33619;
inline constexpr int32_t kMask = 33620;
inline constexpr int32_t kMerge = 33621;
inline constexpr int32_t kMinimize = 33622;
inline constexpr int32_t kName = 33623;
inline constexpr int32_t kNewBlankSmall = 33624;
inline constexpr int32_t kNewBlankPrintable = 33625;
inline constexpr int32_t kNewBlankFullPage = 33626;
inline constexpr int32_t kOffsetShadow = 33627;
inline constexpr int32_t kOrderUpOne = 33628;
inline constexpr int32_t kOrderDownOne = 33629;
inline constexpr int32_t kOrderToFront = 33630;
inline constexpr int32_t kOrderToRear = 33631;
inline constexpr int32_t kLayerSave = 33632;
inline constexpr int32_t kSelectUp = 33633;
inline constexpr int32_t kSelectDown = 33634;
inline constexpr int32_t kSelectBottom = 33635;
inline constexpr int32_t kSelectTop = 33636;

inline constexpr int32_t kKeyConcepts = 33660;
inline constexpr int32_t kShowTooltips = 33661;
inline constexpr int32_t kHelperPrompts = 33662;

// Panel buttons without menu items.
inline constexpr int32_t kUndo = 33280;
inline constexpr int32_t kRedo = 33281;

// The painting modes: the tool row's buttons (the surface, lighting and eraser tools enter their
// modes) and the single-stroke undo of the brush modes.
inline constexpr int32_t kSurfaceTool = 32934;
inline constexpr int32_t kSurfaceHueTool = 32950;
inline constexpr int32_t kSurfaceSaturationTool = 32951;
inline constexpr int32_t kSurfaceValueTool = 32954;
inline constexpr int32_t kBoardEraserTool = 32961;
inline constexpr int32_t kLightingTool = 32941;
inline constexpr int32_t kShadowEraserTool = 32939;
inline constexpr int32_t kEraserTool = 33300;
inline constexpr int32_t kUndoStroke = 33301;
// The line mode: its tools (the pen's variants have their own buttons) and its commands.
inline constexpr int32_t kLineTool = 33062;
inline constexpr int32_t kRayTool = 33083;
inline constexpr int32_t kOffsetLineTool = 33187;
inline constexpr int32_t kOffsetRayTool = 33087;
inline constexpr int32_t kPartialSegmentEraser = 32;
inline constexpr int32_t kLineEraserTool = 32926;
inline constexpr int32_t kPenTool = 32940;
inline constexpr int32_t kPenWidthTool = 32957;
inline constexpr int32_t kPenColorTool = 32958;
inline constexpr int32_t kPenFreehandTool = 32959;
inline constexpr int32_t kPenStyleTool = 32960;
inline constexpr int32_t kLineRepairTool = 31;
inline constexpr int32_t kSetVanishingPoint = 33760;
inline constexpr int32_t kRemoveVanishingPoints = 33761;
inline constexpr int32_t kLineArray = 33762;
// The control bar's Sketch Frame drop-down: Import An Image for a photo, lines or type, each from an
// image file, a screen capture or the scanner; the scanner's source; extraction.
inline constexpr int32_t kImportPhoto = 33820; // + kFromImageFile .. + kAcquireCustom
inline constexpr int32_t kImportLines = 33830;
inline constexpr int32_t kImportType = 33840;
inline constexpr int32_t kFromImageFile = 0;
inline constexpr int32_t kFromScreenCapture = 1;
inline constexpr int32_t kAcquire300Color = 2;
inline constexpr int32_t kAcquire600Bw = 3;
inline constexpr int32_t kAcquireCustom = 4;
inline constexpr int32_t kSelectSource = 33850;
inline constexpr int32_t kExtract = 33851;
inline constexpr int32_t kFlora = 33852;
inline constexpr int32_t kShowSketchFrame = 33853;
inline constexpr int32_t kExtractLightingAndColor = 33394;
inline constexpr int32_t kExtractLighting = 33395;
// The control bar's RoviDivod drop-down.
inline constexpr int32_t kRoviDivodSetup = 33855;
inline constexpr int32_t kRoviDivodScanBack = 33856;
inline constexpr int32_t kRoviDivodReposition = 33857;
// The lettering tool's button.
inline constexpr int32_t kTextTool = 33770;
// The offset shadow tool (the menu's "OffsetShadow" picks it too).
inline constexpr int32_t kOffsetShadowTool = 33085;
// The select bar's "Align": drags a scanned layer into register by one of its marks.
inline constexpr int32_t kAlign = 33860;
// The dropper's button of the tool row.
inline constexpr int32_t kDropperTool = 33800;
// The selection transform: its tool, and the morph of the current layer onto the sketch frame.
inline constexpr int32_t kMorphTool = 33790;
inline constexpr int32_t kCreateSketchOver = 33791;
} // namespace cmd

// One command: where the menus show it, its texts, and what it does.
struct Command {
    int32_t id = 0;
    std::string menu;        // menu path: "File", "View/Backdrop", "Layer/Order"; empty for panel-only
    std::string text;        // the menu text ('&' marks the mnemonic)
    std::string prompt;      // the status-bar prompt while the item is highlighted
    std::string accelerator; // as shown in the menu, e.g. "Ctrl+PgUp"; empty for none
    int32_t tooltip = 0;     // the tooltip number of "tooltips.txt"; 0 for none
    std::function<void()> run;
    std::function<bool()> enabled;            // null: always enabled
    std::function<bool()> checked;            // null: not a check item
    std::function<std::string()> dynamicText; // when set, the menu text as it reads now (empty: hidden)
    bool separatorBefore = false;
    // The command opens a dialog or changes the drawing as a whole: the select mode is entered first.
    bool returnsToSelect = false;
    // The current mode finishes its pending work (a line being drawn) before the command runs.
    bool commitsFirst = true;
};

// The text of a recent-file entry: "&<place + 1> " and the entry at most 40 characters wide; empty
// for an empty place.
std::string RecentMenuText(const RecentFileList& list, int32_t place);

// The commands in menu order.
class CommandTable {
public:
    Command& Add(Command command);
    const Command* Find(int32_t id) const;
    Command* Find(int32_t id) {
        return const_cast<Command*>(static_cast<const CommandTable*>(this)->Find(id));
    }
    const std::vector<Command>& Commands() const { return m_commands; }

    // Runs a command as a menu click does: nothing when it is unknown, disabled or does nothing yet.
    bool Run(int32_t id) const;
    bool Enabled(int32_t id) const;
    bool Checked(int32_t id) const;
    // The menu text a command shows now: its dynamic text when it has one.
    std::string Text(int32_t id) const;

private:
    std::vector<Command> m_commands;
};

} // namespace ts
