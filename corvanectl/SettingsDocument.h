#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <variant>

/// The document of `corvanectl export` and `import`: every setting of the pane
/// and the excluded applications, as JSON with a version. Reading checks the
/// whole document (its syntax, the version, every key and every value's type and
/// range) and gives either a document or the first fault; a key left out means
/// "leave this setting alone". The names are the command line's own
/// (sortOrderNames(), cornerNames()), so a document reads like the commands.
struct SettingsDocument
{
    static constexpr int Version = 1;
    /// Larger files are refused unread: a settings document is a few hundred bytes.
    static constexpr qint64 MaximumSize = 1 << 20;

    /// A combination given by its key code and modifier mask, for keys that have
    /// no name.
    struct KeyCodes
    {
        int keyCode = 0;
        qint64 modifiers = 0;
        friend bool operator==(const KeyCodes &, const KeyCodes &) = default;
    };
    /// No hot key (null), a combination's text, or its codes.
    using HotKey = std::variant<std::monostate, QString, KeyCodes>;

    /// "name", "recent", "frequent": the stored indexes 0, 1, 2.
    static const QStringList &sortOrderNames();
    /// "top-left", "top-right", "bottom-left", "bottom-right".
    static const QStringList &cornerNames();

    std::optional<int> sortOrder;
    std::optional<bool> limitSearch;
    std::optional<HotKey> hotKey;
    std::array<std::optional<bool>, 4> corners;
    std::optional<bool> startAtLogin;
    /// Absolute paths of the applications that are excluded; every other one is not.
    std::optional<QStringList> excluded;

    /// The document in `json`, or none with `error` saying what is wrong first.
    static std::optional<SettingsDocument> fromJson(const QByteArray &json, QString *error);
    /// Indented JSON, keys in a fixed order; fromJson() reads it back equal.
    QByteArray toJson() const;

    friend bool operator==(const SettingsDocument &, const SettingsDocument &) = default;
};
