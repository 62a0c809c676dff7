#include "platform/store/Predicate.h"

#include "TestSupport.h"

#include <QSqlDatabase>
#include <QSqlQuery>

#include <gtest/gtest.h>

using platform::Predicate;

namespace {

struct Row
{
    QString name;
    QVariant excluded; // bool or null
    qint64 rank;
};

const QList<Row> rows{{QStringLiteral("Alpha"), true, 3},
                      {QStringLiteral("beta"), false, 1},
                      {QStringLiteral("Gamma \"g\""), QVariant(), 2}};

QVariant valueOf(const Row &row, const QString &key)
{
    if (key == QLatin1String("name"))
        return row.name;
    if (key == QLatin1String("excluded"))
        return row.excluded;
    return row.rank;
}

/// The names that match in memory and in SQLite, which must agree.
std::pair<QStringList, QStringList> matches(const Predicate &p)
{
    QStringList inMemory;
    for (const Row &row : rows) {
        if (p.evaluate([&](const QString &k) { return valueOf(row, k); }))
            inMemory << row.name;
    }
    QSqlDatabase db = QSqlDatabase::database(QStringLiteral("predicate-test"));
    QVariantList bindings;
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT name FROM t WHERE ")
              + p.toSql([](const QString &k) { return k; }, bindings) + QStringLiteral(" ORDER BY rowid"));
    for (const QVariant &b : bindings)
        q.addBindValue(b);
    EXPECT_TRUE(q.exec());
    QStringList inSql;
    while (q.next())
        inSql << q.value(0).toString();
    return {inMemory, inSql};
}

} // namespace

TEST(Predicate, MemoryAndSqlAgreeOnEveryForm)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("predicate-test"));
        db.setDatabaseName(QStringLiteral(":memory:"));
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral("CREATE TABLE t (name VARCHAR, excluded INTEGER, rank INTEGER)")));
        for (const Row &row : rows) {
            q.prepare(QStringLiteral("INSERT INTO t VALUES (?, ?, ?)"));
            q.addBindValue(row.name);
            q.addBindValue(row.excluded.isValid() ? QVariant(row.excluded.toBool() ? 1 : 0) : QVariant(QMetaType::fromType<int>()));
            q.addBindValue(row.rank);
            ASSERT_TRUE(q.exec());
        }
    }
    const QList<std::pair<const char *, QStringList>> cases{
        {"excluded == YES", {QStringLiteral("Alpha")}},
        {"excluded = NO", {QStringLiteral("beta")}},
        {"excluded == nil", {QStringLiteral("Gamma \"g\"")}},
        {"excluded != YES", {QStringLiteral("beta"), QStringLiteral("Gamma \"g\"")}},
        {"name == 'alpha'", {}},
        {"name == \"Gamma \\\"g\\\"\"", {QStringLiteral("Gamma \"g\"")}},
        {"rank >= 2 AND NOT (excluded == YES)", {QStringLiteral("Gamma \"g\"")}},
        {"rank < 2 || name == 'Alpha'", {QStringLiteral("Alpha"), QStringLiteral("beta")}},
        {"TRUEPREDICATE", {QStringLiteral("Alpha"), QStringLiteral("beta"), QStringLiteral("Gamma \"g\"")}},
        {"falsepredicate or rank > 2", {QStringLiteral("Alpha")}},
        // nil and values of another kind are unordered, never unknown: NOT of
        // such a comparison holds, and text never compares with a number.
        {"NOT (excluded < 1)", {QStringLiteral("Alpha"), QStringLiteral("Gamma \"g\"")}},
        {"excluded <= nil OR name > 5 OR name == 5", {}},
        {"rank == 3.0 AND rank < 3.5e0", {QStringLiteral("Alpha")}},
        // Too large for a 64-bit integer: printed with its exponent, so it reads back.
        {"rank < 54189245000020642E4", {QStringLiteral("Alpha"), QStringLiteral("beta"), QStringLiteral("Gamma \"g\"")}},
    };
    for (const auto &[format, expected] : cases) {
        SCOPED_TRACE(format);
        const auto p = Predicate::parse(QString::fromUtf8(format));
        ASSERT_TRUE(p);
        const auto [inMemory, inSql] = matches(*p);
        EXPECT_EQ(inMemory, expected);
        EXPECT_EQ(inSql, expected);
        const auto again = Predicate::parse(p->format()); // the normal form parses back to itself
        ASSERT_TRUE(again) << qPrintable(p->format());
        EXPECT_EQ(again->format(), p->format());
    }
    // Substituted values of every number type select as their value does.
    const auto byRank = Predicate::parse(QStringLiteral("rank == $N OR rank > $M"));
    ASSERT_TRUE(byRank);
    for (const auto &[n, m] : QList<std::pair<QVariant, QVariant>>{
             {QVariant(int(3)), QVariant(uint(4000000000u))},
             {QVariant(float(3)), QVariant(quint64(18000000000000000000ull))},
             {QVariant(qint64(3)), QVariant(double(1e30))},
             {QVariant(uint(3)), QVariant(float(5.5))},
             {QVariant(quint64(3)), QVariant(qint64(5))}}) {
        SCOPED_TRACE(n.typeName());
        SCOPED_TRACE(m.typeName());
        const auto bound = byRank->withSubstitutionVariables({{QStringLiteral("N"), n}, {QStringLiteral("M"), m}});
        ASSERT_TRUE(bound);
        const auto [inMemory, inSql] = matches(*bound);
        EXPECT_EQ(inMemory, QStringList{QStringLiteral("Alpha")});
        EXPECT_EQ(inSql, QStringList{QStringLiteral("Alpha")});
    }
    // A long chain is one flat SQL group, within what SQLite's parser takes.
    const auto chain = Predicate::parse(QStringLiteral("rank > 2") + QStringLiteral(" OR rank > 2").repeated(600));
    ASSERT_TRUE(chain);
    EXPECT_EQ(matches(*chain).second, QStringList{QStringLiteral("Alpha")});
    QSqlDatabase::removeDatabase(QStringLiteral("predicate-test"));
}

TEST(Predicate, VariablesAreSubstitutedAndMalformedFormatsRefused)
{
    const auto p = Predicate::parse(QStringLiteral("name == $APPNAME AND URL == $URL"));
    ASSERT_TRUE(p);
    EXPECT_TRUE(p->hasVariables());
    EXPECT_EQ(p->keys(), (QStringList{QStringLiteral("name"), QStringLiteral("URL")}));
    EXPECT_FALSE(p->withSubstitutionVariables({{QStringLiteral("APPNAME"), QStringLiteral("x")}}));
    const auto bound = p->withSubstitutionVariables(
        {{QStringLiteral("APPNAME"), QStringLiteral("Mail")}, {QStringLiteral("URL"), QStringLiteral("file:///M")}});
    ASSERT_TRUE(bound);
    EXPECT_FALSE(bound->hasVariables());
    EXPECT_TRUE(bound->evaluate([](const QString &k) {
        return k == QLatin1String("name") ? QStringLiteral("Mail") : QStringLiteral("file:///M");
    }));

    for (const char *bad : {"", "name ==", "== 1", "(a == 1", "a == 1)", "a === 1", "a == 'open", "a == $",
                            "a == 1 AND", "NOT"}) {
        EXPECT_FALSE(Predicate::parse(QString::fromUtf8(bad))) << bad;
    }
    EXPECT_FALSE(Predicate::parse(QString(100000, QLatin1Char('('))));            // no stack overflow
    EXPECT_FALSE(Predicate::parse(QStringLiteral("a == 1") + QStringLiteral(" AND a == 1").repeated(10000)));
}
