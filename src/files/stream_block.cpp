#include "files/stream_block.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <exception>

namespace ts {

namespace {

// libdeflate's fastest level and its default level: the first matches compress2's default level in
// size on noisy paint, the second does better than it on pictures. The smaller of the two is kept;
// trying both still takes about a third of compress2's time.
constexpr int kDeflateLevels[] = {1, 6};
// Room the block's writer has always given its compressed data: U + U / 8 + 12 bytes.
size_t CompressedRoom(size_t u) {
    return u + u / 8 + 12;
}
// Deflate cannot expand data by more than this factor (258-byte matches in 1-bit codes), so a block
// whose U exceeds C times it cannot be genuine.
constexpr uint64_t kMaxInflation = 1032;
// The decompression buffer's room beyond U, as the loader has always given it.
constexpr size_t kDecompressSlack = 0x100000;

void PutU32(uint8_t* at, uint32_t v) {
    at[0] = static_cast<uint8_t>(v);
    at[1] = static_cast<uint8_t>(v >> 8);
    at[2] = static_cast<uint8_t>(v >> 16);
    at[3] = static_cast<uint8_t>(v >> 24);
}

uint32_t GetU32(const uint8_t* at) {
    return uint32_t{at[0]} | uint32_t{at[1]} << 8 | uint32_t{at[2]} << 16 | uint32_t{at[3]} << 24;
}

struct Compressor {
    explicit Compressor(int level) : c(libdeflate_alloc_compressor(level)) {}
    ~Compressor() { libdeflate_free_compressor(c); }
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;
    libdeflate_compressor* c;
};

struct Decompressor {
    libdeflate_decompressor* d = libdeflate_alloc_decompressor();
    ~Decompressor() { libdeflate_free_decompressor(d); }
    Decompressor() = default;
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;
};

// zlib's compress2 at its default level, for when libdeflate cannot have its tables.
int CompressWithZlib(const std::vector<uint8_t>& stream, std::vector<uint8_t>& block) {
    uLongf length = static_cast<uLongf>(CompressedRoom(stream.size()));
    try {
        block.resize(kBlockHeaderBytes + length);
    } catch (const std::exception&) {
        block.clear();
        return Z_MEM_ERROR;
    }
    const int result = compress2(block.data() + kBlockHeaderBytes, &length, stream.data(),
                                 static_cast<uLong>(stream.size()), Z_DEFAULT_COMPRESSION);
    if (result != Z_OK) {
        block.clear();
        return result;
    }
    block.resize(kBlockHeaderBytes + length);
    return Z_OK;
}

} // namespace

int CompressStreamBlock(std::vector<uint8_t>& stream, std::vector<uint8_t>& block) {
    block.clear();
    try {
        stream.insert(stream.end(), 2, 0);
    } catch (const std::exception&) {
        return Z_MEM_ERROR;
    }
    const size_t u = stream.size();
    if (u > kMaxStreamBytes) {
        return Z_MEM_ERROR;
    }
    std::vector<uint8_t> candidate;
    for (int level : kDeflateLevels) {
        Compressor compressor(level);
        if (!compressor.c) {
            continue;
        }
        const size_t room = std::max(CompressedRoom(u), libdeflate_zlib_compress_bound(compressor.c, u));
        try {
            candidate.resize(kBlockHeaderBytes + room);
        } catch (const std::exception&) {
            continue;
        }
        const size_t c = libdeflate_zlib_compress(compressor.c, stream.data(), u,
                                                  candidate.data() + kBlockHeaderBytes, room);
        if (c != 0 && (block.empty() || kBlockHeaderBytes + c < block.size())) {
            candidate.resize(kBlockHeaderBytes + c);
            std::swap(block, candidate);
        }
    }
    if (block.empty()) {
        const int result = CompressWithZlib(stream, block);
        if (result != Z_OK) {
            return result;
        }
    }
    PutU32(block.data(), static_cast<uint32_t>(block.size() - kBlockHeaderBytes));
    PutU32(block.data() + 4, static_cast<uint32_t>(u));
    return Z_OK;
}

BlockStatus DecompressStreamBlock(const uint8_t* block, size_t size, StreamBytes& out, int& zlibCode) {
    zlibCode = Z_OK;
    out.data.reset();
    out.size = 0;
    if (size < kBlockHeaderBytes) {
        return BlockStatus::kMalformed;
    }
    const uint64_t c = GetU32(block);
    const uint64_t u = GetU32(block + 4);
    if (c > size - kBlockHeaderBytes || u == 0 || u > kMaxStreamBytes || u > (c + 64) * kMaxInflation) {
        return BlockStatus::kMalformed;
    }
    const size_t capacity = static_cast<size_t>(u) + kDecompressSlack;
    try {
        out.data = std::make_unique_for_overwrite<uint8_t[]>(capacity);
    } catch (const std::exception&) {
        zlibCode = Z_MEM_ERROR;
        return BlockStatus::kZlibError;
    }
    const uint8_t* data = block + kBlockHeaderBytes;
    Decompressor decompressor;
    if (decompressor.d) {
        size_t actual = 0;
        const libdeflate_result result = libdeflate_zlib_decompress(
            decompressor.d, data, static_cast<size_t>(c), out.data.get(), capacity, &actual);
        if (result == LIBDEFLATE_SUCCESS) {
            out.size = actual;
            return BlockStatus::kOk;
        }
        zlibCode = result == LIBDEFLATE_INSUFFICIENT_SPACE ? Z_BUF_ERROR : Z_DATA_ERROR;
    } else {
        uLongf actual = static_cast<uLongf>(capacity);
        zlibCode = uncompress(out.data.get(), &actual, data, static_cast<uLong>(c));
        if (zlibCode == Z_OK) {
            out.size = actual;
            return BlockStatus::kOk;
        }
    }
    out.data.reset();
    return BlockStatus::kZlibError;
}

} // namespace ts
