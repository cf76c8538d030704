#pragma once

#include <QSettings>
#include <QString>

#include <optional>

// The per-user store: organisation and application "Velmora", section "Properties", every
// value text. Nothing is cached; each call reads or writes the store.
class SettingsStore
{
public:
    SettingsStore();
    QString read(const QString& key, const QString& defaultValue);
    void write(const QString& key, const QString& value);
    void deleteSection();
    QString fileName() const;
    // Why what was written did not reach the file (a read-only disk, a folder in its place), or
    // nothing when it did.
    std::optional<QString> writeError() const;

private:
    // The text after "key=" in the store's file, as it stands there.
    std::optional<QString> rawText(const QString& key) const;

    QSettings m_settings;
};
