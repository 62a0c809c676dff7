#include "ArrayExtensions.h"

#include "DictionaryExtensions.h"
#include "ObjectExtensions.h"

#include "platform/core/AssertionHandler.h"
#include "platform/core/Exception.h"

#include <QSet>

#include <algorithm>

namespace vl {

namespace {

QObject *objectOf(const QVariant &element)
{
    return element.canConvert<QObject *>() ? element.value<QObject *>() : nullptr;
}

// The binary searches, over any comparison of an element with the searched
// object. Only -1 and 1 order: the original tested for exactly those values.
template<typename Compare> qsizetype insertIndex(const QVariantList &array, Compare compare)
{
    qsizetype low = 0;
    qsizetype high = array.size();
    while (low < high) {
        const qsizetype middle = (low + high) / 2;
        if (compare(array.at(middle)) == -1)
            low = middle + 1;
        else
            high = middle;
    }
    return high;
}

template<typename Compare> qsizetype indexOf(const QVariantList &array, Compare compare)
{
    qsizetype low = 0;
    qsizetype high = array.size() - 1;
    while (high >= low) {
        const qsizetype middle = (low + high) / 2;
        const int result = compare(array.at(middle));
        if (result == -1) {
            low = middle + 1;
        } else if (result == 1) {
            if (middle == 0)
                return ArrayNotFound;
            high = middle - 1;
        } else {
            return middle;
        }
    }
    return ArrayNotFound;
}

auto byFunction(const QVariant &object, ComparisonFunction compare, void *context)
{
    return [&object, compare, context](const QVariant &element) { return compare(element, object, context); };
}

auto bySelector(const QVariant &object, QByteArrayView selector)
{
    return [&object, selector](const QVariant &element) {
        return performSelectorAndReturnInt(objectOf(element), selector, object);
    };
}

auto byProperties(const QVariant &object, const QVariant &properties)
{
    return [&object, &properties](const QVariant &element) {
        return performSelector(objectOf(element), "compare", {object, properties}).toInt();
    };
}

void requireSelector(QByteArrayView selector, const char *operation)
{
    if (selector.isEmpty())
        platform::raise(QString::fromLatin1(platform::ExceptionName::InvalidArgument),
                        QStringLiteral("-[NSArray %1] nil selector").arg(QLatin1StringView(operation)));
}

// Sends `selector` with `arguments` to each element that answers it.
void makeObjectsPerform(const QVariantList &array, QByteArrayView selector, const QVariantList &arguments,
                        const char *operation)
{
    requireSelector(selector, operation);
    for (const QVariant &element : array) {
        QObject *object = objectOf(element);
        if (respondsToSelector(object, selector, int(arguments.size())))
            performSelector(object, selector, arguments);
    }
}

} // namespace

qsizetype fastFindInsertIndexForObject(const QVariantList &array, const QVariant &object, ComparisonFunction compare,
                                       void *context)
{
    return insertIndex(array, byFunction(object, compare, context));
}

qsizetype fastIndexOfObject(const QVariantList &array, const QVariant &object, ComparisonFunction compare,
                            void *context)
{
    return indexOf(array, byFunction(object, compare, context));
}

qsizetype fastFindInsertIndexForObjectComparisonSelector(const QVariantList &array, const QVariant &object,
                                                         QByteArrayView selector)
{
    return insertIndex(array, bySelector(object, selector));
}

qsizetype fastIndexOfObjectComparisonSelector(const QVariantList &array, const QVariant &object,
                                              QByteArrayView selector)
{
    return indexOf(array, bySelector(object, selector));
}

qsizetype fastFindInsertIndexForObjectProperties(const QVariantList &array, const QVariant &object,
                                                 const QVariant &properties)
{
    return insertIndex(array, byProperties(object, properties));
}

qsizetype fastIndexOfObjectProperties(const QVariantList &array, const QVariant &object, const QVariant &properties)
{
    return indexOf(array, byProperties(object, properties));
}

QVariant valueForKey(const QVariant &element, const QString &key)
{
    if (const auto dictionary = dictionaryValue(element))
        return dictionary->value(key);
    if (const QObject *object = objectOf(element))
        return object->property(key.toUtf8().constData());
    return {};
}

bool allHaveSameKey(const QVariantList &array, const QString &key)
{
    if (array.isEmpty())
        return true;
    QVariant previous = valueForKey(array.first(), key);
    for (qsizetype i = 1; i < array.size(); ++i) {
        QVariant current = valueForKey(array.at(i), key);
        if (current.isValid() && !previous.isValid())
            return false;
        if (previous.isValid() && (!current.isValid() || previous != current))
            return false;
        previous = std::move(current);
    }
    return true;
}

bool areAllObjectsEqual(const QVariantList &array, const QVariant &object)
{
    return std::all_of(array.begin(), array.end(), [&](const QVariant &element) { return element == object; });
}

QVariantList arrayByInsertingObject(const QVariantList &array, const QVariant &object, qsizetype index)
{
    QVariantList result = array;
    result.insert(std::clamp<qsizetype>(index, 0, result.size()), object);
    return result;
}

MutableArray arrayByRemovingObject(const QVariantList &array, const QVariant &object)
{
    MutableArray result(array);
    result.removeAll(object);
    return result;
}

MutableArray arrayByRemovingObjectsFromArray(const QVariantList &array, const QVariantList &objects)
{
    MutableArray result;
    for (const QVariant &element : array) {
        if (!objects.contains(element))
            result.append(element);
    }
    return result;
}

QVariantList arrayOfObjectsInDictionariesForKey(const QVariantList &array, const QString &key)
{
    QVariantList values;
    for (const QVariant &element : array) {
        const auto dictionary = dictionaryValue(element);
        if (dictionary && dictionary->contains(key))
            values.append(dictionary->value(key));
    }
    return values;
}

bool containsAtLeastOneDictionaryWithObjectForKey(const QVariantList &array, const QString &key)
{
    return std::any_of(array.begin(), array.end(), [&](const QVariant &element) {
        const auto dictionary = dictionaryValue(element);
        return dictionary && dictionary->contains(key);
    });
}

QVariant firstObject(const QVariantList &array)
{
    return array.isEmpty() ? QVariant() : array.first();
}

qsizetype indexOfDictionaryWithObject(const QVariantList &array, const QVariant &object, const QString &key)
{
    for (qsizetype i = 0; i < array.size(); ++i) {
        const auto dictionary = dictionaryValue(array.at(i));
        if (dictionary && dictionary->contains(key) && dictionary->value(key) == object)
            return i;
    }
    return ArrayNotFound;
}

QVariant searchForDictionaryWithObject(const QVariantList &array, const QVariant &object, const QString &key)
{
    const qsizetype index = indexOfDictionaryWithObject(array, object, key);
    return index == ArrayNotFound ? QVariant() : array.at(index);
}

IndexSet indexesOfObject(const QVariantList &array, const QVariant &object)
{
    IndexSet indexes;
    for (qsizetype i = 0; i < array.size(); ++i) {
        if (array.at(i) == object)
            indexes.insert(quint64(i));
    }
    return indexes;
}

bool intersectsArray(const QVariantList &array, const QVariantList &other)
{
    return std::any_of(array.begin(), array.end(), [&](const QVariant &element) { return other.contains(element); });
}

MutableArray deepMutableCopy(const QVariantList &array)
{
    return vl::deepMutableCopy(QVariant(array)).value<MutableArray>();
}

void doForEach(const QVariantList &array, QByteArrayView selector, QObject *target)
{
    for (const QVariant &element : array)
        performSelector(target, selector, QVariantList{element});
}

void makeObjectsPerformSelectorWithBool(const QVariantList &array, QByteArrayView selector, bool value)
{
    makeObjectsPerform(array, selector, {QVariant(value)}, "makeObjectsPerformSelector:withBool:");
}

void makeObjectsPerformSelectorWithInt(const QVariantList &array, QByteArrayView selector, int value)
{
    makeObjectsPerform(array, selector, {QVariant(value)}, "makeObjectsPerformSelector:withInt:");
}

void makeObjectsPerformSelectorWithLongLong(const QVariantList &array, QByteArrayView selector, qint64 value)
{
    makeObjectsPerform(array, selector, {QVariant(value)}, "makeObjectsPerformSelector:withLongLong:");
}

void makeObjectsPerformSelector(const QVariantList &array, QByteArrayView selector, const QVariant &a,
                                const QVariant &b)
{
    makeObjectsPerform(array, selector, {a, b}, "makeObjectsPerformSelector:withObject:withObject:");
}

void makeObjectsPerformSelectorWithSelector(const QVariantList &array, QByteArrayView selector, const QByteArray &value)
{
    makeObjectsPerform(array, selector, {QVariant(value)}, "makeObjectsPerformSelector:withSelector:");
}

void makeObjectsPerformSelectorWithUnsignedInteger(const QVariantList &array, QByteArrayView selector, quint64 value)
{
    makeObjectsPerform(array, selector, {QVariant(value)}, "makeObjectsPerformSelector:withUnsignedInteger:");
}

std::optional<CStringArray> cArrayUsingEncoding(const QVariantList &array, StringEncoding encoding)
{
    CStringArray result;
    result.m_pointers.reserve(size_t(array.size()) + 1);
    for (const QVariant &element : array) {
        if (element.typeId() != QMetaType::QString) {
            platform::handleAssertionFailure(QStringLiteral("cArrayUsingEncoding:"), &array,
                                             QStringLiteral("NSArray+VLExtensions"), __LINE__,
                                             QStringLiteral("Array must be 100% composed of strings"));
            return std::nullopt;
        }
        auto bytes = encodeString(element.toString(), encoding);
        if (!bytes)
            return std::nullopt;
        // QByteArray keeps a zero byte after its data; the pointer stays valid
        // because each array is owned through its own allocation.
        result.m_strings.push_back(std::make_unique<QByteArray>(std::move(*bytes)));
        result.m_pointers.push_back(result.m_strings.back()->data());
    }
    result.m_pointers.push_back(nullptr);
    return result;
}

void addObjects(QVariantList &array, const QVariantList &objects)
{
    array.append(objects);
}

void insertObjectsFromArray(QVariantList &array, const QVariantList &objects, qsizetype index)
{
    index = std::clamp<qsizetype>(index, 0, array.size());
    for (qsizetype i = 0; i < objects.size(); ++i)
        array.insert(index + i, objects.at(i));
}

void mergeObjectsFromArray(QVariantList &array, const QVariantList &other)
{
    for (qsizetype i = 0; i < other.size(); ++i) {
        const QVariant &theirs = other.at(i);
        const QVariant mine = i < array.size() ? array.at(i) : QVariant();
        const auto myArray = arrayValue(mine);
        const auto theirArray = arrayValue(theirs);
        const auto myDictionary = dictionaryValue(mine);
        const auto theirDictionary = dictionaryValue(theirs);
        if (myArray && theirArray) {
            MutableArray merged(*myArray);
            mergeObjectsFromArray(merged, *theirArray);
            array[i] = QVariant::fromValue(merged);
        } else if (myDictionary && theirDictionary) {
            MutableDictionary merged(*myDictionary);
            mergeObjectsFromDictionary(merged, *theirDictionary);
            array[i] = QVariant::fromValue(merged);
        } else if (theirs != mine) {
            array.append(theirs);
        }
    }
}

void moveObject(QVariantList &array, const QVariant &object, qsizetype index)
{
    const qsizetype from = array.indexOf(object);
    if (from >= 0)
        moveObjectAtIndex(array, from, index);
}

void moveObjectAtIndex(QVariantList &array, qsizetype from, qsizetype to)
{
    if (from < 0 || from >= array.size() || to < 0 || to > array.size())
        return;
    const QVariant element = array.takeAt(from);
    array.insert(from < to ? to - 1 : to, element);
}

void removeObjectsEqualTo(QVariantList &array, const QVariant &object)
{
    array.removeAll(object);
}

void removeObjectsInArray(QVariantList &array, const QVariantList &objects, QByteArrayView comparisonSelector)
{
    QVariantList noted;
    for (const QVariant &element : std::as_const(array)) {
        QObject *receiver = objectOf(element);
        const bool matches = std::any_of(objects.begin(), objects.end(), [&](const QVariant &object) {
            return performSelectorAndReturnInt(receiver, comparisonSelector, object) == 0;
        });
        if (matches)
            noted.append(element);
    }
    array.removeIf([&](const QVariant &element) { return noted.contains(element); });
}

void replaceObject(QVariantList &array, const QVariant &object, const QVariant &replacement)
{
    const qsizetype index = array.indexOf(object);
    if (index >= 0)
        array[index] = replacement;
}

} // namespace vl
