#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace ts {

// The unit distances are shown in. Distances are held in inches everywhere; the manager converts and
// formats them for display, and reads feet-and-inches text back.
class UnitsManager {
public:
    static constexpr int32_t kInches = 0;
    static constexpr int32_t kFeet = 1;
    static constexpr int32_t kMillimeters = 2;
    static constexpr int32_t kCentimeters = 3;
    static constexpr int32_t kMeters = 4;
    static constexpr int32_t kPixels = 5;
    static constexpr int32_t kPercent = 6;
    static constexpr int32_t kFeetAndInches = 7;

    // Inches times these give the unit of the name.
    static constexpr double kFeetPerInch = 0.08333333333333333;
    static constexpr double kMillimetersPerInch = 25.4;
    static constexpr double kCentimetersPerInch = 2.54;
    static constexpr double kMetersPerInch = 0.0254;

    // Stores the code and tells the current mode (through unitsChanged).
    void SetUnit(int32_t code);
    int32_t Unit() const { return m_unit; }
    bool IsUnit(int32_t code) const { return m_unit == code; }
    bool IsFeetAndInches() const { return m_unit == kFeetAndInches; }

    // Whether the unit commands are enabled.
    bool UnitsMenuEnabled() const { return m_unitsMenu != 0; }
    void EnableUnitsMenu(bool enabled) { m_unitsMenu = enabled ? 1 : 0; }

    // Inches in the current unit: feet, millimetres, centimetres and metres are converted, feet and
    // inches are written as such, every other unit shows the number as it is.
    std::string FormatDistance(double inches) const;
    // The value unconverted: feet and inches as such, anything else as a number.
    std::string FormatPlain(double value) const;

    // Five significant digits after a leading blank, in the general format the program has always
    // shown: fixed notation from 0.1 up to 99999 with trailing zeros dropped but the point kept
    // ("12." then "000" is appended: " 12.000"); smaller numbers down to 1e-5 as plain decimals
    // (" 0.000012345"), still smaller ones as " 0.0"; from 100000 up the exponent form " 1.2346e+005"
    // (point after the first digit, trailing zeros dropped, a sign and three exponent digits).
    static std::string FormatNumber(double x);
    // "29'  6 3/4": "- " for a negative value, the feet with an apostrophe and two blanks, the whole
    // inches and the fraction in 32nds reduced. The fraction keeps the text to about five digits: up to
    // 99 feet it is in 32nds, from 100 to 999 feet in eighths, from 1000 feet on the inches are whole.
    // The value is rounded to what is shown, so a fraction that rounds up carries into the inches and
    // twelve inches into a foot (5.99 reads "0'  6", never "5 1/1").
    static std::string FormatFeetInches(double inches);
    // Reads "29' - 6 3/4\"", "6 3/4", "3/4", "5'" or "12" as inches. Any character other than a digit,
    // an apostrophe or a slash only separates the numbers, so the value is never negative. A fraction
    // with the denominator 0 counts as 0 ("1/0" reads 0, "5 1/0" reads 5).
    static double ParseFeetInches(const std::string& text);

    // Told after every SetUnit; the workspace passes it on to the current mode.
    std::function<void()> unitsChanged;

private:
    int32_t m_unit = kInches;
    uint8_t m_unitsMenu = 1;
};

} // namespace ts
