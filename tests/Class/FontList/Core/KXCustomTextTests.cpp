#include "Class/FontList/Core/KXCustomText.h"
#include "Platform/Foundation/Foundation.h"

#include <gtest/gtest.h>

using foundation::Id;
using Slice = KXCustomText::Slice;

namespace {

foundation::Ref<foundation::MutableArray> rows(int count)
{
    auto array = foundation::MutableArray::create();
    for (int n = 0; n < count; ++n) {
        auto record = std::make_shared<KXFontBaseModel>();
        record->fontid = 1000 + n;
        array->addObject(Id(record));
    }
    return array;
}

} // namespace

TEST(KXCustomText, TheFieldTurnsControlsIntoSpacesAndStopsAt64Units)
{
    EXPECT_EQ(KXCustomText::fieldText(u"a\nb\r\tc\u0085d\u2028e\x7f"), u"a b  c d e ");
    const std::u16string long70(70, u'字');
    EXPECT_EQ(KXCustomText::fieldText(long70), std::u16string(64, u'字'));
    // An astral character across the limit is left out whole.
    std::u16string astral = std::u16string(63, u'a') + u"\U0001F600" + u"b";
    EXPECT_EQ(KXCustomText::fieldText(astral), std::u16string(63, u'a'));
    EXPECT_EQ(KXCustomText::fieldText(u""), u"");
}

TEST(KXCustomText, EnterCutsToSixUnitsNeverInsideAPair)
{
    EXPECT_EQ(KXCustomText::enterText(u"12345678"), u"123456");
    EXPECT_EQ(KXCustomText::enterText(u"永和九年岁在"), u"永和九年岁在")
        << "six units are handed over unchanged";
    EXPECT_EQ(KXCustomText::enterText(u"12345"), u"12345");
    // U+20000 takes two units: the sixth unit would be its first half.
    EXPECT_EQ(KXCustomText::enterText(u"12345\U00020000x"), u"12345");
    EXPECT_EQ(KXCustomText::enterText(u"1234\U00020000x"), u"1234\U00020000");
}

TEST(KXCustomText, TheSliceStartsFortyRowsAboveTheFirstVisibleOne)
{
    EXPECT_EQ(KXCustomText::sliceAround(25, 320), (Slice { 0, 100 }));
    EXPECT_EQ(KXCustomText::sliceAround(40, 320), (Slice { 0, 100 }));
    EXPECT_EQ(KXCustomText::sliceAround(41, 320), (Slice { 1, 100 }));
    EXPECT_EQ(KXCustomText::sliceAround(300, 320), (Slice { 260, 60 })) << "rows 260 to 319";
    EXPECT_EQ(KXCustomText::sliceAround(120, 220), (Slice { 80, 100 }))
        << "80 + 100 is not less than 220: the rest";
    EXPECT_EQ(KXCustomText::sliceAround(0, 7), (Slice { 0, 7 }));
    EXPECT_EQ(KXCustomText::sliceAround(-1, 0), (Slice { 0, 0 })) << "no rows, nothing asked";
    EXPECT_EQ(KXCustomText::sliceAround(-1, 5), (Slice { 0, 5 })) << "no row at the top of the viewport";
}

TEST(KXCustomText, TheIdsTextNamesTheSlicesRecordsInRowOrder)
{
    const auto all = rows(320);
    const auto records = KXCustomText::sliceRecords(*all, KXCustomText::sliceAround(300, 320));
    ASSERT_EQ(records.size(), 60u);
    EXPECT_EQ(records.front()->fontid, 1260);
    EXPECT_EQ(records.back()->fontid, 1319);
    const auto three = KXCustomText::sliceRecords(*rows(3), Slice { 0, 3 });
    EXPECT_EQ(KXCustomText::idsText(three), "1000,1001,1002");
    EXPECT_EQ(KXCustomText::idsText({}), "");
}

TEST(KXCustomText, RepliesMatchByFontIdAsNumberOrTextAndTheFirstEntryWins)
{
    const auto entry = [](Id fontid, const char* day, const char* night) {
        return Id(foundation::Dictionary::create(
            { { Id("fontid"), fontid }, { Id("image"), Id(day) }, { Id("night_image"), Id(night) } }));
    };
    const Id lists(foundation::Array::create({
        entry(Id(7), "d7", "n7"),
        entry(Id("9"), "d9", "n9"),
        entry(Id(7), "later7", "later7n"),
        Id("not a dictionary"),
        Id(foundation::Dictionary::create({ { Id("fontid"), Id(8) } })),
        entry(Id(foundation::Array::create()), "odd", "odd"),
    }));
    const auto matches = KXCustomText::match(lists, { 9, 7, 5, 8 });
    ASSERT_EQ(matches.size(), 4u);
    ASSERT_TRUE(matches[0]);
    EXPECT_EQ(matches[0]->image->utf8(), "d9");
    EXPECT_EQ(matches[0]->nightImage->utf8(), "n9");
    ASSERT_TRUE(matches[1]);
    EXPECT_EQ(matches[1]->image->utf8(), "d7") << "the first entry for an id wins";
    EXPECT_FALSE(matches[2]) << "an id the reply lacks keeps its preview";
    ASSERT_TRUE(matches[3]) << "an entry without addresses still matches";
    EXPECT_FALSE(matches[3]->image);

    EXPECT_FALSE(KXCustomText::match(Id("lists"), { 7 })[0]) << "no array, no match";
    EXPECT_FALSE(KXCustomText::match(Id(), { 7 })[0]);
}

TEST(KXCustomText, OnlyVersionsUpTo1012ReloadTheWholeTable)
{
    EXPECT_TRUE(KXCustomText::reloadsWholeTable("10.12.6"));
    EXPECT_TRUE(KXCustomText::reloadsWholeTable("10.11"));
    EXPECT_FALSE(KXCustomText::reloadsWholeTable("10.13.6"));
    EXPECT_FALSE(KXCustomText::reloadsWholeTable("12")) << "Debian's VERSION_ID";
    EXPECT_FALSE(KXCustomText::reloadsWholeTable("")) << "nothing recorded";
    EXPECT_FALSE(KXCustomText::reloadsWholeTable("bookworm"));
}
