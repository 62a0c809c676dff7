#pragma once

#include <condition_variable>
#include <mutex>

namespace platform {

/// A mutual-exclusion lock that carries an integer condition, the counterpart
/// of the original platform's condition lock. lockWhenCondition() waits until
/// the condition has a value and then holds the lock; unlockWithCondition()
/// sets it and releases the lock, waking whoever waits for the new value.
/// Plain lock() and unlock() ignore and keep the condition.
///
/// Only the thread that holds the lock may unlock it. Safe to destroy as soon
/// as the last unlock has returned, even while a woken waiter still runs.
class ConditionLock
{
public:
    explicit ConditionLock(int condition = 0);
    ConditionLock(const ConditionLock &) = delete;
    ConditionLock &operator=(const ConditionLock &) = delete;

    /// The current condition. Read it only while holding the lock.
    int condition() const { return m_condition; }

    void lock();
    void unlock();

    /// Waits until the condition equals `condition`, then holds the lock.
    void lockWhenCondition(int condition);

    /// Sets the condition and releases the lock.
    void unlockWithCondition(int condition);

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_condition;
};

} // namespace platform
