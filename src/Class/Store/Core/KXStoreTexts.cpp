#include "Class/Store/Core/KXStoreTexts.h"

#include "Class/Store/Core/KXMoney.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/String.h"

using foundation::Id;

namespace {

// UTF-16 length of a UTF-8 text.
std::size_t units(const std::string& text)
{
    return foundation::String::create(text)->length();
}

// The text an amount is written with by "%@".
std::string amountText(const Id& amount)
{
    return foundation::format("%@", amount);
}

KXTextAttributes fontOf(double size)
{
    KXTextAttributes attributes;
    attributes.systemFontSize = size;
    return attributes;
}

KXAttributedText struck(std::string text)
{
    KXAttributedText result;
    KXTextAttributes attributes;
    attributes.strikethrough = true;
    result.ranges.push_back({ 0, units(text), attributes });
    result.text = std::move(text);
    return result;
}

} // namespace

bool KXStoreTexts::isPromotionOn(const Id& offer)
{
    return KXMoney::fen(offer["activity_price"]) >= 100;
}

KXAttributedText KXStoreTexts::offerPrice(const Id& offer)
{
    const std::string shown = amountText(isPromotionOn(offer) ? offer["activity_price"] : offer["price"]);
    KXAttributedText result;
    result.text = foundation::format("￥%@元起", Id(shown));
    result.ranges.push_back({ 1, units(shown), fontOf(18) });
    return result;
}

KXAttributedText KXStoreTexts::offerOriginalPrice(const Id& offer)
{
    if (!isPromotionOn(offer))
        return {};
    return struck(foundation::format("￥%@元起", offer["price"]));
}

KXAttributedText KXStoreTexts::pagePrice(const Id& offer)
{
    const Id amount = isPromotionOn(offer) ? offer["activity_price"] : offer["price"];
    const std::size_t n = units(amountText(amount));
    const std::size_t yearLength = units(amountText(offer["year"]));
    KXAttributedText result;
    result.text = foundation::format("\n%@元起/%@年", amount, offer["year"]);
    KXTextAttributes highlight = fontOf(20);
    highlight.color = kPagePriceRed;
    result.ranges.push_back({ 1, n, highlight });
    result.ranges.push_back({ n + 4, yearLength, highlight });
    return result;
}

KXAttributedText KXStoreTexts::pageOriginalPrice(const Id& offer)
{
    if (!isPromotionOn(offer))
        return {};
    KXAttributedText result = struck(foundation::format("\n原价：%@元起", offer["price"]));
    result.alignment = KXAttributedText::Alignment::Right;
    return result;
}

std::string KXStoreTexts::purchaseNotes(const Id& offer)
{
    const auto notes = offer["buyinfo"].string();
    if (!notes)
        return {};
    return notes->stringByReplacingOccurrencesOfString("<br/>", "\n")->utf8();
}

KXAttributedText KXStoreTexts::orderTotal(const Id& price)
{
    const std::size_t n = units(amountText(price));
    KXAttributedText result;
    result.text = foundation::format("合计：￥%@", price);
    KXTextAttributes red;
    red.color = kStoreRed;
    result.ranges.push_back({ 3, n + 1, red });
    result.ranges.push_back({ 4, n, fontOf(16) });
    return result;
}

std::string KXStoreTexts::orderDiscount(const Id& favorablePrice)
{
    return foundation::format("优惠：-￥%@", favorablePrice);
}

std::string KXStoreTexts::orderActivity(const Id& activityPrice)
{
    return foundation::format("活动优惠：-￥%@", activityPrice);
}

std::string KXStoreTexts::orderVip(const Id& vipPrice)
{
    return foundation::format("VIP 优惠：-￥%@", vipPrice);
}

std::string KXStoreTexts::orderCount(std::size_t offers, std::size_t fonts)
{
    return foundation::format("已选%zd种授权，%zd款字体", offers, fonts);
}

KXAttributedText KXStoreTexts::zeroOrderTotal()
{
    KXAttributedText result;
    result.text = "合计：￥0";
    return result;
}

std::string KXStoreTexts::zeroOrderDiscount()
{
    return "优惠：-￥0";
}

std::string KXStoreTexts::zeroOrderActivity()
{
    return "活动优惠：-￥0";
}

std::string KXStoreTexts::zeroOrderVip()
{
    return "VIP 优惠：-￥0";
}

KXAttributedText KXStoreTexts::unknownOrderTotal()
{
    KXAttributedText result;
    result.text = "合计：--";
    return result;
}

std::string KXStoreTexts::unknownOrderDiscount()
{
    return "优惠：--";
}

std::string KXStoreTexts::unknownOrderActivity()
{
    return "活动优惠：--";
}

std::string KXStoreTexts::unknownOrderVip()
{
    return "VIP 优惠：--";
}

bool KXStoreTexts::showsVipLines(const Id& priceData)
{
    return KXMoney::fen(priceData["vip_price"]) > 0;
}

KXAttributedText KXStoreTexts::countDownTitle(long long seconds)
{
    KXAttributedText result;
    result.text = foundation::format("请等待 %zdS 将自动跳转到\n个人中心-我的订单，也可点击前往", seconds);
    result.alignment = KXAttributedText::Alignment::Centred;
    KXTextAttributes digit = fontOf(14);
    digit.color = kStoreRed;
    result.ranges.push_back({ 4, 1, digit });
    KXTextAttributes link;
    link.color = kLinkBlue;
    result.ranges.push_back({ 14, 10, link });
    return result;
}

std::string KXStoreTexts::cartCount(std::size_t ticked)
{
    return foundation::format("已选%zd款", ticked);
}

std::string KXStoreTexts::deleteQuestion(std::size_t ticked)
{
    return foundation::format("确定将这%@款字体删除", Id(foundation::format("%zd", ticked)));
}
