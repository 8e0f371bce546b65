#include "Class/ServiceCore/Transport/KXHTTPErrorLog.h"
#include "Class/ServiceCore/UnitTools/KXFileManager.h"
#include "Platform/DateFormat/DateFormatter.h"
#include "Platform/Foundation/Data.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

using foundation::Id;

namespace {

void removeLog()
{
    KXFileManager::sharedKXFileManager().removeFileByPathkey(foundation::String::create(KXHTTPErrorLog::kFileKey));
}

Id readLog()
{
    return KXFileManager::sharedKXFileManager().returnDecryptDataByPathKey(foundation::String::create(KXHTTPErrorLog::kFileKey));
}

} // namespace

TEST(KXHTTPErrorLogTimeStamp, UsesTheCalendarYearAtTheEndOfDecember)
{
    // 31 December 2024 lies in the first week of 2025: a week-based year would print 2025.
    auto parser = foundation::DateFormatter::create();
    parser->setLocaleIdentifier("en_US_POSIX");
    parser->setDateFormat("yyyy-MM-dd HH:mm:ss");
    auto date = parser->dateFromString("2024-12-31 23:59:58");
    ASSERT_TRUE(date);
    EXPECT_EQ(KXHTTPErrorLog::timeStamp(*date), "2024-12-31 23:59:58");
}

TEST(KXHTTPErrorLogSecrets, TheSignatureAndCredentialsAreLeftOutOthersKept)
{
    auto param = foundation::Dictionary::create({{Id("name"), Id("demo")},
                                                 {Id("phone"), Id("13800000000")},
                                                 {Id("password"), Id("hunter2")},
                                                 {Id("pwd"), Id("hunter3")},
                                                 {Id("token"), Id("abc")},
                                                 {Id("ticket"), Id("wx-ticket")},
                                                 {Id("code"), Id("424242")},
                                                 {Id("encrypt_str"), Id("folder-pass")},
                                                 {Id("secret"), Id("0123")},
                                                 {Id("tag"), Id(117)}});
    auto kept = KXHTTPErrorLog::redacted(param);
    std::vector<std::string> keys;
    for (const auto& entry : *kept)
        keys.push_back(entry.key.stringValue());
    EXPECT_EQ(keys, (std::vector<std::string>{"name", "phone", "tag"}));
    EXPECT_EQ(param->count(), 10u) << "the request itself is untouched";
    // An empty token shows that none was sent, and stays.
    auto empty = KXHTTPErrorLog::redacted(foundation::Dictionary::create({{Id("token"), Id("")}}));
    EXPECT_EQ(empty->objectForKey("token").stringValue(), "");
    // A cover sent as base64 keeps its start and its length; a short value stays as it is.
    const std::string cover(3 * 1024 * 1024, 'A');
    auto shortened = KXHTTPErrorLog::redacted(foundation::Dictionary::create({{Id("img"), Id(cover)}}));
    EXPECT_EQ(shortened->objectForKey("img").stringValue(), std::string(32, 'A') + "... (3145728 bytes)");
    auto small = KXHTTPErrorLog::redacted(foundation::Dictionary::create({{Id("img"), Id("https://cdn/cover.png")}}));
    EXPECT_EQ(small->objectForKey("img").stringValue(), "https://cdn/cover.png");
}

TEST(KXHTTPErrorLogSecrets, TheFileIsPrivateToTheUser)
{
    removeLog();
    KXHTTPErrorLog::append("boom", foundation::Dictionary::create({{Id("secret"), Id("0123")}, {Id("tag"), Id("114")}}));
    const auto path = KXFileManager::sharedKXFileManager().pathForDocumentWithComponent(foundation::String::create(KXHTTPErrorLog::kFileKey));
    EXPECT_EQ(std::filesystem::status(path->utf8()).permissions() & std::filesystem::perms::all, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    const auto bytes = foundation::Data::dataWithContentsOfFile(path->utf8());
    ASSERT_TRUE(bytes);
    EXPECT_EQ(bytes->view().find("0123"), std::string_view::npos);
    EXPECT_EQ(readLog()["param"]["tag"].stringValue(), "114");
    removeLog();
}

TEST(KXHTTPErrorLogSize, OldestWholeLinesAreDropped)
{
    EXPECT_EQ(KXHTTPErrorLog::trimmedToLimit("a:1\nb:2\nc:3\n", 12), "a:1\nb:2\nc:3\n");
    EXPECT_EQ(KXHTTPErrorLog::trimmedToLimit("a:1\nb:2\nc:3\n", 11), "b:2\nc:3\n");
    EXPECT_EQ(KXHTTPErrorLog::trimmedToLimit("a:1\nb:2\nc:3\n", 8), "b:2\nc:3\n");
    EXPECT_EQ(KXHTTPErrorLog::trimmedToLimit("a:1\nb:2\nc:3\n", 7), "c:3\n");
    // One line longer than the limit keeps its end, never half a character.
    EXPECT_EQ(KXHTTPErrorLog::trimmedToLimit("错误错误\n", 5), "误\n");
}

TEST(KXHTTPErrorLogFile, StaysWithinItsCapKeepingTheNewestLine)
{
    removeLog();
    const std::string message(1000, 'x');
    for (int i = 0; i < 80; ++i)
        KXHTTPErrorLog::append(message + std::to_string(i));
    const std::string text = readLog()["errorinfo"].stringValue();
    EXPECT_LE(text.size(), KXHTTPErrorLog::kMaxErrorInfoBytes);
    EXPECT_GT(text.size(), KXHTTPErrorLog::kMaxErrorInfoBytes - 1100);
    EXPECT_NE(text.find(message + "79\n"), std::string::npos);
    EXPECT_EQ(text.find(message + "0\n"), std::string::npos);
    EXPECT_EQ(text.front(), '2'); // starts with a whole line's time stamp
    removeLog();
}

TEST(KXHTTPErrorLogFile, FirstLineCreatesTheFileWithoutParam)
{
    removeLog();
    KXHTTPErrorLog::append("boom");
    const Id log = readLog();
    EXPECT_EQ(log.count(), 1u);
    const std::string text = log["errorinfo"].stringValue();
    ASSERT_EQ(text.size(), 19u + 6u);
    EXPECT_EQ(text.substr(19), ":boom\n");
    removeLog();
}
