// Favourite folders, published collections and following them.
#include "local-service/CatalogueIndex.h"
#include "local-service/OperationTable.h"
#include "local-service/PasswordHash.h"
#include "local-service/ServiceSeed.h"
#include "local-service/StateDatabase.h"

#include <QByteArray>
#include <QJsonArray>
#include <algorithm>
#include <fstream>

namespace localservice {

namespace {

constexpr const char* kFolderColumns =
    "id, user_id, collect_name, add_time, is_publish, is_encrypt, img, visits, reason, collect_desc, follow_num";

std::vector<int64_t> folderFonts(StateDatabase& db, int64_t folderId)
{
    std::vector<int64_t> ids;
    for (const auto& r : db.query("SELECT fontid FROM folder_fonts WHERE folder_id = ? ORDER BY position, rowid", {folderId}))
        ids.push_back(StateDatabase::integer(r[0]));
    return ids;
}

std::string imageUrl(const OperationContext& ctx, const std::string& stored)
{
    if (stored.empty() || stored.rfind("http", 0) == 0)
        return stored;
    return ctx.baseUrl + stored;
}

QJsonObject folderRecord(OperationContext& ctx, const SqlRow& r)
{
    const int64_t id = StateDatabase::integer(r[0]);
    const auto fonts = folderFonts(ctx.db, id);
    QJsonObject o;
    o["id"] = static_cast<qint64>(id);
    o["collect_name"] = qs(StateDatabase::text(r[2]));
    o["fonts"] = idArray(fonts);
    o["font_num"] = static_cast<qint64>(fonts.size());
    o["add_time"] = qs(StateDatabase::text(r[3]));
    o["is_publish"] = static_cast<qint64>(StateDatabase::integer(r[4]));
    o["is_encrypt"] = static_cast<qint64>(StateDatabase::integer(r[5]));
    o["img"] = qs(imageUrl(ctx, StateDatabase::text(r[6])));
    o["visits"] = static_cast<qint64>(StateDatabase::integer(r[7]));
    o["reason"] = qs(StateDatabase::text(r[8]));
    o["collect_desc"] = qs(StateDatabase::text(r[9]));
    o["follow_num"] = static_cast<qint64>(StateDatabase::integer(r[10]));
    return o;
}

// A public collection as the recommended list, the followed list and the detail header read it.
QJsonObject cardRecord(OperationContext& ctx, const SqlRow& r)
{
    QJsonObject o = folderRecord(ctx, r);
    const int64_t owner = StateDatabase::integer(r[1]);
    const auto user = ctx.db.query("SELECT nick_name, name, head FROM users WHERE id = ?", {owner});
    o["user_id"] = static_cast<qint64>(owner);
    if (!user.empty()) {
        const std::string nick = StateDatabase::text(user[0][0]);
        o["user_name"] = qs(nick.empty() ? StateDatabase::text(user[0][1]) : nick);
        o["user_head"] = qs(imageUrl(ctx, StateDatabase::text(user[0][2])));
    }
    return o;
}

std::optional<SqlRow> ownFolder(OperationContext& ctx, int64_t folderId)
{
    const auto rows = ctx.db.query(std::string("SELECT ") + kFolderColumns + " FROM folders WHERE id = ? AND user_id = ?",
                                   {folderId, *ctx.userId});
    if (rows.empty())
        return std::nullopt;
    return rows[0];
}

int64_t defaultFolder(OperationContext& ctx)
{
    const auto rows = ctx.db.query("SELECT min(id) FROM folders WHERE user_id = ?", {*ctx.userId});
    return rows.empty() ? 0 : StateDatabase::integer(rows[0][0]);
}

void bumpVersion(StateDatabase& db, int64_t userId)
{
    db.exec("UPDATE users SET collect_version = collect_version + 1 WHERE id = ?", {userId});
}

std::string collectVersion(OperationContext& ctx)
{
    return StateDatabase::text(ctx.db.query("SELECT collect_version FROM users WHERE id = ?", {*ctx.userId})[0][0]);
}

Reply myFolders(OperationContext& ctx)
{
    QJsonArray collection;
    for (const auto& r : ctx.db.query(std::string("SELECT ") + kFolderColumns + " FROM folders WHERE user_id = ? ORDER BY id",
                                      {*ctx.userId}))
        collection.append(folderRecord(ctx, r));
    QJsonObject data;
    data["collection"] = collection;
    data["collect_version"] = qs(collectVersion(ctx));
    return Reply::ok(data);
}

Reply followedCollections(OperationContext& ctx)
{
    QJsonArray follow;
    const std::string sql = std::string("SELECT ") + kFolderColumns +
                            " FROM folders WHERE id IN (SELECT folder_id FROM follows WHERE user_id = ?) ORDER BY id";
    for (const auto& r : ctx.db.query(sql, {*ctx.userId}))
        follow.append(cardRecord(ctx, r));
    QJsonObject data;
    data["follow"] = follow;
    Reply reply = Reply::ok(data);
    // The client reads this list's version at the top level of the envelope.
    reply.topLevel["collect_version"] = qs(collectVersion(ctx));
    return reply;
}

Reply createFolder(OperationContext& ctx)
{
    const std::string& name = ctx.param("name");
    if (name.empty())
        return Reply::badParameter("name");
    if (!ctx.db.query("SELECT id FROM folders WHERE user_id = ? AND collect_name = ?", {*ctx.userId, name}).empty())
        return Reply::failed(errcode::kFailed, "收藏夹名称已存在");
    ctx.db.exec("INSERT INTO folders (user_id, collect_name, add_time) VALUES (?, ?, datetime(?, 'unixepoch'))",
                {*ctx.userId, name, ctx.now});
    const int64_t id = ctx.db.lastInsertId();
    bumpVersion(ctx.db, *ctx.userId);
    QJsonObject data;
    data["id"] = static_cast<qint64>(id);
    data["collect_name"] = qs(name);
    return Reply::ok(data);
}

Reply renameFolder(OperationContext& ctx)
{
    const auto id = ctx.integer("id");
    const std::string& name = ctx.param("name");
    if (!id)
        return Reply::badParameter("id");
    if (name.empty())
        return Reply::badParameter("name");
    if (!ownFolder(ctx, *id))
        return Reply::failed(errcode::kFailed, "收藏夹不存在");
    if (*id == defaultFolder(ctx))
        return Reply::failed(errcode::kFailed, "默认收藏夹不能重命名");
    if (!ctx.db.query("SELECT id FROM folders WHERE user_id = ? AND collect_name = ? AND id != ?",
                      {*ctx.userId, name, *id}).empty())
        return Reply::failed(errcode::kFailed, "收藏夹名称已存在");
    ctx.db.exec("UPDATE folders SET collect_name = ? WHERE id = ?", {name, *id});
    if (!ctx.param("collect_img").empty())
        ctx.db.exec("UPDATE folders SET img = ? WHERE id = ?", {ctx.param("collect_img"), *id});
    bumpVersion(ctx.db, *ctx.userId);
    return Reply::ok();
}

Reply deleteFolder(OperationContext& ctx)
{
    const auto id = ctx.integer("id");
    if (!id)
        return Reply::badParameter("id");
    if (!ownFolder(ctx, *id))
        return Reply::failed(errcode::kFailed, "收藏夹不存在");
    if (*id == defaultFolder(ctx))
        return Reply::failed(errcode::kFailed, "默认收藏夹不能删除");
    ctx.db.exec("DELETE FROM folder_fonts WHERE folder_id = ?", {*id});
    ctx.db.exec("DELETE FROM follows WHERE folder_id = ?", {*id});
    ctx.db.exec("DELETE FROM folders WHERE id = ?", {*id});
    bumpVersion(ctx.db, *ctx.userId);
    return Reply::ok();
}

// "collect_id" names every folder that should hold the font afterwards; the font leaves the
// user's other folders. An empty list takes it out of all of them.
Reply fileFont(OperationContext& ctx)
{
    const auto font = ctx.integer("font_ids");
    if (!font || *font <= 0)
        return Reply::badParameter("font_ids");
    const auto folders = parseIdList(ctx.param("collect_id"));
    if (!folders)
        return Reply::badParameter("collect_id");
    for (const auto folder : *folders)
        if (!ownFolder(ctx, folder))
            return Reply::failed(errcode::kFailed, "收藏夹不存在");
    for (const auto& r : ctx.db.query("SELECT id FROM folders WHERE user_id = ?", {*ctx.userId})) {
        const int64_t folder = StateDatabase::integer(r[0]);
        const bool wanted = std::find(folders->begin(), folders->end(), folder) != folders->end();
        const bool present = !ctx.db.query("SELECT 1 FROM folder_fonts WHERE folder_id = ? AND fontid = ?",
                                           {folder, *font}).empty();
        if (wanted && !present)
            ctx.db.exec("INSERT INTO folder_fonts (folder_id, fontid, position) VALUES (?, ?,"
                        " (SELECT coalesce(max(position), 0) + 1 FROM folder_fonts WHERE folder_id = ?))",
                        {folder, *font, folder});
        else if (!wanted && present)
            ctx.db.exec("DELETE FROM folder_fonts WHERE folder_id = ? AND fontid = ?", {folder, *font});
    }
    bumpVersion(ctx.db, *ctx.userId);
    QJsonObject data;
    data["font_id"] = static_cast<qint64>(*font);
    data["collect_ids"] = idArray(*folders);
    return Reply::ok(data);
}

Reply publish(OperationContext& ctx)
{
    const auto id = ctx.integer("id");
    if (!id)
        return Reply::badParameter("id");
    if (!ownFolder(ctx, *id))
        return Reply::failed(errcode::kFailed, "收藏夹不存在");
    const auto encrypt = ctx.integer("is_encrypt").value_or(0);
    if (encrypt != 0 && ctx.param("encrypt_str").empty())
        return Reply::badParameter("encrypt_str");
    std::string img;
    if (!ctx.param("img").empty()) {
        const QByteArray bytes = QByteArray::fromBase64(QByteArray::fromStdString(ctx.param("img")),
                                                        QByteArray::AbortOnBase64DecodingErrors);
        const bool png = bytes.startsWith("\x89PNG");
        const bool jpeg = bytes.startsWith("\xff\xd8");
        if (!png && !jpeg)
            return Reply::badParameter("img");
        img = "files/uploads/cover_" + std::to_string(*id) + "_" + PasswordHash::randomHex(4) + (png ? ".png" : ".jpg");
        const auto path = ctx.uploadsDir / img.substr(std::string("files/uploads/").size());
        std::error_code ec;
        std::filesystem::create_directories(path.parent_path(), ec);
        std::ofstream(path, std::ios::binary).write(bytes.constData(), bytes.size());
    }
    ctx.db.exec("UPDATE folders SET is_publish = 1, reason = '', is_encrypt = ?, encrypt_str = ?, tag_id = ?,"
                " tag_name = ? WHERE id = ?",
                {encrypt, encrypt != 0 ? ServiceSeed::folderPassword(ctx.param("encrypt_str")) : std::string(), ctx.param("tag_id"),
                 ctx.param("tag_name"), *id});
    if (!ctx.param("collect_name").empty())
        ctx.db.exec("UPDATE folders SET collect_name = ? WHERE id = ?", {ctx.param("collect_name"), *id});
    if (ctx.has("collect_desc"))
        ctx.db.exec("UPDATE folders SET collect_desc = ? WHERE id = ?", {ctx.param("collect_desc"), *id});
    if (!img.empty())
        ctx.db.exec("UPDATE folders SET img = ? WHERE id = ?", {img, *id});
    bumpVersion(ctx.db, *ctx.userId);
    QJsonObject data;
    data["id"] = static_cast<qint64>(*id);
    data["is_publish"] = 1;
    return Reply::ok(data);
}

Reply follow(OperationContext& ctx)
{
    const auto id = ctx.integer("collect_id");
    const std::string& type = ctx.param("type");
    if (!id)
        return Reply::badParameter("collect_id");
    if (type != "0" && type != "1")
        return Reply::badParameter("type");
    const auto rows = ctx.db.query("SELECT user_id FROM folders WHERE id = ? AND is_publish = 2", {*id});
    if (rows.empty())
        return Reply::failed(errcode::kFailed, "合集不存在");
    if (StateDatabase::integer(rows[0][0]) == *ctx.userId)
        return Reply::failed(errcode::kFailed, "不能关注自己的合集");
    if (type == "1") {
        ctx.db.exec("INSERT OR IGNORE INTO follows (user_id, folder_id) VALUES (?, ?)", {*ctx.userId, *id});
        if (ctx.db.changes() > 0)
            ctx.db.exec("UPDATE folders SET follow_num = follow_num + 1 WHERE id = ?", {*id});
    } else {
        ctx.db.exec("DELETE FROM follows WHERE user_id = ? AND folder_id = ?", {*ctx.userId, *id});
        if (ctx.db.changes() > 0)
            ctx.db.exec("UPDATE folders SET follow_num = max(follow_num - 1, 0) WHERE id = ?", {*id});
    }
    bumpVersion(ctx.db, *ctx.userId);
    QJsonObject data;
    data["collect_id"] = static_cast<qint64>(*id);
    data["is_follow"] = type == "1" ? 1 : 0;
    return Reply::ok(data);
}

Reply recommended(OperationContext& ctx)
{
    QJsonArray collection;
    for (const auto& r : ctx.db.query(std::string("SELECT ") + kFolderColumns +
                                      " FROM folders WHERE is_publish = 2 ORDER BY follow_num DESC, id"))
        collection.append(cardRecord(ctx, r));
    QJsonObject data;
    data["collection"] = collection;
    return Reply::ok(data);
}

Reply collectionInfo(OperationContext& ctx)
{
    const auto id = ctx.integer("id");
    if (!id)
        return Reply::badParameter("id");
    const auto rows = ctx.db.query(std::string("SELECT ") + kFolderColumns + " FROM folders WHERE id = ?", {*id});
    const bool own = !rows.empty() && ctx.userId && StateDatabase::integer(rows[0][1]) == *ctx.userId;
    if (rows.empty() || (StateDatabase::integer(rows[0][4]) != 2 && !own))
        return Reply::failed(errcode::kFailed, "合集不存在");
    ctx.db.exec("UPDATE folders SET visits = visits + 1 WHERE id = ?", {*id});
    QJsonObject data = cardRecord(ctx, rows[0]);
    data["visits"] = data.value("visits").toInteger() + 1;
    QJsonArray fonts;
    for (const auto fontid : folderFonts(ctx.db, *id))
        if (auto row = ctx.catalogue.fontRow(fontid))
            fonts.append(*row);
    data["fonts"] = fonts;
    return Reply::ok(data);
}

Reply checkUpdate(OperationContext& ctx)
{
    QJsonObject data;
    data["is_new"] = ctx.param("collect_version") == collectVersion(ctx) ? 0 : 1;
    data["collect_version"] = qs(collectVersion(ctx));
    return Reply::ok(data);
}

bool typeIsFollowed(const FormParams& params)
{
    const std::string* type = FormCodec::find(params, "type");
    return type && *type == "1";
}

} // namespace

void addCollectionOperations(std::vector<Operation>& ops)
{
    ops.push_back({"addLike", "addLike", "105", true, nullptr, fileFont, kChangesAccount});
    ops.push_back({"createCollect", "createCollect", "133", true, nullptr, createFolder, kChangesAccount});
    ops.push_back({"modifyCollect", "modifyCollect", "134", true, nullptr, renameFolder, kChangesAccount});
    ops.push_back({"deleCollect", "deleCollect", "135", true, nullptr, deleteFolder, kChangesAccount});
    ops.push_back({"publishCollection", "", "136", true, nullptr, publish, kChangesAccount});
    ops.push_back({"getMyCollect(type=1)", "getMyCollect", "137", true, typeIsFollowed, followedCollections});
    ops.push_back({"getMyCollect", "getMyCollect", "137", true, nullptr, myFolders});
    ops.push_back({"followCollect", "followCollect", "138", true, nullptr, follow, kChangesAccount});
    ops.push_back({"getCollectList", "getCollectList", "143", false, nullptr, recommended});
    ops.push_back({"getCollectInfo", "getCollectInfo", "144", false, nullptr, collectionInfo});
    ops.push_back({"checkCollectUpdate", "checkCollectUpdate", "145", true, nullptr, checkUpdate});
}

} // namespace localservice
