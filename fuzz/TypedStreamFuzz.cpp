// Feeds arbitrary bytes to the typedstream unarchiver: nothing may crash, hang,
// read out of bounds or leak, every refusal must say why, and whatever is read
// must write back to an archive that reads again.

#include "platform/archive/ArchiveClassRegistry.h"
#include "platform/archive/Archiver.h"
#include "platform/archive/Unarchiver.h"

#include <cstdint>
#include <cstdlib>

using namespace platform;

namespace {

class FuzzKeyCombo : public ArchivedObject
{
public:
    static constexpr ArchivedClass archivedClass{"KeyCombo", 0, &ArchivedClass::NSObject};
    const ArchivedClass &classForArchiver() const override { return archivedClass; }
    void encodeWithCoder(Archiver &coder) const override { coder.encodeValuesOfObjCTypes("sl", {keyCode, modifiers}); }
    void initWithCoder(Unarchiver &coder) override
    {
        const QList<ArchiveValue> values = coder.decodeValuesOfObjCTypes("sl");
        keyCode = qint16(values[0].toLongLong());
        modifiers = qint32(values[1].toLongLong());
    }
    qint16 keyCode = -1;
    qint32 modifiers = -1;
};

/// Objects, booleans, C strings and data objects, with back references.
class FuzzRecord : public ArchivedObject
{
public:
    static constexpr ArchivedClass archivedClass{"FuzzRecord", 1, &ArchivedClass::NSObject};
    const ArchivedClass &classForArchiver() const override { return archivedClass; }
    void encodeWithCoder(Archiver &coder) const override
    {
        coder.encodeObject(first);
        coder.encodeValueOfObjCType("c", flag);
        coder.encodeValueOfObjCType("*", name.isNull() ? ArchiveValue() : ArchiveValue(name));
        coder.encodeDataObject(data);
        coder.encodeObject(second);
    }
    void initWithCoder(Unarchiver &coder) override
    {
        first = coder.decodeObject();
        flag = qint8(coder.decodeValueOfObjCType("c").toLongLong());
        name = coder.decodeValueOfObjCType("*").toByteArray();
        data = coder.decodeDataObject();
        second = coder.decodeObject();
    }
    QVariant first, second;
    qint8 flag = 0;
    QByteArray name, data;
};

const ArchiveClassRegistry &registry()
{
    static ArchiveClassRegistry registry;
    static const bool filled = [] {
        registry.registerFoundationClasses();
        registry.registerClass<FuzzKeyCombo>();
        registry.registerClass<FuzzRecord>();
        return true;
    }();
    (void)filled;
    return registry;
}

/// Whether `value` written out again stays small and shallow. Values shared by
/// reference in an archive are written anew each time (only ArchivedObjects keep
/// their identity), so a few bytes of references can stand for a huge tree.
bool staysSmall(const QVariant &value, int &budget, int depth = 0)
{
    if (--budget < 0 || depth > 100)
        return false;
    if (auto record = archivedObjectCast<FuzzRecord>(value))
        return staysSmall(record->first, budget, depth + 1) && staysSmall(record->second, budget, depth + 1);
    if (value.typeId() == QMetaType::QVariantList) {
        for (const QVariant &element : value.toList()) {
            if (!staysSmall(element, budget, depth + 1))
                return false;
        }
    }
    if (value.typeId() == QMetaType::QVariantMap) {
        for (const QVariant &element : value.toMap()) {
            if (!staysSmall(element, budget, depth + 1))
                return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // No copy: reading past the input is then a sanitizer error.
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const ArchiveResult<QVariant> result = Unarchiver::unarchiveObjectWithData(bytes, registry());
    if (!result) {
        if (result.error().description.isEmpty())
            std::abort();
        return 0;
    }
    int budget = 10000;
    if (!staysSmall(*result, budget))
        return 0;
    const QByteArray again = Archiver::archivedDataWithRootObject(*result);
    if (!Unarchiver::unarchiveObjectWithData(again, registry()))
        std::abort();
    return 0;
}
