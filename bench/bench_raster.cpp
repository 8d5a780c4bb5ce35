// Row codec and row store benchmarks. Every benchmark reports the decoded (raw) bytes it handled, so
// scripts/bench can set each against BM_Memcpy of the same row length.

#include "raster/image_buffer.h"
#include "raster/rl_buffer.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <random>
#include <vector>

namespace {

using Row = std::vector<uint8_t>;

// A colour layer of an art board scanned at screen resolution: 3 bytes per pixel, 2048 pixels across.
constexpr int32_t kWidth = 2048;
constexpr int32_t kBpp = 3;
constexpr int32_t kHeight = 256;
constexpr size_t kRowBytes = static_cast<size_t>(kWidth) * kBpp;
constexpr int32_t kWindowRows = 64;
constexpr int32_t kWindowMargin = 4;

uint8_t Clamp(int v) {
    return static_cast<uint8_t>(std::clamp(v, 0, 255));
}

void SetPixel(Row& row, int32_t x, int b, int g, int r) {
    const auto at = static_cast<size_t>(x) * kBpp;
    row[at] = Clamp(b);
    row[at + 1] = Clamp(g);
    row[at + 2] = Clamp(r);
}

// White board with a few short strokes on some rows: what most layers of a drawing look like.
Row SparseRow(std::mt19937& rng, int32_t y) {
    Row row(kRowBytes, 0xFF);
    if (y % 4 == 0) {
        for (int stroke = 0; stroke < 3; ++stroke) {
            const auto start = static_cast<int32_t>(rng() % (kWidth - 40));
            const int shade = static_cast<int>(rng() % 120);
            for (int32_t x = start; x < start + 24; ++x) {
                SetPixel(row, x, shade, shade + 20, shade + 40);
            }
        }
    }
    return row;
}

Row NoiseRow(std::mt19937& rng) {
    Row row(kRowBytes);
    for (auto& b : row) {
        b = static_cast<uint8_t>(rng());
    }
    return row;
}

// Coloured pencil on board: smooth gradients with grain, flat paper between them, an even wash.
Row PaintedRow(std::mt19937& rng, int32_t y, int variant) {
    Row row(kRowBytes, 0xFF);
    std::uniform_int_distribution<int> grain(-3, 3);
    const int tint = variant * 17;
    for (int32_t x = 0; x < kWidth; ++x) {
        if (x < 300 || (x >= 1500 && x < 1560)) {
            continue; // bare board
        }
        if (x >= 1200 && x < 1500) {
            SetPixel(row, x, 90 + tint, 140, 200); // an even wash
            continue;
        }
        const int ramp = (x * 255) / kWidth;
        SetPixel(row, x, ramp + grain(rng) + tint, 255 - ramp + grain(rng), (y + ramp) / 2 + grain(rng));
    }
    return row;
}

bool MakeBuffer(ts::RLBuffer& buffer, const std::vector<Row>& rows) {
    if (!buffer.Create(kWidth, static_cast<int32_t>(rows.size()), kBpp, 0xFF, 4.0f)) {
        return false;
    }
    for (size_t y = 0; y < rows.size(); ++y) {
        if (!buffer.PutRow(static_cast<int32_t>(y), rows[y].data())) {
            return false;
        }
    }
    return true;
}

void SetRowBytes(benchmark::State& state, size_t rowsPerIteration = 1) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kRowBytes) *
                            static_cast<int64_t>(rowsPerIteration));
}

void BM_Memcpy(benchmark::State& state) {
    std::mt19937 rng(1);
    const Row source = NoiseRow(rng);
    Row dest(kRowBytes);
    for (auto _ : state) {
        std::memcpy(dest.data(), source.data(), kRowBytes);
        benchmark::DoNotOptimize(dest.data());
        benchmark::ClobberMemory();
    }
    SetRowBytes(state);
}
BENCHMARK(BM_Memcpy);

// Decodes rows of a buffer into the working row, cycling over all rows.
void DecodeRows(benchmark::State& state, const std::vector<Row>& rows) {
    ts::RLBuffer buffer;
    if (!MakeBuffer(buffer, rows)) {
        state.SkipWithError("cannot build the buffer");
        return;
    }
    int32_t y = 0;
    for (auto _ : state) {
        buffer.GetRow(y);
        benchmark::DoNotOptimize(buffer.WorkingRow());
        benchmark::ClobberMemory();
        y = y + 1 == kHeight ? 0 : y + 1;
    }
    SetRowBytes(state);
}

void BM_DecodeSparseRows(benchmark::State& state) {
    std::mt19937 rng(2);
    std::vector<Row> rows;
    for (int32_t y = 0; y < kHeight; ++y) {
        rows.push_back(SparseRow(rng, y));
    }
    DecodeRows(state, rows);
}
BENCHMARK(BM_DecodeSparseRows);

void BM_DecodeLiteralRows(benchmark::State& state) {
    std::mt19937 rng(3);
    std::vector<Row> rows;
    for (int32_t y = 0; y < kHeight; ++y) {
        rows.push_back(NoiseRow(rng));
    }
    DecodeRows(state, rows);
}
BENCHMARK(BM_DecodeLiteralRows);

std::vector<Row> PaintedRows(int variant) {
    std::mt19937 rng(static_cast<uint32_t>(4 + variant));
    std::vector<Row> rows;
    for (int32_t y = 0; y < kHeight; ++y) {
        rows.push_back(PaintedRow(rng, y, variant));
    }
    return rows;
}

void BM_EncodeRows(benchmark::State& state) {
    const std::vector<Row> rows = PaintedRows(0);
    ts::RLBuffer buffer;
    if (!buffer.Create(kWidth, kHeight, kBpp, 0xFF, 4.0f)) {
        state.SkipWithError("cannot create the buffer");
        return;
    }
    int32_t y = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(buffer.PutRow(y, rows[static_cast<size_t>(y)].data()));
        y = y + 1 == kHeight ? 0 : y + 1;
    }
    SetRowBytes(state);
}
BENCHMARK(BM_EncodeRows);

// The memory side of BM_EncodeRows and BM_DecodeLiteralRows, for comparison: memcpy of as many
// bytes as the codes take, from and to where the codec finds and puts them. BM_Memcpy copies one row
// within the first-level cache; the encoder reads 256 rows (1.5 MB) in turn and writes their codes
// around a pool of about 1.9 MB, and the decoder reads codes from a pool of 1.6 MB.
void BM_MemcpyRowsIntoPool(benchmark::State& state) {
    const std::vector<Row> rows = PaintedRows(0);
    ts::RLBuffer buffer;
    if (!MakeBuffer(buffer, rows)) {
        state.SkipWithError("cannot build the buffer");
        return;
    }
    std::vector<uint8_t> pool(std::max(buffer.Capacity(), 2 * kRowBytes));
    size_t at = 0;
    int32_t y = 0;
    for (auto _ : state) {
        const Row& row = rows[static_cast<size_t>(y)];
        const size_t length = buffer.RowEncodedLength(y);
        if (at + length > pool.size()) {
            at = 0;
        }
        std::memcpy(pool.data() + at, row.data(), length);
        benchmark::DoNotOptimize(pool.data() + at);
        benchmark::ClobberMemory();
        at += length;
        y = y + 1 == kHeight ? 0 : y + 1;
    }
    SetRowBytes(state);
}
BENCHMARK(BM_MemcpyRowsIntoPool);

void BM_MemcpyRowsFromPool(benchmark::State& state) {
    std::mt19937 rng(3);
    std::vector<Row> rows;
    for (int32_t y = 0; y < kHeight; ++y) {
        rows.push_back(NoiseRow(rng));
    }
    ts::RLBuffer buffer;
    if (!MakeBuffer(buffer, rows)) {
        state.SkipWithError("cannot build the buffer");
        return;
    }
    Row dest(kRowBytes);
    int32_t y = 0;
    for (auto _ : state) {
        std::memcpy(dest.data(), buffer.RowEncoding(y) + 2, kRowBytes);
        benchmark::DoNotOptimize(dest.data());
        benchmark::ClobberMemory();
        y = y + 1 == kHeight ? 0 : y + 1;
    }
    SetRowBytes(state);
}
BENCHMARK(BM_MemcpyRowsFromPool);

// Stores rows in the given order, alternating between two paintings lap by lap so that the rows'
// encodings change length as they do while painting.
void PutRows(benchmark::State& state, const std::vector<int32_t>& order) {
    const std::vector<Row> versions[2] = {PaintedRows(1), PaintedRows(2)};
    ts::RLBuffer buffer;
    if (!MakeBuffer(buffer, versions[0])) {
        state.SkipWithError("cannot build the buffer");
        return;
    }
    size_t i = 0;
    int lap = 1;
    const uint64_t movedBefore = buffer.RowsMoved();
    for (auto _ : state) {
        const int32_t y = order[i];
        benchmark::DoNotOptimize(buffer.PutRow(y, versions[lap][static_cast<size_t>(y)].data()));
        if (++i == order.size()) {
            i = 0;
            lap ^= 1;
        }
    }
    state.counters["rows_moved_per_put"] = benchmark::Counter(
        static_cast<double>(buffer.RowsMoved() - movedBefore), benchmark::Counter::kAvgIterations);
    SetRowBytes(state);
}

void BM_PutRowsInOrder(benchmark::State& state) {
    std::vector<int32_t> order(kHeight);
    std::iota(order.begin(), order.end(), 0);
    PutRows(state, order);
}
BENCHMARK(BM_PutRowsInOrder);

void BM_PutRowsOutOfOrder(benchmark::State& state) {
    std::vector<int32_t> order(kHeight);
    std::iota(order.begin(), order.end(), 0);
    std::mt19937 rng(5);
    std::shuffle(order.begin(), order.end(), rng);
    PutRows(state, order);
}
BENCHMARK(BM_PutRowsOutOfOrder);

// A filter walking down the layer: scroll the window by one row, writing the row that leaves back.
void BM_ScrollWindowOneRow(benchmark::State& state) {
    ts::RLBuffer buffer;
    if (!MakeBuffer(buffer, PaintedRows(0)) || !buffer.OpenWindow(kWindowMargin, kWindowRows)) {
        state.SkipWithError("cannot build the buffer and its window");
        return;
    }
    buffer.LoadWindow(0);
    for (auto _ : state) {
        if (buffer.Window()->FirstRow() + kWindowRows + kWindowMargin >= kHeight) {
            buffer.LoadWindow(0);
        }
        buffer.ScrollWindowDown(1, true);
        benchmark::DoNotOptimize(buffer.Window()->Row(0));
    }
    SetRowBytes(state);
}
BENCHMARK(BM_ScrollWindowOneRow);

} // namespace

BENCHMARK_MAIN();
