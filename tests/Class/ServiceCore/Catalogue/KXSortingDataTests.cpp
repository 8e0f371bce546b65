#include "CatalogueTestSupport.h"

#include "Class/ServiceCore/Catalogue/KXBaseDBManager.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/ServiceCore/Catalogue/KXSortingData.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Storage/UserDefaults.h"

#include <gtest/gtest.h>

using namespace cataloguetest;
using foundation::Id;

namespace {

class KXSortingDataTest : public CatalogueTest {
protected:
    std::vector<long long> list(unsigned long long sortType) { return fontids(KXSortingData(*manager_).soringDataBySortType(sortType)); }
    std::vector<long long> chineseDefault(bool bigFontsSet)
    {
        return select(fonts_, [&](const Font& f) {
            return hasElement(f.language, "1") && (bigFontsSet ? f.codeid == 3 || f.codeid == 7 : f.codeid != 3);
        }, defaultOrder);
    }
    std::vector<long long> englishDefault() { return select(fonts_, [](const Font& f) { return hasElement(f.language, "2"); }, defaultOrder); }
};

} // namespace

TEST_F(KXSortingDataTest, DefaultOrderFollowsLanguageAndCharacterSet)
{
    const auto plain = chineseDefault(false);
    ASSERT_GT(plain.size(), 5u);
    EXPECT_EQ(list(0), plain);
    EXPECT_EQ(list(1), plain) << "sort types 0 and 1 give the same list";

    foundation::UserDefaults::standardUserDefaults().setInteger(1, "bigFontsSet");
    const auto big = chineseDefault(true);
    ASSERT_FALSE(big.empty());
    EXPECT_NE(big, plain);
    EXPECT_EQ(list(0), big);
}

TEST_F(KXSortingDataTest, AListReadAheadFollowsTheSettingsOfTheCallThatTakesIt)
{
    const auto plain = chineseDefault(false);
    KXSortingData sorting(*manager_);
    sorting.readAheadSortType(0);
    EXPECT_EQ(fontids(sorting.soringDataBySortType(1)), plain) << "types 0 and 1 share the read";

    // Settings changed after the read began: the list of the new settings.
    sorting.readAheadSortType(0);
    foundation::UserDefaults::standardUserDefaults().setInteger(1, "bigFontsSet");
    EXPECT_EQ(list(0), chineseDefault(true));
}

TEST_F(KXSortingDataTest, EnglishCatalogueIgnoresTheCharacterSetSetting)
{
    KXGlobalDataBase::sharedKXGlobalDataBase().setEnLanguage(true);
    const auto english = englishDefault();
    ASSERT_FALSE(english.empty());
    EXPECT_EQ(list(0), english);
    foundation::UserDefaults::standardUserDefaults().setInteger(1, "bigFontsSet");
    EXPECT_EQ(list(1), english);
}

TEST_F(KXSortingDataTest, VipUsersSeeTheirRuleFirstInTheRulesOrder)
{
    const auto plain = chineseDefault(false);
    ASSERT_GT(plain.size(), 3u);
    const long long last = plain.back(), first = plain.front(), middle = plain[plain.size() / 2];
    foundation::UserDefaults::standardUserDefaults().setObject(Id("1"), "vip_type");
    // A rule id outside the list and a piece that is no id change nothing.
    const std::string rule = std::to_string(last) + ",999999," + std::to_string(middle) + ",1) or (1=1";
    KXUserCenterConfig::sharedKXUserCenterConfig().setVipinfo(foundation::MutableDictionary::create({{Id("rule"), Id(rule)}}));

    std::vector<long long> expected = {last, middle};
    for (long long id : plain)
        if (id != last && id != middle)
            expected.push_back(id);
    EXPECT_EQ(list(0), expected);
    EXPECT_EQ(expected.at(2), first);

    KXUserCenterConfig::sharedKXUserCenterConfig().setVipinfo(nullptr);
    EXPECT_EQ(list(1), plain) << "a VIP type without a known rule keeps the catalogue order";
}

TEST_F(KXSortingDataTest, PopularityListsThePopularFontsThenTheWholeCatalogue)
{
    const auto plain = chineseDefault(false);
    ASSERT_GT(plain.size(), 2u);
    // Ids as the start-up reply gives them: texts and numbers; a font of the English catalogue
    // (outside the Chinese list's conditions) still comes first.
    const auto english = select(fonts_, [](const Font& f) { return f.language == ",2,"; });
    ASSERT_FALSE(english.empty());
    const long long a = plain[1], b = english.front();
    KXGlobalDataBase::sharedKXGlobalDataBase().setHeatTopArray(
        foundation::MutableArray::create({Id(std::to_string(a)), Id(b), Id("not an id"), Id(424242)}));

    std::vector<long long> expected = {a, b};
    for (long long id : select(fonts_, [&](const Font& f) { return f.fontid != a && f.fontid != b; },
             [](const Font& x, const Font& y) { return x.defaultSort > y.defaultSort; }))
        expected.push_back(id);
    EXPECT_EQ(list(2), expected);
    EXPECT_EQ(list(7), expected);
    EXPECT_EQ(expected.size(), fonts_.size());
}

TEST_F(KXSortingDataTest, PopularityWithoutAUsableListFallsBackToTheDefaultOrder)
{
    auto& state = KXGlobalDataBase::sharedKXGlobalDataBase();
    state.setHeatTopArray(foundation::MutableArray::create());
    EXPECT_EQ(list(2), chineseDefault(false)) << "an offline start has no popularity list";

    state.setHeatTopArray(foundation::MutableArray::create({Id(424242)}));
    EXPECT_EQ(list(2), chineseDefault(false)) << "a list of fonts the catalogue lacks";

    state.setEnLanguage(true);
    state.setHeatTopArray(foundation::MutableArray::create({Id(fonts_.front().fontid)}));
    EXPECT_EQ(list(2), select(fonts_, [](const Font& f) { return hasElement(f.language, "2"); },
                           [](const Font& x, const Font& y) { return x.defaultSort > y.defaultSort; }))
        << "the English catalogue orders by default_sort alone";
}
