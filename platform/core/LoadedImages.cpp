#include "platform/core/LoadedImages.h"

#include <QFile>

#include <link.h>

namespace platform {

namespace {

QByteArray programPath()
{
    return QFile::symLinkTarget(QStringLiteral("/proc/self/exe")).toLocal8Bit();
}

} // namespace

std::vector<QByteArray> loadedImagePaths()
{
    std::vector<QByteArray> paths;
    ::dl_iterate_phdr(
        [](dl_phdr_info *info, size_t, void *data) {
            auto &list = *static_cast<std::vector<QByteArray> *>(data);
            if (info->dlpi_name && info->dlpi_name[0])
                list.emplace_back(info->dlpi_name);
            else if (list.empty()) // the program itself comes first, without a name
                list.push_back(programPath());
            return 0;
        },
        &paths);
    return paths;
}

std::optional<QByteArray> loadedImagePathContaining(const void *address)
{
    struct Search
    {
        ElfW(Addr) address;
        std::optional<QByteArray> path;
        bool first = true;
    } search{ElfW(Addr)(address), std::nullopt};
    ::dl_iterate_phdr(
        [](dl_phdr_info *info, size_t, void *data) {
            auto &search = *static_cast<Search *>(data);
            const bool program = search.first;
            search.first = false;
            for (ElfW(Half) i = 0; i < info->dlpi_phnum; ++i) {
                const ElfW(Phdr) &segment = info->dlpi_phdr[i];
                const ElfW(Addr) start = info->dlpi_addr + segment.p_vaddr;
                if (segment.p_type != PT_LOAD || search.address < start || search.address - start >= segment.p_memsz)
                    continue;
                if (info->dlpi_name && info->dlpi_name[0])
                    search.path = QByteArray(info->dlpi_name);
                else if (program)
                    search.path = programPath();
                return 1;
            }
            return 0;
        },
        &search);
    return search.path;
}

} // namespace platform
