#include "CatalogueTestSupport.h"

#include "Class/ServiceCore/Catalogue/KXBaseDBManager.h"
#include "Class/ServiceCore/Catalogue/KXFilterData.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Storage/UserDefaults.h"

#include <gtest/gtest.h>

using namespace cataloguetest;
using foundation::Id;
using foundation::MutableArray;
using foundation::MutableDictionary;

namespace {

foundation::Ref<MutableArray> values(std::initializer_list<const char*> texts)
{
    auto array = MutableArray::create();
    for (const char* text : texts)
        array->addObject(Id(text));
    return array;
}

class KXFilterDataTest : public CatalogueTest {
protected:
    std::vector<long long> filter(const foundation::Ref<MutableDictionary>& selection)
    {
        return fontids(KXFilterData(*manager_).dataByTagsDictionary(selection));
    }
    std::vector<long long> chinese(const std::function<bool(const Font&)>& keep)
    {
        return select(fonts_, [&](const Font& f) { return hasElement(f.language, "1") && f.codeid != 3 && keep(f); }, defaultOrder);
    }
};

} // namespace

TEST_F(KXFilterDataTest, CategoriesJoinWithAndValuesWithOr)
{
    const auto onlyMarketing = chinese([](const Font& f) { return hasElement(f.marketing, "m3"); });
    ASSERT_FALSE(onlyMarketing.empty());
    EXPECT_EQ(filter(MutableDictionary::create({{Id("大类型标签"), Id(values({"m3"}))}})), onlyMarketing);

    auto selection = MutableDictionary::create({{Id("风格"), Id(values({"101", "106"}))},
        {Id("字重"), Id(values({"7", "4"}))},
        {Id("用途"), Id(values({"205", "202"}))},
        {Id("字体品牌"), Id(values({"2", "3"}))},
        {Id("大类型标签"), Id(values({"m11", "m4"}))}});
    const auto expected = chinese([](const Font& f) {
        return (hasElement(f.tags, "101") || hasElement(f.tags, "106")) && (hasElement(f.tags, "205") || hasElement(f.tags, "202"))
            && (f.fontWeight == 7 || f.fontWeight == 4) && (f.partnerId == 2 || f.partnerId == 3)
            && (hasElement(f.marketing, "m11") || hasElement(f.marketing, "m4"));
    });
    ASSERT_GT(expected.size(), 1u);
    EXPECT_EQ(filter(selection), expected);
    // The named categories are taken out of the caller's copy; tag groups stay.
    EXPECT_EQ(selection->count(), 2u);
    EXPECT_TRUE(selection->containsKey("风格"));
    EXPECT_FALSE(selection->containsKey("字重"));
}

TEST_F(KXFilterDataTest, LanguageCharacterSetAndVipOrder)
{
    foundation::UserDefaults::standardUserDefaults().setInteger(1, "bigFontsSet");
    const auto big = select(fonts_, [](const Font& f) {
        return hasElement(f.language, "1") && (f.codeid == 3 || f.codeid == 7) && hasElement(f.marketing, "m11");
    }, defaultOrder);
    ASSERT_GT(big.size(), 1u);
    EXPECT_EQ(filter(MutableDictionary::create({{Id("大类型标签"), Id(values({"m11"}))}})), big);

    KXGlobalDataBase::sharedKXGlobalDataBase().setEnLanguage(true);
    const auto english = select(fonts_, [](const Font& f) { return hasElement(f.language, "2") && hasElement(f.tags, "106"); }, defaultOrder);
    ASSERT_GT(english.size(), 2u);
    EXPECT_EQ(filter(MutableDictionary::create({{Id("风格"), Id(values({"106"}))}})), english);

    foundation::UserDefaults::standardUserDefaults().setObject(Id("2"), "vip_type");
    KXUserCenterConfig::sharedKXUserCenterConfig().setVipinfo(
        MutableDictionary::create({{Id("rule"), Id(std::to_string(english.back()) + "," + std::to_string(english[1]))}}));
    std::vector<long long> vip = {english.back(), english[1]};
    for (long long id : english)
        if (id != vip[0] && id != vip[1])
            vip.push_back(id);
    EXPECT_EQ(filter(MutableDictionary::create({{Id("风格"), Id(values({"106"}))}})), vip);
}

TEST_F(KXFilterDataTest, HostileValuesMatchOnlyThemselves)
{
    // Unescaped, "_01" would match tag 101 and "1%" every tag starting with 1; a quote would end
    // the statement.
    EXPECT_TRUE(filter(MutableDictionary::create({{Id("风格"), Id(values({"_01"}))}})).empty());
    EXPECT_TRUE(filter(MutableDictionary::create({{Id("风格"), Id(values({"1%"}))}})).empty());
    EXPECT_TRUE(filter(MutableDictionary::create({{Id("字重"), Id(values({"4' OR '1'='1"}))}})).empty());
    EXPECT_TRUE(filter(MutableDictionary::create({{Id("大类型标签"), Id(values({"m%"}))}})).empty());
    // A group without values matches nothing, as before.
    EXPECT_TRUE(filter(MutableDictionary::create({{Id("字体品牌"), Id(MutableArray::create())}})).empty());
    // Numbers are accepted as values.
    auto numbers = MutableArray::create({Id(7)});
    EXPECT_EQ(filter(MutableDictionary::create({{Id("字重"), Id(numbers)}})), chinese([](const Font& f) { return f.fontWeight == 7; }));
}

TEST_F(KXFilterDataTest, RecentIdsAreFramedByCommas)
{
    // Ids 12 and 123: unframed, 12 would be found inside 123.
    execute(file_, "INSERT INTO fp_fonts (fontid, fontname, language) VALUES (12, 'twelve', ',1,'), (123, 'one two three', ',1,');");
    KXFilterData data(*manager_);
    EXPECT_EQ(fontids(data.recentDataWithIDs("123,12")), (std::vector<long long>{123, 12}));
    EXPECT_EQ(fontids(data.recentDataWithIDs("5,12,123")), (std::vector<long long>{12, 123}));
    const long long known = fonts_.front().fontid;
    EXPECT_EQ(fontids(data.recentDataWithIDs("x,123,abc," + std::to_string(known) + ",12")), (std::vector<long long>{123, known, 12}));
    EXPECT_TRUE(data.recentDataWithIDs("")->count() == 0);
    EXPECT_EQ(fontids(data.recentDataWithIDs("12,123,12")), (std::vector<long long>{12, 123})) << "listed twice, shown once";
}

TEST_F(KXFilterDataTest, ALongIdListIsOneValue)
{
    // More ids than a statement may have placeholders (32766): the known ones still come, in order.
    execute(file_, "INSERT INTO fp_fonts (fontid, fontname, language) VALUES (12, 'twelve', ',1,'), (123, 'one two three', ',1,');");
    std::string ids = "123";
    for (int unknown = 0; unknown < 40000; ++unknown)
        ids += "," + std::to_string(900000000 + unknown);
    ids += ",12";
    KXFilterData data(*manager_);
    EXPECT_EQ(fontids(data.recentDataWithIDs(ids)), (std::vector<long long>{123, 12}));
}
