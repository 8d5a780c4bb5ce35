#include "measure/units_manager.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <system_error>

namespace ts {

namespace {

// The five significant digits of |x| and the decimal exponent of the first one (x = d.dddd × 10^e),
// correctly rounded; std::to_chars does the rounding, the layout is ours.
struct FiveDigits {
    char digits[5];
    int exponent;
};

FiveDigits SignificantDigits(double magnitude) {
    FiveDigits out{{'0', '0', '0', '0', '0'}, 0};
    if (magnitude == 0.0) {
        return out;
    }
    char text[32];
    const auto result =
        std::to_chars(text, text + sizeof text, magnitude, std::chars_format::scientific, 4); // d.dddde±XX
    if (result.ec != std::errc()) {
        return out;
    }
    out.digits[0] = text[0];
    for (int i = 1; i < 5; ++i) {
        out.digits[i] = text[i + 1];
    }
    const char* e = text + 7; // after "d.dddde"
    if (*e == '+') {
        ++e;
    }
    std::from_chars(e, result.ptr, out.exponent);
    return out;
}

// The digits with the trailing zeros dropped (at least one kept).
std::string Trimmed(const char* digits, int count) {
    while (count > 1 && digits[count - 1] == '0') {
        --count;
    }
    return std::string(digits, static_cast<size_t>(count));
}

int DigitCount(int64_t n) {
    int count = 1;
    while (n >= 10) {
        n /= 10;
        ++count;
    }
    return count;
}

} // namespace

void UnitsManager::SetUnit(int32_t code) {
    m_unit = code;
    if (unitsChanged) {
        unitsChanged();
    }
}

std::string UnitsManager::FormatDistance(double inches) const {
    switch (m_unit) {
    case kFeet:
        return FormatNumber(inches * kFeetPerInch);
    case kMillimeters:
        return FormatNumber(inches * kMillimetersPerInch);
    case kCentimeters:
        return FormatNumber(inches * kCentimetersPerInch);
    case kMeters:
        return FormatNumber(inches * kMetersPerInch);
    case kFeetAndInches:
        return FormatFeetInches(inches);
    default:
        return FormatNumber(inches);
    }
}

std::string UnitsManager::FormatPlain(double value) const {
    return IsFeetAndInches() ? FormatFeetInches(value) : FormatNumber(value);
}

std::string UnitsManager::FormatNumber(double x) {
    std::string text;
    if (!std::isfinite(x)) {
        return std::isnan(x) ? " nan" : (x < 0 ? " -inf" : " inf");
    }
    const FiveDigits n = SignificantDigits(std::fabs(x));
    const bool negative = std::signbit(x) && x != 0.0;
    if (n.exponent < -1) {
        // Down to 1e-5 as a plain decimal: "0.", the zeros before the first digit, then the digits.
        const int shift = -n.exponent;
        if (shift >= 6) {
            text = "0.0";
        } else {
            text.assign(negative ? "-0." : "0.");
            text.append(static_cast<size_t>(shift - 1), '0');
            text += Trimmed(n.digits, 5);
        }
    } else if (n.exponent > 4) {
        // Exponent form: one digit before the point, a signed exponent of three digits.
        if (negative) {
            text += '-';
        }
        text += n.digits[0];
        text += '.';
        if (const std::string rest = Trimmed(n.digits + 1, 4); rest != "0") {
            text += rest;
        }
        char exponent[8];
        std::snprintf(exponent, sizeof exponent, "e+%03d", n.exponent);
        text += exponent;
    } else {
        // Fixed: e + 1 integer digits (one zero below 1), the rest after the point without trailing
        // zeros; the point stays.
        if (negative) {
            text += '-';
        }
        int integerDigits = n.exponent + 1;
        if (integerDigits == 0) {
            text += "0";
        } else {
            text.append(n.digits, static_cast<size_t>(integerDigits));
        }
        text += '.';
        if (integerDigits < 5) {
            const std::string fraction = Trimmed(n.digits + integerDigits, 5 - integerDigits);
            if (fraction != "0") {
                text += fraction;
            }
        }
    }
    std::string out(1, ' ');
    out += text;
    if (out.back() == '.') {
        out += "000";
    }
    return out;
}

std::string UnitsManager::FormatFeetInches(double inches) {
    // Beyond a billion feet nothing sensible is shown anyway; keep the integer conversions defined.
    double magnitude = std::isfinite(inches) ? std::fabs(inches) : 0.0;
    if (magnitude > 1.0e10) {
        magnitude = 1.0e10;
    }
    int64_t feet = static_cast<int64_t>(std::trunc(magnitude * kFeetPerInch));
    const double rest = magnitude - 12.0 * static_cast<double>(feet);
    int64_t wholeInches = static_cast<int64_t>(std::trunc(rest));

    // The digits budget: the feet's digits, or with no feet those of the inches.
    const int feetDigits = feet == 0 ? 0 : DigitCount(feet);
    const int inchDigits = feet != 0 || wholeInches == 0 ? 0 : (wholeInches < 10 ? 1 : 2);
    const int budget = feetDigits + inchDigits;
    const int64_t steps = budget <= 2 ? 32 : (budget == 3 ? 8 : 1); // fraction steps per inch

    int64_t fraction = static_cast<int64_t>(
        std::trunc((rest - static_cast<double>(wholeInches)) * static_cast<double>(steps) + 0.5));
    if (fraction >= steps) {
        fraction -= steps;
        ++wholeInches;
    }
    if (wholeInches >= 12) {
        wholeInches -= 12;
        ++feet;
    }

    std::string text;
    if (inches < 0 && (feet != 0 || wholeInches != 0 || fraction != 0)) {
        text += "- ";
    }
    text += std::to_string(feet);
    text += "'  ";
    text += std::to_string(wholeInches);
    if (fraction != 0) {
        int64_t numerator = fraction * (32 / steps);
        int64_t denominator = 32;
        while (numerator % 2 == 0) {
            numerator /= 2;
            denominator /= 2;
        }
        text += ' ';
        text += std::to_string(numerator);
        text += '/';
        text += std::to_string(denominator);
    }
    return text;
}

double UnitsManager::ParseFeetInches(const std::string& text) {
    enum Field { kFeetField, kInchField, kNumeratorField, kDenominatorField, kEnd };
    double value[4] = {0.0, 0.0, 0.0, 1.0};
    int field = text.find('\'') != std::string::npos ? kFeetField : kInchField;
    bool inDigits = false;
    for (const char c : text) {
        if (field == kEnd) {
            break;
        }
        if (c >= '0' && c <= '9') {
            if (!inDigits) {
                value[field] = 0.0;
                inDigits = true;
            }
            value[field] = value[field] * 10.0 + (c - '0');
            continue;
        }
        if (!inDigits) {
            continue; // what comes before a field's first digit is skipped
        }
        inDigits = false;
        switch (field) {
        case kFeetField:
            field = kInchField;
            break;
        case kInchField:
            if (c == '/') {
                // The digits read were the numerator of a bare fraction.
                value[kNumeratorField] = value[kInchField];
                value[kInchField] = 0.0;
                field = kDenominatorField;
            } else {
                field = kNumeratorField;
            }
            break;
        case kNumeratorField:
            field = c == '/' ? kDenominatorField : kEnd;
            break;
        default:
            field = kEnd;
            break;
        }
    }
    const double fraction =
        value[kDenominatorField] == 0.0 ? 0.0 : value[kNumeratorField] / value[kDenominatorField];
    const double inches = 12.0 * value[kFeetField] + value[kInchField] + fraction;
    return std::isfinite(inches) ? inches : 0.0;
}

} // namespace ts
