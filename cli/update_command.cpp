#include "cli/update_command.h"

#include "cli/download_options.h"
#include "cli/output_sink.h"
#include "cli/recording.h"
#include "core/link/port_names.h"
#include "core/link/qt_serial_control.h"
#include "core/platform/system_clock.h"
#include "core/record/job_rows.h"
#include "texts/download_messages.h"
#include "texts/printer_messages.h"
#include "texts/update_words.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QJsonArray>
#include <QTimer>

#include <cmath>

namespace {
const QCommandLineOption kPort{
    QStringLiteral("port"),
    QStringLiteral("The printers' ports, comma-separated: COM1 to COM10 or serial devices' paths."),
    QStringLiteral("names")};
const QCommandLineOption kForce{QStringLiteral("force"),
                                QStringLiteral("Load printers that already report the file's release too.")};
const QCommandLineOption kAllowDowngrade{
    QStringLiteral("allow-downgrade"),
    QStringLiteral("Load printers that report a later release than the file's too.")};
const QCommandLineOption kNoDowngrade{
    QStringLiteral("no-downgrade"),
    QString::fromUtf8("Skip printers that report a later release than the file's (as without "
                      "--allow-downgrade).")};
const QCommandLineOption kVerifyTimeout{QStringLiteral("verify-timeout"),
                                        QStringLiteral("How long to wait for a restarted printer's release (120)."),
                                        QStringLiteral("seconds")};
} // namespace

// What the command shows of one printer beside the job's own account: its messages, its phase,
// the bytes last told.
struct UpdateCommand::Shown {
    Shown(Output& out, const QString& port) : messages(out, port) {}
    PortMessages messages;
    QString phase;
    qint64 taken = 0, total = 0;
};

UpdateCommand::UpdateCommand(bool terminal) : m_terminal(terminal) {}
UpdateCommand::~UpdateCommand() = default;

void UpdateCommand::define(QCommandLineParser& p) const
{
    p.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The firmware file (*.BIN)."));
    p.addOptions({kPort, kForce, kAllowDowngrade, kNoDowngrade, kVerifyTimeout, option::kSerial});
    defineDownloadOptions(p, false);
}

QJsonObject UpdateCommand::fieldsOf(const PrinterUpdate& p)
{
    QJsonObject fields{{"port", p.port}, {"device", p.device}, {"state", p.stateId()}};
    if (p.downgrade)
        fields.insert(QStringLiteral("downgrade"), true);
    for (const auto& [key, value] :
         {std::pair{"model", p.model}, {"before", p.before}, {"after", p.after}, {"error", p.error}})
        if (!value.isEmpty())
            fields.insert(QString::fromLatin1(key), value);
    return fields;
}

QString UpdateCommand::stateWords(int i) const
{
    const PrinterUpdate& p = m_job->printer(i);
    if (p.state == PrinterUpdate::State::Skipped && p.downgrade)
        return updateStateWords(p, m_release, {}) + tr("; --allow-downgrade loads it");
    return updateStateWords(*m_job, i, m_shown[std::size_t(i)]->phase);
}

QString UpdateCommand::lineOf(int i) const
{
    const PrinterUpdate& p = m_job->printer(i);
    return QStringLiteral("%1 %2 %3 %4 %5")
        .arg(escapeControls(p.port), -7)
        .arg(escapeControls(p.model.isEmpty() ? QStringLiteral("-") : p.model).left(14), -14)
        .arg(escapeControls(p.before.isEmpty() ? QStringLiteral("-") : p.before).left(10), -10)
        .arg(stateWords(i), -48)
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

QString UpdateCommand::resultLine(int i) const
{
    const PrinterUpdate& p = m_job->printer(i);
    QString known = escapeControls(p.model);
    if (!p.before.isEmpty())
        known += (known.isEmpty() ? "" : " ") + escapeControls(p.before);
    if (!p.after.isEmpty())
        known += QStringLiteral(" \u2192 ") + escapeControls(p.after);
    return escapeControls(p.port) + QStringLiteral(": ") + (known.isEmpty() ? QString() : known + ", ") + stateWords(i);
}

void UpdateCommand::changed(int i)
{
    // On a terminal the live lines say it; elsewhere a line per change.
    const bool live = m_terminal && !m_out->json();
    m_out->event(QStringLiteral("printer"), live ? QString() : lineOf(i).simplified(), fieldsOf(m_job->printer(i)));
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
    for (int i = 0; i < m_job->size(); ++i)
        screen += "\r" + fitToTerminal(lineOf(i)).toUtf8() + "\x1b[K\n";
    m_drawn = m_job->size() + 1;
    // The first drawing stays: a redraw that replaced it would move the cursor above the lines.
    output_sink::put(output_sink::Stream::Err, screen, m_drawn > 0 && m_drawnOnce);
    m_drawnOnce = true;
}

int UpdateCommand::run(const QCommandLineParser& p, Output& out)
{
    m_out = &out;
    m_choices = p.isSet(option::kNoStored) ? builtInChoices() : readStoredChoices();
    m_choices.request.path = p.positionalArguments().constFirst();
    m_choices.request.operation = Operation::Firmware;
    auto usage = [&](const QString& why) {
        out.event(QStringLiteral("error"), QStringLiteral("velmora-cli update: ") + why,
                  {{"error", "usage"}, {"text", why}});
        return out.result(name(), exit_status::Usage);
    };
    if (const auto refused = applyDownloadOptions(p, m_choices))
        return usage(*refused);
    UpdateChoices update;
    update.force = p.isSet(kForce);
    // An older release is loaded only when asked for: a downgrade by mistake costs the printer its fixes.
    if (p.isSet(kAllowDowngrade) && p.isSet(kNoDowngrade))
        return usage(QStringLiteral("--allow-downgrade or --no-downgrade, not both"));
    update.allowDowngrade = p.isSet(kAllowDowngrade);
    bool ok = true;
    update.verifyTimeout = p.isSet(kVerifyTimeout) ? p.value(kVerifyTimeout).toDouble(&ok) : 120;
    if (!ok || !std::isfinite(update.verifyTimeout) || update.verifyTimeout <= 0)
        return usage(QStringLiteral("--verify-timeout takes a number of seconds"));
    const QStringList names = p.isSet(kPort) ? p.value(kPort).split(',') : QStringList{m_choices.link.port};
    QSet<QString> devices;
    QList<std::pair<QString, QString>> printers;
    for (const QString& given : names) {
        const auto port = portNamed(given.trimmed());
        if (!port || isParallelPort(*port))
            return usage(port ? QStringLiteral("the printers answer on serial ports only, not LPT1")
                              : noSuchPort(given.trimmed()));
        // One device, one printer: two names for one device would be one printer loaded twice.
        const QString device = port_names::serialDeviceOf(*port);
        if (devices.contains(port_names::deviceIdentity(device)))
            return usage(QStringLiteral("%1 leads to a device named twice (%2)").arg(*port, device));
        devices << port_names::deviceIdentity(device);
        printers << std::pair{*port, device};
    }

    if (p.isSet(option::kSerial) && p.value(option::kSerial).split(',').size() != printers.size())
        return usage(QStringLiteral("--serial takes one serial number a port, in the order of --port"));
    // The file's release first: without one there is nothing to verify, and no printer is asked.
    int refusal = 0;
    const std::optional<QString> release = firmwareRelease(m_choices.request.path, out, refusal);
    if (!release)
        return refusal;
    m_release = *release;
    const QFileInfo info(m_choices.request.path);
    out.event(
        QStringLiteral("start"),
        tr("%1 (release %2) to %3").arg(info.fileName(), escapeControls(m_release), names.join(QStringLiteral(", "))),
        {{"file", m_choices.request.path},
         {"release", m_release},
         {"ports", QJsonArray::fromStringList(names)},
         {"headers", QJsonArray::fromStringList(plannedHeaders(m_choices.request, false))}});

    SystemClock clock;
    update.request = m_choices.request;
    update.line = m_choices.link.line;
    update.pacing = m_choices.pacing();
    update.release = m_release;
    const int language = languageOf(p);
    m_job = std::make_unique<UpdateJob>(
        clock, [] { return std::make_unique<QtSerialControl>(); }, update);
    for (const auto& [port, device] : printers) {
        m_shown.push_back(std::make_unique<Shown>(out, port));
        m_shown.back()->messages.live = m_terminal && !out.json() && out.detail() != Output::Detail::Quiet;
    }
    QObject::connect(m_job.get(), &UpdateJob::changed, [this](int i) { changed(i); });
    QObject::connect(m_job.get(), &UpdateJob::askFailed, [this, language](int i, const Failure& f) {
        tellPrinterFailure(m_shown[std::size_t(i)]->messages, language, f);
    });
    QObject::connect(m_job.get(), &UpdateJob::notice, [this, language](int i, const DownloadNotice& notice) {
        tellDownload(m_shown[std::size_t(i)]->messages, language, notice);
    });
    QList<PrinterUpdate> ended;
    QObject::connect(m_job.get(), &UpdateJob::finished, [&](const QList<PrinterUpdate>& printers) {
        ended = printers;
        end();
    });
    // Each printer's job in the service record, from now to its end.
    Recording record(p, out);
    std::vector<std::optional<qint64>> recorded;
    for (const auto& [port, device] : printers) {
        record.remindIfMidImage(port, device);
        // The file's SHA-256 comes with each row's end, hashed from the bytes as they went out: nothing
        // reads a large file through before the printers are asked.
        recorded.push_back(record.begin(
            job_rows::downloadStart({QStringLiteral("command line"), JobKind::Update, m_choices.request, update.pacing,
                                     LinkChoice{port, update.line}, device, nullptr, -1, m_release}),
            int(recorded.size())));
    }
    // Every printer at once, each with its own port, pacing and waits.
    m_job->start(printers);
    for (int i = 0; i < m_job->size(); ++i) {
        Download& download = m_job->download(i);
        Shown& shown = *m_shown[std::size_t(i)];
        const QString port = printers[i].first;
        QObject::connect(&download, &Download::phase, [this, &shown, port](DownloadPhase phase, double s) {
            shown.phase = phaseText(phase, s);
            QJsonObject fields{{"port", port}, {"phase", phaseId(phase)}};
            if (s > 0)
                fields.insert(QStringLiteral("seconds"), s);
            m_out->event(QStringLiteral("phase"), QString(), fields);
            redraw();
        });
        QObject::connect(&download, &Download::progressChanged, [this, &download, &shown, port] {
            const DownloadProgress& d = download.progress();
            if (!d.transferring() || d.total <= 0 || (shown.taken == d.taken && shown.total == d.total))
                return;
            const bool percent = d.taken * 100 / d.total != shown.taken * 100 / qMax<qint64>(1, shown.total);
            shown.taken = d.taken;
            shown.total = d.total;
            if (percent)
                m_out->event(QStringLiteral("progress"), QString(),
                             {{"port", port}, {"bytes", d.taken}, {"total", d.total}});
            redraw();
        });
    }
    // The countdowns of the waits go on between the downloads' news.
    QTimer countdown;
    QObject::connect(&countdown, &QTimer::timeout, [this] { redraw(); });
    countdown.start(250);
    redraw();
    if (m_job->running())
        runUntilEnd([&] { m_job->cancel(); });
    countdown.stop();
    redraw();

    QJsonArray rows;
    QStringList lines;
    bool allGood = true;
    for (int i = 0; i < ended.size(); ++i) {
        const PrinterUpdate& pr = ended[i];
        allGood = allGood && pr.good();
        QJsonObject row = fieldsOf(pr);
        row.insert(QStringLiteral("sent"), pr.load ? pr.load->sent : 0);
        row.insert(QStringLiteral("total"), info.size());
        row.insert(QStringLiteral("midImage"), pr.load && pr.load->midImage);
        rows.append(row);
        record.complete(recorded[std::size_t(i)], job_rows::updateEnd(pr));
        lines << resultLine(i);
    }
    // One line a printer on stdout: how each ended, or how far it got when interrupted.
    return out.result(name(),
                      m_signal  ? 128 + m_signal
                      : allGood ? exit_status::Ok
                                : exit_status::NotVerified,
                      {{"release", m_release}, {"printers", rows}}, lines.join('\n'));
}
