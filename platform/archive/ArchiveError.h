#pragma once

#include <QString>
#include <QtGlobal>

namespace platform {

/// Why an archive could not be read: a description for logs and tests, and the
/// byte offset where reading stopped (-1 when the failure is not tied to a place,
/// such as an unknown class met while building objects).
struct ArchiveError
{
    QString description;
    qsizetype offset = -1;
};

} // namespace platform
