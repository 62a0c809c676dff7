#pragma once

#include <QFile>
#include <QString>
#include <QStringList>

/// The reference service's journal: one line for each message it receives and for
/// each value it takes up, so that tests and people can see what arrived. A line
/// is "<local time>\t<pid>\t<kind>\t<field>..." with tabs, newlines and backslashes
/// in fields written as \t, \n and \\. Each line reaches the file before the
/// call returns.
class ServiceJournal
{
public:
    /// Appends to the file at `path`, creating it and its folder.
    explicit ServiceJournal(const QString &path);

    /// $XDG_STATE_HOME/Corvane/journal.log (~/.local/state/Corvane/journal.log).
    static QString defaultPath();

    const QString &path() const { return m_path; }

    void write(const QString &kind, const QStringList &fields = {});

private:
    QString m_path;
    QFile m_file;
};
