// The launcher over 5,000 generated desktop entries, beside GLib's GIO, which
// reads the same folders by the same rules.
//
// Catalogue: the service's own catalogue run (`Corvane --catalogue`, a process)
// into an empty store (cold: every record written) and into a store that is up to
// date (warm: the folders read, nothing written), beside a process of GLib's
// g_app_info_get_all over the same folders. Search: one keystroke of typing
// application names, LauncherIndex::search beside g_desktop_app_info_search in
// this process (whose index GLib builds once and keeps). The window aims at 5 ms
// a keystroke; the ratio to that budget is printed too.

#include "ApplicationCatalogue.h"
#include "BenchmarkTimes.h"
#include "GeneratedEntries.h"
#include "ApplicationScanner.h"
#include "LauncherIndex.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gio/gdesktopappinfo.h>

namespace {

constexpr int Entries = 5000;
constexpr double KeystrokeBudgetSeconds = 0.005;
const QString ServiceProgram = QStringLiteral(CORVANE_SERVICE_APP "/Corvane");
const QString PeerProgram = QStringLiteral(CORVANE_GIO_PEER);

QStringList keystrokes()
{
    QStringList typed;
    for (const QString &word : {QStringLiteral("terminal"), QStringLiteral("photos"), QStringLiteral("weather")}) {
        for (int i = 1; i <= word.size(); ++i)
            typed << word.left(i);
    }
    return typed;
}

void runProgram(benchmark::State &state, const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        state.SkipWithError("the program failed");
}

void BM_CatalogueCold(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(ApplicationCatalogue::storePath());
        QFile::remove(ApplicationCatalogue::storePath() + QStringLiteral("-wal"));
        QFile::remove(ApplicationCatalogue::storePath() + QStringLiteral("-shm"));
        state.ResumeTiming();
        runProgram(state, ServiceProgram, {QStringLiteral("--catalogue"), QStringLiteral("--journal"), QStringLiteral("/dev/null")});
    }
}

void BM_CatalogueWarm(benchmark::State &state)
{
    for (auto _ : state)
        runProgram(state, ServiceProgram, {QStringLiteral("--catalogue"), QStringLiteral("--journal"), QStringLiteral("/dev/null")});
}

void BM_GioCatalogue(benchmark::State &state)
{
    for (auto _ : state)
        runProgram(state, PeerProgram, {});
}

void BM_Search(benchmark::State &state)
{
    LauncherIndex index;
    index.setApplications(ApplicationScanner::scan(ApplicationScanner::options()));
    const QStringList typed = keystrokes();
    qsizetype i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(index.search(typed.at(i++ % typed.size())));
    }
}

void BM_GioSearch(benchmark::State &state)
{
    const QStringList typed = keystrokes();
    const auto search = [](const QString &query) {
        gchar ***results = g_desktop_app_info_search(query.toUtf8().constData());
        int found = 0;
        for (gchar ***group = results; *group; ++group) {
            found += int(g_strv_length(*group));
            g_strfreev(*group);
        }
        g_free(results);
        return found;
    };
    search(QStringLiteral("warm"));   // GLib builds its index on first use
    qsizetype i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(search(typed.at(i++ % typed.size())));
}

void printRatios(const corvane::bench::BenchmarkTimes &times)
{
    if (const auto r = times.ratio("BM_CatalogueCold", "BM_GioCatalogue"))
        std::printf("ratio catalogue cold / GIO: %.2fx\n", r->value());
    if (const auto r = times.ratio("BM_CatalogueWarm", "BM_GioCatalogue"))
        std::printf("ratio catalogue warm / GIO: %.2fx\n", r->value());
    if (const auto r = times.ratio("BM_Search", "BM_GioSearch"))
        std::printf("ratio search per keystroke / GIO: %.2fx (%.3f ms, %.3f of the 5 ms budget)\n", r->value(),
                    r->numerator / 1e6, r->numerator / 1e9 / KeystrokeBudgetSeconds);
}

} // namespace

BENCHMARK(BM_CatalogueCold)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CatalogueWarm)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GioCatalogue)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Search);
BENCHMARK(BM_GioSearch);

int main(int argc, char **argv)
{
    // Never the user's own folders: every XDG folder and the home are throw-away.
    QTemporaryDir root;
    corvane::bench::useThrowAwayFolders(root.path());
    QDir().mkpath(QFileInfo(ApplicationCatalogue::storePath()).absolutePath());
    QCoreApplication app(argc, argv);
    if (!corvane::bench::writeGeneratedEntries(root.path() + QStringLiteral("/usr-share/applications"),
                                               root.path() + QStringLiteral("/bin"), Entries)) {
        std::fprintf(stderr, "cannot write the desktop entries\n");
        return 1;
    }
    // Both sides must offer the same applications, or the comparison means nothing.
    QProcess peer;
    peer.start(PeerProgram, {});
    peer.waitForFinished(60000);
    std::printf("applications offered: %lld here, %s by GIO\n",
                static_cast<long long>(ApplicationScanner::scan(ApplicationScanner::options()).size()),
                peer.readAllStandardOutput().trimmed().constData());
    return corvane::bench::runBenchmarks(argc, argv, corvane::bench::Clock::AsMeasured, printRatios);
}
