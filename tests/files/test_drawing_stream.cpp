#include "files/drawing_samples.h"
#include "files/drawing_stream.h"
#include "files/stream_block.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ts {
namespace {

using testing::AddBoardLayers;
using testing::AddFullLayer;
using testing::BoardOnly;
using testing::StreamBuilder;
using testing::StreamOf;

StreamResult Read(const std::vector<uint8_t>& bytes, LoadedDrawing& out) {
    ByteReader in(bytes);
    return ReadDrawingStream(in, out);
}

StreamResult Read(const std::vector<uint8_t>& bytes) {
    LoadedDrawing out;
    return Read(bytes, out);
}

// Layers read back, with their property blocks decoded as the loader does.
LoadedDrawing ReadBack(const std::vector<uint8_t>& bytes) {
    LoadedDrawing out;
    EXPECT_EQ(Read(bytes, out), StreamResult::kLoaded);
    ImageStackManager decoder;
    for (size_t i = 0; i < out.layers.size(); ++i) {
        decoder.UnpackProperties(*out.layers[i].layer, static_cast<int32_t>(i));
    }
    return out;
}

class DrawingStream : public ::testing::Test {
protected:
    DrawingStream() { AddBoardLayers(stack, 64, 48); }
    static StreamWriteOptions Options(int32_t onlyLayer,
                                      std::optional<std::array<int32_t, 2>> selection = std::nullopt) {
        StreamWriteOptions options;
        options.onlyLayer = onlyLayer;
        options.backdropSelection = selection;
        return options;
    }
    ImageStackManager stack;
};

TEST_F(DrawingStream, EveryPartOfEveryLayerComesBackUnchanged) {
    AddFullLayer(stack);
    testing::AddDrawingLayer(stack, 4, 4, 1, 1, "Second");
    const std::vector<uint8_t> bytes = StreamOf(stack, Options(-1, std::array<int32_t, 2>{12, 0x00ABCDEF}));

    LoadedDrawing loaded = ReadBack(bytes);
    EXPECT_EQ(loaded.version, 200);
    ASSERT_EQ(loaded.layers.size(), 4u);
    EXPECT_EQ(loaded.DrawingWidth(), 64);
    EXPECT_EQ(loaded.DrawingHeight(), 48);
    for (int32_t i = 0; i < stack.Count(); ++i) {
        const LayerObject& original = *stack.Layer(i);
        const LayerObject& read = *loaded.layers[static_cast<size_t>(i)].layer;
        EXPECT_TRUE(read.SameAs(original)) << "layer " << i;
        EXPECT_EQ(read.id, original.id);
        EXPECT_EQ(read.name, original.name);
    }
    // What the writer stored in the board layers' offsets.
    EXPECT_EQ(loaded.layers[0].layer->offsetX, 12);
    EXPECT_EQ(loaded.layers[0].layer->offsetY, 0x00ABCDEF);
    EXPECT_EQ(loaded.layers[1].layer->paperTextureIndex, 4);
    const LayerObject& full = *loaded.layers[2].layer;
    EXPECT_EQ(full.extraData.size(), 50000u);
    EXPECT_EQ(full.lineArt->appearanceList->Slot(77)->p6, 4);
    EXPECT_EQ(full.color->appearances.Slot(200)->p1, 99);
    EXPECT_EQ(full.frame->corners[0].x, -3);
    // A layer written again gives the same bytes.
    ImageStackManager again;
    for (LoadedLayer& l : loaded.layers) {
        again.InsertLayer(again.Count(), std::move(l.layer));
    }
    again.SetDrawingSize(64, 48);
    again.UnpackAll(0);
    EXPECT_EQ(StreamOf(again, Options(-1, std::array<int32_t, 2>{12, 0x00ABCDEF})), bytes);
}

// The backdrop layer carries the backdrop's picture in place of its own, and the paper layer the
// show-through settings; neither layer in memory changes its picture.
TEST_F(DrawingStream, TheBoardLayersCarryTheBackdropPictureAndTheShowThroughSettings) {
    BMap custom;
    testing::FillImage(custom, 3, 2, 9);
    StreamWriteOptions options = Options(-1, std::array<int32_t, 2>{16, 0x00102030});
    options.backdropPicture = &custom.pixels;
    options.paperAdjust = std::array<int32_t, 3>{2, 5, 0};
    const std::vector<uint8_t> before = stack.Layer(0)->image->pixels.Pixels();
    LoadedDrawing loaded = ReadBack(StreamOf(stack, options));
    ASSERT_EQ(loaded.layers.size(), 2u);
    ImageStackManager read;
    for (LoadedLayer& l : loaded.layers) {
        read.InsertLayer(read.Count(), std::move(l.layer));
    }
    read.UnpackAll(0);
    EXPECT_EQ(read.Layer(0)->image->pixels.Pixels(), custom.pixels.Pixels());
    EXPECT_EQ(read.Layer(0)->offsetX, 16);
    EXPECT_EQ(read.Layer(1)->paperAdjust, (std::array<int32_t, 3>{2, 5, 0}));
    EXPECT_EQ(stack.Layer(0)->image->pixels.Pixels(), before);
}

TEST_F(DrawingStream, ALayerFileHoldsTheBoardAndOneLayer) {
    testing::AddDrawingLayer(stack, 4, 4, 0, 0, "First");
    AddFullLayer(stack, 10);
    testing::AddDrawingLayer(stack, 4, 4, 0, 0, "Third");
    LoadedDrawing loaded = ReadBack(StreamOf(stack, Options(3)));
    ASSERT_EQ(loaded.layers.size(), 3u);
    EXPECT_EQ(loaded.layers[2].layer->name, "Sketch Lines");
}

TEST_F(DrawingStream, ExtraDataOf50000BytesLoadsAnd50001DoNot) {
    AddFullLayer(stack, 50000);
    EXPECT_EQ(Read(StreamOf(stack)), StreamResult::kLoaded);
    stack.CurrentLayer()->extraData.push_back(1);
    EXPECT_EQ(Read(StreamOf(stack)), StreamResult::kNotValid);
}

TEST(DrawingStreamHeader, NewerVersionsAskForAnUpdateOrAnUpgrade) {
    LoadedDrawing out;
    EXPECT_EQ(Read(BoardOnly(201).Finish(), out), StreamResult::kTooNew);
    EXPECT_EQ(out.version, 201);
    EXPECT_EQ(StreamTooNewMessages(201),
              (std::vector<std::string>{"This version of Tintsmith cannot open this file.",
                                        "Download the latest Tintsmith update."}));
    EXPECT_EQ(Read(BoardOnly(300).Finish(), out), StreamResult::kTooNew);
    EXPECT_EQ(StreamTooNewMessages(300).back(), "A Tintsmith upgrade is required for this file.");
    EXPECT_EQ(StreamTooNewMessages(299).back(), "Download the latest Tintsmith update.");
}

TEST(DrawingStreamHeader, OnlyStreamsOfKind201WithTheirTrailerAreDrawings) {
    EXPECT_EQ(Read(BoardOnly().Finish()), StreamResult::kLoaded);
    StreamBuilder kind200(200, tags::kOldStreamKind);
    kind200.Layer().EndLayer().Layer(40, 30).EndLayer();
    EXPECT_EQ(Read(kind200.Finish(tags::kOldLayersEnd)), StreamResult::kNotValid);
    EXPECT_EQ(Read(BoardOnly().Finish(tags::kOldLayersEnd)), StreamResult::kNotValid);
    // The kind and its repetition differ; the fourth header word is below 10.
    std::vector<uint8_t> bytes = BoardOnly().Finish();
    bytes[4] = 0xC8;
    EXPECT_EQ(Read(bytes), StreamResult::kNotValid);
    bytes = BoardOnly().Finish();
    bytes[12] = 9;
    bytes[13] = 0;
    EXPECT_EQ(Read(bytes), StreamResult::kNotValid);
}

TEST(DrawingStreamHeader, OlderVersionsCarryNoLayerHeaderAndNoFrameCorners) {
    StreamBuilder v100(100);
    v100.Layer().EndLayer().Layer(40, 30).EndLayer();
    // A frame of version 103 has no corner points: its drawing buffer follows the tag.
    v100.Layer(2, 3).Put({tags::kFrame, tags::kPartEnd}).EndLayer();
    LoadedDrawing out;
    ASSERT_EQ(Read(v100.Finish(), out), StreamResult::kLoaded);
    ASSERT_EQ(out.layers.size(), 3u);
    EXPECT_FALSE(out.layers[2].hasHeader);
    EXPECT_EQ(out.layers[2].layer->offsetX, 2);
    EXPECT_FALSE(out.layers[2].layer->frame->hasCorners);
    EXPECT_TRUE(out.layers[0].layer->name.empty());
}

// Each stream breaks one rule; every one is refused.
TEST(DrawingStreamRefusals, StreamsThatBreakALimitAreNotDrawings) {
    const std::vector<std::pair<const char*, std::function<std::vector<uint8_t>()>>> cases = {
        {"no paper layer", [] { return StreamBuilder().Layer().EndLayer().Finish(); }},
        {"drawing size 0",
         [] { return StreamBuilder().Layer().EndLayer().Layer(0, 30).EndLayer().Finish(); }},
        {"negative drawing size",
         [] { return StreamBuilder().Layer().EndLayer().Layer(40, -3).EndLayer().Finish(); }},
        {"absurd drawing size",
         [] { return StreamBuilder().Layer().EndLayer().Layer(40000, 30).EndLayer().Finish(); }},
        {"257 layers",
         [] {
             StreamBuilder b = BoardOnly();
             for (int i = 0; i < 255; ++i) {
                 b.Layer().EndLayer();
             }
             return b.Finish();
         }},
        {"a layer far off the drawing", [] { return BoardOnly().Layer(0, -(1 << 25)).EndLayer().Finish(); }},
        {"unknown layer start", [] { return BoardOnly().Put({102}).EndLayer().Finish(); }},
        {"unknown part tag", [] { return BoardOnly().Layer().Put({11}).EndLayer().Finish(); }},
        {"negative extra length",
         [] {
             return BoardOnly().Layer().Put({tags::kExtraData, -1, tags::kBufferEnd}).EndLayer().Finish();
         }},
        {"extra longer than the stream",
         [] {
             return BoardOnly().Layer().Put({tags::kExtraData, 400, tags::kBufferEnd}).EndLayer().Finish();
         }},
        {"negative property count",
         [] {
             return BoardOnly().Put({100, 1, 1, 0, 0, 0, 0, 0, -1}).EndLayer().Finish();
         }},
        {"image bytes beyond the image",
         [] {
             // 2 x 1 pixels have a stride of 8 bytes; 9 are claimed.
             StreamBuilder b = BoardOnly();
             b.Layer().Put({tags::kImage, 2, 1, 0, 0, 3, 9, 0, 0, 0});
             return b.Put({tags::kBufferEnd}).EndLayer().Finish();
         }},
        {"image of no width",
         [] {
             return BoardOnly()
                 .Layer()
                 .Put({tags::kImage, 0, 1, 0, 0, 3, 0, tags::kBufferEnd})
                 .EndLayer()
                 .Finish();
         }},
        {"list slot 256",
         [] {
             return BoardOnly()
                 .Layer()
                 .Put({tags::kShadow, tags::kShadowAppearances, 1, 256, 8, 0, 0, 1008, tags::kListEnd,
                       tags::kPartEnd})
                 .EndLayer()
                 .Finish();
         }},
        {"list entry without its end",
         [] {
             return BoardOnly()
                 .Layer()
                 .Put({tags::kShadow, tags::kShadowAppearances, 1, 3, 8, 0, 0, 1009, tags::kListEnd,
                       tags::kPartEnd})
                 .EndLayer()
                 .Finish();
         }},
        {"buffer end marker missing",
         [] {
             RLBuffer buffer;
             buffer.Create(4, 2, 1, 0, 1.0f);
             StreamBuilder b = BoardOnly();
             b.Layer().Put({tags::kAuxBuffer});
             buffer.WriteBlock(b.Out());
             return b.Put({tags::kPartEnd}).EndLayer().Finish();
         }},
        {"buffer rows that do not decode",
         [] {
             StreamBuilder b = BoardOnly();
             // A row of 8 bytes whose one code repeats a single unit of 4.
             b.Layer().Put({tags::kAuxBuffer, 8, 1, 0, 0, 1, 3});
             b.Out().PutU16(3);
             b.Out().PutBytes("\0", 1);
             return b.Put({tags::kBufferEnd}).EndLayer().Finish();
         }},
    };
    for (const auto& [name, make] : cases) {
        LoadedDrawing out;
        EXPECT_EQ(Read(make(), out), StreamResult::kNotValid) << name;
        EXPECT_TRUE(out.layers.empty()) << name;
    }
}

// Parts whose buffers disagree would be read side by side past each other's rows.
TEST_F(DrawingStream, PartsWithBuffersOfDifferentSizesOrWidthsAreRefused) {
    LayerObject& layer = AddFullLayer(stack, 0);
    layer.shadow->lighting = std::make_unique<RLBuffer>();
    layer.shadow->lighting->Create(24, 11, 1, 128, 1.0f);
    EXPECT_EQ(Read(StreamOf(stack)), StreamResult::kNotValid) << "lighting one pixel wider than the paint";
    layer.shadow.reset();
    layer.color->red.reset();
    EXPECT_EQ(Read(StreamOf(stack)), StreamResult::kNotValid) << "paint without its red channel";
    layer.color.reset();
    layer.frame->drawingBuffer = std::make_unique<SuperBitBuffer>();
    static_cast<RLBuffer&>(*layer.frame->drawingBuffer).Create(23, 11, 1, 0, 1.0f);
    EXPECT_EQ(Read(StreamOf(stack)), StreamResult::kNotValid) << "a drawing buffer of one byte per pixel";
}

TEST_F(DrawingStream, EveryTruncationIsRefused) {
    AddFullLayer(stack, 40);
    const std::vector<uint8_t> bytes = StreamOf(stack);
    // The trailer's last word is what completes the stream.
    for (size_t size = 0; size + 4 <= bytes.size(); size += 3) {
        const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(size));
        ASSERT_NE(Read(cut), StreamResult::kLoaded) << "cut at " << size;
    }
}

// Streams of a megabyte and more build their layers side by side: the layers come back in their
// order with every byte, and damage that only building finds (a row that does not decode, in any one
// layer) still refuses the whole stream.
TEST_F(DrawingStream, LargeStreamsBuildEveryLayerInOrderAndRefuseDamageInAnyOne) {
    constexpr int32_t kSide = 257; // rows of a width no vector step divides
    std::vector<uint8_t> row(kSide);
    uint32_t noise = 1;
    for (int32_t n = 0; n < 5; ++n) {
        LayerObject& layer =
            testing::AddDrawingLayer(stack, kSide, kSide, n + 1, 2 * n + 1, "Noise " + std::to_string(n));
        ObjectColor& c = *layer.color;
        for (RLBuffer* channel : {c.amount.get(), c.blue.get(), c.green.get(), c.red.get()}) {
            for (int32_t y = 0; y < kSide; ++y) {
                for (uint8_t& b : row) {
                    noise = noise * 1103515245u + 12345u;
                    b = static_cast<uint8_t>(noise >> 16);
                }
                ASSERT_TRUE(channel->PutRow(y, row.data()));
            }
        }
    }
    const std::vector<uint8_t> bytes = StreamOf(stack);
    ASSERT_GT(bytes.size(), size_t{1} << 20);
    LoadedDrawing loaded = ReadBack(bytes);
    ASSERT_EQ(loaded.layers.size(), static_cast<size_t>(stack.Count()));
    for (int32_t i = 0; i < stack.Count(); ++i) {
        EXPECT_TRUE(loaded.layers[static_cast<size_t>(i)].layer->SameAs(*stack.Layer(i))) << "layer " << i;
    }
    ImageStackManager again;
    for (LoadedLayer& l : loaded.layers) {
        again.InsertLayer(again.Count(), std::move(l.layer));
    }
    again.SetDrawingSize(64, 48);
    again.UnpackAll(0);
    EXPECT_EQ(StreamOf(again), bytes);

    // The first row of a layer's first buffer claims more bytes than its buffer holds: the records
    // still walk, the row does not decode. Damage in the first, a middle and the last noise layer.
    const uint8_t size[8] = {kSide & 0xFF, kSide >> 8, 0, 0, kSide & 0xFF, kSide >> 8, 0, 0};
    for (int32_t n : {0, 2, 4}) {
        std::vector<uint8_t> damaged = bytes;
        const std::string name = "Noise " + std::to_string(n);
        const auto named = std::search(damaged.begin(), damaged.end(), name.begin(), name.end());
        const auto header = std::search(named, damaged.end(), std::begin(size), std::end(size));
        ASSERT_NE(header, damaged.end());
        std::fill_n(header + 24, 4, uint8_t{0xFF}); // six header words, then the rows
        LoadedDrawing out;
        EXPECT_EQ(Read(damaged, out), StreamResult::kNotValid) << "damage in layer " << name;
        EXPECT_TRUE(out.layers.empty()) << name;
    }
}

// ---------------------------------------------------------------------------------------------------
// The compressed block

TEST_F(DrawingStream, BlocksOfZlibsCompress2ReadBack) {
    AddFullLayer(stack, 100);
    std::vector<uint8_t> stream = StreamOf(stack);
    const size_t streamBytes = stream.size();
    stream.insert(stream.end(), 2, 0);
    std::vector<uint8_t> block(8 + compressBound(static_cast<uLong>(stream.size())));
    uLongf c = static_cast<uLongf>(block.size() - 8);
    ASSERT_EQ(compress2(block.data() + 8, &c, stream.data(), static_cast<uLong>(stream.size()), -1), Z_OK);
    const uint32_t lengths[2] = {static_cast<uint32_t>(c), static_cast<uint32_t>(stream.size())};
    std::memcpy(block.data(), lengths, 8);
    block.resize(8 + c);

    StreamBytes out;
    int code = 0;
    ASSERT_EQ(DecompressStreamBlock(block.data(), block.size(), out, code), BlockStatus::kOk);
    ASSERT_EQ(out.size, streamBytes + 2);
    EXPECT_EQ(std::memcmp(out.data.get(), stream.data(), out.size), 0);

    // And our own block is a zlib stream that zlib's uncompress reads.
    std::vector<uint8_t> again = StreamOf(stack);
    std::vector<uint8_t> ours;
    ASSERT_EQ(CompressStreamBlock(again, ours), Z_OK);
    std::vector<uint8_t> plain(stream.size());
    uLongf plainLength = static_cast<uLongf>(plain.size());
    ASSERT_EQ(uncompress(plain.data(), &plainLength, ours.data() + 8, static_cast<uLong>(ours.size() - 8)),
              Z_OK);
    EXPECT_EQ(plain, stream);
}

TEST(StreamBlock, LengthsThatDoNotHoldTogetherAreRefusedBeforeAnythingIsAllocated) {
    std::vector<uint8_t> stream(1000, 7);
    std::vector<uint8_t> block;
    ASSERT_EQ(CompressStreamBlock(stream, block), Z_OK);
    auto withLengths = [&](uint32_t c, uint32_t u) {
        std::vector<uint8_t> b = block;
        std::memcpy(b.data(), &c, 4);
        std::memcpy(b.data() + 4, &u, 4);
        return b;
    };
    const auto c = static_cast<uint32_t>(block.size() - 8);
    StreamBytes out;
    int code = 0;
    for (const auto& bad :
         {withLengths(c + 1, 1002), withLengths(c, 0), withLengths(c, 0xFFFFFFF0u),
          withLengths(c, 0x7FFFFFFF), std::vector<uint8_t>(block.begin(), block.begin() + 7)}) {
        EXPECT_EQ(DecompressStreamBlock(bad.data(), bad.size(), out, code), BlockStatus::kMalformed);
        EXPECT_EQ(out.data, nullptr);
    }
    // Damaged data is a zlib error; only what was decompressed is ever handed on.
    std::vector<uint8_t> damaged = block;
    damaged[10] ^= 0xFF;
    damaged[11] ^= 0x55;
    EXPECT_EQ(DecompressStreamBlock(damaged.data(), damaged.size(), out, code), BlockStatus::kZlibError);
    EXPECT_EQ(code, Z_DATA_ERROR);
    ASSERT_EQ(DecompressStreamBlock(block.data(), block.size(), out, code), BlockStatus::kOk);
    EXPECT_EQ(out.size, 1002u);
}

} // namespace
} // namespace ts
