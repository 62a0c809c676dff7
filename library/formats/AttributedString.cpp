#include "AttributedString.h"

#include <algorithm>

namespace vl {

AttributedString::AttributedString(const QString &text, const QVariantMap &attributes)
    : m_text(text)
{
    if (!text.isEmpty())
        m_runs.append(Run{text.size(), attributes});
}

QVariantMap AttributedString::attributesAtIndex(qsizetype index) const
{
    for (const Run &run : m_runs) {
        if (index >= 0 && index < run.length)
            return run.attributes;
        index -= run.length;
    }
    return {};
}

// Edits work on one attribute map per unit, then fold equal neighbours back
// into runs: simple, and linear in the text's length.
QList<QVariantMap> AttributedString::expanded() const
{
    QList<QVariantMap> perUnit;
    perUnit.reserve(m_text.size());
    for (const Run &run : m_runs)
        perUnit.insert(perUnit.size(), run.length, run.attributes);
    return perUnit;
}

void AttributedString::compact(const QList<QVariantMap> &perUnit)
{
    m_runs.clear();
    for (const QVariantMap &attributes : perUnit) {
        if (!m_runs.isEmpty() && m_runs.last().attributes == attributes)
            ++m_runs.last().length;
        else
            m_runs.append(Run{1, attributes});
    }
}

void AttributedString::replaceCharacters(qsizetype location, qsizetype length, const QString &text,
                                         const QVariantMap &attributes)
{
    location = std::clamp<qsizetype>(location, 0, m_text.size());
    length = std::clamp<qsizetype>(length, 0, m_text.size() - location);
    QList<QVariantMap> perUnit = expanded();
    perUnit.remove(location, length);
    perUnit.insert(location, text.size(), attributes);
    m_text.replace(location, length, text);
    compact(perUnit);
}

void AttributedString::addAttribute(const QString &name, const QVariant &value, qsizetype location, qsizetype length)
{
    location = std::clamp<qsizetype>(location, 0, m_text.size());
    length = std::clamp<qsizetype>(length, 0, m_text.size() - location);
    QList<QVariantMap> perUnit = expanded();
    for (qsizetype i = location; i < location + length; ++i)
        perUnit[i].insert(name, value);
    compact(perUnit);
}

} // namespace vl
