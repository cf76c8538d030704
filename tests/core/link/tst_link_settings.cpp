#include "core/link/link_settings.h"
#include "core/link/open_link.h"
#include "core/link/port_names.h"
#include "tests/support/fake_serial_control.h"
#include "tests/support/test_home.h"
#include "tests/support/virtual_clock.h"

#include <QFileInfo>
#include <QTest>

class TstLinkSettings : public QObject
{
    Q_OBJECT
private slots:
    // The box indices (baud, parity, data bits, stop bits) give the settings text, which parses back.
    void settingsText_data()
    {
        QTest::addColumn<QList<int>>("indices");
        QTest::addColumn<QString>("text"); // "!" after it: incomplete
        QTest::newRow("9600, none, 8, 1") << QList<int>{2, 0, 0, 0} << "9600,N,8,1";
        QTest::newRow("19200, even, 7, 2") << QList<int>{3, 1, 1, 1} << "19200,E,7,2";
        QTest::newRow("item 57600 selects 56000 baud") << QList<int>{5, 0, 0, 0} << "56000,N,8,1";
        QTest::newRow("2400 odd") << QList<int>{0, 2, 0, 0} << "2400,O,8,1";
        QTest::newRow("38400") << QList<int>{4, 0, 0, 0} << "38400,N,8,1";
        QTest::newRow("4800") << QList<int>{1, 0, 0, 0} << "4800,N,8,1";
        QTest::newRow("no baud selection leaves its fragment out") << QList<int>{-1, 0, 0, 0} << "N,8,1!";
        QTest::newRow("no stop bits selection") << QList<int>{1, 0, 0, -1} << "4800,N,8,!";
        QTest::newRow("an index past the list counts as none") << QList<int>{6, 3, 2, 2} << "!";
    }
    void settingsText()
    {
        QFETCH(QList<int>, indices);
        QFETCH(QString, text);
        const auto [b, p, d, s] = std::tuple(indices[0], indices[1], indices[2], indices[3]);
        QCOMPARE(linkSettingsText(b, p, d, s) + (linkSettingsComplete(b, p, d, s) ? "" : "!"), text);
        const auto line = parseLinkSettings(text);
        QCOMPARE(line.has_value(), !text.endsWith('!'));
        if (line)
            QCOMPARE(QStringLiteral("%1,%2,%3,%4")
                         .arg(line->baud)
                         .arg(QChar(line->parity))
                         .arg(line->dataBits)
                         .arg(line->stopBits),
                     text);
    }

    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("parsed"); // "" when refused
        for (auto [text, parsed] : {std::pair{"2400,o,8,1", "2400 O 8 1"},
                                    {"4800,M,5,1.5", "4800 M 5 1.5"},
                                    {"9600,S,6,2", "9600 S 6 2"},
                                    {"1,N,8,1", "1 N 8 1"}})
            QTest::newRow(text) << text << parsed;
        for (const char* bad :
             {"", "9600,X,8,1", "9600,N,9,1", "9600,N,4,1", "0,N,8,1", "9600,N,8,3", "9600,N,8", "a,N,8,1"})
            QTest::newRow(bad) << bad << "";
    }
    void parse()
    {
        QFETCH(QString, text);
        QFETCH(QString, parsed);
        const auto s = parseLinkSettings(text);
        QCOMPARE(s ? QStringLiteral("%1 %2 %3 %4").arg(s->baud).arg(QChar(s->parity)).arg(s->dataBits).arg(s->stopBits)
                   : "",
                 parsed);
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
    }

    // OpenLink drives the download port from the five boxes; SetLinkSettings configures and never opens.
    void openLink_data()
    {
        QTest::addColumn<QList<int>>("indices"); // Porta, Baud, Parita, BitDati, BitStop
        QTest::addColumn<QString>("before");     // "open": already open; "refuse": held elsewhere
        QTest::addColumn<QString>("after");      // port, settings, openings, what the opening did
        QTest::newRow("COM3 19200 even 7 2") << QList<int>{2, 3, 1, 1, 1} << ""
                                             << "3 19200,E,7,2 1 opened";
        QTest::newRow("COM10") << QList<int>{9, 2, 0, 0, 0} << ""
                               << "10 9600,N,8,1 1 opened";
        QTest::newRow("LPT1 changes nothing") << QList<int>{10, 3, 1, 1, 1} << ""
                                              << "7 2400,O,7,2 0 unchanged";
        QTest::newRow("already open keeps its parameters") << QList<int>{2, 3, 1, 1, 1} << "open"
                                                           << "7 2400,O,7,2 0 unchanged";
        QTest::newRow("port held by another program") << QList<int>{1, 2, 0, 0, 0} << "refuse"
                                                      << "2 9600,N,8,1 0 refused";
        QTest::newRow("no port selected") << QList<int>{-1, 2, 0, 0, 0} << ""
                                          << "0 9600,N,8,1 0 refused";
        QTest::newRow("no baud selected") << QList<int>{0, -1, 0, 0, 0} << ""
                                          << "1 N,8,1 0 refused";
    }
    void openLink()
    {
        QFETCH(QList<int>, indices);
        QFETCH(QString, before);
        QFETCH(QString, after);
        VirtualClock clock;
        FakeSerialControl comm(clock), main(clock);
        comm.setPortNumber(7);
        comm.setSettings(QStringLiteral("2400,O,7,2"));
        if (before == "open")
            comm.open();
        comm.openings = 0;
        comm.refuseOpen(before == "refuse" ? Cause::PortBusy : Cause::None);
        const QString port = indices[0] == 10 ? "LPT1"
                             : indices[0] < 0 ? ""
                                              : QStringLiteral("COM%1").arg(indices[0] + 1);
        const LinkChoice link{port, indices[0], indices[1], indices[2], indices[3], indices[4]};
        const LinkOpening opening = OpenLink(link, comm);
        QCOMPARE(QStringLiteral("%1 %2 %3 %4")
                     .arg(comm.portNumber())
                     .arg(comm.settings())
                     .arg(comm.openings)
                     .arg(QStringList{"unchanged", "opened", "refused"}[int(opening)]),
                 after);
        QCOMPARE(comm.isOpen(), before == "open" || after.contains(" 1 "));
        SetLinkSettings(link, main);
        QVERIFY(!main.isOpen() && main.portNumber() == indices[0] + 1);
    }
};

QTEST_GUILESS_MAIN(TstLinkSettings)
#include "tst_link_settings.moc"
