#include "raster/sparse_buffer.h"

#include "raster/row_codec.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace ts {

namespace {

constexpr size_t kMaxRunBytes = 127;

int32_t ShiftForSize(int32_t elementSize) {
    switch (elementSize) {
    case 1:
        return 0;
    case 2:
        return 1;
    case 4:
        return 2;
    case 8:
        return 3;
    default:
        return -1;
    }
}

// Bitmap byte i with the bits of elements at or beyond the width cleared.
uint8_t MaskedBitmapByte(const uint8_t* bitmap, size_t i, int32_t width) {
    const int64_t firstElement = static_cast<int64_t>(i) * 8;
    const int64_t valid = std::clamp<int64_t>(width - firstElement, 0, 8);
    return static_cast<uint8_t>(bitmap[i] & ((1u << valid) - 1));
}

} // namespace

SparseBuffer::SparseBuffer() {
    m_mode = kModeSparse;
}

bool SparseBuffer::Create(int32_t width, int32_t height, int32_t elementSize, float poolFactor) {
    const int32_t shift = ShiftForSize(elementSize);
    if (shift < 0 || width <= 0 || height <= 0 || height > (1 << 20) ||
        static_cast<int64_t>(width) * elementSize > (int64_t{1} << 26)) {
        return false;
    }
    const size_t bitmapBytes = static_cast<size_t>(width) / 8 + 1;
    const size_t raw = static_cast<size_t>(width) << shift;
    std::unique_ptr<uint8_t[]> bitmap;
    std::vector<uint8_t> encoding;
    try {
        bitmap = std::make_unique<uint8_t[]>(bitmapBytes);
        encoding.resize(rowcodec::kLengthBytes + bitmapBytes);
    } catch (const std::bad_alloc&) {
        return false;
    }
    // The empty row: zero runs over the whole bitmap, no payloads.
    size_t length = rowcodec::kLengthBytes;
    for (size_t left = bitmapBytes; left > 0;) {
        const size_t n = std::min(left, kMaxRunBytes);
        encoding[length++] = static_cast<uint8_t>(n);
        left -= n;
    }
    rowcodec::SetStoredLength(encoding.data(), length);
    const double wanted = static_cast<double>(length) * height * std::max(0.0f, poolFactor);
    if (!InitPool(width, height, elementSize, raw, encoding.data(), length, static_cast<size_t>(wanted))) {
        return false;
    }
    m_bitmap = std::move(bitmap);
    m_bitmapBytes = bitmapBytes;
    m_elementShift = shift;
    m_mode = kModeSparse;
    return true;
}

void SparseBuffer::SetPresent(int32_t x, bool present) {
    const uint8_t bit = static_cast<uint8_t>(1u << (x & 7));
    uint8_t& b = m_bitmap[static_cast<size_t>(x) >> 3];
    b = present ? static_cast<uint8_t>(b | bit) : static_cast<uint8_t>(b & ~bit);
}

void SparseBuffer::ClearWorkingRow() {
    if (!IsCreated()) {
        return;
    }
    std::memset(m_bitmap.get(), 0, m_bitmapBytes);
    std::memset(WorkingRow(), 0, RawRowLength());
}

size_t SparseBuffer::WorstCaseRoom() const {
    return rowcodec::kLengthBytes + m_bitmapBytes + m_bitmapBytes / kMaxRunBytes + 1 + RawRowLength() + 1;
}

// Sparse row: 16-bit length, the presence bitmap run-length coded (n in 1..127: n zero bytes;
// 0x80 | n: n literal bytes follow), then the payload of each present element in bitmap order.
size_t SparseBuffer::EncodeInto(const uint8_t* src, uint8_t* dest, const uint8_t* limit) {
    if (limit <= dest || static_cast<size_t>(limit - dest) <= rowcodec::kLengthBytes) {
        return 0;
    }
    uint8_t* out = dest + rowcodec::kLengthBytes;
    size_t i = 0;
    while (i < m_bitmapBytes) {
        const bool zero = MaskedBitmapByte(m_bitmap.get(), i, m_width) == 0;
        size_t n = 0;
        while (i + n < m_bitmapBytes && n < kMaxRunBytes &&
               (MaskedBitmapByte(m_bitmap.get(), i + n, m_width) == 0) == zero) {
            ++n;
        }
        const size_t need = zero ? 1 : 1 + n;
        if (out + need >= limit) {
            return 0;
        }
        if (zero) {
            *out++ = static_cast<uint8_t>(n);
        } else {
            *out++ = static_cast<uint8_t>(0x80 | n);
            for (size_t k = 0; k < n; ++k) {
                *out++ = MaskedBitmapByte(m_bitmap.get(), i + k, m_width);
            }
        }
        i += n;
    }
    const size_t elementSize = size_t{1} << m_elementShift;
    for (size_t b = 0; b < m_bitmapBytes; ++b) {
        uint8_t bits = MaskedBitmapByte(m_bitmap.get(), b, m_width);
        while (bits) {
            const int j = __builtin_ctz(bits);
            bits = static_cast<uint8_t>(bits & (bits - 1));
            if (out + elementSize >= limit) {
                return 0;
            }
            std::memcpy(out, src + ((b * 8 + static_cast<size_t>(j)) << m_elementShift), elementSize);
            out += elementSize;
        }
    }
    const size_t length = static_cast<size_t>(out - dest);
    if (length > rowcodec::kMaxEncodedLength) {
        return 0;
    }
    rowcodec::SetStoredLength(dest, length);
    return length;
}

bool SparseBuffer::DecodeSparse(const uint8_t* encoded, size_t available, size_t bitmapBytes, int32_t width,
                                int32_t elementShift, uint8_t* bitmap, uint8_t* elements) {
    if (available < rowcodec::kLengthBytes) {
        return false;
    }
    const size_t length = rowcodec::StoredLength(encoded);
    if (length < rowcodec::kLengthBytes || length > available) {
        return false;
    }
    const uint8_t* in = encoded + rowcodec::kLengthBytes;
    const uint8_t* const end = encoded + length;
    size_t filled = 0;
    while (filled < bitmapBytes) {
        if (in >= end) {
            return false;
        }
        const uint8_t code = *in++;
        const size_t n = code & 0x7F;
        if (n == 0 || n > bitmapBytes - filled) {
            return false;
        }
        if (code & 0x80) {
            if (n > static_cast<size_t>(end - in)) {
                return false;
            }
            std::memcpy(bitmap + filled, in, n);
            in += n;
        } else {
            std::memset(bitmap + filled, 0, n);
        }
        filled += n;
    }
    const size_t elementSize = size_t{1} << elementShift;
    std::memset(elements, 0, static_cast<size_t>(width) << elementShift);
    for (size_t b = 0; b < bitmapBytes; ++b) {
        if (bitmap[b] != MaskedBitmapByte(bitmap, b, width)) {
            return false; // a present element beyond the row
        }
        uint8_t bits = bitmap[b];
        while (bits) {
            const int j = __builtin_ctz(bits);
            bits = static_cast<uint8_t>(bits & (bits - 1));
            if (elementSize > static_cast<size_t>(end - in)) {
                return false;
            }
            std::memcpy(elements + ((b * 8 + static_cast<size_t>(j)) << elementShift), in, elementSize);
            in += elementSize;
        }
    }
    return in == end;
}

void SparseBuffer::GetRow(int32_t row) {
    if (!IsCreated() || row < 0 || row >= m_height) {
        return;
    }
    if (!DecodeSparse(RowEncoding(row), Capacity() - RowOffset(row), m_bitmapBytes, m_width, m_elementShift,
                      m_bitmap.get(), WorkingRow())) {
        ClearWorkingRow();
    }
}

bool SparseBuffer::PutRow(int32_t row) {
    return StoreRow(row, WorkingRow());
}

} // namespace ts
