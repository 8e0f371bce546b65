#include "Class/Account/Core/KXAccountChecks.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

std::string repeat(const std::string& unit, int times)
{
    std::string text;
    for (int i = 0; i < times; ++i)
        text += unit;
    return text;
}

} // namespace

TEST(KXAccountChecks, LoginAsksForTheAccountFirst)
{
    EXPECT_EQ(KXAccountChecks::loginProblem("", ""), "手机号不能为空") << "only the first message";
    EXPECT_EQ(KXAccountChecks::loginProblem("", "secret"), "手机号不能为空");
    EXPECT_EQ(KXAccountChecks::loginProblem("demo", ""), "密码为空…");
    EXPECT_EQ(KXAccountChecks::loginProblem("demo", "x"), std::nullopt) << "the login itself has no length rule";
}

TEST(KXAccountChecks, RegistrationChecksInOrder)
{
    EXPECT_EQ(KXAccountChecks::registrationProblem("", "", ""), "手机号不能为空");
    EXPECT_EQ(KXAccountChecks::registrationProblem("13900001111", "", "secret1"), "验证码不能为空");
    EXPECT_EQ(KXAccountChecks::registrationProblem("13900001111", "123456", ""), "密码为空…");
    EXPECT_EQ(KXAccountChecks::registrationProblem("13900001111", "123456", "secret1"), std::nullopt);
    EXPECT_EQ(KXAccountChecks::codeRequestProblem(""), "手机号不能为空");
    EXPECT_EQ(KXAccountChecks::codeRequestProblem("13900001111"), std::nullopt);
}

TEST(KXAccountChecks, PasswordLengthCountsUtf16UnitsFromSixToTwenty)
{
    const auto check = [](const std::string& password) { return KXAccountChecks::registrationProblem("13900001111", "123456", password); };
    const std::string tooShortOrLong = "密码为6-20位字符，区分大小写";
    EXPECT_EQ(check(repeat("a", 5)), tooShortOrLong);
    EXPECT_EQ(check(repeat("a", 6)), std::nullopt);
    EXPECT_EQ(check(repeat("a", 20)), std::nullopt);
    EXPECT_EQ(check(repeat("a", 21)), tooShortOrLong);
    // Chinese characters are one unit each (three UTF-8 bytes): six of them are enough.
    EXPECT_EQ(check(repeat("密", 6)), std::nullopt);
    EXPECT_EQ(check(repeat("密", 5)), tooShortOrLong);
    // An emoji outside the basic plane is two units: three of them make six, eleven make 22.
    EXPECT_EQ(check(repeat("😀", 3)), std::nullopt);
    EXPECT_EQ(check(repeat("😀", 2) + "a"), tooShortOrLong);
    EXPECT_EQ(check(repeat("😀", 10)), std::nullopt);
    EXPECT_EQ(check(repeat("😀", 10) + "a"), tooShortOrLong);
}
