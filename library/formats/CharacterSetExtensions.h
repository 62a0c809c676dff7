#pragma once

#include "CharacterSet.h"

#include <QString>

/// Operations the library adds to character sets.
namespace vl {

/// The members from U+0000 to U+FFFE (U+FFFF is not examined), each as a
/// one-unit string, sorted by the default locale's collation (QLocale's default,
/// as a localized comparison is) and joined without separator.
QString alphabetizedStringRepresentation(const CharacterSet &set);

/// Removes from `set` each character from U+0000 to U+FFFE that `other` holds;
/// members beyond U+FFFE stay.
void minusCharacterSet(CharacterSet &set, const CharacterSet &other);

} // namespace vl
