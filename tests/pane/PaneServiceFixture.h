#pragma once

#include "CorvanePrefPane.h"
#include "PaneTestSupport.h"

#include "platform/ui/AnimationClock.h"
#include "platform/system/SearchPaths.h"
#include "ServiceTestSupport.h"
#include "VLOnOffButton.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

/// The built Corvane pane, shown as the host shows it, with the reference service
/// as a real process: every service a test starts is ended afterwards. The switch's
/// animations run at once (the durations stay, the clock does not sleep).
class PaneServiceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QString foreign;
        ASSERT_TRUE(corvane::test::ServiceGuard::waitForNoForeignService(&foreign)) << qPrintable(foreign);
        ASSERT_TRUE(QDir().mkpath(corvane::test::storeFolder()));
        pane = std::make_unique<CorvanePrefPane>(*platform::Bundle::bundleWithPath(QStringLiteral(CORVANE_PANE_BUNDLE)));
        QWidget *view = pane->loadMainView();
        ASSERT_NE(view, nullptr);
        toggle = view->findChild<VLOnOffButton *>(QStringLiteral("_enableCheckbox"));
        ASSERT_NE(toggle, nullptr);
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view));
    }
    void TearDown() override
    {
        pane.reset();
        corvane::test::ServiceGuard::endAll();
        QDir(servicesFolder()).removeRecursively();
    }

    /// The user's Services folder, where the pane looks for Corvane.app first and
    /// where the running service puts its Services bundle.
    static QString servicesFolder()
    {
        return platform::searchPathForDirectoriesInDomains(platform::SearchPathDirectory::Library,
                                                           platform::SearchPathDomain::User, true)
                   .value(0)
               + QStringLiteral("/Services");
    }
    static QString servicesBundle() { return servicesFolder() + QStringLiteral("/Corvane.bundle"); }

    /// A click at the far end of the track on the on side, or the off side: never on
    /// the handle of a switch in the opposite state, so it slides over and sends
    /// toggleEnable on release. Returns when the action has returned.
    void clickOnSide() { click(QPointF(toggle->width() - 3, toggle->height() / 2.0)); }
    void clickOffSide() { click(QPointF(3, toggle->height() / 2.0)); }

    /// The alert sheet open on the pane's window, or null.
    QMessageBox *sheet() const
    {
        const auto sheets = corvane::test::openSheets(pane->mainView());
        return sheets.size() == 1 ? sheets.front() : nullptr;
    }

    /// Spins the event loop until the switch is in `state`; false after `timeoutMs`.
    bool waitForSwitch(int state, int timeoutMs = 20000) const
    {
        return QTest::qWaitFor([&] { return toggle->state() == state; }, timeoutMs);
    }

    corvane::test::ServiceGuard guard;
    platform::ManualAnimationClock clock;
    platform::ScopedAnimationClock clockScope{clock};
    std::unique_ptr<CorvanePrefPane> pane;
    VLOnOffButton *toggle = nullptr;

private:
    void click(QPointF at) const
    {
        for (const auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent event(type, at, toggle->mapToGlobal(at), Qt::LeftButton,
                              type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(toggle, &event);
        }
    }
};
