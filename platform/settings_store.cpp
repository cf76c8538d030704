#include "platform/settings_store.h"

namespace {
const QString kSection = QStringLiteral("Properties/");
}

SettingsStore::SettingsStore()
    : m_settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Velmora"), QStringLiteral("Velmora"))
{
    m_settings.setFallbacksEnabled(false);
}

QString SettingsStore::read(const QString& key, const QString& defaultValue)
{
    m_settings.sync();
    const QVariant v = m_settings.value(kSection + key);
    return v.isValid() ? v.toString() : defaultValue;
}

void SettingsStore::write(const QString& key, const QString& value)
{
    m_settings.setValue(kSection + key, value);
    m_settings.sync();
}

void SettingsStore::deleteSection()
{
    m_settings.remove(QStringLiteral("Properties"));
    m_settings.sync();
}

QString SettingsStore::fileName() const
{
    return m_settings.fileName();
}
