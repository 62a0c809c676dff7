#include "VLLongLongIndexSet.h"

#include "platform/archive/Archiver.h"
#include "TestSupport.h"
#include "platform/archive/Unarchiver.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <limits>
#include <set>

namespace {

constexpr qint64 NotFound = VLLongLongNotFound;

VLMutableLongLongIndexSet setOf(std::initializer_list<qint64> indexes)
{
    VLMutableLongLongIndexSet set;
    for (qint64 i : indexes)
        set.addIndex(i);
    return set;
}

// The elements as the set's own ascending iteration yields them.
std::vector<qint64> iterate(const VLLongLongIndexSet &set)
{
    std::vector<qint64> out;
    for (qint64 i = set.firstIndex(); i != NotFound; i = set.indexGreaterThanIndex(i))
        out.push_back(i);
    return out;
}

} // namespace

TEST(VLLongLongIndexSet, KeepsDistinctIndexesInSignedAscendingOrderAndAnswersNotFoundPastTheEnds)
{
    const VLLongLongIndexSet empty;
    for (const qint64 answer :
         {empty.firstIndex(), empty.lastIndex(), empty.indexGreaterThanIndex(0), empty.indexLessThanIndex(0)})
        EXPECT_EQ(answer, NotFound);
    EXPECT_EQ(empty.count(), 0);
    EXPECT_FALSE(empty.containsIndex(0));
    EXPECT_EQ(empty.indexesJoinedByString(", "), QString());
    EXPECT_TRUE(empty.indexSetData().isEmpty());

    auto set = setOf({5, 1, 3, 3, NotFound});
    EXPECT_EQ(set.count(), 3);
    EXPECT_EQ(iterate(set), (std::vector<qint64>{1, 3, 5}));
    EXPECT_EQ(set.indexesJoinedByString(", "), QStringLiteral("1, 3, 5"));
    EXPECT_EQ(iterate(setOf({2, -7})), (std::vector<qint64>{-7, 2}));
    EXPECT_EQ(set.indexGreaterThanIndex(5), NotFound);
    EXPECT_EQ(set.indexLessThanIndex(1), NotFound);
    EXPECT_EQ(set.indexGreaterThanIndex(2), 3); // between two elements
    EXPECT_EQ(set.indexLessThanIndex(4), 3);
    EXPECT_EQ(set.indexLessThanIndex(NotFound), 5);
    EXPECT_EQ(set.indexGreaterThanIndex(std::numeric_limits<qint64>::min()), 1);
    EXPECT_EQ(set.lastIndex(), 5);
    // A one-element set cannot hold the value for "no index" either.
    EXPECT_EQ(VLLongLongIndexSet::indexSetWithIndex(NotFound).count(), 0);
}

TEST(VLLongLongIndexSet, IterationStaysRightWhileTheSetChanges)
{
    // The bookmark is only a cache: interleaving iteration with insertions
    // before and after it and with removals must never change an answer.
    QRandomGenerator random(77);
    VLMutableLongLongIndexSet set;
    std::set<qint64> model;
    qint64 cursor = set.firstIndex();
    for (int step = 0; step < 20000; ++step) {
        const qint64 value = qint64(random.bounded(200)) - 100;
        const int action = int(random.bounded(4));
        if (action == 0) {
            set.addIndex(value);
            model.insert(value);
        } else if (action == 1) {
            set.removeIndex(value);
            model.erase(value);
        } else if (action == 2 && !model.empty()) { // an append
            set.addIndex(*model.rbegin() + 1);
            model.insert(*model.rbegin() + 1);
        }
        if (cursor == NotFound)
            cursor = set.firstIndex();
        else {
            const auto next = model.upper_bound(cursor);
            const qint64 expected = next == model.end() ? NotFound : *next;
            ASSERT_EQ(set.indexGreaterThanIndex(cursor), expected) << "step " << step;
            cursor = expected;
        }
        ASSERT_EQ(set.count(), qsizetype(model.size()));
        ASSERT_EQ(set.containsIndex(value), model.count(value) == 1);
    }
}

TEST(VLLongLongIndexSet, StoredFormIsBigEndianValuesWithoutHeader)
{
    const QByteArray expected = QByteArray::fromHex("0000000000000001" "0000000000000100");
    const auto set = setOf({256, 1});
    EXPECT_EQ(set.indexSetData(), expected);
    EXPECT_EQ(VLLongLongIndexSet::fromIndexSetData(expected), set);

    const auto extremes = setOf({std::numeric_limits<qint64>::min(), -1, 0, NotFound - 1});
    EXPECT_EQ(extremes.indexSetData().left(8), QByteArray::fromHex("8000000000000000"));
    EXPECT_EQ(VLLongLongIndexSet::fromIndexSetData(extremes.indexSetData()), extremes);

    // A partial last value is ignored; data not in ascending order still
    // decodes to a proper set, and the value for "no index" is no element.
    EXPECT_EQ(VLLongLongIndexSet::fromIndexSetData(expected + QByteArray(7, '\xff')), set);
    const QByteArray foreign = QByteArray::fromHex("0000000000000005" "0000000000000003" "0000000000000005"
                                                   "7fffffffffffffff" "fffffffffffffffe");
    const auto decoded = VLMutableLongLongIndexSet::fromIndexSetData(foreign);
    EXPECT_EQ(iterate(decoded), (std::vector<qint64>{-2, 3, 5}));
    EXPECT_EQ(decoded.count(), 3);
    EXPECT_TRUE(decoded.description().startsWith("<VLMutableLongLongIndexSet: 0x"));
}

TEST(VLLongLongIndexSet, ArchivesAsOneDataObjectAndComesBackAsItsOwnClass)
{
    const auto set = setOf({1, 256});
    const QByteArray expected = QByteArray::fromHex("040B73747265616D747970656481E803" // header
                                                    "840140"                           // "@"
                                                    "84"                               // new object
                                                    "848412564C4C6F6E674C6F6E67496E646578536574" "00" // VLLongLongIndexSet v0
                                                    "8484084E534F626A656374" "00"              // NSObject v0
                                                    "85"
                                                    "84016910"                 // "i" = 16
                                                    "84055B3136635D"           // "[16c]"
                                                    "0000000000000001" "0000000000000100"
                                                    "86");
    EXPECT_EQ(platform::Archiver::archivedDataWithRootObject(set.copy()), expected);

    const auto decoded = platform::Unarchiver::unarchiveObjectWithData<VLLongLongIndexSet>(expected);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(**decoded, set);
    EXPECT_EQ(std::dynamic_pointer_cast<VLMutableLongLongIndexSet>(*decoded), nullptr);

    const QByteArray mutableArchive = platform::Archiver::archivedDataWithRootObject(set);
    EXPECT_TRUE(mutableArchive.contains("VLMutableLongLongIndexSet"));
    const auto mutableDecoded = platform::Unarchiver::unarchiveObjectWithData<VLMutableLongLongIndexSet>(mutableArchive);
    ASSERT_TRUE(mutableDecoded);
    EXPECT_EQ(**mutableDecoded, set);

    // A body that is not a data object is refused, not guessed at.
    QByteArray broken = expected;
    broken.replace(QByteArray::fromHex("84016910"), QByteArray::fromHex("84017310"));
    EXPECT_FALSE(platform::Unarchiver::unarchiveObjectWithData<VLLongLongIndexSet>(broken));
}
