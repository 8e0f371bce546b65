#include "CatalogueTestSupport.h"

#include "Class/ServiceCore/Catalogue/KXBaseDBManager.h"
#include "Class/ServiceCore/Catalogue/KXFontBaseModel.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/ServiceCore/Catalogue/KXSearchData.h"
#include "Platform/Foundation/Foundation.h"

#include <gtest/gtest.h>

using namespace cataloguetest;
using foundation::Id;

namespace {

// Names that break statements pasted together from text, or match too much as LIKE wildcards.
const std::vector<std::pair<long long, std::string>> kHostileNames = {
    {910001, "100%_Sans"},
    {910002, "O'Brien Serif"},
    {910003, "A_B Mono"},
    {910004, "Heat Wave"},
    {910005, "x'); DROP TABLE fp_fonts; --"},
    {910006, "Back\\slash"},
};

class KXSearchDataTest : public CatalogueTest {
protected:
    void SetUp() override
    {
        CatalogueTest::SetUp();
        for (const auto& [id, name] : kHostileNames)
            execute(file_, "INSERT INTO fp_fonts (fontid, fontname, language, codeid, default_sort) VALUES (" + std::to_string(id)
                    + ", " + quoted(name) + ", ',1,', 1, 1);");
        fonts_ = allFonts(file_);
    }

    std::vector<long long> byName(const std::string& text)
    {
        return select(fonts_, [&](const Font& f) { return containsIgnoringCase(f.fontname, text); });
    }
};

} // namespace

TEST_F(KXSearchDataTest, KeywordMatchesNamesContainingTheText)
{
    KXSearchData search(*manager_);
    const auto sans = byName("sans");
    ASSERT_GT(sans.size(), 2u);
    EXPECT_EQ(fontids(search.searchDataByKeyword("Sans")), sans);
    const auto wenquanyi = byName("文泉驿");
    ASSERT_FALSE(wenquanyi.empty());
    EXPECT_EQ(fontids(search.searchDataByKeyword("文泉驿")), wenquanyi);
    EXPECT_EQ(search.searchDataByKeyword("")->count(), fonts_.size());
}

TEST_F(KXSearchDataTest, HostileTextIsMatchedLiterally)
{
    KXSearchData search(*manager_);
    // Popular fonts must not leak into a search for a word that contains "heat".
    KXGlobalDataBase::sharedKXGlobalDataBase().setHeatTopArray(foundation::MutableArray::create({Id(fonts_.front().fontid)}));
    EXPECT_EQ(fontids(search.searchDataByKeyword("_")), (std::vector<long long>{910001, 910003, 910005})) << "fp_fonts holds one";
    EXPECT_EQ(fontids(search.searchDataByKeyword("%")), (std::vector<long long>{910001}));
    EXPECT_EQ(fontids(search.searchDataByKeyword("%_")), (std::vector<long long>{910001}));
    EXPECT_EQ(fontids(search.searchDataByKeyword("'")), (std::vector<long long>{910002, 910005}));
    EXPECT_EQ(fontids(search.searchDataByKeyword("heat")), (std::vector<long long>{910004}));
    EXPECT_EQ(fontids(search.searchDataByKeyword("\\")), (std::vector<long long>{910006}));
    EXPECT_EQ(fontids(search.searchDataByKeyword("x'); DROP TABLE fp_fonts; --")), (std::vector<long long>{910005}));
    EXPECT_EQ(fontids(search.searchDataByKeyword("' OR '1'='1")), std::vector<long long>{});
    EXPECT_EQ(count(file_, "SELECT count(*) FROM fp_fonts"), static_cast<long long>(fonts_.size()));
}

TEST_F(KXSearchDataTest, ANulByteDoesNotEndTheText)
{
    KXSearchData search(*manager_);
    execute(file_, "INSERT INTO fp_fonts (fontid, fontname, language, codeid, default_sort)"
                   " VALUES (910007, 'Mono Sans' || char(0) || '% Bold', ',1,', 1, 1);");
    ASSERT_GT(byName("sans").size(), 1u) << "names that hold the text before the NUL byte";
    // "Sans\0%" is searched whole: only the name that holds all six bytes matches, in any case.
    EXPECT_EQ(fontids(search.searchDataByKeyword(std::string_view("SANS\0%", 6))), (std::vector<long long>{910007}));
    EXPECT_EQ(fontids(search.searchDataByKeyword(std::string_view("Sans\0%x", 7))), std::vector<long long>{});
    EXPECT_EQ(search.searchDataByParticipleword(std::string_view("\0", 1))->count(), 0u);
}

TEST_F(KXSearchDataTest, ParticiplewordGivesKeywordRecords)
{
    KXSearchData search(*manager_);
    const auto records = search.searchDataByParticipleword("黑");
    const long long expected = count(file_, "SELECT count(*) FROM fp_keyword WHERE instr(keyword, '黑') > 0");
    ASSERT_GT(expected, 0);
    ASSERT_EQ(static_cast<long long>(records->count()), expected);
    for (const Id& record : *records) {
        const auto font = record.as<KXFontBaseModel>();
        EXPECT_EQ(font->fontid, 0);
        ASSERT_TRUE(font->fontname);
        EXPECT_NE(font->fontname->utf8().find("黑"), std::string::npos) << "a keyword record is named by its keyword";
    }
    EXPECT_EQ(search.searchDataByParticipleword("%")->count(), 0u);
    EXPECT_EQ(static_cast<long long>(search.searchDataByParticipleword("")->count()), count(file_, "SELECT count(*) FROM fp_keyword"));
}

TEST_F(KXSearchDataTest, IdListsKeepTheServersOrder)
{
    KXSearchData search(*manager_);
    const long long a = fonts_[0].fontid, b = fonts_[1].fontid, c = fonts_[fonts_.size() / 2].fontid;
    const std::string ids = std::to_string(c) + "," + std::to_string(a) + "," + std::to_string(b);
    EXPECT_EQ(fontids(search.searchDataByword(ids)), (std::vector<long long>{c, a, b}));
    // Pieces that are not integers are dropped; unknown ids give nothing.
    const std::string messy = " " + std::to_string(b) + " ,x," + std::to_string(a) + ";1,424242,,1) OR (1=1," + std::to_string(c);
    EXPECT_EQ(fontids(search.searchDataByword(messy)), (std::vector<long long>{b, c}));
    EXPECT_EQ(search.searchDataByword("")->count(), 0u);
    EXPECT_EQ(search.searchDataByword("0) OR (1=1")->count(), 0u);
}
