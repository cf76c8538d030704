#include "tests/support/test_home.h"

#include "core/link/port_names.h"
#include "core/platform/lifetime.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSettings>

TestHome::TestHome()
{
    lifetime::resetForTests();
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("data"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("config"))));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.filePath(QStringLiteral("config")));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.filePath(QStringLiteral("config")));
    QDir().mkpath(portsFolder());
}

TestHome::~TestHome()
{
    lifetime::resetForTests();
}

QString TestHome::portsFolder() const
{
    return port_names::portsFolder();
}

bool TestHome::link(const QString& name, const QString& target) const
{
    const QString entry = QDir(portsFolder()).filePath(name);
    QFile::remove(entry);
    return QFile::link(target, entry);
}

QString TestHome::file(const QString& name, const QByteArray& bytes) const
{
    const QString p = m_dir.filePath(name);
    QDir().mkpath(QFileInfo(p).absolutePath());
    QFile f(p);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
    return p;
}

void TestHome::store(const QString& key, const QString& value) const
{
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Velmora"), QStringLiteral("Velmora"));
    s.setValue(QStringLiteral("Properties/") + key, value);
}

void TestHome::store(const QStringList& keyValues) const
{
    for (const QString& kv : keyValues)
        store(kv.section('=', 0, 0), kv.section('=', 1));
}

QString TestHome::stored(const QString& key) const
{
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Velmora"), QStringLiteral("Velmora"));
    return s.value(QStringLiteral("Properties/") + key).toString();
}

QStringList TestHome::storedKeys() const
{
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Velmora"), QStringLiteral("Velmora"));
    s.beginGroup(QStringLiteral("Properties"));
    return s.childKeys();
}

QByteArray patternBytes(qint64 length, quint32 seed)
{
    QRandomGenerator gen(seed);
    QByteArray out(length, Qt::Uninitialized);
    for (qint64 i = 0; i < length; ++i)
        out[i] = char(gen.generate() & 0xFF);
    return out;
}
