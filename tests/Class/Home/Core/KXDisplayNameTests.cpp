#include "Class/Home/Core/KXDisplayName.h"

#include "Platform/Foundation/Foundation.h"

#include <gtest/gtest.h>

using foundation::Id;

TEST(KXDisplayName, TheFirstNonEmptyOfNickNameUserNameAndMail)
{
    auto user = foundation::MutableDictionary::create();
    EXPECT_EQ(kx_displayName(Id(user)), std::nullopt);
    user->setValue(Id("a@b.example"), "email");
    EXPECT_EQ(kx_displayName(Id(user)), "a@b.example");
    user->setValue(Id(""), "nick_name");
    user->setValue(Id("demo"), "uname");
    EXPECT_EQ(kx_displayName(Id(user)), "demo");
    user->setValue(Id(foundation::Null::null()), "uname");
    EXPECT_EQ(kx_displayName(Id(user)), "a@b.example") << "null counts as empty";
    user->setValue(Id("演示用户"), "nick_name");
    EXPECT_EQ(kx_displayName(Id(user)), "演示用户");
    EXPECT_EQ(kx_displayName(Id("not a user")), std::nullopt);
}
