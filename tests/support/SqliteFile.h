#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <gtest/gtest.h>

/// A connection of its own to an SQLite file, as another program holds one: to read
/// what a store wrote behind its back, or to hold the file locked while it lives
/// (a transaction begun here ends when the connection goes). Each statement must run,
/// or the test fails. Header-only: a test that includes it links Qt6::Sql.
namespace corvane::test {

class SqliteFile
{
public:
    explicit SqliteFile(const QString &path)
        : m_name(QStringLiteral("sqlite-file-%1").arg(quintptr(this)))
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
        EXPECT_TRUE(db.open()) << qPrintable(path);
    }
    ~SqliteFile() { QSqlDatabase::removeDatabase(m_name); }
    SqliteFile(const SqliteFile &) = delete;
    SqliteFile &operator=(const SqliteFile &) = delete;

    QSqlQuery query() const { return QSqlQuery(QSqlDatabase::database(m_name)); }

    bool exec(const QString &statement) const
    {
        QSqlQuery q = query();
        const bool ran = q.exec(statement);
        EXPECT_TRUE(ran) << qPrintable(statement) << ": " << qPrintable(q.lastError().text());
        return ran;
    }

    /// Each row of the result with its columns joined by single spaces.
    QStringList rows(const QString &statement) const
    {
        QSqlQuery q = query();
        EXPECT_TRUE(q.exec(statement)) << qPrintable(statement);
        QStringList rows;
        while (q.next()) {
            QStringList columns;
            for (int i = 0; i < q.record().count(); ++i)
                columns << q.value(i).toString();
            rows << columns.join(u' ');
        }
        return rows;
    }

    /// The first column of the first row; none without a row.
    QVariant value(const QString &statement) const
    {
        QSqlQuery q = query();
        EXPECT_TRUE(q.exec(statement)) << qPrintable(statement);
        return q.next() ? q.value(0) : QVariant();
    }

private:
    QString m_name;
};

/// One value of the SQLite file at `path`, read on a connection of its own.
inline QVariant sqlValue(const QString &path, const QString &statement)
{
    return SqliteFile(path).value(statement);
}

} // namespace corvane::test
