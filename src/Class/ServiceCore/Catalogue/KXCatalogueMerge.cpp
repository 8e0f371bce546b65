#include "Class/ServiceCore/Catalogue/KXCatalogueMerge.h"

#include "Class/ServiceCore/Catalogue/KXCatalogueFile.h"
#include "Class/ServiceCore/Catalogue/KXCatalogueLog.h"
#include "Class/ServiceCore/Catalogue/KXCatalogueRowStream.h"
#include "Class/ServiceCore/Catalogue/KXCatalogueStatement.h"
#include "Lib/SQLKit/SQDatabase.h"
#include "Lib/SQLKit/SQDatabaseQueue.h"
#include "Lib/SQLKit/SQResultSet.h"
#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/Number.h"
#include "Platform/Foundation/String.h"

#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

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

constexpr std::size_t kValues = KXCatalogueMerge::kColumns.size() + 1; // the columns, then fontid
using RowValues = std::array<Id, kValues>;

// Exact classes first: a pointer comparison instead of a dynamic_cast for the kinds a package holds.
bool isText(const foundation::Object* object)
{
    static const foundation::Class* const text = foundation::String::classObject();
    static const foundation::Class* const mutableText = foundation::MutableString::classObject();
    const foundation::Class* cls = object->isa();
    return cls == text || cls == mutableText || dynamic_cast<const foundation::String*>(object);
}

bool isNumber(const foundation::Object* object)
{
    static const foundation::Class* const number = foundation::Number::classObject();
    return object->isa() == number || dynamic_cast<const foundation::Number*>(object);
}

// Texts and numbers are bound as they are; null and missing values as NULL; anything else (a
// nested array or dictionary) as its description, the text the row would otherwise have shown.
Id boundValue(const Id& value)
{
    const foundation::Object* object = value.get();
    if (!object)
        return Id();
    if (isText(object) || isNumber(object))
        return value;
    return value.isNull() ? Id() : Id(value.description());
}

// Where each key of a package row goes among the statements' values.
int slotOf(const Id& key)
{
    static const std::unordered_map<std::string_view, int> slots = [] {
        std::unordered_map<std::string_view, int> made;
        for (std::size_t i = 0; i < KXCatalogueMerge::kColumns.size(); ++i)
            made.emplace(KXCatalogueMerge::kColumns[i], static_cast<int>(i));
        return made;
    }();
    const foundation::Object* object = key.get();
    if (!object || !isText(object))
        return -1;
    const auto found = slots.find(static_cast<const foundation::String*>(object)->utf8());
    return found == slots.end() ? -1 : found->second;
}

// One pass over the row's entries instead of a lookup per column.
void collectValues(const foundation::Dictionary& row, RowValues& values)
{
    values.fill(Id());
    for (const auto& entry : row) {
        const int slot = slotOf(entry.key);
        if (slot >= 0)
            values[static_cast<std::size_t>(slot)] = boundValue(entry.value);
    }
}

template <std::size_t... I>
bool runUpdate(const Ref<SQDatabase>& db, const char* sql, const RowValues& values, std::index_sequence<I...>)
{
    return db->executeUpdate(sql, values[I]...);
}

// A row as a log line shows it: its description, cut at a character after a few hundred bytes.
std::string shortDescription(const Id& row)
{
    constexpr std::size_t kShown = 300;
    std::string text = row.isNil() ? std::string("(null)") : row.description();
    if (text.size() > kShown) {
        std::size_t cut = kShown;
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
            --cut;
        text.resize(cut);
        text += "...";
    }
    return text;
}

// The rows a merge skipped, by kind: said once each at the end, with a count and the first one.
struct Skipped {
    std::size_t notDictionaries = 0;
    std::size_t withoutFontid = 0;
    Id firstWithoutFontid;
    std::size_t firstWithoutFontidIndex = 0;

    void log() const
    {
        if (notDictionaries > 0)
            kxcatalogue::log(
                foundation::format("catalogue merge: %lu rows skipped, they are not dictionaries",
                    static_cast<unsigned long>(notDictionaries)));
        if (withoutFontid > 0)
            kxcatalogue::log(foundation::format(
                "catalogue merge: %lu rows skipped, they have no integer fontid (the first, row %lu: %@)",
                static_cast<unsigned long>(withoutFontid),
                static_cast<unsigned long>(firstWithoutFontidIndex),
                Id(shortDescription(firstWithoutFontid))));
    }
};

// One row inside the transaction. False when a statement fails.
bool mergeRow(
    const Ref<SQDatabase>& db, const Id& row, std::size_t index, RowValues& values, Skipped& skipped)
{
        const auto* dictionary = row.ptr<foundation::Dictionary>();
    if (!dictionary) {
        skipped.notDictionaries += 1;
        return true;
    }
        long long fontid = 0;
    if (!KXCatalogueStatement::integerId(dictionary->objectForKey("fontid"), fontid)) {
        if (skipped.withoutFontid++ == 0) {
            skipped.firstWithoutFontid = row;
            skipped.firstWithoutFontidIndex = index;
        }
        return true;
        }
        const Ref<SQResultSet> existing = db->executeQuery(kSelect, fontid);
        if (!existing)
            return false;
        Ref<foundation::Error> error;
        const bool exists = existing->nextWithError(&error);
        existing->close();
        if (error)
            return false;

        collectValues(*dictionary, values);
        values.back() = Id(fontid);
    return runUpdate(db, exists ? kUpdate : kInsert, values, std::make_index_sequence<kValues>());
    }

// Runs `body` in one transaction with cached statements; rolls back unless it answers true.
template <typename Body>
bool inMergeTransaction(const std::shared_ptr<SQDatabaseQueue>& queue, bool* damaged, Body body)
{
    bool merged = false;
    const bool committed = queue->inTransaction([&](const Ref<SQDatabase>& db, bool& rollback) {
        const bool cached = db->shouldCacheStatements();
        db->setShouldCacheStatements(true);
        merged = body(db);
        // Read before the rollback answers for itself.
        if (damaged)
            *damaged = !merged && KXCatalogueFile::isDamageCode(db->lastErrorCode());
        db->setShouldCacheStatements(cached);
        rollback = !merged;
    });
    if (merged && !committed)
        kxcatalogue::log("catalogue merge: the transaction could not be committed");
    return merged && committed;
}

} // namespace

bool KXCatalogueMerge::merge(const std::shared_ptr<SQDatabaseQueue>& queue, const Id& rows, bool* damaged)
{
    if (damaged)
        *damaged = false;
    if (rows.isNil())
        return true;
    const auto* array = rows.ptr<foundation::Array>();
    if (!array) {
        kxcatalogue::log("catalogue merge: the update is not a list of rows");
        return false;
    }
    if (array->count() == 0)
        return true;
    if (!queue)
        return false;
    return inMergeTransaction(queue, damaged, [array](const Ref<SQDatabase>& db) {
        RowValues values;
        Skipped skipped;
        for (std::size_t index = 0; index < array->count(); ++index)
            if (!mergeRow(db, array->objectAtIndex(index), index, values, skipped))
                return false;
        skipped.log();
        return true;
    });
}

bool KXCatalogueMerge::merge(const std::shared_ptr<SQDatabaseQueue>& queue, KXCatalogueRowStream& rows,
    std::string* problem, bool* broken, bool* damaged)
{
        if (damaged)
        *damaged = false;
    if (broken)
        *broken = false;
    if (!queue)
        return false;
    KXCatalogueRowStream::Status ended = KXCatalogueRowStream::Status::End;
    const bool merged = inMergeTransaction(queue, damaged, [&](const Ref<SQDatabase>& db) {
        RowValues values;
        Skipped skipped;
        std::vector<Id> batch;
        batch.reserve(kBatchRows);
        std::size_t index = 0;
        for (bool more = true; more;) {
            // Read a batch, then merge it: no more than a batch of rows is ever held.
            batch.clear();
            while (batch.size() < kBatchRows) {
                Id row;
                const auto status = rows.next(row);
                if (status == KXCatalogueRowStream::Status::Row) {
                    batch.push_back(std::move(row));
                } else if (status == KXCatalogueRowStream::Status::NotADictionary) {
                    batch.push_back(Id());
                } else {
                    ended = status;
                    more = false;
                    break;
                }
            }
            for (const Id& row : batch)
                if (!mergeRow(db, row, index++, values, skipped))
                    return false;
        }
        skipped.log();
        return ended == KXCatalogueRowStream::Status::End;
    });
    if (ended != KXCatalogueRowStream::Status::End) {
        if (broken)
            *broken = ended == KXCatalogueRowStream::Status::Malformed;
        if (problem)
            *problem = rows.problem();
}
    return merged;
}
