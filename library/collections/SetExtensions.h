#pragma once

#include <QList>
#include <QSet>

/// Operations the library adds to sets (QSet) and mutable sets.
namespace vl {

/// A new set with `object` added.
template<typename T> QSet<T> setByAddingObject(const QSet<T> &set, const T &object)
{
    QSet<T> result = set;
    result.insert(object);
    return result;
}

/// Adds each of `objects`.
template<typename T> void addObjects(QSet<T> &set, const QList<T> &objects)
{
    for (const T &object : objects)
        set.insert(object);
}

/// Removes each element of `objects`.
template<typename T> void removeObjectsInArray(QSet<T> &set, const QList<T> &objects)
{
    for (const T &object : objects)
        set.remove(object);
}

} // namespace vl
