#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ts {

// Persistent named values grouped in sections, the way the program keeps its settings. Values are
// kept as text; an integer is its decimal form. Reads fail (false, out untouched) when the value is
// missing or, for ReadInt, when its text is not a whole decimal number in the 32-bit range. Writes
// report failure with false; callers that keep settings treat failures as silent.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    virtual bool ReadInt(const std::string& section, const std::string& name, int32_t& out) = 0;
    virtual bool ReadString(const std::string& section, const std::string& name, std::string& out) = 0;
    virtual bool WriteInt(const std::string& section, const std::string& name, int32_t value) = 0;
    virtual bool WriteString(const std::string& section, const std::string& name,
                             const std::string& value) = 0;
    virtual bool Has(const std::string& section, const std::string& name) = 0;
    virtual void Remove(const std::string& section, const std::string& name) = 0;
    // Writes pending changes to the backing storage.
    virtual void Sync() = 0;
};

// Parses the stored text of an integer value: optional spaces, an optional sign, decimal digits,
// optional spaces, nothing else; the value must fit 32 bits.
bool ParseStoredInt(std::string_view text, int32_t& out);

} // namespace ts
