#pragma once

#include <cstdint>

namespace ts {

// How a line is drawn on a line layer. The six attributes carry the line panel's width, style and
// freehand settings; p3 is neither compared nor saved.
struct LineAppearance {
    int32_t reference = 0;
    uint8_t mark = 1;
    uint8_t level = 255;
    uint8_t p1 = 0;
    uint8_t p2 = 0;
    uint8_t p3 = 0;
    uint8_t p4 = 0;
    uint8_t p5 = 0;
    uint8_t p6 = 0;

    // Two appearances that draw alike are equal: reference, mark, level and p3 take no part.
    bool operator==(const LineAppearance& o) const {
        return p1 == o.p1 && p2 == o.p2 && p4 == o.p4 && p5 == o.p5 && p6 == o.p6;
    }
};

// A line colour (0x00BBGGRR) and its opacity.
struct LineColor {
    int32_t color = 0;
    uint8_t opacity = 255;

    bool operator==(const LineColor&) const = default;
};

// An appearance of painted surface colour. The reference is the appearance type the compositor paints
// (0 coloured pencil, 1 opaque paper, 2 paper, 3-8 and 9-11 blends, above 11 textured); p1 is the
// share of the pencil colour in the blends (D, 0-255).
struct CColorAppearance {
    int32_t reference = 0;
    uint8_t p1 = 0;
    uint8_t p2 = 0;
    uint8_t p3 = 0;
    uint8_t p4 = 0;
    uint8_t p5 = 0;
    uint8_t p6 = 0;

    bool operator==(const CColorAppearance&) const = default;
};

// A light source's appearance on a shadow layer: a reference and the light's colour.
struct ShadowAppearance {
    int32_t reference = 0;
    int32_t color = 0xFFFFFF;

    bool operator==(const ShadowAppearance&) const = default;
};

} // namespace ts
