#include "core/record/shop_address.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QUrl>
#include <QUrlQuery>

namespace {
QString say(const char* text)
{
    return QCoreApplication::translate("Record", text);
}

// What a keyword's value may hold: the driver joins the options with blanks, so a blank, a quote
// or a backslash in a value would add keywords of its own.
bool plainValue(const QString& v)
{
    static const QRegularExpression plain(QStringLiteral("^[^\\s'\\\\;]*$"));
    return plain.match(v).hasMatch();
}
} // namespace

std::variant<ShopAddress, QString> ShopAddress::parse(const QString& uri)
{
    const QUrl url(uri.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || (url.scheme() != QLatin1String("postgresql") && url.scheme() != QLatin1String("postgres")))
        return say(QT_TRANSLATE_NOOP("Record", "not a PostgreSQL URI (postgresql://user@host:port/dbname)"));
    if (!url.password().isEmpty())
        return say(QT_TRANSLATE_NOOP("Record", "a password is never stored: put it in ~/.pgpass (or PGPASSFILE)"));
    ShopAddress a;
    a.user = url.userName();
    a.host = url.host();
    a.port = url.port(-1);
    a.dbname = url.path().mid(1);
    const QUrlQuery query(url);
    for (const auto& [key, value] : query.queryItems(QUrl::FullyDecoded)) {
        if (key == QLatin1String("password") || key == QLatin1String("passfile"))
            return say(QT_TRANSLATE_NOOP("Record", "a password is never stored: put it in ~/.pgpass (or PGPASSFILE)"));
        if (!QRegularExpression(QStringLiteral("^[a-z_]+$")).match(key).hasMatch() || !plainValue(value))
            return say(QT_TRANSLATE_NOOP("Record", "a keyword of the URI's query that cannot be passed on: %1"))
                .arg(key);
        if (key == QLatin1String("host"))
            a.host = value;
        else if (key == QLatin1String("port"))
            a.port = value.toInt();
        else if (key == QLatin1String("user"))
            a.user = value;
        else if (key == QLatin1String("dbname"))
            a.dbname = value;
        else
            a.options.append({key, value});
    }
    if (a.dbname.isEmpty())
        return say(QT_TRANSLATE_NOOP("Record", "the URI names no database (postgresql://host/dbname)"));
    return a;
}

QString ShopAddress::text() const
{
    const auto encoded = [](const QString& v) { return QString::fromLatin1(QUrl::toPercentEncoding(v, "/")); };
    // A socket's folder is no host a URL can hold: it goes in the query, as libpq reads it.
    const bool socket = host.startsWith(QLatin1Char('/'));
    QString text = QStringLiteral("postgresql://");
    if (!user.isEmpty())
        text += QString::fromLatin1(QUrl::toPercentEncoding(user)) + QLatin1Char('@');
    if (!socket)
        text += host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
    if (port > 0)
        text += QLatin1Char(':') + QString::number(port);
    text += QLatin1Char('/') + QString::fromLatin1(QUrl::toPercentEncoding(dbname));
    QStringList query;
    if (socket)
        query << QStringLiteral("host=") + encoded(host);
    for (const auto& [key, value] : options)
        query << key + QLatin1Char('=') + encoded(value);
    if (!query.isEmpty())
        text += QLatin1Char('?') + query.join(QLatin1Char('&'));
    return text;
}

QString ShopAddress::connectOptions() const
{
    QStringList o;
    for (const auto& [key, value] : options)
        o << key + QLatin1Char('=') + value;
    const auto unless = [&](const char* key, const char* value) {
        for (const auto& option : options)
            if (option.first == QLatin1String(key))
                return;
        o << QLatin1String(key) + QLatin1Char('=') + QLatin1String(value);
    };
    // A server that takes the connection and never answers, or a network cut: each wait ends.
    unless("connect_timeout", "5");
    unless("keepalives_idle", "5");
    unless("keepalives_interval", "2");
    unless("keepalives_count", "3");
    unless("tcp_user_timeout", "10000");
    unless("application_name", "velmora");
    return o.join(QLatin1Char(';'));
}
