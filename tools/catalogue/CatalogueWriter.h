#pragma once

#include "catalogue/CatalogueRow.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

struct sqlite3;

namespace catalogue {

struct VipRule {
    std::string vipType;
    std::string rule;
    std::string content;
};

// Writes a catalogue database: the tables fp_fonts, fp_keyword and fp_vip_rule, an index on
// fp_fonts.fontid. The file is built beside its destination and renamed into place on commit(),
// so a failed run never leaves a half-written catalogue where the old one was.
class CatalogueWriter {
public:
    static std::unique_ptr<CatalogueWriter> create(const std::filesystem::path& destination,
                                                   std::string* error);
    ~CatalogueWriter();
    CatalogueWriter(const CatalogueWriter&) = delete;
    CatalogueWriter& operator=(const CatalogueWriter&) = delete;

    bool addRows(const std::vector<CatalogueRow>& rows);
    bool addKeywords(const std::vector<std::string>& keywords);
    bool addVipRules(const std::vector<VipRule>& rules);
    bool commit(std::string* error);

    static const char* schemaSql();

private:
    CatalogueWriter(std::filesystem::path destination, std::filesystem::path temporary, sqlite3* db);
    bool exec(const char* sql);

    std::filesystem::path destination_;
    std::filesystem::path temporary_;
    sqlite3* db_ = nullptr;
    std::string lastError_;
};

} // namespace catalogue
