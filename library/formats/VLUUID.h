#pragma once

#include <QString>
#include <QUuid>

/// One freshly generated UUID, kept for the holder's life, and strings of new UUIDs. The text
/// form is the original platform's: 36 characters, upper-case hexadecimal groups of 8-4-4-4-12
/// separated by hyphens.
class VLUUID
{
public:
    /// Generates a new (random, version 4) UUID.
    VLUUID();

    /// The UUID in the text form above; the same text on every call.
    QString string() const;

    /// The string of a new holder: a different UUID on every call.
    static QString UUIDString();
    /// `prefix`, a colon, then a new UUID string.
    static QString UUIDStringWithPrefix(const QString &prefix);
    /// A new UUID string, a colon, then `suffix`.
    static QString UUIDStringWithSuffix(const QString &suffix);

private:
    QUuid uuid;
};
