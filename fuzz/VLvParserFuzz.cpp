// Parses the input as a vCard/vCalendar text with VLvParser, twice with the
// same parser (a second text must not see the first one's state), walks the
// tree and describes it.

#include "VLvParser.h"
#include "VLvParserCard.h"
#include "VLvParserProperty.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

qsizetype walk(const VLvParserCard &card)
{
    qsizetype bytes = 0;
    std::vector<const VLvParserCard *> pending{&card};
    while (!pending.empty()) { // nesting may be deep: no recursion
        const VLvParserCard *current = pending.back();
        pending.pop_back();
        for (qsizetype i = 0; i < current->count(); ++i) {
            const VLvParserEntry entry = current->propertyAtIndex(i);
            if (const auto *property = std::get_if<std::shared_ptr<VLvParserProperty>>(&entry)) {
                bytes += (*property)->data().size();
                for (qsizetype j = 0; j < (*property)->count(); ++j)
                    bytes += (*property)->labelAtIndex(j).size() + (*property)->valueAtIndex(j).value_or(QString()).size();
            } else if (const auto *nested = std::get_if<std::shared_ptr<VLvParserCard>>(&entry)) {
                pending.push_back(nested->get());
            } else if (std::get<VLvParserGroup>(entry).isEmpty()) {
                std::abort(); // a group exists only for a property filed in it
            }
            if (!current->propertyWithName(current->nameAtIndex(i)))
                std::abort();
        }
    }
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    VLvParser parser;
    const bool first = parser.parseString(text);
    qsizetype firstBytes = 0;
    for (const auto &card : parser.cards()) {
        firstBytes += walk(*card);
        (void)card->description();
    }
    // The same text again gives the same result, whatever the first parse left.
    const bool second = parser.parseString(text);
    qsizetype secondBytes = 0;
    for (const auto &card : parser.cards())
        secondBytes += walk(*card);
    if (first != second || firstBytes != secondBytes)
        std::abort();
    return 0;
}
