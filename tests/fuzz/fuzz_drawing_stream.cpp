// Feeds arbitrary bytes to the drawing stream reader, as a legacy ".tsl" file or a decompressed chunk.
//
// A refused stream leaves no layers behind. An accepted one is a drawing that works: between 2 and 256
// layers, a sane drawing size, parts the compositor can draw side by side, line layers whose bytes the
// line renderer can redraw from; written again, it reads back to as many layers.

#include "files/drawing_stream.h"
#include "model/image_stack_manager.h"
#include "raster/byte_stream.h"
#include "render/compositor.h"
#include "render/line_renderer.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

[[noreturn]] void Fail() {
    __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ts::ByteReader in(data, size);
    ts::LoadedDrawing loaded;
    if (ts::ReadDrawingStream(in, loaded) != ts::StreamResult::kLoaded) {
        if (!loaded.layers.empty()) {
            Fail();
        }
        return 0;
    }
    const size_t count = loaded.layers.size();
    const int32_t width = loaded.DrawingWidth();
    const int32_t height = loaded.DrawingHeight();
    if (count < 2 || count > 256 || width < 1 || height < 1 || width > ts::kMaxDrawingSide ||
        height > ts::kMaxDrawingSide) {
        Fail();
    }

    ts::ImageStackManager stack;
    stack.SetDrawingSize(width, height);
    for (ts::LoadedLayer& layer : loaded.layers) {
        if (!stack.InsertLayer(stack.Count(), std::move(layer.layer))) {
            Fail();
        }
    }
    stack.UnpackAll(0);

    // The compositor reads every part of every layer on the first, a middle and the last row.
    ts::Compositor compositor(stack);
    std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
    for (int32_t y : {0, height / 2, height - 1}) {
        compositor.CompositeRow(y, 0, width, row.data(), nullptr, nullptr, nullptr);
    }

    // Line layers redraw a band across their middle from the bytes that came with them.
    for (int32_t i = 0; i < stack.Count(); ++i) {
        ts::LayerObject* layer = stack.Layer(i);
        if (layer && ts::IsLineLayer(*layer) && layer->lineArt) {
            ts::LineRenderer renderer(*layer);
            const ts::Rect all = renderer.LayerRectangle();
            renderer.RedrawLines(ts::Rect{all.left, all.Height() / 2, all.right, all.Height() / 2 + 1});
        }
    }

    ts::ByteWriter writer;
    if (!ts::WriteDrawingStream(stack, ts::StreamWriteOptions{}, writer)) {
        Fail();
    }
    ts::ByteReader again(writer.Data());
    ts::LoadedDrawing reread;
    if (ts::ReadDrawingStream(again, reread) != ts::StreamResult::kLoaded || reread.layers.size() != count) {
        Fail();
    }
    return 0;
}
