#pragma once

#include "model/layer_object.h"
#include "palette/palette_color_list.h"
#include "palette/palette_strip.h"
#include "palette/pencil_manager.h"
#include "palette/tool_listings.h"
#include "platform/image24.h"
#include "platform/profile_manager.h"
#include "platform/user_interface.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace ts {

// Palette kinds: the full variant of a kind has its even code, the condensed variant code + 1.
namespace palette_kind {
inline constexpr int32_t kBoard = 4;
inline constexpr int32_t kPencils = 8;
inline constexpr int32_t kParticles = 18;
inline constexpr int32_t kBrightness = 20;
inline constexpr int32_t kHue = 22;
inline constexpr int32_t kSaturation = 24;
inline constexpr int32_t kDrawing = 26;
inline constexpr int32_t kSlot1 = 28;
inline constexpr int32_t kSlot2 = 30;
inline constexpr int32_t kSlot3 = 32;
inline constexpr int32_t kRecent = 34;
inline constexpr int32_t kLighting = 36;
inline constexpr int32_t kTableSize = 64;
} // namespace palette_kind

// What the palettes take from the rest of the program and tell it.
class PaletteHost {
public:
    virtual ~PaletteHost() = default;
    // The drawing's composite picture; null when there is none.
    virtual const Image24* DrawingPicture() { return nullptr; }
    // The drawing's average colour.
    virtual uint32_t DrawingAverage() { return 0x00FFFFFF; }
    // The selected board's texture picture; null while no board texture is loaded.
    virtual const Image24* BoardTexture() { return nullptr; }
    // The average colour of the paper's picture; white when there is none.
    virtual uint32_t PaperColor() { return 0x00FFFFFF; }
    // The layer whose lighting the Lighting palette shows; null for the default light.
    virtual const LayerObject* LightingLayer() { return nullptr; }
    // The strip needs drawing again.
    virtual void RedrawPalette(const std::string& /*reason*/) {}
    // The strip's area changed (its size or the client area).
    virtual void PaletteAreaChanged() {}
    // The selected colour changed: the modes take it.
    virtual void PaletteColorChanged() {}
    // A right click on the strip asks for its menu at a client point.
    virtual void PaletteMenuRequested(int32_t /*x*/, int32_t /*y*/) {}
};

// The palettes of the palette strip and the colour they select. It keeps several palettes at once by
// kind: three palettes loaded from files, the recently used colours, and palettes calculated from the
// selected colour, the drawing, the board and the listings; each also in a condensed variant that fits
// the strip without scrolling. Colours are 0x00BBGGRR.
class PaletteManager {
public:
    static constexpr int32_t kSlots = 3;
    // The status panes of the palette's title and of the selected colour's description.
    static constexpr int kTitlePane = 3;
    static constexpr int kColorPane = 2;
    static constexpr const char* kChangeReason = "R_Changepalette";
    static constexpr const char* kButtonSizeReason = "R_ChangepaletteButtonSize";
    static constexpr const char* kRecentReason = "AddRecentColor";
    static constexpr const char* kFileFilter = "Palette File (*.pal)|*.pal||";

    PaletteManager(const ToolListings& listings, PencilManager& pencils, ProfileManager& profile,
                   UserInterface& ui);
    ~PaletteManager();
    PaletteManager(const PaletteManager&) = delete;
    PaletteManager& operator=(const PaletteManager&) = delete;

    void SetHost(PaletteHost* host) { m_host = host ? host : &m_noHost; }

    // The start-up check: the "Palettes" folder's invalid files are removed (the user is asked for
    // all but the program's scratch palettes), then "Tools/CommercialBoards.pal" is read.
    void CheckPalettes();
    const PaletteColorList* CommercialBoards() const { return m_commercial.get(); }

    // The selected colour, which the painting modes lay down.
    uint32_t GetCurrentColor() const { return m_currentColor; }
    const std::string& CurrentColorName() const { return m_currentName; }
    // Makes a colour the selected one: the own buttons show it, the status bar describes it, it goes
    // to the recent colours, the shown palette marks its nearest entry and the modes are told.
    void SelectColor(uint32_t color, const std::string& reason = kChangeReason);
    // The same for a palette entry: its name goes with it to the recent colours.
    void SelectEntry(const PaletteEntry& entry, const std::string& reason = kChangeReason);
    // Adds to the recent colours (made on first use) and drops their built palettes. The oldest
    // colour gives way when the list is full.
    void AddRecentColor(const PaletteEntry& entry);
    const PaletteColorList* RecentColors() const { return m_recent.get(); }

    // Makes a kind current (its even code; the condensed variant stays shown when it was), building
    // it when needed; false when it cannot be built (the current kind stays). With refresh the strip
    // is drawn again.
    bool ShowPalette(int32_t kind, bool refresh = true);
    int32_t CurrentKind() const { return m_kind; }
    int32_t CurrentBaseKind() const { return m_kind & ~1; }
    bool Condensed() const { return (m_kind & 1) != 0; }
    void SetCondensed(bool condensed);
    // The palette shown, and the full variant of its kind; null when none is built.
    const Palette* Shown() const { return Built(m_kind); }
    const Palette* ShownFull() const { return Built(CurrentBaseKind()); }
    const Palette* Built(int32_t code) const;
    // Drops both built variants of a kind.
    void Invalidate(int32_t kind);
    // Brightness, Hue, Saturation, Drawing and Lighting: made from other things, rebuilt when shown.
    static bool IsCalculated(int32_t kind);
    // The status bar's title of the shown palette: "          Palette: Board", "Condensed Palette:
    // Board", "Palette: <name>" for a loaded slot.
    std::string Title() const;
    // "Color RGB:r, g, b, HSB:h, s, b".
    static std::string ColorDescription(uint32_t color);

    // Loaded palettes: slot 0 is the most recently loaded.
    const PaletteColorList* Slot(int32_t slot) const;
    // Reads a palette file into slot 1, the others moving down one; "Palette File has become corrupt."
    // when it is invalid (nothing changes then). Shows the new slot.
    bool LoadIntoSlot(const std::string& path);
    // The text of the slot's menu command: the palette's name, a tab and its key ("F10".."F12"); an
    // empty slot has the name " ".
    std::string SlotMenuText(int32_t slot) const;

    // Palette menu commands.
    bool LoadPalette();
    bool SavePalette();
    bool CanSave() const;
    // Loads the palette file at a place of the recent-palettes list, which moves to the top.
    bool LoadRecentPalette(int32_t place);
    void AddColor();
    void RemoveColor();
    void NameColor();
    void FindColor();
    // Sorting the shown palette's full list (the condensed variant follows).
    void SortShown(PaletteSortKind kind, bool descending);
    // Reverses the shown list when its direction is the given one.
    void ReverseShownIf(bool descending);
    bool SetSwatchSize(int32_t size);

    // The strip.
    const PaletteStrip& Strip() const { return m_strip; }
    void LayoutStrip(int32_t clientWidth, int32_t clientHeight);
    // The entry a button shows, or null for the own buttons and empty swatches.
    const PaletteEntry* EntryAtButton(int32_t button) const;
    // A left click on the strip: a colour swatch selects its colour, the own buttons scroll or switch
    // the condensed variant. True when the point was on a button.
    bool ClickAt(int32_t x, int32_t y);
    // Scrolls the shown palette by a number of entries (negative: back).
    void ScrollBy(int32_t entries);
    // A right drag scrolls by the swatches it passes; a right click without a drag asks the host for
    // the strip's menu. EndRightDrag is true when a drag was running.
    void BeginRightDrag(int32_t x, int32_t y);
    bool RightDragging() const { return m_rightDrag; }
    bool DragTo(int32_t x, int32_t y);
    bool EndRightDrag(int32_t x, int32_t y);
    // Drops a right drag whose release never came (the button went up outside the window).
    void CancelRightDrag() { m_rightDrag = false; }

private:
    static bool ValidKind(int32_t kind);
    std::unique_ptr<Palette>& Cell(int32_t code) { return m_palettes[static_cast<size_t>(code)]; }
    // Builds the full variant of a kind; null when it cannot be built.
    std::unique_ptr<Palette> Build(int32_t kind);
    void RebuildCondensed(int32_t kind);
    // The list Add, Remove and Name work on for the shown kind; null for the kinds they leave alone.
    PaletteColorList* KeptList(int32_t kind);
    void ListChanged(int32_t kind);
    void ShowTitle();
    void Redraw(const std::string& reason);
    void ScrollToMarked(Palette& palette);
    // Marks the shown palette's entry nearest to the selected colour and brings it into view.
    void MarkNearest();
    bool RunFileDialog(bool save, std::string& path);

    const ToolListings& m_listings;
    PencilManager& m_pencils;
    ProfileManager& m_profile;
    UserInterface& m_ui;
    PaletteHost m_noHost;
    PaletteHost* m_host = &m_noHost;
    PaletteStrip m_strip;
    std::array<std::unique_ptr<Palette>, palette_kind::kTableSize> m_palettes;
    std::array<std::unique_ptr<PaletteColorList>, kSlots> m_slots;
    std::unique_ptr<PaletteColorList> m_recent;
    std::unique_ptr<PaletteColorList> m_commercial;
    int32_t m_kind = palette_kind::kBrightness;
    uint32_t m_currentColor = 0x00000000;
    std::string m_currentName;
    int32_t m_clientWidth = 0;
    int32_t m_clientHeight = 0;
    bool m_redrawPending = false;
    bool m_rightDrag = false;
    bool m_rightDragMoved = false;
    int32_t m_dragX = 0;
};

} // namespace ts
