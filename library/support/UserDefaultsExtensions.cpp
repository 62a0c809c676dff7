#include "UserDefaultsExtensions.h"

#include "DateFormatterExtensions.h"
#include "StringExtensions.h"

#include "platform/core/Exception.h"
#include "platform/plist/ApplicationPreferences.h"
#include "platform/plist/PropertyListScalar.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace vl {

namespace {

constexpr char16_t blank = u' ';

bool isNumber(const QVariant &value)
{
    switch (platform::propertyListScalar(value.typeId())) {
    case platform::PropertyListScalar::Boolean:
    case platform::PropertyListScalar::SignedInteger:
    case platform::PropertyListScalar::UnsignedInteger:
    case platform::PropertyListScalar::Real:
        return true;
    default:
        return false;
    }
}

bool isReal(const QVariant &value)
{
    return platform::propertyListScalar(value.typeId()) == platform::PropertyListScalar::Real;
}

// Data, string, array, dictionary, date or number: the six kinds of property-list object.
bool isPropertyListObject(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QByteArray:
    case QMetaType::QString:
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash:
    case QMetaType::QDateTime:
        return true;
    default:
        return isNumber(value);
    }
}

// The integer's two's-complement bits (a boolean is 0 or 1).
quint64 integerBits(const QVariant &value)
{
    if (platform::propertyListScalar(value.typeId()) == platform::PropertyListScalar::UnsignedInteger)
        return value.toULongLong();
    return quint64(value.toLongLong());
}

qint32 truncatedReal(double real)
{
    if (std::isnan(real))
        return 0;
    constexpr double lowest = std::numeric_limits<qint32>::min();
    constexpr double highest = std::numeric_limits<qint32>::max();
    return qint32(std::trunc(std::clamp(real, lowest, highest)));
}

} // namespace

QVariant objectForKey(const platform::UserDefaults &, const QString &key, const QString &applicationID)
{
    return platform::ApplicationPreferences::shared().copyAppValue(key, applicationID);
}

bool boolForKey(const platform::UserDefaults &defaults, const QString &key, const QString &applicationID)
{
    const QVariant value = objectForKey(defaults, key, applicationID);
    if (!isNumber(value))
        return false;
    return isReal(value) ? value.toDouble() != 0.0 : integerBits(value) != 0;
}

qint32 integerForKey(const platform::UserDefaults &defaults, const QString &key, const QString &applicationID)
{
    const QVariant value = objectForKey(defaults, key, applicationID);
    if (!isNumber(value))
        return 0;
    if (isReal(value))
        return truncatedReal(value.toDouble());
    return qint32(quint32(integerBits(value)));
}

void setObject(const platform::UserDefaults &, const QVariant &value, const QString &key, const QString &applicationID)
{
    if (!isPropertyListObject(value)) {
        platform::raise(
            QString::fromLatin1(platform::ExceptionName::ObjectInaccessible),
            QStringLiteral("object must be a property list object in order for it to be placed in user defaults"));
    }
    platform::ApplicationPreferences::shared().setAppValue(key, value, applicationID);
}

void setBool(const platform::UserDefaults &defaults, bool value, const QString &key, const QString &applicationID)
{
    setObject(defaults, QVariant(value), key, applicationID);
}

void setInteger(const platform::UserDefaults &defaults, qint32 value, const QString &key, const QString &applicationID)
{
    setObject(defaults, QVariant(value), key, applicationID);
}

bool synchronizeInApplicationID(const platform::UserDefaults &, const QString &applicationID)
{
    return platform::ApplicationPreferences::shared().appSynchronize(applicationID);
}

float CGFloatForKey(const platform::UserDefaults &defaults, const QString &key)
{
    const QVariant value = defaults.objectForKey(key);
    if (value.typeId() == QMetaType::QString)
        return CGFloatValue(value.toString());
    // Other kinds have no float value; the original would have failed on them.
    return isNumber(value) ? float(value.toDouble()) : 0.0f;
}

void setCGFloat(platform::UserDefaults &defaults, float value, const QString &key)
{
    defaults.setObject(QVariant(value), key);
}

char16_t dateSeparatorInFormat(const QString &format)
{
    for (const QChar c : format) {
        const bool digit = c >= u'0' && c <= u'9';
        if (!c.isLetter() && !digit && c != u'%')
            return c.unicode();
    }
    return blank;
}

char16_t timeSeparatorInFormat(const QString &format)
{
    static constexpr std::array<QStringView, 8> hourFields = {u"hh", u"HH", u"kk", u"KK", u"h", u"H", u"k", u"K"};
    for (const QStringView field : hourFields) {
        const qsizetype at = format.indexOf(field);
        if (at < 0)
            continue;
        const qsizetype after = at + field.size();
        if (after >= format.size() || format[after].isLetter())
            return blank;
        return format[after].unicode();
    }
    return blank;
}

char16_t dateFormatterSeparatorCharacter(const platform::UserDefaults &)
{
    const auto formatter = dateFormatterWithCalendar(nullptr, platform::DateFormatter::ShortStyle,
                                                     platform::DateFormatter::NoStyle);
    return dateSeparatorInFormat(formatter->dateFormat());
}

char16_t timeFormatterSeparatorCharacter(const platform::UserDefaults &)
{
    const auto formatter = dateFormatterWithCalendar(nullptr, platform::DateFormatter::NoStyle,
                                                     platform::DateFormatter::MediumStyle);
    return timeSeparatorInFormat(formatter->dateFormat());
}

} // namespace vl
