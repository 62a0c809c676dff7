#pragma once

#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

namespace platform {

/// A filter over an object's attributes, parsed from the predicate format the
/// object store uses: comparisons (==, =, !=, <>, <, <=, >, >=) between key paths,
/// constants ('text', "text", numbers, YES/NO, TRUE/FALSE, nil) and "$NAME"
/// substitution variables, combined with AND, OR, NOT (&&, ||, !) and parentheses;
/// TRUEPREDICATE and FALSEPREDICATE. Keywords are case-insensitive.
///
/// A Predicate is an immutable value. It can be evaluated in memory and turned
/// into an SQL condition with bound values; both give the same answers.
class Predicate
{
public:
    /// Parses `format`; none when it is not a predicate of the form above.
    static std::optional<Predicate> parse(const QString &format);

    /// A copy with every "$NAME" replaced by `variables["NAME"]`; none when a
    /// variable has no value.
    std::optional<Predicate> withSubstitutionVariables(const QVariantMap &variables) const;

    /// True when the predicate still holds substitution variables.
    bool hasVariables() const;

    /// Evaluates against an object whose attribute values `valueForKey` gives.
    /// Numbers compare as numbers (YES is 1), text as text, nil equals only nil.
    bool evaluate(const std::function<QVariant(const QString &key)> &valueForKey) const;

    /// An SQL condition over columns named by `columnForKey`, with "?"
    /// placeholders whose values are appended to `bindings` in order.
    QString toSql(const std::function<QString(const QString &key)> &columnForKey, QVariantList &bindings) const;

    /// The key paths the predicate reads.
    QStringList keys() const;

    /// The format text, normalised.
    QString format() const;

    struct Node;

private:
    explicit Predicate(std::shared_ptr<const Node> root);
    std::shared_ptr<const Node> m_root;
};

} // namespace platform
