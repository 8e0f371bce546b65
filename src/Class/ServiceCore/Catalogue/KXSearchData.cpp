#include "Class/ServiceCore/Catalogue/KXSearchData.h"

#include "Class/ServiceCore/Catalogue/KXBaseDBManager.h"

#include <algorithm>

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
    KXCatalogueStatement statement("SELECT * FROM fp_fonts WHERE ");
    return manager_.soringDataBySqlString(statement.append(KXCatalogueStatement::containing("fontname", text)));
}

Ref<MutableArray> KXSearchData::searchDataByParticipleword(std::string_view text) const
{
    KXCatalogueStatement statement("SELECT * FROM fp_keyword WHERE ");
    return manager_.soringDataBySqlString(statement.append(KXCatalogueStatement::containing("keyword", text)));
}

Ref<MutableArray> KXSearchData::searchDataByword(std::string_view ids) const
{
    const auto list = KXCatalogueStatement::parseIdList(ids);
    if (list.empty())
        return MutableArray::create();
    return manager_.dataArrayBySqlStr(KXCatalogueStatement::fontsInIdOrder(list));
}

KXSuggestionMatches KXSearchData::suggestionsByText(std::string_view text) const
{
    KXSuggestionMatches matches;
    matches.index = manager_.suggestionIndex();
    matches.entries = matches.index->keywords().find(text);
    if (matches.entries.empty()) {
        matches.table = KXSuggestionMatches::Table::Fontnames;
        matches.entries = matches.index->fontnames().find(text);
    }
    return matches;
}

Ref<MutableArray> KXSearchData::recordsOfSuggestions(const KXSuggestionMatches& matches, std::size_t first, std::size_t count) const
{
    if (!matches.index || matches.index->generation() != manager_.generation())
        return nullptr;
    const std::size_t end = std::min(matches.count(), first + count);
    if (first >= end)
        return MutableArray::create();
    const char* table = matches.table == KXSuggestionMatches::Table::Keywords ? "fp_keyword" : "fp_fonts";
    auto records = MutableArray::create();
    // Bound values per statement stay far below SQLite's limit.
    constexpr std::size_t kBatch = 500;
    for (std::size_t from = first; from < end; from += kBatch) {
        std::vector<long long> rowids;
        for (std::size_t row = from; row < std::min(end, from + kBatch); ++row)
            rowids.push_back(matches.rowid(row));
        KXCatalogueStatement statement(std::string("SELECT * FROM ") + table + " WHERE rowid IN ("
                                       + KXCatalogueStatement::placeholders(rowids.size()) + ")");
        for (long long rowid : rowids)
            statement.bind(Id(rowid));
        statement.append(" ORDER BY Instr(?, ',' || rowid || ',')", {Id(KXCatalogueStatement::framedIds(rowids))});
        records->addObjectsFromArray(*manager_.dataArrayBySqlStr(statement));
    }
    return records;
}
