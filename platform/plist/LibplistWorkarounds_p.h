#pragma once

// The property-list bridge's ways around libplist 2.2, all in one place. Each
// answers one behaviour of that version:
//
// 1. It trusts its input. It keeps strings NUL-terminated, so a string holding
//    U+0000 reads back cut short, and a dictionary key holding one fails an
//    assertion inside libplist (the process aborts). It parses nested containers
//    by recursion, so some hundred thousand levels overflow the stack.
//    refusalOfXml() looks for both before libplist sees an XML list (binary lists
//    never reach libplist's reader). On the way out, plist_new_string() copies up
//    to the first NUL, so the writer refuses U+0000.
// 2. Integers are unsigned 64-bit nodes whose width the API does not show: a
//    negative number and an unsigned one above INT64_MAX share the same bits, and
//    plist_new_uint() always makes the 8-byte node, which reads back negative
//    above INT64_MAX. integerValue() and newUnsignedNode() tell and make the width.
// 3. Dates cross the API as 32-bit seconds since 2001, about 1933 to 2069:
//    plist_get_date_val() hands out a date outside that range clamped to one of
//    its ends, and the fraction of a date before 2001 as a magnitude, its sign lost
//    when the seconds are 0; plist_new_date() cannot make such dates; and the XML
//    writer truncates a date toward 2001, which moves a date before 2001 with a
//    fraction one second late. dateValue() and newDateNode() reach the whole range
//    through a one-date binary document, and give XML whole seconds.
// 4. Its XML writer drops the sign of -0.0. restoreNegativeZeros() puts it back.
//
// Internal to platform/plist.

#include <QByteArrayView>
#include <QString>
#include <QVariant>

#include <plist/plist.h>

#include <memory>
#include <optional>
#include <vector>

namespace platform::libplist {

struct NodeDeleter
{
    void operator()(void *node) const { plist_free(node); }
};
using NodePtr = std::unique_ptr<void, NodeDeleter>;

/// Why the XML property list `xml` must not reach libplist: a string with U+0000, or
/// nesting deeper than `maximumDepth`. Empty when it may.
QString refusalOfXml(QByteArrayView xml, int maximumDepth);

/// The value of the integer node `node`: a qint64, or a quint64 above INT64_MAX.
QVariant integerValue(plist_t node);
/// An integer node that reads back as the unsigned `value`.
NodePtr newUnsignedNode(quint64 value);

/// The date of the date node `node`, in milliseconds since the reference date;
/// none when it is out of any range a date can hold.
std::optional<qint64> dateValue(plist_t node);
/// A date node `msecs` milliseconds after the reference date, in whole seconds
/// (rounded down) when it is meant for XML; null when no node can hold it.
NodePtr newDateNode(qint64 msecs, bool forXml);

/// Gives back their sign to the reals of `xml`, as libplist's XML writer wrote it,
/// that were -0.0: `which` holds the order of each among the reals made for the
/// document, ascending. False when `xml` has fewer reals than that.
bool restoreNegativeZeros(QByteArray &xml, const std::vector<qsizetype> &which);

} // namespace platform::libplist
