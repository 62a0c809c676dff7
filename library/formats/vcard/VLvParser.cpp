#include "VLvParser.h"

#include "CardParser.h"
#include "MutableStringExtensions.h"
#include "StringExtensions.h"
#include "VLStack.h"
#include "VLvParserCard.h"
#include "VLvParserProperty.h"

#include <new>

namespace {

struct TokenizerDeleter
{
    void operator()(CARD_Parser parser) const { CARD_ParserFree(parser); }
};
using Tokenizer = std::unique_ptr<CARD_ParserStruct, TokenizerDeleter>;

} // namespace

class VLvParser::Private
{
public:
    Private() { resetTokenizer(); }

    // A tokenizer that failed stops mid-line; the next text needs a fresh one.
    void resetTokenizer()
    {
        tokenizer.reset(CARD_ParserCreate());
        if (!tokenizer)
            throw std::bad_alloc();
        CARD_SetUserData(tokenizer.get(), this);
        CARD_SetPropHandler(tokenizer.get(), &VLvParserPropertyDidParse);
        CARD_SetDataHandler(tokenizer.get(), &VLvParserDataDidParse);
    }

    // The tokenizer's property callback; `userData` is this object.
    static void VLvParserPropertyDidParse(void *userData, const char *name, const char **params)
    {
        auto *d = static_cast<Private *>(userData);
        const QString propertyName = QString::fromUtf8(name);
        if (propertyName.compare(QLatin1String("BEGIN"), Qt::CaseInsensitive) == 0) {
            d->cardDidBegin(); // the parameters of a BEGIN line are ignored
            return;
        }
        if (propertyName.compare(QLatin1String("END"), Qt::CaseInsensitive) == 0) {
            d->cardDidEnd();
            return;
        }
        d->addPropertyToCardWithName(propertyName);
        for (const char **pair = params; pair[0]; pair += 2) {
            std::optional<QString> value;
            if (pair[1])
                value = QString::fromUtf8(pair[1]);
            d->currentProperty->addValue(std::move(value), QString::fromUtf8(pair[0]));
        }
    }

    // The tokenizer's data callback; a null pointer marks the end of a value.
    static void VLvParserDataDidParse(void *userData, const char *data, int length)
    {
        if (data)
            static_cast<Private *>(userData)->dataDidParse(data, length);
    }

    // BEGIN: a new card, at the top level or inside the current one; its name
    // arrives as the line's value.
    void cardDidBegin()
    {
        auto card = std::make_shared<VLvParserCard>();
        currentProperty.reset();
        if (!currentCard) {
            cards.append(card);
        } else {
            cardStack.push(currentCard);
            currentCard->addName(QStringLiteral("card"), card);
        }
        currentCard = std::move(card);
        didBegin = true;
    }

    // END closes the innermost open card, whatever its name; outside every card
    // it does nothing.
    void cardDidEnd()
    {
        currentProperty.reset();
        currentCard = cardStack.isEmpty() ? nullptr : cardStack.pop();
        didBegin = false;
    }

    // Files a new property under its name, or under its group for 'group.NAME'.
    // Before any BEGIN the property still receives its parameters and value but
    // is stored nowhere.
    void addPropertyToCardWithName(const QString &name)
    {
        auto property = VLvParserProperty::property();
        didBegin = false;
        if (currentCard) {
            const QStringList parts = name.split(u'.');
            if (parts.size() == 2)
                currentCard->groupWithName(parts.at(0)).insert(parts.at(1), property);
            else
                currentCard->addName(name, property);
        }
        currentProperty = std::move(property);
    }

    // The value of a BEGIN line names the card; other values belong to the
    // current property; the value of an END line is dropped.
    void dataDidParse(const char *data, int length)
    {
        if (currentProperty)
            currentProperty->appendData(QByteArrayView(data, length));
        else if (didBegin && currentCard)
            currentCard->setCardName(vl::stringWithData(QByteArrayView(data, length), vl::StringEncoding::UTF8));
    }

    Tokenizer tokenizer;
    QList<std::shared_ptr<VLvParserCard>> cards;
    std::shared_ptr<VLvParserCard> currentCard; // held by `cards` or by its enclosing card too
    VLStack<VLvParserCard> cardStack;            // the cards enclosing currentCard, innermost on top
    bool didBegin = false;                       // the next value is the name of the card just begun
    std::shared_ptr<VLvParserProperty> currentProperty;
};

VLvParser::VLvParser()
    : d(std::make_unique<Private>())
{
}

VLvParser::~VLvParser() = default;

bool VLvParser::parseString(const QString &string)
{
    d->cards.clear();
    // Each text starts outside every card: what an unbalanced earlier text left
    // open must not swallow this one's cards.
    d->currentCard.reset();
    d->cardStack.removeAllItems();
    d->currentProperty.reset();
    d->didBegin = false;

    QString text = string;
    if (text.contains(u'\r')) {
        vl::replaceOccurrencesOfString(text, QStringLiteral("\r\n"), QStringLiteral("\n"));
        vl::replaceOccurrencesOfString(text, QStringLiteral("\r"), QStringLiteral("\n"));
    }
    // The text is the card itself: nothing before its BEGIN, not even an empty
    // line, a space or a byte-order mark.
    if (!vl::beginsWithString(text.left(5), QStringLiteral("BEGIN"), vl::SearchOption::CaseInsensitive))
        return false;

    // All of the bytes: a NUL character is an ordinary byte to the tokenizer and
    // must not end the text early.
    const QByteArray utf8 = text.toUtf8();
    const bool parsed = CARD_Parse(d->tokenizer.get(), utf8.constData(), static_cast<std::size_t>(utf8.size()), 1) != 0;
    if (!parsed)
        d->resetTokenizer();
    return parsed;
}

const QList<std::shared_ptr<VLvParserCard>> &VLvParser::cards() const
{
    return d->cards;
}
