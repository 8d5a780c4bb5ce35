#pragma once

#include "platform/font_service.h"

#include <string>
#include <vector>

namespace ts {

// A font service without installed fonts, for tests and the command line without Qt: two families of
// box glyphs. Every visible character is a hollow box (capitals, digits and signs 0.7 em high, small
// letters 0.5 em) advancing 0.7 em; a blank advances 0.5 em and draws nothing. "Box Sans" has a
// regular style; "Box Slanted" has none.
class HeadlessFontService final : public FontService {
public:
    static constexpr const char* kRegularFamily = "Box Sans";
    static constexpr const char* kStylelessFamily = "Box Slanted";

    std::vector<std::string> Families() override { return {kRegularFamily, kStylelessFamily}; }
    bool OpenRegular(const std::string& family, double emSize, FontMetrics& metrics) override;
    bool Glyph(char32_t character, GlyphOutline& out) override;

private:
    double m_em = 0.0; // 0: no font open
};

} // namespace ts
