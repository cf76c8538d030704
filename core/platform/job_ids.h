#pragma once

#include <QString>
#include <QStringList>

// What the service record says a job was and how it ended, with the ids the record, --json and
// --csv keep for good: a face words them, a script reads them.
enum class JobKind { Download, ReleaseCheck, Interrogation, Update };
enum class JobOutcome {
    Completed,
    Sent, // completed on a line that gives no account of what the printer took
    FileRefused,
    PortRefused,
    Failed,
    Aborted,
    Interrupted, // a signal stopped the command
    Equal,
    Different,
    FileNoRelease,
    Answered,
    Asking,
    NoAnswer,
    Skipped,
    Loading,
    LoadFailed,
    Verifying,
    Verified,
    NotVerified,
    DidNotFinish, // a row without an end
    Running,      // the same, its program still running
};

QString idOf(JobKind kind);
QString idOf(JobOutcome outcome);
// Every outcome's id, in the order above.
const QStringList& jobOutcomeIds();
