#include "core/link/line_settings.h"
#include "core/link/device_access.h"
#include "core/link/qt_serial_control.h"
#include "tests/support/pty_pair.h"
#include "tests/support/test_home.h"

#include <QElapsedTimer>
#include <QProcess>
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

    // A fresh pty linked as COMn, and a control for it that opens it with the line.
    struct Control {
        std::unique_ptr<QtSerialControl> port = std::make_unique<QtSerialControl>();
        QString name;
        LineSettings line;
        QtSerialControl* operator->() { return port.get(); }
        QtSerialControl* get() { return port.get(); }
        Failure open() { return port->open(name, line); }
    };
    Control control(int n, PtyPair& pty, const QString& settings = "9600,N,8,1")
    {
        home.link(QStringLiteral("COM%1").arg(n), pty.slavePath());
        return Control{std::make_unique<QtSerialControl>(), QStringLiteral("COM%1").arg(n),
                       parseLineSettings(settings).value_or(LineSettings{})};
    }

private slots:
    void bytesAndReplies()
    {
        PtyPair pty;
        auto comm = control(1, pty);
        QSignalSpy failed(comm.get(), &SerialControl::failed); // a healthy port never fails
        QVERIFY(!comm.open() && !comm.open() && comm->write({}));
        QVERIFY(!comm->queueVisible()); // a pty tells nothing of what its other side took
        const QByteArray data = QByteArray("?Z4&300\n") + patternBytes(300) + QByteArray("\r\n\0\xff", 4);
        QVERIFY(comm->write(data.left(8)) && comm->write(data.mid(8, 100)) && comm->write(data.mid(108)));
        QVERIFY(QTest::qWaitFor([&] { return comm->pendingOutput() == 0; }, 10000));
        QCOMPARE(pty.read(data.size(), 3000), data);
        QByteArray reply;
        connect(comm.get(), &SerialControl::dataArrived, [&] { reply += comm->readAll(); });
        QVERIFY(pty.write("1.0") && pty.write("5\r"));
        QTest::qWait(300);
        QCOMPARE(std::exchange(reply, {}), QByteArray("1.05\r"));
        // A reply that comes while the port is closed is no answer to what the next opening sends.
        comm->close();
        QVERIFY(pty.write("late\r"));
        QTest::qWait(100);
        QVERIFY(!comm.open());
        QTest::qWait(200);
        QVERIFY(pty.write("K"));
        QTest::qWait(200);
        QCOMPARE(reply + comm->readAll(), QByteArray("K"));
        QCOMPARE(failed.count(), 0);
    }

    // A pty takes kilobytes at once and shows no queue; the line's rate still bounds what can have left.
    void theLineRateBoundsWhatHasLeft()
    {
        PtyPair pty;
        auto comm = control(5, pty, "9600,N,8,1"); // 960 bytes a second
        QVERIFY(!comm.open() && comm->write(QByteArray(2400, 'z')));
        QByteArray got;
        QVERIFY(QTest::qWaitFor([&] { return (got += pty.read(2400, 1)).size() == 2400; },
                                10000)); // the other side has every byte...
        const qint64 pending = comm->pendingOutput();
        QVERIFY2(pending > 2400 - 960 && pending <= 2400, qPrintable(QString::number(pending))); // ...the line not yet
        QElapsedTimer took;
        took.start();
        QVERIFY(QTest::qWaitFor([&] { return comm->pendingOutput() == 0; }, 10000));
        QVERIFY2(took.elapsed() > 1000, qPrintable(QString::number(took.elapsed())));
    }

    // A job resolves its port's name once: relinked between two of its openings, the name leads the job to the
    // device it first opened, and the other device gets nothing; once the job lets go, the name leads on.
    void aHeldPortKeepsItsDevice()
    {
        PtyPair first, second;
        auto comm = control(3, first);
        comm->holdDevice(true);
        QVERIFY(!comm.open());
        comm->close();
        home.link("COM3", second.slavePath());
        QVERIFY(!comm.open() && comm->write("part2"));
        QCOMPARE(comm->device(), first.slavePath());
        QVERIFY(QTest::qWaitFor([&] { return comm->pendingOutput() == 0; }, 10000));
        QCOMPARE(first.read(5, 3000), QByteArray("part2"));
        QCOMPARE(second.read(1, 200), QByteArray());
        comm->close();
        comm->holdDevice(false);
        QVERIFY(!comm.open());
        QCOMPARE(comm->device(), second.slavePath());
    }

    // Who else uses a line, read from /proc without opening it: nobody; a process that holds it open; a session whose
    // terminal it is, with no file of it open (a shell under `script`). The probe asks none of the last two.
    void anotherUserIsSeen_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("nobody") << "";
        QTest::newRow("held open") << "fd=os.open(sys.argv[1], os.O_RDWR | os.O_NOCTTY)";
        QTest::newRow("a session's terminal") << "os.setsid(); os.close(os.open(sys.argv[1], os.O_RDWR))";
    }
    void anotherUserIsSeen()
    {
        QFETCH(QString, how);
        PtyPair pty;
        QProcess other;
        // The child keeps nothing of this process's (its side of the pty would make it the printer's end).
        other.start("python3", {"-c", "import os, sys, time\nos.closerange(3, 4096)\n" + how +
                                          "\nprint('ready', flush=True)\ntime.sleep(30)",
                                pty.slavePath()});
        QVERIFY(other.waitForReadyRead(10000));
        const qint64 pid = other.processId(), seen = device_access::usersElsewhere({pty.slavePath()}).value(0);
        other.kill();
        other.waitForFinished();
        QCOMPARE(seen, how.isEmpty() ? 0 : pid);
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
        // A pty keeps the baud rate and the stop bits (not parity or 7 data bits); 56000 is a custom rate.
        row("a pty at 2400 baud", "pty", Cause::None, "2400,N,8,1");
        row("a pty with 2 stop bits", "pty", Cause::None, "19200,N,8,2");
        row("a pty at 56000 baud", "pty", Cause::None, "56000,N,8,1");
        row("a pty held by another control", "held", Cause::PortBusy);
        row("a pty held under another name (LPT1)", "locked", Cause::PortBusy);
        row("a pty its job holds between two openings", "between", Cause::PortBusy);
        row("a pty refusing parity", "pty", Cause::PortSettingsRefused, "9600,E,8,1");
        row("a dangling link", "dangling", Cause::PortMissing);
        row("a link loop", "loop", Cause::PortMissing);
        row("a folder", "folder", Cause::PortNotSerial);
        row("a plain file", "plain", Cause::PortNotSerial);
        row("/dev/null", "/dev/null", Cause::PortNotSerial);
        // Terminals without a line behind them are refused before any opening (a download to /dev/ptmx would make
        // a pty nobody reads).
        row("/dev/ptmx", "/dev/ptmx", Cause::PortNotSerial);
        row("/dev/tty", "/dev/tty", Cause::PortNotSerial);
        row("no such port", "COM0", Cause::PortUnselected);
    }
    void portTargets()
    {
        QFETCH(QString, target);
        QFETCH(QString, settings);
        QFETCH(int, cause);
        PtyPair pty;
        auto other = control(4, pty);
        QVERIFY(target != "held" || !other.open());
        if (target == "between") {
            other->holdDevice(true);
            QVERIFY(!other.open());
            other->close();
        }
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
        auto comm = control(6, pty, settings);
        if (target == "COM0")
            comm.name = "COM0";
        home.link("COM6", path);
        QSignalSpy failed(comm.get(), &SerialControl::failed);
        const Failure refused = comm.open();
        QCOMPARE(refused, comm->failure());
        QCOMPARE(int(refused.cause), cause);
        QCOMPARE(!refused && comm->isOpen(), cause == 0);
        QVERIFY2(!refused == refused.system.isEmpty(), qPrintable(refused.system));
        const bool opened = !refused;
        if (opened)
            QCOMPARE(pty.line(), settings.section(',', 0, 0) + ' ' + settings.section(',', 3).left(1));
        QVERIFY(opened || (!comm->write("x") && comm->pendingOutput() == 0));
        QCOMPARE(failed.count(), 0);
        if (fd >= 0)
            ::close(fd);
        // The holding job opens it again; once the holder lets go, the port opens and the cause is gone.
        QVERIFY(target != "between" || !other.open());
        other->close();
        other->holdDevice(false);
        if (target == "held" || target == "locked" || target == "between")
            QVERIFY(!comm.open() && !comm->failure());
        if (target == "dangling")
            QCOMPARE(refused.subject + " " + refused.device, "COM6 " + path);
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
        const Failure refused = comm.open(QStringLiteral("COM2"), LineSettings{});
        QVERIFY(!comm.isOpen());
        QCOMPARE(refused.cause, Cause::PortNoPermission);
        QVERIFY2(refused.system.contains("ermission"), qPrintable(refused.system));
    }

    void aHangUpIsReportedOnce()
    {
        PtyPair pty;
        auto comm = control(3, pty);
        QVERIFY(!comm.open());
        QSignalSpy failed(comm.get(), &SerialControl::failed);
        pty.hangUp(); // the printer side goes away
        bool ok = true;
        for (int i = 0; i < 50 && ok; ++i) {
            ok = comm->write(QByteArray(64, 'x'));
            QTest::qWait(10);
        }
        // Named by what happened, not by a stale errno.
        QVERIFY(!ok);
        QCOMPARE(comm->failure().cause, Cause::LinkHungUp);
        QCOMPARE(comm->failure().system, "the line was closed at the other end");
        QCOMPARE(failed.count(), 1);
    }
};

QTEST_GUILESS_MAIN(TstQtSerialControl)
#include "tst_qt_serial_control.moc"
