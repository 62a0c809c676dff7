#include "VLLoadedImages.h"

#include "platform/core/LoadedImages.h"

bool VLIsImageWithPathLoaded(const char *path)
{
    if (!path)
        return false;
    const QByteArrayView wanted(path);
    for (const QByteArray &image : platform::loadedImagePaths())
        if (image == wanted)
            return true;
    return false;
}
