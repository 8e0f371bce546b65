#include "Class/Favourites/Core/KXFolderStateIcon.h"

std::string KXFolderStateIcon::imageName(long long isPublish, long long isEncrypt)
{
    if (isEncrypt != 0 && isPublish != 0 && isPublish != 3)
        return kHalfPublished;
    switch (isPublish) {
    case 0:
        return kWait;
    case 1:
        return kChecking;
    case 2:
        return kPublished;
    default:
        return kRefused;
    }
}

std::string KXFolderStateIcon::imageName(const foundation::Id& folder)
{
    return imageName(folder["is_publish"].integerValue(), folder["is_encrypt"].integerValue());
}
