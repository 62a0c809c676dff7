#pragma once

#include "platform/plist/PropertyList.h"

#include <QByteArrayView>
#include <QString>
#include <QVariant>

#include <string>
#include <string_view>
#include <unordered_map>

namespace platform {

/// Reads an XML property list straight into the Qt values that readPropertyList() gives,
/// in one pass over the bytes, without a document tree.
///
/// It reads what property-list writers write, which is not always XML a validating parser
/// takes: strings may hold raw control characters and carriage returns, which are kept as
/// they stand. It takes the five predefined entities and character references, CDATA
/// sections and comments; it passes over the XML declaration, the document type and
/// attributes, and takes a document whose root is a value without the <plist> element
/// around it. Quotes, document types and what follows the first value are read as
/// libplist reads them, and values come out as libplist's gave them; but text that is not
/// a well-formed value (an integer such as "12abc", a date such as "2009-13-45", base64
/// with a stray character) is an error here, never a guess, and markup libplist passes
/// over (a <plist> inside a dictionary) is refused. Internal to platform/plist.
class XmlPropertyListReader
{
public:
    /// The value of `bytes`, or why there is none.
    static PropertyListReadResult read(QByteArrayView bytes);

private:
    explicit XmlPropertyListReader(QByteArrayView bytes);

    enum class Element { Plist, Dictionary, Array, Key, String, Integer, Real, Date, Data, True, False, Unknown };
    struct Tag
    {
        Element element = Element::Unknown;
        std::string_view name;
        bool closing = false;
        bool empty = false; // <name/>
    };

    static Element elementNamed(std::string_view name);
    QVariant readDocument();
    QVariant readValue(const Tag &tag, int depth);
    QVariant readDictionary(int depth);
    QVariant readArray(int depth);
    QVariant readScalar(const Tag &tag);
    bool nextTag(Tag &tag);
    bool readTag(Tag &tag);
    bool readText(std::string_view name);
    bool readDecodedText(std::string_view name);
    bool closes(std::string_view name);
    bool skipMarkup();
    enum class Quotes { Seen, Skipped };
    bool skipPast(std::string_view terminator, Quotes quotes = Quotes::Seen);
    bool skipDocumentType();
    bool readReference();
    QVariant integerValue();
    QVariant realValue();
    QVariant dateValue();
    QVariant dataValue();
    QString key(std::string_view utf8);

    QVariant fail(const QString &what);
    QVariant malformedValue(std::string_view kind);

    const char *const begin;
    const char *p;
    const char *const end;
    // The text of the scalar at hand: a view into the document when it holds nothing to
    // decode (the common case), else `decoded`.
    std::string_view text;
    std::string decoded;
    // Preference files repeat the same keys in dictionary after dictionary; sharing one
    // QString per key spares an allocation and a UTF-8 decoding each time. The views point
    // into the document.
    std::unordered_map<std::string_view, QString> keys;
    QString error;
};

} // namespace platform
