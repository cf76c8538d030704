#include "cli/commands.h"

#include "core/download/download.h"
#include "core/link/qt_serial_control.h"
#include "core/link/stored_choices.h"
#include "core/platform/system_clock.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QJsonObject>

namespace {

const QMap<QString, Operation> kOperations = {{"firmware", Operation::Firmware},
                                              {"standard-fonts", Operation::StandardFonts},
                                              {"external-fonts", Operation::ExternalFonts}};

QString phaseText(DownloadPhase phase, double seconds)
{
    switch (phase) {
    case DownloadPhase::PrinterWait:
        return QStringLiteral("waiting %1 s for the printer").arg(seconds);
    case DownloadPhase::Sending:
        return QStringLiteral("sending");
    case DownloadPhase::Pause:
        return QStringLiteral("pause of %1 s").arg(seconds);
    case DownloadPhase::Draining:
        return QStringLiteral("waiting for the line to take the last bytes");
    case DownloadPhase::BetweenParts:
        return QStringLiteral("waiting %1 s between the two parts").arg(seconds);
    case DownloadPhase::EndWait:
        return QStringLiteral("end wait of %1 s").arg(seconds);
    }
    return {};
}

const char* outcomeName(DownloadOutcome o)
{
    switch (o) {
    case DownloadOutcome::Completed:
        return "completed";
    case DownloadOutcome::FileRefused:
        return "file refused";
    case DownloadOutcome::PortRefused:
        return "port refused";
    case DownloadOutcome::Failed:
        return "failed";
    case DownloadOutcome::Aborted:
        return "aborted";
    }
    return "";
}

} // namespace

void DownloadCommand::define(QCommandLineParser& p) const
{
    p.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The file to send."));
    p.addOptions({{"port", "COM1 to COM10, LPT1, or a serial device's path.", "name"},
                  {"operation", "firmware, standard-fonts or external-fonts.", "kind"},
                  {"boot", "board or ram: where firmware or standard fonts go.", "source"},
                  {"checksum", "A checksum in the header (board only)."},
                  {"no-checksum", "No checksum in the header."},
                  {"turbo", "The faster pacing."},
                  {"no-turbo", "The normal pacing."},
                  {"any-extension", "Send a file whose extension does not match the operation."},
                  {"line", "Line settings as the window offers them, e.g. 57600,N,8,1 (57600 runs at 56000 baud).",
                   "settings"}});
}

int DownloadCommand::run(const QCommandLineParser& p, Output& out)
{
    StoredChoices c = p.isSet("no-stored") ? builtInChoices() : readStoredChoices();
    auto usage = [&](const QString& why) {
        out.event(QStringLiteral("error"), QStringLiteral("velmora-cli download: ") + why, {{"text", why}});
        return out.result(name(), exit_status::Usage);
    };
    c.request.path = p.positionalArguments().constFirst();
    if (p.isSet("port")) {
        const auto port = portNamed(p.value("port"));
        if (!port)
            return usage(noSuchPort(p.value("port")));
        c.link.port = *port;
    }
    if (p.isSet("operation")) {
        if (!kOperations.contains(p.value("operation")))
            return usage(QStringLiteral("no such operation: ") + p.value("operation"));
        c.request.operation = kOperations[p.value("operation")];
    }
    if (p.isSet("boot")) {
        if (p.value("boot") != QLatin1String("board") && p.value("boot") != QLatin1String("ram"))
            return usage(QStringLiteral("the boot source is board or ram"));
        c.request.boot = p.value("boot") == QLatin1String("board") ? Boot::Board : Boot::RamCard;
        if (c.request.boot == Boot::RamCard)
            c.request.checksum = BoxValue::Unchecked;
    }
    if (p.isSet("checksum") && p.isSet("no-checksum"))
        return usage(QStringLiteral("--checksum or --no-checksum, not both"));
    if (p.isSet("checksum") && c.request.boot == Boot::RamCard)
        return usage(QStringLiteral("no checksum with the RAM card"));
    if (p.isSet("checksum") && c.request.operation == Operation::ExternalFonts)
        return usage(QStringLiteral("no checksum with external fonts: their headers carry none"));
    // A firmware behind a font header (or the reverse) is a ruined load: the file's kind must match
    // the operation. Anything but a regular file is left to the download's own checks.
    const QFileInfo file(c.request.path);
    const QStringList kinds = {"BIN", "SHF", "SHC"};
    const int kind = int(c.request.operation);
    if (kind >= 0 && kind < 3 && file.isFile() && !p.isSet("any-extension") && file.suffix().toUpper() != kinds[kind])
        return usage(QStringLiteral("%1 is no %2 file (*.%3); --any-extension sends it anyway")
                         .arg(file.fileName(), kOperations.key(c.request.operation), kinds[kind]));
    if (p.isSet("checksum") || p.isSet("no-checksum"))
        c.request.checksum = p.isSet("checksum") ? BoxValue::Checked : BoxValue::Unchecked;
    if (p.isSet("turbo") && p.isSet("no-turbo"))
        return usage(QStringLiteral("--turbo or --no-turbo, not both"));
    if (p.isSet("turbo") || p.isSet("no-turbo"))
        c.turbo = p.isSet("turbo") ? 1 : 0;
    if (p.isSet("line")) {
        c.link.line = offeredLine(p.value("line"));
        if (!c.link.line)
            return usage(QStringLiteral("line settings the window does not offer: ") + p.value("line"));
    }

    const int language = languageOf(p, c.language);
    SystemClock clock;
    QtSerialControl port;
    auto timer = clock.createTimer();
    const int turbo = c.turbo;
    const LinkChoice link = c.link;
    Download download(
        DownloadInputs{[turbo] { return turbo; }, [link] { return link; }, [language] { return language; }}, clock, out,
        port, *timer);
    QObject::connect(timer.get(), &Timer::timeout, &download, &Download::tick);
    std::optional<DownloadOutcome> outcome;
    QObject::connect(&download, &Download::ended, [&](DownloadOutcome o) {
        outcome = o;
        end();
    });
    QObject::connect(&download, &Download::phase, [&](DownloadPhase phase, double seconds) {
        out.event(QStringLiteral("phase"), phaseText(phase, seconds), {{"phase", phaseText(phase, seconds)}});
    });
    // Time left: the bytes at the rate seen while sending, the 2-second pauses still due, the
    // wait between the parts and the end wait.
    const bool parallel = link.parallel();
    const int pauseEvery = parallel ? (turbo == 1 ? 65536 : 4096) : (turbo == 1 ? 0 : 4096);
    const auto pausesUpTo = [pauseEvery](qint64 bytes) { return pauseEvery ? bytes / pauseEvery : 0; };
    double sendingSince = 0;
    qint64 sendingFrom = 0;
    qint32 shownPercent = -1;
    qint64 taken = 0; // what the bar last showed: the line had taken it
    QObject::connect(&download, &Download::dialogChanged, [&] {
        const DownloadDialog& d = download.dialog();
        if (!d.busy || d.maximum <= 0)
            return;
        taken = d.value;
        const int percent = int(qint64(d.value) * 100 / d.maximum);
        // On a terminal every change; elsewhere a line per percent.
        if (percent == shownPercent && (out.json() || !m_terminal))
            return;
        shownPercent = percent;
        const double sending = clock.now() - sendingSince - 2.0 * double(pausesUpTo(d.value) - pausesUpTo(sendingFrom));
        const double rate = sending > 0 ? double(d.value - sendingFrom) / sending : 0;
        const bool secondPartDue = c.request.operation == Operation::ExternalFonts &&
                                   d.value < Download::kFirstPartMax && d.maximum > Download::kFirstPartMax;
        const double left = rate > 0 ? double(d.maximum - d.value) / rate +
                                           2.0 * double(pausesUpTo(d.maximum) - pausesUpTo(d.value)) +
                                           (secondPartDue ? 35 : 0) + 25
                                     : -1;
        out.progress(QStringLiteral("[%1%2] %3% %4/%5 bytes, %6 B/s%7")
                         .arg(QString(percent / 5, '#'), QString(20 - percent / 5, '.'), QString::number(percent),
                              QString::number(d.value), QString::number(d.maximum), QString::number(int(rate)),
                              left >= 0 ? QStringLiteral(", %1 s left").arg(int(left)) : QString()),
                     {{"bytes", d.value}, {"total", d.maximum}, {"percent", percent}});
    });
    QObject::connect(&download, &Download::phase, [&](DownloadPhase phase, double) {
        if (phase == DownloadPhase::Sending) {
            sendingSince = clock.now();
            sendingFrom = download.dialog().value;
        }
    });

    // A parallel link has no line settings.
    const QString lineText = link.line ? link.line->text() : QStringLiteral("no line chosen");
    QJsonObject start{{"file", c.request.path}, {"port", link.port}};
    if (!parallel)
        start.insert(QStringLiteral("settings"), lineText);
    out.event(QStringLiteral("start"),
              parallel ? QStringLiteral("%1 to %2").arg(QFileInfo(c.request.path).fileName(), link.port)
                       : QStringLiteral("%1 to %2, %3").arg(QFileInfo(c.request.path).fileName(), link.port, lineText),
              start);
    download.start(c.request);
    runUntilEnd([&] { download.cancel(); });
    const qint64 total = QFileInfo(c.request.path).size();
    const QJsonObject counts{{"sent", download.bytesWritten()}, {"taken", taken}, {"total", total}};
    if (m_signal) {
        out.event(QStringLiteral("interrupted"),
                  QStringLiteral("interrupted after %1 of %2 bytes; nothing more was sent")
                      .arg(QString::number(download.bytesWritten()), QString::number(total)),
                  counts);
        QJsonObject fields = counts;
        fields.insert(QStringLiteral("outcome"), QStringLiteral("aborted"));
        return out.result(name(), 128 + m_signal, fields);
    }
    const DownloadOutcome o = outcome.value_or(DownloadOutcome::Aborted);
    const Failure& failure = download.failure();
    const int status = o == DownloadOutcome::Completed     ? exit_status::Ok
                       : failure                           ? exit_status::of(failure.cause)
                       : o == DownloadOutcome::FileRefused ? exit_status::FileRefused
                       : o == DownloadOutcome::PortRefused ? exit_status::PortRefused
                                                           : exit_status::LinkFailed;
    QJsonObject fields = Output::fieldsOf(failure);
    for (auto it = counts.begin(); it != counts.end(); ++it)
        fields.insert(it.key(), it.value());
    fields.insert(QStringLiteral("outcome"), outcomeName(o));
    fields.insert(QStringLiteral("message"), out.lastMessage());
    return out.result(name(), status, fields);
}
