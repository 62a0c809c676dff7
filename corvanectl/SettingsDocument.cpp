#include "SettingsDocument.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <cmath>
#include <limits>

namespace {

const QString VersionKey = QStringLiteral("version");
const QString SortOrderKey = QStringLiteral("sortOrder");
const QString LimitSearchKey = QStringLiteral("limitSearch");
const QString HotKeyKey = QStringLiteral("hotKey");
const QString CornersKey = QStringLiteral("corners");
const QString StartAtLoginKey = QStringLiteral("startAtLogin");
const QString ExcludedKey = QStringLiteral("excluded");
const QString KeyCodeKey = QStringLiteral("keyCode");
const QString ModifiersKey = QStringLiteral("modifiers");

// Reading stops at the first fault; each step reports it through this.
class Reader
{
public:
    explicit Reader(QString *error)
        : m_error(error)
    {
    }

    bool fail(const QString &message)
    {
        if (m_error)
            *m_error = message;
        return false;
    }

    bool onlyKeys(const QJsonObject &object, const QStringList &known, const QString &where)
    {
        for (auto it = object.begin(); it != object.end(); ++it) {
            if (!known.contains(it.key()))
                return fail(QStringLiteral("%1 has an unknown key \"%2\"").arg(where, it.key()));
        }
        return true;
    }

    // An integral number within [low, high].
    bool integer(const QJsonValue &value, qint64 low, qint64 high, const QString &what, qint64 *out)
    {
        const double number = value.toDouble(std::numeric_limits<double>::quiet_NaN());
        if (!value.isDouble() || std::trunc(number) != number || number < double(low) || number > double(high))
            return fail(QStringLiteral("%1 must be a whole number from %2 to %3").arg(what).arg(low).arg(high));
        *out = static_cast<qint64>(number);
        return true;
    }

    bool boolean(const QJsonValue &value, const QString &what, std::optional<bool> *out)
    {
        if (!value.isBool())
            return fail(QStringLiteral("%1 must be true or false").arg(what));
        *out = value.toBool();
        return true;
    }

    bool hotKey(const QJsonValue &value, std::optional<SettingsDocument::HotKey> *out)
    {
        if (value.isNull()) {
            *out = std::monostate();
            return true;
        }
        if (value.isString()) {
            *out = value.toString();
            return true;
        }
        if (!value.isObject())
            return fail(QStringLiteral("\"hotKey\" must be null, a key combination's text or its codes"));
        const QJsonObject codes = value.toObject();
        qint64 keyCode = 0;
        qint64 modifiers = 0;
        if (!onlyKeys(codes, {KeyCodeKey, ModifiersKey}, QStringLiteral("\"hotKey\""))
            || !integer(codes.value(KeyCodeKey), 0, std::numeric_limits<qint16>::max(), QStringLiteral("\"keyCode\""),
                        &keyCode)
            || !integer(codes.value(ModifiersKey), 0, std::numeric_limits<qint32>::max(),
                        QStringLiteral("\"modifiers\""), &modifiers))
            return false;
        *out = SettingsDocument::KeyCodes{static_cast<int>(keyCode), modifiers};
        return true;
    }

    bool corners(const QJsonValue &value, std::array<std::optional<bool>, 4> *out)
    {
        if (!value.isObject())
            return fail(QStringLiteral("\"corners\" must be an object"));
        const QJsonObject object = value.toObject();
        const QStringList &names = SettingsDocument::cornerNames();
        if (!onlyKeys(object, names, QStringLiteral("\"corners\"")))
            return false;
        for (qsizetype i = 0; i < names.size(); ++i) {
            if (object.contains(names[i])
                && !boolean(object.value(names[i]), QStringLiteral("\"%1\"").arg(names[i]), &(*out)[size_t(i)]))
                return false;
        }
        return true;
    }

    bool excluded(const QJsonValue &value, std::optional<QStringList> *out)
    {
        if (!value.isArray())
            return fail(QStringLiteral("\"excluded\" must be a list of paths"));
        QStringList paths;
        for (const QJsonValue &item : value.toArray()) {
            const QString path = item.toString();
            // A relative path would depend on where import runs.
            if (!item.isString() || !path.startsWith(u'/') || path.contains(QChar(0)))
                return fail(QStringLiteral("\"excluded\" must hold absolute paths only"));
            paths.append(path);
        }
        *out = paths;
        return true;
    }

    bool sortOrder(const QJsonValue &value, std::optional<int> *out)
    {
        const qsizetype index = SettingsDocument::sortOrderNames().indexOf(value.toString());
        if (!value.isString() || index < 0)
            return fail(QStringLiteral("\"sortOrder\" must be one of %1")
                            .arg(SettingsDocument::sortOrderNames().join(QStringLiteral(", "))));
        *out = static_cast<int>(index);
        return true;
    }

private:
    QString *m_error;
};

QJsonValue hotKeyJson(const SettingsDocument::HotKey &hotKey)
{
    if (const auto *text = std::get_if<QString>(&hotKey))
        return *text;
    if (const auto *codes = std::get_if<SettingsDocument::KeyCodes>(&hotKey))
        return QJsonObject{{KeyCodeKey, codes->keyCode}, {ModifiersKey, codes->modifiers}};
    return QJsonValue::Null;
}

} // namespace

const QStringList &SettingsDocument::sortOrderNames()
{
    static const QStringList names{QStringLiteral("name"), QStringLiteral("recent"), QStringLiteral("frequent")};
    return names;
}

const QStringList &SettingsDocument::cornerNames()
{
    static const QStringList names{QStringLiteral("top-left"), QStringLiteral("top-right"),
                                   QStringLiteral("bottom-left"), QStringLiteral("bottom-right")};
    return names;
}

std::optional<SettingsDocument> SettingsDocument::fromJson(const QByteArray &json, QString *error)
{
    Reader reader(error);
    if (json.size() > MaximumSize) {
        reader.fail(QStringLiteral("larger than a settings document can be"));
        return std::nullopt;
    }
    QJsonParseError parseError;
    const QJsonDocument parsed = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        reader.fail(QStringLiteral("no JSON: %1 at byte %2").arg(parseError.errorString()).arg(parseError.offset));
        return std::nullopt;
    }
    if (!parsed.isObject()) {
        reader.fail(QStringLiteral("no settings document: a JSON object was expected"));
        return std::nullopt;
    }
    const QJsonObject object = parsed.object();
    qint64 version = 0;
    SettingsDocument document;
    const bool read =
        reader.onlyKeys(object, {VersionKey, SortOrderKey, LimitSearchKey, HotKeyKey, CornersKey, StartAtLoginKey,
                                 ExcludedKey},
                        QStringLiteral("the document"))
        && reader.integer(object.value(VersionKey), 1, std::numeric_limits<qint32>::max(),
                          QStringLiteral("\"version\""), &version)
        && (version == Version
            || reader.fail(QStringLiteral("version %1 is newer than this corvanectl reads (%2)").arg(version).arg(Version)))
        && (!object.contains(SortOrderKey) || reader.sortOrder(object.value(SortOrderKey), &document.sortOrder))
        && (!object.contains(LimitSearchKey)
            || reader.boolean(object.value(LimitSearchKey), QStringLiteral("\"limitSearch\""), &document.limitSearch))
        && (!object.contains(HotKeyKey) || reader.hotKey(object.value(HotKeyKey), &document.hotKey))
        && (!object.contains(CornersKey) || reader.corners(object.value(CornersKey), &document.corners))
        && (!object.contains(StartAtLoginKey)
            || reader.boolean(object.value(StartAtLoginKey), QStringLiteral("\"startAtLogin\""), &document.startAtLogin))
        && (!object.contains(ExcludedKey) || reader.excluded(object.value(ExcludedKey), &document.excluded));
    if (!read)
        return std::nullopt;
    return document;
}

QByteArray SettingsDocument::toJson() const
{
    QJsonObject object{{VersionKey, Version}};
    if (sortOrder)
        object.insert(SortOrderKey, sortOrderNames().value(*sortOrder));
    if (limitSearch)
        object.insert(LimitSearchKey, *limitSearch);
    if (hotKey)
        object.insert(HotKeyKey, hotKeyJson(*hotKey));
    QJsonObject cornerObject;
    for (qsizetype i = 0; i < cornerNames().size(); ++i) {
        if (const auto on = corners[size_t(i)])
            cornerObject.insert(cornerNames()[i], *on);
    }
    if (!cornerObject.isEmpty())
        object.insert(CornersKey, cornerObject);
    if (startAtLogin)
        object.insert(StartAtLoginKey, *startAtLogin);
    if (excluded)
        object.insert(ExcludedKey, QJsonArray::fromStringList(*excluded));
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}
