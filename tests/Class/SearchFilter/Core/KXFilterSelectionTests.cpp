#include "Class/SearchFilter/Core/KXFilterCategories.h"
#include "Class/SearchFilter/Core/KXFilterSelection.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Platform/Foundation/Foundation.h"

#include <gtest/gtest.h>

using foundation::Id;
using foundation::MutableDictionary;

namespace {

class KXFilterSelectionTest : public ::testing::Test {
protected:
    void SetUp() override { global().setFilterD(MutableDictionary::create()); }
    void TearDown() override { global().setFilterD(MutableDictionary::create()); }
    static KXGlobalDataBase& global() { return KXGlobalDataBase::sharedKXGlobalDataBase(); }
};

std::pair<const char*, const char*> tag(const char* id, const char* name)
{
    return { id, name };
}

Id category(const char* name, std::initializer_list<std::pair<const char*, const char*>> tags)
{
    auto list = KXFilterTagList::create();
    for (const auto& [id, title] : tags)
        list->append(title, id);
    return Id(foundation::Dictionary::create({ { Id(name), Id(list) } }));
}

} // namespace

TEST_F(KXFilterSelectionTest, ATogglePutsAValueInAndTakesItOutWithItsCategory)
{
    KXFilterSelection selection;
    selection.toggle("风格", "101");
    selection.toggle("风格", "0102");
    selection.toggle("字重", "4");
    EXPECT_EQ(selection.values("风格"), (std::vector<std::string>{"101", "0102"})) << "in the order chosen, as the tag ids read";
    EXPECT_TRUE(selection.isSelected("字重", "4"));
    selection.toggle("风格", "101");
    EXPECT_EQ(selection.values("风格"), std::vector<std::string>{"0102"});
    selection.toggle("风格", "0102");
    EXPECT_TRUE(selection.tagsDD()->objectForKey("风格").isNil()) << "the key goes with its last value";
    EXPECT_EQ(selection.tagsDD()->count(), 1u);

    // Requests as the rows send them; anything else changes nothing.
    selection.toggle(foundation::Dictionary::create({{Id("字体品牌"), Id("5")}}));
    EXPECT_TRUE(selection.isSelected("字体品牌", "5"));
    selection.toggle(nullptr);
    selection.toggle(foundation::Dictionary::create({{Id("a"), Id(1)}}));
    selection.toggle(foundation::Dictionary::create({{Id("a"), Id("1")}, {Id("b"), Id("2")}}));
    EXPECT_EQ(selection.tagsDD()->count(), 2u);
}

TEST_F(KXFilterSelectionTest, AnEmptyStoredSelectionGivesASeparateOneAndANonEmptyOneIsEditedInPlace)
{
    // Empty filterD: a separate working dictionary, and closing without a choice leaves filterD.
    const auto stored = global().filterD();
    KXFilterSelection first;
    EXPECT_NE(first.tagsDD(), stored);
    first.storeIfAny();
    EXPECT_EQ(global().filterD(), stored);
    first.toggle("风格", "101");
    EXPECT_EQ(global().filterD()->count(), 0u) << "not seen until stored";
    first.storeIfAny();
    EXPECT_EQ(global().filterD(), first.tagsDD());

    // Non-empty filterD: the very same dictionary. Taking every value out empties filterD
    // although nothing is stored.
    KXFilterSelection second;
    EXPECT_EQ(second.tagsDD(), global().filterD());
    second.toggle("风格", "101");
    second.storeIfAny();
    EXPECT_EQ(global().filterD()->count(), 0u);

    // A stored array that cannot change is copied, keeping its values.
    global().setFilterD(MutableDictionary::create({{Id("字重"), Id(foundation::Array::create({Id("1"), Id("2")}))}}));
    KXFilterSelection third;
    third.toggle("字重", "3");
    EXPECT_EQ(third.values("字重"), (std::vector<std::string>{"1", "2", "3"}));
}

TEST_F(KXFilterSelectionTest, StoringAndResettingFollowEachUI)
{
    KXFilterSelection dropDown;
    dropDown.toggle("风格", "101");
    dropDown.storeAlways();
    EXPECT_EQ(global().filterD(), dropDown.tagsDD());
    dropDown.toggle("风格", "101");
    dropDown.storeAlways();
    EXPECT_EQ(global().filterD()->count(), 0u) << "the drop-down stores an empty selection too";

    // "全部" and "清除".
    dropDown.setValues("字重", {"1", "2", "3", "4", "5", "6", "7", "8", "8"});
    EXPECT_EQ(dropDown.values("字重").size(), 8u);
    dropDown.toggle("风格", "102");
    EXPECT_TRUE(dropDown.removeCategory("字重"));
    EXPECT_FALSE(dropDown.removeCategory("字重")) << "nothing to clear";
    EXPECT_EQ(dropDown.values("风格"), std::vector<std::string>{"102"}) << "other categories stay";

    // Tabs and "重置": two new dictionaries, not one.
    KXFilterSelection side;
    side.toggle("风格", "101");
    side.storeIfAny();
    side.resetBoth();
    EXPECT_EQ(side.tagsDD()->count(), 0u);
    EXPECT_EQ(global().filterD()->count(), 0u);
    EXPECT_NE(side.tagsDD(), global().filterD());
}

TEST(KXFilterCategories, TheShownLanguagesCategoriesWithTheWeightFoundByName)
{
    auto english = foundation::MutableArray::create({category("Style", {tag("101", "Sans")})});
    auto chinese = foundation::MutableArray::create({
        category("风格", {tag("101", "黑体"), tag("0102", "宋体")}),
        category("用途", {tag("201", "标题")}),
        Id("not a category"),
        category("字体品牌", {tag("1", "文泉驿")}),
        category("字重", {tag("1", "极细"), tag("8", "特粗")}),
    });
    const auto data = foundation::Array::create({Id(english), Id(chinese)});

    const auto shown = KXFilterCategories::of(data, false);
    ASSERT_EQ(shown.size(), 4u) << "the malformed element is left out";
    EXPECT_EQ(shown[0].name, "风格");
    EXPECT_EQ(shown[0].tags->tagid(1), "0102");
    EXPECT_EQ(KXFilterCategories::atPosition(shown, 2)->name, "字体品牌") << "position 2 is whatever the service put there";
    const auto* weight = KXFilterCategories::named(shown, KXFilterCategories::kWeight);
    ASSERT_TRUE(weight);
    EXPECT_EQ(weight->tags->count(), 2u) << "the weight category by its name, not position 3";
    EXPECT_EQ(KXFilterCategories::atPosition(shown, 4), nullptr);

    EXPECT_EQ(KXFilterCategories::of(data, true)[0].name, "Style");
    EXPECT_TRUE(KXFilterCategories::of(foundation::Array::create({Id(english)}), false).empty()) << "no Chinese list";
    EXPECT_TRUE(KXFilterCategories::of(nullptr, false).empty());
    EXPECT_EQ(KXFilterCategories::named(KXFilterCategories::of(foundation::Array::create(), false), "字重"), nullptr);

    // Read by position or name from the data, a category shares its tag list; one whose tags are not
    // a tag list has none.
    const auto style = KXFilterCategories::atPosition(data, false, 0);
    ASSERT_TRUE(style);
    EXPECT_EQ(style->tags, shown[0].tags);
    EXPECT_EQ(KXFilterCategories::named(data, false, "字重")->tags->tagname(1), "特粗");
    EXPECT_FALSE(KXFilterCategories::atPosition(data, false, 4));
    const auto odd = foundation::Array::create({ Id(foundation::Array::create()),
        Id(foundation::Array::create(
            { Id(foundation::Dictionary::create({ { Id("风格"), Id("tags") } })) })) });
    ASSERT_EQ(KXFilterCategories::of(odd, false).size(), 1u);
    EXPECT_TRUE(KXFilterCategories::of(odd, false)[0].tags->empty());
}

TEST(KXFilterTagList, TagsReadFromTheReplyKeepTheirTextInOnePlace)
{
    const Id data = foundation::Array::create({
        Id(foundation::Dictionary::create(
            { { Id("tagname"), Id("黑体") }, { Id("tagid"), Id("0101") }, { Id("hot"), Id(3) } })),
        Id(4),
        Id(foundation::Dictionary::create({ { Id("tagname"), Id("Sans") }, { Id("tagid"), Id(102) } })),
        Id(foundation::Array::create(
            { Id(foundation::Dictionary::create({ { Id("tagname"), Id("nested") } })) })),
        Id(foundation::Dictionary::create({ { Id("tagid"), Id("7") } })),
    });
    const auto list = KXFilterTagList::fromReply(data);
    ASSERT_TRUE(list);
    ASSERT_EQ(list->count(), 3u) << "elements that are not tag dictionaries are left out";
    EXPECT_EQ(list->tagname(0), "黑体");
    EXPECT_EQ(list->tagid(0), "0101") << "an id keeps its text as sent";
    EXPECT_EQ(list->tagid(1), "102") << "a numeric id stands as its text";
    EXPECT_EQ(list->tagname(2), "") << "a tag without a name has an empty one";
    EXPECT_EQ(list->tagid(2), "7");
    EXPECT_EQ(list->tagids(), (std::vector<std::string> { "0101", "102", "7" }));
    EXPECT_EQ(list->tagname(3), "");
    EXPECT_FALSE(KXFilterTagList::fromReply(Id("none")));

    // Many tags cost their text and two offsets each, whatever their number.
    auto many = foundation::MutableArray::create();
    std::size_t text = 0;
    for (int i = 0; i < 24000; ++i) {
        const std::string name = "标签" + std::to_string(i);
        const std::string identifier = std::to_string(100000 + i);
        text += name.size() + identifier.size();
        many->addObject(Id(foundation::Dictionary::create(
            { { Id("tagname"), Id(name) }, { Id("tagid"), Id(identifier) } })));
    }
    const auto kept = KXFilterTagList::fromReply(Id(many));
    ASSERT_EQ(kept->count(), 24000u);
    EXPECT_EQ(kept->tagname(23999), "标签23999");
    EXPECT_LE(kept->heldBytes(), text + 24000 * 8 + 64);
}
