#include "Platform/Fonts/FontRegistry.h"
#include "Platform/Fonts/UniqueFont.h"
#include "Platform/Storage/Paths.h"
#include "Support/TempHome.h"

#include <gtest/gtest.h>

#include <fstream>

TEST(FontRegistry, InstalledFontIsUsableAtOnceByItsPostScriptName)
{
    const std::string name = "CorvaneTestSerifCond-BoldItalic";
    const auto download = fonttest::fontWithUniqueName(name);
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
    const auto download = fonttest::fontWithUniqueName("CorvaneTestSerifCond-Reinstall1");
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

TEST(FontRegistry, FindsTheFileOfAPostScriptName)
{
    const auto file = fonts::FontRegistry::fileForPostScriptName("DejaVuSans-Bold");
    ASSERT_TRUE(file);
    EXPECT_EQ(file->file.filename(), "DejaVuSans-Bold.ttf");
    EXPECT_EQ(file->faceIndex, 0);
    EXPECT_FALSE(fonts::FontRegistry::fileForPostScriptName("NoSuchFont-Regular"));
    EXPECT_FALSE(fonts::FontRegistry::fileForPostScriptName(""));

    // A font the client installed is found in the user's font folder once registered.
    const std::string name = "CorvaneTestSerifCond-LookupFile";
    const auto installed = fonts::FontRegistry::installFontFile(fonttest::fontWithUniqueName(name));
    ASSERT_TRUE(installed && fonts::FontRegistry::registerFontFile(*installed));
    const auto found = fonts::FontRegistry::fileForPostScriptName(name);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->file, *installed);
}
