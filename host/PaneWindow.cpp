#include "PaneWindow.h"

#include <QShowEvent>
#include <QVBoxLayout>

PaneWindow::PaneWindow(std::unique_ptr<platform::PreferencePane> pane)
    : m_pane(std::move(pane))
{
    setWindowTitle(m_pane->bundle().name());
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    if (QWidget *view = m_pane->mainView())
        layout->addWidget(view);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

PaneWindow::~PaneWindow()
{
    unselect();
    m_pane.reset(); // takes its view out of this window
}

void PaneWindow::showEvent(QShowEvent *event)
{
    if (!event->spontaneous())
        select();
    QWidget::showEvent(event);
}

void PaneWindow::hideEvent(QHideEvent *event)
{
    if (!event->spontaneous())
        unselect();
    QWidget::hideEvent(event);
}

void PaneWindow::select()
{
    if (m_selected)
        return;
    m_selected = true;
    m_pane->willSelect();
}

void PaneWindow::unselect()
{
    if (!m_selected)
        return;
    m_selected = false;
    m_pane->willUnselect();
}
