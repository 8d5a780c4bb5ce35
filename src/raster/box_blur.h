#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ts::boxblur {

// The largest radius of a box: sums of 2 x radius + 1 bytes must fit 16 bits.
constexpr int32_t kMaxRadius = 120;

// The mean of a box of 2 x radius + 1 bytes from their sum, about rounded (within one of the true mean,
// exact at 0 and 255): ((sum + radius) x factor) >> 16 with factor = round(65536 / (2 x radius + 1)), one
// 16-bit high multiplication; never above 255. Radius 1 .. kMaxRadius.
struct Divider {
    explicit Divider(int32_t radius)
        : half(static_cast<uint16_t>(radius)),
          factor(static_cast<uint16_t>((65536u + static_cast<uint32_t>(radius)) /
                                       static_cast<uint32_t>(2 * radius + 1))) {}
    uint8_t operator()(uint16_t sum) const {
        return static_cast<uint8_t>((static_cast<uint32_t>(static_cast<uint16_t>(sum + half)) * factor) >>
                                    16);
    }
    uint16_t half;
    uint16_t factor;
};

// One pass of a box of the radius along row[0 .. width), whose bytes outside [lo, hi) are zero: each
// byte becomes the mean of the bytes within the radius of it (zeros beyond the row's ends). lo and hi
// widen by the radius (within the row); only bytes between them are written. scratch is working room.
void RowPass(uint8_t* row, size_t width, size_t& lo, size_t& hi, int32_t radius,
             std::vector<uint16_t>& scratch);

// One row of a box pass down columns, kept as running column sums: sums[x] += enter[x] - leave[x] (the
// row coming into the box and the row leaving it), then, when out is not null, out[x] = the mean.
void ColumnStep(uint16_t* sums, const uint8_t* enter, const uint8_t* leave, uint8_t* out, size_t n,
                const Divider& divide);

// out[x] = (in[x] x scale + 128) >> 8 for a scale of 0 .. 256 (256 keeps the bytes).
void ScaleRow(const uint8_t* in, uint8_t* out, size_t n, uint16_t scale);

} // namespace ts::boxblur
