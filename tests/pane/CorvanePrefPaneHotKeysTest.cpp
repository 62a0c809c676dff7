#include "PaneTestSupport.h"

#include "HotKeyField.h"
#include "KeyBroadcaster.h"

#include <QComboBox>
#include <QMessageBox>
#include <QPushButton>

#include <tuple>

#include <gtest/gtest.h>

using namespace corvane::test;

namespace {

const QString ShowHideHotKey = QStringLiteral("ShowHideHotKey");

using Combo = std::pair<qint16, qint32>; // key code, modifiers

QByteArray archive(qint16 keyCode, qint32 modifiers)
{
    return KeyCombo::keyComboWithKeyCode(keyCode, modifiers)->archivedData();
}

class HotKeysTest : public PaneTest
{
protected:
    HotKeyField *field() const { return loaded.outlet<HotKeyField>("_hotKeyField"); }
    KeyBroadcaster *broadcaster() const { return loaded.outlet<KeyBroadcaster>("_keybroadcaster"); }
    QComboBox *sortBy() const { return loaded.outlet<QComboBox>("_sortByPicker"); }

    // Shows the pane with `domain` and clicks into the hot-key field.
    void startEditing(const QVariantMap &domain = {})
    {
        if (!domain.isEmpty()) {
            ASSERT_TRUE(writeDomain(domain));
        }
        loaded.pane.willSelect();
        QTest::mouseClick(field(), Qt::LeftButton);
        ASSERT_TRUE(field()->hasFocus());
        ASSERT_TRUE(broadcaster()->isEnabled());
    }

    // Ends editing as the user does: by clicking another control.
    void clickElsewhere()
    {
        QTest::mouseClick(sortBy(), Qt::LeftButton);
        // The click opens the pop-up's list; close it without choosing.
        if (QWidget *popup = QApplication::activePopupWidget())
            popup->close();
    }

    QMessageBox *sheet() const { return corvane::test::sheet(loaded.view); }

    void answerSheet()
    {
        sheet()->defaultButton()->click();
        ASSERT_TRUE(QTest::qWaitFor([this] { return !sheet(); }));
        loaded.view->activateWindow();
        ASSERT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() == loaded.view; }));
    }

    Combo combo() const
    {
        const auto current = loaded.pane.keyCombo();
        return current ? std::pair(current->keyCode(), current->storedModifiers()) : Combo(0, 0);
    }
};

} // namespace

TEST_F(HotKeysTest, OlderKeysAreTakenOnlyWhenBothAreSetElseCommandReturn)
{
    ASSERT_TRUE(writeDomain({{QStringLiteral("HotKeyCode"), 49}, {QStringLiteral("HotKeyModifiers"), 256}}));
    loaded.pane.willSelect();
    EXPECT_EQ(combo(), Combo(49, 256));
    EXPECT_EQ(field()->text(), QStringLiteral("⌘Space"));

    for (const QVariantMap &domain :
         {QVariantMap{{QStringLiteral("HotKeyCode"), 49}, {QStringLiteral("HotKeyModifiers"), 0}},
          QVariantMap{{QStringLiteral("HotKeyModifiers"), 2048}}, QVariantMap{},
          // Out of range for a key code or a mask: no older key, not a wrapped one.
          QVariantMap{{QStringLiteral("HotKeyCode"), 65536 + 49}, {QStringLiteral("HotKeyModifiers"), 256}},
          QVariantMap{{QStringLiteral("HotKeyCode"), 49}, {QStringLiteral("HotKeyModifiers"), (qint64(1) << 32) + 256}},
          QVariantMap{{QStringLiteral("HotKeyCode"), ~quint64(0)}, {QStringLiteral("HotKeyModifiers"), ~quint64(0)}}}) {
        removeDomain();
        if (!domain.isEmpty()) {
            ASSERT_TRUE(writeDomain(domain));
        }
        loaded.pane.willSelect();
        EXPECT_EQ(combo(), Combo(36, 256));
        EXPECT_EQ(field()->text(), QStringLiteral("⌘↩"));
    }
    // An archive present wins over the older keys.
    ASSERT_TRUE(writeDomain({{ShowHideHotKey, archive(3, 0x1000)},
                             {QStringLiteral("HotKeyCode"), 49},
                             {QStringLiteral("HotKeyModifiers"), 256}}));
    loaded.pane.willSelect();
    EXPECT_EQ(combo(), Combo(3, 0x1000));
}

TEST_F(HotKeysTest, OptionSpaceIsShownAndDeleteKeysWithoutModifiersClear)
{
    startEditing();
    QTest::keyClick(field(), Qt::Key_Space, Qt::AltModifier);
    EXPECT_EQ(combo(), Combo(49, 0x0800));
    EXPECT_EQ(field()->text(), QStringLiteral("⌥Space"));

    QTest::keyClick(field(), Qt::Key_Backspace);
    EXPECT_FALSE(loaded.pane.keyCombo()->isValid());
    EXPECT_EQ(field()->text(), QString()); // empty, not "(None)"

    QTest::keyClick(field(), Qt::Key_Space, Qt::AltModifier);
    QTest::keyClick(field(), Qt::Key_Delete);
    EXPECT_FALSE(loaded.pane.keyCombo()->isValid());

    // With a modifier the delete keys are ordinary combinations.
    QTest::keyClick(field(), Qt::Key_Backspace, Qt::MetaModifier);
    EXPECT_EQ(combo(), Combo(51, 0x0100));
    EXPECT_EQ(field()->text(), QStringLiteral("⌘⌫"));
    EXPECT_EQ(sheet(), nullptr);
}

// Reserved first, then what the desktop holds (GNOME's defaults through the
// real schemas): a sheet each, and the recorded key stays. Which keys are
// reserved or held is the key combination's and the desktop layer's business.
TEST_F(HotKeysTest, RefusedCombinationsBringTheirSheetAndChangeNothing)
{
    if (!useSystemSchemasWithKeyfile())
        GTEST_SKIP() << "no compiled GSettings schemas: skipped";
    const ScopedEnvironment desktop("XDG_CURRENT_DESKTOP", "GNOME");
    startEditing({{ShowHideHotKey, archive(36, 0x0100)}});
    const QByteArray before = *readFile(domainPath());
    const QString reserved = QStringLiteral("The key combination you pressed is either a reserved or recommended "
                                            "keyboard command equivalent for Mac OS X applications. To prevent "
                                            "conflicts, these key combinations cannot be assigned to shortcuts.");
    const QString held = QStringLiteral("Hot Key Is Used by the Desktop");
    const std::tuple<Qt::Key, Qt::KeyboardModifiers, QString, QString> rows[] = {
        {Qt::Key_K, Qt::NoModifier, QStringLiteral("Hot Key Is Reserved"), reserved},
        {Qt::Key_Space, Qt::AltModifier, held, QStringLiteral("Alt+Space is used by the desktop: Activate the window menu")},
    };
    for (const auto &[key, modifiers, title, message] : rows) {
        QTest::keyClick(field(), key, modifiers);
        ASSERT_NE(sheet(), nullptr) << qPrintable(message);
        EXPECT_EQ(sheet()->text(), title);
        EXPECT_EQ(sheet()->informativeText(), message);
        EXPECT_EQ(sheet()->buttons().size(), 1);
        EXPECT_EQ(combo(), Combo(36, 0x0100));
        answerSheet();
        EXPECT_TRUE(field()->isEditing()); // the sheet came and went without ending the edit
        EXPECT_EQ(*readFile(domainPath()), before);
    }
    // A combination the desktop leaves free is taken.
    QTest::keyClick(field(), Qt::Key_Space, Qt::AltModifier | Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(sheet(), nullptr);
    EXPECT_EQ(combo(), Combo(49, 0x0800 | 0x0200 | 0x1000));
}

// The clear button takes no focus and writes nothing: the cleared key is stored
// with the next save, when the edit ends or the pane is left.
TEST_F(HotKeysTest, TheClearButtonWritesNothingUntilTheNextSave)
{
    for (const bool editing : {true, false}) {
        SCOPED_TRACE(editing ? "while editing" : "not editing");
        ASSERT_TRUE(writeDomain({{ShowHideHotKey, archive(49, 0x0800)}}));
        if (editing) {
            startEditing();
        } else {
            loaded.pane.willSelect();
        }
        const QByteArray before = *readFile(domainPath());
        QTest::mouseClick(loaded.outlet<QPushButton>("_clearHotKeyButton"), Qt::LeftButton);
        EXPECT_EQ(field()->isEditing(), editing);
        EXPECT_EQ(field()->text(), QString());
        EXPECT_FALSE(loaded.pane.keyCombo()->isValid());
        EXPECT_EQ(*readFile(domainPath()), before);
        if (editing) {
            clickElsewhere();
            EXPECT_FALSE(field()->isEditing());
            EXPECT_FALSE(broadcaster()->isEnabled());
        } else {
            loaded.pane.willUnselect();
        }
        EXPECT_EQ(readDomain()->value(ShowHideHotKey), QVariant(archive(-1, -1)));
    }
}

TEST_F(HotKeysTest, LeavingThePaneEndsTheEditSavesAndStopsListening)
{
    startEditing();
    QTest::keyClick(field(), Qt::Key_Space, Qt::AltModifier);
    loaded.pane.willUnselect();
    EXPECT_FALSE(field()->isEditing());
    EXPECT_FALSE(broadcaster()->isEnabled());
    EXPECT_EQ(readDomain()->value(ShowHideHotKey), QVariant(archive(49, 0x0800)));

    // Unselected, the pane no longer listens to its broadcaster.
    broadcaster()->_broadcastKeyCode(49, 0x0100);
    EXPECT_EQ(combo(), Combo(49, 0x0800));
    loaded.pane.willSelect();
    broadcaster()->_broadcastKeyCode(49, 0x1800);
    EXPECT_EQ(combo(), Combo(49, 0x1800));
}
