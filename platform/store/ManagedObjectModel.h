#pragma once

#include "platform/store/FetchRequest.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <optional>

namespace platform {

/// The value type of an attribute, and how the store keeps it.
enum class AttributeType { String, Boolean, Integer, Double, Date, Binary };

struct AttributeDescription
{
    QString name;
    AttributeType type = AttributeType::String;
    /// Whether a record may leave the attribute nil.
    bool optional = false;
    /// The value a new record starts with; null for none.
    QVariant defaultValue;

    /// Whether a store written before the attribute existed can gain its column:
    /// only when its old records have a value to take, nil or the default.
    bool canBeAddedToStore() const { return optional || defaultValue.isValid(); }
};

struct EntityDescription
{
    QString name;
    QList<AttributeDescription> attributes;

    /// The attribute named `name`, or none.
    std::optional<AttributeDescription> attribute(const QString &name) const;
};

/// The object model: entities with their attributes, and named fetch request
/// templates whose predicates may hold "$NAME" substitution variables.
///
/// A model file is JSON:
///   { "entities": [ { "name": "Application",
///                     "attributes": [ { "name": "name", "type": "String" },
///                                     { "name": "count", "type": "Integer", "defaultValue": 0 },
///                                     { "name": "seen", "type": "Date", "optional": true }, ... ] } ],
///     "fetchRequestTemplates": { "byName": { "entity": "Application",
///                                            "predicate": "name == $NAME" } } }
/// with the types String, Boolean, Integer, Double, Date and Binary.
class ManagedObjectModel
{
public:
    ManagedObjectModel() = default;

    /// Reads a model file; none (with a reason in `error`) when it is unreadable or malformed.
    static std::optional<ManagedObjectModel> fromFile(const QString &path, QString *error = nullptr);
    static std::optional<ManagedObjectModel> fromJson(const QByteArray &json, QString *error = nullptr);

    /// The union of several models; none when two define the same entity or template.
    static std::optional<ManagedObjectModel> merged(const QList<ManagedObjectModel> &models);

    const QList<EntityDescription> &entities() const { return m_entities; }
    std::optional<EntityDescription> entity(const QString &name) const;

    /// The template `name` with its variables replaced; none when there is no
    /// such template or a variable has no value.
    std::optional<FetchRequest> fetchRequestFromTemplate(const QString &name, const QVariantMap &variables) const;

private:
    QList<EntityDescription> m_entities;
    QMap<QString, FetchRequest> m_templates;
};

} // namespace platform
