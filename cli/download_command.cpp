#include "cli/download_command.h"

#include "cli/commands.h"
#include "cli/download_options.h"
#include "cli/recording.h"
#include "core/record/job_rows.h"

#include "core/download/download.h"
#include "core/download/download_watch.h"
#include "core/link/qt_serial_control.h"
#include "core/link/stored_choices.h"
#include "core/platform/system_clock.h"

#include "core/download/header.h"
#include "core/link/port_catalog.h"
#include "core/link/port_names.h"
#include "texts/download_messages.h"

#include <QCommandLineParser>
#include <QJsonArray>
#include <QTimer>

#include <QFileInfo>
#include <QJsonObject>
#include <cmath>
#include <limits>

namespace {
const QCommandLineOption kPort{QStringLiteral("port"),
                               QStringLiteral("COM1 to COM10, LPT1, or a serial or parallel device's path."),
                               QStringLiteral("name")};
} // namespace

void DownloadCommand::define(QCommandLineParser& p) const
{
    p.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The file to send."));
    p.addOptions({kPort, option::kSerial});
    defineDownloadOptions(p, true);
}

int DownloadCommand::run(const QCommandLineParser& p, Output& out)
{
    StoredChoices c = p.isSet(option::kNoStored) ? builtInChoices() : readStoredChoices();
    auto usage = [&](const QString& why) {
        out.event(QStringLiteral("error"), QStringLiteral("velmora-cli download: ") + why,
                  {{"error", "usage"}, {"text", why}});
        return out.result(name(), exit_status::Usage);
    };
    c.request.path = p.positionalArguments().constFirst();
    if (p.isSet(kPort)) {
        const auto port = portNamed(p.value(kPort));
        if (!port)
            return usage(noSuchPort(p.value(kPort)));
        c.link.port = *port;
        // A parallel device by its path (a USB parallel adapter, /dev/usb/lp0): LPT1, leading there.
        if (port_names::isParallelPath(*port)) {
            c.link.path = *port;
            c.link.port = kParallelPort;
        }
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
    std::optional<DownloadReport> report;
    QObject::connect(&download, &Download::ended, [&](const DownloadReport& r) {
        report = r;
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
        out.event(QStringLiteral("phase"), phaseText(phase, seconds), fields);
        countdown.stop();
        if (seconds > 0) {
            waitEnds = clock.now() + seconds;
            waitText = phaseText(phase, seconds);
            countdown.start(250);
        }
    });
    QObject::connect(&download, &Download::headerSent, [&](const QByteArray& header) {
        out.event(QStringLiteral("header"), tr("header ") + escapeControls(QString::fromLatin1(header.chopped(1))),
                  {{"header", QString::fromLatin1(header.chopped(1))}}, Output::Detail::Verbose);
    });
    // Time left: the same estimate as the window's, from the plan.
    const bool parallel = link.parallel();
    const DownloadPlan& plan = download.plan(); // made by the download's pass, before anything opens
    DownloadWatch watch(download, clock);
    qint32 shownPercent = -1;
    double shownAt = -1;
    qint64 taken = 0; // what the bar last showed: the line had taken it
    QObject::connect(&download, &Download::progressChanged, [&] {
        const DownloadProgress& d = download.progress();
        if (!d.transferring() || d.total <= 0)
            return;
        taken = d.taken;
        const int percent = int(d.taken * 100 / d.total);
        // On a terminal every change; in JSON an event per percent; in a log a line per 10 % or per 5 s.
        if (percent == shownPercent && (out.json() || !m_terminal))
            return;
        if (!out.json() && !m_terminal && percent / 10 == shownPercent / 10 && clock.now() - shownAt < 5 &&
            percent < 100)
            return;
        shownPercent = percent;
        shownAt = clock.now();
        const DownloadStatus status = watch.status();
        const double rate = status.rate, left = status.secondsLeft;
        countdown.stop();
        out.progress(tr("[%1%2] %3% %4/%5 bytes, %6 B/s%7")
                         .arg(QString(percent / 5, '#'), QString(20 - percent / 5, '.'), QString::number(percent),
                              QString::number(d.taken), QString::number(d.total), QString::number(int(rate)),
                              left >= 0 ? tr(", %1 s left").arg(int(left)) : QString()),
                     {{"bytes", d.taken},
                      {"total", d.total},
                      {"percent", percent},
                      {"rate", qRound(rate)},
                      {"secondsLeft", left >= 0 ? QJsonValue(std::round(left * 10) / 10) : QJsonValue()}});
    });

    // The job in the service record, from its start line to its result.
    Recording record(p, out);
    std::optional<qint64> recorded;
    // The row says at once that a header went out, and keeps up with the bytes every few seconds:
    // a command killed meanwhile leaves a true row.
    double recordedAt = 0;
    const auto recordSoFar = [&] {
        record.update(recorded, job_rows::downloadSoFar(download.plan(), download.bytesWritten(), taken));
        recordedAt = clock.now();
    };
    QObject::connect(&download, &Download::headerSent, recordSoFar);
    QObject::connect(&download, &Download::progressChanged, [&] {
        if (recorded && clock.now() - recordedAt >= 5)
            recordSoFar();
    });
    // Everything that decides what goes out, said before anything does: once the download has its
    // plan, or at its refusal, whichever comes first.
    bool started = false;
    const auto sayStart = [&](bool planned) {
        if (std::exchange(started, true))
            return;
        const QString device = link.device();
        const QString where = device.isEmpty() || device == link.port ? link.port : link.port + " (" + device + ")";
        const QString lineText = link.line ? link.line->text() : tr("no line chosen");
        const bool external = c.request.operation == Operation::ExternalFonts;
        const bool checksum = planned ? plan.checksum
                                      : !external && c.request.boot == Boot::Board &&
                                            c.request.checksum == BoxValue::Checked;
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
        const QString what = tr("%1 to the %2")
                                 .arg(kOperations.key(c.request.operation, QStringLiteral("none")),
                                      external                        ? tr("printer")
                                      : c.request.boot == Boot::Board ? tr("board")
                                                                      : tr("RAM card"));
        recorded = record.begin(job_rows::downloadStart({QStringLiteral("command line"),
                                                         JobKind::Download,
                                                         c.request,
                                                         pacing,
                                                         link,
                                                         device,
                                                         planned ? &plan : nullptr,
                                                         planned ? download.fileXor() : -1,
                                                         {}}));
        if (!planned && !QFileInfo(c.request.path).isFile())
            return; // nothing to announce of a file that is not there: its refusal says it all
        out.event(QStringLiteral("start"),
                  tr("%1, %2 bytes, to %3%4: %5, %6, Turbo %7%8")
                      .arg(QFileInfo(c.request.path).fileName(), QString::number(size), where,
                           parallel ? QString() : QStringLiteral(" @ ") + lineText, what,
                           checksum ? tr("with checksum") : tr("no checksum"),
                           pacing == Pacing::Turbo ? tr("on") : tr("off"),
                           headers.isEmpty() ? QString() : tr("; header ") + headers.join(", ")),
                  start);
    };
    QObject::connect(&download, &Download::planned, [&] { sayStart(true); });
    QObject::connect(&download, &Download::notice, [&](const DownloadNotice& notice) {
        sayStart(false);
        tellDownload(out, language, notice);
    });
    record.remindIfMidImage(link.port, link.device());
    download.start(c.request);
    runUntilEnd([&] { download.cancel(); });
    sayStart(false); // stopped in the pass over the file: said before how it ended
    const qint64 total = QFileInfo(c.request.path).size();
    // From here on, only what the download reported of itself.
    const DownloadReport r = report.value_or(DownloadReport{});
    // midImage: a header went out and not all it announced; the printer must be switched off and on.
    const QJsonObject counts{{"sent", r.sent}, {"taken", taken}, {"total", total}, {"midImage", r.midImage}};
    const QString bytes = tr("%1 of %2 bytes").arg(QString::number(r.sent), QString::number(total));
    const QString midImage =
        r.midImage ? tr("; the printer holds part of an image: switch it off and on before the next download")
                   : QString();
    if (m_signal) {
        record.complete(recorded, job_rows::downloadEnd(r, JobOutcome::Interrupted));
        // The result line says it; the event is for --json.
        out.event(QStringLiteral("interrupted"), QString(), counts);
        QJsonObject fields = counts;
        fields.insert(QStringLiteral("outcome"), idOf(JobOutcome::Interrupted)); // as the record says it
        return out.result(name(), 128 + m_signal, fields,
                          tr("%1: interrupted after %2; nothing more was sent%3").arg(link.port, bytes, midImage));
    }
    const DownloadOutcome o = r.outcome;
    const Failure& failure = r.failure;
    const int status = o == DownloadOutcome::Completed     ? exit_status::Ok
                       : failure                           ? exit_status::of(failure.cause)
                       : o == DownloadOutcome::FileRefused ? exit_status::FileRefused
                       : o == DownloadOutcome::PortRefused ? exit_status::PortRefused
                                                           : exit_status::LinkFailed;
    QJsonObject fields = Output::fieldsOf(failure);
    for (auto it = counts.begin(); it != counts.end(); ++it)
        fields.insert(it.key(), it.value());
    // On a line that shows no queue (a pseudo-terminal) the bytes were sent; nobody can say they arrived.
    const bool sentOnly = o == DownloadOutcome::Completed && !r.lineConfirmed;
    fields.insert(QStringLiteral("outcome"), r.outcomeId());
    if (o == DownloadOutcome::Completed)
        fields.insert(QStringLiteral("confirmed"), !sentOnly);
    fields.insert(QStringLiteral("message"), out.lastMessage());
    record.complete(recorded, job_rows::downloadEnd(r));
    QString line;
    if (o == DownloadOutcome::Completed)
        line = sentOnly ? tr("%1: sent, %2; the line gave no account of what the printer took").arg(link.port, bytes)
                        : tr("%1: done, %2").arg(link.port, bytes);
    else if (r.sent == 0 && !r.midImage) // a header out is not "nothing"
        line = tr("%1: nothing sent: %2%3").arg(link.port, failure ? failureCause(failure) : r.outcomeId(), midImage);
    else
        line = tr("%1: failed after %2: %3%4")
                   .arg(link.port, bytes, failure ? failureCause(failure) : r.outcomeId(), midImage);
    return out.result(name(), status, fields, line);
}
