// How long the user waits for the Corvane pane: the time from loading the bundle's
// plugin to the end of the pane's first willSelect (instantiate the principal
// class, load the interface file, mainViewDidLoad, willSelect), as a preferences
// host does it when the pane is opened. Each run is a fresh process, since a
// process loads a plugin only once. Measured with the reference service not running
// and running (willSelect asks the process list either way), and set beside the
// 50 ms budget the pane aims for. A preferences host has its own window up before
// the user opens a pane, so the style and the font database are ready before the
// clock starts.

#include "InstalledService.h"
#include "platform/system/Bundle.h"
#include "CorvaneServiceHelper.h"
#include "platform/ui/PreferencePane.h"
#include "platform/ui/PreferencePanePlugin.h"
#include "platform/system/ProcessList.h"
#include "platform/system/SearchPaths.h"
#include "platform/system/Workspace.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QThread>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <vector>

namespace {

constexpr double BudgetSeconds = 0.050;
QString selfPath;
std::map<std::string, std::vector<double>> samples;

// In the child: one load, printed in nanoseconds.
int measureOnce(int argc, char **argv)
{
    QApplication app(argc, argv);
    {
        QLabel hostsOwnWindow(QStringLiteral("Preferences"));
        hostsOwnWindow.ensurePolished();
        (void)hostsOwnWindow.sizeHint();
    }
    QElapsedTimer timer;
    timer.start();
    const auto bundle = platform::Bundle::bundleWithPath(QStringLiteral(CORVANE_PANE_BUNDLE));
    auto pane = bundle ? platform::PreferencePanePlugin::instantiate(*bundle) : nullptr;
    if (!pane || !pane->loadMainView())
        return 1;
    pane->willSelect();
    std::printf("%lld\n", static_cast<long long>(timer.nsecsElapsed()));
    return 0;
}

void loadPane(benchmark::State &state, const std::string &name)
{
    for (auto _ : state) {
        QProcess child;
        child.start(selfPath, {QStringLiteral("--measure-once")});
        if (!child.waitForFinished(30000) || child.exitCode() != 0) {
            state.SkipWithError("the pane did not load");
            return;
        }
        const double seconds = child.readAllStandardOutput().trimmed().toLongLong() / 1e9;
        state.SetIterationTime(seconds);
        samples[name].push_back(seconds);
    }
}

void ServiceNotRunning(benchmark::State &state)
{
    if (platform::isProcessRunning(QStringLiteral("Corvane")))
        state.SkipWithError("the service is running");
    else
        loadPane(state, "not running");
}

// Starts the reference service and waits until it answers on the bus.
bool startService()
{
    if (!CorvaneServiceHelper::launchService())
        return false;
    for (int i = 0; i < 200; ++i) {
        if (CorvaneServiceHelper::serviceProxy())
            return true;
        QThread::msleep(50);
    }
    return false;
}

void ServiceRunning(benchmark::State &state)
{
    // Started once, by the first repetition; main() stops it.
    if (!platform::isProcessRunning(QStringLiteral("Corvane")) && !startService())
        state.SkipWithError("cannot start the reference service");
    else
        loadPane(state, "running");
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

// The reference service, installed where the pane looks first.
bool installService()
{
    return installServiceLink(QStringLiteral(CORVANE_SERVICE_APP));
}

} // namespace

void registerBenchmark(const char *name, void (*function)(benchmark::State &))
{
    benchmark::RegisterBenchmark(name, function)
        ->UseManualTime()
        ->Iterations(1)
        ->Repetitions(15)
        ->ReportAggregatesOnly(true)
        ->Unit(benchmark::kMillisecond);
}

int main(int argc, char **argv)
{
    if (argc > 1 && std::string(argv[1]) == "--measure-once")
        return measureOnce(argc, argv);
    QCoreApplication app(argc, argv);
    selfPath = QCoreApplication::applicationFilePath();
    if (!installService())
        std::fprintf(stderr, "could not install the reference service\n");
    benchmark::Initialize(&argc, argv);
    registerBenchmark("LoadToFirstWillSelect/ServiceNotRunning", ServiceNotRunning);
    registerBenchmark("LoadToFirstWillSelect/ServiceRunning", ServiceRunning);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    CorvaneServiceHelper::quitService();
    CorvaneServiceHelper::waitForServiceToQuit();

    const double notRunning = median(samples["not running"]);
    const double running = median(samples["running"]);
    std::printf("\nratio load to first willSelect / 50 ms budget, service not running: %.2fx (%.2f ms)\n",
                notRunning / BudgetSeconds, notRunning * 1e3);
    std::printf("ratio load to first willSelect / 50 ms budget, service running: %.2fx (%.2f ms)\n",
                running / BudgetSeconds, running * 1e3);
    return 0;
}
