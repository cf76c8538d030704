#pragma once

#include "core/platform/clock.h"

#include <QCoreApplication>

#include <cmath>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <set>

// Virtual time for tests. run() advances time to the next due timer tick or scheduled action (a task's
// wake-up among them), runs it, processes posted Qt events, and returns once the target time is reached. A
// 25-second wait costs microseconds.
class VirtualClock : public Clock
{
    class VirtualTimer : public Timer
    {
    public:
        VirtualTimer(VirtualClock& clock, QObject* parent) : Timer(parent), m_clock(clock)
        {
            clock.m_timers.insert(this);
        }
        ~VirtualTimer() override { m_clock.m_timers.erase(this); }
        void setInterval(int ms) override { m_interval = ms, m_armedAt = m_clock.now(); }
        int interval() const override { return m_interval; }
        void setEnabled(bool enabled) override { m_enabled = enabled, m_armedAt = m_clock.now(); }
        bool isEnabled() const override { return m_enabled; }
        double due() const { return m_enabled && m_interval > 0 ? m_armedAt + m_interval / 1000.0 : INFINITY; }
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

public:
    double now() const override { return m_now; }
    std::unique_ptr<QObject> callAfter(double seconds, std::function<void()> fire) override
    {
        // The returned object withdraws the call when destroyed.
        auto call = std::make_shared<std::function<void()>>(std::move(fire));
        at(m_now + std::max(0.0, seconds), [weak = std::weak_ptr(call)] {
            if (const auto c = weak.lock(); c && *c) {
                const std::function<void()> now = *c;
                now();
            }
        });
        struct Withdraw : QObject {
            std::shared_ptr<std::function<void()>> call;
        };
        auto token = std::make_unique<Withdraw>();
        token->call = std::move(call);
        return token;
    }
    // Lets virtual time run for `seconds`, as the idle event loop would.
    void run(double seconds)
    {
        const double target = m_now + std::max(0.0, seconds);
        while (m_now < target - 1e-12 && step(target)) {
        }
        m_now = std::max(m_now, target);
        processEvents();
    }
    // Gives up when nothing will ever happen again: a test never hangs.
    void waitUntil(const std::function<bool()>& done)
    {
        while (!done() && step(INFINITY)) {
        }
    }
    std::unique_ptr<Timer> createTimer(QObject* parent = nullptr) override
    {
        return std::make_unique<VirtualTimer>(*this, parent);
    }
    // Runs `action` when virtual time reaches `at` (inside whatever wait is running then).
    void at(double at, std::function<void()> action) { m_actions.emplace(at, std::move(action)); }

private:
    static void processEvents()
    {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
    // Fires the next event due no later than `limit`; false when there is none.
    bool step(double limit)
    {
        processEvents();
        VirtualTimer* timer = nullptr;
        double best = m_actions.empty() ? INFINITY : m_actions.begin()->first;
        for (VirtualTimer* t : m_timers)
            if (t->due() < best)
                best = t->due(), timer = t;
        if (std::isinf(best) || best > limit + 1e-9) // tolerates rounding of many small intervals
            return false;
        m_now = std::max(m_now, best);
        if (timer) {
            timer->fire();
        } else {
            auto action = std::move(m_actions.begin()->second);
            m_actions.erase(m_actions.begin());
            action();
        }
        processEvents();
        return true;
    }

    double m_now = 0;
    std::multimap<double, std::function<void()>> m_actions; // equal times keep their order
    std::set<VirtualTimer*> m_timers;
};
