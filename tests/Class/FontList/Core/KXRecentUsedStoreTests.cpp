#include "Class/FontList/Core/KXRecentUsedStore.h"
#include "Class/ServiceCore/UnitTools/KXFileManager.h"
#include "Platform/Foundation/Foundation.h"

#include <gtest/gtest.h>

#include <fstream>

using foundation::Id;

namespace {

const foundation::Ref<foundation::String>& key()
{
    static const auto text = foundation::String::create(KXRecentUsedStore::kArchiveKey);
    return text;
}

class KXRecentUsedStoreTest : public ::testing::Test {
protected:
    void SetUp() override { files().removeFileByPathkey(key()); }
    static KXFileManager& files() { return KXFileManager::sharedKXFileManager(); }
    static void store(const Id& dictionary) { files().writeEncryptDataWithDictionary(dictionary, key()); }
    static Id stored() { return files().returnDecryptDataByPathKey(key()); }
};

} // namespace

TEST_F(KXRecentUsedStoreTest, TheServicesListKeepsOnlyItsIdsAndAFontUsedRightAfterGoesInFront)
{
    store(Id(foundation::Dictionary::create({{Id("active"), Id("1")}, {Id("mine"), Id("kept until the service's list")}})));
    std::vector<Id> unread(100'000, Id(0));
    KXRecentUsedStore::replaceWithServiceList(Id(foundation::Dictionary::create(
        {{Id("active"), Id("30,7")}, {Id("list"), Id(foundation::Array::create(std::move(unread)))}, {Id("count"), Id(2)}})));
    KXRecentUsedStore::addRecentUsed("12");
    EXPECT_TRUE(stored().isEqual(Id(foundation::Dictionary::create({{Id("active"), Id("12,30,7")}})))) << stored().description();

    // A payload that is no dictionary leaves the list as it was.
    KXRecentUsedStore::replaceWithServiceList(Id("busy"));
    EXPECT_EQ(KXRecentUsedStore::recentIds(), (std::vector<std::string>{"12", "30", "7"}));
}

TEST_F(KXRecentUsedStoreTest, NewIdsGoInFrontAndUsedOnesMoveThere)
{
    KXRecentUsedStore::addRecentUsed("12");
    EXPECT_EQ(stored()["active"].stringValue(), "12") << "a missing archive starts the list";
    KXRecentUsedStore::addRecentUsed("7");
    KXRecentUsedStore::addRecentUsed("30");
    EXPECT_EQ(stored()["active"].stringValue(), "30,7,12");
    KXRecentUsedStore::addRecentUsed("12");
    EXPECT_EQ(stored()["active"].stringValue(), "12,30,7");
    EXPECT_EQ(KXRecentUsedStore::recentIds(), (std::vector<std::string>{"12", "30", "7"}));
}

TEST_F(KXRecentUsedStoreTest, OtherEntriesOfTheArchiveStay)
{
    store(Id(foundation::Dictionary::create({{Id("active"), Id("5,6")}, {Id("uid"), Id("u-9")}})));
    KXRecentUsedStore::addRecentUsed("6");
    EXPECT_EQ(stored()["active"].stringValue(), "6,5");
    EXPECT_EQ(stored()["uid"].stringValue(), "u-9");
}

TEST_F(KXRecentUsedStoreTest, AnEmptyTextIsOneEmptyEntryThatStaysBehind)
{
    store(Id(foundation::Dictionary::create({{Id("active"), Id("")}})));
    KXRecentUsedStore::addRecentUsed("4");
    EXPECT_EQ(stored()["active"].stringValue(), "4,");
}

TEST_F(KXRecentUsedStoreTest, UnreadableArchivesAndForeignValuesStartAfresh)
{
    store(Id(foundation::Dictionary::create({{Id("active"), Id(42)}})));
    KXRecentUsedStore::addRecentUsed("8");
    EXPECT_EQ(stored()["active"].stringValue(), "8") << "a number is no list";

    const auto path = files().pathForDocumentWithComponent(key());
    std::ofstream(path->utf8(), std::ios::binary | std::ios::trunc) << "garbage, not an archive";
    KXRecentUsedStore::addRecentUsed("9");
    EXPECT_EQ(stored()["active"].stringValue(), "9");
}
