#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <gtest/gtest.h>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace corvane::test {

std::optional<QString> sharedDir()
{
    QString dir = qEnvironmentVariable("CORVANE_SHARED_DIR");
    if (dir.isEmpty())
        dir = QStringLiteral(CORVANE_DEFAULT_SHARED_DIR);
    if (!QFileInfo(dir).isDir())
        return std::nullopt;
    return QDir(dir).canonicalPath();
}

std::optional<QString> corpusDir(const QString &name)
{
    const auto shared = sharedDir();
    if (!shared)
        return std::nullopt;
    const QString dir = *shared + QStringLiteral("/corpus/") + name;
    if (!QFileInfo(dir).isDir())
        return std::nullopt;
    return dir;
}

std::optional<QByteArray> readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

QByteArray fileBytes(const QString &path)
{
    return readFile(path).value_or(QByteArray());
}

QByteArray fileBytes(const QString &dir, const char *name)
{
    return fileBytes(dir + u'/' + QString::fromUtf8(name));
}

QString writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size())
        << qPrintable(path);
    file.close();
    return QFileInfo(path).canonicalFilePath();
}

bool waitFor(const std::function<bool()> &done)
{
    return QTest::qWaitFor(done, 120000);
}

QString sandboxDir()
{
    return qEnvironmentVariable("CORVANE_TEST_SANDBOX");
}

bool useSystemSchemasWithKeyfile()
{
    const QByteArray schemas = "/usr/share/glib-2.0/schemas";
    qputenv("GSETTINGS_BACKEND", "keyfile");
    qputenv("GSETTINGS_SCHEMA_DIR", schemas);
    return QFileInfo::exists(QString::fromLatin1(schemas + "/gschemas.compiled"));
}

void ScopedPermissionChecks::setDacOverride(bool on)
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    constexpr unsigned override = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);
    if (::syscall(SYS_capget, &header, data) != 0)
        return;
    // Only what the thread may hold comes back.
    data[0].effective = on ? data[0].effective | (data[0].permitted & override) : data[0].effective & ~override;
    ::syscall(SYS_capset, &header, data);
}

} // namespace corvane::test
