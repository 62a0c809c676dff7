#pragma once

#include "platform/system/Bundle.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QObject>
#include <QVariant>

#include <optional>

/// Operations the library adds to every object: sending a method by name (a
/// selector) with typed arguments through Qt's meta-object. The receiver's slot
/// or Q_INVOKABLE method of that name taking that many parameters is called
/// directly on the calling thread; arguments convert to its parameter types.
///
/// A receiver that has no such method raises "NSInvalidArgumentException"
/// ("-[Class selector]: unrecognized selector sent to instance 0x…"), as
/// sending an unknown message did on the original platform; so does a null
/// receiver. Exceptions the method throws reach the caller.
namespace vl {

/// The bundle that holds the code of the receiver's class: the nearest folder
/// above the program or library defining the class whose bundle executable is
/// that file. None for a class outside any bundle (a plain program or a system
/// library). Main thread only, as bundles are.
std::optional<platform::Bundle> bundle(const QObject *receiver);

/// Whether `receiver` has a callable method named `selector` (any parameter count).
bool respondsToSelector(const QObject *receiver, QByteArrayView selector);
/// Whether it has one taking `argumentCount` parameters.
bool respondsToSelector(const QObject *receiver, QByteArrayView selector, int argumentCount);

/// Sends `selector` with `arguments`; the method's return value, none for void.
QVariant performSelector(QObject *receiver, QByteArrayView selector, const QVariantList &arguments = {});

// The typed forms, named after the original's; each returns what the method returns.
QVariant performSelectorWithBool(QObject *receiver, QByteArrayView selector, bool value);
QVariant performSelectorWithDouble(QObject *receiver, QByteArrayView selector, double value);
QVariant performSelectorWithInt(QObject *receiver, QByteArrayView selector, int value);
QVariant performSelectorWithLongLong(QObject *receiver, QByteArrayView selector, qint64 value);
/// The selector argument travels as its name (a QByteArray).
QVariant performSelectorWithSelector(QObject *receiver, QByteArrayView selector, const QByteArray &value);
QVariant performSelectorWithUnsignedInt(QObject *receiver, QByteArrayView selector, quint32 value);
QVariant performSelectorWithUnsignedInteger(QObject *receiver, QByteArrayView selector, quint64 value);
QVariant performSelector(QObject *receiver, QByteArrayView selector, const QVariant &a, const QVariant &b,
                         const QVariant &c);
QVariant performSelector(QObject *receiver, QByteArrayView selector, const QVariant &a, const QVariant &b,
                         const QVariant &c, const QVariant &d);

/// The typed results: the method's return value converted (false or 0 when it
/// returns nothing that converts).
bool performSelectorAndReturnBool(QObject *receiver, QByteArrayView selector);
bool performSelectorAndReturnBool(QObject *receiver, QByteArrayView selector, const QVariant &object);
int performSelectorAndReturnInt(QObject *receiver, QByteArrayView selector);
int performSelectorAndReturnInt(QObject *receiver, QByteArrayView selector, const QVariant &object);
quint32 performSelectorAndReturnUnsignedInt(QObject *receiver, QByteArrayView selector);
quint32 performSelectorAndReturnUnsignedInt(QObject *receiver, QByteArrayView selector, quint32 value);

/// Has the main thread send `selector` with the argument(s) to `receiver`;
/// with `waitUntilDone`, returns after the method has run (at once, directly,
/// when called on the main thread), else as soon as the call is queued. A
/// receiver destroyed before its turn is skipped. A call that cannot run is
/// logged, never thrown across the event loop.
void performSelectorOnMainThreadWithBool(QObject *receiver, QByteArrayView selector, bool value, bool waitUntilDone);
void performSelectorOnMainThreadWithUnsignedInteger(QObject *receiver, QByteArrayView selector, quint64 value,
                                                    bool waitUntilDone);
void performSelectorOnMainThread(QObject *receiver, QByteArrayView selector, const QVariant &a, const QVariant &b,
                                 bool waitUntilDone);

/// Deprecated. Logs "-[NSObject performSelectorInSuperclass:withObject:] is
/// deprecated and doesn't work correctly anyway." as a debugger message on every
/// call. For a receiver of a root class (a meta-object without a superclass, as
/// QObject's) reports "-performSelectorInSuperclass: can't be called on a root
/// class" to the assertion handler and returns none. Otherwise calls the method
/// that the superclass of the receiver's class declares for `selector` with one
/// argument: a non-virtual method runs the superclass's code; a virtual one is
/// still dispatched to the receiver's override, which C++ does not let a
/// meta-object call bypass.
QVariant performSelectorInSuperclass(QObject *receiver, QByteArrayView selector, const QVariant &object);

/// Raises "NSInvalidArgumentException" with "Class %1 requires a concrete
/// implementation of the method %2" (the receiver's class name, the selector).
[[noreturn]] void requestConcreteImplementationForSelector(const QObject *receiver, QByteArrayView selector);

} // namespace vl
