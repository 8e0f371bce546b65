#pragma once

#include "Class/ServiceCore/Catalogue/KXCatalogueStatement.h"
#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Dictionary.h"

#include <string_view>

class KXBaseDBManager;

// The filter panels' lists and lists of given font ids, read from the catalogue. Holds no state of
// its own; settings are read at each call.
//
// Thread-safety: as the manager's operations; the pages call it on the main thread.
class KXFilterData {
public:
    // The filter categories that have columns of their own; every other category is a group of
    // tag ids matched against the column tags.
    static constexpr std::string_view kWeightCategory = "字重";       // font_weight
    static constexpr std::string_view kBrandCategory = "字体品牌";    // partner_id
    static constexpr std::string_view kMarketingCategory = "大类型标签"; // marketing

    // Reads through the shared catalogue manager, or through `manager` (tools, tests, benchmarks).
    KXFilterData();
    explicit KXFilterData(KXBaseDBManager& manager);

    // The fonts of the shown catalogue that match the selection (category name -> array of values):
    // any value within a category, every category. The three named categories are taken out of
    // the dictionary (callers pass a copy). Ordered as the main list of a VIP or other user.
    foundation::Ref<foundation::MutableArray> dataByTagsDictionary(const foundation::Ref<foundation::MutableDictionary>& filter) const;
    // The statement whose rows dataByTagsDictionary() gives, for a list that reads them in parts;
    // takes the named categories out of `filter` as that does.
    static KXCatalogueStatement tagsStatement(const foundation::Ref<foundation::MutableDictionary>& filter);
    // The fonts of a comma-separated id list, in the order of the ids' first places in the list;
    // ids that are not integers or not in the catalogue give no record.
    foundation::Ref<foundation::MutableArray> recentDataWithIDs(std::string_view ids) const;
    // One language's fonts (true: Chinese) and the fonts of weight number 201 to 299. Not used by
    // the pages.
    foundation::Ref<foundation::MutableArray> dataByLanguage(bool chinese) const;
    foundation::Ref<foundation::MutableArray> dataByFontWeight(const foundation::Id& ignored) const;

private:
    KXBaseDBManager& manager_;
};
