// The pane against the reference service running as a real process on this
// sandbox's bus: what the user does in the pane arrives in the service's journal.

#include "PaneTestSupport.h"
#include "ServiceTestSupport.h"

#include "HotKeyField.h"

#include <QCheckBox>
#include <QComboBox>

#include <gtest/gtest.h>

using namespace corvane::test;

namespace {

class EndToEndTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        removeDomain();
        ASSERT_GT(guard.start(), 0);
        ASSERT_TRUE(loaded.active);
        ASSERT_TRUE(QTest::qWaitFor([this] { return loaded.pane.proxy().isConnected(); }));
        loaded.pane.willSelect();
    }
    void TearDown() override { removeDomain(); }

    HotKeyField *field() const { return loaded.outlet<HotKeyField>("_hotKeyField"); }
    QComboBox *sortBy() const { return loaded.outlet<QComboBox>("_sortByPicker"); }

    void clickIntoTheField()
    {
        QTest::mouseClick(field(), Qt::LeftButton);
        ASSERT_TRUE(field()->isEditing());
    }

    // Ends editing by moving the focus on, as the user does.
    void focusElsewhere() { loaded.outlet<QCheckBox>("_limitSearchCheckbox")->setFocus(Qt::TabFocusReason); }

    ServiceGuard guard;
    ServiceJournalReader journal;
    LoadedPane loaded;
};

} // namespace

TEST_F(EndToEndTest, RecordingOptionSpaceThenClearingReachesTheDomainAndTheService)
{
    clickIntoTheField();
    QTest::keyClick(field(), Qt::Key_Space, Qt::AltModifier);
    EXPECT_EQ(field()->text(), QStringLiteral("⌥Space"));
    focusElsewhere();

    EXPECT_EQ(readDomain()->value(QStringLiteral("ShowHideHotKey")),
              QVariant(KeyCombo::keyComboWithKeyCode(49, 0x0800)->archivedData()));
    EXPECT_TRUE(journal.waitFor(QStringLiteral("message hotKeyChanged 49 2048")));
    EXPECT_TRUE(journal.waitFor(QStringLiteral("value ShowHideHotKey 49 2048")));

    // Cleared, it reaches the service as -1, -1.
    clickIntoTheField();
    QTest::keyClick(field(), Qt::Key_Backspace);
    focusElsewhere();
    EXPECT_EQ(readDomain()->value(QStringLiteral("ShowHideHotKey")),
              QVariant(KeyCombo::clearKeyCombo()->archivedData()));
    EXPECT_TRUE(journal.waitFor(QStringLiteral("message hotKeyChanged -1 -1")));
}

TEST_F(EndToEndTest, EachSettingIsSavedBeforeTheServiceHearsOfIt)
{
    sortBy()->setFocus();
    QTest::keyClick(sortBy(), Qt::Key_Down);
    ASSERT_EQ(sortBy()->currentIndex(), 1);
    EXPECT_TRUE(journal.waitFor(QStringLiteral("message sortPreferenceChanged 1")));
    EXPECT_TRUE(journal.waitFor(QStringLiteral("sorting most-recently-used")));
    QTest::keyClick(sortBy(), Qt::Key_Down);
    EXPECT_TRUE(journal.waitFor(QStringLiteral("sorting most-often-used")));

    QTest::mouseClick(loaded.outlet<QCheckBox>("_limitSearchCheckbox"), Qt::LeftButton);
    EXPECT_TRUE(journal.waitFor(QStringLiteral("message limitApplicationSearchChanged true")));

    // The corners travel without a value: the service reads all four from the
    // domain, which must already hold the new one.
    auto *bottomLeft = loaded.outlet<QComboBox>("_bottomLeftPicker");
    bottomLeft->setFocus();
    QTest::keyClick(bottomLeft, Qt::Key_Down);
    EXPECT_TRUE(journal.waitFor(QStringLiteral("message hotCornersChanged")));
    EXPECT_TRUE(journal.waitFor(QStringLiteral("value BottomLeftCorner true")));
    EXPECT_TRUE(journal.contains(QStringLiteral("value TopLeftCorner false")));
}
