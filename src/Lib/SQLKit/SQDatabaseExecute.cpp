// SQDatabase: binding values, and the cores of every query and update.

#include "Lib/SQLKit/SQDatabase.h"

#include "Lib/SQLKit/SQLog.h"
#include "Lib/SQLKit/SQResultSet.h"
#include "Lib/SQLKit/SQStatement.h"
#include "Platform/Foundation/Null.h"
#include "Platform/Foundation/Number.h"

#include <sqlite3.h>

#include <cstdlib>
#include <string_view>

using foundation::Array;
using foundation::Data;
using foundation::Date;
using foundation::Dictionary;
using foundation::Error;
using foundation::Id;
using foundation::Number;
using foundation::Ref;
using foundation::String;

namespace {

// Texts and blobs go by their byte length through the 64-bit binders: a text holding a NUL byte is
// bound whole, and a length past INT_MAX cannot turn negative and make SQLite read up to a NUL.
void bindText(sqlite3_stmt* statement, int column, std::string_view text)
{
    sqlite3_bind_text64(statement, column, text.data(), static_cast<sqlite3_uint64>(text.size()), SQLITE_TRANSIENT, SQLITE_UTF8);
}

} // namespace

void SQDatabase::bindValue(const foundation::Object* value, int column, sqlite3_stmt* statement)
{
    // Every text and blob is bound SQLITE_TRANSIENT: SQLite keeps its own copy, so no value has
    // to outlive the call.
    // The exact classes first: a pointer comparison instead of a dynamic_cast for the common kinds.
    static const foundation::Class* const stringClass = String::classObject();
    static const foundation::Class* const mutableStringClass = foundation::MutableString::classObject();
    static const foundation::Class* const numberClass = Number::classObject();
    const foundation::Class* cls = value ? value->isa() : nullptr;
    const String* text = nullptr;
    const Number* number = nullptr;
    if (cls == stringClass || cls == mutableStringClass)
        text = static_cast<const String*>(value);
    else if (cls == numberClass)
        number = static_cast<const Number*>(value);
    else if (value) {
        text = dynamic_cast<const String*>(value);
        number = text ? nullptr : dynamic_cast<const Number*>(value);
    }

    if (text) {
        bindText(statement, column, text->utf8());
    } else if (number) {
        switch (number->objCType()) {
        case 'c':
            sqlite3_bind_int(statement, column, static_cast<signed char>(number->longLongValue()));
            break;
        case 'C':
            sqlite3_bind_int(statement, column, static_cast<unsigned char>(number->unsignedLongLongValue()));
            break;
        case 's':
            sqlite3_bind_int(statement, column, static_cast<short>(number->longLongValue()));
            break;
        case 'S':
            sqlite3_bind_int(statement, column, static_cast<unsigned short>(number->unsignedLongLongValue()));
            break;
        case 'i':
            sqlite3_bind_int(statement, column, static_cast<int>(number->longLongValue()));
            break;
        case 'I':
            sqlite3_bind_int64(statement, column, static_cast<sqlite3_int64>(number->unsignedIntValue()));
            break;
        case 'q':
            sqlite3_bind_int64(statement, column, number->longLongValue());
            break;
        case 'Q':
            sqlite3_bind_int64(statement, column, static_cast<sqlite3_int64>(number->unsignedLongLongValue()));
            break;
        case 'f':
            sqlite3_bind_double(statement, column, static_cast<double>(number->floatValue()));
            break;
        case 'd':
            sqlite3_bind_double(statement, column, number->doubleValue());
            break;
        default: {
            bindText(statement, column, number->description());
            break;
        }
        }
    } else if (!value || dynamic_cast<const foundation::Null*>(value)) {
        sqlite3_bind_null(statement, column);
    } else if (const auto* data = dynamic_cast<const Data*>(value)) {
        static const char empty = 0;
        const void* bytes = data->length() ? static_cast<const void*>(data->bytes()) : &empty;
        sqlite3_bind_blob64(statement, column, bytes, static_cast<sqlite3_uint64>(data->length()), SQLITE_TRANSIENT);
    } else if (const auto* date = dynamic_cast<const Date*>(value)) {
        if (dateFormat_) {
            const Ref<String> formatted = dateFormat_->stringFromDate(*date);
            if (formatted)
                bindText(statement, column, formatted->utf8());
            else
                sqlite3_bind_null(statement, column);
        } else {
            sqlite3_bind_double(statement, column, date->timeIntervalSince1970());
        }
    } else {
        bindText(statement, column, value->description());
    }
}

Ref<SQStatement> SQDatabase::statementForSQL(std::string_view sql, bool forUpdate, Ref<Error>* error, bool& fromCache)
{
    fromCache = false;
    if (shouldCacheStatements_) {
        if (Ref<SQStatement> cached = cachedStatementForQuery(sql)) {
            cached->reset();
            fromCache = true;
            return cached;
        }
    }
    sqlite3_stmt* handle = nullptr;
    const int rc = sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &handle, nullptr);
    if (rc != SQLITE_OK) {
        if (logsErrors_) {
            SQLog("DB Error: %d \"%@\"", lastErrorCode(), lastErrorMessage());
            SQLog("DB Query: %@", sql);
            SQLog("DB Path: %@", databasePath_);
        }
        if (crashOnErrors_)
            std::abort();
        if (forUpdate && error)
            *error = errorWithMessage(sqlite3_errmsg(db_));
        sqlite3_finalize(handle);
        return nullptr;
    }
    auto statement = std::make_shared<SQStatement>();
    statement->setStatement(handle);
    return statement;
}

int SQDatabase::bindArguments(sqlite3_stmt* statement, const Array* array, const Dictionary* dictionary,
    const SQArgumentList* vaList, bool forUpdate, Ref<Error>* error)
{
    const int parameterCount = sqlite3_bind_parameter_count(statement);
    int bound = 0;
    if (dictionary) {
        for (const auto& entry : *dictionary) {
            const std::string key = entry.key.stringValue();
            const std::string name = ":" + key;
            if (traceExecution_)
                SQLog("%@ = %@", name, entry.value);
            const int index = sqlite3_bind_parameter_index(statement, name.c_str());
            if (index > 0) {
                bindObject(entry.value, index, statement);
                ++bound;
            } else if (!forUpdate) {
                SQLog("Could not find index for %@", key);
            } else {
                const std::string message = foundation::format("Could not find index for %@", key);
                if (logsErrors_)
                    SQLog("%@", message);
                if (error)
                    *error = errorWithMessage(message);
            }
        }
        return bound;
    }
    std::size_t listIndex = 0;
    while (bound < parameterCount) {
        const foundation::Object* value = nullptr;
        if (array && static_cast<std::size_t>(bound) < array->count())
            value = array->objects()[static_cast<std::size_t>(bound)].get();
        else if (vaList && listIndex < vaList->size())
            value = (*vaList)[listIndex++].get();
        else
            break;
        if (traceExecution_) {
            if (const auto* data = dynamic_cast<const Data*>(value))
                SQLog("data: %ld bytes", static_cast<long>(data->length()));
            else
                SQLog("obj: %@", value ? value->description() : std::string("(null)"));
        }
        bindValue(value, bound + 1, statement);
        ++bound;
    }
    // A C++ argument list is checked as a whole: values the statement has no place for are an
    // error, not silently dropped.
    if (vaList && listIndex < vaList->size())
        return -static_cast<int>(vaList->size()) - 1;
    return bound;
}

void SQDatabase::discardStatement(const Ref<SQStatement>& statement, sqlite3_stmt* handle, bool fromCache)
{
    if (fromCache) {
        // Still in the cache: rewind it for the next lookup instead of finalizing it under the cache.
        sqlite3_reset(handle);
        sqlite3_clear_bindings(handle);
        statement->setInUse(false);
        return;
    }
    statement->close();
}

Ref<SQResultSet> SQDatabase::executeQueryWithArgumentsInArray(
    std::string_view sql, const Array* array, const Dictionary* dictionary, const SQArgumentList* vaList)
{
    if (!readyForStatement())
        return nullptr;
    const ExecutingStatement executing(*this);
    if (traceExecution_)
        SQLog("%@ executeQuery: %@", description(), sql);

    bool fromCache = false;
    Ref<SQStatement> statement = statementForSQL(sql, false, nullptr, fromCache);
    if (!statement)
        return nullptr;
    sqlite3_stmt* handle = statement->statement();
    const int bound = bindArguments(handle, array, dictionary, vaList, false, nullptr);
    if (bound != sqlite3_bind_parameter_count(handle)) {
        SQLog("Error: the bind count is not correct for the # of variables (executeQuery)");
        discardStatement(statement, handle, fromCache);
        return nullptr;
    }
    if (!fromCache && shouldCacheStatements_)
        setCachedStatement(statement, String::create(sql));

    Ref<SQResultSet> resultSet = SQResultSet::resultSetWithStatement(statement, std::static_pointer_cast<SQDatabase>(self()));
    resultSet->setQuery(String::create(sql));
    openResultSets_.insert(resultSet.get());
    statement->setUseCount(statement->useCount() + 1);
    return resultSet;
}

bool SQDatabase::executeUpdateError(std::string_view sql, Ref<Error>* error, const Array* array,
    const Dictionary* dictionary, const SQArgumentList* vaList)
{
    if (!readyForStatement())
        return false;
    const ExecutingStatement executing(*this);
    if (traceExecution_)
        SQLog("%@ executeUpdate: %@", description(), sql);

    bool fromCache = false;
    Ref<SQStatement> statement = statementForSQL(sql, true, error, fromCache);
    if (!statement)
        return false;
    sqlite3_stmt* handle = statement->statement();
    const int parameterCount = sqlite3_bind_parameter_count(handle);
    int bound = bindArguments(handle, array, dictionary, vaList, true, error);
    if (bound != parameterCount) {
        if (bound < 0)
            bound = -bound - 1; // the number of values given
        const std::string message = foundation::format(
            "Error: the bind count (%d) is not correct for the # of variables in the query (%d) (%@) (executeUpdate)",
            bound, parameterCount, sql);
        if (logsErrors_)
            SQLog("%@", message);
        if (error)
            *error = errorWithMessage(message);
        discardStatement(statement, handle, fromCache);
        return false;
    }

    const int rc = sqlite3_step(handle);
    if (rc == SQLITE_DONE) {
        // success
    } else if (rc == SQLITE_INTERRUPT) {
        if (logsErrors_) {
            SQLog("Error calling sqlite3_step. Query was interrupted (%d: %s) SQLITE_INTERRUPT", rc, sqlite3_errmsg(db_));
            SQLog("DB Query: %@", sql);
        }
    } else if (rc == SQLITE_ROW) {
        const std::string message = foundation::format("A executeUpdate is being called with a query string '%@'", sql);
        if (logsErrors_) {
            SQLog("%@", message);
            SQLog("DB Query: %@", sql);
        }
        if (error)
            *error = errorWithMessage(message);
    } else {
        if (error)
            *error = errorWithMessage(sqlite3_errmsg(db_));
        if (logsErrors_) {
            if (rc == SQLITE_ERROR)
                SQLog("Error calling sqlite3_step (%d: %s) SQLITE_ERROR", rc, sqlite3_errmsg(db_));
            else if (rc == SQLITE_MISUSE)
                SQLog("Error calling sqlite3_step (%d: %s) SQLITE_MISUSE", rc, sqlite3_errmsg(db_));
            else
                SQLog("Unknown error calling sqlite3_step (%d: %s) eu", rc, sqlite3_errmsg(db_));
            SQLog("DB Query: %@", sql);
        }
    }

    if (!fromCache && shouldCacheStatements_) {
        setCachedStatement(statement, String::create(sql));
        fromCache = true;
    }
    int closeRc = SQLITE_OK;
    if (fromCache) {
        statement->setUseCount(statement->useCount() + 1);
        closeRc = sqlite3_reset(handle);
    } else {
        closeRc = sqlite3_finalize(handle);
        statement->setStatement(nullptr);
    }
    if (closeRc != SQLITE_OK && logsErrors_) {
        SQLog("Unknown error finalizing or resetting statement (%d: %s)", closeRc, sqlite3_errmsg(db_));
        SQLog("DB Query: %@", sql);
    }
    return rc == SQLITE_DONE || rc == SQLITE_OK;
}

// --- Entry points ---

Ref<SQResultSet> SQDatabase::executeQueryWithArgumentsInArray(std::string_view sql, const Ref<Array>& arguments)
{
    return executeQueryWithArgumentsInArray(sql, arguments.get(), nullptr, nullptr);
}

Ref<SQResultSet> SQDatabase::executeQueryValues(std::string_view sql, const Ref<Array>& values, Ref<Error>* error)
{
    Ref<SQResultSet> resultSet = executeQueryWithArgumentsInArray(sql, values.get(), nullptr, nullptr);
    if (!resultSet && error)
        *error = lastError();
    return resultSet;
}

Ref<SQResultSet> SQDatabase::executeQueryWithParameterDictionary(std::string_view sql, const Ref<Dictionary>& arguments)
{
    return executeQueryWithArgumentsInArray(sql, nullptr, arguments.get(), nullptr);
}

Ref<SQResultSet> SQDatabase::executeQueryWithVAList(std::string_view sql, const SQArguments& arguments)
{
    const std::vector<SQArgument> list(arguments.begin(), arguments.end());
    const SQArgumentList view(list);
    return executeQueryWithArgumentsInArray(sql, nullptr, nullptr, &view);
}

bool SQDatabase::executeUpdateWithArgumentsInArray(std::string_view sql, const Ref<Array>& arguments)
{
    return executeUpdateError(sql, nullptr, arguments.get(), nullptr, nullptr);
}

bool SQDatabase::executeUpdateValues(std::string_view sql, const Ref<Array>& values, Ref<Error>* error)
{
    return executeUpdateError(sql, error, values.get(), nullptr, nullptr);
}

bool SQDatabase::executeUpdateWithParameterDictionary(std::string_view sql, const Ref<Dictionary>& arguments)
{
    return executeUpdateError(sql, nullptr, nullptr, arguments.get(), nullptr);
}

bool SQDatabase::executeUpdateWithVAList(std::string_view sql, const SQArguments& arguments)
{
    const std::vector<SQArgument> list(arguments.begin(), arguments.end());
    const SQArgumentList view(list);
    return executeUpdateError(sql, nullptr, nullptr, nullptr, &view);
}
