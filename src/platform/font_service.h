#pragma once

#include <string>
#include <vector>

namespace ts {

// A point of a glyph outline: x to the right of the character's origin, y down from the baseline, in
// the unit the em size was given in.
struct GlyphPoint {
    double x = 0.0;
    double y = 0.0;
};

// One closed contour, its curves already flattened into straight edges (the last point joins the
// first). Outer contours and holes run in opposite directions, as the font draws them.
using GlyphContour = std::vector<GlyphPoint>;

struct GlyphOutline {
    std::vector<GlyphContour> contours;
    double advance = 0.0; // how far the next character's origin lies to the right
};

// Ascent above and descent below the baseline of an opened font; their sum is the font's height.
struct FontMetrics {
    double ascent = 0.0;
    double descent = 0.0;
    double Height() const { return ascent + descent; }
};

// The installed fonts, as the lettering needs them: the families, and the outlines of characters in a
// family's regular style (upright, normal weight) at an em size. The unit of the em size is the unit of
// every length returned (the lettering asks in quarter pixels).
class FontService {
public:
    virtual ~FontService() = default;

    // The installed families, in the order the platform lists them.
    virtual std::vector<std::string> Families() = 0;
    // Opens the family's regular style at the em size for the Glyph calls that follow. False, with no
    // font open, when the family is unknown or has no regular style.
    virtual bool OpenRegular(const std::string& family, double emSize, FontMetrics& metrics) = 0;
    // The outline and advance of a character in the open font. A character the font lacks comes out
    // as the font shows it (often a box or nothing) with its advance. False when no font is open.
    virtual bool Glyph(char32_t character, GlyphOutline& out) = 0;
};

} // namespace ts
