#pragma once

#include "document/layer_operations.h"
#include "document/undo_store.h"
#include "import/png_row_reader.h"
#include "model/appearance_tables.h"
#include "model/image_stack_manager.h"
#include "model/object_color.h"
#include "platform/profile_manager.h"
#include "platform/user_interface.h"
#include "raster/rl_buffer.h"
#include "raster/super_bit_buffer.h"
#include "render/refresh_requests.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace ts {

inline constexpr const char* kNoPngExtension = "File doesn't have a .png extension.";
inline constexpr const char* kUseOpenForDrawings = "Use Open for files of type .ts.png.";
inline constexpr const char* kFileNotLoaded = "Error: This File Could Not Be Loaded";
inline constexpr int32_t kCadThreshold = 250;

// A CAD picture made into the parts of a layer a quarter of its size in each direction. Layer pixel
// (x, y) holds the image's 4 x 4 block from (4x, 4y): its colour is that of image pixel (4x, 4y) when
// that is background, and image pixel (4x + i, 4y + j), when it is a line pixel, sets sub-pixel (i, j)
// of the occupancy, so the line mask keeps the full resolution.
struct CadLayerParts {
    int32_t imageWidth = 0;
    int32_t imageHeight = 0;
    std::unique_ptr<SuperBitBuffer> occupancy;
    std::unique_ptr<ObjectColor> color;
    std::unique_ptr<RLBuffer> colorIndex; // per layer pixel: the colour of its first line pixel
    LineColorList colors;
    std::array<uint64_t, 256> useCounts{}; // line pixels per colour slot
    int64_t linePixels = 0;
};

// The CAD line import's classification of one pixel: brightness (2R + 5G + B) / 8 below the
// threshold makes a line pixel.
inline bool IsCadLinePixel(uint8_t r, uint8_t g, uint8_t b, int32_t threshold) {
    return (2 * r + 5 * g + b) / 8 < threshold;
}

// Reads a PNG (a file, or bytes in memory) into the parts. Nothing outside the parts is touched.
PngReadResult DecodeCadPng(const std::string& path, int32_t threshold, CadLayerParts& parts);
PngReadResult DecodeCadPng(const uint8_t* data, size_t size, int32_t threshold, CadLayerParts& parts);

// "Import CAD Lines": a PNG printed from a CAD program becomes the drawing's "CAD Layer".
class CadLineImport {
public:
    CadLineImport(ImageStackManager& stack, LayerOperations& operations, UndoStore& undo,
                  RefreshRequests& refresh, UserInterface& ui, ProfileManager& profile);

    // Told when the drawing takes a new size (the view follows it).
    std::function<void(int32_t, int32_t)> drawingResized;

    // The menu command: asks for a PNG, then imports it.
    bool ChooseAndImport();
    // The file as a "CAD Layer" on top of the drawing. A refused or unreadable file shows its message
    // and changes nothing.
    bool Import(const std::string& path, int32_t threshold = kCadThreshold);
    // The counts of the last import (tests and the command-line tool report them).
    const std::array<uint64_t, 256>& UseCounts() const { return m_useCounts; }

    // ".png", ".PNG" or ".Png" at the end, and not a drawing file.
    static bool HasPngExtension(const std::string& path);
    static bool IsDrawingFile(const std::string& path);

private:
    bool Install(CadLayerParts& parts);

    ImageStackManager& m_stack;
    LayerOperations& m_operations;
    UndoStore& m_undo;
    RefreshRequests& m_refresh;
    UserInterface& m_ui;
    ProfileManager& m_profile;
    std::array<uint64_t, 256> m_useCounts{};
};

} // namespace ts
