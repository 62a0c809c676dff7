#pragma once

#include <QString>
#include <QVariantMap>

#include <functional>
#include <optional>

/// Where key combinations find the texts they show. By default both come from
/// the bundle that holds the KeyCombo class (the pane's bundle); tests and other
/// hosts install their own with KeyCombo::setResources().
struct KeyComboResources
{
    /// Reads the key-name table (the "KeyCodes" resource: decimal key code ->
    /// display name). None when the resource is missing or is not a dictionary;
    /// the caller then tries again on its next use. Empty: no table at all.
    std::function<std::optional<QVariantMap>()> loadKeyCodes;

    /// The localized text for `key` in the "HotKeysLib" strings table, `key`
    /// itself when there is no translation. Empty: `key` itself.
    std::function<QString(const QString &key)> localizedString;

    /// The resources of the pane's bundle.
    static KeyComboResources bundleResources();

    /// Reads a key-name table file: a property list whose root is a dictionary
    /// from decimal key codes to names. None when the file cannot be read or is
    /// not such a dictionary; entries whose value is not a string are dropped.
    static std::optional<QVariantMap> readKeyCodes(const QString &path);
};
