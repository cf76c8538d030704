#include "core/link/link_settings.h"
#include "core/link/qt_serial_control.h"
#include "core/platform/system_clock.h"
#include "tests/support/pty_pair.h"
#include "tests/support/test_home.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

#include <unistd.h>

// The adapter against real pseudo-terminals linked as COM ports.
class TstQtSerialControl : public QObject
{
    Q_OBJECT
    TestHome home;
    SystemClock clock;

    // A fresh pty linked as COMn, and a control for it.
    std::unique_ptr<QtSerialControl> control(int n, PtyPair& pty, const QString& settings = "9600,N,8,1")
    {
        home.link(QStringLiteral("COM%1").arg(n), pty.slavePath());
        auto comm = std::make_unique<QtSerialControl>();
        comm->setCommPort(n);
        comm->setSettings(settings);
        return comm;
    }

private slots:
    // A pty cannot hold parity or 7 data bits, so the mapping is checked apart; baud and stop bits on the device.
    void lineSettings_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("qt"); // parity, data bits, stop bits
        QTest::newRow("2400 none 8 1") << "2400,N,8,1" << QList<int>{QSerialPort::NoParity, 8, QSerialPort::OneStop};
        QTest::newRow("19200 even 7 2") << "19200,E,7,2"
                                        << QList<int>{QSerialPort::EvenParity, 7, QSerialPort::TwoStop};
        QTest::newRow("56000 odd: a custom rate") << "56000,O,8,1" << QList<int>{QSerialPort::OddParity, 8, 1};
        QTest::newRow("mark, 5, 1.5") << "2400,M,5,1.5"
                                      << QList<int>{QSerialPort::MarkParity, 5, QSerialPort::OneAndHalfStop};
        QTest::newRow("space, 6") << "9600,S,6,2" << QList<int>{QSerialPort::SpaceParity, 6, QSerialPort::TwoStop};
    }
    void lineSettings()
    {
        QFETCH(QString, text);
        QFETCH(QList<int>, qt);
        const auto q = qtLineSettings(*parseLinkSettings(text));
        QCOMPARE((QList<int>{q.parity, q.dataBits, q.stopBits}), qt);
        if (text.endsWith(".5"))
            return;
        PtyPair pty; // a pty keeps the baud rate and the stop bits
        auto comm = control(2, pty, text.section(',', 0, 0) + ",N,8," + text.section(',', 3));
        QVERIFY2(comm->setPortOpen(true), qPrintable(comm->errorString()));
        QCOMPARE(pty.line(), text.section(',', 0, 0) + ' ' + text.section(',', 3).left(1));
    }

    void bytesAndReplies()
    {
        PtyPair pty;
        auto comm = control(1, pty);
        QSignalSpy failed(comm.get(), &SerialControl::failed); // a healthy port never fails
        QVERIFY(comm->setPortOpen(true) && comm->setPortOpen(true) && comm->output({}));
        const QByteArray data = QByteArray("?Z4&300\n") + patternBytes(300) + QByteArray("\r\n\0\xff", 4);
        QVERIFY(comm->output(data.left(8)) && comm->output(data.mid(8, 100)) && comm->output(data.mid(108)));
        clock.waitUntil([&] { return comm->pendingOutput() == 0; });
        QCOMPARE(pty.read(data.size(), 3000), data);
        QByteArray reply;
        connect(comm.get(), &SerialControl::onComm, [&] {
            QCOMPARE(comm->commEvent(), SerialControl::ReceiveEvent);
            reply += comm->input();
        });
        QVERIFY(pty.write("1.0") && pty.write("5\r"));
        clock.waitSeconds(0.3);
        QCOMPARE(std::exchange(reply, {}), QByteArray("1.05\r"));
        // A reply that comes while the port is closed is no answer to what the next opening sends.
        QVERIFY(comm->setPortOpen(false));
        QVERIFY(pty.write("late\r"));
        clock.waitSeconds(0.1);
        QVERIFY(comm->setPortOpen(true));
        clock.waitSeconds(0.2);
        QVERIFY(pty.write("K"));
        clock.waitSeconds(0.2);
        QCOMPARE(reply + comm->input(), QByteArray("K"));
        // More than a pty holds stays counted until the line has taken it.
        QVERIFY(comm->output(QByteArray(200000, 'z')));
        clock.waitSeconds(0.2);
        QVERIFY(comm->pendingOutput() > 0);
        QByteArray got;
        clock.waitUntil([&] { return (got += pty.read(1, 1)).size() == 200000 && comm->pendingOutput() == 0; });
        QCOMPARE(got, QByteArray(200000, 'z'));
        QCOMPARE(failed.count(), 0);
    }

    void openingFailuresAreCaughtAndNamed()
    {
        PtyPair pty;
        auto first = control(4, pty), second = control(4, pty), parity = control(4, pty, "9600,E,8,1");
        QVERIFY(first->setPortOpen(true));
        QVERIFY(!second->setPortOpen(true) && !second->portOpen() && !second->errorString().isEmpty()); // held
        first->setPortOpen(false);
        QVERIFY2(second->setPortOpen(true) && second->errorString().isEmpty(),
                 qPrintable(second->errorString())); // freed
        second->setPortOpen(false);
        // A pty takes no parity: the refusal is a failed opening and nothing else.
        QSignalSpy failed(parity.get(), &SerialControl::failed);
        QVERIFY(!parity->setPortOpen(true) && !parity->portOpen() && !parity->errorString().isEmpty());
        QCOMPARE(failed.count(), 0);
        home.link("COM6", home.path() + "/no-such-device");
        home.link("COM7", home.file("plain.txt", "x")); // no serial device
        for (auto [port, settings] : {std::pair{6, "9600,N,8,1"}, {7, "9600,N,8,1"}, {0, "9600,N,8,1"}, {4, "N,8,1"}}) {
            QtSerialControl comm;
            comm.setCommPort(port);
            comm.setSettings(settings);
            QSignalSpy failed(&comm, &SerialControl::failed);
            QVERIFY(!comm.setPortOpen(true) && !comm.portOpen() && !comm.output("x") && comm.pendingOutput() == 0);
            QCOMPARE(failed.count(), 0);
            QVERIFY2(port != 4 || comm.errorString().contains("\"N,8,1\""), qPrintable(comm.errorString()));
        }
        QtSerialControl missing;
        missing.setCommPort(6);
        QVERIFY(!missing.setPortOpen(true) && !missing.errorString().isEmpty());
        QCOMPARE(missing.deviceName(), "COM6 (" + home.path() + "/no-such-device)");
    }

    // Runs as a user without access to the serial device (CTest drops to "nobody" for it).
    void permissionDeniedIsCaught()
    {
        const QString device = QStringLiteral("/dev/ttyS0");
        if (::geteuid() == 0 || !QFileInfo::exists(device) ||
            ::access(QFile::encodeName(device).constData(), W_OK) == 0)
            QSKIP("no serial device that this user may not open");
        home.link("COM2", device);
        QtSerialControl comm;
        comm.setCommPort(2);
        QVERIFY(!comm.setPortOpen(true) && !comm.portOpen());
        QVERIFY2(comm.errorString().contains("ermission"), qPrintable(comm.errorString()));
    }

    void aHangUpIsReportedOnce()
    {
        PtyPair pty;
        auto comm = control(3, pty);
        QVERIFY(comm->setPortOpen(true));
        QSignalSpy failed(comm.get(), &SerialControl::failed);
        pty.hangUp(); // the printer side goes away
        bool ok = true;
        for (int i = 0; i < 50 && ok; ++i) {
            ok = comm->output(QByteArray(64, 'x'));
            clock.waitSeconds(0.01);
        }
        QVERIFY(!ok && !comm->errorString().isEmpty());
        QCOMPARE(failed.count(), 1);
    }
};

QTEST_GUILESS_MAIN(TstQtSerialControl)
#include "tst_qt_serial_control.moc"
