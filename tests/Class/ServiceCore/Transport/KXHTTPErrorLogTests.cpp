#include "Class/ServiceCore/KXHTTPErrorLog.h"
#include "Class/ServiceCore/UnitTools/KXFileManager.h"
#include "Platform/DateFormat/DateFormatter.h"

#include <gtest/gtest.h>

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

TEST(KXHTTPErrorLogSecrets, PasswordAndTokenAreMaskedOthersKept)
{
    auto param = foundation::Dictionary::create(
        {{Id("name"), Id("demo")}, {Id("password"), Id("hunter2")}, {Id("token"), Id("abc")}, {Id("secret"), Id("0123")}});
    auto masked = KXHTTPErrorLog::redacted(param);
    EXPECT_EQ(masked->objectForKey("password").stringValue(), "***");
    EXPECT_EQ(masked->objectForKey("token").stringValue(), "***");
    EXPECT_EQ(masked->objectForKey("name").stringValue(), "demo");
    EXPECT_EQ(masked->objectForKey("secret").stringValue(), "0123");
    EXPECT_EQ(param->objectForKey("password").stringValue(), "hunter2"); // the request itself is untouched
    // An empty token shows that none was sent, and stays empty.
    auto empty = KXHTTPErrorLog::redacted(foundation::Dictionary::create({{Id("token"), Id("")}}));
    EXPECT_EQ(empty->objectForKey("token").stringValue(), "");
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
