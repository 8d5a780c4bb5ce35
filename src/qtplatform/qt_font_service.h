#pragma once

#include "platform/font_service.h"

#include <memory>
#include <string>
#include <vector>

namespace ts {

// The installed fonts through Qt's font database: the families as it lists them, and glyph outlines of
// a family's regular style (not italic, normal weight) from a raw font at the em size in pixel units.
// Needs a GUI application (it may run offscreen); without one there are no families.
class QtFontService final : public FontService {
public:
    QtFontService();
    ~QtFontService() override;
    QtFontService(const QtFontService&) = delete;
    QtFontService& operator=(const QtFontService&) = delete;

    std::vector<std::string> Families() override;
    bool OpenRegular(const std::string& family, double emSize, FontMetrics& metrics) override;
    bool Glyph(char32_t character, GlyphOutline& out) override;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace ts
