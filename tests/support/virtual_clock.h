#pragma once

#include "core/platform/clock.h"

#include <functional>
#include <map>
#include <set>

class VirtualTimer;

// Virtual time for tests. A wait advances time to the next due timer tick or scheduled action, runs it (nested
// waits allowed), processes posted Qt events, and returns once the target time is reached. A 25-second wait
// costs microseconds.
class VirtualClock : public Clock
{
public:
    double now() const override { return m_now; }
    void waitSeconds(double seconds) override;
    void waitUntil(const std::function<bool()>& done) override;
    std::unique_ptr<Timer> createTimer(QObject* parent = nullptr) override;

    // Runs `action` when virtual time reaches `at` (inside whatever wait is running then).
    void at(double at, std::function<void()> action) { m_actions.emplace(at, std::move(action)); }
    // Lets virtual time run for `seconds`, as the idle event loop would.
    void run(double seconds) { waitSeconds(seconds); }

private:
    friend class VirtualTimer;
    // Fires the next event due no later than `limit`; false when there is none.
    bool step(double limit);

    double m_now = 0;
    std::multimap<double, std::function<void()>> m_actions; // equal times keep their order
    std::set<VirtualTimer*> m_timers;
};
