// XML property lists: the reader of our own against the route it replaced, libplist's parse
// and the conversion of its tree, on the same bytes. Where both give a value it must be the
// same (types, NaN, the sign of zero, a date's time spec and a string's null-ness
// included), but for what the reader does on purpose: it keeps a date's fraction of a
// second, which libplist drops (dates are compared to the second), and it reads right what
// libplist misreads: an integer with a leading zero (libplist: octal), a year before 1 BC
// or after 9999, a date written in more than 31 bytes, the last bytes of base64 without its
// padding, what follows an empty root container (libplist puts it inside). Inputs holding
// any of those are not compared, nor those that are not UTF-8.
// Refusals are not compared: the reader refuses a malformed or out-of-range scalar where
// libplist makes up a value, and markup libplist passes over (a <plist> inside a
// dictionary, say), while libplist refuses some markup the reader takes; the corpus test
// holds the reader to every real file.

#include "platform/plist/PropertyList.h"
#include "support/LibplistRoute.h"
#include "tests/support/PropertyListDifference.h"

#include <QDateTime>
#include <QStringDecoder>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

using namespace platform;

namespace {

// The text of each `element` of `xml` as it begins, past the tag and any white space
// (markup inside is not looked at, which can only skip more inputs).
template<typename Test>
bool anyElementBegins(std::string_view xml, std::string_view element, Test test)
{
    for (auto at = xml.find(element); at != std::string_view::npos; at = xml.find(element, at + 1)) {
        auto p = xml.find('>', at);
        if (p == std::string_view::npos)
            return false;
        while (++p < xml.size() && std::string_view(" \t\r\n").find(xml[p]) != std::string_view::npos) {
        }
        if (test(xml.substr(p)))
            return true;
    }
    return false;
}

// Integers with a leading zero, which libplist reads as octal; years before 1 BC or of
// five digits, and dates written in more than 31 bytes, which libplist misreads; base64
// without its padding, whose last bytes libplist drops.
bool libplistMisreads(std::string_view xml)
{
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    const auto leadingZero = [&](std::string_view text) {
        if (!text.empty() && (text[0] == '+' || text[0] == '-'))
            text.remove_prefix(1);
        return text.size() > 1 && text[0] == '0' && isDigit(text[1]);
    };
    const auto misreadDate = [&](std::string_view text) {
        std::size_t digits = 0;
        while (digits < text.size() && isDigit(text[digits]))
            ++digits;
        constexpr std::size_t LongestDate = 31; // libplist takes a longer text for 1970
        return digits > 4 || text.starts_with('-') || std::min(text.find('<'), text.size()) > LongestDate;
    };
    const auto unpaddedBase64 = [](std::string_view text) {
        std::size_t symbols = 0;
        for (std::size_t i = 0; i < text.size() && text[i] != '<'; ++i)
            symbols += std::string_view(" \t\r\n").find(text[i]) == std::string_view::npos;
        return symbols % 4 != 0;
    };
    return anyElementBegins(xml, "<integer", leadingZero) || anyElementBegins(xml, "<date", misreadDate)
        || anyElementBegins(xml, "<data", unpaddedBase64);
}

// Two keys of different bytes that are not UTF-8 can decode to the same text; libplist then
// holds both, and which one the route kept depended on its order of conversion.
bool isUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(bytes); // decoding happens here, not at decode()
    return !decoder.hasError();
}

// libplist puts whatever follows an empty root container (<array/>) into it.
bool isEmptyContainer(const QVariant &value)
{
    return (value.typeId() == QMetaType::QVariantList && value.toList().isEmpty())
        || (value.typeId() == QMetaType::QVariantMap && value.toMap().isEmpty());
}

QVariant toWholeSeconds(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QDateTime: {
        const qint64 msecs = value.toDateTime().toMSecsSinceEpoch();
        const qint64 fraction = ((msecs % 1000) + 1000) % 1000;
        return QDateTime::fromMSecsSinceEpoch(msecs - fraction, Qt::UTC);
    }
    case QMetaType::QVariantList: {
        QVariantList list = value.toList();
        for (QVariant &item : list)
            item = toWholeSeconds(item);
        return list;
    }
    case QMetaType::QVariantMap: {
        QVariantMap map = value.toMap();
        for (QVariant &item : map)
            item = toWholeSeconds(item);
        return map;
    }
    default:
        return value;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const PropertyListReadResult ours = readPropertyList(bytes);
    // Only what reaches the XML reader, the libplist route's only reader of text.
    if (ours.format != PropertyListFormat::Xml || bytes.startsWith("bplist")
        || libplistMisreads(std::string_view(bytes.data(), size)) || !isUtf8(bytes))
        return 0;
    const PropertyListReadResult theirs = corvane::fuzz::readXmlThroughLibplist(bytes);
    if (!ours.ok() || !theirs.ok() || isEmptyContainer(ours.value))
        return 0;
    const QString d = corvane::test::propertyListDifference(toWholeSeconds(ours.value), theirs.value,
                                                            corvane::test::Exactness::ValuesAndForm);
    if (!d.isEmpty()) {
        std::fprintf(stderr, "the readers give different values at %s\n", qPrintable(d));
        std::abort();
    }
    return 0;
}
