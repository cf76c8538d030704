#include "app/controls.h"
#include "app/history_window.h"
#include "app/link_combo_box.h"
#include "app/main_window.h"
#include "app/message_boxes.h"
#include "app/ports_window.h"
#include "app/selection_reactions.h"
#include "app/twips.h"
#include "app/update_window.h"
#include "core/download/download.h"
#include "core/link/port_names.h"
#include "core/link/stored_choices.h"
#include "core/platform/settings_store.h"
#include "core/record/service_record.h"
#include "core/record/shop_record.h"
#include "tests/support/fake_printers.h"
#include "tests/support/pty_pair.h"
#include "tests/support/test_env.h"
#include "texts/string_table.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCryptographicHash>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

#include <sys/stat.h>

namespace {

// The real window on the virtual clock, driven by a script of steps separated by "; ":
//   click NAME | toggle NAME (as a screen reader) | close NAME | show | move X,Y | move:NAME X,Y
//   set NAME=TEXT (a text box) | index NAME=N (as a pick) | assign NAME=N (as the program sets it) | checkv NAME=N
//   key NAME=K | keyview NAME=K (in the open list) | popup NAME | hidepopup NAME | enable NAME
//   file NAME=CONTENT (*N: N random bytes) puts the file's path in ShowFile | dialog PATH or dialog NAME=CONTENT
//   printer PORT (main, test; "big" for a reply of a megabyte) | paint NAME | save | clear | run SECONDS
//   at T STEP (at virtual time T; +T from now) | ? KEY=VALUE & KEY=VALUE ... (checked against shown())
//   blockstore (a folder where the settings file goes)
struct Window : Bench {
    MainWindow* w = nullptr;
    QMap<QString, QString> saved;
    std::map<QString, std::unique_ptr<PaintRecorder>> painters;
    bool inAction = false; // a step run by the clock, at its time
    QString where;         // the script's step being run, for a failure to name

    QObject* named(const QString& name) { return name == "CARICA" ? w : w->findChild<QObject*>(name); }
    template <class T> T& as(const QString& name)
    {
        T* t = qobject_cast<T*>(named(name));
        if (!t)
            qFatal("no %s", qPrintable(name));
        return *t;
    }
    static QString box(const QComboBox* b)
    {
        return b->currentIndex() < 0 ? QStringLiteral("<none>") : b->currentText();
    }
    QString offset(const QString& name)
    {
        const QPoint d = as<QWidget>(name).pos() - w->pos();
        return QStringLiteral("%1,%2").arg(d.x()).arg(d.y());
    }
    // Every named control's caption, the boxes' values, and what the steps need to see.
    QMap<QString, QString> shown()
    {
        QMap<QString, QString> s;
        for (QObject* o : w->findChildren<QObject*>()) {
            const char* property = o->property("title").isValid()  ? "title"
                                   : o->property("text").isValid() ? "text"
                                                                   : "windowTitle";
            if (!o->objectName().isEmpty() && o->property(property).isValid())
                s[o->objectName()] = o->property(property).toString();
        }
        QStringList greyed;
        for (QWidget* c :
             std::initializer_list<QWidget*>{control<LinkComboBox>(w, "Baud"), control<LinkComboBox>(w, "Parita"),
                                             control<LinkComboBox>(w, "BitDati"), control<LinkComboBox>(w, "BitStop"),
                                             control<QLabel>(w, "LabelBaud"), control<QLabel>(w, "LabelStop")})
            greyed << (c->isEnabled() ? "" : c->objectName());
        for (auto b :
             {control<LinkComboBox>(w, "Porta"), control<LinkComboBox>(w, "Baud"), control<LinkComboBox>(w, "Parita"),
              control<LinkComboBox>(w, "BitDati"), control<LinkComboBox>(w, "BitStop")}) {
            s[b->objectName()] = box(b);
            for (int i = 0; i < b->count(); ++i) // and "NAME.items", every item
                s[b->objectName() + ".items"] += (i ? "|" : "") + b->itemText(i);
        }
        s["greyed"] = greyed.join("");
        s["CARICA"] = w->windowTitle();
        s["operation"] = QString::number(control<QRadioButton>(w, "SelOperazione2")->isChecked()   ? 2
                                         : control<QRadioButton>(w, "SelOperazione1")->isChecked() ? 1
                                         : control<QRadioButton>(w, "SelOperazione0")->isChecked() ? 0
                                                                                                   : -1);
        s["boot"] = control<QRadioButton>(w, "SelBoot0")->isChecked()   ? "board"
                    : control<QRadioButton>(w, "SelBoot1")->isChecked() ? "ram"
                                                                        : "none";
        s["check"] = QString::number(controls::checkValue(*control<QCheckBox>(w, "chkCheckSum"))) +
                     (control<QCheckBox>(w, "chkCheckSum")->isEnabled() ? "" : " greyed");
        s["turbo"] = QString::number(controls::checkValue(*control<QCheckBox>(w, "chkTurbo")));
        s["release"] = control<QPushButton>(w, "cmdCheckRelease")->isEnabled() ? "enabled" : "greyed";
        s["menu"] = QStringLiteral("%1%2 %3")
                        .arg(control<QAction>(w, "mnuItaliano")->isChecked() ? "It" : "",
                             control<QAction>(w, "mnuInglese")->isChecked() ? "En" : "")
                        .arg(w->language());
        s["said"] = messages.said();
        s["warned"] = warned.join('|');
        QStringList behind; // the windows in sight behind each message
        for (const auto& m : messages.shown)
            behind << m.context;
        s["behind"] = behind.join('|');
        s["calls"] = fileDialog.calls.join(" | ");
        s["keys"] = QString::number(home.storedKeys().size());
        s["idle"] = QString::number(!w->engine().busy() && !w->engine().filesOpen() && !w->Timer1().isEnabled() &&
                                    !downloadPort->isOpen() && !mainPort->isOpen());
        s["ending"] = QString::number(messages.silenced);
        QString header = QString::fromLatin1(downloadPort->writes.value(0).data);
        s["download"] = QStringLiteral("%1 %2").arg(header.replace('\n', '$')).arg(downloadPort->bytesWritten());
        for (auto [name, port] : {std::pair{"main", mainPort}, {"test", testPort}})
            s[QStringLiteral("port:%1").arg(name)] =
                QStringLiteral("%1 %2 %3 %4")
                    .arg(port->port().mid(3))
                    .arg(port->line().text())
                    .arg(port->openings)
                    .arg(QString::fromLatin1(port->allBytes().left(40)).replace('\r', "^M").replace('\n', '$'));
        return s;
    }
    // A key of the form "what:NAME" asks about one control.
    QString value(const QString& key)
    {
        const QString what = key.section(':', 0, 0), name = key.section(':', 1);
        if (what == "enabled" || what == "visible" || what == "modal")
            return QString::number(what == "enabled"   ? as<QWidget>(name).isEnabled()
                                   : what == "visible" ? as<QWidget>(name).isVisible()
                                                       : as<QWidget>(name).isModal());
        if (what == "locked")
            return QString::number(as<LinkComboBox>(name).locked());
        if (what == "cursor")
            return as<QWidget>(name).cursor().shape() == Qt::WaitCursor ? "wait" : "arrow";
        if (what == "offset")
            return offset(name);
        if (what == "bar")
            return QStringLiteral("%1/%2").arg(as<QProgressBar>(name).value()).arg(as<QProgressBar>(name).maximum());
        if (what == "painted")
            return painters.count(name) ? painters[name]->painted.join('|') : "";
        if (what == "stored")
            return home.stored(name);
        if (what == "readonly")
            return QString::number(as<QLineEdit>(name).isReadOnly());
        if (what == "size")
            return QString::number(as<QLineEdit>(name).text().size());
        return shown().value(key, "<no such key>");
    }
    void check(const QString& expected)
    {
        const QString twips = QString::number(twipsToPixels(600, w->logicalDpiX())),
                      half = QString::number(twipsToPixels(300, w->logicalDpiX()));
        for (QString e : expected.split(" & ")) {
            e.replace("%600", twips).replace("%300", half).replace("~/", home.path() + "/");
            const bool part = e.section('=', 0, 0).endsWith('~'); // "KEY~=VALUE": the value holds VALUE
            const QString key = e.section('=', 0, 0).remove('~'), want = e.section('=', 1), got = value(key);
            if (part ? !got.contains(want) : got != want)
                return QTest::qFail(qPrintable(QStringLiteral("%1: got \"%2\", want \"%3\"%4\n   at %5")
                                                   .arg(key, got, want, part ? " within" : "", where)),
                                    __FILE__, __LINE__);
        }
    }
    void step(const QString& s)
    {
        const QString verb = s.section(' ', 0, 0), rest = s.section(' ', 1), name = rest.section('=', 0, 0),
                      arg = rest.section('=', 1);
        if (verb == "?")
            check(rest);
        else if (verb == "at")
            clock.at(rest.startsWith('+') ? clock.now() + rest.section(' ', 0, 0).toDouble()
                                          : rest.section(' ', 0, 0).toDouble(),
                     [this, then = rest.section(' ', 1), whole = s] {
                         const bool outer = std::exchange(inAction, true);
                         const QString outerWhere = std::exchange(where, where + " (now \"" + whole + "\")");
                         step(then);
                         inAction = outer;
                         where = outerWhere;
                     });
        else if (verb == "click") {
            qobject_cast<QAction*>(named(name)) ? as<QAction>(name).trigger() : as<QAbstractButton>(name).click();
            // A click of the script's own runs what it started to its end, as the event loop would.
            if (!inAction)
                clock.waitUntil([this] { return !w->jobRunning(); });
        } else if (verb == "toggle")
            QAccessible::queryAccessibleInterface(named(name))
                ->actionInterface()
                ->doAction(QAccessibleActionInterface::toggleAction());
        else if (verb == "close")
            as<QWidget>(name).close();
        else if (verb == "show")
            w->show(), (void)QTest::qWaitForWindowExposed(w);
        else if (verb.startsWith("move"))
            as<QWidget>(verb == "move" ? "CARICA" : verb.section(':', 1))
                .move(rest.section(',', 0, 0).toInt(), rest.section(',', 1).toInt());
        else if (verb == "set")
            as<QLineEdit>(name).setText(QString(arg).replace("~", home.path()));
        else if (verb == "index")
            as<QComboBox>(name).setCurrentIndex(arg.toInt());
        else if (verb == "assign")
            controls::setListIndex(as<QComboBox>(name), arg.toInt());
        else if (verb == "checkv")
            controls::setCheckValue(as<QCheckBox>(name), arg.toInt());
        else if (verb == "key" || verb == "keyview") {
            QWidget* target = verb == "key" ? &as<QWidget>(name) : as<QComboBox>(name).view();
            const QMap<QString, Qt::Key> keys = {
                {"Down", Qt::Key_Down}, {"Up", Qt::Key_Up}, {"Return", Qt::Key_Return}, {"Escape", Qt::Key_Escape}};
            keys.contains(arg) ? QTest::keyClick(target, keys[arg]) : QTest::keyClick(target, arg.at(0).toLatin1());
        } else if (verb == "popup" || verb == "hidepopup")
            verb == "popup" ? as<QComboBox>(name).showPopup() : as<QComboBox>(name).hidePopup();
        else if (verb == "enable")
            as<QWidget>(name).setEnabled(true);
        else if (verb == "file" || verb == "dialog") {
            const QString path =
                rest.contains('=')
                    ? home.file(name, arg.startsWith('*') ? patternBytes(arg.mid(1).toInt()) : arg.toLatin1())
                    : rest;
            verb == "file" ? control<QLineEdit>(w, "ShowFile")->setText(path) : void(fileDialog.answers << path);
        } else if (verb == "printer") {
            FakeSerialControl* port = name.startsWith("main") ? mainPort : testPort;
            port->answer("!0", {{"?", 0.05}});
            port->answer("?54&10\r\n", {{rest.endsWith("big") ? QByteArray(1 << 20, 'h') + '\r' : "PX-9\r", 0.1}});
            port->answer("?54&4\r\n", {{"1.07\r", 0.1}});
            port->answer("?54&12\r\n", {{"F 4M\r", 0.1}});
        } else if (verb == "nowhere") { // every port leads to a device that is not there
            for (FakeSerialControl* port : {mainPort, testPort, downloadPort})
                port->refuseOpen(Cause::PortMissing);
        } else if (verb == "paint")
            painters[name] = std::make_unique<PaintRecorder>(&as<QWidget>(name));
        else if (verb == "blockstore") { // a folder where the settings file goes
            const QString file = home.path() + "/config/Velmora/Velmora.conf";
            QFile::remove(file);
            QDir().mkpath(file);
        } else if (verb == "save")
            saved = shown();
        else if (verb == "clear")
            messages.shown.clear(), warned.clear();
        else if (verb == "warned") // the answer to the next warnings before a download: "go" or "stop"
            goOn = rest == "go";
        else if (verb == "run")
            clock.run(rest.toDouble());
        else
            QFAIL(qPrintable("no such step: " + s));
    }
};

// The update window over the fake printers on COM1 to COM3, each name leading to a pseudo-terminal so that the
// window offers it; the main window's firmware file holds release 1.07.
struct UpdateBench : Window {
    FakePrinters printers{clock};
    PtyPair lines[3];
    QByteArray file;
    UpdateWindow* update = nullptr;
    explicit UpdateBench(qint64 size)
    {
        printers.fileRelease = "1.07";
        printers.printers["COM1"] = {"1.05"};
        printers.printers["COM2"] = {"1.07"};
        printers.printers["COM3"] = {"1.05", false};
        morePorts = printers.makePort();
        for (int i = 0; i < 3; ++i)
            home.link(QStringLiteral("COM%1").arg(i + 1), lines[i].slavePath());
        w = &load();
        file = QByteArray(size, 'x').replace(100, 14, QByteArray("Release: 1.07\0", 14));
        control<QLineEdit>(w, "ShowFile")->setText(home.file("FW.BIN", file));
        control<QAction>(w, "updateAction")->trigger();
        update = &w->updateWindow();
        clock.run(1); // the file's release is found
    }
    template <typename T> T* in(const QString& name) { return control<T>(update, name); }
    // "COM1 PX-9 1.05>1.07 verificata" for each of COM1 to COM4: its model, releases and state.
    QString rows()
    {
        QStringList got;
        for (int i = 1; i <= 4; ++i) {
            const QString p = QStringLiteral("COM%1.").arg(i);
            got << (in<QCheckBox>(p + "pick")->isChecked() ? "+" : "") + p.chopped(1) + ' ' +
                       in<QLabel>(p + "model")->text() + ' ' + in<QLabel>(p + "before")->text() + '>' +
                       in<QLabel>(p + "after")->text() + ' ' + in<QLabel>(p + "state")->text();
        }
        return got.join(" | ");
    }
    // Each update row of the record, oldest first: "COM1 window verified 1.05>1.07".
    QString recorded(int count)
    {
        QStringList got;
        (void)QTest::qWaitFor(
            [&] { // the record's writer is a thread of its own
                got.clear();
                for (const ServiceRecord::Row& r : ServiceRecord::readAt(ServiceRecord::defaultPath()).rows)
                    if (r.start.kind == "update" && !r.end.outcome.isEmpty() && r.end.outcome != "running")
                        got.prepend(QStringList{r.start.port, r.start.face, r.end.outcome, r.end.cause,
                                                r.end.release + '>' + r.end.releaseAfter, r.start.fileRelease}
                                        .join(' '));
                return got.size() >= count;
            },
            5000);
        return got.join(" | ");
    }
};

} // namespace

class TstWindow : public QObject
{
    Q_OBJECT
private slots:
    // A box with a short text is still as wide as its title needs: the window manager cuts none.
    void boxesAsWideAsTheirTitles()
    {
        for (const char* title : {"Download terminato.", "Interrogazioni Stampante", "Velmora"}) {
            QMessageBox box(QMessageBox::Information, title, "OK", QMessageBox::Ok);
            widenToTitle(box);
            box.show();
            QVERIFY2(box.width() >= titleWidth(title), title);
            QVERIFY(titleWidth(title) > QFontMetrics(box.font()).horizontalAdvance(title));
        }
    }
    void scripts_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("script");
        auto row = [](const char* name, const char* stored, const char* script) {
            QTest::newRow(name) << stored << script;
        };
        // Start-up: the stored choices and the language as the window shows them.
        row("empty store: built-in defaults", "",
            "? Porta=COM1 & Baud=4800 & Parita=Nessuna & BitDati=8 & BitStop=1 & operation=0 & boot=board & check=0 & "
            "turbo=0 & ShowFile= & release=enabled & menu=It 1000 & greyed= & "
            "Baud.items=2400|4800|9600|19200|38400|57600");
        row("Porta 10 selects LPT1 and greys the line parameters", "Porta=10",
            "? Porta=LPT1 & greyed=BaudParitaBitDatiBitStopLabelBaudLabelStop & Baud=4800");
        row("Porta 11 leaves no port; later steps still run", "Porta=11 BaudRate=3",
            "? Porta=<none> & Baud=19200 & greyed=");
        row("unusable numbers leave their boxes as earlier steps left them", "BaudRate=abc Parity=7 DataBit= StopBit=2",
            "? Baud=<none> & Parita=Nessuna & BitDati=<none> & BitStop=<none>");
        // The boot step after the operation runs the board's reaction, which enables the box again.
        row("FONT ESTERNI keeps the stored path", "Operazione=2 File=/tmp/fonts/A.SHC Check=1",
            "? operation=2 & ShowFile=/tmp/fonts/A.SHC & check=1 & release=greyed");
        row("indices out of the lists", "Porta=-1 Parity=-1 DataBit=2 StopBit=-2 ChkTurbo=3",
            "? Porta=<none> & Parita=<none> & turbo=0 & BitDati=<none>; assign BitStop=1; assign BitStop=-2; ? "
            "BitStop=2");
        row("values just past the lists are refused", "ChkTurbo=-1 Check=-1 Parity=3 Operazione=3",
            "? turbo=0 & check=0 & Parita=Nessuna & operation=0");
        row("unusable stored choices leave the defaults", "Operazione=5 Boot0=maybe Check=3",
            "? operation=0 & boot=board & check=0");
        row("Boot0 False selects the RAM card, which undoes a stored check", "Boot0=False Check=1",
            "? boot=ram & check=0 greyed");
        row("Boot0 7 selects the board; Check 2 greys the box; Turbo greyed", "Boot0=7 Check=2 ChkTurbo=2",
            "? boot=board & check=2 & turbo=2");
        row("Lingua 3000: no check mark, created captions, start-up goes on", "Lingua=3000 Porta=2",
            "? menu= 3000 & LabelPorta=Porta: & cmdCheckRelease=Controlla versioni firmware & ButSfoglia=&Browse... & "
            "Porta=COM3 & Parita.items=Nessuna|Pari|Dispari");
        // Each caption takes the text one number further on until the first number the table lacks (1006).
        row("Lingua 1001 shifts captions until the first missing number", "Lingua=1001",
            "? SelOperazione0=FONT STANDARD & SelOperazione1=FONT ESTERNI & SelOperazione2=Selezione BOOT & "
            "Frame2=Boot da SCHEDA & SelBoot0=Boot da RAMCARD & SelBoot1=Boot da RAMCARD & Frame3=Parametri di "
            "trasmissione & menu= 1001");
        row("Lingua 1130: the program's own messages are no captions", "Lingua=1130",
            "? SelOperazione0=FIRMWARE & menu= 1130");
        row("Lingua that is not a number leaves the language unset", "Lingua=it",
            "? menu= 0 & SelOperazione0=FIRMWARE & LabelPorta=Porta: & Porta=COM1");
        // The menus: a language applies and is stored at once; save, change, load; a factory reset.
        row("menus", "",
            "index Parita=2; click mnuInglese; ? stored:Lingua=2000 & menu=En 2000 & Parita=Odd & LabelPorta=Port; "
            "click mnuItaliano; click mnuItaliano; ? stored:Lingua=1000 & menu=It 1000 & Parita=Dispari & "
            "LabelPorta=Porta; assign Porta=3; assign Baud=5; assign Parita=-1; assign BitDati=1; assign BitStop=1; "
            "click SelOperazione2; checkv chkTurbo=1; set ShowFile=/srv/EXT.SHC; click mnuSaveDefault; save; ? keys=11 "
            "& stored:Operazione=2 & stored:Boot0=True & stored:Parity=-1; assign Porta=0; assign Baud=0; assign "
            "Parita=0; assign BitDati=0; assign BitStop=0; click SelOperazione0; click SelBoot1; checkv chkTurbo=0; "
            "click mnuLoadDefault; ? Porta=COM4 & Baud=57600 & Parita=<none> & BitDati=7 & BitStop=2 & operation=2 & "
            "boot=board & turbo=1 & ShowFile=/srv/EXT.SHC & menu=It 1000; click mnuInglese; set txtFwFile=1.05; click "
            "mnuFactory; ? keys=0 & menu=It 1000 & LabelPorta=Porta & Porta=COM1 & operation=0 & ShowFile= & "
            "txtFwFile= & Panel3=Release #   2.2.2007 & ending=0 & release=enabled & check=0");
        row("a language change that cannot be stored says so", "",
            "blockstore; click mnuInglese; ? menu=En 2000 & said~=Cannot save the settings "
            "in\n~/config/Velmora/Velmora.conf\n\na folder stands in its place / Velmora");
        row("a FIFO as the settings file: never opened, the defaults, said once", "FIFO",
            "? Porta=COM1 & menu=It 1000 & said~=Le impostazioni salvate in\n~/config/Velmora/Velmora.conf\nnon "
            "sono usate: al suo posto c'è una FIFO.");
        row("Save as Default that cannot write says so", "",
            "blockstore; click mnuSaveDefault; ? said~=Impossibile salvare le impostazioni "
            "in\n~/config/Velmora/Velmora.conf\n\nal suo posto c'è una cartella / Velmora");
        // The link boxes: LPT1 greys the line parameters; a character locks a box (also in its open list),
        // which then ignores the keyboard until its list is opened, except while a download runs.
        row("link boxes", "BaudRate=3 Parity=2 Porta=10",
            "show; ? enabled:LabelParita=0 & enabled:LabelDati=0 & enabled:LabelPorta=1; index Porta=1; ? greyed= & "
            "enabled:LabelParita=1 & Baud=19200 & Parita=Dispari; key Baud=9; key Baud=c; key Baud= ; key Baud=Down; ? "
            "locked:Baud=1 & locked:Parita=0 & Baud=19200; popup BitDati; keyview BitDati=3; keyview BitDati=Down; "
            "keyview BitDati=Return; ? locked:BitDati=1 & BitDati=7; popup Baud; ? locked:Baud=0; hidepopup Baud; "
            "assign Porta=9; key Porta=Down; ? Porta=LPT1 & locked:Porta=0 & enabled:Baud=0; key Porta=Up; ? "
            "enabled:Baud=1; key BitDati=x; file F.BIN=*4000; at 2 popup BitDati; at 2 popup Parita; at 2 ? "
            "locked:BitDati=1 & locked:Parita=0; at 2 hidepopup Parita; click StartTrasm");
        // Browsing: the folder the dialog opens in, the filter of the operation, the file shown as chosen.
        row("browsing", "",
            "set ShowFile=/fw/MAIN.BIN; dialog /fw2/new.bin; click ButSfoglia; ? ShowFile=/fw2/new.bin; click "
            "ButSfoglia; ? ShowFile=/fw2/new.bin; click SelOperazione1; dialog /fonts/a.shf; click ButSfoglia; click "
            "SelOperazione2; click ButSfoglia; click mnuFactory; click ButSfoglia; ? calls=Apri File... /fw Download "
            "Firmware (*.BIN)|*.BIN | Apri File... /fw2 Download Firmware (*.BIN)|*.BIN | Apri File... /fw2 Download "
            "FONT (*.SHF)|*.SHF | Apri File... /fonts/ Download FONT ESTERNI (*.SHC)|*.SHC | Apri File...  Download "
            "Firmware (*.BIN)|*.BIN; dialog fw/Mixed.bin=abcd; click ButSfoglia; at 1 click ButSfoglia; click "
            "StartTrasm; run 60; ? download=?Z4&4$ 10 & said=Spegnere e riaccendere la stampante / Download "
            "terminato.");
        // A file of another operation is refused before anything opens; an extension of none goes out.
        row("a file of another operation", "",
            "file FONT.SHF=ab; click StartTrasm; ? said~=non è per il firmware (*.BIN): la sua estensione è per i font standard. & "
            "download= 0; clear; click SelOperazione1; file f.bin=ab; click StartTrasm; ? said~=la sua estensione è per il firmware. & "
            "download= 0; clear; click SelOperazione0; file N.TXT=ab; click StartTrasm; run 60; ? download=?Z4&2$ 8");
        // A port that leads nowhere: each job's box says which port, which device and what is wrong, in sight, and
        // not that another program holds it; the dialog of a checksum pass goes with it.
        row("a COM port that leads nowhere", "Porta=8",
            "nowhere; file F.BIN=MZ Release: 1.05; click StartTrasm; ? said=COM9 (/dev/fake9): il dispositivo non "
            "esiste / Porta / COM9 (/dev/fake9): il dispositivo non esiste (Device or resource busy); clear; checkv "
            "chkCheckSum=1; click StartTrasm; run 1; ? said~=il dispositivo non esiste & behind= & visible:Calcolo=0; clear; "
            "click cmdCheckRelease; ? said~=/ COM9 (/dev/fake9): il dispositivo non esiste; clear; click mnuInterroga; "
            "click cmdTest; ? said~=/ COM9 (/dev/fake9): il dispositivo non esiste");
        // The dialog of a download: drawn before the checksum pass, placed from the window, its captions, what
        // ends it (Annulla, its close box, a factory reset), a fresh one each time; while bytes go, the bar and the
        // time left are drawn with the first byte, then at most every 0.2 s.
        row("the download dialog", "Check=1",
            "set ShowFile=~/NOPE.BIN; click StartTrasm; ? ShowFile= & said=File vuoto o inesistente !! / Velmora / "
            "~/NOPE.BIN: il file non esiste; "
            "clear; move 100,80; file F.BIN=A; paint Label1; at 3 ? Label1=TRASMISSIONE IN CORSO... & "
            "CancelButton=Annulla & bar:BarraTrasm=0/1 & offset:Calcolo=%600,%600 & timeLeft=Attesa stampante 0:06 · "
            "mancano "
            "0:31; at 3 click CancelButton; click "
            "StartTrasm; ? painted:Label1~=CALCOLO CHECKSUM IN CORSO... & download=?Z3&1,65$ 9 & visible:Calcolo=0 & "
            "idle=1; move 300,200; checkv chkCheckSum=0; file G.BIN=*1000; at +8.1 ? offset:Calcolo=%600,%600 & "
            "bar:BarraTrasm=64/1000 & timeLeft=64/1000 B · 480 B/s · mancano 0:27; at +8.1 close Calcolo; click "
            "StartTrasm; run 60; ? idle=1 & "
            "said~=ricevuto 0 dei 1 byte annunciati & said~=|Spegnere e riaccendere la stampante / Velmora / La "
            "stampante ha ricevuto 320 dei 1000 byte & download=?Z3&1,65$ 338; clear; file H.BIN=*20000; at +8.1 "
            "click mnuFactory; click StartTrasm; run 60; ? idle=1 & said~=dei 20000 byte & menu=It 1000; clear; file "
            "I.BIN=xy; warned stop; click StartTrasm; run 60; ? warned=L'ultimo download su COM1 ha lasciato la "
            "stampante con parte di un'immagine, e da allora non ha risposto: spegnerla e riaccenderla prima di questo "
            "download. & said= & download=?Z3&1,65$ 668; clear; warned go; click StartTrasm; run 60; ? warned~=L'ultimo "
            "download & said=Spegnere e riaccendere la stampante / Download terminato.; clear; click StartTrasm; run 60; "
            "? warned= & said=Spegnere e riaccendere la stampante / Download terminato.");
        // Closing the window in a wait of the download or the release check ends everything at once.
        row("closing in the download's 8-second wait", "",
            "file F.BIN=*5000; at 4 close CARICA; click StartTrasm; run 120; ? ending=1 & idle=1 & said= & "
            "download=?Z4&5000$ 9");
        row("closing in the release check", "",
            "file F.BIN=Release: 1; at 0.2 close CARICA; click cmdCheckRelease; run 120; ? ending=1 & idle=1 & said= & "
            "port:main=1 4800,N,8,1 1 !0");
        // The release check: nothing without a path or for fonts; the boxes, the wait cursor, the caption drawn
        // before the search.
        row("the release check", "Lingua=2000",
            "show; click cmdCheckRelease; ? port:main~=,N,8,1 0 ; file FW.BIN=MZ Release: 1.05; printer main; paint "
            "cmdCheckRelease; at 0.2 ? cursor:CARICA=wait; click cmdCheckRelease; ? txtFwFile=1.05 & txtFwBoard=1.07 & "
            "readonly:txtFwBoard=1 & painted:cmdCheckRelease~=Searching into BIN file... & cursor:CARICA=arrow & "
            "port:main=1 4800,N,8,1 1 !0?54&4^M$; click SelOperazione1; file F.SHF=Release: 1; enable cmdCheckRelease; "
            "click cmdCheckRelease; ? port:main=1 4800,N,8,1 1 !0?54&4^M$ & said=; "
            // a factory reset ends a running check: nothing more is shown, the port is closed
            "click SelOperazione0; file FW.BIN=MZ Release: 1.05; at +0.2 click mnuFactory; click cmdCheckRelease; ? "
            "port:main=1 4800,N,8,1 2 !0?54&4^M$!0 & said= & cursor:CARICA=arrow & idle=1");
        // The interrogation window: modal, placed from the window, with the link's settings; a run ignores Quit and
        // the close box; a reply of a megabyte is cut by its box; opened again it starts empty.
        row("the interrogation window", "BaudRate=3 Parity=1 Porta=2",
            "move 50,60; click mnuInterroga; ? frmPrTest= Interroga Stampante & lblModel=Modello: & "
            "lblRelease=Versione FW: & lblFlash=FLASH: & cmdTest=TEST & cmdEsci=Quit & modal:frmPrTest=1 & "
            "offset:frmPrTest=%300,%300 & port:test=1 9600,N,8,1 0 ; move:frmPrTest 0,0; click mnuInterroga; ? "
            "offset:frmPrTest=-50,-60; printer test big; at 0.3 ? cursor:frmPrTest=wait; at 0.3 click cmdEsci; at 0.7 "
            "close frmPrTest; click cmdTest; ? visible:frmPrTest=1 & cursor:frmPrTest=arrow & size:txtModel=32767 & "
            "txtRelease=1.07 & txtFlash=F 4M & port:test~=3 19200,E,8,1 1 !0?54&10; click cmdEsci; ? "
            "visible:frmPrTest=0; click mnuInterroga; ? visible:frmPrTest=1 & txtModel= & readonly:txtModel=1 & "
            "readonly:txtRelease=1 & readonly:txtFlash=1; key frmPrTest=Escape; ? visible:frmPrTest=0");
        row("the interrogation window in English", "Lingua=2000",
            "click mnuInterroga; ? lblModel=Model: & lblRelease=FW Release: & frmPrTest= Interroga Stampante");
        row("no interrogation over LPT1", "Porta=10",
            "click mnuInterroga; ? visible:frmPrTest=0 & said=Selezionare un porta COM seriale / Interrogazioni "
            "Stampante");
        row("no release check during a download", "",
            "file F.BIN=*100; at 1 click cmdCheckRelease; at 1 ? said= & txtFwBoard=; click StartTrasm");
        row("no interrogation during a download", "",
            "file F.BIN=*100; at 1 click mnuInterroga; at 1 ? visible:frmPrTest=0; click StartTrasm");
    }
    void scripts()
    {
        QFETCH(QString, stored);
        QFETCH(QString, script);
        Window bench;
        if (stored == "FIFO") {
            QDir().mkpath(bench.home.path() + "/config/Velmora");
            QVERIFY(::mkfifo(QFile::encodeName(bench.home.path() + "/config/Velmora/Velmora.conf").constData(), 0600) ==
                    0);
        } else
            bench.home.store(stored.split(' ', Qt::SkipEmptyParts));
        bench.w = &bench.load();
        bench.messages.context = [&bench] {
            const QWidget* dialog = bench.w->findChild<QWidget*>("Calcolo");
            return dialog && dialog->isVisible() ? QStringLiteral("Calcolo") : QString();
        };
        MainWindow& w = *bench.w;
        // The command line reads the same choices as the window shows after start-up.
        const StoredChoices c = readStoredChoices();
        SettingsStore store;
        const LinkChoice l = linkChoice({control<LinkComboBox>(&w, "Porta"), control<LinkComboBox>(&w, "Baud"),
                                         control<LinkComboBox>(&w, "Parita"), control<LinkComboBox>(&w, "BitDati"),
                                         control<LinkComboBox>(&w, "BitStop")});
        QCOMPARE((QList<int>{int(c.request.operation), c.request.boot == Boot::Board, int(c.request.checksum),
                             int(c.turbo), storedLanguage(store).value_or(0)}), // 0: unset
                 (QList<int>{bench.shown()["operation"].toInt(), control<QRadioButton>(&w, "SelBoot0")->isChecked(),
                             controls::checkValue(*control<QCheckBox>(&w, "chkCheckSum")),
                             controls::checkValue(*control<QCheckBox>(&w, "chkTurbo")), w.language()}));
        QCOMPARE(c.link.port + c.request.path, l.port + control<QLineEdit>(&w, "ShowFile")->text());
        QCOMPARE(c.link.line ? c.link.line->text() : "none", l.line ? l.line->text() : "none");
        QCOMPARE(bench.value("idle") + (stored == "FIFO" ? QString() : bench.value("said")), QStringLiteral("1"));
        const QStringList steps = script.split("; ", Qt::SkipEmptyParts);
        for (qsizetype i = 0; i < steps.size(); ++i) {
            bench.where = QStringLiteral("step %1 \"%2\"").arg(i + 1).arg(steps[i]);
            bench.step(steps[i]);
            if (QTest::currentTestFailed())
                return;
        }
    }

    // Each language's captions, once: control, Italian, English.
    void captions()
    {
        const QList<std::array<const char*, 3>> table = {
            {"CARICA", " Download", " Download"},
            {"Frame1", "Download", "Download"},
            {"SelOperazione0", "FIRMWARE", "FIRMWARE"},
            {"SelOperazione1", "FONT STANDARD", "STANDARD FONTS"},
            {"SelOperazione2", "FONT ESTERNI", "EXTERN FONTS"},
            {"Frame2", "Selezione BOOT", "BOOT selection"},
            {"SelBoot0", "Boot da SCHEDA", "from BOARD"},
            {"SelBoot1", "Boot da RAMCARD", "from RAMCARD"},
            {"Frame3", "Parametri di trasmissione", "Transmission parameters"},
            {"LabelPorta", "Porta", "Port"},
            {"LabelBaud", "BAUD:", "BAUD:"},
            {"LabelParita", "Parità", "Parity"},
            {"LabelDati", "Bit DATI", "DATA Bit"},
            {"LabelStop", "Bit STOP", "STOP Bit"},
            {"Parita.items", "Nessuna|Pari|Dispari", "None|Even|Odd"},
            {"Frame4", "File", "File"},
            {"ButSfoglia", "Sfoglia...", "Browse..."},
            {"chkCheckSum", "CheckSum", "CheckSum"},
            {"chkTurbo", "Turbo", "Turbo"},
            {"StartTrasm", "&DOWNLOAD", "&DOWNLOAD"},
            {"cmdExit", "&EXIT", "&EXIT"},
            {"frmChkRel", "Controllo FW", "FW check"},
            {"cmdCheckRelease", "Controllo versioni firmware", "Check firmware releases"},
            {"lblFwFile", "File BIN:", "BIN file:"},
            {"lblFwBoard", "FW su scheda:", "Fw on board:"},
            {"mnuDefault", "&Default...", "&Default..."},
            {"mnuLoadDefault", "Carica Default", "Restore Default"},
            {"mnuSaveDefault", "Salva come Default", "Save as Default"},
            {"mnuFactory", "Impostazioni di fabbrica", "Factory settings"},
            {"mnuInterroga", "&Test Stampante...", "Printer &Test..."},
            {"mnuLingua", "&Lingua", "&Language"},
            {"mnuItaliano", "&Italiano", "&Italiano"},
            {"mnuInglese", "&English", "&English"},
            {"toolsMenu", "&Strumenti", "T&ools"},
            {"updateAction", "&Aggiorna stampanti...", "&Update printers..."},
            {"menu", "It 1000", "En 2000"},
            {"Panel1", " Corvane s.p.a. ", " Corvane s.p.a. "},
            {"Panel3", "Release #   2.2.2007", "Release #   2.2.2007"}};
        for (int language : {1, 2}) {
            Window bench;
            bench.home.store({QStringLiteral("Lingua=") + QString::number(language * 1000)});
            bench.w = &bench.load();
            const QMap<QString, QString> shown = bench.shown();
            for (const auto& [name, italian, english] : table) // the name leads, so that a failure names it
                QCOMPARE(name + QStringLiteral(": ") + shown.value(name),
                         name + QStringLiteral(": ") + (language == 1 ? italian : english));
        }
    }

    // A chosen operation empties the path, even when it is chosen again; the reactions run however a value
    // changes, by a click or a screen reader's Toggle (which on the option already selected changes nothing).
    void reactions_data()
    {
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<QString>("expected");
        for (const char* how : {"click", "toggle"}) {
            auto row = [&](const char* name, const QStringList& clicks, const char* expected) {
                QTest::addRow("%s (%s)", name, how)
                    << QStringList(clicks).replaceInStrings("^", QString(how) + ' ') << expected;
            };
            row("standard fonts with the RAM card", {"^chkCheckSum", "^SelBoot1", "^SelOperazione1"},
                "check=0 greyed & release=greyed & ShowFile=");
            row("external fonts with the board", {"^chkCheckSum", "^SelOperazione2"},
                "check=0 greyed & release=greyed & ShowFile=");
            row("then the board again", {"^chkCheckSum", "^SelOperazione2", "^SelBoot0"},
                how[0] == 'c' ? "check=0" : "check=0 greyed");
            row("firmware after external fonts: enabled, unchecked",
                {"^chkCheckSum", "^SelOperazione2", "^SelOperazione0"}, "check=0 & release=enabled & ShowFile=");
            row("standard fonts keep the check", {"^chkCheckSum", "^SelOperazione1"}, "check=1 & release=greyed");
            row("no check while the RAM card is the source", {"^SelBoot1", "^chkCheckSum"},
                "check=0 greyed & release=enabled & ShowFile=/x/F.BIN");
        }
    }
    void reactions()
    {
        QFETCH(QStringList, clicks);
        QFETCH(QString, expected);
        Window bench;
        bench.w = &bench.load();
        for (const QString& c : clicks)
            bench.step("set ShowFile=/x/F.BIN"), bench.step(c);
        bench.check(expected);
    }

    // The ports window, from the menu and never while a job runs: a device path typed for COM3 makes the folder
    // and the link on a fresh account, and COM3 leads there; freeing it removes the link only; someone else's
    // entry is replaced only after asking. Find the printer asks the usable ports and puts the one that answered,
    // with its line, into the boxes.
    void portsWindow()
    {
        Window bench;
        bench.w = &bench.load();
        MainWindow& w = *bench.w;
        PortsWindow& ports = w.portsWindow();
        QVERIFY(QDir(port_names::portsFolder()).removeRecursively());
        PtyPair printer;
        const auto pick = [&](const QString& name) { ports.names->selectRow(int(kPortItems.indexOf(name))); };
        control<QAction>(&w, "portsAction")->trigger();
        QVERIFY(ports.isVisible() && ports.windowTitle() == "Porte" && ports.names->rowCount() == 11);
        pick("COM3");
        bench.typedPath = printer.slavePath();
        ports.typePath->click();
        QCOMPARE(port_names::serialDeviceOf("COM3"), QFileInfo(printer.slavePath()).canonicalFilePath());
        QCOMPARE(ports.names->item(2, 2)->text(), QStringLiteral("utilizzabile"));
        ports.free->click();
        QVERIFY(!QFileInfo(port_names::portsFolder() + "/COM3").isSymLink() && QFileInfo::exists(printer.slavePath()));
        QVERIFY(bench.home.link("COM2", bench.home.file("other.out", {})));
        pick("COM2");
        ports.typePath->click();
        QVERIFY(bench.asked.size() == 1 && bench.asked[0].startsWith("COM2 è una voce che Velmora non ha creato"));
        QVERIFY(port_names::serialDeviceOf("COM2").endsWith("other.out"));
        bench.answerYes = true;
        ports.typePath->click();
        QCOMPARE(port_names::serialDeviceOf("COM2"), QFileInfo(printer.slavePath()).canonicalFilePath());
        // The printer answers at 9600 only; the boxes say 4800 until it is used.
        ports.findPrinter->click();
        bench.clock.run(5);
        QVERIFY(!ports.searching() && ports.found->rowCount() >= 1);
        const auto row = ports.found->findItems("COM2", Qt::MatchExactly);
        QVERIFY(!row.isEmpty() && ports.found->item(row[0]->row(), 2)->text() == "9600,N,8,1");
        ports.found->selectRow(row[0]->row());
        ports.usePrinter->click();
        bench.check("Porta=COM2 & Baud=9600 & Parita=Nessuna & BitDati=8 & BitStop=1");
        for (const FakeSerialControl* p : bench.probePorts)
            QVERIFY(!p->isOpen() && p->bytesWritten() <= 2 * 7 + 8); // the handshake at each rate, one model query
        // The Port box says where each name leads.
        emit control<LinkComboBox>(&w, "Porta")->dropDown();
        QVERIFY(control<LinkComboBox>(&w, "Porta")->itemData(1, Qt::ToolTipRole).toString().endsWith(": utilizzabile"));
        // A name freed: the search's answers, which named the ports as they led, are gone; freeing someone else's
        // entry asks to remove it, not to replace it.
        ports.findPrinter->click();
        bench.clock.run(5);
        pick("COM2");
        ports.free->click();
        QVERIFY(ports.found->rowCount() == 0 && !ports.usePrinter->isEnabled());
        QVERIFY(bench.home.link("COM4", bench.home.file("other4.out", {})));
        pick("COM4");
        ports.free->click();
        QVERIFY2(bench.asked.last().endsWith("Rimuoverla?"), qPrintable(bench.asked.last()));
        ports.close();
        control<QAction>(&w, "mnuInglese")->trigger();
        QCOMPARE(ports.windowTitle() + "|" + ports.findPrinter->text() + "|" +
                     control<QAction>(&w, "portsAction")->text(),
                 QStringLiteral("Ports|&Find the printer|&Ports..."));
        // Not while a job runs.
        bench.step("file F.BIN=*100");
        w.StartTrasm_Click();
        control<QAction>(&w, "portsAction")->trigger();
        QVERIFY(!ports.isVisible());
        bench.clock.run(60);
    }

    // The record held by another program past its wait: the download runs whole and ends with its own box; the
    // row's loss is said once, after it.
    void aLockedRecord()
    {
        Window bench;
        bench.w = &bench.load();
        {
            ServiceRecord made;
            made.begin({});
            QVERIFY(made.flush());
        }
        QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "locker");
        other.setDatabaseName(ServiceRecord::defaultPath());
        QVERIFY(other.open() && QSqlQuery(other).exec("PRAGMA locking_mode=EXCLUSIVE") &&
                QSqlQuery(other).exec("BEGIN EXCLUSIVE") && QSqlQuery(other).exec("DELETE FROM meta WHERE 0"));
        bench.step("file F.BIN=*100");
        bench.w->StartTrasm_Click();
        bench.clock.run(60);
        QVERIFY(QTest::qWaitFor([&] { return bench.messages.shown.size() == 2; }, 5000));
        QTest::qWait(600);
        QCOMPARE(bench.messages.shown.size(), 2);
        QCOMPARE(bench.messages.shown[0].text, QStringLiteral("Spegnere e riaccendere la stampante"));
        QVERIFY2(bench.messages.shown[1].text.startsWith("Questo lavoro non è registrato") &&
                     bench.messages.shown[1].text.contains("locked"),
                 qPrintable(bench.messages.shown[1].text));
        QCOMPARE(bench.downloadPort->allBytes().size(), 100 + 8);
        QSqlQuery(other).exec("ROLLBACK");
        other.close();
        other = {};
        QSqlDatabase::removeDatabase("locker");
    }

    // The history window: the window's downloads, newest first, filtered, the whole of a row, exported as CSV.
    void historyWindow()
    {
        Window bench;
        bench.w = &bench.load();
        MainWindow& w = *bench.w;
        HistoryWindow& history = w.historyWindow();
        const QByteArray data = patternBytes(300);
        bench.step("file F.BIN=" + QString::fromLatin1(data));
        w.StartTrasm_Click();
        bench.clock.run(60);
        bench.step("file G.BIN=*5000");
        bench.step("at +9 click CancelButton");
        w.StartTrasm_Click();
        bench.clock.run(60);
        bench.step("set ShowFile=~/NOPE.BIN"); // its row holds its own path, none of the last job's headers
        w.StartTrasm_Click();
        bench.clock.run(1);
        control<QAction>(&w, "historyAction")->trigger();
        QVERIFY(history.isVisible() && history.windowTitle() == "Cronologia");
        QStringList got;
        for (int r = 0; r < history.jobs->rowCount(); ++r)
            got << history.jobs->item(r, 1)->text() + ' ' + history.jobs->item(r, 2)->text() + ' ' +
                       history.jobs->item(r, 3)->text() + ' ' + history.jobs->item(r, 4)->text();
        QCOMPARE(got.join(" | "),
                 QStringLiteral("download COM1 NOPE.BIN file rifiutato | download COM1 G.BIN annullato, stampante a metà "
                                "immagine | download COM1 F.BIN completato"));
        history.jobs->selectRow(0);
        QVERIFY2(!history.details->toPlainText().contains("?Z"), qPrintable(history.details->toPlainText()));
        history.jobs->selectRow(2);
        const QString sha = QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex());
        QVERIFY(history.details->toPlainText().contains("SHA-256: " + sha));
        history.outcome->setCurrentText("annullato");
        QCOMPARE(history.jobs->rowCount(), 1);
        history.outcome->setCurrentIndex(0);
        history.port->setCurrentText("COM2");
        QCOMPARE(history.jobs->rowCount(), 0);
        history.port->setCurrentIndex(0);
        // A date as the record writes it or as a technician types it; one being typed keeps the rows, and says so.
        QStringList counts;
        for (const char* date : {"2999-01-01", "01/01/2999", "1.1.2999", "01/01/2000", "09/12/2", "31/02/2026"}) {
            history.since->setText(date);
            counts << QString::number(history.jobs->rowCount()) + (history.since->toolTip().isEmpty() ? "" : "?");
        }
        QCOMPARE(counts.join(QLatin1Char(' ')), "0 0 0 3 3? 3?");
        history.since->clear();
        history.file->setText("F.BIN");
        QCOMPARE(history.jobs->rowCount(), 1);
        bench.savedPath = bench.home.path() + "/export.csv";
        history.exportCsv->click();
        QFile csv(bench.savedPath);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = csv.readAll().split('\n');
        // Headers in the operator's words, the values as the record's ids.
        QVERIFY(lines.size() == 3 && lines[0].startsWith("Id,Inizio,Fine,") && lines[1].contains(sha.toLatin1()) &&
                lines[1].contains(",completed,"));
        // A serial number and a note added to a row after its job: found by the serial, and waiting for the shop.
        history.file->clear();
        history.jobs->selectRow(2);
        bench.typedPath = "SN-42";
        control<QPushButton>(&history, "annotate")->click();
        control<QLineEdit>(&history, "serial")->setText("SN-42");
        QVERIFY(history.shownRows().size() == 1 && history.shownRows()[0].start.file.endsWith("F.BIN") &&
                history.shownRows()[0].note == "SN-42" && history.shownRows()[0].rev > history.shownRows()[0].shopRev);
        QVERIFY(history.details->toPlainText().contains("Numero di serie: SN-42"));
        control<QLineEdit>(&history, "serial")->clear();
        QVERIFY(!control<QCheckBox>(&history, "allBenches")->isEnabled()); // no shop's record here
        history.file->setText("F.BIN");

        // Qt's own words follow the chosen language too; the menu retranslates the open windows at once.
        const auto qtWords = [] {
            QMessageBox box(QMessageBox::Critical, "t", "text", QMessageBox::Cancel);
            box.setDetailedText("detail");
            QStringList texts;
            for (QAbstractButton* b : box.buttons())
                texts << b->text();
            texts.sort();
            return texts.join('|');
        };
        QCOMPARE(qtWords(), "Annulla|Mostra dettagli...");
        control<QAction>(&w, "mnuInglese")->trigger();
        QCOMPARE(qtWords(), "Cancel|Show Details...");
        QVERIFY(history.isVisible());
        QCOMPARE(history.windowTitle(), "History");
        QCOMPARE(history.jobs->item(0, 4)->text(), "completed");
        QCOMPARE(history.jobs->horizontalHeaderItem(4)->text(), "Outcome");
        QCOMPARE(w.findChild<PortsWindow*>()->windowTitle(), "Ports");
        QCOMPARE(control<QAction>(&w, "historyAction")->text(), "&History...");
        control<QAction>(&w, "mnuItaliano")->trigger();
        QCOMPARE(history.jobs->item(0, 4)->text(), "completato");
        QCOMPARE(w.findChild<PortsWindow*>()->windowTitle(), "Porte");
    }

    // Three printers updated from the window on the virtual clock: found, ticked, loaded at once and asked again;
    // one verified, one at the release (loaded only when forced), one that never answers after its restart.
    void updateWindow_data()
    {
        QTest::addColumn<bool>("force");
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("recorded");
        QTest::newRow("as they come")
            << false
            << "+COM1 PX-9 1.05>1.07 verificata | +COM2 PX-9 1.07> già alla release: saltata | +COM3 PX-9 1.05> NON "
               "verificata | COM4  > il dispositivo non esiste"
            << "COM1 window verified  1.05>1.07 1.07 | COM2 window skipped  1.07> 1.07 | COM3 window not-verified  "
               "1.05> 1.07";
        QTest::newRow("forced")
            << true
            << "+COM1 PX-9 1.05>1.07 verificata | +COM2 PX-9 1.07>1.07 verificata | +COM3 PX-9 1.05> NON verificata | "
               "COM4  > il dispositivo non esiste"
            << "COM1 window verified  1.05>1.07 1.07 | COM2 window verified  1.07>1.07 1.07 | COM3 window "
               "not-verified  1.05> 1.07";
    }
    void updateWindow()
    {
        QFETCH(bool, force);
        QFETCH(QString, rows);
        QFETCH(QString, recorded);
        UpdateBench bench(3000);
        QCOMPARE(bench.update->windowTitle() + " / " + bench.in<QLabel>("fileRelease")->text(),
                 "Aggiorna stampanti / Release nel file: 1.07");
        QVERIFY(!bench.in<QCheckBox>("COM4.pick")->isEnabled() && bench.in<QPushButton>("start")->isEnabled());
        bench.in<QPushButton>("findPrinters")->click();
        bench.clock.run(5);
        QCOMPARE(bench.in<QLabel>("summary")->text(), "3 stampanti hanno risposto.");
        bench.in<QCheckBox>("force")->setChecked(force);
        bench.in<QPushButton>("start")->click();
        QVERIFY(bench.update->running() && !bench.in<QPushButton>("findPrinters")->isEnabled());
        bench.clock.run(300);
        QCOMPARE(bench.rows(), rows);
        QCOMPARE(bench.in<QLabel>("summary")->text(), force ? "Verificate: 2. Saltate: 0. Non aggiornate: 1."
                                                            : "Verificate: 1. Saltate: 1. Non aggiornate: 1.");
        QVERIFY(bench.printers.tookWhole("COM1", bench.file) && bench.printers.tookWhole("COM3", bench.file));
        QCOMPARE(bench.printers.printers["COM2"].loaded.isEmpty(), !force);
        QCOMPARE(bench.recorded(3), recorded);
    }

    // One printer stopped mid-data: it alone ends, left mid-image and said so; the others load on to the end. The
    // main window's download and the update never share a device; closing the window while it runs asks first.
    void updateWindowCancelOne()
    {
        UpdateBench bench(60000);
        MainWindow& w = *bench.w;
        bench.in<QPushButton>("findPrinters")->click();
        bench.clock.run(5);
        bench.in<QCheckBox>("force")->setChecked(true);
        bench.in<QPushButton>("start")->click();
        bench.clock.run(20);
        QVERIFY(bench.in<QLabel>("COM1.state")->text().contains(" B · "));
        bench.in<QPushButton>("COM1.cancel")->click();
        QVERIFY2(bench.in<QLabel>("COM1.state")->text().startsWith("interrotto dopo ") &&
                     bench.in<QLabel>("COM1.state")->text().endsWith("spegnerla e riaccenderla"),
                 qPrintable(bench.in<QLabel>("COM1.state")->text()));
        QVERIFY(!bench.in<QPushButton>("COM1.cancel")->isEnabled() &&
                bench.in<QPushButton>("COM2.cancel")->isEnabled());
        // COM2 is the update's: the main window's download there is refused, and says who holds it.
        control<QComboBox>(&w, "Porta")->setCurrentIndex(1);
        w.StartTrasm_Click();
        QVERIFY2(bench.messages.shown.size() == 1 &&
                     bench.messages.shown[0].text.startsWith("COM2 è in uso nella finestra Aggiorna stampanti"),
                 qPrintable(bench.messages.shown.value(0).text));
        QVERIFY(!w.engine().running());
        // Closing asks; "No" keeps it running.
        bench.update->close();
        QVERIFY(bench.update->isVisible() && bench.update->running() && bench.asked.size() == 1);
        bench.clock.run(600);
        QCOMPARE(bench.rows().section(" | ", 1, 2),
                 "+COM2 PX-9 1.07>1.07 verificata | +COM3 PX-9 1.05> NON verificata");
        QVERIFY(!bench.printers.tookWhole("COM1", bench.file) && bench.printers.tookWhole("COM2", bench.file));
        QCOMPARE(bench.recorded(3).section(" | ", 0, 0), "COM1 window interrupted  1.05> 1.07");
        // Another update, with the main window loading COM2: COM2 is left out, and the operator told which
        // window holds it.
        bench.in<QPushButton>("findPrinters")->click();
        bench.clock.run(5);
        w.StartTrasm_Click();
        QVERIFY(w.engine().running());
        bench.in<QCheckBox>("COM2.pick")->setChecked(true);
        bench.in<QPushButton>("start")->click();
        QVERIFY2(bench.messages.shown.size() == 2 && bench.messages.shown[1].text ==
                                                         "COM2 resta fuori da questo aggiornamento: la usa il download "
                                                         "della finestra principale.",
                 qPrintable(bench.messages.shown.value(1).text));
        QVERIFY(!bench.in<QCheckBox>("COM2.pick")->isChecked() &&
                bench.update->holds(port_names::serialDeviceOf("COM1")));
        // Closed with "Yes": every printer stops.
        bench.answerYes = true;
        bench.update->close();
        QVERIFY(!bench.update->isVisible() && !bench.update->running());
        bench.clock.run(120);
    }

    // A serial number added in the history window reaches the shop's record (a real PostgreSQL, started for the
    // test): the window open sends its rows, and the shop's copy of the row follows the one added later.
    void shopRecordFromTheWindow()
    {
        QProcess server;
        server.start("/usr/bin/python3", {QStringLiteral(VELMORA_SOURCE_DIR) + "/tests/cli/pg_server.py"});
        if (!server.waitForReadyRead(60000))
            QSKIP("no PostgreSQL server could be started here");
        const QString uri = QString::fromLatin1(server.readLine()).trimmed();
        Window bench;
        SettingsStore().writeIn("Record", "ShopRecord", uri);
        bench.w = &bench.load();
        const auto address = std::get<ShopAddress>(ShopAddress::parse(uri));
        bench.step("file F.BIN=*300");
        bench.w->StartTrasm_Click();
        bench.clock.run(60);
        ServiceRecord::Filter bySerial;
        bySerial.serial = "SN-77";
        const auto inShop = [&] { return shop_record::read(address, bySerial).rows; };
        control<QAction>(bench.w, "historyAction")->trigger();
        HistoryWindow& history = bench.w->historyWindow();
        history.jobs->selectRow(0);
        bench.typedPath = "SN-77";
        control<QPushButton>(&history, "annotate")->click();
        QVERIFY(QTest::qWaitFor([&] { return inShop().size() == 1; }, 15000));
        QVERIFY(inShop()[0].start.file.endsWith("F.BIN") && inShop()[0].note == "SN-77");
        // The switch reads every bench's rows without holding up the window.
        control<QCheckBox>(&history, "allBenches")->setChecked(true);
        QVERIFY(QTest::qWaitFor([&] { return history.shownRows().size() == 1; }, 10000));
        QCOMPARE(history.shownRows()[0].uid, inShop()[0].uid);
        server.closeWriteChannel();
        QVERIFY(server.waitForFinished(30000));
    }

    // A shop's record that cannot be reached: the window's jobs go on, and it is said once a session, after the
    // job's own box.
    void shopRecordUnreachable()
    {
        Window bench;
        SettingsStore().writeIn("Record", "ShopRecord", "postgresql://bench@/shop?host=/nonexistent/socket");
        bench.w = &bench.load();
        bench.step("file F.BIN=*300");
        bench.w->StartTrasm_Click();
        bench.clock.run(60);
        const auto told = [&] {
            return std::count_if(bench.messages.shown.begin(), bench.messages.shown.end(), [](const auto& m) {
                return m.text.startsWith("Il registro condiviso non è raggiungibile");
            });
        };
        QVERIFY(QTest::qWaitFor([&] { return told() == 1; }, 15000));
        QCOMPARE(bench.messages.shown[0].text, QStringLiteral("Spegnere e riaccendere la stampante"));
        bench.step("file G.BIN=*300");
        bench.w->StartTrasm_Click();
        bench.clock.run(60);
        QTest::qWait(2500);
        QCOMPARE(told(), 1);
        QCOMPARE(bench.downloadPort->allBytes().size(), 2 * (300 + 8));
    }

    void initialFolders()
    {
        for (auto [showFile, folder] : {std::pair{"/srv/FW/MAIN.BIN", "/srv/FW"},
                                        {"/srv/fw/main.bin", "/srv/fw"},
                                        {"/srv/FONTS/A.SHF", "/srv/FONTS/A.SHF"},
                                        {"MAIN.BIN", "<keep>"},
                                        {"", "<keep>"}})
            QCOMPARE(initialFolder(showFile).value_or("<keep>"), QString(folder));
    }
};

QTEST_MAIN(TstWindow)
#include "tst_window.moc"
