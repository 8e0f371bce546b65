#include "Lib/SQLKit/SQDatabase.h"
#include "Lib/SQLKit/SQResultSet.h"
#include "Lib/SQLKit/SQStatement.h"
#include "LogCapture.h"

#include "Platform/Foundation/Foundation.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstring>
#include <string>
#include <vector>

using foundation::Data;
using foundation::Error;
using foundation::Id;
using foundation::Null;
using foundation::Number;
using foundation::NumberKind;
using foundation::Ref;
using foundation::String;

namespace {

Ref<SQDatabase> fontsDatabase()
{
    auto db = SQDatabase::create();
    EXPECT_TRUE(db->open());
    db->executeStatements("create table fp_fonts (fontid integer, fontname text, heat integer, ratio real, image blob, note text);"
                          "insert into fp_fonts values (7, 'Serif Sans', 12, 1.5, x'0102', null);"
                          "insert into fp_fonts values (8, 'Mono', 0, 2.0, x'', '2');");
    return db;
}

// A record class with registered properties, as the model layer registers them.
class FontRecord : public foundation::Object {
public:
    static const foundation::Class* classObject()
    {
        static const foundation::Class* cls = [] {
            auto& c = foundation::Class::define("SQResultSetTestsFontRecord", foundation::Object::classObject());
            c.addProperty({"fontname", "T@\"NSString\",&,N,V_fontname", "@\"NSString\"",
                [](const Object& o) { return Id(static_cast<const FontRecord&>(o).fontname); },
                [](Object& o, const Id& v) { static_cast<FontRecord&>(o).fontname = v.string(); }});
            c.addProperty({"fontid", "T@\"NSString\",&,N,V_fontid", "@\"NSString\"",
                [](const Object& o) { return Id(static_cast<const FontRecord&>(o).fontid); },
                [](Object& o, const Id& v) { static_cast<FontRecord&>(o).fontid = v.string(); }});
            return &c;
        }();
        return cls;
    }
    const foundation::Class* isa() const override { return classObject(); }
    Ref<String> fontname;
    Ref<String> fontid;
};

} // namespace

// --- Stepping ---

TEST(SQResultSetStepping, NoRowsClosesAtTheFirstNext)
{
    auto db = fontsDatabase();
    auto rs = db->executeQuery("select * from fp_fonts where fontid = ?", 99);
    ASSERT_TRUE(rs);
    EXPECT_TRUE(db->hasOpenResultSets());
    EXPECT_FALSE(rs->next());
    EXPECT_FALSE(db->hasOpenResultSets());
    EXPECT_EQ(rs->statement(), nullptr);
}

TEST(SQResultSetStepping, AnUpdateRunsAtTheFirstNextOnlyOnce)
{
    auto db = fontsDatabase();
    auto never = db->executeQuery("insert into fp_fonts (fontid) values (100)");
    never->close(); // never stepped: never ran
    EXPECT_EQ(db->intForQuery("select count(*) from fp_fonts"), 2);

    auto rs = db->executeQuery("insert into fp_fonts (fontid) values (101)");
    EXPECT_FALSE(rs->next());
    EXPECT_EQ(db->intForQuery("select count(*) from fp_fonts"), 3);
    // The result set has closed itself; stepping it again must not run the insert a second time.
    Ref<Error> error;
    EXPECT_FALSE(rs->nextWithError(&error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), SQLITE_MISUSE);
    EXPECT_EQ(error->localizedDescription(), "parentDB does not exist");
    EXPECT_EQ(db->intForQuery("select count(*) from fp_fonts"), 3);
}

TEST(SQResultSetStepping, StepErrorsAreReportedAndClose)
{
    LogCapture log;
    auto db = fontsDatabase();
    auto rs = db->executeQuery("select abs(-9223372036854775807 - 1)");
    Ref<Error> error;
    EXPECT_FALSE(rs->nextWithError(&error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->localizedDescription(), "integer overflow");
    EXPECT_TRUE(log.contains("Error calling sqlite3_step (1: integer overflow) rs"));
    EXPECT_FALSE(db->hasOpenResultSets());
}

TEST(SQResultSetStepping, HasAnotherRowFollowsTheLastStep)
{
    auto db = fontsDatabase();
    auto rs = db->executeQuery("select fontid from fp_fonts order by fontid");
    ASSERT_TRUE(rs->next());
    EXPECT_TRUE(rs->hasAnotherRow());
    ASSERT_TRUE(rs->next());
    EXPECT_FALSE(rs->next());
    EXPECT_FALSE(rs->hasAnotherRow());
}

// --- Columns by name ---

TEST(SQResultSetColumns, NamesMatchWithoutRegardToCase)
{
    auto db = fontsDatabase();
    auto rs = db->executeQuery("select fontid, fontname as FontName from fp_fonts order by fontid");
    ASSERT_TRUE(rs->next());
    EXPECT_EQ(rs->stringForColumn("FONTNAME")->utf8(), "Serif Sans");
    EXPECT_EQ(rs->intForColumn("FontID"), 7);
    EXPECT_EQ(rs->columnIndexForName("fontname"), 1);
    EXPECT_EQ(rs->columnNameForIndex(1)->utf8(), "FontName");
    auto map = rs->columnNameToIndexMap();
    EXPECT_EQ(map->objectForKey("fontname").intValue(), 1);
    EXPECT_FALSE(map->containsKey("FontName"));
    // The cached lookup answers the next row too.
    ASSERT_TRUE(rs->next());
    EXPECT_EQ(rs->stringForColumn("FONTNAME")->utf8(), "Mono");
    rs->close();
}

// Names are remembered by the address of their text; a buffer reused for another name, or names
// that differ only near their end, must still find their own columns.
TEST(SQResultSetColumns, AReusedNameBufferFindsItsNewColumn)
{
    auto db = SQDatabase::create();
    ASSERT_TRUE(db->open());
    ASSERT_TRUE(db->executeUpdate("create table t (ab, abc, name_a, name_b, column_name_a, column_name_b, "
                                  "a_rather_long_column_name_1, a_rather_long_column_name_2)"));
    ASSERT_TRUE(db->executeUpdate("insert into t values (1, 2, 3, 4, 5, 6, 7, 8)"));
    auto rs = db->executeQuery("select * from t");
    ASSERT_TRUE(rs->next());
    char buffer[64] = {};
    const std::vector<std::pair<std::string, int>> names = {{"ab", 1}, {"abc", 2}, {"name_a", 3}, {"name_b", 4},
        {"column_name_a", 5}, {"column_name_b", 6}, {"a_rather_long_column_name_1", 7}, {"a_rather_long_column_name_2", 8}};
    for (int round = 0; round < 2; ++round) {
        for (const auto& [name, value] : names) {
            std::memcpy(buffer, name.c_str(), name.size() + 1);
            EXPECT_EQ(rs->intForColumn(std::string_view(buffer, name.size())), value) << name;
        }
    }
    // Far more addresses than remembered slots: names pushed out are found again.
    std::vector<std::string> copies;
    for (int copy = 0; copy < 300; ++copy)
        copies.push_back(names[static_cast<std::size_t>(copy) % names.size()].first);
    for (int round = 0; round < 2; ++round) {
        for (std::size_t copy = 0; copy < copies.size(); ++copy)
            ASSERT_EQ(rs->intForColumn(copies[copy]), names[copy % names.size()].second) << copies[copy];
    }
    rs->close();
}

TEST(SQResultSetColumns, AMissingNameWarnsAndReadsAsNothing)
{
    LogCapture log;
    auto db = fontsDatabase();
    auto rs = db->executeQuery("select fontid from fp_fonts");
    ASSERT_TRUE(rs->next());
    EXPECT_EQ(rs->stringForColumn("Missing"), nullptr);
    EXPECT_EQ(rs->intForColumn("missing"), 0);
    EXPECT_TRUE(rs->columnIsNull("missing"));
    EXPECT_EQ(rs->objectForColumn("missing"), Id());
    EXPECT_EQ(log.count("Warning: I could not find the column named 'missing'."), 4u);
    rs->close();
}

TEST(SQResultSetColumns, DuplicateNamesReadTheLaterColumn)
{
    auto db = fontsDatabase();
    auto rs = db->executeQuery("select a.fontid, b.fontid from fp_fonts a join fp_fonts b on b.fontid = a.fontid + 1");
    ASSERT_TRUE(rs->next());
    EXPECT_EQ(rs->intForColumn("fontid"), 8);
    auto row = rs->resultDictionary();
    EXPECT_EQ(row->count(), 1u);
    EXPECT_EQ(row->objectForKey("fontid").integerValue(), 8);
    rs->close();
}

// --- Typed values ---

TEST(SQResultSetValues, NullColumn)
{
    auto db = fontsDatabase();
    auto rs = db->executeQuery("select note from fp_fonts where fontid = 7");
    ASSERT_TRUE(rs->next());
    EXPECT_EQ(rs->stringForColumnIndex(0), nullptr);
    EXPECT_EQ(rs->intForColumnIndex(0), 0);
    EXPECT_TRUE(rs->objectForColumnIndex(0).isNull());
    EXPECT_TRUE(rs->columnIndexIsNull(0));
    EXPECT_EQ(rs->dataForColumnIndex(0), nullptr);
    EXPECT_EQ(rs->dateForColumnIndex(0), nullptr);
    EXPECT_EQ(rs->UTF8StringForColumnIndex(0), nullptr);
    rs->close();
}

TEST(SQResultSetValues, ObjectsKeepTheColumnType)
{
    auto db = fontsDatabase();
    auto rs = db->executeQuery("select fontid, ratio, fontname, image from fp_fonts where fontid = 7");
    ASSERT_TRUE(rs->next());
    auto integer = rs->objectForColumnIndex(0).number();
    ASSERT_TRUE(integer);
    EXPECT_EQ(integer->kind(), NumberKind::LongLong);
    EXPECT_EQ(integer->longLongValue(), 7);
    auto real = rs->objectForColumnIndex(1).number();
    EXPECT_EQ(real->kind(), NumberKind::Double);
    EXPECT_EQ(real->doubleValue(), 1.5);
    EXPECT_EQ((*rs)[2].stringValue(), "Serif Sans");
    EXPECT_EQ((*rs)["image"].as<Data>()->view(), std::string_view("\x01\x02", 2));
    EXPECT_EQ(rs->objectForColumnIndex(4), Id());
    EXPECT_EQ(rs->objectForColumnIndex(-1), Id());
    EXPECT_STREQ(rs->UTF8StringForColumn("fontname"), "Serif Sans");
    EXPECT_EQ(rs->longForColumn("fontid"), 7);
    EXPECT_EQ(rs->unsignedLongLongIntForColumn("fontid"), 7u);
    EXPECT_EQ(rs->doubleForColumn("ratio"), 1.5);
    rs->close();
}

TEST(SQResultSetValues, EmptyTextIsAnEmptyStringNotNil)
{
    auto db = fontsDatabase();
    auto rs = db->executeQuery("select '', 'x'");
    ASSERT_TRUE(rs->next());
    ASSERT_TRUE(rs->stringForColumnIndex(0));
    EXPECT_EQ(rs->stringForColumnIndex(0)->utf8(), "");
    EXPECT_EQ(rs->objectForColumnIndex(0).stringValue(), "");
    EXPECT_FALSE(rs->objectForColumnIndex(0).isNull());
    rs->close();
}

TEST(SQResultSetValues, ZeroLengthBlob)
{
    auto db = fontsDatabase();
    auto rs = db->executeQuery("select image from fp_fonts where fontid = 8");
    ASSERT_TRUE(rs->next());
    EXPECT_EQ(rs->dataForColumnIndex(0), nullptr);
    auto noCopy = rs->dataNoCopyForColumnIndex(0);
    ASSERT_TRUE(noCopy);
    EXPECT_EQ(noCopy->length(), 0u);
    EXPECT_TRUE(rs->objectForColumnIndex(0).isNull());
    rs->close();
}

TEST(SQResultSetValues, BooleansUseSQLiteIntegerConversion)
{
    auto db = fontsDatabase();
    auto rs = db->executeQuery("select '0', '2', 'yes'");
    ASSERT_TRUE(rs->next());
    EXPECT_FALSE(rs->boolForColumnIndex(0));
    EXPECT_TRUE(rs->boolForColumnIndex(1));
    EXPECT_FALSE(rs->boolForColumnIndex(2));
    rs->close();
}

TEST(SQResultSetValues, InvalidUTF8ReadsAsNil)
{
    auto db = fontsDatabase();
    auto rs = db->executeQuery("select cast(x'ff61' as text)");
    ASSERT_TRUE(rs->next());
    EXPECT_EQ(rs->stringForColumnIndex(0), nullptr);
    EXPECT_TRUE(rs->objectForColumnIndex(0).isNull());
    rs->close();
}

TEST(SQResultSetValues, DatesFromSecondsOrFromTheFormatter)
{
    auto db = fontsDatabase();
    auto rs = db->executeQuery("select 86400.5, '1970-01-02 00:00:00'");
    ASSERT_TRUE(rs->next());
    EXPECT_EQ(rs->dateForColumnIndex(0)->timeIntervalSince1970(), 86400.5);
    db->setDateFormat(SQDatabase::storeableDateFormat("yyyy-MM-dd HH:mm:ss"));
    EXPECT_EQ(rs->dateForColumnIndex(1)->timeIntervalSince1970(), 86400.0);
    EXPECT_EQ(rs->dateForColumnIndex(0), nullptr); // "86400.5" does not match the pattern
    rs->close();
}

// --- Rows ---

TEST(SQResultSetRows, DictionariesOfTheCurrentRow)
{
    LogCapture log;
    auto db = fontsDatabase();
    auto rs = db->executeQuery("select fontid as FontId, note from fp_fonts where fontid = 7");
    EXPECT_EQ(rs->resultDictionary(), nullptr);
    EXPECT_TRUE(log.contains("Warning: There seem to be no columns in this set."));
    ASSERT_TRUE(rs->next());
    auto row = rs->resultDictionary();
    ASSERT_EQ(row->count(), 2u);
    EXPECT_EQ(row->entries()[0].key.stringValue(), "FontId");
    EXPECT_EQ(row->entries()[0].value.integerValue(), 7);
    EXPECT_TRUE(row->entries()[1].value.isNull());
    auto old = rs->resultDict();
    EXPECT_EQ(old->objectForKey("fontid").integerValue(), 7);
    EXPECT_FALSE(old->containsKey("FontId"));
    rs->close();
}

TEST(SQResultSetRows, KvcMagicCopiesNonNullColumnsAsText)
{
    auto db = fontsDatabase();
    auto rs = db->executeQuery("select fontname, fontid from fp_fonts where fontid = 8");
    ASSERT_TRUE(rs->next());
    FontRecord record;
    rs->kvcMagic(record);
    EXPECT_EQ(record.fontname->utf8(), "Mono");
    EXPECT_EQ(record.fontid->utf8(), "8");
    rs->close();

    auto unknown = db->executeQuery("select note from fp_fonts where fontid = 8");
    ASSERT_TRUE(unknown->next());
    try {
        unknown->kvcMagic(record);
        ADD_FAILURE() << "an unknown key must raise";
    } catch (const foundation::Exception& e) {
        EXPECT_EQ(e.name(), "NSUnknownKeyException");
    }
    unknown->close();
}
