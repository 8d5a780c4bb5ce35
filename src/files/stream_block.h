#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace ts {

// The compressed form of a drawing stream, as the drawing file's private chunk and the whole-drawing
// undo records keep it: the compressed length C and the uncompressed length U (32-bit little-endian),
// then C bytes of a zlib stream that zlib's uncompress reads back to U bytes. The stream is followed,
// inside the compressed data, by 2 zero bytes that U counts and readers ignore.
inline constexpr size_t kBlockHeaderBytes = 8;
// A block may not claim more than this many uncompressed bytes.
inline constexpr uint64_t kMaxStreamBytes = uint64_t{1} << 30;

// Appends the 2 padding bytes to the stream and compresses it at the default level into block.
// Returns Z_OK, or the zlib result code of a failure (block is then empty).
int CompressStreamBlock(std::vector<uint8_t>& stream, std::vector<uint8_t>& block);

// Uncompressed bytes of a block; size counts only what was actually decompressed.
struct StreamBytes {
    std::unique_ptr<uint8_t[]> data;
    size_t size = 0;
};

enum class BlockStatus {
    kOk,
    kMalformed, // C does not fit the block, or U is 0 or beyond what C can hold or kMaxStreamBytes
    kZlibError, // the data does not decompress: zlibCode tells how
};

// Decompresses a block. Nothing is allocated for a block whose lengths do not hold together.
BlockStatus DecompressStreamBlock(const uint8_t* block, size_t size, StreamBytes& out, int& zlibCode);

} // namespace ts
