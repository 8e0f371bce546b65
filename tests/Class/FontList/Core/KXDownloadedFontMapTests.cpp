#include "Class/FontList/Core/KXDownloadedFontMap.h"
#include "Class/ServiceCore/UnitTools/KXStateFile.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Serialization/PropertyListSerialization.h"
#include "Support/SpreadPropertyList.h"
#include "Support/TempHome.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <fstream>

using foundation::Id;
namespace fs = std::filesystem;

namespace {

// Another writer (a second client, the migration of another process): a whole new file renamed
// into place, as every writer of the map does.
void writeFromOutside(const fs::path& file, const Id& plist)
{
    const auto data = foundation::PropertyListSerialization::dataWithPropertyList(plist, foundation::PropertyListXMLFormat_v1_0);
    ASSERT_TRUE(data);
    const fs::path temporary = file.parent_path() / "outside.tmp";
    ASSERT_TRUE(data->writeToFile(temporary, false));
    fs::rename(temporary, file);
}

ino_t inodeOf(const fs::path& file)
{
    struct stat info {};
    return ::stat(file.c_str(), &info) == 0 ? info.st_ino : 0;
}

std::string contents(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

TEST(KXDownloadedFontMap, LivesBesideTheDownloadsInTheCacheFolder)
{
    EXPECT_EQ(KXDownloadedFontMap::defaultFile(), testsupport::TempHome::instance().root() / ".cache" / "corvane-fonts" / "KXFonts" / "fontsPlist.plist");
}

TEST(KXDownloadedFontMap, MissingOrForeignFilesReadAsAnEmptyMap)
{
    const fs::path folder = testsupport::makeScratchDir("fontmap");
    KXDownloadedFontMap map(folder / "KXFonts" / "fontsPlist.plist");
    EXPECT_EQ(map.map()->count(), 0u);

    fs::create_directories(folder / "KXFonts");
    std::ofstream(map.file()) << "not a property list";
    EXPECT_EQ(map.map()->count(), 0u);

    writeFromOutside(map.file(), Id(foundation::Array::create({Id("a")})));
    EXPECT_EQ(map.map()->count(), 0u) << "an array is no map";
}

TEST(KXDownloadedFontMap, ADamagedMapIsKeptBesideTheNewOne)
{
    const fs::path folder = testsupport::makeScratchDir("fontmap");
    KXDownloadedFontMap map(folder / "fontsPlist.plist");
    const fs::path aside = folder / "fontsPlist.plist.damaged";
    for (const char* name : {"Lumen Sans", "Noto Serif", "思源黑体", "Source Code Pro"})
        ASSERT_TRUE(map.setPathForFontname(name, std::string("/home/u/.local/share/fonts/") + name + ".ttf"));
    ASSERT_GT(fs::file_size(map.file()), 250u);
    EXPECT_FALSE(fs::exists(aside)) << "a readable map is simply rewritten";

    // Cut short, as a full disk or a crash of another writer leaves it.
    fs::resize_file(map.file(), 250);
    const std::string damaged = contents(map.file());
    EXPECT_EQ(map.map()->count(), 0u) << "still read as an empty map";
    ASSERT_TRUE(map.setPathForFontname("New Font", "/fonts/new.ttf"));
    EXPECT_EQ(contents(aside), damaged);
    KXDownloadedFontMap reread(map.file());
    EXPECT_EQ(reread.map()->count(), 1u);
    ASSERT_TRUE(map.setPathForFontname("Other Font", "/fonts/other.ttf"));
    EXPECT_EQ(contents(aside), damaged) << "only a damaged file is set aside";

    // A later damaged map replaces the older copy instead of piling up beside it.
    std::ofstream(map.file(), std::ios::trunc) << "<?xml";
    ASSERT_TRUE(map.removeFontname("New Font"));
    EXPECT_EQ(contents(aside), "<?xml");
    EXPECT_EQ(KXDownloadedFontMap(map.file()).map()->count(), 0u);
}

TEST(KXDownloadedFontMap, EachChangeIsOneAtomicReadModifyWrite)
{
    const fs::path folder = testsupport::makeScratchDir("fontmap");
    KXDownloadedFontMap map(folder / "KXFonts" / "fontsPlist.plist");
    ASSERT_TRUE(map.setPathForFontname("思源黑体", "/fonts/a.otf"));
    ASSERT_TRUE(map.setPathForFontname("Lumen Sans", "/fonts/b.ttf"));
    const ino_t first = inodeOf(map.file());
    ASSERT_TRUE(map.removeFontname("Lumen Sans"));

    EXPECT_NE(inodeOf(map.file()), first) << "a new file renamed into place";
    const std::string text = contents(map.file());
    EXPECT_NE(text.find("<key>思源黑体</key>"), std::string::npos) << "the platform's XML form";
    EXPECT_NE(text.find("<string>/fonts/a.otf</string>"), std::string::npos);
    EXPECT_EQ(text.find("Lumen Sans"), std::string::npos);
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(map.file().parent_path())) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 1u) << "no temporary file left behind";

    // A second owner of the same file (the next start of the client) reads what was written.
    KXDownloadedFontMap again(map.file());
    EXPECT_EQ(again.pathForFontname("思源黑体")->utf8(), "/fonts/a.otf");
    EXPECT_FALSE(again.pathForFontname("Lumen Sans"));
}

TEST(KXDownloadedFontMap, AFailedWriteLeavesTheOldMap)
{
    const fs::path folder = testsupport::makeScratchDir("fontmap");
    KXDownloadedFontMap map(folder / "fontsPlist.plist");
    ASSERT_TRUE(map.setPathForFontname("a", "/fonts/a.ttf"));
    const std::string before = contents(map.file());

    // Null cannot be written into a property list: the whole change is refused.
    EXPECT_FALSE(map.update([](foundation::MutableDictionary& changed) {
        changed.setObject(Id("/fonts/b.ttf"), Id("b"));
        changed.setObject(Id(foundation::Null::null()), Id("c"));
    }));
    EXPECT_EQ(contents(map.file()), before);
    EXPECT_FALSE(map.pathForFontname("b")) << "the kept copy did not take the change either";
    EXPECT_EQ(map.pathForFontname("a")->utf8(), "/fonts/a.ttf");
}

TEST(KXDownloadedFontMap, ChangesByOtherWritersAreSeenAtTheNextRead)
{
    const fs::path folder = testsupport::makeScratchDir("fontmap");
    KXDownloadedFontMap map(folder / "fontsPlist.plist");
    ASSERT_TRUE(map.setPathForFontname("a", "/fonts/1.ttf"));
    EXPECT_EQ(map.pathForFontname("a")->utf8(), "/fonts/1.ttf");

    // Same size and the same modification time: only the inode tells the new file apart.
    struct stat old {};
    ASSERT_EQ(::stat(map.file().c_str(), &old), 0);
    writeFromOutside(map.file(), Id(foundation::Dictionary::create({{Id("a"), Id("/fonts/2.ttf")}})));
    const timespec times[2] = {old.st_atim, old.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, map.file().c_str(), times, 0), 0);
    EXPECT_EQ(map.pathForFontname("a")->utf8(), "/fonts/2.ttf");

    // A change made elsewhere is kept by this owner's next write.
    writeFromOutside(map.file(), Id(foundation::Dictionary::create({{Id("a"), Id("/fonts/2.ttf")}, {Id("m"), Id("/fonts/m.ttf")}})));
    ASSERT_TRUE(map.setPathForFontname("b", "/fonts/b.ttf"));
    KXDownloadedFontMap reader(map.file());
    EXPECT_EQ(reader.map()->count(), 3u);

    fs::remove(map.file());
    EXPECT_EQ(map.map()->count(), 0u) << "a deleted file is an empty map";
}

TEST(KXDownloadedFontMap, AFileLargerThanAnyMapIsLeftUnreadAndWrittenOver)
{
    const fs::path folder = testsupport::makeScratchDir("fontmap");
    KXDownloadedFontMap map(folder / "fontsPlist.plist");
    const auto plist = foundation::PropertyListSerialization::dataWithPropertyList(
        Id(foundation::Dictionary::create({{Id("Font-Regular"), Id("/fonts/a.ttf")}})), foundation::PropertyListBinaryFormat_v1_0);
    ASSERT_TRUE(plist);
    // The same map spread over the whole limit still reads...
    testsupport::writeSpreadPropertyList(map.file(), plist->view(), KXStateFile::kMaxBytes);
    ASSERT_TRUE(map.pathForFontname("Font-Regular"));
    EXPECT_EQ(map.pathForFontname("Font-Regular")->utf8(), "/fonts/a.ttf");

    // ...one byte more, and it is not read at all; the next change writes a new map over it.
    testsupport::writeSpreadPropertyList(map.file(), plist->view(), KXStateFile::kMaxBytes + 1);
    EXPECT_EQ(map.map()->count(), 0u);
    EXPECT_TRUE(map.setPathForFontname("Other-Regular", "/fonts/b.ttf"));
    EXPECT_LT(fs::file_size(map.file()), 4096u);
    KXDownloadedFontMap reread(map.file());
    EXPECT_EQ(reread.map()->count(), 1u);
    EXPECT_EQ(Id(reread.pathForFontname("Other-Regular")).stringValue(), "/fonts/b.ttf");
}

TEST(KXDownloadedFontMap, OnlyNonEmptyTextsArePaths)
{
    const fs::path folder = testsupport::makeScratchDir("fontmap");
    KXDownloadedFontMap map(folder / "fontsPlist.plist");
    writeFromOutside(map.file(), Id(foundation::Dictionary::create({{Id("empty"), Id("")}, {Id("number"), Id(3)}})));
    EXPECT_FALSE(map.pathForFontname("empty"));
    EXPECT_FALSE(map.pathForFontname("number"));
    EXPECT_FALSE(map.pathForFontname("absent"));
}
