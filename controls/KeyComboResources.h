#pragma once

#include "platform/system/Bundle.h"

#include <QString>
#include <QVariantMap>

#include <functional>
#include <optional>

/// Where key combinations find the texts they show: the bundle that holds the
/// KeyCombo class, which is the pane's bundle. The pane installs its bundle's
/// resources with KeyCombo::setResources(KeyComboResources::fromBundle(...))
/// when it is created; until then there is no key-name table and "(None)" shows
/// untranslated. Tests install their own.
struct KeyComboResources
{
    /// Reads the key-name table (the "KeyCodes" resource: decimal key code ->
    /// display name). None when the resource is missing or is not a dictionary;
    /// the caller then tries again on its next use. Empty: no table at all.
    std::function<std::optional<QVariantMap>()> loadKeyCodes;

    /// The localized text for `key` in the "HotKeysLib" strings table, `key`
    /// itself when there is no translation. Empty: `key` itself.
    std::function<QString(const QString &key)> localizedString;

    /// No table, no translations: what combinations use before a bundle is set.
    static KeyComboResources bundleResources();

    /// The resource "KeyCodes" of type "plist" and the strings table
    /// "HotKeysLib" of `bundle`.
    static KeyComboResources fromBundle(platform::Bundle bundle);

    /// Reads a key-name table file: a property list whose root is a dictionary
    /// from decimal key codes to names. None when the file cannot be read or is
    /// not such a dictionary; entries whose value is not a string are dropped.
    static std::optional<QVariantMap> readKeyCodes(const QString &path);
};
