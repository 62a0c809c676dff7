// Opening the pane with a large catalogue: constructing the pane, loading its
// view (mainViewDidLoad builds the store stack and the excluded list's first
// fetch) and the first willSelect, over a store of 5,000 applications of which
// 500 are excluded. Beside it, the floor: the same rows read with one plain
// SQLite query. The pane aims for under 50 ms; the ratio to that budget and to the
// floor are printed as counters.

#include "CorvanePrefPane.h"

#include "platform/ui/ArrayController.h"
#include "BenchmarkTimes.h"
#include "platform/store/ManagedObjectContext.h"
#include "platform/store/PersistentStoreCoordinator.h"

#include <QApplication>
#include <QDir>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUrl>

namespace {

constexpr int Applications = 5000;
constexpr int Excluded = 500;
constexpr double BudgetSeconds = 0.050;
const QString PaneBundle = QStringLiteral(CORVANE_PANE_BUNDLE);

QString storePath()
{
    return qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Velora/Corvane/Corvane.db");
}

bool catalogue()
{
    QDir().mkpath(QFileInfo(storePath()).absolutePath());
    auto model = platform::ManagedObjectModel::fromFile(PaneBundle + QStringLiteral("/Resources/Corvane.model.json"));
    if (!model)
        return false;
    auto coordinator = std::make_shared<platform::PersistentStoreCoordinator>(*model);
    if (!coordinator->addSQLiteStore(storePath()))
        return false;
    platform::ManagedObjectContext context(coordinator);
    for (int i = 0; i < Applications; ++i) {
        auto app = context.insertNewObject(QStringLiteral("Application"));
        // Names out of order, so that the sort has work to do.
        const QString name = QStringLiteral("App %1").arg((i * 7919) % Applications, 5, 10, QLatin1Char('0'));
        app->setValue(QStringLiteral("name"), name);
        app->setValue(QStringLiteral("URL"), QUrl::fromLocalFile(QStringLiteral("/usr/share/applications/") + name + QStringLiteral(".desktop")).toString());
        app->setValue(QStringLiteral("excluded"), i % (Applications / Excluded) == 0);
    }
    return context.save();
}

void BM_OpenPane(benchmark::State &state)
{
    const auto bundle = platform::Bundle::bundleWithPath(PaneBundle);
    for (auto _ : state) {
        auto pane = std::make_unique<CorvanePrefPane>(*bundle);
        pane->loadMainView();
        pane->willSelect();
        state.PauseTiming();   // checking and tearing down are not part of opening
        if (pane->excludedApplications()->rowCount() != Excluded)
            state.SkipWithError("the excluded list is not complete");
        pane.reset();
        state.ResumeTiming();
    }
}

void BM_PlainQuery(benchmark::State &state)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("floor"));
    db.setDatabaseName(storePath());
    db.open();
    for (auto _ : state) {
        QSqlQuery query(db);
        query.exec(QStringLiteral("SELECT Z_PK, ZNAME, ZURL, ZEXCLUDED, Z_OPT FROM ZAPPLICATION WHERE ZEXCLUDED = 1 ORDER BY ZNAME"));
        int rows = 0;
        while (query.next())
            ++rows;
        benchmark::DoNotOptimize(rows);
    }
}

void printRatios(const corvane::bench::BenchmarkTimes &times)
{
    if (const auto ratio = times.ratio("BM_OpenPane", "BM_PlainQuery")) {
        const double seconds = ratio->numerator / 1e9; // the unit is ns
        std::printf("ratio open pane / plain query: %.1fx (%.2f ms, %.2f of the 50 ms budget)\n", ratio->value(),
                    seconds * 1e3, seconds / BudgetSeconds);
    }
}

} // namespace

BENCHMARK(BM_PlainQuery);
BENCHMARK(BM_OpenPane)->Iterations(20);

int main(int argc, char **argv)
{
    // Never the user's own files: the store lives in a throw-away data folder.
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toUtf8());
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (!catalogue()) {
        std::fprintf(stderr, "cannot write the catalogue\n");
        return 1;
    }
    return corvane::bench::runBenchmarks(argc, argv, corvane::bench::Clock::Real, printRatios);
}
