#pragma once

#include "Support/TempHome.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>

namespace fonttest {

// A copy of an installed font under a PostScript name no installed font has, so that only the
// registration under test can make it known. `postScriptName` must be as long as the original
// "DejaVuSerifCondensed-BoldItalic" (31 characters): the name table is patched in place.
inline std::filesystem::path fontWithUniqueName(const std::string& postScriptName)
{
    const std::filesystem::path source = "/usr/share/fonts/truetype/dejavu/DejaVuSerifCondensed-BoldItalic.ttf";
    std::ifstream in(source, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string original = "DejaVuSerifCondensed-BoldItalic";
    if (postScriptName.size() != original.size())
        return {};
    // The name is stored once in Mac Roman and once in UTF-16BE.
    std::string wideOriginal, wideReplacement;
    for (std::size_t i = 0; i < original.size(); ++i) {
        wideOriginal += std::string(1, '\0') + original[i];
        wideReplacement += std::string(1, '\0') + postScriptName[i];
    }
    for (const auto& [from, to] : {std::pair{original, postScriptName}, std::pair{wideOriginal, wideReplacement}}) {
        for (auto at = bytes.find(from); at != std::string::npos; at = bytes.find(from, at + 1))
            bytes.replace(at, from.size(), to);
    }
    const auto file = testsupport::makeScratchDir("download") / (postScriptName + ".ttf");
    std::ofstream(file, std::ios::binary) << bytes;
    return file;
}

} // namespace fonttest
