#include "corvanectl/SettingsDocument.h"

#include <gtest/gtest.h>

namespace {

SettingsDocument read(const QByteArray &json)
{
    QString error;
    const auto document = SettingsDocument::fromJson(json, &error);
    EXPECT_TRUE(document) << json.constData() << ": " << error.toStdString();
    return document.value_or(SettingsDocument());
}

} // namespace

TEST(SettingsDocument, ReadsEverySettingAndWritesItBackTheSame)
{
    const SettingsDocument document =
        read(R"({"version": 1, "sortOrder": "frequent", "limitSearch": true, "hotKey": "Ctrl+Alt+K",
                 "corners": {"top-right": true, "bottom-left": false}, "startAtLogin": false,
                 "excluded": ["/usr/share/applications/a b.desktop", "/opt/X.app"]})");
    EXPECT_EQ(document.sortOrder, 2);
    EXPECT_EQ(document.limitSearch, true);
    EXPECT_EQ(document.hotKey, SettingsDocument::HotKey(QStringLiteral("Ctrl+Alt+K")));
    EXPECT_EQ(document.corners[0], std::nullopt); // left out: kept as it is
    EXPECT_EQ(document.corners[1], true);
    EXPECT_EQ(document.corners[2], false);
    EXPECT_EQ(document.startAtLogin, false);
    EXPECT_EQ(document.excluded,
              QStringList({QStringLiteral("/usr/share/applications/a b.desktop"), QStringLiteral("/opt/X.app")}));
    EXPECT_EQ(read(document.toJson()), document);

    // A hot key by its codes, none at all, and a document that changes nothing.
    const SettingsDocument codes = read(R"({"version": 1, "hotKey": {"keyCode": 49, "modifiers": 2048}})");
    EXPECT_EQ(codes.hotKey, SettingsDocument::HotKey(SettingsDocument::KeyCodes{49, 2048}));
    EXPECT_EQ(read(codes.toJson()), codes);
    EXPECT_EQ(read(R"({"version": 1, "hotKey": null})").hotKey, SettingsDocument::HotKey(std::monostate()));
    EXPECT_EQ(read(R"({"version": 1})"), SettingsDocument());
}

TEST(SettingsDocument, RefusesAWholeDocumentForItsFirstFault)
{
    const struct
    {
        const char *json;
        const char *error;
    } rows[] = {
        {"{\"version\": 1,", "no JSON"},
        {"[1]", "a JSON object was expected"},
        {"{}", "\"version\" must be a whole number"},
        {"{\"version\": 1.5}", "\"version\" must be a whole number"},
        {"{\"version\": 2}", "version 2 is newer than this corvanectl reads (1)"},
        {"{\"version\": 1, \"sortorder\": \"name\"}", "the document has an unknown key \"sortorder\""},
        {"{\"version\": 1, \"sortOrder\": \"size\"}", "\"sortOrder\" must be one of name, recent, frequent"},
        {"{\"version\": 1, \"limitSearch\": 1}", "\"limitSearch\" must be true or false"},
        {"{\"version\": 1, \"hotKey\": 36}", "\"hotKey\" must be null"},
        {"{\"version\": 1, \"hotKey\": {\"keyCode\": 36}}", "\"modifiers\" must be a whole number"},
        {"{\"version\": 1, \"hotKey\": {\"keyCode\": -1, \"modifiers\": 0}}", "\"keyCode\" must be a whole number"},
        {"{\"version\": 1, \"hotKey\": {\"keyCode\": 1, \"modifiers\": 4294967296}}", "\"modifiers\" must be"},
        {"{\"version\": 1, \"hotKey\": {\"keyCode\": 1, \"modifiers\": 0, \"x\": 0}}", "unknown key \"x\""},
        {"{\"version\": 1, \"corners\": [true]}", "\"corners\" must be an object"},
        {"{\"version\": 1, \"corners\": {\"middle\": true}}", "\"corners\" has an unknown key \"middle\""},
        {"{\"version\": 1, \"corners\": {\"top-left\": \"on\"}}", "\"top-left\" must be true or false"},
        {"{\"version\": 1, \"excluded\": \"/a.app\"}", "\"excluded\" must be a list of paths"},
        {"{\"version\": 1, \"excluded\": [\"a.app\"]}", "\"excluded\" must hold absolute paths only"},
        {"{\"version\": 1, \"excluded\": [\"/a\\u0000.app\"]}", "\"excluded\" must hold absolute paths only"},
    };
    for (const auto &row : rows) {
        QString error;
        EXPECT_FALSE(SettingsDocument::fromJson(QByteArray(row.json), &error)) << row.json;
        EXPECT_TRUE(error.contains(QString::fromUtf8(row.error))) << row.json << ": " << error.toStdString();
    }
    QString error;
    EXPECT_FALSE(SettingsDocument::fromJson(QByteArray(SettingsDocument::MaximumSize + 1, ' '), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("larger"))) << error.toStdString();
}
