#pragma once

#include "model/layer_object.h"
#include "platform/progress_meter.h"
#include "raster/rect.h"
#include "raster/rl_buffer.h"
#include "raster/super_bit_buffer.h"

#include <cstdint>
#include <functional>
#include <memory>

// Operations on the pixels of whole layers: cutting or extending them to a rectangle, merging one into
// another, flipping and turning them with the page.
namespace ts::geometry {

// New versions of every pixel part of a layer, one function per kind of part. The fill is what empty
// pixels of that part hold (no paint, neutral lighting, no lines).
struct PartTransform {
    std::function<std::unique_ptr<RLBuffer>(const RLBuffer&, uint8_t fill)> buffer;
    std::function<std::unique_ptr<SuperBitBuffer>(const SuperBitBuffer&)> mask;
    std::function<std::unique_ptr<BMap>(const BMap&)> image;
};

// The new versions of a layer's pixel parts, made apart from the layer (the members are bound by
// position in layer_geometry.cpp: keep their order).
struct TransformedParts {
    std::unique_ptr<RLBuffer> color[ObjectColor::kChannels];
    std::unique_ptr<RLBuffer> shadowIndex, lighting, aux, lineIndex, colorIndex, refresh, widths;
    std::unique_ptr<SuperBitBuffer> coverage, drawing;
    std::unique_ptr<BMap> image;
};

// Makes the new version of every part the layer has and, only when all could be made, puts them in
// place. The segments of an unfinished line are dropped. False (layer unchanged) when one failed.
bool TransformParts(LayerObject& layer, const PartTransform& transform);
// The two halves of TransformParts: making the new parts (false when one failed; the layer is never
// touched) and putting them in place, which cannot fail.
bool MakeParts(const LayerObject& layer, const PartTransform& transform, TransformedParts& parts);
void InstallParts(LayerObject& layer, TransformedParts& parts);

// Cuts or extends every part of the layer to the rectangle (drawing pixels): the layer's offsets
// become the rectangle's corner and its bounds the rectangle. Pixels outside the old layer are empty
// (no paint, neutral lighting, no lines, white picture). False when memory runs out; the layer is
// then unchanged.
bool ResizeLayer(LayerObject& layer, const Rect& area);

// Draws the other layer's colour, lighting, lines and drawing buffer onto the kept layer, which must
// already cover the other's bounds. Appearance and colour indices are rewritten through the tables'
// remap maps. False when memory runs out; the kept layer may then be partly merged, so callers merge
// into a copy.
bool MergeLayerInto(LayerObject& kept, const LayerObject& other);

// Mirrors every part of the layer within its bounds.
void FlipLayer(LayerObject& layer, bool horizontal, ProgressMeter* progress);

// Turns a layer with the page (drawingWidth x drawingHeight) counter-clockwise by 90, 180 or 270
// degrees: its parts, its position, its bounds and a frame's corners. False when memory runs out (the
// layer is then unchanged).
bool TurnLayer(LayerObject& layer, int32_t degrees, int32_t drawingWidth, int32_t drawingHeight);
// The same turn in two steps, so that many layers turn together or not at all: MakeTurn makes the
// turned parts (false for another angle or when memory runs out; the layer is not touched),
// InstallTurn puts them in place and moves the layer's position, bounds and frame corners.
bool MakeTurn(const LayerObject& layer, int32_t degrees, TransformedParts& parts);
void InstallTurn(LayerObject& layer, TransformedParts& parts, int32_t degrees, int32_t drawingWidth,
                 int32_t drawingHeight);

// A quarter turn of a buffer of any pixel size; two-byte pixels are coverage masks and turn inside too.
// Null for other angles or when memory runs out.
template <class Buffer> std::unique_ptr<Buffer> TurnBuffer(const Buffer& buffer, int32_t degrees);

// The 4 x 4 coverage mask of a pixel turned with it.
uint16_t TurnMask(uint16_t mask, int32_t degrees);

} // namespace ts::geometry
