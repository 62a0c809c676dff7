#pragma once

#include "platform/core/Invocation.h"

#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

/// A first-in, first-out ring of invocations: VLQueue's pending invocations
/// and a worker's batch. Its slots are kept when it empties, so a queue and its
/// worker that trade rings (swap) allocate nothing once both have grown to the
/// longest run of pending invocations. Not safe to use from two threads at once.
class VLQueueRing
{
public:
    VLQueueRing() = default;
    /// The moved-from ring is empty and holds no slots.
    VLQueueRing(VLQueueRing &&other) noexcept { swap(other); }
    VLQueueRing &operator=(VLQueueRing &&other) noexcept
    {
        VLQueueRing(std::move(other)).swap(*this);
        return *this;
    }
    VLQueueRing(const VLQueueRing &) = delete;
    VLQueueRing &operator=(const VLQueueRing &) = delete;

    bool isEmpty() const { return m_size == 0; }
    std::size_t size() const { return m_size; }
    /// The slots held, filled or not.
    std::size_t capacity() const { return m_slots.size(); }

    /// Appends `invocation`, doubling the slots when all are filled.
    void append(platform::Invocation &&invocation)
    {
        if (m_size == m_slots.size())
            grow();
        m_slots[(m_head + m_size) & (m_slots.size() - 1)].emplace(std::move(invocation));
        ++m_size;
    }

    /// The oldest invocation, left in its place. REQUIRES: !isEmpty().
    platform::Invocation &first() { return *m_slots[m_head]; }

    /// Removes the oldest invocation and returns it; its slot holds nothing
    /// afterwards, so the caller alone keeps its target and arguments alive.
    /// REQUIRES: !isEmpty().
    platform::Invocation takeFirst()
    {
        std::optional<platform::Invocation> &slot = m_slots[m_head];
        platform::Invocation first = std::move(*slot);
        slot.reset();
        m_head = (m_head + 1) & (m_slots.size() - 1);
        --m_size;
        return first;
    }

    /// Exchanges contents and slots with `other`: nothing is moved or allocated.
    void swap(VLQueueRing &other) noexcept
    {
        m_slots.swap(other.m_slots);
        std::swap(m_head, other.m_head);
        std::swap(m_size, other.m_size);
    }

private:
    // A power of two, so that wrapping is a mask.
    static constexpr std::size_t InitialCapacity = 16;

    void grow()
    {
        std::vector<std::optional<platform::Invocation>> grown(m_slots.empty() ? InitialCapacity : 2 * m_slots.size());
        for (std::size_t i = 0; i < m_size; ++i)
            grown[i] = std::move(m_slots[(m_head + i) & (m_slots.size() - 1)]);
        m_slots.swap(grown);
        m_head = 0;
    }

    std::vector<std::optional<platform::Invocation>> m_slots;
    std::size_t m_head = 0;
    std::size_t m_size = 0;
};
