#include "tests/support/virtual_clock.h"

#include <QCoreApplication>

#include <algorithm>
#include <limits>

class VirtualTimer : public Timer
{
public:
    VirtualTimer(VirtualClock& clock, QObject* parent) : Timer(parent), m_clock(clock)
    {
        m_clock.m_timers.push_back(this);
    }
    ~VirtualTimer() override
    {
        auto& v = m_clock.m_timers;
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
    }
    void setInterval(int ms) override
    {
        m_interval = ms;
        if (m_enabled)
            m_armedAt = m_clock.now();
    }
    int interval() const override { return m_interval; }
    void setEnabled(bool enabled) override
    {
        m_enabled = enabled;
        if (enabled)
            m_armedAt = m_clock.now();
    }
    bool isEnabled() const override { return m_enabled; }
    bool due(double& when) const
    {
        if (!m_enabled || m_interval <= 0)
            return false;
        when = m_armedAt + m_interval / 1000.0;
        return true;
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

VirtualClock::~VirtualClock() = default;

std::unique_ptr<Timer> VirtualClock::createTimer(QObject* parent)
{
    return std::make_unique<VirtualTimer>(*this, parent);
}

void VirtualClock::at(double when, std::function<void()> action)
{
    m_actions.push_back(Action{when, m_seq++, std::move(action)});
}

void VirtualClock::processPosted()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool VirtualClock::step(double limit)
{
    processPosted();
    double best = std::numeric_limits<double>::infinity();
    int bestAction = -1;
    VirtualTimer* bestTimer = nullptr;
    for (std::size_t i = 0; i < m_actions.size(); ++i) {
        const Action& a = m_actions[i];
        if (a.at < best || (a.at == best && bestAction >= 0 && a.seq < m_actions[std::size_t(bestAction)].seq)) {
            best = a.at;
            bestAction = int(i);
        }
    }
    for (VirtualTimer* t : m_timers) {
        double when;
        if (t->due(when) && when < best) {
            best = when;
            bestTimer = t;
            bestAction = -1;
        }
    }
    // Tolerate rounding of the many small intervals that add up to a target.
    if ((bestAction < 0 && !bestTimer) || best > limit + 1e-9)
        return false;
    m_now = std::max(m_now, best);
    if (bestTimer) {
        bestTimer->fire();
    } else {
        auto fn = std::move(m_actions[std::size_t(bestAction)].fn);
        m_actions.erase(m_actions.begin() + bestAction);
        fn();
    }
    processPosted();
    return true;
}

void VirtualClock::waitSeconds(double seconds)
{
    ++m_waits;
    if (!(seconds > 0)) {
        processPosted();
        return;
    }
    const double target = m_now + seconds;
    while (m_now < target - 1e-12 && step(target)) {
    }
    m_now = std::max(m_now, target);
}

void VirtualClock::waitUntil(const std::function<bool()>& done)
{
    ++m_waits;
    while (!done()) {
        if (!step(std::numeric_limits<double>::infinity()))
            return; // nothing will ever happen again: do not hang the test
    }
}

bool VirtualClock::runUntil(const std::function<bool()>& done, double limit)
{
    const double target = m_now + limit;
    while (!done()) {
        if (!step(target))
            return done();
    }
    return true;
}
