#pragma once

// The splicer's entry point for the row store, beside rowcodec::Splice: a change made in the stored
// codes themselves when they can stay as they are.

#include "raster/row_codec.h"

#include <cstddef>
#include <cstdint>

namespace ts::rowcodec {

// Splice of a stored row that changes the row where it lies when it can: when the change leaves every
// unit's kind (repeat or literal) as it was, the writer's codes for the changed row are the old codes,
// and only the literal bytes the change covers are written, into encoded itself (patched is then set
// and the row's own length returned). Otherwise exactly Splice, into dest.
size_t SpliceStored(uint8_t* encoded, size_t available, size_t rawLength, size_t from, size_t to,
                    const uint8_t* bytes, uint8_t* dest, const uint8_t* limit, uint8_t* scratch,
                    CodePlace* place, bool& patched);

} // namespace ts::rowcodec
