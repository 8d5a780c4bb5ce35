#include "model/image_stack_manager.h"

#include <algorithm>
#include <new>
#include <utility>

namespace ts {

ImageStackManager::ImageStackManager() = default;
ImageStackManager::~ImageStackManager() = default;

LayerObject* ImageStackManager::CreateLayer(const std::string& name) {
    if (m_count >= kMaxLayers) {
        return nullptr;
    }
    std::unique_ptr<LayerObject> layer;
    try {
        layer = std::make_unique<LayerObject>();
        layer->name = name;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    layer->id = m_nextId++;
    layer->scale = m_defaults.scale;
    layer->bounds = DrawingRect();
    m_slots[static_cast<size_t>(m_count)] = std::move(layer);
    m_current = m_count++;
    NotifyIndicator();
    return m_slots[static_cast<size_t>(m_current)].get();
}

bool ImageStackManager::CreateDrawingLayer(std::unique_ptr<SuperBitBuffer> buffer, const std::string& name) {
    if (!buffer || !buffer->IsCreated() || m_count >= kMaxLayers) {
        return false;
    }
    const int32_t width = buffer->Width();
    const int32_t height = buffer->Height();
    uint32_t paperColor = 0x00FFFFFF;
    if (const LayerObject* paper = Layer(kPaperIndex); paper && paper->image) {
        paperColor = paper->image->AverageColor();
    }
    std::unique_ptr<Wireframe> frame;
    std::unique_ptr<ObjectColor> color;
    try {
        frame = std::make_unique<Wireframe>(std::move(buffer));
        color = std::make_unique<ObjectColor>();
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (!color->Create(width, height, paperColor, 255)) {
        return false;
    }
    const int32_t previousCurrent = m_current;
    LayerObject* layer = CreateLayer(name);
    if (!layer) {
        m_current = previousCurrent;
        return false;
    }
    layer->frame = std::move(frame);
    layer->color = std::move(color);
    layer->bounds = Rect{layer->offsetX, layer->offsetY, layer->offsetX + width, layer->offsetY + height};
    m_current = m_count - 1;
    if (m_listener) {
        m_listener->DrawingLayerCreated(*layer);
    }
    return true;
}

void ImageStackManager::ReleaseAll() {
    for (auto& slot : m_slots) {
        slot.reset();
    }
    m_count = 0;
    m_current = 0;
    NotifyIndicator();
}

void ImageStackManager::SetCurrent(int32_t index) {
    m_current = std::clamp(index, 0, std::max(0, m_count - 1));
    NotifyIndicator();
}

LayerObject* ImageStackManager::Layer(int32_t index) {
    return index >= 0 && index < m_count ? m_slots[static_cast<size_t>(index)].get() : nullptr;
}

const LayerObject* ImageStackManager::Layer(int32_t index) const {
    return index >= 0 && index < m_count ? m_slots[static_cast<size_t>(index)].get() : nullptr;
}

int32_t ImageStackManager::IndexOfId(uint32_t id) const {
    for (int32_t i = kFirstDrawingLayer; i < m_count; ++i) {
        if (m_slots[static_cast<size_t>(i)]->id == id) {
            return i;
        }
    }
    return -1;
}

void ImageStackManager::SetDrawingSize(int32_t width, int32_t height) {
    m_drawingWidth = std::max(0, width);
    m_drawingHeight = std::max(0, height);
}

int32_t ImageStackManager::LayerWidth(const LayerObject& layer) const {
    const int32_t w = layer.PartWidth();
    return w > 0 ? w : m_drawingWidth;
}

int32_t ImageStackManager::LayerHeight(const LayerObject& layer) const {
    const int32_t h = layer.PartHeight();
    return h > 0 ? h : m_drawingHeight;
}

bool ImageStackManager::IsDrawingLayer(int32_t index) const {
    const LayerObject* layer = Layer(index);
    return layer && index >= kFirstDrawingLayer && layer->name != kRoviDivodName &&
           layer->name != kSketchFrameName;
}

int32_t ImageStackManager::CountDrawingLayers() const {
    int32_t n = 0;
    for (int32_t i = kFirstDrawingLayer; i < m_count; ++i) {
        n += IsDrawingLayer(i) ? 1 : 0;
    }
    return n;
}

bool ImageStackManager::IsEmptyDrawing() const {
    const LayerObject* layer = Layer(kFirstDrawingLayer);
    return m_count == 3 && layer->name == kBlankLayerName && !layer->HasContent();
}

int32_t ImageStackManager::MainLayer() const {
    if (m_count <= kFirstDrawingLayer) {
        return kFirstDrawingLayer;
    }
    for (int32_t i = m_count - 1; i >= kFirstDrawingLayer; --i) {
        if (m_slots[static_cast<size_t>(i)]->name == kCadLayerName) {
            return i;
        }
    }
    int32_t best = kFirstDrawingLayer;
    int64_t bestArea = -1;
    for (int32_t i = kFirstDrawingLayer; i < m_count; ++i) {
        if (!IsDrawingLayer(i)) {
            continue;
        }
        const Rect& b = m_slots[static_cast<size_t>(i)]->bounds;
        const int64_t area = b.IsEmpty() ? 0 : int64_t{b.Width()} * b.Height();
        if (area >= bestArea) {
            bestArea = area;
            best = i;
        }
    }
    return best;
}

Rect ImageStackManager::VisibleBounds() const {
    Rect all;
    bool any = false;
    for (int32_t i = kFirstDrawingLayer; i < m_count; ++i) {
        const LayerObject& layer = *m_slots[static_cast<size_t>(i)];
        if (!layer.visibleInStack || layer.bounds.IsEmpty()) {
            continue;
        }
        if (!any) {
            all = layer.bounds;
            any = true;
            continue;
        }
        all.left = std::min(all.left, layer.bounds.left);
        all.top = std::min(all.top, layer.bounds.top);
        all.right = std::max(all.right, layer.bounds.right);
        all.bottom = std::max(all.bottom, layer.bounds.bottom);
    }
    return all;
}

void ImageStackManager::SetVisibilityBit(uint32_t bit, bool on) {
    for (int32_t i = kFirstDrawingLayer; i < m_count; ++i) {
        uint32_t& v = m_slots[static_cast<size_t>(i)]->visibility;
        v = on ? (v | bit) : (v & ~bit);
    }
}

size_t ImageStackManager::MemoryFootprint(size_t viewBufferBytes) const {
    size_t total = viewBufferBytes;
    for (int32_t i = 0; i < m_count; ++i) {
        total += m_slots[static_cast<size_t>(i)]->MemoryFootprint();
    }
    return total;
}

std::string ImageStackManager::MemoryText(size_t viewBufferBytes) const {
    return "Mem: " + std::to_string(MemoryFootprint(viewBufferBytes) >> 10) + "K";
}

std::unique_ptr<LayerObject> ImageStackManager::RemoveLayer(int32_t index) {
    if (index < 0 || index >= m_count) {
        return nullptr;
    }
    std::unique_ptr<LayerObject> taken = std::move(m_slots[static_cast<size_t>(index)]);
    for (int32_t i = index; i + 1 < m_count; ++i) {
        m_slots[static_cast<size_t>(i)] = std::move(m_slots[static_cast<size_t>(i + 1)]);
    }
    --m_count;
    if (m_current >= m_count) {
        m_current = std::max(0, m_count - 1);
    }
    return taken;
}

bool ImageStackManager::InsertLayer(int32_t index, std::unique_ptr<LayerObject> layer) {
    if (!layer || m_count >= kMaxLayers || index < 0 || index > m_count) {
        return false;
    }
    for (int32_t i = m_count; i > index; --i) {
        m_slots[static_cast<size_t>(i)] = std::move(m_slots[static_cast<size_t>(i - 1)]);
    }
    m_slots[static_cast<size_t>(index)] = std::move(layer);
    ++m_count;
    return true;
}

std::unique_ptr<LayerObject> ImageStackManager::ReplaceLayer(int32_t index,
                                                             std::unique_ptr<LayerObject> layer) {
    if (!layer || index < 0 || index >= m_count) {
        return layer;
    }
    std::swap(m_slots[static_cast<size_t>(index)], layer);
    return layer;
}

void ImageStackManager::SwapLayers(int32_t a, int32_t b) {
    if (a >= 0 && b >= 0 && a < m_count && b < m_count) {
        std::swap(m_slots[static_cast<size_t>(a)], m_slots[static_cast<size_t>(b)]);
    }
}

void ImageStackManager::MoveLayer(int32_t from, int32_t to) {
    if (from < 0 || to < 0 || from >= m_count || to >= m_count || from == to) {
        return;
    }
    auto first = m_slots.begin();
    if (from < to) {
        std::rotate(first + from, first + from + 1, first + to + 1);
    } else {
        std::rotate(first + to, first + from, first + from + 1);
    }
}

void ImageStackManager::UnpackAll(int32_t from) {
    for (int32_t i = std::max(0, from); i < m_count; ++i) {
        UnpackProperties(*m_slots[static_cast<size_t>(i)], i);
    }
}

void ImageStackManager::NotifyIndicator() {
    if (m_listener) {
        m_listener->LayerIndicatorChanged();
    }
}

} // namespace ts
