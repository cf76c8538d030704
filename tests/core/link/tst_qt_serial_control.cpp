#include "core/link/link_settings.h"
#include "core/link/qt_serial_control.h"
#include "core/platform/system_clock.h"
#include "tests/support/pty_pair.h"
#include "tests/support/test_home.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

#include <fcntl.h>
#include <sys/file.h>
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
        comm->setPortNumber(n);
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
        QVERIFY2(comm->open(), qPrintable(comm->errorString()));
        QCOMPARE(pty.line(), text.section(',', 0, 0) + ' ' + text.section(',', 3).left(1));
    }

    void bytesAndReplies()
    {
        PtyPair pty;
        auto comm = control(1, pty);
        QSignalSpy failed(comm.get(), &SerialControl::failed); // a healthy port never fails
        QVERIFY(comm->open() && comm->open() && comm->write({}));
        const QByteArray data = QByteArray("?Z4&300\n") + patternBytes(300) + QByteArray("\r\n\0\xff", 4);
        QVERIFY(comm->write(data.left(8)) && comm->write(data.mid(8, 100)) && comm->write(data.mid(108)));
        clock.waitUntil([&] { return comm->pendingOutput() == 0; });
        QCOMPARE(pty.read(data.size(), 3000), data);
        QByteArray reply;
        connect(comm.get(), &SerialControl::dataArrived, [&] { reply += comm->readAll(); });
        QVERIFY(pty.write("1.0") && pty.write("5\r"));
        clock.waitSeconds(0.3);
        QCOMPARE(std::exchange(reply, {}), QByteArray("1.05\r"));
        // A reply that comes while the port is closed is no answer to what the next opening sends.
        comm->close();
        QVERIFY(pty.write("late\r"));
        clock.waitSeconds(0.1);
        QVERIFY(comm->open());
        clock.waitSeconds(0.2);
        QVERIFY(pty.write("K"));
        clock.waitSeconds(0.2);
        QCOMPARE(reply + comm->readAll(), QByteArray("K"));
        QCOMPARE(failed.count(), 0);
    }

    // A pty takes kilobytes at once and shows no queue; the line's rate still bounds what can have left.
    void theLineRateBoundsWhatHasLeft()
    {
        PtyPair pty;
        auto comm = control(5, pty, "9600,N,8,1"); // 960 bytes a second
        QVERIFY(comm->open() && comm->write(QByteArray(2400, 'z')));
        QByteArray got;
        clock.waitUntil([&] { return (got += pty.read(2400, 1)).size() == 2400; }); // the other side has every byte...
        const qint64 pending = comm->pendingOutput();
        QVERIFY2(pending > 2400 - 960 && pending <= 2400, qPrintable(QString::number(pending))); // ...the line not yet
        QElapsedTimer took;
        took.start();
        clock.waitUntil([&] { return comm->pendingOutput() == 0; });
        QVERIFY2(took.elapsed() > 1000, qPrintable(QString::number(took.elapsed())));
    }

    // Every way a COM port can fail to open, named by its cause; none of them is a failure signal.
    void portTargets_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("settings");
        QTest::addColumn<int>("cause");
        auto row = [](const char* name, const char* target, Cause cause, const char* settings = "9600,N,8,1") {
            QTest::newRow(name) << target << settings << int(cause);
        };
        row("a pty", "pty", Cause::None);
        row("a pty held by another control", "held", Cause::PortBusy);
        row("a pty held under another name (LPT1)", "locked", Cause::PortBusy);
        row("a pty refusing parity", "pty", Cause::PortSettingsRefused, "9600,E,8,1");
        row("a dangling link", "dangling", Cause::PortMissing);
        row("a link loop", "loop", Cause::PortMissing);
        row("a folder", "folder", Cause::PortNotSerial);
        row("a plain file", "plain", Cause::PortNotSerial);
        row("/dev/null", "/dev/null", Cause::PortNotSerial);
        row("no port selected", "COM0", Cause::PortUnselected);
        row("an incomplete line", "pty", Cause::PortUnselected, "N,8,1");
    }
    void portTargets()
    {
        QFETCH(QString, target);
        QFETCH(QString, settings);
        QFETCH(int, cause);
        PtyPair pty;
        auto other = control(4, pty);
        QVERIFY(target != "held" || other->open());
        const int fd = target == "locked" ? ::open(QFile::encodeName(pty.slavePath()).constData(), O_RDWR) : -1;
        QVERIFY(fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) == 0);
        const QString path = target == "dangling"     ? home.path() + "/no-such-device"
                             : target == "loop"       ? home.path() + "/loop"
                             : target == "folder"     ? home.path()
                             : target == "plain"      ? home.file("plain.txt", "x")
                             : target.startsWith('/') ? target
                                                      : pty.slavePath();
        if (target == "loop")
            QFile::link(path, path);
        auto comm = control(target == "COM0" ? 0 : 6, pty, settings);
        home.link("COM6", path);
        QSignalSpy failed(comm.get(), &SerialControl::failed);
        const bool opened = comm->open();
        QCOMPARE(int(comm->cause()), cause);
        QCOMPARE(opened && comm->isOpen(), cause == 0);
        QVERIFY2(opened == comm->errorString().isEmpty(), qPrintable(comm->errorString()));
        QVERIFY(opened || (!comm->write("x") && comm->pendingOutput() == 0));
        QCOMPARE(failed.count(), 0);
        if (fd >= 0)
            ::close(fd);
        // Once the holder lets go, the port opens and the cause is gone.
        other->close();
        if (target == "held" || target == "locked")
            QVERIFY(comm->open() && comm->cause() == Cause::None && comm->errorString().isEmpty());
        if (target == "dangling")
            QCOMPARE(comm->deviceName(), "COM6 (" + path + ")");
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
        comm.setPortNumber(2);
        QVERIFY(!comm.open() && !comm.isOpen());
        QCOMPARE(comm.cause(), Cause::PortNoPermission);
        QVERIFY2(comm.errorString().contains("ermission"), qPrintable(comm.errorString()));
    }

    void aHangUpIsReportedOnce()
    {
        PtyPair pty;
        auto comm = control(3, pty);
        QVERIFY(comm->open());
        QSignalSpy failed(comm.get(), &SerialControl::failed);
        pty.hangUp(); // the printer side goes away
        bool ok = true;
        for (int i = 0; i < 50 && ok; ++i) {
            ok = comm->write(QByteArray(64, 'x'));
            clock.waitSeconds(0.01);
        }
        // Named by what happened, not by a stale errno.
        QVERIFY(!ok);
        QCOMPARE(comm->cause(), Cause::LinkHungUp);
        QCOMPARE(comm->errorString(), "the line was closed at the other end");
        QCOMPARE(failed.count(), 1);
    }
};

QTEST_GUILESS_MAIN(TstQtSerialControl)
#include "tst_qt_serial_control.moc"
