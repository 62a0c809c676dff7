#pragma once

#include <QHash>
#include <QList>
#include <QMap>
#include <QString>

#include <memory>
#include <optional>
#include <variant>

class VLvParserCard;
class VLvParserProperty;

/// The properties of one group ('item1.EMAIL', 'item1.X-ABLabel'), by the name
/// after the dot. A later property of the same name in the group replaces the
/// earlier one.
using VLvParserGroup = QMap<QString, std::shared_ptr<VLvParserProperty>>;

/// What a card holds under a name: a property, a nested card (under the name
/// "card") or a group.
using VLvParserEntry = std::variant<std::shared_ptr<VLvParserProperty>, std::shared_ptr<VLvParserCard>, VLvParserGroup>;

/// One vCard/vCalendar object (BEGIN ... END) as VLvParser reads it: its name is
/// the value of its BEGIN line ('VCARD', 'VEVENT', ...), and it holds named
/// entries in input order. Names may repeat (several TEL properties, several
/// nested cards).
///
/// Cards are built by VLvParser and shared with the clients that keep them; not
/// thread-safe.
class VLvParserCard
{
public:
    VLvParserCard() = default;
    /// Releases the entries; nested cards of any depth are released without recursion.
    ~VLvParserCard();
    VLvParserCard(const VLvParserCard &) = delete;
    VLvParserCard &operator=(const VLvParserCard &) = delete;

    /// The value of the card's BEGIN line; none when it had no value (or one that
    /// is not UTF-8).
    const std::optional<QString> &cardName() const { return m_cardName; }

    /// The number of entries.
    qsizetype count() const { return m_names.size(); }

    /// The name of the entry at `index`. An index out of range raises "NSRangeException".
    QString nameAtIndex(qsizetype index) const;

    /// The entry at `index`. An index out of range raises "NSRangeException".
    VLvParserEntry propertyAtIndex(qsizetype index) const;

    /// The first entry, from index 0, whose name equals `name` ignoring case;
    /// none when there is none.
    std::optional<VLvParserEntry> propertyWithName(const QString &name) const;

    /// The card for a debugging log: the object, " cardName = NAME", the entry
    /// count, then one "\tname = N ; property = P" line per entry inside braces.
    QString description() const;

private:
    friend class VLvParser;

    void setCardName(std::optional<QString> name) { m_cardName = std::move(name); }
    void addName(const QString &name, VLvParserEntry property);

    /// The group filed under `name` (ignoring case), added as a new entry when
    /// the card has none yet.
    VLvParserGroup &groupWithName(const QString &name);

    std::optional<QString> m_cardName;
    QList<QString> m_names;
    QList<VLvParserEntry> m_properties; // parallel to m_names
    QHash<QString, qsizetype> m_groupIndex; // case-folded group name -> index of its entry
};
