#include "Platform/Storage/FolderTreeWatch.h"

#include "Support/TempHome.h"

#include <gtest/gtest.h>

#include <fstream>

namespace fs = std::filesystem;

TEST(FolderTreeWatch, ReportsEachChangeOnceAndOnlyInTheFoldersAdded)
{
    const fs::path root = testsupport::makeScratchDir("watch");
    fs::create_directories(root / "inner");
    fs::create_directories(root / "other");
    foundation::FolderTreeWatch watch;
    ASSERT_TRUE(watch.add(root));
    ASSERT_TRUE(watch.add(root / "inner"));
    EXPECT_FALSE(watch.takeChanged());

    std::ofstream(root / "inner" / "a.ttf") << "a";
    EXPECT_TRUE(watch.takeChanged());
    EXPECT_FALSE(watch.takeChanged()) << "the news was used up";

    std::ofstream(root / "other" / "b.ttf") << "b";
    EXPECT_FALSE(watch.takeChanged()) << "a folder not added is not watched";

    fs::last_write_time(root / "inner" / "a.ttf", fs::last_write_time(root / "inner" / "a.ttf") - std::chrono::hours(1));
    EXPECT_TRUE(watch.takeChanged()) << "a new time";
    fs::rename(root / "inner" / "a.ttf", root / "a.ttf");
    EXPECT_TRUE(watch.takeChanged());
    fs::remove_all(root / "inner");
    EXPECT_TRUE(watch.takeChanged());
    EXPECT_FALSE(watch.add(root / "inner")) << "no such folder";
    EXPECT_FALSE(watch.add(root / "a.ttf")) << "not a folder";
}
