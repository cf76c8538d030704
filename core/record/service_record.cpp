#include "core/record/service_record.h"

#include "core/platform/job_ids.h"
#include "core/platform/settings_store.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStandardPaths>
#include <QSysInfo>
#include <QUuid>
#include <QVariant>

#include <condition_variable>
#include <cstdio>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#ifdef Q_OS_UNIX
#include <csignal>
#include <pwd.h>
#include <unistd.h>
#endif

namespace {

QString currentUser()
{
#ifdef Q_OS_UNIX
    if (const passwd* entry = ::getpwuid(::getuid()))
        return QString::fromLocal8Bit(entry->pw_name);
#endif
    const QString user = qEnvironmentVariable("USER", qEnvironmentVariable("USERNAME"));
    return user.isEmpty() ? QStringLiteral("?") : user;
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

// The record's one table, a column a line: its name, its SQL type, its name in the CSV (none: not
// there), when it is written, and the row's member it holds. CREATE, INSERT, UPDATE, SELECT and the
// CSV are all made from it.
using Row = ServiceRecord::Row;
enum When : unsigned { Never = 0, AtStart = 1, SoFar = 2, AtEnd = 4, KeptIfNone = 8 };
// In the table's order: the queries name their columns through it.
enum class Col {
    Id,
    Started,
    Ended,
    User,
    Host,
    Pid,
    Face,
    Kind,
    Operation,
    Boot,
    Checksum,
    Turbo,
    File,
    FileSize,
    FileSha256,
    FileXor,
    FileRelease,
    Port,
    Device,
    DeviceId,
    Line,
    Headers,
    Sent,
    Taken,
    Model,
    Release,
    Flash,
    ReleaseAfter,
    Outcome,
    Cause,
    MidImage,
    Uid,
    MachineId,
    Serial,
    Note,
    Rev,
    ShopRev,
    Count
};
struct Column {
    Col col;
    const char* name;
    const char* type;
    const char* csv;
    unsigned when;
    QVariant (*get)(const Row&);
    void (*set)(Row&, const QVariant&);
    // Times to the second, as spreadsheets read them.
    QString csvText(const Row& r) const
    {
        if (col == Col::Started || col == Col::Ended)
            return (col == Col::Started ? r.started : r.ended).toString(Qt::ISODate);
        return get(r).toString();
    }
};

QVariant text(const QString& s)
{
    return orNull(s);
}
QVariant count(qint64 n)
{
    return orNull(n);
}
QVariant flag(bool b)
{
    return int(b);
}
QString textOf(const QVariant& v)
{
    return v.toString();
}
qint64 countOf(const QVariant& v)
{
    return v.isNull() ? -1 : v.toLongLong();
}
bool flagOf(const QVariant& v)
{
    return v.toLongLong() > 0;
}
QDateTime timeOf(const QString& text);

#define VELMORA_TEXT(field)                                                                                            \
    [](const Row& r) { return text(r.field); }, [](Row& r, const QVariant& v) { r.field = textOf(v); }
#define VELMORA_COUNT(field)                                                                                           \
    [](const Row& r) { return count(r.field); }, [](Row& r, const QVariant& v) { r.field = countOf(v); }
#define VELMORA_FLAG(field)                                                                                            \
    [](const Row& r) { return flag(r.field); }, [](Row& r, const QVariant& v) { r.field = flagOf(v); }
#define VELMORA_TIME(field)                                                                                            \
    [](const Row& r) { return text(ServiceRecord::timeText(r.field)); },                                               \
        [](Row& r, const QVariant& v) { r.field = timeOf(v.toString()); }

constexpr Column kTable[] = {
    {Col::Id, "id", "INTEGER PRIMARY KEY AUTOINCREMENT", "id", Never, VELMORA_COUNT(id)},
    {Col::Started, "started", "TEXT NOT NULL", "started", AtStart, VELMORA_TIME(started)},
    {Col::Ended, "ended", "TEXT", "ended", AtEnd, VELMORA_TIME(ended)},
    {Col::User, "user", "TEXT", "user", AtStart, VELMORA_TEXT(user)},
    {Col::Host, "host", "TEXT", nullptr, AtStart, VELMORA_TEXT(host)},
    {Col::Pid, "pid", "INTEGER", nullptr, AtStart, VELMORA_COUNT(pid)},
    {Col::Face, "face", "TEXT", "face", AtStart, VELMORA_TEXT(start.face)},
    {Col::Kind, "kind", "TEXT", "kind", AtStart, VELMORA_TEXT(start.kind)},
    {Col::Operation, "operation", "TEXT", "operation", AtStart, VELMORA_TEXT(start.operation)},
    {Col::Boot, "boot", "TEXT", "boot", AtStart, VELMORA_TEXT(start.boot)},
    {Col::Checksum, "checksum", "INTEGER", "checksum", AtStart, VELMORA_FLAG(start.checksum)},
    {Col::Turbo, "turbo", "INTEGER", "turbo", AtStart, VELMORA_FLAG(start.turbo)},
    {Col::File, "file", "TEXT", "file", AtStart, VELMORA_TEXT(start.file)},
    {Col::FileSize, "file_size", "INTEGER", "size", AtStart, VELMORA_COUNT(start.fileSize)},
    {Col::FileSha256, "file_sha256", "TEXT", "sha256", AtStart | AtEnd | KeptIfNone, VELMORA_TEXT(start.fileSha256)},
    {Col::FileXor, "file_xor", "INTEGER", "xor", AtStart, VELMORA_COUNT(start.fileXor)},
    {Col::FileRelease, "file_release", "TEXT", "file_release", AtStart | AtEnd | KeptIfNone,
     VELMORA_TEXT(start.fileRelease)},
    {Col::Port, "port", "TEXT", "port", AtStart, VELMORA_TEXT(start.port)},
    {Col::Device, "device", "TEXT", "device", AtStart, VELMORA_TEXT(start.device)},
    {Col::DeviceId, "device_id", "TEXT", "device_id", AtStart, VELMORA_TEXT(start.deviceId)},
    {Col::Line, "line", "TEXT", "line", AtStart, VELMORA_TEXT(start.line)},
    {Col::Headers, "headers", "TEXT", "headers", SoFar | AtEnd, VELMORA_TEXT(end.headers)},
    {Col::Sent, "sent", "INTEGER", "sent", SoFar | AtEnd, VELMORA_COUNT(end.sent)},
    {Col::Taken, "taken", "INTEGER", "taken", SoFar | AtEnd, VELMORA_COUNT(end.taken)},
    {Col::Model, "model", "TEXT", "model", AtEnd, VELMORA_TEXT(end.model)},
    {Col::Release, "release", "TEXT", "release", AtEnd, VELMORA_TEXT(end.release)},
    {Col::Flash, "flash", "TEXT", "flash", AtEnd, VELMORA_TEXT(end.flash)},
    {Col::ReleaseAfter, "release_after", "TEXT", "release_after", AtEnd, VELMORA_TEXT(end.releaseAfter)},
    {Col::Outcome, "outcome", "TEXT NOT NULL", "outcome", AtStart | AtEnd, VELMORA_TEXT(end.outcome)},
    {Col::Cause, "cause", "TEXT", "cause", AtEnd, VELMORA_TEXT(end.cause)},
    {Col::MidImage, "mid_image", "INTEGER NOT NULL DEFAULT 0", "mid_image", SoFar | AtEnd, VELMORA_FLAG(end.midImage)},
    // Schema 2 from here.
    {Col::Uid, "uid", "TEXT", nullptr, AtStart, VELMORA_TEXT(uid)},
    {Col::MachineId, "machine_id", "TEXT", nullptr, AtStart, VELMORA_TEXT(machineId)},
    {Col::Serial, "serial", "TEXT", "serial", AtStart, VELMORA_TEXT(start.serial)},
    {Col::Note, "note", "TEXT", "note", Never, VELMORA_TEXT(note)},
    {Col::Rev, "rev", "INTEGER NOT NULL DEFAULT 0", nullptr, AtStart, VELMORA_COUNT(rev)},
    {Col::ShopRev, "shop_rev", "INTEGER NOT NULL DEFAULT 0", nullptr, Never, VELMORA_COUNT(shopRev)},
};
constexpr bool inOrder()
{
    for (std::size_t i = 0; i < std::size(kTable); ++i)
        if (kTable[i].col != Col(i))
            return false;
    return std::size(kTable) == std::size_t(Col::Count);
}
static_assert(inOrder(), "kTable holds every column, in the order of Col");
#undef VELMORA_TEXT
#undef VELMORA_COUNT
#undef VELMORA_FLAG
#undef VELMORA_TIME

// The columns written at `when`; the values of `row` for them.
QStringList namesAt(unsigned when)
{
    QStringList names;
    for (const Column& c : kTable)
        if (c.when & when)
            names << QString::fromLatin1(c.name);
    return names;
}
QList<QVariant> valuesAt(unsigned when, const Row& row)
{
    QList<QVariant> values;
    for (const Column& c : kTable)
        if (c.when & when)
            values << c.get(row);
    return values;
}
// "a = ?, b = COALESCE(?, b)" for an UPDATE at `when`.
QString assignmentsAt(unsigned when)
{
    QStringList set;
    for (const Column& c : kTable)
        if (c.when & when)
            set << ((c.when & KeptIfNone) ? QStringLiteral("%1 = COALESCE(?, %1)") : QStringLiteral("%1 = ?"))
                       .arg(QLatin1String(c.name));
    return set.join(QStringLiteral(", "));
}
QString name(Col c)
{
    return QString::fromLatin1(kTable[std::size_t(c)].name);
}
// Every write of a row after its start counts, so that the shop's copy can tell it is behind.
QString counted()
{
    return QStringLiteral("%1 = %1 + 1").arg(name(Col::Rev));
}

} // namespace

const QStringList& ServiceRecord::csvColumns()
{
    static const QStringList names = [] {
        QStringList n;
        for (const Column& c : kTable)
            if (c.csv)
                n << QString::fromLatin1(c.csv);
        return n;
    }();
    return names;
}

QString ServiceRecord::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Velmora/history.sqlite");
}

namespace {

// SQLite's own word that the file is damaged (SQLITE_CORRUPT) or no database (SQLITE_NOTADB): the
// only failures that set a record aside. A full disk, a read-only mount or a lock cost a row.
bool saysDamaged(const QSqlError& error)
{
    const QString code = error.nativeErrorCode();
    return code == QLatin1String("11") || code == QLatin1String("26");
}

// A FIFO or a device in the place of the record or of one of its side files would block the
// first read for ever, or feed it noise: none of them is ever opened.
} // namespace

QString ServiceRecord::notAFile(const QString& path)
{
    for (const char* side : {"", "-journal", "-wal", "-shm"}) {
        const QFileInfo file(path + QLatin1String(side));
        if ((file.exists() || file.isSymLink()) && !file.isFile())
            return QCoreApplication::translate("Record", "something other than a file stands in the place of %1")
                .arg(file.fileName());
    }
    return {};
}

namespace {

QString selectAll(const QString& table)
{
    QStringList names;
    for (const Column& c : kTable) // quoted: "user" is a keyword to PostgreSQL
        names << QLatin1Char('"') + QString::fromLatin1(c.name) + QLatin1Char('"');
    return QStringLiteral("SELECT %1 FROM %2").arg(names.join(QStringLiteral(", ")), table);
}

// A connection of this thread that only reads, made for one reading and gone with it.
class ReadConnection
{
public:
    ReadConnection(const QString& path, int busyMs)
        : m_name(QStringLiteral("record-read-") + QUuid::createUuid().toString(QUuid::Id128))
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=%1").arg(busyMs));
        if (!db.open())
            m_error = db.lastError().text();
    }
    ~ReadConnection()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(m_name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_name);
    }
    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }
    QString error() const { return m_error; }

private:
    QString m_name;
    QString m_error;
};

QString likePattern(QString text)
{
    text.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    text.replace(QLatin1Char('%'), QLatin1String("\\%"));
    text.replace(QLatin1Char('_'), QLatin1String("\\_"));
    return QLatin1Char('%') + text + QLatin1Char('%');
}

// The record's own times, "2026-12-09T08:15:00.123Z", read without the general parser: a
// listing of many rows spends most of its time there otherwise.
QDateTime timeOf(const QString& text)
{
    const auto digits = [&](int at, int n) {
        int v = 0;
        for (int i = at; i < at + n; ++i) {
            const char16_t c = text[i].unicode();
            if (c < u'0' || c > u'9')
                return -1;
            v = v * 10 + (c - u'0');
        }
        return v;
    };
    if (text.size() == 24 && text[23] == u'Z' && text[10] == u'T') {
        const QDate date(digits(0, 4), digits(5, 2), digits(8, 2));
        const QTime time(digits(11, 2), digits(14, 2), digits(17, 2), digits(20, 3));
        if (date.isValid() && time.isValid())
            return QDateTime(date, time, Qt::UTC);
    }
    return QDateTime::fromString(text, Qt::ISODateWithMs);
}

// A row as the query gives it, each column found by its name.
ServiceRecord::Row rowOf(const QSqlQuery& q, const QList<int>& at, const QString& host)
{
    ServiceRecord::Row r;
    for (std::size_t c = 0; c < std::size(kTable); ++c)
        if (at[qsizetype(c)] >= 0)
            kTable[c].set(r, q.value(at[qsizetype(c)]));
    if (!r.ended.isValid() && r.host == host && alive(r.pid))
        r.end.outcome = idOf(JobOutcome::Running);
    return r;
}

} // namespace

QString ServiceRecord::timeText(const QDateTime& time)
{
    if (!time.isValid())
        return {};
    const QDateTime utc = time.toUTC();
    const QDate d = utc.date();
    const QTime t = utc.time();
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", d.year(), d.month(), d.day(), t.hour(),
                  t.minute(), t.second(), t.msec());
    return QString::fromLatin1(text);
}

ServiceRecord::Reading ServiceRecord::readAt(const QString& path, const Filter& f, int busyMs)
{
    Reading reading;
    if (const QString why = notAFile(path); !why.isEmpty()) {
        reading.error = why;
        return reading;
    }
    if (!QFileInfo::exists(path))
        return reading; // nothing recorded yet
    const ReadConnection connection(path, busyMs);
    if (!connection.error().isEmpty()) {
        reading.error = connection.error();
        return reading;
    }
    if (!connection.db().tables().contains(QStringLiteral("jobs"))) {
        // An empty file is an empty database; anything else without the table is no record of ours.
        if (QFileInfo(path).size() > 0) {
            QSqlQuery probe(connection.db());
            if (!probe.exec(QStringLiteral("PRAGMA schema_version")))
                reading.error = probe.lastError().text();
        }
        return reading;
    }
    return readFrom(connection.db(), QStringLiteral("jobs"), f);
}

QString ServiceRecord::benchName()
{
    const QString named = SettingsStore().readIn(QStringLiteral("Record"), QStringLiteral("Bench")).trimmed();
    return named.isEmpty() ? QSysInfo::machineHostName() : named;
}

QList<std::pair<QString, QString>> ServiceRecord::columns()
{
    QList<std::pair<QString, QString>> all;
    for (const Column& c : kTable)
        all.append({QString::fromLatin1(c.name), QString::fromLatin1(c.type)});
    return all;
}

ServiceRecord::Reading ServiceRecord::readFrom(const QSqlDatabase& db, const QString& table, const Filter& f)
{
    Reading reading;
    QStringList where;
    QList<QVariant> values;
    if (!f.port.isEmpty())
        where << name(Col::Port) + QStringLiteral(" = ?"), values << f.port;
    if (!f.file.isEmpty())
        where << name(Col::File) + QStringLiteral(" LIKE ? ESCAPE '\\'"), values << likePattern(f.file);
    if (f.since.isValid())
        where << name(Col::Started) + QStringLiteral(" >= ?"), values << timeText(f.since);
    if (!f.serial.isEmpty())
        where << name(Col::Serial) + QStringLiteral(" = ?"), values << f.serial;
    if (!f.bench.isEmpty())
        where << name(Col::Host) + QStringLiteral(" = ?"), values << f.bench;
    // "running" is a row without an end whose program still runs: told apart below.
    const bool unended = f.outcome == idOf(JobOutcome::Running) || f.outcome == idOf(JobOutcome::DidNotFinish);
    if (!f.outcome.isEmpty())
        where << name(Col::Outcome) + QStringLiteral(" = ?"),
            values << (unended ? idOf(JobOutcome::DidNotFinish) : f.outcome);
    QSqlQuery q(db);
    q.setForwardOnly(true);
    // The local record's own order is its ids'; rows of many benches go by their start.
    const QString order =
        table == QLatin1String("jobs") ? name(Col::Id) : name(Col::Started) + " DESC, " + name(Col::Id);
    if (!q.prepare(selectAll(table) + (where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where.join(" AND ")) +
                   QStringLiteral(" ORDER BY %1 DESC").arg(order))) {
        reading.error = q.lastError().text();
        return reading;
    }
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec()) {
        reading.error = q.lastError().text();
        return reading;
    }
    const QString host = benchName();
    QList<int> at;
    for (const Column& c : kTable)
        at << q.record().indexOf(QLatin1String(c.name));
    while (q.next()) {
        Row r = rowOf(q, at, host);
        if (!unended || r.end.outcome == f.outcome)
            reading.rows.append(std::move(r));
    }
    if (q.lastError().isValid())
        reading.error = q.lastError().text();
    return reading;
}

// The thread that writes: every statement of the record runs there, one at a time, in the order
// asked, so that no face and no job waits on a lock, a full disk or a slow file system.
struct ServiceRecord::Writer {
    QString path;
    QString connection = QStringLiteral("record-") + QUuid::createUuid().toString(QUuid::Id128);
    std::mutex mutex;
    std::condition_variable wake, done;
    std::deque<std::function<void()>> queue; // guarded by mutex
    bool stopping = false, working = false;  // guarded by mutex
    std::optional<QString> problem;          // guarded by mutex
    qint64 problemJob = -1;
    QSet<qint64> told;
    QString setAside;
    // The thread's own.
    bool open = false;
    QHash<qint64, qint64> rows; // a job's handle -> its row
    std::thread thread;

    explicit Writer(QString p) : path(std::move(p)), thread([this] { run(); }) {}

    void post(std::function<void()> task)
    {
        {
            const std::lock_guard lock(mutex);
            queue.push_back(std::move(task));
        }
        wake.notify_one();
    }
    void run()
    {
        std::unique_lock lock(mutex);
        for (;;) {
            wake.wait(lock, [this] { return stopping || !queue.empty(); });
            if (queue.empty())
                break;
            auto task = std::move(queue.front());
            queue.pop_front();
            working = true;
            const bool hurry = stopping;
            lock.unlock();
            if (hurry && open) // the program is ending: what is left waits on no lock for long
                exec(-1, QStringLiteral("PRAGMA busy_timeout = 250"));
            task();
            lock.lock();
            working = false;
            if (queue.empty())
                done.notify_all();
        }
        lock.unlock();
        {
            QSqlDatabase db = QSqlDatabase::database(connection, false);
            if (db.isOpen())
                db.close();
        }
        QSqlDatabase::removeDatabase(connection);
    }
    void fail(qint64 job, const QString& why)
    {
        const std::lock_guard lock(mutex);
        if (!problem && !told.contains(job))
            problem = why, problemJob = job;
    }
    bool exec(qint64 job, const QString& sql, const QList<QVariant>& values = {}, qint64* id = nullptr)
    {
        const QSqlDatabase db = QSqlDatabase::database(connection, false);
        if (!db.isOpen()) {
            fail(job, QCoreApplication::translate("Record", "the record is not open"));
            return false;
        }
        QSqlQuery q(db);
        if (!q.prepare(sql)) {
            fail(job, q.lastError().text());
            return false;
        }
        for (const QVariant& v : values)
            q.addBindValue(v);
        if (!q.exec()) {
            fail(job, q.lastError().text());
            return false;
        }
        if (id)
            *id = q.lastInsertId().toLongLong();
        return true;
    }
    void closeConnection()
    {
        if (!QSqlDatabase::contains(connection))
            return;
        {
            QSqlDatabase db = QSqlDatabase::database(connection, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(connection);
    }
    bool connect(qint64 job)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        // Another writer holds the database for a moment: wait that long, then give up this write.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=1000"));
        if (db.open())
            return true;
        fail(job, db.lastError().text());
        return false;
    }
    // SQLite's verdict on the file: sound, damaged, or not to be told now (a lock, a full disk).
    enum class Verdict { Sound, Damaged, Unknown };
    Verdict check(QString* why)
    {
        QSqlQuery q(QSqlDatabase::database(connection, false));
        if (q.exec(QStringLiteral("PRAGMA quick_check")) && q.next()) {
            const QString said = q.value(0).toString();
            if (said == QLatin1String("ok"))
                return Verdict::Sound;
            *why = said;
            return Verdict::Damaged;
        }
        *why = q.lastError().text();
        return saysDamaged(q.lastError()) ? Verdict::Damaged : Verdict::Unknown;
    }
    bool openRecord(qint64 job)
    {
        closeConnection(); // tried again at the next job after a failure: the connection made afresh
        if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
            fail(job, QCoreApplication::translate("Record", "cannot make the folder of %1").arg(path));
            return false;
        }
        if (const QString why = notAFile(path); !why.isEmpty()) {
            fail(job, why);
            return false;
        }
        if (!connect(job))
            return false;
        // A damaged file is set aside, never written over or dropped: it may be all the history there is.
        QString why;
        const Verdict verdict = check(&why);
        if (verdict == Verdict::Unknown) {
            fail(job, why);
            return false;
        }
        if (verdict == Verdict::Damaged) {
            closeConnection();
            QString aside = path + QStringLiteral(".damaged-") +
                            QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
            const bool renamed = QFile::rename(path, aside);
            if (renamed)
                for (const char* side : {"-wal", "-shm", "-journal"})
                    QFile::rename(path + side, aside + side);
            else
                aside.clear(); // another writer set it aside first, or it cannot be: the new file decides
            {
                const std::lock_guard lock(mutex);
                setAside = aside;
            }
            if (!connect(job))
                return false;
            if (!renamed && check(&why) != Verdict::Sound) {
                fail(job, QCoreApplication::translate("Record", "the record is damaged and cannot be set aside: %1")
                              .arg(why));
                return false;
            }
        }
        // The schema's version first: a record of a later version (any version this one does not
        // know, "2.1" too) is never written, not even its journal mode.
        if (!exec(job, QStringLiteral("CREATE TABLE IF NOT EXISTS meta (key TEXT PRIMARY KEY, value TEXT)")))
            return false;
        QSqlQuery version(QSqlDatabase::database(connection, false));
        version.exec(QStringLiteral("SELECT value FROM meta WHERE key = 'schema'"));
        const bool stated = version.next();
        const QString text = stated ? version.value(0).toString() : QString();
        version.finish();
        bool number = false;
        const int found = text.toInt(&number);
        if (stated && (!number || found < 1 || found > kSchemaVersion)) {
            fail(job, QCoreApplication::translate("Record",
                                                  "the record was written by a later version of Velmora (schema %1)")
                          .arg(text));
            return false;
        }
        // Many writers side by side; a crash or power loss never damages the file (NORMAL is safe with WAL).
        exec(job, QStringLiteral("PRAGMA journal_mode=WAL"));
        exec(job, QStringLiteral("PRAGMA synchronous=NORMAL"));
        if (!stated) {
            // Every change of the schema from here on is a step from the version before, never a drop.
            QStringList columns;
            for (const Column& c : kTable)
                columns << QStringLiteral("%1 %2").arg(QLatin1String(c.name), QLatin1String(c.type));
            const QString create = QStringLiteral("CREATE TABLE IF NOT EXISTS jobs (%1)").arg(columns.join(", "));
            if (!exec(job, create) ||
                !exec(job, QStringLiteral("INSERT OR REPLACE INTO meta (key, value) VALUES ('schema', ?)"),
                      {kSchemaVersion}))
                return false;
        }
        if (stated && found < kSchemaVersion && !bringForward(job))
            return false;
        // The mid-image reminder reads a port's rows alone, however long the record is.
        for (const Col c : {Col::Port, Col::Device})
            exec(job, QStringLiteral("CREATE INDEX IF NOT EXISTS jobs_%1 ON jobs (%1)").arg(name(c)));
        // One row a uid; the rows the shop's copy lacks found without reading the others.
        exec(job, QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS jobs_uid ON jobs (%1)").arg(name(Col::Uid)));
        exec(job, QStringLiteral("CREATE INDEX IF NOT EXISTS jobs_waiting ON jobs (%1) WHERE %2 > %3")
                      .arg(name(Col::Id), name(Col::Rev), name(Col::ShopRev)));
        return true;
    }
    // An earlier schema's table takes the columns it lacks, in one transaction with its new version:
    // a row it held gets a uid of its own and is to be copied to the shop like a new one.
    bool bringForward(qint64 job)
    {
        QSqlDatabase db = QSqlDatabase::database(connection, false);
        QSet<QString> have;
        QSqlQuery info(db);
        if (!info.exec(QStringLiteral("PRAGMA table_info(jobs)"))) {
            fail(job, info.lastError().text());
            return false;
        }
        while (info.next())
            have << info.value(1).toString();
        info.finish();
        if (!db.transaction()) {
            fail(job, db.lastError().text());
            return false;
        }
        bool ok = true;
        for (const Column& c : kTable)
            if (ok && !have.contains(QLatin1String(c.name)))
                ok = exec(job, QStringLiteral("ALTER TABLE jobs ADD COLUMN %1 %2")
                                   .arg(QLatin1String(c.name), QLatin1String(c.type)));
        ok = ok && exec(job, QStringLiteral("UPDATE jobs SET %1 = lower(hex(randomblob(16))) WHERE %1 IS NULL")
                                 .arg(name(Col::Uid)));
        ok = ok && exec(job, QStringLiteral("UPDATE jobs SET %1 = 1 WHERE %1 = 0").arg(name(Col::Rev)));
        ok = ok && exec(job, QStringLiteral("UPDATE meta SET value = ? WHERE key = 'schema'"), {kSchemaVersion});
        if (ok && db.commit())
            return true;
        if (ok)
            fail(job, db.lastError().text());
        db.rollback();
        return false;
    }
};

ServiceRecord::ServiceRecord(QString path)
    : m_path(std::move(path)), m_bench(benchName()), m_writer(std::make_unique<Writer>(m_path))
{}

ServiceRecord::~ServiceRecord()
{
    {
        const std::lock_guard lock(m_writer->mutex);
        m_writer->stopping = true;
    }
    m_writer->wake.notify_one();
    m_writer->thread.join();
}

bool ServiceRecord::flush(int ms)
{
    std::unique_lock lock(m_writer->mutex);
    return m_writer->done.wait_for(lock, std::chrono::milliseconds(ms),
                                   [this] { return m_writer->queue.empty() && !m_writer->working; });
}

std::optional<QString> ServiceRecord::takeProblem()
{
    const std::lock_guard lock(m_writer->mutex);
    if (m_writer->problem)
        m_writer->told.insert(m_writer->problemJob);
    return std::exchange(m_writer->problem, std::nullopt);
}

QString ServiceRecord::setAside() const
{
    const std::lock_guard lock(m_writer->mutex);
    return m_writer->setAside;
}

std::optional<qint64> ServiceRecord::begin(const Start& s)
{
    const qint64 job = ++m_next;
    Row row;
    row.started = QDateTime::currentDateTimeUtc();
    row.user = currentUser();
    row.host = m_bench;
    row.pid = QCoreApplication::applicationPid();
    row.uid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    row.machineId = QString::fromLatin1(QSysInfo::machineUniqueId());
    row.rev = 1;
    row.start = s;
    row.end.outcome = idOf(JobOutcome::DidNotFinish);
    const QList<QVariant> values = valuesAt(AtStart, row);
    Writer* w = m_writer.get();
    w->post([w, job, values] {
        if (!w->open && !(w->open = w->openRecord(job)))
            return;
        const QStringList columns = namesAt(AtStart);
        qint64 row = 0;
        if (w->exec(job,
                    QStringLiteral("INSERT INTO jobs (%1) VALUES (%2)")
                        .arg(columns.join(','), QStringList(columns.size(), QStringLiteral("?")).join(',')),
                    values, &row))
            w->rows.insert(job, row);
        else
            w->open = false; // tried afresh at the next job
    });
    return job;
}

void ServiceRecord::update(std::optional<qint64> id, const End& e)
{
    if (!id)
        return;
    Writer* w = m_writer.get();
    const qint64 job = *id;
    Row sofar;
    sofar.end = e;
    const QList<QVariant> values = valuesAt(SoFar, sofar);
    w->post([w, job, values] {
        if (const auto row = w->rows.constFind(job); row != w->rows.constEnd())
            w->exec(job,
                    QStringLiteral("UPDATE jobs SET %1, %2 WHERE %3 = ?")
                        .arg(assignmentsAt(SoFar), counted(), name(Col::Id)),
                    values + QList<QVariant>{*row});
    });
}

void ServiceRecord::complete(std::optional<qint64> id, const End& e)
{
    if (!id)
        return;
    Writer* w = m_writer.get();
    const qint64 job = *id;
    Row ended;
    ended.ended = QDateTime::currentDateTimeUtc();
    ended.start.fileSha256 = e.fileSha256; // known once the whole file went out: kept from the start otherwise
    ended.start.fileRelease = e.fileRelease;
    ended.end = e;
    const QList<QVariant> values = valuesAt(AtEnd, ended);
    w->post([w, job, values] {
        const auto row = w->rows.constFind(job);
        if (row == w->rows.constEnd())
            return; // its row could not be written: said once already
        w->exec(
            job,
            QStringLiteral("UPDATE jobs SET %1, %2 WHERE %3 = ?").arg(assignmentsAt(AtEnd), counted(), name(Col::Id)),
            values + QList<QVariant>{*row});
        w->rows.remove(job);
    });
}

void ServiceRecord::annotate(qint64 rowId, const QString& serial, const QString& note)
{
    const qint64 job = ++m_next;
    Writer* w = m_writer.get();
    w->post([w, job, rowId, serial, note] {
        if (!w->open && !(w->open = w->openRecord(job)))
            return;
        w->exec(job,
                QStringLiteral("UPDATE jobs SET %1 = ?, %2 = ?, %3 WHERE %4 = ?")
                    .arg(name(Col::Serial), name(Col::Note), counted(), name(Col::Id)),
                {orNull(serial), orNull(note), rowId});
    });
}

ServiceRecord::Reading ServiceRecord::read(const Filter& filter) const
{
    return readAt(m_path, filter);
}

bool ServiceRecord::leftMidImage(const QString& port, const QString& device)
{
    // This program's own rows first, as long as a moment allows.
    flush(300);
    if (!notAFile(m_path).isEmpty() || !QFileInfo::exists(m_path))
        return false;
    const ReadConnection connection(m_path, 250);
    // The last row on this printer's port that says something of it: a load, or a job it answered
    // (it was switched off and on since, or never left waiting).
    QSqlQuery q(connection.db());
    q.setForwardOnly(true);
    const QString select = QStringLiteral("SELECT %1, %2 FROM jobs WHERE (%3 = ? OR %4 = ?) AND (%1 IN (?, ?) OR "
                                          "COALESCE(%5, '') <> '' OR COALESCE(%6, '') <> '') ORDER BY %7 DESC LIMIT 1")
                               .arg(name(Col::Kind), name(Col::MidImage), name(Col::Port), name(Col::Device),
                                    name(Col::Model), name(Col::Release), name(Col::Id));
    if (!connection.error().isEmpty() || !q.prepare(select))
        return false;
    q.addBindValue(port);
    q.addBindValue(device.isEmpty() ? QVariant() : QVariant(device));
    q.addBindValue(idOf(JobKind::Download));
    q.addBindValue(idOf(JobKind::Update));
    if (!q.exec() || !q.next())
        return false;
    const QString kind = q.value(0).toString();
    return (kind == idOf(JobKind::Download) || kind == idOf(JobKind::Update)) && q.value(1).toInt() > 0;
}

QString ServiceRecord::toCsv(const QList<Row>& rows, const QStringList& header)
{
    const auto field = [](QString v) {
        // A control character (an ESC in a file name, a printer's CR) never reaches whoever shows
        // the file: written as \xNN. A leading sign, or a TAB or CR before one, is kept from
        // spreadsheets' formulas; quoted where it must be.
        QString plain;
        plain.reserve(v.size());
        for (const QChar c : v)
            plain += c.unicode() < 0x20 || c.unicode() == 0x7f
                         ? QStringLiteral("\\x%1").arg(unsigned(c.unicode()), 2, 16, QLatin1Char('0'))
                         : QString(c);
        if (!v.isEmpty() && (v[0] == '=' || v[0] == '+' || v[0] == '-' || v[0] == '@' || v[0] == '\t' || v[0] == '\r'))
            plain.prepend('\'');
        v = plain;
        if (v.contains(',') || v.contains('"') || v.contains('\n') || v.contains('\r'))
            v = '"' + v.replace(QLatin1String("\""), QLatin1String("\"\"")) + '"';
        return v;
    };
    QStringList names;
    for (const QString& h : header.size() == csvColumns().size() ? header : csvColumns())
        names << field(h);
    QString csv = names.join(',') + QStringLiteral("\r\n");
    for (const Row& r : rows) {
        QStringList fields;
        for (const Column& c : kTable)
            if (c.csv)
                fields << c.csvText(r);
        QStringList quoted;
        for (const QString& f : fields)
            quoted << field(f);
        csv += quoted.join(',') + QStringLiteral("\r\n");
    }
    return csv;
}
