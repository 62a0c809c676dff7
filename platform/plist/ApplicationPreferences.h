#pragma once

#include <QString>
#include <QVariant>

#include <memory>

namespace platform {

/// Single values of any application's preferences domain, addressed by the application's
/// identifier: the counterpart of the original platform's application-preferences functions
/// (copy, set and synchronize an application value). The domain of an identifier is the
/// user-defaults domain of that name (UserDefaults::pathForDomain), so both see the same file.
///
/// Values set are kept here until appSynchronize() writes them; reads see them at once. A
/// domain is read once and kept until appSynchronize(), which re-reads the file, so that
/// values other processes wrote meanwhile are seen then and never written over.
/// Safe to call from any thread.
class ApplicationPreferences
{
public:
    /// The process's instance, over $XDG_CONFIG_HOME.
    static ApplicationPreferences &shared();

    /// Preferences over the domain files in `directory` ($XDG_CONFIG_HOME when empty).
    explicit ApplicationPreferences(QString directory = {});
    ~ApplicationPreferences();
    ApplicationPreferences(const ApplicationPreferences &) = delete;
    ApplicationPreferences &operator=(const ApplicationPreferences &) = delete;

    /// The value under `key` for `applicationID`: one set and not yet written, else the
    /// domain's. An invalid QVariant when there is none, or the identifier is no valid domain
    /// name (UserDefaults::isValidDomainName).
    QVariant copyAppValue(const QString &key, const QString &applicationID) const;

    /// Sets `value` under `key` for `applicationID`, to be written by the next
    /// appSynchronize(); an invalid QVariant removes the key there. Any value is taken: one
    /// that a property list cannot hold makes that appSynchronize() fail.
    void setAppValue(const QString &key, const QVariant &value, const QString &applicationID);

    /// Writes the values set for `applicationID` into its domain, as read from the file now,
    /// and forgets the copy read before. True when there was nothing to write or it was
    /// written. False when the domain cannot be written (a value a property list cannot
    /// hold, an identifier that is no domain name, a file that cannot be replaced): the file
    /// then stays as it was and the values set stay pending, still seen by copyAppValue().
    bool appSynchronize(const QString &applicationID);

private:
    struct Private;
    std::unique_ptr<Private> const d;
};

} // namespace platform
