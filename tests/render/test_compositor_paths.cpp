// The compositor's fast paths (vector kernels, spans read from the run codes, bands of rows drawn a
// layer at a time) against the plain per-pixel arithmetic.

#include "model/layer_test_support.h"
#include "raster/pixel_tables.h"
#include "reference_compositor.h"
#include "render/compositor.h"
#include "render/compositor_kernels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace ts {
namespace {

using Bytes = std::vector<uint8_t>;

// Runs the body with the vector kernels and with the plain loops.
template <class F> void BothPaths(F body) {
    for (const bool vectors : {true, false}) {
        SCOPED_TRACE(vectors ? "vector kernels" : "plain loops");
        const bool previous = kernels::UseVectors(vectors);
        body();
        kernels::UseVectors(previous);
    }
}

uint8_t Over(uint8_t s, uint8_t c, uint8_t o) {
    return static_cast<uint8_t>(std::min(255, Mul8(s, c) + Mul8(static_cast<uint8_t>(255 - s), o)));
}

TEST(CompositorKernels, BlendsGiveTheProductTableForEveryPair) {
    // Pixel i blends colour i % 256 with amount i / 256: over black every mul(s, c), and a black colour
    // over every underlying o gives every mul(255 - s, o).
    constexpr size_t kPairs = 256 * 256;
    Bytes amount(kPairs + kernels::kSlack);
    Bytes value(kPairs + kernels::kSlack);
    for (size_t i = 0; i < kPairs; ++i) {
        amount[i] = static_cast<uint8_t>(i / 256);
        value[i] = static_cast<uint8_t>(i % 256);
    }
    const Bytes zero(kPairs + kernels::kSlack, 0);
    BothPaths([&] {
        for (const bool overBlack : {true, false}) {
            Bytes planes[3] = {overBlack ? zero : value, overBlack ? zero : value, overBlack ? zero : value};
            uint8_t* out[3] = {planes[0].data(), planes[1].data(), planes[2].data()};
            kernels::Colours colour;
            for (int b = 0; b < 3; ++b) {
                colour.plane[b] = overBlack ? value.data() : zero.data();
            }
            kernels::BlendColour(amount.data(), colour, out, kPairs, false);
            int wrong = 0;
            for (size_t i = 0; i < kPairs; ++i) {
                const auto s = static_cast<uint8_t>(i / 256);
                const uint8_t expected = Over(s, overBlack ? value[i] : 0, overBlack ? 0 : value[i]);
                for (int b = 0; b < 3; ++b) {
                    wrong += planes[b][i] != expected;
                }
            }
            EXPECT_EQ(wrong, 0) << (overBlack ? "colour over black" : "black over colour");
        }
    });
}

// Random runs of pencil: amounts with gaps, colours varied or one value, deviations both ways, dimmed
// or not, marked from any bit position. Pixels past the run and bits outside it stay as they were.
TEST(CompositorKernels, RandomPencilRunsMatchThePlainArithmetic) {
    std::mt19937 rng(4242);
    BothPaths([&] {
        for (int trial = 0; trial < 300; ++trial) {
            const size_t n = 1 + rng() % 150;
            const size_t room = n + kernels::kSlack;
            Bytes amount(room);
            for (size_t i = 0; i < n; ++i) {
                amount[i] = rng() % 4 == 0 ? 0 : static_cast<uint8_t>(rng());
            }
            for (size_t i = n; i < room; ++i) {
                amount[i] = static_cast<uint8_t>(rng()); // not part of the run
            }
            Bytes colours[3];
            Bytes up[3];
            Bytes down[3];
            Bytes planes[3];
            kernels::Colours colour;
            kernels::Deviations deviation;
            for (int b = 0; b < 3; ++b) {
                colour.uniform[b] = rng() % 2 == 0;
                colours[b].resize(room);
                for (auto& v : colours[b]) {
                    v = static_cast<uint8_t>(rng());
                }
                if (colour.uniform[b]) {
                    std::fill(colours[b].begin(), colours[b].end(), colours[b][0]);
                }
                colour.plane[b] = colours[b].data();
                up[b].assign(room, 0);
                down[b].assign(room, 0);
                for (size_t i = 0; i < room; ++i) {
                    const int d = static_cast<int>(rng() % 511) - 255;
                    (d > 0 ? up[b] : down[b])[i] = static_cast<uint8_t>(std::abs(d));
                }
                deviation.up[b] = up[b].data();
                deviation.down[b] = down[b].data();
                planes[b].resize(room);
                for (auto& v : planes[b]) {
                    v = static_cast<uint8_t>(rng());
                }
            }
            const bool dimmed = rng() % 3 == 0;
            const bool pencil = rng() % 2 == 0;
            std::vector<uint32_t> words(12, 0x5A5A5A5Au);
            const auto x0 = static_cast<int32_t>(rng() % 64);
            Bytes expected[3] = {planes[0], planes[1], planes[2]};
            std::vector<uint32_t> expectedWords = words;
            for (size_t i = 0; i < n; ++i) {
                if (amount[i] == 0) {
                    continue;
                }
                const auto s = static_cast<uint8_t>(dimmed ? amount[i] / 4 : amount[i]);
                for (int b = 0; b < 3; ++b) {
                    const uint8_t c = pencil ? ClampAdd(colours[b][i], up[b][i] - down[b][i]) : colours[b][i];
                    expected[b][i] = Over(s, c, expected[b][i]);
                }
                const auto x = x0 + static_cast<int32_t>(i);
                expectedWords[static_cast<size_t>(x >> 5)] |= uint32_t{1} << (x & 31);
            }
            uint8_t* out[3] = {planes[0].data(), planes[1].data(), planes[2].data()};
            const kernels::Marks marks{words.data(), x0};
            if (pencil) {
                kernels::BlendPencil(amount.data(), colour, deviation, out, n, dimmed, marks);
            } else {
                kernels::BlendColour(amount.data(), colour, out, n, dimmed, marks);
            }
            for (int b = 0; b < 3; ++b) {
                ASSERT_EQ(planes[b], expected[b]) << "trial " << trial << " plane " << b << " n " << n;
            }
            ASSERT_EQ(words, expectedWords) << "trial " << trial;
        }
    });
}

// The colours of non-pencil appearances at lengths around the vector width: the pencil colour moved by
// the paper's deviation from its average (clamped), the paper itself, black, and the share's blend of
// the two, over a board row or a flat paper; nothing is written before the run.
TEST(CompositorKernels, MixedAppearanceColoursMatchThePlainArithmetic) {
    std::mt19937 rng(515);
    using kernels::Mix;
    BothPaths([&] {
        for (const size_t n : {1u, 2u, 15u, 31u, 32u, 33u, 64u, 95u, 130u}) {
            for (const Mix mix : {Mix::kPencil, Mix::kPaper, Mix::kBlack, Mix::kBlend}) {
                const size_t room = n + kernels::kSlack;
                Bytes pencil[3];
                Bytes board[3];
                Bytes out[3];
                kernels::Colours colour;
                kernels::Colours paper;
                const uint8_t average[3] = {static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()), 128};
                const auto share = static_cast<uint8_t>(n == 1 ? 255 : n == 2 ? 0 : rng());
                for (int b = 0; b < 3; ++b) {
                    pencil[b].resize(room);
                    board[b].resize(room);
                    for (size_t i = 0; i < room; ++i) {
                        pencil[b][i] = static_cast<uint8_t>(rng());
                        board[b][i] = static_cast<uint8_t>(rng());
                    }
                    colour.uniform[b] = rng() % 3 == 0;
                    paper.uniform[b] = rng() % 3 == 0;
                    for (auto [bytes, uniform] :
                         {std::pair{&pencil[b], colour.uniform[b]}, std::pair{&board[b], paper.uniform[b]}}) {
                        if (uniform) {
                            std::fill(bytes->begin(), bytes->end(), (*bytes)[0]);
                        }
                    }
                    colour.plane[b] = pencil[b].data();
                    paper.plane[b] = board[b].data();
                    out[b].assign(room + 1, 0xEE);
                }
                uint8_t* dest[3] = {out[0].data() + 1, out[1].data() + 1, out[2].data() + 1};
                kernels::MixColours(mix, share, colour, paper, average, dest, n);
                for (int b = 0; b < 3; ++b) {
                    ASSERT_EQ(out[b][0], 0xEE) << "wrote before the run";
                    for (size_t i = 0; i < n; ++i) {
                        const uint8_t p = board[b][i];
                        const uint8_t grained = ClampAdd(pencil[b][i], p - average[b]);
                        const uint8_t expected = mix == Mix::kPencil  ? grained
                                                 : mix == Mix::kPaper ? p
                                                 : mix == Mix::kBlack ? 0
                                                                      : Over(share, grained, p);
                        ASSERT_EQ(out[b][i + 1], expected)
                            << "n " << n << " mix " << int(mix) << " plane " << b << " pixel " << i;
                    }
                }
            }
        }
    });
}

TEST(CompositorKernels, PlanesAndPixelsConvertBothWaysAtAnyLengthAndPlace) {
    std::mt19937 rng(99);
    BothPaths([&] {
        for (const size_t n : {1u, 15u, 16u, 17u, 47u, 48u, 100u, 1001u}) {
            for (const bool stream : {false, true}) {
                for (size_t shift = 0; shift < 3; ++shift) {
                    Bytes pixels(n * 3 + 64);
                    for (auto& v : pixels) {
                        v = static_cast<uint8_t>(rng());
                    }
                    const Bytes original = pixels;
                    Bytes planes[3] = {Bytes(n + kernels::kSlack), Bytes(n + kernels::kSlack),
                                       Bytes(n + kernels::kSlack)};
                    uint8_t* p[3] = {planes[0].data(), planes[1].data(), planes[2].data()};
                    kernels::Deinterleave(pixels.data() + shift, n, p);
                    for (size_t i = 0; i < n * 3; ++i) {
                        ASSERT_EQ(planes[i % 3][i / 3], pixels[shift + i]) << "byte " << i;
                    }
                    Bytes back(n * 3 + 64, 0xEE);
                    const uint8_t* q[3] = {planes[0].data(), planes[1].data(), planes[2].data()};
                    kernels::Interleave(q, n, back.data() + 7 + shift, stream);
                    EXPECT_TRUE(std::equal(back.begin() + 7 + static_cast<ptrdiff_t>(shift),
                                           back.begin() + 7 + static_cast<ptrdiff_t>(shift + 3 * n),
                                           original.begin() + static_cast<ptrdiff_t>(shift)))
                        << "n " << n;
                    EXPECT_EQ(back[6 + shift], 0xEE);
                    EXPECT_EQ(back[7 + shift + 3 * n], 0xEE) << "wrote past the pixels";
                }
            }
        }
    });
}

// ---- Whole stacks against the plain loop ----

// A row of runs as painting leaves them: stretches of one value (often the background), noise, and
// ramps; `background` is the value between strokes.
Bytes PaintedRow(std::mt19937& rng, size_t length, uint8_t background, int values) {
    Bytes row;
    while (row.size() < length) {
        const size_t n = std::min<size_t>(1 + rng() % 70, length - row.size());
        switch (rng() % 4) {
        case 0:
        case 1:
            row.insert(row.end(), n, background);
            break;
        case 2:
            row.insert(row.end(), n, static_cast<uint8_t>(rng() % static_cast<uint32_t>(values)));
            break;
        default:
            for (size_t i = 0; i < n; ++i) {
                row.push_back(static_cast<uint8_t>(rng() % static_cast<uint32_t>(values)));
            }
            break;
        }
    }
    return row;
}

void FillRows(std::mt19937& rng, RLBuffer& buffer, uint8_t background, int values, int flatEvery) {
    const auto length = static_cast<size_t>(buffer.RawRowLength());
    for (int32_t y = 0; y < buffer.Height(); ++y) {
        const bool flat = rng() % static_cast<uint32_t>(flatEvery) == 0;
        const Bytes row = flat ? Bytes(length, static_cast<uint8_t>(rng() % 2 ? background : rng() % values))
                               : PaintedRow(rng, length, background, values);
        buffer.PutRow(y, row.data());
    }
}

void RandomLayer(std::mt19937& rng, ImageStackManager& stack, int32_t drawingWidth, int32_t drawingHeight) {
    const auto width = static_cast<int32_t>(20 + rng() % static_cast<uint32_t>(drawingWidth));
    const auto height = static_cast<int32_t>(1 + rng() % static_cast<uint32_t>(drawingHeight + 4));
    LayerObject& layer = testing::AddDrawingLayer(stack, width, height, static_cast<int32_t>(rng() % 41) - 20,
                                                  static_cast<int32_t>(rng() % 9) - 4);
    layer.dimmed = rng() % 4 == 0;
    layer.hidden = rng() % 8 == 0;
    layer.visibility = rng() % 6 == 0 ? static_cast<int32_t>(rng() % 8) : layer.visibility;
    ObjectColor& color = *layer.color;
    FillRows(rng, *color.amount, 0, 256, 5);
    FillRows(rng, *color.appearance, 0, rng() % 2 ? 1 : 16, 2);
    for (RLBuffer* channel : {color.blue.get(), color.green.get(), color.red.get()}) {
        FillRows(rng, *channel, static_cast<uint8_t>(rng()), 256, 2);
    }
    color.appearances.Clear();
    for (int slot = 0; slot < 16; ++slot) {
        if (rng() % 5 != 0) {
            CColorAppearance a;
            a.reference = static_cast<int32_t>(rng() % 16) - 1;
            a.p1 = static_cast<uint8_t>(rng());
            color.appearances.Set(slot, a);
        }
    }
    if (rng() % 2) {
        layer.shadow = std::make_unique<ObjectShadow>();
        layer.shadow->Create(width, height);
        FillRows(rng, *layer.shadow->lighting, 128, 256, 3);
        FillRows(rng, *layer.shadow->appearanceIndex, 0, 8, 2);
        for (int slot = 0; slot < 8; ++slot) {
            layer.shadow->appearances.Set(slot, ShadowAppearance{static_cast<int32_t>(rng() & 0xFFFFFF),
                                                                 static_cast<int32_t>(rng() & 0xFFFFFF)});
        }
        for (auto& level : layer.lightingRamp) {
            level = static_cast<uint32_t>(rng());
        }
    }
    if (rng() % 2) {
        layer.lineArt = std::make_unique<ObjectLineArt>();
        layer.lineArt->Create(width, height);
        FillRows(rng, *layer.lineArt->lineBuffer, 0, 256, 3);
        FillRows(rng, *layer.lineArt->refreshAppearance, 0, 4, 2);
        for (int slot = 0; slot < 4; ++slot) {
            layer.lineArt->colorList->Set(
                slot, LineColor{static_cast<int32_t>(rng() & 0xFFFFFF), static_cast<uint8_t>(rng())});
        }
    }
}

void RandomStack(std::mt19937& rng, ImageStackManager& stack, Compositor& compositor, int32_t width,
                 int32_t height) {
    testing::AddBackdropAndPaper(stack, width, height);
    if (rng() % 5 != 0) {
        auto board = std::make_unique<BMap>();
        board->pixels.Create(static_cast<int32_t>(1 + rng() % 300), static_cast<int32_t>(1 + rng() % 20));
        const uint8_t base = static_cast<uint8_t>(rng() % 200);
        for (auto& b : board->pixels.Pixels()) {
            b = static_cast<uint8_t>(base + rng() % 56);
        }
        stack.Layer(ImageStackManager::kPaperIndex)->image = std::move(board);
    }
    const int layers = 1 + static_cast<int>(rng() % 4);
    for (int i = 0; i < layers; ++i) {
        RandomLayer(rng, stack, width, height);
    }
    compositor.PaperChanged();
    compositor.paper.paintedAmount = static_cast<int32_t>(rng() % 5);
    compositor.paper.textureOneToOne = rng() % 5 == 0;
    compositor.switches =
        ViewSwitches{rng() % 6 != 0, rng() % 4 != 0, rng() % 4 != 0, rng() % 6 == 0, rng() % 3 == 0};
    if (rng() % 2) {
        Image24 grain;
        grain.Create(7, 5);
        for (auto& b : grain.Pixels()) {
            b = static_cast<uint8_t>(rng());
        }
        compositor.SetGrainMask(Compositor::BuildGrainMask(grain));
    }
}

struct Target {
    Image24 pixels;
    FastBitonalMask painted;
    UnderPixelManager under;
    AverageSampler sampler;

    Target(int32_t width, int32_t height) {
        pixels.Create(width, height);
        painted.Resize(width, height);
        under.Create(width, height);
    }
};

void ExpectSame(Target& fast, Target& plain, const std::string& what) {
    const int32_t w = fast.pixels.Width();
    for (int32_t y = 0; y < fast.pixels.Height(); ++y) {
        const auto differ =
            std::mismatch(fast.pixels.Row(y), fast.pixels.Row(y) + w * 3, plain.pixels.Row(y));
        ASSERT_TRUE(differ.first == fast.pixels.Row(y) + w * 3)
            << "byte " << differ.first - fast.pixels.Row(y) << ": " << int{*differ.first} << " instead of "
            << int{*differ.second} << ", " << what << ", row " << y;
        fast.under.LoadRow(y);
        plain.under.LoadRow(y);
        for (int32_t x = 0; x < w; ++x) {
            ASSERT_EQ(fast.painted.TestBit(x, y), plain.painted.TestBit(x, y))
                << what << ", painted " << x << ", " << y;
            ASSERT_EQ(fast.under.Has(x), plain.under.Has(x)) << what << ", line pixel " << x << ", " << y;
            if (plain.under.Has(x)) {
                const uint8_t* a = fast.under.Element(x);
                const uint8_t* b = plain.under.Element(x);
                ASSERT_TRUE(std::equal(a, a + UnderPixelManager::kElementSize, b))
                    << what << ", element " << x << ", " << y;
            }
        }
    }
    EXPECT_EQ(fast.sampler.count, plain.sampler.count) << what;
    EXPECT_TRUE(std::equal(fast.sampler.sum, fast.sampler.sum + 3, plain.sampler.sum)) << what;
}

// Rows top .. top + rows, columns first .. first + count, through the compositor's fast paths into
// fast and through the plain loop into plain; with lines the line pixels too, with samples the samples.
void CompositeBoth(Compositor& compositor, testing::ReferenceCompositor& reference, Target& fast,
                   Target& plain, int32_t top, int32_t rows, int32_t first, int32_t count, bool lines,
                   bool samples) {
    compositor.CompositeRows(top, rows, first, count, fast.pixels.Pixel(first, top),
                             static_cast<size_t>(fast.pixels.Stride()), &fast.painted,
                             lines ? &fast.under : nullptr, samples ? &fast.sampler : nullptr);
    for (int32_t y = top; y < top + rows; ++y) {
        reference.CompositeRow(y, first, count, plain.pixels.Pixel(first, y), &plain.painted,
                               lines ? &plain.under : nullptr, samples ? &plain.sampler : nullptr);
    }
}

// Whole drawings in bands and single rows, parts of rows, with every kind of layer content, through
// the fast paths and through the plain loop: the same pixels, painted bits, line pixels and samples.
TEST(CompositorPaths, RandomStacksCompositeLikeThePlainLoop) {
    std::mt19937 rng(20250612);
    for (int trial = 0; trial < 24; ++trial) {
        SCOPED_TRACE("trial " + std::to_string(trial));
        const auto width = static_cast<int32_t>(8 + rng() % 700);
        const auto height = static_cast<int32_t>(1 + rng() % 24);
        ImageStackManager stack;
        Compositor compositor(stack);
        RandomStack(rng, stack, compositor, width, height);
        testing::ReferenceCompositor reference(stack, compositor);
        BothPaths([&] {
            Target fast(width, height);
            Target plain(width, height);
            CompositeBoth(compositor, reference, fast, plain, 0, height, 0, width, true, true);
            ExpectSame(fast, plain, "whole drawing");
            // Parts of rows over what is there, as brush strokes recomposite.
            for (int part = 0; part < 4; ++part) {
                const auto first = static_cast<int32_t>(rng() % static_cast<uint32_t>(width));
                const auto count = static_cast<int32_t>(1 + rng() % static_cast<uint32_t>(width - first));
                const auto top = static_cast<int32_t>(rng() % static_cast<uint32_t>(height));
                const auto rows = static_cast<int32_t>(1 + rng() % static_cast<uint32_t>(height - top));
                CompositeBoth(compositor, reference, fast, plain, top, rows, first, count, true, false);
                ExpectSame(fast, plain, "part " + std::to_string(part));
            }
        });
    }
}

// Runs of one appearance, of every kind the compositor paints, from one pixel long to longer than the
// board tile, so that runs start and end at every vector lane and cross the tile's end; composited
// whole and in parts starting at odd columns (one pixel wide among them), over a board and over flat
// paper, with the opacity shown and not: the plain loop's pixels and painted bits.
TEST(CompositorPaths, AppearanceRunsCompositeLikeThePlainLoop) {
    constexpr int32_t kWidth = 1237;
    constexpr int32_t kHeight = 3;
    ImageStackManager stack;
    Compositor compositor(stack);
    testing::AddBackdropAndPaper(stack, kWidth, kHeight);
    auto board = std::make_unique<BMap>();
    board->pixels.Create(301, 2); // tiled to 602 pixels
    std::mt19937 rng(31);
    for (auto& b : board->pixels.Pixels()) {
        b = static_cast<uint8_t>(100 + rng() % 156);
    }
    stack.Layer(ImageStackManager::kPaperIndex)->image = std::move(board);
    LayerObject& layer = testing::AddDrawingLayer(stack, kWidth - 3, kHeight, 3, 0);
    ObjectColor& color = *layer.color;
    color.appearances.Clear();
    // Slot 5 stays empty (plain pencil); the others: pencil, opaque paper, paper, a blend, a blend of
    // papers, a textured type.
    const int32_t types[] = {0, 1, 2, 4, -1, 10, 14};
    for (int slot = 0; slot < 7; ++slot) {
        if (slot != 5) {
            color.appearances.Set(slot, CColorAppearance{types[slot], static_cast<uint8_t>(40 * slot + 7)});
        }
    }
    const size_t lengths[] = {1, 2, 31, 33, 64, 17, 700, 3, 32, 16};
    for (int32_t y = 0; y < kHeight; ++y) {
        Bytes amount(kWidth - 3);
        Bytes appearance(kWidth - 3);
        Bytes channel[3] = {Bytes(kWidth - 3), Bytes(kWidth - 3), Bytes(kWidth - 3)};
        size_t k = static_cast<size_t>(y);
        for (size_t x = 0; x < amount.size(); ++k) {
            const size_t end = std::min(amount.size(), x + lengths[k % 10]);
            std::fill(appearance.begin() + static_cast<ptrdiff_t>(x),
                      appearance.begin() + static_cast<ptrdiff_t>(end), static_cast<uint8_t>(k % 7));
            x = end;
        }
        for (size_t x = 0; x < amount.size(); ++x) {
            amount[x] = x % 97 < 5 ? 0 : static_cast<uint8_t>(rng());
            for (auto& c : channel) {
                c[x] = static_cast<uint8_t>(x / 50 * 37 + rng() % 3);
            }
        }
        color.amount->PutRow(y, amount.data());
        color.appearance->PutRow(y, appearance.data());
        color.blue->PutRow(y, channel[0].data());
        color.green->PutRow(y, channel[1].data());
        color.red->PutRow(y, channel[2].data());
    }
    compositor.PaperChanged();
    compositor.switches.showLines = false;
    BothPaths([&] {
        for (const bool flat : {false, true}) {
            for (const bool opacity : {false, true}) {
                compositor.paper.textureOneToOne = flat;
                compositor.switches.showOpacity = opacity;
                compositor.paper.paintedAmount = opacity ? 2 : 0;
                testing::ReferenceCompositor reference(stack, compositor);
                Target fast(kWidth, kHeight);
                Target plain(kWidth, kHeight);
                const std::string what =
                    std::string(flat ? "flat paper" : "board") + (opacity ? ", opacity shown" : "");
                CompositeBoth(compositor, reference, fast, plain, 0, kHeight, 0, kWidth, false, true);
                ExpectSame(fast, plain, what);
                for (const auto& [first, count] : {std::pair{1, 1}, std::pair{5, 1}, std::pair{33, 601},
                                                   std::pair{603, 634}, std::pair{611, 17}}) {
                    CompositeBoth(compositor, reference, fast, plain, 0, kHeight, first, count, false, false);
                    ExpectSame(fast, plain, what + ", part from " + std::to_string(first));
                }
            }
        }
    });
}

// Strokes as painting leaves them: pencil in patches of ellipses, the colour under a patch one value
// (changing inside it, reaching past its edges or ending short of them), appearances in blocks of
// plain and other kinds, and a noisy colour now and then that has too many runs to be read as runs.
void StrokeLayer(std::mt19937& rng, ImageStackManager& stack, int32_t width, int32_t height) {
    const auto w = static_cast<int32_t>(width - rng() % 7);
    LayerObject& layer = testing::AddDrawingLayer(stack, w, height, static_cast<int32_t>(rng() % 5) - 2, 0);
    layer.dimmed = rng() % 5 == 0;
    layer.hidden = rng() % 7 == 0;
    ObjectColor& color = *layer.color;
    color.appearances.Clear();
    color.appearances.Set(1, CColorAppearance{0, 0});
    color.appearances.Set(2, CColorAppearance{4, 90});
    color.appearances.Set(3, CColorAppearance{1, 0});
    const auto size = static_cast<size_t>(w);
    const double cx = w * (0.2 + 0.6 * (rng() % 100) / 100.0);
    const double rx = w * (0.1 + 0.4 * (rng() % 100) / 100.0);
    const int32_t split = static_cast<int32_t>(rng() % size);
    const int32_t reach = static_cast<int32_t>(rng() % 9) - 4;
    for (int32_t y = 0; y < height; ++y) {
        Bytes amount(size, 0);
        Bytes appearance(size, 0);
        Bytes channel[3] = {Bytes(size, 255), Bytes(size, 255), Bytes(size, 255)};
        const double dy = (y - height / 2.0) / (height / 2.0 + 1);
        const double half = rx * std::sqrt(std::max(0.0, 1 - dy * dy));
        const auto x0 = static_cast<int32_t>(cx - half);
        const auto x1 = static_cast<int32_t>(cx + half);
        const bool noisy = rng() % 6 == 0;
        for (int32_t x = std::max(0, x0 - reach); x < std::min(w, x1 + reach); ++x) {
            const auto i = static_cast<size_t>(x);
            for (size_t b = 0; b < 3; ++b) {
                channel[b][i] = static_cast<uint8_t>(noisy && b == 1 ? rng()
                                                     : x < split     ? 40 + 50 * b
                                                                     : 200 - 30 * b);
            }
        }
        for (int32_t x = std::max(0, x0); x < std::min(w, x1); ++x) {
            const auto i = static_cast<size_t>(x);
            amount[i] = (x + y) % 13 == 0 ? 0 : static_cast<uint8_t>(100 + rng() % 150);
            appearance[i] = static_cast<uint8_t>((x / 24 + y / 3) % 4);
        }
        color.amount->PutRow(y, amount.data());
        color.appearance->PutRow(y, appearance.data());
        color.blue->PutRow(y, channel[0].data());
        color.green->PutRow(y, channel[1].data());
        color.red->PutRow(y, channel[2].data());
    }
    if (rng() % 3 == 0) {
        layer.shadow = std::make_unique<ObjectShadow>();
        layer.shadow->Create(w, height);
        FillRows(rng, *layer.shadow->lighting, 128, 256, 3);
        for (auto& level : layer.lightingRamp) {
            level = static_cast<uint32_t>(rng());
        }
    }
}

// Stacks of such strokes, whole and in parts starting at odd columns and cutting through the runs:
// the pieces blended from the runs give the plain loop's pixels and painted bits.
TEST(CompositorPaths, StrokesBlendedFromTheirRunsCompositeLikeThePlainLoop) {
    std::mt19937 rng(1209);
    for (int trial = 0; trial < 12; ++trial) {
        SCOPED_TRACE("trial " + std::to_string(trial));
        const auto width = static_cast<int32_t>(17 + rng() % 900);
        const auto height = static_cast<int32_t>(1 + rng() % 12);
        ImageStackManager stack;
        Compositor compositor(stack);
        testing::AddBackdropAndPaper(stack, width, height);
        if (trial % 3 != 0) {
            auto board = std::make_unique<BMap>();
            board->pixels.Create(static_cast<int32_t>(1 + rng() % 300), 3);
            for (auto& b : board->pixels.Pixels()) {
                b = static_cast<uint8_t>(150 + rng() % 100);
            }
            stack.Layer(ImageStackManager::kPaperIndex)->image = std::move(board);
        }
        for (int i = 1 + static_cast<int>(rng() % 5); i > 0; --i) {
            StrokeLayer(rng, stack, width, height);
        }
        compositor.PaperChanged();
        compositor.paper.paintedAmount = static_cast<int32_t>(rng() % 4);
        compositor.switches.showOpacity = trial % 4 == 1;
        testing::ReferenceCompositor reference(stack, compositor);
        BothPaths([&] {
            Target fast(width, height);
            Target plain(width, height);
            for (int part = 0; part < 5; ++part) {
                const int32_t first =
                    part == 0 ? 0 : static_cast<int32_t>(rng() % static_cast<uint32_t>(width)) | 1;
                const int32_t count =
                    part == 0 ? width : std::min(width - first, static_cast<int32_t>(1 + rng() % 300));
                if (count <= 0) {
                    continue;
                }
                CompositeBoth(compositor, reference, fast, plain, 0, height, first, count, false, false);
                ExpectSame(fast, plain, "part " + std::to_string(part) + " from " + std::to_string(first));
            }
        });
    }
}

// The colour channels of a stroke as the compositor reads them together: per row all three one value,
// all three changing at one place (inside a unit or at its edge), one channel alone changing, the three
// the same bytes, or one channel noisy (codes of another shape); with hidden and dimmed layers, lighting
// and odd appearances. Composited whole and in parts at odd columns, one pixel wide among them, that
// cut through the runs and the tails of rows not a multiple of the vector lanes: the plain loop's
// pixels and painted bits.
TEST(CompositorPaths, ColourChannelsReadTogetherCompositeLikeThePlainLoop) {
    std::mt19937 rng(2812);
    for (int trial = 0; trial < 10; ++trial) {
        SCOPED_TRACE("trial " + std::to_string(trial));
        const auto width = static_cast<int32_t>(33 + rng() % 500);
        const auto height = static_cast<int32_t>(2 + rng() % 10);
        ImageStackManager stack;
        Compositor compositor(stack);
        testing::AddBackdropAndPaper(stack, width, height);
        auto board = std::make_unique<BMap>();
        board->pixels.Create(static_cast<int32_t>(1 + rng() % 200), 2);
        for (auto& b : board->pixels.Pixels()) {
            b = static_cast<uint8_t>(160 + rng() % 90);
        }
        stack.Layer(ImageStackManager::kPaperIndex)->image = std::move(board);
        for (int i = 2 + static_cast<int>(rng() % 4); i > 0; --i) {
            StrokeLayer(rng, stack, width, height);
            ObjectColor& color = *stack.CurrentLayer()->color;
            const auto size = static_cast<size_t>(color.Width());
            for (int32_t y = 0; y < height; ++y) {
                Bytes amount(size);
                color.amount->ReadRow(y, amount.data());
                const size_t split = rng() % 3 == 0 ? (rng() % size) & ~size_t{3} : rng() % size;
                const uint32_t mode = rng() % 5;
                // White around the paint, now and then colour under nothing.
                Bytes coloured(size);
                for (size_t x = 0; x < size; ++x) {
                    coloured[x] = amount[x] != 0 || rng() % 16 == 0;
                }
                Bytes channel[3];
                for (size_t b = 0; b < 3; ++b) {
                    channel[b].assign(size, 255);
                    for (size_t x = 0; x < size; ++x) {
                        // One value in each; all three changing at the split; blue alone changing; the
                        // three alike; red noisy past the split.
                        const bool after = x >= split;
                        const auto one = static_cast<uint8_t>(30 + 60 * b);
                        const uint8_t values[5] = {one, static_cast<uint8_t>(after ? 200 - b : one),
                                                   static_cast<uint8_t>(b == 0 && after ? 220 : one),
                                                   static_cast<uint8_t>(after ? 90 : 140),
                                                   static_cast<uint8_t>(b == 2 && after ? rng() : one)};
                        channel[b][x] = coloured[x] ? values[mode] : channel[b][x];
                    }
                    color.Channel(static_cast<int>(b) + 1)->PutRow(y, channel[b].data());
                }
            }
        }
        compositor.PaperChanged();
        compositor.paper.paintedAmount = static_cast<int32_t>(rng() % 4);
        testing::ReferenceCompositor reference(stack, compositor);
        BothPaths([&] {
            Target fast(width, height);
            Target plain(width, height);
            for (int part = 0; part < 6; ++part) {
                const int32_t first =
                    part == 0 ? 0 : static_cast<int32_t>(rng() % static_cast<uint32_t>(width)) | 1;
                const int32_t count = part == 0   ? width
                                      : part == 1 ? 1
                                                  : static_cast<int32_t>(1 + rng() % 100);
                if (first + count > width) {
                    continue;
                }
                CompositeBoth(compositor, reference, fast, plain, 0, height, first, count, false, false);
                ExpectSame(fast, plain, "part " + std::to_string(part) + " from " + std::to_string(first));
            }
        });
    }
}

// Large areas go to two threads: the same pixels, painted bits, line pixels and samples as on one.
TEST(CompositorPaths, TwoThreadsCompositeLikeOne) {
    std::mt19937 rng(20261208);
    for (int trial = 0; trial < 4; ++trial) {
        SCOPED_TRACE("trial " + std::to_string(trial));
        constexpr int32_t kWidth = 2048; // large enough to split with any stack
        const auto height = static_cast<int32_t>(520 + rng() % 200);
        ImageStackManager stack;
        Compositor compositor(stack);
        RandomStack(rng, stack, compositor, kWidth, height);
        compositor.switches.showSelectedOnly = false;
        Target split(kWidth, height);
        Target single(kWidth, height);
        compositor.CompositeRows(0, height, 0, kWidth, split.pixels.Row(0),
                                 static_cast<size_t>(split.pixels.Stride()), &split.painted, &split.under,
                                 &split.sampler);
        compositor.SetParallel(false);
        compositor.CompositeRows(0, height, 0, kWidth, single.pixels.Row(0),
                                 static_cast<size_t>(single.pixels.Stride()), &single.painted, &single.under,
                                 &single.sampler);
        ExpectSame(split, single, "whole drawing");
    }
}

// A deep stack over a narrow area, as the view of a many-layered drawing is: tall bands shared by two
// threads, shrinking towards the end, give the plain loop's pixels, painted bits, line pixels and
// samples, over the whole drawing (rows not a multiple of a band) and over an area at an odd column
// whose width is not a multiple of the vector lanes, with layers crossing its ends.
TEST(CompositorPaths, DeepStacksOfNarrowAreasCompositeLikeThePlainLoop) {
    std::mt19937 rng(4099);
    constexpr int32_t kWidth = 203;
    constexpr int32_t kHeight = 301;
    ImageStackManager stack;
    Compositor compositor(stack);
    RandomStack(rng, stack, compositor, kWidth, kHeight);
    compositor.switches.showSelectedOnly = false;
    for (int i = 0; i < 48; ++i) {
        if (i % 3 == 0) {
            RandomLayer(rng, stack, kWidth, kHeight);
        } else {
            StrokeLayer(rng, stack, kWidth, kHeight);
        }
    }
    testing::ReferenceCompositor reference(stack, compositor);
    Target fast(kWidth, kHeight);
    Target plain(kWidth, kHeight);
    CompositeBoth(compositor, reference, fast, plain, 0, kHeight, 0, kWidth, true, true);
    ExpectSame(fast, plain, "whole drawing");
    constexpr int32_t kFirst = 37;
    constexpr int32_t kCount = 157;
    constexpr int32_t kTop = 5;
    constexpr int32_t kRows = 290;
    CompositeBoth(compositor, reference, fast, plain, kTop, kRows, kFirst, kCount, true, false);
    ExpectSame(fast, plain, "area from an odd column");
}

// Board rows kept from pass to pass follow the paper: after a new painted amount, and after a board
// changed in place and announced, the drawing composites as the plain loop makes it.
TEST(CompositorPaths, KeptBoardRowsFollowThePaperAndItsSettings) {
    std::mt19937 rng(77);
    for (int trial = 0; trial < 6; ++trial) {
        SCOPED_TRACE("trial " + std::to_string(trial));
        const auto width = static_cast<int32_t>(8 + rng() % 400);
        const auto height = static_cast<int32_t>(1 + rng() % 40);
        ImageStackManager stack;
        Compositor kept(stack);
        RandomStack(rng, stack, kept, width, height);
        auto compare = [&](const std::string& what) {
            testing::ReferenceCompositor reference(stack, kept);
            Target a(width, height);
            Target b(width, height);
            kept.CompositeRows(0, height, 0, width, a.pixels.Row(0), static_cast<size_t>(a.pixels.Stride()),
                               &a.painted, &a.under, &a.sampler);
            for (int32_t y = 0; y < height; ++y) {
                reference.CompositeRow(y, 0, width, b.pixels.Row(y), &b.painted, &b.under, &b.sampler);
            }
            ExpectSame(a, b, what);
        };
        compare("first pass");
        kept.paper.paintedAmount = (kept.paper.paintedAmount + 1 + static_cast<int32_t>(rng() % 4)) % 5;
        compare("another painted amount");
        if (const Image24* board = kept.PaperPicture()) {
            for (auto& byte : const_cast<Image24*>(board)->Pixels()) {
                byte = static_cast<uint8_t>(255 - byte);
            }
            kept.PaperChanged();
            compare("the board changed");
        }
    }
}

} // namespace
} // namespace ts
