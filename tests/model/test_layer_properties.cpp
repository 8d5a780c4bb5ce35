#include "model/image_stack_manager.h"
#include "model/layer_test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace ts {
namespace {

constexpr uint32_t kTagName = 2;
constexpr uint32_t kTagCaption = 3;
constexpr uint32_t kTagBounds = 4;
constexpr uint32_t kTagScalarPair = 6;
constexpr uint32_t kTagPaper = 8;

// The words of a string as the block stores them (no terminator added).
std::vector<uint32_t> Words(const char* bytes, size_t n) {
    std::vector<uint32_t> words(n, 0);
    std::memcpy(words.data(), bytes, std::strlen(bytes));
    return words;
}

class LayerProperties : public ::testing::Test {
protected:
    LayerProperties() { testing::AddBackdropAndPaper(stack, 100, 80); }

    size_t PackedLength(const std::string& name, const std::string& caption, int32_t index) {
        LayerObject& layer = *stack.Layer(index);
        layer.name = name;
        layer.caption = caption;
        stack.PackProperties(layer, index);
        return layer.properties.size();
    }

    // Decodes the words into a fresh layer.
    LayerObject& Decode(const std::vector<uint32_t>& words, bool* ok = nullptr) {
        fresh = std::make_unique<LayerObject>();
        fresh->properties = words;
        const bool decoded = stack.UnpackProperties(*fresh, 2);
        if (ok) {
            *ok = decoded;
        }
        return *fresh;
    }

    ImageStackManager stack;
    std::unique_ptr<LayerObject> fresh;
};

TEST_F(LayerProperties, BlockLengthIs288WordsPlusTheStringsAndSixForThePaper) {
    EXPECT_EQ(PackedLength("", "", 0), 288u + 1 + 1);
    EXPECT_EQ(PackedLength("abc", "", 0), 288u + 1 + 1) << "3 characters and the NUL fill one word";
    EXPECT_EQ(PackedLength("abcd", "", 0), 288u + 2 + 1);
    EXPECT_EQ(PackedLength("Blank Layer", "abcdefgh", 0), 288u + 3 + 3);
    EXPECT_EQ(PackedLength("Paper", "", 1), 288u + 2 + 1 + 6);

    // The name's section: tag, n, then the bytes NUL-padded to whole words.
    LayerObject& layer = *stack.Layer(0);
    layer.name = "abcd";
    stack.PackProperties(layer, 0);
    const std::vector<uint32_t>& w = layer.properties;
    ASSERT_GE(w.size(), 6u);
    EXPECT_EQ(w[2], kTagName);
    EXPECT_EQ(w[3], 2u);
    EXPECT_EQ(w[4], 0x64636261u);
    EXPECT_EQ(w[5], 0u);
}

TEST_F(LayerProperties, PackThenUnpackRestoresEverySavedSetting) {
    LayerObject& paper = *stack.Layer(1);
    paper.name = "Paper";
    paper.caption = "Cold-pressed, 300 gsm";
    paper.headerValues[1] = -7;
    paper.bounds = Rect{-5, 3, 2700, 1800};
    paper.highlightColor = 0x00102030;
    paper.shadeColor = 0x00405060;
    paper.strength = 9;
    paper.transitionWidth = 12;
    paper.RebuildRamp();
    paper.scalarInt = 42;
    paper.scalarFloat = 2.5f;
    paper.scale = {36.0, 24.0, 18.5, 12.25, 300.0, 0.5, 1.0, -2.0};
    paper.paperTextureIndex = 11;
    paper.paperAdjust = {3, -4, 250};
    stack.PackProperties(paper, 1);

    bool ok = false;
    LayerObject& back = Decode(paper.properties, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(back.name, paper.name);
    EXPECT_EQ(back.caption, paper.caption);
    EXPECT_EQ(back.headerValues[1], -7);
    EXPECT_EQ(back.bounds, paper.bounds);
    EXPECT_EQ(back.highlightColor, paper.highlightColor);
    EXPECT_EQ(back.shadeColor, paper.shadeColor);
    EXPECT_EQ(back.strength, 9);
    EXPECT_EQ(back.transitionWidth, 12);
    EXPECT_EQ(back.lightingRamp, paper.lightingRamp);
    EXPECT_EQ(back.scalarInt, 42);
    EXPECT_EQ(back.scalarFloat, 2.5f);
    EXPECT_EQ(back.scale, paper.scale);
    EXPECT_EQ(back.paperTextureIndex, 11);
    EXPECT_EQ(back.paperAdjust, paper.paperAdjust);

    // UnpackAll decodes every layer from the given index.
    LayerObject& backdrop = *stack.Layer(0);
    backdrop.properties = paper.properties;
    paper.name = "changed";
    stack.UnpackAll(1);
    EXPECT_EQ(paper.name, "Paper");
    EXPECT_EQ(backdrop.name, kBackdropName) << "below the start index";
}

TEST_F(LayerProperties, SectionsRunningPastTheBlockAreRefused) {
    // A name section claiming more words than there are.
    bool ok = true;
    LayerObject& layer = Decode({1, 5, kTagCaption, 1, 0x00636261, kTagName, 1000, 0x41414141}, &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(layer.headerValues[1], 5) << "what came before stays";
    EXPECT_EQ(layer.caption, "abc");
    EXPECT_EQ(layer.name, "");

    Decode({kTagBounds, 0xFFFFFFFF, 1, 2, 3, 4}, &ok);
    EXPECT_FALSE(ok);
    Decode({kTagBounds, 0xFFFFFFFE}, &ok);
    EXPECT_FALSE(ok);
    Decode({kTagName}, &ok);
    EXPECT_FALSE(ok) << "a tag without its length";
    EXPECT_EQ(Decode({1}, &ok).headerValues[1], 0) << "tag 1 without its value";
    EXPECT_FALSE(ok);

    // Short sections are skipped by their length, the fields left alone.
    LayerObject& shortBounds =
        Decode({kTagBounds, 2, 7, 8, kTagScalarPair, 1, 9, kTagCaption, 1, 0x00007a79}, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(shortBounds.bounds, Rect{});
    EXPECT_EQ(shortBounds.scalarInt, -1);
    EXPECT_EQ(shortBounds.caption, "yz");
}

TEST_F(LayerProperties, StringsEndWithinTheirWords) {
    std::vector<uint32_t> block{kTagName, 2};
    for (uint32_t w : Words("ABCDEFGH", 2)) {
        block.push_back(w);
    }
    block.insert(block.end(), {kTagCaption, 1});
    for (uint32_t w : Words("xy", 1)) {
        block.push_back(w);
    }
    LayerObject& layer = Decode(block);
    EXPECT_EQ(layer.name, "ABCDEFGH") << "no NUL in its words: the string ends with them";
    EXPECT_EQ(layer.caption, "xy");
    EXPECT_EQ(Decode({kTagName, 0, kTagCaption, 1, 0x00000071}).caption, "q") << "an empty section";
}

TEST_F(LayerProperties, PaperTextureIndexIsClampedToTheBoardTextures) {
    EXPECT_EQ(Decode({kTagPaper, 4, 99, 1, 2, 3}).paperTextureIndex, 26);
    EXPECT_EQ(Decode({kTagPaper, 4, 0xFFFFFFFF, 1, 2, 3}).paperTextureIndex, 0);
    EXPECT_EQ(Decode({kTagPaper, 4, 26, 1, 2, 3}).paperAdjust, (std::array<int32_t, 3>{1, 2, 3}));
    // An unknown tag ends decoding; what follows is not read.
    bool ok = false;
    LayerObject& layer = Decode({9, 1, 0, kTagCaption, 1, 0x00000071}, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(layer.caption, "");
    EXPECT_EQ(Decode({0, kTagCaption, 1, 0x71}).caption, "");
}

} // namespace
} // namespace ts
