#pragma once

#include <mutex>
#include <utility>

namespace platform {

/// Puts `value` into `slot` for the lifetime of this object, then puts back what
/// was there before. The hooks through which tests replace a piece of process or
/// thread state (ScopedAssertionHandler, ScopedLogSink, ScopedAnimationClock,
/// ScopedLocalDomainRoot) are all this. With `mutex`, both exchanges happen under
/// it. Not copyable; nested guards must end in the reverse order of their making.
template<typename T>
class ScopedRestore
{
public:
    ScopedRestore(T &slot, T value, std::mutex *mutex = nullptr)
        : m_slot(slot)
        , m_mutex(mutex)
    {
        const auto held = lock();
        m_previous = std::exchange(m_slot, std::move(value));
    }
    ~ScopedRestore()
    {
        const auto held = lock();
        m_slot = std::move(m_previous);
    }
    ScopedRestore(const ScopedRestore &) = delete;
    ScopedRestore &operator=(const ScopedRestore &) = delete;

private:
    std::unique_lock<std::mutex> lock() const
    {
        return m_mutex ? std::unique_lock(*m_mutex) : std::unique_lock<std::mutex>();
    }

    T &m_slot;
    std::mutex *const m_mutex;
    T m_previous{};
};

} // namespace platform
