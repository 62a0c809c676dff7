#include "PaneWindow.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// A pane that records its lifecycle calls in a list that outlives it.
class RecordingPane : public platform::PreferencePane
{
public:
    RecordingPane(platform::Bundle bundle, QStringList &calls)
        : PreferencePane(std::move(bundle))
        , m_calls(calls)
    {
    }
    ~RecordingPane() override { m_calls << QStringLiteral("destroyed"); }
    void willSelect() override { m_calls << QStringLiteral("willSelect"); }
    void willUnselect() override { m_calls << QStringLiteral("willUnselect"); }

private:
    QStringList &m_calls;
};

void write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

TEST(PaneWindow, ShowsThePanesViewSelectsWhenShownUnselectsWhenHiddenAndDestroysThePaneLast)
{
    QTemporaryDir dir;
    const QString root = dir.path() + QStringLiteral("/Sample.prefPane");
    QDir().mkpath(root + QStringLiteral("/Resources"));
    write(root + QStringLiteral("/Info.plist"),
          "<plist version=\"1.0\"><dict><key>NSMainNibFile</key><string>View</string>"
          "<key>CFBundleName</key><string>Sample Pane</string></dict></plist>");
    write(root + QStringLiteral("/Resources/View.ui"),
          "<ui version=\"4.0\"><widget class=\"QLabel\" name=\"view\">"
          "<property name=\"text\"><string>Hello</string></property></widget></ui>");
    QStringList calls;
    auto pane = std::make_unique<RecordingPane>(*platform::Bundle::bundleWithPath(root), calls);
    QPointer<QWidget> view = pane->loadMainView();
    ASSERT_TRUE(view);
    auto window = std::make_unique<PaneWindow>(std::move(pane));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Sample Pane"));
    EXPECT_EQ(view->window(), window.get());
    EXPECT_TRUE(calls.isEmpty());

    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    EXPECT_TRUE(view->isVisible());
    window->show(); // already shown: no second select
    EXPECT_EQ(calls, QStringList{QStringLiteral("willSelect")});
    window->hide();
    window->show();
    window->close();
    EXPECT_EQ(calls, QStringList({QStringLiteral("willSelect"), QStringLiteral("willUnselect"),
                                  QStringLiteral("willSelect"), QStringLiteral("willUnselect")}));
    EXPECT_FALSE(window->isPaneSelected());

    calls.clear();
    window->show();
    window.reset(); // quitting with the window open
    EXPECT_EQ(calls, QStringList({QStringLiteral("willSelect"), QStringLiteral("willUnselect"),
                                  QStringLiteral("destroyed")}));
    EXPECT_TRUE(view.isNull());
}
