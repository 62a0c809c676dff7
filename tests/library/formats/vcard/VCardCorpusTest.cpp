// Real vCard/vCalendar files written elsewhere (../shared/corpus/vcard): every
// well-formed one parses, and its card tree matches what python3-vobject reads
// (names, groups, parameters, decoded values); every malformed one fails
// cleanly or gives what a careful reader expects.

#include "VCardTestSupport.h"
#include "VLvParser.h"
#include "VLvParserCard.h"
#include "VLvParserProperty.h"

#include "TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QSet>

#include <algorithm>
#include <utility>

using PropertyPtr = std::shared_ptr<VLvParserProperty>;
using CardPtr = std::shared_ptr<VLvParserCard>;

namespace {

struct CorpusFile
{
    QString name; // relative to the corpus folder
    bool malformed;
};

// The files INDEX.tsv lists, in its order.
QList<CorpusFile> corpusFiles(const QString &dir)
{
    QList<CorpusFile> files;
    const QList<QByteArray> lines = corvane::test::readFile(dir + QStringLiteral("/INDEX.tsv")).value_or(QByteArray()).split('\n');
    for (const QByteArray &line : lines.mid(1)) {
        const QString name = QString::fromUtf8(line.split('\t').constFirst());
        if (!name.isEmpty())
            files.append({name, name.startsWith(QLatin1String("malformed/"))});
    }
    return files;
}

// Files listed as well formed whose base64 payload is broken beyond what
// padding can mend: the parse fails there, keeping what came before.
// (python3-vobject refuses this photo too.)
const QStringList kBrokenBase64 = {QStringLiteral("ezvcard__John_Doe_ANDROID.vcf")};
// Files listed as well formed that begin with empty lines: a text must begin
// with its BEGIN line, so the parser refuses them whole.
const QStringList kNotBeginningWithBegin = {QStringLiteral("icaljs__newline_junk.ics")};

struct MalformedCase
{
    const char *file;
    bool parses;
    const char *tree; // summary of the top-level cards joined by ' '; null: not checked (fuzzer output)
};

const MalformedCase kMalformed[] = {
    // The lines after the backslash have no ':' and are dropped.
    {"android-vcard__v21_adr_multiple_line.vcf", true, "VCARD(VERSION,N,URL,ADR,ADR,BDAY)"},
    {"android-vcard__v21_invalid_comment_line.vcf", true, "vCard(VERSION,UID,N,FN,NOTE)"},
    {"android-vcard__v21_invalid_multiple_line.vcf", true, "VCARD(VERSION,N,EMAIL,FN)"},
    // A fold inside a parameter value.
    {"eds__13.vcf", true, "vCard(VERSION,FN,ORG,ADR,TEL,TEL,EMAIL,EMAIL,URL,ADR)"},
    {"eds__7.vcf", false, ""}, // no BEGIN line
    {"eds__8.vcf", true, "vCard(VERSION,FN,ORG,ADR,TEL,TEL,EMAIL,EMAIL,URL)"}, // no END line
    {"kcontacts__vcard4.vcf", true, "VCARD(X-EVOLUTION-FILE-AS,N,LABEL,TEL,TEL,EMAIL,URL,ORG,NOTE,UID)"},
    {"l0b0-vcard__continuation_at_start.vcf", false, ""},
    {"l0b0-vcard__dot_at_line_start.vcf", false, ""},
    {"l0b0-vcard__invalid_begin.vcf", true, "VCARDinvalid(VERSION,N,FN)"},
    {"l0b0-vcard__missing_end.vcf", true, "VCARD(VERSION,N,FN)"},
    {"l0b0-vcard__missing_properties.vcf", true, "VCARD()"},
    {"l0b0-vcard__missing_start.vcf", false, ""},
    {"libical__fuzz448717854", true, nullptr},
    {"libical__fuzz464655084", false, nullptr},
    {"libical__fuzzmerge1", false, ""},
    {"libical__issue252.ics", false, "VCALENDAR()"}, // 'VERSIGN;b=:' has an empty parameter value
    {"libical__malloc.ics", false, nullptr}, // a line ends inside a quoted parameter value
    {"libical__poc-05", true, "VCALENDAR(card:xEVENT(SUMMARY),card:xEVEAR(EGIN))"},
    {"libical__stresstest.ics", true, nullptr},
    {"libical__vcardfuzz479881583", false, ""},
    {"libical__vcardfuzz479882034a", false, ""},
    {"libical__vcardfuzz485932113", false, ""},
    {"libical__vcardfuzz486715154", false, ""},
    {"libical__vcardfuzz488194780", false, ""},
    {"libical__zday.ics", false, "VCALENDAR(VERSION,PRODID,CALSCALE)"}, // 'METHOD;a=;' likewise
    // Decoding the bytes as UTF-8 drops the byte-order mark already.
    {"python-icalendar__bom_calendar.ics", true, "VCALENDAR()"},
    {"python-icalendar__broken_ical.ics", true, "VCALENDAR(card:VEVENT(SUMMARY,DTSTART,UID))"},
    {"python-icalendar__fuzz_testcase_vtimezone_lone_cr.ics", true, "VTIMEZONE(TZID)"},
    {"python-icalendar__issue_351_whitespace_in_property_and_params.ics", true,
     "VCALENDAR(VERSION,PRODID,REFRESH-INTERVAL,card:VEVENT(UID,DTSTAMP,DTSTART,SUMMARY))"},
    {"radicale__broken-vevent.ics", true,
     "VCALENDAR(PRODID,VERSION,card:VEVENT(CREATED,LAST-MODIFIED,DTSTAMP,UID,SUMMARY,STATUS,X-MOZ-LASTACK,DTSTART,"
     "DTEND,CLASS,X-LIC-ERROR))"},
};

// One pass over the index: the tokenizer gives the same callbacks fed whole
// and one byte at a time; every well-formed file parses; every malformed one
// fails cleanly or gives what a careful reader expects.
TEST(VCardCorpus, EveryFileTokenizesAlikeInAnyChunksAndParsesAsExpected)
{
    CORVANE_REQUIRE_CORPUS(dir, "vcard");
    const QList<CorpusFile> files = corpusFiles(dir);
    ASSERT_FALSE(files.isEmpty());
    QSet<QString> expectationsUsed;
    for (const CorpusFile &file : files) {
        SCOPED_TRACE(file.name.toStdString());
        const auto bytes = corvane::test::readFile(dir + u'/' + file.name);
        ASSERT_TRUE(bytes);
        const card_events::Outcome whole = card_events::feed(bytes->toStdString(), false);
        const card_events::Outcome bytewise = card_events::feed(bytes->toStdString(), true);
        EXPECT_EQ(whole.result, bytewise.result);
        EXPECT_EQ(whole.events, bytewise.events);
        const card_events::Outcome reference = card_events::feedWithoutRuns(bytes->toStdString());
        EXPECT_EQ(whole.result, reference.result);
        EXPECT_EQ(whole.events, reference.events);

        VLvParser parser;
        const bool parsed = parser.parseString(QString::fromUtf8(*bytes));
        for (const CardPtr &card : parser.cards())
            EXPECT_FALSE(card->description().isEmpty());
        if (!file.malformed) {
            const bool broken = kBrokenBase64.contains(file.name);
            if (!broken) {
                EXPECT_EQ(whole.result, -1) << "the raw bytes tokenize";
            }
            if (kNotBeginningWithBegin.contains(file.name)) {
                EXPECT_FALSE(parsed);
                EXPECT_TRUE(parser.cards().isEmpty());
                continue;
            }
            EXPECT_EQ(parsed, !broken);
            EXPECT_FALSE(parser.cards().isEmpty());
            for (const CardPtr &card : parser.cards())
                EXPECT_TRUE(card->cardName());
            continue;
        }
        const auto expected = std::find_if(std::begin(kMalformed), std::end(kMalformed), [&](const MalformedCase &c) {
            return file.name == QLatin1String("malformed/") + QLatin1String(c.file);
        });
        if (expected == std::end(kMalformed)) {
            ADD_FAILURE() << "no expectation here";
            continue;
        }
        expectationsUsed.insert(QLatin1String(expected->file));
        EXPECT_EQ(parsed, expected->parses);
        if (expected->tree) {
            EXPECT_EQ(card_events::summary(parser), QLatin1String(expected->tree));
        }
    }
    for (const MalformedCase &c : kMalformed)
        EXPECT_TRUE(expectationsUsed.contains(QLatin1String(c.file))) << c.file << " is not in the index";
}

// ---- the cross-check with python3-vobject ---------------------------------------------------

// A tree as flat facts that the two readers' conventions meet in: per card its
// upper-case name ("card[0]/VEVENT[1] name"), per content line its parameters
// and decoded value bytes ("card[0] TEL[1] value"), lines numbered per name in
// input order. Names are upper case ('_' read as '-', as vobject does);
// parameter values are split at commas outside quotes and unquoted.
struct Facts
{
    QMap<QString, QByteArray> values;
    QMap<QString, int> seen;

    void line(const QString &path, const QString &key, const QStringList &params, const QByteArray &value)
    {
        const QString at = QStringLiteral("%1 %2[%3] ").arg(path, key).arg(seen[path + u' ' + key]++);
        values[at + QStringLiteral("parameters")] = params.join(u';').toUtf8();
        values[at + QStringLiteral("value")] = value;
    }
    QString card(const QString &path, const QString &name)
    {
        const QString at = QStringLiteral("%1/%2[%3]").arg(path, name.toUpper()).arg(seen[path + u'/' + name.toUpper()]++);
        values[at + QStringLiteral(" name")] = name.toUpper().toUtf8();
        return at;
    }
};

QString lineKey(const QString &group, const QString &name)
{
    const QString upper = name.toUpper().replace(u'_', u'-');
    return group.isEmpty() ? upper : group.toUpper() + u'.' + upper;
}

QStringList paramsOf(const VLvParserProperty &property)
{
    QStringList params;
    for (qsizetype i = 0; i < property.count(); ++i) {
        const QString name = property.labelAtIndex(i).toUpper();
        const auto value = property.valueAtIndex(i);
        if (!value) {
            params.append(name);
            continue;
        }
        QStringList values{QString()};
        bool quoted = false;
        for (QChar c : *value) {
            if (c == u'"')
                quoted = !quoted;
            else if (c == u',' && !quoted)
                values.append(QString());
            else
                values.last() += c;
        }
        params.append(name + u'=' + values.join(u'|'));
    }
    return params;
}

void collect(const VLvParserCard &card, const QString &path, Facts &facts)
{
    for (qsizetype i = 0; i < card.count(); ++i) {
        const VLvParserEntry entry = card.propertyAtIndex(i);
        if (const auto *property = std::get_if<PropertyPtr>(&entry)) {
            facts.line(path, lineKey(QString(), card.nameAtIndex(i)), paramsOf(**property), (*property)->data());
        } else if (const auto *nested = std::get_if<CardPtr>(&entry)) {
            collect(**nested, facts.card(path, (*nested)->cardName().value_or(QString())), facts);
        } else {
            const VLvParserGroup &group = std::get<VLvParserGroup>(entry);
            for (auto it = group.cbegin(); it != group.cend(); ++it)
                facts.line(path, lineKey(card.nameAtIndex(i), it.key()), paramsOf(*it.value()), it.value()->data());
        }
    }
}

void collect(const QJsonObject &component, const QString &path, Facts &facts)
{
    QMap<QString, std::pair<QStringList, QByteArray>> grouped; // a group keeps the last property of a name
    for (const QJsonValue &value : component.value(u"lines").toArray()) {
        const QJsonObject line = value.toObject();
        QStringList params;
        for (const QJsonValue &param : line.value(u"params").toArray()) {
            QStringList parts;
            for (const QJsonValue &part : param.toArray())
                parts.append(part.toString());
            const QString name = parts.takeFirst().toUpper();
            // vobject keeps "NAME=" with no value as a name with an empty value list.
            params.append(param.toArray().size() > 1 ? name + u'=' + parts.join(u'|') : name);
        }
        const QByteArray bytes = QByteArray::fromBase64(line.value(u"value").toString().toLatin1());
        const QString key = lineKey(line.value(u"group").toString(), line.value(u"name").toString());
        if (line.value(u"group").isString())
            grouped[key] = {params, bytes};
        else
            facts.line(path, key, params, bytes);
    }
    for (auto it = grouped.cbegin(); it != grouped.cend(); ++it)
        facts.line(path, it.key(), it->first, it->second);
    for (const QJsonValue &child : component.value(u"children").toArray())
        collect(child.toObject(), facts.card(path, child.toObject().value(u"name").toString()), facts);
}

// Where the two readers disagree by design; each entry must still match a
// difference, so that the list cannot go stale.
struct KnownDifference
{
    const char *file;
    const char *contains; // "" for every difference of the file
    const char *why;
};

const KnownDifference kKnownDifferences[] = {
    {"android-vcard__v30_ios_613_multiline.vcf", "PHOTO[0] value",
     "CR CR LF line ends leave empty lines between a photo's folded lines; here empty lines vanish and the photo "
     "stays whole, vobject ends it at the first one"},
    {"python-icalendar__multiple_calendar_components.ics", "",
     "every name is followed by an empty line, then its folded ':value'; vobject drops them all"},
    {"icaljs__property_params.ics", "ATTENDEE[8] parameters",
     "outside quotes a backslash escapes the next byte in a parameter value (vCard 2.1); vobject keeps it"},
    {"kcontacts__vcard_legacy_messaging_fields.vcf", "X-MESSAGING/", "vobject skips names holding a '/'"},
    {"opensync__kdepim-photo1-2.1.vcf", "X-MESSAGING/", "vobject skips names holding a '/'"},
    {"opensync__kdepim-umlaute-2.1.vcf", "X-MESSAGING/", "vobject skips names holding a '/'"},
    {"l0b0-vcard__maximal.vcf", "PROFILE[0]", "vobject takes PROFILE as a directive, not a property"},
    {"radicale__event_issue2172.ics", "parameters",
     "an unquoted parameter value loses the blanks at its end as at its start; vobject keeps those at the end"},
};

TEST(VCardCorpus, CardTreesMatchPythonVobject)
{
    CORVANE_REQUIRE_CORPUS(dir, "vcard");
    QStringList paths;
    for (const CorpusFile &file : corpusFiles(dir)) {
        if (!file.malformed && !kBrokenBase64.contains(file.name) && !kNotBeginningWithBegin.contains(file.name))
            paths.append(dir + u'/' + file.name);
    }
    QProcess dump;
    dump.start(QStringLiteral(CORVANE_VOBJECT_PYTHON), QStringList{QStringLiteral(CORVANE_VOBJECT_DUMP)} + paths);
    if (!dump.waitForFinished(300000) || dump.exitCode() != 0)
        GTEST_SKIP() << "python3-vobject did not run (" << dump.readAllStandardError().trimmed().toStdString()
                     << "): cross-check skipped";
    const QJsonObject reports = QJsonDocument::fromJson(dump.readAllStandardOutput()).object();
    ASSERT_EQ(reports.size(), paths.size());

    const auto shown = [](const Facts &facts, const QString &key) {
        return facts.values.contains(key)
                   ? u'\'' + QString::fromUtf8(facts.values.value(key).left(60).toPercentEncoding(" ;:,=/")) + u'\''
                   : QStringLiteral("(none)");
    };
    QSet<const KnownDifference *> used;
    for (const QString &path : paths) {
        const QString name = path.mid(dir.size() + 1);
        const QJsonObject report = reports.value(path).toObject();
        ASSERT_TRUE(report.contains(u"components"))
            << qPrintable(name) << ": vobject: " << qPrintable(report.value(u"error").toString());

        VLvParser parser;
        EXPECT_TRUE(parser.parseString(QString::fromUtf8(corvane::test::readFile(path).value_or(QByteArray()))))
            << qPrintable(name);
        Facts ours, theirs;
        for (const CardPtr &card : parser.cards())
            collect(*card, ours.card(QStringLiteral("top"), card->cardName().value_or(QString())), ours);
        for (const QJsonValue &component : report.value(u"components").toArray())
            collect(component.toObject(), theirs.card(QStringLiteral("top"), component.toObject().value(u"name").toString()),
                    theirs);
        QStringList keys = ours.values.keys() + theirs.values.keys();
        keys.removeDuplicates();
        QStringList differences;
        for (const QString &key : keys) {
            if (ours.values.contains(key) != theirs.values.contains(key) || ours.values.value(key) != theirs.values.value(key))
                differences.append(key + u' ' + shown(ours, key) + QStringLiteral(", vobject ") + shown(theirs, key));
        }
        differences.removeIf([&](const QString &difference) {
            for (const KnownDifference &known : kKnownDifferences) {
                if (name == QLatin1String(known.file) && difference.contains(QLatin1String(known.contains))) {
                    used.insert(&known);
                    return true;
                }
            }
            return false;
        });
        EXPECT_TRUE(differences.isEmpty()) << qPrintable(name) << ":\n  "
                                           << qPrintable(differences.join(QStringLiteral("\n  ")));
    }
    for (const KnownDifference &known : kKnownDifferences)
        EXPECT_TRUE(used.contains(&known)) << "stale known difference: " << known.file << " " << known.contains;
}

} // namespace
