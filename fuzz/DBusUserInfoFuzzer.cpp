// Fuzzes the conversion of incoming distributed notifications: whatever a program
// on the bus emits as com.velora.DistributedNotificationCenter.Notification, with
// any signature and body that D-Bus itself accepts, reaches the observers as a
// name, an object and user info made of property-list values only, or not at all.
//
// Input: one byte n, then n bytes of signature, then the body. The message is built
// on the wire, checked by libdbus as the bus daemon would check it, and sent over a
// real peer-to-peer D-Bus connection to a notification centre in this process.

#include "platform/bus/DistributedNotificationCenter.h"
#include "platform/plist/PropertyListScalar.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusServer>
#include <QDeadlineTimer>
#include <QStringList>

#include <dbus/dbus.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

const char Path[] = "/com/velora/DistributedNotificationCenter";
const char Interface[] = "com.velora.DistributedNotificationCenter";
const char Member[] = "Notification";

bool isPropertyListValue(const QVariant &value, int depth = 0)
{
    if (depth > 64)
        return false;
    if (platform::propertyListScalar(value.metaType().id()) != platform::PropertyListScalar::None)
        return true;
    switch (value.metaType().id()) {
    case QMetaType::QStringList:
        return true;
    case QMetaType::QVariantList:
        for (const QVariant &member : value.toList()) {
            if (!isPropertyListValue(member, depth + 1))
                return false;
        }
        return true;
    case QMetaType::QVariantMap:
        for (const QVariant &member : value.toMap()) {
            if (!isPropertyListValue(member, depth + 1))
                return false;
        }
        return true;
    default:
        return false;
    }
}

void put(QByteArray &out, const void *data, size_t size)
{
    out.append(static_cast<const char *>(data), qsizetype(size));
}
void align(QByteArray &out, int boundary)
{
    while (out.size() % boundary)
        out.append('\0');
}
void putUint32(QByteArray &out, uint32_t value)
{
    align(out, 4);
    put(out, &value, 4);
}
void putString(QByteArray &out, const char *text)   // 's' or 'o'
{
    putUint32(out, uint32_t(std::strlen(text)));
    put(out, text, std::strlen(text) + 1);
}
void putSignature(QByteArray &out, const QByteArray &signature)   // 'g'
{
    out.append(char(signature.size()));
    out.append(signature);
    out.append('\0');
}
void putField(QByteArray &fields, char code, char type, const std::function<void(QByteArray &)> &value)
{
    align(fields, 8);
    fields.append(code);
    putSignature(fields, QByteArray(1, type));
    value(fields);
}

// A little-endian signal message with the given signature and body bytes.
QByteArray signalMessage(const QByteArray &signature, const QByteArray &body, uint32_t serial)
{
    QByteArray message;
    message.append('l');
    message.append(char(DBUS_MESSAGE_TYPE_SIGNAL));
    message.append(char(DBUS_HEADER_FLAG_NO_REPLY_EXPECTED));
    message.append(char(1));
    putUint32(message, uint32_t(body.size()));
    putUint32(message, serial);
    QByteArray fields;
    putField(fields, DBUS_HEADER_FIELD_PATH, 'o', [](QByteArray &o) { putString(o, Path); });
    putField(fields, DBUS_HEADER_FIELD_INTERFACE, 's', [](QByteArray &o) { putString(o, Interface); });
    putField(fields, DBUS_HEADER_FIELD_MEMBER, 's', [](QByteArray &o) { putString(o, Member); });
    if (!signature.isEmpty())
        putField(fields, DBUS_HEADER_FIELD_SIGNATURE, 'g', [&](QByteArray &o) { putSignature(o, signature); });
    // The fields' offsets above count from the start of the array's contents, which
    // begins at offset 16 of the message: a multiple of 8, so the padding holds.
    putUint32(message, uint32_t(fields.size()));
    message.append(fields);
    align(message, 8);
    message.append(body);
    return message;
}

struct Harness
{
    std::unique_ptr<QCoreApplication> app;
    std::unique_ptr<QDBusServer> server;
    std::unique_ptr<platform::DistributedNotificationCenter> center;
    DBusConnection *client = nullptr;
    uint32_t serial = 1;
    int sentinels = 0;
    int received = 0;

    bool send(const QByteArray &bytes)
    {
        DBusError error;
        dbus_error_init(&error);
        DBusMessage *message = dbus_message_demarshal(bytes.constData(), int(bytes.size()), &error);
        dbus_error_free(&error);
        if (!message)
            return false;
        dbus_connection_send(client, message, nullptr);
        dbus_connection_flush(client);
        dbus_message_unref(message);
        return true;
    }

    void sendSentinel()
    {
        DBusMessage *message = dbus_message_new_signal(Path, Interface, Member);
        const char *name = "Sentinel";
        const char *object = "";
        dbus_message_append_args(message, DBUS_TYPE_STRING, &name, DBUS_TYPE_STRING, &object, DBUS_TYPE_INVALID);
        dbus_connection_send(client, message, nullptr);
        dbus_connection_flush(client);
        dbus_message_unref(message);
    }

    // Everything sent before the sentinel has been handled once it arrives.
    void waitForSentinel()
    {
        const int expected = sentinels + 1;
        sendSentinel();
        QDeadlineTimer deadline(10000);
        while (sentinels < expected) {
            if (deadline.hasExpired()) {
                std::fprintf(stderr, "the notification centre stopped listening\n");
                std::abort();
            }
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
            dbus_connection_read_write(client, 0);   // keep the client's side of the socket moving
        }
    }
};

// Never destroyed: at exit Qt's own globals, which the harness leans on, are gone
// before a static harness would be.
Harness &harness()
{
    static Harness *const h = new Harness;
    return *h;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    Harness &h = harness();
    h.app = std::make_unique<QCoreApplication>(*argc, *argv);
    h.server = std::make_unique<QDBusServer>(QStringLiteral("unix:tmpdir=/tmp"));
    QObject::connect(h.server.get(), &QDBusServer::newConnection, [&h](const QDBusConnection &connection) {
        h.center = std::make_unique<platform::DistributedNotificationCenter>(connection);
        h.center->addObserver(&h, QString(), QString(), [&h](const platform::DistributedNotification &n) {
            if (n.name == QLatin1String("Sentinel")) {
                ++h.sentinels;
                return;
            }
            ++h.received;
            if (n.name.isEmpty() || !isPropertyListValue(n.userInfo)) {
                std::fprintf(stderr, "a notification reached an observer with values it cannot hold\n");
                std::abort();
            }
        });
    });
    DBusError error;
    dbus_error_init(&error);
    h.client = dbus_connection_open_private(h.server->address().toUtf8().constData(), &error);
    if (!h.client) {
        std::fprintf(stderr, "cannot reach the in-process D-Bus server: %s\n", error.message);
        std::abort();
    }
    dbus_connection_set_exit_on_disconnect(h.client, FALSE);
    QDeadlineTimer deadline(10000);
    while (!h.center && !deadline.hasExpired()) {
        dbus_connection_read_write(h.client, 10);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    if (!h.center)
        std::abort();
    h.waitForSentinel();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const size_t signatureLength = std::min<size_t>(data[0], size - 1);
    const QByteArray signature(reinterpret_cast<const char *>(data + 1), qsizetype(signatureLength));
    // A body claiming file descriptors would need them passed alongside; a peer
    // connection that cannot pass any is not what the bus delivers.
    if (signature.contains('h'))
        return 0;
    const QByteArray body(reinterpret_cast<const char *>(data + 1 + signatureLength),
                          qsizetype(size - 1 - signatureLength));
    Harness &h = harness();
    if (h.send(signalMessage(signature, body, h.serial++)))
        h.waitForSentinel();
    return 0;
}
