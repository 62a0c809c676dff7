#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace platform {

/// A mounted file system as the original platform's volumes: named, numbered by
/// a volume reference, with the folder it is mounted on.
///
/// The volume of "/" is named by its file-system label where it has one, else
/// "Root"; every other volume by its label, else the last component of its
/// mount point. Labels are asked of block-device file systems only, so no
/// lookup waits on a network server.
struct Volume
{
    int mountId = 0; ///< the kernel's mount ID (/proc/self/mountinfo)
    quint64 device = 0; ///< st_dev of every item on the file system
    QString mountPoint;
    QString source; ///< the mounted device or server, as mountinfo gives it
    QString fileSystemType;

    /// The volume's name (see above).
    QString name() const;

    /// The volume reference of a file specification: the negated mount ID, as
    /// the original platform's references are negative; 0 when it does not fit.
    qint16 reference() const;

    /// Every visible mount, in mount order; a mount hidden by a later mount on
    /// the same folder is left out.
    static QList<Volume> mounted();

    /// The volume whose mount point is the longest leading folder of the
    /// absolute path `path`, compared as text.
    static std::optional<Volume> containing(const QString &path);

    /// The first volume of that name, "/" first; none when none has it.
    static std::optional<Volume> named(const QString &name);

    static std::optional<Volume> withDevice(quint64 device);
    static std::optional<Volume> withReference(qint16 reference);
};

} // namespace platform
