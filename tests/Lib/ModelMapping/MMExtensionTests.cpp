#include "Lib/ModelMapping/MMExtension.h"
#include "Lib/ModelMapping/MMPropertyKey.h"
#include "Platform/Foundation/Foundation.h"

#include <gtest/gtest.h>

using namespace mm;
using foundation::Id;
using foundation::String;

namespace {
std::string text(const foundation::Ref<String>& s)
{
    return s ? s->utf8() : "(nil)";
}
} // namespace

TEST(MMExtension, CaseHelpers)
{
    EXPECT_EQ(text(mm_underlineFromCamel(String::create("fontName"))), "font_name");
    EXPECT_EQ(text(mm_underlineFromCamel(String::create("URLString"))), "_u_r_l_string");
    EXPECT_EQ(text(mm_camelFromUnderline(String::create("font_name"))), "fontName");
    EXPECT_EQ(text(mm_camelFromUnderline(String::create("a__b"))), "aB");
    EXPECT_EQ(text(mm_camelFromUnderline(String::create("_id"))), "Id");
    EXPECT_EQ(text(mm_firstCharLower(String::create("Name"))), "name");
    EXPECT_EQ(text(mm_firstCharUpper(String::create("name"))), "Name");
    auto empty = String::create("");
    EXPECT_EQ(mm_camelFromUnderline(empty), empty) << "an empty string answers itself";
}

TEST(MMExtension, PureIntegers)
{
    for (const char* yes : {"42", "-7", "  42 \n", "+3", "2147483647", "-2147483648"})
        EXPECT_TRUE(mm_isPureInt(String(yes))) << yes;
    for (const char* no : {"4.2", "42a", "", " ", "-", "99999999999"})
        EXPECT_FALSE(mm_isPureInt(String(no))) << no;
}

TEST(MMExtension, UrlsEscapeWhatTheyMustAndKeepExistingEscapes)
{
    auto url = mm_url(String("http://h/a b/中?x=1&y=2#top"));
    ASSERT_NE(url, nullptr);
    EXPECT_EQ(url->absoluteString(), "http://h/a%20b/%E4%B8%AD?x=1&y=2#top");
    EXPECT_EQ(mm_url(String("http://h/a%20b"))->absoluteString(), "http://h/a%20b");
}

TEST(MMPropertyKey, KeyPathParsing)
{
    auto names = [](const MMKeyPath& path) {
        std::string out;
        for (const auto& key : path)
            out += (key.type == MMPropertyKeyType::Array ? "[" + key.name + "]" : key.name) + " ";
        return out;
    };
    EXPECT_EQ(names(propertyKeysWithStringKey("a.b[3].c")), "a b [3] c ");
    EXPECT_EQ(names(propertyKeysWithStringKey("list[0][1]")), "list [0] [1] ");
    EXPECT_EQ(names(propertyKeysWithStringKey("name")), "name ");
    EXPECT_EQ(names(propertyKeysWithStringKey("a.[0]")), "a ");
    EXPECT_TRUE(propertyKeysWithStringKey("[2]").empty());
    EXPECT_TRUE(propertyKeysWithStringKey("").empty());
    EXPECT_EQ(propertyKeysWithStringKey("a..b").size(), 3u) << "an empty component is a step with an empty name";
}

TEST(MMPropertyKey, ReadingStepsNeverFails)
{
    Id items = foundation::Array::create({Id("x"), Id("y")});
    auto step = [](const char* name, MMPropertyKeyType type) { return MMPropertyKey{name, type}; };
    EXPECT_EQ(step("1", MMPropertyKeyType::Array).valueInObject(items).stringValue(), "y");
    EXPECT_TRUE(step("2", MMPropertyKeyType::Array).valueInObject(items).isNil());
    EXPECT_TRUE(step("-1", MMPropertyKeyType::Array).valueInObject(items).isNil());
    EXPECT_TRUE(step("1", MMPropertyKeyType::Dictionary).valueInObject(items).isNil());
    Id dict = foundation::Dictionary::create({{Id("k"), Id(1)}});
    EXPECT_TRUE(step("0", MMPropertyKeyType::Array).valueInObject(dict).isNil());
    EXPECT_EQ(step("k", MMPropertyKeyType::Dictionary).valueInObject(dict).integerValue(), 1);
}
