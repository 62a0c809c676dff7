#include "platform/plist/PropertyList.h"

#include "platform/core/ReferenceDate.h"
#include "platform/plist/BinaryPropertyListReader.h"
#include "platform/plist/LibplistWorkarounds_p.h"
#include "platform/plist/OldStylePropertyList.h"
#include "platform/plist/PropertyListScalar.h"
#include "platform/plist/PropertyList_p.h"
#include "platform/plist/XmlPropertyListReader.h"

#include <QDateTime>
#include <QStringDecoder>
#include <QStringEncoder>

#include <plist/plist.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <variant>
#include <vector>

// libplist 2.2 is the writer; this file turns Qt values into its nodes. Where libplist needs
// care (U+0000, integer width, dates beyond 32 bits, the sign of zero),
// LibplistWorkarounds_p.h does what is needed and says why. Lists are read by readers of
// our own (BinaryPropertyListReader, XmlPropertyListReader, OldStylePropertyList), straight
// into Qt values, without libplist's tree: that tree cost twice what the values do.

namespace platform {

QString propertyListText(const char *bytes, qsizetype length)
{
    // QString::fromUtf8() drops a leading U+FEFF as a byte-order mark.
    if (length < 3 || std::memcmp(bytes, "\xEF\xBB\xBF", 3) != 0)
        return QString::fromUtf8(bytes, length);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(QByteArrayView(bytes, length));
}

namespace {

using libplist::NodePtr;

// --- writing -----------------------------------------------------------------------------

class Writer
{
public:
    QString error;
    // XML holds whole seconds (see libplist::newDateNode).
    bool wholeSecondDates = false;

    // The order, among the reals written, of each -0.0 (see libplist::restoreNegativeZeros()).
    std::vector<qsizetype> negativeZeros;

    NodePtr write(const QVariant &value)
    {
        switch (value.typeId()) {
        case QMetaType::QVariantMap:
            return writeDictionary(value.toMap());
        case QMetaType::QVariantHash: {
            const QVariantHash hash = value.toHash();
            QVariantMap map;
            for (auto it = hash.cbegin(); it != hash.cend(); ++it)
                map.insert(it.key(), it.value());
            return writeDictionary(map);
        }
        case QMetaType::QVariantList:
        case QMetaType::QStringList:
            return writeArray(value.toList());
        default:
            break;
        }
        switch (propertyListScalar(value.typeId())) {
        case PropertyListScalar::String:
            return utf8(value.toString()) ? NodePtr(plist_new_string(buffer.data())) : nullptr;
        case PropertyListScalar::Data: {
            const QByteArray bytes = value.toByteArray();
            return NodePtr(plist_new_data(bytes.constData(), uint64_t(bytes.size())));
        }
        case PropertyListScalar::Boolean:
            return NodePtr(plist_new_bool(value.toBool() ? 1 : 0));
        case PropertyListScalar::SignedInteger:
            return NodePtr(plist_new_uint(uint64_t(value.toLongLong())));
        case PropertyListScalar::UnsignedInteger:
            return libplist::newUnsignedNode(value.toULongLong());
        case PropertyListScalar::Real: {
            const double real = value.toDouble();
            if (real == 0 && std::signbit(real))
                negativeZeros.push_back(reals);
            ++reals;
            return NodePtr(plist_new_real(real));
        }
        case PropertyListScalar::Date:
            return writeDate(value.toDateTime());
        case PropertyListScalar::None:
            break;
        }
        if (value.metaType() == QMetaType::fromType<PropertyListUid>())
            return NodePtr(plist_new_uid(value.value<PropertyListUid>().value));
        if (!value.isValid())
            return fail(QStringLiteral("no value (a null QVariant)"));
        return fail(QStringLiteral("a value of type %1").arg(QString::fromLatin1(value.metaType().name())));
    }

private:
    qsizetype reals = 0;
    // Where the writer is, as keys and indexes; spelled out only for an error.
    std::vector<std::variant<const QString *, qsizetype>> path;
    // The UTF-8 of the string at hand, NUL-terminated, reused from string to string.
    std::vector<char> buffer;
    QStringEncoder encoder{QStringEncoder::Utf8, QStringConverter::Flag::Stateless};

    NodePtr fail(const QString &what)
    {
        if (error.isEmpty()) {
            QString where;
            for (const auto &step : path)
                where += QLatin1Char('/') + (std::holds_alternative<qsizetype>(step) ? QString::number(std::get<qsizetype>(step))
                                                                                     : *std::get<const QString *>(step));
            error = QStringLiteral("%1 at %2 cannot be stored in a property list").arg(what, where.isEmpty() ? QStringLiteral("/") : where);
        }
        return nullptr;
    }

    // Fills the buffer with `text` as UTF-8. plist_new_string() copies up to the first NUL
    // (see LibplistWorkarounds_p.h), and UTF-8 has no unpaired surrogates: either would
    // change the text on the way out.
    bool utf8(const QString &text)
    {
        buffer.resize(std::size_t(encoder.requiredSpace(text.size())) + 1);
        char *end = encoder.appendToBuffer(buffer.data(), text);
        *end = '\0';
        const auto length = std::size_t(end - buffer.data());
        if (encoder.hasError()) {
            encoder.resetState();
            fail(QStringLiteral("a string with an unpaired surrogate"));
            return false;
        }
        if (std::memchr(buffer.data(), 0, length)) {
            fail(QStringLiteral("a string with U+0000"));
            return false;
        }
        return true;
    }

    NodePtr writeDictionary(const QVariantMap &map)
    {
        NodePtr dict(plist_new_dict());
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            path.emplace_back(&it.key());
            NodePtr item = write(it.value());
            if (!item || !utf8(it.key()))
                return nullptr;
            plist_dict_set_item(dict.get(), buffer.data(), item.release());
            path.pop_back();
        }
        return dict;
    }

    NodePtr writeArray(const QVariantList &list)
    {
        NodePtr array(plist_new_array());
        for (qsizetype i = 0; i < list.size(); ++i) {
            path.emplace_back(i);
            NodePtr item = write(list.at(i));
            if (!item)
                return nullptr;
            plist_array_append_item(array.get(), item.release());
            path.pop_back();
        }
        return array;
    }

    NodePtr writeDate(const QDateTime &date)
    {
        if (!date.isValid())
            return fail(QStringLiteral("an invalid date"));
        NodePtr node = libplist::newDateNode(date.toMSecsSinceEpoch() - ReferenceDateMSecsSinceEpoch, wholeSecondDates);
        return node ? std::move(node) : fail(QStringLiteral("a date out of range"));
    }
};

} // namespace

PropertyListReadResult readPropertyList(QByteArrayView bytes)
{
    PropertyListReadResult result;
    if (bytes.isEmpty()) {
        result.error = QStringLiteral("the property list is empty");
        return result;
    }
    if (bytes.size() > qsizetype(std::numeric_limits<uint32_t>::max())) {
        result.error = QStringLiteral("the property list is larger than 4 GiB");
        return result;
    }
    const auto length = uint32_t(bytes.size());
    if (plist_is_binary(bytes.data(), length))
        return BinaryPropertyListReader::read(bytes);
    if (auto oldStyle = readOldStylePropertyList(bytes))
        return *std::move(oldStyle);
    return XmlPropertyListReader::read(bytes);
}

PropertyListWriteResult writePropertyList(const QVariant &value, PropertyListFormat format)
{
    PropertyListWriteResult result;
    if (format == PropertyListFormat::OpenStep) {
        result.error = QStringLiteral("the old-style form is read, never written");
        return result;
    }
    Writer writer;
    writer.wholeSecondDates = format == PropertyListFormat::Xml;
    NodePtr root = writer.write(value);
    if (!root) {
        result.error = writer.error;
        return result;
    }
    char *bytes = nullptr;
    uint32_t length = 0;
    if (format == PropertyListFormat::Binary) {
        plist_to_bin(root.get(), &bytes, &length);
        result.bytes = QByteArray(bytes, qsizetype(length));
        plist_to_bin_free(bytes);
    } else {
        plist_to_xml(root.get(), &bytes, &length);
        result.bytes = QByteArray(bytes, qsizetype(length));
        plist_to_xml_free(bytes);
        if (!libplist::restoreNegativeZeros(result.bytes, writer.negativeZeros))
            result.bytes.clear();
    }
    if (result.bytes.isEmpty())
        result.error = QStringLiteral("the property list could not be encoded");
    return result;
}

} // namespace platform
