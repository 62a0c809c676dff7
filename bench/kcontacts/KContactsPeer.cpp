// The peer of the vCard benchmark: KContacts' vCard parser, measured on the
// files named on the command line. KContacts is built on Qt 5, which cannot
// share a process with our Qt 6 code, so bench_vcard starts this program and
// reads its JSON report (--benchmark_format=json).
//
// Usage: vcard_kcontacts_peer [benchmark flags] FILE...

#include <KContacts/VCardConverter>

#include <QCoreApplication>
#include <QFile>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    QCoreApplication app(argc, argv);

    std::vector<QByteArray> files;
    qint64 bytes = 0;
    for (int i = 1; i < argc; ++i) {
        QFile file(QString::fromLocal8Bit(argv[i]));
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", argv[i]);
            return 1;
        }
        files.push_back(file.readAll());
        bytes += files.back().size();
    }

    // Parsing and building the contacts: KContacts has no separate tokenizer API.
    benchmark::RegisterBenchmark("KContacts/parseVCards", [&](benchmark::State &state) {
        const KContacts::VCardConverter converter;
        qint64 contacts = 0;
        for (auto _ : state) {
            for (const QByteArray &data : files) {
                const KContacts::Addressee::List list = converter.parseVCards(data);
                contacts += list.size();
            }
        }
        benchmark::DoNotOptimize(contacts);
        state.SetBytesProcessed(state.iterations() * bytes);
        state.counters["contacts"] = static_cast<double>(contacts) / static_cast<double>(state.iterations());
    });
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
