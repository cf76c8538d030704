#include "core/platform/settings_store.h"
#include "core/platform/stored_values.h"
#include "tests/support/test_home.h"

#include <QDir>
#include <QFile>

#include <QTest>

class TstStoredValues : public QObject
{
    Q_OBJECT
private slots:
    void wholeNumbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value"); // -99999: unusable
        QTest::newRow("plain") << "10" << 10;
        QTest::newRow("no selection") << "-1" << -1;
        QTest::newRow("blanks around") << " 2000 " << 2000;
        QTest::newRow("decimal rounds") << "1.6" << 2;
        QTest::newRow("half rounds to even") << "2.5" << 2;
        QTest::newRow("16-bit limit") << "32767" << 32767;
        QTest::newRow("past 16 bits") << "32768" << -99999;
        QTest::newRow("letters") << "abc" << -99999;
        QTest::newRow("empty") << "" << -99999;
        QTest::newRow("not a number at all") << "nan" << -99999;
        QTest::newRow("trailing garbage") << "3x" << -99999;
    }
    void wholeNumbers()
    {
        QFETCH(QString, text);
        QFETCH(int, value);
        const auto v = parseWholeNumber(text);
        QCOMPARE(v.value_or(-99999), value);
    }

    void truthValues_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value"); // 1 true, 0 false, -1 unusable
        QTest::newRow("True") << "True" << 1;
        QTest::newRow("False") << "False" << 0;
        QTest::newRow("any case") << "fALSE" << 0;
        QTest::newRow("zero") << "0" << 0;
        QTest::newRow("one") << "1" << 1;
        QTest::newRow("seven") << "7" << 1;
        QTest::newRow("minus one") << "-1" << 1;
        QTest::newRow("word") << "yes" << -1;
        QTest::newRow("empty") << "" << -1;
    }
    void truthValues()
    {
        QFETCH(QString, text);
        QFETCH(int, value);
        const auto v = parseTruth(text);
        QCOMPARE(v ? int(*v) : -1, value);
    }

    void truthTextRoundTrips()
    {
        QCOMPARE(truthText(true), QStringLiteral("True"));
        QCOMPARE(truthText(false), QStringLiteral("False"));
        QCOMPARE(parseTruth(truthText(true)), std::optional<bool>(true));
        QCOMPARE(parseTruth(truthText(false)), std::optional<bool>(false));
    }

    void storedTextsReadAsTheyStand_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("text");
        QTest::newRow("an unquoted comma") << QByteArray("File=/tmp/x,y.SHC") << "/tmp/x,y.SHC";
        QTest::newRow("blanks beside commas") << QByteArray("File = /tmp/a, b ,c.SHC ") << "/tmp/a, b ,c.SHC";
        QTest::newRow("quoted, as a save writes it") << QByteArray("File=\"/tmp/x,y.SHC\"") << "/tmp/x,y.SHC";
        QTest::newRow("a number with a comma") << QByteArray("Porta=1,5") << "1,5";
    }
    void storedTextsReadAsTheyStand()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, text);
        TestHome home;
        const QString key = QString::fromLatin1(line.left(line.indexOf('='))).trimmed();
        QFile file(SettingsStore().fileName());
        QVERIFY(QDir().mkpath(QFileInfo(file).absolutePath()) && file.open(QIODevice::WriteOnly));
        file.write("[Other]\n" + key.toLatin1() + "=elsewhere\n[Properties]\n" + line + "\n");
        file.close();
        QCOMPARE(SettingsStore().read(key, "absent"), text);
        SettingsStore().write(key, text); // and a save keeps it
        QCOMPARE(SettingsStore().read(key, "absent"), text);
    }
};

QTEST_GUILESS_MAIN(TstStoredValues)
#include "tst_stored_values.moc"
