// Writing the drawing stream: every layer as a record of its header, its property block and its parts
// as tagged sections, each closed by its end marker.
#include "files/drawing_stream.h"

#include "files/stream_tags.h"

#include <exception>

namespace ts {

namespace {

constexpr size_t kStreamSlack = 0x80000;

void PutBuffer(ByteWriter& out, int32_t tag, const RLBuffer* buffer) {
    if (!buffer || !buffer->IsCreated()) {
        return;
    }
    out.PutI32(tag);
    buffer->WriteBlock(out);
    out.PutI32(tags::kBufferEnd);
}

template <class Table> void PutTable(ByteWriter& out, int32_t tag, const Table& table) {
    out.PutI32(tag);
    table.Write(out);
    out.PutI32(tags::kListEnd);
}

// The image record: width, height, the two settings (none kept here), bytes per pixel, the byte count
// (row stride x height) and the rows with their padding.
void PutImage(ByteWriter& out, const Image24& p) {
    out.PutI32(tags::kImage);
    out.PutI32(p.Width());
    out.PutI32(p.Height());
    out.PutI32(0);
    out.PutI32(0);
    out.PutI32(3);
    out.PutI32(static_cast<int32_t>(p.Pixels().size()));
    out.PutBytes(p.Pixels().data(), p.Pixels().size());
    out.PutI32(tags::kBufferEnd);
}

void PutColor(ByteWriter& out, const ObjectColor& color) {
    out.PutI32(tags::kColor);
    PutTable(out, tags::kColorAppearances, color.appearances);
    if (color.appearance) {
        PutBuffer(out, tags::kColorAppearanceIndex, color.appearance.get());
        PutBuffer(out, tags::kColorBlue, color.blue.get());
        PutBuffer(out, tags::kColorGreen, color.green.get());
        PutBuffer(out, tags::kColorRed, color.red.get());
        PutBuffer(out, tags::kColorAmount, color.amount.get());
    }
    out.PutI32(tags::kPartEnd);
}

void PutShadow(ByteWriter& out, const ObjectShadow& shadow) {
    out.PutI32(tags::kShadow);
    PutTable(out, tags::kShadowAppearances, shadow.appearances);
    PutBuffer(out, tags::kShadowAppearanceIndex, shadow.appearanceIndex.get());
    PutBuffer(out, tags::kShadowLighting, shadow.lighting.get());
    out.PutI32(tags::kPartEnd);
}

// The four corners in whole pixels (0, 0 when the frame has none), then the drawing buffer.
void PutFrame(ByteWriter& out, const Wireframe& frame) {
    out.PutI32(tags::kFrame);
    for (const Wireframe::Corner& c : frame.corners) {
        out.PutI32(frame.hasCorners ? c.x : 0);
        out.PutI32(frame.hasCorners ? c.y : 0);
    }
    PutBuffer(out, tags::kLineBuffer, frame.drawingBuffer.get());
    out.PutI32(tags::kPartEnd);
}

void PutLineArt(ByteWriter& out, const ObjectLineArt& lines) {
    out.PutI32(tags::kLineArt);
    if (lines.appearanceList) {
        PutTable(out, tags::kLineAppearances, *lines.appearanceList);
    }
    PutBuffer(out, tags::kLineAppearanceIndex, lines.lineAppearanceIndex.get());
    PutBuffer(out, tags::kLineBuffer, lines.lineBuffer.get());
    if (lines.colorList) {
        PutTable(out, tags::kLineColors, *lines.colorList);
    }
    PutBuffer(out, tags::kLineColorIndex, lines.colorAppearanceIndex.get());
    PutBuffer(out, tags::kLineRefreshWidth, lines.refreshWidth.get());
    PutBuffer(out, tags::kLineRefreshAppearance, lines.refreshAppearance.get());
    out.PutI32(tags::kPartEnd);
}

void PutLayer(ByteWriter& out, ImageStackManager& stack, LayerObject& layer, int32_t index,
              const StreamWriteOptions& options) {
    int32_t width = stack.LayerWidth(layer);
    int32_t height = stack.LayerHeight(layer);
    if (index == ImageStackManager::kPaperIndex) {
        width = stack.DrawingWidth();
        height = stack.DrawingHeight();
        layer.offsetX = width;
        layer.offsetY = height;
        if (options.paperAdjust) {
            layer.paperAdjust = *options.paperAdjust;
        }
    } else if (index == ImageStackManager::kBackdropIndex && layer.image && options.backdropSelection) {
        layer.offsetX = (*options.backdropSelection)[0];
        layer.offsetY = (*options.backdropSelection)[1];
    }
    // The backdrop layer carries the backdrop's present picture; the layer's own image is not used
    // while the drawing is open, so it is left as it is.
    const Image24* picture = layer.image ? &layer.image->pixels : nullptr;
    if (index == ImageStackManager::kBackdropIndex && picture && options.backdropPicture &&
        !options.backdropPicture->Empty()) {
        picture = options.backdropPicture;
    }
    stack.PackProperties(layer, index);

    out.PutI32(tags::kLayerStart);
    out.PutI32(width);
    out.PutI32(height);
    out.PutI32(layer.offsetX);
    out.PutI32(layer.offsetY);
    out.PutU32(layer.id);
    out.PutI32(layer.headerValues[0]);
    out.PutI32(layer.headerValues[1]);
    out.PutI32(static_cast<int32_t>(layer.properties.size()));
    for (uint32_t word : layer.properties) {
        out.PutU32(word);
    }
    if (layer.auxBuffer) {
        PutBuffer(out, tags::kAuxBuffer, layer.auxBuffer.get());
    }
    if (picture && !picture->Empty()) {
        PutImage(out, *picture);
    }
    if (layer.color) {
        PutColor(out, *layer.color);
    }
    if (layer.shadow) {
        PutShadow(out, *layer.shadow);
    }
    if (layer.frame) {
        PutFrame(out, *layer.frame);
    }
    if (layer.lineArt) {
        PutLineArt(out, *layer.lineArt);
    }
    if (!layer.extraData.empty()) {
        out.PutI32(tags::kExtraData);
        out.PutI32(static_cast<int32_t>(layer.extraData.size()));
        out.PutBytes(layer.extraData.data(), layer.extraData.size());
        out.PutI32(tags::kBufferEnd);
    }
    out.PutI32(tags::kLayerEnd);
}

} // namespace

size_t EstimateStreamBytes(const ImageStackManager& stack) {
    return (stack.MemoryFootprint(0) + kStreamSlack) & ~size_t{0xFF};
}

bool WriteDrawingStream(ImageStackManager& stack, const StreamWriteOptions& options, ByteWriter& out) {
    out.Reserve(out.Size() + EstimateStreamBytes(stack));
    try {
        out.PutI32(tags::kStreamKind);
        out.PutI32(tags::kStreamKind);
        out.PutI32(tags::kVersion);
        out.PutI32(tags::kHeaderWord);
        for (int32_t i = 0; i < stack.Count(); ++i) {
            const bool wanted =
                options.onlyLayer < 0 || i < ImageStackManager::kFirstDrawingLayer || i == options.onlyLayer;
            if (wanted) {
                PutLayer(out, stack, *stack.Layer(i), i, options);
            }
        }
        out.PutI32(tags::kLayersEnd);
        out.PutI32(tags::kTrailerEnd);
    } catch (const std::exception&) { // bad_alloc while the byte sink grows
        return false;
    }
    return true;
}

} // namespace ts
