#pragma once

#include <QByteArray>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>
#include <QtGlobal>

#include <functional>
#include <optional>
#include <ostream>

/// Helpers shared by the tests.
namespace corvane::test {

/// The folder of shared reference material (format notes and the corpus of real
/// files written elsewhere): $CORVANE_SHARED_DIR, else "../shared" beside the
/// source tree. None when it is absent, as in a clone on its own.
std::optional<QString> sharedDir();

/// The corpus folder `name` under the shared folder, or none when absent.
std::optional<QString> corpusDir(const QString &name);

/// Reads a whole file; none when it cannot be read.
std::optional<QByteArray> readFile(const QString &path);

/// The bytes of a file, or none at all when it cannot be read (the comparison
/// that follows then fails).
QByteArray fileBytes(const QString &path);

/// The bytes of the file `name` of the folder `dir` (a corpus folder, say).
QByteArray fileBytes(const QString &dir, const char *name);

/// Writes `bytes` to `path` after making its folder; the test fails when it cannot.
/// Answers the file's canonical path.
QString writeFile(const QString &path, const QByteArray &bytes = {});

/// A temporary folder known by its canonical path (the sandbox may sit behind
/// a link), with `folder / "name"` for the paths inside it.
struct TemporaryFolder
{
    QTemporaryDir dir;
    QString path = QFileInfo(dir.path()).canonicalFilePath();
    QString operator/(const char *name) const { return path + u'/' + QString::fromUtf8(name); }
};

/// Turns the event loop until `done` answers true. The bound is generous: on a
/// loaded machine events come late, and a test fails only when they never come.
bool waitFor(const std::function<bool()> &done);

/// The sandbox folder this test process runs in (see tests/sandbox-run).
QString sandboxDir();

/// Sets an environment variable (none: unsets it) for one scope.
class ScopedEnvironment
{
public:
    ScopedEnvironment(const char *name, const QByteArray &value)
        : m_name(name)
        , m_had(qEnvironmentVariableIsSet(name))
        , m_previous(qgetenv(name))
    {
        value.isNull() ? qunsetenv(name) : qputenv(name, value);
    }
    ~ScopedEnvironment() { m_had ? qputenv(m_name, m_previous) : qunsetenv(m_name); }
    ScopedEnvironment(const ScopedEnvironment &) = delete;
    ScopedEnvironment &operator=(const ScopedEnvironment &) = delete;

private:
    const char *m_name;
    bool m_had;
    QByteArray m_previous;
};

/// Points GSettings at the system's compiled schemas with the keyfile backend
/// (values in $XDG_CONFIG_HOME/glib-2.0/settings/keyfile), for the whole
/// process: GIO keeps what it finds at its first use, so call it before. False
/// when the schemas are not installed.
bool useSystemSchemasWithKeyfile();

/// While it lives, the calling thread meets permission bits as a user does, even as
/// root (capabilities belong to a thread): a read-only file or folder refuses it.
class ScopedPermissionChecks
{
public:
    ScopedPermissionChecks() { setDacOverride(false); }
    ~ScopedPermissionChecks() { setDacOverride(true); }

private:
    static void setDacOverride(bool on);
};

} // namespace corvane::test

/// Skips the current test with a clear message when the corpus folder `name`
/// is absent; otherwise declares `var` as its path.
#define CORVANE_REQUIRE_CORPUS(var, name)                                                   \
    const auto var##Opt = ::corvane::test::corpusDir(QStringLiteral(name));                 \
    if (!var##Opt)                                                                          \
        GTEST_SKIP() << "shared corpus '" name "' is absent (a clone on its own): skipped"; \
    const QString var = *var##Opt

/// Lets GoogleTest print QStrings and QByteArrays readably in failure messages
/// (found by argument-dependent lookup in every test that includes this header).
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QByteArray &b, std::ostream *os) { *os << "QByteArray(\"" << b.toHex(' ').toStdString() << "\")"; }
QT_END_NAMESPACE
