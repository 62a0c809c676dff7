#include "StringExtensions.h"
#include "StringExtensions_p.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <cerrno>
#include <filesystem>
#include <mutex>
#include <vector>

#include <pwd.h>
#include <unistd.h>

namespace vl {

namespace {

// The kernel's own limit on links followed in one lookup (MAXSYMLINKS is 40);
// a smaller bound still ends every cycle.
constexpr int MaximumLinks = 32;

// The home folder of the account `name` from the user database; none when there
// is no such account.
std::optional<QString> homeOfUser(const QString &name)
{
    const QByteArray login = QFile::encodeName(name);
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size_t(size > 0 ? size : 1024));
    passwd entry{};
    passwd *found = nullptr;
    int error = 0;
    while ((error = ::getpwnam_r(login.constData(), &entry, buffer.data(), buffer.size(), &found)) == ERANGE
           && buffer.size() < (1u << 20))
        buffer.resize(buffer.size() * 2);
    if (error || !found || !found->pw_dir)
        return std::nullopt;
    return QFile::decodeName(found->pw_dir);
}

std::optional<QString> readLink(const QString &path)
{
    namespace fs = std::filesystem;
    const fs::path native(QFile::encodeName(path).toStdString());
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(native, error)) || error)
        return std::nullopt;
    const fs::path target = fs::read_symlink(native, error);
    if (error)
        return std::nullopt;
    return QFile::decodeName(QByteArray::fromStdString(target.native()));
}

std::mutex &resolverMutex()
{
    static std::mutex mutex;
    return mutex;
}

AliasFileResolver &installedResolver()
{
    static AliasFileResolver resolver;
    return resolver;
}

} // namespace

QString detail::expandTilde(const QString &path)
{
    if (!path.startsWith(u'~'))
        return path;
    const qsizetype slash = path.indexOf(u'/');
    const qsizetype nameEnd = slash < 0 ? path.size() : slash;
    if (nameEnd == 1)
        return QDir::homePath() + path.sliced(1);
    const std::optional<QString> home = homeOfUser(path.sliced(1, nameEnd - 1));
    return home ? *home + path.sliced(nameEnd) : path;
}

QString stringByResolvingSymlinksInPath(const QString &path)
{
    const QString expanded = detail::expandTilde(path);
    if (!expanded.startsWith(u'/'))
        return expanded;

    QStringList pending = expanded.split(u'/', Qt::SkipEmptyParts);
    QStringList resolved;
    int links = 0;
    while (!pending.isEmpty()) {
        const QString component = pending.takeFirst();
        if (component == u".")
            continue;
        if (component == u"..") {
            if (!resolved.isEmpty())
                resolved.removeLast(); // the parent of what is resolved holds no links
            continue;
        }
        const QString candidate = u'/' + (resolved + QStringList{component}).join(u'/');
        const std::optional<QString> target = readLink(candidate);
        if (!target) {
            resolved.append(component); // a plain item, or one that does not exist
            continue;
        }
        if (++links > MaximumLinks)
            return QDir::cleanPath(expanded);
        if (target->startsWith(u'/'))
            resolved.clear();
        pending = target->split(u'/', Qt::SkipEmptyParts) + pending;
    }
    return u'/' + resolved.join(u'/');
}

void setAliasFileResolver(AliasFileResolver resolver)
{
    std::lock_guard lock(resolverMutex());
    installedResolver() = std::move(resolver);
}

QString stringByResolvingAliasesInPath(const QString &path)
{
    const QString resolved = stringByResolvingSymlinksInPath(path);
    AliasFileResolver resolver;
    {
        std::lock_guard lock(resolverMutex());
        resolver = installedResolver();
    }
    if (resolver) {
        if (std::optional<QString> target = resolver(resolved))
            return *target;
    }
    return resolved;
}

} // namespace vl
