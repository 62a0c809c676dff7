#include "platform/system/Bundle.h"

#include "platform/plist/PropertyList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTranslator>

#include <map>

namespace platform {

namespace {

QVariantMap readInfoDictionary(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > 16 * 1024 * 1024)
        return {};
    return readPropertyList(file.readAll()).value.toMap();
}

} // namespace

struct Bundle::Private
{
    QString path;
    QVariantMap info;
    // Loaded on first use, one per table and locale; a table without a translation
    // for the locale keeps an empty translator so that it is not looked for again.
    std::map<QString, std::unique_ptr<QTranslator>> translators;

    const QTranslator &translator(const QString &table)
    {
        const QLocale locale;
        const QString cacheKey = table + QLatin1Char('/') + locale.name();
        auto found = translators.find(cacheKey);
        if (found == translators.end()) {
            auto translator = std::make_unique<QTranslator>();
            (void)translator->load(locale, table, QStringLiteral("_"), path + QStringLiteral("/Resources/translations"));
            found = translators.emplace(cacheKey, std::move(translator)).first;
        }
        return *found->second;
    }
};

Bundle::Bundle(std::shared_ptr<Private> d)
    : d(std::move(d))
{
}

std::optional<Bundle> Bundle::bundleWithPath(const QString &path)
{
    const QFileInfo folder(path);
    if (path.isEmpty() || !folder.isDir())
        return std::nullopt;
    auto d = std::make_shared<Private>();
    d->path = folder.absoluteFilePath();
    for (const QString &candidate : {QStringLiteral("/Info.plist"), QStringLiteral("/Resources/Info.plist")}) {
        if (QFileInfo(d->path + candidate).isFile()) {
            d->info = readInfoDictionary(d->path + candidate);
            break;
        }
    }
    return Bundle(std::move(d));
}

QString Bundle::bundlePath() const
{
    return d->path;
}

QString Bundle::resourcePath() const
{
    return d->path + QStringLiteral("/Resources");
}

QVariantMap Bundle::infoDictionary() const
{
    return d->info;
}

QVariant Bundle::objectForInfoDictionaryKey(const QString &key) const
{
    return d->info.value(key);
}

QString Bundle::bundleIdentifier() const
{
    return d->info.value(QStringLiteral("CFBundleIdentifier")).toString();
}

QString Bundle::name() const
{
    const QString name = d->info.value(QStringLiteral("CFBundleName")).toString();
    return name.isEmpty() ? QFileInfo(d->path).completeBaseName() : name;
}

std::optional<QString> Bundle::executablePath() const
{
    const QString executable = d->info.value(QStringLiteral("CFBundleExecutable")).toString();
    if (executable.isEmpty() || executable.contains(QLatin1Char('/')) || executable == QLatin1String(".."))
        return std::nullopt;
    const QString path = d->path + QLatin1Char('/') + executable;
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    return path;
}

std::optional<QString> Bundle::pathForResource(const QString &name, const QString &type) const
{
    const QString fileName = type.isEmpty() ? name : name + QLatin1Char('.') + type;
    if (name.isEmpty() || fileName.contains(QLatin1Char('/')) || fileName == QLatin1String(".."))
        return std::nullopt;
    const QString path = resourcePath() + QLatin1Char('/') + fileName;
    if (!QFileInfo::exists(path))
        return std::nullopt;
    return path;
}

QString Bundle::localizedString(const QString &key, const QString &value, const QString &table) const
{
    const QString translated = d->translator(table).translate(table.toUtf8().constData(), key.toUtf8().constData());
    if (!translated.isEmpty())
        return translated;
    return value.isEmpty() ? key : value;
}

} // namespace platform
