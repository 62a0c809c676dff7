#include "platform/bus/DBusValueConversion_p.h"

#include "platform/plist/PropertyListScalar.h"

#include <QDBusArgument>
#include <QDBusVariant>
#include <QStringList>

#include <algorithm>

namespace platform::dbus {

namespace {

// Whether QtDBus marshals a number of this type as it is; char, signed char, long,
// unsigned long and float have no D-Bus type of their own.
bool hasDBusType(int typeId)
{
    return typeId != QMetaType::Char && typeId != QMetaType::SChar && typeId != QMetaType::Long
        && typeId != QMetaType::ULong && typeId != QMetaType::Float;
}

// A property-list scalar as D-Bus carries it: numbers without a D-Bus type of
// their own widen; a date has no D-Bus form at all.
std::optional<QVariant> scalarForBus(const QVariant &value)
{
    const int typeId = value.metaType().id();
    switch (propertyListScalar(typeId)) {
    case PropertyListScalar::Boolean:
    case PropertyListScalar::String:
    case PropertyListScalar::Data:
        return value;
    case PropertyListScalar::SignedInteger:
        return hasDBusType(typeId) ? value : QVariant(value.toLongLong());
    case PropertyListScalar::UnsignedInteger:
        return hasDBusType(typeId) ? value : QVariant(value.toULongLong());
    case PropertyListScalar::Real:
        return hasDBusType(typeId) ? value : QVariant(value.toDouble());
    case PropertyListScalar::Date:
    case PropertyListScalar::None:
        break;
    }
    return std::nullopt;
}

// A QDBusArgument reads like a cursor: every read below first asks what the current
// element is, because QtDBus (and libdbus under it) only warn and return garbage
// when told to open a container that is not there.
std::optional<QVariant> argumentValue(const QDBusArgument &argument, bool structures, int depth)
{
    switch (argument.currentType()) {
    case QDBusArgument::MapType: {
        if (!argument.currentSignature().startsWith(QLatin1String("a{s")))
            return std::nullopt;
        QVariantMap map;
        argument.beginMap();
        while (!argument.atEnd()) {
            argument.beginMapEntry();
            const QString key = argument.asVariant().toString();
            const QVariant value = argument.asVariant();
            argument.endMapEntry();
            if (auto converted = propertyListValue(value, structures, depth + 1))
                map.insert(key, *converted);
        }
        argument.endMap();
        return map;
    }
    case QDBusArgument::ArrayType: {
        QVariantList list;
        argument.beginArray();
        while (!argument.atEnd()) {
            if (auto converted = propertyListValue(argument.asVariant(), structures, depth + 1))
                list.append(*converted);
        }
        argument.endArray();
        return list;
    }
    case QDBusArgument::StructureType: {
        if (!structures)
            return std::nullopt;
        QVariantList members;
        argument.beginStructure();
        while (!argument.atEnd()) {
            auto converted = propertyListValue(argument.asVariant(), structures, depth + 1);
            if (!converted)
                return std::nullopt;   // a structure is all or nothing
            members.append(*converted);
        }
        argument.endStructure();
        return members;
    }
    case QDBusArgument::VariantType:
        return propertyListValue(argument.asVariant(), structures, depth + 1);
    case QDBusArgument::BasicType:
        return propertyListValue(argument.asVariant(), structures, depth + 1);
    case QDBusArgument::MapEntryType:
    case QDBusArgument::UnknownType:
        break;
    }
    return std::nullopt;
}

std::optional<QVariant> sendableValue(const QVariant &value, int depth)
{
    if (depth > MaximumDepth)
        return std::nullopt;
    const int typeId = value.metaType().id();
    if (auto scalar = scalarForBus(value))
        return scalar;
    switch (typeId) {
    case QMetaType::QStringList:
        return value;
    case QMetaType::QVariantList: {
        QVariantList list;
        for (const QVariant &member : value.toList()) {
            if (auto converted = sendableValue(member, depth + 1))
                list.append(*converted);
        }
        return list;
    }
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash: {
        QVariantMap map;
        const QVariantMap source = value.toMap();
        for (auto it = source.cbegin(); it != source.cend(); ++it) {
            if (auto converted = sendableValue(it.value(), depth + 1))
                map.insert(it.key(), *converted);
        }
        return map;
    }
    default:
        return std::nullopt;
    }
}

} // namespace

std::optional<QVariant> propertyListValue(const QVariant &value, bool structures, int depth)
{
    if (depth > MaximumDepth)
        return std::nullopt;
    const int typeId = value.metaType().id();
    if (typeId == QMetaType::QStringList)
        return value;
    if (auto scalar = scalarForBus(value))
        return scalar;
    if (value.metaType() == QMetaType::fromType<QDBusVariant>())
        return propertyListValue(value.value<QDBusVariant>().variant(), structures, depth + 1);
    if (value.metaType() == QMetaType::fromType<QDBusArgument>())
        return argumentValue(value.value<QDBusArgument>(), structures, depth);
    if (typeId == QMetaType::QVariantMap || typeId == QMetaType::QVariantList)
        return sendableValue(value, depth);
    return std::nullopt;
}

QVariantMap userInfoFromArgument(const QVariant &argument)
{
    if (argument.metaType() == QMetaType::fromType<QDBusArgument>()) {
        const auto argumentValue = argument.value<QDBusArgument>();
        if (argumentValue.currentType() != QDBusArgument::MapType)
            return {};
    } else if (argument.metaType().id() != QMetaType::QVariantMap) {
        return {};
    }
    const auto converted = propertyListValue(argument);
    return converted ? converted->toMap() : QVariantMap();
}

QVariantMap userInfoForSending(const QVariantMap &userInfo)
{
    const auto converted = sendableValue(userInfo, 0);
    return converted ? converted->toMap() : QVariantMap();
}

bool isValidNameElement(const QString &name)
{
    if (name.isEmpty() || name.size() > 200 || name.front().isDigit())
        return false;
    return std::all_of(name.cbegin(), name.cend(), [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_';
    });
}

QString busName(const QString &registeredName)
{
    return QLatin1String(NamePrefix) + registeredName;
}

QString objectPath(const QString &registeredName)
{
    return QLatin1Char('/') + registeredName;
}

} // namespace platform::dbus
