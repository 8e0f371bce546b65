#include "Platform/Fonts/FontRegistry.h"
#include "Platform/Fonts/UniqueFont.h"
#include "Platform/Foundation/NewFiles.h"
#include "Platform/Storage/Paths.h"
#include "Support/TempHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <unistd.h>
#include <vector>

TEST(FontRegistry, InstalledFontIsUsableAtOnceByItsPostScriptName)
{
    const std::string name = "CorvaneTestSerifCond-BoldItalic";
    const auto download = fonttest::fontWithUniqueName(name);
    EXPECT_FALSE(fonts::FontRegistry::isPostScriptNameAvailable(name));

    std::string error;
    const auto placed = fonts::FontRegistry::installFontFile(download, {}, &error);
    ASSERT_TRUE(placed) << error;
    const auto& installed = placed->file;
    EXPECT_EQ(installed, foundation::Paths::userFontsDirectory() / (name + ".ttf"));
    EXPECT_TRUE(placed->added);
    EXPECT_EQ(std::filesystem::file_size(installed), std::filesystem::file_size(download));

    ASSERT_TRUE(fonts::FontRegistry::registerFontFile(installed));
    EXPECT_TRUE(fonts::FontRegistry::isPostScriptNameAvailable(name));

    EXPECT_TRUE(fonts::FontRegistry::unregisterFontFile(installed));
    EXPECT_FALSE(fonts::FontRegistry::unregisterFontFile(installed));
    EXPECT_TRUE(std::filesystem::exists(installed));
}

TEST(FontRegistry, ReinstallReplacesTheFileAndLeavesNoTemporaryFile)
{
    const auto download = fonttest::fontWithUniqueName("CorvaneTestSerifCond-Reinstall1");
    ASSERT_TRUE(fonts::FontRegistry::installFontFile(download));
    const auto installed = fonts::FontRegistry::installFontFile(download);
    ASSERT_TRUE(installed);
    for (const auto& entry : std::filesystem::directory_iterator(installed->file.parent_path()))
        EXPECT_FALSE(entry.path().extension() == ".part") << entry.path();
}

bool sameBytes(const std::filesystem::path& file, const std::filesystem::path& other)
{
    std::ifstream a(file, std::ios::binary);
    std::ifstream b(other, std::ios::binary);
    return a && b
        && std::string(std::istreambuf_iterator<char>(a), {}) == std::string(std::istreambuf_iterator<char>(b), {});
}

TEST(FontRegistry, AFileOfTheSameNameGoesOnlyWhenTheCallerInstalledIt)
{
    namespace fs = std::filesystem;
    const std::string name = "CorvaneTestSerifCond-SameNames1";
    const auto download = fonttest::fontWithUniqueName(name);
    const auto otherFont = fonttest::fontWithUniqueName("CorvaneTestSerifCond-UsersOwn01");
    const auto folder = foundation::Paths::userFontsDirectory();
    fs::create_directories(folder);
    const auto target = folder / (name + ".ttf");
    const auto numbered = folder / (name + "-1.ttf");

    // The same bytes: the file there is the installed one, untouched.
    fs::copy_file(download, target);
    const auto longAgo = fs::file_time_type::clock::now() - std::chrono::hours(24 * 365);
    fs::last_write_time(target, longAgo);
    auto placed = fonts::FontRegistry::installFontFile(download);
    ASSERT_TRUE(placed);
    EXPECT_EQ(placed->file, target);
    EXPECT_FALSE(placed->added) << "taking it back must not remove a file that was there";
    EXPECT_FALSE(placed->written) << "the bytes were found, not written";
    EXPECT_EQ(fs::last_write_time(target), longAgo) << "not written again";

    // The user's own font under that name stays; the download takes the next free name, and finds
    // itself there the next time instead of adding one more copy.
    fs::copy_file(otherFont, target, fs::copy_options::overwrite_existing);
    std::string error;
    placed = fonts::FontRegistry::installFontFile(download, {}, &error);
    ASSERT_TRUE(placed) << error;
    EXPECT_EQ(placed->file, numbered);
    EXPECT_TRUE(placed->added);
    EXPECT_TRUE(placed->written);
    EXPECT_TRUE(sameBytes(target, otherFont));
    EXPECT_TRUE(sameBytes(numbered, download));
    placed = fonts::FontRegistry::installFontFile(download);
    ASSERT_TRUE(placed);
    EXPECT_EQ(placed->file, numbered);
    EXPECT_FALSE(placed->added);

    // A file the caller installed (an older version) is replaced where it is.
    placed = fonts::FontRegistry::installFontFile(download, {target});
    ASSERT_TRUE(placed);
    EXPECT_EQ(placed->file, target);
    EXPECT_FALSE(placed->added);
    EXPECT_TRUE(placed->written);
    EXPECT_TRUE(sameBytes(target, download));

    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().find("SameNames1") != std::string::npos)
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{name + "-1.ttf", name + ".ttf"})) << "no copy, no temporary file left";
}

std::string textOf(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Someone who can write to the font folder plants a link at the name the copy takes, and a file
// under the name after it. The copy goes through neither: both are left as they are, and it
// takes a third name.
TEST(FontRegistry, TheCopyTakesANameOfItsOwnAndGoesThroughNoLinkPlantedThere)
{
    namespace fs = std::filesystem;
    const std::string name = "CorvaneTestSerifCond-Planted001";
    const auto download = fonttest::fontWithUniqueName(name);
    const auto folder = foundation::Paths::userFontsDirectory();
    fs::create_directories(folder);
    const auto prefix = "." + name + ".ttf." + std::to_string(::getpid()) + ".";
    const auto linked = folder / (prefix + "11.part");
    const auto taken = folder / (prefix + "12.part");
    const auto usersFile = testsupport::makeScratchDir("planted") / "notes.txt";
    std::ofstream(usersFile) << "the user's notes";
    fs::create_symlink(usersFile, linked);
    std::ofstream(taken) << "someone's file";
    std::uint64_t next = 11;
    foundation::NewFiles::ScopedNumbers numbers([&next] { return next++; });

    std::string error;
    const auto placed = fonts::FontRegistry::installFontFile(download, {}, &error);
    ASSERT_TRUE(placed) << error;
    EXPECT_EQ(placed->file, folder / (name + ".ttf"));
    EXPECT_TRUE(sameBytes(placed->file, download));
    EXPECT_EQ(textOf(usersFile), "the user's notes");
    EXPECT_TRUE(fs::is_symlink(linked));
    EXPECT_EQ(textOf(taken), "someone's file");
    EXPECT_EQ(next, 14u) << "the third number names the copy";
    EXPECT_FALSE(fs::exists(folder / (prefix + "13.part"))) << "the copy was renamed into place";
}

TEST(FontRegistry, RefusesMissingFilesAndNonFonts)
{
    std::string error;
    EXPECT_FALSE(fonts::FontRegistry::installFontFile("/nonexistent/a.ttf", {}, &error));
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
    ASSERT_TRUE(installed && fonts::FontRegistry::registerFontFile(installed->file));
    const auto found = fonts::FontRegistry::fileForPostScriptName(name);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->file, installed->file);
}
