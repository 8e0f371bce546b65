// SQDatabase: typed single-value queries, schema questions, pragmas and SQL validation.

#include "Lib/SQLKit/SQDatabase.h"

#include "Lib/SQLKit/SQLog.h"
#include "Lib/SQLKit/SQResultSet.h"

#include <sqlite3.h>

using foundation::Data;
using foundation::Date;
using foundation::Error;
using foundation::Ref;
using foundation::String;

// --- Single values ---

Ref<SQResultSet> SQDatabase::runSingleValueQuery(std::string_view sql, SQArgumentList args)
{
    Ref<SQResultSet> resultSet = executeQueryWithArgumentsInArray(sql, nullptr, nullptr, &args);
    if (resultSet && resultSet->next())
        return resultSet;
    return nullptr;
}

namespace {
// Reads column 0 of the row, then closes the result set and lets go of its connection.
template <class Read>
auto readFirstColumn(const Ref<SQResultSet>& resultSet, Read read) -> decltype(read(*resultSet))
{
    using Result = decltype(read(*resultSet));
    if (!resultSet)
        return Result{};
    Result value = read(*resultSet);
    resultSet->close();
    resultSet->setParentDB(nullptr);
    return value;
}
} // namespace

Ref<String> SQDatabase::stringForQueryWithArguments(std::string_view sql, SQArgumentList args)
{
    return readFirstColumn(runSingleValueQuery(sql, args), [](SQResultSet& rs) { return rs.stringForColumnIndex(0); });
}

int SQDatabase::intForQueryWithArguments(std::string_view sql, SQArgumentList args)
{
    return readFirstColumn(runSingleValueQuery(sql, args), [](SQResultSet& rs) { return rs.intForColumnIndex(0); });
}

long long SQDatabase::longForQueryWithArguments(std::string_view sql, SQArgumentList args)
{
    return readFirstColumn(runSingleValueQuery(sql, args), [](SQResultSet& rs) { return static_cast<long long>(rs.longForColumnIndex(0)); });
}

bool SQDatabase::boolForQueryWithArguments(std::string_view sql, SQArgumentList args)
{
    return readFirstColumn(runSingleValueQuery(sql, args), [](SQResultSet& rs) { return rs.boolForColumnIndex(0); });
}

double SQDatabase::doubleForQueryWithArguments(std::string_view sql, SQArgumentList args)
{
    return readFirstColumn(runSingleValueQuery(sql, args), [](SQResultSet& rs) { return rs.doubleForColumnIndex(0); });
}

Ref<Data> SQDatabase::dataForQueryWithArguments(std::string_view sql, SQArgumentList args)
{
    return readFirstColumn(runSingleValueQuery(sql, args), [](SQResultSet& rs) { return rs.dataForColumnIndex(0); });
}

Ref<Date> SQDatabase::dateForQueryWithArguments(std::string_view sql, SQArgumentList args)
{
    return readFirstColumn(runSingleValueQuery(sql, args), [](SQResultSet& rs) { return rs.dateForColumnIndex(0); });
}

// --- Schema ---

namespace {
std::string lowercased(std::string_view text)
{
    return String::create(text)->lowercaseString()->utf8();
}

// A name inside single quotes, its own quotes doubled.
std::string quotedLiteral(std::string_view name)
{
    std::string out = "'";
    for (const char c : name) {
        out.push_back(c);
        if (c == '\'')
            out.push_back('\'');
    }
    out.push_back('\'');
    return out;
}
} // namespace

bool SQDatabase::tableExists(std::string_view tableName)
{
    Ref<SQResultSet> rs = executeQuery("select [sql] from sqlite_master where [type] = 'table' and lower(name) = ?", lowercased(tableName));
    if (!rs)
        return false;
    const bool found = rs->next();
    rs->close();
    return found;
}

Ref<SQResultSet> SQDatabase::getSchema()
{
    return executeQuery("SELECT type, name, tbl_name, rootpage, sql FROM (SELECT * FROM sqlite_master UNION ALL SELECT * FROM "
                        "sqlite_temp_master) WHERE type != 'meta' AND name NOT LIKE 'sqlite_%' ORDER BY tbl_name, type DESC, name");
}

Ref<SQResultSet> SQDatabase::getTableSchema(std::string_view tableName)
{
    return executeQuery("pragma table_info(" + quotedLiteral(tableName) + ")");
}

bool SQDatabase::columnExists(std::string_view columnName, std::string_view tableName)
{
    const std::string column = lowercased(columnName);
    Ref<SQResultSet> rs = getTableSchema(lowercased(tableName));
    if (!rs)
        return false;
    bool found = false;
    while (rs->next()) {
        const Ref<String> name = rs->stringForColumn("name");
        if (name && name->lowercaseString()->utf8() == column) {
            found = true;
            break;
        }
    }
    rs->close();
    return found;
}

bool SQDatabase::columnExistsColumnName(std::string_view tableName, std::string_view columnName)
{
    return columnExists(columnName, tableName);
}

// --- Pragmas ---

bool SQDatabase::runPragmaUpdate(const std::string& sql)
{
    Ref<SQResultSet> rs = executeQuery(sql);
    if (!rs)
        return false;
    rs->next();
    rs->close();
    return true;
}

std::uint32_t SQDatabase::uint32ForPragma(const char* sql)
{
    Ref<SQResultSet> rs = executeQuery(sql);
    std::uint32_t value = 0;
    if (rs && rs->next())
        value = static_cast<std::uint32_t>(rs->longLongIntForColumnIndex(0));
    if (rs)
        rs->close();
    return value;
}

std::uint32_t SQDatabase::applicationID()
{
    return uint32ForPragma("pragma application_id");
}

void SQDatabase::setApplicationID(std::uint32_t value)
{
    runPragmaUpdate(foundation::format("pragma application_id=%d", static_cast<int>(value)));
}

std::uint32_t SQDatabase::userVersion()
{
    return uint32ForPragma("pragma user_version");
}

void SQDatabase::setUserVersion(std::uint32_t value)
{
    runPragmaUpdate(foundation::format("pragma user_version = %d", static_cast<int>(value)));
}

namespace {
// The four bytes of a code as text, high byte first (bytes above 0x7F as Latin-1 characters).
std::string fourCharCodeText(std::uint32_t code)
{
    std::u16string text;
    for (int shift = 24; shift >= 0; shift -= 8)
        text.push_back(static_cast<char16_t>((code >> shift) & 0xFF));
    return String::createWithUTF16(text)->utf8();
}

// The code of a quoted four-character text "'abcd'"; 0 when it is not one.
std::uint32_t fourCharCodeOfQuoted(std::string_view quoted)
{
    const std::u16string text = String::create(quoted)->utf16();
    if (text.size() != 6 || text.front() != u'\'' || text.back() != u'\'')
        return 0;
    std::uint32_t code = 0;
    for (std::size_t i = 1; i <= 4; ++i) {
        if (text[i] > 0xFF)
            return 0;
        code = (code << 8) | text[i];
    }
    return code;
}
} // namespace

Ref<String> SQDatabase::applicationIDString()
{
    return String::create(fourCharCodeText(applicationID()));
}

void SQDatabase::setApplicationIDString(std::string_view text)
{
    const std::size_t length = String::create(text)->length();
    if (length != 4)
        SQLog("setApplicationIDString: string passed is not exactly 4 chars long. (was %ld)", static_cast<long>(length));
    setApplicationID(fourCharCodeOfQuoted(foundation::format("'%@'", text)));
}

// --- Validation ---

bool SQDatabase::validateSQL(std::string_view sql, Ref<Error>* error)
{
    if (!databaseExists()) {
        if (error)
            *error = Error::create(foundation::NSCocoaErrorDomain, lastErrorCode(), lastErrorMessage()->utf8());
        return false;
    }
    sqlite3_stmt* statement = nullptr;
    const int rc = sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &statement, nullptr);
    if (rc != SQLITE_OK && error)
        *error = Error::create(foundation::NSCocoaErrorDomain, lastErrorCode(), lastErrorMessage()->utf8());
    sqlite3_finalize(statement);
    return rc == SQLITE_OK;
}
