#pragma once

#include "Lib/SQLKit/SQStatement.h"
#include "Platform/Foundation/Atomic.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Date.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Error.h"
#include "Platform/Foundation/Object.h"
#include "Platform/Foundation/String.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct sqlite3_stmt;
class SQDatabase;

// The cursor over the rows of one query. Step it with next(); read the current row by column index
// or by name (case-insensitive) with the typed getters; close() it when done (next() closes it by
// itself at the end of the rows or on an error). While it is open it keeps its connection alive
// and its statement in use.
// Not thread-safe: it belongs to its connection's queue.
class SQResultSet : public foundation::Object {
public:
    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;

    // Marks the statement in use.
    static foundation::Ref<SQResultSet> resultSetWithStatement(
        const foundation::Ref<SQStatement>& statement, const foundation::Ref<SQDatabase>& parentDB);

    SQResultSet() = default;
    ~SQResultSet() override;
    SQResultSet(const SQResultSet&) = delete;
    SQResultSet& operator=(const SQResultSet&) = delete;

    void close();
    bool next() { return nextWithError(nullptr); }
    // True for a row; false at the end, on an error (stored through `error`) or when closed.
    bool nextWithError(foundation::Ref<foundation::Error>* error);
    bool hasAnotherRow() const;

    int columnCount() const;
    // -1 (and a warning line) for a name the result set does not have.
    int columnIndexForName(std::string_view columnName)
    {
        // Loops read the same names row after row, usually from the same literal: slots keyed by
        // the text's address answer them without hashing the text; the bytes are compared too, so
        // a reused address with other text is never mistaken for a hit.
        if (recentNames_) {
            std::size_t at = recentSlotIndex(columnName.data());
            for (std::size_t probe = 0; probe < kRecentProbes; ++probe, at = (at + 1) % kRecentSlots) {
                const RecentName& slot = (*recentNames_)[at];
                if (slot.data == columnName.data() && sameName(slot.name, columnName))
                    return slot.index;
                if (!slot.data)
                    break;
            }
        }
        return lookUpColumnIndex(columnName);
    }
    foundation::Ref<foundation::String> columnNameForIndex(int columnIdx) const;
    // Lower-cased column name -> index; a later duplicate wins.
    foundation::Ref<foundation::MutableDictionary> columnNameToIndexMap();

    int intForColumnIndex(int columnIdx) const;
    int intForColumn(std::string_view columnName) { return intForColumnIndex(columnIndexForName(columnName)); }
    long longForColumnIndex(int columnIdx) const;
    long longForColumn(std::string_view columnName) { return longForColumnIndex(columnIndexForName(columnName)); }
    long long longLongIntForColumnIndex(int columnIdx) const;
    long long longLongIntForColumn(std::string_view columnName) { return longLongIntForColumnIndex(columnIndexForName(columnName)); }
    unsigned long long unsignedLongLongIntForColumnIndex(int columnIdx) const;
    unsigned long long unsignedLongLongIntForColumn(std::string_view columnName)
    {
        return unsignedLongLongIntForColumnIndex(columnIndexForName(columnName));
    }
    bool boolForColumnIndex(int columnIdx) const;
    bool boolForColumn(std::string_view columnName) { return boolForColumnIndex(columnIndexForName(columnName)); }
    double doubleForColumnIndex(int columnIdx) const;
    double doubleForColumn(std::string_view columnName) { return doubleForColumnIndex(columnIndexForName(columnName)); }
    foundation::Ref<foundation::String> stringForColumnIndex(int columnIdx) const;
    // The string of a text value's bytes, as stringForColumnIndex() reads it: the shared empty
    // string for no bytes, nil for bytes that are not UTF-8.
    static foundation::Ref<foundation::String> stringWithColumnBytes(std::string_view bytes);
    foundation::Ref<foundation::String> stringForColumn(std::string_view columnName)
    {
        return stringForColumnIndex(columnIndexForName(columnName));
    }
    foundation::Ref<foundation::Date> dateForColumnIndex(int columnIdx) const;
    foundation::Ref<foundation::Date> dateForColumn(std::string_view columnName) { return dateForColumnIndex(columnIndexForName(columnName)); }
    foundation::Ref<foundation::Data> dataForColumnIndex(int columnIdx) const;
    foundation::Ref<foundation::Data> dataForColumn(std::string_view columnName) { return dataForColumnIndex(columnIndexForName(columnName)); }
    // Our Data always owns its bytes, so this is a copy too; it answers an empty data (not nil)
    // for a zero-length blob, as the no-copy form does.
    foundation::Ref<foundation::Data> dataNoCopyForColumnIndex(int columnIdx) const;
    foundation::Ref<foundation::Data> dataNoCopyForColumn(std::string_view columnName)
    {
        return dataNoCopyForColumnIndex(columnIndexForName(columnName));
    }
    // SQLite's own text, valid until the next step, reset or close.
    const char* UTF8StringForColumnIndex(int columnIdx) const;
    const char* UTF8StringForColumn(std::string_view columnName) { return UTF8StringForColumnIndex(columnIndexForName(columnName)); }
    const char* UTF8StringForColumnName(std::string_view columnName) { return UTF8StringForColumn(columnName); }
    // A number, string, data or Null; nil for an index out of range.
    foundation::Id objectForColumnIndex(int columnIdx) const;
    foundation::Id objectForColumn(std::string_view columnName) { return objectForColumnIndex(columnIndexForName(columnName)); }
    foundation::Id objectForColumnName(std::string_view columnName) { return objectForColumn(columnName); }
    bool columnIndexIsNull(int columnIdx) const;
    bool columnIsNull(std::string_view columnName) { return columnIndexIsNull(columnIndexForName(columnName)); }

    foundation::Id operator[](int columnIdx) const { return objectForColumnIndex(columnIdx); }
    foundation::Id operator[](std::string_view columnName) { return objectForColumn(columnName); }
    foundation::Id operator[](const char* columnName) { return objectForColumn(columnName); }

    // The current row: column name -> value, in column order (a later duplicate wins).
    foundation::Ref<foundation::Dictionary> resultDictionary() const;
    // The older form, keyed by lower-cased names.
    foundation::Ref<foundation::Dictionary> resultDict();
    // Copies the current row's non-NULL columns as text into the object's registered properties.
    void kvcMagic(foundation::Object& object) const;

    const foundation::Ref<SQDatabase>& parentDB() const { return parentDB_; }
    void setParentDB(foundation::Ref<SQDatabase> parentDB) { parentDB_ = std::move(parentDB); }
    foundation::Ref<foundation::String> query() const { return query_.get(); }
    void setQuery(foundation::Ref<foundation::String> query) { query_.set(std::move(query)); }
    foundation::Ref<SQStatement> statement() const;
    void setStatement(foundation::Ref<SQStatement> statement);

private:
    struct TransparentHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
    };
    void buildColumnNames();
    int lookUpColumnIndex(std::string_view columnName);

    mutable std::mutex propertyMutex_; // `statement` is an atomic property
    foundation::Ref<SQDatabase> parentDB_;
    foundation::Atomic<foundation::Ref<foundation::String>> query_;
    foundation::Ref<SQStatement> statement_;
    // The statement object while open, read without the lock. Its handle is read through it each
    // time, so a statement finalized under an open result set (the cache cleared) reads as closed.
    SQStatement* statementObject_ = nullptr;
    sqlite3_stmt* handle() const { return statementObject_ ? statementObject_->statement() : nullptr; }

    // The column count, read at the first row: a prepared statement is prepared again only before
    // its first row, so the count holds for every row after it. The text getter checks each index
    // against it instead of asking SQLite every time.
    int rowColumnCount_ = -1;
    bool columnNamesBuilt_ = false;
    std::vector<std::pair<std::string, int>> lowerNames_; // in column order
    foundation::Ref<foundation::MutableDictionary> columnNameToIndexMap_;
    // Names as callers spell them -> index: the repeated by-name reads of a loop skip lower-casing.
    std::unordered_map<std::string, int, TransparentHash, std::equal_to<>> lookupCache_;
    struct RecentName {
        const char* data = nullptr;
        std::string name;
        int index = -1;
    };
    // Each address has a run of slots, so a few names whose addresses meet do not evict each other.
    static constexpr std::size_t kRecentSlots = 64;
    static constexpr std::size_t kRecentProbes = 4;
    std::unique_ptr<std::array<RecentName, kRecentSlots>> recentNames_; // made on the first lookup by name
    // With a name written as a literal the size is known where this is inlined, and the compiler
    // compares the bytes in place.
    static bool sameName(std::string_view a, std::string_view b)
    {
        return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size()) == 0;
    }
    static std::size_t recentSlotIndex(const char* address)
    {
        const auto key = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(address));
        return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ULL) >> 58); // the top 6 bits: 64 slots
    }
};
