#pragma once

#include "IndexSetExtensions.h"
#include "MutableContainers.h"
#include "StringEncoding.h"

#include <QByteArrayView>
#include <QObject>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include <memory>
#include <optional>
#include <vector>

/// Operations the library adds to arrays (QVariantList) and mutable arrays.
/// Equality is QVariant's. An element that is an object is a QVariant holding a
/// QObject pointer; the selector forms send methods by name to such elements
/// (see ObjectExtensions.h).
namespace vl {

/// The index that stands for "not found" in the binary searches and lookups.
inline constexpr qsizetype ArrayNotFound = 2147483647;

/// A C comparison function: the element, the searched object and the context.
/// -1 means the element comes first, 1 that it comes after, 0 the same.
using ComparisonFunction = int (*)(const QVariant &element, const QVariant &object, void *context);

/// Binary searches over an array sorted ascending by the same comparison, which is
/// always asked of the element with the searched object as argument. Only -1 and
/// 1 order: for the insert index any other answer counts as "not ascending", for
/// the index of an equal element as "same" (so a comparator answering -5 finds
/// the first element it is asked about). At most about log2(count) + 1 comparisons.
///
/// The insert index is the first position whose element is not smaller than
/// `object` (an equal run gets the new object before it). The index of an equal
/// element is any one of several equal ones, or ArrayNotFound.
qsizetype fastFindInsertIndexForObject(const QVariantList &array, const QVariant &object, ComparisonFunction compare,
                                       void *context = nullptr);
qsizetype fastIndexOfObject(const QVariantList &array, const QVariant &object, ComparisonFunction compare,
                            void *context = nullptr);
/// The comparison selector form: the elements are objects answering `selector`
/// with one argument and an int result.
qsizetype fastFindInsertIndexForObjectComparisonSelector(const QVariantList &array, const QVariant &object,
                                                         QByteArrayView selector);
qsizetype fastIndexOfObjectComparisonSelector(const QVariantList &array, const QVariant &object,
                                              QByteArrayView selector);
/// The properties form: the elements are objects answering
/// `compare(object, properties)` with an int result.
qsizetype fastFindInsertIndexForObjectProperties(const QVariantList &array, const QVariant &object,
                                                 const QVariant &properties);
qsizetype fastIndexOfObjectProperties(const QVariantList &array, const QVariant &object, const QVariant &properties);

/// True when every element gives the same value for `key` (a dictionary's
/// value, an object's property): a present value after an absent one, or a
/// value unequal to the previous present one (absent counts as unequal), is a
/// difference. Empty, one-element and all-absent arrays answer true.
bool allHaveSameKey(const QVariantList &array, const QString &key);
/// The value `element` gives for `key`: a dictionary's entry, an object's
/// property; none when it has none.
QVariant valueForKey(const QVariant &element, const QString &key);

/// True when every element equals `object`; true for an empty array.
bool areAllObjectsEqual(const QVariantList &array, const QVariant &object);
/// A new array with `object` inserted at `index` (clamped to the array).
QVariantList arrayByInsertingObject(const QVariantList &array, const QVariant &object, qsizetype index);
/// A new mutable array without any element equal to `object`.
MutableArray arrayByRemovingObject(const QVariantList &array, const QVariant &object);
/// A new mutable array without the elements equal to any of `objects`.
MutableArray arrayByRemovingObjectsFromArray(const QVariantList &array, const QVariantList &objects);
/// The values for `key` of the elements that are dictionaries holding it, in order.
QVariantList arrayOfObjectsInDictionariesForKey(const QVariantList &array, const QString &key);
/// True when some element is a dictionary with a value for `key`.
bool containsAtLeastOneDictionaryWithObjectForKey(const QVariantList &array, const QString &key);
/// Element 0; none for an empty array.
QVariant firstObject(const QVariantList &array);
/// An array of the one `object`.
inline QVariantList arrayWithObject(const QVariant &object)
{
    return QVariantList{object};
}
/// The first index whose element is a dictionary whose value for `key` equals
/// `object`; ArrayNotFound otherwise. Other elements are skipped.
qsizetype indexOfDictionaryWithObject(const QVariantList &array, const QVariant &object, const QString &key);
/// The element indexOfDictionaryWithObject finds, or none.
QVariant searchForDictionaryWithObject(const QVariantList &array, const QVariant &object, const QString &key);
/// The indexes of every element equal to `object`.
IndexSet indexesOfObject(const QVariantList &array, const QVariant &object);
/// True when the arrays share an equal element.
bool intersectsArray(const QVariantList &array, const QVariantList &other);

/// A new mutable copy in which every nested array and dictionary is copied
/// deeply (and marked mutable); other values are copied as they are.
MutableArray deepMutableCopy(const QVariantList &array);

/// Sends `selector` to `target` once per element, with the element, in order.
void doForEach(const QVariantList &array, QByteArrayView selector, QObject *target);

/// Each sends `selector` with the argument(s) to every element that is an object
/// answering it with that many parameters; other elements are skipped silently.
/// An empty selector raises "NSInvalidArgumentException" with
/// "-[NSArray makeObjectsPerformSelector:withBool:] nil selector" (the
/// operation's own name).
void makeObjectsPerformSelectorWithBool(const QVariantList &array, QByteArrayView selector, bool value);
void makeObjectsPerformSelectorWithInt(const QVariantList &array, QByteArrayView selector, int value);
void makeObjectsPerformSelectorWithLongLong(const QVariantList &array, QByteArrayView selector, qint64 value);
void makeObjectsPerformSelector(const QVariantList &array, QByteArrayView selector, const QVariant &a,
                                const QVariant &b);
void makeObjectsPerformSelectorWithSelector(const QVariantList &array, QByteArrayView selector,
                                            const QByteArray &value);
void makeObjectsPerformSelectorWithUnsignedInteger(const QVariantList &array, QByteArrayView selector, quint64 value);

/// A NUL-terminated array of NUL-terminated byte strings, owning all of it: the
/// pointers and bytes live as long as this object.
class CStringArray
{
public:
    /// The strings, followed by a null pointer.
    char **data() { return m_pointers.data(); }
    qsizetype count() const { return qsizetype(m_pointers.size()) - 1; }

private:
    friend std::optional<CStringArray> cArrayUsingEncoding(const QVariantList &, StringEncoding);
    std::vector<std::unique_ptr<QByteArray>> m_strings;
    std::vector<char *> m_pointers;
};

/// The array's strings in `encoding`, each followed by a zero byte. An element
/// that is not a string reports "Array must be 100% composed of strings" to the
/// assertion handler; then, and when a string does not convert without loss,
/// none.
std::optional<CStringArray> cArrayUsingEncoding(const QVariantList &array, StringEncoding encoding);

// Mutable arrays, changed in place.

void addObjects(QVariantList &array, const QVariantList &objects);
/// Inserts the elements of `objects` at consecutive indexes from `index`, in order.
void insertObjectsFromArray(QVariantList &array, const QVariantList &objects, qsizetype index);
/// Merges `other` into `array` position by position: two arrays or two
/// dictionaries at a position merge recursively (the result marked mutable);
/// otherwise `other`'s element is appended at the end unless it equals the
/// element at that position. Appended elements extend the array, so later
/// positions compare with them: [b, c] into [a] gives [a, b, c]; [b, b] into
/// [a] gives [a, b].
void mergeObjectsFromArray(QVariantList &array, const QVariantList &other);
/// Moves the first element equal to `object` to `index`; nothing when absent.
void moveObject(QVariantList &array, const QVariant &object, qsizetype index);
/// Takes the element out of `from` and inserts it at `to - 1` when from < to,
/// else at `to`: `to` counts positions before the removal ([a, b, c, d], 0 → 3
/// gives [b, c, a, d]). Indexes outside the array change nothing.
void moveObjectAtIndex(QVariantList &array, qsizetype from, qsizetype to);
void removeObjectsEqualTo(QVariantList &array, const QVariant &object);
/// Removes, by equality, every element for which sending `selector` with some
/// element of `objects` answers 0. Elements are objects answering the selector.
void removeObjectsInArray(QVariantList &array, const QVariantList &objects, QByteArrayView comparisonSelector);
/// Replaces the first element equal to `object` by `replacement`; nothing when absent.
void replaceObject(QVariantList &array, const QVariant &object, const QVariant &replacement);

} // namespace vl
