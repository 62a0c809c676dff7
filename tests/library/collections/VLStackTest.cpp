#include "VLStack.h"

#include "Raises.h"


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

TEST(VLStack, LastInFirstOutKeepingItemsAliveUntilPoppedOrCleared)
{
    VLStack<Card> stack;
    const auto &items = stack.items();
    std::weak_ptr<Card> watchA;
    {
        auto a = card("A");
        watchA = a;
        stack.push(std::move(a));
    }
    const auto b = card("B");
    stack.push(b);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items.front()->name, QStringLiteral("A")); // bottom first
    EXPECT_EQ(stack.peek(), b);
    EXPECT_EQ(stack.pop(), b);
    EXPECT_EQ(items.size(), 1u); // the live array, not a copy
    EXPECT_FALSE(watchA.expired());
    const auto popped = stack.pop();
    EXPECT_FALSE(watchA.expired()); // the caller's reference holds it now
    EXPECT_EQ(stack.peek(), nullptr);
    EXPECT_TRUE(corvane::test::raises([&] { stack.pop(); }, QStringLiteral("NSRangeException")));

    stack.push(card("C"));
    std::weak_ptr<Card> watchC = stack.peek();
    stack.removeAllItems();
    EXPECT_TRUE(watchC.expired());
    EXPECT_TRUE(stack.isEmpty());
}
