#include "AffineTransform.h"
#include "ArrayExtensions.h"
#include "DictionaryExtensions.h"
#include "IndexSetExtensions.h"
#include "SetExtensions.h"

#include "platform/core/AssertionHandler.h"

#include "Raises.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QObject>

namespace {

int ascending(const QVariant &element, const QVariant &object, void *)
{
    return element.toInt() < object.toInt() ? -1 : element.toInt() > object.toInt() ? 1 : 0;
}

// Answers with a magnitude other than 1, which the searches do not take for an order.
int fiveApart(const QVariant &element, const QVariant &object, void *)
{
    return element.toInt() < object.toInt() ? -5 : element.toInt() > object.toInt() ? 5 : 0;
}

int countingCompare(const QVariant &element, const QVariant &object, void *context)
{
    ++*static_cast<int *>(context);
    return ascending(element, object, nullptr);
}

QVariantList numbers(std::initializer_list<int> values)
{
    QVariantList list;
    for (int v : values)
        list.append(v);
    return list;
}

QVariantList strings(std::initializer_list<const char *> values)
{
    QVariantList list;
    for (const char *v : values)
        list.append(QString::fromLatin1(v));
    return list;
}

class Item : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int rank MEMBER rank)

public:
    explicit Item(int rank)
        : rank(rank)
    {
    }
    int rank;
    bool flag = false;
    QVariantList received;
    Q_INVOKABLE void setFlag(bool on) { flag = on; }
    Q_INVOKABLE void take(const QVariant &a, const QVariant &b) { received = {a, b}; }
    Q_INVOKABLE int compareRank(const QVariant &other) const
    {
        const int theirs = other.toInt();
        return rank < theirs ? -1 : rank > theirs ? 1 : 0;
    }
    Q_INVOKABLE int compare(const QVariant &other, const QVariant &properties) const
    {
        return properties.toString() == QLatin1String("reversed") ? -compareRank(other) : compareRank(other);
    }
};

QVariant object(QObject *o)
{
    return QVariant::fromValue(o);
}

} // namespace

TEST(ArrayExtensions, BinarySearchesFollowTheOriginalsTestsForMinusOneAndOne)
{
    const QVariantList sorted = numbers({1, 3, 5, 5, 7});
    struct Row
    {
        int object;
        qsizetype insertIndex;
    };
    for (const Row &row : {Row{5, 2}, Row{8, 5}, Row{0, 0}, Row{4, 2}, Row{7, 4}}) {
        EXPECT_EQ(vl::fastFindInsertIndexForObject(sorted, row.object, ascending), row.insertIndex) << row.object;
        const qsizetype found = vl::fastIndexOfObject(sorted, row.object, ascending);
        if (sorted.contains(row.object))
            EXPECT_EQ(sorted.at(found), row.object);
        else
            EXPECT_EQ(found, vl::ArrayNotFound) << row.object;
    }
    EXPECT_EQ(vl::fastIndexOfObject({}, 1, ascending), 2147483647);
    EXPECT_EQ(vl::fastFindInsertIndexForObject({}, 1, ascending), 0);
    // Smaller than the first element: the search stops at middle 0.
    EXPECT_EQ(vl::fastIndexOfObject(sorted, 0, ascending), vl::ArrayNotFound);

    // -5 is "not ascending" for the insert index and "same" for index-of.
    EXPECT_EQ(vl::fastFindInsertIndexForObject(sorted, 8, fiveApart), 0);
    EXPECT_EQ(vl::fastIndexOfObject(sorted, 8, fiveApart), 2); // the first middle asked

    int comparisons = 0;
    QVariantList large;
    for (int i = 0; i < 1024; ++i)
        large.append(i * 2);
    EXPECT_EQ(vl::fastFindInsertIndexForObject(large, 1001, countingCompare, &comparisons), 501);
    EXPECT_LE(comparisons, 11);
}

TEST(ArrayExtensions, SelectorAndPropertiesSearchesAskTheElement)
{
    Item one(1), three(3), five(5);
    const QVariantList items{object(&one), object(&three), object(&five)};
    EXPECT_EQ(vl::fastFindInsertIndexForObjectComparisonSelector(items, 4, "compareRank"), 2);
    EXPECT_EQ(vl::fastIndexOfObjectComparisonSelector(items, 3, "compareRank"), 1);
    EXPECT_EQ(vl::fastIndexOfObjectComparisonSelector(items, 2, "compareRank"), vl::ArrayNotFound);
    EXPECT_EQ(vl::fastFindInsertIndexForObjectProperties(items, 4, QStringLiteral("plain")), 2);
    EXPECT_EQ(vl::fastIndexOfObjectProperties(items, 5, QStringLiteral("plain")), 2);
    // The properties reach the element: reversed, every element looks larger than 4.
    EXPECT_EQ(vl::fastFindInsertIndexForObjectProperties(items, 4, QStringLiteral("reversed")), 0);
}

TEST(ArrayExtensions, CopiesTellMutableFromImmutable)
{
    const QVariantList array = strings({"a", "b", "a"});
    const auto inserted = vl::arrayByInsertingObject(array, QStringLiteral("z"), 1);
    const auto removed = vl::arrayByRemovingObject(array, QStringLiteral("a"));
    static_assert(!vl::isMutable(inserted));
    static_assert(vl::isMutable(removed));
    EXPECT_EQ(inserted, strings({"a", "z", "b", "a"}));
    EXPECT_EQ(QVariantList(removed), strings({"b"}));
    EXPECT_EQ(QVariantList(vl::arrayByRemovingObjectsFromArray(array, strings({"b", "x"}))), strings({"a", "a"}));

    const QVariantList nested{QVariant(strings({"x"})), QVariantMap{{"k", QVariant(strings({"y"}))}}, 7};
    const vl::MutableArray copy = vl::deepMutableCopy(nested);
    ASSERT_EQ(copy.size(), 3);
    EXPECT_TRUE(vl::isMutable(copy.at(0)));
    EXPECT_TRUE(vl::isMutable(copy.at(1)));
    EXPECT_TRUE(vl::isMutable(copy.at(1).toMap().value("k")));
    EXPECT_EQ(copy.at(0).toList(), strings({"x"}));
    EXPECT_EQ(copy.at(2), QVariant(7));
    EXPECT_FALSE(vl::isMutable(QVariant(nested)));
    EXPECT_EQ(vl::immutableCopy(QVariant::fromValue(copy)), QVariant(nested)); // unmarked at every level
}

TEST(ArrayExtensions, MergesAppendAndRecurseAsTheOriginal)
{
    // Rows of: into, from, expected.
    const QVariantList rows[][3] = {
        {strings({"a"}), strings({"b", "c"}), strings({"a", "b", "c"})},
        {strings({"a"}), strings({"b", "b"}), strings({"a", "b"})},
        {strings({"a", "b"}), strings({"a", "c"}), strings({"a", "b", "c"})},
        {QVariantList{QVariant(strings({"x"}))}, QVariantList{QVariant(strings({"x", "y"}))},
         QVariantList{QVariant(strings({"x", "y"}))}},
    };
    for (const auto &row : rows) {
        QVariantList merged = row[0];
        vl::mergeObjectsFromArray(merged, row[1]);
        ASSERT_EQ(merged.size(), row[2].size());
        for (qsizetype i = 0; i < merged.size(); ++i) {
            const auto asList = vl::arrayValue(merged.at(i));
            EXPECT_EQ(asList ? QVariant(*asList) : merged.at(i), row[2].at(i)) << i;
        }
    }

    QVariantMap into{{"a", QVariantMap{{"y", 2}}}, {"list", QVariant(strings({"p"}))}, {"s", 1}};
    vl::mergeObjectsFromDictionary(
        into, QVariantMap{{"a", QVariantMap{{"x", 1}}}, {"list", QVariant(strings({"p", "q"}))}, {"s", 2}, {"new", 3}});
    EXPECT_EQ(vl::dictionaryValue(into.value("a")), (QVariantMap{{"x", 1}, {"y", 2}}));
    EXPECT_TRUE(vl::isMutable(into.value("a")));
    EXPECT_EQ(vl::arrayValue(into.value("list")), strings({"p", "q"}));
    EXPECT_EQ(into.value("s"), QVariant(2));
    EXPECT_EQ(into.value("new"), QVariant(3));
}

TEST(ArrayExtensions, MovingAndRemoving)
{
    QVariantList array = strings({"a", "b", "c", "d"});
    vl::moveObjectAtIndex(array, 0, 3);
    EXPECT_EQ(array, strings({"b", "c", "a", "d"}));
    vl::moveObjectAtIndex(array, 3, 0);
    EXPECT_EQ(array, strings({"d", "b", "c", "a"}));
    vl::moveObjectAtIndex(array, 0, 9); // outside: unchanged
    EXPECT_EQ(array, strings({"d", "b", "c", "a"}));
    vl::moveObject(array, QStringLiteral("a"), 0);
    EXPECT_EQ(array, strings({"a", "d", "b", "c"}));

    Item one(1), two(2), otherTwo(2), three(3);
    QVariantList items{object(&one), object(&two), object(&three), object(&otherTwo)};
    vl::removeObjectsInArray(items, numbers({2, 9}), "compareRank");
    EXPECT_EQ(items, (QVariantList{object(&one), object(&three)}));

    QVariantList plain = strings({"x", "y", "x"});
    vl::replaceObject(plain, QStringLiteral("x"), QStringLiteral("z"));
    EXPECT_EQ(plain, strings({"z", "y", "x"}));
    vl::removeObjectsEqualTo(plain, QStringLiteral("x"));
    vl::insertObjectsFromArray(plain, strings({"1", "2"}), 1);
    EXPECT_EQ(plain, strings({"z", "1", "2", "y"}));
}

TEST(ArrayExtensions, AllHaveSameKeyOverDictionariesAndProperties)
{
    const QVariantMap withOne{{"k", 1}};
    const QVariantMap withTwo{{"k", 2}};
    const QVariantMap without;
    struct Row
    {
        QVariantList array;
        bool expected;
    };
    for (const Row &row :
         {Row{{}, true}, Row{{withOne}, true}, Row{{withOne, withOne}, true}, Row{{withOne, withTwo}, false},
          Row{{without, without}, true}, Row{{without, withOne}, false}, Row{{withOne, without}, false}})
        EXPECT_EQ(vl::allHaveSameKey(row.array, QStringLiteral("k")), row.expected);

    Item a(4), b(4), c(5);
    EXPECT_TRUE(vl::allHaveSameKey({object(&a), object(&b)}, QStringLiteral("rank")));
    EXPECT_FALSE(vl::allHaveSameKey({object(&a), object(&c)}, QStringLiteral("rank")));
}

TEST(ArrayExtensions, DictionaryLookupsSkipOtherElements)
{
    const QVariantList array{QStringLiteral("k"), QVariantMap{{"other", 1}}, QVariantMap{{"k", 1}},
                             QVariantMap{{"k", 2}}};
    EXPECT_EQ(vl::indexOfDictionaryWithObject(array, 2, QStringLiteral("k")), 3);
    EXPECT_EQ(vl::indexOfDictionaryWithObject(array, QVariant(), QStringLiteral("missing")), vl::ArrayNotFound);
    EXPECT_EQ(vl::searchForDictionaryWithObject(array, 1, QStringLiteral("k")), array.at(2));
    EXPECT_EQ(vl::arrayOfObjectsInDictionariesForKey(array, QStringLiteral("k")), numbers({1, 2}));
    EXPECT_TRUE(vl::containsAtLeastOneDictionaryWithObjectForKey(array, QStringLiteral("other")));
    EXPECT_EQ(vl::indexesOfObject(numbers({4, 1, 4}), 4), (vl::IndexSet{0, 2}));
    EXPECT_FALSE(vl::firstObject({}).isValid());
}

TEST(ArrayExtensions, CArrayOwnsNulTerminatedStrings)
{
    auto array = vl::cArrayUsingEncoding(strings({"one", "zwei"}), vl::StringEncoding::UTF8);
    ASSERT_TRUE(array);
    char **strings = array->data();
    EXPECT_STREQ(strings[0], "one");
    EXPECT_STREQ(strings[1], "zwei");
    EXPECT_EQ(strings[2], nullptr);

    auto latin = vl::cArrayUsingEncoding({QStringLiteral("caf\u00e9")}, vl::StringEncoding::ISOLatin1);
    ASSERT_TRUE(latin);
    EXPECT_STREQ(latin->data()[0], "caf\xe9");
    // Not representable in ASCII: nothing rather than a lossy string.
    EXPECT_FALSE(vl::cArrayUsingEncoding({QStringLiteral("caf\u00e9")}, vl::StringEncoding::ASCII));

    platform::RecordingAssertionHandler handler;
    platform::ScopedAssertionHandler scoped(handler);
    EXPECT_FALSE(vl::cArrayUsingEncoding({QStringLiteral("a"), 5}, vl::StringEncoding::UTF8));
    ASSERT_EQ(handler.failures().size(), 1u);
    EXPECT_EQ(handler.failures().front().description, QStringLiteral("Array must be 100% composed of strings"));
}

TEST(ArrayExtensions, NilSelectorsNameTheOperation)
{
    const QVariantList array = numbers({1});
    const std::vector<std::pair<std::function<void()>, const char *>> calls = {
        {[&] { vl::makeObjectsPerformSelectorWithBool(array, {}, true); }, "makeObjectsPerformSelector:withBool:"},
        {[&] { vl::makeObjectsPerformSelectorWithInt(array, {}, 1); }, "makeObjectsPerformSelector:withInt:"},
        {[&] { vl::makeObjectsPerformSelectorWithLongLong(array, {}, 1); }, "makeObjectsPerformSelector:withLongLong:"},
        {[&] { vl::makeObjectsPerformSelector(array, {}, 1, 2); }, "makeObjectsPerformSelector:withObject:withObject:"},
        {[&] { vl::makeObjectsPerformSelectorWithSelector(array, {}, "x"); },
         "makeObjectsPerformSelector:withSelector:"},
        {[&] { vl::makeObjectsPerformSelectorWithUnsignedInteger(array, {}, 1); },
         "makeObjectsPerformSelector:withUnsignedInteger:"},
    };
    for (const auto &[call, name] : calls) {
        EXPECT_TRUE(corvane::test::raises(call, QStringLiteral("NSInvalidArgumentException"),
                                          QStringLiteral("-[NSArray %1] nil selector").arg(QLatin1String(name))));
    }
}

TEST(ArrayExtensions, MakeObjectsPerformSkipsElementsThatDoNotRespond)
{
    Item a(1), b(2);
    const QVariantList array{object(&a), 7, QStringLiteral("text"), object(&b)};
    vl::makeObjectsPerformSelector(array, "setFlag", true, false); // two arguments: nobody answers
    EXPECT_FALSE(a.flag);
    vl::makeObjectsPerformSelectorWithBool(array, "setFlag", true);
    EXPECT_TRUE(a.flag);
    EXPECT_TRUE(b.flag);
    vl::makeObjectsPerformSelector(array, "take", 1, QStringLiteral("two"));
    EXPECT_EQ(b.received, (QVariantList{1, QStringLiteral("two")}));
}

TEST(IndexAndSetExtensions, NumbersBecomeIndexes)
{
    const vl::IndexSet set = vl::indexSetWithArray({3, QStringLiteral("x"), 1.9, quint64(7), true});
    EXPECT_EQ(set, (vl::IndexSet{1, 3, 7}));
    EXPECT_EQ(vl::initWithIndexes({5, 2, 2147483647, 9}), (vl::IndexSet{2, 5}));
    vl::IndexSet minus{1, 2, 3, 10};
    vl::minusSet(minus, {2, 10, 11});
    EXPECT_EQ(vl::allIndexes(minus), (QVariantList{quint64(1), quint64(3)}));

    QSet<int> ints{1};
    EXPECT_EQ(vl::setByAddingObject(ints, 2), (QSet<int>{1, 2}));
    vl::addObjects(ints, {3, 4});
    vl::removeObjectsInArray(ints, {1, 4});
    EXPECT_EQ(ints, (QSet<int>{3}));
}

// The size is transformed without the translation, so a quarter turn gives a negative width.
TEST(AffineTransform, TranslateRectMovesTheOriginAsAPointAndTheSizeAsASize)
{
    const vl::AffineTransform quarterTurn{0, 1, -1, 0, 10, 20};
    EXPECT_EQ(vl::translateRect(quarterTurn, QRectF(1, 2, 3, 4)), QRectF(QPointF(8, 21), QSizeF(-4, 3)));
    EXPECT_EQ(vl::translateRect({}, QRectF(1, 2, 3, 4)), QRectF(1, 2, 3, 4));
}

#include "CollectionExtensionsTest.moc"
