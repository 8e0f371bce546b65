// The client's own folders and files are its user's alone, whatever the umask: a permissive umask
// (022, the common default) must not leave group or others any access, and files and folders that
// older versions made open to all are closed at their next write or at start-up.
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/PrivateFiles.h"
#include "Support/TempHome.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

using foundation::PrivateFiles;
namespace fs = std::filesystem;

namespace {

unsigned modeOf(const fs::path& path)
{
    struct stat info { };
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

void writeText(const fs::path& file, const std::string& text, unsigned mode)
{
    std::ofstream(file) << text;
    fs::permissions(file, static_cast<fs::perms>(mode));
}

std::span<const std::uint8_t> bytesOf(std::string_view text)
{
    return { reinterpret_cast<const std::uint8_t*>(text.data()), text.size() };
}

class PrivateFilesTest : public ::testing::Test {
protected:
    void SetUp() override { previousMask_ = ::umask(022); }
    void TearDown() override { ::umask(previousMask_); }

    const fs::path dir_ = testsupport::makeScratchDir("private");

private:
    mode_t previousMask_ = 0;
};

TEST_F(PrivateFilesTest, EveryFolderItMakesIsTheOwnersAlone)
{
    fs::permissions(dir_, static_cast<fs::perms>(0755));
    std::error_code error;
    ASSERT_TRUE(PrivateFiles::createFolder(dir_ / "a" / "b" / "c", error)) << error.message();
    EXPECT_EQ(modeOf(dir_ / "a"), 0700u) << "a parent made on the way is as private as the folder";
    EXPECT_EQ(modeOf(dir_ / "a" / "b"), 0700u);
    EXPECT_EQ(modeOf(dir_ / "a" / "b" / "c"), 0700u);
    EXPECT_EQ(modeOf(dir_), 0755u) << "a folder that was there keeps its mode";

    EXPECT_TRUE(PrivateFiles::createFolder(dir_ / "a" / "b", error)) << "a folder that is there counts";
    writeText(dir_ / "file", "x", 0600);
    EXPECT_FALSE(PrivateFiles::createFolder(dir_ / "file", error));
    EXPECT_TRUE(error);
    EXPECT_FALSE(PrivateFiles::createFolder(dir_ / "file" / "below", error));
    EXPECT_TRUE(error);
}

TEST_F(PrivateFilesTest, WrittenFilesAreTheOwnersAloneAndAnOpenOneIsClosedByItsRewrite)
{
    const fs::path file = dir_ / "state" / "defaults.plist";
    ASSERT_TRUE(PrivateFiles::writeFile(file, bytesOf("first")));
    EXPECT_EQ(modeOf(file), 0600u);
    EXPECT_EQ(modeOf(file.parent_path()), 0700u) << "the missing folder is made private too";

    // A file an older version wrote open to all.
    fs::permissions(file, static_cast<fs::perms>(0644));
    ASSERT_TRUE(PrivateFiles::writeFile(file, bytesOf("second")));
    EXPECT_EQ(modeOf(file), 0600u);
    EXPECT_EQ(foundation::Data::dataWithContentsOfFile(file)->view(), "second");
    EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), {}), 1)
        << "no temporary file is left";

    ::umask(0);
    ASSERT_TRUE(PrivateFiles::writeFile(dir_ / "open-umask", bytesOf("x")));
    EXPECT_EQ(modeOf(dir_ / "open-umask"), 0600u) << "not even a umask of 0 opens it";
}

TEST_F(PrivateFilesTest, RestrictingAFileTakesOnlyGroupAndOthersAccessAway)
{
    writeText(dir_ / "database", "db", 0644);
    writeText(dir_ / "script", "#!", 0755);
    PrivateFiles::restrictFile(dir_ / "database");
    PrivateFiles::restrictFile(dir_ / "script");
    EXPECT_EQ(modeOf(dir_ / "database"), 0600u);
    EXPECT_EQ(modeOf(dir_ / "script"), 0700u);

    // Neither a link nor what it points at is touched, nor is a missing file made.
    const fs::path outside = testsupport::makeScratchDir("outside") / "font.ttf";
    writeText(outside, "font", 0644);
    fs::create_symlink(outside, dir_ / "link");
    PrivateFiles::restrictFile(dir_ / "link");
    EXPECT_EQ(modeOf(outside), 0644u);
    PrivateFiles::restrictFile(dir_ / "missing");
    EXPECT_FALSE(fs::exists(dir_ / "missing"));
}

TEST_F(PrivateFilesTest, AtStartUpEveryFolderBelowTheRootIsClosedButNotWhatALinkLeadsTo)
{
    const fs::path root = dir_ / "corvane-fonts";
    fs::create_directories(root / "KXFonts" / "inner");
    for (const fs::path& folder : { root, root / "KXFonts", root / "KXFonts" / "inner" })
        fs::permissions(folder, static_cast<fs::perms>(0755));
    writeText(root / "KXFonts" / "searchHistory.plist", "h", 0644);
    const fs::path fonts = testsupport::makeScratchDir("fonts");
    fs::permissions(fonts, static_cast<fs::perms>(0755));
    fs::create_directory_symlink(fonts, root / "fonts");

    PrivateFiles::restrictFolders(root);
    EXPECT_EQ(modeOf(root), 0700u);
    EXPECT_EQ(modeOf(root / "KXFonts"), 0700u);
    EXPECT_EQ(modeOf(root / "KXFonts" / "inner"), 0700u);
    EXPECT_EQ(modeOf(fonts), 0755u) << "a linked folder is not the client's";
    EXPECT_EQ(modeOf(root / "KXFonts" / "searchHistory.plist"), 0644u) << "files wait for their next write";

    PrivateFiles::restrictFolders(dir_ / "no-such-folder");
    EXPECT_FALSE(fs::exists(dir_ / "no-such-folder"));
}

} // namespace
