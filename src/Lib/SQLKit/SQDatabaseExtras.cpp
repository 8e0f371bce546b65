// SQDatabase: batches, savepoints, SQL functions, checkpoints, encryption keys and versions.

#include "Lib/SQLKit/SQDatabase.h"

#include "Lib/SQLKit/SQLog.h"
#include "Lib/SQLKit/SQTransaction.h"
#include "Platform/Foundation/Null.h"

#include <sqlite3.h>

#include <atomic>
#include <cstdlib>

using foundation::Data;
using foundation::Error;
using foundation::Id;
using foundation::MutableDictionary;
using foundation::Null;
using foundation::Ref;
using foundation::String;

// --- Batches ---

namespace {
int SQDatabaseBatchRowCallback(void* context, int columns, char** values, char** names)
{
    const auto& block = *static_cast<const SQBatchRowBlock*>(context);
    auto row = MutableDictionary::create();
    for (int i = 0; i < columns; ++i) {
        Id value;
        if (values[i])
            value = String::createWithValidUTF8(values[i]);
        if (!value)
            value = Null::null();
        row->setObject(value, String::create(names[i] ? names[i] : ""));
    }
    return block(row);
}
} // namespace

bool SQDatabase::executeStatements(std::string_view sql, const SQBatchRowBlock& block)
{
    if (!databaseExists())
        return false;
    char* message = nullptr;
    const std::string text(sql);
    const int rc = sqlite3_exec(db_, text.c_str(), block ? &SQDatabaseBatchRowCallback : nullptr,
        block ? const_cast<SQBatchRowBlock*>(&block) : nullptr, &message);
    if (message) {
        if (logsErrors_)
            SQLog("Error inserting batch: %s", message);
        sqlite3_free(message);
    }
    return rc == SQLITE_OK;
}

// --- Savepoints ---

namespace {
std::string quotedName(std::string_view name)
{
    std::string out;
    for (const char c : name) {
        out.push_back(c);
        if (c == '\'')
            out.push_back('\'');
    }
    return out;
}
} // namespace

bool SQDatabase::startSavePointWithName(std::string_view name, Ref<Error>* error)
{
    return executeUpdateError(foundation::format("savepoint '%@';", quotedName(name)), error, nullptr, nullptr, nullptr);
}

bool SQDatabase::releaseSavePointWithName(std::string_view name, Ref<Error>* error)
{
    return executeUpdateError(foundation::format("release savepoint '%@';", quotedName(name)), error, nullptr, nullptr, nullptr);
}

bool SQDatabase::rollbackToSavePointWithName(std::string_view name, Ref<Error>* error)
{
    return executeUpdateError(
        foundation::format("rollback transaction to savepoint '%@';", quotedName(name)), error, nullptr, nullptr, nullptr);
}

Ref<Error> SQDatabase::inSavePoint(const std::function<void(bool& rollback)>& block)
{
    static std::atomic<long> savePointIndex{0};
    const std::string name = foundation::format("dbSavePoint%ld", savePointIndex++);
    return SQRunSavePoint(std::static_pointer_cast<SQDatabase>(self()), name, [&](const Ref<SQDatabase>&, bool& rollback) {
        if (block)
            block(rollback);
    });
}

// --- SQL functions ---

namespace {
void SQDatabaseFunctionTrampoline(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    if (auto* block = static_cast<SQFunctionBlock*>(sqlite3_user_data(context)); block && *block)
        (*block)(context, argc, argv);
}
} // namespace

void SQDatabase::makeFunctionNamed(std::string_view name, int arguments, SQFunctionBlock block)
{
    if (!databaseExists())
        return;
    // The block lives as long as the connection, so SQLite can keep its address as user data.
    openFunctions_.push_back(std::make_unique<SQFunctionBlock>(std::move(block)));
    sqlite3_create_function(db_, std::string(name).c_str(), arguments, SQLITE_UTF8, openFunctions_.back().get(),
        &SQDatabaseFunctionTrampoline, nullptr, nullptr);
}

int SQDatabase::valueType(sqlite3_value* value)
{
    return sqlite3_value_type(value);
}

int SQDatabase::valueInt(sqlite3_value* value)
{
    return sqlite3_value_int(value);
}

long long SQDatabase::valueLong(sqlite3_value* value)
{
    return sqlite3_value_int64(value);
}

double SQDatabase::valueDouble(sqlite3_value* value)
{
    return sqlite3_value_double(value);
}

Ref<Data> SQDatabase::valueData(sqlite3_value* value)
{
    const auto* bytes = static_cast<const std::uint8_t*>(sqlite3_value_blob(value));
    if (!bytes)
        return nullptr;
    return Data::create(std::span<const std::uint8_t>(bytes, static_cast<std::size_t>(sqlite3_value_bytes(value))));
}

Ref<String> SQDatabase::valueString(sqlite3_value* value)
{
    const auto* text = sqlite3_value_text(value);
    if (!text)
        return nullptr;
    // By its length: a text argument may hold NUL bytes.
    return String::create(std::string_view(reinterpret_cast<const char*>(text), static_cast<std::size_t>(sqlite3_value_bytes(value))));
}

void SQDatabase::resultNullInContext(sqlite3_context* context)
{
    sqlite3_result_null(context);
}

void SQDatabase::resultInt(int value, sqlite3_context* context)
{
    sqlite3_result_int(context, value);
}

void SQDatabase::resultLong(long long value, sqlite3_context* context)
{
    sqlite3_result_int64(context, value);
}

void SQDatabase::resultDouble(double value, sqlite3_context* context)
{
    sqlite3_result_double(context, value);
}

void SQDatabase::resultData(const Data& data, sqlite3_context* context)
{
    sqlite3_result_blob64(context, data.bytes(), static_cast<sqlite3_uint64>(data.length()), SQLITE_TRANSIENT);
}

void SQDatabase::resultString(std::string_view value, sqlite3_context* context)
{
    sqlite3_result_text64(context, value.data(), static_cast<sqlite3_uint64>(value.size()), SQLITE_TRANSIENT, SQLITE_UTF8);
}

void SQDatabase::resultError(std::string_view message, sqlite3_context* context)
{
    sqlite3_result_error(context, message.data(), static_cast<int>(message.size()));
}

void SQDatabase::resultErrorCode(int code, sqlite3_context* context)
{
    sqlite3_result_error_code(context, code);
}

void SQDatabase::resultErrorNoMemoryInContext(sqlite3_context* context)
{
    sqlite3_result_error_nomem(context);
}

void SQDatabase::resultErrorTooBigInContext(sqlite3_context* context)
{
    sqlite3_result_error_toobig(context);
}

// --- Checkpoints ---

bool SQDatabase::checkpoint(int mode, const Id& name, int* logFrameCount, int* checkpointCount, Ref<Error>* error)
{
    if (!databaseExists()) {
        if (error)
            *error = errorWithMessage(foundation::format("The SQDatabase %@ is not open.", description()));
        return false;
    }
    const std::string database = name.stringValue();
    const int rc = sqlite3_wal_checkpoint_v2(db_, name.isNil() ? nullptr : database.c_str(), mode, logFrameCount, checkpointCount);
    if (rc != SQLITE_OK) {
        if (error)
            *error = lastError();
        if (logsErrors_)
            SQLog("%@", lastErrorMessage());
        if (crashOnErrors_)
            std::abort();
    }
    return rc == SQLITE_OK;
}

// --- Encryption keys ---

bool SQDatabase::setKey(std::string_view key)
{
    return setKeyWithData(Data::create(key));
}

bool SQDatabase::rekey(std::string_view key)
{
    return rekeyWithData(Data::create(key));
}

bool SQDatabase::setKeyWithData(const Ref<Data>& /*key*/)
{
    return false;
}

bool SQDatabase::rekeyWithData(const Ref<Data>& /*key*/)
{
    return false;
}

// --- Versions ---

Ref<String> SQDatabase::SQLKitUserVersion()
{
    return String::create("2.7.5");
}

int SQDatabase::SQLKitVersion()
{
    static const int version = [] {
        std::string text = SQLKitUserVersion()->utf8();
        std::size_t dots = 0;
        for (const char c : text)
            dots += c == '.' ? 1 : 0;
        if (dots < 2)
            text += ".0";
        std::string digits;
        for (const char c : text) {
            if (c != '.')
                digits.push_back(c);
        }
        return static_cast<int>(std::strtol(digits.c_str(), nullptr, 16));
    }();
    return version;
}

Ref<String> SQDatabase::sqliteLibVersion()
{
    return String::create(foundation::format("%s", sqlite3_libversion()));
}

bool SQDatabase::isSQLiteThreadSafe()
{
    return sqlite3_threadsafe() != 0;
}
