#pragma once

#include <QString>

#include <optional>

/// The service application as the user's login item, under the name of its app
/// folder ("…/Corvane.app" → "Corvane"). The pane's start-at-login checkbox and
/// corvanectl's login-item command both change it here.
class ServiceLoginItem
{
public:
    ServiceLoginItem() = delete;

    enum class Change {
        Done,      ///< the item is as asked (also when it already was)
        NoService, ///< no service application was found: nothing changed
        Failed,    ///< the autostart entry could not be written or removed
    };

    /// True when a login item in effect bears the service application's name.
    static bool isEnabled();
    /// Adds the service application as a login item (`on`) when it is not one,
    /// or removes it when it is one.
    static Change setEnabled(bool on);

    /// The login item's name for the application at `applicationPath`.
    static QString nameForApplication(const QString &applicationPath);
};
