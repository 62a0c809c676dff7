// Sequential archives: encoding and decoding a small key-combination-like object
// as a typedstream, beside libplist's C API writing and reading an equivalent
// two-entry dictionary as a binary property list. Prints each ratio.

#include "ArchiveClassRegistry.h"
#include "Archiver.h"
#include "Unarchiver.h"

#include <benchmark/benchmark.h>
#include <plist/plist.h>

#include <cstdio>
#include <map>
#include <string>

using namespace platform;

namespace {

class BenchKeyCombo : public ArchivedObject
{
public:
    static constexpr ArchivedClass archivedClass{"KeyCombo", 0, &ArchivedClass::NSObject};
    BenchKeyCombo() = default;
    BenchKeyCombo(qint16 keyCode, qint32 modifiers) : keyCode(keyCode), modifiers(modifiers) {}
    const ArchivedClass &classForArchiver() const override { return archivedClass; }
    void encodeWithCoder(Archiver &coder) const override
    {
        coder.encodeValueOfObjCType("s", keyCode);
        coder.encodeValueOfObjCType("l", modifiers);
    }
    void initWithCoder(Unarchiver &coder) override
    {
        keyCode = qint16(coder.decodeValueOfObjCType("s").toLongLong());
        modifiers = qint32(coder.decodeValueOfObjCType("l").toLongLong());
    }
    qint16 keyCode = -1;
    qint32 modifiers = -1;
};

const ArchiveClassRegistry &registry()
{
    static ArchiveClassRegistry registry;
    static const bool filled = [] {
        registry.registerClass<BenchKeyCombo>();
        return true;
    }();
    (void)filled;
    return registry;
}

plist_t keyComboDictionary(uint64_t keyCode, uint64_t modifiers)
{
    plist_t dict = plist_new_dict();
    plist_dict_set_item(dict, "KeyCode", plist_new_uint(keyCode));
    plist_dict_set_item(dict, "Modifiers", plist_new_uint(modifiers));
    return dict;
}

void TypedStreamEncode(benchmark::State &state)
{
    const BenchKeyCombo combo(36, 256);
    for (auto _ : state) {
        QByteArray archive = Archiver::archivedDataWithRootObject(combo);
        benchmark::DoNotOptimize(archive.data());
    }
}

void PlistBinaryEncode(benchmark::State &state)
{
    for (auto _ : state) {
        plist_t dict = keyComboDictionary(36, 256);
        char *bytes = nullptr;
        uint32_t length = 0;
        plist_to_bin(dict, &bytes, &length);
        benchmark::DoNotOptimize(bytes);
        plist_to_bin_free(bytes);
        plist_free(dict);
    }
}

void TypedStreamDecode(benchmark::State &state)
{
    const QByteArray archive = Archiver::archivedDataWithRootObject(BenchKeyCombo(36, 256));
    for (auto _ : state) {
        const auto combo = Unarchiver::unarchiveObjectWithData<BenchKeyCombo>(archive, registry());
        benchmark::DoNotOptimize(combo.value()->keyCode + combo.value()->modifiers);
    }
}

void PlistBinaryDecode(benchmark::State &state)
{
    plist_t dict = keyComboDictionary(36, 256);
    char *bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(dict, &bytes, &length);
    plist_free(dict);
    for (auto _ : state) {
        plist_t root = nullptr;
        plist_from_bin(bytes, length, &root);
        uint64_t keyCode = 0, modifiers = 0;
        plist_get_uint_val(plist_dict_get_item(root, "KeyCode"), &keyCode);
        plist_get_uint_val(plist_dict_get_item(root, "Modifiers"), &modifiers);
        benchmark::DoNotOptimize(keyCode + modifiers);
        plist_free(root);
    }
    plist_to_bin_free(bytes);
}

BENCHMARK(TypedStreamEncode);
BENCHMARK(PlistBinaryEncode);
BENCHMARK(TypedStreamDecode);
BENCHMARK(PlistBinaryDecode);

/// Keeps each benchmark's time per iteration for the ratios printed at the end.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            if (run.run_type == Run::RT_Iteration)
                times[run.benchmark_name()] = run.GetAdjustedCPUTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void printRatio(const char *what, const std::string &ours, const std::string &peer) const
    {
        const auto mine = times.find(ours);
        const auto theirs = times.find(peer);
        if (mine != times.end() && theirs != times.end() && theirs->second > 0)
            std::printf("ratio %s: %.2fx (typedstream %.0f ns, libplist binary %.0f ns)\n", what,
                        mine->second / theirs->second, mine->second, theirs->second);
    }

    std::map<std::string, double> times;
};

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("encode", "TypedStreamEncode", "PlistBinaryEncode");
    reporter.printRatio("decode", "TypedStreamDecode", "PlistBinaryDecode");
    benchmark::Shutdown();
    return 0;
}
