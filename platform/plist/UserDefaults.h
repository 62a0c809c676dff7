#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <memory>
#include <optional>

namespace platform {

/// Preferences kept as persistent domains: each domain is one property-list dictionary in
/// its own file, `<directory>/<domain>.plist`, the directory being $XDG_CONFIG_HOME
/// (QStandardPaths::GenericConfigLocation) unless given. Domains are shared with other
/// processes (the service writes its own domain too), so a domain is always read and
/// written whole.
///
/// When writes reach the disk: every call that changes a domain writes its file before it
/// returns; nothing waits for synchronize(). Reads come from a copy made when a domain is
/// first read; synchronize() drops those copies so that the next read sees what other
/// processes wrote. Keyed writes (setObject() and friends) re-read the file first, so they
/// never put back a stale copy over another process's keys.
///
/// What survives a crash: a domain file is replaced atomically (QSaveFile: a temporary file
/// in the same folder, flushed to disk, then renamed over the old one), so after a crash or
/// a kill at any moment the file holds either the old domain or the new one, whole. A
/// temporary `<domain>.plist.XXXXXX` may be left beside it; it is never read.
///
/// A domain file that exists but does not parse (or whose root is not a dictionary) reads as
/// no domain. It is never overwritten unseen: the next write or removal first copies it to
/// `<domain>.plist.unreadable-<UTC yyyyMMddTHHmmss>[-n]` beside it and logs that it did; if
/// the copy cannot be made, the write fails and the file stays as it was.
///
/// Files are written as XML property lists; binary ones are read too.
/// All members are safe to call from any thread.
class UserDefaults
{
public:
    /// The process's instance, whose application domain is defaultApplicationDomain().
    static UserDefaults &standardUserDefaults();

    /// QCoreApplication's organization domain reversed, a full stop, then its application
    /// name ("velora.com" and "Corvane" give "com.velora.Corvane"); the application name
    /// alone when there is no organization domain.
    static QString defaultApplicationDomain();

    /// Defaults whose own domain is `applicationDomain`, with domain files in `directory`
    /// ($XDG_CONFIG_HOME when empty; created on the first write).
    explicit UserDefaults(QString applicationDomain, QString directory = {});
    ~UserDefaults();
    UserDefaults(const UserDefaults &) = delete;
    UserDefaults &operator=(const UserDefaults &) = delete;

    /// The domain that the keyed reads and writes below address.
    QString applicationDomain() const;
    void setApplicationDomain(const QString &name);

    /// The file that holds domain `name`. A name is valid when it is not empty, not "." or
    /// "..", and has no "/" or U+0000 (a leading full stop, as in ".GlobalPreferences", is fine).
    QString pathForDomain(const QString &name) const;
    static bool isValidDomainName(const QString &name);

    /// The domain `name`; none when its file is absent, does not parse, or the name is invalid.
    std::optional<QVariantMap> persistentDomainForName(const QString &name) const;

    /// Replaces domain `name` by `domain` on disk, whole. False (and logged) when the name is
    /// invalid, a value cannot be stored in a property list, or the file cannot be written;
    /// the file is then unchanged.
    bool setPersistentDomain(const QVariantMap &domain, const QString &name);
    /// Why the last write or removal that failed did (the system's words, such as
    /// "Permission denied"), for telling the user; empty once one has succeeded since.
    QString lastWriteError() const;

    /// Removes domain `name` and its file. True when the domain is gone afterwards.
    bool removePersistentDomainForName(const QString &name);

    /// Forgets every domain read so far, so that the next read sees the files as other
    /// processes left them. True when every write since the previous synchronize() reached
    /// the disk.
    bool synchronize();

    /// The value stored under `key` in the application domain; an invalid QVariant when none.
    QVariant objectForKey(const QString &key) const;
    /// The string under `key`, or a number's decimal text; a null QString otherwise.
    QString stringForKey(const QString &key) const;
    /// A boolean or number (non-zero is true), or a string "YES"/"true" (any case) or one
    /// holding a non-zero integer; false otherwise.
    bool boolForKey(const QString &key) const;
    /// A number (a real truncated toward zero), a boolean as 0 or 1, or a string holding
    /// an integer; 0 otherwise.
    qint64 integerForKey(const QString &key) const;
    /// A number, a boolean as 0 or 1, or a string holding a number; 0.0 otherwise.
    double doubleForKey(const QString &key) const;
    /// The data under `key`; a null QByteArray when there is none or it is not data.
    QByteArray dataForKey(const QString &key) const;
    /// The array under `key`; none when absent or of another type.
    std::optional<QVariantList> arrayForKey(const QString &key) const;
    /// The dictionary under `key`; none when absent or of another type.
    std::optional<QVariantMap> dictionaryForKey(const QString &key) const;

    /// Stores `value` under `key` in the application domain and writes the domain; an
    /// invalid QVariant removes the key. False (and logged) when the value cannot be stored
    /// in a property list or the file cannot be written; nothing changes then.
    bool setObject(const QVariant &value, const QString &key);
    bool setBool(bool value, const QString &key);
    bool setInteger(qint64 value, const QString &key);
    bool setDouble(double value, const QString &key);
    /// Removes `key` from the application domain and writes the domain.
    bool removeObjectForKey(const QString &key);

private:
    struct Private;
    std::unique_ptr<Private> const d;
};

} // namespace platform
