// Feeds arbitrary bytes to the reading of a stored hot key ("ShowHideHotKey"), as
// the pane does with whatever another program left in the preferences: nothing
// may crash or read out of bounds, and whatever reads as a combination must
// archive again to bytes that read back as the same combination.

#include "KeyCombo.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto combo = KeyCombo::unarchiveObjectWithData(QByteArrayView(data, qsizetype(size)));
    if (!combo)
        return 0;
    (void)combo->isReserved();
    (void)combo->userDisplayRep();
    const auto again = KeyCombo::unarchiveObjectWithData(combo->archivedData());
    if (!again || again->keyCode() != combo->keyCode() || again->storedModifiers() != combo->storedModifiers())
        std::abort();
    return 0;
}
