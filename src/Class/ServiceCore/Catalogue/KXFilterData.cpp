#include "Class/ServiceCore/Catalogue/KXFilterData.h"

#include "Class/ServiceCore/Catalogue/KXBaseDBManager.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Platform/Foundation/String.h"

#include <string>
#include <vector>

using foundation::Id;
using foundation::MutableArray;
using foundation::Ref;

namespace {

// The values of one category as texts. A category whose value is a single text or number counts
// as a group of one; an empty group keeps one empty value, which matches no font.
std::vector<std::string> groupValues(const Id& group)
{
    std::vector<std::string> values;
    if (auto* array = group.ptr<foundation::Array>()) {
        for (const Id& value : *array)
            values.push_back(value.is<foundation::String>() ? value.stringValue() : value.description());
    } else if (!group.isNil()) {
        values.push_back(group.is<foundation::String>() ? group.stringValue() : group.description());
    }
    if (values.empty())
        values.emplace_back();
    return values;
}

// "(column = ? or column = ?)"
KXCatalogueStatement equalityClause(std::string_view column, const std::vector<std::string>& values)
{
    KXCatalogueStatement clause("(");
    for (std::size_t i = 0; i < values.size(); ++i)
        clause.append(i ? " or " : "").append(column).append(" = ?", {Id(values[i])});
    return clause.append(")");
}

// "(<column holds ,value,> or ...)": each value as one element of the comma-framed list.
KXCatalogueStatement elementClause(std::string_view column, const std::vector<std::string>& values)
{
    KXCatalogueStatement clause("(");
    for (std::size_t i = 0; i < values.size(); ++i)
        clause.append(i ? " or " : "").append(KXCatalogueStatement::containingElement(column, values[i]));
    return clause.append(")");
}

} // namespace

KXFilterData::KXFilterData()
    : manager_(KXBaseDBManager::shareDBManager())
{
}

KXFilterData::KXFilterData(KXBaseDBManager& manager)
    : manager_(manager)
{
}

Ref<MutableArray> KXFilterData::dataByTagsDictionary(const Ref<foundation::MutableDictionary>& filter) const
{
    return manager_.soringDataBySqlString(tagsStatement(filter));
}

KXCatalogueStatement KXFilterData::tagsStatement(const Ref<foundation::MutableDictionary>& filter)
{
    std::vector<KXCatalogueStatement> named;
    const auto takeCategory = [&](std::string_view category, std::string_view column, bool element) {
        if (!filter || !filter->containsKey(category))
            return;
        const auto values = groupValues(filter->objectForKey(category));
        named.push_back(element ? elementClause(column, values) : equalityClause(column, values));
        filter->removeObjectForKey(Id(category));
    };
    takeCategory(kWeightCategory, "font_weight", false);
    takeCategory(kBrandCategory, "partner_id", false);
    takeCategory(kMarketingCategory, "marketing", true);

    KXCatalogueStatement statement = KXCatalogueStatement::catalogueBase();
    if (filter) {
        for (const auto& entry : *filter)
            statement.append(" and ").append(elementClause("tags", groupValues(entry.value)));
    }
    for (const auto& clause : named)
        statement.append(" and ").append(clause);
    if (KXCatalogueStatement::isVipUser())
        statement.appendVipOrder(KXUserCenterConfig::sharedKXUserCenterConfig().vipRuleIds());
    else
        statement.appendDefaultOrder();
    return statement;
}

Ref<MutableArray> KXFilterData::recentDataWithIDs(std::string_view ids) const
{
    const auto list = KXCatalogueStatement::parseIdList(ids);
    if (list.empty())
        return MutableArray::create();
    return manager_.soringDataBySqlString(KXCatalogueStatement::fontsInIdOrder(list));
}

Ref<MutableArray> KXFilterData::dataByLanguage(bool chinese) const
{
    return manager_.soringDataBySqlString(KXCatalogueStatement(
        chinese ? "SELECT * FROM fp_fonts WHERE language like '%,1,%'" : "SELECT * FROM fp_fonts WHERE language like '%,2,%'"));
}

Ref<MutableArray> KXFilterData::dataByFontWeight(const Id& /*ignored*/) const
{
    return manager_.soringDataBySqlString(KXCatalogueStatement("SELECT * FROM fp_fonts WHERE font_weight > 200 and font_weight < 300"));
}
