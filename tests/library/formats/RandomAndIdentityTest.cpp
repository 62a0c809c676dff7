// The generator against two other MT19937s (std::mt19937 and python3's random module), UUID
// text forms, and the hardware address read from made-up kernel trees.

#include "HostExtensions.h"
#include "HostExtensions_p.h"
#include "MersenneTwister.h"
#include "TestSupport.h"
#include "VLUUID.h"

#include "platform/core/Log.h"
#include "platform/system/EthernetAddress.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <random>
#include <vector>

namespace {

// Python's random module seeds MT19937 with init_by_array over the seed's 32-bit words,
// least significant first, so it yields the reference vector of {0x123, 0x234, 0x345, 0x456}.
std::vector<quint32> pythonOutputsForReferenceKey(int count)
{
    QProcess python;
    python.start(
        QStringLiteral(CORVANE_PYTHON3),
        {QStringLiteral("-c"), QStringLiteral("import random\n"
                                              "r = random.Random(0x456 << 96 | 0x345 << 64 | 0x234 << 32 | 0x123)\n"
                                              "print(' '.join(str(r.getrandbits(32)) for _ in range(%1)))")
                                   .arg(count)});
    if (!python.waitForFinished(60000) || python.exitCode() != 0)
        return {};
    std::vector<quint32> outputs;
    for (const QByteArray &word : python.readAllStandardOutput().simplified().split(' '))
        outputs.push_back(word.toUInt());
    return outputs;
}

// The first test of this executable, in GoogleTest's declaration order: the state was never
// seeded before it.
TEST(MersenneTwisterTest, followsTheDefaultSeedWhenNeverSeeded)
{
    std::mt19937 peer; // 5489
    EXPECT_EQ(vl::genrand_int32(), 3499211612U);
    peer.discard(1);
    for (int i = 2; i <= 10000; ++i) {
        const quint32 ours = vl::genrand_int32();
        ASSERT_EQ(ours, peer()) << "output " << i;
        if (i == 10000) {
            EXPECT_EQ(ours, 4123659995U);
        }
    }
}

TEST(MersenneTwisterTest, seedsFromOneNumberAsStdMt19937)
{
    for (quint32 seed : {0U, 1U, 5489U, 0x80000000U, 0xFFFFFFFFU}) {
        vl::init_genrand(seed);
        std::mt19937 peer(seed);
        for (int i = 0; i < 2000; ++i)
            ASSERT_EQ(vl::genrand_int32(), peer()) << "seed " << seed << ", output " << i;
    }
}

TEST(MersenneTwisterTest, seedsFromAKeyAsThePythonGenerator)
{
    const std::vector<quint32> expected = pythonOutputsForReferenceKey(1000);
    ASSERT_EQ(expected.size(), 1000U) << "python3 did not run";
    ASSERT_EQ(expected.front(), 1067595299U);
    const std::array<quint32, 4> key = {0x123, 0x234, 0x345, 0x456};
    vl::init_by_array(key);
    const std::array<quint32, 5> first = {1067595299U, 955945823U, 477289528U, 4107218783U, 4228976476U};
    for (int i = 0; i < 1000; ++i) {
        const quint32 ours = vl::genrand_int32();
        ASSERT_EQ(ours, expected[size_t(i)]) << "output " << i;
        if (i < 5) {
            EXPECT_EQ(ours, first[size_t(i)]);
        }
    }
    EXPECT_EQ(expected.back(), 3460025646U);
}

TEST(MersenneTwisterTest, seedsFromAnEmptyKeyWithoutReadingPastIt)
{
    vl::init_by_array({});
    const quint32 first = vl::genrand_int32();
    const std::array<quint32, 1> zero = {0};
    vl::init_by_array(zero);
    EXPECT_EQ(vl::genrand_int32(), first) << "an empty key mixes in zeros";
}

TEST(MersenneTwisterTest, derivesEveryOutputFromTheSameSequence)
{
    // The reference multiplies by the reciprocal, which can differ from a division in the
    // last bit.
    struct Row
    {
        const char *name;
        std::function<double()> ours;
        std::function<double(std::mt19937 &)> expected;
    };
    const Row rows[] = {
        {"int31", [] { return double(vl::genrand_int31()); }, [](std::mt19937 &g) { return double(g() >> 1); }},
        {"real1", [] { return vl::genrand_real1(); }, [](std::mt19937 &g) { return g() * (1.0 / 4294967295.0); }},
        {"real2", [] { return vl::genrand_real2(); }, [](std::mt19937 &g) { return g() * (1.0 / 4294967296.0); }},
        {"real3", [] { return vl::genrand_real3(); },
         [](std::mt19937 &g) { return (g() + 0.5) * (1.0 / 4294967296.0); }},
        {"res53", [] { return vl::genrand_res53(); },
         [](std::mt19937 &g) {
             const double a = g() >> 5;
             const double b = g() >> 6;
             return (a * 67108864.0 + b) * (1.0 / 9007199254740992.0);
         }},
    };
    for (const Row &row : rows) {
        vl::init_genrand(42);
        std::mt19937 peer(42);
        for (int i = 0; i < 1000; ++i)
            ASSERT_EQ(row.ours(), row.expected(peer)) << row.name << " output " << i;
    }
}

TEST(MersenneTwisterTest, keepsEachRealWithinItsInterval)
{
    constexpr quint32 lowest = 0;
    constexpr quint32 highest = 0xFFFFFFFFU;
    EXPECT_EQ(vl::genrand_real1(highest), 1.0);
    EXPECT_EQ(vl::genrand_real1(lowest), 0.0);
    EXPECT_LT(vl::genrand_real2(highest), 1.0);
    EXPECT_EQ(vl::genrand_real2(lowest), 0.0);
    EXPECT_GT(vl::genrand_real3(lowest), 0.0);
    EXPECT_LT(vl::genrand_real3(highest), 1.0);
    EXPECT_LT(vl::genrand_res53(highest, highest), 1.0);
    EXPECT_EQ(vl::genrand_res53(lowest, lowest), 0.0);
    EXPECT_EQ(vl::genrand_int31() >= 0, true);
}

TEST(VLUUIDTest, writesTheOriginalTextForm)
{
    const QRegularExpression form(QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"));
    const VLUUID holder;
    EXPECT_TRUE(form.match(holder.string()).hasMatch()) << holder.string().toStdString();
    EXPECT_EQ(holder.string(), holder.string());
    EXPECT_NE(VLUUID::UUIDString(), VLUUID::UUIDString());

    const QString prefixed = VLUUID::UUIDStringWithPrefix(QStringLiteral("job"));
    EXPECT_TRUE(prefixed.startsWith(QLatin1String("job:")));
    EXPECT_TRUE(form.match(prefixed.mid(4)).hasMatch()) << prefixed.toStdString();
    EXPECT_NE(prefixed, VLUUID::UUIDStringWithPrefix(QStringLiteral("job")));

    const QString suffixed = VLUUID::UUIDStringWithSuffix(QStringLiteral("%1"));
    EXPECT_TRUE(suffixed.endsWith(QLatin1String(":%1"))) << suffixed.toStdString();
    EXPECT_TRUE(form.match(suffixed.left(36)).hasMatch()) << suffixed.toStdString();
}

// A made-up kernel tree: /proc/net/route and /sys/class/net/<name>/{address,type,device}.
class KernelTree
{
public:
    bool isValid() const { return dir.isValid(); }
    QString root() const { return dir.path(); }

    void setRoutes(const QByteArray &rows)
    {
        write(QStringLiteral("proc/net/route"),
              "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n" + rows);
    }
    void addInterface(const QString &name, const QByteArray &address, const QByteArray &type = "1", bool device = true)
    {
        const QString folder = QStringLiteral("sys/class/net/") + name;
        write(folder + QLatin1String("/address"), address + '\n');
        write(folder + QLatin1String("/type"), type + '\n');
        if (device)
            QDir(dir.path()).mkpath(folder + QLatin1String("/device"));
    }

private:
    void write(const QString &relative, const QByteArray &bytes)
    {
        const QString path = dir.filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QTemporaryDir dir;
};

TEST(EthernetAddressTest, prefersTheDefaultRouteThenTheFirstRealEthernetByName)
{
    struct Row
    {
        const char *name;
        QByteArray routes;
        QByteArray expected; // hex; empty for none
    };
    const QByteArray defaultViaWlan = "wlan0\t00000000\t0102A8C0\t0003\t0\t0\t600\t00000000\t0\t0\t0\n";
    const QByteArray downDefault = "wlan0\t00000000\t0102A8C0\t0002\t0\t0\t600\t00000000\t0\t0\t0\n";
    const QByteArray subnetOnly = "wlan0\t0002A8C0\t00000000\t0001\t0\t0\t600\t00FFFFFF\t0\t0\t0\n";
    const QByteArray viaTunnel = "tun0\t00000000\t00000000\t0001\t0\t0\t0\t00000000\t0\t0\t0\n";
    const QByteArray escaping = "../../x\t00000000\t00000000\t0001\t0\t0\t0\t00000000\t0\t0\t0\n";
    const Row rows[] = {
        {"default route", subnetOnly + defaultViaWlan, "aabbccddeeff"},
        {"no default route", subnetOnly, "0011223344ff"},
        {"default route down", downDefault, "0011223344ff"},
        {"default route without an address", viaTunnel, "0011223344ff"},
        {"interface name leaving the folder", escaping, "0011223344ff"},
        {"no route table", QByteArray(), "0011223344ff"},
    };
    for (const Row &row : rows) {
        KernelTree tree;
        ASSERT_TRUE(tree.isValid());
        if (!row.routes.isNull())
            tree.setRoutes(row.routes);
        tree.addInterface(QStringLiteral("wlan0"), "AA:BB:CC:DD:EE:FF");
        tree.addInterface(QStringLiteral("tun0"), "", "65534", false);
        tree.addInterface(QStringLiteral("lo"), "00:00:00:00:00:00", "772", false);
        tree.addInterface(QStringLiteral("eth1"), "00:11:22:33:44:ff");
        tree.addInterface(QStringLiteral("eth0"), "not an address");
        tree.addInterface(QStringLiteral("docker0"), "02:42:00:00:00:01", "1", false);
        tree.addInterface(QStringLiteral("bond0"), "02:00:00:00:00:01", "1", false);
        const auto address = platform::primaryEthernetAddress(tree.root());
        EXPECT_EQ(address.value_or(QByteArray()).toHex(), row.expected) << row.name;
    }
}

TEST(EthernetAddressTest, readsOnlyWellFormedAddresses)
{
    const std::pair<QByteArray, QByteArray> rows[] = {
        {"02:fc:00:00:00:01\n", "02fc00000001"},
        {"02:FC:00:00:00:01", "02fc00000001"},
        {"02:fc:00:00:00", ""},
        {"02:fc:00:00:00:01:02", ""},
        {"02-fc-00-00-00-01", ""},
        {"0g:fc:00:00:00:01", ""},
        {"", ""},
        {"02:fc:00:00:00:01\n\n", ""},
    };
    for (const auto &[text, expected] : rows)
        EXPECT_EQ(platform::parseHardwareAddress(text).value_or(QByteArray()).toHex(), expected) << text.toStdString();
}

TEST(HostExtensionsTest, formatsCachesAndLogsWhenNothingIsFound)
{
    QStringList lines;
    const platform::ScopedLogSink sink([&](const platform::LogRecord &record) { lines << record.message; });

    KernelTree empty;
    vl::detail::setMACAddressRoot(empty.root());
    EXPECT_FALSE(vl::MACAddress());
    EXPECT_EQ(lines, QStringList{QStringLiteral("GetMACAddress returned 0x00000005\n")});

    KernelTree tree;
    tree.addInterface(QStringLiteral("enp3s0"), "0A:1B:2C:3D:4E:5F");
    vl::detail::setMACAddressRoot(tree.root());
    EXPECT_EQ(vl::MACAddress(), QStringLiteral("0a:1b:2c:3d:4e:5f"));
    tree.addInterface(QStringLiteral("enp3s0"), "00:00:00:00:00:01");
    EXPECT_EQ(vl::MACAddress(), QStringLiteral("0a:1b:2c:3d:4e:5f")) << "kept after the first success";

    // A failure is not kept: the next call reads again.
    vl::detail::setMACAddressRoot(empty.root());
    EXPECT_FALSE(vl::MACAddress());
    empty.addInterface(QStringLiteral("eth0"), "00:00:00:00:00:02");
    EXPECT_EQ(vl::MACAddress(), QStringLiteral("00:00:00:00:00:02"));
    EXPECT_EQ(lines.size(), 2);
    vl::detail::setMACAddressRoot(QStringLiteral("/"));
}

} // namespace
