#pragma once

#include "model/image_stack_manager.h"
#include "model/layer_object.h"
#include "raster/byte_stream.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ts {

// What a stream holds besides the stack itself.
struct StreamWriteOptions {
    // Backdrop, paper and only this layer (a layer file); -1 writes every layer.
    int32_t onlyLayer = -1;
    // The backdrop's present selection (kind and colour), kept in the backdrop layer's offsets.
    std::optional<std::array<int32_t, 2>> backdropSelection;
    // The backdrop's present picture (a custom texture), written in place of the
    // backdrop layer's image so that the backdrop comes back with the drawing; null keeps the image.
    const Image24* backdropPicture = nullptr;
    // The paper layer's three adjustment values, written into its property block (see PaperAdjust).
    std::optional<std::array<int32_t, 3>> paperAdjust;
};

// Writes the layer stack as a drawing stream: header, one record per layer, trailer. Each written
// layer's property block is rebuilt first; the paper layer's offsets become the drawing's size and,
// when a selection is given, the backdrop's offsets the selection. False when memory runs out.
bool WriteDrawingStream(ImageStackManager& stack, const StreamWriteOptions& options, ByteWriter& out);

// Bytes a stream of the stack will take, about: the layers' footprints plus 512 KiB.
size_t EstimateStreamBytes(const ImageStackManager& stack);

// One layer as read from a stream, not yet part of any stack.
struct LoadedLayer {
    std::unique_ptr<LayerObject> layer;
    int32_t storedWidth = 0;
    int32_t storedHeight = 0;
    // Streams before version 200 carry neither id nor property block.
    bool hasHeader = false;
};

struct LoadedDrawing {
    int32_t version = 0;
    std::vector<LoadedLayer> layers;

    // The drawing's size, kept in the paper layer's offsets (0 without a paper layer).
    int32_t DrawingWidth() const { return layers.size() > 1 ? layers[1].layer->offsetX : 0; }
    int32_t DrawingHeight() const { return layers.size() > 1 ? layers[1].layer->offsetY : 0; }
};

enum class StreamResult {
    kLoaded,
    kNotValid, // not a drawing stream, or one that breaks its limits
    kTooNew,   // written by a newer version of the program: see StreamTooNewMessages
    kNoLayers, // a well-formed stream without a single layer: not even the backdrop
};

// The largest drawing side accepted from a stream.
inline constexpr int32_t kMaxDrawingSide = 32768;

// Reads a stream in two passes: the first walks every record and checks its structure without making
// anything, the second builds the layers. Besides the record structure a stream must hold a backdrop
// and a paper layer, at most 256 layers, a drawing size of 1 to kMaxDrawingSide pixels a side, and
// parts whose buffers agree in size and pixel width. Whatever the result, nothing outside out is
// touched; out holds layers only when kLoaded is returned (and the version whenever it was read).
StreamResult ReadDrawingStream(ByteReader& in, LoadedDrawing& out);

// The two messages for a stream of a newer version: "cannot open", then update or upgrade.
std::vector<std::string> StreamTooNewMessages(int32_t version);

} // namespace ts
