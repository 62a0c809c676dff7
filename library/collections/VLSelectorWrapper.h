#pragma once

#include <QByteArray>
#include <QHashFunctions>
#include <QMetaType>
#include <QVariant>

/// A method selector (the name of a slot or Q_INVOKABLE method) as a value that
/// collections and QVariants can hold.
class VLSelectorWrapper
{
public:
    VLSelectorWrapper() = default;
    explicit VLSelectorWrapper(QByteArray selector)
        : m_selector(std::move(selector))
    {
    }
    static VLSelectorWrapper wrapperWithSelector(QByteArray selector) { return VLSelectorWrapper(std::move(selector)); }

    const QByteArray &selector() const { return m_selector; }

    /// The hash of the selector's name as a string.
    size_t hash() const { return qHash(QString::fromLatin1(m_selector)); }

    /// True when `object` holds a VLSelectorWrapper of the same selector; false
    /// for anything else.
    bool isEqual(const QVariant &object) const;

    friend bool operator==(const VLSelectorWrapper &a, const VLSelectorWrapper &b) { return a.m_selector == b.m_selector; }

private:
    QByteArray m_selector;
};

inline size_t qHash(const VLSelectorWrapper &wrapper, size_t seed = 0)
{
    return qHash(QString::fromLatin1(wrapper.selector()), seed);
}

Q_DECLARE_METATYPE(VLSelectorWrapper)

inline bool VLSelectorWrapper::isEqual(const QVariant &object) const
{
    return object.metaType() == QMetaType::fromType<VLSelectorWrapper>() && object.value<VLSelectorWrapper>() == *this;
}
