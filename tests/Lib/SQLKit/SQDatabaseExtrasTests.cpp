#include "Lib/SQLKit/SQDatabase.h"
#include "Lib/SQLKit/SQResultSet.h"
#include "LogCapture.h"
#include "TestDatabase.h"
#include "Support/TempHome.h"

#include "Platform/Foundation/Foundation.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

using foundation::Data;
using foundation::Dictionary;
using foundation::Error;
using foundation::Id;
using foundation::MutableArray;
using foundation::MutableString;
using foundation::Number;
using foundation::NumberKind;
using foundation::Ref;
using foundation::String;

namespace {

struct Extracted {
    std::string sql;
    Ref<MutableArray> values;
    bool ok;
    std::string problem;
};

template <class... Args>
Extracted extract(std::string_view format, const Args&... args)
{
    const std::array<SQFormatArgument, sizeof...(Args)> list{SQFormatArgument(args)...};
    auto sql = MutableString::create();
    auto values = MutableArray::create();
    std::string problem;
    const bool ok = SQDatabase::create()->extractSQL(format, list, *sql, *values, &problem);
    return {sql->utf8(), values, ok, problem};
}

} // namespace

// --- Formatted SQL ---

TEST(SQDatabaseFormat, ConversionsBecomeBoundParameters)
{
    auto db = openMemory();
    db->executeUpdate("create table t (n, s)");
    EXPECT_TRUE(db->executeUpdateWithFormat("insert into t values (%d, %@)", 5, String::create("five")));
    auto rs = db->executeQueryWithFormat("select n, s from t where n = %d and s = %@", 5, Id("five"));
    ASSERT_TRUE(rs && rs->next());
    EXPECT_EQ(rs->intForColumn("n"), 5);
    EXPECT_EQ(rs->stringForColumn("s")->utf8(), "five");
    rs->close();

    auto extracted = extract("select %d, %@", 5, Id("five"));
    EXPECT_EQ(extracted.sql, "select ?, ?");
    ASSERT_EQ(extracted.values->count(), 2u);
    EXPECT_EQ(extracted.values->objectAtIndex(0).number()->kind(), NumberKind::Int);
    EXPECT_EQ(extracted.values->objectAtIndex(1).stringValue(), "five");
}

TEST(SQDatabaseFormat, NilObjectIsWrittenAsNull)
{
    auto db = openMemory();
    db->executeUpdate("create table t (n)");
    EXPECT_TRUE(db->executeUpdateWithFormat("insert into t values (%@)", nullptr));
    EXPECT_EQ(db->intForQuery("select count(*) from t where n is null"), 1);
    auto extracted = extract("insert into t values (%@)", Id());
    EXPECT_EQ(extracted.sql, "insert into t values (NULL)");
    EXPECT_EQ(extracted.values->count(), 0u);
}

TEST(SQDatabaseFormat, PercentSigns)
{
    EXPECT_EQ(extract("like 'a%%'").sql, "like 'a%'");
    EXPECT_EQ(extract("select 1 %").sql, "select 1 ");
    // After a doubled "%" the next letter starts a conversion again.
    auto doubled = extract("x %%d", 3);
    EXPECT_EQ(doubled.sql, "x %?");
    EXPECT_EQ(doubled.values->objectAtIndex(0).integerValue(), 3);
}

TEST(SQDatabaseFormat, LengthModifiersAndKinds)
{
    auto extracted = extract("%ld %lu %lld %llu %qi %qu %hi %hu %u %f %g %c %s", 1L << 40, 2UL, -3LL, 4ULL, 5LL, 6ULL, 70000,
        70000, 7u, 0.5, 0.25, 'A', "text");
    EXPECT_EQ(extracted.sql, "? ? ? ? ? ? ? ? ? ? ? ? ?");
    ASSERT_TRUE(extracted.ok) << extracted.problem;
    const auto& v = *extracted.values;
    EXPECT_EQ(v.objectAtIndex(0).number()->longLongValue(), 1LL << 40);
    EXPECT_EQ(v.objectAtIndex(0).number()->kind(), NumberKind::Long);
    EXPECT_EQ(v.objectAtIndex(1).number()->kind(), NumberKind::UnsignedLong);
    EXPECT_EQ(v.objectAtIndex(2).number()->kind(), NumberKind::LongLong);
    EXPECT_EQ(v.objectAtIndex(3).number()->kind(), NumberKind::UnsignedLongLong);
    EXPECT_EQ(v.objectAtIndex(6).number()->kind(), NumberKind::Short);
    EXPECT_EQ(v.objectAtIndex(6).number()->longLongValue(), 70000 - 65536); // cut to 16 bits with sign
    EXPECT_EQ(v.objectAtIndex(7).number()->longLongValue(), 70000 - 65536);
    EXPECT_EQ(v.objectAtIndex(8).number()->kind(), NumberKind::UnsignedInt);
    EXPECT_EQ(v.objectAtIndex(9).number()->kind(), NumberKind::Double);
    EXPECT_EQ(v.objectAtIndex(10).number()->kind(), NumberKind::Float);
    EXPECT_EQ(v.objectAtIndex(11).stringValue(), "A");
    EXPECT_EQ(v.objectAtIndex(12).stringValue(), "text");
}

TEST(SQDatabaseFormat, UnfinishedModifiersAreText)
{
    EXPECT_EQ(extract("%l").sql, "l");
    EXPECT_EQ(extract("%llx").sql, "lx");
    EXPECT_EQ(extract("%hx").sql, "hx");
    EXPECT_EQ(extract("%q").sql, "q");
    EXPECT_EQ(extract("%z").sql, "z");
}

TEST(SQDatabaseFormat, MismatchedArgumentsAreAnErrorNotUndefinedBehaviour)
{
    LogCapture log;
    auto tooFew = extract("%d %d", 1);
    EXPECT_FALSE(tooFew.ok);
    EXPECT_EQ(tooFew.problem, "conversion %d has no argument (1 given)");
    auto tooMany = extract("%d", 1, 2);
    EXPECT_FALSE(tooMany.ok);
    EXPECT_EQ(tooMany.problem, "2 arguments given, the format uses 1");
    EXPECT_EQ(extract("%@", 5).problem, "argument 1 does not suit conversion %@");
    EXPECT_EQ(extract("%d", 1LL << 40).problem, "argument 1 does not suit conversion %d"); // would be cut
    EXPECT_EQ(extract("%f", 1).problem, "argument 1 does not suit conversion %f");
    EXPECT_EQ(extract("%s", Id("x")).problem, "argument 1 does not suit conversion %s");

    auto db = openMemory();
    EXPECT_EQ(db->executeQueryWithFormat("select %d", "five"), nullptr);
    EXPECT_TRUE(log.contains("Error: the arguments do not match the format 'select %d': argument 1 does not suit conversion %d"));
    EXPECT_FALSE(db->executeUpdateWithFormat("select %d"));
}

// --- Batches ---

TEST(SQDatabaseBatches, RunsEveryStatement)
{
    auto db = openMemory();
    EXPECT_TRUE(db->executeStatements("create table t (x); insert into t values (1); insert into t values (2)"));
    EXPECT_EQ(db->intForQuery("select sum(x) from t"), 3);
}

TEST(SQDatabaseBatches, AnErrorStopsTheBatchAndEarlierStatementsStay)
{
    LogCapture log;
    auto db = openMemory();
    EXPECT_FALSE(db->executeStatements("create table t (x); insert int t values (1); insert into t values (2)"));
    EXPECT_TRUE(log.contains("Error inserting batch: near \"int\": syntax error"));
    EXPECT_TRUE(db->tableExists("t"));
    EXPECT_EQ(db->intForQuery("select count(*) from t"), 0);
}

TEST(SQDatabaseBatches, TheRowBlockSeesTextAndCanStop)
{
    auto db = openMemory();
    db->executeStatements("create table t (x, y); insert into t values (1, null); insert into t values (2, 'b')");
    std::vector<Ref<Dictionary>> rows;
    EXPECT_TRUE(db->executeStatements("select x, y from t order by x", [&](const Ref<Dictionary>& row) {
        rows.push_back(row);
        return 0;
    }));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0]->objectForKey("x").stringValue(), "1");
    EXPECT_TRUE(rows[0]->objectForKey("x").is<String>());
    EXPECT_TRUE(rows[0]->objectForKey("y").isNull());
    EXPECT_EQ(rows[1]->objectForKey("y").stringValue(), "b");

    int calls = 0;
    EXPECT_FALSE(db->executeStatements("select x from t", [&](const Ref<Dictionary>&) {
        ++calls;
        return 1;
    }));
    EXPECT_EQ(calls, 1);
}

// --- Savepoints ---

TEST(SQDatabaseSavePoints, NamesAreQuotedInTheirSQL)
{
    LogCapture log;
    auto db = openMemory();
    db->setTraceExecution(true);
    const std::string prefix = db->description() + " executeUpdate: ";
    Ref<Error> error;
    EXPECT_TRUE(db->startSavePointWithName("it's", &error));
    EXPECT_TRUE(db->rollbackToSavePointWithName("it's", &error));
    EXPECT_TRUE(db->releaseSavePointWithName("it's", &error));
    EXPECT_EQ(error, nullptr);
    EXPECT_EQ(log.lines(), (std::vector<std::string>{prefix + "savepoint 'it''s';",
                               prefix + "rollback transaction to savepoint 'it''s';", prefix + "release savepoint 'it''s';"}));
}

TEST(SQDatabaseSavePoints, ReleasingAnUnknownSavepointIsAnError)
{
    LogCapture log;
    auto db = openMemory();
    Ref<Error> error;
    EXPECT_FALSE(db->releaseSavePointWithName("nothing", &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain(), "SQDatabase");
    EXPECT_EQ(error->localizedDescription(), "no such savepoint: nothing");
}

TEST(SQDatabaseSavePoints, InSavePointRollsBackOnRequest)
{
    auto db = openMemory();
    db->executeUpdate("create table t (x)");
    EXPECT_EQ(db->inSavePoint([&](bool& rollback) {
        db->executeUpdate("insert into t values (1)");
        rollback = true;
    }),
        nullptr);
    EXPECT_EQ(db->intForQuery("select count(*) from t"), 0);
    EXPECT_EQ(db->inSavePoint([&](bool&) { db->executeUpdate("insert into t values (2)"); }), nullptr);
    EXPECT_EQ(db->intForQuery("select count(*) from t"), 1);
}

// --- SQL functions ---

TEST(SQDatabaseFunctions, ABlockAnswersSQL)
{
    auto db = openMemory();
    db->makeFunctionNamed("twice", 1, [](sqlite3_context* context, int, sqlite3_value** argv) {
        SQDatabase::resultInt(SQDatabase::valueInt(argv[0]) * 2, context);
    });
    EXPECT_EQ(db->intForQuery("select twice(2)"), 4);

    db->makeFunctionNamedMaximumArguments("describe", 1, [](sqlite3_context* context, int, sqlite3_value** argv) {
        switch (SQDatabase::valueType(argv[0])) {
        case SQLITE_NULL:
            SQDatabase::resultNullInContext(context);
            break;
        case SQLITE_BLOB:
            SQDatabase::resultData(*SQDatabase::valueData(argv[0]), context);
            break;
        case SQLITE_FLOAT:
            SQDatabase::resultDouble(SQDatabase::valueDouble(argv[0]) / 2, context);
            break;
        case SQLITE_INTEGER:
            SQDatabase::resultLong(SQDatabase::valueLong(argv[0]) + 1, context);
            break;
        default:
            SQDatabase::resultString("<" + SQDatabase::valueString(argv[0])->utf8() + ">", context);
        }
    });
    EXPECT_EQ(db->stringForQuery("select describe('a')")->utf8(), "<a>");
    EXPECT_EQ(db->stringForQuery("select describe('a' || char(0) || 'b')")->utf8(), std::string("<a\0b>", 5)) << "by its length";
    EXPECT_EQ(db->longForQuery("select describe(9223372036854775806)"), 9223372036854775807LL);
    EXPECT_EQ(db->doubleForQuery("select describe(3.0)"), 1.5);
    EXPECT_EQ(db->dataForQuery("select describe(x'0a0b')")->view(), std::string_view("\x0a\x0b", 2));
    EXPECT_EQ(db->stringForQuery("select typeof(describe(null))")->utf8(), "null");
}

TEST(SQDatabaseFunctions, ErrorsReachTheCaller)
{
    LogCapture log;
    auto db = openMemory();
    db->makeFunctionNamed("fail", 0, [](sqlite3_context* context, int, sqlite3_value**) { SQDatabase::resultError("no way", context); });
    auto rs = db->executeQuery("select fail()");
    Ref<Error> error;
    EXPECT_FALSE(rs->nextWithError(&error));
    EXPECT_EQ(error->localizedDescription(), "no way");
}

// --- Checkpoints ---

TEST(SQDatabaseCheckpoints, WriteAheadLogCountsAreFilled)
{
    auto db = SQDatabase::databaseWithPath((testsupport::makeScratchDir("sqlkit") / "wal.sqlite").string());
    ASSERT_TRUE(db->open());
    EXPECT_EQ(db->stringForQuery("pragma journal_mode = wal")->utf8(), "wal");
    db->executeUpdate("create table t (x)");
    db->executeUpdate("insert into t values (1)");
    int logFrames = -1;
    int checkpointed = -1;
    Ref<Error> error;
    EXPECT_TRUE(db->checkpoint(SQLITE_CHECKPOINT_FULL, nullptr, &logFrames, &checkpointed, &error));
    EXPECT_EQ(error, nullptr);
    EXPECT_GT(logFrames, 0);
    EXPECT_EQ(checkpointed, logFrames);

    LogCapture log;
    EXPECT_FALSE(db->checkpoint(SQLITE_CHECKPOINT_PASSIVE, "nosuchdb", nullptr, nullptr, &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->localizedDescription(), "unknown database: nosuchdb");
    EXPECT_TRUE(log.contains("unknown database: nosuchdb"));
}
