// The hot key's route in a Wayland session: the line under the field, the one
// click that adds the desktop shortcut (through GNOME's real schemas, or KDE's
// service where there is none), and the portal (a stand-in on the private bus).

#include "PaneTestSupport.h"
#include "PortalStandIn.h"

#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

#include <optional>

using namespace corvane::test;

namespace {

const QString ShowHideHotKey = QStringLiteral("ShowHideHotKey");

class WaylandRouteTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        removeDomain();
        // ⌃⌥Space: no desktop's default.
        ASSERT_TRUE(writeDomain({{ShowHideHotKey, KeyCombo::keyComboWithKeyCode(49, 0x1800)->archivedData()}}));
    }
    void TearDown() override { removeDomain(); }

    // The pane in a Wayland session of `desktop`, once its line says something.
    void load(const QByteArray &desktop)
    {
        session.emplace("XDG_CURRENT_DESKTOP", desktop);
        loaded.emplace();
        ASSERT_TRUE(loaded->active);
        loaded->pane.willSelect();
        ASSERT_NE(line(), nullptr);
        ASSERT_TRUE(QTest::qWaitFor([this] { return !line()->text().isEmpty(); }, 20000));
    }
    QLabel *line() const { return loaded->outlet<QLabel>("_hotKeyRouteLabel"); }
    QPushButton *button() const { return loaded->outlet<QPushButton>("_addDesktopShortcutButton"); }

    const ScopedEnvironment wayland{"XDG_SESSION_TYPE", "wayland"};
    std::optional<ScopedEnvironment> session;
    std::optional<LoadedPane> loaded;
};

} // namespace

TEST_F(WaylandRouteTest, OnGnomeOneClickAddsTheStoredKeyAsACustomShortcut)
{
    if (!useSystemSchemasWithKeyfile())
        GTEST_SKIP() << "no compiled GSettings schemas: skipped";
    load("GNOME");
    EXPECT_EQ(line()->text(), QStringLiteral("On Wayland, this key needs a desktop shortcut."));
    EXPECT_TRUE(loaded->outlet<QLabel>("_hotCornersRouteLabel")->isVisible());
    ASSERT_TRUE(button()->isVisible());

    QTest::mouseClick(button(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([this] { return button()->isEnabled(); }, 20000));
    EXPECT_TRUE(openSheets(loaded->view).isEmpty());
    const QByteArray keyfile = *readFile(qEnvironmentVariable("XDG_CONFIG_HOME") + "/glib-2.0/settings/keyfile");
    EXPECT_TRUE(keyfile.contains("binding='<Control><Alt>space'")) << keyfile.toStdString();
    EXPECT_TRUE(keyfile.contains("command='corvanectl show'")) << keyfile.toStdString();
    EXPECT_TRUE(keyfile.contains("custom-keybindings/com.velora.Corvane.Show/']")) << keyfile.toStdString();

    // Without a hot key there is nothing to add.
    QTest::mouseClick(loaded->outlet<QPushButton>("_clearHotKeyButton"), Qt::LeftButton);
    EXPECT_FALSE(button()->isEnabled());
}

TEST_F(WaylandRouteTest, OnKdeWithoutItsServiceTheFailureComesOnASheet)
{
    load("KDE");
    QTest::mouseClick(button(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([this] { return openSheets(loaded->view).size() == 1; }, 20000));
    const QMessageBox *sheet = openSheets(loaded->view).front();
    EXPECT_EQ(sheet->text(), QStringLiteral("Shortcut Not Added"));
    EXPECT_EQ(sheet->informativeText(), QStringLiteral("KDE's global shortcuts service did not answer."));
}

TEST_F(WaylandRouteTest, WhereThePortalOffersGlobalShortcutsItIsTheRoute)
{
    const PortalStandIn portal(QStringLiteral(CORVANE_PORTAL_STAND_IN), 1);
    ASSERT_TRUE(portal.ready());
    load("KDE");
    EXPECT_EQ(line()->text(), QStringLiteral("On Wayland, the desktop's portal passes this key on."));
    EXPECT_FALSE(button()->isVisible());
}

TEST_F(WaylandRouteTest, OtherDesktopsAreToldWhatToBindAndX11IsLeftAlone)
{
    load("XFCE");
    EXPECT_EQ(line()->text(),
              QStringLiteral("On Wayland, bind this key to “corvanectl show” in the desktop's settings."));
    EXPECT_FALSE(button()->isVisible());

    const ScopedEnvironment x11("XDG_SESSION_TYPE", "x11");
    const LoadedPane plain;
    EXPECT_EQ(plain.outlet<QLabel>("_hotKeyRouteLabel"), nullptr);
    EXPECT_EQ(plain.outlet<QLabel>("_hotCornersRouteLabel"), nullptr);
}
