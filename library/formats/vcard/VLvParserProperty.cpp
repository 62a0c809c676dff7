#include "VLvParserProperty.h"

#include "VLvParser_p.h"

std::shared_ptr<VLvParserProperty> VLvParserProperty::property()
{
    return std::make_shared<VLvParserProperty>();
}

QString VLvParserProperty::labelAtIndex(qsizetype index) const
{
    vl::vcard::checkIndex("labelAtIndex:", index, m_propertyLabels.size());
    return m_propertyLabels.at(index);
}

std::optional<QString> VLvParserProperty::valueAtIndex(qsizetype index) const
{
    vl::vcard::checkIndex("valueAtIndex:", index, m_propertyValues.size());
    return m_propertyValues.at(index);
}

void VLvParserProperty::addValue(std::optional<QString> value, const QString &label)
{
    m_propertyValues.append(std::move(value));
    m_propertyLabels.append(label);
}
