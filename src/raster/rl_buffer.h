#pragma once

#include "platform/progress_meter.h"
#include "raster/byte_stream.h"
#include "raster/compressed_buffer.h"
#include "raster/image_buffer.h"
#include "raster/rect.h"
#include "raster/row_codec.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace ts {

// A run-length raster of 1 to 4 bytes per pixel. Work goes row by row: decode a row into the working
// row (or a row window), change it, store it back with PutRow.
class RLBuffer : public CCompressedBuffer {
public:
    // Limits on what a buffer may be: the row must fit the 16-bit row length, and nothing read from a
    // file may ask for more than this many raw bytes in one buffer.
    static constexpr uint64_t kMaxRawBytes = uint64_t{1} << 32;
    static constexpr int32_t kMaxHeight = 1 << 20;
    // Packed result of the run reader: value in bits 0-7, position in bits 16-31.
    static constexpr uint32_t kEndOfRow = 0xFFFFFFFFu;
    static uint8_t RunValue(uint32_t packed) { return static_cast<uint8_t>(packed); }
    static int32_t RunPosition(uint32_t packed) {
        return packed == kEndOfRow ? -1 : static_cast<int32_t>(packed >> 16);
    }

    RLBuffer() = default;
    ~RLBuffer() override;

    // Whether a buffer of this size could exist (the row fits the row length field, sizes positive
    // and below the caps).
    static bool SizeIsValid(int64_t width, int64_t height, int64_t bytesPerPixel);

    // Every row holds the fill byte. The pool is (encoded row length x height x poolFactor) bytes.
    // False (buffer unchanged) on bad sizes or lack of memory.
    bool Create(int32_t width, int32_t height, int32_t bytesPerPixel, uint8_t fill, float poolFactor);

    // Decodes a row into dest (the working row when null). With useWindow set and the row held by
    // the row window, its bytes are copied from there instead.
    void GetRow(int32_t row, uint8_t* dest = nullptr, bool useWindow = false);
    // Decodes a stored row into dest (the row window is not consulted); nothing for a row outside.
    void ReadRow(int32_t row, uint8_t* dest) const;
    // Decodes only bytes from .. to - 1 of a stored row (byte positions, to at most the row's length)
    // into dest[0 .. to - from), with what the codes tell about them; see rowcodec::DecodeSpan for
    // contentOnly and a null dest. A row outside the buffer or one that does not decode reads as zeros.
    rowcodec::SpanInfo ReadSpan(int32_t row, size_t from, size_t to, uint8_t* dest, uint8_t background,
                                bool contentOnly = false) const;
    // ReadSpan with contentOnly, for compositing: only info.first and info.last are made.
    rowcodec::SpanInfo ReadContent(int32_t row, size_t from, size_t to, uint8_t* dest,
                                   uint8_t background) const;
    // True when a stored row is one value throughout (as a filled row is written); sets value.
    bool RowIsOneValue(int32_t row, uint8_t& value) const {
        if (!IsCreated() || row < 0 || row >= m_height) {
            return false;
        }
        const uint16_t summary = RowSummary(row);
        value = static_cast<uint8_t>(summary);
        return (summary & kOneValueRow) != 0;
    }
    // Encodes and stores a row from src (the working row when null). False for a row outside the
    // buffer (nothing changes) or when the pool could not grow (the row is then empty).
    bool PutRow(int32_t row, const uint8_t* src = nullptr);
    // Stores a row in which only bytes from .. to - 1 (byte positions) change, to bytes[0 .. to - from):
    // the stored row is the same as PutRow of the whole changed row would store, but only the codes
    // around the change are rewritten. Uses the working row. False as PutRow, or for a bad range.
    bool PutSpan(int32_t row, size_t from, size_t to, const uint8_t* bytes);
    // Decodes bytes from .. to - 1 of a stored row into dest; rows outside the buffer or that do not
    // decode read as zeros. Like PutSpan, it walks the row's codes from the place the last of them left
    // off in that row (see rowcodec::CodePlace), so that work near the same columns again does not walk
    // from the row's start; PutRow and whole-buffer loads forget the places.
    void ReadSpanAt(int32_t row, size_t from, size_t to, uint8_t* dest) const;

    // Stores row of source (a buffer of the same size) mapped through a 256-entry table: the stored row
    // is what PutRow of the mapped bytes stores, but where the source's codes allow it they are mapped
    // one run at a time instead of decoding and encoding the row, and a row that comes out as it is
    // stored already is left alone. False as PutRow, or for a source of another size.
    bool PutMappedRow(int32_t row, const RLBuffer& source, const uint8_t* table);

    void Clear();
    bool Fill(uint8_t value);
    // Sets every byte of the pixels left .. right - 1 in rows top .. bottom - 1; clipped to the buffer.
    void FillRect(int32_t left, int32_t top, int32_t right, int32_t bottom, uint8_t value);

    // The stored form: width, height, 0, 0, bytes per pixel, N, then N bytes of row encodings.
    bool WriteBlock(ByteWriter& out) const;
    // Reads a stored block. Anything that does not walk exactly to a valid buffer is refused: false,
    // the buffer and the reader's position unchanged.
    bool ReadBlock(ByteReader& in);
    // The same, with a pool of exactly the stored row bytes.
    bool ReadBlockTight(ByteReader& in);

    bool CopyFrom(const RLBuffer& other);
    bool SameContents(const RLBuffer& other) const;

    uint32_t UsedBytes();
    double CompressionRatio();
    uint32_t Checksum();
    uint32_t StoredChecksum() const { return m_checksum; }
    void Histogram(std::array<uint64_t, 256>& counters) const;
    bool HasDeltaCodes(int32_t row) const;
    Rect BoundingBox(uint8_t background) const;

    std::unique_ptr<RLBuffer> ScaledCopy(int32_t newWidth, int32_t newHeight) const;
    void FlipHorizontal(ProgressMeter* progress = nullptr);
    void FlipVertical(ProgressMeter* progress = nullptr);
    std::unique_ptr<RLBuffer> RotateQuarter(int32_t degrees, ProgressMeter* progress = nullptr) const;
    std::unique_ptr<RLBuffer> Rotate(double degrees, bool negate, bool antialias, uint8_t background,
                                     ProgressMeter* progress = nullptr) const;

    // Row window: an uncompressed band of rows with a margin, through which filters and painting work.
    bool OpenWindow(int32_t margin, int32_t rows);
    void LoadWindow(int32_t firstRow);
    void ScrollWindowDown(int32_t k, bool writeBack);
    void ScrollWindowUp(int32_t k, bool writeBack);
    void FlushWindow();
    void CloseWindow();
    ImageBuffer* Window() { return m_window.get(); }
    const ImageBuffer* Window() const { return m_window.get(); }
    // True when the window holds this buffer row (margin rows included).
    bool WindowHolds(int32_t row) const;

    // Run reader over one row of a 1-byte-per-pixel buffer.
    void StartRow(int32_t row, bool useWindow = false);
    uint32_t NextNot(uint8_t background);
    uint32_t Seek(int32_t x);

protected:
    size_t EncodeInto(const uint8_t* src, uint8_t* dest, const uint8_t* limit) override;
    size_t WorstCaseRoom() const override;
    uint16_t SummarizeRow(const uint8_t* encoding, size_t available, size_t rawRowLength) const override;
    // Mirrors of each 16-bit coverage mask, applied by the flips to 2-byte pixels.
    static uint16_t MirrorMaskHorizontal(uint16_t mask);
    static uint16_t MirrorMaskVertical(uint16_t mask);

private:
    // ReadSpan (content: ReadContent) while rows are held newer elsewhere: the stored codes with the
    // held bytes over them, and what they tell about the span.
    rowcodec::SpanInfo ReadHeld(int32_t row, size_t from, size_t to, uint8_t* dest, uint8_t background,
                                bool contentOnly, bool content) const;
    bool ReadBlockWithSlack(ByteReader& in, size_t slack);
    void DecodeStored(int32_t row, uint8_t* dest) const;
    void LoadWindowRow(int32_t windowRow);
    bool NextRun();

    uint32_t m_checksum = 0;
    std::unique_ptr<ImageBuffer> m_window;
    std::vector<uint8_t> m_spliced; // PutSpan's and PutMappedRow's encoding, before it is stored
    // Makes m_spliced hold the writer's worst case; false when there is no memory for it.
    bool SplicedRoom();
    // Per row, where PutSpan and ReadSpanAt start walking its codes; empty until they are first used.
    mutable std::vector<rowcodec::CodePlace> m_places;
    rowcodec::CodePlace* PlaceOf(int32_t row) const;

    // Run reader state.
    struct RunReader {
        int32_t position = 0;
        const uint8_t* read = nullptr;
        const uint8_t* end = nullptr;
        int32_t repeatLeft = 0;
        int32_t literalLeft = 0;
        uint8_t value = 0;
        int32_t width = 0;
        bool decoded = false;
    } m_reader;
    std::vector<uint8_t> m_readerRow;
};

} // namespace ts
