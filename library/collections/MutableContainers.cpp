#include "MutableContainers.h"

namespace vl {

namespace {

// toList() and toMap() of a QVariant holding a marked container go through these.
void registerConverters()
{
    QMetaType::registerConverter<MutableArray, QVariantList>([](const MutableArray &a) { return QVariantList(a); });
    QMetaType::registerConverter<MutableDictionary, QVariantMap>(
        [](const MutableDictionary &d) { return QVariantMap(d); });
}

} // namespace

Q_CONSTRUCTOR_FUNCTION(registerConverters)

bool isMutable(const QVariant &value)
{
    return value.metaType() == QMetaType::fromType<MutableArray>()
           || value.metaType() == QMetaType::fromType<MutableDictionary>();
}

std::optional<QVariantList> arrayValue(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
        return value.toList();
    default:
        if (value.metaType() == QMetaType::fromType<MutableArray>())
            return QVariantList(value.value<MutableArray>());
        return std::nullopt;
    }
}

std::optional<QVariantMap> dictionaryValue(const QVariant &value)
{
    if (value.typeId() == QMetaType::QVariantMap)
        return value.toMap();
    if (value.metaType() == QMetaType::fromType<MutableDictionary>())
        return QVariantMap(value.value<MutableDictionary>());
    return std::nullopt;
}

QVariant deepMutableCopy(const QVariant &value)
{
    if (const auto array = arrayValue(value)) {
        MutableArray copy;
        copy.reserve(array->size());
        for (const QVariant &element : std::as_const(*array))
            copy.append(deepMutableCopy(element));
        return QVariant::fromValue(copy);
    }
    if (const auto dictionary = dictionaryValue(value)) {
        MutableDictionary copy;
        for (auto it = dictionary->begin(); it != dictionary->end(); ++it)
            copy.insert(it.key(), deepMutableCopy(it.value()));
        return QVariant::fromValue(copy);
    }
    return value;
}

QVariant immutableCopy(const QVariant &value)
{
    if (const auto array = arrayValue(value)) {
        QVariantList copy;
        copy.reserve(array->size());
        for (const QVariant &element : std::as_const(*array))
            copy.append(immutableCopy(element));
        return copy;
    }
    if (const auto dictionary = dictionaryValue(value)) {
        QVariantMap copy;
        for (auto it = dictionary->begin(); it != dictionary->end(); ++it)
            copy.insert(it.key(), immutableCopy(it.value()));
        return copy;
    }
    return value;
}

} // namespace vl
