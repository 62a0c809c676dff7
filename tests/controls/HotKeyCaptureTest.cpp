#include "HotKeyField.h"
#include "KeyBroadcaster.h"

#include "platform/core/NotificationCenter.h"
#include "TestSupport.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QShortcut>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

using Posted = std::pair<uint, uint>; // key code, Carbon modifiers

/// Plays the pane's part: capture while the field edits.
class CapturingDelegate : public HotKeyFieldDelegate
{
public:
    explicit CapturingDelegate(KeyBroadcaster *broadcaster) : m_broadcaster(broadcaster) {}

    void didBecomeFirstResponder(HotKeyField *) override
    {
        calls.push_back(QStringLiteral("become"));
        m_broadcaster->setEnabled(true);
    }
    void didResignFirstResponder(HotKeyField *) override { calls.push_back(QStringLiteral("resign")); }
    void controlTextDidChange(const platform::Notification &notification) override
    {
        const auto *editor = qobject_cast<QLineEdit *>(notification.userInfo.value(QStringLiteral("NSFieldEditor")).value<QObject *>());
        calls.push_back(QStringLiteral("change:") + (editor ? editor->text() : QStringLiteral("?")));
    }
    void controlTextDidEndEditing(const platform::Notification &notification) override
    {
        calls.push_back(notification.name == ControlTextDidEndEditingNotification ? QStringLiteral("end")
                                                                                   : QStringLiteral("?"));
        m_broadcaster->setEnabled(false);
    }

    QStringList calls;

private:
    KeyBroadcaster *m_broadcaster;
};

/// A window with the field, a hidden broadcaster, another line edit and a
/// window shortcut (Ctrl+S), as the pane lays them out.
class CaptureTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        auto *layout = new QVBoxLayout(&window);
        other = new QLineEdit(&window);
        field = new HotKeyField(&window);
        broadcaster = new KeyBroadcaster(&window);
        broadcaster->setEnabled(false);
        broadcaster->hide();
        layout->addWidget(other);
        layout->addWidget(field);
        layout->addWidget(broadcaster);
        delegate = std::make_unique<CapturingDelegate>(broadcaster);
        field->setDelegate(delegate.get());
        auto *save = new QShortcut(QKeySequence(QStringLiteral("Ctrl+S")), &window);
        QObject::connect(save, &QShortcut::activated, [this] { ++shortcuts; });
        platform::NotificationCenter::defaultCenter().addObserver(
            this, KeyBroadcasterKeyEvent, broadcaster, [this](const platform::Notification &n) {
                posted.emplace_back(n.userInfo.value(QStringLiteral("KeyCode")).toUInt(),
                                    n.userInfo.value(QStringLiteral("Modifiers")).toUInt());
            });
        window.show();
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        other->setFocus();
    }

    void TearDown() override { platform::NotificationCenter::defaultCenter().removeObserver(this); }

    void startEditing()
    {
        field->setFocus(Qt::MouseFocusReason);
        ASSERT_TRUE(field->hasFocus());
        ASSERT_TRUE(broadcaster->isEnabled());
    }

    QWidget window;
    QLineEdit *other = nullptr;
    HotKeyField *field = nullptr;
    KeyBroadcaster *broadcaster = nullptr;
    std::unique_ptr<CapturingDelegate> delegate;
    std::vector<Posted> posted;
    int shortcuts = 0;
};

} // namespace

TEST_F(CaptureTest, WhileTheFieldEditsEveryPressGoesToTheBroadcasterAndNowhereElse)
{
    startEditing();
    QTest::keyClick(field, Qt::Key_Space, Qt::AltModifier);
    QTest::keyClick(field, Qt::Key_S, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_Tab);
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClick(field, Qt::Key_Launch0); // claimed, but has no key code to post

    // The modifier presses QTest sends ahead of each key are not combinations;
    // which code each key gets is the translator's business.
    const std::vector<Posted> expected = {{49, 0x0800}, {1, 0x1000}, {48, 0}, {51, 0}};
    EXPECT_EQ(posted, expected);
    EXPECT_EQ(shortcuts, 0);
    EXPECT_TRUE(field->hasFocus()); // Tab moved nothing
    EXPECT_EQ(field->text(), QString());
    EXPECT_EQ(delegate->calls, QStringList{QStringLiteral("become")});
}

TEST_F(CaptureTest, ThePressIsTakenByItsPhysicalKeyWhenThePlatformGivesOne)
{
    startEditing();
    // The key labelled Z on a German layout sits where a US keyboard has Y:
    // XKB keycode 29 (evdev 21), virtual key code 16.
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Z, Qt::MetaModifier, 29, 0, 0, QStringLiteral("z"));
    QApplication::sendEvent(field, &press);
    EXPECT_EQ(posted, (std::vector<Posted>{{16, 0x0100}}));
}

TEST_F(CaptureTest, OnceEditingHasEndedKeysPassTheDisabledBroadcasterBy)
{
    startEditing();
    QTest::mouseClick(other, Qt::LeftButton);
    ASSERT_TRUE(other->hasFocus());
    EXPECT_EQ(delegate->calls, (QStringList{QStringLiteral("become"), QStringLiteral("resign"), QStringLiteral("end")}));
    EXPECT_FALSE(broadcaster->isEnabled());

    QTest::keyClick(other, Qt::Key_X);
    QTest::keyClick(other, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(other->text(), QStringLiteral("x"));
    EXPECT_EQ(shortcuts, 1);
    EXPECT_TRUE(posted.empty());
    // Offered directly, a disabled broadcaster declines and posts nothing.
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::AltModifier);
    EXPECT_FALSE(broadcaster->performKeyEquivalent(&press));
    EXPECT_TRUE(posted.empty());
}
