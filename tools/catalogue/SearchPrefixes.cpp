#include "catalogue/SearchPrefixes.h"

#include <sqlite3.h>

#include <algorithm>
#include <random>
#include <set>

namespace catalogue {

namespace {

// The first `characters` code points of a UTF-8 text.
std::string leading(const std::string& text, std::size_t characters)
{
    std::size_t end = 0;
    for (std::size_t seen = 0; end < text.size() && seen < characters; ++seen) {
        ++end;
        while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
            ++end;
    }
    return text.substr(0, end);
}

std::vector<std::string> distinctNames(const std::filesystem::path& catalogue)
{
    std::vector<std::string> names;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(catalogue.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT DISTINCT fontname FROM fp_fonts WHERE fontname != '' ORDER BY fontname", -1, &statement,
                               nullptr) == SQLITE_OK) {
            while (sqlite3_step(statement) == SQLITE_ROW)
                names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return names;
}

} // namespace

std::vector<std::string> SearchPrefixes::build(const std::filesystem::path& catalogue, std::size_t count)
{
    std::vector<std::string> chinese, latin;
    for (auto& name : distinctNames(catalogue))
        (static_cast<unsigned char>(name[0]) >= 0x80 ? chinese : latin).push_back(std::move(name));
    std::vector<std::string> texts;
    if (chinese.empty() && latin.empty())
        return texts;
    std::mt19937 random(20261201);
    for (std::size_t i = 0; i < count; ++i) {
        const bool fromChinese = latin.empty() || (!chinese.empty() && i % 5 < 3);
        const auto& names = fromChinese ? chinese : latin;
        const std::string& name = names[random() % names.size()];
        std::string text = leading(name, 1 + random() % 6);
        if (!fromChinese && random() % 4 == 0)
            std::transform(text.begin(), text.end(), text.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
        if (i % 10 == 9)
            text += fromChinese ? "鑫" : "qz"; // no name holds these
        texts.push_back(std::move(text));
    }
    return texts;
}

} // namespace catalogue
