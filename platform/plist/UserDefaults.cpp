#include "platform/plist/UserDefaults.h"

#include "platform/core/Log.h"
#include "platform/plist/PropertyList.h"
#include "platform/plist/PropertyListScalar.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QSaveFile>
#include <QSet>
#include <QStandardPaths>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <utility>

namespace platform {

namespace {

// What a domain file holds as far as a writer is concerned: nothing, a domain, or bytes
// that do not parse and must not be lost.
struct DomainFile
{
    enum class State { Absent, Readable, Unreadable };
    State state = State::Absent;
    QVariantMap domain;
    QString error;
};

DomainFile readDomainFile(const QString &path)
{
    DomainFile file;
    QFile f(path);
    if (!f.exists())
        return file;
    file.state = DomainFile::State::Unreadable;
    if (!f.open(QIODevice::ReadOnly)) {
        file.error = f.errorString();
        return file;
    }
    const PropertyListReadResult read = readPropertyList(f.readAll());
    if (!read) {
        file.error = read.error;
    } else if (read.value.typeId() != QMetaType::QVariantMap) {
        file.error = QStringLiteral("its root is not a dictionary");
    } else {
        file.state = DomainFile::State::Readable;
        file.domain = read.value.toMap();
    }
    return file;
}

bool isTrueString(const QString &text)
{
    const QString t = text.trimmed();
    return t.compare(QLatin1String("YES"), Qt::CaseInsensitive) == 0 || t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0
        || t.toLongLong() != 0;
}

bool isNumber(const QVariant &v)
{
    switch (propertyListScalar(v.typeId())) {
    case PropertyListScalar::Boolean:
    case PropertyListScalar::SignedInteger:
    case PropertyListScalar::UnsignedInteger:
    case PropertyListScalar::Real:
        return true;
    default:
        return false;
    }
}

} // namespace

struct UserDefaults::Private
{
    mutable QMutex mutex;
    QString applicationDomain;
    QString directory;
    // Domains read so far (none = no readable file), until synchronize().
    mutable QHash<QString, std::optional<QVariantMap>> cache;
    // Unreadable files already reported, so that a pane re-reading every second logs once.
    mutable QSet<QString> reportedUnreadable;
    bool writeFailed = false;
    QString lastWriteError;

    QString directoryPath() const
    {
        return directory.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) : directory;
    }

    QString path(const QString &name) const { return directoryPath() + QLatin1Char('/') + name + QLatin1String(".plist"); }

    std::optional<QVariantMap> load(const QString &name) const
    {
        if (!isValidDomainName(name))
            return std::nullopt;
        if (const auto it = cache.constFind(name); it != cache.cend())
            return *it;
        const QString file = path(name);
        DomainFile read = readDomainFile(file);
        std::optional<QVariantMap> domain;
        if (read.state == DomainFile::State::Readable)
            domain = std::move(read.domain);
        else if (read.state == DomainFile::State::Unreadable && !reportedUnreadable.contains(file)) {
            reportedUnreadable.insert(file);
            log(QStringLiteral("UserDefaults: %1 cannot be read (%2); domain %3 reads as absent, and the file will be kept aside before it is replaced")
                    .arg(file, read.error, name));
        }
        cache.insert(name, domain);
        return domain;
    }

    // Copies an unreadable domain file aside, so that replacing or removing it loses nothing.
    bool keepAsideIfUnreadable(const QString &file, const DomainFile &current)
    {
        if (current.state != DomainFile::State::Unreadable)
            return true;
        const QString stem = file + QLatin1String(".unreadable-") + QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss"));
        QString copy = stem;
        for (int n = 1; QFileInfo::exists(copy); ++n)
            copy = stem + QLatin1Char('-') + QString::number(n);
        if (!QFile::copy(file, copy)) {
            log(QStringLiteral("UserDefaults: %1 cannot be read (%2) and cannot be copied aside to %3; it is left as it is").arg(file, current.error, copy));
            lastWriteError = QStringLiteral("it cannot be read (%1) and cannot be copied aside").arg(current.error);
            return false;
        }
        log(QStringLiteral("UserDefaults: %1 could not be read (%2); kept a copy as %3 before replacing it").arg(file, current.error, copy));
        reportedUnreadable.remove(file);
        return true;
    }

    bool store(const QVariantMap &domain, const QString &name)
    {
        if (!isValidDomainName(name)) {
            log(QStringLiteral("UserDefaults: \"%1\" is not a valid domain name; nothing written").arg(name));
            return failed(QStringLiteral("\"%1\" is not a valid domain name").arg(name));
        }
        const PropertyListWriteResult encoded = writePropertyList(domain, PropertyListFormat::Xml);
        if (!encoded) {
            log(QStringLiteral("UserDefaults: domain %1 not written: %2").arg(name, encoded.error));
            return failed(encoded.error);
        }
        const QString file = path(name);
        if (!keepAsideIfUnreadable(file, readDomainFile(file)))
            return failed();
        if (!QDir().mkpath(directoryPath())) {
            log(QStringLiteral("UserDefaults: cannot create %1; domain %2 not written").arg(directoryPath(), name));
            return failed(QStringLiteral("the folder %1 cannot be created").arg(directoryPath()));
        }
        QSaveFile out(file);
        if (!out.open(QIODevice::WriteOnly) || out.write(encoded.bytes) != encoded.bytes.size() || !out.commit()) {
            log(QStringLiteral("UserDefaults: cannot write %1: %2").arg(file, out.errorString()));
            return failed(out.errorString());
        }
        lastWriteError.clear();
        // Cache what a reader of the file gets (qint64 for an int, seconds for a date in XML),
        // so that a read gives the same whether or not synchronize() came between.
        cache.insert(name, readPropertyList(encoded.bytes).value.toMap());
        return true;
    }

    bool remove(const QString &name)
    {
        if (!isValidDomainName(name))
            return false;
        const QString file = path(name);
        if (!keepAsideIfUnreadable(file, readDomainFile(file)))
            return failed();
        if (QFileInfo::exists(file) && !QFile::remove(file)) {
            log(QStringLiteral("UserDefaults: cannot remove %1").arg(file));
            return failed(QStringLiteral("it cannot be removed"));
        }
        lastWriteError.clear();
        cache.insert(name, std::nullopt);
        return true;
    }

    // Read-modify-write of one key, from the file as it is now rather than a cached copy.
    template<typename Change>
    bool changeApplicationDomain(Change change)
    {
        const QString name = applicationDomain;
        if (!isValidDomainName(name)) {
            log(QStringLiteral("UserDefaults: \"%1\" is not a valid domain name; nothing written").arg(name));
            return failed(QStringLiteral("\"%1\" is not a valid domain name").arg(name));
        }
        QVariantMap domain = readDomainFile(path(name)).domain;
        change(domain);
        return store(domain, name);
    }

    // `reason` (empty when already set) for lastWriteError().
    bool failed(const QString &reason = {})
    {
        writeFailed = true;
        if (!reason.isEmpty())
            lastWriteError = reason;
        return false;
    }
};

UserDefaults &UserDefaults::standardUserDefaults()
{
    static UserDefaults instance(defaultApplicationDomain());
    return instance;
}

QString UserDefaults::defaultApplicationDomain()
{
    QStringList labels = QCoreApplication::organizationDomain().split(QLatin1Char('.'), Qt::SkipEmptyParts);
    std::reverse(labels.begin(), labels.end());
    labels.append(QCoreApplication::applicationName());
    labels.removeAll(QString());
    return labels.join(QLatin1Char('.'));
}

UserDefaults::UserDefaults(QString applicationDomain, QString directory)
    : d(std::make_unique<Private>())
{
    d->applicationDomain = std::move(applicationDomain);
    d->directory = std::move(directory);
}

UserDefaults::~UserDefaults() = default;

QString UserDefaults::applicationDomain() const
{
    QMutexLocker lock(&d->mutex);
    return d->applicationDomain;
}

void UserDefaults::setApplicationDomain(const QString &name)
{
    QMutexLocker lock(&d->mutex);
    d->applicationDomain = name;
}

QString UserDefaults::pathForDomain(const QString &name) const
{
    QMutexLocker lock(&d->mutex);
    return d->path(name);
}

bool UserDefaults::isValidDomainName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") && !name.contains(QLatin1Char('/'))
        && !name.contains(QChar(0));
}

std::optional<QVariantMap> UserDefaults::persistentDomainForName(const QString &name) const
{
    QMutexLocker lock(&d->mutex);
    return d->load(name);
}

bool UserDefaults::setPersistentDomain(const QVariantMap &domain, const QString &name)
{
    QMutexLocker lock(&d->mutex);
    return d->store(domain, name);
}

QString UserDefaults::lastWriteError() const
{
    QMutexLocker lock(&d->mutex);
    return d->lastWriteError;
}

bool UserDefaults::removePersistentDomainForName(const QString &name)
{
    QMutexLocker lock(&d->mutex);
    return d->remove(name);
}

bool UserDefaults::synchronize()
{
    QMutexLocker lock(&d->mutex);
    d->cache.clear();
    return !std::exchange(d->writeFailed, false);
}

QVariant UserDefaults::objectForKey(const QString &key) const
{
    QMutexLocker lock(&d->mutex);
    const auto domain = d->load(d->applicationDomain);
    return domain ? domain->value(key) : QVariant();
}

QString UserDefaults::stringForKey(const QString &key) const
{
    const QVariant value = objectForKey(key);
    if (value.typeId() == QMetaType::QString)
        return value.toString();
    if (isNumber(value) && value.typeId() != QMetaType::Bool)
        return value.toString();
    return QString();
}

bool UserDefaults::boolForKey(const QString &key) const
{
    const QVariant value = objectForKey(key);
    if (value.typeId() == QMetaType::QString)
        return isTrueString(value.toString());
    return isNumber(value) && value.toDouble() != 0.0;
}

qint64 UserDefaults::integerForKey(const QString &key) const
{
    const QVariant value = objectForKey(key);
    if (value.typeId() == QMetaType::QString)
        return value.toString().trimmed().toLongLong();
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float) {
        const double real = value.toDouble();
        return std::isfinite(real) && std::abs(real) < 9.2e18 ? qint64(real) : 0;
    }
    return isNumber(value) ? value.toLongLong() : 0;
}

double UserDefaults::doubleForKey(const QString &key) const
{
    const QVariant value = objectForKey(key);
    if (value.typeId() == QMetaType::QString)
        return value.toString().trimmed().toDouble();
    return isNumber(value) ? value.toDouble() : 0.0;
}

QByteArray UserDefaults::dataForKey(const QString &key) const
{
    const QVariant value = objectForKey(key);
    return value.typeId() == QMetaType::QByteArray ? value.toByteArray() : QByteArray();
}

std::optional<QVariantList> UserDefaults::arrayForKey(const QString &key) const
{
    const QVariant value = objectForKey(key);
    if (value.typeId() != QMetaType::QVariantList)
        return std::nullopt;
    return value.toList();
}

std::optional<QVariantMap> UserDefaults::dictionaryForKey(const QString &key) const
{
    const QVariant value = objectForKey(key);
    if (value.typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    return value.toMap();
}

bool UserDefaults::setObject(const QVariant &value, const QString &key)
{
    if (!value.isValid())
        return removeObjectForKey(key);
    QMutexLocker lock(&d->mutex);
    return d->changeApplicationDomain([&](QVariantMap &domain) { domain.insert(key, value); });
}

bool UserDefaults::setBool(bool value, const QString &key)
{
    return setObject(value, key);
}

bool UserDefaults::setInteger(qint64 value, const QString &key)
{
    return setObject(value, key);
}

bool UserDefaults::setDouble(double value, const QString &key)
{
    return setObject(value, key);
}

bool UserDefaults::removeObjectForKey(const QString &key)
{
    QMutexLocker lock(&d->mutex);
    return d->changeApplicationDomain([&](QVariantMap &domain) { domain.remove(key); });
}

} // namespace platform
