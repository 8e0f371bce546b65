#include "CatalogueTestSupport.h"

#include "Class/ServiceCore/Catalogue/KXFontBaseModel.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Lib/SQLKit/SQDatabase.h"
#include "Lib/SQLKit/SQResultSet.h"
#include "Platform/Storage/UserDefaults.h"
#include "Support/TempHome.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <stdexcept>

namespace fs = std::filesystem;

namespace cataloguetest {

namespace {

fs::path generatorBinary()
{
    std::vector<fs::path> candidates;
    if (const char* binary = std::getenv("CORVANE_BINARY_DIR"))
        candidates.push_back(fs::path(binary) / "tools/catalogue/corvane-catalogue");
    candidates.push_back(testsupport::sourceDir() / "build/tools/catalogue/corvane-catalogue");
    for (const auto& candidate : candidates)
        if (fs::is_regular_file(candidate))
            return candidate;
    throw std::runtime_error("the catalogue generator corvane-catalogue is not built");
}

foundation::Ref<SQDatabase> openDatabase(const fs::path& file)
{
    auto db = SQDatabase::databaseWithPath(foundation::Id(file.string()));
    if (!db->open())
        throw std::runtime_error("cannot open " + file.string());
    return db;
}

std::string text(SQResultSet& rows, const char* column)
{
    const auto value = rows.stringForColumn(column);
    return value ? value->utf8() : std::string();
}

} // namespace

const fs::path& sampleCatalogue()
{
    static const fs::path file = [] {
        const fs::path folder = testsupport::makeScratchDir("sample-catalogue");
        const std::string command =
            "'" + generatorBinary().string() + "' --out '" + folder.string() + "' --no-assets > /dev/null";
        if (std::system(command.c_str()) != 0 || !fs::is_regular_file(folder / "fonts.sqlite"))
            throw std::runtime_error("the catalogue generator failed: " + command);
        setenv("CORVANE_RESOURCE_DIR", folder.c_str(), 1);
        return folder / "fonts.sqlite";
    }();
    return file;
}

const fs::path& largeCatalogue()
{
    static const fs::path file = [] {
        const fs::path folder = testsupport::makeScratchDir("large-catalogue");
        const std::string command =
            "'" + generatorBinary().string() + "' --out '" + folder.string() + "' --rows 100000 --no-assets > /dev/null";
        if (std::system(command.c_str()) != 0 || !fs::is_regular_file(folder / "fonts.sqlite"))
            throw std::runtime_error("the catalogue generator failed: " + command);
        return folder / "fonts.sqlite";
    }();
    return file;
}

fs::path copyOfSampleCatalogue()
{
    const fs::path copy = testsupport::makeScratchDir("catalogue") / "fonts.sqlite";
    fs::copy_file(sampleCatalogue(), copy);
    return copy;
}

void execute(const fs::path& file, const std::string& sql)
{
    auto db = openDatabase(file);
    if (!db->executeStatements(sql))
        throw std::runtime_error("cannot run " + sql);
    db->close();
}

long long count(const fs::path& file, const std::string& sql)
{
    auto db = openDatabase(file);
    const long long value = db->longForQuery(sql);
    db->close();
    return value;
}

std::string textOf(const fs::path& file, const std::string& sql)
{
    auto db = openDatabase(file);
    const auto value = db->stringForQuery(sql);
    db->close();
    return value ? value->utf8() : std::string();
}

std::vector<Font> allFonts(const fs::path& file)
{
    auto db = openDatabase(file);
    std::vector<Font> fonts;
    auto rows = db->executeQuery("select fontid, fontname, language, tags, marketing, codeid, font_weight, partner_id,"
                                 " default_sort, m_made_time, ser_name_take from fp_fonts");
    while (rows && rows->next()) {
        Font font;
        font.fontid = rows->longLongIntForColumn("fontid");
        font.fontname = text(*rows, "fontname");
        font.language = text(*rows, "language");
        font.tags = text(*rows, "tags");
        font.marketing = text(*rows, "marketing");
        font.codeid = rows->longLongIntForColumn("codeid");
        font.fontWeight = rows->longLongIntForColumn("font_weight");
        font.partnerId = rows->longLongIntForColumn("partner_id");
        font.defaultSort = rows->longLongIntForColumn("default_sort");
        font.madeTime = rows->longLongIntForColumn("m_made_time");
        font.serNameTake = rows->longLongIntForColumn("ser_name_take");
        fonts.push_back(font);
    }
    db->close();
    return fonts;
}

std::vector<long long> select(const std::vector<Font>& fonts, const std::function<bool(const Font&)>& keep)
{
    std::vector<long long> ids;
    for (const auto& font : fonts)
        if (keep(font))
            ids.push_back(font.fontid);
    return ids;
}

std::vector<long long> select(const std::vector<Font>& fonts, const std::function<bool(const Font&)>& keep,
    const std::function<bool(const Font&, const Font&)>& before)
{
    std::vector<Font> kept;
    std::copy_if(fonts.begin(), fonts.end(), std::back_inserter(kept), keep);
    std::stable_sort(kept.begin(), kept.end(), before);
    return select(kept, [](const Font&) { return true; });
}

bool defaultOrder(const Font& a, const Font& b)
{
    if (a.defaultSort != b.defaultSort)
        return a.defaultSort > b.defaultSort;
    if (a.madeTime != b.madeTime)
        return a.madeTime > b.madeTime;
    if (a.serNameTake != b.serNameTake)
        return a.serNameTake < b.serNameTake;
    return a.fontWeight < b.fontWeight;
}

bool hasElement(const std::string& list, const std::string& element)
{
    return list.find("," + element + ",") != std::string::npos;
}

std::string quoted(const std::string& text)
{
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("''") : std::string(1, c);
    return out + "'";
}

bool containsIgnoringCase(const std::string& text, const std::string& part)
{
    const auto lower = [](std::string s) {
        std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return s;
    };
    return lower(text).find(lower(part)) != std::string::npos;
}

std::vector<long long> fontids(const foundation::Ref<foundation::MutableArray>& records)
{
    std::vector<long long> ids;
    for (const auto& record : *records)
        ids.push_back(record.as<KXFontBaseModel>()->fontid);
    return ids;
}

void resetListSettings()
{
    auto& defaults = foundation::UserDefaults::standardUserDefaults();
    defaults.removeObjectForKey("bigFontsSet");
    defaults.removeObjectForKey("vip_type");
    auto& state = KXGlobalDataBase::sharedKXGlobalDataBase();
    state.setEnLanguage(false);
    state.setHeatTopArray(nullptr);
    KXUserCenterConfig::sharedKXUserCenterConfig().setVipinfo(nullptr);
}

void CatalogueTest::SetUp()
{
    resetListSettings();
    file_ = copyOfSampleCatalogue();
    manager_ = std::make_unique<KXBaseDBManager>(file_);
    fonts_ = allFonts(file_);
}

void CatalogueTest::TearDown()
{
    resetListSettings();
}

} // namespace cataloguetest
