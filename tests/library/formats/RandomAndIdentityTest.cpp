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
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <functional>
#include <random>
#include <vector>

namespace {

// Python's random module seeds MT19937 by init_by_array over the seed's 32-bit words, least
// significant first: this seed is the reference key {0x123, 0x234, 0x345, 0x456}.
std::vector<quint32> pythonOutputsForReferenceKey(int count)
{
    QProcess python;
    python.start(
        QStringLiteral(CORVANE_PYTHON3),
        {QStringLiteral("-c"), QStringLiteral("import random\n"
                                              "r = random.Random(0x456 << 96 | 0x345 << 64 | 0x234 << 32 | 0x123)\n"
                                              "print(*(r.getrandbits(32) for _ in range(%1)))")
                                   .arg(count)});
    std::vector<quint32> outputs;
    if (python.waitForFinished(60000) && python.exitCode() == 0) {
        for (const QByteArray &word : python.readAllStandardOutput().simplified().split(' '))
            outputs.push_back(word.toUInt());
    }
    return outputs;
}

// The state is the process's: a re-executed child (the threadsafe death-test style) is the
// one place where it is certainly never seeded, whatever order the tests run in.
TEST(MersenneTwisterTest, firstOutputNeverSeededSeedsWith5489)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::exit(vl::genrand_int32() == 3499211612U ? 0 : 1), ::testing::ExitedWithCode(0), "");
}

TEST(MersenneTwisterTest, matchesStdMt19937ForOneNumberSeeds)
{
    vl::init_genrand(5489U);
    std::mt19937 peer;
    for (int i = 1; i < 10000; ++i)
        ASSERT_EQ(vl::genrand_int32(), peer()) << "output " << i;
    EXPECT_EQ(vl::genrand_int32(), 4123659995U);
    for (quint32 seed : {0U, 1U, 0xFFFFFFFFU}) {
        vl::init_genrand(seed);
        peer.seed(seed);
        for (int i = 0; i < 1300; ++i)
            ASSERT_EQ(vl::genrand_int32(), peer()) << "seed " << seed << ", output " << i;
    }
}

TEST(MersenneTwisterTest, matchesPythonForTheReferenceKey)
{
    const std::vector<quint32> expected = pythonOutputsForReferenceKey(1000);
    ASSERT_EQ(expected.size(), 1000U) << "python3 did not run";
    vl::init_by_array(std::array<quint32, 4>{0x123, 0x234, 0x345, 0x456});
    for (size_t i = 0; i < expected.size(); ++i)
        ASSERT_EQ(vl::genrand_int32(), expected[i]) << "output " << i;

    // An empty key mixes in zeros rather than reading past it.
    vl::init_by_array({});
    const quint32 first = vl::genrand_int32();
    vl::init_by_array(std::array<quint32, 1>{0});
    EXPECT_EQ(vl::genrand_int32(), first);
}

TEST(MersenneTwisterTest, derivesEveryOutputFromTheSameSequence)
{
    // The reference multiplies by reciprocals, which can differ from a division in the last bit.
    using Draw = std::function<double(std::mt19937 &)>;
    const std::pair<std::function<double()>, Draw> rows[] = {
        {[] { return double(vl::genrand_int31()); }, [](std::mt19937 &g) { return double(g() >> 1); }},
        {[] { return vl::genrand_real1(); }, [](std::mt19937 &g) { return g() * (1.0 / 4294967295.0); }},
        {[] { return vl::genrand_real2(); }, [](std::mt19937 &g) { return g() * (1.0 / 4294967296.0); }},
        {[] { return vl::genrand_real3(); }, [](std::mt19937 &g) { return (g() + 0.5) * (1.0 / 4294967296.0); }},
        {[] { return vl::genrand_res53(); },
         [](std::mt19937 &g) {
             const double a = g() >> 5;
             return (a * 67108864.0 + (g() >> 6)) * (1.0 / 9007199254740992.0);
         }},
    };
    for (size_t row = 0; row < std::size(rows); ++row) {
        vl::init_genrand(42);
        std::mt19937 peer(42);
        for (int i = 0; i < 700; ++i)
            ASSERT_EQ(rows[row].first(), rows[row].second(peer)) << "row " << row << ", output " << i;
    }
    // The bounds, on the outputs that reach them.
    EXPECT_EQ(vl::genrand_real1(0xFFFFFFFFU), 1.0);
    EXPECT_LT(vl::genrand_real2(0xFFFFFFFFU), 1.0);
    EXPECT_LT(vl::genrand_res53(0xFFFFFFFFU, 0xFFFFFFFFU), 1.0);
    EXPECT_GT(vl::genrand_real3(0), 0.0);
    EXPECT_LT(vl::genrand_real3(0xFFFFFFFFU), 1.0);
}

TEST(VLUUIDTest, writesTheOriginalTextForm)
{
    const QRegularExpression form(QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"));
    const VLUUID holder;
    EXPECT_TRUE(form.match(holder.string()).hasMatch()) << holder.string().toStdString();
    EXPECT_EQ(holder.string(), holder.string());
    const QString prefixed = VLUUID::UUIDStringWithPrefix(QStringLiteral("job"));
    EXPECT_TRUE(prefixed.startsWith(QLatin1String("job:")) && form.match(prefixed.mid(4)).hasMatch())
        << prefixed.toStdString();
    EXPECT_NE(prefixed, VLUUID::UUIDStringWithPrefix(QStringLiteral("job")));
    const QString suffixed = VLUUID::UUIDStringWithSuffix(QStringLiteral("%1"));
    EXPECT_TRUE(suffixed.endsWith(QLatin1String(":%1")) && form.match(suffixed.left(36)).hasMatch())
        << suffixed.toStdString();
}

// A made-up kernel tree: proc/net/route and sys/class/net/<name>/{address,type,device}.
struct KernelTree
{
    QTemporaryDir dir;
    void write(const QString &relative, const QByteArray &bytes) { corvane::test::writeFile(dir.filePath(relative), bytes); }
    void setDefaultRoute(const QByteArray &interface, const QByteArray &flags = "0003")
    {
        write(QStringLiteral("proc/net/route"), "Iface\tDestination\tGateway\tFlags\tRefCnt\tUse\tMetric\tMask\n"
                                                    + interface + "\t0002A8C0\t0\t0001\t0\t0\t0\t00FFFFFF\n"
                                                    + interface + "\t00000000\t0102A8C0\t" + flags
                                                    + "\t0\t0\t0\t00000000\n");
    }
    void addInterface(const QString &name, const QByteArray &address, const QByteArray &type = "1", bool device = true)
    {
        write(QStringLiteral("sys/class/net/%1/address").arg(name), address + '\n');
        write(QStringLiteral("sys/class/net/%1/type").arg(name), type + '\n');
        if (device)
            QDir(dir.path()).mkpath(QStringLiteral("sys/class/net/%1/device").arg(name));
    }
};

TEST(EthernetAddressTest, prefersTheDefaultRouteThenTheFirstRealEthernetByName)
{
    const std::pair<std::function<void(KernelTree &)>, QByteArray> rows[] = {
        {[](KernelTree &t) { t.setDefaultRoute("wlan0"); }, "aabbccddeeff"},
        {[](KernelTree &) {}, "0011223344ff"},
        {[](KernelTree &t) { t.setDefaultRoute("wlan0", "0002"); }, "0011223344ff"}, // not up
        {[](KernelTree &t) { t.setDefaultRoute("tun0"); }, "0011223344ff"}, // no address
        {[](KernelTree &t) { t.setDefaultRoute("../../x"); }, "0011223344ff"},
    };
    for (size_t row = 0; row < std::size(rows); ++row) {
        KernelTree tree;
        rows[row].first(tree);
        tree.addInterface(QStringLiteral("wlan0"), "AA:BB:CC:DD:EE:FF");
        tree.addInterface(QStringLiteral("tun0"), "", "65534", false);
        tree.addInterface(QStringLiteral("eth1"), "00:11:22:33:44:ff");
        tree.addInterface(QStringLiteral("eth0"), "not an address");
        tree.addInterface(QStringLiteral("docker0"), "02:42:00:00:00:01", "1", false);
        tree.addInterface(QStringLiteral("arc0"), "02:42:00:00:00:02", "7");
        EXPECT_EQ(platform::primaryEthernetAddress(tree.dir.path()).value_or(QByteArray()).toHex(), rows[row].second)
            << "row " << row;
    }
    for (const char *text :
         {"02:fc:00:00:00", "02:fc:00:00:00:01:02", "02-fc-00-00-00-01", "0g:fc:00:00:00:01", "02:fc:00:00:00:01\n\n"})
        EXPECT_FALSE(platform::parseHardwareAddress(text)) << text;
}

TEST(HostExtensionsTest, formatsCachesAndLogsWhenNothingIsFound)
{
    QStringList lines;
    const platform::ScopedLogSink sink([&](const platform::LogRecord &record) { lines << record.message; });
    KernelTree empty;
    vl::detail::setMACAddressRoot(empty.dir.path());
    EXPECT_FALSE(vl::MACAddress());
    EXPECT_EQ(lines, QStringList{QStringLiteral("GetMACAddress returned 0x00000005\n")});

    // A failure is not kept: the next call reads again; a success is.
    empty.addInterface(QStringLiteral("enp3s0"), "0A:1B:2C:3D:4E:5F");
    EXPECT_EQ(vl::MACAddress(), QStringLiteral("0a:1b:2c:3d:4e:5f"));
    empty.addInterface(QStringLiteral("enp3s0"), "00:00:00:00:00:01");
    EXPECT_EQ(vl::MACAddress(), QStringLiteral("0a:1b:2c:3d:4e:5f"));
    EXPECT_EQ(lines.size(), 1);
    vl::detail::setMACAddressRoot(QStringLiteral("/"));
}

} // namespace
