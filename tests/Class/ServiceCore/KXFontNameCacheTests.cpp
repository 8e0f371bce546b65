#include "Class/ServiceCore/KXFontNameCache.h"
#include "Class/ServiceCore/KXFontNameRecord.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Serialization/PropertyListSerialization.h"
#include "Support/TempHome.h"

#include <gtest/gtest.h>

#include <fstream>
#include <thread>

using foundation::Id;
using foundation::Ref;
using foundation::String;

namespace {

struct CacheFolder {
    std::filesystem::path root = testsupport::makeScratchDir("namecache");
    std::filesystem::path file = root / "KXFonts" / "fontName.plist";

    std::string font(const std::string& name, const std::string& content = "font bytes")
    {
        const auto path = root / name;
        std::ofstream(path, std::ios::binary) << content;
        return path.string();
    }
};

Ref<foundation::Dictionary> record(const std::string& family, const std::string& path)
{
    return kxfontname::makeRecord(String::create(family), String::create("Regular"), String::create(family + "-PS"),
                                  String::create(path));
}

// The path keys of the file's elements, in file order.
std::vector<std::string> pathsInFile(const std::filesystem::path& file)
{
    std::vector<std::string> paths;
    auto list = foundation::PropertyListSerialization::propertyListWithData(
        foundation::Data::dataWithContentsOfFile(file), 0);
    const auto elements = list.array();
    for (const auto& element : *elements) {
        auto dictionary = element.dictionary();
        EXPECT_EQ(dictionary->count(), 1u);
        paths.push_back(dictionary->entries().front().key.stringValue());
    }
    return paths;
}

} // namespace

TEST(KXFontNameCache, NewPathsGoToTheFrontAndAHitMovesToTheFront)
{
    CacheFolder folder;
    KXFontNameCache cache(folder.file);
    const auto a = folder.font("a.ttf");
    const auto b = folder.font("b.ttf");
    const auto c = folder.font("c.ttf");
    cache.insertRecord(a, record("A", a));
    cache.insertRecord(b, record("B", b));
    EXPECT_EQ(pathsInFile(folder.file), (std::vector<std::string>{b, a}));

    auto hit = cache.recordForPath(a);
    ASSERT_TRUE(hit);
    EXPECT_EQ(Id(hit)["fName"].stringValue(), "A");
    EXPECT_EQ(Id(hit)["ttfPath"].stringValue(), a);
    EXPECT_EQ(pathsInFile(folder.file), (std::vector<std::string>{a, b}));

    cache.insertRecord(c, record("C", c));
    EXPECT_EQ(pathsInFile(folder.file), (std::vector<std::string>{c, a, b}));
    EXPECT_FALSE(cache.recordForPath(folder.root.string() + "/unknown.ttf"));
    EXPECT_EQ(pathsInFile(folder.file), (std::vector<std::string>{c, a, b}));
}

TEST(KXFontNameCache, OnePathHasOneElement)
{
    CacheFolder folder;
    KXFontNameCache cache(folder.file);
    const auto a = folder.font("a.ttf");
    const auto b = folder.font("b.ttf");
    cache.insertRecord(a, record("Old", a));
    cache.insertRecord(b, record("B", b));
    cache.insertRecord(a, record("New", a));
    EXPECT_EQ(pathsInFile(folder.file), (std::vector<std::string>{a, b}));
    EXPECT_EQ(Id(cache.recordForPath(a))["fName"].stringValue(), "New");
}

TEST(KXFontNameCache, AChangedFileIsNamedAgain)
{
    CacheFolder folder;
    KXFontNameCache cache(folder.file);
    const auto a = folder.font("a.ttf", "first font");
    cache.insertRecord(a, record("A", a));
    ASSERT_TRUE(cache.recordForPath(a));

    folder.font("a.ttf", "another font, longer");
    EXPECT_FALSE(cache.recordForPath(a));
    EXPECT_TRUE(pathsInFile(folder.file).empty());
}

TEST(KXFontNameCache, AFileNewerThanTheCacheIsNamedAgainInALaterRun)
{
    CacheFolder folder;
    const auto a = folder.font("a.ttf");
    const auto b = folder.font("b.ttf");
    {
        KXFontNameCache earlierRun(folder.file);
        earlierRun.insertRecord(a, record("A", a));
        earlierRun.insertRecord(b, record("B", b));
    }
    const auto cacheTime = std::filesystem::last_write_time(folder.file);
    std::filesystem::last_write_time(a, cacheTime + std::chrono::seconds(5));
    std::filesystem::last_write_time(b, cacheTime - std::chrono::seconds(5));

    KXFontNameCache laterRun(folder.file);
    EXPECT_FALSE(laterRun.recordForPath(a));
    EXPECT_TRUE(laterRun.recordForPath(b));
    EXPECT_EQ(pathsInFile(folder.file), (std::vector<std::string>{b}));
}

TEST(KXFontNameCache, MissingOrDamagedFileReadsAsEmpty)
{
    CacheFolder folder;
    KXFontNameCache cache(folder.file);
    EXPECT_EQ(cache.entries()->count(), 0u);
    std::filesystem::create_directories(folder.file.parent_path());
    std::ofstream(folder.file) << "<plist><array><dict>";
    EXPECT_EQ(cache.entries()->count(), 0u);
    const auto a = folder.font("a.ttf");
    cache.insertRecord(a, record("A", a));
    EXPECT_EQ(pathsInFile(folder.file), (std::vector<std::string>{a}));
}

TEST(KXFontNameCache, ConcurrentInsertsLoseNothing)
{
    CacheFolder folder;
    KXFontNameCache cache(folder.file);
    constexpr int kThreads = 4;
    constexpr int kPerThread = 10;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kPerThread; ++i) {
                const auto path = folder.root.string() + "/t" + std::to_string(t) + "-" + std::to_string(i) + ".ttf";
                cache.insertRecord(path, record("F", path));
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(pathsInFile(folder.file).size(), static_cast<std::size_t>(kThreads * kPerThread));
}
