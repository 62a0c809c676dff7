#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

QString sandboxDir()
{
    return qEnvironmentVariable("CORVANE_TEST_SANDBOX");
}

} // namespace corvane::test
