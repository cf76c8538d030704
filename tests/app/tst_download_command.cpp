#include "app/main_window.h"
#include "app/progress_dialog.h"
#include "app/twips.h"
#include "app/vb_controls.h"
#include "core/download/download.h"
#include "core/platform/clock.h"
#include "core/platform/lifetime.h"
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

class TstDownloadCommand : public QObject
{
    Q_OBJECT
private slots:
    // The window's part of a download; the core's tests cover the rest.
    void aRejectedFileEmptiesTheFileBox()
    {
        Bench bench;
        CARICA& w = bench.load();
        w.ShowFile->setText(bench.home.path() + "/NOPE.BIN");
        w.StartTrasm->click();
        QVERIFY(w.ShowFile->text().isEmpty());
    }

    // The checksum pass does not yield: its caption must have been drawn before it.
    void theChecksumCaptionIsDrawnBeforeThePass()
    {
        Bench bench;
        bench.home.store("Check", "1");
        CARICA& w = bench.load();
        w.ShowFile->setText(bench.home.file("F.BIN", "A"));
        PaintRecorder status(w.calcolo().Label1);
        w.StartTrasm->click();
        QVERIFY(status.painted.contains("CALCOLO CHECKSUM IN CORSO..."));
        QCOMPARE(bench.downloadPort->writes.value(0).data, QByteArray("?Z3&1,65\n"));
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
        bench.home.store(stored);
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
