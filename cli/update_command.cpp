#include "cli/update_command.h"

#include "cli/download_options.h"
#include "cli/output_sink.h"
#include "cli/recording.h"

#include "core/download/download_watch.h"
#include "core/link/port_catalog.h"
#include "core/link/port_names.h"
#include "core/link/qt_serial_control.h"
#include "core/platform/file_check.h"
#include "core/platform/system_clock.h"
#include "core/printer/interrogation.h"
#include "core/printer/release_check.h"
#include "texts/download_messages.h"
#include "texts/printer_messages.h"
#include "texts/string_table.h"

#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QTimer>

#include <cmath>

namespace {

// The messages of one printer's jobs: tagged with its port, or swallowed (the polls after a
// restart, which expect silence).
class PrinterMessages : public MessageBoxes
{
public:
    PrinterMessages(Output& out, QString port) : m_out(out), m_port(std::move(port)) {}
    using MessageBoxes::show;
    void show(const QString& text, const QString& title, MessageIcon icon, const QString& detail,
              const QString& informative) override
    {
        tell(messageLine(text, detail, informative), text, title, icon, detail, informative);
    }
    void showFailure(const QString& text, const QString& title, const QString& detail, const QString& informative,
                     const Failure& failure) override
    {
        tell(failureLine(text, informative, failure), text, title, MessageIcon::Critical, detail, informative, failure);
    }
    void tell(const QString& line, const QString& text, const QString& title, MessageIcon icon, const QString& detail,
              const QString& informative, const Failure& failure = {})
    {
        last = text;
        // Swallowed while polling; on the live lines the printer's state says it.
        if (quiet || live)
            return;
        QJsonObject fields{{"port", m_port},
                           {"text", text},
                           {"title", title},
                           {"icon", icon == MessageIcon::Critical ? "critical" : "information"}};
        if (!informative.isEmpty())
            fields.insert(QStringLiteral("informative"), informative);
        if (!detail.isEmpty())
            fields.insert(QStringLiteral("detail"), detail);
        if (failure)
            fields.insert(QStringLiteral("error"), causeId(failure.cause));
        m_out.event(QStringLiteral("message"), m_port + QStringLiteral(": ") + line, fields,
                    icon == MessageIcon::Critical ? Output::Detail::Quiet : Output::Detail::Normal);
    }
    bool quiet = false;
    bool live = false;
    QString last;

private:
    Output& m_out;
    QString m_port;
};

// A connection to a task's locals: it goes with them, when the task ends or is cancelled.
struct Connection {
    QMetaObject::Connection connection;
    ~Connection() { QObject::disconnect(connection); }
};

} // namespace

// One printer of an update: its port, its jobs and what is known of it.
struct UpdateCommand::Printer {
    enum class State { Asking, NoAnswer, PortRefused, Skipped, Loading, LoadFailed, Verifying, Verified, NotVerified };

    Printer(Output& out, const QString& name) : port(name), messages(out, name) {}
    QString port, device, model, before, after, error;
    Cause cause = Cause::None;
    State state = State::Asking;
    bool downgrade = false; // the file's release is older than the printer's
    QString phase;
    qint64 taken = 0, total = 0;
    PrinterMessages messages;
    QtSerialControl askingPort, loadingPort;
    std::unique_ptr<Timer> timer;
    std::unique_ptr<Interrogation> interrogation;
    std::unique_ptr<Download> download;
    std::unique_ptr<DownloadWatch> watch;
    Job job;
};

namespace {

const char* stateId(UpdateCommand::Printer::State state)
{
    using State = UpdateCommand::Printer::State;
    switch (state) {
    case State::Asking:
        return "asking";
    case State::NoAnswer:
        return "no-answer";
    case State::PortRefused:
        return "port-refused";
    case State::Skipped:
        return "skipped";
    case State::Loading:
        return "loading";
    case State::LoadFailed:
        return "load-failed";
    case State::Verifying:
        return "verifying";
    case State::Verified:
        return "verified";
    case State::NotVerified:
        return "not-verified";
    }
    return "";
}

} // namespace

UpdateCommand::UpdateCommand(bool terminal) : m_terminal(terminal) {}
UpdateCommand::~UpdateCommand() = default;

void UpdateCommand::define(QCommandLineParser& p) const
{
    p.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The firmware file (*.BIN)."));
    p.addOptions({{"port", "The printers' ports, comma-separated: COM1 to COM10 or serial devices' paths.", "names"},
                  {"force", "Load printers that already report the file's release too."},
                  {"allow-downgrade", "Load printers that report a later release than the file's too."},
                  {"no-downgrade", "Skip printers that report a later release than the file's (as without "
                                   "--allow-downgrade)."},
                  {"verify-timeout", "How long to wait for a restarted printer's release (120).", "seconds"}});
    defineDownloadOptions(p, false);
}

Task<Interrogation::Answers> UpdateCommand::ask(Printer& p, bool quietly)
{
    p.messages.quiet = quietly;
    std::optional<Interrogation::Answers> answers;
    Wakeup done;
    const Connection connection{
        QObject::connect(p.interrogation.get(), &Interrogation::finished, [&](const Interrogation::Answers& a) {
            answers = a;
            done.fire();
        })};
    p.interrogation->start(LinkChoice{p.port, m_choices.link.line});
    if (!answers) // a port that does not open ends the run at once
        co_await done;
    tellPrinterFailure(p.messages, m_language, answers->failure);
    p.messages.quiet = false;
    co_return *answers;
}

Task<> UpdateCommand::update(Printer& p)
{
    // Before: who is there, and does it need the file?
    const Interrogation::Answers first = co_await ask(p, false);
    if (first.failure || first.replies.size() < 3 || first.replies[1] == QLatin1String(Interrogation::kNoReply)) {
        p.cause = first.failure ? first.failure.cause : Cause::PrinterNoAnswer;
        p.error = causeId(p.cause);
        // A port that did not open is no printer that did not answer.
        changed(p, int(concernOf(p.cause) == Concern::Port ? Printer::State::PortRefused : Printer::State::NoAnswer));
        co_return;
    }
    p.model = first.replies[0];
    p.before = first.release.value_or(QString());
    const std::optional<int> order = releaseOrder(m_release, p.before);
    p.downgrade = order && *order < 0;
    if ((first.release == m_release && !m_force) || (p.downgrade && m_noDowngrade)) {
        changed(p, int(Printer::State::Skipped));
        co_return;
    }
    // Load, exactly as a download does.
    changed(p, int(Printer::State::Loading));
    std::optional<DownloadOutcome> outcome;
    Wakeup loaded;
    const Connection connection{QObject::connect(p.download.get(), &Download::ended, [&](DownloadOutcome o) {
        outcome = o;
        loaded.fire();
    })};
    p.download->start(m_choices.request);
    if (!outcome)
        co_await loaded;
    if (*outcome != DownloadOutcome::Completed) {
        p.error = p.download->failure() ? causeId(p.download->failure().cause) : outcomeId(*outcome);
        changed(p, int(Printer::State::LoadFailed));
        co_return;
    }
    // After: the printer restarts; it is asked until it reports the file's release or the time
    // is up (a restarting printer may answer noise first), and its last answer is kept.
    changed(p, int(Printer::State::Verifying));
    const double deadline = m_clock->now() + m_verifyTimeout;
    bool verified = false;
    while (!verified && m_clock->now() < deadline) {
        co_await m_clock->sleep(2);
        const Interrogation::Answers again = co_await ask(p, true);
        if (!again.failure && again.replies.size() == 3 && again.replies[1] != QLatin1String(Interrogation::kNoReply)) {
            p.after = again.release.value_or(QString());
            verified = again.release == m_release;
        }
    }
    changed(p, int(verified ? Printer::State::Verified : Printer::State::NotVerified));
}

QJsonObject UpdateCommand::fieldsOf(const Printer& p)
{
    QJsonObject fields{{"port", p.port}, {"device", p.device}, {"state", stateId(p.state)}};
    if (p.downgrade)
        fields.insert(QStringLiteral("downgrade"), true);
    for (const auto& [key, value] :
         {std::pair{"model", p.model}, {"before", p.before}, {"after", p.after}, {"error", p.error}})
        if (!value.isEmpty())
            fields.insert(QString::fromLatin1(key), value);
    return fields;
}

QString UpdateCommand::stateWords(const Printer& p) const
{
    switch (p.state) {
    case Printer::State::Asking:
        return tr("asking");
    case Printer::State::NoAnswer:
        return tr("no answer") + " (" + p.error + ")";
    case Printer::State::PortRefused:
        return causeWords(p.cause);
    case Printer::State::Skipped:
        return p.downgrade ? tr("downgrade refused: the file's release is older than the printer's; "
                                "--allow-downgrade loads it")
                           : tr("already at the release: skipped");
    case Printer::State::Loading: {
        // The plan first: a downgrade is said as long as it loads.
        const QString plan = p.downgrade ? tr("downgrade to %1: ").arg(escapeControls(m_release)) : QString();
        if (m_signal) {
            const DownloadProgress& d = p.download->progress();
            return plan +
                   tr("interrupted after %1 of %2 bytes; nothing more was sent")
                       .arg(QString::number(p.download->bytesWritten()), QString::number(d.total)) +
                   (p.download->leftMidImage() ? tr("; the printer holds part of an image: switch it off and on")
                                               : QString());
        }
        const QString status = statusText(p.watch->status());
        return plan + (!status.isEmpty() ? status : p.phase.isEmpty() ? tr("loading") : p.phase);
    }
    case Printer::State::LoadFailed:
        return tr("load failed") + " (" + p.error + ")";
    case Printer::State::Verifying:
        return tr("switch it off and on; waiting for its release");
    case Printer::State::Verified:
        return p.downgrade ? tr("verified (downgrade)") : tr("verified");
    case Printer::State::NotVerified:
        return tr("NOT verified");
    }
    return {};
}

QString UpdateCommand::lineOf(const Printer& p) const
{
    return QStringLiteral("%1 %2 %3 %4 %5")
        .arg(escapeControls(p.port), -7)
        .arg(escapeControls(p.model.isEmpty() ? QStringLiteral("-") : p.model).left(14), -14)
        .arg(escapeControls(p.before.isEmpty() ? QStringLiteral("-") : p.before).left(10), -10)
        .arg(stateWords(p), -48)
        .arg(escapeControls(p.after));
}

QString UpdateCommand::headerRow() const
{
    return QStringLiteral("%1 %2 %3 %4 %5")
        .arg(tr("PORT"), -7)
        .arg(tr("MODEL"), -14)
        .arg(tr("BEFORE"), -10)
        .arg(tr("STATE"), -48)
        .arg(tr("AFTER"));
}

QString UpdateCommand::resultLine(const Printer& p) const
{
    QString known = escapeControls(p.model);
    if (!p.before.isEmpty())
        known += (known.isEmpty() ? "" : " ") + escapeControls(p.before);
    if (!p.after.isEmpty())
        known += QStringLiteral(" \u2192 ") + escapeControls(p.after);
    return escapeControls(p.port) + QStringLiteral(": ") + (known.isEmpty() ? QString() : known + ", ") + stateWords(p);
}

void UpdateCommand::changed(Printer& p, int stateValue)
{
    const auto state = Printer::State(stateValue);
    const bool newState = std::exchange(p.state, state) != state;
    if (newState) {
        const QJsonObject fields = fieldsOf(p);
        // On a terminal the live lines say it; elsewhere a line per change.
        const bool live = m_terminal && !m_out->json();
        m_out->event(QStringLiteral("printer"), live ? QString() : lineOf(p).simplified(), fields);
    }
    redraw();
}

void UpdateCommand::redraw()
{
    if (!m_terminal || m_out->json() || m_out->detail() == Output::Detail::Quiet)
        return;
    QByteArray screen;
    if (m_drawn > 0)
        screen += "\x1b[" + QByteArray::number(m_drawn) + "A";
    screen += "\r" + fitToTerminal(headerRow()).toUtf8() + "\x1b[K\n";
    for (const auto& p : m_printers)
        screen += "\r" + fitToTerminal(lineOf(*p)).toUtf8() + "\x1b[K\n";
    m_drawn = int(m_printers.size()) + 1;
    // The first drawing stays: a redraw that replaced it would move the cursor above the lines.
    output_sink::put(output_sink::Stream::Err, screen, m_drawn > 0 && m_drawnOnce);
    m_drawnOnce = true;
}

int UpdateCommand::run(const QCommandLineParser& p, Output& out)
{
    m_out = &out;
    m_choices = p.isSet("no-stored") ? builtInChoices() : readStoredChoices();
    m_choices.request.path = p.positionalArguments().constFirst();
    m_choices.request.operation = Operation::Firmware;
    auto usage = [&](const QString& why) {
        out.event(QStringLiteral("error"), QStringLiteral("velmora-cli update: ") + why,
                  {{"error", "usage"}, {"text", why}});
        return out.result(name(), exit_status::Usage);
    };
    if (const auto refused = applyDownloadOptions(p, m_choices))
        return usage(*refused);
    m_force = p.isSet("force");
    // An older release is loaded only when asked for: a downgrade by mistake costs the printer its fixes.
    if (p.isSet("allow-downgrade") && p.isSet("no-downgrade"))
        return usage(QStringLiteral("--allow-downgrade or --no-downgrade, not both"));
    m_noDowngrade = !p.isSet("allow-downgrade");
    bool ok = true;
    m_verifyTimeout = p.isSet("verify-timeout") ? p.value("verify-timeout").toDouble(&ok) : 120;
    if (!ok || !std::isfinite(m_verifyTimeout) || m_verifyTimeout <= 0)
        return usage(QStringLiteral("--verify-timeout takes a number of seconds"));
    const QStringList names = p.isSet("port") ? p.value("port").split(',') : QStringList{m_choices.link.port};
    QSet<QString> devices;
    for (const QString& given : names) {
        const auto port = portNamed(given.trimmed());
        if (!port || *port == QLatin1String("LPT1"))
            return usage(port ? QStringLiteral("the printers answer on serial ports only, not LPT1")
                              : noSuchPort(given.trimmed()));
        // One device, one printer: two names for one device would be one printer loaded twice.
        const QString device = port_names::serialDeviceOf(*port);
        const QString canonical = QFileInfo(device).canonicalFilePath();
        if (devices.contains(canonical.isEmpty() ? device : canonical))
            return usage(QStringLiteral("%1 leads to a device named twice (%2)").arg(*port, device));
        devices << (canonical.isEmpty() ? device : canonical);
        m_printers.push_back(std::make_unique<Printer>(out, *port));
        m_printers.back()->device = device;
    }
    m_language = languageOf(p);

    // The file's release first: without one there is nothing to verify, and no printer is asked.
    QFile file(m_choices.request.path);
    const QFileInfo info(m_choices.request.path);
    Failure refused = checkFile(m_choices.request.path);
    if (!refused && !file.open(QIODevice::ReadOnly))
        refused = Failure{Cause::FileUnreadable, m_choices.request.path, {}, file.errorString()};
    if (refused) {
        const Cause cause = refused.cause;
        out.event(QStringLiteral("error"),
                  QStringLiteral("velmora-cli update: ") + causeWords(cause) + QStringLiteral(": ") +
                      m_choices.request.path,
                  {{"error", causeId(cause)}, {"text", m_choices.request.path}});
        return out.result(name(), exit_status::FileRefused,
                          {{"error", causeId(cause)}, {"file", m_choices.request.path}});
    }
    const auto searched = releaseOf(file);
    if (!searched)
        return out.result(name(), 128 + m_signal);
    const std::optional<QByteArray> release = *searched;
    if (release.value_or(QByteArray()).isEmpty()) {
        out.show(ownText(Msg::NoRelease).arg(m_choices.request.path), kAppTitle, MessageIcon::Critical);
        return out.result(name(), exit_status::NoRelease,
                          {{"error", "file-no-release"}, {"file", m_choices.request.path}});
    }
    m_release = QString::fromLatin1(*release);
    out.event(
        QStringLiteral("start"),
        tr("%1 (release %2) to %3").arg(info.fileName(), escapeControls(m_release), names.join(QStringLiteral(", "))),
        {{"file", m_choices.request.path},
         {"release", m_release},
         {"ports", QJsonArray::fromStringList(names)},
         {"headers", QJsonArray::fromStringList(plannedHeaders(m_choices.request, false))}});

    SystemClock clock;
    m_clock = &clock;
    const int language = m_language;
    const Pacing pacing = m_choices.pacing();
    int running = 0;
    for (const auto& printer : m_printers) {
        Printer& pr = *printer;
        const LinkChoice link{pr.port, m_choices.link.line};
        pr.messages.live = m_terminal && !out.json() && out.detail() != Output::Detail::Quiet;
        pr.interrogation = std::make_unique<Interrogation>(pr.askingPort, clock);
        pr.timer = clock.createTimer();
        pr.download = std::make_unique<Download>(DownloadInputs{[pacing] { return pacing; }, [link] { return link; }},
                                                 clock, pr.loadingPort, *pr.timer);
        pr.watch = std::make_unique<DownloadWatch>(*pr.download, clock);
        QObject::connect(pr.download.get(), &Download::notice, [&pr, language](const DownloadNotice& notice) {
            tellDownload(pr.messages, language, notice);
        });
        QObject::connect(pr.download.get(), &Download::phase, [this, &pr](DownloadPhase phase, double s) {
            pr.phase = phaseText(phase, s);
            QJsonObject fields{{"port", pr.port}, {"phase", phaseId(phase)}};
            if (s > 0)
                fields.insert(QStringLiteral("seconds"), s);
            m_out->event(QStringLiteral("phase"), QString(), fields);
            redraw();
        });
        QObject::connect(pr.download.get(), &Download::progressChanged, [this, &pr] {
            const DownloadProgress& d = pr.download->progress();
            if (!d.transferring() || d.total <= 0 || (pr.taken == d.taken && pr.total == d.total))
                return;
            const bool percent = d.taken * 100 / d.total != pr.taken * 100 / qMax<qint64>(1, pr.total);
            pr.taken = d.taken;
            pr.total = d.total;
            if (percent)
                m_out->event(QStringLiteral("progress"), QString(),
                             {{"port", pr.port}, {"bytes", d.taken}, {"total", d.total}});
            redraw();
        });
        QObject::connect(&pr.job, &Job::finished, [this, &running] {
            if (--running == 0)
                end();
        });
    }
    // The countdowns of the waits go on between the downloads' news.
    QTimer countdown;
    QObject::connect(&countdown, &QTimer::timeout, [this] { redraw(); });
    countdown.start(250);
    redraw();
    // Each printer's job in the service record, from now to its end.
    Recording record(p, out);
    std::vector<std::optional<qint64>> recorded;
    for (const auto& printer : m_printers) {
        record.remindIfMidImage(printer->port, printer->device);
        recorded.push_back(record.begin(ServiceRecord::Start{
            QStringLiteral("command line"), QStringLiteral("update"), QStringLiteral("firmware"),
            m_choices.request.boot == Boot::Board ? QStringLiteral("board") : QStringLiteral("ram"),
            m_choices.request.checksum == BoxValue::Checked && m_choices.request.boot == Boot::Board,
            // The file's SHA-256 comes with each row's end, hashed from the bytes as they went out: nothing
            // reads a large file through before the printers are asked.
            pacing == Pacing::Turbo, info.absoluteFilePath(), info.size(), QString(), -1,
            m_release, printer->port, printer->device, port_catalog::identityOf(printer->device),
            m_choices.link.line ? m_choices.link.line->text() : QString()}));
    }
    // Every printer at once, each with its own port, pacing and waits.
    running = int(m_printers.size());
    for (const auto& printer : m_printers)
        printer->job.start(update(*printer));
    runUntilEnd([&] {
        for (const auto& printer : m_printers) {
            printer->job.cancel();
            printer->interrogation->cancel();
            printer->download->cancel();
        }
    });
    countdown.stop();
    redraw();
    m_clock = nullptr;

    QJsonArray rows;
    QStringList lines;
    bool allGood = true;
    for (const auto& printer : m_printers) {
        const Printer& pr = *printer;
        allGood = allGood && (pr.state == Printer::State::Verified || pr.state == Printer::State::Skipped);
        QJsonObject row = fieldsOf(pr);
        row.insert(QStringLiteral("sent"), pr.download->bytesWritten());
        row.insert(QStringLiteral("total"), info.size());
        row.insert(QStringLiteral("midImage"), pr.download->leftMidImage());
        rows.append(row);
        ServiceRecord::End end;
        end.outcome = m_signal && pr.state == Printer::State::Loading ? QStringLiteral("interrupted")
                                                                      : QString::fromLatin1(stateId(pr.state));
        end.cause = pr.error.isEmpty() && pr.downgrade ? QStringLiteral("downgrade") : pr.error;
        end.fileSha256 = QString::fromLatin1(pr.download->fileSha256().toHex());
        end.headers = pr.download->plan().headerTexts().join(' ');
        end.sent = pr.download->bytesWritten();
        end.taken = pr.taken;
        end.midImage = pr.download->leftMidImage();
        end.model = pr.model;
        end.release = pr.before;
        end.releaseAfter = pr.after;
        record.complete(recorded[std::size_t(&printer - &m_printers.front())], end);
        lines << resultLine(pr);
    }
    // One line a printer on stdout: how each ended, or how far it got when interrupted.
    return out.result(name(),
                      m_signal  ? 128 + m_signal
                      : allGood ? exit_status::Ok
                                : exit_status::NotVerified,
                      {{"release", m_release}, {"printers", rows}}, lines.join('\n'));
}
