// vCard parsing, side by side on the same files: our tokenizer alone, the full
// card tree (VLvParser, from UTF-8 bytes), a memchr scan of the same bytes for
// line ends (the ceiling for any byte-at-a-time tokenizer), and KContacts'
// parser (run as a separate Qt 5 process, see kcontacts/KContactsPeer.cpp).
// The files are the well-formed vCards of the shared corpus (INDEX.tsv).
// Prints the throughputs and their ratios after the table.

#include "BenchmarkTimes.h"
#include "CardParser.h"
#include "VLvParser.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

struct Corpus
{
    QStringList paths;
    std::vector<QByteArray> files;
    qint64 bytes = 0;
};

std::optional<QString> corpusDir()
{
    QString shared = qEnvironmentVariable("CORVANE_SHARED_DIR");
    if (shared.isEmpty())
        shared = QStringLiteral(CORVANE_DEFAULT_SHARED_DIR);
    const QString dir = shared + QStringLiteral("/corpus/vcard");
    if (!QFileInfo::exists(dir + QStringLiteral("/INDEX.tsv")))
        return std::nullopt;
    return dir;
}

// The vCard files of the index (KContacts reads vCards only), malformed ones left out.
Corpus loadCorpus(const QString &dir)
{
    Corpus corpus;
    QFile index(dir + QStringLiteral("/INDEX.tsv"));
    if (!index.open(QIODevice::ReadOnly))
        return corpus;
    const QList<QByteArray> lines = index.readAll().split('\n');
    for (const QByteArray &line : lines.mid(1)) {
        const QList<QByteArray> columns = line.split('\t');
        if (columns.size() < 5 || !columns[1].startsWith("vcard") || columns[4].contains("malformed"))
            continue;
        QFile file(dir + u'/' + QString::fromUtf8(columns[0]));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        corpus.paths.append(file.fileName());
        corpus.files.push_back(file.readAll());
        corpus.bytes += corpus.files.back().size();
    }
    return corpus;
}

struct Counts
{
    qint64 properties = 0;
    qint64 valueBytes = 0;
};

void countProperty(void *userData, const char *, const char **)
{
    ++static_cast<Counts *>(userData)->properties;
}

void countData(void *userData, const char *, int length)
{
    static_cast<Counts *>(userData)->valueBytes += length;
}

void tokenizer(benchmark::State &state, const Corpus &corpus)
{
    Counts counts;
    for (auto _ : state) {
        // A record per text, as a client holds it (a failed text leaves its record spent).
        for (const QByteArray &file : corpus.files) {
            CARD_Parser parser = CARD_ParserCreate();
            CARD_SetUserData(parser, &counts);
            CARD_SetPropHandler(parser, &countProperty);
            CARD_SetDataHandler(parser, &countData);
            CARD_Parse(parser, file.constData(), static_cast<std::size_t>(file.size()), 1);
            CARD_ParserFree(parser);
        }
    }
    benchmark::DoNotOptimize(counts);
    state.SetBytesProcessed(state.iterations() * corpus.bytes);
    state.counters["properties"] = static_cast<double>(counts.properties) / static_cast<double>(state.iterations());
}

void cardTree(benchmark::State &state, const Corpus &corpus)
{
    VLvParser parser;
    qint64 cards = 0;
    for (auto _ : state) {
        for (const QByteArray &file : corpus.files) {
            parser.parseString(QString::fromUtf8(file));
            cards += parser.cards().size();
        }
    }
    benchmark::DoNotOptimize(cards);
    state.SetBytesProcessed(state.iterations() * corpus.bytes);
    state.counters["cards"] = static_cast<double>(cards) / static_cast<double>(state.iterations());
}

void memchrScan(benchmark::State &state, const Corpus &corpus)
{
    qint64 lines = 0;
    for (auto _ : state) {
        for (const QByteArray &file : corpus.files) {
            const char *p = file.constData();
            const char *end = p + file.size();
            while ((p = static_cast<const char *>(std::memchr(p, '\n', static_cast<std::size_t>(end - p))))) {
                ++lines;
                ++p;
            }
        }
    }
    benchmark::DoNotOptimize(lines);
    state.SetBytesProcessed(state.iterations() * corpus.bytes);
}

// KContacts' throughput in bytes per second, from the peer's JSON report; none
// when the peer was not built or did not run.
std::optional<double> runKContactsPeer(const Corpus &corpus)
{
#ifdef CORVANE_KCONTACTS_PEER
    QProcess peer;
    peer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    peer.start(QStringLiteral(CORVANE_KCONTACTS_PEER), QStringList{QStringLiteral("--benchmark_format=json")} + corpus.paths);
    if (!peer.waitForFinished(600000) || peer.exitStatus() != QProcess::NormalExit || peer.exitCode() != 0) {
        std::printf("KContacts peer failed: %s\n", qPrintable(peer.errorString()));
        return std::nullopt;
    }
    const QJsonArray runs = QJsonDocument::fromJson(peer.readAllStandardOutput()).object().value(u"benchmarks").toArray();
    for (const QJsonValue &run : runs) {
        const QJsonObject object = run.toObject();
        if (object.value(u"name").toString() == u"KContacts/parseVCards")
            return object.value(u"bytes_per_second").toDouble();
    }
    std::printf("KContacts peer gave no result\n");
    return std::nullopt;
#else
    Q_UNUSED(corpus);
    std::printf("KContacts peer not built (libkf5contacts-dev missing)\n");
    return std::nullopt;
#endif
}

// The throughputs, from the CPU time of each benchmark (CPU time, as the rates
// benchmark prints and the peer reports are), and their ratios.
void printRatios(const Corpus &corpus, const corvane::bench::BenchmarkTimes &times)
{
    const auto megabytesPerSecond = [&](const char *name) -> std::optional<double> {
        const double seconds = times.time(name).value_or(0) / 1e9; // the unit is ns
        if (seconds <= 0)
            return std::nullopt;
        return static_cast<double>(corpus.bytes) / seconds / 1e6;
    };
    const auto tokenizerSpeed = megabytesPerSecond("vCard/tokenizer");
    const auto treeSpeed = megabytesPerSecond("vCard/cardTree");
    const auto memchrSpeed = megabytesPerSecond("vCard/memchrScan");
    std::optional<double> kcontactsSpeed;
    if (const auto bytesPerSecond = runKContactsPeer(corpus))
        kcontactsSpeed = *bytesPerSecond / 1e6;

    const auto show = [](const char *label, std::optional<double> speed) {
        if (speed)
            std::printf("%-28s %10.1f MB/s\n", label, *speed);
    };
    show("tokenizer", tokenizerSpeed);
    show("card tree (VLvParser)", treeSpeed);
    show("memchr scan (ceiling)", memchrSpeed);
    show("KContacts parseVCards", kcontactsSpeed);
    // Speeds over speeds: above 1 is faster than the peer.
    if (tokenizerSpeed && kcontactsSpeed)
        std::printf("ratio tokenizer / KContacts, speed: %.1fx\n", *tokenizerSpeed / *kcontactsSpeed);
    if (treeSpeed && kcontactsSpeed)
        std::printf("ratio card tree / KContacts, speed: %.1fx\n", *treeSpeed / *kcontactsSpeed);
    if (tokenizerSpeed && memchrSpeed)
        std::printf("ratio tokenizer / memchr, speed: %.4fx\n", *tokenizerSpeed / *memchrSpeed);
    if (tokenizerSpeed)
        std::printf("ratio tokenizer / 1 GB/s, speed: %.2fx\n", *tokenizerSpeed / 1000);
}

} // namespace

int main(int argc, char **argv)
{
    // The tokenizer's ratio to a memchr scan moves by a few percent from one run
    // to the next, and on a shared machine one run in three can come out a fifth
    // slower for the tokenizer alone (branchy scalar work suffers where a vector
    // scan does not): each benchmark runs five times in random turn with the others.
    corvane::bench::RepeatedRunsArguments arguments(argc, argv, 5);
    QCoreApplication app(arguments.argc(), arguments.argv());

    const auto dir = corpusDir();
    if (!dir) {
        std::printf("shared corpus 'vcard' is absent (a clone on its own): vCard benchmarks skipped\n");
        return 0;
    }
    const Corpus corpus = loadCorpus(*dir);
    std::printf("corpus: %zu vCard files, %lld bytes\n", corpus.files.size(), static_cast<long long>(corpus.bytes));

    benchmark::RegisterBenchmark("vCard/tokenizer", tokenizer, corpus);
    benchmark::RegisterBenchmark("vCard/cardTree", cardTree, corpus);
    benchmark::RegisterBenchmark("vCard/memchrScan", memchrScan, corpus);
    return corvane::bench::runBenchmarks(arguments.argc(), arguments.argv(), corvane::bench::Clock::Cpu,
                                         [&](const corvane::bench::BenchmarkTimes &times) { printRatios(corpus, times); });
}
