#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

/// The commands of corvanectl: the settings the pane edits, changed by the
/// pane's own rules and written where the pane writes them (the service's
/// preferences domain), with the same message to a running service. Texts go
/// to `out`; refusals and errors to `err`, with exit status 1.
class CorvaneControl
{
public:
    CorvaneControl(QTextStream &out, QTextStream &err);

    /// Runs one command line (without the program's name); the exit status.
    int run(const QStringList &arguments);

    /// The usage text of --help.
    static QString usage();

private:
    int status();
    int enable();
    int disable();
    int hotKey(const QStringList &arguments);
    int showHotKey();
    int setHotKey(const QString &text);
    int clearHotKey();
    int fail(const QString &message);
    bool writePreference(const QString &key, const QVariant &value);

    QTextStream &m_out;
    QTextStream &m_err;
};
