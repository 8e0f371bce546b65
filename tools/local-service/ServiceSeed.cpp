#include "local-service/ServiceSeed.h"

#include "local-service/Accounts.h"
#include "local-service/CatalogueIndex.h"
#include "local-service/PasswordHash.h"
#include "local-service/StateDatabase.h"

#include <vector>

namespace localservice {

namespace {

struct SeedFolder {
    const char* name;
    int isPublish;
    const char* description;
    std::vector<int64_t> fonts;
    int cover;
    const char* reason = "";
};

int64_t addFolder(StateDatabase& db, int64_t user, const SeedFolder& f, int64_t now)
{
    db.exec("INSERT INTO folders (user_id, collect_name, add_time, is_publish, img, visits, collect_desc, reason)"
            " VALUES (?, ?, datetime(?, 'unixepoch'), ?, ?, ?, ?, ?)",
            {user, std::string(f.name), now, static_cast<int64_t>(f.isPublish),
             f.cover ? "files/covers/cover_" + std::to_string(f.cover) + ".png" : std::string(),
             static_cast<int64_t>(f.isPublish == 2 ? 120 * f.cover : 0), std::string(f.description), std::string(f.reason)});
    const int64_t id = db.lastInsertId();
    int64_t position = 1;
    for (const auto font : f.fonts)
        db.exec("INSERT INTO folder_fonts (folder_id, fontid, position) VALUES (?, ?, ?)", {id, font, position++});
    return id;
}

std::vector<int64_t> pick(const std::vector<int64_t>& ids, std::initializer_list<size_t> positions)
{
    std::vector<int64_t> out;
    for (const auto p : positions)
        if (!ids.empty())
            out.push_back(ids[p % ids.size()]);
    return out;
}

std::vector<int64_t> join(std::vector<int64_t> a, const std::vector<int64_t>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace

std::string ServiceSeed::folderPassword(const std::string& password)
{
    const std::string salt = PasswordHash::randomHex(16);
    return salt + ":" + PasswordHash::hash(password, salt);
}

bool ServiceSeed::seedIfEmpty(StateDatabase& db, CatalogueIndex& catalogue, int64_t now)
{
    if (!db.query("SELECT id FROM users LIMIT 1").empty())
        return false;
    const auto chinese = catalogue.ids(true, 20);
    const auto latin = catalogue.ids(false, 60);

    const auto demo = Accounts::createUser(db, "demo", "13800000000", "demo1234", "演示用户");
    const auto newbie = Accounts::createUser(db, "newbie", "13900000000", "newbie123", "");
    const auto editor = Accounts::createUser(db, "editor", "13700000000", "editor123", "字体编辑部");
    const auto designer = Accounts::createUser(db, "designer", "13600000000", "designer123", "设计师小林");
    if (!demo || !newbie || !editor || !designer)
        return false;
    db.exec("UPDATE users SET vip_type = '1', email = 'demo@corvane.invalid', head = 'files/avatars/avatar_1.png',"
            " active = ? WHERE id = ?", {std::to_string(latin.empty() ? 0 : latin[0]), *demo});
    db.exec("UPDATE users SET is_agree = 0, is_first = 1 WHERE id = ?", {*newbie});
    db.exec("UPDATE users SET head = 'files/avatars/avatar_2.png' WHERE id = ?", {*editor});
    db.exec("UPDATE users SET head = 'files/avatars/avatar_3.png' WHERE id = ?", {*designer});

    addFolder(db, *demo, {"喜欢的字体", 0, "", pick(chinese, {0}), 0}, now);
    addFolder(db, *demo, {"标题字体", 0, "", join(pick(chinese, {2}), pick(latin, {1})), 0}, now);
    addFolder(db, *demo, {"正文精选", 2, "适合长文阅读的字体", join(pick(chinese, {1}), pick(latin, {5})), 4}, now);
    addFolder(db, *demo, {"等宽代码", 1, "写代码用的等宽字体", pick(latin, {10, 11}), 5}, now);

    const int64_t editorPick = addFolder(db, *editor, {"编辑推荐：中文黑体", 2, "编辑部精选的中文黑体，标题正文两相宜。",
                                                       pick(chinese, {0, 1, 2, 3, 4}), 1}, now);
    addFolder(db, *editor, {"经典衬线", 2, "书籍与海报里常见的衬线字体。", pick(latin, {14, 15, 16, 17}), 2}, now);
    addFolder(db, *editor, {"海报大字", 2, "粗重醒目的海报用字。", pick(latin, {2, 6, 24, 31}), 3}, now);
    const int64_t locked = addFolder(db, *editor, {"会员专享合集", 2, "输入密码后可见的精选字体。", pick(chinese, {5, 6}), 2}, now);
    db.exec("UPDATE folders SET is_encrypt = 1, encrypt_str = ? WHERE id = ?", {ServiceSeed::folderPassword("corvane2024"), locked});
    const int64_t designerPick = addFolder(db, *designer, {"界面设计常用", 2, "界面与屏幕阅读常用字体。",
                                                           pick(latin, {3, 12, 20}), 6}, now);
    addFolder(db, *designer, {"草稿", 3, "", pick(latin, {7}), 7, "封面图片不清晰"}, now);

    for (const auto folder : {editorPick, designerPick}) {
        db.exec("INSERT INTO follows (user_id, folder_id) VALUES (?, ?)", {*demo, folder});
        db.exec("UPDATE folders SET follow_num = follow_num + 1 WHERE id = ?", {folder});
    }
    db.exec("UPDATE folders SET follow_num = follow_num + 37 WHERE user_id = ? AND is_publish = 2", {*editor});
    int64_t position = 1;
    for (const auto font : pick(chinese, {2}))
        db.exec("INSERT INTO carts (user_id, fontid, position) VALUES (?, ?, ?)", {*demo, font, position++});
    for (const auto font : pick(latin, {1}))
        db.exec("INSERT INTO carts (user_id, fontid, position) VALUES (?, ?, ?)", {*demo, font, position++});
    // Folders for the new account, so that its first sign-in shows a default folder.
    db.exec("INSERT INTO folders (user_id, collect_name, add_time) VALUES (?, '喜欢的字体', datetime(?, 'unixepoch'))",
            {*newbie, now});
    return true;
}

} // namespace localservice
