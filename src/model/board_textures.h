#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace ts {

// The board textures of "Textures/Board/", in the order of their numbers 1..27 (index 0..26). A paper
// layer keeps the index; the name is shown and the file is loaded.
struct BoardTexture {
    const char* name;
    const char* file;
};

inline constexpr std::array<BoardTexture, 27> kBoardTextures{{
    {"Standard1", "Standard1.jpg"},
    {"Standard2", "Standard2.jpg"},
    {"Standard3", "Standard3.jpg"},
    {"Standard4", "Standard4.jpg"},
    {"Canvas1", "Canvas1.jpg"},
    {"Canvas2", "Canvas2.jpg"},
    {"Canvas3", "Canvas3.jpg"},
    {"CoarseWeave1", "CoarseWeave1.jpg"},
    {"CoarseWeave2", "CoarseWeave2.jpg"},
    {"CoarseWeave3", "CoarseWeave3.jpg"},
    {"CoarseWeave4", "CoarseWeave4.jpg"},
    {"FineWeave1", "FineWeave1.bmp"},
    {"FineWeave2", "FineWeave2.bmp"},
    {"FineWeave3", "FineWeave3.bmp"},
    {"FineWeave4", "FineWeave4.bmp"},
    {"FineWeave5", "FineWeave5.bmp"},
    {"Flannel1", "Flannel1.jpg"},
    {"Flannel2", "Flannel2.jpg"},
    {"Flannel3", "Flannel3.jpg"},
    {"Flannel4", "Flannel4.jpg"},
    {"Herringbone1", "Herringbone1.jpg"},
    {"Herringbone2", "Herringbone2.jpg"},
    {"Herringbone3", "Herringbone3.jpg"},
    {"Herringbone4", "Herringbone4.jpg"},
    {"Concrete1", "Concrete1.jpg"},
    {"Concrete2", "Concrete2.jpg"},
    {"None", "None.jpg"},
}};

inline constexpr const char* kBoardFolder = "Textures/Board/";
inline constexpr int32_t kNoneTextureIndex = 26;

// The texture for an index, indices outside the table taking the nearest end.
inline const BoardTexture& BoardTextureAt(int32_t index) {
    return kBoardTextures[static_cast<size_t>(index < 0 ? 0 : index > 26 ? 26 : index)];
}

} // namespace ts
