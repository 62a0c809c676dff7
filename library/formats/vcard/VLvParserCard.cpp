#include "VLvParserCard.h"

#include "platform/core/Exception.h"
#include "VLvParserProperty.h"
#include "VLvParser_p.h"

#include <algorithm>
#include <vector>

namespace vl::vcard {

void raiseIndexBeyondBounds(const char *method, qsizetype index, qsizetype count)
{
    const QString bounds = count > 0 ? QStringLiteral("[0 .. %1]").arg(count - 1) : QStringLiteral("for empty array");
    platform::raise(QString::fromLatin1(platform::ExceptionName::Range),
                    QStringLiteral("*** %1: index %2 beyond bounds %3").arg(QLatin1String(method)).arg(index).arg(bounds));
}

QString objectDescription(const char *className, const void *address)
{
    return QStringLiteral("<%1: 0x%2>")
        .arg(QString::fromLatin1(className))
        .arg(reinterpret_cast<quintptr>(address), 0, 16);
}

} // namespace vl::vcard

namespace {

// A string inside a dictionary's description: bare when it is a plain word,
// else quoted with backslash escapes, as the platform's property-list text has it.
QString quotedForDescription(const QString &s)
{
    const bool bare = !s.isEmpty() && std::all_of(s.cbegin(), s.cend(), [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_'
               || c == u'$' || c == u'.';
    });
    if (bare)
        return s;
    QString quoted = QStringLiteral("\"");
    for (QChar c : s) {
        if (c == u'"' || c == u'\\')
            quoted += u'\\';
        if (c == u'\n')
            quoted += QStringLiteral("\\n");
        else
            quoted += c;
    }
    return quoted + u'"';
}

QString describeProperty(const VLvParserProperty &property)
{
    return vl::vcard::objectDescription("VLvParserProperty", &property);
}

QString describeGroup(const VLvParserGroup &group)
{
    QString text = QStringLiteral("{\n");
    for (auto it = group.cbegin(); it != group.cend(); ++it)
        text += QStringLiteral("    %1 = %2;\n").arg(quotedForDescription(it.key()),
                                                     quotedForDescription(describeProperty(*it.value())));
    return text + u'}';
}

// A property or a group; nested cards are described by VLvParserCard::description().
QString describeEntry(const VLvParserEntry &entry)
{
    if (const auto *property = std::get_if<std::shared_ptr<VLvParserProperty>>(&entry))
        return describeProperty(**property);
    return describeGroup(std::get<VLvParserGroup>(entry));
}

QString describeCardHeader(const VLvParserCard &card)
{
    return vl::vcard::objectDescription("VLvParserCard", &card)
           + QStringLiteral(" cardName = %1\n").arg(card.cardName().value_or(QStringLiteral("(null)")))
           + QStringLiteral("propertyCount = %1\n{\n").arg(card.count());
}

} // namespace

VLvParserCard::~VLvParserCard()
{
    // Nested cards are released one level at a time from a work list: a chain of
    // thousands of unclosed BEGIN lines must not recurse through destructors.
    std::vector<std::shared_ptr<VLvParserCard>> pending;
    const auto takeNestedCards = [&pending](VLvParserCard &card) {
        for (VLvParserEntry &entry : card.m_properties) {
            auto *nested = std::get_if<std::shared_ptr<VLvParserCard>>(&entry);
            if (nested && nested->use_count() == 1)
                pending.push_back(std::move(*nested));
        }
    };
    takeNestedCards(*this);
    while (!pending.empty()) {
        std::shared_ptr<VLvParserCard> card = std::move(pending.back());
        pending.pop_back();
        takeNestedCards(*card);
    }
}

QString VLvParserCard::nameAtIndex(qsizetype index) const
{
    vl::vcard::checkIndex("nameAtIndex:", index, m_names.size());
    return m_names.at(index);
}

VLvParserEntry VLvParserCard::propertyAtIndex(qsizetype index) const
{
    vl::vcard::checkIndex("propertyAtIndex:", index, m_properties.size());
    return m_properties.at(index);
}

std::optional<VLvParserEntry> VLvParserCard::propertyWithName(const QString &name) const
{
    for (qsizetype i = 0; i < m_names.size(); ++i) {
        if (m_names.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return m_properties.at(i);
    }
    return std::nullopt;
}

QString VLvParserCard::description() const
{
    // Iterative, so that a hostile nesting depth cannot exhaust the stack.
    struct Frame
    {
        const VLvParserCard *card;
        qsizetype next;
    };
    QString text = describeCardHeader(*this);
    std::vector<Frame> frames{{this, 0}};
    while (!frames.empty()) {
        Frame &frame = frames.back();
        if (frame.next == frame.card->m_names.size()) {
            text += u'}';
            frames.pop_back();
            if (!frames.empty())
                text += u'\n'; // ends the parent's line for this card
            continue;
        }
        const qsizetype i = frame.next++;
        const VLvParserEntry &entry = frame.card->m_properties.at(i);
        text += QStringLiteral("\tname = %1 ; property = ").arg(frame.card->m_names.at(i));
        if (const auto *card = std::get_if<std::shared_ptr<VLvParserCard>>(&entry)) {
            text += describeCardHeader(**card);
            frames.push_back({card->get(), 0});
        } else {
            text += describeEntry(entry) + u'\n';
        }
    }
    return text;
}

void VLvParserCard::addName(const QString &name, VLvParserEntry property)
{
    m_names.append(name);
    m_properties.append(std::move(property));
}

VLvParserGroup &VLvParserCard::groupWithName(const QString &name)
{
    // Only a group entry will do: when a plain property (or a nested card)
    // already uses the group's name, both are kept and the group becomes a new
    // entry of that name, so that neither is lost nor treated as the other.
    // Groups are found through an index, as a card may hold very many of them.
    const QString key = name.toCaseFolded();
    const auto found = m_groupIndex.constFind(key);
    if (found != m_groupIndex.cend())
        return std::get<VLvParserGroup>(m_properties[*found]);
    m_groupIndex.insert(key, m_properties.size());
    addName(name, VLvParserGroup());
    return std::get<VLvParserGroup>(m_properties.last());
}
