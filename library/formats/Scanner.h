#pragma once

#include "CharacterSet.h"

#include <QString>

#include <optional>

namespace vl {

/// Reads values out of a string from a moving location: the counterpart of the
/// original platform's NSScanner. Locations count UTF-16 units. Every scan
/// operation first skips the characters to be skipped (whitespace and newlines
/// unless changed); an operation that scans nothing answers false and leaves the
/// location where it was. The `into` pointers may be null.
class Scanner
{
public:
    explicit Scanner(QString string = {});

    const QString &string() const { return m_string; }

    qsizetype scanLocation() const { return m_location; }
    /// REQUIRES: 0 <= location <= string().size(); else raises "NSRangeException".
    void setScanLocation(qsizetype location);

    /// None: skip nothing.
    const std::optional<CharacterSet> &charactersToBeSkipped() const { return m_skip; }
    void setCharactersToBeSkipped(std::optional<CharacterSet> set) { m_skip = std::move(set); }

    /// Whether scanString/scanUpToString compare case-sensitively; false by default.
    bool caseSensitive() const { return m_caseSensitive; }
    void setCaseSensitive(bool on) { m_caseSensitive = on; }

    /// True when only characters to be skipped remain.
    bool isAtEnd() const;

    /// Scans `text` itself at the location.
    bool scanString(const QString &text, QString *into = nullptr);
    /// Scans up to the next occurrence of `stop`, or to the end when there is none.
    bool scanUpToString(const QString &stop, QString *into = nullptr);
    /// Scans the longest run of characters of `set`.
    bool scanCharactersFromSet(const CharacterSet &set, QString *into = nullptr);
    /// Scans up to the next character of `set`, or to the end.
    bool scanUpToCharactersFromSet(const CharacterSet &set, QString *into = nullptr);
    /// Scans an optionally signed decimal integer; out-of-range values give
    /// INT_MAX / INT_MIN (the scan still succeeds).
    bool scanInt(int *value = nullptr);
    /// As scanInt, 64-bit.
    bool scanLongLong(qint64 *value = nullptr);

private:
    qsizetype skipped() const;
    bool finish(qsizetype start, qsizetype end, QString *into);

    QString m_string;
    qsizetype m_location = 0;
    std::optional<CharacterSet> m_skip;
    bool m_caseSensitive = false;
};

} // namespace vl
