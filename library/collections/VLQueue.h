#pragma once

#include "VLInvocationSource.h"
#include "platform/core/Invocation.h"

#include <QByteArrayView>
#include <QObject>
#include <QVariant>

#include <memory>
#include <optional>

/// A first-in, first-out queue of invocations served by worker threads, each
/// driven by a VLQueueProcessor. Any thread may enqueue; every worker takes the
/// oldest invocation and runs it, one at a time, so one worker runs them
/// strictly in enqueue order and n workers run up to n at once. Invocations run
/// on the worker threads: what they touch must be safe there.
///
/// An exception thrown by an invocation is logged ("Exception occurred in queue
/// processor: <reason> (<name>)") and the worker goes on with the next one.
class VLQueue : public VLInvocationSource
{
public:
    /// An empty queue with no workers; no thread is started, and enqueued
    /// invocations wait for startQueueProcessors().
    VLQueue();
    /// A queue with `numberOfQueueProcessors` workers started.
    explicit VLQueue(quint32 numberOfQueueProcessors);
    /// Waits until the workers have taken every pending invocation, then stops
    /// every worker and waits until each has finished its current invocation and
    /// its thread has ended. A queue that never had a worker does not wait: its
    /// pending invocations are released without running. Must not be called from
    /// one of the queue's own invocations.
    ~VLQueue() override;
    VLQueue(const VLQueue &) = delete;
    VLQueue &operator=(const VLQueue &) = delete;

    /// Starts `count` more workers; may be called again to add more.
    void startQueueProcessors(quint32 count);

    /// Appends `invocation`; it keeps its target and arguments alive until it has run.
    void enqueueInvocation(platform::Invocation invocation);
    /// Appends a call of `selector` on `target` with no arguments. Throws
    /// Exception("NSInvalidArgumentException") when the target has no such method.
    void enqueueTarget(std::shared_ptr<QObject> target, QByteArrayView selector);
    /// The same with `object` as the method's only argument.
    void enqueueTarget(std::shared_ptr<QObject> target, QByteArrayView selector, const QVariant &object);

    /// For the workers: waits for the oldest invocation and takes it; none once
    /// the queue shuts its workers down.
    std::optional<platform::Invocation> nextInvocationInQueue() override;
    /// For the workers: with a single worker, every invocation ready at once (it
    /// would run them in this order anyway); with more, the oldest one.
    void takeInvocations(VLQueueRing &batch) override;

private:
    void shutdownAllQueueProcessors();

    struct Private;
    std::unique_ptr<Private> const d;
};
