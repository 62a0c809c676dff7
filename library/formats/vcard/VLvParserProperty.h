#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

/// One property of a vCard/vCalendar card as VLvParser reads it: its parameters
/// as label/value pairs in input order, and its value as the decoded bytes. Nothing
/// is interpreted: a client gives names such as TEL or DTSTART their meaning.
///
/// Shared by the card that holds it (and by any client that keeps it); not
/// thread-safe.
class VLvParserProperty
{
public:
    /// A new property with no parameters and no data.
    static std::shared_ptr<VLvParserProperty> property();

    VLvParserProperty() = default;

    /// The number of parameters.
    qsizetype count() const { return m_propertyLabels.size(); }

    /// The parameter name at `index`. An index out of range raises "NSRangeException".
    QString labelAtIndex(qsizetype index) const;

    /// The parameter value at `index`; none for a parameter written without '='
    /// ('TEL;WORK:...'). An index out of range raises "NSRangeException".
    std::optional<QString> valueAtIndex(qsizetype index) const;

    /// The decoded value bytes, the stored array itself.
    QByteArray &data() { return m_propertyData; }
    const QByteArray &data() const { return m_propertyData; }

    /// Appends a parameter; `value` none stands for a parameter without value.
    void addValue(std::optional<QString> value, const QString &label);

    /// Appends bytes to the value.
    void appendData(QByteArrayView bytes) { m_propertyData.append(bytes); }

private:
    QStringList m_propertyLabels;
    QList<std::optional<QString>> m_propertyValues; // parallel to the labels
    QByteArray m_propertyData;
};
