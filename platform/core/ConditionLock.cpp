#include "platform/core/ConditionLock.h"

namespace platform {

ConditionLock::ConditionLock(int condition)
    : m_condition(condition)
{
}

void ConditionLock::lock()
{
    m_mutex.lock();
}

void ConditionLock::unlock()
{
    m_mutex.unlock();
}

void ConditionLock::lockWhenCondition(int condition)
{
    std::unique_lock guard(m_mutex);
    m_changed.wait(guard, [&] { return m_condition == condition; });
    guard.release(); // the caller now holds the lock
}

void ConditionLock::unlockWithCondition(int condition)
{
    // Every waiter sleeps for a value other than the current one, so only a
    // change can satisfy anyone; unchanged conditions skip the wake-up.
    // Notifying before the unlock keeps the condition variable alive for the
    // call even when a woken waiter destroys this lock right afterwards.
    const bool changed = m_condition != condition;
    m_condition = condition;
    if (changed)
        m_changed.notify_all();
    m_mutex.unlock();
}

} // namespace platform
