// Feeds arbitrary bytes to the drawing PNG path: the file as the loader reads it (the chunks before the
// image data, through libpng), the chunk's compressed block, and the stream inside it.
//
// Whatever the bytes, the reader answers without reading or allocating past what the file holds; a
// refused block hands on nothing, and only the bytes actually decompressed are read as a stream.

#include "files/drawing_png.h"
#include "files/drawing_stream.h"
#include "files/stream_block.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

[[noreturn]] void Fail() {
    __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    std::vector<uint8_t> bytes(data, data + size);
    std::FILE* file = fmemopen(bytes.data(), bytes.size(), "rb");
    if (!file) {
        return 0;
    }
    std::vector<uint8_t> chunk;
    const ts::ChunkStatus status = ts::ReadDrawingChunk(file, chunk);
    std::fclose(file);
    if (status != ts::ChunkStatus::kFound) {
        if (!chunk.empty()) {
            Fail();
        }
        return 0;
    }
    if (chunk.size() > size) {
        Fail();
    }
    ts::StreamBytes stream;
    int zlibCode = 0;
    if (ts::DecompressStreamBlock(chunk.data(), chunk.size(), stream, zlibCode) != ts::BlockStatus::kOk) {
        if (stream.data) {
            Fail();
        }
        return 0;
    }
    ts::ByteReader in(stream.data.get(), stream.size);
    ts::LoadedDrawing loaded;
    ts::ReadDrawingStream(in, loaded);
    return 0;
}
