// VLTrie against a sorted std::vector<QString> over 200,000 words: building the
// whole collection (the vector sorts once), adding words to a full one, and
// listing prefixes with the same case-insensitive sort of every result.

#include "PeerComparison.h"
#include "VLTrie.h"

#include <QFile>
#include <QStringList>

#include <algorithm>
#include <random>
#include <set>

namespace {

// The machine's word list when it has one, else a generated list of 200,000
// pronounceable words (shared prefixes like a dictionary's), some capitalised.
QStringList words()
{
    static const QStringList list = [] {
        QStringList result;
        QFile dict(QStringLiteral("/usr/share/dict/words"));
        if (dict.open(QIODevice::ReadOnly | QIODevice::Text)) {
            while (!dict.atEnd() && result.size() < 200'000) {
                const QString w = QString::fromUtf8(dict.readLine()).trimmed();
                if (!w.isEmpty())
                    result << w;
            }
        }
        if (result.size() < 200'000) {
            result.clear();
            static const char *const onsets[] = {"b", "c", "d", "f", "g", "h", "l", "m", "n", "p", "r", "s", "t", "v", "st", "tr", "ch", "br"};
            static const char *const nuclei[] = {"a", "e", "i", "o", "u", "ea", "ou"};
            static const char *const codas[] = {"", "", "n", "r", "s", "t", "ng", "ck"};
            std::mt19937 random(42);
            std::set<QString> seen;
            while (result.size() < 200'000) {
                QString w;
                for (int n = 1 + int(random() % 4); n > 0; --n)
                    w += QLatin1String(onsets[random() % std::size(onsets)]) + QLatin1String(nuclei[random() % std::size(nuclei)])
                         + QLatin1String(codas[random() % std::size(codas)]);
                if (random() % 7 == 0)
                    w[0] = w[0].toUpper();
                if (seen.insert(w).second)
                    result << w;
            }
        }
        std::shuffle(result.begin(), result.end(), std::mt19937(7));
        return result;
    }();
    return list;
}

// 1,000 prefixes of `length` characters taken from the words.
QStringList prefixes(qsizetype length)
{
    QStringList result;
    const QStringList &all = words();
    for (qsizetype i = 0; i < all.size(); i += 200)
        result << all[i].left(length);
    return result;
}

void caseInsensitiveSort(QStringList &strings)
{
    std::stable_sort(strings.begin(), strings.end(),
                     [](const QString &a, const QString &b) { return QString::compare(a, b, Qt::CaseInsensitive) < 0; });
}

std::vector<QString> sortedVector()
{
    const QStringList &all = words();
    std::vector<QString> v(all.begin(), all.end());
    std::sort(v.begin(), v.end());
    v.erase(std::unique(v.begin(), v.end()), v.end());
    return v;
}

QStringList vectorListing(const std::vector<QString> &v, const QString &prefix)
{
    QStringList found;
    for (auto it = std::lower_bound(v.begin(), v.end(), prefix); it != v.end() && it->startsWith(prefix); ++it)
        found << *it;
    caseInsensitiveSort(found);
    return found;
}

void trieInsert(benchmark::State &state)
{
    const QStringList &all = words();
    for (auto _ : state) {
        VLTrie trie;
        for (const QString &w : all)
            trie.addString(w);
        benchmark::DoNotOptimize(&trie);
    }
    state.counters["words"] = double(all.size());
}

void vectorInsert(benchmark::State &state)
{
    for (auto _ : state) {
        auto v = sortedVector();
        benchmark::DoNotOptimize(v.data());
    }
}

// Adding the last 10,000 words one by one to a collection of the first 190,000:
// the sorted vector keeps its order with lower_bound and insert.
constexpr qsizetype Added = 10'000;

void trieAdd(benchmark::State &state)
{
    const QStringList &all = words();
    for (auto _ : state) {
        state.PauseTiming();
        auto trie = std::make_unique<VLTrie>();
        for (qsizetype i = 0; i < all.size() - Added; ++i)
            trie->addString(all[i]);
        state.ResumeTiming();
        for (qsizetype i = all.size() - Added; i < all.size(); ++i)
            trie->addString(all[i]);
        state.PauseTiming();
        trie.reset();
        state.ResumeTiming();
    }
}

void vectorAdd(benchmark::State &state)
{
    const QStringList &all = words();
    std::vector<QString> initial(all.begin(), all.end() - Added);
    std::sort(initial.begin(), initial.end());
    for (auto _ : state) {
        state.PauseTiming();
        auto v = initial;
        state.ResumeTiming();
        for (qsizetype i = all.size() - Added; i < all.size(); ++i) {
            const auto at = std::lower_bound(v.begin(), v.end(), all[i]);
            if (at == v.end() || *at != all[i])
                v.insert(at, all[i]);
        }
        benchmark::DoNotOptimize(v.data());
    }
}

void trieListing(benchmark::State &state)
{
    VLTrie trie;
    for (const QString &w : words())
        trie.addString(w);
    const QStringList queries = prefixes(state.range(0));
    qsizetype found = 0;
    for (auto _ : state)
        for (const QString &p : queries)
            found += trie.findStringsWithPrefix(p).size();
    state.counters["results/query"] = double(found) / double(state.iterations() * queries.size());
}

void vectorListing(benchmark::State &state)
{
    const auto v = sortedVector();
    const QStringList queries = prefixes(state.range(0));
    qsizetype found = 0;
    for (auto _ : state)
        for (const QString &p : queries)
            found += vectorListing(v, p).size();
    state.counters["results/query"] = double(found) / double(state.iterations() * queries.size());
}

} // namespace

int main(int argc, char **argv)
{
    // The two must agree before their speed means anything.
    {
        VLTrie trie;
        for (const QString &w : words())
            trie.addString(w);
        const auto v = sortedVector();
        for (const QString &p : prefixes(2) + prefixes(4))
            if (trie.findStringsWithPrefix(p) != vectorListing(v, p)) {
                std::fprintf(stderr, "listings differ for prefix %s\n", qPrintable(p));
                return 1;
            }
    }
    benchmark::RegisterBenchmark("insert/VLTrie", trieInsert)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("insert/sorted_vector", vectorInsert)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("add_10000_to_190000/VLTrie", trieAdd)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("add_10000_to_190000/sorted_vector", vectorAdd)->Unit(benchmark::kMillisecond);
    // Two-character prefixes list thousands of words each; five-character ones
    // list a handful, as a completion list does.
    for (int length : {2, 5}) {
        const std::string suffix = "/" + std::to_string(length) + "_characters";
        benchmark::RegisterBenchmark(("prefix_listing/VLTrie" + suffix).c_str(), trieListing)->Arg(length)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("prefix_listing/sorted_vector" + suffix).c_str(), vectorListing)->Arg(length)->Unit(benchmark::kMillisecond);
    }
    return corvane::bench::runComparing(argc, argv,
                                        {{"insert/VLTrie", "insert/sorted_vector"},
                                         {"add_10000_to_190000/VLTrie", "add_10000_to_190000/sorted_vector"},
                                         {"prefix_listing/VLTrie/2_characters", "prefix_listing/sorted_vector/2_characters"},
                                         {"prefix_listing/VLTrie/5_characters", "prefix_listing/sorted_vector/5_characters"}});
}
