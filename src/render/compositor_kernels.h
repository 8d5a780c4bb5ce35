#pragma once

#include <cstddef>
#include <cstdint>

// The inner loops of compositing, on planar rows (one byte plane each for blue, green and red). They
// give exactly the results of the product and clamp tables; on processors with AVX2 they work on 16
// pixels at a time.
namespace ts::kernels {

// The blend kernels work in whole chunks of 32 pixels: they read amounts, colours and deviations, and
// read and rewrite the row (unchanged), up to this many elements past n.
inline constexpr size_t kSlack = 32;

// The colour planes of a blend: n bytes each, or, for a plane of one value, 16 copies of it.
struct Colours {
    const uint8_t* plane[3] = {};
    bool uniform[3] = {};
};

// A deviation d per pixel and plane as its two parts, up = max(d, 0) and down = max(-d, 0).
struct Deviations {
    const uint8_t* up[3] = {};
    const uint8_t* down[3] = {};
};

// Where a blend marks the pixels it paints: bit x0 + i of a mask row (bit x of word x / 32) for pixel
// i; no marks when words is null.
struct Marks {
    uint32_t* words = nullptr;
    int32_t x0 = 0;
};

// For every pixel i < n with amount s = amount[i] (s / 4 when dimmed), per plane b:
//   out[b][i] = min(255, mul(s, c) + mul(255 - s, out[b][i]))
// where mul is the product table and c = colour b of the pixel (BlendColour) or that colour plus the
// pixel's deviation, clamped to 0..255 (BlendPencil). Pixels whose amount is not 0 are marked.
void BlendColour(const uint8_t* amount, const Colours& colour, uint8_t* const out[3], size_t n, bool dimmed,
                 Marks marks = {});
void BlendPencil(const uint8_t* amount, const Colours& colour, const Deviations& deviation,
                 uint8_t* const out[3], size_t n, bool dimmed, Marks marks = {});

// What the colour of a painted pixel of a non-pencil appearance is made of.
enum class Mix : uint8_t { kPencil, kPaper, kBlack, kBlend };

// The colour of n painted pixels of one appearance, per plane b, with p the paper byte under the pixel
// (paper plane b), a the paper's average byte and v the pencil colour (colour plane b):
//   kPencil  clamp(v + p - a)       kPaper  p       kBlack  0
//   kBlend   min(255, mul(share, clamp(v + p - a)) + mul(255 - share, p))
// Reads colour and paper and writes out up to kSlack elements past n.
void MixColours(Mix mix, uint8_t share, const Colours& colour, const Colours& paper, const uint8_t average[3],
                uint8_t* const out[3], size_t n);

// Clears bits from .. to - 1 of a mask row.
void ClearBits(uint32_t* words, int32_t from, int32_t to);

// Planar rows to and from blue-green-red pixels; exactly n pixels are read and written. Streamed
// pixels are written around the cache, for large areas that will not be read again soon.
void Interleave(const uint8_t* const planes[3], size_t n, uint8_t* bgr, bool stream = false);
void Deinterleave(const uint8_t* bgr, size_t n, uint8_t* const planes[3]);

// Averages of k neighbouring pixels for shrinking: out[j] = ((sum[j] + sum[j + 3] + ... +
// sum[j + 3 (k - 1)]) x factor) >> 16 for j < n, the sums being at most 65535 / factor. Reads sums
// and writes out up to kSlack elements past the ends.
void RunAverages(const uint16_t* sum, size_t n, int32_t k, uint16_t factor, uint8_t* out);

// The averages of 2 x 2 pixels for shrinking by 2 from every pixel byte of two rows:
// out[j] = (a[j] + a[j + 3] + b[j] + b[j + 3]) / 4 for j < n; reads n + 3 bytes of each row.
void PairAverages(const uint8_t* a, const uint8_t* b, size_t n, uint8_t* out);

// Every second pixel of a row: out pixel o is in pixel 2 o, for o < n (3 bytes each). Reads 6 n bytes
// and writes 3 n.
void EverySecondPixel(const uint8_t* in, size_t n, uint8_t* out);

// Whether the vector kernels are used (when the processor has them); returns the previous setting.
// Tests switch them off to compare against the plain loops.
bool UseVectors(bool on);

} // namespace ts::kernels
