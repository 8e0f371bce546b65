#include "Lib/SQLKit/SQDatabase.h"
#include "Lib/SQLKit/SQResultSet.h"
#include "LogCapture.h"
#include "TestDatabase.h"

#include "Platform/Foundation/Foundation.h"

#include <gtest/gtest.h>

using foundation::Data;
using foundation::Date;
using foundation::Error;
using foundation::Ref;

// --- Single values ---

TEST(SQDatabaseSingleValues, FirstColumnOfTheFirstRow)
{
    auto db = openMemory();
    db->executeUpdate("create table t (n integer, s text, d real, b blob)");
    EXPECT_EQ(db->intForQuery("select count(*) from t"), 0);
    EXPECT_EQ(db->stringForQuery("select s from t"), nullptr);
    EXPECT_EQ(db->dataForQuery("select b from t"), nullptr);
    EXPECT_FALSE(db->hasOpenResultSets());

    db->executeUpdate("insert into t values (?, ?, ?, ?)", 5000000000LL, "first", 86400.0, Data::create(std::string_view("z")));
    db->executeUpdate("insert into t values (2, 'second', 0, null)");
    EXPECT_EQ(db->longForQuery("select n from t where s = ?", "first"), 5000000000LL);
    EXPECT_EQ(db->stringForQuery("select s from t order by rowid")->utf8(), "first");
    EXPECT_TRUE(db->boolForQuery("select n from t where s = 'second'"));
    EXPECT_EQ(db->doubleForQuery("select d from t where s = ?", "first"), 86400.0);
    EXPECT_EQ(db->dataForQuery("select b from t where s = 'first'")->view(), "z");
    EXPECT_EQ(db->dateForQuery("select d from t where s = 'first'")->timeIntervalSince1970(), 86400.0);
    EXPECT_FALSE(db->hasOpenResultSets());
}

TEST(SQDatabaseSingleValues, AFailingQueryGivesTheNoRowValue)
{
    LogCapture log;
    auto db = openMemory();
    EXPECT_EQ(db->intForQuery("select nothing from nowhere"), 0);
    EXPECT_EQ(db->stringForQuery("select ?"), nullptr);
    EXPECT_TRUE(log.contains("Error: the bind count is not correct for the # of variables (executeQuery)"));
}

// --- Schema ---

TEST(SQDatabaseSchema, TableAndColumnExistenceIgnoreCase)
{
    auto db = openMemory();
    db->executeUpdate("create table Fp_Fonts (FontId integer, fontname text)");
    EXPECT_TRUE(db->tableExists("FP_FONTS"));
    EXPECT_FALSE(db->tableExists("fp_font"));
    EXPECT_TRUE(db->columnExists("FONTID", "fp_fonts"));
    EXPECT_TRUE(db->columnExistsColumnName("FP_Fonts", "FontName"));
    EXPECT_FALSE(db->columnExists("heat", "fp_fonts"));
}

TEST(SQDatabaseSchema, TableNamesAreQuotedInsideThePragma)
{
    auto db = openMemory();
    db->executeUpdate("create table \"it's\" (a, b)");
    auto rs = db->getTableSchema("it's");
    ASSERT_TRUE(rs);
    int columns = 0;
    while (rs->next())
        ++columns;
    EXPECT_EQ(columns, 2);
    EXPECT_TRUE(db->columnExists("b", "it's"));
    // A name written to break out of the quotes stays a name.
    auto injected = db->getTableSchema("x'); drop table \"it's\"; --");
    ASSERT_TRUE(injected);
    EXPECT_FALSE(injected->next());
    EXPECT_TRUE(db->tableExists("it's"));
}

TEST(SQDatabaseSchema, SchemaListsTablesAndIndexes)
{
    auto db = openMemory();
    db->executeStatements("create table b (x); create table a (y); create index a_y on a (y)");
    auto rs = db->getSchema();
    std::vector<std::string> names;
    while (rs->next())
        names.push_back(rs->stringForColumn("type")->utf8() + ":" + rs->stringForColumn("name")->utf8());
    EXPECT_EQ(names, (std::vector<std::string>{"table:a", "index:a_y", "table:b"}));
}

// --- Pragmas ---

TEST(SQDatabasePragmas, UserVersion)
{
    auto db = openMemory();
    EXPECT_EQ(db->userVersion(), 0u);
    db->setUserVersion(7);
    EXPECT_EQ(db->userVersion(), 7u);
}

TEST(SQDatabasePragmas, ApplicationIdAndItsFourCharacters)
{
    LogCapture log;
    auto db = openMemory();
    db->setApplicationIDString("CRVN");
    EXPECT_EQ(db->applicationID(), 0x4352564Eu);
    EXPECT_EQ(db->applicationIDString()->utf8(), "CRVN");
    db->setApplicationID(0x41424344u);
    EXPECT_EQ(db->applicationIDString()->utf8(), "ABCD");
    EXPECT_TRUE(log.lines().empty());

    db->setApplicationIDString("TOOLONG");
    EXPECT_TRUE(log.contains("setApplicationIDString: string passed is not exactly 4 chars long. (was 7)"));
    EXPECT_EQ(db->applicationID(), 0u);
}

// --- Validation ---

TEST(SQDatabaseValidation, NamesTheMissingTableWithoutRunning)
{
    auto db = openMemory();
    Ref<Error> error;
    EXPECT_FALSE(db->validateSQL("select * from missing_table", &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain(), "NSCocoaErrorDomain");
    EXPECT_EQ(error->code(), 1);
    EXPECT_EQ(error->localizedDescription(), "no such table: missing_table");

    db->executeUpdate("create table t (x)");
    EXPECT_TRUE(db->validateSQL("insert into t values (1)", nullptr));
    EXPECT_EQ(db->intForQuery("select count(*) from t"), 0);
}
