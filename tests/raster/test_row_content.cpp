// The compositor's content decoder on rows of long painted stretches, as pencil leaves them: many
// full literal runs one after another, gaps of the background between them, and stretches whose last
// byte is the background. The bytes between the first and the last that differ from the background
// are written as the row holds them, nothing outside them.

#include "raster/row_codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace ts {
namespace {

using Bytes = std::vector<uint8_t>;

// Grain (never the background) in stretches of 1 to 700 bytes, with gaps of the background from one
// byte to a few hundred, and now and then a background byte inside the grain.
Bytes PencilRow(std::mt19937& rng, size_t length, uint8_t background) {
    Bytes row;
    while (row.size() < length) {
        const size_t gap = rng() % 3 == 0 ? 0 : 1 + rng() % (rng() % 2 ? 8 : 300);
        row.insert(row.end(), std::min(gap, length - row.size()), background);
        const size_t n = std::min<size_t>(1 + rng() % 700, length - row.size());
        for (size_t i = 0; i < n; ++i) {
            const auto grain = static_cast<uint8_t>(120 + rng() % 100);
            row.push_back(rng() % 97 == 0 ? background : grain == background ? grain + 1 : grain);
        }
    }
    return row;
}

void ExpectContent(const Bytes& raw, size_t from, size_t to, uint8_t background, const std::string& what) {
    Bytes encoded(rowcodec::WorstCaseRoom(raw.size()));
    encoded.resize(rowcodec::Encode(raw.data(), raw.size(), encoded.data(), encoded.data() + encoded.size()));
    // The codes in a block of exactly their size, so that reading past them is caught.
    const auto block = std::make_unique<uint8_t[]>(encoded.size());
    std::copy(encoded.begin(), encoded.end(), block.get());
    constexpr uint8_t kGuard = 0xA5;
    Bytes dest(to - from + 16, kGuard);
    size_t first = 0;
    size_t last = 0;
    ASSERT_TRUE(rowcodec::DecodeContent(block.get(), encoded.size(), raw.size(), from, to, background,
                                        dest.data(), first, last))
        << what;
    size_t wantFirst = 0;
    size_t wantLast = 0;
    for (size_t i = from; i < to; ++i) {
        if (raw[i] != background) {
            wantFirst = wantLast == 0 ? i - from : wantFirst;
            wantLast = i - from + 1;
        }
    }
    ASSERT_EQ(first, wantFirst) << what;
    ASSERT_EQ(last, wantLast) << what;
    for (size_t i = 0; i < dest.size(); ++i) {
        ASSERT_EQ(dest[i], i >= first && i < last ? raw[from + i] : kGuard)
            << what << ", byte " << i << " of [" << from << ", " << to << ")";
    }
}

TEST(RowContent, LongPaintedStretchesDecodeAsTheRowHoldsThem) {
    std::mt19937 rng(1812);
    for (int trial = 0; trial < 150; ++trial) {
        const size_t length = 200 + rng() % 4000;
        const uint8_t background = trial % 3 == 0 ? 255 : 0;
        const Bytes raw = PencilRow(rng, length, background);
        const std::string what = "trial " + std::to_string(trial);
        ExpectContent(raw, 0, raw.size(), background, what + ", whole row");
        for (int span = 0; span < 8; ++span) {
            // Spans starting and ending anywhere, among them inside a literal run and on its edges.
            const size_t from = span % 4 == 0 ? 128 * (rng() % (length / 128)) : rng() % length;
            const size_t to = span % 4 == 1 ? length : from + 1 + rng() % (length - from);
            ExpectContent(raw, from, to, background, what + ", span " + std::to_string(span));
        }
    }
}

} // namespace
} // namespace ts
