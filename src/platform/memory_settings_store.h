#pragma once

#include "platform/settings_store.h"

#include <map>
#include <string>
#include <utility>

namespace ts {

// A settings store that lives in memory only: for tests and the command-line tool. Section and value
// names are compared exactly.
class MemorySettingsStore final : public SettingsStore {
public:
    bool ReadInt(const std::string& section, const std::string& name, int32_t& out) override;
    bool ReadString(const std::string& section, const std::string& name, std::string& out) override;
    bool WriteInt(const std::string& section, const std::string& name, int32_t value) override;
    bool WriteString(const std::string& section, const std::string& name, const std::string& value) override;
    bool Has(const std::string& section, const std::string& name) override;
    void Remove(const std::string& section, const std::string& name) override;
    void Sync() override { ++m_syncs; }

    size_t Count() const { return m_values.size(); }
    int32_t Syncs() const { return m_syncs; }
    // Counts every write, so tests can tell a read that seeded from one that did not.
    int32_t Writes() const { return m_writes; }

private:
    std::map<std::pair<std::string, std::string>, std::string> m_values;
    int32_t m_syncs = 0;
    int32_t m_writes = 0;
};

} // namespace ts
