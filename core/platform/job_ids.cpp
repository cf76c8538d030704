#include "core/platform/job_ids.h"

#include <iterator>

namespace {
const char* const kKinds[] = {"download", "release-check", "interrogation", "update"};
const char* const kOutcomes[] = {
    "completed", "sent",        "file-refused",    "port-refused", "failed",       "aborted",        "interrupted",
    "equal",     "different",   "file-no-release", "answered",     "asking",       "no-answer",      "skipped",
    "loading",   "load-failed", "verifying",       "verified",     "not-verified", "did-not-finish", "running"};
static_assert(std::size(kKinds) == std::size_t(JobKind::Update) + 1);
static_assert(std::size(kOutcomes) == std::size_t(JobOutcome::Running) + 1);
} // namespace

QString idOf(JobKind kind)
{
    return QString::fromLatin1(kKinds[std::size_t(kind)]);
}

QString idOf(JobOutcome outcome)
{
    return QString::fromLatin1(kOutcomes[std::size_t(outcome)]);
}

const QStringList& jobOutcomeIds()
{
    static const QStringList ids = [] {
        QStringList all;
        for (const char* id : kOutcomes)
            all << QString::fromLatin1(id);
        return all;
    }();
    return ids;
}
