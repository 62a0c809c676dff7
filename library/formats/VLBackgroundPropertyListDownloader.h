#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QVariant>

#include <memory>

class QNetworkAccessManager;
class QNetworkReply;

namespace vl {

/// The kinds of object a property list holds, by the original platform's class
/// names, for checking what a download gave.
enum class PropertyListClass { Dictionary, Array, String, Data, Date, Number };

/// "NSDictionary", "NSArray", "NSString", "NSData", "NSDate" or "NSNumber".
QString propertyListClassName(PropertyListClass kind);
/// The class name of a value read from a property list: one of the above
/// (booleans, integers and reals are all "NSNumber"), "CFKeyedArchiverUID" for
/// a UID, and the Qt type's name for anything else.
QString propertyListClassName(const QVariant &value);

} // namespace vl

/// Fetches a property list from a URL without blocking, on the event loop of the
/// thread that starts it, and hands the object to a target's method: once, with
/// the URL, the object (none on any failure) and the caller's context pointer,
/// which arrives unchanged. The target's method is a slot or Q_INVOKABLE taking
/// (QUrl, QVariant, void *); the target is not owned, and a target destroyed
/// before the download ends is not called.
///
/// Every download goes to the network (no cache) and gives up after 60 seconds.
/// Failures are logged: "URL download failed: %1" for a transport failure only
/// (a body that arrives with an HTTP error status is read like any other),
/// "Couldn't convert plist data into object: %1" for bytes that are not a
/// property list in any format (XML, binary, old-style text), and "Final
/// downloaded object is of class %1, but we wanted something like the class %2".
class VLBackgroundPropertyListDownloader : public QObject
{
    Q_OBJECT

public:
    static constexpr int TimeoutMilliseconds = 60000;

    /// Starts a download that owns itself until its target has been called.
    /// With `finalObjectShouldBeMutable` the object and its nested arrays and
    /// dictionaries are marked mutable (see MutableContainers.h).
    static void beginDownloadOfPropertyListWithURL(const QUrl &url, QObject *target, QByteArrayView selector,
                                                   void *contextInfo, vl::PropertyListClass desiredFinalObjectClass,
                                                   bool finalObjectShouldBeMutable);

    /// What downloaded bytes give: the object, or none with the log message that says why.
    struct FinalObject
    {
        QVariant object;
        QString failure;
    };
    /// Reads `data` as a property list and checks it is a `desiredClass`.
    static FinalObject finalObjectFromData(QByteArrayView data, vl::PropertyListClass desiredClass,
                                           bool shouldBeMutable);

    ~VLBackgroundPropertyListDownloader() override;

private:
    VLBackgroundPropertyListDownloader(const QUrl &url, QObject *target, QByteArrayView selector, void *contextInfo,
                                       vl::PropertyListClass desiredFinalObjectClass, bool finalObjectShouldBeMutable);
    void beginDownload();
    void finished();
    void callTargetWithFinalObject(const QVariant &object);

    QUrl m_url;
    QPointer<QObject> m_nonretainedTarget;
    QByteArray m_doneSelector;
    void *m_contextInfo;
    vl::PropertyListClass m_desiredFinalObjectClass;
    bool m_finishedObjectShouldBeMutable;
    QByteArray m_downloadedData;
    std::unique_ptr<QNetworkAccessManager> m_network;
    QNetworkReply *m_reply = nullptr; // owned by m_network
};
