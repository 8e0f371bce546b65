// The licence store: cart, offers, prices, orders.
#include "local-service/CatalogueIndex.h"
#include "local-service/OperationTable.h"
#include "local-service/ServiceControls.h"
#include "local-service/StateDatabase.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>
#include <cstdio>

namespace localservice {

namespace {

// Amounts are kept in fen (hundredths of a yuan) and summed as integers.
struct Offer {
    const char* brandId;
    const char* name;
    const char* scope;
    long long price;         // fen
    long long activityPrice; // fen; at least 100 (one yuan): a promotion is on
    const char* year;
    bool pricesAsText = false; // "price" and "activity_price" served as numeric strings
};

struct AuthCategory {
    int authId;
    const char* name;
    std::vector<Offer> offers;
};

const std::vector<AuthCategory>& categories()
{
    // Offer 13 is priced with cents (a JSON number such as 19.9), offer 33 with numeric strings.
    static const std::vector<AuthCategory> list = {
        {1, "个人授权", {{"11", "个人非商用", "个人学习、非商业展示", 0, 0, "永久"},
                         {"12", "个人商用", "个人自媒体、个人网店", 19800, 15800, "1"},
                         {"13", "个人小微", "个人网店单店铺", 1990, 0, "1"}}},
        {2, "企业授权", {{"21", "企业标准", "企业宣传品、办公文档、网站", 128000, 0, "1"},
                         {"22", "企业高级", "企业标识、产品包装、出版物", 398000, 358000, "3"}}},
        {3, "媒体授权", {{"31", "新媒体", "公众号、短视频、直播", 68000, 0, "1"},
                         {"32", "影视", "影视剧、广告片", 580000, 0, "永久"},
                         {"33", "短视频单条", "单条短视频", 1990, 990, "1", true}}},
    };
    return list;
}

const Offer* findOffer(const std::string& brandId)
{
    for (const auto& c : categories())
        for (const auto& o : c.offers)
            if (brandId == o.brandId)
                return &o;
    return nullptr;
}

// "12.30" for 1230 fen; never below zero.
std::string money(long long fen)
{
    fen = std::max(fen, 0LL);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%lld.%02lld", fen / 100, fen % 100);
    return buf;
}

// An offer's amount as served: whole yuan as an integer, other amounts as a number with cents,
// or the amount's text ("19.90") for the offers priced in text.
QJsonValue amountJson(long long fen, bool asText)
{
    if (asText)
        return qs(money(fen));
    if (fen % 100 == 0)
        return static_cast<qint64>(fen / 100);
    return static_cast<double>(fen) / 100.0;
}

QJsonObject offerJson(const OperationContext& ctx, const Offer& o, int index)
{
    QJsonObject j;
    j["brand_id"] = o.brandId;
    j["brand_name"] = qs(o.name);
    j["auth_scope"] = qs(o.scope);
    j["price"] = amountJson(o.price, o.pricesAsText);
    j["activity_price"] = amountJson(o.activityPrice, o.pricesAsText);
    j["year"] = qs(o.year);
    j["buyinfo"] = qs(std::string("授权范围：") + o.scope + "<br/>授权期限：" + o.year +
                     (std::string(o.year) == "永久" ? "" : "年") + "<br/>发票：支持电子发票");
    j["img_url"] = qs(ctx.baseUrl + "files/covers/cover_" + std::to_string(1 + index % 8) + ".png");
    return j;
}

QJsonObject categoryJson(const OperationContext& ctx, const AuthCategory& c, bool withOffers)
{
    QJsonObject j;
    j["auth_id"] = QString::number(c.authId);
    j["auth_name"] = qs(c.name);
    j["img_url"] = qs(ctx.baseUrl + "files/covers/cover_" + std::to_string(c.authId) + ".png");
    if (withOffers) {
        QJsonArray offers;
        int index = 0;
        for (const auto& o : c.offers)
            offers.append(offerJson(ctx, o, c.authId * 2 + index++));
        j["brand_data"] = offers;
    }
    return j;
}

Reply listReply(QJsonObject data)
{
    Reply reply = Reply::ok(std::move(data));
    reply.mirrorErrorcode = true;
    return reply;
}

std::vector<int64_t> cart(OperationContext& ctx)
{
    std::vector<int64_t> ids;
    for (const auto& r : ctx.db.query("SELECT fontid FROM carts WHERE user_id = ? ORDER BY position, rowid", {*ctx.userId}))
        ids.push_back(StateDatabase::integer(r[0]));
    return ids;
}

Reply getCarts(OperationContext& ctx)
{
    QJsonObject data;
    data["fids"] = idArray(cart(ctx));
    return listReply(data);
}

Reply addCarts(OperationContext& ctx)
{
    const auto ids = parseIdList(ctx.param("fids"));
    if (!ids || ids->empty())
        return Reply::badParameter("fids");
    for (const auto id : *ids) {
        if (!ctx.catalogue.contains(id))
            return Reply::failed(errcode::kFailed, "字体不存在");
        ctx.db.exec("INSERT OR IGNORE INTO carts (user_id, fontid, position) VALUES (?, ?,"
                    " (SELECT coalesce(max(position), 0) + 1 FROM carts WHERE user_id = ?))",
                    {*ctx.userId, id, *ctx.userId});
    }
    QJsonObject data;
    data["fids"] = idArray(cart(ctx));
    return Reply::ok(data);
}

Reply delCarts(OperationContext& ctx)
{
    const auto ids = parseIdList(ctx.param("fids"));
    if (!ids || ids->empty())
        return Reply::badParameter("fids");
    for (const auto id : *ids)
        ctx.db.exec("DELETE FROM carts WHERE user_id = ? AND fontid = ?", {*ctx.userId, id});
    QJsonObject data;
    data["fids"] = idArray(cart(ctx));
    return Reply::ok(data);
}

Reply getAuth(OperationContext& ctx)
{
    QJsonArray list;
    for (const auto& c : categories())
        list.append(categoryJson(ctx, c, false));
    QJsonObject data;
    data["auth_data"] = list;
    return listReply(data);
}

Reply getBrand(OperationContext& ctx)
{
    const auto id = ctx.integer("auth_id");
    for (const auto& c : categories())
        if (id && c.authId == *id) {
            QJsonObject data;
            data["brand_data"] = categoryJson(ctx, c, true).value("brand_data");
            return listReply(data);
        }
    Reply reply = Reply::failed(errcode::kFailed, "授权类型不存在");
    reply.mirrorErrorcode = true;
    return reply;
}

Reply getAllBrand(OperationContext& ctx)
{
    QJsonArray list;
    for (const auto& c : categories())
        list.append(categoryJson(ctx, c, true));
    QJsonObject data;
    data["auth_data"] = list;
    data["sell_info"] = qs(ctx.db.setting("sell_info", "本地服务演示：价格仅供测试，不产生实际交易。"));
    return listReply(data);
}

struct Selection {
    std::vector<std::pair<const Offer*, std::vector<int64_t>>> entries;
    size_t fontCount = 0;
};

// The selection text [{"bid": "7", "fids": "101,102"}, ...]; nullopt when it is malformed or
// names an unknown offer or font.
std::optional<Selection> parseSelection(OperationContext& ctx)
{
    QJsonParseError error{};
    const auto doc = QJsonDocument::fromJson(QByteArray::fromStdString(ctx.param("info")), &error);
    if (error.error != QJsonParseError::NoError || !doc.isArray())
        return std::nullopt;
    Selection selection;
    for (const auto& item : doc.array()) {
        const QJsonObject entry = item.toObject();
        const QJsonValue bid = entry.value("bid");
        const Offer* offer = findOffer(bid.isString() ? bid.toString().toStdString()
                                                      : std::to_string(bid.toVariant().toLongLong()));
        const auto fids = parseIdList(entry.value("fids").toString().toStdString());
        if (!offer || !fids || fids->empty())
            return std::nullopt;
        for (const auto id : *fids)
            if (!ctx.catalogue.contains(id))
                return std::nullopt;
        selection.fontCount += fids->size();
        selection.entries.emplace_back(offer, *fids);
    }
    return selection;
}

struct Price {
    long long original = 0, activity = 0, favorable = 0, vip = 0; // fen
    long long total() const { return original - activity - favorable - vip; }
};

// A percentage of an amount in fen, rounded half up to whole fen.
long long percentOf(long long fen, long long percent)
{
    return (std::max(fen, 0LL) * percent + 50) / 100;
}

Price priceOf(OperationContext& ctx, const Selection& selection)
{
    Price p;
    for (const auto& [offer, fids] : selection.entries) {
        const auto count = static_cast<long long>(fids.size());
        p.original += offer->price * count;
        if (offer->activityPrice >= 100)
            p.activity += (offer->price - offer->activityPrice) * count;
    }
    if (selection.fontCount >= 3)
        p.favorable = percentOf(p.original - p.activity, 5);
    const auto vip = ctx.db.query("SELECT vip_type FROM users WHERE id = ?", {*ctx.userId});
    if (!vip.empty() && !StateDatabase::text(vip[0][0]).empty())
        p.vip = percentOf(p.original - p.activity - p.favorable, 10);
    return p;
}

Reply getPrice(OperationContext& ctx)
{
    const auto selection = parseSelection(ctx);
    if (!selection)
        return Reply::badParameter("info");
    const Price p = priceOf(ctx, *selection);
    QJsonObject data;
    data["price"] = qs(money(p.total()));
    data["original_price"] = qs(money(p.original));
    data["favorable_price"] = qs(money(p.favorable));
    data["activity_price"] = qs(money(p.activity));
    data["vip_price"] = qs(money(p.vip));
    return Reply::ok(data);
}

Reply subOrder(OperationContext& ctx)
{
    const auto selection = parseSelection(ctx);
    if (!selection || selection->entries.empty())
        return Reply::badParameter("info");
    const auto inCart = cart(ctx);
    bool outsideCart = false;
    for (const auto& [offer, fids] : selection->entries)
        for (const auto id : fids)
            outsideCart = outsideCart || std::find(inCart.begin(), inCart.end(), id) == inCart.end();
    const Price p = priceOf(ctx, *selection);
    ctx.db.exec("INSERT INTO orders (user_id, info, price, created) VALUES (?, ?, ?, ?)",
                {*ctx.userId, ctx.param("info"), money(p.total()), ctx.now});
    const int64_t order = ctx.db.lastInsertId();
    for (const auto& [offer, fids] : selection->entries)
        for (const auto id : fids)
            ctx.db.exec("DELETE FROM carts WHERE user_id = ? AND fontid = ?", {*ctx.userId, id});
    QJsonObject data;
    // Fonts that were not in the cart are a problem the user confirms before paying.
    data["carts_error"] = outsideCart ? 1 : 0;
    data["order_id"] = static_cast<qint64>(order);
    data["price"] = qs(money(p.total()));
    data["jump_url"] = qs(ctx.baseUrl + "pages/pay?order=" + std::to_string(order));
    return Reply::ok(data);
}

Reply unpaid(OperationContext& ctx)
{
    QJsonObject data;
    if (const auto override = ctx.controls.unpaidOverride())
        data["num"] = *override;
    else
        data["num"] = static_cast<qint64>(StateDatabase::integer(
            ctx.db.query("SELECT count(*) FROM orders WHERE user_id = ? AND paid = 0", {*ctx.userId})[0][0]));
    return Reply::ok(data);
}

Reply clickOrder(OperationContext& ctx)
{
    QJsonObject data;
    data["my_order"] = qs(ctx.baseUrl + "pages/orders?uid=" + std::to_string(*ctx.userId));
    return Reply::ok(data);
}

} // namespace

bool replaceCart(StateDatabase& db, const std::string& user, const std::vector<int64_t>& fontids)
{
    const auto rows = db.query("SELECT id FROM users WHERE name = ? OR phone = ? ORDER BY id LIMIT 1", {user, user});
    if (rows.empty())
        return false;
    const int64_t userId = StateDatabase::integer(rows[0][0]);
    db.exec("DELETE FROM carts WHERE user_id = ?", {userId});
    int64_t position = 1;
    for (const auto id : fontids)
        db.exec("INSERT OR IGNORE INTO carts (user_id, fontid, position) VALUES (?, ?, ?)", {userId, id, position++});
    return true;
}

void addStoreOperations(std::vector<Operation>& ops)
{
    ops.push_back({"addCarts", "addCarts", "153", true, nullptr, addCarts, kChangesAccount});
    ops.push_back({"delCarts", "delCarts", "154", true, nullptr, delCarts, kChangesAccount});
    ops.push_back({"getCarts", "getCarts", "155", true, nullptr, getCarts});
    ops.push_back({"getAuth", "getAuth", "156", false, nullptr, getAuth});
    ops.push_back({"getBrand", "getBrand", "157", false, nullptr, getBrand});
    ops.push_back({"getPrice", "getPrice", "158", true, nullptr, getPrice});
    ops.push_back({"subOrder", "subOrder", "159", true, nullptr, subOrder, kChangesAccount});
    ops.push_back({"getUnpaid", "getUnpaid", "160", true, nullptr, unpaid});
    ops.push_back({"clickOrder", "clickOrder", "161", true, nullptr, clickOrder});
    ops.push_back({"getAllBrand", "getAllBrand", "164", false, nullptr, getAllBrand});
}

} // namespace localservice
