#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <variant>
#include <vector>

struct sqlite3;

namespace localservice {

using SqlValue = std::variant<std::nullptr_t, int64_t, std::string>;
using SqlRow = std::vector<SqlValue>;

// The service's own state (users, tokens, folders, follows, carts, orders, settings) in one SQLite
// file. Every value is bound. One connection, one mutex: callers hold lock() around a whole
// operation so that an operation sees and leaves a consistent state.
class StateDatabase {
public:
    static std::unique_ptr<StateDatabase> open(const std::filesystem::path& file, std::string* error);
    ~StateDatabase();
    StateDatabase(const StateDatabase&) = delete;
    StateDatabase& operator=(const StateDatabase&) = delete;

    std::unique_lock<std::recursive_mutex> lock() { return std::unique_lock(mutex_); }

    std::vector<SqlRow> query(const std::string& sql, const std::vector<SqlValue>& binds = {});
    // Runs a statement; returns false on an SQL error.
    bool exec(const std::string& sql, const std::vector<SqlValue>& binds = {});
    int64_t lastInsertId() const;
    int changes() const;

    std::string setting(const std::string& key, const std::string& fallback = {});
    void setSetting(const std::string& key, const std::string& value);

    static std::string text(const SqlValue& v);
    static int64_t integer(const SqlValue& v);
    static bool isNull(const SqlValue& v) { return std::holds_alternative<std::nullptr_t>(v); }

private:
    explicit StateDatabase(sqlite3* db);
    sqlite3* db_ = nullptr;
    std::recursive_mutex mutex_;
};

} // namespace localservice
