#include "core/record/shop_record.h"

#include "core/platform/settings_store.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPointer>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>
#include <QVariant>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace shop_record {

namespace {

const QString kGroup = QStringLiteral("Record");
const QString kKey = QStringLiteral("ShopRecord");
const QString kMeta = QStringLiteral("velmora_meta");
std::atomic<bool> g_abandoned{false};
std::atomic<int> g_readers{0};

QString say(const char* text)
{
    return QCoreApplication::translate("Record", text);
}

// "1204 rows from 3 benches". (Its own function: lupdate hangs on some calls inside a translate.)
QString benchesWords(qint64 rows, int benches)
{
    return QCoreApplication::translate("Record", "%1 rows from %n bench(es)", nullptr, benches).arg(rows);
}

// The local record is there and a plain file, as are its side files: a FIFO in their place would
// block the opening for ever (the record itself says so; the sender only keeps away).
bool plainRecord(const QString& path)
{
    return QFileInfo(path).isFile() && ServiceRecord::notAFile(path).isEmpty();
}

QString quoted(const QString& name)
{
    return QLatin1Char('"') + name + QLatin1Char('"');
}

// `work` on a thread of its own, its answer given to `done` on the application's thread (which
// outlives every window) unless `context` is gone by then. A thread still waiting on the network
// when the program ends is left behind (Sender::abandoned()).
template <typename Answer>
void onItsOwnThread(QObject* context, std::function<Answer()> work, std::function<void(const Answer&)> done)
{
    ++g_readers;
    QPointer<QObject> guard(context);
    std::thread([guard, work = std::move(work), done = std::move(done)] {
        const Answer answer = work();
        if (QCoreApplication* app = QCoreApplication::instance())
            QMetaObject::invokeMethod(app, [guard, done, answer] {
                if (guard)
                    done(answer);
            });
        --g_readers;
    }).detach();
}

// The shop's columns from the local record's: the same names, PostgreSQL's types, the uid as key,
// and the role that sent a row (a bench updates its own rows only, where the shop's rights say so).
QString createTable()
{
    QStringList columns;
    for (auto [name, type] : ServiceRecord::columns()) {
        if (name == QLatin1String("uid"))
            type = QStringLiteral("text PRIMARY KEY");
        else if (type.startsWith(QLatin1String("INTEGER PRIMARY KEY")))
            type = QStringLiteral("bigint");
        else if (type.startsWith(QLatin1String("INTEGER")))
            type.replace(0, 7, QStringLiteral("bigint"));
        columns << quoted(name) + QLatin1Char(' ') + type;
    }
    columns << QStringLiteral("sent_by text NOT NULL DEFAULT current_user");
    return QStringLiteral("CREATE TABLE %1 (%2)").arg(kTable, columns.join(QStringLiteral(", ")));
}

bool run(QSqlQuery& q, const QString& sql, QString* why, const QList<QVariant>& values = {})
{
    // Without values nothing is prepared: PostgreSQL prepares no CREATE.
    if (values.isEmpty()) {
        if (q.exec(sql))
            return true;
        *why = q.lastError().text();
        return false;
    }
    if (!q.prepare(sql)) {
        *why = q.lastError().text();
        return false;
    }
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (q.exec())
        return true;
    *why = q.lastError().text();
    return false;
}

// The shop's schema, made when missing; empty when rows may be written, else why not.
QString prepare(const QString& name)
{
    QSqlQuery q(QSqlDatabase::database(name, false));
    QString why;
    if (!run(q, QStringLiteral("SELECT to_regclass(?)::text"), &why, {kMeta}) || !q.next())
        return why;
    if (q.value(0).isNull()) {
        // A bench with the right to make it makes it; the shop's owner may have made it beforehand.
        QSqlDatabase db = QSqlDatabase::database(name, false);
        db.transaction();
        const bool made =
            run(q, QStringLiteral("CREATE TABLE %1 (key text PRIMARY KEY, value text)").arg(kMeta), &why) &&
            run(q, createTable(), &why) && run(q, QStringLiteral("CREATE INDEX ON %1 (started)").arg(kTable), &why) &&
            run(q, QStringLiteral("CREATE INDEX ON %1 (host)").arg(kTable), &why) &&
            run(q, QStringLiteral("CREATE INDEX ON %1 (serial)").arg(kTable), &why) &&
            run(q, QStringLiteral("INSERT INTO %1 (key, value) VALUES ('schema', ?)").arg(kMeta), &why,
                {QString::number(kSchemaVersion)});
        if (made && db.commit())
            return {};
        db.rollback();
        // Another bench made it meanwhile: that one is used.
        QString again;
        if (!run(q, QStringLiteral("SELECT to_regclass(?)::text"), &again, {kMeta}) || !q.next() || q.value(0).isNull())
            return why.isEmpty() ? db.lastError().text() : why;
    }
    if (!run(q, QStringLiteral("SELECT value FROM %1 WHERE key = 'schema'").arg(kMeta), &why))
        return why;
    const QString version = q.next() ? q.value(0).toString() : QString();
    bool number = false;
    if (version.toInt(&number) != kSchemaVersion || !number)
        return say(QT_TRANSLATE_NOOP("Record", "the shop's record was made by a later version of Velmora (schema %1)"))
            .arg(version);
    return {};
}

// Sends what waits in the local record, a batch a transaction; empty when every row went (or nothing
// could be read locally: that is the local record's own news), else the shop's words. `left`:
// what still waits.
QString sendWaiting(const QString& local, const QString& shop, qint64& sent, qint64& left,
                    const std::atomic<bool>& stop)
{
    left = 0;
    QSqlDatabase localDb = QSqlDatabase::database(local, false);
    QSqlDatabase shopDb = QSqlDatabase::database(shop, false);
    for (;;) {
        QSqlQuery pick(localDb);
        pick.setForwardOnly(true);
        QList<QSqlRecord> rows;
        if (!pick.exec(QStringLiteral("SELECT * FROM jobs WHERE rev > shop_rev ORDER BY id LIMIT 200")))
            return {};
        while (pick.next())
            rows << pick.record();
        pick.finish();
        if (rows.isEmpty() || stop)
            break;
        QSqlQuery put(shopDb);
        QString why;
        if (!shopDb.transaction())
            return shopDb.lastError().text();
        for (const QSqlRecord& r : rows) {
            QStringList names, marks, sets;
            QList<QVariant> values;
            for (int i = 0; i < r.count(); ++i) {
                names << quoted(r.fieldName(i));
                marks << QStringLiteral("?");
                sets << quoted(r.fieldName(i)) + QStringLiteral(" = EXCLUDED.") + quoted(r.fieldName(i));
                values << r.value(i);
            }
            // Once a uid: a row sent again, or completed since, replaces its copy unless the copy is later.
            const QString upsert = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3) ON CONFLICT (uid) DO UPDATE SET %4 "
                                                  "WHERE %1.rev <= EXCLUDED.rev")
                                       .arg(kTable, names.join(','), marks.join(','), sets.join(','));
            if (!run(put, upsert, &why, values)) {
                shopDb.rollback();
                return why;
            }
        }
        if (!shopDb.commit()) {
            why = shopDb.lastError().text();
            shopDb.rollback();
            return why;
        }
        sent += rows.size();
        // Only the revision sent: a row written again meanwhile waits for the next batch. A batch
        // committed but not marked (the program ended between the two) is sent again, and held once.
        QSqlQuery mark(localDb);
        localDb.transaction();
        for (const QSqlRecord& r : rows)
            run(mark, QStringLiteral("UPDATE jobs SET shop_rev = ? WHERE id = ? AND shop_rev < ?"), &why,
                {r.value(QStringLiteral("rev")), r.value(QStringLiteral("id")), r.value(QStringLiteral("rev"))});
        if (!localDb.commit()) {
            localDb.rollback();
            break; // the local record is busy: what was sent goes again, and is held once
        }
    }
    QSqlQuery count(localDb);
    if (count.exec(QStringLiteral("SELECT COUNT(*) FROM jobs WHERE rev > shop_rev")) && count.next())
        left = count.value(0).toLongLong();
    return {};
}

} // namespace

std::optional<ShopAddress> stored(SettingsStore& settings, QString* why)
{
    const QString text = settings.readIn(kGroup, kKey);
    if (text.isEmpty())
        return std::nullopt;
    auto parsed = ShopAddress::parse(text);
    if (auto* address = std::get_if<ShopAddress>(&parsed))
        return *address;
    if (why)
        *why = std::get<QString>(parsed);
    return std::nullopt;
}

void store(SettingsStore& settings, const std::optional<ShopAddress>& address)
{
    settings.writeIn(kGroup, kKey, address ? address->text() : QString());
}

QString open(const ShopAddress& a, const QString& name)
{
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        return say(QT_TRANSLATE_NOOP("Record", "Qt's PostgreSQL driver is not installed (libqt6sql6-psql)"));
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    db.setHostName(a.host);
    if (a.port > 0)
        db.setPort(a.port);
    db.setUserName(a.user);
    db.setDatabaseName(a.dbname);
    db.setConnectOptions(a.connectOptions());
    if (db.open())
        return {};
    const QString why = db.lastError().text();
    db = {};
    QSqlDatabase::removeDatabase(name);
    return why.isEmpty() ? say(QT_TRANSLATE_NOOP("Record", "the server does not answer")) : why;
}

void close(const QString& name)
{
    if (!QSqlDatabase::contains(name))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

QString check(const ShopAddress& address)
{
    const QString name = QStringLiteral("shop-check-") + QUuid::createUuid().toString(QUuid::Id128);
    QString why = open(address, name);
    if (why.isEmpty())
        why = prepare(name);
    close(name);
    return why;
}

ServiceRecord::Reading read(const ShopAddress& address, const ServiceRecord::Filter& filter)
{
    const QString name = QStringLiteral("shop-read-") + QUuid::createUuid().toString(QUuid::Id128);
    ServiceRecord::Reading reading;
    reading.error = open(address, name);
    if (!reading.error.isEmpty())
        return reading;
    QSqlQuery exists(QSqlDatabase::database(name, false));
    if (exists.exec(QStringLiteral("SELECT to_regclass('%1')::text").arg(kTable)) && exists.next() &&
        exists.value(0).isNull()) {
        close(name);
        return reading; // nothing sent yet
    }
    exists.finish();
    reading = ServiceRecord::readFrom(QSqlDatabase::database(name, false), kTable, filter);
    close(name);
    return reading;
}

void readLater(const ShopAddress& address, const ServiceRecord::Filter& filter, QObject* context,
               std::function<void(const ServiceRecord::Reading&)> done)
{
    onItsOwnThread<ServiceRecord::Reading>(
        context, [address, filter] { return read(address, filter); }, std::move(done));
}

void testLater(const ShopAddress& address, QObject* context, std::function<void(const QString&, const QString&)> done)
{
    using Answer = std::pair<QString, QString>; // why not, what it found
    const auto work = [address]() -> Answer {
        const QString name = QStringLiteral("shop-test-") + QUuid::createUuid().toString(QUuid::Id128);
        const QString why = open(address, name);
        QString found;
        if (why.isEmpty()) {
            QSqlQuery q(QSqlDatabase::database(name, false));
            if (q.exec(QStringLiteral("SHOW server_version")) && q.next())
                found = QStringLiteral("PostgreSQL ") + q.value(0).toString();
            q.finish();
            if (q.exec(QStringLiteral("SELECT to_regclass('%1')::text").arg(kTable)) && q.next() &&
                !q.value(0).isNull() &&
                q.exec(QStringLiteral("SELECT count(*), count(DISTINCT host) FROM %1").arg(kTable)) && q.next())
                found += QStringLiteral(", ") + benchesWords(q.value(0).toLongLong(), q.value(1).toInt());
            else
                found += QStringLiteral(", ") + say(QT_TRANSLATE_NOOP("Record", "no rows yet"));
            q.finish();
        }
        close(name);
        return {why, found};
    };
    onItsOwnThread<Answer>(context, work, [done = std::move(done)](const Answer& a) { done(a.first, a.second); });
}

qint64 waiting(const QString& path)
{
    if (!plainRecord(path))
        return 0;
    const QString name = QStringLiteral("shop-count-") + QUuid::createUuid().toString(QUuid::Id128);
    qint64 n = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=1000"));
        if (db.open()) {
            QSqlQuery q(db);
            // A record of the first schema has no revisions yet: every row of it waits.
            if ((q.exec(QStringLiteral("SELECT COUNT(*) FROM jobs WHERE rev > shop_rev")) ||
                 q.exec(QStringLiteral("SELECT COUNT(*) FROM jobs"))) &&
                q.next())
                n = q.value(0).toLongLong();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return n;
}

struct Sender::State {
    ShopAddress address;
    QString path;
    std::mutex mutex;
    std::condition_variable wake, passed;
    // guarded by mutex
    bool stop = false, nudged = false, inPass = false, exited = false;
    std::atomic<bool> stopping{false}; // stop, read without the lock in the middle of a pass
    bool troubled = false;             // the last pass could not reach the shop: nobody waits for the next
    qint64 passes = 0;
    std::optional<QString> unreachable;
    std::optional<qint64> sent;
    bool saidUnreachable = false, saidSent = false;
    std::thread thread;

    void run()
    {
        const QString id = QUuid::createUuid().toString(QUuid::Id128);
        const QString local = QStringLiteral("shop-local-") + id, shop = QStringLiteral("shop-") + id;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), local);
            db.setDatabaseName(path);
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=1000"));
        }
        const qint64 before = waiting(path);
        bool connected = false, everTroubled = false;
        qint64 sentTotal = 0;
        std::unique_lock lock(mutex);
        while (!stop) {
            inPass = true;
            lock.unlock();
            QString trouble;
            qint64 left = 0;
            QSqlDatabase localDb = QSqlDatabase::database(local, false);
            // Nothing is asked of the shop while nothing waits for it.
            QSqlQuery count(localDb);
            const bool something = plainRecord(path) && (localDb.isOpen() || localDb.open()) &&
                                   count.exec(QStringLiteral("SELECT 1 FROM jobs WHERE rev > shop_rev LIMIT 1")) &&
                                   count.next();
            count.finish();
            if (something && !connected) {
                trouble = open(address, shop);
                if (trouble.isEmpty())
                    trouble = prepare(shop);
                connected = trouble.isEmpty();
                if (!connected)
                    close(shop);
            }
            if (something && connected) {
                trouble = sendWaiting(local, shop, sentTotal, left, stopping);
                if (!trouble.isEmpty()) { // the connection is made afresh at the next pass
                    close(shop);
                    connected = false;
                }
            }
            lock.lock();
            troubled = !trouble.isEmpty();
            if (!trouble.isEmpty()) {
                everTroubled = true;
                if (!saidUnreachable)
                    unreachable = trouble, saidUnreachable = true;
            } else if (something && left == 0 && sentTotal > 0 && (before > 0 || everTroubled) && !saidSent)
                sent = sentTotal, saidSent = true;
            inPass = false;
            ++passes;
            passed.notify_all();
            wake.wait_for(lock, connected ? std::chrono::seconds(1) : std::chrono::seconds(10),
                          [this] { return stop || nudged; });
            nudged = false;
        }
        lock.unlock();
        close(shop);
        close(local);
        lock.lock();
        exited = true;
        passed.notify_all();
    }
};

Sender::Sender(ShopAddress address, QString path) : m_state(std::make_shared<State>())
{
    m_state->address = std::move(address);
    m_state->path = std::move(path);
    // The thread holds the state: a thread left waiting on the network outlives its owner safely.
    m_state->thread = std::thread([state = m_state] { state->run(); });
}

Sender::~Sender()
{
    std::unique_lock lock(m_state->mutex);
    m_state->stop = true;
    m_state->stopping = true;
    m_state->wake.notify_all();
    const bool ended =
        m_state->passed.wait_for(lock, std::chrono::milliseconds(300), [this] { return m_state->exited; });
    lock.unlock();
    if (ended)
        m_state->thread.join();
    else {
        m_state->thread.detach();
        g_abandoned = true;
    }
}

void Sender::nudge()
{
    const std::lock_guard lock(m_state->mutex);
    m_state->nudged = true;
    m_state->wake.notify_all();
}

bool Sender::finish(int ms)
{
    std::unique_lock lock(m_state->mutex);
    if (m_state->troubled)
        return false; // the shop did not answer the last pass: the rows wait for another run
    // A pass that began before now may have read the rows before the last one was written.
    const qint64 target = m_state->passes + (m_state->inPass ? 2 : 1);
    m_state->nudged = true;
    m_state->wake.notify_all();
    return m_state->passed.wait_for(lock, std::chrono::milliseconds(ms),
                                    [&] { return m_state->passes >= target || m_state->exited; });
}

std::optional<QString> Sender::takeUnreachable()
{
    const std::lock_guard lock(m_state->mutex);
    return std::exchange(m_state->unreachable, std::nullopt);
}

std::optional<qint64> Sender::takeSent()
{
    const std::lock_guard lock(m_state->mutex);
    return std::exchange(m_state->sent, std::nullopt);
}

bool Sender::abandoned()
{
    return g_abandoned || g_readers > 0;
}

} // namespace shop_record
