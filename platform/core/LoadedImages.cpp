#include "platform/core/LoadedImages.h"

#include <QFile>

#include <link.h>

namespace platform {

std::vector<QByteArray> loadedImagePaths()
{
    std::vector<QByteArray> paths;
    ::dl_iterate_phdr(
        [](dl_phdr_info *info, size_t, void *data) {
            auto &list = *static_cast<std::vector<QByteArray> *>(data);
            if (info->dlpi_name && info->dlpi_name[0])
                list.emplace_back(info->dlpi_name);
            else if (list.empty())    // the program itself comes first, without a name
                list.push_back(QFile::symLinkTarget(QStringLiteral("/proc/self/exe")).toLocal8Bit());
            return 0;
        },
        &paths);
    return paths;
}

} // namespace platform
