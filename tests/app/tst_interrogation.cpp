#include "app/interrogation_window.h"
#include "app/main_window.h"
#include "app/twips.h"
#include "core/download/download.h"
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

    // A text box holds 32767 characters: a reply of a megabyte is cut there, nothing worse.
    void aHugeReplyIsCutByTheBox()
    {
        Bench bench;
        CARICA& w = bench.load();
        w.mnuInterroga->trigger();
        frmPrTest& d = w.interrogationWindow();
        answering(*bench.testPort, QByteArray(1 << 20, 'h') + '\r');
        d.cmdTest->click();
        QCOMPARE(d.txtModel->text(), QString(32767, 'h'));
        QCOMPARE(d.txtFlash->text(), QStringLiteral("F 4M"));
    }

    void quitAndCloseAreIgnoredDuringARun()
    {
        Bench bench;
        CARICA& w = bench.load();
        w.mnuInterroga->trigger();
        frmPrTest& d = w.interrogationWindow();
        answering(*bench.testPort);
        Qt::CursorShape cursorMid = Qt::ArrowCursor;
        bench.clock.at(0.3, [&] {
            cursorMid = d.cursor().shape();
            d.cmdEsci->click();
        });
        bench.clock.at(0.7, [&] { d.close(); });
        bench.clock.at(0.9, [&] { d.cmdTest->click(); }); // a second TEST inside a wait
        d.cmdTest->click();
        QVERIFY(d.isVisible());
        QCOMPARE(bench.testPort->writes.size(), 4);
        QCOMPARE(d.txtFlash->text(), QStringLiteral("F 4M"));
        QCOMPARE(cursorMid, Qt::WaitCursor);
        QCOMPARE(d.cursor().shape(), Qt::ArrowCursor);
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
