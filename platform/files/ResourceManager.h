#pragma once

#include "platform/files/FileReference.h"
#include "platform/files/ResourceMap.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <memory>

namespace platform {

using OSErr = qint16;
using ResFileRefNum = qint16;
using ResID = qint16;

/// The result codes of the original platform's File and Resource Managers that
/// this layer gives.
enum : OSErr {
    noErr = 0,
    ioErr = -36,
    bdNamErr = -37,
    eofErr = -39,
    fnfErr = -43,
    dupFNErr = -48,
    paramErr = -50,
    wrPermErr = -61,
    dirNFErr = -120,
    resNotFound = -192,
    resFNotFound = -193,
    addResFailed = -194,
    rmvResFailed = -196,
    mapReadErr = -199,
};

/// File Manager permissions for opening a fork.
enum : qint8 { fsRdPerm = 1, fsWrPerm = 2, fsRdWrPerm = 3 };

/// A resource as the Resource Manager hands it out: shared with the open file's
/// map, so changes through it (attributes) are changes of the file. Null when a
/// lookup found nothing.
using ResourceHandle = std::shared_ptr<Resource>;

/// The counterpart of the original platform's Resource Manager over resource
/// forks kept in AppleDouble companions (CompanionFile).
///
/// Process-wide state, as on the original platform: the open resource files,
/// the current resource file (the one the "1" calls search; opening a file makes
/// it current, closing the current one makes the most recently opened remaining
/// file current) and the last result, resError(). Changes live in memory until
/// closeResFile() writes the fork back into the companion, replacing only the
/// resource-fork entry. Calls are serialised by a lock, but the current file is
/// shared, so callers use it from one thread at a time.
///
/// A lookup that finds nothing gives a null handle and noErr: callers tell
/// "absent" from failure by the handle.
class ResourceManager
{
public:
    static OSErr resError();
    static ResFileRefNum curResFile();
    /// Makes an open file current (0: none); resFNotFound (and no change) for
    /// any other number.
    static void useResFile(ResFileRefNum file);

    /// Gives the item `name` in the folder `parent` a resource fork holding no
    /// resources, creating an empty file first when there is none. dupFNErr when
    /// the item has a resource fork already; bdNamErr for a name that is empty,
    /// holds '/', or is longer than the companion's name allows; dirNFErr when
    /// the parent cannot be found.
    static void createResFile(const FileReference &parent, const QString &name);

    /// Opens the resource fork of `file`; writing when `permission` has bit 1 or
    /// 2 set. The new file's number (greater than 0), made current; -1 on
    /// failure with resError() saying why (resFNotFound: no fork; mapReadErr: the
    /// fork is no resource fork; fnfErr: the item is gone).
    static ResFileRefNum openResFile(const FileReference &file, qint8 permission);

    /// Writes the file's changes (if any) and forgets it.
    static void closeResFile(ResFileRefNum file);

    static ResourceHandle get1Resource(OSType type, ResID id);
    /// By name: `name` is the name's bytes, without a length byte.
    static ResourceHandle get1NamedResource(OSType type, QByteArrayView name);
    /// Nothing to do here: a handle is released when the last copy goes.
    static void releaseResource(const ResourceHandle &) { }
    static void removeResource(const ResourceHandle &resource);
    /// Any pointer may be null; the name is given without its length byte.
    static void getResInfo(const ResourceHandle &resource, ResID *id, OSType *type, QByteArray *name);
    static qint16 getResAttrs(const ResourceHandle &resource);
    static void setResAttrs(const ResourceHandle &resource, qint16 attributes);
    /// Marks the resource (and its file) changed, to be written on close.
    static void changedResource(const ResourceHandle &resource);
    /// Adds a resource to the current file; addResFailed for a read-only file,
    /// a name over 255 bytes, or one more than the fork's format can hold.
    static void addResource(const QByteArray &data, OSType type, ResID id, const QByteArray &name);
    /// The smallest ID from 128 up that no resource of `type` in the current
    /// file has.
    static ResID unique1ID(OSType type);
    static qint16 count1Types();
    /// The `index`-th type (from 1) of the current file; 0 and resNotFound when
    /// there is none.
    static void get1IndType(OSType *type, qint16 index);

    /// The fork of an open file as stored (the File Manager's fork calls):
    /// size, whole contents, and replacing it whole (writing permission only).
    static OSErr getForkSize(ResFileRefNum file, qint64 *size);
    static OSErr readFork(ResFileRefNum file, QByteArray *bytes);
    static OSErr writeFork(ResFileRefNum file, const QByteArray &bytes);
};

} // namespace platform
