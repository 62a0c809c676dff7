#include "ObjectExtensions.h"
#include "NotificationCenterExtensions.h"
#include "RunLoopExtensions.h"

#include "platform/core/AssertionHandler.h"
#include "platform/core/Exception.h"
#include "platform/core/LoadedImages.h"
#include "platform/core/Log.h"

#include "Raises.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>

#include <atomic>
#include <memory>

namespace {

class Receiver : public QObject
{
    Q_OBJECT

public:
    QVariantList calls;
    QThread *ranOn = nullptr;

    Q_INVOKABLE QString describe(const QVariant &value) { return QStringLiteral("receiver ") + value.toString(); }
    Q_INVOKABLE bool negate(bool value) { return !value; }
    Q_INVOKABLE double half(double value) { return value / 2; }
    Q_INVOKABLE int twice(int value) { return value * 2; }
    Q_INVOKABLE qint64 plusOne(qint64 value) { return value + 1; }
    Q_INVOKABLE quint32 complement(quint32 value) { return ~value; }
    Q_INVOKABLE quint64 plusTwo(quint64 value) { return value + 2; }
    Q_INVOKABLE QByteArray selectorName(const QByteArray &selector) { return selector; }
    Q_INVOKABLE bool yes() { return true; }
    Q_INVOKABLE QVariant echo(const QVariant &value) { return value; }
    Q_INVOKABLE int answer() { return 42; }
    Q_INVOKABLE QString join(const QString &a, const QString &b, const QString &c) { return a + b + c; }
    Q_INVOKABLE QString join(const QString &a, const QString &b, const QString &c, const QString &d)
    {
        return a + b + c + d;
    }
    Q_INVOKABLE void record(const QVariant &a, const QVariant &b)
    {
        calls.append(QVariant(QVariantList{a, b}));
        ranOn = QThread::currentThread();
    }
    Q_INVOKABLE void recordFloat(float value)
    {
        calls.append(value);
        ranOn = QThread::currentThread();
    }
};

// Declares describe() again without virtual dispatch: the superclass's method is
// a different method.
class DerivedReceiver : public Receiver
{
    Q_OBJECT

public:
    Q_INVOKABLE QString describe(const QVariant &value) { return QStringLiteral("derived ") + value.toString(); }
};

// Runs `work` on a thread of its own while the main thread's event loop turns.
void onWorkerThread(std::function<void()> work)
{
    std::unique_ptr<QThread> thread(QThread::create(std::move(work)));
    thread->start();
    while (!thread->wait(QDeadlineTimer(10)))
        QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

} // namespace

TEST(ObjectExtensions, TypedPerformsReturnWhatTheMethodReturns)
{
    Receiver r;
    EXPECT_EQ(vl::performSelectorWithBool(&r, "negate", true), QVariant(false));
    EXPECT_EQ(vl::performSelectorWithDouble(&r, "half", 3.0), QVariant(1.5));
    EXPECT_EQ(vl::performSelectorWithInt(&r, "twice", 21), QVariant(42));
    EXPECT_EQ(vl::performSelectorWithLongLong(&r, "plusOne", qint64(1) << 40), QVariant((qint64(1) << 40) + 1));
    EXPECT_EQ(vl::performSelectorWithUnsignedInt(&r, "complement", 0u), QVariant(quint32(0xFFFFFFFF)));
    EXPECT_EQ(vl::performSelectorWithUnsignedInteger(&r, "plusTwo", 1), QVariant(quint64(3)));
    EXPECT_EQ(vl::performSelectorWithSelector(&r, "selectorName", "answer"), QVariant(QByteArray("answer")));
    EXPECT_EQ(vl::performSelector(&r, "join", "a", "b", "c"), QVariant(QStringLiteral("abc")));
    EXPECT_EQ(vl::performSelector(&r, "join", "a", "b", "c", "d"), QVariant(QStringLiteral("abcd")));
    EXPECT_TRUE(vl::performSelectorAndReturnBool(&r, "yes"));
    EXPECT_FALSE(vl::performSelectorAndReturnBool(&r, "negate", true));
    EXPECT_EQ(vl::performSelectorAndReturnInt(&r, "answer"), 42);
    EXPECT_EQ(vl::performSelectorAndReturnInt(&r, "twice", 4), 8);
    EXPECT_EQ(vl::performSelectorAndReturnUnsignedInt(&r, "complement", 1u), 0xFFFFFFFEu);
    EXPECT_FALSE(vl::performSelector(&r, "record", {1, 2}).isValid()); // void: none
    EXPECT_EQ(vl::performSelector(&r, "echo", {5}), QVariant(5)); // a QVariant result is the value
}

TEST(ObjectExtensions, UnknownSelectorsAndAbstractMethodsRaise)
{
    Receiver r;
    EXPECT_TRUE(vl::respondsToSelector(&r, "twice"));
    EXPECT_FALSE(vl::respondsToSelector(&r, "twice", 2));
    try {
        vl::performSelectorWithInt(&r, "missing", 1);
        ADD_FAILURE() << "an unknown selector was performed";
    } catch (const platform::Exception &e) {
        EXPECT_EQ(e.name(), QStringLiteral("NSInvalidArgumentException"));
        EXPECT_TRUE(
            e.reason().startsWith(QStringLiteral("-[Receiver missing]: unrecognized selector sent to instance 0x")))
            << e.reason().toStdString();
    }
    EXPECT_TRUE(corvane::test::raises([&] { vl::requestConcreteImplementationForSelector(&r, "drawRect:"); },
                                      QStringLiteral("NSInvalidArgumentException"),
                                      QStringLiteral("Class Receiver requires a concrete implementation of the method drawRect:")));
}

TEST(ObjectExtensions, ClassesOutsideBundlesHaveNone)
{
    Receiver r;
    EXPECT_FALSE(vl::bundle(&r));
    QObject plain;
    EXPECT_FALSE(vl::bundle(&plain));
    // What it stands on: the file that defines a class.
    const auto qtCore = platform::loadedImagePathContaining(&QObject::staticMetaObject);
    ASSERT_TRUE(qtCore);
    EXPECT_TRUE(qtCore->contains("libQt6Core.so")) << qtCore->toStdString();
    const auto program = platform::loadedImagePathContaining(&Receiver::staticMetaObject);
    ASSERT_TRUE(program);
    EXPECT_TRUE(program->endsWith("/library_object_extensions_test")) << program->toStdString();
    const int onTheStack = 0;
    EXPECT_FALSE(platform::loadedImagePathContaining(&onTheStack));
}

TEST(ObjectExtensions, PerformInSuperclassIsDeprecatedOnEveryCall)
{
    std::vector<platform::LogRecord> records;
    platform::ScopedLogSink sink([&](const platform::LogRecord &record) { records.push_back(record); });
    platform::RecordingAssertionHandler handler;
    platform::ScopedAssertionHandler scoped(handler);

    DerivedReceiver derived;
    EXPECT_EQ(vl::performSelector(&derived, "describe", {1}), QVariant(QStringLiteral("derived 1")));
    EXPECT_EQ(vl::performSelectorInSuperclass(&derived, "describe", 1), QVariant(QStringLiteral("receiver 1")));
    QObject root;
    EXPECT_FALSE(vl::performSelectorInSuperclass(&root, "deleteLater", {}).isValid());
    ASSERT_EQ(handler.failures().size(), 1u);
    EXPECT_EQ(handler.failures().front().description,
              QStringLiteral("-performSelectorInSuperclass: can't be called on a root class"));

    ASSERT_EQ(records.size(), 2u);
    for (const auto &record : records) {
        EXPECT_EQ(record.kind, platform::LogRecord::Kind::Debugger);
        EXPECT_EQ(record.message, QStringLiteral("-[NSObject performSelectorInSuperclass:withObject:] is deprecated "
                                                 "and doesn't work correctly anyway."));
    }
}

TEST(ObjectExtensions, MainThreadVariantsRunOnTheMainThread)
{
    Receiver r;
    std::atomic<int> seenAfterReturn{-1};
    onWorkerThread([&] {
        vl::performSelectorOnMainThread(&r, "record", 1, QStringLiteral("x"), true);
        seenAfterReturn = int(r.calls.size()); // waited: the call has run
    });
    EXPECT_EQ(seenAfterReturn, 1);
    EXPECT_EQ(r.ranOn, QThread::currentThread());
    EXPECT_EQ(r.calls.value(0), (QVariantList{1, QStringLiteral("x")}));

    onWorkerThread([&] { vl::performSelectorOnMainThreadWithBool(&r, "negate", true, false); });
    // Called on the main thread without waiting: queued, not run yet.
    vl::performSelectorOnMainThread(&r, "record", 2, 3, false);
    EXPECT_EQ(r.calls.size(), 1);
    QCoreApplication::processEvents();
    EXPECT_EQ(r.calls.size(), 2);

    platform::NotificationCenter center;
    QThread *postedOn = nullptr;
    QVariantMap info;
    center.addObserver(&r, QStringLiteral("Ping"), nullptr, [&](const platform::Notification &n) {
        postedOn = QThread::currentThread();
        info = n.userInfo;
    });
    onWorkerThread([&] {
        vl::postNotificationNameOnMainThread(center, QStringLiteral("Ping"), nullptr, {{"k", 1}}, true);
    });
    EXPECT_EQ(postedOn, QThread::currentThread());
    EXPECT_EQ(info, (QVariantMap{{"k", 1}}));
}

TEST(RunLoopExtensions, LowerOrdersRunFirst)
{
    Receiver r;
    QThread *loop = QThread::currentThread();
    vl::performSelector(loop, "record", &r, 3, {}, 3, {QStringLiteral("kCFRunLoopDefaultMode")});
    vl::performSelector(loop, "record", &r, 1, {}, 1, {QStringLiteral("kCFRunLoopDefaultMode")});
    vl::performSelectorWithFloatArgument(loop, "recordFloat", &r, 2.5f, 2, {});
    EXPECT_TRUE(r.calls.isEmpty()); // scheduled, not run
    QCoreApplication::sendPostedEvents();
    ASSERT_EQ(r.calls.size(), 3);
    EXPECT_EQ(r.calls.at(0), (QVariantList{1, QVariant()}));
    EXPECT_EQ(r.calls.at(1), QVariant(2.5f));
    EXPECT_EQ(r.calls.at(2), (QVariantList{3, QVariant()}));

    // A call that cannot run is logged on the loop, not thrown through it.
    std::vector<QString> lines;
    platform::ScopedLogSink sink([&](const platform::LogRecord &record) { lines.push_back(record.message); });
    vl::performSelector(loop, "missing", &r, 1, 2, 0, {});
    QCoreApplication::sendPostedEvents();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines.front().contains(QStringLiteral("unrecognized selector")));

    // A target gone before its turn is skipped.
    auto gone = std::make_unique<Receiver>();
    vl::performSelector(loop, "record", gone.get(), 1, 2, 0, {});
    gone.reset();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(lines.size(), 1u);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

#include "ObjectExtensionsTest.moc"
