#include "VLQueue.h"

#include "VLQueueProcessor.h"
#include "VLReadyInvocationRing_p.h"

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

// Pending invocations wait in `ready`, a bounded ring that workers take from
// without a lock, and, when it is full, behind it in `overflow`, which the lock
// guards and which moves into `ready` as room comes free, so that the two
// together keep enqueue order. Producers push under `lock`, one at a time; a
// worker takes the lock only to move the overflow, to sleep, or to wake
// another. So workers do not queue up behind each other for every invocation.
//
// A worker that finds nothing first spins for a moment watching for work, and
// only then sleeps; a producer wakes a worker only when one sleeps and none is
// already looking for work (spinning, or woken and not yet back at the queue).
// So a steady stream of invocations costs no system call on either side, and a
// burst wakes sleepers one at a time: each worker that takes an invocation and
// leaves more behind wakes the next.
//
// No invocation is stranded. A worker goes to sleep only after it has found
// both `ready` and `overflow` empty under the lock, so a later push wakes it
// unless a worker is looking. A looking worker stops looking before it looks at
// what its take left behind, and a producer pushes before it reads `looking`,
// all in one total order (sequentially consistent): either the producer sees
// that no one looks and wakes a sleeper, or the worker sees the push and wakes
// the next itself (and comes back to the queue in any case). The destructor's
// wait for the last take is ordered against it the same way. Nothing is counted
// per invocation on a line both sides write: that would cost a cache-line
// transfer each.
struct VLQueue::Private
{
    // Slots of `ready`: about 90 bytes each.
    static constexpr std::size_t ReadyCapacity = 512;

    std::mutex lock;
    std::condition_variable wakeUp;  // sleeping workers wait here for a wake-up
    std::condition_variable drained; // the destructor waits here for an empty queue
    VLQueueRing overflow;            // under lock: newer than everything in ready
    int wakeUps = 0;                 // under lock: wake-ups granted and not yet taken by a sleeper
    // Read by the workers at each take, and seldom written: away from the
    // lock's line, which the producer takes at each append.
    alignas(CacheLine) std::atomic<int> sleeping{0};    // workers waiting on wakeUp; written under lock
    std::atomic<bool> awaitingDrain{false};  // written under lock
    std::atomic<bool> shuttingDown{false};   // written under lock
    // !overflow.isEmpty(), written under lock when it changes: a burst that
    // overflows moves an invocation into ready at every append, and a count
    // stored each time would take the line from the workers that read it.
    std::atomic<bool> overflowHolds{false};
    VLReadyInvocationRing ready{ReadyCapacity};
    // The workers looking for work and the producer's processor: on a cache line
    // of their own, so that a spinning worker does not keep taking the lock's
    // line away from the producer.
    alignas(CacheLine) std::atomic<int> looking{0};
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
        if (sleeping.load(std::memory_order_relaxed) <= wakeUps || looking.load() > 0)
            return false;
        ++wakeUps;
        looking.fetch_add(1, std::memory_order_relaxed); // the woken worker will look
        return true;
    }

    // Under lock: moves what has room from overflow into ready, oldest first.
    void moveOverflowToReady()
    {
        if (overflow.isEmpty())
            return;
        while (!overflow.isEmpty() && ready.tryPush(overflow.first()))
            overflow.takeFirst();
        if (overflow.isEmpty())
            overflowHolds.store(false);
    }

    // Whether an invocation waits; from any thread, without the lock.
    bool hasPending() const
    {
        return ready.hasInvocation() || overflowHolds.load();
    }

    // Under lock: whether every invocation has been taken.
    bool isDrained() const { return ready.isEmpty() && overflow.isEmpty(); }

    // Becomes the one spinning worker, unless another one is looking already:
    // on two cores a second spinner would only take time from the producer.
    bool startLooking()
    {
        int none = 0;
        return looking.compare_exchange_strong(none, 1);
    }

    // Watches for pending work for SpinTime at most. Where the last producer ran on
    // this worker's processor, the worker gives the processor up between looks,
    // so that the producer goes on filling the queue. Elsewhere it spins with the
    // pause instruction: yielding there would hand a whole time slice to any
    // other program sharing the processor, while a sleeper that is woken gets
    // the processor back at once.
    void spinUntilPending() const
    {
        const bool yielding = producerProcessor.load(std::memory_order_relaxed) == sched_getcpu();
        const auto deadline = std::chrono::steady_clock::now() + SpinTime;
        for (unsigned i = 1; !hasPending(); ++i) {
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

    // After a worker has taken an invocation: it stops looking, and wakes the
    // next worker when it leaves work behind, or the destructor when it took the
    // last.
    void tookOne(bool wasLooking)
    {
        if (wasLooking)
            looking.fetch_sub(1);
        if (hasPending()) {
            if (sleeping.load() == 0 || looking.load() > 0)
                return;
            std::unique_lock guard(lock);
            const bool wake = grantWakeUp();
            guard.unlock();
            if (wake)
                wakeUp.notify_one();
        } else if (awaitingDrain.load()) {
            // Through the lock, so that the destructor is either before its look
            // at the queue or already waiting.
            { std::lock_guard guard(lock); }
            drained.notify_all();
        }
    }

    // For a lone worker with an empty batch: when every pending invocation waits
    // in overflow, takes them all by trading rings, without moving one. A burst
    // larger than ready then costs no more than one that fits.
    bool takeWholeOverflow(VLQueueRing &batch)
    {
        if (!batch.isEmpty() || !overflowHolds.load() || ready.hasInvocation())
            return false;
        {
            std::lock_guard guard(lock);
            // Producers wait for the lock: ready's emptiness is exact here.
            if (shuttingDown.load(std::memory_order_relaxed) || !ready.isEmpty() || overflow.isEmpty())
                return false;
            overflow.swap(batch);
            overflowHolds.store(false);
        }
        tookOne(false); // wakes the destructor when it waits for this
        return true;
    }

    // Waits for work and takes the oldest invocation; none at once when the
    // workers shut down.
    std::optional<platform::Invocation> take()
    {
        // Work that is there already is taken without looking for it: in a
        // burst, announcing the look and ending it would cost two writes to the
        // line the producer reads at each append.
        if (!shuttingDown.load(std::memory_order_relaxed)) {
            if (auto invocation = ready.tryTake()) {
                tookOne(false);
                return invocation;
            }
        }
        bool isLooking = startLooking();
        if (isLooking)
            spinUntilPending();
        for (;;) {
            if (shuttingDown.load(std::memory_order_relaxed))
                break;
            if (auto invocation = ready.tryTake()) {
                tookOne(isLooking);
                return invocation;
            }
            std::unique_lock guard(lock);
            if (shuttingDown.load(std::memory_order_relaxed))
                break;
            moveOverflowToReady();
            // Producers wait for the lock: what ready holds now is all there is.
            if (auto invocation = ready.tryTake()) {
                guard.unlock();
                tookOne(isLooking);
                return invocation;
            }
            if (isLooking) {
                looking.fetch_sub(1, std::memory_order_relaxed);
                isLooking = false;
            }
            sleeping.fetch_add(1, std::memory_order_relaxed);
            wakeUp.wait(guard, [&] { return wakeUps > 0 || shuttingDown.load(std::memory_order_relaxed); });
            sleeping.fetch_sub(1, std::memory_order_relaxed);
            if (wakeUps > 0) {
                --wakeUps;
                isLooking = true; // counted by the worker that woke this one
            }
            guard.unlock();
            // Another worker may be quicker; stay awake for a moment before sleeping again.
            if (isLooking)
                spinUntilPending();
        }
        if (isLooking)
            looking.fetch_sub(1, std::memory_order_relaxed);
        return std::nullopt;
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
        // Either the worker that takes the last invocation sees this wait coming,
        // or this sees its take.
        d->awaitingDrain.store(true);
        d->drained.wait(guard, [&] { return d->isDrained(); });
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
    // Behind the overflow while it holds any, so that order is kept.
    d->moveOverflowToReady();
    if (!d->overflow.isEmpty() || !d->ready.tryPush(invocation)) {
        const bool wasEmpty = d->overflow.isEmpty();
        d->overflow.append(std::move(invocation));
        if (wasEmpty)
            d->overflowHolds.store(true);
    }
    // Stored only on a change, so that the spinning worker's line stays put.
    if (const int processor = sched_getcpu(); d->producerProcessor.load(std::memory_order_relaxed) != processor)
        d->producerProcessor.store(processor, std::memory_order_relaxed);
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
    return d->take();
}

void VLQueue::takeInvocations(VLQueueRing &batch)
{
    // A lone worker runs the pending invocations in order whether it takes them
    // one by one or all at once; taking all that are ready, it watches for work
    // once a batch instead of once an invocation. With more workers each takes
    // one, so that a long invocation never holds back the ones queued behind it.
    const bool lone = d->processorCount.load(std::memory_order_relaxed) <= 1;
    if (lone && d->takeWholeOverflow(batch))
        return;
    auto first = d->take();
    if (!first)
        return;
    batch.append(std::move(*first));
    if (!lone)
        return;
    bool tookMore = false;
    while (auto next = d->ready.tryTake()) {
        batch.append(std::move(*next));
        tookMore = true;
    }
    if (tookMore)
        d->tookOne(false); // the last may have emptied the queue
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
