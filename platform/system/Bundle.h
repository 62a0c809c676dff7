#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <memory>
#include <optional>

namespace platform {

/// A bundle: a folder with an "Info.plist" (at its top, or in "Resources/" as in an
/// application folder), a "Resources/" folder and, in "Resources/translations/",
/// one Qt translation file a strings table ("<table>_<locale>.qm", whose context is
/// the table's name). The counterpart of the original platform's NSBundle.
///
/// A Bundle is a cheap, shared handle; copies see the same loaded translations.
/// The info dictionary is read once, when the bundle is opened. Main thread only.
class Bundle
{
public:
    /// The bundle at `path`, or none when `path` is not a folder. A folder without a
    /// readable Info.plist is still a bundle, with an empty info dictionary.
    static std::optional<Bundle> bundleWithPath(const QString &path);

    /// The bundle folder's absolute path.
    QString bundlePath() const;

    /// The bundle's "Resources" folder (whether or not it exists).
    QString resourcePath() const;

    /// The Info.plist's top-level dictionary; empty when absent or unreadable.
    QVariantMap infoDictionary() const;

    /// One entry of the info dictionary; a null QVariant when absent.
    QVariant objectForInfoDictionaryKey(const QString &key) const;

    /// "CFBundleIdentifier"; empty when absent.
    QString bundleIdentifier() const;

    /// "CFBundleName", else the folder's name without its extension.
    QString name() const;

    /// The path of "CFBundleExecutable" inside the bundle folder; none when the key is
    /// absent or names something that is not a file.
    std::optional<QString> executablePath() const;

    /// The path of "Resources/<name>.<type>" (just "<name>" when `type` is empty), or
    /// none when no such file or folder exists. Names with a path separator or "..",
    /// which would leave the Resources folder, give none.
    std::optional<QString> pathForResource(const QString &name, const QString &type) const;

    /// The translation of `key` in strings table `table` for the current locale
    /// (QLocale()); without one, `value` when it is not empty, else `key` itself.
    QString localizedString(const QString &key, const QString &value, const QString &table) const;

private:
    struct Private;
    explicit Bundle(std::shared_ptr<Private> d);
    std::shared_ptr<Private> d;
};

} // namespace platform
