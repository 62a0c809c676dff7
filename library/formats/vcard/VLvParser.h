#pragma once

#include <QList>
#include <QString>

#include <memory>

class VLvParserCard;

/// Turns the text of one or more vCard/vCalendar objects into a tree of cards
/// (VLvParserCard) holding properties (VLvParserProperty), nested cards and
/// groups. BEGIN/END lines open and close cards, which may nest (a vCalendar
/// holding events); 'group.NAME' properties are filed under their group. No
/// property is interpreted: values stay bytes, parameter values stay strings.
///
/// One parser may parse several texts in turn; parsing is synchronous. Not
/// thread-safe: one thread at a time.
class VLvParser
{
public:
    /// A parser with no cards. Throws std::bad_alloc when the tokenizer cannot be created.
    VLvParser();
    ~VLvParser();
    VLvParser(const VLvParser &) = delete;
    VLvParser &operator=(const VLvParser &) = delete;

    /// Parses a whole text, replacing the cards of any earlier parse. CR LF and
    /// lone CR line ends count as LF. Returns false when the text does not begin
    /// with "BEGIN" (in any case; leading whitespace or a byte-order mark is not
    /// skipped), leaving no cards, and when the tokenizer fails (an empty
    /// parameter value, a ':' right after ';', bad base64), leaving the cards
    /// built before the failing byte. Unbalanced BEGIN/END lines are no error:
    /// an END closes the innermost open card whatever its name, and cards left
    /// open keep their content.
    bool parseString(const QString &text);

    /// The top-level cards of the last text parsed, in input order.
    const QList<std::shared_ptr<VLvParserCard>> &cards() const;

private:
    class Private;
    std::unique_ptr<Private> const d;
};
