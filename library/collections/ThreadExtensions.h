#pragma once

#include <QByteArrayView>
#include <QObject>
#include <QVariant>
#include <QVariantMap>

#include <memory>

/// Threads that call a method with up to four object arguments.
namespace vl {

/// Starts a detached thread that calls `selector` on `target` with the four
/// objects as its arguments; none (an invalid QVariant) arrives as none. The
/// target needs a slot or Q_INVOKABLE method of that name taking four
/// parameters; the thread keeps the target alive until the call returns. The
/// method should catch what it throws: an exception leaving a thread ends the
/// process.
/// Throws Exception("NSInvalidArgumentException") before any thread starts when
/// the selector is empty ("+[NSThread detachNewThreadSelector:toTarget:withObject:
/// withObject:withObject:withObject:]: NULL selector") or the target is null or
/// has no fitting method.
void detachNewThreadSelector(QByteArrayView selector, std::shared_ptr<QObject> target,
                             const QVariant &object1 = {}, const QVariant &object2 = {},
                             const QVariant &object3 = {}, const QVariant &object4 = {});

/// What such a thread runs: calls the selector held by `info["aSelector"]` (a
/// VLSelectorWrapper) on `receiver` with "anArgument1" to "anArgument4",
/// turning the null object (a QVariant holding nullptr) back into none.
void launchThreadMethodWithInfo(const std::shared_ptr<QObject> &receiver, const QVariantMap &info);

} // namespace vl
