#include "raster/row_codec.h"
#include "raster/row_codec_reference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <random>
#include <vector>

namespace ts {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr size_t kGuard = 64;
constexpr uint8_t kGuardByte = 0xCC;

// Encodes with the real writer into room bytes followed by a guard region; fails the test when the
// writer touched the guard.
std::optional<Bytes> EncodeWithRoom(const Bytes& raw, size_t room) {
    Bytes area(room + kGuard, kGuardByte);
    const size_t length = rowcodec::Encode(raw.data(), raw.size(), area.data(), area.data() + room);
    const bool guardIntact = std::all_of(area.begin() + static_cast<ptrdiff_t>(room), area.end(),
                                         [](uint8_t b) { return b == kGuardByte; });
    EXPECT_TRUE(guardIntact) << "writer wrote at or beyond its limit (room " << room << ")";
    if (length == 0) {
        return std::nullopt;
    }
    EXPECT_LE(length, room);
    EXPECT_EQ(rowcodec::StoredLength(area.data()), length);
    area.resize(length);
    return area;
}

Bytes Encode(const Bytes& raw) {
    auto encoded = EncodeWithRoom(raw, rowcodec::WorstCaseRoom(raw.size()));
    EXPECT_TRUE(encoded.has_value());
    return encoded.value_or(Bytes{});
}

// Decodes with the real reader from a heap block of exactly the row's bytes, into rawLength bytes
// followed by a guard region.
std::optional<Bytes> Decode(const Bytes& encoded, size_t rawLength, uint8_t initial = 0xEE) {
    const auto heapCopy = std::make_unique<uint8_t[]>(encoded.size());
    std::copy(encoded.begin(), encoded.end(), heapCopy.get());
    Bytes dest(rawLength + kGuard, initial);
    std::fill(dest.begin() + static_cast<ptrdiff_t>(rawLength), dest.end(), kGuardByte);
    const bool ok = rowcodec::Decode(heapCopy.get(), encoded.size(), dest.data(), rawLength);
    EXPECT_TRUE(std::all_of(dest.begin() + static_cast<ptrdiff_t>(rawLength), dest.end(), [](uint8_t b) {
        return b == kGuardByte;
    })) << "reader wrote past the row";
    if (!ok) {
        return std::nullopt;
    }
    dest.resize(rawLength);
    return dest;
}

Bytes WithLength(Bytes codes) {
    codes.insert(codes.begin(), 2, 0);
    rowcodec::SetStoredLength(codes.data(), codes.size());
    return codes;
}

// A row of runs and noise, as painting produces: flat stretches, short repeats, random bytes.
Bytes MixedRow(std::mt19937& rng, size_t length) {
    Bytes row;
    std::uniform_int_distribution<int> kind(0, 3);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<size_t> span(1, 700);
    while (row.size() < length) {
        const size_t n = std::min(span(rng), length - row.size());
        switch (kind(rng)) {
        case 0:
            row.insert(row.end(), n, static_cast<uint8_t>(byte(rng)));
            break;
        case 1:
            for (size_t i = 0; i < n; ++i) {
                row.push_back(static_cast<uint8_t>(byte(rng)));
            }
            break;
        case 2: // a repeating pixel of several bytes
        {
            const uint8_t a = static_cast<uint8_t>(byte(rng));
            const uint8_t b = static_cast<uint8_t>(byte(rng));
            for (size_t i = 0; i < n; ++i) {
                row.push_back(i % 3 == 0 ? a : b);
            }
            break;
        }
        default: // a few equal bytes, often fewer than a unit
            row.insert(row.end(), std::min<size_t>(n, 5), static_cast<uint8_t>(byte(rng) & 3));
            break;
        }
    }
    return row;
}

TEST(RowCodec, WorkedExampleEncodesAsOneLiteralUnitAndARepeatRun) {
    const Bytes raw = {0x0A, 0x0B, 0x0C, 0x0D, 0x0D, 0x0D, 0x0D, 0x0D, 0x0D, 0x0D, 0x0D, 0x0D};
    const Bytes expected = {0x08, 0x00, 0x80, 0x0A, 0x0B, 0x0C, 0x0D, 0x01};
    EXPECT_EQ(Encode(raw), expected);
    EXPECT_EQ(Decode(expected, raw.size()), raw);
}

TEST(RowCodec, RowOfEqualBytesUsesMaximalRepeatRuns) {
    const Bytes raw(1024, 0x5A);
    const Bytes expected = {0x09, 0x00, 0x80, 0x5A, 0x5A, 0x5A, 0x5A, 0x7F, 0x7E};
    EXPECT_EQ(Encode(raw), expected);
    EXPECT_EQ(Decode(expected, raw.size()), raw);
}

TEST(RowCodec, LiteralRunsHoldAtMostThirtyTwoUnits) {
    Bytes raw;
    for (int i = 0; i < 33 * 4; ++i) {
        raw.push_back(static_cast<uint8_t>(i + 1));
    }
    const Bytes encoded = Encode(raw);
    ASSERT_EQ(encoded.size(), 2u + 1 + 32 * 4 + 1 + 4);
    EXPECT_EQ(encoded[2], 0x9F);
    EXPECT_EQ(encoded[3 + 32 * 4], 0x80);
    EXPECT_EQ(Decode(encoded, raw.size()), raw);
}

TEST(RowCodec, TailBytesFollowTheirOwnCodes) {
    for (size_t tail = 1; tail <= 3; ++tail) {
        Bytes raw(12, 0x21);
        for (size_t i = 0; i < tail; ++i) {
            raw.push_back(static_cast<uint8_t>(0xF0 + i));
        }
        Bytes expected = {0, 0, 0x80, 0x21, 0x21, 0x21, 0x21, 0x01, static_cast<uint8_t>(0xBC + tail)};
        for (size_t i = 0; i < tail; ++i) {
            expected.push_back(static_cast<uint8_t>(0xF0 + i));
        }
        expected[0] = static_cast<uint8_t>(expected.size());
        EXPECT_EQ(Encode(raw), expected) << "tail " << tail;
        EXPECT_EQ(Decode(expected, raw.size()), raw);
    }
}

TEST(RowCodec, RowsShorterThanAUnitAreOneLiteralCode) {
    for (size_t length = 1; length <= 3; ++length) {
        Bytes raw;
        for (size_t i = 0; i < length; ++i) {
            raw.push_back(static_cast<uint8_t>(0x40 + i));
        }
        Bytes expected = {static_cast<uint8_t>(length + 3), 0, static_cast<uint8_t>(0x80 | (length - 1))};
        expected.insert(expected.end(), raw.begin(), raw.end());
        EXPECT_EQ(Encode(raw), expected) << "length " << length;
        EXPECT_EQ(Decode(expected, length), raw) << "length " << length;
    }
}

TEST(RowCodec, RandomRowsEncodeLikeTheWriterAndDecodeBack) {
    std::mt19937 rng(20240611);
    const size_t widths[] = {1, 2, 3, 4, 5, 7, 8, 31, 32, 33, 127, 128, 129, 513, 1000, 2047, 4096};
    for (int bpp = 1; bpp <= 4; ++bpp) {
        for (size_t width : widths) {
            for (int trial = 0; trial < 4; ++trial) {
                const Bytes raw = MixedRow(rng, width * static_cast<size_t>(bpp));
                const auto expected = reference::Encode(raw);
                ASSERT_TRUE(expected.has_value());
                const Bytes encoded = Encode(raw);
                ASSERT_EQ(encoded, *expected) << "bpp " << bpp << " width " << width << " trial " << trial;
                EXPECT_EQ(Decode(encoded, raw.size()), raw);
                EXPECT_EQ(reference::Decode(encoded, raw.size()), raw);
                EXPECT_FALSE(rowcodec::HasDeltaCodes(encoded.data()));
            }
        }
    }
}

// The decoder comes in variants for 16-, 32- and 64-byte vectors; each must give the same bytes and
// stop exactly at the row's end, whatever the run lengths (every repeat and literal length is hit).
TEST(RowCodec, EveryVectorWidthDecodesTheSameBytesWithinTheRow) {
    std::mt19937 rng(77);
    std::vector<Bytes> rows;
    for (size_t units = 1; units <= 140; ++units) {
        Bytes row(4, 9);
        row.insert(row.end(), units * 4, 200); // one repeat run of `units` units
        for (size_t i = 0; i < units * 4; ++i) {
            row.push_back(static_cast<uint8_t>(rng())); // literal units
        }
        row.push_back(static_cast<uint8_t>(units)); // and a tail byte
        rows.push_back(row);
    }
    for (int trial = 0; trial < 50; ++trial) {
        rows.push_back(MixedRow(rng, 1 + rng() % 9000));
    }
    for (const Bytes& raw : rows) {
        const Bytes encoded = Encode(raw);
        for (int vector : {16, 32, 64}) {
            Bytes dest(raw.size() + kGuard, kGuardByte);
            ASSERT_TRUE(
                rowcodec::DecodeWithVectors(vector, encoded.data(), encoded.size(), dest.data(), raw.size()));
            EXPECT_TRUE(std::equal(raw.begin(), raw.end(), dest.begin())) << "vector " << vector;
            EXPECT_TRUE(std::all_of(dest.begin() + static_cast<ptrdiff_t>(raw.size()), dest.end(),
                                    [](uint8_t b) { return b == kGuardByte; }))
                << "vector " << vector << " wrote past the row";
        }
    }
}

// Decodes with one vector width into a destination that starts `shift` bytes past a 64-byte boundary,
// with guard bytes on both sides; nullopt when refused. Fails the test when a guard was touched.
std::optional<Bytes> DecodeShifted(int vector, const Bytes& encoded, size_t rawLength, size_t shift) {
    Bytes area(64 + shift + rawLength + kGuard + 64, kGuardByte);
    const auto base = reinterpret_cast<uintptr_t>(area.data());
    uint8_t* const dest = area.data() + ((64 - base % 64) % 64) + shift;
    const bool ok = rowcodec::DecodeWithVectors(vector, encoded.data(), encoded.size(), dest, rawLength);
    EXPECT_TRUE(std::all_of(area.data(), dest, [](uint8_t b) { return b == kGuardByte; }))
        << "vector " << vector << " wrote before the row";
    EXPECT_TRUE(
        std::all_of(dest + rawLength, area.data() + area.size(), [](uint8_t b) { return b == kGuardByte; }))
        << "vector " << vector << " wrote past the row";
    if (!ok) {
        return std::nullopt;
    }
    return Bytes(dest, dest + rawLength);
}

// Long runs are filled with stores at vector boundaries, so where a run starts and ends relative to
// them matters: every run length up to several chained codes, at every offset of the destination.
TEST(RowCodec, RepeatRunsDecodeAlikeWhereverTheyFallAgainstVectorBoundaries) {
    std::mt19937 rng(5);
    for (size_t units = 1; units <= 420; units += units < 140 ? 1 : 13) {
        Bytes raw = {1, 2, 3, 4};
        raw.insert(raw.end(), units * 4, 4); // one repeat run of `units` units
        for (size_t i = 0; i < 4 * (1 + units % 5); ++i) {
            raw.push_back(static_cast<uint8_t>(rng()));
        }
        raw.insert(raw.end(), 4 * (units % 70) + units % 4, 0xD0); // a second run and perhaps a tail
        const Bytes encoded = Encode(raw);
        for (int vector : {16, 32, 64}) {
            for (size_t shift = 0; shift < 64; ++shift) {
                ASSERT_EQ(DecodeShifted(vector, encoded, raw.size(), shift), raw)
                    << "run of " << units << " units, vector " << vector << ", shift " << shift;
            }
        }
    }
}

// Chains of full literal codes are copied with stores at vector boundaries of the destination, each
// vector that spans two codes put together from both: every offset of the destination, chains of any
// length, ended by another code, by the row's end, by codes cut short or by a row that is shorter.
TEST(RowCodec, ChainsOfFullLiteralCodesDecodeAlikeAtEveryDestinationOffset) {
    std::mt19937 rng(31);
    for (size_t blocks = 1; blocks <= 40; blocks += blocks < 6 ? 1 : 7) {
        Bytes raw(4 * (1 + rng() % 40));
        for (auto& b : raw) {
            b = static_cast<uint8_t>(rng() % 3); // a few repeats before the chain
        }
        for (size_t i = 0; i < 128 * blocks; ++i) {
            raw.push_back(static_cast<uint8_t>(rng() | 0x10 * (i & 1)));
        }
        const size_t chainEnd = raw.size();
        for (int ending = 0; ending < 4; ++ending) {
            Bytes row = raw;
            if (ending == 1) {
                row.insert(row.end(), 4 * (1 + rng() % 9), row.back()); // a repeat run after the chain
            } else if (ending == 2) {
                for (size_t i = 0; i < 4 * (1 + rng() % 31) + rng() % 4; ++i) {
                    row.push_back(static_cast<uint8_t>(rng())); // a short literal code and perhaps a tail
                }
            }
            Bytes encoded = Encode(row);
            size_t rawLength = row.size();
            if (ending == 3) {
                // The codes end inside the chain, or the row ends before it does.
                if (rng() % 2) {
                    encoded.resize(encoded.size() - 1 - rng() % 200);
                    rowcodec::SetStoredLength(encoded.data(), encoded.size());
                } else {
                    rawLength = chainEnd - 1 - rng() % 300;
                }
            }
            const auto expected = reference::Decode(encoded, rawLength);
            for (int vector : {16, 32, 64}) {
                for (size_t shift = 0; shift < 64; ++shift) {
                    ASSERT_EQ(DecodeShifted(vector, encoded, rawLength, shift), expected)
                        << blocks << " full codes, ending " << ending << ", vector " << vector << ", shift "
                        << shift;
                }
            }
        }
    }
}

// Random code sequences, well formed or not: every vector width must accept exactly the rows the model
// accepts, decode them to the model's bytes, and stay inside the row either way.
TEST(RowCodec, RandomCodeSequencesDecodeAsTheModelDoesAtEveryVectorWidth) {
    std::mt19937 rng(99);
    int accepted = 0;
    for (int trial = 0; trial < 4000; ++trial) {
        Bytes codes;
        size_t produced = 0;
        const int count = 1 + static_cast<int>(rng() % 24);
        for (int k = 0; k < count; ++k) {
            switch (rng() % 6) {
            case 0:
            case 1: { // repeats, often several in a row and often maximal
                const size_t n = rng() % 3 == 0 ? 0x7F : rng() % 0x80;
                codes.push_back(static_cast<uint8_t>(n));
                produced += (n + 1) * 4;
                break;
            }
            case 2:
            case 3: { // literals, often full
                const size_t n = rng() % 2 == 0 ? 0x1F : rng() % 0x20;
                codes.push_back(static_cast<uint8_t>(0x80 | n));
                for (size_t i = 0; i < (n + 1) * 4; ++i) {
                    codes.push_back(static_cast<uint8_t>(rng()));
                }
                produced += (n + 1) * 4;
                break;
            }
            case 4: { // deltas of any kind
                const uint8_t code =
                    static_cast<uint8_t>(rng() % 2 ? 0xA0 + rng() % 0x1D : 0xC0 + rng() % 0x40);
                const size_t units = static_cast<size_t>(code & 0x1F) + 1;
                const size_t bits = code < 0xBD ? 2 : (code < 0xE0 ? 3 : 4);
                codes.push_back(code);
                for (size_t i = 0; i < (units * 4 * bits + 7) / 8; ++i) {
                    codes.push_back(static_cast<uint8_t>(rng()));
                }
                produced += units * 4;
                break;
            }
            default: { // a tail, usually last
                const size_t n = 1 + rng() % 3;
                codes.push_back(static_cast<uint8_t>(0xBC + n));
                for (size_t i = 0; i < n; ++i) {
                    codes.push_back(static_cast<uint8_t>(rng()));
                }
                produced += n;
                k = rng() % 4 == 0 ? k : count;
                break;
            }
            }
        }
        if (rng() % 5 == 0 && codes.size() > 1) {
            codes.resize(codes.size() - 1 - rng() % std::min<size_t>(codes.size() - 1, 6)); // cut short
        }
        const Bytes encoded = WithLength(codes);
        // Mostly the length the codes make, sometimes a little off either way (never below a unit:
        // shorter rows have a form of their own).
        const size_t slack = rng() % 4 == 0 ? rng() % 9 : 4;
        const size_t rawLength = std::max<size_t>(produced + slack, 8) - 4;
        const auto expected = reference::Decode(encoded, rawLength);
        accepted += expected.has_value() ? 1 : 0;
        for (int vector : {16, 32, 64}) {
            EXPECT_EQ(DecodeShifted(vector, encoded, rawLength, rng() % 64), expected)
                << "trial " << trial << ", vector " << vector << ", row of " << rawLength;
        }
    }
    EXPECT_GT(accepted, 1000) << "too few well-formed rows to test the decoding itself";
}

TEST(RowCodec, WorstCaseRoomHoldsRowsWithoutRepeatsAndBoundsTheRowLength) {
    std::mt19937 rng(7);
    // Units like (a, 0, b, 0) with a non-zero never repeat the byte before them.
    auto noise = [&](size_t length) {
        Bytes row(length);
        for (size_t i = 0; i < length; ++i) {
            row[i] = i % 2 ? 0 : static_cast<uint8_t>(rng() | 1);
        }
        return row;
    };
    for (size_t length : {4u, 5u, 11u, 128u, 129u, 130u, 131u, 6000u}) {
        EXPECT_TRUE(EncodeWithRoom(noise(length), rowcodec::WorstCaseRoom(length)).has_value()) << length;
    }
    // RawLengthFits admits exactly the rows whose encoding cannot outgrow the 16-bit length field,
    // even when nothing in them repeats.
    size_t largest = 60000;
    while (largest < 70000 && rowcodec::RawLengthFits(largest + 1)) {
        ++largest;
    }
    ASSERT_TRUE(rowcodec::RawLengthFits(largest));
    ASSERT_LT(largest, 70000u);
    EXPECT_LE(reference::Encode(noise(largest))->size(), rowcodec::kMaxEncodedLength);
    EXPECT_GT(reference::Encode(noise(largest + 1))->size(), rowcodec::kMaxEncodedLength);
    const Bytes row = noise(largest);
    const auto encoded = EncodeWithRoom(row, rowcodec::WorstCaseRoom(largest));
    ASSERT_TRUE(encoded.has_value());
    EXPECT_EQ(Decode(*encoded, largest), row);
}

TEST(RowCodec, EncodingThatDoesNotFitReturnsZeroAndStaysBeforeTheLimit) {
    std::mt19937 rng(99);
    for (size_t length : {4u, 8u, 13u, 64u, 301u}) {
        for (int trial = 0; trial < 3; ++trial) {
            const Bytes raw = MixedRow(rng, length);
            const Bytes full = *reference::Encode(raw);
            for (size_t room = 0; room <= full.size() + 12; ++room) {
                const auto encoded = EncodeWithRoom(raw, room);
                if (encoded) {
                    EXPECT_EQ(*encoded, full) << "room " << room;
                } else {
                    EXPECT_LT(room, rowcodec::WorstCaseRoom(length)) << "failed with the worst-case room";
                }
            }
        }
    }
}

TEST(RowCodec, WriterSucceedsWheneverItsLookAheadStaysBeforeTheLimit) {
    // The writer needs 11 bytes to start and checks 8 bytes of look-ahead before each unit; whenever
    // those checks pass, the row must be stored.
    std::mt19937 rng(5);
    for (size_t length : {4u, 7u, 12u, 40u, 257u}) {
        const Bytes raw = MixedRow(rng, length);
        for (size_t room = 0; room <= length + 40; ++room) {
            if (reference::Encode(raw, room).has_value()) {
                EXPECT_TRUE(EncodeWithRoom(raw, room).has_value()) << "length " << length << " room " << room;
            }
        }
    }
}

TEST(RowCodec, RepeatRunsCopyTheLastByteBeforeThemAndStartFromZero) {
    // A repeat run after a literal copies the literal's last byte; one at the start of a row copies 0.
    EXPECT_EQ(Decode(WithLength({0x80, 1, 2, 3, 4, 0x00}), 8), (Bytes{1, 2, 3, 4, 4, 4, 4, 4}));
    EXPECT_EQ(Decode(WithLength({0x01}), 8), Bytes(8, 0));
    // After a delta unit the repeat takes the clamped last byte.
    EXPECT_EQ(Decode(WithLength({0xE0, 0x77, 0x77, 0x00}), 8), (Bytes{7, 14, 21, 28, 28, 28, 28, 28}));
}

TEST(RowCodec, TwoBitDeltaRunsAddSmallStepsAndClampPerUnit) {
    // Fields 0, 1, 2, 3 mean 0, +1, -2, -1, least significant first.
    // Unit 1 from 10: fields 1,1,1,0 (0x15) -> 11 12 13 13. Unit 2: fields 2,2,3,0 (0x3A) -> 11 9 8 8.
    EXPECT_EQ(Decode(WithLength({0x80, 1, 2, 3, 10, 0xA1, 0x15, 0x3A}), 12),
              (Bytes{1, 2, 3, 10, 11, 12, 13, 13, 11, 9, 8, 8}));
    // From 1: -2 -2 +1 +1 gives sums -1 -3 -2 -1, clamped to 0 only when the unit is complete.
    EXPECT_EQ(Decode(WithLength({0x80, 9, 9, 9, 1, 0xA0, 0x5A}), 8), (Bytes{9, 9, 9, 1, 0, 0, 0, 0}));
    // From 254: +1 +1 -1 -1 gives 255 256 255 254; the 256 clamps, its neighbours keep the unclamped sums.
    EXPECT_EQ(Decode(WithLength({0x80, 0, 0, 0, 254, 0xA0, 0xF5}), 8),
              (Bytes{0, 0, 0, 254, 255, 255, 255, 254}));
}

TEST(RowCodec, ThreeBitDeltaRunsTakeBitsAcrossBytes) {
    // Fields 0..7 mean 0 +1 +2 +3 -4 -3 -2 -1. Units of 12 bits, least significant first.
    // Unit 1 fields 3,3,1,0  -> bits 0x05B; unit 2 fields 7,4,0,2 -> bits 0x427; unit 3 fields 5,0,0,0.
    // Bit stream 0x05B | 0x427 << 12 | 0x005 << 24 = 0x0542705B -> bytes 5B 70 42 05 00.
    const Bytes raw = {50, 50, 50, 50, 53, 56, 57, 57, 56, 52, 52, 54, 51, 51, 51, 51};
    EXPECT_EQ(Decode(WithLength({0x80, 50, 50, 50, 50, 0xC2, 0x5B, 0x70, 0x42, 0x05, 0x00}), 16), raw);
    // An even count uses exactly 3 bytes per 2 units.
    EXPECT_EQ(Decode(WithLength({0x80, 50, 50, 50, 50, 0xC1, 0x5B, 0x70, 0x42}), 12),
              (Bytes{50, 50, 50, 50, 53, 56, 57, 57, 56, 52, 52, 54}));
    // Clamping at 0: from 2, fields 4,4,3,3 (-4 -4 +3 +3) sum to -2 -6 -3 0.
    EXPECT_EQ(Decode(WithLength({0x80, 2, 2, 2, 2, 0xC0, 0xE4, 0x06}), 8), (Bytes{2, 2, 2, 2, 0, 0, 0, 0}));
}

TEST(RowCodec, FourBitDeltaRunsUseSignedNibbles) {
    // Unit from 100: nibbles 7, 8 (-8), 15 (-1), 1 -> 107 99 98 99; next unit: 0, 0, 2, 14 (-2) -> 99 99
    // 101 99.
    EXPECT_EQ(Decode(WithLength({0x80, 0, 0, 0, 100, 0xE1, 0x87, 0x1F, 0x00, 0xE2}), 12),
              (Bytes{0, 0, 0, 100, 107, 99, 98, 99, 99, 99, 101, 99}));
    // Clamping at 255: from 250, +7 +7 -8 -8 sums to 257 264 256 248.
    EXPECT_EQ(Decode(WithLength({0x80, 0, 0, 0, 250, 0xE0, 0x77, 0x88}), 8),
              (Bytes{0, 0, 0, 250, 255, 255, 255, 248}));
    // A delta run that starts the row starts from 0.
    EXPECT_EQ(Decode(WithLength({0xE0, 0x21, 0x43}), 4), (Bytes{1, 3, 6, 10}));
}

TEST(RowCodec, ReferenceDecoderAgreesOnEveryDeltaKind) {
    std::mt19937 rng(31);
    for (int trial = 0; trial < 300; ++trial) {
        // literal unit, a delta run of a random kind and count, a repeat, a tail of 1..3 bytes
        Bytes codes = {0x80};
        for (int i = 0; i < 4; ++i) {
            codes.push_back(static_cast<uint8_t>(rng()));
        }
        const int kind = static_cast<int>(rng() % 3);
        const size_t units = 1 + rng() % (kind == 0 ? 29 : 32);
        const size_t payload = kind == 0 ? units : kind == 1 ? (12 * units + 7) / 8 : 2 * units;
        codes.push_back(static_cast<uint8_t>((kind == 0 ? 0xA0 : kind == 1 ? 0xC0 : 0xE0) + units - 1));
        for (size_t i = 0; i < payload; ++i) {
            codes.push_back(static_cast<uint8_t>(rng()));
        }
        codes.push_back(0x02);
        const size_t tail = 1 + rng() % 3;
        codes.push_back(static_cast<uint8_t>(0xBC + tail));
        for (size_t i = 0; i < tail; ++i) {
            codes.push_back(static_cast<uint8_t>(rng()));
        }
        const Bytes encoded = WithLength(codes);
        const size_t rawLength = 4 * (1 + units + 3) + tail;
        const auto expected = reference::Decode(encoded, rawLength);
        ASSERT_TRUE(expected.has_value());
        EXPECT_EQ(Decode(encoded, rawLength), expected) << "trial " << trial;
        EXPECT_TRUE(rowcodec::HasDeltaCodes(encoded.data()));
    }
}

TEST(RowCodec, EmptyRowLeavesTheDestinationAlone) {
    EXPECT_EQ(Decode(Bytes{2, 0}, 16, 0x33), Bytes(16, 0x33));
}

TEST(RowCodec, MalformedRowsAreRefused) {
    const Bytes good = WithLength({0x80, 1, 2, 3, 4, 0x00});
    ASSERT_TRUE(Decode(good, 8).has_value());

    EXPECT_FALSE(Decode(Bytes{0, 0, 0x80, 1, 2, 3, 4}, 4)) << "length 0";
    EXPECT_FALSE(Decode(Bytes{1, 0, 0x80, 1, 2, 3, 4}, 4)) << "length 1";
    EXPECT_FALSE(Decode(Bytes{9}, 4)) << "no room for the length";

    Bytes longer = good;
    longer[0] = static_cast<uint8_t>(good.size() + 1);
    EXPECT_FALSE(Decode(longer, 8)) << "length beyond the bytes available";

    EXPECT_FALSE(Decode(WithLength({0x81, 1, 2, 3, 4, 5, 6}), 8)) << "literal runs past the row";
    EXPECT_FALSE(Decode(WithLength({0x80, 1, 2, 3, 4, 0xBF, 5}), 7)) << "tail runs past the row";
    EXPECT_FALSE(Decode(WithLength({0x80, 1, 2, 3, 4, 0xE1, 0x11, 0x11}), 12)) << "delta runs past the row";
    EXPECT_FALSE(Decode(WithLength({0x80, 1, 2, 3, 4, 0xC1, 0x11, 0x11}), 12)) << "3-bit delta runs past";

    EXPECT_FALSE(Decode(good, 4)) << "decodes more bytes than the row holds";
    EXPECT_FALSE(Decode(WithLength({0x80, 1, 2, 3, 4, 0x7F}), 64)) << "repeat overruns the row";
    EXPECT_FALSE(Decode(WithLength({0x80, 1, 2, 3, 4, 0xA8, 1, 2, 3, 4, 5, 6, 7, 8, 9}), 16))
        << "delta overruns the row";
    EXPECT_FALSE(Decode(good, 12)) << "decodes fewer bytes than the row holds";
    EXPECT_FALSE(Decode(WithLength({0x80, 1, 2, 3, 4, 0xBE, 1, 2}), 9)) << "tail of the wrong size";
}

} // namespace
} // namespace ts
