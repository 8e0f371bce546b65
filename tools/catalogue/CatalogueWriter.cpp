#include "catalogue/CatalogueWriter.h"

#include <sqlite3.h>
#include <unistd.h>

namespace catalogue {

namespace fs = std::filesystem;

namespace {

class Statement {
public:
    Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr); }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    bool ok() const { return stmt_ != nullptr; }
    void text(int i, const std::string& v) { sqlite3_bind_text(stmt_, i, v.c_str(), static_cast<int>(v.size()), SQLITE_TRANSIENT); }
    void integer(int i, int64_t v) { sqlite3_bind_int64(stmt_, i, v); }
    bool run()
    {
        const int rc = sqlite3_step(stmt_);
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
        return rc == SQLITE_DONE;
    }

private:
    sqlite3_stmt* stmt_ = nullptr;
};

} // namespace

const char* CatalogueWriter::schemaSql()
{
    return "CREATE TABLE fp_fonts ("
           " id INTEGER PRIMARY KEY AUTOINCREMENT, fontid INTEGER, fontname TEXT, image TEXT,"
           " night_image TEXT, download_url TEXT, time INTEGER, heat INTEGER, ps_name TEXT,"
           " font_weight INTEGER, type INTEGER, language TEXT, tags TEXT, show_img TEXT,"
           " codeid INTEGER, default_sort INTEGER, partner_id INTEGER, ser_name_take INTEGER,"
           " m_made_time INTEGER, font_en_name TEXT, new_image TEXT, is_sell INTEGER,"
           " has_info INTEGER, is_3d INTEGER DEFAULT 0, marketing TEXT DEFAULT '',"
           " keyword TEXT DEFAULT '', font_info TEXT DEFAULT '');"
           "CREATE INDEX idx_fp_fonts_fontid ON fp_fonts(fontid);"
           "CREATE TABLE fp_keyword (id INTEGER PRIMARY KEY AUTOINCREMENT, keyword TEXT);"
           "CREATE TABLE fp_vip_rule (id INTEGER PRIMARY KEY AUTOINCREMENT, vip_type TEXT,"
           " rule TEXT, content TEXT);";
}

std::unique_ptr<CatalogueWriter> CatalogueWriter::create(const fs::path& destination, std::string* error)
{
    std::error_code ec;
    fs::create_directories(destination.parent_path(), ec);
    fs::path temporary = destination;
    temporary += ".tmp-" + std::to_string(getpid());
    fs::remove(temporary, ec);
    sqlite3* db = nullptr;
    if (sqlite3_open(temporary.c_str(), &db) != SQLITE_OK) {
        if (error)
            *error = "cannot create " + temporary.string();
        sqlite3_close(db);
        return nullptr;
    }
    std::unique_ptr<CatalogueWriter> writer(new CatalogueWriter(destination, temporary, db));
    if (!writer->exec(CatalogueWriter::schemaSql()) || !writer->exec("BEGIN")) {
        if (error)
            *error = writer->lastError_;
        return nullptr;
    }
    return writer;
}

CatalogueWriter::CatalogueWriter(fs::path destination, fs::path temporary, sqlite3* db)
    : destination_(std::move(destination)), temporary_(std::move(temporary)), db_(db)
{
}

CatalogueWriter::~CatalogueWriter()
{
    if (db_) {
        sqlite3_close(db_);
        std::error_code ec;
        fs::remove(temporary_, ec);
    }
}

bool CatalogueWriter::exec(const char* sql)
{
    char* message = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        lastError_ = message ? message : "sqlite error";
        sqlite3_free(message);
        return false;
    }
    return true;
}

bool CatalogueWriter::addRows(const std::vector<CatalogueRow>& rows)
{
    Statement insert(db_,
        "INSERT INTO fp_fonts (fontid, fontname, image, night_image, download_url, time, heat,"
        " ps_name, font_weight, type, language, tags, show_img, codeid, default_sort, partner_id,"
        " ser_name_take, m_made_time, font_en_name, new_image, is_sell, has_info, is_3d, marketing,"
        " keyword, font_info) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    if (!insert.ok())
        return false;
    for (const auto& r : rows) {
        int i = 1;
        insert.integer(i++, r.fontid);
        insert.text(i++, r.fontname);
        insert.text(i++, r.image);
        insert.text(i++, r.night_image);
        insert.text(i++, r.download_url);
        insert.integer(i++, r.time);
        insert.integer(i++, r.heat);
        insert.text(i++, r.ps_name);
        insert.integer(i++, r.font_weight);
        insert.integer(i++, r.type);
        insert.text(i++, r.language);
        insert.text(i++, r.tags);
        insert.text(i++, r.show_img);
        insert.integer(i++, r.codeid);
        insert.integer(i++, r.default_sort);
        insert.integer(i++, r.partner_id);
        insert.integer(i++, r.ser_name_take);
        insert.integer(i++, r.m_made_time);
        insert.text(i++, r.font_en_name);
        insert.text(i++, r.new_image);
        insert.integer(i++, r.is_sell);
        insert.integer(i++, r.has_info);
        insert.integer(i++, r.is_3d);
        insert.text(i++, r.marketing);
        insert.text(i++, r.keyword);
        insert.text(i++, r.font_info);
        if (!insert.run()) {
            lastError_ = sqlite3_errmsg(db_);
            return false;
        }
    }
    return true;
}

bool CatalogueWriter::addKeywords(const std::vector<std::string>& keywords)
{
    Statement insert(db_, "INSERT INTO fp_keyword (keyword) VALUES (?)");
    for (const auto& k : keywords) {
        insert.text(1, k);
        if (!insert.run())
            return false;
    }
    return true;
}

bool CatalogueWriter::addVipRules(const std::vector<VipRule>& rules)
{
    Statement insert(db_, "INSERT INTO fp_vip_rule (vip_type, rule, content) VALUES (?,?,?)");
    for (const auto& r : rules) {
        insert.text(1, r.vipType);
        insert.text(2, r.rule);
        insert.text(3, r.content);
        if (!insert.run())
            return false;
    }
    return true;
}

bool CatalogueWriter::commit(std::string* error)
{
    if (!exec("COMMIT")) {
        if (error)
            *error = lastError_;
        return false;
    }
    sqlite3_close(db_);
    db_ = nullptr;
    std::error_code ec;
    fs::rename(temporary_, destination_, ec);
    if (ec) {
        if (error)
            *error = "cannot move the catalogue into place: " + ec.message();
        fs::remove(temporary_, ec);
        return false;
    }
    return true;
}

} // namespace catalogue
