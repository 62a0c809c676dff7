// Resolving an alias after its target was moved within a tree of 100,000 files:
// the stored path fails, so the file number (inode) is searched for, from the
// last known folder outward, within the search's bound. Two moves: far (to the
// last folder of the last branch, which the breadth-first search reaches last)
// and near (to a sibling folder). Peers, for the same inode: an nftw(3) walk of
// the tree that stops at it, and `find <tree> -inum N -print -quit` as a child
// process; both walk depth-first from the tree's root in directory order. Each
// call starts from the record as it was before the move, so every one searches.

#include "BenchmarkTimes.h"
#include "PeerCommand.h"
#include "ZRAlias.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <fcntl.h>
#include <ftw.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int TopFolders = 100;
constexpr int SubFolders = 10;
constexpr int FilesPerFolder = 100; // 100 × 10 × 100 = 100,000 files

enum Move { Far = 0, Near = 1 };

struct Tree
{
    QTemporaryDir dir;
    QString root = dir.path() + QStringLiteral("/tree");
    QByteArray record[2];
    ino_t inode[2] = {};
    bool ready = false;

    Tree()
    {
        for (int top = 0; top < TopFolders; ++top) {
            for (int sub = 0; sub < SubFolders; ++sub) {
                const QByteArray folder = QFile::encodeName(QStringLiteral("%1/d%2/e%3").arg(root).arg(top).arg(sub));
                QDir().mkpath(QFile::decodeName(folder));
                for (int file = 0; file < FilesPerFolder; ++file) {
                    const QByteArray path = folder + "/f" + QByteArray::number(file);
                    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
                    if (fd < 0)
                        return;
                    ::close(fd);
                }
            }
        }
        ready = prepare(Far, QStringLiteral("/d0/e0/f0"),
                        QStringLiteral("/d%1/e%2/moved").arg(TopFolders - 1).arg(SubFolders - 1))
                && prepare(Near, QStringLiteral("/d50/e5/f50"), QStringLiteral("/d50/e6/moved"));
    }

    bool prepare(Move move, const QString &from, const QString &to)
    {
        const auto alias = ZRAlias::aliasWithPath(root + from);
        struct stat info;
        if (!alias || ::stat(QFile::encodeName(root + from).constData(), &info) != 0)
            return false;
        record[move] = *alias->data();
        inode[move] = info.st_ino;
        return QFile::rename(root + from, root + to);
    }
};

Tree &tree()
{
    static Tree instance;
    return instance;
}

void BM_ZRAliasResolveAfterMove(benchmark::State &state)
{
    const auto move = Move(state.range(0));
    Tree &t = tree();
    if (!t.ready) {
        state.SkipWithError("the tree could not be made");
        return;
    }
    for (auto _ : state) {
        const auto alias = ZRAlias::aliasWithData(t.record[move]);
        const std::optional<QString> path = alias->path();
        if (!path) {
            state.SkipWithError("the alias did not resolve");
            break;
        }
        benchmark::DoNotOptimize(path);
    }
}

ino_t soughtInode = 0;

int visit(const char *, const struct stat *info, int, struct FTW *)
{
    return info->st_ino == soughtInode ? 1 : 0;
}

void BM_nftwInodeWalk(benchmark::State &state)
{
    Tree &t = tree();
    soughtInode = t.inode[state.range(0)];
    const QByteArray root = QFile::encodeName(t.root);
    for (auto _ : state) {
        const int found = ::nftw(root.constData(), visit, 64, FTW_PHYS | FTW_MOUNT);
        if (found != 1) {
            state.SkipWithError("nftw did not find the inode");
            break;
        }
    }
}

void BM_findInum(benchmark::State &state)
{
    Tree &t = tree();
    QByteArray root = QFile::encodeName(t.root);
    QByteArray inode = QByteArray::number(quint64(t.inode[state.range(0)]));
    char find[] = "find", inum[] = "-inum", print[] = "-print", quit[] = "-quit";
    char *argv[] = {find, root.data(), inum, inode.data(), print, quit, nullptr};
    corvane::bench::runCommandEachIteration(state, argv);
}

BENCHMARK(BM_ZRAliasResolveAfterMove)->Arg(Far)->Arg(Near)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_nftwInodeWalk)->Arg(Far)->Arg(Near)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_findInum)->Arg(Far)->Arg(Near)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    using namespace corvane::bench;
    return runBenchmarks(argc, argv, Clock::Real, [](const BenchmarkTimes &times) {
        for (const char *move : {"0", "1"}) {
            for (const char *peer : {"BM_nftwInodeWalk/", "BM_findInum/"}) {
                const auto ratio = times.ratio(std::string(peer) + move,
                                               std::string("BM_ZRAliasResolveAfterMove/") + move);
                if (ratio)
                    std::printf(
                        "ratio %s%s / ZRAlias resolution after the %s move: %.2fx (%.2f ms vs %.2f ms per call)\n",
                        peer, move, *move == '0' ? "far" : "near", ratio->value(), ratio->numerator,
                        ratio->denominator);
            }
        }
    });
}
