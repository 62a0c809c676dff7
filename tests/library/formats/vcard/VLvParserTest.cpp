#include "VLvParser.h"
#include "VLvParserCard.h"
#include "VLvParserProperty.h"

#include "Exception.h"

#include <gtest/gtest.h>

using PropertyPtr = std::shared_ptr<VLvParserProperty>;
using CardPtr = std::shared_ptr<VLvParserCard>;

namespace {

QString address(const void *object)
{
    return QStringLiteral("0x%1").arg(reinterpret_cast<quintptr>(object), 0, 16);
}

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

QStringList names(const VLvParserCard &card)
{
    QStringList list;
    for (qsizetype i = 0; i < card.count(); ++i)
        list.append(card.nameAtIndex(i));
    return list;
}

TEST(VLvParser, TwoCardsAreTwoTopLevelEntriesNamedByTheirBeginValue)
{
    VLvParser parser;
    ASSERT_TRUE(parser.parseString(QStringLiteral("BEGIN:VCARD\nFN:A\nEND:VCARD\nBEGIN:VCARD\nFN:B\nEND:VCARD\n")));
    ASSERT_EQ(parser.cards().size(), 2);
    for (const CardPtr &card : parser.cards()) {
        EXPECT_EQ(card->cardName(), QStringLiteral("VCARD"));
        EXPECT_EQ(names(*card), QStringList{QStringLiteral("FN")});
    }
    EXPECT_EQ(propertyAt(*parser.cards()[1], 0)->data(), "B");
}

TEST(VLvParser, EventNestsInItsCalendarAndLaterPropertiesReturnToTheCalendar)
{
    VLvParser parser;
    ASSERT_TRUE(parser.parseString(QStringLiteral("BEGIN:VCALENDAR\nVERSION:2.0\nBEGIN:VEVENT\nSUMMARY:Talk\n"
                                                  "END:VEVENT\nX-AFTER:1\nEND:VCALENDAR\n")));
    ASSERT_EQ(parser.cards().size(), 1);
    const VLvParserCard &calendar = *parser.cards()[0];
    EXPECT_EQ(calendar.cardName(), QStringLiteral("VCALENDAR"));
    EXPECT_EQ(names(calendar), (QStringList{QStringLiteral("VERSION"), QStringLiteral("card"), QStringLiteral("X-AFTER")}));
    const CardPtr event = cardAt(calendar, 1);
    ASSERT_TRUE(event);
    EXPECT_EQ(event->cardName(), QStringLiteral("VEVENT"));
    EXPECT_EQ(names(*event), QStringList{QStringLiteral("SUMMARY")});
    EXPECT_EQ(propertyAt(*event, 0)->data(), "Talk");
}

TEST(VLvParser, GroupedPropertiesShareOneDictionaryEntry)
{
    VLvParser parser;
    ASSERT_TRUE(parser.parseString(QStringLiteral("BEGIN:VCARD\nitem1.EMAIL;TYPE=INTERNET:x@example.org\n"
                                                  "item1.X-ABLabel:work\nITEM1.TEL:1\nitem1.TEL:2\nEND:VCARD")));
    const VLvParserCard &card = *parser.cards().at(0);
    EXPECT_EQ(names(card), QStringList{QStringLiteral("item1")}) << "group names match ignoring case";
    const VLvParserGroup group = groupAt(card, 0);
    EXPECT_EQ(group.keys(), (QStringList{QStringLiteral("EMAIL"), QStringLiteral("TEL"), QStringLiteral("X-ABLabel")}));
    EXPECT_EQ(group.value(QStringLiteral("EMAIL"))->labelAtIndex(0), QStringLiteral("TYPE"));
    EXPECT_EQ(group.value(QStringLiteral("EMAIL"))->valueAtIndex(0), QStringLiteral("INTERNET"));
    EXPECT_EQ(group.value(QStringLiteral("X-ABLabel"))->data(), "work");
    EXPECT_EQ(group.value(QStringLiteral("TEL"))->data(), "2") << "a later property replaces one of the same name";
}

TEST(VLvParser, GroupNameUsedByAPlainPropertyKeepsBoth)
{
    VLvParser parser;
    ASSERT_TRUE(parser.parseString(
        QStringLiteral("BEGIN:VCARD\nitem1:plain\nitem1.EMAIL:x\nBEGIN:card\nEND:card\ncard.X:y\nitem1.TEL:1\nEND:VCARD")));
    const VLvParserCard &card = *parser.cards().at(0);
    EXPECT_EQ(names(card), (QStringList{QStringLiteral("item1"), QStringLiteral("item1"), QStringLiteral("card"),
                                        QStringLiteral("card")}));
    EXPECT_EQ(propertyAt(card, 0)->data(), "plain");
    EXPECT_EQ(groupAt(card, 1).keys(), (QStringList{QStringLiteral("EMAIL"), QStringLiteral("TEL")}));
    EXPECT_TRUE(cardAt(card, 2));
    EXPECT_EQ(groupAt(card, 3).value(QStringLiteral("X"))->data(), "y");
    ASSERT_TRUE(card.propertyWithName(QStringLiteral("ITEM1")));
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
    EXPECT_EQ(names(card), (QStringList{"a.b.c", QString(), "TEL", "TEL", "NOTE", "PHOTO", "N"}))
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

TEST(VLvParser, CarriageReturnLineEndsParseLikeLineFeeds)
{
    const QString lf = QStringLiteral("BEGIN:VCARD\nN:a;b\nNOTE:x\n y\n\nEND:VCARD\nBEGIN:VCARD\nEND:VCARD\n");
    VLvParser reference;
    ASSERT_TRUE(reference.parseString(lf));
    for (const QString &ending : {QStringLiteral("\r"), QStringLiteral("\r\n")}) {
        VLvParser parser;
        ASSERT_TRUE(parser.parseString(QString(lf).replace(u'\n', ending)));
        ASSERT_EQ(parser.cards().size(), 2);
        const VLvParserCard &card = *parser.cards().at(0);
        EXPECT_EQ(names(card), names(*reference.cards().at(0)));
        EXPECT_EQ(propertyAt(card, 0)->data(), "a;b");
        EXPECT_EQ(propertyAt(card, 1)->data(), "xy") << "the folded value arrives in one piece";
    }
}

TEST(VLvParser, TextMustBeginWithBegin)
{
    VLvParser parser;
    ASSERT_TRUE(parser.parseString(QStringLiteral("BEGIN:VCARD\nEND:VCARD")));
    EXPECT_FALSE(parser.parseString(QStringLiteral(" BEGIN:VCARD\nEND:VCARD")));
    EXPECT_TRUE(parser.cards().isEmpty()) << "the earlier cards are gone";
    EXPECT_FALSE(parser.parseString(QStringLiteral("\uFEFFBEGIN:VCARD\nEND:VCARD")));
    EXPECT_FALSE(parser.parseString(QString()));
    EXPECT_TRUE(parser.parseString(QStringLiteral("\r\n\nBEGIN:VCARD\nEND:VCARD"))) << "empty lines may come first";
    EXPECT_TRUE(parser.parseString(QStringLiteral("begin:vcard\nfn:x\nend:vcard")));
    EXPECT_EQ(parser.cards().at(0)->cardName(), QStringLiteral("vcard"));
}

TEST(VLvParser, CardNameThatIsNotUtf8IsNone)
{
    VLvParser parser;
    ASSERT_TRUE(parser.parseString(QStringLiteral("BEGIN;ENCODING=QUOTED-PRINTABLE:A=FF\nFN:x\nEND:A")));
    ASSERT_EQ(parser.cards().size(), 1);
    EXPECT_EQ(parser.cards().at(0)->cardName(), std::nullopt);
    EXPECT_EQ(parser.cards().at(0)->count(), 1);
}

TEST(VLvParser, TokenizerFailureKeepsWhatWasBuilt)
{
    VLvParser parser;
    EXPECT_FALSE(parser.parseString(QStringLiteral("BEGIN:VCARD\nFN:A\nEND:VCARD\nBEGIN:VCARD\nTEL:1\n"
                                                   "NOTE;TYPE=:x\nEMAIL:lost\nEND:VCARD")));
    ASSERT_EQ(parser.cards().size(), 2);
    EXPECT_EQ(names(*parser.cards().at(1)), QStringList{QStringLiteral("TEL")});
    EXPECT_EQ(propertyAt(*parser.cards().at(1), 0)->data(), "1");
}

TEST(VLvParser, EachTextStartsAfreshWhateverTheLastOneLeft)
{
    VLvParser parser;
    ASSERT_TRUE(parser.parseString(QStringLiteral("BEGIN:VCARD\nBEGIN:VCARD\nFN:open")));
    ASSERT_TRUE(parser.parseString(QStringLiteral("BEGIN:VCARD\nFN:B\nEND:VCARD")));
    ASSERT_EQ(parser.cards().size(), 1) << "a card left open must not swallow the next text";
    EXPECT_EQ(names(*parser.cards().at(0)), QStringList{QStringLiteral("FN")});

    ASSERT_FALSE(parser.parseString(QStringLiteral("BEGIN:VCARD\nP;BASE64:QU*D\nX:1")));
    ASSERT_TRUE(parser.parseString(QStringLiteral("BEGIN:VCARD\nFN:C\nEND:VCARD"))) << "a failed text leaves no state behind";
    ASSERT_EQ(parser.cards().size(), 1);
    EXPECT_EQ(propertyAt(*parser.cards().at(0), 0)->data(), "C");
}

TEST(VLvParser, UnbalancedBeginAndEndAreNoError)
{
    VLvParser parser;
    ASSERT_TRUE(parser.parseString(QStringLiteral("BEGIN:A\nBEGIN:B\nX:1\nEND:A\nY:2\nEND:whatever\nEND:C\n"
                                                  "Z:lost\nBEGIN:D\nW:3")));
    ASSERT_EQ(parser.cards().size(), 2);
    const VLvParserCard &a = *parser.cards().at(0);
    EXPECT_EQ(names(a), (QStringList{QStringLiteral("card"), QStringLiteral("Y")})) << "END closes the innermost card";
    EXPECT_EQ(names(*cardAt(a, 0)), QStringList{QStringLiteral("X")});
    EXPECT_EQ(parser.cards().at(1)->cardName(), QStringLiteral("D"));
    EXPECT_EQ(names(*parser.cards().at(1)), QStringList{QStringLiteral("W")}) << "a card left open keeps its content";
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

TEST(VLvParserCard, DescriptionListsEveryEntry)
{
    VLvParser parser;
    ASSERT_TRUE(parser.parseString(
        QStringLiteral("BEGIN:VCARD\nTEL:1\nitem1.EMAIL:x\nitem1.X-ABLabel:y\nBEGIN:VEVENT\nEND:VEVENT\nEND:VCARD")));
    const VLvParserCard &card = *parser.cards().at(0);
    const PropertyPtr tel = propertyAt(card, 0);
    const VLvParserGroup group = groupAt(card, 1);
    const CardPtr event = cardAt(card, 2);
    const QString expected = QStringLiteral("<VLvParserCard: %1> cardName = VCARD\npropertyCount = 3\n{\n"
                                            "\tname = TEL ; property = <VLvParserProperty: %2>\n"
                                            "\tname = item1 ; property = {\n"
                                            "    EMAIL = \"<VLvParserProperty: %3>\";\n"
                                            "    \"X-ABLabel\" = \"<VLvParserProperty: %4>\";\n}\n"
                                            "\tname = card ; property = <VLvParserCard: %5> cardName = VEVENT\n"
                                            "propertyCount = 0\n{\n}\n}")
                                 .arg(address(&card), address(tel.get()), address(group.value(QStringLiteral("EMAIL")).get()),
                                      address(group.value(QStringLiteral("X-ABLabel")).get()), address(event.get()));
    EXPECT_EQ(card.description(), expected);

    const VLvParserCard unnamed;
    EXPECT_EQ(unnamed.description(),
              QStringLiteral("<VLvParserCard: %1> cardName = (null)\npropertyCount = 0\n{\n}").arg(address(&unnamed)));
}

TEST(VLvParserCard, IndexOutOfRangeRaisesRangeException)
{
    VLvParser parser;
    ASSERT_TRUE(parser.parseString(QStringLiteral("BEGIN:VCARD\nTEL;A=1:1\nEND:VCARD")));
    const VLvParserCard &card = *parser.cards().at(0);
    const PropertyPtr tel = propertyAt(card, 0);
    const auto expectRange = [](auto &&call) {
        try {
            call();
            ADD_FAILURE() << "no exception";
        } catch (const platform::Exception &e) {
            EXPECT_EQ(e.name(), QStringLiteral("NSRangeException"));
        }
    };
    expectRange([&] { (void)card.nameAtIndex(1); });
    expectRange([&] { (void)card.propertyAtIndex(-1); });
    expectRange([&] { (void)tel->labelAtIndex(1); });
    expectRange([&] { (void)tel->valueAtIndex(1); });
}

} // namespace
