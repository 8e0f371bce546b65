#include "Lib/SQLKit/SQDatabase.h"
#include "Lib/SQLKit/SQResultSet.h"
#include "Lib/SQLKit/SQStatement.h"
#include "LogCapture.h"
#include "TestDatabase.h"
#include "Support/TempHome.h"

#include "Platform/Foundation/Foundation.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <climits>
#include <condition_variable>
#include <filesystem>
#include <limits>
#include <mutex>
#include <thread>

using foundation::Array;
using foundation::Data;
using foundation::Date;
using foundation::Dictionary;
using foundation::Error;
using foundation::Id;
using foundation::Null;
using foundation::Number;
using foundation::Ref;
using foundation::String;

namespace {

std::string filePath(const std::string& name)
{
    return (testsupport::makeScratchDir("sqlkit") / name).string();
}

// typeof() and quote() of the single value stored by a one-column insert.
std::pair<std::string, std::string> storedValue(const Ref<SQDatabase>& db)
{
    auto rs = db->executeQuery("select typeof(v), quote(v) from t");
    EXPECT_TRUE(rs && rs->next());
    std::pair<std::string, std::string> result{rs->stringForColumnIndex(0)->utf8(), rs->stringForColumnIndex(1)->utf8()};
    rs->close();
    return result;
}

std::pair<std::string, std::string> bindAndRead(const Id& value, const Ref<SQDatabase>& db = openMemory())
{
    db->executeUpdate("create table t (v)");
    EXPECT_TRUE(db->executeUpdate("insert into t values (?)", value));
    auto stored = storedValue(db);
    db->executeUpdate("drop table t");
    return stored;
}

} // namespace

// --- Opening and closing ---

TEST(SQDatabaseOpening, NilPathIsInMemoryAndEmptyPathIsTemporary)
{
    auto memory = SQDatabase::create();
    EXPECT_EQ(memory->sqlitePath(), ":memory:");
    EXPECT_TRUE(memory->open());
    EXPECT_TRUE(memory->executeUpdate("create table a (x)"));

    auto temporary = SQDatabase::databaseWithPath("");
    EXPECT_EQ(temporary->sqlitePath(), "");
    EXPECT_TRUE(temporary->open());
    EXPECT_TRUE(temporary->executeUpdate("create table a (x)"));
    EXPECT_TRUE(temporary->goodConnection());
}

TEST(SQDatabaseOpening, OpenTwiceAnswersYesAndKeepsTheConnection)
{
    auto db = openMemory();
    sqlite3* handle = db->sqliteHandle();
    EXPECT_TRUE(db->open());
    EXPECT_EQ(db->sqliteHandle(), handle);
}

TEST(SQDatabaseOpening, MissingFolderFailsWithTheOpenLogLine)
{
    LogCapture log;
    auto db = SQDatabase::databaseWithPath(filePath("missing/folder/x.sqlite"));
    EXPECT_FALSE(db->openWithFlags(SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE));
    EXPECT_TRUE(log.contains("error opening!: 14"));
    EXPECT_FALSE(db->isOpen());
    EXPECT_FALSE(db->executeUpdate("create table a (x)"));
    EXPECT_TRUE(log.contains("The SQDatabase " + db->description() + " is not open."));
}

TEST(SQDatabaseOpening, URLGivesTheFilePath)
{
    const std::string path = filePath("with space.sqlite");
    auto db = SQDatabase::databaseWithURL("file://" + std::filesystem::path(path).parent_path().string() + "/with%20space.sqlite");
    EXPECT_EQ(db->databasePath()->utf8(), path);
    EXPECT_EQ(db->databaseURL()->utf8(), "file://" + std::filesystem::path(path).parent_path().string() + "/with%20space.sqlite");
    EXPECT_EQ(SQDatabase::create()->databaseURL(), nullptr);
}

TEST(SQDatabaseClosing, CloseClosesOpenResultSets)
{
    auto db = openMemory();
    db->executeUpdate("create table t (x)");
    db->executeUpdate("insert into t values (1)");
    auto rs = db->executeQuery("select x from t");
    ASSERT_TRUE(rs);
    EXPECT_TRUE(db->hasOpenResultSets());
    EXPECT_TRUE(db->close());
    EXPECT_FALSE(db->hasOpenResultSets());
    EXPECT_FALSE(rs->next());
    EXPECT_EQ(rs->parentDB(), nullptr);
    EXPECT_FALSE(db->isOpen());
}

TEST(SQDatabaseClosing, AConnectionHeldOnlyByItsResultSetSurvivesItsClose)
{
    Ref<SQResultSet> rs = openMemory()->executeQuery("select 1");
    ASSERT_TRUE(rs);
    const Ref<SQDatabase>& parent = rs->parentDB(); // the result set's own reference, released by close
    EXPECT_TRUE(parent->close());
    EXPECT_EQ(rs->parentDB(), nullptr);
    EXPECT_FALSE(rs->next());
}

TEST(SQDatabaseClosing, ABackupStillReadingMakesCloseReportThatItWasDeferred)
{
    LogCapture log;
    auto db = openMemory();
    db->executeUpdate("create table t (x)");
    sqlite3* target = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &target), SQLITE_OK);
    sqlite3_backup* backup = sqlite3_backup_init(target, "main", db->sqliteHandle(), "main");
    ASSERT_NE(backup, nullptr);

    EXPECT_FALSE(db->close());
    EXPECT_FALSE(db->isOpen());
    EXPECT_EQ(db->sqliteHandle(), nullptr);
    EXPECT_TRUE(log.contains("Database still busy after finalizing its statements (5); close deferred with sqlite3_close_v2 (0)"));

    sqlite3_backup_finish(backup); // SQLite frees the deferred connection here
    sqlite3_close(target);
}

// --- Binding ---

TEST(SQDatabaseBinding, NumbersBindByTheirKind)
{
    EXPECT_EQ(bindAndRead(true), std::make_pair(std::string("integer"), std::string("1")));
    EXPECT_EQ(bindAndRead(false), std::make_pair(std::string("integer"), std::string("0")));
    EXPECT_EQ(bindAndRead(static_cast<char>(-5)).second, "-5");
    EXPECT_EQ(bindAndRead(static_cast<unsigned char>(250)).second, "250");
    EXPECT_EQ(bindAndRead(static_cast<short>(SHRT_MIN)).second, "-32768");
    EXPECT_EQ(bindAndRead(static_cast<unsigned short>(USHRT_MAX)).second, "65535");
    EXPECT_EQ(bindAndRead(INT_MIN).second, "-2147483648");
    EXPECT_EQ(bindAndRead(INT_MAX).second, "2147483647");
    EXPECT_EQ(bindAndRead(UINT_MAX).second, "4294967295");
    EXPECT_EQ(bindAndRead(LLONG_MIN).second, "-9223372036854775808");
    EXPECT_EQ(bindAndRead(LLONG_MAX).second, "9223372036854775807");
    // Above the signed range: the same 64 bits, read back as a negative integer.
    EXPECT_EQ(bindAndRead(ULLONG_MAX).second, "-1");
    EXPECT_EQ(bindAndRead(9223372036854775808ULL).second, "-9223372036854775808");
}

TEST(SQDatabaseBinding, FloatsBindAsTheNearestDouble)
{
    auto db = openMemory();
    db->executeUpdate("create table t (v)");
    db->executeUpdate("insert into t values (?)", 0.1f);
    db->executeUpdate("insert into t values (?)", 0.1);
    auto rs = db->executeQuery("select v, typeof(v) from t order by rowid");
    ASSERT_TRUE(rs->next());
    EXPECT_EQ(rs->doubleForColumnIndex(0), static_cast<double>(0.1f));
    EXPECT_EQ(rs->stringForColumnIndex(1)->utf8(), "real");
    ASSERT_TRUE(rs->next());
    EXPECT_EQ(rs->doubleForColumnIndex(0), 0.1);
    rs->close();
}

TEST(SQDatabaseBinding, TextDataNullAndOtherObjects)
{
    EXPECT_EQ(bindAndRead("grüße"), std::make_pair(std::string("text"), std::string("'grüße'")));
    EXPECT_EQ(bindAndRead(Data::create(std::string_view("\x01\x02", 2))), std::make_pair(std::string("blob"), std::string("X'0102'")));
    // Empty data is a zero-length blob, not NULL.
    EXPECT_EQ(bindAndRead(Data::create()), std::make_pair(std::string("blob"), std::string("X''")));
    EXPECT_EQ(bindAndRead(Null::null()).first, "null");
    EXPECT_EQ(bindAndRead(nullptr).first, "null");
    // Any other object binds its description.
    EXPECT_EQ(bindAndRead(Array::create({Id(1)})).second, "'(\n    1\n)'");
}

TEST(SQDatabaseBinding, TextIsBoundByItsLength)
{
    auto db = openMemory();
    db->executeUpdate("create table t (v text)");
    const std::string withNul("Sans\0%", 6);
    ASSERT_TRUE(db->executeUpdate("insert into t values (?)", String::create(withNul)));
    EXPECT_EQ(db->stringForQuery("select hex(v) from t")->utf8(), "53616E730025");
    EXPECT_EQ(db->stringForQuery("select v from t")->utf8(), withNul);
    // Compared whole: the bytes after the NUL count.
    EXPECT_EQ(db->intForQuery("select count(*) from t where v = ?", String::create(std::string("Sans", 4))), 0);
    EXPECT_EQ(db->intForQuery("select count(*) from t where v = ?", String::create(withNul)), 1);
    // SQL functions see the whole value as well.
    EXPECT_EQ(db->stringForQuery("select ? || 'x'", String::create(withNul))->utf8(), withNul + "x");
}

TEST(SQDatabaseBinding, ValuesNeedNotOutliveTheCall)
{
    auto db = openMemory();
    db->executeUpdate("create table t (v text)");
    db->executeUpdate("insert into t values ('kept')");
    Ref<SQResultSet> rs;
    {
        auto text = String::create(std::string(64, 'k').replace(0, 4, "kept"));
        auto probe = String::create("kept");
        rs = db->executeQuery("select count(*) from t where v = ? or v = ?", probe, text);
    } // both strings are released before the statement runs
    ASSERT_TRUE(rs->next());
    EXPECT_EQ(rs->intForColumnIndex(0), 1);
    rs->close();
}

TEST(SQDatabaseBinding, DatesAreSecondsOrFormattedText)
{
    auto db = openMemory();
    auto date = Date::dateWithTimeIntervalSince1970(1700000000.5);
    EXPECT_EQ(bindAndRead(date, db), std::make_pair(std::string("real"), std::string("1700000000.5")));

    db->setDateFormat(SQDatabase::storeableDateFormat("yyyy-MM-dd HH:mm:ss"));
    EXPECT_TRUE(db->hasDateFormatter());
    EXPECT_EQ(bindAndRead(Date::dateWithTimeIntervalSince1970(1700000000), db).second, "'2023-11-14 22:13:20'");
    EXPECT_EQ(db->dateFromString("2023-11-14 22:13:20")->timeIntervalSince1970(), 1700000000.0);
    EXPECT_EQ(db->dateFromString("14/11/2023"), nullptr);

    db->setDateFormat(nullptr);
    EXPECT_EQ(db->stringFromDate(*date), nullptr);
}

// --- Parameters ---

TEST(SQDatabaseParameters, NamedParametersBindByKey)
{
    LogCapture log;
    auto db = openMemory();
    db->executeUpdate("create table t (a, b)");
    auto args = Dictionary::create({{Id("b"), Id(2)}, {Id("a"), Id("one")}, {Id("extra"), Id(3)}});
    EXPECT_TRUE(db->executeUpdateWithParameterDictionary("insert into t values (:a, :b)", args));
    EXPECT_TRUE(log.contains("Could not find index for extra"));
    auto rs = db->executeQueryWithParameterDictionary("select a, b from t where b = :b", Dictionary::create({{Id("b"), Id(2)}}));
    ASSERT_TRUE(rs && rs->next());
    EXPECT_EQ(rs->stringForColumn("a")->utf8(), "one");
    rs->close();
}

TEST(SQDatabaseParameters, DictionaryMissingAParameterFails)
{
    LogCapture log;
    auto db = openMemory();
    db->executeUpdate("create table t (a, b)");
    Ref<Error> error;
    EXPECT_FALSE(db->executeUpdateError("insert into t values (:a, :b)", &error, nullptr,
        Dictionary::create({{Id("a"), Id(1)}}).get(), nullptr));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->localizedDescription(),
        "Error: the bind count (1) is not correct for the # of variables in the query (2) (insert into t values (:a, :b)) (executeUpdate)");
    // "?" parameters have no names, so a dictionary never fits them.
    EXPECT_EQ(db->executeQueryWithParameterDictionary("select ?", Dictionary::create({{Id("1"), Id(1)}})), nullptr);
    EXPECT_TRUE(log.contains("Error: the bind count is not correct for the # of variables (executeQuery)"));
}

TEST(SQDatabaseParameters, PositionalCountMismatch)
{
    LogCapture log;
    auto db = openMemory();
    db->executeUpdate("create table t (a, b)");
    EXPECT_EQ(db->executeQueryWithArgumentsInArray("select ?, ?", Array::create({Id(1)})), nullptr);
    EXPECT_TRUE(log.contains("Error: the bind count is not correct for the # of variables (executeQuery)"));

    Ref<Error> error;
    EXPECT_FALSE(db->executeUpdateValues("insert into t values (?, ?)", Array::create({Id(1)}), &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain(), "SQDatabase");
    EXPECT_EQ(error->localizedDescription(),
        "Error: the bind count (1) is not correct for the # of variables in the query (2) (insert into t values (?, ?)) (executeUpdate)");
    // An array longer than the statement needs is read only as far as it needs.
    EXPECT_TRUE(db->executeUpdateWithArgumentsInArray("insert into t values (?, ?)", Array::create({Id(1), Id(2), Id(3)})));
}

TEST(SQDatabaseParameters, SurplusCppArgumentsAreAnError)
{
    LogCapture log;
    auto db = openMemory();
    db->executeUpdate("create table t (a)");
    Ref<Error> error;
    EXPECT_FALSE(db->executeUpdateWithErrorAndBindings("insert into t values (?)", &error, 1, 2));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->localizedDescription(),
        "Error: the bind count (2) is not correct for the # of variables in the query (1) (insert into t values (?)) (executeUpdate)");
    EXPECT_EQ(db->executeQuery("select ?", 1, 2), nullptr);
    EXPECT_EQ(db->intForQuery("select count(*) from t"), 0);
}

// --- Errors ---

TEST(SQDatabaseErrors, PrepareFailureLogsThreeLinesAndKeepsTheConnection)
{
    LogCapture log;
    auto db = openMemory();
    EXPECT_EQ(db->executeQuery("selec 1"), nullptr);
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"DB Error: 1 \"near \"selec\": syntax error\"", "DB Query: selec 1", "DB Path: (null)"}));
    EXPECT_EQ(db->lastErrorCode(), 1);
    EXPECT_TRUE(db->hadError());
    auto error = db->lastError();
    EXPECT_EQ(error->domain(), "SQDatabase");
    EXPECT_EQ(error->code(), 1);
    EXPECT_EQ(error->localizedDescription(), "near \"selec\": syntax error");

    Ref<Error> updateError;
    EXPECT_FALSE(db->executeUpdateError("updat x", &updateError, nullptr, nullptr, nullptr));
    EXPECT_EQ(updateError->localizedDescription(), "near \"updat\": syntax error");
    EXPECT_EQ(db->intForQuery("select 41 + 1"), 42);
    EXPECT_FALSE(db->hadError());
}

TEST(SQDatabaseErrors, UpdateWithARowReturningStatementFails)
{
    LogCapture log;
    auto db = openMemory();
    Ref<Error> error;
    EXPECT_FALSE(db->executeUpdateWithErrorAndBindings("select 1", &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->localizedDescription(), "A executeUpdate is being called with a query string 'select 1'");
    EXPECT_TRUE(log.contains("DB Query: select 1"));
}

TEST(SQDatabaseErrors, ConstraintFailureGivesTheSQLiteMessage)
{
    LogCapture log;
    auto db = openMemory();
    db->executeUpdate("create table t (x unique)");
    db->executeUpdate("insert into t values (1)");
    Ref<Error> error;
    EXPECT_FALSE(db->executeUpdateWithErrorAndBindings("insert into t values (?)", &error, 1));
    EXPECT_EQ(error->localizedDescription(), "UNIQUE constraint failed: t.x");
    EXPECT_EQ(error->code(), SQLITE_CONSTRAINT);
    EXPECT_TRUE(log.contains("Unknown error calling sqlite3_step (19: UNIQUE constraint failed: t.x) eu"));
    EXPECT_EQ(db->lastExtendedErrorCode(), SQLITE_CONSTRAINT_UNIQUE);
}

TEST(SQDatabaseErrors, LogsErrorsOffSilencesFailures)
{
    LogCapture log;
    auto db = openMemory();
    db->setLogsErrors(false);
    EXPECT_EQ(db->executeQuery("selec 1"), nullptr);
    EXPECT_FALSE(db->executeUpdate("select 1"));
    EXPECT_TRUE(log.lines().empty());
}

TEST(SQDatabaseErrors, ACallDuringAnUpdateIsRefusedAsInUse)
{
    LogCapture log;
    auto db = openMemory();
    db->executeUpdate("create table t (x)");
    bool innerResult = true;
    db->makeFunctionNamed("reenter", 1, [&](sqlite3_context* context, int, sqlite3_value** argv) {
        innerResult = db->executeUpdate("insert into t values (2)");
        SQDatabase::resultInt(SQDatabase::valueInt(argv[0]), context);
    });
    EXPECT_TRUE(db->executeUpdate("insert into t values (reenter(1))"));
    EXPECT_FALSE(innerResult);
    EXPECT_TRUE(log.contains("The SQDatabase " + db->description() + " is currently in use."));
    EXPECT_EQ(db->intForQuery("select count(*) from t"), 1);
}

TEST(SQDatabaseErrors, RetiredBusyTimeoutAccessorsOnlyLog)
{
    LogCapture log;
    auto db = openMemory();
    EXPECT_EQ(db->busyRetryTimeout(), -1);
    db->setBusyRetryTimeout(100);
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"-[SQDatabase busyRetryTimeout]:329",
                               "SQLKit: busyRetryTimeout no longer works, please use maxBusyRetryTimeInterval",
                               "-[SQDatabase setBusyRetryTimeout:]:336",
                               "SQLKit: setBusyRetryTimeout does nothing, please use setMaxBusyRetryTimeInterval:"}));
    EXPECT_EQ(db->maxBusyRetryTimeInterval(), 2.0);
}

// --- Rows changed ---

TEST(SQDatabaseRows, LastInsertRowIdAndChanges)
{
    auto db = openMemory();
    db->executeUpdate("create table t (x)");
    db->executeUpdate("insert into t values (1)");
    db->executeUpdate("insert into t values (2)");
    EXPECT_EQ(db->lastInsertRowId(), 2);
    db->executeUpdate("update t set x = x + 1");
    EXPECT_EQ(db->changes(), 2);
}

// --- Statement cache ---

TEST(SQDatabaseCache, AnOpenResultSetKeepsItsStatementAndASecondIsPrepared)
{
    auto db = openMemory();
    db->setShouldCacheStatements(true);
    const char* sql = "select 1 union all select 2";
    auto first = db->executeQuery(sql);
    auto second = db->executeQuery(sql);
    ASSERT_TRUE(first && second);
    EXPECT_NE(first->statement(), second->statement());
    auto set = db->cachedStatements()->objectForKey(std::string_view(sql)).ptr<foundation::Set>();
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(set->count(), 2u);
    const auto* firstStatement = first->statement().get();
    const auto* secondStatement = second->statement().get();
    first->close();
    second->close();

    auto third = db->executeQuery(sql);
    EXPECT_TRUE(third->statement().get() == firstStatement || third->statement().get() == secondStatement);
    ASSERT_TRUE(third->next());
    EXPECT_EQ(third->intForColumnIndex(0), 1);
    EXPECT_EQ(third->statement()->useCount(), 2);
    third->close();
    EXPECT_EQ(set->count(), 2u);
}

TEST(SQDatabaseCache, AFailedBindKeepsTheCachedStatementUsable)
{
    LogCapture log;
    auto db = openMemory();
    db->setShouldCacheStatements(true);
    db->executeUpdate("create table t (a, b)");
    const char* sql = "insert into t values (?, ?)";
    EXPECT_TRUE(db->executeUpdate(sql, 1, 2));
    EXPECT_FALSE(db->executeUpdate(sql, 3));
    EXPECT_TRUE(db->executeUpdate(sql, 4, 5));
    auto set = db->cachedStatements()->objectForKey(std::string_view(sql)).ptr<foundation::Set>();
    ASSERT_EQ(set->count(), 1u);
    auto statement = set->anyObject().as<SQStatement>();
    EXPECT_NE(statement->statement(), nullptr);
    EXPECT_EQ(statement->useCount(), 2);
    EXPECT_EQ(db->stringForQuery("select group_concat(a || b) from t")->utf8(), "12,45");

    // The same for a query taken from the cache.
    EXPECT_TRUE(db->executeQuery("select ?", 1)->next());
    EXPECT_EQ(db->executeQuery("select ?"), nullptr);
    auto rs = db->executeQuery("select ?", 7);
    ASSERT_TRUE(rs->next());
    EXPECT_EQ(rs->intForColumnIndex(0), 7);
    rs->close();
}

TEST(SQDatabaseCache, SwitchingOffDropsTheCacheAndClosingFinalizes)
{
    auto db = openMemory();
    db->setShouldCacheStatements(true);
    db->executeQuery("select 1")->close();
    auto statement = db->cachedStatementForQuery("select 1");
    ASSERT_TRUE(statement);
    EXPECT_EQ(db->cachedStatementForQuery("SELECT 1"), nullptr);
    EXPECT_NE(statement->description().find(" 1 hit(s) for query select 1"), std::string::npos);
    db->clearCachedStatements();
    EXPECT_EQ(statement->statement(), nullptr);
    db->setShouldCacheStatements(false);
    EXPECT_EQ(db->cachedStatements(), nullptr);
}

TEST(SQDatabaseCache, ClearingTheCacheUnderAnOpenResultSetClosesItsReads)
{
    auto db = openMemory();
    db->setShouldCacheStatements(true);
    auto rs = db->executeQuery("select 1 union all select 2");
    ASSERT_TRUE(rs->next());
    db->clearCachedStatements(); // finalizes the statement the result set reads
    EXPECT_FALSE(rs->next());
    EXPECT_EQ(rs->stringForColumnIndex(0), nullptr);
    rs->close();
    EXPECT_FALSE(db->hasOpenResultSets());
}

TEST(SQDatabaseCache, NilQueryIsRefused)
{
    LogCapture log;
    auto db = openMemory();
    db->setShouldCacheStatements(true);
    db->setCachedStatement(std::make_shared<SQStatement>(), nullptr);
    EXPECT_TRUE(log.contains("API misuse, -[SQDatabase setCachedStatement:forQuery:] query must not be nil"));
    EXPECT_EQ(db->cachedStatements()->count(), 0u);
}

// --- Transactions ---

TEST(SQDatabaseTransactions, EachRunsItsFixedSQL)
{
    LogCapture log;
    auto db = openMemory();
    db->setTraceExecution(true);
    const std::string prefix = db->description() + " executeUpdate: ";
    EXPECT_TRUE(db->beginTransaction());
    EXPECT_TRUE(db->isInTransaction());
    EXPECT_TRUE(db->commit());
    EXPECT_FALSE(db->inTransaction());
    EXPECT_TRUE(db->beginDeferredTransaction());
    EXPECT_TRUE(db->rollback());
    EXPECT_TRUE(db->beginImmediateTransaction());
    EXPECT_TRUE(db->commit());
    EXPECT_TRUE(db->beginExclusiveTransaction());
    EXPECT_TRUE(db->rollback());
    EXPECT_EQ(log.lines(), (std::vector<std::string>{prefix + "begin exclusive transaction", prefix + "commit transaction",
                               prefix + "begin deferred transaction", prefix + "rollback transaction",
                               prefix + "begin immediate transaction", prefix + "commit transaction",
                               prefix + "begin exclusive transaction", prefix + "rollback transaction"}));
}

TEST(SQDatabaseTransactions, AFailedStatementLeavesTheFlag)
{
    LogCapture log;
    auto db = openMemory();
    EXPECT_FALSE(db->commit());
    EXPECT_FALSE(db->isInTransaction());
    EXPECT_TRUE(db->beginTransaction());
    EXPECT_FALSE(db->beginTransaction());
    EXPECT_TRUE(db->isInTransaction());
    EXPECT_TRUE(db->rollback());
}

TEST(SQDatabaseTransactions, TracesArguments)
{
    LogCapture log;
    auto db = openMemory();
    db->executeUpdate("create table t (a, b)");
    db->setTraceExecution(true);
    db->executeUpdate("insert into t values (?, ?)", Data::create(std::string_view("abc")), "x");
    EXPECT_TRUE(log.contains("data: 3 bytes"));
    EXPECT_TRUE(log.contains("obj: x"));
}

// --- Busy handling ---

TEST(SQDatabaseBusy, WithoutAHandlerALockedDatabaseFailsAtOnce)
{
    LogCapture log;
    const std::string path = filePath("busy.sqlite");
    auto holder = SQDatabase::databaseWithPath(path);
    auto waiter = SQDatabase::databaseWithPath(path);
    ASSERT_TRUE(holder->open() && waiter->open());
    holder->executeUpdate("create table t (x)");
    waiter->setMaxBusyRetryTimeInterval(0);
    ASSERT_TRUE(holder->beginExclusiveTransaction());
    Ref<Error> error;
    EXPECT_FALSE(waiter->executeUpdateWithErrorAndBindings("insert into t values (1)", &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), SQLITE_BUSY);
    EXPECT_EQ(error->localizedDescription(), "database is locked");
    holder->commit();
}

TEST(SQDatabaseBusy, TheHandlerWaitsForTheOtherConnection)
{
    const std::string path = filePath("busy-wait.sqlite");
    auto holder = SQDatabase::databaseWithPath(path);
    auto waiter = SQDatabase::databaseWithPath(path);
    ASSERT_TRUE(holder->open() && waiter->open());
    holder->executeUpdate("create table t (x)");
    waiter->setMaxBusyRetryTimeInterval(60); // generous: only a broken handler fails
    ASSERT_TRUE(holder->beginExclusiveTransaction());

    std::mutex mutex;
    std::condition_variable started;
    bool waiting = false;
    bool inserted = false;
    std::thread worker([&] {
        {
            std::lock_guard lock(mutex);
            waiting = true;
        }
        started.notify_one();
        inserted = waiter->executeUpdate("insert into t values (1)");
    });
    {
        std::unique_lock lock(mutex);
        started.wait(lock, [&] { return waiting; });
    }
    holder->executeUpdate("insert into t values (0)");
    EXPECT_TRUE(holder->commit());
    worker.join();
    EXPECT_TRUE(inserted);
    EXPECT_EQ(holder->intForQuery("select count(*) from t"), 2);
}

// --- Versions ---

TEST(SQDatabaseVersions, ModuleAndLibrary)
{
    EXPECT_EQ(SQDatabase::SQLKitVersion(), 629);
    EXPECT_EQ(SQDatabase::SQLKitUserVersion()->utf8(), "2.7.5");
    EXPECT_EQ(SQDatabase::sqliteLibVersion()->utf8(), sqlite3_libversion());
    EXPECT_TRUE(SQDatabase::isSQLiteThreadSafe());
}
