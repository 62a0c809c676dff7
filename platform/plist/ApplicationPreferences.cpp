#include "platform/plist/ApplicationPreferences.h"

#include "platform/plist/UserDefaults.h"

#include <QHash>
#include <QMutex>
#include <QVariantMap>

namespace platform {

namespace {

// Keys set and not yet written; an invalid value stands for a removal.
using PendingValues = QHash<QString, QVariant>;

void apply(const PendingValues &pending, QVariantMap &domain)
{
    for (auto it = pending.cbegin(); it != pending.cend(); ++it) {
        if (it.value().isValid())
            domain.insert(it.key(), it.value());
        else
            domain.remove(it.key());
    }
}

} // namespace

struct ApplicationPreferences::Private
{
    explicit Private(QString directory)
        : domains(QString(), std::move(directory))
    {
    }

    mutable QMutex mutex;
    // Reads, caches and writes whole domain files; its own domain is never used.
    UserDefaults domains;
    QHash<QString, PendingValues> pending;
};

ApplicationPreferences &ApplicationPreferences::shared()
{
    static ApplicationPreferences instance;
    return instance;
}

ApplicationPreferences::ApplicationPreferences(QString directory)
    : d(std::make_unique<Private>(std::move(directory)))
{
}

ApplicationPreferences::~ApplicationPreferences() = default;

QVariant ApplicationPreferences::copyAppValue(const QString &key, const QString &applicationID) const
{
    QMutexLocker lock(&d->mutex);
    if (const auto values = d->pending.constFind(applicationID); values != d->pending.cend()) {
        if (const auto value = values->constFind(key); value != values->cend())
            return *value;
    }
    const auto domain = d->domains.persistentDomainForName(applicationID);
    return domain ? domain->value(key) : QVariant();
}

void ApplicationPreferences::setAppValue(const QString &key, const QVariant &value, const QString &applicationID)
{
    QMutexLocker lock(&d->mutex);
    d->pending[applicationID].insert(key, value);
}

bool ApplicationPreferences::appSynchronize(const QString &applicationID)
{
    QMutexLocker lock(&d->mutex);
    d->domains.synchronize();
    const auto values = d->pending.constFind(applicationID);
    if (values == d->pending.cend())
        return true;
    QVariantMap domain = d->domains.persistentDomainForName(applicationID).value_or(QVariantMap());
    apply(*values, domain);
    if (!d->domains.setPersistentDomain(domain, applicationID))
        return false;
    d->pending.erase(values);
    return true;
}

} // namespace platform
