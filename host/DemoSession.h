#pragma once

#include <QString>
#include <QStringList>

class PaneWindow;

/// The scripted session of `make demo` where there is no display: it shows the
/// Corvane pane (offscreen), turns the switch on, waits for the service to run,
/// ticks "Start at login", excludes the first application of the user's
/// applications folder through the add button and the open panel, turns the
/// switch off, waits for the service to quit, and writes a screenshot after each
/// step and a transcript ("transcript.txt") into a folder. The transcript names
/// the pane bundle, the service's executable and the login item's command.
class DemoSession
{
public:
    DemoSession(PaneWindow &window, QString folder);

    /// Runs the session; true when every step went as expected.
    bool run();

private:
    bool script();
    bool startAtLogin();
    bool excludeAnApplication();
    void note(const QString &line);
    bool snapshot(const QString &name);

    PaneWindow &m_window;
    QString m_folder;
    QStringList m_transcript;
};
