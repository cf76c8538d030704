#include "app/main_window.h"
#include "core/printer/release_search.h"
#include "tests/support/test_env.h"

#include <QBuffer>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace {
QByteArray at(qint64 offset, const QByteArray& text, qint64 size)
{
    QByteArray file(size, 'x');
    file.replace(offset, text.size(), text);
    return file.left(size);
}
} // namespace

class TstReleaseCheck : public QObject
{
    Q_OBJECT
private slots:
    void search_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("release"); // "<none>": no marker
        QTest::newRow("marker at offset 0") << QByteArray("Release: 1.05\0tail", 18) << "1.05";
        QTest::newRow("blanks trimmed at both ends") << QByteArray("ab Release:   2.10 B  \0", 23) << "2.10 B";
        QTest::newRow("across the first window's end")
            << at(14336 - 6, QByteArray("Release: 3.01\0", 14), 40000) << "3.01";
        QTest::newRow("in a later window") << at(30000, QByteArray("Release: 4\0", 11), 50000) << "4";
        QTest::newRow("text runs to the end of the file") << at(100, "Release: 5.5", 112) << "5.5";
        QTest::newRow("text longer than a window")
            << at(10, "Release: " + QByteArray(20000, 'v'), 20019) << QString(20000, 'v');
        QTest::newRow("case counts") << QByteArray("release: 1.0\0", 13) << "<none>";
        QTest::newRow("the blank after the colon counts") << QByteArray("Release:1.0\0", 12) << "<none>";
        QTest::newRow("absent") << QByteArray(30000, 'R') << "<none>";
        QTest::newRow("the first of two") << QByteArray("Release: A\0Release: B\0", 22) << "A";
    }
    void search()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, release);
        QBuffer buffer(&file);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        const auto found = findRelease(buffer);
        QCOMPARE(found ? QString::fromLatin1(*found) : QStringLiteral("<none>"), release);
    }

    void check_data()
    {
        QTest::addColumn<QString>("file"); // "missing", "empty", the contents or an absolute path
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QString>("printer"); // "answers", "silent", "no release", "refuses", "one char"
        QTest::addColumn<QString>("shown");   // txtFwFile|txtFwBoard
        QTest::addColumn<QString>("message"); // text / title, or ""
        QTest::addColumn<int>("asked");       // "!0", then "?54&4"
        auto row = [](const char* name, const QString& file, const QStringList& stored, const char* printer,
                      const char* shown, const QString& message, int asked) {
            QTest::newRow(name) << file << stored << QString(printer) << QString(shown) << message << asked;
        };
        const QString marker = QStringLiteral("MZ Release: 1.05");
        row("release in the file and from the printer", marker, {}, "answers", "1.05|1.07", "", 2);
        row("no marker: the printer is still asked", "nothing here", {}, "answers", "|1.07", "", 2);
        row("empty file: nothing, printer not asked", "empty", {}, "answers", "|", "", 0);
        row("missing file", "missing", {}, "answers", "|", "File inesistente / ", 0);
        // A file that exists but cannot be read, even by root.
        row("unreadable file: named with the reason", "/proc/sys/vm/drop_caches", {}, "answers", "|",
            "Impossibile aprire il file\n/proc/sys/vm/drop_caches\n\nPermission denied / Velmora", 0);
        row("LPT1: file searched, then refused", marker, {"Porta=10"}, "answers", "1.05|",
            "Selezionare un porta COM seriale / Interrogazioni Stampante", 0);
        row("port held elsewhere", marker, {}, "refuses", "1.05|",
            "ATTENZIONE! La porta COM è già aperta. Chiudere tutte le applicazioni e riprovare. / Porta", 0);
        row("printer off", marker, {"Lingua=2000"}, "silent", "1.05|",
            "WARNING: printer OFF-Line / Printer Interrogations", 1);
        row("handshake only", marker, {}, "no release", "1.05|",
            "ATTENZIONE. La stampante selezionata non risponde / Interrogazioni Stampante", 2);
        row("a one-character reply leaves the box empty", marker, {}, "one char", "1.05|", "", 2);
    }
    void check()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, stored);
        QFETCH(QString, printer);
        QFETCH(QString, shown);
        QFETCH(QString, message);
        QFETCH(int, asked);
        Bench bench;
        bench.home.store(stored);
        CARICA& w = bench.load();
        QString path = bench.home.path() + "/FW.BIN";
        if (file.startsWith('/'))
            path = file;
        else if (file != "missing")
            path = bench.home.file("FW.BIN", file == "empty" ? QByteArray() : file.toLatin1() + '\0');
        w.ShowFile->setText(path);
        FakeSerialControl& port = *bench.mainPort;
        if (printer == "refuses")
            port.refuseOpen(true);
        if (printer != "silent")
            port.answer("!0", {{"K", 0.05}});
        if (printer == "answers")
            port.answer("?54&4\r\n", {{"1.0", 0.1}, {"7\r", 0.2}});
        if (printer == "one char")
            port.answer("?54&4\r\n", {{"\r", 0.1}});
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        PaintRecorder button(w.cmdCheckRelease);
        Qt::CursorShape during = Qt::ArrowCursor;
        bench.clock.at(0.2, [&] { during = w.cursor().shape(); });
        w.cmdCheckRelease->click();

        QCOMPARE(w.txtFwFile->text() + '|' + w.txtFwBoard->text(), shown);
        QStringList said;
        for (const auto& m : bench.messages.shown)
            said << m.text + " / " + m.title;
        QCOMPARE(said.join('|'), message);
        QCOMPARE(port.allBytes(), QByteArray("!0?54&4\r\n").left(asked == 2 ? 9 : asked * 2));
        QVERIFY(!port.portOpen());
        QCOMPARE(w.cursor().shape(), Qt::ArrowCursor);
        if (asked) {
            QCOMPARE(during, Qt::WaitCursor);
            QCOMPARE(port.openings.value(0).settings, QStringLiteral("4800,N,8,1"));
        }
        // The search does not yield: its caption must have been drawn before it.
        const bool searched = file != "missing" && file != "empty" && !file.startsWith('/');
        QCOMPARE(button.painted.contains(w.mnuInglese->isChecked() ? "Searching into BIN file..."
                                                                   : "Ricerca nel file BIN..."),
                 searched);
        QCOMPARE(w.cmdCheckRelease->text(), w.mnuInglese->isChecked() ? QStringLiteral("Check firmware releases")
                                                                      : QStringLiteral("Controllo versioni firmware"));
    }

    void nothingAtAllWithoutAPathOrForFonts()
    {
        Bench bench;
        CARICA& w = bench.load();
        w.cmdCheckRelease->click();
        w.SelOperazione[1]->click();
        w.ShowFile->setText(bench.home.file("F.SHF", "Release: 1\0"));
        w.cmdCheckRelease->setEnabled(true); // even if it could be clicked
        w.cmdCheckRelease->click();
        QVERIFY(bench.mainPort->openings.isEmpty());
        QVERIFY(bench.messages.shown.isEmpty());
        QVERIFY(w.txtFwFile->text().isEmpty());
    }

    void aSecondClickDuringTheWaitsIsIgnored()
    {
        Bench bench;
        CARICA& w = bench.load();
        w.ShowFile->setText(bench.home.file("FW.BIN", "Release: 9\0"));
        bench.mainPort->answer("!0", {{"K", 0.05}});
        bench.mainPort->answer("?54&4\r\n", {{"2.0\r", 0.1}});
        bench.clock.at(0.2, [&] { w.cmdCheckRelease->click(); });
        bench.clock.at(0.6, [&] { w.cmdCheckRelease->click(); });
        w.cmdCheckRelease->click();
        QCOMPARE(bench.mainPort->openings.size(), 1);
        QCOMPARE(bench.mainPort->writes.size(), 2);
        QCOMPARE(w.txtFwBoard->text(), QStringLiteral("2.0"));
    }

    void wildcardsInThePathAreNotExpanded()
    {
        Bench bench;
        CARICA& w = bench.load();
        bench.home.file("FW1.BIN", "Release: 1\0");
        w.ShowFile->setText(bench.home.path() + "/FW*.BIN");
        w.cmdCheckRelease->click();
        QCOMPARE(bench.messages.shown.value(0).text, QStringLiteral("File inesistente"));
    }
};

QTEST_MAIN(TstReleaseCheck)
#include "tst_release_check.moc"
