#include "platform/core/Invocation.h"

#include "platform/core/Exception.h"

#include <QMetaObject>

#include <array>
#include <optional>
#include <utility>

namespace platform {

namespace {

bool isCallable(const QMetaMethod &method)
{
    return method.methodType() == QMetaMethod::Method || method.methodType() == QMetaMethod::Slot;
}

// The argument as the parameter of type `type` receives it, or none when it
// does not convert.
std::optional<QVariant> convertedArgument(const QVariant &argument, QMetaType type)
{
    if (!type.isValid())
        return std::nullopt;
    if (type == QMetaType::fromType<QVariant>())
        return argument;
    if (!argument.isValid())
        return QVariant(type);
    QVariant converted = argument;
    if (converted.metaType() != type && !converted.convert(type))
        return std::nullopt;
    return converted;
}

std::optional<QVariantList> convertedArguments(const QMetaMethod &method, const QVariantList &arguments)
{
    QVariantList converted;
    converted.reserve(arguments.size());
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        auto argument = convertedArgument(arguments.at(i), method.parameterMetaType(int(i)));
        if (!argument)
            return std::nullopt;
        converted.append(std::move(*argument));
    }
    return converted;
}

[[noreturn]] void refuse(const QString &reason)
{
    raise(QString::fromLatin1(ExceptionName::InvalidArgument), reason);
}

} // namespace

Invocation::Invocation(std::shared_ptr<QObject> target, QByteArrayView selector, const QVariantList &arguments)
    : m_target(std::move(target))
{
    if (!m_target)
        refuse(QStringLiteral("Invocation: no target"));
    if (selector.isEmpty())
        refuse(QStringLiteral("Invocation: NULL selector"));
    if (arguments.size() > MaximumArgumentCount)
        refuse(QStringLiteral("Invocation: too many arguments"));

    const QMetaObject *meta = m_target->metaObject();
    for (int index = meta->methodCount() - 1; index >= 0; --index) {
        const QMetaMethod method = meta->method(index);
        if (!isCallable(method) || method.parameterCount() != arguments.size() || method.name() != selector)
            continue;
        if (auto converted = convertedArguments(method, arguments)) {
            m_method = method;
            m_methodIndex = index;
            m_arguments = std::move(*converted);
            return;
        }
    }
    refuse(QStringLiteral("%1 does not respond to %2 with %3 argument(s)")
               .arg(QString::fromLatin1(meta->className()), QString::fromLatin1(selector.toByteArray()))
               .arg(arguments.size()));
}

void Invocation::invoke() const
{
    // Straight to the object's meta-call with the addresses of the arguments:
    // the method and the argument types were settled when the invocation was
    // made, and QMetaMethod::invoke would check them again, by type name, at
    // every call. Address 0 is for a return value, which is discarded.
    std::array<void *, MaximumArgumentCount + 1> addresses{};
    for (qsizetype i = 0; i < m_arguments.size(); ++i) {
        const QVariant &argument = m_arguments.at(i);
        // A QVariant parameter receives the variant itself, every other one its value.
        const void *data = m_method.parameterMetaType(int(i)) == QMetaType::fromType<QVariant>() ? &argument
                                                                                                : argument.constData();
        addresses[size_t(i) + 1] = const_cast<void *>(data);
    }
    QMetaObject::metacall(m_target.get(), QMetaObject::InvokeMetaMethod, m_methodIndex, addresses.data());
}

} // namespace platform
