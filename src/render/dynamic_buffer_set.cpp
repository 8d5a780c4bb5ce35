#include "render/dynamic_buffer_set.h"

#include "raster/byte_bit_counter.h"
#include "raster/color_spaces.h"
#include "raster/pixel_tables.h"
#include "render/dynamic_buffer_binding.h"
#include "render/stroke_rules.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <new>

namespace ts {

DynamicBufferSet::DynamicBufferSet() = default;

DynamicBufferSet::~DynamicBufferSet() {
    EndStroke();
}

Rect DynamicBufferSet::StrokeRect() const {
    return m_rect.IsEmpty() ? Rect{} : m_rect;
}

void DynamicBufferSet::SetTool(const StrokeTool& tool) {
    m_tool = tool;
}

void DynamicBufferSet::SetBrush(const BrushTS& brush) {
    m_brush = &brush;
}

void DynamicBufferSet::MoveBrush(int32_t qx, int32_t qy) {
    m_qx = qx;
    m_qy = qy;
}

bool DynamicBufferSet::BeginStroke(LayerObject& layer, int32_t strokeType, int32_t margin, int32_t radius) {
    EndStroke();
    m_rect = Rect{100000, 100000, -100000, -100000};
    m_offsetX = layer.offsetX;
    m_offsetY = layer.offsetY;
    m_margin = std::max(margin, 0);
    m_radius = radius;
    m_started = false;
    if (strokeType < 1 || strokeType > 24) {
        return false;
    }
    // The stroke's size is the layer's drawing buffer's, else the size of its parts (a layer that holds
    // only lighting or lines has the size of those).
    const SuperBitBuffer* reference = layer.frame ? layer.frame->drawingBuffer.get() : nullptr;
    int32_t width = reference ? reference->Width() : layer.PartWidth();
    int32_t height = reference ? reference->Height() : layer.PartHeight();
    if ((width <= 0 || height <= 0) && layer.shadow && layer.shadow->lighting) {
        width = layer.shadow->lighting->Width();
        height = layer.shadow->lighting->Height();
    }
    if ((width <= 0 || height <= 0) && layer.lineArt && layer.lineArt->lineBuffer) {
        width = layer.lineArt->lineBuffer->Width();
        height = layer.lineArt->lineBuffer->Height();
    }
    if (width <= 0 || height <= 0) {
        return false;
    }
    std::unique_ptr<Binding> bind;
    try {
        bind = std::make_unique<Binding>();
    } catch (const std::bad_alloc&) {
        return false;
    }
    bind->width = width;
    bind->height = height;
    bind->coverage[kReference] = reference ? layer.frame->drawingBuffer.get() : nullptr;

    const int32_t t = strokeType;
    const bool lineTypes = LineStroke::HasLinePart(t);
    const bool wantsColor = IsColorType(t) || ErasesColor(t);
    const bool wantsLighting =
        t == kStrokeLighting || t == kStrokeBlendLighting || ErasesLighting(t) || t == kStrokeLineArtLighting;
    // Painting types get colour channels when the layer has none: nothing painted yet, new paint at
    // full opacity. Lighting types get a neutral lighting object.
    if (IsColorType(t) && !(layer.color && layer.color->amount)) {
        auto color = std::make_unique<ObjectColor>();
        if (!color->Create(width, height, 0xFFFFFF, 255)) {
            return false;
        }
        layer.color = std::move(color);
    }
    if ((t == kStrokeLighting || t == kStrokeEraseLighting || t == kStrokeBlendLighting ||
         t == kStrokeLineArtLighting) &&
        !(layer.shadow && layer.shadow->lighting)) {
        auto shadow = std::make_unique<ObjectShadow>();
        if (!shadow->Create(width, height)) {
            return false;
        }
        layer.shadow = std::move(shadow);
    }
    auto bindByte = [&](int32_t slot, RLBuffer* buffer) {
        // A part of another size than the stroke is left alone rather than read out of bounds.
        if (buffer && buffer->Width() == width && buffer->Height() == height) {
            bind->bytes[static_cast<size_t>(slot)] = buffer;
        }
    };
    if (wantsColor && layer.color) {
        bindByte(kBlue, layer.color->blue.get());
        bindByte(kGreen, layer.color->green.get());
        bindByte(kRed, layer.color->red.get());
        bindByte(kAmount, layer.color->amount.get());
        bindByte(kAppearance, layer.color->appearance.get());
    }
    if ((wantsColor || wantsLighting) && layer.shadow) {
        bindByte(kLighting, layer.shadow->lighting.get());
        if (wantsLighting) {
            bindByte(kLightIndex, layer.shadow->appearanceIndex.get());
        }
    }
    if ((wantsColor || wantsLighting || lineTypes) && layer.lineArt) {
        bindByte(kLineColorIndex, layer.lineArt->colorAppearanceIndex.get());
        if (lineTypes) {
            bindByte(kLineAppearanceIndex, layer.lineArt->lineAppearanceIndex.get());
            SuperBitBuffer* lines = layer.lineArt->lineBuffer.get();
            if (lines && lines->Width() == width && lines->Height() == height) {
                bind->coverage[kLineCoverage] = lines;
            }
        }
    }

    // The buffers the pixel rule reads or writes get row windows; the line-art buffers wait for the
    // line rules, which are not applied yet.
    std::vector<int32_t> worked;
    if (t == kStrokeColor) {
        worked = {kBlue, kGreen, kRed, kAmount, kAppearance};
        if (m_tool.resetLighting) {
            worked.push_back(kLighting);
        }
    } else if (t == kStrokeEraseColor || t == kStrokeSurfaceEraser) {
        worked = {kBlue, kGreen, kRed, kAmount, kAppearance};
    } else if (t == kStrokeBlend) {
        worked = {kBlue, kGreen, kRed, kAppearance};
    } else if (t == kStrokeHue || t == kStrokeSaturation || t == kStrokeValue) {
        worked = {kBlue, kGreen, kRed};
    } else if (t == kStrokeLighting) {
        worked = {kLighting, kLightIndex};
    } else if (t == kStrokeBlendLighting) {
        worked = {kLighting};
    }
    if (ErasesColor(t)) {
        worked.insert(worked.end(), {kBlue, kGreen, kRed, kAmount, kAppearance});
    }
    if (ErasesLighting(t)) {
        worked.insert(worked.end(), {kLighting, kLightIndex});
    }
    std::sort(worked.begin(), worked.end());
    worked.erase(std::unique(worked.begin(), worked.end()), worked.end());
    for (int32_t slot : worked) {
        if (RLBuffer* b = bind->bytes[static_cast<size_t>(slot)]) {
            bind->windowed.push_back(b);
            bind->windowedBits.push_back(SlotBit(slot));
            bind->windowSlots.push_back(slot);
        }
    }
    // A rule that lacks one of its colour channels cannot work; the lighting parts are optional.
    const bool colorComplete = bind->bytes[kBlue] && bind->bytes[kGreen] && bind->bytes[kRed] &&
                               bind->bytes[kAmount] && bind->bytes[kAppearance];
    if (IsColorType(t) && !colorComplete) {
        return false;
    }
    if ((t == kStrokeLighting || t == kStrokeEraseLighting || t == kStrokeBlendLighting) &&
        !(bind->bytes[kLighting] && bind->bytes[kLightIndex])) {
        return false;
    }
    if (!bind->windowed.empty()) {
        if (!m_coverage) {
            try {
                m_coverage = std::make_unique<CoverageStore>();
            } catch (const std::bad_alloc&) {
                return false;
            }
        }
        if (!m_coverage->Reset(width, height)) {
            return false;
        }
        if (t == kStrokeColor) {
            try {
                bind->mixes = std::make_unique<MixCache>();
            } catch (const std::bad_alloc&) {
                return false;
            }
            bind->mixesTool = m_tool.color;
        }
        try {
            bind->rowFlags.assign(static_cast<size_t>(height), 0);
        } catch (const std::bad_alloc&) {
            return false;
        }
    }
    // The line part works on the layer's occupancy and line bytes itself; a type that is nothing but
    // lines fails without them, the others go on without their line part.
    if (lineTypes && !m_lines.Begin(layer, t, m_tool.lines) && LineStroke::LinesOnly(t)) {
        return false;
    }
    m_bind = std::move(bind);
    m_layer = &layer;
    m_type = strokeType;
    return true;
}

void DynamicBufferSet::EndStroke() {
    if (m_lines.Running()) {
        const Rect lines = m_lines.End();
        m_rect = m_rect.IsEmpty() ? lines : Union(m_rect, lines);
    }
    if (!m_bind) {
        m_layer = nullptr;
        return;
    }
    CommitRows();
    CloseWindows();
    m_bind.reset();
    m_layer = nullptr;
}

void DynamicBufferSet::CloseWindows() {
    for (RLBuffer* b : m_bind->windowed) {
        b->CloseWindow();
    }
    m_bind->windows.clear();
    m_bind->loaded = false;
}

// Stores the window rows whose flags meet the mask and clears those flags.
void DynamicBufferSet::StoreRows(uint32_t mask) {
    Binding& b = *m_bind;
    if (!b.loaded) {
        return;
    }
    const int32_t from = std::max(b.first, 0);
    const int32_t to = std::min(b.first + b.windowRows, b.height);
    for (int32_t y = from; y < to; ++y) {
        uint32_t& flags = b.rowFlags[static_cast<size_t>(y)];
        const uint32_t store = flags & mask;
        if (store == 0) {
            continue;
        }
        for (size_t i = 0; i < b.windowed.size(); ++i) {
            if ((store & b.windowedBits[i]) != 0) {
                b.windowed[i]->PutRow(y, b.windowed[i]->Window()->Pixels(y - b.first));
            }
        }
        flags &= ~mask;
    }
}

void DynamicBufferSet::CommitRows() {
    if (m_bind) {
        StoreRows(kLayerDirty);
    }
}

void DynamicBufferSet::ScrollWindows(int32_t rows, bool down) {
    if (!m_bind || !m_bind->loaded || rows <= 0) {
        return;
    }
    Binding& b = *m_bind;
    if (rows >= b.windowRows) {
        // Every row leaves: store them and load the windows at their new place.
        StoreRows(kLayerDirty);
        b.first += down ? rows : -rows;
        for (RLBuffer* buffer : b.windowed) {
            buffer->LoadWindow(b.first);
        }
        return;
    }
    // The flags of the rows that leave, in the order they leave.
    b.leaving.resize(static_cast<size_t>(rows));
    for (int32_t i = 0; i < rows; ++i) {
        const int32_t y = down ? b.first + i : b.first + b.windowRows - 1 - i;
        uint32_t flags = 0;
        if (y >= 0 && y < b.height) {
            flags = b.rowFlags[static_cast<size_t>(y)];
            b.rowFlags[static_cast<size_t>(y)] = 0;
        }
        b.leaving[static_cast<size_t>(i)] = flags;
    }
    // Each window stores its changed leaving rows, turns its row pointers once and reads the entering
    // rows straight into the rows that wrapped round.
    const int32_t firstAfter = b.first + (down ? rows : -rows);
    for (size_t k = 0; k < b.windowed.size(); ++k) {
        RLBuffer& buffer = *b.windowed[k];
        ImageBuffer& w = *buffer.Window();
        for (int32_t i = 0; i < rows; ++i) {
            const int32_t r = down ? i : b.windowRows - 1 - i;
            if ((b.leaving[static_cast<size_t>(i)] & b.windowedBits[k]) != 0) {
                buffer.PutRow(b.first + r, w.Pixels(r));
            }
        }
        down ? w.RotateRowsUp(rows) : w.RotateRowsDown(rows);
        w.SetFirstRow(firstAfter);
        for (int32_t i = 0; i < rows; ++i) {
            const int32_t r = down ? b.windowRows - rows + i : i;
            const int32_t y = firstAfter + r;
            if (y >= 0 && y < b.height) {
                buffer.ReadRow(y, w.Pixels(r));
            } else {
                w.ZeroRow(r);
            }
        }
    }
    b.first += down ? rows : -rows;
}

bool DynamicBufferSet::EnsureWindows(int32_t top, int32_t bottom) {
    Binding& b = *m_bind;
    if (b.windowsFailed) {
        return false;
    }
    const int32_t needed = bottom - top;
    if (b.loaded && b.windowRows < needed) {
        // The brush grew beyond the windows: store everything and open larger ones.
        StoreRows(kLayerDirty);
        CloseWindows();
    }
    // A few rows of slack above and below the brush spare re-reading rows when it turns back, and let
    // the windows scroll several rows at a time.
    const int32_t slack = std::clamp(needed, 16, std::max(m_margin, 16));
    if (!b.loaded) {
        b.windowRows = needed + 2 * slack;
        bool ok = true;
        for (RLBuffer* buffer : b.windowed) {
            ok = ok && buffer->OpenWindow(0, b.windowRows);
        }
        if (!ok) {
            CloseWindows();
            b.windowsFailed = true;
            return false;
        }
        b.first = top - (b.windowRows - needed) / 2;
        for (RLBuffer* buffer : b.windowed) {
            buffer->LoadWindow(b.first);
            b.windows.push_back(buffer->Window());
        }
        b.loaded = true;
        return true;
    }
    if (bottom > b.first + b.windowRows) {
        // Down: bring the brush's bottom at least the slack inside, keeping its top inside.
        ScrollWindows(std::min(bottom - (b.first + b.windowRows) + slack, top - b.first), true);
    } else if (top < b.first) {
        ScrollWindows(std::min(b.first - top + slack, b.first + b.windowRows - bottom), false);
    }
    return true;
}

} // namespace ts
