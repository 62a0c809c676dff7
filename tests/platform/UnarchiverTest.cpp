#include "TypedStreamTestSupport.h"

#include <gtest/gtest.h>

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

/// A class of its own name that derives from TestKeyCombo.
class TestLabelledKeyCombo : public TestKeyCombo
{
public:
    static constexpr ArchivedClass archivedClass{"LabelledKeyCombo", 0, &ArchivedClass::NSObject};
    using TestKeyCombo::TestKeyCombo;
    const ArchivedClass &classForArchiver() const override { return archivedClass; }
};

} // namespace

TEST(Unarchiver, ReturnsTheRootAsAnyClassItDerivesFrom)
{
    ArchiveClassRegistry registry;
    registry.registerClass<TestLabelledKeyCombo>();
    const QByteArray archive = Archiver::archivedDataWithRootObject(TestLabelledKeyCombo(36, 256));
    const auto asBase = Unarchiver::unarchiveObjectWithData<TestKeyCombo>(archive, registry);
    ASSERT_TRUE(asBase) << asBase.error().description.toStdString();
    EXPECT_EQ((*asBase)->modifiers, 256);
    EXPECT_TRUE(std::dynamic_pointer_cast<TestLabelledKeyCombo>(*asBase));
}

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

TEST(Unarchiver, RefusesAnObjectThatContainsItself)
{
    TestLoop loop;
    const QByteArray archive = Archiver::archivedDataWithRootObject(loop);
    EXPECT_TRUE(archive.endsWith(hex("85 92 92 86"))); // "@" and a reference to object 0
    ArchiveClassRegistry registry;
    registry.registerClass<TestLoop>();
    EXPECT_EQ(errorOf(archive, registry), QStringLiteral("an object refers back to an object still being decoded"));
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

TEST(Unarchiver, KeepsWhatItReadsOnceTheInputIsGone)
{
    Archiver archiver;
    archiver.encodeValueOfObjCType("%", "shared");
    archiver.encodeObject(archivedObjectVariant(std::make_shared<TestKeyCombo>(36, 256)));
    auto input = std::make_unique<QByteArray>(archiver.archiverData().constData(), archiver.archiverData().size());
    Unarchiver coder(*input, keyComboRegistry());
    input->fill('\x85'); // what the coder still read from here would now be nil tags
    input.reset();
    EXPECT_EQ(coder.versionForClassName("KeyCombo"), 0);
    EXPECT_EQ(coder.decodeValueOfObjCType("%").toByteArray(), "shared");
    const auto combo = archivedObjectCast<TestKeyCombo>(coder.decodeObject());
    ASSERT_TRUE(combo) << coder.error().value_or(ArchiveError{}).description.toStdString();
    EXPECT_EQ(combo->modifiers, 256);
}

TEST(Unarchiver, ReadsSharedStringsBackFromTheirFirstWriting)
{
    // The second C string and the second atom are references to the first ones
    // (the object table, then the string table); nil stays nil.
    Archiver archiver;
    archiver.encodeValuesOfObjCTypes("*%*+", {"ab", "cd", "ab", "ab"});
    archiver.encodeValuesOfObjCTypes("%*", {"cd", ArchiveValue()});
    Unarchiver coder(archiver.archiverData());
    EXPECT_EQ(coder.decodeValuesOfObjCTypes("*%*+"), (QList<ArchiveValue>{"ab", "cd", "ab", "ab"}));
    EXPECT_EQ(coder.decodeValuesOfObjCTypes("%*"), (QList<ArchiveValue>{"cd", ArchiveValue()}));
    EXPECT_FALSE(coder.hasFailed());
}
