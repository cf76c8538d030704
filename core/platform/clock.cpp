#include "core/platform/clock.h"
#include "core/platform/messages.h"

Timer::~Timer() = default;
Clock::~Clock() = default;
MessageBoxes::~MessageBoxes() = default;
