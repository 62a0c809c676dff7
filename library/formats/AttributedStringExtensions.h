#pragma once

#include "AttributedString.h"

/// Operations the library adds to attributed strings and mutable ones.
namespace vl {

/// An empty attributed string.
AttributedString attributedString();
/// `text` with `attributes` over all of it.
AttributedString attributedStringWithString(const QString &text, const QVariantMap &attributes);
/// The single character U+2026 (…), without attributes (the string form is
/// ellipse() of StringExtensions.h).
AttributedString attributedEllipse();

/// A copy with attribute `name` set to `value` over the whole text, or over
/// `length` units from `location` (clamped to the text).
AttributedString attributedStringByAddingAttribute(const AttributedString &string, const QString &name,
                                                   const QVariant &value);
AttributedString attributedStringByAddingAttribute(const AttributedString &string, const QString &name,
                                                   const QVariant &value, qsizetype location, qsizetype length);

/// The text without attributes, its white space normalised: attachment
/// characters (U+FFFC) dropped, line feeds, carriage returns and tabs made
/// blanks, runs of blanks collapsed to one and leading blanks dropped. With
/// `truncate`, stops once `maxLength` characters are kept (none when
/// `maxLength` is 0 or less). One trailing blank can remain.
AttributedString stripWhitespaceByTruncating(const AttributedString &string, bool truncate, qsizetype maxLength);

// Mutable attributed strings, changed in place. Inserting clamps the index to the text.
void appendString(AttributedString &string, const QString &text, const QVariantMap &attributes = {});
void insertString(AttributedString &string, const QString &text, qsizetype index, const QVariantMap &attributes = {});
void setString(AttributedString &string, const QString &text, const QVariantMap &attributes = {});
/// Removes the last UTF-16 unit; nothing for an empty string.
void deleteLastCharacter(AttributedString &string);

} // namespace vl
