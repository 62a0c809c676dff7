#include "PaneTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>

#include <gtest/gtest.h>

using namespace corvane::test;

namespace {

const char *const Corners[] = {"_topLeftPicker", "_topRightPicker", "_bottomLeftPicker", "_bottomRightPicker"};
const QStringList CornerKeys = {QStringLiteral("TopLeftCorner"), QStringLiteral("TopRightCorner"),
                                QStringLiteral("BottomLeftCorner"), QStringLiteral("BottomRightCorner")};

class SettingsTest : public PaneTest
{
protected:
    QComboBox *picker(const char *name) const { return loaded.outlet<QComboBox>(name); }
    QComboBox *sortBy() const { return picker("_sortByPicker"); }
    QCheckBox *limit() const { return loaded.outlet<QCheckBox>("_limitSearchCheckbox"); }

    // The user picking the next item of a pop-up with the keyboard.
    static void pickNext(QComboBox *box)
    {
        box->setFocus();
        QTest::keyClick(box, box->currentIndex() + 1 < box->count() ? Qt::Key_Down : Qt::Key_Up);
    }
};

} // namespace

TEST_F(SettingsTest, ATrueCornerSelectsItsOnItemAndAFalseOneLeavesThePopUpAlone)
{
    picker("_bottomRightPicker")->setCurrentIndex(1);
    ASSERT_TRUE(writeDomain({{QStringLiteral("TopLeftCorner"), true},
                             {QStringLiteral("TopRightCorner"), QStringLiteral("YES")},
                             {QStringLiteral("BottomLeftCorner"), 0},
                             {QStringLiteral("BottomRightCorner"), false}}));
    loaded.pane.willSelect();
    EXPECT_EQ(picker("_topLeftPicker")->currentIndex(), 1);
    EXPECT_EQ(picker("_topRightPicker")->currentIndex(), 1);
    EXPECT_EQ(picker("_bottomLeftPicker")->currentIndex(), 0);
    EXPECT_EQ(picker("_bottomRightPicker")->currentIndex(), 1); // false selects nothing

    ASSERT_TRUE(writeDomain({{QStringLiteral("BottomLeftCorner"), ~quint64(0)}})); // non-zero beyond 63 bits
    loaded.pane.willSelect();
    EXPECT_EQ(picker("_bottomLeftPicker")->currentIndex(), 1);
}

TEST_F(SettingsTest, SortOrderAndLimitComeFromTheDomainWhenItHasThem)
{
    ASSERT_TRUE(writeDomain({{QStringLiteral("CVSortOrder"), 2}, {QStringLiteral("LimitAppSearchesToSystemVolume"), true}}));
    loaded.pane.willSelect();
    EXPECT_EQ(sortBy()->currentIndex(), 2);
    EXPECT_TRUE(limit()->isChecked());

    // An index the pop-up lacks leaves it showing what it showed, and a save
    // writes that index rather than none.
    for (const QVariant &bad : {QVariant(7), QVariant(-1), QVariant(QStringLiteral("recent"))}) {
        ASSERT_TRUE(writeDomain({{QStringLiteral("CVSortOrder"), bad}}));
        loaded.pane.willSelect();
        EXPECT_EQ(sortBy()->currentIndex(), 2) << qPrintable(bad.toString());
        loaded.pane.save();
        EXPECT_EQ(readDomain()->value(QStringLiteral("CVSortOrder")), QVariant(2));
    }
}

TEST_F(SettingsTest, EachActionSavesEverySettingAtOnceEvenWithoutARunningService)
{
    // No service on this sandbox's bus (one of another sandbox may run).
    ASSERT_FALSE(loaded.pane.proxy().isConnected());
    loaded.pane.willSelect();
    ASSERT_FALSE(readDomain()); // showing the pane writes nothing
    pickNext(picker("_topRightPicker"));

    const auto domain = readDomain();
    ASSERT_TRUE(domain);
    EXPECT_EQ(domain->value(QStringLiteral("TopRightCorner")), QVariant(true));
    for (const QString &key : {CornerKeys[0], CornerKeys[2], CornerKeys[3]})
        EXPECT_EQ(domain->value(key), QVariant(false)) << qPrintable(key);
    EXPECT_EQ(domain->value(QStringLiteral("CVSortOrder")), QVariant(sortBy()->currentIndex()));
    EXPECT_EQ(domain->value(QStringLiteral("LimitAppSearchesToSystemVolume")), QVariant(limit()->isChecked()));
    // The hot key of a domain that had none: Command-Return, archived.
    EXPECT_EQ(domain->value(QStringLiteral("ShowHideHotKey")),
              QVariant(KeyCombo::keyComboWithKeyCode(36, KeyCombo::CommandKey)->archivedData()));
    EXPECT_EQ(domain->size(), 7);

    pickNext(sortBy());
    EXPECT_EQ(readDomain()->value(QStringLiteral("CVSortOrder")), QVariant(sortBy()->currentIndex()));
    QTest::mouseClick(limit(), Qt::LeftButton);
    EXPECT_EQ(readDomain()->value(QStringLiteral("LimitAppSearchesToSystemVolume")), QVariant(limit()->isChecked()));
}

TEST_F(SettingsTest, TheServicesOwnKeysSurviveEverySave)
{
    const QDateTime stamp = QDateTime::fromSecsSinceEpoch(1'200'000'000, Qt::UTC);
    ASSERT_TRUE(writeDomain({{QStringLiteral("CVWindowX"), -1234},
                             {QStringLiteral("CVRecent"), QVariantList{QStringLiteral("Mail"), 3}},
                             {QStringLiteral("CVLastScan"), stamp},
                             {QStringLiteral("HotKeyCode"), 49},
                             {QStringLiteral("HotKeyModifiers"), 256}}));
    loaded.pane.willSelect();
    // The service, a process of its own, writes into the domain after the pane read it.
    platform::UserDefaults service(ServiceBundleIdentifier);
    ASSERT_TRUE(service.setInteger(19, QStringLiteral("CVScanCount")));
    pickNext(picker(Corners[1]));

    const auto domain = readDomain();
    ASSERT_TRUE(domain);
    EXPECT_EQ(domain->value(QStringLiteral("CVWindowX")), QVariant(-1234));
    EXPECT_EQ(domain->value(QStringLiteral("CVRecent")), QVariant(QVariantList{QStringLiteral("Mail"), 3}));
    EXPECT_EQ(domain->value(QStringLiteral("CVLastScan")).toDateTime(), stamp);
    EXPECT_EQ(domain->value(QStringLiteral("CVScanCount")), QVariant(19));
    // The older hot-key keys stay beside the archive that replaced them.
    EXPECT_EQ(domain->value(QStringLiteral("HotKeyCode")), QVariant(49));
    EXPECT_EQ(domain->value(QStringLiteral("HotKeyModifiers")), QVariant(256));
    EXPECT_EQ(domain->value(QStringLiteral("ShowHideHotKey")),
              QVariant(KeyCombo::keyComboWithKeyCode(49, KeyCombo::CommandKey)->archivedData()));
}

TEST_F(SettingsTest, ASaveThatCannotBeWrittenIsToldOnceOnASheetWithThePathAndTheReason)
{
    loaded.pane.willSelect();
    // A folder in the file's place: the write fails even for root.
    ASSERT_TRUE(QDir().mkdir(domainPath()));
    pickNext(picker("_topRightPicker"));
    const auto sheets = openSheets(loaded.view);
    ASSERT_EQ(sheets.size(), 1);
    const QString told = sheets[0]->informativeText();
    EXPECT_TRUE(told.startsWith(QStringLiteral("The settings could not be written to %1: ").arg(domainPath()))
                && !told.endsWith(QStringLiteral(": .")))
        << qPrintable(told);
    sheets[0]->done(0);
    QDir(domainPath()).removeRecursively();
}
