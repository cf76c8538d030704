#include "core/platform/clock.h"
#include "core/platform/task.h"

Timer::~Timer() = default;
Clock::~Clock() = default;

void Clock::Sleep::await_suspend(std::coroutine_handle<> step)
{
    Job* const job = Job::current();
    if (!job || job->stopping())
        return; // the job ends at this wait
    m_wake = m_clock.callAfter(m_seconds, [job, step] { job->resume(step); });
}
