#include "RunLoopExtensions.h"

#include "ObjectExtensions.h"

#include "platform/core/Log.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>

#include <functional>
#include <limits>
#include <memory>

namespace vl {

namespace {

// One scheduled call: an event carrying the work, delivered to a receiver that
// lives in the run loop's thread and goes away after running it.
class ScheduledCall : public QEvent
{
public:
    ScheduledCall(std::function<void()> work, QStringList modes)
        : QEvent(type())
        , work(std::move(work))
        , modes(std::move(modes))
    {
    }
    static QEvent::Type type()
    {
        static const auto registered = QEvent::Type(QEvent::registerEventType());
        return registered;
    }
    std::function<void()> work;
    QStringList modes; // kept with the call; Qt's loops have no modes to match
};

class ScheduledCallReceiver : public QObject
{
public:
    bool event(QEvent *event) override
    {
        if (event->type() != ScheduledCall::type())
            return QObject::event(event);
        try {
            static_cast<ScheduledCall *>(event)->work();
        } catch (const std::exception &e) {
            platform::log(QStringLiteral("*** run loop: %1").arg(QString::fromUtf8(e.what())));
        }
        deleteLater();
        return true;
    }
};

// Qt delivers events of higher priority first, the original ran lower orders
// first: the priority is the order negated.
int priorityForOrder(int order)
{
    return order == std::numeric_limits<int>::min() ? std::numeric_limits<int>::max() : -order;
}

// A target destroyed before its turn is skipped.
void schedule(QThread *runLoop, QObject *target, QByteArrayView selector, QVariantList arguments, int order,
              const QStringList &modes)
{
    if (!runLoop)
        return;
    auto work = [guard = QPointer<QObject>(target), selector = selector.toByteArray(),
                 arguments = std::move(arguments)] {
        if (guard)
            vl::performSelector(guard.data(), selector, arguments);
    };
    auto receiver = std::make_unique<ScheduledCallReceiver>();
    receiver->moveToThread(runLoop);
    // Both are handed over: the event to Qt's queue, the receiver to itself
    // (it deletes itself after the call).
    QCoreApplication::postEvent(receiver.release(), new ScheduledCall(std::move(work), modes), priorityForOrder(order));
}

} // namespace

void performSelector(QThread *runLoop, QByteArrayView selector, QObject *target, const QVariant &argument1,
                     const QVariant &argument2, int order, const QStringList &modes)
{
    schedule(runLoop, target, selector, {argument1, argument2}, order, modes);
}

void performSelectorWithFloatArgument(QThread *runLoop, QByteArrayView selector, QObject *target, float argument,
                                      int order, const QStringList &modes)
{
    schedule(runLoop, target, selector, {QVariant(argument)}, order, modes);
}

} // namespace vl
