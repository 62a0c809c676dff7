#pragma once

#include "platform/store/Predicate.h"

#include <QList>
#include <QString>

#include <optional>

namespace platform {

/// One sort key of a fetch: ascending or descending on an attribute, comparing
/// text case-sensitively and literally.
struct SortDescriptor
{
    QString key;
    bool ascending = true;
};

/// What to fetch: the objects of one entity that match a predicate (all when
/// none), in the order of the sort descriptors.
struct FetchRequest
{
    QString entityName;
    std::optional<Predicate> predicate;
    QList<SortDescriptor> sortDescriptors;
};

} // namespace platform
