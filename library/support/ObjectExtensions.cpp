#include "ObjectExtensions.h"

#include "MainThread_p.h"

#include "platform/core/AssertionHandler.h"
#include "platform/core/Exception.h"
#include "platform/core/LoadedImages.h"
#include "platform/core/Log.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMetaMethod>
#include <QMetaObject>
#include <QPointer>
#include <QThread>

#include <array>
#include <optional>

namespace vl {

namespace {

constexpr int MaximumArgumentCount = 10;

bool isCallable(const QMetaMethod &method)
{
    return method.methodType() == QMetaMethod::Method || method.methodType() == QMetaMethod::Slot;
}

// The argument as a parameter of `type` receives it; none when it does not convert.
std::optional<QVariant> converted(const QVariant &argument, QMetaType type)
{
    if (type == QMetaType::fromType<QVariant>())
        return argument;
    if (!argument.isValid())
        return QVariant(type);
    QVariant value = argument;
    if (value.metaType() != type && !value.convert(type))
        return std::nullopt;
    return value;
}

struct ResolvedCall
{
    QMetaMethod method;
    QVariantList arguments;
};

// The method of `meta` among its first `methodCount` methods named `selector`
// that the arguments fit: the most derived class's last declared one.
std::optional<ResolvedCall> resolve(const QMetaObject *meta, int methodCount, QByteArrayView selector,
                                    const QVariantList &arguments)
{
    for (int index = methodCount - 1; index >= 0; --index) {
        const QMetaMethod method = meta->method(index);
        if (!isCallable(method) || method.parameterCount() != arguments.size() || method.name() != selector)
            continue;
        ResolvedCall call{method, {}};
        bool fits = true;
        for (qsizetype i = 0; i < arguments.size() && fits; ++i) {
            auto value = converted(arguments.at(i), method.parameterMetaType(int(i)));
            fits = value.has_value();
            if (fits)
                call.arguments.append(std::move(*value));
        }
        if (fits)
            return call;
    }
    return std::nullopt;
}

[[noreturn]] void unrecognized(const QObject *receiver, QByteArrayView selector)
{
    const QString className = receiver ? QString::fromLatin1(receiver->metaObject()->className())
                                       : QStringLiteral("nil");
    platform::raise(QString::fromLatin1(platform::ExceptionName::InvalidArgument),
                    QStringLiteral("-[%1 %2]: unrecognized selector sent to instance 0x%3")
                        .arg(className, QString::fromLatin1(selector.toByteArray()))
                        .arg(quintptr(receiver), 0, 16));
}

QVariant invoke(QObject *receiver, const ResolvedCall &call)
{
    std::array<QGenericArgument, MaximumArgumentCount> arguments{};
    for (qsizetype i = 0; i < call.arguments.size(); ++i) {
        const QVariant &argument = call.arguments.at(i);
        const QMetaType type = call.method.parameterMetaType(int(i));
        // A QVariant parameter receives the variant itself, every other one its value.
        const void *data = type == QMetaType::fromType<QVariant>() ? &argument : argument.constData();
        arguments[size_t(i)] = QGenericArgument(type.name(), data);
    }
    QVariant result;
    QGenericReturnArgument returned;
    const QMetaType returnType = call.method.returnMetaType();
    if (returnType == QMetaType::fromType<QVariant>()) {
        returned = QGenericReturnArgument(returnType.name(), &result); // the variant itself, not one inside
    } else if (returnType.isValid() && returnType.id() != QMetaType::Void) {
        result = QVariant(returnType);
        returned = QGenericReturnArgument(returnType.name(), result.data());
    }
    call.method.invoke(receiver, Qt::DirectConnection, returned, arguments[0], arguments[1], arguments[2], arguments[3],
                       arguments[4], arguments[5], arguments[6], arguments[7], arguments[8], arguments[9]);
    return result;
}

// The arguments are copied here, on the calling thread, as the original's
// invocation retained them. A receiver destroyed before its turn is skipped.
void performOnMainThread(QObject *receiver, QByteArrayView selector, QVariantList arguments, bool waitUntilDone)
{
    runOnMainThread(
        [guard = QPointer<QObject>(receiver), selector = selector.toByteArray(), arguments = std::move(arguments)] {
            if (guard)
                performSelector(guard.data(), selector, arguments);
        },
        waitUntilDone);
}

QByteArray pascalString(QByteArrayView text)
{
    return char(text.size()) + text.toByteArray();
}

} // namespace

std::optional<platform::Bundle> bundle(const QObject *receiver)
{
    if (!receiver)
        return std::nullopt;
    // The class's meta-object is static data of the file that defines the class.
    const auto image = platform::loadedImagePathContaining(receiver->metaObject());
    if (!image)
        return std::nullopt;
    const QString file = QFileInfo(QString::fromLocal8Bit(*image)).canonicalFilePath();
    for (QDir folder = QFileInfo(file).dir(); !folder.isRoot(); folder.cdUp()) {
        const auto candidate = platform::Bundle::bundleWithPath(folder.path());
        const auto executable = candidate ? candidate->executablePath() : std::nullopt;
        if (executable && QFileInfo(*executable).canonicalFilePath() == file)
            return candidate;
    }
    return std::nullopt;
}

bool respondsToSelector(const QObject *receiver, QByteArrayView selector)
{
    if (!receiver || selector.isEmpty())
        return false;
    const QMetaObject *meta = receiver->metaObject();
    for (int index = meta->methodCount() - 1; index >= 0; --index) {
        const QMetaMethod method = meta->method(index);
        if (isCallable(method) && method.name() == selector)
            return true;
    }
    return false;
}

bool respondsToSelector(const QObject *receiver, QByteArrayView selector, int argumentCount)
{
    if (!receiver || selector.isEmpty())
        return false;
    const QMetaObject *meta = receiver->metaObject();
    for (int index = meta->methodCount() - 1; index >= 0; --index) {
        const QMetaMethod method = meta->method(index);
        if (isCallable(method) && method.parameterCount() == argumentCount && method.name() == selector)
            return true;
    }
    return false;
}

QVariant performSelector(QObject *receiver, QByteArrayView selector, const QVariantList &arguments)
{
    if (!receiver || arguments.size() > MaximumArgumentCount)
        unrecognized(receiver, selector);
    const QMetaObject *meta = receiver->metaObject();
    const auto call = resolve(meta, meta->methodCount(), selector, arguments);
    if (!call)
        unrecognized(receiver, selector);
    return invoke(receiver, *call);
}

QVariant performSelectorWithBool(QObject *receiver, QByteArrayView selector, bool value)
{
    return performSelector(receiver, selector, {QVariant(value)});
}

QVariant performSelectorWithDouble(QObject *receiver, QByteArrayView selector, double value)
{
    return performSelector(receiver, selector, {QVariant(value)});
}

QVariant performSelectorWithInt(QObject *receiver, QByteArrayView selector, int value)
{
    return performSelector(receiver, selector, {QVariant(value)});
}

QVariant performSelectorWithLongLong(QObject *receiver, QByteArrayView selector, qint64 value)
{
    return performSelector(receiver, selector, {QVariant(value)});
}

QVariant performSelectorWithSelector(QObject *receiver, QByteArrayView selector, const QByteArray &value)
{
    return performSelector(receiver, selector, {QVariant(value)});
}

QVariant performSelectorWithUnsignedInt(QObject *receiver, QByteArrayView selector, quint32 value)
{
    return performSelector(receiver, selector, {QVariant(value)});
}

QVariant performSelectorWithUnsignedInteger(QObject *receiver, QByteArrayView selector, quint64 value)
{
    return performSelector(receiver, selector, {QVariant(value)});
}

QVariant performSelector(QObject *receiver, QByteArrayView selector, const QVariant &a, const QVariant &b,
                         const QVariant &c)
{
    return performSelector(receiver, selector, QVariantList{a, b, c});
}

QVariant performSelector(QObject *receiver, QByteArrayView selector, const QVariant &a, const QVariant &b,
                         const QVariant &c, const QVariant &d)
{
    return performSelector(receiver, selector, QVariantList{a, b, c, d});
}

bool performSelectorAndReturnBool(QObject *receiver, QByteArrayView selector)
{
    return performSelector(receiver, selector).toBool();
}

bool performSelectorAndReturnBool(QObject *receiver, QByteArrayView selector, const QVariant &object)
{
    return performSelector(receiver, selector, QVariantList{object}).toBool();
}

int performSelectorAndReturnInt(QObject *receiver, QByteArrayView selector)
{
    return performSelector(receiver, selector).toInt();
}

int performSelectorAndReturnInt(QObject *receiver, QByteArrayView selector, const QVariant &object)
{
    return performSelector(receiver, selector, QVariantList{object}).toInt();
}

quint32 performSelectorAndReturnUnsignedInt(QObject *receiver, QByteArrayView selector)
{
    return performSelector(receiver, selector).toUInt();
}

quint32 performSelectorAndReturnUnsignedInt(QObject *receiver, QByteArrayView selector, quint32 value)
{
    return performSelector(receiver, selector, {QVariant(value)}).toUInt();
}

void performSelectorOnMainThreadWithBool(QObject *receiver, QByteArrayView selector, bool value, bool waitUntilDone)
{
    performOnMainThread(receiver, selector, {QVariant(value)}, waitUntilDone);
}

void performSelectorOnMainThreadWithUnsignedInteger(QObject *receiver, QByteArrayView selector, quint64 value,
                                                    bool waitUntilDone)
{
    performOnMainThread(receiver, selector, {QVariant(value)}, waitUntilDone);
}

void performSelectorOnMainThread(QObject *receiver, QByteArrayView selector, const QVariant &a, const QVariant &b,
                                 bool waitUntilDone)
{
    performOnMainThread(receiver, selector, {a, b}, waitUntilDone);
}

QVariant performSelectorInSuperclass(QObject *receiver, QByteArrayView selector, const QVariant &object)
{
    static const QByteArray deprecation = pascalString(
        "-[NSObject performSelectorInSuperclass:withObject:] is deprecated and doesn't work correctly anyway.");
    platform::debugStr(deprecation);
    if (!receiver)
        return {};
    const QMetaObject *superclass = receiver->metaObject()->superClass();
    if (!superclass) {
        platform::handleAssertionFailure(
            QStringLiteral("performSelectorInSuperclass:withObject:"), receiver,
            QStringLiteral("NSObject+VLExtensions"), __LINE__,
            QStringLiteral("-performSelectorInSuperclass: can't be called on a root class"));
        return {};
    }
    const auto call = resolve(superclass, superclass->methodCount(), selector, {object});
    if (!call)
        unrecognized(receiver, selector);
    return invoke(receiver, *call);
}

void requestConcreteImplementationForSelector(const QObject *receiver, QByteArrayView selector)
{
    const QString className = receiver ? QString::fromLatin1(receiver->metaObject()->className())
                                       : QStringLiteral("nil");
    platform::raise(QString::fromLatin1(platform::ExceptionName::InvalidArgument),
                    QStringLiteral("Class %1 requires a concrete implementation of the method %2")
                        .arg(className, QString::fromLatin1(selector.toByteArray())));
}

void runOnMainThread(std::function<void()> work, bool waitUntilDone)
{
    auto guarded = [work = std::move(work)] {
        try {
            work();
        } catch (const std::exception &e) {
            platform::log(QStringLiteral("*** main thread: %1").arg(QString::fromUtf8(e.what())));
        }
    };
    QCoreApplication *application = QCoreApplication::instance();
    // Waiting on the main thread for the main thread would never end: run now.
    if (!application || (waitUntilDone && QThread::currentThread() == application->thread())) {
        guarded();
        return;
    }
    QMetaObject::invokeMethod(application, std::move(guarded),
                              waitUntilDone ? Qt::BlockingQueuedConnection : Qt::QueuedConnection);
}

} // namespace vl
