#include "platform/store/Predicate.h"

#include "platform/core/ReferenceDate.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>
#include <limits>

namespace platform {

struct Predicate::Node
{
    enum class Kind { True, False, And, Or, Not, Compare };
    enum class Operand { Key, Constant, Variable };
    enum class Op { Equal, NotEqual, Less, LessEqual, Greater, GreaterEqual };

    Kind kind = Kind::True;
    std::shared_ptr<const Node> left, right; // And, Or; Not uses left
    Op op = Op::Equal;
    Operand lhsKind = Operand::Constant, rhsKind = Operand::Constant;
    QVariant lhs, rhs; // key or variable names as strings; constants as values
};

namespace {

using Node = Predicate::Node;
using NodePtr = std::shared_ptr<const Node>;

// ---- Tokens ----------------------------------------------------------------

struct Token
{
    enum class Type { End, Word, Variable, String, Number, Operator, Open, Close, Invalid };
    Type type = Type::End;
    QString text;
};

class Lexer
{
public:
    explicit Lexer(const QString &text) : m_text(text) {}

    Token next()
    {
        while (m_pos < m_text.size() && m_text.at(m_pos).isSpace())
            ++m_pos;
        if (m_pos >= m_text.size())
            return {Token::Type::End, {}};
        const QChar c = m_text.at(m_pos);
        if (c == QLatin1Char('('))
            return ++m_pos, Token{Token::Type::Open, QStringLiteral("(")};
        if (c == QLatin1Char(')'))
            return ++m_pos, Token{Token::Type::Close, QStringLiteral(")")};
        if (c == QLatin1Char('\'') || c == QLatin1Char('"'))
            return quoted(c);
        if (c == QLatin1Char('$'))
            return ++m_pos, Token{Token::Type::Variable, identifier()};
        if (c.isDigit() || (c == QLatin1Char('-') && m_pos + 1 < m_text.size() && m_text.at(m_pos + 1).isDigit()))
            return number();
        if (c.isLetter() || c == QLatin1Char('_'))
            return {Token::Type::Word, identifier()};
        return op();
    }

private:
    QString identifier()
    {
        const qsizetype start = m_pos;
        while (m_pos < m_text.size()
               && (m_text.at(m_pos).isLetterOrNumber() || m_text.at(m_pos) == QLatin1Char('_')
                   || m_text.at(m_pos) == QLatin1Char('.')))
            ++m_pos;
        return m_text.mid(start, m_pos - start);
    }

    Token quoted(QChar quote)
    {
        QString value;
        for (++m_pos; m_pos < m_text.size(); ++m_pos) {
            const QChar c = m_text.at(m_pos);
            if (c == QLatin1Char('\\') && m_pos + 1 < m_text.size()) {
                value += m_text.at(++m_pos);
            } else if (c == quote) {
                ++m_pos;
                return {Token::Type::String, value};
            } else {
                value += c;
            }
        }
        return {Token::Type::Invalid, {}};
    }

    Token number()
    {
        const qsizetype start = m_pos++;
        while (m_pos < m_text.size() && (m_text.at(m_pos).isDigit() || m_text.at(m_pos) == QLatin1Char('.')))
            ++m_pos;
        // An exponent, as numbers are printed: 1.5e+24.
        if (m_pos + 1 < m_text.size() && (m_text.at(m_pos) == QLatin1Char('e') || m_text.at(m_pos) == QLatin1Char('E'))) {
            qsizetype digits = m_pos + 1;
            if (m_text.at(digits) == QLatin1Char('+') || m_text.at(digits) == QLatin1Char('-'))
                ++digits;
            if (digits < m_text.size() && m_text.at(digits).isDigit()) {
                for (m_pos = digits; m_pos < m_text.size() && m_text.at(m_pos).isDigit(); ++m_pos) {
                }
            }
        }
        return {Token::Type::Number, m_text.mid(start, m_pos - start)};
    }

    Token op()
    {
        static const char *const operators[] = {"==", "!=", "<>", "<=", ">=", "=<", "=>", "&&", "||", "=", "<", ">", "!"};
        for (const char *o : operators) {
            const QLatin1String candidate(o);
            if (QStringView(m_text).mid(m_pos).startsWith(candidate)) {
                m_pos += candidate.size();
                return {Token::Type::Operator, candidate};
            }
        }
        return {Token::Type::Invalid, {}};
    }

    QString m_text;
    qsizetype m_pos = 0;
};

// ---- Parser ----------------------------------------------------------------

class Parser
{
public:
    explicit Parser(const QString &text) : m_lexer(text) { advance(); }

    NodePtr parseAll()
    {
        NodePtr root = parseOr();
        return root && m_token.type == Token::Type::End ? root : nullptr;
    }

private:
    void advance() { m_token = m_lexer.next(); }

    bool isWord(const char *word) const
    {
        return m_token.type == Token::Type::Word && m_token.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    }
    bool isOperator(const char *op) const
    {
        return m_token.type == Token::Type::Operator && m_token.text == QLatin1String(op);
    }

    NodePtr combine(Node::Kind kind, NodePtr left, NodePtr right)
    {
        if (++m_nodes > maxNodes)
            return nullptr;
        auto node = std::make_shared<Node>();
        node->kind = kind;
        node->left = std::move(left);
        node->right = std::move(right);
        return node;
    }

    NodePtr parseOr()
    {
        NodePtr left = parseAnd();
        while (left && (isWord("OR") || isOperator("||"))) {
            advance();
            NodePtr right = parseAnd();
            left = right ? combine(Node::Kind::Or, left, right) : nullptr;
        }
        return left;
    }

    NodePtr parseAnd()
    {
        NodePtr left = parseNot();
        while (left && (isWord("AND") || isOperator("&&"))) {
            advance();
            NodePtr right = parseNot();
            left = right ? combine(Node::Kind::And, left, right) : nullptr;
        }
        return left;
    }

    NodePtr parseNot()
    {
        if (isWord("NOT") || isOperator("!")) {
            if (++m_depth > maxDepth)
                return nullptr;
            advance();
            NodePtr operand = parseNot();
            --m_depth;
            return operand ? combine(Node::Kind::Not, operand, nullptr) : nullptr;
        }
        return parsePrimary();
    }

    NodePtr parsePrimary()
    {
        if (m_token.type == Token::Type::Open) {
            if (++m_depth > maxDepth)
                return nullptr;
            advance();
            NodePtr inner = parseOr();
            --m_depth;
            if (!inner || m_token.type != Token::Type::Close)
                return nullptr;
            advance();
            return inner;
        }
        if (isWord("TRUEPREDICATE") || isWord("FALSEPREDICATE")) {
            auto node = std::make_shared<Node>();
            node->kind = isWord("TRUEPREDICATE") ? Node::Kind::True : Node::Kind::False;
            advance();
            return node;
        }
        return parseComparison();
    }

    bool parseOperand(Node::Operand &kind, QVariant &value)
    {
        const Token t = m_token;
        advance();
        switch (t.type) {
        case Token::Type::String: kind = Node::Operand::Constant; value = t.text; return true;
        case Token::Type::Variable: kind = Node::Operand::Variable; value = t.text; return !t.text.isEmpty();
        case Token::Type::Number: {
            kind = Node::Operand::Constant;
            bool ok = false;
            if (t.text.contains(QLatin1Char('.')) || t.text.contains(QLatin1Char('e'), Qt::CaseInsensitive))
                value = t.text.toDouble(&ok);
            else
                value = t.text.toLongLong(&ok);
            return ok;
        }
        case Token::Type::Word: {
            const QString w = t.text.toUpper();
            kind = Node::Operand::Constant;
            if (w == QLatin1String("YES") || w == QLatin1String("TRUE"))
                return value = true, true;
            if (w == QLatin1String("NO") || w == QLatin1String("FALSE"))
                return value = false, true;
            if (w == QLatin1String("NIL") || w == QLatin1String("NULL"))
                return value = QVariant(), true;
            kind = Node::Operand::Key;
            value = t.text;
            return true;
        }
        default: return false;
        }
    }

    NodePtr parseComparison()
    {
        auto node = std::make_shared<Node>();
        node->kind = Node::Kind::Compare;
        if (!parseOperand(node->lhsKind, node->lhs) || m_token.type != Token::Type::Operator)
            return nullptr;
        const QString op = m_token.text;
        if (op == QLatin1String("==") || op == QLatin1String("="))
            node->op = Node::Op::Equal;
        else if (op == QLatin1String("!=") || op == QLatin1String("<>"))
            node->op = Node::Op::NotEqual;
        else if (op == QLatin1String("<"))
            node->op = Node::Op::Less;
        else if (op == QLatin1String("<=") || op == QLatin1String("=<"))
            node->op = Node::Op::LessEqual;
        else if (op == QLatin1String(">"))
            node->op = Node::Op::Greater;
        else if (op == QLatin1String(">=") || op == QLatin1String("=>"))
            node->op = Node::Op::GreaterEqual;
        else
            return nullptr;
        advance();
        if (!parseOperand(node->rhsKind, node->rhs))
            return nullptr;
        return node;
    }

    // Bounds that keep hostile input from exhausting the stack when the tree is walked.
    // Nesting of parentheses and NOT: deeper predicates are refused, so that the
    // SQL form of every parsed predicate stays within what SQLite's parser takes.
    static constexpr int maxDepth = 16;
    static constexpr int maxNodes = 4096;
    int m_nodes = 0;
    Lexer m_lexer;
    Token m_token;
    int m_depth = 0;
};

// ---- Evaluation ------------------------------------------------------------

bool isIntegral(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Bool: case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong:
        return true;
    default:
        return false;
    }
}

bool isNumeric(const QVariant &v)
{
    return isIntegral(v) || v.typeId() == QMetaType::ULongLong || v.typeId() == QMetaType::Double
           || v.typeId() == QMetaType::Float;
}

template<typename T>
int threeWay(const T &x, const T &y)
{
    return x < y ? -1 : (x > y ? 1 : 0);
}

// Numbers compare by value as SQLite compares them: integers exactly, an integer
// and a floating-point number without rounding (long double holds every 64-bit
// integer), NaN with nothing.
std::optional<int> orderNumbers(const QVariant &a, const QVariant &b)
{
    if (isIntegral(a) && isIntegral(b))
        return threeWay(a.toLongLong(), b.toLongLong());
    const auto wide = [](const QVariant &v) {
        if (v.typeId() == QMetaType::ULongLong)
            return static_cast<long double>(v.toULongLong());
        return isIntegral(v) ? static_cast<long double>(v.toLongLong()) : static_cast<long double>(v.toDouble());
    };
    const long double x = wide(a), y = wide(b);
    if (std::isnan(x) || std::isnan(y))
        return std::nullopt;
    return threeWay(x, y);
}

// Text compares by code point, as SQLite's binary collation compares UTF-8.
// UTF-16 code units alone would put U+E000..U+FFFF after the characters beyond
// the BMP; moving the surrogates above them at the first difference fixes that.
int orderText(const QString &a, const QString &b)
{
    const auto rank = [](char16_t unit) -> int {
        if (unit >= 0xD800 && unit <= 0xDFFF)
            return unit + 0x2000;
        return unit >= 0xE000 ? unit - 0x800 : unit;
    };
    const qsizetype common = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < common; ++i) {
        const char16_t p = a.at(i).unicode(), q = b.at(i).unicode();
        if (p != q)
            return rank(p) < rank(q) ? -1 : 1;
    }
    return threeWay(a.size(), b.size());
}

/// Negative, zero or positive; none when the two cannot be ordered. nil is
/// equal to nil but not ordered: nil <= nil does not hold, as in SQL.
std::optional<int> order(const QVariant &a, const QVariant &b)
{
    if (!a.isValid() || !b.isValid())
        return std::nullopt;
    if (isNumeric(a) && isNumeric(b))
        return orderNumbers(a, b);
    if (a.typeId() == QMetaType::QDateTime && b.typeId() == QMetaType::QDateTime)
        return threeWay(a.toDateTime(), b.toDateTime());
    if (a.typeId() == QMetaType::QString && b.typeId() == QMetaType::QString)
        return orderText(a.toString(), b.toString());
    if (a.typeId() == QMetaType::QByteArray && b.typeId() == QMetaType::QByteArray)
        return threeWay(a.toByteArray(), b.toByteArray());
    return std::nullopt;
}

bool holds(Node::Op op, const QVariant &a, const QVariant &b)
{
    const bool bothNil = !a.isValid() && !b.isValid();
    const std::optional<int> o = order(a, b);
    switch (op) {
    case Node::Op::Equal: return bothNil || (o && *o == 0);
    case Node::Op::NotEqual: return !bothNil && (!o || *o != 0);
    case Node::Op::Less: return o && *o < 0;
    case Node::Op::LessEqual: return o && *o <= 0;
    case Node::Op::Greater: return o && *o > 0;
    case Node::Op::GreaterEqual: return o && *o >= 0;
    }
    return false;
}

QString opSql(Node::Op op)
{
    switch (op) {
    case Node::Op::Equal: return QStringLiteral("IS");
    case Node::Op::NotEqual: return QStringLiteral("IS NOT");
    case Node::Op::Less: return QStringLiteral("<");
    case Node::Op::LessEqual: return QStringLiteral("<=");
    case Node::Op::Greater: return QStringLiteral(">");
    case Node::Op::GreaterEqual: return QStringLiteral(">=");
    }
    return {};
}

// The kind of an SQL value as the in-memory evaluation sees it: integers and
// floating-point numbers are both numbers.
QString kindSql(const QString &operand)
{
    return QStringLiteral("replace(typeof(%1), 'integer', 'real')").arg(operand);
}

const char *opText(Node::Op op)
{
    static const char *const texts[] = {"==", "!=", "<", "<=", ">", ">="};
    return texts[int(op)];
}

/// How SQLite stores a constant: booleans as 0/1, dates as seconds since 2001.
/// The driver binds only some number types as numbers (the rest as text, which
/// would compare with nothing), so every number goes as a 64-bit integer or a
/// double; an unsigned one beyond the integers as the double it is compared as.
QVariant sqlValue(const QVariant &v)
{
    if (v.typeId() == QMetaType::Bool)
        return v.toBool() ? 1 : 0;
    if (isIntegral(v))
        return v.toLongLong();
    if (v.typeId() == QMetaType::ULongLong) {
        const quint64 n = v.toULongLong();
        return n <= quint64(std::numeric_limits<qint64>::max()) ? QVariant(qint64(n)) : QVariant(v.toDouble());
    }
    if (v.typeId() == QMetaType::Float)
        return v.toDouble();
    if (v.typeId() == QMetaType::QDateTime)
        return secondsSinceReferenceDate(v.toDateTime());
    return v;
}

QString constantText(const QVariant &v)
{
    if (!v.isValid())
        return QStringLiteral("nil");
    if (v.typeId() == QMetaType::Bool)
        return v.toBool() ? QStringLiteral("YES") : QStringLiteral("NO");
    if (v.typeId() == QMetaType::QString) {
        QString s = v.toString();
        s.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('"'), QLatin1String("\\\""));
        return QLatin1Char('"') + s + QLatin1Char('"');
    }
    if (v.typeId() == QMetaType::Double) {
        // Shortest form, but with an exponent where plain digits would not read
        // back as a 64-bit integer.
        const double d = v.toDouble();
        const QString plain = QString::number(d, 'g', QLocale::FloatingPointShortest);
        const bool readsBack = plain.contains(QLatin1Char('.')) || plain.contains(QLatin1Char('e')) || std::abs(d) < 9.2e18;
        return readsBack ? plain : QString::number(d, 'e', QLocale::FloatingPointShortest);
    }
    return v.toString();
}

// The operands of a chain of one connective, left to right: (a AND b) AND c
// gives a, b, c.
void collectChain(const NodePtr &node, Predicate::Node::Kind kind, QList<NodePtr> &operands)
{
    if (node->kind != kind) {
        operands << node;
        return;
    }
    collectChain(node->left, kind, operands);
    collectChain(node->right, kind, operands);
}

// A chain of one connective written flat: each operand by `write`, joined by the
// connective.
QString writeChain(const NodePtr &node, const std::function<QString(const NodePtr &)> &write)
{
    QList<NodePtr> operands;
    collectChain(node, node->kind, operands);
    QStringList parts;
    for (const NodePtr &operand : operands)
        parts << write(operand);
    return parts.join(node->kind == Predicate::Node::Kind::And ? QStringLiteral(" AND ") : QStringLiteral(" OR "));
}

template<typename Visit>
void forEachComparison(const NodePtr &node, const Visit &visit)
{
    if (!node)
        return;
    if (node->kind == Node::Kind::Compare)
        visit(*node);
    forEachComparison(node->left, visit);
    forEachComparison(node->right, visit);
}

} // namespace

Predicate::Predicate(std::shared_ptr<const Node> root)
    : m_root(std::move(root))
{
}

std::optional<Predicate> Predicate::parse(const QString &format)
{
    NodePtr root = Parser(format).parseAll();
    if (!root)
        return std::nullopt;
    return Predicate(std::move(root));
}

std::optional<Predicate> Predicate::withSubstitutionVariables(const QVariantMap &variables) const
{
    bool complete = true;
    std::function<NodePtr(const NodePtr &)> substitute = [&](const NodePtr &node) -> NodePtr {
        if (!node)
            return nullptr;
        auto copy = std::make_shared<Node>(*node);
        copy->left = substitute(node->left);
        copy->right = substitute(node->right);
        auto replace = [&](Node::Operand &kind, QVariant &value) {
            if (kind != Node::Operand::Variable)
                return;
            const QString name = value.toString();
            if (!variables.contains(name)) {
                complete = false;
                return;
            }
            kind = Node::Operand::Constant;
            value = variables.value(name);
        };
        replace(copy->lhsKind, copy->lhs);
        replace(copy->rhsKind, copy->rhs);
        return copy;
    };
    NodePtr root = substitute(m_root);
    if (!complete)
        return std::nullopt;
    return Predicate(std::move(root));
}

bool Predicate::hasVariables() const
{
    bool found = false;
    forEachComparison(m_root, [&](const Node &n) {
        found = found || n.lhsKind == Node::Operand::Variable || n.rhsKind == Node::Operand::Variable;
    });
    return found;
}

bool Predicate::evaluate(const std::function<QVariant(const QString &)> &valueForKey) const
{
    std::function<bool(const NodePtr &)> eval = [&](const NodePtr &node) -> bool {
        switch (node->kind) {
        case Node::Kind::True: return true;
        case Node::Kind::False: return false;
        case Node::Kind::And: return eval(node->left) && eval(node->right);
        case Node::Kind::Or: return eval(node->left) || eval(node->right);
        case Node::Kind::Not: return !eval(node->left);
        case Node::Kind::Compare: break;
        }
        auto operand = [&](Node::Operand kind, const QVariant &value) {
            return kind == Node::Operand::Key ? valueForKey(value.toString())
                                               : (kind == Node::Operand::Constant ? value : QVariant());
        };
        if (node->lhsKind == Node::Operand::Variable || node->rhsKind == Node::Operand::Variable)
            return false; // an unsubstituted variable matches nothing
        return holds(node->op, operand(node->lhsKind, node->lhs), operand(node->rhsKind, node->rhs));
    };
    return eval(m_root);
}

QString Predicate::toSql(const std::function<QString(const QString &)> &columnForKey, QVariantList &bindings) const
{
    std::function<QString(const NodePtr &)> sql = [&](const NodePtr &node) -> QString {
        switch (node->kind) {
        case Node::Kind::True: return QStringLiteral("1");
        case Node::Kind::False: return QStringLiteral("0");
        case Node::Kind::And:
        case Node::Kind::Or: {
            // A chain of one connective is one flat group: SQLite's parser takes
            // only so much nesting. The operands are written left to right, so
            // the placeholders meet their values in order.
            return QLatin1Char('(') + writeChain(node, sql) + QLatin1Char(')');
        }
        case Node::Kind::Not: {
            // Every comparison is true or false, never unknown, so NOT NOT x is x.
            bool negated = false;
            NodePtr inner = node;
            for (; inner->kind == Node::Kind::Not; inner = inner->left)
                negated = !negated;
            return negated ? QStringLiteral("NOT ") + sql(inner) : sql(inner);
        }
        case Node::Kind::Compare: break;
        }
        if (node->lhsKind == Node::Operand::Variable || node->rhsKind == Node::Operand::Variable)
            return QStringLiteral("0");
        // SQL's NULL would make a comparison unknown, and SQLite orders values of
        // different kinds (and converts them by column affinity) where the
        // in-memory evaluation finds them unordered; so each comparison holds
        // only for values of one kind, and is false, never unknown, otherwise.
        QVariantList lhsBindings, rhsBindings;
        auto operand = [&](Node::Operand kind, const QVariant &value, QVariantList &values) {
            if (kind == Node::Operand::Key)
                return columnForKey(value.toString());
            values << sqlValue(value);
            return QStringLiteral("?");
        };
        const QString lhs = operand(node->lhsKind, node->lhs, lhsBindings);
        const QString rhs = operand(node->rhsKind, node->rhs, rhsBindings);
        bindings << lhsBindings << rhsBindings << lhsBindings << rhsBindings;
        const QString sameKind = kindSql(lhs) + QStringLiteral(" IS ") + kindSql(rhs);
        switch (node->op) {
        case Node::Op::Equal:
            return QStringLiteral("(%1 IS %2 AND %3)").arg(lhs, rhs, sameKind);
        case Node::Op::NotEqual:
            return QStringLiteral("(NOT (%1 IS %2 AND %3))").arg(lhs, rhs, sameKind);
        default:
            return QStringLiteral("COALESCE(%1 %2 %3 AND %4, 0)").arg(lhs, opSql(node->op), rhs, sameKind);
        }
    };
    return sql(m_root);
}

QStringList Predicate::keys() const
{
    QStringList keys;
    forEachComparison(m_root, [&](const Node &n) {
        if (n.lhsKind == Node::Operand::Key)
            keys << n.lhs.toString();
        if (n.rhsKind == Node::Operand::Key)
            keys << n.rhs.toString();
    });
    keys.removeDuplicates();
    return keys;
}

QString Predicate::format() const
{
    // Parentheses only where precedence needs them (AND binds tighter than OR),
    // so that the text nests no deeper than the text it was parsed from.
    std::function<QString(const NodePtr &, Node::Kind)> text = [&](const NodePtr &node, Node::Kind parent) -> QString {
        switch (node->kind) {
        case Node::Kind::True: return QStringLiteral("TRUEPREDICATE");
        case Node::Kind::False: return QStringLiteral("FALSEPREDICATE");
        case Node::Kind::And:
        case Node::Kind::Or: {
            const QString chain = writeChain(node, [&](const NodePtr &operand) { return text(operand, node->kind); });
            const bool bare = parent == Node::Kind::True || (parent == Node::Kind::Or && node->kind == Node::Kind::And);
            return bare ? chain : QLatin1Char('(') + chain + QLatin1Char(')');
        }
        case Node::Kind::Not: return QStringLiteral("NOT ") + text(node->left, Node::Kind::Not);
        case Node::Kind::Compare: break;
        }
        auto operand = [](Node::Operand kind, const QVariant &value) {
            switch (kind) {
            case Node::Operand::Key: return value.toString();
            case Node::Operand::Variable: return QLatin1Char('$') + value.toString();
            case Node::Operand::Constant: return constantText(value);
            }
            return QString();
        };
        return operand(node->lhsKind, node->lhs) + QLatin1Char(' ') + QLatin1String(opText(node->op)) + QLatin1Char(' ')
               + operand(node->rhsKind, node->rhs);
    };
    // The root has no parent: True stands in for "none".
    return text(m_root, Node::Kind::True);
}

} // namespace platform
