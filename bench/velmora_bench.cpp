// Prints the figures of the performance table. Usage: velmora-bench [MODE|all]
// Modes: checksum, wait, pacing, many, record, window, line, startup, rss, tail. ("tail" reads at every baud rate of the
// list and takes about 20 minutes, "line" about 3; "all" includes both.)
#include "app/main_window.h"
#include "core/download/download.h"
#include "core/download/header.h"
#include "core/link/qt_serial_control.h"
#include "core/platform/system_clock.h"
#include "core/platform/task.h"
#include "core/printer/release_search.h"
#include "core/record/service_record.h"
#include "core/record/shop_record.h"
#include "tests/support/fake_serial_control.h"
#include "tests/support/pty_pair.h"
#include "tests/support/test_env.h"
#include "texts/download_messages.h"
#include "texts/string_table.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QPushButton>
#include <QTemporaryFile>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// The real main window with the real clock and serial controls, for real links in real time.
struct RealBench {
    // Builds the window with these stored "key=value" settings and runs the start-up sequence.
    MainWindow& load(const QStringList& stored)
    {
        home.store(stored);
        Seams seams{clock, messages, fileDialog, [] { return std::make_unique<QtSerialControl>(); }};
        window = std::make_unique<MainWindow>(seams);
        window->Form_Load();
        return *window;
    }
    TestHome home;
    SystemClock clock;
    MessageRecorder messages{clock};
    ScriptedFileDialog fileDialog;
    std::unique_ptr<MainWindow> window;
};

void row(const char* what, double value, const char* unit, const char* goal)
{
    std::printf("| %-58s | %12.3f %-6s | %-10s |\n", what, value, unit, goal);
    std::fflush(stdout);
}

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void checksum()
{
    QTemporaryFile file;
    file.open();
    file.write(patternBytes(3 << 20, 11));
    file.flush();
    QFile f(file.fileName());
    f.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    FileChecksum(f, f.size()); // warm the page cache
    const int rounds = 50;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < rounds; ++i)
        FileChecksum(f, f.size());
    const double seconds = t.nsecsElapsed() / 1e9;
    row("FileChecksum over 3 MiB (cached), GB/s", rounds * double(3 << 20) / seconds / 1e9, "GB/s", ">= 1");
    // The download's own pass: the XOR and the digest the bytes sent are checked against.
    t.restart();
    for (int i = 0; i < rounds / 5; ++i) {
        FilePass pass(f, f.size());
        while (!pass.done() && pass.step(Download::kFilePassStep)) {
        }
    }
    row("FilePass (XOR and BLAKE2b) over 3 MiB (cached), MB/s",
        (rounds / 5) * double(3 << 20) / (t.nsecsElapsed() / 1e9) / 1e6, "MB/s", ">= 200");
}

void releaseSearch()
{
    // The worst case: the marker in the last bytes of a 3 MiB file.
    QTemporaryFile file;
    file.open();
    file.write(patternBytes((3 << 20) - 20, 12).replace("Release: ", "Release- ") + QByteArray("Release: 1.05\0", 14));
    file.flush();
    QFile f(file.fileName());
    f.open(QIODevice::ReadOnly);
    findRelease(f);
    const int rounds = 20;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < rounds; ++i)
        if (!findRelease(f))
            std::printf("release not found!\n");
    const double seconds = t.nsecsElapsed() / 1e9;
    // Each window is read once and half of it again by the next: bytes of the file per second.
    row("Release search over 3 MiB, marker at the end (cached), GB/s", rounds * double(3 << 20) / seconds / 1e9, "GB/s",
        ">= 1");
}

// Runs the event loop for `seconds`, or until `done` holds (tested every 10 ms).
void pump(
    double seconds, const std::function<bool()>& done = [] { return false; })
{
    QElapsedTimer t;
    t.start();
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || t.nsecsElapsed() / 1e9 >= seconds)
            loop.quit();
    });
    poll.start(10);
    loop.exec();
}

void wait()
{
    SystemClock clock;
    Job job;
    bool over = false;
    QObject::connect(&job, &Job::finished, [&] { over = true; });
    const double cpu0 = cpuSeconds();
    const double wall0 = clock.now();
    job.start([](Clock& c) -> Task<> { co_await c.sleep(10); }(clock));
    QEventLoop loop;
    QObject::connect(&job, &Job::finished, &loop, &QEventLoop::quit);
    loop.exec();
    const double share = (cpuSeconds() - cpu0) / (clock.now() - wall0) * 100;
    row("CPU share of one core during a task's 10 s sleep", share, "%", "<= 2");
}

// Reads the printer side as fast as it comes and notes when the data bytes arrive.
struct Receiver {
    int fd;
    qint64 headerBytes;
    qint64 total;
    std::atomic<bool> stop{false};
    QElapsedTimer clock;
    double first = -1, last = -1;
    qint64 got = 0;
    std::thread thread;

    Receiver(int descriptor, qint64 header, qint64 all) : fd(descriptor), headerBytes(header), total(all)
    {
        clock.start();
        thread = std::thread([this] {
            char buf[65536];
            while (!stop && got < total) {
                pollfd p{fd, POLLIN, 0};
                if (::poll(&p, 1, 20) <= 0)
                    continue;
                const ssize_t n = ::read(fd, buf, sizeof buf);
                if (n <= 0)
                    continue;
                const double now = clock.nsecsElapsed() / 1e9;
                if (first < 0 && got + n > headerBytes)
                    first = now;
                got += n;
                if (got >= total)
                    last = now;
            }
        });
    }
    ~Receiver()
    {
        stop = true;
        thread.join();
    }
};

double timedDownload(bool parallel)
{
    RealBench bench;
    TestHome& home = bench.home;
    const qint64 length = 256 * 1024;
    const QByteArray header = "?Z4&" + QByteArray::number(length) + "\n";
    PtyPair pty;
    QString fifo = home.path() + "/lpt1.fifo";
    int fifoFd = -1;
    if (parallel) {
        ::mkfifo(QFile::encodeName(fifo).constData(), 0600);
        fifoFd = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
        home.link("LPT1", fifo);
        home.store("Porta", "10");
    } else {
        home.link("COM1", pty.slavePath());
        home.store("BaudRate", "5");
    }
    MainWindow& window = bench.load({"ChkTurbo=1"});
    control<QLineEdit>(&window, "ShowFile")->setText(home.file("B.BIN", patternBytes(length, 4)));
    Receiver rx(parallel ? fifoFd : pty.master(), header.size(), header.size() + length);
    control<QPushButton>(&window, "StartTrasm")->click();
    pump(120, [&] { return rx.last >= 0; });
    window.engine().cancel(); // the 25-second end wait is not what is measured
    // Between the first and the last data byte: 511 tick intervals, and on LPT1 with Turbo
    // the pauses after 65536, 131072 and 196608 bytes.
    const double nominal = 511 * 0.002 + (parallel ? 3 * 2.0 : 0);
    if (fifoFd >= 0)
        ::close(fifoFd);
    return (rx.last - rx.first) / nominal;
}

// Turbo pacing to a FIFO standing as LPT1, first through the core alone, then through the real
// window (offscreen, or on the display QT_QPA_PLATFORM names): each against its 511 ticks of 2 ms
// only, the three 2-second pauses taken out, so that what the window costs a tick shows.
double lptTicks(bool window)
{
    RealBench bench;
    TestHome& home = bench.home;
    const qint64 length = 256 * 1024;
    const QByteArray header = "?Z4&" + QByteArray::number(length) + "\n";
    const QString fifo = home.path() + "/lpt1.fifo";
    ::mkfifo(QFile::encodeName(fifo).constData(), 0600);
    const int fd = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
    home.link("LPT1", fifo);
    const QString path = home.file("B.BIN", patternBytes(length, 4));
    Receiver rx(fd, header.size(), header.size() + length);
    std::unique_ptr<Download> core;
    FakeSerialControl unused(bench.clock);
    auto timer = bench.clock.createTimer();
    if (window) {
        home.store("Porta", "10");
        MainWindow& w = bench.load({"ChkTurbo=1"});
        control<QLineEdit>(&w, "ShowFile")->setText(path);
        control<QPushButton>(&w, "StartTrasm")->click();
    } else {
        const LinkChoice link{QStringLiteral("LPT1"), std::nullopt};
        core = std::make_unique<Download>(DownloadInputs{[] { return Pacing::Turbo; }, [link] { return link; }},
                                          bench.clock, unused, *timer);
        core->start(DownloadRequest{path});
    }
    pump(120, [&] { return rx.last >= 0; });
    (window ? bench.window->engine() : *core).cancel();
    ::close(fd);
    return (rx.last - rx.first - 3 * 2.0) / (511 * 0.002);
}

// Turbo pacing through the core on the real clock, to a port that takes every byte at once (a pty
// would be bound by its line rate): the time from the first to the last data write against 511
// intervals of 2 ms. What is left above 1 is the time each chunk takes to queue.
double corePacing()
{
    TestHome home;
    SystemClock clock;
    MessageRecorder messages(clock);
    FakeSerialControl port(clock);
    auto timer = clock.createTimer();
    const LinkChoice link{QStringLiteral("COM1"), offeredLine(5, 0, 0, 0)};
    Download download(DownloadInputs{[] { return Pacing::Turbo; }, [link] { return link; }}, clock, port, *timer);
    bool out = false;
    QObject::connect(&download, &Download::phase, [&](DownloadPhase phase, double) {
        if (phase == DownloadPhase::EndWait && !std::exchange(out, true))
            download.endProgram(); // the 25-second end wait is not what is measured
    });
    download.start(DownloadRequest{home.file("P.BIN", patternBytes(256 * 1024, 4))});
    pump(60, [&] { return out; });
    return (port.writes.constLast().time - port.writes.value(1).time) / (511 * 0.002);
}

// N Turbo downloads side by side in one process on one thread, on the real clock, each to a port
// that takes every byte at once: the worst job's time from its first to its last data write
// against 511 intervals of 2 ms, and the process's CPU time over the wall time while sending.
struct ManyFigures {
    double worst = 0;
    double cpuShare = 0;
};
ManyFigures manyPacing(int n, const std::optional<ShopAddress>& shop = std::nullopt)
{
    TestHome home;
    SystemClock clock;
    // With a shop's record: every job's row written as the faces write it, and a sender copying them meanwhile.
    std::unique_ptr<ServiceRecord> record;
    std::unique_ptr<shop_record::Sender> sender;
    if (shop) {
        record = std::make_unique<ServiceRecord>();
        sender = std::make_unique<shop_record::Sender>(*shop, record->path());
    }
    const QString path = home.file("P.BIN", patternBytes(256 * 1024, 4));
    // Ten COM names but a device of its own for each job: one device has one user.
    struct OwnDevice : FakeSerialControl {
        OwnDevice(Clock& clock, int id) : FakeSerialControl(clock), id(id) {}
        QString device() const override { return QStringLiteral("/dev/bench%1").arg(id); }
        int id;
    };
    struct One {
        MessageRecorder messages;
        OwnDevice port;
        std::unique_ptr<Timer> timer;
        std::unique_ptr<Download> download;
        bool out = false;
        One(SystemClock& clock, int id) : messages(clock), port(clock, id), timer(clock.createTimer()) {}
    };
    std::vector<std::unique_ptr<One>> jobs;
    // CPU and wall time from the first job's first data byte to the last job's last.
    rusage before{}, after{};
    double wall = 0, wallEnd = 0;
    int sending = 0;
    const auto mark = [&clock](rusage& r, double& at) {
        ::getrusage(RUSAGE_SELF, &r);
        at = clock.now();
    };
    for (int i = 0; i < n; ++i) {
        auto one = std::make_unique<One>(clock, i);
        const LinkChoice link{QStringLiteral("COM%1").arg(i % 10 + 1), offeredLine(5, 0, 0, 0)};
        one->download = std::make_unique<Download>(
            DownloadInputs{[] { return Pacing::Turbo; }, [link] { return link; }}, clock, one->port, *one->timer);
        One& o = *one;
        QObject::connect(o.download.get(), &Download::phase, [&, self = &o](DownloadPhase phase, double) {
            if (phase == DownloadPhase::Sending && !sending++)
                mark(before, wall);
            if (phase == DownloadPhase::EndWait && !std::exchange(self->out, true)) {
                self->download->endProgram(); // the 25-second end wait is not what is measured
                mark(after, wallEnd);
            }
        });
        jobs.push_back(std::move(one));
    }
    std::vector<std::optional<qint64>> rows;
    for (const auto& o : jobs) {
        if (record) {
            ServiceRecord::Start start;
            start.face = QStringLiteral("bench"), start.kind = QStringLiteral("download"), start.file = path;
            rows.push_back(record->begin(start));
        }
        o->download->start(DownloadRequest{path});
    }
    pump(120, [&] { return std::all_of(jobs.begin(), jobs.end(), [](const auto& o) { return o->out; }); });
    for (auto& id : rows) {
        ServiceRecord::End e;
        e.outcome = QStringLiteral("completed");
        record->complete(id, e);
    }
    if (sender) {
        record->flush();
        sender->finish(5000);
    }
    const double seconds = qMax(1e-6, wallEnd - wall);
    const auto cpu = [](const rusage& r) {
        return double(r.ru_utime.tv_sec + r.ru_stime.tv_sec) + double(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
    };
    ManyFigures f;
    f.cpuShare = (cpu(after) - cpu(before)) / seconds;
    for (const auto& o : jobs)
        if (o->port.writes.size() < 2)
            f.worst = INFINITY; // refused or failed: no pacing to measure
        else
            f.worst = qMax(f.worst, (o->port.writes.constLast().time - o->port.writes.value(1).time) / (511 * 0.002));
    return f;
}

// A printer reading at the line rate of `baud` (10 bits a byte): how many bytes of a Turbo
// download never reach it. The file is larger than a pseudo-terminal holds, so that the tail
// is still in the program's queue when the transfer ends.
qint64 bytesLost(int baudIndex, int baud, qint64 length)
{
    RealBench bench;
    SystemClock& clock = bench.clock;
    MessageRecorder& messages = bench.messages;
    PtyPair pty;
    bench.home.link("COM1", pty.slavePath());
    MainWindow& window = bench.load({"BaudRate=" + QString::number(baudIndex), "ChkTurbo=1"});
    control<QLineEdit>(&window, "ShowFile")->setText(bench.home.file("T.BIN", patternBytes(length, 8)));
    const qint64 header = QByteArray("?Z4&" + QByteArray::number(length) + "\n").size();
    std::atomic<qint64> got{0};
    std::atomic<bool> stop{false};
    std::thread reader([&] {
        const int rate = baud / 10;
        char buf[256];
        QElapsedTimer t;
        t.start();
        qint64 total = 0;
        while (!stop) {
            // Never ahead of the line: total bytes so far <= rate * elapsed.
            const qint64 allowed = qint64(t.nsecsElapsed() / 1e9 * rate) - total;
            if (allowed <= 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                continue;
            }
            pollfd p{pty.master(), POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0)
                continue;
            const ssize_t n = ::read(pty.master(), buf, size_t(qMin<qint64>(allowed, qint64(sizeof buf))));
            if (n > 0)
                got = total += n;
        }
    });
    control<QPushButton>(&window, "StartTrasm")->click();
    pump(3600, [&] { return !messages.shown.isEmpty(); });
    if (messages.shown.value(0).title != QStringLiteral("Download terminato."))
        std::printf("  (%s)\n", qPrintable(messages.shown.value(0).text.simplified()));
    // What the device still holds reaches the reader after the port has closed; count until
    // nothing more has come for a few seconds.
    qint64 seen = -1;
    double quietSince = clock.now();
    while (got < header + length && clock.now() - quietSince < 3) {
        if (got != seen) {
            seen = got;
            quietSince = clock.now();
        }
        pump(0.1);
    }
    stop = true;
    reader.join();
    return header + length - got;
}

// A timed download in real time to a modelled line (the fake control drains at the rate of its
// settings): the time from the first data byte until the line has taken the last, against the
// longer of the pacing table and the line time plus the 2-second pauses; and the largest lead of
// the bar over the bytes on the wire.
struct LineFigures {
    double ratio;
    qint64 lead;
};
LineFigures lineTrue(int baudIndex, double bytesPerSecond, bool turbo)
{
    TestHome home;
    SystemClock clock;
    MessageRecorder messages(clock);
    FakeSerialControl port(clock);
    port.modelLine(0);
    auto timer = clock.createTimer();
    const LinkChoice link{QStringLiteral("COM1"), offeredLine(baudIndex, 0, 0, 0)};
    Download download(
        DownloadInputs{[turbo] { return turbo ? Pacing::Turbo : Pacing::Normal; }, [link] { return link; }}, clock,
        port, *timer);
    QObject::connect(&download, &Download::notice,
                     [&messages](const DownloadNotice& n) { tellDownload(messages, kItalian, n); });
    const qint64 length = 10000, header = 10; // "?Z4&10000\n"
    double drained = 0;
    qint64 lead = 0;
    QObject::connect(&download, &Download::progressChanged, [&] {
        lead = qMax(lead, download.progress().taken - qMax<qint64>(0, port.onTheWire() - header));
        if (download.progress().stage == DownloadStage::EndWait && drained == 0) {
            drained = clock.now();
            download.endProgram(); // the 25-second end wait is not what is measured
        }
    });
    download.start(DownloadRequest{home.file("L.BIN", patternBytes(length, 5))});
    pump(600, [&] { return drained != 0 || !messages.shown.isEmpty(); });
    if (drained == 0)
        std::printf("  (%s)\n", qPrintable(messages.shown.value(0).text.simplified()));
    const int chunk = turbo ? 512 : 64;
    const int pauses = turbo ? 0 : int(length / 4096);
    const double ticks = std::ceil(double(length) / chunk) * (turbo ? 0.002 : 0.02);
    const double expected = std::max(ticks, length / bytesPerSecond) + 2.0 * pauses;
    return {(drained - port.writes.value(1).time) / expected, lead};
}

// Process start to the main window mapped on an X display (Xvfb :121), seen from outside.
double startupMs(const QString& binary)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", ":121");
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("XDG_CONFIG_HOME", QDir::tempPath() + "/velmora-bench-config");
    QProcess app, watch;
    app.setProcessEnvironment(env);
    watch.setProcessEnvironment(env);
    QElapsedTimer t;
    t.start();
    app.start(binary, {});
    double ms = -1;
    while (t.elapsed() < 10000) {
        // One look at the display each time (xdotool's own --sync polls only twice a second).
        watch.start("xdotool", {"search", "--onlyvisible", "--name", "^ Download$"});
        watch.waitForFinished(2000);
        if (watch.exitCode() == 0 && !watch.readAllStandardOutput().trimmed().isEmpty()) {
            ms = t.nsecsElapsed() / 1e6;
            break;
        }
    }
    app.kill();
    app.waitForFinished();
    return ms;
}

// Peak resident memory of a 3 MiB external-font download into a pseudo-terminal.
double peakRssMb()
{
    RealBench bench;
    PtyPair pty;
    bench.home.link("COM1", pty.slavePath());
    MainWindow& window = bench.load({"Operazione=2", "ChkTurbo=1", "BaudRate=5"});
    control<QLineEdit>(&window, "ShowFile")->setText(bench.home.file("BIG.SHC", patternBytes(3014656, 6)));
    Receiver rx(pty.master(), 12, 3014656 + 24);
    control<QPushButton>(&window, "StartTrasm")->click();
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024.0;
}

// What a face does with the record before a download's header goes out (the mid-image check, the
// job's row asked for), with 100 000 rows in it and then with another process holding it locked;
// and a reading of every row, as the history does.
void record()
{
    TestHome home;
    const QString path = ServiceRecord::defaultPath();
    {
        ServiceRecord made;
        made.begin({});
        made.flush();
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fill"));
        db.setDatabaseName(path);
        db.open();
        QSqlQuery q(db);
        q.exec(QStringLiteral("BEGIN"));
        q.prepare(QStringLiteral("INSERT INTO jobs (started, ended, kind, port, device, file, file_size, headers, "
                                 "sent, outcome) VALUES ('2026-12-01T10:00:00.000Z', '2026-12-01T10:01:00.000Z', "
                                 "'download', ?, '/dev/ttyS0', ?, 1000, '?Z4&1000', 1000, 'completed')"));
        for (int i = 0; i < 100000; ++i) {
            q.addBindValue(QStringLiteral("COM%1").arg(i % 10 + 1));
            q.addBindValue(QStringLiteral("/fw/F%1.BIN").arg(i));
            q.exec();
        }
        QSqlQuery(db).exec(QStringLiteral("COMMIT"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fill"));
    const auto beforeHeader = [&] {
        QElapsedTimer t;
        t.start();
        ServiceRecord r;
        r.leftMidImage(QStringLiteral("COM3"), QStringLiteral("/dev/ttyS2"));
        r.begin(ServiceRecord::Start{});
        const double ms = double(t.nsecsElapsed()) / 1e6;
        r.flush(5000);
        return ms;
    };
    row("Record before a header, 100 000 rows", beforeHeader(), "ms", "<= 500");
    QProcess locker;
    locker.start(QStringLiteral("python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import sqlite3,sys,time; d=sqlite3.connect(sys.argv[1], isolation_level=None); "
                                 "d.execute('PRAGMA locking_mode=EXCLUSIVE'); d.execute('BEGIN EXCLUSIVE'); d.execute('DELETE FROM meta WHERE 0'); print('locked', flush=True); time.sleep(30)"),
                  path});
    if (locker.waitForReadyRead(10000)) {
        row("Record before a header, locked by another process", beforeHeader(), "ms", "<= 500");
        locker.kill();
        locker.waitForFinished();
    } else
        std::printf("(python3 not found: the locked record is not measured)\n");
    QElapsedTimer t;
    t.start();
    const qsizetype rows = ServiceRecord::readAt(path).rows.size();
    row(QByteArray("Reading the record, " + QByteArray::number(rows) + " rows").constData(),
        double(t.nsecsElapsed()) / 1e6, "ms", "<= 1000");
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) // offscreen unless a display is asked for (window mode)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString what = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("all");
    std::printf("| %-58s | %19s | %-10s |\n", "measure", "figure", "goal");
    std::printf("|%s|%s|%s|\n", QByteArray(60, '-').constData(), QByteArray(21, '-').constData(),
                QByteArray(12, '-').constData());
    if (what == "checksum" || what == "all")
        checksum();
    if (what == "checksum" || what == "all")
        releaseSearch();
    if (what == "wait" || what == "all")
        wait();
    if (what == "pacing" || what == "all") {
        row("Turbo pacing, core: 256 KiB wall / schedule", corePacing(), "x", "<= 1.01");
        row("Turbo pacing, LPT1: 256 KiB wall / schedule", timedDownload(true), "x", "<= 1.02");
    }
    // "many URI": the same with every job's row going to that shop's record meanwhile.
    std::optional<ShopAddress> shop;
    if (what == "many" && argc > 2)
        if (auto parsed = ShopAddress::parse(QString::fromLocal8Bit(argv[2]));
            std::holds_alternative<ShopAddress>(parsed))
            shop = std::get<ShopAddress>(parsed);
    if (what == "many" || what == "all")
        for (const int n : {1, 8, 32}) {
            const ManyFigures f = manyPacing(n, shop);
            row(QByteArray("Turbo pacing, " + QByteArray::number(n) + " at once in one thread" +
                           (shop ? ", to the shop" : "") + ": worst job")
                    .constData(),
                f.worst, "x", "<= 1.03");
            row(QByteArray("  CPU time over wall time while sending, " + QByteArray::number(n) + " at once")
                    .constData(),
                f.cpuShare * 100, "%", "-");
        }
    if (what == "record" || what == "all")
        record();
    if (what == "window" || what == "all") {
        const double alone = lptTicks(false), window = lptTicks(true);
        row("Turbo ticks to LPT1 (a FIFO), the core alone: wall / 511 x 2 ms", alone, "x", "-");
        row("  the same through the window", window, "x", "-");
        row("  the window against the core", window / alone, "x", "<= 1.01");
    }
    if (what == "line" || what == "all") {
        const struct {
            int index;
            int baud;
        } lines[] = {{1, 4800}, {2, 9600}, {5, 56000}};
        for (const auto& l : lines)
            for (const bool turbo : {false, true}) {
                const LineFigures f = lineTrue(l.index, l.baud / 10.0, turbo);
                const QByteArray what = QByteArray::number(l.baud) + " baud" + (turbo ? ", Turbo" : "");
                row(("Line-true transfer, 10000 bytes, " + what + ": wall / expected").constData(), f.ratio, "x",
                    "<= 1.02");
                row(("  largest lead of the bar over the wire, " + what).constData(), double(f.lead), "bytes",
                    "<= 1 chunk");
            }
    }
    if (what == "startup" || what == "all") {
        const QString binary = QCoreApplication::applicationDirPath() + "/../app/velmora";
        QProcess xvfb;
        xvfb.start("Xvfb", {":121", "-screen", "0", "1024x768x24"});
        QThread::msleep(1000);
        double best = 1e9;
        for (int i = 0; i < 5; ++i)
            best = qMin(best, startupMs(binary));
        xvfb.kill();
        xvfb.waitForFinished();
        row("Start-up to the window shown on Xvfb (best of 5)", best, "ms", "<= 300");
    }
    if (what == "rss" || what == "all")
        row("Peak RSS during a 3 MiB external-font download", peakRssMb(), "MB", "<= 80");
    if (what == "tail" || what == "all") {
        const int rates[] = {2400, 4800, 9600, 19200, 38400, 56000};
        for (int i = 0; i < 6; ++i) {
            const QByteArray label = "Bytes lost at the end, 96 KiB read at " + QByteArray::number(rates[i]) + " baud";
            row(label.constData(), double(bytesLost(i, rates[i], 96 * 1024)), "bytes", "0");
        }
    }
    return 0;
}
