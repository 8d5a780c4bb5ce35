// Re-encoding only the changed stretch of a row: for rows the writer wrote, the result must be byte for
// byte the writer's encoding of the whole changed row, wherever the change lies (row ends, inside long
// repeat or literal runs, across runs) and whatever it turns the bytes into; stored through a buffer,
// the row and its neighbours must read back as changed, also when the walks start from a kept place.

#include "raster/rl_buffer.h"
#include "raster/row_codec.h"
#include "raster/row_splice.h"
#include "rl_buffer_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace ts {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Encoded(const Bytes& raw) {
    Bytes encoded(rowcodec::WorstCaseRoom(raw.size()));
    encoded.resize(rowcodec::Encode(raw.data(), raw.size(), encoded.data(), encoded.data() + encoded.size()));
    return encoded;
}

// Painted rows: white, long flat stretches, pencil with grain (all literal), single odd bytes.
Bytes PaintedRow(std::mt19937& rng, size_t length) {
    Bytes row;
    while (row.size() < length) {
        const size_t n = std::min<size_t>(1 + rng() % 700, length - row.size());
        switch (rng() % 4) {
        case 0:
            row.insert(row.end(), n, 255);
            break;
        case 1:
            row.insert(row.end(), n, static_cast<uint8_t>(rng()));
            break;
        case 2:
            for (size_t i = 0; i < n; ++i) {
                row.push_back(static_cast<uint8_t>(120 + (rng() & 7)));
            }
            break;
        default:
            row.insert(row.end(), n, 0);
            if (n > 2) {
                row[row.size() - n / 2] = 9;
            }
            break;
        }
    }
    return row;
}

// What a dab writes: a flat value, grain, or the bytes that were there (no change at all).
Bytes Change(std::mt19937& rng, const Bytes& row, size_t from, size_t to) {
    Bytes bytes(row.begin() + static_cast<ptrdiff_t>(from), row.begin() + static_cast<ptrdiff_t>(to));
    switch (rng() % 4) {
    case 0:
        std::fill(bytes.begin(), bytes.end(), static_cast<uint8_t>(rng()));
        break;
    case 1:
        for (auto& b : bytes) {
            b = static_cast<uint8_t>(rng());
        }
        break;
    case 2:
        bytes.back() ^= 1; // one byte at the change's end
        break;
    default:
        break;
    }
    return bytes;
}

Bytes Spliced(const Bytes& old, size_t rawLength, size_t from, size_t to, const Bytes& bytes) {
    Bytes dest(rowcodec::WorstCaseRoom(rawLength));
    Bytes scratch(rawLength + 16);
    const size_t length = rowcodec::Splice(old.data(), old.size(), rawLength, from, to, bytes.data(),
                                           dest.data(), dest.data() + dest.size(), scratch.data());
    dest.resize(length);
    return dest;
}

TEST(RowSplice, GivesTheWritersEncodingOfTheChangedRow) {
    std::mt19937 rng(21);
    for (int trial = 0; trial < 4000; ++trial) {
        // Lengths with every tail; changes anywhere, the row's first and last bytes included.
        const size_t length = 4 + rng() % 3000;
        Bytes row = PaintedRow(rng, length);
        const Bytes old = Encoded(row);
        size_t from = rng() % length;
        size_t to = std::min(length, from + 1 + rng() % 300);
        if (trial % 7 == 0) {
            from = 0;
        } else if (trial % 7 == 1) {
            to = length;
        }
        const Bytes bytes = Change(rng, row, from, to);
        std::copy(bytes.begin(), bytes.end(), row.begin() + static_cast<ptrdiff_t>(from));
        ASSERT_EQ(Spliced(old, length, from, to, bytes), Encoded(row))
            << "trial " << trial << ", length " << length << ", bytes " << from << ".." << to;
    }
}

TEST(RowSplice, KeepsRunsOfTheWritersMaximaAroundTheChange) {
    // A row of one value is one literal unit and repeat runs of 128 units; a literal row is runs of 32
    // units. Changes that split, end or join such runs, with the old codes after them kept.
    for (const uint8_t fill : {uint8_t{0}, uint8_t{255}}) {
        for (const size_t from : {size_t{0}, size_t{3}, size_t{4}, size_t{511}, size_t{512}, size_t{516},
                                  size_t{2047}, size_t{4095}}) {
            Bytes flat(4097, fill);
            Bytes literal(4097);
            for (size_t i = 0; i < literal.size(); ++i) {
                literal[i] = static_cast<uint8_t>(i * 7 + i / 3);
            }
            for (Bytes* row : {&flat, &literal}) {
                const Bytes old = Encoded(*row);
                const size_t to = std::min(row->size(), from + 9);
                Bytes bytes(to - from, 77);
                std::copy(bytes.begin(), bytes.end(), row->begin() + static_cast<ptrdiff_t>(from));
                EXPECT_EQ(Spliced(old, row->size(), from, to, bytes), Encoded(*row)) << "from " << from;
            }
        }
    }
}

TEST(RowSplice, ChangesTheStoredCodesInPlaceOnlyWhenTheyStay) {
    // Repainting bytes without changing any unit's kind is written into the codes where they lie;
    // anything else leaves them untouched and gives the splice's encoding. Either way the result is
    // the writer's encoding of the changed row.
    std::mt19937 rng(33);
    int patchedCount = 0;
    for (int trial = 0; trial < 3000; ++trial) {
        const size_t length = 4 + rng() % 2000;
        Bytes row = PaintedRow(rng, length);
        Bytes stored = Encoded(row);
        const Bytes before = stored;
        const size_t from = trial % 5 == 0 ? 0 : rng() % length;
        const size_t to = trial % 5 == 1 ? length : std::min(length, from + 1 + rng() % 40);
        Bytes bytes = Change(rng, row, from, to);
        if (trial % 2 == 0) {
            // Grain over grain: new literal bytes that stay literal, as repainting pencil does.
            for (size_t i = 0; i < bytes.size(); ++i) {
                bytes[i] = static_cast<uint8_t>(row[from + i] ^ (i % 3 == 0 ? 1 : 0));
            }
        }
        std::copy(bytes.begin(), bytes.end(), row.begin() + static_cast<ptrdiff_t>(from));
        Bytes dest(rowcodec::WorstCaseRoom(length));
        Bytes scratch(length + 16);
        bool patched = false;
        const size_t n =
            rowcodec::SpliceStored(stored.data(), stored.size(), length, from, to, bytes.data(), dest.data(),
                                   dest.data() + dest.size(), scratch.data(), nullptr, patched);
        if (patched) {
            ++patchedCount;
            ASSERT_EQ(n, before.size());
            ASSERT_EQ(stored, Encoded(row)) << "trial " << trial;
        } else {
            ASSERT_EQ(stored, before) << "trial " << trial << ": a refused change touched the codes";
            ASSERT_EQ(Bytes(dest.begin(), dest.begin() + static_cast<ptrdiff_t>(n)), Encoded(row))
                << "trial " << trial;
        }
    }
    EXPECT_GT(patchedCount, 500);
}

TEST(RowSplice, LeavesRowsItCannotWalkToTheCaller) {
    // A row with a delta code and an empty row are not walked; a change past the row is refused.
    const Bytes delta = {10, 0, 0x80, 1, 2, 3, 4, 0xA0, 0x00, 0x00};
    const Bytes empty = {2, 0};
    const Bytes bytes(4, 9);
    EXPECT_EQ(Spliced(delta, 8, 4, 8, bytes).size(), 0u);
    EXPECT_EQ(Spliced(empty, 8, 0, 4, bytes).size(), 0u);
    const Bytes plain = Encoded(Bytes(8, 1));
    EXPECT_EQ(Spliced(plain, 8, 6, 10, bytes).size(), 0u);
}

TEST(RowSplice, SpanDecodeMatchesTheWholeRowAndReadsNothingPastTheCodes) {
    // Spans of painted rows read from places before them, against the whole row's decode: spans of one
    // byte, spans inside long runs, spans that end at the row's end (a tail of 1..3 bytes or none) and
    // rows whose codes are the last bytes the caller owns (a literal at the end of a tight block), where
    // no read may run past them (an address sanitizer catches any).
    std::mt19937 rng(11);
    for (int trial = 0; trial < 300; ++trial) {
        const size_t length = 4 + rng() % 2000;
        const Bytes raw = PaintedRow(rng, length);
        const Bytes codes = Encoded(raw);
        Bytes whole(length);
        ASSERT_TRUE(rowcodec::Decode(codes.data(), codes.size(), whole.data(), length));
        for (int read = 0; read < 20; ++read) {
            size_t from = rng() % length;
            size_t to = std::min(length, from + 1 + rng() % (read % 4 == 0 ? 3 : 600));
            if (read % 5 == 0) {
                to = length;
            }
            // From the row's start, or from the place a read further left left behind.
            rowcodec::CodePlace place;
            if (read % 2 == 1 && from > 0) {
                Bytes left(1);
                const size_t at = rng() % from;
                ASSERT_TRUE(rowcodec::DecodeSpanFrom(codes.data(), codes.size(), length, at, at + 1,
                                                     left.data(), place));
                ASSERT_EQ(left[0], whole[at]);
            }
            Bytes span(to - from + 1, 0x5A);
            ASSERT_TRUE(
                rowcodec::DecodeSpanFrom(codes.data(), codes.size(), length, from, to, span.data(), place))
                << "trial " << trial << ", bytes " << from << ".." << to;
            EXPECT_TRUE(
                std::equal(span.begin(), span.end() - 1, whole.begin() + static_cast<ptrdiff_t>(from)))
                << "trial " << trial << ", bytes " << from << ".." << to;
            EXPECT_EQ(span.back(), 0x5A) << "a byte written past the span";
        }
    }
}

TEST(RowSplice, SpanDecodeRefusesCodesThatRunPastTheRow) {
    // A literal whose payload runs past the row's stored length, and a repeat longer than the row: the
    // decode says so instead of reading or writing past them.
    Bytes raw(64);
    for (size_t i = 0; i < raw.size(); ++i) {
        raw[i] = static_cast<uint8_t>(i * 7);
    }
    Bytes codes = Encoded(raw);
    Bytes span(64);
    rowcodec::CodePlace place;
    Bytes cut(codes.begin(), codes.end() - 5);
    rowcodec::SetStoredLength(cut.data(), cut.size());
    EXPECT_FALSE(rowcodec::DecodeSpanFrom(cut.data(), cut.size(), raw.size(), 40, 64, span.data(), place));
    const Bytes repeat{4, 0, 0x7F, 0, 0};
    Bytes tooLong(repeat.begin(), repeat.begin() + 3);
    rowcodec::SetStoredLength(tooLong.data(), tooLong.size());
    EXPECT_FALSE(rowcodec::DecodeSpanFrom(tooLong.data(), tooLong.size(), 64, 0, 8, span.data(), place));
}

TEST(RowSplice, BufferStoresChangedSpansAndKeepsOtherRows) {
    // Through the row store, in and out of order, on rows the splice walks and on a row it does not
    // (an empty one): every row reads back as the whole-row reference says.
    std::mt19937 rng(5);
    constexpr int32_t kWidth = 1203; // three bytes per pixel: a row of 3609 bytes with a tail
    constexpr int32_t kHeight = 40;
    RLBuffer buffer;
    ASSERT_TRUE(buffer.Create(kWidth, kHeight, 3, 255, 1.0f));
    std::vector<Bytes> rows(kHeight);
    for (int32_t y = 0; y < kHeight; ++y) {
        rows[static_cast<size_t>(y)] = PaintedRow(rng, buffer.RawRowLength());
        ASSERT_TRUE(buffer.PutRow(y, rows[static_cast<size_t>(y)].data()));
    }
    // Reads between the stores start from the places the stores and reads before them left, as in a
    // stroke; a whole row stored now and then makes its row forget them.
    Bytes span(buffer.RawRowLength());
    for (int step = 0; step < 1500; ++step) {
        const auto y = static_cast<int32_t>(rng() % kHeight);
        Bytes& row = rows[static_cast<size_t>(y)];
        const size_t from = rng() % row.size();
        const size_t to = std::min(row.size(), from + 1 + rng() % 400);
        if (step % 3 == 0) {
            buffer.ReadSpanAt(y, from, to, span.data());
            ASSERT_TRUE(std::equal(span.begin(), span.begin() + static_cast<ptrdiff_t>(to - from),
                                   row.begin() + static_cast<ptrdiff_t>(from)))
                << "row " << y << ", bytes " << from << ".." << to;
            continue;
        }
        const Bytes bytes = Change(rng, row, from, to);
        std::copy(bytes.begin(), bytes.end(), row.begin() + static_cast<ptrdiff_t>(from));
        if (step % 50 == 1) {
            ASSERT_TRUE(buffer.PutRow(y, row.data()));
        } else {
            ASSERT_TRUE(buffer.PutSpan(y, from, to, bytes.data()));
        }
    }
    // Changes stored where the row lies keep the pool's rows packed around the one gap.
    testing::ExpectRingLayout(buffer);
    Bytes read(buffer.RawRowLength());
    for (int32_t y = 0; y < kHeight; ++y) {
        buffer.ReadRow(y, read.data());
        ASSERT_EQ(read, rows[static_cast<size_t>(y)]) << "row " << y;
        EXPECT_EQ(Bytes(buffer.RowEncoding(y), buffer.RowEncoding(y) + buffer.RowEncodedLength(y)),
                  Encoded(rows[static_cast<size_t>(y)]))
            << "row " << y;
    }
    EXPECT_FALSE(buffer.PutSpan(kHeight, 0, 4, read.data()));
    EXPECT_FALSE(buffer.PutSpan(0, 10, buffer.RawRowLength() + 1, read.data()));
}

} // namespace
} // namespace ts
