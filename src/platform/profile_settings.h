#pragma once

#include <cstdint>

namespace ts {

// A stored integer or text value with the default that read-or-seed writes when it is missing.
struct IntSetting {
    const char* section;
    const char* name;
    int32_t defaultValue;
};
struct TextSetting {
    const char* section;
    const char* name;
    const char* defaultValue;
};

// The values of the "Settings" section and the postcard counter. Printer values are in printer dots.
namespace settings {
inline constexpr IntSetting kPaperColor{"Settings", "PaperColor", 15461355}; // 0x00EBEBEB
inline constexpr IntSetting kPaperTextureIndex{"Settings", "PaperTextureIndex", 0};
inline constexpr IntSetting kResolution{"Settings", "Resolution", 400};     // pixels per inch
inline constexpr TextSetting kPaperWidth{"Settings", "PaperWidth", "36.0"}; // inches
inline constexpr TextSetting kPaperHeight{"Settings", "PaperHeight", "24.0"};
inline constexpr TextSetting kTargetPaperWidth{"Settings", "TargetPaperWidth", "36.0"};
inline constexpr TextSetting kTargetPaperHeight{"Settings", "TargetPaperHeight", "24.0"};
inline constexpr TextSetting kScaleDrawingPaperWidth{"Settings", "ScaleDrawingPaperWidth", "36.0"};
inline constexpr TextSetting kScaleDrawingPaperHeight{"Settings", "ScaleDrawingPaperHeight", "24.0"};
// The renderers seed "ThumbSize" with 1, the preferences dialog with 0: whichever reads first wins.
inline constexpr IntSetting kThumbSize{"Settings", "ThumbSize", 1};
inline constexpr IntSetting kThumbSizeForPreferences{"Settings", "ThumbSize", 0};
inline constexpr IntSetting kNudgeStrength{"Settings", "NudgeStrength", 1};
inline constexpr IntSetting kJpegQuality{"Settings", "JpegQuality", 80}; // 1-100
inline constexpr IntSetting kPrinterResolutionX{"Settings", "PrinterResolutionX", 600};
inline constexpr IntSetting kPrinterResolutionY{"Settings", "PrinterResolutionY", 600};
inline constexpr IntSetting kSubstrateWidth{"Settings", "SubstrateWidth", 5100};
inline constexpr IntSetting kSubstrateHeight{"Settings", "SubstrateHeight", 6600};
inline constexpr IntSetting kLeftMargin{"Settings", "LeftMargin", 150};
inline constexpr IntSetting kTopMargin{"Settings", "TopMargin", 42};
inline constexpr IntSetting kPrintableWidth{"Settings", "PrintableWidth", 4800};
inline constexpr IntSetting kPrintableHeight{"Settings", "PrintableHeight", 6282};
inline constexpr IntSetting kPlanes{"Settings", "Planes", 1};
inline constexpr IntSetting kBitsPerPixel{"Settings", "BitsPerPixel", 24};
inline constexpr IntSetting kCapabilities{"Settings", "Capabilities", 28313};
inline constexpr IntSetting kLineWidth{"Settings", "LineWidth", 4};
inline constexpr IntSetting kScreenSize{"Settings", "ScreenSize", 3};
inline constexpr IntSetting kThinLineIndex{"Settings", "ThinLineIndex", 3};
inline constexpr IntSetting kEnableMetric{"Settings", "EnableMetric", 0}; // 1: metres, else feet and inches
inline constexpr IntSetting kAddressIndex{"Postcards", "Address Index", 0};
} // namespace settings

struct RenderWindowSize {
    int32_t width;
    int32_t height;
};

// The size of the render window for flattened images by "ThumbSize": 0 = 640 x 480, 2 = 1024 x 768,
// 3 = 1280 x 1024, any other value 800 x 600.
constexpr RenderWindowSize RenderWindowSizeFor(int32_t thumbSize) {
    switch (thumbSize) {
    case 0:
        return {640, 480};
    case 2:
        return {1024, 768};
    case 3:
        return {1280, 1024};
    default:
        return {800, 600};
    }
}

} // namespace ts
