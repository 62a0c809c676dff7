#include "VLTrie.h"

#include "platform/core/AssertionHandler.h"
#include "platform/core/Exception.h"
#include "platform/core/Log.h"
#include "TestSupport.h"

#include <QRandomGenerator>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace {

void add(VLTrie &trie, const QStringList &strings)
{
    for (const QString &s : strings)
        trie.addString(s);
}

} // namespace

TEST(VLTrie, StorageIsCaseSensitiveAndListingIsSortedWithoutCase)
{
    VLTrie trie;
    add(trie, {"cat", "Car", "cart"});
    EXPECT_EQ(trie.findStringsWithPrefix("ca"), (QStringList{"cart", "cat"}));
    EXPECT_EQ(trie.findStringsWithPrefix("Ca"), QStringList{"Car"});
    EXPECT_EQ(trie.findStringsWithPrefix("cat"), QStringList{"cat"}); // a stored prefix lists itself
    EXPECT_EQ(trie.findStringsWithPrefix("car"), QStringList{"cart"}); // a path, not a stored string
    EXPECT_TRUE(trie.findStringsWithPrefix("cb").isEmpty());
    EXPECT_TRUE(trie.findStringsWithPrefix("carts").isEmpty());
    EXPECT_TRUE(trie.findStringsWithPrefix("").isEmpty()); // not the whole content

    // Insertion order does not matter; a case-sensitive sort would give aC, aZ, ab.
    for (const QStringList &order : {QStringList{"aZ", "ab", "aC"}, QStringList{"ab", "aC", "aZ"}}) {
        VLTrie t;
        add(t, order);
        EXPECT_EQ(t.findStringsWithPrefix("a"), (QStringList{"ab", "aC", "aZ"}));
    }
}

TEST(VLTrie, RemovalIsTrueForEveryExistingPathAndKeepsTheOtherStrings)
{
    VLTrie trie;
    add(trie, {"car", "cart"});
    EXPECT_FALSE(trie.removeString("cab"));   // no such path: nothing changes
    EXPECT_FALSE(trie.removeString("carts"));
    EXPECT_TRUE(trie.removeString("ca"));     // a path, though never stored
    EXPECT_EQ(trie.findStringsWithPrefix("c"), (QStringList{"car", "cart"}));

    EXPECT_TRUE(trie.removeString("car"));
    EXPECT_EQ(trie.findStringsWithPrefix("c"), QStringList{"cart"});
    trie.addString("car");
    EXPECT_TRUE(trie.removeString("cart"));
    EXPECT_EQ(trie.findStringsWithPrefix("c"), QStringList{"car"});
    EXPECT_EQ(trie.root().findString("cart", 0), nullptr); // the emptied leaf is gone

    // Removing the only string frees every node: the root has no children table left.
    EXPECT_TRUE(trie.removeString("car"));
    EXPECT_FALSE(trie.root().hasChildren());
    EXPECT_TRUE(trie.findStringsWithPrefix("c").isEmpty());
    EXPECT_FALSE(trie.removeString("car"));
}

TEST(VLTrie, AgreesWithASortedSetUnderRandomAddsAndRemovals)
{
    // A small alphabet with both cases makes many shared prefixes and many
    // strings that are equal without case; beside ASCII, letters that fold onto
    // ASCII ones (KELVIN SIGN, LONG S) and one that does not.
    const QString alphabet = QStringLiteral("aAbBkK\u212AsS\u017F\u00E4\u00C4");
    QRandomGenerator random(20240611);
    auto randomString = [&] {
        QString s;
        for (int n = 1 + int(random.bounded(5)); n > 0; --n)
            s += alphabet.at(random.bounded(alphabet.size()));
        return s;
    };
    VLTrie trie;
    std::set<QString> model; // code-unit order, as the trie keeps ties
    for (int step = 0; step < 3000; ++step) {
        const QString s = randomString();
        if (random.bounded(3) == 0) {
            const bool pathExists = std::any_of(model.begin(), model.end(), [&](const QString &m) { return m.startsWith(s); });
            EXPECT_EQ(trie.removeString(s), pathExists) << qPrintable(s);
            model.erase(s);
        } else {
            trie.addString(s);
            model.insert(s);
        }
        const QString prefix = randomString().left(2);
        QStringList expected;
        for (const QString &m : model)
            if (m.startsWith(prefix))
                expected << m;
        std::stable_sort(expected.begin(), expected.end(),
                         [](const QString &a, const QString &b) { return QString::compare(a, b, Qt::CaseInsensitive) < 0; });
        ASSERT_EQ(trie.findStringsWithPrefix(prefix), expected) << "prefix " << qPrintable(prefix);
    }
}

TEST(VLTrie, VeryLongStringsNeitherOverflowTheStackNorLeak)
{
    const QString longString(1'000'000, QLatin1Char('x'));
    {
        VLTrie trie;
        trie.addString(longString);
        trie.addString(longString.left(10));
        EXPECT_EQ(trie.findStringsWithPrefix(longString.left(500'000)), QStringList{longString});
        EXPECT_TRUE(trie.removeString(longString));
        EXPECT_EQ(trie.findStringsWithPrefix("x"), QStringList{longString.left(10)});
        trie.addString(longString); // and freed whole with the trie
    }
}
