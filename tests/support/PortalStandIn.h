#pragma once

// The stand-in portal (tests/platform/desktop/PortalStandIn.cpp) as a child
// process on the test's private bus, for as long as this object lives.

#include <QProcess>
#include <QString>

#include <csignal>
#include <sys/types.h>

namespace corvane::test {

class PortalStandIn
{
public:
    /// Starts the stand-in at `program` offering global shortcuts of `version`
    /// (none for 0) and waits until it owns the portal's name.
    PortalStandIn(const QString &program, uint version)
    {
        m_process.start(program, {QString::number(version)});
        m_ready = m_process.waitForStarted() && m_process.waitForReadyRead(20000)
                  && m_process.readLine().trimmed() == "ready";
    }
    ~PortalStandIn()
    {
        ::kill(pid_t(m_process.processId()), SIGCONT);
        m_process.kill();
        m_process.waitForFinished();
    }
    bool ready() const { return m_ready; }
    /// Stops it (SIGSTOP): it keeps its name and answers nothing.
    void stop() { ::kill(pid_t(m_process.processId()), SIGSTOP); }

private:
    QProcess m_process;
    bool m_ready = false;
};

} // namespace corvane::test
