#pragma once

// Helpers shared by the vCard tests: the tokenizer's callbacks as text, and a
// compact picture of VLvParser's card tree.

#include "CardParser.h"
#include "CardParser_p.h"
#include "VLvParser.h"
#include "VLvParserCard.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace card_events {

// "P NAME [k=v] [k]" for a property (a parameter without value shows its name
// only), "D bytes" for value bytes, "E" for the end mark of a value.
using Events = std::vector<std::string>;

struct Recorder
{
    Events events;

    static void property(void *userData, const char *name, const char **params)
    {
        std::string event = std::string("P ") + name;
        for (; params[0]; params += 2)
            event += " [" + std::string(params[0]) + (params[1] ? "=" + std::string(params[1]) : std::string()) + "]";
        EXPECT_EQ(params[1], nullptr) << "the list ends with a pair of two null pointers";
        static_cast<Recorder *>(userData)->events.push_back(event);
    }

    static void data(void *userData, const char *bytes, int length)
    {
        auto &events = static_cast<Recorder *>(userData)->events;
        if (!bytes) {
            EXPECT_EQ(length, 0);
            events.push_back("E");
        } else {
            EXPECT_GT(length, 0) << "an empty value gets only the end mark";
            events.push_back("D " + std::string(bytes, static_cast<std::size_t>(length)));
        }
    }
};

struct ParserDeleter
{
    void operator()(CARD_Parser p) const { CARD_ParserFree(p); }
};
using ParserPtr = std::unique_ptr<CARD_ParserStruct, ParserDeleter>;

inline ParserPtr makeParser(Recorder &recorder, bool withData = true)
{
    ParserPtr parser(CARD_ParserCreate());
    CARD_SetUserData(parser.get(), &recorder);
    CARD_SetPropHandler(parser.get(), &Recorder::property);
    if (withData)
        CARD_SetDataHandler(parser.get(), &Recorder::data);
    return parser;
}

struct Outcome
{
    int result = 0;
    Events events;
};

/// The whole text in one final call, or one byte a call then an empty final
/// call (stopping at the first failure).
inline Outcome feed(std::string_view text, bool bytewise, bool withData = true)
{
    Recorder recorder;
    auto parser = makeParser(recorder, withData);
    int result = -1;
    if (bytewise) {
        for (std::size_t i = 0; i < text.size() && result; ++i)
            result = CARD_Parse(parser.get(), text.data() + i, 1, 0);
        if (result)
            result = CARD_Parse(parser.get(), nullptr, 0, 1);
    } else {
        result = CARD_Parse(parser.get(), text.data(), text.size(), 1);
    }
    return {result, recorder.events};
}

/// The whole text through the line machine alone, every byte on its own: the
/// reference that CARD_Parse, which takes most bytes in runs, must match.
inline Outcome feedWithoutRuns(std::string_view text, bool withData = true)
{
    Recorder recorder;
    auto parser = makeParser(recorder, withData);
    const int result = CARD_ParseByteByByte(parser.get(), text.data(), text.size(), 1);
    return {result, recorder.events};
}

/// "NAME(entry,entry,card:NAME(...))" per top-level card, joined by ' '.
inline QString summary(const VLvParserCard &card)
{
    QStringList entries;
    for (qsizetype i = 0; i < card.count(); ++i) {
        const VLvParserEntry entry = card.propertyAtIndex(i);
        const auto *nested = std::get_if<std::shared_ptr<VLvParserCard>>(&entry);
        entries.append(nested ? QStringLiteral("card:") + summary(**nested) : card.nameAtIndex(i));
    }
    return card.cardName().value_or(QStringLiteral("?")) + u'(' + entries.join(u',') + u')';
}

inline QString summary(const VLvParser &parser)
{
    QStringList cards;
    for (const auto &card : parser.cards())
        cards.append(summary(*card));
    return cards.join(u' ');
}

} // namespace card_events
