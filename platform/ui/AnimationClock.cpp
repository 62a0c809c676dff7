#include "platform/ui/AnimationClock.h"

#include <chrono>
#include <thread>

namespace platform {

namespace {

class SteadyAnimationClock : public AnimationClock
{
public:
    double now() override
    {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    }

    void waitUntil(double time) override
    {
        const double delay = time - now();
        if (delay > 0)
            std::this_thread::sleep_for(std::chrono::duration<double>(delay));
    }
};

thread_local AnimationClock *installedClock = nullptr;

} // namespace

AnimationClock::~AnimationClock() = default;

AnimationClock &AnimationClock::current()
{
    static thread_local SteadyAnimationClock steady;
    return installedClock ? *installedClock : steady;
}

void ManualAnimationClock::waitUntil(double time)
{
    if (time > m_now)
        m_now = time;
    if (onWait)
        onWait(m_now);
}

ScopedAnimationClock::ScopedAnimationClock(AnimationClock &clock)
    : ScopedRestore(installedClock, &clock)
{
}

} // namespace platform
