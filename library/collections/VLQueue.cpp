#include "VLQueue.h"

#include "VLQueueProcessor.h"

#include <sched.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace {

// How long an idle worker watches for new work before it sleeps. Putting a
// thread to sleep and waking it costs the kernel a few microseconds on each
// side (tens in a virtual machine), and the producer a system call; invocations
// often come in bursts whose gaps are shorter than that.
constexpr std::chrono::microseconds SpinTime{20};

constexpr std::size_t CacheLine = 64;

// Tells the processor that this is a busy-wait: on x86 it saves power and
// lets the other hyper-thread run, and leaving the loop costs no misprediction.
inline void relax()
{
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#elif defined(__aarch64__)
    asm volatile("yield");
#endif
}

} // namespace

// Producers and workers meet at `lock`. A worker that finds nothing first spins
// for a moment on `pendingCount`, without the lock, and only then sleeps; a
// producer wakes a worker only when one sleeps and none is already looking for
// work (spinning, or woken and not yet back at the queue). So a steady stream of
// invocations costs no system call on either side, and a burst wakes sleepers
// one at a time: each worker that takes an invocation and leaves more behind
// wakes the next.
//
// No invocation is stranded: a producer that wakes no one saw either no sleeper
// (every worker comes back to the queue after its invocation) or a looking
// worker, and `looking` goes down only under the lock after the queue has been
// seen, so that worker looks again after the producer's append.
struct VLQueue::Private
{
    std::mutex lock;
    std::condition_variable wakeUp;  // sleeping workers wait here for a wake-up
    std::condition_variable drained; // the destructor waits here for an empty queue
    VLQueueRing pending;
    int sleeping = 0;        // workers waiting on wakeUp
    int wakeUps = 0;         // wake-ups granted and not yet taken by a sleeper
    bool awaitingDrain = false;
    std::atomic<bool> shuttingDown{false}; // written under lock
    // pending.size(), the number of workers looking for work and the producer's
    // processor: written under lock (looking also goes up without it, when a
    // worker starts to spin), read without it by spinning workers. On a cache line of their own, so that a
    // spinning worker does not keep taking the lock's and the ring's line away
    // from the producer.
    alignas(CacheLine) std::atomic<std::size_t> pendingCount{0};
    std::atomic<int> looking{0};
    std::atomic<int> producerProcessor{-1}; // where the last append ran

    // processorsLock serialises starting and stopping workers; it is never held
    // together with lock.
    alignas(CacheLine) std::vector<std::shared_ptr<VLQueueProcessor>> processors;
    std::mutex processorsLock;
    // Read by the workers to size what they take; written under processorsLock.
    std::atomic<std::size_t> processorCount{0};

    // Under lock: grants a wake-up to a sleeper when one waits without one and no
    // worker is looking already. The caller notifies wakeUp after unlocking.
    bool grantWakeUp()
    {
        if (sleeping <= wakeUps || looking.load(std::memory_order_relaxed) > 0)
            return false;
        ++wakeUps;
        looking.fetch_add(1, std::memory_order_relaxed); // the woken worker will look
        return true;
    }

    // Becomes the one spinning worker, unless another one is looking already:
    // on two cores a second spinner would only take time from the producer.
    bool startLooking()
    {
        int none = 0;
        return looking.compare_exchange_strong(none, 1, std::memory_order_relaxed);
    }

    // Watches pendingCount for SpinTime at most. Where the last producer ran on
    // this worker's processor, the worker gives the processor up between looks,
    // so that the producer goes on filling the queue and the worker then takes
    // a long batch. Elsewhere it spins with the pause instruction: yielding
    // there would hand a whole time slice to any other program sharing the
    // processor, while a sleeper that is woken gets the processor back at once.
    void spinUntilPending() const
    {
        const bool yielding = producerProcessor.load(std::memory_order_relaxed) == sched_getcpu();
        const auto deadline = std::chrono::steady_clock::now() + SpinTime;
        for (unsigned i = 1; pendingCount.load(std::memory_order_relaxed) == 0; ++i) {
            if (shuttingDown.load(std::memory_order_relaxed))
                return;
            if (yielding)
                std::this_thread::yield();
            else
                relax();
            if ((yielding || i % 64 == 0) && std::chrono::steady_clock::now() >= deadline)
                return;
        }
    }

    // Waits for work and calls take(pending) under the lock with at least one
    // invocation pending; returns false at once when the workers shut down.
    template<typename Take>
    bool waitAndTake(Take &&take)
    {
        bool isLooking = startLooking();
        if (isLooking)
            spinUntilPending();
        std::unique_lock guard(lock);
        for (;;) {
            if (shuttingDown.load(std::memory_order_relaxed)) {
                if (isLooking)
                    looking.fetch_sub(1, std::memory_order_relaxed);
                return false;
            }
            if (!pending.isEmpty())
                break;
            if (isLooking) {
                looking.fetch_sub(1, std::memory_order_relaxed);
                isLooking = false;
            }
            ++sleeping;
            wakeUp.wait(guard, [&] { return wakeUps > 0 || shuttingDown.load(std::memory_order_relaxed); });
            --sleeping;
            if (wakeUps > 0) {
                --wakeUps;
                isLooking = true; // counted by the worker that woke this one
            }
            if (isLooking && pending.isEmpty()) {
                // Another worker was quicker; stay awake for a moment before sleeping again.
                guard.unlock();
                spinUntilPending();
                guard.lock();
            }
        }
        take(pending);
        pendingCount.store(pending.size(), std::memory_order_relaxed);
        if (isLooking)
            looking.fetch_sub(1, std::memory_order_relaxed);
        const bool wakeAnother = !pending.isEmpty() && grantWakeUp();
        const bool nowDrained = pending.isEmpty() && awaitingDrain;
        guard.unlock();
        // Notified after unlocking, so that the woken thread does not block on
        // the lock at once. The queue outlives its workers, so both stay valid.
        if (wakeAnother)
            wakeUp.notify_one();
        if (nowDrained)
            drained.notify_all();
        return true;
    }
};

VLQueue::VLQueue()
    : d(std::make_unique<Private>())
{
}

VLQueue::VLQueue(quint32 numberOfQueueProcessors)
    : VLQueue()
{
    startQueueProcessors(numberOfQueueProcessors);
}

VLQueue::~VLQueue()
{
    bool hasProcessors;
    {
        std::lock_guard guard(d->processorsLock);
        hasProcessors = !d->processors.empty();
    }
    // Draining needs a worker: without one the wait would never end.
    if (hasProcessors) {
        std::unique_lock guard(d->lock);
        d->awaitingDrain = true;
        d->drained.wait(guard, [&] { return d->pending.isEmpty(); });
    }
    shutdownAllQueueProcessors();
}

void VLQueue::startQueueProcessors(quint32 count)
{
    std::lock_guard guard(d->processorsLock);
    // Counted before any starts, so that none of them takes a lone worker's batch.
    d->processorCount.store(d->processors.size() + count, std::memory_order_relaxed);
    for (quint32 i = 0; i < count; ++i) {
        auto processor = std::make_shared<VLQueueProcessor>(*this);
        processor->startProcessingInNewThread();
        d->processors.push_back(std::move(processor));
    }
}

void VLQueue::enqueueInvocation(platform::Invocation invocation)
{
    std::unique_lock guard(d->lock);
    d->pending.append(std::move(invocation));
    // Stored only on a change, so that the spinning worker's line stays put.
    if (const int processor = sched_getcpu(); d->producerProcessor.load(std::memory_order_relaxed) != processor)
        d->producerProcessor.store(processor, std::memory_order_relaxed);
    d->pendingCount.store(d->pending.size(), std::memory_order_relaxed);
    const bool wake = d->grantWakeUp();
    guard.unlock();
    if (wake)
        d->wakeUp.notify_one();
}

void VLQueue::enqueueTarget(std::shared_ptr<QObject> target, QByteArrayView selector)
{
    enqueueInvocation(platform::Invocation(std::move(target), selector));
}

void VLQueue::enqueueTarget(std::shared_ptr<QObject> target, QByteArrayView selector, const QVariant &object)
{
    enqueueInvocation(platform::Invocation(std::move(target), selector, {object}));
}

std::optional<platform::Invocation> VLQueue::nextInvocationInQueue()
{
    std::optional<platform::Invocation> next;
    d->waitAndTake([&](VLQueueRing &pending) { next.emplace(pending.takeFirst()); });
    return next;
}

void VLQueue::takeInvocations(VLQueueRing &batch)
{
    // A lone worker runs the pending invocations in order whether it takes them
    // one by one or all at once; at once it meets the producers at the lock once
    // per batch instead of once per invocation, and the two rings trade their
    // slots. With more workers each takes one, so that a long invocation never
    // holds back the ones queued behind it.
    const bool lone = d->processorCount.load(std::memory_order_relaxed) <= 1;
    d->waitAndTake([&](VLQueueRing &pending) {
        if (!lone) {
            batch.append(pending.takeFirst());
        } else if (batch.isEmpty()) {
            batch.swap(pending);
        } else {
            while (!pending.isEmpty())
                batch.append(pending.takeFirst());
        }
    });
}

void VLQueue::shutdownAllQueueProcessors()
{
    {
        std::lock_guard guard(d->lock);
        d->shuttingDown.store(true, std::memory_order_relaxed);
    }
    d->wakeUp.notify_all();

    std::lock_guard guard(d->processorsLock);
    for (const auto &processor : d->processors)
        processor->blockUntilDone();
}
