#pragma once

#include <QObject>

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
class Clock
{
public:
    virtual ~Clock();
    // Seconds since an arbitrary, fixed origin; never goes backwards.
    virtual double now() const = 0;
    // Returns after at least `seconds`, letting every pending event run meanwhile
    // (handlers may nest inside). Returns at once for 0 or less, and when the program is ending.
    virtual void waitSeconds(double seconds) = 0;
    // Lets events run until `done` holds (tested after each batch of events), or the program ends.
    virtual void waitUntil(const std::function<bool()>& done) = 0;
    virtual std::unique_ptr<Timer> createTimer(QObject* parent = nullptr) = 0;
};
