// The font list's decisions without the list: filter outcomes, what follows the add-to-folder
// dialog under each list's rule and the language switch.
#include "Class/FontList/Core/KXFilterOutcome.h"
#include "Class/FontList/Core/KXFolderChange.h"
#include "Class/FontList/Core/KXLanguageSwitch.h"
#include "Platform/Foundation/Foundation.h"

#include <gtest/gtest.h>

using foundation::Id;
using Kind = KXFilterOutcome::Kind;
using Action = KXFolderChange::Action;
using Language = KXLanguageSwitch::Language;

namespace {

foundation::Ref<foundation::MutableArray> some(int count)
{
    auto rows = foundation::MutableArray::create();
    for (int n = 0; n < count; ++n)
        rows->addObject(Id(n));
    return rows;
}

Id folder(Id id, std::initializer_list<Id> fonts)
{
    return Id(foundation::Dictionary::create(
        { { Id("id"), id }, { Id("fonts"), Id(foundation::Array::create(fonts)) } }));
}

} // namespace

TEST(KXFilterOutcome, TagsFindRowsOrFallBackToTheWholeCatalogue)
{
    const auto tags
        = foundation::Dictionary::create({ { Id("字重"), Id(foundation::Array::create({ Id("3") })) } });
    foundation::Ref<foundation::MutableDictionary> asked;
    int suggested = 0;
    const auto found = KXFilterOutcome::apply(
        tags,
        [&](const foundation::Ref<foundation::MutableDictionary>& copy) {
            asked = copy;
            copy->removeObjectForKey(Id("字重"));
            return some(4);
        },
        [&] { return ++suggested, some(99); });
    EXPECT_EQ(found.kind, Kind::Rows);
    EXPECT_EQ(found.rows->count(), 4u);
    EXPECT_EQ(found.tableTop, 82);
    EXPECT_EQ(suggested, 0);
    EXPECT_NE(static_cast<const foundation::Dictionary*>(asked.get()), tags.get()) << "the query gets a copy";
    EXPECT_EQ(tags->count(), 1u) << "and may take entries out of it";

    const auto none = KXFilterOutcome::apply(
        tags, [](const auto&) { return some(0); }, [] { return some(99); });
    EXPECT_EQ(none.kind, Kind::NoResult);
    EXPECT_EQ(none.rows->count(), 99u) << "the catalogue in default order, as suggestions";
    EXPECT_EQ(none.tableTop, 320) << "right under the no-result view";

    // No rows yet while more are read: neither rows nor no result, and no suggestions asked.
    const auto pending = KXFilterOutcome::apply(
        tags, [](const auto&) { return some(0); }, [&] { return ++suggested, some(99); }, [] { return true; });
    EXPECT_EQ(pending.kind, Kind::Pending);
    EXPECT_EQ(pending.rows->count(), 0u);
    EXPECT_EQ(pending.tableTop, 82);
    EXPECT_EQ(suggested, 0);
    EXPECT_EQ(KXFilterOutcome::apply(
                  tags, [](const auto&) { return some(2); }, [] { return some(99); }, [] { return true; })
                  .kind,
        Kind::Rows);

    const auto cleared = KXFilterOutcome::apply(
        foundation::Dictionary::create(), [](const auto&) { return some(1); }, [] { return some(1); });
    EXPECT_EQ(cleared.kind, Kind::Cleared);
    EXPECT_FALSE(cleared.rows);
    EXPECT_EQ(KXFilterOutcome::apply(nullptr, {}, {}).kind, Kind::Cleared);
}

TEST(KXFolderChange, TheListLosesTheRowOfAFontTakenOutOfTheShownFolder)
{
    constexpr auto list = KXFolderChange::Rule::ReloadRowTellOwnerLeaveFolder;
    const auto folders
        = foundation::Array::create({ folder(Id(12), { Id(5), Id("6") }), folder(Id("13"), { Id(7) }) });
    EXPECT_EQ(KXFolderChange::decide(list, 4, true, 5, folders.get(), "12"), Action::Nothing)
        << "still in the shown folder";
    EXPECT_EQ(KXFolderChange::decide(list, 4, true, 6, folders.get(), "12"), Action::Nothing)
        << "ids as text count";
    EXPECT_EQ(KXFolderChange::decide(list, 4, true, 7, folders.get(), "12"), Action::RemoveRow)
        << "taken out of the shown folder";
    EXPECT_EQ(KXFolderChange::decide(list, 4, true, 7, folders.get(), "13"), Action::Nothing);
    EXPECT_EQ(KXFolderChange::decide(list, 4, false, 7, folders.get(), "12"), Action::Nothing)
        << "the font has no row any more";
    EXPECT_EQ(KXFolderChange::decide(list, 4, true, 7, folders.get(), "900"), Action::Nothing)
        << "a followed collection keeps its rows";
    EXPECT_EQ(KXFolderChange::decide(list, 4, true, 7, nullptr, "12"), Action::Nothing);

    EXPECT_EQ(KXFolderChange::decide(list, 1, true, 7, folders.get(), "12"), Action::ReloadRowTellOwner);
    EXPECT_EQ(KXFolderChange::decide(list, 3, true, 7, nullptr, ""), Action::ReloadRowTellOwner);
    EXPECT_EQ(KXFolderChange::decide(list, 1, false, 7, folders.get(), "12"), Action::Nothing);
}

TEST(KXFolderChange, AFolderPageRedrawsEveryRowItKeepsAndOtherListsOnlyRedraw)
{
    constexpr auto page = KXFolderChange::Rule::RereadFoldersAndRemove;
    const auto folders = foundation::Array::create({ folder(Id(12), { Id(5) }) });
    EXPECT_EQ(KXFolderChange::decide(page, 4, true, 7, folders.get(), "12"), Action::RemoveRow);
    EXPECT_EQ(KXFolderChange::decide(page, 4, true, 5, folders.get(), "12"), Action::ReloadRow)
        << "kept: its mark is drawn again";
    EXPECT_EQ(KXFolderChange::decide(page, 4, true, 7, folders.get(), ""), Action::ReloadRow)
        << "a page without a folder id keeps its rows";
    EXPECT_EQ(KXFolderChange::decide(page, 4, true, 7, folders.get(), "900"), Action::ReloadRow)
        << "nor one of a folder the user no longer has";
    EXPECT_EQ(KXFolderChange::decide(page, 3, true, 7, folders.get(), "12"), Action::ReloadRow);
    EXPECT_EQ(KXFolderChange::decide(page, 4, false, 7, folders.get(), "12"), Action::Nothing);

    // The search panel and a collection: no folder of the user's to leave, whatever the mode.
    constexpr auto redraw = KXFolderChange::Rule::ReloadRow;
    EXPECT_EQ(KXFolderChange::decide(redraw, 4, true, 7, folders.get(), "12"), Action::ReloadRow);
    EXPECT_EQ(KXFolderChange::decide(redraw, 1, false, 7, folders.get(), "12"), Action::Nothing);
}

TEST(KXLanguageSwitch, TheFirstClickAlwaysSwitchesAndForeignTwiceOnlyClosesTheFilter)
{
    {
        KXLanguageSwitch languages;
        EXPECT_FALSE(languages.selected()) << "unset at creation";
        const auto first = languages.click(Language::Chinese);
        EXPECT_TRUE(first.switches) << "although 中文 is drawn selected";
        EXPECT_TRUE(first.closesFilter);
        const auto again = languages.click(Language::Chinese);
        EXPECT_FALSE(again.switches);
        EXPECT_FALSE(again.closesFilter);
    }
    KXLanguageSwitch languages;
    EXPECT_TRUE(languages.click(Language::Foreign).switches);
    const auto twice = languages.click(Language::Foreign);
    EXPECT_FALSE(twice.switches);
    EXPECT_TRUE(twice.closesFilter);
    EXPECT_EQ(languages.selected(), Language::Foreign);
    EXPECT_TRUE(languages.click(Language::Chinese).switches);
    EXPECT_EQ(languages.selected(), Language::Chinese);
}
