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

KXCatalogueStatement KXSortingData::defaultOrderStatement()
{
    KXCatalogueStatement statement = KXCatalogueStatement::catalogueBase();
    if (KXCatalogueStatement::isVipUser())
        statement.appendVipOrder(KXUserCenterConfig::sharedKXUserCenterConfig().vipRuleIds());
    else
        statement.appendDefaultOrder();
    return statement;
}

foundation::Ref<foundation::MutableArray> KXSortingData::soringDataBySortType(unsigned long long sortType) const
{
    if (sortType > 1) {
        KXCatalogueStatement statement = KXCatalogueStatement::catalogueBase();
        return manager_.soringDataBySqlString(statement.append(" ORDER BY default_sort DESC"), KXCatalogueOrder::Popularity);
    }
    return manager_.soringDataBySqlString(defaultOrderStatement());
}

void KXSortingData::readAheadSortType(unsigned long long sortType) const
{
    if (sortType <= 1)
        manager_.readAhead(defaultOrderStatement());
}
