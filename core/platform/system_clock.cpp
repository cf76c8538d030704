#include "core/platform/system_clock.h"

#include <QCoreApplication>
#include <QTimer>

#include <cmath>

#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

namespace {

// Every tick of the program disables the timer and enables it again when the next chunk is
// due, so each period is one interval after the previous tick's work. Qt's millisecond timer
// fires some tenths of a millisecond late each time, which at 2 ms would stretch a Turbo
// transfer by 5-10 %. The lateness is carried over and the next arming shortened by whole
// milliseconds once it adds up: the mean period stays the interval, never two chunks at once,
// and a single very late tick (a busy machine) is not caught up by more than one interval.
class PacingTimer : public Timer
{
public:
    explicit PacingTimer(QObject* parent) : Timer(parent)
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setSingleShot(true);
        m_clock.start();
        connect(&m_timer, &QTimer::timeout, this, [this] {
            const qint64 lateNs = m_clock.nsecsElapsed() - m_armedNs - qint64(m_interval) * 1000000;
            m_carryNs = qBound(-qint64(m_interval) * 1000000, m_carryNs + lateNs, qint64(m_interval) * 1000000);
            // Repeats while enabled; a handler that disables and re-enables re-arms it anyway.
            restart();
            emit timeout();
        });
    }
    void setInterval(int ms) override
    {
        m_interval = ms;
        m_carryNs = 0;
        if (m_enabled)
            restart();
    }
    int interval() const override { return m_interval; }
    void setEnabled(bool enabled) override
    {
        m_enabled = enabled;
        if (enabled)
            restart();
        else
            m_timer.stop();
    }
    bool isEnabled() const override { return m_enabled; }

private:
    void restart()
    {
        if (m_interval <= 0) {
            m_timer.stop();
            return;
        }
        const int shorten = int((m_carryNs + 500000) / 1000000);
        m_armedNs = m_clock.nsecsElapsed();
        m_timer.start(qBound(0, m_interval - shorten, m_interval));
    }
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_armedNs = 0;
    qint64 m_carryNs = 0; // how much longer than the interval the periods have been, in sum
    int m_interval = 0;
    bool m_enabled = false;
};

} // namespace

SystemClock::SystemClock()
{
    m_origin.start();
#ifdef Q_OS_LINUX
    // The kernel may defer our timer wake-ups by 50 µs by default; pacing wants them on time.
    ::prctl(PR_SET_TIMERSLACK, 1UL);
#endif
}

double SystemClock::now() const
{
    return double(m_origin.nsecsElapsed()) / 1e9;
}

std::unique_ptr<QObject> SystemClock::callAfter(double seconds, std::function<void()> fire)
{
    // A precise single-shot timer, armed again should it fire before the deadline (it counts
    // whole milliseconds). The deadline is on the monotonic clock: immune to clock changes.
    auto wake = std::make_unique<QTimer>();
    wake->setSingleShot(true);
    wake->setTimerType(Qt::PreciseTimer);
    const qint64 deadlineNs = m_origin.nsecsElapsed() + qint64(std::ceil(std::max(0.0, seconds) * 1e9));
    QTimer* const timer = wake.get();
    QObject::connect(timer, &QTimer::timeout, timer, [this, timer, deadlineNs, fire = std::move(fire)] {
        const qint64 leftNs = deadlineNs - m_origin.nsecsElapsed();
        if (leftNs > 0)
            return timer->start(int((leftNs + 999999) / 1000000));
        // The task it resumes may destroy this timer, and with it this very function.
        const std::function<void()> now = fire;
        now();
    });
    timer->start(int((deadlineNs - m_origin.nsecsElapsed() + 999999) / 1000000));
    return wake;
}

std::unique_ptr<Timer> SystemClock::createTimer(QObject* parent)
{
    return std::make_unique<PacingTimer>(parent);
}
