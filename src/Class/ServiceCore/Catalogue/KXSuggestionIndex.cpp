#include "Class/ServiceCore/Catalogue/KXSuggestionIndex.h"

#include "Class/ServiceCore/Catalogue/KXCatalogueFile.h"
#include "Class/ServiceCore/Catalogue/KXCatalogueRowReader.h"
#include "Lib/SQLKit/SQDatabase.h"
#include "Lib/SQLKit/SQDatabaseQueue.h"
#include "Lib/SQLKit/SQResultSet.h"
#include "Lib/SQLKit/SQStatement.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>

using foundation::Ref;

namespace {

char foldByte(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// A text column, whole (NUL bytes included, as instr() reads it); nullopt for NULL.
std::optional<std::string_view> columnText(sqlite3_stmt* statement, int column)
{
    if (column < 0 || sqlite3_column_type(statement, column) == SQLITE_NULL)
        return std::nullopt;
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    if (!bytes)
        return std::string_view();
    return std::string_view(bytes, static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
}

// Runs `sql` on the catalogue's queue and hands each row's statement to `row`; true when SQLite
// found the file damaged.
bool eachRow(const std::shared_ptr<SQDatabaseQueue>& queue, const char* sql,
             const std::function<void(SQResultSet&, sqlite3_stmt*)>& row)
{
    if (!queue)
        return false;
    bool damaged = false;
    queue->inDatabase([&](const Ref<SQDatabase>& db) {
        const Ref<SQResultSet> rows = db->executeQuery(sql);
        sqlite3_stmt* statement = rows && rows->statement() ? rows->statement()->statement() : nullptr;
        if (statement) {
            while (rows->next())
                row(*rows, statement);
            rows->close();
        }
        damaged = KXCatalogueFile::isDamageCode(db->lastErrorCode());
    });
    return damaged;
}

} // namespace

std::string KXSuggestionIndex::foldASCII(std::string_view text)
{
    std::string folded(text);
    for (char& c : folded)
        c = foldByte(c);
    return folded;
}

std::string_view KXSuggestionIndex::Column::text(std::size_t entry) const
{
    return std::string_view(texts_).substr(starts_[entry], starts_[entry + 1] - starts_[entry] - 1);
}

std::string_view KXSuggestionIndex::Column::name(std::size_t entry) const
{
    const auto own = std::lower_bound(names_.begin(), names_.end(), entry,
                                      [](const auto& named, std::size_t wanted) { return named.first < wanted; });
    if (own != names_.end() && own->first == entry)
        return own->second;
    return text(entry);
}

void KXSuggestionIndex::Column::add(long long rowid, int fontid, std::string_view text, std::string_view name)
{
    const auto entry = static_cast<std::uint32_t>(rowids_.size());
    starts_.push_back(static_cast<std::uint32_t>(texts_.size()));
    texts_.append(text);
    texts_.push_back('\0');
    rowids_.push_back(rowid);
    fontids_.push_back(fontid);
    if (name != text)
        names_.emplace_back(entry, std::string(name));
}

void KXSuggestionIndex::Column::finish()
{
    starts_.push_back(static_cast<std::uint32_t>(texts_.size()));
    folded_ = foldASCII(texts_);
    texts_.shrink_to_fit();
    starts_.shrink_to_fit();
    rowids_.shrink_to_fit();
    fontids_.shrink_to_fit();
}

std::size_t KXSuggestionIndex::Column::bytes() const
{
    std::size_t named = 0;
    for (const auto& [entry, name] : names_)
        named += sizeof entry + name.capacity();
    return texts_.capacity() + folded_.capacity() + starts_.capacity() * sizeof(std::uint32_t)
        + rowids_.capacity() * sizeof(long long) + fontids_.capacity() * sizeof(int) + named;
}

std::vector<std::uint32_t> KXSuggestionIndex::Column::find(std::string_view needle) const
{
    std::vector<std::uint32_t> entries;
    const auto total = static_cast<std::uint32_t>(count());
    if (needle.empty()) {
        entries.resize(total);
        for (std::uint32_t entry = 0; entry < total; ++entry)
            entries[entry] = entry;
        return entries;
    }
    const std::string folded = foldASCII(needle);
    const char* haystack = folded_.data();
    const std::size_t size = folded_.size();
    std::size_t from = 0;
    std::uint32_t entry = 0;
    // Each text is followed by a NUL. A hit that runs into it (only a needle holding a NUL can)
    // belongs to no text; after a hit inside a text the scan goes on at the next text, so each
    // text is listed once.
    while (from < size) {
        const void* hit = ::memmem(haystack + from, size - from, folded.data(), folded.size());
        if (!hit)
            break;
        const auto at = static_cast<std::uint32_t>(static_cast<const char*>(hit) - haystack);
        entry = static_cast<std::uint32_t>(std::upper_bound(starts_.begin() + entry, starts_.end(), at) - starts_.begin() - 1);
        const std::size_t textEnd = starts_[entry + 1] - 1;
        if (at + folded.size() > textEnd) {
            from = at + 1;
            continue;
        }
        entries.push_back(entry);
        from = starts_[entry + 1];
    }
    return entries;
}

std::shared_ptr<const KXSuggestionIndex> KXSuggestionIndex::build(const KXSuggestionSource& source)
{
    auto index = std::make_shared<KXSuggestionIndex>();
    // The source's generation was read before the tables are: a change while they are read
    // leaves the index stale, not new.
    index->generation_ = source.generation;

    bool located = false;
    int keyword = -1, fontname = -1, fontid = -1;
    index->readDamaged_ = eachRow(source.queue, "SELECT rowid, * FROM fp_keyword", [&](SQResultSet& rows, sqlite3_stmt* statement) {
        if (!located) {
            located = true;
            keyword = KXCatalogueRowReader::columnIndex(rows, "keyword");
            fontname = KXCatalogueRowReader::columnIndex(rows, "fontname");
            fontid = KXCatalogueRowReader::columnIndex(rows, "fontid");
        }
        const auto text = columnText(statement, keyword);
        if (!text)
            return;
        // The record's name: its font name, and the keyword for a row that names no font.
        const int id = fontid >= 0 ? sqlite3_column_int(statement, fontid) : 0;
        std::string_view name = columnText(statement, fontname).value_or(std::string_view());
        if (name.empty() && id < 1)
            name = *text;
        index->keywords_.add(sqlite3_column_int64(statement, 0), id, *text, name);
    });
    index->keywords_.finish();

    index->readDamaged_ |= eachRow(source.queue, "SELECT rowid, fontid, fontname FROM fp_fonts", [&](SQResultSet&, sqlite3_stmt* statement) {
        if (const auto text = columnText(statement, 2))
            index->fontnames_.add(sqlite3_column_int64(statement, 0), sqlite3_column_int(statement, 1), *text, *text);
    });
    index->fontnames_.finish();
    return index;
}

const KXSuggestionIndex::Column* KXSuggestionMatches::column() const
{
    return table == Table::Keywords ? &index->keywords() : &index->fontnames();
}

std::shared_ptr<const KXSuggestionIndex> KXSuggestionIndexCache::current(const KXSuggestionSource& source)
{
    std::lock_guard lock(mutex_);
    if (!index_ || index_->generation() != source.generation) {
        index_ = KXSuggestionIndex::build(source);
        builds_ += 1;
    }
    return index_;
}

unsigned long long KXSuggestionIndexCache::builds() const
{
    std::lock_guard lock(mutex_);
    return builds_;
}
