#pragma once

#include <cstddef>
#include <cstdint>

namespace ts::rowcodec {

// Maps every byte of an encoded row through a 256-entry table without decoding it: repeat codes are
// copied (their value is the mapped byte before them), literal and tail bytes are looked up one by
// one. The result has the length of the row and is exactly what Encode writes for the mapped row;
// where that cannot be had code by code, nothing is promised and 0 is returned, and the caller decodes,
// maps and encodes instead: a row with delta codes, an empty or malformed row, a row shorter than a
// unit, codes the writer would not have written, or a literal unit that the mapping makes a repeat of
// the byte before it (the writer would write it as a repeat). dest needs room for the row's length.
size_t MapCodes(const uint8_t* encoded, size_t available, size_t rawLength, const uint8_t* table,
                uint8_t* dest);

} // namespace ts::rowcodec
