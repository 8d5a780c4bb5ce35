#include "platform/headless_user_interface.h"
#include "render/refresh_manager.h"
#include "render_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ts {
namespace {

using testing::Px;

// Records what a refresh asks of the window; optionally asks for another refresh from inside it.
class WindowRecorder final : public RefreshTarget {
public:
    void InvalidateWindow(const Rect& r) override { invalidated.push_back(r); }
    void UpdateWindow() override {
        ++updates;
        Reenter();
    }
    void DrawOverlays() override {
        ++overlays;
        Reenter();
    }
    void RedrawPalette() override { ++palettes; }
    void RedrawBackdrop(const Rect& r) override { backdrops.push_back(r); }
    void Reenter() {
        if (reenter) {
            reenter->Refresh("R_OnDraw");
        }
    }

    std::vector<Rect> invalidated;
    std::vector<Rect> backdrops;
    int updates = 0;
    int overlays = 0;
    int palettes = 0;
    RefreshManager* reenter = nullptr;
};

class Refreshing : public testing::CompositorFixture {
protected:
    Refreshing() : view(compositor), refresh(view, ui) {
        view.ResizeDrawing(testing::kDrawingWidth, testing::kDrawingHeight);
        view.ResizeClient(40, 30);
        refresh.SetTarget(&window);
    }
    static Px PixelOf(const Image24& image, int32_t x, int32_t y) {
        const uint8_t* p = image.Pixel(x, y);
        return {p[0], p[1], p[2]};
    }
    Px ViewPixel(int32_t x, int32_t y) { return PixelOf(view.ViewBuffer(), x, y); }
    Px ClientPixel(int32_t x, int32_t y) { return PixelOf(view.Display(), x, y); }

    ViewManager view;
    HeadlessUserInterface ui;
    RefreshManager refresh;
    WindowRecorder window;
};

TEST_F(Refreshing, WithoutFlagsOnlyInvalidates) {
    refresh.Refresh("R_OnDraw");
    EXPECT_EQ(window.invalidated.size(), 1u);
    EXPECT_EQ(window.updates + window.overlays + window.palettes, 0);
    EXPECT_EQ(ViewPixel(0, 0), (Px{0, 0, 0})) << "nothing was composited";
    EXPECT_EQ(ui.WaitCursorShows(), 0);
    EXPECT_EQ(refresh.Reasons(), std::vector<std::string>{"R_OnDraw"});
}

TEST_F(Refreshing, WholeDrawingIsHeavyAndComposites) {
    refresh.MarkViewContents(Rect{-5, -5, 100, 100});
    EXPECT_TRUE(refresh.Heavy());
    EXPECT_EQ(refresh.DirtyRect(), (Rect{0, 0, testing::kDrawingWidth, testing::kDrawingHeight}));
    refresh.Refresh("R_BlendSurface");
    EXPECT_EQ(ui.WaitCursorShows(), 1);
    EXPECT_FALSE(ui.WaitCursorShown());
    EXPECT_EQ(window.updates, 1);
    EXPECT_EQ(window.palettes, 1);
    EXPECT_EQ(window.overlays, 1);
    EXPECT_EQ(ViewPixel(7, 6), Board(7, 6));
    EXPECT_EQ(ClientPixel(7, 6), Board(7, 6));
    EXPECT_EQ(refresh.Flags(), 0u);
    EXPECT_FALSE(refresh.Heavy());
    EXPECT_TRUE(refresh.DirtyRect().IsEmpty());
}

TEST_F(Refreshing, PartOfTheDrawingIsLightAndCompositesOnlyThatPart) {
    refresh.MarkViewContents(Rect{2, 1, 4, 3});
    refresh.MarkViewContents(Rect{3, 2, 6, 4});
    EXPECT_FALSE(refresh.Heavy());
    EXPECT_EQ(refresh.DirtyRect(), (Rect{2, 1, 6, 4}));
    refresh.Refresh("R_RedrawAreaUnderBrush");
    EXPECT_EQ(ui.WaitCursorShows() + window.updates + window.palettes, 0);
    EXPECT_EQ(ViewPixel(5, 3), Board(5, 3));
    EXPECT_EQ(ViewPixel(6, 3), (Px{0, 0, 0}));
    EXPECT_EQ(ClientPixel(5, 3), Board(5, 3));
}

TEST_F(Refreshing, ChangedPartIsShownAtTheZoom) {
    view.SetZoom(4);
    refresh.MarkViewContents(Rect{2, 1, 4, 3});
    refresh.Refresh("R_RedrawAreaUnderBrush");
    EXPECT_EQ(ClientPixel(15, 11), Board(3, 2));
    view.SetZoom(-2);
    refresh.MarkViewContents(Rect{7, 4, 10, 6});
    refresh.Refresh("R_RedrawAreaUnderBrush");
    Px average;
    for (size_t b = 0; b < 3; ++b) {
        const uint32_t sum = Board(8, 4)[b] + Board(9, 4)[b] + Board(8, 5)[b] + Board(9, 5)[b];
        average[b] = static_cast<uint8_t>((sum * 16384) >> 16);
    }
    EXPECT_EQ(ClientPixel(4, 2), average) << "drawing pixels 8 and 9 of rows 4 and 5";
}

TEST_F(Refreshing, ClientAndBackdropHeightsDecideHeavy) {
    const struct {
        int32_t height;
        bool heavy;
    } clients[] = {{199, false}, {200, true}, {1, false}, {0, true}};
    for (const auto& c : clients) {
        refresh.MarkClientArea(Rect{0, 0, 10, c.height});
        EXPECT_EQ(refresh.Heavy(), c.heavy) << "client area of " << c.height << " rows";
    }
    refresh.Refresh("R_OnDraw");
    refresh.MarkBackdrop(Rect{0, 0, 10, 200});
    EXPECT_FALSE(refresh.Heavy());
    refresh.MarkBackdrop(Rect{0, 0, 10, 201});
    EXPECT_TRUE(refresh.Heavy());
    refresh.Refresh("R_OnBackgroundSystem");
    EXPECT_EQ(window.backdrops, std::vector<Rect>{(Rect{0, 0, 10, 201})});
}

TEST_F(Refreshing, KeepsTheLastThirtyTwoReasons) {
    std::vector<std::string> expected;
    for (int i = 0; i < 40; ++i) {
        refresh.Refresh("R_" + std::to_string(i));
        if (i >= 8) {
            expected.push_back("R_" + std::to_string(i));
        }
    }
    EXPECT_EQ(refresh.Reasons(), expected);
}

TEST_F(Refreshing, RefreshFromInsideARefreshIsIgnored) {
    window.reenter = &refresh;
    refresh.MarkStackFootprint();
    refresh.MarkViewContents(Rect{0, 0, testing::kDrawingWidth, testing::kDrawingHeight});
    refresh.Refresh("R_SaveDrawing");
    EXPECT_EQ(refresh.Reasons(), std::vector<std::string>{"R_SaveDrawing"});
    EXPECT_EQ(window.updates + window.overlays, 2);
    EXPECT_EQ(ui.WaitCursorShows(), 1);
    window.reenter = nullptr;
    refresh.Refresh("R_OnDraw");
    EXPECT_EQ(refresh.Reasons().back(), "R_OnDraw") << "no longer busy";
}

TEST_F(Refreshing, ViewportRectangleIsGrownByOneAndCopiedGrownByFive) {
    refresh.MarkViewportContents(Rect{10, 10, 20, 20});
    refresh.Refresh("R_DoPan");
    EXPECT_EQ(window.invalidated.back(), (Rect{4, 4, 26, 26}));
    refresh.MarkViewportContents(Rect{0, 0, 5, 5});
    refresh.Refresh("R_DoPan");
    EXPECT_EQ(window.invalidated.back(), (Rect{0, 0, 11, 11})) << "clipped to the client area";
}

TEST_F(Refreshing, AViewportRectangleMarkedWithAViewRectangleIsRebuiltToo) {
    refresh.MarkViewContents(Rect{0, 0, 16, 8});
    refresh.Refresh("R_OnDraw");
    // A tool changes the view buffer at (12, 6) and asks for that part of the viewport, while a
    // stroke marks a drawing pixel far away.
    view.ViewBuffer().SetColor(12, 6, 0x00010203);
    refresh.MarkViewportContents(Rect{12, 6, 13, 7});
    refresh.MarkViewContents(Rect{0, 0, 1, 1});
    refresh.Refresh("R_RedrawAreaUnderBrush");
    EXPECT_EQ(ClientPixel(12, 6), (Px{1, 2, 3}));
}

TEST_F(Refreshing, StackFootprintRecompositesAllAndSamplesTheAverage) {
    refresh.MarkStackFootprint();
    EXPECT_EQ(refresh.Flags(), uint32_t{RefreshManager::kStackFootprint | RefreshManager::kViewportSize});
    refresh.Refresh("R_SetSurfaceVisibility");
    EXPECT_EQ(ViewPixel(15, 7), Board(15, 7));
    EXPECT_EQ(ClientPixel(39, 29), testing::Bgr(view.BackdropState().color));
    EXPECT_EQ(refresh.LastSample().count, 8u) << "rows 0 and 4, columns 0, 4, 8 and 12";
}

} // namespace
} // namespace ts
