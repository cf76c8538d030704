#include "core/link/link_settings.h"
#include "core/link/qt_serial_control.h"
#include "core/platform/system_clock.h"
#include "tests/support/pty_pair.h"
#include "tests/support/test_home.h"

#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <unistd.h>

// The adapter against real pseudo-terminals linked as COM ports.
class TstQtSerialControl : public QObject
{
    Q_OBJECT
private slots:
    void lineParametersMapToQt_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("parity");
        QTest::addColumn<int>("data");
        QTest::addColumn<int>("stop");
        QTest::newRow("none 8 1") << "9600,N,8,1" << int(QSerialPort::NoParity) << 8 << int(QSerialPort::OneStop);
        QTest::newRow("even 7 2") << "19200,E,7,2" << int(QSerialPort::EvenParity) << 7 << int(QSerialPort::TwoStop);
        QTest::newRow("odd") << "2400,O,8,1" << int(QSerialPort::OddParity) << 8 << int(QSerialPort::OneStop);
        QTest::newRow("mark, 1.5") << "2400,M,5,1.5" << int(QSerialPort::MarkParity) << 5
                                   << int(QSerialPort::OneAndHalfStop);
    }
    // A pty cannot hold parity or 7 data bits, so the mapping is checked here.
    void lineParametersMapToQt()
    {
        QFETCH(QString, text);
        QFETCH(int, parity);
        QFETCH(int, data);
        QFETCH(int, stop);
        const auto q = qtLineSettings(*parseLinkSettings(text));
        QCOMPARE(int(q.parity), parity);
        QCOMPARE(int(q.dataBits), data);
        QCOMPARE(int(q.stopBits), stop);
    }

    void settingsReachTheDevice_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("stop");
        QTest::newRow("2400 one stop bit") << "2400,N,8,1" << 2400 << 1;
        QTest::newRow("19200 two stop bits") << "19200,N,8,2" << 19200 << 2;
        QTest::newRow("56000 is set as a custom rate") << "56000,N,8,1" << 56000 << 1;
    }
    void settingsReachTheDevice()
    {
        QFETCH(QString, settings);
        QFETCH(int, baud);
        QFETCH(int, stop);
        TestHome home;
        PtyPair pty;
        QVERIFY(pty.ok());
        QVERIFY(home.link("COM2", pty.slavePath()));
        QtSerialControl comm;
        comm.setCommPort(2);
        comm.setSettings(settings);
        QVERIFY2(comm.setPortOpen(true), qPrintable(comm.errorString()));
        QCOMPARE(pty.baudRate(), baud);
        QCOMPARE(pty.stopBits(), stop);
        comm.setPortOpen(false);
        QVERIFY(!comm.portOpen());
    }

    void bytesArriveInOrderAndRepliesRaiseTheReceiveEvent()
    {
        TestHome home;
        PtyPair pty;
        QVERIFY(home.link("COM1", pty.slavePath()));
        QtSerialControl comm;
        comm.setCommPort(1);
        QVERIFY2(comm.setPortOpen(true), qPrintable(comm.errorString()));
        const QByteArray data = QByteArray("?Z4&300\n") + patternBytes(300) + QByteArray("\r\n\0\xff", 4);
        QVERIFY(comm.output(data.left(8)));
        QVERIFY(comm.output(data.mid(8, 100)));
        QVERIFY(comm.output(data.mid(108)));
        SystemClock clock;
        clock.waitUntil([&] { return comm.pendingOutput() == 0; });
        QCOMPARE(pty.readExactly(data.size(), 3000), data);

        QSignalSpy received(&comm, &SerialControl::onComm);
        QVERIFY(pty.write("1.0"));
        QByteArray reply;
        connect(&comm, &SerialControl::onComm, [&] {
            QCOMPARE(comm.commEvent(), SerialControl::ReceiveEvent);
            reply += comm.input();
        });
        QVERIFY(pty.write("5\r"));
        clock.waitSeconds(0.3);
        QVERIFY(received.count() >= 1);
        QCOMPARE(reply, QByteArray("1.05\r"));

        // A reply that comes while the port is closed is no answer to what the next opening sends.
        comm.setPortOpen(false);
        QVERIFY(pty.write("late\r"));
        clock.waitSeconds(0.1);
        reply.clear();
        QVERIFY(comm.setPortOpen(true));
        clock.waitSeconds(0.2);
        QCOMPARE(reply + comm.input(), QByteArray());
        QVERIFY(pty.write("K"));
        clock.waitSeconds(0.2);
        QCOMPARE(reply, QByteArray("K"));
    }

    void openingFailuresAreCaughtAndNamed()
    {
        TestHome home;
        PtyPair pty;
        QVERIFY(home.link("COM4", pty.slavePath()));
        QtSerialControl first, second, missing, noPort, badSettings;
        first.setCommPort(4);
        QVERIFY(first.setPortOpen(true));
        second.setCommPort(4);
        QVERIFY(!second.setPortOpen(true)); // held by the first
        QVERIFY(!second.portOpen());
        QVERIFY(!second.errorString().isEmpty());
        first.setPortOpen(false);
        QVERIFY2(second.setPortOpen(true), qPrintable(second.errorString())); // freed, it opens

        QVERIFY(home.link("COM6", home.path() + "/no-such-device"));
        missing.setCommPort(6);
        QVERIFY(!missing.setPortOpen(true));
        QVERIFY(!missing.errorString().isEmpty());
        QCOMPARE(missing.deviceName(), "COM6 (" + home.path() + "/no-such-device)");

        // A link to something that is no serial device (a plain file) cannot be opened.
        QtSerialControl notATty;
        QVERIFY(home.link("COM7", home.file("plain.txt", "x")));
        notATty.setCommPort(7);
        QVERIFY(!notATty.setPortOpen(true));
        QVERIFY(!notATty.portOpen());

        // A pty takes no parity: the refusal is a failed opening and nothing else.
        second.setPortOpen(false);
        QtSerialControl parity;
        QSignalSpy failed(&parity, &SerialControl::failed);
        parity.setCommPort(4);
        parity.setSettings("9600,E,8,1");
        QVERIFY(!parity.setPortOpen(true));
        QVERIFY(!parity.portOpen());
        QVERIFY(!parity.errorString().isEmpty());
        QCOMPARE(failed.count(), 0);

        noPort.setCommPort(0);
        QVERIFY(!noPort.setPortOpen(true));
        badSettings.setCommPort(4);
        badSettings.setSettings("N,8,1");
        QVERIFY(!badSettings.setPortOpen(true));
        QVERIFY(!badSettings.output("x"));
    }

    // Helper run by aPortHeldByAnotherProcessIsRefused in a second process: holds COM4 until
    // its standard input closes.
    void holdsThePortForAnotherProcess()
    {
        if (!qEnvironmentVariableIsSet("VELMORA_TEST_HOLD_PORT"))
            QSKIP("runs only as the helper of another test");
        QtSerialControl comm;
        comm.setCommPort(4);
        QVERIFY(comm.setPortOpen(true));
        QFile out;
        QVERIFY(out.open(stdout, QIODevice::WriteOnly));
        out.write("held\n");
        out.flush();
        QFile in;
        QVERIFY(in.open(stdin, QIODevice::ReadOnly));
        in.readAll();
    }

    void aPortHeldByAnotherProcessIsRefused()
    {
        TestHome home;
        PtyPair pty;
        QVERIFY(home.link("COM4", pty.slavePath()));
        QProcess holder;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("VELMORA_TEST_HOLD_PORT", "1");
        holder.setProcessEnvironment(env);
        holder.start(QCoreApplication::applicationFilePath(), {"holdsThePortForAnotherProcess"});
        QVERIFY(holder.waitForStarted());
        QByteArray said;
        while (!said.contains("held") && holder.waitForReadyRead(5000))
            said += holder.readAllStandardOutput();
        QVERIFY2(said.contains("held"), said.constData());
        QtSerialControl comm;
        comm.setCommPort(4);
        QVERIFY(!comm.setPortOpen(true));
        QVERIFY(!comm.errorString().isEmpty());
        holder.closeWriteChannel();
        QVERIFY(holder.waitForFinished(5000));
        QVERIFY2(comm.setPortOpen(true), qPrintable(comm.errorString())); // freed, it opens
    }

    // Runs as a user without access to the serial device (CTest drops to "nobody" for it).
    void permissionDeniedIsCaught()
    {
        if (::geteuid() == 0)
            QSKIP("root may open any device");
        const QString device = QStringLiteral("/dev/ttyS0");
        if (!QFileInfo::exists(device) || ::access(QFile::encodeName(device).constData(), W_OK) == 0)
            QSKIP("no serial device that this user may not open");
        TestHome home;
        QVERIFY(home.link("COM2", device));
        QtSerialControl comm;
        comm.setCommPort(2);
        QVERIFY(!comm.setPortOpen(true));
        QVERIFY(!comm.portOpen());
        QVERIFY2(comm.errorString().contains("ermission"), qPrintable(comm.errorString()));
    }

    void aHangUpIsReportedOnce()
    {
        TestHome home;
        auto pty = std::make_unique<PtyPair>();
        QVERIFY(home.link("COM3", pty->slavePath()));
        QtSerialControl comm;
        comm.setCommPort(3);
        QVERIFY(comm.setPortOpen(true));
        QSignalSpy failed(&comm, &SerialControl::failed);
        pty.reset(); // the printer side goes away
        SystemClock clock;
        bool ok = true;
        for (int i = 0; i < 50 && ok; ++i) {
            ok = comm.output(QByteArray(64, 'x'));
            clock.waitSeconds(0.01);
        }
        QVERIFY(!ok);
        QCOMPARE(failed.count(), 1);
        QVERIFY(!comm.errorString().isEmpty());
    }

    void queuedBytesAreCountedUntilTheLineTakesThem()
    {
        TestHome home;
        PtyPair pty;
        QVERIFY(home.link("COM1", pty.slavePath()));
        QtSerialControl comm;
        comm.setCommPort(1);
        QVERIFY(comm.setPortOpen(true));
        QVERIFY(comm.output(QByteArray(200000, 'z'))); // more than a pty holds
        SystemClock clock;
        clock.waitSeconds(0.2);
        QVERIFY(comm.pendingOutput() > 0);
        QByteArray got;
        clock.waitUntil([&] {
            got += pty.read(1, 1);
            return comm.pendingOutput() == 0 && got.size() == 200000;
        });
        QCOMPARE(got, QByteArray(200000, 'z'));
    }
};

QTEST_GUILESS_MAIN(TstQtSerialControl)
#include "tst_qt_serial_control.moc"
