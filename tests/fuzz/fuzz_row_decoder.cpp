// Feeds arbitrary bytes to the row decoder as one encoded row.
//
// Input: two bytes (little-endian) choose the raw row length, 1 + (value mod kMaxRawLength); the rest
// is the encoded row, copied into a heap block of exactly its size so that a read past it is caught.
// The decoder writes into exactly rawLength heap bytes. A row it accepts must survive a round trip:
// encoding the decoded bytes and decoding that again gives the same bytes. The content decoder of
// compositing reads a span of the same input into exactly the span's bytes; on an accepted row it
// finds the row's own content there.

#include "raster/row_codec.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

// Rows up to a little over the widest 3-byte row of a large drawing; enough for every run kind,
// including several maximal repeat and literal runs, while keeping each input quick.
constexpr size_t kMaxRawLength = 8192;

[[noreturn]] void Fail() {
    __builtin_trap();
}

void CheckRoundTrip(const std::vector<uint8_t>& decoded) {
    namespace rc = ts::rowcodec;
    const size_t rawLength = decoded.size();
    if (!rc::RawLengthFits(rawLength)) {
        return;
    }
    std::vector<uint8_t> room(rc::WorstCaseRoom(rawLength));
    const size_t length = rc::Encode(decoded.data(), rawLength, room.data(), room.data() + room.size());
    if (length < rc::kLengthBytes || length > room.size() || rc::StoredLength(room.data()) != length) {
        Fail();
    }
    // The writer never emits delta codes.
    if (rc::HasDeltaCodes(room.data())) {
        Fail();
    }
    const std::vector<uint8_t> encoding(room.begin(), room.begin() + static_cast<std::ptrdiff_t>(length));
    std::vector<uint8_t> again(rawLength, 0xA5);
    if (!rc::Decode(encoding.data(), encoding.size(), again.data(), rawLength) || again != decoded) {
        Fail();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    namespace rc = ts::rowcodec;
    if (size < 2) {
        return 0;
    }
    const size_t rawLength = 1 + (static_cast<size_t>(data[0] | data[1] << 8) % kMaxRawLength);
    const std::vector<uint8_t> encoded(data + 2, data + size);
    std::vector<uint8_t> dest(rawLength, 0);

    const bool accepted = rc::Decode(encoded.data(), encoded.size(), dest.data(), rawLength);
    const size_t from = size % rawLength;
    const size_t to = from + 1 + (size / 3) % (rawLength - from);
    std::vector<uint8_t> span(to - from, 0xA5);
    size_t first = 0;
    size_t last = 0;
    const uint8_t background = data[0];
    const bool spanRead = rc::DecodeContent(encoded.data(), encoded.size(), rawLength, from, to, background,
                                            span.data(), first, last);
    if (accepted) {
        // The codes up to the span's end decoded whole, so the span does too.
        if (!spanRead || first > last || last > span.size()) {
            Fail();
        }
        for (size_t i = 0; i < span.size(); ++i) {
            const uint8_t b = dest[from + i];
            if ((i >= first && i < last && span[i] != b) || ((i < first || i >= last) && b != background)) {
                Fail();
            }
        }
    }
    // Every vector width of the decoder agrees with the one the processor picked.
    for (int vector : {16, 32, 64}) {
        std::vector<uint8_t> other(rawLength, 0);
        if (rc::DecodeWithVectors(vector, encoded.data(), encoded.size(), other.data(), rawLength) !=
                accepted ||
            (accepted && other != dest)) {
            Fail();
        }
    }
    if (!accepted) {
        return 0;
    }
    // An accepted row is well formed, so the code walker may read it.
    (void)rc::HasDeltaCodes(encoded.data());
    CheckRoundTrip(dest);
    return 0;
}
