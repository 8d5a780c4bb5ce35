#include "files/drawing_writer.h"

#include "files/drawing_png.h"
#include "files/replacing_file.h"
#include "files/stream_block.h"

#include <zlib.h>

namespace ts {

namespace {

SaveResult WritePng(const std::string& path, const Image24& picture, const std::vector<uint8_t>* chunk) {
    SaveResult result;
    ReplacingFile file;
    if (!file.Open(path)) {
        result.status = SaveStatus::kOpenFailed;
        result.error = file.Error();
        return result;
    }
    PngWriteError error;
    if (!WriteDrawingPng(file.File(), picture, chunk, &error)) {
        result.status = SaveStatus::kWriteFailed;
        result.error = error.error;
        return result;
    }
    if (!file.Commit()) {
        result.status = SaveStatus::kWriteFailed;
        result.error = file.Error();
    }
    return result;
}

} // namespace

SaveResult CompressDrawing(ImageStackManager& stack, const StreamWriteOptions& options,
                           std::vector<uint8_t>& block) {
    SaveResult result;
    ByteWriter writer;
    if (!WriteDrawingStream(stack, options, writer)) {
        result.status = SaveStatus::kNoMemory;
        return result;
    }
    std::vector<uint8_t> stream = writer.Take();
    result.zlibCode = CompressStreamBlock(stream, block);
    if (result.zlibCode != Z_OK) {
        result.status = SaveStatus::kZlibFailed;
    }
    return result;
}

SaveResult WriteDrawingFile(const std::string& path, ImageStackManager& stack,
                            const StreamWriteOptions& options, const Image24& picture) {
    std::vector<uint8_t> block;
    const SaveResult compressed = CompressDrawing(stack, options, block);
    if (!compressed.Saved()) {
        return compressed;
    }
    return WritePng(path, picture, &block);
}

SaveResult WritePicturePng(const std::string& path, const Image24& picture) {
    return WritePng(path, picture, nullptr);
}

} // namespace ts
