// The PNG wrapper over libpng. libpng reports errors by longjmp: the functions that call setjmp create
// every C++ object they need before it and change none of them afterwards, and the callbacks that
// libpng calls hold no objects with destructors.
#include "files/drawing_png.h"

#include <png.h>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstring>
#include <exception>

namespace ts {

namespace {

constexpr png_byte kSignatureStart[4] = {0x89, 'P', 'N', 'G'};
// The image data is only for viewers: it is written fast. zlib level 3 with every row "Up"-filtered
// keeps a board's grain within a few percent of libpng's default size (adaptive filters, level 6) at a
// fifth of its time; level 1 would leave the file about a third larger.
constexpr int kImageLevel = 3;

struct WriteState {
    std::FILE* file = nullptr;
    PngWriteError* error = nullptr;
};

// Called from libpng's error handler: copies without allocating.
void StoreText(PngWriteError* error, const char* text) {
    if (error && error->text[0] == '\0') {
        const size_t length = std::min(std::strlen(text), sizeof error->text - 1);
        std::memcpy(error->text, text, length);
        error->text[length] = '\0';
    }
}

void OnWriteError(png_structp png, png_const_charp message) {
    auto* state = static_cast<WriteState*>(png_get_error_ptr(png));
    StoreText(state->error, message);
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void WriteData(png_structp png, png_bytep data, png_size_t length) {
    auto* state = static_cast<WriteState*>(png_get_io_ptr(png));
    errno = 0;
    if (std::fwrite(data, 1, length, state->file) != length) {
        if (state->error) {
            state->error->error = errno ? errno : EIO;
        }
        png_error(png, "Write Error");
    }
}

void FlushData(png_structp png) {
    auto* state = static_cast<WriteState*>(png_get_io_ptr(png));
    errno = 0;
    if (std::fflush(state->file) != 0) {
        if (state->error) {
            state->error->error = errno ? errno : EIO;
        }
        png_error(png, "Write Error");
    }
}

// Everything between setjmp and the end of the write; the row pointers and the chunk were prepared by
// the caller.
bool WritePng(png_structp png, png_infop info, const Image24& image, png_bytepp rows,
              png_unknown_chunk* chunk) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.Width()), static_cast<png_uint_32>(image.Height()),
                 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_pHYs(png, info, kDrawingPixelsPerMetre, kDrawingPixelsPerMetre, PNG_RESOLUTION_METER);
    if (chunk) {
        // "tsAP" is not safe to copy: libpng writes it only when told to keep it always.
        png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_ALWAYS,
                                    reinterpret_cast<png_const_bytep>(kDrawingChunkName), 1);
        png_set_unknown_chunks(png, info, chunk, 1);
        png_set_unknown_chunk_location(png, info, 0, PNG_HAVE_PLTE);
    }
    png_set_compression_level(png, kImageLevel);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
    png_write_info(png, info);
    png_set_bgr(png);
    png_write_image(png, rows);
    png_write_end(png, info);
    return true;
}

struct ReadState {
    std::FILE* file = nullptr;
    std::vector<uint8_t>* chunk = nullptr;
    bool found = false;
};

void OnReadError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void ReadData(png_structp png, png_bytep data, png_size_t length) {
    auto* state = static_cast<ReadState*>(png_get_io_ptr(png));
    if (std::fread(data, 1, length, state->file) != length) {
        png_error(png, "Read Error");
    }
}

// Keeps the first "tsAP" chunk; other unknown chunks go to libpng's own rules.
int OnUserChunk(png_structp png, png_unknown_chunkp chunk) {
    auto* state = static_cast<ReadState*>(png_get_user_chunk_ptr(png));
    if (std::memcmp(chunk->name, kDrawingChunkName, sizeof kDrawingChunkName) != 0) {
        return 0;
    }
    if (!state->found) {
        try {
            state->chunk->assign(chunk->data, chunk->data + chunk->size);
        } catch (const std::exception&) {
            return -1;
        }
        state->found = true;
    }
    return 1;
}

bool ReadChunks(png_structp png, png_infop info) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_read_info(png, info);
    return true;
}

// The longest chunk a file could hold when its size cannot be told: a block of kMaxStreamBytes
// compressed, with its lengths.
constexpr size_t kLongestChunk = 0x48000000;

// Bytes left in the file from its present position; 0 when that cannot be told.
size_t BytesLeft(std::FILE* file) {
    const long at = std::ftell(file);
    if (at < 0 || std::fseek(file, 0, SEEK_END) != 0) {
        return 0;
    }
    const long end = std::ftell(file);
    std::fseek(file, at, SEEK_SET);
    return end > at ? static_cast<size_t>(end - at) : 0;
}

} // namespace

bool WriteDrawingPng(std::FILE* file, const Image24& image, const std::vector<uint8_t>* chunk,
                     PngWriteError* error) {
    if (image.Empty()) {
        return false;
    }
    if (error) {
        *error = PngWriteError{};
    }
    WriteState state{file, error};
    std::vector<png_bytep> rows;
    try {
        rows.resize(static_cast<size_t>(image.Height()));
    } catch (const std::exception&) {
        return false;
    }
    for (int32_t y = 0; y < image.Height(); ++y) {
        rows[static_cast<size_t>(y)] = const_cast<png_bytep>(image.Row(y));
    }
    png_unknown_chunk unknown{};
    if (chunk) {
        std::memcpy(unknown.name, kDrawingChunkName, sizeof kDrawingChunkName);
        unknown.data = const_cast<png_bytep>(chunk->data());
        unknown.size = chunk->size();
        unknown.location = PNG_HAVE_PLTE;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &state, OnWriteError, OnWarning);
    if (!png) {
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    png_set_write_fn(png, &state, WriteData, FlushData);
    const bool ok = WritePng(png, info, image, rows.data(), chunk ? &unknown : nullptr);
    png_destroy_write_struct(&png, &info);
    return ok;
}

ChunkStatus ReadDrawingChunk(std::FILE* file, std::vector<uint8_t>& chunk) {
    chunk.clear();
    png_byte start[4];
    if (std::fread(start, 1, sizeof start, file) != sizeof start ||
        std::memcmp(start, kSignatureStart, sizeof start) != 0) {
        return ChunkStatus::kNotPng;
    }
    ReadState state{file, &chunk, false};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state, OnReadError, OnWarning);
    if (!png) {
        return ChunkStatus::kPngError;
    }
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return ChunkStatus::kPngError;
    }
    png_set_read_fn(png, &state, ReadData);
    png_set_sig_bytes(png, sizeof start);
    png_set_read_user_chunk_fn(png, &state, OnUserChunk);
    // libpng holds an unknown chunk in memory before handing it over; no chunk can be longer than the
    // file that holds it.
    const size_t left = BytesLeft(file);
    png_set_chunk_malloc_max(png, left > 0 ? std::min(left, kLongestChunk) : kLongestChunk);
    const bool ok = ReadChunks(png, info);
    png_destroy_read_struct(&png, &info, nullptr);
    if (!ok) {
        chunk.clear();
        return ChunkStatus::kPngError;
    }
    return state.found ? ChunkStatus::kFound : ChunkStatus::kNoChunk;
}

} // namespace ts
