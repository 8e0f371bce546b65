#include "Class/ServiceCore/Catalogue/KXSortingData.h"

#include "Class/ServiceCore/Catalogue/KXBaseDBManager.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"

KXSortingData::KXSortingData()
    : manager_(KXBaseDBManager::shareDBManager())
{
}

KXSortingData::KXSortingData(KXBaseDBManager& manager)
    : manager_(manager)
{
}

foundation::Ref<foundation::MutableArray> KXSortingData::soringDataBySortType(unsigned long long sortType) const
{
    KXCatalogueStatement statement = KXCatalogueStatement::catalogueBase();
    if (sortType > 1)
        return manager_.soringDataBySqlString(statement.append(" ORDER BY default_sort DESC"), KXCatalogueOrder::Popularity);
    if (KXCatalogueStatement::isVipUser())
        statement.append(KXCatalogueStatement::vipOrder(KXUserCenterConfig::sharedKXUserCenterConfig().vipRuleIds()));
    else
        statement.append(KXCatalogueStatement::kDefaultOrder);
    return manager_.soringDataBySqlString(statement);
}
