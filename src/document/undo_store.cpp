#include "document/undo_store.h"

#include <algorithm>
#include <new>
#include <utility>

namespace ts {

namespace {

std::unique_ptr<UndoRedo> NewRecord(int32_t kind) {
    try {
        auto record = std::make_unique<UndoRedo>();
        record->kind = kind;
        return record;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

} // namespace

size_t UndoRedo::MemoryFootprint() const {
    return (savedLayer ? savedLayer->MemoryFootprint() : 0) + compressedDrawing.size();
}

void UndoStore::Stack::Clear() {
    for (auto& r : records) {
        r.reset();
    }
    count = 0;
}

std::unique_ptr<UndoRedo> UndoStore::Stack::Pop() {
    if (count == 0) {
        return nullptr;
    }
    std::unique_ptr<UndoRedo> newest = std::move(records[0]);
    for (int32_t i = 1; i < count; ++i) {
        records[static_cast<size_t>(i - 1)] = std::move(records[static_cast<size_t>(i)]);
    }
    --count;
    return newest;
}

UndoStore::UndoStore(ImageStackManager& stack, UserInterface& ui, RefreshRequests& refresh)
    : m_stack(stack), m_ui(ui), m_refresh(refresh) {}

UndoStore::~UndoStore() = default;

// A record about the layer at index: its id, index, bounds and the drawing size, and when asked a full
// copy of the layer (its identity included).
std::unique_ptr<UndoRedo> UndoStore::NewLayerRecord(int32_t kind, int32_t index, bool copyLayer) {
    const LayerObject* layer = m_stack.Layer(index);
    auto record = NewRecord(kind);
    if (!layer || !record) {
        return nullptr;
    }
    record->layerIndex = index;
    record->layerId = layer->id;
    record->layerBounds = layer->bounds;
    record->refreshArea = layer->bounds;
    record->drawingWidth = m_stack.DrawingWidth();
    record->drawingHeight = m_stack.DrawingHeight();
    try {
        record->savedLayer = std::make_unique<LayerObject>();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    if (copyLayer) {
        if (!record->savedLayer->CopyFrom(*layer, true)) {
            return nullptr;
        }
    } else {
        // Only the identity and position: what a move changes.
        record->savedLayer->id = layer->id;
        record->savedLayer->offsetX = layer->offsetX;
        record->savedLayer->offsetY = layer->offsetY;
        record->savedLayer->bounds = layer->bounds;
    }
    return record;
}

void UndoStore::Push(Stack& stack, std::unique_ptr<UndoRedo> record, bool partOfUndoRedo) {
    if (!record) {
        return;
    }
    ++m_changes;
    if (!partOfUndoRedo) {
        // Keep the saved copies under the memory limit, dropping the oldest first.
        while (stack.count > 0) {
            size_t total = 0;
            for (int32_t i = 0; i < stack.count; ++i) {
                total += stack.records[static_cast<size_t>(i)]->MemoryFootprint();
            }
            if (total <= kMemoryLimit) {
                break;
            }
            stack.records[static_cast<size_t>(--stack.count)].reset();
        }
    }
    if (stack.count == kStackSize) {
        stack.records[kStackSize - 1].reset();
        --stack.count;
    }
    for (int32_t i = stack.count; i > 0; --i) {
        stack.records[static_cast<size_t>(i)] = std::move(stack.records[static_cast<size_t>(i - 1)]);
    }
    stack.records[0] = std::move(record);
    ++stack.count;
    UpdateButtons();
}

void UndoStore::SnapshotCurrentLayer(bool deleting) {
    const int32_t index = m_stack.Current();
    const LayerObject* layer = m_stack.Layer(index);
    if (!layer || index < ImageStackManager::kFirstDrawingLayer) {
        return;
    }
    const UndoRedo* newest = NewestUndo();
    if (newest && newest->savedLayer && newest->layerId == layer->id &&
        (newest->kind == UndoRedo::kLayerChanged || newest->kind == UndoRedo::kLayerDeleted) &&
        newest->savedLayer->SameAs(*layer)) {
        if (!deleting || newest->kind == UndoRedo::kLayerDeleted) {
            return;
        }
    }
    auto record = NewLayerRecord(deleting ? UndoRedo::kLayerDeleted : UndoRedo::kLayerChanged, index, true);
    if (!record) {
        return; // no memory: the change goes ahead without a record
    }
    m_redo.Clear();
    Push(m_undo, std::move(record), false);
}

void UndoStore::SnapshotAddedLayer() {
    const int32_t index = m_stack.Current();
    if (index < ImageStackManager::kFirstDrawingLayer) {
        return;
    }
    auto record = NewLayerRecord(UndoRedo::kLayerAdded, index, true);
    if (!record) {
        return;
    }
    m_redo.Clear();
    Push(m_undo, std::move(record), false);
}

// A region change keeps a copy of the whole layer: restoring it puts back every part's pixels inside the
// region and the bounds exactly (outside the region the change left the pixels as they were).
void UndoStore::SnapshotRegion(int32_t layerIndex, const Rect& region, bool linesTouched) {
    const bool move = region.IsEmpty();
    auto record = NewLayerRecord(move ? UndoRedo::kLayerMoved : UndoRedo::kRegion, layerIndex, !move);
    if (!record) {
        return;
    }
    record->changedRegion = region;
    record->linesTouched = linesTouched;
    if (!move) {
        record->refreshArea = Union(record->layerBounds, region);
    }
    m_redo.Clear();
    Push(m_undo, std::move(record), false);
}

void UndoStore::SnapshotMoveAll(int32_t dx, int32_t dy) {
    auto record = NewRecord(UndoRedo::kAllMoved);
    if (!record) {
        return;
    }
    record->dx = dx;
    record->dy = dy;
    if (const LayerObject* layer = m_stack.CurrentLayer()) {
        record->layerId = layer->id;
    }
    record->drawingWidth = m_stack.DrawingWidth();
    record->drawingHeight = m_stack.DrawingHeight();
    record->refreshArea = m_stack.DrawingRect();
    Push(m_undo, std::move(record), false);
}

bool UndoStore::SnapshotDrawing() {
    auto record = NewRecord(UndoRedo::kDrawing);
    if (!record || !m_hooks->SaveDrawing(record->compressedDrawing)) {
        return false;
    }
    record->drawingWidth = m_stack.DrawingWidth();
    record->drawingHeight = m_stack.DrawingHeight();
    record->refreshArea = m_stack.DrawingRect();
    Push(m_undo, std::move(record), false);
    return true;
}

void UndoStore::SnapshotPaper() {
    auto record = NewRecord(UndoRedo::kPaper);
    if (!record || !m_hooks->GetPaper(record->paperTextureIndex, record->paperColor)) {
        return;
    }
    record->refreshArea = m_stack.DrawingRect();
    Push(m_undo, std::move(record), false);
}

void UndoStore::DropNewestAdded(uint32_t layerId) {
    const UndoRedo* newest = NewestUndo();
    if (newest && newest->kind == UndoRedo::kLayerAdded && newest->layerId == layerId) {
        m_undo.Pop();
        UpdateButtons();
    }
}

void UndoStore::Reset(bool updateButtons) {
    m_undo.Clear();
    m_redo.Clear();
    if (updateButtons) {
        UpdateButtons();
    }
}

void UndoStore::Undo() {
    Step(Direction::kUndo);
}

void UndoStore::Redo() {
    Step(Direction::kRedo);
}

void UndoStore::Step(Direction direction) {
    Stack& from = direction == Direction::kUndo ? m_undo : m_redo;
    Stack& to = direction == Direction::kUndo ? m_redo : m_undo;
    while (true) {
        if (from.count == 0) {
            m_ui.ShowMessage(direction == Direction::kUndo ? "Can't go further back. "
                                                           : "Can't go further forward.");
            UpdateButtons();
            return;
        }
        UndoRedo& newest = *from.records[0];
        if (newest.kind == UndoRedo::kDrawing || newest.kind == UndoRedo::kPaper) {
            break;
        }
        const int32_t index = m_stack.IndexOfId(newest.layerId);
        if (index >= 0) {
            m_stack.SetCurrent(index);
            break;
        }
        if (newest.kind == UndoRedo::kLayerDeleted) {
            if (m_stack.Count() >= ImageStackManager::kMaxLayers) {
                return; // no slot to put the layer back into: the record waits
            }
            break;
        }
        from.Pop(); // the layer of this record is gone: skip it silently
    }
    std::unique_ptr<UndoRedo> record = from.Pop();
    std::unique_ptr<UndoRedo> inverse = Apply(*record);
    Push(to, std::move(inverse), true);
    if (record->linesTouched) {
        if (LayerObject* layer = m_stack.CurrentLayer()) {
            m_hooks->LinesRestored(*layer, record->changedRegion);
        }
    }
    const Rect area = record->refreshArea.IsEmpty() ? m_stack.DrawingRect() : record->refreshArea;
    m_refresh.MarkViewContents(area);
    m_refresh.Refresh(direction == Direction::kUndo ? "Undo Object" : "Redo Object");
    UpdateButtons();
}

std::unique_ptr<UndoRedo> UndoStore::Apply(UndoRedo& record) {
    switch (record.kind) {
    case UndoRedo::kLayerDeleted:
        return ApplyLayerDeleted(record);
    case UndoRedo::kLayerAdded:
        return ApplyLayerAdded(record);
    case UndoRedo::kRegion:
    case UndoRedo::kLayerChanged:
        return ApplyLayerCopy(record);
    case UndoRedo::kLayerMoved:
        return ApplyLayerMoved(record);
    case UndoRedo::kAllMoved:
        return ApplyAllMoved(record);
    case UndoRedo::kDrawing:
        return ApplyDrawing(record);
    case UndoRedo::kPaper:
        return ApplyPaper(record);
    default:
        return nullptr;
    }
}

// Puts a deleted layer back at its index (kept among the drawing layers). The inverse deletes it again.
std::unique_ptr<UndoRedo> UndoStore::ApplyLayerDeleted(UndoRedo& record) {
    if (!record.savedLayer) {
        return nullptr;
    }
    const int32_t index =
        std::clamp(record.layerIndex, ImageStackManager::kFirstDrawingLayer, std::max(2, m_stack.Count()));
    if (!m_stack.InsertLayer(index, std::move(record.savedLayer))) {
        return nullptr;
    }
    m_stack.SetCurrent(index);
    record.refreshArea = Union(record.refreshArea, m_stack.Layer(index)->bounds);
    return NewLayerRecord(UndoRedo::kLayerAdded, index, true);
}

// Deletes the layer the record belongs to (made current by the caller). The inverse inserts it back.
std::unique_ptr<UndoRedo> UndoStore::ApplyLayerAdded(UndoRedo& record) {
    const int32_t index = m_stack.Current();
    auto inverse = NewLayerRecord(UndoRedo::kLayerDeleted, index, true);
    std::unique_ptr<LayerObject> removed = m_stack.RemoveLayer(index);
    if (removed) {
        record.refreshArea = Union(record.refreshArea, removed->bounds);
    }
    m_stack.SetCurrent(m_stack.MainLayer());
    return inverse;
}

// Swaps the saved copy in for the present layer; the present layer becomes the inverse's copy.
std::unique_ptr<UndoRedo> UndoStore::ApplyLayerCopy(UndoRedo& record) {
    const int32_t index = m_stack.Current();
    if (!record.savedLayer || !m_stack.Layer(index)) {
        return nullptr;
    }
    auto inverse = NewRecord(record.kind);
    if (inverse) {
        inverse->layerIndex = index;
        inverse->layerId = record.layerId;
        inverse->linesTouched = record.linesTouched;
        inverse->changedRegion = record.changedRegion;
        inverse->drawingWidth = m_stack.DrawingWidth();
        inverse->drawingHeight = m_stack.DrawingHeight();
    }
    std::unique_ptr<LayerObject> present = m_stack.ReplaceLayer(index, std::move(record.savedLayer));
    const Rect presentBounds = present ? present->bounds : Rect{};
    record.refreshArea = Union(Union(record.refreshArea, presentBounds), m_stack.Layer(index)->bounds);
    if (inverse) {
        inverse->layerBounds = presentBounds;
        inverse->refreshArea = record.refreshArea;
        inverse->savedLayer = std::move(present);
    }
    return inverse;
}

// Puts the layer's offsets (and with them its bounds) back to where they were before the move.
std::unique_ptr<UndoRedo> UndoStore::ApplyLayerMoved(UndoRedo& record) {
    const int32_t index = m_stack.Current();
    LayerObject* layer = m_stack.Layer(index);
    if (!layer || !record.savedLayer) {
        return nullptr;
    }
    auto inverse = NewLayerRecord(UndoRedo::kLayerMoved, index, false);
    const Rect before = layer->bounds;
    layer->offsetX = record.savedLayer->offsetX;
    layer->offsetY = record.savedLayer->offsetY;
    layer->bounds = record.savedLayer->bounds;
    record.refreshArea = Union(before, layer->bounds);
    if (inverse) {
        inverse->refreshArea = record.refreshArea;
    }
    return inverse;
}

// Moves every drawing layer back by the distances. The inverse moves them forward again.
std::unique_ptr<UndoRedo> UndoStore::ApplyAllMoved(UndoRedo& record) {
    for (int32_t i = ImageStackManager::kFirstDrawingLayer; i < m_stack.Count(); ++i) {
        if (!m_stack.IsDrawingLayer(i)) {
            continue;
        }
        LayerObject& layer = *m_stack.Layer(i);
        layer.offsetX -= record.dx;
        layer.offsetY -= record.dy;
        layer.bounds = Translated(layer.bounds, -record.dx, -record.dy);
    }
    auto inverse = NewRecord(UndoRedo::kAllMoved);
    if (inverse) {
        inverse->dx = -record.dx;
        inverse->dy = -record.dy;
        inverse->layerId = record.layerId;
        inverse->refreshArea = m_stack.DrawingRect();
    }
    return inverse;
}

// Replaces the whole drawing by the saved one; the inverse is a snapshot of the present drawing. The
// hook reads the saved block in full before it replaces anything: a block that cannot be read leaves the
// drawing as it is, and the record is dropped without an inverse.
std::unique_ptr<UndoRedo> UndoStore::ApplyDrawing(UndoRedo& record) {
    WaitCursor wait(m_ui);
    const Rect before = m_stack.DrawingRect();
    auto inverse = NewRecord(UndoRedo::kDrawing);
    if (inverse && m_hooks->SaveDrawing(inverse->compressedDrawing)) {
        inverse->drawingWidth = m_stack.DrawingWidth();
        inverse->drawingHeight = m_stack.DrawingHeight();
    } else {
        inverse.reset();
    }
    if (!m_hooks->LoadDrawing(record.compressedDrawing)) {
        record.refreshArea = before;
        return nullptr;
    }
    record.refreshArea = Union(before, m_stack.DrawingRect());
    if (inverse) {
        inverse->refreshArea = record.refreshArea;
    }
    return inverse;
}

std::unique_ptr<UndoRedo> UndoStore::ApplyPaper(UndoRedo& record) {
    auto inverse = NewRecord(UndoRedo::kPaper);
    if (inverse && !m_hooks->GetPaper(inverse->paperTextureIndex, inverse->paperColor)) {
        inverse.reset();
    }
    m_hooks->SetPaper(record.paperTextureIndex, record.paperColor);
    if (inverse) {
        inverse->refreshArea = m_stack.DrawingRect();
    }
    record.refreshArea = m_stack.DrawingRect();
    return inverse;
}

void UndoStore::UpdateButtons() {
    m_hooks->UndoButtonsChanged(m_undo.count > 0, m_redo.count > 0);
}

} // namespace ts
