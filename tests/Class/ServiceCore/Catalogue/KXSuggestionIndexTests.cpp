// The type-ahead's index against the catalogue's own text searches: the same rows in the same order
// for the type-ahead workload on 100,000 fonts and for texts that are hostile to SQL, and a new
// index once the catalogue changed.
#include "CatalogueTestSupport.h"

#include "Class/ServiceCore/Catalogue/KXBaseDBManager.h"
#include "Class/ServiceCore/Catalogue/KXCatalogueStatement.h"
#include "Class/ServiceCore/Catalogue/KXFontBaseModel.h"
#include "Class/ServiceCore/Catalogue/KXSearchData.h"
#include "Class/ServiceCore/Catalogue/KXSuggestionIndex.h"
#include "Lib/SQLKit/SQDatabase.h"
#include "Lib/SQLKit/SQResultSet.h"
#include "Platform/Foundation/Foundation.h"
#include "Support/TempHome.h"
#include "catalogue/SearchPrefixes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace cataloguetest;
using foundation::Id;
namespace fs = std::filesystem;

namespace {

// The rowids the catalogue's suggestion queries give for a text: the keyword rows, or when there
// are none the fonts by name, each with the catalogue's own text search and the text bound.
struct LikeAnswer {
    KXSuggestionMatches::Table table = KXSuggestionMatches::Table::Keywords;
    std::vector<long long> rowids;
};

class LikeReference {
public:
    explicit LikeReference(const fs::path& file)
        : db_(SQDatabase::databaseWithPath(Id(file.string())))
    {
        db_->open();
    }
    ~LikeReference() { db_->close(); }

    std::vector<long long> rowids(const char* table, const char* column, std::string_view text)
    {
        KXCatalogueStatement statement(std::string("SELECT rowid FROM ") + table + " WHERE ");
        statement.append(KXCatalogueStatement::containing(column, text));
        std::vector<long long> ids;
        const auto rows = db_->executeQueryWithVAList(statement.sql(), statement.arguments());
        while (rows && rows->next())
            ids.push_back(rows->longLongIntForColumnIndex(0));
        return ids;
    }
    LikeAnswer answer(std::string_view text)
    {
        LikeAnswer answer;
        answer.rowids = rowids("fp_keyword", "keyword", text);
        if (answer.rowids.empty()) {
            answer.table = KXSuggestionMatches::Table::Fontnames;
            answer.rowids = rowids("fp_fonts", "fontname", text);
        }
        return answer;
    }

private:
    foundation::Ref<SQDatabase> db_;
};

std::vector<long long> rowidsOf(const KXSuggestionMatches& matches)
{
    std::vector<long long> rowids;
    for (std::size_t row = 0; row < matches.count(); ++row)
        rowids.push_back(matches.rowid(row));
    return rowids;
}

std::string describe(std::string_view text)
{
    return text.size() > 40 ? std::string(text.substr(0, 20)) + "... (" + std::to_string(text.size()) + " bytes)" : std::string(text);
}

void expectSameAsSql(KXSearchData& search, LikeReference& reference, std::string_view text)
{
    const KXSuggestionMatches matches = search.suggestionsByText(text);
    const LikeAnswer expected = reference.answer(text);
    EXPECT_EQ(matches.table, expected.table) << describe(text);
    EXPECT_EQ(rowidsOf(matches), expected.rowids) << describe(text);
}

} // namespace

TEST(KXSuggestionIndexLarge, TheTypeAheadWorkloadFindsWhatTheCatalogueSearchesFind)
{
    const fs::path file = largeCatalogue();
    KXBaseDBManager manager(file);
    KXSearchData search(manager);
    LikeReference reference(file);

    const auto texts = catalogue::SearchPrefixes::build(file, 200);
    ASSERT_EQ(texts.size(), 200u);
    std::size_t keywordAnswers = 0, nameAnswers = 0, empty = 0;
    for (const auto& text : texts) {
        const KXSuggestionMatches matches = search.suggestionsByText(text);
        const LikeAnswer expected = reference.answer(text);
        ASSERT_EQ(matches.table, expected.table) << text;
        ASSERT_EQ(rowidsOf(matches), expected.rowids) << text;
        (matches.count() == 0 ? empty : matches.table == KXSuggestionMatches::Table::Keywords ? keywordAnswers : nameAnswers) += 1;
    }
    // The workload exercises both tables and misses.
    EXPECT_GT(keywordAnswers, 20u);
    EXPECT_GT(nameAnswers, 20u);
    EXPECT_GE(empty, 15u);
    EXPECT_EQ(manager.suggestionIndexCache().builds(), 1u) << "one index serves every query of a generation";
    EXPECT_LT(manager.suggestionIndex()->bytes(), 16u << 20) << "a few megabytes";

    // The whole catalogue and the whole keyword table for the empty text.
    expectSameAsSql(search, reference, "");
    EXPECT_EQ(search.suggestionsByText("").count(), static_cast<std::size_t>(count(file, "SELECT count(*) FROM fp_keyword")));
}

TEST(KXSuggestionIndexLarge, SuggestionRecordsAreReadByRowidInTheMatchesOrder)
{
    KXBaseDBManager manager(largeCatalogue());
    KXSearchData search(manager);

    // Font names: the records of the first 40 matches, as the name query would give them.
    const KXSuggestionMatches names = search.suggestionsByText("Corva Sans Re");
    ASSERT_EQ(names.table, KXSuggestionMatches::Table::Fontnames);
    ASSERT_GT(names.count(), 40u);
    const auto records = search.recordsOfSuggestions(names, 0, 40);
    ASSERT_TRUE(records);
    const auto viaLike = search.searchDataByKeyword("Corva Sans Re");
    ASSERT_EQ(records->count(), 40u);
    for (std::size_t i = 0; i < 40; ++i) {
        const auto record = records->objectAtIndex(i).as<KXFontBaseModel>();
        const auto expected = viaLike->objectAtIndex(i).as<KXFontBaseModel>();
        EXPECT_EQ(record->fontid, expected->fontid);
        EXPECT_EQ(record->fontid, names.fontid(i));
        EXPECT_EQ(record->fontname->utf8(), names.name(i));
        EXPECT_EQ(record->download_url->utf8(), expected->download_url->utf8());
    }
    // A later slice, and a slice past the end.
    const auto tail = search.recordsOfSuggestions(names, names.count() - 3, 40);
    ASSERT_EQ(tail->count(), 3u);
    EXPECT_EQ(tail->objectAtIndex(2).as<KXFontBaseModel>()->fontid, names.fontid(names.count() - 1));
    EXPECT_EQ(search.recordsOfSuggestions(names, names.count(), 5)->count(), 0u);

    // Keywords: records named by their keyword, with no font id.
    const KXSuggestionMatches words = search.suggestionsByText("海报");
    ASSERT_EQ(words.table, KXSuggestionMatches::Table::Keywords);
    const auto keywordRecords = search.recordsOfSuggestions(words, 0, words.count());
    ASSERT_EQ(keywordRecords->count(), words.count());
    const auto viaParticipleword = search.searchDataByParticipleword("海报");
    ASSERT_EQ(viaParticipleword->count(), words.count());
    for (std::size_t i = 0; i < words.count(); ++i) {
        const auto record = keywordRecords->objectAtIndex(i).as<KXFontBaseModel>();
        EXPECT_EQ(record->fontid, 0);
        EXPECT_EQ(record->fontname->utf8(), words.name(i));
        EXPECT_EQ(record->fontname->utf8(), viaParticipleword->objectAtIndex(i).as<KXFontBaseModel>()->fontname->utf8());
    }
}

class KXSuggestionIndexTest : public CatalogueTest {
protected:
    void SetUp() override
    {
        CatalogueTest::SetUp();
        const std::vector<std::string> names = {"100%_Sans", "O'Brien Serif", "A_B Mono", "Say \"Hi\"", "x'); DROP TABLE fp_fonts; --",
                                                "Back\\slash", "MiXeD cAsE", "ÄÖÜ Grotesk", "äöü grotesk"};
        long long id = 920001;
        for (const auto& name : names)
            execute(file_, "INSERT INTO fp_fonts (fontid, fontname) VALUES (" + std::to_string(id++) + ", " + quoted(name) + ");");
        execute(file_, "INSERT INTO fp_fonts (fontid, fontname) VALUES (920100, NULL);");
        execute(file_, "INSERT INTO fp_fonts (fontid, fontname) VALUES (920101, '');");
        execute(file_, "INSERT INTO fp_keyword (keyword) VALUES ('Poster 100%'), (NULL), (''), ('under_score');");
    }
};

TEST_F(KXSuggestionIndexTest, TextsHostileToSqlAreMatchedAsTheCatalogueSearchesMatchThem)
{
    KXSearchData search(*manager_);
    LikeReference reference(file_);
    const std::vector<std::string> texts = {"",
                                            "%",
                                            "_",
                                            "\\",
                                            "'",
                                            "\"",
                                            "'; DROP TABLE fp_fonts; --",
                                            "%_",
                                            "sans",
                                            "SANS",
                                            "mixed CASE",
                                            "äöü",
                                            "ÄÖÜ",
                                            "Ä",
                                            "黑",
                                            "微米",
                                            "score",
                                            "Poster 1",
                                            std::string(32767, 'a'),
                                            [] {
                                                std::string text;
                                                for (int i = 0; i < 32767; ++i)
                                                    text += "体";
                                                return text;
                                            }()};
    for (const auto& text : texts)
        expectSameAsSql(search, reference, text);

    // Spot checks of what those answers are.
    EXPECT_EQ(search.suggestionsByText("%").table, KXSuggestionMatches::Table::Keywords) << "a keyword holds %";
    const auto quote = search.suggestionsByText("\"");
    ASSERT_EQ(quote.count(), 1u);
    EXPECT_EQ(quote.name(0), "Say \"Hi\"");
    EXPECT_EQ(search.suggestionsByText("ÄÖÜ").count(), 1u) << "letters beyond ASCII keep their case";
    EXPECT_EQ(search.suggestionsByText("mixed case").count(), 1u);
    EXPECT_EQ(count(file_, "SELECT count(*) FROM fp_fonts WHERE fontid BETWEEN 920001 AND 920101"), 11) << "nothing ran as SQL";
}

TEST_F(KXSuggestionIndexTest, NulBytesArePlainCharactersOnBothSides)
{
    execute(file_, "INSERT INTO fp_fonts (fontid, fontname) VALUES (920200, 'Nul' || char(0) || 'Name Sans');");
    KXSearchData search(*manager_);
    LikeReference reference(file_);
    for (const std::string& text : {std::string("Mono\0xyz", 8), std::string("a_B\0", 4), std::string("\0", 1),
                                    std::string("l\0n", 3), std::string("NUL\0NAME", 8), std::string("Mono\0", 5)})
        expectSameAsSql(search, reference, text);
    const auto inside = search.suggestionsByText(std::string("l\0name", 6));
    ASSERT_EQ(inside.count(), 1u);
    EXPECT_EQ(inside.fontid(0), 920200);
    EXPECT_EQ(inside.name(0), std::string_view("Nul\0Name Sans", 13));
    EXPECT_EQ(search.suggestionsByText(std::string("Mono\0", 5)).count(), 0u) << "no text runs on into the next one";
}

TEST_F(KXSuggestionIndexTest, AMergeOrAFileSwapGivesANewIndexAndOldMatchesNoRecords)
{
    KXSearchData search(*manager_);
    const auto before = search.suggestionsByText("Zephyr");
    EXPECT_EQ(before.count(), 0u);
    EXPECT_EQ(manager_->suggestionIndexCache().builds(), 1u);
    search.suggestionsByText("Sans");
    EXPECT_EQ(manager_->suggestionIndexCache().builds(), 1u) << "no change, no new index";

    // A committed merge: the new font is found, the old matches no longer give records.
    const auto stale = search.suggestionsByText("Sans");
    const auto generation = manager_->generation();
    bool merged = false;
    manager_->updateDataWithdDatas(Id(foundation::Array::create({Id(foundation::Dictionary::create(
                                       {{Id("fontid"), Id(930001)}, {Id("fontname"), Id("Zephyr Display")}}))})),
                                   [&](bool ok) { merged = ok; });
    ASSERT_TRUE(merged);
    EXPECT_EQ(manager_->generation(), generation + 1);
    EXPECT_FALSE(search.recordsOfSuggestions(stale, 0, 5)) << "their rowids belong to an older catalogue";
    const auto after = search.suggestionsByText("zephyr");
    EXPECT_EQ(manager_->suggestionIndexCache().builds(), 2u);
    ASSERT_EQ(after.count(), 1u);
    EXPECT_EQ(after.fontid(0), 930001);
    EXPECT_EQ(search.recordsOfSuggestions(after, 0, 1)->objectAtIndex(0).as<KXFontBaseModel>()->fontname->utf8(), "Zephyr Display");

    // A merge that fails changes nothing.
    manager_->updateDataWithdDatas(Id("not rows"), [](bool) {});
    EXPECT_EQ(manager_->generation(), generation + 1);

    // A swapped file: its own texts.
    const fs::path replacement = testsupport::makeScratchDir("swap") / "fonts.sqlite";
    fs::copy_file(sampleCatalogue(), replacement);
    ASSERT_TRUE(manager_->replaceCatalogueWithFile(replacement));
    EXPECT_EQ(search.suggestionsByText("Zephyr").count(), 0u);
    EXPECT_EQ(manager_->suggestionIndexCache().builds(), 3u);
}

TEST_F(KXSuggestionIndexTest, QueriesOnSeveralThreadsDuringMergesSeeWholeIndexes)
{
    KXSearchData search(*manager_);
    const std::size_t sans = search.suggestionsByText("Sans").count();
    std::atomic<bool> stop = false;
    std::atomic<int> wrong = 0;
    std::vector<std::thread> readers;
    for (int t = 0; t < 3; ++t) {
        readers.emplace_back([&] {
            while (!stop) {
                const auto matches = search.suggestionsByText("Sans");
                // Merges only add fonts named "Merged n", so the Sans fonts stay as they were.
                if (matches.count() != sans)
                    wrong += 1;
                for (std::size_t row = 0; row < matches.count(); ++row)
                    if (KXSuggestionIndex::foldASCII(matches.name(row)).find("sans") == std::string::npos)
                        wrong += 1;
            }
        });
    }
    for (int i = 0; i < 20; ++i) {
        manager_->updateDataWithdDatas(Id(foundation::Array::create({Id(foundation::Dictionary::create(
                                           {{Id("fontid"), Id(940000 + i)}, {Id("fontname"), Id("Merged " + std::to_string(i))}}))})),
                                       [](bool) {});
    }
    stop = true;
    for (auto& reader : readers)
        reader.join();
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(search.suggestionsByText("Merged").count(), 20u);
}
