#pragma once

#include "platform/ui/PreferencePane.h"

#include <QPointer>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QPushButton;

/// A small pane for the pane-base and plugin tests: it records its lifecycle calls
/// and the actions it receives.
class TestPane : public platform::PreferencePane
{
    Q_OBJECT
public:
    using PreferencePane::PreferencePane;
    ~TestPane() override;

    void mainViewDidLoad() override { calls << QStringLiteral("mainViewDidLoad"); }
    void willSelect() override { calls << QStringLiteral("willSelect"); }
    void willUnselect() override { calls << QStringLiteral("willUnselect"); }

    Q_INVOKABLE void checkboxChanged(QObject *sender);
    Q_INVOKABLE void pickerChanged(QObject *sender);

    QStringList calls;
    QList<QObject *> senders;
    QPointer<QCheckBox> checkbox;
    QPointer<QComboBox> picker;
    QPointer<QPushButton> customSwitch;
    /// Set by the destructor, when given, so that a test sees the pane go.
    bool *destroyed = nullptr;

protected:
    QWidget *createCustomWidget(const QString &className, QWidget *parent, const QString &name) override;
    void connectOutlets(QWidget *mainView) override;
};
