// The paper mode, the backdrop kinds and the custom backdrop, over a headless workspace.

#include "document/drawing_test_support.h"
#include "model/bmap.h"
#include "raster/pixel_tables.h"
#include "render/paper.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

namespace ts {
namespace {

using Px = std::array<uint8_t, 3>;

// A texture of mid-range noise, so that tinting never clamps.
Image24 Noise(int32_t w, int32_t h, uint32_t seed) {
    Image24 image;
    image.Create(w, h);
    for (auto& b : image.Pixels()) {
        seed = seed * 1103515245u + 12345u;
        b = static_cast<uint8_t>(100 + (seed >> 16) % 56);
    }
    return image;
}

Px At(const Image24& image, int32_t x, int32_t y) {
    const uint8_t* p = image.Pixel(x, y);
    return {p[0], p[1], p[2]};
}

class PaperModes : public testing::DrawingTest {
protected:
    PaperModes() {
        NewDrawing("1", "1");
        codec.Put(Folder() + "Canvas1.jpg", Noise(16, 16, 5));
    }
    static std::string Folder() { return std::string(testing::kProgramFolder) + "Textures/Board/"; }
    const Image24& Board() { return stack().Layer(ImageStackManager::kPaperIndex)->image->pixels; }
    PaperManager& paper() { return workspace->paperManager; }
    ViewManager& view() { return workspace->viewManager; }
};

TEST_F(PaperModes, ABoardChangeIsTintedRememberedAndUndone) {
    const uint32_t before = paper().BoardColor();
    paper().ChooseTexture(4);
    paper().ChooseColor(0x00406080);
    ASSERT_TRUE(paper().OnPanelCommand(PaperManager::kPaperCommand));
    EXPECT_EQ(AverageColor(Board()), 0x00406080u);
    EXPECT_EQ(Board().Width(), 16);
    EXPECT_EQ(paper().TextureIndex(), 4);
    int32_t stored = -1;
    EXPECT_TRUE(settings.ReadInt("Settings", "PaperTextureIndex", stored));
    EXPECT_EQ(stored, 4) << "new drawings take the board";
    EXPECT_EQ(refresh().reasons.back(), "R_PaperManager");
    EXPECT_EQ(undo().UndoCount(), 2) << "the blank layer, then the board";

    undo().Undo();
    EXPECT_EQ(paper().TextureIndex(), 0);
    EXPECT_EQ(paper().BoardColor(), before);
    EXPECT_EQ(Board().Width(), 8);
    undo().Redo();
    EXPECT_EQ(paper().TextureIndex(), 4);
    EXPECT_EQ(AverageColor(Board()), 0x00406080u);
}

TEST_F(PaperModes, AnUnreadableTextureLeavesTheBoardAndTheUndoStackAlone) {
    const BMap* board = stack().Layer(ImageStackManager::kPaperIndex)->image.get();
    const int32_t records = undo().UndoCount();
    paper().ChooseTexture(7);
    EXPECT_FALSE(paper().OnPanelCommand(PaperManager::kPaperCommand));
    EXPECT_EQ(stack().Layer(ImageStackManager::kPaperIndex)->image.get(), board);
    EXPECT_EQ(paper().TextureIndex(), 0);
    EXPECT_EQ(undo().UndoCount(), records);
    EXPECT_NE(ui.LastMessageText().find("CoarseWeave1.jpg"), std::string::npos);
}

TEST_F(PaperModes, AmountBoxesRecompositeWithTheirShowThrough) {
    const int marks = refresh().stackFootprintMarks;
    paper().ChooseBackgroundAmount(3);
    paper().ChoosePaintedAmount(9);
    EXPECT_TRUE(paper().OnPanelCommand(PaperManager::kPaintedAmountCommand));
    EXPECT_EQ(workspace->compositor.paper.backgroundAmount, 3);
    EXPECT_EQ(workspace->compositor.paper.paintedAmount, 4) << "clamped to the last item";
    EXPECT_EQ(refresh().stackFootprintMarks, marks + 1);
    EXPECT_FALSE(paper().OnPanelCommand(110));
}

TEST_F(PaperModes, BackdropMenuCommandsSetTheirKindsAndReasons) {
    view().ResizeClient(40, 30);
    EXPECT_TRUE(workspace->RunBackdropCommand(32872));
    EXPECT_EQ(view().BackdropState().kind, Backdrop::kWhite);
    EXPECT_EQ(view().BackdropState().color, 0x00FFFFFFu);
    EXPECT_EQ(refresh().reasons.back(), "R_OnbackgroundWhite");

    // The selected board tiles the board picture from the window's corner.
    EXPECT_TRUE(workspace->RunBackdropCommand(32869));
    EXPECT_EQ(refresh().reasons.back(), "R_OnBackgroundSelectedBoard");
    view().SetOrigin(-20, -10); // the drawing starts inside the window
    view().RebuildClient(Rect{0, 0, 40, 30});
    for (const auto& [x, y] : {std::pair{3, 2}, std::pair{11, 9}, std::pair{19, 29}}) {
        EXPECT_EQ(At(view().Display(), x, y), At(Board(), x % 8, y % 8));
    }
    EXPECT_TRUE(workspace->RunBackdropCommand(32990));
    EXPECT_EQ(view().BackdropState().color, workspace->compositor.PaperAverage());
    EXPECT_FALSE(workspace->RunBackdropCommand(32991));
    EXPECT_EQ(view().BackdropState().kind, Backdrop::kAverageRecomputed);
}

TEST_F(PaperModes, AverageKindsFollowTheSampledDrawingAndCustomColourRemembersTheKind) {
    view().SetBackdropKind(Backdrop::kGreyAverage);
    view().SetDrawingAverage(0x00306090);
    EXPECT_EQ(view().BackdropState().color, 0x00606060u);
    view().SetCustomBackdropColor(0x00010203);
    view().SetCustomBackdropColor(0x00040506);
    EXPECT_EQ(view().BackdropState().kind, Backdrop::kCustomColor);
    EXPECT_EQ(view().BackdropState().previousKind, Backdrop::kGreyAverage);
    view().SetDrawingAverage(0x00FFFFFF);
    EXPECT_EQ(view().BackdropState().color, 0x00040506u) << "a custom colour does not follow the drawing";
}

TEST_F(PaperModes, CustomBackdropTakesTheComplementAndTintsItsTexture) {
    CCustomBackdropManager& custom = workspace->customBackdropManager;
    codec.Put(Folder() + "PaperCoarse1.jpg", Noise(12, 12, 9));
    codec.Put(Folder() + "PaperCoarse.jpg", Noise(10, 10, 3));
    custom.complement = true;
    EXPECT_TRUE(custom.OnPanelCommand(CCustomBackdropManager::kColorCommand, 0x00A09F90));
    EXPECT_EQ(view().BackdropState().kind, Backdrop::kCustomTexture);
    EXPECT_EQ(view().BackdropState().color, 0x005F606Fu);

    custom.ChooseTexture(2);
    EXPECT_TRUE(custom.OnPanelCommand(CCustomBackdropManager::kTextureCommand, 0));
    EXPECT_EQ(view().BackdropBuffer().Picture().Width(), 12);
    EXPECT_EQ(AverageColor(view().BackdropBuffer().Picture()), 0x005F606Fu);
    EXPECT_TRUE(custom.RestoreTexture());
    EXPECT_EQ(view().BackdropBuffer().Picture().Width(), 10) << "the plain variant of the same choice";

    custom.ChooseTexture(4);
    EXPECT_FALSE(custom.OnPanelCommand(CCustomBackdropManager::kTextureCommand, 0));
    EXPECT_EQ(custom.TextureItem(), 2);
    EXPECT_EQ(view().BackdropBuffer().Picture().Width(), 10);
}

TEST_F(PaperModes, EnteringTheCustomBackdropAgainBringsBackItsTexture) {
    CCustomBackdropManager& custom = workspace->customBackdropManager;
    codec.Put(Folder() + "PaperFlannel1.jpg", Noise(12, 12, 9));
    codec.Put(Folder() + "PaperFlannel.jpg", Noise(10, 10, 3));
    ASSERT_TRUE(workspace->RunCommand(cmd::kBackdropBackground));
    EXPECT_NE(view().BackdropState().kind, Backdrop::kCustomTexture) << "nothing chosen yet: no texture";
    custom.ChooseTexture(4);
    ASSERT_TRUE(custom.OnPanelCommand(CCustomBackdropManager::kTextureCommand, 0));
    ASSERT_TRUE(workspace->RunCommand(cmd::kPageBackground)); // another mode
    ASSERT_TRUE(workspace->RunCommand(cmd::kBackdropWhite));
    ASSERT_EQ(view().BackdropState().kind, Backdrop::kWhite);
    ASSERT_TRUE(workspace->RunCommand(cmd::kBackdropBackground));
    EXPECT_EQ(view().BackdropState().kind, Backdrop::kCustomTexture);
    EXPECT_EQ(view().BackdropBuffer().Picture().Width(), 10) << "the plain variant of the last choice";
}

TEST_F(PaperModes, ScreenScaleGrainFollowsTheWindowAndTheAmounts) {
    paper().ChooseTexture(4);
    paper().ChooseColor(0x00808080);
    ASSERT_TRUE(paper().OnPanelCommand(PaperManager::kPaperCommand));
    Image24& buffer = view().ViewBuffer();
    for (int32_t y = 0; y < buffer.Height(); ++y) {
        for (int32_t x = 0; x < buffer.Width(); ++x) {
            buffer.SetColor(x, y, 0x00707070);
        }
    }
    view().PaintedMask().SetBit(5, 4);
    view().ResizeClient(20, 12);
    view().SetOrigin(2, 1);
    view().SetScreenGrain(true);
    workspace->compositor.paper.textureOneToOne = true;
    workspace->compositor.paper.backgroundAmount = 0;
    workspace->compositor.paper.paintedAmount = 2;
    view().RebuildClient(Rect{0, 0, 20, 12});
    const uint32_t average = workspace->compositor.PaperAverage();
    auto grained = [&](int32_t cx, int32_t cy, int32_t index) {
        Px px{};
        const Px g = At(Board(), cx % 16, cy % 16);
        for (int b = 0; b < 3; ++b) {
            const int32_t a = static_cast<int32_t>((average >> (16 - 8 * b)) & 0xFF);
            px[static_cast<size_t>(b)] =
                ClampAdd(0x70, ReduceDeviation(g[static_cast<size_t>(b)] - a, index));
        }
        return px;
    };
    EXPECT_EQ(At(view().Display(), 7, 5), grained(7, 5, 0));
    EXPECT_EQ(At(view().Display(), 17, 9), grained(17, 9, 0));
    EXPECT_EQ(At(view().Display(), 3, 3), (Px{0x70, 0x70, 0x70})) << "at 1:1 a reduction removes the grain";

    // Shrunk, the painted pixel under a client pixel (the last of its block) takes the painted amount.
    view().PaintedMask().SetBit(5, 5);
    view().SetZoom(-2);
    view().SetOrigin(0, 0);
    view().RebuildClient(Rect{0, 0, 20, 12});
    EXPECT_EQ(At(view().Display(), 2, 2), grained(2, 2, 2));
    EXPECT_EQ(At(view().Display(), 1, 1), grained(1, 1, 0));

    view().SetScreenGrain(false);
    view().RebuildClient(Rect{0, 0, 20, 12});
    EXPECT_EQ(At(view().Display(), 1, 1), (Px{0x70, 0x70, 0x70}));
}

} // namespace
} // namespace ts
