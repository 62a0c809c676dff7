#include "platform/plist/UserDefaults.h"

#include "platform/core/Log.h"
#include "platform/plist/PropertyList.h"
#include "TestSupport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <vector>

#include <csignal>

using namespace platform;

namespace {

const QString Domain = QStringLiteral("com.velora.Corvane");

class UserDefaultsTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    UserDefaults defaults{Domain, dir.path()};
    const QString domainPath = dir.filePath(Domain + QStringLiteral(".plist"));

    QStringList keptAside() const
    {
        return QDir(dir.path()).entryList({Domain + QStringLiteral(".plist.unreadable-*")}, QDir::Files, QDir::Name);
    }
};

} // namespace

TEST_F(UserDefaultsTest, ServiceKeysNegativeIntegersAndDatesSurviveEveryWholeDomainWrite)
{
    const QDateTime written(QDate(1999, 12, 31), QTime(23, 59, 59), Qt::UTC);
    const QVariantMap service{
        {QStringLiteral("ServiceWindowFrame"), QStringLiteral("{{10, 20}, {300, 400}}")},
        {QStringLiteral("HotKeyModifiers"), qint64(-1)},
        {QStringLiteral("Huge"), std::numeric_limits<qint64>::min()},
        {QStringLiteral("LastCatalogued"), written},
    };
    UserDefaults serviceSide(QStringLiteral("com.velora.CorvaneService"), dir.path());
    ASSERT_TRUE(serviceSide.setPersistentDomain(service, Domain));

    // The pane's save: read the domain, change its own keys, replace the domain, synchronize.
    for (int i = 0; i < 30; ++i) {
        QVariantMap domain = defaults.persistentDomainForName(Domain).value_or(QVariantMap());
        domain.insert(QStringLiteral("CVSortOrder"), i);
        domain.insert(QStringLiteral("TopLeftCorner"), i % 2 == 0);
        ASSERT_TRUE(defaults.removePersistentDomainForName(Domain));
        ASSERT_TRUE(defaults.setPersistentDomain(domain, Domain));
        ASSERT_TRUE(defaults.synchronize());
    }
    serviceSide.synchronize();
    const auto domain = serviceSide.persistentDomainForName(Domain);
    ASSERT_TRUE(domain);
    for (auto it = service.cbegin(); it != service.cend(); ++it) {
        EXPECT_EQ(domain->value(it.key()), it.value()) << qPrintable(it.key());
        EXPECT_EQ(domain->value(it.key()).typeId(), it.value().typeId()) << qPrintable(it.key());
    }
    EXPECT_EQ(domain->value(QStringLiteral("CVSortOrder")), qint64(29));
}

TEST_F(UserDefaultsTest, UnreadableDomainFileIsKeptAsideBeforeAnyWrite)
{
    const QByteArray binary = writePropertyList(QVariantMap{{QStringLiteral("ServiceKey"), 1}}, PropertyListFormat::Binary).bytes;
    const QByteArray rows[] = {
        QByteArray("{ this is not a property list \x01\x02"),
        binary.left(binary.size() - 3),
        writePropertyList(QVariantList{QStringLiteral("root is an array")}, PropertyListFormat::Xml).bytes,
    };
    enum Action { Replace, SetKey, Remove };
    int round = 0;
    for (const QByteArray &bytes : rows) {
        for (Action action : {Replace, SetKey, Remove}) {
            SCOPED_TRACE(round++);
            for (const QString &old : keptAside())
                QFile::remove(dir.filePath(old));
            corvane::test::writeFile(domainPath, bytes);
            defaults.synchronize();
            std::vector<QString> lines;
            ScopedLogSink sink([&](const LogRecord &r) { lines.push_back(r.message); });

            EXPECT_FALSE(defaults.persistentDomainForName(Domain));
            EXPECT_FALSE(defaults.objectForKey(QStringLiteral("ServiceKey")).isValid());
            ASSERT_EQ(lines.size(), 1u);
            EXPECT_TRUE(lines[0].contains(domainPath));
            EXPECT_TRUE(keptAside().isEmpty()); // reading alone touches nothing

            bool done = false;
            if (action == Replace)
                done = defaults.setPersistentDomain({{QStringLiteral("CVSortOrder"), 1}}, Domain);
            else if (action == SetKey)
                done = defaults.setInteger(1, QStringLiteral("CVSortOrder"));
            else
                done = defaults.removePersistentDomainForName(Domain);
            ASSERT_TRUE(done);

            const QStringList copies = keptAside();
            ASSERT_EQ(copies.size(), 1);
            EXPECT_EQ(corvane::test::fileBytes(dir.filePath(copies[0])), bytes);
            ASSERT_EQ(lines.size(), 2u);
            EXPECT_TRUE(lines[1].contains(copies[0])) << qPrintable(lines[1]);
            if (action == Remove) {
                EXPECT_FALSE(QFile::exists(domainPath));
            } else {
                EXPECT_EQ(defaults.integerForKey(QStringLiteral("CVSortOrder")), 1);
                EXPECT_EQ(UserDefaults(Domain, dir.path()).persistentDomainForName(Domain)->size(), 1);
            }
        }
    }
}

TEST_F(UserDefaultsTest, KeyedWritesKeepOtherProcessesKeysAndRefuseWhatCannotBeStored)
{
    UserDefaults service(Domain, dir.path());
    ASSERT_TRUE(defaults.setObject(QStringLiteral("a"), QStringLiteral("Pane")));
    EXPECT_EQ(defaults.stringForKey(QStringLiteral("Pane")), QStringLiteral("a"));
    ASSERT_TRUE(service.setInteger(-5, QStringLiteral("Service")));

    // A cached read sees another process's write only after synchronize()...
    EXPECT_FALSE(defaults.objectForKey(QStringLiteral("Service")).isValid());
    ASSERT_TRUE(defaults.synchronize());
    EXPECT_EQ(defaults.integerForKey(QStringLiteral("Service")), -5);
    // ...but a keyed write starts from the file, never from a stale copy.
    ASSERT_TRUE(service.setDouble(0.5, QStringLiteral("Service2")));
    ASSERT_TRUE(defaults.setBool(true, QStringLiteral("Pane2")));
    service.synchronize();
    EXPECT_DOUBLE_EQ(service.doubleForKey(QStringLiteral("Service2")), 0.5);
    EXPECT_TRUE(service.boolForKey(QStringLiteral("Pane2")));

    const QByteArray before = corvane::test::fileBytes(domainPath);
    std::vector<QString> lines;
    {
        ScopedLogSink sink([&](const LogRecord &r) { lines.push_back(r.message); });
        EXPECT_FALSE(defaults.setObject(QVariantList{QUrl(QStringLiteral("file:///x"))}, QStringLiteral("Bad")));
        EXPECT_FALSE(defaults.synchronize()); // reports the failed write once
        EXPECT_TRUE(defaults.synchronize());
    }
    EXPECT_EQ(corvane::test::fileBytes(domainPath), before);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines[0].contains(QLatin1String("/Bad/0"))) << qPrintable(lines[0]);

    ASSERT_TRUE(defaults.setObject(QVariant(), QStringLiteral("Pane")));
    ASSERT_TRUE(defaults.removeObjectForKey(QStringLiteral("Pane2")));
    EXPECT_EQ(defaults.persistentDomainForName(Domain)->keys(), (QStringList{QStringLiteral("Service"), QStringLiteral("Service2")}));
}

TEST_F(UserDefaultsTest, DomainNamesCannotLeaveTheFolder)
{
    // The domains' folder lies inside the test's own, so that what escapes it lands
    // where this test looks and nowhere another test would.
    const QString folder = dir.filePath(QStringLiteral("domains"));
    UserDefaults inner(Domain, folder);
    ScopedLogSink quiet([](const LogRecord &) {});
    for (const QString &name : {QString(), QStringLiteral("."), QStringLiteral(".."), QStringLiteral("../escape"), QStringLiteral("a/b")}) {
        EXPECT_FALSE(inner.setPersistentDomain({{QStringLiteral("k"), 1}}, name)) << qPrintable(name);
        EXPECT_FALSE(inner.persistentDomainForName(name));
    }
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_TRUE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
    EXPECT_TRUE(inner.setPersistentDomain({{QStringLiteral("k"), 1}}, QStringLiteral(".GlobalPreferences")));
}

namespace {

// Whether process `pid` has a file open in `dir` other than `domainFile`: QSaveFile's
// temporary file (unnamed with O_TMPFILE, so only /proc shows it), i.e. a write under way.
bool isWritingInto(qint64 pid, const QString &dir, const QString &domainFile)
{
    const QString fds = QStringLiteral("/proc/%1/fd").arg(pid);
    const QStringList entries = QDir(fds).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &fd : entries) {
        const QString target = QFile::symLinkTarget(fds + QLatin1Char('/') + fd);
        if (target.startsWith(dir + QLatin1Char('/')) && target != domainFile)
            return true;
    }
    return false;
}

// The state letter the kernel shows for process `pid` ('T' once it has stopped).
char stateOf(qint64 pid)
{
    const QByteArray line = corvane::test::fileBytes(QStringLiteral("/proc/%1/stat").arg(pid));
    const qsizetype close = line.lastIndexOf(')');
    return close >= 0 && close + 2 < line.size() ? line[close + 2] : '\0';
}

} // namespace

TEST_F(UserDefaultsTest, KillingAWriterAtAnyMomentLeavesAWholeDomain)
{
    for (int round = 0; round < 12; ++round) {
        SCOPED_TRACE(round);
        QProcess writer;
        writer.start(QStringLiteral(CORVANE_USERDEFAULTS_WRITER), {dir.path(), Domain});
        ASSERT_TRUE(writer.waitForStarted());
        // Each line is a finished write.
        const int writes = 1 + round % 4;
        for (int seen = 0; seen < writes;) {
            ASSERT_TRUE(writer.waitForReadyRead(120000)) << "the writer stopped";
            for (; writer.canReadLine(); ++seen)
                writer.readLine();
        }
        // Odd rounds kill wherever the writer is; even rounds stop it until it is
        // caught holding the temporary file of a write open, and kill it there.
        const auto pid = pid_t(writer.processId());
        bool caughtWriting = round % 2 == 1;
        for (int attempt = 0; !caughtWriting && attempt < 10000; ++attempt) {
            ::kill(pid, SIGSTOP);
            ASSERT_TRUE(corvane::test::waitFor([&] { return stateOf(pid) == 'T'; }));
            caughtWriting = isWritingInto(pid, dir.path(), domainPath);
            if (!caughtWriting)
                ::kill(pid, SIGCONT);
        }
        ASSERT_TRUE(caughtWriting) << "never caught the writer writing";
        writer.kill(); // SIGKILL
        ASSERT_TRUE(writer.waitForFinished(120000));
        EXPECT_EQ(writer.exitStatus(), QProcess::CrashExit);

        const PropertyListReadResult read = readPropertyList(corvane::test::fileBytes(domainPath));
        ASSERT_TRUE(read.ok()) << qPrintable(read.error);
        const QVariantMap domain = read.value.toMap();
        EXPECT_EQ(domain.value(QStringLiteral("ServiceWindowFrame")), QStringLiteral("{{10, 20}, {300, 400}}"));
        const qint64 counter = domain.value(QStringLiteral("Counter")).toLongLong();
        EXPECT_GE(counter, writes - 1);
        EXPECT_EQ(domain.value(QStringLiteral("Negative")).toLongLong(), -counter - 1);
        EXPECT_TRUE(keptAside().isEmpty());
    }
}
