// Sequential archives: encoding and decoding a small key-combination-like object
// as a typedstream, beside libplist's C API writing and reading an equivalent
// two-entry dictionary as a binary property list. Prints each ratio.

#include "platform/archive/ArchiveClassRegistry.h"
#include "platform/archive/Archiver.h"
#include "BenchmarkTimes.h"
#include "platform/archive/Unarchiver.h"

#include <plist/plist.h>

#include <cstdio>
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

void printRatio(const corvane::bench::BenchmarkTimes &times, const char *what, const std::string &ours,
                const std::string &peer)
{
    if (const auto ratio = times.ratio(ours, peer))
        std::printf("ratio %s: %.2fx (typedstream %.0f ns, libplist binary %.0f ns)\n", what, ratio->value(),
                    ratio->numerator, ratio->denominator);
}

} // namespace

int main(int argc, char **argv)
{
    using namespace corvane::bench;
    // libplist's decode moves by a fifth from one run to the next (its
    // allocations): each benchmark runs three times in random turn.
    RepeatedRunsArguments arguments(argc, argv, 3);
    return runBenchmarks(arguments.argc(), arguments.argv(), Clock::Cpu, [](const BenchmarkTimes &times) {
        printRatio(times, "encode", "TypedStreamEncode", "PlistBinaryEncode");
        printRatio(times, "decode", "TypedStreamDecode", "PlistBinaryDecode");
    });
}
