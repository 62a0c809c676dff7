#pragma once

#include "StringSearch.h"

#include <QString>

/// Operations the library adds to mutable strings, in place on a QString. (The
/// mutable forms of stringWithFileSystemRepresentation and initWithPascalString
/// are those of StringExtensions.h: a QString is always mutable.)
namespace vl {

/// Appends one UTF-16 unit.
void appendCharacter(QString &string, char16_t character);

/// Appends `length` units from `characters` (nothing when it is null or length <= 0).
void appendCharacters(QString &string, const char16_t *characters, qsizetype length);

/// Replaces every occurrence of `target` by `replacement`, left to right and not
/// overlapping (right to left with Backwards; only the first one, at the start or
/// with Backwards at the end, with Anchored). Answers how many were replaced; an
/// empty target replaces nothing. The default options compare literally.
qsizetype replaceOccurrencesOfString(QString &string, const QString &target, const QString &replacement,
                                     SearchOptions options = SearchOption::Literal);

/// escapedSQLString(), in place.
void escapeForSQL(QString &string);

/// Deletes the last unit. REQUIRES: a non-empty string, else raises "NSRangeException".
void deleteLastCharacter(QString &string);

/// Deletes the unit at `index`. REQUIRES: 0 <= index < size, else raises "NSRangeException".
void deleteCharacterAtIndex(QString &string, qsizetype index);

} // namespace vl
