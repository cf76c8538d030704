#include "app/main_window.h"
#include "core/download/download.h"
#include "app/interrogation_window.h"
#include "app/twips.h"
#include "tests/support/test_env.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {
// The printer's replies to the handshake and the three queries.
void answering(FakeSerialControl& port, const QByteArray& model = "PX-9\r", const QByteArray& release = "1.05\r",
               const QByteArray& flash = "F 4M\r")
{
    port.answer("!0", {{"?", 0.05}});
    port.answer("?54&10\r\n", {{model, 0.1}});
    port.answer("?54&4\r\n", {{release, 0.1}});
    port.answer("?54&12\r\n", {{flash, 0.1}});
}
} // namespace

class TstInterrogation : public QObject
{
    Q_OBJECT
private slots:
    void opening_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<bool>("opens");
        QTest::addColumn<QString>("message");
        QTest::newRow("a serial port: opens") << "serial" << true << "";
        QTest::newRow("LPT1: refused with a message")
            << "lpt1" << false << "Selezionare un porta COM seriale / Interrogazioni Stampante";
        QTest::newRow("during a download: nothing") << "download" << false << "";
    }
    void opening()
    {
        QFETCH(QString, situation);
        QFETCH(bool, opens);
        QFETCH(QString, message);
        Bench bench;
        bench.home.store("Porta", situation == "lpt1" ? "10" : "2");
        bench.home.store("BaudRate", "3");
        bench.home.store("Parity", "1");
        CARICA& w = bench.load();
        w.move(50, 60);
        frmPrTest& dlg = w.interrogationWindow();
        if (situation == "download") {
            w.ShowFile->setText(bench.home.file("F.BIN", patternBytes(100)));
            bench.clock.at(1, [&] { w.mnuInterroga->trigger(); });
            w.StartTrasm->click();
            QVERIFY(!dlg.isVisible());
            return;
        }
        w.mnuInterroga->trigger();
        QCOMPARE(dlg.isVisible(), opens);
        QStringList shown;
        for (const auto& m : bench.messages.shown)
            shown << m.text + " / " + m.title;
        QCOMPARE(shown.join('|'), message);
        if (!opens)
            return;
        QVERIFY(dlg.isModal());
        const int offset = twipsToPixels(300, dlg.logicalDpiX());
        QCOMPARE(dlg.pos(), w.pos() + QPoint(offset, offset));
        QCOMPARE(bench.testPort->commPort(), 3);
        QCOMPARE(bench.testPort->settings(), QStringLiteral("19200,E,8,1"));
        QVERIFY(!bench.testPort->portOpen());
        // Already shown: a second command changes nothing.
        dlg.move(0, 0);
        w.mnuInterroga->trigger();
        QCOMPARE(dlg.pos(), QPoint(0, 0));
    }

    void texts_data()
    {
        QTest::addColumn<QString>("lingua");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("Italian") << "1000"
                                 << QStringList{
                                        " Interroga Stampante", "Modello:", "Versione FW:", "FLASH:", "TEST", "Quit"};
        QTest::newRow("English") << "2000"
                                 << QStringList{
                                        " Interroga Stampante", "Model:", "FW Release:", "FLASH:", "TEST", "Quit"};
    }
    void texts()
    {
        QFETCH(QString, lingua);
        QFETCH(QStringList, texts);
        Bench bench;
        bench.home.store("Lingua", lingua);
        CARICA& w = bench.load();
        w.mnuInterroga->trigger();
        frmPrTest& d = w.interrogationWindow();
        QCOMPARE((QStringList{d.windowTitle(), d.lblModel->text(), d.lblRelease->text(), d.lblFlash->text(),
                              d.cmdTest->text(), d.cmdEsci->text()}),
                 texts);
    }

    void aFullRun()
    {
        Bench bench;
        CARICA& w = bench.load();
        w.mnuInterroga->trigger();
        frmPrTest& d = w.interrogationWindow();
        answering(*bench.testPort);
        bool runningMid = false;
        Qt::CursorShape cursorMid = Qt::ArrowCursor;
        bench.clock.at(0.5, [&] {
            runningMid = d.TestRunning();
            cursorMid = d.cursor().shape();
        });
        d.cmdTest->click();
        QCOMPARE(d.txtModel->text(), QStringLiteral("PX-9"));
        QCOMPARE(d.txtRelease->text(), QStringLiteral("1.05"));
        QCOMPARE(d.txtFlash->text(), QStringLiteral("F 4M"));
        const auto& writes = bench.testPort->writes;
        QCOMPARE(writes.size(), 4);
        const QList<QByteArray> sent = {"!0", "?54&10\r\n", "?54&4\r\n", "?54&12\r\n"};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(writes[i].data, sent[i]);
            QVERIFY(qAbs(writes[i].time - 0.4 * i) < 1e-9);
        }
        QVERIFY(qAbs(bench.testPort->closings.value(0) - 1.6) < 1e-9);
        QVERIFY(runningMid);
        QCOMPARE(cursorMid, Qt::WaitCursor);
        QVERIFY(!d.TestRunning());
        QCOMPARE(d.cursor().shape(), Qt::ArrowCursor);
        QVERIFY(bench.messages.shown.isEmpty());
    }

    void replies_data()
    {
        QTest::addColumn<QByteArray>("model");
        QTest::addColumn<QString>("shown");
        QTest::newRow("no reply") << QByteArray() << "??????";
        QTest::newRow("one character: an empty box") << QByteArray("\r") << "";
        QTest::newRow("any bytes") << QByteArray("\x01\xff\r", 3) << QString::fromLatin1("\x01\xff");
        // A text box holds 32767 characters: a reply of a megabyte is cut there, nothing worse.
        QTest::newRow("a huge reply") << QByteArray(1 << 20, 'h') + '\r' << QString(32767, 'h');
    }
    void replies()
    {
        QFETCH(QByteArray, model);
        QFETCH(QString, shown);
        Bench bench;
        CARICA& w = bench.load();
        w.mnuInterroga->trigger();
        frmPrTest& d = w.interrogationWindow();
        answering(*bench.testPort);
        bench.testPort->answer("?54&10\r\n", model.isEmpty() ? QList<FakeSerialControl::Reply>{}
                                                             : QList<FakeSerialControl::Reply>{{model, 0.1}});
        d.cmdTest->click();
        QCOMPARE(d.txtModel->text(), shown);
        QCOMPARE(d.txtRelease->text(), QStringLiteral("1.05"));
    }

    void lateCharactersLeadTheNextReply()
    {
        Bench bench;
        CARICA& w = bench.load();
        w.mnuInterroga->trigger();
        frmPrTest& d = w.interrogationWindow();
        answering(*bench.testPort);
        bench.testPort->answer("?54&10\r\n", {{"PX", 0.1}, {"-9\r", 0.5}}); // the tail comes after the wait
        d.cmdTest->click();
        QCOMPARE(d.txtModel->text(), QStringLiteral("P"));
        QCOMPARE(d.txtRelease->text(), QStringLiteral("-9\r1.05"));
    }

    void noHandshakeNoQueries()
    {
        Bench bench;
        bench.home.store("Lingua", "2000");
        CARICA& w = bench.load();
        w.mnuInterroga->trigger();
        frmPrTest& d = w.interrogationWindow();
        d.cmdTest->click();
        QCOMPARE(bench.testPort->writes.size(), 1);
        QCOMPARE(bench.messages.shown.value(0).text, QStringLiteral("WARNING: printer OFF-Line"));
        QCOMPARE(bench.messages.shown.value(0).title, QStringLiteral("Printer Interrogations"));
        QVERIFY(d.txtModel->text().isEmpty() && d.txtFlash->text().isEmpty());
        QVERIFY(!bench.testPort->portOpen());
    }

    void aHeldPortIsReportedAndTriedAgain()
    {
        Bench bench;
        CARICA& w = bench.load();
        w.mnuInterroga->trigger();
        frmPrTest& d = w.interrogationWindow();
        bench.testPort->refuseOpen(true);
        d.cmdTest->click();
        QCOMPARE(bench.messages.shown.value(0).title, QStringLiteral("Porta"));
        QCOMPARE(d.cursor().shape(), Qt::ArrowCursor);
        QVERIFY(!d.TestRunning());
        bench.testPort->refuseOpen(false);
        answering(*bench.testPort);
        d.cmdTest->click();
        QCOMPARE(d.txtFlash->text(), QStringLiteral("F 4M"));
    }

    void quitAndCloseAreIgnoredDuringARun()
    {
        Bench bench;
        CARICA& w = bench.load();
        w.mnuInterroga->trigger();
        frmPrTest& d = w.interrogationWindow();
        answering(*bench.testPort);
        bench.clock.at(0.3, [&] { d.cmdEsci->click(); });
        bench.clock.at(0.7, [&] { d.close(); });
        bench.clock.at(0.9, [&] { d.cmdTest->click(); }); // a second TEST inside a wait
        d.cmdTest->click();
        QVERIFY(d.isVisible());
        QCOMPARE(bench.testPort->writes.size(), 4);
        QCOMPARE(d.txtFlash->text(), QStringLiteral("F 4M"));
        d.cmdEsci->click();
        QVERIFY(!d.isVisible());
        // Opened again: loaded afresh.
        w.mnuInterroga->trigger();
        QVERIFY(d.isVisible());
        QVERIFY(d.txtModel->text().isEmpty());
    }
};

QTEST_MAIN(TstInterrogation)
#include "tst_interrogation.moc"
