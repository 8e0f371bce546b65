#include "Platform/Fonts/FontRegistry.h"
#include "Platform/Storage/Paths.h"
#include "Support/TempHome.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

const std::filesystem::path kSourceFont = "/usr/share/fonts/truetype/dejavu/DejaVuSerifCondensed-BoldItalic.ttf";

// A copy of an installed font under a PostScript name no installed font has, so that only the
// registration under test can make it known. The name table is patched in place: same length.
std::filesystem::path fontWithUniqueName(const std::string& replacement)
{
    std::ifstream in(kSourceFont, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string original = "DejaVuSerifCondensed-BoldItalic";
    EXPECT_EQ(replacement.size(), original.size());
    // The PostScript name appears once in Mac Roman and once in UTF-16BE.
    std::string wideOriginal, wideReplacement;
    for (std::size_t i = 0; i < original.size(); ++i) {
        wideOriginal += std::string(1, '\0') + original[i];
        wideReplacement += std::string(1, '\0') + replacement[i];
    }
    for (const auto& [from, to] : {std::pair{original, replacement}, std::pair{wideOriginal, wideReplacement}}) {
        for (auto at = bytes.find(from); at != std::string::npos; at = bytes.find(from, at + 1))
            bytes.replace(at, from.size(), to);
    }
    const auto file = testsupport::makeScratchDir("download") / (replacement + ".ttf");
    std::ofstream(file, std::ios::binary) << bytes;
    return file;
}

} // namespace

TEST(FontRegistry, InstalledFontIsUsableAtOnceByItsPostScriptName)
{
    const std::string name = "CorvaneTestSerifCond-BoldItalic";
    const auto download = fontWithUniqueName(name);
    EXPECT_FALSE(fonts::FontRegistry::isPostScriptNameAvailable(name));

    std::string error;
    const auto installed = fonts::FontRegistry::installFontFile(download, &error);
    ASSERT_TRUE(installed) << error;
    EXPECT_EQ(*installed, foundation::Paths::userFontsDirectory() / (name + ".ttf"));
    EXPECT_EQ(std::filesystem::file_size(*installed), std::filesystem::file_size(download));

    ASSERT_TRUE(fonts::FontRegistry::registerFontFile(*installed));
    EXPECT_TRUE(fonts::FontRegistry::isPostScriptNameAvailable(name));

    EXPECT_TRUE(fonts::FontRegistry::unregisterFontFile(*installed));
    EXPECT_FALSE(fonts::FontRegistry::unregisterFontFile(*installed));
    EXPECT_TRUE(std::filesystem::exists(*installed));
}

TEST(FontRegistry, ReinstallReplacesTheFileAndLeavesNoTemporaryFile)
{
    const auto download = fontWithUniqueName("CorvaneTestSerifCond-Reinstall1");
    ASSERT_TRUE(fonts::FontRegistry::installFontFile(download));
    const auto installed = fonts::FontRegistry::installFontFile(download);
    ASSERT_TRUE(installed);
    for (const auto& entry : std::filesystem::directory_iterator(installed->parent_path()))
        EXPECT_FALSE(entry.path().extension() == ".part") << entry.path();
}

TEST(FontRegistry, RefusesMissingFilesAndNonFonts)
{
    std::string error;
    EXPECT_FALSE(fonts::FontRegistry::installFontFile("/nonexistent/a.ttf", &error));
    EXPECT_NE(error.find("/nonexistent/a.ttf"), std::string::npos);

    const auto text = testsupport::makeScratchDir("text") / "readme.ttf";
    std::ofstream(text) << "not a font";
    EXPECT_FALSE(fonts::FontRegistry::registerFontFile(text));
    EXPECT_FALSE(fonts::FontRegistry::isPostScriptNameAvailable(""));
}

TEST(FontRegistry, SystemFontsAreListedByPostScriptName)
{
    EXPECT_TRUE(fonts::FontRegistry::isPostScriptNameAvailable("DejaVuSans"));
    EXPECT_FALSE(fonts::FontRegistry::isPostScriptNameAvailable("NoSuchFont-Regular"));
}
