#include "cli/commands.h"

#include "core/download/download.h"
#include "core/link/qt_serial_control.h"
#include "core/link/stored_choices.h"
#include "core/platform/system_clock.h"

#include "core/download/header.h"
#include "core/link/port_names.h"
#include "texts/download_messages.h"

#include <QCommandLineParser>
#include <QFile>
#include <QJsonArray>
#include <QTimer>

#include <QFileInfo>
#include <QJsonObject>
#include <cmath>
#include <limits>

namespace {

const QMap<QString, Operation> kOperations = {{"firmware", Operation::Firmware},
                                              {"standard-fonts", Operation::StandardFonts},
                                              {"external-fonts", Operation::ExternalFonts}};

} // namespace

// A phase's identifier and its words.
const char* phaseId(DownloadPhase phase)
{
    switch (phase) {
    case DownloadPhase::PrinterWait:
        return "printer-wait";
    case DownloadPhase::Sending:
        return "sending";
    case DownloadPhase::Pause:
        return "pause";
    case DownloadPhase::Draining:
        return "drain";
    case DownloadPhase::BetweenParts:
        return "between-parts";
    case DownloadPhase::EndWait:
        return "end-wait";
    }
    return "";
}

QString phaseText(int language, DownloadPhase phase, double seconds)
{
    const auto say = [&](const char* en, const char* it) {
        const QString words = inLanguage(language, en, it);
        return words.contains(QLatin1String("%1")) ? words.arg(seconds) : words;
    };
    switch (phase) {
    case DownloadPhase::PrinterWait:
        return say("waiting %1 s for the printer", "attesa di %1 s per la stampante");
    case DownloadPhase::Sending:
        return say("sending", "invio");
    case DownloadPhase::Pause:
        return say("pause of %1 s", "pausa di %1 s");
    case DownloadPhase::Draining:
        return say("waiting for the line to take the last bytes", "attesa che la linea prenda gli ultimi byte");
    case DownloadPhase::BetweenParts:
        return say("waiting %1 s between the two parts", "attesa di %1 s tra le due parti");
    case DownloadPhase::EndWait:
        return say("end wait of %1 s", "attesa finale di %1 s");
    }
    return {};
}

const char* outcomeId(DownloadOutcome o)
{
    switch (o) {
    case DownloadOutcome::Completed:
        return "completed";
    case DownloadOutcome::FileRefused:
        return "file-refused";
    case DownloadOutcome::PortRefused:
        return "port-refused";
    case DownloadOutcome::Failed:
        return "failed";
    case DownloadOutcome::Aborted:
        return "aborted";
    }
    return "";
}

QStringList plannedHeaders(const DownloadRequest& request, bool parallel)
{
    const std::optional<DownloadPlan> plan = planFile(request, parallel);
    return plan && !plan->refused ? plan->headerTexts() : QStringList();
}

void defineDownloadOptions(QCommandLineParser& p, bool withOperation)
{
    if (withOperation)
        p.addOption({"operation", "firmware, standard-fonts or external-fonts.", "kind"});
    p.addOptions({{"boot", "board or ram: where firmware or standard fonts go.", "source"},
                  {"checksum", "A checksum in the header (board only)."},
                  {"no-checksum", "No checksum in the header."},
                  {"turbo", "The faster pacing."},
                  {"no-turbo", "The normal pacing."},
                  {"any-extension", "Send a file whose extension does not match the operation."},
                  {"line", "Line settings as the window offers them, e.g. 57600,N,8,1 (57600 runs at 56000 baud).",
                   "settings"}});
}

std::optional<QString> applyDownloadOptions(const QCommandLineParser& p, StoredChoices& c)
{
    if (p.optionNames().contains(QStringLiteral("operation"))) { // given (update takes none)
        if (!kOperations.contains(p.value("operation")))
            return QStringLiteral("no such operation: ") + p.value("operation");
        c.request.operation = kOperations[p.value("operation")];
    }
    if (p.isSet("boot")) {
        if (p.value("boot") != QLatin1String("board") && p.value("boot") != QLatin1String("ram"))
            return QStringLiteral("the boot source is board or ram");
        c.request.boot = p.value("boot") == QLatin1String("board") ? Boot::Board : Boot::RamCard;
        if (c.request.boot == Boot::RamCard)
            c.request.checksum = BoxValue::Unchecked;
    }
    if (p.isSet("checksum") && p.isSet("no-checksum"))
        return QStringLiteral("--checksum or --no-checksum, not both");
    if (p.isSet("checksum") && c.request.boot == Boot::RamCard)
        return QStringLiteral("no checksum with the RAM card");
    if (p.isSet("checksum") && c.request.operation == Operation::ExternalFonts)
        return QStringLiteral("no checksum with external fonts: their headers carry none");
    // A firmware behind a font header (or the reverse) is a ruined load: the file's kind must match
    // the operation. Anything but a regular file is left to the download's own checks.
    const QFileInfo file(c.request.path);
    const QStringList kinds = {"BIN", "SHF", "SHC"};
    const int kind = int(c.request.operation);
    if (kind >= 0 && kind < 3 && file.isFile() && !p.isSet("any-extension") && file.suffix().toUpper() != kinds[kind])
        return QStringLiteral("%1 is no %2 file (*.%3); --any-extension sends it anyway")
            .arg(file.fileName(), kOperations.key(c.request.operation), kinds[kind]);
    if (p.isSet("checksum") || p.isSet("no-checksum"))
        c.request.checksum = p.isSet("checksum") ? BoxValue::Checked : BoxValue::Unchecked;
    if (p.isSet("turbo") && p.isSet("no-turbo"))
        return QStringLiteral("--turbo or --no-turbo, not both");
    if (p.isSet("turbo") || p.isSet("no-turbo"))
        c.turbo = p.isSet("turbo") ? BoxValue::Checked : BoxValue::Unchecked;
    if (p.isSet("line")) {
        c.link.line = offeredLine(p.value("line"));
        if (!c.link.line)
            return QStringLiteral("line settings the window does not offer: ") + p.value("line");
    }
    return std::nullopt;
}

void DownloadCommand::define(QCommandLineParser& p) const
{
    p.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The file to send."));
    p.addOption({"port", "COM1 to COM10, LPT1, or a serial device's path.", "name"});
    defineDownloadOptions(p, true);
}

int DownloadCommand::run(const QCommandLineParser& p, Output& out)
{
    StoredChoices c = p.isSet("no-stored") ? builtInChoices() : readStoredChoices();
    auto usage = [&](const QString& why) {
        out.event(QStringLiteral("error"), QStringLiteral("velmora-cli download: ") + why,
                  {{"error", "usage"}, {"text", why}});
        return out.result(name(), exit_status::Usage);
    };
    c.request.path = p.positionalArguments().constFirst();
    if (p.isSet("port")) {
        const auto port = portNamed(p.value("port"));
        if (!port)
            return usage(noSuchPort(p.value("port")));
        c.link.port = *port;
    }
    if (const auto refused = applyDownloadOptions(p, c))
        return usage(*refused);

    const int language = languageOf(p);
    SystemClock clock;
    QtSerialControl port;
    auto timer = clock.createTimer();
    const Pacing pacing = c.pacing();
    const LinkChoice link = c.link;
    Download download(DownloadInputs{[pacing] { return pacing; }, [link] { return link; }}, clock, port, *timer);
    std::optional<DownloadOutcome> outcome;
    QObject::connect(&download, &Download::ended, [&](DownloadOutcome o) {
        outcome = o;
        end();
    });
    // On a terminal a wait counts down on the progress line.
    QTimer countdown;
    double waitEnds = 0;
    QString waitText;
    QObject::connect(&countdown, &QTimer::timeout, [&] {
        const int left = int(std::ceil(waitEnds - clock.now()));
        if (left > 0)
            out.transient(QStringLiteral("%1: %2 s").arg(waitText).arg(left));
    });
    QObject::connect(&download, &Download::phase, [&](DownloadPhase phase, double seconds) {
        QJsonObject fields{{"phase", phaseId(phase)}};
        if (seconds > 0)
            fields.insert(QStringLiteral("seconds"), seconds);
        out.event(QStringLiteral("phase"), phaseText(language, phase, seconds), fields);
        countdown.stop();
        if (seconds > 0) {
            waitEnds = clock.now() + seconds;
            waitText = phaseText(language, phase, seconds);
            countdown.start(250);
        }
    });
    QObject::connect(&download, &Download::headerSent, [&](const QByteArray& header) {
        out.event(QStringLiteral("header"),
                  inLanguage(language, "header ", "intestazione ") +
                      escapeControls(QString::fromLatin1(header.chopped(1))),
                  {{"header", QString::fromLatin1(header.chopped(1))}}, Output::Detail::Verbose);
    });
    // Time left, from the plan: the bytes at the rate seen while sending (the pauses left out),
    // the pauses and waits still due, and the end wait.
    const bool parallel = link.parallel();
    const DownloadPlan& plan = download.plan(); // made by the download's pass, before anything opens
    const auto pausesUpTo = [&](qint64 bytes) {
        const qint64 every = plan.pauseEvery(pacing);
        return every ? bytes / every : 0;
    };
    double sendingSince = 0;
    qint64 sendingFrom = 0;
    qint32 shownPercent = -1;
    qint64 taken = 0; // what the bar last showed: the line had taken it
    QObject::connect(&download, &Download::progressChanged, [&] {
        const DownloadProgress& d = download.progress();
        if (!d.transferring() || d.total <= 0)
            return;
        taken = d.taken;
        const int percent = int(d.taken * 100 / d.total);
        // On a terminal every change; elsewhere a line per percent.
        if (percent == shownPercent && (out.json() || !m_terminal))
            return;
        shownPercent = percent;
        const double sending = clock.now() - sendingSince -
                               DownloadPlan::kPauseSeconds * double(pausesUpTo(d.taken) - pausesUpTo(sendingFrom));
        const double rate = sending > 0 ? double(d.taken - sendingFrom) / sending : 0;
        const double left = plan.secondsLeft(d.taken, rate, pacing);
        countdown.stop();
        out.progress(
            inLanguage(language, "[%1%2] %3% %4/%5 bytes, %6 B/s%7", "[%1%2] %3% %4/%5 byte, %6 B/s%7")
                .arg(QString(percent / 5, '#'), QString(20 - percent / 5, '.'), QString::number(percent),
                     QString::number(d.taken), QString::number(d.total), QString::number(int(rate)),
                     left >= 0 ? inLanguage(language, ", %1 s left", ", %1 s alla fine").arg(int(left)) : QString()),
            {{"bytes", d.taken}, {"total", d.total}, {"percent", percent}});
    });
    QObject::connect(&download, &Download::phase, [&](DownloadPhase phase, double) {
        if (phase == DownloadPhase::Sending) {
            sendingSince = clock.now();
            sendingFrom = download.progress().taken;
        }
    });

    // Everything that decides what goes out, said before anything does: once the download has its
    // plan, or at its refusal, whichever comes first.
    bool started = false;
    const auto sayStart = [&](bool planned) {
        if (std::exchange(started, true))
            return;
        const QString device = parallel ? port_names::parallelDevice() : port_names::serialDeviceOf(link.port);
        const QString where = device.isEmpty() || device == link.port ? link.port : link.port + " (" + device + ")";
        const QString lineText =
            link.line ? link.line->text() : inLanguage(language, "no line chosen", "nessuna linea scelta");
        const bool external = c.request.operation == Operation::ExternalFonts;
        const bool checksum = !external && c.request.boot == Boot::Board && c.request.checksum == BoxValue::Checked;
        const QStringList headers = planned && !plan.refused ? plan.headerTexts() : QStringList();
        const qint64 size = QFileInfo(c.request.path).size();
        QJsonObject start{{"file", c.request.path},
                          {"size", size},
                          {"port", link.port},
                          {"device", device},
                          {"operation", kOperations.key(c.request.operation, QStringLiteral("none"))},
                          {"boot", c.request.boot == Boot::Board ? "board" : "ram"},
                          {"checksum", checksum},
                          {"turbo", pacing == Pacing::Turbo},
                          {"headers", QJsonArray::fromStringList(headers)}};
        if (!parallel)
            start.insert(QStringLiteral("settings"), lineText);
        const QString what =
            inLanguage(language, "%1 to the %2", "%1 %2")
                .arg(kOperations.key(c.request.operation, QStringLiteral("none")),
                     external                        ? inLanguage(language, "printer", "alla stampante")
                     : c.request.boot == Boot::Board ? inLanguage(language, "board", "sulla scheda")
                                                     : inLanguage(language, "RAM card", "sulla RAM card"));
        out.event(
            QStringLiteral("start"),
            inLanguage(language, "%1, %2 bytes, to %3%4: %5, %6, Turbo %7%8", "%1, %2 byte, a %3%4: %5, %6, Turbo %7%8")
                .arg(QFileInfo(c.request.path).fileName(), QString::number(size), where,
                     parallel ? QString() : QStringLiteral(" @ ") + lineText, what,
                     checksum ? inLanguage(language, "with checksum", "con checksum")
                              : inLanguage(language, "no checksum", "senza checksum"),
                     pacing == Pacing::Turbo ? inLanguage(language, "on", "sì") : inLanguage(language, "off", "no"),
                     headers.isEmpty() ? QString()
                                       : inLanguage(language, "; header ", "; intestazione ") + headers.join(", ")),
            start);
    };
    QObject::connect(&download, &Download::planned, [&] { sayStart(true); });
    QObject::connect(&download, &Download::notice, [&](const DownloadNotice& notice) {
        sayStart(false);
        tellDownload(out, language, notice);
    });
    download.start(c.request);
    runUntilEnd([&] { download.cancel(); });
    sayStart(false); // stopped in the pass over the file: said before how it ended
    const qint64 total = QFileInfo(c.request.path).size();
    const QJsonObject counts{{"sent", download.bytesWritten()}, {"taken", taken}, {"total", total}};
    if (m_signal) {
        out.event(QStringLiteral("interrupted"),
                  inLanguage(language, "interrupted after %1 of %2 bytes; nothing more was sent",
                             "interrotto dopo %1 di %2 byte; non è stato inviato altro")
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
    // On a line that shows no queue (a pseudo-terminal) the bytes were sent; nobody can say they arrived.
    const bool sentOnly = o == DownloadOutcome::Completed && !download.lineConfirmed();
    fields.insert(QStringLiteral("outcome"), sentOnly ? "sent" : outcomeId(o));
    if (o == DownloadOutcome::Completed)
        fields.insert(QStringLiteral("confirmed"), !sentOnly);
    fields.insert(QStringLiteral("message"), out.lastMessage());
    return out.result(name(), status, fields);
}
