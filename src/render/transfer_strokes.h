#pragma once

#include "model/layer_object.h"
#include "raster/fast_bitonal_mask.h"
#include "raster/rect.h"

#include <array>
#include <cstdint>
#include <vector>

namespace ts {

// What a stroke of type 24 carries from another layer into the stroke's layer, pixel for pixel at the
// same drawing place. Two uses:
//
// The merge brush (source or paper set): under the brush the stroke's layer takes the source's colour
// (three bytes, amount, appearance) and lighting (level, light colour) as the boxes say, replacing its
// own: where the brush covers a pixel fully the layer holds exactly the source's bytes (appearance and
// light indices translated into the layer's own tables, 0 when a table is full); at the brush's edge a
// pixel moves towards the source by the coverage it gains, with the colours weighed by their amounts.
// The lines of the merge go through the line part of the stroke (LineStrokeTool::source). Without a
// source the brush lays opaque paper: full amount of the layer's opaque-paper appearance, neutral
// lighting, no lines. The source itself is only read.
//
// The lift (liftFrom set): a pixel whose centre the brush disc holds moves whole, once: its colour,
// lighting and lines (as the boxes say) are copied from liftFrom into the stroke's layer and, with
// erase, cleared in liftFrom (no paint, neutral lighting, no lines). moved marks the pixels done (layer
// pixels of the stroke's layer) and lives as long as the lifted layer, so that a second stroke over the
// same place never copies back what the first one cleared. The two layers' tables must agree (the
// lifted layer is made with copies of them).
struct TransferTool {
    const LayerObject* source = nullptr;
    bool paper = false;
    LayerObject* liftFrom = nullptr;
    FastBitonalMask* moved = nullptr;
    bool erase = false;
    bool lines = false; // the lift only: the merge's lines are the line part's
    bool lighting = false;
    bool color = false;
};

// Slots of the bytes a merge brings in, in the order TransferSource keeps them.
enum TransferChannel : int32_t {
    kFromBlue = 0,
    kFromGreen,
    kFromRed,
    kFromAmount,
    kFromAppearance,
    kFromLevel,
    kFromLight,
    kFromChannels,
};

// The merge's view of its source: the source's colour and lighting bytes under a row of the stroke's
// layer, with the indices already translated into the stroke layer's tables. A source pixel off the
// source (or a part the source lacks) reads as nothing painted and neutral lighting; opaque paper
// reads as full amount of the paper appearance.
class TransferSource {
public:
    // Prepares the translation of the source's tables into the layer's (which may gain records).
    // False when the tool merges neither colour nor lighting.
    bool Begin(LayerObject& layer, const TransferTool& tool);
    // Reads the source under layer row y, layer columns from .. to - 1.
    void Load(int32_t y, int32_t from, int32_t to);
    // Byte of a channel at layer column x (from the last Load).
    uint8_t At(int32_t channel, int32_t x) const {
        return m_rows[static_cast<size_t>(channel)][static_cast<size_t>(x - m_from)];
    }
    bool Paper() const { return m_paper; }

private:
    const LayerObject* m_source = nullptr;
    bool m_paper = false;
    bool m_color = false;
    bool m_lighting = false;
    int32_t m_dx = 0; // source column = layer column + m_dx
    int32_t m_dy = 0;
    int32_t m_from = 0;
    uint8_t m_paperAppearance = 1;
    std::array<uint8_t, 256> m_appearanceMap{};
    std::array<uint8_t, 256> m_lightMap{};
    std::array<std::vector<uint8_t>, kFromChannels> m_rows;
};

// The lift's pass: moves the pixels under one dab from liftFrom into the layer.
class LiftPass {
public:
    // False when the layers cannot take part (no moved mask of the layer's size).
    bool Begin(LayerObject& layer, const TransferTool& tool);
    // The pixels whose centres lie in the disc of radius rq quarter pixels around (qx, qy) (layer
    // quarter pixels) and not moved yet: moved. The rectangle of layer pixels that changed in either
    // layer (the lines' redraw included).
    Rect Dab(int32_t qx, int32_t qy, int32_t rq);
    void End() { m_layer = nullptr; }
    bool Running() const { return m_layer != nullptr; }

private:
    // One part's buffers in both layers (null when the part does not take part).
    struct Pair {
        RLBuffer* to = nullptr;
        RLBuffer* from = nullptr;
        uint8_t cleared = 0; // what an emptied pixel of liftFrom holds
        int32_t bytes = 1;
    };
    void AddPair(RLBuffer* to, RLBuffer* from, uint8_t cleared);
    Rect MoveRow(int32_t y, int32_t left, int32_t right, int32_t qx, int32_t qy, int32_t rq);

    LayerObject* m_layer = nullptr;
    TransferTool m_tool;
    std::vector<Pair> m_pairs;
    bool m_lines = false;
    int32_t m_dx = 0;
    int32_t m_dy = 0;
    std::vector<uint8_t> m_to;
    std::vector<uint8_t> m_from;
    std::vector<uint8_t> m_take; // per column of the row: moved in this dab
};

} // namespace ts
