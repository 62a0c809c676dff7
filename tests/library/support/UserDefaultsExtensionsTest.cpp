// Values of another application's domain through the real domain files of the sandbox's
// $XDG_CONFIG_HOME, a float in the application's own domain, and the separators of the
// locale's formats.

#include "UserDefaultsExtensions.h"

#include "TestSupport.h"

#include "Raises.h"
#include "platform/plist/PropertyList.h"

#include <QDateTime>
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
    const QString app = QStringLiteral("com.example.")
                        + QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name());
    const QString key = QStringLiteral("key");
    platform::UserDefaults defaults{QStringLiteral("com.example.Own")};

    QVariantMap domainOnDisk() const
    {
        const auto bytes = corvane::test::readFile(defaults.pathForDomain(app));
        return bytes ? platform::readPropertyList(*bytes).value.toMap() : QVariantMap();
    }
};

TEST_F(UserDefaultsExtensionsTest, readsOnlyNumbersAsBooleansAndIntegers)
{
    const std::tuple<QVariant, bool, qint32> rows[] = {
        {true, true, 1},
        {5, true, 5},
        {qint64(0x100000003), true, 3}, // the low 32 bits
        {quint64(0xFFFFFFFFFFFFFFFFULL), true, -1},
        {-2.9, true, -2},
        {1e12, true, std::numeric_limits<qint32>::max()},
        {std::nan(""), true, 0},
        {QStringLiteral("12"), false, 0},
        {QStringLiteral("YES"), false, 0},
        {QVariantList{1}, false, 0},
    };
    for (const auto &[value, boolean, integer] : rows) {
        vl::setObject(defaults, value, key, app);
        EXPECT_EQ(vl::boolForKey(defaults, key, app), boolean) << value.toString().toStdString();
        EXPECT_EQ(vl::integerForKey(defaults, key, app), integer) << value.toString().toStdString();
    }
    EXPECT_EQ(vl::integerForKey(defaults, QStringLiteral("absent"), app), 0);
}

TEST_F(UserDefaultsExtensionsTest, writesTheDomainFileOnSynchronize)
{
    platform::UserDefaults other(app); // another process's key survives
    ASSERT_TRUE(other.setObject(QStringLiteral("theirs"), QStringLiteral("kept")));
    vl::setBool(defaults, true, QStringLiteral("flag"), app);
    vl::setInteger(defaults, 12, QStringLiteral("count"), app);
    EXPECT_EQ(vl::integerForKey(defaults, QStringLiteral("flag"), app), 1) << "seen before it is written";
    EXPECT_FALSE(domainOnDisk().contains(QStringLiteral("flag")));

    ASSERT_TRUE(vl::synchronizeInApplicationID(defaults, app));
    EXPECT_EQ(domainOnDisk(), (QVariantMap{{QStringLiteral("flag"), true},
                                           {QStringLiteral("count"), 12},
                                           {QStringLiteral("kept"), QStringLiteral("theirs")}}));

    ASSERT_TRUE(other.setObject(7, QStringLiteral("count")));
    EXPECT_EQ(vl::integerForKey(defaults, QStringLiteral("count"), app), 12) << "the copy read";
    ASSERT_TRUE(vl::synchronizeInApplicationID(defaults, app));
    EXPECT_EQ(vl::integerForKey(defaults, QStringLiteral("count"), app), 7) << "the file, after synchronizing";
}

TEST_F(UserDefaultsExtensionsTest, checksForPropertyListObjectsAtTheTopLevelOnly)
{
    const QVariant set = QVariant::fromValue(QSet<QString>{QStringLiteral("a")});
    for (const QVariant &value : {set, QVariant(), QVariant(QUrl(QStringLiteral("file:///tmp")))}) {
        EXPECT_TRUE(corvane::test::raises(
            [&] { vl::setObject(defaults, value, key, app); }, QStringLiteral("NSObjectInaccessibleException"),
            QStringLiteral("object must be a property list object in order for it to be placed in user defaults")))
            << value.typeName();
    }
    for (const QVariant &value :
         {QVariant(QByteArray("x")), QVariant(QStringList()), QVariant(QVariantMap()),
          QVariant(QDateTime::currentDateTimeUtc()), QVariant(quint16(3)), QVariant(QStringLiteral("before"))})
        EXPECT_NO_THROW(vl::setObject(defaults, value, key, app)) << value.typeName();
    ASSERT_TRUE(vl::synchronizeInApplicationID(defaults, app));
    const auto before = corvane::test::readFile(defaults.pathForDomain(app));

    // A set inside an array passes the check, but no property list can hold it.
    EXPECT_NO_THROW(vl::setObject(defaults, QVariantList{set}, key, app));
    EXPECT_FALSE(vl::synchronizeInApplicationID(defaults, app));
    EXPECT_EQ(corvane::test::readFile(defaults.pathForDomain(app)), before);
    vl::setObject(defaults, QVariantList{QStringLiteral("a")}, key, app);
    EXPECT_TRUE(vl::synchronizeInApplicationID(defaults, app));
}

TEST_F(UserDefaultsExtensionsTest, keepsFloatsInTheOwnDomain)
{
    vl::setCGFloat(defaults, 0.1f, key);
    ASSERT_TRUE(defaults.synchronize());
    EXPECT_EQ(vl::CGFloatForKey(defaults, key), 0.1f) << "read back from the file";
    const std::pair<QVariant, float> rows[] = {
        {QStringLiteral("2.5"), 2.5f}, {QStringLiteral("abc"), 0.0f}, {true, 1.0f}, {QByteArray("2.5"), 0.0f}};
    for (const auto &[value, expected] : rows) {
        ASSERT_TRUE(defaults.setObject(value, key));
        EXPECT_EQ(vl::CGFloatForKey(defaults, key), expected) << value.typeName();
    }
    EXPECT_EQ(vl::CGFloatForKey(defaults, QStringLiteral("absent")), 0.0f);
}

TEST(SeparatorTest, findsTheSeparatorOfAFormat)
{
    const std::tuple<const char *, char16_t, char16_t> rows[] = {
        // format, date separator, time separator
        {"M/d/yy", u'/', u' '},   {"dd.MM.yy", u'.', u' '},  {"yyyy-MM-dd", u'-', u' '}, {"%d 1y", u' ', u' '},
        {"yyyyMMdd", u' ', u' '}, {"h:mm:ss a", u':', u':'}, {"HH.mm.ss", u'.', u'.'},   {"a h.mm", u' ', u'.'},
        {"mm:HH", u':', u' '},    {"HHmmss", u' ', u' '},    {"K-mm", u'-', u'-'},       {"", u' ', u' '},
    };
    for (const auto &[format, date, time] : rows) {
        EXPECT_EQ(vl::dateSeparatorInFormat(QString::fromLatin1(format)), date) << format;
        EXPECT_EQ(vl::timeSeparatorInFormat(QString::fromLatin1(format)), time) << format;
    }
}

TEST(SeparatorTest, takesTheSeparatorsFromTheUsersLocale)
{
    const std::tuple<QLocale::Language, QLocale::Country, char16_t, char16_t> rows[] = {
        {QLocale::English, QLocale::UnitedStates, u'/', u':'},
        {QLocale::German, QLocale::Germany, u'.', u':'},
        {QLocale::Swedish, QLocale::Sweden, u'-', u':'},
        {QLocale::Danish, QLocale::Denmark, u'.', u'.'},
    };
    const QLocale saved;
    const platform::UserDefaults defaults(QStringLiteral("com.example.Own"));
    for (const auto &[language, country, date, time] : rows) {
        QLocale::setDefault(QLocale(language, country));
        EXPECT_EQ(vl::dateFormatterSeparatorCharacter(defaults), date) << QLocale().name().toStdString();
        EXPECT_EQ(vl::timeFormatterSeparatorCharacter(defaults), time) << QLocale().name().toStdString();
    }
    QLocale::setDefault(saved);
}

} // namespace
