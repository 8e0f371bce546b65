#include "Platform/Foundation/Foundation.h"
#include "Platform/Foundation/Unicode.h"

#include <gtest/gtest.h>

#include <climits>

using namespace foundation;

TEST(String, LengthsAndIndexesCountUTF16Units)
{
    auto text = String::create("a中😀b"); // 1 + 1 + 2 + 1 units
    EXPECT_EQ(text->length(), 5u);
    EXPECT_EQ(text->characterAtIndex(1), u'中');
    EXPECT_EQ(text->characterAtIndex(2), 0xD83D);
    EXPECT_EQ(text->substringFromIndex(2)->utf8(), "😀b");
    EXPECT_EQ(text->substringToIndex(4)->utf8(), "a中😀");
    // A cut inside the surrogate pair keeps the pair whole rather than splitting it.
    EXPECT_EQ(text->substringToIndex(3)->utf8(), "a中");
    EXPECT_EQ(text->substringWithRange({1, 3})->utf8(), "中😀");
    EXPECT_EQ(text->rangeOfString("b"), (Range{4, 1}));
    EXPECT_FALSE(text->rangeOfString("z").found());
}

TEST(String, InvalidUTF8IsRepairedOrRefused)
{
    std::string bad = "ab\xff\xfe";
    EXPECT_EQ(String::createWithValidUTF8(bad), nullptr);
    EXPECT_EQ(String::create(bad)->utf8(), "ab\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(String::create("\xED\xA0\x80")->length(), 3u) << "encoded surrogates are invalid, one U+FFFD per byte";
}

// The ASCII check reads whole words; a non-ASCII or invalid byte must be seen wherever it falls
// (short texts, the overlapping last word, the unrolled middle).
TEST(String, UTF8ClassificationSeesEveryByte)
{
    using foundation::unicode::UTF8Kind;
    using foundation::unicode::classifyUTF8;
    for (std::size_t length = 0; length <= 70; ++length) {
        const std::string ascii(length, 'a');
        EXPECT_EQ(classifyUTF8(ascii), UTF8Kind::ASCII) << length;
        for (std::size_t at = 0; at + 1 < length; ++at) {
            std::string accented = ascii;
            accented.replace(at, 2, "\xC3\xA9"); // é
            EXPECT_EQ(classifyUTF8(accented), UTF8Kind::Valid) << length << " at " << at;
            std::string broken = ascii;
            broken[at + 1] = '\xFF';
            EXPECT_EQ(classifyUTF8(broken), UTF8Kind::Invalid) << length << " at " << at + 1;
        }
    }
}

TEST(String, OutOfRangeIsAMisuseWithThePlatformsException)
{
    auto text = String::create("abc");
    try {
        text->substringFromIndex(4);
        FAIL() << "expected NSRangeException";
    } catch (const Exception& e) {
        EXPECT_EQ(e.name(), "NSRangeException");
        EXPECT_EQ(e.reason(), "-[__NSCFString substringFromIndex:]: Index 4 out of bounds; string length 3");
    }
    EXPECT_THROW(text->substringWithRange({2, 2}), Exception);
    EXPECT_THROW(text->characterAtIndex(3), Exception);
}

TEST(String, NumericParsingFollowsThePlatformsRules)
{
    struct Case {
        const char* text;
        long long integer;
        int intValue;
        double real;
        bool boolean;
    };
    const Case cases[] = {
        {"42", 42, 42, 42, true},
        {"  -17abc", -17, -17, -17, true},
        {"+8", 8, 8, 8, true},
        {"3.75", 3, 3, 3.75, true},
        {"abc", 0, 0, 0, false},
        {"", 0, 0, 0, false},
        {"\n\t 12", 12, 12, 12, true},
        {"99999999999999999999", LLONG_MAX, INT_MAX, 1e20, true},
        {"-99999999999999999999", LLONG_MIN, INT_MIN, -1e20, true},
        {"1e3", 1, 1, 1000, true},
        {".5", 0, 0, 0.5, false},
        {"00", 0, 0, 0, false},
        {"YES", 0, 0, 0, true},
        {"true", 0, 0, 0, true},
        {"no", 0, 0, 0, false},
        {"-0007", -7, -7, -7, true},
    };
    for (const auto& c : cases) {
        auto s = String::create(c.text);
        EXPECT_EQ(s->integerValue(), c.integer) << c.text;
        EXPECT_EQ(s->intValue(), c.intValue) << c.text;
        EXPECT_DOUBLE_EQ(s->doubleValue(), c.real) << c.text;
        EXPECT_EQ(s->boolValue(), c.boolean) << c.text;
    }
}

TEST(String, CompareWithNumericAndCaseOptions)
{
    auto v = String::create("file9.txt");
    EXPECT_EQ(v->compare("file10.txt"), ComparisonResult::Descending);
    EXPECT_EQ(v->compare("file10.txt", NumericSearch), ComparisonResult::Ascending);
    EXPECT_EQ(String::create("1.10.0")->compare("1.9.3", NumericSearch), ComparisonResult::Descending);
    EXPECT_EQ(String::create("007")->compare("7", NumericSearch), ComparisonResult::Same);
    EXPECT_EQ(String::create("Abc")->compare("abd", CaseInsensitiveSearch), ComparisonResult::Ascending);
    EXPECT_EQ(String::create("ABC")->caseInsensitiveCompare("abc"), ComparisonResult::Same);
    EXPECT_EQ(String::create("b")->compare("ab"), ComparisonResult::Descending);
}

TEST(String, PathHelpers)
{
    auto p = [](const char* s) { return String::create(s); };
    EXPECT_EQ(p("/tmp/scratch.tiff")->lastPathComponent()->utf8(), "scratch.tiff");
    EXPECT_EQ(p("/tmp/")->lastPathComponent()->utf8(), "tmp");
    EXPECT_EQ(p("/")->lastPathComponent()->utf8(), "/");
    EXPECT_EQ(p("/tmp/scratch.tiff")->pathExtension()->utf8(), "tiff");
    EXPECT_EQ(p("/tmp/archive.tar.gz")->pathExtension()->utf8(), "gz");
    EXPECT_EQ(p("/tmp/scratch")->pathExtension()->utf8(), "");
    EXPECT_EQ(p("/tmp/.hidden")->pathExtension()->utf8(), "");
    EXPECT_EQ(p("/tmp")->stringByAppendingPathComponent("a.ttf")->utf8(), "/tmp/a.ttf");
    EXPECT_EQ(p("/tmp/")->stringByAppendingPathComponent("/a.ttf")->utf8(), "/tmp/a.ttf");
    EXPECT_EQ(p("")->stringByAppendingPathComponent("a")->utf8(), "a");
    EXPECT_EQ(p("/tmp/lock/")->stringByDeletingLastPathComponent()->utf8(), "/tmp");
    EXPECT_EQ(p("/tmp")->stringByDeletingLastPathComponent()->utf8(), "/");
    EXPECT_EQ(p("font.ttf")->stringByDeletingLastPathComponent()->utf8(), "");
    EXPECT_EQ(p("/a/b.zip")->stringByDeletingPathExtension()->utf8(), "/a/b");
    EXPECT_EQ(p("/a.b/c")->stringByDeletingPathExtension()->utf8(), "/a.b/c");
    EXPECT_EQ(p("/a/b")->stringByAppendingPathExtension("zip")->utf8(), "/a/b.zip");
}

TEST(String, EditingAndSearching)
{
    auto text = String::create("a,b,,c");
    auto parts = text->componentsSeparatedByString(",");
    ASSERT_EQ(parts->count(), 4u);
    EXPECT_EQ(parts->objectAtIndex(2).stringValue(), "");
    EXPECT_EQ(text->stringByReplacingOccurrencesOfString(",", ";")->utf8(), "a;b;;c");
    EXPECT_EQ(String::create(" \t中 \n")->stringByTrimmingWhitespaceAndNewlines()->utf8(), "中");
    EXPECT_EQ(String::create(" x \n")->stringByTrimmingWhitespace()->utf8(), "x \n");
    EXPECT_EQ(String::create("ÄbC")->lowercaseString()->utf8(), "äbc");
    EXPECT_EQ(String::create("HelloHello")->rangeOfString("hello", CaseInsensitiveSearch | BackwardsSearch),
              (Range{5, 5}));

    auto mutableText = MutableString::create("中文");
    mutableText->appendFormat("-%d", 7);
    mutableText->insertString("x", 1);
    EXPECT_EQ(mutableText->utf8(), "中x文-7");
    mutableText->deleteCharactersInRange({0, 2});
    EXPECT_EQ(mutableText->utf8(), "文-7");
    EXPECT_EQ(mutableText->length(), 3u);
    EXPECT_THROW(mutableText->deleteCharactersInRange({2, 5}), Exception);
}

TEST(String, CopiesAreImmutableSnapshots)
{
    auto text = MutableString::create("key");
    Id snapshot = Id(text).copy();
    text->appendString("s");
    EXPECT_EQ(snapshot.stringValue(), "key");
    EXPECT_FALSE(snapshot.is<MutableString>());
    EXPECT_TRUE(snapshot.isKindOfClass(String::classObject()));
}
