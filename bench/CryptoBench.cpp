// Encrypted files beside the openssl command on the same bytes. 10 MB written encrypted
// (key derivation, AES-128-CBC, the file) and read back decrypted, against `openssl enc`
// with the key already given, one process per run, encrypting file to file and decrypting
// to /dev/null. And one small dictionary written and read per call, against the same
// dictionary as a plain XML property-list file: what the encryption adds to a call. Wall
// time, since the peer's work is another process's.

#include "BenchmarkTimes.h"
#include "Cdsa.h"
#include "DataEncrypted.h"
#include "DictionaryEncrypted.h"
#include "platform/plist/PropertyList.h"

#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>

#include <cstdio>
#include <spawn.h>
#include <sys/wait.h>

extern char **environ;

namespace {

constexpr char Password[] = "a bench password";
constexpr qsizetype Size = 10 * 1024 * 1024;

struct Files
{
    QTemporaryDir dir;
    QString plain = dir.filePath(QStringLiteral("plain"));
    QString encrypted = dir.filePath(QStringLiteral("encrypted"));
    QString byPeer = dir.filePath(QStringLiteral("by-openssl"));
    QString small = dir.filePath(QStringLiteral("small"));
    QByteArray data = bytes();
    QByteArray keyHex;

    Files()
    {
        QFile file(plain);
        if (file.open(QIODevice::WriteOnly))
            file.write(data);
        vl::writeToFileEncrypted(data, encrypted, false, Password);
        CSSM_CSP_HANDLE module;
        CSSM_KEY key;
        if (cdsaCspAttach(module) == CSSM_OK && cdsaDeriveKey(module, Password, CSSM_ALGID_AES, 128, key) == CSSM_OK)
            keyHex = key.data.toHex();
        cdsaCspDetach(module);
    }

    static QByteArray bytes()
    {
        QByteArray data(Size, Qt::Uninitialized);
        quint32 x = 2463534242u; // xorshift: varied bytes, the same each run
        for (char &c : data) {
            x ^= x << 13, x ^= x >> 17, x ^= x << 5;
            c = char(x);
        }
        return data;
    }
};

const Files &files()
{
    static const Files f;
    return f;
}

QVariantMap smallDictionary()
{
    QVariantMap dictionary;
    for (int i = 0; i < 10; ++i)
        dictionary.insert(QStringLiteral("key %1").arg(i), QStringLiteral("a value of some length, number %1").arg(i));
    return dictionary;
}

// Runs openssl enc to the end; false when it cannot be started or fails.
bool opensslEnc(bool decrypt, const QString &in, const QString &out)
{
    const QByteArray iv = QByteArray(reinterpret_cast<const char *>(CdsaInitVector.data()), CdsaInitVector.size()).toHex();
    const QByteArray input = QFile::encodeName(in), output = QFile::encodeName(out);
    std::vector<const char *> args{"openssl", "enc", "-aes-128-cbc", "-K", files().keyHex.constData(), "-iv", iv.constData(),
                                   "-nosalt", "-in", input.constData(), "-out", output.constData()};
    if (decrypt)
        args.insert(args.begin() + 2, "-d");
    args.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, args[0], nullptr, nullptr, const_cast<char **>(args.data()), environ) != 0)
        return false;
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void BM_writeEncrypted(benchmark::State &state)
{
    for (auto _ : state)
        if (!vl::writeToFileEncrypted(files().data, files().encrypted, false, Password))
            state.SkipWithError("writing failed");
    state.SetBytesProcessed(int64_t(state.iterations()) * Size);
}

// The cipher alone, without the file: what the file system adds to the rows above.
void BM_encryptInMemory(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(vl::encrypt(files().data, Password));
    state.SetBytesProcessed(int64_t(state.iterations()) * Size);
}

void BM_opensslEncrypt(benchmark::State &state)
{
    for (auto _ : state)
        if (!opensslEnc(false, files().plain, files().byPeer))
            state.SkipWithError("openssl enc cannot be run");
    state.SetBytesProcessed(int64_t(state.iterations()) * Size);
}

void BM_readEncrypted(benchmark::State &state)
{
    for (auto _ : state) {
        auto data = vl::dataWithContentsOfEncryptedFile(files().encrypted, Password);
        if (!data || data->size() != Size)
            state.SkipWithError("reading failed");
        benchmark::DoNotOptimize(data);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * Size);
}

void BM_opensslDecrypt(benchmark::State &state)
{
    for (auto _ : state)
        if (!opensslEnc(true, files().encrypted, QStringLiteral("/dev/null")))
            state.SkipWithError("openssl enc cannot be run");
    state.SetBytesProcessed(int64_t(state.iterations()) * Size);
}

void BM_writeSmallDictionary(benchmark::State &state)
{
    const QVariantMap dictionary = smallDictionary();
    for (auto _ : state)
        vl::writeToFileEncrypted(dictionary, files().small, true, Password);
}

void BM_writePlainDictionary(benchmark::State &state)
{
    const QVariantMap dictionary = smallDictionary();
    for (auto _ : state) {
        QSaveFile file(files().small + QStringLiteral(".plist"));
        file.open(QIODevice::WriteOnly);
        file.write(platform::writePropertyList(dictionary, platform::PropertyListFormat::Xml).bytes);
        file.commit();
    }
}

void BM_readSmallDictionary(benchmark::State &state)
{
    vl::writeToFileEncrypted(smallDictionary(), files().small, true, Password);
    for (auto _ : state)
        benchmark::DoNotOptimize(vl::dictionaryWithContentsOfEncryptedFile(files().small, Password));
}

void BM_readPlainDictionary(benchmark::State &state)
{
    for (auto _ : state) {
        QFile file(files().small + QStringLiteral(".plist"));
        file.open(QIODevice::ReadOnly);
        benchmark::DoNotOptimize(platform::readPropertyList(file.readAll()));
    }
}

BENCHMARK(BM_writeEncrypted)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_encryptInMemory)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_opensslEncrypt)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_readEncrypted)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_opensslDecrypt)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_writeSmallDictionary)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_writePlainDictionary)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_readSmallDictionary)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_readPlainDictionary)->Unit(benchmark::kMicrosecond)->UseRealTime();

void printRatios(const corvane::bench::BenchmarkTimes &times)
{
    for (const char *op : {"Encrypt", "Decrypt"}) {
        const std::string ours = op == std::string("Encrypt") ? "BM_writeEncrypted" : "BM_readEncrypted";
        if (const auto ratio = times.ratio("BM_openssl" + std::string(op), ours))
            std::printf("ratio %s 10 MB, throughput against openssl enc: %.2fx (%.1f ms vs %.1f ms; aim >= 0.8x)\n", op,
                        ratio->value(), ratio->denominator, ratio->numerator);
    }
    for (const char *op : {"write", "read"}) {
        if (const auto ratio = times.ratio("BM_" + std::string(op) + "SmallDictionary", "BM_" + std::string(op) + "PlainDictionary"))
            std::printf("small dictionary %s: %.0f us per call, %.1fx a plain XML property-list file\n", op, ratio->numerator,
                        ratio->value());
    }
}

} // namespace

int main(int argc, char **argv)
{
    files(); // made before any timing
    return corvane::bench::runBenchmarks(argc, argv, corvane::bench::Clock::Real, printRatios);
}
