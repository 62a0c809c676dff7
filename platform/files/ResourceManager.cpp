#include "platform/files/ResourceManager.h"

#include "platform/core/Log.h"
#include "platform/files/CompanionFile.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace platform {

namespace {

struct OpenFile
{
    ResFileRefNum number = 0;
    FileReference file;
    bool writable = false;
    ResourceMap map;
    bool changed = false;
};

struct State
{
    std::mutex mutex;
    std::vector<OpenFile> files; // in the order they were opened
    ResFileRefNum current = 0;
    ResFileRefNum lastNumber = 0;
    OSErr error = noErr;
};

State &state()
{
    static State instance;
    return instance;
}

OpenFile *openFile(State &s, ResFileRefNum number)
{
    const auto found = std::find_if(s.files.begin(), s.files.end(),
                                    [number](const OpenFile &file) { return file.number == number; });
    return found == s.files.end() ? nullptr : &*found;
}

OpenFile *owner(State &s, const ResourceHandle &resource)
{
    for (OpenFile &file : s.files) {
        if (resource && file.map.resources().contains(resource))
            return &file;
    }
    return nullptr;
}

ResFileRefNum nextNumber(State &s)
{
    do {
        s.lastNumber = s.lastNumber >= 0x7FFF ? 1 : s.lastNumber + 1;
    } while (openFile(s, s.lastNumber));
    return s.lastNumber;
}

// Writes the fork of `file` back into its companion, keeping every other entry
// as the companion holds it now (Finder information may have changed meanwhile).
bool commit(const OpenFile &file)
{
    const std::optional<QString> path = file.file.path();
    const std::optional<QByteArray> fork = file.map.toBytes();
    std::optional<AppleDouble> companion = path ? CompanionFile::read(*path) : std::nullopt;
    if (!fork || !companion)
        return false;
    companion->setResourceFork(*fork);
    return CompanionFile::write(*path, *companion);
}

bool validName(const QString &name)
{
    const qsizetype bytes = QFile::encodeName(name).size();
    return bytes > 0 && bytes <= CompanionFile::MaximumNameBytes && !name.contains(u'/') && name != u"."
           && name != u"..";
}

OSErr createEmptyFile(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return ioErr;
    ::close(fd);
    return noErr;
}

OSErr createFork(const FileReference &parent, const QString &name)
{
    if (!validName(name))
        return bdNamErr;
    const std::optional<QString> folder = parent.path();
    if (!folder)
        return dirNFErr;
    const QString path = QDir(*folder).filePath(name);
    if (!FileReference::fromPath(path)) {
        if (const OSErr error = createEmptyFile(path); error != noErr)
            return error;
    }
    std::optional<AppleDouble> companion = CompanionFile::read(path);
    if (!companion)
        return ioErr;
    if (companion->resourceFork())
        return dupFNErr;
    companion->setResourceFork(ResourceMap::emptyFork());
    return CompanionFile::write(path, *companion) ? noErr : ioErr;
}

// The first resource of the current file that `matches`; sets the last result.
template<typename Matches> ResourceHandle findInCurrentFile(Matches matches)
{
    State &s = state();
    std::lock_guard lock(s.mutex);
    OpenFile *file = openFile(s, s.current);
    s.error = file ? noErr : resFNotFound;
    if (!file)
        return nullptr;
    for (const ResourceHandle &resource : file->map.resources()) {
        if (matches(*resource))
            return resource;
    }
    return nullptr;
}

} // namespace

OSErr ResourceManager::resError()
{
    State &s = state();
    std::lock_guard lock(s.mutex);
    return s.error;
}

ResFileRefNum ResourceManager::curResFile()
{
    State &s = state();
    std::lock_guard lock(s.mutex);
    return s.current;
}

void ResourceManager::useResFile(ResFileRefNum file)
{
    State &s = state();
    std::lock_guard lock(s.mutex);
    if (file != 0 && !openFile(s, file)) {
        s.error = resFNotFound;
        return;
    }
    s.current = file;
    s.error = noErr;
}

void ResourceManager::createResFile(const FileReference &parent, const QString &name)
{
    const OSErr error = createFork(parent, name);
    State &s = state();
    std::lock_guard lock(s.mutex);
    s.error = error;
}

ResFileRefNum ResourceManager::openResFile(const FileReference &file, qint8 permission)
{
    State &s = state();
    std::lock_guard lock(s.mutex);
    const std::optional<QString> path = file.path();
    const std::optional<AppleDouble> companion = path ? CompanionFile::read(*path) : std::nullopt;
    s.error = !path ? fnfErr : !companion ? ioErr : !companion->resourceFork() ? resFNotFound : noErr;
    if (s.error != noErr)
        return -1;
    std::optional<ResourceMap> map = ResourceMap::parse(*companion->resourceFork());
    if (!map) {
        s.error = mapReadErr;
        return -1;
    }
    const bool writable = (permission & 6) != 0;
    if (!writable)
        map->setAttributes(map->attributes() | ResourceMap::MapReadOnly);
    OpenFile opened{nextNumber(s), file, writable, std::move(*map), false};
    s.files.push_back(std::move(opened));
    s.current = s.files.back().number;
    return s.current;
}

void ResourceManager::closeResFile(ResFileRefNum number)
{
    State &s = state();
    std::lock_guard lock(s.mutex);
    OpenFile *file = openFile(s, number);
    if (!file) {
        s.error = resFNotFound;
        return;
    }
    s.error = noErr;
    if (file->changed && file->writable && !commit(*file)) {
        s.error = ioErr;
        log(QStringLiteral("Resource Manager: could not write the resource fork of %1")
                .arg(file->file.lastKnownPath()));
    }
    s.files.erase(s.files.begin() + (file - s.files.data()));
    if (s.current == number)
        s.current = s.files.empty() ? 0 : s.files.back().number;
}

ResourceHandle ResourceManager::get1Resource(OSType type, ResID id)
{
    return findInCurrentFile([&](const auto &resource) { return resource.type == type && resource.id == id; });
}

ResourceHandle ResourceManager::get1NamedResource(OSType type, QByteArrayView name)
{
    return findInCurrentFile(
        [&](const auto &resource) { return resource.type == type && resource.name && *resource.name == name; });
}

void ResourceManager::removeResource(const ResourceHandle &resource)
{
    State &s = state();
    std::lock_guard lock(s.mutex);
    OpenFile *file = owner(s, resource);
    if (!file || !file->writable) {
        s.error = rmvResFailed;
        return;
    }
    file->map.resources().removeOne(resource);
    file->changed = true;
    s.error = noErr;
}

void ResourceManager::getResInfo(const ResourceHandle &resource, ResID *id, OSType *type, QByteArray *name)
{
    State &s = state();
    std::lock_guard lock(s.mutex);
    s.error = resource ? noErr : resNotFound;
    if (!resource)
        return;
    if (id)
        *id = resource->id;
    if (type)
        *type = resource->type;
    if (name)
        *name = resource->name.value_or(QByteArray());
}

qint16 ResourceManager::getResAttrs(const ResourceHandle &resource)
{
    State &s = state();
    std::lock_guard lock(s.mutex);
    s.error = resource ? noErr : resNotFound;
    return resource ? qint16(resource->attributes) : 0;
}

void ResourceManager::setResAttrs(const ResourceHandle &resource, qint16 attributes)
{
    State &s = state();
    std::lock_guard lock(s.mutex);
    s.error = resource ? noErr : resNotFound;
    if (resource)
        resource->attributes = quint8(attributes);
}

void ResourceManager::changedResource(const ResourceHandle &resource)
{
    State &s = state();
    std::lock_guard lock(s.mutex);
    OpenFile *file = owner(s, resource);
    s.error = !file ? resNotFound : !file->writable ? wrPermErr : noErr;
    if (s.error != noErr)
        return;
    resource->attributes |= ResourceMap::ResChanged;
    file->changed = true;
}

void ResourceManager::addResource(const QByteArray &data, OSType type, ResID id, const QByteArray &name)
{
    State &s = state();
    std::lock_guard lock(s.mutex);
    OpenFile *file = openFile(s, s.current);
    if (!file || !file->writable || !file->map.canAdd(data.size(), name.size())) {
        s.error = file ? addResFailed : resFNotFound;
        return;
    }
    auto resource = std::make_shared<Resource>();
    resource->type = type;
    resource->id = id;
    resource->name = name;
    resource->attributes = ResourceMap::ResChanged;
    resource->data = data;
    file->map.resources().append(std::move(resource));
    // Keep the resources of one type together, as the map lists them.
    std::stable_sort(file->map.resources().begin(), file->map.resources().end(),
                     [order = file->map.types()](const ResourceHandle &a, const ResourceHandle &b) {
                         return order.indexOf(a->type) < order.indexOf(b->type);
                     });
    file->changed = true;
    s.error = noErr;
}

ResID ResourceManager::unique1ID(OSType type)
{
    State &s = state();
    std::lock_guard lock(s.mutex);
    OpenFile *file = openFile(s, s.current);
    s.error = file ? noErr : resFNotFound;
    for (int id = 128; file && id <= 0x7FFF; ++id) {
        const bool used = std::any_of(file->map.resources().begin(), file->map.resources().end(),
                                      [&](const ResourceHandle &r) { return r->type == type && r->id == id; });
        if (!used)
            return ResID(id);
    }
    return 0;
}

qint16 ResourceManager::count1Types()
{
    State &s = state();
    std::lock_guard lock(s.mutex);
    OpenFile *file = openFile(s, s.current);
    s.error = file ? noErr : resFNotFound;
    return file ? qint16(std::min<qsizetype>(file->map.types().size(), 0x7FFF)) : 0;
}

void ResourceManager::get1IndType(OSType *type, qint16 index)
{
    State &s = state();
    std::lock_guard lock(s.mutex);
    OpenFile *file = openFile(s, s.current);
    const QList<OSType> types = file ? file->map.types() : QList<OSType>();
    const bool found = index >= 1 && index <= types.size();
    s.error = !file ? resFNotFound : found ? noErr : resNotFound;
    if (type)
        *type = found ? types[index - 1] : 0;
}

OSErr ResourceManager::getForkSize(ResFileRefNum number, qint64 *size)
{
    QByteArray bytes;
    const OSErr error = readFork(number, &bytes);
    if (error == noErr && size)
        *size = bytes.size();
    return error;
}

OSErr ResourceManager::readFork(ResFileRefNum number, QByteArray *bytes)
{
    State &s = state();
    std::lock_guard lock(s.mutex);
    OpenFile *file = openFile(s, number);
    if (!file)
        return paramErr;
    const std::optional<QString> path = file->file.path();
    const std::optional<AppleDouble> companion = path ? CompanionFile::read(*path) : std::nullopt;
    if (!companion)
        return ioErr;
    if (bytes)
        *bytes = companion->resourceFork().value_or(QByteArray());
    return noErr;
}

OSErr ResourceManager::writeFork(ResFileRefNum number, const QByteArray &bytes)
{
    State &s = state();
    std::lock_guard lock(s.mutex);
    OpenFile *file = openFile(s, number);
    if (!file)
        return paramErr;
    if (!file->writable)
        return wrPermErr;
    const std::optional<QString> path = file->file.path();
    std::optional<AppleDouble> companion = path ? CompanionFile::read(*path) : std::nullopt;
    if (!companion)
        return ioErr;
    companion->setResourceFork(bytes);
    if (!CompanionFile::write(*path, *companion))
        return ioErr;
    // The open file now stands for the bytes written; bytes that are no resource
    // fork leave it with no resources, and nothing is written back on close.
    file->map = ResourceMap::parse(bytes).value_or(ResourceMap());
    file->changed = false;
    return noErr;
}

} // namespace platform
