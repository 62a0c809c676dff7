#pragma once

#include "CharacterSet.h"
#include "StringEncoding.h"
#include "StringSearch.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

/// Operations the library adds to strings. Strings are QString, counted in UTF-16
/// units as the original counts them; "none" is std::nullopt. Where the original
/// told nil from the empty string, a null QString stands for nil.
namespace vl {

// --- Making strings ---------------------------------------------------------

/// "…" (U+2026).
QString ellipse();

/// A one-unit string.
QString stringWithCharacter(char16_t character);

/// `data` decoded strictly; none when it is not valid in `encoding`.
std::optional<QString> stringWithData(QByteArrayView data, StringEncoding encoding);

/// `data` decoded with the encoding an IANA charset name names ("utf-8",
/// "windows-1252", "macintosh"...); an empty or unknown name reads ISO Latin 1.
/// None when the bytes are not valid in a known encoding.
std::optional<QString> stringWithData(QByteArrayView data, QStringView textEncodingName);

/// A file-system path's bytes up to their NUL, decoded as file names are; null
/// gives the empty string.
QString stringWithFileSystemRepresentation(const char *bytes);

/// A Pascal string (a length byte, then that many bytes) decoded with `encoding`.
/// None when the length byte claims more bytes than `pascalString` holds (nothing
/// is read past it), when it is empty, or when the bytes are not valid text.
std::optional<QString> stringWithPascalString(QByteArrayView pascalString, StringEncoding encoding);

/// `string` as a Pascal string: a length byte and the encoded bytes, at most
/// `maxLength` bytes in all (1 to 256; larger values count as 256). None when a
/// character has no form in the encoding or the text does not fit.
std::optional<QByteArray> pascalStringUsingEncoding(const QString &string, StringEncoding encoding,
                                                    int maxLength = 256);

// --- Tests ------------------------------------------------------------------

/// Whether `string` starts with `prefix`. A null or empty prefix answers true,
/// for every receiver including the empty one. These tests and isEqualToString()
/// match canonically equivalent text unless `options` hold Literal (see rangeOfString()).
bool beginsWithString(const QString &string, const QString &prefix, SearchOptions options = {});
/// Whether `string` ends with `suffix` (searched backwards); a null or empty suffix answers true.
bool endsWithString(const QString &string, const QString &suffix, SearchOptions options = {});
/// Whether `string` contains `part`; a null or empty part answers true.
bool containsString(const QString &string, const QString &part, SearchOptions options = {});

/// Equality under `options` (CaseInsensitive and Literal matter). A null or empty
/// `other` equals only an empty receiver.
bool isEqualToString(const QString &string, const QString &other, SearchOptions options);

bool isEmpty(const QString &string);
/// The string equals its own lower-case form (so text without letters is lower case).
bool isLowercase(const QString &string);
/// The string equals its own upper-case form (so text without letters is upper case).
bool isUppercase(const QString &string);
/// Whether the string is acceptable as a URL as it stands: printable ASCII
/// characters that URLs allow, with every '%' followed by two hexadecimal digits.
bool isURL(const QString &string);

/// Length of the string's UTF-8 form in bytes (an unpaired surrogate counts as
/// the three bytes of the replacement character that stands for it).
qsizetype byteCount(const QString &string);

// --- Numbers ----------------------------------------------------------------
// As the original platform reads numbers: leading whitespace and newlines are
// skipped, then the longest numeric prefix counts and the rest is ignored; no
// number gives 0; integers out of range give the type's extreme value.

int intValue(const QString &string);
qint64 longLongValue(const QString &string);
double doubleValue(const QString &string);
float floatValue(const QString &string);

/// floatValue().
float CGFloatValue(const QString &string);
/// intValue() (a 32-bit long).
qint32 longValue(const QString &string);
/// intValue()'s bits taken as unsigned: "-1" gives 4294967295.
quint32 unsignedIntValue(const QString &string);
/// The 32-bit integerValue's bits taken as unsigned: "42abc" gives 42, "abc" 0.
quint32 unsignedIntegerValue(const QString &string);

/// Numbers separated by `separator`: "1,2,3" gives 1, 2, 3. The list ends at the
/// first empty piece ("1,,2" gives 1). A null separator is an assertion failure
/// (the answer is then empty).
QList<qint64> longLongComponentsSeparatedByString(const QString &string, const QString &separator);

/// How many units equal `character`.
qsizetype numberOfOccurrencesOfCharacterInString(const QString &string, char16_t character);

/// Hexadecimal text as bytes, two characters a byte: "0aFF" gives 0x0A 0xFF.
/// Odd length gives none. A pair is read as C's "%x" reads it (so " f" and "f "
/// give 0x0F); a pair with no hexadecimal digit gives 0x00.
std::optional<QByteArray> hexStringData(const QString &string);

// --- Version strings ----------------------------------------------------------

/// Product status of a version string, oldest first.
enum VersionStatus { Development = 0, Alpha = 1, Beta = 2, ReleaseCandidate = 3, FinalRelease = 4 };

/// Reads major[.minor[.point]][status[development]], for example "2.1.3b4":
/// status letters are lower case d, a, b, fc and rc; anything else ends the
/// version as a final release. Missing numbers are 0. Any pointer may be null.
void returnMajorVersion(const QString &string, int *major, int *minor, int *point, int *productStatus,
                        int *developmentVersion);

/// -1 when `string` is an older version than `other`, 1 when newer, 0 when the
/// same: numbers compare numerically ("1.2" < "1.10"), then status (d < a < b <
/// fc = rc < final), then development number. A null `other` is an assertion
/// failure (it then counts as the empty string).
int compareVersionStrings(const QString &string, const QString &other);

// --- Searching ----------------------------------------------------------------

/// The first run of characters of `set` in `range` (default: the whole string):
/// the first member found (with Backwards, the last), extended forward while the
/// following characters belong to the set, never past the end of `range`.
/// {NotFound, 0} when there is none; a range outside the string raises "NSRangeException".
Range rangeOfCharactersFromSet(const QString &string, const CharacterSet &set, SearchOptions options = {},
                               std::optional<Range> range = std::nullopt);

/// The string without the units of `range`; REQUIRES: range inside the string,
/// else raises "NSRangeException".
QString substringWithoutRange(const QString &string, Range range);

// --- Escaping -----------------------------------------------------------------

/// Percent-escapes every character that URLs do not allow, plus those of
/// `legalURLCharactersToBeEscaped`, but never those of `charactersToLeaveUnescaped`;
/// escaped characters are written as the bytes of `encoding`, "%XX" each. None when
/// a character to escape has no form in the encoding.
std::optional<QString> stringByAddingPercentEscapesUsingEncoding(const QString &string, StringEncoding encoding,
                                                                 const QString &charactersToLeaveUnescaped,
                                                                 const QString &legalURLCharactersToBeEscaped);

/// A value for an HTTP GET query: spaces become '+', then ISO Latin 1 percent
/// escapes, with ()<>@,;:\"/[]?= escaped too: "a b=c" gives "a+b%3Dc". None when
/// a character is outside ISO Latin 1.
std::optional<QString> stringForUseInHTTPGetArguments(const QString &string);

/// Backslash before \, ', ", line feed, tab and carriage return (the control
/// characters stay themselves).
QString escapedSQLString(const QString &string);

/// Every character from U+007F up as a decimal character reference "&#N;"; a
/// surrogate pair becomes one reference to its code point ("😀" gives
/// "&#128512;"). '&', '<' and '>' stay as they are.
QString SGMLEncodedString(const QString &string);

// --- Paths ----------------------------------------------------------------------

/// The path with a leading '~' (the home folder) or '~name' (that account's home
/// folder; a name with no account stays as written) expanded, every symbolic link
/// of an absolute path resolved (components that do not exist are kept as
/// written), '.' and '..' resolved and no trailing slash. Relative paths are only
/// tilde-expanded. A cycle of links
/// stops the resolution after 32 links and gives the path as written.
QString stringByResolvingSymlinksInPath(const QString &path);

/// Resolves a Finder alias file: the path of its target, or none when `path` is
/// not an alias file or the alias cannot be resolved.
using AliasFileResolver = std::function<std::optional<QString>(const QString &path)>;

/// Installs the resolver stringByResolvingAliasesInPath uses for alias files
/// (process-wide; an empty function removes it). Until one is installed alias
/// files resolve to themselves, like any other file.
void setAliasFileResolver(AliasFileResolver resolver);

/// stringByResolvingSymlinksInPath(), then, when the result is an alias file that
/// the installed AliasFileResolver resolves, its target; else the symlink-resolved path.
QString stringByResolvingAliasesInPath(const QString &path);

// --- Shaping --------------------------------------------------------------------

/// Without whitespace and newlines at both ends.
QString stringByTrimmingWhitespace(const QString &string);

/// The first character in upper case (which may be longer: "ß..." gives "SS...").
QString stringByRaisingCaseOfFirstCharacter(const QString &string);

/// Camel case to lower-case words: "HelloWorld" gives "hello world", "URLString"
/// "url string", "ABC" "abc". A space goes before a capital that is followed by a
/// lower-case character (digits and punctuation count as lower case).
QString lowercaseSpacedString(const QString &string);

} // namespace vl
