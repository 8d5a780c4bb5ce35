// The row writer's variants (plain, 16-, 32- and 64-byte vectors) against the plain model of the code:
// byte for byte the same rows, the same refusals for lack of room, and nothing written at the limit.

#include "raster/row_codec.h"
#include "raster/row_codec_reference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <random>
#include <vector>

namespace ts {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr size_t kGuard = 80;
constexpr uint8_t kGuardByte = 0xA5;
// 8 asks for the writer without vectors.
constexpr int kVectorWidths[] = {8, 16, 32, 64};

std::optional<Bytes> EncodeWith(int vectorBytes, const Bytes& raw, size_t room) {
    Bytes area(room + kGuard, kGuardByte);
    const size_t length =
        rowcodec::EncodeWithVectors(vectorBytes, raw.data(), raw.size(), area.data(), area.data() + room);
    const bool guardIntact = std::all_of(area.begin() + static_cast<ptrdiff_t>(room), area.end(),
                                         [](uint8_t b) { return b == kGuardByte; });
    EXPECT_TRUE(guardIntact) << "vector " << vectorBytes << " wrote at or beyond its limit (room " << room
                             << ", length " << raw.size() << ")";
    if (length == 0) {
        return std::nullopt;
    }
    area.resize(length);
    return area;
}

uint8_t Byte(std::mt19937& rng) {
    return static_cast<uint8_t>(rng());
}

// Rows of the shapes the writer meets; each generator makes `length` bytes.
using Shape = std::function<Bytes(std::mt19937&, size_t)>;

Bytes Noise(std::mt19937& rng, size_t length) {
    Bytes row(length);
    std::generate(row.begin(), row.end(), [&] { return Byte(rng); });
    return row;
}

// Equal bytes in runs of 1 to 40, so that repeat units begin and end at every offset.
Bytes ShortRuns(std::mt19937& rng, size_t length) {
    Bytes row;
    while (row.size() < length) {
        const size_t n = std::min<size_t>(1 + rng() % 40, length - row.size());
        row.insert(row.end(), n, static_cast<uint8_t>(rng() % 4));
    }
    return row;
}

// A slow ramp: long stretches of one value, which make repeat runs longer than one code holds.
Bytes Gradient(std::mt19937& rng, size_t length) {
    Bytes row(length);
    const size_t step = 1 + rng() % 600;
    const uint8_t start = Byte(rng);
    for (size_t i = 0; i < length; ++i) {
        row[i] = static_cast<uint8_t>(start + i / step);
    }
    return row;
}

// A random walk of small steps, often standing still.
Bytes SmallDeltas(std::mt19937& rng, size_t length) {
    Bytes row(length);
    int value = Byte(rng);
    for (auto& b : row) {
        value = std::clamp(value + static_cast<int>(rng() % 5) - 2, 0, 255);
        b = static_cast<uint8_t>(value);
    }
    return row;
}

// Pencil on board: white paper, a flat 3-byte wash, grainy colour, in stretches of any length.
Bytes Painted(std::mt19937& rng, size_t length) {
    Bytes row;
    while (row.size() < length) {
        const size_t n = std::min<size_t>(1 + rng() % 500, length - row.size());
        switch (rng() % 3) {
        case 0:
            row.insert(row.end(), n, 0xFF);
            break;
        case 1:
            for (size_t i = 0; i < n; ++i) {
                row.push_back(static_cast<uint8_t>(90 + 50 * ((row.size() % 3))));
            }
            break;
        default:
            for (size_t i = 0; i < n; ++i) {
                row.push_back(static_cast<uint8_t>(120 + static_cast<int>(rng() % 7) - 3));
            }
            break;
        }
    }
    return row;
}

const Shape kShapes[] = {Noise, ShortRuns, Gradient, SmallDeltas, Painted};

void ExpectLikeTheModel(const Bytes& raw, const std::string& what) {
    const auto expected = reference::Encode(raw);
    ASSERT_TRUE(expected.has_value());
    for (int vector : kVectorWidths) {
        const auto encoded = EncodeWith(vector, raw, rowcodec::WorstCaseRoom(raw.size()));
        ASSERT_TRUE(encoded.has_value()) << what << " vector " << vector;
        ASSERT_EQ(*encoded, *expected) << what << " vector " << vector;
    }
    Bytes decoded(raw.size());
    ASSERT_TRUE(rowcodec::Decode(expected->data(), expected->size(), decoded.data(), raw.size())) << what;
    EXPECT_EQ(decoded, raw) << what;
}

TEST(RowWriter, EveryVariantWritesTheModelsBytesForRowsOfEveryShapeAndLength) {
    std::mt19937 rng(4711);
    for (size_t s = 0; s < std::size(kShapes); ++s) {
        for (size_t length = 1; length <= 300; ++length) {
            ExpectLikeTheModel(kShapes[s](rng, length),
                               "shape " + std::to_string(s) + " length " + std::to_string(length));
        }
        for (int trial = 0; trial < 3; ++trial) {
            ExpectLikeTheModel(kShapes[s](rng, 10800), "shape " + std::to_string(s) + " wide row");
        }
    }
}

TEST(RowWriter, RunsStartingAndEndingAtEveryOffsetAreCutAsTheModelCutsThem) {
    // A repeat run of `run` units starting at unit `start`, inside literal units, and rows whose one
    // literal unit sits anywhere in a long repeat run: the finders' vectors are split at every place.
    std::mt19937 rng(3);
    for (size_t start = 1; start <= 34; ++start) {
        for (size_t run = 1; run <= 34; ++run) {
            Bytes raw(4 * (start + run + 20) + start % 4);
            for (size_t i = 0; i < raw.size(); ++i) {
                raw[i] = static_cast<uint8_t>(1 + (i * 7) % 251);
            }
            std::fill_n(raw.begin() + static_cast<ptrdiff_t>(4 * start), 4 * run, raw[4 * start - 1]);
            ExpectLikeTheModel(raw, "repeat run at " + std::to_string(start) + " of " + std::to_string(run));
        }
    }
    for (size_t units = 2; units <= 300; ++units) {
        Bytes raw(4 * units + units % 4, 0x40);
        raw[4 * (rng() % units) + rng() % 4] = 0x41;
        ExpectLikeTheModel(raw, "one literal among " + std::to_string(units));
    }
}

TEST(RowWriter, LiteralRunsOfEveryLengthAreCutIntoCodesAsTheModelCutsThem) {
    // The writer stores whole vectors of units as it reads them and moves on by the units that do not
    // repeat: literal runs of every length, starting at every unit against the vectors and the 32-unit
    // codes, ended by a repeat run, by the row's end or by tail bytes.
    for (size_t start = 1; start <= 20; ++start) {
        for (size_t literals = 1; literals <= 100; ++literals) {
            for (size_t after : {0u, 3u, 17u}) {
                Bytes raw(4 * (start + literals) + after, 0x33);
                for (size_t i = 4 * start; i < 4 * (start + literals); ++i) {
                    raw[i] = static_cast<uint8_t>(0x40 + (i * 13) % 97);
                }
                ExpectLikeTheModel(raw, "literal run at " + std::to_string(start) + " of " +
                                            std::to_string(literals) + ", then " + std::to_string(after));
            }
        }
    }
}

TEST(RowWriter, AroundTheWorstCaseRoomEveryVariantFitsOrRefusesAsTheModelDoes) {
    // Rows with nothing to repeat need all of the worst-case room; below it the writer that checks
    // every unit takes over. Either way the result is the model's, and nothing reaches the limit.
    std::mt19937 rng(12);
    for (size_t length : {4u, 5u, 63u, 64u, 129u, 515u, 6144u}) {
        for (const Shape& shape : {Shape(Noise), Shape(Painted)}) {
            const Bytes raw = shape(rng, length);
            const size_t worst = rowcodec::WorstCaseRoom(length);
            const size_t full = reference::Encode(raw)->size();
            std::vector<size_t> rooms = {0, 10, 11, full, full + 8, full + 9, full + 10};
            for (size_t room = worst - 3; room <= worst + 2; ++room) {
                rooms.push_back(room);
            }
            for (size_t room : rooms) {
                const auto expected = reference::Encode(raw, room);
                for (int vector : kVectorWidths) {
                    EXPECT_EQ(EncodeWith(vector, raw, room), expected)
                        << "length " << length << " room " << room << " vector " << vector;
                }
            }
        }
    }
}

} // namespace
} // namespace ts
