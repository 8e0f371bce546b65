#include "Lib/SQLKit/SQDatabasePool.h"
#include "LogCapture.h"
#include "Support/TempHome.h"

#include "Platform/Foundation/Foundation.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

using foundation::Error;
using foundation::Ref;

namespace {
Ref<SQDatabasePool> filePool(const std::string& name)
{
    return SQDatabasePool::databasePoolWithPath((testsupport::makeScratchDir("sqlkit-pool") / name).string());
}
} // namespace

// --- Checking out ---

TEST(SQDatabasePoolCheckout, ConnectionsAreMadeOnDemandAndReused)
{
    auto pool = filePool("reuse.sqlite");
    EXPECT_EQ(pool->countOfOpenDatabases(), 0u);
    SQDatabase* first = nullptr;
    pool->inDatabase([&](const Ref<SQDatabase>& db) {
        ASSERT_TRUE(db);
        first = db.get();
        EXPECT_EQ(pool->countOfCheckedOutDatabases(), 1u);
        db->executeUpdate("create table t (x)");
    });
    EXPECT_EQ(pool->countOfCheckedInDatabases(), 1u);
    EXPECT_EQ(pool->countOfCheckedOutDatabases(), 0u);
    pool->inDatabase([&](const Ref<SQDatabase>& db) { EXPECT_EQ(db.get(), first); });
    EXPECT_EQ(pool->countOfOpenDatabases(), 1u);
}

TEST(SQDatabasePoolCheckout, NestedBlocksGetDifferentConnections)
{
    auto pool = filePool("nested.sqlite");
    pool->inDatabase([&](const Ref<SQDatabase>& outer) {
        pool->inDatabase([&](const Ref<SQDatabase>& inner) {
            ASSERT_TRUE(inner);
            EXPECT_NE(inner, outer);
            EXPECT_EQ(pool->countOfCheckedOutDatabases(), 2u);
        });
    });
    EXPECT_EQ(pool->countOfCheckedInDatabases(), 2u);
    pool->releaseAllDatabases();
    EXPECT_EQ(pool->countOfOpenDatabases(), 0u);
}

TEST(SQDatabasePoolCheckout, TheMaximumIsEnforced)
{
    LogCapture log;
    auto pool = filePool("max.sqlite");
    pool->setMaximumNumberOfDatabasesToCreate(1);
    bool innerWasNil = false;
    pool->inDatabase([&](const Ref<SQDatabase>& outer) {
        EXPECT_TRUE(outer);
        pool->inDatabase([&](const Ref<SQDatabase>& inner) { innerWasNil = inner == nullptr; });
    });
    EXPECT_TRUE(innerWasNil);
    EXPECT_TRUE(log.contains("Maximum number of databases (1) has already been reached!"));
    EXPECT_EQ(pool->countOfOpenDatabases(), 1u);
}

TEST(SQDatabasePoolCheckout, AnUnopenablePathGivesNil)
{
    LogCapture log;
    const std::string path = (testsupport::makeScratchDir("sqlkit-pool") / "missing/x.sqlite").string();
    auto pool = SQDatabasePool::databasePoolWithPath(path);
    pool->inDatabase([](const Ref<SQDatabase>& db) { EXPECT_EQ(db, nullptr); });
    EXPECT_TRUE(log.contains("Could not open up the database at path " + path));
}

// --- Delegate ---

TEST(SQDatabasePoolDelegates, AVetoMeansNoConnection)
{
    auto pool = filePool("veto.sqlite");
    auto delegate = std::make_shared<SQDatabasePoolDelegate>();
    int asked = 0;
    delegate->databasePoolShouldAddDatabaseToPool = [&](SQDatabasePool&, const Ref<SQDatabase>& db) {
        ++asked;
        EXPECT_TRUE(db->isOpen());
        return false;
    };
    delegate->databasePoolDidAddDatabase = [](SQDatabasePool&, const Ref<SQDatabase>&) { ADD_FAILURE() << "vetoed"; };
    pool->setDelegate(delegate);
    pool->inDatabase([](const Ref<SQDatabase>& db) { EXPECT_EQ(db, nullptr); });
    pool->inDatabase([](const Ref<SQDatabase>& db) { EXPECT_EQ(db, nullptr); });
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(pool->countOfOpenDatabases(), 0u);
}

TEST(SQDatabasePoolDelegates, NewConnectionsAreAnnouncedOnce)
{
    auto pool = filePool("announce.sqlite");
    auto delegate = std::make_shared<SQDatabasePoolDelegate>();
    std::vector<SQDatabase*> added;
    delegate->databasePoolDidAddDatabase = [&](SQDatabasePool&, const Ref<SQDatabase>& db) { added.push_back(db.get()); };
    pool->setDelegate(delegate);
    pool->inDatabase([](const Ref<SQDatabase>&) {});
    pool->inDatabase([](const Ref<SQDatabase>&) {});
    EXPECT_EQ(added.size(), 1u);
    delegate.reset(); // held weakly: the pool goes on without it
    pool->inDatabase([](const Ref<SQDatabase>& db) { EXPECT_TRUE(db); });
}

// --- Putting back ---

TEST(SQDatabasePoolPutBack, TwiceRaises)
{
    auto pool = filePool("twice.sqlite");
    Ref<SQDatabase> db = pool->db();
    ASSERT_TRUE(db);
    pool->pushDatabaseBackInPool(db);
    try {
        pool->pushDatabaseBackInPool(db);
        ADD_FAILURE() << "expected an exception";
    } catch (const foundation::Exception& e) {
        EXPECT_EQ(e.name(), "Database already in pool");
        EXPECT_EQ(e.reason(), "The SQDatabase being put back into the pool is already present in the pool");
    }
    EXPECT_EQ(pool->countOfCheckedInDatabases(), 1u);
}

// --- Transactions ---

TEST(SQDatabasePoolTransactions, CommitRollbackAndSavePoints)
{
    auto pool = filePool("tx.sqlite");
    pool->inDatabase([](const Ref<SQDatabase>& db) { db->executeUpdate("create table t (x)"); });
    EXPECT_FALSE(pool->inTransaction([](const Ref<SQDatabase>& db, bool& rollback) {
        db->executeUpdate("insert into t values (1)");
        rollback = true;
    }));
    EXPECT_TRUE(pool->inDeferredTransaction([](const Ref<SQDatabase>& db, bool&) { db->executeUpdate("insert into t values (2)"); }));
    EXPECT_EQ(pool->inSavePoint([](const Ref<SQDatabase>& db, bool& rollback) {
        db->executeUpdate("insert into t values (3)");
        rollback = true;
    }),
        nullptr);
    int count = -1;
    pool->inDatabase([&](const Ref<SQDatabase>& db) { count = db->intForQuery("select count(*) from t"); });
    EXPECT_EQ(count, 1);
    EXPECT_EQ(pool->countOfCheckedOutDatabases(), 0u);
}

TEST(SQDatabasePoolTransactions, WithoutAConnectionTheBlockDoesNotRun)
{
    LogCapture log;
    auto pool = filePool("none.sqlite");
    auto delegate = std::make_shared<SQDatabasePoolDelegate>();
    delegate->databasePoolShouldAddDatabaseToPool = [](SQDatabasePool&, const Ref<SQDatabase>&) { return false; };
    pool->setDelegate(delegate);
    Ref<Error> error;
    EXPECT_FALSE(pool->inTransaction([](const Ref<SQDatabase>&, bool&) { ADD_FAILURE() << "no connection"; }, &error));
    EXPECT_TRUE(error);
    EXPECT_TRUE(pool->inSavePoint([](const Ref<SQDatabase>&, bool&) { ADD_FAILURE() << "no connection"; }));
}

// --- Threads ---

TEST(SQDatabasePoolThreads, EachThreadWorksOnItsOwnConnection)
{
    auto pool = filePool("threads.sqlite");
    pool->inDatabase([](const Ref<SQDatabase>& db) { db->executeStatements("pragma journal_mode = wal; create table t (x)"); });
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 10; ++i) {
                const bool ok = pool->inTransaction([&](const Ref<SQDatabase>& db, bool&) { db->executeUpdate("insert into t values (?)", t); });
                if (!ok)
                    ++failures;
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(failures.load(), 0);
    int count = -1;
    pool->inDatabase([&](const Ref<SQDatabase>& db) { count = db->intForQuery("select count(*) from t"); });
    EXPECT_EQ(count, 40);
    EXPECT_LE(pool->countOfOpenDatabases(), 4u);
}
