#include "ThreadExtensions.h"

#include "platform/core/Exception.h"
#include "platform/core/Invocation.h"
#include "VLSelectorWrapper.h"

#include <array>
#include <thread>

namespace vl {

namespace {

const std::array<QString, 4> argumentKeys = {QStringLiteral("anArgument1"), QStringLiteral("anArgument2"),
                                             QStringLiteral("anArgument3"), QStringLiteral("anArgument4")};

// A map cannot tell a missing value from an empty one by itself, so none
// travels as the null object.
QVariant nullObjectForNone(const QVariant &object)
{
    return object.isValid() ? object : QVariant::fromValue(nullptr);
}

QVariant noneForNullObject(const QVariant &object)
{
    return object.metaType() == QMetaType::fromType<std::nullptr_t>() ? QVariant() : object;
}

} // namespace

void detachNewThreadSelector(QByteArrayView selector, std::shared_ptr<QObject> target, const QVariant &object1,
                             const QVariant &object2, const QVariant &object3, const QVariant &object4)
{
    if (selector.isEmpty())
        platform::raise(QString::fromLatin1(platform::ExceptionName::InvalidArgument),
                        QStringLiteral("+[NSThread detachNewThreadSelector:toTarget:withObject:withObject:"
                                       "withObject:withObject:]: NULL selector"));
    const QVariantList objects{object1, object2, object3, object4};
    // Resolving the call here refuses a target without such a method on the
    // caller's thread, where the exception can be handled.
    platform::Invocation(target, selector, objects);

    QVariantMap info{{QStringLiteral("aSelector"),
                      QVariant::fromValue(VLSelectorWrapper::wrapperWithSelector(selector.toByteArray()))}};
    for (size_t i = 0; i < argumentKeys.size(); ++i)
        info.insert(argumentKeys[i], nullObjectForNone(objects.at(qsizetype(i))));
    std::thread([target = std::move(target), info = std::move(info)] { launchThreadMethodWithInfo(target, info); })
        .detach();
}

void launchThreadMethodWithInfo(const std::shared_ptr<QObject> &receiver, const QVariantMap &info)
{
    const QByteArray selector = info.value(QStringLiteral("aSelector")).value<VLSelectorWrapper>().selector();
    QVariantList objects;
    for (const QString &key : argumentKeys)
        objects.append(noneForNullObject(info.value(key)));
    platform::Invocation(receiver, selector, objects).invoke();
}

} // namespace vl
