#pragma once

#include "platform/plist/PropertyList.h"

#include <QByteArrayView>

#include <optional>

namespace platform {

/// Reads the old-style (OpenStep) text form of a property list, which libplist cannot read:
/// strings quoted ("…" or '…', with C escapes, octal escapes naming NeXTSTEP bytes and
/// `\Uxxxx` naming UTF-16 units) or bare (letters, digits and _$/:.-), `<hex data>`, ( arrays )
/// with an optional trailing comma, and { key = value; } dictionaries, where `key;` stands
/// for `key = key;`. White space and // or /* */ comments may come between any two tokens.
/// As on the original platform, text holding `key = value;` pairs without braces reads as a
/// dictionary (the strings-file form), and text of nothing but white space and comments as
/// an empty one. Every value read is a string, data, an array or a dictionary; later keys
/// replace earlier equal ones. The bytes are UTF-8, or UTF-16 after a byte-order mark.
///
/// None when the bytes begin, after white space, with an XML declaration, comment or element
/// (not with `<` and hexadecimal digits, which is data): they are the XML reader's. Otherwise
/// a value in PropertyListFormat::OpenStep, or an error naming the line. Nesting deeper than
/// 512, U+0000 and unpaired surrogates in strings are errors, as in the other forms.
std::optional<PropertyListReadResult> readOldStylePropertyList(QByteArrayView bytes);

} // namespace platform
