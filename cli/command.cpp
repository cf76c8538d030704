#include "cli/command.h"

#include "core/platform/system_clock.h"
#include "core/platform/task.h"
#include "core/printer/release_search.h"

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

namespace {
Task<> searchInto(QIODevice& file, Clock& clock, std::optional<QByteArray>& found)
{
    ReleaseSearch search(file);
    while (!search.step(kReleaseSearchStep))
        co_await clock.yieldNow();
    found = search.release();
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
