#include "core/platform/settings_store.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <qplatformdefs.h>

namespace {
const QString kSection = QStringLiteral("Properties/");
static_assert(
    [] {
        for (int i = 0; i < int(std::size(kSettings)); ++i)
            if (int(kSettings[i].setting) != i)
                return false;
        return true;
    }(),
    "kSettings lists the settings in their order");
} // namespace

SettingsStore::SettingsStore()
{
#ifdef Q_OS_UNIX
    // Where QSettings keeps the file, looked at before anything opens it.
    const QString path = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                         QStringLiteral("/Velmora/Velmora.conf");
    const QFileInfo info(path);
    if (info.exists() && !info.isFile() && !info.isDir()) {
        m_fileName = path;
        QT_STATBUF st;
        const bool known = QT_STAT(QFile::encodeName(path).constData(), &st) == 0;
        // Worded when asked: the language may be chosen after the store is read.
        m_unusable = known && S_ISFIFO(st.st_mode)   ? QT_TRANSLATE_NOOP("Settings", "a FIFO stands in its place")
                     : known && S_ISSOCK(st.st_mode) ? QT_TRANSLATE_NOOP("Settings", "a socket stands in its place")
                                                     : QT_TRANSLATE_NOOP("Settings", "a device stands in its place");
        return;
    }
#endif
    m_settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Velmora"),
                                             QStringLiteral("Velmora"));
    m_settings->setFallbacksEnabled(false);
    m_fileName = m_settings->fileName();
}

SettingsStore::~SettingsStore() = default;

std::optional<QString> SettingsStore::unusable() const
{
    if (!m_unusable)
        return std::nullopt;
    return QCoreApplication::translate("Settings", m_unusable);
}

QString SettingsStore::read(const QString& key, const QString& defaultValue)
{
    if (!m_settings)
        return defaultValue;
    m_settings->sync();
    const QVariant v = m_settings->value(kSection + key);
    if (!v.isValid())
        return defaultValue;
    // Qt's INI reader turns a value with an unquoted comma (a path typed by hand) into a list;
    // the value is the text that stands in the file.
    if (v.userType() == QMetaType::QStringList)
        return rawText(key).value_or(v.toStringList().join(QLatin1Char(',')));
    return v.toString();
}

std::optional<QString> SettingsStore::rawText(const QString& key) const
{
    QFile file(m_fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    bool inSection = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inSection = line == QLatin1String("[Properties]");
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (inSection && eq > 0 && line.left(eq).trimmed() == key)
            return line.mid(eq + 1).trimmed();
    }
    return std::nullopt;
}

void SettingsStore::write(const QString& key, const QString& value)
{
    if (!m_settings)
        return;
    m_settings->setValue(kSection + key, value);
    m_settings->sync();
}

QString SettingsStore::readIn(const QString& group, const QString& key)
{
    if (!m_settings)
        return {};
    m_settings->sync();
    // A value with a comma reads as a list: it is one text.
    const QVariant v = m_settings->value(group + QLatin1Char('/') + key);
    return v.typeId() == QMetaType::QStringList ? v.toStringList().join(QLatin1Char(',')) : v.toString();
}

void SettingsStore::writeIn(const QString& group, const QString& key, const QString& value)
{
    if (!m_settings)
        return;
    if (value.isEmpty())
        m_settings->remove(group + QLatin1Char('/') + key);
    else
        m_settings->setValue(group + QLatin1Char('/') + key, value);
    m_settings->sync();
}

void SettingsStore::deleteSection()
{
    if (!m_settings)
        return;
    m_settings->remove(QStringLiteral("Properties"));
    m_settings->sync();
}

QString SettingsStore::fileName() const
{
    return m_fileName;
}

std::optional<QString> SettingsStore::writeError() const
{
    if (m_unusable)
        return unusable();
    if (m_settings->status() == QSettings::NoError)
        return std::nullopt;
    if (QFileInfo(fileName()).isDir())
        return QCoreApplication::translate("Settings", "a folder stands in its place");
    // QSettings says only that it failed; an opening of the file says why.
    QFile probe(fileName());
    if (!probe.open(QIODevice::Append))
        return probe.errorString();
    return QCoreApplication::translate("Settings", "the settings could not be written");
}

QString SettingsStore::key(Setting setting)
{
    return QLatin1String(kSettings[int(setting)].key);
}

QString SettingsStore::read(Setting setting)
{
    return read(key(setting), QLatin1String(kSettings[int(setting)].fallback));
}

void SettingsStore::write(Setting setting, const QString& value)
{
    write(key(setting), value);
}
