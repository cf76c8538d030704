#include "cli/file_names.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QList>
#include <QPair>
#include <QTemporaryDir>

#include <memory>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {
struct StandIns {
    std::unique_ptr<QTemporaryDir> folder;
    QList<QPair<QString, QString>> shown; // stand-in path, the name as typed
};
StandIns& standIns()
{
    static StandIns s;
    return s;
}

// The bytes as text, each byte that is no part of a valid sequence as \xNN.
QString escaped(const QByteArray& raw)
{
    QString out;
    for (qsizetype i = 0; i < raw.size();) {
        const auto lead = static_cast<unsigned char>(raw[i]);
        const qsizetype n = lead < 0x80 ? 1 : lead >> 5 == 6 ? 2 : lead >> 4 == 14 ? 3 : lead >> 3 == 30 ? 4 : 0;
        const QByteArray part = raw.mid(i, n);
        if (n > 0 && part.size() == n && QString::fromUtf8(part).toUtf8() == part) {
            out += QString::fromUtf8(part);
            i += n;
        } else {
            out += QStringLiteral("\\x%1").arg(unsigned(lead), 2, 16, QLatin1Char('0'));
            ++i;
        }
    }
    return out;
}
} // namespace

namespace file_names {

QString fromArgument(const char* raw)
{
    const QByteArray bytes(raw);
    const QString decoded = QFile::decodeName(bytes);
    if (QFile::encodeName(decoded) == bytes)
        return decoded;
#ifdef Q_OS_UNIX
    StandIns& s = standIns();
    if (!s.folder) {
        s.folder = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/velmora-cli-XXXXXX"));
        if (!s.folder->isValid())
            return escaped(bytes);
    }
    QByteArray target = bytes;
    if (!target.startsWith('/')) {
        char here[4096];
        if (!::getcwd(here, sizeof here))
            return escaped(bytes);
        target = QByteArray(here) + '/' + target;
    }
    const QString name = escaped(bytes.mid(bytes.lastIndexOf('/') + 1));
    const QString standIn = QStringLiteral("%1/%2/%3").arg(s.folder->path()).arg(s.shown.size()).arg(name);
    if (!QDir().mkpath(standIn.section('/', 0, -2)) ||
        ::symlink(target.constData(), QFile::encodeName(standIn).constData()) != 0)
        return escaped(bytes);
    s.shown.append({standIn, escaped(bytes)});
    return standIn;
#else
    return decoded;
#endif
}

QString shown(QString text)
{
    for (const auto& [standIn, typed] : standIns().shown)
        text.replace(standIn, typed);
    return text;
}

QJsonObject shown(QJsonObject fields)
{
    if (standIns().shown.isEmpty())
        return fields;
    for (auto it = fields.begin(); it != fields.end(); ++it) {
        if (it->isString())
            *it = shown(it->toString());
        else if (it->isObject())
            *it = shown(it->toObject());
        else if (it->isArray()) {
            QJsonArray items = it->toArray();
            for (auto item = items.begin(); item != items.end(); ++item)
                if (item->isString())
                    *item = shown(item->toString());
                else if (item->isObject())
                    *item = shown(item->toObject());
            *it = items;
        }
    }
    return fields;
}

void cleanUp()
{
    standIns() = StandIns{};
}

} // namespace file_names
