#include "Class/Store/KXStoreImages.h"

#include <map>
#include <string>

namespace storeimages {

namespace {

const KXImage& cached(const char* name)
{
    static std::map<std::string, KXImage> images;
    auto found = images.find(name);
    if (found == images.end())
        found = images.emplace(name, KXImage::imageNamed(name)).first;
    return found->second;
}

} // namespace

const KXImage& checkNormal()
{
    return cached("fontsaleCheckNormal");
}

const KXImage& checkSelected()
{
    return cached("fontsaleCheckSelected");
}

const KXImage& offerBoxNormal()
{
    return cached("filterbtnnormalbg");
}

const KXImage& offerBoxSelected()
{
    return cached("fontsaleauth2seleted");
}

const KXImage& fontBoxNormal()
{
    return cached("fontsaleauth1normal");
}

const KXImage& fontBoxSelected()
{
    return cached("fontsaleauth1seleted");
}

const KXImage& addClass()
{
    return cached("fontauthaddclass");
}

const KXImage& deleteClass()
{
    return cached("fontauthdeleclass");
}

const KXImage& alertNormal()
{
    return cached("fontsaleAlertNormal");
}

const KXImage& alertHighlight()
{
    return cached("fontsaleAlerthighlight");
}

const KXImage& categoryIcon()
{
    return cached("fontsSaleClass1");
}

} // namespace storeimages
