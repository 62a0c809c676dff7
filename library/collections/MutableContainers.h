#pragma once

#include <QMetaType>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <optional>

/// Arrays and dictionaries of the original platform's mutable classes.
///
/// Qt's containers are values that any holder may change, so mutability here is
/// only what the original told apart by class: the class an array or dictionary
/// archives as and answers isMutable with. Operations specified to give a
/// mutable container return these types; a QVariant holding one keeps the mark
/// (deep mutable copies and mutable downloads mark every nested level) and still
/// converts with toList() and toMap(). QVariant compares by type first, so a
/// marked container never equals an unmarked one inside a QVariant: compare the
/// lists or maps themselves.
namespace vl {

class MutableArray : public QVariantList
{
public:
    MutableArray() = default;
    explicit MutableArray(QVariantList list)
        : QVariantList(std::move(list))
    {
    }
};

class MutableDictionary : public QVariantMap
{
public:
    MutableDictionary() = default;
    explicit MutableDictionary(QVariantMap map)
        : QVariantMap(std::move(map))
    {
    }
};

/// Whether the container archives as the mutable class: by its static type, or
/// for a QVariant by the type it holds (false for anything but a marked container).
constexpr bool isMutable(const QVariantList &)
{
    return false;
}
constexpr bool isMutable(const MutableArray &)
{
    return true;
}
constexpr bool isMutable(const QVariantMap &)
{
    return false;
}
constexpr bool isMutable(const MutableDictionary &)
{
    return true;
}
bool isMutable(const QVariant &value);

/// A copy of `value` in which every array and dictionary, at every level, is a
/// new marked mutable container; other values are copied as they are.
QVariant deepMutableCopy(const QVariant &value);

/// The same copy with no container marked at any level: the plain Qt values that
/// the property-list writer and the archiver take.
QVariant immutableCopy(const QVariant &value);

/// The array a QVariant holds, marked or not (QStringList too); none for anything else.
std::optional<QVariantList> arrayValue(const QVariant &value);
/// The dictionary a QVariant holds, marked or not; none for anything else.
std::optional<QVariantMap> dictionaryValue(const QVariant &value);

} // namespace vl

Q_DECLARE_METATYPE(vl::MutableArray)
Q_DECLARE_METATYPE(vl::MutableDictionary)
