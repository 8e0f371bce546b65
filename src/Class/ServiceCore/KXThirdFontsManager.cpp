#include "Class/ServiceCore/KXThirdFontsManager.h"

#include "Platform/Fonts/FontRegistry.h"

#include <cstdio>
#include <string>

namespace {

// The file path of a path or "file://" URL text.
std::string filePath(const foundation::Ref<foundation::String>& text)
{
    if (!text)
        return {};
    std::string path = text->utf8();
    if (path.starts_with("file://"))
        path.erase(0, 7);
    return path;
}

} // namespace

void KXThirdFontsManager::registerFontBuyPath(const foundation::Ref<foundation::String>& path)
{
    const auto file = filePath(path);
    if (file.empty() || !fonts::FontRegistry::registerFontFile(file))
        std::fprintf(stderr, "font registration failed: %s\n", file.c_str());
}

void KXThirdFontsManager::unRegisterFontBuyPath(const foundation::Ref<foundation::String>& path)
{
    fonts::FontRegistry::unregisterFontFile(filePath(path));
}
