// Fuzzes the text the object store takes from outside: predicate formats (fetch
// templates come from a model file) and object URIs (they arrive in
// notifications from another process).
//
// Any text parses or is refused. A parsed predicate prints a format that parses
// back to the same format, and it selects the same records whether it is
// evaluated in memory (how a controller filters) or run by SQLite as its SQL
// condition (how a fetch filters). An object URI that parses prints a URI that
// parses back to the same ID.

#include "platform/store/ManagedObjectID.h"
#include "platform/store/Predicate.h"

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <sqlite3.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <map>
#include <set>

namespace {

// Records shaped as the store holds them: typed columns, NULL where a value is
// missing, and values that tempt the two evaluations apart (numeric text,
// characters beyond the BMP, integers doubles cannot tell apart).
struct Record
{
    QVariant name, url, excluded, count, score;
};

const Record Records[] = {
    {QStringLiteral("Safari"), QStringLiteral("file:///Applications/Safari.app"), true, 3, 2.5},
    {QVariant(), QStringLiteral(""), false, -1, QVariant()},
    {QStringLiteral("5"), QString::fromUtf8("\xef\xbf\xbd"), QVariant(), qint64(9007199254740993), 1e300},
    {QString::fromUtf8("\xf0\x9f\x98\x80"), QVariant(), true, qint64(9007199254740992), -0.0},
    {QStringLiteral("safari"), QStringLiteral("file:///usr/share/applications/a.desktop"), false, 0, 3.0},
};

const std::map<QString, QString> Columns = {
    {QStringLiteral("name"), QStringLiteral("ZNAME")},   {QStringLiteral("URL"), QStringLiteral("ZURL")},
    {QStringLiteral("excluded"), QStringLiteral("ZEXCLUDED")}, {QStringLiteral("count"), QStringLiteral("ZCOUNT")},
    {QStringLiteral("score"), QStringLiteral("ZSCORE")},
};

QVariant valueOf(const Record &record, const QString &key)
{
    if (key == QLatin1String("name")) return record.name;
    if (key == QLatin1String("URL")) return record.url;
    if (key == QLatin1String("excluded")) return record.excluded;
    if (key == QLatin1String("count")) return record.count;
    if (key == QLatin1String("score")) return record.score;
    return {};
}

[[noreturn]] void fail(const char *what, const QString &detail)
{
    std::fprintf(stderr, "%s: %s\n", what, detail.toUtf8().constData());
    std::abort();
}

void bind(sqlite3_stmt *statement, int index, const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Bool: sqlite3_bind_int(statement, index, value.toBool()); break;
    case QMetaType::Int: case QMetaType::LongLong: sqlite3_bind_int64(statement, index, value.toLongLong()); break;
    case QMetaType::Double: sqlite3_bind_double(statement, index, value.toDouble()); break;
    case QMetaType::QString: {
        const QByteArray text = value.toString().toUtf8();
        sqlite3_bind_text(statement, index, text.constData(), int(text.size()), SQLITE_TRANSIENT);
        break;
    }
    default: sqlite3_bind_null(statement, index); break;
    }
}

sqlite3 *recordsDatabase()
{
    static sqlite3 *const db = [] {
        sqlite3 *handle = nullptr;
        sqlite3_open(":memory:", &handle);
        sqlite3_exec(handle,
                     "CREATE TABLE ZAPPLICATION (Z_PK INTEGER PRIMARY KEY, ZNAME VARCHAR, ZURL VARCHAR,"
                     " ZEXCLUDED INTEGER, ZCOUNT INTEGER, ZSCORE FLOAT)",
                     nullptr, nullptr, nullptr);
        sqlite3_stmt *insert = nullptr;
        sqlite3_prepare_v2(handle, "INSERT INTO ZAPPLICATION VALUES (?, ?, ?, ?, ?, ?)", -1, &insert, nullptr);
        int key = 1;
        for (const Record &record : Records) {
            sqlite3_bind_int(insert, 1, key++);
            bind(insert, 2, record.name);
            bind(insert, 3, record.url);
            bind(insert, 4, record.excluded);
            bind(insert, 5, record.count);
            bind(insert, 6, record.score);
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        return handle;
    }();
    return db;
}

std::set<int> selectedBySql(const platform::Predicate &predicate)
{
    QVariantList bindings;
    const QString condition = predicate.toSql(
        [](const QString &key) {
            const auto column = Columns.find(key);
            return column == Columns.end() ? QStringLiteral("NULL") : column->second;
        },
        bindings);
    const QByteArray sql = "SELECT Z_PK FROM ZAPPLICATION WHERE " + condition.toUtf8();
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(recordsDatabase(), sql.constData(), int(sql.size()), &statement, nullptr) != SQLITE_OK)
        fail("the SQL form does not compile", QString::fromUtf8(sql));
    for (int i = 0; i < bindings.size(); ++i)
        bind(statement, i + 1, bindings.at(i));
    std::set<int> keys;
    while (sqlite3_step(statement) == SQLITE_ROW)
        keys.insert(sqlite3_column_int(statement, 0));
    sqlite3_finalize(statement);
    return keys;
}

std::set<int> selectedInMemory(const platform::Predicate &predicate)
{
    std::set<int> keys;
    int key = 1;
    for (const Record &record : Records) {
        if (predicate.evaluate([&](const QString &name) { return valueOf(record, name); }))
            keys.insert(key);
        ++key;
    }
    return keys;
}

void checkPredicate(const QString &text)
{
    const auto predicate = platform::Predicate::parse(text);
    if (!predicate)
        return;
    const QString format = predicate->format();
    const auto again = platform::Predicate::parse(format);
    if (!again || again->format() != format)
        fail("a predicate's format does not parse back to itself", format);

    // Variables take values of each kind a caller passes.
    const QVariantMap variables{{QStringLiteral("APPNAME"), QStringLiteral("Safari")},
                                {QStringLiteral("URL"), QStringLiteral("file:///Applications/Safari.app")},
                                {QStringLiteral("N"), 3}, {QStringLiteral("X"), 2.5},
                                {QStringLiteral("B"), true}, {QStringLiteral("NIL"), QVariant()}};
    const auto substituted = predicate->withSubstitutionVariables(variables);
    const platform::Predicate &checked = substituted ? *substituted : *predicate;
    const std::set<int> memory = selectedInMemory(checked);
    if (selectedBySql(checked) != memory)
        fail("memory and SQL select different records for", checked.format());
}

void checkObjectURI(const QString &text)
{
    const auto id = platform::ManagedObjectID::fromURIRepresentation(text);
    if (!id)
        return;
    const auto again = platform::ManagedObjectID::fromURIRepresentation(id->uriRepresentation());
    if (!again || !(*again == *id) || id->isTemporaryID() || id->primaryKey() <= 0)
        fail("an object URI does not print back to itself", text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 4096)
        return 0;
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    checkPredicate(text);
    checkObjectURI(text);
    return 0;
}
