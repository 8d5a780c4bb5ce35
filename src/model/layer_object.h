#pragma once

#include "model/bmap.h"
#include "model/object_color.h"
#include "model/object_line_art.h"
#include "model/wireframe.h"
#include "raster/rect.h"
#include "raster/rl_buffer.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ts {

// Layer kinds are told by name.
inline constexpr const char* kBackdropName = "Backdrop";
inline constexpr const char* kPaperName = "Paper";
inline constexpr const char* kBlankLayerName = "Blank Layer";
inline constexpr const char* kRoviDivodName = "RoviDivod";
inline constexpr const char* kSketchFrameName = "Sketch Frame";
inline constexpr const char* kCadLayerName = "CAD Layer";
inline constexpr const char* kScannedRoviDivodName = "Scanned RoviDivod";
inline constexpr const char* kSketchLinesName = "Sketch Lines";

// Visibility bits of a layer.
inline constexpr uint32_t kShowSurface = 1;
inline constexpr uint32_t kShowLines = 2;
inline constexpr uint32_t kShowLighting = 4;

// Indices of a layer's scale settings.
enum ScaleSetting : int {
    kTargetPaperWidth = 0,
    kTargetPaperHeight = 1,
    kPaperWidth = 2,
    kPaperHeight = 3,
    kResolution = 4,
};

// One layer of a drawing: a container of optional parts (every pointer owned; null means absent) and
// its settings. A drawing pixel (x, y) is the layer pixel (x - offsetX, y - offsetY).
class LayerObject {
public:
    LayerObject();
    ~LayerObject();
    LayerObject(const LayerObject&) = delete;
    LayerObject& operator=(const LayerObject&) = delete;

    // Deep copy of every part and setting; the id too when copyId is set (undo copies keep the
    // identity, clones get a new one). False when memory runs out; this layer may then be partly copied.
    bool CopyFrom(const LayerObject& other, bool copyId);
    // Same parts with the same pixels and the same saved settings (the duplicate-snapshot test).
    bool SameAs(const LayerObject& other) const;
    size_t MemoryFootprint() const;
    // True when the layer carries paint, lighting, lines or an image.
    bool HasContent() const;
    // The size of the colour channels, else of the image, else of the drawing buffer; 0 when none.
    int32_t PartWidth() const;
    int32_t PartHeight() const;
    // Recomputes the lighting ramp from the highlight and shade colours, strength and transition width.
    void RebuildRamp();
    bool ShowsSurface() const { return (visibility & kShowSurface) != 0; }
    bool ShowsLines() const { return (visibility & kShowLines) != 0; }
    bool ShowsLighting() const { return (visibility & kShowLighting) != 0; }

    std::unique_ptr<RLBuffer> auxBuffer; // saved when present
    std::unique_ptr<BMap> auxImage;      // not saved
    std::unique_ptr<BMap> image;         // the layer's picture
    std::unique_ptr<ObjectColor> color;
    std::unique_ptr<ObjectShadow> shadow;
    std::unique_ptr<Wireframe> frame;
    std::unique_ptr<ObjectLineArt> lineArt;
    std::vector<uint8_t> extraData; // at most kMaxExtraData bytes when loaded
    int32_t offsetX = 0;
    int32_t offsetY = 0;
    Rect bounds; // drawing pixels
    std::array<double, 3> transform{};
    bool visibleInStack = true;
    uint32_t flagWord = 0;
    std::array<uint32_t, 256> lightingRamp{}; // 0xAARRGGBB per lighting level
    uint32_t highlightColor = 0;              // 0x00BBGGRR
    uint32_t shadeColor = 0;
    int32_t strength = 5;
    int32_t transitionWidth = 30;
    int32_t scalarInt = -1;
    float scalarFloat = 5.0f;
    std::array<uint32_t, 3> words{};
    uint32_t id = 0;
    uint32_t visibility = kShowSurface | kShowLines | kShowLighting; // not saved
    std::array<int32_t, 2> headerValues{};
    std::vector<uint32_t> properties; // rebuilt before saving, decoded after loading
    std::string name;
    std::string caption;
    bool dimmed = false;
    bool hidden = false;
    bool marked = false; // the third toggle of the layer panel
    std::array<double, 8> scale{};
    int32_t extraInt = 0;
    // The paper layer's board: texture index (0-based) and the three paper adjustments. The
    // adjustments keep the show-through settings: [0] the "Background Amount" and [1] the "Painted
    // Amount" list index (0..4), each stored plus one; [2] is unused and stays 0. A stored 0 (every file
    // written before the settings travelled with the drawing) or anything outside 1..5 means "not
    // stored": opening such a drawing leaves the settings as they are. See PaperAmountStored/-Read.
    int32_t paperTextureIndex = 0;
    std::array<int32_t, 3> paperAdjust{};

    static constexpr size_t kMaxExtraData = 50000;
};

// A show-through list index (0..4) as a paper adjustment value, and back: -1 for "not stored".
inline constexpr int32_t PaperAmountStored(int32_t index) {
    return index >= 0 && index <= 4 ? index + 1 : 0;
}
inline constexpr int32_t PaperAmountRead(int32_t stored) {
    return stored >= 1 && stored <= 5 ? stored - 1 : -1;
}

// A colour in the 8-bit hue, saturation and value scale (hue 0..255 going once round the circle),
// as 0x00BBGGRR.
uint32_t HsvToColor(int hue, int saturation, int value);

} // namespace ts
