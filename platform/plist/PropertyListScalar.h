#pragma once

#include <QMetaType>

namespace platform {

/// The kinds of single value a property list holds.
enum class PropertyListScalar { None, Boolean, SignedInteger, UnsignedInteger, Real, String, Data, Date };

/// The kind of property-list value that a Qt value of type `typeId` stands for;
/// None for containers and for every type a property list has no place for. The
/// one list of those types: the property-list writer, the D-Bus bridge and the
/// protocol's arguments all go by it.
constexpr PropertyListScalar propertyListScalar(int typeId)
{
    switch (typeId) {
    case QMetaType::Bool:
        return PropertyListScalar::Boolean;
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::Short:
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
        return PropertyListScalar::SignedInteger;
    case QMetaType::UChar:
    case QMetaType::UShort:
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        return PropertyListScalar::UnsignedInteger;
    case QMetaType::Float:
    case QMetaType::Double:
        return PropertyListScalar::Real;
    case QMetaType::QString:
        return PropertyListScalar::String;
    case QMetaType::QByteArray:
        return PropertyListScalar::Data;
    case QMetaType::QDateTime:
        return PropertyListScalar::Date;
    default:
        return PropertyListScalar::None;
    }
}

} // namespace platform
