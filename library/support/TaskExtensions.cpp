#include "TaskExtensions.h"

#include "platform/system/ProcessList.h"

#include <cerrno>
#include <cstdio>

namespace vl {

qint64 processIdentifierOfTaskWithName(const QString &name)
{
    errno = 0;
    const platform::ProcessSearchResult result = platform::findProcessWithCommandPrefix(name);
    switch (result.status) {
    case platform::ProcessSearchResult::Status::Found:
        return result.pid;
    case platform::ProcessSearchResult::Status::NotFound:
        return -1;
    case platform::ProcessSearchResult::Status::Unreadable:
        std::perror("/proc");
        return -2;
    }
    return -1;
}

} // namespace vl
