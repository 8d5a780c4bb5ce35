#pragma once

#include "model/image_stack_manager.h"
#include "raster/fast_bitonal_mask.h"
#include "raster/row_runs.h"
#include "render/compositor_kernels.h"
#include "render/paper.h"
#include "render/under_pixel_manager.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace ts {

// The View menu's switches that change what the compositor draws.
struct ViewSwitches {
    bool showColor = true;         // "Show Color Areas"
    bool showLighting = true;      // "Show Lighting"
    bool showLines = true;         // "Show Lines"
    bool showSelectedOnly = false; // "Show Selected Layer Only"
    bool showOpacity = false;      // "Show Opacity"
};

// Sums for the average colour of the drawing, taken while compositing.
struct AverageSampler {
    uint64_t sum[3] = {0, 0, 0}; // blue, green, red
    uint64_t count = 0;
    // The average as a colour value; the fallback when nothing was sampled.
    uint32_t Average(uint32_t fallback) const;
};

// Composites rows of the drawing from the layer stack: the board, then every drawing layer's picture,
// painted colour, lighting and lines, with the arithmetic of the product and clamp tables.
class Compositor {
public:
    explicit Compositor(ImageStackManager& stack);

    ViewSwitches switches;
    PaperSettings paper;

    // The pencil-shadow grain: a 4096 x 4096 mask, bit set where the grain is dark.
    void SetGrainMask(std::unique_ptr<FastBitonalMask> mask) { m_grain = std::move(mask); }
    // Whether large areas are composited on two threads (on by default where the processor has them).
    void SetParallel(bool on) { m_parallel = on; }
    const FastBitonalMask* GrainMask() const { return m_grain.get(); }
    static constexpr int32_t kGrainSize = 4096;
    // Tiles a grain picture into a grain mask (a bit where the picture's first byte is below 128).
    static std::unique_ptr<FastBitonalMask> BuildGrainMask(const Image24& picture);

    // The paper picture (the tinted board), or null without one.
    const Image24* PaperPicture() const;
    // The paper's average colour is cached; call when the paper picture changed.
    void PaperChanged() {
        m_paperAverageValid = false;
        ++m_paperGeneration;
    }
    uint32_t PaperAverage() const;

    // Fills count pixels (blue, green, red) of drawing row y from column first. The painted-pixel mask
    // gets the bits of pixels carrying plain pencil colour; the under-pixel store the row's line pixels;
    // the sampler, when given, every 4th pixel of every 4th row.
    void CompositeRow(int32_t y, int32_t first, int32_t count, uint8_t* dest, FastBitonalMask* painted,
                      UnderPixelManager* under, AverageSampler* sampler);
    // The same for rows y .. y + rows - 1, row k going to dest + k x destStride. Bands of rows are
    // composited a layer at a time, which reads each layer's rows in order.
    void CompositeRows(int32_t y, int32_t rows, int32_t first, int32_t count, uint8_t* dest,
                       size_t destStride, FastBitonalMask* painted, UnderPixelManager* under,
                       AverageSampler* sampler);

private:
    struct RowSpan {
        int32_t from = 0; // first drawing column of the layer in the span
        int32_t to = 0;   // one past the last
        int32_t layerRow = 0;
        int32_t offsetX = 0;
    };
    // Line pixels a row gained in this pass, by row position: what goes to the under-pixel store.
    struct LinePixels {
        std::vector<uint32_t> present;
        std::vector<uint8_t> elements; // UnderPixelManager::kElementSize bytes each
        bool any = false;
    };
    // One row being composited: three planes (blue, green, red) of count bytes from column first, the
    // board period under it and, once painted colour needs it, the board's reduced deviation.
    struct Row {
        int32_t y = 0;
        uint8_t* plane[3] = {};
        uint8_t* tile[3] = {}; // the board row, repeated to tileLength bytes (null when flat)
        size_t tileLength = 0;
        size_t tileStart = 0; // the tile position of the row's first pixel
        kernels::Deviations deviation;
        size_t index = 0;     // the row's place in the band
        int32_t boardRow = 0; // the board row under it
        LinePixels* lines = nullptr;
    };
    void CompositeBand(int32_t y, int32_t rows, uint8_t* dest, size_t destStride, FastBitonalMask* painted,
                       UnderPixelManager* under, AverageSampler* sampler);
    // Bands of rows y .. y + rows - 1: in turn, or, with a count of the rows taken shared between
    // threads, the rows not yet taken, in bands of at most band rows.
    void CompositeBands(int32_t y, int32_t rows, int32_t band, uint8_t* dest, size_t destStride,
                        FastBitonalMask* painted, UnderPixelManager* under, AverageSampler* sampler,
                        std::atomic<int32_t>* next = nullptr);
    // Whether an area is worth a second thread.
    bool WorthSplitting(int32_t rows, int32_t count, int32_t band) const;
    // The compositor of the second thread, with this one's settings and pass.
    Compositor& Partner();
    void DrawLayer(const LayerObject& layer, FastBitonalMask* painted);
    void PrefetchColor(const LayerObject& layer, int32_t y, int32_t rows, int ahead) const;
    void PrepareRow(Row& row);
    const kernels::Deviations& Deviation(Row& row) {
        return row.deviation.up[0] ? row.deviation : MakeDeviation(row);
    }
    const kernels::Deviations& MakeDeviation(Row& row);
    uint8_t PaperByte(const Row& row, int b, size_t at) const;
    void DrawImage(Row& row, const LayerObject& layer, const RowSpan& s);
    void DrawColor(Row& row, const LayerObject& layer, const RowSpan& s, FastBitonalMask* painted);
    void BlendPencil(Row& row, const uint8_t* amount, const kernels::Colours& colours, size_t at, size_t n,
                     bool dimmed, kernels::Marks marks);
    // How the compositor paints a colour appearance of the layer being drawn; learnt on first use.
    struct Kind {
        uint32_t generation = 0; // the entry is known when it equals m_kindGeneration
        bool plain = true;       // plain pencil, through the pencil kernels
        kernels::Mix mix = kernels::Mix::kPencil;
        uint8_t share = 255;
    };
    const Kind& KindOf(const ObjectColor& color, uint8_t index) {
        const Kind& kind = m_kinds[index];
        return kind.generation == m_kindGeneration ? kind : LearnKind(color, index);
    }
    const Kind& LearnKind(const ObjectColor& color, uint8_t index);
    // Forgets the kinds learnt, for the next layer.
    void NewLayerKinds();
    // A channel of a layer row over the stretch drawn: runs of one value, or (count 0) decoded bytes.
    struct ChannelRuns {
        rowcodec::ByteRun* runs = nullptr;
        size_t count = 0;
        const uint8_t* bytes = nullptr;
    };
    static constexpr size_t kMaxChannelRuns = 32;
    ChannelRuns AppearanceRuns(const ObjectColor& color, int32_t layerRow, size_t from, size_t to);
    void BlendMixed(Row& row, const Kind& kind, const uint8_t* amount, const kernels::Colours& channels,
                    size_t at, size_t n, bool dimmed);
    // Calls piece(i, t, length) for pieces of row positions at + i .. at + i + length - 1 (covering at ..
    // at + n - 1) that each lie under one stretch of the row's board tile, from tile column t (0 without
    // a tile).
    template <class F> static void EachTilePiece(const Row& row, size_t at, size_t n, F piece) {
        if (!row.tile[0]) {
            piece(size_t{0}, size_t{0}, n);
            return;
        }
        size_t t = (row.tileStart + at) % row.tileLength;
        for (size_t i = 0; i < n; t = 0) {
            const size_t length = std::min(n - i, row.tileLength - t);
            piece(i, t, length);
            i += length;
        }
    }
    void DrawLighting(Row& row, const LayerObject& layer, const RowSpan& s);
    void DrawLines(Row& row, const LayerObject& layer, const RowSpan& s);
    uint8_t* LineElement(Row& row, size_t at);
    void FinishRow(Row& row, uint8_t* dest, AverageSampler* sampler);
    void StoreLines(UnderPixelManager& under);
    // Scratch row index, with room for bytes and the kernels' slack.
    uint8_t* Scratch(size_t index, size_t bytes) {
        std::vector<uint8_t>& row = m_scratch[index];
        if (row.size() < bytes + kernels::kSlack) {
            row.resize(bytes + kernels::kSlack);
        }
        return row.data();
    }

    ImageStackManager& m_stack;
    std::shared_ptr<const FastBitonalMask> m_grain;
    mutable uint32_t m_paperAverage = 0x00FFFFFF;
    mutable const BMap* m_paperAverageOf = nullptr;
    mutable bool m_paperAverageValid = false;
    // The band being composited.
    int32_t m_first = 0;
    int32_t m_count = 0;
    bool m_textured = false;   // the paper is the tiled board (else flat, without deviation)
    bool m_trackLines = false; // line pixels go to an under-pixel store
    bool m_stream = false;     // finished rows are written around the cache
    uint8_t m_average[3] = {};
    std::vector<Row> m_rows;
    std::vector<LinePixels> m_lines;
    std::vector<std::vector<uint8_t>> m_scratch;
    std::vector<uint8_t> m_deviation;
    std::array<Kind, 256> m_kinds{};
    // Runs of the blue, green and red channels and of the appearances, for the row being drawn.
    std::array<std::array<rowcodec::ByteRun, kMaxChannelRuns>, 4> m_runs;
    std::vector<rowcodec::ByteRun> m_appearanceRuns;
    uint32_t m_kindGeneration = 1;
    // Two threads: the partner composites the lower bands; the under-pixel store takes one row at a
    // time, under the lock of the pass.
    bool m_parallel = true;
    // The board's rows made ready for compositing: each row's tile (deinterleaved and repeated) and,
    // once pencil needs it, the tile's reduced deviation. They are kept while the paper and its
    // settings stay, since the rows under a brush are composited again at every dab. Boards taller
    // than kMaxRows are made ready row by row in the band's scratch instead.
    struct BoardRows {
        static constexpr int32_t kMaxRows = 1024;
        const uint8_t* pixels = nullptr;
        int32_t width = 0;
        int32_t height = 0;
        uint64_t generation = 0;
        int32_t paintedAmount = 0;
        uint8_t average[3] = {};
        size_t tileLength = 0;
        std::vector<uint8_t> bytes; // per board row: three tile planes, then up and down of each byte
        std::vector<uint8_t> state; // per board row: kNotMade, kTileMade or kDeviationMade
    };
    static constexpr uint8_t kNotMade = 0;
    static constexpr uint8_t kTileMade = 1;
    static constexpr uint8_t kDeviationMade = 2;
    static size_t TileLength(const Image24* board);
    // Whether the board's rows are kept (and the keeping is set up for this pass).
    bool UseBoardRows(const Image24& board, size_t tileLength);
    uint8_t* BoardRowBytes(int32_t boardRow);
    BoardRows m_boardRows;
    uint64_t m_paperGeneration = 0;
    bool m_boardKept = false;
    std::unique_ptr<Compositor> m_partner;
    std::mutex* m_finishLock = nullptr;
};

} // namespace ts
