#include "core/link/serial_control.h"
#include "core/printer/interrogation.h"
#include "tests/support/fake_serial_control.h"
#include "tests/support/recorders.h"
#include "tests/support/virtual_clock.h"

#include <QTest>

using Replies = QList<FakeSerialControl::Reply>;
Q_DECLARE_METATYPE(Replies)

// One interrogation against a scripted printer: the handshake, then model, release and flash.
class TstPrinter : public QObject
{
    Q_OBJECT
private slots:
    void interrogation_data()
    {
        QTest::addColumn<QString>("printer"); // "answers", "silent" or "refuses"
        QTest::addColumn<Replies>("model");   // the replies to "?54&10"
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QString>("message"); // text / title
        const QStringList none = {"", "", ""};
        QTest::newRow("a full run") << "answers" << Replies{{"PX-9\r", 0.1}} << QStringList{"PX-9", "1.05", "F 4M"}
                                    << "";
        QTest::newRow("no reply") << "answers" << Replies{} << QStringList{"??????", "1.05", "F 4M"} << "";
        QTest::newRow("one character: an empty box")
            << "answers" << Replies{{"\r", 0.1}} << QStringList{"", "1.05", "F 4M"} << "";
        QTest::newRow("any bytes") << "answers" << Replies{{QByteArray("\x01\xff\r", 3), 0.1}}
                                   << QStringList{QString::fromLatin1("\x01\xff"), "1.05", "F 4M"} << "";
        QTest::newRow("late characters lead the next reply")
            << "answers" << Replies{{"PX", 0.1}, {"-9\r", 0.5}} << QStringList{"P", "-9\r1.05", "F 4M"} << "";
        QTest::newRow("printer off: no query") << "silent" << Replies{} << none
                                               << "ATTENZIONE. La stampante selezionata non risponde / "
                                                  "Interrogazioni Stampante";
        QTest::newRow("port held elsewhere") << "refuses" << Replies{} << none
                                             << "ATTENZIONE! La porta COM è già aperta. Chiudere tutte le "
                                                "applicazioni e riprovare. / Porta";
    }
    void interrogation()
    {
        QFETCH(QString, printer);
        QFETCH(Replies, model);
        QFETCH(QStringList, shown);
        QFETCH(QString, message);
        VirtualClock clock;
        MessageRecorder messages(clock);
        FakeSerialControl port(clock);
        Interrogation run(port, clock, messages, [] { return 1000; });
        QStringList boxes = {"", "", ""};
        connect(&run, &Interrogation::reply, [&](Interrogation::Query q, const QString& t) { boxes[q] = t; });
        port.refuseOpen(printer == "refuses");
        if (printer == "answers")
            port.answer("!0", {{"?", 0.05}});
        port.answer("?54&10\r\n", model);
        port.answer("?54&4\r\n", {{"1.05\r", 0.1}});
        port.answer("?54&12\r\n", {{"F 4M\r", 0.1}});
        bool runningMid = false;
        clock.at(0.2, [&] { runningMid = run.testRunning(); });
        run.run();

        QCOMPARE(boxes, shown);
        QStringList said;
        for (const auto& m : messages.shown)
            said << m.text + " / " + m.title;
        QCOMPARE(said.join('|'), message);
        const QList<QByteArray> commands = {"!0", "?54&10\r\n", "?54&4\r\n", "?54&12\r\n"};
        const int sent = printer == "answers" ? 4 : printer == "silent" ? 1 : 0;
        QCOMPARE(port.writes.size(), sent);
        for (int i = 0; i < sent; ++i) {
            QCOMPARE(port.writes[i].data, commands[i]);
            QVERIFY(qAbs(port.writes[i].time - 0.4 * i) < 1e-9);
        }
        QCOMPARE(runningMid, printer != "refuses");
        QVERIFY(!run.testRunning() && !port.portOpen());
        if (sent)
            QVERIFY(qAbs(port.closings.value(0) - 0.4 * sent) < 1e-9);
    }
};

QTEST_GUILESS_MAIN(TstPrinter)
#include "tst_printer.moc"
