#pragma once

#include "core/platform/clock.h"

#include <functional>
#include <vector>

class VirtualTimer;

// Virtual time for tests. A wait advances time to the next due timer tick or scheduled action,
// runs it (nested waits allowed), processes posted Qt events, and returns once the target time
// is reached. A 25-second wait costs microseconds.
class VirtualClock : public Clock
{
public:
    ~VirtualClock() override;
    double now() const override { return m_now; }
    void waitSeconds(double seconds) override;
    void waitUntil(const std::function<bool()>& done) override;
    std::unique_ptr<Timer> createTimer(QObject* parent = nullptr) override;

    // Runs `action` when virtual time reaches `at` (inside whatever wait is running then).
    void at(double at, std::function<void()> action);
    // Lets virtual time run for `seconds`, as the idle event loop would.
    void run(double seconds) { waitSeconds(seconds); }
    // Lets time run until `done` holds; fails the wait after `limit` seconds of virtual time.
    bool runUntil(const std::function<bool()>& done, double limit);

    int waitsStarted() const { return m_waits; }

private:
    friend class VirtualTimer;
    // Fires the next event due no later than `limit`; false when there is none.
    bool step(double limit);
    void processPosted();

    struct Action {
        double at;
        quint64 seq;
        std::function<void()> fn;
    };
    double m_now = 0;
    quint64 m_seq = 0;
    int m_waits = 0;
    std::vector<Action> m_actions;
    std::vector<VirtualTimer*> m_timers;
};
