#pragma once

// Helpers for tests of layers: reading and writing single pixels of a layer's run-length parts, and
// layers with paint or lines on them.

#include "model/image_stack_manager.h"
#include "model/layer_object.h"
#include "raster/rl_buffer.h"
#include "raster/super_bit_buffer.h"

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace ts::testing {

inline std::vector<uint8_t> ReadPixelRow(const RLBuffer& buffer, int32_t y) {
    std::vector<uint8_t> row(buffer.RawRowLength());
    buffer.ReadRow(y, row.data());
    return row;
}

inline uint8_t ByteAt(const RLBuffer& buffer, int32_t x, int32_t y) {
    return ReadPixelRow(buffer, y)[static_cast<size_t>(x) * static_cast<size_t>(buffer.BytesPerPixel())];
}

inline void SetByte(RLBuffer& buffer, int32_t x, int32_t y, uint8_t value) {
    std::vector<uint8_t> row = ReadPixelRow(buffer, y);
    row[static_cast<size_t>(x) * static_cast<size_t>(buffer.BytesPerPixel())] = value;
    buffer.PutRow(y, row.data());
}

// The 16-bit coverage mask of a two-byte pixel.
inline uint16_t MaskAt(const RLBuffer& buffer, int32_t x, int32_t y) {
    const std::vector<uint8_t> row = ReadPixelRow(buffer, y);
    const auto at = static_cast<size_t>(x) * 2;
    return static_cast<uint16_t>(row[at] | row[at + 1] << 8);
}

inline void SetMask(RLBuffer& buffer, int32_t x, int32_t y, uint16_t mask) {
    std::vector<uint8_t> row = ReadPixelRow(buffer, y);
    const auto at = static_cast<size_t>(x) * 2;
    row[at] = static_cast<uint8_t>(mask);
    row[at + 1] = static_cast<uint8_t>(mask >> 8);
    buffer.PutRow(y, row.data());
}

// Paint on a layer pixel: colour 0x00BBGGRR, its amount and appearance index.
inline void Paint(LayerObject& layer, int32_t x, int32_t y, uint32_t color, uint8_t amount = 255,
                  uint8_t appearance = 0) {
    ObjectColor& c = *layer.color;
    SetByte(*c.red, x, y, static_cast<uint8_t>(color));
    SetByte(*c.green, x, y, static_cast<uint8_t>(color >> 8));
    SetByte(*c.blue, x, y, static_cast<uint8_t>(color >> 16));
    SetByte(*c.appearance, x, y, appearance);
    SetByte(*c.amount, x, y, amount);
}

inline uint32_t ColorAt(const LayerObject& layer, int32_t x, int32_t y) {
    const ObjectColor& c = *layer.color;
    return uint32_t{ByteAt(*c.red, x, y)} | uint32_t{ByteAt(*c.green, x, y)} << 8 |
           uint32_t{ByteAt(*c.blue, x, y)} << 16;
}

inline uint8_t AmountAt(const LayerObject& layer, int32_t x, int32_t y) {
    return ByteAt(*layer.color->amount, x, y);
}

// A drawing layer of the given size on top of the stack, placed at the offset with matching bounds.
inline LayerObject& AddDrawingLayer(ImageStackManager& stack, int32_t width, int32_t height,
                                    int32_t offsetX = 0, int32_t offsetY = 0,
                                    const std::string& name = kBlankLayerName) {
    auto buffer = std::make_unique<SuperBitBuffer>();
    buffer->Create(width, height, 2, 0, 2.0f);
    if (!stack.CreateDrawingLayer(std::move(buffer), name)) {
        throw std::runtime_error("no drawing layer");
    }
    LayerObject& layer = *stack.CurrentLayer();
    layer.offsetX = offsetX;
    layer.offsetY = offsetY;
    layer.bounds = Rect{offsetX, offsetY, offsetX + width, offsetY + height};
    return layer;
}

// Backdrop and paper layers (without pictures) for a drawing of the given size.
inline void AddBackdropAndPaper(ImageStackManager& stack, int32_t width, int32_t height) {
    stack.SetDrawingSize(width, height);
    stack.CreateLayer(kBackdropName);
    stack.CreateLayer(kPaperName);
}

} // namespace ts::testing
