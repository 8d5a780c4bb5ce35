// The palettes' place in the workspace: the Palette menu, the strip's input and its links to the view,
// the drawing and the modes.

#include "palette/palette_builders.h"
#include "workspace/workspace.h"

#include <array>
#include <string>

namespace ts {

namespace pk = palette_kind;

// What the palettes take from the drawing and the view, and how the strip's input reaches them.
class Workspace::PaletteLinks final : public PaletteHost, public PaletteInput, public EnvironmentObserver {
public:
    explicit PaletteLinks(Workspace& w) : m_w(w) {}

    // PaletteHost.
    const Image24* DrawingPicture() override {
        m_w.refreshManager.FinishCompositing();
        const Image24& view = m_w.viewManager.ViewBuffer();
        return m_w.imageStack.Count() > ImageStackManager::kPaperIndex && !view.Empty() ? &view : nullptr;
    }
    uint32_t DrawingAverage() override {
        const Image24* picture = DrawingPicture();
        return picture ? SampleAverageColor(*picture, PaperColor()) : PaperColor();
    }
    const Image24* BoardTexture() override {
        const LayerObject* paper = m_w.imageStack.Layer(ImageStackManager::kPaperIndex);
        return paper && paper->image && !paper->image->pixels.Empty() ? &paper->image->pixels : nullptr;
    }
    uint32_t PaperColor() override {
        const Image24* board = BoardTexture();
        return board ? AverageColor(*board) : 0x00FFFFFFu;
    }
    const LayerObject* LightingLayer() override {
        return m_w.imageStack.Current() >= ImageStackManager::kFirstDrawingLayer
                   ? m_w.imageStack.CurrentLayer()
                   : nullptr;
    }
    void RedrawPalette(const std::string& reason) override {
        m_w.refreshManager.MarkPaletteContents();
        m_w.refresh.Refresh(reason);
    }
    void PaletteAreaChanged() override {
        if (m_w.paletteManager.Strip().Area() != m_w.viewGeometry.PaletteArea()) {
            m_w.viewGeometry.SetPaletteArea(m_w.paletteManager.Strip().Area());
            m_w.viewGeometry.Clamp();
        }
    }
    void PaletteColorChanged() override { m_w.environmentManager.OnPaletteColorChanged(); }
    void PaletteMenuRequested(int32_t x, int32_t y) override {
        if (m_w.paletteMenuRequested) {
            m_w.paletteMenuRequested(x, y);
        }
    }

    // PaletteInput.
    void OnPaletteLButtonDown(uint32_t /*flags*/, int32_t x, int32_t y) override {
        m_w.paletteManager.ClickAt(x, y);
    }
    void OnPaletteRButtonDown(uint32_t /*flags*/, int32_t x, int32_t y) override {
        m_w.paletteManager.BeginRightDrag(x, y);
    }
    bool OnPaletteMouseMove(uint32_t flags, int32_t x, int32_t y) override {
        if (m_w.paletteManager.RightDragging() && (flags & kRightButtonFlag) == 0) {
            m_w.paletteManager.CancelRightDrag(); // released where the view did not see it
            return false;
        }
        return m_w.paletteManager.DragTo(x, y);
    }
    bool OnPaletteRButtonUp(uint32_t /*flags*/, int32_t x, int32_t y) override {
        return m_w.paletteManager.EndRightDrag(x, y);
    }
    void OnPaletteWheel(int32_t delta, int32_t /*x*/, int32_t /*y*/) override {
        m_w.paletteManager.ScrollBy(delta > 0 ? -1 : 1);
    }

    // EnvironmentObserver: choosing the board shows the boards.
    void ModeEntered(Env& mode) override {
        if (&mode == &m_w.paperManager) {
            m_w.paletteManager.ShowPalette(pk::kBoard);
        }
    }

private:
    static constexpr uint32_t kRightButtonFlag = 2; // of the mouse key-state flags

    Workspace& m_w;
};

void Workspace::StartPalettes() {
    paletteManager.CheckPalettes();
    if (!paletteManager.ShowPalette(paletteManager.CurrentBaseKind(), false)) {
        paletteManager.ShowPalette(pk::kBrightness, false);
    }
}

void Workspace::LayoutPalette(int32_t clientWidth, int32_t clientHeight) {
    paletteManager.LayoutStrip(clientWidth, clientHeight);
}

void Workspace::ConnectPalettes() {
    m_paletteLinks = std::make_shared<PaletteLinks>(*this);
    paletteManager.SetHost(m_paletteLinks.get());
    viewInput.SetPaletteInput(m_paletteLinks.get());
    environmentManager.AddObserver(m_paletteLinks.get());
    paperManager.SetPaletteColorSource([this] { return paletteManager.GetCurrentColor(); });
    customBackdropManager.SetPaletteColorSource([this] { return paletteManager.GetCurrentColor(); });

    auto on = [this](int32_t id, std::function<void()> run, std::function<bool()> enabled = nullptr,
                     std::function<bool()> checked = nullptr) {
        if (Command* c = commands.Find(id)) {
            c->run = std::move(run);
            c->enabled = std::move(enabled);
            c->checked = std::move(checked);
        }
    };
    PaletteManager& p = paletteManager;
    auto show = [this, on](int32_t id, int32_t kind, std::function<bool()> enabled = nullptr) {
        on(
            id, [this, kind] { paletteManager.ShowPalette(kind); }, std::move(enabled),
            [this, kind] { return paletteManager.CurrentBaseKind() == kind; });
    };

    on(cmd::kPaletteLoad, [&p] { p.LoadPalette(); });
    on(
        cmd::kPaletteSave, [&p] { p.SavePalette(); }, [&p] { return p.CanSave(); });
    show(cmd::kPaletteRecent, pk::kRecent, [&p] { return p.RecentColors() != nullptr; });
    show(cmd::kPaletteDrawing, pk::kDrawing);
    show(cmd::kPalettePencils, pk::kPencils);
    show(cmd::kPaletteHue, pk::kHue);
    show(cmd::kPaletteSaturation, pk::kSaturation);
    show(cmd::kPaletteBrightness, pk::kBrightness);
    on(cmd::kAddColor, [&p] { p.AddColor(); });
    on(cmd::kRemoveColor, [&p] { p.RemoveColor(); });
    on(cmd::kNameColor, [&p] { p.NameColor(); });
    on(cmd::kFindColor, [&p] { p.FindColor(); });
    on(cmd::kAverageDrawingColor, [this, &p] { p.SelectColor(m_paletteLinks->DrawingAverage()); });
    for (int32_t i = 0; i < 4; ++i) {
        on(
            cmd::kRecentPalette1 + i, [&p, i] { p.LoadRecentPalette(i); },
            [this, i] { return !profile.Recent(RecentList::Palettes).Entry(i).empty(); });
        // The recent palettes read as the File menu's recent drawings.
        commands.Find(cmd::kRecentPalette1 + i)->dynamicText = [this, i] {
            return RecentMenuText(profile.Recent(RecentList::Palettes), i);
        };
    }
    for (int32_t i = 0; i < PaletteManager::kSlots; ++i) {
        show(cmd::kPaletteSlot1 + i, pk::kSlot1 + 2 * i, [&p, i] { return p.Slot(i) != nullptr; });
        commands.Find(cmd::kPaletteSlot1 + i)->dynamicText = [&p, i] { return p.SlotMenuText(i); };
    }

    // The strip's keys and menu: commands without a menu of their own.
    auto add = [this](int32_t id, const char* text, const char* prompt, const char* accelerator = "") {
        Command c;
        c.id = id;
        c.text = text;
        c.prompt = prompt;
        c.accelerator = accelerator;
        commands.Add(std::move(c));
    };
    add(cmd::kPaletteSlotOrPencils, "Loaded Palette or Pencils",
        "Show the palette loaded last, else the pencils", "F4");
    on(
        cmd::kPaletteSlotOrPencils, [&p] { p.ShowPalette(p.Slot(0) ? pk::kSlot1 : pk::kPencils); },
        [&p] { return p.CommercialBoards() != nullptr; }, [&p] { return p.CurrentBaseKind() == pk::kBoard; });
    add(cmd::kPaletteParticles, "Particles", "Show the colours of the board's texture", "F8");
    show(cmd::kPaletteParticles, pk::kParticles,
         [this] { return m_paletteLinks->BoardTexture() != nullptr; });
    add(cmd::kPaletteBoard, "Board", "Show the boards, nearest to the drawing's colour first");
    show(cmd::kPaletteBoard, pk::kBoard);
    add(cmd::kPaletteLighting, "Lighting", "Show the shades of the paper under the layer's lighting");
    show(cmd::kPaletteLighting, pk::kLighting);
    add(cmd::kPaletteCondensed, "Condensed", "Fit the whole palette into the strip");
    on(
        cmd::kPaletteCondensed, [&p] { p.SetCondensed(!p.Condensed()); }, nullptr,
        [&p] { return p.Condensed(); });
    add(cmd::kPaletteLowFirst, "Lower-valued colors will appear first", "Put the lower values first");
    on(cmd::kPaletteLowFirst, [&p] { p.ReverseShownIf(true); });
    add(cmd::kPaletteHighFirst, "Higher-valued colors will appear first", "Put the higher values first");
    on(cmd::kPaletteHighFirst, [&p] { p.ReverseShownIf(false); });
    add(cmd::kPaletteSortLuminance, "Sort by Brightness", "Sort the palette by luminance, lightest first");
    on(cmd::kPaletteSortLuminance, [&p] { p.SortShown(PaletteSortKind::kLuminance, true); });
    add(cmd::kPaletteSortHue, "Sort by Hue", "Sort the palette by hue angle");
    on(cmd::kPaletteSortHue, [&p] { p.SortShown(PaletteSortKind::kHueAngle, true); });
    add(cmd::kPaletteSortChroma, "Sort by Chroma", "Sort the palette by chroma, greyest first");
    on(cmd::kPaletteSortChroma, [&p] { p.SortShown(PaletteSortKind::kChroma, false); });
    static constexpr std::array<int32_t, 4> kSizes = {16, 20, 24, 32};
    static constexpr std::array<const char*, 4> kSizeTexts = {"Swatches 16", "Swatches 20", "Swatches 24",
                                                              "Swatches 32"};
    for (size_t i = 0; i < kSizes.size(); ++i) {
        const int32_t id = cmd::kSwatchSize16 + static_cast<int32_t>(i);
        add(id, kSizeTexts[i], "Set the size of the palette's swatches");
        on(
            id, [&p, size = kSizes[i]] { p.SetSwatchSize(size); }, nullptr,
            [&p, size = kSizes[i]] { return p.Strip().SwatchSize() == size; });
    }
}

} // namespace ts
