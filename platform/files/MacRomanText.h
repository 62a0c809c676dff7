#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

namespace platform {

// The original platform keeps names in Pascal strings of "Mac OS Roman Latin-1"
// (0x0A04), a permutation of Mac Roman that neither glibc's iconv nor ICU
// provides. Mac Roman (ICU's "macos-0_2-10.2") stands for it here; the two agree
// on ASCII.

/// `text` in Mac Roman; none when a character has no Mac Roman form.
std::optional<QByteArray> encodeMacRoman(QStringView text);

/// `text` in Mac Roman with every character that has no form replaced by '?',
/// for fixed-size fields that only help a search.
QByteArray encodeMacRomanLossy(QStringView text);

/// Mac Roman bytes as text (every byte has a character).
QString decodeMacRoman(QByteArrayView bytes);

} // namespace platform
