#pragma once

#include <QVariant>

#include <optional>

/// Reading a value of the service's preferences domain the way the service
/// reads it, whatever type another program stored it with.
namespace PreferenceValue {

/// A boolean as itself; a number: non-zero; a string: starting with Y, y, T, t
/// or holding a non-zero integer. False for anything else.
bool boolValue(const QVariant &value);

/// A boolean as 0 or 1; an integer that fits 64 signed bits; a real truncated
/// toward zero when it fits; a string holding an integer. None for anything else.
std::optional<qint64> integerValue(const QVariant &value);

} // namespace PreferenceValue
