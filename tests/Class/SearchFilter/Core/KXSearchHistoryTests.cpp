#include "Class/SearchFilter/Core/KXSearchHistory.h"
#include "Class/ServiceCore/UnitTools/KXStateFile.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Serialization/PropertyListSerialization.h"
#include "Support/SpreadPropertyList.h"
#include "Support/TempHome.h"

#include <gtest/gtest.h>

#include <fstream>

using foundation::Id;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> texts(const foundation::Ref<foundation::MutableArray>& entries)
{
    std::vector<std::string> out;
    for (const Id& entry : *entries)
        out.push_back(entry.stringValue());
    return out;
}

fs::path historyFile()
{
    return testsupport::makeScratchDir("history") / "KXFonts" / KXSearchHistory::kFileName;
}

void writeFile(const fs::path& file, const std::string& bytes)
{
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
}

std::string plistOf(const std::vector<std::string>& entries)
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><array>";
    for (const auto& entry : entries)
        xml += "<string>" + entry + "</string>";
    return xml + "</array></plist>";
}

} // namespace

TEST(KXSearchHistory, NewestFirstWithoutDuplicatesAndAtMostSix)
{
    KXSearchHistory history(historyFile());
    EXPECT_TRUE(history.isEmpty());
    for (const char* text : {"黑体", "Sans", "宋体"})
        history.add(text);
    EXPECT_EQ(texts(history.entries()), (std::vector<std::string>{"宋体", "Sans", "黑体"}));
    history.add("Sans");
    EXPECT_EQ(texts(history.entries()), (std::vector<std::string>{"Sans", "宋体", "黑体"})) << "moved to the front, one copy";
    for (const char* text : {"a", "b", "c"})
        history.add(text);
    EXPECT_EQ(history.count(), 6u);
    history.add("seventh");
    EXPECT_EQ(texts(history.entries()), (std::vector<std::string>{"seventh", "c", "b", "a", "Sans", "宋体"})) << "the oldest went";
    history.add("b");
    EXPECT_EQ(texts(history.entries()), (std::vector<std::string>{"b", "seventh", "c", "a", "Sans", "宋体"}));
    history.add("");
    EXPECT_EQ(history.count(), 6u) << "an empty text is no search";
}

TEST(KXSearchHistory, ALongerFileIsKeptAsReadUntilANewTextCutsIt)
{
    const fs::path file = historyFile();
    const std::vector<std::string> eight = {"1", "2", "3", "4", "5", "6", "7", "8"};
    writeFile(file, plistOf(eight));
    KXSearchHistory known(file);
    EXPECT_EQ(texts(known.entries()), eight);
    known.add("5");
    EXPECT_EQ(texts(known.entries()), (std::vector<std::string>{"5", "1", "2", "3", "4", "6", "7", "8"})) << "eight, the text first";

    KXSearchHistory fresh(file);
    fresh.add("new");
    EXPECT_EQ(texts(fresh.entries()), (std::vector<std::string>{"new", "1", "2", "3", "4", "5"})) << "the first five and the new one";
}

TEST(KXSearchHistory, AnythingButAnArrayOfStringsReadsAsLittleAsPossible)
{
    const fs::path file = historyFile();
    writeFile(file,
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><array><string>kept</string><integer>7</integer>"
              "<dict/><string>also</string><true/></array></plist>");
    EXPECT_EQ(texts(KXSearchHistory(file).entries()), (std::vector<std::string>{"kept", "also"}));
    writeFile(file, "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>a</key><string>b</string></dict></plist>");
    EXPECT_TRUE(KXSearchHistory(file).isEmpty());
    writeFile(file, "not a property list \x01\x02");
    EXPECT_TRUE(KXSearchHistory(file).isEmpty());
    writeFile(file, "");
    EXPECT_TRUE(KXSearchHistory(file).isEmpty());
    EXPECT_TRUE(KXSearchHistory(historyFile()).isEmpty()) << "no file";
}

TEST(KXSearchHistory, AFileLargerThanAnyHistoryIsLeftUnreadAndWrittenOver)
{
    const fs::path file = historyFile();
    fs::create_directories(file.parent_path());
    const auto list = foundation::PropertyListSerialization::dataWithPropertyList(
        Id(foundation::Array::create({Id("Sans"), Id("黑体")})), foundation::PropertyListBinaryFormat_v1_0);
    ASSERT_TRUE(list);
    // The same list spread over the whole limit still reads...
    testsupport::writeSpreadPropertyList(file, list->view(), KXStateFile::kMaxBytes);
    EXPECT_EQ(texts(KXSearchHistory(file).entries()), (std::vector<std::string>{"Sans", "黑体"}));

    // ...one byte more, and it is not read at all; the next write replaces it.
    testsupport::writeSpreadPropertyList(file, list->view(), KXStateFile::kMaxBytes + 1);
    KXSearchHistory history(file);
    EXPECT_TRUE(history.isEmpty());
    history.add("new");
    ASSERT_TRUE(history.write());
    EXPECT_EQ(texts(KXSearchHistory(file).entries()), (std::vector<std::string>{"new"}));
}

TEST(KXSearchHistory, WritesTheWholeListAtomically)
{
    const fs::path file = historyFile();
    KXSearchHistory history(file);
    history.add("黑体");
    history.add("Sans & <Serif>");
    ASSERT_TRUE(history.write()) << "the folders are made";
    EXPECT_EQ(texts(KXSearchHistory::read(file)), (std::vector<std::string>{"Sans & <Serif>", "黑体"}));

    // Cleared: an empty array, and the array shown before stays as it was.
    const auto shown = history.entries();
    history.clear();
    EXPECT_EQ(shown->count(), 2u);
    ASSERT_TRUE(history.write());
    const auto data = foundation::Data::dataWithContentsOfFile(file);
    ASSERT_TRUE(data);
    const auto plist = foundation::PropertyListSerialization::propertyListWithData(data, 0);
    ASSERT_TRUE(plist.as<foundation::Array>());
    EXPECT_EQ(plist.as<foundation::Array>()->count(), 0u);

    // A write that cannot happen is reported and leaves what was there (here a folder in the
    // file's place, which a rename cannot replace).
    const fs::path blocked = testsupport::makeScratchDir("blocked") / KXSearchHistory::kFileName;
    fs::create_directories(blocked / "inside");
    KXSearchHistory refused(blocked);
    refused.add("lost");
    EXPECT_FALSE(refused.write());
    EXPECT_TRUE(fs::is_directory(blocked / "inside"));
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(blocked.parent_path()))
        files += entry.path() == blocked ? 0 : 1;
    EXPECT_EQ(files, 0u) << "no temporary file left";
}
