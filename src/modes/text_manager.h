#pragma once

#include "document/undo_store.h"
#include "model/image_stack_manager.h"
#include "model/point_ts.h"
#include "platform/font_service.h"
#include "platform/user_interface.h"
#include "render/line_dashes.h"
#include "render/line_renderer.h"
#include "render/refresh_requests.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace ts {

// The lettering engine: the text being typed, where it starts and how it looks, and its rendering as
// line pixels of a layer of its own named "Caption".
//
// The click sits at the top left corner of the text's line box: the layer's corner is the text
// position, the baseline lies the font's ascent below it, and the layer is as high as a quarter of the
// line height (1.1 x the font's height, in quarter pixels) plus one row. Characters follow each other
// by their advance plus the letter spacing (a fraction of the em size); their outlines are filled by the
// non-zero rule into the 4 x 4 sub-pixel occupancy of the layer and drawn with the line mode's width,
// style and freehand in the text's colour.
//
// Each text has its layer: typing re-renders it in place, a new text gets a new layer, and the layer's
// making is the text's one undo record (Undo takes the whole text away; Redo brings it back as it was
// when undone).
class TextManager {
public:
    static constexpr const char* kLayerName = "Caption";
    static constexpr const char* kNoRegularStyle = "This font family doesn't have a regular style.";
    static constexpr int32_t kResolution = 300; // drawing pixels per inch the font is sized for
    static constexpr double kMinSize = 1.0;     // points
    static constexpr double kMaxSize = 72.0;
    // Quarter pixels of em per point and pixel per inch: 4 / 72.
    static constexpr double kEmPerPoint = 0.05555555555555555;
    static constexpr double kLineHeightFactor = 1.1;
    // A family whose height at the em size lies outside this range has no usable regular style.
    static constexpr double kMinFontHeight = 5.0;
    static constexpr double kMaxFontHeight = 10000.0;
    // The widest text layer in pixels; characters beyond it are cut off.
    static constexpr int32_t kMaxLayerWidth = 16384;
    // The font the engine starts with before a family is chosen: height, weight, face.
    static constexpr int32_t kDefaultFontHeight = -16;
    static constexpr int32_t kDefaultFontWeight = 400;
    static constexpr const char* kDefaultFace = "Arial";

    TextManager(ImageStackManager& stack, UndoStore& undo, RefreshRequests& refresh, UserInterface& ui);

    // The platform's fonts (none: nothing can be rendered).
    void SetFontService(FontService* fonts) { m_fonts = fonts; }
    // The installed families, read again from the font service.
    const std::vector<std::string>& FontFamilies();
    // Where the width, style and freehand of the lines come from (the line panel); called with the text's
    // layer current. Without it the lines are solid, one pixel wide.
    void SetLineSettingsSource(std::function<LineSettings()> source) { m_lineSettings = std::move(source); }

    void SetFamily(const std::string& family) { m_family = family; }
    const std::string& Family() const { return m_family; }
    // The colour of the next render (0x00BBGGRR).
    void SetColor(uint32_t color) { m_color = color & 0x00FFFFFF; }

    // Renders the text at a drawing point with a size in points (clamped to 1..72) and a letter spacing
    // in em. update: the text being typed takes the new values; otherwise a new, empty text starts there
    // (a text in progress with characters is finished first and keeps its layer). False, with the
    // message shown and the drawing unchanged, when the family has no usable regular style.
    bool RenderText(IntPoint position, int32_t resolution, double size, double spacing, bool update,
                    uint32_t color);
    // A character typed at the end of the text, then rendered; false when the text could not be drawn.
    bool AddCharacter(char32_t character);
    // Backspace: the last character goes and the rest is rendered again (an emptied text takes its
    // layer away). False, with nothing changed, on an empty text.
    bool RemoveLastCharacter();
    // The text is done: its layer stays as it is, and the next character starts nothing until a new
    // text is begun.
    void FinishText();

    const std::u32string& Text() const { return m_text; }
    bool Started() const { return m_started; }
    IntPoint Position() const { return m_position; }
    double Size() const { return m_size; }
    double Spacing() const { return m_spacing; }
    uint32_t Color() const { return m_color; }
    int32_t Resolution() const { return m_resolution; }
    // 1.1 x the height of the font last opened, in quarter pixels.
    double LineHeight() const { return m_lineHeight; }
    // The id of the layer of the text being typed, 0 before its first character.
    uint32_t LayerId() const { return m_layerId; }

private:
    // Renders the text as it stands; false with the message when the font cannot be used.
    bool Render();
    // The layer of the text, made or made anew at a size; null when memory runs out.
    LayerObject* PrepareLayer(int32_t width, int32_t height, Rect& before);
    // The text became empty: its layer goes with its undo record while that is the newest.
    void RemoveEmptyLayer();
    // Writes the occupancy masks and the line bytes, then redraws the layer's lines.
    Rect WriteLines(LayerObject& layer, const std::vector<uint16_t>& masks);

    ImageStackManager& m_stack;
    UndoStore& m_undo;
    RefreshRequests& m_refresh;
    UserInterface& m_ui;
    FontService* m_fonts = nullptr;
    std::function<LineSettings()> m_lineSettings;
    DotDashGapMask m_dashes;
    std::vector<std::string> m_families;
    std::string m_family = kDefaultFace;
    std::u32string m_text;
    IntPoint m_position;
    double m_size = 12.0;
    double m_spacing = 0.0;
    uint32_t m_color = 0;
    int32_t m_resolution = kResolution;
    double m_lineHeight = 0.0;
    uint32_t m_layerId = 0;
    bool m_started = false;
};

} // namespace ts
