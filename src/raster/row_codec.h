#pragma once

#include <cstddef>
#include <cstdint>

namespace ts::rowcodec {

// The run-length row code. An encoded row starts with its own total length (16-bit little-endian,
// the two length bytes included); codes follow. The raw row of L bytes is taken as L / 4 units of
// 4 bytes plus L mod 4 tail bytes:
//   0x00-0x7F repeat (code + 1) units of the last byte decoded before the run
//   0x80-0x9F literal (code & 0x1F) + 1 units, 4 bytes each
//   0xA0-0xBC delta run, 2-bit fields, 1 byte per unit
//   0xBD-0xBF tail of 1-3 raw bytes
//   0xC0-0xDF delta run, 3-bit fields, 3 bytes per 2 units (odd counts round up)
//   0xE0-0xFF delta run, 4-bit fields, 2 bytes per unit
// Rows shorter than 4 bytes are written as code 0x80 | (L - 1) and the L raw bytes.

constexpr size_t kLengthBytes = 2;
constexpr size_t kMaxEncodedLength = 0xFFFF;
constexpr size_t kEmptyRowLength = 2;

inline uint16_t StoredLength(const uint8_t* encoded) {
    return static_cast<uint16_t>(encoded[0] | encoded[1] << 8);
}
inline void SetStoredLength(uint8_t* encoded, size_t length) {
    encoded[0] = static_cast<uint8_t>(length);
    encoded[1] = static_cast<uint8_t>(length >> 8);
}

// The most room the writer can need for a raw row of L bytes: the encoding of a row with no repeats
// plus the writer's own look-ahead slack. Rows whose worst case exceeds kMaxEncodedLength cannot be
// stored, because the length field could not hold them.
size_t WorstCaseRoom(size_t rawLength);
bool RawLengthFits(size_t rawLength);

// Encodes raw[0 .. rawLength) at dest, writing nothing at or beyond limit. Returns the total
// encoded length, or 0 when it did not fit (the bytes between dest and limit are then undefined).
// The writer uses the room past the encoding as scratch: the bytes after the returned length, up to
// limit, may change as well.
size_t Encode(const uint8_t* raw, size_t rawLength, uint8_t* dest, const uint8_t* limit);

// The writer variant for vectors of the given width (16, 32 or 64 bytes; below 16, none), or the
// widest the processor has when that is narrower. Every variant writes the same bytes; Encode picks
// the widest by itself; this is for tests.
size_t EncodeWithVectors(int vectorBytes, const uint8_t* raw, size_t rawLength, uint8_t* dest,
                         const uint8_t* limit);

// Decodes one encoded row into exactly rawLength bytes of dest. Reads no byte past
// encoded + available and writes no byte past dest + rawLength. An empty row (length 2) writes
// nothing. Returns false when the row is malformed: its length is below 2 or above available, a code
// runs past the row's end, or the codes decode to more or fewer than rawLength bytes (dest may then
// hold a partial row). A row that starts with a repeat or delta code takes 0 as the previous byte.
bool Decode(const uint8_t* encoded, size_t available, uint8_t* dest, size_t rawLength);

// The decoder variant for vectors of the given width (16, 32 or 64 bytes), or the widest the
// processor has when that is narrower. Decode picks the widest by itself; this is for tests.
bool DecodeWithVectors(int vectorBytes, const uint8_t* encoded, size_t available, uint8_t* dest,
                       size_t rawLength);

// What DecodeSpan found out about the span while decoding it.
struct SpanInfo {
    // Every byte of the span is this one value.
    bool uniform = false;
    uint8_t value = 0;
    // Bytes first and last - 1 (counted from the span's start) are the first and the last that differ
    // from the background byte; first == last when the whole span is background.
    size_t first = 0;
    size_t last = 0;
};

// Decodes only bytes from .. to - 1 of an encoded row of rawLength bytes into dest[0 .. to - from),
// walking the codes before the span without writing them and stopping after it. With contentOnly,
// only bytes info.first .. info.last - 1 are written (the rest of the span is background). With dest
// null only info is made. Reads no byte past encoded + available. False when the codes up to the
// span's end are malformed or end early (dest may then hold a partial span); codes after the span
// are not looked at. An empty row (length 2) reads as zeros.
bool DecodeSpan(const uint8_t* encoded, size_t available, size_t rawLength, size_t from, size_t to,
                uint8_t background, uint8_t* dest, bool contentOnly, SpanInfo& info);

// DecodeSpan with contentOnly, without telling whether the span is one value: the bytes of the
// content, from the first to the last that differ from the background, go to dest[first .. last)
// (counted from the span's start), and nothing else is written. The decoder of compositing, which
// reads a short stretch of many rows.
bool DecodeContent(const uint8_t* encoded, size_t available, size_t rawLength, size_t from, size_t to,
                   uint8_t background, uint8_t* dest, size_t& first, size_t& last);

// True when an encoded row of rawLength bytes is one value throughout, written as the row writer
// writes a row filled with it; sets value. A quick look at the codes, without decoding.
bool IsOneValue(const uint8_t* encoded, size_t available, size_t rawLength, uint8_t& value);

// Encodes a row that differs from a stored one only in bytes from .. to - 1, which become bytes[0 ..
// to - from). Only the codes around the change are rewritten: the codes before it are kept up to a code
// that starts at least one unit before it, the row is encoded anew from there, and the old codes are
// taken over again from the first code boundary after the change at which the writer, had it encoded
// the whole row, would start a new code as well. For a row the writer wrote, the result is therefore
// exactly the writer's encoding of the changed row; for other rows it decodes to the same bytes.
// scratch (at least rawLength + 16 bytes) holds decoded bytes meanwhile. Returns the total length
// written at dest, or 0 when it did not fit before limit or the old row does not decode (the caller
// then encodes the whole row).
// A place among a row's codes to start walking from: a code starts at byte offset of the encoding and
// makes raw bytes from pos on; prev is the raw byte before pos. The row's start is always one. A place
// stays good for as long as the encoding before it does not change.
struct CodePlace {
    size_t pos = 0;
    size_t offset = kLengthBytes;
    uint8_t prev = 0;
};

// With a place (pos at most from, or 0), the walk to the change starts there rather than at the row's
// start; a place at the row's start becomes the code encoding restarted at, which the result keeps as
// it was, and a place inside the row stays good.
size_t Splice(const uint8_t* old, size_t available, size_t rawLength, size_t from, size_t to,
              const uint8_t* bytes, uint8_t* dest, const uint8_t* limit, uint8_t* scratch,
              CodePlace* place = nullptr);

// Decodes bytes from .. to - 1 of a row into dest[0 .. to - from), walking from a place whose pos is at
// most from; a place at the row's start moves on to the last code that starts at or before from.
// False (the place unchanged) for a row with delta codes, an empty or malformed row, or a row shorter
// than a unit.
bool DecodeSpanFrom(const uint8_t* encoded, size_t available, size_t rawLength, size_t from, size_t to,
                    uint8_t* dest, CodePlace& place);

// True if the encoding contains a delta code (0xA0-0xBC or 0xC0-0xFF). Expects a well-formed row.
bool HasDeltaCodes(const uint8_t* encoded);

} // namespace ts::rowcodec
