// Feeds arbitrary bytes to RLBuffer::ReadBlock, as a drawing file or undo record would.
//
// A refused block must leave the buffer and the reader exactly as they were. An accepted block must
// be a buffer that works: every row decodes, a row stored back reads back the same, and writing the
// block and reading it again gives the same contents and the same stored bytes.

#include "raster/byte_stream.h"
#include "raster/rl_buffer.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// Past this many raw bytes an accepted buffer is only checked through its stored form, so that each
// input stays fast.
constexpr uint64_t kMaxDecodedBytes = uint64_t{16} << 20;
constexpr size_t kHeaderBytes = 24;

[[noreturn]] void Fail() {
    __builtin_trap();
}

struct Fingerprint {
    int32_t width;
    int32_t height;
    int32_t bytesPerPixel;
    uint32_t usedBytes;
    uint32_t checksum;
    bool operator==(const Fingerprint&) const = default;
};

Fingerprint Take(ts::RLBuffer& buffer) {
    return {buffer.Width(), buffer.Height(), buffer.BytesPerPixel(), buffer.UsedBytes(), buffer.Checksum()};
}

// Every row decodes the same into the working row and into a block of exactly one row's bytes.
void CheckRowsDecode(ts::RLBuffer& buffer) {
    const size_t rowBytes = buffer.RawRowLength();
    std::vector<uint8_t> row(rowBytes);
    for (int32_t r = 0; r < buffer.Height(); ++r) {
        std::memset(buffer.WorkingRow(), 0, rowBytes);
        std::memset(row.data(), 0, rowBytes);
        buffer.GetRow(r);
        buffer.GetRow(r, row.data());
        if (std::memcmp(buffer.WorkingRow(), row.data(), rowBytes) != 0) {
            Fail();
        }
    }
}

// Stores every row back in its canonical encoding and checks it reads back unchanged.
void CheckRowsStoreBack(ts::RLBuffer& buffer) {
    const size_t rowBytes = buffer.RawRowLength();
    std::vector<uint8_t> before(rowBytes);
    std::vector<uint8_t> after(rowBytes);
    for (int32_t r = 0; r < buffer.Height(); ++r) {
        std::memset(before.data(), 0, rowBytes);
        buffer.GetRow(r, before.data());
        if (!buffer.PutRow(r, before.data())) {
            Fail();
        }
        std::memset(after.data(), 0x5A, rowBytes);
        buffer.GetRow(r, after.data());
        if (before != after) {
            Fail();
        }
    }
}

void CheckAccepted(ts::RLBuffer& buffer, const std::vector<uint8_t>& input, size_t consumed) {
    if (buffer.Width() <= 0 || buffer.Height() <= 0 || buffer.BytesPerPixel() < 1 ||
        buffer.BytesPerPixel() > 4) {
        Fail();
    }
    if (consumed < kHeaderBytes || consumed > input.size()) {
        Fail();
    }

    // The written block is the block read, except that the reserved fields become zero.
    ts::ByteWriter writer;
    if (!buffer.WriteBlock(writer)) {
        Fail();
    }
    const std::vector<uint8_t>& written = writer.Data();
    if (written.size() != consumed || std::memcmp(written.data(), input.data(), 8) != 0 ||
        std::memcmp(written.data() + 16, input.data() + 16, consumed - 16) != 0) {
        Fail();
    }
    for (size_t i = 8; i < 16; ++i) {
        if (written[i] != 0) {
            Fail();
        }
    }

    ts::RLBuffer copy;
    ts::ByteReader again(written);
    if (!copy.ReadBlockTight(again) || again.Remaining() != 0 || !copy.SameContents(buffer) ||
        copy.Checksum() != buffer.Checksum()) {
        Fail();
    }

    const uint64_t rawBytes = static_cast<uint64_t>(buffer.Width()) * static_cast<uint64_t>(buffer.Height()) *
                              static_cast<uint64_t>(buffer.BytesPerPixel());
    if (rawBytes > kMaxDecodedBytes) {
        return;
    }
    CheckRowsDecode(buffer);
    CheckRowsStoreBack(copy);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> input(data, data + size);
    ts::ByteReader reader(input);

    // A buffer that already holds something: a refused block must not touch it.
    ts::RLBuffer buffer;
    if (!buffer.Create(5, 3, 2, 0x41, 4.0f)) {
        Fail();
    }
    const Fingerprint before = Take(buffer);

    if (!buffer.ReadBlock(reader)) {
        if (reader.Position() != 0 || Take(buffer) != before) {
            Fail();
        }
        return 0;
    }
    CheckAccepted(buffer, input, reader.Position());
    return 0;
}
