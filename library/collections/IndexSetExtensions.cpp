#include "IndexSetExtensions.h"

#include "ArrayExtensions.h"

#include "platform/plist/PropertyListScalar.h"

namespace vl {

IndexSet indexSetWithArray(const QVariantList &array)
{
    IndexSet set;
    for (const QVariant &element : array) {
        switch (platform::propertyListScalar(element.typeId())) {
        case platform::PropertyListScalar::Boolean:
        case platform::PropertyListScalar::SignedInteger:
            set.insert(quint64(element.toLongLong()));
            break;
        case platform::PropertyListScalar::UnsignedInteger:
            set.insert(element.toULongLong());
            break;
        case platform::PropertyListScalar::Real:
            // A real that no 64-bit integer holds (NaN, infinities) gives no index.
            if (const double value = element.toDouble(); value > -9.2e18 && value < 9.2e18)
                set.insert(quint64(qint64(value)));
            break;
        default:
            break;
        }
    }
    return set;
}

IndexSet initWithIndexes(const QList<quint64> &indexes)
{
    IndexSet set;
    for (quint64 index : indexes) {
        if (index == quint64(ArrayNotFound))
            break;
        set.insert(index);
    }
    return set;
}

QVariantList allIndexes(const IndexSet &set)
{
    QVariantList numbers;
    numbers.reserve(qsizetype(set.size()));
    for (quint64 index : set)
        numbers.append(QVariant(index));
    return numbers;
}

void minusSet(IndexSet &set, const IndexSet &other)
{
    for (quint64 index : other)
        set.erase(index);
}

} // namespace vl
