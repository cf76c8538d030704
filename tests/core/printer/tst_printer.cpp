#include "core/printer/interrogation.h"
#include "core/printer/printer_probe.h"
#include "core/printer/release_check.h"
#include "core/printer/release_search.h"
#include "core/record/job_rows.h"
#include "core/update/update_job.h"
#include "tests/support/fake_printers.h"
#include "tests/support/fake_serial_control.h"
#include "tests/support/recorders.h"
#include "tests/support/test_home.h"
#include "tests/support/virtual_clock.h"
#include "texts/cause_words.h"
#include "texts/language.h"
#include "texts/printer_messages.h"
#include "texts/string_table.h"

#include <QBuffer>
#include <QTest>

namespace {

QByteArray at(qint64 offset, const QByteArray& text, qint64 size)
{
    QByteArray file(size, 'x');
    return file.replace(offset, text.size(), text).left(size);
}

// A printer on the fake port: "answers" replies to the handshake and to every query (late characters and
// all), "silent" to nothing, "mute" to the handshake only, "refuses" holds the port elsewhere.
struct Printer {
    VirtualClock clock;
    Timeline line{clock};
    MessageRecorder messages{clock};
    FakeSerialControl port{clock};
    explicit Printer(const QString& kind)
    {
        port.timeline = messages.timeline = &line;
        port.refuseOpen(kind == "refuses" ? Cause::PortBusy : Cause::None);
        if (kind == "answers" || kind == "mute")
            port.answer("!0", {{"?", 0.05}});
        if (kind == "answers") {
            port.answer("?54&10\r\n", {{"PX-9\r", 0.1}});
            port.answer("?54&4\r\n", {{"1.0", 0.1}, {"7\r", 0.2}});
            port.answer("?54&12\r\n", {{"F 4M\r", 0.1}});
        }
    }
    // The first message's text, and its informative text (the cause in sight) when it has one.
    QString said() const
    {
        if (messages.shown.isEmpty())
            return {};
        const auto& m = messages.shown[0];
        return m.text + (m.informative.isEmpty() ? QString() : " / " + m.informative);
    }
};

} // namespace

class TstPrinter : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { useLanguage(kItalian); }
    void releaseSearch_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("release"); // "<none>": no marker
        QTest::newRow("marker at offset 0") << QByteArray("Release: 1.05\0tail", 18) << "1.05";
        QTest::newRow("blanks trimmed at both ends") << QByteArray("ab Release:   2.10 B  \0", 23) << "2.10 B";
        QTest::newRow("across the first window's end") << at(14330, QByteArray("Release: 3.01\0", 14), 40000) << "3.01";
        QTest::newRow("all but its last byte in the first window")
            << at(14328, QByteArray("Release: 3.02\0", 14), 40000) << "3.02";
        QTest::newRow("the zero byte opens the next read")
            << at(14324, QByteArray("Release: 1.0\0tail", 17), 30000) << "1.0";
        QTest::newRow("in a later window") << at(30000, QByteArray("Release: 4\0", 11), 50000) << "4";
        QTest::newRow("text runs to the end of the file") << at(100, "Release: 5.5", 112) << "5.5";
        QTest::newRow("text longer than a window")
            << at(10, "Release: " + QByteArray(20000, 'v'), 20019) << QString(20000, 'v');
        QTest::newRow("case counts") << QByteArray("release: 1.0\0", 13) << "<none>";
        QTest::newRow("the blank after the colon counts") << QByteArray("Release:1.0\0", 12) << "<none>";
        QTest::newRow("absent") << QByteArray(30000, 'R') << "<none>";
        QTest::newRow("the first of two") << QByteArray("Release: A\0Release: B\0", 22) << "A";
    }
    void releaseSearch()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, release);
        QBuffer buffer(&file);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        QCOMPARE(findRelease(buffer).value_or("<none>"), release.toLatin1());
    }

    // Which release is the later: dotted numbers compared as numbers; anything else claims no order (9).
    void releaseOrder()
    {
        QStringList got;
        for (const auto& [a, b] : {std::pair{"1.05", "1.07"},
                                   {"1.10", "1.9"},
                                   {"1.07", "1.07"},
                                   {"1.0", "1"},
                                   {"2", "1.99"},
                                   {"1.07a", "1.07"},
                                   {"2.x", "1.5"},
                                   {"", "1"},
                                   {"1..2", "1.2"},
                                   {"+1", "1"},
                                   {" 1.2 ", "1.2"}})
            got << QString::number(::releaseOrder(a, b).value_or(9));
        QCOMPARE(got.join(' '), QStringLiteral("-1 1 0 0 1 9 9 9 9 9 0"));
    }

    // A model's answer: a short line of text to its CR; not noise, not a flood, not a reply cut short.
    void modelAnswers()
    {
        QStringList got;
        for (const QByteArray& reply :
             {QByteArray("PX-9\r"), QByteArray("PX-9\r\n"), QByteArray("PX-1\x1b]2;T\x07\r"), QByteArray("PX-9"),
              QByteArray("\r"), QByteArray("----\r"), QByteArray("PX-9\rmore"), QByteArray("\xff\xfe\r"),
              QByteArray("P\0X\r", 4)})
            got << QString::number(PrinterProbe::isModelAnswer(reply));
        got << QString::number(PrinterProbe::isModelAnswer(QByteArray(64, 'F') + '\r'))
            << QString::number(PrinterProbe::isModelAnswer(QByteArray(65, 'F') + '\r'));
        QCOMPARE(got.join(' '), "1 1 1 0 0 0 0 0 0 1 0");
    }

    // The release check as a timeline: the search, the port, what is asked, what is shown and said.
    void releaseCheck_data()
    {
        QTest::addColumn<QString>("file");  // "missing", "empty", an absolute path or the contents
        QTest::addColumn<QString>("setup"); // the printer; "LPT1"; "en" for English
        QTest::addColumn<QString>("timeline");
        QTest::addColumn<QString>("message");
        auto row = [](const char* name, const char* file, const char* setup, const char* timeline,
                      const char* said = "") { QTest::newRow(name) << file << setup << timeline << said; };
        const char* fw = "MZ Release: 1.05";
        row("both releases", fw, "answers",
            "search@0 file:1.05@0 open2 19200,E,8,1@0 !0@0 ?54&4^M$@0.4 board:1.07@0.8 close@0.8 =differ@0.8");
        row("no marker: the printer is still asked", "nothing", "answers",
            "search@0 open2 19200,E,8,1@0 !0@0 ?54&4^M$@0.4 board:1.07@0.8 close@0.8 =norelease@0.8");
        row("no marker, asked only with a release: nothing asked", "nothing", "answers only", "search@0 =norelease@0");
        row("a release, asked only with one: asked", fw, "answers only",
            "search@0 file:1.05@0 open2 19200,E,8,1@0 !0@0 ?54&4^M$@0.4 board:1.07@0.8 close@0.8 =differ@0.8");
        row("empty file: nothing, printer not asked", "empty", "answers", "file-empty@0");
        row("missing file", "missing", "answers", "C:@0 file-missing@0",
            "File inesistente / ~/FW.BIN: il file non esiste");
        row("a wildcard is no file", "FW*.BIN", "answers", "C:@0 file-missing@0",
            "File inesistente / ~/FW*.BIN: il file non esiste");
        row("unreadable file: named with the reason", "/proc/sys/vm/drop_caches", "answers",
            "C:Velmora@0 file-unreadable@0",
            "Impossibile aprire il file\n/proc/sys/vm/drop_caches\n\nPermesso negato");
        row("LPT1: searched, then refused", fw, "answers LPT1",
            "search@0 file:1.05@0 C:Interrogazioni Stampante@0 port-parallel@0", "Selezionare un porta COM seriale");
        row("port held elsewhere", fw, "refuses", "search@0 file:1.05@0 refused2@0 C:Porta@0 port-busy@0",
            "ATTENZIONE! La porta COM è già aperta. Chiudere tutte le applicazioni e riprovare. / COM2 (/dev/fake2): "
            "porta in uso da un altro programma");
        row("printer off", fw, "silent en",
            "search@0 file:1.05@0 open2 19200,E,8,1@0 !0@0 close@0.4 C:Printer Interrogations@0.4 "
            "printer-no-answer@0.4",
            "WARNING: printer OFF-Line / COM2 (/dev/fake2): the printer does not answer");
        // The decision rests on the reply read to its terminator; the box shows it without its last character.
        row("equal releases", "Release: 1.07", "answers",
            "search@0 file:1.07@0 open2 19200,E,8,1@0 !0@0 ?54&4^M$@0.4 board:1.07@0.8 close@0.8 =equal@0.8");
        // A reply cut short inside the wait is no answer to compare: the box still shows what came.
        row("a reply without its terminator is no release", "Release: 1.23", "answers reply=1.23",
            "search@0 file:1.23@0 open2 19200,E,8,1@0 !0@0 ?54&4^M$@0.4 board:1.2@0.8 close@0.8 =differ@0.8");
        row("a reply whose end comes late is no release", "Release: 1.0", "answers reply=1.0|5^M",
            "search@0 file:1.0@0 open2 19200,E,8,1@0 !0@0 ?54&4^M$@0.4 board:1.@0.8 close@0.8 =differ@0.8");
        row("a lone CR reports no release", "Release: 1.07", "answers reply=^M",
            "search@0 file:1.07@0 open2 19200,E,8,1@0 !0@0 ?54&4^M$@0.4 board:@0.8 close@0.8 =differ@0.8");
        row("a NAK reports no release", "Release: 1.07", "answers reply=\x15",
            "search@0 file:1.07@0 open2 19200,E,8,1@0 !0@0 ?54&4^M$@0.4 board:@0.8 close@0.8 =differ@0.8");
        row("a blank release in the file is none", "Release:    ", "answers reply=^M",
            "search@0 file:@0 open2 19200,E,8,1@0 !0@0 ?54&4^M$@0.4 board:@0.8 close@0.8 =norelease@0.8");
        // A large file is searched in steps: a cancel in the search ends the check there, nothing asked.
        row("a large file", "large", "answers",
            "search@0 file:9.9@0 open2 19200,E,8,1@0 !0@0 ?54&4^M$@0.4 board:1.07@0.8 close@0.8 =differ@0.8");
        row("a large file: cancelled in the search", "large", "answers cancel", "search@0");
        row("handshake only", fw, "mute",
            "search@0 file:1.05@0 open2 19200,E,8,1@0 !0@0 ?54&4^M$@0.4 close@0.8 C:Interrogazioni Stampante@0.8 "
            "printer-no-answer@0.8",
            "ATTENZIONE. La stampante selezionata non risponde / COM2 (/dev/fake2): la stampante non risponde");
    }
    void releaseCheck()
    {
        QFETCH(QString, file);
        QFETCH(QString, setup);
        QFETCH(QString, timeline);
        QFETCH(QString, message);
        TestHome home;
        Printer p(setup.section(' ', 0, 0));
        if (setup.contains("reply="))
        {
            const QString reply = setup.section("reply=", 1).section(' ', 0, 0).replace("^M", "\r").replace("\\x15", "\x15");
            p.port.answer("?54&4\r\n", {{reply.section('|', 0, 0).toLatin1(), 0.1}, {reply.section('|', 1).toLatin1(), 0.6}});
        }
        const int language = setup.contains("en") ? kEnglish : kItalian;
        useLanguage(language);
        ReleaseCheck check(p.port, p.clock);
        connect(&check, &ReleaseCheck::searching, [&](bool on) {
            p.line.add(on ? "search" : "searched");
            if (on && setup.contains("cancel"))
                p.clock.at(0, [&] { check.cancel(); });
        });
        connect(&check, &ReleaseCheck::fileRelease, [&](const QString& r) { p.line.add("file:" + r); });
        connect(&check, &ReleaseCheck::boardRelease, [&](const QString& r) { p.line.add("board:" + r); });
        home.file("FW1.BIN", "Release: 1\0");
        const QString path =
            file.startsWith('/')                      ? file
            : file == "missing" || file.contains('*') ? home.path() + "/" + (file == "missing" ? "FW.BIN" : file)
            : file == "large" ? home.file("FW.BIN", QByteArray(3 * kReleaseSearchStep, 'x') + "Release: 9.9")
                              : home.file("FW.BIN", file == "empty" ? QByteArray() : file.toLatin1() + '\0');
        connect(&check, &ReleaseCheck::finished, [&](const ReleaseComparison& c) {
            tellPrinterFailure(p.messages, language, c.failure); // as the window tells it
            p.line.add(c.failure ? causeId(c.failure.cause)
                                 : QStringList{"?", "=norelease", "=equal", "=differ"}[int(c.result())]);
        });
        p.clock.at(0.2, [&] { // a second click inside a wait is ignored
            if (check.running())
                check.start(path, {});
        });
        check.start(path,
                    LinkChoice{setup.contains("LPT1") ? "LPT1" : "COM2", offeredLine(QStringLiteral("19200,E,8,1"))},
                    !setup.contains("only"));
        p.clock.run(5);
        COMPARE_TIMELINE(p.line.summary().remove(" searched@0"), timeline);
        QCOMPARE(p.said().replace(home.path(), "~"), message);
        QVERIFY(!p.port.isOpen() && !check.running());
    }

    // Finding the printer: every port side by side, each its own fake, described as "COMn:answers@BAUD",
    // ":silent", ":missing" or ":held"; what each was sent, and who answered where.
    void probe_data()
    {
        QTest::addColumn<QString>("ports");
        QTest::addColumn<QString>("found");
        QTest::addColumn<bool>("withRelease"); // the update window's search asks the release too
        QTest::newRow("one printer at 9600, one silent, one missing, one held")
            << "COM2:answers@9600 COM3:silent COM4:missing COM5:held"
            << "COM2 /dev/fake2 9600,N,8,1 PX-9 | open2 4800 !0 open2 2400 !0 open2 9600 !0 ?54&10^M$ | open3 4800 !0 "
               "open3 2400 !0 open3 9600 !0 open3 19200 !0 open3 38400 !0 open3 56000 !0 | refused4 | refused5 | "
               "silent COM3 COM4 COM5 | done@2.4"
            << false;
        // Noise at every rate is no printer: it is asked at each, found at none, and said silent.
        QTest::newRow("a device that answers noise")
            << "COM6:noise COM7:answers@4800"
            << "COM7 /dev/fake7 4800,N,8,1 PX-9 | open6 4800 !0 ?54&10^M$ open6 2400 !0 ?54&10^M$ open6 9600 !0 "
               "?54&10^M$ open6 19200 !0 ?54&10^M$ open6 38400 !0 ?54&10^M$ open6 56000 !0 ?54&10^M$ | open7 4800 !0 "
               "?54&10^M$ | silent COM6 | done@4.8"
            << false;
        QTest::newRow("two printers at the chosen line")
            << "COM1:answers@4800 COM2:answers@0"
            << "COM1 /dev/fake1 4800,N,8,1 PX-9 | COM2 /dev/fake2 4800,N,8,1 PX-9 | open1 4800 !0 ?54&10^M$ | open2 "
               "4800 !0 ?54&10^M$ | done@0.8"
            << false;
        // A release cut short is none: that printer is found all the same.
        QTest::newRow("releases asked too")
            << "COM1:answers@4800 COM2:answers-cut@0"
            << "COM1 /dev/fake1 4800,N,8,1 PX-9 1.07 | COM2 /dev/fake2 4800,N,8,1 PX-9  | open1 4800 !0 ?54&10^M$ "
               "?54&4^M$ | open2 4800 !0 ?54&10^M$ ?54&4^M$ | done@1.2"
            << true;
    }
    void probe()
    {
        QFETCH(QString, ports);
        QFETCH(QString, found);
        QFETCH(bool, withRelease);
        VirtualClock clock;
        QList<FakeSerialControl*> made;
        std::vector<std::unique_ptr<Timeline>> wires;
        QStringList names;
        FakeSerialControl holder(clock);
        PrinterProbe probe(clock, [&] {
            auto port = std::make_unique<FakeSerialControl>(clock);
            const QString how = ports.split(' ')[made.size()].section(':', 1);
            if (how.startsWith("answers")) {
                port->answer("!0", {{"?", 0.05}});
                port->answer("?54&10\r\n", {{"PX-9\r", 0.1}});
                port->answer("?54&4\r\n", {{how.startsWith("answers-cut") ? "1.0" : "1.07\r", 0.1}});
                port->answersAtBaud = how.section('@', 1).toInt();
            }
            if (how == "noise") {
                port->answer("!0", {{"\xff", 0.05}});
                port->answer("?54&10\r\n", {{QByteArray(200, 'F') + '\r', 0.1}});
            }
            if (how == "missing")
                port->refuseOpen(Cause::PortMissing);
            made << port.get();
            wires.push_back(std::make_unique<Timeline>(clock));
            port->timeline = wires.back().get();
            return port;
        });
        for (const QString& p : ports.split(' ')) {
            names << p.section(':', 0, 0);
            if (p.endsWith(":held"))
                holder.open(names.last(), LineSettings{});
        }
        double doneAt = -1;
        PrinterProbe::Report report;
        connect(&probe, &PrinterProbe::finished, [&](const PrinterProbe::Report& r) {
            doneAt = clock.now();
            report = r;
        });
        probe.setAskRelease(withRelease);
        probe.start(names, QStringLiteral("4800,N,8,1"));
        clock.run(10);
        QStringList got;
        for (const PrinterProbe::Found& f : report.found)
            got << QStringList{f.port, f.device, f.line, f.model}.join(' ') + (withRelease ? " " + f.release : "");
        for (const auto& wire : wires) // "open2 9600 !0 ?54&10^M$": each opening's baud rate and what was sent
            got << wire->summary().remove(QRegularExpression("@[0-9.]+|,N,8,1| close")).trimmed();
        if (!report.silent.isEmpty())
            got << "silent " + report.silent.join(' ');
        got << QStringLiteral("done@%1").arg(doneAt);
        QCOMPARE(got.join(" | "), found);
        QVERIFY(!probe.running());
        for (const FakeSerialControl* port : made)
            QVERIFY(!port->isOpen());
    }

    // One interrogation: the handshake, then model, release and flash, 0.4 s apart.
    void interrogation_data()
    {
        QTest::addColumn<QString>("printer");
        QTest::addColumn<QByteArray>("model"); // the reply to "?54&10"
        QTest::addColumn<QString>("timeline");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("release"); // as reported, read to its terminator
        const QString run = "open1 9600,N,8,1@0 !0@0 ?54&10^M$@0.4 model:%1@0.8 ?54&4^M$@0.8 release:%2@1.2 "
                            "?54&12^M$@1.2 flash:F 4M@1.6 close@1.6";
        auto row = [](const char* name, const char* printer, const QByteArray& model, const QString& timeline,
                      const char* message = "", const char* release = "1.07") {
            QTest::newRow(name) << printer << model << timeline << message << release;
        };
        row("a full run", "answers", "PX-9\r", run.arg("PX-9", "1.07"));
        row("one character: an empty box", "answers", "\r", run.arg("", "1.07"));
        row("any bytes", "answers", QByteArray("\x01\xff\r", 3), run.arg(QString::fromLatin1("\x01\xff"), "1.07"));
        row("late characters lead the next reply", "answers", "PX|-9\r", run.arg("P", "-9\r1.07"), "", "-9");
        row("a flood is kept to a reply's size", "answers", QByteArray(100000, 'F'), run.arg(QString(32767, 'F'), "1.07"));
        row("no reply", "mute", {}, QString(run).arg("??????", "??????").replace("flash:F 4M", "flash:??????"), "",
            "none");
        row("printer off: no query", "silent", {}, "open1 9600,N,8,1@0 !0@0 close@0.4 C:Interrogazioni Stampante@0.4",
            "ATTENZIONE. La stampante selezionata non risponde / COM1 (/dev/fake1): la stampante non risponde", "none");
        row("port held elsewhere", "refuses", {}, "refused1@0 C:Porta@0",
            "ATTENZIONE! La porta COM è già aperta. Chiudere tutte le applicazioni e riprovare. / COM1 (/dev/fake1): "
            "porta in uso da un altro programma",
            "none");
    }
    void interrogation()
    {
        QFETCH(QString, printer);
        QFETCH(QByteArray, model);
        QFETCH(QString, timeline);
        QFETCH(QString, message);
        QFETCH(QString, release);
        Printer p(printer);
        QString reported;
        if (printer == "answers") // after "|": too late for its own query
            p.port.answer("?54&10\r\n", {{model.split('|').first(), 0.1}, {model.split('|').value(1), 0.5}});
        Interrogation run(p.port, p.clock);
        const LinkChoice link{QStringLiteral("COM1"), LineSettings{}};
        connect(&run, &Interrogation::reply, [&](Interrogation::Query q, const QString& t) {
            p.line.add(QStringList{"model:", "release:", "flash:"}[q] + t);
        });
        connect(&run, &Interrogation::finished, [&](const Interrogation::Answers& a) {
            tellPrinterFailure(p.messages, kItalian, a.failure); // as the window tells it
            reported = a.release.value_or("none");
        });
        bool runningMid = false;
        p.clock.at(0.2, [&] {
            runningMid = run.testRunning();
            if (run.inRun())
                run.start(link); // a second TEST inside a wait is ignored
        });
        run.start(link);
        p.clock.run(5);
        COMPARE_TIMELINE(p.line.summary(), timeline);
        QCOMPARE(p.said(), message);
        QCOMPARE(runningMid, printer != "refuses");
        QCOMPARE(reported, release);
        QVERIFY(!run.testRunning() && !p.port.isOpen());
    }

    // Four printers at once on the virtual clock: one loaded and verified, one already at the file's
    // release (passed over unless forced), one that never answers after its restart, one newer than
    // the file (a downgrade, refused unless allowed). Each row of the record follows from its printer.
    void updateJob_data()
    {
        QTest::addColumn<bool>("force");
        QTest::addColumn<bool>("allowDowngrade");
        QTest::addColumn<QString>("states");
        QTest::addColumn<QString>("rows");
        QTest::newRow("as it comes") << false << false
                                     << "COM1 asking>loading>verifying>verified 1.07 | COM2 asking>skipped | "
                                        "COM3 asking>loading>verifying>not-verified | COM4 asking>skipped"
                                     << "verified  1.05>1.07 | skipped  1.07> | not-verified  1.05> | "
                                        "skipped downgrade 1.09>";
        QTest::newRow("forced, downgrades allowed")
            << true << true
            << "COM1 asking>loading>verifying>verified 1.07 | COM2 asking>loading>verifying>verified 1.07 | "
               "COM3 asking>loading>verifying>not-verified | COM4 asking>loading>verifying>verified 1.07"
            << "verified  1.05>1.07 | verified  1.07>1.07 | not-verified  1.05> | verified downgrade 1.09>1.07";
    }
    void updateJob()
    {
        QFETCH(bool, force);
        QFETCH(bool, allowDowngrade);
        QFETCH(QString, states);
        QFETCH(QString, rows);
        TestHome home;
        VirtualClock clock;
        FakePrinters bench(clock);
        bench.fileRelease = "1.07";
        bench.printers["COM1"] = {"1.05"};
        bench.printers["COM2"] = {"1.07"};
        bench.printers["COM3"] = {"1.05", false};
        bench.printers["COM4"] = {"1.09"};
        const QByteArray file = at(100, "Release: 1.07", 3000);
        UpdateChoices choices;
        choices.request = {home.file("FW.BIN", file), Operation::Firmware, Boot::Board, BoxValue::Unchecked};
        choices.line = offeredLine("57600,N,8,1");
        choices.pacing = Pacing::Turbo;
        choices.release = "1.07";
        choices.force = force;
        choices.allowDowngrade = allowDowngrade;
        choices.verifyTimeout = 30;
        UpdateJob job(bench.clock, bench.makePort(), choices);
        QMap<int, QStringList> seen;
        connect(&job, &UpdateJob::changed, [&](int i) { seen[i] << job.printer(i).stateId(); });
        QList<PrinterUpdate> ended;
        connect(&job, &UpdateJob::finished, [&](const QList<PrinterUpdate>& printers) { ended = printers; });
        job.start({{"COM1", "/dev/a"}, {"COM2", "/dev/b"}, {"COM3", "/dev/c"}, {"COM4", "/dev/d"}});
        clock.run(300);
        QVERIFY(ended.size() == job.size() && !job.running());
        QStringList got, recorded;
        for (int i = 0; i < ended.size(); ++i) {
            const PrinterUpdate& p = ended[i];
            got << QStringLiteral("%1 asking>%2%3")
                       .arg(p.port, seen[i].join('>'), p.after.isEmpty() ? "" : " " + p.after);
            const ServiceRecord::End e = job_rows::updateEnd(p);
            recorded << QStringLiteral("%1 %2 %3>%4").arg(e.outcome, e.cause, e.release, e.releaseAfter);
            // Every printer that loaded took the whole file behind one header.
            if (p.load)
                QVERIFY(bench.tookWhole(p.port, file));
        }
        QCOMPARE(got.join(" | "), states);
        QCOMPARE(recorded.join(" | "), rows);
    }

    // One printer stopped mid-data: it alone ends, left mid-image and said so; the others load on.
    void updateJobCancelOne()
    {
        TestHome home;
        VirtualClock clock;
        FakePrinters bench(clock);
        bench.fileRelease = "1.07";
        bench.printers["COM1"] = {"1.05"};
        bench.printers["COM2"] = {"1.05"};
        UpdateChoices choices;
        choices.request = {home.file("FW.BIN", at(100, "Release: 1.07", 200000)), Operation::Firmware, Boot::Board,
                           BoxValue::Unchecked};
        choices.line = offeredLine("57600,N,8,1");
        choices.release = "1.07";
        UpdateJob job(bench.clock, bench.makePort(), choices);
        QStringList notices;
        connect(&job, &UpdateJob::notice, [&](int i, const DownloadNotice& n) {
            notices << QStringLiteral("%1:%2").arg(i).arg(n.midImage ? "mid-image" : "end");
        });
        job.start({{"COM1", "/dev/a"}, {"COM2", "/dev/b"}});
        clock.at(15, [&] { job.cancel(0); });
        clock.run(600);
        const PrinterUpdate& stopped = job.printer(0);
        QVERIFY(stopped.ended && stopped.interrupted && stopped.load && stopped.load->midImage);
        QVERIFY(stopped.load->sent > 0 && stopped.load->sent < 200000);
        QCOMPARE(job_rows::updateEnd(stopped).outcome, "interrupted");
        QCOMPARE(job.printer(1).stateId(), "verified");
        QCOMPARE(notices.join(' '), "0:mid-image 1:end");
    }
};

QTEST_GUILESS_MAIN(TstPrinter)
#include "tst_printer.moc"
