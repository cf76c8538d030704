#include "core/platform/lifetime.h"

#include <map>

namespace {
bool g_ending = false;
std::map<const lifetime::Waker*, std::function<void()>>& wakers()
{
    static std::map<const lifetime::Waker*, std::function<void()>> w;
    return w;
}
} // namespace

namespace lifetime {
bool ending()
{
    return g_ending;
}

void beginEnding()
{
    g_ending = true;
    const auto copy = wakers();
    for (const auto& [key, wake] : copy)
        wake();
}

void resetForTests()
{
    g_ending = false;
}

Waker::Waker(std::function<void()> wake)
{
    wakers()[this] = std::move(wake);
}
Waker::~Waker()
{
    wakers().erase(this);
}
} // namespace lifetime
