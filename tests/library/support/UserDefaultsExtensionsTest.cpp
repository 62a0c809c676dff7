// Values of another application's domain through the real domain files of the sandbox's
// $XDG_CONFIG_HOME, a float in the application's own domain, and the separators of the
// locale's formats.

#include "UserDefaultsExtensions.h"

#include "TestSupport.h"

#include "platform/core/Exception.h"
#include "platform/plist/PropertyList.h"
#include "platform/plist/UserDefaults.h"

#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QSet>
#include <QUrl>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

class UserDefaultsExtensionsTest : public ::testing::Test
{
protected:
    // A domain of its own for each test, as another application's would be.
    QString applicationID() const
    {
        return QStringLiteral("com.example.")
               + QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    QString domainPath() const { return defaults.pathForDomain(applicationID()); }
    QVariantMap domainOnDisk() const
    {
        const auto bytes = corvane::test::readFile(domainPath());
        return bytes ? platform::readPropertyList(*bytes).value.toMap() : QVariantMap();
    }

    platform::UserDefaults defaults{QStringLiteral("com.example.Own")};
};

TEST_F(UserDefaultsExtensionsTest, readsOnlyNumbersAsBooleansAndIntegers)
{
    struct Row
    {
        const char *name;
        QVariant value;
        bool boolean;
        qint32 integer;
    };
    const Row rows[] = {
        {"true", true, true, 1},
        {"false", false, false, 0},
        {"5", 5, true, 5},
        {"-7", qint64(-7), true, -7},
        {"2^32 + 3 keeps its low bits", qint64(0x100000003), true, 3},
        {"unsigned", quint64(0xFFFFFFFFFFFFFFFFULL), true, -1},
        {"real truncated", -2.9, true, -2},
        {"real beyond the range", 1e12, true, std::numeric_limits<qint32>::max()},
        {"NaN", std::nan(""), true, 0},
        {"half", 0.5, true, 0},
        {"string 12", QStringLiteral("12"), false, 0},
        {"string YES", QStringLiteral("YES"), false, 0},
        {"data", QByteArray("\x01", 1), false, 0},
        {"array", QVariantList{1}, false, 0},
    };
    for (const Row &row : rows) {
        vl::setObject(defaults, row.value, QStringLiteral("key"), applicationID());
        EXPECT_EQ(vl::boolForKey(defaults, QStringLiteral("key"), applicationID()), row.boolean) << row.name;
        EXPECT_EQ(vl::integerForKey(defaults, QStringLiteral("key"), applicationID()), row.integer) << row.name;
    }
    EXPECT_FALSE(vl::boolForKey(defaults, QStringLiteral("absent"), applicationID()));
    EXPECT_EQ(vl::integerForKey(defaults, QStringLiteral("absent"), applicationID()), 0);
}

TEST_F(UserDefaultsExtensionsTest, writesTheDomainFileOnSynchronize)
{
    // Another process's key in the file survives.
    platform::UserDefaults other(applicationID());
    ASSERT_TRUE(other.setObject(QStringLiteral("theirs"), QStringLiteral("kept")));

    vl::setBool(defaults, true, QStringLiteral("flag"), applicationID());
    vl::setInteger(defaults, 12, QStringLiteral("count"), applicationID());
    EXPECT_EQ(vl::integerForKey(defaults, QStringLiteral("flag"), applicationID()), 1) << "seen before it is written";
    EXPECT_FALSE(domainOnDisk().contains(QStringLiteral("flag"))) << "not written before synchronizing";

    ASSERT_TRUE(vl::synchronizeInApplicationID(defaults, applicationID()));
    const QVariantMap written = domainOnDisk();
    EXPECT_EQ(written.value(QStringLiteral("flag")), QVariant(true));
    EXPECT_EQ(written.value(QStringLiteral("count")).toLongLong(), 12);
    EXPECT_EQ(written.value(QStringLiteral("kept")), QVariant(QStringLiteral("theirs")));
    EXPECT_EQ(vl::integerForKey(defaults, QStringLiteral("flag"), applicationID()), 1) << "read back from the file";

    // What another process writes is seen after the next synchronize.
    ASSERT_TRUE(other.setObject(7, QStringLiteral("count")));
    ASSERT_TRUE(vl::synchronizeInApplicationID(defaults, applicationID()));
    EXPECT_EQ(vl::integerForKey(defaults, QStringLiteral("count"), applicationID()), 7);
    EXPECT_EQ(vl::objectForKey(defaults, QStringLiteral("kept"), applicationID()), QVariant(QStringLiteral("theirs")));
}

TEST_F(UserDefaultsExtensionsTest, refusesWhatIsNotAPropertyListObjectAtTheTopLevel)
{
    const QVariant set = QVariant::fromValue(QSet<QString>{QStringLiteral("a")});
    const QVariant refused[] = {set, QVariant(), QVariant(QUrl(QStringLiteral("file:///tmp")))};
    for (const QVariant &value : refused) {
        try {
            vl::setObject(defaults, value, QStringLiteral("key"), applicationID());
            ADD_FAILURE() << "accepted a " << value.typeName();
        } catch (const platform::Exception &e) {
            EXPECT_EQ(e.name(), QStringLiteral("NSObjectInaccessibleException"));
            EXPECT_EQ(
                e.reason(),
                QStringLiteral("object must be a property list object in order for it to be placed in user defaults"));
        }
    }
    EXPECT_FALSE(vl::objectForKey(defaults, QStringLiteral("key"), applicationID()).isValid());

    const QVariant accepted[] = {QByteArray("x"),
                                 QStringLiteral("x"),
                                 QVariantList{},
                                 QStringList{QStringLiteral("x")},
                                 QVariantMap{},
                                 QDateTime::currentDateTimeUtc(),
                                 1.5f,
                                 quint16(3)};
    for (const QVariant &value : accepted)
        EXPECT_NO_THROW(vl::setObject(defaults, value, QStringLiteral("key"), applicationID())) << value.typeName();
    ASSERT_TRUE(vl::synchronizeInApplicationID(defaults, applicationID()));
}

TEST_F(UserDefaultsExtensionsTest, acceptsASetInsideAnArrayButCannotWriteIt)
{
    vl::setObject(defaults, QStringLiteral("before"), QStringLiteral("key"), applicationID());
    ASSERT_TRUE(vl::synchronizeInApplicationID(defaults, applicationID()));
    const auto before = corvane::test::readFile(domainPath());
    ASSERT_TRUE(before);

    const QVariantList holdingASet{QVariant::fromValue(QSet<QString>{QStringLiteral("a")})};
    EXPECT_NO_THROW(vl::setObject(defaults, holdingASet, QStringLiteral("key"), applicationID()));
    EXPECT_FALSE(vl::synchronizeInApplicationID(defaults, applicationID()));
    EXPECT_EQ(corvane::test::readFile(domainPath()), before) << "the file stays as it was";

    // Replacing the value lets the domain be written again.
    vl::setObject(defaults, QVariantList{QStringLiteral("a")}, QStringLiteral("key"), applicationID());
    EXPECT_TRUE(vl::synchronizeInApplicationID(defaults, applicationID()));
    EXPECT_EQ(domainOnDisk().value(QStringLiteral("key")), QVariant(QVariantList{QStringLiteral("a")}));
}

TEST_F(UserDefaultsExtensionsTest, keepsFloatsInTheOwnDomain)
{
    vl::setCGFloat(defaults, 0.1f, QStringLiteral("scale"));
    EXPECT_EQ(vl::CGFloatForKey(defaults, QStringLiteral("scale")), 0.1f);
    ASSERT_TRUE(defaults.synchronize());
    EXPECT_EQ(vl::CGFloatForKey(defaults, QStringLiteral("scale")), 0.1f) << "read back from the file";

    const std::pair<QVariant, float> rows[] = {
        {QStringLiteral("2.5"), 2.5f}, {QStringLiteral("abc"), 0.0f}, {7, 7.0f}, {true, 1.0f},
        {QByteArray("2.5"), 0.0f},     {QVariantList{1}, 0.0f},
    };
    for (const auto &[value, expected] : rows) {
        ASSERT_TRUE(defaults.setObject(value, QStringLiteral("scale")));
        EXPECT_EQ(vl::CGFloatForKey(defaults, QStringLiteral("scale")), expected) << value.typeName();
    }
    EXPECT_EQ(vl::CGFloatForKey(defaults, QStringLiteral("absent")), 0.0f);
}

TEST(SeparatorTest, findsTheSeparatorOfAFormat)
{
    const std::pair<QString, char16_t> dates[] = {
        {QStringLiteral("M/d/yy"), u'/'},    {QStringLiteral("dd.MM.yy"), u'.'}, {QStringLiteral("yyyy-MM-dd"), u'-'},
        {QStringLiteral("%d 1y"), u' '},     {QStringLiteral("yyyyMMdd"), u' '}, {QString(), u' '},
        {QStringLiteral("y年M月d日"), u' '},
    };
    for (const auto &[format, expected] : dates)
        EXPECT_EQ(vl::dateSeparatorInFormat(format), expected) << format.toStdString();

    const std::pair<QString, char16_t> times[] = {
        {QStringLiteral("h:mm:ss a"), u':'}, {QStringLiteral("HH.mm.ss"), u'.'}, {QStringLiteral("HH:mm"), u':'},
        {QStringLiteral("a h.mm"), u'.'},    {QStringLiteral("mm:ss"), u' '},    {QStringLiteral("mm:HH"), u' '},
        {QStringLiteral("HHmmss"), u' '},    {QStringLiteral("K-mm"), u'-'},     {QStringLiteral("hh h:mm"), u' '},
    };
    for (const auto &[format, expected] : times)
        EXPECT_EQ(vl::timeSeparatorInFormat(format), expected) << format.toStdString();
}

TEST(SeparatorTest, takesTheSeparatorsFromTheUsersLocale)
{
    struct Row
    {
        QLocale locale;
        char16_t date;
        char16_t time;
    };
    const Row rows[] = {
        {QLocale(QLocale::English, QLocale::UnitedStates), u'/', u':'},
        {QLocale(QLocale::German, QLocale::Germany), u'.', u':'},
        {QLocale(QLocale::Swedish, QLocale::Sweden), u'-', u':'},
        {QLocale(QLocale::Danish, QLocale::Denmark), u'.', u'.'},
    };
    struct RestoreLocale
    {
        QLocale saved;
        ~RestoreLocale() { QLocale::setDefault(saved); }
    } restore;
    const platform::UserDefaults defaults(QStringLiteral("com.example.Own"));
    for (const Row &row : rows) {
        QLocale::setDefault(row.locale);
        EXPECT_EQ(vl::dateFormatterSeparatorCharacter(defaults), row.date) << row.locale.name().toStdString();
        EXPECT_EQ(vl::timeFormatterSeparatorCharacter(defaults), row.time) << row.locale.name().toStdString();
    }
}

} // namespace
