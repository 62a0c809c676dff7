#pragma once

// Conversions between D-Bus values as QtDBus hands them over and the property-list
// values (strings, numbers, booleans, data, lists, string-keyed maps) that the
// distributed notification centre and distributed objects carry, and the maker's
// names on the bus. Internal to platform/bus.

#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <optional>

class QDBusMessage;

namespace platform::dbus {

/// The maker's namespace on the bus: interface and well-known names begin with it.
inline constexpr char NamePrefix[] = "com.velora.";

/// Deepest nesting of lists and maps accepted from the bus; deeper values are dropped.
inline constexpr int MaximumDepth = 32;

/// The property-list value of `value` as QtDBus demarshalled it (a basic value, a
/// QDBusVariant or a QDBusArgument). Object paths, signatures, file descriptors,
/// maps whose keys are not strings, and structures (unless `structures` is set,
/// which turns a structure into the list of its members) give none; so does
/// nesting deeper than MaximumDepth. Inside lists and maps such members are
/// dropped one by one, the rest is kept.
std::optional<QVariant> propertyListValue(const QVariant &value, bool structures = false, int depth = 0);

/// The user info carried by an `a{sv}` argument; anything else gives an empty map.
QVariantMap userInfoFromArgument(const QVariant &argument);

/// `userInfo` reduced to what QtDBus can marshal as `a{sv}`: every entry that is
/// not a property-list value (recursively) is left out.
QVariantMap userInfoForSending(const QVariantMap &userInfo);

/// Whether `name` is a valid element of a D-Bus name ([A-Za-z_][A-Za-z0-9_]*),
/// so that it can follow NamePrefix and "/" safely.
bool isValidNameElement(const QString &name);

/// "com.velora.<name>": the well-known bus name of a connection registered as `registeredName`.
QString busName(const QString &registeredName);
/// "/<name>": the path of its root object.
QString objectPath(const QString &registeredName);

} // namespace platform::dbus
