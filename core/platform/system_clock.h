#pragma once

#include "core/platform/clock.h"

#include <QElapsedTimer>

class SystemClock : public Clock
{
public:
    SystemClock();
    double now() const override;
    void waitSeconds(double seconds) override;
    void waitUntil(const std::function<bool()>& done) override;
    std::unique_ptr<Timer> createTimer(QObject* parent = nullptr) override;

private:
    QElapsedTimer m_origin;
};
