#include "Class/Account/KXQQGroupCode.h"

#include "Class/ImageViews/ILImageConversion.h"
#include "Class/ImageViews/ImageView.h"
#include "Class/ImageViews/ImageViewWebCache.h"
#include "Class/UIKit/KXImage.h"
#include "Platform/Foundation/URL.h"
#include "Platform/Foundation/String.h"
#include "Platform/Storage/UserDefaults.h"

void kx_loadQQGroupCode(ImageView* view)
{
    const foundation::Id address(foundation::UserDefaults::standardUserDefaults().stringForKey("qq_group"));
    il_setImageWithURL(view, foundation::URL::URLWithString(address.stringValue()), il_imageFromKXImage(KXImage::imageNamed("feedBackByQQ")),
                       ILLoadRefreshCached);
}
