#pragma once

#include <QJsonObject>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace localservice {

// Read-only view of the generated catalogue (fonts.sqlite and catalogue.json in the resources
// folder): font rows for replies, the server-side search, and which font file renders a font id.
// Thread-safe.
class CatalogueIndex {
public:
    struct FaceRef {
        std::filesystem::path file;
        int faceIndex = 0;
    };

    static std::unique_ptr<CatalogueIndex> open(const std::filesystem::path& resourcesDir, std::string* error);
    ~CatalogueIndex();
    CatalogueIndex(const CatalogueIndex&) = delete;
    CatalogueIndex& operator=(const CatalogueIndex&) = delete;

    const std::string& placeholder() const { return placeholder_; }
    const QJsonObject& manifest() const { return manifest_; }
    std::filesystem::path filesDir() const { return resourcesDir_ / "service-files"; }

    // Every column of the row, keyed by column name (the keys of the client's font record).
    std::optional<QJsonObject> fontRow(int64_t fontid);
    bool contains(int64_t fontid);
    // Font ids whose names contain every word of the text (split at blanks; LIKE with % and _
    // escaped), most popular first.
    std::vector<int64_t> search(const std::string& text, int limit = 200);
    // The words of a search text: split at ASCII blanks and the ideographic space.
    static std::vector<std::string> words(const std::string& text);
    std::vector<int64_t> page(int page, int pageSize);
    std::vector<int64_t> popular(int count);
    std::vector<int64_t> ids(bool chinese, int count);
    // Rows sharing the font's family (PostScript name before "-"), for the weights section.
    std::vector<QJsonObject> family(int64_t fontid, int limit = 8);
    std::optional<FaceRef> faceFor(int64_t fontid);

private:
    CatalogueIndex(std::filesystem::path resourcesDir, sqlite3* db, QJsonObject manifest);
    std::vector<int64_t> idColumn(const std::string& sql, const std::vector<std::string>& binds, int64_t limit);

    std::filesystem::path resourcesDir_;
    sqlite3* db_ = nullptr;
    QJsonObject manifest_;
    std::string placeholder_;
    std::mutex mutex_;
};

} // namespace localservice
