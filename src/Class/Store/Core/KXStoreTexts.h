#pragma once

#include "Class/Store/Core/KXAttributedText.h"
#include "Platform/Foundation/Object.h"

#include <cstddef>
#include <string>

// The store's texts and their attributes, built from the service's records as the pages show
// them. Amounts are written with "%@" exactly as they came (a string unchanged, a number through
// "%.16g"); whether a promotion is on is decided on whole fen (KXMoney).
class KXStoreTexts {
public:
    static constexpr KXColor kStoreRed = KXColor::rgb255(238, 84, 84);
    static constexpr KXColor kPagePriceRed = KXColor::rgb255(208, 48, 48);
    static constexpr KXColor kLinkBlue = KXColor::rgb255(49, 123, 255);

    // An offer's promotion is on when its "activity_price" is at least 1 yuan (100 fen); a
    // missing price or text that is not an amount counts as 0.
    static bool isPromotionOn(const foundation::Id& offer);

    // The pop-up and the two-level browser's row: "￥%@元起" with the promotional price when the
    // promotion is on, else the list price, the amount (from index 1) in the 18-point system font.
    static KXAttributedText offerPrice(const foundation::Id& offer);
    // "￥%@元起" with the list price, struck through over its whole length; empty when the
    // promotion is off.
    static KXAttributedText offerOriginalPrice(const foundation::Id& offer);

    // The offer page's "\n%@元起/%@年": the amount (from index 1) and the term (from index
    // amount length + 4) in the 20-point system font and the page's price red.
    static KXAttributedText pagePrice(const foundation::Id& offer);
    // "\n原价：%@元起" with the list price, struck through and right-aligned; empty when the
    // promotion is off.
    static KXAttributedText pageOriginalPrice(const foundation::Id& offer);
    // "buyinfo" with every "<br/>" made a line break.
    static std::string purchaseNotes(const foundation::Id& offer);

    // The order page's totals. "合计：￥%@": store red from the "￥" to the end of the amount,
    // the amount itself in the 16-point system font.
    static KXAttributedText orderTotal(const foundation::Id& price);
    static std::string orderDiscount(const foundation::Id& favorablePrice); // "优惠：-￥%@"
    static std::string orderActivity(const foundation::Id& activityPrice); // "活动优惠：-￥%@"
    static std::string orderVip(const foundation::Id& vipPrice); // "VIP 优惠：-￥%@"
    static std::string orderCount(std::size_t offers, std::size_t fonts); // "已选%zd种授权，%zd款字体"
    // The texts of an empty choice.
    static KXAttributedText zeroOrderTotal();
    static std::string zeroOrderDiscount();
    static std::string zeroOrderActivity();
    static std::string zeroOrderVip();
    // The texts of a choice whose price no reply has given: "合计：--", "优惠：--", ...
    static KXAttributedText unknownOrderTotal();
    static std::string unknownOrderDiscount();
    static std::string unknownOrderActivity();
    static std::string unknownOrderVip();
    // Whether a price reply shows the activity and VIP lines: its "vip_price" above 0 fen.
    static bool showsVipLines(const foundation::Id& priceData);

    // The wait panel's see-order title for `seconds` left: the digit (index 4) in store red and
    // the 14-point system font, "个人中心-我的订单，" (indexes 14 to 23) in link blue, centred.
    static KXAttributedText countDownTitle(long long seconds);

    // The cart's count and the removal question.
    static std::string cartCount(std::size_t ticked); // "已选%zd款"
    static std::string deleteQuestion(std::size_t ticked); // "确定将这%@款字体删除" with "%zd"
};
