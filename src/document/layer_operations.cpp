#include "document/layer_operations.h"

#include "document/layer_geometry.h"
#include "files/drawing_stream.h"
#include "model/board_textures.h"

#include <algorithm>
#include <new>
#include <vector>

namespace ts {

namespace {

constexpr int32_t kCloneShift = 50;

} // namespace

LayerOperations::LayerOperations(ImageStackManager& stack, UndoStore& undo, RefreshRequests& refresh,
                                 UserInterface& ui, ImageCodec& codec, ProfileManager& profile)
    : m_stack(stack), m_undo(undo), m_refresh(refresh), m_ui(ui), m_codec(codec), m_profile(profile) {}

void LayerOperations::SetMergePartner(int32_t index) {
    const LayerObject* layer = m_stack.Layer(index);
    m_mergePartnerId = layer && index >= ImageStackManager::kFirstDrawingLayer ? layer->id : 0;
}

int32_t LayerOperations::MergePartner() const {
    return m_mergePartnerId ? m_stack.IndexOfId(m_mergePartnerId) : -1;
}

void LayerOperations::ClearDrawing(bool keepTitle, bool resetUndo) {
    m_stack.ReleaseAll();
    m_mergePartnerId = 0;
    if (resetUndo) {
        m_undo.Reset(true);
    }
    if (!keepTitle) {
        m_hooks->ForgetFileName();
    }
}

std::unique_ptr<SuperBitBuffer> LayerOperations::NewDrawingBuffer(int32_t width, int32_t height,
                                                                  float poolFactor) {
    std::unique_ptr<SuperBitBuffer> buffer;
    try {
        buffer = std::make_unique<SuperBitBuffer>();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    if (!buffer->Create(std::max(1, width), std::max(1, height), 2, 0, poolFactor)) {
        return nullptr;
    }
    return buffer;
}

bool LayerOperations::AddBlankLayer(int32_t width, int32_t height, float poolFactor, BlankUndo undo) {
    auto buffer = NewDrawingBuffer(width, height, poolFactor);
    if (!buffer || !m_stack.CreateDrawingLayer(std::move(buffer), kBlankLayerName)) {
        return false;
    }
    // Centred on the drawing: a layer smaller than the page leaves the same margin on either side.
    LayerObject* layer = m_stack.CurrentLayer();
    const int32_t dx = std::max(0, (m_stack.DrawingWidth() - layer->bounds.Width()) / 2) - layer->bounds.left;
    const int32_t dy =
        std::max(0, (m_stack.DrawingHeight() - layer->bounds.Height()) / 2) - layer->bounds.top;
    layer->offsetX += dx;
    layer->offsetY += dy;
    layer->bounds = Translated(layer->bounds, dx, dy);
    if (undo == BlankUndo::kRemovesLayer) {
        m_undo.SnapshotAddedLayer();
    } else {
        m_undo.SnapshotRegion(m_stack.Current(), Rect{});
    }
    return true;
}

bool LayerOperations::NewDrawing() {
    m_hooks->FinishPendingWork();
    const std::string folder = m_profile.ProgramFolder() + kBoardFolder;
    auto backdrop = std::make_unique<BMap>();
    if (!m_codec.Load(folder + kBoardTextures[0].file, backdrop->pixels)) {
        return false;
    }
    const auto paperColor = static_cast<uint32_t>(m_profile.Get(settings::kPaperColor)) & 0x00FFFFFF;
    const int32_t textureIndex =
        std::clamp(m_profile.Get(settings::kPaperTextureIndex), 0, kNoneTextureIndex);
    auto paper = std::make_unique<BMap>();
    if (!m_codec.Load(folder + BoardTextureAt(textureIndex).file, paper->pixels)) {
        // Without its texture the board is flat: the paper colour alone.
        if (!paper->pixels.Create(64, 64)) {
            return false;
        }
        for (int32_t y = 0; y < 64; ++y) {
            for (int32_t x = 0; x < 64; ++x) {
                paper->pixels.SetColor(x, y, paperColor);
            }
        }
    }
    const double width = std::atof(m_profile.Get(settings::kScaleDrawingPaperWidth).c_str());
    const double height = std::atof(m_profile.Get(settings::kScaleDrawingPaperHeight).c_str());
    m_page = Page::FromInches(width > 0 ? width : 36.0, height > 0 ? height : 24.0,
                              m_profile.Get(settings::kLeftMargin), m_profile.Get(settings::kTopMargin),
                              m_profile.Get(settings::kPrinterResolutionX));

    ClearDrawing(false, true);
    m_stack.SetDrawingSize(m_page.DrawingWidth(), m_page.DrawingHeight());
    m_hooks->DrawingResized(m_stack.DrawingWidth(), m_stack.DrawingHeight());
    LayerObject* backdropLayer = m_stack.CreateLayer(kBackdropName);
    if (!backdropLayer) {
        return false;
    }
    backdropLayer->image = std::move(backdrop);
    m_hooks->BackdropChanged(*backdropLayer);
    LayerObject* paperLayer = m_stack.CreateLayer(kPaperName);
    if (!paperLayer) {
        return false;
    }
    paperLayer->image = std::move(paper);
    paperLayer->paperTextureIndex = textureIndex;
    m_hooks->PreparePaper(*paperLayer, textureIndex, paperColor);
    const bool made =
        AddBlankLayer(m_stack.DrawingWidth() / 2, m_stack.DrawingHeight() / 2, 2.0f, BlankUndo::kPlacement);
    m_refresh.MarkStackFootprint();
    m_refresh.Refresh("BlankObject");
    return made;
}

bool LayerOperations::NewBlankLayer(BlankLayerSize size) {
    m_hooks->FinishPendingWork();
    int32_t width = m_stack.DrawingWidth() / 2;
    int32_t height = m_stack.DrawingHeight() / 2;
    if (size == BlankLayerSize::kPrintableArea) {
        width = m_page.printableWidth / Page::kPagePixelsPerDrawingPixel;
        height = m_page.printableHeight / Page::kPagePixelsPerDrawingPixel;
    } else if (size == BlankLayerSize::kFullPage) {
        width = m_page.DrawingWidth();
        height = m_page.DrawingHeight();
    }
    // Undo takes a layer the user added away again, as it does a cloned one.
    if (!AddBlankLayer(width, height, 4.0f, BlankUndo::kRemovesLayer)) {
        return false;
    }
    m_refresh.MarkViewContents(m_stack.CurrentLayer()->bounds);
    m_refresh.Refresh("BlankObject");
    return true;
}

void LayerOperations::RefreshSelection(const char* reason) {
    bool anyDimmed = false;
    for (int32_t i = ImageStackManager::kFirstDrawingLayer; i < m_stack.Count(); ++i) {
        anyDimmed = anyDimmed || m_stack.Layer(i)->dimmed;
    }
    if (anyDimmed) {
        m_refresh.MarkViewContents(m_stack.DrawingRect());
    } else {
        m_refresh.MarkStackFootprint();
    }
    m_refresh.Refresh(reason);
}

void LayerOperations::RepaintAll(const char* reason) {
    m_refresh.MarkViewContents(m_stack.DrawingRect());
    m_refresh.Refresh(reason);
}

void LayerOperations::Select(int32_t index) {
    if (index >= ImageStackManager::kFirstDrawingLayer && index < m_stack.Count() &&
        index != m_stack.Current()) {
        m_stack.SetCurrent(index);
        RefreshSelection("R_LayerPanelSelect");
    }
}

void LayerOperations::ToggleDimmed(int32_t index) {
    if (index >= ImageStackManager::kFirstDrawingLayer && index < m_stack.Count()) {
        LayerObject* layer = m_stack.Layer(index);
        layer->dimmed = !layer->dimmed;
        RepaintAll("R_LayerPanelDim");
    }
}

void LayerOperations::ToggleHidden(int32_t index) {
    if (index >= ImageStackManager::kFirstDrawingLayer && index < m_stack.Count()) {
        LayerObject* layer = m_stack.Layer(index);
        layer->hidden = !layer->hidden;
        RepaintAll("R_LayerPanelHide");
    }
}

void LayerOperations::ToggleMarked(int32_t index) {
    if (index >= ImageStackManager::kFirstDrawingLayer && index < m_stack.Count()) {
        LayerObject* layer = m_stack.Layer(index);
        layer->marked = !layer->marked;
    }
}

void LayerOperations::SelectBottom() {
    if (m_stack.Count() > 2) {
        m_stack.SetCurrent(2);
        RefreshSelection("SelectBottomObject");
    }
}

void LayerOperations::SelectTop() {
    if (m_stack.Count() > 2) {
        m_stack.SetCurrent(m_stack.Count() - 1);
        RefreshSelection("SelectTopObject");
    }
}

void LayerOperations::SelectUp() {
    if (m_stack.Count() > 2 && m_stack.Current() + 1 < m_stack.Count()) {
        m_stack.SetCurrent(m_stack.Current() + 1);
        RefreshSelection("SelectTopObject");
    }
}

void LayerOperations::SelectDown() {
    if (m_stack.Count() > 2 && m_stack.Current() > 2) {
        m_stack.SetCurrent(m_stack.Current() - 1);
        RefreshSelection("SelectBottomObject");
    }
}

void LayerOperations::UpOne() {
    const int32_t current = m_stack.Current();
    if (m_stack.Count() >= 4 && current >= 2 && current <= m_stack.Count() - 2) {
        m_hooks->FinishPendingWork();
        m_stack.SwapLayers(current, current + 1);
        m_stack.SetCurrent(current + 1);
        RepaintAll("OnLayerMoverFront");
    }
}

void LayerOperations::DownOne() {
    const int32_t current = m_stack.Current();
    if (m_stack.Count() >= 4 && current >= 3) {
        m_hooks->FinishPendingWork();
        m_stack.SwapLayers(current, current - 1);
        m_stack.SetCurrent(current - 1);
        RepaintAll("OnLayerMoverFront");
    }
}

void LayerOperations::ToFront() {
    const int32_t current = m_stack.Current();
    if (m_stack.Count() >= 4 && current >= 2) {
        m_hooks->FinishPendingWork();
        m_stack.MoveLayer(current, m_stack.Count() - 1);
        m_stack.SetCurrent(m_stack.Count() - 1);
        RepaintAll("OnLayerMoverFront");
    }
}

void LayerOperations::ToRear() {
    const int32_t current = m_stack.Current();
    if (m_stack.Count() >= 4 && current >= 2) {
        m_hooks->FinishPendingWork();
        m_stack.MoveLayer(current, 2);
        m_stack.SetCurrent(2);
        RepaintAll("OnLayerMoverFront");
    }
}

bool LayerOperations::Clone() {
    const int32_t source = m_stack.Current();
    if (source < ImageStackManager::kFirstDrawingLayer || !m_stack.Layer(source)) {
        return false;
    }
    m_hooks->FinishPendingWork();
    LayerObject* copy = m_stack.CreateLayer(m_stack.Layer(source)->name);
    if (!copy) {
        return false;
    }
    const uint32_t id = copy->id;
    if (!copy->CopyFrom(*m_stack.Layer(source), false)) {
        m_stack.RemoveLayer(m_stack.Count() - 1);
        m_stack.SetCurrent(source);
        return false;
    }
    copy->id = id;
    copy->offsetX += kCloneShift;
    copy->offsetY += kCloneShift;
    copy->bounds = Translated(copy->bounds, kCloneShift, kCloneShift);
    m_undo.SnapshotAddedLayer();
    m_refresh.MarkViewContents(Union(m_stack.Layer(source)->bounds, copy->bounds));
    m_refresh.Refresh("Duplicate");
    return true;
}

void LayerOperations::DeleteCurrent() {
    const int32_t current = m_stack.Current();
    if (current < ImageStackManager::kFirstDrawingLayer || current >= m_stack.Count()) {
        return;
    }
    m_hooks->FinishPendingWork();
    WaitCursor wait(m_ui);
    m_undo.SnapshotCurrentLayer(true);
    DeleteLayer(current, true);
    m_refresh.Refresh("R_OnObjectsDeleteSelectedObject");
}

void LayerOperations::DeleteLayer(int32_t index, bool keepSize) {
    if (index < ImageStackManager::kFirstDrawingLayer || index >= m_stack.Count()) {
        return;
    }
    const int32_t previous = m_stack.Current();
    m_undo.DropNewestAdded(m_stack.Layer(index)->id);
    const Rect former = m_stack.Layer(index)->bounds;
    m_stack.RemoveLayer(index);
    const int32_t zoom = std::abs(m_refresh.ZoomFactor());
    m_refresh.MarkViewContents(Intersection(Grown(former, zoom), m_stack.DrawingRect()));
    if (m_stack.Count() <= ImageStackManager::kFirstDrawingLayer) {
        m_hooks->ForgetFileName();
        if (LayerObject* paper = m_stack.Layer(ImageStackManager::kPaperIndex)) {
            paper->bounds = keepSize ? m_stack.DrawingRect() : Rect{};
        }
    }
    // Deleting another layer keeps the current index (which may now name the layer that moved down
    // into it); deleting the current layer picks the main layer.
    m_stack.SetCurrent(previous == index ? m_stack.MainLayer() : std::min(previous, m_stack.Count() - 1));
}

bool LayerOperations::ChooseMergePartner(int32_t& partner) {
    const int32_t current = m_stack.Current();
    if (const int32_t marked = MergePartner();
        marked >= ImageStackManager::kFirstDrawingLayer && marked != current) {
        partner = marked;
        return true;
    }
    const int32_t others = m_stack.Count() - ImageStackManager::kFirstDrawingLayer - 1;
    if (others <= 0) {
        m_ui.ShowMessage("Combine requires another layer.");
        return false;
    }
    if (m_stack.CountDrawingLayers() == 2 && m_stack.IsDrawingLayer(current)) {
        for (int32_t i = ImageStackManager::kFirstDrawingLayer; i < m_stack.Count(); ++i) {
            if (i != current && m_stack.IsDrawingLayer(i)) {
                partner = i;
                return true;
            }
        }
    }
    if (others == 1) {
        partner = current == ImageStackManager::kFirstDrawingLayer ? current + 1
                                                                   : ImageStackManager::kFirstDrawingLayer;
        return true;
    }
    if (!m_ui.AskYesNo("Combine with next layer down?")) {
        return false;
    }
    for (int32_t i = current - 1; i >= ImageStackManager::kFirstDrawingLayer; --i) {
        if (m_stack.IsDrawingLayer(i)) {
            partner = i;
            return true;
        }
    }
    return false; // the lowest layer has nothing below it
}

void LayerOperations::Merge() {
    const int32_t current = m_stack.Current();
    if (current < ImageStackManager::kFirstDrawingLayer || current >= m_stack.Count()) {
        return;
    }
    m_hooks->FinishPendingWork();
    // An unusual pair is confirmed before the partner is chosen (which may ask its own question); a
    // partner found only by the choice is confirmed after it.
    const char* unusual = "Combining with a SketchFrame or RoviDivod is unusual. Continue?";
    const int32_t marked = MergePartner();
    const bool markedUnusual = marked >= ImageStackManager::kFirstDrawingLayer && marked != current &&
                               !m_stack.IsDrawingLayer(marked);
    const bool askedFirst = !m_stack.IsDrawingLayer(current) || markedUnusual;
    if (askedFirst && !m_ui.AskYesNo(unusual)) {
        return;
    }
    int32_t partner = -1;
    if (!ChooseMergePartner(partner)) {
        return;
    }
    if (!askedFirst && !m_stack.IsDrawingLayer(partner) && !m_ui.AskYesNo(unusual)) {
        return;
    }
    const int32_t keptIndex = std::min(current, partner);
    const int32_t otherIndex = std::max(current, partner);
    WaitCursor wait(m_ui);
    // The merge is made on a copy of the kept layer; nothing changes until it succeeded.
    const LayerObject& other = *m_stack.Layer(otherIndex);
    const Rect area = Union(m_stack.Layer(keptIndex)->bounds, other.bounds);
    std::unique_ptr<LayerObject> merged;
    try {
        merged = std::make_unique<LayerObject>();
    } catch (const std::bad_alloc&) {
        return;
    }
    if (!merged->CopyFrom(*m_stack.Layer(keptIndex), true) || !geometry::ResizeLayer(*merged, area) ||
        !geometry::MergeLayerInto(*merged, other)) {
        return; // out of memory: the command ends silently
    }
    // Both layers can come back: the kept one as it was, the merged one as deleted.
    m_stack.SetCurrent(keptIndex);
    m_undo.SnapshotCurrentLayer(false);
    m_stack.SetCurrent(otherIndex);
    m_undo.SnapshotCurrentLayer(true);
    m_stack.ReplaceLayer(keptIndex, std::move(merged));
    DeleteLayer(otherIndex, true);
    m_stack.SetCurrent(keptIndex);
    m_mergePartnerId = 0;
    m_hooks->LinesChanged(*m_stack.Layer(keptIndex));
    m_refresh.MarkViewContents(area);
    m_refresh.Refresh("end combine");
}

bool LayerOperations::Minimize() {
    LayerObject* layer = m_stack.CurrentLayer();
    if (!layer || m_stack.Current() < ImageStackManager::kFirstDrawingLayer) {
        return false;
    }
    m_hooks->FinishPendingWork();
    const Rect lines =
        layer->frame && layer->frame->drawingBuffer ? layer->frame->drawingBuffer->BoundingBox(0) : Rect{};
    if (lines.IsEmpty()) {
        m_ui.ShowMessage(
            "No lines were found in this layer.\nMinimize uses lines to define the extents of the layer.");
        return false;
    }
    constexpr int32_t kMargin = 30;
    const Rect before = layer->bounds;
    const Rect area{layer->offsetX + lines.left - kMargin, layer->offsetY + lines.top - kMargin,
                    layer->offsetX + lines.right + kMargin, layer->offsetY + lines.bottom + kMargin};
    m_undo.SnapshotCurrentLayer(false);
    if (!geometry::ResizeLayer(*layer, area)) {
        return false;
    }
    m_hooks->LinesChanged(*layer);
    m_refresh.MarkViewContents(Union(before, area));
    m_refresh.Refresh("Minimize");
    return true;
}

void LayerOperations::FlipHorizontal() {
    if (LayerObject* layer = m_stack.CurrentLayer(); layer && m_stack.Current() >= 2) {
        m_hooks->FinishPendingWork();
        WaitCursor wait(m_ui);
        geometry::FlipLayer(*layer, true, &m_ui.Progress());
        m_hooks->LinesChanged(*layer);
        m_refresh.MarkViewContents(layer->bounds);
        m_refresh.Refresh("Flip Horiz");
    }
}

void LayerOperations::FlipVertical() {
    if (LayerObject* layer = m_stack.CurrentLayer(); layer && m_stack.Current() >= 2) {
        m_hooks->FinishPendingWork();
        WaitCursor wait(m_ui);
        geometry::FlipLayer(*layer, false, &m_ui.Progress());
        m_hooks->LinesChanged(*layer);
        m_refresh.MarkViewContents(layer->bounds);
        m_refresh.Refresh("Flip Vert");
    }
}

bool LayerOperations::DesignRotate(int32_t degrees) {
    if (degrees != 90 && degrees != 180 && degrees != 270) {
        return false;
    }
    for (int32_t i = 0; i < m_stack.Count(); ++i) {
        if (m_stack.Layer(i)->name == kRoviDivodName) {
            m_ui.ShowMessage("Use View/Rotate when a RoviDivod is involved.");
            return false;
        }
    }
    m_hooks->FinishPendingWork();
    WaitCursor wait(m_ui);
    const int32_t width = m_stack.DrawingWidth();
    const int32_t height = m_stack.DrawingHeight();
    // Every layer's turned parts are made before any is put in place: when one cannot be made (memory,
    // a layer too big to turn) the drawing stays exactly as it was.
    std::vector<geometry::TransformedParts> turned;
    try {
        turned.resize(static_cast<size_t>(m_stack.Count()));
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (int32_t i = 0; i < m_stack.Count(); ++i) {
        if (!geometry::MakeTurn(*m_stack.Layer(i), degrees, turned[static_cast<size_t>(i)])) {
            return false;
        }
    }
    for (int32_t i = 0; i < m_stack.Count(); ++i) {
        geometry::InstallTurn(*m_stack.Layer(i), turned[static_cast<size_t>(i)], degrees, width, height);
    }
    turned.clear();
    if (degrees != 180) {
        m_stack.SetDrawingSize(height, width);
        m_hooks->DrawingResized(height, width);
        std::swap(m_page.width, m_page.height);
        std::swap(m_page.printableWidth, m_page.printableHeight);
    }
    for (int32_t i = ImageStackManager::kFirstDrawingLayer; i < m_stack.Count(); ++i) {
        m_hooks->LinesChanged(*m_stack.Layer(i));
    }
    m_refresh.MarkStackFootprint();
    m_refresh.MarkViewportSize();
    m_refresh.Refresh("Design Rotate");
    return true;
}

bool LayerOperations::BitmapRotate(int32_t degrees) {
    LayerObject* layer = m_stack.CurrentLayer();
    if (!layer || !layer->image || !layer->image->RotateQuarter(degrees)) {
        return false;
    }
    const Rect before = layer->bounds;
    layer->bounds = Rect{layer->offsetX, layer->offsetY, layer->offsetX + layer->image->Width(),
                         layer->offsetY + layer->image->Height()};
    m_refresh.MarkViewContents(Union(before, layer->bounds));
    m_refresh.Refresh("Bitmap Rotate");
    return true;
}

void LayerOperations::Center(CenterAxis axis) {
    LayerObject* layer = m_stack.CurrentLayer();
    if (!layer || m_stack.Current() < ImageStackManager::kFirstDrawingLayer) {
        return;
    }
    m_hooks->FinishPendingWork();
    m_undo.SnapshotRegion(m_stack.Current(), Rect{});
    const Rect before = layer->bounds;
    int32_t dx = 0;
    int32_t dy = 0;
    if (axis != CenterAxis::kVertical) {
        dx = (m_stack.DrawingWidth() - before.Width()) / 2 - before.left;
    }
    if (axis != CenterAxis::kHorizontal) {
        dy = (m_stack.DrawingHeight() - before.Height()) / 2 - before.top;
    }
    layer->offsetX += dx;
    layer->offsetY += dy;
    layer->bounds = Rect{before.left + dx, before.top + dy, before.right + dx, before.bottom + dy};
    m_refresh.MarkViewContents(Union(before, layer->bounds));
    m_refresh.Refresh("Center");
}

void LayerOperations::Name() {
    LayerObject* layer = m_stack.CurrentLayer();
    if (!layer) {
        return;
    }
    std::string name;
    if (m_ui.EnterText("Layer name:", "Name", layer->name, name) && !name.empty()) {
        layer->name = name;
        m_stack.NotifyIndicator();
    }
}

bool LayerOperations::ResizePage(int32_t pageWidth, int32_t pageHeight) {
    constexpr int32_t k = Page::kPagePixelsPerDrawingPixel;
    auto fits = [](int32_t side) { return side >= k && side / k <= kMaxDrawingSide; };
    if (!fits(pageWidth) || !fits(pageHeight)) {
        return false;
    }
    m_hooks->FinishPendingWork();
    // The printable area keeps the margins it had, while the page is larger than them.
    const int32_t marginX = std::max(0, m_page.width - m_page.printableWidth);
    const int32_t marginY = std::max(0, m_page.height - m_page.printableHeight);
    m_page.width = pageWidth;
    m_page.height = pageHeight;
    m_page.printableWidth = pageWidth - marginX > k ? pageWidth - marginX : pageWidth;
    m_page.printableHeight = pageHeight - marginY > k ? pageHeight - marginY : pageHeight;
    if (m_page.DrawingWidth() == m_stack.DrawingWidth() &&
        m_page.DrawingHeight() == m_stack.DrawingHeight()) {
        return true;
    }
    m_stack.SetDrawingSize(m_page.DrawingWidth(), m_page.DrawingHeight());
    m_hooks->DrawingResized(m_stack.DrawingWidth(), m_stack.DrawingHeight());
    m_refresh.MarkStackFootprint();
    m_refresh.MarkViewportSize();
    m_refresh.Refresh("Page Size");
    return true;
}

} // namespace ts
