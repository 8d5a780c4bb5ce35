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

} // namespace ts::rowcodec
