#include "Lib/SQLKit/SQResultSet.h"

#include "Lib/SQLKit/SQBlockPool.h"
#include "Lib/SQLKit/SQDatabase.h"
#include "Lib/SQLKit/SQLog.h"
#include "Lib/SQLKit/SQStatement.h"
#include "Platform/Foundation/Class.h"
#include "Platform/Foundation/Misuse.h"
#include "Platform/Foundation/Null.h"
#include "Platform/Foundation/Number.h"
#include "Platform/Foundation/Unicode.h"

#include <sqlite3.h>

#include <cstring>

using foundation::Data;
using foundation::Date;
using foundation::Dictionary;
using foundation::Error;
using foundation::Id;
using foundation::MutableDictionary;
using foundation::Null;
using foundation::Number;
using foundation::Ref;
using foundation::String;

const foundation::Class* SQResultSet::classObject()
{
    static const foundation::Class* cls = &foundation::Class::define(
        "SQResultSet", foundation::Object::classObject(), [] { return Ref<Object>(std::make_shared<SQResultSet>()); });
    return cls;
}

const foundation::Class* SQResultSet::isa() const
{
    return classObject();
}

Ref<SQResultSet> SQResultSet::resultSetWithStatement(const Ref<SQStatement>& statement, const Ref<SQDatabase>& parentDB)
{
    auto resultSet = std::make_shared<SQResultSet>();
    resultSet->setStatement(statement);
    resultSet->setParentDB(parentDB);
    if (statement)
        statement->setInUse(true);
    return resultSet;
}

SQResultSet::~SQResultSet()
{
    close();
}

void SQResultSet::close()
{
    Ref<SQStatement> statement;
    {
        std::lock_guard lock(propertyMutex_);
        statement = std::move(statement_);
        statement_ = nullptr;
        statementObject_ = nullptr;
    }
    if (statement)
        statement->reset();
    // The connection may be released below; keep it until this call is done with it.
    Ref<SQDatabase> parent = std::move(parentDB_);
    parentDB_ = nullptr;
    if (parent)
        parent->resultSetDidClose(this);
}

bool SQResultSet::nextWithError(Ref<Error>* error)
{
    sqlite3_stmt* statement = handle();
    if (!statement) {
        // Closed: stepping a reset statement would run the query again from the start.
        if (error)
            *error = Error::create(SQDatabaseErrorDomain, SQLITE_MISUSE, "parentDB does not exist");
        return false;
    }
    const int rc = sqlite3_step(statement);
    if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
        SQLog("%s:%d Database busy (%@)", "-[SQResultSet nextWithError:]", 168, parentDB_ ? Id(parentDB_->databasePath()) : Id());
        SQLog("Database busy");
        if (error && parentDB_)
            *error = parentDB_->lastError();
    } else if (rc == SQLITE_ERROR || rc == SQLITE_MISUSE) {
        SQLog("Error calling sqlite3_step (%d: %s) rs", rc, parentDB_ ? sqlite3_errmsg(parentDB_->sqliteHandle()) : "");
        if (error) {
            if (parentDB_)
                *error = parentDB_->lastError();
            else
                *error = Error::create(SQDatabaseErrorDomain, SQLITE_MISUSE, "parentDB does not exist");
        }
    } else if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
        SQLog("Unknown error calling sqlite3_step (%d: %s) rs", rc, parentDB_ ? sqlite3_errmsg(parentDB_->sqliteHandle()) : "");
        if (error && parentDB_)
            *error = parentDB_->lastError();
    }
    if (rc != SQLITE_ROW)
        close();
    else if (rowColumnCount_ < 0)
        rowColumnCount_ = sqlite3_column_count(statement);
    return rc == SQLITE_ROW;
}

bool SQResultSet::hasAnotherRow() const
{
    return parentDB_ && parentDB_->lastErrorCode() == SQLITE_ROW;
}

int SQResultSet::columnCount() const
{
    return handle() ? sqlite3_column_count(handle()) : 0;
}

void SQResultSet::buildColumnNames()
{
    if (columnNamesBuilt_)
        return;
    columnNamesBuilt_ = true;
    const int count = columnCount();
    lowerNames_.reserve(static_cast<std::size_t>(count));
    for (int index = 0; index < count; ++index) {
        const char* name = sqlite3_column_name(handle(), index);
        lowerNames_.emplace_back(String::create(name ? name : "")->lowercaseString()->utf8(), index);
    }
}

Ref<MutableDictionary> SQResultSet::columnNameToIndexMap()
{
    if (!columnNameToIndexMap_) {
        buildColumnNames();
        columnNameToIndexMap_ = MutableDictionary::create();
        for (const auto& [name, index] : lowerNames_)
            columnNameToIndexMap_->setObject(Number::numberWithInt(index), String::create(name));
    }
    return columnNameToIndexMap_;
}

// The slow path of columnIndexForName: the first read of a name from a given address.
int SQResultSet::lookUpColumnIndex(std::string_view columnName)
{
    if (!recentNames_)
        recentNames_ = std::make_unique<std::array<RecentName, kRecentSlots>>();
    int found = -1;
    if (auto hit = lookupCache_.find(columnName); hit != lookupCache_.end()) {
        found = hit->second;
    } else {
        buildColumnNames();
        const std::string lower = String::create(columnName)->lowercaseString()->utf8();
        for (const auto& [name, index] : lowerNames_) {
            if (name == lower)
                found = index; // the later duplicate wins
        }
        if (found < 0) {
            SQLog("Warning: I could not find the column named '%@'.", lower);
            return -1;
        }
        lookupCache_.emplace(std::string(columnName), found);
    }
    // Remember it in the run of slots for its address: in place of a stale entry from the same
    // address, else in the first free slot, else in the first slot of the run. Slots are never
    // emptied, so a stale entry always comes before the first free slot.
    const std::size_t home = recentSlotIndex(columnName.data());
    RecentName* chosen = &(*recentNames_)[home];
    for (std::size_t probe = 0; probe < kRecentProbes; ++probe) {
        RecentName& candidate = (*recentNames_)[(home + probe) % kRecentSlots];
        if (candidate.data == columnName.data() || !candidate.data) {
            chosen = &candidate;
            break;
        }
    }
    RecentName& slot = *chosen;
    slot.data = columnName.data();
    slot.name.assign(columnName);
    slot.index = found;
    return found;
}

Ref<String> SQResultSet::columnNameForIndex(int columnIdx) const
{
    const char* name = handle() ? sqlite3_column_name(handle(), columnIdx) : nullptr;
    return name ? String::create(name) : nullptr;
}

int SQResultSet::intForColumnIndex(int columnIdx) const
{
    sqlite3_stmt* statement = handle();
    return statement ? sqlite3_column_int(statement, columnIdx) : 0;
}

long SQResultSet::longForColumnIndex(int columnIdx) const
{
    sqlite3_stmt* statement = handle();
    return statement ? static_cast<long>(sqlite3_column_int64(statement, columnIdx)) : 0;
}

long long SQResultSet::longLongIntForColumnIndex(int columnIdx) const
{
    sqlite3_stmt* statement = handle();
    return statement ? sqlite3_column_int64(statement, columnIdx) : 0;
}

unsigned long long SQResultSet::unsignedLongLongIntForColumnIndex(int columnIdx) const
{
    return static_cast<unsigned long long>(longLongIntForColumnIndex(columnIdx));
}

bool SQResultSet::boolForColumnIndex(int columnIdx) const
{
    return intForColumnIndex(columnIdx) != 0;
}

double SQResultSet::doubleForColumnIndex(int columnIdx) const
{
    sqlite3_stmt* statement = handle();
    return statement ? sqlite3_column_double(statement, columnIdx) : 0.0;
}

bool SQResultSet::columnIndexIsNull(int columnIdx) const
{
    return !handle() || sqlite3_column_type(handle(), columnIdx) == SQLITE_NULL;
}

namespace {
// The index checks of the text, date and data getters: in range and not NULL.
bool readable(sqlite3_stmt* handle, int columnIdx)
{
    return handle && columnIdx >= 0 && columnIdx < sqlite3_column_count(handle)
        && sqlite3_column_type(handle, columnIdx) != SQLITE_NULL;
}
} // namespace

namespace {
bool inRange(sqlite3_stmt* handle, int columnIdx)
{
    return handle && columnIdx >= 0 && columnIdx < sqlite3_column_count(handle);
}
} // namespace

namespace {
// The body of stringWithColumnBytes, inlined into stringForColumnIndex: one more call for every
// text of every row is a cost a long read feels.
[[gnu::always_inline]] inline Ref<String> makeString(std::string_view bytes)
{
    if (bytes.empty())
        return String::empty(); // immutable, so one shared instance serves every empty value
    const auto kind = foundation::unicode::classifyUTF8(bytes);
    if (kind == foundation::unicode::UTF8Kind::Invalid)
        return nullptr;
    return std::allocate_shared<String>(
        sqblockpool::Allocator<String>(), std::string(bytes), kind == foundation::unicode::UTF8Kind::ASCII);
}
} // namespace

Ref<String> SQResultSet::stringForColumnIndex(int columnIdx) const
{
    sqlite3_stmt* statement = handle();
    if (!statement || columnIdx < 0)
        return nullptr;
    if (columnIdx >= (rowColumnCount_ >= 0 ? rowColumnCount_ : sqlite3_column_count(statement)))
        return nullptr;
    // Text and length come from one column call: each column call takes the connection's lock and
    // settles its error state, and a second one per text was the largest cost of a long read. The
    // value is read without that lock, which is sound because a connection and its result sets are
    // used by one queue at a time; a text pointer from sqlite3_column_text is no safer, since any
    // other use of the statement would invalidate it.
    sqlite3_value* value = sqlite3_column_value(statement, columnIdx);
    // SQLite gives no text for a NULL value, so no separate type check is needed.
    const auto* text = sqlite3_value_text(value);
    if (!text)
        return nullptr;
    const int size = sqlite3_value_bytes(value);
    return makeString(std::string_view(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size)));
}

Ref<String> SQResultSet::stringWithColumnBytes(std::string_view bytes)
{
    return makeString(bytes);
}

Ref<Date> SQResultSet::dateForColumnIndex(int columnIdx) const
{
    if (!readable(handle(), columnIdx))
        return nullptr;
    if (parentDB_ && parentDB_->hasDateFormatter()) {
        const Ref<String> text = stringForColumnIndex(columnIdx);
        return text ? parentDB_->dateFromString(text->utf8()) : nullptr;
    }
    return Date::dateWithTimeIntervalSince1970(doubleForColumnIndex(columnIdx));
}

Ref<Data> SQResultSet::dataForColumnIndex(int columnIdx) const
{
    if (!inRange(handle(), columnIdx))
        return nullptr;
    const auto* bytes = static_cast<const std::uint8_t*>(sqlite3_column_blob(handle(), columnIdx));
    if (!bytes)
        return nullptr;
    const auto length = static_cast<std::size_t>(sqlite3_column_bytes(handle(), columnIdx));
    return Data::create(std::span<const std::uint8_t>(bytes, length));
}

Ref<Data> SQResultSet::dataNoCopyForColumnIndex(int columnIdx) const
{
    if (!readable(handle(), columnIdx))
        return nullptr;
    const auto* bytes = static_cast<const std::uint8_t*>(sqlite3_column_blob(handle(), columnIdx));
    const auto length = static_cast<std::size_t>(sqlite3_column_bytes(handle(), columnIdx));
    return Data::create(bytes ? std::span<const std::uint8_t>(bytes, length) : std::span<const std::uint8_t>());
}

const char* SQResultSet::UTF8StringForColumnIndex(int columnIdx) const
{
    if (!inRange(handle(), columnIdx))
        return nullptr;
    return reinterpret_cast<const char*>(sqlite3_column_text(handle(), columnIdx));
}

Id SQResultSet::objectForColumnIndex(int columnIdx) const
{
    if (!handle() || columnIdx < 0 || columnIdx >= sqlite3_column_count(handle()))
        return nullptr;
    Id value;
    switch (sqlite3_column_type(handle(), columnIdx)) {
    case SQLITE_INTEGER:
        value = Number::numberWithLongLong(longLongIntForColumnIndex(columnIdx));
        break;
    case SQLITE_FLOAT:
        value = Number::numberWithDouble(doubleForColumnIndex(columnIdx));
        break;
    case SQLITE_BLOB:
        value = dataForColumnIndex(columnIdx);
        break;
    default:
        value = stringForColumnIndex(columnIdx);
        break;
    }
    return value ? value : Id(Null::null());
}

Ref<Dictionary> SQResultSet::resultDictionary() const
{
    if (!handle() || sqlite3_data_count(handle()) == 0) {
        SQLog("Warning: There seem to be no columns in this set.");
        return nullptr;
    }
    auto row = MutableDictionary::create();
    const int count = columnCount();
    for (int index = 0; index < count; ++index) {
        const char* name = sqlite3_column_name(handle(), index);
        row->setObject(objectForColumnIndex(index), String::create(name ? name : ""));
    }
    return row;
}

Ref<Dictionary> SQResultSet::resultDict()
{
    if (!handle() || sqlite3_data_count(handle()) == 0) {
        SQLog("Warning: There seem to be no columns in this set.");
        return nullptr;
    }
    auto row = MutableDictionary::create();
    for (const auto& entry : *columnNameToIndexMap())
        row->setObject(objectForColumnName(entry.key.stringValue()), entry.key);
    return Dictionary::dictionaryWithDictionary(*row);
}

void SQResultSet::kvcMagic(foundation::Object& object) const
{
    const int count = columnCount();
    for (int index = 0; index < count; ++index) {
        const auto* text = sqlite3_column_text(handle(), index);
        if (!text)
            continue;
        const std::string key = sqlite3_column_name(handle(), index);
        const foundation::PropertyInfo* property = object.isa()->propertyNamed(key);
        if (!property || property->readonly()) {
            foundation::misuse(foundation::NSUnknownKeyException,
                foundation::format("[<%@ %p> setValue:forKey:]: this class is not key value coding-compliant for the key %@.",
                    object.isa()->name(), static_cast<const void*>(&object), key),
                foundation::MisuseDefault::Ignore);
            continue;
        }
        const std::string_view bytes(reinterpret_cast<const char*>(text), static_cast<std::size_t>(sqlite3_column_bytes(handle(), index)));
        property->set(object, Id(String::create(bytes)));
    }
}

Ref<SQStatement> SQResultSet::statement() const
{
    std::lock_guard lock(propertyMutex_);
    return statement_;
}

void SQResultSet::setStatement(Ref<SQStatement> statement)
{
    std::lock_guard lock(propertyMutex_);
    statement_ = std::move(statement);
    statementObject_ = statement_.get();
}
