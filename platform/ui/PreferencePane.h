#pragma once

#include "platform/system/Bundle.h"

#include <QObject>
#include <QString>

#include <memory>

class QWidget;

namespace platform {

/// The base class of a preference pane, the counterpart of NSPreferencePane. A host
/// creates the pane's principal class (see PreferencePanePlugin), calls
/// loadMainView() once, then willSelect() each time it shows the view and
/// willUnselect() each time it stops showing it, and finally destroys the pane.
/// Main thread only.
///
/// The interface file is the Qt Designer file "Resources/<NSMainNibFile>.ui" of the
/// pane's bundle. Its widgets are the pane's outlets (a subclass picks them up by
/// object name in connectOutlets()); its connections whose receiver is named "pane"
/// are the pane's actions: the sender's signal sends the action named by the slot
/// (anything from "(" on is ignored) to the pane, with the sender as argument.
/// Pictures the file names by a relative path are looked up in Resources.
class PreferencePane : public QObject
{
    Q_OBJECT
public:
    explicit PreferencePane(Bundle bundle, QObject *parent = nullptr);
    /// Deletes the main view if it still exists.
    ~PreferencePane() override;

    /// The pane's own bundle.
    const Bundle &bundle() const;

    /// The view loaded by loadMainView(); null before, or when loading failed.
    QWidget *mainView() const;

    /// Loads the interface file, lets the subclass take its outlets, connects the
    /// actions, then calls mainViewDidLoad(). A second call returns the same view
    /// without loading again. Returns null, with a line in the log, when the bundle
    /// names no interface file or the file cannot be loaded.
    QWidget *loadMainView();

    /// Called once, after the view is loaded and connected. Does nothing here.
    virtual void mainViewDidLoad();
    /// Called each time the view is about to be shown. Does nothing here.
    virtual void willSelect();
    /// Called each time the view is about to stop being shown. Does nothing here.
    virtual void willUnselect();

protected:
    /// Creates a widget of a class the interface file names that is not one of Qt's
    /// (the pane's own controls); null leaves it to Qt. Returns null here.
    virtual QWidget *createCustomWidget(const QString &className, QWidget *parent, const QString &name);
    /// Takes the outlets from the freshly loaded view. Does nothing here.
    virtual void connectOutlets(QWidget *mainView);

private:
    struct Private;
    std::unique_ptr<Private> const d;
};

} // namespace platform
