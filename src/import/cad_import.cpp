#include "import/cad_import.h"

#include "document/layer_geometry.h"
#include "model/part_buffers.h"
#include "platform/profile_settings.h"
#include "render/line_renderer.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

namespace ts {

namespace {

// Eight RGB pixels of pure white.
inline bool AllWhite(const uint8_t* rgb) {
    uint64_t words[3];
    std::memcpy(words, rgb, sizeof words);
    return (words[0] & words[1] & words[2]) == ~uint64_t{0};
}

// Gathers four image rows into one layer row, then stores it.
class CadRowSink final : public PngRowSink {
public:
    CadRowSink(int32_t threshold, CadLayerParts& parts) : m_threshold(threshold), m_parts(parts) {}

    bool Begin(int32_t width, int32_t height) override {
        const int32_t w = (width + 3) / 4;
        const int32_t h = (height + 3) / 4;
        // The occupancy has the widest rows of the layer's buffers: what it cannot hold is refused.
        if (width <= 0 || height <= 0 || !RLBuffer::SizeIsValid(w, h, 2)) {
            return false;
        }
        m_parts.imageWidth = width;
        m_parts.imageHeight = height;
        m_parts.occupancy = parts::NewBuffer<SuperBitBuffer>(w, h, 2, 0);
        m_parts.colorIndex = parts::NewBuffer<RLBuffer>(w, h, 1, 0);
        try {
            m_parts.color = std::make_unique<ObjectColor>();
            m_mask.assign(static_cast<size_t>(w) * 2, 0);
            m_index.assign(static_cast<size_t>(w), 0);
            for (auto& channel : m_channels) {
                channel.assign(static_cast<size_t>(w), 0);
            }
        } catch (const std::bad_alloc&) {
            return false;
        }
        m_width = w;
        return m_parts.occupancy && m_parts.colorIndex && m_parts.color->Create(w, h, 0x00FFFFFF, 255);
    }

    void Row(int32_t y, const uint8_t* rgb) override {
        const int32_t j = y & 3;
        if (j == 0) {
            StartLayerRow();
        }
        const int32_t width = m_parts.imageWidth;
        for (int32_t x = 0; x < width; ++x, rgb += 3) {
            // Runs of pure white (most of a print) leave the layer row as it starts: clear, no lines.
            while (x + 8 <= width && AllWhite(rgb)) {
                x += 8;
                rgb += 24;
            }
            if (x >= width) {
                break;
            }
            const uint8_t r = rgb[0];
            const uint8_t g = rgb[1];
            const uint8_t b = rgb[2];
            const auto lx = static_cast<size_t>(x >> 2);
            const int32_t i = x & 3;
            if (!IsCadLinePixel(r, g, b, m_threshold)) {
                if ((i | j) == 0) {
                    m_channels[0][lx] = b;
                    m_channels[1][lx] = g;
                    m_channels[2][lx] = r;
                    m_channels[3][lx] = (r & g & b) == 255 ? 0 : 255;
                }
                continue;
            }
            const uint8_t index = ColorSlot(static_cast<uint32_t>(r | g << 8 | b << 16));
            ++m_parts.useCounts[index];
            ++m_parts.linePixels;
            uint16_t mask = static_cast<uint16_t>(m_mask[2 * lx] | m_mask[2 * lx + 1] << 8);
            if (mask == 0) {
                m_index[lx] = index;
            }
            mask = static_cast<uint16_t>(mask | 1u << SuperBitBuffer::SubPixelBit(i, j));
            m_mask[2 * lx] = static_cast<uint8_t>(mask);
            m_mask[2 * lx + 1] = static_cast<uint8_t>(mask >> 8);
        }
        if (j == 3 || y == m_parts.imageHeight - 1) {
            StoreLayerRow(y >> 2);
        }
    }

private:
    void StartLayerRow() {
        std::fill(m_mask.begin(), m_mask.end(), 0);
        std::fill(m_index.begin(), m_index.end(), 0);
        for (auto& channel : m_channels) {
            std::fill(channel.begin(), channel.end(), channel.data() == m_channels[3].data() ? 0 : 255);
        }
    }

    void StoreLayerRow(int32_t row) {
        m_parts.occupancy->PutRow(row, m_mask.data());
        m_parts.colorIndex->PutRow(row, m_index.data());
        m_parts.color->blue->PutRow(row, m_channels[0].data());
        m_parts.color->green->PutRow(row, m_channels[1].data());
        m_parts.color->red->PutRow(row, m_channels[2].data());
        m_parts.color->amount->PutRow(row, m_channels[3].data());
    }

    // The colour's slot in the line colour list: up to 255 colours are added; any later new colour
    // shares slot 0.
    uint8_t ColorSlot(uint32_t color) {
        if (m_count > 0 && color == m_lastColor) {
            return m_lastSlot;
        }
        int slot = -1;
        for (int k = 0; k < m_count; ++k) {
            if (m_known[static_cast<size_t>(k)] == color) {
                slot = k;
                break;
            }
        }
        if (slot < 0) {
            if (m_count < 255) {
                slot = m_count;
                m_known[static_cast<size_t>(m_count++)] = color;
                m_parts.colors.Set(slot, LineColor{static_cast<int32_t>(color), 255});
            } else {
                slot = 0;
            }
        }
        m_lastColor = color;
        m_lastSlot = static_cast<uint8_t>(slot);
        return m_lastSlot;
    }

    int32_t m_threshold;
    CadLayerParts& m_parts;
    int32_t m_width = 0;
    std::vector<uint8_t> m_mask;                    // two bytes per layer pixel
    std::vector<uint8_t> m_index;                   // colour slot per layer pixel
    std::array<std::vector<uint8_t>, 4> m_channels; // blue, green, red, amount
    std::array<uint32_t, 255> m_known{};            // the colours in slot order
    int m_count = 0;
    uint32_t m_lastColor = 0;
    uint8_t m_lastSlot = 0;
};

bool EndsWith(const std::string& s, const char* tail) {
    const size_t n = std::strlen(tail);
    return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

template <class Buffer> bool Turn(std::unique_ptr<Buffer>& buffer) {
    auto turned = geometry::TurnBuffer(*buffer, 90);
    if (!turned) {
        return false;
    }
    buffer = std::move(turned);
    return true;
}

// A quarter turn counter-clockwise of every part; false (parts partly turned) when memory runs out.
bool TurnParts(CadLayerParts& parts) {
    ObjectColor& c = *parts.color;
    return Turn(parts.occupancy) && Turn(parts.colorIndex) && Turn(c.appearance) && Turn(c.blue) &&
           Turn(c.green) && Turn(c.red) && Turn(c.amount);
}

} // namespace

PngReadResult DecodeCadPng(const std::string& path, int32_t threshold, CadLayerParts& parts) {
    CadRowSink sink(threshold, parts);
    return ReadPngRows(path, sink);
}

PngReadResult DecodeCadPng(const uint8_t* data, size_t size, int32_t threshold, CadLayerParts& parts) {
    CadRowSink sink(threshold, parts);
    return ReadPngRows(data, size, sink);
}

CadLineImport::CadLineImport(ImageStackManager& stack, LayerOperations& operations, UndoStore& undo,
                             RefreshRequests& refresh, UserInterface& ui, ProfileManager& profile)
    : m_stack(stack), m_operations(operations), m_undo(undo), m_refresh(refresh), m_ui(ui),
      m_profile(profile) {}

bool CadLineImport::HasPngExtension(const std::string& path) {
    return EndsWith(path, ".png") || EndsWith(path, ".PNG") || EndsWith(path, ".Png");
}

bool CadLineImport::IsDrawingFile(const std::string& path) {
    std::string lower = path;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return EndsWith(lower, ".ts.png");
}

bool CadLineImport::ChooseAndImport() {
    std::string path;
    FileDialogRequest request{"Import CAD Lines",
                              m_profile.DialogFolder(RecentFolder::Images),
                              "",
                              "PNG Images (*.png)|*.png||",
                              "",
                              false};
    if (!m_ui.ChooseOpenFile(request, path)) {
        return false;
    }
    return Import(path);
}

bool CadLineImport::Import(const std::string& path, int32_t threshold) {
    if (!HasPngExtension(path)) {
        m_ui.ShowMessage(kNoPngExtension);
        return false;
    }
    if (IsDrawingFile(path)) {
        m_ui.ShowMessage(kUseOpenForDrawings);
        return false;
    }
    if (m_stack.Count() < ImageStackManager::kFirstDrawingLayer ||
        m_stack.Count() >= ImageStackManager::kMaxLayers) {
        m_ui.ShowMessage(kFileNotLoaded);
        return false;
    }
    m_ui.BeginWaitCursor();
    CadLayerParts parts;
    const PngReadResult read = DecodeCadPng(path, threshold, parts);
    bool done = read == PngReadResult::kRead && Install(parts);
    m_ui.EndWaitCursor();
    if (!done) {
        m_ui.ShowMessage(kFileNotLoaded);
    }
    return done;
}

bool CadLineImport::Install(CadLayerParts& parts) {
    Page page = m_operations.CurrentPage();
    // A portrait sheet on a landscape page lies down.
    if (page.width > page.height && parts.occupancy->Height() > parts.occupancy->Width() &&
        !TurnParts(parts)) {
        return false;
    }
    const int32_t w = parts.occupancy->Width();
    const int32_t h = parts.occupancy->Height();
    const bool resize = page.DrawingWidth() != w || page.DrawingHeight() != h ||
                        m_stack.DrawingWidth() != w || m_stack.DrawingHeight() != h;
    if (resize) {
        m_undo.SnapshotDrawing();
    }
    std::unique_ptr<LayerObject> blank;
    if (m_stack.IsEmptyDrawing()) {
        blank = m_stack.RemoveLayer(ImageStackManager::kFirstDrawingLayer);
    }
    const int32_t previousCurrent = m_stack.Current();
    if (!m_stack.CreateDrawingLayer(std::move(parts.occupancy), kCadLayerName)) {
        if (blank) {
            m_stack.InsertLayer(ImageStackManager::kFirstDrawingLayer, std::move(blank));
        }
        m_stack.SetCurrent(std::min(previousCurrent, m_stack.Count() - 1));
        return false;
    }
    LayerObject& layer = *m_stack.CurrentLayer();
    layer.color = std::move(parts.color);
    if (EnsureLineArt(layer)) {
        ObjectLineArt& lines = *layer.lineArt;
        const int32_t width = std::clamp(m_profile.Get(settings::kThinLineIndex), 1, kMaxLineWidth);
        lines.refreshWidth->Fill(LineWidthByte(width, 0));
        lines.colorAppearanceIndex = std::move(parts.colorIndex);
        lines.colorList->Copy(parts.colors);
        lines.appearanceList->FindOrAdd(MakeLineAppearance(width, 0, 0));
        LineRenderer(layer).RedrawLines(Rect{0, 0, w, h});
    }
    m_useCounts = parts.useCounts;
    if (resize) {
        // The page follows the layer; the margins stay as they were.
        const int32_t marginX = page.width - page.printableWidth;
        const int32_t marginY = page.height - page.printableHeight;
        page.width = w * Page::kPagePixelsPerDrawingPixel;
        page.height = h * Page::kPagePixelsPerDrawingPixel;
        page.printableWidth = page.width - marginX > 4 ? page.width - marginX : page.width;
        page.printableHeight = page.height - marginY > 4 ? page.height - marginY : page.height;
        m_operations.SetPage(page);
        m_stack.SetDrawingSize(w, h);
        if (drawingResized) {
            drawingResized(w, h);
        }
    } else {
        m_undo.SnapshotAddedLayer();
    }
    m_refresh.MarkStackFootprint();
    m_refresh.MarkViewContents(m_stack.DrawingRect());
    m_refresh.Refresh("Import CAD Lines");
    return true;
}

} // namespace ts
