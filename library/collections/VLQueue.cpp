#include "VLQueue.h"

#include "platform/core/ConditionLock.h"
#include "VLQueueProcessor.h"

#include <atomic>
#include <deque>
#include <iterator>
#include <mutex>
#include <utility>
#include <vector>

namespace {
// Conditions of the queue lock.
constexpr int QueueEmpty = 0;
constexpr int QueueNotEmptyOrShuttingDown = 1;
} // namespace

struct VLQueue::Private
{
    // Producers and workers meet only at queueLock, which guards the pending
    // invocations and the shutdown flag. processorsLock serialises starting and
    // stopping workers; the two are never held together.
    std::deque<platform::Invocation> queue;
    platform::ConditionLock queueLock{QueueEmpty};
    std::vector<std::shared_ptr<VLQueueProcessor>> processors;
    std::mutex processorsLock;
    bool shuttingDownProcessors = false;
    // Read under queueLock by the workers to size what they take; written under
    // processorsLock.
    std::atomic<std::size_t> processorCount{0};
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
        d->queueLock.lockWhenCondition(QueueEmpty);
        d->queueLock.unlock();
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
    d->queueLock.lock();
    d->queue.push_back(std::move(invocation));
    d->queueLock.unlockWithCondition(QueueNotEmptyOrShuttingDown);
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
    d->queueLock.lockWhenCondition(QueueNotEmptyOrShuttingDown);
    if (d->shuttingDownProcessors) {
        d->queueLock.unlock(); // the condition stays, so every other worker wakes too
        return std::nullopt;
    }
    platform::Invocation next = std::move(d->queue.front());
    d->queue.pop_front();
    if (d->queue.empty())
        d->queueLock.unlockWithCondition(QueueEmpty);
    else
        d->queueLock.unlock();
    return next;
}

void VLQueue::takeInvocations(std::deque<platform::Invocation> &batch)
{
    if (d->processorCount.load(std::memory_order_relaxed) > 1)
        return VLInvocationSource::takeInvocations(batch);
    // A lone worker runs the pending invocations in order whether it takes them
    // one by one or all at once; at once it meets the producers at the lock once
    // per batch instead of once per invocation. With more workers each takes one,
    // so that a long invocation never holds back the ones queued behind it.
    d->queueLock.lockWhenCondition(QueueNotEmptyOrShuttingDown);
    if (d->shuttingDownProcessors) {
        d->queueLock.unlock();
        return;
    }
    if (batch.empty()) {
        std::swap(batch, d->queue); // the deques trade their blocks: nothing is allocated
    } else {
        std::move(d->queue.begin(), d->queue.end(), std::back_inserter(batch));
        d->queue.clear();
    }
    d->queueLock.unlockWithCondition(QueueEmpty);
}

void VLQueue::shutdownAllQueueProcessors()
{
    d->queueLock.lock();
    d->shuttingDownProcessors = true;
    d->queueLock.unlockWithCondition(QueueNotEmptyOrShuttingDown);

    std::lock_guard guard(d->processorsLock);
    for (const auto &processor : d->processors)
        processor->blockUntilDone();
}
