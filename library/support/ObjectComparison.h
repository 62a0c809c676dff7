#pragma once

#include "platform/core/ComparisonResult.h"

#include <QVariant>

/// The ordering every object has: the root object's compare:, which classes
/// with an ordering of their own fall back on for arguments of other kinds.
namespace vl {

/// OrderedSame when `receiver` equals `other`, OrderedDescending otherwise: it
/// tells the same from the different and orders nothing. Equality is
/// QVariant's: values by value, objects held by shared pointer (such as a
/// platform::ArchivedObjectPointer) by identity.
inline platform::ComparisonResult compare(const QVariant &receiver, const QVariant &other)
{
    return receiver == other ? platform::ComparisonResult::OrderedSame : platform::ComparisonResult::OrderedDescending;
}

} // namespace vl
