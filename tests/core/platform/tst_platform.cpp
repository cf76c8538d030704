#include "core/platform/cause.h"
#include "core/platform/settings_store.h"
#include "core/platform/stored_values.h"
#include "core/platform/system_clock.h"
#include "core/platform/task.h"
#include "core/record/service_record.h"
#include "core/record/shop_address.h"
#include "tests/support/test_home.h"
#include "texts/cause_words.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

class TstPlatform : public QObject
{
    Q_OBJECT
private slots:
    // What a terminal is shown of a name or a reply: nothing in it moves the cursor or turns the text around.
    void controlsEscaped()
    {
        for (const auto& [text, shown] : {std::pair{QString("a\x1b[2Jb"), QString("a\\x1b[2Jb")},
                                          {QString("x\u0085y\u007f"), QString("x\\x85y\\x7f")},
                                          {QString("FW\u202eNIB.exe"), QString("FW\\u202eNIB.exe")},
                                          {QString("\u2066\u200f\u00e8"), QString("\\u2066\\u200f\u00e8")},
                                          {QString("A\u2028B\u200bC\ufeff"), QString("A\\u2028B\\u200bC\\ufeff")}})
            QCOMPARE(escapeControls(text), shown);
    }
    // Every cause concerns what its id names; none is left without a concern or an id.
    void causesByConcern()
    {
        const QStringList prefixes{"", "file-", "port-", "link-", "printer-"};
        for (int c = 1; c <= int(Cause::PrinterNoAnswer); ++c)
            QVERIFY2(causeId(Cause(c)).startsWith(prefixes[int(concernOf(Cause(c)))]) &&
                         causeId(Cause(c)).size() > prefixes[int(concernOf(Cause(c)))].size(),
                     qPrintable(causeId(Cause(c))));
        QCOMPARE(concernOf(Cause::None), Concern::None);
    }
    void storedValues_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("number"); // "-": unusable
        QTest::addColumn<QString>("truth");  // "-": unusable
        auto row = [](const char* name, const char* text, const char* number, const char* truth) {
            QTest::newRow(name) << text << number << truth;
        };
        row("plain", "10", "10", "1");
        row("no selection", "-1", "-1", "1");
        row("zero", "0", "0", "0");
        row("blanks around", " 2000 ", "2000", "1");
        row("decimal rounds", "1.6", "2", "1");
        row("half rounds to even", "2.5", "2", "1");
        row("16-bit limit", "32767", "32767", "1");
        row("past 16 bits", "32768", "-", "1");
        row("the lowest 16-bit number", "-32768", "-32768", "1");
        row("True", "True", "-", "1");
        row("any case", "fALSE", "-", "0");
        row("a word", "yes", "-", "-");
        row("empty", "", "-", "-");
        row("not a number at all", "nan", "-", "-");
        row("trailing garbage", "3x", "-", "-");
    }
    void storedValues()
    {
        QFETCH(QString, text);
        QFETCH(QString, number);
        QFETCH(QString, truth);
        const auto n = parseWholeNumber(text);
        const auto t = parseTruth(text);
        QCOMPARE(n ? QString::number(*n) : "-", number);
        QCOMPARE(t ? QString::number(*t) : "-", truth);
        QCOMPARE(truthText(true) + truthText(false), QStringLiteral("TrueFalse"));
    }

    // A hand-written line is read as the text it holds, and a save keeps it.
    void storedTextsReadAsTheyStand_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("text");
        QTest::newRow("an unquoted comma") << QByteArray("File=/tmp/x,y.SHC") << "/tmp/x,y.SHC";
        QTest::newRow("blanks beside commas") << QByteArray("File = /tmp/a, b ,c.SHC ") << "/tmp/a, b ,c.SHC";
        QTest::newRow("quoted, as a save writes it") << QByteArray("File=\"/tmp/x,y.SHC\"") << "/tmp/x,y.SHC";
        QTest::newRow("a number with a comma") << QByteArray("Porta=1,5") << "1,5";
        QTest::newRow("absent") << QByteArray("Other=1") << "absent";
    }
    void storedTextsReadAsTheyStand()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, text);
        TestHome home;
        const QString key = text == "absent" ? "File" : QString::fromLatin1(line.left(line.indexOf('='))).trimmed();
        QFile file(SettingsStore().fileName());
        QVERIFY(QDir().mkpath(QFileInfo(file).absolutePath()) && file.open(QIODevice::WriteOnly));
        file.write(key.toLatin1() + "=top,level\n[Other]\n" + key.toLatin1() + "=elsewhere\n[Properties]\n" + line +
                   "\n");
        file.close();
        // Nothing comes from the system-wide store either.
        QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, home.path());
        QSettings(QSettings::NativeFormat, QSettings::SystemScope, "Velmora", "Velmora")
            .setValue("Properties/" + key, "system");
        QCOMPARE(SettingsStore().read(key, "absent"), text);
        SettingsStore().write(key, text);
        QCOMPARE(SettingsStore().read(key, "absent"), text);
    }

    // The service record: a job written at its start, kept current and completed at its end, read back newest first
    // and filtered; a printer left mid-image reminded until it answers; a locked database costs the job nothing but
    // its row, said once, and never holds up the one who writes; a damaged one is set aside and a new one begun; a
    // later schema is never written over.
    void serviceRecord()
    {
        TestHome home;
        const QString path = ServiceRecord::defaultPath();
        const auto rows = [&](const ServiceRecord::Filter& f = {}) { return ServiceRecord::readAt(path, f).rows; };
        {
            ServiceRecord record;
            QCOMPARE(record.read().rows.size() + record.read().error.size(), 0); // nothing yet, and not made by reading
            ServiceRecord::Start s;
            s.kind = "download", s.port = "COM2", s.device = "/dev/ttyUSB0", s.file = "/fw/A_1.BIN", s.fileSize = 10;
            const auto first = record.begin(s);
            ServiceRecord::End e;
            e.headers = "?Z4&10", e.sent = 0, e.midImage = true;
            record.update(first, e); // the header went out: said at once, before any end
            QVERIFY(record.flush() && rows().value(0).end.headers == "?Z4&10" && rows()[0].end.midImage);
            e.outcome = "aborted", e.sent = 4;
            record.complete(first, e);
            QVERIFY(first && record.leftMidImage("COM2", {}) && record.leftMidImage("COM9", "/dev/ttyUSB0") &&
                    !record.leftMidImage("COM3", "/dev/ttyS2"));
            s.kind = "interrogation", s.file.clear();
            const auto asked = record.begin(s);
            QVERIFY(record.leftMidImage("COM2", {})); // asked, no answer yet
            e = {}, e.outcome = "answered", e.model = "PX-9";
            record.complete(asked, e);
            QVERIFY(!record.leftMidImage("COM2", {}));
            s.kind = "download", s.port = "/dev/pts/9", s.file = "/fw/B%1.BIN";
            record.begin(s); // never completed: its program still runs
            QVERIFY(record.flush());
            QStringList got;
            for (const ServiceRecord::Row& r : rows())
                got << QStringLiteral("%1 %2 %3 %4").arg(r.id).arg(r.start.kind, r.start.port, r.end.outcome);
            QCOMPARE(got.join(" | "),
                     "3 download /dev/pts/9 running | 2 interrogation COM2 answered | 1 download COM2 aborted");
            // Filters: the port as written, a part of the path taken literally (no wildcards), the outcome.
            QStringList counts;
            for (const ServiceRecord::Filter& f : {ServiceRecord::Filter{"COM2", "A_1", {}, {}, {}, {}},
                                                   {"/dev/pts/9", {}, {}, {}, {}, {}},
                                                   {{}, "_", {}, {}, {}, {}},
                                                   {{}, "%", {}, {}, {}, {}},
                                                   {{}, "A_", {}, {}, {}, {}},
                                                   {{}, {}, "running", {}, {}, {}},
                                                   {{}, {}, "did-not-finish", {}, {}, {}},
                                                   {{}, {}, "answered", {}, {}, {}}})
                counts << QString::number(rows(f).size());
            QCOMPARE(counts.join(' '), "1 1 1 1 1 1 0 1");
            QVERIFY(ServiceRecord::toCsv(rows()).split("\r\n").size() == 5 && !record.takeProblem());
            // Another writer holds the database: the job is not held up, its row is given up, said once, and the
            // next job's is written.
            QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other");
            other.setDatabaseName(path);
            QVERIFY(other.open() && QSqlQuery(other).exec("BEGIN EXCLUSIVE"));
            const auto locked = record.begin(s);
            QVERIFY(locked && !record.flush(100)); // still waiting on the lock, and nobody waited with it
            QVERIFY(!record.leftMidImage("/dev/pts/9", {})); // no answer in time: no reminder, no wait
            QVERIFY(record.flush());
            const auto why = record.takeProblem();
            QVERIFY2(why && why->contains("locked") && !record.takeProblem(), qPrintable(why.value_or("none")));
            record.complete(locked, e);
            QSqlQuery(other).exec("COMMIT");
            record.begin(s);
            QVERIFY(record.flush() && !record.takeProblem() && rows().size() == 4);
            other.close();
        }
        QSqlDatabase::removeDatabase("other");
        // A full disk (here: no file may grow) costs the row, said; the sound record is never set aside.
        {
            rlimit was{};
            ::getrlimit(RLIMIT_FSIZE, &was);
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit none = was;
            none.rlim_cur = 1024; // smaller than any page the record writes
            QFile::remove(path + "-shm"), QFile::remove(path + "-wal");
            ::setrlimit(RLIMIT_FSIZE, &none);
            ServiceRecord full;
            full.begin({});
            QVERIFY(full.flush());
            ::setrlimit(RLIMIT_FSIZE, &was);
            QVERIFY(full.takeProblem() && full.setAside().isEmpty() && rows().size() == 4);
        }
        // Garbage in its place: read, it is an error and stays; written, it is set aside with its time, a new
        // record begun.
        const QString damaged = home.file("damaged.sqlite", QByteArray(8192, 'x'));
        QVERIFY(QFile::remove(path) && QFile::copy(damaged, path));
        QVERIFY(!ServiceRecord::readAt(path).error.isEmpty() && QFileInfo(path).size() == 8192);
        {
            ServiceRecord record;
            record.begin({});
            QVERIFY(record.flush() && record.setAside().startsWith(path + ".damaged-") &&
                    QFileInfo(record.setAside()).size() == 8192 && rows().size() == 1);
        }
        // A record of a later version, however written, is read, never written over.
        for (const char* later : {"9", "2.1"}) {
            {
                QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "later");
                db.setDatabaseName(path);
                QVERIFY(db.open() && QSqlQuery(db).exec(QStringLiteral("UPDATE meta SET value = '%1'").arg(later)));
                db.close();
            }
            QSqlDatabase::removeDatabase("later");
            ServiceRecord record;
            record.begin({});
            QVERIFY(record.flush() && record.takeProblem()->contains("later version") && record.setAside().isEmpty());
            QVERIFY(rows().size() == 1);
        }
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "meta");
            db.setDatabaseName(path);
            QSqlQuery q(db);
            QVERIFY(db.open() && q.exec("SELECT value FROM meta") && q.next() && q.value(0) == "2.1");
        }
        QSqlDatabase::removeDatabase("meta");
        // A FIFO or a device in its place or in a side file's place is never opened (its first read would wait for
        // ever, or read noise), and the sound record is not set aside for it; reading says so.
        for (const char* side : {"-journal", "-wal", "-shm", ""}) {
            const QString at = path + side;
            QFile::remove(at);
            QVERIFY(::mkfifo(QFile::encodeName(at).constData(), 0600) == 0);
            ServiceRecord record;
            record.begin({});
            QVERIFY(record.flush() && record.takeProblem()->contains("other than a file") && record.setAside().isEmpty());
            QVERIFY(ServiceRecord::readAt(path).error.contains("other than a file"));
            QFile::remove(at);
        }
    }

    // Every schema a record was ever written in opens, takes new rows and reads back by column name (here
    // with the columns in another order than the program's own): version 1, as the first release made it.
    void earlierSchemas()
    {
        TestHome home;
        const QString path = ServiceRecord::defaultPath();
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "v1");
            db.setDatabaseName(path);
            QSqlQuery q(db);
            QVERIFY(db.open());
            for (const char* sql :
                 {"CREATE TABLE meta (key TEXT PRIMARY KEY, value TEXT)", "INSERT INTO meta VALUES ('schema', '1')",
                  "CREATE TABLE jobs (id INTEGER PRIMARY KEY AUTOINCREMENT, outcome TEXT NOT NULL, started TEXT NOT "
                  "NULL, ended TEXT, user TEXT, host TEXT, pid INTEGER, face TEXT, kind TEXT, operation TEXT, boot "
                  "TEXT, checksum INTEGER, turbo INTEGER, file TEXT, file_size INTEGER, file_sha256 TEXT, file_xor "
                  "INTEGER, file_release TEXT, port TEXT, device TEXT, device_id TEXT, line TEXT, headers TEXT, sent "
                  "INTEGER, taken INTEGER, model TEXT, release TEXT, flash TEXT, release_after TEXT, cause TEXT, "
                  "mid_image INTEGER NOT NULL DEFAULT 0)",
                  "INSERT INTO jobs (outcome, started, ended, face, kind, operation, boot, checksum, file, file_size, "
                  "file_xor, port, device, headers, sent, taken, release, mid_image) VALUES ('aborted', "
                  "'2026-01-02T03:04:05.006Z', '2026-01-02T03:05:00.000Z', 'window', 'download', 'firmware', "
                  "'board', 1, '/srv/A.BIN', 4097, 171, 'COM2', '/dev/ttyUSB0', '?Z3&4097,171', 1024, 960, '1.05', 1)"})
                QVERIFY2(q.exec(QString::fromLatin1(sql)), qPrintable(q.lastError().text()));
            db.close();
        }
        QSqlDatabase::removeDatabase("v1");
        {
            ServiceRecord record;
            ServiceRecord::Start s;
            s.kind = "interrogation", s.port = "COM2", s.serial = "SN-7";
            ServiceRecord::End e;
            e.outcome = "answered", e.model = "PX-9";
            record.complete(record.begin(s), e);
            QVERIFY(record.flush() && !record.takeProblem() && record.setAside().isEmpty());
            QVERIFY(!record.leftMidImage("COM2", {})); // the printer answered since the stopped load
        }
        const QList<ServiceRecord::Row> rows = ServiceRecord::readAt(path).rows;
        QCOMPARE(rows.size(), 2);
        const ServiceRecord::Row& old = rows[1];
        QCOMPARE(
            QStringList({old.start.kind, old.start.operation, old.start.boot, old.start.file, old.start.port,
                         old.start.device, old.end.headers, old.end.release, old.end.outcome,
                         ServiceRecord::timeText(old.started)})
                .join('|'),
            "download|firmware|board|/srv/A.BIN|COM2|/dev/ttyUSB0|?Z3&4097,171|1.05|aborted|2026-01-02T03:04:05.006Z");
        QVERIFY(old.start.checksum && old.start.fileSize == 4097 && old.start.fileXor == 171 && old.end.sent == 1024 &&
                old.end.taken == 960 && old.end.midImage && old.ended.isValid());
        QVERIFY(rows[0].end.model == "PX-9" && rows[0].end.outcome == "answered" && rows[0].start.fileSize == -1);
        QCOMPARE(
            ServiceRecord::toCsv(rows).section("\r\n", 0, 0),
            "id,started,ended,user,face,kind,operation,boot,checksum,turbo,file,size,sha256,xor,file_release,port,"
            "device,device_id,line,headers,sent,taken,model,release,flash,release_after,outcome,cause,mid_image,serial,"
            "note");
        // Brought forward to the next schema: every row with a uid of its own, waiting for the shop; the new row
        // with this bench's machine id and its serial; a serial and a note added later count as a write.
        QVERIFY(old.uid.size() == 32 && rows[0].uid.size() == 36 && old.rev == 1 && old.shopRev == 0 &&
                rows[0].rev == 2 && rows[0].machineId == QSysInfo::machineUniqueId() && rows[0].start.serial == "SN-7");
        {
            ServiceRecord record;
            record.annotate(old.id, "SN-1", "fuse replaced");
            QVERIFY(record.flush() && !record.takeProblem());
        }
        ServiceRecord::Filter bySerial;
        bySerial.serial = "SN-1";
        const QList<ServiceRecord::Row> found = ServiceRecord::readAt(path, bySerial).rows;
        QVERIFY(found.size() == 1 && found[0].uid == old.uid && found[0].note == "fuse replaced" && found[0].rev == 2);
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "v2");
        db.setDatabaseName(path);
        QSqlQuery q(db);
        QVERIFY(db.open() && q.exec("SELECT value FROM meta WHERE key = 'schema'") && q.next() && q.value(0) == "2");
        q.finish();
        db.close();
        db = {};
        QSqlDatabase::removeDatabase("v2");
    }

    // The shop's address: a libpq URI in, the same back without anything it never holds; a password refused
    // wherever it stands; a keyword's value that would add keywords of its own to the driver's options refused.
    void shopAddress_data()
    {
        QTest::addColumn<QString>("uri");
        QTest::addColumn<QString>("read"); // its text | the driver's options; or the refusal
        const QString bounds = "connect_timeout=5;keepalives_idle=5;keepalives_interval=2;keepalives_count=3;"
                               "tcp_user_timeout=10000;application_name=velmora";
        QTest::newRow("host, port, database, sslmode")
            << "postgresql://bench@db.shop:5433/velmora?sslmode=require"
            << "postgresql://bench@db.shop:5433/velmora?sslmode=require | sslmode=require;" + bounds;
        QTest::newRow("a socket's folder, its own timeout")
            << "postgres:///shop?host=/run/postgresql&connect_timeout=2"
            << "postgresql:///shop?host=/run/postgresql&connect_timeout=2 | connect_timeout=2;keepalives_idle=5;"
               "keepalives_interval=2;keepalives_count=3;tcp_user_timeout=10000;application_name=velmora";
        QTest::newRow("user and database in the query") << "postgresql://h/?user=u&dbname=d"
                                                        << "postgresql://u@h/d | " + bounds;
        QTest::newRow("password in the authority") << "postgresql://u:s3cret@h/d"
                                                   << "a password is never stored";
        QTest::newRow("password in the query") << "postgresql://h/d?password=s3cret"
                                               << "a password is never stored";
        QTest::newRow("passfile in the query") << "postgresql://h/d?passfile=/tmp/p"
                                               << "a password is never stored";
        QTest::newRow("a value with a blank") << "postgresql://h/d?sslmode=require%20password=x"
                                              << "a keyword of the URI's query that cannot be passed on";
        QTest::newRow("no database") << "postgresql://h"
                                     << "the URI names no database";
        QTest::newRow("another scheme") << "mysql://h/d"
                                        << "not a PostgreSQL URI";
    }
    void shopAddress()
    {
        QFETCH(QString, uri);
        QFETCH(QString, read);
        const auto parsed = ShopAddress::parse(uri);
        if (const auto* a = std::get_if<ShopAddress>(&parsed)) {
            QCOMPARE(a->text() + " | " + a->connectOptions(), read);
            QVERIFY(std::holds_alternative<ShopAddress>(ShopAddress::parse(a->text()))); // read back as stored
        } else
            QVERIFY2(std::get<QString>(parsed).startsWith(read) && !std::get<QString>(parsed).contains("s3cret"),
                     qPrintable(std::get<QString>(parsed)));
    }

    // The CSV export: no formula starts a cell (not even behind a TAB or a CR), no control character reaches the
    // one who shows the file, commas and quotes are quoted.
    void csvNeutralised()
    {
        ServiceRecord::Row r;
        r.start.file = "/fw/A\x1b[2JB,\"1\".BIN", r.end.model = "\t=1+2", r.end.release = "\r@SUM(A1)";
        r.end.headers = "-2", r.end.flash = "F\n4M", r.note = "=HYPERLINK(1)";
        QCOMPARE(ServiceRecord::toCsv({r}).split("\r\n")[1],
                 QString("0,,,,,,,,0,0,\"/fw/A\\x1b[2JB,\"\"1\"\".BIN\",,,,,,,,,'-2,,,'\\x09=1+2,'\\x0d@SUM(A1),"
                         "F\\x0a4M,,,,0,,'=HYPERLINK(1)"));
    }

    // Tasks on the real clock: a wait is never short, a wait of nothing does not wait, and two jobs wait side by
    // side (neither holds the other up).
    void tasksOnTheSystemClock()
    {
        SystemClock clock;
        QStringList log;
        const auto sleeper = [&](QString name, double seconds) -> Task<> {
            const double start = clock.now();
            co_await clock.sleep(0);
            co_await clock.sleep(-1);
            log << name + "+0";
            co_await clock.sleep(seconds);
            log << QStringLiteral("%1 %2").arg(name).arg(clock.now() - start >= seconds);
        };
        Job a, b;
        a.start(sleeper("a", 0.3));
        b.start(sleeper("b", 0.1));
        QTest::qWait(500);
        QCOMPARE(log.join(' '), "a+0 b+0 b 1 a 1");
        // The pacing timer fires while enabled only: each tick of the program is a one-shot.
        int ticks = 0;
        auto oneShot = clock.createTimer();
        connect(oneShot.get(), &Timer::timeout, [&] {
            oneShot->setEnabled(false);
            ++ticks;
        });
        oneShot->setInterval(5);
        oneShot->setEnabled(true);
        QTest::qWait(100);
        QVERIFY(ticks == 1 && !oneShot->isEnabled());
    }
};

QTEST_GUILESS_MAIN(TstPlatform)
#include "tst_platform.moc"
