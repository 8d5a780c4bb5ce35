#pragma once

#include "platform/user_interface.h"

#include <string>

namespace ts {

// The dialog that asks for a real distance: feet and inches ("29' - 6 3/4\"") or, with the metric
// preference, metres ("6.4"). It hands back the text; Read turns it into a number.
class DistanceEntry {
public:
    static constexpr int32_t kResource = 425;
    static constexpr const char* kImperialCharacters = " 0123456789-/'\"";
    static constexpr const char* kMetricCharacters = " 0123456789.";

    explicit DistanceEntry(bool metric);
    const EntryDialog& Model() const { return m_model; }
    bool IsMetric() const { return m_metric; }
    // Shows the dialog; true with the typed text on OK.
    bool DoModal(UserInterface& ui, std::string& text) const { return ui.EnterValue(m_model, text); }
    // The entered distance: inches from feet-and-inches text, or the number as typed (metres) in
    // the metric form.
    double Read(const std::string& text) const;

private:
    EntryDialog m_model;
    bool m_metric;
};

// The dialog that asks for an angle in degrees. With the metric preference off it takes the same
// characters as the feet-and-inches entry.
class AngleEntry {
public:
    static constexpr int32_t kResource = 1581;
    static constexpr const char* kMetricCharacters = " 0123456789.-";

    explicit AngleEntry(bool metric);
    const EntryDialog& Model() const { return m_model; }
    bool DoModal(UserInterface& ui, std::string& text) const { return ui.EnterValue(m_model, text); }
    // The degrees typed, as atof reads them.
    static double Read(const std::string& text);

private:
    EntryDialog m_model;
};

} // namespace ts
