#include "core/platform/lifetime.h"
#include "core/platform/settings_store.h"
#include "core/platform/stored_values.h"
#include "core/platform/system_clock.h"
#include "tests/support/test_home.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSettings>
#include <QTest>
#include <QTimer>

class TstPlatform : public QObject
{
    Q_OBJECT
private slots:
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

    // The real clock: waits are never short, keep events running, nest, and end when the program ends.
    void systemClock()
    {
        SystemClock clock;
        QElapsedTimer t;
        t.start();
        clock.waitSeconds(0);
        clock.waitSeconds(-1);
        QVERIFY(t.elapsed() < 50);
        int ticks = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, [&] { ++ticks; });
        timer.start(20);
        double start = clock.now();
        clock.waitSeconds(0.4);
        QVERIFY(clock.now() - start >= 0.4 && ticks >= 5);
        timer.stop();
        QTimer::singleShot(50, [&] { clock.waitSeconds(0.1); });
        QTimer::singleShot(100, [] { lifetime::beginEnding(); });
        start = clock.now();
        clock.waitSeconds(30);
        lifetime::resetForTests();
        QVERIFY(clock.now() - start < 5);
        // Its timer fires while enabled only: each tick of the program is a one-shot.
        auto oneShot = clock.createTimer();
        connect(oneShot.get(), &Timer::timeout, [&] {
            oneShot->setEnabled(false);
            ++ticks;
        });
        ticks = 0;
        oneShot->setInterval(5);
        oneShot->setEnabled(true);
        clock.waitSeconds(0.1);
        QVERIFY(ticks == 1 && !oneShot->isEnabled());
    }
};

QTEST_GUILESS_MAIN(TstPlatform)
#include "tst_platform.moc"
