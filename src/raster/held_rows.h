#pragma once

#include <cstddef>
#include <cstdint>

namespace ts {

class CCompressedBuffer;

// Newer bytes of some rows of a buffer, kept outside it until they are stored: the stroke engine's row
// windows while a stroke runs. The buffer serves its compositing reads (ReadContent, ReadSpan,
// RowIsOneValue) from them, and has them stored before any other use of its codes or its working row.
class HeldRows {
public:
    // Stores every row held for buffer into it. The buffer's hook is already off when this is called.
    virtual void Store(const CCompressedBuffer& buffer) = 0;
    // The newer bytes of a held row: p with p[x] raw byte x for x in from .. to - 1, the stretch that may
    // differ from the stored row (the bytes outside it are as stored); null when the row is not held.
    virtual const uint8_t* Held(const CCompressedBuffer& buffer, int32_t row, size_t& from,
                                size_t& to) const = 0;

protected:
    ~HeldRows() = default;
};

} // namespace ts
