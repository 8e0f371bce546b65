#pragma once

#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/String.h"

#include <filesystem>

// A diagnostic that registers one font file and logs its names; nothing in the client calls it.
class VLFontLoader {
public:
    // `fontFile` is the file to try (default: an installed DejaVu Sans).
    explicit VLFontLoader(std::filesystem::path fontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");

    // Registers the file, logs "already registered" when it was, then logs the display name and its
    // length as "------<name>---length<n>". The argument is not used; the answer is always empty.
    foundation::Ref<foundation::MutableDictionary> fontNamesByPath(const foundation::Ref<foundation::String>& path);

private:
    std::filesystem::path fontFile_;
};
