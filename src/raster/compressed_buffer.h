#pragma once

#include "raster/held_rows.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace ts {

// The working row is held in whole cache lines from a line's start: decoders write it a vector at a time,
// and a vector that straddles two lines costs two writes.
struct alignas(64) WorkingRowLine {
    uint64_t words[8];
};

// The row store shared by the run-length and sparse buffers: one pool holding every encoded row
// around a ring with a single free gap, a row table, and the working row.
//
// Ring invariant: reading from the end of the gap onwards (wrapping from the pool end to the pool
// start), the rows are writeHead + 1, ..., height - 1, 0, ..., writeHead. No row is split across the
// pool end; the room between the physically last row and the pool end is free as well.
class CCompressedBuffer {
public:
    static constexpr int32_t kModeRunLength = 3;
    static constexpr int32_t kModeSparse = 4;

    enum PutStatus : uint8_t { kStored = 0, kNoFitBeforeEnd = 1, kNoRoom = 2 };

    CCompressedBuffer() = default;
    virtual ~CCompressedBuffer() = default;
    CCompressedBuffer(const CCompressedBuffer&) = delete;
    CCompressedBuffer& operator=(const CCompressedBuffer&) = delete;

    bool IsCreated() const { return m_pool != nullptr; }
    int32_t Width() const { return m_width; }
    int32_t Height() const { return m_height; }
    int32_t BytesPerPixel() const { return m_bytesPerPixel; }
    int32_t Mode() const { return m_mode; }
    size_t Capacity() const {
        StoreHeldRows();
        return m_capacity;
    }
    int32_t WriteHead() const { return m_writeHead; }
    PutStatus LastPutStatus() const { return m_lastPut; }
    // Raw bytes in one decoded row (width x bytes per pixel in run-length mode).
    size_t RawRowLength() const { return m_rawRowLength; }

    // The working row: 8-byte aligned, at least 16 bytes longer than any decoded row.
    uint8_t* WorkingRow() {
        StoreHeldRows();
        return reinterpret_cast<uint8_t*>(m_workingRow.get());
    }
    const uint8_t* WorkingRow() const {
        StoreHeldRows();
        return reinterpret_cast<const uint8_t*>(m_workingRow.get());
    }

    // Rows of this buffer held newer elsewhere until they are stored (see HeldRows), or null. The holder
    // sets it while it holds rows and clears it before it stores them itself; the buffer clears it when
    // it has them stored.
    void HoldRows(HeldRows* held) { m_held = held; }
    HeldRows* RowsHeld() const { return m_held; }

    // The stored encoding of a row, starting with its 16-bit length.
    const uint8_t* RowEncoding(int32_t row) const {
        StoreHeldRows();
        return m_pool.get() + m_rowOffset[static_cast<size_t>(row)];
    }
    size_t RowEncodedLength(int32_t row) const;
    // Byte offset of a row's encoding inside the pool (for tests of the ring).
    size_t RowOffset(int32_t row) const {
        StoreHeldRows();
        return m_rowOffset[static_cast<size_t>(row)];
    }
    // What a row's codes tell at a glance, kept as each row is stored: kOneValueRow | value for a row
    // of one value throughout, else kMixedRow. Readers of many short rows (a deep stack composited)
    // learn it here without touching the codes.
    static constexpr uint16_t kMixedRow = 0;
    static constexpr uint16_t kOneValueRow = 0x100;
    uint16_t RowSummary(int32_t row) const {
        return IsHeld(row) ? kMixedRow : m_rowSummary[static_cast<size_t>(row)];
    }
    // Hints that rows first .. last - 1 are about to be read, so that they come into the cache
    // meanwhile: where they lie in the pool, and (best once that is in the cache) their codes, at most
    // maxBytes of them.
    void PrefetchRowPlaces(int32_t first, int32_t last) const;
    void PrefetchRowSummaries(int32_t first, int32_t last) const;
    void PrefetchRowCodes(int32_t first, int32_t last, size_t maxBytes) const;

    // Reallocates the pool to fit the rows when capacity / used bytes exceeds the factor.
    bool Compact(double factor);

    // Number of whole-row moves made while moving the gap since creation (for tests and benchmarks).
    uint64_t RowsMoved() const { return m_rowsMoved; }
    // The pool the rows live in, for tests of its layout.
    const uint8_t* PoolStart() const { return m_pool.get(); }

protected:
    // Encodes the row from src (run-length or sparse by mode) into [dest, limit); 0 when it does not fit.
    virtual size_t EncodeInto(const uint8_t* src, uint8_t* dest, const uint8_t* limit) = 0;
    // Room the encoder may need at most for one row.
    virtual size_t WorstCaseRoom() const = 0;
    // The summary of a stored encoding (see RowSummary) of a row of rawRowLength bytes; available is
    // how many pool bytes follow the encoding's start.
    virtual uint16_t SummarizeRow(const uint8_t* /*encoding*/, size_t /*available*/,
                                  size_t /*rawRowLength*/) const {
        return kMixedRow;
    }

    // Stores an encoded row as the pool rules say; grows the pool when needed.
    bool StoreRow(int32_t row, const uint8_t* src);
    // The same for a row already encoded (length bytes included): placed wherever the writer's
    // encoding of it would fit with its look-ahead room.
    bool StoreEncodedRow(int32_t row, const uint8_t* encoding, size_t length);
    // A row's new encoding of the length of its stored one goes over it where it lies: no row moves
    // and the gap stays. False (nothing changes) for another length.
    bool ReplaceRowInPlace(int32_t row, const uint8_t* encoding, size_t length);
    // After a caller changed a row's codes where they lie (through MutableRow, the length kept).
    void RowChangedInPlace(int32_t row) { SummarizeStoredRow(row); }

    // Lays out a new pool of the given capacity holding height copies of one encoding.
    bool InitPool(int32_t width, int32_t height, int32_t bytesPerPixel, size_t rawRowLength,
                  const uint8_t* encoding, size_t encodedLength, size_t capacity);
    // Takes over rows already laid out one after another (from a stored block); the row table is built
    // by walking the lengths, which the caller has validated.
    bool AdoptPackedRows(int32_t width, int32_t height, int32_t bytesPerPixel, size_t rawRowLength,
                         std::unique_ptr<uint8_t[]> pool, size_t capacity, size_t usedBytes);
    bool AllocateWorkingRow(size_t rawRowLength, int32_t bytesPerPixel, int32_t width,
                            std::unique_ptr<WorkingRowLine[]>& out) const;
    // Copies everything but derived-class state from another buffer.
    bool CopyStoreFrom(const CCompressedBuffer& other);
    // Packs the rows 0 .. height - 1 from the start of a new pool of the given capacity.
    bool Repack(size_t capacity);
    void RecountUsedBytes();
    size_t UsedByteCount() const { return m_usedBytes; }

    uint8_t* MutableRow(int32_t row) {
        StoreHeldRows();
        return m_pool.get() + m_rowOffset[static_cast<size_t>(row)];
    }
    // The codes as they lie, held rows or not, and the pool bytes from them on: for the reads that serve
    // held rows themselves.
    const uint8_t* StoredEncoding(int32_t row) const {
        return m_pool.get() + m_rowOffset[static_cast<size_t>(row)];
    }
    size_t StoredAvailable(int32_t row) const { return m_capacity - m_rowOffset[static_cast<size_t>(row)]; }
    // Has the held rows stored (once; the hook is off afterwards).
    void StoreHeldRows() const {
        if (m_held) [[unlikely]] {
            HeldRows* held = m_held;
            m_held = nullptr;
            held->Store(*this);
        }
    }
    bool IsHeld(int32_t row) const {
        size_t from = 0;
        size_t to = 0;
        return m_held && m_held->Held(*this, row, from, to);
    }

    int32_t m_width = 0;
    int32_t m_height = 0;
    int32_t m_bytesPerPixel = 3;
    int32_t m_mode = kModeRunLength;
    size_t m_rawRowLength = 0;

private:
    size_t RowEnd(int32_t row) const { return m_rowOffset[static_cast<size_t>(row)] + RowEncodedLength(row); }
    int32_t NextRow(int32_t row) const { return row + 1 == m_height ? 0 : row + 1; }
    int32_t PrevRow(int32_t row) const { return row == 0 ? m_height - 1 : row - 1; }
    void MoveGapTo(int32_t head);
    void MoveRowForward();
    void MoveRowBackward();
    bool TryStore(int32_t row, const uint8_t* src);
    bool TryStoreInPlace(int32_t row, const uint8_t* src);
    bool Grow(int32_t row, const uint8_t* src);
    // EncodeInto, or the copy of the ready encoding while StoreEncodedRow runs.
    size_t Produce(const uint8_t* src, uint8_t* dest, const uint8_t* limit);
    void SummarizeStoredRow(int32_t row) {
        m_rowSummary[static_cast<size_t>(row)] =
            SummarizeRow(RowEncoding(row), m_capacity - RowOffset(row), m_rawRowLength);
    }

    std::unique_ptr<uint8_t[]> m_pool;
    std::vector<size_t> m_rowOffset;
    std::vector<uint16_t> m_rowSummary;
    size_t m_usedBytes = 0;
    size_t m_capacity = 0;
    int32_t m_writeHead = 0;
    PutStatus m_lastPut = kStored;
    std::unique_ptr<WorkingRowLine[]> m_workingRow;
    uint64_t m_rowsMoved = 0;
    mutable HeldRows* m_held = nullptr;
    const uint8_t* m_ready = nullptr; // the encoding StoreEncodedRow stores
    size_t m_readyLength = 0;
};

} // namespace ts
