#include "core/record/job_rows.h"

#include "core/link/port_catalog.h"
#include "core/link/port_names.h"

#include <QFileInfo>

namespace job_rows {

ServiceRecord::Start downloadStart(const DownloadStart& d)
{
    static const char* const operations[] = {"firmware", "standard-fonts", "external-fonts"};
    ServiceRecord::Start s;
    s.face = d.face;
    s.kind = idOf(d.kind);
    const int op = int(d.request.operation);
    s.operation = op >= 0 && op < 3 ? QString::fromLatin1(operations[op]) : QString();
    s.boot = d.request.boot == Boot::Board ? QStringLiteral("board") : QStringLiteral("ram");
    // What the headers carry, as the download decides it.
    s.checksum = d.plan ? d.plan->checksum
                        : d.request.operation != Operation::ExternalFonts && d.request.boot == Boot::Board &&
                              d.request.checksum == BoxValue::Checked;
    s.turbo = d.pacing == Pacing::Turbo;
    const QFileInfo file(d.request.path);
    s.file = d.request.path.isEmpty() ? QString() : file.absoluteFilePath();
    s.fileSize = d.plan ? d.plan->length : file.isFile() ? file.size() : -1;
    s.fileXor = d.plan ? d.fileXor : -1;
    s.fileRelease = d.fileRelease;
    s.port = d.link.port;
    s.device = d.device;
    s.deviceId = port_catalog::identityOf(d.device);
    s.line = d.link.parallel() || !d.link.line ? QString() : d.link.line->text();
    return s;
}

ServiceRecord::End downloadSoFar(const DownloadPlan& plan, qint64 sent, qint64 taken)
{
    ServiceRecord::End e;
    e.headers = plan.headerTexts().join(' ');
    e.sent = sent;
    e.taken = taken;
    e.midImage = true;
    return e;
}

ServiceRecord::End downloadEnd(const DownloadReport& r, std::optional<JobOutcome> outcome)
{
    ServiceRecord::End e;
    e.outcome = outcome ? idOf(*outcome) : r.outcomeId();
    e.cause = r.failure ? causeId(r.failure.cause) : QString();
    if (r.planned) {
        e.headers = r.headers.join(' ');
        e.sent = r.sent;
        e.taken = r.taken;
        e.midImage = r.midImage;
        e.fileSha256 = QString::fromLatin1(r.sha256.toHex());
    }
    return e;
}

ServiceRecord::End updateEnd(const PrinterUpdate& p)
{
    ServiceRecord::End e;
    if (p.load)
        e = downloadEnd(*p.load);
    e.outcome = p.interrupted ? idOf(JobOutcome::Interrupted) : p.stateId();
    e.cause = p.error.isEmpty() && p.downgrade ? QStringLiteral("downgrade") : p.error;
    e.model = p.model;
    e.release = p.before;
    e.releaseAfter = p.after;
    return e;
}

ServiceRecord::Start conversationStart(const QString& face, JobKind kind, const QString& port, const QString& line,
                                       const QString& file)
{
    ServiceRecord::Start s;
    s.face = face;
    s.kind = idOf(kind);
    s.file = file;
    s.port = port;
    s.device = port_names::serialDeviceOf(port);
    s.deviceId = port_catalog::identityOf(s.device);
    s.line = line;
    return s;
}

ServiceRecord::End releaseCheckEnd(const ReleaseComparison& found, std::optional<JobOutcome> outcome)
{
    using Result = ReleaseComparison::Result;
    ServiceRecord::End e;
    e.outcome = idOf(outcome                               ? *outcome
                     : found.result() == Result::Failed    ? JobOutcome::Failed
                     : found.result() == Result::NoRelease ? JobOutcome::FileNoRelease
                     : found.result() == Result::Equal     ? JobOutcome::Equal
                                                           : JobOutcome::Different);
    e.cause = found.failure ? causeId(found.failure.cause) : QString();
    e.release = found.printerRelease.value_or(QString());
    e.fileRelease = found.file.value_or(QString());
    return e;
}

ServiceRecord::End interrogationEnd(const Interrogation::Answers& a, std::optional<JobOutcome> outcome)
{
    ServiceRecord::End e;
    e.outcome = idOf(outcome ? *outcome : a.failure ? JobOutcome::Failed : JobOutcome::Answered);
    e.cause = a.failure ? causeId(a.failure.cause) : QString();
    if (!a.failure) {
        e.model = a.model.value_or(QString());
        e.release = a.release.value_or(QString());
        e.flash = a.flash.value_or(QString());
    }
    return e;
}

} // namespace job_rows
