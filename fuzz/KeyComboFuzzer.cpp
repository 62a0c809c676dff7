// Feeds arbitrary bytes to the path that reads a stored hot key, as
// vl::keyComboForKey() does with the preference value. Whatever comes back must
// be a combination that archives and reads back as itself.
#include "KeyCombo.h"
#include "UserDefaultsKeyComboAdditions.h"

#include <QByteArray>
#include <QVariant>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const auto combo = vl::unarchiveKeyCombo(bytes);
    if (!combo)
        std::abort();
    const QByteArray archive = vl::archiveKeyCombo(combo);
    const auto again = vl::unarchiveKeyCombo(archive);
    if (again->keyCode() != combo->keyCode() || again->storedModifiers() != combo->storedModifiers())
        std::abort();
    if (vl::archiveKeyCombo(again) != archive)
        std::abort();
    return 0;
}
