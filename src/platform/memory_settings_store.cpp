#include "platform/memory_settings_store.h"

namespace ts {

bool MemorySettingsStore::ReadInt(const std::string& section, const std::string& name, int32_t& out) {
    const auto it = m_values.find({section, name});
    return it != m_values.end() && ParseStoredInt(it->second, out);
}

bool MemorySettingsStore::ReadString(const std::string& section, const std::string& name, std::string& out) {
    const auto it = m_values.find({section, name});
    if (it == m_values.end()) {
        return false;
    }
    out = it->second;
    return true;
}

bool MemorySettingsStore::WriteInt(const std::string& section, const std::string& name, int32_t value) {
    return WriteString(section, name, std::to_string(value));
}

bool MemorySettingsStore::WriteString(const std::string& section, const std::string& name,
                                      const std::string& value) {
    m_values[{section, name}] = value;
    ++m_writes;
    return true;
}

bool MemorySettingsStore::Has(const std::string& section, const std::string& name) {
    return m_values.count({section, name}) != 0;
}

void MemorySettingsStore::Remove(const std::string& section, const std::string& name) {
    m_values.erase({section, name});
}

} // namespace ts
