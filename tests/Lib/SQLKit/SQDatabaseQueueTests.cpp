#include "Lib/SQLKit/SQDatabaseQueue.h"
#include "Lib/SQLKit/SQResultSet.h"
#include "LogCapture.h"
#include "Support/TempHome.h"

#include "Platform/Foundation/Foundation.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

using foundation::Error;
using foundation::Ref;

namespace {

std::string scratchFile(const std::string& name)
{
    return (testsupport::makeScratchDir("sqlkit-queue") / name).string();
}

int countRows(const Ref<SQDatabaseQueue>& queue, const char* table)
{
    int count = -1;
    queue->inDatabase([&](const Ref<SQDatabase>& db) { count = db->intForQuery(std::string("select count(*) from ") + table); });
    return count;
}

} // namespace

// --- Creation ---

TEST(SQDatabaseQueueCreation, AMissingFolderGivesNil)
{
    LogCapture log;
    const std::string path = scratchFile("missing/fonts.sqlite");
    EXPECT_EQ(SQDatabaseQueue::databaseQueueWithPath(path), nullptr);
    EXPECT_TRUE(log.contains("Could not create database queue for path " + path));
}

TEST(SQDatabaseQueueCreation, DefaultIsAPrivateInMemoryDatabase)
{
    auto first = SQDatabaseQueue::create();
    auto second = SQDatabaseQueue::create();
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->path(), nullptr);
    EXPECT_EQ(first->openFlags(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    first->inDatabase([](const Ref<SQDatabase>& db) { EXPECT_TRUE(db->executeUpdate("create table t (x)")); });
    second->inDatabase([](const Ref<SQDatabase>& db) { EXPECT_FALSE(db->tableExists("t")); });
}

TEST(SQDatabaseQueueCreation, URLAndFlags)
{
    const std::string path = scratchFile("url.sqlite");
    auto writer = SQDatabaseQueue::databaseQueueWithURL("file://" + path);
    ASSERT_TRUE(writer);
    EXPECT_EQ(writer->path()->utf8(), path);
    writer->inDatabase([](const Ref<SQDatabase>& db) { db->executeUpdate("create table t (x)"); });
    auto reader = SQDatabaseQueue::databaseQueueWithPath(path, SQLITE_OPEN_READONLY);
    ASSERT_TRUE(reader);
    LogCapture log;
    reader->inDatabase([](const Ref<SQDatabase>& db) { EXPECT_FALSE(db->executeUpdate("insert into t values (1)")); });
    EXPECT_TRUE(log.contains("Unknown error calling sqlite3_step (8: attempt to write a readonly database) eu"));
}

// --- Reopening ---

TEST(SQDatabaseQueueReopen, AfterCloseTheNextBlockReopens)
{
    const std::string path = scratchFile("reopen.sqlite");
    auto queue = SQDatabaseQueue::databaseQueueWithPath(path);
    queue->inDatabase([](const Ref<SQDatabase>& db) { db->executeUpdate("create table t (x)"); });
    queue->close();
    queue->inDatabase([](const Ref<SQDatabase>& db) {
        ASSERT_TRUE(db);
        EXPECT_TRUE(db->isOpen());
        EXPECT_TRUE(db->tableExists("t"));
    });
}

TEST(SQDatabaseQueueReopen, WhenReopeningFailsTheBlockGetsAClosedConnection)
{
    LogCapture log;
    const auto folder = testsupport::makeScratchDir("sqlkit-vanishing");
    const std::string path = (folder / "fonts.sqlite").string();
    auto queue = SQDatabaseQueue::databaseQueueWithPath(path);
    ASSERT_TRUE(queue);
    queue->close();
    std::filesystem::remove_all(folder);

    bool called = false;
    queue->inDatabase([&](const Ref<SQDatabase>& db) {
        called = true;
        ASSERT_TRUE(db);
        EXPECT_FALSE(db->isOpen());
        EXPECT_EQ(db->executeQuery("select 1"), nullptr);
        EXPECT_FALSE(db->executeUpdate("create table t (x)"));
        EXPECT_FALSE(db->executeStatements("select 1"));
        EXPECT_EQ(db->intForQuery("select 1"), 0);
        EXPECT_EQ(db->lastInsertRowId(), 0);
        EXPECT_TRUE(log.contains("The SQDatabase " + db->description() + " is not open."));
    });
    EXPECT_TRUE(called);
    EXPECT_TRUE(log.contains("SQDatabaseQueue could not reopen database for path " + path));
    EXPECT_FALSE(queue->inTransaction([](const Ref<SQDatabase>&, bool&) { ADD_FAILURE() << "no transaction, no block"; }));
}

// --- Re-entrancy ---

TEST(SQDatabaseQueueReentrancyDeathTest, NestedInDatabaseOnTheSameQueueStops)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto queue = SQDatabaseQueue::create();
    EXPECT_DEATH(queue->inDatabase([&](const Ref<SQDatabase>&) { queue->inDatabase([](const Ref<SQDatabase>&) {}); }),
        "currentSyncQueue != self && \"inDatabase: was called reentrantly on the same queue, which would lead to a deadlock\"");
}

TEST(SQDatabaseQueueReentrancyDeathTest, ComingBackThroughAnotherQueueStops)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto first = SQDatabaseQueue::create();
    auto second = SQDatabaseQueue::create();
    EXPECT_DEATH(first->inDatabase([&](const Ref<SQDatabase>&) {
        second->inDatabase([&](const Ref<SQDatabase>&) { first->inSavePoint([](const Ref<SQDatabase>&, bool&) {}); });
    }),
        "inSavePoint: was called reentrantly on the same queue");
}

TEST(SQDatabaseQueueReentrancy, AnotherQueueMayBeUsedFromABlock)
{
    auto outer = SQDatabaseQueue::create();
    auto inner = SQDatabaseQueue::create();
    int value = 0;
    outer->inDatabase([&](const Ref<SQDatabase>&) {
        inner->inDatabase([&](const Ref<SQDatabase>& db) { value = db->intForQuery("select 6 * 7"); });
    });
    EXPECT_EQ(value, 42);
}

TEST(SQDatabaseQueueReentrancy, AnOpenResultSetIsReportedOnce)
{
    LogCapture log;
    auto queue = SQDatabaseQueue::create();
    Ref<SQResultSet> leaked;
    queue->inDatabase([&](const Ref<SQDatabase>& db) { leaked = db->executeQuery("select 1"); });
    EXPECT_EQ(log.count("Warning: there is at least one open result set around after performing [SQDatabaseQueue inDatabase:]"), 1u);
    queue->inDatabase([&](const Ref<SQDatabase>&) { leaked->close(); });
}

// --- Transactions ---

TEST(SQDatabaseQueueTransactions, RollbackOnRequestElseCommit)
{
    auto queue = SQDatabaseQueue::create();
    queue->inDatabase([](const Ref<SQDatabase>& db) { db->executeUpdate("create table t (x)"); });
    EXPECT_FALSE(queue->inTransaction([](const Ref<SQDatabase>& db, bool& rollback) {
        db->executeUpdate("insert into t values (1)");
        rollback = true;
    }));
    EXPECT_EQ(countRows(queue, "t"), 0);
    EXPECT_TRUE(queue->inDeferredTransaction([](const Ref<SQDatabase>& db, bool&) { db->executeUpdate("insert into t values (2)"); }));
    EXPECT_TRUE(queue->inImmediateTransaction([](const Ref<SQDatabase>& db, bool&) { db->executeUpdate("insert into t values (3)"); }));
    EXPECT_TRUE(queue->inExclusiveTransaction([](const Ref<SQDatabase>& db, bool&) { db->executeUpdate("insert into t values (4)"); }));
    EXPECT_EQ(countRows(queue, "t"), 3);
}

TEST(SQDatabaseQueueTransactions, TheBlockDoesNotRunWhenBeginFails)
{
    LogCapture log;
    auto queue = SQDatabaseQueue::create();
    queue->inDatabase([](const Ref<SQDatabase>& db) { db->executeUpdate("begin"); });
    Ref<Error> error;
    bool ran = false;
    EXPECT_FALSE(queue->inTransaction([&](const Ref<SQDatabase>&, bool&) { ran = true; }, &error));
    EXPECT_FALSE(ran);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->localizedDescription(), "cannot start a transaction within a transaction");
    queue->inDatabase([](const Ref<SQDatabase>& db) { EXPECT_TRUE(db->executeUpdate("rollback")); });
}

TEST(SQDatabaseQueueTransactions, AFailedCommitRollsBackAndIsReported)
{
    LogCapture log;
    auto queue = SQDatabaseQueue::create();
    queue->inDatabase([](const Ref<SQDatabase>& db) {
        db->executeStatements("pragma foreign_keys = on; create table parent (id integer primary key);"
                              "create table child (pid references parent (id) deferrable initially deferred);");
    });
    Ref<Error> error;
    EXPECT_FALSE(queue->inTransaction(
        [](const Ref<SQDatabase>& db, bool&) { EXPECT_TRUE(db->executeUpdate("insert into child values (99)")); }, &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->localizedDescription(), "FOREIGN KEY constraint failed");
    EXPECT_TRUE(log.contains("Commit failed (FOREIGN KEY constraint failed); the transaction was rolled back"));
    EXPECT_EQ(countRows(queue, "child"), 0);
    // The connection is out of the failed transaction and can start the next one.
    EXPECT_TRUE(queue->inTransaction([](const Ref<SQDatabase>& db, bool&) {
        db->executeUpdate("insert into parent values (1)");
        db->executeUpdate("insert into child values (1)");
    }));
    EXPECT_EQ(countRows(queue, "child"), 1);
}

TEST(SQDatabaseQueueTransactions, SavePoints)
{
    auto queue = SQDatabaseQueue::create();
    queue->inDatabase([](const Ref<SQDatabase>& db) { db->executeUpdate("create table t (x)"); });
    EXPECT_EQ(queue->inSavePoint([](const Ref<SQDatabase>& db, bool& rollback) {
        db->executeUpdate("insert into t values (1)");
        rollback = true;
    }),
        nullptr);
    EXPECT_EQ(queue->inSavePoint([](const Ref<SQDatabase>& db, bool&) { db->executeUpdate("insert into t values (2)"); }), nullptr);
    EXPECT_EQ(countRows(queue, "t"), 1);
}

TEST(SQDatabaseQueueTransactions, CheckpointThroughTheQueue)
{
    auto queue = SQDatabaseQueue::databaseQueueWithPath(scratchFile("wal.sqlite"));
    queue->inDatabase([](const Ref<SQDatabase>& db) {
        db->executeStatements("pragma journal_mode = wal; create table t (x); insert into t values (1)");
    });
    int logFrames = -1;
    int checkpointed = -1;
    Ref<Error> error;
    EXPECT_TRUE(queue->checkpoint(SQLITE_CHECKPOINT_TRUNCATE, nullptr, &logFrames, &checkpointed, &error));
    EXPECT_EQ(error, nullptr);
    EXPECT_GE(logFrames, 0);
    EXPECT_EQ(logFrames, checkpointed);
}

// --- Threads ---

TEST(SQDatabaseQueueThreads, BlocksFromManyThreadsRunOneAtATime)
{
    auto queue = SQDatabaseQueue::databaseQueueWithPath(scratchFile("threads.sqlite"));
    queue->inDatabase([](const Ref<SQDatabase>& db) { db->executeUpdate("create table t (x)"); });
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 25; ++i) {
                queue->inDatabase([&](const Ref<SQDatabase>& db) {
                    EXPECT_TRUE(db->executeUpdate("insert into t values (?)", t * 100 + i));
                    EXPECT_EQ(db->lastInsertRowId(), db->intForQuery("select max(rowid) from t"));
                });
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(countRows(queue, "t"), 100);
}

TEST(SQDatabaseQueueThreads, InterruptStopsTheRunningStatement)
{
    LogCapture log;
    auto queue = SQDatabaseQueue::create();
    std::mutex mutex;
    std::condition_variable changed;
    bool running = false;
    queue->inDatabase([&](const Ref<SQDatabase>& db) {
        db->makeFunctionNamed("running", 0, [&](sqlite3_context* context, int, sqlite3_value**) {
            {
                std::lock_guard lock(mutex);
                running = true;
            }
            changed.notify_all();
            SQDatabase::resultInt(1, context);
        });
    });

    Ref<Error> error;
    bool stepped = true;
    std::thread worker([&] {
        queue->inDatabase([&](const Ref<SQDatabase>& db) {
            auto rs = db->executeQuery("with recursive c(x) as (select 1 union all select x + 1 from c) "
                                       "select count(*) from c where running()");
            stepped = rs->nextWithError(&error);
        });
    });
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return running; });
    }
    EXPECT_TRUE(queue->interrupt());
    worker.join();
    EXPECT_FALSE(stepped);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), SQLITE_INTERRUPT);
    EXPECT_TRUE(log.contains("Unknown error calling sqlite3_step (9: interrupted) rs"));
}
