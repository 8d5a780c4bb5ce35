#pragma once

#include "model/image_stack_manager.h"
#include "model/layer_object.h"
#include "platform/user_interface.h"
#include "raster/rect.h"
#include "render/refresh_requests.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace ts {

// One step that Undo or Redo can take back.
struct UndoRedo {
    enum Kind : int32_t {
        kLayerDeleted = 1, // holds a copy of the layer and its index; undone by inserting it back
        kLayerAdded = 2,   // holds a copy of the layer; undone by deleting the layer
        kRegion = 3,       // a change confined to a region of the layer
        kLayerMoved = 4,   // the layer's offsets before a move
        kAllMoved = 5,     // every drawing layer moved by dx, dy
        kLayerChanged = 6, // a full copy of the layer before any other change
        kDrawing = 7,      // the whole drawing, compressed
        kPaper = 8,        // the paper texture and colour
    };

    size_t MemoryFootprint() const;

    std::unique_ptr<LayerObject> savedLayer;
    int32_t layerIndex = 0;
    int32_t drawingWidth = 0;
    int32_t drawingHeight = 0;
    uint32_t layerId = 0;
    bool linesTouched = false;
    Rect layerBounds;
    Rect changedRegion;
    Rect refreshArea;
    int32_t kind = 0;
    int32_t dx = 0;
    int32_t dy = 0;
    int32_t paperTextureIndex = 0;
    uint32_t paperColor = 0;
    std::vector<uint8_t> compressedDrawing;
};

// What the undo store needs from the rest of the program besides the stack: the Undo and Redo buttons,
// the line tools (which re-prepare a layer whose lines came back), the paper and the whole-drawing
// stream. Every hook has a harmless default.
class UndoHooks {
public:
    virtual ~UndoHooks() = default;
    virtual void UndoButtonsChanged(bool /*canUndo*/, bool /*canRedo*/) {}
    virtual void LinesRestored(LayerObject& /*layer*/, const Rect& /*region*/) {}
    virtual bool GetPaper(int32_t& /*textureIndex*/, uint32_t& /*color*/) { return false; }
    virtual void SetPaper(int32_t /*textureIndex*/, uint32_t /*color*/) {}
    // The whole drawing as a compressed stream, and a saved one in place of the present drawing. Loading
    // checks the block in full before it replaces anything: false leaves the drawing as it was.
    virtual bool SaveDrawing(std::vector<uint8_t>& /*block*/) { return false; }
    virtual bool LoadDrawing(const std::vector<uint8_t>& /*block*/) { return false; }
};

// Two stacks of at most 128 records each, newest first. Changes push a record before they change the
// drawing; Undo applies the newest record and pushes its inverse for Redo, and the other way round.
class UndoStore {
public:
    static constexpr int32_t kStackSize = 128;
    static constexpr size_t kMemoryLimit = 30'000'000;

    UndoStore(ImageStackManager& stack, UserInterface& ui, RefreshRequests& refresh);
    ~UndoStore();
    UndoStore(const UndoStore&) = delete;
    UndoStore& operator=(const UndoStore&) = delete;

    void SetHooks(UndoHooks* hooks) { m_hooks = hooks ? hooks : &m_noHooks; }

    // A copy of the current drawing layer (kind 6, or kind 1 when it is about to be deleted), unless the
    // newest record already holds an equal copy. Clears the redo stack.
    void SnapshotCurrentLayer(bool deleting);
    // The current layer as just added (kind 2). Clears the redo stack.
    void SnapshotAddedLayer();
    // The layer's region before a change confined to it (kind 3), or its offsets before a move when the
    // region is empty (kind 4). Clears the redo stack.
    void SnapshotRegion(int32_t layerIndex, const Rect& region, bool linesTouched = false);
    // Every drawing layer about to move by dx, dy (kind 5).
    void SnapshotMoveAll(int32_t dx, int32_t dy);
    // The whole drawing (kind 7) through the drawing stream hook.
    bool SnapshotDrawing();
    // The paper texture and colour (kind 8).
    void SnapshotPaper();
    // Drops the newest undo record when it is the addition of this layer.
    void DropNewestAdded(uint32_t layerId);
    void Reset(bool updateButtons);

    void Undo();
    void Redo();

    // Grows with every change recorded, undone or redone: a document compares it with the value it
    // had when saved.
    uint64_t Changes() const { return m_changes; }
    int32_t UndoCount() const { return m_undo.count; }
    int32_t RedoCount() const { return m_redo.count; }
    const UndoRedo* NewestUndo() const { return m_undo.count ? m_undo.records[0].get() : nullptr; }
    const UndoRedo* NewestRedo() const { return m_redo.count ? m_redo.records[0].get() : nullptr; }

private:
    struct Stack {
        std::array<std::unique_ptr<UndoRedo>, kStackSize> records;
        int32_t count = 0;
        void Clear();
        std::unique_ptr<UndoRedo> Pop();
    };

    enum class Direction { kUndo, kRedo };

    std::unique_ptr<UndoRedo> NewLayerRecord(int32_t kind, int32_t index, bool copyLayer);
    void Push(Stack& stack, std::unique_ptr<UndoRedo> record, bool partOfUndoRedo);
    void Step(Direction direction);
    // Applies a record to the drawing and returns its inverse (null when none could be made).
    std::unique_ptr<UndoRedo> Apply(UndoRedo& record);
    std::unique_ptr<UndoRedo> ApplyLayerDeleted(UndoRedo& record);
    std::unique_ptr<UndoRedo> ApplyLayerAdded(UndoRedo& record);
    std::unique_ptr<UndoRedo> ApplyLayerCopy(UndoRedo& record);
    std::unique_ptr<UndoRedo> ApplyLayerMoved(UndoRedo& record);
    std::unique_ptr<UndoRedo> ApplyAllMoved(UndoRedo& record);
    std::unique_ptr<UndoRedo> ApplyDrawing(UndoRedo& record);
    std::unique_ptr<UndoRedo> ApplyPaper(UndoRedo& record);
    void UpdateButtons();

    ImageStackManager& m_stack;
    UserInterface& m_ui;
    RefreshRequests& m_refresh;
    uint64_t m_changes = 0;
    UndoHooks m_noHooks;
    UndoHooks* m_hooks = &m_noHooks;
    Stack m_undo;
    Stack m_redo;
};

} // namespace ts
