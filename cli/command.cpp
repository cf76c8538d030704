#include "cli/command.h"

#include "core/platform/file_check.h"
#include "core/platform/system_clock.h"
#include "core/platform/task.h"
#include "core/printer/release_search.h"
#include "texts/string_table.h"

#include <QFile>

#include <QEventLoop>

void Command::interrupt(int signal)
{
    m_signal = signal;
    end();
}

void Command::end()
{
    m_ended = true;
    if (m_loop)
        m_loop->quit();
}

void Command::runUntilEnd(const std::function<void()>& stop)
{
    QEventLoop loop;
    m_loop = &loop;
    if (!m_ended)
        loop.exec();
    m_loop = nullptr;
    if (stop)
        stop();
}

std::optional<QString> Command::firmwareRelease(const QString& path, Output& out, int& status)
{
    QFile file(path);
    Failure refused = checkFile(path);
    if (!refused && !file.open(QIODevice::ReadOnly))
        refused = Failure{Cause::FileUnreadable, path, {}, file.errorString()};
    if (refused) {
        const Cause cause = refused.cause;
        out.event(QStringLiteral("error"),
                  QStringLiteral("velmora-cli %1: %2: %3").arg(name(), causeWords(cause), path),
                  {{"error", causeId(cause)}, {"text", path}});
        status = out.result(name(), exit_status::FileRefused, {{"error", causeId(cause)}, {"file", path}});
        return std::nullopt;
    }
    const auto searched = releaseOf(file);
    if (!searched) {
        status = out.result(name(), 128 + m_signal);
        return std::nullopt;
    }
    if (searched->value_or(QByteArray()).isEmpty()) {
        out.show(ownText(Msg::NoRelease).arg(path), kAppTitle, MessageIcon::Critical);
        status = out.result(name(), exit_status::NoRelease, {{"error", "file-no-release"}, {"file", path}});
        return std::nullopt;
    }
    return QString::fromLatin1(**searched);
}

namespace {
Task<> searchInto(QIODevice& file, Clock& clock, std::optional<QByteArray>& found)
{
    found = co_await searchRelease(file, clock);
}
} // namespace

std::optional<std::optional<QByteArray>> Command::releaseOf(QIODevice& file)
{
    SystemClock clock;
    Job job;
    std::optional<QByteArray> found;
    QObject::connect(&job, &Job::finished, [this] { end(); });
    job.start(searchInto(file, clock, found));
    runUntilEnd([&] { job.cancel(); });
    if (m_signal)
        return std::nullopt;
    m_ended = false; // the command goes on to its own loop
    return found;
}
