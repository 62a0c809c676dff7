#include "platform/bus/Protocol.h"

#include "platform/bus/DBusValueConversion_p.h"
#include "platform/plist/PropertyListScalar.h"

#include <QDBusArgument>
#include <QFile>
#include <QScopeGuard>
#include <QXmlStreamReader>

#include <limits>

namespace platform {

namespace {

constexpr QLatin1String BasicCodes("ybnqiuxtds");

// The complete types of a signature, or none when it holds anything but basic
// types and (non-empty) structures of them.
std::optional<QStringList> completeTypes(QStringView signature)
{
    QStringList types;
    qsizetype i = 0;
    while (i < signature.size()) {
        if (BasicCodes.contains(signature[i])) {
            types.append(signature.mid(i, 1).toString());
            ++i;
            continue;
        }
        if (signature[i] != u'(')
            return std::nullopt;
        int depth = 0;
        const qsizetype start = i;
        do {
            if (signature[i] == u'(')
                ++depth;
            else if (signature[i] == u')')
                --depth;
            else if (!BasicCodes.contains(signature[i]))
                return std::nullopt;
            ++i;
        } while (depth > 0 && i < signature.size());
        if (depth != 0 || i - start < 3)
            return std::nullopt;
        types.append(signature.mid(start, i - start).toString());
    }
    return types;
}

template<typename T>
std::optional<T> integer(const QVariant &value)
{
    bool ok = false;
    switch (propertyListScalar(value.metaType().id())) {
    case PropertyListScalar::SignedInteger: {
        const qlonglong v = value.toLongLong(&ok);
        if (!ok || v < qlonglong(std::numeric_limits<T>::min())
            || (v > 0 && qulonglong(v) > qulonglong(std::numeric_limits<T>::max())))
            return std::nullopt;
        return T(v);
    }
    case PropertyListScalar::UnsignedInteger: {
        const qulonglong v = value.toULongLong(&ok);
        if (!ok || v > qulonglong(std::numeric_limits<T>::max()))
            return std::nullopt;
        return T(v);
    }
    default:
        return std::nullopt;
    }
}

template<typename T>
std::optional<QVariant> wrap(std::optional<T> v)
{
    return v ? std::optional<QVariant>(QVariant::fromValue(*v)) : std::nullopt;
}

std::optional<QVariant> basicValue(QChar code, const QVariant &value)
{
    switch (code.unicode()) {
    case u'y': return wrap(integer<uchar>(value));
    case u'n': return wrap(integer<qint16>(value));
    case u'q': return wrap(integer<quint16>(value));
    case u'i': return wrap(integer<qint32>(value));
    case u'u': return wrap(integer<quint32>(value));
    case u'x': return wrap(integer<qint64>(value));
    case u't': return wrap(integer<quint64>(value));
    case u'b':
        return value.metaType().id() == QMetaType::Bool ? std::optional<QVariant>(value) : std::nullopt;
    case u's':
        return value.metaType().id() == QMetaType::QString ? std::optional<QVariant>(value) : std::nullopt;
    case u'd':
        if (propertyListScalar(value.metaType().id()) == PropertyListScalar::Real || integer<qint64>(value))
            return QVariant(value.toDouble());
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

bool appendBasic(QDBusArgument &out, const QVariant &typed)
{
    switch (typed.metaType().id()) {
    case QMetaType::UChar: out << typed.value<uchar>(); return true;
    case QMetaType::Short: out << typed.value<qint16>(); return true;
    case QMetaType::UShort: out << typed.value<quint16>(); return true;
    case QMetaType::Int: out << typed.value<qint32>(); return true;
    case QMetaType::UInt: out << typed.value<quint32>(); return true;
    case QMetaType::LongLong: out << typed.value<qint64>(); return true;
    case QMetaType::ULongLong: out << typed.value<quint64>(); return true;
    case QMetaType::Bool: out << typed.toBool(); return true;
    case QMetaType::Double: out << typed.toDouble(); return true;
    case QMetaType::QString: out << typed.toString(); return true;
    default: return false;
    }
}

bool appendStructure(QDBusArgument &out, QStringView type, const QVariant &value)
{
    if (value.metaType().id() != QMetaType::QVariantList)
        return false;
    const auto members = completeTypes(type.mid(1, type.size() - 2));
    const QVariantList values = value.toList();
    if (!members || members->size() != values.size())
        return false;
    out.beginStructure();
    // Closed on every path: QDBusArgument leaks a structure left open, even when
    // the refused message is thrown away.
    const auto close = qScopeGuard([&out] { out.endStructure(); });
    for (qsizetype i = 0; i < values.size(); ++i) {
        const QString &member = members->at(i);
        if (member.startsWith(u'(')) {
            if (!appendStructure(out, member, values.at(i)))
                return false;
            continue;
        }
        const auto typed = basicValue(member.front(), values.at(i));
        if (!typed || !appendBasic(out, *typed))
            return false;
    }
    return true;
}

} // namespace

Protocol::Protocol(QString name, std::vector<ProtocolMethod> methods)
    : m_name(std::move(name))
{
    for (auto &method : methods) {
        if (dbus::isValidNameElement(method.name) && completeTypes(method.signature))
            m_methods.push_back(std::move(method));
    }
}

std::optional<Protocol> Protocol::fromIntrospection(const QString &name, QByteArrayView xml)
{
    const QString wanted = QLatin1String(dbus::NamePrefix) + name;
    QXmlStreamReader reader(xml.toByteArray());
    std::vector<ProtocolMethod> methods;
    bool found = false;
    bool inWanted = false;
    std::optional<ProtocolMethod> method;
    while (!reader.atEnd()) {
        reader.readNext();
        const QStringView element = reader.name();
        const QXmlStreamAttributes attributes = reader.attributes();
        if (reader.isStartElement() && element == u"interface") {
            inWanted = attributes.value(QLatin1String("name")) == wanted;
            found = found || inWanted;
        } else if (reader.isEndElement() && element == u"interface") {
            inWanted = false;
        } else if (!inWanted) {
            continue;
        } else if (reader.isStartElement() && element == u"method") {
            method = ProtocolMethod{attributes.value(QLatin1String("name")).toString(), QString()};
        } else if (reader.isEndElement() && element == u"method" && method) {
            if (!dbus::isValidNameElement(method->name) || !completeTypes(method->signature))
                return std::nullopt;
            methods.push_back(*std::exchange(method, std::nullopt));
        } else if (reader.isStartElement() && element == u"arg" && method) {
            if (attributes.hasAttribute(QLatin1String("direction")) && attributes.value(QLatin1String("direction")) != u"in")
                return std::nullopt; // one-way messages have no answer
            method->signature += attributes.value(QLatin1String("type"));
        }
    }
    if (reader.hasError() || !found)
        return std::nullopt;
    return Protocol(name, std::move(methods));
}

std::optional<Protocol> Protocol::fromIntrospectionFile(const QString &name, const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return fromIntrospection(name, file.readAll());
}

QString Protocol::interfaceName() const
{
    return QLatin1String(dbus::NamePrefix) + m_name;
}

const ProtocolMethod *Protocol::method(const QString &name) const
{
    for (const auto &method : m_methods) {
        if (method.name == name)
            return &method;
    }
    return nullptr;
}

std::optional<QVariantList> Protocol::marshal(const ProtocolMethod &method, const QVariantList &arguments)
{
    const auto types = completeTypes(method.signature);
    if (!types || types->size() != arguments.size())
        return std::nullopt;
    QVariantList result;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &type = types->at(i);
        if (type.startsWith(u'(')) {
            QDBusArgument structure;
            if (!appendStructure(structure, type, arguments.at(i)))
                return std::nullopt;
            result.append(QVariant::fromValue(structure));
            continue;
        }
        const auto typed = basicValue(type.front(), arguments.at(i));
        if (!typed)
            return std::nullopt;
        result.append(*typed);
    }
    return result;
}

QString Protocol::introspection() const
{
    QString xml = QStringLiteral("  <interface name=\"%1\">\n").arg(interfaceName());
    for (const auto &method : m_methods) {
        xml += QStringLiteral("    <method name=\"%1\">\n").arg(method.name);
        const QStringList types = completeTypes(method.signature).value_or(QStringList());
        for (const QString &type : types)
            xml += QStringLiteral("      <arg type=\"%1\" direction=\"in\"/>\n").arg(type);
        xml += QStringLiteral("      <annotation name=\"org.freedesktop.DBus.Method.NoReply\" value=\"true\"/>\n"
                              "    </method>\n");
    }
    return xml + QStringLiteral("  </interface>\n");
}

} // namespace platform
