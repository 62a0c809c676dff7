#pragma once

#include "platform/archive/ArchivedObject.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <limits>
#include <memory>

/// The value for "no index": the largest signed 64-bit number. It is never an
/// element; lookups return it when there is no such element.
inline constexpr qint64 VLLongLongNotFound = std::numeric_limits<qint64>::max();

class VLMutableLongLongIndexSet;
namespace platform {
class ArchiveClassRegistry;
}

/// An ordered set of signed 64-bit integers (indexes), the 64-bit counterpart
/// of the platform's index set. VLMutableLongLongIndexSet adds changes.
///
/// Iterate in ascending order with firstIndex() and then indexGreaterThanIndex()
/// of the value just returned until VLLongLongNotFound: a bookmark on the last
/// element returned makes each step O(1), as it makes ascending appends O(1).
/// count(), lastIndex() and containsIndex() take at most O(log n).
///
/// Because iteration moves the bookmark, even a set that is only read must not
/// be used from two threads at once.
///
/// In a sequential archive a set is one data object holding indexSetData();
/// both classes are registered with the shared archive class registry when the
/// program starts, and decoding gives the class that was encoded.
class VLLongLongIndexSet : public platform::ArchivedObject
{
public:
    /// An empty set.
    VLLongLongIndexSet();
    /// A set holding `index`; empty when `index` is VLLongLongNotFound.
    explicit VLLongLongIndexSet(qint64 index);
    VLLongLongIndexSet(const VLLongLongIndexSet &other);
    VLLongLongIndexSet(VLLongLongIndexSet &&other);
    VLLongLongIndexSet &operator=(const VLLongLongIndexSet &other);
    VLLongLongIndexSet &operator=(VLLongLongIndexSet &&other);
    ~VLLongLongIndexSet() override;

    static VLLongLongIndexSet indexSet() { return {}; }
    static VLLongLongIndexSet indexSetWithIndex(qint64 index) { return VLLongLongIndexSet(index); }

    /// The set stored in `data` (see indexSetData()). Each complete 8-byte
    /// value is added as by addIndex(), so data not written by this class still
    /// gives a proper set: values sorted, duplicates and VLLongLongNotFound
    /// dropped. A tail of fewer than 8 bytes cannot hold a value and is ignored.
    static VLLongLongIndexSet fromIndexSetData(QByteArrayView data);

    /// The stored form: every element in ascending order as an 8-byte signed
    /// big-endian integer; no header, count or terminator.
    QByteArray indexSetData() const;

    qsizetype count() const { return m_count; }
    bool isEmpty() const { return m_count == 0; }

    /// The smallest element, or VLLongLongNotFound when the set is empty.
    qint64 firstIndex() const;
    /// The largest element, or VLLongLongNotFound when the set is empty.
    qint64 lastIndex() const;
    /// The smallest element greater than `index`, or VLLongLongNotFound. Moves
    /// the bookmark to the element returned.
    qint64 indexGreaterThanIndex(qint64 index) const;
    /// The largest element less than `index`, or VLLongLongNotFound.
    qint64 indexLessThanIndex(qint64 index) const;
    bool containsIndex(qint64 index) const;

    /// True when both sets hold the same elements, whatever their classes.
    bool isEqualToIndexSet(const VLLongLongIndexSet &other) const;
    /// isEqualToIndexSet(), false for null.
    bool isEqual(const VLLongLongIndexSet *other) const { return other && isEqualToIndexSet(*other); }
    friend bool operator==(const VLLongLongIndexSet &a, const VLLongLongIndexSet &b) { return a.isEqualToIndexSet(b); }

    /// Every element in ascending order, written in decimal and separated by
    /// `separator`; the empty string for an empty set.
    QString indexesJoinedByString(const QString &separator) const;
    /// "<ClassName: 0x…>" and a newline, then the elements joined by ", ".
    QString description() const;

    static constexpr platform::ArchivedClass archivedClass{"VLLongLongIndexSet", 0,
                                                           &platform::ArchivedClass::NSObject};
    const platform::ArchivedClass &classForArchiver() const override;
    /// Writes indexSetData() as a data object.
    void encodeWithCoder(platform::Archiver &coder) const override;
    /// Replaces the elements with those of the next data object, read as
    /// fromIndexSetData() reads.
    void initWithCoder(platform::Unarchiver &coder) override;
    /// Registers both classes with `registry`.
    static void registerArchivedClasses(platform::ArchiveClassRegistry &registry);

    /// A copy of the immutable class, also when this set is mutable.
    VLLongLongIndexSet copy() const { return VLLongLongIndexSet(*this); }
    /// A mutable copy.
    VLMutableLongLongIndexSet mutableCopy() const;

protected:
    virtual const char *className() const;

    void addIndex(qint64 index);
    void removeIndex(qint64 index);
    void addIndexes(const VLLongLongIndexSet &other);
    void removeIndexes(const VLLongLongIndexSet &other);
    void removeAllIndexes();

    /// Adds every complete 8-byte value of `data`; see fromIndexSetData().
    void addIndexesFromData(QByteArrayView data);

private:
    struct Private;
    std::unique_ptr<Private> d;
    qsizetype m_count = 0; // kept beside the tree so that count() is inline
};

/// A VLLongLongIndexSet that can change. Appending indexes in ascending order
/// costs O(1) each; any other insertion or removal costs O(log n).
class VLMutableLongLongIndexSet : public VLLongLongIndexSet
{
public:
    using VLLongLongIndexSet::VLLongLongIndexSet;
    VLMutableLongLongIndexSet() = default;
    explicit VLMutableLongLongIndexSet(const VLLongLongIndexSet &other)
        : VLLongLongIndexSet(other)
    {
    }

    static VLMutableLongLongIndexSet indexSet() { return {}; }
    static VLMutableLongLongIndexSet indexSetWithIndex(qint64 index) { return VLMutableLongLongIndexSet(index); }
    /// As VLLongLongIndexSet::fromIndexSetData(), giving a mutable set.
    static VLMutableLongLongIndexSet fromIndexSetData(QByteArrayView data);

    /// Adds `index`; VLLongLongNotFound and elements already present change nothing.
    using VLLongLongIndexSet::addIndex;
    /// Removes `index` if present.
    using VLLongLongIndexSet::removeIndex;
    /// Adds every element of `other`.
    using VLLongLongIndexSet::addIndexes;
    /// Removes every element of `other` (all of them when `other` is this set).
    using VLLongLongIndexSet::removeIndexes;
    using VLLongLongIndexSet::removeAllIndexes;

    static constexpr platform::ArchivedClass archivedClass{"VLMutableLongLongIndexSet", 0,
                                                           &VLLongLongIndexSet::archivedClass};
    const platform::ArchivedClass &classForArchiver() const override;

protected:
    const char *className() const override;
};
