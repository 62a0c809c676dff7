#include "TypedStreamTestSupport.h"

#include "platform/archive/TypedStream.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QTimeZone>

using namespace platform;

namespace {

const ArchiveClassRegistry &keyComboRegistry()
{
    static ArchiveClassRegistry registry;
    static const bool filled = [] {
        registry.registerFoundationClasses();
        registry.registerClass<TestKeyCombo>();
        return true;
    }();
    Q_UNUSED(filled);
    return registry;
}

QString errorOf(const QByteArray &archive, const ArchiveClassRegistry &registry = keyComboRegistry())
{
    const auto result = Unarchiver::unarchiveObjectWithData(archive, registry);
    return result ? QString() : result.error().description;
}

/// A record that archives its fields as objects and a boolean as "c".
class TestRecord : public ArchivedObject
{
public:
    static constexpr ArchivedClass archivedClass{"VLCalendarTask", 0, &ArchivedClass::NSObject};
    const ArchivedClass &classForArchiver() const override { return archivedClass; }
    void encodeWithCoder(Archiver &coder) const override
    {
        coder.encodeObject(summary);
        coder.encodeObject(due);
        coder.encodeValueOfObjCType("c", dateOnly);
        coder.encodeObject(completed);
    }
    void initWithCoder(Unarchiver &coder) override
    {
        summary = coder.decodeObject();
        due = coder.decodeObject();
        dateOnly = coder.decodeValueOfObjCType("c").toLongLong() != 0;
        completed = coder.decodeObject();
    }
    QVariant summary, due, completed;
    bool dateOnly = false;
};

/// An object whose contents refer back to itself.
class TestLoop : public ArchivedObject
{
public:
    static constexpr ArchivedClass archivedClass{"Loop", 0, &ArchivedClass::NSObject};
    const ArchivedClass &classForArchiver() const override { return archivedClass; }
    void encodeWithCoder(Archiver &coder) const override { coder.encodeObject(this); }
    void initWithCoder(Unarchiver &coder) override { self = coder.decodeObject(); }
    QVariant self;
};

} // namespace

TEST(Unarchiver, ReadsTheWorkedExamplesInBothByteOrders)
{
    for (const auto &[archive, code, modifiers] :
         {std::tuple{keyCombo36, 36, 256}, std::tuple{keyComboCleared, -1, -1}}) {
        const auto decoded = Unarchiver::unarchiveObjectWithData<TestKeyCombo>(archive, keyComboRegistry());
        ASSERT_TRUE(decoded) << decoded.error().description.toStdString();
        EXPECT_EQ(decoded.value()->keyCode, code);
        EXPECT_EQ(decoded.value()->modifiers, modifiers);
    }
    QByteArray bigEndian = keyCombo36;
    bigEndian.replace(2, 11, "typedstream");
    bigEndian.replace(13, 3, hex("81 03 E8"));
    bigEndian.replace(bigEndian.size() - 3, 2, hex("01 00"));
    const auto decoded = Unarchiver::unarchiveObjectWithData<TestKeyCombo>(bigEndian, keyComboRegistry());
    ASSERT_TRUE(decoded) << decoded.error().description.toStdString();
    EXPECT_EQ(decoded.value()->modifiers, 256);
}

TEST(Unarchiver, RefusesClassesItDoesNotKnowAsArchived)
{
    ArchiveClassRegistry empty;
    EXPECT_EQ(errorOf(keyCombo36, empty), QStringLiteral("unknown class KeyCombo : NSObject"));

    static constexpr ArchivedClass view{"NSView", 0, &ArchivedClass::NSObject};
    static constexpr ArchivedClass keyComboOnView{"KeyCombo", 0, &view};
    ArchiveClassRegistry other;
    other.registerClass(keyComboOnView, [](Unarchiver &) { return QVariant(1); });
    EXPECT_TRUE(errorOf(keyCombo36, other).startsWith(QLatin1String("unexpected class chain")));

    QByteArray newerVersion = keyCombo36;
    newerVersion[31] = 0x01; // KeyCombo version 1
    EXPECT_TRUE(errorOf(newerVersion).startsWith(QLatin1String("unexpected class chain")));

    const QByteArray string = Archiver::archivedDataWithRootObject(QVariant(QStringLiteral("x")));
    const auto notAKeyCombo = Unarchiver::unarchiveObjectWithData<TestKeyCombo>(string, keyComboRegistry());
    ASSERT_FALSE(notAKeyCombo);
    EXPECT_EQ(notAKeyCombo.error().description, QStringLiteral("the root object is not a KeyCombo"));
}

TEST(Unarchiver, RefusesValuesOtherThanTheDecoderReads)
{
    QByteArray intInsteadOfShort = keyCombo36;
    intInsteadOfShort[47] = 'i';
    EXPECT_EQ(errorOf(intInsteadOfShort), QStringLiteral("a value of type \"i\" where one of type \"s\" is read"));

    struct ShortOnly : TestKeyCombo
    {
        void initWithCoder(Unarchiver &coder) override { coder.decodeValueOfObjCType("s"); }
    };
    ArchiveClassRegistry registry;
    registry.registerClass(TestKeyCombo::archivedClass, [](Unarchiver &coder) {
        auto object = std::make_shared<ShortOnly>();
        object->initWithCoder(coder);
        return archivedObjectVariant(object);
    });
    EXPECT_EQ(errorOf(keyCombo36, registry), QStringLiteral("values of KeyCombo : NSObject left unread"));

    EXPECT_EQ(errorOf(keyCombo36 + hex("92 85")), QStringLiteral("more than one value at the top level of the archive"));
    EXPECT_EQ(errorOf(header + hex("84 01 73 24")), QStringLiteral("a value of type \"s\" where one of type \"@\" is read"));
    EXPECT_EQ(errorOf(header), QStringLiteral("no value left where one of type \"@\" is read"));
}

TEST(Unarchiver, RefusesEveryTruncationOfTheWorkedExamples)
{
    for (const QByteArray &archive : {keyCombo36, keyComboCleared}) {
        for (qsizetype length = 0; length < archive.size(); ++length) {
            const QByteArray cut = archive.left(length);
            EXPECT_FALSE(Unarchiver::unarchiveObjectWithData(cut, keyComboRegistry())) << length;
            // A bare header is a well-formed empty stream; nothing shorter or longer is.
            EXPECT_EQ(bool(TypedStream::read(cut)), length == header.size()) << length;
        }
    }
}

TEST(Unarchiver, RefusesAnObjectThatContainsItself)
{
    TestLoop loop;
    const QByteArray archive = Archiver::archivedDataWithRootObject(loop);
    EXPECT_TRUE(archive.endsWith(hex("85 92 92 86"))); // "@" and a reference to object 0
    ArchiveClassRegistry registry;
    registry.registerClass<TestLoop>();
    EXPECT_EQ(errorOf(archive, registry), QStringLiteral("an object refers back to an object still being decoded"));
}

TEST(Unarchiver, ObjectsHoldingFoundationValuesNilAndBooleansRoundTrip)
{
    const QDateTime date = QDateTime::fromMSecsSinceEpoch(1700000000123, QTimeZone::utc());
    const QVariantMap value{
        {QStringLiteral("text"), QStringLiteral("Grüße, 世界 🅱️")},
        {QStringLiteral("empty"), QString()},
        {QStringLiteral("\uFEFFtext"), QStringLiteral("\uFEFF")},    // U+FEFF is text, not a byte-order mark
        {QStringLiteral("data"), hex("00 FF 84 85 86")},
        {QStringLiteral("date"), date},
        {QStringLiteral("yes"), true},
        {QStringLiteral("negative"), qlonglong(-123456789012)},
        {QStringLiteral("large"), qulonglong(18446744073709551615ull)},
        {QStringLiteral("real"), 0.1358},
        {QStringLiteral("float"), 3.5f},
        {QStringLiteral("list"), QVariantList{1, QStringLiteral("two"), QVariantList{}, QVariantMap{}}},
    };
    TestRecord record;
    record.summary = value;
    record.due = QDateTime(QDate(2024, 2, 29), QTime(12, 0), QTimeZone::utc());
    record.dateOnly = true;
    ArchiveClassRegistry registry;
    registry.registerFoundationClasses();
    registry.registerClass<TestRecord>();

    const auto decoded = Unarchiver::unarchiveObjectWithData<TestRecord>(Archiver::archivedDataWithRootObject(record), registry);
    ASSERT_TRUE(decoded) << decoded.error().description.toStdString();
    const QVariantMap map = decoded.value()->summary.toMap();
    EXPECT_EQ(map, value);
    EXPECT_EQ(map.value(QStringLiteral("date")).toDateTime(), date);
    EXPECT_EQ(map.value(QStringLiteral("yes")).typeId(), QMetaType::Bool);
    EXPECT_EQ(map.value(QStringLiteral("float")).typeId(), QMetaType::Float);
    EXPECT_EQ(decoded.value()->due, record.due);
    EXPECT_TRUE(decoded.value()->dateOnly);
    EXPECT_TRUE(decoded.value()->completed.isNull());
}

TEST(Unarchiver, DecodersReadTopLevelValuesInOrder)
{
    Archiver archiver;
    archiver.encodeValuesOfObjCTypes("sl{_NSPoint=ff}[2q]", {qint16(-5), 70000, ArchiveValue::compound({1.5f, 2}),
                                                              ArchiveValue::compound({qint64(1) << 40, -1})});
    archiver.encodeValueOfObjCType(":", "setKeyCombo:");
    Unarchiver coder(archiver.archiverData());
    EXPECT_EQ(coder.versionForClassName("NSObject"), std::nullopt);
    const QList<ArchiveValue> values = coder.decodeValuesOfObjCTypes("sl{_NSPoint=ff}[2q]");
    ASSERT_EQ(values.size(), 4);
    EXPECT_EQ(values[0].toLongLong(), -5);
    EXPECT_EQ(values[1].toLongLong(), 70000);
    EXPECT_EQ(values[2].elements().value(0).toDouble(), 1.5);
    EXPECT_EQ(values[3].elements().value(0).toLongLong(), qint64(1) << 40);
    EXPECT_EQ(coder.decodeValueOfObjCType(":").toByteArray(), "setKeyCombo:");
    EXPECT_TRUE(coder.isAtEnd());
    EXPECT_FALSE(coder.hasFailed());
    // Past the end: a failure, and none from then on.
    EXPECT_TRUE(coder.decodeValueOfObjCType("s").isNone());
    EXPECT_TRUE(coder.hasFailed());
}
