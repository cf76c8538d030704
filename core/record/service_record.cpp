#include "core/record/service_record.h"

#include "core/link/port_catalog.h"
#include "core/link/port_names.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QSysInfo>
#include <QUuid>
#include <QVariant>

#ifdef Q_OS_UNIX
#include <csignal>
#include <pwd.h>
#include <unistd.h>
#endif

namespace {

const char* const kColumns[] = {"face",         "kind", "operation", "boot",        "checksum",
                                "turbo",        "file", "file_size", "file_sha256", "file_xor",
                                "file_release", "port", "device",    "device_id",   "line"};

QString currentUser()
{
#ifdef Q_OS_UNIX
    if (const passwd* entry = ::getpwuid(::getuid()))
        return QString::fromLocal8Bit(entry->pw_name);
#endif
    const QString user = qEnvironmentVariable("USER", qEnvironmentVariable("USERNAME"));
    return user.isEmpty() ? QStringLiteral("?") : user;
}

QString now()
{
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
}

QVariant orNull(const QString& s)
{
    return s.isEmpty() ? QVariant() : QVariant(s);
}

QVariant orNull(qint64 n)
{
    return n < 0 ? QVariant() : QVariant(n);
}

bool alive(qint64 pid)
{
#ifdef Q_OS_UNIX
    return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
#else
    Q_UNUSED(pid);
    return false;
#endif
}

} // namespace

ServiceRecord::Start ServiceRecord::conversation(const QString& face, const QString& kind, const QString& port,
                                                 const QString& line, const QString& file)
{
    Start s;
    s.face = face;
    s.kind = kind;
    s.file = file;
    s.port = port;
    s.device = port_names::serialDeviceOf(port);
    s.deviceId = port_catalog::identityOf(s.device);
    s.line = line;
    return s;
}

QString ServiceRecord::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Velmora/history.sqlite");
}

ServiceRecord::ServiceRecord(QString path)
    : m_path(std::move(path)), m_connection(QStringLiteral("record-") + QUuid::createUuid().toString(QUuid::Id128))
{
    m_open = open();
}

ServiceRecord::~ServiceRecord()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
}

void ServiceRecord::fail(const QString& why)
{
    if (!m_problem && !m_told)
        m_problem = why;
}

std::optional<QString> ServiceRecord::takeProblem()
{
    if (m_problem)
        m_told = true;
    return std::exchange(m_problem, std::nullopt);
}

bool ServiceRecord::exec(const QString& sql, const QList<QVariant>& values, qint64* id)
{
    const QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.isOpen()) {
        fail(QStringLiteral("the record is not open"));
        return false;
    }
    QSqlQuery q(db);
    if (!q.prepare(sql)) {
        fail(q.lastError().text());
        return false;
    }
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec()) {
        fail(q.lastError().text());
        return false;
    }
    if (id)
        *id = q.lastInsertId().toLongLong();
    return true;
}

bool ServiceRecord::open()
{
    // Tried again at the next job after a failure: the connection is made afresh.
    if (QSqlDatabase::contains(m_connection)) {
        {
            QSqlDatabase db = QSqlDatabase::database(m_connection, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_connection);
    }
    if (!QDir().mkpath(QFileInfo(m_path).absolutePath())) {
        fail(QStringLiteral("cannot make the folder of ") + m_path);
        return false;
    }
    // A FIFO or a device in its place would block the first read for ever: never opened.
    if (const QFileInfo file(m_path); (file.exists() || file.isSymLink()) && !file.isFile()) {
        fail(QStringLiteral("something other than a file stands in its place"));
        return false;
    }
    const auto connect = [this] {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
        db.setDatabaseName(m_path);
        // Another writer holds the database for a moment: wait that long, then give up this write.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=3000"));
        return db.open();
    };
    if (!connect()) {
        fail(QSqlDatabase::database(m_connection, false).lastError().text());
        return false;
    }
    // A damaged file is set aside, never written over or dropped: it may be all the history there is.
    bool sound = false;
    QString error;
    {
        QSqlQuery check(QSqlDatabase::database(m_connection, false));
        sound = check.exec(QStringLiteral("PRAGMA quick_check")) && check.next() &&
                check.value(0).toString() == QLatin1String("ok");
        error = check.lastError().text();
    }
    if (!sound && !error.contains(QLatin1String("locked"))) {
        {
            QSqlDatabase db = QSqlDatabase::database(m_connection, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_connection);
        m_setAside = m_path + QStringLiteral(".damaged-") +
                     QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        const bool renamed = QFile::rename(m_path, m_setAside);
        if (renamed)
            for (const char* side : {"-wal", "-shm"})
                QFile::rename(m_path + side, m_setAside + side);
        else
            m_setAside.clear(); // another writer set it aside first, or it cannot be: the new file decides
        if (!connect()) {
            fail(QSqlDatabase::database(m_connection, false).lastError().text());
            return false;
        }
        if (!renamed) {
            QSqlQuery again(QSqlDatabase::database(m_connection, false));
            if (!(again.exec(QStringLiteral("PRAGMA quick_check")) && again.next() &&
                  again.value(0).toString() == QLatin1String("ok"))) {
                fail(QStringLiteral("the record is damaged and cannot be set aside: ") + error);
                return false;
            }
        }
    }
    // Many writers side by side; a crash or power loss never damages the file (NORMAL is safe with WAL).
    exec(QStringLiteral("PRAGMA journal_mode=WAL"));
    exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
    if (!exec(QStringLiteral("CREATE TABLE IF NOT EXISTS meta (key TEXT PRIMARY KEY, value TEXT)")))
        return false;
    QSqlQuery version(QSqlDatabase::database(m_connection, false));
    version.exec(QStringLiteral("SELECT value FROM meta WHERE key = 'schema'"));
    const int found = version.next() ? version.value(0).toInt() : 0;
    version.finish();
    if (found > kSchemaVersion) {
        fail(QStringLiteral("the record was written by a later version of Velmora (schema %1)").arg(found));
        return false;
    }
    if (found == 0) {
        // Every change of the schema from here on is a step from the version before, never a drop.
        const QString create = QStringLiteral(
            "CREATE TABLE IF NOT EXISTS jobs (id INTEGER PRIMARY KEY AUTOINCREMENT, started TEXT NOT NULL, ended TEXT, "
            "user TEXT, host TEXT, pid INTEGER, face TEXT, kind TEXT, operation TEXT, boot TEXT, checksum INTEGER, "
            "turbo INTEGER, file TEXT, file_size INTEGER, file_sha256 TEXT, file_xor INTEGER, file_release TEXT, "
            "port TEXT, device TEXT, device_id TEXT, line TEXT, headers TEXT, sent INTEGER, taken INTEGER, "
            "model TEXT, release TEXT, flash TEXT, release_after TEXT, outcome TEXT NOT NULL, cause TEXT, "
            "mid_image INTEGER NOT NULL DEFAULT 0)");
        if (!exec(create) ||
            !exec(QStringLiteral("INSERT OR REPLACE INTO meta (key, value) VALUES ('schema', ?)"), {kSchemaVersion}))
            return false;
    }
    return true;
}

std::optional<qint64> ServiceRecord::begin(const Start& s)
{
    m_told = false; // each job is told of its own row
    if (!m_open && !(m_open = open()))
        return std::nullopt;
    QStringList columns{"started", "user", "host", "pid", "outcome"};
    QList<QVariant> values{now(), currentUser(), QSysInfo::machineHostName(),
                           qint64(QCoreApplication::applicationPid()), QStringLiteral("did-not-finish")};
    const QList<QVariant> fields{
        orNull(s.face),        orNull(s.kind), orNull(s.operation), orNull(s.boot),       int(s.checksum),
        int(s.turbo),          orNull(s.file), orNull(s.fileSize),  orNull(s.fileSha256), orNull(qint64(s.fileXor)),
        orNull(s.fileRelease), orNull(s.port), orNull(s.device),    orNull(s.deviceId),   orNull(s.line)};
    for (std::size_t i = 0; i < std::size(kColumns); ++i)
        columns << QString::fromLatin1(kColumns[i]);
    values += fields;
    qint64 id = 0;
    if (!exec(QStringLiteral("INSERT INTO jobs (%1) VALUES (%2)")
                  .arg(columns.join(','), QStringList(columns.size(), QStringLiteral("?")).join(',')),
              values, &id))
        return std::nullopt;
    return id;
}

void ServiceRecord::complete(std::optional<qint64> id, const End& e)
{
    if (!id)
        return;
    exec(QStringLiteral("UPDATE jobs SET ended = ?, outcome = ?, cause = ?, headers = ?, sent = ?, taken = ?, "
                        "mid_image = ?, model = ?, release = ?, flash = ?, release_after = ?, "
                        "file_sha256 = COALESCE(?, file_sha256) WHERE id = ?"),
         {now(), e.outcome, orNull(e.cause), orNull(e.headers), orNull(e.sent), orNull(e.taken), int(e.midImage),
          orNull(e.model), orNull(e.release), orNull(e.flash), orNull(e.releaseAfter), orNull(e.fileSha256), *id});
}

QList<ServiceRecord::Row> ServiceRecord::read(const Filter& f) const
{
    QList<Row> rows;
    const QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.isOpen())
        return rows;
    QSqlQuery q(db);
    QStringList where;
    QList<QVariant> values;
    if (!f.port.isEmpty())
        where << QStringLiteral("port = ?"), values << f.port;
    if (!f.file.isEmpty())
        where << QStringLiteral("file LIKE ?"), values << QStringLiteral("%") + f.file + QStringLiteral("%");
    if (f.since.isValid())
        where << QStringLiteral("started >= ?"), values << f.since.toUTC().toString(Qt::ISODateWithMs);
    q.prepare(
        QStringLiteral("SELECT id, started, ended, user, pid, host, face, kind, operation, boot, checksum, turbo, "
                       "file, file_size, file_sha256, file_xor, file_release, port, device, device_id, line, "
                       "headers, sent, taken, model, release, flash, release_after, outcome, cause, mid_image "
                       "FROM jobs%1 ORDER BY id DESC")
            .arg(where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "))));
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec())
        return rows;
    const QString host = QSysInfo::machineHostName();
    while (q.next()) {
        Row r;
        int i = 0;
        const auto text = [&] { return q.value(i++).toString(); };
        const auto number = [&] { return q.value(i).isNull() ? (++i, qint64(-1)) : q.value(i++).toLongLong(); };
        r.id = q.value(i++).toLongLong();
        r.started = QDateTime::fromString(text(), Qt::ISODateWithMs);
        r.ended = QDateTime::fromString(text(), Qt::ISODateWithMs);
        r.user = text();
        const qint64 pid = number();
        const QString rowHost = text();
        Start& s = r.start;
        s.face = text(), s.kind = text(), s.operation = text(), s.boot = text();
        s.checksum = number() > 0, s.turbo = number() > 0;
        s.file = text(), s.fileSize = number(), s.fileSha256 = text(), s.fileXor = int(number());
        s.fileRelease = text(), s.port = text(), s.device = text(), s.deviceId = text(), s.line = text();
        End& e = r.end;
        e.headers = text(), e.sent = number(), e.taken = number();
        e.model = text(), e.release = text(), e.flash = text(), e.releaseAfter = text();
        e.outcome = text(), e.cause = text(), e.midImage = number() > 0;
        if (!r.ended.isValid() && rowHost == host && alive(pid))
            e.outcome = QStringLiteral("running");
        if (f.outcome.isEmpty() || e.outcome == f.outcome)
            rows << r;
    }
    return rows;
}

bool ServiceRecord::leftMidImage(const QString& port, const QString& device) const
{
    for (const Row& r : read()) {
        if (r.start.port != port && (device.isEmpty() || r.start.device != device))
            continue;
        if (r.start.kind == QLatin1String("download") || r.start.kind == QLatin1String("update"))
            return r.end.midImage;
        // The printer answered since: it was switched off and on, or it was never left waiting.
        if (!r.end.model.isEmpty() || !r.end.release.isEmpty())
            return false;
    }
    return false;
}

QString ServiceRecord::toCsv(const QList<Row>& rows)
{
    const auto field = [](QString v) {
        // Quoted where it must be; a leading sign is kept from spreadsheets' formulas.
        if (v.startsWith('=') || v.startsWith('+') || v.startsWith('-') || v.startsWith('@'))
            v.prepend('\'');
        if (v.contains(',') || v.contains('"') || v.contains('\n') || v.contains('\r'))
            v = '"' + v.replace(QLatin1String("\""), QLatin1String("\"\"")) + '"';
        return v;
    };
    const auto number = [](qint64 n) { return n < 0 ? QString() : QString::number(n); };
    QString csv = QStringLiteral("id,started,ended,user,face,kind,operation,boot,checksum,turbo,file,size,sha256,xor,"
                                 "file_release,port,device,device_id,line,headers,sent,taken,model,release,flash,"
                                 "release_after,outcome,cause,mid_image\r\n");
    for (const Row& r : rows) {
        const Start& s = r.start;
        const End& e = r.end;
        const QStringList fields{QString::number(r.id),
                                 r.started.toString(Qt::ISODate),
                                 r.ended.toString(Qt::ISODate),
                                 r.user,
                                 s.face,
                                 s.kind,
                                 s.operation,
                                 s.boot,
                                 QString::number(int(s.checksum)),
                                 QString::number(int(s.turbo)),
                                 s.file,
                                 number(s.fileSize),
                                 s.fileSha256,
                                 number(s.fileXor),
                                 s.fileRelease,
                                 s.port,
                                 s.device,
                                 s.deviceId,
                                 s.line,
                                 e.headers,
                                 number(e.sent),
                                 number(e.taken),
                                 e.model,
                                 e.release,
                                 e.flash,
                                 e.releaseAfter,
                                 e.outcome,
                                 e.cause,
                                 QString::number(int(e.midImage))};
        QStringList quoted;
        for (const QString& f : fields)
            quoted << field(f);
        csv += quoted.join(',') + QStringLiteral("\r\n");
    }
    return csv;
}
