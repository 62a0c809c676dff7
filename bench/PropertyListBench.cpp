// Property-list parse and write of a dictionary of about 1 MB (as XML), each beside
// libplist's own C API on the same bytes. The bridge reads straight into Qt values with
// readers of its own, and writes by converting Qt values to libplist's tree, which libplist
// encodes. Its peer does what a C program does with libplist for the same result:
// parse and read every value; build the tree from its own data and encode it. The ratios
// are printed at the end, also against libplist's bare parse or encode ("core"), and in
// CPU time, since the machines that run this are shared.

#include "BenchmarkTimes.h"
#include "platform/plist/PropertyList.h"

#include <QDateTime>
#include <QVariantMap>

#include <plist/plist.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using platform::PropertyListFormat;

namespace {

// Shaped like a large preferences domain: many records, each with every kind of value.
QVariantMap sampleDictionary()
{
    QVariantMap root;
    const QDateTime base(QDate(2009, 8, 28), QTime(12, 0), Qt::UTC);
    for (int i = 0; i < 2200; ++i) {
        QVariantList tags;
        for (int t = 0; t < 4; ++t)
            tags.append(QStringLiteral("tag-%1-%2").arg(i).arg(t));
        root.insert(QStringLiteral("com.velora.record.%1").arg(i, 5, 10, QLatin1Char('0')),
                    QVariantMap{
                        {QStringLiteral("name"), QStringLiteral("Application number %1 — Ünïcode").arg(i)},
                        {QStringLiteral("path"), QStringLiteral("/Applications/Utilities/App %1.app").arg(i)},
                        {QStringLiteral("launchCount"), qint64(i) * 37},
                        {QStringLiteral("offset"), qint64(-i) * 1000003},
                        {QStringLiteral("score"), i / 7.0},
                        {QStringLiteral("excluded"), i % 3 == 0},
                        {QStringLiteral("lastLaunched"), base.addSecs(qint64(i) * 3607)},
                        {QStringLiteral("bookmark"), QByteArray(48, char(i))},
                        {QStringLiteral("tags"), tags},
                    });
    }
    return root;
}

struct Sample
{
    QVariantMap value = sampleDictionary();
    QByteArray xml = platform::writePropertyList(value, PropertyListFormat::Xml).bytes;
    QByteArray binary = platform::writePropertyList(value, PropertyListFormat::Binary).bytes;
};

const Sample &sample()
{
    static const Sample s;
    return s;
}

plist_t libplistTree(const QByteArray &bytes)
{
    plist_t root = nullptr;
    plist_from_memory(bytes.constData(), uint32_t(bytes.size()), &root);
    return root;
}

// Reads every value of a tree through the C API, as a consumer of the parse would.
void readEveryValue(plist_t node, uint64_t &sink)
{
    switch (plist_get_node_type(node)) {
    case PLIST_DICT: {
        plist_dict_iter it = nullptr;
        plist_dict_new_iter(node, &it);
        for (;;) {
            char *key = nullptr;
            plist_t item = nullptr;
            plist_dict_next_item(node, it, &key, &item);
            if (!item)
                break;
            sink += std::strlen(key);
            std::free(key);
            readEveryValue(item, sink);
        }
        std::free(it);
        break;
    }
    case PLIST_ARRAY:
        for (uint32_t i = 0, n = plist_array_get_size(node); i < n; ++i)
            readEveryValue(plist_array_get_item(node, i), sink);
        break;
    case PLIST_STRING: {
        uint64_t length = 0;
        plist_get_string_ptr(node, &length);
        sink += length;
        break;
    }
    case PLIST_DATA: {
        uint64_t length = 0;
        plist_get_data_ptr(node, &length);
        sink += length;
        break;
    }
    case PLIST_UINT: {
        uint64_t value = 0;
        plist_get_uint_val(node, &value);
        sink += value;
        break;
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        sink += uint64_t(value);
        break;
    }
    case PLIST_DATE: {
        int32_t seconds = 0, microseconds = 0;
        plist_get_date_val(node, &seconds, &microseconds);
        sink += uint64_t(seconds);
        break;
    }
    default:
        sink += plist_bool_val_is_true(node);
    }
}

// The sample as a C program would hold it, with its tree built through the C API.
struct CRecord
{
    std::string key, name, path, bookmark;
    int64_t launchCount, offset;
    double score;
    bool excluded;
    int32_t lastLaunched;
    std::vector<std::string> tags;
};

std::vector<CRecord> cRecords()
{
    std::vector<CRecord> records;
    const QVariantMap &root = sample().value;
    for (auto it = root.cbegin(); it != root.cend(); ++it) {
        const QVariantMap r = it.value().toMap();
        CRecord c{it.key().toStdString(),
                  r.value(QStringLiteral("name")).toString().toStdString(),
                  r.value(QStringLiteral("path")).toString().toStdString(),
                  r.value(QStringLiteral("bookmark")).toByteArray().toStdString(),
                  r.value(QStringLiteral("launchCount")).toLongLong(),
                  r.value(QStringLiteral("offset")).toLongLong(),
                  r.value(QStringLiteral("score")).toDouble(),
                  r.value(QStringLiteral("excluded")).toBool(),
                  int32_t(r.value(QStringLiteral("lastLaunched")).toDateTime().toSecsSinceEpoch() - 978307200),
                  {}};
        for (const QVariant &tag : r.value(QStringLiteral("tags")).toList())
            c.tags.push_back(tag.toString().toStdString());
        records.push_back(std::move(c));
    }
    return records;
}

plist_t buildTree(const std::vector<CRecord> &records)
{
    plist_t root = plist_new_dict();
    for (const CRecord &c : records) {
        plist_t r = plist_new_dict();
        plist_t tags = plist_new_array();
        for (const std::string &tag : c.tags)
            plist_array_append_item(tags, plist_new_string(tag.c_str()));
        plist_dict_set_item(r, "bookmark", plist_new_data(c.bookmark.data(), c.bookmark.size()));
        plist_dict_set_item(r, "excluded", plist_new_bool(c.excluded));
        plist_dict_set_item(r, "lastLaunched", plist_new_date(c.lastLaunched, 0));
        plist_dict_set_item(r, "launchCount", plist_new_uint(uint64_t(c.launchCount)));
        plist_dict_set_item(r, "name", plist_new_string(c.name.c_str()));
        plist_dict_set_item(r, "offset", plist_new_uint(uint64_t(c.offset)));
        plist_dict_set_item(r, "path", plist_new_string(c.path.c_str()));
        plist_dict_set_item(r, "score", plist_new_real(c.score));
        plist_dict_set_item(r, "tags", tags);
        plist_dict_set_item(root, c.key.c_str(), r);
    }
    return root;
}

const QByteArray &bytesOf(PropertyListFormat format)
{
    return format == PropertyListFormat::Xml ? sample().xml : sample().binary;
}

void bridgeParse(benchmark::State &state, PropertyListFormat format)
{
    const QByteArray &bytes = bytesOf(format);
    for (auto _ : state) {
        auto result = platform::readPropertyList(bytes);
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes.size());
}

void libplistParse(benchmark::State &state, PropertyListFormat format)
{
    const QByteArray &bytes = bytesOf(format);
    for (auto _ : state) {
        plist_t root = libplistTree(bytes);
        uint64_t sink = 0;
        readEveryValue(root, sink);
        benchmark::DoNotOptimize(sink);
        plist_free(root);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes.size());
}

void coreParse(benchmark::State &state, PropertyListFormat format)
{
    const QByteArray &bytes = bytesOf(format);
    for (auto _ : state) {
        plist_t root = libplistTree(bytes);
        benchmark::DoNotOptimize(root);
        plist_free(root);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes.size());
}

void bridgeWrite(benchmark::State &state, PropertyListFormat format)
{
    for (auto _ : state) {
        auto result = platform::writePropertyList(sample().value, format);
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * bytesOf(format).size());
}

void encode(plist_t root, PropertyListFormat format)
{
    char *out = nullptr;
    uint32_t length = 0;
    if (format == PropertyListFormat::Xml) {
        plist_to_xml(root, &out, &length);
        benchmark::DoNotOptimize(out);
        plist_to_xml_free(out);
    } else {
        plist_to_bin(root, &out, &length);
        benchmark::DoNotOptimize(out);
        plist_to_bin_free(out);
    }
}

void libplistWrite(benchmark::State &state, PropertyListFormat format)
{
    const std::vector<CRecord> records = cRecords();
    for (auto _ : state) {
        plist_t root = buildTree(records);
        encode(root, format);
        plist_free(root);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * bytesOf(format).size());
}

void coreWrite(benchmark::State &state, PropertyListFormat format)
{
    plist_t root = libplistTree(bytesOf(format));
    for (auto _ : state)
        encode(root, format);
    plist_free(root);
    state.SetBytesProcessed(int64_t(state.iterations()) * bytesOf(format).size());
}

BENCHMARK_CAPTURE(bridgeParse, xml, PropertyListFormat::Xml)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(libplistParse, xml, PropertyListFormat::Xml)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(coreParse, xml, PropertyListFormat::Xml)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(bridgeParse, binary, PropertyListFormat::Binary)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(libplistParse, binary, PropertyListFormat::Binary)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(coreParse, binary, PropertyListFormat::Binary)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(bridgeWrite, xml, PropertyListFormat::Xml)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(libplistWrite, xml, PropertyListFormat::Xml)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(coreWrite, xml, PropertyListFormat::Xml)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(bridgeWrite, binary, PropertyListFormat::Binary)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(libplistWrite, binary, PropertyListFormat::Binary)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(coreWrite, binary, PropertyListFormat::Binary)->Unit(benchmark::kMillisecond);

// Sets the bridge's time against libplist's.
void printRatios(const corvane::bench::BenchmarkTimes &times)
{
    for (const char *op : {"Parse", "Write"}) {
        for (const char *format : {"xml", "binary"}) {
            const std::string suffix = std::string(op) + '/' + format;
            const auto peer = times.ratio("bridge" + suffix, "libplist" + suffix);
            const auto core = times.ratio("bridge" + suffix, "core" + suffix);
            if (peer)
                std::printf("ratio %s %s, bridge / libplist: %.2fx (CPU time)\n", op, format, peer->value());
            if (core)
                std::printf("ratio %s %s, bridge / libplist core alone: %.2fx (CPU time)\n", op, format, core->value());
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    std::printf("sample: %lld bytes as XML, %lld as binary\n", static_cast<long long>(sample().xml.size()),
                static_cast<long long>(sample().binary.size()));
    return corvane::bench::runBenchmarks(argc, argv, corvane::bench::Clock::Cpu, printRatios);
}
