#include "core/platform/cause.h"
#include "core/platform/settings_store.h"
#include "core/platform/stored_values.h"
#include "core/platform/system_clock.h"
#include "core/platform/task.h"
#include "core/record/service_record.h"
#include "tests/support/test_home.h"
#include "texts/cause_words.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <QTimer>

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
                                          {QString("\u2066\u200f\u00e8"), QString("\\u2066\\u200f\u00e8")}})
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

    // The service record: a job written at its start and completed at its end, read back newest first and
    // filtered; a printer left mid-image reminded until it answers; a locked database costs the job nothing but
    // its row, said once; a damaged one is set aside and a new one begun; a later schema is never written over.
    void serviceRecord()
    {
        TestHome home;
        const QString path = ServiceRecord::defaultPath();
        {
            ServiceRecord record;
            ServiceRecord::Start s;
            s.kind = "download", s.port = "COM2", s.device = "/dev/ttyUSB0", s.file = "/fw/A.BIN", s.fileSize = 10;
            const auto first = record.begin(s);
            ServiceRecord::End e;
            e.outcome = "aborted", e.sent = 4, e.midImage = true;
            record.complete(first, e);
            QVERIFY(first && record.leftMidImage("COM2", {}) && record.leftMidImage("COM9", "/dev/ttyUSB0") &&
                    !record.leftMidImage("COM3", "/dev/ttyS2"));
            s.kind = "interrogation", s.file.clear();
            const auto asked = record.begin(s);
            QVERIFY(record.leftMidImage("COM2", {})); // asked, no answer yet
            e = {}, e.outcome = "answered", e.model = "PX-9";
            record.complete(asked, e);
            QVERIFY(!record.leftMidImage("COM2", {}));
            s.kind = "download", s.port = "COM3", s.file = "/fw/B.BIN";
            record.begin(s); // never completed: its program still runs
            QStringList got;
            for (const ServiceRecord::Row& r : record.read())
                got << QStringLiteral("%1 %2 %3 %4").arg(r.id).arg(r.start.kind, r.start.port, r.end.outcome);
            QCOMPARE(got.join(" | "),
                     "3 download COM3 running | 2 interrogation COM2 answered | 1 download COM2 aborted");
            QCOMPARE(record.read({"COM2", "A.BIN", {}, {}}).size(), 1);
            QCOMPARE(record.read({{}, {}, "running", {}}).size(), 1);
            QVERIFY(ServiceRecord::toCsv(record.read()).split("\r\n").size() == 5 && !record.takeProblem());
            // Another writer holds the database: this job's row is given up, said once, and the next job's is written.
            QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other");
            other.setDatabaseName(path);
            QVERIFY(other.open() && QSqlQuery(other).exec("BEGIN EXCLUSIVE"));
            QVERIFY(!record.begin(s));
            const auto why = record.takeProblem();
            QVERIFY(why && why->contains("locked") && !record.takeProblem());
            QSqlQuery(other).exec("COMMIT");
            QVERIFY(record.begin(s) && !record.takeProblem());
            other.close();
        }
        QSqlDatabase::removeDatabase("other");
        // Garbage in its place: set aside with its time, a new record begun.
        QFile garbage(path);
        QVERIFY(garbage.open(QIODevice::WriteOnly) && garbage.write(QByteArray(8192, 'x')) && (garbage.close(), true));
        {
            ServiceRecord record;
            QVERIFY(record.setAside().startsWith(path + ".damaged-") && QFileInfo(record.setAside()).size() == 8192);
            QVERIFY(record.begin({}) && record.read().size() == 1);
        }
        // A record of a later version is read, never written over.
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "later");
            db.setDatabaseName(path);
            QVERIFY(db.open() && QSqlQuery(db).exec("UPDATE meta SET value = '9' WHERE key = 'schema'"));
            db.close();
        }
        QSqlDatabase::removeDatabase("later");
        {
            ServiceRecord later;
            QVERIFY(!later.begin({}) && later.takeProblem()->contains("later version") && later.setAside().isEmpty());
        }
        // A FIFO in its place is never opened (its first read would wait for ever).
        QVERIFY(QFile::remove(path) && ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        ServiceRecord fifo;
        QVERIFY(!fifo.begin({}) && fifo.takeProblem()->contains("other than a file"));
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
