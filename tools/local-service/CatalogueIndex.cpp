#include "local-service/CatalogueIndex.h"

#include <QJsonDocument>
#include <algorithm>
#include <fstream>
#include <sqlite3.h>
#include <sstream>

namespace localservice {

namespace fs = std::filesystem;

namespace {

std::string escapeLike(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        if (c == '%' || c == '_' || c == '\\')
            out += '\\';
        out += c;
    }
    return out;
}

QJsonObject rowObject(sqlite3_stmt* stmt)
{
    QJsonObject o;
    for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
        const QString name = QString::fromUtf8(sqlite3_column_name(stmt, c));
        if (name == "id")
            continue;
        switch (sqlite3_column_type(stmt, c)) {
        case SQLITE_INTEGER:
            o[name] = static_cast<qint64>(sqlite3_column_int64(stmt, c));
            break;
        case SQLITE_NULL:
            o[name] = QJsonValue::Null;
            break;
        default:
            o[name] = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, c)),
                                        sqlite3_column_bytes(stmt, c));
        }
    }
    return o;
}

} // namespace

std::unique_ptr<CatalogueIndex> CatalogueIndex::open(const fs::path& resourcesDir, std::string* error)
{
    std::ifstream in(resourcesDir / "catalogue.json", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(text.str()));
    if (!doc.isObject()) {
        if (error)
            *error = "no catalogue manifest in " + resourcesDir.string() + " (run corvane-catalogue)";
        return nullptr;
    }
    sqlite3* db = nullptr;
    const fs::path file = resourcesDir / "fonts.sqlite";
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        if (error)
            *error = "cannot open " + file.string();
        sqlite3_close(db);
        return nullptr;
    }
    return std::unique_ptr<CatalogueIndex>(new CatalogueIndex(resourcesDir, db, doc.object()));
}

CatalogueIndex::CatalogueIndex(fs::path resourcesDir, sqlite3* db, QJsonObject manifest)
    : resourcesDir_(std::move(resourcesDir)), db_(db), manifest_(std::move(manifest))
{
    placeholder_ = manifest_.value("placeholder").toString().toStdString();
}

CatalogueIndex::~CatalogueIndex()
{
    sqlite3_close(db_);
}

std::optional<QJsonObject> CatalogueIndex::fontRow(int64_t fontid)
{
    std::lock_guard lock(mutex_);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db_, "SELECT * FROM fp_fonts WHERE fontid = ? LIMIT 1", -1, &stmt, nullptr);
    sqlite3_bind_int64(stmt, 1, fontid);
    std::optional<QJsonObject> row;
    if (sqlite3_step(stmt) == SQLITE_ROW)
        row = rowObject(stmt);
    sqlite3_finalize(stmt);
    return row;
}

bool CatalogueIndex::contains(int64_t fontid)
{
    return fontRow(fontid).has_value();
}

std::vector<int64_t> CatalogueIndex::idColumn(const std::string& sql, const std::vector<std::string>& binds, int64_t limit)
{
    std::lock_guard lock(mutex_);
    std::vector<int64_t> ids;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK)
        return ids;
    int index = 1;
    for (const auto& b : binds)
        sqlite3_bind_text(stmt, index++, b.c_str(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int64(stmt, index, limit);
    while (sqlite3_step(stmt) == SQLITE_ROW)
        ids.push_back(sqlite3_column_int64(stmt, 0));
    sqlite3_finalize(stmt);
    return ids;
}

std::vector<std::string> CatalogueIndex::words(const std::string& text)
{
    std::vector<std::string> words;
    std::string word;
    auto flush = [&] {
        if (!word.empty())
            words.push_back(std::move(word));
        word.clear();
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v') {
            flush();
        } else if (text.compare(i, 3, "\xE3\x80\x80") == 0) { // the ideographic space
            flush();
            i += 2;
        } else {
            word += c;
        }
    }
    flush();
    return words;
}

std::vector<int64_t> CatalogueIndex::search(const std::string& text, int limit)
{
    const auto parts = words(text);
    if (parts.empty())
        return {};
    // Every word must match one of the name columns; the ranking stays popularity.
    std::string sql = "SELECT fontid FROM fp_fonts WHERE ";
    std::vector<std::string> patterns;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::string n = "?" + std::to_string(i + 1);
        sql += std::string(i ? " AND " : "") + "(fontname LIKE " + n + " ESCAPE '\\' OR font_en_name LIKE " + n
            + " ESCAPE '\\' OR keyword LIKE " + n + " ESCAPE '\\' OR ps_name LIKE " + n + " ESCAPE '\\')";
        patterns.push_back("%" + escapeLike(parts[i]) + "%");
    }
    sql += " ORDER BY heat DESC, fontid LIMIT ?" + std::to_string(parts.size() + 1);
    return idColumn(sql, patterns, limit);
}

std::vector<int64_t> CatalogueIndex::page(int pageNumber, int pageSize)
{
    std::lock_guard lock(mutex_);
    std::vector<int64_t> ids;
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db_, "SELECT fontid FROM fp_fonts ORDER BY default_sort DESC, fontid LIMIT ? OFFSET ?", -1, &stmt, nullptr);
    sqlite3_bind_int(stmt, 1, pageSize);
    sqlite3_bind_int64(stmt, 2, static_cast<int64_t>(std::max(pageNumber - 1, 0)) * pageSize);
    while (sqlite3_step(stmt) == SQLITE_ROW)
        ids.push_back(sqlite3_column_int64(stmt, 0));
    sqlite3_finalize(stmt);
    return ids;
}

std::vector<int64_t> CatalogueIndex::popular(int count)
{
    return idColumn("SELECT fontid FROM fp_fonts ORDER BY heat DESC, fontid LIMIT ?", {}, count);
}

std::vector<int64_t> CatalogueIndex::ids(bool chinese, int count)
{
    return idColumn(chinese ? "SELECT fontid FROM fp_fonts WHERE type = 1 ORDER BY fontid LIMIT ?"
                            : "SELECT fontid FROM fp_fonts WHERE type != 1 ORDER BY fontid LIMIT ?",
                    {}, count);
}

std::vector<QJsonObject> CatalogueIndex::family(int64_t fontid, int limit)
{
    const auto row = fontRow(fontid);
    std::vector<QJsonObject> rows;
    if (!row)
        return rows;
    const std::string ps = row->value("ps_name").toString().toStdString();
    const std::string stem = ps.substr(0, ps.find('-'));
    const auto ids = idColumn("SELECT fontid FROM fp_fonts WHERE ps_name = ?1 OR ps_name LIKE ?2 ESCAPE '\\'"
                              " ORDER BY font_weight, fontid LIMIT ?3",
                              {stem, escapeLike(stem) + "-%"}, limit);
    for (const auto id : ids)
        if (auto r = fontRow(id))
            rows.push_back(*r);
    return rows;
}

std::optional<CatalogueIndex::FaceRef> CatalogueIndex::faceFor(int64_t fontid)
{
    auto toRef = [](const QJsonObject& o) {
        return FaceRef{fs::path(o.value("file").toString().toStdString()), o.value("face").toInt()};
    };
    const QJsonObject fonts = manifest_.value("fonts").toObject();
    const QString key = QString::number(fontid);
    if (fonts.contains(key))
        return toRef(fonts.value(key).toObject());
    const auto row = fontRow(fontid);
    if (!row)
        return std::nullopt;
    const QString url = row->value("download_url").toString();
    const QString archive = url.section('/', -1);
    const QJsonObject archives = manifest_.value("archives").toObject();
    if (archives.contains(archive))
        return toRef(archives.value(archive).toObject());
    return std::nullopt;
}

} // namespace localservice
