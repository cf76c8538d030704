#include "app/main_window.h"
#include "app/selection_reactions.h"
#include "app/vb_controls.h"
#include "core/download/download.h"
#include "tests/support/test_env.h"

#include <QAccessible>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

class TstSelection : public QObject
{
    Q_OBJECT
private slots:
    void reactions_data()
    {
        QTest::addColumn<QStringList>("clicks"); // "op0".."op2", "board", "ram", "check"
        QTest::addColumn<int>("check");
        QTest::addColumn<bool>("checkEnabled");
        QTest::addColumn<bool>("releaseEnabled");
        QTest::addColumn<bool>("assistive"); // toggled through the accessibility interface
        for (const bool assistive : {false, true}) {
            const char* by = assistive ? " (assistive)" : "";
            auto row = [&](const char* name) { return &QTest::addRow("%s%s", name, by); };
            *row("standard fonts with the RAM card")
                << QStringList{"check", "ram", "op1"} << 0 << false << false << assistive;
            *row("external fonts with the board") << QStringList{"check", "op2"} << 0 << false << false << assistive;
            // Toggling the option already selected changes nothing, so nothing reacts.
            *row("then the board again enables the box")
                << QStringList{"check", "op2", "board"} << 0 << !assistive << false << assistive;
            *row("firmware after external fonts: enabled, unchecked")
                << QStringList{"check", "op2", "op0"} << 0 << true << true << assistive;
            *row("standard fonts keep the check") << QStringList{"check", "op1"} << 1 << true << false << assistive;
            *row("no check while the RAM card is the source")
                << QStringList{"ram", "check"} << 0 << false << true << assistive;
        }
    }
    void reactions()
    {
        QFETCH(QStringList, clicks);
        QFETCH(int, check);
        QFETCH(bool, checkEnabled);
        QFETCH(bool, releaseEnabled);
        QFETCH(bool, assistive);
        Bench bench;
        CARICA& w = bench.load();
        for (const QString& c : clicks) {
            w.ShowFile->setText(QStringLiteral("/x/F.BIN"));
            QAbstractButton* b = c == "board"   ? w.SelBoot[0]
                                 : c == "ram"   ? w.SelBoot[1]
                                 : c == "check" ? static_cast<QAbstractButton*>(w.chkCheckSum)
                                                : w.SelOperazione[c.mid(2).toInt()];
            if (assistive) // a screen reader's Toggle sets the value without a click
                QAccessible::queryAccessibleInterface(b)->actionInterface()->doAction(
                    QAccessibleActionInterface::toggleAction());
            else
                b->click();
        }
        QCOMPARE(vb::checkValue(*w.chkCheckSum), check);
        QCOMPARE(w.chkCheckSum->isEnabled(), checkEnabled);
        QCOMPARE(w.cmdCheckRelease->isEnabled(), releaseEnabled);
        if (clicks.last().startsWith("op"))
            QVERIFY(w.ShowFile->text().isEmpty()); // even when the same operation is chosen again
    }

    void initialFolders_data()
    {
        QTest::addColumn<QString>("showFile");
        QTest::addColumn<QString>("folder"); // "<keep>": the last folder stays
        QTest::newRow("firmware file: its folder") << "/srv/FW/MAIN.BIN"
                                                   << "/srv/FW";
        QTest::newRow("lower-case extension too") << "/srv/fw/main.bin"
                                                  << "/srv/fw";
        QTest::newRow("other files: the whole text") << "/srv/FONTS/A.SHF"
                                                     << "/srv/FONTS/A.SHF";
        QTest::newRow("a firmware name without a folder") << "MAIN.BIN"
                                                          << "<keep>";
        QTest::newRow("empty") << ""
                               << "<keep>";
    }
    void initialFolders()
    {
        QFETCH(QString, showFile);
        QFETCH(QString, folder);
        QCOMPARE(initialFolder(showFile).value_or(QStringLiteral("<keep>")), folder);
    }

    void filters_data()
    {
        QTest::addColumn<int>("operation");
        QTest::addColumn<QString>("filter");
        QTest::newRow("firmware") << 0 << "Download Firmware (*.BIN)|*.BIN";
        QTest::newRow("standard fonts") << 1 << "Download FONT (*.SHF)|*.SHF";
        QTest::newRow("external fonts") << 2 << "Download FONT ESTERNI (*.SHC)|*.SHC";
    }
    void filters()
    {
        QFETCH(int, operation);
        QFETCH(QString, filter);
        Bench bench;
        CARICA& w = bench.load();
        w.SelOperazione[operation]->click();
        w.ButSfoglia->click();
        QCOMPARE(bench.fileDialog.calls.size(), 1);
        QCOMPARE(bench.fileDialog.calls[0].filter, filter);
        QCOMPARE(bench.fileDialog.calls[0].title, QStringLiteral("Apri File..."));
    }

    void browsingRemembersTheFolder()
    {
        Bench bench;
        CARICA& w = bench.load();
        w.ShowFile->setText(QStringLiteral("/fw/MAIN.BIN"));
        bench.fileDialog.answers << QStringLiteral("/fw2/new.bin");
        w.ButSfoglia->click();
        QCOMPARE(bench.fileDialog.calls[0].initialDir, QStringLiteral("/fw"));
        // Shown as chosen: on a case-sensitive file system upper case would name another file.
        QCOMPARE(w.ShowFile->text(), QStringLiteral("/fw2/new.bin"));
        w.ButSfoglia->click(); // cancelled: nothing changes
        QCOMPARE(bench.fileDialog.calls[1].initialDir, QStringLiteral("/fw2"));
        QCOMPARE(w.ShowFile->text(), QStringLiteral("/fw2/new.bin"));

        w.SelOperazione[1]->click();
        bench.fileDialog.answers << QStringLiteral("/fonts/a.shf");
        w.ButSfoglia->click();
        w.SelOperazione[1]->click(); // empties the path; the dialog keeps the folder
        w.ButSfoglia->click();
        QCOMPARE(bench.fileDialog.calls[3].initialDir, QStringLiteral("/fonts/"));
        w.mnuFactory->trigger(); // the window as created remembers no folder
        w.ButSfoglia->click();
        QCOMPARE(bench.fileDialog.calls[4].initialDir, QString());
    }

    void aChosenFileDownloadsAsChosenAndNoBrowsingDuringIt()
    {
        Bench bench;
        CARICA& w = bench.load();
        bench.fileDialog.answers << bench.home.file("fw/Mixed.bin", "abcd");
        w.ButSfoglia->click();
        bench.clock.at(1, [&] { w.ButSfoglia->click(); }); // refused while the download runs
        w.StartTrasm->click();
        QVERIFY(bench.messages.shown.isEmpty());
        QCOMPARE(bench.downloadPort->writes.value(0).data, QByteArray("?Z4&4\n"));
        QCOMPARE(bench.fileDialog.calls.size(), 1);
    }
};

QTEST_MAIN(TstSelection)
#include "tst_selection.moc"
