#include "platform/ui/PreferencePane.h"
#include "platform/ui/PreferencePanePlugin.h"

#include "platform/archive/ArchiveClassRegistry.h"
#include "platform/core/Log.h"
#include "platform/core/NotificationCenter.h"
#include "platform/plist/UserDefaults.h"
#include "platform/ui/AnimationClock.h"
#include "TestPane.h"
#include "TestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace platform;

namespace {

class PreferencePaneTest : public ::testing::Test
{
protected:
    // A bundle "Test.prefPane" whose Info.plist holds `entries` and whose Resources
    // holds the test interface file.
    Bundle makeBundle(const QList<std::pair<QString, QString>> &entries)
    {
        const QString root = dir.path() + QStringLiteral("/Test.prefPane");
        QDir().mkpath(root + QStringLiteral("/Resources"));
        QFile::remove(root + QStringLiteral("/Resources/TestPane.ui"));
        EXPECT_TRUE(QFile::copy(QStringLiteral(CORVANE_TEST_PANE_UI), root + QStringLiteral("/Resources/TestPane.ui")));
        QByteArray plist = "<plist version=\"1.0\"><dict>";
        for (const auto &[key, value] : entries)
            plist += "<key>" + key.toUtf8() + "</key><string>" + value.toUtf8() + "</string>";
        corvane::test::writeFile(root + QStringLiteral("/Info.plist"), plist + "</dict></plist>");
        return *Bundle::bundleWithPath(root);
    }

    // The bundle with the test plugin as its executable, naming TestPane as its class.
    Bundle pluginBundle(QList<std::pair<QString, QString>> entries)
    {
        entries.append({QStringLiteral("CFBundleExecutable"), QStringLiteral("TestPane.so")});
        entries.append({QStringLiteral("NSPrincipalClass"), QStringLiteral("TestPane")});
        Bundle bundle = makeBundle(entries);
        EXPECT_TRUE(QFile::copy(QStringLiteral(CORVANE_TEST_PANE_PLUGIN), bundle.bundlePath() + QStringLiteral("/TestPane.so")));
        return bundle;
    }

    QStringList logLines;
    ScopedLogSink sink{[this](const LogRecord &record) { logLines << record.message; }};
    QTemporaryDir dir;
};

} // namespace

TEST_F(PreferencePaneTest, LoadsTheInterfaceTakesOutletsConnectsActionsThenCallsMainViewDidLoad)
{
    TestPane pane(makeBundle({{QStringLiteral("NSMainNibFile"), QStringLiteral("TestPane")}}));
    QWidget *view = pane.loadMainView();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(pane.mainView(), view);
    EXPECT_EQ(pane.calls, QStringList({QStringLiteral("connectOutlets"), QStringLiteral("mainViewDidLoad")}));
    ASSERT_TRUE(pane.checkbox && pane.picker && pane.customSwitch);
    EXPECT_TRUE(pane.customSwitch->property("madeByPane").toBool());

    // The connection with a signal the picker lacks is reported, the others work.
    EXPECT_EQ(logLines.size(), 1);
    EXPECT_TRUE(logLines.value(0).contains(QStringLiteral("noSuchSignal")));

    view->show();
    QTest::mouseClick(pane.checkbox, Qt::LeftButton);
    Q_EMIT pane.picker->activated(1);
    EXPECT_EQ(pane.calls.mid(2), QStringList({QStringLiteral("checkboxChanged"), QStringLiteral("pickerChanged")}));
    EXPECT_EQ(pane.senders, QList<QObject *>({pane.checkbox.data(), pane.picker.data()}));
    // A connection between two widgets of the form is Qt's own and still made.
    EXPECT_FALSE(pane.picker->isEnabled());

    EXPECT_EQ(pane.loadMainView(), view); // loaded once
    EXPECT_EQ(pane.calls.count(QStringLiteral("mainViewDidLoad")), 1);
}

TEST_F(PreferencePaneTest, PluginMakesThePrincipalClassNamedByTheBundleAndItsViewGoesWithIt)
{
    Bundle bundle = pluginBundle({{QStringLiteral("NSMainNibFile"), QStringLiteral("TestPane")}});

    bool destroyed = false;
    QPointer<QWidget> view;
    {
        std::unique_ptr<PreferencePane> pane = PreferencePanePlugin::instantiate(bundle);
        ASSERT_NE(pane, nullptr) << logLines.join(QLatin1Char('\n')).toStdString();
        EXPECT_STREQ(pane->metaObject()->className(), "TestPane");
        EXPECT_EQ(pane->bundle().bundlePath(), bundle.bundlePath());
        // The plugin's class is the same class as ours, so its fields can be read.
        static_cast<TestPane *>(pane.get())->destroyed = &destroyed;
        view = pane->loadMainView();
        ASSERT_NE(view, nullptr);
        EXPECT_TRUE(view->findChild<QPushButton *>(QStringLiteral("_switch"))->property("madeByPane").toBool());
    }
    EXPECT_TRUE(destroyed);
    EXPECT_TRUE(view.isNull()) << "the pane deletes its view";
}

// The host and the panes it loads share one copy of the layers: a pane's code finds
// the very objects the host's code finds, not copies of its own.
TEST_F(PreferencePaneTest, PluginSharesTheHostsProcessWideObjects)
{
    const Bundle bundle = pluginBundle({});
    ManualAnimationClock clock;
    ScopedAnimationClock installed(clock);

    std::unique_ptr<PreferencePane> pane = PreferencePanePlugin::instantiate(bundle);
    ASSERT_NE(pane, nullptr) << logLines.join(QLatin1Char('\n')).toStdString();
    const QVariantMap seen = pane->property("processWideObjects").toMap();
    const std::pair<const char *, const void *> hosts[] = {
        {"defaultCenter", &NotificationCenter::defaultCenter()},
        {"standardUserDefaults", &UserDefaults::standardUserDefaults()},
        {"archiveClassRegistry", &ArchiveClassRegistry::shared()},
        {"animationClock", &clock},
    };
    for (const auto &[name, object] : hosts) {
        ASSERT_TRUE(seen.contains(QLatin1String(name))) << name;
        EXPECT_EQ(seen.value(QLatin1String(name)).value<quintptr>(), quintptr(object)) << name;
    }
}
