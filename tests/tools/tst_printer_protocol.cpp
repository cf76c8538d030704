#include "tools/printer_sim/printer_protocol.h"

#include <QJsonArray>
#include <QTest>

class TstPrinterProtocol : public QObject
{
    Q_OBJECT
private slots:
    void queriesAndHandshake()
    {
        PrinterProtocol p({});
        QCOMPARE(p.feed("!0", 0), (QList<QByteArray>{"OK\r"}));
        QCOMPARE(p.feed("?54&1", 0), QList<QByteArray>{}); // the rest is on its way
        QCOMPARE(p.feed("0\r\n?54&4\r\n", 0), (QList<QByteArray>{"PX-9000\r", "1.05\r"}));
        QCOMPARE(p.feed("?54&99\r\n", 0), QList<QByteArray>{});
        PrinterProtocol silent({.handshake = "OK\r", .queries = {}, .silent = true});
        QCOMPARE(silent.feed("!0?54&4\r\n", 0), QList<QByteArray>{});
    }

    void downloads_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<QString>("verdict");
        QTest::addColumn<qint64>("received");
        QTest::addColumn<qint64>("stray");
        QTest::newRow("checksum right") << QByteArray("?Z3&2,3\n\x01\x02", 10) << "ok" << qint64(2) << qint64(0);
        QTest::newRow("checksum wrong") << QByteArray("?Z8&2,9\n\x01\x02", 10) << "mismatch" << qint64(2) << qint64(0);
        QTest::newRow("odd length takes the pad byte")
            << QByteArray("?Z4&3\nabc ") << "no checksum" << qint64(4) << qint64(0);
        QTest::newRow("external fonts have no pad byte")
            << QByteArray("?Z:&3\nabc!0") << "no checksum" << qint64(3) << qint64(0);
        QTest::newRow("cut short") << QByteArray("?Z4&10\nabc") << "incomplete" << qint64(3) << qint64(0);
        QTest::newRow("noise before the header")
            << QByteArray("xy?Z1&2\nab") << "no checksum" << qint64(2) << qint64(2);
    }
    void downloads()
    {
        QFETCH(QByteArray, stream);
        QFETCH(QString, verdict);
        QFETCH(qint64, received);
        QFETCH(qint64, stray);
        PrinterProtocol p({});
        for (int i = 0; i < stream.size(); ++i) // one byte at a time: headers split anywhere
            p.feed(stream.mid(i, 1), i * 0.001);
        QCOMPARE(p.downloads().size(), 1);
        QCOMPARE(p.downloads()[0].verdict(), verdict);
        QCOMPARE(p.downloads()[0].received, received);
        QCOMPARE(p.stray(), stray);
    }

    void timesAndPausesAreReported()
    {
        PrinterProtocol p({});
        p.feed("?Z:&4\n", 1.0);
        p.feed("ab", 11.0);
        p.feed("c", 11.01);
        p.feed("d", 13.01);
        const auto& d = p.downloads().value(0);
        QCOMPARE(d.headerTime, 1.0);
        QCOMPARE(d.firstByte, 11.0);
        QCOMPARE(d.lastByte, 13.01);
        QCOMPARE(d.pauses.size(), 1);
        QCOMPARE(d.image, QByteArray("abcd"));
        const QJsonObject r = p.report();
        QCOMPARE(r["downloads"].toArray()[0].toObject()["code"].toString(), QStringLiteral(":"));
    }
};

QTEST_GUILESS_MAIN(TstPrinterProtocol)
#include "tst_printer_protocol.moc"
