#include "Class/Store/Core/KXOrderSelection.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Serialization/JSONSerialization.h"

#include <gtest/gtest.h>
#include <map>

using foundation::Id;

namespace {

Id offer(const char* brandID, const char* name)
{
    return Id(foundation::Dictionary::create(
        { { Id("brand_id"), Id(brandID) }, { Id("brand_name"), Id(name) }, { Id("price"), Id(199) } }));
}

foundation::Ref<foundation::Array> offers(std::initializer_list<Id> list)
{
    return foundation::Array::create(list);
}

// The selection text read back: offer id to its ids text, in entry order.
std::vector<std::pair<std::string, std::string>> parsed(const std::string& text)
{
    const Id json = foundation::JSONSerialization::JSONObjectWithData(foundation::Data::create(text), 0);
    EXPECT_TRUE(json.array()) << text;
    std::vector<std::pair<std::string, std::string>> entries;
    for (std::size_t i = 0; i < json.count(); ++i) {
        EXPECT_EQ(json[i].count(), 2u) << "exactly bid and fids";
        EXPECT_TRUE(json[i]["bid"].string());
        EXPECT_TRUE(json[i]["fids"].string());
        entries.emplace_back(json[i]["bid"].stringValue(), json[i]["fids"].stringValue());
    }
    return entries;
}

class KXOrderSelectionTest : public testing::Test {
protected:
    void SetUp() override
    {
        selection.setDataA(
            offers({ offer("7", "企业标准"), offer("12", "个人商用") }), { "101", "102", "103" });
    }
    KXOrderSelection selection;
};

TEST(KXOrderSelectionText, EmptyChoiceIsAnEmptyArray)
{
    KXOrderSelection selection;
    EXPECT_EQ(selection.infoString(), "[]");
    selection.setDataA(offers({ offer("7", "a") }), {});
    EXPECT_EQ(selection.infoString(), "[]") << "no entry without fonts";
    EXPECT_TRUE(selection.oriInfoArray().empty());
    selection.fontChoice("7", "101");
    EXPECT_EQ(parsed(selection.infoString()),
        (std::vector<std::pair<std::string, std::string>> { { "7", "101" } }));
}

TEST_F(KXOrderSelectionTest, OpeningChoosesEveryFontForEveryOffer)
{
    EXPECT_EQ(parsed(selection.infoString()),
        (std::vector<std::pair<std::string, std::string>> {
            { "7", "101,102,103" }, { "12", "101,102,103" } }));
    EXPECT_EQ(selection.allFontsA().size(), 6u);
    EXPECT_EQ(selection.infoString().find(' '), std::string::npos) << "compact";
    EXPECT_EQ(selection.oriInfoArray(), selection.infoArray());
    EXPECT_TRUE(selection.isAllSelected());
    EXPECT_EQ(selection.fontsA(), (std::vector<std::string> { "101", "102", "103" }));
}

TEST_F(KXOrderSelectionTest, UntickingFontsShrinksTheEntryAndTheLastRemovesIt)
{
    selection.fontChoice("7", "101");
    selection.fontChoice("7", "103");
    EXPECT_EQ(selection.chosenFonts("7"), std::vector<std::string> { "102" });
    EXPECT_FALSE(selection.isAllSelected());
    EXPECT_EQ(selection.allFontsA(), (std::vector<std::string> { "102", "101", "102", "103" }));
    selection.fontChoice("7", "102");
    EXPECT_EQ(parsed(selection.infoString()),
        (std::vector<std::pair<std::string, std::string>> { { "12", "101,102,103" } }));
    EXPECT_FALSE(selection.isChosen("7", "102"));
    // Ticking again makes a new entry at the end with that one font.
    selection.fontChoice("7", "103");
    EXPECT_EQ(parsed(selection.infoString()).back(), (std::pair<std::string, std::string> { "7", "103" }));
    // The full choice is never touched.
    EXPECT_EQ(selection.oriInfoArray()[0].fids.size(), 3u);
}

TEST_F(KXOrderSelectionTest, SelectAllOffThenOneTickThenAllAgain)
{
    selection.clearChoice();
    EXPECT_EQ(selection.infoString(), "[]");
    EXPECT_TRUE(selection.allFontsA().empty());
    selection.fontChoice("12", "102");
    EXPECT_EQ(parsed(selection.infoString()),
        (std::vector<std::pair<std::string, std::string>> { { "12", "102" } }));
    selection.setDataA(selection.dataA(), selection.fontsA());
    EXPECT_EQ(selection.allFontsA().size(), 6u);
    EXPECT_TRUE(selection.isAllSelected());
}

TEST_F(KXOrderSelectionTest, RemovingByOfferIdFindsItsRowWhereverItIsNow)
{
    selection.fontChoice("12", "101");
    EXPECT_EQ(selection.removeOffer("7"), 0);
    EXPECT_EQ(selection.dataA()->count(), 1u);
    EXPECT_EQ(parsed(selection.infoString()),
        (std::vector<std::pair<std::string, std::string>> { { "12", "102,103" } }));
    EXPECT_EQ(selection.oriInfoArray().size(), 1u);
    // Asked again for an offer already gone: nothing happens.
    EXPECT_EQ(selection.removeOffer("7"), -1);
    EXPECT_EQ(selection.dataA()->count(), 1u);
    EXPECT_EQ(selection.removeOffer("12"), 0);
    EXPECT_EQ(selection.infoString(), "[]");
    EXPECT_EQ(selection.dataA()->count(), 0u);
}

TEST_F(KXOrderSelectionTest, RepickUnchangedKeepsEveryRowAndItsChoice)
{
    selection.fontChoice("7", "102");
    const auto before = selection.infoString();
    const auto change = selection.reconcile(foundation::Array::create(selection.dataA()->objects()));
    EXPECT_TRUE(change.removedRows.empty());
    EXPECT_EQ(change.addedRows, 0u);
    EXPECT_EQ(selection.infoString(), before);
}

TEST_F(KXOrderSelectionTest, RepickEmptiedRemovesEveryRow)
{
    const auto change = selection.reconcile(foundation::Array::create());
    EXPECT_EQ(change.removedRows, (std::vector<std::size_t> { 0, 1 }));
    EXPECT_EQ(selection.dataA()->count(), 0u);
    EXPECT_EQ(selection.infoString(), "[]");
    EXPECT_TRUE(selection.oriInfoArray().empty());
}

TEST_F(KXOrderSelectionTest, RepickAddsANewOfferWithEveryFontAndDropsAnUntickedOne)
{
    selection.fontChoice("12", "101");
    // The sheet's list: offer 12 kept (an equal record from a new brand list), 7 dropped, 21 new.
    const auto change = selection.reconcile(offers({ offer("12", "个人商用"), offer("21", "企业高级") }));
    EXPECT_EQ(change.removedRows, std::vector<std::size_t> { 0 });
    EXPECT_EQ(change.firstAddedRow, 1u);
    EXPECT_EQ(change.addedRows, 1u);
    EXPECT_EQ(parsed(selection.infoString()),
        (std::vector<std::pair<std::string, std::string>> { { "12", "102,103" }, { "21", "101,102,103" } }));
    EXPECT_EQ(KXOrderSelection::brandID(selection.dataA()->objectAtIndex(1)), "21");
}

TEST_F(KXOrderSelectionTest, RepickTellsOffersApartByTheirBrandId)
{
    // The sheet fetched the offers again and the service changed offer 7's price meanwhile.
    Id changed = offer("7", "企业标准");
    auto record = foundation::MutableDictionary::dictionaryWithDictionary(*changed.dictionary());
    record->setObject(Id(1500), Id("price"));
    const Id repriced(record);
    selection.fontChoice("7", "102");

    // Still ticked: the row stays with its choice, and no second row comes with the same bid.
    auto change = selection.reconcile(offers({ selection.dataA()->objectAtIndex(1), repriced }));
    EXPECT_TRUE(change.removedRows.empty());
    EXPECT_EQ(change.addedRows, 0u);
    EXPECT_EQ(selection.dataA()->count(), 2u);
    EXPECT_EQ(parsed(selection.infoString()),
        (std::vector<std::pair<std::string, std::string>> { { "7", "101,103" }, { "12", "101,102,103" } }));

    // Unticked: the row goes. Ticked again, in a list that holds the offer twice: one row, one entry.
    change = selection.reconcile(offers({ offer("12", "个人商用") }));
    EXPECT_EQ(change.removedRows, std::vector<std::size_t> { 0 });
    change = selection.reconcile(offers({ offer("12", "个人商用"), repriced, offer("7", "企业标准") }));
    EXPECT_EQ(change.addedRows, 1u);
    ASSERT_EQ(selection.dataA()->count(), 2u);
    EXPECT_EQ(KXOrderSelection::brandID(selection.dataA()->objectAtIndex(1)), "7");
    EXPECT_EQ(selection.oriInfoArray().size(), 2u);
    EXPECT_EQ(parsed(selection.infoString()),
        (std::vector<std::pair<std::string, std::string>> {
            { "12", "101,102,103" }, { "7", "101,102,103" } }));
}

TEST(KXOrderSelectionText, BrandIdsAreTextAndEscaped)
{
    KXOrderSelection selection;
    auto numeric = Id(foundation::Dictionary::create({ { Id("brand_id"), Id(7) } }));
    auto odd = Id(foundation::Dictionary::create({ { Id("brand_id"), Id("a\"b/c") } }));
    selection.setDataA(offers({ numeric, odd }), { "5" });
    EXPECT_EQ(parsed(selection.infoString()),
        (std::vector<std::pair<std::string, std::string>> { { "7", "5" }, { "a\"b/c", "5" } }));
}

} // namespace

namespace {

TEST(KXOrderSelectionSameOrder, TheSameFontsAndLicencesWhateverTheirOrder)
{
    const std::string order = R"([{"bid":"12","fids":"1049,1002"},{"bid":"7","fids":"5"}])";
    EXPECT_TRUE(
        KXOrderSelection::sameOrder(order, R"([{"bid":"7","fids":"5"},{"bid":"12","fids":"1002,1049"}])"));
    EXPECT_FALSE(KXOrderSelection::sameOrder(order, R"([{"bid":"12","fids":"1049,1002"}])"))
        << "a licence fewer";
    EXPECT_FALSE(KXOrderSelection::sameOrder(
        order, R"([{"bid":"12","fids":"1049,1002,1048"},{"bid":"7","fids":"5"}])"))
        << "a font more";
    EXPECT_FALSE(
        KXOrderSelection::sameOrder(order, R"([{"bid":"13","fids":"1049,1002"},{"bid":"7","fids":"5"}])"))
        << "another licence for the same fonts";
    EXPECT_FALSE(KXOrderSelection::sameOrder("", "")) << "an order whose fonts are unknown matches none";
    EXPECT_FALSE(KXOrderSelection::sameOrder("[]", "[]"));
}

} // namespace
