// Runs read from a row's codes must spell the row's bytes exactly, and be refused (for the caller to
// decode) wherever the codes cannot tell them.

#include "raster/row_codec.h"
#include "raster/row_runs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace ts {
namespace {

using Bytes = std::vector<uint8_t>;
using Runs = std::vector<rowcodec::ByteRun>;

Bytes Encoded(const Bytes& raw) {
    Bytes encoded(rowcodec::WorstCaseRoom(raw.size()));
    encoded.resize(rowcodec::Encode(raw.data(), raw.size(), encoded.data(), encoded.data() + encoded.size()));
    return encoded;
}

// Colour as strokes leave it: long runs of a few values, some short, now and then a little noise.
Bytes ColourRow(std::mt19937& rng, size_t length) {
    Bytes row;
    while (row.size() < length) {
        const size_t n =
            std::min<size_t>(rng() % 3 == 0 ? 1 + rng() % 6 : 1 + rng() % 120, length - row.size());
        if (rng() % 9 == 0) {
            for (size_t i = 0; i < n; ++i) {
                row.push_back(static_cast<uint8_t>(rng()));
            }
        } else {
            row.insert(row.end(), n, static_cast<uint8_t>(rng() % 4 * 60 + 15));
        }
    }
    return row;
}

// Reads runs of [from, to) from a heap block of exactly the encoding's size (so that a read past it
// is caught by the sanitizers); an empty list when refused.
Runs ReadRuns(const Bytes& encoded, size_t rawLength, size_t from, size_t to, size_t maxRuns) {
    const auto block = std::make_unique<uint8_t[]>(encoded.size());
    std::copy(encoded.begin(), encoded.end(), block.get());
    Runs runs(maxRuns + 1, rowcodec::ByteRun{7, 7, 7});
    const size_t count =
        rowcodec::SpanRuns(block.get(), encoded.size(), rawLength, from, to, runs.data(), maxRuns);
    EXPECT_LE(count, maxRuns);
    EXPECT_EQ(runs[maxRuns].to, 7u) << "a run written past the room given";
    runs.resize(count);
    return runs;
}

// Runs that cover the span one after another, change value from each to the next and spell its bytes.
void ExpectSpells(const Runs& runs, const Bytes& raw, size_t from, size_t to, const std::string& what) {
    uint32_t at = 0;
    for (size_t r = 0; r < runs.size(); ++r) {
        ASSERT_EQ(runs[r].from, at) << what << ", run " << r;
        ASSERT_LT(runs[r].from, runs[r].to) << what << ", run " << r;
        if (r != 0) {
            ASSERT_NE(runs[r].value, runs[r - 1].value) << what << ", run " << r << " not joined";
        }
        for (uint32_t i = runs[r].from; i < runs[r].to; ++i) {
            ASSERT_EQ(runs[r].value, raw[from + i]) << what << ", byte " << i;
        }
        at = runs[r].to;
    }
    ASSERT_EQ(at, to - from) << what;
}

size_t RunsIn(const Bytes& raw, size_t from, size_t to) {
    size_t runs = 1;
    for (size_t i = from + 1; i < to; ++i) {
        runs += raw[i] != raw[i - 1] ? 1 : 0;
    }
    return runs;
}

// Spans of writer-made rows anywhere (the whole row, single bytes, spans ending in the tail, spans
// starting and ending inside literal units and repeats): read whenever the runs fit and the row has no
// delta codes, refused when they do not fit.
TEST(RowRuns, SpansOfWrittenRowsSpellTheirBytes) {
    std::mt19937 rng(404);
    int read = 0;
    for (int trial = 0; trial < 300; ++trial) {
        const size_t length = trial % 10 == 0 ? 4 + rng() % 8 : 4 + rng() % 3000;
        const Bytes raw = ColourRow(rng, length);
        const Bytes encoded = Encoded(raw);
        const bool delta = rowcodec::HasDeltaCodes(encoded.data());
        for (int span = 0; span < 10; ++span) {
            size_t from = rng() % length;
            size_t to = from + 1 + rng() % (length - from);
            if (span == 0) {
                from = 0;
                to = length;
            } else if (span == 1) {
                to = from + 1;
            } else if (span == 2) {
                to = length;
            }
            const size_t needed = RunsIn(raw, from, to);
            const size_t maxRuns = span % 2 ? needed : 1 + rng() % 40;
            const std::string what = "trial " + std::to_string(trial) + " [" + std::to_string(from) + ", " +
                                     std::to_string(to) + ") of " + std::to_string(length);
            const Runs runs = ReadRuns(encoded, length, from, to, maxRuns);
            if (runs.empty()) {
                EXPECT_TRUE(delta || needed > maxRuns) << what << ": refused";
                continue;
            }
            EXPECT_LE(needed, maxRuns) << what;
            ExpectSpells(runs, raw, from, to, what);
            ++read;
        }
    }
    EXPECT_GT(read, 1000); // the test must exercise the runs, not only their refusal
}

TEST(RowRuns, RowsTheCodesCannotTellAreRefused) {
    Bytes raw(200, 255);
    std::fill(raw.begin() + 50, raw.begin() + 150, uint8_t{90});
    const Bytes encoded = Encoded(raw);
    ASSERT_EQ(ReadRuns(encoded, 200, 0, 200, 4).size(), 3u);
    // Bad spans and too little room.
    EXPECT_TRUE(ReadRuns(encoded, 200, 10, 10, 4).empty());
    EXPECT_TRUE(ReadRuns(encoded, 200, 190, 201, 4).empty());
    EXPECT_TRUE(ReadRuns(encoded, 200, 0, 200, 0).empty());
    EXPECT_TRUE(ReadRuns(encoded, 200, 0, 200, 2).empty());
    // Codes that end before the span, a length beyond what is there, codes making more than the row.
    Bytes cut(encoded.begin(), encoded.begin() + static_cast<ptrdiff_t>(encoded.size() / 2));
    rowcodec::SetStoredLength(cut.data(), cut.size());
    EXPECT_TRUE(ReadRuns(cut, 200, 150, 200, 4).empty());
    Bytes longer = encoded;
    rowcodec::SetStoredLength(longer.data(), encoded.size() + 1);
    EXPECT_TRUE(ReadRuns(longer, 200, 0, 10, 4).empty());
    EXPECT_TRUE(ReadRuns(encoded, 196, 0, 196, 4).empty());
    Bytes overlong = {0, 0, 0x80, 1, 2, 3, 4, 0x9F, 5};
    rowcodec::SetStoredLength(overlong.data(), overlong.size());
    EXPECT_TRUE(ReadRuns(overlong, 40, 0, 40, 40).empty());
    // A delta code before the span's end; after it, the span is read.
    Bytes delta = {0, 0, 0x80, 1, 2, 3, 4, 0x03, 0xA0, 0x55, 0x00};
    rowcodec::SetStoredLength(delta.data(), delta.size());
    EXPECT_TRUE(ReadRuns(delta, 28, 20, 28, 4).empty());
    const Runs before = ReadRuns(delta, 28, 2, 20, 4);
    ASSERT_EQ(before.size(), 2u);
    EXPECT_TRUE(before[0].value == 3 && before[1].from == 1 && before[1].to == 18 && before[1].value == 4);
    // A row shorter than a unit, and a row lost to a failed store, which reads as zeros.
    const Bytes tiny = Encoded(Bytes{1, 2, 3});
    EXPECT_TRUE(ReadRuns(tiny, 3, 0, 3, 4).empty());
    const Runs empty = ReadRuns(Bytes{2, 0}, 300, 10, 20, 4);
    ASSERT_EQ(empty.size(), 1u);
    EXPECT_TRUE(empty[0].from == 0 && empty[0].to == 10 && empty[0].value == 0);
}

// One value over a span, asked of one row and of three rows together: true exactly when the runs are
// one run of that value; a row of three read together that is not one value is spelled out exactly.
// Rows of one shape (the channels of a stroke: one value, or two where strokes of two colours meet),
// of different shapes, and rows the runs refuse.
TEST(RowRuns, OneValueAgreesWithTheRuns) {
    std::mt19937 rng(77);
    int one = 0;
    int spelled = 0;
    for (int trial = 0; trial < 400; ++trial) {
        const size_t length = trial % 10 == 0 ? 4 + rng() % 8 : 4 + rng() % 700;
        Bytes raw[3];
        if (trial % 3 == 0) {
            for (Bytes& r : raw) {
                r = ColourRow(rng, length);
            }
        } else {
            // Painted channels: white, then pencil colours changing at the same places in all three.
            const size_t a = rng() % length;
            const size_t b = a + rng() % (length - a);
            const size_t c = b + rng() % (length - b + 1);
            for (size_t k = 0; k < 3; ++k) {
                raw[k].assign(length, 255);
                std::fill(raw[k].begin() + static_cast<ptrdiff_t>(a),
                          raw[k].begin() + static_cast<ptrdiff_t>(b), static_cast<uint8_t>(40 + 30 * k));
                std::fill(raw[k].begin() + static_cast<ptrdiff_t>(b),
                          raw[k].begin() + static_cast<ptrdiff_t>(c),
                          static_cast<uint8_t>(trial % 2 ? 40 + 30 * k : 200 - k));
            }
        }
        Bytes encoded[3];
        std::unique_ptr<uint8_t[]> blocks[3];
        const uint8_t* rows[3];
        size_t available[3];
        for (size_t k = 0; k < 3; ++k) {
            encoded[k] = Encoded(raw[k]);
            blocks[k] = std::make_unique<uint8_t[]>(encoded[k].size());
            std::copy(encoded[k].begin(), encoded[k].end(), blocks[k].get());
            rows[k] = blocks[k].get();
            available[k] = encoded[k].size();
        }
        for (int span = 0; span < 8; ++span) {
            size_t from = rng() % length;
            size_t to = from + 1 + rng() % (length - from);
            if (span == 0) {
                from = 0;
                to = length;
            } else if (span == 1) {
                to = from + 1;
            }
            const std::string what = "trial " + std::to_string(trial) + " [" + std::to_string(from) + ", " +
                                     std::to_string(to) + ") of " + std::to_string(length);
            uint8_t values[3] = {};
            // Exactly the span's room, so that a write past it is caught by the sanitizers.
            std::unique_ptr<uint8_t[]> out[3];
            uint8_t* bytes[3];
            for (size_t k = 0; k < 3; ++k) {
                out[k] = std::make_unique<uint8_t[]>(to - from);
                bytes[k] = out[k].get();
            }
            const rowcodec::SpanValueInfo together =
                rowcodec::SpanValues(rows, available, length, from, to, values, bytes);
            ASSERT_EQ(together.one & together.spelled, 0u) << what;
            for (size_t k = 0; k < 3; ++k) {
                const Runs runs = ReadRuns(encoded[k], length, from, to, 1);
                uint8_t value = 0;
                const bool alone = rowcodec::SpanOneValue(rows[k], available[k], length, from, to, value);
                ASSERT_EQ(alone, runs.size() == 1) << what << ", row " << k;
                if (alone) {
                    ASSERT_EQ(value, runs[0].value) << what << ", row " << k;
                }
                if (together.one >> k & 1u) {
                    ASSERT_TRUE(alone) << what << ", row " << k;
                    ASSERT_EQ(values[k], value) << what << ", row " << k;
                    ++one;
                } else if (together.spelled >> k & 1u) {
                    ASSERT_FALSE(alone) << what << ", row " << k;
                    ASSERT_TRUE(std::equal(bytes[k], bytes[k] + (to - from),
                                           raw[k].begin() + static_cast<ptrdiff_t>(from)))
                        << what << ", row " << k;
                    ++spelled;
                } else {
                    // Neither: rows of different shapes are asked alone, and only rows that are not
                    // one value are left to the caller.
                    ASSERT_FALSE(alone) << what << ", row " << k;
                }
            }
        }
    }
    EXPECT_GT(one, 1000);
    EXPECT_GT(spelled, 1000);
}

TEST(RowRuns, OneValueRefusesWhatTheRunsRefuse) {
    Bytes raw(200, 90);
    const Bytes encoded = Encoded(raw);
    uint8_t value = 0;
    EXPECT_TRUE(rowcodec::SpanOneValue(encoded.data(), encoded.size(), 200, 0, 200, value) && value == 90);
    EXPECT_FALSE(rowcodec::SpanOneValue(encoded.data(), encoded.size(), 200, 10, 10, value));
    EXPECT_FALSE(rowcodec::SpanOneValue(encoded.data(), encoded.size(), 200, 190, 201, value));
    EXPECT_FALSE(rowcodec::SpanOneValue(encoded.data(), encoded.size(), 196, 0, 196, value));
    EXPECT_FALSE(rowcodec::SpanOneValue(encoded.data(), 1, 200, 0, 200, value));
    // Codes that end before the span; a delta code before the span's end, and after it.
    std::mt19937 rng(5);
    Bytes cut = Encoded(ColourRow(rng, 400));
    cut.resize(cut.size() / 2);
    rowcodec::SetStoredLength(cut.data(), cut.size());
    EXPECT_FALSE(rowcodec::SpanOneValue(cut.data(), cut.size(), 400, 390, 400, value));
    Bytes delta = {0, 0, 0x80, 1, 2, 3, 4, 0x03, 0xA0, 0x55, 0x00};
    rowcodec::SetStoredLength(delta.data(), delta.size());
    EXPECT_FALSE(rowcodec::SpanOneValue(delta.data(), delta.size(), 28, 20, 28, value));
    EXPECT_TRUE(rowcodec::SpanOneValue(delta.data(), delta.size(), 28, 4, 20, value) && value == 4);
    // Three rows of one shape meeting the delta code together, and an empty row among them.
    const uint8_t* same[3] = {delta.data(), delta.data(), delta.data()};
    const size_t room[3] = {delta.size(), delta.size(), delta.size()};
    uint8_t values[3] = {};
    uint8_t out[3][32];
    uint8_t* bytes[3] = {out[0], out[1], out[2]};
    rowcodec::SpanValueInfo info = rowcodec::SpanValues(same, room, 28, 20, 28, values, bytes);
    EXPECT_TRUE(info.one == 0 && info.spelled == 0);
    info = rowcodec::SpanValues(same, room, 28, 4, 20, values, bytes);
    EXPECT_TRUE(info.one == 7 && info.spelled == 0);
    const Bytes empty{2, 0};
    const uint8_t* mixed[3] = {delta.data(), empty.data(), delta.data()};
    const size_t mixedRoom[3] = {delta.size(), empty.size(), delta.size()};
    info = rowcodec::SpanValues(mixed, mixedRoom, 28, 4, 20, values, bytes);
    EXPECT_TRUE(info.one == 7 && info.spelled == 0);
    EXPECT_EQ(values[1], 0);
}

} // namespace
} // namespace ts
