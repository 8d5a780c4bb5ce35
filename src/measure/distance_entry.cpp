#include "measure/distance_entry.h"

#include "measure/units_manager.h"

#include <cstdlib>

namespace ts {

DistanceEntry::DistanceEntry(bool metric) : m_metric(metric) {
    m_model.resource = kResource;
    m_model.caption = "Distance";
    if (metric) {
        m_model.label = "      Meters:";
        m_model.example = "For example, 6.4       ";
        m_model.accepted = kMetricCharacters;
    } else {
        m_model.label = "Feet-Inches:";
        m_model.example = "For example, 29' - 6 3/4\"";
        m_model.accepted = kImperialCharacters;
    }
}

double DistanceEntry::Read(const std::string& text) const {
    return m_metric ? std::atof(text.c_str()) : UnitsManager::ParseFeetInches(text);
}

AngleEntry::AngleEntry(bool metric) {
    m_model.resource = kResource;
    m_model.caption = "Angle";
    m_model.label = "Degrees:";
    m_model.accepted = metric ? kMetricCharacters : DistanceEntry::kImperialCharacters;
}

double AngleEntry::Read(const std::string& text) {
    return std::atof(text.c_str());
}

} // namespace ts
