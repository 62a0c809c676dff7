#pragma once

// The property-list writer's ways around libplist 2.2, all in one place. Each answers
// one behaviour of that version:
//
// 1. plist_new_string() copies up to the first NUL, so the writer refuses U+0000.
// 2. Integers are unsigned 64-bit nodes, and plist_new_uint() always makes the 8-byte
//    node, which reads back negative above INT64_MAX. newUnsignedNode() makes the width.
// 3. Dates cross the API as 32-bit seconds since 2001, about 1933 to 2069:
//    plist_new_date() cannot make a date outside that range, nor the fraction of one
//    before 2001; and the XML writer truncates a date toward 2001, which moves a date
//    before 2001 with a fraction one second late. newDateNode() reaches the whole range
//    through a one-date binary document, and gives XML whole seconds.
// 4. Its XML writer drops the sign of -0.0. restoreNegativeZeros() puts it back.
//
// Lists are read by readers of our own, not by libplist. Internal to platform/plist.

#include <QByteArray>

#include <plist/plist.h>

#include <memory>
#include <vector>

namespace platform::libplist {

struct NodeDeleter
{
    void operator()(void *node) const { plist_free(node); }
};
using NodePtr = std::unique_ptr<void, NodeDeleter>;

/// An integer node that reads back as the unsigned `value`.
NodePtr newUnsignedNode(quint64 value);

/// A date node `msecs` milliseconds after the reference date, in whole seconds
/// (rounded down) when it is meant for XML; null when no node can hold it.
NodePtr newDateNode(qint64 msecs, bool forXml);

/// Gives back their sign to the reals of `xml`, as libplist's XML writer wrote it,
/// that were -0.0: `which` holds the order of each among the reals made for the
/// document, ascending. False when `xml` has fewer reals than that.
bool restoreNegativeZeros(QByteArray &xml, const std::vector<qsizetype> &which);

} // namespace platform::libplist
