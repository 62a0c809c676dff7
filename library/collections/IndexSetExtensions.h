#pragma once

#include <QList>
#include <QVariantList>

#include <set>

/// A set of unsigned indexes in ascending order (the original platform's index
/// set), and the operations the library adds to it.
namespace vl {

using IndexSet = std::set<quint64>;

/// The unsigned values of the array's numbers (booleans, integers, reals
/// truncated; negative values wrap as unsigned); other elements are skipped.
IndexSet indexSetWithArray(const QVariantList &array);
/// The indexes of `indexes` up to the first 2147483647 (the not-found index),
/// which ends the list as it ended the original's argument list.
IndexSet initWithIndexes(const QList<quint64> &indexes);
/// One number (quint64) per index, ascending.
QVariantList allIndexes(const IndexSet &set);
/// Removes the indexes that `other` contains.
void minusSet(IndexSet &set, const IndexSet &other);

} // namespace vl
