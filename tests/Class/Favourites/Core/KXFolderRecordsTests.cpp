#include "Class/Favourites/Core/KXFolderRecords.h"

#include "Platform/Foundation/Foundation.h"

#include <gtest/gtest.h>

using foundation::Id;

namespace {

Id folder(const Id& id, const char* name, const Id& isPublish)
{
    return Id(foundation::Dictionary::create({{Id("id"), id}, {Id("collect_name"), Id(name)}, {Id("is_publish"), isPublish}}));
}

} // namespace

TEST(KXFolderRecords, FoldersAreFoundByIdNotByRow)
{
    const auto folders = foundation::Array::create({folder(Id(1), "a", Id(0)), folder(Id("22"), "b", Id(0)), folder(Id(3), "c", Id(0))});
    EXPECT_EQ(KXFolderRecords::indexOf(folders.get(), Id("3")), 2);
    EXPECT_EQ(KXFolderRecords::indexOf(folders.get(), Id(22)), 1);
    EXPECT_EQ(KXFolderRecords::indexOf(folders.get(), Id(4)), -1);
    EXPECT_EQ(KXFolderRecords::indexOf(nullptr, Id(1)), -1);

    const auto rest = KXFolderRecords::without(folders.get(), Id(22));
    ASSERT_EQ(rest->count(), 2u);
    EXPECT_EQ(rest->objectAtIndex(1)["collect_name"].stringValue(), "c");
    EXPECT_EQ(folders->count(), 3u) << "the list given stays as it was";
    EXPECT_EQ(KXFolderRecords::without(folders.get(), Id(9))->count(), 3u);
}

TEST(KXFolderRecords, ARenamedPublishedFolderIsUnderReviewAgain)
{
    const auto folders = foundation::Array::create({folder(Id(1), "a", Id(0)), folder(Id(2), "b", Id(2)), folder(Id(3), "c", Id(3))});
    const auto published = KXFolderRecords::renamed(folders.get(), Id(2), QStringLiteral("新名字"));
    EXPECT_EQ(published->objectAtIndex(1)["collect_name"].stringValue(), "新名字");
    EXPECT_EQ(published->objectAtIndex(1)["is_publish"].stringValue(), "1");
    EXPECT_EQ(folders->objectAtIndex(1)["collect_name"].stringValue(), "b") << "the record is copied";
    EXPECT_EQ(KXFolderRecords::renamed(folders.get(), Id(3), QStringLiteral("x"))->objectAtIndex(2)["is_publish"].stringValue(), "1");
    const auto waiting = KXFolderRecords::renamed(folders.get(), Id(1), QStringLiteral("x"));
    EXPECT_EQ(waiting->objectAtIndex(0)["is_publish"].integerValue(), 0);
}
