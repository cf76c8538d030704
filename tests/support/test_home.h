#pragma once

#include "core/link/port_names.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>

// A private home for one test: settings store and ports folder in a temporary directory, so no test touches
// the real home folder.
class TestHome
{
public:
    TestHome()
    {
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.filePath("data")));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath("config")));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.filePath("config"));
        QDir().mkpath(port_names::portsFolder());
    }
    QString path() const { return m_dir.path(); }
    // Points the link name (e.g. "COM3", "LPT1") at `target` through the ports folder.
    bool link(const QString& name, const QString& target) const
    {
        const QString entry = QDir(port_names::portsFolder()).filePath(name);
        QFile::remove(entry);
        return QFile::link(target, entry);
    }
    // Writes a file of the given bytes under the home; returns its path.
    QString file(const QString& name, const QByteArray& bytes) const
    {
        QFile f(m_dir.filePath(name));
        QDir().mkpath(QFileInfo(f).absolutePath());
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
        return f.fileName();
    }
    void store(const QString& key, const QString& value) const { store({key + '=' + value}); }
    void store(const QStringList& keyValues) const // "key=value" each
    {
        for (const QString& kv : keyValues)
            settings()->setValue(kv.section('=', 0, 0), kv.section('=', 1));
    }
    QString stored(const QString& key) const { return settings()->value(key).toString(); }
    // Nothing is stored where a FIFO or a device stands in the file's place (opening it would wait).
    QStringList storedKeys() const
    {
        const QFileInfo file(m_dir.path() + "/config/Velmora/Velmora.conf");
        return file.exists() && !file.isFile() && !file.isDir() ? QStringList() : settings()->childKeys();
    }

private:
    static std::unique_ptr<QSettings> settings()
    {
        auto s = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, "Velmora", "Velmora");
        s->beginGroup("Properties");
        return s;
    }
    QTemporaryDir m_dir;
};

// Random bytes of a given length, the same for the same seed.
inline QByteArray patternBytes(qint64 length, quint32 seed = 1)
{
    QRandomGenerator gen(seed);
    QByteArray out(length, Qt::Uninitialized);
    for (char& c : out)
        c = char(gen.generate());
    return out;
}
