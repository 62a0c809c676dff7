#pragma once

#include <QByteArrayView>
#include <QObject>
#include <QStringList>
#include <QThread>
#include <QVariant>

/// Operations the library adds to run loops. A thread's run loop is its Qt
/// event loop, named by the QThread.
namespace vl {

/// Schedules sending `selector` with the argument(s) to `target` from the event
/// loop of `runLoop`, and returns. Among calls waiting in one loop a lower
/// `order` runs first, as on the original platform. Qt has no run-loop modes:
/// `modes` are kept with the call as names, and it runs whichever loop of the
/// thread processes events next. The arguments are copied now; a target
/// destroyed before its turn is skipped, and a null run loop schedules nothing.
/// A failure (no such method) is logged, never thrown across the event loop.
void performSelector(QThread *runLoop, QByteArrayView selector, QObject *target, const QVariant &argument1,
                     const QVariant &argument2, int order, const QStringList &modes);
void performSelectorWithFloatArgument(QThread *runLoop, QByteArrayView selector, QObject *target, float argument,
                                      int order, const QStringList &modes);

} // namespace vl
