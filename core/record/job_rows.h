#pragma once

#include "core/download/download.h"
#include "core/platform/job_ids.h"
#include "core/printer/interrogation.h"
#include "core/printer/release_check.h"
#include "core/record/service_record.h"
#include "core/update/update_job.h"

// A job's row in the service record, made from what the job reports and nothing else: the one
// place where a row is built, for every face.
namespace job_rows {

// A download as it starts (its plan known, or refused before one): `face` is "window" or
// "command line", `kind` "download" or "update".
struct DownloadStart {
    QString face;
    JobKind kind = JobKind::Download;
    DownloadRequest request;
    Pacing pacing = Pacing::Normal;
    LinkChoice link;
    QString device;            // where the link leads
    const DownloadPlan* plan;  // nothing when refused before its plan
    int fileXor = -1;
    QString fileRelease;       // an update's: found in the file before
};
ServiceRecord::Start downloadStart(const DownloadStart& start);
// What a running download has done so far: its headers out, its bytes; the printer waits for the rest.
ServiceRecord::End downloadSoFar(const DownloadPlan& plan, qint64 sent, qint64 taken);
// How it ended; `outcome` in place of the report's own (an interrupted command: "interrupted").
ServiceRecord::End downloadEnd(const DownloadReport& report, std::optional<JobOutcome> outcome = {});

// One printer of an update, as it ended: its state as the outcome ("interrupted" when stopped
// while it loaded), "downgrade" as the cause of one passed over for it.
ServiceRecord::End updateEnd(const PrinterUpdate& printer);

// A conversation with the printer on a serial port (an interrogation, a release check), as it
// starts: the port, its device and what identifies it, the line.
ServiceRecord::Start conversationStart(const QString& face, JobKind kind, const QString& port, const QString& line,
                                       const QString& file = {});
// How it ended; `outcome` in place of the job's own ("interrupted").
ServiceRecord::End releaseCheckEnd(const ReleaseComparison& found, std::optional<JobOutcome> outcome = {});
ServiceRecord::End interrogationEnd(const Interrogation::Answers& answers, std::optional<JobOutcome> outcome = {});

} // namespace job_rows
