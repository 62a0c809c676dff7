#pragma once

#include "platform/ui/PreferencePane.h"

#include <QWidget>

#include <memory>

/// The host's window for one preference pane. It owns the pane, shows the pane's
/// main view as its content and is titled with the bundle's name. The pane is
/// selected (willSelect) each time the window is shown and unselected
/// (willUnselect) each time it is hidden or closed; minimising does not count.
/// Destroying the window unselects a selected pane, then destroys the pane.
class PaneWindow : public QWidget
{
    Q_OBJECT
public:
    /// Takes `pane`, whose view must already be loaded (loadMainView()).
    explicit PaneWindow(std::unique_ptr<platform::PreferencePane> pane);
    ~PaneWindow() override;

    platform::PreferencePane &pane() const { return *m_pane; }
    bool isPaneSelected() const { return m_selected; }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void select();
    void unselect();

    std::unique_ptr<platform::PreferencePane> m_pane;
    bool m_selected = false;
};
