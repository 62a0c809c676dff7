#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <optional>
#include <vector>

namespace platform {

/// One message of a protocol: its name (the first keyword of the original selector)
/// and the D-Bus signature of its arguments: basic types ("i", "b", "s", "n", ...)
/// and structures of them ("(ni)"); "" for none.
struct ProtocolMethod
{
    QString name;
    QString signature;
};

/// The counterpart of a declared protocol of distributed objects: the one-way
/// messages a remote object answers, with their argument types. On the bus it is
/// the interface com.velora.<name>.
class Protocol
{
public:
    /// A protocol named `name` with `methods`. Methods whose signature uses anything
    /// but basic types and structures of them are left out.
    Protocol(QString name, std::vector<ProtocolMethod> methods);

    /// The protocol `name` as D-Bus introspection XML describes it: the methods of
    /// the interface com.velora.<name> with the types of their arguments, so that
    /// both sides of a protocol can read one description. None when `xml` is not
    /// well-formed, has no such interface, or a method of it has an invalid name,
    /// an answer ("out" argument) or an argument type a protocol cannot carry.
    static std::optional<Protocol> fromIntrospection(const QString &name, QByteArrayView xml);
    /// The same, read from the file (or Qt resource) at `path`; none when it cannot be read.
    static std::optional<Protocol> fromIntrospectionFile(const QString &name, const QString &path);

    const QString &name() const { return m_name; }
    const std::vector<ProtocolMethod> &methods() const { return m_methods; }

    /// "com.velora." followed by the name.
    QString interfaceName() const;

    /// The method named `name`, or none.
    const ProtocolMethod *method(const QString &name) const;

    /// `arguments` converted to the exact D-Bus types of `method`'s signature
    /// (a structure is given as the list of its members); none when their number or
    /// a type does not fit, or a number is out of its type's range.
    static std::optional<QVariantList> marshal(const ProtocolMethod &method, const QVariantList &arguments);

    /// Introspection XML of the interface, each method marked as not answering.
    QString introspection() const;

private:
    QString m_name;
    std::vector<ProtocolMethod> m_methods;
};

} // namespace platform
