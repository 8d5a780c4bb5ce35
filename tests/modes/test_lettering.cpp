// Lettering over a headless workspace with the box-glyph fonts: the lettering tool's click, the keys of a
// US keyboard, the Caption layers, undo, the panel and the font without a regular style.

#include "interact/virtual_keys.h"
#include "modes/painting_test_support.h"
#include "render/line_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ts {
namespace {

using testing::Covered;
using testing::MaskAt;

// The box font at the default 12 points: an em of 200 quarter pixels, 50 pixels. A capital is a box with
// 5-pixel walls from x 5 to 30 and y 5 to 40 of its character cell (the baseline 40 pixels down), a
// small letter the same box from y 15; characters are 35 pixels apart.
constexpr int32_t kEm = 50;

class Lettering : public testing::PaintingTest {
protected:
    TextToolManager& mode() { return workspace->textToolManager; }
    TextManager& text() { return workspace->textManager; }

    // The lettering tool clicked at a drawing point.
    void Place(int32_t x, int32_t y) {
        const std::string at = std::to_string(x) + " " + std::to_string(y);
        Gesture("tool TextTool\npress " + at + "\nrelease " + at + "\n");
    }
    void Type(const std::string& keys) { Gesture("type " + keys + "\n"); }
    void Key(uint32_t key, uint32_t flags = 0) { workspace->viewInput.OnKeyDown(key, 1, flags); }

    std::vector<LayerObject*> Captions() {
        std::vector<LayerObject*> found;
        for (int32_t i = ImageStackManager::kFirstDrawingLayer; i < stack().Count(); ++i) {
            if (stack().Layer(i)->name == TextManager::kLayerName) {
                found.push_back(stack().Layer(i));
            }
        }
        return found;
    }
    static int32_t Occupied(const LayerObject& layer) {
        int32_t n = 0;
        const RLBuffer& occ = *layer.frame->drawingBuffer;
        for (int32_t y = 0; y < occ.Height(); ++y) {
            for (int32_t x = 0; x < occ.Width(); ++x) {
                n += MaskAt(occ, x, y) != 0;
            }
        }
        return n;
    }
    // The colour a covered line pixel is drawn in.
    static uint32_t LineColorAt(const LayerObject& layer, int32_t x, int32_t y) {
        const LineColor* c = layer.lineArt->colorList->Slot(testing::RenderedColor(layer, x, y));
        return c ? static_cast<uint32_t>(c->color) : 0xFFFFFFFF;
    }
};

TEST_F(Lettering, TypedTextBecomesLinesOfACaptionLayerInThePaletteColourAtTheClick) {
    Gesture("color 0x0000FF");
    const int32_t layersBefore = stack().Count();
    Place(50, 60);
    EXPECT_EQ(stack().Count(), layersBefore) << "a click alone makes no layer";
    Type("Ab");
    EXPECT_EQ(text().Text(), U"Ab");
    const std::vector<LayerObject*> captions = Captions();
    ASSERT_EQ(captions.size(), 1u);
    const LayerObject& layer = *captions[0];
    EXPECT_EQ(&layer, stack().CurrentLayer());
    // The click is the corner of the line box; the box is a quarter of 1.1 font heights plus a row high.
    EXPECT_EQ(layer.offsetX, 50);
    EXPECT_EQ(layer.offsetY, 60);
    EXPECT_EQ(layer.frame->drawingBuffer->Height(), 1100 * kEm / 1000 + 1);
    // The capital's left wall and the small letter's, not their holes nor above the small letter.
    EXPECT_TRUE(Covered(layer, 7, 20));
    EXPECT_FALSE(Covered(layer, 17, 20));
    EXPECT_TRUE(Covered(layer, 35 + 7, 30));
    EXPECT_FALSE(Covered(layer, 35 + 7, 10));
    EXPECT_EQ(LineColorAt(layer, 7, 20), 0x0000FFu);
    // On the drawing the wall is red pencil, the hole shows the paper.
    const Image24 picture = Picture();
    const uint8_t* wall = picture.Pixel(50 + 7, 60 + 20);
    const uint8_t* hole = picture.Pixel(50 + 17, 60 + 20);
    EXPECT_GT(wall[2], wall[0] + 100);
    EXPECT_LT(std::abs(hole[2] - hole[0]), 40);
}

TEST_F(Lettering, TheUsKeyboardTypesEveryPrintableCharacter) {
    Place(10, 10);
    std::string all;
    for (char c = ' '; c <= '~'; ++c) {
        all += c;
    }
    Type(all);
    EXPECT_EQ(text().Text(), std::u32string(all.begin(), all.end()));
}

TEST_F(Lettering, PunctuationDigitsAndLettersFollowShiftAndCapsLock) {
    // The eleven punctuation keys of a US keyboard, unshifted and shifted.
    const struct {
        uint32_t key;
        char32_t plain, shifted;
    } punctuation[] = {{0xBA, U';', U':'},  {0xBB, U'=', U'+'}, {0xBC, U',', U'<'}, {0xBD, U'-', U'_'},
                       {0xBE, U'.', U'>'},  {0xBF, U'/', U'?'}, {0xC0, U'`', U'~'}, {0xDB, U'[', U'{'},
                       {0xDC, U'\\', U'|'}, {0xDD, U']', U'}'}, {0xDE, U'\'', U'"'}};
    for (const auto& p : punctuation) {
        EXPECT_EQ(TextToolManager::TypedCharacter(p.key, 0), p.plain) << std::hex << p.key;
        EXPECT_EQ(TextToolManager::TypedCharacter(p.key, keys::kShiftFlag), p.shifted) << std::hex << p.key;
    }
    EXPECT_EQ(TextToolManager::TypedCharacter('2', keys::kShiftFlag), U'@');
    EXPECT_EQ(TextToolManager::TypedCharacter('0', keys::kShiftFlag), U')');
    EXPECT_EQ(TextToolManager::TypedCharacter('9', 0), U'9');
    EXPECT_EQ(TextToolManager::TypedCharacter('A', 0), U'a');
    EXPECT_EQ(TextToolManager::TypedCharacter('A', keys::kCapsLockFlag), U'A');
    EXPECT_EQ(TextToolManager::TypedCharacter('A', keys::kShiftFlag), U'A');
    // Caps Lock gives no symbols.
    EXPECT_EQ(TextToolManager::TypedCharacter('2', keys::kCapsLockFlag), U'2');

    // Through the view: Caps Lock A, Shift 2.
    Place(10, 10);
    Key('A', keys::kCapsLockFlag);
    Key('2', keys::kShiftFlag);
    EXPECT_EQ(text().Text(), U"A@");
}

TEST_F(Lettering, ModifierKeysAloneAndUnknownKeysTypeNothing) {
    Place(10, 10);
    // Shift, Ctrl, Alt, Caps Lock and their left and right codes (whose low bits read as a blank and
    // Page Up), a function key.
    for (uint32_t key : {0x10u, 0x11u, 0x12u, 0x14u, 0xA0u, 0xA1u, 0xA2u, 0xA3u, 0xA4u, 0xA5u, 0x70u}) {
        EXPECT_EQ(TextToolManager::TypedCharacter(key, keys::kShiftFlag), 0u) << std::hex << key;
        EXPECT_FALSE(mode().OnKeyDown(key, 1, keys::kShiftFlag)) << std::hex << key;
    }
    EXPECT_TRUE(text().Text().empty());
    EXPECT_TRUE(Captions().empty());
}

TEST_F(Lettering, LetterKeysTypeInsteadOfRunningTheirViewCommands) {
    const ViewSwitches before = workspace->compositor.switches;
    Place(10, 10);
    Gesture("key C\nkey L\nkey M\nkey Z\n");
    EXPECT_EQ(text().Text(), U"clmz");
    EXPECT_EQ(workspace->compositor.switches.showColor, before.showColor);
    EXPECT_EQ(workspace->compositor.switches.showLines, before.showLines);
    EXPECT_EQ(workspace->environmentManager.Current(), &mode());
    // Out of the lettering mode C is "Show Color Areas" again.
    Gesture("tool SelectTool\nkey C\n");
    EXPECT_NE(workspace->compositor.switches.showColor, before.showColor);
}

TEST_F(Lettering, BackspaceTakesTheLastCharacterAndNothingFromAnEmptyText) {
    const int32_t records = undo().UndoCount();
    Place(10, 10);
    EXPECT_FALSE(mode().OnKeyDown(keys::kBack, 1, 0)) << "Backspace is left to the frame";
    EXPECT_TRUE(text().Text().empty());
    EXPECT_TRUE(Captions().empty());
    Type("ab");
    ASSERT_EQ(Captions().size(), 1u);
    const int32_t twoLetters = Occupied(*Captions()[0]);
    Key(keys::kBack);
    EXPECT_EQ(text().Text(), U"a");
    ASSERT_EQ(Captions().size(), 1u);
    EXPECT_LT(Occupied(*Captions()[0]), twoLetters);
    // The emptied text takes its layer and its undo record away.
    Key(keys::kBack);
    Key(keys::kBack);
    EXPECT_TRUE(text().Text().empty());
    EXPECT_TRUE(Captions().empty());
    EXPECT_EQ(undo().UndoCount(), records);
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(Lettering, ASecondTextGetsALayerOfItsOwnAndKeepsTheFirst) {
    Place(20, 20);
    Type("ab");
    ASSERT_EQ(Captions().size(), 1u);
    const std::unique_ptr<LayerObject> first = Copy(*Captions()[0]);
    // A click after an empty text only moves it.
    Place(300, 300);
    Place(20, 200);
    Type("cd");
    const std::vector<LayerObject*> captions = Captions();
    ASSERT_EQ(captions.size(), 2u);
    EXPECT_TRUE(captions[0]->SameAs(*first));
    EXPECT_EQ(captions[1]->offsetY, 200);
    EXPECT_EQ(text().Text(), U"cd");
}

TEST_F(Lettering, OneUndoTakesAWholeTextAwayAndRedoBringsItBack) {
    const int32_t records = undo().UndoCount();
    const int32_t layers = stack().Count();
    Place(20, 20);
    Type("abc");
    EXPECT_EQ(undo().UndoCount(), records + 1);
    const std::unique_ptr<LayerObject> typed = Copy(*Captions()[0]);
    Gesture("command Undo\n");
    EXPECT_EQ(stack().Count(), layers);
    EXPECT_TRUE(Captions().empty());
    Gesture("command Redo\n");
    ASSERT_EQ(Captions().size(), 1u);
    EXPECT_TRUE(Captions()[0]->SameAs(*typed));
}

TEST_F(Lettering, AFamilyWithoutARegularStyleShowsTheMessageAndDrawsNothing) {
    const int32_t records = undo().UndoCount();
    const int32_t layers = stack().Count();
    Gesture(std::string("tool TextTool\npanel Font \"") + HeadlessFontService::kStylelessFamily + "\"\n");
    Place(20, 20);
    Type("ab");
    EXPECT_EQ(ui.LastMessageText(), TextManager::kNoRegularStyle);
    EXPECT_EQ(stack().Count(), layers);
    EXPECT_EQ(undo().UndoCount(), records);
}

TEST_F(Lettering, UpdateGivesTheTextBeingTypedThePanelsSizeAndSpacing) {
    Place(20, 20);
    Type("ab");
    const int32_t records = undo().UndoCount();
    LayerObject& layer = *Captions()[0];
    const int32_t width = layer.frame->drawingBuffer->Width();
    // 24 points: twice the em, twice the box.
    Gesture("panel Size 24\npanel Update\n");
    ASSERT_EQ(Captions().size(), 1u);
    EXPECT_EQ(layer.frame->drawingBuffer->Height(), 1100 * 2 * kEm / 1000 + 1);
    const int32_t doubled = layer.frame->drawingBuffer->Width();
    EXPECT_NEAR(doubled - 1, 2 * (width - 1), 1);
    // Spacing 0 and 1 add nothing; 11 puts a tenth of the em (10 pixels) between the two letters.
    Gesture("panel \"Letter Spacing\" 0\npanel Update\n");
    EXPECT_EQ(layer.frame->drawingBuffer->Width(), doubled);
    Gesture("panel \"Letter Spacing\" 1\npanel Update\n");
    EXPECT_EQ(layer.frame->drawingBuffer->Width(), doubled);
    Gesture("panel \"Letter Spacing\" 11\npanel Update\n");
    EXPECT_EQ(layer.frame->drawingBuffer->Width(), doubled + 2 * kEm / 10);
    EXPECT_EQ(undo().UndoCount(), records) << "the text keeps its one record";
}

TEST_F(Lettering, ANewPaletteColourTakesTheWholeTextAtTheNextKey) {
    Gesture("color 0x0000FF");
    Place(20, 20);
    Type("a");
    const LayerObject& layer = *Captions()[0];
    EXPECT_EQ(LineColorAt(layer, 7, 30), 0x0000FFu);
    Gesture("color 0xFF0000");
    Type("b");
    EXPECT_EQ(LineColorAt(*Captions()[0], 7, 30), 0xFF0000u);
}

TEST_F(Lettering, LeavingTheModeFinishesTheText) {
    Place(20, 20);
    Type("ab");
    const std::unique_ptr<LayerObject> typed = Copy(*Captions()[0]);
    Gesture("tool SelectTool\ntool TextTool\n");
    EXPECT_FALSE(mode().TypingActive());
    Type("cd");
    ASSERT_EQ(Captions().size(), 1u);
    EXPECT_TRUE(Captions()[0]->SameAs(*typed));
}

} // namespace
} // namespace ts
