#include "VLTrie.h"

#include "TestSupport.h"

#include <QRandomGenerator>

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

// What the random comparison below does not reach: the empty prefix, and the
// nodes a removal leaves behind.
TEST(VLTrie, AnEmptyPrefixListsNothingAndRemovalFreesTheNodesNoStringNeeds)
{
    VLTrie trie;
    add(trie, {"car", "cart"});
    EXPECT_TRUE(trie.findStringsWithPrefix("").isEmpty()); // not the whole content
    EXPECT_TRUE(trie.removeString("cart"));
    EXPECT_EQ(trie.findStringsWithPrefix("c"), QStringList{"car"});
    EXPECT_EQ(trie.root().findString("cart", 0), nullptr); // the emptied leaf is gone

    // Removing the only string frees every node: the root has no children table left.
    EXPECT_TRUE(trie.removeString("car"));
    EXPECT_FALSE(trie.root().hasChildren());
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
