#include "model/object_line_art.h"

#include "model/part_buffers.h"

#include <new>

namespace ts {

using parts::CopyBuffer;
using parts::Footprint;
using parts::SameBuffer;

namespace {

template <class Table> bool CopyTable(std::unique_ptr<Table>& into, const std::unique_ptr<Table>& from) {
    if (!from) {
        into.reset();
        return true;
    }
    std::unique_ptr<Table> copy;
    try {
        copy = std::make_unique<Table>();
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (!copy->Copy(*from)) {
        return false;
    }
    into = std::move(copy);
    return true;
}

template <class Table> bool SameTable(const std::unique_ptr<Table>& a, const std::unique_ptr<Table>& b) {
    if (!a || !b) {
        return !a && !b;
    }
    return a->Equals(*b);
}

} // namespace

ObjectLineArt::ObjectLineArt() {
    SetIntensity(255);
}

void ObjectLineArt::SetIntensity(uint8_t v) {
    const uint32_t factor = (static_cast<uint32_t>(v) << 16) / 255;
    for (uint32_t k = 0; k <= 16; ++k) {
        const uint32_t level = k == 16 ? 255 : 16 * k;
        intensityRamp[k] = static_cast<uint8_t>((level * factor) >> 16);
    }
}

bool ObjectLineArt::Create(int32_t width, int32_t height) {
    auto coverage = parts::NewBuffer<SuperBitBuffer>(width, height, 2, 0);
    auto lineIndex = parts::NewBuffer(width, height, 1, 0);
    auto colorIndex = parts::NewBuffer(width, height, 1, 0);
    auto refresh = parts::NewBuffer(width, height, 1, 0);
    auto widths = parts::NewBuffer(width, height, 1, 0);
    std::unique_ptr<LineAppearanceList> appearances;
    std::unique_ptr<LineColorList> colors;
    try {
        appearances = std::make_unique<LineAppearanceList>();
        colors = std::make_unique<LineColorList>();
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (!coverage || !lineIndex || !colorIndex || !refresh || !widths) {
        return false;
    }
    appearances->InitDefaults();
    lineBuffer = std::move(coverage);
    lineAppearanceIndex = std::move(lineIndex);
    colorAppearanceIndex = std::move(colorIndex);
    refreshAppearance = std::move(refresh);
    refreshWidth = std::move(widths);
    appearanceList = std::move(appearances);
    colorList = std::move(colors);
    return true;
}

bool ObjectLineArt::CopyFrom(const ObjectLineArt& other) {
    if (!CopyBuffer(lineBuffer, other.lineBuffer) ||
        !CopyBuffer(lineAppearanceIndex, other.lineAppearanceIndex) ||
        !CopyBuffer(colorAppearanceIndex, other.colorAppearanceIndex) ||
        !CopyBuffer(refreshAppearance, other.refreshAppearance) ||
        !CopyBuffer(refreshWidth, other.refreshWidth) || !CopyTable(appearanceList, other.appearanceList) ||
        !CopyTable(colorList, other.colorList)) {
        return false;
    }
    counters[0] = other.counters[0];
    counters[1] = other.counters[1];
    intensityRamp = other.intensityRamp;
    return true;
}

bool ObjectLineArt::SameContents(const ObjectLineArt& other) const {
    return SameBuffer(lineBuffer, other.lineBuffer) &&
           SameBuffer(lineAppearanceIndex, other.lineAppearanceIndex) &&
           SameBuffer(colorAppearanceIndex, other.colorAppearanceIndex) &&
           SameBuffer(refreshAppearance, other.refreshAppearance) &&
           SameBuffer(refreshWidth, other.refreshWidth) && SameTable(appearanceList, other.appearanceList) &&
           SameTable(colorList, other.colorList);
}

bool ObjectLineArt::HasLines() const {
    return parts::AnyNonZero(lineBuffer.get());
}

size_t ObjectLineArt::MemoryFootprint() const {
    return Footprint(lineBuffer) + Footprint(lineAppearanceIndex) + Footprint(colorAppearanceIndex) +
           Footprint(refreshAppearance) + Footprint(refreshWidth);
}

void ObjectLineArt::FlipHorizontal(ProgressMeter* progress) {
    parts::FlipHorizontal(lineBuffer, progress);
    parts::FlipHorizontal(lineAppearanceIndex, progress);
    parts::FlipHorizontal(colorAppearanceIndex, progress);
    parts::FlipHorizontal(refreshAppearance, progress);
    parts::FlipHorizontal(refreshWidth, progress);
}

void ObjectLineArt::FlipVertical(ProgressMeter* progress) {
    parts::FlipVertical(lineBuffer, progress);
    parts::FlipVertical(lineAppearanceIndex, progress);
    parts::FlipVertical(colorAppearanceIndex, progress);
    parts::FlipVertical(refreshAppearance, progress);
    parts::FlipVertical(refreshWidth, progress);
}

} // namespace ts
