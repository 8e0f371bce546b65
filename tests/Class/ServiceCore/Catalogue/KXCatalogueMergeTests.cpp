#include "CatalogueTestSupport.h"

#include "Class/ServiceCore/Catalogue/KXBaseDBManager.h"
#include "Class/ServiceCore/Catalogue/KXCatalogueMerge.h"
#include "Class/ServiceCore/Catalogue/KXFontBaseModel.h"
#include "Platform/Foundation/Foundation.h"
#include "Support/TempHome.h"

#include <gtest/gtest.h>

using namespace cataloguetest;
using foundation::Id;
using foundation::MutableArray;
using foundation::MutableDictionary;

namespace {

// A package row with every merged column.
foundation::Ref<MutableDictionary> packageRow(const Id& fontid, const std::string& name)
{
    auto row = MutableDictionary::create();
    for (const char* column : KXCatalogueMerge::kColumns)
        row->setObject(Id(std::string(column) + "-value"), Id(column));
    for (const char* number : {"time", "heat", "font_weight", "type", "codeid", "default_sort", "partner_id", "ser_name_take",
             "m_made_time", "is_sell", "has_info"})
        row->setObject(Id(7), Id(number));
    row->setObject(Id(name), Id("fontname"));
    row->setObject(Id(",1,"), Id("language"));
    if (!fontid.isNil())
        row->setObject(fontid, Id("fontid"));
    return row;
}

class KXCatalogueMergeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        file_ = copyOfSampleCatalogue();
        manager_ = std::make_unique<KXBaseDBManager>(file_);
        rows_ = count(file_, "SELECT count(*) FROM fp_fonts");
        existing_ = allFonts(file_).front().fontid;
        previousSink_ = KXBaseDBManager::setLogSink([this](const std::string& line) { log_.push_back(line); });
    }
    void TearDown() override { KXBaseDBManager::setLogSink(previousSink_); }

    // The merge's answer, checking that the callback came exactly once.
    bool merge(const Id& rows)
    {
        int calls = 0;
        bool answer = false;
        manager_->updateDataWithdDatas(rows, [&](bool merged) {
            ++calls;
            answer = merged;
        });
        EXPECT_EQ(calls, 1);
        return answer;
    }
    long long rowsNamed(const std::string& name) { return count(file_, "SELECT count(*) FROM fp_fonts WHERE fontname = '" + name + "'"); }

    std::filesystem::path file_;
    std::unique_ptr<KXBaseDBManager> manager_;
    long long rows_ = 0;
    long long existing_ = 0;
    std::vector<std::string> log_;
    KXBaseDBManager::LogSink previousSink_;
};

} // namespace

TEST_F(KXCatalogueMergeTest, UpdatesExistingFontsAndInsertsNewOnes)
{
    // The fontid comes as a number or as decimal text, as packages give it.
    ASSERT_TRUE(merge(MutableArray::create({Id(packageRow(Id(std::to_string(existing_)), "updated")), Id(packageRow(Id(990001), "added"))})));
    EXPECT_EQ(count(file_, "SELECT count(*) FROM fp_fonts"), rows_ + 1);
    EXPECT_EQ(count(file_, "SELECT fontid FROM fp_fonts WHERE fontname = 'updated'"), existing_);
    EXPECT_EQ(
        count(file_,
            "SELECT count(*) FROM fp_fonts WHERE fontid = 990001 AND fontname = 'added' AND image = "
            "'image-value'"
                           " AND has_info = 7 AND typeof(has_info) = 'integer' AND font_en_name = 'font_en_name-value'"),
        1);
    // Columns the merge does not carry keep their values.
    EXPECT_EQ(count(file_, "SELECT count(*) FROM fp_fonts WHERE fontid = " + std::to_string(existing_) + " AND font_info != ''"), 1);
}

TEST_F(KXCatalogueMergeTest, EveryRowOfADuplicatedFontIsUpdated)
{
    execute(file_, "INSERT INTO fp_fonts (fontid, fontname) VALUES (" + std::to_string(existing_) + ", 'second copy');");
    ASSERT_TRUE(merge(MutableArray::create({Id(packageRow(Id(existing_), "both"))})));
    EXPECT_EQ(rowsNamed("both"), 2);
    EXPECT_EQ(count(file_, "SELECT count(*) FROM fp_fonts"), rows_ + 1);
}

TEST_F(KXCatalogueMergeTest, NothingToMergeAnswersYes)
{
    EXPECT_TRUE(merge(MutableArray::create()));
    EXPECT_TRUE(merge(nullptr));
    EXPECT_FALSE(merge(Id("not a list")));
    EXPECT_EQ(count(file_, "SELECT count(*) FROM fp_fonts"), rows_);
}

TEST_F(KXCatalogueMergeTest, RowsWithoutAnIntegerFontidAreSkippedAndLogged)
{
    auto rows = MutableArray::create({Id(packageRow(nullptr, "no id")), Id(packageRow(Id("12a"), "bad id")), Id("not a row"),
        Id(packageRow(Id(true), "flag id")), Id(packageRow(Id(990002), "good"))});
    ASSERT_TRUE(merge(rows));
    EXPECT_EQ(count(file_, "SELECT count(*) FROM fp_fonts"), rows_ + 1);
    EXPECT_EQ(rowsNamed("good"), 1);
    // One line per kind of problem, with its count, whatever the number of rows.
    ASSERT_EQ(log_.size(), 2u);
    EXPECT_NE(log_.at(0).find("1 rows skipped, they are not dictionaries"), std::string::npos) << log_.at(0);
    EXPECT_NE(
        log_.at(1).find("3 rows skipped, they have no integer fontid (the first, row 0:"), std::string::npos)
        << log_.at(1);
    EXPECT_EQ(
        count(file_, "SELECT count(*) FROM fp_fonts WHERE fontid IS NULL OR typeof(fontid) != 'integer'"), 0);
}

TEST_F(KXCatalogueMergeTest, MissingValuesAreNullAndTextIsStoredAsItIs)
{
    const std::string hostile = "O'Brien'); DELETE FROM fp_fonts; -- 100%_";
    auto row = MutableDictionary::create({{Id("fontid"), Id(990003)}, {Id("fontname"), Id(hostile)},
        {Id("image"), Id(foundation::Null::null())}, {Id("tags"), Id(MutableArray::create({Id(1), Id(2)}))}});
    ASSERT_TRUE(merge(MutableArray::create({Id(row)})));
    EXPECT_EQ(count(file_, "SELECT count(*) FROM fp_fonts"), rows_ + 1);
    EXPECT_EQ(count(file_, "SELECT count(*) FROM fp_fonts WHERE fontid = 990003 AND image IS NULL AND heat IS NULL"
                           " AND ps_name IS NULL AND tags IS NOT NULL"),
        1);
    const auto fonts = manager_->dataArrayBySqlStr(KXCatalogueStatement("SELECT * FROM fp_fonts WHERE fontid = ?", {Id(990003)}));
    ASSERT_EQ(fonts->count(), 1u);
    const auto font = Id(fonts->objectAtIndex(0)).as<KXFontBaseModel>();
    EXPECT_EQ(font->fontname->utf8(), hostile);
    EXPECT_FALSE(font->image) << "not the text \"(null)\"";
}

TEST_F(KXCatalogueMergeTest, AFailingStatementRollsTheWholeMergeBack)
{
    execute(file_,
        "CREATE TRIGGER refuse BEFORE INSERT ON fp_fonts WHEN NEW.fontid = 990099 BEGIN SELECT RAISE(ABORT, "
        "'refused'); END;");
    auto rows = MutableArray::create({ Id(packageRow(Id(existing_), "lost update")),
        Id(packageRow(Id(990004), "lost insert")), Id(packageRow(Id(990099), "refused")) });
    EXPECT_FALSE(merge(rows));
    EXPECT_EQ(rowsNamed("lost update"), 0);
    EXPECT_EQ(rowsNamed("lost insert"), 0);
    EXPECT_EQ(count(file_, "SELECT count(*) FROM fp_fonts"), rows_);
    // The queue is usable afterwards.
    EXPECT_TRUE(merge(MutableArray::create({Id(packageRow(Id(990005), "after"))})));
    EXPECT_EQ(rowsNamed("after"), 1);
}

TEST_F(KXCatalogueMergeTest, CallbackRunsAfterTheCommitAndMayReadTheCatalogue)
{
    std::vector<long long> seen;
    manager_->updateDataWithdDatas(MutableArray::create({Id(packageRow(Id(990006), "visible"))}), [&](bool merged) {
        EXPECT_TRUE(merged);
        // Inside the transaction this would wait for the queue for ever.
        seen = fontids(manager_->dataArrayBySqlStr(KXCatalogueStatement("SELECT * FROM fp_fonts WHERE fontname = 'visible'")));
        // Another connection sees the committed row.
        EXPECT_EQ(rowsNamed("visible"), 1);
    });
    EXPECT_EQ(seen, std::vector<long long>{990006});
}

TEST_F(KXCatalogueMergeTest, WithoutACatalogueTheMergeFails)
{
    KXBaseDBManager missing(testsupport::makeScratchDir("no-catalogue") / "fonts.sqlite");
    EXPECT_FALSE(missing.myQueue());
    bool answer = true;
    missing.updateDataWithdDatas(MutableArray::create({Id(packageRow(Id(1), "x"))}), [&](bool merged) { answer = merged; });
    EXPECT_FALSE(answer);
    EXPECT_TRUE(missing.dataArrayBySqlStr(KXCatalogueStatement("SELECT * FROM fp_fonts"))->count() == 0);
    EXPECT_FALSE(std::filesystem::exists(missing.catalogueFile())) << "no empty catalogue is created";
}
