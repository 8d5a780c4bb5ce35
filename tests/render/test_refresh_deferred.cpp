// A whole recomposite of a drawing larger than the window composites the window's part first and the
// rest afterwards: what the window shows, the drawing's average and, once finished, the whole view
// buffer are those of compositing everything at once.

#include "platform/headless_user_interface.h"
#include "render/refresh_manager.h"
#include "render_test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace ts {
namespace {

constexpr int32_t kWidth = 203; // no multiple of the sampling step or of any vector width
constexpr int32_t kHeight = 149;
constexpr int32_t kClientWidth = 40;
constexpr int32_t kClientHeight = 30;

class PendingRecorder final : public RefreshTarget {
public:
    void CompositingPending() override { ++pending; }
    int pending = 0;
};

// Noisy paint over a part of the layer.
void PaintNoise(LayerObject& layer, int32_t width, int32_t height, uint32_t seed) {
    ObjectColor& c = *layer.color;
    std::vector<uint8_t> row(static_cast<size_t>(width));
    for (RLBuffer* channel : {c.amount.get(), c.blue.get(), c.green.get(), c.red.get()}) {
        for (int32_t y = 0; y < height; ++y) {
            for (int32_t x = 0; x < width; ++x) {
                seed = seed * 1103515245u + 12345u;
                row[static_cast<size_t>(x)] = (x + y) % 5 == 0 ? 0 : static_cast<uint8_t>(seed >> 16);
            }
            channel->PutRow(y, row.data());
        }
    }
}

// The same drawing seen through two views: one refreshed as the program does, one composited whole.
class DeferredRecomposite : public ::testing::Test {
protected:
    DeferredRecomposite()
        : compositor(stack), deferredView(compositor), wholeView(compositor), deferred(deferredView, ui),
          whole(wholeView, ui) {
        testing::AddBackdropAndPaper(stack, kWidth, kHeight);
        auto board = std::make_unique<BMap>();
        board->pixels.Create(7, 5);
        for (int32_t y = 0; y < 5; ++y) {
            for (int32_t x = 0; x < 7; ++x) {
                board->pixels.SetColor(x, y, 0x00A0B0C0u + static_cast<uint32_t>(x * 0x0305 + y * 0x0710));
            }
        }
        stack.Layer(ImageStackManager::kPaperIndex)->image = std::move(board);
        PaintNoise(testing::AddDrawingLayer(stack, 150, 100, -20, 30), 150, 100, 7);
        PaintNoise(testing::AddDrawingLayer(stack, 120, 140, 90, -5), 120, 140, 11);
        whole.SetDeferOutsideView(false);
        deferred.SetTarget(&window);
        for (ViewManager* view : {&deferredView, &wholeView}) {
            view->ResizeDrawing(kWidth, kHeight);
            view->ResizeClient(kClientWidth, kClientHeight);
        }
    }

    void Show(int32_t zoom, int32_t originX, int32_t originY) {
        for (ViewManager* view : {&deferredView, &wholeView}) {
            view->SetZoom(zoom);
            view->SetOrigin(originX, originY);
        }
    }
    void RefreshBoth(bool footprint) {
        for (RefreshManager* r : {&deferred, &whole}) {
            if (footprint) {
                r->MarkStackFootprint();
            } else {
                r->MarkViewportSize();
            }
            r->Refresh("R_OnFileLoad");
        }
    }
    static bool SameRows(const Image24& a, const Image24& b) {
        for (int32_t y = 0; y < a.Height(); ++y) {
            if (std::memcmp(a.Row(y), b.Row(y), static_cast<size_t>(a.Width()) * 3) != 0) {
                return false;
            }
        }
        return a.Width() == b.Width() && a.Height() == b.Height();
    }

    ImageStackManager stack;
    Compositor compositor;
    ViewManager deferredView;
    ViewManager wholeView;
    HeadlessUserInterface ui;
    RefreshManager deferred;
    RefreshManager whole;
    PendingRecorder window;
};

TEST_F(DeferredRecomposite, TheWindowAndTheAverageComeFirstAndTheRestMatchesOnceFinished) {
    const struct {
        int32_t zoom, x, y;
    } views[] = {{1, 50, 40}, {1, -9, -7}, {1, 170, 125}, {4, 33, 61}, {-2, 61, 13}, {-3, -1, 2}};
    for (const auto& v : views) {
        const std::string where =
            "zoom " + std::to_string(v.zoom) + " at " + std::to_string(v.x) + ", " + std::to_string(v.y);
        Show(v.zoom, v.x, v.y);
        RefreshBoth(true);
        EXPECT_TRUE(deferred.CompositingIsPending()) << where;
        EXPECT_TRUE(SameRows(deferredView.Display(), wholeView.Display())) << where;
        EXPECT_EQ(deferred.LastSample().count, whole.LastSample().count) << where;
        for (int b = 0; b < 3; ++b) {
            EXPECT_EQ(deferred.LastSample().sum[b], whole.LastSample().sum[b]) << where;
        }
        deferred.FinishCompositing();
        EXPECT_FALSE(deferred.CompositingIsPending()) << where;
        EXPECT_TRUE(SameRows(deferredView.ViewBuffer(), wholeView.ViewBuffer())) << where;
    }
    EXPECT_EQ(window.pending, 6);
}

// A window that shows nearly all of the drawing gains nothing from waiting: everything at once.
TEST_F(DeferredRecomposite, AWindowShowingTheWholeDrawingCompositesItAtOnce) {
    Show(-8, 0, 0);
    RefreshBoth(true);
    EXPECT_FALSE(deferred.CompositingIsPending());
    EXPECT_EQ(window.pending, 0);
    EXPECT_TRUE(SameRows(deferredView.ViewBuffer(), wholeView.ViewBuffer()));
}

// Panning to the part left waiting shows it composited, and a new whole recomposite drops what the
// last one left: no stale rows of the drawing before it.
TEST_F(DeferredRecomposite, LaterRefreshesFinishTheRestFirstOrStartOver) {
    Show(1, 10, 10);
    RefreshBoth(true);
    ASSERT_TRUE(deferred.CompositingIsPending());
    Show(1, 150, 110);
    RefreshBoth(false);
    EXPECT_FALSE(deferred.CompositingIsPending());
    EXPECT_TRUE(SameRows(deferredView.Display(), wholeView.Display()));

    Show(2, 0, 0);
    RefreshBoth(true);
    ASSERT_TRUE(deferred.CompositingIsPending());
    PaintNoise(*stack.Layer(2), 150, 100, 99); // the drawing changes before the rest was composited
    Show(2, 60, 40);
    RefreshBoth(true);
    deferred.FinishCompositing();
    EXPECT_TRUE(SameRows(deferredView.ViewBuffer(), wholeView.ViewBuffer()));
    EXPECT_TRUE(SameRows(deferredView.Display(), wholeView.Display()));
}

} // namespace
} // namespace ts
