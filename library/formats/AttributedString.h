#pragma once

#include <QList>
#include <QString>
#include <QVariantMap>

/// Text with attributes over runs of it: the counterpart of the original
/// platform's attributed string, as a value. Attributes are named values (a
/// font name, a colour); every UTF-16 unit of the text belongs to exactly one
/// run, and neighbouring runs have different attributes.
namespace vl {

class AttributedString
{
public:
    struct Run
    {
        qsizetype length = 0;
        QVariantMap attributes;
        friend bool operator==(const Run &, const Run &) = default;
    };

    AttributedString() = default;
    /// `text` with `attributes` over all of it.
    explicit AttributedString(const QString &text, const QVariantMap &attributes = {});

    const QString &string() const { return m_text; }
    qsizetype length() const { return m_text.size(); }
    const QList<Run> &runs() const { return m_runs; }
    /// The attributes of the unit at `index`; empty outside the text.
    QVariantMap attributesAtIndex(qsizetype index) const;

    /// Replaces `length` units from `location` by `text` with `attributes`.
    /// The range is clamped to the text.
    void replaceCharacters(qsizetype location, qsizetype length, const QString &text,
                           const QVariantMap &attributes = {});
    /// Sets attribute `name` to `value` over `length` units from `location`
    /// (clamped to the text).
    void addAttribute(const QString &name, const QVariant &value, qsizetype location, qsizetype length);

    friend bool operator==(const AttributedString &, const AttributedString &) = default;

private:
    QList<QVariantMap> expanded() const;
    void compact(const QList<QVariantMap> &perUnit);

    QString m_text;
    QList<Run> m_runs;
};

} // namespace vl
