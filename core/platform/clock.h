#pragma once

#include <QObject>

#include <coroutine>

#include <functional>
#include <memory>

// The pacing timer of a transfer: while enabled it fires every
// interval; enabling it (again) restarts the interval from now. An interval of 0 never fires.
class Timer : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~Timer() override;
    virtual void setInterval(int ms) = 0;
    virtual int interval() const = 0;
    virtual void setEnabled(bool enabled) = 0;
    virtual bool isEnabled() const = 0;

signals:
    void timeout();
};

// Time as the program sees it. Production runs on a monotonic clock; tests on a virtual one.
// Nothing here blocks: a task waits with co_await clock.sleep(seconds), and the application's
// event loop resumes it.
class Clock
{
public:
    class Sleep
    {
    public:
        Sleep(Clock& clock, double seconds, bool always = false)
            : m_clock(clock), m_seconds(seconds), m_always(always)
        {
        }
        Sleep(const Sleep&) = delete;
        // Nothing to wait for 0 s or less, unless the event loop is to run in between.
        bool await_ready() const noexcept { return !m_always && !(m_seconds > 0); }
        void await_suspend(std::coroutine_handle<> step);
        void await_resume() const noexcept {}

    private:
        Clock& m_clock;
        double m_seconds;
        bool m_always;
        std::unique_ptr<QObject> m_wake; // destroyed with the waiting task: no wake-up then
    };

    virtual ~Clock();
    // Seconds since an arbitrary, fixed origin; never goes backwards.
    virtual double now() const = 0;
    virtual std::unique_ptr<Timer> createTimer(QObject* parent = nullptr) = 0;
    // Calls `fire` once from the event loop when `seconds` have passed, unless the returned
    // object has been destroyed by then.
    virtual std::unique_ptr<QObject> callAfter(double seconds, std::function<void()> fire) = 0;

    // The awaiting task goes on after `seconds`.
    Sleep sleep(double seconds) { return Sleep(*this, seconds); }
    // The awaiting task goes on once the event loop has run: long work in steps stays interruptible.
    Sleep yieldNow() { return Sleep(*this, 0, true); }
};
