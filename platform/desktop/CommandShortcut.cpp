#include "CommandShortcut.h"

#include <algorithm>

namespace platform {

bool CommandShortcut::isValid() const
{
    // A file name and a settings path of its own: no '/', nothing hidden.
    const bool plainId = !id.isEmpty() && id.front().isLetterOrNumber() && std::all_of(id.begin(), id.end(), [](QChar c) {
        return c.unicode() < 0x80 && (c.isLetterOrNumber() || c == u'.' || c == u'-' || c == u'_');
    });
    return plainId && !command.isEmpty() && !command.constFirst().isEmpty() && keys.key() != Qt::Key_unknown;
}

} // namespace platform
