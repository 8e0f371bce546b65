#include "Class/Favourites/Core/KXFolderNameRule.h"

#include <gtest/gtest.h>

using Verdict = KXFolderNameRule::Verdict;

TEST(KXFolderNameRule, ThirtyUnitsAreRefusedTwentyNinePass)
{
    EXPECT_EQ(KXFolderNameRule::check(QString(29, QChar(u'字'))), Verdict::Accepted);
    EXPECT_EQ(KXFolderNameRule::check(QString(30, QChar(u'字'))), Verdict::TooLong);
    EXPECT_EQ(KXFolderNameRule::message(Verdict::TooLong), QStringLiteral("不能超过三十个字符"));
    EXPECT_EQ(KXFolderNameRule::message(Verdict::Accepted), QString());
}

TEST(KXFolderNameRule, CharactersOutsideTheBasicPlaneCountTwo)
{
    const QString astral = QString::fromUcs4(U"𠀀");
    ASSERT_EQ(astral.size(), 2);
    EXPECT_EQ(KXFolderNameRule::check(astral.repeated(15)), Verdict::TooLong) << "15 characters, 30 units";
    EXPECT_EQ(KXFolderNameRule::check(astral.repeated(14) + QStringLiteral("a")), Verdict::Accepted) << "29 units";
}

TEST(KXFolderNameRule, EmptyAndBlankNamesAreRefused)
{
    EXPECT_EQ(KXFolderNameRule::check(QString()), Verdict::Empty);
    EXPECT_EQ(KXFolderNameRule::check(QStringLiteral("   ")), Verdict::Empty);
    EXPECT_EQ(KXFolderNameRule::check(QStringLiteral("\t\u3000\n")), Verdict::Empty) << "the ideographic space too";
    EXPECT_EQ(KXFolderNameRule::message(Verdict::Empty), QStringLiteral("请输入分组名称"));
    EXPECT_EQ(KXFolderNameRule::check(QStringLiteral(" 标题 ")), Verdict::Accepted) << "blanks around a name are kept";
}
