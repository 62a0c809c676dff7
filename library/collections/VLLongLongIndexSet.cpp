#include "VLLongLongIndexSet.h"

#include "platform/archive/ArchiveClassRegistry.h"
#include "platform/archive/Archiver.h"
#include "platform/archive/Unarchiver.h"

#include <QtEndian>

#include <absl/container/btree_set.h>

#include <algorithm>
#include <optional>

// A B-tree keeps the elements in order with O(log n) lookups and removals,
// O(1) amortised appends at the end and cache-friendly iteration; the bookmark
// turns each ascending iteration step into one iterator increment. B-tree
// iterators do not survive insertions or removals, so every change resets the
// bookmark (it is a cache only and never changes a result).
struct VLLongLongIndexSet::Private
{
    using Set = absl::btree_set<qint64>;
    Set indexes;
    std::optional<Set::const_iterator> bookmark;
};

VLLongLongIndexSet::VLLongLongIndexSet()
    : d(std::make_unique<Private>())
{
}

VLLongLongIndexSet::VLLongLongIndexSet(qint64 index)
    : VLLongLongIndexSet()
{
    addIndex(index);
}

VLLongLongIndexSet::VLLongLongIndexSet(const VLLongLongIndexSet &other)
    : d(std::make_unique<Private>(Private{other.d->indexes, std::nullopt}))
    , m_count(other.m_count)
{
}

VLLongLongIndexSet::VLLongLongIndexSet(VLLongLongIndexSet &&other)
    : d(std::exchange(other.d, std::make_unique<Private>()))
    , m_count(std::exchange(other.m_count, 0))
{
}

VLLongLongIndexSet &VLLongLongIndexSet::operator=(const VLLongLongIndexSet &other)
{
    if (this != &other) {
        *d = Private{other.d->indexes, std::nullopt};
        m_count = other.m_count;
    }
    return *this;
}

VLLongLongIndexSet &VLLongLongIndexSet::operator=(VLLongLongIndexSet &&other)
{
    std::swap(d, other.d);
    std::swap(m_count, other.m_count);
    return *this;
}

VLLongLongIndexSet::~VLLongLongIndexSet() = default;

VLLongLongIndexSet VLLongLongIndexSet::fromIndexSetData(QByteArrayView data)
{
    VLLongLongIndexSet set;
    set.addIndexesFromData(data);
    return set;
}

VLMutableLongLongIndexSet VLMutableLongLongIndexSet::fromIndexSetData(QByteArrayView data)
{
    VLMutableLongLongIndexSet set;
    set.addIndexesFromData(data);
    return set;
}

void VLLongLongIndexSet::addIndexesFromData(QByteArrayView data)
{
    // Values in ascending order, as this class writes them, take the O(1)
    // append path. A tail of fewer than 8 bytes holds no value: ignored.
    for (qsizetype offset = 0; offset + 8 <= data.size(); offset += 8)
        addIndex(qFromBigEndian<qint64>(data.data() + offset));
}

QByteArray VLLongLongIndexSet::indexSetData() const
{
    QByteArray data(count() * 8, Qt::Uninitialized);
    char *out = data.data();
    for (qint64 index : d->indexes) {
        qToBigEndian(index, out);
        out += 8;
    }
    return data;
}

qint64 VLLongLongIndexSet::firstIndex() const
{
    return d->indexes.empty() ? VLLongLongNotFound : *d->indexes.begin();
}

qint64 VLLongLongIndexSet::lastIndex() const
{
    return d->indexes.empty() ? VLLongLongNotFound : *d->indexes.rbegin();
}

qint64 VLLongLongIndexSet::indexGreaterThanIndex(qint64 index) const
{
    const Private::Set &indexes = d->indexes;
    if (d->bookmark && **d->bookmark == index) {
        const auto next = std::next(*d->bookmark);
        if (next == indexes.end())
            return VLLongLongNotFound; // the bookmark stays on the last element
        d->bookmark = next;
        return *next;
    }
    const auto found = indexes.upper_bound(index);
    if (found == indexes.end())
        return VLLongLongNotFound;
    d->bookmark = found;
    return *found;
}

qint64 VLLongLongIndexSet::indexLessThanIndex(qint64 index) const
{
    const auto found = d->indexes.lower_bound(index);
    return found == d->indexes.begin() ? VLLongLongNotFound : *std::prev(found);
}

bool VLLongLongIndexSet::containsIndex(qint64 index) const
{
    return d->indexes.contains(index);
}

bool VLLongLongIndexSet::isEqualToIndexSet(const VLLongLongIndexSet &other) const
{
    return m_count == other.m_count && d->indexes == other.d->indexes;
}

QString VLLongLongIndexSet::indexesJoinedByString(const QString &separator) const
{
    QString joined;
    bool first = true;
    for (qint64 index : d->indexes) {
        if (!first)
            joined += separator;
        joined += QString::number(index);
        first = false;
    }
    return joined;
}

QString VLLongLongIndexSet::description() const
{
    return QStringLiteral("<%1: 0x%2>\n").arg(QLatin1String(className())).arg(quintptr(this), 0, 16)
           + indexesJoinedByString(QStringLiteral(", "));
}

VLMutableLongLongIndexSet VLLongLongIndexSet::mutableCopy() const
{
    return VLMutableLongLongIndexSet(*this);
}

const platform::ArchivedClass &VLLongLongIndexSet::classForArchiver() const
{
    return archivedClass;
}

const platform::ArchivedClass &VLMutableLongLongIndexSet::classForArchiver() const
{
    return archivedClass;
}

void VLLongLongIndexSet::encodeWithCoder(platform::Archiver &coder) const
{
    coder.encodeDataObject(indexSetData());
}

void VLLongLongIndexSet::initWithCoder(platform::Unarchiver &coder)
{
    removeAllIndexes();
    addIndexesFromData(coder.decodeDataObject());
}

void VLLongLongIndexSet::registerArchivedClasses(platform::ArchiveClassRegistry &registry)
{
    registry.registerClass<VLLongLongIndexSet>();
    registry.registerClass<VLMutableLongLongIndexSet>();
}

namespace {
// The original runtime finds every class of an archive by name; registering
// with the shared registry at start-up gives the same.
[[maybe_unused]] const bool registeredWithSharedRegistry = [] {
    VLLongLongIndexSet::registerArchivedClasses(platform::ArchiveClassRegistry::shared());
    return true;
}();
} // namespace

const char *VLLongLongIndexSet::className() const
{
    return "VLLongLongIndexSet";
}

const char *VLMutableLongLongIndexSet::className() const
{
    return "VLMutableLongLongIndexSet";
}

void VLLongLongIndexSet::addIndex(qint64 index)
{
    if (index == VLLongLongNotFound)
        return;
    Private::Set &indexes = d->indexes;
    if (!indexes.empty() && index > *indexes.rbegin()) {
        // An append: the bookmark marks the new last element, ready for the next one.
        d->bookmark = indexes.insert(indexes.end(), index);
        ++m_count;
        return;
    }
    if (indexes.insert(index).second) {
        d->bookmark.reset();
        ++m_count;
    }
}

void VLLongLongIndexSet::removeIndex(qint64 index)
{
    d->bookmark.reset();
    m_count -= qsizetype(d->indexes.erase(index));
}

void VLLongLongIndexSet::addIndexes(const VLLongLongIndexSet &other)
{
    if (&other == this)
        return;
    for (qint64 index : other.d->indexes)
        addIndex(index);
}

void VLLongLongIndexSet::removeIndexes(const VLLongLongIndexSet &other)
{
    if (&other == this)
        return removeAllIndexes();
    d->bookmark.reset();
    for (qint64 index : other.d->indexes)
        m_count -= qsizetype(d->indexes.erase(index));
}

void VLLongLongIndexSet::removeAllIndexes()
{
    d->bookmark.reset();
    d->indexes.clear();
    m_count = 0;
}
