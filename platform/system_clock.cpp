#include "platform/system_clock.h"

#include "platform/lifetime.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <cmath>

namespace {

class QtTimer1 : public Timer
{
public:
    explicit QtTimer1(QObject* parent) : Timer(parent)
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        connect(&m_timer, &QTimer::timeout, this, &Timer::timeout);
    }
    void setInterval(int ms) override
    {
        m_interval = ms;
        m_timer.setInterval(ms);
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
        if (m_interval > 0)
            m_timer.start(m_interval);
        else
            m_timer.stop();
    }
    QTimer m_timer;
    int m_interval = 0;
    bool m_enabled = false;
};

} // namespace

SystemClock::SystemClock() { m_origin.start(); }

double SystemClock::now() const { return double(m_origin.nsecsElapsed()) / 1e9; }

void SystemClock::waitSeconds(double seconds)
{
    if (!(seconds > 0))
        return;
    // Block in the event loop until the deadline instead of polling: the UI stays alive and
    // the processor idle. A monotonic clock is immune to midnight and to clock changes.
    const qint64 deadlineNs = m_origin.nsecsElapsed() + qint64(std::ceil(seconds * 1e9));
    QEventLoop loop;
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    QObject::connect(&wake, &QTimer::timeout, &loop, &QEventLoop::quit);
    const lifetime::Waker waker([&loop] { loop.quit(); });
    for (;;) {
        if (lifetime::ending() || QCoreApplication::closingDown())
            return;
        const qint64 leftNs = deadlineNs - m_origin.nsecsElapsed();
        if (leftNs <= 0)
            return;
        wake.start(int((leftNs + 999999) / 1000000));
        loop.exec();
    }
}

void SystemClock::waitUntil(const std::function<bool()>& done)
{
    // Sleeps until the next event (normally the awaited timer tick), then tests again. The
    // wake-up timer only bounds the sleep should nothing else ever arrive.
    QEventLoop loop;
    QTimer wake;
    wake.setInterval(100);
    wake.start();
    while (!done()) {
        if (lifetime::ending() || QCoreApplication::closingDown())
            return;
        loop.processEvents(QEventLoop::WaitForMoreEvents);
    }
}

std::unique_ptr<Timer> SystemClock::createTimer(QObject* parent) { return std::make_unique<QtTimer1>(parent); }
