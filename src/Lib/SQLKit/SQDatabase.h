#pragma once

#include "Lib/SQLKit/SQArgument.h"
#include "Lib/SQLKit/SQDateFormatter.h"
#include "Lib/SQLKit/SQFormatArgument.h"
#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Date.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Error.h"
#include "Platform/Foundation/Object.h"
#include "Platform/Foundation/Set.h"
#include "Platform/Foundation/String.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

struct sqlite3;
struct sqlite3_context;
struct sqlite3_stmt;
struct sqlite3_value;
class SQResultSet;
class SQStatement;

// Error domain of every error this layer makes (except validateSQL's, which uses the platform's).
inline constexpr std::string_view SQDatabaseErrorDomain = "SQDatabase";
// Read-write together with create: what the queue and the pool open with by default.
inline constexpr int SQDefaultOpenFlags = 6;

// The arguments of a variadic call, in order; nil binds NULL.
using SQArguments = std::vector<foundation::Id>;

// A SQL function implemented in C++: context, argument count, argument values.
using SQFunctionBlock = std::function<void(sqlite3_context* context, int argc, sqlite3_value** argv)>;
// Called once per result row of a batch with column name -> text (or Null); non-zero stops it.
using SQBatchRowBlock = std::function<int(const foundation::Ref<foundation::Dictionary>& row)>;

// One connection to a SQLite database: opening and closing, a bounded busy retry, an optional
// statement cache, typed binding, queries (SQResultSet) and updates, transactions, savepoints,
// batches, SQL functions and typed single-value helpers. Failures are logged and reported as nil
// or false with errors of domain "SQDatabase".
//
// Not thread-safe: confine a connection to one serial queue (SQDatabaseQueue) or check it out of a
// pool (SQDatabasePool). A call that overlaps another call on the same connection is refused with
// "The SQDatabase %@ is currently in use.". Create it through databaseWithPath() (it must be owned
// by a Ref, because result sets hold their connection).
class SQDatabase : public foundation::Object {
public:
    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;

    // A nil path is an in-memory database, an empty path SQLite's private temporary database.
    static foundation::Ref<SQDatabase> databaseWithPath(const foundation::Id& path);
    // A "file:" URL (or a plain path); nil gives an in-memory database.
    static foundation::Ref<SQDatabase> databaseWithURL(const foundation::Id& url);
    static foundation::Ref<SQDatabase> create() { return databaseWithPath(nullptr); }

    SQDatabase();
    ~SQDatabase() override;
    SQDatabase(const SQDatabase&) = delete;
    SQDatabase& operator=(const SQDatabase&) = delete;

    // The designated initialiser: stops the process when SQLite is not thread-safe; stores the path.
    void initWithPath(const foundation::Id& path);

    // --- Opening and closing ---
    bool open();
    bool openWithFlags(int flags, const foundation::Id& vfsName = nullptr);
    // True when the connection is closed. False (with a log line) when SQLite could only defer the
    // close because something still holds the connection; the handle is given up either way.
    bool close();
    bool goodConnection();
    bool databaseExists() const;
    bool interrupt();
    std::string sqlitePath() const;
    sqlite3* sqliteHandle() const { return db_; }
    const foundation::Ref<foundation::String>& databasePath() const { return databasePath_; }
    foundation::Ref<foundation::String> databaseURL() const; // "file://..." or nil

    // --- Busy handling ---
    double maxBusyRetryTimeInterval() const { return maxBusyRetryTimeInterval_; }
    void setMaxBusyRetryTimeInterval(double seconds);
    int busyRetryTimeout();                     // retired: logs and returns -1
    void setBusyRetryTimeout(int milliseconds); // retired: logs and does nothing

    // --- Errors ---
    foundation::Ref<foundation::String> lastErrorMessage() const;
    int lastErrorCode() const;
    int lastExtendedErrorCode() const;
    bool hadError() const;
    foundation::Ref<foundation::Error> lastError() const;
    foundation::Ref<foundation::Error> errorWithMessage(std::string_view message) const;
    void warnInUse() const;

    // --- Rows changed ---
    long long lastInsertRowId();
    int changes();

    // --- Statement cache ---
    bool shouldCacheStatements() const { return shouldCacheStatements_; }
    void setShouldCacheStatements(bool value);
    foundation::Ref<foundation::MutableDictionary> cachedStatements() const;
    void setCachedStatements(foundation::Ref<foundation::MutableDictionary> statements);
    foundation::Ref<SQStatement> cachedStatementForQuery(std::string_view query);
    void setCachedStatement(const foundation::Ref<SQStatement>& statement, const foundation::Ref<foundation::String>& query);
    void clearCachedStatements();

    // --- Open result sets ---
    bool hasOpenResultSets() const { return !openResultSets_.empty(); }
    void closeOpenResultSets();
    void resultSetDidClose(SQResultSet* resultSet);

    // --- Queries: each gives an open result set to step with next(), or nil ---
    // executeQuery:withArgumentsInArray:orDictionary:orVAList:, the core of every query.
    foundation::Ref<SQResultSet> executeQueryWithArgumentsInArray(std::string_view sql, const foundation::Array* array,
        const foundation::Dictionary* dictionary, const SQArgumentList* vaList);
    template <class... Args>
    foundation::Ref<SQResultSet> executeQuery(std::string_view sql, const Args&... args)
    {
        const std::array<SQArgument, sizeof...(Args)> list{SQArgument(args)...};
        const SQArgumentList view(list);
        return executeQueryWithArgumentsInArray(sql, nullptr, nullptr, &view);
    }
    foundation::Ref<SQResultSet> executeQueryWithArgumentsInArray(std::string_view sql, const foundation::Ref<foundation::Array>& arguments);
    foundation::Ref<SQResultSet> executeQueryValues(std::string_view sql, const foundation::Ref<foundation::Array>& values, foundation::Ref<foundation::Error>* error);
    foundation::Ref<SQResultSet> executeQueryWithParameterDictionary(std::string_view sql, const foundation::Ref<foundation::Dictionary>& arguments);
    // Every value of the list must be bound: more values than parameters is a bind-count error.
    foundation::Ref<SQResultSet> executeQueryWithVAList(std::string_view sql, const SQArguments& arguments);
    template <class... Args>
    foundation::Ref<SQResultSet> executeQueryWithFormat(std::string_view format, const Args&... args)
    {
        const std::array<SQFormatArgument, sizeof...(Args)> list{SQFormatArgument(args)...};
        return executeQueryWithFormatArguments(format, list);
    }
    foundation::Ref<SQResultSet> executeQueryWithFormatArguments(std::string_view format, std::span<const SQFormatArgument> args);

    // --- Updates: true when the statement ran to its end ---
    // executeUpdate:error:withArgumentsInArray:orDictionary:orVAList:, the core of every update.
    bool executeUpdateError(std::string_view sql, foundation::Ref<foundation::Error>* error, const foundation::Array* array,
        const foundation::Dictionary* dictionary, const SQArgumentList* vaList);
    template <class... Args>
    bool executeUpdate(std::string_view sql, const Args&... args)
    {
        const std::array<SQArgument, sizeof...(Args)> list{SQArgument(args)...};
        const SQArgumentList view(list);
        return executeUpdateError(sql, nullptr, nullptr, nullptr, &view);
    }
    bool executeUpdateWithArgumentsInArray(std::string_view sql, const foundation::Ref<foundation::Array>& arguments);
    bool executeUpdateValues(std::string_view sql, const foundation::Ref<foundation::Array>& values, foundation::Ref<foundation::Error>* error);
    bool executeUpdateWithParameterDictionary(std::string_view sql, const foundation::Ref<foundation::Dictionary>& arguments);
    bool executeUpdateWithVAList(std::string_view sql, const SQArguments& arguments);
    template <class... Args>
    bool executeUpdateWithErrorAndBindings(std::string_view sql, foundation::Ref<foundation::Error>* error, const Args&... args)
    {
        const std::array<SQArgument, sizeof...(Args)> list{SQArgument(args)...};
        const SQArgumentList view(list);
        return executeUpdateError(sql, error, nullptr, nullptr, &view);
    }
    template <class... Args>
    bool update(std::string_view sql, foundation::Ref<foundation::Error>* error, const Args&... args)
    {
        return executeUpdateWithErrorAndBindings(sql, error, args...);
    }
    template <class... Args>
    bool executeUpdateWithFormat(std::string_view format, const Args&... args)
    {
        const std::array<SQFormatArgument, sizeof...(Args)> list{SQFormatArgument(args)...};
        return executeUpdateWithFormatArguments(format, list);
    }
    bool executeUpdateWithFormatArguments(std::string_view format, std::span<const SQFormatArgument> args);

    // Turns a printf-style format into SQL with "?" and the values to bind. False (with the reason
    // in `problem`) when the arguments do not match the conversions in number or kind.
    bool extractSQL(std::string_view format, std::span<const SQFormatArgument> args, foundation::MutableString& sql,
        foundation::MutableArray& arguments, std::string* problem = nullptr) const;

    // --- Binding ---
    void bindObject(const foundation::Id& object, int column, sqlite3_stmt* statement) { bindValue(object.get(), column, statement); }
    void bindValue(const foundation::Object* value, int column, sqlite3_stmt* statement);

    // --- Dates ---
    // A formatter with `format`, GMT and the locale "en_US", for setDateFormat().
    static foundation::Ref<SQDateFormatter> storeableDateFormat(std::string_view format);
    void setDateFormat(foundation::Ref<SQDateFormatter> format) { dateFormat_ = std::move(format); }
    bool hasDateFormatter() const { return dateFormat_ != nullptr; }
    foundation::Ref<foundation::Date> dateFromString(std::string_view text) const;
    foundation::Ref<foundation::String> stringFromDate(const foundation::Date& date) const;

    // --- Transactions ---
    bool beginTransaction();
    bool beginDeferredTransaction();
    bool beginImmediateTransaction();
    bool beginExclusiveTransaction();
    bool commit();
    bool rollback();
    bool isInTransaction() const { return inTransaction_; }
    bool inTransaction() const { return inTransaction_; }

    // --- Savepoints ---
    bool startSavePointWithName(std::string_view name, foundation::Ref<foundation::Error>* error);
    bool releaseSavePointWithName(std::string_view name, foundation::Ref<foundation::Error>* error);
    bool rollbackToSavePointWithName(std::string_view name, foundation::Ref<foundation::Error>* error);
    foundation::Ref<foundation::Error> inSavePoint(const std::function<void(bool& rollback)>& block);

    // --- Batches ---
    bool executeStatements(std::string_view sql, const SQBatchRowBlock& block = nullptr);

    // --- SQL functions ---
    void makeFunctionNamed(std::string_view name, int arguments, SQFunctionBlock block);
    void makeFunctionNamedMaximumArguments(std::string_view name, int arguments, SQFunctionBlock block)
    {
        makeFunctionNamed(name, arguments, std::move(block));
    }
    static int valueType(sqlite3_value* value);
    static int valueInt(sqlite3_value* value);
    static long long valueLong(sqlite3_value* value);
    static double valueDouble(sqlite3_value* value);
    static foundation::Ref<foundation::Data> valueData(sqlite3_value* value);
    static foundation::Ref<foundation::String> valueString(sqlite3_value* value);
    static void resultNullInContext(sqlite3_context* context);
    static void resultInt(int value, sqlite3_context* context);
    static void resultLong(long long value, sqlite3_context* context);
    static void resultDouble(double value, sqlite3_context* context);
    static void resultData(const foundation::Data& data, sqlite3_context* context);
    static void resultString(std::string_view value, sqlite3_context* context);
    static void resultError(std::string_view message, sqlite3_context* context);
    static void resultErrorCode(int code, sqlite3_context* context);
    static void resultErrorNoMemoryInContext(sqlite3_context* context);
    static void resultErrorTooBigInContext(sqlite3_context* context);

    // --- Write-ahead-log checkpoints ---
    bool checkpoint(int mode, const foundation::Id& name = nullptr, int* logFrameCount = nullptr,
        int* checkpointCount = nullptr, foundation::Ref<foundation::Error>* error = nullptr);

    // --- Encryption keys: not supported by this build; always false ---
    bool setKey(std::string_view key);
    bool rekey(std::string_view key);
    bool setKeyWithData(const foundation::Ref<foundation::Data>& key);
    bool rekeyWithData(const foundation::Ref<foundation::Data>& key);

    // --- Version information ---
    static foundation::Ref<foundation::String> SQLKitUserVersion();
    static int SQLKitVersion();
    static foundation::Ref<foundation::String> sqliteLibVersion();
    static bool isSQLiteThreadSafe();

    // --- Typed single-value queries: column 0 of the first row ---
    template <class... Args>
    foundation::Ref<foundation::String> stringForQuery(std::string_view sql, const Args&... args)
    {
        const std::array<SQArgument, sizeof...(Args)> list{SQArgument(args)...};
        return stringForQueryWithArguments(sql, list);
    }
    template <class... Args>
    int intForQuery(std::string_view sql, const Args&... args)
    {
        const std::array<SQArgument, sizeof...(Args)> list{SQArgument(args)...};
        return intForQueryWithArguments(sql, list);
    }
    template <class... Args>
    long long longForQuery(std::string_view sql, const Args&... args)
    {
        const std::array<SQArgument, sizeof...(Args)> list{SQArgument(args)...};
        return longForQueryWithArguments(sql, list);
    }
    template <class... Args>
    bool boolForQuery(std::string_view sql, const Args&... args)
    {
        const std::array<SQArgument, sizeof...(Args)> list{SQArgument(args)...};
        return boolForQueryWithArguments(sql, list);
    }
    template <class... Args>
    double doubleForQuery(std::string_view sql, const Args&... args)
    {
        const std::array<SQArgument, sizeof...(Args)> list{SQArgument(args)...};
        return doubleForQueryWithArguments(sql, list);
    }
    template <class... Args>
    foundation::Ref<foundation::Data> dataForQuery(std::string_view sql, const Args&... args)
    {
        const std::array<SQArgument, sizeof...(Args)> list{SQArgument(args)...};
        return dataForQueryWithArguments(sql, list);
    }
    template <class... Args>
    foundation::Ref<foundation::Date> dateForQuery(std::string_view sql, const Args&... args)
    {
        const std::array<SQArgument, sizeof...(Args)> list{SQArgument(args)...};
        return dateForQueryWithArguments(sql, list);
    }
    foundation::Ref<foundation::String> stringForQueryWithArguments(std::string_view sql, SQArgumentList args);
    int intForQueryWithArguments(std::string_view sql, SQArgumentList args);
    long long longForQueryWithArguments(std::string_view sql, SQArgumentList args);
    bool boolForQueryWithArguments(std::string_view sql, SQArgumentList args);
    double doubleForQueryWithArguments(std::string_view sql, SQArgumentList args);
    foundation::Ref<foundation::Data> dataForQueryWithArguments(std::string_view sql, SQArgumentList args);
    foundation::Ref<foundation::Date> dateForQueryWithArguments(std::string_view sql, SQArgumentList args);

    // --- Schema ---
    bool tableExists(std::string_view tableName);
    foundation::Ref<SQResultSet> getSchema();
    foundation::Ref<SQResultSet> getTableSchema(std::string_view tableName);
    bool columnExists(std::string_view columnName, std::string_view tableName); // columnExists:inTableWithName:
    bool columnExistsColumnName(std::string_view tableName, std::string_view columnName);

    // --- Pragmas ---
    std::uint32_t applicationID();
    void setApplicationID(std::uint32_t value);
    foundation::Ref<foundation::String> applicationIDString();
    void setApplicationIDString(std::string_view text);
    std::uint32_t userVersion();
    void setUserVersion(std::uint32_t value);

    // --- Validation: prepares without running ---
    bool validateSQL(std::string_view sql, foundation::Ref<foundation::Error>* error);

    // --- Flags ---
    bool traceExecution() const { return traceExecution_; }
    void setTraceExecution(bool value) { traceExecution_ = value; }
    bool checkedOut() const { return checkedOut_; }
    void setCheckedOut(bool value) { checkedOut_ = value; }
    bool crashOnErrors() const { return crashOnErrors_; }
    void setCrashOnErrors(bool value) { crashOnErrors_ = value; }
    bool logsErrors() const { return logsErrors_; }
    void setLogsErrors(bool value) { logsErrors_ = value; }
    bool isOpen() const { return isOpen_; }
    void setIsOpen(bool value) { isOpen_ = value; }

private:
    friend int SQDatabaseBusyCallback(void* context, int count);

    // Whether a call may run a statement now: false, with a log line, when the connection is closed
    // or already inside such a call.
    bool readyForStatement() const;
    // Marks the connection as inside a statement call until the end of the scope.
    class ExecutingStatement {
    public:
        explicit ExecutingStatement(SQDatabase& owner)
            : owner_(owner)
        {
            owner_.isExecutingStatement_ = true;
        }
        ~ExecutingStatement() { owner_.isExecutingStatement_ = false; }
        ExecutingStatement(const ExecutingStatement&) = delete;
        ExecutingStatement& operator=(const ExecutingStatement&) = delete;

    private:
        SQDatabase& owner_;
    };

    // The statement for `sql`: one from the cache (reset) or a new one. Null after a failed prepare,
    // which has been logged; `fromCache` tells where it came from.
    foundation::Ref<SQStatement> statementForSQL(std::string_view sql, bool forUpdate, foundation::Ref<foundation::Error>* error, bool& fromCache);
    // Binds the arguments; returns the number bound, or -(values given) - 1 when values of the
    // argument list were left over.
    int bindArguments(sqlite3_stmt* statement, const foundation::Array* array, const foundation::Dictionary* dictionary,
        const SQArgumentList* vaList, bool forUpdate, foundation::Ref<foundation::Error>* error);
    // Gives a statement whose binding failed back: a cached one is reset and kept, another finalized.
    void discardStatement(const foundation::Ref<SQStatement>& statement, sqlite3_stmt* handle, bool fromCache);
    foundation::Ref<SQResultSet> runSingleValueQuery(std::string_view sql, SQArgumentList args);
    bool runPragmaUpdate(const std::string& sql);
    std::uint32_t uint32ForPragma(const char* sql);
    bool runTransactionStatement(const char* sql, bool inTransactionAfter);
    bool finishOpening(int rc);

    sqlite3* db_ = nullptr;
    bool isExecutingStatement_ = false;
    double startBusyRetryTime_ = 0;
    std::unordered_set<SQResultSet*> openResultSets_; // not retained: a result set leaves when it closes
    std::vector<std::unique_ptr<SQFunctionBlock>> openFunctions_;
    foundation::Ref<SQDateFormatter> dateFormat_;
    bool shouldCacheStatements_ = false;
    bool traceExecution_ = false;
    bool checkedOut_ = false;
    bool crashOnErrors_ = false;
    bool logsErrors_ = true;
    bool isOpen_ = false;
    bool inTransaction_ = false;
    double maxBusyRetryTimeInterval_ = 2.0;
    foundation::Ref<foundation::MutableDictionary> cachedStatements_;
    // The statement the cache handed out last, so a loop over one SQL text skips the lookup.
    std::string lastCachedQuery_;
    foundation::Ref<SQStatement> lastCachedStatement_;
    foundation::Ref<foundation::String> databasePath_;
};
