#include "platform/headless_font_service.h"

namespace ts {

bool HeadlessFontService::OpenRegular(const std::string& family, double emSize, FontMetrics& metrics) {
    m_em = 0.0;
    if (family != kRegularFamily || !(emSize > 0.0)) {
        return false;
    }
    m_em = emSize;
    metrics.ascent = 0.8 * emSize;
    metrics.descent = 0.2 * emSize;
    return true;
}

bool HeadlessFontService::Glyph(char32_t character, GlyphOutline& out) {
    out = GlyphOutline{};
    if (m_em <= 0.0) {
        return false;
    }
    const double em = m_em;
    if (character == U' ') {
        out.advance = 0.5 * em;
        return true;
    }
    out.advance = 0.7 * em;
    const double top = (character >= U'a' && character <= U'z' ? -0.5 : -0.7) * em;
    const double left = 0.1 * em;
    const double right = 0.6 * em;
    const double wall = 0.1 * em;
    // The outer edge clockwise on the screen, the hole the other way round.
    out.contours.push_back({{left, top}, {right, top}, {right, 0.0}, {left, 0.0}});
    out.contours.push_back(
        {{left + wall, top + wall}, {left + wall, -wall}, {right - wall, -wall}, {right - wall, top + wall}});
    return true;
}

} // namespace ts
