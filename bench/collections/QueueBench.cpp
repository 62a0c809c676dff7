// VLQueue against a plain mutex-and-condition-variable queue of std::function
// served by the same number of std::thread workers: throughput of empty calls.

#include "PeerComparison.h"
#include "VLQueue.h"

#include <QObject>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr int Batch = 20'000;

// The empty call: it only counts, so that the producer knows when a batch is done.
class Counter : public QObject
{
    Q_OBJECT
public:
    std::atomic<int> calls{0};
    Q_INVOKABLE void tick() { calls.fetch_add(1, std::memory_order_relaxed); }
};

class PlainQueue
{
public:
    explicit PlainQueue(int workers)
    {
        for (int i = 0; i < workers; ++i)
            m_workers.emplace_back([this] { work(); });
    }
    ~PlainQueue()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_ready.notify_all();
        for (auto &t : m_workers)
            t.join();
    }
    void push(std::function<void()> f)
    {
        {
            std::lock_guard lock(m_mutex);
            m_tasks.push_back(std::move(f));
        }
        m_ready.notify_one();
    }

private:
    void work()
    {
        for (;;) {
            std::function<void()> task;
            {
                std::unique_lock lock(m_mutex);
                m_ready.wait(lock, [&] { return m_stopping || !m_tasks.empty(); });
                if (m_tasks.empty())
                    return;
                task = std::move(m_tasks.front());
                m_tasks.pop_front();
            }
            task();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<std::function<void()>> m_tasks;
    bool m_stopping = false;
    std::vector<std::thread> m_workers;
};

void waitFor(const std::atomic<int> &calls, int target)
{
    while (calls.load(std::memory_order_relaxed) < target)
        std::this_thread::yield();
}

void ours(benchmark::State &state)
{
    auto counter = std::make_shared<Counter>();
    VLQueue queue(quint32(state.range(0)));
    const platform::Invocation tick(counter, "tick");
    int target = 0;
    for (auto _ : state) {
        target += Batch;
        for (int i = 0; i < Batch; ++i)
            queue.enqueueInvocation(tick);
        waitFor(counter->calls, target);
    }
    state.SetItemsProcessed(state.iterations() * Batch);
}

void peer(benchmark::State &state)
{
    Counter counter;
    PlainQueue queue(int(state.range(0)));
    int target = 0;
    for (auto _ : state) {
        target += Batch;
        for (int i = 0; i < Batch; ++i)
            queue.push([&counter] { counter.tick(); });
        waitFor(counter.calls, target);
    }
    state.SetItemsProcessed(state.iterations() * Batch);
}

} // namespace

int main(int argc, char **argv)
{
    // Where the scheduler puts five threads on a small machine changes from one
    // moment to the next, and one run of each benchmark swings by half or more:
    // each is run nine times in random turn with its peer, and the medians compared.
    corvane::bench::RepeatedRunsArguments arguments(argc, argv, 9);
    for (int workers : {1, 4}) {
        const std::string n = std::to_string(workers);
        benchmark::RegisterBenchmark(("throughput/VLQueue/" + n).c_str(), ours)->Arg(workers)->UseRealTime()->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("throughput/mutex_condvar_queue/" + n).c_str(), peer)->Arg(workers)->UseRealTime()->Unit(benchmark::kMillisecond);
    }
    return corvane::bench::runComparing(arguments.argc(), arguments.argv(),
                                        {{"throughput/VLQueue/1", "throughput/mutex_condvar_queue/1"},
                                         {"throughput/VLQueue/4", "throughput/mutex_condvar_queue/4"}});
}

#include "QueueBench.moc"
