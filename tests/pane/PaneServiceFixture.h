#pragma once

#include "CorvanePrefPane.h"

#include "AnimationClock.h"
#include "ServiceTestSupport.h"
#include "VLOnOffButton.h"

#include <QMessageBox>
#include <QString>

#include <gtest/gtest.h>

#include <memory>

/// The built Corvane pane, shown as the host shows it, with the reference service
/// as a real process: every service a test starts is ended afterwards. The switch's
/// animations run at once (the durations stay, the clock does not sleep).
class PaneServiceTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    /// The user's Services folder, where the pane looks for Corvane.app first and
    /// where the running service puts its Services bundle.
    static QString servicesFolder();
    static QString servicesBundle() { return servicesFolder() + QStringLiteral("/Corvane.bundle"); }

    /// A click at the far end of the track on the on side, or the off side: never on
    /// the handle of a switch in the opposite state, so it slides over and sends
    /// toggleEnable on release. Returns when the action has returned.
    void clickOnSide();
    void clickOffSide();
    /// A click on the handle, wherever it is: the state stays, the action is sent.
    void clickHandle();

    /// The alert sheet on the pane's window, or null.
    QMessageBox *sheet() const;

    /// Spins the event loop until the switch is in `state`; false after `timeoutMs`.
    bool waitForSwitch(int state, int timeoutMs = 20000) const;

    corvane::test::ServiceGuard guard;
    platform::ManualAnimationClock clock;
    platform::ScopedAnimationClock clockScope{clock};
    std::unique_ptr<CorvanePrefPane> pane;
    VLOnOffButton *toggle = nullptr;
};
