#include "files/drawing_reader.h"

#include "files/drawing_png.h"
#include "files/stream_block.h"
#include "files/tsl_file.h"

#include <cerrno>
#include <vector>

namespace ts {

namespace {

void ShowNotValid(UserInterface& ui, bool asObject) {
    ui.ShowMessage(asObject ? kNotValidObject : kNotValidDrawing);
}

bool ReadStream(UserInterface& ui, ByteReader& in, bool asObject, LoadedDrawing& out, bool legacy = false) {
    switch (ReadDrawingStream(in, out)) {
    case StreamResult::kLoaded:
        return true;
    case StreamResult::kTooNew:
        for (const std::string& text : StreamTooNewMessages(out.version)) {
            ui.ShowMessage(text);
        }
        return false;
    case StreamResult::kNoLayers:
        // A legacy drawing always carries at least the backdrop; one without names the file that new
        // drawings were once made from.
        if (legacy && !asObject) {
            ui.ShowMessage(kBlankTslCorrupt);
            return false;
        }
        break;
    case StreamResult::kNotValid:
        break;
    }
    ShowNotValid(ui, asObject);
    return false;
}

} // namespace

bool ReadDrawingBlock(UserInterface& ui, const uint8_t* block, size_t size, bool asObject,
                      LoadedDrawing& out) {
    StreamBytes stream;
    int zlibCode = 0;
    switch (DecompressStreamBlock(block, size, stream, zlibCode)) {
    case BlockStatus::kOk: {
        ByteReader in(stream.data.get(), stream.size);
        return ReadStream(ui, in, asObject, out);
    }
    case BlockStatus::kZlibError:
        ui.ShowMessage(ZlibErrorText(zlibCode));
        break;
    case BlockStatus::kMalformed:
        break;
    }
    ShowNotValid(ui, asObject);
    return false;
}

bool ReadDrawingPng(UserInterface& ui, const std::string& path, bool asObject, LoadedDrawing& out) {
    int error = 0;
    std::FILE* file = CTslFile::OpenForReading(path, error);
    if (!file) {
        ShowFileError(ui, FileErrorCauseFromErrno(error), path);
        return false;
    }
    std::vector<uint8_t> chunk;
    const ChunkStatus status = ReadDrawingChunk(file, chunk);
    std::fclose(file);
    switch (status) {
    case ChunkStatus::kFound:
        return ReadDrawingBlock(ui, chunk.data(), chunk.size(), asObject, out);
    case ChunkStatus::kNoChunk:
        ui.ShowMessage(kNoDrawingChunk);
        ShowNotValid(ui, asObject);
        return false;
    case ChunkStatus::kNotPng:
    case ChunkStatus::kPngError:
        break;
    }
    ui.ShowMessage(kCorruptDrawing);
    return false;
}

bool ReadLegacyDrawing(UserInterface& ui, const std::string& path, bool asObject, LoadedDrawing& out) {
    std::vector<uint8_t> bytes;
    int error = 0;
    if (!CTslFile::ReadWhole(path, bytes, error, kMaxStreamBytes)) {
        if (error == EFBIG) {
            ShowNotValid(ui, asObject);
        } else {
            ShowFileError(ui, FileErrorCauseFromErrno(error), path);
        }
        return false;
    }
    ByteReader in(bytes);
    return ReadStream(ui, in, asObject, out, true);
}

bool ReadDrawingFile(UserInterface& ui, const std::string& path, bool asObject, LoadedDrawing& out) {
    switch (CTslFile::KindOf(path)) {
    case CTslFile::Kind::kLegacy:
        return ReadLegacyDrawing(ui, path, asObject, out);
    case CTslFile::Kind::kDrawingPng:
        return ReadDrawingPng(ui, path, asObject, out);
    case CTslFile::Kind::kOther:
        break;
    }
    ui.ShowMessage(kWrongExtension);
    return false;
}

} // namespace ts
