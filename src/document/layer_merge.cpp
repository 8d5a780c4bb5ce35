// Merging one layer's pixels into another's.
#include "document/layer_geometry.h"

#include "model/part_buffers.h"
#include "raster/pixel_tables.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace ts::geometry {

namespace {

using Row = std::vector<uint8_t>;

// Where the other layer's rows and columns fall in the kept layer.
struct Placement {
    int32_t dx = 0; // kept column = other column + dx
    int32_t dy = 0;
    int32_t width = 0;
    int32_t height = 0;
};

// Makes the part when the layer has none yet; false when memory runs out.
template <class Part> bool EnsurePart(std::unique_ptr<Part>& part) {
    if (part) {
        return true;
    }
    try {
        part = std::make_unique<Part>();
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

// Colour over colour: the other's paint lies on top, its amount S over the kept amount.
bool MergeColor(ObjectColor& kept, const ObjectColor& other, const Placement& at) {
    CColorAppearanceList& keptList = kept.appearances;
    CColorAppearanceList otherList;
    otherList.Copy(other.appearances);
    keptList.Remap(otherList);
    Row in[ObjectColor::kChannels];
    Row out[ObjectColor::kChannels];
    for (int i = 0; i < ObjectColor::kChannels; ++i) {
        in[i].resize(static_cast<size_t>(other.Width()));
        out[i].resize(static_cast<size_t>(kept.Width()));
    }
    for (int32_t y = 0; y < other.Height(); ++y) {
        const int32_t ky = y + at.dy;
        if (ky < 0 || ky >= kept.Height()) {
            continue;
        }
        for (int i = 0; i < ObjectColor::kChannels; ++i) {
            other.Channel(i)->ReadRow(y, in[i].data());
            kept.Channel(i)->ReadRow(ky, out[i].data());
        }
        bool changed = false;
        for (int32_t x = 0; x < other.Width(); ++x) {
            const int32_t kx = x + at.dx;
            const auto s = static_cast<size_t>(x);
            const uint8_t amount = in[4][s];
            if (amount == 0 || kx < 0 || kx >= kept.Width()) {
                continue;
            }
            const auto k = static_cast<size_t>(kx);
            const uint8_t under = out[4][k];
            for (int c = 1; c <= 3; ++c) {
                out[c][k] =
                    under == 0 ? in[c][s]
                               : static_cast<uint8_t>(Mul8(amount, in[c][s]) + Mul8(255 - amount, out[c][k]));
            }
            out[4][k] = static_cast<uint8_t>(std::min(255, amount + Mul8(255 - amount, under)));
            out[0][k] = otherList.RemapEntry(in[0][s]);
            changed = true;
        }
        for (int i = 0; i < ObjectColor::kChannels && changed; ++i) {
            if (!kept.Channel(i)->PutRow(ky, out[i].data())) {
                return false;
            }
        }
    }
    return true;
}

// Lighting over lighting: the level deviations from neutral add up.
bool MergeShadow(ObjectShadow& kept, const ObjectShadow& other, const Placement& at) {
    ShadowAppearanceList otherList;
    otherList.Copy(other.appearances);
    kept.appearances.Remap(otherList);
    const int32_t ow = other.lighting->Width();
    const int32_t kw = kept.lighting->Width();
    Row level(static_cast<size_t>(ow)), index(static_cast<size_t>(ow));
    Row keptLevel(static_cast<size_t>(kw)), keptIndex(static_cast<size_t>(kw));
    for (int32_t y = 0; y < other.lighting->Height(); ++y) {
        const int32_t ky = y + at.dy;
        if (ky < 0 || ky >= kept.lighting->Height()) {
            continue;
        }
        other.lighting->ReadRow(y, level.data());
        other.appearanceIndex->ReadRow(y, index.data());
        kept.lighting->ReadRow(ky, keptLevel.data());
        kept.appearanceIndex->ReadRow(ky, keptIndex.data());
        bool changed = false;
        for (int32_t x = 0; x < ow; ++x) {
            const int32_t kx = x + at.dx;
            const auto s = static_cast<size_t>(x);
            if (level[s] == ObjectShadow::kNeutral || kx < 0 || kx >= kw) {
                continue;
            }
            const auto k = static_cast<size_t>(kx);
            keptLevel[k] = static_cast<uint8_t>(std::clamp(keptLevel[k] + level[s] - 128, 0, 255));
            keptIndex[k] = otherList.RemapEntry(index[s]);
            changed = true;
        }
        if (changed && (!kept.lighting->PutRow(ky, keptLevel.data()) ||
                        !kept.appearanceIndex->PutRow(ky, keptIndex.data()))) {
            return false;
        }
    }
    return true;
}

// Coverage masks are united; where the other layer has lines its (remapped) indices win.
bool MergeMasks(RLBuffer& kept, const RLBuffer& other, const Placement& at, RLBuffer* keptIndices[],
                const RLBuffer* otherIndices[], const uint8_t* maps[], int indexCount) {
    const int32_t ow = other.Width();
    const int32_t kw = kept.Width();
    Row mask(other.RawRowLength()), keptMask(kept.RawRowLength());
    std::vector<Row> in(static_cast<size_t>(indexCount), Row(static_cast<size_t>(ow)));
    std::vector<Row> out(static_cast<size_t>(indexCount), Row(static_cast<size_t>(kw)));
    for (int32_t y = 0; y < other.Height(); ++y) {
        const int32_t ky = y + at.dy;
        if (ky < 0 || ky >= kept.Height()) {
            continue;
        }
        other.ReadRow(y, mask.data());
        kept.ReadRow(ky, keptMask.data());
        for (int i = 0; i < indexCount; ++i) {
            otherIndices[i]->ReadRow(y, in[static_cast<size_t>(i)].data());
            keptIndices[i]->ReadRow(ky, out[static_cast<size_t>(i)].data());
        }
        bool changed = false;
        for (int32_t x = 0; x < ow; ++x) {
            const int32_t kx = x + at.dx;
            const auto s = static_cast<size_t>(x);
            if ((mask[2 * s] | mask[2 * s + 1]) == 0 || kx < 0 || kx >= kw) {
                continue;
            }
            const auto k = static_cast<size_t>(kx);
            keptMask[2 * k] |= mask[2 * s];
            keptMask[2 * k + 1] |= mask[2 * s + 1];
            for (int i = 0; i < indexCount; ++i) {
                const uint8_t v = in[static_cast<size_t>(i)][s];
                out[static_cast<size_t>(i)][k] = maps[i] ? maps[i][v] : v;
            }
            changed = true;
        }
        if (!changed) {
            continue;
        }
        if (!kept.PutRow(ky, keptMask.data())) {
            return false;
        }
        for (int i = 0; i < indexCount; ++i) {
            if (!keptIndices[i]->PutRow(ky, out[static_cast<size_t>(i)].data())) {
                return false;
            }
        }
    }
    return true;
}

// Whether index buffers fit their masks (a loaded layer's parts may be of other sizes).
bool IndicesFit(const RLBuffer& mask, const RLBuffer* const indices[], int count) {
    for (int i = 0; i < count; ++i) {
        if (!indices[i] || indices[i]->Width() != mask.Width() || indices[i]->Height() != mask.Height() ||
            indices[i]->BytesPerPixel() != 1) {
            return false;
        }
    }
    return true;
}

// The other layer's lines over the kept ones. Its rendered coverage is united and, where it has any, its
// rendered colours win; where its centre lines run (its occupancy, else its coverage) its style, colour
// and width bytes win. Colour indices go through the colour table's remap; the style and width bytes are
// no table indices and are copied.
bool MergeLines(ObjectLineArt& kept, const ObjectLineArt& other, const Placement& at, RLBuffer* keptOccupancy,
                const RLBuffer* otherOccupancy) {
    if (!kept.lineBuffer && !kept.Create(at.width, at.height)) {
        return false;
    }
    if (!other.lineBuffer) {
        return true;
    }
    if (!EnsurePart(kept.appearanceList) || !EnsurePart(kept.colorList)) {
        return false;
    }
    // Indices of a layer without its tables are taken as they are.
    LineAppearanceList appearances;
    LineColorList colors;
    if (other.appearanceList) {
        appearances.Copy(*other.appearanceList);
        kept.appearanceList->Remap(appearances);
    }
    const uint8_t* colorMap = nullptr;
    if (other.colorList) {
        colors.Copy(*other.colorList);
        kept.colorList->Remap(colors);
        colorMap = colors.RemapMap().data();
    }
    RLBuffer* keptRendered[] = {kept.refreshAppearance.get()};
    const RLBuffer* otherRendered[] = {other.refreshAppearance.get()};
    const uint8_t* renderedMaps[] = {colorMap};
    const bool rendered =
        IndicesFit(*kept.lineBuffer, keptRendered, 1) && IndicesFit(*other.lineBuffer, otherRendered, 1);
    if (!MergeMasks(*kept.lineBuffer, *other.lineBuffer, at, keptRendered, otherRendered, renderedMaps,
                    rendered ? 1 : 0)) {
        return false;
    }
    RLBuffer* keptBytes[] = {kept.lineAppearanceIndex.get(), kept.colorAppearanceIndex.get(),
                             kept.refreshWidth.get()};
    const RLBuffer* otherBytes[] = {other.lineAppearanceIndex.get(), other.colorAppearanceIndex.get(),
                                    other.refreshWidth.get()};
    const uint8_t* byteMaps[] = {nullptr, colorMap, nullptr};
    const bool byOccupancy = keptOccupancy && otherOccupancy && IndicesFit(*keptOccupancy, keptBytes, 3) &&
                             IndicesFit(*otherOccupancy, otherBytes, 3);
    if (byOccupancy) {
        return MergeMasks(*keptOccupancy, *otherOccupancy, at, keptBytes, otherBytes, byteMaps, 3);
    }
    if (IndicesFit(*kept.lineBuffer, keptBytes, 3) && IndicesFit(*other.lineBuffer, otherBytes, 3)) {
        return MergeMasks(*kept.lineBuffer, *other.lineBuffer, at, keptBytes, otherBytes, byteMaps, 3);
    }
    return true;
}

} // namespace

bool MergeLayerInto(LayerObject& kept, const LayerObject& other) {
    const int32_t width = kept.bounds.Width();
    const int32_t height = kept.bounds.Height();
    const Placement at{other.offsetX - kept.offsetX, other.offsetY - kept.offsetY, width, height};
    if (other.color && other.color->amount) {
        if (!kept.color && (!EnsurePart(kept.color) || !kept.color->Create(width, height, 0x00FFFFFF, 255))) {
            return false;
        }
        if (!MergeColor(*kept.color, *other.color, at)) {
            return false;
        }
    }
    if (other.shadow && other.shadow->lighting && other.shadow->appearanceIndex) {
        if (!kept.shadow && (!EnsurePart(kept.shadow) || !kept.shadow->Create(width, height))) {
            return false;
        }
        if (!MergeShadow(*kept.shadow, *other.shadow, at)) {
            return false;
        }
    }
    if (other.frame && other.frame->drawingBuffer) {
        if (!EnsurePart(kept.frame)) {
            return false;
        }
        if (!kept.frame->drawingBuffer) {
            kept.frame->drawingBuffer = parts::NewBuffer<SuperBitBuffer>(width, height, 2, 0);
            if (!kept.frame->drawingBuffer) {
                return false;
            }
        }
        if (!MergeMasks(*kept.frame->drawingBuffer, *other.frame->drawingBuffer, at, nullptr, nullptr,
                        nullptr, 0)) {
            return false;
        }
    }
    if (other.lineArt) {
        RLBuffer* keptOccupancy = kept.frame ? kept.frame->drawingBuffer.get() : nullptr;
        const RLBuffer* otherOccupancy = other.frame ? other.frame->drawingBuffer.get() : nullptr;
        if (!EnsurePart(kept.lineArt) ||
            !MergeLines(*kept.lineArt, *other.lineArt, at, keptOccupancy, otherOccupancy)) {
            return false;
        }
    }
    return true;
}

} // namespace ts::geometry
