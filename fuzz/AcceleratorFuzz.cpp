// Feeds arbitrary text to the reading of hot keys as people, scripts and the
// desktops write them ("⌥Space", "Alt+Space", "<Alt>space"): nothing may crash,
// and a combination read must read back the same from the texts written for it.

#include "KeyCombo.h"
#include "platform/desktop/Accelerator.h"

#include <QString>

#include <cstdint>
#include <cstdlib>

namespace {

void expectSame(const KeyCombo &combo, const QString &text)
{
    if (text.isEmpty())
        return;
    const auto again = KeyCombo::keyComboWithText(text);
    if (!again || !(*again == combo))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    (void)platform::parseAccelerator(text);
    const auto combo = KeyCombo::keyComboWithText(text);
    if (!combo)
        return 0;
    const auto qt = combo->qtKeyCombination();
    if (!qt)
        return 0;
    expectSame(*combo, platform::gtkAccelerator(*qt));
    expectSame(*combo, platform::portableAccelerator(*qt));
    return 0;
}
