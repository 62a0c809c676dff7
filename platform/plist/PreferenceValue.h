#pragma once

#include <QVariant>

#include <optional>

/// Reading a value of a preferences domain the way the pane and the service
/// both read it, whatever type another program stored it with.
namespace platform::PreferenceValue {

/// A boolean as itself; a number: non-zero; a string: starting with Y, y, T, t
/// or holding a non-zero integer. False for anything else.
bool boolValue(const QVariant &value);

/// A boolean as 0 or 1; an integer that fits 64 signed bits; a real truncated
/// toward zero when it fits; a string holding an integer. None for anything else.
std::optional<qint64> integerValue(const QVariant &value);

} // namespace platform::PreferenceValue
