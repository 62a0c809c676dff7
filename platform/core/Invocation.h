#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QMetaMethod>
#include <QObject>
#include <QVariantList>

#include <memory>

namespace platform {

/// A deferred method call, the counterpart of the original platform's
/// invocation object: a target, the name of one of its slots or Q_INVOKABLE
/// methods (the selector) and the argument values. The invocation keeps its
/// target and arguments alive until it is destroyed, so it may wait in a queue
/// and run later on any thread (the method then runs on that thread).
class Invocation
{
public:
    /// The most arguments a method may take.
    static constexpr int MaximumArgumentCount = 10;

    /// Resolves `selector` on `target`'s class to a method taking exactly
    /// `arguments.size()` parameters that the arguments convert to. An invalid
    /// QVariant (none) becomes the parameter type's default value, or stays none
    /// for a QVariant parameter. Where overloads fit, the most derived class's
    /// last declared one wins.
    /// Throws Exception("NSInvalidArgumentException") when the target is null,
    /// the selector empty, or no method fits.
    Invocation(std::shared_ptr<QObject> target, QByteArrayView selector, const QVariantList &arguments = {});

    const std::shared_ptr<QObject> &target() const { return m_target; }
    QByteArray selector() const { return m_method.name(); }
    /// The arguments as the method receives them (converted to its parameter types).
    const QVariantList &arguments() const { return m_arguments; }

    /// Calls the method on the calling thread, directly. Whatever the method
    /// throws reaches the caller; its return value is discarded.
    void invoke() const;

private:
    std::shared_ptr<QObject> m_target;
    QMetaMethod m_method;
    int m_methodIndex = -1; // m_method's, which QMetaMethod works out anew each time
    QVariantList m_arguments;
};

} // namespace platform
