#pragma once

#include "files/drawing_stream.h"
#include "model/image_stack_manager.h"
#include "platform/image24.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ts {

enum class SaveStatus {
    kSaved,
    kOpenFailed,  // the file could not be made (error holds errno's value)
    kNoMemory,    // the stream could not be built
    kZlibFailed,  // compressing failed (zlibCode holds the result)
    kWriteFailed, // libpng or the file failed while writing (error holds errno's value, 0 for libpng)
};

struct SaveResult {
    SaveStatus status = SaveStatus::kSaved;
    int error = 0;
    int zlibCode = 0;
    bool Saved() const { return status == SaveStatus::kSaved; }
};

// The whole drawing (or a layer file, by the options) as a compressed block: [C][U][zlib data].
SaveResult CompressDrawing(ImageStackManager& stack, const StreamWriteOptions& options,
                           std::vector<uint8_t>& block);

// Writes a drawing file: the picture as the PNG image and the compressed stream as its chunk. The file
// appears only when everything was written; an earlier file of that name stays until then.
SaveResult WriteDrawingFile(const std::string& path, ImageStackManager& stack,
                            const StreamWriteOptions& options, const Image24& picture);

// Writes a plain PNG of the picture (no chunk), by the same rules.
SaveResult WritePicturePng(const std::string& path, const Image24& picture);

} // namespace ts
