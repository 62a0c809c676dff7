#pragma once

#include "platform/plist/UserDefaults.h"

#include <QString>
#include <QVariant>

/// Operations the library adds to user defaults: single values of another application's
/// preferences domain, addressed by its identifier (through
/// platform::ApplicationPreferences::shared(), whatever the receiver), a float in the
/// receiver's own domain, and the separators of the user's short date and medium time.
namespace vl {

/// The value under `key` for `applicationID`; an invalid QVariant when there is none.
QVariant objectForKey(const platform::UserDefaults &defaults, const QString &key, const QString &applicationID);

/// A number's (a boolean's) truth, non-zero being true; false for none or any other value:
/// the string "YES" is not converted.
bool boolForKey(const platform::UserDefaults &defaults, const QString &key, const QString &applicationID);

/// A number's value as a 32-bit integer (a boolean is 0 or 1, a real is truncated toward zero
/// and kept within range, a wider integer keeps its low 32 bits); 0 for none or any other
/// value: the string "12" gives 0.
qint32 integerForKey(const platform::UserDefaults &defaults, const QString &key, const QString &applicationID);

/// Sets `value` under `key` for `applicationID`, written by synchronizeInApplicationID().
/// Throws platform::Exception "NSObjectInaccessibleException" when `value` is not data, a
/// string, an array, a dictionary, a date or a number (a boolean counts), an invalid QVariant
/// included: a key cannot be removed this way. The contents of an array or dictionary are
/// not checked.
void setObject(const platform::UserDefaults &defaults, const QVariant &value, const QString &key,
               const QString &applicationID);
/// setObject() with the value as a number.
void setBool(const platform::UserDefaults &defaults, bool value, const QString &key, const QString &applicationID);
void setInteger(const platform::UserDefaults &defaults, qint32 value, const QString &key, const QString &applicationID);

/// Writes what was set for `applicationID` into its domain file. False when it cannot be
/// written, such as a set inside an array, which a property list cannot hold: the file then
/// stays as it was.
bool synchronizeInApplicationID(const platform::UserDefaults &defaults, const QString &applicationID);

/// The value under `key` in the receiver's own domain as a float: a number, or a string
/// holding one (vl::CGFloatValue); 0.0 for none or any other value.
float CGFloatForKey(const platform::UserDefaults &defaults, const QString &key);
/// Stores `value` under `key` in the receiver's own domain, as a number.
void setCGFloat(platform::UserDefaults &defaults, float value, const QString &key);

/// The separator of the user's short date format (the locale's pattern through
/// vl::dateFormatterWithCalendar): see dateSeparatorInFormat().
char16_t dateFormatterSeparatorCharacter(const platform::UserDefaults &defaults);
/// The separator of the user's medium time format: see timeSeparatorInFormat().
char16_t timeFormatterSeparatorCharacter(const platform::UserDefaults &defaults);

/// The first character of the ICU pattern `format` that is neither a letter, a digit 0-9 nor
/// "%": "/" for "M/d/yy"; the blank when there is none.
char16_t dateSeparatorInFormat(const QString &format);
/// The character right after the first occurrence of the first hour field found of "hh",
/// "HH", "kk", "KK", "h", "H", "k", "K", in that order: ":" for "h:mm:ss a". The blank when
/// there is no hour field, it ends the pattern, or a letter (another field) follows it.
char16_t timeSeparatorInFormat(const QString &format);

} // namespace vl
