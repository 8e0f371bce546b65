#include "Class/ServiceCore/KXCatalogueMerge.h"

#include "Class/ServiceCore/KXBaseDBManager.h"
#include "Class/ServiceCore/KXCatalogueStatement.h"
#include "Lib/SQLKit/SQDatabase.h"
#include "Lib/SQLKit/SQDatabaseQueue.h"
#include "Lib/SQLKit/SQResultSet.h"
#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/Number.h"
#include "Platform/Foundation/String.h"

using foundation::Id;
using foundation::Ref;

namespace {

constexpr const char* kSelect = "SELECT * FROM fp_fonts WHERE fontid = ?";
constexpr const char* kUpdate =
    "UPDATE fp_fonts SET fontname = ?,image = ?,night_image = ?, download_url = ?, time = ?, heat = ?, ps_name = ?,"
    " font_weight = ?, type = ?, language = ?, tags = ?, show_img = ?, codeid = ?, default_sort = ?,  partner_id = ?,"
    " ser_name_take = ?, m_made_time = ?,font_en_name = ?, new_image = ? , is_sell = ?,has_info = ? WHERE fontid = ? ";
constexpr const char* kInsert =
    "INSERT INTO fp_fonts (fontname,image,night_image, download_url, time , heat, ps_name, font_weight , type,"
    " language , tags , show_img , codeid , default_sort ,  partner_id ,ser_name_take,m_made_time,font_en_name,"
    "new_image,is_sell,has_info,fontid ) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)";

// Texts and numbers are bound as they are; null and missing values as NULL; anything else (a
// nested array or dictionary) as its description, the text the row would otherwise have shown.
Id boundValue(const Id& value)
{
    if (value.isNil() || value.isNull())
        return nullptr;
    if (value.is<foundation::String>() || value.is<foundation::Number>())
        return value;
    return Id(value.description());
}

// One merge inside the transaction. False as soon as a statement fails.
bool mergeRows(const Ref<SQDatabase>& db, const foundation::Array& rows)
{
    std::vector<Id> values(KXCatalogueMerge::kColumns.size() + 1);
    for (std::size_t index = 0; index < rows.count(); ++index) {
        const Id row = rows.objectAtIndex(index);
        const auto* dictionary = row.ptr<foundation::Dictionary>();
        long long fontid = 0;
        if (!dictionary || !KXCatalogueStatement::integerId(dictionary->objectForKey("fontid"), fontid)) {
            KXBaseDBManager::log(foundation::format("catalogue merge: row %lu skipped, it has no integer fontid: %@",
                static_cast<unsigned long>(index), row.isNil() ? Id("(null)") : Id(row.description())));
            continue;
        }
        const Ref<SQResultSet> existing = db->executeQuery(kSelect, fontid);
        if (!existing)
            return false;
        Ref<foundation::Error> error;
        const bool exists = existing->nextWithError(&error);
        existing->close();
        if (error)
            return false;

        for (std::size_t column = 0; column < KXCatalogueMerge::kColumns.size(); ++column)
            values[column] = boundValue(dictionary->objectForKey(KXCatalogueMerge::kColumns[column]));
        values.back() = Id(fontid);
        if (!db->executeUpdateWithVAList(exists ? kUpdate : kInsert, values))
            return false;
    }
    return true;
}

} // namespace

bool KXCatalogueMerge::merge(const std::shared_ptr<SQDatabaseQueue>& queue, const Id& rows)
{
    if (rows.isNil())
        return true;
    const auto* array = rows.ptr<foundation::Array>();
    if (!array) {
        KXBaseDBManager::log("catalogue merge: the update is not a list of rows");
        return false;
    }
    if (array->count() == 0)
        return true;
    if (!queue)
        return false;
    bool merged = false;
    const bool committed = queue->inTransaction([&](const Ref<SQDatabase>& db, bool& rollback) {
        const bool cached = db->shouldCacheStatements();
        db->setShouldCacheStatements(true);
        merged = mergeRows(db, *array);
        db->setShouldCacheStatements(cached);
        rollback = !merged;
    });
    if (merged && !committed)
        KXBaseDBManager::log("catalogue merge: the transaction could not be committed");
    return merged && committed;
}
