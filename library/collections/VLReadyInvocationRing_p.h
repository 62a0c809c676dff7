#pragma once

#include "platform/core/Invocation.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <type_traits>

/// A bounded first-in, first-out ring of invocations that workers take from
/// without a lock. Each slot carries a sequence number that says whose turn it
/// is: the pusher's for the position it has reached (the slot is free), a
/// taker's one past it (the slot is filled), the pusher's again a lap later
/// once the taker has moved the invocation out. Takers claim a position by
/// compare-and-swap, so any number may take at once; pushes must be serialised
/// by the caller (VLQueue pushes under its lock). A push, a take and the two
/// looks are sequentially consistent, so that VLQueue can order them against
/// its own flags when it decides whom to wake.
class VLReadyInvocationRing
{
public:
    /// REQUIRES: `capacity` is a power of two.
    explicit VLReadyInvocationRing(std::size_t capacity)
        : m_slots(std::make_unique<Slot[]>(capacity))
        , m_mask(capacity - 1)
    {
        for (std::size_t i = 0; i < capacity; ++i)
            m_slots[i].sequence.store(i, std::memory_order_relaxed);
    }
    VLReadyInvocationRing(const VLReadyInvocationRing &) = delete;
    VLReadyInvocationRing &operator=(const VLReadyInvocationRing &) = delete;

    /// Moves `invocation` into the ring; false, with `invocation` untouched, when
    /// every slot is filled or still being emptied.
    bool tryPush(platform::Invocation &invocation)
    {
        const std::size_t position = m_pushPosition.load(std::memory_order_relaxed);
        Slot &slot = m_slots[position & m_mask];
        if (slot.sequence.load(std::memory_order_acquire) != position)
            return false;
        slot.invocation.emplace(std::move(invocation));
        slot.sequence.store(position + 1, std::memory_order_seq_cst);
        m_pushPosition.store(position + 1, std::memory_order_relaxed);
        return true;
    }

    /// Takes the oldest invocation; none when the ring is empty.
    std::optional<platform::Invocation> tryTake()
    {
        std::size_t position = m_takePosition.load(std::memory_order_relaxed);
        for (;;) {
            Slot &slot = m_slots[position & m_mask];
            const auto turn = static_cast<std::intptr_t>(slot.sequence.load(std::memory_order_acquire) - (position + 1));
            if (turn < 0)
                return std::nullopt; // not filled yet: empty
            if (turn > 0) {
                position = m_takePosition.load(std::memory_order_relaxed); // another taker was quicker
            } else if (m_takePosition.compare_exchange_weak(position, position + 1, std::memory_order_seq_cst,
                                                            std::memory_order_relaxed)) {
                std::optional<platform::Invocation> taken(std::move(slot.invocation));
                slot.invocation.reset();
                slot.sequence.store(position + m_mask + 1, std::memory_order_release);
                return taken;
            }
        }
    }

    /// Whether the oldest position holds an invocation: the next tryTake finds
    /// one unless another taker is quicker. Safe from any thread.
    bool hasInvocation() const
    {
        const std::size_t position = m_takePosition.load(std::memory_order_seq_cst);
        return m_slots[position & m_mask].sequence.load(std::memory_order_seq_cst) == position + 1;
    }

    /// Whether every pushed invocation has been taken (taken means claimed: its
    /// taker may still be moving it out). Exact only while no push runs.
    bool isEmpty() const
    {
        return m_takePosition.load(std::memory_order_seq_cst) == m_pushPosition.load(std::memory_order_relaxed);
    }

private:
    static constexpr std::size_t CacheLine = 64;
    // A claimed slot is given back only once its invocation has moved out: a
    // move that could throw would leave the ring stuck at that slot.
    static_assert(std::is_nothrow_move_constructible_v<platform::Invocation>);

    struct Slot
    {
        std::atomic<std::size_t> sequence{0};
        std::optional<platform::Invocation> invocation;
    };

    std::unique_ptr<Slot[]> m_slots;
    const std::size_t m_mask;
    // Apart, so that takers claiming positions do not take the pusher's line away.
    alignas(CacheLine) std::atomic<std::size_t> m_pushPosition{0};
    alignas(CacheLine) std::atomic<std::size_t> m_takePosition{0};
};
