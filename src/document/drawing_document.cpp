#include "document/drawing_document.h"

#include "document/layer_geometry.h"
#include "files/drawing_reader.h"
#include "files/flatten.h"
#include "files/stream_block.h"
#include "files/tsl_file.h"
#include "model/part_buffers.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <system_error>

namespace ts {

namespace {

constexpr const char* kNewLinesName = "New Lines";
// Stored ids at or above this are not kept: the id counter must not run out.
constexpr uint32_t kMaxStoredId = 0x40000000;

bool FileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

// Bounds read from a file that are no rectangle near the drawing become the layer's extent, so that
// arithmetic on them stays within 32 bits.
void KeepBoundsSane(const ImageStackManager& stack, LayerObject& layer) {
    constexpr int32_t kFar = 1 << 26;
    const Rect& b = layer.bounds;
    const bool sane = b.left >= -kFar && b.top >= -kFar && b.right <= kFar && b.bottom <= kFar &&
                      b.left <= b.right && b.top <= b.bottom;
    if (!sane) {
        const auto clamp = [](int64_t v) {
            return static_cast<int32_t>(std::clamp<int64_t>(v, -kFar, kFar));
        };
        layer.bounds = Rect{clamp(layer.offsetX), clamp(layer.offsetY),
                            clamp(int64_t{layer.offsetX} + stack.LayerWidth(layer)),
                            clamp(int64_t{layer.offsetY} + stack.LayerHeight(layer))};
    }
}

// Nearest-pixel resampling of a buffer of any pixel width to a new size: pixel (x, y) of the result is
// pixel (x * width / new width, y * height / new height) of the buffer.
template <class Buffer>
std::unique_ptr<Buffer> Resampled(const RLBuffer& from, int32_t width, int32_t height, uint8_t fill) {
    const int32_t bpp = from.BytesPerPixel();
    auto out = parts::NewBuffer<Buffer>(width, height, bpp, fill);
    if (!out) {
        return nullptr;
    }
    std::vector<uint8_t> source(from.RawRowLength());
    std::vector<uint8_t> row(static_cast<size_t>(width) * static_cast<size_t>(bpp));
    for (int32_t y = 0; y < height; ++y) {
        from.ReadRow(static_cast<int32_t>(int64_t{y} * from.Height() / height), source.data());
        for (int32_t x = 0; x < width; ++x) {
            const auto sx = static_cast<size_t>(int64_t{x} * from.Width() / width);
            std::memcpy(row.data() + static_cast<size_t>(x) * bpp, source.data() + sx * bpp,
                        static_cast<size_t>(bpp));
        }
        if (!out->PutRow(y, row.data())) {
            return nullptr;
        }
    }
    return out;
}

int32_t Scaled(int32_t v, double factor) {
    return static_cast<int32_t>(std::lround(v * factor));
}

// A layer file's layer made at another resolution than the drawing's is resized by the ratio of the two,
// so that it keeps its size on paper; it then takes the drawing's scale settings. Ratios beyond 1:16
// either way are taken as damaged settings and leave the layer as it is.
void FitResolution(LayerObject& layer, const std::array<double, 8>& drawingScale) {
    const double factor = drawingScale[kResolution] / layer.scale[kResolution];
    if (!std::isfinite(factor) || factor == 1.0 || factor < 1.0 / 16 || factor > 16) {
        return;
    }
    auto size = [factor](int32_t w) { return std::max(1, Scaled(w, factor)); };
    geometry::PartTransform scale;
    scale.buffer = [&](const RLBuffer& b, uint8_t fill) {
        return Resampled<RLBuffer>(b, size(b.Width()), size(b.Height()), fill);
    };
    scale.mask = [&](const SuperBitBuffer& b) {
        return Resampled<SuperBitBuffer>(b, size(b.Width()), size(b.Height()), 0);
    };
    scale.image = [&](const BMap& b) -> std::unique_ptr<BMap> {
        auto image = std::make_unique<BMap>();
        if (!image->pixels.Create(size(b.Width()), size(b.Height()))) {
            return nullptr;
        }
        for (int32_t y = 0; y < image->Height(); ++y) {
            for (int32_t x = 0; x < image->Width(); ++x) {
                std::memcpy(image->pixels.Pixel(x, y),
                            b.pixels.Pixel(static_cast<int32_t>(int64_t{x} * b.Width() / image->Width()),
                                           static_cast<int32_t>(int64_t{y} * b.Height() / image->Height())),
                            3);
            }
        }
        return image;
    };
    if (!geometry::TransformParts(layer, scale)) {
        return; // without memory the layer keeps its size
    }
    layer.offsetX = Scaled(layer.offsetX, factor);
    layer.offsetY = Scaled(layer.offsetY, factor);
    const Rect& b = layer.bounds;
    layer.bounds = Rect{Scaled(b.left, factor), Scaled(b.top, factor), Scaled(b.right, factor),
                        Scaled(b.bottom, factor)};
    layer.scale = drawingScale;
}

} // namespace

DrawingDocument::DrawingDocument(ImageStackManager& stack, LayerOperations& operations,
                                 RefreshRequests& refresh, UserInterface& ui, ImageCodec& codec,
                                 ProfileManager& profile, Compositor& compositor)
    : m_stack(stack), m_operations(operations), m_refresh(refresh), m_ui(ui), m_codec(codec),
      m_profile(profile), m_compositor(compositor) {}

std::string DrawingDocument::Title() const {
    return "Tintsmith - " + (m_fileName.empty() ? std::string("Untitled") : CTslFile::FileName(m_fileName));
}

void DrawingDocument::ForgetFileName() {
    m_fileName.clear();
    m_state = DocumentState::kNew;
    m_hooks->TitleChanged(Title());
}

void DrawingDocument::SetFileName(const std::string& path) {
    m_fileName = path;
    m_hooks->TitleChanged(Title());
}

StreamWriteOptions DrawingDocument::WriteOptions(int32_t onlyLayer) {
    StreamWriteOptions options;
    options.onlyLayer = onlyLayer;
    options.backdropSelection = m_hooks->BackdropSelection();
    options.backdropPicture = m_hooks->BackdropPicture();
    options.paperAdjust = m_hooks->PaperAdjustments();
    return options;
}

// ---------------------------------------------------------------------------------------------------
// Loading

// The read layers replace the drawing. Stored ids are kept where they are usable (non-zero, not taken
// twice) and the id counter moves past them, so that layers made later never share one; other layers
// get fresh ids.
void DrawingDocument::InstallDrawing(LoadedDrawing& loaded, InstallMode mode) {
    if (mode == InstallMode::kDrawing) {
        m_operations.ClearDrawing(true, true);
    } else {
        m_stack.ReleaseAll();
        m_operations.ClearMergePartner();
    }
    std::set<uint32_t> ids;
    for (LoadedLayer& entry : loaded.layers) {
        LayerObject& layer = *entry.layer;
        if (entry.hasHeader && layer.id != 0 && layer.id < kMaxStoredId && ids.insert(layer.id).second) {
            m_stack.ReserveId(layer.id);
        } else {
            layer.id = 0;
        }
        if (!entry.hasHeader) {
            layer.scale = m_stack.Defaults().scale;
        }
    }
    for (LoadedLayer& entry : loaded.layers) {
        if (entry.layer->id == 0) {
            entry.layer->id = m_stack.TakeNextId();
        }
        m_stack.InsertLayer(m_stack.Count(), std::move(entry.layer));
    }
    loaded.layers.clear();
    m_stack.UnpackAll(0);
    for (int32_t i = 0; i < m_stack.Count(); ++i) {
        KeepBoundsSane(m_stack, *m_stack.Layer(i));
    }
    // Streams before version 200 carry no names.
    LayerObject* backdrop = m_stack.Layer(ImageStackManager::kBackdropIndex);
    LayerObject* paper = m_stack.Layer(ImageStackManager::kPaperIndex);
    if (backdrop->name.empty()) {
        backdrop->name = kBackdropName;
    }
    if (paper->name.empty()) {
        paper->name = kPaperName;
    }
    m_stack.SetDrawingSize(paper->offsetX, paper->offsetY);
    m_hooks->DrawingResized(m_stack.DrawingWidth(), m_stack.DrawingHeight());
    int32_t current = m_stack.Count() - 1;
    for (int32_t i = 0; i < m_stack.Count(); ++i) {
        if (m_stack.Layer(i)->name == kNewLinesName) {
            current = i;
            break;
        }
    }
    m_stack.SetCurrent(current);
    // The board first: the backdrop kinds made from it take the loaded one.
    m_hooks->PaperLoaded(*paper);
    if (backdrop->image) {
        m_hooks->RestoreBackdrop(*backdrop, backdrop->offsetX, backdrop->offsetY);
    }
    m_refresh.MarkStackFootprint();
}

// The drawing layers of a layer file go on top of the stack with fresh ids (their stored ids belong to
// another drawing); the file's backdrop and paper are dropped.
bool DrawingDocument::InstallObject(LoadedDrawing& loaded, const std::string& path, bool legacy) {
    const auto drawingLayers =
        static_cast<int32_t>(loaded.layers.size()) - ImageStackManager::kFirstDrawingLayer;
    if (m_stack.Count() < ImageStackManager::kFirstDrawingLayer || drawingLayers < 1 ||
        drawingLayers > ImageStackManager::kMaxLayers - m_stack.Count()) {
        m_ui.ShowMessage(kNotValidObject);
        return false;
    }
    const LayerObject* paper = m_stack.Layer(ImageStackManager::kPaperIndex);
    const std::array<double, 8> drawingScale = paper->scale;
    Rect area;
    for (size_t i = ImageStackManager::kFirstDrawingLayer; i < loaded.layers.size(); ++i) {
        LoadedLayer& entry = loaded.layers[i];
        entry.layer->id = m_stack.TakeNextId();
        if (!entry.hasHeader) {
            entry.layer->scale = m_stack.Defaults().scale;
        }
        const int32_t index = m_stack.Count();
        m_stack.InsertLayer(index, std::move(entry.layer));
        m_stack.UnpackProperties(*m_stack.Layer(index), index);
        KeepBoundsSane(m_stack, *m_stack.Layer(index));
        if (!legacy) {
            FitResolution(*m_stack.Layer(index), drawingScale);
        }
        area = Union(area, m_stack.Layer(index)->bounds);
    }
    loaded.layers.clear();
    m_stack.SetCurrent(m_stack.Count() - 1);
    if (legacy) {
        // The file's title: its name without the extension, every other dot removed ("plan.tsl" gives
        // "plan", "my.old.layer.tsl" "myoldlayer").
        std::string name = CTslFile::FileName(path);
        name.resize(name.size() - CTslFile::Extension(name).size());
        name.erase(std::remove(name.begin(), name.end(), '.'), name.end());
        m_stack.CurrentLayer()->name = name;
    }
    m_refresh.MarkViewContents(Intersection(area, m_stack.DrawingRect()));
    m_refresh.Refresh("Add Tsl File");
    return true;
}

// A legacy drawing takes the page it fits best: when the page differs from the drawing and the page
// turned by 90 degrees is closer to it (sums of absolute differences of width and height; a tie keeps
// the page as it is), the page is turned; the drawing then takes the page's size.
void DrawingDocument::FitPage() {
    Page page = m_operations.CurrentPage();
    const int32_t dw = m_stack.DrawingWidth();
    const int32_t dh = m_stack.DrawingHeight();
    const int32_t pw = page.DrawingWidth();
    const int32_t ph = page.DrawingHeight();
    if (pw == dw && ph == dh) {
        return;
    }
    const int64_t straight = std::abs(int64_t{pw} - dw) + std::abs(int64_t{ph} - dh);
    const int64_t turned = std::abs(int64_t{ph} - dw) + std::abs(int64_t{pw} - dh);
    if (turned < straight) {
        std::swap(page.width, page.height);
        std::swap(page.printableWidth, page.printableHeight);
        m_operations.SetPage(page);
    }
    m_stack.SetDrawingSize(page.DrawingWidth(), page.DrawingHeight());
    m_hooks->DrawingResized(m_stack.DrawingWidth(), m_stack.DrawingHeight());
}

bool DrawingDocument::LoadDrawing(const std::string& path, bool asObject) {
    LoadedDrawing loaded;
    if (!ReadDrawingPng(m_ui, path, asObject, loaded)) {
        return false;
    }
    if (asObject) {
        return InstallObject(loaded, path, false);
    }
    InstallDrawing(loaded, InstallMode::kDrawing);
    return true;
}

bool DrawingDocument::OpenDrawing(const std::string& path, bool asObject) {
    LoadedDrawing loaded;
    if (!ReadDrawingFile(m_ui, path, asObject, loaded)) {
        return false;
    }
    const bool legacy = CTslFile::KindOf(path) == CTslFile::Kind::kLegacy;
    if (asObject) {
        return InstallObject(loaded, path, legacy);
    }
    InstallDrawing(loaded, InstallMode::kDrawing);
    if (legacy) {
        FitPage();
    }
    // Every open (the dialog, the recent list, the command line, a dropped file) comes through here:
    // the state decides whether "&Save" may write over the file, which it never does for a legacy one.
    m_state =
        legacy || path.find(".tsl") != std::string::npos ? DocumentState::kLegacy : DocumentState::kDrawing;
    SetFileName(path);
    m_refresh.Refresh("On File Load");
    return true;
}

bool DrawingDocument::Open() {
    m_hooks->FinishPendingWork();
    std::string path;
    FileDialogRequest request{"Open", m_profile.DialogFolder(RecentFolder::OpenDrawings),
                              "",     "Tintsmith Drawings (*.png;*.tsl)|*.png;*.tsl||",
                              "",     false};
    if (!m_ui.ChooseOpenFile(request, path)) {
        return false;
    }
    // A drawing with a file is always offered for saving; an untitled one when it holds work.
    if (m_state != DocumentState::kNew || m_hooks->HasUnsavedChanges().value_or(false)) {
        switch (m_ui.AskYesNoCancel("Do you wish to save the current drawing?")) {
        case Answer::Yes:
        case Answer::Ok:
            if (!SaveAs()) {
                return false; // the drawing was not saved: it stays open
            }
            break;
        case Answer::Cancel:
            return false;
        case Answer::No:
            break;
        }
    }
    if (!OpenDrawing(path, false)) {
        return false;
    }
    m_profile.SetFolder(RecentFolder::OpenDrawings, CTslFile::DialogFolder(path));
    return true;
}

bool DrawingDocument::LoadLayer() {
    m_hooks->FinishPendingWork();
    std::string path;
    FileDialogRequest request{"Load Layer", m_profile.DialogFolder(RecentFolder::Objects),
                              "",           "Tintsmith Layers (*.png;*.tsl)|*.png;*.tsl||",
                              "",           false};
    if (!m_ui.ChooseOpenFile(request, path)) {
        return false;
    }
    if (!OpenDrawing(path, true)) {
        return false;
    }
    m_profile.SetFolder(RecentFolder::Objects, CTslFile::DialogFolder(path));
    return true;
}

// ---------------------------------------------------------------------------------------------------
// Saving

bool DrawingDocument::NothingToStore() const {
    const LayerObject* paper = m_stack.Layer(ImageStackManager::kPaperIndex);
    return m_stack.Count() <= ImageStackManager::kFirstDrawingLayer && (!paper || paper->bounds.IsEmpty());
}

void DrawingDocument::ShowSaveFailure(const SaveResult& result, const std::string& path) {
    switch (result.status) {
    case SaveStatus::kSaved:
        return;
    case SaveStatus::kOpenFailed:
        m_ui.ShowMessage("Failed to open file for writing.");
        return;
    case SaveStatus::kZlibFailed:
        m_ui.ShowMessage(ZlibErrorText(result.zlibCode));
        return;
    case SaveStatus::kNoMemory:
    case SaveStatus::kWriteFailed:
        ShowFileError(m_ui, result.error ? FileErrorCauseFromErrno(result.error) : FileErrorCause::Generic,
                      path);
        return;
    }
}

SaveResult DrawingDocument::SaveDrawingTo(const std::string& path) {
    Image24 picture;
    if (!RenderFlattened(m_compositor, m_stack, picture)) {
        return SaveResult{SaveStatus::kNoMemory, 0, 0};
    }
    return WriteDrawingFile(path, m_stack, WriteOptions(), picture);
}

Rect DrawingDocument::CurrentLayerArea() const {
    const LayerObject* layer = m_stack.Layer(m_stack.Current());
    if (!layer) {
        return Rect{};
    }
    if (!layer->bounds.IsEmpty()) {
        return layer->bounds;
    }
    return Rect{layer->offsetX, layer->offsetY, layer->offsetX + m_stack.LayerWidth(*layer),
                layer->offsetY + m_stack.LayerHeight(*layer)};
}

SaveResult DrawingDocument::SaveLayerTo(const std::string& path) {
    Image24 picture;
    if (m_stack.Current() < ImageStackManager::kFirstDrawingLayer ||
        !RenderCurrentLayer(m_compositor, m_stack, CurrentLayerArea(), picture)) {
        return SaveResult{SaveStatus::kNoMemory, 0, 0};
    }
    return WriteDrawingFile(path, m_stack, WriteOptions(m_stack.Current()), picture);
}

bool DrawingDocument::Save() {
    m_hooks->FinishPendingWork();
    if (NothingToStore()) {
        m_ui.ShowMessage("There is no drawing to store.");
        return false;
    }
    // Only a drawing PNG is written over under its own name: a legacy file keeps its format.
    if (m_fileName.empty() || m_state != DocumentState::kDrawing) {
        return SaveWithDialog();
    }
    WaitCursor wait(m_ui);
    const SaveResult result = SaveDrawingTo(m_fileName);
    ShowSaveFailure(result, m_fileName);
    return result.Saved();
}

bool DrawingDocument::SaveAs() {
    m_hooks->FinishPendingWork();
    if (NothingToStore()) {
        m_ui.ShowMessage("There is no drawing to store.");
        return false;
    }
    return SaveWithDialog();
}

bool DrawingDocument::SaveWithDialog() {
    const std::string folder = m_profile.DialogFolder(RecentFolder::SaveDrawings);
    FileDialogRequest request{"Save Drawing",
                              folder,
                              m_fileName.empty() ? folder + "/Untitled-1.ts.png" : m_fileName,
                              "Huecraft Files (*ts.png)|*ts.png||",
                              "",
                              true};
    std::string chosen;
    if (!m_ui.ChooseSaveFile(request, chosen)) {
        return false;
    }
    const std::string path = CTslFile::ForceExtension(chosen);
    // The dialog asked about the name it showed; the name written may be another one.
    if (path != chosen && FileExists(path) &&
        !m_ui.AskYesNo(CTslFile::FileName(path) + " already exists.\nDo you want to replace it?")) {
        return false;
    }
    WaitCursor wait(m_ui);
    const SaveResult result = SaveDrawingTo(path);
    if (!result.Saved()) {
        ShowSaveFailure(result, path);
        return false;
    }
    m_profile.SetFolder(RecentFolder::SaveDrawings, CTslFile::DialogFolder(path));
    m_state = DocumentState::kDrawing;
    SetFileName(path);
    m_profile.Recent(RecentList::Drawings).Add(path);
    m_profile.SaveRecent(RecentList::Drawings);
    return true;
}

// ---------------------------------------------------------------------------------------------------
// Whole-drawing undo

bool DrawingDocument::SnapshotBlock(std::vector<uint8_t>& block) {
    const SaveResult result = CompressDrawing(m_stack, WriteOptions(), block);
    if (result.status == SaveStatus::kZlibFailed) {
        m_ui.ShowMessage(ZlibErrorText(result.zlibCode));
    }
    return result.Saved();
}

bool DrawingDocument::RestoreBlock(const std::vector<uint8_t>& block) {
    StreamBytes stream;
    int zlibCode = 0;
    const BlockStatus status = DecompressStreamBlock(block.data(), block.size(), stream, zlibCode);
    if (status == BlockStatus::kZlibError) {
        m_ui.ShowMessage(ZlibErrorText(zlibCode));
    }
    if (status != BlockStatus::kOk) {
        return false;
    }
    ByteReader in(stream.data.get(), stream.size);
    LoadedDrawing loaded;
    if (ReadDrawingStream(in, loaded) != StreamResult::kLoaded) {
        return false;
    }
    InstallDrawing(loaded, InstallMode::kUndo);
    return true;
}

} // namespace ts
