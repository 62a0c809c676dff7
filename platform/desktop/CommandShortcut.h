#pragma once

#include <QKeyCombination>
#include <QString>
#include <QStringList>

/// A desktop shortcut that runs a command: what the desktops' own "custom
/// shortcut" settings hold, and what the desktop is asked to add.
namespace platform {

struct CommandShortcut
{
    /// Its key in the desktop's settings and its file name: ASCII letters,
    /// digits, '.', '-' and '_' only, starting with a letter or digit.
    QString id;
    /// What the desktop's shortcut settings call it.
    QString name;
    /// The program and its arguments, unquoted.
    QStringList command;
    QKeyCombination keys;

    bool isValid() const;
};

} // namespace platform
