// Decodes arbitrary bytes as a stored index set, directly and from inside a
// sequential archive, and checks that the result is a proper set that
// survives a round trip.

#include "platform/archive/Archiver.h"
#include "platform/archive/Unarchiver.h"
#include "VLLongLongIndexSet.h"

#include <cstddef>
#include <cstdint>

namespace {

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

// Writes arbitrary bytes where an index set writes its data object.
class ForeignIndexSet : public platform::ArchivedObject
{
public:
    explicit ForeignIndexSet(QByteArray data)
        : m_data(std::move(data))
    {
    }
    const platform::ArchivedClass &classForArchiver() const override { return VLMutableLongLongIndexSet::archivedClass; }
    void encodeWithCoder(platform::Archiver &coder) const override { coder.encodeDataObject(m_data); }
    void initWithCoder(platform::Unarchiver &) override {}

private:
    QByteArray m_data;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    VLMutableLongLongIndexSet set = VLMutableLongLongIndexSet::fromIndexSetData(bytes);
    check(set.count() <= qsizetype(size / 8));

    qsizetype steps = 0;
    qint64 previous = 0;
    for (qint64 i = set.firstIndex(); i != VLLongLongNotFound; i = set.indexGreaterThanIndex(i)) {
        check(steps == 0 || i > previous);
        check(set.containsIndex(i));
        check(set.indexLessThanIndex(i) == (steps == 0 ? VLLongLongNotFound : previous));
        previous = i;
        ++steps;
    }
    check(steps == set.count());
    check(set.count() == 0 || previous == set.lastIndex());

    const QByteArray encoded = set.indexSetData();
    check(encoded.size() == 8 * set.count());
    check(VLLongLongIndexSet::fromIndexSetData(encoded) == set);

    const QByteArray archive = platform::Archiver::archivedDataWithRootObject(ForeignIndexSet(bytes.toByteArray()));
    const auto unarchived = platform::Unarchiver::unarchiveObjectWithData<VLMutableLongLongIndexSet>(archive);
    check(unarchived && **unarchived == set);

    // Taking the elements out one by one in an order of the input's choosing.
    for (size_t offset = 0; offset + 8 <= size && set.count() > 0; offset += 16) {
        const qint64 before = set.count();
        const qint64 victim = set.indexGreaterThanIndex(qint64(data[offset]) - 128);
        set.removeIndex(victim);
        check(set.count() == before - (victim == VLLongLongNotFound ? 0 : 1));
        check(!set.containsIndex(victim));
    }
    return 0;
}
