#include "raster/compressed_buffer.h"

#include "raster/row_codec.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace ts {

namespace {

// Bytes allocated past the pool's capacity, so that word-wide readers never touch foreign memory.
constexpr size_t kPoolSlack = 16;

std::unique_ptr<uint8_t[]> AllocatePool(size_t capacity) {
    try {
        auto pool = std::make_unique_for_overwrite<uint8_t[]>(capacity + kPoolSlack);
        std::memset(pool.get() + capacity, 0, kPoolSlack);
        return pool;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

} // namespace

size_t CCompressedBuffer::RowEncodedLength(int32_t row) const {
    return rowcodec::StoredLength(RowEncoding(row));
}

bool CCompressedBuffer::AllocateWorkingRow(size_t rawRowLength, int32_t bytesPerPixel, int32_t width,
                                           std::unique_ptr<WorkingRowLine[]>& out) const {
    // max(bytes per pixel, 4) x width + 16, in whole cache lines: decoders may write a word at a time.
    const size_t bytes =
        std::max(rawRowLength, static_cast<size_t>(std::max(bytesPerPixel, 4)) * static_cast<size_t>(width)) +
        16;
    try {
        out = std::make_unique<WorkingRowLine[]>((bytes + 63) / 64);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool CCompressedBuffer::InitPool(int32_t width, int32_t height, int32_t bytesPerPixel, size_t rawRowLength,
                                 const uint8_t* encoding, size_t encodedLength, size_t capacity) {
    StoreHeldRows();
    const size_t needed = encodedLength * static_cast<size_t>(height);
    capacity = std::max(capacity, needed);
    auto pool = AllocatePool(capacity);
    std::unique_ptr<WorkingRowLine[]> working;
    std::vector<size_t> offsets;
    std::vector<uint16_t> summaries;
    if (!pool || !AllocateWorkingRow(rawRowLength, bytesPerPixel, width, working)) {
        return false;
    }
    try {
        offsets.resize(static_cast<size_t>(height));
        summaries.assign(static_cast<size_t>(height), SummarizeRow(encoding, encodedLength, rawRowLength));
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (size_t r = 0; r < offsets.size(); ++r) {
        offsets[r] = r * encodedLength;
        std::memcpy(pool.get() + offsets[r], encoding, encodedLength);
    }
    m_pool = std::move(pool);
    m_rowOffset = std::move(offsets);
    m_rowSummary = std::move(summaries);
    m_workingRow = std::move(working);
    m_width = width;
    m_height = height;
    m_bytesPerPixel = bytesPerPixel;
    m_rawRowLength = rawRowLength;
    m_capacity = capacity;
    m_usedBytes = needed;
    m_writeHead = height - 1;
    m_lastPut = kStored;
    return true;
}

bool CCompressedBuffer::AdoptPackedRows(int32_t width, int32_t height, int32_t bytesPerPixel,
                                        size_t rawRowLength, std::unique_ptr<uint8_t[]> pool, size_t capacity,
                                        size_t usedBytes) {
    StoreHeldRows();
    std::unique_ptr<WorkingRowLine[]> working;
    std::vector<size_t> offsets;
    std::vector<uint16_t> summaries;
    if (!AllocateWorkingRow(rawRowLength, bytesPerPixel, width, working)) {
        return false;
    }
    try {
        offsets.resize(static_cast<size_t>(height));
        summaries.resize(static_cast<size_t>(height));
    } catch (const std::bad_alloc&) {
        return false;
    }
    size_t at = 0;
    for (size_t r = 0; r < offsets.size(); ++r) {
        offsets[r] = at;
        summaries[r] = SummarizeRow(pool.get() + at, capacity - at, rawRowLength);
        at += rowcodec::StoredLength(pool.get() + at);
    }
    m_pool = std::move(pool);
    m_rowOffset = std::move(offsets);
    m_rowSummary = std::move(summaries);
    m_workingRow = std::move(working);
    m_width = width;
    m_height = height;
    m_bytesPerPixel = bytesPerPixel;
    m_rawRowLength = rawRowLength;
    m_capacity = capacity;
    m_usedBytes = usedBytes;
    m_writeHead = height - 1;
    m_lastPut = kStored;
    return true;
}

bool CCompressedBuffer::CopyStoreFrom(const CCompressedBuffer& other) {
    StoreHeldRows();
    other.StoreHeldRows();
    if (!other.m_pool) {
        return false;
    }
    auto pool = AllocatePool(other.m_capacity);
    std::unique_ptr<WorkingRowLine[]> working;
    if (!pool || !AllocateWorkingRow(other.m_rawRowLength, other.m_bytesPerPixel, other.m_width, working)) {
        return false;
    }
    std::vector<size_t> offsets;
    std::vector<uint16_t> summaries;
    try {
        offsets = other.m_rowOffset;
        summaries = other.m_rowSummary;
    } catch (const std::bad_alloc&) {
        return false;
    }
    std::memcpy(pool.get(), other.m_pool.get(), other.m_capacity);
    std::memcpy(working.get(), other.m_workingRow.get(),
                ((std::max(other.m_rawRowLength, static_cast<size_t>(std::max(other.m_bytesPerPixel, 4)) *
                                                     static_cast<size_t>(other.m_width)) +
                  16 + 7) /
                 8) *
                    8);
    m_pool = std::move(pool);
    m_rowOffset = std::move(offsets);
    m_rowSummary = std::move(summaries);
    m_workingRow = std::move(working);
    m_width = other.m_width;
    m_height = other.m_height;
    m_bytesPerPixel = other.m_bytesPerPixel;
    m_mode = other.m_mode;
    m_rawRowLength = other.m_rawRowLength;
    m_capacity = other.m_capacity;
    m_usedBytes = other.m_usedBytes;
    m_writeHead = other.m_writeHead;
    m_lastPut = other.m_lastPut;
    return true;
}

void CCompressedBuffer::RecountUsedBytes() {
    StoreHeldRows();
    size_t used = 0;
    for (int32_t r = 0; r < m_height; ++r) {
        used += RowEncodedLength(r);
    }
    m_usedBytes = used;
}

bool CCompressedBuffer::Repack(size_t capacity) {
    RecountUsedBytes();
    capacity = std::max(capacity, m_usedBytes);
    auto pool = AllocatePool(capacity);
    if (!pool) {
        return false;
    }
    size_t at = 0;
    for (int32_t r = 0; r < m_height; ++r) {
        const size_t length = RowEncodedLength(r);
        std::memcpy(pool.get() + at, RowEncoding(r), length);
        m_rowOffset[static_cast<size_t>(r)] = at;
        at += length;
    }
    m_pool = std::move(pool);
    m_capacity = capacity;
    m_writeHead = m_height - 1;
    return true;
}

bool CCompressedBuffer::Compact(double factor) {
    StoreHeldRows();
    if (!m_pool) {
        return false;
    }
    RecountUsedBytes();
    if (m_usedBytes == 0 || static_cast<double>(m_capacity) / static_cast<double>(m_usedBytes) <= factor) {
        return true;
    }
    // ((used x factor) + 1024) rounded down to whole kilobytes, never below the rows themselves.
    const size_t target =
        (static_cast<size_t>(static_cast<double>(m_usedBytes) * factor) + 1024) & ~size_t{1023};
    return Repack(std::max(target, m_usedBytes));
}

// Moves the row after the gap to the gap's start; the gap then follows that row.
void CCompressedBuffer::MoveRowForward() {
    const int32_t k = NextRow(m_writeHead);
    const size_t length = RowEncodedLength(k);
    const size_t gapStart = RowEnd(m_writeHead);
    size_t& start = m_rowOffset[static_cast<size_t>(k)];
    size_t dest = gapStart;
    if (start < gapStart && gapStart + length > m_capacity) {
        // The gap wraps past the pool end and the row does not fit before it: it goes to the pool
        // start, leaving the end of the pool free.
        dest = 0;
    }
    std::memmove(m_pool.get() + dest, m_pool.get() + start, length);
    start = dest;
    m_writeHead = k;
    ++m_rowsMoved;
}

// Moves the row before the gap (the write head's row) to the gap's end.
void CCompressedBuffer::MoveRowBackward() {
    const int32_t k = m_writeHead;
    const size_t length = RowEncodedLength(k);
    const size_t gapEnd = m_rowOffset[static_cast<size_t>(NextRow(k))];
    const size_t gapStart = RowEnd(k);
    size_t dest;
    if (gapEnd >= gapStart || gapEnd >= length) {
        dest = gapEnd - length;
    } else {
        // The gap wraps and its part at the pool start is too small: the row goes to the pool end.
        dest = m_capacity - length;
    }
    size_t& start = m_rowOffset[static_cast<size_t>(k)];
    std::memmove(m_pool.get() + dest, m_pool.get() + start, length);
    start = dest;
    m_writeHead = PrevRow(k);
    ++m_rowsMoved;
}

// Makes the gap follow row head, moving whichever side holds strictly fewer bytes (forward on ties).
void CCompressedBuffer::MoveGapTo(int32_t head) {
    if (head == m_writeHead) {
        return;
    }
    const int32_t forwardRows = (head - m_writeHead + m_height) % m_height;
    const int32_t backwardRows = m_height - forwardRows;
    // Sum both sides only as far as needed to know which is smaller.
    size_t forwardBytes = 0;
    size_t backwardBytes = 0;
    int32_t f = 0;
    int32_t b = 0;
    int32_t fr = NextRow(m_writeHead);
    int32_t br = m_writeHead;
    while (true) {
        const bool forwardDone = f == forwardRows;
        const bool backwardDone = b == backwardRows;
        if (forwardDone && (backwardDone || backwardBytes >= forwardBytes)) {
            break;
        }
        if (backwardDone && forwardBytes > backwardBytes) {
            break;
        }
        if (!forwardDone && (backwardDone || forwardBytes <= backwardBytes)) {
            forwardBytes += RowEncodedLength(fr);
            fr = NextRow(fr);
            ++f;
        } else {
            backwardBytes += RowEncodedLength(br);
            br = PrevRow(br);
            ++b;
        }
    }
    const bool backward = b == backwardRows && backwardBytes < forwardBytes;
    if (backward) {
        for (int32_t i = 0; i < backwardRows; ++i) {
            MoveRowBackward();
        }
    } else {
        for (int32_t i = 0; i < forwardRows; ++i) {
            MoveRowForward();
        }
    }
}

bool CCompressedBuffer::TryStoreInPlace(int32_t row, const uint8_t* src) {
    const size_t start = m_rowOffset[static_cast<size_t>(row)];
    const size_t nextStart = m_rowOffset[static_cast<size_t>(NextRow(row))];
    const size_t limit = (nextStart > start && m_height > 1) ? nextStart : m_capacity;
    if (limit - start <= rowcodec::kEmptyRowLength) {
        return false;
    }
    // Encode aside first: a failed attempt must leave the stored row intact.
    const size_t oldLength = RowEncodedLength(row);
    std::vector<uint8_t> scratch(limit - start);
    const size_t length = Produce(src, scratch.data(), scratch.data() + scratch.size());
    if (length == 0) {
        return false;
    }
    std::memcpy(m_pool.get() + start, scratch.data(), length);
    m_usedBytes = m_usedBytes - oldLength + length;
    m_lastPut = kStored;
    return true;
}

bool CCompressedBuffer::TryStore(int32_t row, const uint8_t* src) {
    const size_t oldLength = RowEncodedLength(row);
    if (m_height == 1) {
        const size_t length = Produce(src, m_pool.get(), m_pool.get() + m_capacity);
        if (length == 0) {
            m_lastPut = kNoRoom;
            return false;
        }
        m_rowOffset[0] = 0;
        m_usedBytes = length;
        m_writeHead = 0;
        m_lastPut = kStored;
        return true;
    }
    if (row != NextRow(m_writeHead)) {
        if (m_mode == kModeSparse && TryStoreInPlace(row, src)) {
            return true;
        }
        MoveGapTo(PrevRow(row));
    }
    const size_t at = RowEnd(m_writeHead);
    const size_t nextStart = m_rowOffset[static_cast<size_t>(NextRow(row))];
    const bool nextIsLower = nextStart < at;
    const size_t limit = nextIsLower ? m_capacity : nextStart;
    size_t placed = at;
    size_t length = Produce(src, m_pool.get() + at, m_pool.get() + limit);
    if (length == 0 && nextIsLower) {
        m_lastPut = kNoFitBeforeEnd;
        placed = 0;
        length = Produce(src, m_pool.get(), m_pool.get() + nextStart);
    }
    if (length == 0) {
        m_lastPut = kNoRoom;
        return false;
    }
    m_rowOffset[static_cast<size_t>(row)] = placed;
    m_usedBytes = m_usedBytes - oldLength + length;
    m_writeHead = row;
    m_lastPut = kStored;
    return true;
}

// Regrows the pool and stores the row in the same pass: rows 0 .. row are packed from the pool start
// with the new encoding last, and the rows after it are packed against the pool end, so the gap
// follows the stored row as after any store. Attempt k asks for k x (U + U/2) bytes plus the most
// one row can need, so the first attempt that gets its memory always succeeds.
bool CCompressedBuffer::Grow(int32_t row, const uint8_t* src) {
    RecountUsedBytes();
    const size_t used = m_usedBytes;
    size_t after = 0;
    for (int32_t r = row + 1; r < m_height; ++r) {
        after += RowEncodedLength(r);
    }
    for (size_t k = 1; k <= 10; ++k) {
        const size_t capacity = k * (used + used / 2) + WorstCaseRoom();
        auto pool = AllocatePool(capacity);
        if (!pool) {
            continue;
        }
        std::vector<size_t> offsets(m_rowOffset.size());
        size_t at = 0;
        for (int32_t r = 0; r < row; ++r) {
            const size_t length = RowEncodedLength(r);
            std::memcpy(pool.get() + at, RowEncoding(r), length);
            offsets[static_cast<size_t>(r)] = at;
            at += length;
        }
        const size_t length = Produce(src, pool.get() + at, pool.get() + capacity - after);
        if (length == 0) {
            continue;
        }
        offsets[static_cast<size_t>(row)] = at;
        size_t tail = capacity - after;
        for (int32_t r = row + 1; r < m_height; ++r) {
            const size_t rowLength = RowEncodedLength(r);
            std::memcpy(pool.get() + tail, RowEncoding(r), rowLength);
            offsets[static_cast<size_t>(r)] = tail;
            tail += rowLength;
        }
        m_pool = std::move(pool);
        m_rowOffset = std::move(offsets);
        m_capacity = capacity;
        m_usedBytes = at + length + after;
        m_writeHead = row;
        m_lastPut = kStored;
        return true;
    }
    return false;
}

void CCompressedBuffer::PrefetchRowPlaces(int32_t first, int32_t last) const {
    first = std::max(first, 0);
    last = std::min(last, m_height);
    constexpr int32_t kPerLine = 64 / static_cast<int32_t>(sizeof(size_t));
    for (int32_t row = first; row < last; row += kPerLine) {
        __builtin_prefetch(m_rowOffset.data() + row);
    }
    if (first < last) {
        __builtin_prefetch(m_rowOffset.data() + last - 1);
    }
}

void CCompressedBuffer::PrefetchRowSummaries(int32_t first, int32_t last) const {
    first = std::max(first, 0);
    last = std::min(last, m_height);
    constexpr int32_t kPerLine = 64 / static_cast<int32_t>(sizeof(uint16_t));
    for (int32_t row = first; row < last; row += kPerLine) {
        __builtin_prefetch(m_rowSummary.data() + row);
    }
    if (first < last) {
        __builtin_prefetch(m_rowSummary.data() + last - 1);
    }
}

void CCompressedBuffer::PrefetchRowCodes(int32_t first, int32_t last, size_t maxBytes) const {
    first = std::max(first, 0);
    last = std::min(last, m_height);
    if (!m_pool || first >= last) {
        return;
    }
    // Rows stored one after another are one stretch of the pool.
    const size_t begin = m_rowOffset[static_cast<size_t>(first)];
    const size_t end = m_rowOffset[static_cast<size_t>(last - 1)] + rowcodec::kLengthBytes;
    if (end < begin || end - begin > maxBytes) {
        return;
    }
    for (size_t at = begin; at < end; at += 64) {
        __builtin_prefetch(m_pool.get() + at);
    }
    __builtin_prefetch(m_pool.get() + end - 1);
}

size_t CCompressedBuffer::Produce(const uint8_t* src, uint8_t* dest, const uint8_t* limit) {
    if (!m_ready) {
        return EncodeInto(src, dest, limit);
    }
    // The writer wants 8 bytes of room past its output before each unit, and 11 bytes at least.
    const size_t room = static_cast<size_t>(limit - dest);
    if (limit <= dest || room < std::max<size_t>(m_readyLength + 8, 11)) {
        return 0;
    }
    std::memcpy(dest, m_ready, m_readyLength);
    return m_readyLength;
}

bool CCompressedBuffer::StoreEncodedRow(int32_t row, const uint8_t* encoding, size_t length) {
    StoreHeldRows();
    m_ready = encoding;
    m_readyLength = length;
    const bool stored = StoreRow(row, encoding);
    m_ready = nullptr;
    m_readyLength = 0;
    return stored;
}

bool CCompressedBuffer::ReplaceRowInPlace(int32_t row, const uint8_t* encoding, size_t length) {
    StoreHeldRows();
    if (!m_pool || row < 0 || row >= m_height || length != RowEncodedLength(row)) {
        return false;
    }
    std::memcpy(MutableRow(row), encoding, length);
    m_lastPut = kStored;
    SummarizeStoredRow(row);
    return true;
}

bool CCompressedBuffer::StoreRow(int32_t row, const uint8_t* src) {
    StoreHeldRows();
    if (!m_pool || row < 0 || row >= m_height) {
        return false;
    }
    if (TryStore(row, src)) {
        SummarizeStoredRow(row);
        return true;
    }
    // The old encoding may be partly overwritten: the row is empty until the regrown pool takes it.
    const size_t oldLength = RowEncodedLength(row);
    rowcodec::SetStoredLength(MutableRow(row), rowcodec::kEmptyRowLength);
    m_usedBytes = m_usedBytes - oldLength + rowcodec::kEmptyRowLength;
    bool stored = false;
    try {
        stored = Grow(row, src);
    } catch (const std::bad_alloc&) {
        stored = false;
    }
    SummarizeStoredRow(row);
    return stored;
}

} // namespace ts
