#include "app/main_window.h"
#include "core/download/download.h"
#include "app/progress_dialog.h"
#include "core/platform/clock.h"
#include "core/platform/lifetime.h"
#include "app/twips.h"
#include "app/vb_controls.h"
#include "tests/support/test_env.h"

#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace {
const QString kEmptyFile = QStringLiteral("File vuoto o inesistente !!");

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

class TstDownloadCommand : public QObject
{
    Q_OBJECT
private slots:
    void refusedRequests_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message"); // "" = none
        QTest::addColumn<bool>("pathCleared");
        QTest::addColumn<bool>("fileExistsAfter");
        QTest::newRow("empty path: nothing at all") << "empty"
                                                    << "" << false << false;
        QTest::newRow("missing file: message, nothing created") << "missing" << kEmptyFile << true << false;
        QTest::newRow("empty file: message, the file is kept") << "zero" << kEmptyFile << true << true;
        QTest::newRow("a folder: message naming it") << "folder"
                                                     << "Impossibile aprire il file" << false << true;
    }
    void refusedRequests()
    {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        QFETCH(bool, pathCleared);
        QFETCH(bool, fileExistsAfter);
        Bench bench;
        CARICA& w = bench.load();
        QString path;
        if (kind == "missing")
            path = bench.home.path() + "/NOPE.BIN";
        else if (kind == "zero")
            path = bench.home.file("EMPTY.BIN", QByteArray());
        else if (kind == "folder")
            path = bench.home.path();
        w.ShowFile->setText(path);
        w.StartTrasm->click();
        bench.clock.run(60);

        if (message.isEmpty()) {
            QVERIFY(bench.messages.shown.isEmpty());
        } else {
            QCOMPARE(bench.messages.shown.size(), 1);
            const auto& m = bench.messages.shown.first();
            QVERIFY2(m.text.startsWith(message), qPrintable(m.text));
            QCOMPARE(m.title, QStringLiteral("Velmora"));
            QCOMPARE(m.icon, MessageIcon::Critical);
            if (kind == "folder")
                QVERIFY(m.text.contains(path));
        }
        QCOMPARE(w.ShowFile->text().isEmpty(), pathCleared || path.isEmpty());
        if (!path.isEmpty())
            QCOMPARE(QFileInfo::exists(path), fileExistsAfter);
        QVERIFY(bench.downloadPort->openings.isEmpty());
        QVERIFY(!w.engine().busy());
        QVERIFY(!w.engine().files().sourceOpen());
        QVERIFY(!w.Timer1().isEnabled());
        QCOMPARE(bench.state.TransferState, qint16(0));
    }

    void aFileOfTwoGibibytesIsRefused()
    {
        Bench bench;
        CARICA& w = bench.load();
        const QString path = bench.home.file("HUGE.BIN", QByteArray());
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite));
        if (!f.resize(qint64(1) << 31))
            QSKIP("no sparse files here");
        f.close();
        w.ShowFile->setText(path);
        w.StartTrasm->click();
        QCOMPARE(bench.messages.shown.size(), 1);
        QVERIFY(bench.messages.shown.first().text.contains(QStringLiteral("2147483648")));
        QVERIFY(bench.downloadPort->openings.isEmpty());
        QVERIFY(!w.engine().files().sourceOpen());
        QCOMPARE(w.ShowFile->text(), path);
    }

    // The header that goes out right after the port opens, for each choice.
    void headerOnTheSerialLink_data()
    {
        QTest::addColumn<int>("operation"); // -1: none selected
        QTest::addColumn<bool>("board");
        QTest::addColumn<int>("check");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("header");
        QTest::newRow("firmware, board, checksum of the byte 41 hex")
            << 0 << true << 1 << QByteArray("A") << QByteArray("?Z3&1,65\n");
        QTest::newRow("checksum 0 is sent as one digit")
            << 0 << true << 1 << QByteArray("abab") << QByteArray("?Z3&4,0\n");
        QTest::newRow("firmware, board, no checksum") << 0 << true << 0 << QByteArray("1234") << QByteArray("?Z4&4\n");
        QTest::newRow("greyed check box counts as unchecked")
            << 0 << true << 2 << QByteArray("1234") << QByteArray("?Z4&4\n");
        QTest::newRow("firmware to the RAM card") << 0 << false << 0 << QByteArray("12345") << QByteArray("?Z2&5\n");
        QTest::newRow("standard fonts, board, checksum")
            << 1 << true << 1 << QByteArray("\x01\x02", 2) << QByteArray("?Z8&2,3\n");
        QTest::newRow("standard fonts, board") << 1 << true << 0 << QByteArray("xy") << QByteArray("?Z1&2\n");
        QTest::newRow("standard fonts to the RAM card") << 1 << false << 0 << QByteArray("xy") << QByteArray("?Z0&2\n");
        QTest::newRow("no operation: no header") << -1 << true << 1 << QByteArray("xy") << QByteArray();
    }
    void headerOnTheSerialLink()
    {
        QFETCH(int, operation);
        QFETCH(bool, board);
        QFETCH(int, check);
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, header);
        Bench bench;
        bench.home.store("Porta", "2");
        bench.home.store("BaudRate", "3");
        bench.home.store("Parity", "1");
        bench.home.store("DataBit", "1");
        bench.home.store("StopBit", "1");
        CARICA& w = bench.load();
        if (operation < 0)
            vb::setOptionValue(*w.SelOperazione[0], false);
        else
            w.SelOperazione[operation]->click();
        (board ? w.SelBoot[0] : w.SelBoot[1])->click();
        vb::setCheckValue(*w.chkCheckSum, check);
        w.ShowFile->setText(bench.home.file("FILE.BIN", file));
        PaintRecorder status(w.calcolo().Label1);
        double enabledAt = -1;
        bench.clock.at(7.999, [&] { enabledAt = w.Timer1().isEnabled() ? 1 : 0; });
        w.StartTrasm->click(); // returns after the 8-second wait
        QCOMPARE(enabledAt, 0.0);
        QCOMPARE(bench.clock.now(), 8.0);

        QCOMPARE(bench.downloadPort->openings.size(), 1);
        QCOMPARE(bench.downloadPort->openings[0].port, 3);
        QCOMPARE(bench.downloadPort->openings[0].settings, QStringLiteral("19200,E,7,2"));
        if (header.isEmpty()) {
            QVERIFY(bench.downloadPort->writes.isEmpty());
        } else {
            QCOMPARE(bench.downloadPort->writes.size(), 1);
            QCOMPARE(bench.downloadPort->writes[0].data, header);
            QCOMPARE(bench.downloadPort->writes[0].time, 0.0);
        }
        QCOMPARE(bench.state.HeaderText, header);
        // The checksum pass does not yield: its caption must have been drawn before it.
        QCOMPARE(status.painted.contains("CALCOLO CHECKSUM IN CORSO..."), header.contains(','));
        QCOMPARE(bench.state.FileLength, qint32(file.size()));
        // After the 8-second wait the timer takes over; the data start with the first byte.
        QCOMPARE(bench.state.TransferState, qint16(1));
        QVERIFY(w.Timer1().isEnabled());
        bench.clock.run(0.021);
        QVERIFY(bench.downloadPort->allBytes().startsWith(header + file.left(1)));
    }

    void statusAndIntervals_data()
    {
        QTest::addColumn<int>("porta");
        QTest::addColumn<int>("turbo");
        QTest::addColumn<int>("interval");
        QTest::newRow("serial") << 0 << 0 << 20;
        QTest::newRow("serial with Turbo") << 2 << 1 << 2;
        QTest::newRow("serial, Turbo greyed is not Turbo") << 0 << 2 << 20;
        QTest::newRow("LPT1") << 10 << 0 << 45;
        QTest::newRow("LPT1 with Turbo") << 10 << 1 << 2;
    }
    void statusAndIntervals()
    {
        QFETCH(int, porta);
        QFETCH(int, turbo);
        QFETCH(int, interval);
        Bench bench;
        const QString printer = bench.home.file("lpt1.out", QByteArray());
        QVERIFY(bench.home.link("LPT1", printer));
        bench.home.store("Porta", QString::number(porta));
        bench.home.store("ChkTurbo", QString::number(turbo));
        CARICA& w = bench.load();
        w.ShowFile->setText(bench.home.file("F.BIN", patternBytes(100000)));
        Calcolo& dlg = w.calcolo();
        QStringList during;
        bench.clock.at(7.99, [&] {
            during << (dlg.isVisible() ? "shown" : "hidden") << (w.engine().busy() ? "busy" : "idle")
                   << dlg.Label1->text() << dlg.CancelButton->text() << QString::number(dlg.BarraTrasm->maximum())
                   << (w.Timer1().isEnabled() ? "ticking" : "waiting");
        });
        w.StartTrasm->click();
        QCOMPARE(during, (QStringList{"shown", "busy", "TRASMISSIONE IN CORSO...", "Annulla", "100000", "waiting"}));
        QCOMPARE(w.Timer1().interval(), interval);
        QVERIFY(w.Timer1().isEnabled());
        QCOMPARE(bench.state.TransferState, qint16(1));
        if (porta == 10) {
            QCOMPARE(readFile(printer), QByteArray("?Z4&100000\n")); // written, closed, reopened for the data
            QVERIFY(w.engine().files().portChannelOpen());
            QVERIFY(bench.downloadPort->openings.isEmpty());
        }
    }

    void aHeldPortIsReportedAndNothingIsLeftOpen_data()
    {
        QTest::addColumn<QString>("lingua");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("title");
        QTest::newRow("Italian") << "1000"
                                 << "ATTENZIONE! La porta COM è già aperta. Chiudere tutte le applicazioni e riprovare."
                                 << "Porta";
        QTest::newRow("English") << "2000"
                                 << "WARNING! COM port is already open. Close all programs and try again."
                                 << "Port";
    }
    void aHeldPortIsReportedAndNothingIsLeftOpen()
    {
        QFETCH(QString, lingua);
        QFETCH(QString, text);
        QFETCH(QString, title);
        Bench bench;
        bench.home.store("Lingua", lingua);
        CARICA& w = bench.load();
        bench.downloadPort->refuseOpen(true);
        w.SelOperazione[0]->click();
        vb::setCheckValue(*w.chkCheckSum, 1);
        w.ShowFile->setText(bench.home.file("F.BIN", "abc"));
        w.StartTrasm->click();
        QCOMPARE(bench.messages.shown.size(), 1);
        QCOMPARE(bench.messages.shown[0].text, text);
        QCOMPARE(bench.messages.shown[0].title, title);
        QCOMPARE(bench.messages.shown[0].icon, MessageIcon::Critical);
        QVERIFY(!w.calcolo().isVisible());
        QVERIFY(!w.engine().busy());
        QVERIFY(!w.engine().files().sourceOpen());
        QCOMPARE(bench.state.PortError, false);
        QCOMPARE(bench.state.HeaderText, QByteArray("?Z3&3,96\n"));
        bench.clock.run(30);
        QVERIFY(bench.downloadPort->writes.isEmpty());
        // Freed again, the next press goes through.
        bench.downloadPort->refuseOpen(false);
        w.StartTrasm->click();
        QCOMPARE(bench.downloadPort->writes.size(), 1);
    }

    void secondPressWhileBusyDoesNothing()
    {
        Bench bench;
        CARICA& w = bench.load();
        w.ShowFile->setText(bench.home.file("F.BIN", patternBytes(300)));
        bench.clock.at(3, [&] { w.StartTrasm->click(); });    // during the 8-second wait
        bench.clock.at(8.05, [&] { w.StartTrasm->click(); }); // during the transfer
        w.StartTrasm->click();
        bench.clock.run(60);
        QCOMPARE(bench.downloadPort->openings.size(), 1);
        QCOMPARE(bench.downloadPort->allBytes(), QByteArray("?Z4&300\n") + patternBytes(300));
    }

    void cancelDuringTheEightSecondWait()
    {
        Bench bench;
        CARICA& w = bench.load();
        w.move(100, 80);
        w.ShowFile->setText(bench.home.file("F.BIN", patternBytes(1000)));
        Calcolo& dlg = *w.findChild<Calcolo*>("Calcolo");
        const int offset = twipsToPixels(600, dlg.logicalDpiX());
        QPoint placed;
        bench.clock.at(3, [&] {
            placed = dlg.pos();
            dlg.CancelButton->click();
        });
        w.StartTrasm->click();
        QCOMPARE(placed, w.pos() + QPoint(offset, offset));
        bench.clock.run(60);
        QCOMPARE(bench.downloadPort->allBytes(), QByteArray("?Z4&1000\n"));
        QVERIFY(!bench.downloadPort->portOpen());
        QVERIFY(!w.engine().files().sourceOpen());
        QVERIFY(!dlg.isVisible());
        QVERIFY(!w.engine().busy());
        QVERIFY(bench.messages.shown.isEmpty());
        QVERIFY(!w.Timer1().isEnabled());

        // The next download gets a fresh dialog, placed again from where the window is now.
        w.move(300, 200);
        QStringList fresh;
        bench.clock.at(bench.clock.now() + 1, [&] {
            fresh << QString::number(dlg.pos().x() - w.pos().x()) << QString::number(dlg.pos().y() - w.pos().y())
                  << dlg.Label1->text() << QString::number(dlg.BarraTrasm->value());
        });
        w.StartTrasm->click();
        QCOMPARE(fresh,
                 (QStringList{QString::number(offset), QString::number(offset), "TRASMISSIONE IN CORSO...", "0"}));
    }

    void theDialogCloseBoxAbortsLikeCancel()
    {
        Bench bench;
        CARICA& w = bench.load();
        w.ShowFile->setText(bench.home.file("F.BIN", patternBytes(1000)));
        bench.clock.at(8.1, [&] { w.calcolo().close(); }); // five chunks in
        w.StartTrasm->click();
        bench.clock.run(60);
        QVERIFY(!w.engine().busy());
        QVERIFY(!bench.downloadPort->portOpen());
        QCOMPARE(bench.downloadPort->bytesWritten(), qint64(9 + 5 * 64));
        QVERIFY(bench.messages.shown.isEmpty());
    }

    void closingTheWindowEndsEverythingAtOnce_data()
    {
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<qint64>("length");
        QTest::addColumn<double>("lineRate"); // bytes a second; 0: at once
        QTest::addColumn<double>("closeAt");
        QTest::newRow("timed: the 8-second wait") << QStringList{} << qint64(5000) << 0.0 << 4.0;
        QTest::newRow("timed: a 2-second pause") << QStringList{} << qint64(5000) << 0.0 << 10.0;
        QTest::newRow("timed: draining") << QStringList{"ChkTurbo=1"} << qint64(3000) << 100.0 << 12.0;
        QTest::newRow("timed: the end wait") << QStringList{} << qint64(100) << 0.0 << 20.0;
        QTest::newRow("fonts: the 10-second wait") << QStringList{"Operazione=2"} << qint64(5000) << 0.0 << 5.0;
        QTest::newRow("fonts: the pacing wait") << QStringList{"Operazione=2"} << qint64(5000) << 0.0 << 10.05;
        QTest::newRow("fonts: between the parts")
            << QStringList{"Operazione=2", "ChkTurbo=1"} << qint64(1376257) << 0.0 << 30.0;
    }
    void closingTheWindowEndsEverythingAtOnce()
    {
        QFETCH(QStringList, stored);
        QFETCH(qint64, length);
        QFETCH(double, lineRate);
        QFETCH(double, closeAt);
        Bench bench;
        for (const QString& kv : stored)
            bench.home.store(kv.section('=', 0, 0), kv.section('=', 1));
        CARICA& w = bench.load();
        bench.downloadPort->setLineRate(lineRate);
        w.ShowFile->setText(bench.home.file("F.BIN", patternBytes(length)));
        bench.clock.at(closeAt, [&] { w.close(); });
        w.StartTrasm->click();
        bench.clock.run(120);
        QVERIFY(lifetime::ending());
        for (const auto& write : bench.downloadPort->writes)
            QVERIFY2(write.time <= closeAt, "nothing is sent after the end");
        QVERIFY(!bench.downloadPort->portOpen());
        QVERIFY(!w.engine().files().sourceOpen());
        QVERIFY(!w.Timer1().isEnabled());
        QVERIFY(bench.messages.shown.isEmpty());
    }

    void closingTheWindowDuringTheReleaseCheck()
    {
        Bench bench;
        CARICA& w = bench.load();
        w.ShowFile->setText(bench.home.file("FW.BIN", "Release: 1\0"));
        bench.clock.at(0.2, [&] { w.close(); });
        w.cmdCheckRelease->click();
        QVERIFY(bench.messages.shown.isEmpty());
        QVERIFY(!bench.mainPort->portOpen());
        QCOMPARE(bench.mainPort->writes.size(), 1); // the handshake; no query after the end
    }
};

QTEST_MAIN(TstDownloadCommand)
#include "tst_download_command.moc"
