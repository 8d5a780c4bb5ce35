#include "qtplatform/qt_settings_store.h"

#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <cstdlib>

namespace ts {

namespace {

QString Key(const std::string& section, const std::string& name) {
    return QString::fromStdString(section) + QLatin1Char('/') + QString::fromStdString(name);
}

// The text of a stored value. An unquoted value with commas, as a hand-edited file may hold, reads
// as a list; it is joined back.
bool ValueText(const QSettings& settings, const QString& key, QString& out) {
    const QVariant value = settings.value(key);
    if (!value.isValid()) {
        return false;
    }
    if (value.typeId() == QMetaType::QStringList) {
        out = value.toStringList().join(QLatin1Char(','));
        return true;
    }
    if (!value.canConvert<QString>()) {
        return false;
    }
    out = value.toString();
    return true;
}

} // namespace

QtSettingsStore::QtSettingsStore() {
    const char* file = std::getenv("TINTSMITH_SETTINGS");
    if (file != nullptr && file[0] != '\0') {
        m_settings = std::make_unique<QSettings>(QString::fromLocal8Bit(file), QSettings::IniFormat);
    } else {
        m_settings =
            std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                        QStringLiteral("Huecraft Software"), QStringLiteral("Tintsmith"));
    }
}

QtSettingsStore::QtSettingsStore(const std::string& iniPath)
    : m_settings(std::make_unique<QSettings>(QString::fromStdString(iniPath), QSettings::IniFormat)) {}

QtSettingsStore::~QtSettingsStore() = default;

bool QtSettingsStore::ReadInt(const std::string& section, const std::string& name, int32_t& out) {
    QString text;
    return ValueText(*m_settings, Key(section, name), text) && ParseStoredInt(text.toStdString(), out);
}

bool QtSettingsStore::ReadString(const std::string& section, const std::string& name, std::string& out) {
    QString text;
    if (!ValueText(*m_settings, Key(section, name), text)) {
        return false;
    }
    out = text.toStdString();
    return true;
}

bool QtSettingsStore::WriteInt(const std::string& section, const std::string& name, int32_t value) {
    m_settings->setValue(Key(section, name), QString::number(value));
    return m_settings->isWritable();
}

bool QtSettingsStore::WriteString(const std::string& section, const std::string& name,
                                  const std::string& value) {
    m_settings->setValue(Key(section, name), QString::fromStdString(value));
    return m_settings->isWritable();
}

bool QtSettingsStore::Has(const std::string& section, const std::string& name) {
    return m_settings->contains(Key(section, name));
}

void QtSettingsStore::Remove(const std::string& section, const std::string& name) {
    m_settings->remove(Key(section, name));
}

void QtSettingsStore::Sync() {
    m_settings->sync();
}

std::string QtSettingsStore::FileName() const {
    return m_settings->fileName().toStdString();
}

} // namespace ts
