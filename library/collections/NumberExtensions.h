#pragma once

#include <QVariant>

/// The graphics float (32 bits on the original platform) as a number object.
namespace vl {

/// A number holding `value` as a float.
inline QVariant numberWithCGFloat(float value)
{
    return QVariant(value);
}

/// The number's value as a float (0 for what is no number).
inline float CGFloatValue(const QVariant &number)
{
    return number.toFloat();
}

} // namespace vl
