#pragma once

#include "platform/core/ScopedRestore.h"

#include <functional>

namespace platform {

/// The time source of blocking animations (Animation). The product uses the
/// steady clock and really sleeps; tests install a ManualAnimationClock with
/// ScopedAnimationClock so that an animation runs at once, with the same timeline.
class AnimationClock
{
public:
    virtual ~AnimationClock();

    /// Seconds on a monotonic scale.
    virtual double now() = 0;

    /// Blocks the calling thread until now() >= `time`, without running any event loop.
    virtual void waitUntil(double time) = 0;

    /// The calling thread's clock: the installed one, else the steady clock.
    static AnimationClock &current();
};

/// A clock that never sleeps: waitUntil() sets the time and, when set, calls
/// `onWait` with it, so that a test can look at a control between two steps.
class ManualAnimationClock : public AnimationClock
{
public:
    double now() override { return m_now; }
    void waitUntil(double time) override;

    std::function<void(double time)> onWait;

private:
    double m_now = 0;
};

/// Installs `clock` for the calling thread while this object lives, then puts the
/// previous one back. Not copyable.
class ScopedAnimationClock : private ScopedRestore<AnimationClock *>
{
public:
    explicit ScopedAnimationClock(AnimationClock &clock);
};

} // namespace platform
