#include "raster/box_blur.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace ts {
namespace {

// The mean of the box around each byte, summed the plain way (zeros beyond the ends).
std::vector<uint8_t> PlainBox(const std::vector<uint8_t>& in, int32_t radius) {
    const boxblur::Divider divide(radius);
    std::vector<uint8_t> out(in.size());
    const auto n = static_cast<int32_t>(in.size());
    for (int32_t x = 0; x < n; ++x) {
        uint32_t sum = 0;
        for (int32_t k = std::max(0, x - radius); k <= std::min(n - 1, x + radius); ++k) {
            sum += in[static_cast<size_t>(k)];
        }
        out[static_cast<size_t>(x)] = divide(static_cast<uint16_t>(sum));
    }
    return out;
}

TEST(BoxBlur, MeansAreWithinOneOfTheTrueMeanAndNeverOverflow) {
    for (const int32_t r : {1, 2, 7, 40, boxblur::kMaxRadius}) {
        const boxblur::Divider divide(r);
        const auto d = static_cast<uint32_t>(2 * r + 1);
        EXPECT_EQ(divide(static_cast<uint16_t>(255 * d)), 255) << r;
        EXPECT_EQ(divide(0), 0);
        for (uint32_t sum = 0; sum <= 255 * d; sum += 7) {
            const double exact = static_cast<double>(sum) / d;
            EXPECT_LT(std::abs(divide(static_cast<uint16_t>(sum)) - exact), 1.0) << r << " " << sum;
        }
    }
}

TEST(BoxBlur, RowPassAndColumnStepsGiveThePlainBoxMeans) {
    std::mt19937 rng(11);
    for (const int32_t r : {1, 3, 40}) {
        for (const size_t width : {size_t{5}, size_t{37}, size_t{300}}) {
            // A row with content in its middle only, the rest zero.
            std::vector<uint8_t> row(width, 0);
            const size_t lo = width / 4;
            const size_t hi = width - width / 5;
            for (size_t x = lo; x < hi; ++x) {
                row[x] = static_cast<uint8_t>(rng() % 3 == 0 ? 255 : rng());
            }
            const std::vector<uint8_t> expected = PlainBox(row, r);
            std::vector<uint16_t> scratch;
            size_t a = lo;
            size_t b = hi;
            boxblur::RowPass(row.data(), width, a, b, r, scratch);
            EXPECT_EQ(row, expected) << r << " " << width;
            EXPECT_EQ(a, lo > static_cast<size_t>(r) ? lo - static_cast<size_t>(r) : 0);
            EXPECT_EQ(b, std::min(width, hi + static_cast<size_t>(r)));

            // Down a column: the same bytes, one per row, through running sums.
            std::vector<uint16_t> sums(width, 0);
            std::vector<uint8_t> column(width), enter(width), leave(width), out(width);
            const boxblur::Divider divide(r);
            const auto n = static_cast<int32_t>(width);
            for (int32_t t = 0; t < n + r; ++t) {
                std::fill(enter.begin(), enter.end(), t < n ? expected[static_cast<size_t>(t)] : 0);
                const int32_t gone = t - 2 * r - 1;
                std::fill(leave.begin(), leave.end(), gone >= 0 ? expected[static_cast<size_t>(gone)] : 0);
                const int32_t j = t - r;
                boxblur::ColumnStep(sums.data(), enter.data(), leave.data(), j >= 0 ? out.data() : nullptr,
                                    width, divide);
                if (j >= 0) {
                    column[static_cast<size_t>(j)] = out[width - 1];
                    EXPECT_EQ(out[0], out[width - 1]);
                }
            }
            EXPECT_EQ(column, PlainBox(expected, r)) << r << " " << width;
        }
    }
}

TEST(BoxBlur, ScaleRowScalesByTheFractionOf256) {
    std::vector<uint8_t> in(40);
    for (size_t i = 0; i < in.size(); ++i) {
        in[i] = static_cast<uint8_t>(i * 6 + 21);
    }
    std::vector<uint8_t> out(in.size());
    boxblur::ScaleRow(in.data(), out.data(), in.size(), 256);
    EXPECT_EQ(out, in);
    boxblur::ScaleRow(in.data(), out.data(), in.size(), 0);
    EXPECT_EQ(out, std::vector<uint8_t>(in.size(), 0));
    boxblur::ScaleRow(in.data(), out.data(), in.size(), 128);
    for (size_t i = 0; i < in.size(); ++i) {
        EXPECT_EQ(out[i], (in[i] + 1) / 2) << i;
    }
}

} // namespace
} // namespace ts
