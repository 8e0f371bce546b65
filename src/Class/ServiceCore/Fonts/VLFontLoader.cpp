#include "Class/ServiceCore/Fonts/VLFontLoader.h"

#include "Platform/Fonts/FontNames.h"
#include "Platform/Fonts/FontRegistry.h"
#include "Platform/Foundation/Format.h"

#include <cstdio>

VLFontLoader::VLFontLoader(std::filesystem::path fontFile)
    : fontFile_(std::move(fontFile))
{
}

foundation::Ref<foundation::MutableDictionary> VLFontLoader::fontNamesByPath(const foundation::Ref<foundation::String>&)
{
    // fontconfig takes a file twice without complaint; taking it out first tells whether it was in.
    const bool wasRegistered = fonts::FontRegistry::unregisterFontFile(fontFile_);
    fonts::FontRegistry::registerFontFile(fontFile_);
    if (wasRegistered)
        std::fprintf(stderr, "%s is already registered\n", fontFile_.c_str());
    if (auto names = fonts::FontNameReader::read(fontFile_, fonts::FontNameReader::preferredLanguages())) {
        auto display = foundation::String::create(names->fullName.value_or(names->family.value_or("")));
        std::fprintf(stderr, "%s\n", foundation::format("------%@---length%zd", display, display->length()).c_str());
    }
    return foundation::MutableDictionary::create();
}
