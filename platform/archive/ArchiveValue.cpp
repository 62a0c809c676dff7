#include "platform/archive/ArchiveValue.h"

#include <cmath>

namespace platform {

ArchiveValue ArchiveValue::compound(QList<ArchiveValue> elements)
{
    ArchiveValue value;
    value.m_value = std::make_shared<const QList<ArchiveValue>>(std::move(elements));
    return value;
}

qint64 ArchiveValue::toLongLong() const
{
    if (const auto *v = std::get_if<qint64>(&m_value))
        return *v;
    if (const auto *v = std::get_if<quint64>(&m_value))
        return qint64(*v);
    if (const auto *v = std::get_if<double>(&m_value)) {
        // Outside this range the conversion would be undefined behaviour.
        if (std::isfinite(*v) && *v > -9.2e18 && *v < 9.2e18)
            return qint64(*v);
    }
    return 0;
}

double ArchiveValue::toDouble() const
{
    if (const auto *v = std::get_if<double>(&m_value))
        return *v;
    if (const auto *v = std::get_if<qint64>(&m_value))
        return double(*v);
    if (const auto *v = std::get_if<quint64>(&m_value))
        return double(*v);
    return 0;
}

QByteArray ArchiveValue::toByteArray() const
{
    if (const auto *v = std::get_if<QByteArray>(&m_value))
        return *v;
    return {};
}

QList<ArchiveValue> ArchiveValue::elements() const
{
    if (const auto *v = std::get_if<Compound>(&m_value))
        return **v;
    return {};
}

ArchiveValue::ObjectReference ArchiveValue::objectReference() const
{
    if (const auto *v = std::get_if<ObjectReference>(&m_value))
        return *v;
    return {};
}

ArchiveValue::ClassReference ArchiveValue::classReference() const
{
    if (const auto *v = std::get_if<ClassReference>(&m_value))
        return *v;
    return {};
}

bool ArchiveValue::operator==(const ArchiveValue &other) const
{
    const auto *mine = std::get_if<Compound>(&m_value);
    const auto *theirs = std::get_if<Compound>(&other.m_value);
    if (mine && theirs)
        return **mine == **theirs;
    return m_value == other.m_value;
}

} // namespace platform
