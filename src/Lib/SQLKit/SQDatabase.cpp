#include "Lib/SQLKit/SQDatabase.h"

#include "Lib/SQLKit/SQLog.h"
#include "Lib/SQLKit/SQResultSet.h"
#include "Lib/SQLKit/SQStatement.h"
#include "Platform/Foundation/Date.h"
#include "Platform/Foundation/URL.h"

#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>

using foundation::Date;
using foundation::Dictionary;
using foundation::Error;
using foundation::Id;
using foundation::MutableDictionary;
using foundation::MutableSet;
using foundation::Ref;
using foundation::String;

const foundation::Class* SQDatabase::classObject()
{
    static const foundation::Class* cls = &foundation::Class::define(
        "SQDatabase", foundation::Object::classObject(), [] { return Ref<Object>(std::make_shared<SQDatabase>()); });
    return cls;
}

const foundation::Class* SQDatabase::isa() const
{
    return classObject();
}

Ref<SQDatabase> SQDatabase::databaseWithPath(const Id& path)
{
    auto db = std::make_shared<SQDatabase>();
    db->initWithPath(path);
    return db;
}

namespace {
// The path of a "file:" URL, percent escapes decoded; any other text is taken as a path.
std::string pathOfURL(const std::string& url)
{
    std::string_view rest = url;
    if (!rest.starts_with("file:"))
        return url;
    rest.remove_prefix(5);
    if (rest.starts_with("//")) {
        rest.remove_prefix(2);
        rest = rest.substr(std::min(rest.find('/'), rest.size())); // drop the host ("localhost")
    }
    return foundation::percentDecode(rest);
}
} // namespace

Ref<SQDatabase> SQDatabase::databaseWithURL(const Id& url)
{
    if (url.isNil())
        return databaseWithPath(nullptr);
    return databaseWithPath(Id(pathOfURL(url.stringValue())));
}

SQDatabase::SQDatabase() = default;

SQDatabase::~SQDatabase()
{
    close();
}

void SQDatabase::initWithPath(const Id& path)
{
    if (sqlite3_threadsafe() == 0) {
        std::fprintf(stderr, "Assertion failed: (sqlite3_threadsafe())\n");
        std::abort();
    }
    databasePath_ = path.isNil() ? nullptr : String::create(path.stringValue());
    logsErrors_ = true;
    crashOnErrors_ = false;
    maxBusyRetryTimeInterval_ = 2.0;
    isOpen_ = false;
}

Ref<String> SQDatabase::databaseURL() const
{
    if (!databasePath_)
        return nullptr;
    return String::create("file://" + foundation::percentEncode(databasePath_->utf8(), "/"));
}

std::string SQDatabase::sqlitePath() const
{
    if (!databasePath_)
        return ":memory:";
    return databasePath_->utf8();
}

// --- Opening and closing ---

bool SQDatabase::open()
{
    if (isOpen_)
        return true;
    if (db_)
        close(); // a handle left by an earlier failed attempt
    return finishOpening(sqlite3_open(sqlitePath().c_str(), &db_));
}

bool SQDatabase::openWithFlags(int flags, const Id& vfsName)
{
    if (isOpen_)
        return true;
    if (db_)
        close();
    const std::string vfs = vfsName.stringValue();
    return finishOpening(sqlite3_open_v2(sqlitePath().c_str(), &db_, flags, vfsName.isNil() ? nullptr : vfs.c_str()));
}

bool SQDatabase::finishOpening(int rc)
{
    if (rc != SQLITE_OK) {
        SQLog("error opening!: %d", rc);
        return false;
    }
    if (maxBusyRetryTimeInterval_ > 0.0)
        setMaxBusyRetryTimeInterval(maxBusyRetryTimeInterval_);
    isOpen_ = true;
    return true;
}

bool SQDatabase::close()
{
    // Closing the result sets lets go of their references to this connection; stay alive meanwhile.
    const Ref<Object> keepAlive = weak_from_this().lock();
    clearCachedStatements();
    closeOpenResultSets();
    if (!db_)
        return true;

    bool closed = true;
    int rc = sqlite3_close(db_);
    if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
        bool finalizedAny = false;
        while (sqlite3_stmt* leaked = sqlite3_next_stmt(db_, nullptr)) {
            SQLog("Closing leaked statement");
            sqlite3_finalize(leaked);
            finalizedAny = true;
        }
        if (finalizedAny)
            rc = sqlite3_close(db_);
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
            // Something outside the statements (a backup, a blob handle) still holds the connection.
            // Hand it to SQLite, which frees it when that lets go; the connection is not closed yet.
            const int deferred = sqlite3_close_v2(db_);
            SQLog("Database still busy after finalizing its statements (%d); close deferred with sqlite3_close_v2 (%d)", rc, deferred);
            closed = false;
            rc = SQLITE_OK;
        }
    }
    if (rc != SQLITE_OK) {
        SQLog("error closing!: %d", rc);
        closed = false;
    }
    db_ = nullptr;
    isOpen_ = false;
    inTransaction_ = false;
    return closed;
}

bool SQDatabase::databaseExists() const
{
    if (!isOpen_) {
        SQLog("The SQDatabase %@ is not open.", description());
        return false;
    }
    return true;
}

bool SQDatabase::goodConnection()
{
    if (!isOpen_)
        return false;
    Ref<SQResultSet> rs = executeQuery("select name from sqlite_master where type='table'");
    if (rs) {
        rs->close();
        return true;
    }
    return false;
}

bool SQDatabase::interrupt()
{
    if (!db_)
        return false;
    sqlite3_interrupt(db_);
    return true;
}

// --- Busy handling ---

namespace {
double secondsSinceReferenceDate()
{
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count() - Date::kReferenceDateOffset;
}
} // namespace

int SQDatabaseBusyCallback(void* context, int count)
{
    auto* self = static_cast<SQDatabase*>(context);
    if (count == 0) {
        self->startBusyRetryTime_ = secondsSinceReferenceDate();
        return 1;
    }
    const double elapsed = secondsSinceReferenceDate() - self->startBusyRetryTime_;
    if (self->maxBusyRetryTimeInterval_ > elapsed) {
        thread_local std::minstd_rand random(std::random_device{}());
        const int requested = 50 + static_cast<int>(random() % 50);
        const int actual = sqlite3_sleep(requested);
        if (actual != requested)
            SQLog("WARNING: Requested sleep of %i milliseconds, but SQLite returned %i. Maybe SQLite wasn't built with HAVE_USLEEP=1?",
                requested, actual);
        return 1;
    }
    return 0;
}

void SQDatabase::setMaxBusyRetryTimeInterval(double seconds)
{
    maxBusyRetryTimeInterval_ = seconds;
    if (!db_)
        return;
    if (seconds > 0)
        sqlite3_busy_handler(db_, &SQDatabaseBusyCallback, this);
    else
        sqlite3_busy_handler(db_, nullptr, nullptr);
}

int SQDatabase::busyRetryTimeout()
{
    SQLog("%s:%d", "-[SQDatabase busyRetryTimeout]", 329);
    SQLog("SQLKit: busyRetryTimeout no longer works, please use maxBusyRetryTimeInterval");
    return -1;
}

void SQDatabase::setBusyRetryTimeout(int /*milliseconds*/)
{
    SQLog("%s:%d", "-[SQDatabase setBusyRetryTimeout:]", 336);
    SQLog("SQLKit: setBusyRetryTimeout does nothing, please use setMaxBusyRetryTimeInterval:");
}

// --- Errors ---

Ref<String> SQDatabase::lastErrorMessage() const
{
    return String::create(sqlite3_errmsg(db_));
}

int SQDatabase::lastErrorCode() const
{
    return sqlite3_errcode(db_);
}

int SQDatabase::lastExtendedErrorCode() const
{
    return sqlite3_extended_errcode(db_);
}

bool SQDatabase::hadError() const
{
    const int code = lastErrorCode();
    return code > SQLITE_OK && code < SQLITE_ROW;
}

Ref<Error> SQDatabase::errorWithMessage(std::string_view message) const
{
    return Error::create(SQDatabaseErrorDomain, sqlite3_errcode(db_), message);
}

Ref<Error> SQDatabase::lastError() const
{
    return errorWithMessage(lastErrorMessage()->utf8());
}

void SQDatabase::warnInUse() const
{
    SQLog("The SQDatabase %@ is currently in use.", description());
}

bool SQDatabase::readyForStatement() const
{
    if (!databaseExists())
        return false;
    if (isExecutingStatement_) {
        warnInUse();
        return false;
    }
    return true;
}

// --- Rows changed ---

long long SQDatabase::lastInsertRowId()
{
    if (!readyForStatement())
        return 0;
    const ExecutingStatement executing(*this);
    return sqlite3_last_insert_rowid(db_);
}

int SQDatabase::changes()
{
    if (!readyForStatement())
        return 0;
    const ExecutingStatement executing(*this);
    return sqlite3_changes(db_);
}

// --- Statement cache ---

void SQDatabase::setShouldCacheStatements(bool value)
{
    shouldCacheStatements_ = value;
    if (value && !cachedStatements_)
        cachedStatements_ = MutableDictionary::create();
    if (!value)
        setCachedStatements(nullptr);
}

Ref<MutableDictionary> SQDatabase::cachedStatements() const
{
    return cachedStatements_;
}

void SQDatabase::setCachedStatements(Ref<MutableDictionary> statements)
{
    lastCachedStatement_ = nullptr;
    lastCachedQuery_.clear();
    cachedStatements_ = std::move(statements);
}

Ref<SQStatement> SQDatabase::cachedStatementForQuery(std::string_view query)
{
    if (!cachedStatements_)
        return nullptr;
    if (lastCachedStatement_ && query == lastCachedQuery_ && !lastCachedStatement_->inUse() && lastCachedStatement_->statement())
        return lastCachedStatement_;
    auto* statements = cachedStatements_->objectForKey(query).ptr<foundation::Set>();
    if (!statements)
        return nullptr;
    for (const Id& entry : statements->objects()) {
        auto statement = entry.as<SQStatement>();
        if (statement && !statement->inUse()) {
            lastCachedQuery_.assign(query);
            lastCachedStatement_ = statement;
            return statement;
        }
    }
    return nullptr;
}

void SQDatabase::setCachedStatement(const Ref<SQStatement>& statement, const Ref<String>& query)
{
    if (!query) {
        SQLog("API misuse, -[SQDatabase setCachedStatement:forQuery:] query must not be nil");
        return;
    }
    if (!cachedStatements_)
        return;
    auto key = std::static_pointer_cast<String>(query->copy());
    statement->setQuery(key);
    auto statements = cachedStatements_->objectForKey(Id(key)).as<MutableSet>();
    if (!statements)
        statements = MutableSet::create();
    statements->addObject(statement);
    cachedStatements_->setObject(statements, key);
}

void SQDatabase::clearCachedStatements()
{
    if (!cachedStatements_)
        return;
    for (const auto& entry : *cachedStatements_) {
        if (auto* statements = entry.value.ptr<foundation::Set>()) {
            for (const Id& statement : statements->objects()) {
                if (auto* held = statement.ptr<SQStatement>())
                    held->close();
            }
        }
    }
    cachedStatements_->removeAllObjects();
    lastCachedStatement_ = nullptr;
    lastCachedQuery_.clear();
}

// --- Open result sets ---

void SQDatabase::closeOpenResultSets()
{
    const std::vector<SQResultSet*> open(openResultSets_.begin(), openResultSets_.end());
    for (SQResultSet* resultSet : open) {
        resultSet->setParentDB(nullptr);
        resultSet->close();
        openResultSets_.erase(resultSet);
    }
}

void SQDatabase::resultSetDidClose(SQResultSet* resultSet)
{
    openResultSets_.erase(resultSet);
}

// --- Dates ---

Ref<SQDateFormatter> SQDatabase::storeableDateFormat(std::string_view format)
{
    return std::make_shared<SQDateFormatter>(format, "en_US", 0);
}

Ref<Date> SQDatabase::dateFromString(std::string_view text) const
{
    return dateFormat_ ? dateFormat_->dateFromString(text) : nullptr;
}

Ref<String> SQDatabase::stringFromDate(const Date& date) const
{
    return dateFormat_ ? dateFormat_->stringFromDate(date) : nullptr;
}

// --- Transactions ---

bool SQDatabase::runTransactionStatement(const char* sql, bool inTransactionAfter)
{
    const bool ok = executeUpdate(sql);
    if (ok)
        inTransaction_ = inTransactionAfter;
    return ok;
}

bool SQDatabase::beginTransaction()
{
    return runTransactionStatement("begin exclusive transaction", true);
}

bool SQDatabase::beginExclusiveTransaction()
{
    return beginTransaction();
}

bool SQDatabase::beginDeferredTransaction()
{
    return runTransactionStatement("begin deferred transaction", true);
}

bool SQDatabase::beginImmediateTransaction()
{
    return runTransactionStatement("begin immediate transaction", true);
}

bool SQDatabase::commit()
{
    return runTransactionStatement("commit transaction", false);
}

bool SQDatabase::rollback()
{
    return runTransactionStatement("rollback transaction", false);
}
