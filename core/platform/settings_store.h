#pragma once

#include <QSettings>
#include <QString>

#include <memory>
#include <optional>

// The stored choices, each with its key in the store and the value that stands for it when the
// store has none. Every face and tool names a stored value through this table.
enum class Setting { Language, Port, Baud, Parity, DataBits, StopBits, Operation, BootBoard, Check, Turbo, File };
struct SettingEntry {
    Setting setting;
    const char* key;
    const char* fallback;
};
inline constexpr SettingEntry kSettings[] = {
    {Setting::Language, "Lingua", "1000"},   {Setting::Port, "Porta", "0"},       {Setting::Baud, "BaudRate", "1"},
    {Setting::Parity, "Parity", "0"},        {Setting::DataBits, "DataBit", "0"}, {Setting::StopBits, "StopBit", "0"},
    {Setting::Operation, "Operazione", "0"}, {Setting::BootBoard, "Boot0", "1"},  {Setting::Check, "Check", "0"},
    {Setting::Turbo, "ChkTurbo", "0"},       {Setting::File, "File", ""},
};

// The per-user store: organisation and application "Velmora", section "Properties", every
// value text. Nothing is cached; each call reads or writes the store.
class SettingsStore
{
public:
    SettingsStore();
    ~SettingsStore();
    QString read(const QString& key, const QString& defaultValue);
    void write(const QString& key, const QString& value);
    // A stored choice, or its fallback.
    QString read(Setting setting);
    void write(Setting setting, const QString& value);
    static QString key(Setting setting);
    // A key of another group than the window's ("Record", "ShopRecord"); empty when absent. A
    // value written empty is removed.
    QString readIn(const QString& group, const QString& key);
    void writeIn(const QString& group, const QString& key, const QString& value);
    void deleteSection();
    QString fileName() const;
    // Why what was written did not reach the file (a read-only disk, a folder in its place), or
    // nothing when it did.
    std::optional<QString> writeError() const;
    // Why the file is not used at all: something other than a regular file stands in its place (a
    // FIFO, whose opening would wait for a writer forever; a device). Every read then gives its
    // fallback and nothing is written.
    std::optional<QString> unusable() const;

private:
    // The text after "key=" in the store's file, as it stands there.
    std::optional<QString> rawText(const QString& key) const;

    std::unique_ptr<QSettings> m_settings;
    QString m_fileName;
    const char* m_unusable = nullptr; // in English, translated when asked
};
