#pragma once

#include <cstddef>
#include <cstdint>

namespace ts::rowcodec {

// A stretch of one byte value: positions from .. to - 1, counted from the start of the span read.
struct ByteRun {
    uint32_t from = 0;
    uint32_t to = 0;
    uint8_t value = 0;
};

// Bytes from .. to - 1 of an encoded row of rawLength bytes as runs of one value, read from the codes
// without decoding the bytes: repeats become runs as they are, literal bytes are split where they
// change, and adjoining runs of one value are joined. Returns how many runs went to runs (at most
// maxRuns), or 0 when the span is not told this way: an empty span, more than maxRuns runs, a row with
// a delta code before the span's end or shorter than a unit, or codes that are malformed or end early.
// The caller then decodes the span. An empty row (length 2) reads as zeros, as the decoder reads it.
size_t SpanRuns(const uint8_t* encoded, size_t available, size_t rawLength, size_t from, size_t to,
                ByteRun* runs, size_t maxRuns);

// Whether bytes from .. to - 1 of an encoded row are all one value, told from the codes as SpanRuns
// tells them (true exactly when SpanRuns would give one run); sets value. Cheaper than the runs: codes
// before the span are only stepped over, and inside it a repeat cannot change the value, so only
// literal bytes are looked at. False also wherever SpanRuns would refuse the span.
bool SpanOneValue(const uint8_t* encoded, size_t available, size_t rawLength, size_t from, size_t to,
                  uint8_t& value);

// What SpanValues found of three rows over a span: bit k of one is set when row k is one value there,
// bit k of spelled when its bytes were written out instead.
struct SpanValueInfo {
    unsigned one = 0;
    unsigned spelled = 0;
};

// SpanOneValue for three rows of rawLength bytes at once (the colour channels of a layer row), values[k]
// being the value of row k when it is one value over bytes from .. to - 1. Rows whose codes have one
// shape (the same length and the same code bytes, as channels painted together have) are walked
// together, and a row found not to be one value has its bytes written to bytes[k][0 .. to - from) in
// the same walk; rows of other shapes are asked one at a time and not written. A row in neither set is
// for the caller to read another way (bytes[k] may then hold anything).
SpanValueInfo SpanValues(const uint8_t* const encoded[3], const size_t available[3], size_t rawLength,
                         size_t from, size_t to, uint8_t values[3], uint8_t* const bytes[3]);

} // namespace ts::rowcodec
