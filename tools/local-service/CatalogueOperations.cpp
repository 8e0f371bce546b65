// Operations over the catalogue: tags, start-up data, data state, search, details, previews,
// download links and the usage reports of the font rows.
#include "catalogue/TagVocabulary.h"
#include "local-service/CatalogueIndex.h"
#include "local-service/FormParams.h"
#include "local-service/OperationTable.h"
#include "local-service/StateDatabase.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>

namespace localservice {

namespace {

std::string renderUrl(const OperationContext& ctx, int64_t fontid, const char* theme, const std::string& text)
{
    return ctx.baseUrl + "files/render/" + std::to_string(fontid) + "/" + theme + ".png?text=" +
           FormCodec::percentEncode(text);
}

QJsonArray fontRows(OperationContext& ctx, const std::vector<int64_t>& ids)
{
    QJsonArray fonts;
    for (const auto id : ids)
        if (auto row = ctx.catalogue.fontRow(id))
            fonts.append(*row);
    return fonts;
}

Reply fontsList(OperationContext& ctx)
{
    const int page = static_cast<int>(std::clamp<int64_t>(ctx.integer("page").value_or(1), 1, 100000));
    const int size = static_cast<int>(std::clamp<int64_t>(ctx.integer("size").value_or(20), 1, 200));
    QJsonObject data;
    data["fonts"] = fontRows(ctx, ctx.catalogue.page(page, size));
    return Reply::ok(data);
}

Reply boughtFonts(OperationContext& ctx)
{
    std::vector<int64_t> ids;
    for (const auto& row : ctx.db.query("SELECT info FROM orders WHERE user_id = ? AND paid = 1", {*ctx.userId})) {
        const auto doc = QJsonDocument::fromJson(QByteArray::fromStdString(StateDatabase::text(row[0])));
        for (const auto& entry : doc.array())
            if (auto list = parseIdList(entry.toObject().value("fids").toString().toStdString()))
                for (const auto id : *list)
                    if (std::find(ids.begin(), ids.end(), id) == ids.end())
                        ids.push_back(id);
    }
    QJsonObject data;
    data["fonts"] = fontRows(ctx, ids);
    return Reply::ok(data);
}

Reply fontDownloadLinks(OperationContext& ctx)
{
    const auto ids = parseIdList(ctx.param("font_ids"));
    if (!ids || ids->empty())
        return Reply::badParameter("font_ids");
    QJsonArray fonts;
    for (const auto id : *ids) {
        if (auto row = ctx.catalogue.fontRow(id)) {
            QJsonObject link;
            link["fontid"] = static_cast<qint64>(id);
            link["download_url"] = row->value("download_url");
            fonts.append(link);
        }
    }
    QJsonObject data;
    data["fonts"] = fonts;
    return Reply::ok(data);
}

// Usage report of the font rows: activations move fonts to the front of the user's recently
// used list, downloads count for the personal centre.
Reply fontUsageReport(OperationContext& ctx)
{
    const std::string& activation = ctx.param("activation");
    std::vector<int64_t> activated;
    if (!activation.empty()) {
        QJsonParseError error{};
        const auto doc = QJsonDocument::fromJson(QByteArray::fromStdString(activation), &error);
        if (error.error != QJsonParseError::NoError || !doc.isArray())
            return Reply::badParameter("activation");
        for (const auto& item : doc.array()) {
            const QJsonValue fid = item.toObject().value("fid");
            const auto id = fid.isString() ? fid.toString().toLongLong() : fid.toVariant().toLongLong();
            if (id > 0)
                activated.push_back(id);
        }
    }
    const auto downloads = parseIdList(ctx.param("download_ids"));
    if (!downloads)
        return Reply::badParameter("download_ids");
    if (ctx.userId) {
        auto current = parseIdList(StateDatabase::text(
            ctx.db.query("SELECT active FROM users WHERE id = ?", {*ctx.userId})[0][0])).value_or(std::vector<int64_t>{});
        for (const auto id : activated) {
            current.erase(std::remove(current.begin(), current.end(), id), current.end());
            current.insert(current.begin(), id);
        }
        if (current.size() > 50)
            current.resize(50);
        ctx.db.exec("UPDATE users SET active = ?, downloads = downloads + ? WHERE id = ?",
                    {joinIds(current), static_cast<int64_t>(downloads->size()), *ctx.userId});
    }
    return Reply::ok();
}

Reply fontImages(OperationContext& ctx)
{
    const std::string& text = ctx.param("str");
    const auto ids = parseIdList(ctx.param("fids"));
    if (!ids)
        return Reply::badParameter("fids");
    QJsonArray lists;
    for (const auto id : *ids) {
        if (!ctx.catalogue.contains(id))
            continue;
        QJsonObject item;
        item["fontid"] = static_cast<qint64>(id);
        item["image"] = qs(renderUrl(ctx, id, "day", text));
        item["night_image"] = qs(renderUrl(ctx, id, "night", text));
        lists.append(item);
    }
    QJsonObject data;
    data["lists"] = lists;
    return Reply::ok(data);
}

QJsonArray categoriesJson(const std::vector<catalogue::TagCategory>& categories)
{
    QJsonArray out;
    for (const auto& c : categories) {
        QJsonArray tags;
        for (const auto& t : c.tags) {
            QJsonObject tag;
            tag["tagname"] = qs(t.name);
            tag["tagid"] = qs(t.id);
            tags.append(tag);
        }
        QJsonObject category;
        category["classname"] = qs(c.className);
        category["data"] = tags;
        out.append(category);
    }
    return out;
}

Reply tags(OperationContext&)
{
    QJsonObject tagsObject;
    tagsObject["ENG"] = categoriesJson(catalogue::TagVocabulary::foreign());
    tagsObject["ZH"] = categoriesJson(catalogue::TagVocabulary::chinese());
    QJsonObject data;
    data["tags"] = tagsObject;
    return Reply::ok(data);
}

Reply baseInfo(OperationContext& ctx)
{
    QJsonObject data;
    const std::string& b = ctx.baseUrl;
    data["weixin_login_url"] = qs(b + "pages/wechat-login");
    data["qq_login_url"] = qs(b + "pages/qq-login");
    data["register_agree_url"] = qs(b + "pages/agreement");
    data["shop_url"] = qs(b + "pages/shop");
    data["forget_pwd"] = qs(b + "pages/forget-password");
    data["help_url"] = qs(b + "pages/help");
    data["coll_list"] = qs(b + "pages/collections");
    data["coll_share"] = qs(b + "pages/share");
    data["qq_group"] = qs(b + "files/images/qq_group.png");
    data["brand_license"] = qs(b + "pages/license");
    data["heartbeat_url"] = qs(b + "pages/heartbeat");
    const std::string questionnaire = ctx.db.setting("questionnaire", "files/images/questionnaire.png");
    data["questionnaire"] = qs(questionnaire.empty() ? std::string() : b + questionnaire);
    QJsonArray heat;
    for (const auto id : ctx.catalogue.popular(20)) {
        QJsonObject item;
        item["fid"] = static_cast<qint64>(id);
        heat.append(item);
    }
    data["heat"] = heat;
    return Reply::ok(data);
}

Reply dataState(OperationContext& ctx)
{
    QJsonObject data;
    data["data_expire"] = static_cast<qint64>(std::stoll(ctx.db.setting("data_expire", "0")));
    data["data_version"] = qs(ctx.db.setting("data_version", "A20200326154556"));
    const std::string url = ctx.db.setting("data_url", "");
    data["data_url"] = qs(url.empty() || url.rfind("http", 0) == 0 ? url : ctx.baseUrl + url);
    return Reply::ok(data);
}

Reply search(OperationContext& ctx)
{
    QJsonObject data;
    data["fids"] = qs(joinIds(ctx.catalogue.search(ctx.param("str"))));
    return Reply::ok(data);
}

Reply idsByPage(OperationContext& ctx)
{
    const auto page = ctx.integer("page");
    if (!page || *page < 1)
        return Reply::badParameter("page");
    QJsonObject data;
    data["fids"] = qs(joinIds(ctx.catalogue.page(static_cast<int>(std::min<int64_t>(*page, 100000)), 20)));
    data["page"] = static_cast<qint64>(*page);
    return Reply::ok(data);
}

std::string tagNames(const std::string& tagsColumn)
{
    std::string names;
    for (const auto& category : catalogue::TagVocabulary::chinese())
        for (const auto& tag : category.tags)
            if (tagsColumn.find("," + tag.id + ",") != std::string::npos && tag.id.size() == 3)
                names += (names.empty() ? "" : " ") + tag.name;
    return names;
}

Reply fontDetail(OperationContext& ctx)
{
    const auto id = ctx.integer("fontid");
    if (!id)
        return Reply::badParameter("fontid");
    const auto row = ctx.catalogue.fontRow(*id);
    if (!row)
        return Reply::failed(errcode::kFailed, "字体不存在");
    const std::string name = row->value("fontname").toString().toStdString();
    const QJsonObject info = QJsonDocument::fromJson(row->value("font_info").toString().toUtf8()).object();
    const bool chinese = row->value("type").toInt() == 1;
    const std::string cover = ctx.baseUrl + "files/covers/cover_" + std::to_string(1 + *id % 8) + ".png";

    QJsonObject d;
    d["fontid"] = static_cast<qint64>(*id);
    d["cover_img"] = qs(cover);
    d["content_img"] = qs(renderUrl(ctx, *id, "day", name));
    d["font_name"] = qs(name);
    d["intro_img"] = QJsonArray{qs(renderUrl(ctx, *id, "day", chinese ? "永和九年，岁在癸丑" : "The quick brown fox")),
                                qs(renderUrl(ctx, *id, "day", chinese ? "天朗气清，惠风和畅" : "jumps over the lazy dog"))};
    d["ft_apply"] = QJsonArray{qs(ctx.baseUrl + "files/covers/cover_" + std::to_string(1 + (*id + 3) % 8) + ".png")};
    d["punctuation"] = qs(renderUrl(ctx, *id, "day", "，。、；：？！“”（）《》 ,.;:?!'\"()&@#"));
    QJsonArray weights;
    for (const auto& member : ctx.catalogue.family(*id)) {
        QJsonObject w;
        const std::string memberName = member.value("fontname").toString().toStdString();
        w["name"] = qs(memberName);
        w["image"] = qs(renderUrl(ctx, member.value("fontid").toInteger(), "day", memberName));
        weights.append(w);
    }
    d["font_list"] = weights;
    d["apply_img"] = qs(cover);
    d["tags"] = qs(tagNames(row->value("tags").toString().toStdString()));
    d["describe"] = info.value("describe").toString();
    d["designer"] = info.value("designer").toString();
    d["provider"] = info.value("provider").toString();
    d["type_info"] = info.value("type_info").toString();
    d["language"] = info.value("language").toString();
    d["made_time"] = info.value("made_time").toString();
    return Reply::ok(d);
}

} // namespace

void addCatalogueOperations(std::vector<Operation>& ops)
{
    ops.push_back({"fontsList", "", "100", false, nullptr, fontsList});
    ops.push_back({"boughtFonts", "", "101", true, nullptr, boughtFonts});
    ops.push_back({"fontDownloadLinks", "fontDown", "103", false,
                   [](const FormParams& p) { return FormCodec::find(p, "font_ids") != nullptr; }, fontDownloadLinks});
    ops.push_back({"fontDown", "fontDown", "103", false, nullptr, fontUsageReport, kChangesAccount});
    ops.push_back({"getFontsImg", "getFontsImg", "127", false, nullptr, fontImages});
    ops.push_back({"getTag", "getTag", "129", false, nullptr, tags});
    ops.push_back({"getBaseInfo", "getBaseInfo", "130", false, nullptr, baseInfo});
    ops.push_back({"getBaseData", "getBaseData", "131", false, nullptr, dataState});
    ops.push_back({"updateMoreData", "", "132", false, nullptr, dataState});
    ops.push_back({"getSearch", "getSearch", "141", false, nullptr, search});
    ops.push_back({"fontidsByPage", "", "142", false, nullptr, idsByPage});
    ops.push_back({"getInfo", "getInfo", "163", false, nullptr, fontDetail});
}

} // namespace localservice
