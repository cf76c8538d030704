#include "core/link/link_settings.h"
#include "core/link/open_link.h"
#include "core/link/port_names.h"

#include "tests/support/fake_serial_control.h"
#include "tests/support/test_home.h"
#include "tests/support/virtual_clock.h"

#include <QTest>

class TstLinkSettings : public QObject
{
    Q_OBJECT
private slots:
    void settingsText_data()
    {
        QTest::addColumn<QList<int>>("indices");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("complete");
        QTest::newRow("9600, none, 8, 1") << QList<int>{2, 0, 0, 0} << "9600,N,8,1" << true;
        QTest::newRow("19200, even, 7, 2") << QList<int>{3, 1, 1, 1} << "19200,E,7,2" << true;
        QTest::newRow("item 57600 selects 56000 baud") << QList<int>{5, 0, 0, 0} << "56000,N,8,1" << true;
        QTest::newRow("2400 odd") << QList<int>{0, 2, 0, 0} << "2400,O,8,1" << true;
        QTest::newRow("no baud selection leaves its fragment out") << QList<int>{-1, 0, 0, 0} << "N,8,1" << false;
        QTest::newRow("no stop bits selection") << QList<int>{1, 0, 0, -1} << "4800,N,8," << false;
        QTest::newRow("an index past the list counts as none") << QList<int>{6, 3, 2, 2} << "" << false;
    }
    void settingsText()
    {
        QFETCH(QList<int>, indices);
        QFETCH(QString, text);
        QFETCH(bool, complete);
        QCOMPARE(linkSettingsText(indices[0], indices[1], indices[2], indices[3]), text);
        QCOMPARE(linkSettingsComplete(indices[0], indices[1], indices[2], indices[3]), complete);
    }

    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("baud");
        QTest::addColumn<QString>("parity");
        QTest::addColumn<int>("data");
        QTest::addColumn<QString>("stop");
        QTest::newRow("9600,N,8,1") << "9600,N,8,1" << true << 9600 << "N" << 8 << "1";
        QTest::newRow("56000,E,7,2") << "56000,E,7,2" << true << 56000 << "E" << 7 << "2";
        QTest::newRow("lower-case parity") << "2400,o,8,1" << true << 2400 << "O" << 8 << "1";
        QTest::newRow("one and a half stop bits") << "4800,M,5,1.5" << true << 4800 << "M" << 5 << "1.5";
        QTest::newRow("fragment missing") << "N,8,1" << false << 0 << "" << 0 << "";
        QTest::newRow("empty") << "" << false << 0 << "" << 0 << "";
        QTest::newRow("unknown parity") << "9600,X,8,1" << false << 0 << "" << 0 << "";
        QTest::newRow("nine data bits") << "9600,N,9,1" << false << 0 << "" << 0 << "";
        QTest::newRow("zero baud") << "0,N,8,1" << false << 0 << "" << 0 << "";
        QTest::newRow("three stop bits") << "9600,N,8,3" << false << 0 << "" << 0 << "";
    }
    void parse()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        const auto s = parseLinkSettings(text);
        QCOMPARE(s.has_value(), valid);
        if (!valid)
            return;
        QFETCH(int, baud);
        QFETCH(QString, parity);
        QFETCH(int, data);
        QFETCH(QString, stop);
        QCOMPARE(s->baud, baud);
        QCOMPARE(QString(QChar::fromLatin1(s->parity)), parity);
        QCOMPARE(s->dataBits, data);
        QCOMPARE(s->stopBits, stop);
    }

    void portNamesPreferThePortsFolder()
    {
        TestHome home;
        QCOMPARE(port_names::serialDevice(1), QStringLiteral("/dev/ttyS0"));
        QCOMPARE(port_names::serialDevice(10), QStringLiteral("/dev/ttyS9"));
        QCOMPARE(port_names::parallelDevice(), QStringLiteral("/dev/lp0"));
        const QString target = home.file(QStringLiteral("printer.out"), QByteArray());
        QVERIFY(home.link(QStringLiteral("COM3"), target));
        QVERIFY(home.link(QStringLiteral("LPT1"), target));
        QCOMPARE(port_names::serialDevice(3), QFileInfo(target).canonicalFilePath());
        QCOMPARE(port_names::parallelDevice(), QFileInfo(target).canonicalFilePath());
        QCOMPARE(port_names::serialDevice(4), QStringLiteral("/dev/ttyS3"));
        // A dangling link is still taken, so that the failure names its target.
        QVERIFY(home.link(QStringLiteral("COM5"), home.path() + QStringLiteral("/gone")));
        QCOMPARE(port_names::serialDevice(5), home.path() + QStringLiteral("/gone"));
    }

    // OpenLink drives the download port from the five boxes.
    void openLink_data()
    {
        QTest::addColumn<QList<int>>("indices"); // Porta, Baud, Parita, BitDati, BitStop
        QTest::addColumn<bool>("alreadyOpen");
        QTest::addColumn<bool>("refuse");
        QTest::addColumn<bool>("portError");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("settings");
        QTest::addColumn<int>("openings");
        QTest::newRow("COM3 19200 even 7 2")
            << QList<int>{2, 3, 1, 1, 1} << false << false << false << 3 << "19200,E,7,2" << 1;
        QTest::newRow("COM10") << QList<int>{9, 2, 0, 0, 0} << false << false << false << 10 << "9600,N,8,1" << 1;
        QTest::newRow("57600 item opens at 56000")
            << QList<int>{0, 5, 0, 0, 0} << false << false << false << 1 << "56000,N,8,1" << 1;
        QTest::newRow("LPT1 changes nothing")
            << QList<int>{10, 3, 1, 1, 1} << false << false << true << 7 << "2400,O,7,2" << 0;
        QTest::newRow("already open keeps its parameters")
            << QList<int>{2, 3, 1, 1, 1} << true << false << true << 7 << "2400,O,7,2" << 0;
        QTest::newRow("port held by another program")
            << QList<int>{1, 2, 0, 0, 0} << false << true << true << 2 << "9600,N,8,1" << 0;
        QTest::newRow("no port selected is a failed opening")
            << QList<int>{-1, 2, 0, 0, 0} << false << false << true << 0 << "9600,N,8,1" << 0;
        QTest::newRow("no baud selected is a failed opening")
            << QList<int>{0, -1, 0, 0, 0} << false << false << true << 1 << "N,8,1" << 0;
    }
    void openLink()
    {
        QFETCH(QList<int>, indices);
        QFETCH(bool, alreadyOpen);
        QFETCH(bool, refuse);
        QFETCH(bool, portError);
        QFETCH(int, port);
        QFETCH(QString, settings);
        QFETCH(int, openings);
        VirtualClock clock;
        FakeSerialControl comm(clock);
        comm.setCommPort(7);
        comm.setSettings(QStringLiteral("2400,O,7,2"));
        if (alreadyOpen)
            QVERIFY(comm.setPortOpen(true));
        comm.openings.clear();
        comm.refuseOpen(refuse);
        const QStringList ports = {"COM1", "COM2", "COM3", "COM4",  "COM5", "COM6",
                                   "COM7", "COM8", "COM9", "COM10", "LPT1"};
        const LinkChoice link{ports.value(indices[0]), indices[0], indices[1], indices[2], indices[3], indices[4]};
        bool error = true; // left untouched by the early returns
        OpenLink(link, comm, error);
        QCOMPARE(error, portError);
        QCOMPARE(comm.commPort(), port);
        QCOMPARE(comm.settings(), settings);
        QCOMPARE(comm.openings.size(), openings);
        QCOMPARE(comm.portOpen(), alreadyOpen || openings == 1);

        // SetLinkSettings configures but never opens.
        FakeSerialControl main(clock);
        SetLinkSettings(link, main);
        QCOMPARE(main.portOpen(), false);
        QCOMPARE(main.commPort(), indices[0] + 1);
    }
};

QTEST_GUILESS_MAIN(TstLinkSettings)
#include "tst_link_settings.moc"
