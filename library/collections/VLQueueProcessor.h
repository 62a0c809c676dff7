#pragma once

#include "platform/core/ConditionLock.h"

#include <QString>

#include <memory>
#include <mutex>
#include <thread>

class VLInvocationSource;

/// One worker of a VLQueue: a thread that takes invocations from the queue and
/// runs them until the queue shuts its workers down. Created and owned by the
/// queue, which outlives it.
class VLQueueProcessor : public std::enable_shared_from_this<VLQueueProcessor>
{
public:
    /// A processor for `queue` (not owned); its thread is not started yet.
    explicit VLQueueProcessor(VLInvocationSource &queue);
    ~VLQueueProcessor();
    VLQueueProcessor(const VLQueueProcessor &) = delete;
    VLQueueProcessor &operator=(const VLQueueProcessor &) = delete;

    /// Starts the worker thread, which keeps this processor alive while it
    /// runs. REQUIRES: the processor is owned by a std::shared_ptr. Starts one
    /// thread at most; later calls do nothing.
    void startProcessingInNewThread();

    /// Returns once the worker thread has finished and ended; at once when it
    /// already has or was never started. Never call it from the worker itself.
    void blockUntilDone();

    /// The log line for an exception thrown by an invocation.
    static QString exceptionLogLine(const QString &reason, const QString &name);

private:
    void threadedProcessQueue();

    VLInvocationSource &m_queue;
    platform::ConditionLock m_exitLock{0}; // 1 once the worker has finished
    std::mutex m_threadMutex;              // guards m_thread
    std::thread m_thread;
};
