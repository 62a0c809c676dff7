#include "platform/system/Bundle.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using platform::Bundle;
using corvane::test::writeFile;

namespace {

const QByteArray xmlInfo = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0"><dict>
  <key>CFBundleIdentifier</key><string>com.velora.test</string>
  <key>CFBundleShortVersionString</key><string>1.0.3</string>
  <key>CFBundleName</key><string>Täst</string>
  <key>CFBundleExecutable</key><string>Test.so</string>
  <key>Flag</key><true/>
  <key>Nested</key><dict><key>a</key><string>b</string></dict>
</dict></plist>)";

class BundleTest : public ::testing::Test
{
protected:
    void TearDown() override { QLocale::setDefault(QLocale::c()); }
    QTemporaryDir dir;
    QString path(const QString &relative) const { return dir.path() + QLatin1Char('/') + relative; }
};

} // namespace

TEST_F(BundleTest, ReadsInfoPlistAtTheTopOrInResources)
{
    writeFile(path(QStringLiteral("A.prefPane/Info.plist")), xmlInfo);
    const auto pane = Bundle::bundleWithPath(path(QStringLiteral("A.prefPane")));
    ASSERT_TRUE(pane);
    EXPECT_EQ(pane->bundleIdentifier(), QStringLiteral("com.velora.test"));
    EXPECT_EQ(pane->objectForInfoDictionaryKey(QStringLiteral("CFBundleShortVersionString")).toString(),
              QStringLiteral("1.0.3"));
    EXPECT_EQ(pane->name(), QStringLiteral("Täst"));
    EXPECT_EQ(pane->infoDictionary().value(QStringLiteral("Flag")), QVariant(true));
    EXPECT_FALSE(pane->objectForInfoDictionaryKey(QStringLiteral("Absent")).isValid());

    // An application folder keeps it in Resources/.
    writeFile(path(QStringLiteral("B.app/Resources/Info.plist")), xmlInfo);
    EXPECT_EQ(Bundle::bundleWithPath(path(QStringLiteral("B.app")))->bundleIdentifier(), QStringLiteral("com.velora.test"));
}

TEST_F(BundleTest, FindsResourcesByNameAndTypeInsideResourcesOnly)
{
    writeFile(path(QStringLiteral("D.prefPane/Info.plist")), xmlInfo);
    writeFile(path(QStringLiteral("D.prefPane/Resources/SliderWell.svg")), "<svg/>");
    writeFile(path(QStringLiteral("D.prefPane/Resources/README")), "x");
    writeFile(path(QStringLiteral("D.prefPane/Secret.svg")), "x");
    const auto bundle = Bundle::bundleWithPath(path(QStringLiteral("D.prefPane")));
    EXPECT_EQ(bundle->pathForResource(QStringLiteral("SliderWell"), QStringLiteral("svg")),
              bundle->resourcePath() + QStringLiteral("/SliderWell.svg"));
    EXPECT_TRUE(bundle->pathForResource(QStringLiteral("README"), QString()));
    EXPECT_FALSE(bundle->pathForResource(QStringLiteral("SliderWell"), QStringLiteral("png")));
    EXPECT_FALSE(bundle->pathForResource(QStringLiteral("../Secret"), QStringLiteral("svg")));
    EXPECT_FALSE(bundle->pathForResource(QStringLiteral(".."), QString()));
    EXPECT_FALSE(bundle->pathForResource(QString(), QString()));
    // The executable named by the info dictionary exists only once it is there.
    EXPECT_FALSE(bundle->executablePath());
    writeFile(path(QStringLiteral("D.prefPane/Test.so")), "x");
    EXPECT_EQ(bundle->executablePath(), bundle->bundlePath() + QStringLiteral("/Test.so"));
}

TEST_F(BundleTest, LocalizesByTableWithTheKeyAsFallback)
{
    writeFile(path(QStringLiteral("E.prefPane/Info.plist")), xmlInfo);
    QDir().mkpath(path(QStringLiteral("E.prefPane/Resources/translations")));
    ASSERT_TRUE(QFile::copy(QStringLiteral(CORVANE_TEST_GREETING_QM),
                            path(QStringLiteral("E.prefPane/Resources/translations/Greeting_de.qm"))));
    const auto bundle = Bundle::bundleWithPath(path(QStringLiteral("E.prefPane")));
    const QString greeting = QStringLiteral("Greeting");

    QLocale::setDefault(QLocale(QStringLiteral("de_AT")));
    EXPECT_EQ(bundle->localizedString(QStringLiteral("Good morning"), QString(), greeting), QStringLiteral("Guten Morgen"));
    // The context is the table: another table's entry does not count.
    EXPECT_EQ(bundle->localizedString(QStringLiteral("Good evening"), QString(), greeting), QStringLiteral("Good evening"));
    EXPECT_EQ(bundle->localizedString(QStringLiteral("Missing"), QStringLiteral("Default"), greeting), QStringLiteral("Default"));
    EXPECT_EQ(bundle->localizedString(QStringLiteral("Good morning"), QString(), QStringLiteral("NoSuchTable")),
              QStringLiteral("Good morning"));

    QLocale::setDefault(QLocale(QStringLiteral("fr_FR")));
    EXPECT_EQ(bundle->localizedString(QStringLiteral("Good morning"), QString(), greeting), QStringLiteral("Good morning"));
}
