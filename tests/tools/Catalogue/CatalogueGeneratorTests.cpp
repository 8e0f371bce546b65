#include "Support/TempHome.h"
#include "catalogue/CatalogueGenerator.h"
#include "catalogue/CataloguePlaceholder.h"
#include "catalogue/ZipWriter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sqlite3.h>
#include <sstream>

namespace fs = std::filesystem;
using catalogue::CatalogueGenerator;

namespace {

// A small font folder: two Latin faces and, when installed, the Chinese collection.
fs::path fontFolder()
{
    static const fs::path folder = [] {
        const fs::path dir = testsupport::makeScratchDir("fonts");
        for (const char* file : {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
                                 "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
                                 "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"})
            if (fs::exists(file))
                fs::copy_file(file, dir / fs::path(file).filename());
        return dir;
    }();
    return folder;
}

class Database {
public:
    explicit Database(const fs::path& path) { sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr); }
    ~Database() { sqlite3_close(db_); }
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    std::vector<std::vector<std::string>> rows(const std::string& sql)
    {
        std::vector<std::vector<std::string>> out;
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK)
            return out;
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            std::vector<std::string> row;
            for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
                row.emplace_back(text ? text : "");
            }
            out.push_back(std::move(row));
        }
        sqlite3_finalize(stmt);
        return out;
    }
    std::string one(const std::string& sql)
    {
        const auto r = rows(sql);
        return r.empty() || r[0].empty() ? std::string() : r[0][0];
    }
    double number(const std::string& sql) { return std::stod(one(sql)); }

private:
    sqlite3* db_ = nullptr;
};

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class SampleCatalogue : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        out_ = testsupport::makeScratchDir("sample");
        CatalogueGenerator::Options options;
        options.outDir = out_;
        options.fontFolders = {fontFolder()};
        std::string error;
        ASSERT_TRUE(CatalogueGenerator::generate(options, &error)) << error;
    }
    static fs::path out_;
};

fs::path SampleCatalogue::out_;

} // namespace

TEST_F(SampleCatalogue, FontsTableHasEveryColumnTheClientUsesAndAnIndexOnFontid)
{
    Database db(out_ / "fonts.sqlite");
    std::set<std::string> columns;
    for (const auto& r : db.rows("PRAGMA table_info(fp_fonts)"))
        columns.insert(r[1]);
    for (const char* c : {"fontname", "image", "night_image", "download_url", "time", "heat", "ps_name", "font_weight", "type",
                          "language", "tags", "show_img", "codeid", "default_sort", "partner_id", "ser_name_take",
                          "m_made_time", "font_en_name", "new_image", "is_sell", "has_info", "fontid", "is_3d", "marketing",
                          "keyword", "font_info"})
        EXPECT_TRUE(columns.count(c)) << c;
    const auto index = db.rows("PRAGMA index_list(fp_fonts)");
    ASSERT_FALSE(index.empty());
    EXPECT_EQ(db.one("PRAGMA index_info(" + index[0][1] + ")").empty(), false);
    EXPECT_EQ(db.rows("PRAGMA index_info(" + index[0][1] + ")")[0][2], "fontid");
    EXPECT_EQ(db.rows("PRAGMA table_info(fp_keyword)")[1][1], "keyword");
    std::set<std::string> vip;
    for (const auto& r : db.rows("PRAGMA table_info(fp_vip_rule)"))
        vip.insert(r[1]);
    EXPECT_TRUE(vip.count("vip_type") && vip.count("rule") && vip.count("content"));
}

TEST_F(SampleCatalogue, OneRowPerFaceWithValuesTheQueriesExpect)
{
    Database db(out_ / "fonts.sqlite");
    const bool chinese = fs::exists(fontFolder() / "wqy-microhei.ttc");
    EXPECT_EQ(db.number("SELECT count(*) FROM fp_fonts"), chinese ? 4 : 2) << "a .ttc gives one row per face";
    EXPECT_EQ(db.number("SELECT count(DISTINCT fontid) FROM fp_fonts"), db.number("SELECT count(*) FROM fp_fonts"));
    for (const auto& r : db.rows("SELECT language, tags, marketing, font_weight, new_image, font_info FROM fp_fonts")) {
        EXPECT_TRUE(r[0] == ",1," || r[0] == ",2," || r[0] == ",1,2,") << r[0];
        EXPECT_EQ(r[1].front(), ',');
        EXPECT_EQ(r[1].back(), ',');
        EXPECT_TRUE(r[2].empty() || (r[2].front() == ',' && r[2].back() == ',')) << r[2];
        EXPECT_GE(std::stoi(r[3]), 1);
        EXPECT_LE(std::stoi(r[3]), 8);
        if (!r[4].empty()) {
            EXPECT_TRUE(QJsonDocument::fromJson(QByteArray::fromStdString(r[4])).object().contains("zh"));
        }
        EXPECT_TRUE(QJsonDocument::fromJson(QByteArray::fromStdString(r[5])).isObject());
    }
    EXPECT_EQ(db.one("SELECT font_weight FROM fp_fonts WHERE ps_name = 'DejaVuSans-Bold'"), "7");
    EXPECT_EQ(db.one("SELECT font_weight FROM fp_fonts WHERE ps_name = 'DejaVuSans'"), "4");
    if (chinese) {
        EXPECT_EQ(db.one("SELECT codeid FROM fp_fonts WHERE fontname = '文泉驿微米黑'"), "7");
        EXPECT_EQ(db.one("SELECT language FROM fp_fonts WHERE fontname = '文泉驿微米黑'"), ",1,");
        EXPECT_GT(db.number("SELECT min(default_sort) FROM fp_fonts WHERE type = 1"),
                  db.number("SELECT max(default_sort) FROM fp_fonts WHERE type != 1"))
            << "Chinese fonts lead the catalogue order";
    }
}

TEST_F(SampleCatalogue, UrlsUseThePlaceholderAndPointAtWrittenFiles)
{
    Database db(out_ / "fonts.sqlite");
    const std::string base(catalogue::kPlaceholderBase);
    for (const auto& r : db.rows("SELECT image, night_image, download_url FROM fp_fonts")) {
        for (const auto& url : r) {
            ASSERT_EQ(url.rfind(base, 0), 0u) << url;
            const fs::path file = out_ / "service-files" / url.substr(base.size() + std::string("files/").size());
            EXPECT_TRUE(fs::exists(file)) << file;
        }
        EXPECT_EQ(readFile(out_ / "service-files" / r[0].substr(base.size() + 6)).substr(0, 4), "\x89PNG");
    }
}

TEST_F(SampleCatalogue, PartialPackageUpdatesTwoRowsAndAddsTwo)
{
    const std::string zip = readFile(out_ / "service-files/packages/partial.zip");
    const auto text = catalogue::ZipReader::readEntry(zip, "fonts.txt");
    ASSERT_TRUE(text.has_value());
    const QJsonArray rows = QJsonDocument::fromJson(QByteArray::fromStdString(*text)).array();
    ASSERT_EQ(rows.size(), 4);
    Database db(out_ / "fonts.sqlite");
    int existing = 0;
    for (const auto& r : rows) {
        EXPECT_EQ(r.toObject().size(), 22);
        existing += db.number("SELECT count(*) FROM fp_fonts WHERE fontid = " +
                              std::to_string(r.toObject().value("fontid").toInteger())) > 0;
    }
    EXPECT_EQ(existing, 2);
    const auto full = catalogue::ZipReader::entryNames(readFile(out_ / "service-files/packages/full.zip"));
    EXPECT_EQ(full, std::vector<std::string>{"fonts.sqlite"});
}

TEST_F(SampleCatalogue, ManifestMapsEveryFontToItsFace)
{
    const auto manifest = QJsonDocument::fromJson(QByteArray::fromStdString(readFile(out_ / "catalogue.json"))).object();
    EXPECT_EQ(manifest.value("placeholder").toString().toStdString(), std::string(catalogue::kPlaceholderBase));
    Database db(out_ / "fonts.sqlite");
    const QJsonObject fonts = manifest.value("fonts").toObject();
    for (const auto& r : db.rows("SELECT fontid FROM fp_fonts")) {
        ASSERT_TRUE(fonts.contains(QString::fromStdString(r[0]))) << r[0];
        EXPECT_TRUE(fs::exists(fonts.value(QString::fromStdString(r[0])).toObject().value("file").toString().toStdString()));
    }
}

TEST(LargeCatalogue, HundredThousandRowsWithRealisticDistributions)
{
    const fs::path out = testsupport::makeScratchDir("large");
    CatalogueGenerator::Options options;
    options.outDir = out;
    options.fontFolders = {fontFolder()};
    options.rows = 100000;
    options.assets = false;
    std::string error;
    ASSERT_TRUE(CatalogueGenerator::generate(options, &error)) << error;
    Database db(out / "fonts.sqlite");
    const double total = db.number("SELECT count(*) FROM fp_fonts");
    EXPECT_EQ(total, 100000);
    EXPECT_EQ(db.number("SELECT count(DISTINCT fontid) FROM fp_fonts"), total);
    auto share = [&](const std::string& where) { return db.number("SELECT count(*) FROM fp_fonts WHERE " + where) / total; };
    EXPECT_NEAR(share("language = ',1,'"), 0.6, 0.02);
    EXPECT_NEAR(share("language LIKE '%,2,%'"), 0.4, 0.02);
    EXPECT_NEAR(share("codeid = 3"), 0.25, 0.02);
    EXPECT_NEAR(share("codeid = 7"), 0.15, 0.02);
    EXPECT_GT(share("codeid NOT IN (3, 7)"), 0.5);
    EXPECT_GT(share("font_weight = 4"), share("font_weight = 1") * 5) << "regular cuts dominate";
    EXPECT_EQ(db.number("SELECT count(DISTINCT font_weight) FROM fp_fonts"), 8);
    EXPECT_GE(db.number("SELECT count(DISTINCT partner_id) FROM fp_fonts"), 10);
    EXPECT_NEAR(share("is_sell = 1"), 0.4, 0.02);
    EXPECT_GT(share("heat < 1000"), share("heat > 50000") * 5) << "popularity is heavy-tailed";
    for (const char* code : {"m11", "m5", "m4", "m3"})
        EXPECT_GT(share(std::string("marketing LIKE '%,") + code + ",%'"), 0.01) << code;
    const std::string base(catalogue::kPlaceholderBase);
    std::set<std::string> archives;
    for (const auto& r : db.rows("SELECT DISTINCT download_url FROM fp_fonts"))
        archives.insert(r[0]);
    EXPECT_LE(archives.size(), 3u) << "synthetic rows reuse the real archives";
    EXPECT_EQ(db.number("SELECT count(*) FROM fp_fonts WHERE download_url NOT LIKE '" + base + "files/fonts/%'"), 0);

    // A keyword table at the scale of a real one: families, styles, brands and uses, each once,
    // without the whole names, which only the font names hold.
    const double keywords = db.number("SELECT count(*) FROM fp_keyword");
    EXPECT_GT(keywords, 2000);
    EXPECT_LT(keywords, 5000);
    EXPECT_EQ(db.number("SELECT count(DISTINCT keyword) FROM fp_keyword"), keywords);
    for (const char* word : {"云墨黑体", "云墨黑体海报", "Corva Sans Poster", "青禾字体 包装", "YunmoHei Headline"})
        EXPECT_EQ(db.number(std::string("SELECT count(*) FROM fp_keyword WHERE keyword = '") + word + "'"), 1) << word;
    EXPECT_GT(db.number("SELECT count(*) FROM fp_fonts WHERE fontname = '云墨黑体 常规'"), 0);
    EXPECT_EQ(db.number("SELECT count(*) FROM fp_keyword WHERE keyword = '云墨黑体 常规'"), 0);
}

TEST(LargeCatalogue, RenderedPreviewsGiveEverySyntheticRowItsOwnAddresses)
{
    const fs::path out = testsupport::makeScratchDir("rendered");
    CatalogueGenerator::Options options;
    options.outDir = out;
    options.fontFolders = {fontFolder()};
    options.rows = 2000;
    options.assets = false;
    options.renderPreviews = true;
    std::string error;
    ASSERT_TRUE(CatalogueGenerator::generate(options, &error)) << error;
    Database db(out / "fonts.sqlite");
    const std::string base(catalogue::kPlaceholderBase);
    const double synthetic = db.number("SELECT count(*) FROM fp_fonts WHERE fontid >= 100001");
    EXPECT_GT(synthetic, 1900);
    EXPECT_EQ(db.number("SELECT count(DISTINCT image) FROM fp_fonts WHERE fontid >= 100001"), synthetic);
    EXPECT_EQ(db.one("SELECT image || ' ' || night_image FROM fp_fonts WHERE fontid = 100001"),
              base + "files/render/100001/day.png " + base + "files/render/100001/night.png");
    EXPECT_EQ(db.number("SELECT count(*) FROM fp_fonts WHERE fontid < 100001 AND image LIKE '%/render/%'"), 0) << "real fonts keep their files";
    EXPECT_LT(db.number("SELECT count(*) FROM fp_keyword"), 100) << "small catalogues keep the short word list";
}
