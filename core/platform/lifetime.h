#pragma once

#include <functional>

// Closing the main window ends the program at once. Code that resumes after a nested wait
// asks this before it sends, shows or waits any further.
namespace lifetime {
bool ending();
// Marks the end and wakes every wait that is running, so each returns at once.
void beginEnding();
void resetForTests();

// A running wait registers how to wake it while it waits.
class Waker
{
public:
    explicit Waker(std::function<void()> wake);
    ~Waker();
    Waker(const Waker&) = delete;
    Waker& operator=(const Waker&) = delete;
};
} // namespace lifetime
