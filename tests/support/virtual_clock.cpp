#include "tests/support/virtual_clock.h"

#include <QCoreApplication>

#include <cmath>
#include <limits>

class VirtualTimer : public Timer
{
public:
    VirtualTimer(VirtualClock& clock, QObject* parent) : Timer(parent), m_clock(clock)
    {
        m_clock.m_timers.insert(this);
    }
    ~VirtualTimer() override { m_clock.m_timers.erase(this); }
    void setInterval(int ms) override
    {
        m_interval = ms;
        m_armedAt = m_clock.now();
    }
    int interval() const override { return m_interval; }
    void setEnabled(bool enabled) override
    {
        m_enabled = enabled;
        m_armedAt = m_clock.now();
    }
    bool isEnabled() const override { return m_enabled; }
    double due() const
    {
        return m_enabled && m_interval > 0 ? m_armedAt + m_interval / 1000.0 : std::numeric_limits<double>::infinity();
    }
    void fire()
    {
        m_armedAt += m_interval / 1000.0; // a repeating timer keeps its cadence
        emit timeout();
    }

private:
    VirtualClock& m_clock;
    int m_interval = 0;
    bool m_enabled = false;
    double m_armedAt = 0;
};

std::unique_ptr<Timer> VirtualClock::createTimer(QObject* parent)
{
    return std::make_unique<VirtualTimer>(*this, parent);
}

bool VirtualClock::step(double limit)
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    VirtualTimer* timer = nullptr;
    double best = m_actions.empty() ? std::numeric_limits<double>::infinity() : m_actions.begin()->first;
    for (VirtualTimer* t : m_timers)
        if (t->due() < best)
            best = t->due(), timer = t;
    // Tolerate rounding of the many small intervals that add up to a target.
    if (best > limit + 1e-9 || std::isinf(best))
        return false;
    m_now = std::max(m_now, best);
    if (timer) {
        timer->fire();
    } else {
        auto action = std::move(m_actions.begin()->second);
        m_actions.erase(m_actions.begin());
        action();
    }
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    return true;
}

void VirtualClock::waitSeconds(double seconds)
{
    const double target = m_now + std::max(0.0, seconds);
    while (m_now < target - 1e-12 && step(target)) {
    }
    m_now = std::max(m_now, target);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

void VirtualClock::waitUntil(const std::function<bool()>& done)
{
    while (!done() && step(std::numeric_limits<double>::infinity())) {
    } // gives up when nothing will ever happen again: a test never hangs
}
