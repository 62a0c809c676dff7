#include "VCardTestSupport.h"
#include "VLvParserProperty.h"

using PropertyPtr = std::shared_ptr<VLvParserProperty>;
using CardPtr = std::shared_ptr<VLvParserCard>;
using card_events::summary;

namespace {

// The entry at `index` as a T (a property, a card or a group); empty when it is another kind.
template<typename T>
T entryAt(const VLvParserCard &card, qsizetype index)
{
    const VLvParserEntry entry = card.propertyAtIndex(index);
    EXPECT_TRUE(std::holds_alternative<T>(entry)) << "entry " << index << " is of another kind";
    return std::holds_alternative<T>(entry) ? std::get<T>(entry) : T();
}
const auto propertyAt = entryAt<PropertyPtr>;
const auto cardAt = entryAt<CardPtr>;
const auto groupAt = entryAt<VLvParserGroup>;

TEST(VLvParser, CardsAreNamedByTheirBeginValueAndNestUntilTheirEnd)
{
    VLvParser parser;
    ASSERT_TRUE(parser.parseString(QStringLiteral("BEGIN:VCARD\nFN:A\nEND:VCARD\nBEGIN:VCARD\nFN:B\nEND:VCARD\n"
                                                  "BEGIN:VCALENDAR\nVERSION:2.0\nBEGIN:VEVENT\nSUMMARY:Talk\n"
                                                  "END:VEVENT\nX-AFTER:1\nEND:VCALENDAR\n")));
    EXPECT_EQ(summary(parser), QStringLiteral("VCARD(FN) VCARD(FN) VCALENDAR(VERSION,card:VEVENT(SUMMARY),X-AFTER)"));
    EXPECT_EQ(propertyAt(*parser.cards()[1], 0)->data(), "B");
    EXPECT_EQ(propertyAt(*cardAt(*parser.cards()[2], 1), 0)->data(), "Talk");

    // END closes the innermost card whatever it names; a card left open keeps its content.
    ASSERT_TRUE(parser.parseString(QStringLiteral("BEGIN:A\nBEGIN:B\nX:1\nEND:A\nY:2\nEND:whatever\nEND:C\n"
                                                  "Z:lost\nBEGIN:D\nW:3")));
    EXPECT_EQ(summary(parser), QStringLiteral("A(card:B(X),Y) D(W)"));
}

TEST(VLvParser, GroupedPropertiesShareOneDictionaryEntryUnlessAPlainPropertyHasTheName)
{
    VLvParser parser;
    ASSERT_TRUE(parser.parseString(QStringLiteral("BEGIN:VCARD\nitem1.EMAIL;TYPE=INTERNET:x@example.org\n"
                                                  "item1.X-ABLabel:work\nITEM1.TEL:1\nitem1.TEL:2\nEND:VCARD")));
    EXPECT_EQ(summary(parser), QStringLiteral("VCARD(item1)")) << "group names match ignoring case";
    const VLvParserGroup group = groupAt(*parser.cards().at(0), 0);
    EXPECT_EQ(group.keys(), (QStringList{"EMAIL", "TEL", "X-ABLabel"}));
    EXPECT_EQ(group.value(QStringLiteral("EMAIL"))->valueAtIndex(0), QStringLiteral("INTERNET"));
    EXPECT_EQ(group.value(QStringLiteral("TEL"))->data(), "2") << "a later property replaces one of the same name";

    ASSERT_TRUE(parser.parseString(
        QStringLiteral("BEGIN:VCARD\nitem1:plain\nitem1.EMAIL:x\nBEGIN:card\nEND:card\ncard.X:y\nitem1.TEL:1\nEND:VCARD")));
    const VLvParserCard &card = *parser.cards().at(0);
    EXPECT_EQ(summary(card), QStringLiteral("VCARD(item1,item1,card:card(),card)"));
    EXPECT_EQ(groupAt(card, 1).keys(), (QStringList{"EMAIL", "TEL"}));
    EXPECT_EQ(groupAt(card, 3).value(QStringLiteral("X"))->data(), "y");
    EXPECT_TRUE(std::holds_alternative<PropertyPtr>(*card.propertyWithName(QStringLiteral("ITEM1"))))
        << "lookup by name still finds the first entry";
}

TEST(VLvParser, PropertiesKeepTheirNamesParametersAndDecodedBytes)
{
    VLvParser parser;
    ASSERT_TRUE(parser.parseString(QStringLiteral("BEGIN:VCARD\na.b.c:1\n.X:2\nTEL;WORK;VOICE:555\nTEL:2\n"
                                                  "NOTE;ENCODING=QUOTED-PRINTABLE;CHARSET=UTF-8:caf=C3=A9=\n=21\n"
                                                  "PHOTO;BASE64:\n AAEC\n /w==\nN:a")
                                   + QChar(0) + QStringLiteral("b\nEND:VCARD")));
    const VLvParserCard &card = *parser.cards().at(0);
    EXPECT_EQ(summary(card), QStringLiteral("VCARD(a.b.c,,TEL,TEL,NOTE,PHOTO,N)"))
        << "a name with no or several dots is no group; an empty group name is one";
    EXPECT_EQ(groupAt(card, 1).value(QStringLiteral("X"))->data(), "2");

    const PropertyPtr tel = propertyAt(card, 2);
    ASSERT_EQ(tel->count(), 2);
    EXPECT_EQ(tel->labelAtIndex(1), QStringLiteral("VOICE"));
    EXPECT_EQ(tel->valueAtIndex(0), std::nullopt) << "a parameter without value answers none";
    EXPECT_EQ(tel->data(), "555");
    EXPECT_EQ(std::get<PropertyPtr>(*card.propertyWithName(QStringLiteral("tel"))), tel) << "the first, ignoring case";
    EXPECT_FALSE(card.propertyWithName(QStringLiteral("FAX")));

    EXPECT_EQ(propertyAt(card, 4)->data(), QByteArray("caf\xC3\xA9!"));
    EXPECT_EQ(propertyAt(card, 5)->data(), QByteArray("\x00\x01\x02\xFF", 4));
    EXPECT_EQ(propertyAt(card, 6)->data(), QByteArray("a\0b", 3)) << "a NUL character does not end the text";
}

TEST(VLvParser, DeepNestingIsBuiltDescribedAndReleasedWithoutRecursion)
{
    QString text;
    constexpr int depth = 200000;
    for (int i = 0; i < depth; ++i)
        text += QStringLiteral("BEGIN:X\n");
    auto parser = std::make_unique<VLvParser>();
    ASSERT_TRUE(parser->parseString(text));
    const CardPtr top = parser->cards().at(0);
    EXPECT_EQ(top->description().count(QStringLiteral("cardName = X")), depth);
    parser.reset();
    EXPECT_EQ(top.use_count(), 1);
}

} // namespace
