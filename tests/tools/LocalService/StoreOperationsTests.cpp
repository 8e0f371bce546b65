#include "ServiceTestClient.h"

#include <QJsonDocument>

using servicetest::ServiceTest;
using servicetest::ids;

namespace {

class StoreOperations : public ServiceTest {
protected:
    std::vector<int64_t> fontIds(int count)
    {
        std::vector<int64_t> out;
        for (const auto& f : client().call("", {{"tag", "100"}, {"size", std::to_string(count)}}).data().value("fonts").toArray())
            out.push_back(f.toObject().value("fontid").toInteger());
        return out;
    }
    static std::string info(const std::string& bid, const std::vector<int64_t>& fonts)
    {
        std::string list;
        for (const auto id : fonts)
            list += (list.empty() ? "" : ",") + std::to_string(id);
        return "[{\"bid\":\"" + bid + "\",\"fids\":\"" + list + "\"}]";
    }
};

} // namespace

TEST_F(StoreOperations, CartKeepsOrderAndCarriesErrorcode)
{
    const std::string token = client().registerNewUser(service());
    const auto f = fontIds(3);
    auto cart = client().call("getCarts", {{"tag", "155"}}, token);
    EXPECT_EQ(cart.json.value("errorcode").toInt(-1), 0);
    EXPECT_TRUE(cart.data().value("fids").toArray().isEmpty());
    for (const auto id : {f[2], f[0], f[2]})
        EXPECT_EQ(client().call("addCarts", {{"tag", "153"}, {"fids", std::to_string(id)}}, token).errcode(), 0);
    cart = client().call("getCarts", {{"tag", "155"}}, token);
    EXPECT_EQ(ids(cart.data().value("fids").toArray()), (std::vector<int64_t>{f[2], f[0]}));
    EXPECT_EQ(client().call("delCarts", {{"tag", "154"}, {"fids", std::to_string(f[2])}}, token).errcode(), 0);
    EXPECT_EQ(ids(client().call("getCarts", {{"tag", "155"}}, token).data().value("fids").toArray()), std::vector<int64_t>{f[0]});
    EXPECT_EQ(client().call("addCarts", {{"tag", "153"}, {"fids", "abc"}}, token).errcode(), 111);
    const auto signedOut = client().call("getCarts", {{"tag", "155"}}, "expired");
    EXPECT_EQ(signedOut.json.value("errorcode").toInt(), 122) << "the cart reader must not take a refusal for an empty cart";
    EXPECT_EQ(client().call("addCarts", {{"tag", "153"}, {"fids", "999999"}}, token).message(), "字体不存在");
}

TEST_F(StoreOperations, BrandListHasCategoriesOffersAndTheSalesNote)
{
    const auto reply = client().call("getAllBrand", {{"tag", "164"}});
    EXPECT_EQ(reply.json.value("errorcode").toInt(-1), 0);
    const QJsonArray categories = reply.data().value("auth_data").toArray();
    ASSERT_GE(categories.size(), 2);
    EXPECT_FALSE(reply.data().value("sell_info").toString().isEmpty());
    for (const auto& c : categories) {
        EXPECT_TRUE(c.toObject().value("img_url").isString());
        EXPECT_TRUE(c.toObject().value("auth_name").isString());
        for (const auto& o : c.toObject().value("brand_data").toArray()) {
            const QJsonObject offer = o.toObject();
            EXPECT_TRUE(offer.value("brand_id").isString());
            for (const char* key : {"brand_name", "auth_scope", "price", "activity_price", "year", "buyinfo", "img_url"})
                EXPECT_TRUE(offer.contains(key)) << key;
        }
    }
    const QString authId = categories[1].toObject().value("auth_id").toString();
    const auto offers = client().call("getBrand", {{"tag", "157"}, {"auth_id", authId.toStdString()}});
    EXPECT_EQ(offers.json.value("errorcode").toInt(-1), 0);
    EXPECT_EQ(offers.data().value("brand_data"), categories[1].toObject().value("brand_data"));
    EXPECT_EQ(client().call("getBrand", {{"tag", "157"}, {"auth_id", "77"}}).json.value("errorcode").toInt(), 1);
    EXPECT_EQ(client().call("getAuth", {{"tag", "156"}}).data().value("auth_data").toArray().size(), categories.size());
}

TEST_F(StoreOperations, PriceAppliesPromotionQuantityAndVipDiscounts)
{
    const auto f = fontIds(3);
    const std::string plain = client().registerNewUser(service());
    // Offer 12 lists 198 with a promotion at 158; three fonts earn 5 % off.
    auto price = client().call("getPrice", {{"tag", "158"}, {"fids", ""}, {"brand_id", ""}, {"info", info("12", f)}}, plain).data();
    EXPECT_EQ(price.value("activity_price").toString(), "120.00");
    EXPECT_EQ(price.value("favorable_price").toString(), "23.70");
    EXPECT_EQ(price.value("vip_price").toString(), "0.00");
    EXPECT_EQ(price.value("price").toString(), "450.30");

    const std::string vip = client().signIn("demo", "demo1234");
    price = client().call("getPrice", {{"tag", "158"}, {"info", info("21", {f[0]})}}, vip).data();
    EXPECT_EQ(price.value("vip_price").toString(), "128.00");
    EXPECT_EQ(price.value("price").toString(), "1152.00");

    EXPECT_EQ(client().call("getPrice", {{"tag", "158"}, {"info", "[{\"bid\":\"99\",\"fids\":\"1\"}]"}}, plain).errcode(), 111);
    EXPECT_EQ(client().call("getPrice", {{"tag", "158"}, {"info", "not json"}}, plain).errcode(), 111);
}

TEST_F(StoreOperations, AmountsWithCentsAndAsTextAreSummedInWholeFen)
{
    const auto categories = client().call("getAllBrand", {{"tag", "164"}}).data().value("auth_data").toArray();
    QJsonObject cents, text;
    for (const auto& c : categories)
        for (const auto& o : c.toObject().value("brand_data").toArray()) {
            if (o.toObject().value("brand_id") == "13")
                cents = o.toObject();
            if (o.toObject().value("brand_id") == "33")
                text = o.toObject();
        }
    EXPECT_TRUE(cents.value("price").isDouble());
    EXPECT_DOUBLE_EQ(cents.value("price").toDouble(), 19.9);
    EXPECT_EQ(text.value("price"), QJsonValue("19.90"));
    EXPECT_EQ(text.value("activity_price"), QJsonValue("9.90"));

    const auto f = fontIds(3);
    const std::string plain = client().registerNewUser(service());
    // 3 x 19.90 = 59.70; 5 % of it is 2.985, which rounds to 2.99 in fen (2.98 in binary).
    auto price = client().call("getPrice", {{"tag", "158"}, {"info", info("13", f)}}, plain).data();
    EXPECT_EQ(price.value("original_price").toString(), "59.70");
    EXPECT_EQ(price.value("favorable_price").toString(), "2.99");
    EXPECT_EQ(price.value("price").toString(), "56.71");
    price = client().call("getPrice", {{"tag", "158"}, {"info", info("33", {f[0]})}}, plain).data();
    EXPECT_EQ(price.value("activity_price").toString(), "10.00");
    EXPECT_EQ(price.value("price").toString(), "9.90");
}

TEST_F(StoreOperations, AdminCartPutsAnyIdsInAUsersCart)
{
    const auto f = fontIds(1);
    auto answer = client().post("__admin/cart", "user=designer&fids=999999," + std::to_string(f[0]));
    EXPECT_EQ(answer.status, 200) << answer.body;
    const std::string token = client().signIn("designer", "designer123");
    EXPECT_EQ(ids(client().call("getCarts", {{"tag", "155"}}, token).data().value("fids").toArray()),
              (std::vector<int64_t>{999999, f[0]}));
    EXPECT_TRUE(service().setCart("designer", {f[0]}));
    EXPECT_EQ(ids(client().call("getCarts", {{"tag", "155"}}, token).data().value("fids").toArray()), std::vector<int64_t>{f[0]});
    EXPECT_EQ(client().post("__admin/cart", "user=nobody&fids=1").status, 400);
    EXPECT_EQ(client().post("__admin/cart", "user=designer&fids=x").status, 400);
    EXPECT_TRUE(service().setCart("designer", {}));
}

TEST_F(StoreOperations, OrderEmptiesTheCartAndCountsAsUnpaidUntilPaid)
{
    const auto f = fontIds(2);
    const std::string token = client().registerNewUser(service());
    client().call("addCarts", {{"tag", "153"}, {"fids", std::to_string(f[0])}}, token);
    EXPECT_EQ(client().call("getUnpaid", {{"tag", "160"}}, token).data().value("num").toInt(), 0);

    const auto order = client().call("subOrder", {{"tag", "159"}, {"fids", ""}, {"brand_id", ""}, {"info", info("12", {f[0]})}}, token);
    ASSERT_EQ(order.errcode(), 0) << order.body;
    EXPECT_EQ(order.data().value("carts_error").toInt(), 0);
    const std::string jump = order.data().value("jump_url").toString().toStdString();
    ASSERT_EQ(jump.rfind(service().baseUrl() + "pages/pay?order=", 0), 0u);
    EXPECT_TRUE(client().call("getCarts", {{"tag", "155"}}, token).data().value("fids").toArray().isEmpty());
    EXPECT_EQ(client().call("getUnpaid", {{"tag", "160"}}, token).data().value("num").toInt(), 1);

    const auto outside = client().call("subOrder", {{"tag", "159"}, {"info", info("12", {f[1]})}}, token);
    EXPECT_EQ(outside.data().value("carts_error").toInt(), 1) << "a font that was not in the cart";

    client().get(jump.substr(service().baseUrl().size() - 1) + "&paid=1");
    EXPECT_EQ(client().call("getUnpaid", {{"tag", "160"}}, token).data().value("num").toInt(), 1);
    service().controls().setUnpaidOverride(9999);
    EXPECT_EQ(client().call("getUnpaid", {{"tag", "160"}}, token).data().value("num").toInt(), 9999);
    service().controls().setUnpaidOverride(std::nullopt);
    EXPECT_EQ(client().call("subOrder", {{"tag", "159"}, {"info", "[]"}}, token).errcode(), 111);
    EXPECT_EQ(client().call("clickOrder", {{"tag", "161"}}, token).errcode(), 0);
}

// What a walk by hand counts after each road: the user's orders, those a "carts_error" answered too.
TEST_F(StoreOperations, AdminOrdersListsAUsersOrdersOldestFirst)
{
    const auto f = fontIds(2);
    const std::string token = client().signIn("designer", "designer123");
    const auto before = client().get("/__admin/orders?user=designer").json;
    const auto already = before.value("orders").toArray().size();
    ASSERT_TRUE(service().setCart("designer", { f[0] }));
    client().call("subOrder", { { "tag", "159" }, { "info", info("12", { f[0] }) } }, token);
    client().call("subOrder", { { "tag", "159" }, { "info", info("12", { f[1] }) } }, token);
    const auto answer = client().get("/__admin/orders?user=designer");
    ASSERT_EQ(answer.status, 200) << answer.body;
    const auto orders = answer.json.value("orders").toArray();
    ASSERT_EQ(orders.size(), already + 2);
    EXPECT_EQ(orders[already].toObject().value("info").toString().toStdString(), info("12", { f[0] }));
    EXPECT_EQ(orders[already + 1].toObject().value("info").toString().toStdString(), info("12", { f[1] }))
        << "made despite carts_error";
    EXPECT_FALSE(orders[already + 1].toObject().value("paid").toBool());
    EXPECT_LT(orders[already].toObject().value("id").toInteger(),
        orders[already + 1].toObject().value("id").toInteger());
    EXPECT_EQ(client().get("/__admin/orders?user=nobody").status, 400);
}

TEST_F(StoreOperations, PaidOrdersShowAsBoughtFonts)
{
    const auto f = fontIds(1);
    const std::string token = client().registerNewUser(service());
    EXPECT_TRUE(client().call("", {{"tag", "101"}}, token).data().value("fonts").toArray().isEmpty());
    const auto order = client().call("subOrder", {{"tag", "159"}, {"info", info("11", f)}}, token);
    const std::string jump = order.data().value("jump_url").toString().toStdString();
    client().get(jump.substr(service().baseUrl().size() - 1) + "&paid=1");
    const QJsonArray bought = client().call("", {{"tag", "101"}}, token).data().value("fonts").toArray();
    ASSERT_EQ(bought.size(), 1);
    EXPECT_EQ(bought[0].toObject().value("fontid").toInteger(), f[0]);
}
