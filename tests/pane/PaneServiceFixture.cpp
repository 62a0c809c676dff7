#include "PaneServiceFixture.h"

#include "SearchPaths.h"

#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QTest>

using namespace corvane::test;

void PaneServiceTest::SetUp()
{
    QString foreign;
    ASSERT_TRUE(ServiceGuard::waitForNoForeignService(&foreign)) << qPrintable(foreign);
    pane = std::make_unique<CorvanePrefPane>(*platform::Bundle::bundleWithPath(QStringLiteral(CORVANE_PANE_BUNDLE)));
    QWidget *view = pane->loadMainView();
    ASSERT_NE(view, nullptr);
    toggle = view->findChild<VLOnOffButton *>(QStringLiteral("_enableCheckbox"));
    ASSERT_NE(toggle, nullptr);
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view));
}

void PaneServiceTest::TearDown()
{
    pane.reset();
    ServiceGuard::endAll();
    QDir(servicesFolder()).removeRecursively();
}

QString PaneServiceTest::servicesFolder()
{
    return platform::searchPathForDirectoriesInDomains(platform::SearchPathDirectory::Library,
                                                       platform::SearchPathDomain::User, true)
               .value(0)
           + QStringLiteral("/Services");
}

namespace {

void click(QWidget *widget, QPointF at)
{
    QMouseEvent press(QEvent::MouseButtonPress, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

} // namespace

void PaneServiceTest::clickOnSide()
{
    click(toggle, QPointF(toggle->width() - 3, toggle->height() / 2.0));
}

void PaneServiceTest::clickOffSide()
{
    click(toggle, QPointF(3, toggle->height() / 2.0));
}

void PaneServiceTest::clickHandle()
{
    const QRectF handle = toggle->frameForSlider(); // y grows upward there
    click(toggle, QPointF(handle.center().x(), toggle->height() - handle.center().y()));
}

QMessageBox *PaneServiceTest::sheet() const
{
    const auto sheets = pane->mainView()->window()->findChildren<QMessageBox *>();
    return sheets.size() == 1 ? sheets.front() : nullptr;
}

bool PaneServiceTest::waitForSwitch(int state, int timeoutMs) const
{
    return QTest::qWaitFor([&] { return toggle->state() == state; }, timeoutMs);
}
