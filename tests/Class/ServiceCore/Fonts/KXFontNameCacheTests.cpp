#include "Class/ServiceCore/Fonts/KXFontNameCache.h"
#include "Class/ServiceCore/Fonts/KXFontNameRecord.h"
#include "Class/ServiceCore/UnitTools/KXStateFile.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Serialization/PropertyListSerialization.h"
#include "Support/LimitedChild.h"
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

// A binary property list written by hand, so that its objects can be shared as no writer of ours
// would share them. Objects are ASCII strings, arrays and dictionaries of references by index.
class BinaryList {
public:
    std::size_t string(const std::string& text) { return add(marker(0x50, text.size()) + text); }
    std::size_t array(const std::vector<std::size_t>& refs) { return add(marker(0xA0, refs.size()) + references(refs)); }
    std::size_t dictionary(const std::vector<std::pair<std::size_t, std::size_t>>& pairs)
    {
        std::vector<std::size_t> keys, values;
        for (const auto& [key, value] : pairs) {
            keys.push_back(key);
            values.push_back(value);
        }
        return add(marker(0xD0, pairs.size()) + references(keys) + references(values));
    }
    std::string bytes(std::size_t top) const
    {
        std::string out = "bplist00";
        std::vector<std::uint64_t> offsets;
        for (const auto& object : objects_) {
            offsets.push_back(out.size());
            out += object;
        }
        const std::uint64_t table = out.size();
        for (auto offset : offsets)
            out += bigEndian(offset, 4);
        out += std::string(6, '\0') + '\x04' + '\x02' + bigEndian(objects_.size(), 8) + bigEndian(top, 8) + bigEndian(table, 8);
        return out;
    }

private:
    static std::string bigEndian(std::uint64_t value, int size)
    {
        std::string out;
        for (int i = size - 1; i >= 0; --i)
            out += static_cast<char>((value >> (8 * i)) & 0xFF);
        return out;
    }
    static std::string marker(unsigned kind, std::size_t count)
    {
        if (count < 15)
            return std::string(1, static_cast<char>(kind | count));
        return std::string(1, static_cast<char>(kind | 0x0F)) + '\x12' + bigEndian(count, 4);
    }
    static std::string references(const std::vector<std::size_t>& refs)
    {
        std::string out;
        for (auto ref : refs)
            out += bigEndian(ref, 2);
        return out;
    }
    std::size_t add(std::string object)
    {
        objects_.push_back(std::move(object));
        return objects_.size() - 1;
    }
    std::vector<std::string> objects_;
};

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

TEST(KXFontNameCache, ADamagedFileIsSetAsideAndTheCacheRebuilt)
{
    CacheFolder folder;
    const std::filesystem::path aside = folder.file.string() + ".damaged";
    std::filesystem::create_directories(folder.file.parent_path());
    const auto a = folder.font("a.ttf");
    auto rebuiltAfter = [&](const std::string& what) {
        SCOPED_TRACE(what);
        KXFontNameCache cache(folder.file);
        EXPECT_EQ(cache.entries()->count(), 0u);
        EXPECT_FALSE(std::filesystem::exists(folder.file));
        EXPECT_TRUE(std::filesystem::exists(aside));
        cache.insertRecord(a, record("A", a));
        EXPECT_EQ(pathsInFile(folder.file), (std::vector<std::string>{a}));
    };

    // A list of another shape: elements that are no {path: record}.
    BinaryList shapes;
    const auto text = shapes.string("x");
    std::ofstream(folder.file, std::ios::binary) << shapes.bytes(shapes.array({shapes.array({text, text})}));
    rebuiltAfter("an element that is an array");

    // Larger than any cache the client writes: set aside without being read.
    std::ofstream(folder.file, std::ios::binary) << "<?xml";
    std::filesystem::resize_file(folder.file, KXStateFile::kMaxBytes + 1);
    rebuiltAfter("a file over the limit");
}

TEST(KXFontNameCache, ASmallFileThatWouldUnfoldIsRefusedInBoundedMemory)
{
    // 60,000 elements sharing one record that holds one 64 KiB name: 185 KB on disk, 3.7 GiB if
    // every reference became a copy (and as much again to write it back).
    CacheFolder folder;
    BinaryList list;
    const auto name = list.string(std::string(64 * 1024, 'N'));
    const auto record = list.dictionary({{list.string("fName"), name}});
    const auto element = list.dictionary({{list.string("/fonts/a.ttf"), record}});
    const auto top = list.array(std::vector<std::size_t>(60000, element));
    std::filesystem::create_directories(folder.file.parent_path());
    const std::string bytes = list.bytes(top);
    ASSERT_LT(bytes.size(), 200u * 1024);
    std::ofstream(folder.file, std::ios::binary) << bytes;

    // In a child with 1 GiB more address space than it starts with: a regression that unfolds the
    // cache ends the child, not the machine.
    const testsupport::ChildOutcome outcome = testsupport::runLimited({0, 1ull << 30}, [&] {
        KXFontNameCache cache(folder.file);
        return cache.entries()->count() == 0 && !cache.recordForPath("/fonts/a.ttf") ? 0 : 1;
    });
    EXPECT_TRUE(outcome.exited && outcome.exitCode == 0) << outcome.describe();
    EXPECT_TRUE(std::filesystem::exists(folder.file.string() + ".damaged"));
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
