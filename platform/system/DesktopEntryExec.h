#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

namespace platform {

/// The Exec value of a desktop entry, parsed once and expanded into command
/// lines for the files or URLs an application is opened with.
///
/// Arguments are separated by spaces or tabs; an argument may be quoted in whole or
/// in part with double quotes, inside which a backslash escapes the next character;
/// "%%" is a percent sign anywhere. Outside quotes, "%" and a letter is a field
/// code, expanded exactly once (never into more arguments than the codes %F, %U and
/// %i stand for, and never re-read as field codes or quoting):
///   %f  one local file      %F  the local files, one argument each
///   %u  one URL             %U  the URLs, one argument each
///   %i  "--icon" and the Icon value, or nothing when there is none
///   %c  the translated Name %k  the desktop entry's own location
/// The deprecated codes (%d %D %n %N %v %m) and unknown ones expand to nothing. A
/// code that is a whole argument and expands to nothing drops the argument.
class DesktopEntryExec
{
public:
    /// What the field codes expand to, besides the files.
    struct Context
    {
        QString icon;
        QString name;
        QString location;
    };

    /// None when a quote is not closed, or the program (the first argument)
    /// would come from a field code, which would run whatever file was passed.
    static std::optional<DesktopEntryExec> parse(const QString &exec);

    /// The program as written (a name looked up in PATH, or a path); empty for an
    /// empty Exec value.
    QString program() const;

    /// The command lines (program first) that open `urls`: one, unless the entry
    /// takes a single file or URL (%f, %u) and is given several, which gives one a
    /// URL. %f and %F take local files only; other URLs are left out of them.
    QList<QStringList> commandLines(const QList<QUrl> &urls, const Context &context) const;

private:
    /// One piece of an argument: literal text, or a field code's letter.
    struct Piece
    {
        QString text;
        QChar code;
    };
    using Argument = QList<Piece>;

    QStringList expand(const QList<QUrl> &urls, const Context &context) const;
    static QString joined(const Argument &argument, const QList<QUrl> &urls, const Context &context);

    QList<Argument> m_arguments;
    bool m_singleUrl = false;
};

} // namespace platform
