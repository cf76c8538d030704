#pragma once

#include <QList>
#include <QString>

#include <optional>
#include <utility>
#include <variant>

// Where the shop's record is: a PostgreSQL connection URI as libpq reads it,
// postgresql://user@host:port/dbname?sslmode=require, a Unix socket's folder as host= in the query.
// No password is ever taken: libpq finds it in ~/.pgpass (PGPASSFILE) or the environment.
struct ShopAddress {
    QString user, host, dbname;
    int port = -1;
    QList<std::pair<QString, QString>> options; // the query's other keywords, in order (sslmode, ...)

    // The address, or why it is none ("a password is never stored: ..."), in the language in use.
    static std::variant<ShopAddress, QString> parse(const QString& uri);
    // As it is shown, stored and logged: never with a password, since it never holds one.
    QString text() const;
    // The QPSQL driver's connect options: the query's keywords, then the bounds on every wait
    // (connecting, a connection gone quiet) that it does not set itself.
    QString connectOptions() const;
};
