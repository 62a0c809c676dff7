#include "DemoSession.h"

#include "PaneWindow.h"

DemoSession::DemoSession(PaneWindow &window, QString folder)
    : m_window(window)
    , m_folder(std::move(folder))
{
}

bool DemoSession::run()
{
    return false;
}
