#include "VLStack.h"

#include "AssertionHandler.h"
#include "Exception.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

namespace {

struct Card
{
    QString name;
    QString description() const { return QStringLiteral("card ") + name; }
};

std::shared_ptr<Card> card(const char *name)
{
    return std::make_shared<Card>(Card{QString::fromLatin1(name)});
}

} // namespace

TEST(VLStack, LastInFirstOutWithPeekAndLiveItems)
{
    VLStack<Card> stack;
    const auto &items = stack.items();
    const auto a = card("A");
    const auto b = card("B");
    stack.push(a);
    stack.push(b);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items.front(), a);    // bottom first
    EXPECT_EQ(stack.peek(), b);
    EXPECT_EQ(stack.pop(), b);
    EXPECT_EQ(items.size(), 1u);    // the live array, not a copy
    EXPECT_EQ(stack.pop(), a);
    EXPECT_TRUE(stack.isEmpty());
    EXPECT_EQ(stack.peek(), nullptr);
}

TEST(VLStack, KeepsItemsAliveUntilPoppedOrCleared)
{
    VLStack<Card> stack;
    std::weak_ptr<Card> watch;
    {
        auto a = card("A");
        watch = a;
        stack.push(std::move(a));
    }
    EXPECT_FALSE(watch.expired());
    const auto popped = stack.pop();
    EXPECT_FALSE(watch.expired());    // the caller's reference holds it now
    stack.push(card("B"));
    std::weak_ptr<Card> watchB = stack.peek();
    stack.removeAllItems();
    EXPECT_TRUE(watchB.expired());
    EXPECT_TRUE(stack.isEmpty());
}

TEST(VLStack, DescriptionNamesCountAndTopItem)
{
    VLStack<Card> stack;
    const QRegularExpression shape(QStringLiteral(R"(^<VLStack: 0x[0-9a-f]+>: (\d+) items, topItem is (.*)$)"));
    auto m = shape.match(stack.description());
    ASSERT_TRUE(m.hasMatch()) << qPrintable(stack.description());
    EXPECT_EQ(m.captured(1), QStringLiteral("0"));
    EXPECT_EQ(m.captured(2), QStringLiteral("(null)"));

    stack.push(card("A"));
    stack.push(card("B"));
    m = shape.match(stack.description());
    ASSERT_TRUE(m.hasMatch()) << qPrintable(stack.description());
    EXPECT_EQ(m.captured(1), QStringLiteral("2"));
    EXPECT_EQ(m.captured(2), QStringLiteral("card B"));

    VLStack<int> plain;    // no description of its own: class name and address
    plain.push(std::make_shared<int>(3));
    EXPECT_TRUE(plain.description().contains(QRegularExpression(QStringLiteral(R"(topItem is <int: 0x[0-9a-f]+>$)"))))
        << qPrintable(plain.description());
}

TEST(VLStack, NullPushIsAnAssertionFailureAndChangesNothing)
{
    VLStack<Card> stack;
    stack.push(card("A"));
    {
        platform::RecordingAssertionHandler recorder;
        platform::ScopedAssertionHandler scope(recorder);
        stack.push(nullptr);
        ASSERT_EQ(recorder.failures().size(), 1u);
        const auto &f = recorder.failures().front();
        EXPECT_EQ(f.method, QStringLiteral("push:"));
        EXPECT_EQ(f.object, &stack);
        EXPECT_EQ(f.file, QStringLiteral("VLStack"));
        EXPECT_EQ(f.line, 57);
        EXPECT_EQ(f.description, QStringLiteral("Attempt to push nil item on VLStack"));
    }
    EXPECT_EQ(stack.items().size(), 1u);
    try {
        stack.push(nullptr);
        FAIL() << "the default handler returned";
    } catch (const platform::Exception &e) {
        EXPECT_EQ(e.name(), QStringLiteral("NSInternalInconsistencyException"));
    }
    EXPECT_EQ(stack.items().size(), 1u);
}

TEST(VLStack, PopOnEmptyRaisesRangeException)
{
    VLStack<Card> stack;
    try {
        stack.pop();
        FAIL() << "pop on an empty stack returned";
    } catch (const platform::Exception &e) {
        EXPECT_EQ(e.name(), QStringLiteral("NSRangeException"));
    }
}
