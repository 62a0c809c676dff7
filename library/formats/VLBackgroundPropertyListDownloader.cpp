#include "VLBackgroundPropertyListDownloader.h"

#include "MutableContainers.h"
#include "ObjectExtensions.h"

#include "platform/core/Log.h"
#include "platform/plist/PropertyList.h"
#include "platform/plist/PropertyListScalar.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace vl {

QString propertyListClassName(PropertyListClass kind)
{
    switch (kind) {
    case PropertyListClass::Dictionary:
        return QStringLiteral("NSDictionary");
    case PropertyListClass::Array:
        return QStringLiteral("NSArray");
    case PropertyListClass::String:
        return QStringLiteral("NSString");
    case PropertyListClass::Data:
        return QStringLiteral("NSData");
    case PropertyListClass::Date:
        return QStringLiteral("NSDate");
    case PropertyListClass::Number:
        return QStringLiteral("NSNumber");
    }
    return {};
}

QString propertyListClassName(const QVariant &value)
{
    if (dictionaryValue(value))
        return propertyListClassName(PropertyListClass::Dictionary);
    if (arrayValue(value))
        return propertyListClassName(PropertyListClass::Array);
    if (value.metaType() == QMetaType::fromType<platform::PropertyListUid>())
        return QStringLiteral("CFKeyedArchiverUID");
    switch (platform::propertyListScalar(value.typeId())) {
    case platform::PropertyListScalar::String:
        return propertyListClassName(PropertyListClass::String);
    case platform::PropertyListScalar::Data:
        return propertyListClassName(PropertyListClass::Data);
    case platform::PropertyListScalar::Date:
        return propertyListClassName(PropertyListClass::Date);
    case platform::PropertyListScalar::Boolean:
    case platform::PropertyListScalar::SignedInteger:
    case platform::PropertyListScalar::UnsignedInteger:
    case platform::PropertyListScalar::Real:
        return propertyListClassName(PropertyListClass::Number);
    case platform::PropertyListScalar::None:
        break;
    }
    return QString::fromLatin1(value.metaType().name());
}

} // namespace vl

void VLBackgroundPropertyListDownloader::beginDownloadOfPropertyListWithURL(
    const QUrl &url, QObject *target, QByteArrayView selector, void *contextInfo,
    vl::PropertyListClass desiredFinalObjectClass, bool finalObjectShouldBeMutable)
{
    std::unique_ptr<VLBackgroundPropertyListDownloader> downloader(new VLBackgroundPropertyListDownloader(
        url, target, selector, contextInfo, desiredFinalObjectClass, finalObjectShouldBeMutable));
    downloader->beginDownload();
    // The downloader owns itself from here: it deletes itself (deleteLater) once
    // its target has been called.
    downloader.release();
}

VLBackgroundPropertyListDownloader::VLBackgroundPropertyListDownloader(const QUrl &url, QObject *target,
                                                                       QByteArrayView selector, void *contextInfo,
                                                                       vl::PropertyListClass desiredFinalObjectClass,
                                                                       bool finalObjectShouldBeMutable)
    : m_url(url)
    , m_nonretainedTarget(target)
    , m_doneSelector(selector.toByteArray())
    , m_contextInfo(contextInfo)
    , m_desiredFinalObjectClass(desiredFinalObjectClass)
    , m_finishedObjectShouldBeMutable(finalObjectShouldBeMutable)
{
}

VLBackgroundPropertyListDownloader::~VLBackgroundPropertyListDownloader() = default;

void VLBackgroundPropertyListDownloader::beginDownload()
{
    m_network = std::make_unique<QNetworkAccessManager>();
    QNetworkRequest request(m_url);
    // Always from the network, and never kept for later.
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setTransferTimeout(TimeoutMilliseconds);
    m_reply = m_network->get(request);
    connect(m_reply, &QNetworkReply::readyRead, this, [this] { m_downloadedData += m_reply->readAll(); });
    connect(m_reply, &QNetworkReply::finished, this, &VLBackgroundPropertyListDownloader::finished);
}

void VLBackgroundPropertyListDownloader::finished()
{
    m_downloadedData += m_reply->readAll();
    // An HTTP status means the server answered: its body is read whatever the
    // status. Only a failure without one (refused, timed out, unreachable) is a
    // connection error.
    const bool answered = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
    if (m_reply->error() != QNetworkReply::NoError && !answered) {
        platform::log(QStringLiteral("URL download failed: %1").arg(m_reply->errorString()));
        callTargetWithFinalObject({});
    } else {
        const FinalObject result = finalObjectFromData(m_downloadedData, m_desiredFinalObjectClass,
                                                       m_finishedObjectShouldBeMutable);
        if (!result.failure.isEmpty())
            platform::log(result.failure);
        callTargetWithFinalObject(result.object);
    }
    deleteLater();
}

VLBackgroundPropertyListDownloader::FinalObject
VLBackgroundPropertyListDownloader::finalObjectFromData(QByteArrayView data, vl::PropertyListClass desiredClass,
                                                        bool shouldBeMutable)
{
    const platform::PropertyListReadResult read = platform::readPropertyList(data);
    if (!read)
        return {{}, QStringLiteral("Couldn't convert plist data into object: %1").arg(read.error)};
    const QString className = vl::propertyListClassName(read.value);
    if (className != vl::propertyListClassName(desiredClass))
        return {{},
                QStringLiteral("Final downloaded object is of class %1, but we wanted something like the class %2")
                    .arg(className, vl::propertyListClassName(desiredClass))};
    return {shouldBeMutable ? vl::deepMutableCopy(read.value) : read.value, {}};
}

void VLBackgroundPropertyListDownloader::callTargetWithFinalObject(const QVariant &object)
{
    if (!m_nonretainedTarget)
        return;
    // A target without the method is the caller's mistake; it is logged here, as
    // nothing may be thrown across the event loop.
    try {
        vl::performSelector(m_nonretainedTarget, m_doneSelector,
                            {QVariant(m_url), object, QVariant::fromValue(m_contextInfo)});
    } catch (const std::exception &e) {
        platform::log(QString::fromUtf8(e.what()));
    }
}
