#include "tests/support/test_home.h"

#include "core/link/port_names.h"
#include "core/platform/lifetime.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSettings>

namespace {
std::unique_ptr<QSettings> settings()
{
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, "Velmora", "Velmora");
}
} // namespace

TestHome::TestHome()
{
    lifetime::resetForTests();
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("data"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("config"))));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.filePath(QStringLiteral("config")));
    QDir().mkpath(port_names::portsFolder());
}

TestHome::~TestHome()
{
    lifetime::resetForTests();
}

bool TestHome::link(const QString& name, const QString& target) const
{
    const QString entry = QDir(port_names::portsFolder()).filePath(name);
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

void TestHome::store(const QStringList& keyValues) const
{
    const auto s = settings();
    for (const QString& kv : keyValues)
        s->setValue("Properties/" + kv.section('=', 0, 0), kv.section('=', 1));
}

QString TestHome::stored(const QString& key) const
{
    return settings()->value("Properties/" + key).toString();
}

QStringList TestHome::storedKeys() const
{
    const auto s = settings();
    s->beginGroup(QStringLiteral("Properties"));
    return s->childKeys();
}

QByteArray patternBytes(qint64 length, quint32 seed)
{
    QRandomGenerator gen(seed);
    QByteArray out(length, Qt::Uninitialized);
    for (char& c : out)
        c = char(gen.generate());
    return out;
}
