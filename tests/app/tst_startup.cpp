#include "app/main_window.h"
#include "app/progress_dialog.h"
#include "app/vb_controls.h"
#include "core/download/download.h"
#include "core/download/stored_choices.h"
#include "core/platform/clock.h"
#include "core/platform/lifetime.h"
#include "tests/support/test_env.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace {

QString boxText(const QComboBox* b)
{
    return b->currentIndex() < 0 ? QStringLiteral("<none>") : b->currentText();
}

// The state of the window that the start-up sequence and the menus decide, as name=value.
QMap<QString, QString> snapshot(CARICA& w, const GlobVar& g)
{
    QMap<QString, QString> s;
    auto flag = [](bool b) { return b ? QStringLiteral("true") : QStringLiteral("false"); };
    // Each named control's caption (the title of frames and menus, the text of the others); the
    // values below take the names of the boxes and check boxes.
    for (QObject* o : w.findChildren<QObject*>()) {
        const QVariant title = o->property("title");
        const QVariant caption = title.isValid() ? title : o->property("text");
        if (!o->objectName().isEmpty() && caption.isValid())
            s[o->objectName()] = caption.toString();
    }
    s["Porta"] = boxText(w.Porta);
    s["Baud"] = boxText(w.Baud);
    s["Parita"] = boxText(w.Parita);
    s["Parita.items"] = [&] {
        QStringList items;
        for (int i = 0; i < w.Parita->count(); ++i)
            items << w.Parita->itemText(i);
        return items.join('|');
    }();
    s["BitDati"] = boxText(w.BitDati);
    s["BitStop"] = boxText(w.BitStop);
    s["Baud.enabled"] = flag(w.Baud->isEnabled());
    s["LabelStop.enabled"] = flag(w.LabelStop->isEnabled());
    for (int i = 0; i < 3; ++i)
        if (w.SelOperazione[i]->isChecked())
            s["operation"] = QString::number(i);
    s["boot"] = w.SelBoot[0]->isChecked() ? "0" : w.SelBoot[1]->isChecked() ? "1" : "none";
    s["chkCheckSum"] = QString::number(vb::checkValue(*w.chkCheckSum));
    s["chkCheckSum.enabled"] = flag(w.chkCheckSum->isEnabled());
    s["chkTurbo"] = QString::number(vb::checkValue(*w.chkTurbo));
    s["cmdCheckRelease.enabled"] = flag(w.cmdCheckRelease->isEnabled());
    s["mnuItaliano.checked"] = flag(w.mnuItaliano->isChecked());
    s["mnuInglese.checked"] = flag(w.mnuInglese->isChecked());
    s["LanguageBase"] = QString::number(g.LanguageBase);
    // Texts that never change with the language.
    s["fixed"] = QStringList{w.windowTitle(),       w.LabelBaud->text(),   w.cmdExit->text(),     w.StartTrasm->text(),
                             w.Frame1->title(),     w.Frame4->title(),     w.chkCheckSum->text(), w.chkTurbo->text(),
                             w.mnuDefault->title(), w.mnuItaliano->text(), w.mnuInglese->text()}
                     .join('|');
    return s;
}

const QString kFixed = " Download|BAUD:|&EXIT|&DOWNLOAD|Download|File|CheckSum|Turbo|&Default...|&Italiano|&English";

// Rows give "key=value" lists: what is stored, and what the window must show.
void addRow(const char* name, const QStringList& stored, const QStringList& expected)
{
    QTest::newRow(name) << stored << expected;
}

void compareExpected(const QMap<QString, QString>& shot, const QStringList& expected)
{
    for (const QString& e : expected) {
        const qsizetype eq = e.indexOf('=');
        const QString key = e.left(eq), value = e.mid(eq + 1);
        QVERIFY2(shot.contains(key), qPrintable("no such entry " + key));
        QVERIFY2(shot.value(key) == value,
                 qPrintable(key + ": got \"" + shot.value(key) + "\", want \"" + value + "\""));
    }
}

} // namespace

class TstStartup : public QObject
{
    Q_OBJECT
private slots:
    void startUp_data()
    {
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QStringList>("expected");
        addRow("empty store: built-in defaults in Italian", {},
               {"Porta=COM1",
                "Baud=4800",
                "Parita=Nessuna",
                "BitDati=8",
                "BitStop=1",
                "operation=0",
                "boot=0",
                "chkCheckSum=0",
                "chkCheckSum.enabled=true",
                "chkTurbo=0",
                "ShowFile=",
                "cmdCheckRelease.enabled=true",
                "mnuItaliano.checked=true",
                "mnuInglese.checked=false",
                "LanguageBase=1000",
                "Baud.enabled=true",
                "LabelPorta=Porta",
                "LabelParita=Parità",
                "LabelDati=Bit DATI",
                "LabelStop=Bit STOP",
                "mnuLoadDefault=Carica Default",
                "mnuFactory=Impostazioni di fabbrica",
                "cmdCheckRelease=Controllo versioni firmware",
                "frmChkRel=Controllo FW",
                "ButSfoglia=Sfoglia...",
                "Parita.items=Nessuna|Pari|Dispari",
                "fixed=" + kFixed,
                "Panel1= Corvane s.p.a. ",
                "Panel3=Release #   2.2.2007"});
        addRow("Porta 10 selects LPT1 and greys the line parameters", {"Porta=10"},
               {"Porta=LPT1", "Baud.enabled=false", "LabelStop.enabled=false", "Baud=4800"});
        addRow("Porta 11 leaves no port; later steps still run", {"Porta=11", "BaudRate=3"},
               {"Porta=<none>", "Baud=19200", "Baud.enabled=true", "Panel3=Release #   2.2.2007"});
        addRow("unusable numbers leave their boxes as earlier steps left them",
               {"BaudRate=abc", "Parity=7", "DataBit=", "StopBit=2"},
               {"Baud=<none>", "Parita=Nessuna", "BitDati=<none>", "BitStop=<none>"});
        // The boot step after the operation runs the board's reaction, which enables the box
        // again whatever the operation; the stored check value then applies.
        addRow("FONT ESTERNI keeps the stored path", {"Operazione=2", "File=/tmp/fonts/A.SHC", "Check=1"},
               {"operation=2", "ShowFile=/tmp/fonts/A.SHC", "chkCheckSum=1", "chkCheckSum.enabled=true",
                "cmdCheckRelease.enabled=false"});
        addRow("an operation out of range leaves FIRMWARE", {"Operazione=5"}, {"operation=0"});
        addRow("Boot0 False selects the RAM card", {"Boot0=False"}, {"boot=1", "chkCheckSum.enabled=false"});
        addRow("Boot0 0 selects the RAM card", {"Boot0=0"}, {"boot=1"});
        addRow("Boot0 7 selects the board", {"Boot0=7"}, {"boot=0", "chkCheckSum.enabled=true"});
        addRow("Boot0 of no truth value leaves the board", {"Boot0=maybe"}, {"boot=0"});
        addRow("a stored checksum is undone with the RAM card", {"Boot0=False", "Check=1"}, {"chkCheckSum=0"});
        addRow("Check 2 greys the box", {"Check=2"}, {"chkCheckSum=2"});
        addRow("Check 3 is refused", {"Check=3"}, {"chkCheckSum=0"});
        addRow("Turbo stored on", {"ChkTurbo=1"}, {"chkTurbo=1"});
        addRow("English", {"Lingua=2000"},
               {"mnuItaliano.checked=false",
                "mnuInglese.checked=true",
                "SelOperazione1=STANDARD FONTS",
                "Frame2=BOOT selection",
                "SelBoot0=from BOARD",
                "Frame3=Transmission parameters",
                "LabelPorta=Port",
                "LabelParita=Parity",
                "Parita=None",
                "LabelDati=DATA Bit",
                "LabelStop=STOP Bit",
                "mnuLoadDefault=Restore Default",
                "mnuSaveDefault=Save as Default",
                "mnuFactory=Factory settings",
                "mnuInterroga=Printer &Test...",
                "mnuLingua=&Language",
                "cmdCheckRelease=Check firmware releases",
                "frmChkRel=FW check",
                "ButSfoglia=Browse...",
                "lblFwFile=BIN file:",
                "lblFwBoard=Fw on board:",
                "fixed=" + kFixed});
        addRow("Lingua 3000: no check mark, created captions, start-up goes on", {"Lingua=3000", "Porta=2"},
               {"mnuItaliano.checked=false", "mnuInglese.checked=false", "SelOperazione0=FIRMWARE",
                "Frame3=Parametri di trasmissione",
                "LabelPorta=Porta:", "LabelStop=Bit STOP:", "mnuLoadDefault=&Carica Default",
                "cmdCheckRelease=Controlla versioni firmware", "ButSfoglia=&Browse...", "Porta=COM3", "Parita=Nessuna",
                "Parita.items=Nessuna|Pari|Dispari", "Panel3=Release #   2.2.2007"});
        // Each caption takes the text one number further on until the first number the table
        // lacks: 1001 + 5 = 1006, string 6, so SelBoot(1) and everything after it keep theirs.
        addRow("Lingua 1001 shifts captions until the first missing number", {"Lingua=1001"},
               {"SelOperazione0=FONT STANDARD", "SelOperazione1=FONT ESTERNI", "SelOperazione2=Selezione BOOT",
                "Frame2=Boot da SCHEDA", "SelBoot0=Boot da RAMCARD", "SelBoot1=Boot da RAMCARD",
                "Frame3=Parametri di trasmissione", "LabelPorta=Porta:", "mnuItaliano.checked=false"});
        addRow("Lingua 1130: the program's own messages are no captions", {"Lingua=1130"},
               {"SelOperazione0=FIRMWARE", "mnuItaliano.checked=false"});
        addRow("Lingua that is not a number leaves the language unset", {"Lingua=it"},
               {"LanguageBase=0", "SelOperazione0=FIRMWARE", "LabelPorta=Porta:", "Porta=COM1"});
    }
    void startUp()
    {
        QFETCH(QStringList, stored);
        QFETCH(QStringList, expected);
        Bench bench;
        bench.home.store(stored);
        CARICA& w = bench.load();
        compareExpected(snapshot(w, bench.state), expected);
        // The command line reads the same choices as the window shows after start-up.
        const StoredChoices c = readStoredChoices();
        const LinkChoice l = linkChoice({w.Porta, w.Baud, w.Parita, w.BitDati, w.BitStop});
        int operation = -1;
        for (int i = 0; i < 3; ++i)
            operation = w.SelOperazione[i]->isChecked() ? i : operation;
        QCOMPARE(
            (QList<int>{c.link.portIndex, c.link.baud, c.link.parity, c.link.dataBits, c.link.stopBits,
                        c.request.operation, c.request.board, c.request.checkValue, c.turbo, c.language}),
            (QList<int>{l.portIndex, l.baud, l.parity, l.dataBits, l.stopBits, operation, w.SelBoot[0]->isChecked(),
                        vb::checkValue(*w.chkCheckSum), vb::checkValue(*w.chkTurbo), bench.state.LanguageBase}));
        QCOMPARE(c.link.port + c.request.path, l.port + w.ShowFile->text());
        QVERIFY(!w.Timer1().isEnabled());
        QVERIFY(!w.MSComm1().portOpen());
        QCOMPARE(bench.state.TransferState, qint16(0));
        QVERIFY(bench.messages.shown.isEmpty());
    }

    void languageMenuStoresAndAppliesAtOnce()
    {
        Bench bench;
        CARICA& w = bench.load();
        w.Parita->setCurrentIndex(2);
        w.mnuInglese->trigger();
        QCOMPARE(bench.home.stored("Lingua"), QStringLiteral("2000"));
        compareExpected(snapshot(w, bench.state),
                        {"mnuInglese.checked=true", "mnuItaliano.checked=false", "Parita=Odd", "LabelPorta=Port"});
        w.Parita->setCurrentIndex(-1);
        w.mnuItaliano->trigger();
        QCOMPARE(bench.home.stored("Lingua"), QStringLiteral("1000"));
        compareExpected(snapshot(w, bench.state), {"mnuItaliano.checked=true", "Parita=Nessuna", "LabelPorta=Porta"});
        w.mnuItaliano->trigger(); // the active language again: same result, not a toggle
        QVERIFY(w.mnuItaliano->isChecked());
    }

    void saveChangeLoadRoundTrip()
    {
        Bench bench;
        CARICA& w = bench.load();
        vb::setListIndex(*w.Porta, 3);
        vb::setListIndex(*w.Baud, 5);
        vb::setListIndex(*w.Parita, 2);
        vb::setListIndex(*w.BitDati, 1);
        vb::setListIndex(*w.BitStop, 1);
        w.SelOperazione[2]->click();
        vb::setCheckValue(*w.chkTurbo, 1);
        w.ShowFile->setText(QStringLiteral("/srv/fonts/EXT.SHC"));
        w.mnuSaveDefault->trigger();
        QCOMPARE(bench.home.stored("Operazione"), QStringLiteral("2"));
        QCOMPARE(bench.home.stored("Boot0"), QStringLiteral("True"));
        QCOMPARE(bench.home.stored("Lingua"), QStringLiteral("1000"));
        QCOMPARE(bench.home.storedKeys().size(), 11);
        const auto saved = snapshot(w, bench.state);

        vb::setListIndex(*w.Porta, 0);
        vb::setListIndex(*w.Baud, 0);
        vb::setListIndex(*w.Parita, 0);
        vb::setListIndex(*w.BitDati, 0);
        vb::setListIndex(*w.BitStop, 0);
        w.SelOperazione[0]->click();
        w.SelBoot[1]->click();
        vb::setCheckValue(*w.chkTurbo, 0);
        w.mnuLoadDefault->trigger();
        auto loaded = snapshot(w, bench.state);
        // Whether the box is enabled follows the reactions, not the store.
        loaded.remove("chkCheckSum.enabled");
        auto expected = saved;
        expected.remove("chkCheckSum.enabled");
        QCOMPARE(loaded, expected);
    }

    void noSelectionSavesAsMinusOneAndLoadsBack()
    {
        Bench bench;
        CARICA& w = bench.load();
        vb::setListIndex(*w.Porta, -1);
        w.mnuSaveDefault->trigger();
        QCOMPARE(bench.home.stored("Porta"), QStringLiteral("-1"));
        vb::setListIndex(*w.Porta, 4);
        w.mnuLoadDefault->trigger();
        QCOMPARE(w.Porta->currentIndex(), -1);
    }

    void factoryResetInEnglishComesBackItalian()
    {
        Bench bench;
        bench.home.store("Lingua", "2000");
        bench.home.store("Porta", "10");
        CARICA& w = bench.load();
        w.ShowFile->setText(QStringLiteral("x"));
        w.txtFwFile->setText(QStringLiteral("1.05"));
        w.mnuFactory->trigger();
        QVERIFY(bench.home.storedKeys().isEmpty());
        compareExpected(snapshot(w, bench.state),
                        {"mnuItaliano.checked=true", "mnuInglese.checked=false", "LabelPorta=Porta", "Porta=COM1",
                         "Baud.enabled=true", "ShowFile=", "LanguageBase=1000", "Panel3=Release #   2.2.2007"});
        QVERIFY(w.txtFwFile->text().isEmpty());
        QVERIFY(!lifetime::ending());
    }

    void factoryResetDuringATransferEndsItLikeAbort()
    {
        Bench bench;
        bench.home.store("Lingua", "2000");
        CARICA& w = bench.load();
        w.ShowFile->setText(bench.home.file("F.BIN", patternBytes(20000)));
        bench.clock.at(8.1, [&] { w.mnuFactory->trigger(); });
        w.StartTrasm->click();
        bench.clock.run(60);
        const qint64 sent = bench.downloadPort->bytesWritten();
        QVERIFY(sent < 20000);
        QVERIFY(!bench.downloadPort->portOpen());
        QVERIFY(!w.engine().busy());
        QVERIFY(!w.engine().files().sourceOpen());
        QVERIFY(bench.messages.shown.isEmpty());
        QVERIFY(w.mnuItaliano->isChecked());
        QVERIFY(w.ShowFile->text().isEmpty());
        // The rebuilt window works.
        w.ShowFile->setText(bench.home.file("G.BIN", "xy"));
        w.StartTrasm->click();
        bench.clock.run(60);
        QCOMPARE(bench.messages.shown.size(), 1);
        QCOMPARE(bench.messages.shown[0].title, QStringLiteral("Download terminato."));
    }

    void anUnknownLanguageShowsItalianElsewhere()
    {
        Bench bench;
        bench.home.store("Lingua", "3000");
        CARICA& w = bench.load();
        QStringList during;
        bench.clock.at(1, [&] {
            Calcolo& dlg = w.calcolo();
            during << dlg.Label1->text() << dlg.CancelButton->text();
        });
        w.ShowFile->setText(bench.home.file("F.BIN", "xy"));
        w.StartTrasm->click();
        bench.clock.run(60);
        QCOMPARE(during, (QStringList{"TRASMISSIONE IN CORSO...", "Annulla"}));
        QCOMPARE(bench.messages.shown.value(0).text, QStringLiteral("Spegnere e riaccendere la stampante"));
        QCOMPARE(bench.messages.shown.value(0).title, QStringLiteral("Download terminato."));
    }
};

QTEST_MAIN(TstStartup)
#include "tst_startup.moc"
