#include "core/download/download.h"
#include "core/download/download_watch.h"
#include "core/download/header.h"
#include "core/platform/clock.h"
#include "core/printer/release_check.h"
#include "tests/support/fake_serial_control.h"
#include "tests/support/recorders.h"
#include "tests/support/test_home.h"
#include "tests/support/virtual_clock.h"
#include "texts/cause_words.h"
#include "texts/download_messages.h"
#include "texts/language.h"
#include "texts/string_table.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>

#include <cmath>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// One download of the core on the virtual clock, set up from words such as "len=4097 op=external port=LPT1 turbo=1
// cancel@8.05", and told as a timeline of the wire, the dialog, the phases and the messages.
struct Run {
    TestHome home;
    VirtualClock clock;
    Timeline line{clock};
    MessageRecorder messages{clock};
    FakeSerialControl port{clock};
    std::unique_ptr<Timer> timer = clock.createTimer();
    int turbo = 0, reader = -1, language = kItalian;
    LinkChoice link{QStringLiteral("COM1"), offeredLine(QStringLiteral("4800,N,8,1"))};
    Download download{DownloadInputs{[this] { return pacingOf(BoxValue(turbo)); }, [this] { return link; }}, clock,
                      port, *timer};
    // A second user of the same link with the same file, from the setup word "second@T": its outcome is told as
    // "2nd=port" and the like, and what it sends goes to its own fake port.
    FakeSerialControl otherPort{clock};
    std::unique_ptr<Timer> otherTimer = clock.createTimer();
    MessageRecorder otherMessages{clock};
    Download other{DownloadInputs{[] { return Pacing::Normal; }, [this] { return link; }}, clock, otherPort,
                   *otherTimer};
    DownloadRequest request;
    QString printer, hidden;
    DownloadStage stage = DownloadStage::Idle;
    QByteArray data = patternBytes(100);

    explicit Run(const QString& setup)
    {
        useLanguage(language);
        port.timeline = messages.timeline = &line;
        // Told as the window tells it.
        QObject::connect(&download, &Download::notice,
                         [this](const DownloadNotice& n) { tellDownload(messages, language, n); });
        QObject::connect(&other, &Download::notice,
                         [this](const DownloadNotice& n) { tellDownload(otherMessages, language, n); });
        QObject::connect(&download, &Download::progressChanged, [this] {
            const DownloadProgress& g = download.progress();
            if (g.stage == DownloadStage::Idle)
                hidden = QStringLiteral("%1/%2").arg(g.taken).arg(g.total);
            else if (std::exchange(stage, g.stage) != g.stage)
                line.add(QStringList{"[idle]", "[checksum]", "[sending]", "[endwait]"}[int(g.stage)]);
            stage = g.stage;
        });
        QObject::connect(&download, &Download::fileRejected, [this] { line.add("rejected"); });
        QObject::connect(&download, &Download::phase, [this](DownloadPhase p, double s) {
            line.add(QStringList{"~wait", "~send", "~pause", "~drain", "~parts", "~end"}[int(p)] + QString::number(s));
        });
        QObject::connect(&download, &Download::ended, [this](const DownloadReport& r) {
            line.add(QStringList{"=done", "=file", "=port", "=failed", "=aborted"}[int(r.outcome)]);
        });
        QObject::connect(&other, &Download::ended, [this](const DownloadReport& r) {
            line.add(QStringList{"2nd=done", "2nd=file", "2nd=port", "2nd=failed", "2nd=aborted"}[int(r.outcome)]);
        });
        printer = printerFifo("lpt1.out", printerReader);
        home.link("LPT1", printer);
        const QMap<QString, std::function<void(const QString&)>> set = {
            {"len", [this](const QString& v) { data = patternBytes(v.toLongLong(), v.toUInt()); }},
            {"data", [this](const QString& v) { data = v.toLatin1(); }},
            {"op",
             [this](const QString& v) {
                 request.operation = Operation(QStringList{"firmware", "fonts", "external"}.indexOf(v));
             }},
            {"ram", [this](const QString&) { request.boot = Boot::RamCard; }},
            {"check",
             [this](const QString& v) { request.checksum = v == "on" ? BoxValue::Checked : BoxValue::Greyed; }},
            {"port", [this](const QString& v) { link.port = v; }},
            {"line", [this](const QString& v) { link.line = offeredLine(v); }},
            {"turbo", [this](const QString& v) { turbo = v.toInt(); }},
            {"rate", [this](const QString& v) { port.setLineRate(v.toDouble()); }},
            {"step", [this](const QString& v) { port.setReportStep(v.toInt()); }},
            {"fail", [this](const QString& v) { port.failAfter(v.toInt()); }},
            {"quietfail", [this](const QString& v) { port.failAfter(v.toInt(), false); }},
            {"lang", [this](const QString& v) { useLanguage(language = v.toInt()); }},
            {"refuse", [this](const QString&) { port.refuseOpen(Cause::PortBusy); }},
            {"queue", [this](const QString& v) { port.modelLine(v.toLongLong()); }},
            {"blind", [this](const QString&) { port.hideQueue(); }},
            {"lpt",
             [this](const QString& v) {
                 home.link("LPT1", v == "folder"     ? home.path()
                                   : v == "fifo"     ? fifo()
                                   : v == "deaf"     ? fifo(false)
                                   : v == "dangling" ? home.path() + "/gone.out"
                                   : v == "held"     ? hold(printer)
                                   : v == "plain"    ? home.file("lpt1.txt", {})
                                                     : v);
             }},
            {"file", [](const QString&) {}}};
        const QMap<QString, std::function<void()>> act = {{"cancel", [this] { download.cancel(); }},
                                                          {"hangup", [this] { port.hangUp(); }},
                                                          {"shrink", [this] { QFile::resize(request.path, 100); }},
                                                          {"overwrite", [this] { overwriteTail(); }},
                                                          {"swap", [this] { swapTail(); }},
                                                          {"remove", [this] { QFile::remove(request.path); }},
                                                          {"turbo", [this] { turbo = 1; }},
                                                          {"refuse", [this] { port.refuseOpen(Cause::PortBusy); }},
                                                          {"free", [this] { port.refuseOpen(Cause::None); }},
                                                          {"press", [this] { download.start(request); }},
                                                          {"second", [this] { other.start(request); }},
                                                          {"noise", [this] { port.receive(QByteArray(1 << 20, 'N')); }},
                                                          {"end", [this] { download.endProgram(); }},
                                                          {"closefifo", [this] { ::close(reader); }},
                                                          {"unlink", [this] { home.link("LPT1", "/nowhere"); }},
                                                          {"relink",
                                                           [this] { home.link("LPT1", printerFifo("other.out", otherReader)); }},
                                                          {"replace", [this] {
                                                               QFile::remove(printer);
                                                               ::close(printerReader);
                                                               printerFifo("lpt1.out", printerReader);
                                                           }}};
        for (const QString& word : setup.split(' ', Qt::SkipEmptyParts)) {
            const QStringList kv = word.split(QRegularExpression("[=@]"));
            if (word.contains('@'))
                clock.at(kv[1].toDouble(), act[kv[0]]);
            else
                set[kv[0]](kv.value(1));
        }
        const QString file = setup.section("file=", 1).section(' ', 0, 0);
        const qint64 size = file == "huge" ? qint64(1) << 31 : file == "2G-1" ? (qint64(1) << 31) - 1 : -1;
        request.path = file == "missing"  ? home.path() + "/NOPE.BIN"
                       : file == "zero"   ? home.file("EMPTY.BIN", {})
                       : file == "folder" ? home.path()
                       : file == "fifo"   ? fifo(false)
                       : file == "device" ? QStringLiteral("/dev/zero")
                       : file == "none"   ? QString()
                                          : home.file("DATA.BIN", data);
        if (size > 0 && !QFile::resize(request.path, size))
            request.path = "no sparse files";
        data += QByteArray(size > 0 ? 1 << 20 : 0, '\0');
    }
    // The printer on LPT1: a FIFO whose reader takes a megabyte before the writer waits, read after the run.
    int printerReader = -1, otherReader = -1;
    mutable QByteArray atPrinter;
    ~Run()
    {
        for (int fd : {printerReader, otherReader, reader})
            if (fd >= 0)
                ::close(fd);
    }
    QString printerFifo(const QString& name, int& fd)
    {
        const QString path = home.path() + "/" + name;
        ::mkfifo(QFile::encodeName(path).constData(), 0600);
        fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
        ::fcntl(fd, F_SETPIPE_SZ, 1 << 20);
        return path;
    }
    static QByteArray drain(int fd)
    {
        QByteArray got;
        char block[65536];
        for (ssize_t n; fd >= 0 && (n = ::read(fd, block, sizeof block)) > 0;)
            got.append(block, n);
        return got;
    }
    QString fifo(bool withReader = true)
    {
        const QString path = home.path() + "/lpt1.fifo";
        ::mkfifo(QFile::encodeName(path).constData(), 0600);
        if (withReader)
            reader = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
        return path;
    }
    // Another user of the device: it holds it through a name of its own.
    QString hold(const QString& device)
    {
        reader = ::open(QFile::encodeName(device).constData(), O_WRONLY);
        ::flock(reader, LOCK_EX | LOCK_NB);
        return device;
    }
    // The last 16 bytes of the file change in place while it is being sent.
    void overwriteTail()
    {
        QFile f(request.path);
        if (f.open(QIODevice::ReadWrite) && f.seek(f.size() - 16))
            f.write(QByteArray(16, 'Z'));
        data.replace(data.size() - 16, 16, QByteArray(16, 'Z'));
    }
    // Two different bytes near the end change places, the modification time is put back: the size, the XOR and
    // the time are as they were.
    void swapTail()
    {
        QFile f(request.path);
        const QDateTime modified = QFileInfo(f).lastModified();
        qsizetype i = data.size() - 2;
        while (data[i] == data.back())
            --i;
        std::swap(data[i], data.back());
        if (f.open(QIODevice::ReadWrite) && f.seek(i))
            f.write(data.mid(i));
        f.setFileTime(modified, QFileDevice::FileModificationTime);
    }
    // On a modelled line (setup word "queue"), while the download runs: the bar is never ahead of what the wire
    // has taken by more than the device queue, nor behind it by a chunk, even in the waits for the line.
    qint64 lead = 0, lag = 0;
    std::function<void()> sample;
    void watchTheBar()
    {
        const auto bar = [this] {
            const qint64 header = port.writes.isEmpty() ? 0 : port.writes[0].data.size();
            return download.progress().taken - qMax<qint64>(0, port.onTheWire() - header);
        };
        QObject::connect(&download, &Download::progressChanged, [this, bar] { lead = qMax(lead, bar()); });
        sample = [this, bar] {
            if (download.progress().stage == DownloadStage::Sending)
                lag = qMax(lag, -bar());
            clock.at(clock.now() + 0.05, sample);
        };
        clock.at(0, sample);
    }
    bool parallel() const { return link.parallel(); }
    QByteArray received() const { return parallel() ? (atPrinter += drain(printerReader)) : port.allBytes(); }
    // The timeline after the download has run its course, with what reached LPT1. The
    // usual stretches are folded once checked: "dlg" the transfer shown, "~wait8" the wait for the
    // printer and the sending that follows it, "END" the end status, 25 s, the port closed, the end message.
    QString run()
    {
        download.start(request);
        clock.run(400);
        QString s = line.summary() + (download.lineConfirmed() ? "" : " unconfirmed");
        const auto fold = [&s](const char* pattern, const char* as, double after = 0) {
            const QRegularExpression re(pattern);
            for (QRegularExpressionMatch m = re.match(s); m.hasMatch(); m = re.match(s, m.capturedStart() + 1)) {
                const QString last = m.captured(m.lastCapturedIndex());
                if (!after || timeText(m.captured(1).toDouble() + after) == last)
                    s.replace(m.capturedStart(), m.capturedLength(), QString(as).replace("T", m.captured(1)));
            }
        };
        fold(R"(\[sending\]@(\S+))", "dlg@T");
        fold(R"(open1 4800,N,8,1@(\S+))", "open@T");
        fold(R"(dlg@(\S+) ~wait8@\1)", "~wait8@T");
        fold(R"(C:Velmora@(\S+) =failed@\1)", "FAIL@T");
        fold(R"(~wait8@(\S+) ~send0@(\S+))", "~wait8@T", 8);
        fold(R"(~wait10@(\S+) ~send0@(\S+))", "~wait10@T", 10);
        fold(R"(\[endwait\]@(\S+) ~end25@\1 (?:close@(\S+) )?I:Download terminato.@\2 =done@(\2))", "END@T", 25);
        fold(R"(\[endwait\]@(\S+) ~end25@\1 I:Download terminato.@(\S+) =done@\2)", "END@T", 25);
        if (parallel()) {
            const QByteArray got = received();
            const qsizetype header = got.startsWith("?Z") ? got.indexOf('\n') + 1 : 0;
            s += QStringLiteral(" lpt:%1+%2")
                     .arg(QString::fromLatin1(got.left(header)).replace('\n', '$'))
                     .arg(got.size() - header);
        }
        return s;
    }
    // Nothing is left open or running; what went out is the file (and the pad byte) in order, whole and shown
    // whole on the bar when the download says it ended well.
    void expectSound(const QString& timeline)
    {
        QVERIFY(!download.running() && download.progress().stage == DownloadStage::Idle);
        QVERIFY(!download.filesOpen());
        QVERIFY(!port.isOpen() && !timer->isEnabled());
        QVERIFY(!QFileInfo::exists(home.path() + "/gone.out")); // a missing LPT1 device is never created
        QCOMPARE(QFileInfo(home.path() + "/lpt1.txt").size(), 0);  // nor a file in its place written
        QVERIFY(messages.shown.size() <=
                qMax<qsizetype>(1, timeline.count(QRegularExpression("(END|FAIL|=\\w+)@")))); // one a download
        QByteArray sent = parallel() ? received() : QByteArray();
        sent.remove(0, sent.startsWith("?Z") ? sent.indexOf('\n') + 1 : 0);
        for (const auto& w : port.writes) // each opening's header apart
            sent += w.data.startsWith("?Z") && w.data.endsWith('\n') && w.data.size() < 24 ? QByteArray() : w.data;
        const QByteArray whole = (data + (request.operation != Operation::ExternalFonts && data.size() % 2 ? " " : ""))
                                     .repeated(qMax<qsizetype>(1, timeline.count("END@")));
        QVERIFY2(whole.startsWith(sent), "what went out is not the file");
        if (timeline.contains("=done") || timeline.contains("END@")) {
            QCOMPARE(sent.size(), whole.size());
            QCOMPARE(hidden, QStringLiteral("%1/%1").arg(data.size()));
        }
    }
};

// Another job on a run's clock, with its own port, timer and messages.
struct Beside {
    FakeSerialControl port;
    std::unique_ptr<Timer> timer;
    MessageRecorder messages;
    Download download;
    Beside(Run& d, const LinkChoice& link)
        : port(d.clock), timer(d.clock.createTimer()), messages(d.clock),
          download(DownloadInputs{[] { return Pacing::Normal; }, [link] { return link; }}, d.clock, port, *timer)
    {
        QObject::connect(&download, &Download::notice,
                         [this](const DownloadNotice& n) { tellDownload(messages, kItalian, n); });
    }
};

// What went out on a port and when, and when each message came.
QString wire(const FakeSerialControl& port, const MessageRecorder& messages)
{
    QStringList w;
    for (const auto& x : port.writes)
        w << QStringLiteral("%1@%2").arg(x.data.size()).arg(x.time);
    for (const auto& m : messages.shown)
        w << QStringLiteral("%1@%2").arg(m.title).arg(m.time);
    return w.join(' ');
}

} // namespace

class TstDownload : public QObject
{
    Q_OBJECT
private slots:
    // The checksum: the XOR of every byte, read from the first byte whatever the position; none when short.
    void checksum()
    {
        QByteArray big = patternBytes(200003, 7);
        int x = 0;
        for (char c : big)
            x ^= static_cast<unsigned char>(c);
        for (auto [bytes, sum] : {std::pair{QByteArray("\x5a\x5a\x13\x13", 4), 0},
                                  {QByteArray("\x01\x02\x04\x08\x10\x20\x40\x80\x01", 9), 0xFE},
                                  {big, x},
                                  {QByteArray(), -1}}) {
            QBuffer buffer(&bytes);
            QVERIFY(buffer.open(QIODevice::ReadOnly) && buffer.seek(bytes.size() / 2));
            QCOMPARE(FileChecksum(buffer, qMax<qint64>(1, bytes.size())).value_or(-1), sum);
            QCOMPARE(buffer.pos(), qint64(0));
        }
    }

    // The plan: headers, parts, pacing for normal and Turbo, and the time left from a point, at 100 B/s.
    void plan_data()
    {
        QTest::addColumn<QString>("setup"); // op, len, check, ram, lpt
        QTest::addColumn<QString>("plan");
        auto row = [](const char* name, const char* setup, const char* plan) { QTest::newRow(name) << setup << plan; };
        row("firmware, checksum, odd", "op=0 len=5 check", "?Z3&5,7 0+5@8 pad 64/512 20/2ms 4096/0 left:0=25.05,5=25");
        row("firmware, RAM card: no checksum", "op=0 len=4 check ram", "?Z2&4 0+4@8 64/512 20/2ms 4096/0 left:0=25.04");
        row("standard fonts on LPT1", "op=1 len=8192 lpt",
            "?Z1&8192 0+8192@8 64/512 45/2ms 4096/65536 left:0=110.92,4096=67.96,8192=25");
        row("fonts in one part", "op=2 len=1376256", "?Z:&1376256 0+1376256@10 64/512 10/2ms 4096/0 left:1376256=25");
        row("fonts in two parts on LPT1", "op=2 len=1376257 lpt",
            "?Z:&1376256,?Z;&1 0+1376256@11 1376256+1@36 64/512 20/2ms 4096/65536 "
            "left:0=14495.6,1376256=61.01,1376257=25");
        row("fonts one byte too big: refused, no header", "op=2 len=3014657", "file-too-big");
    }
    void plan()
    {
        QFETCH(QString, setup);
        QFETCH(QString, plan);
        const auto word = [&](const char* w) { return setup.section(QString(w) + "=", 1).section(' ', 0, 0); };
        const DownloadRequest request{"F.BIN", Operation(word("op").toInt()),
                                      setup.contains("ram") ? Boot::RamCard : Boot::Board,
                                      setup.contains("check") ? BoxValue::Checked : BoxValue::Unchecked};
        const DownloadPlan p = planDownload(request, word("len").toLongLong(), 7, setup.contains("lpt"));
        QStringList got;
        if (p.refused)
            got << causeId(p.refused.cause);
        if (!p.headerTexts().isEmpty())
            got << p.headerTexts().join(',');
        for (const DownloadPlan::Part& part : p.parts)
            got << QStringLiteral("%1+%2@%3").arg(part.offset).arg(part.length).arg(part.waitBefore);
        if (p.pad)
            got << "pad";
        if (!p.refused) {
            got << QStringLiteral("%1/%2 %3/%4ms %5/%6")
                       .arg(p.chunk(Pacing::Normal))
                       .arg(p.chunk(Pacing::Turbo))
                       .arg(p.intervalMs(Pacing::Normal))
                       .arg(p.intervalMs(Pacing::Turbo))
                       .arg(p.pauseEvery(Pacing::Normal))
                       .arg(p.pauseEvery(Pacing::Turbo));
            QStringList left;
            for (const QString& at : plan.section("left:", 1).split(',')) {
                const qint64 taken = at.section('=', 0, 0).toLongLong();
                left << QStringLiteral("%1=%2").arg(taken).arg(p.secondsLeft(taken, 100, Pacing::Normal));
            }
            got << "left:" + left.join(',');
            QCOMPARE(p.secondsLeft(0, 0, Pacing::Normal), -1.0); // no rate yet: not known
        }
        QCOMPARE(got.join(' '), plan);
        // A greyed Turbo box, as stored or shown, paces as normal; the stored key decides it once for every face.
        StoredSettings stored;
        for (const int turbo : {2, 1, 0, 3})
            got << QString::number(int((stored.turbo = turbo, choicesOf(stored).pacing())));
        QCOMPARE(got.mid(got.size() - 4).join(""), QStringLiteral("0100"));
    }

    // What the faces show under the status, sampled at given times ("t=text|..."), and the time left at
    // the first redraw with bytes and at every sample within 15 % of what really remained.
    void timeLeft_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("shown");
        const auto row = [](const char* name, const char* setup, const char* shown) {
            QTest::newRow(name) << setup << shown;
        };
        row("the defaults on a modelled 4800 line", "len=65536 line=4800,N,8,1 queue=0",
            "1=Attesa stampante 0:07 · mancano 3:21|15=3350/65536 B · 479 B/s · mancano 3:07|"
            "29=Pausa 0:01 · mancano 2:53|183=Attesa finale 0:19");
        row("Turbo at 57600", "len=65536 turbo=1 line=57600,N,8,1 queue=0",
            "15=39177/65536 B · 5597 B/s · mancano 0:30|22=Attesa finale 0:23");
        row("fonts in two parts", "len=1376257 op=external turbo=1 line=57600,N,8,1 queue=0",
            "1=Attesa stampante 0:09 · mancano 5:15|260=Tra le parti 0:21 · mancano 0:56|"
            "281=Attesa stampante 0:10 · mancano 0:35|295=Attesa finale 0:21");
        row("LPT1, English", "len=8192 port=LPT1 lang=2000",
            "1=Printer wait 0:07 · 0:42 left|11=Pause 0:02 · 0:32 left|15=7104/8192 B · 1421 B/s · 0:28 left|"
            "22=End wait 0:21|50=");
    }
    void timeLeft()
    {
        QFETCH(QString, setup);
        QFETCH(QString, shown);
        Run r(setup);
        DownloadWatch watch(r.download, r.clock);
        double firstAt = -1, firstLeft = -1, endedAt = -1;
        QList<std::pair<double, double>> left{};
        QObject::connect(&watch, &DownloadWatch::changed, [&] {
            const DownloadStatus s = watch.status();
            if (firstAt < 0 && s.phase == DownloadPhase::Sending && s.taken > 0)
                firstAt = r.clock.now(), firstLeft = s.secondsLeft;
        });
        QObject::connect(&r.download, &Download::ended, [&] { endedAt = r.clock.now(); });
        QStringList got;
        for (const QString& at : shown.split('|', Qt::SkipEmptyParts)) {
            const double t = at.section('=', 0, 0).toDouble();
            r.clock.at(t, [&, t] {
                got << QStringLiteral("%1=%2").arg(t).arg(statusText(watch.status()));
                left << std::pair{t, watch.status().secondsLeft};
            });
        }
        r.download.start(r.request);
        r.clock.run(400);
        QCOMPARE(got.join('|'), shown);
        QVERIFY(firstAt > 0 && endedAt > firstAt);
        left.prepend({firstAt, firstLeft});
        for (const auto& [at, estimate] : left)
            QVERIFY2(
                at >= endedAt || std::abs(estimate - (endedAt - at)) <= 0.15 * (endedAt - at),
                qPrintable(QStringLiteral("at %1: %2 s left said, %3 s real").arg(at).arg(estimate).arg(endedAt - at)));
    }

    // Whole downloads as timelines: the wire (openings, headers, data writes by size and cadence, closings),
    // the dialog, the phases, the outcome and the message. Times are virtual seconds.
    void timelines_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("timeline");
        QTest::addColumn<QString>("message"); // a part of its text
        auto row = [](const char* name, const char* setup, const char* timeline, const char* message = "") {
            QTest::newRow(name) << setup << timeline << message;
        };
        // The command: header codes, checksums, line settings, pacing.
        row("firmware, board, checksum", "data=A check=on port=COM3 line=19200,E,7,2",
            "[checksum]@0 open3 19200,E,7,2@0 ?Z3&1,65$@0 ~wait8@0 A@8.02 pad@8.02 END@8.02");
        row("checksum 0 is one digit", "data=abab check=on",
            "[checksum]@0 open@0 ?Z3&4,0$@0 ~wait8@0 abab@8.02 END@8.02");
        row("firmware, board", "data=1234", "open@0 ?Z4&4$@0 ~wait8@0 1234@8.02 END@8.02");
        row("a greyed box is no checksum", "data=12 check=greyed", "open@0 ?Z4&2$@0 ~wait8@0 12@8.02 END@8.02");
        row("firmware to the RAM card", "data=123 check=on ram", "open@0 ?Z2&3$@0 ~wait8@0 123@8.02 pad@8.02 END@8.02");
        row("standard fonts, board, checksum", "data=xy op=fonts check=on",
            "[checksum]@0 open@0 ?Z8&2,1$@0 ~wait8@0 xy@8.02 END@8.02");
        row("standard fonts, board", "data=xy op=fonts", "open@0 ?Z1&2$@0 ~wait8@0 xy@8.02 END@8.02");
        row("standard fonts, RAM card", "data=xy op=fonts ram", "open@0 ?Z0&2$@0 ~wait8@0 xy@8.02 END@8.02");
        row("no operation: no header", "data=xy op=none", "open@0 ~wait8@0 xy@8.02 END@8.02");
        row("Turbo", "data=xy turbo=1", "open@0 ?Z4&2$@0 ~wait8@0 xy@8.002 END@8.002");
        row("Turbo greyed is no Turbo, pauses too", "len=4097 turbo=2",
            "open@0 ?Z4&4097$@0 ~wait8@0 64x64@8.02+0.02 ~pause2@9.28 1@11.3 pad@11.3 END@11.3");
        row("Turbo greyed on LPT1 pauses every 4096", "len=4097 port=LPT1 turbo=2",
            "~wait8@0 ~pause2@10.88 END@12.925 lpt:?Z4&4097$+4098");
        row("LPT1", "data=xy port=LPT1 op=fonts check=on", "[checksum]@0 ~wait8@0 END@8.045 lpt:?Z8&2,1$+2");
        row("LPT1 with Turbo", "data=xy port=LPT1 turbo=1", "~wait8@0 END@8.002 lpt:?Z4&2$+2");
        row("English", "data=xy lang=2000",
            "open@0 ?Z4&2$@0 ~wait8@0 xy@8.02 [endwait]@8.02 ~end25@8.02 close@33.02 I:Download has ended@33.02 "
            "=done@33.02");
        // Pacing and pauses.
        row("100 bytes", "len=100", "open@0 ?Z4&100$@0 ~wait8@0 64@8.02 36@8.04 END@8.04");
        row("4097 bytes pause after 4096 and take a pad byte", "len=4097",
            "open@0 ?Z4&4097$@0 ~wait8@0 64x64@8.02+0.02 ~pause2@9.28 1@11.3 pad@11.3 END@11.3");
        row("Turbo: no pause", "len=9000 turbo=1",
            "open@0 ?Z4&9000$@0 ~wait8@0 512x17@8.002+0.002 296@8.036 END@8.036");
        row("Turbo read at every tick", "len=2000 turbo@8.105",
            "open@0 ?Z4&2000$@0 ~wait8@0 64x5@8.02+0.02 512x3@8.12+0.02 144@8.18 END@8.18");
        row("LPT1 pauses every 4096", "len=8192 port=LPT1",
            "~wait8@0 ~pause2@10.88 ~pause2@15.76 END@17.76 lpt:?Z4&8192$+8192");
        row("LPT1 with Turbo pauses every 65536", "len=131073 port=LPT1 turbo=1",
            "~wait8@0 ~pause2@8.256 ~pause2@10.512 END@12.514 lpt:?Z4&131073$+131074");
        // A modelled line ("queue": bytes a device holds that the system does not count): what goes out follows
        // the slower of the pacing and the line, a pause waits for the line and reaches the wire, and the bar
        // follows what the line has taken.
        row("the line sets the pace", "len=1000 line=4800,N,8,1 queue=0",
            "open@0 ?Z4&1000$@0 ~wait8@0 64x2@8.02+0.02 64x3@8.16+0.14 64x3@8.56+0.14 64x3@8.96+0.14 64x3@9.36+0.14 "
            "64@9.76 40@9.9 ~drain0@9.9 END@10.104");
        row("the line sets the pace of Turbo", "len=3000 turbo=1 line=4800,N,8,1 queue=0",
            "open@0 ?Z4&3000$@0 ~wait8@0 512x2@8.002+0.004 512x2@9.072+1.066 512@11.206 440@12.272 ~drain0@12.272 "
            "END@14.252");
        row("a pause waits for the line", "len=5000 line=57600,N,8,1 queue=0",
            "open1 56000,N,8,1@0 ?Z4&5000$@0 ~wait8@0 64x64@8.02+0.02 ~drain0@9.28 ~pause2@9.291 64x14@11.311+0.02 "
            "8@11.591 ~drain0@11.591 END@11.593");
        row("a pause behind a device queue", "len=9001 line=9600,N,8,1 queue=4096",
            "open1 9600,N,8,1@0 ?Z4&9001$@0 ~wait8@0 64x64@8.02+0.02 ~pause2@9.28 64x64@11.3+0.02 ~pause2@12.56 "
            "64x12@14.58+0.02 41@14.82 pad@14.82 END@14.82");
        row("fonts: the line sets the pace", "len=1000 op=external line=9600,N,8,1 queue=0",
            "dlg@0 open1 9600,N,8,1@0 ?Z:&1000$@0 ~wait10@0 64x2@10+0.01 64x3@10.07+0.07 64x3@10.27+0.07 "
            "64x3@10.47+0.07 64x3@10.67+0.07 64@10.87 40@10.94 ~drain0@10.94 close@11.042 END@11.042");
        row("fonts: Turbo behind a device queue", "len=9001 op=external turbo=1 line=4800,N,8,2 queue=4096",
            "dlg@0 open1 4800,N,8,2@0 ?Z:&9001$@0 ~wait10@0 512x10@10+0.002 512x3@11.176+1.174 512x3@14.696+1.174 "
            "512@18.216 297@19.39 ~drain0@19.39 close@21.243 END@21.243");
        row("fonts: a pause waits for the line", "len=4097 op=external line=57600,N,8,1 queue=0",
            "dlg@0 open1 56000,N,8,1@0 ?Z:&4097$@0 ~wait10@0 64x8@10+0.01 64x7@10.09+0.01 64x7@10.17+0.01 "
            "64x7@10.25+0.01 64x7@10.33+0.01 64x7@10.41+0.01 64x7@10.49+0.01 64x7@10.57+0.01 64x7@10.65+0.01 "
            "~drain0@10.71 ~pause2@10.732 1@12.742 ~drain0@12.742 close@12.744 END@12.744");
        // External fonts.
        row("fonts in one part", "len=1376256 op=external turbo=1",
            "dlg@0 open@0 ?Z:&1376256$@0 ~wait10@0 512x2688@10+0.002 close@15.374 END@15.374");
        row("fonts in two parts", "len=1376257 op=external turbo=1",
            "dlg@0 open@0 ?Z:&1376256$@0 ~wait10@0 512x2688@10+0.002 close@15.374 ~parts25@15.374 open@40.374 "
            "?Z;&1$@40.374 ~wait10@40.374 1@50.374 close@50.374 END@50.374");
        row("the largest fonts", "len=3014656 op=external turbo=1",
            "dlg@0 open@0 ?Z:&1376256$@0 ~wait10@0 512x2688@10+0.002 close@15.374 ~parts25@15.374 open@40.374 "
            "?Z;&1638400$@40.374 ~wait10@40.374 512x3200@50.374+0.002 close@56.772 END@56.772");
        row("fonts too big", "len=3014657 op=external", "C:@0 =file@0",
            "ATTENZIONE! File troppo grande. Operazione annullata.");
        row("fonts pause every 4096 without Turbo", "len=4097 op=external",
            "dlg@0 open@0 ?Z:&4097$@0 ~wait10@0 64x64@10+0.01 ~pause2@10.63 1@12.64 close@12.64 END@12.64");
        row("fonts with Turbo pause nowhere", "len=9000 op=external turbo=1",
            "dlg@0 open@0 ?Z:&9000$@0 ~wait10@0 512x17@10+0.002 296@10.034 close@10.034 END@10.034");
        row("fonts over LPT1", "len=1000 op=external port=LPT1 turbo=1",
            "dlg@0 ~wait10@1 END@11.002 lpt:?Z:&1000$+1000");
        row("fonts over LPT1 pause every 4096", "len=8193 op=external port=LPT1",
            "dlg@0 ~wait10@1 ~pause2@12.26 ~pause2@15.54 END@17.56 lpt:?Z:&8193$+8193");
        row("fonts over LPT1 with Turbo pause every 65536", "len=131073 op=external port=LPT1 turbo=1",
            "dlg@0 ~wait10@1 ~pause2@11.254 ~pause2@13.51 END@15.512 lpt:?Z:&131073$+131073");
        // Refused requests.
        row("empty path: nothing at all", "file=none", "");
        row("missing file: nothing created", "file=missing", "C:Velmora@0 rejected@0 =file@0",
            "File vuoto o inesistente !!");
        row("empty file: kept", "file=zero", "C:Velmora@0 rejected@0 =file@0", "File vuoto o inesistente !!");
        row("a folder: named", "file=folder", "C:Velmora@0 =file@0", "non è un file normale: è una cartella");
        row("a FIFO: named, never opened", "file=fifo", "C:Velmora@0 =file@0", "è una FIFO");
        row("a device: named, in English", "file=device lang=2000", "C:Velmora@0 =file@0",
            "/dev/zero\nis not a regular file: it is a device");
        row("2 GiB: named with its size", "file=huge", "C:Velmora@0 =file@0", "è troppo grande (2147483648");
        row("Annulla in the pass over a large file: nothing opened", "file=2G-1 check=on cancel@0",
            "[checksum]@0 =aborted@0");
        row("2 GiB less one byte goes", "file=2G-1 turbo=1 cancel@9",
            "open@0 ?Z4&2147483647$@0 ~wait8@0 512x499@8.002+0.002 close@9 I:Velmora@9 =aborted@9");
        row("a held port: named in sight and in the detail", "data=abc check=on refuse",
            "[checksum]@0 refused1@0 C:Porta@0 =port@0",
            "ATTENZIONE! La porta COM è già aperta. Chiudere tutte le applicazioni e riprovare. / Porta / COM1 "
            "(/dev/fake1): porta in uso da un altro programma");
        row("a held port freed: the next press goes through", "data=abc check=on refuse free@1 press@2",
            "[checksum]@0 refused1@0 C:Porta@0 =port@0 [checksum]@2 open@2 ?Z3&3,96$@2 ~wait8@2 "
            "abc@10.02 pad@10.02 END@10.02");
        row("a held port, English", "data=abc lang=2000 refuse", "refused1@0 C:Port@0 =port@0",
            "WARNING! COM port is already open. Close all programs and try again.");
        row("the second part's port refused: the link failed, the printer has the first part",
            "len=1376257 op=external turbo=1 refuse@30",
            "dlg@0 open@0 ?Z:&1376256$@0 ~wait10@0 512x2688@10+0.002 close@15.374 ~parts25@15.374 refused1@40.374 "
            "FAIL@40.374",
            "Collegamento con COM1 (/dev/fake1) interrotto\n\nla porta non si è riaperta: porta in uso");
        // A download holds its device from its first byte to its end, across its own closings: a second user
        // is refused before it sends anything.
        row("a second user between the fonts' parts", "len=1376257 op=external turbo=1 second@30",
            "dlg@0 open@0 ?Z:&1376256$@0 ~wait10@0 512x2688@10+0.002 close@15.374 ~parts25@15.374 2nd=port@30 "
            "open@40.374 ?Z;&1$@40.374 ~wait10@40.374 1@50.374 close@50.374 END@50.374");
        row("a second user after the fonts' header on LPT1", "len=1000 op=external port=LPT1 turbo=1 second@0.5",
            "dlg@0 2nd=port@0.5 ~wait10@1 END@11.002 lpt:?Z:&1000$+1000");
        row("a second user in the firmware's wait on LPT1", "len=100 port=LPT1 second@3",
            "~wait8@0 2nd=port@3 ~send0@8 END@8.09 lpt:?Z4&100$+100");
        row("a second user after the end is served", "len=100 second@40",
            "open@0 ?Z4&100$@0 ~wait8@0 64@8.02 36@8.04 END@8.04 2nd=done@73.04");
        // A job resolves LPT1 once: its name relinked meanwhile leads it to no other device; another device in its
        // device's place fails it.
        row("LPT1 relinked after the fonts' header: the rest to the same device",
            "len=1000 op=external port=LPT1 relink@0.5", "dlg@0 ~wait10@1 END@11.3 lpt:?Z:&1000$+1000");
        row("LPT1 unlinked after the fonts' header: the rest to the same device",
            "len=1000 op=external port=LPT1 unlink@0.5", "dlg@0 ~wait10@1 END@11.3 lpt:?Z:&1000$+1000");
        row("another device in LPT1's place after the fonts' header: the link failed",
            "len=1000 op=external port=LPT1 replace@0.5", "dlg@0 FAIL@1 lpt:+0",
            "al suo posto c'è ora un altro dispositivo: non è il dispositivo che questo lavoro ha aperto per primo");
        // Presses, aborts and the end of the program.
        row("a second press in the 8-second wait and in the transfer", "len=300 press@3 press@8.05",
            "open@0 ?Z4&300$@0 ~wait8@0 64x4@8.02+0.02 44@8.1 END@8.1");
        row("a new download inside an abandoned one's wait", "len=300 cancel@3 press@4",
            "open@0 ?Z4&300$@0 ~wait8@0 close@3 I:Velmora@3 =aborted@3 open@4 ?Z4&300$@4 ~wait8@4 64x4@12.02+0.02 "
            "44@12.1 "
            "END@12.1");
        row("cancel in a chunk run", "len=4097 cancel@8.05",
            "open@0 ?Z4&4097$@0 ~wait8@0 64x2@8.02+0.02 close@8.05 I:Velmora@8.05 =aborted@8.05",
            "Spegnere e riaccendere la stampante / Velmora / La stampante ha ricevuto 128 dei 4097 byte annunciati");
        row("cancel in the 2-second pause", "len=4097 cancel@10",
            "open@0 ?Z4&4097$@0 ~wait8@0 64x64@8.02+0.02 ~pause2@9.28 close@10 I:Velmora@10 =aborted@10");
        row("cancel in the end wait", "len=100 cancel@20",
            "open@0 ?Z4&100$@0 ~wait8@0 64@8.02 36@8.04 [endwait]@8.04 ~end25@8.04 close@20 =aborted@20");
        row("cancel in the fonts' pacing", "len=20000 op=external cancel@10.5",
            "dlg@0 open@0 ?Z:&20000$@0 ~wait10@0 64x51@10+0.01 close@10.5 I:Velmora@10.5 =aborted@10.5");
        row("a language the table lacks: Italian", "data=xy lang=3000", "open@0 ?Z4&2$@0 ~wait8@0 xy@8.02 END@8.02");
        row("the program ends in a pause", "len=5000 end@10",
            "open@0 ?Z4&5000$@0 ~wait8@0 64x64@8.02+0.02 ~pause2@9.28 close@10");
        row("the program ends while the line drains", "len=600 turbo=1 rate=100 end@12",
            "open@0 ?Z4&600$@0 ~wait8@0 512@8.002 88@8.012 ~drain0@8.012 close@12");
        row("the program ends in the end wait", "len=100 end@20",
            "open@0 ?Z4&100$@0 ~wait8@0 64@8.02 36@8.04 [endwait]@8.04 ~end25@8.04 close@20");
        row("the program ends in the fonts' 10-second wait", "len=5000 op=external end@5",
            "dlg@0 open@0 ?Z:&5000$@0 ~wait10@0 close@5");
        row("the program ends in the fonts' pacing", "len=5000 op=external end@10.05",
            "dlg@0 open@0 ?Z:&5000$@0 ~wait10@0 64x6@10+0.01 close@10.05");
        row("the program ends in the 8-second wait", "len=100 end@3", "open@0 ?Z4&100$@0 ~wait8@0 close@3");
        row("the program ends in the fonts' wait between parts", "len=1376257 op=external turbo=1 end@30",
            "dlg@0 open@0 ?Z:&1376256$@0 ~wait10@0 512x2688@10+0.002 close@15.374 ~parts25@15.374");
        // Failures.
        row("hang-up before the data", "len=5000 hangup@4", "open@0 ?Z4&5000$@0 ~wait8@0 hangup@4 close@4 FAIL@4",
            "COM1");
        row("hang-up in the middle", "len=5000 hangup@8.05",
            "open@0 ?Z4&5000$@0 ~wait8@0 64x2@8.02+0.02 hangup@8.05 close@8.05 FAIL@8.05",
            "ricevuto 128 dei 5000 byte");
        // A line that shows no queue: what was written is said, not what the printer took.
        row("hang-up in the middle of a line that shows no queue", "len=5000 blind hangup@8.05",
            "open@0 ?Z4&5000$@0 ~wait8@0 64x2@8.02+0.02 hangup@8.05 close@8.05 FAIL@8.05",
            "Sono stati inviati 128 dei 5000 byte annunciati; la linea non dice quanti ne abbia ricevuti");
        row("hang-up in the end wait: the data are out", "len=100 hangup@20",
            "open@0 ?Z4&100$@0 ~wait8@0 64@8.02 36@8.04 [endwait]@8.04 ~end25@8.04 hangup@20 close@33.04 I:Download "
            "terminato.@33.04 =done@33.04");
        row("fonts: hang-up before the data", "len=5000 op=external hangup@5",
            "dlg@0 open@0 ?Z:&5000$@0 ~wait10@0 hangup@5 close@5 FAIL@5", "COM1");
        row("fonts: hang-up in the middle", "len=5000 op=external hangup@10.05",
            "dlg@0 open@0 ?Z:&5000$@0 ~wait10@0 64x6@10+0.01 hangup@10.05 close@10.05 FAIL@10.05", "COM1");
        row("fonts: hang-up in the end wait", "len=100 op=external hangup@20",
            "dlg@0 open@0 ?Z:&100$@0 ~wait10@0 64@10 36@10.01 close@10.01 END@10.01");
        row("a write fails", "len=5000 fail=649",
            "open@0 ?Z4&5000$@0 ~wait8@0 64x10@8.02+0.02 hangup@8.22 close@8.22 FAIL@8.22",
            "Collegamento con COM1 (/dev/fake1) interrotto\n\nla stampante ha chiuso la linea: the line was closed at "
            "the other end");
        row("a write fails without a failure signal", "len=5000 quietfail=649",
            "open@0 ?Z4&5000$@0 ~wait8@0 64x10@8.02+0.02 close@8.22 FAIL@8.22", "la porta è chiusa");
        row("a slow line is drained to its last byte", "len=600 turbo=1 rate=100",
            "open@0 ?Z4&600$@0 ~wait8@0 512@8.002 88@8.012 ~drain0@8.012 END@14.004");
        row("cancel while the line drains and takes nothing", "len=64 rate=0.000000001 cancel@12",
            "open@0 ?Z4&64$@0 ~wait8@0 64@8.02 ~drain0@8.02 close@12 I:Velmora@12 =aborted@12");
        row("fonts: cancel while the line is behind", "len=5000 op=external rate=100 cancel@11",
            "dlg@0 open@0 ?Z:&5000$@0 ~wait10@0 64x2@10+0.01 64@10.65 close@11 I:Velmora@11 =aborted@11");
        row("fonts: cancel in the 2-second pause", "len=5000 op=external cancel@11.5",
            "dlg@0 open@0 ?Z:&5000$@0 ~wait10@0 64x64@10+0.01 ~pause2@10.63 close@11.5 I:Velmora@11.5 =aborted@11.5");
        row("fonts: a write fails", "len=5000 op=external fail=649",
            "dlg@0 open@0 ?Z:&5000$@0 ~wait10@0 64x10@10+0.01 hangup@10.1 close@10.1 FAIL@10.1",
            "Collegamento con COM1");
        row("fonts: a file that shrinks", "len=5000 op=external shrink@10.05",
            "dlg@0 open@0 ?Z:&5000$@0 ~wait10@0 64x6@10+0.01 close@10.06 FAIL@10.06",
            "il file è più corto di quanto annunciato");
        row("fonts: LPT1 missing", "len=100 op=external port=LPT1 lpt=/no/such/printer",
            "dlg@0 C:Porta@0 =port@0 lpt:+0", "/no/such/printer");
        row("fonts: a second download after the first", "len=100 op=external press@40",
            "dlg@0 open@0 ?Z:&100$@0 ~wait10@0 64@10 36@10.01 close@10.01 END@10.01 dlg@40 open@40 ?Z:&100$@40 "
            "~wait10@40 64@50 36@50.01 close@50.01 END@50.01");
        row("hang-up while the line drains before a pause", "len=4097 rate=3300 hangup@9.29",
            "open@0 ?Z4&4097$@0 ~wait8@0 64x64@8.02+0.02 ~drain0@9.28 hangup@9.29 close@9.29 FAIL@9.29", "COM1");
        row("a line that takes nothing", "len=100 rate=0.000000001",
            "open@0 ?Z4&100$@0 ~wait8@0 64@8.02 close@25.1 FAIL@25.1", "COM1");
        row("the end waits until the line has taken every byte", "len=3000 turbo=1 rate=1000",
            "open@0 ?Z4&3000$@0 ~wait8@0 512x2@8.002+0.002 512x3@8.516+0.512 440@10.052 ~drain0@10.052 END@11.012");
        row("a slow line reporting its queue in 4 KiB steps", "len=12000 turbo=1 line=2400,N,8,1 rate=240 step=4096",
            "open1 2400,N,8,1@0 ?Z4&12000$@0 ~wait8@0 512x23@8.002+2.134 224@57.084 ~drain0@57.084 END@58.024");
        row("a printer flooding the line is read and ignored", "len=5000 noise@4 noise@8.05 noise@20",
            "open@0 ?Z4&5000$@0 ~wait8@0 64x64@8.02+0.02 ~pause2@9.28 64x14@11.3+0.02 8@11.58 END@11.58");
        // A line that shows no queue (a pseudo-terminal): the end says the bytes were sent, not that they arrived.
        row("a line that shows no queue: sent, not confirmed", "data=xy blind",
            "open@0 ?Z4&2$@0 ~wait8@0 xy@8.02 END@8.02 unconfirmed", "solo la stampante può dire se li ha ricevuti");
        row("a file removed in the transfer still goes out", "len=5000 remove@8.05",
            "open@0 ?Z4&5000$@0 ~wait8@0 64x64@8.02+0.02 ~pause2@9.28 64x14@11.3+0.02 8@11.58 END@11.58");
        row("a file changed in place: not what was announced", "len=5000 check=on overwrite@8.05",
            "[checksum]@0 open@0 ?Z3&5000,112$@0 ~wait8@0 64x64@8.02+0.02 ~pause2@9.28 64x14@11.3+0.02 "
            "ZZZZZZZZ@11.58 close@11.58 FAIL@11.58",
            "DATA.BIN\nè cambiato durante il download");
        row("a same-size edit that keeps the XOR and the time", "len=5000 swap@8.05",
            "open@0 ?Z4&5000$@0 ~wait8@0 64x64@8.02+0.02 ~pause2@9.28 64x14@11.3+0.02 8@11.58 close@11.58 FAIL@11.58",
            "DATA.BIN\nè cambiato durante il download");
        row("fonts: a file changed in place", "len=5000 op=external overwrite@10.05",
            "dlg@0 open@0 ?Z:&5000$@0 ~wait10@0 64x64@10+0.01 ~pause2@10.63 64x14@12.64+0.01 ZZZZZZZZ@12.78 "
            "close@12.78 FAIL@12.78",
            "è cambiato durante il download");
        row("a file that shrinks", "len=5000 shrink@8.05",
            "open@0 ?Z4&5000$@0 ~wait8@0 64x2@8.02+0.02 close@8.06 FAIL@8.06",
            "il file è più corto di quanto annunciato");
        row("LPT1 missing", "port=LPT1 lpt=/no/such/printer", "C:Porta@0 =port@0 lpt:+0", "/no/such/printer");
        row("LPT1 missing is not created", "port=LPT1 lpt=dangling", "C:Porta@0 =port@0 lpt:+0",
            "gone.out)\n\nil dispositivo non esiste");
        row("LPT1 a folder", "port=LPT1 lpt=folder", "C:Porta@0 =port@0 lpt:+0", "non è un dispositivo");
        row("LPT1 held by another user", "port=LPT1 lpt=held", "C:Porta@0 =port@0 lpt:+0",
            "porta in uso da un altro programma");
        row("LPT1 a FIFO nobody reads: refused at once", "port=LPT1 lpt=deaf", "C:Porta@0 =port@0 lpt:+0",
            "nessuno legge dal dispositivo");
        // Only a printer's device or a FIFO takes the bytes: nothing is written into a disk, a memory device, a
        // terminal or a file.
        row("LPT1 a memory device", "port=LPT1 lpt=/dev/full", "C:Porta@0 =port@0 lpt:+0",
            "/dev/full)\n\nnon è una stampante: un dispositivo di memoria");
        row("LPT1 /dev/null", "port=LPT1 lpt=/dev/null", "C:Porta@0 =port@0 lpt:+0", "non è una stampante");
        row("LPT1 a terminal", "port=LPT1 lpt=/dev/ptmx", "C:Porta@0 =port@0 lpt:+0", "non è una stampante: un terminale");
        row("LPT1 a plain file", "port=LPT1 lpt=plain", "C:Porta@0 =port@0 lpt:+0", "non è una stampante: un file normale");
        row("LPT1 a disk", "port=LPT1 lpt=/dev/loop0", "C:Porta@0 =port@0 lpt:+0", "non è una stampante: un dispositivo a blocchi");
        row("LPT1 whose reader goes away, named as it was opened",
            "len=20000 port=LPT1 lpt=fifo unlink@8.4 closefifo@8.5", "~wait8@0 FAIL@8.54 lpt:+0",
            "lpt1.fifo) interrotto\n\nla stampante ha chiuso la linea");
        row("LPT1 that takes nothing more stalls after 10 s", "len=100000 port=LPT1 lpt=fifo turbo=1",
            "~wait8@0 FAIL@18.276 lpt:+0", "lpt1.fifo) interrotto\n\nla stampante non accetta i dati");
        row("LPT1 that takes nothing more: Annulla acts at once", "len=100000 port=LPT1 lpt=fifo turbo=1 cancel@12",
            "~wait8@0 I:Velmora@12 =aborted@12 lpt:+0");
    }
    void timelines()
    {
        QFETCH(QString, setup);
        QFETCH(QString, timeline);
        QFETCH(QString, message);
        Run d(setup);
        if (d.request.path == "no sparse files")
            QSKIP("no sparse files here");
        if (setup.contains("/dev/loop0") && !QFileInfo::exists("/dev/loop0"))
            QSKIP("no block device here");
        const bool existed = QFileInfo::exists(d.request.path), modelled = setup.contains("queue=");
        if (modelled)
            d.watchTheBar();
        const QString got = d.run();
        if (qEnvironmentVariableIsSet("VELMORA_PRINT_TIMELINES"))
            qInfo().noquote() << "@@" << QTest::currentDataTag() << "@@" << got;
        if (got != timeline)
            qInfo().noquote() << "messages:" << d.messages.said();
        COMPARE_TIMELINE(got, timeline);
        QCOMPARE(Run::drain(d.otherReader), QByteArray()); // a name relinked meanwhile leads the job nowhere else
        QVERIFY2(d.messages.said().contains(got.contains("END@") ? "Spegnere e riaccendere la stampante" : message) &&
                     d.messages.said().contains(message),
                 qPrintable(d.messages.said()));
        // No header out on a serial line: no printer left mid-image.
        QVERIFY(d.parallel() || got.contains("?Z") || !d.messages.said().contains("attende il resto"));
        QCOMPARE(QFileInfo::exists(d.request.path), existed && !setup.contains("remove@"));
        QCOMPARE(d.port.largestUnread(), 0);
        // A refusal or failure, and only that, carries its cause, for the faces that name it by id.
        QString last;
        for (const auto& m :
             QRegularExpression("(?<!2nd)(=done|END|=aborted|=file|=port|=failed|FAIL)@").globalMatch(got))
            last = m.captured(1);
        QCOMPARE(bool(d.download.failure()), QStringList({"=file", "=port", "=failed", "FAIL"}).contains(last));
        d.expectSound(got);
        if (modelled) {
            const qint64 queue = setup.section("queue=", 1).section(' ', 0, 0).toLongLong(), chunk = d.turbo ? 512 : 64;
            QVERIFY2(d.lag <= chunk && d.lead <= queue,
                     qPrintable(QStringLiteral("lag %1, lead %2").arg(d.lag).arg(d.lead)));
            QVERIFY2(d.port.largestBacklog() < 2 * chunk + queue, qPrintable(QString::number(d.port.largestBacklog())));
            // Each pause reaches the wire, less what the device queue still had to send.
            for (int i = 1; !d.turbo && i <= d.data.size() / 4096; ++i)
                QVERIFY2(d.port.idleAfter(4096 * i) >= 2 - queue / (d.link.line->baud / 10.0) - 1e-9,
                         qPrintable(QString::number(i)));
        }
    }

    // Jobs in one process keep their own pacing, pauses and waits: two downloads at once go each as it goes
    // alone, one failing halfway does not stop the other, and a release check in a download's end wait does not
    // lengthen it.
    void jobsRunSideBySide()
    {
        Run alone("len=9000");
        alone.download.start(alone.request);
        alone.clock.run(400);
        Run d("len=9000");
        Beside failing(d, {"COM2", d.link.line}), asking(d, {"COM4", d.link.line});
        failing.port.failAfter(5000);
        asking.port.answer("!0", {{"?", 0.05}});
        asking.port.answer("?54&4\r\n", {{"1.07\r", 0.1}});
        ReleaseCheck check(asking.port, d.clock);
        double endWait = 0, checked = 0;
        QString release;
        connect(&d.download, &Download::phase, [&](DownloadPhase phase, double) {
            if (phase == DownloadPhase::EndWait)
                d.clock.at(endWait = d.clock.now() + 1, [&] {
                    check.start(d.home.file("FW.BIN", "Release: 2"), {"COM4", LineSettings{}});
                });
        });
        connect(&check, &ReleaseCheck::finished, [&](const ReleaseComparison& c) {
            checked = d.clock.now();
            release = c.printer.value_or("none");
        });
        d.download.start(d.request);
        failing.download.start(d.request);
        d.clock.run(400);
        QCOMPARE(wire(d.port, d.messages), wire(alone.port, alone.messages));
        QCOMPARE(failing.download.failure().cause, Cause::LinkHungUp);
        QCOMPARE(failing.port.bytesWritten(), 9 + 77 * 64); // the header, then whole chunks until the line went
        QCOMPARE(release + QString::number(checked - endWait), "1.070.8");
    }

    // A handler of a download's end cannot start the next one from inside it, and leaves nothing open.
    void noStartFromItsOwnEnd()
    {
        Run d("len=100");
        int starts = 0;
        connect(&d.download, &Download::ended, [&] {
            if (!starts++)
                d.download.start(d.request);
        });
        d.expectSound(d.run());
        QCOMPARE(d.port.openings, 1);
    }

    // Ticks while no timed transfer runs (the 8-second wait, after the end) send nothing and stop the timer.
    void aStrayTickSendsNothing()
    {
        Run d("len=100");
        bool enabled = true;
        d.clock.at(1, [&] {
            d.timer->setInterval(20);
            d.timer->setEnabled(true);
            d.clock.at(1.5, [&] { enabled = d.timer->isEnabled(); });
        });
        d.download.start(d.request);
        d.clock.run(2);
        QVERIFY(!enabled);
        QCOMPARE(d.port.writes.size(), 1); // the header only
        d.clock.run(60);
        const qsizetype writes = d.port.writes.size();
        emit d.timer->timeout();
        QVERIFY(d.port.writes.size() == writes && d.messages.shown.size() == 1);
    }
};

QTEST_GUILESS_MAIN(TstDownload)
#include "tst_download.moc"
