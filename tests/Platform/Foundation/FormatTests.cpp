#include "Platform/Foundation/Foundation.h"

#include <gtest/gtest.h>

#include "Support/TempHome.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>

using namespace foundation;

TEST(Format, ConversionsOfThePlatformDialect)
{
    EXPECT_EQ(format("%@login", "https://api.example/"), "https://api.example/login");
    EXPECT_EQ(format("%d|%i|%ld|%lld|%zd|%lu|%zu|%u", 1, -2, 3L, -4LL, 5L, 6UL, 7UL, 8U), "1|-2|3|-4|5|6|7|8");
    EXPECT_EQ(format("%5d|%-5d|%05d|%+d", 42, 42, 42, 42), "   42|42   |00042|+42");
    EXPECT_EQ(format("%f|%.2f|%.0f|%8.3f", 1.5, 3.14159, 2.5, -1.0), "1.500000|3.14|2|  -1.000");
    EXPECT_EQ(format("%g|%g|%e", 0.0001, 1e20, 12345.678), "0.0001|1e+20|1.234568e+04");
    EXPECT_EQ(format("%x|%X|%#x|%o|%08X", 255, 255, 255, 8, 0xBEEF), "ff|FF|0xff|10|0000BEEF");
    EXPECT_EQ(format("%x", -1), "ffffffff");
    EXPECT_EQ(format("%s and %s", "cstr", std::string("std")), "cstr and std");
    EXPECT_EQ(format("%.3s|%-4s|", "abcdef", "ab"), "abc|ab  |");
    EXPECT_EQ(format("%c%c", 'o', 'k'), "ok");
    EXPECT_EQ(format("100%%"), "100%");
    EXPECT_EQ(format("%*d|%.*f", 4, 7, 1, 2.25), "   7|2.2");
}

TEST(Format, ObjectsPrintTheirDescriptions)
{
    Id nil;
    EXPECT_EQ(format("%@", nil), "(null)");
    EXPECT_EQ(format("%@", Id(3.5)), "3.5");
    EXPECT_EQ(format("%@", Array::create({Id(1), Id("a b")})), "(\n    1,\n    \"a b\"\n)");
    EXPECT_EQ(format("%@ %@", String::create("x")), "x (null)") << "a missing argument prints as nil";
    EXPECT_EQ(format("%d", Id(12)), "12");
    EXPECT_EQ(format("%d", "34"), "34") << "a text given to %d is read as a number, never as a pointer";
    int value = 0;
    EXPECT_EQ(format("%p", &value).substr(0, 2), "0x");
}

TEST(Format, WidthsCountCharactersNotBytes)
{
    EXPECT_EQ(format("%-4@|", Id("中文")), "中文  |");
}

TEST(Format, NeverFollowsTheProcessLocale)
{
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    std::string saved = previous ? previous : "C";
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) {
        // Compile a German locale (decimal comma) into a private folder.
        auto folder = testsupport::makeScratchDir("locale");
        std::string command = "localedef -i de_DE -f UTF-8 " + (folder / "de_DE.UTF-8").string() + " 2>/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0) << "localedef (package locales) is needed";
        setenv("LOCPATH", folder.c_str(), 1);
        ASSERT_NE(std::setlocale(LC_NUMERIC, "de_DE.UTF-8"), nullptr);
    }
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 0.5);
    ASSERT_STREQ(probe, "0,5") << "the locale really uses a decimal comma";
    EXPECT_EQ(format("%.2f", 3.25), "3.25");
    EXPECT_EQ(Id(0.5).description(), "0.5");
    std::setlocale(LC_NUMERIC, saved.c_str());
}
