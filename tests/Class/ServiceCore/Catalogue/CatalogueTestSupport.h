#pragma once

#include "Class/ServiceCore/Catalogue/KXBaseDBManager.h"
#include "Platform/Foundation/Array.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

// The sample catalogue for the catalogue tests, and an independent reading of it: rows read with
// plain SQL through the SQLite layer, filtered and sorted here in C++, to compare the queries with.
namespace cataloguetest {

// The sample catalogue, generated once per process by the catalogue generator of the build tree
// (CORVANE_BINARY_DIR, else the source tree's build/). CORVANE_RESOURCE_DIR points at its folder,
// so the shared catalogue manager copies it on first use.
const std::filesystem::path& sampleCatalogue();
// A catalogue of 100,000 rows (the sample fonts and synthetic ones, with the large keyword table),
// generated once per process into a scratch folder.
const std::filesystem::path& largeCatalogue();
// A copy of the sample catalogue in a fresh scratch folder.
std::filesystem::path copyOfSampleCatalogue();
// Runs SQL on a catalogue file directly (fixtures and checks).
void execute(const std::filesystem::path& file, const std::string& sql);
long long count(const std::filesystem::path& file, const std::string& sql);
std::string textOf(const std::filesystem::path& file, const std::string& sql); // column 0 of row 0

struct Font {
    long long fontid = 0;
    std::string fontname, language, tags, marketing;
    long long codeid = 0, fontWeight = 0, partnerId = 0, defaultSort = 0, madeTime = 0, serNameTake = 0;
};
// Every fp_fonts row, in table order.
std::vector<Font> allFonts(const std::filesystem::path& file);

// The fontids of the fonts that pass `keep`, in table order or sorted by `before`.
std::vector<long long> select(const std::vector<Font>& fonts, const std::function<bool(const Font&)>& keep);
std::vector<long long> select(const std::vector<Font>& fonts, const std::function<bool(const Font&)>& keep,
    const std::function<bool(const Font&, const Font&)>& before);
// The catalogue's default order: default_sort, m_made_time descending; ser_name_take, font_weight
// ascending.
bool defaultOrder(const Font& a, const Font& b);
bool hasElement(const std::string& list, const std::string& element); // ",a,b," holds a
bool containsIgnoringCase(const std::string& text, const std::string& part); // ASCII case, as LIKE
std::string quoted(const std::string& text); // an SQL string literal

// The fontids of font records, in order.
std::vector<long long> fontids(const foundation::Ref<foundation::MutableArray>& records);

// Puts the settings the lists read back to a plain signed-out Chinese session.
void resetListSettings();

// A test on its own copy of the sample catalogue, with a manager on it and the rows read apart.
class CatalogueTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::filesystem::path file_;
    std::unique_ptr<KXBaseDBManager> manager_;
    std::vector<Font> fonts_;
};

} // namespace cataloguetest
