#include "platform/files/FileIdSearch.h"

#include <QDir>
#include <QFile>

#include <deque>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/vfs.h>
#include <unistd.h>

namespace platform {

namespace {

// Overlay file systems may give folder entries other inode numbers than stat.
constexpr long OverlayMagic = 0x794c7630;

struct DirectoryCloser
{
    void operator()(DIR *directory) const { ::closedir(directory); }
};

class Walk
{
public:
    explicit Walk(const FileIdSearch::Request &request)
        : m_request(request)
        , m_budget(request.limit)
    {
        struct statfs info;
        m_trustEntryInodes = ::statfs(QFile::encodeName(request.volumeRoot).constData(), &info) != 0
                             || info.f_type != OverlayMagic;
    }

    bool exhausted() const { return m_budget <= 0; }

    /// Breadth-first below `root`; the entry named `skip` of `root` itself is
    /// tested but not entered (it was searched already).
    std::optional<std::string> below(const std::string &root, const std::string &skip)
    {
        std::deque<std::string> folders{root};
        bool atRoot = true;
        while (!folders.empty() && !exhausted()) {
            const std::string folder = std::move(folders.front());
            folders.pop_front();
            if (std::optional<std::string> found = inFolder(folder, atRoot ? skip : std::string(), folders))
                return found;
            atRoot = false;
        }
        return std::nullopt;
    }

    /// Whether the item at `path` itself is the one sought.
    bool matches(const std::string &path)
    {
        struct stat info;
        return ::lstat(path.c_str(), &info) == 0 && accepts(path, info);
    }

private:
    bool accepts(const std::string &path, const struct stat &info) const
    {
        return info.st_dev == m_request.device && m_request.inodeMatches(info.st_ino)
               && m_request.accept(QFile::decodeName(QByteArray::fromStdString(path)), info);
    }

    std::optional<std::string> inFolder(const std::string &folder, const std::string &skip,
                                        std::deque<std::string> &pending)
    {
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            return std::nullopt;
        struct stat folderInfo;
        if (::fstat(fd, &folderInfo) != 0 || folderInfo.st_dev != m_request.device) {
            ::close(fd);
            return std::nullopt; // another file system is mounted here
        }
        const std::unique_ptr<DIR, DirectoryCloser> directory(::fdopendir(fd));
        if (!directory) {
            ::close(fd);
            return std::nullopt;
        }
        const std::string prefix = folder == "/" ? folder : folder + '/';
        while (const dirent *entry = ::readdir(directory.get())) {
            const std::string_view name(entry->d_name);
            if (name == "." || name == "..")
                continue;
            if (--m_budget < 0)
                return std::nullopt;
            std::optional<struct stat> info;
            if (!m_trustEntryInodes || m_request.inodeMatches(entry->d_ino)) {
                info.emplace();
                if (::fstatat(::dirfd(directory.get()), entry->d_name, &*info, AT_SYMLINK_NOFOLLOW) != 0)
                    continue;
                if (accepts(prefix + entry->d_name, *info))
                    return prefix + entry->d_name;
            }
            const bool isFolder = entry->d_type == DT_DIR
                                  || (entry->d_type == DT_UNKNOWN && info && S_ISDIR(info->st_mode));
            if (isFolder && name != skip)
                pending.push_back(prefix + entry->d_name);
        }
        return std::nullopt;
    }

    const FileIdSearch::Request &m_request;
    qint64 m_budget;
    bool m_trustEntryInodes = true;
};

bool isFolder(const QString &path)
{
    struct stat info;
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

std::optional<QString> FileIdSearch::find(const Request &request)
{
    const QString root = QDir::cleanPath(request.volumeRoot);
    QString folder = QDir::cleanPath(request.lastKnownFolder);
    const bool insideRoot = root == u"/" ? folder.startsWith(u'/') : (folder == root || folder.startsWith(root + u'/'));
    if (request.lastKnownFolder.isEmpty() || !insideRoot)
        folder = root;
    while (folder != root && !isFolder(folder))
        folder = QDir::cleanPath(folder + QStringLiteral("/.."));

    Walk walk(request);
    const auto bytes = [](const QString &path) { return QFile::encodeName(path).toStdString(); };
    if (walk.matches(bytes(root)))
        return root;
    std::string skip;
    for (;;) {
        if (const std::optional<std::string> found = walk.below(bytes(folder), skip))
            return QFile::decodeName(QByteArray::fromStdString(*found));
        if (walk.exhausted() || folder == root)
            return std::nullopt;
        skip = bytes(folder.sliced(folder.lastIndexOf(u'/') + 1));
        folder = QDir::cleanPath(folder + QStringLiteral("/.."));
    }
}

} // namespace platform
