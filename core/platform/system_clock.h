#pragma once

#include "core/platform/clock.h"

#include <QElapsedTimer>

class SystemClock : public Clock
{
public:
    SystemClock();
    double now() const override;
    std::unique_ptr<Timer> createTimer(QObject* parent = nullptr) override;
    std::unique_ptr<QObject> callAfter(double seconds, std::function<void()> fire) override;

private:
    QElapsedTimer m_origin;
};
