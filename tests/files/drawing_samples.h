#pragma once

// Small drawings with every kind of layer part, their streams, and hand-made streams for the reader's
// refusals.

#include "files/drawing_stream.h"
#include "files/stream_tags.h"
#include "model/image_stack_manager.h"
#include "model/layer_test_support.h"
#include "raster/byte_stream.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace ts::testing {

inline void FillImage(BMap& image, int32_t width, int32_t height, uint32_t seed) {
    image.pixels.Create(width, height);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width * 3; ++x) {
            image.pixels.Row(y)[x] = static_cast<uint8_t>((x * 7 + y * 13 + seed) & 0xFF);
        }
    }
}

// Backdrop and paper with pictures, for a drawing of the given size.
inline void AddBoardLayers(ImageStackManager& stack, int32_t width, int32_t height) {
    stack.SetDrawingSize(width, height);
    LayerObject* backdrop = stack.CreateLayer(kBackdropName);
    backdrop->image = std::make_unique<BMap>();
    FillImage(*backdrop->image, 9, 7, 1);
    LayerObject* paper = stack.CreateLayer(kPaperName);
    paper->image = std::make_unique<BMap>();
    FillImage(*paper->image, 8, 8, 2);
    paper->paperTextureIndex = 4;
    paper->paperAdjust = {1, 2, 3};
}

// A drawing layer holding every part: the auxiliary buffer, a picture, paint with its own appearances,
// lighting, a sketch frame's corners and drawing buffer, lines with their tables, and extra data.
inline LayerObject& AddFullLayer(ImageStackManager& stack, size_t extraBytes = 50000) {
    constexpr int32_t w = 23;
    constexpr int32_t h = 11;
    LayerObject& layer = AddDrawingLayer(stack, w, h, 5, 4, "Sketch Lines");
    layer.caption = "every part";
    layer.headerValues = {7, 9};
    layer.auxBuffer = std::make_unique<RLBuffer>();
    layer.auxBuffer->Create(6, 3, 4, 0x11, 1.0f);
    layer.image = std::make_unique<BMap>();
    FillImage(*layer.image, 5, 3, 3); // stride 16 for 15 bytes of a row
    Paint(layer, 3, 2, 0x00123456, 200, 3);
    Paint(layer, 22, 10, 0x00ABCDEF, 17, 5);
    CColorAppearance blend;
    blend.reference = 3;
    blend.p1 = 99;
    blend.p6 = 250;
    layer.color->appearances.Set(200, blend);

    layer.shadow = std::make_unique<ObjectShadow>();
    layer.shadow->Create(w, h);
    SetByte(*layer.shadow->lighting, 4, 4, 30);
    SetByte(*layer.shadow->appearanceIndex, 4, 4, 2);
    layer.shadow->appearances.Set(2, ShadowAppearance{0x00102030, 0x00F0E0D0});

    layer.frame->hasCorners = true;
    layer.frame->corners = {Wireframe::Corner{-3, 1}, {40, 2}, {41, 50}, {0, 49}};
    SetMask(*layer.frame->drawingBuffer, 6, 6, 0x8421);

    layer.lineArt = std::make_unique<ObjectLineArt>();
    layer.lineArt->Create(w, h);
    SetMask(*layer.lineArt->lineBuffer, 1, 1, 0xFFFF);
    SetByte(*layer.lineArt->refreshAppearance, 1, 1, 1);
    SetByte(*layer.lineArt->refreshWidth, 1, 1, 3);
    LineAppearance wide;
    wide.p1 = 9;
    wide.p6 = 4;
    layer.lineArt->appearanceList->Set(77, wide);
    layer.lineArt->colorList->Set(1, LineColor{0x000000FF, 128});

    layer.extraData.resize(extraBytes);
    for (size_t i = 0; i < extraBytes; ++i) {
        layer.extraData[i] = static_cast<uint8_t>(i * 31);
    }
    return layer;
}

inline std::vector<uint8_t> StreamOf(ImageStackManager& stack, const StreamWriteOptions& options = {}) {
    ByteWriter out;
    WriteDrawingStream(stack, options, out);
    return out.Take();
}

// A hand-made stream: header words, then raw layer words, then the trailer.
class StreamBuilder {
public:
    explicit StreamBuilder(int32_t version = tags::kVersion, int32_t kind = tags::kStreamKind) {
        Put({kind, kind, version});
        if (version > 100) {
            Put({tags::kHeaderWord});
        }
        m_version = version;
    }
    StreamBuilder& Put(std::initializer_list<int32_t> words) {
        for (int32_t w : words) {
            m_out.PutI32(w);
        }
        return *this;
    }
    // A layer record without parts; offsets carry the drawing size for the paper layer.
    StreamBuilder& Layer(int32_t offsetX = 0, int32_t offsetY = 0) {
        Put({tags::kLayerStart, 10, 10, offsetX, offsetY});
        if (m_version >= tags::kLayerHeaderVersion) {
            Put({0, 0, 0, 0});
        }
        return *this;
    }
    StreamBuilder& EndLayer() { return Put({tags::kLayerEnd}); }
    std::vector<uint8_t> Finish(int32_t layersEnd = tags::kLayersEnd) {
        Put({layersEnd, tags::kTrailerEnd});
        return m_out.Take();
    }
    ByteWriter& Out() { return m_out; }

private:
    ByteWriter m_out;
    int32_t m_version;
};

// Backdrop and paper (for a drawing of 40 x 30) without parts.
inline StreamBuilder BoardOnly(int32_t version = tags::kVersion) {
    StreamBuilder b(version);
    b.Layer().EndLayer().Layer(40, 30).EndLayer();
    return b;
}

} // namespace ts::testing
