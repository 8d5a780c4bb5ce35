#pragma once

#include "platform/settings_store.h"

#include <memory>
#include <string>

class QSettings;

namespace ts {

// The settings store of the program: an INI file through QSettings. Sections are INI groups and value
// names are keys (QSettings escapes spaces and other characters in the file).
class QtSettingsStore final : public SettingsStore {
public:
    // The user's file for organisation "Huecraft Software", application "Tintsmith", or the INI file
    // that the environment variable TINTSMITH_SETTINGS names.
    QtSettingsStore();
    // The given INI file.
    explicit QtSettingsStore(const std::string& iniPath);
    ~QtSettingsStore() override;

    bool ReadInt(const std::string& section, const std::string& name, int32_t& out) override;
    bool ReadString(const std::string& section, const std::string& name, std::string& out) override;
    bool WriteInt(const std::string& section, const std::string& name, int32_t value) override;
    bool WriteString(const std::string& section, const std::string& name, const std::string& value) override;
    bool Has(const std::string& section, const std::string& name) override;
    void Remove(const std::string& section, const std::string& name) override;
    void Sync() override;

    // The file the values live in.
    std::string FileName() const;

private:
    std::unique_ptr<QSettings> m_settings;
};

} // namespace ts
