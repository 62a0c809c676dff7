#include "KeyCombo.h"

#include "platform/archive/ArchiveClassRegistry.h"
#include "platform/archive/Archiver.h"
#include "platform/archive/Unarchiver.h"

#include <mutex>

namespace {

/// What the archiver and unarchiver handle: they build and fill objects through
/// the coding protocol, while a KeyCombo never changes once made. This holder
/// carries one combination through them.
class ArchivedKeyCombo : public platform::ArchivedObject
{
public:
    static constexpr const platform::ArchivedClass &archivedClass = KeyCombo::archivedClass;

    explicit ArchivedKeyCombo(std::shared_ptr<const KeyCombo> combo)
        : m_combo(std::move(combo))
    {
    }

    const platform::ArchivedClass &classForArchiver() const override { return KeyCombo::archivedClass; }
    void encodeWithCoder(platform::Archiver &coder) const override { m_combo->encodeWithCoder(coder); }
    void initWithCoder(platform::Unarchiver &coder) override { m_combo = KeyCombo::initWithCoder(coder); }

    const std::shared_ptr<const KeyCombo> &combo() const { return m_combo; }

private:
    std::shared_ptr<const KeyCombo> m_combo;
};

} // namespace

void KeyCombo::encodeWithCoder(platform::Archiver &coder) const
{
    coder.encodeValueOfObjCType("s", m_keyCode);
    coder.encodeValueOfObjCType("l", m_modifiers);
}

std::shared_ptr<const KeyCombo> KeyCombo::initWithCoder(platform::Unarchiver &coder)
{
    const platform::ArchiveValue keyCode = coder.decodeValueOfObjCType("s");
    const platform::ArchiveValue modifiers = coder.decodeValueOfObjCType("l");
    if (coder.hasFailed())
        return keyCombo();
    return keyComboWithKeyCode(static_cast<qint16>(keyCode.toLongLong()), static_cast<qint32>(modifiers.toLongLong()));
}

QByteArray KeyCombo::archivedData() const
{
    return platform::Archiver::archivedDataWithRootObject(ArchivedKeyCombo(copy()));
}

std::shared_ptr<const KeyCombo> KeyCombo::unarchiveObjectWithData(QByteArrayView data)
{
    static std::once_flag registered;
    std::call_once(registered, [] { registerArchivedClass(platform::ArchiveClassRegistry::shared()); });
    const auto root = platform::Unarchiver::unarchiveObjectWithData<ArchivedKeyCombo>(data);
    return root ? (*root)->combo() : nullptr;
}

void KeyCombo::registerArchivedClass(platform::ArchiveClassRegistry &registry)
{
    registry.registerClass(archivedClass, [](platform::Unarchiver &coder) {
        return platform::archivedObjectVariant(std::make_shared<ArchivedKeyCombo>(initWithCoder(coder)));
    });
}
