#include "platform/archive/ArchiveClassRegistry.h"

#include "platform/archive/ArchivedFoundationClasses_p.h"

namespace platform {

ArchiveClassRegistry::ArchiveClassRegistry() = default;
ArchiveClassRegistry::~ArchiveClassRegistry() = default;

ArchiveClassRegistry &ArchiveClassRegistry::shared()
{
    struct SharedRegistry : ArchiveClassRegistry
    {
        SharedRegistry() { registerFoundationClasses(); }
    };
    static SharedRegistry registry;
    return registry;
}

void ArchiveClassRegistry::registerClass(const ArchivedClass &cls, Decoder decoder)
{
    auto entry = std::make_shared<const Entry>(Entry{&cls, std::move(decoder)});
    const std::lock_guard lock(m_mutex);
    m_entries.insert_or_assign(std::string(cls.name), std::move(entry));
}

void ArchiveClassRegistry::registerFoundationClasses()
{
    foundation::registerDecoders(*this);
}

std::shared_ptr<const ArchiveClassRegistry::Entry> ArchiveClassRegistry::entryForClassName(QByteArrayView name) const
{
    const std::lock_guard lock(m_mutex);
    const auto found = m_entries.find(std::string_view(name.data(), size_t(name.size())));
    return found == m_entries.end() ? nullptr : found->second;
}

} // namespace platform
