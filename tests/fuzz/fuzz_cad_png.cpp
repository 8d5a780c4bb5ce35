// Feeds arbitrary bytes as a CAD print to the row-by-row PNG reader and the line import.
//
// Whatever the bytes, a picture that is read gives parts of a quarter of its size, at most 255 line
// colours, and as many counted line pixels as set occupancy bits; anything else is a refusal.

#include "import/cad_import.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

void Require(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ts::CadLayerParts parts;
    const ts::PngReadResult result = ts::DecodeCadPng(data, size, ts::kCadThreshold, parts);
    if (result != ts::PngReadResult::kRead) {
        return 0;
    }
    Require(parts.occupancy && parts.color && parts.colorIndex);
    const int32_t w = parts.occupancy->Width();
    const int32_t h = parts.occupancy->Height();
    Require(w == (parts.imageWidth + 3) / 4 && h == (parts.imageHeight + 3) / 4);
    Require(parts.color->Width() == w && parts.color->Height() == h);
    Require(parts.colors.Count() <= 255);
    uint64_t counted = 0;
    for (const uint64_t n : parts.useCounts) {
        counted += n;
    }
    Require(counted == static_cast<uint64_t>(parts.linePixels));
    std::vector<uint8_t> row(static_cast<size_t>(w) * 2);
    int64_t bits = 0;
    for (int32_t y = 0; y < h; ++y) {
        parts.occupancy->ReadRow(y, row.data());
        for (const uint8_t b : row) {
            bits += std::popcount(b);
        }
    }
    Require(bits == parts.linePixels);
    return 0;
}
