// Feeds arbitrary bytes to the reading of corvanectl's settings documents:
// nothing may crash, a document read must write back to one that reads the
// same, and a fault must always be explained.

#include "corvanectl/SettingsDocument.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QString error;
    const auto document = SettingsDocument::fromJson(bytes, &error);
    if (!document) {
        if (error.isEmpty())
            std::abort();
        return 0;
    }
    QString again;
    const auto reread = SettingsDocument::fromJson(document->toJson(), &again);
    if (!reread || !(*reread == *document))
        std::abort();
    return 0;
}
