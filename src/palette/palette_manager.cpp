#include "palette/palette_manager.h"

#include "palette/palette_builders.h"
#include "palette/palette_file.h"
#include "raster/color_spaces.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <utility>

namespace ts {

namespace pk = palette_kind;

namespace {

constexpr const char* kMaxColorsMessage =
    "Palette already has the maximum number of colors in it. Delete a color and then add in the new one.";
constexpr const char* kCannotAddMessage = "Colors cannot be added to calculated palettes.";
constexpr const char* kCannotDeleteMessage = "Colors cannot be deleted from calculated palettes.";
constexpr const char* kNotInPaletteMessage =
    "To name it, the selected color must be from the current palette.";
constexpr const char* kNotInFullMessage = "Couldn't find the selected color in the full palette.";
constexpr const char* kNoMatchMessage = "No match was found.";
constexpr const char* kExtensionMessage = "File must have .pal extension";

int32_t SlotOf(int32_t kind) {
    return kind >= pk::kSlot1 && kind <= pk::kSlot3 ? (kind - pk::kSlot1) / 2 : -1;
}

const char* KindName(int32_t kind) {
    switch (kind) {
    case pk::kBoard:
        return "Board";
    case pk::kPencils:
        return "Pencils";
    case pk::kParticles:
        return "Particles";
    case pk::kBrightness:
        return "Brightness";
    case pk::kHue:
        return "Hue";
    case pk::kSaturation:
        return "Saturation";
    case pk::kDrawing:
        return "Drawing";
    case pk::kRecent:
        return "Recent";
    case pk::kLighting:
        return "Lighting";
    default:
        return "";
    }
}

// Whether a folder holds at least one palette file.
bool HoldsPalettes(const std::string& folder) {
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.size() > 4 && (name.ends_with(".pal") || name.ends_with(".PAL"))) {
            return true;
        }
    }
    return false;
}

std::string WithoutCarriageReturns(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

} // namespace

PaletteManager::PaletteManager(const ToolListings& listings, PencilManager& pencils, ProfileManager& profile,
                               UserInterface& ui)
    : m_listings(listings), m_pencils(pencils), m_profile(profile), m_ui(ui) {}

PaletteManager::~PaletteManager() = default;

void PaletteManager::CheckPalettes() {
    // Only palettes the program may write are offered for removal: never an installed copy's.
    CheckPaletteFolder(m_profile.WritableFolder("Palettes/"), m_ui);
    if (auto boards = ReadPaletteFile(m_profile.ProgramFolder() + "Tools/CommercialBoards.pal")) {
        m_commercial = std::make_unique<PaletteColorList>(std::move(*boards));
    } else {
        m_commercial.reset();
    }
}

void PaletteManager::SelectColor(uint32_t color, const std::string& reason) {
    SelectEntry(MakeEntry(color), reason);
}

void PaletteManager::SelectEntry(const PaletteEntry& entry, const std::string& reason) {
    m_currentColor = entry.color & 0x00FFFFFFu;
    m_currentName = entry.name;
    m_ui.SetStatusPane(kColorPane, ColorDescription(m_currentColor));
    // One redraw for the whole selection: the recent colours do not ask for their own.
    m_redrawPending = true;
    AddRecentColor(entry);
    m_redrawPending = false;
    MarkNearest();
    m_host->PaletteColorChanged();
    Redraw(reason);
}

void PaletteManager::AddRecentColor(const PaletteEntry& entry) {
    if (!m_recent) {
        m_recent = std::make_unique<PaletteColorList>();
        m_recent->name = "Recent";
    }
    PaletteEntry e = MakeEntry(entry.color, entry.sourceIndex, entry.count, entry.name);
    PaletteColorList::AddResult result = m_recent->Add(e);
    if (result == PaletteColorList::AddResult::kFull) {
        // Recent colours forget their oldest rather than stop taking new ones.
        m_recent->Erase(0);
        result = m_recent->Add(e);
    }
    if (result == PaletteColorList::AddResult::kAlreadyThere) {
        return;
    }
    ListChanged(pk::kRecent);
    if (!m_redrawPending) {
        Redraw(kRecentReason);
    }
}

bool PaletteManager::ValidKind(int32_t kind) {
    switch (kind & ~1) {
    case pk::kBoard:
    case pk::kPencils:
    case pk::kParticles:
    case pk::kBrightness:
    case pk::kHue:
    case pk::kSaturation:
    case pk::kDrawing:
    case pk::kSlot1:
    case pk::kSlot2:
    case pk::kSlot3:
    case pk::kRecent:
    case pk::kLighting:
        return true;
    default:
        return false;
    }
}

bool PaletteManager::IsCalculated(int32_t kind) {
    kind &= ~1;
    return kind == pk::kBrightness || kind == pk::kHue || kind == pk::kSaturation || kind == pk::kDrawing ||
           kind == pk::kLighting;
}

const Palette* PaletteManager::Built(int32_t code) const {
    return code >= 0 && code < pk::kTableSize ? m_palettes[static_cast<size_t>(code)].get() : nullptr;
}

void PaletteManager::Invalidate(int32_t kind) {
    kind &= ~1;
    if (kind >= 0 && kind + 1 < pk::kTableSize) {
        Cell(kind).reset();
        Cell(kind + 1).reset();
    }
}

std::unique_ptr<Palette> PaletteManager::Build(int32_t kind) {
    auto palette = std::make_unique<Palette>();
    PaletteColorList& list = palette->list;
    switch (kind) {
    case pk::kBoard: {
        WaitCursor wait(m_ui);
        list = BuildBoardPalette(m_listings, m_host->DrawingAverage());
        break;
    }
    case pk::kPencils:
        if (m_pencils.Count() == 0) {
            m_pencils.Build();
        }
        list = BuildPencilPalette(m_listings, m_pencils);
        break;
    case pk::kParticles:
    case pk::kDrawing: {
        const Image24* picture = kind == pk::kParticles ? m_host->BoardTexture() : m_host->DrawingPicture();
        if (!picture || picture->Empty()) {
            return nullptr;
        }
        WaitCursor wait(m_ui);
        if (!BuildHistogramPalette(*picture, list, palette->averageColor)) {
            return nullptr;
        }
        break;
    }
    case pk::kBrightness:
        list = BuildHsbRamp(m_currentColor, HsbComponent::kBrightness);
        break;
    case pk::kHue:
        list = BuildHsbRamp(m_currentColor, HsbComponent::kHue);
        break;
    case pk::kSaturation:
        list = BuildHsbRamp(m_currentColor, HsbComponent::kSaturation);
        break;
    case pk::kSlot1:
    case pk::kSlot2:
    case pk::kSlot3:
        if (const PaletteColorList* slot = Slot(SlotOf(kind))) {
            list = *slot;
        }
        break;
    case pk::kRecent:
        if (m_recent) {
            list = *m_recent;
        }
        break;
    case pk::kLighting:
        list = BuildLightingPalette(m_host->PaperColor(), m_host->LightingLayer());
        break;
    default:
        return nullptr;
    }
    if (list.Empty()) {
        return nullptr;
    }
    if (list.name.empty()) {
        list.name = KindName(kind);
    }
    return palette;
}

void PaletteManager::RebuildCondensed(int32_t kind) {
    kind &= ~1;
    const Palette* full = Built(kind);
    if (!full) {
        Cell(kind + 1).reset();
        return;
    }
    const int32_t oldScroll = Cell(kind + 1) ? Cell(kind + 1)->scrollOffset : 0;
    auto condensed = std::make_unique<Palette>();
    condensed->list = CondensePalette(full->list, m_strip.FittingSwatches());
    condensed->averageColor = full->averageColor;
    condensed->scrollOffset = oldScroll;
    Cell(kind + 1) = std::move(condensed);
}

void PaletteManager::ScrollToMarked(Palette& palette) {
    const int32_t marked = palette.list.MarkedIndex();
    const int32_t shown = m_strip.ColorSwatches();
    if (marked < 0 || shown <= 0) {
        return;
    }
    if (marked < palette.scrollOffset || marked >= palette.scrollOffset + shown) {
        palette.scrollOffset = marked - shown / 2;
    }
}

void PaletteManager::MarkNearest() {
    const int32_t kind = CurrentBaseKind();
    Palette* full = Cell(kind).get();
    if (!full) {
        return;
    }
    full->list.ClearMarks();
    if (const int32_t at = full->list.Nearest(m_currentColor); at >= 0) {
        full->list.Entry(at).selected = true;
    }
    RebuildCondensed(kind);
    if (Palette* shown = Cell(m_kind).get()) {
        ScrollToMarked(*shown);
        shown->scrollOffset = m_strip.ClampScroll(shown->scrollOffset, shown->list.Count());
    }
}

bool PaletteManager::ShowPalette(int32_t kind, bool refresh) {
    if (!ValidKind(kind)) {
        return false;
    }
    kind &= ~1;
    // Lists the user keeps are built once and follow their changes; the others are made afresh from
    // what they show, keeping the place the strip was scrolled to.
    const bool kept = SlotOf(kind) >= 0 || kind == pk::kRecent;
    if (!kept || !Cell(kind)) {
        std::unique_ptr<Palette> built = Build(kind);
        if (!built) {
            return false;
        }
        if (Cell(kind)) {
            built->scrollOffset = Cell(kind)->scrollOffset;
        }
        Cell(kind) = std::move(built);
    }
    m_kind = kind | (m_kind & 1);
    RebuildCondensed(kind);
    LayoutStrip(m_clientWidth, m_clientHeight);
    if (Palette* shown = Cell(m_kind).get()) {
        ScrollToMarked(*shown);
        shown->scrollOffset = m_strip.ClampScroll(shown->scrollOffset, shown->list.Count());
    }
    ShowTitle();
    if (refresh) {
        Redraw(kChangeReason);
    }
    return true;
}

void PaletteManager::SetCondensed(bool condensed) {
    if (condensed == Condensed()) {
        return;
    }
    m_kind = CurrentBaseKind() | (condensed ? 1 : 0);
    RebuildCondensed(CurrentBaseKind());
    LayoutStrip(m_clientWidth, m_clientHeight);
    ShowTitle();
    Redraw(kChangeReason);
}

std::string PaletteManager::Title() const {
    const int32_t kind = CurrentBaseKind();
    const int32_t slot = SlotOf(kind);
    std::string name = KindName(kind);
    if (slot >= 0) {
        name = Slot(slot) ? Slot(slot)->name : std::string();
        return (Condensed() ? "Condensed Palette: " : "Palette: ") + name;
    }
    return (Condensed() ? "Condensed Palette: " : "          Palette: ") + name;
}

std::string PaletteManager::ColorDescription(uint32_t color) {
    const Hsb hsb = RgbToHsb(color);
    char text[96];
    std::snprintf(text, sizeof text, "Color RGB:%u, %u, %u, HSB:%d, %d, %d", ColorRed(color),
                  ColorGreen(color), ColorBlue(color), hsb.h, hsb.s, hsb.b);
    return text;
}

void PaletteManager::ShowTitle() {
    m_ui.SetStatusPane(kTitlePane, Title());
}

void PaletteManager::Redraw(const std::string& reason) {
    m_host->RedrawPalette(reason);
}

const PaletteColorList* PaletteManager::Slot(int32_t slot) const {
    return slot >= 0 && slot < kSlots ? m_slots[static_cast<size_t>(slot)].get() : nullptr;
}

std::string PaletteManager::SlotMenuText(int32_t slot) const {
    static constexpr const char* kKeys[kSlots] = {"F10", "F11", "F12"};
    if (slot < 0 || slot >= kSlots) {
        return {};
    }
    const PaletteColorList* list = Slot(slot);
    return (list ? list->name : std::string(" ")) + "\t" + kKeys[slot];
}

bool PaletteManager::LoadIntoSlot(const std::string& path) {
    std::string bytes;
    if (!ReadPaletteBytes(path, bytes)) {
        std::error_code error;
        if (!std::filesystem::exists(path, error)) {
            ShowFileError(m_ui, FileErrorCause::FileNotFound, path);
            return false;
        }
    }
    std::optional<PaletteColorList> list = ParsePaletteFile(bytes, PaletteNameOf(path));
    if (!list) {
        m_ui.ShowMessage(kPaletteCorruptMessage);
        return false;
    }
    m_slots[2] = std::move(m_slots[1]);
    m_slots[1] = std::move(m_slots[0]);
    m_slots[0] = std::make_unique<PaletteColorList>(std::move(*list));
    for (int32_t kind : {pk::kSlot1, pk::kSlot2, pk::kSlot3}) {
        Invalidate(kind);
    }
    // A moved slot that was shown is built again from its new place, or another palette steps in.
    if (!ShowPalette(pk::kSlot1)) {
        ShowPalette(pk::kBrightness);
    }
    return true;
}

bool PaletteManager::RunFileDialog(bool save, std::string& path) {
    FileDialogRequest request;
    request.title = save ? "Save Palette" : "Load Palette";
    request.folder = save ? m_profile.WritableFolder("Palettes/") : m_profile.ProgramFolder() + "Palettes";
    // Installed, the palettes the user saved are kept apart from the program's; once there are any,
    // loading starts among them.
    if (!save && m_profile.ProgramFolderReadOnly() && HoldsPalettes(m_profile.WritableFolder("Palettes/"))) {
        request.folder = m_profile.WritableFolder("Palettes/");
    }
    request.filters = kFileFilter;
    request.defaultExtension = "pal";
    request.overwritePrompt = true;
    // A cancelled dialog does nothing, whatever the length of a path chosen before.
    std::string chosen;
    if (!(save ? m_ui.ChooseSaveFile(request, chosen) : m_ui.ChooseOpenFile(request, chosen)) ||
        chosen.empty()) {
        return false;
    }
    if (!HasPaletteExtension(chosen)) {
        m_ui.ShowMessage(kExtensionMessage);
        return false;
    }
    path = std::move(chosen);
    return true;
}

bool PaletteManager::LoadPalette() {
    std::string path;
    if (!RunFileDialog(false, path) || !LoadIntoSlot(path)) {
        return false;
    }
    m_profile.Recent(RecentList::Palettes).Add(path);
    m_profile.SaveRecent(RecentList::Palettes);
    return true;
}

bool PaletteManager::CanSave() const {
    const int32_t kind = CurrentBaseKind();
    return ShownFull() != nullptr && kind != pk::kPencils && kind != pk::kBrightness && kind != pk::kHue &&
           kind != pk::kSaturation && kind != pk::kDrawing;
}

bool PaletteManager::SavePalette() {
    if (!CanSave()) {
        return false;
    }
    std::string path;
    if (!RunFileDialog(true, path)) {
        return false;
    }
    errno = 0;
    if (!WritePaletteFile(path, ShownFull()->list)) {
        ShowFileError(m_ui, errno != 0 ? FileErrorCauseFromErrno(errno) : FileErrorCause::Generic, path);
        return false;
    }
    return true;
}

bool PaletteManager::LoadRecentPalette(int32_t place) {
    RecentFileList& recent = m_profile.Recent(RecentList::Palettes);
    const std::string path = recent.Entry(place);
    if (path.empty() || !LoadIntoSlot(path)) {
        return false;
    }
    recent.Add(path);
    m_profile.SaveRecent(RecentList::Palettes);
    return true;
}

PaletteColorList* PaletteManager::KeptList(int32_t kind) {
    kind &= ~1;
    if (const int32_t slot = SlotOf(kind); slot >= 0) {
        return m_slots[static_cast<size_t>(slot)].get();
    }
    if (kind == pk::kRecent) {
        return m_recent.get();
    }
    if (kind == pk::kParticles && Cell(kind)) {
        return &Cell(kind)->list;
    }
    return nullptr;
}

void PaletteManager::ListChanged(int32_t kind) {
    kind &= ~1;
    const bool shown = CurrentBaseKind() == kind;
    if (SlotOf(kind) >= 0 || kind == pk::kRecent) {
        // The built palettes are copies of the list: made again at once when shown, else later.
        const int32_t scroll = Cell(kind) ? Cell(kind)->scrollOffset : 0;
        Invalidate(kind);
        if (shown) {
            if (std::unique_ptr<Palette> built = Build(kind)) {
                built->scrollOffset = scroll;
                Cell(kind) = std::move(built);
            }
        }
    }
    if (Cell(kind)) {
        RebuildCondensed(kind);
    }
    if (shown) {
        LayoutStrip(m_clientWidth, m_clientHeight);
        ShowTitle();
    }
}

void PaletteManager::AddColor() {
    const int32_t kind = CurrentBaseKind();
    if (IsCalculated(kind)) {
        m_ui.ShowMessage(kCannotAddMessage);
        return;
    }
    if (kind == pk::kBoard || kind == pk::kPencils || kind == pk::kParticles) {
        return;
    }
    if (kind == pk::kRecent && !m_recent) {
        m_recent = std::make_unique<PaletteColorList>();
        m_recent->name = "Recent";
    }
    PaletteColorList* list = KeptList(kind);
    if (!list || list->Contains(m_currentColor)) {
        return;
    }
    if (list->Add(MakeEntry(m_currentColor, 0, 0, m_currentName)) == PaletteColorList::AddResult::kFull) {
        m_ui.ShowMessage(kMaxColorsMessage);
        return;
    }
    ListChanged(kind);
    Redraw(kChangeReason);
}

void PaletteManager::RemoveColor() {
    const int32_t kind = CurrentBaseKind();
    if (IsCalculated(kind)) {
        m_ui.ShowMessage(kCannotDeleteMessage);
        return;
    }
    if (kind == pk::kBoard || kind == pk::kPencils) {
        ShowTitle();
        return;
    }
    PaletteColorList* list = KeptList(kind);
    if (list && list->RemoveLast(m_currentColor)) {
        ListChanged(kind);
        Redraw(kChangeReason);
    }
}

void PaletteManager::NameColor() {
    Palette* shown = Cell(m_kind).get();
    if (!shown || !shown->list.Contains(m_currentColor)) {
        m_ui.ShowMessage(kNotInPaletteMessage);
        return;
    }
    std::string name;
    if (!m_ui.EnterText("Name", "Name Color", m_currentName, name)) {
        return;
    }
    name = WithoutCarriageReturns(std::move(name));
    shown->list.Entry(shown->list.FindLast(m_currentColor)).name = name;
    const int32_t kind = CurrentBaseKind();
    if (Condensed()) {
        Palette* full = Cell(kind).get();
        const int32_t at = full ? full->list.FindLast(m_currentColor) : -1;
        if (at < 0) {
            m_ui.ShowMessage(kNotInFullMessage);
            return;
        }
        full->list.Entry(at).name = name;
    }
    // Loaded and recent palettes keep the name in their own list, so it is saved with them.
    if (PaletteColorList* kept = KeptList(kind); kept && kind != pk::kParticles) {
        const int32_t at = kept->FindLast(m_currentColor);
        if (at >= 0) {
            kept->Entry(at).name = name;
        }
    }
    m_currentName = name;
    Redraw(kChangeReason);
}

void PaletteManager::FindColor() {
    std::string text;
    if (!m_ui.EnterText("Name", "Find Color", "", text) || text.empty()) {
        return;
    }
    const std::array<std::pair<const PaletteColorList*, int32_t>, 4> lists = {
        std::pair{Slot(0), pk::kSlot1}, std::pair{Slot(1), pk::kSlot2}, std::pair{Slot(2), pk::kSlot3},
        std::pair{static_cast<const PaletteColorList*>(m_recent.get()), pk::kRecent}};
    for (const auto& [list, kind] : lists) {
        if (!list) {
            continue;
        }
        int32_t found = -1;
        for (int32_t i = 0; i < list->Count(); ++i) {
            const std::string& name = list->Entry(i).name;
            const size_t first = name.find_first_not_of(' ');
            if (first != std::string::npos && name.compare(first, std::string::npos, text) == 0) {
                found = i;
            }
        }
        if (found >= 0) {
            const PaletteEntry entry = list->Entry(found);
            SelectEntry(entry);
            ShowPalette(kind);
            return;
        }
    }
    m_ui.ShowMessage(kNoMatchMessage, "", MessageIcon::Information);
}

void PaletteManager::SortShown(PaletteSortKind sortKind, bool descending) {
    const int32_t kind = CurrentBaseKind();
    Palette* full = Cell(kind).get();
    if (!full) {
        return;
    }
    full->list.Sort(sortKind, descending);
    if (PaletteColorList* kept = KeptList(kind); kept && kept != &full->list) {
        kept->Sort(sortKind, descending);
    }
    RebuildCondensed(kind);
    Redraw(kChangeReason);
}

void PaletteManager::ReverseShownIf(bool descending) {
    const int32_t kind = CurrentBaseKind();
    Palette* full = Cell(kind).get();
    if (!full || full->list.descending != descending) {
        return;
    }
    full->list.Reverse();
    if (PaletteColorList* kept = KeptList(kind); kept && kept != &full->list) {
        kept->Reverse();
    }
    RebuildCondensed(kind);
    Redraw(kChangeReason);
}

bool PaletteManager::SetSwatchSize(int32_t size) {
    if (!m_strip.SetSwatchSize(size)) {
        return false;
    }
    LayoutStrip(m_clientWidth, m_clientHeight);
    Redraw(kButtonSizeReason);
    return true;
}

void PaletteManager::LayoutStrip(int32_t clientWidth, int32_t clientHeight) {
    m_clientWidth = clientWidth;
    m_clientHeight = clientHeight;
    const int32_t fitting = m_strip.FittingSwatches();
    const Palette* shown = Shown();
    m_strip.Layout(clientWidth, clientHeight, shown ? shown->list.Count() : 0);
    if (m_strip.FittingSwatches() != fitting && Built(CurrentBaseKind())) {
        // The condensed variant is made for the swatches that fit.
        RebuildCondensed(CurrentBaseKind());
        shown = Shown();
        m_strip.Layout(clientWidth, clientHeight, shown ? shown->list.Count() : 0);
    }
    if (Palette* p = Cell(m_kind).get()) {
        p->scrollOffset = m_strip.ClampScroll(p->scrollOffset, p->list.Count());
    }
    m_host->PaletteAreaChanged();
}

const PaletteEntry* PaletteManager::EntryAtButton(int32_t button) const {
    const Palette* shown = Shown();
    if (!shown) {
        return nullptr;
    }
    const int32_t entry = m_strip.EntryAt(button, shown->scrollOffset, shown->list.Count());
    return entry >= 0 ? &shown->list.Entry(entry) : nullptr;
}

bool PaletteManager::ClickAt(int32_t x, int32_t y) {
    const int32_t button = m_strip.HitButton(x, y);
    if (button < 0) {
        return false;
    }
    switch (button) {
    case PaletteStrip::kPageBack:
        ScrollBy(-std::max(1, m_strip.ColorSwatches()));
        return true;
    case PaletteStrip::kStepBack:
        ScrollBy(-1);
        return true;
    case PaletteStrip::kToggleCondensed:
        SetCondensed(!Condensed());
        return true;
    case PaletteStrip::kStepForward:
        ScrollBy(1);
        return true;
    case PaletteStrip::kPageForward:
        ScrollBy(std::max(1, m_strip.ColorSwatches()));
        return true;
    default:
        break;
    }
    if (const PaletteEntry* entry = EntryAtButton(button)) {
        const PaletteEntry chosen = *entry; // the recent colours may be rebuilt under it
        SelectEntry(chosen);
    }
    return true;
}

void PaletteManager::ScrollBy(int32_t entries) {
    Palette* shown = Cell(m_kind).get();
    if (!shown) {
        return;
    }
    const int32_t scroll = m_strip.ClampScroll(shown->scrollOffset + entries, shown->list.Count());
    if (scroll != shown->scrollOffset) {
        shown->scrollOffset = scroll;
        Redraw(kChangeReason);
    }
}

void PaletteManager::BeginRightDrag(int32_t x, int32_t /*y*/) {
    m_rightDrag = true;
    m_rightDragMoved = false;
    m_dragX = x;
}

bool PaletteManager::DragTo(int32_t x, int32_t /*y*/) {
    if (!m_rightDrag) {
        return false;
    }
    // Dragging to the left brings later entries in, as if pulling the row along.
    const int32_t swatches = (m_dragX - x) / m_strip.SwatchSize();
    if (swatches != 0) {
        ScrollBy(swatches);
        m_dragX -= swatches * m_strip.SwatchSize();
        m_rightDragMoved = true;
    }
    return true;
}

bool PaletteManager::EndRightDrag(int32_t x, int32_t y) {
    if (!m_rightDrag) {
        return false;
    }
    DragTo(x, y);
    m_rightDrag = false;
    if (!m_rightDragMoved) {
        m_host->PaletteMenuRequested(x, y);
    }
    return true;
}

} // namespace ts
