#include "core/link/line_settings.h"
#include "core/link/open_link.h"
#include "core/link/port_catalog.h"
#include "core/link/port_names.h"
#include "tests/support/fake_serial_control.h"
#include "tests/support/pty_pair.h"
#include "tests/support/test_home.h"
#include "tests/support/virtual_clock.h"
#include "texts/cause_words.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

class TstLineSettings : public QObject
{
    Q_OBJECT
private slots:
    // The window's items, by index or as text, give a line; parsing takes any line a port may have.
    void lines_data()
    {
        QTest::addColumn<QString>("given"); // "i:" the four item indices, "t:" the items' text, "p:" parsed
        QTest::addColumn<QString>("line");  // as text, "none" when refused; the item 57600 is 56000 baud

        // clang-format off
        for (const QString row : {
                 "i:2 0 0 0>9600,N,8,1", "i:3 1 1 1>19200,E,7,2", "i:5 0 0 0>56000,N,8,1", "i:0 2 0 0>2400,O,8,1",
                 "i:4 0 0 0>38400,N,8,1", "i:1 0 0 0>4800,N,8,1", "i:-1 0 0 0>none", "i:1 0 0 -1>none", "i:0 3 0 0>none",
                 "t:57600,e,7,2>56000,E,7,2", "t:56000,N,8,1>none", "t:9600,M,8,1>none", "t:9600,N,8>none",
                 "p:2400,o,8,1>2400,O,8,1", "p:4800,M,5,1.5>4800,M,5,1.5", "p:9600,S,6,2>9600,S,6,2", "p:1,N,8,1>1,N,8,1",
                 "p:>none", "p:9600,X,8,1>none", "p:9600,N,9,1>none", "p:9600,N,4,1>none", "p:0,N,8,1>none",
                 "p:9600,N,8,3>none", "p:9600,N,8>none", "p:a,N,8,1>none"})
            // clang-format on
            QTest::newRow(qPrintable(row)) << row.section('>', 0, 0) << row.section('>', 1);
    }
    void lines()
    {
        QFETCH(QString, given);
        QFETCH(QString, line);
        const QString what = given.mid(2);
        const QList<int> i = [&] {
            QList<int> n;
            for (const QString& w : what.split(' '))
                n << w.toInt();
            return n;
        }();
        const std::optional<LineSettings> l = given.startsWith("i:")   ? offeredLine(i[0], i[1], i[2], i[3])
                                              : given.startsWith("t:") ? offeredLine(what)
                                                                       : parseLineSettings(what);
        QCOMPARE(l ? l->text() : "none", line);
        if (l)
            QCOMPARE(parseLineSettings(l->text()), l);
    }

    void portNamesPreferThePortsFolder()
    {
        TestHome home;
        QCOMPARE(port_names::serialDevice(1) + port_names::serialDevice(10) + port_names::parallelDevice(),
                 QStringLiteral("/dev/ttyS0/dev/ttyS9/dev/lp0"));
        const QString target = home.file(QStringLiteral("printer.out"), QByteArray());
        QVERIFY(home.link(QStringLiteral("COM3"), target) && home.link(QStringLiteral("LPT1"), target));
        QCOMPARE(port_names::serialDevice(3), QFileInfo(target).canonicalFilePath());
        QCOMPARE(port_names::parallelDevice(), QFileInfo(target).canonicalFilePath());
        QCOMPARE(port_names::serialDevice(4), QStringLiteral("/dev/ttyS3"));
        // A dangling link is still taken, so that the failure names its target.
        QVERIFY(home.link(QStringLiteral("COM5"), home.path() + QStringLiteral("/gone")));
        QCOMPARE(port_names::serialDevice(5), home.path() + QStringLiteral("/gone"));
        // --port also names a device by its path; anything else leads nowhere.
        QCOMPARE(port_names::serialDeviceOf(QStringLiteral("COM4")) + port_names::serialDeviceOf("/dev/ttyUSB0") + "|" +
                     port_names::serialDeviceOf("COM11") + port_names::serialDeviceOf("COM04") +
                     port_names::serialDeviceOf("LPT1") + port_names::serialDeviceOf("ttyUSB0"),
                 QStringLiteral("/dev/ttyS3/dev/ttyUSB0|"));
        // The first name whose device is missing is the one to give a new device (COM5 dangles).
        QVERIFY(home.link("COM1", target) && home.link("COM2", target) && home.link("COM4", target));
        QCOMPARE(port_names::freeSerialName(), "COM5");
        // Devices no name leads to: a stable by-id name before its ttyUSB node, and nothing COM6 already names.
        PtyPair usb, acm;
        const QString dev = home.path() + "/dev";
        QVERIFY(QDir().mkpath(dev + "/serial/by-id") && QFile::link(usb.slavePath(), dev + "/ttyUSB0") &&
                QFile::link("../../ttyUSB0", dev + "/serial/by-id/usb-FTDI_1") &&
                QFile::link(acm.slavePath(), dev + "/ttyACM0") && QFile::link("/nowhere", dev + "/ttyUSB1") &&
                home.link("COM6", acm.slavePath()));
        QCOMPARE(port_names::unnamedSerialDevices(dev), QStringList{dev + "/serial/by-id/usb-FTDI_1"});
    }

    // Naming a device: on a fresh account the folder is made and the link leads to the stable path; an entry the
    // tool did not make is replaced or freed only when asked; freeing removes only the link.
    void portCatalogLinksAndFrees()
    {
        TestHome home;
        using R = port_catalog::Change::Result;
        PtyPair pty;
        const QString stable = home.path() + "/by-id-adapter";
        QVERIFY(QFile::link(pty.slavePath(), stable) && QDir(port_names::portsFolder()).removeRecursively());
        QCOMPARE(int(port_catalog::link("COM3", stable).result), int(R::Done));
        QCOMPARE(QFileInfo(port_names::portsFolder() + "/COM3").symLinkTarget(), stable);
        port_catalog::Name com3 = port_catalog::nameOf("COM3");
        QVERIFY(com3.ours && !com3.state && com3.device == QFileInfo(pty.slavePath()).canonicalFilePath());
        QVERIFY(port_catalog::probeCandidates().contains("COM3"));
        // Someone else's entries: a plain file, a link of their own.
        const QString other = home.file("other.out", {});
        QVERIFY(home.link("COM4", other));
        PtyPair second;
        QCOMPARE(int(port_catalog::link("COM4", second.slavePath()).result), int(R::Foreign));
        QCOMPARE(int(port_catalog::unlink("COM4").result), int(R::Foreign));
        QCOMPARE(QFileInfo(port_names::portsFolder() + "/COM4").symLinkTarget(), other);
        // Never a second name for one device, nor a name for what it cannot use.
        QCOMPARE(port_catalog::link("COM4", stable, true).error, stable + ": COM3 leads there already");
        QCOMPARE(port_catalog::link("LPT1", second.slavePath()).error, second.slavePath() + ": a terminal");
        QCOMPARE(int(port_catalog::link("COM4", second.slavePath(), true).result), int(R::Done));
        QVERIFY(port_catalog::nameOf("COM4").ours && port_catalog::nameOf("COM4").state.cause == Cause::None);
        QCOMPARE(port_catalog::nameOf("COM5").state.cause, Cause::PortMissing);
        QCOMPARE(int(port_catalog::link("COM11", stable).result), int(R::Failed));
        QCOMPARE(int(port_catalog::unlink("COM3").result), int(R::Done));
        QVERIFY(!QFileInfo(port_names::portsFolder() + "/COM3").isSymLink() && QFileInfo::exists(stable));
        QCOMPARE(port_catalog::nameOf("COM3").device, QStringLiteral("/dev/ttyS2"));
        // Parallel devices: /dev/lp0 first; without it the one USB parallel device; with two, neither.
        const QString dev = home.path() + "/dev";
        QVERIFY(QDir().mkpath(dev + "/usb") && QFile(dev + "/usb/lp0").open(QIODevice::WriteOnly));
        QCOMPARE(port_names::parallelDevice(dev), dev + "/usb/lp0");
        QVERIFY(QFile(dev + "/usb/lp1").open(QIODevice::WriteOnly));
        QCOMPARE(port_names::parallelDevice(dev), dev + "/lp0");
        QVERIFY(QFile(dev + "/lp0").open(QIODevice::WriteOnly));
        QCOMPARE(port_names::parallelDevices(dev), (QStringList{dev + "/lp0", dev + "/usb/lp0", dev + "/usb/lp1"}));
        QCOMPARE(port_names::parallelDevice(dev), dev + "/lp0");
        QVERIFY(port_names::isParallelPath("/dev/usb/lp0") && !port_names::isParallelPath("/dev/ttyUSB0") &&
                !port_names::isParallelPath("lp0"));
    }

    // The download's link opens from the operator's choice, or says why not.
    void openSerialLink_data()
    {
        QTest::addColumn<QString>("link");   // port and line as text
        QTest::addColumn<QString>("before"); // "open": already open; "refuse": held elsewhere
        QTest::addColumn<QString>("after");  // port, line, openings, the cause of a refusal
        auto row = [](const char* name, const char* link, const char* before, const char* after) {
            QTest::newRow(name) << link << before << after;
        };
        row("COM3 19200 even 7 2", "COM3 19200,E,7,2", "", "COM3 19200,E,7,2 1 ");
        row("COM10", "COM10 9600,N,8,1", "", "COM10 9600,N,8,1 1 ");
        row("LPT1 changes nothing", "LPT1 19200,E,7,2", "", "COM7 2400,O,7,2 0 ");
        row("already open keeps its line", "COM3 19200,E,7,2", "open", "COM7 2400,O,7,2 0 ");
        row("port held by another program", "COM2 9600,N,8,1", "refuse", "COM2 9600,N,8,1 0 port-busy");
        row("no port selected", " 9600,N,8,1", "", "COM7 2400,O,7,2 0 port-unselected");
        row("no baud selected", "COM1 none", "", "COM7 2400,O,7,2 0 port-unselected");
    }
    void openSerialLink()
    {
        QFETCH(QString, link);
        QFETCH(QString, before);
        QFETCH(QString, after);
        VirtualClock clock;
        FakeSerialControl comm(clock);
        QVERIFY(!comm.open(QStringLiteral("COM7"), *parseLineSettings(QStringLiteral("2400,O,7,2"))));
        if (before != "open")
            comm.close();
        comm.openings = 0;
        comm.refuseOpen(before == "refuse" ? Cause::PortBusy : Cause::None);
        const QStringList words = link.split(' ');
        const Failure failure = ::openSerialLink(LinkChoice{words[0], parseLineSettings(words[1])}, comm);
        QCOMPARE(QStringLiteral("%1 %2 %3 %4")
                     .arg(comm.port(), comm.line().text())
                     .arg(comm.openings)
                     .arg(failure ? causeId(failure.cause) : QString()),
                 after);
        QCOMPARE(comm.isOpen(), before == "open" || after.contains(" 1 "));
    }
};

QTEST_GUILESS_MAIN(TstLineSettings)
#include "tst_line_settings.moc"
