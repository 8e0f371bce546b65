#include "Class/Store/Core/KXStoreTexts.h"
#include "Platform/Foundation/Foundation.h"

#include <gtest/gtest.h>

using foundation::Id;

namespace {

Id offer(const Id& price, const Id& activity, const Id& year = Id("1"))
{
    auto record = foundation::MutableDictionary::create();
    record->setObject(Id("12"), Id("brand_id"));
    if (!price.isNil())
        record->setObject(price, Id("price"));
    if (!activity.isNil())
        record->setObject(activity, Id("activity_price"));
    record->setObject(year, Id("year"));
    record->setObject(Id("授权范围：网站<br/>授权期限：1年"), Id("buyinfo"));
    return Id(record);
}

KXTextAttributes font(double size)
{
    KXTextAttributes attributes;
    attributes.systemFontSize = size;
    return attributes;
}

TEST(KXStoreTextsOffer, NoPromotionShowsTheListPriceAndNothingStruck)
{
    const Id record = offer(Id(199), Id(0));
    EXPECT_FALSE(KXStoreTexts::isPromotionOn(record));
    const KXAttributedText price = KXStoreTexts::offerPrice(record);
    EXPECT_EQ(price.text, "￥199元起");
    EXPECT_EQ(price.ranges, (std::vector<KXTextRange> { { 1, 3, font(18) } }));
    EXPECT_TRUE(KXStoreTexts::offerOriginalPrice(record).empty());

    const KXAttributedText page = KXStoreTexts::pagePrice(record);
    EXPECT_EQ(page.text, "\n199元起/1年");
    ASSERT_EQ(page.ranges.size(), 2u);
    EXPECT_EQ(page.ranges[0].location, 1u);
    EXPECT_EQ(page.ranges[0].length, 3u);
    EXPECT_EQ(page.ranges[1].location, 7u);
    EXPECT_EQ(page.ranges[1].length, 1u);
    EXPECT_TRUE(KXStoreTexts::pageOriginalPrice(record).empty());
}

TEST(KXStoreTextsOffer, PromotionShowsItsPriceAndTheStruckListPrice)
{
    const Id record = offer(Id(199), Id(99));
    EXPECT_TRUE(KXStoreTexts::isPromotionOn(record));
    const KXAttributedText price = KXStoreTexts::offerPrice(record);
    EXPECT_EQ(price.text, "￥99元起");
    EXPECT_EQ(price.ranges, (std::vector<KXTextRange> { { 1, 2, font(18) } }));

    const KXAttributedText struck = KXStoreTexts::offerOriginalPrice(record);
    EXPECT_EQ(struck.text, "￥199元起");
    ASSERT_EQ(struck.ranges.size(), 1u);
    EXPECT_EQ(struck.ranges[0].location, 0u);
    EXPECT_EQ(struck.ranges[0].length, 6u);
    EXPECT_TRUE(struck.ranges[0].attributes.strikethrough);

    const KXAttributedText list = KXStoreTexts::pageOriginalPrice(record);
    EXPECT_EQ(list.text, "\n原价：199元起");
    EXPECT_EQ(list.alignment, KXAttributedText::Alignment::Right);
    EXPECT_TRUE(list.attributesAt(0).strikethrough);
    EXPECT_TRUE(list.attributesAt(8).strikethrough);
}

TEST(KXStoreTextsOffer, TermThreeYearsHighlightsTheAmountAndTheTerm)
{
    const KXAttributedText page = KXStoreTexts::pagePrice(offer(Id(199), Id(99), Id("3")));
    EXPECT_EQ(page.text, "\n99元起/3年");
    ASSERT_EQ(page.ranges.size(), 2u);
    EXPECT_EQ(std::make_pair(page.ranges[0].location, page.ranges[0].length),
        std::make_pair(std::size_t { 1 }, std::size_t { 2 }));
    EXPECT_EQ(std::make_pair(page.ranges[1].location, page.ranges[1].length),
        std::make_pair(std::size_t { 6 }, std::size_t { 1 }));
    for (const KXTextRange& range : page.ranges) {
        EXPECT_EQ(range.attributes.systemFontSize, 20);
        EXPECT_EQ(range.attributes.color, KXStoreTexts::kPagePriceRed);
    }
    // The characters between the ranges ("元起/") stay plain.
    EXPECT_FALSE(page.attributesAt(3).systemFontSize.has_value());
}

TEST(KXStoreTextsOffer, AmountsAreShownAsTheServiceWroteThem)
{
    // A number with cents and a numeric string keep their own text; a string's zeros stay.
    EXPECT_EQ(KXStoreTexts::offerPrice(offer(Id(19.9), Id(0))).text, "￥19.9元起");
    const KXAttributedText text = KXStoreTexts::offerPrice(offer(Id("19.90"), Id("0")));
    EXPECT_EQ(text.text, "￥19.90元起");
    EXPECT_EQ(text.ranges[0].length, 5u);
    // A promotion needs at least one whole yuan.
    EXPECT_FALSE(KXStoreTexts::isPromotionOn(offer(Id(199), Id(0.99))));
    EXPECT_TRUE(KXStoreTexts::isPromotionOn(offer(Id(199), Id("1.00"))));
    EXPECT_FALSE(KXStoreTexts::isPromotionOn(offer(Id(199), Id("特价"))));
    EXPECT_FALSE(KXStoreTexts::isPromotionOn(offer(Id(199), Id())));
}

TEST(KXStoreTextsOffer, NotesBreakAtEveryBreakTag)
{
    EXPECT_EQ(KXStoreTexts::purchaseNotes(offer(Id(1), Id(0))), "授权范围：网站\n授权期限：1年");
    EXPECT_EQ(KXStoreTexts::purchaseNotes(Id()), "");
}

TEST(KXStoreTextsOrder, TotalMarksTheCurrencyAndTheAmount)
{
    const KXAttributedText total = KXStoreTexts::orderTotal(Id("450.30"));
    EXPECT_EQ(total.text, "合计：￥450.30");
    ASSERT_EQ(total.ranges.size(), 2u);
    EXPECT_EQ(total.ranges[0].location, 3u);
    EXPECT_EQ(total.ranges[0].length, 7u);
    EXPECT_EQ(total.ranges[0].attributes.color, KXStoreTexts::kStoreRed);
    EXPECT_EQ(total.ranges[1].location, 4u);
    EXPECT_EQ(total.ranges[1].length, 6u);
    EXPECT_EQ(total.ranges[1].attributes.systemFontSize, 16);
    EXPECT_FALSE(total.attributesAt(2).color.has_value());

    EXPECT_EQ(KXStoreTexts::orderDiscount(Id("23.70")), "优惠：-￥23.70");
    EXPECT_EQ(KXStoreTexts::orderActivity(Id(12.5)), "活动优惠：-￥12.5");
    EXPECT_EQ(KXStoreTexts::orderVip(Id("128.00")), "VIP 优惠：-￥128.00");
    EXPECT_EQ(KXStoreTexts::orderCount(2, 6), "已选2种授权，6款字体");
}

TEST(KXStoreTextsOrder, VipLinesOnlyForAPositiveVipDiscount)
{
    auto data = [](const Id& vip) {
        return Id(foundation::Dictionary::create({ { Id("vip_price"), vip } }));
    };
    EXPECT_FALSE(KXStoreTexts::showsVipLines(data(Id(0))));
    EXPECT_FALSE(KXStoreTexts::showsVipLines(data(Id("0.00"))));
    EXPECT_FALSE(KXStoreTexts::showsVipLines(data(Id())));
    EXPECT_TRUE(KXStoreTexts::showsVipLines(data(Id(12.5))));
    EXPECT_TRUE(KXStoreTexts::showsVipLines(data(Id("0.01"))));
}

TEST(KXStoreTextsOrder, CountDownTitlesFromFiveToOne)
{
    for (long long n = 5; n >= 1; --n) {
        const KXAttributedText title = KXStoreTexts::countDownTitle(n);
        EXPECT_EQ(
            title.text, "请等待 " + std::to_string(n) + "S 将自动跳转到\n个人中心-我的订单，也可点击前往");
        EXPECT_EQ(title.alignment, KXAttributedText::Alignment::Centred);
        EXPECT_EQ(title.attributesAt(4).color, KXStoreTexts::kStoreRed);
        EXPECT_EQ(title.attributesAt(4).systemFontSize, 14);
        EXPECT_FALSE(title.attributesAt(3).color.has_value());
        EXPECT_FALSE(title.attributesAt(13).color.has_value());
        for (std::size_t i = 14; i <= 23; ++i)
            EXPECT_EQ(title.attributesAt(i).color, KXStoreTexts::kLinkBlue) << i;
        EXPECT_FALSE(title.attributesAt(24).color.has_value());
    }
    // Indexes 14 to 23 are "个人中心-我的订单，".
    const auto text = foundation::String::create(KXStoreTexts::countDownTitle(3).text);
    EXPECT_EQ(text->substringWithRange({ 14, 10 })->utf8(), "个人中心-我的订单，");
}

TEST(KXStoreTextsCart, CountAndRemovalQuestion)
{
    EXPECT_EQ(KXStoreTexts::cartCount(3), "已选3款");
    EXPECT_EQ(KXStoreTexts::cartCount(0), "已选0款");
    EXPECT_EQ(KXStoreTexts::deleteQuestion(2), "确定将这2款字体删除");
}

} // namespace
