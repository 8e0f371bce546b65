#include "local-service/StateDatabase.h"

#include <cstdio>
#include <cstdlib>
#include <sqlite3.h>

namespace localservice {

namespace {

const char* kSchema =
    "CREATE TABLE IF NOT EXISTS users (id INTEGER PRIMARY KEY, name TEXT UNIQUE, phone TEXT,"
    " password_hash TEXT, salt TEXT, nick_name TEXT DEFAULT '', email TEXT DEFAULT '', head TEXT,"
    " vip_type TEXT DEFAULT '', is_agree INTEGER DEFAULT 1, is_first INTEGER DEFAULT 0,"
    " active TEXT DEFAULT '', downloads INTEGER DEFAULT 0, sex TEXT DEFAULT '', city TEXT DEFAULT '',"
    " province TEXT DEFAULT '', birthday TEXT DEFAULT '', introduce TEXT DEFAULT '',"
    " collect_version INTEGER DEFAULT 1);"
    "CREATE TABLE IF NOT EXISTS tokens (token TEXT PRIMARY KEY, user_id INTEGER, expires INTEGER);"
    "CREATE TABLE IF NOT EXISTS folders (id INTEGER PRIMARY KEY, user_id INTEGER, collect_name TEXT,"
    " add_time TEXT, is_publish INTEGER DEFAULT 0, is_encrypt INTEGER DEFAULT 0,"
    " encrypt_str TEXT DEFAULT '', img TEXT DEFAULT '', visits INTEGER DEFAULT 0,"
    " reason TEXT DEFAULT '', collect_desc TEXT DEFAULT '', tag_id TEXT DEFAULT '',"
    " tag_name TEXT DEFAULT '', follow_num INTEGER DEFAULT 0);"
    "CREATE TABLE IF NOT EXISTS folder_fonts (folder_id INTEGER, fontid INTEGER, position INTEGER);"
    "CREATE TABLE IF NOT EXISTS follows (user_id INTEGER, folder_id INTEGER, UNIQUE(user_id, folder_id));"
    "CREATE TABLE IF NOT EXISTS carts (user_id INTEGER, fontid INTEGER, position INTEGER,"
    " UNIQUE(user_id, fontid));"
    "CREATE TABLE IF NOT EXISTS orders (id INTEGER PRIMARY KEY, user_id INTEGER, info TEXT,"
    " price TEXT, paid INTEGER DEFAULT 0, created INTEGER);"
    "CREATE TABLE IF NOT EXISTS sms_codes (phone TEXT PRIMARY KEY, code TEXT, expires INTEGER);"
    "CREATE TABLE IF NOT EXISTS wx_tickets (ticket TEXT PRIMARY KEY, confirmed_user INTEGER,"
    " polls INTEGER DEFAULT 0, created INTEGER);"
    "CREATE TABLE IF NOT EXISTS reports (id INTEGER PRIMARY KEY, kind TEXT, user_id INTEGER,"
    " detail TEXT, created INTEGER);"
    "CREATE TABLE IF NOT EXISTS settings (key TEXT PRIMARY KEY, value TEXT);";

} // namespace

std::unique_ptr<StateDatabase> StateDatabase::open(const std::filesystem::path& file, std::string* error)
{
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    sqlite3* db = nullptr;
    if (sqlite3_open(file.c_str(), &db) != SQLITE_OK) {
        if (error)
            *error = "cannot open " + file.string();
        sqlite3_close(db);
        return nullptr;
    }
    std::unique_ptr<StateDatabase> state(new StateDatabase(db));
    char* message = nullptr;
    if (sqlite3_exec(db, kSchema, nullptr, nullptr, &message) != SQLITE_OK) {
        if (error)
            *error = message ? message : "cannot create the state tables";
        sqlite3_free(message);
        return nullptr;
    }
    sqlite3_busy_timeout(db, 2000);
    return state;
}

StateDatabase::StateDatabase(sqlite3* db) : db_(db) {}

StateDatabase::~StateDatabase()
{
    sqlite3_close(db_);
}

namespace {

void bindAll(sqlite3_stmt* stmt, const std::vector<SqlValue>& binds)
{
    for (size_t i = 0; i < binds.size(); ++i) {
        const int index = static_cast<int>(i + 1);
        if (const auto* n = std::get_if<int64_t>(&binds[i]))
            sqlite3_bind_int64(stmt, index, *n);
        else if (const auto* s = std::get_if<std::string>(&binds[i]))
            sqlite3_bind_text(stmt, index, s->c_str(), static_cast<int>(s->size()), SQLITE_TRANSIENT);
        else
            sqlite3_bind_null(stmt, index);
    }
}

} // namespace

std::vector<SqlRow> StateDatabase::query(const std::string& sql, const std::vector<SqlValue>& binds)
{
    std::lock_guard guard(mutex_);
    std::vector<SqlRow> rows;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "local-service: SQL error %s in %s\n", sqlite3_errmsg(db_), sql.c_str());
        return rows;
    }
    bindAll(stmt, binds);
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        SqlRow row;
        const int count = sqlite3_column_count(stmt);
        for (int c = 0; c < count; ++c) {
            switch (sqlite3_column_type(stmt, c)) {
            case SQLITE_INTEGER:
                row.emplace_back(static_cast<int64_t>(sqlite3_column_int64(stmt, c)));
                break;
            case SQLITE_NULL:
                row.emplace_back(nullptr);
                break;
            default: {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
                row.emplace_back(std::string(text ? text : "", static_cast<size_t>(sqlite3_column_bytes(stmt, c))));
            }
            }
        }
        rows.push_back(std::move(row));
    }
    sqlite3_finalize(stmt);
    return rows;
}

bool StateDatabase::exec(const std::string& sql, const std::vector<SqlValue>& binds)
{
    std::lock_guard guard(mutex_);
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "local-service: SQL error %s in %s\n", sqlite3_errmsg(db_), sql.c_str());
        return false;
    }
    bindAll(stmt, binds);
    int rc = sqlite3_step(stmt);
    while (rc == SQLITE_ROW)
        rc = sqlite3_step(stmt);
    sqlite3_finalize(stmt);
    return rc == SQLITE_DONE;
}

int64_t StateDatabase::lastInsertId() const
{
    return sqlite3_last_insert_rowid(db_);
}

int StateDatabase::changes() const
{
    return sqlite3_changes(db_);
}

std::string StateDatabase::setting(const std::string& key, const std::string& fallback)
{
    const auto rows = query("SELECT value FROM settings WHERE key = ?", {key});
    return rows.empty() ? fallback : text(rows[0][0]);
}

void StateDatabase::setSetting(const std::string& key, const std::string& value)
{
    exec("INSERT INTO settings (key, value) VALUES (?, ?) ON CONFLICT(key) DO UPDATE SET value = excluded.value",
         {key, value});
}

std::string StateDatabase::text(const SqlValue& v)
{
    if (const auto* s = std::get_if<std::string>(&v))
        return *s;
    if (const auto* n = std::get_if<int64_t>(&v))
        return std::to_string(*n);
    return {};
}

int64_t StateDatabase::integer(const SqlValue& v)
{
    if (const auto* n = std::get_if<int64_t>(&v))
        return *n;
    if (const auto* s = std::get_if<std::string>(&v))
        return std::strtoll(s->c_str(), nullptr, 10);
    return 0;
}

} // namespace localservice
