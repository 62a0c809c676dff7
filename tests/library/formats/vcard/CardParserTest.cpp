#include "VCardTestSupport.h"
#include "CardParser_p.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

using namespace std::string_literals;
using namespace card_events;

namespace {

struct Example
{
    const char *label;
    std::string text;
    Events events;
    int result = -1;
};

class Tokenizer : public testing::TestWithParam<Example>
{
};

TEST_P(Tokenizer, GivesTheSameCallbacksFedWholeAndOneByteAtATime)
{
    const Example &example = GetParam();
    for (const bool bytewise : {false, true}) {
        SCOPED_TRACE(bytewise ? "one byte at a time" : "whole");
        const Outcome run = feed(example.text, bytewise);
        EXPECT_EQ(run.result, example.result);
        EXPECT_EQ(run.events, example.events);
    }
    const Outcome reference = feedWithoutRuns(example.text);
    EXPECT_EQ(reference.result, example.result);
    EXPECT_EQ(reference.events, example.events);
}

// Every pair of bytes after '=' in a quoted-printable value gives the byte that
// sscanf's "%X" reads from it, sign, blanks and "0x" included (CR, which the
// value drops, and LF, which ends it, left out; a NUL first digit counts as none).
TEST(TokenizerQuotedPrintable, EscapesReadAsScanfReadsThem)
{
    for (int first = 1; first < 256; ++first) {
        for (int second = 0; second < 256; ++second) {
            if (first == '\r' || first == '\n' || second == '\r' || second == '\n')
                continue;
            const char pair[3] = {char(first), char(second), 0};
            unsigned int expected = 0;
            std::sscanf(pair, "%X", &expected);
            const Outcome run = feed("N;QUOTED-PRINTABLE:="s + pair[0] + pair[1], false);
            ASSERT_EQ(run.events, (Events{"P N [QUOTED-PRINTABLE]", "D "s + char(expected & 0xFF), "E"}))
                << "escape =" << first << "," << second;
        }
    }
}

// clang-format off
const Example kLines[] = {
    {"ParametersWithAndWithoutValue", "TEL;TYPE=WORK;VOICE:555", {"P TEL [TYPE=WORK] [VOICE]", "D 555", "E"}},
    {"NoParameters", "A:1\nB:2\n", {"P A", "D 1", "E", "P B", "D 2", "E"}},
    {"EmptyValueGetsOnlyTheEndMark", "A:\nB:  \n", {"P A", "E", "P B", "E"}},
    {"FoldDropsOneWhitespaceByte", "NOTE:abc\n def", {"P NOTE", "D abcdef", "E"}},
    {"FoldKeepsFurtherWhitespace", "NOTE:abc\n  def\n\tghi", {"P NOTE", "D abc defghi", "E"}},
    {"FoldedName", "NO\n TE:x", {"P NOTE", "D x", "E"}},
    {"EmptyLinesAreSkipped", "\n\nA:1\n\n\nB:2\n\n", {"P A", "D 1", "E", "P B", "D 2", "E"}},
    {"LineWithoutColonIsDropped", "JUNK\nA:1\nMORE JUNK", {"P A", "D 1", "E"}},
    {"LineEndingInsideParametersIsDropped", "X;A=1\nY;B\nZ;C=\nB:2", {"P B", "D 2", "E"}},
    {"WhitespaceNeverEntersAName", "N A M E:x", {"P NAME", "D x", "E"}},
    {"ValueKeepsInnerAndTrailingWhitespace", "A: \t x  y  \n", {"P A", "D x  y  ", "E"}},
    {"CarriageReturnsAreIgnored", "A:1\r\nB;X=\r1:2\r\n", {"P A", "D 1", "E", "P B [X=1]", "D 2", "E"}},
    {"CrLfBlankLineSeparatesProperties", "A:1\r\n\r\nB:2\r\n", {"P A", "D 1", "E", "P B", "D 2", "E"}},
    {"BlankLineHoldingOnlyAFoldMarkerEndsTheValue", "A:1\n \nB:2", {"P A", "D 1", "E", "P B", "D 2", "E"}},
    {"FoldMarkerLineDoesNotJoinTheNextFold", "A:abc\n \n def", {"P A", "D abcdef", "E"}},
    {"NulBytesAreOrdinaryValueBytes", "A:x\0y\n"s, {"P A", "D x\0y"s, "E"}},
    {"LongLineArrivesWhole", "A:" + std::string(1025, 'x') + "\n", {"P A", "D " + std::string(1025, 'x'), "E"}},
    {"UpperBytesAreOrdinary", "N\xC3\xA4ME;P=\xC3\xB6:\xC3\xBC", {"P N\xC3\xA4ME [P=\xC3\xB6]", "D \xC3\xBC", "E"}},
    {"SemicolonOrEqualsRightAfterSemicolonStartsAParameterName", "A;;B;=C:v", {"P A [;B] [=C]", "D v", "E"}},
    {"WhitespaceAroundNamesIsDropped", "A ; X = 1 ; Y :v", {"P A [X=1] [Y]", "D v", "E"}},
};

const Example kParameterValues[] = {
    {"QuotesAndInnerSpacesAreKept", "X;LABEL=\"a b\":v", {"P X [LABEL=\"a b\"]", "D v", "E"}},
    {"BackslashEscapes", "X;A=a\\;b;B=c\\\"d;C=e\\\\f:v", {"P X [A=a;b] [B=c\"d] [C=e\\f]", "D v", "E"}},
    {"BackslashAppliesToTheNextByteOnly", "X;A=a\\bc;D=1:v", {"P X [A=abc] [D=1]", "D v", "E"}},
    {"EscapedQuoteDoesNotOpenQuotes", "X;A=a\\\" b:v", {"P X [A=a\" b]", "D v", "E"}},
    {"SemicolonAndColonInsideQuotesAreText", "X;A=\"a;b\";M=\"mailto:x\":c", {"P X [A=\"a;b\"] [M=\"mailto:x\"]", "D c", "E"}},
    {"BackslashInsideQuotesIsText", "X;CN=\"Y\\\":v", {"P X [CN=\"Y\\\"]", "D v", "E"}},
    {"FoldInsideQuotes", "X;A=\"a\r\n b\":v", {"P X [A=\"ab\"]", "D v", "E"}},
    {"UnquotedValueIsTrimmedAtBothEnds", "X;CN=Jane  Doe ;TZID= x\ty :v", {"P X [CN=Jane  Doe] [TZID=x\ty]", "D v", "E"}},
    {"QuoteInsideAValueIsText", "X;A=a\"b:c\nY;B=1 \"2\":d",
     {"P X [A=a\"b]", "D c", "E", "P Y [B=1 \"2\"]", "D d", "E"}},
    {"EscapedQuoteInsideQuotesIsText", "X;CN=\"Y\\\"Z\":v", {"P X [CN=\"Y\\\"Z\"]", "D v", "E"}},
    {"QuoteAfterACommaOpens", "X;T=a, \"b:c\";U=1:v", {"P X [T=a, \"b:c\"] [U=1]", "D v", "E"}},
    {"CarriageReturnInsideQuotesIsText", "X;A=\"a\rb\":v", {"P X [A=\"a\rb\"]", "D v", "E"}},
    {"ColonEndsThePropertyAfterABackslash", "X;A=a\\:b", {"P X [A=a]", "D b", "E"}},
    {"OpeningBackslashIsKept", "X;A=\\b:v", {"P X [A=\\b]", "D v", "E"}},
};

const Example kQuotedPrintable[] = {
    {"Escapes", "NOTE;ENCODING=QUOTED-PRINTABLE:caf=C3=A9", {"P NOTE [ENCODING=QUOTED-PRINTABLE]", "D caf\xC3\xA9", "E"}},
    {"BareParameterAnyCase", "N;quoted-printable:=41=3d=3D", {"P N [quoted-printable]", "D A==", "E"}},
    {"EscapeReadAsByScanf", "N;QUOTED-PRINTABLE:=4g=g4=zz.", {"P N [QUOTED-PRINTABLE]", "D \x04\0\0."s, "E"}},
    {"SoftBreakKeepsTheNextLinesLeadingWhitespace", "N;QUOTED-PRINTABLE:come=\r\n to", {"P N [QUOTED-PRINTABLE]", "D come to", "E"}},
    {"FoldDropsAPendingEscape", "N;QUOTED-PRINTABLE:ab=4\n 1", {"P N [QUOTED-PRINTABLE]", "D ab1", "E"}},
    {"SoftBreakBeforeAPlainLine", "N;QUOTED-PRINTABLE:a=0D=0A=\r\nb: c=\nd\r\nX:1",
     {"P N [QUOTED-PRINTABLE]", "D a\r\nb: cd", "E", "P X", "D 1", "E"}},
    {"SoftBreakEndsAtABlankLine", "N;QUOTED-PRINTABLE:ab=\n\nX:1", {"P N [QUOTED-PRINTABLE]", "D ab", "E", "P X", "D 1", "E"}},
    {"UnfinishedEscapeIsDropped", "N;QUOTED-PRINTABLE:ab=4\nX:1", {"P N [QUOTED-PRINTABLE]", "D ab", "E", "P X", "D 1", "E"}},
    {"EncodingEndsWithTheLine", "N;QUOTED-PRINTABLE:=41\nM:=41", {"P N [QUOTED-PRINTABLE]", "D A", "E", "P M", "D =41", "E"}},
    {"EightBitIsRaw", "N;ENCODING=8BIT:=41", {"P N [ENCODING=8BIT]", "D =41", "E"}},
};

const Example kBase64[] = {
    {"FoldedWithInnerSpaces", "PHOTO;BASE64:\n QUJD REVG\n  R0g=\nX:1",
     {"P PHOTO [BASE64]", "D ABCDEFGH", "E", "P X", "D 1", "E"}},
    {"EncodingParameter", "P;ENCODING=base64:QUJD", {"P P [ENCODING=base64]", "D ABC", "E"}},
    {"UnknownEncodingNameIsRaw", "P;ENCODING=b:QUJD", {"P P [ENCODING=b]", "D QUJD", "E"}},
    {"LaterParameterOverrides", "P;BASE64;ENCODING=8bit:QUJD", {"P P [BASE64] [ENCODING=8bit]", "D QUJD", "E"}},
    {"PaddedGroups", "P;BASE64:QQ==QUI=", {"P P [BASE64]", "D AAB", "E"}},
    {"ThreeCharactersArePadded", "P;BASE64:QUI", {"P P [BASE64]", "D AB", "E"}},
    {"TwoCharactersArePadded", "P;BASE64:QUJDQQ\n", {"P P [BASE64]", "D ABCA", "E"}},
    {"PadInThirdPlaceEndsTheGroup", "P;BASE64:QQ=A", {"P P [BASE64]", "D A", "E"}},
    {"SurplusPaddingAtTheEndIsIgnored", "P;BASE64:QUJD=\nQ;BASE64:QUJD==", {"P P [BASE64]", "D ABC", "E", "P Q [BASE64]", "D ABC", "E"}},
    {"PaddingGroupInsideTheValueFails", "P;BASE64:QUJD====QUJD", {"P P [BASE64]"}, 0},
    {"InvalidCharacterFails", "A:1\nP;BASE64:QU*D\nB:2", {"P A", "D 1", "E", "P P [BASE64]"}, 0},
    {"PadInSecondPlaceFails", "P;BASE64:Q===", {"P P [BASE64]"}, 0},
    {"LoneCharacterCannotBePadded", "P;BASE64:QUJDQ\nB:2", {"P P [BASE64]"}, 0},
    {"LeadingPadCannotBePadded", "P;BASE64:=QU", {"P P [BASE64]"}, 0},
    {"InvalidHeldCharacterCannotBePadded", "P;BASE64:QU*", {"P P [BASE64]"}, 0},
};

const Example kFailures[] = {
    {"ColonAfterSemicolon", "A:1\nNAME;:value\nB:2", {"P A", "D 1", "E"}, 0},
    {"ColonAfterSemicolonAndWhitespace", "NAME; \n :value", {}, 0},
    {"EmptyParameterValue", "NAME;TYPE=:value", {}, 0},
    {"EmptyParameterValueBeforeSemicolon", "NAME;TYPE=;X:value", {}, 0},
    {"LineEndsInsideQuotes", "A:1\nX;L=\"a:v\nB:2", {"P A", "D 1", "E"}, 0},
};
// clang-format on

std::string exampleName(const testing::TestParamInfo<Example> &info)
{
    return info.param.label;
}

INSTANTIATE_TEST_SUITE_P(Lines, Tokenizer, testing::ValuesIn(kLines), exampleName);
INSTANTIATE_TEST_SUITE_P(ParameterValues, Tokenizer, testing::ValuesIn(kParameterValues), exampleName);
INSTANTIATE_TEST_SUITE_P(QuotedPrintable, Tokenizer, testing::ValuesIn(kQuotedPrintable), exampleName);
INSTANTIATE_TEST_SUITE_P(Base64, Tokenizer, testing::ValuesIn(kBase64), exampleName);
INSTANTIATE_TEST_SUITE_P(Failures, Tokenizer, testing::ValuesIn(kFailures), exampleName);

// Long runs in each context: a filler, and a text that holds it.
std::vector<std::pair<std::string, std::string>> runContexts()
{
    const std::string run(24, 'Q');
    const std::string blanks(24, ' ');
    const std::string hexes(24, 'A');
    const std::string base64 = "AZaz09+/SGVsbG8sIFdvcmxk"; // every range of the alphabet, six groups
    return {
        {run, run + ";X=1:v\r\nB:2\r\n"},
        {run, "N;" + run + "=1;Y:v\r\n"},
        {run, "N;P=" + run + ";Y=2:v\r\n"},
        {run, "N;P=\"" + run + "\":v\r\n"},
        {run, "N: " + run + "\r\n \r\n" + run + "\nC:d\r\n"},
        {blanks, "N:" + blanks + "v\r\nC:d\r\n"},
        {run, "N;QUOTED-PRINTABLE:" + run + "=41=\r\n" + run + "\r\nC:d\r\n"},
        {hexes, "N;QUOTED-PRINTABLE:=" + hexes + "=\r\n=" + hexes + "\r\nC:d\r\n"},
        {run, "N;ENCODING=BASE64:" + run + "\r\n " + run + "==\r\nC:d\r\n"},
        {base64, "N;ENCODING=BASE64:" + base64 + "\r\n " + base64 + "==\r\nC:d\r\n"},
    };
}

// The runs scan sixteen bytes at a time and end lines themselves: any byte, at
// any place of a long run in each context (and so at any place of a 16-byte
// block), must stop them exactly where the line machine would act on it.
TEST(TokenizerRuns, StopWhereTheLineMachineActsOnAnyByteAnywhere)
{
    for (const auto &[filler, context] : runContexts()) {
        const std::size_t start = context.find(filler);
        for (std::size_t at = start; at < start + filler.size(); ++at) {
            for (int byte = 0; byte < 256; ++byte) {
                std::string text = context;
                text[at] = static_cast<char>(byte);
                const Outcome reference = feedWithoutRuns(text);
                const Outcome runs = feed(text, false);
                ASSERT_EQ(runs.result, reference.result) << text;
                ASSERT_EQ(runs.events, reference.events) << text;
            }
        }
    }
}

// A chunk may end anywhere: inside a run, a line end, a fold or an escape.
TEST(TokenizerRuns, GiveTheSameResultWhereverAChunkEnds)
{
    for (const auto &[filler, text] : runContexts()) {
        const Outcome reference = feedWithoutRuns(text);
        for (std::size_t split = 0; split <= text.size(); ++split) {
            Recorder recorder;
            auto parser = makeParser(recorder);
            ASSERT_EQ(CARD_Parse(parser.get(), text.data(), split, 0), -1);
            ASSERT_EQ(CARD_Parse(parser.get(), text.data() + split, text.size() - split, 1), reference.result);
            ASSERT_EQ(recorder.events, reference.events) << "split at " << split << " of " << text;
        }
    }
}

TEST(TokenizerChunks, DataArrivesOnlyOnceTheLineEndIsKnown)
{
    Recorder recorder;
    auto parser = makeParser(recorder);
    ASSERT_EQ(CARD_Parse(parser.get(), "A:", 2, 0), -1);
    EXPECT_EQ(recorder.events, Events{"P A"});
    ASSERT_EQ(CARD_Parse(parser.get(), "1\n", 2, 0), -1);
    EXPECT_EQ(recorder.events, Events{"P A"}) << "the line feed is held: the next line might continue this one";
    ASSERT_EQ(CARD_Parse(parser.get(), "", 0, 1), -1);
    EXPECT_EQ(recorder.events, (Events{"P A", "D 1", "E"}));
    EXPECT_EQ(recorder.events, feed("A:1\n", false).events);
}

TEST(TokenizerChunks, RecordTakesANewTextAfterTheFinalCall)
{
    Recorder recorder;
    auto parser = makeParser(recorder);
    ASSERT_EQ(CARD_Parse(parser.get(), "A;BASE64:QUJD", 13, 1), -1);
    ASSERT_EQ(CARD_Parse(parser.get(), "B:QUJD", 6, 1), -1);
    EXPECT_EQ(recorder.events, (Events{"P A [BASE64]", "D ABC", "E", "P B", "D QUJD", "E"}));
}

TEST(TokenizerCallbacks, WithoutDataCallbackValuesAreSkippedAndWithoutPropertyCallbackNoEncodingIsDetected)
{
    const std::string text = "A:1\nN;QUOTED-PRINTABLE:x=\nY:z\nP;BASE64:**\nB;T=1:2\n";
    for (const bool bytewise : {false, true}) {
        const Outcome withoutData = feed(text, bytewise, false);
        EXPECT_EQ(withoutData.result, -1);
        EXPECT_EQ(withoutData.events, (Events{"P A", "P N [QUOTED-PRINTABLE]", "P P [BASE64]", "P B [T=1]"}));
    }

    Recorder recorder;
    ParserPtr parser(CARD_ParserCreate());
    CARD_SetUserData(parser.get(), &recorder);
    CARD_SetDataHandler(parser.get(), &Recorder::data);
    EXPECT_EQ(CARD_Parse(parser.get(), "P;BASE64:QUJD\n", 14, 1), -1);
    EXPECT_EQ(recorder.events, (Events{"D QUJD", "E"}));
}

struct PhotoSink
{
    int64_t bytes = 0;
    int32_t largestLine = 0;
    CARD_Parser parser = nullptr;

    static void data(void *userData, const char *, int length)
    {
        auto *sink = static_cast<PhotoSink *>(userData);
        sink->bytes += length;
        sink->largestLine = std::max(sink->largestLine, sink->parser->line_size);
    }
};

// Cards carrying 1 MB photos, fed in 64 KB chunks: the tokenizer holds one
// photo's bytes at a time and gives that buffer back after each card, so that
// a long stream of cards runs in the memory of one.
TEST(TokenizerMemory, HoldsOnePhotoAtATimeAndGivesItsBufferBack)
{
    std::string photo;
    for (int i = 0; photo.size() < 1400000; ++i)
        photo += " " + std::string(76, "ABCDEFGHabcdefgh0123456789+/"[i % 28]) + "\r\n";
    const std::string card = "BEGIN:VCARD\r\nFN:Photo\r\nPHOTO;ENCODING=BASE64;TYPE=JPEG:\r\n" + photo + "END:VCARD\r\n";
    constexpr std::size_t chunk = 64u << 10;

    PhotoSink sink;
    ParserPtr parser(CARD_ParserCreate());
    sink.parser = parser.get();
    CARD_SetUserData(parser.get(), &sink);
    CARD_SetPropHandler(parser.get(), [](void *, const char *, const char **) {});
    CARD_SetDataHandler(parser.get(), &PhotoSink::data);
    for (int round = 0; round < 3; ++round) {
        for (std::size_t at = 0; at < card.size(); at += chunk)
            ASSERT_EQ(CARD_Parse(parser.get(), card.data() + at, std::min(chunk, card.size() - at), 0), -1);
        EXPECT_LE(parser->line_size, 1024) << "card " << round << ": the photo's buffer was given back";
    }
    ASSERT_EQ(CARD_Parse(parser.get(), nullptr, 0, 1), -1);
    EXPECT_GT(sink.bytes, 3 * 1000000) << "the photos were decoded";
    EXPECT_LT(sink.largestLine, 1100 << 10) << "one photo's bytes at a time";
}

} // namespace
