#include "core/platform/task.h"

namespace {
thread_local Job* t_current = nullptr;
}

Job::~Job()
{
    m_depth = 0;
    m_task = {};
}

Job* Job::current()
{
    return t_current;
}

void Job::start(Task<> task)
{
    if (m_depth > 0) // its own task is on the stack: replacing it would pull the frame from under it
        return;
    cancel();
    m_cancelled = false;
    m_task = std::move(task);
    resume(m_task.handle());
}

void Job::cancel()
{
    if (!m_task)
        return;
    if (m_depth > 0) {
        m_cancelled = true;
        return;
    }
    m_task = {};
}

void Job::resume(std::coroutine_handle<> step)
{
    Job* const outer = std::exchange(t_current, this);
    ++m_depth;
    step.resume();
    --m_depth;
    t_current = outer;
    settle();
}

void Job::settle()
{
    if (m_depth > 0 || !m_task || !(m_task.done() || m_cancelled))
        return;
    const bool returned = !m_cancelled;
    m_cancelled = false;
    Task<> ended = std::move(m_task); // destroyed here, before anyone hears of it
    ended = {};
    if (returned)
        emit finished();
}

Wakeup::Awaiter::~Awaiter()
{
    if (m_wakeup.m_waiter == this)
        m_wakeup.m_waiter = nullptr;
}

void Wakeup::Awaiter::await_suspend(std::coroutine_handle<> step)
{
    m_job = Job::current();
    m_step = step;
    if (m_job && !m_job->stopping())
        m_wakeup.m_waiter = this;
}

void Wakeup::fire()
{
    Awaiter* const waiter = std::exchange(m_waiter, nullptr);
    if (waiter)
        waiter->m_job->resume(waiter->m_step);
}
