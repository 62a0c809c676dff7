#pragma once

// Where two property-list values first differ, for the tests and the differential fuzz
// target. QVariant's == treats NaN as unequal to itself and compares numbers across types;
// property lists need exact types and NaN == NaN.

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <cmath>

namespace corvane::test {

enum class Exactness {
    Values,     // equal values of the same type
    ValuesAndForm, // also the same time spec of a date and the same null-ness of a string
};

/// The path to the first place where `a` and `b` differ, with both values; empty when they do not.
inline QString propertyListDifference(const QVariant &a, const QVariant &b, Exactness exactness = Exactness::Values,
                                      const QString &path = QStringLiteral("/"))
{
    const QString differ = path + QStringLiteral(": %1(%2) vs %3(%4)").arg(QString::fromLatin1(a.metaType().name()), a.toString(),
                                                                            QString::fromLatin1(b.metaType().name()), b.toString());
    if (a.typeId() != b.typeId())
        return differ;
    if (a.typeId() == QMetaType::QVariantMap || a.typeId() == QMetaType::QVariantList) {
        const bool map = a.typeId() == QMetaType::QVariantMap;
        const QStringList keys = map ? a.toMap().keys() : QStringList();
        if (map ? keys != b.toMap().keys() : a.toList().size() != b.toList().size())
            return path + QStringLiteral(": different keys or sizes");
        const QVariantList la = map ? a.toMap().values() : a.toList(), lb = map ? b.toMap().values() : b.toList();
        for (qsizetype i = 0; i < la.size(); ++i) {
            const QString where = path + (map ? keys[i] : QString::number(i)) + QLatin1Char('/');
            if (QString d = propertyListDifference(la[i], lb[i], exactness, where); !d.isEmpty())
                return d;
        }
        return {};
    }
    if (a.typeId() == QMetaType::Double && std::signbit(a.toDouble()) != std::signbit(b.toDouble()))
        return differ;
    if (exactness == Exactness::ValuesAndForm) {
        if (a.typeId() == QMetaType::QDateTime && a.toDateTime().timeSpec() != b.toDateTime().timeSpec())
            return differ;
        if (a.typeId() == QMetaType::QString && a.toString().isNull() != b.toString().isNull())
            return differ;
    }
    const bool bothNan = a.typeId() == QMetaType::Double && std::isnan(a.toDouble()) && std::isnan(b.toDouble());
    return bothNan || a == b ? QString() : differ;
}

} // namespace corvane::test
