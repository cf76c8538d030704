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
        QCOMPARE(p.feed("!0?54&1", 0), (QList<QByteArray>{"OK\r"})); // the rest of the query is on its way
        QCOMPARE(p.feed("0\r\n?54&4\r\n?54&99\r\n", 0), (QList<QByteArray>{"PX-9000\r", "1.05\r"}));
        QCOMPARE(PrinterProtocol({.handshake = "OK\r", .queries = {}, .silent = true}).feed("!0?54&4\r\n", 0),
                 QList<QByteArray>{});
    }

    // Streams fed one byte at a time, so that headers split anywhere: verdict, bytes taken, stray bytes, pauses.
    void downloads_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<QString>("seen");
        auto row = [](const char* name, const QByteArray& stream, const char* seen) {
            QTest::newRow(name) << stream << seen;
        };
        row("checksum right", QByteArray("?Z3&2,3\n\x01\x02", 10), "3 ok 2 0 0");
        row("checksum wrong", QByteArray("?Z8&2,9\n\x01\x02", 10), "8 mismatch 2 0 0");
        row("odd length takes the pad byte", "?Z4&3\nabc ", "4 no checksum 4 0 0");
        row("external fonts have no pad byte", "?Z:&3\nabc!0", ": no checksum 3 0 0");
        row("cut short", "?Z4&10\nabc", "4 incomplete 3 0 0");
        row("noise before the header", "xy?Z1&2\nab", "1 no checksum 2 2 0");
        row("a pause of 2 s", "?Z:&4\nab-cd", ": no checksum 4 0 1");
    }
    void downloads()
    {
        QFETCH(QByteArray, stream);
        QFETCH(QString, seen);
        PrinterProtocol p({});
        double t = 0;
        for (char c : stream)
            c == '-' ? void(t += 2) : void(p.feed(QByteArray(1, c), t += 0.001));
        QCOMPARE(p.downloads().size(), 1);
        const auto& d = p.downloads()[0];
        QCOMPARE(QStringLiteral("%1 %2 %3 %4 %5")
                     .arg(p.report()["downloads"].toArray()[0].toObject()["code"].toString(), d.verdict())
                     .arg(d.received)
                     .arg(p.stray())
                     .arg(d.pauses.size()),
                 seen);
    }
};

QTEST_GUILESS_MAIN(TstPrinterProtocol)
#include "tst_printer_protocol.moc"
