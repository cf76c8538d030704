#include "core/platform/clock.h"

Timer::~Timer() = default;
Clock::~Clock() = default;
