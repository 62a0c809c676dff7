#include "platform/store/ManagedObjectModel.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace platform {

namespace {

std::optional<AttributeType> attributeType(const QString &name)
{
    static const QMap<QString, AttributeType> types{
        {QStringLiteral("String"), AttributeType::String}, {QStringLiteral("Boolean"), AttributeType::Boolean},
        {QStringLiteral("Integer"), AttributeType::Integer}, {QStringLiteral("Double"), AttributeType::Double},
        {QStringLiteral("Date"), AttributeType::Date}, {QStringLiteral("Binary"), AttributeType::Binary}};
    const auto it = types.find(name);
    return it == types.end() ? std::nullopt : std::optional(*it);
}

// A default as the attribute's own type; null when the JSON value is of another kind.
QVariant defaultValue(AttributeType type, const QJsonValue &value)
{
    switch (type) {
    case AttributeType::String: return value.isString() ? QVariant(value.toString()) : QVariant();
    case AttributeType::Boolean: return value.isBool() ? QVariant(value.toBool()) : QVariant();
    case AttributeType::Integer:
        return value.isDouble() && value.toDouble() == double(qint64(value.toDouble())) ? QVariant(qint64(value.toDouble()))
                                                                                      : QVariant();
    case AttributeType::Double: return value.isDouble() ? QVariant(value.toDouble()) : QVariant();
    case AttributeType::Date: case AttributeType::Binary: return {};
    }
    return {};
}

bool fail(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    return false;
}

} // namespace

std::optional<AttributeDescription> EntityDescription::attribute(const QString &attributeName) const
{
    for (const AttributeDescription &a : attributes) {
        if (a.name == attributeName)
            return a;
    }
    return std::nullopt;
}

std::optional<ManagedObjectModel> ManagedObjectModel::fromFile(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        fail(error, QStringLiteral("cannot read the object model %1").arg(path));
        return std::nullopt;
    }
    return fromJson(file.readAll(), error);
}

std::optional<ManagedObjectModel> ManagedObjectModel::fromJson(const QByteArray &json, QString *error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (!document.isObject()) {
        fail(error, QStringLiteral("the object model is not a JSON object: %1").arg(parseError.errorString()));
        return std::nullopt;
    }
    ManagedObjectModel model;
    const QJsonArray entities = document.object().value(QLatin1String("entities")).toArray();
    for (const QJsonValue &e : entities) {
        EntityDescription entity;
        entity.name = e.toObject().value(QLatin1String("name")).toString();
        for (const QJsonValue &a : e.toObject().value(QLatin1String("attributes")).toArray()) {
            const QString name = a.toObject().value(QLatin1String("name")).toString();
            const auto type = attributeType(a.toObject().value(QLatin1String("type")).toString());
            if (name.isEmpty() || !type || entity.attribute(name)) {
                fail(error, QStringLiteral("entity %1 has an invalid attribute").arg(entity.name));
                return std::nullopt;
            }
            AttributeDescription attribute{name, *type};
            attribute.optional = a.toObject().value(QLatin1String("optional")).toBool();
            if (!a.toObject().value(QLatin1String("defaultValue")).isUndefined()) {
                attribute.defaultValue = defaultValue(*type, a.toObject().value(QLatin1String("defaultValue")));
                if (!attribute.defaultValue.isValid()) {
                    fail(error, QStringLiteral("attribute %1 of entity %2 has a default of another type").arg(name, entity.name));
                    return std::nullopt;
                }
            }
            entity.attributes.append(attribute);
        }
        if (entity.name.isEmpty() || model.entity(entity.name)) {
            fail(error, QStringLiteral("an entity has no name or is defined twice"));
            return std::nullopt;
        }
        model.m_entities.append(entity);
    }
    const QJsonObject templates = document.object().value(QLatin1String("fetchRequestTemplates")).toObject();
    for (auto it = templates.begin(); it != templates.end(); ++it) {
        FetchRequest request;
        request.entityName = it.value().toObject().value(QLatin1String("entity")).toString();
        const QString format = it.value().toObject().value(QLatin1String("predicate")).toString();
        if (!format.isEmpty())
            request.predicate = Predicate::parse(format);
        if (!model.entity(request.entityName) || (!format.isEmpty() && !request.predicate)) {
            fail(error, QStringLiteral("fetch request template %1 is invalid").arg(it.key()));
            return std::nullopt;
        }
        model.m_templates.insert(it.key(), request);
    }
    return model;
}

std::optional<ManagedObjectModel> ManagedObjectModel::merged(const QList<ManagedObjectModel> &models)
{
    ManagedObjectModel result;
    for (const ManagedObjectModel &model : models) {
        for (const EntityDescription &entity : model.m_entities) {
            if (result.entity(entity.name))
                return std::nullopt;
            result.m_entities.append(entity);
        }
        for (auto it = model.m_templates.begin(); it != model.m_templates.end(); ++it) {
            if (result.m_templates.contains(it.key()))
                return std::nullopt;
            result.m_templates.insert(it.key(), it.value());
        }
    }
    return result;
}

std::optional<EntityDescription> ManagedObjectModel::entity(const QString &name) const
{
    for (const EntityDescription &e : m_entities) {
        if (e.name == name)
            return e;
    }
    return std::nullopt;
}

std::optional<FetchRequest> ManagedObjectModel::fetchRequestFromTemplate(const QString &name,
                                                                         const QVariantMap &variables) const
{
    const auto it = m_templates.find(name);
    if (it == m_templates.end())
        return std::nullopt;
    FetchRequest request = *it;
    if (request.predicate) {
        request.predicate = request.predicate->withSubstitutionVariables(variables);
        if (!request.predicate)
            return std::nullopt;
    }
    return request;
}

} // namespace platform
