#include "URLExtensions.h"

#include "URLCarbonUtilities.h"

namespace vl {

namespace {

/// Percent escapes decoded. Escapes that do not make valid UTF-8 are left as
/// written rather than dropping the pair.
QString decodedComponent(const QString &text)
{
    const QByteArray bytes = QByteArray::fromPercentEncoding(text.toUtf8());
    const QString decoded = QString::fromUtf8(bytes);
    return decoded.contains(QChar::ReplacementCharacter) && !text.contains(QChar::ReplacementCharacter) ? text
                                                                                                       : decoded;
}

} // namespace

QUrl fileURLWithFSRef(const platform::FileReference &reference)
{
    return URLWithFSRef(reference).value_or(QUrl());
}

std::optional<QUrl> fileURLWithFSSpec(const platform::HfsLocation &specification)
{
    const std::optional<platform::FileReference> reference = specification.toReference();
    return reference ? URLWithFSRef(*reference) : std::nullopt;
}

int compare(const QUrl &url, const QUrl &other)
{
    return QString::compare(url.toString(QUrl::FullyEncoded), other.toString(QUrl::FullyEncoded), Qt::CaseSensitive);
}

int portInteger(const QUrl &url)
{
    return std::max(url.port(), 0);
}

std::optional<QMap<QString, QString>> queryDictionary(const QUrl &url)
{
    if (!url.hasQuery())
        return std::nullopt;
    const QString query = url.query(QUrl::FullyEncoded);
    QMap<QString, QString> result;
    qsizetype position = 0;
    while (position < query.size()) {
        // A key runs to the next "=", even across a "&", as the scan always did;
        // every turn steps over that "=", so the scan always advances.
        const qsizetype equals = query.indexOf(QLatin1Char('='), position);
        if (equals < 0)
            break; // a trailing part without "=" adds nothing
        qsizetype valueEnd = query.indexOf(QLatin1Char('&'), equals + 1);
        if (valueEnd < 0)
            valueEnd = query.size();
        const QString key = query.mid(position, equals - position);
        const QString value = query.mid(equals + 1, valueEnd - equals - 1);
        result.insert(decodedComponent(key), decodedComponent(value));
        position = valueEnd + 1;
    }
    return result;
}

} // namespace vl
