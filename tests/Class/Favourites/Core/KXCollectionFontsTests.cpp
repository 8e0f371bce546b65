#include "Class/Favourites/Core/KXCollectionFonts.h"

#include "Class/ServiceCore/Catalogue/KXFontBaseModel.h"
#include "Class/ServiceCore/Catalogue/KXSortingData.h"
#include "Platform/Foundation/Foundation.h"

#include <gtest/gtest.h>

using foundation::Id;

namespace {

std::vector<int> ids(const foundation::Ref<foundation::MutableArray>& records)
{
    std::vector<int> out;
    for (const Id& record : *records)
        out.push_back(record.as<KXFontBaseModel>()->fontid);
    return out;
}

} // namespace

TEST(KXCollectionFonts, FontIdsBecomeCatalogueRecordsInTheirOrder)
{
    const auto catalogue = KXSortingData().soringDataBySortType(0);
    ASSERT_GE(catalogue->count(), 3u);
    const int a = catalogue->objectAtIndex(0).as<KXFontBaseModel>()->fontid;
    const int c = catalogue->objectAtIndex(2).as<KXFontBaseModel>()->fontid;
    const auto fonts = foundation::Array::create({Id(c), Id(999999), Id(std::to_string(a)), Id(c)});
    EXPECT_EQ(ids(KXCollectionFonts::records(Id(fonts))), (std::vector<int>{c, a}));
    EXPECT_EQ(KXCollectionFonts::records(Id(foundation::Array::create()))->count(), 0u);
    EXPECT_EQ(KXCollectionFonts::records(Id("1,2"))->count(), 0u) << "not an array";
}

TEST(KXCollectionFonts, FontDictionariesBecomeRecordsKeyByKey)
{
    const auto fonts = foundation::Array::create({Id(foundation::Dictionary::create({{Id("fontid"), Id("77")}, {Id("fontname"), Id("Seventy")}})),
                                                  Id(foundation::Dictionary::create({{Id("fontid"), Id(78)}}))});
    const auto records = KXCollectionFonts::records(Id(fonts));
    EXPECT_EQ(ids(records), (std::vector<int>{77, 78}));
    EXPECT_EQ(records->objectAtIndex(0).as<KXFontBaseModel>()->fontname->utf8(), "Seventy");
}
