#include "TestPane.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>

TestPane::~TestPane()
{
    if (destroyed)
        *destroyed = true;
}

void TestPane::checkboxChanged(QObject *sender)
{
    calls << QStringLiteral("checkboxChanged");
    senders << sender;
}

void TestPane::pickerChanged(QObject *sender)
{
    calls << QStringLiteral("pickerChanged");
    senders << sender;
}

QWidget *TestPane::createCustomWidget(const QString &className, QWidget *parent, const QString &name)
{
    if (className != QLatin1String("TestSwitch"))
        return nullptr;
    auto *button = new QPushButton(QStringLiteral("custom"), parent);
    button->setObjectName(name);
    button->setProperty("madeByPane", true);
    return button;
}

void TestPane::connectOutlets(QWidget *mainView)
{
    calls << QStringLiteral("connectOutlets");
    checkbox = mainView->findChild<QCheckBox *>(QStringLiteral("_checkbox"));
    picker = mainView->findChild<QComboBox *>(QStringLiteral("_picker"));
    customSwitch = mainView->findChild<QPushButton *>(QStringLiteral("_switch"));
}
