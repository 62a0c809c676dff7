#pragma once

#include <QByteArray>
#include <QProcess>

namespace corvane::test {

/// A virtual X server of the test's own (no window manager), ended with the
/// object. It does not reset when its first client (the readiness check) leaves.
class Xvfb
{
public:
    /// Starts Xvfb on a display number of this process's own with one screen of
    /// `geometry` ("WIDTHxHEIGHTxDEPTH") and waits until it accepts clients.
    explicit Xvfb(const QString &geometry = QStringLiteral("640x480x24"));
    ~Xvfb();
    Xvfb(const Xvfb &) = delete;
    Xvfb &operator=(const Xvfb &) = delete;

    bool started() const { return m_started; }
    /// ":<number>", for DISPLAY.
    const QByteArray &display() const { return m_display; }
    /// This environment with DISPLAY set to the server and Qt's platform left to choose.
    QProcessEnvironment environment() const;
    /// Runs xdotool with `arguments` on this display; false when it fails.
    bool xdotool(const QStringList &arguments) const;

private:
    bool accepts() const;

    QByteArray m_display;
    QProcess m_process;
    bool m_started = false;
};

} // namespace corvane::test
