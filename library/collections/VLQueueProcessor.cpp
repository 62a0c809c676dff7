#include "VLQueueProcessor.h"

#include "VLInvocationSource.h"
#include "VLQueueRing.h"
#include "platform/core/Exception.h"
#include "platform/core/Log.h"

#include <cxxabi.h>

#include <cstddef>
#include <cstdlib>
#include <exception>
#include <typeinfo>

namespace {

constexpr int Finished = 1;

// Slots of a worker's ring worth keeping between batches (about 72 bytes each).
constexpr std::size_t KeptBatchCapacity = std::size_t(1) << 16;

// The readable name of a standard exception's dynamic type.
QString typeName(const std::exception &e)
{
    int status = 0;
    char *demangled = abi::__cxa_demangle(typeid(e).name(), nullptr, nullptr, &status);
    const QString name = QString::fromLatin1(status == 0 && demangled ? demangled : typeid(e).name());
    std::free(demangled);
    return name;
}

// Runs `step`; an exception it throws becomes a log line made by `line` from
// the reason and name, and the result is false.
template<typename Step, typename Line>
bool loggingExceptions(Step &&step, Line &&line)
{
    try {
        step();
        return true;
    } catch (const platform::Exception &e) {
        platform::log(line(e.reason(), e.name()));
    } catch (const std::exception &e) {
        platform::log(line(QString::fromLocal8Bit(e.what()), typeName(e)));
    } catch (...) {
        platform::log(line(QStringLiteral("unknown exception"), QStringLiteral("unknown")));
    }
    return false;
}

QString acquireLogLine(const QString &reason, const QString &name)
{
    return QStringLiteral("Exception occurred when acquiring the next invocation in a queue; shutting down. "
                          "This really should never happen, but apparently it did. Exception: %1 (%2)")
        .arg(reason, name);
}

} // namespace

VLQueueProcessor::VLQueueProcessor(VLInvocationSource &queue)
    : m_queue(queue)
{
}

VLQueueProcessor::~VLQueueProcessor()
{
    // The thread owns this processor while it runs, so it has returned by now;
    // when its own last reference goes, the destructor runs on that thread.
    if (m_thread.joinable()) {
        if (m_thread.get_id() == std::this_thread::get_id())
            m_thread.detach();
        else
            m_thread.join();
    }
}

QString VLQueueProcessor::exceptionLogLine(const QString &reason, const QString &name)
{
    return QStringLiteral("Exception occurred in queue processor: %1 (%2)").arg(reason, name);
}

void VLQueueProcessor::startProcessingInNewThread()
{
    std::lock_guard guard(m_threadMutex);
    if (m_thread.joinable())
        return;
    m_thread = std::thread([self = shared_from_this()] { self->threadedProcessQueue(); });
}

void VLQueueProcessor::blockUntilDone()
{
    std::lock_guard guard(m_threadMutex);
    if (!m_thread.joinable())
        return;
    m_exitLock.lockWhenCondition(Finished);
    m_exitLock.unlock();
    m_thread.join();
}

void VLQueueProcessor::threadedProcessQueue()
{
    m_exitLock.lock();
    VLQueueRing batch;
    for (;;) {
        // Other than in an invocation, an exception while taking the next ones
        // leaves the queue in an unknown state: this worker ends.
        if (!loggingExceptions([&] { m_queue.takeInvocations(batch); }, acquireLogLine))
            break;
        if (batch.isEmpty())
            break;
        while (!batch.isEmpty()) {
            // Whatever an invocation throws is logged and the worker goes on; one
            // failing call must not end the process or leave shutdown waiting.
            // Taken out of the ring, it is released as soon as it has run, before
            // the next one starts.
            loggingExceptions([&] { batch.takeFirst().invoke(); }, exceptionLogLine);
        }
        // The ring goes back to the queue in the next take; one grown by a rare
        // flood is dropped rather than kept for the queue's lifetime.
        if (batch.capacity() > KeptBatchCapacity)
            batch = VLQueueRing();
    }
    m_exitLock.unlockWithCondition(Finished);
}
