#include "Class/ServiceCore/KXSearchData.h"

#include "Class/ServiceCore/KXBaseDBManager.h"

using foundation::Id;
using foundation::MutableArray;
using foundation::Ref;

KXSearchData::KXSearchData()
    : manager_(KXBaseDBManager::shareDBManager())
{
}

KXSearchData::KXSearchData(KXBaseDBManager& manager)
    : manager_(manager)
{
}

Ref<MutableArray> KXSearchData::searchDataByKeyword(std::string_view text) const
{
    KXCatalogueStatement statement("SELECT * FROM fp_fonts WHERE fontname like ?", {Id(KXCatalogueStatement::likeContaining(text))});
    return manager_.soringDataBySqlString(statement.append(KXCatalogueStatement::kLikeEscape));
}

Ref<MutableArray> KXSearchData::searchDataByParticipleword(std::string_view text) const
{
    KXCatalogueStatement statement("SELECT * FROM fp_keyword WHERE keyword like ?", {Id(KXCatalogueStatement::likeContaining(text))});
    return manager_.soringDataBySqlString(statement.append(KXCatalogueStatement::kLikeEscape));
}

Ref<MutableArray> KXSearchData::searchDataByword(std::string_view ids) const
{
    const auto list = KXCatalogueStatement::parseIdList(ids);
    if (list.empty())
        return MutableArray::create();
    return manager_.dataArrayBySqlStr(KXCatalogueStatement::fontsInIdOrder(list));
}
