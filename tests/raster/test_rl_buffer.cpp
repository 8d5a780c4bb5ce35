// The run-length buffer as a row store: creating, storing rows into the ring pool, growing and
// compacting the pool, the stored block and the whole-buffer statistics.

#include "raster/byte_stream.h"
#include "raster/rl_buffer.h"
#include "raster/rl_buffer_test_support.h"
#include "raster/row_codec_reference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <numeric>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace ts {
namespace {

using testing::Image;
using testing::Row;

Row EncodeRow(const Row& raw) {
    return *reference::Encode(raw);
}

// Writes the stored form: width, height, 0, 0, bytes per pixel, N, then the rows.
struct BlockBuilder {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bpp = 1;
    std::vector<Row> rows;

    std::vector<uint8_t> Bytes(int64_t totalOverride = -1, const Row& after = {}) const {
        size_t total = 0;
        for (const Row& r : rows) {
            total += r.size();
        }
        ByteWriter out;
        out.PutI32(width);
        out.PutI32(height);
        out.PutU32(0);
        out.PutU32(0);
        out.PutI32(bpp);
        out.PutU32(static_cast<uint32_t>(totalOverride >= 0 ? static_cast<size_t>(totalOverride) : total));
        for (const Row& r : rows) {
            out.PutBytes(r.data(), r.size());
        }
        out.PutBytes(after.data(), after.size());
        return out.Take();
    }
};

// A block of equal rows, written directly (some of these have a million rows). The rows hold
// width x rowBpp raw bytes; the header may claim another pixel size.
std::vector<uint8_t> UniformBlock(int32_t width, int32_t height, int32_t rowBpp, uint8_t value,
                                  std::optional<int32_t> declaredBpp = std::nullopt) {
    const Row encoded = EncodeRow(Row(static_cast<size_t>(width) * static_cast<size_t>(rowBpp), value));
    ByteWriter out;
    for (int32_t v : {width, height, 0, 0, declaredBpp.value_or(rowBpp)}) {
        out.PutI32(v);
    }
    out.PutU32(static_cast<uint32_t>(encoded.size() * static_cast<size_t>(std::max(height, 0))));
    std::vector<uint8_t> bytes = out.Take();
    bytes.reserve(bytes.size() + encoded.size() * static_cast<size_t>(std::max(height, 0)));
    for (int32_t y = 0; y < height; ++y) {
        bytes.insert(bytes.end(), encoded.begin(), encoded.end());
    }
    return bytes;
}

TEST(RLBuffer, CreateFillsEveryRowAndSizesThePoolByTheFactor) {
    for (int32_t bpp = 1; bpp <= 4; ++bpp) {
        RLBuffer buffer;
        ASSERT_TRUE(buffer.Create(37, 9, bpp, 0x44, 4.0f));
        EXPECT_EQ(buffer.Width(), 37);
        EXPECT_EQ(buffer.Height(), 9);
        EXPECT_EQ(buffer.BytesPerPixel(), bpp);
        EXPECT_EQ(buffer.RawRowLength(), 37u * static_cast<size_t>(bpp));
        const Row row(37 * static_cast<size_t>(bpp), 0x44);
        EXPECT_EQ(testing::ReadImage(buffer), Image(9, row));
        const size_t encoded = EncodeRow(row).size();
        EXPECT_EQ(buffer.Capacity(), encoded * 9 * 4);
        EXPECT_EQ(buffer.UsedBytes(), encoded * 9);
        EXPECT_EQ(buffer.WriteHead(), 8);
        for (int32_t y = 0; y < 9; ++y) {
            EXPECT_EQ(buffer.RowOffset(y), static_cast<size_t>(y) * encoded) << "rows lie packed in order";
        }
        EXPECT_EQ(reinterpret_cast<uintptr_t>(buffer.WorkingRow()) % 8, 0u);
    }
}

TEST(RLBuffer, CreateRefusesImpossibleSizesAndKeepsTheOldBuffer) {
    RLBuffer buffer;
    ASSERT_TRUE(buffer.Create(20, 5, 2, 0x31, 2.0f));
    const uint32_t checksum = buffer.Checksum();

    size_t widest = 60000;
    while (widest < 70000 && rowcodec::RawLengthFits(widest + 1)) {
        ++widest;
    }
    struct Case {
        int32_t width, height, bpp;
    };
    const Case refused[] = {
        {0, 5, 1},
        {-4, 5, 1},
        {10, 0, 1},
        {10, -2, 1},
        {10, 5, 0},
        {10, 5, 5},
        {10, RLBuffer::kMaxHeight + 1, 1},
        {static_cast<int32_t>(widest) + 1, 2, 1},
        {static_cast<int32_t>(widest / 4) + 1, 2, 4},
        {4100, RLBuffer::kMaxHeight, 1}, // more than kMaxRawBytes in all
    };
    for (const Case& c : refused) {
        EXPECT_FALSE(buffer.Create(c.width, c.height, c.bpp, 0, 1.0f))
            << c.width << " x " << c.height << " x " << c.bpp;
        EXPECT_EQ(buffer.Width(), 20);
        EXPECT_EQ(buffer.Height(), 5);
        EXPECT_EQ(buffer.BytesPerPixel(), 2);
        EXPECT_EQ(buffer.Checksum(), checksum);
    }
    EXPECT_EQ(testing::ReadImage(buffer), Image(5, Row(40, 0x31)));

    // The widest row the 16-bit length allows is fine, and holds noise.
    RLBuffer wide;
    ASSERT_TRUE(wide.Create(static_cast<int32_t>(widest), 2, 1, 0, 1.0f));
    std::mt19937 rng(3);
    const Row noise = testing::NoiseRow(rng, widest);
    ASSERT_TRUE(wide.PutRow(1, noise.data()));
    EXPECT_EQ(testing::ReadRow(wide, 1), noise);
    EXPECT_EQ(testing::ReadRow(wide, 0), Row(widest, 0));
}

TEST(RLBuffer, PoolFactorsBelowOneStillHoldEveryRow) {
    std::mt19937 rng(10);
    for (float factor : {0.5f, 0.0f, -2.0f}) {
        RLBuffer buffer;
        ASSERT_TRUE(buffer.Create(100, 10, 1, 0x66, factor)) << factor;
        EXPECT_GE(buffer.Capacity(), buffer.UsedBytes());
        testing::ExpectRingLayout(buffer);
        EXPECT_EQ(testing::ReadImage(buffer), Image(10, Row(100, 0x66)));
        const Row row = testing::RandomRow(rng, 100);
        ASSERT_TRUE(buffer.PutRow(4, row.data()));
        EXPECT_EQ(testing::ReadRow(buffer, 4), row);
        EXPECT_EQ(testing::ReadRow(buffer, 5), Row(100, 0x66));
    }
}

TEST(RLBuffer, RowsRoundTripForEveryPixelSize) {
    std::mt19937 rng(11);
    for (int32_t bpp = 1; bpp <= 4; ++bpp) {
        for (int32_t width : {1, 3, 64, 333}) {
            const Image image = testing::RandomImage(rng, width, 7, bpp);
            RLBuffer buffer;
            ASSERT_TRUE(testing::MakeBuffer(buffer, image, bpp));
            EXPECT_EQ(testing::ReadImage(buffer), image) << "bpp " << bpp << " width " << width;
            for (int32_t y = 0; y < 7; ++y) {
                EXPECT_EQ(Row(buffer.RowEncoding(y), buffer.RowEncoding(y) + buffer.RowEncodedLength(y)),
                          EncodeRow(image[static_cast<size_t>(y)]));
            }
            // Through the working row: null source and destination.
            buffer.GetRow(4);
            EXPECT_TRUE(std::equal(image[4].begin(), image[4].end(), buffer.WorkingRow()));
            ASSERT_TRUE(buffer.PutRow(0));
            EXPECT_EQ(testing::ReadRow(buffer, 0), image[4]);
        }
    }
}

TEST(RLBuffer, PutRowOutsideTheBufferChangesNothing) {
    std::mt19937 rng(12);
    const Image image = testing::RandomImage(rng, 50, 6, 1);
    RLBuffer buffer;
    ASSERT_TRUE(testing::MakeBuffer(buffer, image, 1));
    ASSERT_TRUE(buffer.PutRow(2, image[2].data()));
    const uint32_t checksum = buffer.Checksum();
    const int32_t head = buffer.WriteHead();
    const Row other(50, 0x99);
    EXPECT_FALSE(buffer.PutRow(-1, other.data()));
    EXPECT_FALSE(buffer.PutRow(6, other.data()));
    EXPECT_EQ(buffer.Checksum(), checksum);
    EXPECT_EQ(buffer.WriteHead(), head);
    EXPECT_EQ(testing::ReadImage(buffer), image);
}

TEST(RLBuffer, StoringRowsInOrderNeverMovesAStoredRow) {
    std::mt19937 rng(13);
    RLBuffer buffer;
    ASSERT_TRUE(buffer.Create(64, 12, 1, 0, 40.0f));
    Image model(12, Row(64, 0));
    for (int pass = 0; pass < 3; ++pass) {
        for (int32_t y = 0; y < 12; ++y) {
            std::vector<size_t> offsets;
            for (int32_t other = 0; other < 12; ++other) {
                offsets.push_back(buffer.RowOffset(other));
            }
            // Pass 0 keeps the rows' lengths; later passes grow and shrink them.
            model[static_cast<size_t>(y)] =
                pass == 0 ? Row(64, static_cast<uint8_t>(y + 1)) : testing::RandomRow(rng, 64);
            ASSERT_TRUE(buffer.PutRow(y, model[static_cast<size_t>(y)].data()));
            EXPECT_EQ(buffer.WriteHead(), y);
            for (int32_t other = 0; other < 12; ++other) {
                if (other != y) {
                    EXPECT_EQ(buffer.RowOffset(other), offsets[static_cast<size_t>(other)])
                        << "pass " << pass << ": storing row " << y << " moved row " << other;
                }
            }
            testing::ExpectRingLayout(buffer);
        }
    }
    EXPECT_EQ(buffer.RowsMoved(), 0u);
    EXPECT_EQ(testing::ReadImage(buffer), model);
}

TEST(RLBuffer, StoringAnEarlierRowMovesTheGapToIt) {
    RLBuffer buffer;
    ASSERT_TRUE(buffer.Create(32, 10, 1, 0x11, 4.0f));
    Image model(10, Row(32, 0x11));
    auto put = [&](int32_t y, uint8_t value) {
        model[static_cast<size_t>(y)] = Row(32, value);
        model[static_cast<size_t>(y)][5] = 0;
        return buffer.PutRow(y, model[static_cast<size_t>(y)].data());
    };

    ASSERT_TRUE(put(5, 0x55));
    EXPECT_EQ(buffer.WriteHead(), 5);
    const uint64_t afterFirst = buffer.RowsMoved();
    EXPECT_GT(afterFirst, 0u);
    testing::ExpectRingLayout(buffer);

    ASSERT_TRUE(put(2, 0x22));
    EXPECT_EQ(buffer.WriteHead(), 2);
    const uint64_t afterSecond = buffer.RowsMoved();
    EXPECT_GT(afterSecond, afterFirst);
    testing::ExpectRingLayout(buffer);

    // The rows after it append at the gap again.
    ASSERT_TRUE(put(3, 0x33));
    ASSERT_TRUE(put(4, 0x44));
    EXPECT_EQ(buffer.RowsMoved(), afterSecond);
    EXPECT_EQ(testing::ReadImage(buffer), model);

    // From the last row the ring continues with row 0 without moving anything.
    for (int32_t y = 5; y < 10; ++y) {
        ASSERT_TRUE(put(y, static_cast<uint8_t>(y)));
    }
    ASSERT_TRUE(put(0, 0xA0));
    EXPECT_EQ(buffer.WriteHead(), 0);
    EXPECT_EQ(buffer.RowsMoved(), afterSecond);
    testing::ExpectRingLayout(buffer);
    EXPECT_EQ(testing::ReadImage(buffer), model);
}

TEST(RLBuffer, AnOutOfOrderRowThatKeepsItsLengthIsStoredWhereItLies) {
    // Painted rows of one shape: repainting one alike gives an encoding of the same length.
    std::mt19937 rng(16);
    auto painted = [&](uint8_t shade) {
        Row row(600, 0xFF);
        for (size_t i = 150; i < 500; ++i) {
            row[i] = static_cast<uint8_t>(shade + i % 3 * 40 + rng() % 4);
        }
        return row;
    };
    RLBuffer buffer;
    ASSERT_TRUE(buffer.Create(200, 12, 3, 0xFF, 4.0f));
    Image model(12, Row(600, 0xFF));
    for (int32_t y = 0; y < 12; ++y) {
        model[static_cast<size_t>(y)] = painted(static_cast<uint8_t>(10 * y));
    }
    ASSERT_TRUE(testing::WriteImage(buffer, model));
    std::vector<uint8_t> span(24);
    buffer.ReadSpanAt(3, 450, 474, span.data()); // leaves a place in row 3's codes
    const int32_t head = buffer.WriteHead();
    const uint64_t moved = buffer.RowsMoved();
    for (int32_t y : {3, 1, 7, 3}) { // row 0 would be the next in order, stored at the gap
        std::vector<size_t> offsets;
        for (int32_t other = 0; other < 12; ++other) {
            offsets.push_back(buffer.RowOffset(other));
        }
        const size_t length = buffer.RowEncodedLength(y);
        Row row = painted(static_cast<uint8_t>(rng()));
        while (EncodeRow(row).size() != length) {
            row = painted(static_cast<uint8_t>(rng()));
        }
        ASSERT_TRUE(buffer.PutRow(y, row.data()));
        model[static_cast<size_t>(y)] = row;
        for (int32_t other = 0; other < 12; ++other) {
            EXPECT_EQ(buffer.RowOffset(other), offsets[static_cast<size_t>(other)]) << "row " << y;
        }
        const Row stored(buffer.RowEncoding(y), buffer.RowEncoding(y) + length);
        EXPECT_EQ(stored, EncodeRow(row)) << "the writer's own bytes for row " << y;
    }
    EXPECT_EQ(buffer.WriteHead(), head);
    EXPECT_EQ(buffer.RowsMoved(), moved);
    buffer.ReadSpanAt(3, 450, 474, span.data());
    EXPECT_TRUE(std::equal(span.begin(), span.end(), model[3].begin() + 450)) << "a stale place was used";
    testing::ExpectRingLayout(buffer);
    EXPECT_EQ(testing::ReadImage(buffer), model);

    // A row whose length changes still moves the gap to it, and the ring stays whole.
    model[5] = testing::NoiseRow(rng, 600);
    ASSERT_TRUE(buffer.PutRow(5, model[5].data()));
    EXPECT_EQ(buffer.WriteHead(), 5);
    EXPECT_GT(buffer.RowsMoved(), moved);
    testing::ExpectRingLayout(buffer);
    EXPECT_EQ(testing::ReadImage(buffer), model);
}

TEST(RLBuffer, RandomOutOfOrderPutsKeepEveryRowAndTheRing) {
    std::mt19937 rng(2024);
    for (int32_t bpp = 1; bpp <= 4; ++bpp) {
        for (int32_t width : {5, 61, 250}) {
            const int32_t height = 23;
            RLBuffer buffer;
            ASSERT_TRUE(buffer.Create(width, height, bpp, 0x80, 1.0f));
            Image model(static_cast<size_t>(height), Row(buffer.RawRowLength(), 0x80));
            for (int step = 0; step < 250; ++step) {
                // Mostly short ascending stretches from a random start, as painting does.
                const auto y = static_cast<int32_t>(
                    step % 3 == 0 ? rng() % static_cast<uint32_t>(height)
                                  : (buffer.WriteHead() + 1 + static_cast<int32_t>(rng() % 3)) % height);
                Row row = rng() % 4 == 0 ? Row(buffer.RawRowLength(), static_cast<uint8_t>(rng()))
                                         : testing::RandomRow(rng, buffer.RawRowLength());
                ASSERT_TRUE(buffer.PutRow(y, row.data()));
                model[static_cast<size_t>(y)] = std::move(row);
                ASSERT_NO_FATAL_FAILURE(testing::ExpectRingLayout(buffer));
                ASSERT_EQ(testing::ReadImage(buffer), model)
                    << "bpp " << bpp << " width " << width << " step " << step << " row " << y;
            }
            EXPECT_EQ(buffer.UsedBytes(),
                      std::accumulate(model.begin(), model.end(), size_t{0},
                                      [](size_t sum, const Row& r) { return sum + EncodeRow(r).size(); }));
        }
    }
}

TEST(RLBuffer, FullPoolGrowsAndKeepsEveryOtherRow) {
    std::mt19937 rng(14);
    // A tiny pool of flat rows; a row of noise needs far more than the pool's growth by half.
    RLBuffer buffer;
    ASSERT_TRUE(buffer.Create(2000, 3, 1, 0x10, 1.0f));
    const size_t before = buffer.Capacity();
    const Row noise = testing::NoiseRow(rng, 2000);
    ASSERT_TRUE(buffer.PutRow(1, noise.data()));
    EXPECT_EQ(buffer.LastPutStatus(), CCompressedBuffer::kStored);
    EXPECT_GT(buffer.Capacity(), before);
    EXPECT_EQ(testing::ReadImage(buffer), (Image{Row(2000, 0x10), noise, Row(2000, 0x10)}));
    testing::ExpectRingLayout(buffer);
    // The grown pool has the gap after the stored row, so the next row in order appends there.
    EXPECT_EQ(buffer.WriteHead(), 1);
    const uint64_t moved = buffer.RowsMoved();
    ASSERT_TRUE(buffer.PutRow(2, noise.data()));
    EXPECT_EQ(buffer.RowsMoved(), moved);
    EXPECT_EQ(testing::ReadImage(buffer), (Image{Row(2000, 0x10), noise, noise}));

    // Growth in the middle of an out-of-order sequence.
    Image model = testing::RandomImage(rng, 300, 9, 3);
    RLBuffer tight;
    ASSERT_TRUE(tight.Create(300, 9, 3, 0, 1.0f));
    ASSERT_TRUE(testing::WriteImage(tight, model));
    for (int32_t y : {6, 2, 8, 0, 4}) {
        model[static_cast<size_t>(y)] = testing::NoiseRow(rng, 900);
        ASSERT_TRUE(tight.PutRow(y, model[static_cast<size_t>(y)].data()));
        testing::ExpectRingLayout(tight);
        ASSERT_EQ(testing::ReadImage(tight), model) << "after row " << y;
    }
}

TEST(RLBuffer, CompactShrinksThePoolAroundTheRows) {
    std::mt19937 rng(15);
    const Image image = testing::RandomImage(rng, 400, 30, 1);
    RLBuffer buffer;
    ASSERT_TRUE(buffer.Create(400, 30, 1, 0, 200.0f));
    ASSERT_TRUE(testing::WriteImage(buffer, image));
    // Leave the ring wrapped before compacting.
    ASSERT_TRUE(buffer.PutRow(17, image[17].data()));
    const uint32_t used = buffer.UsedBytes();
    ASSERT_GT(static_cast<double>(buffer.Capacity()) / used, 1.05);

    ASSERT_TRUE(buffer.Compact(1.05));
    EXPECT_EQ(buffer.Capacity(), (static_cast<size_t>(used * 1.05) + 1024) / 1024 * 1024);
    EXPECT_EQ(buffer.WriteHead(), 29);
    size_t offset = 0;
    for (int32_t y = 0; y < 30; ++y) {
        EXPECT_EQ(buffer.RowOffset(y), offset);
        offset += buffer.RowEncodedLength(y);
    }
    EXPECT_EQ(testing::ReadImage(buffer), image);

    // A pool no larger than the factor allows is left alone.
    RLBuffer exact;
    ASSERT_TRUE(exact.Create(400, 30, 1, 0, 1.0f));
    const size_t capacity = exact.Capacity();
    ASSERT_TRUE(exact.Compact(1.05));
    EXPECT_EQ(exact.Capacity(), capacity);
}

TEST(RLBuffer, ClearFillAndFillRectSetEveryByteOfEachPixel) {
    std::mt19937 rng(16);
    for (int32_t bpp = 1; bpp <= 4; ++bpp) {
        const Image image = testing::RandomImage(rng, 40, 12, bpp);
        RLBuffer buffer;
        ASSERT_TRUE(testing::MakeBuffer(buffer, image, bpp));
        const Row flat(40 * static_cast<size_t>(bpp), 0xC3);

        Image model = image;
        // Partly outside the buffer on the left and bottom: clipped.
        buffer.FillRect(-3, 8, 7, 20, 0x5E);
        for (size_t y = 8; y < 12; ++y) {
            std::fill(model[y].begin(), model[y].begin() + 7 * bpp, 0x5E);
        }
        buffer.FillRect(30, 2, 33, 5, 0x01);
        for (size_t y = 2; y < 5; ++y) {
            std::fill(model[y].begin() + 30 * bpp, model[y].begin() + 33 * bpp, 0x01);
        }
        buffer.FillRect(38, -5, 45, 1, 0x02); // clipped at the top and right
        std::fill(model[0].begin() + 38 * bpp, model[0].end(), 0x02);
        buffer.FillRect(10, 3, 10, 9, 0xFF); // empty
        EXPECT_EQ(testing::ReadImage(buffer), model) << "FillRect, bpp " << bpp;

        ASSERT_TRUE(buffer.Fill(0xC3));
        EXPECT_EQ(testing::ReadImage(buffer), Image(12, flat)) << "Fill, bpp " << bpp;

        ASSERT_TRUE(testing::WriteImage(buffer, image));
        buffer.Clear();
        EXPECT_EQ(testing::ReadImage(buffer), Image(12, Row(flat.size(), 0))) << "Clear, bpp " << bpp;
        testing::ExpectRingLayout(buffer);
    }
}

TEST(RLBuffer, WrittenBlockReadsBackToTheSameContents) {
    std::mt19937 rng(17);
    for (int32_t bpp = 1; bpp <= 4; ++bpp) {
        const Image image = testing::RandomImage(rng, 77, 15, bpp);
        RLBuffer buffer;
        ASSERT_TRUE(testing::MakeBuffer(buffer, image, bpp, 1.0f));
        // Store a few rows out of order so the ring no longer starts at row 0.
        for (int32_t y : {9, 3, 12}) {
            ASSERT_TRUE(buffer.PutRow(y, image[static_cast<size_t>(y)].data()));
        }
        ByteWriter out;
        ASSERT_TRUE(buffer.WriteBlock(out));
        const std::vector<uint8_t> block = out.Take();

        const uint32_t used = buffer.UsedBytes();
        ByteWriter header;
        for (int32_t v : {77, 15, 0, 0, bpp}) {
            header.PutI32(v);
        }
        header.PutU32(used);
        ASSERT_EQ(block.size(), 24u + used);
        EXPECT_TRUE(std::equal(header.Data().begin(), header.Data().end(), block.begin()));
        size_t at = 24;
        for (int32_t y = 0; y < 15; ++y) {
            const size_t n = buffer.RowEncodedLength(y);
            EXPECT_TRUE(std::equal(block.begin() + static_cast<ptrdiff_t>(at),
                                   block.begin() + static_cast<ptrdiff_t>(at + n), buffer.RowEncoding(y)))
                << "row " << y << " is stored in row order";
            at += n;
        }

        ByteReader in(block);
        RLBuffer loaded;
        ASSERT_TRUE(loaded.Create(5, 5, 1, 0, 4.0f)); // replaced by the block
        ASSERT_TRUE(loaded.ReadBlock(in));
        EXPECT_EQ(in.Position(), block.size());
        EXPECT_TRUE(loaded.SameContents(buffer));
        EXPECT_EQ(loaded.Capacity(), used + 1024u);
        EXPECT_EQ(loaded.WriteHead(), 14);
        EXPECT_EQ(loaded.BytesPerPixel(), bpp);
        EXPECT_EQ(testing::ReadImage(loaded), image);
        testing::ExpectRingLayout(loaded);

        ByteReader again(block);
        RLBuffer tight;
        ASSERT_TRUE(tight.ReadBlockTight(again));
        EXPECT_EQ(tight.Capacity(), used);
        EXPECT_TRUE(tight.SameContents(buffer));
        // A pool without room still takes a grown row.
        const Row noise = testing::NoiseRow(rng, tight.RawRowLength());
        ASSERT_TRUE(tight.PutRow(7, noise.data()));
        EXPECT_EQ(testing::ReadRow(tight, 7), noise);
        EXPECT_EQ(testing::ReadRow(tight, 8), image[8]);
    }
}

// Each malformed block is refused with the buffer and the reader untouched.
void ExpectRefused(const std::vector<uint8_t>& block, const std::string& what) {
    RLBuffer buffer;
    ASSERT_TRUE(buffer.Create(6, 4, 2, 0x3C, 4.0f));
    const Row marked = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    ASSERT_TRUE(buffer.PutRow(1, marked.data()));
    const uint32_t checksum = buffer.Checksum();
    const Image before = testing::ReadImage(buffer);

    // The block sits after a few bytes of something else, as inside a drawing stream.
    std::vector<uint8_t> stream = {0xDE, 0xAD, 0xBE};
    stream.insert(stream.end(), block.begin(), block.end());
    for (bool tight : {false, true}) {
        ByteReader in(stream);
        ASSERT_TRUE(in.Seek(3));
        EXPECT_FALSE(tight ? buffer.ReadBlockTight(in) : buffer.ReadBlock(in))
            << what << (tight ? " (tight)" : "");
        EXPECT_EQ(in.Position(), 3u) << what;
        EXPECT_EQ(buffer.Width(), 6) << what;
        EXPECT_EQ(buffer.Height(), 4) << what;
        EXPECT_EQ(buffer.BytesPerPixel(), 2) << what;
        EXPECT_EQ(buffer.Checksum(), checksum) << what;
        EXPECT_EQ(testing::ReadImage(buffer), before) << what;
    }
}

TEST(RLBuffer, ARowLostToAFailedStoreReadsAsZerosWhereverItIsDecoded) {
    // Such rows are stored as an empty encoding, and a stored block may hold them.
    const Row lost = {2, 0};
    BlockBuilder block{5, 3, 2, {EncodeRow(Row(10, 0x31)), lost, EncodeRow(Row(10, 0x32))}};
    const auto bytes = block.Bytes();
    ByteReader in(bytes);
    RLBuffer buffer;
    ASSERT_TRUE(buffer.ReadBlock(in));
    buffer.GetRow(0);
    buffer.GetRow(1);
    EXPECT_EQ(Row(buffer.WorkingRow(), buffer.WorkingRow() + 10), Row(10, 0)) << "not row 0 left over";
    Row dest(10, 0xEE);
    buffer.ReadRow(1, dest.data());
    EXPECT_EQ(dest, Row(10, 0));
    ASSERT_TRUE(buffer.OpenWindow(1, 1));
    buffer.Window()->FillAll(0xEE);
    buffer.LoadWindow(1);
    const uint8_t* pixels = buffer.Window()->Pixels(0);
    EXPECT_EQ(Row(pixels, pixels + 10), Row(10, 0));
    EXPECT_EQ(Row(buffer.Window()->Pixels(1), buffer.Window()->Pixels(1) + 10), Row(10, 0x32));
}

TEST(RLBuffer, ReadBlockRefusesBlocksThatDoNotWalkToAValidBuffer) {
    std::mt19937 rng(18);
    BlockBuilder good{10, 3, 1, {}};
    for (int y = 0; y < 3; ++y) {
        good.rows.push_back(EncodeRow(testing::RandomRow(rng, 10)));
    }
    {
        const auto bytes = good.Bytes();
        ByteReader in(bytes);
        RLBuffer accepted;
        ASSERT_TRUE(accepted.ReadBlock(in)) << "the unaltered block is sound";
    }
    const size_t total = good.rows[0].size() + good.rows[1].size() + good.rows[2].size();
    const auto n = static_cast<int64_t>(total);

    ExpectRefused(good.Bytes(n + 2, {0, 0}), "N beyond the last row");
    ExpectRefused(good.Bytes(n + 2, {2, 0}), "an extra empty row inside N");
    {
        auto cut = good.Bytes(n - 1);
        cut.pop_back();
        ExpectRefused(cut, "N ends inside the last row");
    }
    {
        auto truncated = good.Bytes();
        truncated.resize(truncated.size() - 3);
        ExpectRefused(truncated, "stream ends before N bytes");
    }
    ExpectRefused(good.Bytes(0x7FFFFFF0), "N far beyond the stream");
    {
        auto header = good.Bytes();
        header.resize(20);
        ExpectRefused(header, "header cut short");
    }
    for (uint8_t length : {0, 1}) {
        BlockBuilder bad = good;
        bad.rows[1][0] = length;
        bad.rows[1][1] = 0;
        ExpectRefused(bad.Bytes(), "row length " + std::to_string(length));
    }
    {
        BlockBuilder bad = good;
        bad.rows[2][0] = static_cast<uint8_t>(bad.rows[2][0] + 1);
        ExpectRefused(bad.Bytes(), "last row runs past the block");
        bad.rows[2].push_back(0);
        ExpectRefused(bad.Bytes(n), "last row runs past N");
    }
    {
        BlockBuilder bad = good;
        bad.rows[1] = EncodeRow(testing::RandomRow(rng, 14));
        ExpectRefused(bad.Bytes(), "row decodes to too many bytes");
        bad.rows[1] = EncodeRow(testing::RandomRow(rng, 8));
        ExpectRefused(bad.Bytes(), "row decodes to too few bytes");
        bad.rows[1] = {7, 0, 0x80, 1, 2, 3, 4};
        ExpectRefused(bad.Bytes(), "row whose codes stop short");
        bad.rows[1] = {5, 0, 0x83, 1, 2};
        ExpectRefused(bad.Bytes(), "literal runs past its row");
    }
    for (int32_t bpp : {0, 5, -1}) {
        ExpectRefused(UniformBlock(10, 3, 1, 9, bpp), "bytes per pixel " + std::to_string(bpp));
    }
    ExpectRefused(UniformBlock(10, 3, 5, 9), "5 bytes per pixel with rows to match");
    for (int32_t width : {0, -10}) {
        BlockBuilder bad = good;
        bad.width = width;
        ExpectRefused(bad.Bytes(), "width " + std::to_string(width));
    }
    for (int32_t height : {0, -3}) {
        BlockBuilder bad = good;
        bad.height = height;
        bad.rows.clear();
        ExpectRefused(bad.Bytes(), "height " + std::to_string(height));
    }
    ExpectRefused(UniformBlock(70000, 2, 1, 0), "row too long for the 16-bit length");
    ExpectRefused(UniformBlock(1, RLBuffer::kMaxHeight + 1, 1, 0), "too many rows");
    ExpectRefused(UniformBlock(4100, RLBuffer::kMaxHeight, 1, 0), "more than kMaxRawBytes");
}

TEST(RLBuffer, BlockWithDeltaRowsIsReadAndReportsThem) {
    BlockBuilder block{6, 3, 2, {}};
    block.rows.assign(3, EncodeRow(Row(12, 0x40)));
    // Row 1: literal unit, a 4-bit delta unit (+1 +2 -1 -8) and a 2-bit delta unit (+1 +1 0 -2).
    block.rows[1] = {12, 0, 0x80, 10, 20, 30, 40, 0xE0, 0x21, 0x8F, 0xA0, 0x85};
    const auto bytes = block.Bytes();
    ByteReader in(bytes);
    RLBuffer buffer;
    ASSERT_TRUE(buffer.ReadBlock(in));
    EXPECT_FALSE(buffer.HasDeltaCodes(0));
    EXPECT_TRUE(buffer.HasDeltaCodes(1));
    EXPECT_FALSE(buffer.HasDeltaCodes(2));
    EXPECT_EQ(testing::ReadRow(buffer, 1), (Row{10, 20, 30, 40, 41, 43, 42, 34, 35, 36, 36, 34}));
    // Storing the row again writes it without deltas.
    buffer.GetRow(1);
    ASSERT_TRUE(buffer.PutRow(1));
    EXPECT_FALSE(buffer.HasDeltaCodes(1));
    EXPECT_EQ(testing::ReadRow(buffer, 1), (Row{10, 20, 30, 40, 41, 43, 42, 34, 35, 36, 36, 34}));
}

TEST(RLBuffer, CopyFromMakesAnIndependentCopyWithoutTheWindow) {
    std::mt19937 rng(19);
    const Image image = testing::RandomImage(rng, 33, 8, 3);
    RLBuffer source;
    ASSERT_TRUE(testing::MakeBuffer(source, image, 3));
    ASSERT_TRUE(source.OpenWindow(2, 4));
    RLBuffer copy;
    ASSERT_TRUE(copy.Create(3, 3, 1, 0, 1.0f));
    ASSERT_TRUE(copy.CopyFrom(source));
    EXPECT_TRUE(copy.SameContents(source));
    EXPECT_EQ(copy.Window(), nullptr);
    EXPECT_EQ(copy.WriteHead(), 7);
    EXPECT_EQ(testing::ReadImage(copy), image);

    const Row other(99, 0x0F);
    ASSERT_TRUE(copy.PutRow(3, other.data()));
    EXPECT_EQ(testing::ReadImage(source), image);
    EXPECT_FALSE(copy.SameContents(source));
}

TEST(RLBuffer, SameContentsNeedsEqualSizesAndRows) {
    std::mt19937 rng(20);
    const Image image = testing::RandomImage(rng, 24, 6, 2);
    RLBuffer a;
    ASSERT_TRUE(testing::MakeBuffer(a, image, 2));
    RLBuffer b;
    ASSERT_TRUE(testing::MakeBuffer(b, image, 2, 1.0f));
    // The same rows at other places in the pool are still the same contents.
    for (int32_t y : {4, 1, 5, 0}) {
        ASSERT_TRUE(b.PutRow(y, image[static_cast<size_t>(y)].data()));
    }
    EXPECT_TRUE(a.SameContents(b));

    Row changed = image[3];
    changed[47] ^= 1;
    ASSERT_TRUE(b.PutRow(3, changed.data()));
    EXPECT_FALSE(a.SameContents(b));

    RLBuffer x;
    RLBuffer y;
    ASSERT_TRUE(x.Create(8, 4, 1, 0, 4.0f));
    ASSERT_TRUE(y.Create(4, 4, 2, 0, 4.0f)); // same raw row, other pixel size
    EXPECT_FALSE(x.SameContents(y));
    ASSERT_TRUE(y.Create(8, 5, 1, 0, 4.0f));
    EXPECT_FALSE(x.SameContents(y));
    ASSERT_TRUE(y.Create(9, 4, 1, 0, 4.0f));
    EXPECT_FALSE(x.SameContents(y));
    ASSERT_TRUE(y.Create(8, 4, 1, 0, 2.0f));
    EXPECT_TRUE(x.SameContents(y));
}

// Whether each row is one value is kept as rows are stored; it must agree with the rows' codes
// however they got there, and reading a row (which trusts it) must give what the codes say.
void ExpectOneValueRowsKnown(RLBuffer& buffer, const std::string& step) {
    for (int32_t y = 0; y < buffer.Height(); ++y) {
        Row row(buffer.RawRowLength());
        ASSERT_TRUE(rowcodec::Decode(buffer.RowEncoding(y), buffer.Capacity() - buffer.RowOffset(y),
                                     row.data(), row.size()))
            << step << ", row " << y;
        ASSERT_EQ(testing::ReadRow(buffer, y), row) << step << ", row " << y;
        const bool one =
            !row.empty() && std::all_of(row.begin(), row.end(), [&](uint8_t b) { return b == row[0]; });
        uint8_t value = 0;
        ASSERT_EQ(buffer.RowIsOneValue(y, value), one) << step << ", row " << y;
        if (one) {
            ASSERT_EQ(value, row[0]) << step << ", row " << y;
        }
    }
}

TEST(RLBuffer, OneValueRowsAreKnownHoweverTheRowsWereStored) {
    std::mt19937 rng(23);
    RLBuffer buffer;
    ASSERT_TRUE(buffer.Create(600, 12, 1, 0x33, 1.0f));
    ExpectOneValueRowsKnown(buffer, "created");
    uint8_t value = 0;
    EXPECT_FALSE(buffer.RowIsOneValue(-1, value));
    EXPECT_FALSE(buffer.RowIsOneValue(12, value));
    // Rows out of order, some of noise that makes the tiny pool grow, some of one value, one that
    // differs only in its last byte.
    for (int32_t y : {5, 2, 11, 0, 7, 5, 3}) {
        Row row = rng() % 2 ? testing::NoiseRow(rng, 600) : Row(600, static_cast<uint8_t>(rng()));
        if (y == 3) {
            row = Row(600, 9);
            row.back() = 10;
        }
        ASSERT_TRUE(buffer.PutRow(y, row.data()));
        ExpectOneValueRowsKnown(buffer, "after row " + std::to_string(y));
    }
    ASSERT_TRUE(buffer.Compact(1.0));
    ExpectOneValueRowsKnown(buffer, "compacted");
    RLBuffer copy;
    ASSERT_TRUE(copy.CopyFrom(buffer));
    ExpectOneValueRowsKnown(copy, "copied");
    ByteWriter out;
    ASSERT_TRUE(buffer.WriteBlock(out));
    const std::vector<uint8_t> block = out.Take();
    ByteReader in(block.data(), block.size());
    RLBuffer read;
    ASSERT_TRUE(read.ReadBlock(in));
    ExpectOneValueRowsKnown(read, "read back");
    buffer.FillRect(10, 4, 20, 9, 0xEE);
    ExpectOneValueRowsKnown(buffer, "rectangle filled");
    ASSERT_TRUE(buffer.Fill(0x44));
    ExpectOneValueRowsKnown(buffer, "filled");
    buffer.Clear();
    ExpectOneValueRowsKnown(buffer, "cleared");
    // Several bytes a pixel: one value means every byte alike.
    RLBuffer wide;
    ASSERT_TRUE(wide.Create(50, 3, 3, 0x21, 2.0f));
    Row pixels(150, 0x21);
    for (size_t i = 0; i < pixels.size(); i += 3) {
        pixels[i] = 0x22;
    }
    ASSERT_TRUE(wide.PutRow(1, pixels.data()));
    ExpectOneValueRowsKnown(wide, "pixels of three bytes");
}

TEST(RLBuffer, StatisticsCountEncodedAndDecodedBytes) {
    std::mt19937 rng(21);
    const Image image = testing::RandomImage(rng, 90, 10, 3);
    RLBuffer buffer;
    ASSERT_TRUE(testing::MakeBuffer(buffer, image, 3, 1.0f));

    size_t used = 0;
    for (const Row& row : image) {
        used += EncodeRow(row).size();
    }
    EXPECT_EQ(buffer.UsedBytes(), used);
    EXPECT_DOUBLE_EQ(buffer.CompressionRatio(), static_cast<double>(used) / (3.0 * 90 * 10));

    // Every byte of every encoding, the length bytes included.
    uint32_t sum = 0;
    for (const Row& row : image) {
        for (uint8_t b : EncodeRow(row)) {
            sum += b;
        }
    }
    EXPECT_EQ(buffer.Checksum(), sum);
    EXPECT_EQ(buffer.StoredChecksum(), sum);
    EXPECT_EQ(testing::SumOfEncodingBytes(buffer), sum);

    std::array<uint64_t, 256> counters{};
    counters[7] = 1000;
    buffer.Histogram(counters);
    std::array<uint64_t, 256> expected{};
    expected[7] = 1000;
    for (const Row& row : image) {
        for (uint8_t b : row) {
            ++expected[b];
        }
    }
    EXPECT_EQ(counters, expected);
}

} // namespace
} // namespace ts
