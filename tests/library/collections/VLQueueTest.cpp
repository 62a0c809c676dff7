#include "VLQueue.h"
#include "VLQueueRing.h"
#include "VLReadyInvocationRing_p.h"

#include "platform/core/Exception.h"
#include "platform/core/Log.h"
#include "TestSupport.h"

#include <QDir>
#include <QObject>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

// Counts worker threads that have ended: each thread that runs a Worker call
// gets one of these, destroyed when the thread exits.
std::atomic<int> endedThreads{0};
struct ThreadEndWitness
{
    ~ThreadEndWitness() { ++endedThreads; }
};

// A gate that opens once `count` parties have arrived. The wait is bounded so
// that a fault fails the test instead of hanging it.
class Gate
{
public:
    explicit Gate(int count)
        : m_missing(count)
    {
    }
    bool arriveAndWait()
    {
        std::unique_lock lock(m_mutex);
        if (--m_missing == 0)
            m_opened.notify_all();
        return m_opened.wait_for(lock, std::chrono::seconds(60), [&] { return m_missing <= 0; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_opened;
    int m_missing;
};

class Worker : public QObject
{
    Q_OBJECT
public:
    std::vector<int> order;  // written only by a single worker, read after the queue is gone
    std::atomic<int> calls{0};
    std::mutex threadsMutex;
    std::set<std::thread::id> threads;
    Gate *gate = nullptr;
    std::atomic<int> gateFailures{0};

    Q_INVOKABLE void record(int value) { order.push_back(value); }
    Q_INVOKABLE void count()
    {
        static thread_local ThreadEndWitness witness;
        (void)witness;
        {
            std::lock_guard lock(threadsMutex);
            threads.insert(std::this_thread::get_id());
        }
        ++calls;
    }
    Q_INVOKABLE void meetTheOtherWorkers()
    {
        count();
        if (!gate->arriveAndWait())
            ++gateFailures;
    }
    Q_INVOKABLE void failWithPlatformException()
    {
        platform::raise(QStringLiteral("TestException"), QStringLiteral("invocation failed"));
    }
    Q_INVOKABLE void failWithStandardException() { throw std::runtime_error("out of luck"); }
};

int threadsOfThisProcess()
{
    return int(QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

} // namespace

TEST(VLQueue, OneProcessorRunsInvocationsInEnqueueOrder)
{
    // More than the lock-free part of the queue holds: the rest waits behind it,
    // and a worker started late finds both full.
    for (const bool startedFirst : {true, false}) {
        auto worker = std::make_shared<Worker>();
        {
            VLQueue queue(startedFirst ? 1 : 0);
            for (int i = 0; i < 2000; ++i)
                queue.enqueueTarget(worker, "record", i);
            if (!startedFirst)
                queue.startQueueProcessors(1);
        }
        ASSERT_EQ(worker->order.size(), 2000u) << "started first: " << startedFirst;
        for (int i = 0; i < 2000; ++i)
            ASSERT_EQ(worker->order[size_t(i)], i) << "started first: " << startedFirst;
    }
}

TEST(VLQueue, InitAloneStartsNoThreadAndWorkWaitsForProcessors)
{
    auto worker = std::make_shared<Worker>();
    const int before = threadsOfThisProcess();
    VLQueue queue;
    for (int i = 0; i < 5; ++i)
        queue.enqueueTarget(worker, "record", i);
    EXPECT_LE(threadsOfThisProcess(), before); // threads of earlier tests may still be leaving
    EXPECT_TRUE(worker->order.empty());

    queue.startQueueProcessors(1);
    // The gate call runs after the five waiting ones, on the one worker.
    Gate gate(2);
    worker->gate = &gate;
    queue.enqueueTarget(worker, "meetTheOtherWorkers");
    ASSERT_TRUE(gate.arriveAndWait());
    EXPECT_EQ(worker->order, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST(VLQueue, ExceptionsAreLoggedAndTheWorkerGoesOn)
{
    auto worker = std::make_shared<Worker>();
    QStringList lines;
    {
        platform::ScopedLogSink sink([&](const platform::LogRecord &r) { lines << r.message; });
        VLQueue queue(1);
        queue.enqueueTarget(worker, "failWithPlatformException");
        queue.enqueueTarget(worker, "record", 1);
        queue.enqueueTarget(worker, "failWithStandardException");
        queue.enqueueTarget(worker, "record", 2);
    }
    EXPECT_EQ(worker->order, (std::vector<int>{1, 2}));
    EXPECT_EQ(lines, (QStringList{"Exception occurred in queue processor: invocation failed (TestException)",
                                  "Exception occurred in queue processor: out of luck (std::runtime_error)"}));
}

TEST(VLQueue, DestructionRunsEveryPendingInvocationAndEndsEveryWorker)
{
    auto worker = std::make_shared<Worker>();
    Gate gate(4);
    worker->gate = &gate;
    const int endedBefore = endedThreads;
    {
        VLQueue queue(2);
        queue.startQueueProcessors(2); // workers added later serve the same queue
        // Four calls that wait for each other prove that four workers run at once,
        // and that each of them has run something.
        for (int i = 0; i < 4; ++i)
            queue.enqueueTarget(worker, "meetTheOtherWorkers");
        for (int i = 0; i < 3000; ++i)
            queue.enqueueTarget(worker, "count");
    }
    EXPECT_EQ(worker->gateFailures, 0);
    EXPECT_EQ(worker->calls, 3004);
    EXPECT_EQ(worker->threads.size(), 4u);
    EXPECT_EQ(endedThreads - endedBefore, 4);
}

TEST(VLQueue, IdleWorkersAreWokenForNewWork)
{
    // Each invocation is awaited before the next is enqueued, so the workers run
    // out of work every round and are found spinning or asleep; a lost wake-up
    // leaves its gate closed.
    for (quint32 workers : {1u, 3u}) {
        auto worker = std::make_shared<Worker>();
        std::deque<Gate> gates; // outlive the workers that pass them
        VLQueue queue(workers);
        for (int round = 0; round < 300; ++round) {
            worker->gate = &gates.emplace_back(2);
            queue.enqueueTarget(worker, "meetTheOtherWorkers");
            ASSERT_TRUE(worker->gate->arriveAndWait()) << workers << " workers, round " << round;
        }
    }
}

TEST(VLQueueRing, KeepsOrderWhereItWrapsAndGrowsAndHoldsNothingTaken)
{
    auto worker = std::make_shared<Worker>();
    VLQueueRing ring;
    int appended = 0;
    int taken = 0;
    // Filled and half drained in turn, the ring grows while its oldest
    // invocation lies in the middle of its slots.
    for (int round = 0; round < 6; ++round) {
        for (int i = 0; i < 10 + 7 * round; ++i)
            ring.append(platform::Invocation(worker, "record", {appended++}));
        for (std::size_t i = ring.size() / 2; i > 0; --i)
            ASSERT_EQ(ring.takeFirst().arguments().at(0).toInt(), taken++);
    }
    VLQueueRing other;
    other.swap(ring);
    while (!other.isEmpty())
        ASSERT_EQ(other.takeFirst().arguments().at(0).toInt(), taken++);
    EXPECT_EQ(taken, appended);
    EXPECT_EQ(worker.use_count(), 1);
}

// A ring of four slots, one pusher and three takers, over thousands of laps:
// every invocation is taken exactly once, each taker gets them in push order,
// and a push into a full ring is refused without losing its invocation. A ring
// that loses track of whose turn a slot is stalls instead: the test's time
// limit (CMakeLists.txt) ends it.
TEST(VLReadyInvocationRing, TakesEveryInvocationOnceInOrderLapAfterLap)
{
    constexpr int Count = 20000;
    auto worker = std::make_shared<Worker>();
    VLReadyInvocationRing ring(4);
    std::atomic<bool> allPushed{false};
    std::vector<std::vector<int>> taken(3);
    std::vector<std::thread> takers;
    for (std::vector<int> &mine : taken) {
        takers.emplace_back([&] {
            for (;;) {
                const bool finished = allPushed.load(); // before the look, so that a miss means empty
                if (auto invocation = ring.tryTake())
                    mine.push_back(invocation->arguments().at(0).toInt());
                else if (finished)
                    return;
            }
        });
    }
    int refused = 0;
    for (int i = 0; i < Count; ++i) {
        platform::Invocation invocation(worker, "record", {i});
        while (!ring.tryPush(invocation)) {
            ++refused;
            EXPECT_EQ(invocation.arguments().at(0).toInt(), i);
            std::this_thread::yield();
        }
    }
    allPushed = true;
    for (std::thread &taker : takers)
        taker.join();

    std::vector<int> all;
    for (const std::vector<int> &mine : taken) {
        EXPECT_TRUE(std::is_sorted(mine.begin(), mine.end()));
        all.insert(all.end(), mine.begin(), mine.end());
    }
    std::sort(all.begin(), all.end());
    ASSERT_EQ(all.size(), std::size_t(Count));
    for (int i = 0; i < Count; ++i)
        ASSERT_EQ(all[std::size_t(i)], i);
    EXPECT_FALSE(ring.hasInvocation());
    EXPECT_EQ(worker.use_count(), 1) << "a taken invocation is still held by its slot";
    RecordProperty("refused pushes", refused);
}

#include "VLQueueTest.moc"
