#pragma once

#include "model/layer_object.h"
#include "raster/rect.h"
#include "raster/super_bit_buffer.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace ts {

// Told about changes of the stack that other parts of the program follow: the layer indicator of the
// status bar and the line tools, which size their work buffers to a new drawing layer.
class StackListener {
public:
    virtual ~StackListener() = default;
    virtual void LayerIndicatorChanged() {}
    virtual void DrawingLayerCreated(LayerObject& /*layer*/) {}
};

// What a new layer starts with besides the built-in defaults: the scale settings from the profile.
struct LayerDefaults {
    std::array<double, 8> scale{36.0, 24.0, 36.0, 24.0, 400.0, 0.0, 0.0, 0.0};
};

// The drawing: up to 256 layers bottom to top. Slot 0 is the backdrop, slot 1 the paper, slots 2 and
// up the drawing layers. Creating a layer makes it current.
class ImageStackManager {
public:
    static constexpr int32_t kMaxLayers = 256;
    static constexpr int32_t kBackdropIndex = 0;
    static constexpr int32_t kPaperIndex = 1;
    static constexpr int32_t kFirstDrawingLayer = 2;

    ImageStackManager();
    ~ImageStackManager();
    ImageStackManager(const ImageStackManager&) = delete;
    ImageStackManager& operator=(const ImageStackManager&) = delete;

    void SetListener(StackListener* listener) { m_listener = listener; }
    void SetLayerDefaults(const LayerDefaults& defaults) { m_defaults = defaults; }
    const LayerDefaults& Defaults() const { return m_defaults; }

    // A new empty layer on top of the stack, current, with the next id; null when all 256 slots are
    // used or memory runs out (nothing changes then).
    LayerObject* CreateLayer(const std::string& name);
    // A new layer holding the buffer as its drawing buffer, with a surface colour of the buffer's size
    // carrying the paper's colour (white without a paper image). False when it cannot be made; the
    // stack is then as before.
    bool CreateDrawingLayer(std::unique_ptr<SuperBitBuffer> buffer, const std::string& name);
    // Releases every layer; count and current become 0.
    void ReleaseAll();

    int32_t Count() const { return m_count; }
    int32_t Current() const { return m_current; }
    void SetCurrent(int32_t index);
    LayerObject* Layer(int32_t index);
    const LayerObject* Layer(int32_t index) const;
    LayerObject* CurrentLayer() { return Layer(m_current); }
    // Index of the drawing layer (index >= 2) with this id, or -1.
    int32_t IndexOfId(uint32_t id) const;

    // The drawing's size in drawing pixels.
    int32_t DrawingWidth() const { return m_drawingWidth; }
    int32_t DrawingHeight() const { return m_drawingHeight; }
    void SetDrawingSize(int32_t width, int32_t height);
    Rect DrawingRect() const { return Rect{0, 0, m_drawingWidth, m_drawingHeight}; }

    // The size of the layer's colour channels, else image, else drawing buffer, else the drawing.
    int32_t LayerWidth(const LayerObject& layer) const;
    int32_t LayerHeight(const LayerObject& layer) const;
    bool IsDrawingLayer(int32_t index) const;
    int32_t CountDrawingLayers() const;
    // Backdrop, paper and one "Blank Layer" with nothing drawn.
    bool IsEmptyDrawing() const;
    // The highest "CAD Layer", else the drawing layer of largest bounds area (the higher index on
    // ties), else 2.
    int32_t MainLayer() const;
    // The union of the bounds of the layers from index 2 that take part in the stack's bounds.
    Rect VisibleBounds() const;
    void SetSurfaceVisible(bool visible) { SetVisibilityBit(kShowSurface, visible); }
    void SetLinesVisible(bool visible) { SetVisibilityBit(kShowLines, visible); }
    void SetLightingVisible(bool visible) { SetVisibilityBit(kShowLighting, visible); }
    // Bytes held by every layer plus the view buffer's; and the status text "Mem: <KiB>K".
    size_t MemoryFootprint(size_t viewBufferBytes) const;
    std::string MemoryText(size_t viewBufferBytes) const;

    // Structure changes; each keeps the slots packed and count in step. None changes current.
    std::unique_ptr<LayerObject> RemoveLayer(int32_t index);
    bool InsertLayer(int32_t index, std::unique_ptr<LayerObject> layer);
    std::unique_ptr<LayerObject> ReplaceLayer(int32_t index, std::unique_ptr<LayerObject> layer);
    void SwapLayers(int32_t a, int32_t b);
    // Moves the layer at from to index to, shifting the layers between by one.
    void MoveLayer(int32_t from, int32_t to);
    // A fresh identity for a layer made outside CreateLayer (clones).
    uint32_t TakeNextId() { return m_nextId++; }
    // A layer read from a file keeps its stored id: later ids are taken above it.
    void ReserveId(uint32_t id) {
        if (id >= m_nextId) {
            m_nextId = id + 1;
        }
    }

    // The property block of a layer at an index, rebuilt from its fields / decoded into them.
    void PackProperties(LayerObject& layer, int32_t index) const;
    bool UnpackProperties(LayerObject& layer, int32_t index) const;
    void UnpackAll(int32_t from);

    void NotifyIndicator();

private:
    void SetVisibilityBit(uint32_t bit, bool on);

    std::array<std::unique_ptr<LayerObject>, kMaxLayers> m_slots;
    int32_t m_count = 0;
    int32_t m_current = 0;
    uint32_t m_nextId = 1;
    int32_t m_drawingWidth = 0;
    int32_t m_drawingHeight = 0;
    LayerDefaults m_defaults;
    StackListener* m_listener = nullptr;
};

} // namespace ts
