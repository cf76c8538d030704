#include "app/interrogation_window.h"
#include "app/main_window.h"
#include "app/progress_dialog.h"
#include "app/selection_reactions.h"
#include "app/twips.h"
#include "app/vb_controls.h"
#include "core/download/download.h"
#include "core/download/stored_choices.h"
#include "core/platform/lifetime.h"
#include "tests/support/test_env.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace {

QString box(const QComboBox* b)
{
    return b->currentIndex() < 0 ? QStringLiteral("<none>") : b->currentText();
}

// What start-up, the menus and the reactions decide, as name=value: every named control's caption, the
// boxes' values, and a few states.
QMap<QString, QString> snapshot(CARICA& w, const GlobVar& g)
{
    QMap<QString, QString> s;
    for (QObject* o : w.findChildren<QObject*>()) {
        const QVariant caption = o->property("title").isValid() ? o->property("title") : o->property("text");
        if (!o->objectName().isEmpty() && caption.isValid())
            s[o->objectName()] = caption.toString();
    }
    QStringList items, greyed, fixed;
    for (int i = 0; i < w.Parita->count(); ++i)
        items << w.Parita->itemText(i);
    for (QWidget* c : std::initializer_list<QWidget*>{w.Baud, w.Parita, w.BitDati, w.BitStop, w.LabelBaud, w.LabelStop})
        greyed << (c->isEnabled() ? "" : c->objectName());
    for (QObject* o :
         std::initializer_list<QObject*>{&w, w.LabelBaud, w.cmdExit, w.StartTrasm, w.Frame1, w.Frame4, w.chkCheckSum,
                                         w.chkTurbo, w.mnuDefault, w.mnuItaliano, w.mnuInglese})
        fixed << o->property(o == &w ? "windowTitle" : o->property("title").isValid() ? "title" : "text").toString();
    for (auto [name, b] : {std::pair{"Porta", w.Porta},
                           {"Baud", w.Baud},
                           {"Parita", w.Parita},
                           {"BitDati", w.BitDati},
                           {"BitStop", w.BitStop}})
        s[name] = box(b);
    s["Parita.items"] = items.join('|');
    s["greyed"] = greyed.join("");
    s["fixed"] = fixed.join('|');
    s["operation"] = QString::number(w.SelOperazione[0]->isChecked()   ? 0
                                     : w.SelOperazione[1]->isChecked() ? 1
                                     : w.SelOperazione[2]->isChecked() ? 2
                                                                       : -1);
    s["boot"] = w.SelBoot[0]->isChecked() ? "board" : w.SelBoot[1]->isChecked() ? "ram" : "none";
    s["check"] = QString::number(vb::checkValue(*w.chkCheckSum)) + (w.chkCheckSum->isEnabled() ? "" : " greyed");
    s["turbo"] = QString::number(vb::checkValue(*w.chkTurbo));
    s["release"] = w.cmdCheckRelease->isEnabled() ? "enabled" : "greyed";
    s["menu"] = QStringLiteral("%1%2 %3")
                    .arg(w.mnuItaliano->isChecked() ? "It" : "", w.mnuInglese->isChecked() ? "En" : "")
                    .arg(g.LanguageBase);
    return s;
}

// `expected` is "name=value" entries separated by ';'.
void expectShown(CARICA& w, const GlobVar& g, const QString& expected)
{
    const auto shot = snapshot(w, g);
    for (const QString& e : expected.split(';', Qt::SkipEmptyParts)) {
        const QString key = e.section('=', 0, 0), value = e.section('=', 1);
        QVERIFY2(shot.contains(key), qPrintable("no such entry " + key));
        QVERIFY2(shot.value(key) == value,
                 qPrintable(key + ": got \"" + shot.value(key) + "\", want \"" + value + "\""));
    }
}

} // namespace

class TstWindow : public QObject
{
    Q_OBJECT
private slots:
    void startUp_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("expected");
        auto row = [](const char* name, const char* stored, const char* expected) {
            QTest::newRow(name) << stored << expected;
        };
        row("empty store: built-in defaults in Italian", "",
            "Porta=COM1;Baud=4800;Parita=Nessuna;BitDati=8;BitStop=1;operation=0;boot=board;check=0;turbo=0;ShowFile=;"
            "release=enabled;menu=It 1000;greyed=;LabelPorta=Porta;LabelParita=Parità;LabelDati=Bit DATI;LabelStop=Bit "
            "STOP;"
            "mnuLoadDefault=Carica Default;mnuFactory=Impostazioni di fabbrica;cmdCheckRelease=Controllo versioni "
            "firmware;"
            "frmChkRel=Controllo FW;ButSfoglia=Sfoglia...;Parita.items=Nessuna|Pari|Dispari;Panel1= Corvane s.p.a. ;"
            "Panel3=Release #   2.2.2007;"
            "fixed= Download|BAUD:|&EXIT|&DOWNLOAD|Download|File|CheckSum|Turbo|&Default...|&Italiano|&English");
        row("Porta 10 selects LPT1 and greys the line parameters", "Porta=10",
            "Porta=LPT1;greyed=BaudParitaBitDatiBitStopLabelBaudLabelStop;Baud=4800");
        row("Porta 11 leaves no port; later steps still run", "Porta=11 BaudRate=3", "Porta=<none>;Baud=19200;greyed=");
        row("unusable numbers leave their boxes as earlier steps left them", "BaudRate=abc Parity=7 DataBit= StopBit=2",
            "Baud=<none>;Parita=Nessuna;BitDati=<none>;BitStop=<none>");
        // The boot step after the operation runs the board's reaction, which enables the box again.
        row("FONT ESTERNI keeps the stored path", "Operazione=2 File=/tmp/fonts/A.SHC Check=1",
            "operation=2;ShowFile=/tmp/fonts/A.SHC;check=1;release=greyed");
        row("unusable stored choices leave the defaults", "Operazione=5 Boot0=maybe Check=3",
            "operation=0;boot=board;check=0");
        row("Boot0 False selects the RAM card, which undoes a stored check", "Boot0=False Check=1",
            "boot=ram;check=0 greyed");
        row("Boot0 7 selects the board; Check 2 greys the box; Turbo on", "Boot0=7 Check=2 ChkTurbo=1",
            "boot=board;check=2;turbo=1");
        row("English", "Lingua=2000",
            "menu=En 2000;SelOperazione1=STANDARD FONTS;Frame2=BOOT selection;SelBoot0=from BOARD;"
            "Frame3=Transmission parameters;LabelPorta=Port;LabelParita=Parity;Parita=None;LabelDati=DATA Bit;"
            "LabelStop=STOP Bit;mnuLoadDefault=Restore Default;mnuSaveDefault=Save as Default;mnuFactory=Factory "
            "settings;"
            "mnuInterroga=Printer &Test...;mnuLingua=&Language;cmdCheckRelease=Check firmware releases;frmChkRel=FW "
            "check;"
            "ButSfoglia=Browse...;lblFwFile=BIN file:;lblFwBoard=Fw on board:");
        row("Lingua 3000: no check mark, created captions, start-up goes on", "Lingua=3000 Porta=2",
            "menu= 3000;SelOperazione0=FIRMWARE;Frame3=Parametri di trasmissione;LabelPorta=Porta:;LabelStop=Bit STOP:;"
            "mnuLoadDefault=&Carica Default;cmdCheckRelease=Controlla versioni "
            "firmware;ButSfoglia=&Browse...;Porta=COM3;"
            "Parita=Nessuna;Parita.items=Nessuna|Pari|Dispari;Panel3=Release #   2.2.2007");
        // Each caption takes the text one number further on until the first number the table lacks (1006).
        row("Lingua 1001 shifts captions until the first missing number", "Lingua=1001",
            "SelOperazione0=FONT STANDARD;SelOperazione1=FONT ESTERNI;SelOperazione2=Selezione BOOT;Frame2=Boot da "
            "SCHEDA;"
            "SelBoot0=Boot da RAMCARD;SelBoot1=Boot da RAMCARD;Frame3=Parametri di trasmissione;menu= 1001");
        row("Lingua 1130: the program's own messages are no captions", "Lingua=1130",
            "SelOperazione0=FIRMWARE;menu= 1130");
        row("Lingua that is not a number leaves the language unset", "Lingua=it",
            "menu= 0;SelOperazione0=FIRMWARE;LabelPorta=Porta:;Porta=COM1");
    }
    void startUp()
    {
        QFETCH(QString, stored);
        QFETCH(QString, expected);
        Bench bench;
        bench.home.store(stored.split(' ', Qt::SkipEmptyParts));
        CARICA& w = bench.load();
        expectShown(w, bench.state, expected);
        // The command line reads the same choices as the window shows after start-up.
        const StoredChoices c = readStoredChoices();
        const LinkChoice l = linkChoice({w.Porta, w.Baud, w.Parita, w.BitDati, w.BitStop});
        const auto shot = snapshot(w, bench.state);
        QCOMPARE((QList<int>{c.link.portIndex, c.link.baud, c.link.parity, c.link.dataBits, c.link.stopBits,
                             c.request.operation, c.request.board, c.request.checkValue, c.turbo, c.language}),
                 (QList<int>{l.portIndex, l.baud, l.parity, l.dataBits, l.stopBits, shot["operation"].toInt(),
                             w.SelBoot[0]->isChecked(), vb::checkValue(*w.chkCheckSum), vb::checkValue(*w.chkTurbo),
                             bench.state.LanguageBase}));
        QCOMPARE(c.link.port + c.request.path, l.port + w.ShowFile->text());
        QVERIFY(!w.Timer1().isEnabled() && !w.MSComm1().portOpen() && bench.messages.shown.isEmpty());
    }

    void menus()
    {
        Bench bench;
        CARICA& w = bench.load();
        w.Parita->setCurrentIndex(2);
        w.mnuInglese->trigger(); // stored and applied at once
        QCOMPARE(bench.home.stored("Lingua"), QStringLiteral("2000"));
        expectShown(w, bench.state, "menu=En 2000;Parita=Odd;LabelPorta=Port");
        w.mnuItaliano->trigger();
        w.mnuItaliano->trigger(); // the active language again: same result, not a toggle
        expectShown(w, bench.state, "menu=It 1000;Parita=Dispari;LabelPorta=Porta");
        // Save, change everything, load: back as saved. No selection saves as -1.
        for (auto [b, i] : {std::pair{w.Porta, 3}, {w.Baud, 5}, {w.Parita, -1}, {w.BitDati, 1}, {w.BitStop, 1}})
            vb::setListIndex(*b, i);
        w.SelOperazione[2]->click();
        vb::setCheckValue(*w.chkTurbo, 1);
        w.ShowFile->setText(QStringLiteral("/srv/fonts/EXT.SHC"));
        w.mnuSaveDefault->trigger();
        QCOMPARE(bench.home.storedKeys().size(), 11);
        QCOMPARE(
            QStringList({bench.home.stored("Operazione"), bench.home.stored("Boot0"), bench.home.stored("Parity")}),
            QStringList({"2", "True", "-1"}));
        auto saved = snapshot(w, bench.state);
        for (auto b : {w.Porta, w.Baud, w.Parita, w.BitDati, w.BitStop})
            vb::setListIndex(*b, 0);
        w.SelOperazione[0]->click();
        w.SelBoot[1]->click();
        vb::setCheckValue(*w.chkTurbo, 0);
        w.mnuLoadDefault->trigger();
        auto loaded = snapshot(w, bench.state);
        saved.remove("check"), loaded.remove("check"); // whether the box is enabled follows the reactions
        QCOMPARE(loaded, saved);
        // A factory reset in English comes back Italian, with nothing stored.
        w.mnuInglese->trigger();
        w.txtFwFile->setText(QStringLiteral("1.05"));
        w.mnuFactory->trigger();
        QVERIFY(bench.home.storedKeys().isEmpty());
        expectShown(w, bench.state,
                    "menu=It 1000;LabelPorta=Porta;Porta=COM1;greyed=;ShowFile=;Panel3=Release #   2.2.2007");
        QVERIFY(w.txtFwFile->text().isEmpty() && !lifetime::ending());
    }

    void linkControls()
    {
        Bench bench;
        bench.home.store({"BaudRate=3", "Parity=2", "Porta=10"});
        CARICA& w = bench.load();
        w.show();
        QVERIFY(!w.LabelParita->isEnabled() && !w.LabelDati->isEnabled() && w.LabelPorta->isEnabled());
        w.Porta->setCurrentIndex(1); // COM2, chosen as an assistive technology does: no pick
        expectShown(w, bench.state, "greyed=;Baud=19200;Parita=Dispari");
        QVERIFY(w.LabelParita->isEnabled());
        // A character locks a box and changes nothing; arrows then do nothing there, but pick in the open list.
        for (char key : {'9', 'c', ' '})
            QTest::keyClick(w.Baud, key);
        QTest::keyClick(w.Baud, Qt::Key_Down);
        QVERIFY(w.Baud->locked() && !w.Parita->locked());
        QCOMPARE(box(w.Baud), QStringLiteral("19200"));
        w.BitDati->showPopup();
        QTest::keyClick(w.BitDati->view(), '3');
        QVERIFY(w.BitDati->locked());
        QTest::keyClick(w.BitDati->view(), Qt::Key_Down);
        QTest::keyClick(w.BitDati->view(), Qt::Key_Return);
        QCOMPARE(box(w.BitDati), QStringLiteral("7"));
        w.Baud->showPopup(); // opening the list unlocks
        QVERIFY(!w.Baud->locked());
        w.Baud->hidePopup();
        // Arrows in an unlocked box pick, and the link reaction runs.
        vb::setListIndex(*w.Porta, 9);
        QTest::keyClick(w.Porta, Qt::Key_Down);
        QVERIFY(!w.Porta->locked() && !w.Baud->isEnabled());
        QTest::keyClick(w.Porta, Qt::Key_Up);
        QVERIFY(w.Baud->isEnabled());
        // During a download a locked box stays locked; one never locked stays usable.
        QTest::keyClick(w.BitDati, 'x');
        w.ShowFile->setText(bench.home.file("F.BIN", patternBytes(4000)));
        bool lockedDuring = false, unlockedDuring = false;
        bench.clock.at(2, [&] {
            w.BitDati->showPopup();
            lockedDuring = w.BitDati->locked();
            w.Parita->showPopup();
            unlockedDuring = !w.Parita->locked();
            w.Parita->hidePopup();
        });
        w.StartTrasm->click();
        QVERIFY(lockedDuring && unlockedDuring);
    }

    void reactions_data()
    {
        QTest::addColumn<QStringList>("clicks"); // "op0".."op2", "board", "ram", "check"
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("assistive"); // toggled through the accessibility interface
        for (const bool assistive : {false, true}) {
            auto row = [&](const char* name, const QStringList& clicks, const char* expected) {
                QTest::addRow("%s%s", name, assistive ? " (assistive)" : "") << clicks << expected << assistive;
            };
            row("standard fonts with the RAM card", {"check", "ram", "op1"}, "check=0 greyed;release=greyed");
            row("external fonts with the board", {"check", "op2"}, "check=0 greyed;release=greyed");
            // Toggling the option already selected changes nothing, so nothing reacts.
            row("then the board again", {"check", "op2", "board"}, assistive ? "check=0 greyed" : "check=0");
            row("firmware after external fonts: enabled, unchecked", {"check", "op2", "op0"},
                "check=0;release=enabled");
            row("standard fonts keep the check", {"check", "op1"}, "check=1;release=greyed");
            row("no check while the RAM card is the source", {"ram", "check"}, "check=0 greyed;release=enabled");
        }
    }
    void reactions()
    {
        QFETCH(QStringList, clicks);
        QFETCH(QString, expected);
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
        // A chosen operation empties the path, even when it is chosen again.
        expectShown(w, bench.state, expected + (clicks.last().startsWith("op") ? ";ShowFile=" : ";ShowFile=/x/F.BIN"));
    }

    void browsing()
    {
        const QList<std::pair<QString, QString>> folders = {{"/srv/FW/MAIN.BIN", "/srv/FW"},
                                                            {"/srv/fw/main.bin", "/srv/fw"},
                                                            {"/srv/FONTS/A.SHF", "/srv/FONTS/A.SHF"},
                                                            {"MAIN.BIN", "<keep>"},
                                                            {"", "<keep>"}};
        for (const auto& [showFile, folder] : folders)
            QCOMPARE(initialFolder(showFile).value_or("<keep>"), folder);
        Bench bench;
        CARICA& w = bench.load();
        w.ShowFile->setText(QStringLiteral("/fw/MAIN.BIN"));
        bench.fileDialog.answers << QStringLiteral("/fw2/new.bin");
        w.ButSfoglia->click();
        QCOMPARE(w.ShowFile->text(), QStringLiteral("/fw2/new.bin")); // as chosen: case names another file here
        w.ButSfoglia->click();                                        // cancelled: nothing changes
        QCOMPARE(w.ShowFile->text(), QStringLiteral("/fw2/new.bin"));
        w.SelOperazione[1]->click();
        bench.fileDialog.answers << QStringLiteral("/fonts/a.shf");
        w.ButSfoglia->click();
        w.SelOperazione[2]->click(); // empties the path; the dialog keeps the folder
        w.ButSfoglia->click();
        w.mnuFactory->trigger(); // the window as created remembers no folder
        w.ButSfoglia->click();
        QCOMPARE(bench.fileDialog.calls, QStringList({"Apri File... /fw Download Firmware (*.BIN)|*.BIN",
                                                      "Apri File... /fw2 Download Firmware (*.BIN)|*.BIN",
                                                      "Apri File... /fw2 Download FONT (*.SHF)|*.SHF",
                                                      "Apri File... /fonts/ Download FONT ESTERNI (*.SHC)|*.SHC",
                                                      "Apri File...  Download Firmware (*.BIN)|*.BIN"}));
        // A chosen file downloads as chosen; no browsing while it runs.
        bench.fileDialog.answers << bench.home.file("fw/Mixed.bin", "abcd");
        w.ButSfoglia->click();
        bench.clock.at(1, [&] { w.ButSfoglia->click(); });
        w.StartTrasm->click();
        QCOMPARE(bench.downloadPort->writes.value(0).data, QByteArray("?Z4&4\n"));
        QCOMPARE(bench.fileDialog.calls.size(), 6);
    }

    // The window's part of a download: the dialog, its captions, its place, what closes it.
    void downloadDialog()
    {
        Bench bench;
        bench.home.store("Check", "1");
        CARICA& w = bench.load();
        w.ShowFile->setText(bench.home.path() + "/NOPE.BIN");
        w.StartTrasm->click();
        QVERIFY(w.ShowFile->text().isEmpty()); // a rejected file is no longer offered
        QCOMPARE(bench.messages.said(), QStringLiteral("File vuoto o inesistente !! / Velmora"));
        bench.messages.shown.clear();
        w.move(100, 80);
        w.ShowFile->setText(bench.home.file("F.BIN", "A"));
        Calcolo& dlg = w.calcolo();
        PaintRecorder status(dlg.Label1); // the checksum pass does not yield: its caption is drawn before it
        QStringList during;
        bench.clock.at(3, [&] {
            during << dlg.Label1->text() << dlg.CancelButton->text() << QString::number(dlg.BarraTrasm->maximum())
                   << QString::number(dlg.pos().x() - w.pos().x()) << QString::number(dlg.pos().y() - w.pos().y());
            dlg.CancelButton->click();
        });
        w.StartTrasm->click();
        QVERIFY(status.painted.contains("CALCOLO CHECKSUM IN CORSO..."));
        const QString offset = QString::number(twipsToPixels(600, dlg.logicalDpiX()));
        QCOMPARE(during, QStringList({"TRASMISSIONE IN CORSO...", "Annulla", "1", offset, offset}));
        QCOMPARE(bench.downloadPort->allBytes(), QByteArray("?Z3&1,65\n"));
        QVERIFY(!dlg.isVisible() && !w.engine().busy() && !bench.downloadPort->portOpen() && !w.Timer1().isEnabled());
        // The next download gets a fresh dialog, placed from where the window is now; its close box aborts.
        w.move(300, 200);
        vb::setCheckValue(*w.chkCheckSum, 0);
        w.ShowFile->setText(bench.home.file("G.BIN", patternBytes(1000)));
        during.clear();
        bench.clock.at(bench.clock.now() + 8.1, [&] {
            during << QString::number(dlg.pos().x() - w.pos().x()) << QString::number(dlg.BarraTrasm->value());
            dlg.close();
        });
        w.StartTrasm->click();
        bench.clock.run(60);
        QCOMPARE(during, QStringList({offset, "320"}));
        QCOMPARE(bench.downloadPort->bytesWritten(), qint64(9 + 9 + 5 * 64));
        QVERIFY(!w.engine().busy() && bench.messages.shown.isEmpty());
        // A factory reset in a transfer ends it as Annulla does, and the rebuilt window works.
        w.ShowFile->setText(bench.home.file("H.BIN", patternBytes(20000)));
        bench.clock.at(bench.clock.now() + 8.1, [&] { w.mnuFactory->trigger(); });
        w.StartTrasm->click();
        bench.clock.run(60);
        QVERIFY(!w.engine().busy() && !w.engine().files().sourceOpen() && bench.messages.shown.isEmpty());
        w.ShowFile->setText(bench.home.file("I.BIN", "xy"));
        w.StartTrasm->click();
        bench.clock.run(60);
        QCOMPARE(bench.messages.said(), QStringLiteral("Spegnere e riaccendere la stampante / Download terminato."));
    }

    // Closing the window in a wait of the download or the release check ends everything at once.
    void closingTheWindow()
    {
        for (const double closeAt : {4.0, 0.2}) {
            Bench bench;
            CARICA& w = bench.load();
            w.ShowFile->setText(
                bench.home.file("F.BIN", closeAt < 1 ? QByteArray("Release: 1\0", 11) : patternBytes(5000)));
            bench.clock.at(closeAt, [&] { w.close(); });
            (closeAt < 1 ? w.cmdCheckRelease : w.StartTrasm)->click();
            bench.clock.run(120);
            QVERIFY(lifetime::ending() && bench.messages.shown.isEmpty());
            for (const auto* port : {bench.downloadPort, bench.mainPort})
                QVERIFY(!port->portOpen() && (port->writes.isEmpty() || port->writes.last().time <= closeAt));
            QVERIFY(!w.engine().files().sourceOpen() && !w.Timer1().isEnabled());
        }
    }

    // The release check in the window: the boxes, the wait cursor, the search caption drawn before the search.
    void releaseCheck()
    {
        Bench bench;
        bench.home.store("Lingua", "2000");
        CARICA& w = bench.load();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.cmdCheckRelease->click(); // no path: nothing at all
        w.ShowFile->setText(bench.home.file("FW.BIN", QByteArray("MZ Release: 1.05\0", 17)));
        bench.mainPort->answer("!0", {{"K", 0.05}});
        bench.mainPort->answer("?54&4\r\n", {{"1.07\r", 0.1}});
        PaintRecorder button(w.cmdCheckRelease);
        Qt::CursorShape during = Qt::ArrowCursor;
        bench.clock.at(0.2, [&] { during = w.cursor().shape(); });
        w.cmdCheckRelease->click();
        QCOMPARE(w.txtFwFile->text() + '|' + w.txtFwBoard->text(), QStringLiteral("1.05|1.07"));
        QVERIFY(button.painted.contains("Searching into BIN file..."));
        QCOMPARE(w.cmdCheckRelease->text(), QStringLiteral("Check firmware releases"));
        QCOMPARE(during, Qt::WaitCursor);
        QCOMPARE(w.cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(bench.mainPort->openings, 1);
        w.SelOperazione[1]->click(); // fonts: nothing, even if the button could be clicked
        w.ShowFile->setText(bench.home.file("F.SHF", "Release: 1\0"));
        w.cmdCheckRelease->setEnabled(true);
        w.cmdCheckRelease->click();
        QVERIFY(bench.mainPort->openings == 1 && bench.messages.shown.isEmpty());
    }

    void interrogationWindow_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown"); // the window's texts; "" when it does not open
        QTest::addColumn<QString>("message");
        auto row = [](const char* name, const char* stored, const char* shown, const char* message = "") {
            QTest::newRow(name) << stored << shown << message;
        };
        row("a serial port: opens", "Porta=2", " Interroga Stampante|Modello:|Versione FW:|FLASH:|TEST|Quit");
        row("English", "Porta=2 Lingua=2000", " Interroga Stampante|Model:|FW Release:|FLASH:|TEST|Quit");
        row("LPT1: refused with a message", "Porta=10", "",
            "Selezionare un porta COM seriale / Interrogazioni Stampante");
        row("during a download: nothing", "Porta=2 download", "");
    }
    void interrogationWindow()
    {
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        QFETCH(QString, message);
        Bench bench;
        bench.home.store(QStringList{"BaudRate=3", "Parity=1"} + stored.remove(" download").split(' '));
        CARICA& w = bench.load();
        w.move(50, 60);
        frmPrTest& d = w.interrogationWindow();
        if (QTest::currentDataTag() == QLatin1String("during a download: nothing")) {
            w.ShowFile->setText(bench.home.file("F.BIN", patternBytes(100)));
            bench.clock.at(1, [&] { w.mnuInterroga->trigger(); });
            w.StartTrasm->click();
        } else {
            w.mnuInterroga->trigger();
        }
        QCOMPARE(bench.messages.said(), message);
        QCOMPARE(d.isVisible() ? QStringList({d.windowTitle(), d.lblModel->text(), d.lblRelease->text(),
                                              d.lblFlash->text(), d.cmdTest->text(), d.cmdEsci->text()})
                                     .join('|')
                               : QString(),
                 shown);
        if (shown.isEmpty())
            return;
        const int offset = twipsToPixels(300, d.logicalDpiX());
        QVERIFY(d.isModal() && d.pos() == w.pos() + QPoint(offset, offset));
        QCOMPARE(bench.testPort->commPort(), 3);
        QCOMPARE(bench.testPort->settings(), QStringLiteral("19200,E,8,1"));
        d.move(0, 0);
        w.mnuInterroga->trigger(); // already shown: nothing changes
        QCOMPARE(d.pos(), QPoint(0, 0));
        // A run: quit and close are ignored meanwhile; a reply of a megabyte is cut by the box.
        bench.testPort->answer("!0", {{"?", 0.05}});
        bench.testPort->answer("?54&10\r\n", {{QByteArray(1 << 20, 'h') + '\r', 0.1}});
        bench.testPort->answer("?54&12\r\n", {{"F 4M\r", 0.1}});
        Qt::CursorShape cursorMid = Qt::ArrowCursor;
        bench.clock.at(0.3, [&] {
            cursorMid = d.cursor().shape();
            d.cmdEsci->click();
        });
        bench.clock.at(0.7, [&] { d.close(); });
        d.cmdTest->click();
        QVERIFY(d.isVisible() && cursorMid == Qt::WaitCursor && d.cursor().shape() == Qt::ArrowCursor);
        QCOMPARE(d.txtModel->text(), QString(32767, 'h'));
        QCOMPARE(d.txtRelease->text() + d.txtFlash->text(), QStringLiteral("??????F 4M"));
        d.cmdEsci->click();
        QVERIFY(!d.isVisible());
        w.mnuInterroga->trigger(); // opened again: loaded afresh
        QVERIFY(d.isVisible() && d.txtModel->text().isEmpty());
    }
};

QTEST_MAIN(TstWindow)
#include "tst_window.moc"
