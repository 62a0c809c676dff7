#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

namespace platform {

/// The "[Desktop Entry]" group of a desktop entry file (freedesktop.org Desktop
/// Entry Specification), as an ordered list of keys and their *unescaped* values.
/// Values are escaped when the entry is written and unescaped when it is read,
/// so any text, including newlines, backslashes and non-ASCII letters, round-trips.
class DesktopEntry
{
public:
    DesktopEntry() = default;

    /// Parses the text of a desktop entry file. None when it has no
    /// "[Desktop Entry]" group. Other groups, comments and malformed lines are skipped.
    static std::optional<DesktopEntry> parse(const QByteArray &text);

    /// Reads and parses the file at `path`; none when unreadable or not an entry.
    static std::optional<DesktopEntry> read(const QString &path);

    /// The value of `key` (exact, including any "[locale]" suffix); empty if absent.
    QString value(const QString &key) const;
    bool contains(const QString &key) const;
    /// True when the value of `key` is "true".
    bool boolean(const QString &key) const;

    /// The value of `key` for `locale` ("lang_COUNTRY.ENCODING@MODIFIER", parts
    /// optional) in the Desktop Entry Specification's order: `key[lang_COUNTRY@MODIFIER]`,
    /// `key[lang_COUNTRY]`, `key[lang@MODIFIER]`, `key[lang]`, then `key`.
    QString localizedValue(const QString &key, const QString &locale) const;
    /// The same for the locale of the environment's messages (LC_ALL, LC_MESSAGES, LANG).
    QString localizedValue(const QString &key) const;
    static QString messagesLocale();

    /// The value of `key` as a list: split at each ';' that is not escaped as
    /// "\;", the escape undone; an empty last item (a trailing ';') is dropped.
    QStringList stringList(const QString &key) const;

    /// Whether the entry is shown on a desktop named by any of `desktops`
    /// (XDG_CURRENT_DESKTOP's items): not when OnlyShowIn names none of them, nor
    /// when NotShowIn names one.
    bool isShownIn(const QStringList &desktops) const;

    /// Sets `key` to `value`, keeping the key's position when it exists.
    void setValue(const QString &key, const QString &value);
    void setBoolean(const QString &key, bool value);

    /// The file text: the group header and one "key=escaped value" line a key.
    QByteArray toByteArray() const;

    /// Writes the file atomically (temporary file, then rename). False on failure,
    /// in which case any earlier file at `path` is left as it was.
    bool write(const QString &path) const;

    /// The string escapes of the specification: `\s` (leading space), `\n`, `\t`, `\r`, `\\`.
    static QString escapeValue(const QString &value);
    static QString unescapeValue(const QString &value);

    /// One argument of an Exec value, before the value's own escaping: quoted in
    /// double quotes with ", `, $ and \ escaped, and % written as %%.
    static QString quoteExecArgument(const QString &argument);

    /// Splits an (unescaped) Exec value into its arguments, undoing the quoting and
    /// the %% escape; field codes such as %f are dropped (DesktopEntryExec expands
    /// them). None when a quote is not closed.
    static std::optional<QStringList> splitExec(const QString &exec);

private:
    QList<std::pair<QString, QString>> m_entries;
};

} // namespace platform
