#pragma once

#include "raster/color_spaces.h"
#include "raster/rect.h"

#include <cstdint>
#include <string>

namespace ts {

// What the colour picker dialog knows: the colour as R, G, B (0..255) and as H, S, B (0..240), kept
// together. Either side is set by the user and the other follows through the shared integer
// conversions; the side the user set keeps exactly what was set, so dragging over the field never
// drifts through a round trip. The widgets only draw this state and forward clicks and typing.
class ColorPickerModel {
public:
    // The dialog's six number fields, under the identifiers of the dialog template.
    enum class Field { kRed, kGreen, kBlue, kHue, kSaturation, kBrightness };
    static constexpr int32_t kRedId = 1583;
    static constexpr int32_t kGreenId = 1289;
    static constexpr int32_t kBlueId = 1288;
    static constexpr int32_t kHueId = 1290;
    static constexpr int32_t kSaturationId = 1292;
    static constexpr int32_t kBrightnessId = 1291;

    // Dialog layout in pixels: the hue/saturation field is 480 x 480 (2 pixels per step of H and S),
    // the brightness strip 50 x 480 (2 pixels per step of B).
    static constexpr Rect kFieldRect{10, 10, 490, 490};
    static constexpr Rect kStripRect{502, 10, 552, 490};
    static constexpr Rect kChipRect{562, 201, 662, 251};
    // Below this height of the strip (brightness under 90) the marker inverts what it covers, so that
    // it stays visible on the dark colours.
    static constexpr int32_t kStripDarkTop = 300;

    static int32_t IdOf(Field field);
    // The largest value a field takes: 255 for R, G, B and 240 for H, S, B.
    static int32_t MaximumOf(Field field);

    ColorPickerModel() { SetColor(0); }

    // A 0x00BBGGRR colour: R, G, B from its bytes, H, S, B converted from them.
    void SetColor(uint32_t color);
    uint32_t Color() const { return MakeColor(m_red, m_green, m_blue); }
    const Hsb& GetHsb() const { return m_hsb; }
    int32_t Value(Field field) const;

    // A press or drag at (x, y) in the field's own pixels: H = x / 2, S = 240 - y / 2, B kept. A point
    // outside the field (the mouse is captured during a drag) takes the nearest edge.
    void PickHueSaturation(int32_t x, int32_t y);
    // A press or drag at height y in the strip's own pixels: B = 240 - y / 2, H and S kept.
    void PickBrightness(int32_t y);

    // A number typed into a field. It is brought into the field's range and the other side follows;
    // the result is the value the field keeps, which the dialog writes back when it differs.
    int32_t Type(Field field, int64_t value);
    // The same from the field's text: an optional minus sign and decimal digits, however many. False
    // (nothing changed) for an empty or unreadable text, which the field may hold while being edited.
    bool TypeText(Field field, const std::string& text, int32_t& kept);

    // Where the cross-hair sits, in the field's and in the strip's own pixels.
    int32_t FieldMarkerX() const { return m_hsb.h * 2; }
    int32_t FieldMarkerY() const { return (240 - m_hsb.s) * 2; }
    static constexpr int32_t kStripMarkerX = 25;
    int32_t StripMarkerY() const { return (240 - m_hsb.b) * 2; }
    bool StripMarkerInverts() const { return StripMarkerY() > kStripDarkTop; }

    // The colour of the field's 2 x 2 cell holding pixel (x, y): hue x / 2, saturation 240 - y / 2 at
    // lightness 120.
    static uint32_t FieldColorAt(int32_t x, int32_t y);
    // The colour of the strip's row pair holding row y: the current H and S at brightness 240 - y / 2.
    uint32_t StripColorAt(int32_t y) const;

private:
    void FollowHsb();

    int32_t m_red = 0;
    int32_t m_green = 0;
    int32_t m_blue = 0;
    Hsb m_hsb;
};

} // namespace ts
