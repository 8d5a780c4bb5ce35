// Decoding part of a row: the bytes and what the codes tell about them must agree with decoding the
// whole row, for rows as the writer makes them and rows with delta runs; the compositor's content
// decoder must agree with the span decoder.

#include "raster/row_codec.h"
#include "row_codec_reference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

namespace ts {
namespace {

using Bytes = std::vector<uint8_t>;

// Strokes over a background: runs of it, runs of other values, noise.
Bytes StrokeRow(std::mt19937& rng, size_t length, uint8_t background) {
    Bytes row;
    while (row.size() < length) {
        const size_t n = std::min<size_t>(1 + rng() % 150, length - row.size());
        const auto value = static_cast<uint8_t>(rng());
        switch (rng() % 4) {
        case 0:
        case 1:
            row.insert(row.end(), n, background);
            break;
        case 2:
            row.insert(row.end(), n, value);
            break;
        default:
            for (size_t i = 0; i < n; ++i) {
                row.push_back(rng() % 5 == 0 ? background : static_cast<uint8_t>(rng()));
            }
            break;
        }
    }
    return row;
}

Bytes Encoded(const Bytes& raw) {
    Bytes encoded(rowcodec::WorstCaseRoom(raw.size()));
    encoded.resize(rowcodec::Encode(raw.data(), raw.size(), encoded.data(), encoded.data() + encoded.size()));
    return encoded;
}

// A row with a delta run of each kind between literal units, repeats and a tail.
Bytes DeltaEncoded(std::mt19937& rng, size_t& rawLength) {
    Bytes codes = {0, 0, 0x80, 1, 2, 3, 4};
    size_t units = 1;
    for (int kind = 0; kind < 3; ++kind) {
        const size_t n = 1 + rng() % 20;
        const size_t payload = kind == 0 ? n : kind == 1 ? (12 * n + 7) / 8 : 2 * n;
        codes.push_back(static_cast<uint8_t>((kind == 0 ? 0xA0 : kind == 1 ? 0xC0 : 0xE0) + n - 1));
        for (size_t i = 0; i < payload; ++i) {
            codes.push_back(static_cast<uint8_t>(rng()));
        }
        codes.push_back(static_cast<uint8_t>(rng() % 8)); // a repeat
        units += n + codes.back() + 1;
    }
    codes.insert(codes.end(), {0xBE, 9, 9});
    rawLength = units * 4 + 2;
    rowcodec::SetStoredLength(codes.data(), codes.size());
    return codes;
}

// Decodes [from, to) of the encoded row from a heap block of exactly its size into a guarded buffer
// and checks it against the whole row.
void ExpectSpan(const Bytes& encoded, const Bytes& raw, size_t from, size_t to, uint8_t background,
                bool contentOnly) {
    const auto block = std::make_unique<uint8_t[]>(encoded.size());
    std::copy(encoded.begin(), encoded.end(), block.get());
    constexpr uint8_t kGuard = 0xA5;
    Bytes dest(to - from + 16, kGuard);
    rowcodec::SpanInfo info;
    ASSERT_TRUE(rowcodec::DecodeSpan(block.get(), encoded.size(), raw.size(), from, to, background,
                                     dest.data(), contentOnly, info));
    const auto begin = raw.begin() + static_cast<ptrdiff_t>(from);
    const auto end = raw.begin() + static_cast<ptrdiff_t>(to);
    const auto first = std::find_if(begin, end, [&](uint8_t b) { return b != background; });
    if (first == end) {
        EXPECT_EQ(info.first, info.last);
    } else {
        const auto last = std::find_if(std::make_reverse_iterator(end), std::make_reverse_iterator(begin),
                                       [&](uint8_t b) { return b != background; });
        EXPECT_EQ(info.first, static_cast<size_t>(first - begin));
        EXPECT_EQ(info.last, static_cast<size_t>(end - begin) -
                                 static_cast<size_t>(last - std::make_reverse_iterator(end)));
    }
    EXPECT_EQ(info.uniform, std::all_of(begin, end, [&](uint8_t b) { return b == *begin; }));
    if (info.uniform) {
        EXPECT_EQ(info.value, *begin);
    }
    // Every byte of the span, or with contentOnly those of the content only; nothing else.
    const size_t lo = contentOnly ? info.first : 0;
    const size_t hi = contentOnly ? info.last : to - from;
    for (size_t i = 0; i < dest.size(); ++i) {
        ASSERT_EQ(dest[i], i >= lo && i < hi ? raw[from + i] : kGuard)
            << "byte " << i << " of [" << from << ", " << to << ")";
    }
    // The compositor's decoder writes the same content and finds the same bounds.
    if (contentOnly) {
        Bytes content(dest.size(), kGuard);
        size_t found = 99;
        size_t foundEnd = 99;
        ASSERT_TRUE(rowcodec::DecodeContent(block.get(), encoded.size(), raw.size(), from, to, background,
                                            content.data(), found, foundEnd));
        EXPECT_EQ(found, info.first);
        EXPECT_EQ(foundEnd, info.last);
        EXPECT_EQ(content, dest);
    }
    // Without a destination only the information is made.
    rowcodec::SpanInfo alone;
    ASSERT_TRUE(rowcodec::DecodeSpan(block.get(), encoded.size(), raw.size(), from, to, background, nullptr,
                                     contentOnly, alone));
    EXPECT_TRUE(alone.first == info.first && alone.last == info.last && alone.uniform == info.uniform);
}

TEST(RowSpan, AnySpanDecodesLikeTheWholeRowAndKnowsItsContent) {
    std::mt19937 rng(5150);
    for (int trial = 0; trial < 400; ++trial) {
        SCOPED_TRACE("trial " + std::to_string(trial));
        Bytes raw;
        Bytes encoded;
        if (trial % 5 == 4) {
            size_t length = 0;
            encoded = DeltaEncoded(rng, length);
            const auto decoded = reference::Decode(encoded, length);
            ASSERT_TRUE(decoded.has_value());
            raw = *decoded;
        } else {
            const size_t length = trial % 7 == 0 ? 1 + rng() % 6 : 1 + rng() % 2000;
            const uint8_t background = rng() % 2 ? 0 : 128;
            raw = trial % 11 == 0 ? Bytes(length, background) : StrokeRow(rng, length, background);
            encoded = Encoded(raw);
        }
        for (int span = 0; span < 12; ++span) {
            const size_t from = rng() % raw.size();
            const size_t to = span == 0 ? raw.size() : from + 1 + rng() % (raw.size() - from);
            const uint8_t background = span % 3 == 0 ? raw[from] : span % 3 == 1 ? 0 : 128;
            ExpectSpan(encoded, raw, span == 0 ? 0 : from, to, background, span % 2 == 0);
        }
    }
}

TEST(RowSpan, RowsOfOneValueAreKnownWithoutDecodingAndBrokenRowsAreRefused) {
    for (const size_t length : {4u, 5u, 511u, 512u, 513u, 3600u}) {
        uint8_t value = 0;
        const Bytes filled = Encoded(Bytes(length, 77));
        EXPECT_TRUE(rowcodec::IsOneValue(filled.data(), filled.size(), length, value) && value == 77)
            << length;
        Bytes other(length, 77);
        other[length / 2] = 78;
        const Bytes varied = Encoded(other);
        EXPECT_FALSE(rowcodec::IsOneValue(varied.data(), varied.size(), length, value)) << length;
        EXPECT_FALSE(rowcodec::IsOneValue(filled.data(), filled.size(), length + 4, value)) << "too short";
    }
    // Codes that end before the span, a length beyond what is there, a span past the row.
    std::mt19937 rng(3);
    const Bytes raw = StrokeRow(rng, 300, 0);
    const Bytes encoded = Encoded(raw);
    Bytes cut(encoded.begin(), encoded.begin() + static_cast<ptrdiff_t>(encoded.size() / 2));
    rowcodec::SetStoredLength(cut.data(), cut.size());
    Bytes dest(400);
    rowcodec::SpanInfo info;
    EXPECT_FALSE(
        rowcodec::DecodeSpan(cut.data(), cut.size(), raw.size(), 250, 300, 0, dest.data(), false, info));
    EXPECT_FALSE(rowcodec::DecodeSpan(encoded.data(), encoded.size() - 1, raw.size(), 0, 10, 0, dest.data(),
                                      false, info));
    EXPECT_FALSE(rowcodec::DecodeSpan(encoded.data(), encoded.size(), raw.size(), 290, 301, 0, dest.data(),
                                      false, info));
    size_t first = 0;
    size_t last = 0;
    EXPECT_FALSE(
        rowcodec::DecodeContent(cut.data(), cut.size(), raw.size(), 250, 300, 0, dest.data(), first, last));
    EXPECT_FALSE(rowcodec::DecodeContent(encoded.data(), encoded.size() - 1, raw.size(), 0, 10, 0,
                                         dest.data(), first, last));
    EXPECT_FALSE(rowcodec::DecodeContent(encoded.data(), encoded.size(), raw.size(), 290, 301, 0, dest.data(),
                                         first, last));
    // A literal code claiming more bytes than the row has left.
    Bytes overlong = {0, 0, 0x80, 1, 2, 3, 4, 0x9F, 5};
    rowcodec::SetStoredLength(overlong.data(), overlong.size());
    EXPECT_FALSE(
        rowcodec::DecodeContent(overlong.data(), overlong.size(), 40, 0, 40, 0, dest.data(), first, last));
    // A row lost to a failed store reads as zeros.
    const Bytes empty = {2, 0};
    std::fill(dest.begin(), dest.end(), uint8_t{9});
    ASSERT_TRUE(rowcodec::DecodeSpan(empty.data(), empty.size(), 300, 10, 20, 0, dest.data(), false, info));
    EXPECT_TRUE(std::all_of(dest.begin(), dest.begin() + 10, [](uint8_t b) { return b == 0; }));
    std::fill(dest.begin(), dest.end(), uint8_t{9});
    ASSERT_TRUE(
        rowcodec::DecodeContent(empty.data(), empty.size(), 300, 10, 20, 128, dest.data(), first, last));
    EXPECT_TRUE(first == 0 && last == 10);
    EXPECT_TRUE(std::all_of(dest.begin(), dest.begin() + 10, [](uint8_t b) { return b == 0; }));
}

} // namespace
} // namespace ts
