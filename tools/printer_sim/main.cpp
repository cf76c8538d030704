// printer-sim: a simulated printer on a pseudo-terminal, linked as a COM port (and a FIFO as
// LPT1) in a data folder's Velmora/ports, for trying and testing velmora without a printer.
#include "tools/printer_sim/printer_protocol.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t g_stop = 0;
void onSignal(int)
{
    g_stop = 1;
}

struct Line {
    int fd = -1;
    QString name;
    qint64 taken = 0;
};

class Simulator
{
public:
    Simulator(PrinterProtocol::Config config, QString report, QString store, int delayMs, qint64 hangUpAfter, int baud)
        : m_protocol(std::move(config)), m_report(std::move(report)), m_store(std::move(store)), m_delayMs(delayMs),
          m_hangUpAfter(hangUpAfter), m_bytesPerSecond(baud / 10.0)
    {
        m_clock.start();
    }

    bool addPty(const QString& link)
    {
        const int fd = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (fd < 0 || ::grantpt(fd) != 0 || ::unlockpt(fd) != 0)
            return false;
        const QString slave = QString::fromLocal8Bit(::ptsname(fd));
        // Hold the slave open ourselves too, so the line does not hang up between openings.
        m_keep = ::open(::ptsname(fd), O_RDWR | O_NOCTTY);
        termios t{};
        ::tcgetattr(m_keep, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(m_keep, TCSANOW, &t);
        if (!claim(link) || !QFile::link(slave, link))
            return false;
        m_made << link;
        watch(fd, link);
        return true;
    }

    bool addFifo(const QString& path)
    {
        if (!claim(path) || ::mkfifo(QFile::encodeName(path).constData(), 0600) != 0)
            return false;
        m_made << path;
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
        // A writer of our own keeps the FIFO from reporting an end between the program's
        // openings of "LPT1".
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK);
        watch(fd, path);
        return fd >= 0;
    }

    void writeReport()
    {
        QJsonObject report = m_protocol.report();
        report.insert("lines", QJsonArray::fromStringList(m_names));
        const QByteArray json = QJsonDocument(report).toJson();
        // Replaced in one step (rename over it): whoever reads the report while it changes finds the old
        // one or the new one. It changes with every read from the line, so it is not synced to disk.
        if (!m_report.isEmpty()) {
            QFile f(m_report + ".part");
            if (f.open(QIODevice::WriteOnly) && f.write(json) == json.size()) {
                f.close();
                std::rename(QFile::encodeName(f.fileName()).constData(), QFile::encodeName(m_report).constData());
            }
        }
        if (!m_store.isEmpty()) {
            const auto& list = m_protocol.downloads();
            for (int i = 0; i < list.size(); ++i) {
                QFile f(QStringLiteral("%1/image-%2-%3.bin").arg(m_store).arg(i + 1).arg(QLatin1Char(list[i].code)));
                if (f.open(QIODevice::WriteOnly))
                    f.write(list[i].image);
            }
        }
    }
    QByteArray reportJson() const { return QJsonDocument(m_protocol.report()).toJson(); }

    // Entries of the ports folder are the user's: one that stands already is replaced only when
    // asked to, and what the simulator made goes with it.
    void setReplace(bool replace) { m_replace = replace; }
    QString refusal() const { return m_refusal; }
    void removeWhatWasMade()
    {
        for (const QString& path : std::as_const(m_made))
            QFile::remove(path);
        m_made.clear();
    }

private:
    bool claim(const QString& path)
    {
        const QFileInfo entry(path);
        if (!entry.exists() && !entry.isSymLink())
            return true;
        if (!m_replace) {
            m_refusal = QStringLiteral("%1 exists already and is not ours (--replace replaces it)").arg(path);
            return false;
        }
        return QFile::remove(path);
    }

    void watch(int fd, const QString& name)
    {
        m_lines.push_back(Line{fd, name, 0});
        m_names << name;
        if (m_bytesPerSecond > 0) {
            // Reads no faster than the line rate, so that the program's queue fills up.
            auto* timer = new QTimer(QCoreApplication::instance());
            const int index = int(m_lines.size()) - 1;
            QObject::connect(timer, &QTimer::timeout, [this, index] { readFrom(index); });
            timer->start(10);
        } else {
            auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, QCoreApplication::instance());
            const int index = int(m_lines.size()) - 1;
            QObject::connect(notifier, &QSocketNotifier::activated, [this, index, notifier] {
                if (!readFrom(index))
                    notifier->setEnabled(false);
            });
        }
    }

    bool readFrom(int index)
    {
        Line& line = m_lines[std::size_t(index)];
        if (line.fd < 0)
            return false;
        const double now = m_clock.nsecsElapsed() / 1e9;
        qint64 allowed = 65536;
        if (m_bytesPerSecond > 0)
            allowed = qint64(now * m_bytesPerSecond) - line.taken;
        if (allowed <= 0)
            return true;
        QByteArray buf(int(qMin<qint64>(allowed, 65536)), Qt::Uninitialized);
        const ssize_t n = ::read(line.fd, buf.data(), size_t(buf.size()));
        if (n <= 0)
            return true;
        buf.truncate(int(n));
        line.taken += n;
        const qint64 before = dataBytes();
        for (const QByteArray& reply : m_protocol.feed(buf, now)) {
            const int fd = line.fd;
            QTimer::singleShot(m_delayMs, [fd, reply, this] {
                if (!m_hungUp)
                    (void)!::write(fd, reply.constData(), size_t(reply.size()));
            });
        }
        if (dataBytes() != before || !m_protocol.downloads().isEmpty())
            writeReport();
        if (m_hangUpAfter >= 0 && dataBytes() >= m_hangUpAfter && !m_hungUp) {
            // The printer goes away: the line closes on the program.
            m_hungUp = true;
            ::close(line.fd);
            if (m_keep >= 0)
                ::close(m_keep);
            line.fd = m_keep = -1;
            writeReport();
            return false;
        }
        return true;
    }

    qint64 dataBytes() const
    {
        qint64 n = 0;
        for (const auto& d : m_protocol.downloads())
            n += d.received;
        return n;
    }

    PrinterProtocol m_protocol;
    QString m_report;
    QString m_store;
    int m_delayMs;
    qint64 m_hangUpAfter;
    double m_bytesPerSecond;
    QElapsedTimer m_clock;
    std::vector<Line> m_lines;
    QStringList m_names;
    int m_keep = -1;
    bool m_hungUp = false;
    bool m_replace = false;
    QString m_refusal;
    QStringList m_made;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("printer-sim"));
    QCommandLineParser cli;
    cli.setApplicationDescription(QStringLiteral("A simulated printer for velmora on a pseudo-terminal."));
    cli.addHelpOption();
    const QString defaultData = qEnvironmentVariable("XDG_DATA_HOME", QDir::homePath() + "/.local/share");
    const QCommandLineOption data("data", "Data folder whose Velmora/ports receives the links.", "dir", defaultData);
    const QCommandLineOption com("com", "Link the line as COMn (1 to 10).", "n", "1");
    const QCommandLineOption lpt("lpt", "Also make a FIFO standing for LPT1.");
    const QCommandLineOption report("report", "Keep a JSON report in this file.", "file");
    const QCommandLineOption store("store", "Store each received image in this folder.", "dir");
    const QCommandLineOption model("model", "Reply to ?54&10.", "text", "PX-9000");
    const QCommandLineOption release("release", "Reply to ?54&4.", "text", "1.05");
    const QCommandLineOption flash("flash", "Reply to ?54&12.", "text", "FLASH 4M 29F040");
    const QCommandLineOption silent("silent", "Answer nothing.");
    const QCommandLineOption garbage("garbage", "Answer noise.");
    const QCommandLineOption slow("slow", "Delay each reply by this many milliseconds.", "ms", "50");
    const QCommandLineOption hangUp("hang-up-after", "Close the line after this many data bytes.", "bytes", "-1");
    const QCommandLineOption baud("baud", "Read no faster than this line rate.", "baud", "0");
    const QCommandLineOption restartAfter(
        "restart-after", "After a whole firmware image, silent this long, then reporting its release.", "seconds", "5");
    const QCommandLineOption keepRelease("keep-release", "Keep reporting the old release after a firmware image.");
    const QCommandLineOption replace("replace",
                                     "Replace a COMn or LPT1 entry that stands already (it is removed at the end).");
    cli.addOptions(
        {data, com, lpt, report, store, model, release, flash, silent, garbage, slow, hangUp, baud, restartAfter,
         keepRelease, replace});
    cli.process(app);

    PrinterProtocol::Config config;
    config.queries = {{"?54&10", cli.value(model).toLatin1() + "\r"},
                      {"?54&4", cli.value(release).toLatin1() + "\r"},
                      {"?54&12", cli.value(flash).toLatin1() + "\r"}};
    config.silent = cli.isSet(silent);
    config.garbage = cli.isSet(garbage);
    config.restartAfter = cli.value(restartAfter).toDouble();
    config.keepRelease = cli.isSet(keepRelease);
    if (cli.isSet(store))
        QDir().mkpath(cli.value(store));
    Simulator sim(config, cli.value(report), cli.value(store), cli.value(slow).toInt(), cli.value(hangUp).toLongLong(),
                  cli.value(baud).toInt());
    sim.setReplace(cli.isSet(replace));
    // Whatever happens from here, the links and the FIFO it made go at the end.
    for (const int s : {SIGINT, SIGTERM, SIGHUP})
        std::signal(s, onSignal);

    const QString ports = cli.value(data) + "/Velmora/ports";
    QDir().mkpath(ports);
    const QString comLink = ports + "/COM" + cli.value(com);
    if (!sim.addPty(comLink)) {
        std::fprintf(stderr, "printer-sim: cannot make the line %s%s%s\n", qPrintable(comLink),
                     sim.refusal().isEmpty() ? "" : ": ", qPrintable(sim.refusal()));
        return 1;
    }
    std::printf("printer-sim: listening as %s\n", qPrintable(comLink));
    if (cli.isSet(lpt)) {
        const QString lptPath = ports + "/LPT1";
        if (!sim.addFifo(lptPath)) {
            std::fprintf(stderr, "printer-sim: cannot make %s%s%s\n", qPrintable(lptPath),
                         sim.refusal().isEmpty() ? "" : ": ", qPrintable(sim.refusal()));
            sim.removeWhatWasMade();
            return 1;
        }
        std::printf("printer-sim: listening as %s\n", qPrintable(lptPath));
    }
    // The report is there before anyone hears that the printer listens.
    sim.writeReport();
    std::fflush(stdout);

    QTimer stopCheck;
    QObject::connect(&stopCheck, &QTimer::timeout, [&] {
        if (g_stop)
            app.quit();
    });
    stopCheck.start(100);
    app.exec();
    sim.removeWhatWasMade();
    sim.writeReport();
    std::printf("%s", sim.reportJson().constData());
    return 0;
}
