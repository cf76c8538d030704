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
#include <QSet>
#include <QHash>
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
    return ServiceRecord::timeText(QDateTime::currentDateTimeUtc());
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
QString notAFile(const QString& path)
{
    for (const char* side : {"", "-journal", "-wal", "-shm"}) {
        const QFileInfo file(path + QLatin1String(side));
        if ((file.exists() || file.isSymLink()) && !file.isFile())
            return QCoreApplication::translate("Record", "something other than a file stands in the place of %1")
                .arg(file.fileName());
    }
    return {};
}

const QString kSelect = QStringLiteral(
    "SELECT id, started, ended, user, pid, host, face, kind, operation, boot, checksum, turbo, file, file_size, "
    "file_sha256, file_xor, file_release, port, device, device_id, line, headers, sent, taken, model, release, "
    "flash, release_after, outcome, cause, mid_image FROM jobs");

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

ServiceRecord::Row rowOf(const QSqlQuery& q, const QString& host)
{
    ServiceRecord::Row r;
    int i = 0;
    const auto text = [&] { return q.value(i++).toString(); };
    const auto number = [&] { return q.value(i).isNull() ? (++i, qint64(-1)) : q.value(i++).toLongLong(); };
    r.id = q.value(i++).toLongLong();
    r.started = timeOf(text());
    r.ended = timeOf(text());
    r.user = text();
    const qint64 pid = number();
    const QString rowHost = text();
    ServiceRecord::Start& s = r.start;
    s.face = text(), s.kind = text(), s.operation = text(), s.boot = text();
    s.checksum = number() > 0, s.turbo = number() > 0;
    s.file = text(), s.fileSize = number(), s.fileSha256 = text(), s.fileXor = int(number());
    s.fileRelease = text(), s.port = text(), s.device = text(), s.deviceId = text(), s.line = text();
    ServiceRecord::End& e = r.end;
    e.headers = text(), e.sent = number(), e.taken = number();
    e.model = text(), e.release = text(), e.flash = text(), e.releaseAfter = text();
    e.outcome = text(), e.cause = text(), e.midImage = number() > 0;
    if (!r.ended.isValid() && rowHost == host && alive(pid))
        e.outcome = QStringLiteral("running");
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
    QStringList where;
    QList<QVariant> values;
    if (!f.port.isEmpty())
        where << QStringLiteral("port = ?"), values << f.port;
    if (!f.file.isEmpty())
        where << QStringLiteral("file LIKE ? ESCAPE '\\'"), values << likePattern(f.file);
    if (f.since.isValid())
        where << QStringLiteral("started >= ?"), values << timeText(f.since);
    // "running" is a row without an end whose program still runs: told apart below.
    const bool unended = f.outcome == QLatin1String("running") || f.outcome == QLatin1String("did-not-finish");
    if (!f.outcome.isEmpty())
        where << QStringLiteral("outcome = ?"), values << (unended ? QStringLiteral("did-not-finish") : f.outcome);
    QSqlQuery q(connection.db());
    q.setForwardOnly(true);
    if (!q.prepare(kSelect + (where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where.join(" AND ")) +
                   QStringLiteral(" ORDER BY id DESC"))) {
        reading.error = q.lastError().text();
        return reading;
    }
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec()) {
        reading.error = q.lastError().text();
        return reading;
    }
    const QString host = QSysInfo::machineHostName();
    while (q.next()) {
        Row r = rowOf(q, host);
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
        if (stated && (!number || found != kSchemaVersion)) {
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
            const QString create = QStringLiteral(
                "CREATE TABLE IF NOT EXISTS jobs (id INTEGER PRIMARY KEY AUTOINCREMENT, started TEXT NOT NULL, "
                "ended TEXT, user TEXT, host TEXT, pid INTEGER, face TEXT, kind TEXT, operation TEXT, boot TEXT, "
                "checksum INTEGER, turbo INTEGER, file TEXT, file_size INTEGER, file_sha256 TEXT, file_xor INTEGER, "
                "file_release TEXT, port TEXT, device TEXT, device_id TEXT, line TEXT, headers TEXT, sent INTEGER, "
                "taken INTEGER, model TEXT, release TEXT, flash TEXT, release_after TEXT, outcome TEXT NOT NULL, "
                "cause TEXT, mid_image INTEGER NOT NULL DEFAULT 0)");
            if (!exec(job, create) ||
                !exec(job, QStringLiteral("INSERT OR REPLACE INTO meta (key, value) VALUES ('schema', ?)"),
                      {kSchemaVersion}))
                return false;
        }
        // The mid-image reminder reads a port's rows alone, however long the record is.
        exec(job, QStringLiteral("CREATE INDEX IF NOT EXISTS jobs_port ON jobs (port)"));
        exec(job, QStringLiteral("CREATE INDEX IF NOT EXISTS jobs_device ON jobs (device)"));
        return true;
    }
};

ServiceRecord::ServiceRecord(QString path) : m_path(std::move(path)), m_writer(std::make_unique<Writer>(m_path)) {}

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
    const QList<QVariant> values{
        now(),           currentUser(),   QSysInfo::machineHostName(), qint64(QCoreApplication::applicationPid()),
        QStringLiteral("did-not-finish"),
        orNull(s.face),  orNull(s.kind),  orNull(s.operation),         orNull(s.boot),
        int(s.checksum), int(s.turbo),    orNull(s.file),              orNull(s.fileSize),
        orNull(s.fileSha256),             orNull(qint64(s.fileXor)),   orNull(s.fileRelease),
        orNull(s.port),  orNull(s.device), orNull(s.deviceId),         orNull(s.line)};
    Writer* w = m_writer.get();
    w->post([w, job, values] {
        if (!w->open && !(w->open = w->openRecord(job)))
            return;
        QStringList columns{"started", "user", "host", "pid", "outcome"};
        for (const char* c : kColumns)
            columns << QString::fromLatin1(c);
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
    const QList<QVariant> values{orNull(e.headers), orNull(e.sent), orNull(e.taken), int(e.midImage)};
    w->post([w, job, values] {
        if (const auto row = w->rows.constFind(job); row != w->rows.constEnd())
            w->exec(job, QStringLiteral("UPDATE jobs SET headers = ?, sent = ?, taken = ?, mid_image = ? WHERE id = ?"),
                    values + QList<QVariant>{*row});
    });
}

void ServiceRecord::complete(std::optional<qint64> id, const End& e)
{
    if (!id)
        return;
    Writer* w = m_writer.get();
    const qint64 job = *id;
    const QList<QVariant> values{now(),           e.outcome,       orNull(e.cause),      orNull(e.headers),
                                 orNull(e.sent),  orNull(e.taken), int(e.midImage),      orNull(e.model),
                                 orNull(e.release), orNull(e.flash), orNull(e.releaseAfter), orNull(e.fileSha256),
                                 orNull(e.fileRelease)};
    w->post([w, job, values] {
        const auto row = w->rows.constFind(job);
        if (row == w->rows.constEnd())
            return; // its row could not be written: said once already
        w->exec(job,
                QStringLiteral("UPDATE jobs SET ended = ?, outcome = ?, cause = ?, headers = ?, sent = ?, taken = ?, "
                               "mid_image = ?, model = ?, release = ?, flash = ?, release_after = ?, "
                               "file_sha256 = COALESCE(?, file_sha256), file_release = COALESCE(?, file_release) "
                               "WHERE id = ?"),
                values + QList<QVariant>{*row});
        w->rows.remove(job);
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
    QSqlQuery q(connection.db());
    q.setForwardOnly(true);
    if (!connection.error().isEmpty() ||
        !q.prepare(QStringLiteral("SELECT kind, mid_image, model, release FROM jobs WHERE port = ? OR device = ? "
                                  "ORDER BY id DESC LIMIT 1000")))
        return false;
    q.addBindValue(port);
    q.addBindValue(device.isEmpty() ? QVariant() : QVariant(device));
    if (!q.exec())
        return false;
    while (q.next()) {
        const QString kind = q.value(0).toString();
        if (kind == QLatin1String("download") || kind == QLatin1String("update"))
            return q.value(1).toInt() > 0;
        // The printer answered since: it was switched off and on, or it was never left waiting.
        if (!q.value(2).toString().isEmpty() || !q.value(3).toString().isEmpty())
            return false;
    }
    return false;
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
    const auto number = [](qint64 n) { return n < 0 ? QString() : QString::number(n); };
    QStringList names;
    for (const QString& h : header.size() == kCsvColumns.size() ? header : kCsvColumns)
        names << field(h);
    QString csv = names.join(',') + QStringLiteral("\r\n");
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
